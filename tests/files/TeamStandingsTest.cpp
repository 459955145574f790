#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../results/TeamClass.h"
#include "../results/TrickyClass.h"
#include "files/Announcer.h"
#include "files/LiveResults.h"
#include "files/Report.h"
#include "results/Standing.h"

namespace {

using nlohmann::json;
using ::testing::ElementsAre;

// "place team total counted" of each team as a JSON "teams" member lists them.
std::vector<std::string> JsonTeams(const json& teams) {
    std::vector<std::string> lines;
    for (const json& row : teams["rows"]) {
        lines.push_back(std::to_string(row["place"].get<int>()) + " " +
                        row["team"].get<std::string>() + " " + row["total"].get<std::string>() +
                        " " + std::to_string(row["counted"].get<int>()));
    }
    return lines;
}

}  // namespace

TEST(TeamStandings, ThePagesTheBrokerAndThePrintedListCarryTheSamePlaces) {
    const ResultTable table = TeamTable();
    const Standing standing = MakeStanding(table, TeamRules(), {});
    const LiveSnapshot snapshot = MakeLiveSnapshot(standing, LiveBoard{}, true);
    const json results = json::parse(LiveResultsJson(snapshot));
    const json classOnly = json::parse(LiveClassJson(snapshot));
    const json announcer =
        json::parse(AnnouncerJson(MakeAnnouncerSnapshot(standing, {}), std::nullopt, 0));

    ASSERT_TRUE(results.contains("teams"));
    EXPECT_EQ(results["teams"]["best"], 2);
    const std::vector<std::string> expected = {"1 Nord 29,50 2", "1 West 29,50 2", "3 Ost 30,30 2",
                                               "4 Süd 14,80 1", "0 Mitte  0"};
    EXPECT_EQ(JsonTeams(results["teams"]), expected);
    EXPECT_EQ(classOnly["teams"], results["teams"]);
    EXPECT_EQ(announcer["teams"], results["teams"]);
    // Nord's members: its two valid totals count, the DQ run does not.
    const json& nord = results["teams"]["rows"][0]["members"];
    ASSERT_EQ(nord.size(), 3u);
    EXPECT_EQ(nord[0]["rider"], "Carl");
    EXPECT_EQ(nord[0]["total"], "14,50");
    EXPECT_EQ(nord[0]["counts"], true);
    EXPECT_EQ(nord[2]["rider"], "Bert");
    EXPECT_EQ(nord[2]["total"], "DQ");
    EXPECT_EQ(nord[2]["counts"], false);

    // The printed list: a line for each team (place, team, total, how many count while short),
    // the members under it, those that do not count greyed.
    const Report report = TeamReport(table, standing, {}, "07.12.2026 14:03");
    EXPECT_EQ(ReportHeadLines(report).list, "Teamwertung · die 2 besten Zeiten zählen");
    std::vector<std::string> printed;
    std::vector<std::string> nordLines;
    for (const ReportRow& row : report.rows) {
        if (!row.cells[0].empty() || !row.cells[1].empty()) {
            const int counted = row.cells[6].empty() ? 2 : row.cells[6][0] - '0';
            printed.push_back((row.cells[0].empty() ? "0" : row.cells[0]) + " " + row.cells[1] +
                              " " + row.cells[5] + " " + std::to_string(counted));
        } else if (printed.size() == 1) {
            nordLines.push_back(row.cells[3] + " " + row.cells[5] + " " + row.cells[6] +
                                (row.kind == ReportRowKind::Muted ? " grau" : ""));
        }
    }
    EXPECT_EQ(printed, expected);
    EXPECT_THAT(nordLines, ElementsAre("Carl 14,50 zählt", "Anna 15,00 zählt", "Bert DQ  grau"));
    const auto south = std::find_if(report.rows.begin(), report.rows.end(),
                                    [](const ReportRow& row) { return row.cells[1] == "Süd"; });
    ASSERT_NE(south, report.rows.end());
    EXPECT_EQ(south->cells[6], "1 von 2");
}

TEST(TeamStandings, TheAnnouncerHearsWhereTheLastRidersTeamStandsNow) {
    const ResultTable table = TeamTable();
    StandingContext context;
    context.LastRunRow = table.FindRow("4");
    AnnouncerSnapshot snapshot =
        MakeAnnouncerSnapshot(MakeStanding(table, TeamRules(), context), {});
    EXPECT_EQ(snapshot.lastRun.teamStanding, "Süd: Platz 4 · 14,80 (1 von 2)");
    context.LastRunRow = table.FindRow("14");  // no team
    snapshot = MakeAnnouncerSnapshot(MakeStanding(table, TeamRules(), context), {});
    EXPECT_EQ(snapshot.lastRun.teamStanding, "");
    context.LastRunRow = table.FindRow("3");
    snapshot = MakeAnnouncerSnapshot(MakeStanding(table, ClassRules{}, context), {});
    EXPECT_EQ(snapshot.lastRun.teamStanding, "") << "a class without a team rule";
}

TEST(TeamStandings, AClassWithoutATeamRuleSendsNoTeams) {
    const Standing standing = MakeStanding(TrickyTable(), TrickyRules(), {});
    EXPECT_FALSE(
        json::parse(LiveResultsJson(MakeLiveSnapshot(standing, {}, true))).contains("teams"));
    EXPECT_FALSE(json::parse(AnnouncerJson(MakeAnnouncerSnapshot(standing, {}), std::nullopt, 0))
                     .contains("teams"));
}
