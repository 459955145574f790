#include "results/Ranking.h"

#include <gtest/gtest.h>

#include "RankTable.h"
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

ResultTable RankedByTotal(const Texts& totals) {
    ResultTable table = TableWithTotals(totals);
    RankTable(table, true);
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
    RankTable(table);
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S1", "S2", "S3", "S4", "S5"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "3", "1", "", ""}));
}

TEST(RankAndSort, SharedPlacesSkipTheFollowingPlaces) {
    const ResultTable table = RankedByTotal({"20,00", "10,00", "15,00", "15,00", "15,00"});
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "2", "2", "2", "5"}));
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
    RankTable(table, true);
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"12,00", "dq", "DQ", " Dq ", "11,00"}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "", "", "", ""}));
}

// A total that is no time ("n.a.", typed for a rider who did not come) is shown as typed and sorts
// after the disqualified, but gets no place: a place is a rank among times.
TEST(RankAndSort, TotalsThatAreNoTimeComeAfterDqAndBeforeEmptyWithoutAPlace) {
    const ResultTable table = RankedByTotal({"  ", "n.a.", "DQ", "30,00"});
    EXPECT_EQ(ColumnBody(table, ColTotal), (Texts{"30,00", "DQ", "n.a.", "  "}));
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"1", "", "", ""}));
}

TEST(RankAndSort, EqualKeysKeepTheStartOrder) {
    const ResultTable table = RankedByTotal({"DQ", "12,00", "", "Dq", "12,00", "", "dQ"});
    EXPECT_EQ(ColumnBody(table, ColNr), (Texts{"S2", "S5", "S1", "S4", "S7", "S3", "S6"}));
}

TEST(RankAndSort, OldPlacesOfUnrankedRowsAreRemoved) {
    ResultTable table = TableWithTotals({"DQ", ""});
    table.SetCell(ColRang, 1, "1");
    table.SetCell(ColRang, 2, "2");
    RankTable(table);
    EXPECT_EQ(ColumnBody(table, ColRang), (Texts{"", ""}));
}

TEST(RankAndSort, KeepsTheCurrentRowIndex) {
    ResultTable table = TableWithTotals({"20,00", "10,00"});
    table.SetCurrentRow(1);
    RankTable(table, true);
    EXPECT_EQ(table.CurrentRow(), 1);
    EXPECT_EQ(table.Cell(ColNr, 1), "S2");
}

TEST(SortMode, StartPositionsSortAsNumbers) {
    // Slowest first, so the sorted view reverses the start order.
    ResultTable table = TableWithTotals({"11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1"});
    RankTable(table, true);
    ASSERT_EQ(table.Cell(ColNr, 1), "S11");
    RankTable(table, false);
    EXPECT_EQ(table.Cell(ColNr, 10), "S10");
    EXPECT_EQ(table.Cell(ColNr, 11), "S11");
}
