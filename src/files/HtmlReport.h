#pragma once

#include <string>
#include <string_view>

class ResultTable;

// The printable result list: a web page with the event as its heading and the visible columns
// (width above 0) of the table in its current order. UTF-8, lines end in CR LF.

// The text with "&", "<", ">", '"' and "'" written as character references, so that no name
// can open an element or leave an attribute value.
std::string EscapeHtml(std::string_view text);

// The whole page for the table; race is the event shown as the heading.
std::string HtmlReportText(const ResultTable& table, std::string_view race);

// Replaces path atomically with the bytes of a report (page or PDF). Returns empty on success,
// else the message for the operator, naming the file and the cause.
std::string ReplaceReportFile(const std::string& path, std::string_view bytes);

// Replaces path atomically with the page, so a failed write never spoils an older report.
// Returns empty on success, else the message for the operator; the caller must then stop.
// UI thread only, like every access to the table.
std::string WriteHtmlReport(const ResultTable& table, std::string_view race,
                            const std::string& path);

// The fixed report names beside the backup in the data folder, formed from the program file's
// name: the web page command writes "<name>-p.html", the print command "<name>.html".
std::string WebPageReportPath(std::string_view programName, const std::string& dataFolder);
std::string PrintReportPath(std::string_view programName, const std::string& dataFolder);
