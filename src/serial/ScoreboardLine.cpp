#include "serial/ScoreboardLine.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"

namespace {

using Clock = std::chrono::steady_clock;

// Bytes the driver still holds for the wire; 0 where it does not say (a FIFO).
int QueuedBytes(int fd) {
    int queued = 0;
    return ::ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

// A write to a FIFO nobody reads raises SIGPIPE; on this thread it is blocked and taken back, so
// the write fails with EPIPE instead of ending the program.
void BlockBrokenPipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

void TakeBrokenPipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    const timespec none{0, 0};
    while (::sigtimedwait(&pipe, nullptr, &none) == SIGPIPE) {
    }
}

}  // namespace

class ScoreboardLine::Writer {
public:
    Writer(ScoreboardTarget target, std::chrono::milliseconds retry,
           std::chrono::milliseconds repeat, const std::optional<ScoreboardFrame>& first)
        : target_(std::move(target)),
          retry_(retry),
          repeat_(repeat),
          wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (wake_ < 0) {
            throw std::system_error(errno, std::system_category());
        }
        if (first) {
            slot_ = new ScoreboardFrame(*first);
        }
        thread_ = std::thread([this] { Run(); });
    }

    ~Writer() {
        stopping_ = true;
        Wake();
        thread_.join();
        delete slot_.exchange(nullptr);
        ::close(wake_);
    }

    void Hand(const ScoreboardFrame& frame) {
        delete slot_.exchange(new ScoreboardFrame(frame));
        Wake();
    }

    ScoreboardState State() const {
        std::lock_guard lock(stateMutex_);
        return state_;
    }

private:
    void Wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    }

    void SetState(ScoreboardState::Kind kind, std::string text) {
        std::lock_guard lock(stateMutex_);
        state_ = {kind, std::move(text)};
    }

    // The first path that opens (into opened), configured as the target says; -1 (and why, in
    // the state) when none does.
    int OpenBoard(std::string& opened) {
        std::string failure;
        bool missingOnly = true;
        for (const std::string& path : target_.Paths) {
            int fd = -1;
            try {
                fd = OpenTerminal(path, O_WRONLY);
                if (!IsFifo(fd)) {
                    ConfigureTerminal(
                        fd, LineSettings{target_.Baud, 8, prNone, sbOneStopBit, fcNone, true});
                    // Whatever an earlier program left queued is no time of this run.
                    ::tcflush(fd, TCOFLUSH);
                }
                SetState(ScoreboardState::Kind::Open, path);
                opened = path;
                return fd;
            } catch (const std::system_error& error) {
                const bool configuring = fd >= 0;
                if (configuring) {
                    ::close(fd);
                }
                const EComHandle open = OpenFailure(target_.Port, path, error);
                const bool missing = !configuring && open.Reason() == ComFailure::Missing;
                // The reason that says most: one other than a missing device, else the last.
                if (missingOnly || !missing) {
                    failure = configuring
                                  ? std::string(SetupFailure(target_.Port, path, error).what())
                                  : std::string(open.what());
                    missingOnly = missingOnly && missing;
                }
            }
        }
        SetState(ScoreboardState::Kind::Failed, failure);
        return -1;
    }

    // Waits for a frame, the stop, the descriptor (events) or the timeout; false when the
    // descriptor hung up or failed.
    bool Wait(int fd, short events, std::optional<Clock::duration> timeout) {
        pollfd fds[2] = {{wake_, POLLIN, 0}, {fd, events, 0}};
        timespec limit{};
        if (timeout) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::max(*timeout, Clock::duration::zero()));
            limit.tv_sec = static_cast<time_t>(ns.count() / 1'000'000'000);
            limit.tv_nsec = static_cast<long>(ns.count() % 1'000'000'000);
        }
        if (::ppoll(fds, fd >= 0 ? 2 : 1, timeout ? &limit : nullptr, nullptr) < 0) {
            return true;  // EINTR: look again
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
        }
        return fd < 0 || (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
    }

    void Run() {
        BlockBrokenPipe();
        int fd = -1;
        std::string path;
        std::string line;      // the line being written
        std::size_t sent = 0;  // of it
        std::string last;      // the last line written whole
        Clock::time_point nextLine = Clock::now();
        Clock::time_point lastSent = nextLine;
        Clock::time_point retryAt = nextLine;
        const auto lost = [&](int error) {
            ::close(fd);
            fd = -1;
            TakeBrokenPipe();
            SetState(ScoreboardState::Kind::Failed, "Anschluss " + PortLabel(target_.Port, path) +
                                                        " getrennt: " + std::strerror(error));
            retryAt = Clock::now() + retry_;
        };
        while (!stopping_) {
            const Clock::time_point now = Clock::now();
            if (fd < 0) {
                if (now < retryAt) {
                    Wait(-1, 0, retryAt - now);
                    continue;
                }
                fd = OpenBoard(path);
                if (fd < 0) {
                    retryAt = now + retry_;
                    continue;
                }
                // A new connection starts clean, with the newest frame or the last line.
                line.clear();
                sent = 0;
                nextLine = now;
                lastSent = now - repeat_;
            }
            if (sent == 0) {
                if (ScoreboardFrame* frame = slot_.exchange(nullptr)) {
                    line = target_.Format(*frame);
                    delete frame;
                } else if (line.empty() && !last.empty() && now - lastSent >= repeat_) {
                    line = last;
                }
            }
            short events = 0;
            std::optional<Clock::duration> timeout;
            if (line.empty()) {
                if (!last.empty()) {
                    timeout = lastSent + repeat_ - now;
                }
            } else if (sent == 0 && now < nextLine) {
                timeout = nextLine - now;
            } else if (const int queued = sent == 0 ? QueuedBytes(fd) : 0; queued > 0) {
                timeout = std::max<Clock::duration>(
                    LineDuration(static_cast<std::size_t>(queued), target_.Baud),
                    std::chrono::milliseconds(1));
            } else {
                const ssize_t written = ::write(fd, line.data() + sent, line.size() - sent);
                if (written > 0) {
                    sent += static_cast<std::size_t>(written);
                    if (sent == line.size()) {
                        last = std::move(line);
                        line.clear();
                        sent = 0;
                        lastSent = now;
                        nextLine = now + LineDuration(last.size(), target_.Baud);
                    }
                    continue;
                }
                if (written < 0 && errno != EAGAIN && errno != EINTR) {
                    lost(errno);
                    continue;
                }
                events = POLLOUT;  // the board does not take more now
            }
            if (!Wait(fd, events, timeout)) {
                lost(EIO);
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
        TakeBrokenPipe();
    }

    const ScoreboardTarget target_;
    const std::chrono::milliseconds retry_;
    const std::chrono::milliseconds repeat_;
    // The newest frame not yet taken by the writer; the UI thread replaces it.
    std::atomic<ScoreboardFrame*> slot_{nullptr};
    std::atomic<bool> stopping_{false};
    const int wake_;
    mutable std::mutex stateMutex_;
    ScoreboardState state_{ScoreboardState::Kind::Opening, {}};
    std::thread thread_;
};

ScoreboardLine::ScoreboardLine(std::chrono::milliseconds retry, std::chrono::milliseconds repeat)
    : retry_(retry), repeat_(repeat) {}

ScoreboardLine::~ScoreboardLine() = default;

void ScoreboardLine::Connect(const ScoreboardTarget& target) {
    writer_.reset();
    if (!target.Paths.empty()) {
        writer_ = std::make_unique<Writer>(target, retry_, repeat_, last_);
    }
}

void ScoreboardLine::Show(const ScoreboardFrame& frame) {
    last_ = frame;
    if (writer_) {
        writer_->Hand(frame);
    }
}

ScoreboardState ScoreboardLine::State() const {
    return writer_ ? writer_->State() : ScoreboardState{};
}
