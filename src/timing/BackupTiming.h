#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// A run as the two timing sources saw it, and which of their times the run takes. The primary
// source (light barrier or timer line) gives the official time; the backup (a second barrier or
// a timer line) stands in when the primary missed a start or a stop, and is compared with it when
// both saw the run.

// What one source saw of a run, in its own clock as ticks of the program's counter. A clock that
// begins again after Period ticks (a timer's time of day) counts a run over that point on.
struct SourceReading {
    std::optional<std::int64_t> Start;
    std::optional<std::int64_t> Stop;
    std::int64_t Period = 0;  // 0: the clock never begins again

    // Stop minus start, when the source saw both.
    std::optional<std::int64_t> RunTicks() const;
};

struct RunReadings {
    SourceReading Primary;
    SourceReading Backup;
};

enum class RunChoice {
    Primary,  // the primary saw start and stop; the backup agrees or did not see both
    Backup,   // the primary missed its start or stop and the backup saw both
    Ask,      // both saw the run and their times differ by more than the tolerance
    Neither,  // no source saw both: the clock's own time stands (a stop by hand, a mixed run)
};

// Which time the run takes; toleranceTicks in ticks of the counter.
RunChoice ChooseRunTime(const RunReadings& run, std::int64_t toleranceTicks);

// Which start commands an impulse may give: an edge of a light barrier any (one beam is start and
// finish line), a timer's start channel only the run start, its finish channel only the stop.
enum class ImpulseKind { Any, Start, Finish };

// What a change of a light barrier's line is: the status it already had, the line going back to
// its resting level, or a trigger (alg: 0 triggers on CTS on, 1 on CTS off, others never).
// last is the status before and becomes status.
enum class LineChange { Bounce, Resting, Trigger };
LineChange ClassifyLineChange(std::uint32_t& last, std::uint32_t status, int alg);

// What a primary trigger edge did with the run.
enum class Crossing { None, Start, Stop };

// A backup trigger edge: when it reached the program (the counter, for matching it with the
// primary's edges) and its stamp in the backup's own clock.
struct BackupEdge {
    std::int64_t Local = 0;
    std::int64_t Own = 0;
    ImpulseKind Kind = ImpulseKind::Any;
};

// Pairs the backup's edges with the primary's: an edge of each within the window of each other
// is one crossing seen twice. A backup edge with no primary edge within the window, before or
// after it, waits out the window and is then the backup standing in for a missed one.
class CrossingPairs {
public:
    explicit CrossingPairs(std::int64_t windowTicks) : window_(windowTicks) {}

    // A primary trigger edge at local, and what it did; returns the waiting backup edges that
    // saw the same crossing.
    std::vector<BackupEdge> Primary(std::int64_t local, Crossing did);
    // A backup trigger edge: what the primary's edge of the same crossing did, or nothing when no
    // primary edge came yet (the edge waits).
    std::optional<Crossing> Backup(const BackupEdge& edge);
    // The waiting backup edges whose window has passed at now, in order: no primary edge came.
    std::vector<BackupEdge> Unpaired(std::int64_t now);
    // When the first waiting edge's window passes; nothing while none waits.
    std::optional<std::int64_t> NextDue() const;
    // A new line or the test: nothing waits, nothing is remembered.
    void Clear();

private:
    struct PrimaryEdge {
        std::int64_t Local = 0;
        Crossing Did = Crossing::None;
    };
    std::int64_t window_;
    std::deque<PrimaryEdge> primary_;
    std::vector<BackupEdge> waiting_;
};

// The change log's words for the two readings of a run, e.g. "zweite Lichtschranke Start 12,
// Stopp 15; Laufzeit 3,000 / 3,002 s". name: the backup source's name; stamp: how a stamp of
// it is written.
std::string BackupReadingText(const RunReadings& run, const std::string& name,
                              std::string (*stamp)(std::int64_t own, std::int64_t frequency),
                              std::int64_t frequency, char separator);
