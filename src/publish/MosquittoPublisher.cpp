#include "publish/MosquittoPublisher.h"

#include <mosquitto.h>

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
    const auto deadline = Clock::now() + std::chrono::milliseconds(timing_.connectTimeoutMs);
    while (rc == MOSQ_ERR_SUCCESS && connack_ < 0 && Clock::now() < deadline && !stopped) {
        rc = mosquitto_loop(client, 50, 1);
        std::lock_guard lock(mutex_);
        stopped = stop_;
    }
    if (connack_ != 0) {
        mosquitto_disconnect(client);
        if (stopped) {
            return Ending::Stopped;
        }
        BrokerState state = BrokerState::Unreachable;
        if (connack_ > 0) {
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
    Send(client, statusTopic, BrokerOnline);
    {
        // A broker that was away may have lost every retained message: all of them again.
        std::lock_guard lock(mutex_);
        for (const auto& entry : latest_) {
            unsent_.insert(entry.first);
        }
    }
    bool moved = false;
    while (!stopped && !moved) {
        if (!SendUnsent(client) || mosquitto_loop(client, LoopWaitMs, 1) != MOSQ_ERR_SUCCESS) {
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
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (Send(client, batch[i].first, batch[i].second) != MOSQ_ERR_SUCCESS) {
            // Kept for the next connection, unless a newer one came meanwhile (it is unsent too).
            std::lock_guard lock(mutex_);
            for (std::size_t j = i; j < batch.size(); ++j) {
                unsent_.insert(batch[j].first);
            }
            return false;
        }
    }
    std::lock_guard lock(mutex_);
    sent_ += batch.size();
    return true;
}
