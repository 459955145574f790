#pragma once

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <optional>

// What the live results server reads of an HTTP/1.1 request.

// A request as far as a server of two read-only pages needs it.
struct HttpRequest {
    QByteArray method;
    QByteArray path;  // without the query
    bool http10 = false;
    bool wellFormed = false;
    bool closeAsked = false;
    bool hasBody = false;
    std::optional<QByteArray> host;  // lower case, without the port
    int hostCount = 0;
    QByteArray ifNoneMatch;  // the ETags of the data the client has
    bool gzip = false;       // the client takes gzip
    bool wait = false;       // "?wait": hold the question until the data changed
};

// head: the request line and header lines, without the blank line that ends them.
HttpRequest ParseRequest(const QByteArray& head);

// The end of the request head in the bytes received (the index after its blank line), or -1
// while it is not complete; headLength is the head without its blank line. Lines may end in CRLF
// or LF alone.
qsizetype HeadEnd(const QByteArray& input, qsizetype& headLength);

// The class a path "/klasse/N.json" asks for, counted from 0; nothing for any other path. N is
// written without leading zeros, so every class has one address.
std::optional<std::size_t> ClassOfPath(const QByteArray& path);

// Whether an "If-None-Match" list names the ETag (weak comparison, as for a GET).
bool NamesEtag(const QByteArray& list, const QByteArray& etag);

// Whether an "Accept-Encoding" list takes gzip ("gzip;q=0" refuses it).
bool TakesGzip(const QByteArray& list);
