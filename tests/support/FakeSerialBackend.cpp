#include "support/FakeSerialBackend.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

class FakeSerialBackend::Device : public ISerialDevice {
public:
    Device(FakeSerialBackend& backend, Line& line) : backend_(backend), line_(line) {}

    ~Device() override {
        std::lock_guard lock(backend_.mutex_);
        line_.open = nullptr;
    }

    void Configure(const LineSettings& settings) override {
        std::lock_guard lock(backend_.mutex_);
        if (line_.failure == Failure::State) {
            throw std::system_error(line_.errorNumber, std::system_category());
        }
        line_.settings = settings;
    }

    std::uint32_t ReadModemStatus() override {
        std::lock_guard lock(backend_.mutex_);
        return line_.modemStatus;
    }

    int ReadInQueue() override { return 0; }

    std::int64_t Now() override {
        std::lock_guard lock(backend_.mutex_);
        return line_.clock;
    }

    bool ReadLines(LineReading& reading) override {
        std::lock_guard lock(backend_.mutex_);
        reading = {line_.modemStatus, line_.ctsCount};
        return true;
    }

    WaitResult WaitForChange(const LineReading& seen) override {
        std::unique_lock lock(backend_.mutex_);
        if (line_.beforeNextWait) {
            backend_.Apply(line_, *std::exchange(line_.beforeNextWait, std::nullopt));
        }
        if (line_.modemStatus != seen.ModemStatus || line_.ctsCount != seen.CtsCount) {
            return WaitResult::Changed;
        }
        seenChanges_ = line_.changes;
        if (line_.asWaitBegins) {
            backend_.Apply(line_, *std::exchange(line_.asWaitBegins, std::nullopt));
        }
        const std::uint64_t start = line_.changes;
        watchedFrom_ = start;
        watching_ = true;
        reconciled_ = false;
        backend_.changed_.notify_all();
        backend_.changed_.wait(
            lock, [&] { return interrupted_ || lost_ || reconciled_ || line_.changes != start; });
        watching_ = false;
        if (interrupted_) {
            return WaitResult::Interrupted;
        }
        return lost_ ? WaitResult::Lost : WaitResult::Changed;
    }

    void Reconcile() override {
        std::lock_guard lock(backend_.mutex_);
        if (watching_ && line_.changes != seenChanges_) {
            reconciled_ = true;
            backend_.changed_.notify_all();
        }
    }

    void Interrupt() override {
        std::lock_guard lock(backend_.mutex_);
        interrupted_ = true;
        backend_.changed_.notify_all();
    }

    std::ptrdiff_t ReadBytes(char* bytes, std::size_t size) override {
        std::lock_guard lock(backend_.mutex_);
        if (lost_) {
            return -1;
        }
        const std::size_t count = std::min(size, line_.text.size());
        line_.text.copy(bytes, count);
        line_.text.erase(0, count);
        return static_cast<std::ptrdiff_t>(count);
    }

    WaitResult WaitForInput() override {
        std::unique_lock lock(backend_.mutex_);
        backend_.changed_.wait(lock, [&] { return interrupted_ || lost_ || !line_.text.empty(); });
        if (interrupted_) {
            return WaitResult::Interrupted;
        }
        return lost_ ? WaitResult::Lost : WaitResult::Changed;
    }

private:
    friend class FakeSerialBackend;
    FakeSerialBackend& backend_;
    Line& line_;
    // Guarded by the backend's mutex.
    bool interrupted_ = false;
    bool lost_ = false;
    bool watching_ = false;
    bool reconciled_ = false;
    std::uint64_t seenChanges_ = 0;  // the line's change count at the wait's last check
    std::uint64_t watchedFrom_ = 0;  // the line's change count when the wait began
};

void FakeSerialBackend::AddDevice(const std::string& path, std::uint32_t modemStatus,
                                  const std::string& product, const std::string& stableName) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.present = true;
    line.modemStatus = modemStatus;
    line.product = product;
    line.stableName = stableName;
}

void FakeSerialBackend::RemoveDevice(const std::string& path) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.present = false;
    if (line.open != nullptr) {
        line.open->lost_ = true;
        changed_.notify_all();
    }
}

void FakeSerialBackend::FailOpen(const std::string& path, Failure failure, int errorNumber) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.failure = failure;
    line.errorNumber = errorNumber;
}

void FakeSerialBackend::Apply(Line& line, Change change) {
    if (((line.modemStatus ^ change.ModemStatus) & ModemCtsOn) != 0) {
        ++line.ctsCount;
    }
    line.modemStatus = change.ModemStatus;
    line.clock = change.Timestamp;
    ++line.changes;
    changed_.notify_all();
}

void FakeSerialBackend::SetModemStatus(const std::string& path, std::uint32_t modemStatus,
                                       std::int64_t timestamp) {
    std::lock_guard lock(mutex_);
    Apply(lines_[path], {modemStatus, timestamp});
}

void FakeSerialBackend::SetModemStatusBeforeNextWait(const std::string& path,
                                                     std::uint32_t modemStatus,
                                                     std::int64_t timestamp) {
    std::lock_guard lock(mutex_);
    lines_[path].beforeNextWait = Change{modemStatus, timestamp};
}

void FakeSerialBackend::SetModemStatusAsWaitBegins(const std::string& path,
                                                   std::uint32_t modemStatus,
                                                   std::int64_t timestamp) {
    std::lock_guard lock(mutex_);
    lines_[path].asWaitBegins = Change{modemStatus, timestamp};
}

void FakeSerialBackend::SendText(const std::string& path, const std::string& text,
                                 std::int64_t timestamp) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.text += text;
    line.clock = timestamp;
    changed_.notify_all();
}

void FakeSerialBackend::SetLatencyTimer(const std::string& path, int ms) {
    std::lock_guard lock(mutex_);
    lines_[path].latencyTimerMs = ms;
}

int FakeSerialBackend::LatencyTimerMs(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(path);
    return it == lines_.end() ? 0 : it->second.latencyTimerMs;
}

bool FakeSerialBackend::IsOpen(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(path);
    return it != lines_.end() && it->second.open != nullptr;
}

int FakeSerialBackend::OpenCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(path);
    return it == lines_.end() ? 0 : it->second.openCount;
}

LineSettings FakeSerialBackend::Settings(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(path);
    return it == lines_.end() ? LineSettings{} : it->second.settings;
}

void FakeSerialBackend::WaitUntilWatched(const std::string& path) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        const auto it = lines_.find(path);
        return it != lines_.end() && it->second.open != nullptr && it->second.open->watching_ &&
               it->second.open->watchedFrom_ == it->second.changes;
    });
}

std::unique_ptr<ISerialDevice> FakeSerialBackend::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    Line* line = &lines_[path];
    for (auto& [otherPath, other] : lines_) {
        if (!path.empty() && other.present && other.stableName == path) {
            line = &other;
        }
    }
    const auto fail = [](int error) { throw std::system_error(error, std::system_category()); };
    if (!line->present) {
        fail(ENOENT);
    }
    if (line->failure == Failure::Handle) {
        fail(line->errorNumber);
    }
    if (line->open != nullptr) {
        fail(EBUSY);
    }
    auto device = std::make_unique<Device>(*this, *line);
    line->open = device.get();
    ++line->openCount;
    return device;
}

std::vector<SerialPort> FakeSerialBackend::ListPorts() {
    std::lock_guard lock(mutex_);
    std::vector<SerialPort> ports;
    for (const auto& [path, line] : lines_) {
        if (!line.present) {
            continue;
        }
        int number = 0;
        for (int n = 1; n <= 64; ++n) {
            if (ComPortDevicePath(n) == path) {
                number = n;
            }
        }
        ports.push_back({number, path, line.product, line.stableName});
    }
    return ports;
}
