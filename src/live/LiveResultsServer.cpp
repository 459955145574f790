#include "live/LiveResultsServer.h"

#include <sys/ioctl.h>

#include <QCryptographicHash>
#include <QHash>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "clock/MonotonicClock.h"
#include "files/Announcer.h"
#include "files/LiveResults.h"
#include "files/Overlay.h"
#include "live/Gzip.h"
#include "live/HttpRequest.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

QByteArray ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Payload Too Large";
        case 421:
            return "Misdirected Request";
        default:
            return "Error";
    }
}

// The program's clock in milliseconds, as a page runs the clock of a run from its start stamp.
std::int64_t ProgramMs() {
    return MonotonicRawNow() / (MonotonicRawFrequency / 1000);
}

QByteArray ClockHeader() {
    return "X-Now-Ms: " + QByteArray::number(ProgramMs()) + "\r\n";
}

// One whole reply in one piece, so that it leaves in one write. extra: header lines of its own.
QByteArray Reply(int status, const QByteArray& type, const QByteArray& body, bool head, bool close,
                 const QByteArray& extra = {}) {
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status) +
                       "\r\nContent-Type: " + type +
                       "\r\nContent-Length: " + QByteArray::number(body.size()) +
                       "\r\nCache-Control: no-store"
                       "\r\nX-Content-Type-Options: nosniff"
                       "\r\nX-Frame-Options: DENY"
                       "\r\nContent-Security-Policy: default-src 'none'; script-src "
                       "'unsafe-inline'; style-src 'unsafe-inline'; connect-src 'self'; "
                       "frame-ancestors 'none'\r\n";
    if (status == 405) {
        reply += "Allow: GET, HEAD\r\n";
    }
    if (close) {
        reply += "Connection: close\r\n";
    }
    reply += extra;
    reply += "\r\n";
    if (!head) {
        reply += body;
    }
    return reply;
}

// "The data you have is still the current one": no body. retry: the client is asked to wait
// a second before its next question (its connection made room for another).
QByteArray NotModified(const QByteArray& etag, bool close, bool retry = false) {
    QByteArray reply = "HTTP/1.1 304 Not Modified\r\nETag: " + etag +
                       "\r\nCache-Control: no-store\r\n" + ClockHeader();
    if (retry) {
        reply += "Retry-After: 1\r\n";
    }
    if (close) {
        reply += "Connection: close\r\n";
    }
    return reply + "\r\n";
}

// The listener and its connections, all on the server's thread.
class Connections : public QTcpServer {
public:
    Connections(const LiveResultsServer& pages, const LiveServerLimits& limits,
                std::set<QByteArray> hosts, QObject* parent)
        : QTcpServer(parent),
          pages_(pages),
          limits_(limits),
          requestDeadline_(limits.requestDeadlineMs),
          idleTimeout_(limits.idleTimeoutMs),
          hosts_(std::move(hosts)) {
        sweep_.setInterval(std::clamp(limits.requestDeadlineMs / 10, 10, 250));
        connect(&sweep_, &QTimer::timeout, this, [this] { Sweep(); });
        sweep_.start();
        // Qt stops taking connections from the system once this many wait to be admitted, and
        // they are admitted only after the requests already received have had their turn.
        setMaxPendingConnections(std::max(1, limits.acceptBatch));
        connect(this, &QTcpServer::newConnection, this, [this] {
            if (!admitting_) {
                admitting_ = true;
                QMetaObject::invokeMethod(
                    this, [this] { AdmitPending(); }, Qt::QueuedConnection);
            }
        });
    }
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;
    ~Connections() override {
        for (const auto& connection : open_) {
            connection->socket->disconnect(this);
        }
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        addPendingConnection(socket);
    }

private:
    struct Connection {
        QTcpSocket* socket;
        QHostAddress peer;
        QByteArray input;             // received, not yet answered
        Clock::time_point deadline;   // for the request under way, or the next one
        Clock::time_point idleSince;  // opened, or the last reply written
        Clock::time_point progress;   // the client last took some of its replies
        bool answered = false;        // at least one request was answered
        bool closing = false;         // the last reply is written, then the connection ends
        // A question held until the data changes (see LiveServerLimits::holdMs).
        std::optional<HttpRequest> held;
        bool heldClose = false;
        Clock::time_point heldUntil;
    };

public:
    // A new snapshot is published: the questions held whose data changed are answered.
    void Changed() {
        std::vector<Connection*> held;
        for (const auto& c : open_) {
            if (c->held) {
                held.push_back(c.get());
            }
        }
        for (Connection* c : held) {
            if (IsOpen(c)) {
                Release(*c, false);
            }
        }
    }

private:
    bool IsOpen(const Connection* c) const {
        return std::any_of(open_.begin(), open_.end(), [c](const auto& o) { return o.get() == c; });
    }

    // Answers a held question: with the new data, or, when final, "unchanged" if it is not new.
    void Release(Connection& c, bool final) {
        std::optional<QByteArray> reply = ReplyFor(*c.held, c.heldClose, !final);
        if (!reply) {
            return;
        }
        const bool close = c.heldClose;
        c.held.reset();
        Write(c, *reply, close);
        Serve(c);  // requests the client sent behind it
    }

    void AdmitPending() {
        admitting_ = false;
        while (QTcpSocket* socket = nextPendingConnection()) {
            Admit(socket);
        }
    }

    void Admit(QTcpSocket* socket) {
        const QHostAddress peer = socket->peerAddress();
        // Room is made first within the address's own share, then among all.
        if ((perAddress_.value(peer) >= limits_.maxPerAddress && !CloseOldestIdle(&peer)) ||
            (std::ssize(open_) >= limits_.maxConnections && !CloseOldestIdle(nullptr))) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        // Replies leave whole at once. Neither Qt nor the system takes much more than a request
        // from the client, so a flood waits in the client's own buffers.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 64 * 1024);
        socket->setReadBufferSize(2 * limits_.maxRequestBytes);
        const Clock::time_point now = Clock::now();
        auto connection = std::make_unique<Connection>(Connection{
            socket, peer, {}, now + requestDeadline_, now, now, false, false, {}, false, {}});
        Connection* c = connection.get();
        open_.push_back(std::move(connection));
        ++perAddress_[peer];
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { Serve(*c); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, c] {
            c->progress = Clock::now();
            Serve(*c);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { Forget(c); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, c] { Close(c); });
        Serve(*c);
    }

    // Which idle connection goes first: those that never completed a request (silent and
    // slow ones), then kept-alive ones, and last those just opened, whose first request may
    // still be on its way; within each, the one idle longest.
    static std::pair<int, Clock::time_point> EvictionOrder(const Connection& c,
                                                           Clock::time_point now) {
        constexpr milliseconds kJustOpened{100};
        const int kind = c.answered ? 1 : (now - c.idleSince < kJustOpened ? 2 : 0);
        return {kind, c.idleSince};
    }

    // Closes the connection of the address (of any with nullptr) that has waited longest
    // without a reply under way (see EvictionOrder). A connection whose next request has
    // arrived but is not read yet is not idle. False when every connection is busy.
    bool CloseOldestIdle(const QHostAddress* peer) {
        const Clock::time_point now = Clock::now();
        std::vector<const Connection*> busy;
        for (;;) {
            Connection* oldest = nullptr;
            for (const auto& c : open_) {
                if ((peer != nullptr && c->peer != *peer) || c->closing ||
                    c->socket->bytesToWrite() > 0 ||
                    std::find(busy.begin(), busy.end(), c.get()) != busy.end()) {
                    continue;
                }
                if (oldest == nullptr || EvictionOrder(*c, now) < EvictionOrder(*oldest, now)) {
                    oldest = c.get();
                }
            }
            if (oldest == nullptr) {
                return false;
            }
            if (!RequestWaiting(*oldest)) {
                if (oldest->held) {
                    // Its page is told "unchanged" and to wait a second, not cut off.
                    const std::optional<LiveResultsServer::Page> page =
                        pages_.Route(oldest->held->path);
                    oldest->socket->write(
                        NotModified(page ? page->etag : QByteArray(), true, true));
                    oldest->socket->flush();
                }
                Close(oldest);
                return true;
            }
            busy.push_back(oldest);
        }
    }

    // True when bytes of the client wait in the system, not yet read.
    static bool RequestWaiting(const Connection& c) {
        int waiting = 0;
        return ::ioctl(static_cast<int>(c.socket->socketDescriptor()), FIONREAD, &waiting) == 0 &&
               waiting > 0;
    }

    // Answers every complete request received, in order, as long as the client takes its
    // replies.
    void Serve(Connection& c) {
        while (!c.closing && !c.held && c.socket->bytesToWrite() <= limits_.maxUnsentBytes) {
            const bool waiting = c.input.isEmpty();
            const qint64 room = limits_.maxRequestBytes + 4 - c.input.size();
            if (room > 0) {
                c.input += c.socket->read(room);
            }
            if (waiting && c.answered && !c.input.isEmpty()) {
                c.deadline = Clock::now() + requestDeadline_;  // a new request begins
            }
            qsizetype headLength = 0;
            const qsizetype end = HeadEnd(c.input, headLength);
            if (end < 0 && c.input.size() > limits_.maxRequestBytes) {
                Answer(c, 413, true);
                return;
            }
            if (end < 0) {
                return;
            }
            const HttpRequest request = ParseRequest(c.input.left(headLength));
            c.input.remove(0, end);
            Answer(c, request);
        }
    }

    void Answer(Connection& c, const HttpRequest& request) {
        const bool reading = request.method == "GET" || request.method == "HEAD";
        if (!request.wellFormed || request.hostCount > 1 || (!request.http10 && !request.host)) {
            Answer(c, 400, true);
        } else if (!reading) {
            Answer(c, 405, true);  // its body is not read
        } else if (request.hasBody) {
            Answer(c, 413, true);
        } else if (request.host && !hosts_.contains(*request.host)) {
            Answer(c, 421, true);  // another site's name pointing at us
        } else {
            const bool close = request.http10 || request.closeAsked;
            if (std::optional<QByteArray> reply = ReplyFor(request, close, request.wait)) {
                Write(c, *reply, close);
            } else {
                c.held = request;
                c.heldClose = close;
                c.heldUntil = Clock::now() + milliseconds(limits_.holdMs);
                c.answered = true;
                c.idleSince = Clock::now();
            }
        }
    }

    // The reply to a reading request; nothing when it is to be held until the data changes.
    std::optional<QByteArray> ReplyFor(const HttpRequest& request, bool close, bool mayHold) const {
        const bool head = request.method == "HEAD";
        const std::optional<LiveResultsServer::Page> page = pages_.Route(request.path);
        if (!page) {
            return Reply(404, "text/plain; charset=utf-8", "Nicht gefunden\n", head, close);
        }
        if (page->etag.isEmpty()) {
            return Reply(200, page->type, page->body, head, close,
                         page->gzip.isEmpty() ? QByteArray() : "Vary: Accept-Encoding\r\n");
        }
        if (NamesEtag(request.ifNoneMatch, page->etag)) {
            if (mayHold) {
                return std::nullopt;
            }
            return NotModified(page->etag, close);
        }
        QByteArray extra = "ETag: " + page->etag + "\r\n" + ClockHeader();
        if (page->gzip.isEmpty()) {
            return Reply(200, page->type, page->body, head, close, extra);
        }
        extra += "Vary: Accept-Encoding\r\n";
        if (request.gzip) {
            return Reply(200, page->type, page->gzip, head, close,
                         extra + "Content-Encoding: gzip\r\n");
        }
        return Reply(200, page->type, page->body, head, close, extra);
    }

    void Answer(Connection& c, int status, bool close) {
        const QByteArray text = status == 405   ? "Nur lesender Zugriff\n"
                                : status == 413 ? "Anfrage zu groß\n"
                                : status == 421 ? "Falscher Rechnername\n"
                                                : "Fehlerhafte Anfrage\n";
        Write(c, Reply(status, "text/plain; charset=utf-8", text, false, close), close);
    }

    void Write(Connection& c, const QByteArray& reply, bool close) {
        const Clock::time_point now = Clock::now();
        if (c.socket->bytesToWrite() == 0) {
            c.progress = now;
        }
        c.socket->write(reply);
        c.answered = true;
        c.idleSince = now;
        c.deadline = now + (c.input.isEmpty() ? idleTimeout_ : requestDeadline_);
        if (close) {
            c.closing = true;
            c.socket->disconnectFromHost();  // after the reply has gone out
        }
    }

    // Closes connections past their deadline and those whose client takes nothing of its
    // replies.
    void Sweep() {
        // The program stopped (or began again) saying it works: the questions held get the
        // data that says so.
        if (const bool stale = pages_.Stale(); stale != stale_) {
            stale_ = stale;
            Changed();
        }
        const Clock::time_point now = Clock::now();
        std::vector<Connection*> expired;
        std::vector<Connection*> heldLong;
        for (const auto& c : open_) {
            if (c->held) {
                if (now >= c->heldUntil) {
                    heldLong.push_back(c.get());
                }
                continue;
            }
            const bool stalled = c->socket->bytesToWrite() > 0 && now - c->progress > idleTimeout_;
            const bool late = c->socket->bytesToWrite() == 0 && now > c->deadline;
            if (stalled || late) {
                expired.push_back(c.get());
            }
        }
        for (Connection* c : expired) {
            Close(c);
        }
        for (Connection* c : heldLong) {
            if (IsOpen(c)) {
                Release(*c, true);
            }
        }
    }

    void Close(Connection* c) {
        QTcpSocket* socket = c->socket;
        Forget(c);
        socket->abort();
    }

    void Forget(Connection* c) {
        const auto found =
            std::find_if(open_.begin(), open_.end(), [c](const auto& o) { return o.get() == c; });
        if (found == open_.end()) {
            return;
        }
        c->socket->disconnect(this);
        c->socket->deleteLater();
        if (--perAddress_[c->peer] <= 0) {
            perAddress_.remove(c->peer);
        }
        *found = std::move(open_.back());
        open_.pop_back();
    }

    const LiveResultsServer& pages_;
    const LiveServerLimits limits_;
    const milliseconds requestDeadline_;
    const milliseconds idleTimeout_;
    const std::set<QByteArray> hosts_;
    std::vector<std::unique_ptr<Connection>> open_;
    QHash<QHostAddress, int> perAddress_;
    bool admitting_ = false;  // taking the waiting connections is under way
    bool stale_ = false;      // the data said the program hangs when last swept
    QTimer sweep_;
};

QByteArray AddressName(const QHostAddress& address) {
    QHostAddress plain = address;
    plain.setScopeId({});
    const QByteArray text = plain.toString().toLower().toLatin1();
    return plain.protocol() == QAbstractSocket::IPv6Protocol ? '[' + text + ']' : text;
}

}  // namespace

LiveResultsServer::LiveResultsServer(const LiveServerLimits& limits) : limits_(limits) {
    Publish(LiveSnapshot{});
}

void LiveResultsServer::Alive() {
    const bool wasStale = Stale();
    heardMs_.store(ProgramMs());
    if (wasStale && listener_ != nullptr) {
        // Back after a hang: the pages waiting hear it at once.
        auto* listener = static_cast<Connections*>(listener_);
        QMetaObject::invokeMethod(
            listener, [listener] { listener->Changed(); }, Qt::QueuedConnection);
    }
}

bool LiveResultsServer::Stale() const {
    return ProgramMs() - heardMs_.load() > limits_.staleAfterMs;
}

std::string LiveResultsServer::StaleText(const QByteArray& data) const {
    return "{\"stale\":true,\"heardMs\":" + std::to_string(heardMs_.load()) + ',' +
           data.mid(1).toStdString();
}

LiveResultsServer::~LiveResultsServer() {
    Stop();
}

std::string LiveResultsServer::Start(int port, const std::string& address) {
    if (address.empty()) {
        return Start(port, QHostAddress::Any);
    }
    const QHostAddress one(QString::fromStdString(address));
    if (one.isNull()) {
        Stop();
        return "Live-Ergebnisse: \"" + address +
               "\" ist keine Netzwerkadresse. Bitte in den Einstellungen eine Adresse wählen.";
    }
    return Start(port, one);
}

std::string LiveResultsServer::Start(int port, const QHostAddress& address) {
    Stop();
    const std::string prefix = "Live-Ergebnisse: Port " + std::to_string(port);
    if (port < 0 || port > 65535) {
        return prefix + " gibt es nicht (1 bis 65535).";
    }
    std::set<QByteArray> hosts = OwnHostNames();
    home_ = new QObject;
    home_->moveToThread(&thread_);
    thread_.start();
    QString error;
    auto reason = QAbstractSocket::UnknownSocketError;
    QMetaObject::invokeMethod(
        home_,
        [&] {
            auto* listener = new Connections(*this, limits_, std::move(hosts), home_);
            // Connections waiting to be taken: a burst of them must not make a phone's first
            // try go unanswered (it would try again only a second later).
            listener->setListenBacklogSize(1024);
            if (listener->listen(address, static_cast<quint16>(port))) {
                port_ = listener->serverPort();
                listener_ = listener;
            } else {
                error = listener->errorString();
                reason = listener->serverError();
                delete listener;
            }
        },
        Qt::BlockingQueuedConnection);
    if (port_ != 0) {
        address_ = address;
        heardMs_.store(ProgramMs());  // heartbeats come only while it runs
        return {};
    }
    Stop();
    const std::string advice = " Bitte in den Einstellungen einen anderen Port wählen.";
    switch (reason) {
        case QAbstractSocket::AddressInUseError:
            return prefix + " ist belegt." + advice;
        case QAbstractSocket::SocketAccessError:
            return prefix + " ist dem System vorbehalten (Ports unter 1024)." + advice;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return "Live-Ergebnisse: Die Adresse " + address.toString().toStdString() +
                   " gibt es auf diesem Rechner nicht. Bitte in den Einstellungen eine andere "
                   "Adresse wählen.";
        default:
            return prefix + " kann nicht geöffnet werden (" + error.toStdString() + ").";
    }
}

void LiveResultsServer::Stop() {
    if (home_ == nullptr) {
        return;
    }
    listener_ = nullptr;
    // The listener and every connection go on their own thread.
    QMetaObject::invokeMethod(
        home_, [this] { qDeleteAll(home_->children()); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete home_;
    home_ = nullptr;
    port_ = 0;
}

std::string LiveResultsServer::ReachedAt() const {
    const bool everywhere = address_ == QHostAddress::Any || address_ == QHostAddress::AnyIPv4 ||
                            address_ == QHostAddress::AnyIPv6;
    return everywhere ? LocalNetworkAddress() : address_.toString().toStdString();
}

std::string LiveResultsServer::AddressText() const {
    return LiveAddressText(ReachedAt(), port_);
}

std::string LiveResultsServer::PageAddress() const {
    return Running() ? LivePageAddress(ReachedAt(), port_) : std::string();
}

LiveResultsServer::Body LiveResultsServer::Prepare(const std::string& text) {
    const QByteArray plain = QByteArray::fromStdString(text);
    return {
        plain, Gzip(plain),
        "W/\"" + QCryptographicHash::hash(plain, QCryptographicHash::Sha1).toHex().left(20) + '"'};
}

void LiveResultsServer::Publish(const LiveSnapshot& snapshot) {
    const std::shared_ptr<const Pages> before = CurrentPages();
    auto pages = std::make_shared<Pages>();
    pages->page = Prepare(LiveResultsPage(snapshot));
    pages->page.etag.clear();  // the page is loaded once; its data is asked for
    pages->json = Prepare(LiveResultsJson(snapshot));
    pages->announcer = snapshot.announcer;
    pages->announcerEtag = Prepare(AnnouncerJson(snapshot.announcer, std::nullopt, 0)).etag;
    for (std::size_t i = 0; i < snapshot.classes.size(); ++i) {
        const LiveClass& item = snapshot.classes[i];
        std::shared_ptr<const Body> body;
        if (item.open) {
            body = std::make_shared<const Body>(Prepare(LiveClassJson(snapshot)));
        } else if (before && i < before->classSources.size() && item.json &&
                   before->classSources[i] == item.json) {
            body = before->classes[i];  // the same results as before
        } else if (item.json) {
            body = std::make_shared<const Body>(Prepare(*item.json));
        }
        pages->classSources.push_back(item.open ? nullptr : item.json);
        pages->classes.push_back(std::move(body));
    }
    {
        const std::lock_guard lock(pagesMutex_);
        pages_ = std::move(pages);
    }
    heardMs_.store(ProgramMs());
    if (listener_ != nullptr) {
        auto* listener = static_cast<Connections*>(listener_);
        QMetaObject::invokeMethod(
            listener, [listener] { listener->Changed(); }, Qt::QueuedConnection);
    }
}

std::shared_ptr<const LiveResultsServer::Pages> LiveResultsServer::CurrentPages() const {
    const std::lock_guard lock(pagesMutex_);
    return pages_;
}

std::optional<LiveResultsServer::Page> LiveResultsServer::Route(const QByteArray& path) const {
    const auto fromBody = [](const QByteArray& type, const Body& body) {
        return Page{type, body.plain, body.gzip, body.etag};
    };
    const QByteArray json = "application/json; charset=utf-8";
    const QByteArray html = "text/html; charset=utf-8";
    if (path == "/") {
        return fromBody(html, CurrentPages()->page);
    }
    if (path == "/results.json") {
        const std::shared_ptr<const Pages> pages = CurrentPages();
        if (!Stale()) {
            return fromBody(json, pages->json);
        }
        const std::lock_guard lock(pages->staleMutex);
        if (!pages->staleJson) {
            pages->staleJson = std::make_shared<const Body>(Prepare(StaleText(pages->json.plain)));
        }
        return fromBody(json, *pages->staleJson);
    }
    if (const std::optional<std::size_t> index = ClassOfPath(path)) {
        const std::shared_ptr<const Pages> pages = CurrentPages();
        if (*index < pages->classes.size() && pages->classes[*index]) {
            return fromBody(json, *pages->classes[*index]);
        }
        return std::nullopt;
    }
    // The announcer's page and its data; the data carries the program's clock as it is served,
    // so the page runs the clock of a run from its start stamp. Its ETag is the snapshot's.
    if (path == "/sprecher") {
        static const QByteArray page = QByteArray::fromStdString(AnnouncerPage());
        return Page{html, page, {}, {}};
    }
    if (path == "/sprecher.json") {
        const std::shared_ptr<const Pages> pages = CurrentPages();
        QByteArray data = QByteArray::fromStdString(
            AnnouncerJson(pages->announcer, ProgramMs(), WallClockOffsetMs()));
        if (!Stale()) {
            return Page{json, data, {}, pages->announcerEtag};
        }
        QByteArray etag = pages->announcerEtag;
        etag.insert(etag.size() - 1, "-stale");
        return Page{json, QByteArray::fromStdString(StaleText(data)), {}, etag};
    }
    if (path == "/overlay") {
        static const QByteArray page = QByteArray::fromStdString(OverlayPage());
        return Page{html, page, {}, {}};
    }
    return std::nullopt;
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

std::set<QByteArray> OwnHostNames() {
    std::set<QByteArray> names{"localhost"};
    const QByteArray machine = QHostInfo::localHostName().toLower().toUtf8();
    const QByteArray domain = QHostInfo::localDomainName().toLower().toUtf8();
    if (!machine.isEmpty()) {
        names.insert(machine);
        names.insert(machine + ".local");
        if (!domain.isEmpty()) {
            names.insert(machine + '.' + domain);
        }
    }
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        names.insert(AddressName(address));
    }
    names.insert("127.0.0.1");
    names.insert("[::1]");
    return names;
}

std::vector<ListenAddress> ListenAddresses() {
    std::vector<ListenAddress> found;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        if (!nic.flags().testFlag(QNetworkInterface::IsUp)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv6Protocol && ip.isLinkLocal()) {
                continue;  // needs a scope a phone's browser cannot type
            }
            const std::string text = ip.toString().toStdString();
            found.push_back({text, text + " (" + nic.humanReadableName().toStdString() + ")"});
        }
    }
    return found;
}
