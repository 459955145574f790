#include "results/Sorting.h"

#include <gtest/gtest.h>

#include "results/ResultTable.h"

namespace {

std::vector<int> Order(std::vector<std::string_view> texts, TSortStyle style, char sep = ',') {
    return StableSortOrder(texts, style, sep);
}

}  // namespace

TEST(SortStyle, PerColumn) {
    EXPECT_EQ(SortGrid1etSortStyle(ColNr), ssNumeric);
    EXPECT_EQ(SortGrid1etSortStyle(ColName), ssNumeric);
    EXPECT_EQ(SortGrid1etSortStyle(ColDq), ssNumeric);
    EXPECT_EQ(SortGrid1etSortStyle(ColRang), ssNumeric);
    EXPECT_EQ(SortGrid1etSortStyle(ColStartPos), ssNumeric);
    EXPECT_EQ(SortGrid1etSortStyle(ColLaufzeit), ssCustom);
    EXPECT_EQ(SortGrid1etSortStyle(ColTotal), ssCustom);
    EXPECT_EQ(SortGrid1etSortStyle(ColPferd), ssNormal);
    EXPECT_EQ(SortGrid1etSortStyle(ColTeam), ssNormal);
    EXPECT_EQ(SortGrid1etSortStyle(ColStrafen), ssNormal);
    EXPECT_EQ(SortGrid1etSortStyle(ColGrund), ssNormal);
}

TEST(StableSortOrder, NumericComparesNumbersWithTheDecimalSeparator) {
    EXPECT_EQ(Order({"10", "9", "-1", "2,5", "2,25"}, ssNumeric),
              (std::vector<int>{2, 4, 3, 1, 0}));
    EXPECT_EQ(Order({"10", "2.5", "2.25"}, ssNumeric, '.'), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(Order({" 10 ", "9"}, ssNumeric), (std::vector<int>{1, 0}));
    EXPECT_EQ(Order({"1e1", "9"}, ssNumeric), (std::vector<int>{1, 0}));
}

TEST(StableSortOrder, NumericFallsBackToTextsForNonNumbers) {
    // "2.5" is no number with a comma separator: compared as text, "10" < "2.5".
    EXPECT_EQ(Order({"2.5", "10"}, ssNumeric), (std::vector<int>{1, 0}));
    EXPECT_EQ(Order({"b", "A", "1"}, ssNumeric), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(Order({"5", ""}, ssNumeric), (std::vector<int>{1, 0}));
}

TEST(StableSortOrder, NormalComparesBytesIgnoringAsciiCase) {
    EXPECT_EQ(Order({"b", "A", "a", "B", "Ä"}, ssNormal), (std::vector<int>{1, 2, 0, 3, 4}));
    EXPECT_EQ(Order({"10", "9", "100"}, ssNormal), (std::vector<int>{0, 2, 1}));
}

TEST(StableSortOrder, CustomSortsTimes) {
    EXPECT_EQ(Order({"", "DQ", "abc", "1:00,00", "9,99"}, ssCustom),
              (std::vector<int>{4, 3, 1, 2, 0}));
}

TEST(SortByColumn, DoesNothingWhileSortingIsClosed) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"2", "B"});
    table.SetRow(2, {"1", "A"});
    const auto revision = table.Revision();
    table.SortByColumn(ColNr, ',', Resolution::Hundredths);
    EXPECT_EQ(table.Cell(ColNr, 1), "2");
    EXPECT_EQ(table.Revision(), revision);
    EXPECT_EQ(table.SortOptions().SortCol, ColTotal);
}

TEST(SortByColumn, MovesWholeRowsAndLeavesCellsAndHeaderAlone) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"2", "Bea", "X", "T", "1,00", "0", "", "", "1,00", "", "1"});
    table.SetRow(2, {"1", "Al", "Y", "U", "2,00", "0", "", "", "2,00", "", "2"});
    table.SetCurrentRow(2);
    table.SortOptions().CanSort = true;
    table.SortByColumn(ColPferd, ',', Resolution::Hundredths);
    table.SortByColumn(ColNr, ',', Resolution::Hundredths);
    EXPECT_EQ(table.Cell(ColNr, 0), "Nr.");
    EXPECT_EQ(table.Row(1)[ColName], "Al");
    EXPECT_EQ(table.Row(1)[ColStartPos], "2");
    EXPECT_EQ(table.Row(2)[ColName], "Bea");
    EXPECT_EQ(table.Row(2)[ColTotal], "1,00");
    EXPECT_EQ(table.CurrentRow(), 2);
    EXPECT_EQ(table.SortOptions().SortCol, ColNr);
}

TEST(SortByColumn, KeepsCellTextsAsTheyAre) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"B"});
    table.SetRow(2, {"a"});
    table.SortOptions().CanSort = true;
    table.SortByColumn(ColNr, ',', Resolution::Hundredths);
    EXPECT_EQ(table.Cell(ColNr, 1), "a");
    EXPECT_EQ(table.Cell(ColNr, 2), "B");
}
