#include "serial/Comms.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "serial/GuardedPost.h"
#include "serial/SerialDevice.h"

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

// Batches waiting for the UI thread. Up to SoftPendingEvents every change waits on its own. Beyond
// that a crossing (changes closer than CrossingGap to the one before) keeps its first two changes
// with their own stamps, whichever polarity triggers, and counts the rest into a third batch; up to
// MaxPendingEvents, beyond which everything is counted into the last batch. So a stalled UI thread
// never costs the first edge of a crossing, and a chattering contact cannot grow memory or the UI
// thread's queue.
constexpr std::size_t SoftPendingEvents = 16;
constexpr std::size_t MaxPendingEvents = 256;
constexpr std::uint32_t OwnChangesPerCrossing = 2;
constexpr std::int64_t CrossingGap = 100'000'000;  // 100 ms in MonotonicRawNow ticks

// How the watcher pauses while the UI thread is behind a flood, or after this many looks in a row
// found changes: it never spins at real-time priority (RealtimeKit would end the program for it),
// and changes meanwhile are still counted.
constexpr std::chrono::milliseconds FloodPause{1};
constexpr int MaxLooksWithoutWait = 100;

// When a wait is reconciled (ISerialDevice::Reconcile): a millisecond after it began, which bounds
// how late a change landing as the wait begins is stamped; then twice as long each time, for a
// wait whose entry took longer (a USB adapter asked for its lines), up to every 100 ms.
constexpr std::chrono::milliseconds FirstReconcile{1};
constexpr std::chrono::milliseconds LongestReconcile{100};

// RealtimeKit grants real-time priority only to processes that bound a real-time thread's CPU
// time without sleeping (its default limit).
constexpr rlim_t RealtimeKitCpuLimitUs = 200'000;

ComFailure FailureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:  // a ttyS node without a UART behind it
            return ComFailure::Missing;
        case EACCES:
        case EPERM:
            return ComFailure::NoPermission;
        case EBUSY:
            return ComFailure::Busy;
        default:
            return ComFailure::Other;
    }
}

bool IsRealtimePolicy(int policy) {
    policy &= ~SCHED_RESET_ON_FORK;
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

}  // namespace

ThreadScheduler SystemScheduler() {
    return {[](std::uint64_t tid, int priority) {
                sched_param param{};
                param.sched_priority = priority;
                // Reset on fork: a program started from here never inherits the priority.
                return ::sched_setscheduler(static_cast<pid_t>(tid),
                                            SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
            },
            [](std::uint64_t tid) {
                return IsRealtimePolicy(::sched_getscheduler(static_cast<pid_t>(tid)));
            }};
}

std::string SchedulingText(std::uint64_t tid) {
    const int policy = ::sched_getscheduler(static_cast<pid_t>(tid));
    sched_param param{};
    if (!IsRealtimePolicy(policy) || ::sched_getparam(static_cast<pid_t>(tid), &param) != 0) {
        return "normal";
    }
    return ((policy & ~SCHED_RESET_ON_FORK) == SCHED_RR ? "RR " : "FIFO ") +
           std::to_string(param.sched_priority);
}

void AppendModemChanges(std::uint32_t previous, std::uint32_t current, std::uint32_t ctsChanges,
                        std::int64_t timestamp, std::vector<ModemChange>& changes) {
    const bool ctsMoved = ((previous ^ current) & ModemCtsOn) != 0;
    std::uint32_t count = ctsChanges;
    if ((count % 2 == 1) != ctsMoved) {
        ++count;  // the level moved once more than counted (or the driver does not count)
    }
    if (count >= 2) {
        changes.push_back({previous ^ ModemCtsOn, timestamp, 1});
        changes.push_back({current, timestamp, count - 1});
    } else if (count == 1 || current != previous) {
        changes.push_back({current, timestamp, 1});
    }
}

// The watcher thread: looks at the line whenever it may have changed and hands what it finds to
// the UI thread, at most one posted closure at a time. A second thread reconciles each of its
// waits shortly after it began.
class TComThread {
public:
    TComThread(TComPort& port, ISerialDevice& device, LineReading reading)
        : port_(port),
          device_(device),
          post_(port.post_),
          events_(port.Events),
          token_(port.generation_),
          generation_(*port.generation_),
          last_(reading),
          delivered_(reading.ModemStatus),
          thread_([this] { Run(); }),
          reconciler_([this] { Reconcile(); }) {}

    // Stops the watcher and waits for it, whatever it is doing; the watcher never blocks on the
    // UI thread, so this cannot deadlock.
    ~TComThread() {
        {
            std::lock_guard lock(wait_.mutex);
            stopping_ = true;
        }
        wait_.changed.notify_all();
        device_.Interrupt();
        thread_.join();
        reconciler_.join();
    }

    // The kernel's id of the watcher thread.
    pid_t Tid() { return tid_.get_future().get(); }

private:
    struct Pending {
        std::mutex mutex;
        std::vector<ComEvent> events;
        bool posted = false;
    };

    // The watcher's wait as the reconciler sees it.
    struct Wait {
        std::mutex mutex;
        std::condition_variable changed;
        bool waiting = false;
        std::uint64_t number = 0;  // counts the waits begun
        std::chrono::steady_clock::time_point began;
    };

    void Run() {
        tid_.set_value(::gettid());
        int looksWithoutWait = 0;
        while (!stopping_) {
            const std::optional<bool> found = Look();
            if (!found) {
                break;
            }
            if (*found) {
                if (++looksWithoutWait == MaxLooksWithoutWait) {
                    std::this_thread::sleep_for(FloodPause);
                    looksWithoutWait = 0;
                }
                continue;  // look again right before waiting: a change meanwhile goes out now
            }
            looksWithoutWait = 0;
            BeginWait();
            const WaitResult result = device_.WaitForChange(last_);
            {
                std::lock_guard lock(wait_.mutex);
                wait_.waiting = false;
            }
            if (result == WaitResult::Interrupted) {
                return;
            }
            if (result == WaitResult::Lost) {
                Look();  // what changed before the device went is still delivered
                break;
            }
        }
        if (!stopping_) {
            Post([](TComPort& port, std::uint64_t) { port.Shutdown(true); });
        }
    }

    // Tells the reconciler that a wait begins now.
    void BeginWait() {
        {
            std::lock_guard lock(wait_.mutex);
            wait_.waiting = true;
            ++wait_.number;
            wait_.began = std::chrono::steady_clock::now();
        }
        wait_.changed.notify_one();
    }

    // The reconciler thread: reconciles each wait a millisecond after it began, and again and
    // again while it lasts. The watcher never waits for it longer than for the wait's mutex.
    void Reconcile() {
        std::unique_lock lock(wait_.mutex);
        std::uint64_t wait = 0;
        std::chrono::milliseconds delay{0};
        std::chrono::steady_clock::time_point due;
        while (!stopping_) {
            if (!wait_.waiting) {
                wait_.changed.wait(lock, [&] { return stopping_ || wait_.waiting; });
                continue;
            }
            if (wait_.number != wait) {
                wait = wait_.number;
                delay = FirstReconcile;
                due = wait_.began + delay;
            }
            // Stopped, or the next wait begun: that one is due first.
            if (wait_.changed.wait_until(lock, due,
                                         [&] { return stopping_ || wait_.number != wait; }) ||
                !wait_.waiting) {
                continue;
            }
            lock.unlock();
            device_.Reconcile();
            lock.lock();
            delay = std::min(delay * 2, LongestReconcile);
            due = std::chrono::steady_clock::now() + delay;
        }
    }

    // Hands over what changed since the last look; true when something did, nothing when the
    // device has gone away.
    std::optional<bool> Look() {
        const std::int64_t stamp = device_.Now();
        LineReading now;
        if (!device_.ReadLines(now)) {
            return std::nullopt;
        }
        changes_.clear();
        AppendModemChanges(last_.ModemStatus, now.ModemStatus, now.CtsCount - last_.CtsCount, stamp,
                           changes_);
        last_ = now;
        bool flooded = false;
        for (const ModemChange& change : changes_) {
            flooded = HandOver(change) || flooded;
        }
        if (flooded) {
            std::this_thread::sleep_for(FloodPause);
        }
        return !changes_.empty();
    }

    // Queues the change for the UI thread; true when it had to be counted into the last batch.
    bool HandOver(const ModemChange& change) {
        // A count above one is CTS moving more often than its level shows.
        const std::uint32_t changed =
            (delivered_ ^ change.ModemStatus) | (change.Count > 1 ? ModemCtsOn : 0);
        delivered_ = change.ModemStatus;
        std::uint32_t mask = 0;
        for (const auto& [line, event] : LineEvents) {
            if ((changed & line) != 0 && events_.Contains(event)) {
                mask |= EventBit(event);
            }
        }
        if (mask == 0) {
            return false;
        }
        if (changesInCrossing_ == 0 || change.Timestamp - lastChange_ > CrossingGap) {
            changesInCrossing_ = 0;
        }
        lastChange_ = change.Timestamp;
        ++changesInCrossing_;
        bool merged = false;
        bool post = false;
        {
            std::lock_guard lock(pending_->mutex);
            std::vector<ComEvent>& events = pending_->events;
            const bool own = events.size() < SoftPendingEvents ||
                             (events.size() < MaxPendingEvents &&
                              changesInCrossing_ <= OwnChangesPerCrossing + 1);
            if (own) {
                events.push_back({mask, change.ModemStatus, change.Timestamp, change.Count});
            } else {
                events.back().EventMask |= mask;
                events.back().ModemStatus = change.ModemStatus;
                events.back().Count += change.Count;
                merged = true;
            }
            post = !std::exchange(pending_->posted, true);
        }
        if (post) {
            Post([pending = pending_](TComPort& port, std::uint64_t generation) {
                std::vector<ComEvent> events;
                {
                    std::lock_guard lock(pending->mutex);
                    events.swap(pending->events);
                    pending->posted = false;
                }
                for (const ComEvent& event : events) {
                    port.Dispatch(event, generation);
                }
            });
        }
        return merged;
    }

    // Runs action on the UI thread unless the port has been closed, reopened or destroyed since.
    template <typename Action>
    void Post(Action action) {
        PostWhileCurrent(post_, &port_, token_, generation_, std::move(action));
    }

    // Taken on the UI thread when the port opens; the watcher reads nothing else of the port.
    TComPort& port_;
    ISerialDevice& device_;
    const UiPost post_;
    const TEvents events_;
    const std::weak_ptr<std::uint64_t> token_;
    const std::uint64_t generation_;
    const std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
    std::vector<ModemChange> changes_;     // watcher thread only
    LineReading last_;                     // watcher thread only
    std::uint32_t delivered_;              // watcher thread only
    std::int64_t lastChange_ = 0;          // watcher thread only
    std::uint32_t changesInCrossing_ = 0;  // watcher thread only
    std::atomic<bool> stopping_ = false;
    Wait wait_;
    std::promise<pid_t> tid_;
    std::thread thread_;
    std::thread reconciler_;
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

namespace {

// How the operator knows the device: "COM5 (/dev/ttyS4)", or its path when it has no number.
std::string PortLabel(int port, const std::string& path) {
    return port != 0 && path == ComPortDevicePath(port)
               ? "COM" + std::to_string(port) + " (" + path + ")"
               : path;
}

}  // namespace

EComHandle OpenFailure(int port, const std::string& path, const std::system_error& error) {
    const ComFailure reason = FailureOf(error.code().value());
    const std::string label = PortLabel(port, path);
    switch (reason) {
        case ComFailure::Missing:
            return {"Anschluss " + label + " ist nicht vorhanden", reason};
        case ComFailure::NoPermission:
            return {"Keine Berechtigung für " + path +
                        ": Benutzer zur Gruppe dialout hinzufügen (sudo usermod -aG dialout $USER, "
                        "dann neu anmelden)",
                    reason};
        case ComFailure::Busy:
            return {"Anschluss " + label + " wird schon von einem anderen Programm benutzt",
                    reason};
        case ComFailure::Other:
            break;
    }
    return {"Anschluss " + label + " lässt sich nicht öffnen: " + error.code().message(), reason};
}

EComState SetupFailure(int port, const std::string& path, const std::system_error& error) {
    return EComState("Anschluss " + PortLabel(port, path) +
                     " lässt sich nicht einstellen: " + error.code().message());
}

std::unique_ptr<ISerialDevice> TComPort::OpenDevice(std::string& path) {
    const std::string portPath = ComPortDevicePath(Port);
    path = !DevicePath.empty() ? DevicePath : !PortName.empty() ? PortName : portPath;
    if (path.empty()) {
        throw EComHandle("Anschluss COM" + std::to_string(Port) + " ist nicht vorhanden",
                         ComFailure::Missing);
    }
    try {
        return backend_.Open(path);
    } catch (const std::system_error& error) {
        const bool fallBack = DevicePath.empty() && path == PortName && !portPath.empty() &&
                              FailureOf(error.code().value()) == ComFailure::Missing;
        if (!fallBack) {
            throw OpenFailure(Port, path, error);
        }
    }
    // The adapter's stable name is gone: the port number is what is left.
    path = portPath;
    try {
        return backend_.Open(path);
    } catch (const std::system_error& error) {
        throw OpenFailure(Port, path, error);
    }
}

void TComPort::Open() {
    Shutdown(false);  // keeps DeviceLost when the reopen fails
    std::string path;
    std::unique_ptr<ISerialDevice> device = OpenDevice(path);
    LineReading reading;
    try {
        device->Configure(CurrentLineSettings());
        if (!device->ReadLines(reading)) {
            throw std::system_error(EIO, std::system_category());
        }
    } catch (const std::system_error& error) {
        throw SetupFailure(Port, path, error);
    }
    device_ = std::move(device);
    openPath_ = path;
    ++*generation_;
    edgeCount_ = 0;
    lineStatus_ = reading.ModemStatus;
    watchThread_ = std::make_unique<TComThread>(*this, *device_, reading);
    watcherTid_ = static_cast<std::uint64_t>(watchThread_->Tid());
    RaisePriority();
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
    priority_ = WatcherPriority::Normal;
    shortfall_ = PriorityShortfall::None;
    watcherTid_ = 0;
    openPath_.clear();
    deviceLost_ = deviceLost;
    if (OnClose) {
        OnClose(*this);
    }
}

void TComPort::RaisePriority() {
    priority_ = WatcherPriority::Normal;
    shortfall_ = PriorityShortfall::None;
    if (Scheduler.SetRealtime && Scheduler.SetRealtime(watcherTid_, WatcherRealtimePriority)) {
        priority_ = WatcherPriority::RealTime;
        return;
    }
    if (!RequestRealtime) {
        shortfall_ = PriorityShortfall::NotAsked;
        return;
    }
    // RealtimeKit grants real-time priority only to a process that bounds a real-time thread's
    // CPU time without sleeping.
    rlimit limit{};
    ::getrlimit(RLIMIT_RTTIME, &limit);
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > RealtimeKitCpuLimitUs) {
        limit.rlim_max = RealtimeKitCpuLimitUs;
    }
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_RTTIME, &limit);
    switch (RequestRealtime(watcherTid_, WatcherRealtimePriority)) {
        case RealtimeAnswer::Granted:
            priority_ = WatcherPriority::RealtimeKit;
            break;
        case RealtimeAnswer::NoService:
            shortfall_ = PriorityShortfall::NoService;
            break;
        case RealtimeAnswer::Refused:
            shortfall_ = PriorityShortfall::Refused;
            break;
    }
}

bool TComPort::CheckPriority() {
    if (!connected_ || priority_ == WatcherPriority::Normal || !Scheduler.IsRealtime ||
        Scheduler.IsRealtime(watcherTid_)) {
        return false;
    }
    RaisePriority();
    if (priority_ == WatcherPriority::Normal) {
        shortfall_ = PriorityShortfall::Demoted;
    }
    return true;
}

std::uint32_t TComPort::ReadModemStatus() {
    return device_ ? device_->ReadModemStatus() : 0;
}

int TComPort::ReadInQueue() {
    return device_ ? device_->ReadInQueue() : 0;
}

void TComPort::Dispatch(const ComEvent& event, std::uint64_t generation) {
    // A callback may close or reopen the port; the rest then belongs to the old one.
    const auto stillOpen = [&] { return *generation_ == generation; };
    if (!stillOpen()) {
        return;
    }
    currentEvent_ = event;
    edgeCount_ += event.Count;
    lineStatus_ = event.ModemStatus;
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
