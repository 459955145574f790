#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "files/Report.h"
#include "results/ResultRules.h"

class ResultTable;
struct Report;
struct Standing;

// Writing the result list without a window, for scripts and for publishing results.

// Writes the printed form of a report to path as a PDF; returns empty on success, else the
// message. The windows' library supplies it (drawing text needs fonts).
using PdfWriter = std::function<std::string(const Report& report, const std::string& path)>;

// Reads a protocol or start list into the table as loading it in the window does (places
// assigned, start order). The team column is shown only when a starter has a team.
// Returns empty on success, else the message; the table is then as it was. Places are given in
// the class's resolution.
std::string ReadTableForExport(const std::string& path, ResultTable& table, char decimalSeparator,
                               Resolution resolution);

// Empty when output may be written; else the message, when output is the input file itself
// (compared as files, so links, "./sub/../" and other spellings count as the same).
std::string CheckExportTarget(const std::string& input, const std::string& output);

// Writes a list (the payout sheet, the start list) in the format the extension names: ".html" a
// page, ".pdf" through pdf, ".xlsx" a workbook. Returns empty on success, else the message.
std::string ExportReport(const Report& report, const std::string& path, const PdfWriter& pdf);

// Writes to path in the format its extension names: ".html" the report as a page, ".pdf" its
// printed form through pdf, ".xls"/".xlsx" the table as a workbook marked as its standing has
// it, with the division columns. Returns empty on success, else the message; an unknown
// extension writes nothing.
std::string ExportTable(const ResultTable& table, const Standing& standing, const Report& report,
                        const std::string& path, const PdfWriter& pdf);
