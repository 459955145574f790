#include "timing/TimingEngine.h"

#include <algorithm>

#include "results/TimeText.h"
#include "timing/TickMath.h"

namespace {

constexpr int ClockIntervalMs = 10;
constexpr Rgb StartGreen = 0x008000;
constexpr Rgb TimerYellow = 0xFFFF00;
constexpr Rgb DisabledGrey = 0x808080;

void SetLook(ButtonLook& look, const char* caption, Rgb color, Rgb textColor, Rgb colorWhenDown,
             Rgb hotTrackColor, Rgb lightColor) {
    look.Caption = caption;
    look.Color = color;
    look.TextColor = textColor;
    look.ColorWhenDown = colorWhenDown;
    look.HotTrackColor = hotTrackColor;
    look.LightColor = lightColor;
}

}  // namespace

TimingEngine::TimingEngine(ITimeSource& time, ITimer& clock, ITimer& startLock, ICuePlayer& cues,
                           const TimingSettings& settings, EntryHooks hooks)
    : time_(time),
      clock_(clock),
      startLock_(startLock),
      cues_(cues),
      settings_(settings),
      hooks_(std::move(hooks)),
      counterFrequency_(time.CounterFrequency()) {
    // The board starts in the "TIMER" look with the start control enabled.
    if (settings_.CountDown) {
        view_.DigitOnColour = DigitYellow;
    } else {
        view_.StartStep = 1;
        SetStartLook(true);
    }
}

void TimingEngine::ApplySettings(const TimingSettings& settings) {
    settings_ = settings;
    if (clock_.IsActive()) {
        return;
    }
    SetReadyStep();
    // Ready for the next start (not a stopped run waiting for its entry): the board and the
    // countdown switch belong to the new mode, so the next F4 does what the button says.
    if (view_.bSTART.Enabled) {
        view_.CountdownActive = settings_.CountDown;
        view_.DigitOnColour = settings_.CountDown ? DigitYellow : DigitGreen;
        view_.bSTART.Color = settings_.CountDown ? TimerYellow : StartGreen;
        view_.WarningPlayed = false;
        ShowElapsed(0);
    }
}

void TimingEngine::SetReadyStep() {
    if (settings_.CountDown) {
        view_.StartStep = 0;
        SetTimerLook(true);
    } else {
        view_.StartStep = 1;
        SetStartLook(true);
    }
}

void TimingEngine::mStartClick() {
    if (view_.bSTART.Enabled) {
        StartCommand(time_.Now(), true);
    }
}

void TimingEngine::StartCommand(std::int64_t reading, bool byHand) {
    switch (view_.StartStep) {
        case 0:  // countdown
            if (settings_.SoundCountDown) {
                cues_.PlayCue("Audio-Timer.wav");
            }
            view_.RunStartTicks = reading;
            clock_.Start(ClockIntervalMs);
            view_.img_AbbruchVisible = settings_.Abbruch;
            SetStartLook(false);
            ArmLightBarrier(reading);
            break;
        case 1:  // run start
            cues_.PlayCue("Audio-Start.wav");
            view_.RunStartTicks = reading;
            runByHand_ = byHand;
            view_.PenaltyCount = 0;
            view_.DqFlag = 0;
            ResetRunLabels();
            clock_.Start(ClockIntervalMs);
            view_.img_AbbruchVisible = false;
            runFromBackup_ = false;
            view_.CountdownActive = false;
            SetLook(view_.bSTART, "STOP", 0xFF0000, 0xFFFFFF, 0xFF8000, 0xC00000, 0xFFC0C0);
            view_.bEintragen.Enabled = false;
            view_.b5sekEnabled = true;
            view_.b_5sekEnabled = true;
            view_.DigitOnColour = DigitGreen;
            LockLightBarrier(reading);
            break;
        default:  // run stop; a stop stamped before the start (never in practice) counts as 0
            StopClock(std::max<std::int64_t>(0, reading - view_.RunStartTicks));
            runByHand_ = runByHand_ || byHand;
            LockLightBarrier(reading);
            cues_.PlayCue("Audio-Stop.wav");
            break;
    }
    view_.ResumeEnabled = false;
    view_.cmd_F2_SettingsEnabled = false;
    view_.bDqEnabled = true;
    view_.bSTART.ShadowColor = view_.bSTART.HotTrackColor;
    view_.StartStep += 1;
    if (view_.StartStep > 2) {
        view_.StartStep = settings_.CountDown ? 0 : 1;
    }
}

void TimingEngine::StopClock(std::int64_t runTicks) {
    // The clock goes off before the final display so that the hundredths are shown.
    clock_.Stop();
    view_.RunTicks = runTicks;
    ShowElapsed(runTicks);
    if (settings_.CountDown) {
        SetTimerLook(false);
    } else {
        SetStartLook(false);
    }
}

void TimingEngine::ClockTimer() {
    // A tick that arrives after the stop must not overwrite the final time.
    if (clock_.IsActive()) {
        ShowElapsed(time_.Now() - view_.RunStartTicks);
    }
}

void TimingEngine::ShowElapsed(std::int64_t ticks) {
    std::int64_t ms = RunTimeMs(ticks, counterFrequency_);
    if (view_.CountdownActive) {
        const std::int64_t remaining = settings_.CountDownSek - ms;
        // Only a running countdown warns, not a reset of the display.
        if (settings_.SoundWarnung && !view_.WarningPlayed && clock_.IsActive() &&
            remaining < settings_.TimeWarnung) {
            cues_.PlayCue("Audio-Warnung.wav");
            view_.WarningPlayed = true;
        }
        ms = std::max<std::int64_t>(remaining, 0) / 1000 * 1000;
    }
    ShowDigits(static_cast<int>((ms / 60000) % 60), static_cast<int>((ms / 1000) % 60),
               static_cast<int>(ms % 1000));
}

void TimingEngine::ResetDisplayWhenReady() {
    if (!clock_.IsActive() && view_.bSTART.Enabled) {
        ShowElapsed(0);
    }
}

void TimingEngine::ShowDigits(int minutes, int seconds, int thousandths) {
    const Rgb on = view_.DigitOnColour;
    const Rgb fraction = view_.CountdownActive ? DigitDimColour : on;
    view_.LabSecColor = fraction;
    view_.Digit3 = {minutes / 10, minutes / 10 > 0 ? on : DigitDimColour};
    view_.Digit4 = {minutes % 10, minutes > 0 ? on : DigitDimColour};
    view_.LabMinColor = view_.Digit4.ColorOn;
    view_.Digit5 = {seconds / 10, minutes * 60 + seconds > 9 ? on : DigitDimColour};
    view_.Digit6 = {seconds % 10, on};
    view_.Digit7 = {thousandths / 100, fraction};
    // The running display shows tenths; the finer digits appear once the clock is off.
    if (!clock_.IsActive()) {
        view_.Digit8 = {thousandths / 10 % 10, fraction};
        view_.Digit9 = {thousandths % 10, fraction};
    }
}

void TimingEngine::SetStartLook(bool lookOnly) {
    SetLook(view_.bSTART, "START", StartGreen, 0xFFFF00, 0x80FF80, 0x00C000, 0xC0FFC0);
    if (!lookOnly) {
        view_.bSTART.Enabled = settings_.CountDown;
        view_.bEintragen.Enabled = !settings_.CountDown;
        view_.b5sekEnabled = !settings_.CountDown;
        view_.b_5sekEnabled = !settings_.CountDown;
        view_.DigitOnColour = DigitYellow;
        view_.WarningPlayed = false;
    }
}

void TimingEngine::SetTimerLook(bool lookOnly) {
    SetLook(view_.bSTART, "TIMER", TimerYellow, 0x000000, 0xE0E080, 0x909000, 0xF0F0C0);
    if (!lookOnly) {
        view_.bSTART.Enabled = !settings_.CountDown;
        view_.bSTART.Color = DisabledGrey;
        view_.bEintragen.Enabled = true;
        view_.b5sekEnabled = true;
        view_.b_5sekEnabled = true;
        view_.DigitOnColour = DigitGreen;
    }
}

std::int64_t TimingEngine::MsToTicks(std::int64_t ms) const {
    return ms * counterFrequency_ / 1000;
}

void TimingEngine::SetArmed(bool armed, std::int64_t since) {
    view_.LightBarrierArmed = armed ? 1 : 0;
    if (armed) {
        view_.ArmedSinceTicks = since;
    }
}

void TimingEngine::ImageLSClick() {
    const std::int64_t now = time_.Now();
    SetArmed(view_.LightBarrierArmed == 0, now);
    // Armed by hand, the barrier counts from now even inside a pending start lock.
    view_.LockEndTicks = std::min(view_.LockEndTicks, now);
}

void TimingEngine::LockLightBarrier(std::int64_t reading) {
    if (view_.LightBarrierArmed == 0) {
        return;
    }
    SetArmed(false, 0);
    if (settings_.TimeLock != 0) {
        // The lock runs from the start or stop reading (the edge's stamp for the light barrier),
        // so a late handling does not stretch it.
        view_.LockEndTicks = reading + MsToTicks(settings_.TimeLock);
        const std::int64_t left = TicksToMs(view_.LockEndTicks - time_.Now(), counterFrequency_);
        startLock_.Start(static_cast<int>(std::clamp<std::int64_t>(left, 0, settings_.TimeLock)));
    }
}

void TimingEngine::ArmLightBarrier(std::int64_t reading) {
    if (view_.LightBarrierArmed == 0) {
        SetArmed(true, reading);
        startLock_.Stop();
    }
    // Armed means the next edge counts: a start lock still pending from the last start or stop
    // ends here, as with F11.
    view_.LockEndTicks = std::min(view_.LockEndTicks, reading);
}

void TimingEngine::TimerStartLockTimer() {
    // A late expiry after the lock was cancelled must not arm a barrier locked by hand.
    if (!startLock_.IsActive()) {
        return;
    }
    startLock_.Stop();
    if (view_.LightBarrierArmed == 0) {
        SetArmed(true, view_.LockEndTicks);
    }
}

EdgeAction TimingEngine::ComPortLS(std::uint32_t modemStatus, std::int64_t edgeTicks) {
    switch (ClassifyLineChange(view_.LastModemStatus, modemStatus, settings_.Alg)) {
        case LineChange::Bounce:
            return EdgeAction::Bounce;
        case LineChange::Resting:
            return EdgeAction::RestingLevel;
        case LineChange::Trigger:
            break;
    }
    return Impulse(edgeTicks, ImpulseKind::Any, false);
}

EdgeAction TimingEngine::Impulse(std::int64_t edgeTicks, ImpulseKind kind, bool fromBackup) {
    // A start lock that was over at the edge's stamp has ended, even if its timer has not fired.
    if (view_.LightBarrierArmed == 0 && startLock_.IsActive() && edgeTicks >= view_.LockEndTicks) {
        TimerStartLockTimer();
    }
    if (view_.LightBarrierArmed == 0 || edgeTicks < view_.LockEndTicks) {
        return EdgeAction::Locked;
    }
    if (edgeTicks < view_.ArmedSinceTicks) {
        return EdgeAction::NotArmed;
    }
    // The barrier issues the start command of F4 and is ignored whenever F4 is.
    if (!view_.bSTART.Enabled) {
        return EdgeAction::StartDisabled;
    }
    const int step = view_.StartStep;
    if ((kind == ImpulseKind::Start && step != 1) || (kind == ImpulseKind::Finish && step != 2)) {
        return EdgeAction::OtherChannel;
    }
    StartCommand(edgeTicks, false);
    runFromBackup_ = runFromBackup_ || (fromBackup && step != 0);
    if (step == 2) {
        view_.ResumeEnabled = true;
        return EdgeAction::Stopped;
    }
    return step == 0 ? EdgeAction::CountdownStarted : EdgeAction::Started;
}

void TimingEngine::TakeRunTime(std::int64_t runTicks, bool fromBackup) {
    if (clock_.IsActive() || view_.CountdownActive || view_.DqFlag != 0 || view_.EntryStep != 0) {
        return;
    }
    view_.RunTicks = runTicks;
    ShowElapsed(runTicks);
    runFromBackup_ = fromBackup;
}

void TimingEngine::ResumeRun() {
    if (!view_.ResumeEnabled) {
        return;
    }
    view_.ResumeEnabled = false;
    view_.StartStep = 2;
    view_.CountdownActive = false;
    view_.DigitOnColour = DigitGreen;
    SetLook(view_.bSTART, "STOP", 0xFF0000, 0xFFFFFF, 0xFF8000, 0xC00000, 0xFFC0C0);
    view_.bSTART.Enabled = true;
    view_.bEintragen.Enabled = false;
    view_.b5sekEnabled = true;
    view_.b_5sekEnabled = true;
    view_.cmd_F2_SettingsEnabled = false;
    clock_.Start(ClockIntervalMs);
    ClockTimer();
    // Armed from now on for the real finish; the false stop's start lock is cancelled.
    ArmLightBarrier(time_.Now());
}

void TimingEngine::mAbbruchClick() {
    if (!view_.img_AbbruchVisible) {
        return;
    }
    clock_.Stop();
    view_.CountdownActive = settings_.CountDown;
    ShowElapsed(0);
    if (settings_.SoundAbbruch) {
        cues_.PlayCue("Audio-Abbruch.wav");
    }
    SetReadyStep();
    view_.EntryStep = 1;
    EntryCommand();
    view_.b5sekEnabled = false;
    view_.b_5sekEnabled = false;
    view_.bDqEnabled = false;
    view_.img_AbbruchVisible = false;
}

void TimingEngine::b5sekClick(int step) {
    if (!(step > 0 ? view_.b5sekEnabled : view_.b_5sekEnabled)) {
        return;
    }
    view_.PenaltyCount = std::max(0, view_.PenaltyCount + step);
    view_.ResumeEnabled = false;
    view_.eStarafeT = "Strafen: " + std::to_string(view_.PenaltyCount);
}

void TimingEngine::bDqClick() {
    if (!view_.bDqEnabled) {
        return;
    }
    view_.DqFlag = 1;
    view_.ResumeEnabled = false;
    ShowElapsed(0);
    view_.bDqEnabled = false;
    view_.bEintragen.Enabled = true;
    view_.ReasonsVisible = true;
    view_.eRangT = "Rang: DQ";
    view_.eRangTVisible = true;
}

void TimingEngine::bEintragenClick() {
    if (view_.bEintragen.Enabled) {
        EntryCommand();
    }
}

void TimingEngine::EntryCommand() {
    view_.ResumeEnabled = false;
    if (view_.EntryStep == 0) {
        EnterResult();
    } else {
        NextStarter();
    }
    view_.cmd_F2_SettingsEnabled = true;
    view_.EntryStep = (view_.EntryStep + 1) % 2;
}

void TimingEngine::EndClockForEntry() {
    if (!view_.CountdownActive) {
        StartCommand(time_.Now(), true);  // the run stop, so the entry gets this run's time
        return;
    }
    // A countdown ended by entering a disqualification: no run took place.
    view_.img_AbbruchVisible = false;
    StopClock(0);
    LockLightBarrier(time_.Now());
    view_.StartStep = settings_.CountDown ? 0 : 1;
}

void TimingEngine::EnterResult() {
    lastBackupError_.clear();
    if (clock_.IsActive()) {
        EndClockForEntry();
    }
    SetLook(view_.bEintragen, "NÄCHSTER", 0x000000, view_.bEintragen.TextColor, 0x000000, 0x000000,
            0x606060);
    view_.b5sekEnabled = false;
    view_.b_5sekEnabled = false;
    view_.bDqEnabled = false;

    const char separator = hooks_.DecimalSeparator;
    const std::int64_t runMs = RunTimeMs(view_.RunTicks, counterFrequency_);
    const bool dq = view_.DqFlag != 0;
    const bool markHand = runByHand_ && resolution_ == Resolution::Thousandths;
    RunCells cells;
    cells.RunTime = FormatTimeText(runMs, separator, resolution_);
    cells.Penalties = std::to_string(view_.PenaltyCount);
    cells.Dq = dq ? "DQ" : "";
    cells.Reason = dq ? reasons_.SelectedText() : markHand ? "H" : runFromBackup_ ? "B" : "";
    cells.Total = dq ? "DQ"
                     : FormatTimeText(RunTotalMs(runMs, view_.PenaltyCount, view_.PenaltySeconds),
                                      separator, resolution_);
    const EntryOutcome outcome = hooks_.EnterRun ? hooks_.EnterRun(cells) : EntryOutcome{};
    if (!outcome.Entered) {
        return;
    }
    view_.eRangT = dq ? "Rang: DQ" : "Rang: " + outcome.Place;
    view_.eRangTVisible = true;
    view_.ReasonsVisible = false;
    reasons_.HideField();
    lastBackupError_ = outcome.BackupError;
}

PendingRun TimingEngine::CurrentRun() const {
    return {view_.RunTicks,    view_.PenaltyCount,
            view_.DqFlag != 0, view_.DqFlag != 0 ? reasons_.SelectedText() : std::string(),
            runByHand_,        runFromBackup_};
}

void TimingEngine::GiveBack(const PendingRun& run) {
    if (clock_.IsActive()) {
        return;
    }
    runByHand_ = run.ByHand;
    runFromBackup_ = run.FromBackup;
    view_.CountdownActive = false;
    view_.DigitOnColour = DigitGreen;
    StopClock(run.RunTicks);
    view_.StartStep = settings_.CountDown ? 0 : 1;
    SetLook(view_.bEintragen, "EINTRAGEN", 0x000000, 0xFFFFFF, 0xFF8000, 0x000000, 0x00FFFF);
    view_.bEintragen.Enabled = true;
    view_.b5sekEnabled = true;
    view_.b_5sekEnabled = true;
    view_.bDqEnabled = !run.Dq;
    view_.img_AbbruchVisible = false;
    view_.EntryStep = 0;
    view_.ResumeEnabled = false;
    view_.cmd_F2_SettingsEnabled = false;
    view_.PenaltyCount = run.Penalties;
    view_.eStarafeT = "Strafen: " + std::to_string(run.Penalties);
    view_.DqFlag = run.Dq ? 1 : 0;
    view_.eRangT = run.Dq ? "Rang: DQ" : "Rang:";
    view_.eRangTVisible = run.Dq;
    view_.ReasonsVisible = run.Dq;
    const auto& lines = reasons_.Lines();
    const auto reason = std::find(lines.begin(), lines.end(), run.Reason);
    if (run.Dq && reason != lines.end()) {
        reasons_.Click(static_cast<int>(reason - lines.begin()));
    }
}

void TimingEngine::ClearBoard() {
    if (clock_.IsActive()) {
        return;
    }
    SetReadyStep();
    SetLook(view_.bEintragen, "EINTRAGEN", 0x000000, 0xFFFFFF, 0xFF8000, 0x000000, 0x00FFFF);
    view_.bEintragen.Enabled = false;
    view_.bSTART.Enabled = true;
    view_.bSTART.Color = settings_.CountDown ? TimerYellow : StartGreen;
    view_.b5sekEnabled = false;
    view_.b_5sekEnabled = false;
    view_.bDqEnabled = false;
    view_.img_AbbruchVisible = false;
    view_.EntryStep = 0;
    view_.ResumeEnabled = false;
    view_.cmd_F2_SettingsEnabled = true;
    view_.CountdownActive = settings_.CountDown;
    view_.DigitOnColour = settings_.CountDown ? DigitYellow : DigitGreen;
    view_.RunTicks = 0;
    ShowElapsed(0);
    view_.PenaltyCount = 0;
    view_.DqFlag = 0;
    ResetRunLabels();
}

void TimingEngine::NextStarter() {
    if (hooks_.SelectNextStarter) {
        hooks_.SelectNextStarter();
    }
    SetLook(view_.bEintragen, "EINTRAGEN", 0x000000, 0xFFFFFF, 0xFF8000, 0x000000, 0x00FFFF);
    view_.bEintragen.Enabled = false;
    view_.bSTART.Enabled = true;
    view_.bSTART.Color = settings_.CountDown ? TimerYellow : StartGreen;
    view_.CountdownActive = settings_.CountDown;
    ShowElapsed(0);
    // The next starter starts clean: an entry made before the next run start (a disqualification
    // during the countdown) writes what the board shows, never the previous starter's penalties.
    view_.PenaltyCount = 0;
    view_.DqFlag = 0;
    ResetRunLabels();
}

void TimingEngine::ResetRunLabels() {
    view_.eStarafeT = "Strafen: 0";
    view_.ReasonsVisible = false;
    reasons_.HideField();
    view_.eRangTVisible = false;
}
