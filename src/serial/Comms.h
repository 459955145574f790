#pragma once

// The serial port component of the light barrier: TComPort opens one port, configures it and
// watches its modem-status lines on a watcher thread of its own. Each line change is timestamped
// on the watcher thread (MonotonicRawNow) the moment it is seen and handed to the UI thread as a
// ComEvent; the callbacks run there. The watcher never waits for the UI thread, and runs with
// real-time priority where the system grants it, so neither a busy UI nor a busy machine delays
// a stamp. A second thread reconciles each of the watcher's waits a millisecond after it began
// (ISerialDevice::Reconcile), so a change landing while the wait begins is stamped at most about
// a millisecond late rather than with the next change.
//
// Port numbers and devices: COM1-COM32 are /dev/ttyS0-/dev/ttyS31, COM33-COM64 are
// /dev/ttyUSB0-/dev/ttyUSB31 (ComPortDevicePath). A USB adapter is best opened by its stable
// name (TComPort::PortName, /dev/serial/by-id/...). TComPort::DevicePath (the simulated light
// barrier) wins over both.
//
// Simulated light barrier: when the device path is a FIFO (mkfifo), every byte written to it is
// one line change: '1' = CTS on (modem status 0x10), '0' = CTS off, other bytes are ignored. CTS
// starts off; bytes already waiting when the port opens give the level found at opening.
// Example: `mkfifo /tmp/lb; echo -n 1 > /tmp/lb; echo -n 0 > /tmp/lb`.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

class ISerialBackend;
class ISerialDevice;
class TComThread;

// Why a port could not be opened.
enum class ComFailure { Missing, NoPermission, Busy, Other };

// Raised when the device cannot be opened; the message tells the operator why, in German.
class EComHandle : public std::runtime_error {
public:
    EComHandle(const std::string& message, ComFailure reason)
        : std::runtime_error(message), reason_(reason) {}
    ComFailure Reason() const { return reason_; }

private:
    ComFailure reason_;
};

// Raised when the line settings cannot be applied.
class EComState : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br76500,  // sets 57600 bit/s
    br115200,
    br128000,
    br256000,
    brUser  // speed from TComPort::BaudRateUser
};

enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParity { prNone, prOdd, prEven, prMark, prSpace };
enum TFlowControl { fcNone, fcRtsCts, fcXonXoff };
enum TEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD };

// A set of TEvent.
class TEvents {
public:
    constexpr TEvents(std::initializer_list<TEvent> events) {
        for (TEvent e : events) {
            bits_ |= 1u << e;
        }
    }
    constexpr bool Contains(TEvent e) const { return (bits_ >> e) & 1u; }

private:
    std::uint32_t bits_ = 0;
};

inline constexpr TEvents AllEvents{evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                   evCTS,    evDSR,     evError,  evRLSD};

// Bit of an event in ComEvent::EventMask.
constexpr std::uint32_t EventBit(TEvent e) {
    switch (e) {
        case evRxChar:
            return 0x0001;
        case evRxFlag:
            return 0x0002;
        case evTxEmpty:
            return 0x0004;
        case evCTS:
            return 0x0008;
        case evDSR:
            return 0x0010;
        case evRLSD:
            return 0x0020;
        case evBreak:
            return 0x0040;
        case evError:
            return 0x0080;
        case evRing:
            return 0x0100;
    }
    return 0;
}

// Bits of the modem-status word (ReadModemStatus, ComEvent::ModemStatus).
inline constexpr std::uint32_t ModemCtsOn = 0x10;
inline constexpr std::uint32_t ModemDsrOn = 0x20;
inline constexpr std::uint32_t ModemRingOn = 0x40;
inline constexpr std::uint32_t ModemRlsdOn = 0x80;

// Line speed in bit/s.
std::uint32_t LineSpeed(TBaudRate rate, std::int32_t userRate);

// The line parameters a device is configured with when the port opens.
struct LineSettings {
    std::uint32_t Speed = 9600;  // bit/s
    int DataBits = 8;
    TParity Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    TFlowControl FlowControl = fcNone;
    bool EnableDTR = true;
};

// Device path of a port number, empty when the number has no device (see the top of this file).
std::string ComPortDevicePath(int port);

// What the operator is told when the device at path (of port number port, 0 for none) cannot be
// opened for the system's error, and when it cannot be set up.
EComHandle OpenFailure(int port, const std::string& path, const std::system_error& error);
EComState SetupFailure(int port, const std::string& path, const std::system_error& error);

// One batch of line events: the events, the modem status it ends at, when the watcher saw its
// first change (MonotonicRawNow) and how many line changes it stands for. Count is 1 unless the
// UI thread fell behind a flood of edges (or a pulse was shorter than the watcher's wake-up):
// the changes after the first are then counted into one batch, which may even end at the status
// it began with.
struct ComEvent {
    std::uint32_t EventMask = 0;
    std::uint32_t ModemStatus = 0;
    std::int64_t Timestamp = 0;
    std::uint32_t Count = 1;
};

// How the watcher thread is scheduled.
enum class WatcherPriority {
    Normal,       // no real-time priority could be had
    RealTime,     // SCHED_FIFO set by the process itself (root or an rtprio limit)
    RealtimeKit,  // SCHED_RR granted by the desktop's RealtimeKit service
};

// Real-time priority of the watcher thread.
inline constexpr int WatcherRealtimePriority = 20;

// What the desktop's RealtimeKit service answered when asked for real-time priority.
enum class RealtimeAnswer {
    Granted,
    NoService,  // not on the system bus (package rtkit missing, no system bus)
    Refused,    // it answered no: no local login session (ssh, cron), or its limits
};

// Why the watcher of the open port runs without real-time priority.
enum class PriorityShortfall {
    None,       // it has real-time priority, or no port is open
    NotAsked,   // the process may not set it and nobody to ask was given
    NoService,  // RealtimeKit is not there
    Refused,    // RealtimeKit said no
    Demoted,    // it was taken back while the port was open and not granted again
};

// Asks a system service (RealtimeKit over D-Bus) to make thread tid real-time at priority.
// Called on the UI thread.
using RealtimeRequest = std::function<RealtimeAnswer(std::uint64_t tid, int priority)>;

// How the watcher's scheduling is set and read: the system's calls in the program, fakes in tests.
struct ThreadScheduler {
    // Sets SCHED_FIFO (reset on fork) at priority; false when the process may not.
    std::function<bool(std::uint64_t tid, int priority)> SetRealtime;
    // The thread runs under a real-time policy (FIFO or RR) now.
    std::function<bool(std::uint64_t tid)> IsRealtime;
};
ThreadScheduler SystemScheduler();

// How a thread is scheduled, for the benchmarks' report: "RR 20", "FIFO 20" or "normal".
std::string SchedulingText(std::uint64_t tid);

// Posts a closure to the UI thread; thread-safe, keeps the order of posting, never blocks.
using UiPost = std::function<void(std::function<void()>)>;

// The serial port component. All members are for the UI thread only; callbacks run there.
class TComPort {
public:
    TComPort(ISerialBackend& backend, UiPost post);
    ~TComPort();
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    TBaudRate BaudRate = br9600;
    std::int32_t BaudRateUser = 9600;
    int Port = 1;  // 0 = none
    // Stable name of a USB adapter (/dev/serial/by-id/...) or a device path; when it exists it is
    // opened instead of the device of Port.
    std::string PortName;
    std::string DevicePath;  // when not empty, opened instead of PortName and Port
    TParity Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    TFlowControl FlowControl = fcNone;
    TEvents Events = AllEvents;  // taken when the port opens
    bool EnableDTR = true;
    // Driver buffer sizes; the Linux drivers size their own buffers, so these are only kept.
    std::int32_t WriteBufSize = 2048;
    std::int32_t ReadBufSize = 2048;

    int DataBits() const { return dataBits_; }
    void SetDataBits(int value);  // clamps to 5..8

    std::function<void(TComPort&, int inQue)> OnRxChar;
    std::function<void(TComPort&)> OnTxEmpty;
    std::function<void(TComPort&)> OnBreak;
    std::function<void(TComPort&)> OnRing;
    std::function<void(TComPort&)> OnCTS;
    std::function<void(TComPort&)> OnDSR;
    std::function<void(TComPort&)> OnRLSD;
    std::function<void(TComPort&)> OnRxFlag;
    std::function<void(TComPort&)> OnError;
    std::function<void(TComPort&)> OnOpen;
    std::function<void(TComPort&)> OnClose;
    // Asked for real-time priority when the process may not set it itself; may stay empty.
    RealtimeRequest RequestRealtime;
    ThreadScheduler Scheduler = SystemScheduler();

    // A port to open is set (Port, PortName or DevicePath).
    bool Configured() const { return Port != 0 || !PortName.empty() || !DevicePath.empty(); }
    // Closes an open port first. Raises EComHandle or EComState; the port is closed then.
    void Open();
    // Does nothing on a closed port, except that it ends a DeviceLost state.
    void Close();
    bool Connected() const { return connected_; }
    bool HasDevice() const { return device_ != nullptr; }
    // The device the open port was opened from (empty while closed).
    const std::string& OpenPath() const { return openPath_; }
    // The port was closed because its device went away (USB adapter pulled); ends with the next
    // successful Open or a Close.
    bool DeviceLost() const { return deviceLost_; }

    // Modem-status word of the line now (ModemCtsOn...), 0 while closed.
    std::uint32_t ReadModemStatus();
    // Bytes waiting in the input queue, 0 while closed.
    int ReadInQueue();

    // The batch whose callbacks are running: modem status at the change and its timestamp.
    const ComEvent& CurrentEvent() const { return currentEvent_; }
    // For the live readout: line changes delivered since the port opened, and the modem status
    // of the last one (the status found at opening before any).
    std::uint64_t EdgeCount() const { return edgeCount_; }
    std::uint32_t LineStatus() const { return lineStatus_; }
    // How the watcher of the open port is scheduled (Normal while closed), and why not real-time.
    WatcherPriority Priority() const { return priority_; }
    PriorityShortfall Shortfall() const { return shortfall_; }
    // The kernel's id of the watcher thread of the open port, 0 while closed.
    std::uint64_t WatcherTid() const { return watcherTid_; }
    // Looks whether the watcher still has the real-time priority it was given (RealtimeKit takes
    // it back when its watchdog fires, or on rtkitctl --reset-known); when it was taken, asks for
    // it again and returns true. Cheap (one system call), never on the edge path; UI thread.
    bool CheckPriority();

private:
    friend class TComThread;
    LineSettings CurrentLineSettings() const;
    std::unique_ptr<ISerialDevice> OpenDevice(std::string& path);
    void Dispatch(const ComEvent& event, std::uint64_t generation);
    void Shutdown(bool deviceLost);

    ISerialBackend& backend_;
    UiPost post_;
    int dataBits_ = 8;
    bool connected_ = false;
    bool deviceLost_ = false;
    ComEvent currentEvent_;
    std::uint64_t edgeCount_ = 0;
    std::uint32_t lineStatus_ = 0;
    WatcherPriority priority_ = WatcherPriority::Normal;
    PriorityShortfall shortfall_ = PriorityShortfall::None;
    std::uint64_t watcherTid_ = 0;
    std::string openPath_;
    void RaisePriority();
    std::unique_ptr<ISerialDevice> device_;
    std::unique_ptr<TComThread> watchThread_;
    // Counts opens and closes; closures posted for an older value are dropped. Closures hold a
    // weak reference, so none runs after the port is destroyed.
    std::shared_ptr<std::uint64_t> generation_;
};
