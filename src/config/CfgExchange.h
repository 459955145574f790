#pragma once

#include <string>
#include <vector>

#include "config/Settings.h"
#include "config/WindowPlacement.h"

// Ranges of the settings dialog's number fields.
// The start lock in tenths of a second: 0 to 99.9 s.
inline constexpr int LockTenthsMax = 999;
inline constexpr int CountDownSecondsMax = 90;
inline constexpr int LivePortMin = 1024;
inline constexpr int LivePortMax = 65535;
inline constexpr int MqttPortMin = 1;
// The tolerance between the two timing sources' run times, in milliseconds.
inline constexpr int BackupToleranceMax = 1000;
// The speeds a timer's output line may have, in bit/s.
inline constexpr int TimerBauds[] = {9600, 19200, 38400};

// The lamp beside the settings dialog's port list.
enum class PortLamp {
    Neutral,  // no port configured
    Open,     // green: the configured port is open
    Closed,   // red: a port is configured but not open
};

// Everything the settings dialog shows and the operator may change. The countdown times are whole
// seconds and the start lock tenths of a second, as the dialog shows them; the settings keep
// milliseconds.
struct CfgValues {
    // Port list as the port discovery words it, "Kein" first; PortIndex is the selected entry.
    std::vector<std::string> PortEntries;
    int PortIndex = 0;
    int Alg = 0;
    int LockTenths = 100;
    // One entry per screen, or the single entry "nicht angeschlossen".
    std::vector<std::string> MonitorEntries;
    int Monitor = 0;
    // The monitor list can be chosen from only with more than one screen.
    bool MonitorEnabled = false;
    bool FullScreen = false;
    // Full-screen can be switched on only with a second screen, but always off.
    bool FullScreenEnabled = false;
    bool CountDown = true;
    int CountDownSeconds = 30;
    bool SoundCountDown = true;
    int WarnungSeconds = 10;
    bool SoundWarnung = true;
    bool Abbruch = true;
    bool SoundAbbruch = false;
    bool LiveResults = false;
    int LivePort = 8080;
    std::string LiveAddress;  // empty: every interface
    // The MQTT broker, as the settings keep it.
    bool Mqtt = false;
    std::string MqttHost;
    int MqttPort = 1883;
    bool MqttTls = false;
    std::string MqttCaFile;
    std::string MqttUser;
    std::string MqttPassword;
    std::string MqttPrefix;
    std::string Arena;
    // The second timing source. Port lists as PortEntries, the state of a configured port beside
    // each; the chosen entries go to the port discovery.
    std::vector<std::string> BackupPortEntries{"Kein"};
    int BackupPortIndex = 0;
    PortLamp BackupLamp = PortLamp::Neutral;
    std::string BackupLampReason;
    int BackupTolerance = 10;
    std::vector<std::string> TimerPortEntries{"Kein"};
    int TimerPortIndex = 0;
    PortLamp TimerLamp = PortLamp::Neutral;
    std::string TimerLampReason;
    // The formats the program reads, and the chosen one.
    std::vector<std::string> TimerFormats;
    std::string TimerFormat;
    int TimerBaud = 9600;
    bool TimerPrimary = false;
    // Closed with "Lichtschranke testen": the values are taken, then the light-barrier test runs.
    bool StartBarrierTest = false;

    bool operator==(const CfgValues&) const = default;
};

// The dialog's values for the settings in memory. `screens` are the screens present in the
// platform's order; a stored monitor beyond them selects the last one. Numbers outside a field's
// range are brought into it, as the field would.
CfgValues FromSettings(const Settings& settings, const std::vector<Rect>& screens,
                       std::vector<std::string> portEntries, int portIndex);

// Takes the confirmed values back into the settings. A value the operator left as the dialog
// showed it keeps its stored value, also where the field cannot show it exactly (30.5 s in a
// field of whole seconds). The port is not touched: the chosen entry
// goes to the port discovery, which knows what it stands for. A monitor list that could not be
// chosen from (one screen) keeps the stored monitor, so the spectator window finds its screen
// again when it is plugged back in.
void ApplyToSettings(const CfgValues& values, Settings& settings);

// The warning is shown red when it would not sound before the countdown runs out.
inline bool WarningTooLate(int warnungSeconds, int countDownSeconds) {
    return warnungSeconds >= countDownSeconds;
}
