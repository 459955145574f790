#include "ui/TFormMonitor2.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMoveEvent>
#include <QPainter>

#include "core/Competition.h"
#include "ui/KeyActions.h"
#include "ui/TDigit.h"
#include "ui/TFrameBrindlewerk.h"
#include "ui/TimeBoard.h"

namespace {

QColor Colour(Rgb rgb) {
    return QColor::fromRgb(rgb);
}

void SetText(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
}

void Place(QWidget* widget, const Rect& bounds) {
    widget->setGeometry(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
}

void SetPointSize(QWidget* widget, int points) {
    QFont font = widget->font();
    if (font.pointSize() != points) {
        font.setPointSize(std::max(points, 1));
        widget->setFont(font);
    }
}

// The separator line across the window at the top of the penalty line: a dark line over a
// light one.
class SeparatorPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawLine(0, 8, width() - 1, 8);
        painter.setPen(Qt::white);
        painter.drawLine(0, 9, width() - 1, 9);
    }
};

// Title bar with system menu, maximise and close box but no minimise box, always on top.
constexpr Qt::WindowFlags FramedFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                                        Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
// Full screen: no frame at all (buttons would bring the frame back).
constexpr Qt::WindowFlags FramelessFlags =
    Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

}  // namespace

TFormMonitor2::TFormMonitor2(char decimalSeparator) : QWidget(nullptr, FramedFlags) {
    setWindowTitle("Zusatzmonitor");
    // Closing the main window ends the program even while the spectators still look at this one.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);
    QFont form("Arial");
    form.setPixelSize(19);
    form.setBold(true);
    setFont(form);

    QFont regular("Arial");
    regular.setBold(false);
    auto text = [&](QWidget* parent, Rgb colour, Qt::Alignment alignment) {
        auto* label = new QLabel(parent);
        // Names come from the operator and from files: shown as typed, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setFont(regular);
        label->setAlignment(alignment | Qt::AlignVCenter);
        SetTextColour(label, colour);
        return label;
    };
    eRaceM = text(this, 0xFFFF00, Qt::AlignHCenter);
    eRaceM->setAutoFillBackground(true);
    QPalette band = eRaceM->palette();
    band.setColor(QPalette::Window, Colour(0x404040));
    eRaceM->setPalette(band);
    eReiterinM = text(this, 0xFFFFFF, Qt::AlignLeft);
    ePferdM = text(this, 0xFFFFFF, Qt::AlignLeft);
    eTeamM = text(this, 0xFFFFFF, Qt::AlignLeft);
    PanelStrafe = new SeparatorPanel(this);
    eStarafeM = text(PanelStrafe, 0xFF0000, Qt::AlignLeft);
    eStarafeM->setText("Strafen: 0");
    eRangM = text(PanelStrafe, 0xFFFF00, Qt::AlignRight);
    eRangM->setText("Rang:");
    eRangM->hide();

    QFont separator("Times New Roman");
    separator.setBold(true);
    auto digit = [&](Rgb colour) {
        auto* d = new TDigit(this);
        d->SetColor(Qt::black);
        d->SetColorOff(Qt::black);
        d->SetColorOn(Colour(colour));
        d->SetSeparation(1);
        return d;
    };
    Digit3 = digit(0x404040);
    Digit4 = digit(0x404040);
    LabMin = text(this, 0x404040, Qt::AlignHCenter);
    LabMin->setText(":");
    Digit5 = digit(0x404040);
    Digit6 = digit(0x00FF00);
    LabSec = text(this, 0x00FF00, Qt::AlignHCenter);
    LabSec->setText(QString(QChar::fromLatin1(decimalSeparator)));
    LabSec->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    for (QLabel* label : {LabMin, LabSec}) {
        label->setFont(separator);
    }
    Digit7 = digit(0x00FF00);
    Digit8 = digit(0x00FF00);
    Digit9 = digit(0x00FF00);
    Digit9->hide();
    FrameBrindlewerk1 = new TFrameBrindlewerk(this);
    LayoutBoard();
}

void TFormMonitor2::SetStoredBounds(const Rect& bounds) {
    stored_ = bounds;
    if (bounds.Width > 0 && bounds.Height > 0) {
        move(bounds.Left, bounds.Top);
        resize(bounds.Width, bounds.Height);
    }
}

Rect TFormMonitor2::StoredBounds() const {
    return {x(), y(), width(), height()};
}

void TFormMonitor2::Follow(Competition& competition, IDesktop& desktop) {
    competition_ = &competition;
    desktop_ = &desktop;
    const Settings& settings = competition.CurrentSettings();
    SetStoredBounds({settings.Left2, settings.Top2, settings.Width2, settings.Height2});
    InstallKeyCommands(this, competition);
    OnClose = [this] { competition_->CloseSpectatorWindow(); };
    // Queued: the list of screens is complete only after the signal.
    for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved}) {
        connect(qApp, signal, this, &TFormMonitor2::DisplaysChanged, Qt::QueuedConnection);
    }
    competition.AddChangeListener([this](Change change) {
        if (change == Change::Clock) {
            RenderDigits(competition_->View());
            return;
        }
        FollowTvMode();
        Render(competition_->View(), competition_->Board(), competition_->CurrentClassName());
    });
}

void TFormMonitor2::FollowTvMode() {
    const Settings& settings = competition_->CurrentSettings();
    // Shown or hidden, a window that covered its display gets its frame and half the size back.
    if (fullScreen_ && !settings.FullScreen) {
        LeaveFullScreen();
        competition_->SetSpectatorBounds(StoredBounds());
    }
    if (!competition_->TvMode()) {
        away_ = false;
        if (isVisible()) {
            hide();
        }
        return;
    }
    if (away_) {
        return;
    }
    if (!isVisible() || monitor_ != settings.Monitor || fullScreen_ != settings.FullScreen) {
        competition_->SetSpectatorMonitor(
            ShowOnMonitor(settings.Monitor, settings.FullScreen, desktop_->Screens()));
    }
}

void TFormMonitor2::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (competition_ != nullptr && isVisible()) {
        competition_->SetSpectatorBounds(StoredBounds());
    }
}

int TFormMonitor2::ShowOnMonitor(int monitor, bool fullScreen, const std::vector<Rect>& screens) {
    // Until it has been shown, the window is where the settings put it: nowhere on a first start.
    const MonitorPlacement placement =
        PlaceOnMonitor(shownOnce_ ? StoredBounds() : stored_, monitor, fullScreen, screens);
    shownOnce_ = true;
    monitor_ = placement.Monitor;
    fullScreen_ = fullScreen;
    SetFrameless(fullScreen);
    if (fullScreen) {
        // The client area itself covers the display.
        const Rect& b = placement.Bounds;
        coveredDisplay_ = b;
        setGeometry(b.Left, b.Top, b.Width, b.Height);
    } else {
        SetStoredBounds(placement.Bounds);
    }
    show();
    raise();
    return monitor_;
}

void TFormMonitor2::DisplaysChanged() {
    if (competition_ == nullptr || !competition_->TvMode()) {
        return;
    }
    const std::vector<Rect> screens = desktop_->Screens();
    const int present = static_cast<int>(screens.size());
    // A full-screen window knows its display by its bounds: the indices shift when a display
    // before it goes.
    const auto display = std::find(screens.begin(), screens.end(), coveredDisplay_);
    if (away_) {
        const bool back = fullScreen_ ? display != screens.end() ||
                                            (awayMonitor_ < present && present > presentWhenGone_)
                                      : CentreOnAScreen(awayBounds_, screens);
        if (back) {
            away_ = false;
            if (!fullScreen_) {
                SetStoredBounds(awayBounds_);
            }
            const int monitor = fullScreen_ && display != screens.end()
                                    ? static_cast<int>(display - screens.begin())
                                    : awayMonitor_;
            ShowOnMonitor(monitor, fullScreen_, screens);
            competition_->SetSpectatorDisplayGone(false);
        }
        return;
    }
    if (!isVisible()) {
        return;
    }
    const bool gone =
        fullScreen_ ? display == screens.end() : !CentreOnAScreen(StoredBounds(), screens);
    if (gone) {
        away_ = true;
        awayMonitor_ = monitor_;
        awayBounds_ = StoredBounds();
        presentWhenGone_ = present;
        hide();
        competition_->SetSpectatorDisplayGone(true);
    } else if (fullScreen_) {
        monitor_ = static_cast<int>(display - screens.begin());
    }
}

void TFormMonitor2::LeaveFullScreen() {
    fullScreen_ = false;
    SetFrameless(false);
    resize(width() / 2, height() / 2);
}

void TFormMonitor2::SetFrameless(bool frameless) {
    const Qt::WindowFlags wanted = frameless ? FramelessFlags : FramedFlags;
    if (windowFlags() == wanted) {
        return;
    }
    const bool shown = isVisible();
    const QPoint position = pos();
    setWindowFlags(wanted);  // hides the window
    move(position);
    if (shown) {
        show();
    }
}

void TFormMonitor2::Render(const TimingView& view, const BoardTexts& texts,
                           const std::string& className) {
    eRaceM->setText(BoardHeading(texts, className));
    eReiterinM->setText(BoardRider(texts));
    SetText(ePferdM, texts.horse);
    SetText(eTeamM, texts.team);
    if (eTeamM->isVisibleTo(this) != texts.teamVisible) {
        eTeamM->setVisible(texts.teamVisible);
        LayoutBoard();
    }
    SetText(eStarafeM, view.eStarafeT);
    SetText(eRangM, view.eRangT);
    eRangM->setVisible(view.eRangTVisible);
    RenderDigits(view);
}

void TFormMonitor2::RenderDigits(const TimingView& view) {
    if (view.Thousandths != Digit9->isVisibleTo(this)) {
        Digit9->setVisible(view.Thousandths);
        LayoutBoard();
    }
    ShowClock(view, {Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9}, LabMin, LabSec);
}

void TFormMonitor2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (competition_ != nullptr && isVisible()) {
        competition_->SetSpectatorBounds(StoredBounds());
    }
    LayoutBoard();
}

void TFormMonitor2::LayoutBoard() {
    const QFont separatorFont = LabMin->font();
    const BoardLayout layout = ::LayoutBoard(
        width(), height(), eTeamM->isVisibleTo(this),
        [&](int points) {
            QFont font = separatorFont;
            font.setPointSize(std::max(points, 1));
            const QFontMetrics metrics(font);
            return SeparatorWidths{metrics.horizontalAdvance(LabMin->text()),
                                   metrics.horizontalAdvance(LabSec->text())};
        },
        Digit9->isVisibleTo(this));
    for (auto [label, bounds] : {std::pair{eRaceM, layout.eRaceM},
                                 {eReiterinM, layout.eReiterinM},
                                 {ePferdM, layout.ePferdM},
                                 {eTeamM, layout.eTeamM}}) {
        Place(label, bounds);
        SetPointSize(label, layout.FontSize);
    }
    Place(PanelStrafe, layout.PanelStrafe);
    // Below the separator line: penalties on the left, the rank on the right.
    const Rect line{0, 18, layout.PanelStrafe.Width, std::max(layout.PanelStrafe.Height - 18, 0)};
    for (QLabel* label : {eStarafeM, eRangM}) {
        Place(label, line);
        SetPointSize(label, layout.FontSize);
    }
    Place(FrameBrindlewerk1, layout.FrameBrindlewerk);
    TDigit* const digits[] = {Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9};
    for (std::size_t i = 0; i < layout.Digits.size(); ++i) {
        TDigit* digit = digits[i];
        // The size first: a digit refuses bars wider than its current size allows.
        Place(digit, layout.Digits[i]);
        digit->SetThickness(layout.Thickness);
    }
    for (auto [label, bounds] : {std::pair{LabMin, layout.LabMin}, {LabSec, layout.LabSec}}) {
        Place(label, bounds);
        SetPointSize(label, layout.SeparatorFontSize);
    }
}

void TFormMonitor2::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (OnClose) {
        OnClose();
    }
}

void TFormMonitor2::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window only on the first display, where it may cover the operator's own
    // screen; on a spectator display a stray key press must not take the clock away.
    if (event->key() == Qt::Key_Escape && monitor_ == 0) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
