#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/Comms.h"

// A modem-status word as the device saw it, and when (MonotonicRawNow).
struct ModemChange {
    std::uint32_t ModemStatus = 0;
    std::int64_t Timestamp = 0;
};

enum class WaitResult { Changed, Interrupted, Lost };

// One open device. Everything but WaitForChanges and Interrupt runs on the UI thread.
class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;
    // Raises EComState.
    virtual void Configure(const LineSettings& settings) = 0;
    virtual std::uint32_t ReadModemStatus() = 0;
    virtual int ReadInQueue() = 0;
    // Blocks until the modem lines change, Interrupt is called or the device goes away, and
    // appends the modem-status words seen since the previous call, in order. A word equal to the
    // one before it is no change. Watcher thread only.
    virtual WaitResult WaitForChanges(std::vector<ModemChange>& changes) = 0;
    // Any thread: the pending and every later WaitForChanges returns Interrupted.
    virtual void Interrupt() = 0;
};

class ISerialBackend {
public:
    virtual ~ISerialBackend() = default;
    // Opens the device exclusively; raises EComHandle.
    virtual std::unique_ptr<ISerialDevice> Open(const std::string& path) = 0;
    // True when path is a character device that can be opened now; closes it again, never throws.
    virtual bool Probe(const std::string& path) = 0;
};
