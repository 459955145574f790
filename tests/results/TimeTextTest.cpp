#include "results/TimeText.h"

#include <gtest/gtest.h>

TEST(TimeText, DropsLeadingZerosDownToTheUnitsOfSeconds) {
    EXPECT_EQ(FormatTimeText(0, ','), "0,00");
    EXPECT_EQ(FormatTimeText(500, ','), "0,50");
    EXPECT_EQ(FormatTimeText(5230, ','), "5,23");
    EXPECT_EQ(FormatTimeText(15230, ','), "15,23");
    EXPECT_EQ(FormatTimeText(61040, ','), "1:01,04");
    EXPECT_EQ(FormatTimeText(725230, ','), "12:05,23");
}

TEST(TimeText, CutsHundredthsInsteadOfRounding) {
    EXPECT_EQ(FormatTimeText(59999, ','), "59,99");
    EXPECT_EQ(FormatTimeText(59, ','), "0,05");
}

TEST(TimeText, WrapsAnHourAndMore) {
    EXPECT_EQ(FormatTimeText(3600000, ','), "0,00");
    EXPECT_EQ(FormatTimeText(3605230, ','), "5,23");
}

TEST(TimeText, WritesTheGivenSeparatorAndReadsEither) {
    EXPECT_EQ(FormatTimeText(61040, '.'), "1:01.04");
    EXPECT_EQ(ReadTimeText("1:01.04"), 61040);
    EXPECT_EQ(ReadTimeText("1:01,04"), 61040);
    EXPECT_EQ(ReadTimeText("12.3"), 12300);
    EXPECT_TRUE(SameTimeText("1:05,23", "1:05.23"));
    EXPECT_FALSE(SameTimeText("15", "15,00"));
}

TEST(TimeText, ReadsBackWhatItFormats) {
    for (int ms : {0, 10, 990, 5230, 15230, 59990, 61040, 605230, 3599990}) {
        EXPECT_EQ(ReadTimeText(FormatTimeText(ms, ',')), ms) << ms;
    }
}

TEST(TimeText, CompletesMissingHundredths) {
    EXPECT_EQ(ReadTimeText("15"), 15000);
    EXPECT_EQ(ReadTimeText("15,2"), 15200);
    EXPECT_EQ(ReadTimeText("5,23"), 5230);
    EXPECT_EQ(ReadTimeText("1:05,23"), 65230);
}

TEST(TimeText, ReadsOverlongTextsAsZero) {
    EXPECT_EQ(ReadTimeText("12:05,234"), 0);
    EXPECT_EQ(ReadTimeText("123:45:67,89"), 0);
}

TEST(TimeText, GivesUnreadableForTextsThatAreNoTime) {
    EXPECT_EQ(ReadTimeText("abc"), UnreadableTime);
    EXPECT_EQ(ReadTimeText("DQ"), UnreadableTime);
    EXPECT_EQ(ReadTimeText("1:0x,23"), UnreadableTime);
    EXPECT_EQ(ReadTimeText("5,2a"), UnreadableTime);
    EXPECT_EQ(UnreadableTime, 2147483646);
}
