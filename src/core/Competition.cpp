#include "core/Competition.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>

#include "config/SettingsStore.h"
#include "files/ChangeLog.h"
#include "files/ClassRulesReader.h"
#include "files/Export.h"
#include "files/FileKind.h"
#include "files/HtmlReport.h"
#include "files/Loading.h"
#include "files/PayoutReport.h"
#include "files/ProtocolFile.h"
#include "files/ShippedFiles.h"
#include "files/ShowEntries.h"
#include "files/TextLines.h"
#include "files/Workbook.h"
#include "results/Draw.h"
#include "results/ResultRules.h"
#include "timing/TickMath.h"

namespace {

// The busy cursor for as long as one piece of work takes.
class BusyWhile {
public:
    explicit BusyWhile(IOperator& op) : op_(op) { op_.ShowBusy(true); }
    ~BusyWhile() { op_.ShowBusy(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    IOperator& op_;
};

// Present while the program runs; found at start-up it tells that the last run did not end
// normally (a crash, a power cut at the arena), so the backup may hold results no file has.
constexpr const char* RunningMarkerTitle = ".corralix-running";
// The alarm when the light barrier's line goes away, shipped beside the other cues.
constexpr const char* LineLostCue = "Audio-Lichtschranke.wav";
constexpr const char* ReasonsFileTitle = "Disqualifikation.txt";
constexpr const char* TextFilter = "Textdatei (*.txt)";
constexpr const char* HtmlFilter = "Webseite (*.html)";
constexpr const char* WorkbookFilter = "Arbeitsmappe (*.xlsx *.xls)";
// A start list of the whole show may also come as CSV from the show office.
constexpr const char* ShowListFilter = "Startliste des Turniers (*.txt *.csv *.xlsx *.xls)";
// The workbook Ctrl+E writes and hands to the spreadsheet program.
constexpr const char* ResultWorkbookTitle = "Ergebnisliste.xlsx";

TimingSettings TimingSettingsOf(const Settings& settings) {
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

// Where the undo steps of a class end: the oldest are dropped.
constexpr std::size_t UndoSteps = 200;

bool IsShowFileName(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return AsciiLower(extension) == ".json";
}

// Both name the same file, also through another path or a link.
bool SamePath(const std::string& first, const std::string& second) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(first, second, error);
    if (!error) {
        return same;
    }
    return std::filesystem::absolute(first, error).lexically_normal() ==
           std::filesystem::absolute(second, error).lexically_normal();
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

bool HasResult(const ResultTable& table, int row) {
    return !TrimText(table.Cell(ColTotal, row)).empty();
}

int CountResults(const ResultTable& table) {
    int count = 0;
    for (int row = 1; row < table.RowCount(); ++row) {
        count += HasResult(table, row) ? 1 : 0;
    }
    return count;
}

// The key a command is reached by, for the note that it is locked now.
std::string KeyText(Command command) {
    for (const KeyCommand& key : KeyCommands) {
        if (key.Id == command) {
            return std::string(key.Key) + " (" + std::string(key.Caption) + ")";
        }
    }
    return {};
}

}  // namespace

Competition::Competition(CompetitionEnvironment environment)
    : env_(std::move(environment)),
      settings_(ReadSettings(env_.SettingsStore)),
      ranking_(table_, env_.DecimalSeparator),
      startList_(table_, ranking_, measure_),
      clock_(env_.Timers.MakeTimer([this] {
          engine_->ClockTimer();
          Notify(Change::Clock);
      })),
      startLock_(env_.Timers.MakeTimer([this] {
          engine_->TimerStartLockTimer();
          Notify(Change::All);
      })),
      reconnectTimer_(env_.Timers.MakeTimer([this] {
          reconnector_.Poll();
          CheckWatcherPriority();
          UpdateBrokerStatus();
          if (barrierTest_) {
              barrierTest_->Tick(env_.Time.Now());
              Notify(Change::All);
          }
      })),
      comPort_(env_.Serial, env_.Post),
      reconnector_(comPort_),
      beamLog_(env_.DataFolder) {
    backupFileName_ = env_.DataFolder + "/" + std::string(BackupFileTitle);
    reasonsFileName_ = env_.DataFolder + "/" + ReasonsFileTitle;
    runningMarker_ = env_.DataFolder + "/" + RunningMarkerTitle;
    openFolder_ = env_.DataFolder;
    helpFile_ = FindShippedFile("index.html", env_.ProgramFolder);
    webPageReport_ = WebPageReportPath(env_.ProgramName, env_.DataFolder);
    printReport_ = PrintReportPath(env_.ProgramName, env_.DataFolder);
    ports_ = ScanComPorts(env_.Serial);

    EntryHooks hooks;
    hooks.EntryRow = [this] {
        const int row = startList_.EntryRow();
        // The announcer's last run: found again by its start position after the ranking.
        lastEntryPosition_ = row > 0 ? table_.Cell(ColStartPos, row) : std::string();
        return row;
    };
    hooks.SelectNextStarter = [this] { SelectNextAfterEntry(); };
    hooks.RankTable = [this] { ranking_.RankAndSort(); };
    hooks.SaveBackup = [this] {
        // The beam's record of this run and the change log are on the disk before the class
        // file and the backup are replaced.
        beamLog_.Sync();
        // A result replaced after the question is its own kind of change, for an appeal.
        RecordChange(overwriting_ ? "Überschrieben nach Rückfrage" : "Eintrag", runStamps_);
        runStamps_.clear();
        overwriting_ = false;
        LockForDrag();
        return SaveBackup();
    };
    hooks.PlaceNote = [this](int row) {
        const std::string division = CurrentStanding().DivisionText(row);
        return division.empty() ? division : " · " + division;
    };
    hooks.DecimalSeparator = env_.DecimalSeparator;
    engine_ = std::make_unique<TimingEngine>(table_, env_.Time, *clock_, *startLock_, env_.Cues,
                                             TimingSettingsOf(settings_), std::move(hooks));

    // The reasons written back by the operator win over the list shipped with the program.
    for (const std::string& file :
         {reasonsFileName_, FindShippedFile(ReasonsFileTitle, env_.ProgramFolder)}) {
        if (auto lines = ReadTextLines(file)) {
            engine_->LoadReasons(std::move(*lines));
            break;
        }
    }

    comPort_.OnOpen = [this](TComPort&) {
        engine_->SetLastModemStatus(comPort_.ReadModemStatus());
        PortOpened();
        Notify(Change::All);
    };
    comPort_.OnClose = [this](TComPort&) {
        PortClosed();
        Notify(Change::All);
    };
    comPort_.OnCTS = [this](TComPort&) { LightBarrierEdge(); };
    comPort_.Port = settings_.Port;
    comPort_.PortName = settings_.PortName;
    comPort_.RequestRealtime = env_.RequestRealtime;
}

Competition::~Competition() {
    // The watcher must be gone before the logic its callbacks reach.
    comPort_.OnClose = nullptr;
    comPort_.Close();
}

void Competition::AddChangeListener(std::function<void(Change)> listener) {
    listeners_.push_back(std::move(listener));
}

void Competition::Notify(Change change) {
    if (change == Change::All) {
        RecordCorrections();
    }
    // The network gets its own copy of the table after each change, never the live table.
    const bool brokerRunning = env_.Broker != nullptr && env_.Broker->Running();
    if (change == Change::All && (env_.Live.Running() || brokerRunning)) {
        LiveSnapshot snapshot = MakePublishedSnapshot();
        if (env_.Live.Running()) {
            env_.Live.Publish(snapshot);
        }
        if (brokerRunning) {
            env_.Broker->Publish({CurrentShowHead().Name, std::move(snapshot)});
        }
    }
    for (const auto& listener : listeners_) {
        listener(change);
    }
}

namespace {

// The live results of a class's table under its rules: divisions and payouts where it has them.
LiveSnapshot ClassSnapshot(const ResultTable& table, const ClassRules& rules, char decimalSeparator,
                           LiveBoard board) {
    StandingContext context;
    context.SystemSeparator = decimalSeparator;
    return MakeLiveSnapshot(MakeStanding(table, rules, context), std::move(board),
                            table.ColVisible(ColTeam));
}

}  // namespace

LiveSnapshot Competition::MakePublishedSnapshot() const {
    LiveSnapshot snapshot = MakeLiveSnapshot(
        CurrentStanding(),
        {std::string(startList_.RaceText()), startList_.StNrText(), startList_.Reiterin(),
         startList_.Pferd(), clock_->IsActive() && !engine_->View().CountdownActive},
        table_.ColVisible(ColTeam));
    snapshot.announcer = Announcer();
    snapshot.classes = LiveClasses();
    return snapshot;
}

std::vector<LiveClass> Competition::LiveClasses() const {
    std::vector<LiveClass> classes;
    if (!show_) {
        return classes;
    }
    classResults_.resize(static_cast<std::size_t>(show_->ClassCount()));
    for (int index = 0; index < show_->ClassCount(); ++index) {
        const ShowClass& item = show_->Data().Classes.at(static_cast<std::size_t>(index));
        LiveClass& listed = classes.emplace_back(LiveClass{item.Name, item.Race, false, nullptr});
        if (index == show_->OpenIndex()) {
            listed.open = true;
            continue;
        }
        // Asked of the file each time: the class files change only through the program, but
        // a start list taken into the show writes several at once.
        ClassResults& cached = classResults_[static_cast<std::size_t>(index)];
        const std::string file = show_->ClassFile(index);
        std::error_code error;
        const auto written = std::filesystem::last_write_time(file, error);
        const std::uintmax_t size = error ? 0 : std::filesystem::file_size(file, error);
        if (!cached.json || cached.file != file || cached.written != written ||
            cached.size != size || cached.settings != item.Json) {
            // A class whose file cannot be read is listed without results; the file stays as
            // it is, and the operator hears of it when the class is opened.
            ResultTable table;
            ReadClassTable(*show_, index, table, env_.DecimalSeparator);
            const ClassRules rules = ReadShowClassRules(item).Rules;
            LiveSnapshot snapshot =
                ClassSnapshot(table, rules, env_.DecimalSeparator, {item.Race, {}, {}, {}, false});
            snapshot.announcer.className = item.Name;
            cached = {file, written, size, item.Json,
                      std::make_shared<const std::string>(LiveClassJson(snapshot))};
        }
        listed.json = cached.json;
    }
    return classes;
}

void Competition::Start(const std::string& commandLineFile) {
    reconnectTimer_->Start(1000);
    OpenLightBarrier();
    ApplyLiveSettings();
    const bool unfinished = std::filesystem::exists(runningMarker_);
    if (unfinished) {
        const std::optional<std::string> marker = ReadFileBytes(runningMarker_);
        backupOwner_ = marker ? BackupOwnerOf(*marker) : std::nullopt;
    } else {
        // The last end told nobody whose table the backup holds.
        backupOwner_ = BackupOwner{.ShowFile = {}, .ClassName = {}, .Unsure = true};
    }
    // The marker is written before any question, so a crash while asking is noticed again; it
    // still names whose the backup is.
    WriteRunningMarker(backupOwner_);
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
    const std::optional<int> restoreInto = unfinished && std::filesystem::exists(backupFileName_)
                                               ? OfferBackup(show, file)
                                               : std::nullopt;
    if (show) {
        show_ = std::move(show);
        if (!LoadClass(restoreInto && *restoreInto >= 0 ? *restoreInto : show_->OpenIndex())) {
            show_.reset();
        } else {
            // Start lists of the show are looked for in its folder.
            openFolder_ = FolderOf(show_->FilePath());
        }
    }
    if (restoreInto) {
        LoadChosen(backupFileName_);
        // Not a file of the operator's choosing: a later load still asks before replacing it.
        savedTable_.clear();
        startList_.GoToPosition(FirstWithoutResult(0));
    } else if (!file.empty()) {
        LoadChosen(file);
    }
    committed_ = table_;
    committedRevision_ = table_.Revision();
    // Once the show is open: its name is in every topic and in the last will.
    ApplyBrokerSettings();
    Notify(Change::All);
}

std::optional<int> Competition::OfferBackup(std::optional<Show>& show, const std::string& file) {
    constexpr int SingleTable = -1;
    const int open = show ? show->OpenIndex() : SingleTable;
    const auto ask = [this](const std::string& head, const std::string& after,
                            IOperator::Focus focus = IOperator::Focus::Ja) {
        return env_.Operator.Ask(BackupQuestion(head) + after, focus);
    };
    // A backup of an older version says nothing of its owner: it goes into the table as ever.
    if (!backupOwner_) {
        return ask("Sicherung laden?", {}) ? std::optional<int>(open) : std::nullopt;
    }
    const BackupOwner& owner = *backupOwner_;
    const std::string kept = std::filesystem::path(KeptBackupName()).filename().string();
    const std::string className = "Klasse \"" + owner.ClassName + "\"";
    std::string why;
    if (owner.Unsure) {
        why = "Es ist nicht sicher, zu welcher Klasse sie gehört.";
    } else if (owner.ShowFile.empty()) {
        if (!show) {
            return ask("Sicherung laden?", {}) ? std::optional<int>(SingleTable) : std::nullopt;
        }
        why = "Sie ist eine einzelne Tabelle, keine Klasse dieses Turniers.";
    } else if (show && SamePath(show->FilePath(), owner.ShowFile)) {
        const int index = FindShowClass(show->Data(), owner.ClassName);
        if (index >= 0) {
            return ask("Sicherung der " + className + " laden?",
                       index == open ? std::string()
                                     : "\nDafür wird die " + className + " geöffnet.")
                       ? std::optional<int>(index)
                       : std::nullopt;
        }
        why = "Sie gehört zur " + className + ", die es im Turnier nicht mehr gibt.";
    } else {
        // Of another show: back into its own class there, never into the table opened now.
        std::string error;
        std::optional<Show> own = Show::Open(owner.ShowFile, error);
        const int index = own ? FindShowClass(own->Data(), owner.ClassName) : -1;
        const std::string instead =
            show ? "des Turniers \"" + show->FilePath() + "\""
                 : (file.empty() ? "einer leeren Tabelle" : "der Datei \"" + file + "\"");
        if (index >= 0) {
            if (ask("Sicherung der " + className + " des Turniers \"" + owner.ShowFile +
                        "\" laden?",
                    "\nJa öffnet dieses Turnier statt " + instead + " und lädt sie in die " +
                        className + ".\nNein lässt sie als \"" + kept +
                        "\" neben der Sicherung liegen.")) {
                show = std::move(own);
                return index;
            }
            KeepBackup();
            return std::nullopt;
        }
        why = "Sie gehört zur " + className + " des Turniers \"" + owner.ShowFile + "\", " +
              (own ? "die es dort nicht mehr gibt." : "das sich nicht öffnen lässt: " + error);
    }
    // Never into a class it may not be of: as a single table, with no show open. A reflex Enter
    // does not close the show asked for.
    if (ask("Sicherung laden?",
            "\n" + why + "\nJa lädt sie als einzelne Tabelle" +
                (show ? ", das Turnier bleibt geschlossen" : "") + ".\nNein lässt sie als \"" +
                kept + "\" neben der Sicherung liegen.",
            show ? IOperator::Focus::Nein : IOperator::Focus::Ja)) {
        show.reset();
        return SingleTable;
    }
    KeepBackup();
    return std::nullopt;
}

std::string Competition::BackupQuestion(const std::string& head) const {
    std::string question = head;
    const std::optional<std::string> bytes = ReadFileBytes(backupFileName_);
    if (!bytes) {
        return question;
    }
    ResultTable backup;
    ReadProtocolText(backup, *bytes);
    const int results = CountResults(backup);
    question +=
        "\nSie enthält " + std::to_string(results) + (results == 1 ? " Ergebnis" : " Ergebnisse");
    if (const std::string when = BackupTime("%d.%m.%Y um %H:%M:%S"); !when.empty()) {
        question += ", geschrieben am " + when;
    }
    return question + ".";
}

std::string Competition::BackupTime(const char* format) const {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(backupFileName_, error);
    if (error) {
        return {};
    }
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char when[48];
    std::strftime(when, sizeof when, format, &local);
    return when;
}

std::string Competition::KeptBackupName() const {
    return env_.DataFolder + "/Sicherungsdatei-" + BackupTime("%Y%m%d-%H%M%S") + ".txt";
}

void Competition::KeepBackup() {
    const std::optional<std::string> bytes = ReadFileBytes(backupFileName_);
    const FileWriteResult kept =
        bytes ? ReplaceFileBytes(KeptBackupName(), *bytes) : FileWriteResult{};
    if (!bytes || !kept.Ok()) {
        env_.Operator.ShowError(
            "Sicherung nicht aufbewahrt: " + (bytes ? kept.Error : "nicht lesbar") +
            ". Sie wird bei der nächsten Änderung überschrieben.");
    }
}

BackupOwner Competition::CurrentBackupOwner() const {
    if (!show_) {
        return {};
    }
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(show_->FilePath(), ignored);
    return {absolute.lexically_normal().string(), show_->OpenClass().Name};
}

FileWriteResult Competition::WriteRunningMarker(const std::optional<BackupOwner>& owner) {
    FileWriteResult result = ReplaceFileBytes(runningMarker_, RunningMarkerText(::getpid(), owner));
    if (result.Ok()) {
        backupOwner_ = owner;
    }
    return result;
}

// The line's state and the watcher's priority are said in the status bar; each short text has its
// cause and fix in the detail (the status bar's tool tip).
void Competition::PortOpened() {
    if (lineLost_) {
        lineLost_ = false;
        lineStatus_ = {"Lichtschranke wieder verbunden",
                       "Die Verbindung zur Lichtschranke ist wieder da. Vor dem nächsten Lauf die "
                       "Lichtschranke einmal auslösen und prüfen (F11 scharf/gesperrt).",
                       true};
    } else {
        lineStatus_ = {};
    }
    // An FTDI adapter reports a modem-line change only when its latency timer runs out.
    const int latency = env_.Serial.LatencyTimerMs(comPort_.OpenPath());
    latencyStatus_ = {};
    if (latency > 1) {
        const std::string node = std::filesystem::path(comPort_.OpenPath()).filename().string();
        latencyStatus_ = {
            "USB-Adapter meldet Flanken bis " + std::to_string(latency) + " ms spät",
            "Der Latenz-Timer des USB-Adapters steht auf " + std::to_string(latency) +
                " ms: so spät kann eine Flanke der Lichtschranke gestempelt werden. Abhilfe: "
                "das Paket corralix installieren (seine udev-Regel stellt FTDI-Adapter beim "
                "Einstecken auf 1 ms) und den Adapter neu einstecken, oder einmalig: echo 1 | "
                "sudo tee /sys/class/tty/" +
                node + "/device/latency_timer",
            false};
    }
    UpdatePriorityStatus();
}

void Competition::PortClosed() {
    latencyStatus_ = {};
    if (comPort_.DeviceLost()) {
        lineLost_ = true;
        lineStatus_ = {
            "Lichtschranke getrennt! Kabel und Adapter prüfen",
            "Die Lichtschranke ist nicht mehr erreichbar (Kabel gezogen, USB-Adapter "
            "getrennt). Solange sie fehlt, startet und stoppt nur F4 die Uhr. Sobald der "
            "Anschluss wieder da ist, wird er von selbst geöffnet.",
            false};
        env_.Cues.PlayCue(LineLostCue);
    }
    UpdatePriorityStatus();
}

void Competition::CheckWatcherPriority() {
    if (!comPort_.CheckPriority()) {
        return;
    }
    priorityRegained_ = comPort_.Priority() != WatcherPriority::Normal;
    UpdatePriorityStatus();
    Notify(Change::All);
}

void Competition::UpdatePriorityStatus() {
    const char* const fix =
        " Ohne Echtzeitpriorität können sich bei voll ausgelastetem Rechner einzelne Zeiten um "
        "Millisekunden verschieben. Siehe README, Abschnitt \"Real-time priority\".";
    if (priorityRegained_ && comPort_.Priority() != WatcherPriority::Normal) {
        priorityStatus_ = {"Echtzeitpriorität war entzogen, wieder erhalten",
                           "RealtimeKit hatte der Lichtschranke die Echtzeitpriorität entzogen "
                           "(sein Wächter greift, wenn der Rechner lange voll ausgelastet ist). "
                           "Sie wurde neu angefragt und wieder gewährt.",
                           true};
        return;
    }
    priorityRegained_ = false;
    switch (comPort_.Connected() ? comPort_.Shortfall() : PriorityShortfall::None) {
        case PriorityShortfall::None:
            priorityStatus_ = {};
            break;
        case PriorityShortfall::NotAsked:
            priorityStatus_ = {"Lichtschranke ohne Echtzeitpriorität",
                               std::string("Das Programm darf keine Echtzeitpriorität setzen und "
                                           "hat RealtimeKit nicht gefragt.") +
                                   fix,
                               false};
            break;
        case PriorityShortfall::NoService:
            priorityStatus_ = {"Ohne Echtzeitpriorität: RealtimeKit fehlt",
                               std::string("Der Dienst RealtimeKit (Paket rtkit) ist nicht "
                                           "erreichbar. Abhilfe: sudo apt install rtkit, dann "
                                           "das Programm neu starten.") +
                                   fix,
                               false};
            break;
        case PriorityShortfall::Refused:
            priorityStatus_ = {"Ohne Echtzeitpriorität: RealtimeKit lehnt ab",
                               std::string("RealtimeKit hat die Echtzeitpriorität verweigert, "
                                           "meist weil das Programm nicht aus der angemeldeten "
                                           "Sitzung am Bildschirm gestartet wurde (ssh, cron). "
                                           "Abhilfe: am Bildschirm anmelden und von dort "
                                           "starten.") +
                                   fix,
                               false};
            break;
        case PriorityShortfall::Demoted:
            priorityStatus_ = {"Echtzeitpriorität entzogen",
                               std::string("RealtimeKit hat der Lichtschranke die "
                                           "Echtzeitpriorität entzogen (sein Wächter greift, "
                                           "wenn der Rechner lange voll ausgelastet ist, oder "
                                           "nach rtkitctl --reset-known) und auf erneute Anfrage "
                                           "nicht wieder gewährt. Abhilfe: andere Programme "
                                           "beenden, den Anschluss neu wählen.") +
                                   fix,
                               false};
            break;
    }
}

Competition::StatusLine Competition::ShownStatus() const {
    if (!statusMessage_.empty()) {
        return {statusMessage_, statusMessage_, false};
    }
    if (!classFileMessage_.empty()) {
        return {classFileMessage_, classFileMessage_, false};
    }
    if (!lineStatus_.Text.empty()) {
        return lineStatus_;
    }
    if (!beamLogMessage_.empty()) {
        return {beamLogMessage_, beamLogMessage_, false};
    }
    if (!keyNote_.empty()) {
        return {keyNote_, keyNote_, false};
    }
    if (!latencyStatus_.Text.empty()) {
        return latencyStatus_;
    }
    if (!brokerMessage_.empty()) {
        return {brokerMessage_, brokerMessage_, false};
    }
    if (priorityStatus_.Text.empty() && !spectatorMessage_.empty()) {
        return {spectatorMessage_, spectatorMessage_, false};
    }
    return priorityStatus_;
}

void Competition::LightBarrierEdge() {
    // The barrier works again: the good news has been seen.
    if (lineStatus_.Good) {
        lineStatus_ = {};
    }
    if (priorityStatus_.Good) {
        priorityRegained_ = false;
        UpdatePriorityStatus();
    }
    const ComEvent& event = comPort_.CurrentEvent();
    if (barrierTest_) {
        barrierTest_->Edge(event.ModemStatus, event.Timestamp, event.Count);
        LogBeam(event.Timestamp, (event.ModemStatus & ModemCtsOn) != 0 ? "CTS an" : "CTS aus",
                "Lichtschranken-Test");
        Notify(Change::All);
        return;
    }
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
    const WallTime wall = LocalWallTime();
    const std::string startNumber = startList_.StNrText();
    const std::string line = wall.Text + "\t" + std::to_string(stamp) + "\t" + lineState + "\t" +
                             action + "\tNr. " + (startNumber.empty() ? "-" : startNumber);
    if (!beamLog_.Append(wall.Day, line) && !beamLogFailed_) {
        // Said once; the timing goes on without the log.
        beamLogFailed_ = true;
        beamLogMessage_ = "Lichtschranken-Protokoll nicht geschrieben: " + beamLog_.Error();
    }
}

void Competition::EditSettings() {
    const PortChoice ports(ports_, comPort_.Port, comPort_.PortName);
    const PortLamp lamp = comPort_.Connected()    ? PortLamp::Open
                          : comPort_.Configured() ? PortLamp::Closed
                                                  : PortLamp::Neutral;
    const auto confirmed = env_.Operator.EditSettings(
        FromSettings(settings_, env_.Desktop.Screens(), ports.Entries(), ports.Shown()), lamp,
        lamp == PortLamp::Closed ? portError_ : latencyStatus_.Detail);
    if (!confirmed) {
        return;
    }
    const Settings before = settings_;
    ApplyToSettings(*confirmed, settings_);
    engine_->ApplySettings(TimingSettingsOf(settings_));
    // The configured port stays unless the operator picked another entry.
    const PortChange change = ports.Confirm(confirmed->PortIndex);
    comPort_.Port = change.Port;
    comPort_.PortName = change.PortName;
    if (change.Do == PortChange::Action::Close) {
        comPort_.Close();
        portError_.clear();
        // "Kein": no line to miss and no watcher to warn about.
        lineLost_ = false;
        lineStatus_ = {};
        UpdatePriorityStatus();
    } else if (change.Do == PortChange::Action::Open) {
        OpenPort();
    }
    if (settings_.LiveResults != before.LiveResults || settings_.LivePort != before.LivePort ||
        settings_.LiveAddress != before.LiveAddress) {
        ApplyLiveSettings();
    }
    if (settings_.Mqtt != before.Mqtt || settings_.MqttHost != before.MqttHost ||
        settings_.MqttPort != before.MqttPort || settings_.MqttTls != before.MqttTls ||
        settings_.MqttCaFile != before.MqttCaFile || settings_.MqttUser != before.MqttUser ||
        settings_.MqttPassword != before.MqttPassword ||
        settings_.MqttPrefix != before.MqttPrefix || settings_.Arena != before.Arena) {
        ApplyBrokerSettings();
    }
    // Kept at once: a crash later in the event must not cost the new settings.
    SaveSettings();
    if (confirmed->StartBarrierTest && !barrierTest_) {
        ToggleBarrierTest();
    }
}

void Competition::ApplyLiveSettings() {
    env_.Live.Stop();
    if (settings_.LiveResults) {
        const std::string error = env_.Live.Start(settings_.LivePort, settings_.LiveAddress);
        if (!error.empty()) {
            env_.Operator.ShowError(error);
        }
    }
}

void Competition::ApplyBrokerSettings() {
    if (env_.Broker == nullptr) {
        return;
    }
    env_.Broker->Stop();
    brokerMessage_.clear();
    if (settings_.Mqtt) {
        env_.Broker->Start({true, settings_.MqttHost, settings_.MqttPort, settings_.MqttTls,
                            settings_.MqttCaFile, settings_.MqttUser, settings_.MqttPassword,
                            settings_.MqttPrefix, settings_.Arena});
        env_.Broker->Publish({CurrentShowHead().Name, MakePublishedSnapshot()});
    }
}

void Competition::UpdateBrokerStatus() {
    if (env_.Broker == nullptr) {
        return;
    }
    // The message stands while the trouble lasts and goes when the broker is back; the timing
    // goes on either way.
    std::string message = env_.Broker->Running() ? env_.Broker->Status().Message : std::string();
    if (message != brokerMessage_) {
        brokerMessage_ = std::move(message);
        Notify(Change::All);
    }
}

std::string Competition::LiveAddress() const {
    return env_.Live.Running() ? env_.Live.AddressText() : std::string();
}

std::string Competition::BeamReadout() const {
    if (!comPort_.Connected()) {
        return {};
    }
    const bool cts = (comPort_.LineStatus() & ModemCtsOn) != 0;
    const bool broken = cts == (settings_.Alg == 0);
    return std::string(broken ? "Strahl unterbrochen" : "Strahl frei") +
           " · Flanken: " + std::to_string(comPort_.EdgeCount());
}

void Competition::OpenLightBarrier() {
    comPort_.DevicePath = env_.SimulatedBarrier;
    if (comPort_.Configured()) {
        OpenPort();
    }
}

void Competition::OpenPort() {
    try {
        comPort_.Open();
        portError_.clear();
    } catch (const std::exception& error) {
        // The message says why: missing device, or the dialout group with its command.
        portError_ = error.what();
        env_.Operator.ShowError(portError_);
        return;
    }
}

void Competition::ToggleBarrierTest() {
    if (barrierTest_) {
        barrierTest_.reset();
        // The level the test saw last is the resting level the next run starts from.
        engine_->SetLastModemStatus(comPort_.LineStatus());
        return;
    }
    barrierTest_ = std::make_unique<BarrierTest>(settings_.Alg, settings_.TimeLock,
                                                 env_.Time.CounterFrequency(), env_.Time.Now(),
                                                 comPort_.LineStatus());
}

bool Competition::Enabled(Command command) const {
    const TimingView& view = engine_->View();
    // The light-barrier test times and enters nothing.
    if (barrierTest_) {
        switch (command) {
            case Command::Start:
            case Command::Resume:
            case Command::PenaltyPlus:
            case Command::PenaltyMinus:
            case Command::Abort:
            case Command::Dq:
            case Command::Entry:
                return false;
            default:
                break;
        }
    }
    switch (command) {
        case Command::Start:
            return view.bSTART.Enabled;
        case Command::Resume:
            return view.ResumeEnabled;
        case Command::PenaltyPlus:
            return view.b5sekEnabled;
        case Command::PenaltyMinus:
            return view.b_5sekEnabled;
        case Command::Abort:
            return view.img_AbbruchVisible;
        case Command::Dq:
            return view.bDqEnabled;
        case Command::Entry:
            return view.bEintragen.Enabled;
        // These work even while their buttons are disabled.
        // No settings while a countdown or run is on the clock: a port changed now would lose
        // the stop crossing.
        case Command::Settings:
        case Command::BarrierTest:
        case Command::Undo:
            return !clock_->IsActive();
        case Command::NextClass:
        case Command::PreviousClass:
            return show_ && show_->ClassCount() > 1 && !RunPending();
        case Command::Scratch:
        case Command::Draw:
            return !RunPending();
        case Command::Help:
        case Command::Info:
        case Command::TvMode:
        case Command::Print:
        case Command::Clear:
        case Command::Excel:
        case Command::Edit:
        case Command::Html:
        case Command::Announcer:
        case Command::PrintStartList:
        case Command::PrintDivisions:
        case Command::LockLightBarrier:
        case Command::SortMode:
        case Command::Save:
        case Command::Load:
            return true;
        // Only a class that pays has a payout sheet.
        case Command::Payout:
            return classRules_.HasPayout;
    }
    return false;
}

void Competition::Run(Command command) {
    if (!Enabled(command)) {
        // A key that does nothing says so, or the operator presses it again and again.
        keyNote_ = KeyText(command) + " ist jetzt gesperrt" +
                   (clock_->IsActive() ? ": die Uhr läuft" : "");
        Notify(Change::All);
        return;
    }
    keyNote_.clear();
    // Any command may rank, sort, replace, clear or write the rows: text still in a cell editor
    // goes into the starter it was typed for first.
    env_.Operator.CommitEdits();
    RecordCorrections();
    switch (command) {
        case Command::Help:
            if (helpFile_.empty()) {
                env_.Operator.ShowError("Die Hilfeseite index.html fehlt neben dem Programm.");
            } else {
                OpenDocument(helpFile_);
            }
            break;
        case Command::Settings:
            EditSettings();
            break;
        case Command::Info:
            env_.Operator.ShowInformation();
            break;
        case Command::Start:
            if (dragPending_) {
                // The ground is ready: the next start arms the light barrier again.
                dragPending_ = false;
                if (engine_->View().LightBarrierArmed == 0) {
                    engine_->ImageLSClick();
                }
            }
            engine_->mStartClick();
            break;
        case Command::Resume:
            engine_->ResumeRun();
            LogBeam(env_.Time.Now(), "-", "Weiterlaufen: letzter Stopp aufgehoben");
            break;
        case Command::PenaltyPlus:
            engine_->b5sekClick(+1);
            break;
        case Command::PenaltyMinus:
            engine_->b5sekClick(-1);
            break;
        case Command::Abort:
            engine_->mAbbruchClick();
            break;
        case Command::Dq:
            engine_->bDqClick();
            break;
        case Command::Entry: {
            if (!ConfirmEntry()) {
                break;
            }
            const bool entering = engine_->View().EntryStep == 0;
            const int starter = startList_.StNrIndex();
            engine_->bEintragenClick();
            overwriting_ = false;
            if (entering && starter >= 0) {
                // A late rider ran out of order: the order goes on after the last one in it.
                inOrderLine_ = std::max(inOrderLine_, starter);
            }
            break;
        }
        case Command::LockLightBarrier:
            engine_->ImageLSClick();
            dragPending_ = dragPending_ && engine_->View().LightBarrierArmed == 0;
            break;
        case Command::SortMode:
            ranking_.mSortModeClick();
            break;
        case Command::Save:
            SaveAs();
            break;
        case Command::Load:
            Load();
            break;
        case Command::Print:
            if (WriteReport(printReport_)) {
                const std::string error = env_.Desktop.PrintReport(CurrentResultReport());
                if (!error.empty()) {
                    env_.Operator.ShowError(error);
                }
            }
            break;
        case Command::PrintStartList:
            if (const std::string error = env_.Desktop.PrintReport(CurrentStartListReport());
                !error.empty()) {
                env_.Operator.ShowError(error);
            }
            break;
        case Command::PrintDivisions:
            // Without divisions the key says so rather than print the whole list unasked.
            if (!classRules_.HasDivisions()) {
                keyNote_ = "Die Klasse hat keine Divisionen.";
            } else if (const std::string error =
                           env_.Desktop.PrintReport(CurrentDivisionResultReport());
                       !error.empty()) {
                env_.Operator.ShowError(error);
            }
            break;
        case Command::Announcer:
            announcerShown_ = !announcerShown_;
            break;
        case Command::Excel: {
            // A working copy for the spreadsheet program: it saves nothing the operator chose,
            // so the modified flag stays.
            const std::string path = env_.DataFolder + "/" + ResultWorkbookTitle;
            const FileWriteResult result = WriteWorkbookFile(table_, CurrentStanding(), path);
            if (!result.Ok()) {
                env_.Operator.ShowError("Speichern fehlgeschlagen: " + path + ": " + result.Error);
            } else {
                OpenDocument(path);
            }
            break;
        }
        case Command::Html:
            if (WriteReport(webPageReport_)) {
                OpenDocument(webPageReport_);
            }
            break;
        case Command::Payout:
            OpenPayoutSheet();
            break;
        case Command::TvMode:
            tvMode_ = !tvMode_;
            tvModeToggled_ = true;
            spectatorMessage_.clear();
            if (settings_.CountDown) {
                engine_->ResetDisplayWhenReady();
            }
            break;
        case Command::Clear:
            // Every result at once, and the next backup would overwrite the only copy: asked.
            if (env_.Operator.Ask("Alle Ergebnisse löschen?")) {
                ClearResults(table_);
                inOrderLine_ = -1;
                // The backup keeps the results until the next entry.
                RecordChange("Alle Ergebnisse gelöscht");
            }
            break;
        case Command::NextClass:
            SwitchClass(+1);
            break;
        case Command::PreviousClass:
            SwitchClass(-1);
            break;
        case Command::Undo:
            Undo();
            break;
        case Command::Scratch:
            Scratch();
            break;
        case Command::Draw:
            DrawOpenClass(std::nullopt);
            break;
        case Command::Edit:
            table_.SetEditMode(!table_.EditMode());
            break;
        case Command::BarrierTest:
            ToggleBarrierTest();
            break;
    }
    Notify(Change::All);
}

void Competition::SetEditMode(bool on) {
    env_.Operator.CommitEdits();
    RecordCorrections();
    table_.SetEditMode(on);
    Notify(Change::All);
}

void Competition::EditCell(int col, int row, const std::string& text) {
    const bool inTable =
        row >= 1 && row < table_.RowCount() && col >= 0 && col < ResultTable::ColCount;
    if (!table_.EditMode() || !inTable || !ColumnEditable(col) || table_.Cell(col, row) == text) {
        return;
    }
    table_.SetCell(col, row, text);
    // Logged with the old and the new text before any file holds the correction.
    RecordChange("Korrektur (Bearbeiten)");
    // A crash now must restore the corrected result, not the one before.
    SaveBackup();
    Notify(Change::All);
}

void Competition::SelectRow(int row) {
    table_.SetCurrentRow(row);
}

void Competition::SetColumnWidth(int col, int width) {
    table_.SetColWidth(col, width);
}

void Competition::OpenPrintReport() {
    env_.Operator.CommitEdits();
    if (WriteReport(printReport_)) {
        OpenDocument(printReport_);
    }
    Notify(Change::All);
}

bool Competition::WriteReport(const std::string& path) {
    const std::string error = [&] {
        const BusyWhile busy(env_.Operator);
        return WriteHtmlReport(CurrentResultReport(), path);
    }();
    if (!error.empty()) {
        env_.Operator.ShowError(error);
    }
    return error.empty();
}

namespace {

// The wall clock's local time in the format of strftime.
std::string LocalTimeText(const char* format) {
    const std::time_t seconds =
        std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

}  // namespace

AnnouncerSnapshot Competition::Announcer() const {
    const TimingView& view = engine_->View();
    const ReportHead head = CurrentReportHead();
    const Standing& standing = CurrentStanding();
    AnnouncerState state;
    state.className = head.className;
    state.race = head.race;
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
    return MakeAnnouncerSnapshot(standing, std::move(state));
}

ReportHead Competition::CurrentReportHead() const {
    // Without a show (or a show without a date) the file's day is the day it is printed.
    const ShowHead show = CurrentShowHead();
    return ReportHead{show.Name, show.Date.empty() ? LocalTimeText("%Y-%m-%d") : show.Date,
                      show.Place, CurrentClassName(), std::string(startList_.RaceText())};
}

Report Competition::CurrentResultReport() const {
    return ResultReport(table_, CurrentStanding(), CurrentReportHead(),
                        LocalTimeText("%d.%m.%Y %H:%M"));
}

Report Competition::CurrentDivisionResultReport() const {
    return DivisionResultReport(table_, CurrentStanding(), CurrentReportHead(),
                                LocalTimeText("%d.%m.%Y %H:%M"));
}

Report Competition::CurrentPayoutReport() const {
    return PayoutReport(CurrentStanding(), CurrentReportHead(), LocalTimeText("%d.%m.%Y %H:%M"));
}

void Competition::OpenPayoutSheet() {
    // Offered as a PDF to print and post, as a page or as a workbook for the office; proposed
    // beside the other reports as "<name>-auszahlung.pdf".
    const std::string proposal =
        (std::filesystem::path(env_.DataFolder) / (env_.ProgramName + "-auszahlung.pdf")).string();
    const std::optional<std::string> path = env_.Operator.ChooseFileToSave(
        proposal, {"PDF-Dokument (*.pdf)", HtmlFilter, "Arbeitsmappe (*.xlsx)"});
    if (!path) {
        return;
    }
    const PdfWriter pdf = [this](const Report& report, const std::string& file) {
        return env_.Desktop.WritePdf(report, file);
    };
    if (const std::string error = ExportReport(CurrentPayoutReport(), *path, pdf); !error.empty()) {
        env_.Operator.ShowError(error);
        return;
    }
    OpenDocument(*path);
}

Report Competition::CurrentStartListReport() const {
    return StartListReport(table_, CurrentStanding(), CurrentReportHead(),
                           LocalTimeText("%d.%m.%Y %H:%M"));
}

void Competition::OpenDocument(const std::string& path) {
    if (!env_.Desktop.OpenDocument(path)) {
        const bool workbook = SaveKind(path) == FileKind::Spreadsheet;
        env_.Operator.ShowError(std::string("Kein Programm zum Öffnen gefunden (ist ") +
                                (workbook ? "eine Tabellenkalkulation" : "ein Browser") +
                                " installiert?): " + path);
    }
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
    ranking_.SetTimeResolution(ResolutionOf(rules));
    engine_->SetTimeResolution(ResolutionOf(rules));
    Notify(Change::All);
}

const Standing& Competition::CurrentStanding() const {
    // Made again whenever the table (entry, correction, load, clear), the rules or the context
    // (the starter on course, the last run, the drags) changed since.
    StandingContext context;
    context.OnCourseRow = startList_.StarterRow();
    context.LastRunRow =
        lastEntryPosition_.empty() ? -1 : table_.FindStartPosition(lastEntryPosition_);
    context.DragEvery = show_ ? show_->OpenClass().Draw.DragEvery : 0;
    context.SystemSeparator = env_.DecimalSeparator;
    const StandingKey key{table_.Revision(),  classRulesRevision_, context.OnCourseRow,
                          context.LastRunRow, context.DragEvery,   context.SystemSeparator};
    if (!standing_ || standingOf_ != key) {
        standing_ = MakeStanding(table_, classRules_, context);
        standingOf_ = key;
    }
    return *standing_;
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

void Competition::WriteReasonsBack() {
    const DqReasons& reasons = engine_->Reasons();
    if (reasons.ReasonsAdded() > reasonsWritten_ &&
        WriteTextLines(reasonsFileName_, reasons.Lines()).Ok()) {
        reasonsWritten_ = reasons.ReasonsAdded();
    }
}

bool Competition::ConfirmEntry() {
    const int row = startList_.StarterRow();
    if (engine_->View().EntryStep != 0 || row < 0 || !HasResult(table_, row)) {
        return true;
    }
    // "Nein" keeps the old result and the new run on the board: the operator picks the starter
    // who really ran and enters again.
    overwriting_ =
        env_.Operator.Ask("Nr. " + table_.Cell(ColNr, row) + " hat bereits ein Ergebnis (" +
                          std::string(TrimText(table_.Cell(ColTotal, row))) + "). Überschreiben?");
    return overwriting_;
}

void Competition::SelectNextAfterEntry() {
    startList_.GoToPosition(FirstWithoutResult(inOrderLine_ + 1));
}

int Competition::FirstWithoutResult(int from) const {
    const int count = static_cast<int>(startList_.StNrItems().size());
    for (int index = std::max(from, 0); index < count; ++index) {
        const int row = table_.FindStartPosition(std::to_string(index + 1));
        if (row < 0 || (!HasResult(table_, row) && !RowScratched(table_, row))) {
            return index;
        }
    }
    return count;
}

bool Competition::RunPending() const {
    const TimingView& view = engine_->View();
    return clock_->IsActive() || (view.bEintragen.Enabled && view.EntryStep == 0);
}

bool Competition::MayReplaceTable() {
    if (RunPending()) {
        env_.Operator.ShowError(
            "Laden ist gesperrt, solange ein Lauf auf der Uhr ist oder auf seinen Eintrag "
            "wartet: erst eintragen (F10) oder abbrechen (F8).");
        return false;
    }
    bool results = false;
    for (int row = 1; row < table_.RowCount() && !results; ++row) {
        results = HasResult(table_, row) || !TrimText(table_.Cell(ColLaufzeit, row)).empty();
    }
    return !results || EncodeBackup(table_) == savedTable_ ||
           env_.Operator.Ask(
               "Die Ergebnisse in der Tabelle sind in keiner gespeicherten Datei. Trotzdem laden "
               "und ersetzen?");
}

void Competition::NoteTableSaved() {
    savedTable_ = EncodeBackup(table_);
}

void Competition::LeaveReasonField() {
    engine_->eGrundUserExit();
    Notify(Change::All);
}

std::string Competition::SaveBackup() {
    // The beam's record of this run is on the disk before its result is.
    beamLog_.Sync();
    // The marker names whose table the backup holds. A backup of another owner replaces it
    // between two marker writes, so a crash in between leaves the owner "unsure", never wrong.
    const BackupOwner owner = CurrentBackupOwner();
    BackupOwner replacing = owner;
    replacing.Unsure = true;
    FileWriteResult result;
    if (backupOwner_ != owner && backupOwner_ != replacing) {
        result = WriteRunningMarker(replacing);
    }
    if (result.Ok()) {
        result = WriteBackupFile(table_, backupFileName_);
    }
    if (result.Ok() && backupOwner_ != owner) {
        WriteRunningMarker(owner);  // else tried again with the next backup
    }
    // The warning stays until a backup succeeds.
    statusMessage_ = result.Ok() ? std::string() : "Sicherung fehlgeschlagen: " + result.Error;
    return statusMessage_;
}

void Competition::LoadFile(const std::string& path) {
    env_.Operator.CommitEdits();
    if (LoadShowList(path)) {
        Notify(Change::All);
        return;
    }
    if (MayReplaceTable()) {
        LoadChosen(path);
    }
    Notify(Change::All);
}

void Competition::LoadChosen(const std::string& path) {
    RecordCorrections();
    const std::string error = [&] {
        const BusyWhile busy(env_.Operator);
        return LoadChosenFile(path, table_, startList_, ranking_, measure_);
    }();
    if (!error.empty()) {
        env_.Operator.ShowError(error);
        return;
    }
    RecordChange("Geladen", path);
    NoteTableSaved();
    inOrderLine_ = -1;
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    settings_.LastFileName = absolute.empty() ? path : absolute.lexically_normal().string();
    SaveSettings();
}

void Competition::Load() {
    if (RunPending()) {
        MayReplaceTable();  // says why
        return;
    }
    const auto path = env_.Operator.ChooseFileToOpen(
        openFolder_, show_ ? std::vector<std::string>{TextFilter, WorkbookFilter, ShowListFilter}
                           : std::vector<std::string>{TextFilter, WorkbookFilter});
    if (path && LoadShowList(*path)) {
        return;
    }
    if (path && MayReplaceTable()) {
        LoadChosen(*path);
    }
}

void Competition::ReloadLastFile() {
    env_.Operator.CommitEdits();
    RecordCorrections();
    if (MayReplaceTable()) {
        const std::string error = [&] {
            const BusyWhile busy(env_.Operator);
            return ReloadFile(settings_.LastFileName, table_, startList_);
        }();
        if (!error.empty()) {
            env_.Operator.ShowError(error);
        } else {
            RecordChange("Neu geladen", settings_.LastFileName);
            NoteTableSaved();
            inOrderLine_ = -1;
        }
    }
    Notify(Change::All);
}

void Competition::SaveAs() {
    const auto chosen =
        env_.Operator.ChooseFileToSave(lastSaveName_, {TextFilter, WorkbookFilter, HtmlFilter});
    if (!chosen) {
        return;
    }
    const std::string& path = *chosen;
    lastSaveName_ = path;
    openFolder_ = FolderOf(path);
    if (SaveKind(path) == FileKind::HtmlReport) {
        WriteReport(path);
        return;
    }
    if (SaveKind(path) == FileKind::None) {
        env_.Operator.ShowError("Dateityp wird nicht unterstützt: " + path);
        return;
    }
    // A workbook saved over keeps what lies beside the table; where it cannot, the operator
    // decides.
    WorkbookOverwrite existing;
    if (SaveKind(path) != FileKind::Protocol) {
        existing = ExistingWorkbook(table_, path, env_.DecimalSeparator);
        if (existing.LosesCells &&
            !env_.Operator.Ask("Die Arbeitsmappe " + path +
                               " enthält mehr, als beim Speichern erhalten bleiben kann "
                               "(weitere Tabellenblätter, eine .xls-Datei mit mehr als der "
                               "Tabelle) oder ist nicht lesbar. Das geht verloren. Trotzdem "
                               "speichern?")) {
            return;
        }
    }
    const FileWriteResult result =
        SaveKind(path) == FileKind::Protocol
            ? WriteProtocolFile(table_, path)
            : WriteWorkbookFile(table_, CurrentStanding(), path, existing.Kept);
    if (!result.Ok()) {
        env_.Operator.ShowError("Speichern fehlgeschlagen: " + path + ": " + result.Error);
        return;
    }
    // Only a file the operator chose and that was written whole holds the changes.
    table_.SetModified(false);
    NoteTableSaved();
    settings_.LastFileName = path;
    SaveSettings();
}

void Competition::SaveSettings() {
    settings_.Port = comPort_.Port;
    settings_.PortName = comPort_.PortName;
    const std::vector<std::string> failed = WriteSettings(env_.SettingsStore, settings_);
    if (!failed.empty()) {
        env_.Operator.ShowError(WriteFailureText(failed.front()));
    }
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
    return RunPending() || table_.Modified();
}

bool Competition::CloseQuery() {
    return !ExitNeedsQuestion() || env_.Operator.Ask("Programm beenden?");
}

void Competition::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    RecordCorrections();
    SaveSettings();
    // Losing typed reasons at exit is not worth keeping the program from closing.
    WriteReasonsBack();
    comPort_.Close();
    reconnectTimer_->Stop();
    env_.Live.Stop();
    if (env_.Broker != nullptr) {
        env_.Broker->Stop();
    }
    std::error_code ignored;
    std::filesystem::remove(runningMarker_, ignored);
}

std::string Competition::ChangeLogFile() const {
    return show_ ? show_->LogFile(show_->OpenIndex()) : backupFileName_ + ".log";
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
    if (!show_ || row < 1 || row >= table_.RowCount()) {
        return false;
    }
    const int position = std::atoi(table_.Cell(ColStartPos, row).c_str());
    return DragAfter(position, show_->OpenClass().Draw.DragEvery, table_.RowCount() - 1);
}

void Competition::RecordCorrections() {
    if (table_.Revision() != committedRevision_) {
        RecordChange("Korrektur");
    }
}

void Competition::RecordChange(const std::string& what, const std::string& detail, bool undoable) {
    const std::vector<RowChange> changes = TableChanges(committed_, table_);
    if (!changes.empty() || undoable == false) {
        classFileMessage_ = WriteClassChange(ClassIndex(), changes, table_, what, detail);
        if (show_ && classFileMessage_.empty()) {
            table_.SetModified(false);
        }
        if (undoable && !changes.empty()) {
            std::vector<ResultTable>& steps = undo_[ClassIndex()];
            steps.push_back(committed_);
            if (steps.size() > UndoSteps) {
                steps.erase(steps.begin());
            }
        }
    }
    committed_ = table_;
    committedRevision_ = table_.Revision();
}

std::string Competition::WriteClassChange(int index, const std::vector<RowChange>& changes,
                                          const ResultTable& after, const std::string& what,
                                          const std::string& detail) {
    const FileWriteResult logged =
        AppendChangeLog(show_ ? show_->LogFile(index) : ChangeLogFile(),
                        ChangeLogText(LocalWallTime().Text, what, detail, changes), env_.FileWrite);
    if (!logged.Ok()) {
        // A class file the log does not explain is never written.
        return "Änderungsprotokoll nicht geschrieben: " + logged.Error;
    }
    if (!show_) {
        return {};
    }
    const FileWriteResult written =
        ReplaceFileBytes(show_->ClassFile(index), EncodeBackup(after), env_.FileWrite);
    return written.Ok() ? std::string() : "Klassendatei nicht geschrieben: " + written.Error;
}

bool Competition::LoadShowList(const std::string& path) {
    const ShowEntryList list = ReadShowEntries(path, env_.DecimalSeparator);
    if (!list.HasClassColumn && list.Error.empty()) {
        return false;
    }
    if (!list.Error.empty()) {
        env_.Operator.ShowError(list.Error);
    } else if (!show_) {
        env_.Operator.ShowError(
            "Die Startliste hat eine Spalte \"Klasse\": sie gehört zu einem Turnier. Erst die "
            "Turnierdatei öffnen (corralix Turnier.json), dann die Startliste laden.");
    } else if (RunPending()) {
        MayReplaceTable();  // says why
    } else {
        ImportShowList(path, list.Entries);
    }
    return true;
}

void Competition::ImportShowList(const std::string& path, const std::vector<ShowEntry>& entries) {
    RecordCorrections();
    ShowData data = show_->Data();
    const int open = show_->OpenIndex();
    // Every class's share, read and prepared before anything is written.
    struct Share {
        int Index = 0;
        bool Added = false;
        ResultTable Before;
        ResultTable After;
        NewStarters Starters;
        bool Late = false;
    };
    std::vector<Share> shares;
    std::vector<std::string> order;
    // Class names as the office typed them: "jugend " is the class "Jugend".
    std::map<std::string, std::vector<ShowEntry>> byClass;
    for (const ShowEntry& entry : entries) {
        auto& list = byClass[AsciiLower(entry.ClassName)];
        if (list.empty()) {
            order.push_back(entry.ClassName);
        }
        list.push_back(entry);
    }
    int late = 0;
    for (const std::string& name : order) {
        Share share;
        share.Index = -1;
        for (std::size_t i = 0; i < data.Classes.size() && share.Index < 0; ++i) {
            if (AsciiLower(data.Classes[i].Name) == AsciiLower(name)) {
                share.Index = static_cast<int>(i);
            }
        }
        if (share.Index < 0) {
            share.Index =
                AddShowClass(data, FolderOf(show_->FilePath()), name, show_->OpenClass().Race);
            share.Added = true;
        } else if (share.Index == open) {
            share.Before = table_;
        } else if (const std::string error =
                       ReadClassTable(*show_, share.Index, share.Before, env_.DecimalSeparator);
                   !error.empty()) {
            env_.Operator.ShowError("Klasse \"" + name + "\" nicht gelesen: " + error +
                                    ". Die Startliste wurde nicht übernommen.");
            return;
        }
        share.Starters = NewStartersOf(share.Before, byClass[AsciiLower(name)]);
        share.Late = HasStarters(share.Before) && !share.Starters.Added.empty();
        late += share.Late ? static_cast<int>(share.Starters.Added.size()) : 0;
        shares.push_back(std::move(share));
    }
    // The new classes are known from here on; the show file is written once their files are.
    show_->Data() = data;
    std::optional<std::uint64_t> seed;
    if (late > 0) {
        std::string classes;
        for (const Share& share : shares) {
            if (share.Late) {
                classes += (classes.empty() ? "" : ", ") + data.Classes[share.Index].Name + ": " +
                           std::to_string(share.Starters.Added.size());
            }
        }
        if (env_.Operator.Ask(std::to_string(late) +
                              (late == 1 ? " Nachmeldung" : " Nachmeldungen") + " (" + classes +
                              ").\nIn den Teil der Startfolge auslosen, der noch nicht gelaufen "
                              "ist? \"Nein\" setzt sie ans Ende.")) {
            seed = std::uint64_t{std::random_device{}()};
        }
    }
    // Who has run, and the starter at the gate, keep their places.
    const auto fixedOf = [&](const Share& share) {
        int fixed = share.Index == open ? startList_.StNrIndex() + 1 : 0;
        for (int row = 1; row < share.Before.RowCount(); ++row) {
            if (RowHasRun(share.Before, row)) {
                fixed = std::max(fixed, std::atoi(share.Before.Cell(ColStartPos, row).c_str()));
            }
        }
        return fixed;
    };
    std::string report = "Startliste für das Turnier eingelesen: " + path;
    std::vector<std::string> doubled;
    std::string failed;
    const std::string detail =
        seed ? path + ", Nachmeldungen ausgelost mit Startwert " + std::to_string(*seed) : path;
    for (Share& share : shares) {
        const ShowClass& item = show_->Data().Classes.at(share.Index);
        share.After = share.Before;
        std::vector<int> drawn;
        if (!share.Starters.Added.empty()) {
            drawn = AddStarters(share.After, share.Starters.Added, fixedOf(share),
                                item.Draw.HorseGap, share.Late ? seed : std::nullopt);
        }
        report += "\n" + item.Name + ": " + std::to_string(share.Starters.Added.size()) + " neu";
        if (share.Late) {
            report += seed ? " (Nachmeldungen ausgelost)" : " (Nachmeldungen am Ende)";
        }
        if (share.Starters.Known > 0) {
            report += ", " + std::to_string(share.Starters.Known) + " schon eingeteilt";
        }
        if (share.Added) {
            report += ", Klasse neu angelegt (" + item.Race + ", Datei " + item.File + ")";
        }
        for (const std::string& starter : share.Starters.Doubled) {
            doubled.push_back(item.Name + ": " + starter);
        }
        if (share.Starters.Added.empty()) {
            continue;
        }
        if (share.Index == open) {
            // The starter at the gate stays the current one.
            const int current = startList_.StNrIndex();
            RestoreRows(share.After);
            startList_.RebuildAfterLoad();
            const auto at = std::find(drawn.begin(), drawn.end(), current);
            startList_.GoToPosition(current < 0 || at == drawn.end()
                                        ? FirstWithoutResult(0)
                                        : static_cast<int>(at - drawn.begin()));
            RecordChange("Startliste eingelesen", detail);
            SaveBackup();
            continue;
        }
        const std::string message =
            WriteClassChange(share.Index, TableChanges(share.Before, share.After), share.After,
                             "Startliste eingelesen", detail);
        if (!message.empty()) {
            failed += "\n" + item.Name + ": " + message;
        } else if (!share.Added) {
            undo_[share.Index].push_back(share.Before);
        }
    }
    if (std::any_of(shares.begin(), shares.end(), [](const Share& share) { return share.Added; })) {
        if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
            failed += "\nTurnierdatei nicht geschrieben: " + saved.Error;
        }
    }
    if (!doubled.empty()) {
        report += "\n\nDoppelt gemeldet, nur einmal übernommen:";
        for (const std::string& starter : doubled) {
            report += "\n" + starter;
        }
    }
    if (!failed.empty()) {
        env_.Operator.ShowError(report + "\n\nNicht geschrieben:" + failed);
    } else {
        env_.Operator.ShowMessage(report);
    }
}

void Competition::RestoreRows(const ResultTable& from) {
    table_.SetRowCount(from.RowCount());
    for (int row = 1; row < from.RowCount(); ++row) {
        const auto& cells = from.Row(row);
        table_.SetRow(row, std::vector<std::string>(cells.begin(), cells.end()));
    }
}

void Competition::Undo() {
    std::vector<ResultTable>& steps = undo_[ClassIndex()];
    if (steps.empty()) {
        env_.Operator.ShowMessage("Nichts rückgängig zu machen.");
        return;
    }
    const ResultTable previous = std::move(steps.back());
    steps.pop_back();
    const auto starters = [](const ResultTable& table) {
        std::vector<std::pair<std::string, std::string>> list;
        for (int row = 1; row < table.RowCount(); ++row) {
            list.emplace_back(table.Cell(ColStartPos, row), table.Cell(ColNr, row));
        }
        std::sort(list.begin(), list.end());
        return list;
    };
    // The current starter stays unless the undo brings back another start list.
    const bool sameStarters = starters(previous) == starters(table_);
    RestoreRows(previous);
    if (sameStarters) {
        ranking_.cmd_SORTClick();
    } else {
        startList_.RebuildAfterLoad();
    }
    RecordChange("Rückgängig", {}, false);
    SaveBackup();
}

void Competition::Scratch() {
    const int row = startList_.StarterRow();
    if (row < 0) {
        env_.Operator.ShowError("Kein Starter gewählt.");
        return;
    }
    const std::string who = "Nr. " + std::string(TrimText(table_.Cell(ColNr, row)));
    if (RowHasRun(table_, row)) {
        env_.Operator.ShowError(who +
                                " hat bereits ein Ergebnis und kann nicht abgemeldet werden.");
        return;
    }
    const bool scratch = !RowScratched(table_, row);
    table_.SetCell(ColGrund, row, scratch ? std::string(ScratchedText) : std::string());
    RecordChange(scratch ? "Abgemeldet" : "Abmeldung aufgehoben");
    SaveBackup();
    if (scratch) {
        startList_.GoToPosition(FirstWithoutResult(startList_.StNrIndex() + 1));
    }
}

void Competition::LockForDrag() {
    int row = startList_.StarterRow();
    // A drag point at a scratched starter comes after the run before them.
    while (row > 0 && !DragAfterRow(row)) {
        const int position = std::atoi(table_.Cell(ColStartPos, row).c_str());
        row = table_.FindStartPosition(std::to_string(position + 1));
        row = row > 0 && RowScratched(table_, row) ? row : -1;
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

bool Competition::LoadClass(int index) {
    const ShowClass& item = show_->Data().Classes.at(index);
    const std::string path = show_->ClassFile(index);
    // Checked when the show was opened.
    SetClassRules(ReadShowClassRules(item).Rules);
    engine_->SetPenaltySeconds(item.PenaltySeconds);
    if (std::filesystem::exists(path)) {
        const std::string error = LoadChosenFile(path, table_, startList_, ranking_, measure_);
        if (!error.empty()) {
            env_.Operator.ShowError("Klasse \"" + item.Name + "\" nicht geöffnet: " + error);
            return false;
        }
    } else {
        RestoreRows(ResultTable());
        startList_.RebuildAfterLoad();
    }
    // The board goes to the first starter without a result; the class file holds the table.
    startList_.GoToPosition(FirstWithoutResult(0));
    inOrderLine_ = -1;
    NoteTableSaved();
    const auto race = std::find(StartList::Races.begin(), StartList::Races.end(), item.Race);
    startList_.cbRaceChange(
        race == StartList::Races.end() ? 0 : static_cast<int>(race - StartList::Races.begin()));
    show_->SetOpenIndex(index);
    committed_ = table_;
    committedRevision_ = table_.Revision();
    table_.SetModified(false);
    dragPending_ = false;
    classResults_.clear();
    if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
        env_.Operator.ShowError("Turnierdatei nicht geschrieben: " + saved.Error);
    }
    return true;
}

void Competition::OpenClass(int index) {
    env_.Operator.CommitEdits();
    RecordCorrections();
    if (!show_ || index < 0 || index >= show_->ClassCount() || index == show_->OpenIndex()) {
        Notify(Change::All);
        return;
    }
    if (RunPending()) {
        env_.Operator.ShowError("Klassenwechsel erst, wenn der Lauf eingetragen ist.");
        Notify(Change::All);
        return;
    }
    // The class file holds every change already; written once more so the folder is whole.
    const FileWriteResult written = ReplaceFileBytes(show_->ClassFile(show_->OpenIndex()),
                                                     EncodeBackup(table_), env_.FileWrite);
    if (!written.Ok()) {
        env_.Operator.ShowError("Klassendatei nicht geschrieben: " + written.Error +
                                ". Die Klasse bleibt offen.");
        Notify(Change::All);
        return;
    }
    LoadClass(index);
    Notify(Change::All);
}

void Competition::SwitchClass(int step) {
    if (show_) {
        OpenClass(std::clamp(show_->OpenIndex() + step, 0, show_->ClassCount() - 1));
    }
}

void Competition::DrawOpenClass(std::optional<std::uint64_t> seed) {
    env_.Operator.CommitEdits();
    RecordCorrections();
    if (RunPending()) {
        env_.Operator.ShowError("Auslosen erst, wenn der Lauf eingetragen ist.");
        return;
    }
    bool results = false;
    for (int row = 1; row < table_.RowCount(); ++row) {
        results = results || RowHasRun(table_, row);
    }
    if (results && !env_.Operator.Ask("Die Klasse hat bereits Ergebnisse. Neu auslosen? Wer "
                                      "gelaufen ist, bleibt vorn.")) {
        return;
    }
    ShowClass single;
    ShowClass& item = show_ ? show_->Data().Classes.at(show_->OpenIndex()) : single;
    const ClassDraw report = DrawClass(table_, item, seed);
    startList_.RebuildAfterLoad();
    RecordChange("Auslosung", report.Text);
    SaveBackup();
    if (show_) {
        // The draw closes the entries: who scratched before it never paid in.
        SetClassRules(ReadShowClassRules(item).Rules);
    }
    if (show_) {
        if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
            env_.Operator.ShowError("Turnierdatei nicht geschrieben: " + saved.Error);
        }
    }
    env_.Operator.ShowMessage(report.Text);
    Notify(Change::All);
}
