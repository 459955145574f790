#include "config/CfgExchange.h"

#include <algorithm>
#include <string>

namespace {

int Seconds(int milliseconds, int max) {
    return std::clamp(milliseconds / 1000, 0, max);
}

int Tenths(int milliseconds) {
    return std::clamp(milliseconds / 100, 0, LockTenthsMax);
}

// Writes the dialog's value only when the operator changed what the dialog showed for `stored`.
void TakeIfChanged(int value, int shown, int& stored, int factor) {
    if (value != shown) {
        stored = value * factor;
    }
}

}  // namespace

CfgValues FromSettings(const Settings& settings, const std::vector<Rect>& screens,
                       std::vector<std::string> portEntries, int portIndex) {
    CfgValues values;
    values.PortEntries = std::move(portEntries);
    values.PortIndex = portIndex;
    values.Alg = std::clamp(settings.Alg, 0, 1);
    values.LockTenths = Tenths(settings.TimeLock);
    values.MonitorEnabled = screens.size() > 1;
    if (values.MonitorEnabled) {
        for (std::size_t i = 0; i < screens.size(); ++i) {
            const Rect& s = screens[i];
            values.MonitorEntries.push_back(std::to_string(i + 1) + "=(" + std::to_string(s.Left) +
                                            "," + std::to_string(s.Top) + ")-(" +
                                            std::to_string(s.Width) + "," +
                                            std::to_string(s.Height) + ")");
        }
        values.Monitor = std::clamp(settings.Monitor, 0, static_cast<int>(screens.size()) - 1);
    } else {
        values.MonitorEntries = {"nicht angeschlossen"};
        values.Monitor = 0;
    }
    values.FullScreen = settings.FullScreen;
    values.FullScreenEnabled = values.MonitorEnabled || settings.FullScreen;
    values.CountDown = settings.CountDown;
    values.CountDownSeconds = Seconds(settings.CountDownSek, CountDownSecondsMax);
    values.SoundCountDown = settings.SoundCountDown;
    values.WarnungSeconds = Seconds(settings.TimeWarnung, CountDownSecondsMax);
    values.SoundWarnung = settings.SoundWarnung;
    values.Abbruch = settings.Abbruch;
    values.SoundAbbruch = settings.SoundAbbruch;
    values.LiveResults = settings.LiveResults;
    values.LivePort = std::clamp(settings.LivePort, LivePortMin, LivePortMax);
    values.LiveAddress = settings.LiveAddress;
    values.Mqtt = settings.Mqtt;
    values.MqttHost = settings.MqttHost;
    values.MqttPort = std::clamp(settings.MqttPort, MqttPortMin, LivePortMax);
    values.MqttTls = settings.MqttTls;
    values.MqttCaFile = settings.MqttCaFile;
    values.MqttUser = settings.MqttUser;
    values.MqttPassword = settings.MqttPassword;
    values.MqttPrefix = settings.MqttPrefix;
    values.Arena = settings.Arena;
    values.BackupTolerance = std::clamp(settings.BackupTolerance, 0, BackupToleranceMax);
    values.TimerFormat = settings.TimerFormat;
    values.TimerBaud = settings.TimerBaud;
    values.TimerPrimary = settings.TimerPrimary;
    return values;
}

void ApplyToSettings(const CfgValues& values, Settings& settings) {
    TakeIfChanged(values.Alg, std::clamp(settings.Alg, 0, 1), settings.Alg, 1);
    TakeIfChanged(values.LockTenths, Tenths(settings.TimeLock), settings.TimeLock, 100);
    if (values.MonitorEnabled) {
        const int last = static_cast<int>(values.MonitorEntries.size()) - 1;
        settings.Monitor = std::clamp(values.Monitor, 0, std::max(last, 0));
    } else {
        settings.Monitor = std::max(settings.Monitor, 0);
    }
    settings.FullScreen = values.FullScreen;
    settings.CountDown = values.CountDown;
    TakeIfChanged(values.CountDownSeconds, Seconds(settings.CountDownSek, CountDownSecondsMax),
                  settings.CountDownSek, 1000);
    settings.SoundCountDown = values.SoundCountDown;
    TakeIfChanged(values.WarnungSeconds, Seconds(settings.TimeWarnung, CountDownSecondsMax),
                  settings.TimeWarnung, 1000);
    settings.SoundWarnung = values.SoundWarnung;
    settings.Abbruch = values.Abbruch;
    settings.SoundAbbruch = values.SoundAbbruch;
    settings.LiveResults = values.LiveResults;
    TakeIfChanged(values.LivePort, std::clamp(settings.LivePort, LivePortMin, LivePortMax),
                  settings.LivePort, 1);
    settings.LiveAddress = values.LiveAddress;
    settings.Mqtt = values.Mqtt;
    settings.MqttHost = values.MqttHost;
    TakeIfChanged(values.MqttPort, std::clamp(settings.MqttPort, MqttPortMin, LivePortMax),
                  settings.MqttPort, 1);
    settings.MqttTls = values.MqttTls;
    settings.MqttCaFile = values.MqttCaFile;
    settings.MqttUser = values.MqttUser;
    settings.MqttPassword = values.MqttPassword;
    settings.MqttPrefix = values.MqttPrefix;
    settings.Arena = values.Arena;
    TakeIfChanged(values.BackupTolerance,
                  std::clamp(settings.BackupTolerance, 0, BackupToleranceMax),
                  settings.BackupTolerance, 1);
    settings.TimerFormat = values.TimerFormat;
    settings.TimerBaud = values.TimerBaud;
    settings.TimerPrimary = values.TimerPrimary;
}
