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
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "serial/MonotonicClock.h"

namespace {

// Interrupts a TIOCMIWAIT of the watcher thread; its handler is installed without SA_RESTART.
constexpr int WakeSignal = SIGUSR2;

void OnWakeSignal(int) {}

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
            RaiseComHandle(errno);
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
        if (hasModemLines_) {
            ReadLines(lastStatus_, lastCts_);
        }
    }

    void Configure(const LineSettings& settings) override {
        termios2 tio{};
        if (::ioctl(fd_.Get(), TCGETS2, &tio) != 0) {
            RaiseComState(errno);
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
            RaiseComState(errno);
        }
        if (hasModemLines_) {
            // RTS stays on (the kernel raises it at open): the light barrier feeds it back to CTS.
            const int dtr = TIOCM_DTR;
            if (::ioctl(fd_.Get(), settings.EnableDTR ? TIOCMBIS : TIOCMBIC, &dtr) != 0) {
                RaiseComState(errno);
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

    WaitResult WaitForChanges(std::vector<ModemChange>& changes) override {
        for (;;) {
            const WaitResult woken = useModemWait_ ? WaitForModemInterrupt() : WaitForTick();
            if (woken != WaitResult::Changed) {
                return woken;
            }
            const std::int64_t now = MonotonicRawNow();
            std::uint32_t status = 0;
            std::uint32_t cts = 0;
            if (!ReadLines(status, cts)) {
                return WaitResult::Lost;
            }
            AppendModemChanges(lastStatus_, status, cts - lastCts_, now, changes);
            lastStatus_ = status;
            lastCts_ = cts;
            if (!changes.empty()) {
                return WaitResult::Changed;
            }
        }
    }

    void Interrupt() override {
        stopFd_.Signal();
        std::unique_lock lock(mutex_);
        stopping_ = true;
        // The signal can land just before the watcher enters TIOCMIWAIT; then it is sent again.
        while (inModemWait_) {
            ::pthread_kill(waiter_, WakeSignal);
            leftModemWait_.wait_for(lock, std::chrono::milliseconds(5));
        }
    }

private:
    // Reads the lines and the driver's CTS edge count (0 where it does not count) at one moment:
    // the count is read before and after the lines and must not have moved in between.
    bool ReadLines(std::uint32_t& status, std::uint32_t& cts) {
        for (int attempt = 0;; ++attempt) {
            serial_icounter_struct before{};
            serial_icounter_struct after{};
            const bool counted = ::ioctl(fd_.Get(), TIOCGICOUNT, &before) == 0;
            int lines = 0;
            if (::ioctl(fd_.Get(), TIOCMGET, &lines) != 0) {
                return false;
            }
            status = ToModemStatus(lines);
            cts = counted ? static_cast<std::uint32_t>(before.cts) : 0;
            const bool steady = !counted || (::ioctl(fd_.Get(), TIOCGICOUNT, &after) == 0 &&
                                             after.cts == before.cts);
            if (steady || attempt == 3) {
                return true;
            }
        }
    }

    // Changed = the lines may have moved. Watcher thread only.
    WaitResult WaitForModemInterrupt() {
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
            waiter_ = ::pthread_self();
        }
        const int result =
            ::ioctl(fd_.Get(), TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD);
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

    // Changed = time to look at the lines again; without modem lines only stop or hang-up end
    // the wait. Watcher thread only.
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
    bool useModemWait_ = false;     // watcher thread only after open
    std::uint32_t lastStatus_ = 0;  // watcher thread only after open
    std::uint32_t lastCts_ = 0;     // watcher thread only after open
    std::mutex mutex_;
    std::condition_variable leftModemWait_;
    bool stopping_ = false;
    bool inModemWait_ = false;
    pthread_t waiter_{};
};

// The simulated light barrier: '1' = CTS on, '0' = CTS off, other bytes ignored.
class FifoDevice : public ISerialDevice {
public:
    explicit FifoDevice(UniqueFd fd) : fd_(std::move(fd)) {}

    void Configure(const LineSettings&) override {}

    std::uint32_t ReadModemStatus() override { return status_; }

    int ReadInQueue() override {
        int count = 0;
        return ::ioctl(fd_.Get(), FIONREAD, &count) == 0 ? count : 0;
    }

    WaitResult WaitForChanges(std::vector<ModemChange>& changes) override {
        for (;;) {
            pollfd fds[2] = {{stopFd_.Get(), POLLIN, 0}, {fd_.Get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return WaitResult::Lost;
            }
            if (fds[0].revents != 0) {
                return WaitResult::Interrupted;
            }
            if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) {
                return WaitResult::Lost;
            }
            const std::int64_t now = MonotonicRawNow();
            char bytes[64];
            const ssize_t count = ::read(fd_.Get(), bytes, sizeof bytes);
            for (ssize_t i = 0; i < count; ++i) {
                if (bytes[i] == '1' || bytes[i] == '0') {
                    status_ = bytes[i] == '1' ? ModemCtsOn : 0;
                    changes.push_back({status_, now});
                }
            }
            if (!changes.empty()) {
                return WaitResult::Changed;
            }
        }
    }

    void Interrupt() override { stopFd_.Signal(); }

private:
    UniqueFd fd_;
    StopFd stopFd_;
    std::atomic<std::uint32_t> status_ = 0;
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

void AppendModemChanges(std::uint32_t previous, std::uint32_t current, std::uint32_t ctsTransitions,
                        std::int64_t timestamp, std::vector<ModemChange>& changes) {
    const bool ctsMoved = ((previous ^ current) & ModemCtsOn) != 0;
    std::uint32_t edges = ctsTransitions;
    if ((edges % 2 == 1) != ctsMoved) {
        ++edges;  // the level moved once more than counted (or the driver does not count)
    }
    std::uint32_t status = previous;
    for (std::uint32_t i = 1; i < edges; ++i) {
        status ^= ModemCtsOn;
        changes.push_back({status, timestamp});
    }
    if (edges > 0 || current != previous) {
        changes.push_back({current, timestamp});
    }
}

LinuxSerialBackend::LinuxSerialBackend() {
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
        RaiseComHandle(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        RaiseComHandle(errno);
    }
    const bool fifo = S_ISFIFO(info.st_mode);
    if (!fifo && !::isatty(fd.Get())) {
        RaiseComHandle(ENOTTY);
    }
    if (!fifo && ::ioctl(fd.Get(), TIOCEXCL) != 0) {
        RaiseComHandle(errno);
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        RaiseComHandle(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (fifo) {
        return std::make_unique<FifoDevice>(std::move(fd));
    }
    RequestLowLatency(fd.Get());
    return std::make_unique<TtyDevice>(std::move(fd));
}

bool LinuxSerialBackend::Probe(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    return fd.Get() >= 0 && ::fstat(fd.Get(), &info) == 0 && S_ISCHR(info.st_mode);
}
