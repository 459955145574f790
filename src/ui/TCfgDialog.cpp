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

// The first two rows of a port's group: the port list with its lamp, and under them the line that
// says why the port is not open (or how it is).
void AddPortRows(QGridLayout* grid, QWidget* group, QComboBox*& list, QLabel*& lamp,
                 QLabel*& state) {
    grid->addWidget(new QLabel("Port:", group), 0, 0);
    list = new QComboBox(group);
    list->setMaxVisibleItems(20);
    list->setMinimumContentsLength(24);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(list, 0, 1, 1, 3);
    lamp = new QLabel(group);
    lamp->setFixedSize(LampSize, LampSize);
    grid->addWidget(lamp, 0, 4);
    state = new QLabel(group);
    state->setWordWrap(true);
    state->setTextFormat(Qt::PlainText);
    grid->addWidget(state, 1, 0, 1, 5);
}

QColor LampColour(PortLamp lamp, const QPalette& palette) {
    return lamp == PortLamp::Open     ? QColor(0x00, 0x80, 0x00)
           : lamp == PortLamp::Closed ? QColor(0xFF, 0x00, 0x00)
                                      : palette.color(QPalette::Button);
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

}  // namespace

TCfgDialog::TCfgDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Einstellungen");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    gbLS = new QGroupBox(" Lichtschranke(n) ", this);
    gbLS->setToolTip("Zeitgenauigkeit: 1/100 s.");
    auto* ls = new QGridLayout(gbLS);
    AddPortRows(ls, gbLS, cbPort, ShapePort, LabelPortReason);
    LabelPortReason->setStyleSheet("color: #C00000;");
    LabelPortReason->hide();
    ls->addWidget(LabelPortReason, 1, 0, 1, 5);

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

    gbBoard = new QGroupBox(" Anzeigetafel (LED, seriell) ", this);
    gbBoard->setToolTip("Laufzeit, Countdown, Startnummer und Rang als Textzeile, 8N1");
    auto* board = new QGridLayout(gbBoard);
    AddPortRows(board, gbBoard, cbBoardPort, ShapeBoardPort, LabelBoardState);
    board->addWidget(new QLabel("Baud:", gbBoard), 2, 0);
    cbBoardBaud = new QComboBox(gbBoard);
    for (const int baud : BoardBauds) {
        cbBoardBaud->addItem(QString::number(baud), baud);
    }
    cbBoardBaud->setToolTip("Unter 2400 Baud passen keine zehn Zeilen pro Sekunde");
    board->addWidget(cbBoardBaud, 2, 1);
    board->addWidget(new QLabel("Format:", gbBoard), 2, 2, Qt::AlignRight);
    cbBoardFormat = new QComboBox(gbBoard);
    board->addWidget(cbBoardFormat, 2, 3);
    board->setColumnStretch(3, 1);

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
    layout->addWidget(gbBoard);
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
    connect(cbBoardPort, &QComboBox::currentIndexChanged, this, [this] { cbBoardPortChange(); });
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
}

void TCfgDialog::SetValues(const CfgValues& values) {
    shown_ = values;
    {
        const QSignalBlocker blocker(cbPort);
        FillList(cbPort, values.PortEntries, values.PortIndex);
    }
    cbAlg->setCurrentIndex(values.Alg);
    seTimeout->setValue(values.LockTenths / 10.0);

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
    {
        const QSignalBlocker blocker(cbBoardPort);
        FillList(cbBoardPort, values.BoardPortEntries, values.BoardPortIndex);
    }
    // A stored speed or format the lists lack is kept as it is.
    if (cbBoardBaud->findData(values.BoardBaud) < 0) {
        cbBoardBaud->addItem(QString::number(values.BoardBaud), values.BoardBaud);
    }
    cbBoardBaud->setCurrentIndex(cbBoardBaud->findData(values.BoardBaud));
    FillList(cbBoardFormat, values.BoardFormats, 0);
    const QString format = QString::fromStdString(values.BoardFormat);
    if (cbBoardFormat->findText(format) < 0) {
        cbBoardFormat->addItem(format);
    }
    cbBoardFormat->setCurrentIndex(cbBoardFormat->findText(format));
    cbBoardPortChange();

    cbPortChange();
    seCountDownTimerChange();
}

CfgValues TCfgDialog::Values() const {
    CfgValues values = shown_;
    values.PortIndex = cbPort->currentIndex();
    values.Alg = cbAlg->currentIndex();
    values.LockTenths = static_cast<int>(std::lround(seTimeout->value() * 10));
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
    if (cbBoardPort->count() > 0) {
        values.BoardPortIndex = cbBoardPort->currentIndex();
    }
    values.BoardBaud = cbBoardBaud->currentData().toInt();
    values.BoardFormat = cbBoardFormat->currentText().toStdString();
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

void TCfgDialog::cbBoardPortChange() {
    const bool configured = cbBoardPort->currentIndex() == shown_.BoardPortIndex;
    const PortLamp lamp = configured ? shown_.BoardLamp : PortLamp::Neutral;
    ShapeBoardPort->setPixmap(LampPicture(LampColour(lamp, palette())));
    LabelBoardState->setText(QString::fromStdString(shown_.BoardState));
    LabelBoardState->setStyleSheet(lamp == PortLamp::Closed ? "color: #C00000;"
                                   : lamp == PortLamp::Open ? "color: #006000;"
                                                            : "");
    LabelBoardState->setVisible(configured && !shown_.BoardState.empty());
    // A simulated board is written whatever the list says.
    const bool board = cbBoardPort->currentIndex() > 0 || (configured && lamp != PortLamp::Neutral);
    cbBoardBaud->setEnabled(board);
    cbBoardFormat->setEnabled(board);
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
    ShapePort->setPixmap(LampPicture(LampColour(shownLamp_, palette())));
    // Why the port is closed, or what an open one lacks (a slow USB adapter).
    const bool why = shownLamp_ != PortLamp::Neutral && !lampReason_.empty();
    LabelPortReason->setText(QString::fromStdString(lampReason_));
    LabelPortReason->setVisible(why);
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
