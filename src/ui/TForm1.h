#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"
#include "serial/Comms.h"
#include "serial/PortDiscovery.h"
#include "timing/TimingEngine.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;
class ISerialBackend;
class ISettingsStore;
class TDigit;
class TSortGrid;

// What the main window needs from outside; the program passes the real ones, tests fakes.
struct Form1Environment {
    ISerialBackend& Serial;
    ISettingsStore& SettingsStore;
    ICuePlayer& Cues;
    ITimeSource& Time;
    // Folder of the program file (logo, reasons list shipped with the program).
    std::string ProgramFolder;
    // Folder of the backup and of reasons written back: the program folder when writable.
    std::string DataFolder;
    // A device opened as the light-barrier port in place of the configured one (simulated barrier).
    std::string SimulatedBarrier;
    // Shows an error to the operator; a message box in the program.
    std::function<void(const std::string&)> ShowError;
};

// A timer of the user-interface thread driving one handler of the logic. It repeats until the
// logic stops it, so it is still active while the handler runs (the logic tells a live expiry
// from a stale one that way).
class QtTimer : public ITimer {
public:
    explicit QtTimer(std::function<void()> expired);
    void Start(int intervalMs) override;
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

// The operator's main window: entry controls, time board, result table. It forwards every
// command to the logic and renders the logic's state afterwards.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(Form1Environment environment, QWidget* parent = nullptr);
    ~TForm1() override;

    // Loads a start list or protocol as if it had been chosen in the open dialog.
    void LoadFile(const std::string& path);

    ResultTable& Table() { return table_; }
    StartList& Starters() { return *startList_; }
    TimingEngine& Engine() { return *engine_; }
    TComPort& ComPort() { return comPort_; }
    const ::Settings& CurrentSettings() const { return settings_; }
    const std::string& BackupFileName() const { return backupFileName_; }

    // Controls, named as the operator knows them.
    QPushButton* bSTART = nullptr;
    QPushButton* b5sek = nullptr;
    QPushButton* b_5sek = nullptr;
    QPushButton* bDq = nullptr;
    QPushButton* bEintragen = nullptr;
    QPushButton* bLoad = nullptr;
    QPushButton* bNumerMinus = nullptr;
    QPushButton* bNumerPlus = nullptr;
    QPushButton* cmd_F2_Settings = nullptr;
    QPushButton* cmd_SORT = nullptr;
    QPushButton* cmd_SAVE = nullptr;
    QToolButton* ImageLSstart = nullptr;
    QToolButton* img_Abbruch = nullptr;
    QComboBox* cbStNr = nullptr;
    QComboBox* cbRace = nullptr;
    QCheckBox* cbTeam = nullptr;
    QLineEdit* eReiterin = nullptr;
    QLineEdit* ePferd = nullptr;
    QLineEdit* eTeam = nullptr;
    QLineEdit* eGrundUser = nullptr;
    QListWidget* ListBoxGrund = nullptr;
    QLabel* LabelGrund = nullptr;
    QLabel* eRaceT = nullptr;
    QLabel* eReiterinT = nullptr;
    QLabel* ePferdT = nullptr;
    QLabel* eTeamT = nullptr;
    QLabel* eStarafeT = nullptr;
    QLabel* eRangT = nullptr;
    QLabel* LabMin = nullptr;
    QLabel* LabSec = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* StatusPosition = nullptr;
    QLabel* StatusMessage = nullptr;
    TDigit* Digit3 = nullptr;
    TDigit* Digit4 = nullptr;
    TDigit* Digit5 = nullptr;
    TDigit* Digit6 = nullptr;
    TDigit* Digit7 = nullptr;
    TDigit* Digit8 = nullptr;
    TSortGrid* SortGrid1 = nullptr;

    // Hidden menu commands carrying the keys.
    QAction* mStart = nullptr;
    QAction* m5Plus = nullptr;
    QAction* m5Minus = nullptr;
    QAction* mAbbruch = nullptr;
    QAction* mDQ = nullptr;
    QAction* mEintragen = nullptr;
    QAction* LockLS1 = nullptr;
    QAction* mSortMode = nullptr;
    QAction* Save1 = nullptr;
    QAction* Load1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPanelCtrl(QWidget* panel);
    void BuildPanelTablo(QWidget* panel);
    void BuildCommands();
    // A click runs the handler of the logic, then the window shows the state it left.
    void OnClick(QAbstractButton* button, std::function<void()> handler);
    void FormCreate();
    void LoadLogo();
    void OpenLightBarrier();
    void ComPortOpen();
    void ComPortClose();
    void ComPortLS();
    void bLoadClick();
    void ReloadLastFile();
    void cmd_SAVEClick();
    void SaveSettings();
    std::string SaveBackup();
    // Brings every control in line with the logic's state.
    void Render();
    void RenderButton(QPushButton* button, QAction* action, const ButtonLook& look,
                      std::optional<ButtonLook>& shown);
    void RenderBoard();
    void RenderStartList();
    void RenderReasons();

    Form1Environment env_;
    char decimalSeparator_;
    ::Settings settings_;
    ResultTable table_;
    Ranking ranking_;
    std::unique_ptr<StartList> startList_;
    QtTimer clock_;
    QtTimer startLock_;
    std::unique_ptr<TimingEngine> engine_;
    TComPort comPort_;
    PortReconnector reconnector_;
    QTimer reconnectTimer_;
    std::string backupFileName_;
    std::string reasonsFileName_;
    // What the controls show already; restyling a button or redrawing a picture is not free.
    std::vector<std::string> shownStNrItems_;
    std::vector<std::string> shownReasons_;
    std::optional<ButtonLook> shownStartLook_;
    std::optional<ButtonLook> shownEntryLook_;
    int shownArmed_ = -1;
    // The open dialog starts in the program folder until the first save, then where the
    // platform likes; the save dialog proposes the name of the previous save.
    QString openFolder_;
    QString lastSaveName_;
};
