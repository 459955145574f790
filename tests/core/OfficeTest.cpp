// The show office in the program: the cash-out of the open show, the paid marks in the show
// folder and its change log, and the register filled by an entry list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "../office/OfficeShow.h"
#include "CompetitionFixture.h"
#include "office/CashoutReport.h"

namespace {

using ::testing::HasSubstr;

const RiderAccount* Account(const Cashout& cash, const std::string& key) {
    for (const RiderAccount& account : cash.Riders) {
        if (account.Key == key) {
            return &account;
        }
    }
    return nullptr;
}

}  // namespace

TEST_F(ShowTest, ARiderIsMarkedPaidOnceInTheShowFolderAndItsLogAndAVoidedCheckKeepsItsNumber) {
    const std::filesystem::path show =
        OpenShow(OfficeShowJson, {{"open.txt", OfficeOpenFile}, {"jugend.txt", OfficeJugendFile}});
    Cashout cash = competition->CurrentCashout();
    ASSERT_EQ(cash.Classes.size(), 2u);
    // The open class's money is its payout sheet's, as the window shows it.
    EXPECT_EQ(cash.Classes[0].WonCents, competition->CurrentStanding().Sheet.PaidCents);
    EXPECT_EQ(cash.Classes[0].FeesCents, competition->CurrentStanding().Sheet.FeesCents);
    const std::int64_t nets = std::accumulate(
        cash.Riders.begin(), cash.Riders.end(), std::int64_t{0},
        [](std::int64_t sum, const RiderAccount& account) { return sum + account.NetCents(); });
    EXPECT_EQ(nets, cash.FeesCents - cash.PaidOutCents);

    EXPECT_TRUE(competition->MarkPaid("Anna Berg", PayMethod::Check));
    EXPECT_FALSE(competition->MarkPaid("Anna Berg", PayMethod::Cash));
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_THAT(dialogs.errors.back(), HasSubstr("Anna Berg ist schon bezahlt (Scheck Nr. 1"));
    EXPECT_TRUE(competition->VoidCheck(1));
    EXPECT_TRUE(competition->MarkPaid("Anna Berg", PayMethod::Check));
    EXPECT_TRUE(competition->MarkPaid("Emil Graf", PayMethod::Cash));
    const std::string log = ReadAll(show / "Kasse.json.log");
    EXPECT_THAT(log, HasSubstr("| Bezahlt (Anna Berg: auszahlen 11,00, Scheck Nr. 1)"));
    EXPECT_THAT(log, HasSubstr("| Scheck storniert (Nr. 1, Anna Berg: auszahlen 11,00)"));
    EXPECT_THAT(log, HasSubstr("| Bezahlt (Emil Graf: zu zahlen 45,00, bar)"));

    // After a restart the marks are back; the cash-out shows them.
    Restart((show / "Turnier.json").string());
    cash = competition->CurrentCashout();
    ASSERT_NE(Account(cash, "Anna Berg"), nullptr);
    ASSERT_TRUE(Account(cash, "Anna Berg")->Paid);
    EXPECT_EQ(Account(cash, "Anna Berg")->Paid->CheckNumber, 2);
    EXPECT_FALSE(Account(cash, "Ben Ott")->Paid);
    EXPECT_EQ(cash.OpenCollectCents + 0, 100 + 6500 + 6500) << "Ben, Dora, Anna Müller";
    const Report report = competition->CurrentCashoutReport();
    EXPECT_EQ(report.title, "Kasse");

    // A class file that cannot be read: the cash-out says so and nobody is paid on half of it.
    const std::string book = ReadAll(show / "Kasse.json");
    WriteAll(show / "jugend.txt", std::string("\0\x01\x02", 3));
    EXPECT_THAT(competition->CurrentCashout().Problem, HasSubstr("Klasse \"Jugend\""));
    EXPECT_FALSE(competition->MarkPaid("Ben Ott", PayMethod::Cash));
    EXPECT_EQ(ReadAll(show / "Kasse.json"), book);
}

// An entry list with member numbers fills the register, which the next program start still
// has; a rider spelled another way is named, never merged. A rider paid before a late entry
// raised the purse keeps the mark, and the cash-out shows what changed since.
TEST_F(ShowTest, AnEntryListFillsTheRegisterAndNamesARiderSpelledTwice) {
    const std::filesystem::path show =
        OpenShow(OfficeShowJson, {{"open.txt", OfficeOpenFile}, {"jugend.txt", OfficeJugendFile}});
    ASSERT_TRUE(competition->MarkPaid("Anna Berg", PayMethod::Cash));
    WriteAll(show / "nennungen.txt",
             "Klasse;Nr.;Name;Pferd;Mitglied\r\nJugend;10;Berg, Anna;Blue;4711\r\n"
             "Open;6;Finn Ott;Sky;815\r\n");
    competition->LoadFile((show / "nennungen.txt").string());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_THAT(dialogs.messages.back(),
                HasSubstr("anders geschrieben? (nicht zusammengeführt): \"Berg, Anna\" / "
                          "\"Anna Berg\""));
    Restart((show / "Turnier.json").string());
    const std::vector<std::string> riders = competition->RegisteredRiders();
    EXPECT_THAT(riders, ::testing::IsSupersetOf({"Berg, Anna", "Anna Berg", "Finn Ott"}));
    EXPECT_THAT(competition->RegisteredHorses(), ::testing::Contains("Sky"));
    const Cashout cash = competition->CurrentCashout();
    ASSERT_NE(Account(cash, "Finn Ott"), nullptr);
    EXPECT_EQ(Account(cash, "Finn Ott")->Member, "815") << "known by the register";
    // Five entries in Open now: Anna wins 120 instead of 96.
    EXPECT_EQ(PaidText(*Account(cash, "Anna Berg"), ','), "bar · Differenz: auszahlen 24,00");
}
