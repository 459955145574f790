#include "core/Office.h"

#include <filesystem>

#include "core/Competition.h"
#include "files/ChangeLog.h"
#include "files/ClassRulesReader.h"
#include "files/FileIo.h"
#include "office/CashoutReport.h"

namespace {

constexpr const char* PaidBookTitle = "Kasse.json";
constexpr const char* RegisterTitle = "Reiterregister.sqlite";

}  // namespace

std::string RegisterFile(const std::string& dataFolder) {
    return (std::filesystem::path(dataFolder) / RegisterTitle).string();
}

std::string PaidBookFile(const Show& show) {
    return (std::filesystem::path(show.FilePath()).parent_path() / PaidBookTitle).string();
}

std::string ShowStandings(const Show& show, const ClassTableOf& tableOf, char decimalSeparator,
                          std::vector<ClassStanding>& standings) {
    StandingContext context;
    context.SystemSeparator = decimalSeparator;
    standings.clear();
    for (int index = 0; index < show.ClassCount(); ++index) {
        const ShowClass& item = show.Data().Classes.at(static_cast<std::size_t>(index));
        const ClassRulesReading rules = ReadShowClassRules(item);
        if (!rules.Ok()) {
            return "Klasse \"" + item.Name + "\": " + rules.Error;
        }
        ResultTable table;
        std::string error;
        if (TakesResults(item) && index != show.OpenIndex()) {
            DerivedTable made;
            error = MakeTakenTable(show, index, tableOf, decimalSeparator, made);
            table = std::move(made.Table);
        } else {
            error = tableOf(index, table);
        }
        if (!error.empty()) {
            return "Klasse \"" + item.Name + "\" nicht gelesen: " + error;
        }
        standings.push_back({item.Name, MakeStanding(table, rules.Rules, context)});
    }
    return {};
}

std::string Office::OpenRegister(const std::string& path, bool readOnly) {
    std::string error;
    register_ = Register::Open(path, error, readOnly);
    ReadNames();
    return error;
}

void Office::ReadNames() {
    riderNames_.clear();
    horseNames_.clear();
    if (!register_) {
        return;
    }
    for (const RegisteredRider& rider : register_->Riders()) {
        riderNames_.push_back(rider.Name);
    }
    for (const auto& [name, owner] : register_->Horses()) {
        horseNames_.push_back(name);
    }
}

std::string Office::Take(const std::vector<RegisterLine>& lines) {
    if (!register_) {
        return {};
    }
    const RegisterOutcome outcome = register_->Add(lines);
    ReadNames();
    return outcome.Error.empty() ? SpelledTwiceText(outcome.SpelledTwice) : outcome.Error;
}

void Office::TakeRidersOf(const Show& show, const ClassTableOf& tableOf) {
    if (!register_) {
        return;
    }
    std::vector<RegisterLine> lines;
    for (int index = 0; index < show.ClassCount(); ++index) {
        ResultTable table;
        if (!tableOf(index, table).empty()) {
            continue;  // the class says so itself when it is opened
        }
        for (int row = 1; row < table.RowCount(); ++row) {
            lines.push_back({table.Cell(ColName, row), {}, table.Cell(ColPferd, row)});
        }
    }
    register_->Add(lines);
    ReadNames();
}

MemberLookup Office::Members() const {
    if (!register_) {
        return {};
    }
    const Register* known = register_.get();
    return [known](const std::string& rider) { return known->MemberOf(rider); };
}

std::string Office::OpenShow(const Show& show) {
    bookFile_ = PaidBookFile(show);
    book_ = PaidBook();
    bookError_.clear();
    if (!std::filesystem::exists(bookFile_)) {
        return {};
    }
    const std::optional<std::string> text = ReadFileBytes(bookFile_, std::size_t{16} << 20);
    std::string error;
    std::optional<PaidBook> read = text ? PaidBook::Parse(*text, error) : std::nullopt;
    if (!read) {
        bookError_ = (text ? error : "nicht lesbar") + " (" + bookFile_ + ")";
        return "Kassenbuch: " + bookError_;
    }
    book_ = std::move(*read);
    return {};
}

std::string Office::Record(const PaidBook& changed, const std::string& what,
                           const std::string& detail) {
    if (bookFile_.empty()) {
        return "Die Kasse braucht ein offenes Turnier.";
    }
    if (!bookError_.empty()) {
        return "Kassenbuch wird nicht überschrieben: " + bookError_;
    }
    const std::string line = ChangeLogText(LocalWallTime().Text, what, detail, {});
    if (const FileWriteResult logged = AppendChangeLog(ClassLogFile(bookFile_), line);
        !logged.Ok()) {
        return "Kassenbuch-Protokoll nicht geschrieben: " + logged.Error;
    }
    if (const FileWriteResult written = ReplaceFileBytes(bookFile_, changed.Text());
        !written.Ok()) {
        return "Kassenbuch nicht geschrieben: " + written.Error;
    }
    book_ = changed;
    return {};
}

std::string Office::Pay(const RiderAccount& account, PayMethod method, char decimalSeparator) {
    PaidBook changed = book_;
    Payment entered;
    const std::string refused = changed.Pay(
        {account.Key, account.Rider, method, 0, account.NetCents(), LocalWallTime().Text, false},
        &entered);
    if (!refused.empty()) {
        return refused;
    }
    return Record(changed, "Bezahlt",
                  account.Rider + ": " + NetText(account.NetCents(), decimalSeparator) + ", " +
                      PaymentText(entered));
}

std::string Office::VoidCheck(int number, char decimalSeparator) {
    PaidBook changed = book_;
    Payment voided;
    if (std::string refused = changed.VoidCheck(number, &voided); !refused.empty()) {
        return refused;
    }
    return Record(changed, "Scheck storniert",
                  "Nr. " + std::to_string(number) + ", " + voided.Rider + ": " +
                      NetText(voided.NetCents, decimalSeparator));
}

// The competition's side of the office.

void Competition::RegisterOfficeCommands() {
    Serve(
        Command::Cashout, [this] { return HasShow(); }, [this] { cashoutShown_ = !cashoutShown_; });
}

void Competition::TakeIntoRegister(const std::vector<RegisterLine>& lines) {
    if (const std::string said = office_.Take(lines); !said.empty()) {
        env_.Operator.ShowMessage(said);
    }
}

Cashout Competition::CurrentCashout() const {
    if (!show_) {
        return {};
    }
    const auto tableOf = [this](int index, ResultTable& table) {
        return ClassTableNow(index, table);
    };
    std::vector<ClassStanding> standings;
    if (std::string error = ShowStandings(*show_, tableOf, env_.DecimalSeparator, standings);
        !error.empty()) {
        // Said where the cash-out is shown, not in a box at every change.
        Cashout none;
        none.Problem = "Kasse unvollständig: " + std::move(error);
        return none;
    }
    return MakeCashout(standings, show_->Data().Office, office_.Members(), office_.Book());
}

Report Competition::CurrentCashoutReport() const {
    ReportHead head = CurrentReportHead();
    head.className.clear();
    head.race.clear();
    const WallTime now = LocalWallTime();
    return CashoutReport(CurrentCashout(), head, GermanDate(now.Day) + now.Text.substr(10, 6));
}

void Competition::PrintCashout() {
    if (const std::string error = env_.Desktop.PrintReport(CurrentCashoutReport());
        !error.empty()) {
        env_.Operator.ShowError(error);
    }
}

bool Competition::MarkPaid(const std::string& accountKey, PayMethod method) {
    const Cashout cash = CurrentCashout();
    const auto account =
        std::find_if(cash.Riders.begin(), cash.Riders.end(),
                     [&](const RiderAccount& rider) { return rider.Key == accountKey; });
    std::string message = !cash.Problem.empty() ? cash.Problem
                          : account == cash.Riders.end()
                              ? "Kein Reiter \"" + accountKey + "\" in der Kasse."
                              : office_.Pay(*account, method, cash.DecimalSeparator);
    if (!message.empty()) {
        env_.Operator.ShowError(message);
    }
    Notify(Change::All);
    return message.empty();
}

bool Competition::VoidCheck(int number) {
    const std::string message = office_.VoidCheck(number, CurrentCashout().DecimalSeparator);
    if (!message.empty()) {
        env_.Operator.ShowError(message);
    }
    Notify(Change::All);
    return message.empty();
}

const std::vector<std::string>& Competition::RegisteredRiders() const {
    return office_.RiderNames();
}

const std::vector<std::string>& Competition::RegisteredHorses() const {
    return office_.HorseNames();
}
