#include "files/Workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ShowDayTable.h"
#include "TempFolder.h"

namespace {

using ::testing::ElementsAre;

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
