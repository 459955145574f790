#include "timing/ImpulseLine.h"

#include <cstdio>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits of line[from, from + count) as a number; nothing when one is not a digit.
std::optional<int> Digits(std::string_view line, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (!IsDigit(line[i])) {
            return std::nullopt;
        }
        value = value * 10 + (line[i] - '0');
    }
    return value;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::optional<TimerImpulse> ParseImpulseLine(std::string_view line) {
    // y NNNN x CCC x HH : MM : SS . zhtq
    // 0 1..4 5 6..8 9 10,11 12 13,14 15 16,17 18 19..22
    constexpr std::size_t Length = 23;
    if (line.size() != Length || line[5] != ' ' || line[9] != ' ' || line[12] != ':' ||
        line[15] != ':' || line[18] != '.') {
        return std::nullopt;
    }
    const auto number = Digits(line, 1, 4);
    // The channel: "c" and a digit, then a second digit, a blank or a letter (a marked impulse).
    if ((line[6] != 'c' && line[6] != 'C') || !IsDigit(line[7]) ||
        !(IsDigit(line[8]) || line[8] == ' ' || IsLetter(line[8]))) {
        return std::nullopt;
    }
    const int channel = IsDigit(line[8]) ? (line[7] - '0') * 10 + (line[8] - '0') : line[7] - '0';
    const auto hours = Digits(line, 10, 2);
    const auto minutes = Digits(line, 13, 2);
    const auto seconds = Digits(line, 16, 2);
    const auto fraction = Digits(line, 19, 4);
    if (!number || !hours || !minutes || !seconds || !fraction || *hours > 23 || *minutes > 59 ||
        *seconds > 59) {
        return std::nullopt;
    }
    const std::int64_t timeOfDay =
        ((*hours * 60LL + *minutes) * 60 + *seconds) * TimerTicksPerSecond + *fraction;
    return TimerImpulse{*number, channel, timeOfDay};
}

const TimerLineFormat& FindTimerLineFormat(std::string_view name) {
    for (const TimerLineFormat& format : TimerLineFormats) {
        if (format.Name == name) {
            return format;
        }
    }
    return TimerLineFormats.front();
}

std::int64_t TimerRunTicks(std::int64_t startTimeOfDay, std::int64_t finishTimeOfDay) {
    return ((finishTimeOfDay - startTimeOfDay) % TimerDay + TimerDay) % TimerDay;
}

std::int64_t TimerTicksToCounter(std::int64_t timerTicks, std::int64_t frequency) {
    return timerTicks / TimerTicksPerSecond * frequency +
           timerTicks % TimerTicksPerSecond * frequency / TimerTicksPerSecond;
}

std::string TimeOfDayText(std::int64_t timeOfDay) {
    const std::int64_t seconds = timeOfDay / TimerTicksPerSecond;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%04d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(timeOfDay % TimerTicksPerSecond));
    return text;
}
