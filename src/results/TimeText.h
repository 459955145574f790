#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "m:ss,hh" with leading characters dropped down to the units digit of the seconds
// (5,23; 15,23; 1:05,23). Hundredths are cut, not rounded; an hour or more wraps.
std::string FormatTimeText(std::int64_t ms, char decimalSeparator);

// Reading a time text back is ReadTotal in results/ResultRules.h.
