#pragma once

#include <QSettings>
#include <QString>

#include "config/SettingsStore.h"

// The settings store over QSettings. Every write is flushed and checked at once, so a value that
// did not reach the file is reported as failed.
class QtSettingsStore : public ISettingsStore {
public:
    // The per-user store: organisation "Brindlewerk", application the program file's name without
    // its extension (on Linux ~/.config/Brindlewerk/<name>.conf). Needs the QCoreApplication.
    QtSettingsStore();
    // A store in the INI file `fileName`.
    explicit QtSettingsStore(const QString& fileName);

    QString FileName() const { return settings_.fileName(); }

    ReadStatus ReadInteger(std::string_view name, std::int32_t& value) override;
    ReadStatus ReadString(std::string_view name, std::string& value) override;
    bool WriteInteger(std::string_view name, std::int32_t value) override;
    bool WriteString(std::string_view name, std::string_view value) override;

private:
    bool Write(std::string_view name, const QVariant& value);

    QSettings settings_;
};
