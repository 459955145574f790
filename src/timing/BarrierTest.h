#pragma once

#include <cstdint>
#include <deque>
#include <string>

// The operator's check of the light barrier before a show: every edge with the time since the one
// before, its level and what the trigger filter would make of it; each crossing with its bounces
// ("Kontakt prellt: 6 Flanken in 3 ms"); and a silence longer than SilenceMs. It only describes:
// nothing is timed while it runs. Times on the counter of the edge stamps; UI thread only.
class BarrierTest {
public:
    // A crossing ends when the beam is free again and no edge came for this long; a beam broken
    // for longer is still one crossing.
    static constexpr std::int64_t CrossingGapMs = 100;
    // Said when no edge came for this long.
    static constexpr std::int64_t SilenceMs = 10000;
    // Lines kept; older ones scroll away.
    static constexpr std::size_t MaxLines = 200;

    // alg: the polarity setting (0 triggers on CTS on, 1 on CTS off); timeLockMs: the start lock
    // after a trigger; status: the line at the start.
    BarrierTest(int alg, int timeLockMs, std::int64_t frequency, std::int64_t now,
                std::uint32_t status);

    // One edge as the port delivered it: the level it ended at, its stamp, how many changes.
    void Edge(std::uint32_t status, std::int64_t stamp, std::uint32_t count);
    // Once a second: ends a crossing that is over and says a long silence.
    void Tick(std::int64_t now);

    const std::deque<std::string>& Lines() const { return lines_; }
    int Crossings() const { return crossings_; }
    int BouncingCrossings() const { return bouncing_; }

private:
    std::int64_t ToUs(std::int64_t ticks) const { return ticks * 1'000'000 / frequency_; }
    bool AtRest() const;  // the line is at the level of a free beam
    void EndCrossing();
    void Say(std::string line);

    int alg_;
    std::int64_t lockTicks_;
    std::int64_t frequency_;
    std::uint32_t status_;
    std::int64_t lastEdge_;
    std::int64_t lastTrigger_ = 0;
    bool triggered_ = false;
    bool silenceSaid_ = false;
    // The crossing in progress: its edges and its first stamp (edges == 0: none).
    std::uint32_t edges_ = 0;
    std::int64_t crossingStart_ = 0;
    int crossings_ = 0;
    int bouncing_ = 0;
    std::deque<std::string> lines_;
};
