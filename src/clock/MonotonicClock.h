#pragma once

#include <cstdint>

// The time base of every reading in the program: CLOCK_MONOTONIC_RAW in nanoseconds. Unlike
// CLOCK_MONOTONIC it is never slewed by NTP or chrony, so a run time is not stretched or shrunk
// while the system clock is being corrected.
std::int64_t MonotonicRawNow();

// Ticks of MonotonicRawNow per second.
inline constexpr std::int64_t MonotonicRawFrequency = 1'000'000'000;

// The wall clock (milliseconds since 1970) less MonotonicRawNow in milliseconds, as it is now:
// turns a run's start on the program's clock into a stamp any reader's clock understands.
std::int64_t WallClockOffsetMs();
