#pragma once

#include <QByteArray>

// The bytes in the gzip format a browser takes with "Content-Encoding: gzip" (zlib's deflate
// with the gzip header and trailer).
QByteArray Gzip(const QByteArray& bytes);
