#include "results/TimeText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

std::string FormatTimeText(std::int64_t ms, char decimalSeparator) {
    const int hundredths = static_cast<int>((ms / 10) % 100);
    const int seconds = static_cast<int>((ms / 1000) % 60);
    const int minutes = static_cast<int>((ms / 60000) % 60);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d%c%02d", minutes, seconds, decimalSeparator,
                  hundredths);
    std::string_view view(text);
    int dropped = 0;
    while (dropped < 4 && !(view[dropped] >= '1' && view[dropped] <= '9')) {
        ++dropped;
    }
    return std::string(view.substr(dropped));
}

namespace {

bool ReadTwoDigits(std::string_view part, int& value) {
    // Like a decimal integer conversion: an optional sign and digits, nothing else.
    std::string_view digits = part;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return false;
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const char* first = part.data() + (part.front() == '+' ? 1 : 0);
    return std::from_chars(first, part.data() + part.size(), value).ec == std::errc();
}

}  // namespace

int ReadTimeText(std::string_view text) {
    std::string padded(text);
    const auto sep = padded.find_first_of(",.");
    const char decimalSeparator = sep == std::string::npos ? ',' : padded[sep];
    if (sep == std::string::npos) {
        padded += decimalSeparator;
        padded += "00";
    } else if (padded.size() - sep - 1 == 1) {
        padded += '0';
    }
    const std::string templ = std::string("00:00") + decimalSeparator + "00";
    if (padded.size() < 8) {
        padded = templ.substr(0, 8 - padded.size()) + padded;
    } else if (padded.size() > 8) {
        padded = templ + padded;
    }
    int minutes = 0;
    int seconds = 0;
    int hundredths = 0;
    const std::string_view view(padded);
    if (!ReadTwoDigits(view.substr(0, 2), minutes) || !ReadTwoDigits(view.substr(3, 2), seconds) ||
        !ReadTwoDigits(view.substr(6, 2), hundredths)) {
        return UnreadableTime;
    }
    return minutes * 60000 + seconds * 1000 + hundredths * 10;
}

bool SameTimeText(std::string_view a, std::string_view b) {
    auto separator = [](char c) { return c == ',' || c == '.'; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return x == y || (separator(x) && separator(y)); });
}
