#include "ui/AnnouncerWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/Competition.h"
#include "ui/KeyActions.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Who(const AnnouncerStarter& starter) {
    QStringList parts;
    for (const std::string* part : {&starter.startNumber, &starter.rider}) {
        if (!part->empty()) {
            parts << Q(*part).toHtmlEscaped();
        }
    }
    return parts.join(' ');
}

// Horse and team as plain text.
QString PlainDetail(const AnnouncerStarter& starter) {
    QStringList parts;
    for (const std::string* part : {&starter.horse, &starter.team}) {
        if (!part->empty()) {
            parts << Q(*part);
        }
    }
    return parts.join(QStringLiteral(" · "));
}

QString Detail(const AnnouncerStarter& starter) {
    return PlainDetail(starter).toHtmlEscaped();
}

QLabel* Box(QWidget* parent, const QString& title, int points, QLabel** content) {
    auto* frame = new QWidget(parent);
    frame->setObjectName(QStringLiteral("box"));
    auto* layout = new QVBoxLayout(frame);
    auto* heading = new QLabel(title, frame);
    heading->setObjectName(QStringLiteral("title"));
    *content = new QLabel(frame);
    (*content)->setTextFormat(Qt::RichText);
    (*content)->setWordWrap(true);
    (*content)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font = (*content)->font();
    font.setPointSizeF(points);
    (*content)->setFont(font);
    layout->addWidget(heading);
    layout->addWidget(*content, 1);
    return heading;
}

void SetText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

}  // namespace

QString BoardClockText(const TimingView& view, char decimalSeparator, Resolution resolution) {
    QString text = QStringLiteral("%1%2:%3%4%5%6%7")
                       .arg(view.Digit3.Value)
                       .arg(view.Digit4.Value)
                       .arg(view.Digit5.Value)
                       .arg(view.Digit6.Value)
                       .arg(QChar::fromLatin1(decimalSeparator))
                       .arg(view.Digit7.Value)
                       .arg(view.Digit8.Value);
    if (resolution == Resolution::Thousandths) {
        text += QString::number(view.Digit9.Value);
    }
    return text;
}

AnnouncerWindow::AnnouncerWindow() {
    setWindowTitle(QStringLiteral("Sprecher – Corralix"));
    // Closing the main window ends the program even while the announcer still reads this one.
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(0x10, 0x16, 0x1c));
    setPalette(dark);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral(
        "QLabel{color:#eef2f5}"
        " QWidget#box{background:#1b242d;border-radius:8px}"
        " QLabel#title{color:#9fb3c3;font-size:11pt;font-weight:bold}"
        " QLabel#head{background:#1d4f2e;padding:6px 10px;font-size:15pt;font-weight:bold}"));
    auto* grid = new QGridLayout(this);
    Heading = new QLabel(this);
    Heading->setObjectName(QStringLiteral("head"));
    Heading->setTextFormat(Qt::PlainText);
    grid->addWidget(Heading, 0, 0, 1, 2);

    auto* course = new QWidget(this);
    course->setObjectName(QStringLiteral("box"));
    auto* courseLayout = new QGridLayout(course);
    auto* courseTitle = new QLabel(QStringLiteral("AUF DER BAHN"), course);
    courseTitle->setObjectName(QStringLiteral("title"));
    Rider = new QLabel(course);
    Horse = new QLabel(course);
    Clock = new QLabel(course);
    for (QLabel* label : {Rider, Horse}) {
        label->setTextFormat(Qt::PlainText);
    }
    QFont big = font();
    big.setPointSizeF(24);
    big.setBold(true);
    Rider->setFont(big);
    QFont medium = font();
    medium.setPointSizeF(16);
    Horse->setFont(medium);
    QFont clock(QStringLiteral("DejaVu Sans Mono"));
    clock.setPointSizeF(44);
    clock.setBold(true);
    Clock->setFont(clock);
    Clock->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    courseLayout->addWidget(courseTitle, 0, 0);
    courseLayout->addWidget(Rider, 1, 0);
    courseLayout->addWidget(Horse, 2, 0);
    courseLayout->addWidget(Clock, 0, 1, 3, 1);
    courseLayout->setColumnStretch(0, 1);
    grid->addWidget(course, 1, 0, 1, 2);

    Box(this, QStringLiteral("ALS NÄCHSTES"), 15, &Next);
    Box(this, QStringLiteral("LETZTER LAUF"), 15, &LastRun);
    Box(this, QStringLiteral("FÜHRUNG"), 15, &Leaders);
    Box(this, QStringLiteral("STAND"), 15, &Count);
    grid->addWidget(Next->parentWidget(), 2, 0);
    grid->addWidget(LastRun->parentWidget(), 2, 1);
    grid->addWidget(Leaders->parentWidget(), 3, 0);
    Count->setTextFormat(Qt::PlainText);
    grid->addWidget(Count->parentWidget(), 3, 1);
    Box(this, QStringLiteral("TEAMS"), 15, &Teams);
    grid->addWidget(Teams->parentWidget(), 4, 0, 1, 2);
    Teams->parentWidget()->hide();
    grid->setRowStretch(2, 1);
    grid->setRowStretch(3, 1);
    resize(1000, 640);
}

void AnnouncerWindow::Follow(Competition& competition) {
    competition_ = &competition;
    InstallKeyCommands(this, competition);
    competition.AddChangeListener([this](Change change) {
        if (!competition_->AnnouncerShown()) {
            if (isVisible()) {
                hide();
            }
            return;
        }
        if (change == Change::Clock) {
            if (isVisible() && shownClock_ == AnnouncerClock::Running) {
                SetText(Clock,
                        BoardClockText(competition_->View(), shownSeparator_, shownResolution_));
            }
            return;
        }
        const AnnouncerSnapshot snapshot = competition_->Announcer();
        Render(snapshot);
        RenderClock(competition_->View(), snapshot);
        if (!isVisible()) {
            show();
            raise();
        }
    });
}

void AnnouncerWindow::Render(const AnnouncerSnapshot& snapshot) {
    QStringList heading;
    for (const std::string* part : {&snapshot.className, &snapshot.race}) {
        if (!part->empty()) {
            heading << Q(*part);
        }
    }
    SetText(Heading, heading.join(QStringLiteral(" · ")));
    SetText(Rider, snapshot.hasStarter
                       ? QStringLiteral("%1 %2")
                             .arg(Q(snapshot.onCourse.startNumber), Q(snapshot.onCourse.rider))
                             .trimmed()
                       : QStringLiteral("Kein Starter gewählt"));
    QString detail = snapshot.hasStarter ? PlainDetail(snapshot.onCourse) : QString();
    if (snapshot.hasStarter && snapshot.average) {
        // In a round of an average: the rider's total so far and what this run must be.
        detail += QStringLiteral("\n") + Q(AnnouncerAverageText(*snapshot.average));
    }
    SetText(Horse, detail);

    QString next;
    const QString labels[] = {QStringLiteral("Nächster"), QStringLiteral("In Vorbereitung")};
    for (std::size_t i = 0; i < snapshot.next.size() && i < 2; ++i) {
        next += QStringLiteral("<b>%1:</b> %2<br><span style='color:#b7c5d0'>%3</span><br>")
                    .arg(labels[i], Who(snapshot.next[i]), Detail(snapshot.next[i]));
    }
    SetText(Next, next.isEmpty() ? QStringLiteral("Keine weiteren Starter") : next);

    QString last = QStringLiteral("Noch kein Lauf");
    if (snapshot.hasLastRun) {
        const AnnouncerRun& run = snapshot.lastRun;
        last = QStringLiteral("<b>%1</b><br><span style='color:#b7c5d0'>%2</span><br>")
                   .arg(Who(run.starter), Detail(run.starter));
        if (run.dq) {
            last += QStringLiteral("<span style='color:#ff7b72'><b>DQ</b> %1</span>")
                        .arg(Q(run.reason).toHtmlEscaped());
        } else {
            // Penalties as the seconds they add, with this class's worth of one.
            const std::string penalties =
                PenaltyTimeText(run.penalties, competition_->View().PenaltySeconds);
            last +=
                QStringLiteral("Zeit %1 · Strafen %2<br><b>Total %3</b> · Rang %4%5<br>%6")
                    .arg(Q(run.runTime).toHtmlEscaped(),
                         Q(penalties.empty() ? std::string("0") : penalties).toHtmlEscaped(),
                         Q(run.total).toHtmlEscaped(), Q(run.place).toHtmlEscaped(),
                         run.division.empty() ? QString() : " · " + Q(run.division).toHtmlEscaped(),
                         run.behind == "F\xC3\xBChrung" ? QStringLiteral("Führung")
                                                        : QStringLiteral("Abstand zur Führung: %1")
                                                              .arg(Q(run.behind).toHtmlEscaped()));
            if (!run.teamStanding.empty()) {
                last += QStringLiteral("<br>Team: %1").arg(Q(run.teamStanding).toHtmlEscaped());
            }
            if (!run.payout.empty()) {
                last +=
                    QStringLiteral("<br><span style='color:#7ee787'><b>Preisgeld %1 €</b></span>")
                        .arg(Q(run.payout).toHtmlEscaped());
            }
        }
    }
    SetText(LastRun, last);

    QString leaders;
    for (const AnnouncerLeader& leader : snapshot.leaders) {
        leaders += QStringLiteral("<b>%1</b> %2 – %3<br>")
                       .arg(Q(leader.label).toHtmlEscaped(), Who(leader.starter),
                            Q(leader.total).toHtmlEscaped());
    }
    if (!snapshot.divisionLeaders.empty()) {
        leaders += QStringLiteral("<br>");
        for (const AnnouncerLeader& leader : snapshot.divisionLeaders) {
            leaders += QStringLiteral("<b>%1</b> %2 – %3<br>")
                           .arg(Q(leader.label).toHtmlEscaped(), Who(leader.starter),
                                Q(leader.total).toHtmlEscaped());
        }
    }
    // Where each division begins: "2D ab 15,511".
    QStringList cuts;
    for (const AnnouncerCut& cut : snapshot.divisionCuts) {
        cuts << QStringLiteral("%1 ab %2").arg(Q(cut.label), Q(cut.from)).toHtmlEscaped();
    }
    if (!cuts.isEmpty()) {
        leaders += QStringLiteral("<span style='color:#b7c5d0'>%1</span><br>")
                       .arg(cuts.join(QStringLiteral(" · ")));
    }
    leaders +=
        snapshot.timeToBeat.empty()
            ? QStringLiteral("Noch keine gültige Zeit")
            : QStringLiteral("Zu schlagen: <b>%1</b>").arg(Q(snapshot.timeToBeat).toHtmlEscaped());
    SetText(Leaders, leaders);

    RenderTeams(snapshot);

    QString count = QStringLiteral("%1 gelaufen · %2 offen").arg(snapshot.runs).arg(snapshot.left);
    if (snapshot.nextDragIn == 0) {
        count += QStringLiteral("\nBahnpflege nach diesem Lauf");
    } else if (snapshot.nextDragIn > 0) {
        count += QStringLiteral("\nBahnpflege in %1 Läufen").arg(snapshot.nextDragIn + 1);
    }
    SetText(Count, count);
}

void AnnouncerWindow::RenderTeams(const AnnouncerSnapshot& snapshot) {
    const TeamRanking& ranking = snapshot.teams;
    Teams->parentWidget()->setVisible(ranking.Shown());
    if (!ranking.Shown()) {
        return;
    }
    // One line a team: place, name, counted total (and how many count while it is short of
    // them); the team of the rider on course in the clock's green.
    QString teams =
        ranking.Best == 1
            ? QStringLiteral("<span style='color:#b7c5d0'>die beste Zeit zählt</span><br>")
            : QStringLiteral("<span style='color:#b7c5d0'>die %1 besten Zeiten zählen</span><br>")
                  .arg(ranking.Best);
    for (const TeamStanding& team : ranking.Teams) {
        const bool onCourse =
            snapshot.hasStarter && !team.Name.empty() && snapshot.onCourse.team == team.Name;
        const std::string counted = CountedText(team, ranking.Best);
        teams += QStringLiteral("<span%1><b>%2</b> %3 – %4%5</span><br>")
                     .arg(onCourse ? QStringLiteral(" style='color:#7ee787'") : QString(),
                          team.Place > 0 ? QStringLiteral("%1.").arg(team.Place) : QString(),
                          Q(team.Name).toHtmlEscaped(),
                          team.Total.empty() ? QStringLiteral("–") : Q(team.Total).toHtmlEscaped(),
                          counted.empty() ? QString() : QStringLiteral(" (%1)").arg(Q(counted)));
    }
    SetText(Teams, teams);
}

void AnnouncerWindow::RenderClock(const TimingView& view, const AnnouncerSnapshot& snapshot) {
    shownClock_ = snapshot.clock;
    shownSeparator_ = snapshot.decimalSeparator;
    shownResolution_ = snapshot.resolution;
    switch (snapshot.clock) {
        case AnnouncerClock::Running:
            Clock->setStyleSheet(QStringLiteral("color:#7ee787"));
            SetText(Clock, BoardClockText(view, shownSeparator_, shownResolution_));
            break;
        case AnnouncerClock::Stopped:
            Clock->setStyleSheet(QStringLiteral("color:#ffd866"));
            SetText(Clock, Q(snapshot.stoppedTime));
            break;
        case AnnouncerClock::Countdown:
            Clock->setStyleSheet(QStringLiteral("color:#eef2f5"));
            SetText(Clock, QStringLiteral("Countdown"));
            break;
        case AnnouncerClock::Idle:
            SetText(Clock, QString());
            break;
    }
}

void AnnouncerWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (competition_ != nullptr) {
        competition_->CloseAnnouncerWindow();
    }
}
