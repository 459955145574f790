#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "results/ResultRules.h"

// "m:ss,hh" with leading characters dropped down to the units digit of the seconds
// (5,23; 15,23; 1:05,23), or "m:ss,ttt" to the thousandth in a class timed to thousandths
// (15,234). Hundredths are cut, not rounded; an hour or more is counted in minutes (61:02,30).
std::string FormatTimeText(std::int64_t ms, char decimalSeparator, Resolution resolution);

// Reading a time text back is ReadTotal in results/ResultRules.h.
