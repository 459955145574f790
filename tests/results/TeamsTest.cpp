#include "results/Teams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TeamClass.h"
#include "results/Standing.h"

using ::testing::ElementsAre;

namespace {

struct TeamLine {
    std::string name;
    int place;
    std::string total;
    int counted;
    bool operator==(const TeamLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TeamLine& line) {
    return out << line.name << " " << line.place << " " << line.total << " " << line.counted;
}

std::vector<TeamLine> Lines(const TeamRanking& ranking) {
    std::vector<TeamLine> lines;
    for (const TeamStanding& team : ranking.Teams) {
        lines.push_back({team.Name, team.Place, team.Total, team.Counted});
    }
    return lines;
}

std::vector<std::string> Counting(const TeamStanding& team) {
    std::vector<std::string> riders;
    for (const TeamMember& member : team.Members) {
        riders.push_back(member.Rider + (member.Counts ? " zählt" : ""));
    }
    return riders;
}

}  // namespace

TEST(Teams, AddTheBestValidTotalsAndRankShortTeamsAfterTheCompleteOnes) {
    const Standing standing = MakeStanding(TeamTable(), TeamRules(), {});
    const TeamRanking& teams = standing.Teams;
    ASSERT_TRUE(teams.Shown());
    EXPECT_EQ(teams.Best, 2);
    // Nord keeps its two valid totals although Bert's DQ run was faster; Süd has one valid total
    // and ranks after every complete team however fast it is; Mitte has nothing yet.
    EXPECT_THAT(Lines(teams),
                ElementsAre(TeamLine{"Nord", 1, "29,50", 2}, TeamLine{"West", 1, "29,50", 2},
                            TeamLine{"Ost", 3, "30,30", 2}, TeamLine{"Süd", 4, "14,80", 1},
                            TeamLine{"Mitte", 0, "", 0}));
    EXPECT_THAT(Counting(teams.Teams[0]), ElementsAre("Carl zählt", "Anna zählt", "Bert"));
    EXPECT_THAT(Counting(teams.Teams[1]), ElementsAre("Gabi zählt", "Hans zählt", "Ines"));
    EXPECT_THAT(Counting(teams.Teams[3]), ElementsAre("Dana zählt", "Emil", "Finn"));
    EXPECT_EQ(teams.Teams[0].Members[2].Total, "DQ");
    EXPECT_EQ(teams.Teams[0].TotalMs, 29500);
    EXPECT_EQ(CountedText(teams.Teams[3], teams.Best), "1 von 2");
    EXPECT_EQ(CountedText(teams.Teams[0], teams.Best), "");
}

TEST(Teams, TieOnlyWhereTheClassTellsTotalsApartNoFurther) {
    // Timed to the thousandth, 29,500 and 29,501 are two places; the class with hundredths has
    // cut both runs to 14,70 and ties them.
    ResultTable table = TeamTable();
    table.SetCell(ColTotal, 7, "14,701");
    ClassRules thousandths = TeamRules();
    thousandths.Thousandths = true;
    const Standing fine = MakeStanding(table, thousandths, {});
    EXPECT_EQ(fine.Teams.Teams[0].Name, "Nord");
    EXPECT_EQ(fine.Teams.Teams[1].Place, 2);
    EXPECT_EQ(fine.Teams.Teams[1].Total, "29,501");
    const Standing coarse = MakeStanding(table, TeamRules(), {});
    EXPECT_EQ(coarse.Teams.Teams[1].Place, 1);
}

TEST(Teams, AClassWithoutATeamRuleHasNoTeamStandings) {
    const Standing standing = MakeStanding(TeamTable(), ClassRules{}, {});
    EXPECT_FALSE(standing.Teams.Shown());
    EXPECT_TRUE(standing.Teams.Teams.empty());
}
