#include "live/HttpRequest.h"

#include <string>
#include <string_view>

namespace {

QByteArray HostWithoutPort(QByteArray host) {
    host = host.trimmed().toLower();
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        return close < 0 ? QByteArray() : host.left(close + 1);
    }
    const qsizetype colon = host.indexOf(':');
    host = colon < 0 ? host : host.left(colon);
    return host.endsWith('.') ? host.chopped(1) : host;
}

}  // namespace

// Whether an "If-None-Match" list names the ETag (weak comparison, as for a GET).
bool NamesEtag(const QByteArray& list, const QByteArray& etag) {
    const auto strong = [](QByteArray tag) {
        tag = tag.trimmed();
        return tag.startsWith("W/") ? tag.mid(2) : tag;
    };
    for (const QByteArray& tag : list.split(',')) {
        if (tag.trimmed() == "*" || strong(tag) == strong(etag)) {
            return true;
        }
    }
    return false;
}

// Whether an "Accept-Encoding" list takes gzip ("gzip;q=0" refuses it).
bool TakesGzip(const QByteArray& list) {
    for (const QByteArray& item : list.toLower().split(',')) {
        const QList<QByteArray> parts = item.split(';');
        if (parts.front().trimmed() != "gzip") {
            continue;
        }
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray parameter = parts[i].trimmed();
            if (parameter.startsWith("q=") && parameter.mid(2).toDouble() <= 0) {
                return false;
            }
        }
        return true;
    }
    return false;
}

// The class a path "/klasse/N.json" asks for, counted from 0; nothing for any other path. N is
// written without leading zeros, so every class has one address.
std::optional<std::size_t> ClassOfPath(const QByteArray& path) {
    static constexpr std::string_view prefix = "/klasse/";
    static constexpr std::string_view suffix = ".json";
    const std::string_view text(path.constData(), static_cast<std::size_t>(path.size()));
    if (!text.starts_with(prefix) || !text.ends_with(suffix)) {
        return std::nullopt;
    }
    const std::string_view number =
        text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    if (number.empty() || number.size() > 4 || number.front() == '0' ||
        number.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(std::stoi(std::string(number))) - 1;
}

// head: the request line and header lines, without the blank line that ends them.
HttpRequest ParseRequest(const QByteArray& head) {
    HttpRequest request;
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    const QList<QByteArray> first = lines.front().split(' ');
    if (first.size() != 3 || first[0].isEmpty() || !first[1].startsWith('/')) {
        return request;
    }
    request.method = first[0];
    const qsizetype query = first[1].indexOf('?');
    request.path = query < 0 ? first[1] : first[1].left(query);
    if (query >= 0) {
        for (const QByteArray& parameter : first[1].mid(query + 1).split('&')) {
            request.wait = request.wait || parameter == "wait" || parameter.startsWith("wait=");
        }
    }
    request.http10 = first[2] == "HTTP/1.0";
    if (!request.http10 && first[2] != "HTTP/1.1") {
        return request;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0) {
            return request;  // no header folding, no line without a name
        }
        const QByteArray name = lines[i].left(colon).toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name.contains(' ') || name.contains('\t')) {
            return request;
        }
        if (name == "host") {
            request.host = HostWithoutPort(value);
            ++request.hostCount;
        } else if (name == "connection") {
            for (const QByteArray& token : value.toLower().split(',')) {
                request.closeAsked = request.closeAsked || token.trimmed() == "close";
            }
        } else if (name == "transfer-encoding" || (name == "content-length" && value != "0")) {
            request.hasBody = true;
        } else if (name == "if-none-match") {
            request.ifNoneMatch = value;
        } else if (name == "accept-encoding") {
            request.gzip = TakesGzip(value);
        }
    }
    request.wellFormed = true;
    return request;
}

// The end of the request head in the bytes received (the index after its blank line), or -1
// while it is not complete. Lines may end in CRLF or LF alone.
qsizetype HeadEnd(const QByteArray& input, qsizetype& headLength) {
    for (qsizetype at = input.indexOf('\n'); at >= 0; at = input.indexOf('\n', at + 1)) {
        if (at + 1 < input.size() && input[at + 1] == '\n') {
            headLength = at;
            return at + 2;
        }
        if (at + 2 < input.size() && input[at + 1] == '\r' && input[at + 2] == '\n') {
            headLength = at;
            return at + 3;
        }
    }
    return -1;
}
