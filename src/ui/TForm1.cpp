#include "ui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
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
#include <QStringListModel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <tuple>

#include "config/WindowPlacement.h"
#include "files/ShippedFiles.h"
#include "ui/BarrierTestWindow.h"
#include "ui/KeyActions.h"
#include "ui/Pictures.h"
#include "ui/TDigit.h"
#include "ui/TFormInfo.h"
#include "ui/TLbSpeedButton.h"
#include "ui/TSortGrid.h"
#include "ui/TStNrBox.h"
#include "ui/TimeBoard.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The grey colour buttons: penalties and DQ.
ButtonLook GreyLook(const char* caption, bool enabled) {
    return {caption, 0x808080, 0xFFFFFF, 0x606060, 0xA0A0A0, 0xE0E0E0, 0x000000, enabled};
}

}  // namespace

TForm1::TForm1(Competition& competition, QWidget* parent)
    : QMainWindow(parent), competition_(competition) {
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
    ImageLogo = new FittedPicture(panelTop);
    ImageLogo->setToolTip("Logo.jpg; Logo.bmp");
    ImageLogo->setMinimumWidth(0);
    ImageLogo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    topRow->addWidget(panelCtrl);
    topRow->addWidget(panelTablo);
    topRow->addWidget(ImageLogo, 1);
    SortGrid1 = new TSortGrid(competition_.Table(), central);
    SortGrid1->SetCommands(
        {[this](int col, int row, const std::string& text) {
             competition_.EditCell(col, row, text);
         },
         [this](bool on) { competition_.SetEditMode(on); },
         [this](int row) { competition_.SelectRow(row); },
         [this](int col, int width) { competition_.SetColumnWidth(col, width); }});
    SortGrid1->SetExtraColumns(
        [this](int row) { return DivisionCells(competition_.CurrentStanding(), row); });
    SortGrid1->SetStanding([this]() -> const Standing& { return competition_.CurrentStanding(); });
    SortGrid1->SetDragMarks([this](int row) { return competition_.DragMarkAfterRow(row); });
    column->addWidget(panelTop);
    column->addWidget(SortGrid1, 1);
    setCentralWidget(central);

    StatusPosition = new QLabel(this);
    StatusPosition->setFixedWidth(72);
    StatusPosition->setAlignment(Qt::AlignCenter);
    StatusCopyright = new QLabel(CopyrightLine, this);
    StatusCopyright->setFixedWidth(200);
    StatusCopyright->setAlignment(Qt::AlignCenter);
    StatusMessage = new QLabel(this);
    StatusMessage->setTextFormat(Qt::PlainText);
    statusBar()->setFixedHeight(25);
    statusBar()->addWidget(StatusPosition);
    statusBar()->addWidget(StatusCopyright);
    statusBar()->addWidget(StatusMessage, 1);
    StatusBeam = new QLabel(this);
    statusBar()->addPermanentWidget(StatusBeam);
    StatusLive = new QLabel(this);
    statusBar()->addPermanentWidget(StatusLive);

    competition_.SetTextMeasure(&SortGrid1->TextMeasure());
    BuildPanelCtrl(panelCtrl);
    BuildPanelTablo(panelTablo);
    BuildCommands();
    PlaceWindow();
    LoadLogo();
    barrierTestWindow_ = new BarrierTestWindow(competition_, this);
    competition_.AddChangeListener([this](Change change) { Render(change); });
    Render(Change::All);
}

TForm1::~TForm1() {
    competition_.SetTextMeasure(nullptr);
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
    auto colour = [&](int left, int top, int width, int height, const ButtonLook& look) {
        TLbSpeedButton* b = NewColourButton(panel);
        place(b, left, top, width, height);
        b->SetLook(look);
        return b;
    };
    auto glyph = [&](Glyph picture, int left, const char* hint, Command command) {
        TLbSpeedButton* b = NewGlyphButton(panel, GlyphPicture(picture));
        place(b, left, 1, 40, 36);
        b->setToolTip(hint);
        OnClick(b, command);
        return b;
    };

    // Behind the three small buttons.
    Image2 = new QLabel(panel);
    place(Image2, 0, 0, 492, 39);
    Image2->setPixmap(ButtonStripPicture());
    Image2->setScaledContents(true);
    Image2->setToolTip("[F1]");
    cmd_F1_Help = glyph(Glyph::Help, 5, "[F1] Hilfe", Command::Help);
    cmd_F2_Settings = glyph(Glyph::Settings, 45, "[F2] Einstellungen", Command::Settings);
    cmd_F3_Info = glyph(Glyph::Info, 85, "[F3] Information", Command::Info);
    bLoad = button("", 4, 41, 40, 40);
    bLoad->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    bLoad->setToolTip("[Strg+O] Starterliste oder txt gespeichertes Protokoll öffnen");
    bLoad->setContextMenuPolicy(Qt::CustomContextMenu);
    OnClick(bLoad, Command::Load);
    connect(bLoad, &QPushButton::customContextMenuRequested, this,
            [this] { competition_.ReloadLastFile(); });

    label("Start Nr.:", 57 + 76, 51);
    cbStNr = new TStNrBox(panel);
    cbStNr->Find = [this](const std::string& typed) {
        return competition_.Starters().FindStNr(typed);
    };
    place(cbStNr, 140, 44, 72, 32);
    cbStNr->setMaxVisibleItems(20);
    cbStNr->setStyleSheet("color: blue; font-weight: bold;");
    connect(cbStNr, &QComboBox::activated, this,
            [this](int index) { competition_.SelectStarter(index); });
    bNumerMinus = button("<<", 216, 44, 32, 32);
    bNumerMinus->setToolTip(Q(std::string(StartList::MinusHint)));
    bNumerPlus = button(">>", 248, 44, 32, 32);
    bNumerPlus->setToolTip(Q(std::string(StartList::PlusHint)));
    connect(bNumerMinus, &QPushButton::clicked, this,
            [this] { competition_.StepStarter(StartList::MinusStep); });
    connect(bNumerPlus, &QPushButton::clicked, this,
            [this] { competition_.StepStarter(StartList::PlusStep); });
    cbRace = new QComboBox(panel);
    place(cbRace, 316, 44, 169, 32);
    for (auto race : StartList::Races) {
        cbRace->addItem(Q(std::string(race)));
    }
    connect(cbRace, &QComboBox::activated, this,
            [this](int index) { competition_.SetRace(index); });
    // The classes of a show, above the race box; hidden without a show.
    LabelKlasse = label("Klasse:", 312, 11);
    cbKlasse = new QComboBox(panel);
    place(cbKlasse, 316, 4, 169, 32);
    cbKlasse->setToolTip("[Strg+Bild ab/auf] Klasse wechseln");
    cbKlasse->setFocusPolicy(Qt::NoFocus);
    connect(cbKlasse, &QComboBox::activated, this,
            [this](int index) { competition_.OpenClass(index); });

    auto field = [&](int top, std::function<void(const QString&)> change) {
        auto* edit = new QLineEdit(panel);
        place(edit, 140, top, 345, 32);
        edit->setStyleSheet("color: blue; font-style: italic;");
        connect(edit, &QLineEdit::textEdited, this, std::move(change));
        return edit;
    };
    label("Name:", 80 + 56, 83);
    eReiterin =
        field(80, [this](const QString& text) { competition_.SetRider(text.toStdString()); });
    label("Pferd:", 84 + 52, 115);
    ePferd = field(112, [this](const QString& text) { competition_.SetHorse(text.toStdString()); });
    cbTeam = new QCheckBox("Team:", panel);
    place(cbTeam, 62, 150, 78, 17);
    cbTeam->setChecked(true);
    connect(cbTeam, &QCheckBox::clicked, this,
            [this](bool ticked) { competition_.SetTeamShown(ticked); });
    eTeam = field(144, [this](const QString& text) { competition_.SetTeam(text.toStdString()); });
    registeredRiders_ = new QStringListModel(this);
    registeredHorses_ = new QStringListModel(this);
    const auto offer = [this](QLineEdit* edit, QStringListModel* names,
                              std::function<void(std::string)> set) {
        auto* completer = new QCompleter(names, edit);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        edit->setCompleter(completer);
        // A choice from the list is typed text too.
        connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
                [set = std::move(set)](const QString& text) { set(text.toStdString()); });
    };
    offer(eReiterin, registeredRiders_,
          [this](std::string text) { competition_.SetRider(std::move(text)); });
    offer(ePferd, registeredHorses_,
          [this](std::string text) { competition_.SetHorse(std::move(text)); });

    ImageLSstart = new QToolButton(panel);
    place(ImageLSstart, 8, 186, 33, 33);
    ImageLSstart->setAutoRaise(true);
    ImageLSstart->setIconSize(QSize(32, 32));
    ImageLSstart->setToolTip("[F11] Lichtschranke Ein / Aus");
    ImageLSstart->setFocusPolicy(Qt::NoFocus);
    ImageLSstart->hide();
    OnClick(ImageLSstart, Command::LockLightBarrier);
    bSTART = colour(48, 181, 132, 44, competition_.View().bSTART);
    bSTART->setToolTip("[F4] Handzeitnahme");
    OnClick(bSTART, Command::Start);
    img_Abbruch = new QToolButton(panel);
    place(img_Abbruch, 186, 186, 33, 33);
    img_Abbruch->setAutoRaise(true);
    img_Abbruch->setIcon(AbortPicture());
    img_Abbruch->setIconSize(QSize(33, 33));
    img_Abbruch->setToolTip("[F8] Abbruch");
    img_Abbruch->setFocusPolicy(Qt::NoFocus);
    img_Abbruch->hide();
    OnClick(img_Abbruch, Command::Abort);

    b5sek = colour(48, 232, 57, 36, GreyLook("+5 s.", false));
    b5sek->setToolTip("[F5] +1 Strafe");
    OnClick(b5sek, Command::PenaltyPlus);
    bDq = colour(120, 232, 59, 36, GreyLook("DQ", false));
    bDq->setToolTip("[F9] Disqualifikation");
    OnClick(bDq, Command::Dq);
    LabelGrund = new QLabel("Grund:", panel);
    LabelGrund->move(184, 236);
    LabelGrund->hide();
    bEintragen = colour(48, 275, 132, 44, competition_.View().bEintragen);
    bEintragen->setToolTip("[F10] Eintragen/Nächster");
    OnClick(bEintragen, Command::Entry);
    // Shown only while a run stopped by the light barrier can go on.
    // Its caption cannot be read as "next rider".
    bWeiterlaufen =
        colour(185, 275, 175, 44,
               {"WEITERLAUFEN", 0xFF0000, 0xFFFFFF, 0xFF8000, 0xC00000, 0xFFC0C0, 0, true});
    QFont resumeFont = bWeiterlaufen->font();
    resumeFont.setPixelSize(17);
    bWeiterlaufen->setFont(resumeFont);
    bWeiterlaufen->setToolTip("[Umschalt+F4] Falschen Stopp aufheben, Lauf läuft weiter");
    bWeiterlaufen->hide();
    OnClick(bWeiterlaufen, Command::Resume);
    b_5sek = colour(185, 278, 58, 36, GreyLook("-5 s.", false));
    b_5sek->setToolTip("[Strg+F5] Strafenkorrektur");
    b_5sek->hide();
    OnClick(b_5sek, Command::PenaltyMinus);
    ListBoxGrund = new QListWidget(panel);
    place(ListBoxGrund, 248, 176, 237, 142);
    ListBoxGrund->hide();
    // A click, Enter or the arrow keys choose a reason; the window sets the highlight only with
    // the list's signals blocked, so every change of the current row is the operator's.
    auto choose = [this](QListWidgetItem* item) {
        competition_.ChooseReason(ListBoxGrund->row(item));
        if (eGrundUser->isVisible()) {
            eGrundUser->setFocus();
        }
    };
    connect(ListBoxGrund, &QListWidget::itemClicked, this, choose);
    connect(ListBoxGrund, &QListWidget::itemActivated, this, choose);
    connect(ListBoxGrund, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            competition_.ChooseReason(row);
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
    auto tool = [&](Glyph picture, int left, const QString& hint) {
        TLbSpeedButton* b = NewGlyphButton(toolStrip, GlyphPicture(picture));
        place(b, left, 1, 40, 41);
        b->setToolTip(hint);
        return b;
    };
    Cmd_Clear = tool(Glyph::Clear, 96, "[Strg+A] Alles löschen");
    OnClick(Cmd_Clear, Command::Clear);
    // Stays pressed while the table can be edited.
    Cmd_Edit = tool(Glyph::Edit, 136, "[Strg+B] Protokoll bearbeiten");
    Cmd_Edit->setCheckable(true);
    OnClick(Cmd_Edit, Command::Edit);
    // Stays pressed while the table is kept sorted.
    cmd_SORT = tool(Glyph::Sort, 176, Q(std::string(Ranking::SortHint)));
    cmd_SORT->setCheckable(true);
    OnClick(cmd_SORT, Command::SortMode);
    cmd_SAVE = tool(Glyph::Save, 216, "[Strg+S] Speichern als...");
    OnClick(cmd_SAVE, Command::Save);
    cmd_PRINT = tool(Glyph::Print, 256, "[Strg+P] Drucken");
    connect(cmd_PRINT, &QAbstractButton::clicked, this, [this] { competition_.OpenPrintReport(); });
    cmd_EXCEL = tool(Glyph::Excel, 296, "[Strg+E] In EXCEL-Tabelle öffnen");
    OnClick(cmd_EXCEL, Command::Excel);
    cmd_HTML = tool(Glyph::Html, 336, "als HTML-Webseite speichern");
    OnClick(cmd_HTML, Command::Html);
}

void TForm1::OnClick(QAbstractButton* button, Command command) {
    connect(button, &QAbstractButton::clicked, this,
            [this, command] { competition_.Run(command); });
}

void TForm1::BuildPanelTablo(QWidget* panel) {
    panel->setAutoFillBackground(true);
    QPalette frame = panel->palette();
    frame.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    panel->setPalette(frame);
    auto* field = new QWidget(panel);
    field->setGeometry(20, 20, 360, 300);
    // Below the team: the raised line that parts the starter from penalties and clock.
    auto* Bevel1 = new QFrame(panel);
    Bevel1->setGeometry(28, 154, 343, 2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Raised);
    Bevel1->setStyleSheet("color: #808080;");
    field->setAutoFillBackground(true);
    QPalette black = field->palette();
    black.setColor(QPalette::Window, Qt::black);
    field->setPalette(black);

    QFont font("Arial");
    font.setPixelSize(19);
    auto text = [&](int left, int top, int width, Rgb colour) {
        auto* l = new QLabel(panel);
        l->setGeometry(left, top, width, 28);
        // Names come from the operator and from files: "<b>Kim</b>" is shown as typed.
        l->setTextFormat(Qt::PlainText);
        l->setFont(font);
        SetTextColour(l, colour);
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

    TDigit** digits[] = {&Digit3, &Digit4, &Digit5, &Digit6, &Digit7, &Digit8, &Digit9};
    for (TDigit** digit : digits) {
        *digit = new TDigit(panel);
        (*digit)->SetSeparation(1);
    }
    QFont big("Times New Roman");
    big.setPixelSize(64);
    big.setBold(true);
    LabMin = new QLabel(":", panel);
    LabSec = new QLabel(QString(QChar::fromLatin1(competition_.DecimalSeparator())), panel);
    for (QLabel* l : {LabMin, LabSec}) {
        l->setFont(big);
        l->setAlignment(Qt::AlignCenter);
    }
    LayoutClock(false);

    // TV mode: the brand picture over the frame's bottom edge, its lamp carrying the display
    // number; both appear with the first toggle.
    ImageBrindlewerk = new QToolButton(panel);
    ImageBrindlewerk->setGeometry(126, 328, 154, 28);
    ImageBrindlewerk->setAutoRaise(true);
    ImageBrindlewerk->setIconSize(QSize(154, 28));
    ImageBrindlewerk->setToolTip("[Strg+T]");
    ImageBrindlewerk->setFocusPolicy(Qt::NoFocus);
    OnClick(ImageBrindlewerk, Command::TvMode);
    LabelMonitor = new QLabel("1", panel);
    // Centred on the lamp, with a dark rim so that the yellow digit reads on green and on red.
    const QPoint lamp = ImageBrindlewerk->geometry().topLeft() + BrindlewerkLamp;
    LabelMonitor->setGeometry(lamp.x() - 10, lamp.y() - 10, 20, 20);
    LabelMonitor->setAlignment(Qt::AlignCenter);
    LabelMonitor->setStyleSheet("color: #FFFF00; font-weight: bold; font-size: 15px;");
    auto* rim = new QGraphicsDropShadowEffect(LabelMonitor);
    rim->setOffset(0, 0);
    rim->setBlurRadius(4);
    rim->setColor(Qt::black);
    LabelMonitor->setGraphicsEffect(rim);
    // A click on the number reaches the picture beneath it.
    LabelMonitor->setAttribute(Qt::WA_TransparentForMouseEvents);
    LabelMonitor->hide();
}

void TForm1::BuildCommands() {
    // The key commands sit in two hidden menus; their keys act wherever the focus is in the
    // window.
    KeyActions = InstallKeyCommands(this, competition_);
    QMenu* hideMenu = menuBar()->addMenu("HideMenu");
    QMenu* files = menuBar()->addMenu("Files");
    for (std::size_t i = 0; i < KeyCommands.size(); ++i) {
        (KeyCommands[i].Menu == "Files" ? files : hideMenu)->addAction(KeyActions.at(i));
    }
    menuBar()->hide();
    for (QLineEdit* field : {eReiterin, ePferd, eTeam, eGrundUser}) {
        LeaveCommandKeysToCommands(field, KeyActions);
    }
}

void TForm1::PlaceWindow() {
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
    const Settings& settings = competition_.CurrentSettings();
    const Rect stored{settings.Left, settings.Top, settings.Width, settings.Height};
    const Decoration frame{frameGeometry().width() - width(), frameGeometry().height() - height()};
    if (screens.empty() || isMaximized() || isFullScreen()) {
        return;
    }
    if (const std::optional<Rect> bounds = placer_.Place(stored, screens, frame)) {
        move(bounds->Left, bounds->Top);
        resize(bounds->Width, bounds->Height);
    }
}

void TForm1::LoadLogo() {
    QPixmap logo;
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    for (const char* name : {"Logo.jpg", "Logo.bmp"}) {
        const std::string path = FindShippedFile(name, folder);
        if (!path.empty()) {
            logo.load(Q(path));
        }
    }
    ImageLogo->SetPicture(logo);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    PlaceWindow();
}

void TForm1::StoreBounds() {
    competition_.SetMainWindowBounds({x(), y(), width(), height()});
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!competition_.CloseQuery()) {
        event->ignore();
        return;
    }
    StoreBounds();
    competition_.Shutdown();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    competition_.SetColumnWidth(ColStartPos, ResultTable::HiddenWidth);
    StoreBounds();
    // The window manager's frame arrives after the window was shown: placed again for it, the
    // title bar and the status bar stay in reach.
    PlaceWindow();
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    StoreBounds();
    PlaceWindow();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == eGrundUser) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                competition_.EnterReason(eGrundUser->text().toStdString());
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            competition_.LeaveReasonField();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Render(Change change) {
    if (change == Change::Clock) {
        RenderBoard();
        return;
    }
    const TimingView& view = competition_.View();
    // The core decides whether a command is enabled (a class taking its runs from another, the
    // barrier test); the buttons mirror it.
    ButtonLook start = view.bSTART;
    start.Enabled = competition_.Enabled(Command::Start);
    bSTART->SetLook(start);
    ButtonLook entry = view.bEintragen;
    entry.Enabled = competition_.Enabled(Command::Entry);
    bEintragen->SetLook(entry);
    // The class says what a penalty is worth.
    const std::string seconds = std::to_string(view.PenaltySeconds) + " s.";
    b5sek->SetLook(GreyLook(("+" + seconds).c_str(), competition_.Enabled(Command::PenaltyPlus)));
    b_5sek->SetLook(GreyLook(("-" + seconds).c_str(), competition_.Enabled(Command::PenaltyMinus)));
    bDq->SetLook(GreyLook("DQ", competition_.Enabled(Command::Dq)));
    cmd_F2_Settings->setEnabled(view.cmd_F2_SettingsEnabled);
    cmd_F1_Help->setEnabled(competition_.HelpAvailable());
    img_Abbruch->setVisible(view.img_AbbruchVisible);
    ImageLSstart->setVisible(competition_.PortOpen());
    bWeiterlaufen->setVisible(view.ResumeEnabled);
    StatusBeam->setText(Q(competition_.BeamReadout()));
    StatusLive->setText(Q(competition_.LiveAddress()));
    if (competition_.TvModeToggled() && shownTvMode_ != int(competition_.TvMode())) {
        shownTvMode_ = competition_.TvMode();
        ImageBrindlewerk->setIcon(BrindlewerkPicture(shownTvMode_));
        LabelMonitor->show();
    }
    LabelMonitor->setText(QString::number(competition_.SpectatorDisplayNumber()));
    if (shownArmed_ != view.LightBarrierArmed) {
        shownArmed_ = view.LightBarrierArmed;
        ImageLSstart->setIcon(ImageListPort(view.LightBarrierArmed));
    }
    eStarafeT->setText(Q(view.eStarafeT));
    eRangT->setText(Q(view.eRangT));
    eRangT->setVisible(view.eRangTVisible);
    RenderReasons();
    RenderRegister();
    RenderStartList();
    RenderBoard();
    RenderStatus();
    SortGrid1->Refresh();
    barrierTestWindow_->Render();
}

void TForm1::RenderStatus() {
    const std::string message = competition_.StatusMessage();
    const bool good = competition_.StatusIsGood();
    if (message == shownStatus_ && good == shownStatusGood_) {
        return;
    }
    shownStatus_ = message;
    shownStatusGood_ = good;
    StatusMessage->setText(Q(message));
    StatusMessage->setToolTip(Q(competition_.StatusDetail()));
    StatusMessage->setStyleSheet(message.empty() ? QString()
                                 : good ? "color: white; background: #007000; font-weight: bold;"
                                        : "color: white; background: #C00000; font-weight: bold;");
}

void TForm1::RenderBoard() {
    const TimingView& view = competition_.View();
    if (view.Thousandths != clockThousandths_) {
        LayoutClock(view.Thousandths);
    }
    ShowClock(view, {Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9}, LabMin, LabSec);
}

void TForm1::LayoutClock(bool thousandths) {
    clockThousandths_ = thousandths;
    // Digits 3 pixels apart, the ":" and the decimal separator each overlapping the digit after
    // them by a pixel; seven digits take the width of six.
    const int width = thousandths ? 38 : 45;
    int left = 33;
    const auto place = [&](QWidget* item, int itemWidth, int top, int height, int advance) {
        item->setGeometry(left, top, itemWidth, height);
        left += itemWidth + advance;
    };
    const auto digit = [&](TDigit* d, int advance) {
        place(d, width, 204, 98, advance);
        d->SetThickness(thousandths ? 4 : 5);
    };
    digit(Digit3, 3);
    digit(Digit4, -1);
    place(LabMin, 29, 212, 78, -1);
    digit(Digit5, 3);
    digit(Digit6, 3);
    place(LabSec, 25, 241, 81, -1);
    digit(Digit7, 3);
    digit(Digit8, 3);
    digit(Digit9, 3);
    Digit9->setVisible(thousandths);
}

void TForm1::RenderRegister() {
    // Compared with what the fields offer already: a change of the table is no change of the
    // register, and the lists are long.
    const auto offer = [](QStringListModel* model, const std::vector<std::string>& names,
                          std::vector<std::string>& shown) {
        if (names == shown) {
            return;
        }
        shown = names;
        QStringList list;
        for (const std::string& name : names) {
            list << Q(name);
        }
        model->setStringList(list);
    };
    offer(registeredRiders_, competition_.RegisteredRiders(), shownRiders_);
    offer(registeredHorses_, competition_.RegisteredHorses(), shownHorses_);
}

void TForm1::RenderStartList() {
    const StartList& list = competition_.Starters();
    cbStNr->SetEntries(list.StNrItems(), list.StNrNames());
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
    RenderClasses();
    const BoardTexts board = competition_.Board();
    eRaceT->setText(BoardHeading(board, competition_.CurrentClassName()));
    eReiterinT->setText(BoardRider(board));
    ePferdT->setText(Q(board.horse));
    eTeamT->setText(Q(board.team));
    eTeamT->setVisible(board.teamVisible);
    cmd_SORT->setChecked(competition_.Sorting().SortDown());
    for (TLbSpeedButton* tool :
         {cmd_SORT, cmd_SAVE, cmd_PRINT, cmd_HTML, cmd_EXCEL, Cmd_Clear, Cmd_Edit}) {
        tool->setEnabled(list.ToolCommandsEnabled());
    }
    // The button always shows the edit state, however edit mode ended (Esc, a sort).
    Cmd_Edit->setChecked(competition_.Table().EditMode());
}

void TForm1::RenderClasses() {
    const Show* show = competition_.CurrentShow();
    std::vector<std::string> names;
    for (const ShowClass& item : show ? show->Data().Classes : std::vector<ShowClass>()) {
        names.push_back(item.Name);
    }
    if (names != shownClasses_) {
        shownClasses_ = names;
        cbKlasse->clear();
        for (const std::string& name : names) {
            cbKlasse->addItem(Q(name));
        }
    }
    cbKlasse->setVisible(show != nullptr);
    LabelKlasse->setVisible(show != nullptr);
    if (show) {
        cbKlasse->setCurrentIndex(show->OpenIndex());
    }
}

void TForm1::RenderReasons() {
    const DqReasons& reasons = competition_.Reasons();
    const bool visible = competition_.View().ReasonsVisible;
    if (reasons.Lines() != shownReasons_) {
        shownReasons_ = reasons.Lines();
        ListBoxGrund->clear();
        for (const std::string& line : shownReasons_) {
            ListBoxGrund->addItem(Q(line));
        }
    }
    {
        const QSignalBlocker quiet(ListBoxGrund);
        ListBoxGrund->setCurrentRow(reasons.Selected());
    }
    const bool opening = visible && !ListBoxGrund->isVisibleTo(this);
    LabelGrund->setVisible(visible);
    ListBoxGrund->setVisible(visible);
    if (visible) {
        ListBoxGrund->raise();
    }
    if (opening) {
        // Each DQ starts at the top of the list, with the keys in it: a click where the last
        // DQ's list was scrolled to must not pick another reason.
        ListBoxGrund->scrollToTop();
        ListBoxGrund->setFocus();
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
