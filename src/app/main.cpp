#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "config/QtSettingsStore.h"
#include "core/Competition.h"
#include "files/FileIo.h"
#include "serial/LinuxSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "ui/QtCuePlayer.h"
#include "ui/QtHost.h"
#include "ui/TForm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());
    QApplication::setApplicationDisplayName("Corralix");
    QApplication::setOrganizationName("Brindlewerk");

    const std::string programFolder = QApplication::applicationDirPath().toStdString();
    const std::string dataFolder = ChooseDataFolder(
        programFolder,
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());

    LinuxSerialBackend serial;
    QtSettingsStore settings;
    QtCuePlayer cues;
    MonotonicTimeSource time;
    QtTimerFactory timers;
    QtOperator dialogs;
    Competition competition(
        {serial, settings, cues, time, timers, dialogs,
         [&app](std::function<void()> call) {
             QMetaObject::invokeMethod(&app, std::move(call), Qt::QueuedConnection);
         },
         programFolder, dataFolder, qEnvironmentVariable("CORRALIX_SIM_BARRIER").toStdString(),
         SystemDecimalSeparator()});
    TForm1 form(competition);
    dialogs.Attach(&form, [] {});
    form.show();
    const QStringList arguments = QApplication::arguments();
    competition.Start(arguments.size() > 1 ? arguments.at(1).toStdString() : std::string());
    return app.exec();
}
