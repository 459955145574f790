#pragma once

#include <string>
#include <string_view>

struct Report;

// A report as a web page: its head, one table with the shown columns (numbers right-aligned, no
// text broken inside a word), its foot lines and the time it was made. UTF-8, lines end in CR LF.

// The text with "&", "<", ">", '"' and "'" written as character references, so that no name
// can open an element or leave an attribute value.
std::string EscapeHtml(std::string_view text);

std::string ReportHtml(const Report& report);

// Replaces path atomically with the bytes of a report (page or PDF). Returns empty on success,
// else the message for the operator, naming the file and the cause.
std::string ReplaceReportFile(const std::string& path, std::string_view bytes);

// Replaces path atomically with the page, so a failed write never spoils an older report.
// Returns empty on success, else the message for the operator; the caller must then stop.
std::string WriteHtmlReport(const Report& report, const std::string& path);

// The fixed report names beside the backup in the data folder, formed from the program file's
// name: the web page command writes "<name>-p.html", the print command "<name>.html".
std::string WebPageReportPath(std::string_view programName, const std::string& dataFolder);
std::string PrintReportPath(std::string_view programName, const std::string& dataFolder);
