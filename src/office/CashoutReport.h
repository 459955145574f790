#pragma once

#include <cstdint>
#include <string>

#include "files/Report.h"
#include "office/Cashout.h"

// The cash-out as the office prints it ("Kasse"): each rider under a heading with member number,
// a line per start (class, number, horse, fee or "erstattet", money won), the office's fees, and
// a sum line with the net and the paid mark; in the foot the show's totals and, per class, its
// fees and money beside its payout sheet's. Amounts with the classes' decimal separator, grouped
// with the other, as on their payout sheets.
Report CashoutReport(const Cashout& cash, ReportHead head, std::string printedAt);

// "zu zahlen 14,00" (the office collects), "auszahlen 54,00" (the office pays), "0,00".
std::string NetText(std::int64_t netCents, char decimalSeparator);
// The paid state: "offen", "bar", "Scheck Nr. 2", and what changed since it was paid:
// "Scheck Nr. 2 · Differenz: auszahlen 24,00".
std::string PaidText(const RiderAccount& account, char decimalSeparator);
