#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "../config/ChangedSettings.h"
#include "QtTestApp.h"
#include "files/QrCode.h"
#include "files/Report.h"
#include "ui/QtHost.h"
#include "ui/TCfgDialog.h"
#include "ui/TFormInfo.h"
#include "ui/TFormMonitor2.h"
#include "ui/TLbSpeedButton.h"

namespace {

const std::vector<Rect> TwoScreens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 720}};
const std::vector<std::string> Ports = {"Kein", "COM1", "COM33 – ttyUSB0 – FT232R USB UART"};

CfgValues SomeValues() {
    return FromSettings(Settings{}, TwoScreens, Ports, 2);
}

// Every value other than SomeValues has it.
CfgValues OtherValues() {
    Settings settings = ChangedSettings();
    settings.LiveResults = true;
    settings.LivePort = 9000;
    return FromSettings(settings, TwoScreens, Ports, 1);
}

}  // namespace

TEST(TCfgDialog, EveryControlShowsAndReturnsItsValue) {
    TCfgDialog dialog;
    for (const CfgValues& values : {SomeValues(), OtherValues(), SomeValues()}) {
        dialog.SetValues(values);
        EXPECT_EQ(dialog.Values(), values);
    }
    dialog.cbCountDownSound->click();
    dialog.cbWarnungSound->click();
    EXPECT_FALSE(dialog.Values().SoundCountDown);
    EXPECT_FALSE(dialog.Values().SoundWarnung);
}

TEST(TCfgDialog, TriggerAndLockTimeNeedAPort) {
    TCfgDialog dialog;
    CfgValues values = SomeValues();
    values.PortEntries = {"Kein"};
    values.PortIndex = 0;
    dialog.SetValues(values);
    EXPECT_FALSE(dialog.cbAlg->isEnabled());
    EXPECT_FALSE(dialog.seTimeout->isEnabled());
    EXPECT_FALSE(dialog.LabelL1->isEnabled());

    dialog.SetValues(SomeValues());
    EXPECT_TRUE(dialog.cbAlg->isEnabled());
    EXPECT_TRUE(dialog.seTimeout->isEnabled());
    dialog.cbPort->setCurrentIndex(0);
    EXPECT_FALSE(dialog.cbAlg->isEnabled());
    EXPECT_FALSE(dialog.LabelL2->isEnabled());
}

TEST(TCfgDialog, LampAndReasonDescribeTheConfiguredPortOnly) {
    TCfgDialog dialog;
    dialog.SetValues(SomeValues());
    dialog.SetPortLamp(PortLamp::Closed, "Anschluss COM33 (/dev/ttyUSB0) ist nicht vorhanden");
    EXPECT_EQ(dialog.ShownLamp(), PortLamp::Closed);
    EXPECT_TRUE(dialog.LabelPortReason->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.LabelPortReason->text(), "Anschluss COM33 (/dev/ttyUSB0) ist nicht vorhanden");

    dialog.cbPort->setCurrentIndex(0);
    EXPECT_EQ(dialog.ShownLamp(), PortLamp::Neutral);
    EXPECT_FALSE(dialog.LabelPortReason->isVisibleTo(&dialog));
    dialog.cbPort->setCurrentIndex(1);
    EXPECT_EQ(dialog.ShownLamp(), PortLamp::Neutral);

    dialog.cbPort->setCurrentIndex(2);
    dialog.SetPortLamp(PortLamp::Open);
    EXPECT_EQ(dialog.ShownLamp(), PortLamp::Open);
    EXPECT_FALSE(dialog.LabelPortReason->isVisibleTo(&dialog));
}

TEST(TCfgDialog, WarningNotShorterThanTheCountdownIsRedAndUncheckingKeepsTheNumbers) {
    TCfgDialog dialog;
    CfgValues values = SomeValues();
    values.CountDownSeconds = 10;
    values.WarnungSeconds = 10;
    dialog.SetValues(values);
    const QColor normal = dialog.palette().color(QPalette::Text);
    EXPECT_EQ(dialog.seWarnungTime->palette().color(QPalette::Text), QColor(Qt::red));
    dialog.seWarnungTime->setValue(9);
    EXPECT_EQ(dialog.seWarnungTime->palette().color(QPalette::Text), normal);
    dialog.seCountDownTimer->setValue(9);
    EXPECT_EQ(dialog.seWarnungTime->palette().color(QPalette::Text), QColor(Qt::red));

    dialog.gbCountDown->setChecked(false);
    EXPECT_FALSE(dialog.seCountDownTimer->isEnabled());
    // Greyed out like its neighbour, though it was red.
    EXPECT_EQ(dialog.seWarnungTime->palette().color(QPalette::Disabled, QPalette::Text),
              dialog.seCountDownTimer->palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_FALSE(dialog.cbAbbruchSound->isEnabled());
    dialog.gbCountDown->setChecked(true);
    EXPECT_EQ(dialog.Values().CountDownSeconds, 9);
    EXPECT_EQ(dialog.Values().WarnungSeconds, 9);
}

TEST(TCfgDialog, OnlyOkHandsTheValuesBack) {
    TCfgDialog dialog;
    QTimer::singleShot(0, [&] {
        dialog.seTimeout->setValue(3.5);
        dialog.CancelBtn->click();
    });
    EXPECT_FALSE(dialog.Execute(SomeValues()).has_value());

    QTimer::singleShot(0, [&] {
        dialog.seTimeout->setValue(3.5);
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    const std::optional<CfgValues> confirmed = dialog.Execute(SomeValues());
    ASSERT_TRUE(confirmed.has_value());
    EXPECT_EQ(confirmed->LockTenths, 35);
}

TEST(TFormInfo, FixedWindowThatEscapeOrEinverstandenCloses) {
    TFormInfo info;
    EXPECT_EQ(info.windowTitle(), "Information");
    EXPECT_EQ(info.size(), QSize(256, 421));
    EXPECT_FALSE(info.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(info.LabelVer->text(), "Version 0.98 (26.04.2026)");
    EXPECT_EQ(info.LabelVer->geometry().right() + 1, 247);

    info.show();
    QTest::keyClick(&info, Qt::Key_Escape);
    EXPECT_FALSE(info.isVisible());
    info.show();
    info.sOK->click();
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(info.result(), QDialog::Accepted);
    info.show();
    QTest::keyClick(&info, Qt::Key_Return);
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(info.result(), QDialog::Accepted);
}

// The live results' address as a QR code between the copyright and the button, each module drawn
// as the code has it and big enough for a phone's camera; none without an address.
TEST(TFormInfo, ShowsThePhonePagesAddressAsAQrCode) {
    const std::string address = "http://192.168.1.20:8080/";
    TFormInfo info(address);
    ASSERT_TRUE(info.ImageQr->isVisibleTo(&info));
    EXPECT_EQ(info.LabelQr->text().toStdString(), address);
    EXPECT_LT(info.ImageQr->geometry().bottom(), info.sOK->geometry().top());
    const QImage picture = info.ImageQr->pixmap().toImage();
    const std::optional<QrCode> code = MakeQrCode(address);
    ASSERT_TRUE(code);
    const int modules = code->size + 8;
    ASSERT_EQ(picture.width() % modules, 0);
    const int pixels = picture.width() / modules;
    EXPECT_GE(pixels, 4);
    int wrong = 0;
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            const bool inside = x >= 4 && y >= 4 && x < code->size + 4 && y < code->size + 4;
            const bool dark = inside && code->Dark(x - 4, y - 4);
            const int grey = qGray(picture.pixel(x * pixels + pixels / 2, y * pixels + pixels / 2));
            wrong += dark != (grey < 128);
        }
    }
    EXPECT_EQ(wrong, 0);

    const TFormInfo without;
    EXPECT_FALSE(without.ImageQr->isVisibleTo(&without));
    EXPECT_FALSE(without.LabelQr->isVisibleTo(&without));
}

TEST(QtOperator, EveryDialogAndQuestionOpensAboveTheSpectatorWindowAndShowsTextAsTyped) {
    TFormMonitor2 spectators(',');
    spectators.show();
    ASSERT_TRUE(spectators.windowFlags() & Qt::WindowStaysOnTopHint);
    // One screen: the spectator window covers the main window.
    QWidget main;
    main.setGeometry(spectators.geometry());
    main.show();
    QtOperator dialogs;
    dialogs.Attach(&main, {});
    dialogs.AttachSpectators(&spectators);
    QtDesktop desktop;
    desktop.Attach(&main);
    desktop.AttachSpectators(&spectators);
    const std::string name = "<b>Kim</b> & Co";
    Report report;
    report.title = "Ergebnisliste";
    const std::vector<std::pair<const char*, std::function<void()>>> opens = {
        {"Ask", [&] { dialogs.Ask("Nr. 5 " + name + " überschreiben?", IOperator::Focus::Nein); }},
        {"ShowError", [&] { dialogs.ShowError("Fehler bei " + name); }},
        {"ShowMessage", [&] { dialogs.ShowMessage("Geladen: " + name); }},
        {"ChooseFileToOpen", [&] { dialogs.ChooseFileToOpen("/tmp", {"Textdatei (*.txt)"}); }},
        {"ChooseFileToSave",
         [&] { dialogs.ChooseFileToSave("/tmp/x.txt", {"Textdatei (*.txt)"}); }},
        {"EditSettings", [&] { dialogs.EditSettings(SomeValues(), PortLamp::Neutral, {}); }},
        {"ShowInformation", [&] { dialogs.ShowInformation("http://192.168.1.20:8080/"); }},
        {"PrintReport", [&] { desktop.PrintReport(report); }},
    };
    for (const auto& [what, open] : opens) {
        bool seen = false;
        QTimer::singleShot(0, [&, what = what] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << what;
            seen = true;
            EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint) << what;
            EXPECT_EQ(dialog->parentWidget(), &spectators) << what;
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->text().contains("<b>")) {
                    EXPECT_EQ(label->textFormat(), Qt::PlainText) << what;
                }
            }
            dialog->reject();
        });
        open();
        EXPECT_TRUE(seen) << what;
    }
    // On a display of its own the spectator window covers nothing: dialogs go over the main one.
    main.move(spectators.frameGeometry().right() + 50, spectators.y());
    EXPECT_EQ(DialogOwner(&main, &spectators), &main);
}

TEST(QtGermanTexts, FileAndPrintDialogsSpeakGerman) {
    const std::unique_ptr<QTranslator> german = QtGermanTexts();
    ASSERT_NE(german, nullptr) << "Qt's German translations (qt6-translations-l10n)";
    QCoreApplication::installTranslator(german.get());
    const QString saveAs = QCoreApplication::translate("QFileDialog", "Save As");
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    const QString toFile = QCoreApplication::translate("QPrintDialog", "Print to File (PDF)");
    QCoreApplication::removeTranslator(german.get());
    EXPECT_EQ(saveAs, "Speichern unter");
    EXPECT_EQ(cancel, "Abbrechen");
    EXPECT_EQ(toFile, "In PDF-Datei drucken");
}
