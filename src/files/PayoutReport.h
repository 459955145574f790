#pragma once

#include <string>

#include "files/Export.h"
#include "files/Report.h"
#include "results/Jackpot.h"

class ResultTable;

// The payout sheet of a jackpot class ("Auszahlung"): each division with the time it begins and
// its pot, its riders by place with their totals and amounts, the place amounts and any money
// not paid out; in the foot the purse and its parts, and paid + unpaid + rounding rest. Times,
// amounts and shares take the decimal separator of the table's totals (systemSeparator where
// none shows one), amounts grouping thousands with the other one.
Report PayoutReport(const ResultTable& table, const JackpotStanding& standing,
                    const ClassRules& rules, ReportHead head, std::string printedAt,
                    char systemSeparator);
