#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "files/FileIo.h"

// How a class's start order is drawn.
struct DrawSettings {
    int DragEvery = 0;                  // runs between two drags of the ground; 0 = none
    int HorseGap = 0;                   // runs at least between two runs of one rider
    std::optional<std::uint64_t> Seed;  // written by the draw
    // Written by the draw too: the starters (start number, or rider without one) scratched then.
    std::vector<std::string> Scratched;
};

// One class of a show: its own entries and results in its own protocol file.
struct ShowClass {
    std::string Name;
    std::string Race;
    std::string File;  // relative to the show folder
    int PenaltySeconds = 5;
    DrawSettings Draw;
    // The class's runs are those of the class named here ("runs_from"): its own list is matched
    // to that class by start number. Empty for a class with runs of its own.
    std::string RunsFrom;
    // An average of go-rounds ("rounds"): the classes whose totals add up. Empty otherwise.
    std::vector<std::string> Rounds;
    // Team standings ("team": {"best": N}): each team's N best valid totals add up; 0 none.
    int TeamBest = 0;
    // The class object as read, with the keys other parts of the program read (thousandths,
    // divisions, payout) and any key the program does not know; written back with the changes.
    nlohmann::json Json = nlohmann::json::object();
};

// The show's head, as the reports print it.
struct ShowHead {
    std::string Name;
    std::string Date;  // ISO 8601
    std::string Place;
    std::string Arena;
};

// What the show office charges beside each class's entry fee ("office"): once per rider and
// day, and once per horse (a stall, say).
struct OfficeFees {
    std::int64_t PerRiderCents = 0;
    std::int64_t PerHorseCents = 0;
};

// The show file: its head, the classes in running order and the class open last.
struct ShowData {
    ShowHead Head;
    std::vector<ShowClass> Classes;
    std::string OpenClass;
    OfficeFees Office;
    nlohmann::json Json = nlohmann::json::object();  // the whole file as read
};

// Reads the show file's text. On any fault nothing is returned and error names the reason and
// the place ("Zeile 12, classes[1].draw.horse_gap: ..."); a text nested more than 64 levels deep
// is refused before it is read into memory.
std::optional<ShowData> ParseShowText(std::string_view text, std::string& error);
// Reads the show file at path: the file and, for every class, its file and change log must be
// files in the show folder, not links (nor outside through a linked folder), or not there yet.
std::optional<ShowData> ReadShowFile(const std::string& path, std::string& error);

// A class's change log lies beside its file: "open.txt.log".
std::string ClassLogFile(const std::string& classFile);

// The text written back: the file as read with the program's keys replaced.
std::string ShowText(const ShowData& show);
// Writes ShowText atomically.
FileWriteResult WriteShowFile(const ShowData& show, const std::string& path);

// Index of the class with that name; -1 when none.
int FindShowClass(const ShowData& show, std::string_view name);
// The classes a class takes its results from: its rounds, or the class it carries its runs from.
std::vector<std::string> SourcesOf(const ShowClass& item);
