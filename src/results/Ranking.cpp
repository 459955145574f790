#include "results/Ranking.h"

#include <cstdint>
#include <optional>
#include <string>

#include "results/ResultRules.h"
#include "results/ResultTable.h"

Ranking::Ranking(ResultTable& table, char decimalSeparator)
    : table_(table), decimalSeparator_(decimalSeparator) {}

void Ranking::SortOpen(int col) {
    table_.SortOptions().CanSort = true;
    table_.SortByColumn(col, decimalSeparator_, resolution_);
    table_.SortOptions().CanSort = false;
}

void Ranking::RankAndSort() {
    SortOpen(ColTotal);
    int count = 0;
    int sharedPlace = 1;
    std::optional<std::int64_t> previousTime;
    for (int row = 1; row < table_.RowCount(); ++row) {
        const std::string& total = table_.Cell(ColTotal, row);
        if (TrimText(total).empty() || IsDisqualifiedRow(table_, row)) {
            table_.SetCell(ColRang, row, std::string());
            continue;
        }
        ++count;
        const std::optional<std::int64_t> time = ReadTotal(total);
        if (time && previousTime && SameTotal(*time, *previousTime, resolution_)) {
            table_.SetCell(ColRang, row, std::to_string(sharedPlace));
        } else {
            table_.SetCell(ColRang, row, std::to_string(count));
            sharedPlace = count;
            previousTime = time;
        }
    }
    if (!sortDown_) {
        SortOpen(ColStartPos);
    }
}

void Ranking::cmd_SORTClick() {
    table_.SetEditMode(false);
    if (sortDown_) {
        RankAndSort();
    } else {
        SortOpen(ColStartPos);
    }
}

void Ranking::mSortModeClick() {
    sortDown_ = !sortDown_;
    cmd_SORTClick();
}
