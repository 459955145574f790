#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QTranslator>

#include "app/CommandLine.h"
#include "core/Competition.h"
#include "files/ShippedFiles.h"
#include "live/LiveResultsServer.h"
#include "publish/MosquittoPublisher.h"
#include "serial/LinuxSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "ui/AnnouncerWindow.h"
#include "ui/QtCuePlayer.h"
#include "ui/QtHost.h"
#include "ui/QtSettingsStore.h"
#include "ui/RealtimeKit.h"
#include "ui/TForm1.h"
#include "ui/TFormMonitor2.h"
#include "ui/TSortGrid.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> exitCode = RunCommandLine(argc, argv)) {
        return *exitCode;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());
    QApplication::setOrganizationName("Brindlewerk");
    // File and print dialogs in German, as the rest of the program.
    const std::unique_ptr<QTranslator> german = QtGermanTexts();
    if (german) {
        QApplication::installTranslator(german.get());
    }

    const std::string programFolder = QApplication::applicationDirPath().toStdString();
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(FindShippedFile("corralix.png", programFolder))));
    const std::string dataFolder = ChooseDataFolder(
        programFolder,
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());

    LinuxSerialBackend serial;
    QtSettingsStore settings;
    QtCuePlayer cues;
    MonotonicTimeSource time;
    QtTimerFactory timers;
    QtOperator dialogs;
    QtDesktop desktop;
    LiveResultsServer live;
    MosquittoPublisher broker;
    Competition competition(
        {serial, settings, cues, time, timers, dialogs, desktop, live,
         [&app](std::function<void()> call) {
             QMetaObject::invokeMethod(&app, std::move(call), Qt::QueuedConnection);
         },
         programFolder, dataFolder, qEnvironmentVariable("CORRALIX_SIM_BARRIER").toStdString(),
         SystemDecimalSeparator(),
         QFileInfo(QApplication::applicationFilePath()).fileName().toStdString(),
         RequestRealtimeFromRealtimeKit, ::write, &broker,
         qEnvironmentVariable("CORRALIX_SIM_BACKUP").toStdString()});
    TForm1 form(competition);
    TFormMonitor2 spectators(SystemDecimalSeparator());
    spectators.Follow(competition, desktop);
    AnnouncerWindow announcer;
    announcer.Follow(competition);
    dialogs.Attach(&form, [&form] { form.SortGrid1->CommitEditor(); });
    desktop.Attach(&form);
    dialogs.AttachSpectators(&spectators);
    desktop.AttachSpectators(&spectators);
    form.show();
    const QStringList arguments = QApplication::arguments();
    competition.Start(arguments.size() > 1 ? arguments.at(1).toStdString() : std::string());
    return app.exec();
}
