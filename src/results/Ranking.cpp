#include "results/Ranking.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>

#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

long PositionKey(const ResultTable& table, int row) {
    const std::string_view text = TrimText(table.Cell(ColStartPos, row));
    const long position = text.empty() ? 0 : std::strtol(std::string(text).c_str(), nullptr, 10);
    return position > 0 ? position : std::numeric_limits<long>::max();
}

int GroupOf(Validity state) {
    switch (state) {
        case Validity::Valid:
            return 0;
        case Validity::Disqualified:
            return 1;
        case Validity::NoTime:
            return 2;
        default:
            return 3;
    }
}

}  // namespace

std::vector<int> Ranking::ViewOrder(const ResultTable& table, const Standing& standing) const {
    std::vector<int> rows;
    for (int row = 1; row < table.RowCount(); ++row) {
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return PositionKey(table, a) < PositionKey(table, b); });
    if (sortDown_) {
        const auto key = [&](int row) {
            const StandingRow& at = standing.At(row);
            return std::make_tuple(GroupOf(at.State), at.Place);
        };
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return key(a) < key(b); });
    }
    return rows;
}

std::vector<std::string> PlaceColumn(const Standing& standing) {
    std::vector<std::string> places(standing.Rows.size());
    for (std::size_t row = 1; row < standing.Rows.size(); ++row) {
        const int place = standing.Rows[row].Place;
        places[row] = place > 0 ? std::to_string(place) : std::string();
    }
    return places;
}
