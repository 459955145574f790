// The timing part of the competition: the light barrier's edges, the run clock's commands, the
// entry of a run into the table, the settings and the reasons list.
#include <algorithm>

#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "files/TextLines.h"
#include "results/Draw.h"
#include "results/ResultRules.h"
#include "timing/ImpulseLine.h"
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

// What an edge or impulse did, as the beam log says it.
std::string ActionText(EdgeAction action) {
    switch (action) {
        case EdgeAction::CountdownStarted:
            return "Countdown gestartet";
        case EdgeAction::Started:
            return "Start";
        case EdgeAction::Stopped:
            return "Stopp";
        case EdgeAction::Bounce:
            return "ignoriert: Prellen";
        case EdgeAction::RestingLevel:
            return "Ruhepegel";
        case EdgeAction::Locked:
            return "ignoriert: gesperrt";
        case EdgeAction::NotArmed:
            return "ignoriert: nicht scharf";
        case EdgeAction::StartDisabled:
            return "ignoriert: Lauf wartet auf Eintrag";
        case EdgeAction::OtherChannel:
            return "ignoriert: Kanal passt nicht zum Lauf";
    }
    return {};
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
            if (engine_->View().StartStep == 1) {
                StartReadings();  // a run started by hand: no reading of a source yet
            }
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
            // The false stop is forgotten by both sources: the run waits for its real finish.
            readings_.Primary.Stop.reset();
            readings_.Backup.Stop.reset();
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
            AskRunTime();
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
    if (BarrierRole() == SourceRole::Backup) {
        BackupBarrierEdge(line_, barrierBackupStatus_, event, "Lichtschranke");
        return;
    }
    const EdgeAction action = engine_->ComPortLS(event.ModemStatus, event.Timestamp);
    if (action != EdgeAction::Bounce && action != EdgeAction::RestingLevel) {
        PrimaryCrossing(event.Timestamp, event.Timestamp, action, "Lichtschranke",
                        std::to_string(event.Timestamp));
    }
    std::string text = ActionText(action);
    if (event.Count > 1) {
        // A chattering line: the changes that came while the window was busy, in one line.
        text += " (" + std::to_string(event.Count) + " Flanken)";
    }
    LogBeam(event.Timestamp, (event.ModemStatus & ModemCtsOn) != 0 ? "CTS an" : "CTS aus", text);
    Notify(Change::All);
}

Competition::SourceRole Competition::BarrierRole() const {
    return settings_.TimerPrimary && timer_.Configured() ? SourceRole::Backup : SourceRole::Primary;
}

Competition::SourceRole Competition::BackupBarrierRole() const {
    return BarrierRole() == SourceRole::Primary && backupLine_.Port().Configured()
               ? SourceRole::Backup
               : SourceRole::None;
}

Competition::SourceRole Competition::TimerRole() const {
    if (!timer_.Configured()) {
        return SourceRole::None;
    }
    if (settings_.TimerPrimary) {
        return SourceRole::Primary;
    }
    // A second light barrier backs the first up; a timer set beside it waits unused.
    return BackupBarrierRole() == SourceRole::Backup ? SourceRole::None : SourceRole::Backup;
}

std::string Competition::BackupName() const {
    if (BackupBarrierRole() == SourceRole::Backup) {
        return "zweite Lichtschranke";
    }
    if (TimerRole() == SourceRole::Backup) {
        return "Zeitmesser";
    }
    return BarrierRole() == SourceRole::Backup && line_.Port().Configured() ? "Lichtschranke"
                                                                            : std::string();
}

std::string Competition::PrimaryName() const {
    return TimerRole() == SourceRole::Primary ? "Zeitmesser" : "Lichtschranke";
}

void Competition::OpenSources() {
    backupLine_.Open(env_.SimulatedBackup);
    timer_.Configure(settings_.TimerPort, settings_.TimerBaud, settings_.TimerFormat);
}

void Competition::BackupBarrierEdge(BarrierLine& line, std::uint32_t& last, const ComEvent& event,
                                    const std::string& name) {
    const std::string state =
        name + ((event.ModemStatus & ModemCtsOn) != 0 ? ": CTS an" : ": CTS aus");
    const LineChange change = ClassifyLineChange(last, event.ModemStatus, settings_.Alg);
    if (&line == &backupLine_ && BackupBarrierRole() != SourceRole::Backup) {
        LogBeam(event.Timestamp, state, "nicht verwendet: der Zeitmesser zeitet");
    } else if (change == LineChange::Trigger) {
        BackupCrossing({event.Timestamp, event.Timestamp, ImpulseKind::Any}, state);
    } else {
        LogBeam(event.Timestamp, state,
                change == LineChange::Bounce ? "ignoriert: Prellen" : "Ruhepegel");
    }
    Notify(Change::All);
}

void Competition::TimerImpulseCame(std::int64_t local, const TimerImpulse& impulse) {
    const std::string state = "Zeitmesser c" + std::to_string(impulse.Channel) + " " +
                              TimeOfDayText(impulse.TimeOfDay) + " (Impuls " +
                              std::to_string(impulse.Number) + ")";
    const SourceRole role = TimerRole();
    const bool timed = impulse.Channel == StartChannel || impulse.Channel == FinishChannel;
    if (role == SourceRole::None || !timed) {
        LogBeam(local, state, role == SourceRole::None ? "nicht verwendet" : "anderer Kanal");
        Notify(Change::All);
        return;
    }
    const ImpulseKind kind =
        impulse.Channel == StartChannel ? ImpulseKind::Start : ImpulseKind::Finish;
    const std::int64_t own = TimerTicksToCounter(impulse.TimeOfDay, env_.Time.CounterFrequency());
    if (role == SourceRole::Backup) {
        BackupCrossing({local, own, kind}, state);
    } else {
        const EdgeAction action = engine_->Impulse(local, kind, false);
        PrimaryCrossing(local, own, action, "Zeitmesser", TimeOfDayText(impulse.TimeOfDay));
        LogBeam(local, state, ActionText(action));
    }
    Notify(Change::All);
}

void Competition::PrimaryCrossing(std::int64_t local, std::int64_t own, EdgeAction action,
                                  const std::string& name, const std::string& stamp) {
    Crossing did = Crossing::None;
    if (action == EdgeAction::Started) {
        did = Crossing::Start;
        StartReadings();
        readings_.Primary.Start = own;
        runStamps_ = name + " Start " + stamp;
    } else if (action == EdgeAction::Stopped) {
        did = Crossing::Stop;
        readings_.Primary.Stop = own;
        runStamps_ += (runStamps_.empty() ? name + " Stopp " : ", Stopp ") + stamp;
    }
    for (const BackupEdge& edge : pairs_.Primary(local, did)) {
        AttachBackup(edge, did);
    }
    if (did == Crossing::Stop) {
        ApplyReadings();
    }
}

void Competition::BackupCrossing(const BackupEdge& edge, const std::string& lineState) {
    if (const std::optional<Crossing> paired = pairs_.Backup(edge)) {
        AttachBackup(edge, *paired);
        LogBeam(edge.Local, lineState, "zweite Messung desselben Durchgangs");
        return;
    }
    // Whether the primary saw this crossing is known half a second later.
    const std::int64_t due = pairs_.NextDue().value_or(edge.Local);
    const std::int64_t left = TicksToMs(due - env_.Time.Now(), env_.Time.CounterFrequency());
    backupDue_->Start(static_cast<int>(std::clamp<std::int64_t>(left + 1, 1, 1000)));
    LogBeam(edge.Local, lineState, "wartet 0,5 s auf " + PrimaryName());
}

void Competition::BackupWaitedOut() {
    backupDue_->Stop();
    const std::string primary = PrimaryName();
    for (const BackupEdge& edge : pairs_.Unpaired(env_.Time.Now())) {
        // The primary missed this crossing: the backup's edge stands in for it.
        const EdgeAction action = engine_->Impulse(edge.Local, edge.Kind, true);
        if (action == EdgeAction::Started) {
            StartReadings();
            readings_.Backup.Start = edge.Own;
            runStamps_ = primary + " Start fehlt";
        } else if (action == EdgeAction::Stopped) {
            readings_.Backup.Stop = edge.Own;
            runStamps_ += (runStamps_.empty() ? primary + " Stopp " : ", Stopp ") + "fehlt";
            ApplyReadings();
        }
        LogBeam(edge.Local, BackupName() + " allein (" + primary + " sah nichts)",
                ActionText(action));
    }
    if (const std::optional<std::int64_t> due = pairs_.NextDue()) {
        const std::int64_t left = TicksToMs(*due - env_.Time.Now(), env_.Time.CounterFrequency());
        backupDue_->Start(static_cast<int>(std::clamp<std::int64_t>(left + 1, 1, 1000)));
    }
    Notify(Change::All);
}

void Competition::AttachBackup(const BackupEdge& edge, Crossing did) {
    if (did == Crossing::Start) {
        readings_.Backup.Start = edge.Own;
    } else if (did == Crossing::Stop) {
        readings_.Backup.Stop = edge.Own;
        ApplyReadings();
    }
}

void Competition::StartReadings() {
    // A timer's clock begins again at midnight; a barrier's stamps never do.
    const std::int64_t day = TimerTicksToCounter(TimerDay, env_.Time.CounterFrequency());
    readings_ = {};
    readings_.Primary.Period = TimerRole() == SourceRole::Primary ? day : 0;
    readings_.Backup.Period = TimerRole() == SourceRole::Backup ? day : 0;
    takenReading_.clear();
}

void Competition::ApplyReadings() {
    if (clock_->IsActive()) {
        return;
    }
    const std::int64_t tolerance =
        std::int64_t{settings_.BackupTolerance} * env_.Time.CounterFrequency() / 1000;
    switch (ChooseRunTime(readings_, tolerance)) {
        case RunChoice::Primary:
        case RunChoice::Ask:
            // Official until the operator says otherwise at the entry.
            engine_->TakeRunTime(*readings_.Primary.RunTicks(), false);
            break;
        case RunChoice::Backup:
            engine_->TakeRunTime(*readings_.Backup.RunTicks(), true);
            break;
        case RunChoice::Neither:
            break;
    }
}

void Competition::AskRunTime() {
    const TimingView& view = engine_->View();
    const std::int64_t tolerance =
        std::int64_t{settings_.BackupTolerance} * env_.Time.CounterFrequency() / 1000;
    if (view.EntryStep != 0 || view.DqFlag != 0 || clock_->IsActive() ||
        ChooseRunTime(readings_, tolerance) != RunChoice::Ask) {
        return;
    }
    const std::int64_t frequency = env_.Time.CounterFrequency();
    const auto text = [&](std::int64_t ticks) {
        return FormatRunTime(ticks, frequency, env_.DecimalSeparator, Resolution::Thousandths) +
               " s";
    };
    const std::int64_t primary = *readings_.Primary.RunTicks();
    const std::int64_t backup = *readings_.Backup.RunTicks();
    const std::string primaryName = PrimaryName();
    const bool takeBackup = env_.Operator.Ask(
        "Die beiden Zeitmessungen weichen um " + text(std::llabs(primary - backup)) +
        " voneinander ab (mehr als " + std::to_string(settings_.BackupTolerance) +
        " ms).\nJa: " + BackupName() + " " + text(backup) + " nehmen\nNein: " + primaryName + " " +
        text(primary) + " nehmen");
    engine_->TakeRunTime(takeBackup ? backup : primary, takeBackup);
    takenReading_ = "genommen: " + (takeBackup ? BackupName() : primaryName);
}

std::string Competition::ReadingsText() const {
    const std::string name = BackupName();
    if (name.empty()) {
        return {};
    }
    const auto stamp =
        TimerRole() == SourceRole::Backup
            ? +[](std::int64_t own,
                  std::int64_t
                      frequency) { return TimeOfDayText(own * TimerTicksPerSecond / frequency); }
            : +[](std::int64_t own, std::int64_t) { return std::to_string(own); };
    return "; " +
           BackupReadingText(readings_, name, stamp, env_.Time.CounterFrequency(),
                             env_.DecimalSeparator) +
           (takenReading_.empty() ? "" : "; " + takenReading_);
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
    const std::string stamps = runStamps_ + ReadingsText();
    entered.stamps = stamps;
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
        stamps);
    // The announcer's last run and the board's place: found again by the start position, which
    // the view's order does not change.
    lastEntryPosition_ = journal_.Table().Cell(ColStartPos, target.Row);
    entered.position = lastEntryPosition_;
    entered.step = journal_.TopStep();
    entered.classIndex = ClassIndex();
    lastEntered_ = std::move(entered);
    Arrange();
    runStamps_.clear();
    readings_ = {};
    takenReading_.clear();
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
    // The backup line is tested beside it: both are aligned before a show.
    if ((backupLine_.Test() != nullptr) == wasOn && (wasOn || backupLine_.Port().Connected())) {
        backupLine_.ToggleTest(settings_.Alg, settings_.TimeLock);
    }
    if (wasOn) {
        // The level the test saw last is the resting level the next run starts from.
        engine_->SetLastModemStatus(line_.Port().LineStatus());
        barrierBackupStatus_ = line_.Port().LineStatus();
        backupStatus_ = backupLine_.Port().LineStatus();
    }
    pairs_.Clear();
}

void Competition::EditSettings() {
    TComPort& port = line_.Port();
    const PortChoice ports(line_.Ports(), port.Port, port.PortName);
    const PortLamp lamp = port.Connected()    ? PortLamp::Open
                          : port.Configured() ? PortLamp::Closed
                                              : PortLamp::Neutral;
    CfgValues values =
        FromSettings(settings_, env_.Desktop.Screens(), ports.Entries(), ports.Shown());
    // The second timing source: its ports with their state, and the formats a timer may send.
    const PortChoice backupPorts = DeviceChoice(line_.Ports(), settings_.BackupPort);
    const PortChoice timerPorts = DeviceChoice(line_.Ports(), settings_.TimerPort);
    values.BackupPortEntries = backupPorts.Entries();
    values.BackupPortIndex = backupPorts.Shown();
    values.BackupLamp = backupLine_.Port().Connected()    ? PortLamp::Open
                        : backupLine_.Port().Configured() ? PortLamp::Closed
                                                          : PortLamp::Neutral;
    values.BackupLampReason = backupLine_.PortError();
    values.TimerPortEntries = timerPorts.Entries();
    values.TimerPortIndex = timerPorts.Shown();
    values.TimerLamp = timer_.Connected()    ? PortLamp::Open
                       : timer_.Configured() ? PortLamp::Closed
                                             : PortLamp::Neutral;
    values.TimerLampReason = timer_.PortError();
    for (const TimerLineFormat& format : TimerLineFormats) {
        values.TimerFormats.emplace_back(format.Name);
    }
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
    const PortChange backupChange = backupPorts.Confirm(confirmed->BackupPortIndex);
    if (backupChange.Do != PortChange::Action::None) {
        settings_.BackupPort = ChangedDevice(backupChange);
        backupLine_.Port().PortName = settings_.BackupPort;
        if (backupChange.Do == PortChange::Action::Close) {
            backupLine_.ClosePort();
        } else {
            backupLine_.OpenPort();
        }
    }
    const PortChange timerChange = timerPorts.Confirm(confirmed->TimerPortIndex);
    if (timerChange.Do != PortChange::Action::None) {
        settings_.TimerPort = ChangedDevice(timerChange);
    }
    if (settings_.TimerPort != before.TimerPort || settings_.TimerBaud != before.TimerBaud ||
        settings_.TimerFormat != before.TimerFormat) {
        timer_.Configure(settings_.TimerPort, settings_.TimerBaud, settings_.TimerFormat);
    }
    pairs_.Clear();
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

AnnouncerSnapshot Competition::Announcer() const {
    const TimingView& view = engine_->View();
    const Standing& standing = CurrentStanding();
    AnnouncerState state;
    state.className = CurrentClassName();
    state.race = std::string(startList_.RaceText());
    state.onCourse = {startList_.StNrText(), startList_.Reiterin(), startList_.Pferd(),
                      startList_.TeamTicked() ? startList_.Team() : std::string()};
    const std::int64_t frequency = env_.Time.CounterFrequency();
    if (clock_->IsActive()) {
        state.clock = view.CountdownActive ? AnnouncerClock::Countdown : AnnouncerClock::Running;
        state.startMs = TicksToMs(view.RunStartTicks, frequency);
    } else if ((view.EntryStep == 0 && view.bEintragen.Enabled) || view.EntryStep == 1) {
        // Stopped, before and after its entry until the next starter: the time the program
        // measured.
        state.clock = AnnouncerClock::Stopped;
        state.stoppedTime = FormatRunTime(view.RunTicks, frequency, standing.DecimalSeparator,
                                          standing.TimeResolution);
    }
    const std::string number = state.onCourse.startNumber;
    AnnouncerSnapshot snapshot = MakeAnnouncerSnapshot(standing, std::move(state));
    snapshot.average = AverageOnCourse(number);
    return snapshot;
}
