#pragma once

#include "clock/MonotonicClock.h"
#include "timing/TimingPorts.h"

// CLOCK_MONOTONIC_RAW in nanoseconds: never slewed by NTP. The serial watcher stamps CTS edges on
// the same clock, so edge timestamps and readings of this source can be subtracted.
class MonotonicTimeSource : public ITimeSource {
public:
    std::int64_t Now() const override { return MonotonicRawNow(); }
    std::int64_t CounterFrequency() const override { return MonotonicRawFrequency; }
};
