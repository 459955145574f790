#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One impulse a stand-alone timer reports on its output line: its running number, the channel
// (0 start, 1 finish, others are the timer's own) and the time of day it was taken at, in
// ten-thousandths of a second since midnight on the timer's own clock.
struct TimerImpulse {
    int Number = 0;
    int Channel = 0;
    std::int64_t TimeOfDay = 0;

    bool operator==(const TimerImpulse&) const = default;
};

// The channels that start and stop a run.
inline constexpr int StartChannel = 0;
inline constexpr int FinishChannel = 1;

// The timer's clock: ten-thousandths of a second, a day long before it begins again at midnight.
inline constexpr std::int64_t TimerTicksPerSecond = 10'000;
inline constexpr std::int64_t TimerDay = 24 * 60 * 60 * TimerTicksPerSecond;

// How a timer's line is read: the name the setting TimerFormat holds, and the parser of one line
// (without its line end). A parser returns nothing for a line it does not fully understand; it
// never guesses a field.
struct TimerLineFormat {
    std::string_view Name;
    std::optional<TimerImpulse> (*Parse)(std::string_view line);
};

// "yNNNNxCCCxHH:MM:SS.zhtq": y a flag character, NNNN the impulse number, CCC the channel ("c0 "
// start, "c1 " finish, a letter after the digit allowed: "c1M"), HH:MM:SS.zhtq the time of day
// to the ten-thousandth; x a blank.
std::optional<TimerImpulse> ParseImpulseLine(std::string_view line);

// Every format the program reads; the first is the default. A new format is one parser and one
// line here.
inline constexpr std::array<TimerLineFormat, 1> TimerLineFormats{{
    {"yNNNNxCCCxHH:MM:SS.zhtq", &ParseImpulseLine},
}};

// The format of that name; the default for a name the program does not know.
const TimerLineFormat& FindTimerLineFormat(std::string_view name);

// The run time between a start and a finish impulse of the timer's clock, in its ticks; a run
// over midnight is counted on into the next day.
std::int64_t TimerRunTicks(std::int64_t startTimeOfDay, std::int64_t finishTimeOfDay);

// A time of day of the timer's clock as ticks of a counter of that frequency (exact for
// frequencies that are multiples of TimerTicksPerSecond).
std::int64_t TimerTicksToCounter(std::int64_t timerTicks, std::int64_t frequency);

// The timer's time of day as people read it: "13:05:07.1234".
std::string TimeOfDayText(std::int64_t timeOfDay);
