#include "files/LiveResults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../results/RankTable.h"
#include "results/Jackpot.h"
#include "results/ResultTable.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(LiveResults, SnapshotListsEnteredRunsFastestFirstThenDisqualified) {
    ResultTable table;
    table.SetRowCount(6);
    table.SetRow(1, {"7", "Anna", "Blitz", "Team A", "16,01", "0", "", "", "16,01", "", "1"});
    table.SetRow(2, {"9", "Ben", "Storm", "Team B", "", "", "", "", "", "", "2"});
    table.SetRow(3, {"12", "Cara", "Luna", "", "14,00", "1", "DQ", "Tonne", "DQ", "", "3"});
    table.SetRow(4, {"15", "Dora", "Max", "", "15,23", "0", "", "", "15,23", "", "4"});
    table.SetRow(5, {"21", "Eva", "Kira", "", "10,23", "2", "", "", "20,23", "", "5"});
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    RankTable(table);

    const LiveSnapshot snapshot =
        MakeLiveSnapshot(table, ',', {"Pole Bending", "9", "Ben", "Storm", true});

    std::vector<std::string> shown;
    for (const LiveRow& row : snapshot.rows) {
        shown.push_back(row.place + " " + row.startNumber + " " + row.runTime + " " +
                        row.penalties + " " + row.total + " " + row.reason);
    }
    EXPECT_THAT(shown, ElementsAre("1 15 15,23 0 15,23 ", "2 7 16,01 0 16,01 ",
                                   "3 21 10,23 2 20,23 ", " 12 14,00 1 DQ Tonne"));
    EXPECT_TRUE(snapshot.rows.back().dq);
    EXPECT_EQ(snapshot.starters, 5);
    EXPECT_FALSE(snapshot.teamShown);
    EXPECT_EQ(snapshot.board.rider, "Ben");
}

// The page's division filter shows the rows of one division with their places in it: every run
// carries its division and place, a disqualified one neither; a total exactly on an offset
// begins the next division. Amounts read like the totals beside them, whatever the system's
// separator.
TEST(LiveResults, EachRunCarriesItsDivisionAndPlaceInItForTheFilter) {
    ResultTable table;
    table.SetRowCount(6);
    table.SetRow(1, {"7", "Anna", "Blitz", "", "15,120", "0", "", "", "15,120", "", "1"});
    table.SetRow(2, {"9", "Ben", "Storm", "", "15,700", "0", "", "", "15,700", "", "2"});
    table.SetRow(3, {"12", "Cara", "Luna", "", "14,000", "1", "DQ", "Tonne", "DQ", "", "3"});
    table.SetRow(4, {"15", "Dora", "Max", "", "15,620", "0", "", "", "15,620", "", "4"});
    table.SetRow(5, {"21", "Eva", "Kira", "", "15,619", "0", "", "", "15,619", "", "5"});
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500};

    const LiveSnapshot snapshot = MakeLiveSnapshot(table, '.', {"Barrel Racing", "", "", "", false},
                                                   StandingOf(table, rules).Rows, {0, 10720});

    std::vector<std::string> shown;
    for (const LiveRow& row : snapshot.rows) {
        shown.push_back(row.startNumber + " " + row.division + " " + row.divisionPlace);
    }
    EXPECT_THAT(shown, ElementsAre("7 1D 1", "21 1D 2", "15 2D 1", "9 2D 2", "12  "));
    EXPECT_EQ(snapshot.rows.front().payout, "107,20");
    EXPECT_THAT(
        LiveResultsJson(snapshot),
        HasSubstr("\"startNumber\":\"15\",\"rider\":\"Dora\",\"horse\":\"Max\",\"team\":\"\","
                  "\"time\":\"15,620\",\"penalties\":\"0\",\"total\":\"15,620\",\"reason\":\"\","
                  "\"dq\":false,\"division\":\"2D\",\"divisionPlace\":\"1\""));
}

// Table texts are data, never markup or JSON syntax, wherever they appear.
TEST(LiveResults, TableTextsAreEscapedInDataAndPage) {
    struct Case {
        std::string rider;
        std::string json;
    };
    const std::vector<Case> cases = {
        {"<script>alert(1)</script>", R"("\u003cscript\u003ealert(1)\u003c/script\u003e")"},
        {"</script><b onclick='x'>", R"("\u003c/script\u003e\u003cb onclick=\u0027x\u0027\u003e")"},
        {"Anna \"Blitz\" \\ Müller & Co", R"("Anna \"Blitz\" \\ Müller \u0026 Co")"},
        {"Zeile\r\nzwei\t", R"("Zeile\u000d\u000azwei\u0009")"},
        {"M\xfcller", R"("Müller")"},  // a Windows-1252 byte that slipped in
    };
    for (const Case& c : cases) {
        LiveSnapshot snapshot;
        snapshot.board.rider = c.rider;
        snapshot.rows.push_back({"1", "1", c.rider, "", "", "", "", "", "", false, "", "", ""});
        const std::string json = LiveResultsJson(snapshot);
        EXPECT_EQ(Count(json, "\"rider\":" + c.json), 2) << c.rider;
        const std::string page = LiveResultsPage(snapshot);
        EXPECT_THAT(page, HasSubstr(json)) << c.rider;
        EXPECT_EQ(Count(page, "<script"), 2) << c.rider;
        EXPECT_EQ(Count(page, "</script"), 2) << c.rider;
    }
}

}  // namespace
