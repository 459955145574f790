#include "serial/MonotonicClock.h"

#include <time.h>

std::int64_t MonotonicRawNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<std::int64_t>(now.tv_sec) * MonotonicRawFrequency + now.tv_nsec;
}
