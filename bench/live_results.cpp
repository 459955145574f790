// Live results under a grandstand's load: 200 phones fetch /results.json once a second for 10 s
// over loopback, all from one address as behind a venue's router, while the 10 ms run clock ticks
// on the main thread and a run is entered and published every second. Figures: requests answered
// per second, their p99 latency, how late the clock tick came at p99, and failed requests. Then the
// same 200 phones, each from an address of its own, under attack for 10 s: 450 slow-loris
// connections from 30 addresses trickle one byte every 5 s each (and come back when closed), and
// one client pipelines requests without ever reading a reply. Figures: the phones' requests per
// second, p99 latency, failed requests and how much the process's memory grew. Last, the bytes the
// arena's Wi-Fi carries for 200 phones on a class of 150 rows over 20 s of a show day (a run every
// 20 s: its start, stop, entry and the next starter are published): the whole data fetched once a
// second as the page used to, the same with ETag and gzip, and the page as it asks now (the
// question held until the data changed, ETag and gzip).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../tests/results/RankTable.h"
#include "ProcessMemory.h"
#include "files/Announcer.h"
#include "files/LiveResults.h"
#include "live/LiveResultsServer.h"
#include "results/ResultTable.h"
#include "results/Standing.h"
#include "results/TimeText.h"

namespace {

constexpr int kStarters = 200;
constexpr int kClients = 200;
constexpr int kSeconds = 10;
constexpr int kPollMs = 1000;
constexpr int kTickMs = 10;
constexpr int kLoris = 450;
constexpr int kLorisAddresses = 30;
constexpr int kLorisByteMs = 5000;
constexpr int kByteRows = 150;
constexpr int kByteSeconds = 20;

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

// A start list of 200 with names of show-day length; the first half has run.
ResultTable MakeTable() {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> run(14000, 24000);
    ResultTable table;
    table.SetRowCount(kStarters + 1);
    for (int i = 1; i <= kStarters; ++i) {
        const std::string nr = std::to_string(100 + i);
        const std::string time =
            i <= kStarters / 2 ? FormatTimeText(run(random), ',', Resolution::Hundredths) : "";
        table.SetRow(i, {nr, "Reiterin Müller-Lüdenscheidt " + nr, "Äskulap vom Sonnenhof " + nr,
                         "Team " + std::to_string(i % 12), time, time.empty() ? "" : "0", "", "",
                         time, "", std::to_string(i)});
    }
    return table;
}

// One phone: a kept-alive connection that asks for the data once a second. As a browser does, it
// sends a request again, once, on a new connection when the server had closed the kept one
// before any of the reply came. Client thread only.
class Phone {
public:
    Phone(quint16 port, std::vector<double>& latencies, int& failed, QHostAddress from = {})
        : port_(port), from_(std::move(from)), latencies_(latencies), failed_(failed) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { Read(); });
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this] {
            if (waiting_ && reused_ && buffer_.isEmpty() && !retried_) {
                retried_ = true;
                QMetaObject::invokeMethod(
                    &socket_, [this] { Send(); }, Qt::QueuedConnection);
            } else {
                Fail();
            }
        });
    }
    Phone(const Phone&) = delete;
    Phone& operator=(const Phone&) = delete;
    ~Phone() { QObject::disconnect(&socket_, nullptr, nullptr, nullptr); }

    void Ask() {
        if (waiting_) {
            Fail();  // no answer within a whole poll interval
        }
        waiting_ = true;
        retried_ = false;
        sent_.start();
        Send();
    }

private:
    void Send() {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            socket_.abort();
            reused_ = false;
            if (!from_.isNull()) {
                socket_.bind(from_);
            }
            socket_.connectToHost(QHostAddress::LocalHost, port_);
        }
        buffer_.clear();
        socket_.write("GET /results.json HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n");
    }

    void Read() {
        buffer_ += socket_.readAll();
        const auto headerEnd = buffer_.indexOf("\r\n\r\n");
        if (!waiting_ || headerEnd < 0) {
            return;
        }
        const auto lengthAt = buffer_.indexOf("Content-Length: ");
        if (lengthAt < 0 || lengthAt > headerEnd) {
            Fail();
            return;
        }
        const auto lengthEnd = buffer_.indexOf("\r\n", lengthAt);
        const qsizetype length = buffer_.mid(lengthAt + 16, lengthEnd - lengthAt - 16).toLongLong();
        if (buffer_.size() < headerEnd + 4 + length) {
            return;
        }
        waiting_ = false;
        reused_ = true;
        if (!buffer_.startsWith("HTTP/1.1 200 ")) {
            ++failed_;
            return;
        }
        latencies_.push_back(static_cast<double>(sent_.nsecsElapsed()) / 1e6);
    }

    void Fail() {
        if (waiting_) {
            ++failed_;
            waiting_ = false;
        }
        socket_.abort();
    }

    quint16 port_;
    QHostAddress from_;
    std::vector<double>& latencies_;
    int& failed_;
    QTcpSocket socket_;
    QByteArray buffer_;
    QElapsedTimer sent_;
    bool waiting_ = false;
    bool reused_ = false;   // the connection has carried a reply
    bool retried_ = false;  // the request was sent again
};

// Slow-loris connections: each sends the next byte of a request every 5 s, from one of a few
// addresses, and connects again when the server closes it. Attacker thread only.
class Loris {
public:
    explicit Loris(quint16 port) : port_(port) {
        for (int i = 0; i < kLoris; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            QTcpSocket* s = socket.get();
            const QHostAddress from(QStringLiteral("127.0.1.%1").arg(1 + i % kLorisAddresses));
            QObject::connect(s, &QTcpSocket::disconnected, [this, s, from] { Connect(*s, from); });
            Connect(*s, from);
            sockets_.push_back(std::move(socket));
        }
        // Every socket's turn comes once in kLorisByteMs.
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (int n = 0; n < kLoris / 50; ++n) {
                next_ = (next_ + 1) % sockets_.size();
                if (sockets_[next_]->state() == QAbstractSocket::ConnectedState) {
                    sockets_[next_]->write("G");
                }
            }
        });
        timer_.start(kLorisByteMs / 50);
    }
    Loris(const Loris&) = delete;
    Loris& operator=(const Loris&) = delete;
    ~Loris() {
        for (auto& socket : sockets_) {
            QObject::disconnect(socket.get(), nullptr, nullptr, nullptr);
        }
    }

private:
    void Connect(QTcpSocket& socket, const QHostAddress& from) {
        socket.abort();
        socket.bind(from);
        socket.connectToHost(QHostAddress::LocalHost, port_);
    }

    quint16 port_;
    std::vector<std::unique_ptr<QTcpSocket>> sockets_;
    std::size_t next_ = 0;
    QTimer timer_;
};

// A client that pipelines requests as fast as the server takes them and never reads a reply.
// Attacker thread only.
class Greedy {
public:
    explicit Greedy(quint16 port) {
        socket_.setReadBufferSize(1024);  // takes nothing from the system beyond this
        QObject::connect(&socket_, &QTcpSocket::connected, [this] { More(); });
        QObject::connect(&socket_, &QTcpSocket::bytesWritten, [this] { More(); });
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }
    Greedy(const Greedy&) = delete;
    Greedy& operator=(const Greedy&) = delete;
    ~Greedy() { QObject::disconnect(&socket_, nullptr, nullptr, nullptr); }

private:
    void More() {
        while (socket_.bytesToWrite() < 64 * 1024) {
            socket_.write("GET /results.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        }
    }
    QTcpSocket socket_;
};

// How a phone asks for the data in the bytes figures.
enum class Asking {
    Whole,        // the whole data once a second, as the page used to
    Conditional,  // once a second with the ETag it has, taking gzip
    Held,         // again at once with the ETag and "?wait", taking gzip, as the page does now
};

// A phone that counts every byte it receives. Client thread only.
class Reader {
public:
    Reader(quint16 port, Asking asking, qint64& bytes, int& failed, QHostAddress from)
        : port_(port), asking_(asking), from_(std::move(from)), bytes_(bytes), failed_(failed) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { Read(); });
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this] {
            if (waiting_) {
                waiting_ = false;
                socket_.abort();
                Later(1000);  // as the page does after a failed question
            }
        });
        QObject::connect(&timer_, &QTimer::timeout, [this] { Ask(); });
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader() { QObject::disconnect(&socket_, nullptr, nullptr, nullptr); }

    void Later(int ms) { timer_.start(ms); }

private:
    void Ask() {
        if (asking_ != Asking::Held) {
            timer_.start(kPollMs);
        }
        if (waiting_) {
            ++failed_;
            socket_.abort();
        }
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            socket_.abort();
            socket_.bind(from_);
            socket_.connectToHost(QHostAddress::LocalHost, port_);
        }
        QByteArray request = "GET /results.json";
        if (asking_ == Asking::Held && !etag_.isEmpty()) {
            request += "?wait";
        }
        request += " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n";
        if (asking_ != Asking::Whole) {
            request += "Accept-Encoding: gzip, deflate\r\n";
            if (!etag_.isEmpty()) {
                request += "If-None-Match: " + etag_ + "\r\n";
            }
        }
        waiting_ = true;
        buffer_.clear();
        socket_.write(request + "\r\n");
    }

    static QByteArray Header(const QByteArray& head, const QByteArray& name) {
        const qsizetype at = head.indexOf("\r\n" + name + ": ");
        if (at < 0) {
            return {};
        }
        const qsizetype from = at + name.size() + 4;
        return head.mid(from, head.indexOf("\r\n", from) - from);
    }

    void Read() {
        buffer_ += socket_.readAll();
        const auto headerEnd = buffer_.indexOf("\r\n\r\n");
        if (!waiting_ || headerEnd < 0) {
            return;
        }
        const QByteArray head = buffer_.left(headerEnd + 2);
        const qsizetype length = Header(head, "Content-Length").toLongLong();
        if (buffer_.size() < headerEnd + 4 + length) {
            return;
        }
        waiting_ = false;
        bytes_ += headerEnd + 4 + length;
        if (head.startsWith("HTTP/1.1 200 ")) {
            etag_ = Header(head, "ETag");
        } else if (!head.startsWith("HTTP/1.1 304 ")) {
            ++failed_;
        }
        if (asking_ == Asking::Held) {
            Later(Header(head, "Retry-After").toInt() * 1000);
        }
    }

    quint16 port_;
    Asking asking_;
    QHostAddress from_;
    qint64& bytes_;
    int& failed_;
    QTcpSocket socket_;
    QTimer timer_;
    QByteArray buffer_;
    QByteArray etag_;
    bool waiting_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The clients stand for phones elsewhere on the network: no proxy lookup on this machine
    // for each of their connections.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ResultTable table = MakeTable();
    RankTable(table);
    int entered = kStarters / 2;
    std::vector<double> publishMs;
    LiveResultsServer server;
    // An entry as the operator makes it: total written, ranked, snapshot taken and published.
    auto enter = [&] {
        QElapsedTimer took;
        took.start();
        ++entered;
        const std::string total = FormatTimeText(15000 + entered * 37, ',', Resolution::Hundredths);
        table.SetCell(ColLaufzeit, entered, total);
        table.SetCell(ColStrafen, entered, "0");
        table.SetCell(ColTotal, entered, total);
        RankTable(table);
        server.Publish(MakeLiveSnapshot(
            MakeStanding(table, {}, {}),
            {"Barrel Racing", table.Cell(ColNr, entered + 1), table.Cell(ColName, entered + 1),
             table.Cell(ColPferd, entered + 1), false},
            true));
        publishMs.push_back(static_cast<double>(took.nsecsElapsed()) / 1e6);
    };
    enter();
    const std::string error = server.Start(0, QHostAddress::LocalHost);
    if (!error.empty()) {
        std::printf("%s\n", error.c_str());
        return 1;
    }

    // The phones live on a thread of their own, as they would on other machines.
    QThread phoneThread;
    QObject phoneHome;
    phoneHome.moveToThread(&phoneThread);
    phoneThread.start();
    std::vector<double> latencies;
    int failed = 0;
    std::vector<std::unique_ptr<Phone>> phones;
    std::vector<std::unique_ptr<QTimer>> phoneTimers;
    // The phones come from one address (a venue's network behind one router, or a scoreboard
    // fetching for many screens), or each from an address of its own (127.0.2.x).
    auto startPhones = [&](bool ownAddresses) {
        QMetaObject::invokeMethod(
            &phoneHome,
            [&] {
                for (int i = 0; i < kClients; ++i) {
                    const QHostAddress from(ownAddresses ? QStringLiteral("127.0.2.%1").arg(1 + i)
                                                         : QStringLiteral("127.0.0.1"));
                    phones.push_back(
                        std::make_unique<Phone>(server.Port(), latencies, failed, from));
                    auto timer = std::make_unique<QTimer>();
                    timer->setTimerType(Qt::PreciseTimer);  // phones do not tick together
                    Phone* phone = phones.back().get();
                    QObject::connect(timer.get(), &QTimer::timeout, [phone, timer = timer.get()] {
                        phone->Ask();
                        timer->start(kPollMs);
                    });
                    // Spread the first requests over the first second.
                    timer->start(i * kPollMs / kClients);
                    phoneTimers.push_back(std::move(timer));
                }
            },
            Qt::BlockingQueuedConnection);
    };
    auto stopPhones = [&] {
        QMetaObject::invokeMethod(
            &phoneHome,
            [&] {
                phoneTimers.clear();
                phones.clear();
            },
            Qt::BlockingQueuedConnection);
    };
    startPhones(false);

    std::vector<double> lateMs;
    QElapsedTimer run;
    run.start();
    qint64 lastTick = 0;
    int ticks = 0;
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock, &QTimer::timeout, [&] {
        const qint64 now = run.nsecsElapsed();
        if (lastTick != 0) {
            lateMs.push_back(std::max(0.0, static_cast<double>(now - lastTick) / 1e6 - kTickMs));
        }
        lastTick = now;
        if (++ticks % (kPollMs / kTickMs) == 0) {
            enter();
        }
        if (now >= std::chrono::nanoseconds(std::chrono::seconds(kSeconds)).count()) {
            app.quit();
        }
    });
    clock.start(kTickMs);
    app.exec();
    const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;

    stopPhones();

    std::printf("answered %zu of about %d requests, latency p50 %.2f ms, max %.2f ms\n",
                latencies.size(), kClients * kSeconds, Percentile(latencies, 0.5),
                Percentile(latencies, 1.0));
    std::printf("clock ticks %zu, late p50 %.2f ms, max %.2f ms\n", lateMs.size(),
                Percentile(lateMs, 0.5), Percentile(lateMs, 1.0));
    std::printf("entry + publish of %d starters: p50 %.3f ms, max %.3f ms\n", kStarters,
                Percentile(publishMs, 0.5), Percentile(publishMs, 1.0));
    std::printf("live results: %.0f requests/s, p99 %.2f ms, tick p99 %.2f ms, failed %d\n",
                static_cast<double>(latencies.size()) / seconds, Percentile(latencies, 0.99),
                Percentile(lateMs, 0.99), failed);
    std::fflush(stdout);
    clock.stop();

    // Under attack: the attackers come first and settle in, then the phones come from 200
    // addresses of their own and ask once a second.
    QThread attackThread;
    QObject attackHome;
    attackHome.moveToThread(&attackThread);
    attackThread.start();
    const double memoryBefore = RssMb();
    std::unique_ptr<Loris> loris;
    std::unique_ptr<Greedy> greedy;
    QMetaObject::invokeMethod(
        &attackHome,
        [&] {
            loris = std::make_unique<Loris>(server.Port());
            greedy = std::make_unique<Greedy>(server.Port());
        },
        Qt::BlockingQueuedConnection);
    QThread::msleep(2000);
    latencies.clear();
    failed = 0;
    startPhones(true);
    double memoryMax = RssMb();
    QElapsedTimer attack;
    attack.start();
    QTimer sample;
    int samples = 0;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        memoryMax = std::max(memoryMax, RssMb());
        if (++samples % 10 == 0) {
            enter();
        }
        if (attack.elapsed() >= kSeconds * 1000) {
            app.quit();
        }
    });
    sample.start(100);
    app.exec();
    const double attackSeconds = static_cast<double>(attack.nsecsElapsed()) / 1e9;
    stopPhones();
    QMetaObject::invokeMethod(
        &attackHome,
        [&] {
            loris.reset();
            greedy.reset();
        },
        Qt::BlockingQueuedConnection);
    attackThread.quit();
    attackThread.wait();
    phoneThread.quit();
    phoneThread.wait();

    std::printf(
        "live results under attack: %.0f requests/s, p99 %.2f ms, failed %d, memory +%.1f MB\n",
        static_cast<double>(latencies.size()) / attackSeconds, Percentile(latencies, 0.99), failed,
        memoryMax - memoryBefore);
    std::fflush(stdout);

    // Bytes on the arena's Wi-Fi: a class of 150, 100 of them run, at a show day's pace.
    table = MakeTable();
    table.SetRowCount(kByteRows + 1);
    RankTable(table);
    int onCourse = kStarters / 2;
    auto publishShowDay = [&](AnnouncerClock clock) {
        const Standing standing = MakeStanding(table, {}, {});
        LiveSnapshot snapshot = MakeLiveSnapshot(
            standing,
            {"Barrel Racing", table.Cell(ColNr, onCourse), table.Cell(ColName, onCourse),
             table.Cell(ColPferd, onCourse), clock == AnnouncerClock::Running},
            true);
        snapshot.announcer.clock = clock;
        snapshot.announcer.startMs = 1000 * onCourse;
        snapshot.announcer.stoppedTime = clock == AnnouncerClock::Stopped ? "16,42" : "";
        server.Publish(snapshot);
    };
    onCourse = 101;
    publishShowDay(AnnouncerClock::Idle);
    const char* names[] = {"polled each second", "with ETag and gzip", "as the page asks now"};
    double bytesPerSecond[3] = {};
    QThread readerThread;
    QObject readerHome;
    readerHome.moveToThread(&readerThread);
    readerThread.start();
    for (const Asking asking : {Asking::Whole, Asking::Conditional, Asking::Held}) {
        qint64 bytes = 0;
        int readerFailed = 0;
        std::vector<std::unique_ptr<Reader>> readers;
        QMetaObject::invokeMethod(
            &readerHome,
            [&] {
                for (int i = 0; i < kClients; ++i) {
                    readers.push_back(std::make_unique<Reader>(
                        server.Port(), asking, bytes, readerFailed,
                        QHostAddress(QStringLiteral("127.0.3.%1").arg(1 + i))));
                    readers.back()->Later(i * kPollMs / kClients);
                }
            },
            Qt::BlockingQueuedConnection);
        QElapsedTimer span;
        span.start();
        int step = 0;
        QTimer pace;
        // Within each 20 s: the start at 0 s, the stop at 16 s, the entry at 18 s and the next
        // starter at 19 s.
        const auto onPace = [&] {
            server.Alive();  // the program's heartbeat, as its window thread sends it each second
            const int second = step++ % 20;
            if (second == 0) {
                publishShowDay(AnnouncerClock::Running);
            } else if (second == 16) {
                publishShowDay(AnnouncerClock::Stopped);
            } else if (second == 18) {
                const std::string total = FormatTimeText(16420, ',', Resolution::Hundredths);
                table.SetCell(ColLaufzeit, onCourse, total);
                table.SetCell(ColStrafen, onCourse, "0");
                table.SetCell(ColTotal, onCourse, total);
                RankTable(table);
                publishShowDay(AnnouncerClock::Stopped);
            } else if (second == 19) {
                ++onCourse;
                publishShowDay(AnnouncerClock::Idle);
            }
            if (span.elapsed() >= kByteSeconds * 1000) {
                app.quit();
            }
        };
        QObject::connect(&pace, &QTimer::timeout, onPace);
        pace.start(1000);
        QTimer::singleShot(0, onPace);
        app.exec();
        const double spanSeconds = static_cast<double>(span.nsecsElapsed()) / 1e9;
        QMetaObject::invokeMethod(
            &readerHome, [&] { readers.clear(); }, Qt::BlockingQueuedConnection);
        const auto index = static_cast<std::size_t>(asking);
        bytesPerSecond[index] = static_cast<double>(bytes) / spanSeconds;
        std::printf("live bytes, %d phones on %d rows, %s: %.0f kB/s, failed %d\n", kClients,
                    kByteRows, names[index], bytesPerSecond[index] / 1000, readerFailed);
        std::fflush(stdout);
    }
    readerThread.quit();
    readerThread.wait();
    server.Stop();
    std::printf("live bytes with ETag and gzip: %.1f %% of polled each second\n",
                100 * bytesPerSecond[1] / bytesPerSecond[0]);
    std::printf("live bytes as the page asks now: %.1f %% of polled each second\n",
                100 * bytesPerSecond[2] / bytesPerSecond[0]);
    return 0;
}
