#pragma once

#include <string>

#include "files/Report.h"

struct Standing;

// The payout sheet of a jackpot class ("Auszahlung") as its standing has it: each division with
// the time it begins and its pot, its riders by place with their totals and amounts, the place
// amounts and any money not paid out; in the foot the purse and its parts, and paid + unpaid +
// rounding rest. Times, amounts and shares take the class's decimal separator, amounts grouping
// thousands with the other one.
Report PayoutReport(const Standing& standing, ReportHead head, std::string printedAt);
