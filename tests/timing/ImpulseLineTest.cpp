#include "timing/ImpulseLine.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t At(int h, int m, int s, int tenThousandths) {
    return ((h * 60LL + m) * 60 + s) * TimerTicksPerSecond + tenThousandths;
}

}  // namespace

TEST(ImpulseLine, ReadsNumberChannelAndTimeOfDayToTheTenThousandth) {
    const struct {
        const char* line;
        TimerImpulse impulse;
    } cases[] = {
        {" 0012 c0  13:05:07.1234", {12, 0, At(13, 5, 7, 1234)}},
        {" 0013 c1  13:05:21.0051", {13, 1, At(13, 5, 21, 51)}},
        {"?0014 c1M 23:59:59.9999", {14, 1, At(23, 59, 59, 9999)}},
        {" 9999 C12 00:00:00.0000", {9999, 12, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto impulse = ParseImpulseLine(c.line);
        ASSERT_TRUE(impulse.has_value());
        EXPECT_EQ(*impulse, c.impulse);
    }
}

TEST(ImpulseLine, RefusesEveryLineItDoesNotFullyUnderstand) {
    for (const char* line : {
             "",
             " 0012 c0  13:05:07.123 ",   // a digit short
             " 0012 c0  13:05:07.12345",  // a digit too many
             " 00a2 c0  13:05:07.1234",   // number not digits
             " 0012 d0  13:05:07.1234",   // not a channel
             " 0012 c   13:05:07.1234",   // channel without its digit
             " 0012 c0  24:05:07.1234",   // no such hour
             " 0012 c0  13:60:07.1234",   // no such minute
             " 0012 c0  13:05:07,1234",   // comma for the point
             " 0012 c0  13-05-07.1234",   // other separators
             " 0012c0   13:05:07.1234",   // fields shifted
             "\x01"
             "0012 c0  1\x02:05:07.1234",  // line noise
         }) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(ParseImpulseLine(line).has_value());
    }
}

TEST(ImpulseLine, RunOverMidnightCountsOnIntoTheNextDay) {
    EXPECT_EQ(TimerRunTicks(At(13, 5, 7, 1234), At(13, 5, 21, 51)), At(0, 0, 13, 8817));
    EXPECT_EQ(TimerRunTicks(At(23, 59, 50, 5000), At(0, 0, 2, 2500)), At(0, 0, 11, 7500));
    EXPECT_EQ(TimerRunTicks(At(23, 59, 59, 9999), At(0, 0, 0, 0)), 1);
}

TEST(ImpulseLine, TimerTicksBecomeCounterTicksExactly) {
    const std::int64_t ns = 1'000'000'000;
    EXPECT_EQ(TimerTicksToCounter(At(0, 0, 13, 8817), ns), 13'881'700'000);
    EXPECT_EQ(TimerTicksToCounter(TimerDay, ns), 86'400 * ns);
    EXPECT_EQ(TimeOfDayText(At(9, 5, 7, 51)), "09:05:07.0051");
}

TEST(ImpulseLine, UnknownFormatNameFallsBackToTheDefault) {
    EXPECT_EQ(FindTimerLineFormat("yNNNNxCCCxHH:MM:SS.zhtq").Parse, &ParseImpulseLine);
    EXPECT_EQ(&FindTimerLineFormat("kein Format"), &TimerLineFormats.front());
}
