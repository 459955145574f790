#include "results/Draw.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
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

// The names runs are kept apart by, one kind (riders or horses): each entry's number for its
// name, -1 for none.
struct NameKeys {
    std::vector<int> Of;
    int Count = 0;
};

NameKeys KeysOf(const std::vector<DrawEntry>& entries, std::string DrawEntry::*name) {
    NameKeys keys;
    std::map<std::string, int> ids;
    for (const DrawEntry& entry : entries) {
        const std::string key = AsciiLower(TrimText(entry.*name));
        keys.Of.push_back(key.empty() ? -1 : ids.emplace(key, keys.Count).first->second);
        keys.Count = static_cast<int>(ids.size());
    }
    return keys;
}

// The runs of one kind of name while the order grows: where each name ran last and how many of
// its runs are still open.
class Apart {
public:
    explicit Apart(const NameKeys& keys)
        : keys_(keys.Of),
          lastRun_(static_cast<std::size_t>(keys.Count), std::numeric_limits<int>::min() / 2),
          remaining_(static_cast<std::size_t>(keys.Count), 0) {}

    void Ran(int entry, long position) {
        if (const int key = keys_[entry]; key >= 0) {
            lastRun_[key] = position;
        }
    }
    void Open(int entry) {
        if (const int key = keys_[entry]; key >= 0) {
            ++remaining_[key];
        }
    }
    void Take(int entry, long position) {
        if (const int key = keys_[entry]; key >= 0) {
            lastRun_[key] = position;
            --remaining_[key];
        }
    }
    // Takes back Take: the run goes back to the open ones, the name's last run to lastRun.
    void Return(int entry, long lastRun) {
        if (const int key = keys_[entry]; key >= 0) {
            lastRun_[key] = lastRun;
            ++remaining_[key];
        }
    }
    long LastRun(int entry) const {
        const int key = keys_[entry];
        return key < 0 ? std::numeric_limits<int>::min() / 2 : lastRun_[key];
    }
    bool Fits(int entry, long position, long step) const {
        return position - LastRun(entry) >= step;
    }

    // Whether the runs still open after entry goes at position leave room to keep every name's
    // runs apart: each name's own runs fit in what is left, and so do those of the names with
    // the most runs side by side.
    bool LeavesRoom(int entry, long position, long left, long step) const {
        const long after = left - 1;
        long most = 0;
        long mostCount = 0;
        for (std::size_t who = 0; who < remaining_.size(); ++who) {
            const bool own = static_cast<int>(who) == keys_[entry];
            const long count = remaining_[who] - (own ? 1 : 0);
            if (count <= 0) {
                continue;
            }
            const long last = own ? position : lastRun_[who];
            const long wait = std::max(0L, last + step - (position + 1));
            if (wait + (count - 1) * step + 1 > after) {
                return false;
            }
            mostCount = count > most ? 1 : mostCount + (count == most ? 1 : 0);
            most = std::max(most, count);
        }
        return most == 0 || (most - 1) * step + mostCount <= after;
    }

private:
    const std::vector<int>& keys_;
    std::vector<long> lastRun_;
    std::vector<long> remaining_;
};

// Searches an order of the shuffled open starters behind the fixed ones in which every rider's
// and every horse's runs have at least gap others between them. At each place the first drawn
// starter goes whose rider and horse have had gap runs since and who leaves room for the rest;
// where that leads nowhere, the next one is tried, as long as the work allowed lasts (counted in
// names looked at), so the draw stays quick whatever the entries. Nothing when none was found;
// without a gap the first order tried always does, and no work is counted.
class GapSearch {
public:
    GapSearch(const std::vector<int>& fixed, const std::vector<int>& open, const NameKeys& riders,
              const NameKeys& horses, int gap, long* work)
        : open_(open),
          used_(open.size(), false),
          order_(fixed),
          rider_(riders),
          horse_(horses),
          step_(gap + 1),
          work_(work),
          lookCost_(riders.Count + horses.Count + 1) {
        for (std::size_t i = 0; i < order_.size(); ++i) {
            rider_.Ran(order_[i], static_cast<long>(i));
            horse_.Ran(order_[i], static_cast<long>(i));
        }
        for (int i : open_) {
            rider_.Open(i);
            horse_.Open(i);
        }
    }

    std::optional<std::vector<int>> Run() {
        return Place(static_cast<long>(open_.size())) ? std::optional(order_) : std::nullopt;
    }

private:
    bool Place(long left) {
        if (left == 0) {
            return true;
        }
        const long position = static_cast<long>(order_.size());
        for (std::size_t k = 0; k < open_.size(); ++k) {
            const int entry = open_[k];
            if (used_[k] || !rider_.Fits(entry, position, step_) ||
                !horse_.Fits(entry, position, step_)) {
                continue;
            }
            if (work_ != nullptr && (*work_ -= lookCost_) < 0) {
                return false;
            }
            if (!rider_.LeavesRoom(entry, position, left, step_) ||
                !horse_.LeavesRoom(entry, position, left, step_)) {
                continue;
            }
            const long riderLast = rider_.LastRun(entry);
            const long horseLast = horse_.LastRun(entry);
            used_[k] = true;
            rider_.Take(entry, position);
            horse_.Take(entry, position);
            order_.push_back(entry);
            if (Place(left - 1)) {
                return true;
            }
            order_.pop_back();
            rider_.Return(entry, riderLast);
            horse_.Return(entry, horseLast);
            used_[k] = false;
        }
        return false;
    }

    const std::vector<int>& open_;
    std::vector<bool> used_;
    std::vector<int> order_;
    Apart rider_;
    Apart horse_;
    const long step_;
    long* const work_;
    const long lookCost_;
};

// The widest gap the open runs of one kind of name allow at all: the names with the most runs
// need (most - 1) * (gap + 1) places, and one more for each such name.
int WidestGapOf(const std::vector<int>& open, const NameKeys& keys) {
    std::vector<long> count(static_cast<std::size_t>(keys.Count), 0);
    for (int i : open) {
        if (keys.Of[i] >= 0) {
            ++count[keys.Of[i]];
        }
    }
    const long most = count.empty() ? 0 : *std::max_element(count.begin(), count.end());
    if (most < 2) {
        return std::numeric_limits<int>::max();
    }
    const long mostCount = std::count(count.begin(), count.end(), most);
    return static_cast<int>((static_cast<long>(open.size()) - mostCount) / (most - 1) - 1);
}

// Two runs of one name next to each other in the order with fewer than gap others between
// them, in start order; gap < 0 gives every pair next to each other.
void AddClashes(const std::vector<int>& order, const std::vector<DrawEntry>& entries,
                const NameKeys& keys, bool horse, int gap, std::vector<DrawClash>& clashes,
                int& shortest) {
    std::vector<long> seen(static_cast<std::size_t>(keys.Count), -1);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int key = keys.Of[order[i]];
        if (key < 0) {
            continue;
        }
        long& last = seen[key];
        if (last >= 0) {
            const int between = static_cast<int>(static_cast<long>(i) - last - 1);
            shortest = shortest < 0 ? between : std::min(shortest, between);
            if (between < gap) {
                const DrawEntry& first = entries[order[last]];
                clashes.push_back({horse, std::string(TrimText(horse ? first.Horse : first.Rider)),
                                   static_cast<int>(last) + 1, static_cast<int>(i) + 1});
            }
        }
        last = static_cast<long>(i);
    }
}

}  // namespace

DrawOutcome DrawStartOrder(const std::vector<DrawEntry>& entries, int horseGap,
                           std::uint64_t seed) {
    const NameKeys riders = KeysOf(entries, &DrawEntry::Rider);
    const NameKeys horses = KeysOf(entries, &DrawEntry::Horse);
    std::vector<int> fixed;
    std::vector<int> open;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        (entries[i].HasRun ? fixed : open).push_back(static_cast<int>(i));
    }
    std::mt19937_64 random(seed);
    for (std::size_t i = open.size(); i > 1; --i) {
        std::swap(open[i - 1], open[Below(random, i)]);
    }
    // The gap asked for; where the entries do not allow it, the widest gap they allow, searched
    // between none and the widest the counts of runs leave possible.
    const int widest = std::min({static_cast<int>(entries.size()) - 2, WidestGapOf(open, riders),
                                 WidestGapOf(open, horses)});
    const auto search = [&](int gap) {
        // A few hundredths of a second for each gap tried, however the entries are made.
        long work = 20'000'000;
        return GapSearch(fixed, open, riders, horses, gap, gap > 0 ? &work : nullptr).Run();
    };
    const int asked = std::clamp(horseGap, 0, std::max(widest, 0));
    std::optional<std::vector<int>> order = search(asked);
    if (!order) {
        // Halving between a gap found (none always is) and the widest still in question.
        int found = 0;
        order = search(0);
        for (int widestLeft = asked - 1; found < widestLeft;) {
            const int gap = (found + widestLeft + 1) / 2;
            if (std::optional<std::vector<int>> tried = search(gap)) {
                found = gap;
                order = std::move(tried);
            } else {
                widestLeft = gap - 1;
            }
        }
    }
    DrawOutcome outcome;
    outcome.Order = std::move(*order);
    AddClashes(outcome.Order, entries, riders, false, horseGap, outcome.Clashes,
               outcome.ShortestGap);
    AddClashes(outcome.Order, entries, horses, true, horseGap, outcome.Clashes,
               outcome.ShortestGap);
    std::stable_sort(outcome.Clashes.begin(), outcome.Clashes.end(),
                     [](const DrawClash& a, const DrawClash& b) { return a.First < b.First; });
    outcome.GapMet = outcome.Clashes.empty();
    return outcome;
}

std::string DrawGapNote(const DrawOutcome& outcome, int horseGap) {
    if (outcome.GapMet) {
        return {};
    }
    // A long list helps nobody: the first few, and how many more.
    constexpr std::size_t Named = 6;
    std::string where;
    for (std::size_t i = 0; i < outcome.Clashes.size() && i < Named; ++i) {
        const DrawClash& clash = outcome.Clashes[i];
        where += (where.empty() ? "" : ", ") + std::string(clash.Horse ? "Pferd " : "") +
                 clash.Name + ": Startplätze " + std::to_string(clash.First) + " und " +
                 std::to_string(clash.Second);
    }
    if (outcome.Clashes.size() > Named) {
        where += " und " + std::to_string(outcome.Clashes.size() - Named) + " weitere";
    }
    return ". Pferdeabstand " + std::to_string(horseGap) +
           " nicht überall möglich: kleinster Abstand " + std::to_string(outcome.ShortestGap) +
           " (" + where + ")";
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
    const NameKeys riders = KeysOf(entries, &DrawEntry::Rider);
    const NameKeys horses = KeysOf(entries, &DrawEntry::Horse);
    const auto shared = [&](int a, int b) {
        return (riders.Of[a] >= 0 && riders.Of[a] == riders.Of[b]) ||
               (horses.Of[a] >= 0 && horses.Of[a] == horses.Of[b]);
    };
    std::mt19937_64 random(seed);
    for (int entry = count - late; entry < count; ++entry) {
        // The gaps behind the fixed starters, at the end included, that keep the rider's and
        // the horse's runs apart; every gap when none does.
        std::vector<std::size_t> gaps;
        std::vector<std::size_t> all;
        for (std::size_t gap = static_cast<std::size_t>(fixed); gap <= order.size(); ++gap) {
            all.push_back(gap);
            bool apart = true;
            for (std::size_t other = 0; other < order.size() && apart; ++other) {
                const long distance = other < gap ? static_cast<long>(gap - other - 1)
                                                  : static_cast<long>(other - gap);
                apart = distance >= horseGap || !shared(order[other], entry);
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
        entries.push_back(
            {table.Cell(ColName, row), table.Cell(ColPferd, row), RowHasRun(table, row)});
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
