#include "files/Report.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "results/Draw.h"
#include "results/Jackpot.h"
#include "results/ResultRules.h"
#include "results/ResultTable.h"
#include "results/TimeText.h"

namespace {

// The result list's columns in the order a posted list is read: the place first.
struct ListColumn {
    int col;
    ReportAlign align;
};
constexpr ListColumn ResultColumns[] = {
    {ColRang, ReportAlign::Right},    {ColNr, ReportAlign::Right},
    {ColName, ReportAlign::Left},     {ColPferd, ReportAlign::Left},
    {ColTeam, ReportAlign::Left},     {ColLaufzeit, ReportAlign::Right},
    {ColStrafen, ReportAlign::Right}, {ColDq, ReportAlign::Left},
    {ColGrund, ReportAlign::Left},    {ColTotal, ReportAlign::Right},
};

void AddPart(std::string& line, std::string_view part) {
    if (part.empty()) {
        return;
    }
    if (!line.empty()) {
        line += " \xC2\xB7 ";  // a middle dot between the parts
    }
    line += part;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A row with a start number or a name; the others are empty lines of the grid.
bool IsStarterRow(const ResultTable& table, int row) {
    return !TrimText(table.Cell(ColNr, row)).empty() || !TrimText(table.Cell(ColName, row)).empty();
}

// Adds the result list's columns shown in the window to the report; returns their table columns.
std::vector<int> AddResultColumns(const ResultTable& table, Report& report) {
    std::vector<int> cols;
    for (const ListColumn& column : ResultColumns) {
        if (table.ColWidth(column.col) > 0) {
            cols.push_back(column.col);
            report.columns.push_back({table.Cell(column.col, 0), column.align, false});
        }
    }
    return cols;
}

// A starter's line of the result list: the cells of cols, greyed when disqualified.
ReportRow ResultRow(const ResultTable& table, const std::vector<int>& cols, int row) {
    ReportRow line;
    if (IsDisqualifiedRow(table, row)) {
        line.kind = ReportRowKind::Muted;
    }
    line.cells.reserve(cols.size());
    for (const int col : cols) {
        line.cells.push_back(table.Cell(col, row));
    }
    return line;
}

}  // namespace

std::vector<int> ReportShownColumns(const Report& report) {
    std::vector<int> shown;
    for (int col = 0; col < static_cast<int>(report.columns.size()); ++col) {
        const bool any =
            report.columns[col].keepEmpty ||
            std::any_of(report.rows.begin(), report.rows.end(), [col](const auto& row) {
                return row.kind != ReportRowKind::Note && !TrimText(ReportCell(row, col)).empty();
            });
        if (any) {
            shown.push_back(col);
        }
    }
    return shown;
}

const std::string& ReportCell(const ReportRow& row, int col) {
    static const std::string Empty;
    return col >= 0 && col < static_cast<int>(row.cells.size()) ? row.cells[col] : Empty;
}

ReportHeadText ReportHeadLines(const Report& report) {
    ReportHeadText text{report.head.show, report.title, {}};
    AddPart(text.list, report.head.className);
    AddPart(text.list, report.head.race);
    AddPart(text.when, GermanDate(report.head.date));
    AddPart(text.when, report.head.place);
    return text;
}

std::string ReportRunningHead(const Report& report) {
    std::string line = report.head.show;
    AddPart(line, report.title);
    AddPart(line, report.head.className);
    AddPart(line, report.head.race);
    AddPart(line, GermanDate(report.head.date));
    return line;
}

std::vector<ReportPage> ReportPages(const Report& report, int firstLines, int otherLines) {
    const int rows = static_cast<int>(report.rows.size());
    const int lines = rows + static_cast<int>(report.foot.size());
    // The heading each row is under; -1 for a heading and for rows under none.
    std::vector<int> under(report.rows.size(), -1);
    for (int row = 0, current = -1; row < rows; ++row) {
        if (report.rows[row].heading) {
            current = row;
        } else {
            under[row] = current;
        }
    }
    std::vector<ReportPage> pages;
    int line = 0;
    do {
        ReportPage page{line, line, pages.empty() || line >= rows ? -1 : under[line]};
        const int room = (pages.empty() ? firstLines : otherLines) - (page.carried >= 0 ? 1 : 0);
        page.end = std::min(lines, line + std::max(1, room));
        if (page.end < rows && page.end - 1 > line && report.rows[page.end - 1].heading) {
            --page.end;
        }
        pages.push_back(page);
        line = page.end;
    } while (line < lines);
    return pages;
}

std::string ContinuedHeading(const ReportRow& heading) {
    return ReportCell(heading, 0) + " (Fortsetzung)";
}

std::string ReportPageText(int page, int pages) {
    return "Seite " + std::to_string(page) + " von " + std::to_string(pages);
}

std::string GermanDate(std::string_view date) {
    const bool iso =
        date.size() == 10 && date[4] == '-' && date[7] == '-' &&
        std::all_of(date.begin(), date.end(), [](char c) { return IsDigit(c) || c == '-'; });
    if (!iso) {
        return std::string(date);
    }
    return std::string(date.substr(8, 2)) + "." + std::string(date.substr(5, 2)) + "." +
           std::string(date.substr(0, 4));
}

std::vector<int> StartOrderRows(const ResultTable& table) {
    std::vector<std::pair<long, int>> order;
    for (int row = 1; row < table.RowCount(); ++row) {
        if (!IsStarterRow(table, row)) {
            continue;
        }
        const std::string_view position = TrimText(table.Cell(ColStartPos, row));
        const long key =
            position.empty() ? 0 : std::strtol(std::string(position).c_str(), nullptr, 10);
        order.emplace_back(key > 0 ? key : 1L << 30, row);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> rows;
    rows.reserve(order.size());
    for (const auto& entry : order) {
        rows.push_back(entry.second);
    }
    return rows;
}

Report ResultReport(const ResultTable& table, ReportHead head, std::string printedAt,
                    const ReportExtraCells& extraCells) {
    Report report;
    report.title = "Ergebnisliste";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    const std::vector<int> cols = AddResultColumns(table, report);
    if (extraCells) {
        for (std::string& title : extraCells(0)) {
            report.columns.push_back({std::move(title), ReportAlign::Right, false});
        }
    }
    report.rows.reserve(table.RowCount());
    for (int row = 1; row < table.RowCount(); ++row) {
        if (!IsStarterRow(table, row)) {
            continue;
        }
        ReportRow line = ResultRow(table, cols, row);
        if (extraCells) {
            for (std::string& cell : extraCells(row)) {
                line.cells.push_back(std::move(cell));
            }
        }
        report.rows.push_back(std::move(line));
    }
    return report;
}

std::string DivisionHeading(const ClassRules& rules, const JackpotStanding& standing, int division,
                            char decimalSeparator) {
    std::string heading = rules.HasDivisions() ? DivisionName(division) : "Alle Reiter";
    if (const std::optional<std::int64_t> begins =
            DivisionBeginsMs(rules, standing.TotalsMs, standing.TimeResolution, division)) {
        heading += " · ab " + FormatTimeText(*begins, decimalSeparator, standing.TimeResolution);
    } else if (division > 1) {
        heading += " · ab " +
                   ShareText(rules.DivisionOffsetsMs[static_cast<std::size_t>(division - 2)] / 10,
                             decimalSeparator) +
                   " s hinter der schnellsten Zeit";
    }
    return heading;
}

std::vector<int> DivisionRows(const ResultTable& table, const JackpotStanding& standing,
                              int division) {
    const auto at = [&](int row) { return standing.Rows[static_cast<std::size_t>(row)]; };
    std::vector<int> rows;
    for (int row = 1; row < table.RowCount() && row < static_cast<int>(standing.Rows.size());
         ++row) {
        if (at(row).Division == division) {
            rows.push_back(row);
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return at(a).Place < at(b).Place; });
    return rows;
}

Report DivisionResultReport(const ResultTable& table, const JackpotStanding& standing,
                            const ClassRules& rules, ReportHead head, std::string printedAt,
                            char systemSeparator) {
    if (!rules.HasDivisions()) {
        return ResultReport(table, std::move(head), std::move(printedAt));
    }
    Report report;
    report.title = "Ergebnisliste je Division";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    // The place in the division is the list's first column, even where the window hides Rang.
    std::vector<int> cols = AddResultColumns(table, report);
    if (cols.empty() || cols.front() != ColRang) {
        cols.insert(cols.begin(), ColRang);
        report.columns.insert(report.columns.begin(),
                              {table.Cell(ColRang, 0), ReportAlign::Right, false});
    }
    const char decimalSeparator = TotalsSeparator(table, systemSeparator);
    for (int division = 1; division <= rules.DivisionCount(); ++division) {
        report.rows.push_back({{DivisionHeading(rules, standing, division, decimalSeparator)},
                               ReportRowKind::Note,
                               true});
        const std::vector<int> rows = DivisionRows(table, standing, division);
        if (rows.empty()) {
            report.rows.push_back({{"Kein Reiter in dieser Division"}, ReportRowKind::Note});
        }
        for (const int row : rows) {
            ReportRow line = ResultRow(table, cols, row);
            line.cells.front() = std::to_string(standing.Rows[static_cast<std::size_t>(row)].Place);
            report.rows.push_back(std::move(line));
        }
    }
    std::vector<ReportRow> unplaced;
    for (int row = 1; row < table.RowCount(); ++row) {
        const bool placed = row < static_cast<int>(standing.Rows.size()) &&
                            standing.Rows[static_cast<std::size_t>(row)].Division > 0;
        if (IsStarterRow(table, row) && !placed) {
            ReportRow line = ResultRow(table, cols, row);
            line.kind = ReportRowKind::Muted;
            line.cells.front().clear();
            unplaced.push_back(std::move(line));
        }
    }
    if (!unplaced.empty()) {
        report.rows.push_back({{"Ohne gültige Zeit"}, ReportRowKind::Note, true});
        std::move(unplaced.begin(), unplaced.end(), std::back_inserter(report.rows));
    }
    return report;
}

Report StartListReport(const ResultTable& table, ReportHead head, std::string printedAt,
                       int dragEvery) {
    Report report;
    report.title = "Startliste";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    report.columns = {{"Start", ReportAlign::Right, true},
                      {table.Cell(ColNr, 0), ReportAlign::Right, false},
                      {table.Cell(ColName, 0), ReportAlign::Left, false},
                      {table.Cell(ColPferd, 0), ReportAlign::Left, false},
                      {table.Cell(ColTeam, 0), ReportAlign::Left, false}};
    const std::vector<int> order = StartOrderRows(table);
    const int runs = static_cast<int>(order.size());
    for (int run = 1; run <= runs; ++run) {
        const int row = order[static_cast<std::size_t>(run - 1)];
        report.rows.push_back(
            {{std::to_string(run), table.Cell(ColNr, row), table.Cell(ColName, row),
              table.Cell(ColPferd, row), table.Cell(ColTeam, row)},
             ReportRowKind::Normal});
        if (DragAfter(run, dragEvery, runs)) {
            report.rows.push_back({{"Bahnpflege"}, ReportRowKind::Note});
        }
    }
    return report;
}
