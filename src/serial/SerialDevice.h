#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/Comms.h"

// The modem lines at one look: the status word and the driver's running count of CTS changes
// (it stays 0 where the driver does not count).
struct LineReading {
    std::uint32_t ModemStatus = 0;
    std::uint32_t CtsCount = 0;
};

// What one look at the line found: the line moved to ModemStatus through Count changes, the
// first of them seen at Timestamp (MonotonicRawNow).
struct ModemChange {
    std::uint32_t ModemStatus = 0;
    std::int64_t Timestamp = 0;
    std::uint32_t Count = 1;
};

enum class WaitResult { Changed, Interrupted, Lost };

// One open device. ReadModemStatus and ReadInQueue run on the UI thread; Now, ReadLines and
// WaitForChange on the watcher thread (and on the UI thread before the watcher starts);
// Reconcile and Interrupt on any.
class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;
    // Raises std::system_error.
    virtual void Configure(const LineSettings& settings) = 0;
    virtual std::uint32_t ReadModemStatus() = 0;
    virtual int ReadInQueue() = 0;
    // The device's time base for stamping what a look finds (MonotonicRawNow on real lines).
    virtual std::int64_t Now() = 0;
    // False when the device has gone away.
    virtual bool ReadLines(LineReading& reading) = 0;
    // Blocks until the lines may have changed from seen (the caller's last ReadLines), Reconcile
    // finds they have, Interrupt is called or the device goes away. A change that came after that
    // reading but before the wait began ends it at once, so it is stamped when it is found, not
    // with a later change.
    virtual WaitResult WaitForChange(const LineReading& seen) = 0;
    // Any thread: ends the pending WaitForChange (Changed) when the lines moved since it began.
    // A kernel wait counts changes from its own entry, so a change landing in the few
    // microseconds it takes to enter would wait for the next one; the caller reconciles right
    // after each wait has begun. Does nothing while no wait is pending.
    virtual void Reconcile() = 0;
    // Any thread: the pending and every later WaitForChange returns Interrupted.
    virtual void Interrupt() = 0;
    // For a device that sends text (a timer's output line), on the reader thread: the bytes that
    // came in, up to size, without waiting; 0 when none waits, -1 when the device has gone away.
    // A device that sends no text has none.
    virtual std::ptrdiff_t ReadBytes(char* bytes, std::size_t size) {
        static_cast<void>(bytes);
        static_cast<void>(size);
        return -1;
    }
    // Blocks until bytes may be waiting (Changed), Interrupt is called (Interrupted) or the device
    // goes away (Lost).
    virtual WaitResult WaitForInput() { return WaitResult::Lost; }
};

// One serial port present on the system.
struct SerialPort {
    int Number = 0;          // COM number (see ComPortDevicePath), 0 when it has none
    std::string Device;      // "/dev/ttyUSB0"
    std::string Product;     // the USB adapter's name as the system reports it, or empty
    std::string StableName;  // "/dev/serial/by-id/...", or empty
};

class ISerialBackend {
public:
    virtual ~ISerialBackend() = default;
    // Opens the device exclusively; raises std::system_error with the system's error number.
    virtual std::unique_ptr<ISerialDevice> Open(const std::string& path) = 0;
    // The serial ports present, found without opening any of them. Never throws.
    virtual std::vector<SerialPort> ListPorts() = 0;
    // How long the USB adapter at path holds back a modem-line change, in milliseconds (the FTDI
    // latency timer), 0 where the device has no such timer. Never throws.
    virtual int LatencyTimerMs(const std::string& path) = 0;
};

// The changes one look found: the line went from previous to current while the driver counted
// ctsChanges CTS changes (0 where it does not count). A pulse shorter than the wake-up is not lost:
// its first change comes on its own, the rest as one change ending at current.
void AppendModemChanges(std::uint32_t previous, std::uint32_t current, std::uint32_t ctsChanges,
                        std::int64_t timestamp, std::vector<ModemChange>& changes);
