#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ResultTable;

// One starter of a class as the draw sees it.
struct DrawEntry {
    // Runs of one rider, and runs of one horse, are kept apart; names are compared trimmed and
    // ignoring case, and an empty name is nobody's.
    std::string Rider;
    std::string Horse;
    bool HasRun = false;  // keeps its place in front of the drawn starters
};

// Two runs of one rider or of one horse with fewer other runs between them than asked for.
struct DrawClash {
    bool Horse = false;  // they share the horse, else the rider
    std::string Name;    // the rider's or the horse's name as the first of the two has it
    int First = 0;       // their start positions, from 1
    int Second = 0;
};

struct DrawOutcome {
    std::vector<int> Order;  // indexes into the entries, in start order
    // The fewest other runs between two runs of one rider or of one horse (-1 when nobody and no
    // horse runs twice), whether every rider and horse got the horse gap asked for, and where
    // not, in start order.
    int ShortestGap = -1;
    bool GapMet = true;
    std::vector<DrawClash> Clashes;
};

// A random start order, the same for the same seed on every machine. Starters who have run keep
// their places in front, in their order; the others are drawn behind them. Two runs of one rider,
// and two runs of one horse (one horse under two riders), have at least horseGap other runs
// between them where the entries allow it; where they do not, they are kept as far apart as the
// greedy order finds, and the outcome names them.
DrawOutcome DrawStartOrder(const std::vector<DrawEntry>& entries, int horseGap, std::uint64_t seed);

// The draw's note on the horse gap for the operator and the change log, empty when it was kept:
// ". Pferdeabstand 2 nicht überall möglich: kleinster Abstand 0 (Anna: Startplätze 3 und 4,
// Pferd Blitz: Startplätze 6 und 7)".
std::string DrawGapNote(const DrawOutcome& outcome, int horseGap);

// Late entries drawn into the part of a start order that has not run: entries are the class's
// starters in start order with the late ones at the end (the last `late`). The first `fixed`
// keep their places, the others keep their order, and each late entry goes into a random gap
// behind them, where the entries allow at least horseGap other runs from the rider's and the
// horse's other runs. The same seed gives the same order on every machine.
std::vector<int> LateEntryOrder(const std::vector<DrawEntry>& entries, int fixed, int late,
                                int horseGap, std::uint64_t seed);

// A run time, DQ or total is in the row.
bool RowHasRun(const ResultTable& table, int row);
// The starter scratched (see IsScratched) and has no result: skipped by "next", never ranked.
bool RowScratched(const ResultTable& table, int row);

// The draw's entries of the table's body rows in their start order (by start position).
std::vector<DrawEntry> DrawEntriesOf(const ResultTable& table);
// Puts the body rows into the drawn order and numbers their start positions 1, 2, ...
void ApplyStartOrder(ResultTable& table, const std::vector<int>& order);

// True when the ground is dragged after the run at start position (from 1): after every
// dragEvery runs, never after the last run.
bool DragAfter(int position, int dragEvery, int runs);
