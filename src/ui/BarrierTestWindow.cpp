#include "ui/BarrierTestWindow.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Competition.h"
#include "timing/BarrierTest.h"
#include "ui/KeyActions.h"

BarrierTestWindow::BarrierTestWindow(Competition& competition, QWidget* parent)
    : QDialog(parent), competition_(competition) {
    setWindowTitle("Lichtschranken-Test");
    setModal(false);
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    LabelSummary = new QLabel(this);
    LabelSummary->setWordWrap(true);
    layout->addWidget(LabelSummary);
    ListEdges = new QListWidget(this);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    ListEdges->setFont(mono);
    layout->addWidget(ListEdges, 1);
    LabelBackup = new QLabel("Zweite Lichtschranke:", this);
    layout->addWidget(LabelBackup);
    ListBackupEdges = new QListWidget(this);
    ListBackupEdges->setFont(mono);
    layout->addWidget(ListBackupEdges, 1);
    bEnd = new QPushButton("[F7] Test beenden", this);
    layout->addWidget(bEnd, 0, Qt::AlignRight);
    connect(bEnd, &QPushButton::clicked, this, [this] { competition_.Run(Command::BarrierTest); });
    InstallKeyCommands(this, competition_);
}

void BarrierTestWindow::Render() {
    const BarrierTest* test = competition_.BarrierTestState();
    if (test == nullptr) {
        shown_ = {};
        shownBackup_ = {};
        if (isVisible()) {
            hide();
        }
        return;
    }
    RenderList(ListEdges, *test, shown_);
    const BarrierTest* backup = competition_.BackupTestState();
    LabelBackup->setVisible(backup != nullptr);
    ListBackupEdges->setVisible(backup != nullptr);
    if (backup != nullptr) {
        RenderList(ListBackupEdges, *backup, shownBackup_);
    }
    LabelSummary->setText(
        QString("Durch die Lichtschranke gehen: jede Flanke erscheint unten. Es wird nichts "
                "gezeitet oder eingetragen. Durchgänge: %1, davon prellend: %2. %3")
            .arg(test->Crossings())
            .arg(test->BouncingCrossings())
            .arg(QString::fromStdString(competition_.BeamReadout())));
    if (backup != nullptr) {
        LabelBackup->setText(QString("Zweite Lichtschranke: Durchgänge: %1, davon prellend: %2")
                                 .arg(backup->Crossings())
                                 .arg(backup->BouncingCrossings()));
    }
    if (!isVisible()) {
        show();
    }
}

void BarrierTestWindow::RenderList(QListWidget* list, const BarrierTest& test, Shown& shown) {
    if (&test != shown.test) {
        shown = {&test, 0};
        list->clear();
    }
    const auto& lines = test.Lines();
    // Old lines scroll away inside the test once it holds its most: then every change redraws.
    if (shown.lines == lines.size() && lines.size() != BarrierTest::MaxLines) {
        return;
    }
    list->clear();
    for (const std::string& line : lines) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), list);
        if (line.rfind("Kontakt prellt", 0) == 0 || line.rfind("Seit ", 0) == 0) {
            item->setForeground(QColor(0xC0, 0, 0));
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
    shown.lines = lines.size();
    list->scrollToBottom();
}

void BarrierTestWindow::closeEvent(QCloseEvent* event) {
    if (competition_.BarrierTestState() != nullptr) {
        competition_.Run(Command::BarrierTest);
    }
    event->accept();
}
