#pragma once

#include <QWidget>

#include "files/Announcer.h"
#include "timing/TimingView.h"

class Competition;
class QLabel;

// The announcer's window ("Sprecher"): the rider on course with the running clock, the next two
// starters, the last run, the leaders and how far the class has got, in type that reads from a
// few steps away. It can sit on a screen of its own; it shows the same snapshot as the live
// server's "/sprecher" page. Open or minimised, it never keeps the program alive: closing the
// main window ends the program and closes it. UI thread only.
class AnnouncerWindow : public QWidget {
public:
    AnnouncerWindow();

    // Shows the competition's announcer view from now on: takes the key table, appears and goes
    // with the competition's announcer switch (Ctrl+M). The competition must outlive the window.
    void Follow(Competition& competition);

    // Shows the snapshot; the clock as the time board shows it.
    void Render(const AnnouncerSnapshot& snapshot);
    void RenderClock(const TimingView& view, const AnnouncerSnapshot& snapshot);
    void RenderTeams(const AnnouncerSnapshot& snapshot);

    QLabel* Heading = nullptr;
    QLabel* Count = nullptr;
    QLabel* Rider = nullptr;
    QLabel* Horse = nullptr;
    QLabel* Clock = nullptr;
    QLabel* Next = nullptr;
    QLabel* LastRun = nullptr;
    QLabel* Leaders = nullptr;
    QLabel* Teams = nullptr;  // the team standings, shown in a class with a team rule

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Competition* competition_ = nullptr;
    AnnouncerClock shownClock_ = AnnouncerClock::Idle;
    // The class's separator and resolution, as the last snapshot gave them, for the clock's ticks.
    char shownSeparator_ = ',';
    Resolution shownResolution_ = Resolution::Hundredths;
    QString stoppedTime_;
};

// The clock as the time board shows it ("00:15,23", "00:15,234" in a class timed to the
// thousandth), from the board's digits, with the decimal separator the class's times have.
QString BoardClockText(const TimingView& view, char decimalSeparator, Resolution resolution);
