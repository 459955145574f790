#include "results/TimeText.h"

#include <cstdio>

std::string FormatTimeText(std::int64_t ms, char decimalSeparator, Resolution resolution) {
    const bool thousandths = resolution == Resolution::Thousandths;
    const int fraction = static_cast<int>(thousandths ? ms % 1000 : (ms / 10) % 100);
    const int seconds = static_cast<int>((ms / 1000) % 60);
    const int minutes = static_cast<int>((ms / 60000) % 60);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d%c%0*d", minutes, seconds, decimalSeparator,
                  thousandths ? 3 : 2, fraction);
    std::string_view view(text);
    int dropped = 0;
    while (dropped < 4 && !(view[dropped] >= '1' && view[dropped] <= '9')) {
        ++dropped;
    }
    return std::string(view.substr(dropped));
}
