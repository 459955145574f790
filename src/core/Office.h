#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Show.h"
#include "office/Cashout.h"
#include "office/Payments.h"
#include "office/Register.h"

// The show office, a part of the competition: the register of riders and horses (kept across
// shows in the user's data folder), the cash-out of the open show and its paid marks. The paid
// marks lie in the show folder ("Kasse.json", replaced whole) and every mark is a line of its
// change log ("Kasse.json.log") first.

// The register's file in the data folder.
std::string RegisterFile(const std::string& dataFolder);
// The paid marks of a show, beside its show file.
std::string PaidBookFile(const Show& show);

// Every class of the show as its standing is now, in the show's order: a class with runs of its
// own from tableOf, a class that takes its results from others made from their tables. Returns
// the message when a table could not be read or a class's settings are broken.
std::string ShowStandings(const Show& show, const ClassTableOf& tableOf, char decimalSeparator,
                          std::vector<ClassStanding>& standings);

class Office {
public:
    // Opens (or creates) the register; the message when it cannot be used: the program goes on
    // without it. Read-only, it is never created nor changed.
    std::string OpenRegister(const std::string& path, bool readOnly = false);
    const Register* Riders() const { return register_.get(); }
    // The register's riders and horses by name, as the name fields offer them; read again only
    // when the register took something.
    const std::vector<std::string>& RiderNames() const { return riderNames_; }
    const std::vector<std::string>& HorseNames() const { return horseNames_; }
    // Takes the lines of a start list into the register; returns what the operator is told: the
    // riders spelled twice, or why the register could not take them. Empty when there is nothing
    // to say.
    std::string Take(const std::vector<RegisterLine>& lines);
    // Takes the riders and horses of the show's classes into the register without a word, so a
    // list loaded later is compared with them too.
    void TakeRidersOf(const Show& show, const ClassTableOf& tableOf);
    // The member number the register knows for the rider (for the cash-out and the export).
    MemberLookup Members() const;

    // Reads the paid marks of the show now open; the message when its file is broken (then no
    // mark can be added until it is mended, and nothing in it is lost).
    std::string OpenShow(const Show& show);
    const PaidBook& Book() const { return book_; }

    // Marks the rider paid (the net as it stands now); a check gets the next number. The log
    // line is written before the file. Returns the message when refused or not written.
    std::string Pay(const RiderAccount& account, PayMethod method, char decimalSeparator);
    std::string VoidCheck(int number, char decimalSeparator);

private:
    // Writes the book after its log line; on failure the book stays as it was.
    std::string Record(const PaidBook& changed, const std::string& what, const std::string& detail);

    // Reads the names the fields offer from the register.
    void ReadNames();

    std::unique_ptr<Register> register_;
    std::vector<std::string> riderNames_;
    std::vector<std::string> horseNames_;
    PaidBook book_;
    std::string bookFile_;
    std::string bookError_;
};
