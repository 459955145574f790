#include "serial/FakeSerialBackend.h"

#include <cerrno>
#include <utility>
#include <vector>

class FakeSerialBackend::Device : public ISerialDevice {
public:
    Device(FakeSerialBackend& backend, std::string path)
        : backend_(backend), path_(std::move(path)) {}

    ~Device() override {
        std::lock_guard lock(backend_.mutex_);
        backend_.lines_[path_].open = nullptr;
    }

    void Configure(const LineSettings& settings) override {
        std::lock_guard lock(backend_.mutex_);
        Line& line = backend_.lines_[path_];
        if (line.failure == Failure::State) {
            RaiseComState(line.errorNumber);
        }
        line.settings = settings;
    }

    std::uint32_t ReadModemStatus() override {
        std::lock_guard lock(backend_.mutex_);
        return backend_.lines_[path_].modemStatus;
    }

    int ReadInQueue() override { return 0; }

    WaitResult WaitForChanges(std::vector<ModemChange>& changes) override {
        std::unique_lock lock(backend_.mutex_);
        watching_ = true;
        backend_.changed_.notify_all();
        backend_.changed_.wait(lock, [&] { return interrupted_ || lost_ || !pending_.empty(); });
        watching_ = false;
        changes.insert(changes.end(), pending_.begin(), pending_.end());
        pending_.clear();
        if (interrupted_) {
            return WaitResult::Interrupted;
        }
        return lost_ ? WaitResult::Lost : WaitResult::Changed;
    }

    void Interrupt() override {
        std::lock_guard lock(backend_.mutex_);
        interrupted_ = true;
        backend_.changed_.notify_all();
    }

private:
    friend class FakeSerialBackend;
    // All guarded by the backend's mutex.
    FakeSerialBackend& backend_;
    const std::string path_;
    std::vector<ModemChange> pending_;
    bool interrupted_ = false;
    bool lost_ = false;
    bool watching_ = false;
};

void FakeSerialBackend::AddDevice(const std::string& path, std::uint32_t modemStatus,
                                  bool characterDevice) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.present = true;
    line.characterDevice = characterDevice;
    line.modemStatus = modemStatus;
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

void FakeSerialBackend::SetModemStatus(const std::string& path, std::uint32_t modemStatus,
                                       std::int64_t timestamp) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    line.modemStatus = modemStatus;
    if (line.open != nullptr) {
        line.open->pending_.push_back({modemStatus, timestamp});
        changed_.notify_all();
    }
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
        return it != lines_.end() && it->second.open != nullptr && it->second.open->watching_;
    });
}

std::unique_ptr<ISerialDevice> FakeSerialBackend::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    Line& line = lines_[path];
    if (!line.present) {
        RaiseComHandle(ENOENT);
    }
    if (line.failure == Failure::Handle) {
        RaiseComHandle(line.errorNumber);
    }
    if (line.open != nullptr) {
        RaiseComHandle(EBUSY);
    }
    if (!line.characterDevice) {
        RaiseComHandle(ENOTTY);
    }
    auto device = std::make_unique<Device>(*this, path);
    line.open = device.get();
    ++line.openCount;
    return device;
}

bool FakeSerialBackend::Probe(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(path);
    return it != lines_.end() && it->second.present && it->second.characterDevice &&
           it->second.failure != Failure::Handle && it->second.open == nullptr;
}
