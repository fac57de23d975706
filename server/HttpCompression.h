#pragma once

#include <QByteArray>

// Compression of the server's answers for clients that accept it (docs/wire.md, "Transport").
namespace HttpCompression {

// Smaller answers are sent as they are: compressing them saves nothing worth the time.
inline constexpr qsizetype MinSize = 1024;

// The coding to answer in, from the request's Accept-Encoding header: "gzip" when the client
// accepts it, else "deflate" when it accepts that, else empty (send the answer as it is). A coding
// given the weight q=0 is refused; "*" stands for any coding not named.
QByteArray chooseCoding(const QByteArray &acceptEncoding);

// The body in that coding: gzip (RFC 1952), or deflate, which HTTP defines as the zlib format
// (RFC 1950). Throws VarnexError when zlib fails.
QByteArray compress(const QByteArray &body, const QByteArray &coding);

} // namespace HttpCompression
