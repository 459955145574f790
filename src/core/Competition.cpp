#include "core/Competition.h"

#include <algorithm>
#include <filesystem>

#include "config/SettingsStore.h"
#include "files/BeamLog.h"
#include "files/ChangeLog.h"
#include "files/ClassRulesReader.h"
#include "files/HtmlReport.h"
#include "files/Loading.h"
#include "files/ShippedFiles.h"
#include "files/TextLines.h"
#include "results/Draw.h"
#include "results/ResultRules.h"
#include "timing/TickMath.h"

namespace {

constexpr const char* ReasonsFileTitle = "Disqualifikation.txt";

bool IsShowFileName(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return AsciiLower(extension) == ".json";
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The key a command is reached by as a German keyboard names it, for the note that it is
// locked now: "Strg+Bild ab (Nächste Klasse)".
std::string KeyText(Command command, int penaltySeconds) {
    for (const KeyCommand& key : KeyCommands) {
        if (key.Id != command) {
            continue;
        }
        std::string text(key.Key);
        for (const auto& [from, to] :
             {std::pair<std::string_view, std::string_view>{"Ctrl+", "Strg+"},
              {"Shift+", "Umschalt+"},
              {"PgDown", "Bild ab"},
              {"PgUp", "Bild auf"}}) {
            if (const std::size_t at = text.find(from); at != std::string::npos) {
                text.replace(at, from.size(), to);
            }
        }
        std::string caption(key.Caption);
        if (command == Command::PenaltyPlus || command == Command::PenaltyMinus) {
            caption = (command == Command::PenaltyPlus ? "+" : "-") +
                      std::to_string(penaltySeconds) + " s.";
        }
        return text + " (" + caption + ")";
    }
    return {};
}

}  // namespace

Competition::Competition(CompetitionEnvironment environment)
    : env_(std::move(environment)),
      settings_(ReadSettings(env_.SettingsStore)),
      journal_(env_.FileWrite,
               [this](const ResultTable& table) {
                   return PlaceColumn(MakeStanding(table, classRules_, {}));
               }),
      ranking_(env_.DecimalSeparator),
      startList_(journal_.View(), measure_, env_.DecimalSeparator),
      clock_(env_.Timers.MakeTimer([this] {
          engine_->ClockTimer();
          Notify(Change::Clock);
      })),
      startLock_(env_.Timers.MakeTimer([this] {
          engine_->TimerStartLockTimer();
          Notify(Change::All);
      })),
      reconnectTimer_(env_.Timers.MakeTimer([this] {
          line_.Poll();
          backupLine_.Poll();
          timer_.Poll();
          if (publication_.Poll()) {
              Notify(Change::All);
          }
      })),
      backupDue_(env_.Timers.MakeTimer([this] { BackupWaitedOut(); })),
      backup_(env_.DataFolder, env_.Operator),
      line_(env_.Serial, env_.Post, env_.Cues, env_.Time, env_.Operator, env_.DataFolder,
            env_.RequestRealtime),
      backupLine_(env_.Serial, env_.Post, env_.Cues, env_.Time, env_.Operator, env_.DataFolder,
                  env_.RequestRealtime, "Zweite Lichtschranke"),
      timer_(env_.Serial, env_.Post, env_.Operator),
      pairs_(env_.Time.CounterFrequency() / 2),
      publication_(env_.Live, env_.Broker, env_.Operator) {
    reasonsFileName_ = env_.DataFolder + "/" + ReasonsFileTitle;
    openFolder_ = env_.DataFolder;
    helpFile_ = FindShippedFile("index.html", env_.ProgramFolder);
    webPageReport_ = WebPageReportPath(env_.ProgramName, env_.DataFolder);
    printReport_ = PrintReportPath(env_.ProgramName, env_.DataFolder);
    journal_.Open(0, OpenClassFiles(), ResultTable());

    EntryHooks hooks;
    hooks.EnterRun = [this](const RunCells& cells) { return EnterRun(cells); };
    hooks.SelectNextStarter = [this] { SelectNextAfterEntry(); };
    hooks.DecimalSeparator = env_.DecimalSeparator;
    engine_ = std::make_unique<TimingEngine>(env_.Time, *clock_, *startLock_, env_.Cues,
                                             TimingSettingsOf(settings_), std::move(hooks));

    // The reasons written back by the operator win over the list shipped with the program.
    for (const std::string& file :
         {reasonsFileName_, FindShippedFile(ReasonsFileTitle, env_.ProgramFolder)}) {
        if (auto lines = ReadTextLines(file)) {
            engine_->LoadReasons(std::move(*lines));
            break;
        }
    }

    line_.OnOpen = [this](std::uint32_t resting) {
        engine_->SetLastModemStatus(resting);
        barrierBackupStatus_ = resting;
    };
    line_.OnEdge = [this](const ComEvent& event) { LightBarrierEdge(event); };
    line_.OnChanged = [this] { Notify(Change::All); };
    line_.Port().Port = settings_.Port;
    line_.Port().PortName = settings_.PortName;
    backupLine_.OnOpen = [this](std::uint32_t resting) { backupStatus_ = resting; };
    backupLine_.OnEdge = [this](const ComEvent& event) {
        BackupBarrierEdge(backupLine_, backupStatus_, event, "zweite Lichtschranke");
    };
    backupLine_.OnChanged = [this] { Notify(Change::All); };
    backupLine_.Port().Port = 0;
    backupLine_.Port().PortName = settings_.BackupPort;
    timer_.OnImpulse = [this](std::int64_t local, const TimerImpulse& impulse) {
        TimerImpulseCame(local, impulse);
    };
    timer_.OnChanged = [this] { Notify(Change::All); };

    journal_.SetRecorded([this](int index) { RefreshTakers(index); });
    RegisterTimingCommands();
    RegisterDocumentCommands();
    RegisterShowCommands();
    RegisterWindowCommands();
}

Competition::~Competition() {
    // The watcher must be gone before the logic its callbacks reach; the windows may be.
    line_.OnOpen = nullptr;
    line_.OnClose = nullptr;
    line_.OnEdge = nullptr;
    line_.OnChanged = nullptr;
    line_.Close();
    backupLine_.OnOpen = nullptr;
    backupLine_.OnEdge = nullptr;
    backupLine_.OnChanged = nullptr;
    backupLine_.Close();
    timer_.OnImpulse = nullptr;
    timer_.OnChanged = nullptr;
    timer_.Close();
}

void Competition::AddChangeListener(std::function<void(Change)> listener) {
    listeners_.push_back(std::move(listener));
}

void Competition::Notify(Change change) {
    if (change == Change::All) {
        journal_.CatchUnrecorded();
        publication_.Publish([this] { return MakePublishedSnapshot(); }, CurrentShowHead().Name);
    }
    for (const auto& listener : listeners_) {
        listener(change);
    }
}

void Competition::Serve(Command command, std::function<bool()> enabled, std::function<void()> run) {
    commands_[command] = {std::move(enabled), std::move(run)};
}

void Competition::Start(const std::string& commandLineFile) {
    reconnectTimer_->Start(1000);
    line_.Open(env_.SimulatedBarrier);
    OpenSources();
    publication_.ApplyLiveSettings(settings_);
    const bool unfinished = backup_.Begin();
    std::string file = commandLineFile;
    std::optional<Show> show;
    if (IsShowFileName(file)) {
        std::string error;
        show = Show::Open(file, error);
        if (!show) {
            env_.Operator.ShowError(error);
        }
        file.clear();
    }
    // After a crash the restore is what the operator almost always wants: Enter gives it.
    const std::optional<int> restoreInto =
        unfinished ? backup_.Offer(show, file) : std::optional<int>();
    if (show) {
        show_ = std::move(show);
        if (!LoadClass(restoreInto && *restoreInto >= 0 ? *restoreInto : show_->OpenIndex())) {
            show_.reset();
            journal_.Open(0, OpenClassFiles(), journal_.Table());
        } else {
            // Start lists of the show are looked for in its folder.
            openFolder_ = FolderOf(show_->FilePath());
        }
    }
    if (restoreInto) {
        RestoreBackup();
    } else if (!file.empty()) {
        LoadChosen(file);
    }
    // Once the show is open: its name is in every topic and in the last will.
    publication_.ApplyBrokerSettings(
        settings_, [this] { return MakePublishedSnapshot(); }, CurrentShowHead().Name);
    Notify(Change::All);
}

StatusLine Competition::ShownStatus() const {
    if (!backup_.Message().empty()) {
        return {backup_.Message(), backup_.Message(), false};
    }
    if (!journal_.Message().empty()) {
        return {journal_.Message(), journal_.Message(), false};
    }
    if (!line_.Line().Text.empty()) {
        return line_.Line();
    }
    if (!backupLine_.Line().Text.empty()) {
        return backupLine_.Line();
    }
    if (const StatusLine timer = timer_.Status(); !timer.Text.empty()) {
        return timer;
    }
    if (!line_.BeamLogMessage().empty()) {
        return {line_.BeamLogMessage(), line_.BeamLogMessage(), false};
    }
    if (!keyNote_.empty()) {
        return {keyNote_, keyNote_, false};
    }
    if (!line_.Latency().Text.empty()) {
        return line_.Latency();
    }
    if (!publication_.BrokerMessage().empty()) {
        return {publication_.BrokerMessage(), publication_.BrokerMessage(), false};
    }
    if (line_.Priority().Text.empty() && !spectatorMessage_.empty()) {
        return {spectatorMessage_, spectatorMessage_, false};
    }
    return line_.Priority();
}

bool Competition::Enabled(Command command) const {
    const auto handler = commands_.find(command);
    return handler != commands_.end() && handler->second.Enabled();
}

void Competition::Run(Command command) {
    if (!Enabled(command)) {
        // A key that does nothing says so, or the operator presses it again and again.
        keyNote_ = KeyText(command, engine_->View().PenaltySeconds) + " ist jetzt gesperrt" +
                   LockReason(command);
        Notify(Change::All);
        return;
    }
    keyNote_.clear();
    // Any command may rank, sort, replace, clear or write the rows: text still in a cell editor
    // goes into the starter it was typed for first.
    env_.Operator.CommitEdits();
    commands_.at(command).Run();
    Notify(Change::All);
}

std::string Competition::LockReason(Command command) const {
    if (clock_->IsActive()) {
        return ": die Uhr läuft";
    }
    const bool timing = command == Command::Start || command == Command::Resume ||
                        command == Command::PenaltyPlus || command == Command::PenaltyMinus ||
                        command == Command::Abort || command == Command::Dq ||
                        command == Command::Entry;
    const bool changesRuns = command == Command::Draw || command == Command::Clear ||
                             command == Command::Undo || command == Command::Edit;
    if (!OwnRuns() && (timing || changesRuns)) {
        return ": die Läufe werden in \"" + RunsEnteredIn(show_->Data(), show_->OpenClass()) +
               "\" eingetragen";
    }
    if (timing && line_.Test()) {
        return ": der Lichtschranken-Test läuft (F7 beendet ihn)";
    }
    switch (command) {
        case Command::Payout:
            return ": die Klasse hat keine Auszahlung (payout)";
        case Command::NextClass:
        case Command::PreviousClass:
            if (!show_) {
                return ": kein Turnier geöffnet";
            }
            if (show_->ClassCount() < 2) {
                return ": das Turnier hat nur eine Klasse";
            }
            return RunPending() ? ": der Lauf wartet auf Eintragen (F10)" : "";
        case Command::Scratch:
        case Command::Draw:
            return RunPending() ? ": der Lauf wartet auf Eintragen (F10)" : "";
        case Command::Entry:
            return ": kein Lauf zum Eintragen";
        case Command::Abort:
            return ": kein Countdown zum Abbrechen";
        default:
            return "";
    }
}

void Competition::RegisterWindowCommands() {
    const auto always = [] { return true; };
    Serve(Command::Help, always, [this] {
        if (helpFile_.empty()) {
            env_.Operator.ShowError("Die Hilfeseite index.html fehlt neben dem Programm.");
        } else {
            OpenDocument(helpFile_);
        }
    });
    Serve(Command::Info, always,
          [this] { env_.Operator.ShowInformation(publication_.LivePageAddress()); });
    Serve(Command::Announcer, always, [this] { announcerShown_ = !announcerShown_; });
    Serve(Command::TvMode, always, [this] {
        tvMode_ = !tvMode_;
        tvModeToggled_ = true;
        spectatorMessage_.clear();
        if (settings_.CountDown) {
            engine_->ResetDisplayWhenReady();
        }
    });
    Serve(Command::SortMode, always, [this] {
        ranking_.Toggle();
        journal_.View().SetEditMode(false);
        Arrange();
    });
    Serve(Command::Edit, always,
          [this] { journal_.View().SetEditMode(!journal_.Table().EditMode()); });
}

void Competition::SetEditMode(bool on) {
    env_.Operator.CommitEdits();
    journal_.View().SetEditMode(on);
    Notify(Change::All);
}

void Competition::EditCell(int col, int row, const std::string& text) {
    const ResultTable& table = journal_.Table();
    const bool inTable =
        row >= 1 && row < table.RowCount() && col >= 0 && col < ResultTable::ColCount;
    if (!table.EditMode() || !inTable || !ColumnEditable(col) || table.Cell(col, row) == text) {
        return;
    }
    if (!OwnRuns()) {
        env_.Operator.ShowError("Die Klasse \"" + show_->OpenClass().Name +
                                "\" hat keine eigenen Läufe: Korrekturen in \"" +
                                RunsEnteredIn(show_->Data(), show_->OpenClass()) + "\" eintragen.");
        Notify(Change::All);
        return;
    }
    // Logged with the old and the new text before any file holds the correction.
    journal_.Apply("Korrektur (Bearbeiten)",
                   [&](ResultTable& edited) { edited.SetCell(col, row, text); });
    // A crash now must restore the corrected result, not the one before.
    SaveBackup();
    Notify(Change::All);
}

void Competition::SelectRow(int row) {
    journal_.View().SetCurrentRow(row);
}

void Competition::SetColumnWidth(int col, int width) {
    journal_.View().SetColWidth(col, width);
}

void Competition::Arrange() {
    const Standing& standing = CurrentStanding();
    journal_.View().Rearrange(ranking_.ViewOrder(journal_.Table(), standing));
    engine_->SetDecimalSeparator(standing.DecimalSeparator);
}

void Competition::SelectStarter(int index) {
    startList_.cbStNrChange(index);
    Notify(Change::All);
}

void Competition::StepStarter(int step) {
    startList_.bNumerClick(step);
    Notify(Change::All);
}

void Competition::SetRider(std::string text) {
    startList_.eReiterinChange(std::move(text));
    Notify(Change::All);
}

void Competition::SetHorse(std::string text) {
    startList_.ePferdChange(std::move(text));
    Notify(Change::All);
}

void Competition::SetTeam(std::string text) {
    startList_.eTeamChange(std::move(text));
    Notify(Change::All);
}

void Competition::SetRace(int index) {
    startList_.cbRaceChange(index);
    Notify(Change::All);
}

void Competition::SetTeamShown(bool shown) {
    startList_.cbTeamClick(shown);
    Notify(Change::All);
}

void Competition::SetClassRules(const ClassRules& rules) {
    classRules_ = rules;
    ++classRulesRevision_;
    engine_->SetTimeResolution(ResolutionOf(rules));
    journal_.Rank();
    Notify(Change::All);
}

const Standing& Competition::CurrentStanding() const {
    // Made again whenever the table (entry, correction, load, clear), the rules or the context
    // (the starter on course, the last run, the drags) changed since.
    const ResultTable& table = journal_.Table();
    StandingContext context;
    context.OnCourseRow = startList_.StarterRow();
    context.LastRunRow =
        lastEntryPosition_.empty() ? -1 : table.FindStartPosition(lastEntryPosition_);
    context.DragEvery = show_ ? show_->OpenClass().Draw.DragEvery : 0;
    context.SystemSeparator = env_.DecimalSeparator;
    const StandingKey key{table.Revision(),   classRulesRevision_, context.OnCourseRow,
                          context.LastRunRow, context.DragEvery,   context.SystemSeparator};
    if (!standing_ || !(standingOf_ == key)) {
        standing_ = MakeStanding(table, classRules_, context);
        standingOf_ = key;
    }
    return *standing_;
}

std::string Competition::LiveAddress() const {
    return publication_.LiveAddress();
}

std::string Competition::BeamReadout() const {
    // Every timing line that is set, so the operator sees at a glance that both are alive.
    std::string readout = line_.Readout(settings_.Alg);
    if (const std::string backup = backupLine_.Readout(settings_.Alg); !backup.empty()) {
        readout += (readout.empty() ? "" : " | ") + std::string("2. LS: ") + backup;
    } else if (backupLine_.Port().Configured()) {
        readout += (readout.empty() ? "" : " | ") + std::string("2. LS: nicht verbunden");
    }
    if (const std::string timer = timer_.Readout(); !timer.empty()) {
        readout += (readout.empty() ? "" : " | ") + timer;
    }
    return readout;
}

void Competition::SetMainWindowBounds(const Rect& bounds) {
    settings_.Left = bounds.Left;
    settings_.Top = bounds.Top;
    settings_.Width = bounds.Width;
    settings_.Height = bounds.Height;
}

void Competition::SetSpectatorBounds(const Rect& bounds) {
    settings_.Left2 = bounds.Left;
    settings_.Top2 = bounds.Top;
    settings_.Width2 = bounds.Width;
    settings_.Height2 = bounds.Height;
}

void Competition::CloseSpectatorWindow() {
    tvMode_ = false;
    spectatorMessage_.clear();
    Notify(Change::All);
}

void Competition::SetSpectatorDisplayGone(bool gone) {
    std::string message;
    if (gone && tvMode_) {
        message = "Zusatzmonitor: Anzeige " + std::to_string(settings_.Monitor + 1) +
                  " nicht angeschlossen, das Fenster kommt zurück, sobald sie wieder da ist";
    }
    if (message != spectatorMessage_) {
        spectatorMessage_ = std::move(message);
        Notify(Change::All);
    }
}

int Competition::SpectatorDisplayNumber() const {
    const int present = static_cast<int>(env_.Desktop.Screens().size());
    return std::clamp(settings_.Monitor, 0, std::max(present - 1, 0)) + 1;
}

bool Competition::ExitNeedsQuestion() const {
    return RunPending() || journal_.Table().Modified();
}

bool Competition::CloseQuery() {
    return !ExitNeedsQuestion() || env_.Operator.Ask("Programm beenden?");
}

void Competition::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    journal_.CatchUnrecorded();
    SaveSettings();
    // Losing typed reasons at exit is not worth keeping the program from closing.
    WriteReasonsBack();
    line_.Close();
    backupLine_.Close();
    timer_.Close();
    reconnectTimer_->Stop();
    publication_.Stop();
    backup_.End();
}

std::string Competition::SaveBackup() {
    // The beam's record of this run is on the disk before its result is.
    line_.SyncLog();
    return backup_.Save(journal_.View(), CurrentBackupOwner());
}

BackupOwner Competition::CurrentBackupOwner() const {
    if (!show_) {
        return {};
    }
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(show_->FilePath(), ignored);
    return {absolute.lexically_normal().string(), show_->OpenClass().Name};
}

ClassFiles Competition::OpenClassFiles() const {
    if (!show_) {
        return {backup_.FileName() + ".log", {}};
    }
    return {show_->LogFile(show_->OpenIndex()), show_->ClassFile(show_->OpenIndex())};
}

std::string Competition::ChangeLogFile() const {
    return OpenClassFiles().Log;
}

void Competition::RestoreBackup() {
    const LoadedTable loaded =
        ReadChosenFile(backup_.FileName(), journal_.Table(), env_.DecimalSeparator);
    if (!loaded.Error.empty()) {
        env_.Operator.ShowError(loaded.Error);
        return;
    }
    std::string detail = backup_.FileName() + ", Programm war nicht beendet worden";
    // A run the program timed but never entered is only in the beam log: it goes into the change
    // log too, so the judges find it beside the results.
    const std::optional<std::string> beams = ReadFileBytes(line_.BeamLogFile());
    const std::optional<BeamRun> lastRun = beams ? LastBeamRun(*beams) : std::nullopt;
    const std::optional<std::string> log = ReadFileBytes(OpenClassFiles().Log);
    const std::string entered = log ? LastLoggedEntry(*log).Detail : std::string();
    if (lastRun && entered.find(std::to_string(lastRun->StartStamp)) == std::string::npos) {
        detail += "; Lauf bei Programmende nicht eingetragen: Nr. " + lastRun->StartNumber +
                  ", Lichtschranke Start " + std::to_string(lastRun->StartStamp);
        if (lastRun->StopStamp) {
            detail += ", Stopp " + std::to_string(*lastRun->StopStamp) + " (Laufzeit " +
                      FormatRunTime(*lastRun->StopStamp - lastRun->StartStamp,
                                    env_.Time.CounterFrequency(), env_.DecimalSeparator,
                                    ResolutionOf(classRules_)) +
                      ")";
        } else {
            detail += ", ohne Stopp";
        }
    }
    ReplaceTable("Sicherung wiederhergestellt", loaded.Table, detail, true);
    // Not a file of the operator's choosing: a later load still asks before replacing it.
    savedTable_.clear();
    startList_.GoToPosition(FirstWithoutResult(0));
    RecallLastRun();
}

void Competition::RecallLastRun() {
    const std::optional<std::string> log = ReadFileBytes(OpenClassFiles().Log);
    lastEntryPosition_ = log ? LastLoggedEntry(*log).Position : std::string();
}

void Competition::ReplaceTable(const std::string& what, const ResultTable& table,
                               const std::string& detail, bool logAlways) {
    journal_.Apply(
        what,
        [&](ResultTable& shown) {
            shown.SetRowCount(table.RowCount());
            for (int row = 0; row < table.RowCount(); ++row) {
                const auto& cells = table.Row(row);
                shown.SetRow(row, std::vector<std::string>(cells.begin(), cells.end()));
            }
            for (int col = 0; col < ResultTable::ColCount; ++col) {
                shown.SetColWidth(col, table.ColWidth(col));
            }
        },
        detail, logAlways);
    startList_.RebuildAfterLoad();
    journal_.View().SetEditMode(false);
    Arrange();
}

ShowHead Competition::CurrentShowHead() const {
    return show_ ? show_->Data().Head : ShowHead{};
}

std::string Competition::CurrentClassName() const {
    return show_ ? show_->OpenClass().Name : std::string();
}

BoardTexts Competition::Board() const {
    BoardTexts board = startList_.Board();
    if (dragPending_) {
        board.race = "Bahnpflege";
    }
    return board;
}

bool Competition::DragAfterRow(int row) const {
    return CurrentStanding().At(row).DragAfter;
}
