#include "timing/TickMath.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(TicksToMs, RoundsToNearestWithHalfToEven) {
    // 2000 ticks per second: one tick is half a millisecond.
    EXPECT_EQ(TicksToMs(1, 2000), 0);
    EXPECT_EQ(TicksToMs(3, 2000), 2);
    EXPECT_EQ(TicksToMs(5, 2000), 2);
    EXPECT_EQ(TicksToMs(7, 2000), 4);
    // 3 ticks per second: 1 tick is 333.33 ms, 2 ticks 666.67 ms.
    EXPECT_EQ(TicksToMs(1, 3), 333);
    EXPECT_EQ(TicksToMs(2, 3), 667);
    EXPECT_EQ(TicksToMs(599'996'000, 10'000'000), 60000);
}

TEST(TicksToMs, StaysExactForHugeTickCounts) {
    const std::int64_t base = 9'000'000'000'000'000'000;  // 9e18 ns = 9e12 ms
    EXPECT_EQ(TicksToMs(base, 1'000'000'000), 9'000'000'000'000);
    EXPECT_EQ(TicksToMs(base + 500'000, 1'000'000'000), 9'000'000'000'000);
    EXPECT_EQ(TicksToMs(base + 1'500'000, 1'000'000'000), 9'000'000'000'002);
    EXPECT_EQ(TicksToMs(base + 500'001, 1'000'000'000), 9'000'000'000'001);
    EXPECT_EQ(TicksToMs(INT64_MAX, 1'000'000'000), 9'223'372'036'855);
}

TEST(TicksToMs, IsSymmetricForNegativeTicksAndZeroForNoFrequency) {
    EXPECT_EQ(TicksToMs(-3, 2000), -2);
    EXPECT_EQ(TicksToMs(-15'000, 1000), -15'000);
    EXPECT_EQ(TicksToMs(1000, 0), 0);
}

TEST(FormatRunTime, CutsHundredthsAfterRoundingTheTicks) {
    const std::int64_t f = 10'000'000;  // 10 MHz
    EXPECT_EQ(FormatRunTime(0, f, ',', Resolution::Hundredths), "0,00");
    EXPECT_EQ(FormatRunTime(500'000, f, ',', Resolution::Hundredths), "0,05");
    EXPECT_EQ(FormatRunTime(52'300'000, f, ',', Resolution::Hundredths), "5,23");
    EXPECT_EQ(FormatRunTime(599'950'000, f, ',', Resolution::Hundredths), "59,99");
    EXPECT_EQ(FormatRunTime(599'996'000, f, ',', Resolution::Hundredths), "1:00,00");
    EXPECT_EQ(FormatRunTime(6'052'300'000, f, '.', Resolution::Hundredths), "10:05.23");
}
