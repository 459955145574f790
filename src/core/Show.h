#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "files/ShowEntries.h"
#include "files/ShowFile.h"
#include "results/Draw.h"
#include "results/Rounds.h"

class ResultTable;

// An open show: the show file's data, where it lies, and the class the operator has open. The
// classes' results live in their own protocol files in the show folder; the competition holds
// the open class's table.
class Show {
public:
    // Reads the show file; nothing (with the message) when it is broken.
    static std::optional<Show> Open(const std::string& path, std::string& error);

    ShowData& Data() { return data_; }
    const ShowData& Data() const { return data_; }
    const std::string& FilePath() const { return path_; }
    int ClassCount() const { return static_cast<int>(data_.Classes.size()); }
    int OpenIndex() const { return FindShowClass(data_, data_.OpenClass); }
    const ShowClass& OpenClass() const { return data_.Classes.at(OpenIndex()); }
    void SetOpenIndex(int index) { data_.OpenClass = data_.Classes.at(index).Name; }

    // The class's protocol file and its change log beside it.
    std::string ClassFile(int index) const;
    std::string LogFile(int index) const { return ClassLogFile(ClassFile(index)); }

    // Writes the show file back (the class open, the draw's seeds).
    FileWriteResult Save() const { return WriteShowFile(data_, path_); }

private:
    Show(ShowData data, std::string path) : data_(std::move(data)), path_(std::move(path)) {}

    ShowData data_;
    std::string path_;
};

// Reads the class's file into the table, in its start order; a class whose file does not exist
// yet is empty. Returns empty or the message; the table is then as it was.
std::string ReadClassTable(const Show& show, int index, ResultTable& table, char decimalSeparator);

// Whether the class takes its results from other classes ("runs_from" or "rounds"): it has no
// runs of its own, and its class file is made from theirs.
bool TakesResults(const ShowClass& item);
// Where the class's runs are entered: the class it carries its runs from, or (an average) its
// rounds, "Open 1, Open 2".
std::string ResultsSource(const ShowClass& item);
// Where the runs of a class that takes its results are entered: the classes with runs of their
// own at the ends of its sources, "Open 1, Open 2".
std::string RunsEnteredIn(const ShowData& data, const ShowClass& item);
// The classes that take their results from the class at index.
std::vector<int> TakersOf(const ShowData& data, int index);
// Every class that takes its results from the class at index, directly or through others, each
// after the classes it takes from.
std::vector<int> DownstreamOf(const ShowData& data, int index);

// The table of a class of the show as it stands now: the open class's from its journal, another
// one's read from its file. Returns the message when it could not be read.
using ClassTableOf = std::function<std::string(int index, ResultTable& table)>;
// The table of a class that takes its results from others, made from their tables and (a
// carried class) its own start list, with its place column filled under its rules. Returns the
// message when a table could not be read.
std::string MakeTakenTable(const Show& show, int index, const ClassTableOf& tableOf,
                           char decimalSeparator, DerivedTable& made);

// Draws the class's start order into the table (starters who have run keep their places) and
// writes the seed into the class. Without a seed a new one is taken. The text tells the seed and
// whether the horse gap was kept, for the operator.
struct ClassDraw {
    std::uint64_t Seed = 0;
    DrawOutcome Outcome;
    std::string Text;
};
ClassDraw DrawClass(ResultTable& table, ShowClass& item, std::optional<std::uint64_t> seed);

// Adds a class to the show, behind the others, with a file of its own in the show folder named
// after it ("Jugend.txt", "Jugend-2.txt" when that is taken or lies there). Returns its index.
int AddShowClass(ShowData& data, const std::string& folder, const std::string& name,
                 const std::string& race);

// The starters a list adds to one class: those not in it yet (same rider and horse, compared
// trimmed and ignoring case), and the lines that name a starter twice.
struct NewStarters {
    std::vector<ShowEntry> Added;
    int Known = 0;                     // already in the class
    std::vector<std::string> Doubled;  // "Anna Berg / Blue (Zeilen 3 und 9)"
};
NewStarters NewStartersOf(const ResultTable& table, const std::vector<ShowEntry>& entries);

// Whether the class has a start list at all (a new class has none).
bool HasStarters(const ResultTable& table);

// Adds the starters to the class's table behind the others, in start order; a class without
// starters takes them as its start list. With a seed they are drawn into the part behind the
// first `fixed` starters instead (see LateEntryOrder). Returns the order as LateEntryOrder does.
std::vector<int> AddStarters(ResultTable& table, const std::vector<ShowEntry>& starters, int fixed,
                             int horseGap, std::optional<std::uint64_t> seed);
