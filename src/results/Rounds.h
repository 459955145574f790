#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/ResultTable.h"
#include "results/Standing.h"

// Classes whose results come from other classes: a class carried from another one (its runs are
// the runs of that class) and the average of go-rounds (a rider's total is the sum of their
// totals in the rounds). Both are made as an ordinary table here and then ranked, divided and
// paid by MakeStanding under the class's own rules, like any class.

// A table made from other classes, and what the operator is told about it.
struct DerivedTable {
    ResultTable Table;
    // Start numbers of the class's own list that the class it takes from does not have.
    std::vector<std::string> Missing;
    // An average: the rounds it names, and those run so far (with a result), which count.
    int Rounds = 0;
    int RoundsCounted = 0;
};

// A carried class: its own start list (rider, horse, team, order), each starter's run (time,
// penalties, DQ, reason, total) taken from the source's row with the same start number. A
// starter the source lacks keeps an empty result and is reported; one scratched in the carried
// class stays scratched there, whatever they ran in the source.
DerivedTable CarriedTable(const ResultTable& own, const ResultTable& source);

// One go-round of an average: its class's name and its standing.
struct Round {
    std::string Name;
    Standing Result;
};

// An average: one row per start number of the rounds (the first round's order of go, then the
// numbers only later rounds have). Rounds nobody has run yet do not count; of the rounds that
// count (the first `count` when given), a starter's total is the sum of their valid totals. A DQ,
// a total that is no time, a scratch or a missing start in any counting round leaves them without
// a valid total; one still to run in a counting round has no result yet. The run time column
// shows the rounds' totals ("15,23 + 16,01").
DerivedTable AverageTable(const std::vector<Round>& rounds, std::optional<int> count = {});

// The highest total a starter whose rounds before this one add up to soFarMs may run in this
// round and still reach `place` in the average (ties share a place, so equalling that total is
// enough). `average` is the standing counting this round. Nothing when fewer than `place`
// starters are placed there: any valid run reaches it.
std::optional<std::int64_t> NeededForPlace(const Standing& average, std::int64_t soFarMs,
                                           int place);

// The most a starter may total in this round and still be paid in a division of the average.
struct MoneyNeed {
    int Division = 0;  // 1 = 1D
    std::int64_t NeededMs = 0;
};
// For each division of `average` (the standing counting this round) that pays: the most a starter
// whose rounds before add up to soFarMs may total in this round and land in a paid place of that
// division (a tie on the last paid place shares its money, so equalling is enough). Their own row
// (`ownRow`, -1 none) is left out of the field. A division that any valid run is paid in, or that
// they cannot reach a paid place of, is not listed.
std::vector<MoneyNeed> NeededForMoney(const Standing& average, const ClassRules& rules,
                                      std::int64_t soFarMs, int ownRow);

// Where a starter stands in an average while they run one of its rounds.
struct AverageOutlook {
    bool InAverage = false;  // a valid total in every round before this one
    int RoundsBefore = 0;
    std::int64_t SoFarMs = 0;  // their total over the rounds before
    int Place = 0;             // their place in the average of the rounds before; 0 in the first
    // The most they may total in this round to lead the average counting it; nothing when any
    // valid run leads (nobody has a total over all these rounds yet).
    std::optional<std::int64_t> NeededMs;
    // The most they may total in this round to be paid in each paying division.
    std::vector<MoneyNeed> MoneyNeeds;
};
// The outlook of the starter with that start number running round `round` (counted from 0) of
// the average, ranked under the average's rules.
AverageOutlook OutlookInAverage(const std::vector<Round>& rounds, int round,
                                const std::string& number, const ClassRules& rules);
