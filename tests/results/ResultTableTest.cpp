#include "results/ResultTable.h"

#include <gtest/gtest.h>

#include "FakeTextMeasure.h"

namespace {

ResultTable TableWithStartNumbers(const std::vector<std::string>& numbers) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(numbers.size()) + 1);
    for (int i = 0; i < static_cast<int>(numbers.size()); ++i) {
        table.SetRow(i + 1, {numbers[i], "Rider " + numbers[i]});
    }
    return table;
}

}  // namespace

TEST(ResultTableShape, StartsWithHeaderAndOneEmptyRowUnmodified) {
    ResultTable table;
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_FALSE(table.Modified());
    EXPECT_EQ(table.Cell(ColNr, 0), "Nr.");
    EXPECT_EQ(table.Cell(ColRang, 0), "Rang");
    EXPECT_EQ(table.Cell(ColStartPos, 0), "");
    EXPECT_EQ(table.ColWidth(ColNr), 68);
    EXPECT_FALSE(table.ColVisible(ColStartPos));
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        EXPECT_EQ(table.Cell(col, 1), "");
    }
}

TEST(ResultTableShape, SetRowFillsLeadingColumnsAndClearsTheRest) {
    ResultTable table;
    table.SetRow(1, {"1", "Anna", "Blue", "Team", "9,99", "0", "", "", "9,99", "1", "1", "extra"});
    table.SetRow(1, {"7", "Ben"});
    EXPECT_EQ(table.Cell(ColNr, 1), "7");
    EXPECT_EQ(table.Cell(ColName, 1), "Ben");
    EXPECT_EQ(table.Cell(ColPferd, 1), "");
    EXPECT_EQ(table.Cell(ColStartPos, 1), "");
}

TEST(ResultTableShape, KeepsTheHeaderRow) {
    ResultTable table;
    EXPECT_THROW(table.SetRowCount(0), std::out_of_range);
    EXPECT_THROW(table.SetBodyRows({}), std::invalid_argument);
}

TEST(ResultTableShape, RowsAddedAfterACutAreEmpty) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(2, {"5", "Anna"});
    table.SetRowCount(2);
    table.SetRowCount(3);
    EXPECT_EQ(table.Cell(ColNr, 2), "");
    EXPECT_EQ(table.Cell(ColName, 2), "");
}

TEST(ResultTableShape, CopiesAreIndependent) {
    ResultTable table;
    table.SetCell(ColName, 1, "Anna");
    ResultTable copy = table;
    copy.SetCell(ColName, 1, "Ben");
    EXPECT_EQ(table.Cell(ColName, 1), "Anna");
    table = copy;
    copy.SetCell(ColName, 1, "Cleo");
    EXPECT_EQ(table.Cell(ColName, 1), "Ben");
    EXPECT_EQ(table.Cell(ColNr, 0), "Nr.");
}

TEST(FindRow, IgnoresLetterCase) {
    const ResultTable table = TableWithStartNumbers({"12", "a7", "B3"});
    EXPECT_EQ(table.FindRow("A7"), 2);
    EXPECT_EQ(table.FindRow("b3"), 3);
    EXPECT_EQ(table.FindRow("99"), -1);
}

TEST(FindRow, NeverFindsTheHeader) {
    const ResultTable table = TableWithStartNumbers({"1"});
    EXPECT_EQ(table.FindRow("NR."), -1);
}

TEST(FindRow, FindsTheUpperOfTwoEqualStartNumbers) {
    const ResultTable table = TableWithStartNumbers({"5", "8", "5"});
    EXPECT_EQ(table.FindRow("5"), 1);
}

TEST(FindRow, EmptyStartNumberFindsTheEmptyRow) {
    const ResultTable empty;
    EXPECT_EQ(empty.FindRow(""), 1);
    const ResultTable table = TableWithStartNumbers({"1", "", "3"});
    EXPECT_EQ(table.FindRow(""), 2);
    EXPECT_EQ(TableWithStartNumbers({"1"}).FindRow(""), -1);
}

TEST(ModifiedFlag, IsSetByCellChangesOnly) {
    ResultTable table;
    table.SetCell(ColName, 1, "");
    EXPECT_FALSE(table.Modified());
    table.SetCell(ColName, 1, "Anna");
    EXPECT_TRUE(table.Modified());
    table.SetModified(false);
    table.SetCell(ColName, 1, "Anna");
    EXPECT_FALSE(table.Modified());
}

TEST(ModifiedFlag, IsSetByAChangeOfTheRowCount) {
    ResultTable table;
    table.SetRowCount(2);
    EXPECT_FALSE(table.Modified());
    table.SetRowCount(5);
    EXPECT_TRUE(table.Modified());
    table.SetModified(false);
    table.SetRowCount(3);
    EXPECT_TRUE(table.Modified());
}

TEST(ModifiedFlag, IsLeftAloneByReorderingAndWidths) {
    ResultTable table = TableWithStartNumbers({"2", "1"});
    table.SetModified(false);
    table.SetColWidth(ColName, 200);
    table.SetBodyRows({table.Row(2), table.Row(1)});
    EXPECT_EQ(table.Cell(ColNr, 1), "1");
    EXPECT_FALSE(table.Modified());
}

TEST(Revision, ChangesWithContentAndWidthButNotWithoutChange) {
    ResultTable table;
    const auto start = table.Revision();
    table.SetCell(ColName, 1, "");
    table.SetColWidth(ColName, table.ColWidth(ColName));
    EXPECT_EQ(table.Revision(), start);
    table.SetCell(ColName, 1, "x");
    EXPECT_GT(table.Revision(), start);
    const auto afterCell = table.Revision();
    table.SetColWidth(ColName, 10);
    EXPECT_GT(table.Revision(), afterCell);
}

TEST(FitColumnWidths, TakesTheWidestTextPlusAnX) {
    ResultTable table = TableWithStartNumbers({"1", "100"});
    table.SetCell(ColName, 2, "Very long name");
    FakeTextMeasure measure;
    table.FitColumnWidths(measure, false);
    // Header "Nr." is measured in the wider header font: 3 × 10 beats "100" at 3 × 7.
    EXPECT_EQ(table.ColWidth(ColNr), 30 + 10);
    EXPECT_EQ(table.ColWidth(ColName), 14 * 7 + 10);
}

TEST(FitColumnWidths, GivesAnEmptyColumnTheWidthOfTwoLetters) {
    ResultTable table;
    table.SetCell(ColGrund, 0, "");
    FakeTextMeasure measure;
    table.FitColumnWidths(measure, false);
    EXPECT_EQ(table.ColWidth(ColGrund), 20);
}

TEST(FitColumnWidths, LeavesHiddenColumnsUnlessAllAreAsked) {
    ResultTable table = TableWithStartNumbers({"1"});
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    FakeTextMeasure measure;
    table.FitColumnWidths(measure, false);
    EXPECT_FALSE(table.ColVisible(ColTeam));
    EXPECT_FALSE(table.ColVisible(ColStartPos));
    table.FitColumnWidths(measure, true);
    EXPECT_EQ(table.ColWidth(ColTeam), 4 * 10 + 10);
    EXPECT_EQ(table.ColWidth(ColStartPos), 20);
}

TEST(TrimText, RemovesBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(TrimText(" \t DQ \r\n"), "DQ");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimText("a b"), "a b");
}

TEST(AsciiLower, TouchesOnlyAsciiLetters) {
    EXPECT_EQ(AsciiLower("DQ Ä 1:05,23"), "dq Ä 1:05,23");
}
