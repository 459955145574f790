#include "results/ResultRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

TEST(ResultRules, DisqualifiedIsDqInAnyCaseWithBlanksAround) {
    for (std::string_view cell : {"DQ", "dq", "Dq", " dQ ", "\tDQ"}) {
        EXPECT_TRUE(IsDisqualified(cell)) << cell;
    }
    for (std::string_view cell : {"", " ", "D", "DQ1", "D Q", "12,00"}) {
        EXPECT_FALSE(IsDisqualified(cell)) << cell;
    }
}

TEST(ResultRules, ReadsEveryFormOfATimeAndNothingElse) {
    const struct {
        std::string_view text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"15", 15000},
        {"15,00", 15000},
        {"15.0", 15000},
        {"15,2", 15200},
        {"5,23", 5230},
        {" 9,99 ", 9990},
        {"1:05,23", 65230},
        {"1:05.23", 65230},
        {"00:15,234", 15234},
        {"12:05,234", 725234},
        {"123:45,67", 7425670},
        {"", std::nullopt},
        {"DQ", std::nullopt},
        {"abc", std::nullopt},
        {"1:0x,23", std::nullopt},
        {"5,2a", std::nullopt},
        {"-5,00", std::nullopt},
        {"1:5,23", std::nullopt},
        {"1:75,00", std::nullopt},
        {"15,", std::nullopt},
        {"15,2345", std::nullopt},
        {"1:2:03,00", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadTotal(c.text), c.ms) << c.text;
    }
}

TEST(ResultRules, EqualTimesAreEqualOnceCutToTheResolution) {
    EXPECT_TRUE(SameTotal(*ReadTotal("15"), *ReadTotal("15,00"), Resolution::Hundredths));
    EXPECT_TRUE(SameTotal(15234, 15239, Resolution::Hundredths));
    EXPECT_FALSE(SameTotal(15234, 15239, Resolution::Thousandths));
    EXPECT_FALSE(SameTotal(15230, 15240, Resolution::Hundredths));
}

TEST(ResultRules, OrdersTimesThenDqThenTextsThatAreNoTimeThenEmpty) {
    constexpr Resolution h = Resolution::Hundredths;
    EXPECT_EQ(CompareTotals("9,99", "10,00", h), -1);
    EXPECT_EQ(CompareTotals("9.99", "10,00", h), -1);
    EXPECT_EQ(CompareTotals("1:00,00", "59,99", h), 1);
    EXPECT_EQ(CompareTotals("15", "15,00", h), 0);
    EXPECT_EQ(CompareTotals("12:05,234", "12:05,23", h), 0);
    EXPECT_EQ(CompareTotals("12:05,234", "1:00,00", h), 1);
    EXPECT_EQ(CompareTotals("59:59,99", "DQ", h), -1);
    EXPECT_EQ(CompareTotals(" dq", "DQ", h), 0);
    EXPECT_EQ(CompareTotals("DQ", "abc", h), -1);
    EXPECT_EQ(CompareTotals("abc", "", h), -1);
    EXPECT_EQ(CompareTotals(" ", "", h), 0);
}

TEST(ResultRules, PenaltiesReadAsTheSecondsTheyAdd) {
    EXPECT_EQ(PenaltyTimeText("1", 5), "+5 s");
    EXPECT_EQ(PenaltyTimeText(" 2 ", 5), "+10 s");
    EXPECT_EQ(PenaltyTimeText("1", 3), "+3 s");
    for (const char* none : {"", "0", " 0", "DQ", "-1", "1,5", "99999"}) {
        EXPECT_EQ(PenaltyTimeText(none, 5), "") << none;
    }
}
