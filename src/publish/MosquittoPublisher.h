#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "publish/BrokerFeed.h"

struct mosquitto;

// How patient the publisher is with its broker. The defaults are for the arena; tests shrink them.
struct BrokerTiming {
    // A connection whose broker has not accepted it this long after it was begun counts as a
    // host that does not answer.
    int connectTimeoutMs = 5000;
    // The wait before the next try doubles after each failed one, from the first to the last.
    int retryFirstMs = 500;
    int retryLastMs = 5000;
    int keepAliveSeconds = 10;
    // At Stop, how long "offline" may take to reach the broker.
    int goodbyeMs = 1000;
};

// The publisher over libmosquitto. The connection, its retries and every send run on a thread of
// its own; Publish only renders the messages and leaves them for that thread. While the broker is
// away only the latest message of each topic is kept, and all of them are sent again whenever a
// connection is made, so a broker that was restarted and lost its retained messages has them back.
class MosquittoPublisher : public IBrokerPublisher {
public:
    explicit MosquittoPublisher(const BrokerTiming& timing = {});
    MosquittoPublisher(const MosquittoPublisher&) = delete;
    MosquittoPublisher& operator=(const MosquittoPublisher&) = delete;
    ~MosquittoPublisher() override;

    void Start(const BrokerSettings& settings) override;
    void Stop() override;
    bool Running() const override { return worker_.joinable(); }
    void Publish(const BrokerSnapshot& snapshot) override;
    BrokerStatus Status() const override;

    // Messages handed to the broker since Start, for the benchmark.
    std::uint64_t SentCount() const;

private:
    // The connection's thread.
    void Run();
    // How one connection ended.
    enum class Ending {
        Failed,   // not accepted: the state says why
        Lost,     // it was up, then the broker went away
        Moved,    // another show: the last will names the show, so a new connection
        Stopped,  // Stop
    };
    // One connection from its start to its end.
    Ending Connect(mosquitto* client, const std::string& base);
    // Hands every unsent message to the broker; false when the connection is gone. A message
    // the library refuses (a topic or size MQTT does not allow) is named in the status.
    bool SendUnsent(mosquitto* client);
    void SetState(BrokerState state, std::string message = {});
    // Waits for the retry or Stop; true on Stop.
    bool WaitForRetry(int ms);

    const BrokerTiming timing_;
    BrokerSettings settings_;
    std::thread worker_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    BrokerStatus status_;
    // The topics' base of the latest snapshot: "PREFIX/SHOW/ARENA"; empty until the first.
    std::string base_;
    // The latest message of each topic, and the topics whose latest has not been handed over.
    std::map<std::string, std::string> latest_;
    std::set<std::string> unsent_;
    std::uint64_t sent_ = 0;
    // The wall clock less the program's clock, taken once at Start so that an unchanged clock
    // renders the same message.
    std::int64_t wallOffsetMs_ = 0;

    // The connection's thread only: the broker's answer to the connection (-1 while none), and
    // the topics whose latest message the library refused, with why.
    int connack_ = -1;
    std::map<std::string, std::string> refused_;
};
