#include "timing/MonotonicTimeSource.h"

#include <time.h>

std::int64_t MonotonicTimeSource::ReadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
