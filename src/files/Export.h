#pragma once

#include <functional>
#include <string>
#include <string_view>

class ResultTable;

// Writing the result list without a window, for scripts and for publishing results.

// Writes the printed form of a report page to path as a PDF; returns empty on success, else the
// message. The windows' library supplies it (the page needs a layout engine).
using PdfWriter = std::function<std::string(std::string_view html, const std::string& path)>;

// Reads a protocol or start list into the table as loading it in the window does (places
// assigned, start order). The team column is shown only when a starter has a team.
// Returns empty on success, else the message; the table is then as it was. A file without a
// starter is refused.
std::string ReadTableForExport(const std::string& path, ResultTable& table, char decimalSeparator);

// Empty when output may be written; else the message, when output is the input file itself
// (compared as files, so links, "./sub/../" and other spellings count as the same).
std::string CheckExportTarget(const std::string& input, const std::string& output);

// Writes the table to path in the format its extension names: ".html" the report page, ".pdf"
// its printed form through pdf. race is the report's heading. Returns empty on success, else
// the message; an unknown extension writes nothing.
std::string ExportTable(const ResultTable& table, std::string_view race, const std::string& path,
                        const PdfWriter& pdf);
