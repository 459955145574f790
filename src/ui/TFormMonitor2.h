#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "config/MonitorLayout.h"
#include "results/StartList.h"
#include "timing/TimingView.h"

class QLabel;
class TDigit;
class TFrameBrindlewerk;

// The spectator window ("Zusatzmonitor") for a second display or a TV: the time board of the main
// window in large type, laid out in proportion to the window's size. A top-level window of its
// own, always on top, never minimised with the main window and never keeping the program alive.
// It renders the state it is given; key commands are added to it with addAction.
// Every member runs on the user-interface thread only.
class Competition;
class IDesktop;

class TFormMonitor2 : public QWidget {
public:
    explicit TFormMonitor2(char decimalSeparator);

    // Shows the competition's board from now on: takes the keys of the main window, appears and
    // goes with TV mode on the display the settings name, and hands its bounds back for the
    // settings. The competition and desktop must outlive the window's use.
    void Follow(Competition& competition, IDesktop& desktop);

    // Bounds as stored in Left2, Top2, Width2, Height2: left and top of the frame, client size.
    void SetStoredBounds(const Rect& bounds);
    Rect StoredBounds() const;

    // Shows the window on display `monitor` of `screens` (the displays present in the platform's
    // order, as IDesktop::Screens gives them), covering it without a frame in full-screen mode.
    // Returns the display index brought into the displays present.
    int ShowOnMonitor(int monitor, bool fullScreen, const std::vector<Rect>& screens);
    // Full-screen mode was switched off: the frame comes back and the window halves its size.
    void LeaveFullScreen();
    // The displays changed (one plugged in or out). When the window's display is gone it hides
    // and waits, and the competition tells the operator; when the display is back, the window
    // returns there. A full-screen window follows a new size of its display.
    void DisplaysChanged();

    // Shows the whole board: the class (of a show, else empty) and race, the starter, penalties,
    // rank and the clock.
    void Render(const TimingView& view, const BoardTexts& texts, const std::string& className);
    // Shows the clock only; touches only the digits and separators that changed.
    void RenderDigits(const TimingView& view);

    // The operator closed the window (close box, Alt+F4, Escape on the first display); the window
    // hides itself. Turning TV mode off in code hides it with hide(), which does not call this.
    std::function<void()> OnClose;

    QLabel* eRaceM = nullptr;
    QLabel* eReiterinM = nullptr;
    QLabel* ePferdM = nullptr;
    QLabel* eTeamM = nullptr;
    QWidget* PanelStrafe = nullptr;
    QLabel* eStarafeM = nullptr;
    QLabel* eRangM = nullptr;
    TDigit* Digit3 = nullptr;
    TDigit* Digit4 = nullptr;
    QLabel* LabMin = nullptr;
    TDigit* Digit5 = nullptr;
    TDigit* Digit6 = nullptr;
    QLabel* LabSec = nullptr;
    TDigit* Digit7 = nullptr;
    TDigit* Digit8 = nullptr;
    TDigit* Digit9 = nullptr;  // thousandths, shown in a class timed to the thousandth
    TFrameBrindlewerk* FrameBrindlewerk1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetFrameless(bool frameless);
    // Places every control for the current client size.
    void LayoutBoard();

    // Brings the window in line with TV mode and the display settings.
    void FollowTvMode();

    int monitor_ = 0;
    bool fullScreen_ = false;
    // Waiting hidden for its display, and where it was on that display.
    bool away_ = false;
    int awayMonitor_ = 0;
    int presentWhenGone_ = 0;
    Rect awayBounds_;
    // The display a full-screen window covers.
    Rect coveredDisplay_;
    // The bounds from the settings, taken when the window is first shown; empty on a first start.
    Rect stored_;
    bool shownOnce_ = false;
    Competition* competition_ = nullptr;
    IDesktop* desktop_ = nullptr;
};
