#include "results/Draw.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <random>

#include "results/ResultRules.h"
#include "results/ResultTable.h"

namespace {

// A number below bound from the generator, by rejection, so that the order does not depend on
// the standard library's distributions.
std::uint64_t Below(std::mt19937_64& random, std::uint64_t bound) {
    const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() -
                                std::numeric_limits<std::uint64_t>::max() % bound;
    std::uint64_t value = 0;
    do {
        value = random();
    } while (value >= limit);
    return value % bound;
}

std::vector<int> BodyRowsInStartOrder(const ResultTable& table) {
    std::vector<int> rows;
    for (int row = 1; row < table.RowCount(); ++row) {
        rows.push_back(row);
    }
    const auto position = [&table](int row) {
        const std::string& text = table.Cell(ColStartPos, row);
        return text.empty() ? std::numeric_limits<long>::max()
                            : std::strtol(text.c_str(), nullptr, 10);
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return position(a) < position(b); });
    return rows;
}

}  // namespace

bool RowHasRun(const ResultTable& table, int row) {
    for (int col : {ColLaufzeit, ColDq, ColTotal}) {
        if (!TrimText(table.Cell(col, row)).empty()) {
            return true;
        }
    }
    return false;
}

bool RowScratched(const ResultTable& table, int row) {
    return IsScratched(table.Cell(ColGrund, row)) && !RowHasRun(table, row);
}

namespace {

// Places the shuffled open starters behind the fixed ones, one after another: a rider pressed
// for room goes first, else the first drawn starter whose rider has had gap runs since.
std::vector<int> PlaceWithGap(std::vector<int> order, std::vector<int> open,
                              const std::vector<int>& rider, int riders, int gap) {
    std::vector<long> lastRun(static_cast<std::size_t>(riders),
                              std::numeric_limits<int>::min() / 2);
    std::vector<long> remaining(static_cast<std::size_t>(riders), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        lastRun[rider[order[i]]] = static_cast<long>(i);
    }
    for (int i : open) {
        ++remaining[rider[i]];
    }
    const long step = gap + 1;
    while (!open.empty()) {
        const long position = static_cast<long>(order.size());
        const long left = static_cast<long>(open.size());
        const auto fits = [&](int entry) { return position - lastRun[rider[entry]] >= step; };
        // Whether the runs still open after entry leave room to keep every rider apart: each
        // rider's own runs fit, and so do those of the riders with the most runs side by side.
        const auto leavesRoom = [&](int entry) {
            const long after = left - 1;
            long most = 0;
            long mostCount = 0;
            for (int who = 0; who < riders; ++who) {
                const long count = remaining[who] - (who == rider[entry] ? 1 : 0);
                if (count <= 0) {
                    continue;
                }
                const long last = who == rider[entry] ? position : lastRun[who];
                const long wait = std::max(0L, last + step - (position + 1));
                if (wait + (count - 1) * step + 1 > after) {
                    return false;
                }
                mostCount = count > most ? 1 : mostCount + (count == most ? 1 : 0);
                most = std::max(most, count);
            }
            return most == 0 || (most - 1) * step + mostCount <= after;
        };
        std::size_t chosen = open.size();
        for (std::size_t k = 0; k < open.size() && chosen == open.size(); ++k) {
            if (fits(open[k]) && leavesRoom(open[k])) {
                chosen = k;
            }
        }
        // No choice leaves room: the rider with the most runs still to go.
        const bool pressed = chosen == open.size();
        for (std::size_t k = 0; pressed && k < open.size(); ++k) {
            if (fits(open[k]) && (chosen == open.size() ||
                                  remaining[rider[open[k]]] > remaining[rider[open[chosen]]])) {
                chosen = k;
            }
        }
        if (chosen == open.size()) {
            // Nobody fits: the rider whose last run lies farthest back goes.
            chosen = 0;
            for (std::size_t k = 1; k < open.size(); ++k) {
                if (lastRun[rider[open[k]]] < lastRun[rider[open[chosen]]]) {
                    chosen = k;
                }
            }
        }
        const int entry = open[chosen];
        open.erase(open.begin() + static_cast<long>(chosen));
        lastRun[rider[entry]] = position;
        --remaining[rider[entry]];
        order.push_back(entry);
    }
    return order;
}

int ShortestGapOf(const std::vector<int>& order, const std::vector<int>& rider, int riders) {
    std::vector<long> seen(static_cast<std::size_t>(riders), -1);
    int shortest = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        long& last = seen[rider[order[i]]];
        if (last >= 0) {
            const int gap = static_cast<int>(static_cast<long>(i) - last - 1);
            shortest = shortest < 0 ? gap : std::min(shortest, gap);
        }
        last = static_cast<long>(i);
    }
    return shortest;
}

}  // namespace

DrawOutcome DrawStartOrder(const std::vector<DrawEntry>& entries, int horseGap,
                           std::uint64_t seed) {
    std::map<std::string, int> riderIds;
    std::vector<int> rider(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int next = static_cast<int>(riderIds.size());
        rider[i] = riderIds.emplace(AsciiLower(TrimText(entries[i].Rider)), next).first->second;
    }
    const int riders = static_cast<int>(riderIds.size());
    std::vector<int> fixed;
    std::vector<int> open;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        (entries[i].HasRun ? fixed : open).push_back(static_cast<int>(i));
    }
    std::mt19937_64 random(seed);
    for (std::size_t i = open.size(); i > 1; --i) {
        std::swap(open[i - 1], open[Below(random, i)]);
    }
    // The gap asked for first; where the entries do not allow it, the widest gap they allow.
    DrawOutcome outcome;
    for (int gap = std::max(0, horseGap); gap >= 0; --gap) {
        outcome.Order = PlaceWithGap(fixed, open, rider, riders, gap);
        outcome.ShortestGap = ShortestGapOf(outcome.Order, rider, riders);
        if (outcome.ShortestGap < 0 || outcome.ShortestGap >= gap) {
            break;
        }
    }
    outcome.GapMet = outcome.ShortestGap < 0 || outcome.ShortestGap >= horseGap;
    return outcome;
}

std::vector<int> LateEntryOrder(const std::vector<DrawEntry>& entries, int fixed, int late,
                                int horseGap, std::uint64_t seed) {
    const int count = static_cast<int>(entries.size());
    late = std::clamp(late, 0, count);
    fixed = std::clamp(fixed, 0, count - late);
    std::vector<int> order(static_cast<std::size_t>(count - late));
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    const auto rider = [&entries](int entry) {
        return AsciiLower(TrimText(entries[static_cast<std::size_t>(entry)].Rider));
    };
    std::mt19937_64 random(seed);
    for (int entry = count - late; entry < count; ++entry) {
        // The gaps behind the fixed starters, at the end included, that keep the rider's runs
        // apart; every gap when none does.
        std::vector<std::size_t> gaps;
        std::vector<std::size_t> all;
        for (std::size_t gap = static_cast<std::size_t>(fixed); gap <= order.size(); ++gap) {
            all.push_back(gap);
            bool apart = true;
            for (std::size_t other = 0; other < order.size() && apart; ++other) {
                const long distance = other < gap ? static_cast<long>(gap - other - 1)
                                                  : static_cast<long>(other - gap);
                apart = distance >= horseGap || rider(order[other]) != rider(entry);
            }
            if (apart) {
                gaps.push_back(gap);
            }
        }
        const std::vector<std::size_t>& choice = gaps.empty() ? all : gaps;
        const std::size_t gap = choice[Below(random, choice.size())];
        order.insert(order.begin() + static_cast<long>(gap), entry);
    }
    return order;
}

std::vector<DrawEntry> DrawEntriesOf(const ResultTable& table) {
    std::vector<DrawEntry> entries;
    for (int row : BodyRowsInStartOrder(table)) {
        entries.push_back({table.Cell(ColName, row), RowHasRun(table, row)});
    }
    return entries;
}

void ApplyStartOrder(ResultTable& table, const std::vector<int>& order) {
    const std::vector<int> rows = BodyRowsInStartOrder(table);
    std::vector<std::array<std::string, ResultTable::ColCount>> drawn;
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto cells = table.Row(rows.at(static_cast<std::size_t>(order[i])));
        cells[ColStartPos] = std::to_string(i + 1);
        drawn.push_back(std::move(cells));
    }
    table.SetBodyRows(std::move(drawn));
    table.SetModified(true);
}

bool DragAfter(int position, int dragEvery, int runs) {
    return dragEvery > 0 && position > 0 && position < runs && position % dragEvery == 0;
}
