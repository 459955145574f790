#include "serial/LineReader.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "serial/GuardedPost.h"
#include "serial/SerialDevice.h"

// The reader thread: waits for bytes, cuts them into lines and queues them for the user-interface
// thread, with at most one posted closure at a time.
class LineReader::Thread {
public:
    Thread(LineReader& reader, ISerialDevice& device)
        : reader_(reader),
          device_(device),
          post_(reader.post_),
          token_(reader.generation_),
          generation_(*reader.generation_),
          thread_([this] { Run(); }) {}

    ~Thread() {
        device_.Interrupt();
        thread_.join();
    }

private:
    struct Pending {
        std::mutex mutex;
        std::vector<ReceivedLine> lines;
        std::uint32_t lost = 0;
        bool posted = false;
    };

    void Run() {
        char bytes[512];
        for (;;) {
            const WaitResult result = device_.WaitForInput();
            if (result == WaitResult::Interrupted) {
                return;
            }
            const std::ptrdiff_t count =
                result == WaitResult::Lost ? -1 : device_.ReadBytes(bytes, sizeof bytes);
            if (count < 0) {
                Post([](LineReader& reader, std::uint64_t generation) { reader.Lost(generation); });
                return;
            }
            const std::int64_t stamp = device_.Now();
            for (std::ptrdiff_t i = 0; i < count; ++i) {
                Take(bytes[i], stamp);
            }
        }
    }

    void Take(char byte, std::int64_t stamp) {
        if (byte == '\r' || byte == '\n') {
            if (!line_.Text.empty()) {
                HandOver();
            }
            return;
        }
        if (line_.Text.empty()) {
            line_.Timestamp = stamp;
        }
        if (line_.Text.size() < MaxLineBytes) {
            line_.Text += byte;
        } else {
            line_.Overlong = true;
        }
    }

    void HandOver() {
        bool post = false;
        {
            std::lock_guard lock(pending_->mutex);
            if (pending_->lines.size() < MaxPendingLines) {
                line_.Lost = std::exchange(pending_->lost, 0);
                pending_->lines.push_back(std::move(line_));
            } else {
                ++pending_->lost;
            }
            post = !std::exchange(pending_->posted, true);
        }
        line_ = {};
        if (post) {
            Post([pending = pending_](LineReader& reader, std::uint64_t generation) {
                std::vector<ReceivedLine> lines;
                {
                    std::lock_guard lock(pending->mutex);
                    lines.swap(pending->lines);
                    pending->posted = false;
                }
                for (const ReceivedLine& line : lines) {
                    if (*reader.generation_ != generation || !reader.OnLine) {
                        return;
                    }
                    reader.OnLine(line);
                }
            });
        }
    }

    template <typename Action>
    void Post(Action action) {
        PostWhileCurrent(post_, &reader_, token_, generation_, std::move(action));
    }

    LineReader& reader_;
    ISerialDevice& device_;
    const UiPost post_;
    const std::weak_ptr<std::uint64_t> token_;
    const std::uint64_t generation_;
    const std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
    ReceivedLine line_;  // reader thread only
    std::thread thread_;
};

LineReader::LineReader(ISerialBackend& backend, UiPost post)
    : backend_(backend), post_(std::move(post)), generation_(std::make_shared<std::uint64_t>(0)) {}

LineReader::~LineReader() {
    Close();
}

void LineReader::Open(const std::string& path, std::uint32_t speed) {
    Close();
    std::unique_ptr<ISerialDevice> device;
    try {
        device = backend_.Open(path);
    } catch (const std::system_error& error) {
        throw OpenFailure(0, path, error);
    }
    try {
        LineSettings settings;
        settings.Speed = speed;
        device->Configure(settings);
    } catch (const std::system_error& error) {
        throw SetupFailure(0, path, error);
    }
    device_ = std::move(device);
    path_ = path;
    ++*generation_;
    thread_ = std::make_unique<Thread>(*this, *device_);
}

void LineReader::Close() {
    deviceLost_ = false;
    ++*generation_;
    thread_.reset();
    device_.reset();
}

void LineReader::Lost(std::uint64_t generation) {
    if (*generation_ != generation) {
        return;
    }
    Close();
    deviceLost_ = true;
    if (OnLost) {
        OnLost();
    }
}
