#include "core/ClassJournal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../files/TempFolder.h"
#include "files/FileIo.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class ClassJournalTest : public ::testing::Test {
protected:
    ClassJournalTest() {
        ResultTable table;
        table.SetRowCount(3);
        table.SetRow(1, {"7", "Anna", "Blue", "", "", "", "", "", "", "", "1"});
        table.SetRow(2, {"9", "Ben", "Rio", "", "", "", "", "", "", "", "2"});
        journal.Open(0, files, table);
    }
    std::string Log() const { return ReadFileBytes(files.Log).value_or(""); }

    TempFolder folder;
    ClassFiles files{folder.File("open.txt.log"), folder.File("open.txt")};
    // Places as a standing would give them: here simply the row's number once it has a total.
    ClassJournal journal{::write, [](const ResultTable& table) {
                             std::vector<std::string> places(table.RowCount());
                             for (int row = 1; row < table.RowCount(); ++row) {
                                 places[row] =
                                     table.Cell(ColTotal, row).empty() ? "" : std::to_string(row);
                             }
                             return places;
                         }};
};

}  // namespace

TEST_F(ClassJournalTest, EveryChangeIsLoggedWithItsLabelWrittenToTheClassFileAndUndone) {
    journal.Apply(
        "Eintrag", [](ResultTable& table) { table.SetCell(ColTotal, 2, "15,23"); },
        "Lichtschranke Start 1, Stopp 2");
    EXPECT_EQ(journal.Table().Cell(ColRang, 2), "2") << "places follow every change";
    EXPECT_THAT(Log(), HasSubstr("| Eintrag (Lichtschranke Start 1, Stopp 2) | Pos. 2, Nr. 9"));
    EXPECT_THAT(ReadFileBytes(files.Table).value_or(""), HasSubstr("15,23"));

    ASSERT_TRUE(journal.Undo());
    EXPECT_EQ(journal.Table().Cell(ColTotal, 2), "");
    EXPECT_EQ(journal.Table().Cell(ColRang, 2), "");
    EXPECT_THAT(Log(), HasSubstr("| Rückgängig | Pos. 2, Nr. 9"));
    EXPECT_THAT(ReadFileBytes(files.Table).value_or(""), Not(HasSubstr("15,23")));
    EXPECT_FALSE(journal.Undo()) << "the undo itself is not undone";
    EXPECT_EQ(journal.UnrecordedChanges(), 0);
}

// A cell changed behind the journal's back is found, kept (logged and undoable, so nothing is
// lost) and counted, so that every test of the program fails on such a path.
TEST_F(ClassJournalTest, ACellChangedWithoutTheJournalIsCaughtAndCounted) {
    journal.View().SetCell(ColTotal, 1, "14,00");
    journal.View().Rearrange({2, 1});  // the view's order and widths are no change of a result
    journal.View().SetColWidth(ColName, 300);
    journal.CatchUnrecorded();
    EXPECT_EQ(journal.UnrecordedChanges(), 1);
    EXPECT_THAT(Log(), HasSubstr("| Korrektur (nicht erfasst) | Pos. 1, Nr. 7, Anna | Total"));

    journal.View().Rearrange({2, 1});
    journal.CatchUnrecorded();
    EXPECT_EQ(journal.UnrecordedChanges(), 1) << "moving rows changes no result";
    ASSERT_TRUE(journal.Undo());
    EXPECT_EQ(journal.Table().Cell(ColTotal, journal.Table().FindRow("7")), "");
}
