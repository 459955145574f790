#pragma once

#include "timing/TimingPorts.h"

// CLOCK_MONOTONIC_RAW in nanoseconds: never slewed by NTP. The serial watcher stamps CTS edges on
// the same clock, so edge timestamps and readings of this source can be subtracted.
class MonotonicTimeSource : public ITimeSource {
public:
    static std::int64_t ReadNanoseconds();

    std::int64_t Now() const override { return ReadNanoseconds(); }
    std::int64_t CounterFrequency() const override { return 1'000'000'000; }
};
