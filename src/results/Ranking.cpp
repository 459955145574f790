#include "results/Ranking.h"

#include <string>

#include "results/ResultTable.h"
#include "results/TimeText.h"

Ranking::Ranking(ResultTable& table, char decimalSeparator)
    : table_(table), decimalSeparator_(decimalSeparator) {}

void Ranking::SortOpen(int col) {
    table_.SortOptions().CanSort = true;
    table_.SortByColumn(col, decimalSeparator_);
    table_.SortOptions().CanSort = false;
}

void Ranking::RankAndSort() {
    SortOpen(ColTotal);
    int count = 0;
    int sharedPlace = 1;
    std::string previousTotal;
    for (int row = 1; row < table_.RowCount(); ++row) {
        const std::string& total = table_.Cell(ColTotal, row);
        if (TrimText(total).empty() || total == "DQ") {
            table_.SetCell(ColRang, row, std::string());
            continue;
        }
        ++count;
        if (SameTimeText(total, previousTotal)) {
            table_.SetCell(ColRang, row, std::to_string(sharedPlace));
        } else {
            table_.SetCell(ColRang, row, std::to_string(count));
            sharedPlace = count;
            previousTotal = total;
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
