#include "core/Competition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "../files/TempFolder.h"
#include "CompetitionFixture.h"
#include "config/SettingsStore.h"
#include "files/FileIo.h"
#include "files/LiveResults.h"
#include "files/ProtocolFile.h"
#include "serial/ManualUiQueue.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(CompetitionTest, KeysOfTheRunDoNothingBeforeARunStarted) {
    Open();
    for (Command command : {Command::PenaltyPlus, Command::Dq, Command::Entry, Command::Abort}) {
        EXPECT_FALSE(competition->Enabled(command));
        Key(command);
    }
    EXPECT_EQ(competition->View().PenaltyCount, 0);
    EXPECT_EQ(competition->View().EntryStep, 0);
    EXPECT_TRUE(competition->Enabled(Command::Save)) << "works while its button is disabled";
}

TEST_F(CompetitionTest, AFailedBackupStaysInTheStatusUntilABackupSucceeds) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    std::filesystem::remove_all(DataFolder());
    TimeRun(12340);
    Key(Command::Entry);
    EXPECT_THAT(competition->StatusMessage(), HasSubstr("Sicherung fehlgeschlagen"));
    EXPECT_EQ(Table().Cell(ColTotal, 1), "12,34") << "the result stays in the table";
    EXPECT_TRUE(Table().Modified());
    EXPECT_THAT(dialogs.errors, IsEmpty()) << "no modal box in the middle of timing";

    Key(Command::Entry);
    std::filesystem::create_directory(DataFolder());
    TimeRun(15000);
    Key(Command::Entry);
    EXPECT_EQ(competition->StatusMessage(), "");
    EXPECT_EQ(ReadAll(competition->BackupFileName()), EncodeProtocol(Table()));
}

TEST_F(CompetitionTest, ACorrectionInTheGridIsInTheBackupAndTheLiveResultsAtOnce) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    Open(settings, StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    TimeRun(12340);
    Key(Command::Entry);
    int changes = 0;
    competition->AddChangeListener([&](Change) { ++changes; });
    const int anna = Table().FindRow("1");

    competition->EditCell(ColTotal, anna, "11,34");
    EXPECT_EQ(Table().Cell(ColTotal, anna), "12,34") << "only in edit mode";
    competition->SetEditMode(true);
    changes = 0;
    competition->EditCell(ColTotal, anna, "11,34");
    EXPECT_EQ(Table().Cell(ColTotal, anna), "11,34");
    EXPECT_EQ(ReadAll(competition->BackupFileName()), EncodeProtocol(Table()));
    EXPECT_EQ(changes, 1);
    ASSERT_FALSE(live.published.empty());
    ASSERT_FALSE(live.published.back().rows.empty());
    EXPECT_EQ(live.published.back().rows.front().total, "11,34");
    competition->EditCell(ColNr, anna, "7");
    EXPECT_EQ(Table().Cell(ColNr, anna), "1") << "the start number is the row's key";
}

TEST_F(CompetitionTest, TheBrokerGetsEveryEntryAndItsTroubleIsToldWhileTheTimingGoesOn) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    EXPECT_FALSE(broker.Running()) << "off by default";
    competition->Shutdown();
    competition.reset();
    timers.made.clear();

    Settings settings = NoCountdown();
    settings.Mqtt = true;
    settings.MqttHost = "broker.arena";
    settings.MqttUser = "arena1";
    settings.Arena = "Halle 2";
    const std::filesystem::path show = folder.Path() / "show";
    std::filesystem::create_directory(show);
    WriteAll(show / "Turnier.json", R"({"show": {"name": "Herbst"},
        "classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"}]})");
    WriteAll(show / "open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Open(settings, (show / "Turnier.json").string());
    ASSERT_TRUE(broker.Running());
    // From the first message on, the topics and the last will name the show.
    ASSERT_FALSE(broker.published.empty());
    EXPECT_EQ(broker.published.front().Show, "Herbst");
    EXPECT_EQ(broker.started.back().Host, "broker.arena");
    EXPECT_EQ(broker.started.back().User, "arena1");
    EXPECT_EQ(broker.started.back().Arena, "Halle 2");

    // The broker goes away: the status bar says so once, and the run is timed and entered.
    broker.status = {BrokerState::Away, "MQTT-Broker broker.arena:1883 nicht erreichbar"};
    timers.Reconnect().expired();
    EXPECT_EQ(competition->StatusMessage(), broker.status.Message);
    TimeRun(12340);
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColTotal, Table().FindRow("1")), "12,34");
    ASSERT_FALSE(broker.published.empty());
    ASSERT_FALSE(broker.published.back().Live.rows.empty());
    EXPECT_EQ(broker.published.back().Live.rows.front().total, "12,34");

    broker.status = {BrokerState::Connected, ""};
    timers.Reconnect().expired();
    EXPECT_EQ(competition->StatusMessage(), "");
    competition->Shutdown();
    EXPECT_FALSE(broker.Running());
}

TEST_F(CompetitionTest, EveryRunOfAnEventWithoutStartListKeepsItsOwnRow) {
    Open(NoCountdown());
    TimeRun(12340);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(15000);
    Key(Command::Entry);
    EXPECT_THAT(Table().Column(ColTotal), ElementsAre("Total", "12,34", "15,00"));
}

TEST_F(CompetitionTest, ARunTimedAfterTheLastStarterIsEnteredWhereTheOperatorSeesIt) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    TimeRun(12000);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(13000);
    Key(Command::Entry);
    Key(Command::Entry);  // past the last starter
    EXPECT_EQ(competition->Starters().Board().rider, "") << "no starter on the board";
    competition->SetRider("Nachmeldung");
    TimeRun(14000);
    Key(Command::Entry);
    EXPECT_THAT(Table().Column(ColName), ElementsAre("Name", "Anna", "Ben", "Nachmeldung"));
    EXPECT_THAT(Table().Column(ColTotal), ElementsAre("Total", "12,00", "13,00", "14,00"));
}

TEST_F(CompetitionTest, SavingWhereNothingCanBeWrittenSaysSoAndKeepsTheChanges) {
    Open(NoCountdown());
    TimeRun(12000);
    Key(Command::Entry);
    // The operator is about to change cells by hand: the table counts as changed.
    competition->SetEditMode(true);
    competition->SetEditMode(false);
    dialogs.files = {folder.File("missing/folder/protokoll.txt")};
    Key(Command::Save);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_THAT(dialogs.errors[0], HasSubstr("Speichern fehlgeschlagen"));
    EXPECT_TRUE(Table().Modified());
    EXPECT_EQ(competition->CurrentSettings().LastFileName, "");
}

TEST_F(CompetitionTest, OnlyASuccessfulSaveToAChosenFileClearsTheModifiedFlag) {
    Open(NoCountdown());
    competition->SetRider("Anna");
    TimeRun(12000);
    Key(Command::Entry);
    // The operator is about to change cells by hand: the table counts as changed.
    competition->SetEditMode(true);
    competition->SetEditMode(false);

    Key(Command::Excel);
    EXPECT_THAT(desktop.opened, ElementsAre(DataFolder() + "/Ergebnisliste.xlsx"));
    EXPECT_TRUE(Table().Modified()) << "a working copy for the spreadsheet program";
    dialogs.files = {folder.File("fehlt/ergebnis.xlsx"), folder.File("ergebnis.xlsx")};
    Key(Command::Save);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(Table().Modified());
    Key(Command::Save);
    EXPECT_FALSE(Table().Modified());
    EXPECT_EQ(competition->CurrentSettings().LastFileName, folder.File("ergebnis.xlsx"));
}

TEST_F(CompetitionTest, ClearingAllResultsIsAskedFirstAndNeinKeepsEverything) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    TimeRun(12000);
    Key(Command::Entry);
    dialogs.answer = false;
    Key(Command::Clear);
    EXPECT_THAT(dialogs.questions, ElementsAre("Alle Ergebnisse löschen?"));
    EXPECT_EQ(Table().Cell(ColTotal, 1), "12,00");
    EXPECT_FALSE(Table().Modified());
    dialogs.answer = true;
    Key(Command::Clear);
    EXPECT_EQ(Table().Cell(ColTotal, 1), "");
    EXPECT_EQ(Table().Cell(ColName, 1), "Anna");
    EXPECT_TRUE(Table().Modified()) << "the next close asks before the results are gone";
}

TEST_F(CompetitionTest, TvModeKeepsTheFinalTimeOfARunWaitingForItsEntry) {
    Open();  // with countdown: a toggle resets the board only while the cycle is ready
    Key(Command::Start);
    Key(Command::Start);
    time.now += 14560 * TicksPerMs;
    Key(Command::Start);
    const DigitLook seconds = competition->View().Digit6;
    Key(Command::TvMode);
    EXPECT_TRUE(competition->TvMode());
    EXPECT_EQ(competition->View().Digit6.Value, seconds.Value) << "the spectators keep 14,56";
    EXPECT_EQ(competition->View().Digit6.Value, 4);
    competition->CloseSpectatorWindow();
    EXPECT_FALSE(competition->TvMode());
}

TEST_F(CompetitionTest, ACommandLineFileThatCannotBeReadIsReportedAndLoadsAreStoredAbsolute) {
    Open(Settings{}, folder.File("fehlt.txt"));
    EXPECT_EQ(dialogs.errors.size(), 1u);
    std::filesystem::create_directory(folder.File("ordner.txt"));
    competition->LoadFile(folder.File("ordner.txt"));
    EXPECT_EQ(dialogs.errors.size(), 2u);

    const std::string list = StartList("1;Anna;Blue\r\n");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    competition->LoadFile("starter.txt");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(competition->CurrentSettings().LastFileName, list);
    EXPECT_EQ(ReadSettings(store).LastFileName, list);
}

TEST_F(CompetitionTest, AfterACrashTheBackupIsOfferedWithEnterOnJaAndTheOpenDialogStartsWhereItIs) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Zorro\r\n"));
    const int armed = competition->View().LightBarrierArmed;
    TimeRun(12340);
    Key(Command::Entry);
    Relaunch();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_THAT(dialogs.questions[0],
                ::testing::StartsWith("Sicherung laden?\nSie enthält 1 Ergebnis, geschrieben am "));
    EXPECT_THAT(dialogs.focuses, ElementsAre(IOperator::Focus::Ja)) << "a reflex Enter restores";
    EXPECT_EQ(Table().Cell(ColTotal, 1), "12,34");
    EXPECT_EQ(competition->Starters().Board().rider, "Ben") << "the first without a result";
    EXPECT_EQ(competition->View().LightBarrierArmed, armed);

    dialogs.questions.clear();
    Restart();
    EXPECT_THAT(dialogs.questions, IsEmpty()) << "a normal end asks nothing next time";
    Key(Command::Load);
    EXPECT_THAT(dialogs.openFolders, ElementsAre(DataFolder()));
}

TEST_F(CompetitionTest, TheExitQuestionGuardsARunThatWaitsForItsEntry) {
    Open(NoCountdown());
    EXPECT_FALSE(competition->ExitNeedsQuestion());
    Key(Command::Start);
    EXPECT_TRUE(competition->ExitNeedsQuestion()) << "the clock runs";
    Key(Command::Start);
    EXPECT_TRUE(competition->ExitNeedsQuestion()) << "the timed run is not entered yet";
    dialogs.answer = false;
    EXPECT_FALSE(competition->CloseQuery());
    EXPECT_THAT(dialogs.questions, ElementsAre("Programm beenden?"));
    Key(Command::Entry);
    EXPECT_FALSE(competition->ExitNeedsQuestion()) << "entered and backed up";
}

TEST_F(CompetitionTest, APortThatCannotBeOpenedIsReportedAndKeptForTheNextStart) {
    Settings settings;
    settings.Port = 3;
    Open(settings);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Anschluss COM3 (/dev/ttyS2) ist nicht vorhanden");
    EXPECT_FALSE(competition->PortOpen());
    competition->Shutdown();
    EXPECT_EQ(ReadSettings(store).Port, 3);
}

TEST_F(CompetitionTest, APulledAdapterComesBackArmedWithoutTheOperator) {
    serial.AddDevice(ComPortDevicePath(1));
    Settings settings;
    settings.Port = 1;
    Open(settings);
    ASSERT_TRUE(competition->PortOpen());
    Key(Command::LockLightBarrier);
    serial.RemoveDevice(ComPortDevicePath(1));
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    EXPECT_FALSE(competition->PortOpen());
    EXPECT_EQ(competition->StatusMessage(), "Lichtschranke getrennt! Kabel und Adapter prüfen");
    EXPECT_FALSE(competition->StatusIsGood());
    EXPECT_THAT(cues.played, ElementsAre("Audio-Lichtschranke.wav"));
    serial.AddDevice(ComPortDevicePath(1));
    timers.Reconnect().expired();
    ui.RunPending();
    EXPECT_TRUE(competition->PortOpen());
    EXPECT_EQ(competition->View().LightBarrierArmed, 1);
    EXPECT_EQ(competition->StatusMessage(), "Lichtschranke wieder verbunden");
    EXPECT_TRUE(competition->StatusIsGood());
    EXPECT_THAT(dialogs.errors, IsEmpty());
}

TEST_F(CompetitionTest, TheBarrierTestTimesNothingAndItsLastLevelIsTheRestingLevelAfter) {
    serial.AddDevice(ComPortDevicePath(1));
    Settings settings = NoCountdown();
    settings.Port = 1;
    Open(settings);
    Key(Command::LockLightBarrier);
    Key(Command::BarrierTest);
    ASSERT_NE(competition->BarrierTestState(), nullptr);
    EXPECT_FALSE(competition->Enabled(Command::Start));
    serial.SetModemStatus(ComPortDevicePath(1), ModemCtsOn, time.now);
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    EXPECT_EQ(competition->View().StartStep, 1) << "no run started";
    EXPECT_FALSE(timers.Clock().active);
    EXPECT_THAT(competition->BarrierTestState()->Lines().back(),
                HasSubstr("würde starten bzw. stoppen"));

    Key(Command::BarrierTest);
    EXPECT_EQ(competition->BarrierTestState(), nullptr);
    EXPECT_TRUE(competition->Enabled(Command::Start));
    // The beam still broken when the test ended is no crossing; the next one starts the run.
    serial.SetModemStatus(ComPortDevicePath(1), 0, time.now + 1);
    serial.SetModemStatus(ComPortDevicePath(1), ModemCtsOn, time.now + 2);
    while (competition->View().StartStep == 1 && ui.WaitForPosted(1, std::chrono::seconds(2))) {
        ui.RunPending();
    }
    EXPECT_EQ(competition->View().StartStep, 2);
    EXPECT_EQ(competition->View().RunStartTicks, time.now + 2);
}

TEST_F(CompetitionTest, AUsbAdapterThatHoldsBackEdgesIsSaidWithItsFix) {
    serial.AddDevice(ComPortDevicePath(33));
    serial.SetLatencyTimer(ComPortDevicePath(33), 16);
    Settings settings;
    settings.Port = 33;
    Open(settings);
    ASSERT_TRUE(competition->PortOpen());
    EXPECT_EQ(competition->StatusMessage(), "USB-Adapter meldet Flanken bis 16 ms spät");
    EXPECT_THAT(competition->StatusDetail(),
                HasSubstr("echo 1 | sudo tee /sys/class/tty/ttyUSB0/device/latency_timer"));
}

TEST_F(CompetitionTest, TheWarningWithoutRealTimePriorityFollowsTheWatcherOfTheOpenPort) {
    serial.AddDevice(ComPortDevicePath(1));
    Settings settings = NoCountdown();
    settings.Port = 1;
    WriteSettings(store, settings);
    RealtimeAnswer answer = RealtimeAnswer::Refused;
    bool realtime = false;  // the watcher's policy as the fake scheduler reports it
    CompetitionEnvironment env{serial,       store,   cues, time,        timers,
                               dialogs,      desktop, live, ui.Poster(), folder.Path().string(),
                               DataFolder(), "",      ','};
    env.RequestRealtime = [&](std::uint64_t, int) {
        realtime = answer == RealtimeAnswer::Granted;
        return answer;
    };
    competition = std::make_unique<Competition>(env);
    competition->ComPort().Scheduler = {[](std::uint64_t, int) { return false; },
                                        [&](std::uint64_t) { return realtime; }};
    competition->Start({});
    EXPECT_EQ(competition->StatusMessage(), "Ohne Echtzeitpriorität: RealtimeKit lehnt ab");
    EXPECT_THAT(competition->StatusDetail(), HasSubstr("ssh"));

    // The adapter comes back, and this time RealtimeKit grants it: the warning goes.
    answer = RealtimeAnswer::Granted;
    serial.RemoveDevice(ComPortDevicePath(1));
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    serial.AddDevice(ComPortDevicePath(1));
    timers.Reconnect().expired();
    serial.SetModemStatus(ComPortDevicePath(1), ModemCtsOn, time.now);
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    EXPECT_EQ(competition->StatusMessage(), "");

    // RealtimeKit's watchdog takes it back and refuses it again: said at the next look.
    realtime = false;
    answer = RealtimeAnswer::Refused;
    timers.Reconnect().expired();
    EXPECT_EQ(competition->StatusMessage(), "Echtzeitpriorität entzogen");
    EXPECT_FALSE(competition->StatusIsGood());
}

TEST_F(CompetitionTest, TheBeamLogHoldsEveryEdgeWithWhatItDidAndTheResumedStop) {
    OpenWithBarrier(StartList("7;Anna;Blue\r\n"));
    auto edge = [&](std::uint32_t status, std::int64_t stamp) { Edge(status, stamp); };
    edge(ModemCtsOn, time.now);  // locked
    edge(0, time.now);
    time.now += TicksPerMs;
    Key(Command::LockLightBarrier);
    edge(ModemCtsOn, time.now - 1);  // the beam broke just before F11, handled after it
    edge(0, time.now);
    edge(ModemCtsOn, time.now);  // start
    edge(0, time.now);
    Key(Command::LockLightBarrier);  // TimeLock 0: armed again by hand
    time.now += 4000 * TicksPerMs;
    edge(ModemCtsOn, time.now);  // a false stop
    Key(Command::Resume);
    EXPECT_EQ(competition->BeamReadout(), "Strahl unterbrochen · Flanken: 7");

    std::vector<std::string> actions;
    std::istringstream log(ReadAll(DataFolder() + "/Lichtschranke-" + Today() + ".log"));
    for (std::string line; std::getline(log, line);) {
        actions.push_back(line.substr(line.find('\t', line.find('\t') + 1) + 1));
    }
    EXPECT_THAT(
        actions,
        ElementsAre("CTS an\tignoriert: gesperrt\tNr. 7", "CTS aus\tRuhepegel\tNr. 7",
                    "CTS an\tignoriert: nicht scharf\tNr. 7", "CTS aus\tRuhepegel\tNr. 7",
                    "CTS an\tStart\tNr. 7", "CTS aus\tRuhepegel\tNr. 7", "CTS an\tStopp\tNr. 7",
                    "-\tWeiterlaufen: letzter Stopp aufgehoben\tNr. 7"));
}

TEST_F(CompetitionTest, TheBeamLogIsOnTheDiskBeforeTheBackupIsReplaced) {
    OpenWithBarrier(StartList("7;Anna;Blue\r\n8;Ben;Rio\r\n"));
    std::vector<std::string> steps;
    FileCalls watching;
    watching.sync = [&](int fd) {
        steps.push_back(
            std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd)).filename());
        return ::fsync(fd);
    };
    watching.rename = [&](const char* from, const char* to) {
        steps.push_back("-> " + std::filesystem::path(to).filename().string());
        return ::rename(from, to);
    };
    const ScopedFileCalls watched(watching);
    Key(Command::LockLightBarrier);  // armed
    Edge(ModemCtsOn, time.now);      // start
    Edge(0, time.now);
    Key(Command::LockLightBarrier);  // TimeLock 0: armed again by hand
    time.now += 15000 * TicksPerMs;
    Edge(ModemCtsOn, time.now);  // stop
    steps.clear();
    Key(Command::Entry);

    const std::string log = "Lichtschranke-" + Today() + ".log";
    const auto synced = std::find(steps.begin(), steps.end(), log);
    const auto replaced = std::find(steps.begin(), steps.end(), "-> Sicherungsdatei.txt");
    ASSERT_NE(replaced, steps.end());
    EXPECT_LT(synced, replaced) << "the beam's record of the run reaches the disk first";
}

TEST_F(CompetitionTest, LiveResultsAreOffByDefaultAndOnceOnGetEveryEntry) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    EXPECT_FALSE(live.Running());
    EXPECT_EQ(competition->LiveAddress(), "");
    competition->Shutdown();

    Settings settings = NoCountdown();
    settings.LiveResults = true;
    settings.LivePort = 8099;
    settings.LiveAddress = "127.0.0.1";
    Open(settings, StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    ASSERT_TRUE(live.Running());
    EXPECT_EQ(live.port, 8099);
    EXPECT_EQ(live.address, "127.0.0.1");
    TimeRun(12340);
    Key(Command::Entry);
    ASSERT_FALSE(live.published.empty());
    const LiveSnapshot& last = live.published.back();
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(last.rows[0].total, "12,34");
}

TEST_F(CompetitionTest, TheSettingsDialogIsClosedDuringARunAndItsChangesTakeEffectAtOnce) {
    Open(NoCountdown());
    Key(Command::Start);
    EXPECT_FALSE(competition->Enabled(Command::Settings));
    Key(Command::Settings);
    EXPECT_THAT(dialogs.shownSettings, IsEmpty()) << "a port change now would lose the stop";
    Key(Command::Start);

    Key(Command::Settings);  // "Abbrechen"
    ASSERT_EQ(dialogs.shownSettings.size(), 1u);
    EXPECT_FALSE(competition->CurrentSettings().CountDown);

    dialogs.editSettings = [](CfgValues& values) {
        values.CountDown = true;
        values.CountDownSeconds = 45;
        values.LockTenths = 30;
    };
    Key(Command::Entry);
    Key(Command::Entry);
    Key(Command::Settings);
    EXPECT_EQ(competition->CurrentSettings().CountDownSek, 45000);
    EXPECT_EQ(ReadSettings(store).TimeLock, 3000) << "kept at once, not only at the end";
    Key(Command::Start);
    EXPECT_TRUE(competition->View().CountdownActive) << "the next F4 starts the new countdown";
}

TEST_F(CompetitionTest, TypedReasonsAreWrittenAtOnceAndSettingsAtTheEnd) {
    WriteAll(folder.File("Disqualifikation.txt"), "Sturz\r\n...\r\n");
    Settings settings = NoCountdown();
    settings.TimeWarnung = 5000;
    Open(settings);
    competition->SetMainWindowBounds({10, 20, 1000, 700});
    Key(Command::Start);
    Key(Command::Dq);
    competition->ChooseReason(1);
    competition->EnterReason("Fahne verloren");
    EXPECT_EQ(ReadAll(DataFolder() + "/Disqualifikation.txt"), "Sturz\r\nFahne verloren\r\n...\r\n")
        << "written when typed, not only at a normal end";
    competition->Shutdown();

    const Settings stored = ReadSettings(store);
    EXPECT_FALSE(stored.CountDown);
    EXPECT_EQ(stored.TimeWarnung, 5000);
    EXPECT_EQ(stored.Left, 10);
    EXPECT_EQ(stored.Height, 700);
    EXPECT_EQ(ReadAll(DataFolder() + "/Disqualifikation.txt"),
              "Sturz\r\nFahne verloren\r\n...\r\n");
}

TEST_F(CompetitionTest, ARiderCalledBackNeverLeadsToAStarterWhoRanAndOverwritingIsAsked) {
    Open(NoCountdown(), StartList("1;Anna;A\r\n2;Ben;B\r\n3;Cleo;C\r\n4;Dora;D\r\n"));
    TimeRun(11000);
    Key(Command::Entry);
    Key(Command::Entry);
    competition->StepStarter(+1);  // Ben is not there yet
    TimeRun(13000);
    Key(Command::Entry);
    Key(Command::Entry);
    competition->SelectStarter(1);  // Ben, called back
    TimeRun(12000);
    Key(Command::Entry);
    Key(Command::Entry);
    EXPECT_EQ(competition->Starters().Board().rider, "Dora") << "not Cleo, who has run";

    competition->SelectStarter(2);  // the wrong starter picked by mistake
    TimeRun(14000);
    dialogs.answer = false;
    Key(Command::Entry);
    EXPECT_THAT(dialogs.questions,
                ElementsAre("Nr. 3 hat bereits ein Ergebnis (13,00). Überschreiben?"));
    EXPECT_THAT(dialogs.focuses, ElementsAre(IOperator::Focus::Nein));
    EXPECT_EQ(Table().Cell(ColTotal, Table().FindRow("3")), "13,00");
    EXPECT_TRUE(competition->Enabled(Command::Entry)) << "the run still waits for its entry";
    competition->SelectStarter(3);
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColTotal, Table().FindRow("4")), "14,00");
}

TEST_F(CompetitionTest, ALoadIsRefusedWhileARunWaitsAndAskedOverResultsNoChosenFileHolds) {
    Open(NoCountdown(), StartList("1;Anna;A\r\n2;Ben;B\r\n"));
    const std::string other = folder.File("andere.txt");
    WriteAll(other, "7;Zoe;Z\r\n");
    TimeRun(11000);
    dialogs.files = {other};
    Key(Command::Load);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_THAT(dialogs.errors[0], HasSubstr("Laden ist gesperrt"));
    EXPECT_THAT(dialogs.openFolders, IsEmpty());
    competition->ReloadLastFile();
    EXPECT_EQ(dialogs.errors.size(), 2u);
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColTotal, 1), "11,00") << "the run went to its own starter";

    dialogs.answer = false;
    Key(Command::Load);
    EXPECT_THAT(dialogs.questions, ElementsAre(HasSubstr("in keiner gespeicherten Datei")));
    EXPECT_EQ(Table().Cell(ColName, 1), "Anna");
    dialogs.files = {folder.File("ergebnis.txt"), other};
    Key(Command::Save);
    Key(Command::Load);
    EXPECT_EQ(dialogs.questions.size(), 1u) << "saved to a chosen file: nothing to lose";
    EXPECT_EQ(Table().Cell(ColName, 1), "Zoe");
}

TEST_F(CompetitionTest, ALockedKeySaysSoInTheStatusBarUntilAKeyActsAgain) {
    Open(NoCountdown());
    Key(Command::Start);
    Key(Command::Entry);
    EXPECT_EQ(competition->StatusMessage(), "F10 (Eintragen) ist jetzt gesperrt: die Uhr läuft");
    Key(Command::Start);
    EXPECT_EQ(competition->StatusMessage(), "");
    // Every locked key says why, in the words of a German keyboard.
    Key(Command::Payout);
    EXPECT_EQ(competition->StatusMessage(),
              "Strg+U (Auszahlung) ist jetzt gesperrt: die Klasse hat keine Auszahlung (payout)");
    Key(Command::NextClass);
    EXPECT_EQ(competition->StatusMessage(),
              "Strg+Bild ab (Nächste Klasse) ist jetzt gesperrt: kein Turnier geöffnet");
}

}  // namespace

// A show of three classes through a day: a draw, runs in two classes with switches between them,
// a drag, a scratch, an undo, and the program killed between the change log and the class file.
TEST_F(CompetitionTest, AShowOfThreeClassesKeepsEveryClassFileAndItsLogConsistent) {
    const std::filesystem::path show = folder.Path() / "show";
    std::filesystem::create_directory(show);
    WriteAll(show / "Turnier.json", R"({
      "show": {"name": "Herbstturnier", "date": "2026-10-03", "place": "Kleinweiler"},
      "classes": [
        {"name": "Open", "race": "Barrel Racing", "file": "open.txt",
         "draw": {"drag_every": 3, "horse_gap": 2}, "payout": {"entry_fee": 40}},
        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"},
        {"name": "Senior", "race": "Flag Race", "file": "senior.txt"}]})");
    WriteAll(
        show / "open.txt",
        "1;Anna;Blue\r\n2;Ben;Rio\r\n3;Anna;Star\r\n4;Cleo;Dusty\r\n5;Dora;Max\r\n6;Emil;Fox\r\n");
    WriteAll(show / "jugend.txt", "21;Finn;Pablo\r\n22;Gina;Lotte\r\n");
    int writesLeft = -1;  // the file layer's writes until the "kill"; -1: no end
    const auto start = [&] {
        WriteSettings(store, NoCountdown());
        timers.made.clear();
        CompetitionEnvironment environment{
            serial,       store,   cues, time,        timers,
            dialogs,      desktop, live, ui.Poster(), folder.Path().string(),
            DataFolder(), "",      ','};
        environment.FileWrite = [&writesLeft](int fd, const void* data, std::size_t size) {
            if (writesLeft == 0) {
                errno = EIO;
                return ssize_t{-1};
            }
            writesLeft -= writesLeft > 0 ? 1 : 0;
            return ::write(fd, data, size);
        };
        competition = std::make_unique<Competition>(environment);
        competition->Start((show / "Turnier.json").string());
    };
    const auto enter = [&](std::int64_t ms) {
        TimeRun(ms);
        Key(Command::Entry);
        Key(Command::Entry);
    };
    const auto classFile = [&](const char* name) { return ReadAll(show / name); };
    start();
    ASSERT_EQ(competition->CurrentClassName(), "Open");
    EXPECT_EQ(competition->CurrentShowHead().Place, "Kleinweiler");

    // The draw: reproducible from its seed, Anna's horses three runs apart at most possible.
    competition->DrawOpenClass(77);
    const std::vector<std::string> drawn = Table().Column(ColName);
    int first = -1;
    int second = -1;
    for (int row = 1; row < Table().RowCount(); ++row) {
        (Table().Cell(ColName, row) == "Anna" ? (first < 0 ? first : second) : row) = row;
    }
    EXPECT_GE(second - first - 1, 2) << "horse gap";
    EXPECT_THAT(ReadAll(show / "Turnier.json"), HasSubstr("\"seed\": 77"));
    EXPECT_THAT(ReadAll(show / "Turnier.json"), HasSubstr("\"entry_fee\": 40"));
    EXPECT_EQ(classFile("open.txt"), EncodeBackup(Table())) << "the drawn order is in the file";

    // Three runs, then the ground is dragged: the barrier stays locked until F11.
    enter(15100);
    enter(16200);
    TimeRun(14300);
    Key(Command::Entry);
    EXPECT_TRUE(competition->DragPending());
    EXPECT_EQ(competition->Board().race, "Bahnpflege");
    EXPECT_EQ(competition->View().LightBarrierArmed, 0);
    Key(Command::Entry);
    Key(Command::LockLightBarrier);
    EXPECT_FALSE(competition->DragPending());

    // The fourth starter scratches: "next" passes over them, the file keeps it loadable.
    const std::string scratched = competition->Starters().StNrText();
    Key(Command::Scratch);
    EXPECT_NE(competition->Starters().StNrText(), scratched);
    const int scratchedRow = Table().FindRow(scratched);
    EXPECT_EQ(Table().Cell(ColGrund, scratchedRow), "Abgemeldet");
    EXPECT_EQ(Table().Cell(ColRang, scratchedRow), "") << "never ranked";

    // Another class and back: each class file holds its own results.
    const std::string openBefore = classFile("open.txt");
    Key(Command::NextClass);
    ASSERT_EQ(competition->CurrentClassName(), "Jugend");
    EXPECT_EQ(competition->Starters().RaceText(), "Pole Bending");
    enter(20500);
    EXPECT_THAT(classFile("jugend.txt"), HasSubstr("20,50"));
    EXPECT_EQ(classFile("open.txt"), openBefore);
    Key(Command::PreviousClass);
    ASSERT_EQ(competition->CurrentClassName(), "Open");
    EXPECT_EQ(Table().Cell(ColGrund, Table().FindRow(scratched)), "Abgemeldet");

    // Undo takes the scratch back, the file and the log follow.
    Key(Command::Undo);
    EXPECT_EQ(Table().Cell(ColGrund, Table().FindRow(scratched)), "");
    EXPECT_EQ(classFile("open.txt"), EncodeBackup(Table()));
    const std::string log = ReadAll(show / "open.txt.log");
    for (const char* line :
         {"Auslosung", "Eintrag", "\"\" -> \"16,20\"", "Abgemeldet", "Rückgängig | Pos. "}) {
        EXPECT_THAT(log, HasSubstr(line));
    }

    // Killed after the log got the next change and before its class file was replaced.
    const std::string fileBefore = classFile("open.txt");
    const std::string next = competition->Starters().StNrText();
    writesLeft = 1;
    Key(Command::Scratch);
    writesLeft = -1;
    EXPECT_THAT(competition->StatusMessage(), HasSubstr("Klassendatei nicht geschrieben"));
    EXPECT_EQ(classFile("open.txt"), fileBefore) << "the old file stays whole";
    EXPECT_THAT(ReadAll(show / "open.txt.log"), HasSubstr("Abgemeldet"));
    competition.reset();  // no shutdown: the program died
    dialogs.answer = false;
    start();
    EXPECT_EQ(competition->CurrentClassName(), "Open");
    EXPECT_EQ(classFile("open.txt"), fileBefore);
    EXPECT_EQ(TrimText(Table().Cell(ColGrund, Table().FindRow(next))), "");
    // Every result in every class file is explained by its log.
    for (const char* name : {"open.txt", "jugend.txt"}) {
        const std::string text = ReadAll(show / (std::string(name) + ".log"));
        std::istringstream lines(classFile(name));
        std::string line;
        while (std::getline(lines, line)) {
            std::vector<std::string> cells;
            std::istringstream fields(line);
            for (std::string cell; std::getline(fields, cell, '\t');) {
                cells.push_back(cell);
            }
            for (int col : {ColGrund, ColTotal}) {
                if (cells.size() > ColTotal && cells[0] != "Nr." && !cells[col].empty()) {
                    EXPECT_THAT(text, HasSubstr("-> \"" + cells[col] + "\"")) << name;
                }
            }
        }
    }
}

namespace {

TEST_F(CompetitionTest, TheNumberBesideTheTvPictureIsTheDisplayInUse) {
    Settings settings;
    settings.Monitor = 5;  // stored when more displays were plugged in
    Open(settings);
    desktop.screens = {{0, 0, 1366, 768}, {1366, 0, 1920, 1080}};
    EXPECT_EQ(competition->SpectatorDisplayNumber(), 2);
    desktop.screens.resize(1);
    EXPECT_EQ(competition->SpectatorDisplayNumber(), 1);
}

TEST_F(CompetitionTest, TheBusyCursorShowsWhileAWorkbookIsReadOrTheWebPageWritten) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n"));
    dialogs.busy.clear();
    Key(Command::Html);
    EXPECT_THAT(dialogs.busy, ElementsAre(true, false));
    dialogs.files = {folder.File("ergebnis.xlsx")};
    Key(Command::Save);
    dialogs.busy.clear();
    dialogs.files = {folder.File("ergebnis.xlsx")};
    Key(Command::Load);
    EXPECT_EQ(Table().Cell(ColName, 1), "Anna");
    EXPECT_THAT(dialogs.busy, ElementsAre(true, false));
}

TEST_F(CompetitionTest, EachEntryShowsItsDivisionAndANewFastestTimeMovesTheOthers) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Sky\r\n"));
    ClassRules rules;
    rules.DivisionOffsetsMs = {500, 1000};
    competition->SetClassRules(rules);
    const auto enter = [&](std::int64_t ms) {
        TimeRun(ms);
        Key(Command::Entry);
        const std::string board = competition->View().eRangT;
        Key(Command::Entry);
        return board;
    };
    EXPECT_EQ(enter(15500), "Rang: 1 · 1D: 1");
    EXPECT_EQ(enter(15600), "Rang: 2 · 1D: 2");
    EXPECT_EQ(enter(15000), "Rang: 1 · 1D: 1");
    std::vector<std::string> divisions;
    for (int row = 1; row < Table().RowCount(); ++row) {
        const StandingRow& at = competition->CurrentStanding().At(row);
        divisions.push_back(Table().Cell(ColNr, row) + ":" + DivisionName(at.Division) + "/" +
                            std::to_string(at.DivisionPlace));
    }
    EXPECT_THAT(divisions, ::testing::UnorderedElementsAre("1:2D/1", "2:2D/2", "3:1D/1"));
}

}  // namespace

namespace {

TEST_F(CompetitionTest, AThousandthsClassEntersRanksAndWritesThousandthsAndMarksHandTiming) {
    Open(NoCountdown(), StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n"));
    ClassRules rules;
    rules.Thousandths = true;
    competition->SetClassRules(rules);
    TimeRun(15239);
    Key(Command::Entry);
    Key(Command::Entry);
    TimeRun(15234);
    Key(Command::Entry);
    EXPECT_EQ(competition->View().eRangT, "Rang: 1") << "15,234 is faster than 15,239";
    const int anna = Table().FindRow("1");
    EXPECT_EQ(Table().Cell(ColTotal, anna), "15,239");
    EXPECT_EQ(Table().Cell(ColRang, anna), "2");
    EXPECT_EQ(Table().Cell(ColGrund, anna), "H") << "started and stopped by hand";
    EXPECT_THAT(ReadAll(competition->BackupFileName()), HasSubstr("15,234"));
}

// The draw closes the entries of a jackpot: a rider who scratched before it never paid in, one
// who scratches after it has paid, also once the program is started again.
TEST_F(CompetitionTest, ThePurseHoldsTheFeesOfEveryStarterNotScratchedBeforeTheDraw) {
    const std::filesystem::path show = folder.Path() / "show";
    std::filesystem::create_directory(show);
    WriteAll(show / "Turnier.json", R"({"classes": [{"name": "Open", "file": "open.txt",
        "payout": {"entry_fee": 40}}]})");
    WriteAll(show / "open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Sky\r\n4;Dana;Eve\r\n");
    Open(NoCountdown(), (show / "Turnier.json").string());
    ASSERT_EQ(competition->Starters().StNrText(), "1");
    Key(Command::Scratch);
    EXPECT_EQ(competition->CurrentStanding().Sheet.Entries, 3) << "not drawn yet";
    competition->DrawOpenClass(5);
    for (int i = 0; competition->Starters().StNrText() == "1"; ++i) {
        competition->SelectStarter(i);
    }
    Key(Command::Scratch);
    EXPECT_EQ(competition->CurrentStanding().Sheet.Entries, 3);
    EXPECT_EQ(competition->CurrentStanding().Sheet.FeesCents, 3 * 4000);
    Restart((show / "Turnier.json").string());
    EXPECT_EQ(competition->CurrentStanding().Sheet.Entries, 3);
}

// The announcer follows one run: on course with the clock's start stamp, stopped with the time
// the program measured, then entered as the last run with its place and gap to the lead.
TEST_F(CompetitionTest, AnnouncerFollowsARunFromStartToEntry) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    Open(settings, StartList("1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Dot\r\n4;Dana;Eve\r\n"));
    TimeRun(15230);
    Key(Command::Entry);
    Key(Command::Entry);  // on to Ben

    Key(Command::Start);
    const AnnouncerSnapshot running = competition->Announcer();
    time.now += 16010 * TicksPerMs;
    Key(Command::Start);
    const AnnouncerSnapshot stopped = competition->Announcer();
    Key(Command::Entry);
    const AnnouncerSnapshot entered = competition->Announcer();

    EXPECT_EQ(running.clock, AnnouncerClock::Running);
    EXPECT_EQ(running.startMs, time.now / TicksPerMs - 16010) << "the run's own start stamp";
    EXPECT_EQ(running.onCourse.rider, "Ben");
    ASSERT_EQ(running.next.size(), 2U);
    EXPECT_EQ(running.next[0].rider, "Cleo");
    EXPECT_EQ(running.next[1].rider, "Dana");
    EXPECT_EQ(stopped.clock, AnnouncerClock::Stopped);
    EXPECT_EQ(stopped.stoppedTime, "16,01");
    ASSERT_TRUE(entered.hasLastRun);
    EXPECT_EQ(entered.lastRun.starter.rider, "Ben");
    EXPECT_EQ(entered.lastRun.total, "16,01");
    EXPECT_EQ(entered.lastRun.place, "2");
    EXPECT_EQ(entered.lastRun.behind, "+0,78");
    ASSERT_EQ(entered.leaders.size(), 2U);
    EXPECT_EQ(entered.leaders[0].starter.rider, "Anna");
    EXPECT_EQ(entered.timeToBeat, "15,23");
    EXPECT_EQ(entered.runs, 2);
    EXPECT_EQ(entered.left, 2);
    ASSERT_FALSE(live.published.empty());
    EXPECT_EQ(live.published.back().announcer.lastRun.total, "16,01") << "the page's snapshot";
}

}  // namespace

namespace {

TEST_F(ShowTest, EachClassCountsItsOwnPenaltySeconds) {
    OpenShow(R"({"show": {"name": "Herbst"}, "classes": [
        {"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt", "penalty_seconds": 3}]})",
             {{"open.txt", "1;Anna;Blue\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}});
    const struct {
        const char* className;
        int seconds;
        const char* total;
    } classes[] = {{"Open", 5, "25,00"}, {"Jugend", 3, "21,00"}};
    for (const auto& expected : classes) {
        SCOPED_TRACE(expected.className);
        ASSERT_EQ(competition->CurrentClassName(), expected.className);
        EXPECT_EQ(competition->View().PenaltySeconds, expected.seconds) << "the buttons say it";
        Key(Command::Start);
        time.now += 15000 * TicksPerMs;
        Key(Command::PenaltyPlus);
        Key(Command::PenaltyPlus);
        Key(Command::Start);
        Key(Command::Entry);
        EXPECT_EQ(Table().Cell(ColTotal, 1), expected.total);
        Key(Command::Entry);
        Key(Command::NextClass);
    }
}

// What the phone page reads through one run of the last starter: the run on the clock, then the
// time the program measured (not a clock that runs on), the penalty in the class's own seconds,
// and the class finished once the last starter is entered.
TEST_F(ShowTest, ThePhonesDataStopsAtTheMeasuredTimeAndSaysWhenTheClassIsOver) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    OpenShow(R"({"classes": [{"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt",
                              "penalty_seconds": 3}]})",
             {{"jugend.txt", "21;Finn;Pablo\r\n"}}, "show", settings);
    const auto published = [this] {
        return nlohmann::json::parse(LiveResultsJson(live.published.back()));
    };
    EXPECT_EQ(published()["finished"], false);
    Key(Command::Start);
    EXPECT_EQ(published()["clock"], "running");
    EXPECT_EQ(published()["running"], true);
    time.now += 15234 * TicksPerMs;
    Key(Command::PenaltyPlus);
    Key(Command::Start);
    time.now += 900 * TicksPerMs;  // the page asks a moment later
    nlohmann::json stopped = published();
    EXPECT_EQ(stopped["clock"], "stopped");
    EXPECT_EQ(stopped["stoppedTime"], "15,23");
    EXPECT_EQ(stopped["running"], false);
    EXPECT_EQ(stopped["finished"], false) << "the run is not entered yet";
    Key(Command::Entry);
    const nlohmann::json entered = published();
    ASSERT_EQ(entered["rows"].size(), 1U);
    EXPECT_EQ(entered["rows"][0]["penaltyTime"], "+3 s");
    EXPECT_EQ(entered["rows"][0]["total"], "18,23");
    EXPECT_EQ(entered["rows"][0]["last"], true);
    EXPECT_EQ(entered["left"], 0);
    EXPECT_EQ(entered["finished"], true);
}

TEST_F(ShowTest, ThePhonePageListsEveryClassWithTheResultsItsFileHoldsNow) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                            {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
             {{"open.txt", "1;Anna;Blue\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}}, "show",
             settings);
    ASSERT_FALSE(live.published.empty());
    ASSERT_EQ(live.published.back().classes.size(), 2u);
    ASSERT_TRUE(live.published.back().classes[1].json);
    EXPECT_THAT(*live.published.back().classes[1].json,
                HasSubstr(R"("starters":1,"left":1,"rows":[])"));

    // Jugend runs, then the arena goes back to Open: the phones see Jugend's result.
    Key(Command::NextClass);
    TimeRun(15000);
    Key(Command::Entry);
    Key(Command::Entry);
    Key(Command::PreviousClass);
    const LiveSnapshot& now = live.published.back();
    ASSERT_EQ(now.classes.size(), 2u);
    EXPECT_TRUE(now.classes[0].open);
    EXPECT_FALSE(now.classes[1].open);
    EXPECT_EQ(now.classes[1].name, "Jugend");
    ASSERT_TRUE(now.classes[1].json);
    EXPECT_THAT(*now.classes[1].json, HasSubstr(R"("rider":"Finn")"));
    EXPECT_THAT(*now.classes[1].json, HasSubstr(R"("total":"15,00")"));
}

// Two arenas, one show file: each station lists the class the other one runs by its arena,
// without the results its own copy of that class's file does not have.
TEST_F(ShowTest, AClassAnotherArenaRunsIsListedByItsArenaWithoutResults) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    settings.Arena = "Halle 1";
    OpenShow(R"({"classes": [
        {"name": "Open", "race": "Barrel Racing", "file": "open.txt", "arena": "Halle 1"},
        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt", "arena": "Reitplatz 2"},
        {"name": "Senior", "race": "Barrel Racing", "file": "senior.txt", "arena": "Halle 1"}]})",
             {{"open.txt", "1;Anna;Blue\r\n"},
              {"jugend.txt", "21;Finn;Pablo\r\n22;Gina;Rex\r\n"},
              {"senior.txt", "31;Olga;Zorro\r\n"}},
             "show", settings);
    ASSERT_FALSE(live.published.empty());
    const LiveSnapshot& now = live.published.back();
    ASSERT_EQ(now.classes.size(), 3u);
    EXPECT_EQ(now.classes[1].arena, "Reitplatz 2");
    EXPECT_FALSE(now.classes[1].json) << "no \"0 von 2\" from a file that is not run here";
    EXPECT_EQ(now.classes[2].arena, "");
    ASSERT_TRUE(now.classes[2].json);
    EXPECT_THAT(*now.classes[2].json, HasSubstr(R"("starters":1)"));
    EXPECT_THAT(
        LiveResultsJson(now),
        HasSubstr(R"("name":"Jugend","race":"Pole Bending","open":false,"arena":"Reitplatz 2")"));
}

// Riders scan the phone page's address at the gate: from the information window, and from the
// printed start and result lists, which lead to their class's own list.
TEST_F(ShowTest, TheInformationWindowAndThePrintedListsCarryThePhonePagesAddress) {
    Settings settings = NoCountdown();
    settings.LiveResults = true;
    settings.LivePort = 8080;
    OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                            {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
             {{"open.txt", "1;Anna;Blue\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}}, "show",
             settings);
    Key(Command::Info);
    EXPECT_EQ(dialogs.informedAddress, "http://127.0.0.1:8080/");
    Key(Command::NextClass);
    Key(Command::PrintStartList);
    Key(Command::Print);
    ASSERT_EQ(desktop.printed.size(), 2u);
    EXPECT_EQ(desktop.printed[0].title, "Startliste");
    EXPECT_EQ(desktop.printed[0].link, "http://127.0.0.1:8080/#klasse=2");
    EXPECT_EQ(desktop.printed[1].link, "http://127.0.0.1:8080/#klasse=2");

    live.running = false;
    Key(Command::Info);
    EXPECT_EQ(dialogs.informedAddress, "") << "no code while the live results are off";
}

TEST_F(ShowTest, AnOverwriteAndACorrectionAreLoggedByNameWhenTheyHappen) {
    const std::filesystem::path show =
        OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"}]})",
                 {{"open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"}});
    const std::string log = (show / "open.txt.log").string();
    TimeRun(15100);
    Key(Command::Entry);
    Key(Command::Entry);
    competition->SelectStarter(0);
    TimeRun(16200);
    dialogs.answer = true;
    Key(Command::Entry);
    const std::string afterOverwrite = ReadAll(log);
    competition->SetEditMode(true);
    competition->EditCell(ColTotal, Table().FindRow("1"), "16,00");
    const std::string afterCorrection = ReadAll(log);

    const struct {
        std::string text;
        const char* kind;
        const char* change;
    } logged[] = {
        {afterOverwrite, "| Überschrieben nach Rückfrage |", "Total \"15,10\" -> \"16,20\""},
        {afterCorrection, "| Korrektur (Bearbeiten) |", "Total \"16,20\" -> \"16,00\""},
    };
    for (const auto& step : logged) {
        const std::string last = step.text.substr(step.text.rfind('\n', step.text.size() - 2) + 1);
        EXPECT_THAT(last, HasSubstr(step.kind));
        EXPECT_THAT(last, HasSubstr(step.change));
    }
    EXPECT_THAT(ReadAll(show / "open.txt"), HasSubstr("16,00")) << "the class file follows";
}

// The start list of the whole show, chosen with Ctrl+O.
TEST_F(ShowTest, AWholeShowListGoesIntoItsClassesAddsMissingOnesAndReportsDoubledStarters) {
    const std::filesystem::path show = OpenShow(
        R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
        {{"open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"}, {"Senior.txt", "a file of last year"}});
    const std::string list = folder.File("meldungen.csv");
    WriteAll(list,
             "Klasse;Nr.;Name;Pferd\r\nOpen;1;Anna;Blue\r\nJugend;21;Finn;Pablo\r\n"
             "Jugend;22;Gina;Lotte\r\njugend ;x;FINN ;pablo\r\nSenior;31;Hans;Max\r\n");
    dialogs.files = {list};
    Key(Command::Load);

    EXPECT_THAT(dialogs.questions, IsEmpty()) << "no late entries, nothing to replace";
    EXPECT_EQ(ReadAll(show / "open.txt"), "1;Anna;Blue\r\n2;Ben;Rio\r\n") << "Anna was there";
    ResultTable jugend;
    ReadProtocolText(jugend, ReadAll(show / "jugend.txt"));
    EXPECT_EQ(jugend.Column(ColName), (std::vector<std::string>{"Name", "Finn", "Gina"}));
    const std::string showFile = ReadAll(show / "Turnier.json");
    EXPECT_THAT(showFile, HasSubstr("\"name\": \"Senior\""));
    EXPECT_THAT(showFile, HasSubstr("\"file\": \"Senior-2.txt\""));
    EXPECT_THAT(ReadAll(show / "Senior-2.txt"), HasSubstr("Hans"));
    EXPECT_EQ(ReadAll(show / "Senior.txt"), "a file of last year") << "never overwritten";
    EXPECT_THAT(ReadAll(show / "jugend.txt.log"), HasSubstr("Startliste eingelesen"));
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_THAT(dialogs.messages[0], HasSubstr("Doppelt gemeldet, nur einmal übernommen:\n"
                                               "Jugend: FINN / pablo (Zeilen 3, 5)"));
    EXPECT_THAT(dialogs.messages[0], HasSubstr("Senior: 1 neu, Klasse neu angelegt"));
    EXPECT_EQ(Table().Cell(ColName, 1), "Anna") << "the open class's table stays";
}

TEST_F(ShowTest, LateEntriesGoToTheEndOrAreDrawnBehindTheRidersWhoRanAndTheOneAtTheGate) {
    for (const bool drawn : {false, true}) {
        SCOPED_TRACE(drawn ? "drawn in" : "at the end");
        OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"}]})",
                 {{"open.txt", "1;A;a\r\n2;B;b\r\n3;C;c\r\n4;D;d\r\n5;E;e\r\n6;F;f\r\n"}},
                 drawn ? "drawn" : "end");
        for (int run = 0; run < 2; ++run) {
            TimeRun(15000 + run);
            Key(Command::Entry);
            Key(Command::Entry);
        }
        ASSERT_EQ(competition->Starters().StNrText(), "3");
        const std::string list = folder.File("nachmeldungen.txt");
        WriteAll(list, "Nr.\tName\tPferd\tKlasse\r\n7\tG\tg\tOpen\r\n8\tH\th\tOpen\r\n");
        dialogs.answer = drawn;
        competition->LoadFile(list);

        ASSERT_EQ(dialogs.questions.size(), 1U);
        EXPECT_THAT(dialogs.questions[0], HasSubstr("2 Nachmeldungen (Open: 2)"));
        dialogs.questions.clear();
        std::string order;
        for (int position = 1; position <= 8; ++position) {
            order += Table().Cell(ColNr, Table().FindStartPosition(std::to_string(position)));
        }
        EXPECT_EQ(order.substr(0, 3), "123") << "who ran and who is at the gate keep their places";
        std::string others = order;
        std::erase_if(others, [](char c) { return c == '7' || c == '8'; });
        EXPECT_EQ(others, "123456") << "the others keep their order";
        if (!drawn) {
            EXPECT_EQ(order, "12345678");
        }
        EXPECT_EQ(competition->Starters().StNrText(), "3") << "the current starter stays";
        EXPECT_EQ(ReadAll(folder.Path() / (drawn ? "drawn" : "end") / "open.txt"),
                  EncodeBackup(Table()));
        competition->Shutdown();
    }
}

// Killed with a result in the class "Jugend"; the show file says "Open" again at the restart,
// or the restart opens another show or a single file.
TEST_F(ShowTest, AfterACrashTheBackupGoesBackIntoItsOwnClassAndNoOtherFileChanges) {
    const std::string json = R"({"open_class": "Open", "classes": [
        {"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})";
    const std::filesystem::path other = folder.Path() / "other";
    std::filesystem::create_directory(other);
    WriteAll(other / "Turnier.json", json);
    WriteAll(other / "open.txt", "7;Gina;Lotte\r\n");
    const std::string single = StartList("1;Anna;Blue\r\n");
    const std::filesystem::path show =
        OpenShow(json, {{"open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n"}});
    competition->OpenClass(1);
    const std::vector<std::string> untouched = {(show / "open.txt").string(),
                                                (other / "open.txt").string(), single};
    std::vector<std::string> before;
    for (const std::string& path : untouched) {
        before.push_back(ReadAll(path));
    }
    for (const std::string& restart :
         {(show / "Turnier.json").string(), (other / "Turnier.json").string(), single}) {
        SCOPED_TRACE(restart);
        ASSERT_EQ(competition->CurrentClassName(), "Jugend");
        TimeRun(15100 + static_cast<int>(dialogs.questions.size()));
        Key(Command::Entry);
        const std::string results = EncodeBackup(Table());
        WriteAll(show / "Turnier.json", json);
        dialogs.questions.clear();
        Relaunch(restart);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_THAT(dialogs.questions[0], HasSubstr("Sicherung der Klasse \"Jugend\""));
        EXPECT_EQ(competition->CurrentClassName(), "Jugend");
        EXPECT_EQ(EncodeBackup(Table()), results);
        EXPECT_EQ(ReadAll(show / "jugend.txt"), results);
        for (std::size_t i = 0; i < untouched.size(); ++i) {
            EXPECT_EQ(ReadAll(untouched[i]), before[i]) << untouched[i];
        }
    }
}

// Killed after a class switch while the first backup of the new class was being written: the
// backup still holds the other class's table.
TEST_F(ShowTest, ABackupCaughtBetweenTwoClassesGoesIntoNeither) {
    const std::filesystem::path show = OpenShow(
        R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
                        {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt"}]})",
        {{"open.txt", "1;Anna;Blue\r\n"}, {"jugend.txt", "21;Finn;Pablo\r\n"}});
    TimeRun(15100);
    Key(Command::Entry);
    Key(Command::Entry);
    Key(Command::NextClass);
    ASSERT_EQ(competition->CurrentClassName(), "Jugend");
    {
        FileCalls calls = CurrentFileCalls();
        calls.rename = [](const char* from, const char* to) {
            if (std::string_view(to).ends_with(BackupFileTitle)) {
                errno = EIO;
                return -1;
            }
            return ::rename(from, to);
        };
        const ScopedFileCalls killed(calls);
        TimeRun(16200);
        Key(Command::Entry);
    }
    const std::string classFiles = ReadAll(show / "open.txt") + ReadAll(show / "jugend.txt");
    Relaunch((show / "Turnier.json").string());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_THAT(dialogs.questions[0], HasSubstr("nicht sicher"));
    EXPECT_EQ(ReadAll(show / "open.txt") + ReadAll(show / "jugend.txt"), classFiles);
}

// Ja loads it as a single table with the show closed; Nein keeps it beside the backup.
TEST_F(ShowTest, ABackupOfASingleTableNeverGoesIntoAClassOfTheShow) {
    const std::filesystem::path show = folder.Path() / "show";
    std::filesystem::create_directory(show);
    WriteAll(show / "Turnier.json",
             R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"}]})");
    WriteAll(show / "open.txt", "7;Gina;Lotte\r\n");
    for (const bool answer : {true, false}) {
        SCOPED_TRACE(answer);
        Open(NoCountdown(), StartList("1;Anna;Blue\r\n"));
        TimeRun(15100);
        Key(Command::Entry);
        const std::string backup = ReadAll(competition->BackupFileName());
        dialogs.answer = answer;
        dialogs.questions.clear();
        Relaunch((show / "Turnier.json").string());
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_THAT(dialogs.questions[0], HasSubstr("Sie ist eine einzelne Tabelle"));
        EXPECT_EQ(ReadAll(show / "open.txt"), "7;Gina;Lotte\r\n");
        EXPECT_EQ(competition->HasShow(), !answer);
        std::vector<std::string> kept;
        for (const auto& entry : std::filesystem::directory_iterator(DataFolder())) {
            if (entry.path().filename().string().starts_with("Sicherungsdatei-")) {
                kept.push_back(ReadAll(entry.path()));
            }
        }
        EXPECT_EQ(answer ? EncodeBackup(Table()) : kept.at(0), backup);
        competition->Shutdown();
    }
}

TEST_F(ShowTest, TheGroundIsDraggedWhenTheStarterAtTheDragPointHasScratched) {
    OpenShow(R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt",
                              "draw": {"drag_every": 2}}]})",
             {{"open.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n3;Cleo;Dusty\r\n4;Dora;Max\r\n"}});
    competition->SelectStarter(1);
    Key(Command::Scratch);
    competition->SelectStarter(0);
    TimeRun(15000);
    Key(Command::Entry);
    EXPECT_TRUE(competition->DragPending()) << "Ben was the second run";
    EXPECT_EQ(competition->View().LightBarrierArmed, 0);
}

}  // namespace
