#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QThread>
#include <memory>
#include <mutex>
#include <string>

#include "files/Announcer.h"
#include "files/LiveResults.h"

class QHttpServer;
class QObject;

// Serves the live result page "/" and its data "/results.json" to phones on the arena's
// network. Requests are answered on a thread of its own from the pages of the last published
// snapshot, so neither the clock nor the table ever waits for a spectator. Read-only: GET and
// HEAD only, no files, small requests only.
class LiveResultsServer : public ILiveResults {
public:
    // Larger requests are refused and their connection closed.
    static constexpr qint64 MaxRequestBytes = 4096;
    // At most this many spectators are connected at once; more are turned away.
    static constexpr int MaxConnections = 400;
    // A connection that sends nothing for this long is closed.
    static constexpr int IdleTimeoutMs = 15000;

    LiveResultsServer();
    LiveResultsServer(const LiveResultsServer&) = delete;
    LiveResultsServer& operator=(const LiveResultsServer&) = delete;
    ~LiveResultsServer() override;

    // UI thread only. Listens on every interface.
    std::string Start(int port) override { return Start(port, QHostAddress::Any); }
    // UI thread only. Listens on the port (0 = any free one); empty on success, else a German
    // message for the operator. A running server is stopped first.
    std::string Start(int port, const QHostAddress& address);
    // UI thread only. Closes every connection; nothing answers on the port afterwards.
    void Stop() override;
    bool Running() const override { return port_ != 0; }
    // The port listened on; 0 while stopped.
    quint16 Port() const { return port_; }
    std::string AddressText() const override;

    // UI thread only. Renders the page and the data of the snapshot for the serving thread.
    // Cheap enough to call after every change of the table or the board.
    void Publish(const LiveSnapshot& snapshot) override;

private:
    struct Pages {
        QByteArray page;
        QByteArray json;
        AnnouncerSnapshot announcer;
    };
    // Any thread.
    std::shared_ptr<const Pages> CurrentPages() const;
    void Route(QHttpServer& http);

    QThread thread_;
    // Lives on thread_ while running; parent of the HTTP server and its sockets.
    QObject* home_ = nullptr;
    quint16 port_ = 0;
    mutable std::mutex pagesMutex_;
    std::shared_ptr<const Pages> pages_;
};

// The machine's address on the local network: the first IPv4 address, not loopback, of an
// interface that is up; empty when there is none.
std::string LocalNetworkAddress();
