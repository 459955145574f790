#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The yes/no question: a fixed, always-on-top dialog centred on its parent. "Ja" accepts,
// "Nein" (also Escape and the close box) rejects. Neither button is the default one: Enter
// presses the button that has the focus.
class TFDlgYesNo : public QDialog {
    Q_OBJECT

public:
    explicit TFDlgYesNo(QWidget* parent = nullptr);

    // Asks `question` modally with the focus on "Nein", so Enter right after opening answers
    // no; true only for "Ja". UI thread only.
    static bool Ask(QWidget* parent, const QString& question);

    QLabel* Icon;
    QLabel* Label1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
