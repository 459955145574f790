// A second timing source beside the light barrier: a backup barrier that stands in for a crossing
// the first one missed and is compared with it, and a timer's impulse line.
#include "CompetitionFixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string BackupDevice = "/dev/ttyUSB1";
const std::string TimerDevice = "/dev/ttyUSB2";

}  // namespace

class BackupSourceTest : public CompetitionTest {
protected:
    // The light barrier on port 1, locked after a start until F11, and the second source on the
    // device given: a second barrier (BackupPort) or a timer (TimerPort).
    void OpenWithSecondSource(std::string Settings::*source, const std::string& device) {
        serial.AddDevice(ComPortDevicePath(1));
        serial.AddDevice(device);
        Settings settings = NoCountdown();
        settings.Port = 1;
        settings.TimeLock = 0;
        settings.*source = device;
        Open(settings, StartList("7;Anna;Blue\r\n8;Ben;Rio\r\n"));
    }
    // The beam of the first (primary) or second line broken at stamp, free a millisecond later.
    void Cross(bool primary, std::int64_t stamp) {
        const std::string device = primary ? ComPortDevicePath(1) : BackupDevice;
        for (const auto& [status, at] : {std::pair{ModemCtsOn, stamp}, {0u, stamp + TicksPerMs}}) {
            serial.SetModemStatus(device, status, at);
            ASSERT_TRUE(ui.WaitForPosted(1));
            ui.RunPending();
        }
    }
    // Half a second passes: a backup edge without a primary one stands in for it.
    void WaitOut() {
        time.now += 600 * TicksPerMs;
        timers.made.at(3)->expired();
    }
    // A run: the primary sees the start at 0, the backup 8 ms later; the stops are as given
    // (none when missed), relative to the primary's start.
    void Run(std::optional<std::int64_t> primaryStopMs, std::optional<std::int64_t> backupStopMs) {
        Key(Command::LockLightBarrier);  // armed
        const std::int64_t start = time.now;
        Cross(true, start);
        Cross(false, start + 8 * TicksPerMs);
        Key(Command::LockLightBarrier);  // armed again for the finish
        if (primaryStopMs) {
            time.now = start + *primaryStopMs * TicksPerMs;
            Cross(true, time.now);
        }
        if (backupStopMs) {
            time.now = start + *backupStopMs * TicksPerMs;
            Cross(false, time.now);
        }
        WaitOut();
    }
    // A line of the timer reaches the program now.
    void SendTimer(const std::string& text) {
        serial.SendText(TimerDevice, text, time.now);
        ASSERT_TRUE(ui.WaitForPosted(1));
        ui.RunPending();
    }
    std::string ChangeLog() { return ReadAll(competition->ChangeLogFile()); }
};

TEST_F(BackupSourceTest, BackupTimesTheRunWhoseStopThePrimaryMissedMarkedB) {
    OpenWithSecondSource(&Settings::BackupPort, BackupDevice);
    Run(12'345, std::nullopt);
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColLaufzeit, 1), "12,34") << "timed by the primary, which saw both";
    EXPECT_EQ(Table().Cell(ColGrund, 1), "");
    Key(Command::Entry);  // next starter

    Run(std::nullopt, 12'352);
    EXPECT_NE(competition->View().bSTART.Caption, "STOP") << "the backup stopped the clock";
    Key(Command::Entry);
    // The backup's own start (8 ms after the primary's) to its own stop: 12,344 s, not the
    // 12,352 s from the primary's start.
    EXPECT_EQ(Table().Cell(ColLaufzeit, 2), "12,34");
    EXPECT_EQ(Table().Cell(ColGrund, 2), "B");
    const std::string log = ChangeLog();
    EXPECT_THAT(log, HasSubstr("Stopp fehlt; zweite Lichtschranke Start "));
    EXPECT_THAT(log, HasSubstr("; Laufzeit - / 12,344 s"));
    EXPECT_THAT(dialogs.questions, Not(Contains(HasSubstr("weichen"))));
}

TEST_F(BackupSourceTest, DisagreeingSourcesAskBeforeTheEntryWhichTimeToTake) {
    OpenWithSecondSource(&Settings::BackupPort, BackupDevice);
    for (const bool takeBackup : {true, false}) {
        SCOPED_TRACE(takeBackup);
        dialogs.questions.clear();
        // The primary 12,345 s, the backup 12,380 - 0,008 = 12,372 s: 27 ms apart.
        Run(12'345, 12'380);
        EXPECT_TRUE(dialogs.questions.empty()) << "asked at the entry, not at the stop";
        dialogs.answer = takeBackup;
        Key(Command::Entry);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_THAT(dialogs.questions[0], HasSubstr("Ja: zweite Lichtschranke 12,372 s nehmen"));
        EXPECT_THAT(dialogs.questions[0], HasSubstr("Nein: Lichtschranke 12,345 s nehmen"));
        const int row = takeBackup ? 1 : 2;
        EXPECT_EQ(Table().Cell(ColLaufzeit, row), takeBackup ? "12,37" : "12,34");
        EXPECT_EQ(Table().Cell(ColGrund, row), takeBackup ? "B" : "");
        EXPECT_THAT(ChangeLog(),
                    HasSubstr(std::string("Laufzeit 12,345 / 12,372 s; genommen: ") +
                              (takeBackup ? "zweite Lichtschranke" : "Lichtschranke")));
        dialogs.answer = false;
        Key(Command::Entry);  // next starter
    }
}

TEST_F(BackupSourceTest, ARunGoingOnAfterAFalseStopForgetsThatStopOnBothLines) {
    OpenWithSecondSource(&Settings::BackupPort, BackupDevice);
    Key(Command::LockLightBarrier);
    const std::int64_t start = time.now;
    Cross(true, start);
    Cross(false, start + 8 * TicksPerMs);
    Key(Command::LockLightBarrier);
    // Both lines see something cross at 4 s: a false stop.
    Cross(true, start + 4'000 * TicksPerMs);
    Cross(false, start + 4'005 * TicksPerMs);
    Key(Command::Resume);
    // The real finish, seen by the first line only.
    time.now = start + 12'345 * TicksPerMs;
    Cross(true, time.now);
    WaitOut();
    Key(Command::Entry);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(Table().Cell(ColLaufzeit, 1), "12,34");
    EXPECT_EQ(Table().Cell(ColGrund, 1), "");
}

TEST_F(BackupSourceTest, TimerLineTimesTheRunByItsOwnClockOverMidnightAndCountsBadLines) {
    serial.AddDevice(TimerDevice);
    Settings settings = NoCountdown();
    settings.TimeLock = 0;
    settings.TimerPort = TimerDevice;
    settings.TimerPrimary = true;
    Open(settings, StartList("7;Anna;Blue\r\n"));
    Key(Command::LockLightBarrier);  // armed
    const auto send = [&](const std::string& text) { SendTimer(text); };
    send(" 0041 c0  23:59:58.0001\r");
    Key(Command::LockLightBarrier);
    // Noise on the line: counted and shown, never taken for an impulse.
    send(" 0042 c1  00:00:1O.5000\r\n");
    EXPECT_EQ(competition->View().bSTART.Caption, "STOP");
    EXPECT_THAT(competition->StatusMessage(), HasSubstr("Zeitmesser: 1 Zeile unlesbar"));
    EXPECT_THAT(competition->StatusDetail(), HasSubstr("\" 0042 c1  00:00:1O.5000\""));
    // The line reached the program 40 ms late; the timer's own difference is the run time.
    time.now += 12'540 * TicksPerMs;
    send(" 0042 c1  00:00:10.5432\r\n");
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColLaufzeit, 1), "12,54");  // 12,5431 s over midnight
    EXPECT_THAT(ChangeLog(), HasSubstr("Zeitmesser Start 23:59:58.0001, Stopp 00:00:10.5432"));
    EXPECT_THAT(competition->BeamReadout(), HasSubstr("2 Impulse"));
}

TEST_F(BackupSourceTest, TimerBacksUpTheBarrierWithItsOwnStartAndFinish) {
    OpenWithSecondSource(&Settings::TimerPort, TimerDevice);
    Key(Command::LockLightBarrier);
    const std::int64_t start = time.now;
    Cross(true, start);
    time.now = start + 30 * TicksPerMs;  // the timer's line comes a little later
    SendTimer(" 0007 c0  12:00:00.0000\r");
    Key(Command::LockLightBarrier);
    time.now = start + 15'040 * TicksPerMs;  // the barrier misses the finish
    SendTimer(" 0008 c1  12:00:15.0123\r");
    WaitOut();
    Key(Command::Entry);
    EXPECT_EQ(Table().Cell(ColLaufzeit, 1), "15,01");
    EXPECT_EQ(Table().Cell(ColGrund, 1), "B");
    EXPECT_THAT(ChangeLog(), HasSubstr("Lichtschranke Start " + std::to_string(start) +
                                       ", Stopp fehlt; Zeitmesser Start 12:00:00.0000, Stopp "
                                       "12:00:15.0123; Laufzeit - / 15,012 s"));
}
