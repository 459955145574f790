#include "results/TimeText.h"

#include <cstdio>

std::string FormatTimeText(std::int64_t ms, char decimalSeparator, Resolution resolution) {
    const bool thousandths = resolution == Resolution::Thousandths;
    const bool negative = ms < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
    const auto fraction =
        static_cast<unsigned>(thousandths ? magnitude % 1000 : (magnitude / 10) % 100);
    const auto seconds = static_cast<unsigned>((magnitude / 1000) % 60);
    const std::uint64_t minutes = magnitude / 60000;
    char text[48];
    if (minutes > 0) {
        std::snprintf(text, sizeof text, "%s%llu:%02u%c%0*u", negative ? "-" : "",
                      static_cast<unsigned long long>(minutes), seconds, decimalSeparator,
                      thousandths ? 3 : 2, fraction);
    } else {
        std::snprintf(text, sizeof text, "%s%u%c%0*u", negative ? "-" : "", seconds,
                      decimalSeparator, thousandths ? 3 : 2, fraction);
    }
    return text;
}
