#include "files/LiveResults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../results/TrickyClass.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The phone page lists the runs of the tricky class with a result as its standing ranks them:
// the tie on 15,488 shares place 2, 101 (a DQ in its DQ cell alone) and 102 are DQs with their
// reasons, 103's "n.a." has neither place nor division, the hour-long total and thousandths are
// kept, money beside the placed runs. 105 (scratched) and 110 (to run) are not listed. The page
// draws the rows in the order they come.
TEST(LiveResults, ListsTheTrickyClassAsItsStandingRanksItAndThePageKeepsThatOrder) {
    ResultTable table = TrickyTable();
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    const LiveSnapshot snapshot =
        MakeLiveSnapshot(MakeStanding(table, TrickyRules(), {}),
                         {"Barrel Racing", "110", "Jonas Jäger", "Joker", true}, false);

    std::vector<std::string> shown;
    for (const LiveRow& row : snapshot.rows) {
        shown.push_back(row.place + " " + row.startNumber + " " + row.runTime + " " + row.total +
                        " " + row.division + " " + row.divisionPlace + " " + row.payout +
                        (row.dq ? " dq " + row.reason : ""));
    }
    EXPECT_THAT(shown,
                ElementsAre("1 107 15,481 15,481 1D 1 135,00", "2 104 15,488 15,488 1D 2 45,00",
                            "2 106 10,488 15,488 1D 2 45,00", "4 108 57,300 1:02,300 3D 1 54,00",
                            "5 109 61:02,300 61:02,300 3D 2 36,00", " 101 14,100 DQ    dq Tonne",
                            " 102 15,000 DQ    dq Tor", " 103  n.a.   "));
    EXPECT_EQ(snapshot.starters, 10);
    EXPECT_FALSE(snapshot.teamShown);
    EXPECT_EQ(snapshot.board.rider, "Jonas Jäger");

    const std::string json = LiveResultsJson(snapshot);
    const std::string board = json.substr(0, json.find("\"order\":"));
    std::vector<std::string> order;
    for (auto at = board.find("\"startNumber\":\""); at != std::string::npos;
         at = board.find("\"startNumber\":\"", at + 1)) {
        order.push_back(board.substr(at + 15, 3));
    }
    EXPECT_THAT(order, ElementsAre("110", "107", "104", "106", "108", "109", "101", "102", "103"))
        << "the board's starter, then the rows";
    EXPECT_THAT(LiveResultsPage(snapshot), Not(HasSubstr(".sort("))) << "the page never re-sorts";
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

// Beside the ranked rows the page gets the order of go as the standing has it (each starter's
// turn and the drags), the last run marked, and penalties as the seconds they add in the class.
TEST(LiveResults, TheOrderOfGoAndTheLastRunAreTheStandingsAndPenaltiesReadAsSeconds) {
    const ResultTable table = TrickyTable();
    StandingContext context;
    context.OnCourseRow = table.FindRow("110");
    context.LastRunRow = table.FindRow("106");
    context.DragEvery = 4;
    LiveSnapshot snapshot =
        MakeLiveSnapshot(MakeStanding(table, TrickyRules(), context),
                         {"Barrel Racing", "110", "Jonas Jäger", "", true}, true);
    snapshot.penaltySeconds = 3;
    std::vector<std::string> turns;
    for (const LiveStarter& starter : snapshot.order) {
        turns.push_back(starter.startNumber + std::string(starter.dragAfter ? " drag" : ""));
        turns.back() += " " + std::to_string(static_cast<int>(starter.turn));
    }
    const auto run = std::to_string(static_cast<int>(LiveTurn::Run));
    EXPECT_THAT(turns, ElementsAre("101 " + run, "102 " + run, "103 " + run, "104 drag " + run,
                                   "105 " + std::to_string(static_cast<int>(LiveTurn::Scratched)),
                                   "106 " + run, "107 " + run, "108 drag " + run, "109 " + run,
                                   "110 " + std::to_string(static_cast<int>(LiveTurn::OnCourse))));
    EXPECT_EQ(snapshot.left, 1);

    const nlohmann::json json = nlohmann::json::parse(LiveResultsJson(snapshot));
    std::vector<std::string> marked;
    for (const auto& row : json["rows"]) {
        if (row["last"] == true) {
            marked.push_back(row["startNumber"].get<std::string>() + " " +
                             row["penaltyTime"].get<std::string>() + " " +
                             row["payout"].get<std::string>());
        }
    }
    EXPECT_THAT(marked, ElementsAre("106 +3 s 45,00"));
    EXPECT_EQ(json["order"][4]["turn"], "scratched");
    EXPECT_EQ(json["order"][9]["turn"], "onCourse");
    EXPECT_EQ(json["left"], 1);
}

// "Klasse beendet" once nobody is left to run and no run is on the clock: not while the last
// starter runs, nor in a class with starters still to come.
TEST(LiveResults, AClassIsFinishedOnceNobodyIsLeftAndNoRunIsOnTheClock) {
    ResultTable done = TrickyTable();
    done.SetCell(ColTotal, done.FindRow("110"), "16,000");
    const auto finished = [](const ResultTable& table, AnnouncerClock clock, bool running) {
        LiveSnapshot snapshot = MakeLiveSnapshot(MakeStanding(table, TrickyRules(), {}),
                                                 {"Barrel Racing", "", "", "", running}, true);
        snapshot.announcer.clock = clock;
        return nlohmann::json::parse(LiveResultsJson(snapshot))["finished"].get<bool>();
    };
    EXPECT_TRUE(finished(done, AnnouncerClock::Idle, false));
    EXPECT_TRUE(finished(done, AnnouncerClock::Stopped, false));
    EXPECT_FALSE(finished(done, AnnouncerClock::Running, true)) << "a run again on the clock";
    EXPECT_FALSE(finished(done, AnnouncerClock::Countdown, false));
    EXPECT_FALSE(finished(TrickyTable(), AnnouncerClock::Idle, false)) << "110 is still to run";
}

}  // namespace
