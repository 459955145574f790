#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What reading gives for a text that is not a time.
inline constexpr int UnreadableTime = 2147483646;

// "m:ss,hh" with leading characters dropped down to the units digit of the seconds
// (5,23; 15,23; 1:05,23). Hundredths are cut, not rounded; an hour or more wraps.
std::string FormatTimeText(std::int64_t ms, char decimalSeparator);

// Milliseconds of a time text; UnreadableTime when a part is not a number.
// A text longer than eight characters reads as zero. The decimal separator may be ',' or '.'
// whatever the system's is, so a protocol written on a system with the other one ranks right.
int ReadTimeText(std::string_view text);

// Whether two time texts are the same but for the decimal separator ("12,34" and "12.34").
bool SameTimeText(std::string_view a, std::string_view b);
