#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "files/LiveResults.h"

// Results and the clock through an MQTT broker: what the program publishes and under which
// topics, apart from the connection that carries it.
//
//   PREFIX/SHOW/ARENA/status           "online"; "offline" as the connection's last will
//   PREFIX/SHOW/ARENA/clock            the rider on course and the clock's state
//   PREFIX/SHOW/ARENA/results/CLASS    the class's ranked results (as "/results.json"); each
//                                      other class of the show as "/klasse/N.json"
//   PREFIX/SHOW/ARENA/announcer        the announcer's view (as "/sprecher.json")
//
// Every message is retained, so a reader that subscribes later gets the latest at once.

// How this station reaches its broker.
struct BrokerSettings {
    bool Enabled = false;
    std::string Host;
    int Port = 1883;
    bool Tls = false;
    std::string CaFile;
    std::string User;
    std::string Password;
    std::string Prefix = "corralix";
    std::string Arena;

    bool operator==(const BrokerSettings&) const = default;
};

// What the program hands the publisher after a change: its own copy, never the live table.
struct BrokerSnapshot {
    std::string Show;  // the show's name; empty without a show
    LiveSnapshot Live;
};

enum class BrokerState {
    Off,          // not switched on
    Connecting,   // the first connection is being made
    Connected,    // publishing
    Away,         // the broker went away; reconnecting, the latest of each topic is kept
    Refused,      // the broker refused the user or the password
    TlsFailed,    // the broker's certificate was not accepted, or the CA file is unusable
    Unreachable,  // the host did not answer or took no connection
    Flooding,     // the broker sent far more than the answers to what was sent: cut off
};

struct BrokerStatus {
    BrokerState State = BrokerState::Off;
    // For the operator, in German; empty while off, and while connected unless the broker
    // library refused a message (what and why).
    std::string Message;
};

// The publisher as the program's logic sees it. Every call returns at once: the connection lives
// on a thread of its own, so neither the light barrier nor the windows ever wait for the broker.
class IBrokerPublisher {
public:
    virtual ~IBrokerPublisher() = default;
    // (Re)connects with these settings; a running publisher is stopped first.
    virtual void Start(const BrokerSettings& settings) = 0;
    // Says "offline" and disconnects, waiting at most a moment for the broker.
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    // After every change of the table or the board. Only the latest of each topic is kept
    // until it is sent.
    virtual void Publish(const BrokerSnapshot& snapshot) = 0;
    // Any thread.
    virtual BrokerStatus Status() const = 0;
};

// A text as one topic level: without '/', '+', '#' (each becomes '-'), control characters (C0,
// DEL, C1), noncharacters (U+FDD0..U+FDEF, U+xxFFFE, U+xxFFFF) and surrounding blanks, in UTF-8
// (a text that is not is read as Windows-1252), at most 100 bytes; the fallback when nothing is
// left. A broker takes every topic made of such levels.
std::string TopicLevel(std::string_view text, std::string_view fallback);

// "PREFIX/SHOW/ARENA": the prefix may have up to 10 levels of its own ("verein/corralix"), but
// no empty ones and no wildcards; without a show the show level is "Corralix".
std::string TopicBase(std::string_view prefix, std::string_view show, std::string_view arena);

// The topic level of each class name, no two alike: names that make the same level ("Coll/A",
// "Coll+A") share it out: the name that is the level as it stands keeps it, else the first in
// byte order; the others get "-2", "-3", ... behind it, in byte order.
std::map<std::string, std::string> ClassLevels(const std::vector<std::string>& names);

struct BrokerMessage {
    std::string Topic;
    std::string Payload;
    bool operator==(const BrokerMessage&) const = default;
};

// The clock, announcer and results messages of a snapshot under `base`. wallOffsetMs turns the
// run's start on the program's clock into a wall-clock stamp (see AnnouncerJson).
std::vector<BrokerMessage> BrokerMessages(const BrokerSnapshot& snapshot, std::string_view base,
                                          std::int64_t wallOffsetMs);

inline constexpr std::string_view BrokerOnline = "online";
inline constexpr std::string_view BrokerOffline = "offline";

// The status-bar text for a state; empty for Off, Connecting and Connected.
std::string BrokerStateText(BrokerState state, std::string_view host, int port);
