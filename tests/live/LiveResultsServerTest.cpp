#include "live/LiveResultsServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <zlib.h>

#include "../ui/QtTestApp.h"
#include "files/LiveResults.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

struct Reply {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray type;
    QByteArray length;
    QByteArray policy;
    QByteArray body;
};

// One request from a spectator's browser, over loopback only.
Reply Fetch(quint16 port, const QByteArray& verb, const QString& path,
            const QByteArray& padding = {}) {
    QNetworkAccessManager net;
    net.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
    if (!padding.isEmpty()) {
        request.setRawHeader("X-Padding", padding);
    }
    QNetworkReply* reply =
        verb == "HEAD" ? net.head(request) : net.sendCustomRequest(request, verb, QByteArray());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.error = reply->isFinished() ? reply->error() : QNetworkReply::TimeoutError;
    result.type = reply->rawHeader("Content-Type");
    result.length = reply->rawHeader("Content-Length");
    result.policy = reply->rawHeader("Content-Security-Policy");
    result.body = reply->readAll();
    delete reply;
    return result;
}

LiveSnapshot Entered(const std::vector<std::vector<std::string>>& rows) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
        table.SetRow(row, rows[row - 1]);
    }
    return MakeLiveSnapshot(MakeStanding(table, {}, {}),
                            {"Barrel Racing", "3", "Cara", "Luna", true},
                            table.ColVisible(ColTeam));
}

// A client that speaks raw TCP over loopback from a source address of its choosing (all of
// 127.0.0.0/8 is this machine), so that tests can play many phones or a hostile one.
class RawClient {
public:
    RawClient(quint16 port, const char* from = "127.0.0.1") {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
        connected_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                     ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    ~RawClient() { ::close(fd_); }

    bool Connected() const { return connected_; }
    void Send(const QByteArray& bytes) const {
        EXPECT_EQ(::send(fd_, bytes.data(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL),
                  bytes.size());
    }
    // What the first read after the server's first bytes gets; empty when nothing came within
    // the time or the server closed.
    QByteArray ReceiveOnce(int waitMs = 3000) const {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, waitMs) != 1) {
            return {};
        }
        char buffer[65536];
        const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
        return count > 0 ? QByteArray(buffer, count) : QByteArray();
    }
    // True when the server ends the connection within the time.
    bool ClosedWithin(int waitMs) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < until) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 50) == 1) {
                char buffer[65536];
                if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) {
                    return true;
                }
            }
        }
        return false;
    }
    // Sends the bytes over and over without reading until the system takes no more for a
    // while or the total is reached; returns what it took.
    qint64 Flood(const QByteArray& bytes, qint64 total) const {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        qint64 sent = 0;
        auto lastProgress = std::chrono::steady_clock::now();
        while (sent < total &&
               std::chrono::steady_clock::now() - lastProgress < std::chrono::seconds(2)) {
            const ssize_t count =
                ::send(fd_, bytes.data(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL);
            if (count > 0) {
                sent += count;
                lastProgress = std::chrono::steady_clock::now();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return sent;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

QByteArray Get(const QByteArray& path, const QByteArray& extra = {}) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

// The resident memory of this process.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

quint16 StartedOnLoopback(LiveResultsServer& server) {
    EXPECT_EQ(server.Start(0, QHostAddress::LocalHost), "");
    return server.Port();
}

TEST(LiveResultsServer, ServesThePagesOfTheLastPublishedSnapshot) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    const std::string evil = "<script>alert(1)</script>";
    server.Publish(Entered({{"1", evil, "Blitz", "", "16,01", "0", "", "", "16,01"}}));

    Reply json = Fetch(port, "GET", "/results.json");
    EXPECT_EQ(json.status, 200);
    EXPECT_EQ(json.type, "application/json; charset=utf-8");
    EXPECT_FALSE(json.body.contains("<script"));
    QJsonObject data = QJsonDocument::fromJson(json.body).object();
    ASSERT_EQ(data["rows"].toArray().size(), 1);
    EXPECT_EQ(data["rows"][0]["rider"].toString().toStdString(), evil);
    EXPECT_TRUE(data["running"].toBool());

    // The next entry: a faster run goes to the top.
    server.Publish(Entered({{"1", evil, "Blitz", "", "16,01", "0", "", "", "16,01"},
                            {"2", "Jörg Weiß", "Äskulap", "", "15,00", "0", "", "", "15,00"}}));
    data = QJsonDocument::fromJson(Fetch(port, "GET", "/results.json").body).object();
    ASSERT_EQ(data["rows"].toArray().size(), 2);
    EXPECT_EQ(data["rows"][0]["rider"].toString(), QStringLiteral("Jörg Weiß"));
    EXPECT_EQ(data["rows"][0]["place"].toString(), QStringLiteral("1"));

    // A show: each class's results on their own, the open one's from the snapshot itself.
    LiveSnapshot show = Entered({{"2", "Jörg Weiß", "Äskulap", "", "15,00", "0", "", "", "15,00"}});
    show.classes = {{"Open", "Barrel Racing", true, nullptr},
                    {"Jugend", "Pole Bending", false,
                     std::make_shared<const std::string>(R"({"className":"Jugend","rows":[]})")}};
    server.Publish(show);
    const QJsonObject open =
        QJsonDocument::fromJson(Fetch(port, "GET", "/klasse/1.json").body).object();
    ASSERT_EQ(open["rows"].toArray().size(), 1);
    EXPECT_EQ(open["rows"][0]["rider"].toString(), QStringLiteral("Jörg Weiß"));
    EXPECT_FALSE(open.contains("classes")) << "the list of classes is the board's";
    EXPECT_EQ(Fetch(port, "GET", "/klasse/2.json").body, R"({"className":"Jugend","rows":[]})");
    for (const char* path : {"/klasse/3.json", "/klasse/0.json", "/klasse/01.json", "/klasse/1",
                             "/klasse/-1.json", "/klasse/99999999999.json"}) {
        EXPECT_EQ(Fetch(port, "GET", path).status, 404) << path;
    }

    const Reply page = Fetch(port, "GET", "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.type, "text/html; charset=utf-8");
    EXPECT_TRUE(page.body.contains("J\xc3\xb6rg Wei\xc3\x9f"));
    EXPECT_EQ(page.body.count("<script"), 2);
    EXPECT_TRUE(page.policy.contains("frame-ancestors 'none'")) << page.policy.data();

    const Reply head = Fetch(port, "HEAD", "/");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.length, QByteArray::number(page.body.size()));
    EXPECT_TRUE(head.body.isEmpty());

    // The announcer's data carries the program's clock as served, for the page's own clock.
    LiveSnapshot announced = Entered({{"1", evil, "Blitz", "", "", "", "", "", ""}});
    announced.announcer.onCourse.rider = evil;
    announced.announcer.clock = AnnouncerClock::Running;
    server.Publish(announced);
    const Reply talk = Fetch(port, "GET", "/sprecher.json");
    EXPECT_FALSE(talk.body.contains("<script"));
    const QJsonObject said = QJsonDocument::fromJson(talk.body).object();
    EXPECT_EQ(said["onCourse"]["rider"].toString().toStdString(), evil);
    EXPECT_EQ(said["clock"].toString(), QStringLiteral("running"));
    EXPECT_GT(said["nowMs"].toDouble(), 0);
    EXPECT_EQ(Fetch(port, "GET", "/sprecher").status, 200);

    // The overlay for a streaming program: transparent, reading the announcer's data.
    const Reply overlay = Fetch(port, "GET", "/overlay");
    EXPECT_EQ(overlay.status, 200);
    EXPECT_EQ(overlay.type, "text/html; charset=utf-8");
    EXPECT_TRUE(overlay.body.contains("background:transparent"));
    EXPECT_TRUE(overlay.body.contains("\"sprecher.json\""));
}

// A reply's head and body as they came, the body un-gzipped when it came compressed.
struct Raw {
    QByteArray status;  // "HTTP/1.1 304 Not Modified"
    QByteArray head;
    QByteArray body;
    QByteArray Header(const QByteArray& name) const {
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith(name.toLower() + ':')) {
                return line.mid(name.size() + 1).trimmed();
            }
        }
        return {};
    }
};

QByteArray Gunzip(const QByteArray& bytes) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);  // gzip only, not zlib's own format
    QByteArray out(1 << 20, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(static_cast<qsizetype>(stream.total_out));
    inflateEnd(&stream);
    return out;
}

// One reply read whole from a raw connection; empty when none came within the time.
Raw ReadReply(const RawClient& client, int waitMs) {
    Raw raw;
    QByteArray bytes;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < until) {
        bytes += client.ReceiveOnce(50);
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        if (end < 0) {
            continue;
        }
        raw.head = bytes.left(end);
        raw.status = raw.head.left(raw.head.indexOf('\r'));
        const qsizetype length = raw.Header("Content-Length").toLongLong();
        if (bytes.size() < end + 4 + length) {
            continue;
        }
        raw.body = bytes.mid(end + 4, length);
        if (raw.Header("Content-Encoding") == "gzip") {
            raw.body = Gunzip(raw.body);
        }
        return raw;
    }
    return {};
}

// A phone asks only for what changed: the data's ETag in If-None-Match gets 304 without a body
// while the data is the same, the new data once it changed; with "?wait" the question is held
// until the next snapshot changes it (or answered 304 after a while). The data comes gzipped
// to a browser that takes it, and un-gzips to exactly the data.
TEST(LiveResultsServer, AnswersOnlyWhatChangedAndGzipsForBrowsersThatTakeIt) {
    LiveServerLimits limits;
    limits.holdMs = 400;
    LiveResultsServer server(limits);
    const quint16 port = StartedOnLoopback(server);
    LiveSnapshot first = Entered({{"1", "Anna", "Blitz", "", "16,01", "0", "", "", "16,01"}});
    first.classes = {{"Open", "Barrel Racing", true, nullptr},
                     {"Jugend", "Pole Bending", false,
                      std::make_shared<const std::string>(R"({"className":"Jugend","rows":[]})")}};
    server.Publish(first);
    const RawClient phone(port);

    for (const char* path : {"/results.json", "/klasse/1.json", "/klasse/2.json"}) {
        SCOPED_TRACE(path);
        phone.Send(Get(path, "Accept-Encoding: gzip, deflate\r\n"));
        const Raw whole = ReadReply(phone, 2000);
        EXPECT_EQ(whole.status, "HTTP/1.1 200 OK");
        EXPECT_EQ(whole.Header("Content-Encoding"), "gzip");
        const QByteArray etag = whole.Header("ETag");
        ASSERT_FALSE(etag.isEmpty());
        const QByteArray plain = Fetch(port, "GET", path).body;
        EXPECT_EQ(whole.body, plain) << "gunzipped, the same data";

        phone.Send(Get(path, "If-None-Match: " + etag + "\r\nAccept-Encoding: gzip\r\n"));
        const Raw same = ReadReply(phone, 2000);
        EXPECT_EQ(same.status, "HTTP/1.1 304 Not Modified");
        EXPECT_TRUE(same.body.isEmpty());
        EXPECT_FALSE(same.Header("X-Now-Ms").isEmpty()) << "the program's clock for the page";
    }
    phone.Send(Get("/results.json", "Accept-Encoding: gzip;q=0\r\n"));
    EXPECT_TRUE(ReadReply(phone, 2000).Header("Content-Encoding").isEmpty());

    phone.Send(Get("/results.json"));
    const QByteArray etag = ReadReply(phone, 2000).Header("ETag");
    phone.Send(Get("/results.json?wait", "If-None-Match: " + etag + "\r\n"));
    const Raw unchanged = ReadReply(phone, 3000);
    EXPECT_EQ(unchanged.status, "HTTP/1.1 304 Not Modified") << "after the hold";

    phone.Send(Get("/results.json?wait", "If-None-Match: " + etag + "\r\n"));
    EXPECT_TRUE(phone.ReceiveOnce(150).isEmpty()) << "held while nothing changed";
    server.Publish(Entered({{"1", "Anna", "Blitz", "", "16,01", "0", "", "", "16,01"},
                            {"2", "Ben", "Rio", "", "15,00", "0", "", "", "15,00"}}));
    const Raw changed = ReadReply(phone, 2000);
    EXPECT_EQ(changed.status, "HTTP/1.1 200 OK") << "as soon as the data changed";
    EXPECT_NE(changed.Header("ETag"), etag);
    EXPECT_EQ(QJsonDocument::fromJson(changed.body)["rows"][0]["rider"].toString(),
              QStringLiteral("Ben"));
}

// The window thread hangs while the server's own thread still answers: once neither a snapshot
// nor a heartbeat came for a while, the data says so and when the program was last heard, the
// pages waiting for a change hear it at once, and the next heartbeat takes it back.
TEST(LiveResultsServer, TheDataSaysSoWhenTheProgramStopsFeedingIt) {
    LiveServerLimits limits;
    limits.staleAfterMs = 150;
    limits.holdMs = 3000;
    LiveResultsServer server(limits);
    const quint16 port = StartedOnLoopback(server);
    LiveSnapshot running = Entered({{"1", "Anna", "Blitz", "", "16,01", "0", "", "", "16,01"}});
    running.announcer.clock = AnnouncerClock::Running;
    server.Publish(running);
    const RawClient phone(port);
    phone.Send(Get("/results.json"));
    const Raw fresh = ReadReply(phone, 2000);
    EXPECT_FALSE(QJsonDocument::fromJson(fresh.body).object().contains("stale"));

    phone.Send(Get("/results.json?wait", "If-None-Match: " + fresh.Header("ETag") + "\r\n"));
    const Raw hung = ReadReply(phone, 2000);
    ASSERT_EQ(hung.status, "HTTP/1.1 200 OK") << "a held question hears it without asking again";
    const QJsonObject said = QJsonDocument::fromJson(hung.body).object();
    EXPECT_TRUE(said["stale"].toBool());
    EXPECT_GT(said["heardMs"].toDouble(), 0);
    EXPECT_LT(said["heardMs"].toDouble(), hung.Header("X-Now-Ms").toDouble() - 150);
    EXPECT_EQ(said["rows"][0]["rider"].toString(), QStringLiteral("Anna")) << "the rest as it was";
    EXPECT_NE(hung.Header("ETag"), fresh.Header("ETag"));
    EXPECT_TRUE(
        QJsonDocument::fromJson(Fetch(port, "GET", "/sprecher.json").body)["stale"].toBool());

    phone.Send(Get("/results.json?wait", "If-None-Match: " + hung.Header("ETag") + "\r\n"));
    EXPECT_TRUE(phone.ReceiveOnce(100).isEmpty()) << "held while it still hangs";
    server.Alive();
    const Raw back = ReadReply(phone, 2000);
    EXPECT_EQ(back.status, "HTTP/1.1 200 OK");
    EXPECT_FALSE(QJsonDocument::fromJson(back.body).object().contains("stale"));
    EXPECT_EQ(back.Header("ETag"), fresh.Header("ETag")) << "the same data as before it hung";
}

TEST(LiveResultsServer, RefusesAllButReadingTheTwoPagesAndOversizedRequests) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    struct Case {
        QByteArray verb;
        QString path;
        int status;
    };
    const std::vector<Case> cases = {
        {"POST", "/", 405},          {"PUT", "/results.json", 405}, {"DELETE", "/", 405},
        {"OPTIONS", "/", 405},       {"GET", "/index.html", 404},   {"GET", "/resultsXjson", 404},
        {"GET", "/etc/passwd", 404}, {"HEAD", "/results", 404},     {"GET", "/results.json/", 404},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Fetch(port, c.verb, c.path).status, c.status)
            << c.verb.data() << " " << c.path.toStdString();
    }

    const Reply big = Fetch(port, "GET", "/", QByteArray(8000, 'x'));
    EXPECT_NE(big.status, 200);
    EXPECT_TRUE(big.status == 413 || big.error != QNetworkReply::NoError) << big.status;
    EXPECT_EQ(Fetch(port, "GET", "/", QByteArray(2000, 'x')).status, 200);
}

TEST(LiveResultsServer, AnswersNothingUntilStartedNorAfterStopped) {
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    LiveResultsServer server;
    EXPECT_FALSE(server.Running());
    EXPECT_EQ(Fetch(port, "GET", "/").error, QNetworkReply::ConnectionRefusedError);

    ASSERT_EQ(server.Start(port, QHostAddress::LocalHost), "");
    EXPECT_EQ(Fetch(port, "GET", "/results.json").status, 200);
    server.Stop();
    EXPECT_EQ(Fetch(port, "GET", "/results.json").error, QNetworkReply::ConnectionRefusedError);

    ASSERT_EQ(server.Start(port, QHostAddress::LocalHost), "");
    EXPECT_EQ(Fetch(port, "GET", "/results.json").status, 200);
}

TEST(LiveResultsServer, APortThatCannotBeUsedIsNamedInTheMessage) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost));
    const int taken = other.serverPort();
    const std::vector<std::pair<int, std::string>> cases = {
        {taken, "Port " + std::to_string(taken) + " ist belegt"},
        {70000, "Port 70000 gibt es nicht"},
    };
    LiveResultsServer server;
    for (const auto& [port, expected] : cases) {
        const std::string message = server.Start(port, QHostAddress::LocalHost);
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_FALSE(server.Running());
    }
}

TEST(LiveResultsServer, ASpectatorGetsInWhileOthersHoldEveryPlace) {
    struct Case {
        const char* crowd;
        int connections;
        int addresses;  // the crowd comes from 127.0.1.1 on
    };
    const std::vector<Case> cases = {
        {"one address holding every place", 400, 1},
        {"silent connections from many addresses", 420, 105},
    };
    for (const Case& c : cases) {
        LiveResultsServer server;
        const quint16 port = StartedOnLoopback(server);
        std::vector<std::unique_ptr<RawClient>> crowd;
        for (int i = 0; i < c.connections; ++i) {
            const std::string from = "127.0.1." + std::to_string(1 + i % c.addresses);
            crowd.push_back(std::make_unique<RawClient>(port, from.c_str()));
            ASSERT_TRUE(crowd.back()->Connected()) << c.crowd;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // all accepted
        const RawClient spectator(port);
        spectator.Send(Get("/results.json"));
        EXPECT_TRUE(spectator.ReceiveOnce(2000).startsWith("HTTP/1.1 200 OK")) << c.crowd;
    }
}

TEST(LiveResultsServer, ManyScreensBehindOneAddressKeepTheirConnections) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    // A scoreboard or a venue's router: 40 kept-alive clients from one address, each asking
    // twice on its own connection.
    std::vector<std::unique_ptr<RawClient>> screens;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 40; ++i) {
            if (round == 0) {
                screens.push_back(std::make_unique<RawClient>(port, "127.0.1.1"));
            }
            screens[i]->Send(Get("/results.json"));
            EXPECT_TRUE(screens[i]->ReceiveOnce(2000).startsWith("HTTP/1.1 200 OK"))
                << "round " << round << ", screen " << i;
        }
    }
}

TEST(LiveResultsServer, ARequestTrickledByteByByteIsCutOffAtItsDeadline) {
    LiveServerLimits limits;
    limits.requestDeadlineMs = 300;
    LiveResultsServer server(limits);
    const quint16 port = StartedOnLoopback(server);
    const RawClient loris(port);
    const QByteArray request = Get("/") + "X-Padding: " + QByteArray(200, 'x');
    bool closed = false;
    for (int i = 0; i < request.size() && i < 30 && !closed; ++i) {
        loris.Send(request.mid(i, 1));
        closed = loris.ClosedWithin(100);
    }
    EXPECT_TRUE(closed);
}

TEST(LiveResultsServer, AClientThatTakesNoRepliesIsNotReadOnWithout) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 200; ++i) {
        const std::string nr = std::to_string(i);
        rows.push_back({nr, "Reiterin " + nr, "Pferd " + nr, "", "16,01", "0", "", "", "16,01"});
    }
    server.Publish(Entered(rows));
    // Each request of 48 bytes asks for a reply of about 20 KB: answered as they come, 24 MB
    // of them would be gigabytes of replies held for a client that takes none.
    const long residentBefore = ResidentKb();
    const RawClient greedy(port);
    constexpr qint64 offered = 24 << 20;
    EXPECT_LT(greedy.Flood(Get("/results.json"), offered), offered / 2);
    EXPECT_LT(ResidentKb() - residentBefore, 64 * 1024);
    // Everyone else is still served.
    const RawClient spectator(port);
    spectator.Send(Get("/results.json"));
    EXPECT_TRUE(spectator.ReceiveOnce(2000).startsWith("HTTP/1.1 200 OK"));
}

TEST(LiveResultsServer, ClosesAfterTheReplyWhenTheClientAsksOrSpeaksHttp10) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    const std::vector<std::pair<QByteArray, bool>> cases = {
        {"GET / HTTP/1.0\r\n\r\n", true},
        {Get("/", "Connection: close\r\n"), true},
        {Get("/"), false},
    };
    for (const auto& [request, closes] : cases) {
        const RawClient client(port);
        client.Send(request);
        EXPECT_TRUE(client.ReceiveOnce().startsWith("HTTP/1.1 200 OK")) << request.data();
        EXPECT_EQ(client.ClosedWithin(1000), closes) << request.data();
    }
}

TEST(LiveResultsServer, AReplyOnAKeptConnectionLeavesInOnePiece) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    server.Publish(Entered({{"1", "Cara", "Luna", "", "16,01", "0", "", "", "16,01"}}));
    const RawClient client(port);
    for (int round = 0; round < 3; ++round) {
        client.Send(Get("/results.json"));
        const QByteArray reply = client.ReceiveOnce();
        const qsizetype head = reply.indexOf("\r\n\r\n");
        ASSERT_GT(head, 0) << round;
        EXPECT_TRUE(reply.endsWith("}")) << round << reply.data();
    }
}

TEST(LiveResultsServer, AnswersOnlyRequestsNamingThisMachine) {
    LiveResultsServer server;
    const quint16 port = StartedOnLoopback(server);
    const QByteArray own = "127.0.0.1:" + QByteArray::number(port);
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"Host: " + own, "HTTP/1.1 200 "},
        {"Host: localhost:" + QByteArray::number(port), "HTTP/1.1 200 "},
        {"Host: ergebnisse.example.com", "HTTP/1.1 421 "},
        {"Host: " + own + "\r\nHost: evil.example", "HTTP/1.1 400 "},
        {"User-Agent: ohne Host", "HTTP/1.1 400 "},
    };
    for (const auto& [header, status] : cases) {
        const RawClient client(port);
        client.Send("GET /results.json HTTP/1.1\r\n" + header + "\r\n\r\n");
        EXPECT_TRUE(client.ReceiveOnce().startsWith(status)) << header.data();
    }
}

TEST(LiveResultsServer, ListensOnlyOnTheAddressTheSettingsName) {
    LiveResultsServer server;
    ASSERT_EQ(server.Start(0, std::string("127.0.0.1")), "");
    EXPECT_TRUE(RawClient(server.Port(), "127.0.0.1").Connected());
    EXPECT_NE(server.Start(0, std::string("keine Adresse")).find("keine Netzwerkadresse"),
              std::string::npos);
    EXPECT_FALSE(server.Running());
}

}  // namespace
