#include "config/QtSettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlewerk"),
                QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()) {}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat) {}

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
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}
