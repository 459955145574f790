#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "results/ResultRules.h"
#include "timing/BackupTiming.h"
#include "timing/DqReasons.h"
#include "timing/TimingPorts.h"
#include "timing/TimingSettings.h"
#include "timing/TimingView.h"

// What the light barrier's edge did, for the beam log.
enum class EdgeAction {
    CountdownStarted,
    Started,
    Stopped,
    Bounce,         // no change of the line since the last edge
    RestingLevel,   // the line went back to rest: not a beam event
    Locked,         // stamped while the barrier was locked or inside a start lock
    NotArmed,       // stamped before the barrier was armed
    StartDisabled,  // the start command was off (a run waits for its entry)
    OtherChannel    // a timer's start impulse while a run is on the clock, or its finish before
};

// The cells of the current starter's row that an entered run fills.
struct RunCells {
    std::string RunTime;
    std::string Penalties;
    std::string Dq;
    std::string Reason;
    std::string Total;

    bool operator==(const RunCells&) const = default;
};

// What became of an entered run.
struct EntryOutcome {
    // False when there was no row to enter it into; nothing else happened then.
    bool Entered = false;
    // What the board says after "Rang: " for a run that was not disqualified: the place and, in a
    // class with divisions, the division and place in it ("2 · 2D: 1").
    std::string Place;
    // Why the backup could not be written; empty when it was.
    std::string BackupError;
};

// A run as it waits for its entry: what an undone entry gives back.
struct PendingRun {
    std::int64_t RunTicks = 0;
    int Penalties = 0;
    bool Dq = false;
    std::string Reason;  // the reason chosen for a disqualification
    bool ByHand = false;
    bool FromBackup = false;
};

// What the result entry needs from the program: the engine hands over the run's cells and never
// writes the table itself.
struct EntryHooks {
    // Enters the run into the current starter's row (a row of its own when no row is the
    // starter's), ranks, records and backs up the table.
    std::function<EntryOutcome(const RunCells& cells)> EnterRun;
    // Selects the next starter, as the "next" button bNumerPlus does.
    std::function<void()> SelectNextStarter;
    // The system decimal separator of the time texts.
    char DecimalSeparator = ',';
};

// The run clock with its start cycle, the light-barrier trigger filter and lock, penalties,
// disqualification and result entry, countdown, warning and cues. It owns every value the time
// boards show (View); the windows forward their commands here and render View after each call.
// Commands act only while their button is enabled, as their key commands do.
// Every member runs on the user-interface thread only.
class TimingEngine {
public:
    TimingEngine(ITimeSource& time, ITimer& clock, ITimer& startLock, ICuePlayer& cues,
                 const TimingSettings& settings, EntryHooks hooks);

    const TimingView& View() const { return view_; }
    const TimingSettings& Settings() const { return settings_; }
    const DqReasons& Reasons() const { return reasons_; }
    std::int64_t CounterFrequency() const { return counterFrequency_; }
    // Message of the failed backup write of the last entry; empty when it succeeded.
    const std::string& LastBackupError() const { return lastBackupError_; }

    // The settings dialog was confirmed: the cycle goes to the ready state of the mode, unless a
    // countdown or a run is on the clock (that one finishes under the new settings). In the ready
    // state the whole start state of the new mode is set, board included.
    void ApplySettings(const TimingSettings& settings);
    // How the entered run time and total are written: to the hundredth, or to the thousandth,
    // where a run started or stopped by hand is marked "H" in the reason column.
    void SetTimeResolution(Resolution resolution) {
        resolution_ = resolution;
        view_.Thousandths = resolution == Resolution::Thousandths;
    }
    // The separator the entered times are written with: the one the class's totals use, so a
    // table never mixes "3.057" and "15,480".
    void SetDecimalSeparator(char separator) { hooks_.DecimalSeparator = separator; }
    // What one penalty adds to the run time in the open class.
    void SetPenaltySeconds(int seconds) { view_.PenaltySeconds = seconds; }

    // Start command (F4, start button): countdown, run start or run stop by StartStep.
    void mStartClick();
    void bSTARTClick() { mStartClick(); }
    // Clock expiry (10 ms): repaints the running time or the countdown.
    void ClockTimer();
    // Shows elapsed ticks (or the countdown remaining after them); 0 resets the display.
    void ShowElapsed(std::int64_t ticks);
    // Resets the display while the cycle is ready for the next start; a running clock or a
    // stopped run waiting for its entry keeps its time on the boards.
    void ResetDisplayWhenReady();

    // Light barrier: F11 or a click on the indicator toggles locked/armed.
    void ImageLSClick();
    // TimerStartLock expiry: re-arms a barrier that the start lock locked.
    void TimerStartLockTimer();
    // A CTS notification: the modem-status word at the change and the change's timestamp on the
    // time source's counter. A run started or stopped here is timed from that timestamp, and
    // arming and the start lock are judged by it, not by when the edge is handled.
    EdgeAction ComPortLS(std::uint32_t modemStatus, std::int64_t edgeTicks);
    // A trigger of a timing source (the light barrier's trigger edge, a timer's impulse, the
    // backup standing in for a missed one) stamped at edgeTicks: it acts as the light barrier
    // does, within what kind allows. fromBackup marks a run it starts or stops "B".
    EdgeAction Impulse(std::int64_t edgeTicks, ImpulseKind kind, bool fromBackup);
    // The run on the board, stopped and waiting for its entry, takes this time instead of its
    // stamps' difference: a timer's own difference, or the backup's when the primary missed
    // (fromBackup marks it "B").
    void TakeRunTime(std::int64_t runTicks, bool fromBackup);
    // "Weiterlaufen" (Shift+F4): the run stopped by a false light-barrier edge goes on from its
    // original start, with the barrier armed for the real finish. Only while View().ResumeEnabled.
    void ResumeRun();
    // The status word read when the port was opened, so the resting level never triggers.
    void SetLastModemStatus(std::uint32_t modemStatus) { view_.LastModemStatus = modemStatus; }

    // Abort the countdown (F8, abort picture): the starter is skipped without a result.
    void mAbbruchClick();

    // Penalty step +1 (F5, "+5 s." in a class of 5 s penalties) or -1 (Ctrl+F5); never below 0.
    void b5sekClick(int step);
    // Disqualification (F9).
    void bDqClick();
    // Entry button (F10): enter the result, then the next starter.
    void bEintragenClick();
    // The run on the board as it waits for (or went into) its entry.
    PendingRun CurrentRun() const;
    // An entry was undone: its run waits for its entry again, with its time, penalties and
    // disqualification, as right after the stop. Only while no run is on the clock.
    void GiveBack(const PendingRun& run);
    // Another class was opened: the board starts clean for its current starter.
    void ClearBoard();

    // Reasons list: the lines of the reasons file, a click on a line, Enter in the free-text field
    // with its text, and the field losing the focus.
    void LoadReasons(std::vector<std::string> lines) { reasons_.Load(std::move(lines)); }
    void ListBoxGrundClick(int index) { reasons_.Click(index); }
    void eGrundUserEnter(const std::string& text) { reasons_.Enter(text); }
    void eGrundUserExit() { reasons_.HideField(); }

private:
    // byHand: the key, not the light barrier, gave the start or stop.
    void StartCommand(std::int64_t reading, bool byHand);
    void StopClock(std::int64_t runTicks);
    void SetReadyStep();
    void ShowDigits(int minutes, int seconds, int thousandths);
    void SetStartLook(bool lookOnly);
    void SetTimerLook(bool lookOnly);
    void SetArmed(bool armed, std::int64_t since);
    void LockLightBarrier(std::int64_t reading);
    void ArmLightBarrier(std::int64_t reading);
    std::int64_t MsToTicks(std::int64_t ms) const;
    void EntryCommand();
    void EndClockForEntry();
    void EnterResult();
    void NextStarter();
    void ResetRunLabels();

    ITimeSource& time_;
    ITimer& clock_;
    ITimer& startLock_;
    ICuePlayer& cues_;
    TimingSettings settings_;
    EntryHooks hooks_;
    std::int64_t counterFrequency_;
    Resolution resolution_ = Resolution::Hundredths;
    // The run on the board was started or stopped by hand.
    bool runByHand_ = false;
    // The run on the board was started, stopped or timed by the backup source.
    bool runFromBackup_ = false;
    TimingView view_;
    DqReasons reasons_;
    std::string lastBackupError_;
};
