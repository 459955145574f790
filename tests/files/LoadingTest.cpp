#include "files/Loading.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../results/FakeTextMeasure.h"
#include "ShowDayTable.h"
#include "TempFolder.h"
#include "files/Workbook.h"
#include "results/Standing.h"
#include "results/StartList.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

class Loading : public testing::Test {
protected:
    // As the program loads: the file is read whole aside, and only then replaces the table.
    std::string Load(const std::string& path) {
        LoadedTable loaded = ReadChosenFile(path, table_, ',');
        if (loaded.Error.empty()) {
            table_ = std::move(loaded.Table);
            starters_.RebuildAfterLoad();
        }
        return loaded.Error;
    }

    TempFolder folder_;
    ResultTable table_;
    FakeTextMeasure measure_;
    StartList starters_{table_, measure_, ','};
};

TEST_F(Loading, ProtocolComesInStartOrderWithNumberedPositionsAndFittedWidths) {
    WriteAll(folder_.File("protokoll.txt"),
             "Nr.\tName\tPferd\tTeam\tLaufzeit\tStrafen\tDQ\tGrund\tTotal\tRang\t\r\n"
             "1\tAnna\tBlue\t\t16,01\t0\t\t\t16,01\t\t\r\n"
             "2\tBen\tRio\t\t15,23\t0\t\t\t15,23\t\t\r\n");
    starters_.cbTeamClick(false);

    ASSERT_EQ(Load(folder_.File("protokoll.txt")), "");

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1", "2")) << "start order stays";
    EXPECT_THAT(table_.Column(ColStartPos), ElementsAre("", "1", "2"));
    EXPECT_EQ(table_.ColWidth(ColName), 10 * 4 + 10) << "header 'Name' plus an X";
    EXPECT_EQ(table_.ColWidth(ColTeam), ResultTable::HiddenWidth) << "team switched off";
    EXPECT_EQ(table_.ColWidth(ColStartPos), ResultTable::HiddenWidth);
    EXPECT_EQ(starters_.PositionText(), "1:2");
}

TEST_F(Loading, AnUnknownFileIsRefusedWithAMessageAndKeepsTheTable) {
    WriteAll(folder_.File("liste.txt"), "1;Anna;Blue\r\n");
    Load(folder_.File("liste.txt"));
    table_.SetCell(ColTotal, 1, "15,23");
    table_.SetColWidth(ColName, 300);

    EXPECT_FALSE(Load(folder_.File("liste.pdf")).empty());

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1"));
    EXPECT_EQ(table_.Cell(ColTotal, 1), "15,23");
    EXPECT_EQ(table_.ColWidth(ColName), 300);
}

TEST_F(Loading, AFileWithoutStartersOrNoTextAtAllKeepsTheTableAndSaysWhy) {
    WriteAll(folder_.File("liste.txt"), "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Load(folder_.File("liste.txt"));
    table_.SetCell(ColTotal, 1, "15,23");
    const ResultTable before = table_;
    WriteAll(folder_.File("leer.txt"), "");
    WriteAll(folder_.File("kopf.txt"), "Nr.\tName\tPferd\r\n\t\t\r\n");
    WriteAll(folder_.File("bild.txt"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));

    for (const auto& [title, message] : {std::pair{"leer.txt", "Keine Starter gefunden"},
                                         std::pair{"kopf.txt", "Keine Starter gefunden"},
                                         std::pair{"bild.txt", "keine Textdatei"}}) {
        EXPECT_THAT(Load(folder_.File(title)), HasSubstr(message)) << title;
        for (int row = 0; row < before.RowCount(); ++row) {
            EXPECT_EQ(table_.Row(row), before.Row(row)) << title << " row " << row;
        }
        EXPECT_EQ(table_.RowCount(), before.RowCount()) << title;
    }
}

// A text list is held to what a workbook may hold: 10,000 lines, and a file of more than 64 MB is
// not even read (a 1 GB list took 23 GB of memory).
TEST_F(Loading, AListBeyondWhatAShowHoldsIsRefusedAndKeepsTheTable) {
    std::string lines;
    for (int line = 1; line <= 10000; ++line) {
        lines += std::to_string(line) + ";Reiter;Pferd\r\n";
    }
    WriteAll(folder_.File("voll.txt"), lines);
    WriteAll(folder_.File("zuviel.txt"), lines + "10001;Reiter;Pferd\r\n");
    // Sparse: 64 MB and a byte, without writing them.
    WriteAll(folder_.File("riesig.txt"), "1;Anna;Blue\r\n");
    std::filesystem::resize_file(folder_.File("riesig.txt"), MaxListFileBytes + 1);

    ASSERT_EQ(Load(folder_.File("voll.txt")), "");
    EXPECT_EQ(Load(folder_.File("zuviel.txt")),
              "Die Datei ist zu groß für eine Starterliste (mehr als 10000 Zeilen): " +
                  folder_.File("zuviel.txt"));
    EXPECT_EQ(Load(folder_.File("riesig.txt")),
              "Die Datei ist zu groß für eine Starterliste (mehr als 64 MB): " +
                  folder_.File("riesig.txt"));
    EXPECT_EQ(table_.RowCount(), 10001);
    EXPECT_EQ(table_.Cell(ColNr, 10000), "10000");
}

TEST_F(Loading, ReloadOfAVanishedFileKeepsTheTable) {
    WriteAll(folder_.File("liste.txt"), "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Load(folder_.File("liste.txt"));
    std::filesystem::remove(folder_.File("liste.txt"));

    EXPECT_FALSE(Load(folder_.File("liste.txt")).empty());
    EXPECT_FALSE(Load("").empty());

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1", "2"));
    EXPECT_EQ(starters_.StNrItems().size(), 2u);
}

TEST_F(Loading, FailedWorkbookLoadsLeaveTheTableAsItWasAndSayWhy) {
    std::filesystem::copy_file(std::filesystem::path(CORRALIX_TEST_DATA) / "Starterliste.txt",
                               folder_.File("liste.txt"));
    ASSERT_EQ(Load(folder_.File("liste.txt")), "");
    const ResultTable before = table_;
    ResultTable headerOnly;
    headerOnly.SetRowCount(1);
    ResultTable riderless = ShowDayTable(3);
    for (int row = 1; row <= 3; ++row) {
        riderless.SetCell(ColName, row, "");
        riderless.SetCell(ColPferd, row, " ");
    }
    const auto write = [](const ResultTable& table, const std::string& path) {
        return WriteWorkbookFile(table, MakeStanding(table, {}, {}), path).Ok();
    };
    for (const std::string extension : {".xls", ".xlsx"}) {
        const auto file = [&](const std::string& title) { return folder_.File(title + extension); };
        ASSERT_TRUE(write(headerOnly, file("leer")));
        ASSERT_TRUE(write(riderless, file("ohne")));
        ASSERT_TRUE(write(ShowDayTable(50), file("kaputt")));
        const std::string whole = ReadAll(file("kaputt"));
        WriteAll(file("kaputt"), whole.substr(0, whole.size() / 2));
        WriteAll(file("text"), "1;Anna;Blitz\r\n");

        for (const auto& [title, message] :
             {std::pair{"leer", "Keine Starter gefunden"},
              std::pair{"ohne", "Keine Starter gefunden"}, std::pair{"kaputt", "Arbeitsmappe"},
              std::pair{"text", "keine Excel-Arbeitsmappe"}}) {
            EXPECT_THAT(Load(file(title)), HasSubstr(message)) << title;
            for (int row = 0; row < before.RowCount(); ++row) {
                EXPECT_EQ(table_.Row(row), before.Row(row)) << title << " row " << row;
            }
            EXPECT_EQ(table_.RowCount(), before.RowCount()) << title;
            EXPECT_EQ(starters_.StNrItems(), std::vector<std::string>({"7", "3", "12"})) << title;
        }
    }
}

// Another program's ".xlsx", saved under ".xls": numbers as the table shows them, dates as the
// ".xls" reader gives them, the data ends at the first row without rider and horse, empty result
// headers come back.
TEST_F(Loading, ForeignWorkbookLoadsByContentWithNumbersAsShown) {
    const std::string path = folder_.File("Starter.xls");
    lxw_workbook* book = workbook_new(path.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "Nr.", nullptr);
    worksheet_write_string(sheet, 0, 1, "Name", nullptr);
    worksheet_write_string(sheet, 0, 2, "Pferd", nullptr);
    worksheet_write_number(sheet, 1, 0, 12, nullptr);
    worksheet_write_string(sheet, 1, 1, "Anna", nullptr);
    worksheet_write_string(sheet, 1, 2, "Blitz", nullptr);
    worksheet_write_number(sheet, 1, 4, 15.23, nullptr);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "dd.mm.yyyy hh:mm");
    lxw_datetime showDay{2026, 12, 7, 10, 30, 0};
    worksheet_write_datetime(sheet, 1, 3, &showDay, date);
    worksheet_write_number(sheet, 2, 0, 1234567, nullptr);
    worksheet_write_string(sheet, 2, 2, "Rio", nullptr);
    worksheet_write_string(sheet, 4, 1, "nach dem Ende", nullptr);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);

    ASSERT_EQ(Load(path), "");

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "12", "1234567"));
    EXPECT_THAT(table_.Column(ColLaufzeit), ElementsAre("Laufzeit", "15,23", ""));
    EXPECT_EQ(table_.Cell(ColTeam, 1), "2026-12-07 10:30:00")
        << "a date as the .xls reader gives it";
    EXPECT_EQ(table_.Cell(ColStartPos, 2), "2");
}

// Made by LibreOffice Calc: a start list typed into a sheet, saved as ".xls".
TEST_F(Loading, SpreadsheetProgramsXlsLoadsWithNumbersAndDates) {
    ASSERT_EQ(Load(std::string(CORRALIX_TEST_DATA) + "/Starterliste-Calc.xls"), "");

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "7", "3", "12"));
    EXPECT_THAT(table_.Column(ColName), ElementsAre("Name", "Jürgen Weiß", "Zoë Øster", "Anna"));
    EXPECT_THAT(table_.Column(ColLaufzeit), ElementsAre("Laufzeit", "15,23", "", "2026-12-07"));
}

// An old DOS editor ends the list with 0x1A and may leave anything after it.
TEST_F(Loading, BytesAfterTheEndOfDataByteDoNotMakeAListNoText) {
    WriteAll(folder_.File("dos.txt"),
             std::string("1;Anna;Blue\r\n2;Ben;Rio\r\n\x1a\x01\x02\0garbage", 36));
    ASSERT_EQ(Load(folder_.File("dos.txt")), "");
    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1", "2"));
}

}  // namespace
