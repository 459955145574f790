#include <gtest/gtest.h>

#include <random>

#include "results/Jackpot.h"

namespace {

constexpr Resolution Ms = Resolution::Thousandths;

std::vector<std::pair<int, int>> Pairs(const std::vector<DivisionPlace>& standing) {
    std::vector<std::pair<int, int>> pairs;
    for (const DivisionPlace& at : standing)
        pairs.emplace_back(at.Division, at.Place);
    return pairs;
}

TEST(Jackpot, BracketsBeginExactlyAtTheirOffsetsAndMoveWithTheFastest) {
    const std::vector<int> offsets = {500, 1000, 1500};
    const struct {
        const char* what;
        Totals totals;
        Resolution resolution;
        std::vector<std::pair<int, int>> expected;
    } cases[] = {
        {"on and just below each offset",
         {15000, 15499, 15500, 16499, 16500, std::nullopt},
         Ms,
         {{1, 1}, {1, 2}, {2, 1}, {3, 1}, {4, 1}, {0, 0}}},
        {"a tie across a boundary stays together, the next place counts both",
         {15000, 15500, 15500, 15600},
         Ms,
         {{1, 1}, {2, 1}, {2, 1}, {2, 3}}},
        {"a new fastest time moves everyone",
         {14900, 15000, 15499, 15500, 16499, 16500},
         Ms,
         {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {4, 1}, {4, 2}}},
        {"hundredths: thousandths are cut before comparing",
         {15009, 15509, 15499},
         Resolution::Hundredths,
         {{1, 1}, {2, 1}, {1, 2}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Pairs(Divide(c.totals, offsets, c.resolution)), c.expected) << c.what;
}

ClassRules OneDivisionPaying(std::vector<int> placeShares, UnplacedMoney unplaced) {
    ClassRules rules;
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 1000;
    rules.Payout.DivisionShares = {FullShare};
    rules.Payout.PlacesPaid = {static_cast<int>(placeShares.size())};
    rules.Payout.PlaceShares[static_cast<int>(placeShares.size())] = std::move(placeShares);
    rules.Payout.Unplaced = unplaced;
    return rules;
}

TEST(Jackpot, TiedRidersShareTheAmountsOfThePaidPlacesTheyCover) {
    // Purse 100,00: places 40, 30, 20, 10.
    const ClassRules rules = OneDivisionPaying({4000, 3000, 2000, 1000}, UnplacedMoney::Unpaid);
    const Totals tiedForSecond = {15000, 15100, 15100, 15200, 15300};
    const PayoutSheet second = Pay(rules, 10, Divide(tiedForSecond, {}, Ms), tiedForSecond, Ms);
    EXPECT_EQ(second.RowCents, (std::vector<std::int64_t>{4000, 2500, 2500, 1000, 0}));

    // Three riders tied for 3rd cover places 3 to 5; only 3rd and 4th are paid, cut to cents.
    const Totals acrossLast = {15000, 15100, 15200, 15200, 15200};
    const PayoutSheet last = Pay(rules, 10, Divide(acrossLast, {}, Ms), acrossLast, Ms);
    EXPECT_EQ(last.RowCents, (std::vector<std::int64_t>{4000, 3000, 1000, 1000, 1000}));
    EXPECT_EQ(last.RestCents, 0);
    const Totals threeWays = {15000, 15000, 15000, 15100};
    const PayoutSheet split3 = Pay(rules, 10, Divide(threeWays, {}, Ms), threeWays, Ms);
    EXPECT_EQ(split3.RowCents, (std::vector<std::int64_t>{3000, 3000, 3000, 1000}));
    const ClassRules odd = OneDivisionPaying({3334, 3333, 3333}, UnplacedMoney::Unpaid);
    const PayoutSheet cut = Pay(odd, 10, Divide(threeWays, {}, Ms), threeWays, Ms);
    // 33,34 + 33,33 + 33,33 shared three ways: 33,33 each, one cent left over.
    EXPECT_EQ(cut.RowCents, (std::vector<std::int64_t>{3333, 3333, 3333, 0}));
    EXPECT_EQ(cut.RestCents, 1);
}

TEST(Jackpot, MoneyOfAnEmptyDivisionIsUnpaidUnderBothRulesAndUnreachedPlacesFollowTheRule) {
    ClassRules rules = OneDivisionPaying({5000, 3000, 2000}, UnplacedMoney::Unpaid);
    rules.DivisionOffsetsMs = {500, 1000};
    rules.Payout.DivisionShares = {5000, 3000, 2000};
    rules.Payout.PlacesPaid = {3, 3, 3};
    // 1D has two riders, 2D none, 3D one. Purse 100,00: pots 50, 30, 20.
    const Totals totals = {15000, 15100, 16200};
    for (const UnplacedMoney unplaced : {UnplacedMoney::Unpaid, UnplacedMoney::Split}) {
        rules.Payout.Unplaced = unplaced;
        const PayoutSheet sheet =
            Pay(rules, 10, Divide(totals, rules.DivisionOffsetsMs, Ms), totals, Ms);
        EXPECT_EQ(sheet.Divisions[1].UnpaidCents, 3000);
        EXPECT_EQ(sheet.Divisions[1].PaidCents, 0);
        if (unplaced == UnplacedMoney::Unpaid) {
            EXPECT_EQ(sheet.RowCents, (std::vector<std::int64_t>{2500, 1500, 1000}));
            EXPECT_EQ(sheet.UnpaidCents, 3000 + 1000 + 1000);
        } else {
            // 1D's third place (10,00) goes to its two riders, 3D's 2nd and 3rd to its one.
            EXPECT_EQ(sheet.RowCents, (std::vector<std::int64_t>{3000, 2000, 2000}));
            EXPECT_EQ(sheet.UnpaidCents, 3000);
        }
        EXPECT_EQ(sheet.PaidCents + sheet.UnpaidCents + sheet.RestCents, sheet.PurseCents);
    }
}

TEST(Jackpot, PaidUnpaidAndRestAddUpToThePurseForAnyClass) {
    std::mt19937 random(25);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int run = 0; run < 2000; ++run) {
        ClassRules rules;
        rules.HasPayout = true;
        const int divisions = 1 + below(5);
        for (int d = 1; d < divisions; ++d)
            rules.DivisionOffsetsMs.push_back(d * (1 + below(800)));
        rules.Payout.EntryFeeCents = below(10000);
        rules.Payout.OfficeFeeCents = below(static_cast<int>(rules.Payout.EntryFeeCents) + 1);
        rules.Payout.PaybackShare = below(FullShare + 1);
        rules.Payout.AddedCents = below(3) == 0 ? below(100000) : 0;
        rules.Payout.DivisionShares = DefaultShares(divisions);
        for (int d = 0; d < divisions; ++d) {
            const int places = 1 + below(5);
            rules.Payout.PlacesPaid.push_back(places);
            std::vector<int> shares(static_cast<std::size_t>(places));
            int left = FullShare;
            for (int p = 0; p + 1 < places; ++p)
                left -= shares[static_cast<std::size_t>(p)] = below(left + 1);
            shares.back() = left;
            rules.Payout.PlaceShares[places] = shares;
        }
        rules.Payout.Unplaced = below(2) ? UnplacedMoney::Split : UnplacedMoney::Unpaid;
        Totals totals(static_cast<std::size_t>(below(40)));
        for (auto& total : totals)
            if (below(8) != 0)
                total = 14000 + below(3000);  // many ties
        const Resolution resolution = below(2) ? Ms : Resolution::Hundredths;
        const auto standing = Divide(totals, rules.DivisionOffsetsMs, resolution);
        const PayoutSheet sheet =
            Pay(rules, static_cast<int>(totals.size()) + below(5), standing, totals, resolution);
        std::int64_t rows = 0;
        for (const std::int64_t cents : sheet.RowCents) {
            ASSERT_GE(cents, 0) << "run " << run;
            rows += cents;
        }
        EXPECT_EQ(rows, sheet.PaidCents) << "run " << run;
        ASSERT_GE(sheet.UnpaidCents, 0) << "run " << run;
        ASSERT_GE(sheet.RestCents, 0) << "run " << run;
        ASSERT_EQ(sheet.PaidCents + sheet.UnpaidCents + sheet.RestCents, sheet.PurseCents)
            << "run " << run;
    }
}

}  // namespace
