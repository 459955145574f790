#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Shares are counted in hundredths of a percent, so 100 % is 10000 and 33,33 % is 3333.
inline constexpr int FullShare = 10000;

// Who gets the money of places that no rider in a division reached.
enum class UnplacedMoney {
    Unpaid,  // stays with the show and is reported as not paid out
    Split,   // shared equally among the division's paid riders
};

// How a jackpot class pays: all money in cents, all shares in hundredths of a percent.
struct PayoutRules {
    std::int64_t EntryFeeCents = 0;
    // Kept by the show from every entry fee before the payback.
    std::int64_t OfficeFeeCents = 0;
    // Share of the fees less the office fee that goes back into the purse.
    int PaybackShare = FullShare;
    std::int64_t AddedCents = 0;
    // The purse's share of each division; one per division, adding up to FullShare.
    std::vector<int> DivisionShares;
    // Places paid in each division; one per division.
    std::vector<int> PlacesPaid;
    // For each number of places paid, the pot's share of each of those places (adding up to
    // FullShare); holds an entry for every number that PlacesPaid uses.
    std::map<int, std::vector<int>> PlaceShares;
    UnplacedMoney Unplaced = UnplacedMoney::Unpaid;
};

// The jackpot settings of one class. The default is a plain class: hundredths, one division, no
// money.
struct ClassRules {
    static constexpr int MaxDivisions = 5;

    // Times are shown and ranked to the thousandth instead of the hundredth.
    bool Thousandths = false;
    // Where each division after the first begins, in milliseconds behind the fastest total;
    // strictly increasing, at most MaxDivisions - 1. Empty: no divisions.
    std::vector<int> DivisionOffsetsMs;
    // The class pays out: Payout holds its rules.
    bool HasPayout = false;
    PayoutRules Payout;
    // The class's start order was drawn; ScratchedAtDraw names the starters (start number, or
    // the rider without one) who had scratched by then. They never paid in, while a rider who
    // scratches after the draw has paid the fee.
    bool Drawn = false;
    std::vector<std::string> ScratchedAtDraw;
    // Teams (the Team column) are ranked by the sum of their members' TeamBest best valid
    // totals; 0: the class has no team standings.
    int TeamBest = 0;

    int DivisionCount() const { return static_cast<int>(DivisionOffsetsMs.size()) + 1; }
    bool HasDivisions() const { return !DivisionOffsetsMs.empty(); }
};

// The shares used where a class leaves them out: for n divisions or n places paid (1 to 5), the
// first gets the most. Also the default division shares.
const std::vector<int>& DefaultShares(int count);
// A share as percent without its sign: 8000 "80", 3333 "33,33", 250 "2,5".
std::string ShareText(std::int64_t share, char decimalSeparator);

// Places paid in each division where a class does not say.
inline constexpr int DefaultPlacesPaid = 3;
