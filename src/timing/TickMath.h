#pragma once

#include <cstdint>
#include <string>

#include "results/ResultRules.h"

// Milliseconds of a tick count: ticks / frequency * 1000 to the nearest integer, an exact half
// going to the even neighbour. Exact integer arithmetic (no overflow for any 64-bit tick count
// at counter frequencies of 1 kHz and more); 0 for a frequency below 1.
std::int64_t TicksToMs(std::int64_t ticks, std::int64_t frequency);

// The whole milliseconds a run of that many ticks lasted: cut, never rounded up, so a run shown to
// the thousandth or the hundredth never reads longer than its stamps give (0 for no time).
std::int64_t RunTimeMs(std::int64_t ticks, std::int64_t frequency);

// Time text of a run of that many ticks (5,23; 1:05,23): cut to the resolution, never rounded.
std::string FormatRunTime(std::int64_t ticks, std::int64_t frequency, char decimalSeparator,
                          Resolution resolution);
