// The office's window over a show: every rider with the net the core's cash-out has, the
// buttons mark the chosen rider paid through the core, and the window never holds the program.
#include "ui/CashoutWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>

#include "../office/OfficeShow.h"
#include "QtTestApp.h"
#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "ui/QtHost.h"

namespace {

class CashoutWindowTest : public testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, bytes] : {std::pair{"Turnier.json", OfficeShowJson},
                                          {"open.txt", OfficeOpenFile},
                                          {"jugend.txt", OfficeJugendFile}}) {
            std::ofstream(Folder() + "/" + name, std::ios::binary) << bytes;
        }
        competition_ = std::make_unique<Competition>(CompetitionEnvironment{
            serial_, store_, cues_, time_, timers_, dialogs_, desktop_, live_,
            [](std::function<void()> call) {
                QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
            },
            Folder(), Folder(), "", ','});
        window_.Follow(*competition_);
        competition_->Start(Folder() + "/Turnier.json");
    }

    std::string Folder() const { return dir_.path().toStdString(); }

    QTreeWidgetItem* RiderItem(const QString& name) {
        const QList<QTreeWidgetItem*> found = window_.Riders->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.front();
    }

    FakeSerialBackend serial_;
    QTemporaryDir dir_;
    MemorySettingsStore store_;
    struct : ICuePlayer {
        void PlayCue(const std::string&) override {}
    } cues_;
    MonotonicTimeSource time_;
    QtTimerFactory timers_;
    ScriptedOperator dialogs_;
    RecordingDesktop desktop_;
    SilentLiveResults live_;
    std::unique_ptr<Competition> competition_;
    CashoutWindow window_;
};

TEST_F(CashoutWindowTest, ShowsEveryRidersNetAndMarksTheChosenRiderPaidThroughTheCore) {
    EXPECT_FALSE(window_.testAttribute(Qt::WA_QuitOnClose)) << "it never holds the program";
    EXPECT_FALSE(window_.isVisible());
    competition_->Run(Command::Cashout);
    ASSERT_TRUE(window_.isVisible());

    EXPECT_EQ(window_.Riders->topLevelItemCount(),
              static_cast<int>(competition_->CurrentCashout().Riders.size()));
    QTreeWidgetItem* anna = RiderItem(QStringLiteral("Anna Berg"));
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(anna->text(4), QStringLiteral("auszahlen 11,00"));
    EXPECT_EQ(anna->childCount(), 4) << "two classes, the rider's and the horse's fee";
    EXPECT_TRUE(window_.Totals->text().contains(QStringLiteral("Beim Veranstalter: 135,00")));

    // A class line chooses its rider too.
    window_.Riders->setCurrentItem(anna->child(1));
    window_.PayCheck->click();
    anna = RiderItem(QStringLiteral("Anna Berg"));
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(anna->text(5), QStringLiteral("Scheck Nr. 1"));
    EXPECT_TRUE(dialogs_.errors.empty());
    window_.PayCash->click();
    ASSERT_EQ(dialogs_.errors.size(), 1u) << "paying twice is refused";

    // A change at the arena table that moves no money leaves the office's list as it is.
    anna = RiderItem(QStringLiteral("Anna Berg"));
    anna->setExpanded(false);
    competition_->SetRider("Anna Bergmann");
    EXPECT_EQ(RiderItem(QStringLiteral("Anna Berg")), anna);
    EXPECT_FALSE(anna->isExpanded());

    competition_->Run(Command::Cashout);
    EXPECT_FALSE(window_.isVisible());
}

}  // namespace
