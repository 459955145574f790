#include "files/PayoutReport.h"

#include "results/Jackpot.h"
#include "results/Standing.h"

Report PayoutReport(const Standing& standing, ReportHead head, std::string printedAt) {
    // Times and money read like the totals listed beside them.
    const char decimalSeparator = standing.DecimalSeparator;
    const ClassRules& rules = standing.Rules;
    Report report;
    report.title = "Auszahlung";
    report.head = std::move(head);
    report.printedAt = std::move(printedAt);
    report.columns = {
        {"Platz", ReportAlign::Right}, {"Nr.", ReportAlign::Right},           {"Name"}, {"Pferd"},
        {"Total", ReportAlign::Right}, {"Betrag €", ReportAlign::Right, true}};
    const auto money = [&](std::int64_t cents) { return MoneyText(cents, decimalSeparator); };
    const PayoutSheet& sheet = standing.Sheet;

    for (std::size_t d = 0; d < sheet.Divisions.size(); ++d) {
        const DivisionPayout& division = sheet.Divisions[d];
        const int number = static_cast<int>(d) + 1;
        std::string heading = DivisionHeading(standing, number);
        heading += " · Topf " + money(division.PotCents);
        report.rows.push_back({{heading}, ReportRowKind::Note, true});

        const std::vector<int> rows = DivisionRows(standing, number);
        for (const int row : rows) {
            const StandingRow& at = standing.At(row);
            report.rows.push_back({{std::to_string(at.DivisionPlace), at.StartNumber, at.Rider,
                                    at.Horse, at.Total, standing.MoneyOf(row)}});
        }
        if (rows.empty())
            report.rows.push_back({{"Kein Reiter in dieser Division"}, ReportRowKind::Note});
        std::string places = "Plätze:";
        for (std::size_t p = 0; p < division.PlaceCents.size(); ++p)
            places += (p == 0 ? " " : " · ") + std::to_string(p + 1) + ". " +
                      money(division.PlaceCents[p]);
        report.rows.push_back({{places}, ReportRowKind::Note});
        if (division.UnpaidCents > 0)
            report.rows.push_back(
                {{"Nicht erreichte Plätze, nicht ausgezahlt: " + money(division.UnpaidCents)},
                 ReportRowKind::Note});
    }

    const PayoutRules& payout = rules.Payout;
    const std::string entries = std::to_string(sheet.Entries);
    report.foot = {
        "Nennungen: " + entries + " × " + money(payout.EntryFeeCents) + " = " +
            money(sheet.FeesCents),
        "Bürogebühr: " + entries + " × " + money(payout.OfficeFeeCents) + " = " +
            money(sheet.OfficeCents),
        "Rückzahlung " + ShareText(payout.PaybackShare, decimalSeparator) + " % von " +
            money(sheet.FeesCents - sheet.OfficeCents) + ": " + money(sheet.PaybackCents),
        "Zugabe: " + money(sheet.AddedCents),
        "Preisgeld: " + money(sheet.PurseCents),
        "Ausgezahlt: " + money(sheet.PaidCents) + " · Nicht ausgezahlt: " +
            money(sheet.UnpaidCents) + " · Rundungsrest: " + money(sheet.RestCents),
    };
    if (payout.Unplaced == UnplacedMoney::Split)
        report.foot.push_back(
            "Geld nicht erreichter Plätze wird unter den bezahlten Reitern der Division geteilt.");
    report.foot.push_back(
        "Beträge in Euro; jeder Anteil ist auf den Cent abgeschnitten, der Rest "
        "bleibt als Rundungsrest beim Veranstalter.");
    return report;
}
