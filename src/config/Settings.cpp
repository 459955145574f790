#include "config/Settings.h"

#include <unistd.h>

#include <array>
#include <variant>

namespace {

struct SettingField {
    std::string_view Name;
    std::variant<int Settings::*, bool Settings::*, std::string Settings::*> Member;
};

// The stored value names in the order in which they are read and written.
constexpr std::array<SettingField, 40> Fields = {{
    {"Left", &Settings::Left},
    {"Top", &Settings::Top},
    {"Width", &Settings::Width},
    {"Height", &Settings::Height},
    {"Left2", &Settings::Left2},
    {"Top2", &Settings::Top2},
    {"Width2", &Settings::Width2},
    {"Height2", &Settings::Height2},
    {"Port", &Settings::Port},
    {"Alg", &Settings::Alg},
    {"CountDown", &Settings::CountDown},
    {"CountDownSek", &Settings::CountDownSek},
    {"TimeWarnung", &Settings::TimeWarnung},
    {"TimeLock", &Settings::TimeLock},
    {"Abbruch", &Settings::Abbruch},
    {"SoundCountDown", &Settings::SoundCountDown},
    {"SoundWarnung", &Settings::SoundWarnung},
    {"SoundAbbruch", &Settings::SoundAbbruch},
    {"FullScreen", &Settings::FullScreen},
    {"LastFileName", &Settings::LastFileName},
    {"Monitor", &Settings::Monitor},
    // Added later: older stores end before them and keep their defaults.
    {"PortName", &Settings::PortName},
    {"LiveResults", &Settings::LiveResults},
    {"LivePort", &Settings::LivePort},
    {"LiveAddress", &Settings::LiveAddress},
    {"Mqtt", &Settings::Mqtt},
    {"MqttHost", &Settings::MqttHost},
    {"MqttPort", &Settings::MqttPort},
    {"MqttTls", &Settings::MqttTls},
    {"MqttCaFile", &Settings::MqttCaFile},
    {"MqttUser", &Settings::MqttUser},
    {"MqttPassword", &Settings::MqttPassword},
    {"MqttPrefix", &Settings::MqttPrefix},
    {"Arena", &Settings::Arena},
    // The second timing source.
    {"BackupPort", &Settings::BackupPort},
    {"BackupTolerance", &Settings::BackupTolerance},
    {"TimerPort", &Settings::TimerPort},
    {"TimerFormat", &Settings::TimerFormat},
    {"TimerBaud", &Settings::TimerBaud},
    {"TimerPrimary", &Settings::TimerPrimary},
}};

// Each returns false when the reading has to end at this value.
bool ReadField(ISettingsStore& store, std::string_view name, int& value) {
    std::int32_t stored = 0;
    if (store.ReadInteger(name, stored) != ReadStatus::Ok) {
        return false;
    }
    value = stored;
    return true;
}

bool ReadField(ISettingsStore& store, std::string_view name, bool& value) {
    std::int32_t stored = 0;
    if (store.ReadInteger(name, stored) != ReadStatus::Ok) {
        return false;
    }
    value = stored != 0;
    return true;
}

bool ReadField(ISettingsStore& store, std::string_view name, std::string& value) {
    return store.ReadString(name, value) != ReadStatus::WrongType;
}

bool WriteField(ISettingsStore& store, std::string_view name, int value) {
    return store.WriteInteger(name, value);
}

bool WriteField(ISettingsStore& store, std::string_view name, bool value) {
    return store.WriteInteger(name, value ? 1 : 0);
}

bool WriteField(ISettingsStore& store, std::string_view name, const std::string& value) {
    return store.WriteString(name, value);
}

}  // namespace

std::string MachineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "Arena";
    }
    return name;
}

Settings ReadSettings(ISettingsStore& store) {
    Settings settings;
    for (const SettingField& field : Fields) {
        const bool read =
            std::visit([&](auto member) { return ReadField(store, field.Name, settings.*member); },
                       field.Member);
        if (!read) {
            break;
        }
    }
    settings.Port &= 0xFF;
    return settings;
}

std::vector<std::string> WriteSettings(ISettingsStore& store, const Settings& settings) {
    std::vector<std::string> failed;
    for (const SettingField& field : Fields) {
        const bool written =
            std::visit([&](auto member) { return WriteField(store, field.Name, settings.*member); },
                       field.Member);
        if (!written) {
            failed.emplace_back(field.Name);
        }
    }
    // One flush for all: a store in a file replaces that file once, not once per value.
    if (!store.Flush()) {
        failed.clear();
        for (const SettingField& field : Fields) {
            failed.emplace_back(field.Name);
        }
    }
    return failed;
}

std::string WriteFailureText(std::string_view name) {
    return "Failed to set data for '" + std::string(name) + "'";
}
