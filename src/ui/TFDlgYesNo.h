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

    // Asks `question` modally with the focus on "Nein" (on "Ja" when yesFocused), so Enter
    // right after opening gives that answer; true only for "Ja". A question longer than the
    // label makes the dialog taller. UI thread only.
    static bool Ask(QWidget* parent, const QString& question, bool yesFocused = false);

    QLabel* Icon;
    QLabel* Label1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
