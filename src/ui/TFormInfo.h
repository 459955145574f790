#pragma once

#include <QDialog>

class QLabel;
class TLbSpeedButton;

// The information window (F3): logo, the program's icon, name, version and the maker's
// copyright line. "Einverstanden", Enter or Escape closes it; it has no close box.
class TFormInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFormInfo(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* ImageICON = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelVer = nullptr;
    QLabel* Label3 = nullptr;
    TLbSpeedButton* sOK = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The maker's copyright line, also shown in the main window's status bar.
inline constexpr const char* CopyrightLine = "© 2026 Brindlewerk";
