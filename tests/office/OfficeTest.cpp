#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "OfficeShow.h"
#include "TempFolder.h"
#include "files/ClassRulesReader.h"
#include "files/ProtocolFile.h"
#include "office/Cashout.h"
#include "office/CashoutReport.h"
#include "office/Payments.h"
#include "office/Register.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

namespace {

// The classes of the show as their standings are, read as the program reads them.
std::vector<ClassStanding> OfficeStandings(OfficeFees& fees) {
    std::string error;
    const std::optional<ShowData> show = ParseShowText(OfficeShowJson, error);
    EXPECT_TRUE(show) << error;
    fees = show->Office;
    std::vector<ClassStanding> standings;
    for (const auto& [index, file] : {std::pair{0, OfficeOpenFile}, {1, OfficeJugendFile}}) {
        const ShowClass& item = show->Classes[static_cast<std::size_t>(index)];
        ResultTable table;
        ReadProtocolText(table, file);
        NumberStartPositions(table);
        standings.push_back({item.Name, MakeStanding(table, ReadShowClassRules(item).Rules, {})});
    }
    return standings;
}

const RiderAccount& AccountOf(const Cashout& cash, const std::string& rider) {
    const auto found =
        std::find_if(cash.Riders.begin(), cash.Riders.end(),
                     [&](const RiderAccount& account) { return account.Rider == rider; });
    EXPECT_NE(found, cash.Riders.end()) << rider;
    return *found;
}

}  // namespace

TEST(Cashout, ChargesWhoCountsInThePurseAndAgreesWithEveryPayoutSheetToTheCent) {
    OfficeFees fees;
    const std::vector<ClassStanding> standings = OfficeStandings(fees);
    const Cashout cash = MakeCashout(standings, fees, {}, PaidBook());

    // Each class's fees and money are its payout sheet's.
    ASSERT_EQ(cash.Classes.size(), 2u);
    for (std::size_t i = 0; i < cash.Classes.size(); ++i) {
        const PayoutSheet& sheet = standings[i].Result.Sheet;
        EXPECT_EQ(cash.Classes[i].FeesCents, sheet.FeesCents) << cash.Classes[i].Name;
        EXPECT_EQ(cash.Classes[i].WonCents, sheet.PaidCents) << cash.Classes[i].Name;
        EXPECT_GT(sheet.PaidCents, 0);
    }
    const std::int64_t nets =
        std::accumulate(cash.Riders.begin(), cash.Riders.end(), std::int64_t{0},
                        [](std::int64_t sum, const RiderAccount& a) { return sum + a.NetCents(); });
    EXPECT_EQ(nets, cash.FeesCents - cash.PaidOutCents);
    EXPECT_EQ(cash.PaidOutCents,
              standings[0].Result.Sheet.PaidCents + standings[1].Result.Sheet.PaidCents);

    // Anna rode both classes and won Open: 40 + 20 + 10 + 15 in fees, 96 won: she gets 11.
    const RiderAccount& anna = AccountOf(cash, "Anna Berg");
    ASSERT_EQ(anna.Entries.size(), 2u);
    EXPECT_EQ(anna.Entries[0].WonCents, 9600);
    EXPECT_EQ(anna.Entries[1].WonCents, 0);
    EXPECT_EQ(anna.NetCents(), -1100);
    EXPECT_EQ(NetText(anna.NetCents(), ','), "auszahlen 11,00");
    // Emil won nothing: he owes his entry and the office's fees.
    EXPECT_EQ(AccountOf(cash, "Emil Graf").NetCents(), 2000 + 1000 + 1500);
    // Scratched before the draw: refunded, and no office fee either; after it: paid.
    const RiderAccount& carla = AccountOf(cash, "Carla Hof");
    EXPECT_TRUE(carla.Entries[0].Refunded);
    EXPECT_EQ(carla.NetCents(), 0);
    EXPECT_EQ(AccountOf(cash, "Dora Lind").NetCents(), 4000 + 1000 + 1500);
    // Two spellings stay two accounts; their horse is charged once.
    const RiderAccount& first = AccountOf(cash, "Anna Müller");
    const RiderAccount& second = AccountOf(cash, "Müller, Anna");
    EXPECT_EQ(first.HorseFeeCents + second.HorseFeeCents, 1500);
    EXPECT_EQ(second.NetCents(), 2000 + 1000 - 6000);
}

TEST(Cashout, IdentifiesRidersByTheRegistersMemberNumberAndWritesOneAssociationLinePerRun) {
    OfficeFees fees;
    const std::vector<ClassStanding> standings = OfficeStandings(fees);
    const MemberLookup members = [](const std::string& rider) {
        return rider == "Anna Berg" ? std::string("4711") : std::string();
    };
    const Cashout cash = MakeCashout(standings, fees, members, PaidBook());
    EXPECT_EQ(AccountOf(cash, "Anna Berg").Member, "4711");
    EXPECT_EQ(AccountOf(cash, "Ben Ott").Member, "");

    const std::string csv = AssociationCsv(standings, members);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 + 3) << "head and the runs only";
    EXPECT_NE(csv.find("\r\n4711;Anna Berg;Blue;Open;15,00;1;;96,00\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("\r\n;Emil Graf;Fox;Jugend;DQ;;;0,00\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n;Müller, Anna;Lotte;Jugend;17,00;1;;60,00\r\n"), std::string::npos)
        << csv;
}

TEST(PaidBook, ChecksCountUpAVoidedCheckKeepsItsNumberAndPayingTwiceIsRefused) {
    PaidBook book;
    Payment made;
    EXPECT_EQ(book.Pay({"Ben Ott", "Ben Ott", PayMethod::Check, 0, -6400, "", false}, &made), "");
    EXPECT_EQ(made.CheckNumber, 1);
    EXPECT_EQ(book.Pay({"Anna", "Anna", PayMethod::Cash, 0, 1100, "", false}), "");
    const std::string twice = book.Pay({"Anna", "Anna", PayMethod::Check, 0, 1100, "", false});
    EXPECT_NE(twice.find("Anna ist schon bezahlt (bar"), std::string::npos) << twice;

    EXPECT_EQ(book.VoidCheck(1), "");
    EXPECT_EQ(book.PaidOf("Ben Ott"), nullptr) << "open again";
    EXPECT_EQ(book.VoidCheck(1), "Scheck Nr. 1 ist schon storniert.");
    EXPECT_EQ(book.VoidCheck(7), "Einen Scheck Nr. 7 gibt es nicht.");
    EXPECT_EQ(book.Pay({"Ben Ott", "Ben Ott", PayMethod::Check, 0, -6400, "", false}, &made), "");
    EXPECT_EQ(made.CheckNumber, 2) << "the voided check keeps number 1";

    // The file keeps every mark, the voided check with its number.
    std::string error;
    const std::optional<PaidBook> again = PaidBook::Parse(book.Text(), error);
    ASSERT_TRUE(again) << error;
    ASSERT_EQ(again->Payments().size(), 3u);
    EXPECT_TRUE(again->Payments()[0].Voided);
    EXPECT_EQ(again->Payments()[0].CheckNumber, 1);
    EXPECT_EQ(again->NextCheckNumber(), 3);
    EXPECT_EQ(PaymentText(*again->PaidOf("Ben Ott")), "Scheck Nr. 2");
    EXPECT_FALSE(PaidBook::Parse("{\"payments\": [{\"key\": 1}]}", error));
    EXPECT_NE(error.find("Kassenbuch beschädigt"), std::string::npos) << error;
}

TEST(Register, SurvivesReopeningAndASecondShowAndPointsOutASpellingNeverMergingIt) {
    TempFolder folder;
    const std::string path = folder.File("Reiterregister.sqlite");
    std::string error;
    {
        const std::unique_ptr<Register> known = Register::Open(path, error);
        ASSERT_TRUE(known) << error;
        const RegisterOutcome first = known->Add(
            {{"Anna Müller", "4711", "Lotte"}, {"Ben Ott", "", "Rio"}, {" Ben Ott ", "", ""}});
        EXPECT_EQ(first.Error, "");
        EXPECT_EQ(first.NewRiders, 2);
        EXPECT_TRUE(first.SpelledTwice.empty());
    }
    // The next show, after a restart: the same riders are known, new spellings pointed out.
    const std::unique_ptr<Register> known = Register::Open(path, error);
    ASSERT_TRUE(known) << error;
    EXPECT_EQ(known->MemberOf("Anna Müller"), "4711");
    const RegisterOutcome second = known->Add(
        {{"Müller, Anna", "", "Lotte"}, {"ANNA  MÜLLER", "", ""}, {"Ben Ott", "99", "Blue"}});
    EXPECT_EQ(second.NewRiders, 2) << "two spellings, each kept as written";
    ASSERT_EQ(second.SpelledTwice.size(), 3u);
    EXPECT_EQ(SpelledTwiceText(second.SpelledTwice),
              "Gleicher Reiter, anders geschrieben? (nicht zusammengeführt): \"Müller, Anna\" / "
              "\"ANNA  MÜLLER\"; \"Müller, Anna\" / \"Anna Müller\"; \"ANNA  MÜLLER\" / \"Anna "
              "Müller\"");
    const std::vector<RegisteredRider> riders = known->Riders();
    ASSERT_EQ(riders.size(), 4u);
    const auto ben = std::find_if(riders.begin(), riders.end(),
                                  [](const RegisteredRider& r) { return r.Name == "Ben Ott"; });
    ASSERT_NE(ben, riders.end());
    EXPECT_EQ(ben->Member, "99") << "a member number fills the one missing";
    EXPECT_EQ(ben->Horses, (std::vector<std::string>{"Blue", "Rio"}));
    EXPECT_TRUE(known->SetContact("Ben Ott", "0171 234", "ben@example.org"));

    // Not a register: refused with a message, the file left alone.
    WriteAll(folder.File("fremd.sqlite"), "kein SQLite");
    EXPECT_FALSE(Register::Open(folder.File("fremd.sqlite"), error));
    EXPECT_NE(error.find("fremd.sqlite"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(folder.File("fremd.sqlite")), "kein SQLite");
}
