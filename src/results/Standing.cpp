#include "results/Standing.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "results/Draw.h"
#include "results/ResultTable.h"
#include "results/TimeText.h"

namespace {

std::string Trimmed(const ResultTable& table, int col, int row) {
    return std::string(TrimText(table.Cell(col, row)));
}

bool IsStarter(const ResultTable& table, int row) {
    return !TrimText(table.Cell(ColNr, row)).empty() || !TrimText(table.Cell(ColName, row)).empty();
}

int StartPositionOf(const ResultTable& table, int row) {
    const std::string position = Trimmed(table, ColStartPos, row);
    const long value = position.empty() ? 0 : std::strtol(position.c_str(), nullptr, 10);
    return value > 0 && value < std::numeric_limits<int>::max() ? static_cast<int>(value) : 0;
}

// A time cell as shown: the time at the class's resolution where the cell holds one, else the
// text as typed.
std::string TimeCellText(const std::string& text, Resolution resolution, char separator) {
    const std::optional<std::int64_t> ms = ReadTotal(text);
    return ms ? FormatTimeText(*ms, separator, resolution) : std::string(TrimText(text));
}

// Places with ties among rows sorted by their total: equal totals share the first one's place.
void PlaceByTotal(Standing& standing, const std::vector<int>& rows, int StandingRow::*place) {
    int count = 0;
    int shared = 0;
    std::optional<std::int64_t> previous;
    for (const int row : rows) {
        StandingRow& at = standing.Rows[static_cast<std::size_t>(row)];
        ++count;
        if (!previous || *previous != *at.TotalMs) {
            shared = count;
            previous = at.TotalMs;
        }
        at.*place = shared;
    }
}

}  // namespace

Validity RowValidity(const ResultTable& table, int row) {
    if (IsDisqualifiedRow(table, row)) {
        return Validity::Disqualified;
    }
    const std::string_view total = TrimText(table.Cell(ColTotal, row));
    if (!total.empty()) {
        return ReadTotal(total) ? Validity::Valid : Validity::NoTime;
    }
    return RowScratched(table, row) ? Validity::Scratched : Validity::NoResult;
}

Standing MakeStanding(const ResultTable& table, const ClassRules& rules,
                      const StandingContext& context) {
    Standing standing;
    standing.Rules = rules;
    standing.TimeResolution = ResolutionOf(rules);
    standing.DecimalSeparator = TotalsSeparator(table, context.SystemSeparator);
    const Resolution resolution = standing.TimeResolution;
    const char separator = standing.DecimalSeparator;
    const int rowCount = std::max(table.RowCount(), 1);
    standing.Rows.resize(static_cast<std::size_t>(rowCount));

    Totals totals(static_cast<std::size_t>(rowCount));
    for (int row = 1; row < table.RowCount(); ++row) {
        StandingRow& at = standing.Rows[static_cast<std::size_t>(row)];
        at.Row = row;
        at.State = RowValidity(table, row);
        at.StartPosition = StartPositionOf(table, row);
        at.PurseEntry = IsPurseEntry(table, row, rules);
        at.StartNumber = Trimmed(table, ColNr, row);
        at.Rider = Trimmed(table, ColName, row);
        at.Horse = Trimmed(table, ColPferd, row);
        at.Team = Trimmed(table, ColTeam, row);
        at.Penalties = Trimmed(table, ColStrafen, row);
        at.Reason = Trimmed(table, ColGrund, row);
        at.RunTime = TimeCellText(table.Cell(ColLaufzeit, row), resolution, separator);
        switch (at.State) {
            case Validity::Valid:
                at.TotalMs = CutToResolution(*ReadTotal(table.Cell(ColTotal, row)), resolution);
                at.Total = FormatTimeText(*at.TotalMs, separator, resolution);
                totals[static_cast<std::size_t>(row)] = at.TotalMs;
                break;
            case Validity::Disqualified:
                at.Total = "DQ";
                break;
            default:
                at.Total = Trimmed(table, ColTotal, row);
                break;
        }
    }

    // The order of go: by start position, rows without one after them in table order.
    for (int row = 1; row < table.RowCount(); ++row) {
        if (IsStarter(table, row)) {
            standing.StartOrder.push_back(row);
        }
    }
    const auto goKey = [&](int row) {
        const int position = standing.Rows[static_cast<std::size_t>(row)].StartPosition;
        return position > 0 ? position : std::numeric_limits<int>::max();
    };
    std::stable_sort(standing.StartOrder.begin(), standing.StartOrder.end(),
                     [&](int a, int b) { return goKey(a) < goKey(b); });
    const int starters = static_cast<int>(standing.StartOrder.size());
    for (int index = 0; index < starters; ++index) {
        StandingRow& at = standing.Rows[static_cast<std::size_t>(standing.StartOrder[index])];
        at.DragAfter = DragAfter(index + 1, context.DragEvery, starters);
    }

    // Places: valid totals fastest first, ties in the order of go.
    std::vector<int> placed;
    for (const int row : standing.StartOrder) {
        if (standing.Rows[static_cast<std::size_t>(row)].State == Validity::Valid) {
            placed.push_back(row);
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [&](int a, int b) {
        return *standing.Rows[static_cast<std::size_t>(a)].TotalMs <
               *standing.Rows[static_cast<std::size_t>(b)].TotalMs;
    });
    PlaceByTotal(standing, placed, &StandingRow::Place);
    standing.Ranked = placed;
    for (const int row : standing.StartOrder) {
        if (standing.Rows[static_cast<std::size_t>(row)].State != Validity::Valid) {
            standing.Ranked.push_back(row);
        }
    }
    if (!placed.empty()) {
        standing.LeaderRow = placed.front();
        standing.FastestMs = standing.Rows[static_cast<std::size_t>(placed.front())].TotalMs;
    }

    // Divisions and the money.
    const std::vector<DivisionPlace> divided = Divide(totals, rules.DivisionOffsetsMs, resolution);
    const int divisions = rules.DivisionCount();
    standing.DivisionLeaderRows.assign(static_cast<std::size_t>(divisions), -1);
    for (int division = 1; division <= divisions; ++division) {
        standing.DivisionBeginsMs.push_back(DivisionBeginsMs(rules, totals, resolution, division));
        std::vector<int> inDivision;
        for (const int row : placed) {
            if (divided[static_cast<std::size_t>(row)].Division == division) {
                inDivision.push_back(row);
            }
        }
        PlaceByTotal(standing, inDivision, &StandingRow::DivisionPlace);
        for (const int row : inDivision) {
            standing.Rows[static_cast<std::size_t>(row)].Division = division;
        }
        if (!inDivision.empty()) {
            standing.DivisionLeaderRows[static_cast<std::size_t>(division - 1)] =
                inDivision.front();
        }
    }
    standing.Pays = rules.HasPayout;
    if (standing.Pays) {
        int entries = 0;
        for (const StandingRow& at : standing.Rows) {
            entries += at.PurseEntry ? 1 : 0;
        }
        standing.Sheet = Pay(rules, entries, divided, totals, resolution);
        for (std::size_t row = 0;
             row < standing.Sheet.RowCents.size() && row < standing.Rows.size(); ++row) {
            standing.Rows[row].Cents = standing.Sheet.RowCents[row];
        }
    }

    // Who is on course, who comes next, how many runs are left and when the ground is dragged.
    const auto inTable = [&](int row) { return row >= 1 && row < table.RowCount(); };
    standing.OnCourseRow = inTable(context.OnCourseRow) ? context.OnCourseRow : -1;
    standing.LastRunRow = inTable(context.LastRunRow) && standing.At(context.LastRunRow).HasResult()
                              ? context.LastRunRow
                              : -1;
    const auto onCourse =
        std::find(standing.StartOrder.begin(), standing.StartOrder.end(), standing.OnCourseRow);
    bool afterCourse = onCourse == standing.StartOrder.end();
    int toCome = 0;
    for (const int row : standing.StartOrder) {
        const StandingRow& at = standing.At(row);
        if (at.HasResult()) {
            ++standing.Runs;
        } else if (at.State == Validity::NoResult) {
            ++standing.Left;
        }
        const bool isOnCourse = row == standing.OnCourseRow;
        if (afterCourse && !isOnCourse && at.State == Validity::NoResult) {
            standing.NextRows.push_back(row);
        }
        afterCourse = afterCourse || isOnCourse;
    }
    // The drag follows the run at a drag point; a scratched starter's point passes to the run
    // before them. Counted from the run on course (or the next one to run).
    const bool countOnCourse =
        standing.OnCourseRow > 0 && !standing.At(standing.OnCourseRow).HasResult();
    const auto from = countOnCourse ? onCourse : standing.StartOrder.begin();
    for (auto it = from; it != standing.StartOrder.end(); ++it) {
        const StandingRow& at = standing.At(*it);
        const bool runs = at.State == Validity::NoResult;
        toCome += runs ? 1 : 0;
        if (at.DragAfter && toCome > 0) {
            standing.RunsToDrag = toCome;
            break;
        }
    }
    standing.Teams = RankTeams(standing);
    return standing;
}

const StandingRow& Standing::At(int row) const {
    static const StandingRow none;
    return row >= 0 && static_cast<std::size_t>(row) < Rows.size()
               ? Rows[static_cast<std::size_t>(row)]
               : none;
}

std::string Standing::TimeText(std::int64_t ms) const {
    return FormatTimeText(ms, DecimalSeparator, TimeResolution);
}

std::string Standing::BehindText(int row) const {
    const StandingRow& at = At(row);
    if (!at.TotalMs || !FastestMs) {
        return {};
    }
    return "+" + TimeText(*at.TotalMs - *FastestMs);
}

std::string Standing::DivisionText(int row) const {
    const StandingRow& at = At(row);
    if (!HasDivisions() || at.Division == 0) {
        return {};
    }
    return DivisionName(at.Division) + ": " + std::to_string(at.DivisionPlace);
}

std::string Standing::MoneyOf(int row) const {
    const StandingRow& at = At(row);
    return Pays && at.Cents > 0 ? MoneyText(at.Cents, DecimalSeparator) : std::string();
}
