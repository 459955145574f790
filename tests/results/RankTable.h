#pragma once

#include <vector>

#include "results/ClassRules.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

// What the program does to its table after every change, for tests that need a ranked table:
// the places as the class's standing decides them, then the rows in the order of the view the
// sort button selects (sorted by total, or the start order).
inline void RankTable(ResultTable& table, bool sortDown = false, const ClassRules& rules = {}) {
    const Standing standing = MakeStanding(table, rules, {});
    const std::vector<std::string> places = PlaceColumn(standing);
    for (int row = 1; row < table.RowCount(); ++row) {
        table.SetCell(ColRang, row, places[static_cast<std::size_t>(row)]);
    }
    Ranking ranking(',');
    ranking.SetSortDown(sortDown);
    table.Rearrange(ranking.ViewOrder(table, standing));
}
