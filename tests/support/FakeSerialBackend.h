#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "serial/SerialDevice.h"

// In-memory serial devices by path, for tests: script line changes, open failures and unplugging.
// A device's wait behaves like TIOCMIWAIT after a last check of the line: a change after the wait
// began ends it, and so does a line that differs from the reading the caller passed, or Reconcile
// while the line differs from when the wait began. The time a
// look is stamped with is the timestamp of the latest change. Thread-safe. Must outlive the
// devices it opened.
class FakeSerialBackend : public ISerialBackend {
public:
    enum class Failure { None, Handle, State };

    // Plugs in a device (again) with the given modem status; a USB adapter has a product name
    // and can also be opened by its stable name.
    void AddDevice(const std::string& path, std::uint32_t modemStatus = 0,
                   const std::string& product = {}, const std::string& stableName = {});
    // Unplugs a device: an open one reports the loss to its watcher; opening it fails.
    void RemoveDevice(const std::string& path);
    // From now on opening path fails with errorNumber: Handle when opening, State when
    // configuring. None ends it.
    void FailOpen(const std::string& path, Failure failure, int errorNumber = 0);
    // The modem lines of path change to modemStatus at timestamp; an open device reports it.
    void SetModemStatus(const std::string& path, std::uint32_t modemStatus, std::int64_t timestamp);
    // The change lands after the watcher's last look, right before its next wait begins: the
    // wait never sees it happen and ends only when it compares the line with that look.
    void SetModemStatusBeforeNextWait(const std::string& path, std::uint32_t modemStatus,
                                      std::int64_t timestamp);
    // The change lands as the watcher's next wait begins, after the wait's last check of the line
    // (TIOCMIWAIT's entry): the wait counts from after it and ends only when Reconcile finds the
    // line moved, or with the next change.
    void SetModemStatusAsWaitBegins(const std::string& path, std::uint32_t modemStatus,
                                    std::int64_t timestamp);

    // The device at path sends text (a timer's output line), read at timestamp.
    void SendText(const std::string& path, const std::string& text, std::int64_t timestamp);

    // The adapter at path holds back modem-line changes for ms (its latency timer).
    void SetLatencyTimer(const std::string& path, int ms);

    bool IsOpen(const std::string& path) const;
    int OpenCount(const std::string& path) const;          // successful opens so far
    LineSettings Settings(const std::string& path) const;  // as last configured
    // Blocks until the open device of path waits for changes with every change so far seen (its
    // watcher is idle).
    void WaitUntilWatched(const std::string& path) const;

    std::unique_ptr<ISerialDevice> Open(const std::string& path) override;
    std::vector<SerialPort> ListPorts() override;
    int LatencyTimerMs(const std::string& path) override;

private:
    class Device;
    struct Change {
        std::uint32_t ModemStatus = 0;
        std::int64_t Timestamp = 0;
    };
    struct Line {
        bool present = false;
        std::uint32_t modemStatus = 0;
        std::uint32_t ctsCount = 0;
        std::int64_t clock = 0;
        std::uint64_t changes = 0;
        std::optional<Change> beforeNextWait;
        std::optional<Change> asWaitBegins;
        std::string text;  // sent and not read yet
        std::string product;
        std::string stableName;
        Failure failure = Failure::None;
        int errorNumber = 0;
        Device* open = nullptr;
        int openCount = 0;
        int latencyTimerMs = 0;
        LineSettings settings;
    };
    void Apply(Line& line, Change change);  // with mutex_ held

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, Line> lines_;
};
