#pragma once

#include <string>
#include <string_view>
#include <vector>

class ResultTable;
struct Standing;

// The view the sort button cmd_SORT selects: down = sorted by total, up = start order. Places
// come from the class's standing; the ranking only says in which order the grid shows the rows.
class Ranking {
public:
    static constexpr std::string_view SortHint = "[F12] Plätze zuweisen und sortieren";

    explicit Ranking(char decimalSeparator) : decimalSeparator_(decimalSeparator) {}

    bool SortDown() const { return sortDown_; }
    // The operator's click toggles the button before its click handler runs.
    void SetSortDown(bool down) { sortDown_ = down; }
    // F12 turns the button over.
    void Toggle() { sortDown_ = !sortDown_; }
    // The system decimal separator of the time texts (and of numbers read from workbooks).
    char DecimalSeparator() const { return decimalSeparator_; }

    // The body rows (their indexes in the table as it is) in the order the view shows them. In
    // start order: by start position, read as a number, rows without one after them. Sorted by
    // total: the placed rows by place, then the disqualified, the totals that are no time and
    // the rows without a total; each group and every tie in start order.
    std::vector<int> ViewOrder(const ResultTable& table, const Standing& standing) const;

private:
    char decimalSeparator_;
    bool sortDown_ = false;
};

// The place column as the standing decides it: one text per table row, empty for row 0 and for
// every row without a place.
std::vector<std::string> PlaceColumn(const Standing& standing);
