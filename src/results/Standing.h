#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/ClassRules.h"
#include "results/Jackpot.h"
#include "results/ResultRules.h"
#include "results/Teams.h"

class ResultTable;

// A class's standing: everything a view shows of the class's results, computed once per change
// of the table, the class's rules or the starter on course, and then never changed. The grid's
// colours, the time boards, the spectator and announcer windows, the live pages, the broker, the
// printed lists and the workbooks all render this value; none of them reads a result cell or
// decides a place, a DQ, a division or a time format itself.

// What a row's result counts as.
enum class Validity {
    Valid,         // a total that is a time, not disqualified: placed, divided, paid
    Disqualified,  // "DQ" in its DQ cell or its total
    NoTime,        // a total that is no time ("n.a."): shown as typed, never placed
    Scratched,     // scratched and not run
    NoResult,      // still to run
};

struct StandingRow {
    int Row = 0;  // the table row
    Validity State = Validity::NoResult;
    // The total in milliseconds cut to the class's resolution; valid rows only.
    std::optional<std::int64_t> TotalMs;
    int Place = 0;            // 1, 1, 3 with ties; 0 without a valid total
    int Division = 0;         // 1 = 1D (every valid row of a class without divisions); 0 without
    int DivisionPlace = 0;    // the place within the division (ties as above)
    std::int64_t Cents = 0;   // money won; 0 in a class that does not pay
    int StartPosition = 0;    // place in the order of go, counted from 1; 0 when it has none
    bool DragAfter = false;   // the ground is dragged after this starter's run
    bool PurseEntry = false;  // the starter's entry fee is in the purse

    // The row's texts as every view shows them. RunTime and Total are formatted at the class's
    // resolution with its separator where the cell holds a time; Total is "DQ" for a
    // disqualified row and the typed text for a total that is no time.
    std::string StartNumber;
    std::string Rider;
    std::string Horse;
    std::string Team;
    std::string RunTime;
    std::string Penalties;
    std::string Reason;
    std::string Total;

    bool HasResult() const {
        return State == Validity::Valid || State == Validity::Disqualified ||
               State == Validity::NoTime;
    }
};

// What the core knows beyond the table when the standing is made.
struct StandingContext {
    int OnCourseRow = -1;  // the current starter's row; -1 none
    int LastRunRow = -1;   // the row of the last entered run; -1 none
    int DragEvery = 0;     // the ground is dragged after every n runs; 0 never
    // The separator of times where the table's totals show none.
    char SystemSeparator = ',';
};

struct Standing {
    Resolution TimeResolution = Resolution::Hundredths;
    // The decimal separator of the class's times: the one its totals are written with.
    char DecimalSeparator = ',';
    ClassRules Rules;

    // One entry per table row; Rows[0] stands for the header and is empty.
    std::vector<StandingRow> Rows;
    // The starters' rows (a start number or a name) in the order of go.
    std::vector<int> StartOrder;
    // The result list's order: placed rows by place (ties in the order of go), then every row
    // without a valid total in the order of go.
    std::vector<int> Ranked;

    // The fastest valid total (the time to beat) and its row; none while nobody has one.
    std::optional<std::int64_t> FastestMs;
    int LeaderRow = -1;
    // Per division (index 0 = 1D): where it begins, and its fastest row (-1 while empty).
    std::vector<std::optional<std::int64_t>> DivisionBeginsMs;
    std::vector<int> DivisionLeaderRows;

    // The class pays; Sheet is its payout sheet (RowCents in table rows).
    bool Pays = false;
    PayoutSheet Sheet;

    int OnCourseRow = -1;
    // The starters after the one on course (or from the first without a result when none is)
    // who have neither run nor scratched, in the order of go.
    std::vector<int> NextRows;
    int LastRunRow = -1;  // -1 when the last run is not in the table any more
    int Runs = 0;         // starters with a result (valid, DQ or no time)
    int Left = 0;         // starters still to run; scratched starters are not counted
    // Runs still to come before the ground is dragged, counting the one on course: 1 = after
    // the run on course (or the next run when nobody is on course); -1 when no drag follows.
    int RunsToDrag = -1;
    // The teams by the class's team rule; none (Best 0) in a class without one.
    TeamRanking Teams;

    const StandingRow& At(int row) const;
    bool HasDivisions() const { return Rules.HasDivisions(); }
    int DivisionCount() const { return Rules.DivisionCount(); }
    // A time in the class's resolution and separator: "15,23", "1:02,300".
    std::string TimeText(std::int64_t ms) const;
    // "+0,42" behind the fastest, "+0,000" for a tie; empty without a valid total.
    std::string BehindText(int row) const;
    // "2D" and "2D: 1" for a placed row in a class with divisions; empty otherwise.
    std::string DivisionText(int row) const;
    // Money in the class's separator ("1.234,50"); empty for a row that won nothing.
    std::string MoneyOf(int row) const;
};

// The one place where a class's results are decided.
Standing MakeStanding(const ResultTable& table, const ClassRules& rules,
                      const StandingContext& context);

// What a row's result counts as, read from its cells (the standing's rule, for code that has a
// single row and no standing, such as the change log).
Validity RowValidity(const ResultTable& table, int row);
