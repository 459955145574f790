#include "files/Report.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "results/Jackpot.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

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

// A starter's cell of the result list as the standing has it.
std::string ResultCell(const StandingRow& at, int col) {
    switch (col) {
        case ColRang:
            return at.Place > 0 ? std::to_string(at.Place) : std::string();
        case ColNr:
            return at.StartNumber;
        case ColName:
            return at.Rider;
        case ColPferd:
            return at.Horse;
        case ColTeam:
            return at.Team;
        case ColLaufzeit:
            return at.RunTime;
        case ColStrafen:
            return at.Penalties;
        case ColDq:
            return at.State == Validity::Disqualified ? "DQ" : std::string();
        case ColGrund:
            return at.Reason;
        case ColTotal:
            return at.Total;
        default:
            return {};
    }
}

// A starter's line of the result list: the cells of cols, greyed without a valid total.
ReportRow ResultRow(const Standing& standing, const std::vector<int>& cols, int row) {
    const StandingRow& at = standing.At(row);
    ReportRow line;
    if (at.State != Validity::Valid) {
        line.kind = ReportRowKind::Muted;
    }
    line.cells.reserve(cols.size());
    for (const int col : cols) {
        line.cells.push_back(ResultCell(at, col));
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
    AddPart(text.list, report.order);
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

Report ResultReport(const ResultTable& table, const Standing& standing, ReportHead head,
                    std::string printedAt, ReportOrder order) {
    Report report;
    report.title = "Ergebnisliste";
    report.order = order == ReportOrder::Ranked ? "nach Rang" : "in Startfolge";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    const std::vector<int> cols = AddResultColumns(table, report);
    for (std::string& title : DivisionCells(standing, 0)) {
        report.columns.push_back({std::move(title), ReportAlign::Right, false});
    }
    const std::vector<int>& rows =
        order == ReportOrder::Ranked ? standing.Ranked : standing.StartOrder;
    report.rows.reserve(rows.size());
    for (const int row : rows) {
        ReportRow line = ResultRow(standing, cols, row);
        for (std::string& cell : DivisionCells(standing, row)) {
            line.cells.push_back(std::move(cell));
        }
        report.rows.push_back(std::move(line));
    }
    return report;
}

std::vector<std::string> DivisionCells(const Standing& standing, int row) {
    if (!standing.HasDivisions()) {
        return {};
    }
    if (row == 0) {
        return {"Div.", "Pl. Div."};
    }
    const StandingRow& at = standing.At(row);
    if (at.Division == 0) {
        return {std::string(), std::string()};
    }
    return {DivisionName(at.Division), std::to_string(at.DivisionPlace)};
}

std::string DivisionHeading(const Standing& standing, int division) {
    const ClassRules& rules = standing.Rules;
    std::string heading = rules.HasDivisions() ? DivisionName(division) : "Alle Reiter";
    const auto index = static_cast<std::size_t>(division - 1);
    if (division >= 1 && index < standing.DivisionBeginsMs.size() &&
        standing.DivisionBeginsMs[index]) {
        heading += " · ab " + standing.TimeText(*standing.DivisionBeginsMs[index]);
    } else if (division > 1 && division <= rules.DivisionCount()) {
        heading += " · ab " +
                   ShareText(rules.DivisionOffsetsMs[static_cast<std::size_t>(division - 2)] / 10,
                             standing.DecimalSeparator) +
                   " s hinter der schnellsten Zeit";
    }
    return heading;
}

std::vector<int> DivisionRows(const Standing& standing, int division) {
    std::vector<int> rows;
    for (const int row : standing.Ranked) {
        if (standing.At(row).Division == division) {
            rows.push_back(row);
        }
    }
    return rows;
}

Report DivisionResultReport(const ResultTable& table, const Standing& standing, ReportHead head,
                            std::string printedAt) {
    if (!standing.HasDivisions()) {
        return ResultReport(table, standing, std::move(head), std::move(printedAt));
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
    for (int division = 1; division <= standing.DivisionCount(); ++division) {
        report.rows.push_back({{DivisionHeading(standing, division)}, ReportRowKind::Note, true});
        const std::vector<int> rows = DivisionRows(standing, division);
        if (rows.empty()) {
            report.rows.push_back({{"Kein Reiter in dieser Division"}, ReportRowKind::Note});
        }
        for (const int row : rows) {
            ReportRow line = ResultRow(standing, cols, row);
            line.cells.front() = std::to_string(standing.At(row).DivisionPlace);
            report.rows.push_back(std::move(line));
        }
    }
    std::vector<ReportRow> unplaced;
    for (const int row : standing.Ranked) {
        if (standing.At(row).Division == 0) {
            unplaced.push_back(ResultRow(standing, cols, row));
        }
    }
    if (!unplaced.empty()) {
        report.rows.push_back({{"Ohne gültige Zeit"}, ReportRowKind::Note, true});
        std::move(unplaced.begin(), unplaced.end(), std::back_inserter(report.rows));
    }
    return report;
}

Report StartListReport(const ResultTable& table, const Standing& standing, ReportHead head,
                       std::string printedAt) {
    Report report;
    report.title = "Startliste";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    report.columns = {{"Start", ReportAlign::Right, true},
                      {table.Cell(ColNr, 0), ReportAlign::Right, false},
                      {table.Cell(ColName, 0), ReportAlign::Left, false},
                      {table.Cell(ColPferd, 0), ReportAlign::Left, false},
                      {table.Cell(ColTeam, 0), ReportAlign::Left, false}};
    int run = 0;
    for (const int row : standing.StartOrder) {
        const StandingRow& at = standing.At(row);
        report.rows.push_back({{std::to_string(++run), at.StartNumber, at.Rider, at.Horse, at.Team},
                               ReportRowKind::Normal});
        if (at.DragAfter) {
            report.rows.push_back({{"Bahnpflege"}, ReportRowKind::Note});
        }
    }
    return report;
}

Report TeamReport(const ResultTable& table, const Standing& standing, ReportHead head,
                  std::string printedAt) {
    const TeamRanking& ranking = standing.Teams;
    Report report;
    report.title = "Teamwertung";
    report.order = ranking.Best == 1
                       ? std::string("die beste Zeit zählt")
                       : "die " + std::to_string(ranking.Best) + " besten Zeiten zählen";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    report.columns = {{table.Cell(ColRang, 0), ReportAlign::Right, true},
                      {table.Cell(ColTeam, 0), ReportAlign::Left, true},
                      {table.Cell(ColNr, 0), ReportAlign::Right, false},
                      {table.Cell(ColName, 0), ReportAlign::Left, false},
                      {table.Cell(ColPferd, 0), ReportAlign::Left, false},
                      {table.Cell(ColTotal, 0), ReportAlign::Right, true},
                      {"Gewertet", ReportAlign::Left, false}};
    for (const TeamStanding& team : ranking.Teams) {
        report.rows.push_back({{team.Place > 0 ? std::to_string(team.Place) : std::string(),
                                team.Name, "", "", "", team.Total, CountedText(team, ranking.Best)},
                               ReportRowKind::Normal});
        for (const TeamMember& member : team.Members) {
            report.rows.push_back({{"", "", member.StartNumber, member.Rider, member.Horse,
                                    member.Total, member.Counts ? "zählt" : ""},
                                   member.Counts ? ReportRowKind::Normal : ReportRowKind::Muted});
        }
    }
    if (ranking.Teams.empty()) {
        report.rows.push_back({{"Kein Starter mit Team"}, ReportRowKind::Note});
    }
    return report;
}
