#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "app/CommandLine.h"
#include "config/QtSettingsStore.h"
#include "files/FileIo.h"
#include "serial/LinuxSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "ui/QtCuePlayer.h"
#include "ui/TForm1.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> exitCode = RunCommandLine(argc, argv)) {
        return *exitCode;
    }
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
    TForm1 form({serial, settings, cues, time, programFolder, dataFolder,
                 qEnvironmentVariable("CORRALIX_SIM_BARRIER").toStdString(),
                 [](const std::string& message) {
                     QMessageBox::critical(nullptr, "Corralix", QString::fromStdString(message));
                 }});
    form.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        form.LoadFile(arguments.at(1).toStdString());
    }
    return app.exec();
}
