#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "serial/SerialDevice.h"

// In-memory serial devices by path, for tests: script line changes, open failures and unplugging.
// Thread-safe. Must outlive the devices it opened.
class FakeSerialBackend : public ISerialBackend {
public:
    enum class Failure { None, Handle, State };

    // Plugs in a device (again) with the given modem status. A device that is not a character
    // device stands for a file named like a port: opening it fails and a scan does not list it.
    void AddDevice(const std::string& path, std::uint32_t modemStatus = 0,
                   bool characterDevice = true);
    // Unplugs a device: an open one reports the loss to its watcher; opening it fails.
    void RemoveDevice(const std::string& path);
    // From now on opening path fails: Handle raises EComHandle when opening, State raises
    // EComState when configuring, each with the system text of errorNumber. None ends it.
    void FailOpen(const std::string& path, Failure failure, int errorNumber = 0);
    // The modem lines of path change to modemStatus at timestamp; an open device reports it.
    void SetModemStatus(const std::string& path, std::uint32_t modemStatus, std::int64_t timestamp);

    bool IsOpen(const std::string& path) const;
    int OpenCount(const std::string& path) const;          // successful opens so far
    LineSettings Settings(const std::string& path) const;  // as last configured
    // Blocks until the open device of path waits for changes (its watcher is idle).
    void WaitUntilWatched(const std::string& path) const;

    std::unique_ptr<ISerialDevice> Open(const std::string& path) override;
    bool Probe(const std::string& path) override;

private:
    class Device;
    struct Line {
        bool present = false;
        bool characterDevice = true;
        std::uint32_t modemStatus = 0;
        Failure failure = Failure::None;
        int errorNumber = 0;
        Device* open = nullptr;
        int openCount = 0;
        LineSettings settings;
    };

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, Line> lines_;
};
