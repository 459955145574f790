#include "ui/LiveResultsServer.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "files/Announcer.h"
#include "files/LiveResults.h"
#include "serial/MonotonicClock.h"

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponder::StatusCode;

// The one answer written outside the HTTP module: the module would buffer an endless request.
constexpr char kTooLarge[] =
    "HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

// Accepts connections for the HTTP server, bounded in number, size and idle time, so that no
// spectator's phone can fill the program's memory or file handles.
class GuardedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    // Server thread only.
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly).size() >
            LiveResultsServer::MaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        socket->setReadBufferSize(4 * LiveResultsServer::MaxRequestBytes);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(LiveResultsServer::IdleTimeoutMs);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        // Connected before the HTTP server's own reader, so it sees each chunk first. The
        // server reads a request inside a socket transaction and commits it when complete, so
        // no open transaction means a new request begins.
        connect(socket, &QTcpSocket::readyRead, socket,
                [socket, idle, received = qint64{0}]() mutable {
                    idle->start();
                    if (!socket->isTransactionStarted()) {
                        received = 0;
                    }
                    received += socket->bytesAvailable();
                    if (received > LiveResultsServer::MaxRequestBytes) {
                        QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
                        socket->write(kTooLarge);
                        socket->disconnectFromHost();
                    }
                });
        addPendingConnection(socket);
    }
};

// Headers and the body for GET, the same headers without the body for HEAD.
void Answer(const QHttpServerRequest& request, QHttpServerResponder& responder, Status status,
            const QByteArray& type, const QByteArray& body) {
    responder.writeStatusLine(status);
    responder.writeHeaders({{"Content-Type", type},
                            {"Content-Length", QByteArray::number(body.size())},
                            {"Cache-Control", "no-store"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Content-Security-Policy",
                             "default-src 'none'; script-src 'unsafe-inline'; "
                             "style-src 'unsafe-inline'; connect-src 'self'"}});
    if (status == Status::MethodNotAllowed) {
        responder.writeHeader("Allow", "GET, HEAD");
    }
    responder.writeBody(request.method() == Method::Head ? QByteArray() : body);
}

void Refuse(const QHttpServerRequest& request, QHttpServerResponder& responder) {
    const bool reading = request.method() == Method::Get || request.method() == Method::Head;
    Answer(request, responder, reading ? Status::NotFound : Status::MethodNotAllowed,
           "text/plain; charset=utf-8", reading ? "Nicht gefunden\n" : "Nur lesender Zugriff\n");
}

}  // namespace

LiveResultsServer::LiveResultsServer() {
    Publish(LiveSnapshot{});
}

LiveResultsServer::~LiveResultsServer() {
    Stop();
}

std::string LiveResultsServer::Start(int port, const QHostAddress& address) {
    Stop();
    const std::string prefix = "Live-Ergebnisse: Port " + std::to_string(port);
    if (port < 0 || port > 65535) {
        return prefix + " gibt es nicht (1 bis 65535).";
    }
    home_ = new QObject;
    home_->moveToThread(&thread_);
    thread_.start();
    QString error;
    auto reason = QAbstractSocket::UnknownSocketError;
    QMetaObject::invokeMethod(
        home_,
        [&] {
            auto* http = new QHttpServer(home_);
            Route(*http);
            auto* tcp = new GuardedTcpServer(http);
            if (tcp->listen(address, static_cast<quint16>(port))) {
                http->bind(tcp);
                port_ = tcp->serverPort();
            } else {
                error = tcp->errorString();
                reason = tcp->serverError();
                delete http;
            }
        },
        Qt::BlockingQueuedConnection);
    if (port_ != 0) {
        return {};
    }
    Stop();
    const std::string advice = " Bitte in den Einstellungen einen anderen Port wählen.";
    switch (reason) {
        case QAbstractSocket::AddressInUseError:
            return prefix + " ist belegt." + advice;
        case QAbstractSocket::SocketAccessError:
            return prefix + " ist dem System vorbehalten (Ports unter 1024)." + advice;
        default:
            return prefix + " kann nicht geöffnet werden (" + error.toStdString() + ").";
    }
}

void LiveResultsServer::Stop() {
    if (home_ == nullptr) {
        return;
    }
    // The HTTP server, its listener and every connection go on their own thread.
    QMetaObject::invokeMethod(
        home_, [this] { qDeleteAll(home_->children()); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete home_;
    home_ = nullptr;
    port_ = 0;
}

std::string LiveResultsServer::AddressText() const {
    return LiveAddressText(LocalNetworkAddress(), port_);
}

void LiveResultsServer::Publish(const LiveSnapshot& snapshot) {
    const std::string json = LiveResultsJson(snapshot);
    const std::string page = LiveResultsPage(snapshot);
    auto pages = std::make_shared<const Pages>(
        Pages{QByteArray(page.data(), static_cast<qsizetype>(page.size())),
              QByteArray(json.data(), static_cast<qsizetype>(json.size())), snapshot.announcer});
    const std::lock_guard lock(pagesMutex_);
    pages_ = std::move(pages);
}

std::shared_ptr<const LiveResultsServer::Pages> LiveResultsServer::CurrentPages() const {
    const std::lock_guard lock(pagesMutex_);
    return pages_;
}

void LiveResultsServer::Route(QHttpServer& http) {
    const QHttpServerRequest::Methods reading = Method::Get | Method::Head;
    // Patterns are regular expressions matched against the whole path.
    http.route("/", reading,
               [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                   Answer(request, responder, Status::Ok, "text/html; charset=utf-8",
                          CurrentPages()->page);
               });
    http.route("/results\\.json", reading,
               [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                   Answer(request, responder, Status::Ok, "application/json; charset=utf-8",
                          CurrentPages()->json);
               });
    // The announcer's page and its data; the data carries the program's clock as it is served,
    // so the page runs the clock of a run from its start stamp.
    http.route("/sprecher", reading,
               [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                   static const QByteArray page = QByteArray::fromStdString(AnnouncerPage());
                   Answer(request, responder, Status::Ok, "text/html; charset=utf-8", page);
               });
    http.route("/sprecher\\.json", reading,
               [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                   const std::int64_t nowMs = MonotonicRawNow() / (MonotonicRawFrequency / 1000);
                   Answer(
                       request, responder, Status::Ok, "application/json; charset=utf-8",
                       QByteArray::fromStdString(AnnouncerJson(CurrentPages()->announcer, nowMs)));
               });
    http.setMissingHandler([](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        Refuse(request, responder);
    });
}

std::string LocalNetworkAddress() {
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback()) {
                return ip.toString().toStdString();
            }
        }
    }
    return {};
}
