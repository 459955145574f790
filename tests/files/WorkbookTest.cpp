#include "files/Workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <string>

#include "../results/FakeTextMeasure.h"
#include "TempFolder.h"
#include "files/Loading.h"
#include "results/Ranking.h"
#include "results/StartList.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A show-day table: German letters, DQ and unrun rows, blanks, a text long enough to be split
// across records, the team column hidden and many distinct texts.
ResultTable ShowDayTable(int starters) {
    ResultTable table;
    table.SetRowCount(starters + 1);
    for (int i = 1; i <= starters; ++i) {
        const std::string nr = std::to_string(i);
        switch (i % 3) {
            case 0:
                table.SetRow(i, {nr, "Jürgen Weiß " + nr, "Äskulap", "Team Süd", "16,02", "1", "",
                                 "", "21,02", "1"});
                break;
            case 1:
                table.SetRow(i, {nr, "Anna Müller", "Blitz " + nr, " ", "15,00", "0", "DQ",
                                 "Tonne umgeworfen", "DQ"});
                break;
            default:
                table.SetRow(i, {nr, "Zoë Øster", "Ölgemälde"});
        }
    }
    table.SetCell(ColGrund, 1, std::string(6000, 'x') + "ß");
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    return table;
}

class Workbook : public testing::TestWithParam<const char*> {
protected:
    std::string Path(const std::string& title) const { return folder_.File(title + GetParam()); }

    TempFolder folder_;
    ResultTable table_;
    Ranking ranking_{table_, ','};
    FakeTextMeasure measure_;
    StartList starters_{table_, ranking_, measure_};
};

TEST_P(Workbook, WrittenTableReadsBackCellForCellWithHiddenColumnsInPlace) {
    const ResultTable written = ShowDayTable(1000);
    ASSERT_TRUE(WriteWorkbookFile(written, Path("Ergebnis")).Ok());

    const std::string bytes = ReadAll(Path("Ergebnis"));
    const WorkbookRows read = ReadWorkbook(Path("Ergebnis"), bytes, ',');

    ASSERT_EQ(read.Error, "");
    ASSERT_EQ(read.Rows.size(), 1001u);
    for (int row = 0; row <= 1000; ++row) {
        for (int col = 0; col < WorkbookColumns; ++col) {
            ASSERT_EQ(read.Rows[row][col], written.Cell(col, row))
                << "row " << row << " col " << col;
        }
        ASSERT_EQ(read.Rows[row][ColStartPos], "") << "row " << row;
    }
}

TEST_P(Workbook, FailedLoadsLeaveTheTableAsItWasAndSayWhy) {
    std::filesystem::copy_file(std::filesystem::path(CORRALIX_TEST_DATA) / "Starterliste.txt",
                               folder_.File("liste.txt"));
    ASSERT_EQ(LoadChosenFile(folder_.File("liste.txt"), table_, starters_, ranking_, measure_, ','),
              "");
    const ResultTable before = table_;
    ResultTable headerOnly;
    headerOnly.SetRowCount(1);
    ResultTable riderless = ShowDayTable(3);
    for (int row = 1; row <= 3; ++row) {
        riderless.SetCell(ColName, row, "");
        riderless.SetCell(ColPferd, row, " ");
    }
    ASSERT_TRUE(WriteWorkbookFile(headerOnly, Path("leer")).Ok());
    ASSERT_TRUE(WriteWorkbookFile(riderless, Path("ohne")).Ok());
    ASSERT_TRUE(WriteWorkbookFile(ShowDayTable(50), Path("kaputt")).Ok());
    const std::string whole = ReadAll(Path("kaputt"));
    WriteAll(Path("kaputt"), whole.substr(0, whole.size() / 2));
    WriteAll(Path("text"), "1;Anna;Blitz\r\n");

    for (const auto& [title, message] :
         {std::pair{"leer", "Keine Starter gefunden"}, std::pair{"ohne", "Keine Starter gefunden"},
          std::pair{"kaputt", "Arbeitsmappe"}, std::pair{"text", "keine Excel-Arbeitsmappe"}}) {
        EXPECT_THAT(ReloadFile(Path(title), table_, starters_, ','), HasSubstr(message)) << title;
        for (int row = 0; row < before.RowCount(); ++row) {
            EXPECT_EQ(table_.Row(row), before.Row(row)) << title << " row " << row;
        }
        EXPECT_EQ(table_.RowCount(), before.RowCount()) << title;
        EXPECT_EQ(starters_.StNrItems(), std::vector<std::string>({"7", "3", "12"})) << title;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Workbook, testing::Values(".xls", ".xlsx"));

TEST(WorkbookFill, MarksTheTotalColumnsOfEachRun) {
    ResultTable table;
    table.SetRowCount(4);
    table.SetRow(1, {"1", "A", "B", "", "15,00", "0", "", "", "15,00", "1"});
    table.SetRow(2, {"2", "C", "D", "", "15,00", "0", "DQ", "Tonne", "DQ"});
    table.SetRow(3, {"3", "E", "F", "", "", "", "", "", " "});
    std::vector<std::string> marks;
    for (int row = 0; row < 4; ++row) {
        std::string line;
        for (int col = 0; col < WorkbookColumns; ++col) {
            line += "-wgr"[static_cast<int>(WorkbookCellFill(table, col, row))];
        }
        marks.push_back(line);
    }
    EXPECT_THAT(marks, ElementsAre("----------", "------g---", "------r---", "-------w--"));
}

// Another program's ".xlsx", saved under ".xls": numbers as the table shows them, the data
// ends at the first row without rider and horse, empty result headers come back.
TEST(WorkbookLoad, ForeignWorkbookLoadsByContentWithNumbersAsShown) {
    TempFolder folder;
    const std::string path = folder.File("Starter.xls");
    lxw_workbook* book = workbook_new(path.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "Nr.", nullptr);
    worksheet_write_string(sheet, 0, 1, "Name", nullptr);
    worksheet_write_string(sheet, 0, 2, "Pferd", nullptr);
    worksheet_write_number(sheet, 1, 0, 12, nullptr);
    worksheet_write_string(sheet, 1, 1, "Anna", nullptr);
    worksheet_write_string(sheet, 1, 2, "Blitz", nullptr);
    worksheet_write_number(sheet, 1, 4, 15.23, nullptr);
    worksheet_write_number(sheet, 2, 0, 1234567, nullptr);
    worksheet_write_string(sheet, 2, 2, "Rio", nullptr);
    worksheet_write_string(sheet, 4, 1, "nach dem Ende", nullptr);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    ResultTable table;
    Ranking ranking(table, ',');
    FakeTextMeasure measure;
    StartList starters(table, ranking, measure);

    ASSERT_EQ(ReloadFile(path, table, starters, ','), "");

    EXPECT_THAT(table.Column(ColNr), ElementsAre("Nr.", "12", "1234567"));
    EXPECT_THAT(table.Column(ColLaufzeit), ElementsAre("Laufzeit", "15,23", ""));
    EXPECT_EQ(table.Cell(ColStartPos, 2), "2");
}

// Made by LibreOffice Calc: a start list typed into a sheet, saved as ".xls".
TEST(WorkbookLoad, SpreadsheetProgramsXlsLoadsWithNumbersAndDates) {
    ResultTable table;
    Ranking ranking(table, ',');
    FakeTextMeasure measure;
    StartList starters(table, ranking, measure);

    ASSERT_EQ(ReloadFile(std::string(CORRALIX_TEST_DATA) + "/Starterliste-Calc.xls", table,
                         starters, ','),
              "");

    EXPECT_THAT(table.Column(ColNr), ElementsAre("Nr.", "7", "3", "12"));
    EXPECT_THAT(table.Column(ColName), ElementsAre("Name", "Jürgen Weiß", "Zoë Øster", "Anna"));
    EXPECT_THAT(table.Column(ColLaufzeit), ElementsAre("Laufzeit", "15,23", "", "2026-12-07"));
}

}  // namespace
