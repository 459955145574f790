#include "ui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/SettingsStore.h"
#include "config/WindowPlacement.h"
#include "files/FileKind.h"
#include "files/Loading.h"
#include "files/ProtocolFile.h"
#include "files/TextLines.h"
#include "ui/Pictures.h"
#include "ui/TDigit.h"
#include "ui/TSortGrid.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Hex(Rgb colour) {
    return QString("#%1").arg(colour, 6, 16, QChar('0'));
}

// The colour buttons' face: a vertical gradient from the light colour over the face colour
// (a quarter down) back to the light colour; hover and pressed take their own face colours.
QString ColourButtonStyle(const ButtonLook& look) {
    auto face = [&](Rgb colour) {
        return QString(
                   "qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.25 %2, stop:1 %1)")
            .arg(Hex(look.LightColor), Hex(colour));
    };
    return QString(
               "QPushButton { background: %1; color: %2; font: bold 19px Arial; border: 1px solid "
               "%3; border-radius: 3px; }"
               "QPushButton:hover { background: %4; }"
               "QPushButton:pressed { background: %5; }"
               "QPushButton:disabled { color: #808080; background: %1; }")
        .arg(face(look.Color), Hex(look.TextColor), Hex(look.ShadowColor), face(look.HotTrackColor),
             face(look.ColorWhenDown));
}

// Runs on every clock tick for the separators: only a real change touches the palette.
void SetLabelColour(QLabel* label, Rgb colour) {
    const QColor wanted = QColor::fromRgb(colour);
    if (label->palette().color(QPalette::WindowText) == wanted) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, wanted);
    label->setPalette(palette);
}

void SetDigit(TDigit* digit, const DigitLook& look) {
    digit->SetValue(look.Value);
    digit->SetColorOn(QColor::fromRgb(look.ColorOn));
}

constexpr const char* TextFilter = "Textdatei (*.txt)";

char SystemDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? point.at(0).toLatin1() : ',';
}

}  // namespace

QtTimer::QtTimer(std::function<void()> expired) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, std::move(expired));
}

void QtTimer::Start(int intervalMs) {
    timer_.start(intervalMs);
}

TForm1::TForm1(Form1Environment environment, QWidget* parent)
    : QMainWindow(parent),
      env_(std::move(environment)),
      decimalSeparator_(SystemDecimalSeparator()),
      ranking_(table_, decimalSeparator_),
      clock_([this] {
          engine_->ClockTimer();
          RenderBoard();
      }),
      startLock_([this] {
          engine_->TimerStartLockTimer();
          Render();
      }),
      comPort_(env_.Serial,
               [this](std::function<void()> call) {
                   QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
               }),
      reconnector_(comPort_) {
    setWindowTitle("Corralix 0.98");
    setMinimumSize(MainWindowMinWidth, MainWindowMinHeight);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* panelTop = new QWidget(central);
    panelTop->setFixedHeight(360);
    auto* topRow = new QHBoxLayout(panelTop);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->setSpacing(0);
    auto* panelCtrl = new QWidget(panelTop);
    panelCtrl->setFixedWidth(492);
    auto* panelTablo = new QWidget(panelTop);
    panelTablo->setFixedWidth(400);
    ImageLogo = new QLabel(panelTop);
    ImageLogo->setAlignment(Qt::AlignCenter);
    ImageLogo->setToolTip("Logo.jpg; Logo.bmp");
    ImageLogo->setMinimumWidth(0);
    ImageLogo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    topRow->addWidget(panelCtrl);
    topRow->addWidget(panelTablo);
    topRow->addWidget(ImageLogo, 1);
    SortGrid1 = new TSortGrid(table_, central);
    column->addWidget(panelTop);
    column->addWidget(SortGrid1, 1);
    setCentralWidget(central);

    StatusPosition = new QLabel(this);
    StatusPosition->setFixedWidth(72);
    StatusPosition->setAlignment(Qt::AlignCenter);
    StatusMessage = new QLabel(this);
    statusBar()->setFixedHeight(25);
    statusBar()->addWidget(StatusPosition);
    statusBar()->addWidget(StatusMessage, 1);

    startList_ = std::make_unique<StartList>(table_, ranking_, SortGrid1->TextMeasure());
    BuildPanelCtrl(panelCtrl);
    BuildPanelTablo(panelTablo);
    BuildCommands();
    FormCreate();
}

TForm1::~TForm1() {
    // The watcher must be gone before the logic its callbacks reach.
    comPort_.OnClose = nullptr;
    comPort_.Close();
    // The controls go before the table and the logic they show.
    delete takeCentralWidget();
}

void TForm1::BuildPanelCtrl(QWidget* panel) {
    QFont font("Arial");
    font.setPixelSize(21);
    panel->setFont(font);
    auto place = [](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(left, top, width, height);
    };
    auto label = [&](const char* text, int right, int top) {
        auto* l = new QLabel(text, panel);
        l->adjustSize();
        l->move(right - l->width(), top);
        return l;
    };
    auto button = [&](const char* text, int left, int top, int width, int height) {
        auto* b = new QPushButton(text, panel);
        place(b, left, top, width, height);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };

    cmd_F2_Settings = button("F2", 45, 1, 40, 36);
    cmd_F2_Settings->setToolTip("[F2] Einstellungen");
    bLoad = button("", 4, 41, 40, 40);
    bLoad->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    bLoad->setToolTip("[Strg+O] Starterliste oder txt gespeichertes Protokoll öffnen");
    bLoad->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bLoad, &QPushButton::clicked, this, [this] { bLoadClick(); });
    connect(bLoad, &QPushButton::customContextMenuRequested, this, [this] { ReloadLastFile(); });

    label("Start Nr.:", 57 + 76, 51);
    cbStNr = new QComboBox(panel);
    place(cbStNr, 140, 44, 72, 32);
    cbStNr->setMaxVisibleItems(20);
    cbStNr->setStyleSheet("color: blue; font-weight: bold;");
    connect(cbStNr, &QComboBox::activated, this, [this](int index) {
        startList_->cbStNrChange(index);
        Render();
    });
    bNumerMinus = button("<<", 216, 44, 32, 32);
    bNumerMinus->setToolTip(Q(std::string(StartList::MinusHint)));
    bNumerPlus = button(">>", 248, 44, 32, 32);
    bNumerPlus->setToolTip(Q(std::string(StartList::PlusHint)));
    OnClick(bNumerMinus, [this] { startList_->bNumerClick(StartList::MinusStep); });
    OnClick(bNumerPlus, [this] { startList_->bNumerClick(StartList::PlusStep); });
    cbRace = new QComboBox(panel);
    place(cbRace, 316, 44, 169, 32);
    for (auto race : StartList::Races) {
        cbRace->addItem(Q(std::string(race)));
    }
    connect(cbRace, &QComboBox::activated, this, [this](int index) {
        startList_->cbRaceChange(index);
        Render();
    });

    auto field = [&](int top, void (StartList::*change)(std::string)) {
        auto* edit = new QLineEdit(panel);
        place(edit, 140, top, 345, 32);
        edit->setStyleSheet("color: blue; font-style: italic;");
        connect(edit, &QLineEdit::textEdited, this, [this, change](const QString& text) {
            ((*startList_).*change)(text.toStdString());
            Render();
        });
        return edit;
    };
    label("Name:", 80 + 56, 83);
    eReiterin = field(80, &StartList::eReiterinChange);
    label("Pferd:", 84 + 52, 115);
    ePferd = field(112, &StartList::ePferdChange);
    cbTeam = new QCheckBox("Team:", panel);
    place(cbTeam, 62, 150, 78, 17);
    cbTeam->setChecked(true);
    connect(cbTeam, &QCheckBox::clicked, this, [this](bool ticked) {
        startList_->cbTeamClick(ticked);
        Render();
    });
    eTeam = field(144, &StartList::eTeamChange);

    ImageLSstart = new QToolButton(panel);
    place(ImageLSstart, 8, 186, 33, 33);
    ImageLSstart->setAutoRaise(true);
    ImageLSstart->setIconSize(QSize(32, 32));
    ImageLSstart->setToolTip("[F11] Lichtschranke Ein / Aus");
    ImageLSstart->setFocusPolicy(Qt::NoFocus);
    ImageLSstart->hide();
    OnClick(ImageLSstart, [this] { engine_->ImageLSClick(); });
    bSTART = button("TIMER", 48, 181, 132, 44);
    bSTART->setToolTip("[F4] Handzeitnahme");
    OnClick(bSTART, [this] { engine_->bSTARTClick(); });
    img_Abbruch = new QToolButton(panel);
    place(img_Abbruch, 186, 186, 33, 33);
    img_Abbruch->setAutoRaise(true);
    img_Abbruch->setIcon(AbortPicture());
    img_Abbruch->setIconSize(QSize(33, 33));
    img_Abbruch->setToolTip("[F8] Abbruch");
    img_Abbruch->setFocusPolicy(Qt::NoFocus);
    img_Abbruch->hide();
    OnClick(img_Abbruch, [this] { engine_->mAbbruchClick(); });

    b5sek = button("+5 s.", 48, 232, 57, 36);
    b5sek->setToolTip("[F5] +1 Strafe");
    OnClick(b5sek, [this] { engine_->b5sekClick(+1); });
    bDq = button("DQ", 120, 232, 59, 36);
    bDq->setToolTip("[F9] Disqualifikation");
    OnClick(bDq, [this] { engine_->bDqClick(); });
    LabelGrund = new QLabel("Grund:", panel);
    LabelGrund->move(184, 236);
    LabelGrund->hide();
    bEintragen = button("EINTRAGEN", 48, 275, 132, 44);
    bEintragen->setToolTip("[F10] Eintragen/Nächster");
    OnClick(bEintragen, [this] { engine_->bEintragenClick(); });
    b_5sek = button("-5 s.", 185, 278, 58, 36);
    b_5sek->setToolTip("[Strg+F5] Strafenkorrektur");
    b_5sek->hide();
    OnClick(b_5sek, [this] { engine_->b5sekClick(-1); });
    ListBoxGrund = new QListWidget(panel);
    place(ListBoxGrund, 248, 176, 237, 142);
    ListBoxGrund->hide();
    connect(ListBoxGrund, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        engine_->ListBoxGrundClick(ListBoxGrund->row(item));
        Render();
        if (eGrundUser->isVisible()) {
            eGrundUser->setFocus();
        }
    });
    eGrundUser = new QLineEdit("...", panel);
    place(eGrundUser, 248, 292, 237, 26);
    eGrundUser->hide();
    eGrundUser->installEventFilter(this);

    auto* toolStrip = new QWidget(panel);
    place(toolStrip, 0, 318, 492, 42);
    auto* protocol = new QLabel("Protokoll:", toolStrip);
    protocol->move(4, 12);
    cmd_SORT = new QPushButton("Sort", toolStrip);
    place(cmd_SORT, 176, 1, 40, 41);
    cmd_SORT->setCheckable(true);
    cmd_SORT->setToolTip(Q(std::string(Ranking::SortHint)));
    cmd_SORT->setFocusPolicy(Qt::NoFocus);
    connect(cmd_SORT, &QPushButton::clicked, this, [this](bool down) {
        ranking_.SetSortDown(down);
        ranking_.cmd_SORTClick();
        Render();
    });
    cmd_SAVE = new QPushButton(toolStrip);
    place(cmd_SAVE, 216, 1, 40, 41);
    cmd_SAVE->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    cmd_SAVE->setToolTip("[Strg+S] Speichern als...");
    cmd_SAVE->setFocusPolicy(Qt::NoFocus);
    connect(cmd_SAVE, &QPushButton::clicked, this, [this] { cmd_SAVEClick(); });
}

void TForm1::OnClick(QAbstractButton* button, std::function<void()> handler) {
    connect(button, &QAbstractButton::clicked, this, [this, handler = std::move(handler)] {
        handler();
        Render();
    });
}

void TForm1::BuildPanelTablo(QWidget* panel) {
    panel->setAutoFillBackground(true);
    QPalette frame = panel->palette();
    frame.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    panel->setPalette(frame);
    auto* field = new QWidget(panel);
    field->setGeometry(20, 20, 360, 300);
    field->setAutoFillBackground(true);
    QPalette black = field->palette();
    black.setColor(QPalette::Window, Qt::black);
    field->setPalette(black);

    QFont font("Arial");
    font.setPixelSize(19);
    auto text = [&](int left, int top, int width, Rgb colour) {
        auto* l = new QLabel(panel);
        l->setGeometry(left, top, width, 28);
        l->setFont(font);
        SetLabelColour(l, colour);
        return l;
    };
    eRaceT = text(32, 28, 337, 0xFFFF00);
    eRaceT->setAlignment(Qt::AlignCenter);
    eRaceT->setStyleSheet("background: #404040; font-weight: bold;");
    eReiterinT = text(32, 64, 340, 0xFFFFFF);
    ePferdT = text(32, 94, 340, 0xFFFFFF);
    eTeamT = text(32, 124, 340, 0xFFFFFF);
    eStarafeT = text(31, 166, 200, 0xFF0000);
    eRangT = text(161, 166, 200, 0xFFFF00);
    eRangT->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    eRangT->hide();

    const int lefts[] = {33, 81, 153, 201, 273, 321};
    TDigit** digits[] = {&Digit3, &Digit4, &Digit5, &Digit6, &Digit7, &Digit8};
    for (int i = 0; i < 6; ++i) {
        auto* digit = new TDigit(panel);
        digit->setGeometry(lefts[i], 204, 45, 98);
        digit->SetThickness(5);
        digit->SetSeparation(1);
        *digits[i] = digit;
    }
    QFont big("Times New Roman");
    big.setPixelSize(64);
    big.setBold(true);
    LabMin = new QLabel(":", panel);
    LabMin->setGeometry(125, 212, 29, 78);
    LabSec = new QLabel(QString(QChar::fromLatin1(decimalSeparator_)), panel);
    LabSec->setGeometry(249, 241, 25, 81);
    for (QLabel* l : {LabMin, LabSec}) {
        l->setFont(big);
        l->setAlignment(Qt::AlignCenter);
    }
}

void TForm1::BuildCommands() {
    // The commands sit in two hidden menus; their keys act wherever the focus is in the window.
    QMenu* menu = nullptr;
    auto command = [this, &menu](const char* name, QKeySequence key,
                                 std::function<void()> handler) {
        auto* action = menu->addAction(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
            handler();
            Render();
        });
        return action;
    };
    menu = menuBar()->addMenu("HideMenu");
    mStart = command("Timer/Start/Stop", Qt::Key_F4, [this] { engine_->mStartClick(); });
    m5Plus = command("+5 sek", Qt::Key_F5, [this] { engine_->b5sekClick(+1); });
    m5Minus = command("-5 sek", Qt::CTRL | Qt::Key_F5, [this] { engine_->b5sekClick(-1); });
    mAbbruch = command("Abbruch", Qt::Key_F8, [this] { engine_->mAbbruchClick(); });
    mDQ = command("DQ", Qt::Key_F9, [this] { engine_->bDqClick(); });
    mEintragen = command("Eintragen", Qt::Key_F10, [this] { engine_->bEintragenClick(); });
    LockLS1 = command("Lock LS1", Qt::Key_F11, [this] { engine_->ImageLSClick(); });
    mSortMode = command("Sort", Qt::Key_F12, [this] { ranking_.mSortModeClick(); });
    menu = menuBar()->addMenu("Files");
    Save1 = command("Save", Qt::CTRL | Qt::Key_S, [this] { cmd_SAVEClick(); });
    Load1 = command("Load", Qt::CTRL | Qt::Key_O, [this] { bLoadClick(); });
    menuBar()->hide();
}

void TForm1::FormCreate() {
    settings_ = ReadSettings(env_.SettingsStore);
    // The available areas of the screens present, the primary one first.
    std::vector<Rect> screens;
    QList<QScreen*> present = QGuiApplication::screens();
    std::stable_partition(present.begin(), present.end(), [](QScreen* screen) {
        return screen == QGuiApplication::primaryScreen();
    });
    for (QScreen* screen : present) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    const Rect bounds =
        screens.empty()
            ? Rect{settings_.Left, settings_.Top, settings_.Width, settings_.Height}
            : PlaceMainWindow({settings_.Left, settings_.Top, settings_.Width, settings_.Height},
                              screens);
    move(bounds.Left, bounds.Top);
    resize(bounds.Width, bounds.Height);

    openFolder_ = Q(env_.ProgramFolder);
    backupFileName_ = env_.DataFolder + "/" + std::string(BackupFileTitle);
    reasonsFileName_ = env_.DataFolder + "/Disqualifikation.txt";
    ScanComPorts(env_.Serial);

    TimingSettings timing;
    timing.CountDown = settings_.CountDown;
    timing.CountDownSek = settings_.CountDownSek;
    timing.TimeWarnung = settings_.TimeWarnung;
    timing.TimeLock = settings_.TimeLock;
    timing.Abbruch = settings_.Abbruch;
    timing.SoundCountDown = settings_.SoundCountDown;
    timing.SoundWarnung = settings_.SoundWarnung;
    timing.SoundAbbruch = settings_.SoundAbbruch;
    timing.Alg = settings_.Alg;
    EntryHooks hooks;
    hooks.CurrentStartNumber = [this] { return startList_->StNrText(); };
    hooks.SelectNextStarter = [this] { startList_->bNumerClick(StartList::PlusStep); };
    hooks.RankTable = [this] { ranking_.RankAndSort(); };
    hooks.SaveBackup = [this] { return SaveBackup(); };
    hooks.DecimalSeparator = decimalSeparator_;
    engine_ = std::make_unique<TimingEngine>(table_, env_.Time, clock_, startLock_, env_.Cues,
                                             timing, std::move(hooks));

    // The reasons written back by the operator win over the list shipped with the program.
    for (const std::string& file :
         {reasonsFileName_, env_.ProgramFolder + "/Disqualifikation.txt"}) {
        if (auto lines = ReadTextLines(file)) {
            engine_->LoadReasons(std::move(*lines));
            break;
        }
    }
    LoadLogo();

    comPort_.OnOpen = [this](TComPort&) { ComPortOpen(); };
    comPort_.OnClose = [this](TComPort&) { ComPortClose(); };
    comPort_.OnCTS = [this](TComPort&) { ComPortLS(); };
    comPort_.Port = settings_.Port;
    connect(&reconnectTimer_, &QTimer::timeout, this, [this] { reconnector_.Poll(); });
    reconnectTimer_.start(1000);
    Render();
    OpenLightBarrier();
}

void TForm1::LoadLogo() {
    QPixmap logo;
    for (const char* name : {"Logo.jpg", "Logo.bmp"}) {
        const QString path = Q(env_.ProgramFolder) + "/" + name;
        if (QFileInfo::exists(path)) {
            logo.load(path);
        }
    }
    if (!logo.isNull()) {
        ImageLogo->setPixmap(logo.scaled(400, 360, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

void TForm1::OpenLightBarrier() {
    comPort_.DevicePath = env_.SimulatedBarrier;
    if (comPort_.Port == 0 && comPort_.DevicePath.empty()) {
        return;
    }
    try {
        comPort_.Open();
    } catch (const std::exception& error) {
        env_.ShowError(error.what());
    }
}

void TForm1::ComPortOpen() {
    engine_->SetLastModemStatus(comPort_.ReadModemStatus());
    Render();
}

void TForm1::ComPortClose() {
    Render();
}

void TForm1::ComPortLS() {
    const ComEvent& event = comPort_.CurrentEvent();
    engine_->ComPortLS(event.ModemStatus, event.Timestamp);
    Render();
}

std::string TForm1::SaveBackup() {
    const FileWriteResult result = WriteBackupFile(table_, backupFileName_);
    if (result.Ok()) {
        StatusMessage->clear();
        return {};
    }
    const std::string message = "Sicherung fehlgeschlagen: " + result.Error;
    StatusMessage->setText(Q(message));
    StatusMessage->setStyleSheet("color: white; background: #C00000; font-weight: bold;");
    return message;
}

void TForm1::LoadFile(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    (void)LoadChosenFile(path, table_, *startList_, ranking_, SortGrid1->TextMeasure(),
                         decimalSeparator_);
    QApplication::restoreOverrideCursor();
    settings_.LastFileName = path;
    SaveSettings();
    Render();
}

void TForm1::bLoadClick() {
    QFileDialog dialog(this, QString(), openFolder_, TextFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        LoadFile(dialog.selectedFiles().first().toStdString());
    }
}

void TForm1::ReloadLastFile() {
    (void)ReloadFile(settings_.LastFileName, table_, *startList_, decimalSeparator_);
    Render();
}

void TForm1::cmd_SAVEClick() {
    QFileDialog dialog(this, QString(), lastSaveName_,
                       QString("%1;;Webseite (*.html)").arg(TextFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    lastSaveName_ = dialog.selectedFiles().first();
    openFolder_.clear();
    QCoreApplication::processEvents();
    settings_.LastFileName = lastSaveName_.toStdString();
    SaveSettings();
    if (SaveKind(settings_.LastFileName) == FileKind::Protocol) {
        const FileWriteResult result = WriteProtocolFile(table_, settings_.LastFileName);
        if (result.Status == FileWriteStatus::WriteFailed) {
            env_.ShowError(result.Error);
        }
    }
    Render();
}

void TForm1::SaveSettings() {
    settings_.Left = x();
    settings_.Top = y();
    settings_.Width = width();
    settings_.Height = height();
    settings_.Port = comPort_.Port;
    const std::vector<std::string> failed = WriteSettings(env_.SettingsStore, settings_);
    if (!failed.empty()) {
        env_.ShowError(WriteFailureText(failed.front()));
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    SaveSettings();
    const DqReasons& reasons = engine_->Reasons();
    if (reasons.ReasonsAdded() > 0) {
        // Losing typed reasons at exit is not worth keeping the program from closing.
        WriteTextLines(reasonsFileName_, reasons.Lines());
    }
    comPort_.Close();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    table_.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == eGrundUser) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                engine_->eGrundUserEnter(eGrundUser->text().toStdString());
                Render();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            engine_->eGrundUserExit();
            Render();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Render() {
    const TimingView& view = engine_->View();
    auto enable = [](QWidget* button, QAction* action, bool enabled) {
        button->setEnabled(enabled);
        if (action) {
            action->setEnabled(enabled);
        }
    };
    RenderButton(bSTART, mStart, view.bSTART, shownStartLook_);
    RenderButton(bEintragen, mEintragen, view.bEintragen, shownEntryLook_);
    enable(b5sek, m5Plus, view.b5sekEnabled);
    enable(b_5sek, m5Minus, view.b_5sekEnabled);
    enable(bDq, mDQ, view.bDqEnabled);
    cmd_F2_Settings->setEnabled(view.cmd_F2_SettingsEnabled);
    img_Abbruch->setVisible(view.img_AbbruchVisible);
    mAbbruch->setEnabled(view.img_AbbruchVisible);
    ImageLSstart->setVisible(comPort_.Connected());
    if (shownArmed_ != view.LightBarrierArmed) {
        shownArmed_ = view.LightBarrierArmed;
        ImageLSstart->setIcon(ImageListPort(view.LightBarrierArmed));
    }
    eStarafeT->setText(Q(view.eStarafeT));
    eRangT->setText(Q(view.eRangT));
    eRangT->setVisible(view.eRangTVisible);
    RenderReasons();
    RenderStartList();
    RenderBoard();
    SortGrid1->Refresh();
}

void TForm1::RenderButton(QPushButton* button, QAction* action, const ButtonLook& look,
                          std::optional<ButtonLook>& shown) {
    if (shown == look) {
        return;
    }
    shown = look;
    button->setText(Q(look.Caption));
    button->setStyleSheet(ColourButtonStyle(look));
    button->setEnabled(look.Enabled);
    action->setEnabled(look.Enabled);
}

void TForm1::RenderBoard() {
    const TimingView& view = engine_->View();
    SetDigit(Digit3, view.Digit3);
    SetDigit(Digit4, view.Digit4);
    SetDigit(Digit5, view.Digit5);
    SetDigit(Digit6, view.Digit6);
    SetDigit(Digit7, view.Digit7);
    SetDigit(Digit8, view.Digit8);
    SetLabelColour(LabMin, view.LabMinColor);
    SetLabelColour(LabSec, view.LabSecColor);
}

void TForm1::RenderStartList() {
    const StartList& list = *startList_;
    if (list.StNrItems() != shownStNrItems_) {
        shownStNrItems_ = list.StNrItems();
        cbStNr->clear();
        for (const std::string& item : shownStNrItems_) {
            cbStNr->addItem(Q(item));
        }
    }
    cbStNr->setCurrentIndex(list.StNrIndex());
    StatusPosition->setText(Q(list.PositionText()));
    bNumerMinus->setEnabled(list.MinusEnabled());
    bNumerPlus->setEnabled(list.PlusEnabled());
    auto show = [](QLineEdit* edit, const std::string& text) {
        if (edit->text().toStdString() != text) {
            edit->setText(Q(text));
        }
    };
    show(eReiterin, list.Reiterin());
    show(ePferd, list.Pferd());
    show(eTeam, list.Team());
    eTeam->setEnabled(list.TeamEnabled());
    cbTeam->setChecked(list.TeamTicked());
    cbRace->setCurrentIndex(list.RaceIndex());
    const BoardTexts& board = list.Board();
    eRaceT->setText(Q(board.race));
    eReiterinT->setText(Q(board.rider));
    ePferdT->setText(Q(board.horse));
    eTeamT->setText(Q(board.team));
    eTeamT->setVisible(board.teamVisible);
    cmd_SORT->setChecked(ranking_.SortDown());
    cmd_SORT->setEnabled(list.ToolCommandsEnabled());
    cmd_SAVE->setEnabled(list.ToolCommandsEnabled());
}

void TForm1::RenderReasons() {
    const DqReasons& reasons = engine_->Reasons();
    const bool visible = engine_->View().ReasonsVisible;
    if (reasons.Lines() != shownReasons_) {
        shownReasons_ = reasons.Lines();
        ListBoxGrund->clear();
        for (const std::string& line : shownReasons_) {
            ListBoxGrund->addItem(Q(line));
        }
    }
    ListBoxGrund->setCurrentRow(reasons.Selected());
    LabelGrund->setVisible(visible);
    ListBoxGrund->setVisible(visible);
    if (visible) {
        ListBoxGrund->raise();
    }
    const bool fieldShown = reasons.FieldVisible() && visible;
    if (fieldShown && !eGrundUser->isVisible()) {
        eGrundUser->setText(Q(reasons.FieldText()));
    }
    eGrundUser->setVisible(fieldShown);
    if (fieldShown) {
        eGrundUser->raise();
    }
}
