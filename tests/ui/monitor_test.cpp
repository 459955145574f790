#include "ui/TFormMonitor2.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <map>

#include "QtTestApp.h"
#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"
#include "ui/QtHost.h"
#include "ui/TDigit.h"
#include "ui/TForm1.h"
#include "ui/TFrameBrindlewerk.h"

namespace {

// The spectator window is tried on two displays: the operator's and a full-HD arena screen.
const bool TwoScreens = [] {
    return setenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORRALIX_TEST_DATA "/two_screens.json",
                  1) == 0;
}();

constexpr std::int64_t TicksPerMs = 1'000'000;

class FakeTime : public ITimeSource {
public:
    std::int64_t Now() const override { return now; }
    std::int64_t CounterFrequency() const override { return 1000 * TicksPerMs; }
    std::int64_t now = 5'000'000'000;
};

class NoCues : public ICuePlayer {
public:
    void PlayCue(const std::string&) override {}
};

// Counts the paints every control of a window receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& window) {
        for (QWidget* child : window.findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }
    std::map<QObject*, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
        }
        return false;
    }
};

// The displays present, as the program's desktop lists them.
std::vector<Rect> Screens() {
    return QtDesktop().Screens();
}

int ScreenIndex(int width) {
    const std::vector<Rect> screens = Screens();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].Width == width) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// The competition with the main window and the spectator window, wired as the program does.
class SpectatorWindow : public testing::Test {
protected:
    // Opens a start list of one starter, or the file given.
    void Open(std::string file = {}) {
        const std::string folder = dir.path().toStdString();
        if (file.empty()) {
            file = folder + "/starter.txt";
            std::ofstream(file, std::ios::binary) << "Nr.;Name;Pferd;Team\r\n7;Anna;Blue;Nord\r\n";
        }
        competition = std::make_unique<Competition>(
            CompetitionEnvironment{serial, store, cues, time, timers, dialogs, desktop, live,
                                   [](std::function<void()>) {}, folder, folder, "", ','});
        form = std::make_unique<TForm1>(*competition);
        competition->AddChangeListener([this](Change change) {
            if (change == Change::Clock) {
                monitor.RenderDigits(competition->View());
            } else {
                monitor.Render(competition->View(), competition->Board(),
                               competition->CurrentClassName());
            }
        });
        form->show();
        competition->Start(file);
    }

    // The spectator board shows what the main window's board shows.
    void ExpectSameBoards() {
        const std::pair<TDigit*, TDigit*> digits[] = {
            {monitor.Digit3, form->Digit3}, {monitor.Digit4, form->Digit4},
            {monitor.Digit5, form->Digit5}, {monitor.Digit6, form->Digit6},
            {monitor.Digit7, form->Digit7}, {monitor.Digit8, form->Digit8}};
        for (const auto& [spectators, operatorBoard] : digits) {
            EXPECT_EQ(spectators->Value(), operatorBoard->Value());
            EXPECT_EQ(spectators->ColorOn(), operatorBoard->ColorOn());
        }
        EXPECT_EQ(TextColour(monitor.LabMin), TextColour(form->LabMin));
        EXPECT_EQ(TextColour(monitor.LabSec), TextColour(form->LabSec));
        const std::pair<QLabel*, QLabel*> labels[] = {
            {monitor.eRaceM, form->eRaceT},       {monitor.eReiterinM, form->eReiterinT},
            {monitor.ePferdM, form->ePferdT},     {monitor.eTeamM, form->eTeamT},
            {monitor.eStarafeM, form->eStarafeT}, {monitor.eRangM, form->eRangT}};
        for (const auto& [spectators, operatorBoard] : labels) {
            EXPECT_EQ(spectators->text(), operatorBoard->text());
            EXPECT_EQ(spectators->isVisibleTo(&monitor), operatorBoard->isVisibleTo(form.get()))
                << operatorBoard->text().toStdString();
        }
    }

    // Time passes in 10 ms ticks of the run clock.
    void RunFor(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10) {
            time.now += 10 * TicksPerMs;
            if (timers.Clock().active) {
                timers.Clock().expired();
            }
        }
    }

    QTemporaryDir dir;
    FakeSerialBackend serial;
    MemorySettingsStore store;
    NoCues cues;
    FakeTime time;
    ManualTimers timers;
    ScriptedOperator dialogs;
    RecordingDesktop desktop;
    SilentLiveResults live;
    // The spectator window outlives the competition that renders into it.
    TFormMonitor2 monitor{','};
    std::unique_ptr<Competition> competition;
    std::unique_ptr<TForm1> form;
};

TEST_F(SpectatorWindow, ShowsTheSameTimePenaltiesAndRankAsTheMainWindowThroughAWholeRun) {
    ASSERT_TRUE(TwoScreens);
    Open();
    monitor.ShowOnMonitor(ScreenIndex(1920), true, Screens());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    EXPECT_EQ(monitor.eRaceM->text(), "Barrel Racing");
    EXPECT_EQ(monitor.eReiterinM->text(), "7 Anna");
    EXPECT_EQ(monitor.ePferdM->text(), "Blue");
    EXPECT_EQ(monitor.eTeamM->text(), "Nord");
    ExpectSameBoards();

    competition->Run(Command::Start);  // countdown
    RunFor(12'340);
    ExpectSameBoards();
    EXPECT_EQ(monitor.Digit6->Value(), 7) << "17 s of the countdown left";

    competition->Run(Command::Start);  // run start
    RunFor(65'400);
    ExpectSameBoards();
    EXPECT_EQ(monitor.Digit4->Value(), 1);
    EXPECT_EQ(monitor.Digit6->Value(), 5);
    EXPECT_EQ(monitor.Digit7->Value(), 4);

    // A tick in which only the tenths change repaints the tenths digit and nothing else.
    {
        PaintCounter counter(monitor);
        RunFor(100);
        QApplication::processEvents();
        EXPECT_EQ(counter.paints, (std::map<QObject*, int>{{monitor.Digit7, 1}}));
    }

    RunFor(30);
    competition->Run(Command::Start);  // run stop at 1:05,53
    ExpectSameBoards();
    EXPECT_EQ(monitor.Digit8->Value(), 3);
    competition->Run(Command::PenaltyPlus);
    competition->Run(Command::PenaltyPlus);
    ExpectSameBoards();
    EXPECT_EQ(monitor.eStarafeM->text(), "Strafen: 2");

    competition->Run(Command::Entry);
    ExpectSameBoards();
    EXPECT_EQ(monitor.eRangM->text(), "Rang: 1");
    EXPECT_TRUE(monitor.eRangM->isVisible());

    competition->SetTeamShown(false);
    ExpectSameBoards();
    EXPECT_FALSE(monitor.eTeamM->isVisibleTo(&monitor));
    EXPECT_EQ(monitor.Digit3->y(), 10 + 5 * 90) << "the clock row moves up at once";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SpectatorWindow, InAShowItIsHeadedWithTheClassSoTwoClassesOfOneRaceAreToldApart) {
    const std::string folder = dir.path().toStdString();
    std::ofstream(folder + "/open.txt", std::ios::binary) << "7;Anna;Blue\r\n";
    std::ofstream(folder + "/jugend.txt", std::ios::binary) << "21;Finn;Pablo\r\n";
    std::ofstream(folder + "/Turnier.json", std::ios::binary)
        << R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
             {"name": "Jugend", "race": "Barrel Racing", "file": "jugend.txt"}]})";
    Open(folder + "/Turnier.json");
    EXPECT_EQ(monitor.eRaceM->text(), "Open · Barrel Racing");
    EXPECT_EQ(monitor.eReiterinM->text(), "7 Anna");
    EXPECT_EQ(monitor.ePferdM->text(), "Blue");
    ExpectSameBoards();
    competition->Run(Command::NextClass);
    EXPECT_EQ(monitor.eRaceM->text(), "Jugend · Barrel Racing");
    EXPECT_EQ(monitor.eReiterinM->text(), "21 Finn");
    ExpectSameBoards();
}

TEST_F(SpectatorWindow, FirstStartOpensOnHalfTheChosenScreenThenCoversItInFullScreen) {
    ASSERT_TRUE(TwoScreens);
    const int arena = ScreenIndex(1920);
    ASSERT_GE(arena, 0);
    const QRect screen = QGuiApplication::screens()[arena]->geometry();
    monitor.SetStoredBounds({0, 0, 0, 0});
    EXPECT_EQ(monitor.ShowOnMonitor(arena, false, Screens()), arena);
    EXPECT_EQ(monitor.pos(), QPoint(screen.x() + 480, 270));
    EXPECT_EQ(monitor.size(), QSize(960, 540));
    EXPECT_EQ(monitor.windowTitle(), "Zusatzmonitor");

    // From a tiny window straight to full screen.
    monitor.resize(160, 120);
    EXPECT_EQ(monitor.ShowOnMonitor(arena, true, Screens()), arena);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    EXPECT_EQ(monitor.geometry(), screen);
    EXPECT_TRUE(monitor.windowFlags().testFlag(Qt::FramelessWindowHint));
    // Readable from across the arena: rows of 90 pixels, digits 192 x 430 with 24-pixel bars,
    // and every digit has its bars at once, not only after a second resize.
    EXPECT_EQ(monitor.eReiterinM->geometry(), QRect(10, 100, 1900, 90));
    EXPECT_EQ(monitor.eReiterinM->font().pointSize(), 45);
    EXPECT_EQ(monitor.FrameBrindlewerk1->geometry(), QRect(10, 980, 1900, 90));
    for (TDigit* digit : {monitor.Digit3, monitor.Digit4, monitor.Digit5, monitor.Digit6,
                          monitor.Digit7, monitor.Digit8}) {
        EXPECT_EQ(digit->geometry().size(), QSize(192, 430));
        EXPECT_EQ(digit->y(), 550);
        EXPECT_EQ(digit->Thickness(), 24);
    }
    EXPECT_EQ(monitor.LabMin->font().pointSize(), 143);

    monitor.LeaveFullScreen();
    EXPECT_FALSE(monitor.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(monitor.size(), QSize(960, 540));
    EXPECT_TRUE(monitor.isVisible());

    // A stored index beyond the displays present goes to the last one.
    const int last = static_cast<int>(QGuiApplication::screens().size()) - 1;
    EXPECT_EQ(monitor.ShowOnMonitor(last + 1, true, Screens()), last);
    EXPECT_EQ(monitor.geometry(), QGuiApplication::screens()[last]->geometry());
}

// TV mode on the arena display in full screen, as the program wires the window.
class TvOnTheArena : public SpectatorWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(TwoScreens);
        Settings settings;
        settings.Monitor = ScreenIndex(1920);
        settings.FullScreen = true;
        WriteSettings(store, settings);
        desktop.screens = Screens();
        Open();
        monitor.Follow(*competition, desktop);
        competition->Run(Command::TvMode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
        arena = QGuiApplication::screens()[settings.Monitor]->geometry();
        ASSERT_EQ(monitor.geometry(), arena);
    }
    QRect arena;
};

TEST_F(TvOnTheArena, FullScreenSwitchedOffWhileHiddenHalvesTheWindow) {
    competition->Run(Command::TvMode);
    ASSERT_FALSE(monitor.isVisible());
    dialogs.editSettings = [](CfgValues& values) { values.FullScreen = false; };
    competition->Run(Command::Settings);
    competition->Run(Command::TvMode);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    EXPECT_EQ(monitor.size(), arena.size() / 2);
    EXPECT_FALSE(monitor.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(TvOnTheArena, UnpluggedDisplayHidesTheWindowWithANoteUntilItIsBack) {
    const std::vector<Rect> both = desktop.screens;
    desktop.screens.erase(desktop.screens.begin() + ScreenIndex(1920));
    monitor.DisplaysChanged();
    EXPECT_FALSE(monitor.isVisible()) << "not over the operator's screen, not where no display is";
    EXPECT_TRUE(competition->TvMode());
    EXPECT_NE(competition->StatusMessage().find("Anzeige " + std::to_string(ScreenIndex(1920) + 1) +
                                                " nicht angeschlossen"),
              std::string::npos);
    competition->Run(Command::Start);  // other commands leave it waiting
    EXPECT_FALSE(monitor.isVisible());

    desktop.screens = both;
    monitor.DisplaysChanged();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    EXPECT_EQ(monitor.geometry(), arena);
    EXPECT_EQ(competition->StatusMessage(), "");
}

TEST_F(SpectatorWindow, EscapeClosesItOnlyOnTheFirstDisplay) {
    int closed = 0;
    monitor.OnClose = [&] { ++closed; };
    monitor.ShowOnMonitor(1, false, Screens());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    QTest::keyClick(&monitor, Qt::Key_Escape);
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_EQ(closed, 0);

    monitor.ShowOnMonitor(0, false, Screens());
    QTest::keyClick(&monitor, Qt::Key_Escape);
    EXPECT_FALSE(monitor.isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_NE(monitor.windowFlags() & Qt::WindowStaysOnTopHint, 0);
}

}  // namespace
