#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/Settings.h"
#include "config/WindowPlacement.h"
#include "core/BarrierLine.h"
#include "core/ClassJournal.h"
#include "core/CrashBackup.h"
#include "core/Host.h"
#include "core/KeyCommands.h"
#include "core/Office.h"
#include "core/Publication.h"
#include "core/ScoreboardFeed.h"
#include "core/Show.h"
#include "core/TimerInput.h"
#include "files/BeamLog.h"
#include "files/ChangeLog.h"
#include "files/LiveResults.h"
#include "files/ProtocolFile.h"
#include "files/Report.h"
#include "publish/BrokerFeed.h"
#include "results/ClassRules.h"
#include "results/Jackpot.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/Standing.h"
#include "results/StartList.h"
#include "serial/Comms.h"
#include "serial/PortDiscovery.h"
#include "timing/BackupTiming.h"
#include "timing/BarrierTest.h"
#include "timing/TimingEngine.h"

class ISerialBackend;
class ISettingsStore;

// What a window has to redraw after a change: a clock tick touches the time board only.
enum class Change { Clock, All };

// Everything the competition needs from outside; the program passes the real ones, tests fakes.
struct CompetitionEnvironment {
    ISerialBackend& Serial;
    ISettingsStore& SettingsStore;
    ICuePlayer& Cues;
    ITimeSource& Time;
    ITimerFactory& Timers;
    IOperator& Operator;
    IDesktop& Desktop;
    // The results page on the local network; started and stopped by the settings.
    ILiveResults& Live;
    // Hands the light barrier's events from its watcher thread to the user-interface thread.
    UiPost Post;
    // Folder of the program file (reasons list shipped with the program).
    std::string ProgramFolder;
    // Folder of the backup and of what the program writes back: the program folder when writable.
    std::string DataFolder;
    // A device opened as the light-barrier port in place of the configured one (simulated barrier).
    std::string SimulatedBarrier;
    // The system decimal separator of the time texts.
    char DecimalSeparator = ',';
    // The program file's name; the fixed report names are formed from it.
    std::string ProgramName = "corralix";
    // Asks the desktop's RealtimeKit for the watcher thread's priority; may stay empty.
    RealtimeRequest RequestRealtime = nullptr;
    // Puts the bytes of class files and change logs into the file; tests play a crash with it.
    WriteCall FileWrite = ::write;
    // Results and the clock to an MQTT broker; started and stopped by the settings. None: the
    // program does without.
    IBrokerPublisher* Broker = nullptr;
    // A device opened as the backup light barrier's port in place of the configured one.
    std::string SimulatedBackup = std::string();
    // The LED scoreboard's line; opened and closed by the settings. None: the program does
    // without.
    IScoreboard* Scoreboard = nullptr;
    // A device opened as the scoreboard's port in place of the configured one (a pseudo terminal
    // or FIFO to try a board with).
    std::string SimulatedBoard = {};
};

// The event the operator runs: result table, ranking, start list, run clock, light-barrier port,
// reasons list, backup, the file commands and the settings. Windows forward every control's event
// to one command here and render the state it exposes; after every change the competition tells
// each window through its change listeners, also for changes that no window caused (clock ticks,
// the light barrier). Every member runs on the user-interface thread only.
class Competition {
public:
    // Reads the settings and the reasons list and sets the start state; the port stays closed
    // until Start.
    explicit Competition(CompetitionEnvironment environment);
    ~Competition();
    Competition(const Competition&) = delete;
    Competition& operator=(const Competition&) = delete;

    // Called after every change with what changed; windows add theirs once.
    void AddChangeListener(std::function<void(Change)> listener);
    // The grid that draws the table measures its texts for fitting column widths.
    void SetTextMeasure(const ITextMeasure* measure) { measure_.Target = measure; }

    // Once the windows are shown: opens the light barrier, offers the backup when the program did
    // not end normally the last time, then loads the file named on the command line (if any).
    void Start(const std::string& commandLineFile);

    // The key commands (also reached by their buttons): each acts only while it is enabled.
    bool Enabled(Command command) const;
    void Run(Command command);

    // Controls without a key.
    void SelectStarter(int index);  // cbStNr
    void StepStarter(int step);     // bNumerMinus, bNumerPlus
    void SetRider(std::string text);
    void SetHorse(std::string text);
    void SetTeam(std::string text);
    void SetRace(int index);
    void SetTeamShown(bool shown);
    // The jackpot settings of the open class (thousandths, divisions, payout); a single file
    // without a show runs with the default rules.
    void SetClassRules(const ClassRules& rules);
    const ClassRules& Rules() const { return classRules_; }
    // The open class's standing as the table, its rules and the starter on course are now: what
    // every view of its results renders.
    const Standing& CurrentStanding() const;
    void ChooseReason(int index);               // a click into the reasons list
    void EnterReason(const std::string& text);  // Enter in the free-text field
    void LeaveReasonField();                    // the field lost the focus
    void ReloadLastFile();                      // right click on the load button
    void OpenPrintReport();                     // cmd_PRINT: writes the print form, opens it
    void SetEditMode(bool on);                  // the grid: double click on, Esc off
    // A correction typed into a cell of the grid in edit mode: the one way a cell changes by
    // hand. The backup holds it at once, and every window and the live results see it.
    void EditCell(int col, int row, const std::string& text);
    // The grid's own state in the table: the row the operator clicked, a column dragged wider.
    void SelectRow(int row);
    void SetColumnWidth(int col, int width);
    // The help page shipped with the program is there (its button is enabled only then).
    bool HelpAvailable() const { return !helpFile_.empty(); }
    void LoadFile(const std::string& path);  // a start list or protocol chosen elsewhere

    // The main window's bounds as they are now, written back with the settings.
    void SetMainWindowBounds(const Rect& bounds);
    // The spectator window: its bounds as they are now, the display it went to (the stored one
    // brought into the displays present), and the operator closing it (TV mode off).
    void SetSpectatorBounds(const Rect& bounds);
    void SetSpectatorMonitor(int monitor) { settings_.Monitor = monitor; }
    void CloseSpectatorWindow();
    // The display of the spectator window went away while TV mode is on: the window waits hidden
    // for it and the status bar says so; false once it is back or TV mode ended.
    void SetSpectatorDisplayGone(bool gone);
    // The number beside the TV picture: the display the spectator window goes to, counted from 1
    // among the displays present.
    int SpectatorDisplayNumber() const;
    // Asked when the operator closes the program: true when it may close. Asks "Programm
    // beenden?" while the clock runs, a timed run waits for its entry, or the table has changes
    // no file holds.
    bool CloseQuery();
    bool ExitNeedsQuestion() const;
    // The end of the program: writes the settings and added reasons back and closes the port.
    void Shutdown();

    // State for the windows.
    const TimingView& View() const { return engine_->View(); }
    const ResultTable& Table() const { return journal_.Table(); }
    const StartList& Starters() const { return startList_; }
    const Ranking& Sorting() const { return ranking_; }
    const DqReasons& Reasons() const { return engine_->Reasons(); }
    const ::Settings& CurrentSettings() const { return settings_; }
    bool PortOpen() const { return line_.Port().Connected(); }
    // TV mode: the spectator window is shown. Toggled tells whether it was ever switched, so
    // the main window shows its TV picture and display number only from then on.
    bool TvMode() const { return tvMode_; }
    bool TvModeToggled() const { return tvModeToggled_; }
    // A failure met during timing (a backup that could not be written, the light barrier's line
    // lost, the beam log, no real-time priority), or good news about the line; empty once
    // resolved. Short enough for the status bar; the detail gives the cause and the fix.
    std::string StatusMessage() const { return ShownStatus().Text; }
    // Cells of the table changed outside a recorded command: a fault, recorded as such.
    int UnrecordedChanges() const { return journal_.UnrecordedChanges(); }
    std::string StatusDetail() const { return ShownStatus().Detail; }
    // The message shown is good news (the line is back), not a failure.
    bool StatusIsGood() const { return ShownStatus().Good; }
    // The light barrier's line as the operator aligns the beam: free or broken and the edges
    // seen since the port opened; empty while no port is open.
    std::string BeamReadout() const;
    // Where spectators find the live results, while that server runs; else empty.
    std::string LiveAddress() const;
    const std::string& BackupFileName() const { return backup_.FileName(); }
    // The head of every report: the show's name, date and place, the class and the race; for a
    // single file the race and the day.
    ReportHead CurrentReportHead() const;
    // The result list and the start list of the current class as printed, made now.
    Report CurrentResultReport() const;
    // The result list of the open class by division (Ctrl+Shift+D prints it).
    Report CurrentDivisionResultReport() const;
    // The payout sheet of the open class (Ctrl+U writes it as a page and opens it).
    Report CurrentPayoutReport() const;
    Report CurrentStartListReport() const;
    // What the announcer's window and the "/sprecher" page show, as things are now.
    AnnouncerSnapshot Announcer() const;
    // The announcer's window is shown (Ctrl+M); closing it switches it off.
    bool AnnouncerShown() const { return announcerShown_; }
    void CloseAnnouncerWindow() { announcerShown_ = false; }
    char DecimalSeparator() const { return env_.DecimalSeparator; }

    // The light-barrier test (F7, or its button in the settings dialog): on while it describes
    // every edge instead of timing it; nothing else while off.
    const BarrierTest* BarrierTestState() const { return line_.Test(); }
    // The backup light barrier's test, which runs beside it while that line is open.
    const BarrierTest* BackupTestState() const { return backupLine_.Test(); }

    // A show of several classes (`corralix SHOWFILE`). Without a show the program holds one
    // class whose file is the backup.
    bool HasShow() const { return show_.has_value(); }
    const Show* CurrentShow() const { return show_ ? &*show_ : nullptr; }
    // The show's head for reports and publishers; empty without a show.
    ShowHead CurrentShowHead() const;
    // The name of the class open; empty without a show.
    std::string CurrentClassName() const;
    // The class box beside the race box: opens the class at index (refused while a run is on
    // the clock or waits for its entry).
    void OpenClass(int index);
    // Draws the open class's start order (asks first when the class has results); without a
    // seed a new one is taken.
    void DrawOpenClass(std::optional<std::uint64_t> seed);
    // The time boards: the current starter, or "Bahnpflege" while the ground is dragged.
    BoardTexts Board() const;
    bool DragPending() const { return dragPending_; }
    // Whether the ground is dragged after the starter in body row `row` (start list marks).
    bool DragAfterRow(int row) const;
    // The start list on screen marks the drags while it shows the start order.
    bool DragMarkAfterRow(int row) const { return !ranking_.SortDown() && DragAfterRow(row); }
    // The change log of the open class.
    std::string ChangeLogFile() const;

    // The show office (Office.cpp): the cash-out of the open show as the classes stand now (its
    // printed form "Kasse"), the paid marks, and the register's riders and horses for the
    // fields. The cash-out window (Ctrl+K) is shown while CashoutShown.
    Cashout CurrentCashout() const;
    Report CurrentCashoutReport() const;
    void PrintCashout();  // through the print dialog
    // Marks the rider of the account paid, or voids a check (it keeps its number); false after
    // telling the operator why not.
    bool MarkPaid(const std::string& accountKey, PayMethod method);
    bool VoidCheck(int number);
    const std::vector<std::string>& RegisteredRiders() const;
    const std::vector<std::string>& RegisteredHorses() const;
    bool CashoutShown() const { return cashoutShown_; }
    void CloseCashoutWindow() { cashoutShown_ = false; }

    // For tests and the benchmark: the parts as they are.
    TimingEngine& Engine() { return *engine_; }
    TComPort& ComPort() { return line_.Port(); }
    TComPort& BackupComPort() { return backupLine_.Port(); }

private:
    // Fitting widths measures in the grid's font once a window has given its measure.
    struct DeferredMeasure : ITextMeasure {
        int TextWidth(std::string_view text, int col, int row) const override {
            return Target ? Target->TextWidth(text, col, row) : 0;
        }
        const ITextMeasure* Target = nullptr;
    };
    // Which part serves a command: whether it is enabled now and what it does.
    struct CommandHandler {
        std::function<bool()> Enabled;
        std::function<void()> Run;
    };

    static TimingSettings TimingSettingsOf(const Settings& settings);
    StatusLine ShownStatus() const;
    // Where the run clock stands, as the announcer and the scoreboard show it.
    AnnouncerClock ClockState() const;
    // Hands what the scoreboard shows now to its line (a changed frame only).
    void ShowOnScoreboard();
    // Why a command's key does nothing now, for the note in the status bar; empty when no reason
    // is known.
    std::string LockReason(Command command) const;
    void Notify(Change change);
    // Each part registers the commands it serves (a new command touches one place).
    void Serve(Command command, std::function<bool()> enabled, std::function<void()> run);
    void RegisterTimingCommands();
    void RegisterDocumentCommands();
    void RegisterShowCommands();
    void RegisterWindowCommands();
    void RegisterOfficeCommands();
    // The register takes the riders and horses of a list; the operator hears of spellings.
    void TakeIntoRegister(const std::vector<RegisterLine>& lines);

    // Timing (CompetitionTiming.cpp): the light barrier's edges, the entry of a run.
    void LightBarrierEdge(const ComEvent& event);
    // The second timing source: which source gives the official times and which backs it up,
    // their edges and impulses, the pairing of the backup's edges with the primary's, and the
    // run time taken from their readings.
    enum class SourceRole { Primary, Backup, None };
    SourceRole BarrierRole() const;
    SourceRole BackupBarrierRole() const;
    SourceRole TimerRole() const;
    void OpenSources();
    void BackupBarrierEdge(BarrierLine& line, std::uint32_t& last, const ComEvent& event,
                           const std::string& name);
    void TimerImpulseCame(std::int64_t local, const TimerImpulse& impulse);
    // A primary trigger at local (own: its stamp in the source's clock) and what it did.
    void PrimaryCrossing(std::int64_t local, std::int64_t own, EdgeAction action,
                         const std::string& name, const std::string& stamp);
    void BackupCrossing(const BackupEdge& edge, const std::string& lineState);
    void BackupWaitedOut();
    void AttachBackup(const BackupEdge& edge, Crossing did);
    void StartReadings();
    void ApplyReadings();
    // Before an entry: asks which time to take when the two sources disagree.
    void AskRunTime();
    std::string BackupName() const;
    std::string PrimaryName() const;
    std::string ReadingsText() const;
    void LogBeam(std::int64_t stamp, const std::string& lineState, const std::string& action);
    EntryOutcome EnterRun(const RunCells& cells);
    // A run on the clock, or a timed run that waits for its entry.
    bool RunPending() const;
    // Before an entry: asks when it would replace the current starter's result.
    bool ConfirmEntry();
    // "Next" after an entry: the first starter without a result after the last one who ran in
    // order, so a rider called back late never leads to a starter who has already run.
    void SelectNextAfterEntry();
    // Start-list index of the first starter from index `from` on without a result; the count
    // of starters when there is none.
    int FirstWithoutResult(int from) const;
    // After the entry of the run at a drag point: the barrier stays locked.
    void LockForDrag();
    void ToggleBarrierTest();
    void EditSettings();
    void SaveSettings();
    // Writes the reasons typed since the last write next to the backup.
    void WriteReasonsBack();

    // The last run of the open class as its change log tells it, after the class was opened or
    // the program started again.
    void RecallLastRun();
    // After a crash: the backup goes into the table as a change of its own, with the run that was
    // on the clock when the program ended, if the beam log saw one.
    void RestoreBackup();

    // The table: the places in the view the sort button selects, and the backup.
    void Arrange();
    std::string SaveBackup();
    // Whose table the backup written now holds: the open class of the show, or a single table.
    BackupOwner CurrentBackupOwner() const;
    // Where the open class's changes go.
    ClassFiles OpenClassFiles() const;
    // Replaces the rows with the table read from a file or brought back, as one recorded change;
    // the start list follows.
    void ReplaceTable(const std::string& what, const ResultTable& table, const std::string& detail,
                      bool logAlways = false);

    // Documents (CompetitionDocuments.cpp): load, save, print, reports and workbooks.
    // Before a load replaces the table: refused while a run is pending, asked when the table
    // holds results that no file of the operator's choosing has. True when the load may go on.
    bool MayReplaceTable();
    // Remembers the table as a file of the operator's choosing now holds it.
    void NoteTableSaved();
    void LoadChosen(const std::string& path);
    void Load();
    void SaveAs();
    // Writes a report of the table; false (after telling the operator) when it failed.
    bool WriteReport(const std::string& path);
    void OpenDocument(const std::string& path);
    void OpenPayoutSheet();
    void WriteResultWorkbook();
    // Where a document of the open class goes: in a show beside the class file, named after it
    // ("open-Ergebnisliste.xlsx"); for a single table `single`.
    std::string ClassDocument(const std::string& title, const std::string& single) const;
    // What the live results and the broker publisher get: a copy of the table and the board.
    LiveSnapshot MakePublishedSnapshot() const;

    // The show (CompetitionShow.cpp): classes, switching, import, draw, scratches, undo.
    // A start list with a column "Klasse": split into the show's classes. False when the file
    // is an ordinary start list.
    bool LoadShowList(const std::string& path);
    void ImportShowList(const std::string& path, const std::vector<ShowEntry>& entries);
    void Undo();
    void Scratch();
    void SwitchClass(int step);
    // Loads the class's file into the table (an empty class without one) and makes it the
    // open class; false (after telling the operator) when its file cannot be read.
    bool LoadClass(int index);
    int ClassIndex() const { return show_ ? show_->OpenIndex() : 0; }
    // The open class has runs of its own: not a class that takes them from others.
    bool OwnRuns() const { return !show_ || !TakesResults(show_->OpenClass()); }
    // After a recorded change of a class: every class that takes its results from it (and a
    // carried class whose own start list changed) is made again, logged and written.
    void RefreshTakers(int changed);
    // Makes the class's table from the classes it takes from and records it where it differs;
    // returns what the operator is told about it (numbers the source lacks, rounds counted).
    std::string RefreshTaken(int index);
    // The table of a class of the show as it stands now: the open class's from the journal,
    // another one's read from its file. Returns the message when it could not be read.
    std::string ClassTableNow(int index, ResultTable& table) const;
    // The starter with that number runs a round of an average: where they stand in it.
    std::optional<AnnouncerAverage> AverageOnCourse(const std::string& number) const;

    CompetitionEnvironment env_;
    ::Settings settings_;
    ClassJournal journal_;
    bool refreshing_ = false;  // a taken class is being made: its own record changes nothing
    Ranking ranking_;
    DeferredMeasure measure_;
    StartList startList_;
    std::unique_ptr<ITimer> clock_;
    std::unique_ptr<ITimer> startLock_;
    std::unique_ptr<ITimer> reconnectTimer_;
    // Fires when a waiting backup edge has waited out its window.
    std::unique_ptr<ITimer> backupDue_;
    std::unique_ptr<TimingEngine> engine_;
    CrashBackup backup_;
    BarrierLine line_;
    BarrierLine backupLine_;
    TimerInput timer_;
    CrossingPairs pairs_;
    // The run's readings of both sources, for its time and the change log.
    RunReadings readings_;
    // The last line status of the backup line and of the barrier when it backs a timer.
    std::uint32_t backupStatus_ = 0;
    std::uint32_t barrierBackupStatus_ = 0;
    // Which reading the operator took when the two disagreed, for the change log.
    std::string takenReading_;
    Publication publication_;
    ScoreboardFeed scoreboard_;
    std::map<Command, CommandHandler> commands_;
    std::vector<std::function<void(Change)>> listeners_;
    std::string reasonsFileName_;
    std::string helpFile_;
    std::string webPageReport_;
    // The start position of the row the last run was entered into.
    std::string lastEntryPosition_;
    std::string printReport_;
    std::string spectatorMessage_;
    // Why the last key did nothing, until a key acts again.
    std::string keyNote_;
    // The table (in start order) as a file of the operator's choosing holds it.
    std::string savedTable_;
    // Start-list index of the last starter who ran in order; -1 before the first entry.
    int inOrderLine_ = -1;
    int reasonsWritten_ = 0;
    // The open dialog starts where the backup is until the first save, then where that went.
    std::string openFolder_;
    std::string lastSaveName_;
    bool shutDown_ = false;
    std::optional<Show> show_;
    bool dragPending_ = false;
    // The operator answered "Ja" to replacing the current starter's result: the entry under way
    // overwrites it.
    bool overwriting_ = false;
    // The light barrier's stamps of the run on the clock, for the change log.
    std::string runStamps_;
    // The last entry, so that undoing it gives its run back to be entered again.
    struct EnteredRun {
        std::uint64_t step = 0;
        int classIndex = 0;
        PendingRun run;
        std::string stamps;
        std::string position;
        std::string lastPositionBefore;
        int inOrderLineBefore = -1;
        bool dragPendingBefore = false;
    };
    std::optional<EnteredRun> lastEntered_;
    bool tvMode_ = false;
    bool announcerShown_ = false;
    bool tvModeToggled_ = false;
    ClassRules classRules_;
    std::uint64_t classRulesRevision_ = 0;
    mutable std::optional<Standing> standing_;
    // What the standing was made of: the table's and the rules' revisions and the context.
    struct StandingKey {
        std::uint64_t table = 0;
        std::uint64_t rules = 0;
        int onCourseRow = -1;
        int lastRunRow = -1;
        int dragEvery = 0;
        char separator = ',';
        bool operator==(const StandingKey&) const = default;
    };
    mutable StandingKey standingOf_;
    Office office_;
    bool cashoutShown_ = false;
};
