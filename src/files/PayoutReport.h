#pragma once

#include <string>

#include "files/Export.h"
#include "files/Report.h"
#include "results/Jackpot.h"

class ResultTable;

// The payout sheet of a jackpot class ("Auszahlung"): each division with the time it begins and
// its pot, its riders by place with their totals and amounts, the place amounts and any money
// not paid out; in the foot the purse and its parts, and paid + unpaid + rounding rest.
Report PayoutReport(const ResultTable& table, const JackpotStanding& standing,
                    const ClassRules& rules, ReportHead head, std::string printedAt,
                    char decimalSeparator);

// Writes the sheet in the format the extension names: ".html" a page, ".pdf" through pdf,
// ".xlsx" a workbook. Returns empty on success, else the message.
std::string ExportPayout(const Report& report, const std::string& path, const PdfWriter& pdf);
