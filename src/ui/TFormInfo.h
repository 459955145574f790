#pragma once

#include <QDialog>
#include <string>

class QLabel;
class TLbSpeedButton;

// The information window (F3): logo, the program's icon, name, version and the maker's
// copyright line, and while the live results run, their address as a QR code for the phones at
// the gate. "Einverstanden", Enter or Escape closes it; it has no close box.
class TFormInfo : public QDialog {
    Q_OBJECT
public:
    // pageAddress: the phone page's address; empty when there is none to show.
    explicit TFormInfo(const std::string& pageAddress = {}, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* ImageICON = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelVer = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* ImageQr = nullptr;  // the phone page's address as a QR code
    QLabel* LabelQr = nullptr;  // the address in words under it
    TLbSpeedButton* sOK = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The maker's copyright line, also shown in the main window's status bar.
inline constexpr const char* CopyrightLine = "© 2026 Brindlewerk";
