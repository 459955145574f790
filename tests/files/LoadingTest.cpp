#include "files/Loading.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../results/FakeTextMeasure.h"
#include "TempFolder.h"
#include "results/Ranking.h"
#include "results/StartList.h"

namespace {

using testing::ElementsAre;

class Loading : public testing::Test {
protected:
    TempFolder folder_;
    ResultTable table_;
    Ranking ranking_{table_, ','};
    FakeTextMeasure measure_;
    StartList starters_{table_, ranking_, measure_};
};

TEST_F(Loading, ProtocolComesInRankedWithFittedWidthsAndHiddenStartPosition) {
    WriteAll(folder_.File("protokoll.txt"),
             "Nr.\tName\tPferd\tTeam\tLaufzeit\tStrafen\tDQ\tGrund\tTotal\tRang\t\r\n"
             "1\tAnna\tBlue\t\t16,01\t0\t\t\t16,01\t\t\r\n"
             "2\tBen\tRio\t\t15,23\t0\t\t\t15,23\t\t\r\n");
    starters_.cbTeamClick(false);

    LoadChosenFile(folder_.File("protokoll.txt"), table_, starters_, ranking_, measure_, ',');

    EXPECT_THAT(table_.Column(ColRang), ElementsAre("Rang", "2", "1"));
    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1", "2")) << "start order stays";
    EXPECT_EQ(table_.ColWidth(ColName), 10 * 4 + 10) << "header 'Name' plus an X";
    EXPECT_EQ(table_.ColWidth(ColTeam), ResultTable::HiddenWidth) << "team switched off";
    EXPECT_EQ(table_.ColWidth(ColStartPos), ResultTable::HiddenWidth);
    EXPECT_EQ(starters_.PositionText(), "1:2");
}

TEST_F(Loading, AnUnknownFileIsRefusedWithAMessageAndKeepsTheTable) {
    WriteAll(folder_.File("liste.txt"), "1;Anna;Blue\r\n");
    LoadChosenFile(folder_.File("liste.txt"), table_, starters_, ranking_, measure_, ',');
    table_.SetCell(ColTotal, 1, "15,23");
    table_.SetColWidth(ColName, 300);

    EXPECT_FALSE(
        LoadChosenFile(folder_.File("liste.pdf"), table_, starters_, ranking_, measure_, ',')
            .empty());

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1"));
    EXPECT_EQ(table_.Cell(ColTotal, 1), "15,23");
    EXPECT_EQ(table_.ColWidth(ColName), 300);
}

TEST_F(Loading, ReloadOfAVanishedFileKeepsTheTable) {
    WriteAll(folder_.File("liste.txt"), "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    LoadChosenFile(folder_.File("liste.txt"), table_, starters_, ranking_, measure_, ',');
    std::filesystem::remove(folder_.File("liste.txt"));

    EXPECT_FALSE(ReloadFile(folder_.File("liste.txt"), table_, starters_, ',').empty());
    EXPECT_FALSE(ReloadFile("", table_, starters_, ',').empty());

    EXPECT_THAT(table_.Column(ColNr), ElementsAre("Nr.", "1", "2"));
    EXPECT_EQ(starters_.StNrItems().size(), 2u);
}

}  // namespace
