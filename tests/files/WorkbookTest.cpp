#include "files/Workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zip.h>

#include <string>
#include <utility>
#include <vector>

#include "ShowDayTable.h"
#include "TempFolder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// An ".xlsx" of the given sheet and shared strings, as another program might write it.
std::string XlsxOf(const std::string& sheet, const std::string& strings) {
    TempFolder folder;
    const std::string path = folder.File("fremd.xlsx");
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
         "</workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
         "Target=\"sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"x/sharedStrings\" "
         "Target=\"strings.xml\"/></Relationships>"},
        {"xl/sheet1.xml", "<worksheet><sheetData>" + sheet + "</sheetData></worksheet>"},
        {"xl/strings.xml", "<sst>" + strings + "</sst>"},
    };
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    for (const auto& [name, xml] : parts) {
        zipOpenNewFileInZip(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_BEST_SPEED);
        zipWriteInFileInZip(zip, xml.data(), static_cast<unsigned>(xml.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    return ReadAll(path);
}

std::string Rows(int count) {
    std::string rows;
    for (int row = 1; row <= count; ++row) {
        const std::string r = std::to_string(row);
        rows += "<row r=\"" + r + "\"><c r=\"B" + r + "\" t=\"s\"><v>0</v></c></row>";
    }
    return rows;
}

TEST(WorkbookLimits, AStartListBeyondItsSizeIsRefusedAsTooLargeWhileItIsRead) {
    std::string manyStrings;
    for (std::size_t i = 0; i <= MaxSheetStrings; ++i) {
        manyStrings += "<si/>";
    }
    const struct {
        std::string sheet;
        std::string strings;
        std::string limit;
    } cases[] = {
        {Rows(3), "<si><t>Anna</t></si>" + manyStrings, "mehr als 200000 Texte"},
        {Rows(MaxSheetRows + 1), "<si><t>Anna</t></si>", "mehr als 10000 Zeilen"},
        {Rows(3) + std::string(MaxUnpackedBytes, ' '), "<si><t>Anna</t></si>",
         "mehr als 64 MB entpackt"},
        {Rows(3), "<si><t>" + std::string(MaxSheetTextBytes / 4, 'x') + "</t></si>",
         "mehr als 32 MB Text"},
    };
    for (const auto& c : cases) {
        const WorkbookRows read = ReadWorkbook("fremd.xlsx", XlsxOf(c.sheet, c.strings), ',');
        EXPECT_THAT(read.Error, HasSubstr("zu groß für eine Starterliste (" + c.limit + ")"));
        EXPECT_TRUE(read.Rows.empty());
    }
    EXPECT_EQ(ReadWorkbook("fremd.xlsx", XlsxOf(Rows(3), "<si><t>Anna</t></si>"), ',').Rows.size(),
              3U);
}

TEST(WorkbookLimits, ARowNumberOutOfRangeEndsTheDataWithoutArithmeticOnIt) {
    for (const std::string number : {"-9223372036854775808", "9223372036854775807", "0"}) {
        const WorkbookRows read = ReadWorkbook(
            "fremd.xlsx",
            XlsxOf(Rows(2) + "<row r=\"" + number + "\"><c r=\"B3\" t=\"s\"><v>0</v></c></row>",
                   "<si><t>Anna</t></si>"),
            ',');
        EXPECT_EQ(read.Error, "") << number;
        EXPECT_EQ(read.Rows.size(), 2U) << number;
    }
}

class Workbook : public testing::TestWithParam<const char*> {
protected:
    std::string Path(const std::string& title) const { return folder_.File(title + GetParam()); }

    TempFolder folder_;
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

}  // namespace
