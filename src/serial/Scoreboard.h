#pragma once

// An LED scoreboard on a serial line: what it shows (a frame), the line formats its controller can
// be set to, and the output the program hands each frame to.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Where the run on the board stands.
enum class ScoreboardPhase {
    Ready,      // no run on the clock: the starter who is up
    Countdown,  // the countdown runs: the seconds left
    Running,    // the run clock runs: the time to the tenth
    Stopped,    // the run is stopped and waits for its entry: the time measured
    Final,      // the run is entered: its total and its place
};

// One picture of the board, made by the program from what its time boards show and the class's
// standing; the board's line only lays it out.
struct ScoreboardFrame {
    ScoreboardPhase Phase = ScoreboardPhase::Ready;
    std::string StartNumber;
    // The time shown, already cut to what the clock shows (whole seconds of the countdown, tenths
    // while running, the class's resolution once stopped); none: the time field stays blank.
    std::optional<std::int64_t> TimeMs;
    int Decimals = 0;   // 0 to 3 digits after the point
    std::string Place;  // "3", "DQ" or empty

    bool operator==(const ScoreboardFrame&) const = default;
};

// Lays a frame out as one line for the board's controller, CR included. Pure.
using ScoreboardFormatter = std::string (*)(const ScoreboardFrame& frame);

struct ScoreboardFormat {
    std::string_view Name;
    ScoreboardFormatter Format;
};

// "Standard": 20 characters and CR, fixed columns (see the README):
//   NNNN P TTTTTTTTT RRR<CR>
// NNNN the start number right-aligned (its last four characters), P the phase (- C R S F),
// TTTTTTTTT the time ("m:ss" right-aligned in five, then the point and up to three decimals
// left-aligned in four, so the point keeps its column), RRR the place right-aligned. Characters
// outside printable ASCII become '?'.
std::string StandardLine(const ScoreboardFrame& frame);

// Every line format a board's controller can be set to, the default first. A new format is one
// pure function and one entry here (setting `BoardFormat` names it).
std::span<const ScoreboardFormat> ScoreboardFormats();
// The format of that name; the default one for a name not known.
const ScoreboardFormat& FindScoreboardFormat(std::string_view name);

// How long a line of `bytes` characters takes on the wire at `baud` with 8N1 (ten bits each): the
// writer sends the next line no sooner, so the adapter's queue never holds an old time.
std::chrono::nanoseconds LineDuration(std::size_t bytes, std::uint32_t baud);

// Where the board is: the devices to try in order (a USB adapter's stable name, then the port's
// device), the port number for messages, the line's speed and format. No paths: no board.
struct ScoreboardTarget {
    std::vector<std::string> Paths;
    int Port = 0;
    std::uint32_t Baud = 2400;
    ScoreboardFormatter Format = StandardLine;

    bool operator==(const ScoreboardTarget&) const = default;
};

// What the board's line is doing, for the settings dialog and the status bar.
struct ScoreboardState {
    enum class Kind { Off, Opening, Open, Failed };
    Kind State = Kind::Off;
    // Open: the device; Failed: why, in German, for the operator.
    std::string Text;

    bool operator==(const ScoreboardState&) const = default;
};

// The board's output as the program sees it. Connect and State run on the UI thread; Show never
// blocks and never waits for the board.
class IScoreboard {
public:
    virtual ~IScoreboard() = default;
    // Opens the target (closes the board for one without paths); retries by itself until it opens
    // and after the device went away.
    virtual void Connect(const ScoreboardTarget& target) = 0;
    // The newest frame; one not sent yet is replaced, never queued.
    virtual void Show(const ScoreboardFrame& frame) = 0;
    virtual ScoreboardState State() const = 0;
};
