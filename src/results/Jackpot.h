#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/ClassRules.h"
#include "results/ResultRules.h"

// One total per row in milliseconds, empty where the row has no valid total.
using Totals = std::vector<std::optional<std::int64_t>>;

// The resolution a class ranks in.
inline Resolution ResolutionOf(const ClassRules& rules) {
    return rules.Thousandths ? Resolution::Thousandths : Resolution::Hundredths;
}

// A row's division (1 = 1D) and its place within it; both 0 for a row without a valid total.
struct DivisionPlace {
    int Division = 0;
    int Place = 0;
};

// Divides the valid totals into the class's divisions and places them within each.
// totalsMs holds one entry per row, empty where the row has no valid total (no time, DQ,
// scratched). Totals are cut to the resolution and compared as integers: the fastest sets 1D, and a
// total is in division k + 1 from fastest + offsetsMs[k] on. Equal totals share a place and the
// next place counts them (1, 1, 3).
std::vector<DivisionPlace> Divide(const Totals& totalsMs, const std::vector<int>& offsetsMs,
                                  Resolution resolution);

// Where division (1 = 1D) begins: the fastest valid total, cut to the resolution, plus the
// division's offset; empty while no row has a valid total.
std::optional<std::int64_t> DivisionBeginsMs(const ClassRules& rules, const Totals& totalsMs,
                                             Resolution resolution, int division);

// One division of a payout sheet.
struct DivisionPayout {
    // Where the division begins: the fastest total plus its offset (ms); empty without riders.
    std::optional<std::int64_t> BeginsMs;
    std::int64_t PotCents = 0;
    // The amount of each paid place before ties are shared.
    std::vector<std::int64_t> PlaceCents;
    int Riders = 0;
    int PaidRiders = 0;
    std::int64_t PaidCents = 0;
    // Money of places that no rider reached and that stays with the show.
    std::int64_t UnpaidCents = 0;
    // Cents that cutting the shares to whole cents left over.
    std::int64_t RestCents = 0;
};

// The money of a jackpot class: Paid + Unpaid + Rest == Purse, exactly.
struct PayoutSheet {
    int Entries = 0;
    std::int64_t FeesCents = 0;     // entries x entry fee
    std::int64_t OfficeCents = 0;   // entries x office fee
    std::int64_t PaybackCents = 0;  // of the fees less the office fee, cut to cents
    std::int64_t AddedCents = 0;
    std::int64_t PurseCents = 0;  // payback + added
    std::vector<DivisionPayout> Divisions;
    // What each row is paid, in the order of the standing it was given.
    std::vector<std::int64_t> RowCents;
    std::int64_t PaidCents = 0;
    std::int64_t UnpaidCents = 0;
    // Left over by cutting to cents at the pots, the places, shared ties and split money.
    std::int64_t RestCents = 0;
};

// Pays a divided class. entries counts the starters the purse is made of; standing and totalsMs
// are as given to and returned by Divide. Every share is cut to whole cents and what the cutting
// leaves over is reported as the rest, never paid to anyone. Riders tied on a place share the
// amounts of all the paid places they cover; money of places no rider reached is unpaid or, with
// UnplacedMoney::Split, shared among the division's paid riders.
PayoutSheet Pay(const ClassRules& rules, int entries, const std::vector<DivisionPlace>& standing,
                const Totals& totalsMs, Resolution resolution);

class ResultTable;

// The name a starter is known by in the class's draw record: the start number, or the rider
// where the row has none.
std::string StarterKey(const ResultTable& table, int row);

// Whether the row's entry fee is in the purse: a starter row (a start number or a name) that
// did not scratch before the draw. Before the class is drawn, a scratched starter is no entry.
bool IsPurseEntry(const ResultTable& table, int row, const ClassRules& rules);

// "2D"; empty for 0.
std::string DivisionName(int division);
// "1.234,50" in euro and cent with the given decimal separator (the other one groups thousands).
std::string MoneyText(std::int64_t cents, char decimalSeparator);
// The decimal separator of the table's totals (a file from a system with the other one keeps
// its own), so that amounts and times beside them read alike; fallback where no total shows one.
char TotalsSeparator(const ResultTable& table, char fallback);
