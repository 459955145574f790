#include "results/Ranking.h"

#include <gtest/gtest.h>

#include "results/ResultTable.h"

namespace {

// Rows in start order: start number "S1", "S2", …, the given total, start position 1, 2, ….
ResultTable TableWithTotals(const std::vector<std::string>& totals) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(totals.size()) + 1);
    for (int i = 0; i < static_cast<int>(totals.size()); ++i) {
        const std::string pos = std::to_string(i + 1);
        table.SetRow(i + 1, {"S" + pos, "", "", "", "", "", "", "", totals[i], "", pos});
    }
    return table;
}

std::vector<std::string> ColumnBody(const ResultTable& table, int col) {
    auto texts = table.Column(col);
    texts.erase(texts.begin());
    return texts;
}

using Texts = std::vector<std::string>;

// Ranks the totals in the view sorted by total.
ResultTable RankedByTotal(const Texts& totals) {
    ResultTable table = TableWithTotals(totals);
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.RankAndSort();
    return table;
}

}  // namespace

TEST(RankAndSort, SortedViewOrdersByTimeThenDqThenEmpty) {
    const ResultTable table = RankedByTotal({"15,23", "16,01", "15,23", "DQ", ""});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"15,23", "15,23", "16,01", "DQ", ""}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "1", "3", "", ""}));
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S1", "S3", "S2", "S4", "S5"}));
}

TEST(RankAndSort, StartOrderViewOnlyWritesPlaces) {
    ResultTable table = TableWithTotals({"15,23", "16,01", "15,23", "DQ", ""});
    Ranking ranking(table, ',');
    ranking.RankAndSort();
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S1", "S2", "S3", "S4", "S5"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "3", "1", "", ""}));
}

TEST(RankAndSort, SharedPlacesSkipTheFollowingPlaces) {
    const ResultTable table = RankedByTotal({"20,00", "10,00", "15,00", "15,00", "15,00"});
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "2", "2", "2", "5"}));
}

TEST(RankAndSort, ComparesTimesNotTexts) {
    const ResultTable table = RankedByTotal({"10,00", "1:00,00", "9,99"});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"9,99", "10,00", "1:00,00"}));
}

TEST(RankAndSort, EqualTimesShareAPlaceWhateverTheirText) {
    // "15" and "15,00" are the same time; "12:05,234" is a time of twelve minutes, not zero.
    const ResultTable table = RankedByTotal({"12:05,234", "15,00", "15", "1:00,00"});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"15,00", "15", "1:00,00", "12:05,234"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "1", "3", "4"}));
}

TEST(RankAndSort, TotalsWithTheOtherDecimalSeparatorRankAsTimes) {
    // A protocol saved with commas, continued on a system that writes points.
    const ResultTable table = RankedByTotal({"1:05.23", "12,34", "12.34", "9.99"});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"9.99", "12,34", "12.34", "1:05.23"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "2", "2", "4"}));
}

TEST(RankAndSort, DqInAnyCaseInTheTotalOrTheDqCellGetsNoPlace) {
    ResultTable table = TableWithTotals({"dq", "DQ", "12,00", " Dq ", "11,00"});
    table.SetCell(ColDq, 5, "dq");  // a correction of the DQ cell alone
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.RankAndSort();
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"12,00", "dq", "DQ", " Dq ", "11,00"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "", "", "", ""}));
}

TEST(RankAndSort, UnreadableTotalsComeAfterDqAndBeforeEmptyWithAPlace) {
    const ResultTable table = RankedByTotal({"  ", "abc", "DQ", "30,00"});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"30,00", "DQ", "abc", "  "}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "", "2", ""}));
}

TEST(RankAndSort, EqualKeysKeepTheirPreviousOrder) {
    const ResultTable table = RankedByTotal({"DQ", "12,00", "", "Dq", "12,00", "", "dQ"});
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S2", "S5", "S1", "S4", "S7", "S3", "S6"}));
}

TEST(RankAndSort, ManyEqualTotalsKeepTheStartOrder) {
    // Far more rows than a sort handles by insertion, so only a stable sort keeps this order.
    Texts totals;
    for (int i = 0; i < 300; ++i) {
        totals.push_back(i % 3 == 0 ? "15,00" : (i % 3 == 1 ? "DQ" : "14,99"));
    }
    const ResultTable table = RankedByTotal(totals);
    for (int row = 2; row < table.RowCount(); ++row) {
        if (table.Cell(ColTotal, row) == table.Cell(ColTotal, row - 1)) {
            ASSERT_LT(std::stoi(table.Cell(ColStartPos, row - 1)),
                      std::stoi(table.Cell(ColStartPos, row)))
                << "row " << row;
        }
    }
}

TEST(RankAndSort, OldPlacesOfUnrankedRowsAreRemoved) {
    ResultTable table = TableWithTotals({"DQ", ""});
    table.SetCell(ColRang, 1, "1");
    table.SetCell(ColRang, 2, "2");
    Ranking ranking(table, ',');
    ranking.RankAndSort();
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"", ""}));
}

TEST(RankAndSort, EmptyTableRanksToAnEmptyPlace) {
    ResultTable table;
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.RankAndSort();
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColRang, 1), "");
}

TEST(RankAndSort, ClosesSortingAgainAndKeepsTheCurrentRowIndex) {
    ResultTable table = TableWithTotals({"20,00", "10,00"});
    table.SetCurrentRow(1);
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.RankAndSort();
    EXPECT_FALSE(table.SortOptions().CanSort);
    EXPECT_EQ(table.SortOptions().SortCol, ColTotal);
    EXPECT_EQ(table.CurrentRow(), 1);
    EXPECT_EQ(table.Cell(ColNr, 1), "S2");
}

TEST(SortMode, ClickUpRestoresStartOrderAndKeepsPlaces) {
    ResultTable table = TableWithTotals({"20,00", "10,00", "DQ"});
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.cmd_SORTClick();
    ASSERT_EQ(ColumnBody(table, ColNr), (Texts{"S2", "S1", "S3"}));
    table.SetCell(ColTotal, 1, "5,00");  // edited, not ranked until the next ranking
    ranking.SetSortDown(false);
    ranking.cmd_SORTClick();
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S1", "S2", "S3"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"2", "1", ""}));
    EXPECT_EQ(table.SortOptions().SortCol, ColStartPos);
}

TEST(SortMode, StartPositionsSortAsNumbers) {
    // Slowest first, so the sorted view reverses the start order.
    ResultTable table = TableWithTotals({"11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1"});
    Ranking ranking(table, ',');
    ranking.SetSortDown(true);
    ranking.cmd_SORTClick();
    ranking.SetSortDown(false);
    ranking.cmd_SORTClick();
    EXPECT_EQ(table.Cell(ColNr, 10), "S10");
    EXPECT_EQ(table.Cell(ColNr, 11), "S11");
}

TEST(SortMode, ClickLeavesEditMode) {
    ResultTable table;
    table.SetEditMode(true);
    Ranking ranking(table, ',');
    ranking.cmd_SORTClick();
    EXPECT_FALSE(table.EditMode());
}

TEST(SortMode, F12TurnsTheButtonOverAndApplies) {
    ResultTable table = TableWithTotals({"20,00", "10,00"});
    Ranking ranking(table, ',');
    ranking.mSortModeClick();
    EXPECT_TRUE(ranking.SortDown());
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S2", "S1"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "2"}));
    ranking.mSortModeClick();
    EXPECT_FALSE(ranking.SortDown());
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S1", "S2"}));
}
