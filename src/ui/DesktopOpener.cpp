#include "ui/DesktopOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenInDesktop(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
