#include "ui/TFDlgYesNo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "QtTestApp.h"

namespace {

// Asks, and once the dialog is up does `answer` to it.
bool AskAndAnswer(QWidget* parent, const std::function<void(TFDlgYesNo&)>& answer,
                  bool yesFocused = false, const QString& question = "Programm beenden?") {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<TFDlgYesNo*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (!QTest::qWaitForWindowActive(dialog)) {
            dialog->reject();
            FAIL() << "the dialog never became active";
        }
        answer(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the answer left the dialog open";
            dialog->done(2);
        }
    });
    return TFDlgYesNo::Ask(parent, question, yesFocused);
}

}  // namespace

TEST(TFDlgYesNo, OnlyJaAnswersYesAndEnterRightAfterOpeningAnswersNo) {
    QWidget owner;
    owner.setGeometry(100, 100, 900, 600);
    owner.show();
    EXPECT_FALSE(AskAndAnswer(&owner, [](TFDlgYesNo& dialog) {
        EXPECT_EQ(dialog.Label1->text(), "Programm beenden?");
        EXPECT_EQ(QApplication::focusWidget(), dialog.CancelBtn);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }));
    EXPECT_FALSE(
        AskAndAnswer(&owner, [](TFDlgYesNo& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }));
    EXPECT_FALSE(AskAndAnswer(&owner, [](TFDlgYesNo& dialog) { dialog.close(); }));
    EXPECT_TRUE(AskAndAnswer(&owner, [](TFDlgYesNo& dialog) { dialog.OKBtn->click(); }));
    EXPECT_TRUE(AskAndAnswer(&owner, [](TFDlgYesNo& dialog) {
        dialog.OKBtn->setFocus();
        QTest::keyClick(dialog.OKBtn, Qt::Key_Return);
    }));
    EXPECT_TRUE(AskAndAnswer(
        &owner, [](TFDlgYesNo&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); },
        true))
        << "a question that starts on Ja";
}

TEST(TFDlgYesNo, AFileNameInTheQuestionWidensTheDialogInsteadOfBeingCut) {
    QWidget owner;
    owner.setGeometry(100, 100, 900, 600);
    owner.show();
    const QString name = "Sicherungsdatei-20261207-192903.txt";
    AskAndAnswer(
        &owner,
        [&name](TFDlgYesNo& dialog) {
            EXPECT_GE(dialog.Label1->width(), dialog.Label1->fontMetrics().horizontalAdvance(name));
            EXPECT_LE(dialog.CancelBtn->geometry().right(), dialog.width());
            dialog.reject();
        },
        false, "Nein lässt sie als \"" + name + "\" liegen.");
}

TEST(TFDlgYesNo, IsAFixedAlwaysOnTopDialogWithoutADefaultButton) {
    TFDlgYesNo dialog;
    EXPECT_EQ(dialog.windowTitle(), "Corralix");
    EXPECT_EQ(dialog.size(), QSize(222, 94));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dialog.OKBtn->isDefault());
    EXPECT_FALSE(dialog.CancelBtn->isDefault());
    EXPECT_EQ(dialog.OKBtn->text(), "Ja");
    EXPECT_EQ(dialog.CancelBtn->text(), "Nein");
    EXPECT_TRUE(dialog.Label1->wordWrap());
    EXPECT_FALSE(dialog.Icon->pixmap().isNull());
}
