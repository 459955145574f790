#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "../files/TempFolder.h"
#include "../results/TeamClass.h"
#include "../results/TrickyClass.h"
#include "TestBroker.h"
#include "clock/MonotonicClock.h"
#include "publish/BrokerFeed.h"
#include "publish/MosquittoPublisher.h"
#include "results/Standing.h"

#include <set>

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace test_broker;

namespace {

// A class with one result and a run on the clock since startMs.
BrokerSnapshot Snapshot(const std::string& show, const std::string& total, std::int64_t startMs) {
    BrokerSnapshot snapshot;
    snapshot.Show = show;
    snapshot.Live.board = {"Barrel Race", "7", "Anna Ried", "Blue", true};
    snapshot.Live.starters = 2;
    snapshot.Live.rows.push_back(
        {"1", "3", "Tom Falk", "Dusty", "", "15,20", "0", total, "", false, "1D", "1", "80,00"});
    AnnouncerSnapshot& announcer = snapshot.Live.announcer;
    announcer.className = "Open 1D/2D";
    announcer.race = "Barrel Race";
    announcer.hasStarter = true;
    announcer.onCourse = {"7", "Anna Ried", "Blue", ""};
    announcer.clock = AnnouncerClock::Running;
    announcer.startMs = startMs;
    return snapshot;
}

std::int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

BrokerSettings Local(int port) {
    BrokerSettings settings;
    settings.Enabled = true;
    settings.Host = "127.0.0.1";
    settings.Port = port;
    settings.Arena = "Halle+2";
    return settings;
}

BrokerTiming Quick() {
    BrokerTiming timing;
    // Long enough for a loaded machine (and the sanitizers) to finish a TLS handshake.
    timing.connectTimeoutMs = 2000;
    timing.retryFirstMs = 100;
    timing.retryLastMs = 200;
    return timing;
}

BrokerState WaitForState(const IBrokerPublisher& publisher, BrokerState not_) {
    for (int i = 0; i < 1500 && publisher.Status().State == not_; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return publisher.Status().State;
}

class PublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (MosquittoBinary().empty()) {
            GTEST_SKIP() << "mosquitto is not installed (apt-get install mosquitto): the "
                            "publisher is not tried against a broker";
        }
    }
    // A broker started and a publisher connected to it, with a snapshot of the show.
    bool Connected(Broker& broker, MosquittoPublisher& publisher, const std::string& show) {
        if (!broker.Start()) {
            return false;
        }
        publisher.Start(Local(broker.Port()));
        // The program takes its first snapshot a moment after the start.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        publisher.Publish(Snapshot(show, "15,20", runStartMs));
        return WaitForState(publisher, BrokerState::Connecting) == BrokerState::Connected;
    }
    TempFolder folder;
    // The run on the clock began 1.5 s before the test.
    const std::int64_t runStartMs = MonotonicRawNow() / 1'000'000 - 1500;
};

}  // namespace

// Every level is one a broker takes: valid UTF-8 without controls or noncharacters, no
// wildcard and no separator, whatever the start list brought in.
TEST(TopicLevel, KeepsTheTextButNothingThatWouldSplitOrWidenATopicOrThatABrokerRefuses) {
    const std::string wide(65536, 'x');
    std::string umlauts;
    for (int i = 0; i < 32768; ++i) {
        umlauts += "\xC3\xA4";
    }
    const struct {
        std::string text;
        std::string level;
    } cases[] = {
        {"Sommer/Turnier #1", "Sommer-Turnier -1"},
        {"Halle+2", "Halle-2"},
        {"  Open 1D\t", "Open 1D"},
        {"a\nb\x01\x7F", "ab"},
        {"Open\xC2\x85 1D\xC2\x9F", "Open 1D"},                                    // C1 controls
        {"Jugend\xEF\xBF\xBF\xEF\xBF\xBE\xEF\xB7\x90\xF0\x9F\xBF\xBF", "Jugend"},  // noncharacters
        {"M\xFC"
         "nchen",
         "M\xC3\xBC"
         "nchen"},                                 // Windows-1252
        {"Fohlen\x81\x8D\x8F\x90\x9D", "Fohlen"},  // the bytes Windows-1252 leaves free
        {"\xC3\x28 \xED\xA0\x80", "\xC3\x83( \xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // not UTF-8
        {" / ", "-"},
        {"   ", "Ersatz"},
        {"\xC2\x80\xEF\xBF\xBF", "Ersatz"},
        {wide, std::string(100, 'x')},
        {umlauts, umlauts.substr(0, 100)},
    };
    for (const auto& c : cases) {
        const std::string level = TopicLevel(c.text, "Ersatz");
        EXPECT_EQ(level, c.level) << c.text.substr(0, 40);
        EXPECT_EQ(mosquitto_validate_utf8(level.c_str(), static_cast<int>(level.size())),
                  MOSQ_ERR_SUCCESS)
            << level;
        EXPECT_EQ(mosquitto_pub_topic_check(level.c_str()), MOSQ_ERR_SUCCESS) << level;
    }
    EXPECT_EQ(TopicBase("/verein//corralix/", "", "#"), "verein/corralix/Corralix/-");
    EXPECT_EQ(TopicBase("$SYS", "Show", "A"), "-SYS/Show/A");
    std::string deep;
    for (int level = 0; level < 300; ++level) {
        deep += "v/";
    }
    EXPECT_EQ(TopicBase(deep, "Show", "A"), "v/v/v/v/v/v/v/v/v/v/Show/A");
}

// Names that would share a topic get one each, the same whatever order the show lists them in.
TEST(ClassLevels, NoTwoClassesOfAShowShareATopic) {
    const std::string wide(65536, 'x');
    const std::vector<std::string> names = {"Coll/A",       "Coll+A",   "Coll-A-2", "Coll-A",
                                            wide + "1",     wide + "2", "\x01",     "\x02",
                                            "Open\xC2\x85", "Open\x85", "Open"};
    const std::map<std::string, std::string> levels = ClassLevels(names);
    EXPECT_EQ(levels.at("Coll-A"), "Coll-A") << "a name that is its level keeps it";
    EXPECT_EQ(levels.at("Coll-A-2"), "Coll-A-2");
    EXPECT_EQ(levels.at("Coll+A"), "Coll-A-3");
    EXPECT_EQ(levels.at("Coll/A"), "Coll-A-4");
    EXPECT_EQ(levels.at("Open"), "Open");
    EXPECT_EQ(levels.at("\x01"), "Klasse");
    EXPECT_EQ(levels.at("\x02"), "Klasse-2");
    EXPECT_EQ(levels.at(wide + "2"), std::string(98, 'x') + "-2");
    std::set<std::string> distinct;
    for (const auto& [name, level] : levels) {
        EXPECT_TRUE(distinct.insert(level).second) << level;
        EXPECT_LE(level.size(), 100U);
    }
    EXPECT_EQ(distinct.size(), names.size());
    EXPECT_EQ(ClassLevels(std::vector<std::string>(names.rbegin(), names.rend())), levels);
}

TEST_F(PublisherTest, PublishesEachTopicRetainedAndSaysOfflineWhenStopped) {
    Broker broker(folder.Path());
    MosquittoPublisher publisher(Quick());
    ASSERT_TRUE(Connected(broker, publisher, "Sommer/Turnier"));
    EXPECT_EQ(publisher.Status().Message, "");
    // The show's other class: its results as its file holds them, under its own name.
    BrokerSnapshot show = Snapshot("Sommer/Turnier", "15,20", runStartMs);
    const std::string jugend = R"({"className":"Jugend","race":"Pole Bending","rows":[]})";
    show.Live.classes = {{"Open 1D/2D", "Barrel Race", true, nullptr},
                         {"Jugend", "Pole Bending", false, std::make_shared<std::string>(jugend)}};
    publisher.Publish(show);

    // A reader that comes later gets everything at once: it is retained.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Reader reader(broker.Port(), "corralix/#");
    const std::string base = "corralix/Sommer-Turnier/Halle-2/";
    auto is = [](const std::string& expected) {
        return [expected](const std::string& payload) { return payload == expected; };
    };
    auto any = [](const std::string& payload) { return !payload.empty(); };
    ASSERT_TRUE(reader.WaitFor(base + "status", is("online")));
    ASSERT_TRUE(reader.WaitFor(base + "clock", any));
    ASSERT_TRUE(reader.WaitFor(base + "announcer", any));
    ASSERT_TRUE(reader.WaitFor(base + "results/Open 1D-2D", any));
    ASSERT_TRUE(reader.WaitFor(base + "results/Jugend", is(jugend)));

    // Nothing under another show: the last will named this one from the start.
    for (const auto& [topic, payload] : reader.LatestAll()) {
        EXPECT_THAT(topic, StartsWith(base));
    }
    const auto clock = nlohmann::json::parse(reader.Latest(base + "clock"));
    EXPECT_EQ(clock["clock"], "running");
    EXPECT_EQ(clock["onCourse"]["rider"], "Anna Ried");
    EXPECT_FALSE(clock.contains("nowMs"));
    // The run began 1.5 s before the snapshot, on the wall clock too.
    EXPECT_NEAR(clock["startedAt"].get<std::int64_t>(), WallMs() - 1500, 1000);
    const auto results = nlohmann::json::parse(reader.Latest(base + "results/Open 1D-2D"));
    EXPECT_EQ(results["className"], "Open 1D/2D");
    EXPECT_EQ(results["rows"][0]["total"], "15,20");
    EXPECT_EQ(results["rows"][0]["payout"], "80,00");
    EXPECT_EQ(nlohmann::json::parse(reader.Latest(base + "announcer"))["onCourse"]["horse"],
              "Blue");

    publisher.Stop();
    EXPECT_TRUE(reader.WaitFor(base + "status", is("offline")));
}

// A show and classes whose names came from a Windows-1252 list with odd bytes: each class is
// published under its own topic and the connection never drops.
TEST_F(PublisherTest, OddAndClashingNamesArePublishedEachUnderATopicOfItsOwn) {
    Broker broker(folder.Path());
    MosquittoPublisher publisher(Quick());
    const std::string show = "Herbst\xC2\x81";
    ASSERT_TRUE(Connected(broker, publisher, show));
    BrokerSnapshot snapshot = Snapshot(show, "15,20", runStartMs);
    const std::vector<std::string> names = {"Fohlen\x8D", "Jugend\xEF\xBF\xBF", "Coll/A", "Coll+A"};
    snapshot.Live.classes = {{"Open 1D/2D", "Barrel Race", true, nullptr}};
    for (const std::string& name : names) {
        snapshot.Live.classes.push_back(
            {name, "Pole Bending", false, std::make_shared<std::string>("{\"n\":1}")});
    }
    publisher.Publish(snapshot);

    Reader reader(broker.Port(), "corralix/#");
    const std::string base = "corralix/Herbst/Halle-2/";
    auto any = [](const std::string& payload) { return !payload.empty(); };
    EXPECT_TRUE(
        reader.WaitFor(base + "status", [](const std::string& p) { return p == "online"; }));
    for (const char* level : {"Open 1D-2D", "Fohlen", "Jugend", "Coll-A", "Coll-A-2"}) {
        EXPECT_TRUE(reader.WaitFor(base + "results/" + level, any)) << level;
    }
    EXPECT_EQ(publisher.Status().State, BrokerState::Connected);
    EXPECT_EQ(publisher.Status().Message, "");
}

// A broker that announces a message of the largest size MQTT allows and sends it: cut off after
// little, where libmosquitto would have taken all 256 MB into memory.
TEST_F(PublisherTest, ABrokerThatSendsFarMoreThanAnyAnswerIsCutOff) {
    int port = 0;
    const int listener = ListenOnLoopback(port);
    ASSERT_GE(listener, 0);
    std::size_t accepted = 0;
    std::thread hostile([&] {
        const int client = ::accept(listener, nullptr, nullptr);
        char connect[4096];
        ::recv(client, connect, sizeof connect, 0);
        const timeval patience{2, 0};
        ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        // CONNACK, then a PUBLISH with a remaining length of 268,435,455 bytes and a topic "x".
        const std::string head("\x20\x02\x00\x00\x30\xFF\xFF\xFF\x7F\x00\x01x", 12);
        ::send(client, head.data(), head.size(), MSG_NOSIGNAL);
        const std::string chunk(65536, '\0');
        for (;;) {
            const ssize_t sent = ::send(client, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            if (sent <= 0 || accepted >= (std::size_t{256} << 20)) {
                break;  // cut off, or no longer read
            }
            accepted += static_cast<std::size_t>(sent);
        }
        ::close(client);
    });
    MosquittoPublisher publisher(Quick());
    publisher.Start(Local(port));
    publisher.Publish(Snapshot("Show", "15,20", runStartMs));
    BrokerStatus status;
    for (int i = 0; i < 1500 && status.State != BrokerState::Flooding; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        status = publisher.Status();
    }
    hostile.join();
    publisher.Stop();
    ::close(listener);
    EXPECT_EQ(status.Message, "MQTT-Broker sendet zu viel – Verbindung getrennt");
    // What the sockets' buffers hold on top of what was read.
    EXPECT_LT(accepted, std::size_t{32} << 20);
}

TEST_F(PublisherTest, ABrokerThatWasAwayGetsTheLatestOfEachTopicWhenItIsBack) {
    Broker broker(folder.Path());
    MosquittoPublisher publisher(Quick());
    ASSERT_TRUE(Connected(broker, publisher, "Show"));

    broker.Stop();
    ASSERT_EQ(WaitForState(publisher, BrokerState::Connected), BrokerState::Away);
    EXPECT_THAT(publisher.Status().Message, HasSubstr("nicht erreichbar"));
    // The show goes on while the broker is away; it keeps no memory across the restart.
    BrokerSnapshot snapshot = Snapshot("Show", "", runStartMs);
    for (int run = 0; run < 200; ++run) {
        snapshot.Live.rows[0].total = std::to_string(run) + ",00";
        publisher.Publish(snapshot);
    }
    ASSERT_TRUE(broker.Start());
    ASSERT_EQ(WaitForState(publisher, BrokerState::Away), BrokerState::Connected);
    EXPECT_EQ(publisher.Status().Message, "");

    Reader reader(broker.Port(), "corralix/#");
    const std::string topic = "corralix/Show/Halle-2/results/Open 1D-2D";
    EXPECT_TRUE(reader.WaitFor(topic, [](const std::string& payload) {
        return nlohmann::json::parse(payload)["rows"][0]["total"] == "199,00";
    }));
    EXPECT_TRUE(reader.WaitFor("corralix/Show/Halle-2/status",
                               [](const std::string& payload) { return payload == "online"; }));
    // The clock did not change while the broker was away, and the restarted broker had lost it.
    EXPECT_TRUE(reader.WaitFor("corralix/Show/Halle-2/clock",
                               [](const std::string& payload) { return !payload.empty(); }));
}

TEST_F(PublisherTest, ABrokerThatCannotBeUsedGetsAMessageNamingWhy) {
    // Certificates: the broker's, signed by its CA, and a CA that signed nothing here.
    const auto file = [&](const char* name) { return folder.File(name); };
    const std::string ec = "ec:" + file("ec.pem");
    ASSERT_EQ(RunCommand({"openssl", "ecparam", "-name", "prime256v1", "-out", file("ec.pem")}), 0);
    for (const char* ca : {"ca", "other"}) {
        ASSERT_EQ(RunCommand({"openssl", "req", "-x509", "-newkey", ec, "-nodes", "-keyout",
                              file(ca) + ".key", "-out", file(ca) + ".crt", "-days", "2", "-subj",
                              std::string("/CN=") + ca, "-batch"}),
                  0);
    }
    std::ofstream(file("san.ext")) << "subjectAltName=IP:127.0.0.1\n";
    ASSERT_EQ(RunCommand({"openssl", "req", "-newkey", ec, "-nodes", "-keyout", file("server.key"),
                          "-out", file("server.csr"), "-subj", "/CN=127.0.0.1", "-batch"}),
              0);
    ASSERT_EQ(RunCommand({"openssl", "x509", "-req", "-in", file("server.csr"), "-CA",
                          file("ca.crt"), "-CAkey", file("ca.key"), "-CAcreateserial", "-out",
                          file("server.crt"), "-days", "2", "-extfile", file("san.ext")}),
              0);
    ASSERT_EQ(RunCommand({"mosquitto_passwd", "-b", "-c", file("passwords"), "arena", "richtig"}),
              0);
    ASSERT_EQ(::chmod(file("passwords").c_str(), 0600), 0);
    const std::string tls = "listener PORT 127.0.0.1\nallow_anonymous true\ncafile " +
                            file("ca.crt") + "\ncertfile " + file("server.crt") + "\nkeyfile " +
                            file("server.key") + "\n";
    const std::string users =
        "listener PORT 127.0.0.1\nallow_anonymous false\npassword_file " + file("passwords") + "\n";

    const struct {
        const char* name;
        std::string listener;  // empty: a host that takes the connection and never answers
        std::function<void(BrokerSettings&)> set;
        BrokerState state;
        const char* message;
    } cases[] = {
        {"wrong password", users,
         [](BrokerSettings& s) {
             s.User = "arena";
             s.Password = "falsch";
         },
         BrokerState::Refused, "lehnt Benutzer oder Passwort ab"},
        {"right password", users,
         [](BrokerSettings& s) {
             s.User = "arena";
             s.Password = "richtig";
         },
         BrokerState::Connected, ""},
        {"wrong CA", tls,
         [&](BrokerSettings& s) {
             s.Tls = true;
             s.CaFile = file("other.crt");
         },
         BrokerState::TlsFailed, "Zertifikat nicht anerkannt"},
        {"CA file missing", tls,
         [&](BrokerSettings& s) {
             s.Tls = true;
             s.CaFile = file("none.crt");
         },
         BrokerState::TlsFailed, "nicht lesbar"},
        {"right CA", tls,
         [&](BrokerSettings& s) {
             s.Tls = true;
             s.CaFile = file("ca.crt");
         },
         BrokerState::Connected, ""},
        {"silent host", "", [](BrokerSettings&) {}, BrokerState::Unreachable, "antwortet nicht"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file("mosquitto.conf"));
        Broker broker(folder.Path(), "", c.listener);
        int port = broker.Port();
        int silent = -1;
        if (c.listener.empty()) {
            silent = ListenOnLoopback(port);
            ASSERT_GE(silent, 0);
        } else {
            ASSERT_TRUE(broker.Start());
        }
        BrokerSettings settings = Local(port);
        c.set(settings);
        MosquittoPublisher publisher(Quick());
        publisher.Start(settings);
        publisher.Publish(Snapshot("Show", "15,20", runStartMs));
        EXPECT_EQ(WaitForState(publisher, BrokerState::Connecting), c.state);
        EXPECT_THAT(publisher.Status().Message, HasSubstr(c.message));
        publisher.Stop();
        ::close(silent);
    }
}

// The broker's messages of the tricky class carry what the views made of its standing and
// decide nothing: the results in its ranked order with the tie, 101 (a DQ in its DQ cell alone)
// and 103 ("n.a.") without a place, the announcer's time to beat never 101's faster time, and
// the clock to the thousandth.
TEST(BrokerFeed, SendsTheTrickyClassAsItsStandingDecides) {
    const ResultTable table = TrickyTable();
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    BrokerSnapshot snapshot{"Herbst",
                            MakeLiveSnapshot(standing, {"Barrel Race", "", "", "", false}, true)};
    AnnouncerState state;
    state.className = "Open";
    snapshot.Live.announcer = MakeAnnouncerSnapshot(standing, state);

    const std::vector<BrokerMessage> messages = BrokerMessages(snapshot, "corralix/Herbst/A", 0);
    ASSERT_EQ(messages.size(), 3U);
    EXPECT_EQ(messages[2].Topic, "corralix/Herbst/A/results/Open");
    const auto results = nlohmann::json::parse(messages[2].Payload);
    std::vector<std::string> rows;
    for (const auto& row : results["rows"]) {
        rows.push_back(row["place"].get<std::string>() + " " +
                       row["startNumber"].get<std::string>() + " " +
                       row["total"].get<std::string>());
    }
    EXPECT_THAT(rows, ::testing::ElementsAre("1 107 15,481", "2 104 15,488", "2 106 15,488",
                                             "4 108 1:02,300", "5 109 61:02,300", " 101 DQ",
                                             " 102 DQ", " 103 n.a."));
    const auto announcer = nlohmann::json::parse(messages[1].Payload);
    EXPECT_EQ(announcer["timeToBeat"], "15,481");
    EXPECT_EQ(announcer["leaders"][0]["starter"]["startNumber"], "107");
    EXPECT_EQ(nlohmann::json::parse(messages[0].Payload)["digits"], 3);
}

// A class with a team rule: the boards read the team standings from the results topic, as the
// phone page has them, and from the announcer's.
TEST(BrokerFeed, TheResultsOfATeamClassCarryItsTeams) {
    const Standing standing = MakeStanding(TeamTable(), TeamRules(), {});
    BrokerSnapshot snapshot{"Herbst", MakeLiveSnapshot(standing, LiveBoard{}, true)};
    AnnouncerState state;
    state.className = "Mannschaft";
    snapshot.Live.announcer = MakeAnnouncerSnapshot(standing, state);

    const std::vector<BrokerMessage> messages = BrokerMessages(snapshot, "corralix/Herbst/A", 0);
    ASSERT_EQ(messages.size(), 3U);
    const auto results = nlohmann::json::parse(messages[2].Payload);
    const auto page = nlohmann::json::parse(LiveResultsJson(snapshot.Live));
    ASSERT_TRUE(results.contains("teams"));
    EXPECT_EQ(results["teams"], page["teams"]);
    EXPECT_EQ(results["teams"]["rows"][3]["team"], "Süd");
    EXPECT_EQ(results["teams"]["rows"][3]["place"], 4);
    EXPECT_EQ(results["teams"]["rows"][3]["counted"], 1);
    EXPECT_EQ(nlohmann::json::parse(messages[1].Payload)["teams"], page["teams"]);
}
