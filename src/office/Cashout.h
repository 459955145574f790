#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/ShowFile.h"
#include "office/Payments.h"
#include "results/Standing.h"

// The cash-out of a show: per rider the classes entered with each fee, the money won in each
// class, and the net the office collects or pays out. Money comes from each class's standing,
// the one its payout sheet renders: a fee is charged where the standing counts the starter in
// the purse (a scratch before the draw is refunded, one after it is not), and the money won is
// the standing's. So each class's fees and money agree with its payout sheet to the cent.

// A class of the show as its standing is now.
struct ClassStanding {
    std::string Name;
    Standing Result;
};

// One start of a rider in a class.
struct CashoutEntry {
    std::string ClassName;
    std::string StartNumber;
    std::string Horse;
    std::int64_t FeeCents = 0;  // the class's entry fee when it counts, else 0
    std::int64_t WonCents = 0;
    bool Refunded = false;  // scratched before the draw: the fee is given back
    bool Scratched = false;

    bool operator==(const CashoutEntry&) const = default;
};

// A rider's account.
struct RiderAccount {
    // The rider as the register knows them: by the name as written (two spellings are two
    // riders until the office corrects one), with the member number the register has.
    std::string Key;
    std::string Rider;   // the name as first met
    std::string Member;  // from the register; empty when it knows none
    std::vector<CashoutEntry> Entries;
    std::int64_t RiderFeeCents = 0;          // the office's fee per rider and day
    std::vector<std::string> HorsesCharged;  // horses whose fee this rider pays
    std::int64_t HorseFeeCents = 0;
    std::int64_t FeesCents = 0;  // entry fees that count + rider fee + horse fees
    std::int64_t WonCents = 0;
    std::optional<Payment> Paid;  // the paid mark that stands

    // What the office collects (> 0) or pays out (< 0).
    std::int64_t NetCents() const { return FeesCents - WonCents; }
    // What is still open: the net, or once paid what it changed by since (a late entry, a
    // correction); 0 when settled.
    std::int64_t OpenCents() const { return Paid ? NetCents() - Paid->NetCents : NetCents(); }

    bool operator==(const RiderAccount&) const = default;
};

// What each class brings into the cash-out, beside its payout sheet's own figures.
struct ClassCash {
    std::string Name;
    bool Pays = false;
    std::int64_t FeesCents = 0;  // the riders' fees of the class
    std::int64_t WonCents = 0;   // the riders' money of the class
    std::int64_t SheetFeesCents = 0;
    std::int64_t SheetPaidCents = 0;

    bool operator==(const ClassCash&) const = default;
};

struct Cashout {
    // The separator of the classes' times and money, as their payout sheets write them.
    char DecimalSeparator = ',';
    std::vector<RiderAccount> Riders;  // in the order they first start
    std::vector<ClassCash> Classes;
    std::int64_t FeesCents = 0;     // every fee taken
    std::int64_t PaidOutCents = 0;  // every rider's money
    std::int64_t HeldCents() const { return FeesCents - PaidOutCents; }
    // Of the riders not marked paid: what is still to collect and to pay out.
    std::int64_t OpenCollectCents = 0;
    std::int64_t OpenPayOutCents = 0;
    // Why the cash-out is empty (a class file that cannot be read); empty when it is whole.
    std::string Problem;

    bool operator==(const Cashout&) const = default;
};

// The member number the register knows for a rider's name; empty when none.
using MemberLookup = std::function<std::string(const std::string& rider)>;

// Makes the cash-out of the classes with the show's office fees and the paid marks.
Cashout MakeCashout(const std::vector<ClassStanding>& classes, const OfficeFees& fees,
                    const MemberLookup& memberOf, const PaidBook& paid);

// The association's list: one line per run (valid, disqualified or without a time) with member
// number, rider, horse, class, time, place, division and money, ";" between the fields, a head
// line first; UTF-8.
std::string AssociationCsv(const std::vector<ClassStanding>& classes, const MemberLookup& memberOf);
