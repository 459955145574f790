#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/Settings.h"
#include "core/Host.h"
#include "core/Show.h"
#include "files/LiveResults.h"
#include "publish/BrokerFeed.h"

// Publishing: the live results server and the broker publisher each get an immutable snapshot
// after a change (never per clock tick) and serve or send it from their own thread.
class Publication {
public:
    Publication(ILiveResults& live, IBrokerPublisher* broker, IOperator& op)
        : live_(live), broker_(broker), operator_(op) {}

    bool Running() const { return live_.Running() || BrokerRunning(); }
    // Hands the snapshot made now to whoever runs; makes none when nobody does.
    void Publish(const std::function<LiveSnapshot()>& make, const std::string& showName);
    // Starts, restarts or stops the live results as the settings say; a port that cannot be
    // used is told to the operator.
    void ApplyLiveSettings(const Settings& settings);
    // The same for the broker publisher; its state reaches the status bar through Poll.
    void ApplyBrokerSettings(const Settings& settings, const std::function<LiveSnapshot()>& make,
                             const std::string& showName);
    // Every second: the live server hears that the program still works, and the broker's
    // trouble is told once until it is over: true when the message changed.
    bool Poll();
    const std::string& BrokerMessage() const { return brokerMessage_; }
    // Where spectators find the live results, while that server runs; else empty.
    std::string LiveAddress() const;
    // The phone page's address while the live server runs and can be reached; else empty.
    std::string LivePageAddress() const { return live_.Running() ? live_.PageAddress() : ""; }
    void Stop();

    // The show's classes as the live results list them: each other class with its results as
    // its file holds them, made again when the file or the class's settings changed; a class
    // whose "arena" names another arena than this station's is listed without results.
    std::vector<LiveClass> Classes(const Show* show, char decimalSeparator,
                                   const std::string& arena) const;
    // A class was opened: the other classes' results are made again.
    void Forget() { classResults_.clear(); }

private:
    bool BrokerRunning() const { return broker_ != nullptr && broker_->Running(); }

    ILiveResults& live_;
    IBrokerPublisher* broker_;
    IOperator& operator_;
    std::string brokerMessage_;
    struct ClassResults {
        std::string file;
        std::filesystem::file_time_type written;
        std::uintmax_t size = 0;
        nlohmann::json settings;
        std::shared_ptr<const std::string> json;
    };
    mutable std::vector<ClassResults> classResults_;
};
