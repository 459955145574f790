#include "serial/LinuxSerialBackend.h"

// termios2 (any line speed) comes from the kernel headers; glibc's <termios.h> must not be mixed
// in.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "clock/MonotonicClock.h"
#include "serial/PortDiscovery.h"

namespace {

// Interrupts a TIOCMIWAIT of the watcher thread; its handler is installed without SA_RESTART.
constexpr int WakeSignal = SIGUSR2;

void OnWakeSignal(int) {}

// How long a wake-up signal may take to end a TIOCMIWAIT before it is sent again: it is lost
// when it lands just before the watcher enters the wait.
constexpr std::chrono::milliseconds WakeAgain{1};

[[noreturn]] void RaiseSystemError(int error) {
    throw std::system_error(error, std::system_category());
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

// An eventfd that stays readable once signalled: every later wait on it ends at once.
class StopFd {
public:
    StopFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (fd_.Get() < 0) {
            RaiseSystemError(errno);
        }
    }
    void Signal() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd_.Get(), &one, sizeof one);
    }
    int Get() const { return fd_.Get(); }

private:
    UniqueFd fd_;
};

bool IsUnsupported(int error) {
    return error == EINVAL || error == ENOTTY || error == ENOSYS || error == EOPNOTSUPP;
}

// The bytes waiting on a non-blocking descriptor: 0 when none, -1 when it has gone away.
std::ptrdiff_t ReadWaiting(int fd, char* bytes, std::size_t size) {
    const ssize_t count = ::read(fd, bytes, size);
    if (count > 0) {
        return count;
    }
    return count < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

// Waits until fd is readable (Changed), stop is signalled (Interrupted) or fd hangs up (Lost).
WaitResult WaitReadable(int stop, int fd) {
    for (;;) {
        pollfd fds[2] = {{stop, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WaitResult::Lost;
        }
        if (fds[0].revents != 0) {
            return WaitResult::Interrupted;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return WaitResult::Changed;
        }
        if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return WaitResult::Lost;
        }
    }
}

std::uint32_t ToModemStatus(int lines) {
    return ((lines & TIOCM_CTS) != 0 ? ModemCtsOn : 0) |
           ((lines & TIOCM_DSR) != 0 ? ModemDsrOn : 0) |
           ((lines & TIOCM_RNG) != 0 ? ModemRingOn : 0) |
           ((lines & TIOCM_CD) != 0 ? ModemRlsdOn : 0);
}

void RequestLowLatency(int fd) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
}

class TtyDevice : public ISerialDevice {
public:
    explicit TtyDevice(UniqueFd fd) : fd_(std::move(fd)) {
        int lines = 0;
        // A pseudo-terminal has no modem lines; it is only watched for hang-up.
        hasModemLines_ = ::ioctl(fd_.Get(), TIOCMGET, &lines) == 0 || !IsUnsupported(errno);
        useModemWait_ = hasModemLines_;
    }

    void Configure(const LineSettings& settings) override {
        termios2 tio{};
        if (::ioctl(fd_.Get(), TCGETS2, &tio) != 0) {
            RaiseSystemError(errno);
        }
        // Raw mode: no input or output processing, reads return at once.
        tio.c_iflag = settings.FlowControl == fcXonXoff ? (IXON | IXOFF) : 0;
        tio.c_oflag = 0;
        tio.c_lflag = 0;
        tio.c_cflag = BOTHER | TerminalControlFlags(settings);
        tio.c_ispeed = settings.Speed;
        tio.c_ospeed = settings.Speed;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
        if (::ioctl(fd_.Get(), TCSETS2, &tio) != 0) {
            RaiseSystemError(errno);
        }
        if (hasModemLines_) {
            // RTS stays on (the kernel raises it at open): the light barrier feeds it back to CTS.
            const int dtr = TIOCM_DTR;
            if (::ioctl(fd_.Get(), settings.EnableDTR ? TIOCMBIS : TIOCMBIC, &dtr) != 0) {
                RaiseSystemError(errno);
            }
        }
    }

    std::uint32_t ReadModemStatus() override {
        int lines = 0;
        return hasModemLines_ && ::ioctl(fd_.Get(), TIOCMGET, &lines) == 0 ? ToModemStatus(lines)
                                                                           : 0;
    }

    int ReadInQueue() override {
        int count = 0;
        return ::ioctl(fd_.Get(), TIOCINQ, &count) == 0 ? count : 0;
    }

    std::int64_t Now() override { return MonotonicRawNow(); }

    // The lines and the driver's CTS count at one moment: the count is read before and after the
    // lines and must not have moved in between.
    bool ReadLines(LineReading& reading) override {
        if (!hasModemLines_) {
            reading = {};
            return true;
        }
        for (int attempt = 0;; ++attempt) {
            serial_icounter_struct before{};
            serial_icounter_struct after{};
            const bool counted = ::ioctl(fd_.Get(), TIOCGICOUNT, &before) == 0;
            int lines = 0;
            if (::ioctl(fd_.Get(), TIOCMGET, &lines) != 0) {
                return false;
            }
            reading.ModemStatus = ToModemStatus(lines);
            reading.CtsCount = counted ? static_cast<std::uint32_t>(before.cts) : 0;
            const bool steady = !counted || (::ioctl(fd_.Get(), TIOCGICOUNT, &after) == 0 &&
                                             after.cts == before.cts);
            if (steady || attempt == 3) {
                return true;
            }
        }
    }

    WaitResult WaitForChange(const LineReading& seen) override {
        return useModemWait_ ? WaitForModemInterrupt(seen) : WaitForTick();
    }

    // TIOCMIWAIT wakes when one of the driver's modem-line counts moves; they are compared with
    // the counts taken before the wait's last look at the lines, which the wait's own entry
    // cannot have missed.
    void Reconcile() override {
        std::unique_lock lock(mutex_);
        if (!inModemWait_) {
            return;
        }
        const std::uint64_t wait = waits_;
        bool moved = false;
        if (entryCounts_) {
            serial_icounter_struct now{};
            moved =
                ::ioctl(fd_.Get(), TIOCGICOUNT, &now) != 0 || !SameLineCounts(now, *entryCounts_);
        } else {
            const LineReading seen = waitSeen_;
            lock.unlock();
            LineReading now;
            moved = !ReadLines(now) || now.ModemStatus != seen.ModemStatus;
            lock.lock();
        }
        if (moved) {
            WakeWaiter(lock, [&] { return waits_ == wait; });
        }
    }

    void Interrupt() override {
        stopFd_.Signal();
        std::unique_lock lock(mutex_);
        stopping_ = true;
        WakeWaiter(lock, [] { return true; });
    }

    std::ptrdiff_t ReadBytes(char* bytes, std::size_t size) override {
        return ReadWaiting(fd_.Get(), bytes, size);
    }

    WaitResult WaitForInput() override { return WaitReadable(stopFd_.Get(), fd_.Get()); }

private:
    static bool SameLineCounts(const serial_icounter_struct& a, const serial_icounter_struct& b) {
        return a.cts == b.cts && a.dsr == b.dsr && a.rng == b.rng && a.dcd == b.dcd;
    }

    // Signals the watcher until it has left its modem wait, while still() holds; with mutex_
    // held. The signal can land just before the watcher enters TIOCMIWAIT; then it is sent
    // again.
    template <typename Still>
    void WakeWaiter(std::unique_lock<std::mutex>& lock, Still still) {
        while (inModemWait_ && still()) {
            ::pthread_kill(waiter_, WakeSignal);
            leftModemWait_.wait_for(lock, WakeAgain);
        }
    }

    // Changed = the lines may have moved. Watcher thread only.
    WaitResult WaitForModemInterrupt(const LineReading& seen) {
        sigset_t wake;
        sigemptyset(&wake);
        sigaddset(&wake, WakeSignal);
        pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return WaitResult::Interrupted;
            }
            inModemWait_ = true;
            ++waits_;
            waiter_ = ::pthread_self();
            waitSeen_ = seen;
            serial_icounter_struct counts{};
            entryCounts_.reset();
            if (::ioctl(fd_.Get(), TIOCGICOUNT, &counts) == 0) {
                entryCounts_ = counts;
            }
        }
        // TIOCMIWAIT counts from the moment it begins: a change since the caller's reading (the
        // watcher may have been preempted in between) is handed back now. What is left is the
        // few microseconds of the call's own entry, which Reconcile covers.
        LineReading now;
        const bool moved =
            !ReadLines(now) || now.ModemStatus != seen.ModemStatus || now.CtsCount != seen.CtsCount;
        const int result =
            moved ? 0
                  : ::ioctl(fd_.Get(), TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD);
        const int error = errno;
        {
            std::lock_guard lock(mutex_);
            inModemWait_ = false;
            leftModemWait_.notify_all();
            if (stopping_) {
                return WaitResult::Interrupted;
            }
        }
        if (result == 0 || error == EINTR) {
            return WaitResult::Changed;
        }
        if (IsUnsupported(error)) {
            useModemWait_ = false;  // e.g. cp210x: poll the lines instead
            return WaitResult::Changed;
        }
        return WaitResult::Lost;
    }

    // Changed = time to look at the lines again (every millisecond); without modem lines only
    // stop or hang-up end the wait. Watcher thread only.
    WaitResult WaitForTick() {
        const timespec tick{0, 1'000'000};
        for (;;) {
            pollfd fds[2] = {{stopFd_.Get(), POLLIN, 0}, {fd_.Get(), 0, 0}};
            if (::ppoll(fds, 2, hasModemLines_ ? &tick : nullptr, nullptr) < 0 && errno != EINTR) {
                return WaitResult::Lost;
            }
            if (fds[0].revents != 0) {
                return WaitResult::Interrupted;
            }
            if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                return WaitResult::Lost;
            }
            if (hasModemLines_) {
                return WaitResult::Changed;
            }
        }
    }

    UniqueFd fd_;
    StopFd stopFd_;
    bool hasModemLines_ = false;
    bool useModemWait_ = false;  // watcher thread only after open
    std::mutex mutex_;
    std::condition_variable leftModemWait_;
    // Guarded by mutex_: the modem wait under way, the reading it was given and the driver's
    // counts before its last look (none where the driver does not count).
    bool stopping_ = false;
    bool inModemWait_ = false;
    std::uint64_t waits_ = 0;
    pthread_t waiter_{};
    LineReading waitSeen_;
    std::optional<serial_icounter_struct> entryCounts_;
};

// The simulated light barrier: '1' = CTS on, '0' = CTS off, other bytes ignored; or, read as text,
// a simulated timer line.
class FifoDevice : public ISerialDevice {
public:
    explicit FifoDevice(UniqueFd fd) : fd_(std::move(fd)) {}

    void Configure(const LineSettings&) override {}

    std::uint32_t ReadModemStatus() override { return status_; }

    int ReadInQueue() override { return 0; }

    std::int64_t Now() override { return MonotonicRawNow(); }

    // Takes every byte written so far; each '1' or '0' that changes the level counts as a change.
    bool ReadLines(LineReading& reading) override {
        char bytes[4096];
        ssize_t count = 0;
        while ((count = ::read(fd_.Get(), bytes, sizeof bytes)) > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                const std::uint32_t level = bytes[i] == '1'   ? ModemCtsOn
                                            : bytes[i] == '0' ? 0
                                                              : status_.load();
                if (level != status_) {
                    status_ = level;
                    ++changes_;
                }
            }
        }
        reading = {status_.load(), changes_};
        return count == 0 || errno == EAGAIN;
    }

    // Bytes written since the last reading keep the FIFO readable, so none waits unseen.
    void Reconcile() override {}

    WaitResult WaitForChange(const LineReading&) override { return WaitForInput(); }

    void Interrupt() override { stopFd_.Signal(); }

    // A simulated timer line: the bytes written to the FIFO are the timer's text.
    std::ptrdiff_t ReadBytes(char* bytes, std::size_t size) override {
        return ReadWaiting(fd_.Get(), bytes, size);
    }

    // The FIFO is open for writing here too, so it never hangs up.
    WaitResult WaitForInput() override { return WaitReadable(stopFd_.Get(), fd_.Get()); }

private:
    UniqueFd fd_;
    StopFd stopFd_;
    std::atomic<std::uint32_t> status_ = 0;
    std::uint32_t changes_ = 0;  // watcher thread only after open
};

tcflag_t DataBitsFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

tcflag_t ParityFlags(TParity parity) {
    switch (parity) {
        case prOdd:
            return PARENB | PARODD;
        case prEven:
            return PARENB;
        case prMark:
            return PARENB | CMSPAR | PARODD;
        case prSpace:
            return PARENB | CMSPAR;
        case prNone:
            break;
    }
    return 0;
}

}  // namespace

std::uint32_t TerminalControlFlags(const LineSettings& settings) {
    return CREAD | CLOCAL | HUPCL | DataBitsFlag(settings.DataBits) | ParityFlags(settings.Parity) |
           (settings.StopBits == sbOneStopBit ? 0 : CSTOPB) |
           (settings.FlowControl == fcRtsCts ? CRTSCTS : 0);
}

LinuxSerialBackend::LinuxSerialBackend(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = OnWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the signal must end a blocked TIOCMIWAIT
        ::sigaction(WakeSignal, &action, nullptr);
    });
}

std::unique_ptr<ISerialDevice> LinuxSerialBackend::Open(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        RaiseSystemError(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        RaiseSystemError(errno);
    }
    const bool fifo = S_ISFIFO(info.st_mode);
    if (!fifo && !::isatty(fd.Get())) {
        RaiseSystemError(ENOTTY);
    }
    if (!fifo && ::ioctl(fd.Get(), TIOCEXCL) != 0) {
        RaiseSystemError(errno);
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        RaiseSystemError(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (fifo) {
        return std::make_unique<FifoDevice>(std::move(fd));
    }
    RequestLowLatency(fd.Get());
    return std::make_unique<TtyDevice>(std::move(fd));
}

std::vector<SerialPort> LinuxSerialBackend::ListPorts() {
    return FindSerialPorts(sysRoot_, devRoot_);
}

int LinuxSerialBackend::LatencyTimerMs(const std::string& path) {
    return ReadLatencyTimerMs(sysRoot_, path);
}
