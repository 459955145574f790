#include "ui/LiveResultsServer.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

#include "QtTestApp.h"
#include "files/LiveResults.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"

namespace {

struct Reply {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray type;
    QByteArray length;
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
    Ranking(table, ',').RankAndSort();
    return MakeLiveSnapshot(table, ',', {"Barrel Racing", "3", "Cara", "Luna", true});
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

    const Reply page = Fetch(port, "GET", "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.type, "text/html; charset=utf-8");
    EXPECT_TRUE(page.body.contains("J\xc3\xb6rg Wei\xc3\x9f"));
    EXPECT_EQ(page.body.count("<script"), 2);

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

}  // namespace
