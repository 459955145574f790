#include "results/Jackpot.h"

#include <algorithm>
#include <numeric>

#include "results/Draw.h"
#include "results/ResultTable.h"

namespace {

// Rows with a valid total, fastest first; equal totals keep their row order.
std::vector<std::size_t> ValidRowsByTotal(const Totals& totalsMs, Resolution resolution) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < totalsMs.size(); ++i)
        if (totalsMs[i])
            rows.push_back(i);
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        return CutToResolution(*totalsMs[a], resolution) <
               CutToResolution(*totalsMs[b], resolution);
    });
    return rows;
}

std::optional<std::int64_t> Fastest(const Totals& totalsMs, Resolution resolution) {
    std::optional<std::int64_t> fastest;
    for (const auto& total : totalsMs)
        if (total && (!fastest || CutToResolution(*total, resolution) < *fastest))
            fastest = CutToResolution(*total, resolution);
    return fastest;
}

std::int64_t ShareOf(std::int64_t cents, int share) {
    return cents * share / FullShare;
}

}  // namespace

std::vector<DivisionPlace> Divide(const Totals& totalsMs, const std::vector<int>& offsetsMs,
                                  Resolution resolution) {
    std::vector<DivisionPlace> standing(totalsMs.size());
    const std::vector<std::size_t> rows = ValidRowsByTotal(totalsMs, resolution);
    if (rows.empty())
        return standing;
    const std::int64_t fastest = CutToResolution(*totalsMs[rows.front()], resolution);
    std::vector<int> counted(offsetsMs.size() + 1, 0);
    std::vector<std::int64_t> lastTotal(offsetsMs.size() + 1, -1);
    std::vector<int> lastPlace(offsetsMs.size() + 1, 0);
    for (const std::size_t row : rows) {
        const std::int64_t total = CutToResolution(*totalsMs[row], resolution);
        // Offsets increase, so the division is one more than the offsets the total reached.
        const auto reached =
            std::upper_bound(offsetsMs.begin(), offsetsMs.end(), total - fastest,
                             [](std::int64_t behind, int offset) { return behind < offset; });
        const auto d = static_cast<std::size_t>(reached - offsetsMs.begin());
        ++counted[d];
        if (total != lastTotal[d]) {
            lastPlace[d] = counted[d];
            lastTotal[d] = total;
        }
        standing[row] = {static_cast<int>(d) + 1, lastPlace[d]};
    }
    return standing;
}

std::optional<std::int64_t> DivisionBeginsMs(const ClassRules& rules, const Totals& totalsMs,
                                             Resolution resolution, int division) {
    const std::optional<std::int64_t> fastest = Fastest(totalsMs, resolution);
    if (!fastest || division < 1 || division > rules.DivisionCount())
        return std::nullopt;
    return *fastest +
           (division == 1 ? 0 : rules.DivisionOffsetsMs[static_cast<std::size_t>(division - 2)]);
}

PayoutSheet Pay(const ClassRules& rules, int entries, const std::vector<DivisionPlace>& standing,
                const Totals& totalsMs, Resolution resolution) {
    const PayoutRules& payout = rules.Payout;
    PayoutSheet sheet;
    sheet.RowCents.assign(standing.size(), 0);
    sheet.Entries = std::max(entries, 0);
    sheet.FeesCents = sheet.Entries * payout.EntryFeeCents;
    sheet.OfficeCents = sheet.Entries * payout.OfficeFeeCents;
    sheet.PaybackCents = ShareOf(sheet.FeesCents - sheet.OfficeCents, payout.PaybackShare);
    sheet.AddedCents = payout.AddedCents;
    sheet.PurseCents = sheet.PaybackCents + sheet.AddedCents;

    const auto divisions = static_cast<std::size_t>(rules.DivisionCount());
    sheet.Divisions.resize(divisions);
    std::int64_t pots = 0;
    for (std::size_t d = 0; d < divisions; ++d) {
        DivisionPayout& division = sheet.Divisions[d];
        division.BeginsMs = DivisionBeginsMs(rules, totalsMs, resolution, static_cast<int>(d) + 1);
        if (d < payout.DivisionShares.size())
            division.PotCents = ShareOf(sheet.PurseCents, payout.DivisionShares[d]);
        pots += division.PotCents;
    }
    // What cutting the purse into pots left over belongs to no division.
    sheet.RestCents = sheet.PurseCents - pots;

    // The rows of each place in each division, in the order they were given.
    std::vector<std::vector<std::vector<std::size_t>>> byPlace(divisions);
    for (std::size_t row = 0; row < standing.size(); ++row) {
        const DivisionPlace& at = standing[row];
        if (at.Division < 1 || static_cast<std::size_t>(at.Division) > divisions || at.Place < 1)
            continue;
        auto& places = byPlace[static_cast<std::size_t>(at.Division - 1)];
        if (places.size() < static_cast<std::size_t>(at.Place))
            places.resize(static_cast<std::size_t>(at.Place));
        places[static_cast<std::size_t>(at.Place - 1)].push_back(row);
    }

    for (std::size_t d = 0; d < divisions; ++d) {
        DivisionPayout& division = sheet.Divisions[d];
        const int paidPlaces = d < payout.PlacesPaid.size() ? payout.PlacesPaid[d] : 0;
        const auto shares = payout.PlaceShares.find(paidPlaces);
        for (int p = 0; p < paidPlaces && shares != payout.PlaceShares.end(); ++p)
            division.PlaceCents.push_back(
                ShareOf(division.PotCents, shares->second[static_cast<std::size_t>(p)]));
        const std::int64_t placesSum = std::accumulate(division.PlaceCents.begin(),
                                                       division.PlaceCents.end(), std::int64_t{0});
        division.RestCents = division.PotCents - placesSum;

        const auto& places = byPlace[d];
        std::vector<std::size_t> paidRows;
        int covered = 0;  // places 1..covered have riders
        for (std::size_t p = 0; p < places.size(); ++p) {
            const auto& tied = places[p];
            if (tied.empty())
                continue;
            division.Riders += static_cast<int>(tied.size());
            const auto first = static_cast<int>(p);  // 0-based place
            const auto last = first + static_cast<int>(tied.size());
            covered = std::max(covered, last);
            std::int64_t amount = 0;
            for (int q = first; q < std::min(last, static_cast<int>(division.PlaceCents.size()));
                 ++q)
                amount += division.PlaceCents[static_cast<std::size_t>(q)];
            if (first >= static_cast<int>(division.PlaceCents.size()))
                continue;
            const auto n = static_cast<std::int64_t>(tied.size());
            for (const std::size_t row : tied) {
                sheet.RowCents[row] = amount / n;
                paidRows.push_back(row);
            }
            division.RestCents += amount - amount / n * n;
        }
        std::int64_t unreached = 0;
        for (std::size_t q = static_cast<std::size_t>(std::min<int>(covered, paidPlaces));
             q < division.PlaceCents.size(); ++q)
            unreached += division.PlaceCents[q];
        if (payout.Unplaced == UnplacedMoney::Split && !paidRows.empty()) {
            const auto n = static_cast<std::int64_t>(paidRows.size());
            for (const std::size_t row : paidRows)
                sheet.RowCents[row] += unreached / n;
            division.RestCents += unreached - unreached / n * n;
        } else {
            division.UnpaidCents = unreached;
        }
        division.PaidRiders = static_cast<int>(paidRows.size());
        for (const std::size_t row : paidRows)
            division.PaidCents += sheet.RowCents[row];
        sheet.PaidCents += division.PaidCents;
        sheet.UnpaidCents += division.UnpaidCents;
        sheet.RestCents += division.RestCents;
    }
    return sheet;
}

std::string DivisionName(int division) {
    return division > 0 ? std::to_string(division) + "D" : std::string();
}

std::string MoneyText(std::int64_t cents, char decimalSeparator) {
    const char group = decimalSeparator == ',' ? '.' : ',';
    const bool negative = cents < 0;
    const std::uint64_t value =
        negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    std::string whole = std::to_string(value / 100);
    for (auto i = static_cast<std::ptrdiff_t>(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(static_cast<std::size_t>(i), 1, group);
    const auto rest = static_cast<unsigned>(value % 100);
    return (negative ? "-" : "") + whole + decimalSeparator + (rest < 10 ? "0" : "") +
           std::to_string(rest);
}

std::string StarterKey(const ResultTable& table, int row) {
    const std::string_view number = TrimText(table.Cell(ColNr, row));
    return std::string(number.empty() ? TrimText(table.Cell(ColName, row)) : number);
}

bool IsPurseEntry(const ResultTable& table, int row, const ClassRules& rules) {
    const std::string key = StarterKey(table, row);
    if (key.empty())
        return false;
    if (!RowScratched(table, row))
        return true;
    return rules.Drawn && std::find(rules.ScratchedAtDraw.begin(), rules.ScratchedAtDraw.end(),
                                    key) == rules.ScratchedAtDraw.end();
}

char TotalsSeparator(const ResultTable& table, char fallback) {
    for (int row = 1; row < table.RowCount(); ++row) {
        const std::string& total = table.Cell(ColTotal, row);
        const std::size_t at = total.find_first_of(",.");
        if (at != std::string::npos)
            return total[at];
    }
    return fallback;
}
