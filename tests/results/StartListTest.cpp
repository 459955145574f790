#include "results/StartList.h"

#include <gtest/gtest.h>

#include "FakeTextMeasure.h"
#include "results/ResultTable.h"

namespace {

struct Starter {
    std::string nr, rider, horse, team;
};

class StartListTest : public ::testing::Test {
protected:
    // Loads the starters as a start list does: columns 0 to 3 only, then the rebuild.
    void Load(const std::vector<Starter>& starters) {
        table_.SetRowCount(static_cast<int>(starters.size()) + 1);
        for (int i = 0; i < static_cast<int>(starters.size()); ++i) {
            const Starter& s = starters[i];
            table_.SetRow(i + 1, {s.nr, s.rider, s.horse, s.team});
        }
        NumberStartPositions(table_);
        list_.RebuildAfterLoad();
    }

    void LoadThree() {
        Load({{"101", "Anna", "Blaze", "Red"},
              {"102", "Ben", "Dusty", "Blue"},
              {"103", "Cleo", "Comet", "Red"}});
    }

    ResultTable table_;
    FakeTextMeasure measure_;
    StartList list_{table_, measure_, ','};
};

}  // namespace

TEST_F(StartListTest, StartsWithoutStarterAndWithEmptyFields) {
    EXPECT_TRUE(list_.StNrItems().empty());
    EXPECT_EQ(list_.StNrIndex(), -1);
    EXPECT_EQ(list_.StNrText(), "");
    EXPECT_EQ(list_.PositionText(), "");
    EXPECT_FALSE(list_.MinusEnabled());
    EXPECT_FALSE(list_.PlusEnabled());
    EXPECT_FALSE(list_.ToolCommandsEnabled());
    EXPECT_EQ(list_.Reiterin(), "");
    EXPECT_TRUE(list_.TeamTicked());
    EXPECT_TRUE(list_.TeamEnabled());
    EXPECT_EQ(list_.RaceText(), "Barrel Racing");
    EXPECT_EQ(list_.Board().race, "Barrel Racing");
    EXPECT_EQ(list_.Board().startNumber, "");
    EXPECT_EQ(list_.Board().horse, "");
    EXPECT_TRUE(list_.Board().teamVisible);
}

TEST_F(StartListTest, RebuildListsStartNumbersNumbersPositionsAndShowsTheFirst) {
    LoadThree();
    EXPECT_EQ(list_.StNrItems(), (std::vector<std::string>{"101", "102", "103"}));
    EXPECT_EQ(list_.StNrText(), "101");
    EXPECT_EQ(list_.PositionText(), "1:3");
    EXPECT_FALSE(list_.MinusEnabled());
    EXPECT_TRUE(list_.PlusEnabled());
    EXPECT_TRUE(list_.ToolCommandsEnabled());
    EXPECT_EQ(table_.CurrentRow(), 1);
    EXPECT_EQ(table_.Cell(ColStartPos, 1), "1");
    EXPECT_EQ(table_.Cell(ColStartPos, 3), "3");
    EXPECT_EQ(list_.Reiterin(), "Anna");
    EXPECT_EQ(list_.Board().startNumber, "101");
    EXPECT_EQ(list_.Board().rider, "Anna");
    EXPECT_EQ(list_.Board().horse, "Blaze");
    EXPECT_EQ(list_.Board().team, "Red");
}

TEST_F(StartListTest, RebuildFitsWidthsRestoresEmptyResultHeadersAndHidesStartPosition) {
    for (int col = ColLaufzeit; col <= ColStartPos; ++col) {
        table_.SetCell(col, 0, " ");
    }
    table_.SetCell(ColGrund, 0, "Reason");
    table_.SetColWidth(ColName, ResultTable::HiddenWidth);
    LoadThree();
    EXPECT_EQ(table_.Cell(ColLaufzeit, 0), "Laufzeit");
    EXPECT_EQ(table_.ColWidth(ColLaufzeit), ResultTable::DefaultWidths[ColLaufzeit]);
    EXPECT_EQ(table_.Cell(ColRang, 0), "Rang");
    EXPECT_EQ(table_.ColWidth(ColRang), 48);
    // A header the file brought keeps its text and fitted width.
    EXPECT_EQ(table_.Cell(ColGrund, 0), "Reason");
    EXPECT_EQ(table_.ColWidth(ColGrund), 6 * 10 + 10);
    // Fitting covers hidden columns too.
    EXPECT_EQ(table_.ColWidth(ColName), 4 * 10 + 10);
    EXPECT_FALSE(table_.ColVisible(ColStartPos));
}

TEST_F(StartListTest, RebuildOfTheEmptyTableListsTheEmptyStarter) {
    NumberStartPositions(table_);
    list_.RebuildAfterLoad();
    EXPECT_EQ(list_.StNrItems(), (std::vector<std::string>{""}));
    EXPECT_EQ(list_.PositionText(), "1:1");
    EXPECT_EQ(table_.CurrentRow(), 1);
    EXPECT_TRUE(list_.ToolCommandsEnabled());
}

TEST_F(StartListTest, OneStarterDisablesBothSteps) {
    Load({{"7", "Solo", "Star", ""}});
    EXPECT_EQ(list_.PositionText(), "1:1");
    EXPECT_FALSE(list_.MinusEnabled());
    EXPECT_FALSE(list_.PlusEnabled());
}

TEST_F(StartListTest, StepsThroughTheListWithButtonsFollowingThePosition) {
    LoadThree();
    list_.bNumerClick(StartList::PlusStep);
    EXPECT_EQ(list_.PositionText(), "2:3");
    EXPECT_TRUE(list_.MinusEnabled());
    EXPECT_TRUE(list_.PlusEnabled());
    EXPECT_EQ(table_.CurrentRow(), 2);
    list_.bNumerClick(StartList::PlusStep);
    EXPECT_EQ(list_.PositionText(), "3:3");
    EXPECT_FALSE(list_.PlusEnabled());
    EXPECT_EQ(list_.Board().startNumber, "103");
    EXPECT_EQ(list_.Board().horse, "Comet");
    list_.bNumerClick(StartList::MinusStep);
    EXPECT_EQ(list_.StNrText(), "102");
    EXPECT_EQ(list_.Reiterin(), "Ben");
}

TEST_F(StartListTest, StepBeforeTheFirstDoesNothing) {
    LoadThree();
    list_.bNumerClick(StartList::MinusStep);
    EXPECT_EQ(list_.StNrText(), "101");
    EXPECT_EQ(list_.PositionText(), "1:3");
}

TEST_F(StartListTest, NextPastTheLastLeavesNoStarterAndEmptiesTheBoard) {
    LoadThree();
    list_.GoToPosition(2);
    list_.bNumerClick(StartList::PlusStep);
    EXPECT_EQ(list_.StNrIndex(), -1);
    EXPECT_EQ(list_.StarterRow(), -1);
    EXPECT_EQ(list_.Reiterin(), "");
    EXPECT_EQ(list_.Board().startNumber, "");
    EXPECT_EQ(list_.Board().rider, "");
    EXPECT_EQ(list_.Board().horse, "");
    EXPECT_TRUE(list_.MinusEnabled());
    EXPECT_FALSE(list_.PlusEnabled());
    list_.bNumerClick(StartList::MinusStep);
    EXPECT_EQ(list_.PositionText(), "3:3");
    EXPECT_EQ(list_.Board().startNumber, "103");
    EXPECT_EQ(list_.Board().horse, "Comet");
}

TEST_F(StartListTest, AnEntryWithoutStarterGetsARowOfItsOwn) {
    LoadThree();
    list_.GoToPosition(2);
    list_.bNumerClick(StartList::PlusStep);
    list_.eReiterinChange("Dora");
    const EntryTarget target = list_.EntryRow();
    EXPECT_EQ(target.Row, 4);
    EXPECT_EQ(target.NewRow, (std::vector<std::string>{"", "Dora", "", ""}));
    EXPECT_EQ(target.Position, "4");
    EXPECT_EQ(table_.RowCount(), 4) << "the start list only says where; it writes nothing";

    ResultTable blank;
    StartList none(blank, measure_, ',');
    EXPECT_EQ(none.EntryRow().Row, 1) << "the empty row of a table without start list";
    EXPECT_EQ(none.EntryRow().Position, "1");
    blank.SetCell(ColTotal, 1, "12,00");
    EXPECT_EQ(none.EntryRow().Row, 2) << "never over an entered result";
}

TEST_F(StartListTest, StartersSharingAStartNumberKeepRowsOfTheirOwn) {
    Load({{"11", "Anna", "Blaze", ""}, {"11", "Ben", "Rio", ""}, {"11", "Cleo", "Ace", ""}});
    list_.GoToPosition(1);
    EXPECT_EQ(list_.EntryRow().Row, 2);
    EXPECT_EQ(list_.Reiterin(), "Ben");
    list_.GoToPosition(2);
    EXPECT_EQ(list_.EntryRow().Row, 3);
}

TEST_F(StartListTest, PickingAStarterMovesPanelAndStepButtonsAlong) {
    LoadThree();
    list_.cbStNrChange(2);
    EXPECT_EQ(list_.StNrText(), "103");
    EXPECT_EQ(list_.Reiterin(), "Cleo");
    EXPECT_EQ(table_.CurrentRow(), 3);
    EXPECT_EQ(list_.PositionText(), "3:3");
    EXPECT_FALSE(list_.PlusEnabled());
    EXPECT_TRUE(list_.MinusEnabled());
}

TEST_F(StartListTest, ChosenStarterIsFoundAgainAfterSorting) {
    LoadThree();
    table_.SetCell(ColTotal, 3, "9,00");
    table_.Rearrange({3, 1, 2});  // the view sorted by total
    list_.GoToPosition(2);
    EXPECT_EQ(table_.CurrentRow(), 1);
    EXPECT_EQ(list_.Reiterin(), "Cleo");
}

TEST_F(StartListTest, AStarterIsFoundByStartPositionEvenWhenItsNumberWasEdited) {
    LoadThree();
    table_.SetCell(ColNr, 2, "999");
    list_.GoToPosition(1);
    EXPECT_EQ(list_.PositionText(), "2:3");
    EXPECT_EQ(table_.CurrentRow(), 2);
    EXPECT_EQ(list_.Reiterin(), "Ben");
}

TEST_F(StartListTest, TypingMirrorsOntoTheBoards) {
    Load({{"123", "Anna", "Blaze", "Red"}});
    list_.ePferdChange("Thunder");
    EXPECT_EQ(list_.Pferd(), "Thunder");
    EXPECT_EQ(list_.Board().horse, "Thunder");
    EXPECT_EQ(list_.Board().startNumber, "123");
    list_.eReiterinChange("Dora");
    EXPECT_EQ(list_.Board().rider, "Dora");
    list_.eTeamChange("Green");
    EXPECT_EQ(list_.Board().team, "Green");
    list_.cbRaceChange(4);
    EXPECT_EQ(list_.RaceText(), "Keyhole Race");
    EXPECT_EQ(list_.Board().race, "Keyhole Race");
}

TEST_F(StartListTest, SameHorseForTheNextStarterStillShowsItsStartNumber) {
    Load({{"1", "Anna", "Blaze", ""}, {"2", "Ben", "Blaze", ""}});
    list_.bNumerClick(StartList::PlusStep);
    EXPECT_EQ(list_.Board().startNumber, "2");
    EXPECT_EQ(list_.Board().horse, "Blaze");
}

TEST_F(StartListTest, TeamSwitchOffHidesTeamColumnAndFreezesTheBoard) {
    LoadThree();
    list_.cbTeamClick(false);
    EXPECT_FALSE(list_.TeamEnabled());
    EXPECT_FALSE(list_.Board().teamVisible);
    EXPECT_FALSE(table_.ColVisible(ColTeam));
    list_.bNumerClick(StartList::PlusStep);
    EXPECT_EQ(list_.Team(), "Blue");
    EXPECT_EQ(list_.Board().team, "Red");
    list_.cbTeamClick(true);
    EXPECT_TRUE(list_.TeamEnabled());
    EXPECT_TRUE(list_.Board().teamVisible);
    EXPECT_EQ(list_.Board().team, "Red");
    EXPECT_EQ(table_.ColWidth(ColTeam), 4 * 10 + 10);
    EXPECT_FALSE(table_.ColVisible(ColStartPos));
    list_.eTeamChange("Blue");
    EXPECT_EQ(list_.Board().team, "Blue");
}

TEST_F(StartListTest, TeamSwitchOnFitsHiddenColumnsButKeepsStartPositionHidden) {
    LoadThree();
    table_.SetColWidth(ColGrund, ResultTable::HiddenWidth);
    list_.cbTeamClick(true);
    EXPECT_TRUE(table_.ColVisible(ColGrund));
    EXPECT_FALSE(table_.ColVisible(ColStartPos));
}

TEST_F(StartListTest, RebuildKeepsTheTeamColumnHiddenWhileSwitchedOff) {
    list_.cbTeamClick(false);
    LoadThree();
    EXPECT_FALSE(table_.ColVisible(ColTeam));
    EXPECT_TRUE(table_.ColVisible(ColName));
}
