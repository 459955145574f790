#include "results/Rounds.h"

#include <algorithm>
#include <map>

#include "results/Draw.h"
#include "results/ResultRules.h"
#include "results/TimeText.h"

namespace {

std::string NumberKey(std::string_view number) {
    return AsciiLower(TrimText(number));
}

// The starter's rows of a round by start number; rows without one are nobody's.
std::map<std::string, int> RowsByNumber(const Standing& round) {
    std::map<std::string, int> rows;
    for (const int row : round.StartOrder) {
        const std::string key = NumberKey(round.At(row).StartNumber);
        if (!key.empty()) {
            rows.emplace(key, row);
        }
    }
    return rows;
}

}  // namespace

DerivedTable CarriedTable(const ResultTable& own, const ResultTable& source) {
    DerivedTable carried;
    carried.Table = own;
    ResultTable& table = carried.Table;
    for (int row = 1; row < table.RowCount(); ++row) {
        const std::string number(TrimText(table.Cell(ColNr, row)));
        if (number.empty()) {
            continue;
        }
        const int from = source.FindRow(number);
        if (from < 0) {
            carried.Missing.push_back(number);
        }
        if (RowScratched(table, row)) {
            continue;
        }
        for (const int col : {ColLaufzeit, ColStrafen, ColDq, ColGrund, ColTotal}) {
            table.SetCell(col, row, from < 0 ? std::string() : source.Cell(col, from));
        }
    }
    return carried;
}

DerivedTable AverageTable(const std::vector<Round>& rounds, std::optional<int> count) {
    DerivedTable average;
    average.Rounds = static_cast<int>(rounds.size());
    std::vector<const Round*> counting;
    for (const Round& round : rounds) {
        if (count ? static_cast<int>(counting.size()) < *count : round.Result.Runs > 0) {
            counting.push_back(&round);
        }
    }
    average.RoundsCounted = static_cast<int>(counting.size());

    // Every start number of the rounds once, the first round's order of go first.
    std::vector<std::map<std::string, int>> rowsOf;
    for (const Round& round : rounds) {
        rowsOf.push_back(RowsByNumber(round.Result));
    }
    std::vector<std::pair<std::string, const StandingRow*>> starters;
    std::map<std::string, bool> seen;
    for (const Round& round : rounds) {
        for (const int row : round.Result.StartOrder) {
            const StandingRow& at = round.Result.At(row);
            const std::string key = NumberKey(at.StartNumber);
            if (!key.empty() && !seen[key]) {
                seen[key] = true;
                starters.emplace_back(key, &at);
            }
        }
    }

    const Standing* first = rounds.empty() ? nullptr : &rounds.front().Result;
    const char separator = first ? first->DecimalSeparator : ',';
    const Resolution resolution = first ? first->TimeResolution : Resolution::Hundredths;
    ResultTable& table = average.Table;
    table.SetRowCount(static_cast<int>(starters.size()) + 1);
    int row = 0;
    for (const auto& [key, starter] : starters) {
        ++row;
        table.SetCell(ColNr, row, starter->StartNumber);
        table.SetCell(ColName, row, starter->Rider);
        table.SetCell(ColPferd, row, starter->Horse);
        table.SetCell(ColTeam, row, starter->Team);
        table.SetCell(ColStartPos, row, std::to_string(row));
        std::int64_t sum = 0;
        bool allValid = true;
        std::string unplaced;  // why the rider has no valid total, for the reason column
        std::string noTime;
        bool disqualified = false;
        bool scratched = false;
        std::string times;
        for (const Round* round : counting) {
            const auto& rows = rowsOf[static_cast<std::size_t>(round - rounds.data())];
            const auto found = rows.find(key);
            const StandingRow* at =
                found == rows.end() ? nullptr : &round->Result.At(found->second);
            times += (times.empty() ? "" : " + ") +
                     (at && !at->Total.empty() ? at->Total : std::string("–"));
            if (at && at->State == Validity::Valid) {
                sum += *at->TotalMs;
                continue;
            }
            allValid = false;
            const Validity state = at ? at->State : Validity::NoTime;
            disqualified = disqualified || state == Validity::Disqualified;
            scratched = scratched || state == Validity::Scratched;
            if (state == Validity::NoTime && noTime.empty()) {
                noTime = at ? at->Total : "–";
            }
            if (state != Validity::NoResult && unplaced.empty()) {
                unplaced =
                    (at ? (state == Validity::Scratched ? std::string(ScratchedText) : at->Total)
                        : std::string("nicht gestartet")) +
                    " in " + round->Name;
            }
        }
        table.SetCell(ColLaufzeit, row, times);
        if (allValid && !counting.empty()) {
            table.SetCell(ColTotal, row, FormatTimeText(sum, separator, resolution));
        } else if (disqualified) {
            table.SetCell(ColDq, row, "DQ");
            table.SetCell(ColTotal, row, "DQ");
        } else if (!noTime.empty()) {
            table.SetCell(ColTotal, row, noTime);
        } else if (scratched) {
            // A scratch counts only while the rider has no other result: a total "–" is none.
            table.SetCell(ColTotal, row, "–");
        }
        table.SetCell(ColGrund, row, unplaced);
    }
    table.SetModified(false);
    return average;
}

std::optional<std::int64_t> NeededForPlace(const Standing& average, std::int64_t soFarMs,
                                           int place) {
    std::vector<std::int64_t> totals;
    for (const int row : average.Ranked) {
        if (const StandingRow& at = average.At(row); at.TotalMs) {
            totals.push_back(*at.TotalMs);
        }
    }
    if (place < 1 || static_cast<int>(totals.size()) < place) {
        return std::nullopt;
    }
    std::sort(totals.begin(), totals.end());
    return totals[static_cast<std::size_t>(place - 1)] - soFarMs;
}

std::vector<MoneyNeed> NeededForMoney(const Standing& average, const ClassRules& rules,
                                      std::int64_t soFarMs, int ownRow) {
    std::vector<MoneyNeed> needs;
    if (!average.Pays) {
        return needs;
    }
    Totals totals;
    for (const StandingRow& at : average.Rows) {
        const bool counts = at.Row != ownRow && at.State == Validity::Valid;
        totals.push_back(counts ? at.TotalMs : std::nullopt);
    }
    const std::size_t own = totals.size();
    totals.emplace_back();
    const Resolution resolution = ResolutionOf(rules);
    const std::int64_t unit = resolution == Resolution::Thousandths ? 1 : 10;
    // Where the starter lands with `runMs` in this round: their division and whether it pays.
    const auto land = [&](std::int64_t runMs) {
        totals[own] = soFarMs + runMs;
        const std::vector<DivisionPlace> divided =
            Divide(totals, rules.DivisionOffsetsMs, resolution);
        const PayoutSheet sheet = Pay(rules, average.Sheet.Entries, divided, totals, resolution);
        return std::pair{divided[own].Division, sheet.RowCents.at(own) > 0};
    };
    // Ten minutes is slower than any run: a division still paid there pays any valid run.
    constexpr std::int64_t slowest = 600'000;
    for (int division = 1; division <= rules.DivisionCount(); ++division) {
        // Paid in this division or a faster one: true up to the time sought, false after it.
        const auto within = [&](std::int64_t runMs) {
            const auto [landed, paid] = land(runMs);
            return landed < division || (landed == division && paid);
        };
        if (!within(0) || within(slowest)) {
            continue;
        }
        std::int64_t fast = 0;               // within
        std::int64_t slow = slowest / unit;  // not within
        while (slow - fast > 1) {
            const std::int64_t mid = fast + (slow - fast) / 2;
            (within(mid * unit) ? fast : slow) = mid;
        }
        if (const auto [landed, paid] = land(fast * unit); landed == division && paid) {
            needs.push_back({division, fast * unit});
        }
    }
    return needs;
}

AverageOutlook OutlookInAverage(const std::vector<Round>& rounds, int round,
                                const std::string& number, const ClassRules& rules) {
    AverageOutlook outlook;
    outlook.RoundsBefore = round;
    const std::string key = NumberKey(number);
    const auto rowOf = [&](const Standing& standing) -> const StandingRow* {
        for (const int row : standing.StartOrder) {
            if (NumberKey(standing.At(row).StartNumber) == key) {
                return &standing.At(row);
            }
        }
        return nullptr;
    };
    if (round > 0) {
        const Standing before = MakeStanding(AverageTable(rounds, round).Table, rules, {});
        const StandingRow* at = rowOf(before);
        if (at == nullptr || !at->TotalMs) {
            return outlook;
        }
        outlook.SoFarMs = *at->TotalMs;
        outlook.Place = at->Place;
    }
    outlook.InAverage = true;
    const Standing with = MakeStanding(AverageTable(rounds, round + 1).Table, rules, {});
    outlook.NeededMs = NeededForPlace(with, outlook.SoFarMs, 1);
    const StandingRow* own = rowOf(with);
    outlook.MoneyNeeds =
        NeededForMoney(with, rules, outlook.SoFarMs, own != nullptr ? own->Row : -1);
    return outlook;
}
