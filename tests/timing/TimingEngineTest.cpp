#include "timing/TimingEngine.h"

#include "results/ResultTable.h"
#include "timing/TickMath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::int64_t Frequency = 10'000'000;  // 10 MHz counter
constexpr std::int64_t TicksPerMs = Frequency / 1000;
constexpr Rgb Green = 0x00FF00;
constexpr Rgb Yellow = 0xFFFF00;
constexpr Rgb Dim = 0x303030;
constexpr std::uint32_t Dsr = 0x20;
constexpr std::uint32_t CtsOnWord = Dsr | 0x10;
constexpr std::uint32_t CtsOffWord = Dsr;

class FakeTime : public ITimeSource {
public:
    std::int64_t Now() const override { return now; }
    std::int64_t CounterFrequency() const override { return Frequency; }
    std::int64_t now = 1'000'000'000;  // the counter does not start at zero
};

class FakeTimer : public ITimer {
public:
    explicit FakeTimer(const FakeTime& time) : time_(time) {}
    void Start(int intervalMs) override {
        active = true;
        interval = intervalMs;
        startedAt = time_.now;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    bool Due() const { return active && time_.now >= startedAt + interval * TicksPerMs; }

    bool active = false;
    int interval = 0;
    std::int64_t startedAt = 0;

private:
    const FakeTime& time_;
};

class RecordingCues : public ICuePlayer {
public:
    void PlayCue(const std::string& fileName) override { played.push_back(fileName); }
    std::vector<std::string> played;
};

TimingSettings WithoutCountdown() {
    TimingSettings s;
    s.CountDown = false;
    return s;
}

class TimingEngineTest : public ::testing::Test {
protected:
    TimingEngineTest() {
        table.SetRowCount(4);
        table.SetRow(1, {"7", "Anna", "Blue"});
        table.SetRow(2, {"12", "Bea", "Star"});
        table.SetRow(3, {"3", "Cleo", "Rocky"});
        table.SetModified(false);
    }

    void Make(const TimingSettings& settings) {
        EntryHooks hooks;
        // The program's side of an entry, played on the table: the cells go into the starter's
        // row, the ranking may move it, the backup may fail.
        hooks.EnterRun = [this](const RunCells& cells) {
            const int row = table.FindRow(startNumber);
            if (row < 0) {
                return EntryOutcome{};
            }
            table.SetCell(ColLaufzeit, row, cells.RunTime);
            table.SetCell(ColStrafen, row, cells.Penalties);
            table.SetCell(ColDq, row, cells.Dq);
            table.SetCell(ColGrund, row, cells.Reason);
            table.SetCell(ColTotal, row, cells.Total);
            ++rankCalls;
            if (rank) {
                rank();
            }
            ++backupCalls;
            return EntryOutcome{true, table.Cell(ColRang, table.FindRow(startNumber)), backupError};
        };
        hooks.SelectNextStarter = [this] { ++nextStarterCalls; };
        engine = std::make_unique<TimingEngine>(time, clock, startLock, cues, settings,
                                                std::move(hooks));
    }

    // Moves the counter on and fires the timers that are due, as the event loop would.
    void AdvanceMs(std::int64_t ms) {
        time.now += ms * TicksPerMs;
        if (startLock.Due()) {
            engine->TimerStartLockTimer();
        }
        if (clock.IsActive()) {
            engine->ClockTimer();
        }
    }

    // One CTS change of the light barrier, stamped now.
    void Edge(bool ctsOn) { engine->ComPortLS(ctsOn ? CtsOnWord : CtsOffWord, time.now); }
    // Beam broken and restored: with Alg 0 the first change is the trigger.
    void Crossing() {
        Edge(true);
        Edge(false);
    }

    // A run measured by hand in the mode without countdown.
    void RunFor(std::int64_t ticks) {
        engine->mStartClick();
        time.now += ticks;
        engine->mStartClick();
    }

    const TimingView& View() const { return engine->View(); }

    ResultTable table;
    FakeTime time;
    FakeTimer clock{time};
    FakeTimer startLock{time};
    RecordingCues cues;
    std::unique_ptr<TimingEngine> engine;
    std::string startNumber = "12";
    std::function<void()> rank;
    std::string backupError;
    int nextStarterCalls = 0;
    int rankCalls = 0;
    int backupCalls = 0;
};

// ---- Digit display ----

TEST_F(TimingEngineTest, StoppedTimeLightsOnlyTheSignificantDigits) {
    Make(WithoutCountdown());
    RunFor(5230 * TicksPerMs);
    const TimingView& v = View();
    EXPECT_EQ(v.Digit3.ColorOn, Dim);
    EXPECT_EQ(v.Digit4.ColorOn, Dim);
    EXPECT_EQ(v.LabMinColor, Dim);
    EXPECT_EQ(v.Digit5.ColorOn, Dim);
    EXPECT_EQ(v.Digit6.Value, 5);
    EXPECT_EQ(v.Digit6.ColorOn, Green);
    EXPECT_EQ(v.LabSecColor, Green);
    EXPECT_EQ(v.Digit7.Value, 2);
    EXPECT_EQ(v.Digit7.ColorOn, Green);
    EXPECT_EQ(v.Digit8.Value, 3);
    EXPECT_EQ(v.Digit8.ColorOn, Green);
}

TEST_F(TimingEngineTest, TensOfSecondsAndMinutesLightFromTenSecondsAndOneMinute) {
    Make(WithoutCountdown());
    const auto nextRun = [this](std::int64_t ms) {
        engine->bEintragenClick();
        engine->bEintragenClick();
        RunFor(ms * TicksPerMs);
    };
    RunFor(9990 * TicksPerMs);
    EXPECT_EQ(View().Digit5.ColorOn, Dim);
    EXPECT_EQ(View().Digit6.Value, 9);

    nextRun(10000);
    EXPECT_EQ(View().Digit5.Value, 1);
    EXPECT_EQ(View().Digit5.ColorOn, Green);
    EXPECT_EQ(View().Digit4.ColorOn, Dim);

    nextRun(60000);
    EXPECT_EQ(View().Digit4.Value, 1);
    EXPECT_EQ(View().Digit4.ColorOn, Green);
    EXPECT_EQ(View().LabMinColor, Green);
    EXPECT_EQ(View().Digit5.Value, 0);
    EXPECT_EQ(View().Digit5.ColorOn, Green);
    EXPECT_EQ(View().Digit3.ColorOn, Dim);

    nextRun(605230);
    EXPECT_EQ(View().Digit3.Value, 1);
    EXPECT_EQ(View().Digit3.ColorOn, Green);

    nextRun(3605230);  // an hour wraps the minutes
    EXPECT_EQ(View().Digit3.Value, 0);
    EXPECT_EQ(View().Digit3.ColorOn, Dim);
    EXPECT_EQ(View().Digit6.Value, 5);
}

TEST_F(TimingEngineTest, RunningClockShowsTenthsAndTheStopShowsTheHundredths) {
    Make(WithoutCountdown());
    engine->mStartClick();
    const DigitLook before = View().Digit8;
    AdvanceMs(1234);
    EXPECT_EQ(View().Digit6.Value, 1);
    EXPECT_EQ(View().Digit7.Value, 2);
    EXPECT_EQ(View().Digit8.Value, before.Value);
    AdvanceMs(4005);
    EXPECT_EQ(View().Digit6.Value, 5);
    EXPECT_EQ(View().Digit7.Value, 2);
    EXPECT_EQ(View().Digit8.Value, before.Value);
    EXPECT_EQ(View().Digit8.ColorOn, before.ColorOn);

    time.now += 7 * TicksPerMs;
    engine->mStartClick();
    EXPECT_EQ(View().Digit7.Value, 2);
    EXPECT_EQ(View().Digit8.Value, 4);
    EXPECT_EQ(View().Digit8.ColorOn, Green);
    EXPECT_EQ(View().RunTicks, 5246 * TicksPerMs);
}

TEST_F(TimingEngineTest, AClassTimedToTheThousandthShowsItsThousandthOnceTheClockStops) {
    Make(WithoutCountdown());
    EXPECT_FALSE(View().Thousandths);
    engine->SetTimeResolution(Resolution::Thousandths);
    EXPECT_TRUE(View().Thousandths);
    engine->mStartClick();
    const DigitLook before = View().Digit9;
    AdvanceMs(4005);
    EXPECT_EQ(View().Digit9.Value, before.Value);
    time.now += 1241 * TicksPerMs;
    engine->mStartClick();
    EXPECT_EQ(View().Digit7.Value, 2);
    EXPECT_EQ(View().Digit8.Value, 4);
    EXPECT_EQ(View().Digit9.Value, 6);
    EXPECT_EQ(View().Digit9.ColorOn, Green);
}

TEST_F(TimingEngineTest, TimerTickAfterTheStopKeepsTheFinalTime) {
    Make(WithoutCountdown());
    RunFor(5230 * TicksPerMs);
    time.now += 777 * TicksPerMs;
    engine->ClockTimer();
    EXPECT_EQ(View().Digit6.Value, 5);
    EXPECT_EQ(View().Digit8.Value, 3);
}

TEST_F(TimingEngineTest, CountdownShowsWholeSecondsDownToZeroWithFractionsDim) {
    Make(TimingSettings{});
    engine->mStartClick();
    AdvanceMs(0);
    EXPECT_EQ(View().Digit5.Value, 3);
    EXPECT_EQ(View().Digit6.Value, 0);
    AdvanceMs(1);
    EXPECT_EQ(View().Digit5.Value, 2);
    EXPECT_EQ(View().Digit6.Value, 9);
    EXPECT_EQ(View().LabSecColor, Dim);
    EXPECT_EQ(View().Digit7.ColorOn, Dim);
    EXPECT_EQ(View().Digit7.Value, 0);
    EXPECT_EQ(View().Digit6.ColorOn, Yellow);

    AdvanceMs(29999);
    EXPECT_EQ(View().Digit5.Value, 0);
    EXPECT_EQ(View().Digit6.Value, 0);
    AdvanceMs(60000);
    EXPECT_EQ(View().Digit6.Value, 0);
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_TRUE(clock.IsActive());
    EXPECT_TRUE(View().CountdownActive);
}

// ---- Start cycle, looks and enabling ----

TEST_F(TimingEngineTest, CountdownCycleStepsThroughLooksAndEnabling) {
    Make(TimingSettings{});
    const TimingView& v = View();
    EXPECT_EQ(v.StartStep, 0);
    EXPECT_EQ(v.bSTART.Caption, "TIMER");
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_FALSE(v.bEintragen.Enabled);
    EXPECT_FALSE(v.b5sekEnabled);
    EXPECT_FALSE(v.bDqEnabled);
    EXPECT_EQ(v.DigitOnColour, Yellow);

    engine->mStartClick();  // countdown
    EXPECT_EQ(v.StartStep, 1);
    EXPECT_EQ(v.bSTART.Caption, "START");
    EXPECT_EQ(v.bSTART.Color, 0x008000u);
    EXPECT_EQ(v.bSTART.ShadowColor, 0x00C000u);
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_FALSE(v.bEintragen.Enabled);
    EXPECT_FALSE(v.b5sekEnabled);
    EXPECT_FALSE(v.b_5sekEnabled);
    EXPECT_TRUE(v.bDqEnabled);
    EXPECT_FALSE(v.cmd_F2_SettingsEnabled);
    EXPECT_TRUE(v.img_AbbruchVisible);
    EXPECT_TRUE(v.CountdownActive);
    EXPECT_TRUE(clock.IsActive());
    EXPECT_EQ(v.LightBarrierArmed, 1);

    AdvanceMs(12000);
    engine->mStartClick();  // run start
    EXPECT_EQ(v.StartStep, 2);
    EXPECT_EQ(v.bSTART.Caption, "STOP");
    EXPECT_EQ(v.bSTART.Color, 0xFF0000u);
    EXPECT_EQ(v.bSTART.ShadowColor, 0xC00000u);
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_FALSE(v.bEintragen.Enabled);
    EXPECT_TRUE(v.b5sekEnabled);
    EXPECT_TRUE(v.b_5sekEnabled);
    EXPECT_FALSE(v.img_AbbruchVisible);
    EXPECT_FALSE(v.CountdownActive);
    EXPECT_EQ(v.DigitOnColour, Green);
    EXPECT_EQ(v.RunStartTicks, time.now);

    AdvanceMs(14560);
    engine->mStartClick();  // stop
    EXPECT_EQ(v.StartStep, 0);
    EXPECT_EQ(v.RunTicks, 14560 * TicksPerMs);
    EXPECT_FALSE(clock.IsActive());
    EXPECT_EQ(v.bSTART.Caption, "TIMER");
    EXPECT_EQ(v.bSTART.Color, 0x808080u);
    EXPECT_FALSE(v.bSTART.Enabled);
    EXPECT_TRUE(v.bEintragen.Enabled);
    EXPECT_TRUE(v.b5sekEnabled);
    EXPECT_TRUE(v.bDqEnabled);
    EXPECT_FALSE(v.cmd_F2_SettingsEnabled);

    engine->mStartClick();  // disabled: nothing
    EXPECT_EQ(v.StartStep, 0);
    EXPECT_FALSE(clock.IsActive());

    engine->bEintragenClick();
    engine->bEintragenClick();
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_EQ(v.bSTART.Color, Yellow);
    EXPECT_TRUE(v.cmd_F2_SettingsEnabled);
    EXPECT_TRUE(v.CountdownActive);
    EXPECT_EQ(v.Digit5.Value, 3);
    EXPECT_EQ(v.Digit6.Value, 0);
    EXPECT_EQ(v.StartStep, 0);
}

TEST_F(TimingEngineTest, CycleWithoutCountdownAlternatesBetweenStartAndStop) {
    Make(WithoutCountdown());
    const TimingView& v = View();
    EXPECT_EQ(v.StartStep, 1);
    EXPECT_EQ(v.bSTART.Caption, "START");
    EXPECT_TRUE(v.bSTART.Enabled);

    engine->mStartClick();
    EXPECT_EQ(v.StartStep, 2);
    EXPECT_FALSE(v.img_AbbruchVisible);
    engine->mStartClick();
    EXPECT_EQ(v.StartStep, 1);
    EXPECT_EQ(v.bSTART.Caption, "START");
    EXPECT_FALSE(v.bSTART.Enabled);
    EXPECT_TRUE(v.bEintragen.Enabled);
    EXPECT_TRUE(v.b5sekEnabled);
    EXPECT_EQ(v.DigitOnColour, Yellow);

    engine->bEintragenClick();
    engine->bEintragenClick();
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_EQ(v.bSTART.Color, 0x008000u);
    EXPECT_FALSE(v.CountdownActive);
    EXPECT_EQ(v.Digit6.Value, 0);
    EXPECT_EQ(v.Digit8.Value, 0);
}

TEST_F(TimingEngineTest, ConfirmedSettingsPutTheCycleIntoTheReadyStateOfTheMode) {
    Make(TimingSettings{});
    engine->ApplySettings(WithoutCountdown());
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().bSTART.Caption, "START");
    EXPECT_TRUE(View().bSTART.Enabled);
    EXPECT_FALSE(View().bEintragen.Enabled);

    engine->ApplySettings(TimingSettings{});
    EXPECT_EQ(View().StartStep, 0);
    EXPECT_EQ(View().bSTART.Caption, "TIMER");
    EXPECT_TRUE(View().bSTART.Enabled);
}

TEST_F(TimingEngineTest, SwitchingTheCountdownOnWhileReadyMakesTheNextStartACountdown) {
    Make(WithoutCountdown());
    engine->ApplySettings(TimingSettings{});
    EXPECT_TRUE(View().CountdownActive);
    EXPECT_EQ(View().Digit6.Value, 0) << "the board shows the full countdown of 30 s";
    EXPECT_EQ(View().Digit5.Value, 3);
    engine->mStartClick();
    AdvanceMs(1500);
    EXPECT_EQ(View().Digit5.Value, 2) << "counts down, not up";
    EXPECT_EQ(View().Digit6.Value, 8);
    AdvanceMs(20000);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav"));
}

TEST_F(TimingEngineTest, ADisqualificationDuringTheNextCountdownWritesNoPenaltiesOfThePrevious) {
    Make(TimingSettings{});
    engine->mStartClick();
    engine->mStartClick();
    engine->mStartClick();  // countdown, run, stop
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    engine->bEintragenClick();
    engine->bEintragenClick();

    startNumber = "7";
    engine->mStartClick();  // the next starter's countdown
    engine->bDqClick();
    engine->bEintragenClick();
    EXPECT_EQ(View().eStarafeT, "Strafen: 0");
    EXPECT_EQ(table.Cell(ColStrafen, 1), "0");
    EXPECT_EQ(table.Cell(ColDq, 1), "DQ");
}

TEST_F(TimingEngineTest, SettingsConfirmedDuringARunDoNotThrowTheRunAway) {
    Make(TimingSettings{});
    engine->mStartClick();
    engine->mStartClick();  // run
    AdvanceMs(3000);
    engine->ApplySettings(TimingSettings{});
    EXPECT_EQ(View().StartStep, 2);
    AdvanceMs(2000);
    engine->mStartClick();
    EXPECT_EQ(View().RunTicks, 5000 * TicksPerMs);
    EXPECT_EQ(View().StartStep, 0);
}

// ---- Light-barrier trigger filter ----

TEST_F(TimingEngineTest, PolarityZeroTriggersOnCtsOnOnly) {
    Make(WithoutCountdown());
    engine->SetLastModemStatus(CtsOnWord);
    engine->ImageLSClick();
    Edge(false);
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().LastModemStatus, CtsOffWord);
    Edge(true);
    EXPECT_EQ(View().StartStep, 2);
}

TEST_F(TimingEngineTest, PolarityOneTriggersOnCtsOffOnly) {
    TimingSettings s = WithoutCountdown();
    s.Alg = 1;
    Make(s);
    engine->ImageLSClick();
    Edge(true);
    EXPECT_EQ(View().StartStep, 1);
    Edge(false);
    EXPECT_EQ(View().StartStep, 2);
}

TEST_F(TimingEngineTest, OtherPolarityValuesNeverTrigger) {
    TimingSettings s = WithoutCountdown();
    s.Alg = 2;
    Make(s);
    engine->ImageLSClick();
    Crossing();
    Crossing();
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().LastModemStatus, CtsOffWord);
}

TEST_F(TimingEngineTest, LockedBarrierIgnoresEdgesButRecordsTheStatusWord) {
    Make(WithoutCountdown());
    ASSERT_EQ(View().LightBarrierArmed, 0);
    Edge(true);
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().LastModemStatus, CtsOnWord);
    EXPECT_FALSE(clock.IsActive());
}

TEST_F(TimingEngineTest, EdgesAfterTheStopAreIgnoredUntilTheNextStarter) {
    TimingSettings s = WithoutCountdown();
    s.TimeLock = 1000;
    Make(s);
    engine->ImageLSClick();
    Crossing();
    AdvanceMs(1500);
    Crossing();  // stop
    ASSERT_FALSE(clock.IsActive());
    AdvanceMs(1500);  // the start lock has re-armed the barrier
    ASSERT_EQ(View().LightBarrierArmed, 1);
    Edge(true);
    EXPECT_FALSE(clock.IsActive());
    EXPECT_EQ(View().LastModemStatus, CtsOnWord);
    Edge(false);

    engine->bEintragenClick();
    engine->bEintragenClick();
    Edge(true);
    EXPECT_TRUE(clock.IsActive());
}

TEST_F(TimingEngineTest, ArmingAndTheStartLockAreJudgedByTheEdgesStampNotItsHandling) {
    TimingSettings s = WithoutCountdown();
    s.TimeLock = 1000;
    Make(s);
    const std::int64_t beforeArming = time.now;
    AdvanceMs(5);
    engine->ImageLSClick();
    EXPECT_EQ(engine->ComPortLS(CtsOnWord, beforeArming), EdgeAction::NotArmed);
    Edge(false);

    const std::int64_t start = time.now;
    EXPECT_EQ(engine->ComPortLS(CtsOnWord, start), EdgeAction::Started);
    Edge(false);
    AdvanceMs(1200);  // the lock has ended and re-armed the barrier
    ASSERT_EQ(View().LightBarrierArmed, 1);
    // Stamped 900 ms after the start, inside the lock, but handled only now.
    EXPECT_EQ(engine->ComPortLS(CtsOnWord, start + 900 * TicksPerMs), EdgeAction::Locked);
    EXPECT_EQ(View().StartStep, 2);
    Edge(false);

    // Stamped 100 ms before it is handled: the run and the new lock run from the stamp.
    const std::int64_t stop = time.now - 100 * TicksPerMs;
    engine->ComPortLS(CtsOnWord, stop);
    ASSERT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().RunTicks, stop - start);
    EXPECT_EQ(startLock.interval, 900);
}

TEST_F(TimingEngineTest, AFalseStopOfTheBarrierCanBeUndoneUntilSomethingIsAddedToTheRun) {
    Make(WithoutCountdown());  // the default start lock of 10 s
    engine->ImageLSClick();
    const std::int64_t start = time.now;
    Crossing();
    AdvanceMs(30000);
    Crossing();  // a thrown clod
    ASSERT_TRUE(View().ResumeEnabled);
    AdvanceMs(1500);
    engine->ResumeRun();
    EXPECT_TRUE(clock.IsActive());
    EXPECT_EQ(View().bSTART.Caption, "STOP");
    EXPECT_FALSE(View().bEintragen.Enabled);
    EXPECT_EQ(View().LightBarrierArmed, 1) << "armed at once for the real finish";
    AdvanceMs(1500);  // the real finish, well inside the false stop's start lock
    Crossing();
    EXPECT_FALSE(clock.IsActive());
    EXPECT_EQ(View().RunTicks, time.now - start) << "timed from the original start";
    EXPECT_EQ(TicksToMs(View().RunTicks, Frequency), 33000);

    engine->b5sekClick(+1);
    EXPECT_FALSE(View().ResumeEnabled);
    engine->ResumeRun();
    EXPECT_FALSE(clock.IsActive());
}

TEST_F(TimingEngineTest, TheLevelReadAtPortOpenNeverTriggers) {
    Make(WithoutCountdown());
    engine->SetLastModemStatus(CtsOnWord);
    engine->ImageLSClick();
    Edge(true);
    EXPECT_EQ(View().StartStep, 1);
}

// ---- Light-barrier lock and arm ----

TEST_F(TimingEngineTest, StartLockIgnoresEdgesUntilItExpires) {
    Make(WithoutCountdown());
    engine->ImageLSClick();
    const std::int64_t start = time.now;
    Crossing();
    EXPECT_EQ(View().LightBarrierArmed, 0);
    EXPECT_TRUE(startLock.IsActive());
    EXPECT_EQ(startLock.interval, 10000);

    AdvanceMs(5000);
    Crossing();
    EXPECT_EQ(View().StartStep, 2);

    AdvanceMs(5000);
    EXPECT_EQ(View().LightBarrierArmed, 1);
    EXPECT_FALSE(startLock.IsActive());

    AdvanceMs(2000);
    Crossing();
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().RunTicks, time.now - start);
    EXPECT_EQ(View().LightBarrierArmed, 0);
    EXPECT_TRUE(startLock.IsActive());
}

TEST_F(TimingEngineTest, WithoutStartLockTheBarrierStaysLockedUntilF11) {
    TimingSettings s = WithoutCountdown();
    s.TimeLock = 0;
    Make(s);
    engine->ImageLSClick();
    Crossing();
    EXPECT_EQ(View().StartStep, 2);
    EXPECT_FALSE(startLock.IsActive());
    AdvanceMs(60000);
    Crossing();
    EXPECT_EQ(View().StartStep, 2);
    engine->ImageLSClick();
    Crossing();
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().LightBarrierArmed, 0);
}

TEST_F(TimingEngineTest, CountdownStartArmsTheBarrierAndCancelsThePendingLock) {
    TimingSettings s;
    s.TimeLock = 30000;
    Make(s);
    engine->ImageLSClick();
    Crossing();  // countdown started by the barrier: it stays armed
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(View().LightBarrierArmed, 1);
    AdvanceMs(20000);
    Crossing();  // run start locks
    EXPECT_EQ(View().LightBarrierArmed, 0);
    AdvanceMs(40000);
    Crossing();  // stop
    ASSERT_EQ(View().StartStep, 0);
    engine->bEintragenClick();
    engine->bEintragenClick();
    ASSERT_TRUE(startLock.IsActive());
    engine->mStartClick();  // countdown by hand while the start lock still runs
    EXPECT_EQ(View().LightBarrierArmed, 1);
    EXPECT_FALSE(startLock.IsActive());
    AdvanceMs(1000);
    Crossing();  // the run start, still inside the old lock
    EXPECT_EQ(View().StartStep, 2) << "armed means the next edge counts";
}

TEST_F(TimingEngineTest, F11TogglesWithoutTouchingTheStartLock) {
    Make(WithoutCountdown());
    engine->ImageLSClick();
    Crossing();
    ASSERT_TRUE(startLock.IsActive());
    engine->ImageLSClick();
    EXPECT_EQ(View().LightBarrierArmed, 1);
    EXPECT_TRUE(startLock.IsActive());
    AdvanceMs(10000);  // expires while armed: only stops
    EXPECT_EQ(View().LightBarrierArmed, 1);
    EXPECT_FALSE(startLock.IsActive());

    engine->ImageLSClick();
    engine->TimerStartLockTimer();  // a stale expiry does not arm a barrier locked by hand
    EXPECT_EQ(View().LightBarrierArmed, 0);
}

TEST_F(TimingEngineTest, BarrierRunIsTimedFromTheEdgeTimestampsNotFromTheirHandling) {
    Make(WithoutCountdown());
    engine->ImageLSClick();
    const std::int64_t startEdge = time.now;
    time.now += 300 * TicksPerMs;  // the user-interface thread was busy
    engine->ComPortLS(CtsOnWord, startEdge);
    engine->ComPortLS(CtsOffWord, startEdge + 50 * TicksPerMs);
    EXPECT_EQ(View().RunStartTicks, startEdge);
    AdvanceMs(0);
    EXPECT_EQ(View().Digit7.Value, 3);

    AdvanceMs(15000);
    const std::int64_t stopEdge = startEdge + 14560 * TicksPerMs;
    engine->ComPortLS(CtsOnWord, stopEdge);
    EXPECT_EQ(View().RunTicks, 14560 * TicksPerMs);
    EXPECT_EQ(FormatRunTime(View().RunTicks, Frequency, ',', Resolution::Hundredths), "14,56");
    EXPECT_EQ(View().Digit8.Value, 6);
}

TEST_F(TimingEngineTest, HandCommandsReadTheClockWhenHandled) {
    Make(WithoutCountdown());
    engine->bSTARTClick();
    EXPECT_EQ(View().RunStartTicks, time.now);
    AdvanceMs(2500);
    engine->mStartClick();
    EXPECT_EQ(View().RunTicks, 2500 * TicksPerMs);
}

// ---- Abort ----

TEST_F(TimingEngineTest, AbortSkipsTheStarterAndReadiesTheNextCountdown) {
    TimingSettings s;
    s.SoundAbbruch = true;
    Make(s);
    engine->mStartClick();
    AdvanceMs(5000);
    engine->mAbbruchClick();
    const TimingView& v = View();
    EXPECT_FALSE(clock.IsActive());
    EXPECT_EQ(v.StartStep, 0);
    EXPECT_TRUE(v.CountdownActive);
    EXPECT_EQ(v.Digit5.Value, 3);
    EXPECT_EQ(v.Digit6.Value, 0);
    EXPECT_EQ(nextStarterCalls, 1);
    EXPECT_EQ(rankCalls, 0);
    EXPECT_EQ(v.EntryStep, 0);
    EXPECT_EQ(v.bEintragen.Caption, "EINTRAGEN");
    EXPECT_FALSE(v.bEintragen.Enabled);
    EXPECT_FALSE(v.b5sekEnabled);
    EXPECT_FALSE(v.bDqEnabled);
    EXPECT_FALSE(v.img_AbbruchVisible);
    EXPECT_TRUE(v.bSTART.Enabled);
    EXPECT_EQ(v.bSTART.Caption, "TIMER");
    EXPECT_TRUE(v.cmd_F2_SettingsEnabled);
    EXPECT_EQ(cues.played.back(), "Audio-Abbruch.wav");
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "");

    engine->mAbbruchClick();  // no countdown running: nothing
    EXPECT_EQ(nextStarterCalls, 1);
}

TEST_F(TimingEngineTest, WithoutAbbruchTheAbortNeverShowsAndF8DoesNothing) {
    TimingSettings s;
    s.Abbruch = false;
    Make(s);
    engine->mStartClick();
    EXPECT_FALSE(View().img_AbbruchVisible);
    engine->mAbbruchClick();
    EXPECT_TRUE(clock.IsActive());
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(nextStarterCalls, 0);
}

// ---- Penalties and disqualification ----

TEST_F(TimingEngineTest, PenaltiesCountInStepsAndNeverGoBelowZero) {
    Make(WithoutCountdown());
    engine->b5sekClick(+1);  // before a run: disabled
    EXPECT_EQ(View().PenaltyCount, 0);
    engine->mStartClick();
    engine->b5sekClick(-1);
    EXPECT_EQ(View().eStarafeT, "Strafen: 0");
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    engine->b5sekClick(-1);
    EXPECT_EQ(View().PenaltyCount, 2);
    EXPECT_EQ(View().eStarafeT, "Strafen: 2");
}

TEST_F(TimingEngineTest, DisqualificationDuringARunKeepsTheClockRunning) {
    Make(WithoutCountdown());
    engine->mStartClick();
    AdvanceMs(4000);
    engine->bDqClick();
    const TimingView& v = View();
    EXPECT_EQ(v.DqFlag, 1);
    EXPECT_TRUE(clock.IsActive());
    EXPECT_EQ(v.Digit6.Value, 0);
    EXPECT_FALSE(v.bDqEnabled);
    EXPECT_TRUE(v.bEintragen.Enabled);
    EXPECT_TRUE(v.ReasonsVisible);
    EXPECT_EQ(v.eRangT, "Rang: DQ");
    EXPECT_TRUE(v.eRangTVisible);
    AdvanceMs(1000);
    EXPECT_EQ(v.Digit6.Value, 5);

    engine->bDqClick();  // disabled now
    EXPECT_EQ(v.DqFlag, 1);
}

TEST_F(TimingEngineTest, RunStartClearsPenaltiesAndADisqualificationOfTheCountdown) {
    Make(TimingSettings{});
    engine->mStartClick();
    engine->bDqClick();
    ASSERT_TRUE(View().eRangTVisible);
    engine->mStartClick();
    EXPECT_EQ(View().DqFlag, 0);
    EXPECT_EQ(View().PenaltyCount, 0);
    EXPECT_FALSE(View().eRangTVisible);
    EXPECT_FALSE(View().ReasonsVisible);
    EXPECT_EQ(View().eStarafeT, "Strafen: 0");
}

// ---- Result entry ----

TEST_F(TimingEngineTest, EntryWritesRunPenaltiesAndTotal) {
    Make(WithoutCountdown());
    RunFor(14560 * TicksPerMs);
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    rank = [this] { table.SetCell(ColRang, 2, "1"); };
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "14,56");
    EXPECT_EQ(table.Cell(ColStrafen, 2), "3");
    EXPECT_EQ(table.Cell(ColDq, 2), "");
    EXPECT_EQ(table.Cell(ColGrund, 2), "");
    EXPECT_EQ(table.Cell(ColTotal, 2), "29,56");
    EXPECT_EQ(table.Cell(ColLaufzeit, 1), "");
    const TimingView& v = View();
    EXPECT_EQ(v.eRangT, "Rang: 1");
    EXPECT_TRUE(v.eRangTVisible);
    EXPECT_EQ(v.bEintragen.Caption, "NÄCHSTER");
    EXPECT_EQ(v.bEintragen.LightColor, 0x606060u);
    EXPECT_TRUE(v.bEintragen.Enabled);
    EXPECT_FALSE(v.b5sekEnabled);
    EXPECT_FALSE(v.b_5sekEnabled);
    EXPECT_FALSE(v.bDqEnabled);
    EXPECT_TRUE(v.cmd_F2_SettingsEnabled);
    EXPECT_EQ(v.EntryStep, 1);
    EXPECT_EQ(rankCalls, 1);
    EXPECT_EQ(backupCalls, 1);
    EXPECT_TRUE(table.Modified());
    EXPECT_THAT(engine->LastBackupError(), IsEmpty());
}

TEST_F(TimingEngineTest, TakenBackPenaltyLowersTheTotal) {
    Make(WithoutCountdown());
    RunFor(14560 * TicksPerMs);
    for (int i = 0; i < 3; ++i) {
        engine->b5sekClick(+1);
    }
    engine->b5sekClick(-1);
    engine->bEintragenClick();
    EXPECT_EQ(View().eStarafeT, "Strafen: 2");
    EXPECT_EQ(table.Cell(ColStrafen, 2), "2");
    EXPECT_EQ(table.Cell(ColTotal, 2), "24,56");
}

TEST_F(TimingEngineTest, EntryCutsTheRunToTheResolutionAndNeverRoundsItUp) {
    Make(WithoutCountdown());
    RunFor(59995 * TicksPerMs);
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "59,99");
    engine->bEintragenClick();

    startNumber = "7";
    RunFor(599'996'000);  // 59999.6 ms
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 1), "59,99");
    EXPECT_EQ(table.Cell(ColTotal, 1), "59,99");
    engine->bEintragenClick();

    // In thousandths the board and the entry show what the stamps give: 3,600666 s is 3,600.
    engine->SetTimeResolution(Resolution::Thousandths);
    startNumber = "3";
    RunFor(36'006'660);
    EXPECT_EQ(View().Digit9.Value, 0);
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 3), "3,600");
}

TEST_F(TimingEngineTest, DisqualifiedEntryWritesTheSelectedReason) {
    Make(WithoutCountdown());
    engine->LoadReasons({"Falscher Kurs", "Sturz", "..."});
    RunFor(20000 * TicksPerMs);
    engine->b5sekClick(+1);
    engine->bDqClick();
    engine->ListBoxGrundClick(1);
    table.SetCell(ColRang, 2, "4");
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "20,00");
    EXPECT_EQ(table.Cell(ColStrafen, 2), "1");
    EXPECT_EQ(table.Cell(ColDq, 2), "DQ");
    EXPECT_EQ(table.Cell(ColGrund, 2), "Sturz");
    EXPECT_EQ(table.Cell(ColTotal, 2), "DQ");
    EXPECT_EQ(View().eRangT, "Rang: DQ");
    EXPECT_FALSE(View().ReasonsVisible);
}

TEST_F(TimingEngineTest, DisqualifiedEntryWithoutReasonsListWritesAnEmptyReason) {
    Make(WithoutCountdown());
    RunFor(20000 * TicksPerMs);
    engine->bDqClick();
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColDq, 2), "DQ");
    EXPECT_EQ(table.Cell(ColGrund, 2), "");
    EXPECT_EQ(table.Cell(ColTotal, 2), "DQ");
}

TEST_F(TimingEngineTest, SecondF10SelectsTheNextStarterAndAThirdDoesNothing) {
    Make(WithoutCountdown());
    RunFor(5000 * TicksPerMs);
    engine->b5sekClick(+1);
    engine->bEintragenClick();
    engine->bEintragenClick();
    const TimingView& v = View();
    EXPECT_EQ(nextStarterCalls, 1);
    EXPECT_EQ(v.bEintragen.Caption, "EINTRAGEN");
    EXPECT_EQ(v.bEintragen.ColorWhenDown, 0xFF8000u);
    EXPECT_FALSE(v.bEintragen.Enabled);
    EXPECT_EQ(v.eStarafeT, "Strafen: 0");
    EXPECT_FALSE(v.eRangTVisible);
    EXPECT_EQ(v.EntryStep, 0);

    engine->bEintragenClick();
    EXPECT_EQ(nextStarterCalls, 1);
    EXPECT_EQ(backupCalls, 1);
    EXPECT_EQ(v.EntryStep, 0);
}

TEST_F(TimingEngineTest, UnknownStartNumberWritesNothingButMovesOn) {
    Make(WithoutCountdown());
    startNumber = "99";
    RunFor(5000 * TicksPerMs);
    engine->bEintragenClick();
    EXPECT_EQ(rankCalls, 0);
    EXPECT_EQ(backupCalls, 0);
    EXPECT_FALSE(table.Modified());
    EXPECT_EQ(View().bEintragen.Caption, "NÄCHSTER");
    EXPECT_EQ(View().EntryStep, 1);
}

TEST_F(TimingEngineTest, EntryWhileTheClockRunsStopsTheRunFirst) {
    Make(WithoutCountdown());
    RunFor(3000 * TicksPerMs);  // an earlier run
    engine->bEintragenClick();
    engine->bEintragenClick();
    engine->mStartClick();
    AdvanceMs(5000);
    engine->bDqClick();
    AdvanceMs(3000);
    engine->bEintragenClick();
    EXPECT_FALSE(clock.IsActive());
    EXPECT_EQ(View().RunTicks, 8000 * TicksPerMs);
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "8,00");
    EXPECT_EQ(table.Cell(ColTotal, 2), "DQ");
    EXPECT_EQ(View().StartStep, 1);
    EXPECT_EQ(cues.played.back(), "Audio-Stop.wav");
    EXPECT_FALSE(View().bDqEnabled);
    EXPECT_TRUE(View().cmd_F2_SettingsEnabled);

    engine->bEintragenClick();
    EXPECT_TRUE(View().bSTART.Enabled);
    EXPECT_EQ(View().Digit6.Value, 0);
}

TEST_F(TimingEngineTest, EntryOfADisqualificationDuringTheCountdownEndsTheCountdown) {
    Make(TimingSettings{});
    engine->mStartClick();  // countdown
    engine->mStartClick();  // run
    AdvanceMs(7000);
    engine->mStartClick();  // stopped: 7 s
    engine->bEintragenClick();
    ASSERT_EQ(table.Cell(ColLaufzeit, 2), "7,00");
    engine->bEintragenClick();

    startNumber = "7";
    engine->mStartClick();  // countdown of the next starter
    AdvanceMs(4000);
    engine->bDqClick();
    engine->bEintragenClick();
    EXPECT_FALSE(clock.IsActive());
    EXPECT_FALSE(View().img_AbbruchVisible);
    EXPECT_EQ(table.Cell(ColLaufzeit, 1), "0,00");
    EXPECT_EQ(table.Cell(ColTotal, 1), "DQ");
    engine->bEintragenClick();
    EXPECT_EQ(View().StartStep, 0);
    EXPECT_TRUE(View().bSTART.Enabled);
    engine->mStartClick();
    EXPECT_TRUE(View().CountdownActive);
    EXPECT_TRUE(View().img_AbbruchVisible);
}

TEST_F(TimingEngineTest, FailedBackupLetsTheEntryFinishAndReportsIt) {
    Make(WithoutCountdown());
    backupError = "Sicherungsdatei.txt kann nicht geschrieben werden";
    RunFor(5000 * TicksPerMs);
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColLaufzeit, 2), "5,00");
    EXPECT_EQ(View().EntryStep, 1);
    EXPECT_EQ(View().bEintragen.Caption, "NÄCHSTER");
    EXPECT_TRUE(View().bEintragen.Enabled);
    EXPECT_TRUE(View().cmd_F2_SettingsEnabled);
    EXPECT_EQ(engine->LastBackupError(), backupError);

    engine->bEintragenClick();
    backupError.clear();
    RunFor(6000 * TicksPerMs);
    engine->bEintragenClick();
    EXPECT_THAT(engine->LastBackupError(), IsEmpty());
}

TEST_F(TimingEngineTest, ReasonsTypedDuringADisqualificationBecomeSelectable) {
    Make(WithoutCountdown());
    engine->LoadReasons({"Falscher Kurs", "..."});
    RunFor(5000 * TicksPerMs);
    engine->bDqClick();
    engine->ListBoxGrundClick(1);
    ASSERT_TRUE(engine->Reasons().FieldVisible());
    engine->eGrundUserEnter("Sturz");
    engine->bEintragenClick();
    EXPECT_EQ(table.Cell(ColGrund, 2), "Sturz");
    EXPECT_EQ(engine->Reasons().ReasonsAdded(), 1);
    EXPECT_THAT(engine->Reasons().Lines(), ElementsAre("Falscher Kurs", "Sturz", "..."));
}

// ---- Cues and the countdown warning ----

TEST_F(TimingEngineTest, CountdownWarnsOnceWhenLessThanTheWarningTimeRemains) {
    Make(TimingSettings{});
    engine->mStartClick();
    AdvanceMs(20000);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav"));
    AdvanceMs(1);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav"));
    EXPECT_EQ(View().Digit6.Value, 9);
    AdvanceMs(10000);
    AdvanceMs(30000);
    engine->mStartClick();
    AdvanceMs(8000);
    engine->mStartClick();
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav", "Audio-Start.wav",
                                         "Audio-Stop.wav"));
}

TEST_F(TimingEngineTest, SilentCountdownStillCuesTheRun) {
    TimingSettings s;
    s.SoundCountDown = false;
    s.SoundWarnung = false;
    Make(s);
    engine->mStartClick();
    AdvanceMs(29000);
    AdvanceMs(5000);
    engine->mStartClick();
    EXPECT_THAT(cues.played, ElementsAre("Audio-Start.wav"));
    EXPECT_FALSE(View().WarningPlayed);
}

TEST_F(TimingEngineTest, WarningTimeAsLongAsTheCountdownWarnsAtTheFirstUpdate) {
    TimingSettings s;
    s.TimeWarnung = 30000;
    Make(s);
    engine->bDqClick();  // disabled: no display reset before the countdown
    engine->mStartClick();
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav"));
    AdvanceMs(10);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav"));
}

TEST_F(TimingEngineTest, ZeroWarningTimeWarnsOnlyAfterTheCountdownRanOut) {
    TimingSettings s;
    s.TimeWarnung = 0;
    Make(s);
    engine->mStartClick();
    AdvanceMs(30000);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav"));
    AdvanceMs(1);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav"));
}

TEST_F(TimingEngineTest, SecondCountdownAfterAnAbortWarnsAgain) {
    Make(TimingSettings{});
    engine->mStartClick();
    AdvanceMs(25000);
    engine->mAbbruchClick();
    engine->mStartClick();
    AdvanceMs(25000);
    EXPECT_THAT(cues.played, ElementsAre("Audio-Timer.wav", "Audio-Warnung.wav", "Audio-Timer.wav",
                                         "Audio-Warnung.wav"));
}

TEST_F(TimingEngineTest, WithoutCountdownOnlyStartAndStopAreCued) {
    TimingSettings s = WithoutCountdown();
    s.SoundAbbruch = true;
    Make(s);
    engine->mStartClick();
    EXPECT_FALSE(View().img_AbbruchVisible);
    AdvanceMs(25000);
    engine->mAbbruchClick();
    AdvanceMs(25000);
    engine->mStartClick();
    EXPECT_THAT(cues.played, ElementsAre("Audio-Start.wav", "Audio-Stop.wav"));
    EXPECT_EQ(View().RunTicks, 50000 * TicksPerMs);
}

}  // namespace
