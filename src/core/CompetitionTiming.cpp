// The timing part of the competition: the light barrier's edges, the run clock's commands, the
// entry of a run into the table, the settings and the reasons list.
#include <algorithm>

#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "files/TextLines.h"
#include "results/Draw.h"
#include "results/ResultRules.h"
#include "timing/TickMath.h"

TimingSettings Competition::TimingSettingsOf(const Settings& settings) {
    TimingSettings timing;
    timing.CountDown = settings.CountDown;
    timing.CountDownSek = settings.CountDownSek;
    timing.TimeWarnung = settings.TimeWarnung;
    timing.TimeLock = settings.TimeLock;
    timing.Abbruch = settings.Abbruch;
    timing.SoundCountDown = settings.SoundCountDown;
    timing.SoundWarnung = settings.SoundWarnung;
    timing.SoundAbbruch = settings.SoundAbbruch;
    timing.Alg = settings.Alg;
    return timing;
}

namespace {

bool HasResult(const ResultTable& table, int row) {
    return !TrimText(table.Cell(ColTotal, row)).empty();
}

}  // namespace

void Competition::RegisterTimingCommands() {
    // The light-barrier test times and enters nothing.
    const auto timing = [this](bool enabled) { return enabled && !line_.Test(); };
    // A class that takes its runs from another one has none of its own to time.
    const auto ownRun = [this, timing](bool enabled) { return timing(enabled) && OwnRuns(); };
    const TimingView& view = engine_->View();
    Serve(
        Command::Start, [ownRun, &view] { return ownRun(view.bSTART.Enabled); },
        [this] {
            if (dragPending_) {
                // The ground is ready: the next start arms the light barrier again.
                dragPending_ = false;
                if (engine_->View().LightBarrierArmed == 0) {
                    engine_->ImageLSClick();
                }
            }
            engine_->mStartClick();
        });
    Serve(
        Command::Resume, [timing, &view] { return timing(view.ResumeEnabled); },
        [this] {
            engine_->ResumeRun();
            LogBeam(env_.Time.Now(), "-", "Weiterlaufen: letzter Stopp aufgehoben");
        });
    Serve(
        Command::PenaltyPlus, [timing, &view] { return timing(view.b5sekEnabled); },
        [this] { engine_->b5sekClick(+1); });
    Serve(
        Command::PenaltyMinus, [timing, &view] { return timing(view.b_5sekEnabled); },
        [this] { engine_->b5sekClick(-1); });
    Serve(
        Command::Abort, [timing, &view] { return timing(view.img_AbbruchVisible); },
        [this] {
            // The rider who did not come is passed over: the next one is called, and "next"
            // goes on after them; they can still be chosen when they come late.
            const int starter = startList_.StNrIndex();
            if (starter >= 0) {
                inOrderLine_ = std::max(inOrderLine_, starter);
            }
            LogBeam(env_.Time.Now(), "-", "Abbruch");
            engine_->mAbbruchClick();
        });
    Serve(
        Command::Dq, [timing, &view] { return timing(view.bDqEnabled); },
        [this] { engine_->bDqClick(); });
    Serve(
        Command::Entry, [ownRun, &view] { return ownRun(view.bEintragen.Enabled); },
        [this] {
            if (!ConfirmEntry()) {
                return;
            }
            const bool entering = engine_->View().EntryStep == 0;
            const int starter = startList_.StNrIndex();
            engine_->bEintragenClick();
            overwriting_ = false;
            if (entering && starter >= 0) {
                // A late rider ran out of order: the order goes on after the last one in it.
                inOrderLine_ = std::max(inOrderLine_, starter);
            }
        });
    Serve(
        Command::LockLightBarrier, [] { return true; },
        [this] {
            engine_->ImageLSClick();
            dragPending_ = dragPending_ && engine_->View().LightBarrierArmed == 0;
        });
    // No settings while a countdown or run is on the clock: a port changed now would lose the
    // stop crossing. These work even while their buttons are disabled.
    const auto clockIdle = [this] { return !clock_->IsActive(); };
    Serve(Command::Settings, clockIdle, [this] { EditSettings(); });
    Serve(Command::BarrierTest, clockIdle, [this] { ToggleBarrierTest(); });
}

void Competition::LightBarrierEdge(const ComEvent& event) {
    const EdgeAction action = engine_->ComPortLS(event.ModemStatus, event.Timestamp);
    std::string text;
    switch (action) {
        case EdgeAction::CountdownStarted:
            text = "Countdown gestartet";
            break;
        case EdgeAction::Started:
            text = "Start";
            runStamps_ = "Lichtschranke Start " + std::to_string(event.Timestamp);
            break;
        case EdgeAction::Stopped:
            text = "Stopp";
            runStamps_ += (runStamps_.empty() ? "Lichtschranke Stopp " : ", Stopp ") +
                          std::to_string(event.Timestamp);
            break;
        case EdgeAction::Bounce:
            text = "ignoriert: Prellen";
            break;
        case EdgeAction::RestingLevel:
            text = "Ruhepegel";
            break;
        case EdgeAction::Locked:
            text = "ignoriert: gesperrt";
            break;
        case EdgeAction::NotArmed:
            text = "ignoriert: nicht scharf";
            break;
        case EdgeAction::StartDisabled:
            text = "ignoriert: Lauf wartet auf Eintrag";
            break;
    }
    if (event.Count > 1) {
        // A chattering line: the changes that came while the window was busy, in one line.
        text += " (" + std::to_string(event.Count) + " Flanken)";
    }
    LogBeam(event.Timestamp, (event.ModemStatus & ModemCtsOn) != 0 ? "CTS an" : "CTS aus", text);
    Notify(Change::All);
}

void Competition::LogBeam(std::int64_t stamp, const std::string& lineState,
                          const std::string& action) {
    line_.LogBeam(stamp, lineState, action, startList_.StNrText());
}

EntryOutcome Competition::EnterRun(const RunCells& cells) {
    const EntryTarget target = startList_.EntryRow();
    if (target.Row < 0) {
        return {};
    }
    // The beam's record of this run is on the disk before the change log, the class file and
    // the backup are.
    line_.SyncLog();
    EnteredRun entered;
    entered.run = engine_->CurrentRun();
    entered.stamps = runStamps_;
    entered.lastPositionBefore = lastEntryPosition_;
    entered.inOrderLineBefore = inOrderLine_;
    entered.dragPendingBefore = dragPending_;
    // A result replaced after the question is its own kind of change, for an appeal.
    journal_.Apply(
        overwriting_ ? "Überschrieben nach Rückfrage" : "Eintrag",
        [&](ResultTable& table) {
            if (target.Row == table.RowCount()) {
                table.SetRowCount(target.Row + 1);
                table.SetRow(target.Row, target.NewRow);
            }
            if (!target.Position.empty()) {
                table.SetCell(ColStartPos, target.Row, target.Position);
            }
            table.SetCell(ColLaufzeit, target.Row, cells.RunTime);
            table.SetCell(ColStrafen, target.Row, cells.Penalties);
            table.SetCell(ColDq, target.Row, cells.Dq);
            table.SetCell(ColGrund, target.Row, cells.Reason);
            table.SetCell(ColTotal, target.Row, cells.Total);
        },
        runStamps_);
    // The announcer's last run and the board's place: found again by the start position, which
    // the view's order does not change.
    lastEntryPosition_ = journal_.Table().Cell(ColStartPos, target.Row);
    entered.position = lastEntryPosition_;
    entered.step = journal_.TopStep();
    entered.classIndex = ClassIndex();
    lastEntered_ = std::move(entered);
    Arrange();
    runStamps_.clear();
    overwriting_ = false;
    LockForDrag();
    EntryOutcome outcome;
    outcome.Entered = true;
    const Standing& standing = CurrentStanding();
    const int row = journal_.Table().FindStartPosition(lastEntryPosition_);
    const StandingRow& placed = standing.At(row);
    outcome.Place = placed.Place > 0 ? std::to_string(placed.Place) : std::string();
    if (const std::string division = standing.DivisionText(row); !division.empty()) {
        outcome.Place += " · " + division;
    }
    outcome.BackupError = SaveBackup();
    return outcome;
}

bool Competition::RunPending() const {
    const TimingView& view = engine_->View();
    return clock_->IsActive() || (view.bEintragen.Enabled && view.EntryStep == 0);
}

bool Competition::ConfirmEntry() {
    const int row = startList_.StarterRow();
    const ResultTable& table = journal_.Table();
    if (engine_->View().EntryStep != 0 || row < 0 || !HasResult(table, row)) {
        return true;
    }
    // "Nein" keeps the old result and the new run on the board: the operator picks the starter
    // who really ran and enters again.
    overwriting_ =
        env_.Operator.Ask("Nr. " + table.Cell(ColNr, row) + " hat bereits ein Ergebnis (" +
                          std::string(TrimText(table.Cell(ColTotal, row))) + "). Überschreiben?");
    return overwriting_;
}

void Competition::SelectNextAfterEntry() {
    startList_.GoToPosition(FirstWithoutResult(inOrderLine_ + 1));
}

int Competition::FirstWithoutResult(int from) const {
    const ResultTable& table = journal_.Table();
    const int count = static_cast<int>(startList_.StNrItems().size());
    for (int index = std::max(from, 0); index < count; ++index) {
        const int row = table.FindStartPosition(std::to_string(index + 1));
        if (row < 0 || (!HasResult(table, row) && !RowScratched(table, row))) {
            return index;
        }
    }
    return count;
}

void Competition::LockForDrag() {
    const ResultTable& table = journal_.Table();
    int row = startList_.StarterRow();
    // A drag point at a scratched starter comes after the run before them.
    while (row > 0 && !DragAfterRow(row)) {
        const int position = std::atoi(table.Cell(ColStartPos, row).c_str());
        row = table.FindStartPosition(std::to_string(position + 1));
        row = row > 0 && RowScratched(table, row) ? row : -1;
    }
    if (row < 0) {
        return;
    }
    // A tractor in the beam must never start a run: locked until F11 or the next start.
    dragPending_ = true;
    startLock_->Stop();
    if (engine_->View().LightBarrierArmed != 0) {
        engine_->ImageLSClick();
    }
}

void Competition::ToggleBarrierTest() {
    const bool wasOn = line_.Test() != nullptr;
    line_.ToggleTest(settings_.Alg, settings_.TimeLock);
    if (wasOn) {
        // The level the test saw last is the resting level the next run starts from.
        engine_->SetLastModemStatus(line_.Port().LineStatus());
    }
}

void Competition::EditSettings() {
    TComPort& port = line_.Port();
    const PortChoice ports(line_.Ports(), port.Port, port.PortName);
    const PortLamp lamp = port.Connected()    ? PortLamp::Open
                          : port.Configured() ? PortLamp::Closed
                                              : PortLamp::Neutral;
    CfgValues values =
        FromSettings(settings_, env_.Desktop.Screens(), ports.Entries(), ports.Shown());
    // The scoreboard's port, its state and its line formats.
    const PortChoice boardPorts(line_.Ports(), settings_.BoardPort, settings_.BoardPortName);
    values.BoardPortEntries = boardPorts.Entries();
    values.BoardPortIndex = boardPorts.Shown();
    scoreboard_.Describe(values);
    const auto confirmed = env_.Operator.EditSettings(
        values, lamp, lamp == PortLamp::Closed ? line_.PortError() : line_.Latency().Detail);
    if (!confirmed) {
        return;
    }
    const Settings before = settings_;
    ApplyToSettings(*confirmed, settings_);
    engine_->ApplySettings(TimingSettingsOf(settings_));
    // The configured port stays unless the operator picked another entry.
    const PortChange change = ports.Confirm(confirmed->PortIndex);
    port.Port = change.Port;
    port.PortName = change.PortName;
    if (change.Do == PortChange::Action::Close) {
        line_.ClosePort();
    } else if (change.Do == PortChange::Action::Open) {
        line_.OpenPort();
    }
    const PortChange boardChange = boardPorts.Confirm(confirmed->BoardPortIndex);
    settings_.BoardPort = boardChange.Port;
    settings_.BoardPortName = boardChange.PortName;
    scoreboard_.Apply(settings_, env_.SimulatedBoard);
    if (settings_.LiveResults != before.LiveResults || settings_.LivePort != before.LivePort ||
        settings_.LiveAddress != before.LiveAddress) {
        publication_.ApplyLiveSettings(settings_);
    }
    if (settings_.Mqtt != before.Mqtt || settings_.MqttHost != before.MqttHost ||
        settings_.MqttPort != before.MqttPort || settings_.MqttTls != before.MqttTls ||
        settings_.MqttCaFile != before.MqttCaFile || settings_.MqttUser != before.MqttUser ||
        settings_.MqttPassword != before.MqttPassword ||
        settings_.MqttPrefix != before.MqttPrefix || settings_.Arena != before.Arena) {
        publication_.ApplyBrokerSettings(
            settings_, [this] { return MakePublishedSnapshot(); }, CurrentShowHead().Name);
    }
    // Kept at once: a crash later in the event must not cost the new settings.
    SaveSettings();
    if (confirmed->StartBarrierTest && !line_.Test()) {
        ToggleBarrierTest();
    }
}

void Competition::SaveSettings() {
    settings_.Port = line_.Port().Port;
    settings_.PortName = line_.Port().PortName;
    const std::vector<std::string> failed = WriteSettings(env_.SettingsStore, settings_);
    if (!failed.empty()) {
        env_.Operator.ShowError(WriteFailureText(failed.front()));
    }
}

void Competition::ChooseReason(int index) {
    engine_->ListBoxGrundClick(index);
    Notify(Change::All);
}

void Competition::EnterReason(const std::string& text) {
    engine_->eGrundUserEnter(text);
    // Written when typed: a crash later in the event must not cost the reason.
    WriteReasonsBack();
    Notify(Change::All);
}

void Competition::LeaveReasonField() {
    engine_->eGrundUserExit();
    Notify(Change::All);
}

void Competition::WriteReasonsBack() {
    const DqReasons& reasons = engine_->Reasons();
    if (reasons.ReasonsAdded() > reasonsWritten_ &&
        WriteTextLines(reasonsFileName_, reasons.Lines()).Ok()) {
        reasonsWritten_ = reasons.ReasonsAdded();
    }
}

AnnouncerClock Competition::ClockState() const {
    const TimingView& view = engine_->View();
    if (clock_->IsActive()) {
        return view.CountdownActive ? AnnouncerClock::Countdown : AnnouncerClock::Running;
    }
    // Stopped, before and after its entry until the next starter.
    const bool stopped = (view.EntryStep == 0 && view.bEintragen.Enabled) || view.EntryStep == 1;
    return stopped ? AnnouncerClock::Stopped : AnnouncerClock::Idle;
}

void Competition::ShowOnScoreboard() {
    if (!scoreboard_.On()) {
        return;
    }
    const AnnouncerClock clock = ClockState();
    // The standing is needed only for a run's place; the clock's ticks go without it.
    static const Standing none;
    const Standing& standing = clock == AnnouncerClock::Stopped ? CurrentStanding() : none;
    scoreboard_.Show(MakeScoreboardFrame(clock, engine_->View(), startList_.StNrText(), standing));
}

AnnouncerSnapshot Competition::Announcer() const {
    const TimingView& view = engine_->View();
    const Standing& standing = CurrentStanding();
    AnnouncerState state;
    state.className = CurrentClassName();
    state.race = std::string(startList_.RaceText());
    state.onCourse = {startList_.StNrText(), startList_.Reiterin(), startList_.Pferd(),
                      startList_.TeamTicked() ? startList_.Team() : std::string()};
    const std::int64_t frequency = env_.Time.CounterFrequency();
    state.clock = ClockState();
    if (state.clock == AnnouncerClock::Countdown || state.clock == AnnouncerClock::Running) {
        state.startMs = TicksToMs(view.RunStartTicks, frequency);
    } else if (state.clock == AnnouncerClock::Stopped) {
        // The time the program measured.
        state.stoppedTime = FormatRunTime(view.RunTicks, frequency, standing.DecimalSeparator,
                                          standing.TimeResolution);
    }
    const std::string number = state.onCourse.startNumber;
    AnnouncerSnapshot snapshot = MakeAnnouncerSnapshot(standing, std::move(state));
    snapshot.average = AverageOnCourse(number);
    return snapshot;
}
