#include "ui/TCfgDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

#include "live/LiveResultsServer.h"
#include "ui/Pictures.h"

namespace {

// The entries of the trigger list, drawn by the dialog's cbAlgDrawItem.
class AlgItemDelegate : public QStyledItemDelegate {
public:
    AlgItemDelegate(const TCfgDialog& dialog, QObject* parent)
        : QStyledItemDelegate(parent), dialog_(dialog) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        dialog_.cbAlgDrawItem(*painter, option.rect, index.row(),
                              option.state.testFlag(QStyle::State_Enabled),
                              option.state.testFlag(QStyle::State_Selected));
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize text = QStyledItemDelegate::sizeHint(option, index);
        return {text.width() + 60, std::max(text.height(), 20)};
    }

private:
    const TCfgDialog& dialog_;
};

}  // namespace

namespace {

constexpr int LampSize = 16;

QSpinBox* SpinEdit(QWidget* parent, int max) {
    auto* edit = new QSpinBox(parent);
    edit->setRange(0, max);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QCheckBox* SoundSwitch(QWidget* parent, const char* cue) {
    auto* box = new QCheckBox("Sound", parent);
    box->setToolTip(cue);
    return box;
}

void FillList(QComboBox* list, const std::vector<std::string>& entries, int selected) {
    list->clear();
    for (const std::string& entry : entries) {
        list->addItem(QString::fromStdString(entry));
    }
    list->setCurrentIndex(selected);
}

QPixmap LampPicture(const QColor& colour) {
    QPixmap pixmap(LampSize, LampSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, LampSize - 1, LampSize - 1));
    return pixmap;
}

// A port's lamp: green while open, red while it is set but not open (with the reason under it),
// neutral when none is set or another entry is selected.
void ShowLamp(QLabel* shape, QLabel* why, PortLamp lamp, const std::string& reason,
              const QColor& neutral) {
    const QColor colour = lamp == PortLamp::Open     ? QColor(0x00, 0x80, 0x00)
                          : lamp == PortLamp::Closed ? QColor(0xFF, 0x00, 0x00)
                                                     : neutral;
    shape->setPixmap(LampPicture(colour));
    why->setText(QString::fromStdString(reason));
    why->setVisible(lamp != PortLamp::Neutral && !reason.empty());
}

// A port's row of a grid: its label, the port list and the lamp beside it, and the reason why
// it is not open in the row beneath.
void PortRow(QGridLayout* grid, int row, const char* label, QComboBox*& list, QLabel*& lamp,
             QLabel*& reason) {
    QWidget* parent = grid->parentWidget();
    grid->addWidget(new QLabel(label, parent), row, 0);
    list = new QComboBox(parent);
    list->setMaxVisibleItems(20);
    list->setMinimumContentsLength(24);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(list, row, 1, 1, 3);
    lamp = new QLabel(parent);
    lamp->setFixedSize(LampSize, LampSize);
    grid->addWidget(lamp, row, 4);
    reason = new QLabel(parent);
    reason->setWordWrap(true);
    reason->setTextFormat(Qt::PlainText);
    reason->setStyleSheet("color: #C00000;");
    reason->hide();
    grid->addWidget(reason, row + 1, 0, 1, 5);
}

}  // namespace

TCfgDialog::TCfgDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Einstellungen");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    gbLS = new QGroupBox(" Lichtschranke(n) ", this);
    gbLS->setToolTip("Zeitgenauigkeit: 1/100 s.");
    auto* ls = new QGridLayout(gbLS);
    PortRow(ls, 0, "Port:", cbPort, ShapePort, LabelPortReason);

    ls->addWidget(new QLabel(" Algorithmus: ", gbLS), 2, 0);
    cbAlg = new QComboBox(gbLS);
    cbAlg->setToolTip("Kontakt 7+8");
    cbAlg->setIconSize(QSize(41, 16));
    Image1 = new QLabel(gbLS);
    Image1->setPixmap(TriggerPicture(0));
    Image1->hide();
    Image2 = new QLabel(gbLS);
    Image2->setPixmap(TriggerPicture(1));
    Image2->hide();
    cbAlg->addItem(QIcon(Image1->pixmap()), "ON");
    cbAlg->addItem(QIcon(Image2->pixmap()), "OFF");
    cbAlg->setItemDelegate(new AlgItemDelegate(*this, cbAlg));
    cbAlg->setEnabled(false);
    ls->addWidget(cbAlg, 2, 1);
    Label1 = new QLabel("Start (7+8):", gbLS);
    Label1->setEnabled(false);
    ls->addWidget(Label1, 2, 2, 1, 3);

    LabelL1 = new QLabel("Gesperrt:", gbLS);
    ls->addWidget(LabelL1, 3, 0);
    seTimeout = new QDoubleSpinBox(gbLS);
    seTimeout->setDecimals(1);
    seTimeout->setRange(0, LockTenthsMax / 10.0);
    seTimeout->setSingleStep(0.1);
    seTimeout->setAlignment(Qt::AlignRight);
    seTimeout->setToolTip("Nach jedem Start und Stopp nimmt die Lichtschranke so lange nichts an");
    ls->addWidget(seTimeout, 3, 1);
    LabelL2 = new QLabel("Sek.", gbLS);
    ls->addWidget(LabelL2, 3, 2);
    bBarrierTest = new QPushButton("Lichtschranke testen", gbLS);
    bBarrierTest->setToolTip("[F7] Jede Flanke anzeigen, ohne zu zeiten");
    ls->addWidget(bBarrierTest, 3, 3, 1, 2, Qt::AlignRight);
    // What 0 does, so that nobody takes it for "no lock".
    ls->addWidget(new QLabel("0 = nach dem Start gesperrt bis F11", gbLS), 4, 1, 1, 4);
    ls->setColumnStretch(3, 1);

    gbBackup = new QGroupBox(" Zweite Zeitnahme ", this);
    gbBackup->setToolTip(
        "Eine zweite Lichtschranke oder ein Zeitmesser: springt ein, wenn die "
        "erste einen Start oder Stopp verpasst");
    auto* backup = new QGridLayout(gbBackup);
    PortRow(backup, 0, "Zweite Lichtschranke:", cbBackupPort, ShapeBackupPort, LabelBackupReason);
    backup->addWidget(new QLabel("Nachfragen ab:", gbBackup), 2, 0);
    seBackupTolerance = SpinEdit(gbBackup, BackupToleranceMax);
    seBackupTolerance->setSuffix(" ms");
    seBackupTolerance->setToolTip(
        "Weichen die Laufzeiten beider Messungen mehr ab, wird vor dem "
        "Eintragen gefragt, welche gilt");
    backup->addWidget(seBackupTolerance, 2, 1);
    PortRow(backup, 3, "Zeitmesser:", cbTimerPort, ShapeTimerPort, LabelTimerReason);
    backup->addWidget(new QLabel("Format:", gbBackup), 5, 0);
    cbTimerFormat = new QComboBox(gbBackup);
    backup->addWidget(cbTimerFormat, 5, 1);
    cbTimerBaud = new QComboBox(gbBackup);
    for (const int baud : TimerBauds) {
        cbTimerBaud->addItem(QString("%1 Baud 8N1").arg(baud), baud);
    }
    backup->addWidget(cbTimerBaud, 5, 2, 1, 2);
    cbTimerRole = new QComboBox(gbBackup);
    cbTimerRole->addItem("Zeitmesser als Ersatz der Lichtschranke");
    cbTimerRole->addItem("Zeitmesser gibt die Zeit, Lichtschranke als Ersatz");
    backup->addWidget(cbTimerRole, 6, 1, 1, 3);
    backup->setColumnStretch(3, 1);

    LabMonitor = new QLabel("TV / Zusatzmonitor:", this);
    cbMonitor = new QComboBox(this);
    cbFullScreen = new QCheckBox("Vollbildmodus", this);
    auto* monitor = new QGridLayout;
    monitor->addWidget(LabMonitor, 0, 0);
    monitor->addWidget(cbMonitor, 0, 1);
    monitor->addWidget(cbFullScreen, 1, 1);
    monitor->setColumnStretch(1, 1);

    gbCountDown = new QGroupBox(" CountDown ", this);
    gbCountDown->setCheckable(true);
    auto* cd = new QGridLayout(gbCountDown);
    // A countdown time: label, seconds, "Sek." and its sound switch.
    auto timeRow = [&](int row, const char* label, QLabel*& named, QSpinBox*& seconds,
                       QLabel*& unit, QCheckBox*& sound, const char* cue) {
        named = new QLabel(label, gbCountDown);
        cd->addWidget(named, row, 0);
        seconds = SpinEdit(gbCountDown, CountDownSecondsMax);
        cd->addWidget(seconds, row, 1);
        unit = new QLabel("Sek.", gbCountDown);
        cd->addWidget(unit, row, 2);
        sound = SoundSwitch(gbCountDown, cue);
        cd->addWidget(sound, row, 3);
    };
    timeRow(0, "Timer:", LabelCdT, seCountDownTimer, Label4, cbCountDownSound, "Audio-Timer.wav");
    timeRow(1, "Warnung:", LabelWT, seWarnungTime, Label7, cbWarnungSound, "Audio-Warnung.wav");
    cbAbbruch = new QCheckBox("Abbruch", gbCountDown);
    cd->addWidget(cbAbbruch, 2, 0, 1, 3);
    cbAbbruchSound = SoundSwitch(gbCountDown, "Audio-Abbruch.wav");
    cd->addWidget(cbAbbruchSound, 2, 3);
    cd->setColumnStretch(4, 1);

    cbLiveResults = new QCheckBox("Live-Ergebnisse im Netzwerk", this);
    seLivePort = new QSpinBox(this);
    seLivePort->setRange(LivePortMin, LivePortMax);
    seLivePort->setEnabled(false);
    auto* live = new QHBoxLayout;
    live->addWidget(cbLiveResults);
    live->addStretch();
    live->addWidget(new QLabel("Port:", this));
    live->addWidget(seLivePort);
    cbLiveAddress = new QComboBox(this);
    cbLiveAddress->setEnabled(false);
    auto* liveAddress = new QHBoxLayout;
    liveAddress->addWidget(new QLabel("Erreichbar über:", this));
    liveAddress->addWidget(cbLiveAddress, 1);

    gbMqtt = new QGroupBox(" MQTT-Broker (Ergebnisse für alle Arenen) ", this);
    gbMqtt->setCheckable(true);
    auto* mqtt = new QGridLayout(gbMqtt);
    auto field = [&](int row, int col, const char* label, QLineEdit*& edit) {
        mqtt->addWidget(new QLabel(label, gbMqtt), row, col);
        edit = new QLineEdit(gbMqtt);
        mqtt->addWidget(edit, row, col + 1);
    };
    field(0, 0, "Adresse:", edMqttHost);
    mqtt->addWidget(new QLabel("Port:", gbMqtt), 0, 2);
    seMqttPort = new QSpinBox(gbMqtt);
    seMqttPort->setRange(MqttPortMin, LivePortMax);
    mqtt->addWidget(seMqttPort, 0, 3);
    cbMqttTls = new QCheckBox("TLS", gbMqtt);
    mqtt->addWidget(cbMqttTls, 1, 0);
    edMqttCaFile = new QLineEdit(gbMqtt);
    edMqttCaFile->setPlaceholderText("CA-Datei (leer: Zertifikate des Systems)");
    mqtt->addWidget(edMqttCaFile, 1, 1, 1, 2);
    bMqttCaFile = new QPushButton("…", gbMqtt);
    bMqttCaFile->setToolTip("CA-Datei wählen");
    mqtt->addWidget(bMqttCaFile, 1, 3);
    field(2, 0, "Benutzer:", edMqttUser);
    field(2, 2, "Passwort:", edMqttPassword);
    edMqttPassword->setEchoMode(QLineEdit::Password);
    field(3, 0, "Präfix:", edMqttPrefix);
    field(3, 2, "Arena:", edArena);
    edArena->setToolTip("Name dieses Zeitnahme-Platzes in den Themen des Brokers");
    mqtt->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton("Abbrechen", QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbLS);
    layout->addWidget(gbBackup);
    layout->addLayout(monitor);
    layout->addWidget(gbCountDown);
    layout->addLayout(live);
    layout->addLayout(liveAddress);
    layout->addWidget(gbMqtt);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bBarrierTest, &QPushButton::clicked, this, [this] {
        startBarrierTest_ = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbPort, &QComboBox::currentIndexChanged, this, [this] { cbPortChange(); });
    connect(cbBackupPort, &QComboBox::currentIndexChanged, this, [this] { RenderSourceLamps(); });
    connect(cbTimerPort, &QComboBox::currentIndexChanged, this, [this] { RenderSourceLamps(); });
    connect(seCountDownTimer, &QSpinBox::valueChanged, this, [this] { seCountDownTimerChange(); });
    connect(seWarnungTime, &QSpinBox::valueChanged, this, [this] { seCountDownTimerChange(); });
    connect(cbLiveResults, &QCheckBox::toggled, seLivePort, &QWidget::setEnabled);
    connect(gbCountDown, &QGroupBox::toggled, this, [this] { cbCountDownClick(); });
    connect(cbLiveResults, &QCheckBox::toggled, cbLiveAddress, &QWidget::setEnabled);
    connect(cbMqttTls, &QCheckBox::toggled, edMqttCaFile, &QWidget::setEnabled);
    connect(cbMqttTls, &QCheckBox::toggled, bMqttCaFile, &QWidget::setEnabled);
    connect(bMqttCaFile, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, "CA-Datei", edMqttCaFile->text(), "Zertifikate (*.crt *.pem);;Alle Dateien (*)");
        if (!chosen.isEmpty()) {
            edMqttCaFile->setText(chosen);
        }
    });
    RenderLamp();
    RenderSourceLamps();
}

void TCfgDialog::SetValues(const CfgValues& values) {
    shown_ = values;
    {
        const QSignalBlocker blocker(cbPort);
        FillList(cbPort, values.PortEntries, values.PortIndex);
    }
    cbAlg->setCurrentIndex(values.Alg);
    seTimeout->setValue(values.LockTenths / 10.0);
    {
        const QSignalBlocker backupBlocker(cbBackupPort);
        const QSignalBlocker timerBlocker(cbTimerPort);
        FillList(cbBackupPort, values.BackupPortEntries, values.BackupPortIndex);
        FillList(cbTimerPort, values.TimerPortEntries, values.TimerPortIndex);
    }
    seBackupTolerance->setValue(values.BackupTolerance);
    FillList(cbTimerFormat, values.TimerFormats, 0);
    const QString format = QString::fromStdString(values.TimerFormat);
    if (cbTimerFormat->findText(format) < 0) {
        // A name this program does not read stays stored as it is.
        cbTimerFormat->addItem(format);
    }
    cbTimerFormat->setCurrentText(format);
    const int baud = cbTimerBaud->findData(values.TimerBaud);
    if (baud < 0) {
        // A speed set outside the dialog stays as it is.
        cbTimerBaud->addItem(QString("%1 Baud 8N1").arg(values.TimerBaud), values.TimerBaud);
    }
    cbTimerBaud->setCurrentIndex(cbTimerBaud->findData(values.TimerBaud));
    cbTimerRole->setCurrentIndex(values.TimerPrimary ? 1 : 0);
    RenderSourceLamps();

    FillList(cbMonitor, values.MonitorEntries, values.Monitor);
    cbMonitor->setEnabled(values.MonitorEnabled);
    LabMonitor->setEnabled(values.MonitorEnabled);
    cbFullScreen->setChecked(values.FullScreen);
    cbFullScreen->setEnabled(values.FullScreenEnabled);

    gbCountDown->setChecked(values.CountDown);
    seCountDownTimer->setValue(values.CountDownSeconds);
    cbCountDownSound->setChecked(values.SoundCountDown);
    seWarnungTime->setValue(values.WarnungSeconds);
    cbWarnungSound->setChecked(values.SoundWarnung);
    cbAbbruch->setChecked(values.Abbruch);
    cbAbbruchSound->setChecked(values.SoundAbbruch);
    cbLiveResults->setChecked(values.LiveResults);
    seLivePort->setValue(values.LivePort);
    seLivePort->setEnabled(values.LiveResults);
    FillLiveAddresses(values.LiveAddress);
    cbLiveAddress->setEnabled(values.LiveResults);
    gbMqtt->setChecked(values.Mqtt);
    edMqttHost->setText(QString::fromStdString(values.MqttHost));
    seMqttPort->setValue(values.MqttPort);
    cbMqttTls->setChecked(values.MqttTls);
    edMqttCaFile->setText(QString::fromStdString(values.MqttCaFile));
    edMqttCaFile->setEnabled(values.MqttTls);
    bMqttCaFile->setEnabled(values.MqttTls);
    edMqttUser->setText(QString::fromStdString(values.MqttUser));
    edMqttPassword->setText(QString::fromStdString(values.MqttPassword));
    edMqttPrefix->setText(QString::fromStdString(values.MqttPrefix));
    edArena->setText(QString::fromStdString(values.Arena));

    cbPortChange();
    seCountDownTimerChange();
}

CfgValues TCfgDialog::Values() const {
    CfgValues values = shown_;
    values.PortIndex = cbPort->currentIndex();
    values.Alg = cbAlg->currentIndex();
    values.LockTenths = static_cast<int>(std::lround(seTimeout->value() * 10));
    values.BackupPortIndex = cbBackupPort->currentIndex();
    values.BackupTolerance = seBackupTolerance->value();
    values.TimerPortIndex = cbTimerPort->currentIndex();
    values.TimerFormat = cbTimerFormat->currentText().toStdString();
    values.TimerBaud = cbTimerBaud->currentData().toInt();
    values.TimerPrimary = cbTimerRole->currentIndex() == 1;
    values.Monitor = cbMonitor->currentIndex();
    values.FullScreen = cbFullScreen->isChecked();
    values.CountDown = gbCountDown->isChecked();
    values.CountDownSeconds = seCountDownTimer->value();
    values.SoundCountDown = cbCountDownSound->isChecked();
    values.WarnungSeconds = seWarnungTime->value();
    values.SoundWarnung = cbWarnungSound->isChecked();
    values.Abbruch = cbAbbruch->isChecked();
    values.SoundAbbruch = cbAbbruchSound->isChecked();
    values.LiveResults = cbLiveResults->isChecked();
    values.LivePort = seLivePort->value();
    values.LiveAddress = cbLiveAddress->currentData().toString().toStdString();
    values.Mqtt = gbMqtt->isChecked();
    values.MqttHost = edMqttHost->text().trimmed().toStdString();
    values.MqttPort = seMqttPort->value();
    values.MqttTls = cbMqttTls->isChecked();
    values.MqttCaFile = edMqttCaFile->text().trimmed().toStdString();
    values.MqttUser = edMqttUser->text().toStdString();
    values.MqttPassword = edMqttPassword->text().toStdString();
    values.MqttPrefix = edMqttPrefix->text().trimmed().toStdString();
    values.Arena = edArena->text().trimmed().toStdString();
    values.StartBarrierTest = startBarrierTest_;
    return values;
}

void TCfgDialog::FillLiveAddresses(const std::string& chosen) {
    cbLiveAddress->clear();
    cbLiveAddress->addItem("alle Netzwerke dieses Rechners", QString());
    for (const ListenAddress& address : ListenAddresses()) {
        cbLiveAddress->addItem(QString::fromStdString(address.label),
                               QString::fromStdString(address.address));
    }
    const QString stored = QString::fromStdString(chosen);
    if (cbLiveAddress->findData(stored) < 0) {
        // Kept as stored, though the machine has it no more: the server says so when it starts.
        cbLiveAddress->addItem(stored + " (nicht vorhanden)", stored);
    }
    cbLiveAddress->setCurrentIndex(cbLiveAddress->findData(stored));
}

std::optional<CfgValues> TCfgDialog::Execute(const CfgValues& values) {
    SetValues(values);
    startBarrierTest_ = false;
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return Values();
}

void TCfgDialog::SetPortLamp(PortLamp lamp, const std::string& reason) {
    lamp_ = lamp;
    lampReason_ = reason;
    RenderLamp();
}

void TCfgDialog::cbPortChange() {
    const bool port = cbPort->currentIndex() > 0;
    cbAlg->setEnabled(port);
    seTimeout->setEnabled(port);
    LabelL1->setEnabled(port);
    LabelL2->setEnabled(port);
    RenderLamp();
}

void TCfgDialog::seCountDownTimerChange() {
    if (!WarningTooLate(seWarnungTime->value(), seCountDownTimer->value())) {
        seWarnungTime->setPalette(QPalette());  // the inherited colours again
        return;
    }
    // Red only while the field can be edited; a greyed-out countdown group stays grey.
    QPalette palette = QApplication::palette(seWarnungTime);
    palette.setColor(QPalette::Active, QPalette::Text, Qt::red);
    palette.setColor(QPalette::Inactive, QPalette::Text, Qt::red);
    seWarnungTime->setPalette(palette);
}

void TCfgDialog::RenderLamp() {
    const int index = cbPort->currentIndex();
    shownLamp_ = index > 0 && index == shown_.PortIndex ? lamp_ : PortLamp::Neutral;
    // Why the port is closed, or what an open one lacks (a slow USB adapter).
    ShowLamp(ShapePort, LabelPortReason, shownLamp_, lampReason_,
             palette().color(QPalette::Button));
}

void TCfgDialog::RenderSourceLamps() {
    const auto shown = [](QComboBox* list, int configured, PortLamp lamp) {
        const int index = list->currentIndex();
        return index > 0 && index == configured ? lamp : PortLamp::Neutral;
    };
    ShowLamp(ShapeBackupPort, LabelBackupReason,
             shown(cbBackupPort, shown_.BackupPortIndex, shown_.BackupLamp),
             shown_.BackupLampReason, palette().color(QPalette::Button));
    ShowLamp(ShapeTimerPort, LabelTimerReason,
             shown(cbTimerPort, shown_.TimerPortIndex, shown_.TimerLamp), shown_.TimerLampReason,
             palette().color(QPalette::Button));
}

void TCfgDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TCfgDialog::FormShow() {
    cbCountDownClick();
}

void TCfgDialog::cbCountDownClick() {
    const bool on = gbCountDown->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{
             seCountDownTimer, seWarnungTime, LabelCdT, LabelWT, cbAbbruch, cbCountDownSound,
             cbWarnungSound, cbAbbruchSound, Label4, Label7}) {
        control->setEnabled(on);
    }
}

void TCfgDialog::cbAlgDrawItem(QPainter& painter, const QRect& rect, int index, bool enabled,
                               bool selected) const {
    const QPalette& colours = cbAlg->palette();
    painter.fillRect(rect, colours.color(selected ? QPalette::Highlight : QPalette::Base));
    const QString text = cbAlg->itemText(index);
    const int textWidth = painter.fontMetrics().horizontalAdvance(text);
    // The picture 20 pixels in, or after a text that is wider, so that both stay readable.
    const QPixmap picture = (index == 0 ? Image1 : Image2)->pixmap();
    if (enabled && (index == 0 || index == 1)) {
        painter.drawPixmap(rect.left() + std::max(20, textWidth + 6),
                           rect.top() + (rect.height() - picture.height()) / 2, picture);
    }
    painter.setPen(colours.color(enabled ? QPalette::Active : QPalette::Disabled,
                                 selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}
