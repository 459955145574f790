#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "files/Announcer.h"
#include "files/LiveResults.h"

class QObject;

// How far one spectator's connection may go. The defaults are for the arena; tests shrink them.
struct LiveServerLimits {
    // Larger requests are refused and their connection closed.
    qint64 maxRequestBytes = 4096;
    // At most this many spectators are connected at once; a new one takes the place of the
    // connection that has waited longest without a request under way.
    int maxConnections = 400;
    // One address gets no more than this share of the places: an eighth, so that one client
    // cannot crowd out the others, while a venue's network behind one router address or a
    // scoreboard fetching for many screens still gets room enough for its busy clients.
    int maxPerAddress = 50;
    // Connections taken from the system in one go before the waiting requests are served, so
    // that a flood of new connections does not hold up the spectators already connected.
    int acceptBatch = 8;
    // A request must have arrived whole this long after its first byte (or after the
    // connection was opened); later bytes do not extend it.
    int requestDeadlineMs = 5000;
    // A kept-alive connection without a new request, or whose client takes none of its reply,
    // is closed after this long.
    int idleTimeoutMs = 15000;
    // Requests of a connection are not read on while this much of its replies is unsent.
    qint64 maxUnsentBytes = 1 << 20;
    // A question for data the client already has (its ETag in "If-None-Match", and "?wait") is
    // held until the data changes, at most this long; then it is answered "unchanged" (304).
    int holdMs = 5000;
    // The window thread publishes a snapshot after each change and says it is alive every
    // second. When neither came for this long, the program hangs while this thread still
    // answers: the data says so ("stale"), so that the pages stop their clocks.
    int staleAfterMs = 4000;
};

// Serves the live result page "/" and its data "/results.json" to phones on the arena's
// network, with the results of each class of a show at "/klasse/N.json", the announcer's page
// "/sprecher" with its data "/sprecher.json", and the video overlay "/overlay". The data carries an
// ETag: a client that names it in "If-None-Match" gets 304 while it is the same, and with "?wait"
// its question is held until the data changes, so a page hears of a stopped clock at once. Replies
// are compressed once per snapshot for clients that take gzip, and carry the program's clock in
// "X-Now-Ms" so that a page runs the clock of a run from its start stamp. Requests are answered on
// a thread of its own from the pages of the last published snapshot, so neither the clock nor the
// table ever waits for a spectator. Read-only: GET and HEAD only, no files, small requests only.
//
// The arena's network is open to every phone, so the connections are kept on a short leash: a
// handful per address, a deadline for each request that new bytes do not extend, the oldest idle
// connection closed when all places are taken, and no more reading from a client that does not
// take its replies.
class LiveResultsServer : public ILiveResults {
public:
    explicit LiveResultsServer(const LiveServerLimits& limits = {});
    LiveResultsServer(const LiveResultsServer&) = delete;
    LiveResultsServer& operator=(const LiveResultsServer&) = delete;
    ~LiveResultsServer() override;

    // UI thread only. address: empty for every interface, else one of the machine's addresses.
    std::string Start(int port, const std::string& address) override;
    // UI thread only. Listens on the port (0 = any free one); empty on success, else a German
    // message for the operator. A running server is stopped first.
    std::string Start(int port, const QHostAddress& address);
    // UI thread only. Closes every connection; nothing answers on the port afterwards.
    void Stop() override;
    bool Running() const override { return port_ != 0; }
    // The port listened on; 0 while stopped.
    quint16 Port() const { return port_; }
    std::string AddressText() const override;
    std::string PageAddress() const override;

    // UI thread only. Renders the page and the data of the snapshot for the serving thread.
    // Cheap enough to call after every change of the table or the board.
    void Publish(const LiveSnapshot& snapshot) override;
    // Any thread, from the window thread every second: the program still works.
    void Alive() override;
    // Neither a snapshot nor a heartbeat came for LiveServerLimits::staleAfterMs. Any thread.
    bool Stale() const;

    // What a path is answered with; nothing when there is no such page. Any thread.
    struct Page {
        QByteArray type;
        QByteArray body;
        QByteArray gzip;  // the body compressed; empty where it is sent as it is
        QByteArray etag;  // the version of the data; empty for a page without one
    };
    std::optional<Page> Route(const QByteArray& path) const;

private:
    // A reply's body as every request gets it, made once per snapshot.
    struct Body {
        QByteArray plain;
        QByteArray gzip;
        QByteArray etag;
    };
    static Body Prepare(const std::string& text);
    // The address phones reach the server by: the one it listens on, or the machine's address
    // on the local network when it listens on every one.
    std::string ReachedAt() const;
    struct Pages {
        Body page;
        Body json;
        // The data as a hung program's readers get it, made when first asked for.
        mutable std::mutex staleMutex;
        mutable std::shared_ptr<const Body> staleJson;
        AnnouncerSnapshot announcer;
        QByteArray announcerEtag;
        // Each class of the show alone ("/klasse/N.json", N from 1), the open one among them;
        // another class's body is made again only when its results changed.
        std::vector<std::shared_ptr<const std::string>> classSources;
        std::vector<std::shared_ptr<const Body>> classes;
    };
    // Any thread.
    std::shared_ptr<const Pages> CurrentPages() const;
    // The data with what a reader of a hung program needs in front: "stale" and, on the
    // program's clock in milliseconds, when it was last heard ("heardMs").
    std::string StaleText(const QByteArray& data) const;

    const LiveServerLimits limits_;
    QThread thread_;
    // Lives on thread_ while running; parent of the listener and its connections.
    QObject* home_ = nullptr;
    // The listener on thread_, told of each new snapshot for the questions it holds.
    QObject* listener_ = nullptr;
    quint16 port_ = 0;
    QHostAddress address_;
    mutable std::mutex pagesMutex_;
    std::shared_ptr<const Pages> pages_;
    // When the window thread was last heard, on the program's clock in milliseconds.
    std::atomic<std::int64_t> heardMs_{0};
};

// The machine's address on the local network: the first IPv4 address, not loopback, of an
// interface that is up; empty when there is none.
std::string LocalNetworkAddress();

// The names a request may give in its Host header to reach this machine: "localhost", the
// machine's name (also with ".local" and its domain) and every address of its interfaces, all in
// lower case, IPv6 addresses in brackets.
std::set<QByteArray> OwnHostNames();

// The addresses the server can listen on, for the settings dialog: each address of an interface
// that is up, with the interface's name ("192.168.1.20 (wlan0)").
struct ListenAddress {
    std::string address;
    std::string label;
};
std::vector<ListenAddress> ListenAddresses();
