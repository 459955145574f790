#include "results/Teams.h"

#include <algorithm>
#include <unordered_map>

#include "results/Standing.h"

TeamRanking RankTeams(const Standing& standing) {
    TeamRanking ranking;
    ranking.Best = std::max(standing.Rules.TeamBest, 0);
    if (ranking.Best == 0) {
        return ranking;
    }
    // Teams in the order their first starter goes, so that tied teams keep that order.
    std::vector<TeamStanding>& teams = ranking.Teams;
    std::unordered_map<std::string, std::size_t> indexOf;
    for (const int row : standing.StartOrder) {
        const std::string& name = standing.At(row).Team;
        if (!name.empty() && indexOf.emplace(name, teams.size()).second) {
            TeamStanding team;
            team.Name = name;
            teams.push_back(std::move(team));
        }
    }
    // The ranked order brings each team's valid totals fastest first.
    for (const int row : standing.Ranked) {
        const StandingRow& at = standing.At(row);
        const auto found = indexOf.find(at.Team);
        if (found == indexOf.end()) {
            continue;
        }
        TeamStanding& team = teams[found->second];
        const bool counts = at.State == Validity::Valid && team.Counted < ranking.Best;
        if (counts) {
            ++team.Counted;
            team.TotalMs += *at.TotalMs;
        }
        team.Members.push_back({row, at.StartNumber, at.Rider, at.Horse, at.Total, counts});
    }
    std::stable_sort(teams.begin(), teams.end(), [](const TeamStanding& a, const TeamStanding& b) {
        return a.Counted != b.Counted ? a.Counted > b.Counted : a.TotalMs < b.TotalMs;
    });
    for (std::size_t i = 0; i < teams.size(); ++i) {
        TeamStanding& team = teams[i];
        if (team.Counted == 0) {
            continue;
        }
        team.Total = standing.TimeText(team.TotalMs);
        const TeamStanding* before = i > 0 ? &teams[i - 1] : nullptr;
        const bool tied = before != nullptr && before->Counted == team.Counted &&
                          SameTotal(before->TotalMs, team.TotalMs, standing.TimeResolution);
        team.Place = tied ? before->Place : static_cast<int>(i) + 1;
    }
    return ranking;
}

std::string CountedText(const TeamStanding& team, int best) {
    return team.Counted < best ? std::to_string(team.Counted) + " von " + std::to_string(best)
                               : std::string();
}
