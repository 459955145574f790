#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ResultTable;

// One starter of a class as the draw sees it.
struct DrawEntry {
    std::string Rider;    // runs of one rider are kept apart, compared trimmed and ignoring case
    bool HasRun = false;  // keeps its place in front of the drawn starters
};

struct DrawOutcome {
    std::vector<int> Order;  // indexes into the entries, in start order
    // The fewest other runs between two runs of one rider (-1 when no rider runs twice), and
    // whether every rider got the horse gap asked for.
    int ShortestGap = -1;
    bool GapMet = true;
};

// A random start order, the same for the same seed on every machine. Starters who have run keep
// their places in front, in their order; the others are drawn behind them. Two runs of one rider
// have at least horseGap other runs between them where the entries allow it; where they do not,
// they are kept as far apart as the greedy order finds.
DrawOutcome DrawStartOrder(const std::vector<DrawEntry>& entries, int horseGap, std::uint64_t seed);

// Late entries drawn into the part of a start order that has not run: entries are the class's
// starters in start order with the late ones at the end (the last `late`). The first `fixed`
// keep their places, the others keep their order, and each late entry goes into a random gap
// behind them, where the entries allow at least horseGap other runs from the rider's other
// runs. The same seed gives the same order on every machine.
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
