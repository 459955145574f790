#include "results/TimeText.h"

#include <gtest/gtest.h>

#include "results/ResultRules.h"

TEST(TimeText, DropsLeadingZerosDownToTheUnitsOfSeconds) {
    EXPECT_EQ(FormatTimeText(0, ',', Resolution::Hundredths), "0,00");
    EXPECT_EQ(FormatTimeText(500, ',', Resolution::Hundredths), "0,50");
    EXPECT_EQ(FormatTimeText(5230, ',', Resolution::Hundredths), "5,23");
    EXPECT_EQ(FormatTimeText(15230, ',', Resolution::Hundredths), "15,23");
    EXPECT_EQ(FormatTimeText(61040, ',', Resolution::Hundredths), "1:01,04");
    EXPECT_EQ(FormatTimeText(725230, ',', Resolution::Hundredths), "12:05,23");
}

TEST(TimeText, CutsHundredthsInsteadOfRounding) {
    EXPECT_EQ(FormatTimeText(59999, ',', Resolution::Hundredths), "59,99");
    EXPECT_EQ(FormatTimeText(59, ',', Resolution::Hundredths), "0,05");
}

TEST(TimeText, ThousandthsAreShownCutAndReadBack) {
    EXPECT_EQ(FormatTimeText(15234, ',', Resolution::Thousandths), "15,234");
    EXPECT_EQ(FormatTimeText(61009, '.', Resolution::Thousandths), "1:01.009");
    EXPECT_EQ(FormatTimeText(15239, ',', Resolution::Hundredths), "15,23");
    for (int ms : {0, 1, 999, 15234, 59999, 725230})
        EXPECT_EQ(ReadTotal(FormatTimeText(ms, ',', Resolution::Thousandths)), ms) << ms;
}

// An hour-long text (a forgotten stop) stays an hour long: it must never read as a fast run.
TEST(TimeText, CountsAnHourAndMoreInMinutes) {
    EXPECT_EQ(FormatTimeText(3600000, ',', Resolution::Hundredths), "60:00,00");
    EXPECT_EQ(FormatTimeText(3662300, ',', Resolution::Thousandths), "61:02,300");
    EXPECT_EQ(ReadTotal(FormatTimeText(3662300, ',', Resolution::Thousandths)), 3662300);
}

TEST(TimeText, WritesTheGivenSeparatorAndIsReadWithEither) {
    EXPECT_EQ(FormatTimeText(61040, '.', Resolution::Hundredths), "1:01.04");
    EXPECT_EQ(ReadTotal("1:01.04"), 61040);
    EXPECT_EQ(ReadTotal("1:01,04"), 61040);
}

TEST(TimeText, ReadsBackWhatItFormats) {
    for (int ms : {0, 10, 990, 5230, 15230, 59990, 61040, 605230, 3599990}) {
        EXPECT_EQ(ReadTotal(FormatTimeText(ms, ',', Resolution::Hundredths)), ms) << ms;
    }
}
