#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/SettingsStore.h"

// The machine's name, the default arena.
std::string MachineName();

// The program's settings, held in memory from start-up to shut-down. The initial values are the
// first-start defaults; each stays in force for every value the store does not supply.
struct Settings {
    // Main window bounds; a first start takes the design client size 1343 x 561 as the outer size.
    int Left = 312;
    int Top = 214;
    int Width = 1343;
    int Height = 561;
    // Spectator window bounds.
    int Left2 = 0;
    int Top2 = 0;
    int Width2 = 0;
    int Height2 = 0;
    // Light-barrier port "COM" + number, 0 to 255; 0 = none.
    int Port = 0;
    // Light-barrier trigger: 0 = CTS becoming active, 1 = CTS becoming inactive.
    int Alg = 0;
    bool CountDown = true;
    // Countdown length in milliseconds.
    int CountDownSek = 30000;
    // Warning when less than this many milliseconds of the countdown are left.
    int TimeWarnung = 10000;
    // Milliseconds the light barrier stays locked after a run start or stop; 0 = until re-armed.
    int TimeLock = 10000;
    // The countdown may be aborted (F8).
    bool Abbruch = true;
    bool SoundCountDown = true;
    bool SoundWarnung = true;
    bool SoundAbbruch = false;
    // The spectator window covers its whole monitor.
    bool FullScreen = false;
    // Last file loaded or saved through a dialog.
    std::string LastFileName;
    // 0-based monitor of the full-screen spectator window.
    int Monitor = 0;
    // Stable name of the light-barrier adapter (/dev/serial/by-id/...); when set and present it
    // wins over Port, so an adapter is found again whatever order the adapters were plugged in.
    std::string PortName;
    // Live results on the local network: off by default, HTTP port.
    bool LiveResults = false;
    int LivePort = 8080;
    // The address the live results listen on; empty for every interface.
    std::string LiveAddress;
    // Results and the clock to an MQTT broker: off by default.
    bool Mqtt = false;
    std::string MqttHost = "localhost";
    int MqttPort = 1883;
    bool MqttTls = false;
    // The CA file the broker's certificate is checked with; empty: the system's certificates.
    std::string MqttCaFile;
    std::string MqttUser;
    std::string MqttPassword;
    // The first level of every topic.
    std::string MqttPrefix = "corralix";
    // This station's arena in the topics.
    std::string Arena = MachineName();

    // Second timing source: a backup light barrier and a timer's output line, all off by default.
    // The backup light barrier's port (a device or its stable name); empty: none.
    std::string BackupPort;
    // Milliseconds by which the run times of the two sources may differ before the operator is
    // asked which to take.
    int BackupTolerance = 10;
    // The port a timer sends its impulse lines on (8N1); empty: none.
    std::string TimerPort;
    // The format of those lines, by name (timing/ImpulseLine.h).
    std::string TimerFormat = "yNNNNxCCCxHH:MM:SS.zhtq";
    int TimerBaud = 9600;
    // The timer gives the official times and the light barrier on Port backs it up; otherwise
    // the timer is the backup of the light barrier.
    bool TimerPrimary = false;

    bool operator==(const Settings&) const = default;
};

// Reads the values in their fixed order. The first number that is absent or not an integer, or a
// "LastFileName" that is not a string, ends the reading silently: it and everything after it keep
// their defaults. An absent "LastFileName" reads as empty and the reading goes on. Booleans are
// true for any non-zero value; "Port" keeps the low 8 bits of the stored number.
Settings ReadSettings(ISettingsStore& store);

// Writes every value in the same order, booleans as 1 or 0, then flushes the store once. A value
// that cannot be stored does not stop the others; the names of those not stored are returned in
// order (all of them when the flush fails).
std::vector<std::string> WriteSettings(ISettingsStore& store, const Settings& settings);

// "Failed to set data for '<name>'", the report of a value WriteSettings could not store.
std::string WriteFailureText(std::string_view name);
