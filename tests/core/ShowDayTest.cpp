// Faults an operator met on a show day: what F8, Ctrl+Z, a correction, a class switch and a crash
// leave behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CompetitionFixture.h"
#include "files/ProtocolFile.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::string TotalOf(const ResultTable& table, const std::string& number) {
    return table.Cell(ColTotal, table.FindRow(number));
}

}  // namespace

TEST_F(CompetitionTest, AnAbortedRiderIsPassedOverAndTheNextRunGoesToTheNextRider) {
    Settings settings;
    settings.CountDown = true;
    Open(settings, StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Ace\r\n"));
    Key(Command::Start);  // the countdown for Anna, who does not come
    Key(Command::Abort);
    EXPECT_EQ(competition->Starters().StNrText(), "2");
    Key(Command::Start);  // countdown
    Key(Command::Start);  // start
    time.now += 14000 * TicksPerMs;
    Key(Command::Start);  // stop
    Key(Command::Entry);
    Key(Command::Entry);
    EXPECT_EQ(TotalOf(Table(), "2"), "14,00");
    EXPECT_EQ(TotalOf(Table(), "1"), "") << "the run went to the rider who ran";
    EXPECT_EQ(competition->Starters().StNrText(), "3") << "next goes on, not back to Anna";
}

// A mistaken entry is taken back with Ctrl+Z: the timed run waits for its entry again, with its
// time, penalties and the light barrier's stamps, on the same starter.
TEST_F(CompetitionTest, UndoingAnEntryGivesTheTimedRunBackToBeEnteredAgain) {
    OpenWithBarrier(StartList("7;Anna;Blue\r\n8;Ben;Rio\r\n"));
    Key(Command::LockLightBarrier);
    const std::int64_t start = time.now;
    Edge(ModemCtsOn, time.now);
    Edge(0, time.now);
    Key(Command::LockLightBarrier);
    time.now += 15234 * TicksPerMs;
    const std::int64_t stop = time.now;
    Edge(ModemCtsOn, time.now);
    Key(Command::PenaltyPlus);
    Key(Command::Entry);
    ASSERT_EQ(TotalOf(Table(), "7"), "20,23");

    Key(Command::Undo);
    EXPECT_EQ(TotalOf(Table(), "7"), "");
    EXPECT_EQ(competition->View().EntryStep, 0);
    EXPECT_TRUE(competition->Enabled(Command::Entry));
    EXPECT_EQ(competition->View().PenaltyCount, 1);
    EXPECT_EQ(competition->Starters().StNrText(), "7");

    Key(Command::Entry);
    EXPECT_EQ(TotalOf(Table(), "7"), "20,23");
    const std::string log = ReadAll(competition->ChangeLogFile());
    const std::string stamps =
        "Lichtschranke Start " + std::to_string(start) + ", Stopp " + std::to_string(stop);
    // The entry, the undo and the entry again: both entries carry the run's stamps.
    EXPECT_NE(log.find("| Eintrag (" + stamps), log.rfind("| Eintrag (" + stamps));
}

TEST_F(CompetitionTest, ACorrectionInEditModeIsRankedAtOnce) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    TimeRun(15000);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(16000);
    Key(Command::Entry);
    ASSERT_EQ(Table().Cell(ColRang, Table().FindRow("1")), "1");
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("2"), "14,00");
    EXPECT_EQ(Table().Cell(ColRang, Table().FindRow("2")), "1");
    EXPECT_EQ(Table().Cell(ColRang, Table().FindRow("1")), "2");
}

TEST_F(ShowTest, AClassSwitchedToStartsCleanAndKeepsItsOwnLastRun) {
    OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                            {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
             {{"open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}});
    TimeRun(15000);
    Key(Command::Entry);
    ASSERT_EQ(competition->View().bEintragen.Caption, "NÄCHSTER");
    Key(Command::NextClass);
    EXPECT_EQ(competition->View().bEintragen.Caption, "EINTRAGEN");
    EXPECT_FALSE(competition->View().eRangTVisible) << "no place of the other class";
    EXPECT_EQ(competition->View().RunTicks, 0);
    EXPECT_TRUE(competition->Enabled(Command::Start));
    EXPECT_FALSE(competition->Announcer().hasLastRun);
    EXPECT_EQ(competition->Announcer().onCourse.startNumber, "21");

    Key(Command::PreviousClass);
    ASSERT_TRUE(competition->Announcer().hasLastRun);
    EXPECT_EQ(competition->Announcer().lastRun.starter.startNumber, "1");
}

// Killed with a run on the clock: the restore is a line of the change log, and so is the run the
// beam log saw start.
TEST_F(CompetitionTest, ARestoreAfterACrashAndTheRunLostInItAreInTheChangeLog) {
    OpenWithBarrier(StartList("7;Anna;Blue\r\n8;Ben;Rio\r\n"));
    TimeRun(15000);
    Key(Command::Entry);
    Key(Command::Entry);
    Key(Command::LockLightBarrier);
    const std::int64_t start = time.now;
    Edge(ModemCtsOn, time.now);
    Edge(0, time.now);
    Relaunch();
    ASSERT_THAT(dialogs.questions, ElementsAre(HasSubstr("Sicherung laden?")));
    EXPECT_EQ(TotalOf(Table(), "7"), "15,00");
    const std::string log = ReadAll(competition->ChangeLogFile());
    EXPECT_THAT(log, HasSubstr("| Sicherung wiederhergestellt ("));
    EXPECT_THAT(log, HasSubstr("Lauf bei Programmende nicht eingetragen: Nr. 8, Lichtschranke "
                               "Start " +
                               std::to_string(start) + ", ohne Stopp"));
    EXPECT_EQ(competition->Announcer().lastRun.starter.startNumber, "7")
        << "the announcer's last run survives the restart";
}

TEST_F(ShowTest, TheDrawUsesTheSeedTheShowFileNamesUnlessTheOperatorWantsANewOne) {
    const std::string json =
        R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt",
            "draw": {"seed": 4711}}]})";
    const std::string starters = "1;A;a\r\n2;B;b\r\n3;C;c\r\n4;D;d\r\n5;E;e\r\n6;F;f\r\n";
    const std::filesystem::path show = OpenShow(json, {{"open.txt", starters}});
    competition->DrawOpenClass(4711);  // as --draw with the file's seed
    const std::vector<std::string> asOffice = Table().Column(ColNr);

    for (const bool sameSeed : {true, false}) {
        SCOPED_TRACE(sameSeed);
        competition->Shutdown();
        WriteAll(show / "Turnier.json", json);
        WriteAll(show / "open.txt", starters);
        dialogs.questions.clear();
        dialogs.answer = sameSeed;
        Open(NoCountdown(), (show / "Turnier.json").string());
        Key(Command::Draw);
        ASSERT_THAT(dialogs.questions, ElementsAre(HasSubstr("den Startwert 4711")));
        EXPECT_EQ(dialogs.focuses.back(), IOperator::Focus::Ja);
        const std::string log = ReadAll(competition->ChangeLogFile());
        const std::string lastDraw = log.substr(log.rfind("| Auslosung ("));
        EXPECT_EQ(lastDraw.find("Startwert 4711") != std::string::npos, sameSeed);
        if (sameSeed) {
            EXPECT_EQ(Table().Column(ColNr), asOffice);
        }
    }
}

TEST_F(ShowTest, EachClassWritesItsOwnWorkbookAndPageBesideItsFile) {
    const std::filesystem::path show =
        OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                                {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
                 {{"open.txt", "1;Anna;Blue\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}});
    Key(Command::Excel);
    Key(Command::Html);
    Key(Command::NextClass);
    Key(Command::Excel);
    EXPECT_THAT(desktop.opened, ElementsAre((show / "open-Ergebnisliste.xlsx").string(),
                                            (show / "open-Ergebnisliste.html").string(),
                                            (show / "jugend-Ergebnisliste.xlsx").string()));
}

// A protocol written with commas, continued on a system that writes points: the new run is
// written like the totals beside it.
TEST_F(CompetitionTest, ARunIsWrittenWithTheSeparatorOfTheTableNotOfTheSystem) {
    WriteSettings(store, NoCountdown());
    competition = std::make_unique<Competition>(CompetitionEnvironment{
        serial, store, cues, time, timers, dialogs, desktop, live, ui.Poster(),
        folder.Path().string(), DataFolder(), "", '.', "corralix", nullptr, ::write, &broker});
    competition->Start(StartList("1;Anna;Blue;;15,48;0;;;15,48\r\n2;Ben;Rio\r\n"));
    competition->StepStarter(+1);
    TimeRun(15057);
    Key(Command::Entry);
    EXPECT_EQ(TotalOf(Table(), "2"), "15,05");
}

// One run counts in the class that carries it and in the average of the go-rounds: both follow
// every entry and correction at once, in their files and change logs, and take no run of their
// own.
TEST_F(ShowTest, ARunCountsInTheCarriedClassAndTheAverageWhichFollowEveryCorrection) {
    const std::filesystem::path show = OpenShow(
        R"({"classes": [{"name": "Open 1", "file": "o1.txt"}, {"name": "Open 2", "file": "o2.txt"},
            {"name": "Jugend", "file": "j.txt", "runs_from": "Open 1"},
            {"name": "Schnitt", "file": "s.txt", "rounds": ["Open 1", "Open 2"]}]})",
        {{"o1.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"},
         {"o2.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"},
         {"j.txt", "2;Ben;Rio\r\n9;Nina;Max\r\n"}});
    TimeRun(15000);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(16000);
    Key(Command::Entry);
    EXPECT_THAT(ReadAll(show / "j.txt"), HasSubstr("16,00"));
    EXPECT_THAT(ReadAll(show / "j.txt.log"), HasSubstr("Aus \"Open 1\" übernommen"));
    EXPECT_THAT(ReadAll(show / "s.txt.log"), HasSubstr("Es zählen 1 von 2 Runden"));

    // A correction of the first go reaches the carried class's file at once.
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("2"), "14,00");
    competition->SetEditMode(false);
    // Ben's corrected total and his place in the youth class.
    EXPECT_THAT(ReadAll(show / "j.txt"), HasSubstr("\t14,00\t1\t"));

    Key(Command::NextClass);  // the second go
    TimeRun(16000);
    Key(Command::Entry);
    Key(Command::Entry);
    // Ben on course in the second go: 14,00 so far, Anna leads the average on 31,00.
    const std::optional<AnnouncerAverage> average = competition->Announcer().average;
    ASSERT_TRUE(average);
    EXPECT_EQ(AnnouncerAverageText(*average),
              "Schnitt nach 1 Runde: 14,00, Platz 1 · braucht 17,00 für Platz 1 im Schnitt");
    TimeRun(15500);
    Key(Command::Entry);
    Key(Command::Entry);

    Key(Command::NextClass);  // the youth class: Ben's run, and Nina the Open does not have
    EXPECT_EQ(TotalOf(Table(), "2"), "14,00");
    EXPECT_EQ(Table().Cell(ColRang, Table().FindRow("2")), "1");
    EXPECT_THAT(dialogs.messages, Contains(HasSubstr("Startnummern, die \"Open 1\" nicht hat: 9")));
    EXPECT_FALSE(competition->Enabled(Command::Start));
    EXPECT_FALSE(competition->Enabled(Command::Entry));
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("2"), "13,00");
    competition->SetEditMode(false);
    EXPECT_EQ(TotalOf(Table(), "2"), "14,00");
    EXPECT_THAT(dialogs.errors, Contains(HasSubstr("Korrekturen in \"Open 1\" eintragen")));

    Key(Command::NextClass);  // the average: Ben 29,50 ahead of Anna 31,00
    EXPECT_EQ(TotalOf(Table(), "2"), "29,50");
    EXPECT_EQ(Table().Cell(ColRang, Table().FindRow("2")), "1");
    EXPECT_EQ(TotalOf(Table(), "1"), "31,00");
    EXPECT_EQ(Table().Cell(ColRang, Table().FindRow("1")), "2");
    EXPECT_THAT(ReadAll(show / "s.txt"), HasSubstr("29,50"));
}

// A youth average of carried go-rounds: the runs are entered in the Open only, and the chain
// follows every entry and correction. The phones list the average before any change made its file.
TEST_F(ShowTest, AnAverageOfCarriedRoundsFollowsTheOpenThroughTheChain) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    const std::filesystem::path show = OpenShow(
        R"({"classes": [{"name": "Open 1", "file": "o1.txt"}, {"name": "Open 2", "file": "o2.txt"},
            {"name": "Jugend 1", "file": "j1.txt", "runs_from": "Open 1"},
            {"name": "Jugend 2", "file": "j2.txt", "runs_from": "Open 2"},
            {"name": "Jugend Schnitt", "file": "js.txt", "rounds": ["Jugend 1", "Jugend 2"]}]})",
        {{"o1.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"},
         {"o2.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"},
         {"j1.txt", "2;Ben;Rio\r\n"},
         {"j2.txt", "2;Ben;Rio\r\n"}},
        "show", settings);
    ASSERT_FALSE(std::filesystem::exists(show / "js.txt"));
    ASSERT_EQ(live.published.back().classes.size(), 5u);
    ASSERT_TRUE(live.published.back().classes[4].json);
    EXPECT_THAT(*live.published.back().classes[4].json, HasSubstr(R"("starters":1)"));

    TimeRun(16000);  // Anna, then Ben, whose runs count in the youth too
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(15000);
    Key(Command::Entry);
    Key(Command::NextClass);
    TimeRun(16000);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(14500);
    Key(Command::Entry);
    EXPECT_THAT(ReadAll(show / "js.txt"), HasSubstr("29,50"));
    EXPECT_THAT(ReadAll(show / "js.txt.log"), HasSubstr("Aus \"Jugend 1, Jugend 2\" übernommen"));

    // A correction in the second go reaches the average through the carried round.
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("2"), "15,00");
    competition->SetEditMode(false);
    EXPECT_THAT(ReadAll(show / "js.txt"), HasSubstr("30,00"));

    Key(Command::NextClass);
    Key(Command::NextClass);
    Key(Command::NextClass);  // the average: no runs of its own, entered in both Opens
    EXPECT_EQ(TotalOf(Table(), "2"), "30,00");
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("2"), "13,00");
    competition->SetEditMode(false);
    EXPECT_THAT(dialogs.errors, Contains(HasSubstr("Korrekturen in \"Open 1, Open 2\" eintragen")));
}
