#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "serial/Scoreboard.h"

// The LED scoreboard's serial line (a tty, or a FIFO or pseudo terminal to try it with), written
// by a thread of its own so that a board that is unplugged or does not read never slows the clock.
//
// The UI thread hands over frames (Show): each replaces the one in a single slot, never queued,
// and the hand-over takes no lock. The writer lays the newest frame out as one line and writes it
// without blocking; it finishes a line it has begun before taking the next, so the board never
// gets half a line, and sends no line sooner than the one before can have left the wire at the
// line's speed (LineDuration, and while the driver still queues bytes), so the adapter never holds
// an old time. While nothing changes it sends the last line again every `repeat`, so a board
// switched on later shows it. A device that cannot be opened, or goes away, is tried again every
// `retry`; State tells which.
class ScoreboardLine : public IScoreboard {
public:
    explicit ScoreboardLine(std::chrono::milliseconds retry = std::chrono::seconds(1),
                            std::chrono::milliseconds repeat = std::chrono::seconds(1));
    ~ScoreboardLine() override;
    ScoreboardLine(const ScoreboardLine&) = delete;
    ScoreboardLine& operator=(const ScoreboardLine&) = delete;

    // UI thread: ends the writer of the target before (a moment: it never waits on the board) and
    // starts one for this target, which begins with the last frame shown.
    void Connect(const ScoreboardTarget& target) override;
    // Any one thread at a time; never blocks.
    void Show(const ScoreboardFrame& frame) override;
    ScoreboardState State() const override;

private:
    class Writer;
    std::chrono::milliseconds retry_;
    std::chrono::milliseconds repeat_;
    std::optional<ScoreboardFrame> last_;
    std::unique_ptr<Writer> writer_;
};
