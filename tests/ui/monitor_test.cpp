#include "ui/TFormMonitor2.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <map>

#include "QtTestApp.h"
#include "results/Ranking.h"
#include "timing/TimingEngine.h"
#include "ui/TDigit.h"
#include "ui/TFrameBrindlewerk.h"

namespace {

// The spectator window is tried on two displays: the operator's and a full-HD arena screen.
const bool TwoScreens = [] {
    return setenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORRALIX_TEST_DATA "/two_screens.json",
                  1) == 0;
}();

constexpr std::int64_t TicksPerMs = 1000;

class FakeTime : public ITimeSource {
public:
    std::int64_t Now() const override { return now; }
    std::int64_t CounterFrequency() const override { return 1000 * TicksPerMs; }
    std::int64_t now = 5'000'000;
};

// The test calls the engine's clock handler itself.
class FakeTimer : public ITimer {
public:
    void Start(int) override { active = true; }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    bool active = false;
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

int ScreenIndex(int width) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        if (screens[i]->geometry().width() == width) {
            return i;
        }
    }
    return -1;
}

class SpectatorWindow : public testing::Test {
protected:
    SpectatorWindow() : monitor(',') {
        table.SetRowCount(3);
        table.SetRow(1, {"7", "Anna", "Blue"});
        table.SetRow(2, {"12", "Bea", "Star"});
        EntryHooks hooks;
        hooks.CurrentStartNumber = [] { return std::string("7"); };
        hooks.SelectNextStarter = [] {};
        hooks.RankTable = [this] { ranking.RankAndSort(); };
        hooks.SaveBackup = [] { return std::string(); };
        engine = std::make_unique<TimingEngine>(table, time, clock, startLock, cues,
                                                TimingSettings{}, std::move(hooks));
    }

    // The monitor shows exactly what the view holds.
    void ExpectSameBoard() {
        const TimingView& view = engine->View();
        const std::pair<TDigit*, DigitLook> digits[] = {
            {monitor.Digit3, view.Digit3}, {monitor.Digit4, view.Digit4},
            {monitor.Digit5, view.Digit5}, {monitor.Digit6, view.Digit6},
            {monitor.Digit7, view.Digit7}, {monitor.Digit8, view.Digit8}};
        for (const auto& [digit, look] : digits) {
            EXPECT_EQ(digit->Value(), look.Value);
            EXPECT_EQ(digit->ColorOn(), QColor::fromRgb(look.ColorOn));
        }
        EXPECT_EQ(monitor.LabMin->palette().color(QPalette::WindowText),
                  QColor::fromRgb(view.LabMinColor));
        EXPECT_EQ(monitor.LabSec->palette().color(QPalette::WindowText),
                  QColor::fromRgb(view.LabSecColor));
        EXPECT_EQ(monitor.eStarafeM->text().toStdString(), view.eStarafeT);
        EXPECT_EQ(monitor.eRangM->text().toStdString(), view.eRangT);
        EXPECT_EQ(monitor.eRangM->isVisible(), view.eRangTVisible);
    }

    // Time passes in 10 ms ticks; each tick repaints the running clock as the program does.
    void RunFor(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10) {
            time.now += 10 * TicksPerMs;
            engine->ClockTimer();
            monitor.RenderDigits(engine->View());
        }
    }

    void Command(void (TimingEngine::*command)()) {
        (engine.get()->*command)();
        monitor.Render(engine->View(), texts);
    }

    ResultTable table;
    Ranking ranking{table, ','};
    FakeTime time;
    FakeTimer clock;
    FakeTimer startLock;
    NoCues cues;
    std::unique_ptr<TimingEngine> engine;
    BoardTexts texts{"Barrel Racing", "Anna", "7 Blue", "Team Nord", true};
    TFormMonitor2 monitor;
};

TEST_F(SpectatorWindow, ShowsTheViewsTimePenaltiesAndRankThroughAWholeRun) {
    ASSERT_TRUE(TwoScreens);
    monitor.ShowOnMonitor(ScreenIndex(1920), true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    monitor.Render(engine->View(), texts);
    EXPECT_EQ(monitor.ePferdM->text(), "7 Blue");
    EXPECT_EQ(monitor.eTeamM->text(), "Team Nord");

    Command(&TimingEngine::mStartClick);  // countdown
    RunFor(12'340);
    ExpectSameBoard();
    EXPECT_EQ(monitor.Digit6->Value(), 7) << "17 s of the countdown left";

    Command(&TimingEngine::mStartClick);  // run start
    RunFor(65'400);
    ExpectSameBoard();
    EXPECT_EQ(monitor.Digit4->Value(), 1);
    EXPECT_EQ(monitor.Digit6->Value(), 5);
    EXPECT_EQ(monitor.Digit7->Value(), 4);

    // A tick in which only the tenths change repaints the tenths digit and nothing else.
    {
        PaintCounter counter(monitor);
        RunFor(100);
        monitor.Render(engine->View(), texts);
        QApplication::processEvents();
        EXPECT_EQ(counter.paints, (std::map<QObject*, int>{{monitor.Digit7, 1}}));
    }

    RunFor(30);
    Command(&TimingEngine::mStartClick);  // run stop at 1:05,53
    ExpectSameBoard();
    EXPECT_EQ(monitor.Digit8->Value(), 3);
    engine->b5sekClick(+1);
    engine->b5sekClick(+1);
    monitor.Render(engine->View(), texts);
    ExpectSameBoard();
    EXPECT_EQ(monitor.eStarafeM->text(), "Strafen: 2");

    Command(&TimingEngine::bEintragenClick);
    ExpectSameBoard();
    EXPECT_EQ(monitor.eRangM->text(), "Rang: 1");
    EXPECT_TRUE(monitor.eRangM->isVisible());

    Command(&TimingEngine::bEintragenClick);  // next starter resets the board
    ExpectSameBoard();
    EXPECT_FALSE(monitor.eRangM->isVisible());
}

TEST_F(SpectatorWindow, FirstStartOpensOnHalfTheChosenScreenThenCoversItInFullScreen) {
    ASSERT_TRUE(TwoScreens);
    const int arena = ScreenIndex(1920);
    ASSERT_GE(arena, 0);
    const QRect screen = QGuiApplication::screens()[arena]->geometry();
    monitor.SetStoredBounds({0, 0, 0, 0});
    EXPECT_EQ(monitor.ShowOnMonitor(arena, false), arena);
    EXPECT_EQ(monitor.pos(), QPoint(screen.x() + 480, 270));
    EXPECT_EQ(monitor.size(), QSize(960, 540));
    EXPECT_EQ(monitor.windowTitle(), "Zusatzmonitor 960x540");

    // From a tiny window straight to full screen.
    monitor.resize(160, 120);
    EXPECT_EQ(monitor.ShowOnMonitor(arena, true), arena);
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
    EXPECT_EQ(monitor.ShowOnMonitor(last + 1, true), last);
    EXPECT_EQ(monitor.geometry(), QGuiApplication::screens()[last]->geometry());
}

TEST_F(SpectatorWindow, EscapeClosesItOnlyOnTheFirstDisplay) {
    int closed = 0;
    monitor.OnClose = [&] { ++closed; };
    monitor.ShowOnMonitor(1, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    QTest::keyClick(&monitor, Qt::Key_Escape);
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_EQ(closed, 0);

    monitor.ShowOnMonitor(0, false);
    QTest::keyClick(&monitor, Qt::Key_Escape);
    EXPECT_FALSE(monitor.isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_NE(monitor.windowFlags() & Qt::WindowStaysOnTopHint, 0);
}

}  // namespace
