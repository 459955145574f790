#include "results/TimeText.h"

#include <gtest/gtest.h>

#include "results/ResultRules.h"

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

TEST(TimeText, ThousandthsAreShownCutAndReadBack) {
    EXPECT_EQ(FormatTimeText(15234, ',', Resolution::Thousandths), "15,234");
    EXPECT_EQ(FormatTimeText(61009, '.', Resolution::Thousandths), "1:01.009");
    EXPECT_EQ(FormatTimeText(15239, ',', Resolution::Hundredths), "15,23");
    for (int ms : {0, 1, 999, 15234, 59999, 725230})
        EXPECT_EQ(ReadTotal(FormatTimeText(ms, ',', Resolution::Thousandths)), ms) << ms;
}

TEST(TimeText, WrapsAnHourAndMore) {
    EXPECT_EQ(FormatTimeText(3600000, ','), "0,00");
    EXPECT_EQ(FormatTimeText(3605230, ','), "5,23");
}

TEST(TimeText, WritesTheGivenSeparatorAndIsReadWithEither) {
    EXPECT_EQ(FormatTimeText(61040, '.'), "1:01.04");
    EXPECT_EQ(ReadTotal("1:01.04"), 61040);
    EXPECT_EQ(ReadTotal("1:01,04"), 61040);
}

TEST(TimeText, ReadsBackWhatItFormats) {
    for (int ms : {0, 10, 990, 5230, 15230, 59990, 61040, 605230, 3599990}) {
        EXPECT_EQ(ReadTotal(FormatTimeText(ms, ',')), ms) << ms;
    }
}
