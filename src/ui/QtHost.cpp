#include "ui/QtHost.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTranslator>

#include "ui/DesktopOpener.h"
#include "ui/ReportPrinter.h"
#include "ui/TCfgDialog.h"
#include "ui/TFDlgYesNo.h"
#include "ui/TFormInfo.h"

namespace {

QString Filters(const std::vector<std::string>& filters) {
    QStringList list;
    for (const std::string& filter : filters) {
        list << QString::fromStdString(filter);
    }
    return list.join(";;");
}

// The first extension a filter names: "xlsx" of "Arbeitsmappe (*.xlsx *.xls)".
QString FilterSuffix(const QString& filter) {
    const qsizetype dot = filter.indexOf("*.");
    if (dot < 0) {
        return QString();
    }
    qsizetype end = dot + 2;
    while (end < filter.size() && filter[end] != ' ' && filter[end] != ')') {
        ++end;
    }
    return filter.mid(dot + 2, end - dot - 2);
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    // Qt's own dialog: it speaks the program's language and can stay above the spectator window.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    KeepAboveSpectators(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

void KeepAboveSpectators(QWidget& dialog) {
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
}

QWidget* DialogOwner(QWidget* window, QWidget* spectators) {
    if (window != nullptr && spectators != nullptr && spectators->isVisible() &&
        spectators->frameGeometry().intersects(window->frameGeometry())) {
        return spectators;
    }
    return window;
}

std::unique_ptr<QTranslator> QtGermanTexts() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    return translator;
}

char SystemDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? point.at(0).toLatin1() : ',';
}

QtTimer::QtTimer(std::function<void()> expired) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, std::move(expired));
}

void QtTimer::Start(int intervalMs) {
    timer_.start(intervalMs);
}

std::unique_ptr<ITimer> QtTimerFactory::MakeTimer(std::function<void()> expired) {
    return std::make_unique<QtTimer>(std::move(expired));
}

void QtOperator::Attach(QWidget* window, std::function<void()> commitEdits) {
    window_ = window;
    commitEdits_ = std::move(commitEdits);
}

QWidget* QtOperator::Owner() const {
    return DialogOwner(window_, spectators_);
}

bool QtOperator::Ask(const std::string& question, Focus focus) {
    return TFDlgYesNo::Ask(Owner(), QString::fromStdString(question), focus == Focus::Ja);
}

void QtOperator::ShowError(const std::string& message) {
    Tell(QMessageBox::Critical, message);
}

void QtOperator::ShowMessage(const std::string& message) {
    Tell(QMessageBox::Information, message);
}

void QtOperator::Tell(QMessageBox::Icon icon, const std::string& message) {
    QMessageBox box(icon, "Corralix", QString::fromStdString(message), QMessageBox::Ok, Owner());
    // Messages carry file names and riders' names: shown as they are.
    box.setTextFormat(Qt::PlainText);
    KeepAboveSpectators(box);
    box.exec();
}

std::optional<std::string> QtOperator::ChooseFileToOpen(const std::string& folder,
                                                        const std::vector<std::string>& filters) {
    QFileDialog dialog(Owner(), QString(), QString::fromStdString(folder), Filters(filters));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Chosen(dialog);
}

std::optional<std::string> QtOperator::ChooseFileToSave(const std::string& proposal,
                                                        const std::vector<std::string>& filters) {
    QFileDialog dialog(Owner(), QString(), QString::fromStdString(proposal), Filters(filters));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The suffix follows the type offered first, then the type the operator picks.
    dialog.setDefaultSuffix(filters.empty()
                                ? QStringLiteral("txt")
                                : FilterSuffix(QString::fromStdString(filters.front())));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& f) { dialog.setDefaultSuffix(FilterSuffix(f)); });
    return Chosen(dialog);
}

std::optional<CfgValues> QtOperator::EditSettings(const CfgValues& values, PortLamp lamp,
                                                  const std::string& reason) {
    TCfgDialog dialog(Owner());
    KeepAboveSpectators(dialog);
    dialog.SetPortLamp(lamp, reason);
    return dialog.Execute(values);
}

void QtOperator::ShowInformation(const std::string& pageAddress) {
    TFormInfo info(pageAddress, Owner());
    KeepAboveSpectators(info);
    info.exec();
}

void QtOperator::CommitEdits() {
    if (commitEdits_) {
        commitEdits_();
    }
}

bool QtDesktop::OpenDocument(const std::string& path) {
    return OpenInDesktop(path);
}

std::string QtDesktop::PrintReport(const Report& report) {
    return ::PrintReport(report, DialogOwner(window_, spectators_));
}

std::string QtDesktop::WritePdf(const Report& report, const std::string& path) {
    return WritePdfReport(report, path);
}

std::vector<Rect> QtDesktop::Screens() const {
    std::vector<Rect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    return screens;
}

void QtOperator::ShowBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}
