#include "ui/QtSettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

namespace {

// The settings hold the broker's password: only the user may read them.
constexpr auto UserOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlewerk"),
                QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()) {
    MakePrivate();
}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat) {
    MakePrivate();
}

void QtSettingsStore::MakePrivate() const {
    // At once, not only when the settings are written: a file left readable by an older version
    // or by hand stays so while the program runs, and after it was killed.
    QFile file(settings_.fileName());
    if (file.exists()) {
        file.setPermissions(UserOnly);
    }
}

ReadStatus QtSettingsStore::ReadInteger(std::string_view name, std::int32_t& value) {
    const QVariant stored = settings_.value(ToQString(name));
    if (!stored.isValid()) {
        return ReadStatus::Absent;
    }
    // The file keeps numbers as text; text that is not a whole 32-bit number is of another type.
    bool isInteger = false;
    const int number = stored.toInt(&isInteger);
    if (!isInteger) {
        return ReadStatus::WrongType;
    }
    value = number;
    return ReadStatus::Ok;
}

ReadStatus QtSettingsStore::ReadString(std::string_view name, std::string& value) {
    const QVariant stored = settings_.value(ToQString(name));
    if (!stored.isValid()) {
        return ReadStatus::Absent;
    }
    // Unquoted commas make a list, "@..." forms make binary or structured values.
    if (stored.typeId() != QMetaType::QString) {
        return ReadStatus::WrongType;
    }
    value = stored.toString().toStdString();
    return ReadStatus::Ok;
}

bool QtSettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
    return Write(name, QVariant(static_cast<int>(value)));
}

bool QtSettingsStore::WriteString(std::string_view name, std::string_view value) {
    return Write(name, QVariant(ToQString(value)));
}

bool QtSettingsStore::Write(std::string_view name, const QVariant& value) {
    settings_.setValue(ToQString(name), value);
    written_.insert(ToQString(name), value);
    return true;
}

bool QtSettingsStore::Flush() {
    // A new file is made private before it is written, and the replacement keeps the old
    // file's permissions.
    QFile file(settings_.fileName());
    if (!file.exists() && file.open(QIODevice::WriteOnly)) {
        file.close();
    }
    file.setPermissions(UserOnly);
    settings_.sync();
    file.setPermissions(UserOnly);
    switch (settings_.status()) {
        case QSettings::NoError:
            return true;
        case QSettings::FormatError:
            // The old file held lines that are no settings. QSettings keeps its first error, so
            // this read error also hides whether the new file was written: look at the file.
            return FileHoldsWritten();
        case QSettings::AccessError:
            break;
    }
    return false;
}

bool QtSettingsStore::FileHoldsWritten() const {
    // Read through a copy: under its own name QSettings keeps the values it was given in memory
    // and would answer with those whatever the file holds.
    QFile file(settings_.fileName());
    QTemporaryFile copy;
    if (!file.open(QIODevice::ReadOnly) || !copy.open() || copy.write(file.readAll()) < 0 ||
        !copy.flush()) {
        return false;
    }
    const QSettings stored(copy.fileName(), QSettings::IniFormat);
    return std::all_of(written_.keyValueBegin(), written_.keyValueEnd(), [&](const auto& entry) {
        return stored.value(entry.first).toString() == entry.second.toString();
    });
}
