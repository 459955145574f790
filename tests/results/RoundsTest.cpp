#include "results/Rounds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

// A table of starters: start number, rider and total (empty: still to run).
ResultTable Table(const std::vector<std::pair<std::string, std::string>>& starters) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(starters.size()) + 1);
    int row = 0;
    for (const auto& [number, total] : starters) {
        ++row;
        table.SetRow(row, {number, "Reiter " + number, "Pferd " + number, "", total,
                           total.empty() ? "" : "0", "", "", total, "", std::to_string(row)});
    }
    return table;
}

void SetTotal(ResultTable& table, const std::string& number, const std::string& total) {
    const int row = table.FindRow(number);
    table.SetCell(ColLaufzeit, row, total);
    table.SetCell(ColTotal, row, total);
}

// Pays the winner alone: 100,00 per entry, one place.
ClassRules WinnerTakesAll() {
    ClassRules rules;
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 10000;
    rules.Payout.DivisionShares = {FullShare};
    rules.Payout.PlacesPaid = {1};
    rules.Payout.PlaceShares[1] = {FullShare};
    return rules;
}

// Two go-rounds of the Open; 1 and 3 tie in the average behind 2.
struct GoRounds {
    ResultTable first = Table({{"1", "15,00"}, {"2", "15,50"}, {"3", "16,00"}});
    ResultTable second = Table({{"1", "16,00"}, {"2", "15,20"}, {"3", "15,00"}});

    std::vector<Round> Rounds() const {
        return {{"Open 1", MakeStanding(first, {}, {})}, {"Open 2", MakeStanding(second, {}, {})}};
    }
    Standing Average(const ClassRules& rules = {}) const {
        return MakeStanding(AverageTable(Rounds()).Table, rules, {});
    }
};

std::vector<std::string> RankedNumbers(const Standing& standing) {
    std::vector<std::string> numbers;
    for (const int row : standing.Ranked) {
        numbers.push_back(standing.At(row).StartNumber + ":" +
                          std::to_string(standing.At(row).Place));
    }
    return numbers;
}

const StandingRow& RowOf(const Standing& standing, const std::string& number) {
    for (const int row : standing.StartOrder) {
        if (standing.At(row).StartNumber == number) {
            return standing.At(row);
        }
    }
    static const StandingRow none;
    return none;
}

}  // namespace

TEST(Rounds, ACorrectionInTheFirstRoundReordersTheAverageAndMovesTheCarriedClassesMoney) {
    GoRounds open;
    const ResultTable youth = Table({{"3", ""}, {"2", ""}});
    const auto youthStanding = [&] {
        return MakeStanding(CarriedTable(youth, open.first).Table, WinnerTakesAll(), {});
    };
    Standing average = open.Average();
    EXPECT_THAT(RankedNumbers(average), ElementsAre("2:1", "1:2", "3:2"));
    EXPECT_EQ(RowOf(average, "2").Total, "30,70");
    EXPECT_EQ(RowOf(average, "2").RunTime, "15,50 + 15,20");
    EXPECT_EQ(RowOf(youthStanding(), "2").Cents, 20000);
    EXPECT_EQ(RowOf(youthStanding(), "3").Cents, 0);

    SetTotal(open.first, "2", "16,50");
    average = open.Average();
    EXPECT_THAT(RankedNumbers(average), ElementsAre("1:1", "3:1", "2:3"));
    EXPECT_EQ(RowOf(average, "2").Total, "31,70");
    EXPECT_EQ(RowOf(youthStanding(), "3").Cents, 20000);
    EXPECT_EQ(RowOf(youthStanding(), "2").Cents, 0);
    EXPECT_EQ(RowOf(youthStanding(), "2").Total, "16,50");
}

TEST(Rounds, ADqInTheSecondRoundTakesTheRiderOutOfTheAverageAndItsMoney) {
    GoRounds open;
    SetTotal(open.second, "2", "DQ");
    open.second.SetCell(ColGrund, open.second.FindRow("2"), "Tonne");
    const Standing average = open.Average(WinnerTakesAll());
    EXPECT_EQ(RowOf(average, "2").State, Validity::Disqualified);
    EXPECT_EQ(RowOf(average, "2").Place, 0);
    EXPECT_EQ(RowOf(average, "2").Reason, "DQ in Open 2");
    EXPECT_EQ(RowOf(average, "2").Cents, 0);
    EXPECT_THAT(RankedNumbers(average), ElementsAre("1:1", "3:1", "2:0"));
    // The tie for first shares the winner's money.
    EXPECT_EQ(RowOf(average, "1").Cents, 15000);
    EXPECT_EQ(RowOf(average, "3").Cents, 15000);
}

TEST(Rounds, WhileARoundIsRunOnlyThoseWhoRanEveryRoundSoFarArePlaced) {
    GoRounds open;
    open.second = Table({{"1", "16,00"}, {"2", ""}, {"3", ""}});
    DerivedTable average = AverageTable(open.Rounds());
    EXPECT_EQ(average.Rounds, 2);
    EXPECT_EQ(average.RoundsCounted, 2);
    Standing standing = MakeStanding(average.Table, {}, {});
    EXPECT_THAT(RankedNumbers(standing), ElementsAre("1:1", "2:0", "3:0"));
    EXPECT_EQ(RowOf(standing, "2").State, Validity::NoResult);

    // Before anybody has run the second round, the first one alone counts.
    open.second = Table({{"1", ""}, {"2", ""}, {"3", ""}});
    average = AverageTable(open.Rounds());
    EXPECT_EQ(average.RoundsCounted, 1);
    standing = MakeStanding(average.Table, {}, {});
    EXPECT_THAT(RankedNumbers(standing), ElementsAre("1:1", "2:2", "3:3"));
}

TEST(Rounds, ACarriedListReportsTheNumbersItsSourceLacksAndKeepsItsOwnScratch) {
    GoRounds open;
    ResultTable youth = Table({{"3", ""}, {"9", ""}, {"1", ""}});
    youth.SetCell(ColGrund, youth.FindRow("1"), "Abgemeldet");
    open.first.SetCell(ColStrafen, open.first.FindRow("3"), "1");
    const DerivedTable carried = CarriedTable(youth, open.first);
    EXPECT_THAT(carried.Missing, ElementsAre("9"));
    const Standing standing = MakeStanding(carried.Table, {}, {});
    EXPECT_EQ(RowOf(standing, "9").State, Validity::NoResult);
    EXPECT_EQ(RowOf(standing, "3").Penalties, "1");
    // Rider 1 ran the Open but scratched the youth class: not placed there.
    EXPECT_EQ(RowOf(standing, "1").State, Validity::Scratched);
    EXPECT_THAT(RankedNumbers(standing), ElementsAre("3:1", "9:0", "1:0"));
    // The youth class's own order and names stay.
    EXPECT_EQ(carried.Table.Cell(ColNr, 1), "3");
    EXPECT_EQ(carried.Table.Cell(ColStartPos, 2), "2");
}

TEST(Rounds, TheTimeNeededToLeadTheAverageIsTheOneThatTiesTheLeader) {
    GoRounds open;
    // Rider 2 is on course in the second round with 15,50 from the first; 1 and 3 lead on 31,00.
    open.second = Table({{"1", "16,00"}, {"2", ""}, {"3", "15,00"}});
    const Standing average = open.Average();
    const std::int64_t soFar = 15500;
    EXPECT_EQ(NeededForPlace(average, soFar, 1), 15500);
    EXPECT_EQ(NeededForPlace(average, soFar, 2), 15500);
    EXPECT_EQ(NeededForPlace(average, soFar, 3), std::nullopt);

    const AverageOutlook outlook = OutlookInAverage(open.Rounds(), 1, "2", {});
    EXPECT_TRUE(outlook.InAverage);
    EXPECT_EQ(outlook.SoFarMs, 15500);
    EXPECT_EQ(outlook.Place, 2);
    EXPECT_EQ(outlook.NeededMs, 15500);

    // Running exactly that ties for first; a hundredth more is third.
    SetTotal(open.second, "2", "15,50");
    EXPECT_EQ(RowOf(open.Average(), "2").Place, 1);
    SetTotal(open.second, "2", "15,51");
    EXPECT_EQ(RowOf(open.Average(), "2").Place, 3);
}

TEST(Rounds, TheTimesNeededForMoneyAreTheSlowestThatStillTieForAPaidPlaceInEachDivision) {
    // Two divisions a second apart, one paid place each; rider 5 is on course in the second
    // round with 15,00 from the first. The field: 30,00 and 30,50 in 1D, 31,20 and 31,60 in 2D.
    ClassRules rules;
    rules.DivisionOffsetsMs = {1000};
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 10000;
    rules.Payout.DivisionShares = {FullShare / 2, FullShare / 2};
    rules.Payout.PlacesPaid = {1, 1};
    rules.Payout.PlaceShares[1] = {FullShare};
    GoRounds open;
    open.first =
        Table({{"1", "15,00"}, {"2", "15,20"}, {"3", "15,60"}, {"4", "15,80"}, {"5", "15,00"}});
    open.second =
        Table({{"1", "15,00"}, {"2", "15,30"}, {"3", "15,60"}, {"4", "15,80"}, {"5", ""}});
    const AverageOutlook outlook = OutlookInAverage(open.Rounds(), 1, "5", rules);
    ASSERT_EQ(outlook.MoneyNeeds.size(), 2u);
    EXPECT_EQ(outlook.MoneyNeeds[0].Division, 1);
    EXPECT_EQ(outlook.MoneyNeeds[0].NeededMs, 15000);  // ties the leader on 30,00
    EXPECT_EQ(outlook.MoneyNeeds[1].Division, 2);
    EXPECT_EQ(outlook.MoneyNeeds[1].NeededMs, 16200);  // ties the 2D leader on 31,20

    // Running them is paid (a share of the tie); a hundredth more is not.
    const auto cents = [&](const std::string& run) {
        SetTotal(open.second, "5", run);
        return RowOf(open.Average(rules), "5").Cents;
    };
    EXPECT_GT(cents("15,00"), 0);
    EXPECT_EQ(cents("15,01"), 0);
    EXPECT_GT(cents("16,20"), 0);
    EXPECT_EQ(cents("16,21"), 0);
}
