#pragma once

#include <string_view>

class ResultTable;

// Places from the totals, and the view the sort button cmd_SORT selects: down = sorted by
// total, up = start order.
class Ranking {
public:
    static constexpr std::string_view SortHint = "[F12] Plätze zuweisen und sortieren";

    Ranking(ResultTable& table, char decimalSeparator);

    // Equal total texts (either decimal separator) share the place of the first; "DQ" and
    // empty totals get no place.
    // Leaves the table in the view cmd_SORT selects.
    void RankAndSort();
    // Leaves edit mode, then ranks and sorts by total (down) or restores start order (up).
    void cmd_SORTClick();
    // F12: turns cmd_SORT over, then runs its click.
    void mSortModeClick();

    bool SortDown() const { return sortDown_; }
    // The operator's click toggles the button before its click handler runs.
    void SetSortDown(bool down) { sortDown_ = down; }
    // The system decimal separator of the time texts (and of numbers read from workbooks).
    char DecimalSeparator() const { return decimalSeparator_; }

private:
    void SortOpen(int col);

    ResultTable& table_;
    char decimalSeparator_;
    bool sortDown_ = false;
};
