#include "files/Workbook.h"

#include <freexl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <unzip.h>

#include <zip.h>

#include <string>
#include <utility>
#include <vector>

#include "../results/TrickyClass.h"
#include "ShowDayTable.h"
#include "TempFolder.h"
#include "files/XlsxReader.h"
#include "results/Standing.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Writes the table of a plain class as a workbook.
FileWriteResult WritePlain(const ResultTable& table, const std::string& path,
                           const std::vector<KeptCell>& kept = {}) {
    return WriteWorkbookFile(table, MakeStanding(table, {}, {}), path, kept);
}

// An ".xlsx" of the given sheet and shared strings, as another program might write it; further
// sheets are only named in the workbook.
std::string XlsxOf(const std::string& sheet, const std::string& strings,
                   const std::string& furtherSheets = "") {
    TempFolder folder;
    const std::string path = folder.File("fremd.xlsx");
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>" +
             furtherSheets + "</sheets></workbook>"},
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
    ASSERT_TRUE(WritePlain(written, Path("Ergebnis")).Ok());

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

TEST_P(Workbook, SavedOverAWorkbookKeepsWhatLiesBesideTheTableButNoRowOfTheOldTable) {
    const std::string path = Path("Liste");
    const bool xlsx = std::string(GetParam()) == ".xlsx";
    if (xlsx) {
        // Six rows of an old table, a note beside it, a number further right and a line below
        // its end of data.
        std::string sheet;
        for (int row = 1; row <= 6; ++row) {
            const std::string r = std::to_string(row);
            sheet += "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + r + "</v></c><c r=\"B" + r +
                     "\" t=\"inlineStr\"><is><t>Alt " + r + "</t></is></c><c r=\"C" + r +
                     "\" t=\"inlineStr\"><is><t>Pferd " + r + "</t></is></c>" +
                     (row == 2 ? "<c r=\"L2\" t=\"inlineStr\"><is><t>Notiz</t></is></c>"
                                 "<c r=\"M2\"><v>42.5</v></c>"
                               : "") +
                     "</row>";
        }
        sheet += "<row r=\"9\"><c r=\"A9\" t=\"inlineStr\"><is><t>Kasse</t></is></c></row>";
        // A sheet of its own cannot be kept: the operator is asked.
        WriteAll(path, XlsxOf(sheet, "", "<sheet name=\"B\" sheetId=\"2\" r:id=\"rId3\"/>"));
        EXPECT_TRUE(ExistingWorkbook(ShowDayTable(1), path, ',').LosesCells);
        WriteAll(path, XlsxOf(sheet, ""));
    } else {
        ASSERT_TRUE(WritePlain(ShowDayTable(5), path).Ok());
    }
    const ResultTable table = ShowDayTable(1);

    const WorkbookOverwrite existing = ExistingWorkbook(table, path, ',');
    EXPECT_FALSE(existing.LosesCells);
    ASSERT_TRUE(WritePlain(table, path, existing.Kept).Ok());

    const std::string bytes = ReadAll(path);
    const WorkbookRows read = ReadWorkbook(path, bytes, ',');
    ASSERT_EQ(read.Error, "");
    ASSERT_EQ(read.Rows.size(), 2u);  // header and the one starter, nothing of the old six
    EXPECT_EQ(read.Rows[1][ColName], table.Cell(ColName, 1));
    if (xlsx) {
        const std::optional<std::vector<KeptCell>> cells = ReadXlsxCells(bytes, ',');
        ASSERT_TRUE(cells.has_value());
        std::vector<std::string> kept;
        for (const KeptCell& cell : *cells) {
            if (cell.Row >= table.RowCount() || cell.Col >= WorkbookColumns) {
                kept.push_back(std::to_string(cell.Row) + "/" + std::to_string(cell.Col) + " " +
                               (cell.Number ? std::to_string(*cell.Number) : cell.Text));
            }
        }
        EXPECT_THAT(kept, ElementsAre("1/11 Notiz", "1/12 42.500000", "8/0 Kasse"));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Workbook, testing::Values(".xls", ".xlsx"));

TEST(WorkbookFill, MarksTheTotalColumnsOfEachRun) {
    ResultTable table;
    table.SetRowCount(4);
    table.SetRow(1, {"1", "A", "B", "", "15,00", "0", "", "", "15,00", "1"});
    table.SetRow(2, {"2", "C", "D", "", "15,00", "0", "DQ", "Tonne", "DQ"});
    table.SetRow(3, {"3", "E", "F", "", "", "", "", "", " "});
    const Standing standing = MakeStanding(table, {}, {});
    std::vector<std::string> marks;
    for (int row = 0; row < 4; ++row) {
        std::string line;
        for (int col = 0; col < WorkbookColumns; ++col) {
            line += "-wgr"[static_cast<int>(WorkbookCellFill(standing, col, row))];
        }
        marks.push_back(line);
    }
    EXPECT_THAT(marks, ElementsAre("----------", "------g---", "------r---", "-------w--"));
}

// A German system: decimal commas wherever printf and friends look, for as long as this lives.
class GermanNumbers {
public:
    GermanNumbers() : de_(newlocale(LC_NUMERIC_MASK, "de_DE.UTF-8", locale_t{})) {
        if (de_ != locale_t{}) {
            previous_ = uselocale(de_);
        }
    }
    ~GermanNumbers() {
        if (de_ != locale_t{}) {
            uselocale(previous_);
            freelocale(de_);
        }
    }
    bool Available() const { return de_ != locale_t{}; }

private:
    locale_t de_;
    locale_t previous_{};
};

std::string UnzippedPart(const std::string& path, const char* part) {
    unzFile zip = unzOpen(path.c_str());
    std::string bytes;
    if (zip != nullptr && unzLocateFile(zip, part, 1) == UNZ_OK &&
        unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[4096];
        int count = 0;
        while ((count = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
        }
        unzCloseCurrentFile(zip);
    }
    if (zip != nullptr) {
        unzClose(zip);
    }
    return bytes;
}

// The type attribute of a cell of the sheet: "s" for text, "" for a number.
std::string CellType(const std::string& sheet, const std::string& reference) {
    const std::size_t cell = sheet.find("<c r=\"" + reference + "\"");
    if (cell == std::string::npos) {
        return "missing";
    }
    const std::string attributes = sheet.substr(cell, sheet.find('>', cell) - cell);
    const std::size_t type = attributes.find(" t=\"");
    return type == std::string::npos
               ? ""
               : attributes.substr(type + 4, attributes.find('"', type + 4) - (type + 4));
}

// An attribute value written with a decimal comma, as a German printf gives it: ="60,71".
bool HasDecimalCommaValue(const std::string& xml) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = xml.find("=\""); at != std::string::npos; at = xml.find("=\"", at + 1)) {
        std::size_t i = at + 2;
        while (i < xml.size() && digit(xml[i])) {
            ++i;
        }
        if (i == at + 2 || i >= xml.size() || xml[i] != ',') {
            continue;
        }
        const std::size_t decimals = ++i;
        while (i < xml.size() && digit(xml[i])) {
            ++i;
        }
        if (i > decimals && i < xml.size() && xml[i] == '"') {
            return true;
        }
    }
    return false;
}

TEST(XlsxWorkbook, HoldsNumbersAsNumberCellsWrittenTheSameOnAGermanSystem) {
    const GermanNumbers german;
    if (!german.Available()) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale (tools/setup generates it)";
    }
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"7", "Anna", "Blue", "", "1:05,23", "1", "", "", "1:10,23", "1"});
    table.SetRow(2, {"007", "Ben", "Rio", "", "15,20", "0", "DQ", "Tonne", "DQ", ""});
    TempFolder folder;
    const std::string path = folder.File("Ergebnis.xlsx");
    ASSERT_TRUE(WritePlain(table, path).Ok());

    const std::string sheet = UnzippedPart(path, "xl/worksheets/sheet1.xml");
    ASSERT_NE(sheet, "");
    EXPECT_FALSE(HasDecimalCommaValue(sheet)) << "a width or margin with a decimal comma";
    for (const char* number : {"A2", "E2", "F2", "I2", "J2", "E3", "F3"}) {
        EXPECT_EQ(CellType(sheet, number), "") << number;
    }
    for (const char* text : {"A1", "E1", "A3", "I3"}) {
        EXPECT_EQ(CellType(sheet, text), "s") << text;
    }
    const WorkbookRows read = ReadWorkbook(path, ReadAll(path), ',');
    ASSERT_EQ(read.Rows.size(), 3u);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < WorkbookColumns; ++col) {
            EXPECT_EQ(read.Rows[row][col], table.Cell(col, row)) << row << "," << col;
        }
    }
}

// The result workbook of the tricky class is marked as its standing decides: 101, disqualified
// in its DQ cell alone, and 102, in its total alone, are red in the DQ column; 103 without a
// time has a result and is green. Every run time and total that is a time is a number however
// it was typed, and reads back as a time of the class.
TEST(XlsxWorkbook, MarksTheTrickyClassAsItsStandingDecidesAndWritesEveryTimeAsANumber) {
    ResultTable table = TrickyTable();
    const int clara = table.FindRow("103");
    table.SetCell(ColLaufzeit, clara, "00:12,34");
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    const auto fill = [&](const char* number, int col) {
        return WorkbookCellFill(standing, col, table.FindRow(number));
    };
    EXPECT_EQ(fill("101", ColDq), CellFill::LightRed);
    EXPECT_EQ(fill("102", ColDq), CellFill::LightRed);
    EXPECT_EQ(fill("103", ColDq), CellFill::LightGreen);
    EXPECT_EQ(fill("107", ColDq), CellFill::LightGreen);
    EXPECT_EQ(fill("105", ColGrund), CellFill::White);
    EXPECT_EQ(fill("110", ColGrund), CellFill::White);

    TempFolder folder;
    const std::string path = folder.File("Ergebnis.xlsx");
    ASSERT_TRUE(WriteWorkbookFile(table, standing, path).Ok());
    const std::string sheet = UnzippedPart(path, "xl/worksheets/sheet1.xml");
    // Run time E and total I of 101 (sheet row 2), 103, 108 and 109.
    for (const char* number : {"E2", "I2", "E4", "I9", "E10", "I10"}) {
        EXPECT_EQ(CellType(sheet, number), "") << number;
    }
    for (const char* text : {"I3", "I4", "G2"}) {
        EXPECT_EQ(CellType(sheet, text), "s") << text;
    }
    const WorkbookRows read = ReadWorkbook(path, ReadAll(path), ',');
    ASSERT_EQ(read.Rows.size(), static_cast<std::size_t>(table.RowCount()));
    EXPECT_EQ(read.Rows[clara][ColLaufzeit], "12,340");
    table.SetCell(ColLaufzeit, clara, "12,340");
    for (int row = 0; row < table.RowCount(); ++row) {
        for (int col = 0; col < WorkbookColumns; ++col) {
            EXPECT_EQ(read.Rows[row][col], table.Cell(col, row)) << row << "," << col;
        }
    }
}

// The text of a cell of an ".xls", or "missing".
std::string XlsCell(const std::string& path, unsigned row, unsigned short col) {
    const void* handle = nullptr;
    std::string text = "missing";
    FreeXL_CellValue cell{};
    if (freexl_open(path.c_str(), &handle) == FREEXL_OK &&
        freexl_select_active_worksheet(handle, 0) == FREEXL_OK &&
        freexl_get_cell_value(handle, row, col, &cell) == FREEXL_OK &&
        (cell.type == FREEXL_CELL_SST_TEXT || cell.type == FREEXL_CELL_TEXT)) {
        text = cell.value.text_value;
    }
    freexl_close(handle);
    return text;
}

TEST_P(Workbook, DivisionColumnsFollowColumnKSoTheTableStillReadsBackAsWritten) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"7", "Anna", "Blue", "", "15,234", "0", "", "", "15,234", "1", "1"});
    table.SetRow(2, {"8", "Ben", "Rio", "", "15,900", "0", "", "", "15,900", "2", "2"});
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500};
    const std::string path = Path("Ergebnis");
    ASSERT_TRUE(WriteWorkbookFile(table, MakeStanding(table, rules, {}), path).Ok());

    const WorkbookRows read = ReadWorkbook(path, ReadAll(path), ',');
    ASSERT_EQ(read.Error, "");
    ASSERT_EQ(read.Rows.size(), 3u);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < WorkbookColumns; ++col) {
            EXPECT_EQ(read.Rows[row][col], table.Cell(col, row)) << row << "," << col;
        }
        EXPECT_EQ(read.Rows[row][ColStartPos], "") << "row " << row;
    }
    if (std::string(GetParam()) == ".xls") {
        EXPECT_EQ(XlsCell(path, 0, 11), "Div.");
        EXPECT_EQ(XlsCell(path, 0, 12), "Pl. Div.");
        EXPECT_EQ(XlsCell(path, 2, 11), "2D");
        EXPECT_EQ(XlsCell(path, 2, 12), "1");
    } else {
        EXPECT_THAT(UnzippedPart(path, "xl/sharedStrings.xml"), HasSubstr("Pl. Div."));
        const std::string sheet = UnzippedPart(path, "xl/worksheets/sheet1.xml");
        for (const char* cell : {"L1", "M1", "L2", "M3"}) {
            EXPECT_THAT(sheet, HasSubstr("<c r=\"" + std::string(cell) + "\"")) << cell;
        }
        EXPECT_THAT(sheet, ::testing::Not(HasSubstr("<c r=\"K2\""))) << "K is read back";
    }
}

}  // namespace
