#include "timing/TickMath.h"

#include "results/TimeText.h"

namespace {

// 128 bits, so that ticks * 1000 cannot overflow.
__extension__ typedef unsigned __int128 Uint128;

}  // namespace

std::int64_t TicksToMs(std::int64_t ticks, std::int64_t frequency) {
    if (frequency < 1) {
        return 0;
    }
    // Rounding the magnitude keeps the result symmetric around zero.
    const bool negative = ticks < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(ticks) : static_cast<std::uint64_t>(ticks);
    const Uint128 scaled = static_cast<Uint128>(magnitude) * 1000;
    const auto f = static_cast<Uint128>(frequency);
    Uint128 ms = scaled / f;
    const Uint128 twiceRemainder = 2 * (scaled % f);
    if (twiceRemainder > f || (twiceRemainder == f && (ms & 1) != 0)) {
        ++ms;
    }
    const auto result = static_cast<std::int64_t>(ms);
    return negative ? -result : result;
}

std::int64_t RunTimeMs(std::int64_t ticks, std::int64_t frequency) {
    if (frequency < 1 || ticks <= 0) {
        return 0;
    }
    return static_cast<std::int64_t>(static_cast<Uint128>(ticks) * 1000 /
                                     static_cast<Uint128>(frequency));
}

std::string FormatRunTime(std::int64_t ticks, std::int64_t frequency, char decimalSeparator,
                          Resolution resolution) {
    return FormatTimeText(RunTimeMs(ticks, frequency), decimalSeparator, resolution);
}
