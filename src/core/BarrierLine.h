#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Host.h"
#include "files/BeamLog.h"
#include "serial/Comms.h"
#include "serial/PortDiscovery.h"
#include "timing/BarrierTest.h"
#include "timing/TimingPorts.h"

// A line of the status bar: the short text, its cause and fix, and whether it is good news.
struct StatusLine {
    std::string Text;
    std::string Detail;
    bool Good = false;
};

// The light barrier's line: the port and its reconnection, the watcher's priority, the USB
// adapter's latency, the beam log and the barrier test. It tells the operator what is wrong with
// the line (status lines) and hands every edge to OnEdge; it never times a run itself.
class BarrierLine {
public:
    // name: how the operator's messages call the line ("Lichtschranke", "Zweite Lichtschranke").
    BarrierLine(ISerialBackend& serial, UiPost post, ICuePlayer& cues, ITimeSource& time,
                IOperator& op, const std::string& dataFolder, RealtimeRequest realtime,
                std::string name = "Lichtschranke");
    ~BarrierLine();
    BarrierLine(const BarrierLine&) = delete;
    BarrierLine& operator=(const BarrierLine&) = delete;

    // Set before the port opens: the line was opened (with its resting status word) or closed,
    // and an edge that is not the barrier test's.
    std::function<void(std::uint32_t restingStatus)> OnOpen;
    std::function<void()> OnClose;
    std::function<void(const ComEvent& event)> OnEdge;
    // Something the status bar or the barrier test shows has changed.
    std::function<void()> OnChanged;

    TComPort& Port() { return port_; }
    const TComPort& Port() const { return port_; }
    // The ports found at start-up, for the settings dialog.
    const std::vector<SerialPort>& Ports() const { return ports_; }
    // Why the configured port is not open, for the settings dialog's lamp.
    const std::string& PortError() const { return portError_; }

    // Opens the configured port, or the simulated barrier's device in its place.
    void Open(const std::string& simulatedDevice);
    // Opens the port as configured now; a port that cannot be opened is told to the operator.
    void OpenPort();
    // The operator chose "Kein": no line to miss and no watcher to warn about.
    void ClosePort();
    void Close();
    // Once a second: a lost port is opened again, the watcher's priority checked, the barrier
    // test's lamp timed.
    void Poll();

    // Appends a line for the edge or command to the beam log; a log that cannot be written is
    // said once, and the timing goes on without it.
    void LogBeam(std::int64_t stamp, const std::string& lineState, const std::string& action,
                 const std::string& startNumber);
    // The beam's record is on the disk before a result that came of it.
    void SyncLog() { beamLog_.Sync(); }
    // Today's beam log.
    std::string BeamLogFile() const;

    // The light-barrier test: on while it describes every edge instead of timing it.
    void ToggleTest(int alg, int timeLock);
    const BarrierTest* Test() const { return test_.get(); }
    // The line as the operator aligns the beam: "Strahl frei · Flanken: 3"; empty while closed.
    std::string Readout(int alg) const;

    // What the status bar says about the line, most urgent first.
    const StatusLine& Line() const { return line_; }
    const StatusLine& Latency() const { return latency_; }
    const StatusLine& Priority() const { return priority_; }
    const std::string& BeamLogMessage() const { return beamLogMessage_; }

private:
    void Opened();
    void Closed();
    void Edge();
    void CheckPriority();
    void UpdatePriority();
    void Changed();

    ISerialBackend& serial_;
    ICuePlayer& cues_;
    ITimeSource& time_;
    IOperator& operator_;
    TComPort port_;
    PortReconnector reconnector_;
    BeamLog beamLog_;
    std::vector<SerialPort> ports_;
    std::string portError_;
    std::unique_ptr<BarrierTest> test_;
    StatusLine line_;
    StatusLine priority_;
    StatusLine latency_;
    std::string beamLogMessage_;
    bool beamLogFailed_ = false;
    bool lineLost_ = false;
    bool priorityRegained_ = false;
    std::string name_;
};
