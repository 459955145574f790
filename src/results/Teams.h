#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Standing;

// The team standings of a class whose rules count teams: the starters of a team are those with
// the same text in the Team column. A team's result is the sum of its members' best valid
// totals, as many as the class counts. Made once with the class's standing; every view shows
// these texts and never adds up a team itself.

struct TeamMember {
    int Row = 0;  // the table row
    std::string StartNumber;
    std::string Rider;
    std::string Horse;
    std::string Total;    // as the standing shows it: a time, "DQ", a typed text or empty
    bool Counts = false;  // one of the team's best valid totals that make its result
};

struct TeamStanding {
    std::string Name;
    // 1, 1, 3 with ties; 0 while no member has a valid total.
    int Place = 0;
    // The sum of the counted totals in milliseconds, and as the class shows times ("29,50");
    // the text is empty while nothing counts.
    std::int64_t TotalMs = 0;
    std::string Total;
    // How many totals count: the class's number, or fewer while the team has fewer valid ones.
    int Counted = 0;
    // Valid totals fastest first (ties in the order of go), then the others in the order of go.
    std::vector<TeamMember> Members;
};

struct TeamRanking {
    // The number of best totals that count; 0 when the class has no team standings.
    int Best = 0;
    // Teams with all their totals counted by their sum; after them the teams with fewer, by the
    // number counted (more first), then by sum; teams without a valid total last. Tied teams
    // share a place and stand in the order their first starter goes.
    std::vector<TeamStanding> Teams;

    bool Shown() const { return Best > 0; }
};

// The team standings of the standing's class under its rule; empty (Best 0) when the class has
// no team rule.
TeamRanking RankTeams(const Standing& standing);

// "2 von 3" for a team whose totals do not all count yet; empty when they do.
std::string CountedText(const TeamStanding& team, int best);
