#include "serial/Comms.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "serial/SerialDevice.h"

void RaiseComHandle(int errorNumber) {
    throw EComHandle("Unable to open com port: " + std::system_category().message(errorNumber));
}

void RaiseComState(int errorNumber) {
    throw EComState("Unable to set com state: " + std::system_category().message(errorNumber));
}

std::uint32_t LineSpeed(TBaudRate rate, std::int32_t userRate) {
    static constexpr std::array<std::uint32_t, brUser> speeds{110,   300,   600,    1200,   2400,
                                                              4800,  9600,  14400,  19200,  38400,
                                                              56000, 57600, 115200, 128000, 256000};
    return rate == brUser ? static_cast<std::uint32_t>(userRate) : speeds.at(rate);
}

std::string ComPortDevicePath(int port) {
    if (port >= 1 && port <= 32) {
        return "/dev/ttyS" + std::to_string(port - 1);
    }
    if (port >= 33 && port <= 64) {
        return "/dev/ttyUSB" + std::to_string(port - 33);
    }
    return {};
}

namespace {

// Events raised by a change of each modem line.
constexpr std::array<std::pair<std::uint32_t, TEvent>, 4> LineEvents{{
    {ModemCtsOn, evCTS},
    {ModemDsrOn, evDSR},
    {ModemRingOn, evRing},
    {ModemRlsdOn, evRLSD},
}};

}  // namespace

// The watcher thread: waits for line changes and posts each one to the UI thread.
class TComThread {
public:
    TComThread(TComPort& port, ISerialDevice& device, std::uint32_t modemStatus)
        : port_(port),
          device_(device),
          post_(port.post_),
          events_(port.Events),
          token_(port.generation_),
          generation_(*port.generation_),
          lastStatus_(modemStatus),
          thread_([this] { Run(); }) {}

    // Stops the watcher and waits for it, whatever it is doing; the watcher never blocks on the
    // UI thread, so this cannot deadlock.
    ~TComThread() {
        device_.Interrupt();
        thread_.join();
    }

private:
    void Run() {
        std::vector<ModemChange> changes;
        for (;;) {
            changes.clear();
            const WaitResult result = device_.WaitForChanges(changes);
            if (result == WaitResult::Interrupted) {
                return;
            }
            for (const ModemChange& change : changes) {
                PostChange(change);
            }
            if (result == WaitResult::Lost) {
                Post([](TComPort& port, std::uint64_t) { port.Shutdown(true); });
                return;
            }
        }
    }

    void PostChange(const ModemChange& change) {
        const std::uint32_t changed = lastStatus_ ^ change.ModemStatus;
        lastStatus_ = change.ModemStatus;
        std::uint32_t mask = 0;
        for (const auto& [line, event] : LineEvents) {
            if ((changed & line) != 0 && events_.Contains(event)) {
                mask |= EventBit(event);
            }
        }
        if (mask != 0) {
            const ComEvent event{mask, change.ModemStatus, change.Timestamp};
            Post([event](TComPort& port, std::uint64_t generation) {
                port.Dispatch(event, generation);
            });
        }
    }

    // Runs action on the UI thread unless the port has been closed, reopened or destroyed since.
    template <typename Action>
    void Post(Action action) {
        post_([port = &port_, token = token_, generation = generation_, action] {
            const auto current = token.lock();
            if (current && *current == generation) {
                action(*port, generation);
            }
        });
    }

    // Taken on the UI thread when the port opens; the watcher reads nothing else of the port.
    TComPort& port_;
    ISerialDevice& device_;
    const UiPost post_;
    const TEvents events_;
    const std::weak_ptr<std::uint64_t> token_;
    const std::uint64_t generation_;
    std::uint32_t lastStatus_;  // watcher thread only
    std::thread thread_;
};

TComPort::TComPort(ISerialBackend& backend, UiPost post)
    : backend_(backend), post_(std::move(post)), generation_(std::make_shared<std::uint64_t>(0)) {}

TComPort::~TComPort() {
    Close();
}

void TComPort::SetDataBits(int value) {
    dataBits_ = std::clamp(value, 5, 8);
}

LineSettings TComPort::CurrentLineSettings() const {
    return LineSettings{
        LineSpeed(BaudRate, BaudRateUser), dataBits_, Parity, StopBits, FlowControl, EnableDTR};
}

void TComPort::Open() {
    Shutdown(false);  // keeps DeviceLost when the reopen fails
    const std::string path = DevicePath.empty() ? ComPortDevicePath(Port) : DevicePath;
    if (path.empty()) {
        throw EComHandle("Unable to open com port: no device for COM" + std::to_string(Port));
    }
    std::unique_ptr<ISerialDevice> device = backend_.Open(path);
    device->Configure(CurrentLineSettings());
    const std::uint32_t status = device->ReadModemStatus();
    device_ = std::move(device);
    ++*generation_;
    watchThread_ = std::make_unique<TComThread>(*this, *device_, status);
    connected_ = true;
    deviceLost_ = false;
    if (OnOpen) {
        OnOpen(*this);
    }
}

void TComPort::Close() {
    deviceLost_ = false;
    Shutdown(false);
}

void TComPort::Shutdown(bool deviceLost) {
    if (!connected_) {
        return;
    }
    ++*generation_;
    watchThread_.reset();
    device_.reset();
    connected_ = false;
    deviceLost_ = deviceLost;
    if (OnClose) {
        OnClose(*this);
    }
}

std::uint32_t TComPort::ReadModemStatus() {
    return device_ ? device_->ReadModemStatus() : 0;
}

int TComPort::ReadInQueue() {
    return device_ ? device_->ReadInQueue() : 0;
}

void TComPort::Dispatch(const ComEvent& event, std::uint64_t generation) {
    currentEvent_ = event;
    // A callback may close or reopen the port; the rest of the batch then belongs to the old one.
    const auto stillOpen = [&] { return *generation_ == generation; };
    const auto call = [&](TEvent e, const std::function<void(TComPort&)>& callback) {
        if ((event.EventMask & EventBit(e)) != 0 && callback && stillOpen()) {
            callback(*this);
        }
    };
    if ((event.EventMask & EventBit(evRxChar)) != 0 && OnRxChar) {
        OnRxChar(*this, ReadInQueue());
    }
    call(evTxEmpty, OnTxEmpty);
    call(evBreak, OnBreak);
    call(evRing, OnRing);
    call(evCTS, OnCTS);
    call(evDSR, OnDSR);
    call(evRxFlag, OnRxFlag);
    call(evRLSD, OnRLSD);
    call(evError, OnError);
}
