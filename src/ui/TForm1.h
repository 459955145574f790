#pragma once

#include <QMainWindow>
#include <optional>
#include <string>
#include <vector>

#include "core/Competition.h"

class BarrierTestWindow;

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;
class FittedPicture;
class TDigit;
class TLbSpeedButton;
class TSortGrid;
class TStNrBox;

// The operator's main window: entry controls, time board, result table. It forwards every
// control's event to one command of the competition and renders the competition's state after
// every change.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Places itself by the stored bounds on the screens present.
    explicit TForm1(Competition& competition, QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls, named as the operator knows them.
    TLbSpeedButton* bSTART = nullptr;
    TLbSpeedButton* b5sek = nullptr;
    TLbSpeedButton* b_5sek = nullptr;
    TLbSpeedButton* bDq = nullptr;
    TLbSpeedButton* bEintragen = nullptr;
    TLbSpeedButton* bWeiterlaufen = nullptr;
    QPushButton* bLoad = nullptr;
    QPushButton* bNumerMinus = nullptr;
    QPushButton* bNumerPlus = nullptr;
    TLbSpeedButton* cmd_F1_Help = nullptr;
    TLbSpeedButton* cmd_F2_Settings = nullptr;
    TLbSpeedButton* cmd_F3_Info = nullptr;
    TLbSpeedButton* Cmd_Clear = nullptr;
    TLbSpeedButton* Cmd_Edit = nullptr;
    TLbSpeedButton* cmd_SORT = nullptr;
    TLbSpeedButton* cmd_EXCEL = nullptr;
    TLbSpeedButton* cmd_SAVE = nullptr;
    TLbSpeedButton* cmd_PRINT = nullptr;
    TLbSpeedButton* cmd_HTML = nullptr;
    QToolButton* ImageLSstart = nullptr;
    QToolButton* img_Abbruch = nullptr;
    TStNrBox* cbStNr = nullptr;
    QComboBox* cbRace = nullptr;
    QComboBox* cbKlasse = nullptr;
    QLabel* LabelKlasse = nullptr;
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
    FittedPicture* ImageLogo = nullptr;
    QLabel* Image2 = nullptr;
    QToolButton* ImageBrindlewerk = nullptr;
    QLabel* LabelMonitor = nullptr;
    QLabel* StatusPosition = nullptr;
    QLabel* StatusCopyright = nullptr;
    QLabel* StatusMessage = nullptr;
    QLabel* StatusBeam = nullptr;
    QLabel* StatusLive = nullptr;
    TDigit* Digit3 = nullptr;
    TDigit* Digit4 = nullptr;
    TDigit* Digit5 = nullptr;
    TDigit* Digit6 = nullptr;
    TDigit* Digit7 = nullptr;
    TDigit* Digit8 = nullptr;
    TDigit* Digit9 = nullptr;  // thousandths, shown in a class timed to the thousandth
    TSortGrid* SortGrid1 = nullptr;

    // The key commands, in the two hidden menus "HideMenu" and "Files".
    QList<QAction*> KeyActions;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildPanelCtrl(QWidget* panel);
    void BuildPanelTablo(QWidget* panel);
    void BuildCommands();
    // A click runs the command of the competition, which has every window render.
    void OnClick(QAbstractButton* button, Command command);
    void PlaceWindow();
    void LoadLogo();
    void StoreBounds();
    // Brings the controls in line with the competition's state; a clock tick redraws the board.
    void Render(Change change);
    void RenderBoard();
    // Places the clock's digits and separators: six digits, or seven narrower ones when the
    // class is timed to the thousandth.
    void LayoutClock(bool thousandths);
    bool clockThousandths_ = false;
    void RenderClasses();
    void RenderStartList();
    void RenderReasons();
    void RenderStatus();
    // The name and horse fields offer the register's riders and horses as the operator types.
    void RenderRegister();

    Competition& competition_;
    // What the controls show already; restyling a button or redrawing a picture is not free.
    std::vector<std::string> shownClasses_;
    std::vector<std::string> shownReasons_;
    class QStringListModel* registeredRiders_ = nullptr;
    class QStringListModel* registeredHorses_ = nullptr;
    std::vector<std::string> shownRiders_;
    std::vector<std::string> shownHorses_;
    int shownArmed_ = -1;
    int shownTvMode_ = -1;
    std::string shownStatus_;
    MainWindowPlacer placer_;
    bool shownStatusGood_ = false;
    BarrierTestWindow* barrierTestWindow_ = nullptr;
};
