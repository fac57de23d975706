#include "HttpCompression.h"

#include "base/VarnexError.h"

#include <QHash>
#include <QList>

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace HttpCompression {

QByteArray chooseCoding(const QByteArray &acceptEncoding)
{
    QHash<QByteArray, double> weights;
    for (const QByteArray &item : acceptEncoding.split(',')) {
        const QList<QByteArray> parts = item.split(';');
        const QByteArray name = parts.first().trimmed().toLower();
        if (name.isEmpty())
            continue;
        double q = 1.0;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray parameter = parts.at(i).trimmed().toLower();
            if (parameter.startsWith("q=")) {
                bool ok = false;
                q = parameter.mid(2).toDouble(&ok);
                if (!ok)
                    q = 0.0;
            }
        }
        weights.insert(name, q);
    }
    const auto accepts = [&](const QByteArray &coding) {
        return weights.value(coding, weights.value("*", 0.0)) > 0.0;
    };
    if (accepts("gzip"))
        return "gzip";
    if (accepts("deflate"))
        return "deflate";
    return {};
}

QByteArray compress(const QByteArray &body, const QByteArray &coding)
{
    z_stream stream{};
    const int windowBits = coding == "gzip" ? 15 + 16 : 15;
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw VarnexError(QStringLiteral("Cannot start compressing the answer"));
    QByteArray out;
    qsizetype done = 0;
    char buffer[64 * 1024];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (stream.avail_in == 0 && done < body.size()) {
            const qsizetype take = std::min<qsizetype>(body.size() - done, std::numeric_limits<uInt>::max() / 2);
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData() + done));
            stream.avail_in = uInt(take);
            done += take;
        }
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        rc = deflate(&stream, done == body.size() ? Z_FINISH : Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            deflateEnd(&stream);
            throw VarnexError(QStringLiteral("Cannot compress the answer"));
        }
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
    }
    deflateEnd(&stream);
    return out;
}

} // namespace HttpCompression
