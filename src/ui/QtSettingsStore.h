#pragma once

#include <QSettings>
#include <QString>

#include "config/SettingsStore.h"

// The settings store over QSettings. Writes are held in memory and reach the file together on
// Flush, in one replacement of the file. The file is readable by its user only (it holds the
// broker's password) from the moment the store is made.
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
    bool Flush() override;

private:
    bool Write(std::string_view name, const QVariant& value);
    void MakePrivate() const;
    bool FileHoldsWritten() const;

    QSettings settings_;
    // Every value written, to check the file against.
    QVariantMap written_;
};
