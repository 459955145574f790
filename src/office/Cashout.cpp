#include "office/Cashout.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "results/Jackpot.h"
#include "results/ResultTable.h"

Cashout MakeCashout(const std::vector<ClassStanding>& classes, const OfficeFees& fees,
                    const MemberLookup& memberOf, const PaidBook& paid) {
    Cashout cash;
    if (!classes.empty()) {
        cash.DecimalSeparator = classes.front().Result.DecimalSeparator;
    }
    std::map<std::string, std::size_t> accountOf;
    // Whether each account has a start that counts, and the horses of those starts.
    std::set<std::string> horsesCharged;
    for (const ClassStanding& item : classes) {
        const Standing& standing = item.Result;
        ClassCash money{
            item.Name, standing.Pays, 0, 0, standing.Sheet.FeesCents, standing.Sheet.PaidCents};
        for (const int row : standing.StartOrder) {
            const StandingRow& at = standing.At(row);
            if (at.Rider.empty()) {
                continue;
            }
            const std::string member = memberOf ? memberOf(at.Rider) : std::string();
            const std::string& key = at.Rider;
            auto [found, added] = accountOf.emplace(key, cash.Riders.size());
            if (added) {
                RiderAccount account;
                account.Key = key;
                account.Rider = at.Rider;
                account.Member = member;
                cash.Riders.push_back(std::move(account));
            }
            RiderAccount& account = cash.Riders[found->second];
            CashoutEntry entry;
            entry.ClassName = item.Name;
            entry.StartNumber = at.StartNumber;
            entry.Horse = at.Horse;
            entry.Scratched = at.State == Validity::Scratched;
            entry.Refunded = !at.PurseEntry;
            entry.FeeCents =
                standing.Pays && at.PurseEntry ? standing.Rules.Payout.EntryFeeCents : 0;
            entry.WonCents = at.Cents;
            money.FeesCents += entry.FeeCents;
            money.WonCents += entry.WonCents;
            // The office's fees: once per rider with a start that counts, once per horse.
            if (!entry.Refunded) {
                if (account.RiderFeeCents == 0 && fees.PerRiderCents > 0) {
                    account.RiderFeeCents = fees.PerRiderCents;
                }
                const std::string horse = AsciiLower(TrimText(at.Horse));
                if (!horse.empty() && fees.PerHorseCents > 0 &&
                    horsesCharged.insert(horse).second) {
                    account.HorsesCharged.push_back(at.Horse);
                    account.HorseFeeCents += fees.PerHorseCents;
                }
            }
            account.Entries.push_back(std::move(entry));
        }
        cash.Classes.push_back(money);
    }
    for (RiderAccount& account : cash.Riders) {
        account.FeesCents = account.RiderFeeCents + account.HorseFeeCents;
        for (const CashoutEntry& entry : account.Entries) {
            account.FeesCents += entry.FeeCents;
            account.WonCents += entry.WonCents;
        }
        if (const Payment* mark = paid.PaidOf(account.Key)) {
            account.Paid = *mark;
        }
        cash.FeesCents += account.FeesCents;
        cash.PaidOutCents += account.WonCents;
        (account.OpenCents() > 0 ? cash.OpenCollectCents : cash.OpenPayOutCents) +=
            std::abs(account.OpenCents());
    }
    return cash;
}

std::string AssociationCsv(const std::vector<ClassStanding>& classes,
                           const MemberLookup& memberOf) {
    // A field holding the separator, a quote or a line break is quoted.
    const auto field = [](const std::string& text) {
        if (text.find_first_of(";\"\r\n") == std::string::npos) {
            return text;
        }
        std::string quoted = "\"";
        for (const char c : text) {
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        return quoted + "\"";
    };
    std::string csv = "Mitglied;Reiter;Pferd;Klasse;Zeit;Platz;Division;Geld\r\n";
    for (const ClassStanding& item : classes) {
        const Standing& standing = item.Result;
        for (const int row : standing.StartOrder) {
            const StandingRow& at = standing.At(row);
            if (!at.HasResult()) {
                continue;
            }
            const std::string fields[] = {
                memberOf ? memberOf(at.Rider) : std::string(),
                at.Rider,
                at.Horse,
                item.Name,
                at.Total,
                at.Place > 0 ? std::to_string(at.Place) : std::string(),
                standing.HasDivisions() ? DivisionName(at.Division) : std::string(),
                standing.Pays ? MoneyText(at.Cents, standing.DecimalSeparator) : std::string()};
            for (std::size_t i = 0; i < std::size(fields); ++i) {
                csv += (i == 0 ? "" : ";") + field(fields[i]);
            }
            csv += "\r\n";
        }
    }
    return csv;
}
