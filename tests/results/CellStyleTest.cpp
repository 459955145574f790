#include "results/CellStyle.h"

#include <gtest/gtest.h>

#include "TrickyClass.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

const CellColour Base{CellPaint::Base, {}};
const CellColour Text{CellPaint::Text, {}};
const CellColour Highlight{CellPaint::Highlight, {}};
const CellColour HighlightedText{CellPaint::HighlightedText, {}};

CellColour Fixed(Rgb colour) {
    return {CellPaint::Fixed, colour};
}

// Row 1 won, row 2 was disqualified, row 3 has not run but a place typed in by hand, row 4 was
// third, row 5 is the current row and second.
ResultTable RankedTable() {
    ResultTable table;
    table.SetRowCount(6);
    table.SetRow(1, {"11", "Anna", "Blitz", "", "15,00", "0", "", "", "15,00", "1", "1"});
    table.SetRow(2, {"12", "Ben", "Dusty", "", "", "0", "DQ", "Tonne", "DQ", "", "2"});
    table.SetRow(3, {"13", "Cleo", "Comet", "", "", "", "", "", " ", "1", "3"});
    table.SetRow(4, {"14", "Dora", "Eiche", "", "17,00", "0", "", "", "17,00", "3", "4"});
    table.SetRow(5, {"15", "Emil", "Fuchs", "", "16,00", "0", "", "", "16,00", "2", "5"});
    table.SetCurrentRow(5);
    return table;
}

}  // namespace

TEST(CellFormat, ColoursPlacesAndDisqualificationAndKeepsTheCurrentRowSelected) {
    struct Case {
        int col;
        int row;
        bool selected;
        CellLook look;
    };
    const Case cases[] = {
        {ColNr, 0, false, {CellAlign::Left, Fixed(HeaderBackground), Text}},
        {ColTotal, 0, false, {CellAlign::Left, Fixed(HeaderBackground), Text}},
        {ColNr, 1, false, {CellAlign::Centre, Fixed(GoldBackground), Text}},
        {ColName, 1, false, {CellAlign::Left, Fixed(GoldBackground), Text}},
        {ColRang, 1, false, {CellAlign::Centre, Fixed(GoldBackground), Text}},
        {ColDq, 1, false, {CellAlign::Centre, Fixed(NotDqBackground), Text}},
        {ColStartPos, 1, false, {CellAlign::Right, Base, Base}},
        {ColTotal, 2, false, {CellAlign::Right, Fixed(RankedBackground), Text}},
        {ColDq, 2, false, {CellAlign::Centre, Fixed(DqBackground), Text}},
        // No total: white whatever the place column says.
        {ColName, 3, false, {CellAlign::Left, Base, Text}},
        {ColDq, 3, false, {CellAlign::Centre, Base, Text}},
        {ColLaufzeit, 4, false, {CellAlign::Right, Fixed(BronzeBackground), Text}},
        {ColStrafen, 4, false, {CellAlign::Centre, Fixed(BronzeBackground), Text}},
        // The current row: selection colours, DQ right-aligned, start position unseen.
        {ColName, 5, true, {CellAlign::Left, Highlight, HighlightedText}},
        {ColDq, 5, true, {CellAlign::Right, Highlight, HighlightedText}},
        {ColStartPos, 5, true, {CellAlign::Right, Highlight, Highlight}},
        // In edit mode only the focused cell of the current row is selected.
        {ColGrund, 5, false, {CellAlign::Left, Base, Text}},
    };
    const ResultTable table = RankedTable();
    const Standing standing = MakeStanding(table, {}, {});
    for (const Case& c : cases) {
        EXPECT_EQ(CellFormat(table, standing, c.col, c.row, c.selected), c.look)
            << "col " << c.col << ", row " << c.row;
    }
    ResultTable silver = table;
    silver.SetCurrentRow(1);
    EXPECT_EQ(CellFormat(silver, standing, ColPferd, 5, false).Background, Fixed(SilverBackground));
    // A starter who scratched is greyed.
    ResultTable scratched = table;
    scratched.SetCell(ColGrund, 3, " abgemeldet");
    scratched.SetCell(ColTotal, 3, "");
    EXPECT_EQ(CellFormat(scratched, MakeStanding(scratched, {}, {}), ColName, 3, false).Text,
              Fixed(ScratchedTextColour));
}

// The grid colours each row of the tricky class as its standing decides it, whatever the place
// and DQ cells say: a DQ in the DQ cell or in the total alone is a DQ, thousandths part 107 from
// 104 and 106, and a total that is no time has no place.
TEST(CellFormat, ColoursTheTrickyClassAsItsStandingDecides) {
    ResultTable table = TrickyTable();
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    // The place cells say otherwise: they are not read.
    for (int row = 1; row < table.RowCount(); ++row) {
        table.SetCell(ColRang, row, "1");
    }
    table.SetCurrentRow(-1);
    const auto look = [&](const char* number, int col) {
        return CellFormat(table, standing, col, table.FindRow(number), false);
    };
    const struct {
        const char* number;
        CellColour name;
        CellColour dq;
    } rows[] = {
        {"101", Fixed(RankedBackground), Fixed(DqBackground)},
        {"102", Fixed(RankedBackground), Fixed(DqBackground)},
        {"103", Fixed(RankedBackground), Fixed(NotDqBackground)},
        {"104", Fixed(SilverBackground), Fixed(NotDqBackground)},
        {"105", Base, Base},
        {"106", Fixed(SilverBackground), Fixed(NotDqBackground)},
        {"107", Fixed(GoldBackground), Fixed(NotDqBackground)},
        {"108", Fixed(RankedBackground), Fixed(NotDqBackground)},
        {"109", Fixed(RankedBackground), Fixed(NotDqBackground)},
        {"110", Base, Base},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(look(row.number, ColName).Background, row.name) << row.number;
        EXPECT_EQ(look(row.number, ColDq).Background, row.dq) << row.number;
    }
    EXPECT_EQ(look("105", ColName).Text, Fixed(ScratchedTextColour));
    EXPECT_EQ(look("110", ColName).Text, Text);
}

TEST(AcceptsEditText, EachColumnTakesTheCharactersOfItsContent) {
    struct Case {
        int col;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {ColNr, "7", false},
        {ColName, "Anna-Lena Weiß", true},
        {ColPferd, "Blitz 2", true},
        {ColTeam, "RC Süd; 1", true},
        {ColLaufzeit, "1:05,23", true},
        {ColLaufzeit, "1:05.23", true},
        {ColLaufzeit, "DQ", true},
        {ColLaufzeit, "5 s", false},
        {ColStrafen, "2", true},
        {ColStrafen, ",", false},
        {ColDq, "DQ", true},
        {ColDq, "1", false},
        {ColGrund, "Tonne 2", true},
        {ColTotal, "12.34", true},
        {ColTotal, "dq", true},
        {ColTotal, "12,3a", false},
        {ColRang, "12", true},
        {ColRang, ":", false},
        {ColStartPos, "1", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AcceptsEditText(c.col, c.text), c.accepted) << c.col << " " << c.text;
    }
    EXPECT_FALSE(ColumnEditable(ColNr));
    EXPECT_FALSE(ColumnEditable(ColStartPos));
    EXPECT_TRUE(ColumnEditable(ColRang));
}

TEST(ClearResults, EmptiesTheResultsAndKeepsStartListOrderAndCurrentRow) {
    ResultTable table = RankedTable();
    table.SetModified(false);
    EXPECT_TRUE(ClearResults(table));
    EXPECT_TRUE(table.Modified());
    for (int row = 1; row < table.RowCount(); ++row) {
        for (int col = ColLaufzeit; col <= ColRang; ++col) {
            EXPECT_EQ(TrimText(table.Cell(col, row)), "") << col << "," << row;
        }
        EXPECT_EQ(table.Cell(ColStartPos, row), std::to_string(row));
        EXPECT_EQ(CellFormat(table, MakeStanding(table, {}, {}), ColName, row, false).Background,
                  Base);
    }
    EXPECT_EQ(table.Cell(ColName, 2), "Ben");
    EXPECT_EQ(table.CurrentRow(), 5);

    table.SetModified(false);
    EXPECT_FALSE(ClearResults(table));
    EXPECT_FALSE(table.Modified());
}
