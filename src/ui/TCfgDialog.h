#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "config/CfgExchange.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QLabel;
class QPainter;
class QRect;
class QPushButton;
class QDoubleSpinBox;
class QSpinBox;

// The settings window (F2). It shows the values it is given, keeps its controls consistent with
// each other and hands the values back; it changes no setting and touches no port itself.
class TCfgDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCfgDialog(QWidget* parent = nullptr);

    // Puts the values into the controls and brings the controls in line with each other.
    void SetValues(const CfgValues& values);
    // The values as the controls hold them now.
    CfgValues Values() const;
    // Fills the controls, shows the window modally and returns the values confirmed with OK, or
    // nothing after "Abbrechen" or Escape.
    std::optional<CfgValues> Execute(const CfgValues& values);

    // The state of the configured port and, when it could not be opened, why. May be called at
    // any time, also while the window is shown. The lamp shows it while the configured port is
    // the selected entry, and stays neutral for another entry or "Kein".
    void SetPortLamp(PortLamp lamp, const std::string& reason = {});
    PortLamp ShownLamp() const { return shownLamp_; }

    // Controls, named as in the window's design.
    QGroupBox* gbLS = nullptr;
    QComboBox* cbPort = nullptr;
    QLabel* ShapePort = nullptr;
    QLabel* LabelPortReason = nullptr;
    QComboBox* cbAlg = nullptr;
    QLabel* Label1 = nullptr;
    // The start lock in seconds with tenths.
    QDoubleSpinBox* seTimeout = nullptr;
    QLabel* LabelL1 = nullptr;
    QLabel* LabelL2 = nullptr;
    QPushButton* bBarrierTest = nullptr;  // closes the dialog and starts the light-barrier test
    // The second timing source: a backup light barrier, a timer's output line.
    QGroupBox* gbBackup = nullptr;
    QComboBox* cbBackupPort = nullptr;
    QLabel* ShapeBackupPort = nullptr;
    QLabel* LabelBackupReason = nullptr;
    QSpinBox* seBackupTolerance = nullptr;  // milliseconds
    QComboBox* cbTimerPort = nullptr;
    QLabel* ShapeTimerPort = nullptr;
    QLabel* LabelTimerReason = nullptr;
    QComboBox* cbTimerFormat = nullptr;
    QComboBox* cbTimerBaud = nullptr;
    QComboBox* cbTimerRole = nullptr;  // backup of the light barrier, or the official time
    QLabel* LabMonitor = nullptr;
    QComboBox* cbMonitor = nullptr;
    QCheckBox* cbFullScreen = nullptr;
    // The check box in its caption is the countdown switch; unchecked, it greys out its contents.
    QGroupBox* gbCountDown = nullptr;
    QSpinBox* seCountDownTimer = nullptr;
    QLabel* LabelCdT = nullptr;  // "Timer:"
    QLabel* Label4 = nullptr;    // its "Sek."
    QCheckBox* cbCountDownSound = nullptr;
    QSpinBox* seWarnungTime = nullptr;
    QLabel* LabelWT = nullptr;  // "Warnung:"
    QLabel* Label7 = nullptr;   // its "Sek."
    QCheckBox* cbWarnungSound = nullptr;
    QCheckBox* cbAbbruch = nullptr;
    QCheckBox* cbAbbruchSound = nullptr;
    QCheckBox* cbLiveResults = nullptr;
    QSpinBox* seLivePort = nullptr;
    // Every interface, or one of the machine's addresses by its interface's name.
    QComboBox* cbLiveAddress = nullptr;
    // The check box in its caption switches the publishing to an MQTT broker.
    QGroupBox* gbMqtt = nullptr;
    QLineEdit* edMqttHost = nullptr;
    QSpinBox* seMqttPort = nullptr;
    QCheckBox* cbMqttTls = nullptr;
    QLineEdit* edMqttCaFile = nullptr;
    QPushButton* bMqttCaFile = nullptr;  // chooses the CA file
    QLineEdit* edMqttUser = nullptr;
    QLineEdit* edMqttPassword = nullptr;
    QLineEdit* edMqttPrefix = nullptr;
    QLineEdit* edArena = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // The hidden pictures beside "ON" and "OFF" in cbAlg.
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;

    // Draws entry index of cbAlg into rect: the list's background, the entry's text and beside
    // it the picture of Image1 ("ON") or Image2 ("OFF"), which a disabled entry leaves out.
    void cbAlgDrawItem(QPainter& painter, const QRect& rect, int index, bool enabled,
                       bool selected) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Each time the window is shown: the countdown controls in line with the countdown switch.
    void FormShow();
    // The countdown switch greys out or brings back everything of the countdown.
    void cbCountDownClick();
    void cbPortChange();
    void seCountDownTimerChange();
    void RenderLamp();
    void RenderSourceLamps();
    void FillLiveAddresses(const std::string& chosen);

    CfgValues shown_;
    bool startBarrierTest_ = false;
    PortLamp lamp_ = PortLamp::Neutral;
    std::string lampReason_;
    PortLamp shownLamp_ = PortLamp::Neutral;
};
