#include "office/CashoutReport.h"

#include <cstdlib>

#include "results/Jackpot.h"

std::string NetText(std::int64_t netCents, char decimalSeparator) {
    const std::string amount = MoneyText(std::abs(netCents), decimalSeparator);
    return netCents > 0 ? "zu zahlen " + amount : netCents < 0 ? "auszahlen " + amount : amount;
}

std::string PaidText(const RiderAccount& account, char decimalSeparator) {
    if (!account.Paid) {
        return "offen";
    }
    const std::int64_t open = account.OpenCents();
    return PaymentText(*account.Paid) +
           (open == 0 ? "" : " · Differenz: " + NetText(open, decimalSeparator));
}

Report CashoutReport(const Cashout& cash, ReportHead head, std::string printedAt) {
    const char decimalSeparator = cash.DecimalSeparator;
    const auto money = [&](std::int64_t cents) { return MoneyText(cents, decimalSeparator); };
    Report report;
    report.title = "Kasse";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    report.columns = {{"Klasse"},
                      {"Nr.", ReportAlign::Right},
                      {"Pferd"},
                      {"Gebühr €", ReportAlign::Right, true},
                      {"Gewinn €", ReportAlign::Right, true},
                      {"Netto €", ReportAlign::Right},
                      {"Bezahlt"}};
    for (const RiderAccount& account : cash.Riders) {
        report.rows.push_back(
            {{account.Rider + (account.Member.empty() ? "" : " · Mitglied " + account.Member)},
             ReportRowKind::Note,
             true});
        for (const CashoutEntry& entry : account.Entries) {
            report.rows.push_back(
                {{entry.ClassName + (entry.Scratched ? " · abgemeldet" : ""), entry.StartNumber,
                  entry.Horse, entry.Refunded ? std::string("erstattet") : money(entry.FeeCents),
                  entry.WonCents > 0 ? money(entry.WonCents) : std::string()},
                 entry.Scratched ? ReportRowKind::Muted : ReportRowKind::Normal});
        }
        if (account.RiderFeeCents > 0) {
            report.rows.push_back({{"Reitergebühr", "", "", money(account.RiderFeeCents)}});
        }
        if (account.HorseFeeCents > 0) {
            std::string horses;
            for (const std::string& horse : account.HorsesCharged) {
                horses += (horses.empty() ? "" : ", ") + horse;
            }
            report.rows.push_back({{"Pferdegebühr", "", horses, money(account.HorseFeeCents)}});
        }
        report.rows.push_back(
            {{"Summe", "", "", money(account.FeesCents), money(account.WonCents),
              NetText(account.NetCents(), decimalSeparator), PaidText(account, decimalSeparator)}});
    }
    if (cash.Riders.empty()) {
        report.rows.push_back(
            {{cash.Problem.empty() ? std::string("Keine Reiter im Turnier") : cash.Problem},
             ReportRowKind::Note});
    }
    report.foot.push_back("Gebühren eingenommen: " + money(cash.FeesCents) +
                          " · Ausgezahlt: " + money(cash.PaidOutCents) +
                          " · Beim Veranstalter: " + money(cash.HeldCents()));
    report.foot.push_back("Noch offen: zu kassieren " + money(cash.OpenCollectCents) +
                          " · auszuzahlen " + money(cash.OpenPayOutCents));
    for (const ClassCash& item : cash.Classes) {
        if (item.Pays) {
            report.foot.push_back(item.Name + ": Nenngeld " + money(item.FeesCents) +
                                  " (Auszahlung: " + money(item.SheetFeesCents) + ") · Gewinne " +
                                  money(item.WonCents) +
                                  " (Auszahlung: " + money(item.SheetPaidCents) + ")");
        }
    }
    report.foot.push_back(
        "Netto: \"zu zahlen\" kassiert das Büro vom Reiter, \"auszahlen\" zahlt es ihm aus.");
    report.foot.push_back("Beträge in Euro, wie auf den Auszahlungen auf den Cent abgeschnitten.");
    return report;
}
