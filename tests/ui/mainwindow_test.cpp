#include "ui/TForm1.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <optional>

#include "QtTestApp.h"
#include "clock/MonotonicClock.h"
#include "config/SettingsStore.h"
#include "files/FileIo.h"
#include "files/ProtocolFile.h"
#include "results/TimeText.h"
#include "serial/LinuxSerialBackend.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "timing/TickMath.h"
#include "ui/AnnouncerWindow.h"
#include "ui/KeyActions.h"
#include "ui/Pictures.h"
#include "ui/QtHost.h"
#include "ui/TDigit.h"
#include "ui/TFormMonitor2.h"
#include "ui/TLbSpeedButton.h"
#include "ui/TSortGrid.h"
#include "ui/TStNrBox.h"

namespace {

using testing::ElementsAre;

class SilentCues : public ICuePlayer {
public:
    void PlayCue(const std::string& fileName) override { played.push_back(fileName); }
    std::vector<std::string> played;
};

// One main window over its competition, with its surroundings in a temporary folder.
class MainWindow : public testing::Test {
protected:
    void Open(const Settings& settings, ISerialBackend& serial, const std::string& barrier = {},
              const std::string& commandLineFile = {}) {
        WriteSettings(store_, settings);
        competition_ = std::make_unique<Competition>(CompetitionEnvironment{
            serial, store_, cues_, time_, timers_, dialogs_, desktop_, live_,
            [](std::function<void()> call) {
                QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
            },
            Folder(), Folder(), barrier, ','});
        form_ = std::make_unique<TForm1>(*competition_);
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        competition_->Start(commandLineFile);
    }

    std::string Folder() const { return dir_.path().toStdString(); }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const std::string path = Folder() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form_.get(), static_cast<Qt::Key>(key), modifiers);
    }

    const TimingView& View() { return competition_->View(); }
    const ResultTable& Table() { return competition_->Table(); }

    // A row of the table by start number, as the operator reads it.
    std::vector<std::string> RowOf(const std::string& startNumber) {
        const auto& row = Table().Row(Table().FindRow(startNumber));
        return {row.begin() + ColLaufzeit, row.begin() + ColStartPos};
    }

    // Declared before the window, which must close its port before the backends go.
    FakeSerialBackend fake_;
    LinuxSerialBackend linux_;
    QTemporaryDir dir_;
    MemorySettingsStore store_;
    SilentCues cues_;
    MonotonicTimeSource time_;
    QtTimerFactory timers_;
    ScriptedOperator dialogs_;
    RecordingDesktop desktop_;
    SilentLiveResults live_;
    std::unique_ptr<Competition> competition_;
    std::unique_ptr<TForm1> form_;
};

// The simulated light barrier: a FIFO whose bytes move CTS.
class Barrier {
public:
    explicit Barrier(const std::string& path) : path_(path) { mkfifo(path.c_str(), 0600); }
    ~Barrier() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    // The beam is interrupted and released; returns the time of the interruption.
    std::int64_t Cross() {
        if (fd_ < 0) {
            fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        }
        const std::int64_t when = MonotonicRawNow();
        EXPECT_EQ(::write(fd_, "1", 1), 1);
        QTest::qWait(5);
        EXPECT_EQ(::write(fd_, "0", 1), 1);
        return when;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

double Ms(std::int64_t ticks) {
    return ticks / 1e6;
}

TEST_F(MainWindow, RunStartedAndStoppedByTheSimulatedBarrierShowsTheEdgeTime) {
    Settings settings;
    settings.CountDown = false;
    settings.TimeLock = 150;
    Barrier barrier(Folder() + "/barrier");
    Open(settings, linux_, barrier.Path());
    ASSERT_TRUE(form_->ImageLSstart->isVisible()) << "the barrier shows as an open port";

    Key(Qt::Key_F11);
    ASSERT_EQ(View().LightBarrierArmed, 1);
    const std::int64_t start = barrier.Cross();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().StartStep == 2; }));
    EXPECT_EQ(form_->bSTART->text(), "STOP");
    // The start lock re-arms the barrier on its own after TimeLock.
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().LightBarrierArmed == 1; }));
    QTest::qWait(300);
    const std::int64_t stop = barrier.Cross();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().StartStep == 1; }));

    // The watcher stamps each byte as it reads it; a loaded machine may be late by a few ms
    // (bench/timing_accuracy measures the real figure).
    EXPECT_NEAR(Ms(View().RunTicks), Ms(stop - start), 25.0);
    const std::int64_t ms = RunTimeMs(View().RunTicks, time_.CounterFrequency());
    EXPECT_EQ(form_->Digit6->Value(), ms / 1000 % 10);
    EXPECT_EQ(form_->Digit7->Value(), ms / 100 % 10);
    EXPECT_EQ(form_->Digit8->Value(), ms / 10 % 10);
    EXPECT_TRUE(form_->bEintragen->isEnabled());
    EXPECT_FALSE(form_->bSTART->isEnabled());
}

TEST_F(MainWindow, OperatorTimesScoresDisqualifiesAndRanksThreeStarters) {
    WriteFile("Disqualifikation.txt", "Kurs nicht eingehalten\r\nSturz des Reiters\r\n...\r\n");
    const std::string starters = WriteFile(
        "starters.txt", "Nr.;Name;Pferd;Team\r\n1;Anna;Blue;\r\n2;Ben;Rio;\r\n3;Cleo;Ace;\r\n");
    Settings settings;
    settings.TimeLock = 100;
    Barrier barrier(Folder() + "/barrier");
    Open(settings, linux_, barrier.Path());
    competition_->LoadFile(starters);
    ASSERT_EQ(form_->cbStNr->currentText(), "1");
    EXPECT_EQ(form_->eReiterinT->text(), "1 Anna");
    EXPECT_EQ(form_->ePferdT->text(), "Blue");

    // Starter 1: F4 starts the countdown (arming the barrier), the barrier starts and stops.
    Key(Qt::Key_F4);
    ASSERT_EQ(View().StartStep, 1);
    barrier.Cross();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().StartStep == 2; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().LightBarrierArmed == 1; }));
    barrier.Cross();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().StartStep == 0; }));
    Key(Qt::Key_F5);
    Key(Qt::Key_F5);
    Key(Qt::Key_F5);
    Key(Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(form_->eStarafeT->text(), "Strafen: 2");
    Key(Qt::Key_F10);

    const char sep = Table().Cell(ColLaufzeit, 1).find(',') != std::string::npos ? ',' : '.';
    const std::int64_t ms = RunTimeMs(View().RunTicks, time_.CounterFrequency());
    EXPECT_THAT(RowOf("1"),
                ElementsAre(FormatTimeText(ms, sep, Resolution::Hundredths), "2", "", "",
                            FormatTimeText(ms + 10000, sep, Resolution::Hundredths), "1"));
    EXPECT_EQ(form_->eRangT->text(), "Rang: 1");
    EXPECT_TRUE(form_->eRangT->isVisible());
    EXPECT_EQ(ReadFileBytes(competition_->BackupFileName()), EncodeProtocol(Table()));
    EXPECT_FALSE(Table().Modified());
    EXPECT_EQ(form_->bEintragen->text(), "NÄCHSTER");

    Key(Qt::Key_F10);
    EXPECT_EQ(form_->cbStNr->currentText(), "2");
    EXPECT_EQ(form_->bEintragen->text(), "EINTRAGEN");
    EXPECT_FALSE(form_->bEintragen->isEnabled());

    // Starter 2: disqualified during the run; the entry stops the clock first.
    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    ASSERT_EQ(View().StartStep, 2);
    Key(Qt::Key_F9);
    ASSERT_TRUE(form_->ListBoxGrund->isVisible());
    const QRect line = form_->ListBoxGrund->visualItemRect(form_->ListBoxGrund->item(1));
    QTest::mouseClick(form_->ListBoxGrund->viewport(), Qt::LeftButton, {}, line.center());
    Key(Qt::Key_F10);
    EXPECT_THAT(RowOf("2"),
                ElementsAre(testing::Not(""), "0", "DQ", "Sturz des Reiters", "DQ", ""));
    EXPECT_EQ(form_->eRangT->text(), "Rang: DQ");
    Key(Qt::Key_F10);

    // Starter 3, timed by hand and faster, entered while the table is sorted by total.
    Key(Qt::Key_F12);
    ASSERT_TRUE(form_->cmd_SORT->isChecked());
    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    Key(Qt::Key_F10);
    EXPECT_EQ(form_->eRangT->text(), "Rang: 1");
    EXPECT_THAT(Table().Column(ColNr), ElementsAre("Nr.", "3", "1", "2"));
    EXPECT_THAT(Table().Column(ColRang), ElementsAre("Rang", "1", "2", ""));

    Key(Qt::Key_F12);
    EXPECT_THAT(Table().Column(ColNr), ElementsAre("Nr.", "1", "2", "3"));
    EXPECT_THAT(Table().Column(ColRang), ElementsAre("Rang", "2", "", "1"));
    EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(MainWindow, KeysWorkWhereverTheFocusIs) {
    const std::string starters = WriteFile("starters.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Settings settings;
    settings.CountDown = false;
    Open(settings, fake_);
    competition_->LoadFile(starters);
    for (QWidget* focus :
         std::vector<QWidget*>{form_->cbStNr, form_->eReiterin, form_->SortGrid1}) {
        focus->setFocus();
        const int step = View().StartStep;
        Key(Qt::Key_F4);
        EXPECT_NE(View().StartStep, step) << focus->objectName().toStdString();
        if (View().StartStep == 1) {
            Key(Qt::Key_F10);
            Key(Qt::Key_F10);
        }
    }
    // The text fields would keep Ctrl+E (end of line) and Ctrl+B (one character back).
    for (QLineEdit* field : {form_->eReiterin, form_->ePferd, form_->eTeam}) {
        field->setFocus();
        const std::size_t opened = desktop_.opened.size();
        QTest::keyClick(field, Qt::Key_E, Qt::ControlModifier);
        EXPECT_EQ(desktop_.opened.size(), opened + 1) << "Ctrl+E opened the workbook";
        const bool editing = Table().EditMode();
        QTest::keyClick(field, Qt::Key_B, Qt::ControlModifier);
        EXPECT_NE(Table().EditMode(), editing) << "Ctrl+B switched edit mode";
        form_->SortGrid1->setFocus();
        Key(Qt::Key_Escape);
    }
}

TEST_F(MainWindow, AnEditedTotalIsRankedAndTheEditButtonAlwaysShowsTheEditState) {
    const std::string starters = WriteFile("starters.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Settings settings;
    settings.CountDown = false;
    Open(settings, fake_);
    competition_->LoadFile(starters);
    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    Key(Qt::Key_F10);  // Anna ranks first

    Key(Qt::Key_B, Qt::ControlModifier);
    ASSERT_TRUE(Table().EditMode());
    EXPECT_TRUE(form_->Cmd_Edit->isChecked());
    QAbstractItemModel* cells = form_->SortGrid1->model();
    cells->setData(cells->index(Table().FindRow("1") - 1, ColTotal), "9:59,99");
    cells->setData(cells->index(Table().FindRow("2") - 1, ColTotal), "1,00");
    QTest::keyClick(form_->SortGrid1, Qt::Key_Escape);
    EXPECT_FALSE(Table().EditMode());
    EXPECT_FALSE(form_->Cmd_Edit->isChecked()) << "Esc ended edit mode";

    Key(Qt::Key_F12);
    EXPECT_THAT(Table().Column(ColNr), ElementsAre("Nr.", "2", "1"));
    EXPECT_THAT(Table().Column(ColRang), ElementsAre("Rang", "1", "2"));

    // Ctrl+A in a text field selects its text; it does not offer to clear the results.
    form_->eReiterin->setFocus();
    QTest::keyClick(form_->eReiterin, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(dialogs_.questions.empty());
    EXPECT_EQ(form_->eReiterin->selectedText(), form_->eReiterin->text());
}

TEST_F(MainWindow, NamesAreShownAsTypedOnBothTimeBoards) {
    Open(Settings{}, fake_);
    TFormMonitor2 spectators(',');
    spectators.Follow(*competition_, desktop_);
    const QString name = "<b>Kim</b> & Co";
    form_->eReiterin->setFocus();
    QTest::keyClicks(form_->eReiterin, name);
    int shown = 0;
    for (QWidget* window : std::vector<QWidget*>{form_.get(), &spectators}) {
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->text() == name) {
                ++shown;
                EXPECT_EQ(label->textFormat(), Qt::PlainText)
                    << window->windowTitle().toStdString();
            }
        }
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(MainWindow, TheStartNumberBoxShowsNamesFindsTheExactNumberAndMovesTheCounter) {
    const std::string starters =
        WriteFile("starters.txt", "59;Bert;Rio\r\n5;Anna;Blue\r\n7;Cleo;Ace\r\n");
    Settings settings;
    settings.CountDown = false;
    Open(settings, fake_);
    competition_->LoadFile(starters);
    EXPECT_EQ(form_->cbStNr->EntryText(1), "5  Anna");
    EXPECT_EQ(form_->cbStNr->currentText(), "59") << "the closed box shows the number";

    form_->cbStNr->setFocus();
    QTest::keyClick(form_->cbStNr, Qt::Key_5);
    EXPECT_EQ(competition_->Starters().StNrText(), "5");
    EXPECT_EQ(form_->StatusPosition->text(), "2:3");
    EXPECT_TRUE(form_->bNumerMinus->isEnabled());
    EXPECT_TRUE(form_->bNumerPlus->isEnabled());
    QTest::keyClick(form_->cbStNr, Qt::Key_9);
    EXPECT_EQ(competition_->Starters().StNrText(), "59") << "typed on: 59";
    EXPECT_EQ(form_->StatusPosition->text(), "1:3");
    EXPECT_FALSE(form_->bNumerMinus->isEnabled());

    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClick(form_->cbStNr, Qt::Key_7);
    EXPECT_EQ(form_->eReiterinT->text(), "7 Cleo");
    EXPECT_EQ(form_->StatusPosition->text(), "3:3");
    EXPECT_FALSE(form_->bNumerPlus->isEnabled());
}

TEST_F(MainWindow, TheReasonListTakesArrowsAndEnterAndEachDqOpensItAtTheTop) {
    std::string reasons;
    for (int i = 1; i <= 15; ++i) {
        reasons += "Grund " + std::to_string(i) + "\r\n";
    }
    WriteFile("Disqualifikation.txt", reasons + "...\r\n");
    const std::string starters = WriteFile("starters.txt", "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    Settings settings;
    settings.CountDown = false;
    Open(settings, fake_);
    competition_->LoadFile(starters);
    QListWidget* list = form_->ListBoxGrund;

    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    Key(Qt::Key_F9);
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(competition_->Reasons().SelectedText(), "Grund 3");
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    Key(Qt::Key_F10);
    EXPECT_EQ(Table().Cell(ColGrund, Table().FindRow("1")), "Grund 3");
    Key(Qt::Key_F10);

    Key(Qt::Key_F4);
    Key(Qt::Key_F4);
    Key(Qt::Key_F9);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << "at the top again";
    EXPECT_TRUE(list->hasFocus());
}

TEST_F(MainWindow, TheClassBoxFollowsTheKeysOpensTheClassChosenAndStaysWhileARunIsOn) {
    WriteFile("open.txt", "1;Anna;Blue\r\n");
    WriteFile("jugend.txt", "21;Finn;Pablo\r\n");
    const std::string show =
        WriteFile("Turnier.json",
                  R"({"classes": [{"name": "Open", "race": "Barrel Racing", "file": "open.txt"},
           {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt", "penalty_seconds": 3}]})");
    Settings settings;
    settings.CountDown = false;
    Open(settings, fake_, {}, show);
    ASSERT_TRUE(form_->cbKlasse->isVisible());
    ASSERT_EQ(form_->cbKlasse->count(), 2);
    EXPECT_EQ(form_->cbKlasse->currentText(), "Open");

    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form_->cbKlasse->currentText(), "Jugend");
    EXPECT_EQ(form_->cbRace->currentText(), "Pole Bending");
    EXPECT_EQ(form_->eReiterinT->text(), "21 Finn");
    EXPECT_EQ(form_->b5sek->Look().Caption, "+3 s.");

    emit form_->cbKlasse->activated(0);
    EXPECT_EQ(competition_->CurrentClassName(), "Open");
    EXPECT_EQ(form_->b5sek->Look().Caption, "+5 s.");
    Key(Qt::Key_F4);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    form_->cbKlasse->setCurrentIndex(1);  // as the operator's pick in the open list
    emit form_->cbKlasse->activated(1);
    EXPECT_EQ(competition_->CurrentClassName(), "Open") << "a run is on the clock";
    EXPECT_EQ(form_->cbKlasse->currentText(), "Open") << "the box shows the class open";
}

TEST(FittedPicture, TheLogoFillsItsAreaCentredWithItsProportionsAsTheAreaChanges) {
    QPixmap logo(200, 100);
    logo.fill(Qt::red);
    FittedPicture area;
    area.SetPicture(logo);
    for (const auto& [size, drawn] : {std::pair{QSize(100, 100), QRect(0, 25, 100, 50)},
                                      {QSize(800, 200), QRect(200, 0, 400, 200)}}) {
        area.resize(size);
        const QImage shot = area.grab().toImage();
        QRect red;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                if (shot.pixelColor(x, y) == QColor(Qt::red)) {
                    red |= QRect(x, y, 1, 1);
                }
            }
        }
        EXPECT_EQ(red, drawn);
    }
}

TEST_F(MainWindow, KeysWorkWhileAnotherWindowOfTheProgramHasTheFocus) {
    Open(Settings{}, fake_);
    QWidget spectators;
    InstallKeyCommands(&spectators, *competition_);
    spectators.show();
    spectators.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&spectators));
    QTest::keyClick(&spectators, Qt::Key_F4);
    EXPECT_EQ(View().StartStep, 1) << "F4 started the countdown";
    EXPECT_TRUE(form_->img_Abbruch->isVisible()) << "the main window shows it too";
    QTest::keyClick(&spectators, Qt::Key_F8);
    EXPECT_EQ(View().StartStep, 0);
}

TEST_F(MainWindow, ClosingItEndsTheProgramWhileTheAnnouncerAndSpectatorWindowsAreOpenOrMinimised) {
    Open(Settings{}, fake_);
    AnnouncerWindow announcer;
    announcer.Follow(*competition_);
    TFormMonitor2 spectators(',');
    spectators.Follow(*competition_, desktop_);
    competition_->Run(Command::Announcer);
    competition_->Run(Command::TvMode);
    ASSERT_TRUE(announcer.isVisible());
    ASSERT_TRUE(spectators.isVisible());
    announcer.showMinimized();
    spectators.showMinimized();

    QTimer::singleShot(0, form_.get(), [this] { EXPECT_TRUE(form_->close()); });
    // Left running, the program would never come back here; ended by hand, it says 1.
    QTimer stillRunning;
    stillRunning.setSingleShot(true);
    QObject::connect(&stillRunning, &QTimer::timeout, [] { QApplication::exit(1); });
    stillRunning.start(std::chrono::seconds(10));
    EXPECT_EQ(QApplication::exec(), 0) << "the program ran on without its main window";
    EXPECT_FALSE(announcer.isVisible());
    EXPECT_FALSE(spectators.isVisible());
}

TEST_F(MainWindow, ToolTipsNameTheKeysAsAGermanKeyboardLabelsThem) {
    Open(Settings{}, fake_);
    int keys = 0;
    for (const QWidget* widget : form_->findChildren<QWidget*>()) {
        const QString tip = widget->toolTip();
        EXPECT_FALSE(tip.contains("Ctrl")) << tip.toStdString();
        keys += tip.contains("[Strg+") ? 1 : 0;
    }
    EXPECT_GE(keys, 8);
}

}  // namespace
