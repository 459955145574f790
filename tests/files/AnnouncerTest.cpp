#include "files/Announcer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "../results/TrickyClass.h"
#include "results/Standing.h"

namespace {

using ::testing::ElementsAre;

// The announcer's view of the tricky class after the run of `lastRun`, nobody on course.
nlohmann::json AnnouncerAfter(const char* lastRun) {
    const ResultTable table = TrickyTable();
    StandingContext context;
    context.LastRunRow = table.FindRow(lastRun);
    AnnouncerState state;
    state.className = "Open";
    return nlohmann::json::parse(AnnouncerJson(
        MakeAnnouncerSnapshot(MakeStanding(table, TrickyRules(), context), state), 0, 0));
}

std::vector<std::string> Shown(const nlohmann::json& leaders) {
    std::vector<std::string> shown;
    for (const auto& leader : leaders) {
        shown.push_back(leader["label"].get<std::string>() + " " +
                        leader["starter"]["startNumber"].get<std::string>() + " " +
                        leader["total"].get<std::string>());
    }
    return shown;
}

}  // namespace

// The announcer says what the tricky class's standing says: 107 leads by 7 ms to the thousandth,
// 101 (a DQ in its DQ cell alone, faster than everyone) is never a leader or the time to beat,
// 103's "n.a." has no place, the scratched 105 is neither next nor left, and the reader's clock
// runs to the thousandth with the class's separator. The last run comes with its money and its
// penalties as seconds, the divisions with where each begins.
TEST(Announcer, SaysWhatTheTrickyClassStandingSays) {
    const nlohmann::json after104 = AnnouncerAfter("104");
    EXPECT_THAT(Shown(after104["leaders"]),
                ElementsAre("1. 107 15,481", "2. 104 15,488", "2. 106 15,488"));
    EXPECT_EQ(after104["timeToBeat"], "15,481");
    EXPECT_THAT(Shown(after104["divisionLeaders"]),
                ElementsAre("1D 107 15,481", "3D 108 1:02,300"));
    const nlohmann::json& run = after104["lastRun"];
    EXPECT_EQ(run["total"], "15,488");
    EXPECT_EQ(run["place"], "2");
    EXPECT_EQ(run["division"], "1D: 2");
    EXPECT_EQ(run["behind"], "+0,007");
    EXPECT_EQ(run["payout"], "45,00");
    EXPECT_EQ(run["dq"], false);
    std::vector<std::string> cuts;
    for (const auto& cut : after104["divisionCuts"]) {
        cuts.push_back(cut["label"].get<std::string>() + " ab " + cut["from"].get<std::string>());
    }
    EXPECT_THAT(cuts, ElementsAre("2D ab 15,981", "3D ab 16,481"));
    EXPECT_EQ(AnnouncerAfter("106")["lastRun"]["penaltyTime"], "+5 s");
    EXPECT_EQ(run["penaltyTime"], "");
    ASSERT_EQ(after104["next"].size(), 1U);
    EXPECT_EQ(after104["next"][0]["starter"]["startNumber"], "110");
    EXPECT_EQ(after104["runs"], 8);
    EXPECT_EQ(after104["left"], 1);
    EXPECT_EQ(after104["nextDragIn"], -1);
    EXPECT_EQ(after104["digits"], 3);
    EXPECT_EQ(after104["decimal"], ",");

    EXPECT_EQ(AnnouncerAfter("107")["lastRun"]["behind"], "F\xC3\xBChrung");
    const nlohmann::json dq = AnnouncerAfter("101")["lastRun"];
    EXPECT_EQ(dq["dq"], true);
    EXPECT_EQ(dq["total"], "DQ");
    EXPECT_EQ(dq["reason"], "Tonne");
    EXPECT_EQ(dq["place"], "");
    EXPECT_EQ(dq["behind"], "");
    const nlohmann::json noTime = AnnouncerAfter("103")["lastRun"];
    EXPECT_EQ(noTime["total"], "n.a.");
    EXPECT_EQ(noTime["place"], "");
    EXPECT_EQ(noTime["division"], "");
    EXPECT_EQ(noTime["dq"], false);
    const nlohmann::json hour = AnnouncerAfter("109")["lastRun"];
    EXPECT_EQ(hour["total"], "61:02,300");
    EXPECT_EQ(hour["behind"], "+60:46,819");
}
