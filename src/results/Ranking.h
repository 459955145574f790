#pragma once

#include <string_view>

#include "results/ResultRules.h"

class ResultTable;

// Places from the totals, and the view the sort button cmd_SORT selects: down = sorted by
// total, up = start order.
class Ranking {
public:
    static constexpr std::string_view SortHint = "[F12] Plätze zuweisen und sortieren";

    Ranking(ResultTable& table, char decimalSeparator);

    // Equal times (cut to the resolution) share the place of the first; disqualified and
    // empty totals get no place; a total that is no time gets a place after every time.
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
    // How fine the times are told apart; hundredths unless a class says otherwise.
    Resolution TimeResolution() const { return resolution_; }
    void SetTimeResolution(Resolution resolution) { resolution_ = resolution; }

private:
    void SortOpen(int col);

    ResultTable& table_;
    char decimalSeparator_;
    bool sortDown_ = false;
    Resolution resolution_ = Resolution::Hundredths;
};
