#include "results/Draw.h"
#include "results/ResultTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

namespace {

std::vector<DrawEntry> Riders(const std::vector<std::string>& names) {
    std::vector<DrawEntry> entries;
    for (const std::string& name : names) {
        entries.push_back({name, "Horse " + std::to_string(entries.size()), false});
    }
    return entries;
}

// Every two runs of one rider or one horse in the order with fewer than gap others between them:
// (is the horse, start positions from 1); and the fewest others between two such runs, -1 when
// no rider and no horse runs twice.
struct Close {
    std::set<std::tuple<bool, int, int>> pairs;
    int shortest = -1;
};
Close CloseRuns(const std::vector<DrawEntry>& entries, const std::vector<int>& order, int gap) {
    Close close;
    for (bool horse : {false, true}) {
        std::map<std::string, int> last;
        for (int i = 0; i < static_cast<int>(order.size()); ++i) {
            const DrawEntry& entry = entries[order[i]];
            const std::string name = AsciiLower(TrimText(horse ? entry.Horse : entry.Rider));
            if (name.empty()) {
                continue;
            }
            if (auto found = last.find(name); found != last.end()) {
                const int between = i - found->second - 1;
                close.shortest = close.shortest < 0 ? between : std::min(close.shortest, between);
                if (between < gap) {
                    close.pairs.insert({horse, found->second + 1, i + 1});
                }
            }
            last[name] = i;
        }
    }
    return close;
}

void ExpectEveryStarterOnce(const std::vector<int>& order, std::size_t count) {
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted.size(), count);
    for (int i = 0; i < static_cast<int>(sorted.size()); ++i) {
        ASSERT_EQ(sorted[i], i) << "every starter exactly once";
    }
}

TEST(Draw, KeepsARidersHorsesApartWhereTheEntriesAllowAndSaysWhereTheyDoNot) {
    struct Case {
        std::vector<std::string> riders;
        int horseGap;
        bool gapMet;
        int shortestGap;
    };
    const Case cases[] = {
        // Anna rides three horses in a class of ten: three runs between each is just possible.
        {{"Anna", "Ben", "anna ", "Cleo", "Dora", "ANNA", "Emil", "Finn", "Gert", "Hugo"},
         3,
         true,
         3},
        // Two riders with three horses each in eight runs: at most two between them.
        {{"Anna", "Anna", "Anna", "Ben", "Ben", "Ben", "Cleo", "Dora"}, 3, false, 2},
        {{"Anna", "Ben", "Cleo"}, 5, true, -1},
    };
    for (const Case& c : cases) {
        const std::vector<DrawEntry> entries = Riders(c.riders);
        for (std::uint64_t seed = 1; seed <= 200; ++seed) {
            const DrawOutcome outcome = DrawStartOrder(entries, c.horseGap, seed);
            ExpectEveryStarterOnce(outcome.Order, entries.size());
            EXPECT_EQ(outcome.GapMet, c.gapMet) << seed;
            EXPECT_EQ(outcome.ShortestGap, c.shortestGap) << seed;
            EXPECT_EQ(CloseRuns(entries, outcome.Order, c.horseGap).shortest, outcome.ShortestGap);
        }
    }
}

// The starters of a class as rows of its table, in start order: "rider/horse" each.
ResultTable ClassTable(const std::vector<std::pair<std::string, std::string>>& starters) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(starters.size()) + 1);
    for (int row = 1; row <= static_cast<int>(starters.size()); ++row) {
        table.SetCell(ColNr, row, std::to_string(row));
        table.SetCell(ColName, row, starters[row - 1].first);
        table.SetCell(ColPferd, row, starters[row - 1].second);
        table.SetCell(ColStartPos, row, std::to_string(row));
    }
    return table;
}

TEST(Draw, KeepsOneHorseUnderTwoRidersApartAsWellAsARidersHorses) {
    // Blitz goes under Anna and under Ben; Anna also rides Storm.
    const std::vector<DrawEntry> entries = DrawEntriesOf(ClassTable({{"Anna", "Blitz"},
                                                                     {"Ben", " blitz"},
                                                                     {"Anna", "Storm"},
                                                                     {"Cleo", "Ace"},
                                                                     {"Dora", "Rio"},
                                                                     {"Emil", "Sam"},
                                                                     {"Finn", "Tex"},
                                                                     {"Gert", "Uno"}}));
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[1].Horse, " blitz");
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        const DrawOutcome outcome = DrawStartOrder(entries, 2, seed);
        ExpectEveryStarterOnce(outcome.Order, entries.size());
        const Close close = CloseRuns(entries, outcome.Order, 2);
        EXPECT_TRUE(close.pairs.empty()) << "seed " << seed << ": a rider or horse within 2 runs";
        EXPECT_TRUE(outcome.GapMet) << seed;
        EXPECT_TRUE(outcome.Clashes.empty()) << seed;
        EXPECT_GE(outcome.ShortestGap, 2) << seed;
        EXPECT_EQ(DrawGapNote(outcome, 2), "");
    }
}

TEST(Draw, SaysWhichRiderOrHorseRunsCloserThanTheGapWhereTheEntriesLeaveNoRoom) {
    // Blitz under three riders among five starters: two runs between them need seven places.
    const std::vector<DrawEntry> entries = {{"Anna", "Blitz", false},
                                            {"Ben", "Blitz", false},
                                            {"Cleo", "BLITZ", false},
                                            {"Dora", "Rio", false},
                                            {"Anna", "Ace", false}};
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        const DrawOutcome outcome = DrawStartOrder(entries, 2, seed);
        ExpectEveryStarterOnce(outcome.Order, entries.size());
        EXPECT_FALSE(outcome.GapMet);
        // As far apart as five places allow: one run between each of Blitz's.
        EXPECT_EQ(outcome.ShortestGap, 1) << seed;
        const Close close = CloseRuns(entries, outcome.Order, 2);
        std::set<std::tuple<bool, int, int>> named;
        for (const DrawClash& clash : outcome.Clashes) {
            named.insert({clash.Horse, clash.First, clash.Second});
            const DrawEntry& first = entries[outcome.Order[clash.First - 1]];
            EXPECT_EQ(clash.Name, clash.Horse ? first.Horse : first.Rider);
        }
        EXPECT_EQ(named, close.pairs) << "every close pair named, and only those";
        const std::string note = DrawGapNote(outcome, 2);
        EXPECT_EQ(note.rfind(". Pferdeabstand 2 nicht überall möglich: kleinster Abstand 1 (", 0),
                  0u)
            << note;
        EXPECT_NE(note.find("Pferd Blitz: Startplätze "), std::string::npos) << note;
    }
}

TEST(Draw, ALateEntryKeepsItsHorseApartFromTheHorsesOtherRun) {
    // Zoe rides Blitz, whom Anna rides third in the order.
    const std::vector<DrawEntry> entries = {{"Ben", "Ace", false},    {"Cleo", "Rio", false},
                                            {"Anna", "Blitz", false}, {"Dora", "Sam", false},
                                            {"Emil", "Tex", false},   {"Finn", "Uno", false},
                                            {"Zoe", "Blitz", false}};
    std::set<int> places;
    for (std::uint64_t seed = 1; seed <= 100; ++seed) {
        const std::vector<int> order = LateEntryOrder(entries, 1, 1, 2, seed);
        ExpectEveryStarterOnce(order, entries.size());
        const auto at = [&](int entry) {
            return static_cast<int>(std::find(order.begin(), order.end(), entry) - order.begin());
        };
        EXPECT_GE(std::abs(at(6) - at(2)) - 1, 2) << seed;
        places.insert(at(6));
    }
    EXPECT_GT(places.size(), 1u) << "drawn, not always the same place";
}

TEST(Draw, TheSameSeedGivesTheSameOrderAndStartersWhoRanKeepTheirPlaces) {
    std::vector<DrawEntry> entries = Riders({"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"});
    entries[0].HasRun = true;
    entries[1].HasRun = true;
    const DrawOutcome first = DrawStartOrder(entries, 0, 99);
    EXPECT_EQ(first.Order, DrawStartOrder(entries, 0, 99).Order);
    EXPECT_NE(first.Order, DrawStartOrder(entries, 0, 100).Order);
    EXPECT_EQ(first.Order[0], 0);
    EXPECT_EQ(first.Order[1], 1);
}

TEST(Draw, TheGroundIsDraggedAfterEveryNthRunButNotAfterTheLast) {
    std::vector<int> drags;
    for (int position = 1; position <= 10; ++position) {
        if (DragAfter(position, 4, 10)) {
            drags.push_back(position);
        }
    }
    EXPECT_EQ(drags, (std::vector<int>{4, 8}));
    EXPECT_FALSE(DragAfter(5, 5, 5));
    EXPECT_FALSE(DragAfter(3, 0, 10));
}

}  // namespace
