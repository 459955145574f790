#include "publish/MosquittoPublisher.h"

#include <linux/tcp.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <utility>
#include <vector>

#include "clock/MonotonicClock.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int QosAtLeastOnce = 1;
// How long one turn of the connection's loop waits for the socket: also the longest a new
// message waits before it is sent.
constexpr int LoopWaitMs = 5;

// What a broker may send this publisher, which subscribes to nothing: the answer to the
// connection, an acknowledgement of each message and one of each keep-alive, with room for TLS.
constexpr std::uint64_t ReceiveAllowanceBytes = std::uint64_t{1} << 20;
constexpr std::uint64_t ReceivePerAnswerBytes = 256;  // per message sent and second connected

// Watches what the broker sends on one connection. libmosquitto takes a packet of any size MQTT
// allows (256 MB) into memory as it comes, and reads on for as long as data keeps coming; so the
// watch runs beside it, woken by every arrival, and shuts the connection the moment the broker
// has sent more than the allowance.
class InboundGuard {
public:
    // After the connection was begun: it watches libmosquitto's socket through a descriptor of
    // its own.
    explicit InboundGuard(mosquitto* client)
        : socket_(mosquitto_socket(client) < 0 ? -1 : ::dup(mosquitto_socket(client))),
          wake_(::eventfd(0, EFD_CLOEXEC)) {
        if (socket_ >= 0 && wake_ >= 0) {
            watch_ = std::thread([this] { Watch(); });
        }
    }
    InboundGuard(const InboundGuard&) = delete;
    InboundGuard& operator=(const InboundGuard&) = delete;
    ~InboundGuard() {
        if (watch_.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
            watch_.join();
        }
        for (const int fd : {socket_, wake_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    // Messages handed to the broker: each may be acknowledged.
    void Answered(std::uint64_t messages) { answers_ += messages; }
    // The connection was shut because the broker sent too much.
    bool Flooded() const { return flooded_; }

private:
    void Watch() {
        const int events = ::epoll_create1(EPOLL_CLOEXEC);
        epoll_event arrival{EPOLLIN | EPOLLRDHUP | EPOLLET, {.fd = socket_}};
        epoll_event wake{EPOLLIN, {.fd = wake_}};
        if (events < 0 || ::epoll_ctl(events, EPOLL_CTL_ADD, socket_, &arrival) != 0 ||
            ::epoll_ctl(events, EPOLL_CTL_ADD, wake_, &wake) != 0) {
            ::close(events);
            return;
        }
        for (;;) {
            epoll_event event{};
            const int ready = ::epoll_wait(events, &event, 1, -1);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0 || event.data.fd == wake_) {
                break;
            }
            const auto seconds =
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - begun_).count();
            const std::uint64_t allowed =
                ReceiveAllowanceBytes +
                ReceivePerAnswerBytes * (answers_ + static_cast<std::uint64_t>(seconds));
            if (Received() > allowed) {
                flooded_ = true;
                ::shutdown(socket_, SHUT_RDWR);
                break;
            }
        }
        ::close(events);
    }

    std::uint64_t Received() const {
        tcp_info info{};
        socklen_t length = sizeof info;
        if (::getsockopt(socket_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
            length < offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received) {
            return 0;
        }
        return info.tcpi_bytes_received;
    }

    const int socket_;
    const int wake_;
    const Clock::time_point begun_ = Clock::now();
    std::atomic<std::uint64_t> answers_{0};
    std::atomic<bool> flooded_{false};
    std::thread watch_;
};

// Why the library refused one message while the connection stands; nothing for any other
// failure (the connection is gone).
const char* RefusalOf(int rc) {
    switch (rc) {
        case MOSQ_ERR_PAYLOAD_SIZE:
        case MOSQ_ERR_OVERSIZE_PACKET:
            return "zu groß";
        case MOSQ_ERR_INVAL:
        case MOSQ_ERR_MALFORMED_UTF8:
            return "Thema ungültig";
        default:
            return nullptr;
    }
}

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

int Send(mosquitto* client, const std::string& topic, std::string_view payload) {
    return mosquitto_publish(client, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), QosAtLeastOnce, true);
}

}  // namespace

MosquittoPublisher::MosquittoPublisher(const BrokerTiming& timing) : timing_(timing) {
    InitLibrary();
}

MosquittoPublisher::~MosquittoPublisher() {
    Stop();
}

void MosquittoPublisher::Start(const BrokerSettings& settings) {
    Stop();
    settings_ = settings;
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        status_ = {BrokerState::Connecting, {}};
        // Known with the first snapshot: the show's name is in the last will.
        base_.clear();
        latest_.clear();
        unsent_.clear();
        sent_ = 0;
    }
    wallOffsetMs_ = WallClockOffsetMs();
    worker_ = std::thread([this] { Run(); });
}

void MosquittoPublisher::Stop() {
    if (!worker_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
    std::lock_guard lock(mutex_);
    status_ = {};
}

void MosquittoPublisher::Publish(const BrokerSnapshot& snapshot) {
    if (!Running()) {
        return;
    }
    const std::string base = TopicBase(settings_.Prefix, snapshot.Show, settings_.Arena);
    std::vector<BrokerMessage> messages = BrokerMessages(snapshot, base, wallOffsetMs_);
    std::unique_lock lock(mutex_);
    if (base != base_) {
        // Another show (or the first snapshot): what was kept for the last one has been said.
        base_ = base;
        latest_.clear();
        unsent_.clear();
        lock.unlock();
        wake_.notify_all();
        lock.lock();
    }
    for (BrokerMessage& message : messages) {
        std::string& kept = latest_[message.Topic];
        if (kept != message.Payload) {
            kept = std::move(message.Payload);
            unsent_.insert(message.Topic);
        }
    }
}

BrokerStatus MosquittoPublisher::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

std::uint64_t MosquittoPublisher::SentCount() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void MosquittoPublisher::SetState(BrokerState state, std::string message) {
    std::lock_guard lock(mutex_);
    status_ = {state, std::move(message)};
}

bool MosquittoPublisher::WaitForRetry(int ms) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
}

void MosquittoPublisher::Run() {
    mosquitto* client = mosquitto_new(nullptr, true, this);
    if (client == nullptr) {
        SetState(BrokerState::Unreachable, "MQTT: kein Speicher für die Verbindung");
        return;
    }
    mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int rc) {
        static_cast<MosquittoPublisher*>(self)->connack_ = rc;
    });
    const std::string away = BrokerStateText(BrokerState::Away, settings_.Host, settings_.Port);
    int retryMs = timing_.retryFirstMs;
    bool everConnected = false;
    for (;;) {
        std::string base;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !base_.empty(); });
            if (stop_) {
                break;
            }
            base = base_;
        }
        const Ending ending = Connect(client, base);
        if (ending == Ending::Stopped) {
            break;
        }
        if (ending == Ending::Moved) {
            continue;
        }
        if (ending == Ending::Lost) {
            everConnected = true;
            retryMs = timing_.retryFirstMs;
            SetState(BrokerState::Away, away);
        } else if (everConnected && Status().State == BrokerState::Unreachable) {
            // Gone after it had been there: still the one message that it is away.
            SetState(BrokerState::Away, away);
        }
        if (WaitForRetry(retryMs)) {
            break;
        }
        retryMs = std::min(retryMs * 2, timing_.retryLastMs);
    }
    mosquitto_destroy(client);
}

MosquittoPublisher::Ending MosquittoPublisher::Connect(mosquitto* client, const std::string& base) {
    const std::string statusTopic = base + "/status";
    mosquitto_will_set(client, statusTopic.c_str(), static_cast<int>(BrokerOffline.size()),
                       BrokerOffline.data(), QosAtLeastOnce, true);
    mosquitto_username_pw_set(client, settings_.User.empty() ? nullptr : settings_.User.c_str(),
                              settings_.Password.empty() ? nullptr : settings_.Password.c_str());
    if (settings_.Tls) {
        // Without a CA file the system's certificates are trusted.
        const int rc =
            settings_.CaFile.empty()
                ? mosquitto_tls_set(client, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(client, settings_.CaFile.c_str(), nullptr, nullptr, nullptr,
                                    nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            SetState(BrokerState::TlsFailed,
                     "MQTT: CA-Datei nicht lesbar (F2): " + settings_.CaFile);
            return Ending::Failed;
        }
    }
    connack_ = -1;
    bool stopped = false;
    int rc = mosquitto_connect_async(client, settings_.Host.c_str(), settings_.Port,
                                     timing_.keepAliveSeconds);
    InboundGuard guard(client);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timing_.connectTimeoutMs);
    bool flooded = false;
    while (rc == MOSQ_ERR_SUCCESS && connack_ < 0 && Clock::now() < deadline && !stopped &&
           !flooded) {
        rc = mosquitto_loop(client, 50, 1);
        flooded = guard.Flooded();
        std::lock_guard lock(mutex_);
        stopped = stop_;
    }
    if (connack_ != 0 || flooded) {
        mosquitto_disconnect(client);
        if (stopped) {
            return Ending::Stopped;
        }
        BrokerState state = BrokerState::Unreachable;
        if (flooded) {
            state = BrokerState::Flooding;
        } else if (connack_ > 0) {
            state = BrokerState::Refused;
        } else if (settings_.Tls &&
                   (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_PROTOCOL)) {
            // The handshake failed before the broker said anything.
            state = BrokerState::TlsFailed;
        }
        SetState(state, BrokerStateText(state, settings_.Host, settings_.Port));
        return Ending::Failed;
    }

    SetState(BrokerState::Connected);
    refused_.clear();
    Send(client, statusTopic, BrokerOnline);
    std::uint64_t answered = SentCount();
    {
        // A broker that was away may have lost every retained message: all of them again.
        std::lock_guard lock(mutex_);
        for (const auto& entry : latest_) {
            unsent_.insert(entry.first);
        }
    }
    bool moved = false;
    while (!stopped && !moved) {
        const bool handed = SendUnsent(client);
        const int looped = handed ? mosquitto_loop(client, LoopWaitMs, 1) : MOSQ_ERR_CONN_LOST;
        guard.Answered(SentCount() - answered);
        answered = SentCount();
        if (guard.Flooded()) {
            mosquitto_disconnect(client);
            SetState(BrokerState::Flooding,
                     BrokerStateText(BrokerState::Flooding, settings_.Host, settings_.Port));
            return Ending::Failed;
        }
        if (looped != MOSQ_ERR_SUCCESS) {
            mosquitto_disconnect(client);
            return Ending::Lost;
        }
        std::lock_guard lock(mutex_);
        stopped = stop_;
        moved = base_ != base;
    }
    // Leaves in good order: "offline" retained, and the broker has a moment to take it.
    Send(client, statusTopic, BrokerOffline);
    const auto until = Clock::now() + std::chrono::milliseconds(timing_.goodbyeMs);
    while (mosquitto_want_write(client) && Clock::now() < until &&
           mosquitto_loop(client, 50, 1) == MOSQ_ERR_SUCCESS) {
    }
    mosquitto_disconnect(client);
    mosquitto_loop(client, 50, 1);
    return stopped ? Ending::Stopped : Ending::Moved;
}

bool MosquittoPublisher::SendUnsent(mosquitto* client) {
    std::vector<std::pair<std::string, std::string>> batch;
    {
        std::lock_guard lock(mutex_);
        for (const std::string& topic : unsent_) {
            batch.emplace_back(topic, latest_[topic]);
        }
        unsent_.clear();
    }
    if (batch.empty()) {
        return true;
    }
    std::uint64_t handed = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const int rc = Send(client, batch[i].first, batch[i].second);
        if (rc == MOSQ_ERR_SUCCESS) {
            refused_.erase(batch[i].first);
            ++handed;
        } else if (const char* refusal = RefusalOf(rc)) {
            // The broker would never take it: said, and not tried again until it changes.
            refused_[batch[i].first] = refusal;
        } else {
            // Kept for the next connection, unless a newer one came meanwhile (it is unsent too).
            std::lock_guard lock(mutex_);
            for (std::size_t j = i; j < batch.size(); ++j) {
                unsent_.insert(batch[j].first);
            }
            sent_ += handed;
            return false;
        }
    }
    std::string message;
    if (!refused_.empty()) {
        // The first refused topic names them all; the operator sees the rest on the broker.
        std::string topic = refused_.begin()->first;
        if (topic.size() > 80) {
            topic = topic.substr(0, 80) + "…";
        }
        message = "MQTT: nicht gesendet (" + refused_.begin()->second + "): " + topic;
        if (refused_.size() > 1) {
            message += " und " + std::to_string(refused_.size() - 1) + " weitere";
        }
    }
    std::lock_guard lock(mutex_);
    sent_ += handed;
    status_.Message = std::move(message);
    return true;
}
