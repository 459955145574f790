#include "files/HtmlReport.h"

#include <filesystem>

#include "files/FileIo.h"
#include "files/Report.h"

namespace {

// Dark text on white for screen and paper; on a wide screen a cell never wraps.
constexpr std::string_view Style =
    "<style>\r\n"
    "body{font-family:\"DejaVu Sans\",Arial,Helvetica,sans-serif;color:#111;background:#fff;"
    "margin:16px}\r\n"
    "header{margin-bottom:12px}\r\n"
    "h1{font-size:22px;margin:0 0 4px}\r\n"
    "h2{font-size:17px;margin:0 0 4px;font-weight:600}\r\n"
    "p.when{margin:0;color:#444}\r\n"
    "table{border-collapse:collapse;font-size:13px}\r\n"
    "th{text-align:left;background:#e4e9f2;border-bottom:2px solid #445;padding:3px 8px}\r\n"
    "td{border-bottom:1px solid #ccc;padding:3px 8px;white-space:nowrap}\r\n"
    "th.r,td.r{text-align:right;font-variant-numeric:tabular-nums}\r\n"
    "tr.m td{color:#888}\r\n"
    "tr.n td{font-weight:bold;background:#f4f4f4}\r\n"
    "footer{margin-top:12px;font-size:12px;color:#555}\r\n"
    "div.list{overflow-x:auto}\r\n"
    // On a phone the words of a name or a reason go on lines of their own (never broken inside
    // a word), so that the total stays on the screen; a list still wider scrolls by itself.
    "@media (max-width:600px){body{margin:8px}table{font-size:12px}"
    "th,td{padding:3px 4px;white-space:normal}th.r,td.r{white-space:nowrap}}\r\n"
    "@media print{body{margin:0}thead{display:table-header-group}}\r\n"
    "</style>\r\n";

// The heading's trophy, drawn by the page itself so that every browser shows it.
constexpr std::string_view Trophy =
    "<svg width=\"28\" height=\"28\" viewBox=\"0 0 48 48\" role=\"img\" aria-label=\"Pokal\" "
    "style=\"vertical-align:-4px;margin-right:8px\"><g fill=\"#D4B020\">"
    "<path d=\"M12 4h24v14a12 12 0 0 1-24 0z\"/><path d=\"M12 8H4v5a9 9 0 0 0 9 9v-4a5 5 0 0 "
    "1-5-5V12h4zM36 8h8v5a9 9 0 0 1-9 9v-4a5 5 0 0 0 5-5V12h-4z\"/><rect x=\"21\" y=\"29\" "
    "width=\"6\" height=\"9\"/><rect x=\"13\" y=\"38\" width=\"22\" height=\"6\" "
    "rx=\"1\"/></g></svg>";

void Line(std::string& page, std::string_view open, std::string_view text, std::string_view close) {
    page += open;
    page += EscapeHtml(text);
    page += close;
    page += "\r\n";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string ReportHtml(const Report& report) {
    const ReportHeadText head = ReportHeadLines(report);
    const std::vector<int> shown = ReportShownColumns(report);
    std::string page;
    page.reserve(256 + report.rows.size() * shown.size() * 24);
    page += "<!DOCTYPE html>\r\n<html lang=\"de\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    Line(page, "<title>", ReportRunningHead(report), "</title>");
    page += Style;
    page += "</head>\r\n<body>\r\n<header>\r\n";
    const std::string heading = "<h1>" + std::string(Trophy);
    if (head.show.empty()) {
        Line(page, heading, head.list, "</h1>");
    } else {
        Line(page, heading, head.show, "</h1>");
        Line(page, "<h2>", head.list, "</h2>");
    }
    if (!head.when.empty()) {
        Line(page, "<p class=\"when\">", head.when, "</p>");
    }
    page += "</header>\r\n<div class=\"list\">\r\n<table>\r\n<thead><tr>";
    for (const int col : shown) {
        const ReportColumn& column = report.columns[col];
        page += column.align == ReportAlign::Right ? "<th class=\"r\">" : "<th>";
        page += EscapeHtml(column.title);
        page += "</th>";
    }
    page += "</tr></thead>\r\n<tbody>\r\n";
    const std::string span = std::to_string(shown.size());
    for (const ReportRow& row : report.rows) {
        if (row.kind == ReportRowKind::Note) {
            page += "<tr class=\"n\"><td colspan=\"" + span + "\">";
            page += EscapeHtml(ReportCell(row, 0));
            page += "</td></tr>\r\n";
            continue;
        }
        page += row.kind == ReportRowKind::Muted ? "<tr class=\"m\">" : "<tr>";
        for (const int col : shown) {
            page += report.columns[col].align == ReportAlign::Right ? "<td class=\"r\">" : "<td>";
            page += EscapeHtml(ReportCell(row, col));
            page += "</td>";
        }
        page += "</tr>\r\n";
    }
    page += "</tbody>\r\n</table>\r\n</div>\r\n<footer>\r\n";
    for (const std::string& line : report.foot) {
        Line(page, "<p>", line, "</p>");
    }
    Line(page, "<p>", "Stand: " + report.printedAt + " \xC2\xB7 Corralix", "</p>");
    page += "</footer>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string ReplaceReportFile(const std::string& path, std::string_view bytes) {
    const FileWriteResult result = ReplaceFileBytes(path, bytes);
    return result.Ok() ? std::string()
                       : "Der Schreibfehler der Datei: " + path + "\n" + result.Error;
}

std::string WriteHtmlReport(const Report& report, const std::string& path) {
    return ReplaceReportFile(path, ReportHtml(report));
}

std::string WebPageReportPath(std::string_view programName, const std::string& dataFolder) {
    return (std::filesystem::path(dataFolder) / (std::string(programName) + "-p.html")).string();
}

std::string PrintReportPath(std::string_view programName, const std::string& dataFolder) {
    return (std::filesystem::path(dataFolder) / (std::string(programName) + ".html")).string();
}
