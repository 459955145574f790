#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/BarrierLine.h"
#include "core/Host.h"
#include "serial/LineReader.h"
#include "timing/ImpulseLine.h"

// A stand-alone timer's output line as a timing source: its port and format, the impulses read
// from it, and the lines that could not be read, counted and shown, never guessed.
class TimerInput {
public:
    TimerInput(ISerialBackend& serial, UiPost post, IOperator& op);

    // Each impulse understood: when its line came (the counter) and what it says.
    std::function<void(std::int64_t local, const TimerImpulse& impulse)> OnImpulse;
    // Something the status bar or the barrier test shows has changed.
    std::function<void()> OnChanged;

    // The port ("" for none), its speed and the line format by name; opens the port when one is
    // set (a port that cannot be opened is told to the operator), closes it otherwise.
    void Configure(const std::string& path, int baud, const std::string& format);
    void Close();
    // Once a second: a port whose device went away is opened again when it is back.
    void Poll();

    bool Configured() const { return !path_.empty(); }
    bool Connected() const { return reader_.Connected(); }
    const std::string& Path() const { return path_; }
    // Why the configured port is not open, for the settings dialog's lamp.
    const std::string& PortError() const { return portError_; }
    int Impulses() const { return impulses_; }
    int BadLines() const { return badLines_; }
    const std::string& LastBadLine() const { return lastBadLine_; }

    // What the status bar says about the timer: a lost line first, then the bad lines.
    StatusLine Status() const;
    // The line as the barrier test shows it: "Zeitmesser: 4 Impulse, zuletzt c1 13:05:07.1234,
    // 1 Zeile unlesbar"; empty while no port is set.
    std::string Readout() const;

private:
    void Open();
    void Line(const ReceivedLine& line);

    LineReader reader_;
    IOperator& operator_;
    std::string path_;
    int baud_ = 9600;
    const TimerLineFormat* format_ = &TimerLineFormats.front();
    std::string portError_;
    int impulses_ = 0;
    int badLines_ = 0;
    std::string lastBadLine_;
    std::string lastImpulse_;
};
