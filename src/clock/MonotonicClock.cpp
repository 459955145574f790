#include "clock/MonotonicClock.h"

#include <time.h>

std::int64_t MonotonicRawNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<std::int64_t>(now.tv_sec) * MonotonicRawFrequency + now.tv_nsec;
}

std::int64_t WallClockOffsetMs() {
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    const std::int64_t wallMs =
        static_cast<std::int64_t>(wall.tv_sec) * 1000 + wall.tv_nsec / 1'000'000;
    return wallMs - MonotonicRawNow() / (MonotonicRawFrequency / 1000);
}
