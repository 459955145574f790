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

// A run is the difference of its two stamps at their full precision, cut once to the class's
// resolution: 3,600666 s is 3,600 in thousandths, 1,49976 s is 1,49 in hundredths. Sport timing
// never shows a run longer than it was.
TEST(FormatRunTime, CutsTheStampsDifferenceToTheResolutionNeverRoundingUp) {
    const std::int64_t f = 1'000'000'000;  // nanosecond stamps
    const std::int64_t start = 123'456'789'012;
    const auto run = [&](std::int64_t ns, Resolution resolution) {
        return FormatRunTime(start + ns - start, f, ',', resolution);
    };
    EXPECT_EQ(run(3'600'666'000, Resolution::Thousandths), "3,600");
    EXPECT_EQ(run(3'600'999'999, Resolution::Thousandths), "3,600");
    EXPECT_EQ(run(3'601'000'000, Resolution::Thousandths), "3,601");
    EXPECT_EQ(run(1'499'760'000, Resolution::Hundredths), "1,49");
    EXPECT_EQ(run(15'239'999'999, Resolution::Hundredths), "15,23");
    EXPECT_EQ(run(59'999'999'999, Resolution::Hundredths), "59,99");
    EXPECT_EQ(run(60'000'000'000, Resolution::Hundredths), "1:00,00");
    EXPECT_EQ(RunTimeMs(1'999, 2'000), 999) << "a counter of other frequency cuts the same";
    EXPECT_EQ(RunTimeMs(-5, 2'000), 0);
    EXPECT_EQ(RunTimeMs(1'000, 0), 0);
}
