#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ResultTable;
struct Standing;

// A printable list as the show's people read it: a head naming the show, a table of columns and
// rows, and a foot. The same document is written as a web page (HtmlReport.h) and drawn onto
// paper or into a PDF (the windows' ReportPrinter); it holds texts only, no layout.

enum class ReportAlign { Left, Right };

struct ReportColumn {
    std::string title;
    // Times, penalties, places, amounts and numbers are right-aligned.
    ReportAlign align = ReportAlign::Left;
    // A column whose cells are empty in every row is left out, unless it is kept.
    bool keepEmpty = false;
};

enum class ReportRowKind {
    Normal,
    Muted,  // shown greyed: a starter without a valid total (disqualified, no time, to run)
    Note,   // one text across the whole width in its first cell: a drag, a division's heading
};

struct ReportRow {
    std::vector<std::string> cells;  // one per column; missing cells are empty
    ReportRowKind kind = ReportRowKind::Normal;
    // A Note heading the rows up to the next heading (a division): on paper it never ends a page,
    // and a page its rows go on to repeats it (ReportPages).
    bool heading = false;
};

// Only the show's own facts; an empty one is left out of the head.
struct ReportHead {
    std::string show;       // the show's name
    std::string date;       // ISO "2026-12-07" or already as printed
    std::string place;      // where the show is
    std::string className;  // the class, e.g. "Open"
    std::string race;       // the race, e.g. "Barrel Racing"
};

struct Report {
    std::string title;  // what the list is: "Ergebnisliste", "Startliste", "Auszahlung"
    std::string order;  // how its rows are ordered where that is a choice: "nach Rang"
    ReportHead head;
    std::vector<ReportColumn> columns;
    std::vector<ReportRow> rows;
    std::vector<std::string> foot;  // lines under the table: sums, remarks
    std::string printedAt;          // "07.12.2026 14:03"; in the foot of every page
    // An address printed as a QR code beside the head (the phone page's); empty for none.
    std::string link;
};

// The columns that have a text in at least one row (or are kept), in their order.
std::vector<int> ReportShownColumns(const Report& report);

// The cell of a row, empty where the row has fewer cells.
const std::string& ReportCell(const ReportRow& row, int col);

// The head as it is printed: the show's name (empty without a show), the list with class, race
// and order ("Ergebnisliste · Open · Barrel Racing · nach Rang"), and date and place
// ("07.12.2026 · Reithalle Nord").
// Each page after the first repeats the running head.
struct ReportHeadText {
    std::string show;
    std::string list;
    std::string when;
};
ReportHeadText ReportHeadLines(const Report& report);
std::string ReportRunningHead(const Report& report);

// The lines of one printed page: rows first to end (the foot lines count on after the rows), below
// the heading of the rows they continue, repeated as ContinuedHeading (-1 for none).
struct ReportPage {
    int first = 0;
    int end = 0;
    int carried = -1;
};
// Lays the report's lines onto pages holding firstLines lines below the column titles on the
// first page and otherLines on the others. A heading goes over with the first row under it, and
// a repeated heading takes a line of its page. Every page holds at least one line.
std::vector<ReportPage> ReportPages(const Report& report, int firstLines, int otherLines);
// "2D · ab 15,500 (Fortsetzung)"
std::string ContinuedHeading(const ReportRow& heading);

// "Seite 2 von 5"
std::string ReportPageText(int page, int pages);

// An ISO date "2026-12-07" as "07.12.2026"; any other text as it is.
std::string GermanDate(std::string_view date);

// The order of a result list.
enum class ReportOrder {
    Ranked,      // "nach Rang": placed runs by place, then the others in the order of go
    StartOrder,  // "in Startfolge": the order of go
};

// The result list of the class as its standing has it: Rang, Nr., Name, Pferd, Team, Laufzeit,
// Strafen, DQ, Grund, Total, and in a class with divisions "Div." and "Pl. Div.". Columns hidden
// in the window stay out (the table gives which are shown and their titles); every starter is
// listed, those without a valid total greyed. The head says the order.
Report ResultReport(const ResultTable& table, const Standing& standing, ReportHead head,
                    std::string printedAt, ReportOrder order = ReportOrder::Ranked);

// The computed columns of a class with divisions, for the window, the workbooks and the result
// list: for row 0 their titles ("Div.", "Pl. Div."), for a body row its division and place in it
// (empty without a valid total). None in a class without divisions.
std::vector<std::string> DivisionCells(const Standing& standing, int row);

// The result list of a class with divisions ("Ergebnisliste je Division"): for each division a
// heading with where it begins ("2D · ab 15,734"), then its riders by their place in it with that
// place as the Rang; a division nobody reached says so under its heading. Last, greyed, the
// starters without a valid total (disqualified, no time, to run). A class without divisions gets
// the whole result list.
Report DivisionResultReport(const ResultTable& table, const Standing& standing, ReportHead head,
                            std::string printedAt);

// The heading of a division (1 = 1D) in the reports: its name and where it begins, "1D · ab
// 15,234", or how far behind the fastest while nobody has a valid total; "Alle Reiter" in a class
// without divisions.
std::string DivisionHeading(const Standing& standing, int division);

// The table rows of a division (1 = 1D) by their place in it; tied rows in the order of go.
std::vector<int> DivisionRows(const Standing& standing, int division);

// The start list in the order of go for the gate and the warm-up ring: order, Nr., rider, horse,
// team, with a "Bahnpflege" line after each starter the ground is dragged after. The table gives
// the column titles.
Report StartListReport(const ResultTable& table, const Standing& standing, ReportHead head,
                       std::string printedAt);

// The team standings of a class with a team rule ("Teamwertung", "die 3 besten Zeiten zählen" in
// the head): each team by its place with its counted total (and "2 von 3" while it is short of
// counted totals), its members under it with their totals, those that do not count greyed. The
// table gives the column titles.
Report TeamReport(const ResultTable& table, const Standing& standing, ReportHead head,
                  std::string printedAt);
