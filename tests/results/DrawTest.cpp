#include "results/Draw.h"
#include "results/ResultTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

std::vector<DrawEntry> Riders(const std::vector<std::string>& names) {
    std::vector<DrawEntry> entries;
    for (const std::string& name : names) {
        entries.push_back({name, false});
    }
    return entries;
}

// The fewest other runs between two runs of one rider in the order; -1 when nobody runs twice.
int ShortestGap(const std::vector<DrawEntry>& entries, const std::vector<int>& order) {
    std::map<std::string, int> last;
    int shortest = -1;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        const std::string rider = AsciiLower(TrimText(entries[order[i]].Rider));
        if (auto found = last.find(rider); found != last.end()) {
            const int gap = i - found->second - 1;
            shortest = shortest < 0 ? gap : std::min(shortest, gap);
        }
        last[rider] = i;
    }
    return shortest;
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
            std::vector<int> sorted = outcome.Order;
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < static_cast<int>(sorted.size()); ++i) {
                ASSERT_EQ(sorted[i], i) << "every starter exactly once";
            }
            EXPECT_EQ(outcome.GapMet, c.gapMet) << seed;
            EXPECT_EQ(outcome.ShortestGap, c.shortestGap) << seed;
            EXPECT_EQ(ShortestGap(entries, outcome.Order), outcome.ShortestGap);
        }
    }
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
