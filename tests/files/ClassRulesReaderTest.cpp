#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "files/ClassRulesReader.h"
#include "files/ShowFile.h"

namespace {

using nlohmann::json;

TEST(ClassRulesReader, ReadsDivisionsMoneyAndSharesExactly) {
    const ClassRulesReading reading = ReadClassRules(json::parse(R"({
        "name": "Open", "thousandths": true, "divisions": [0.5, 1.0, 1.5],
        "payout": {"entry_fee": 40, "office_fee": 7.5, "payback_percent": 80, "added": 250.25,
                   "division_percent": [40, 30, 20, 10], "places": [4, 3, 2, 1],
                   "place_percent": {"4": [40, 30, 20, 10]}, "unplaced": "split"}})"));
    ASSERT_TRUE(reading.Ok()) << reading.Error;
    const ClassRules& rules = reading.Rules;
    EXPECT_TRUE(rules.Thousandths);
    EXPECT_EQ(rules.DivisionOffsetsMs, (std::vector<int>{500, 1000, 1500}));
    ASSERT_TRUE(rules.HasPayout);
    EXPECT_EQ(rules.Payout.EntryFeeCents, 4000);
    EXPECT_EQ(rules.Payout.OfficeFeeCents, 750);
    EXPECT_EQ(rules.Payout.AddedCents, 25025);
    EXPECT_EQ(rules.Payout.PaybackShare, 8000);
    EXPECT_EQ(rules.Payout.PlacesPaid, (std::vector<int>{4, 3, 2, 1}));
    // Counts the file leaves out come from the default table.
    EXPECT_EQ(rules.Payout.PlaceShares.at(3), DefaultShares(3));
    EXPECT_EQ(rules.Payout.PlaceShares.at(1), DefaultShares(1));
    EXPECT_EQ(rules.Payout.Unplaced, UnplacedMoney::Split);
}

TEST(ClassRulesReader, SettingsThatDoNotAddUpAreRefusedNamingTheKey) {
    const struct {
        const char* classObject;
        const char* key;
    } cases[] = {
        {R"({"divisions": [0.5], "payout": {"division_percent": [60, 30]}})",
         "payout.division_percent: die Anteile ergeben 90 statt 100 Prozent"},
        {R"({"divisions": [0.5], "payout": {"division_percent": [100]}})",
         "payout.division_percent: 1 Anteile für 2 Divisionen"},
        {R"({"payout": {"places": 4, "place_percent": {"4": [50, 30, 20]}}})",
         "payout.place_percent.4: 3 Anteile für 4 Plätze"},
        {R"({"payout": {"places": 7}})", "payout.place_percent: keine Anteile für 7"},
        {R"({"divisions": [1.0, 0.5]})", "divisions[1]"},
        {R"({"divisions": [0.5, 1, 1.5, 2, 2.5]})", "divisions: höchstens 5"},
        {R"({"payout": {"entry_fee": 12.345}})", "payout.entry_fee"},
        {R"({"payout": {"entry_fee": 10, "office_fee": 12}})", "payout.office_fee"},
        {R"({"payout": {"unplaced": "keep"}})", "payout.unplaced"},
        {R"({"thousandths": "yes"})", "thousandths"},
    };
    for (const auto& c : cases) {
        const ClassRulesReading reading = ReadClassRules(json::parse(c.classObject));
        EXPECT_EQ(reading.Error.rfind(c.key, 0), 0u) << c.classObject << " -> " << reading.Error;
    }
}

}  // namespace

TEST(ClassRulesReader, AShowClassBringsItsTeamRuleIntoItsRules) {
    std::string error;
    const std::optional<ShowData> show = ParseShowText(
        R"({"classes": [{"name": "M", "file": "m.txt", "team": {"best": 3}, "thousandths": true},
                         {"name": "O", "file": "o.txt"}]})",
        error);
    ASSERT_TRUE(show) << error;
    const ClassRulesReading teams = ReadShowClassRules(show->Classes[0]);
    ASSERT_TRUE(teams.Ok()) << teams.Error;
    EXPECT_EQ(teams.Rules.TeamBest, 3);
    EXPECT_TRUE(teams.Rules.Thousandths);
    EXPECT_EQ(ReadShowClassRules(show->Classes[1]).Rules.TeamBest, 0);
}
