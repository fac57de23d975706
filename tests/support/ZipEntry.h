#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <zlib.h>

// One member of a zip file, found through the central directory and inflated. (QuaZip cannot be
// used beside libxlsxwriter: both bring the minizip functions, and one process gets one of each.)
inline QByteArray zipEntry(const QString &file, const QString &entry)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray zip = f.readAll();
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(zip.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(zip.constData() + at); };
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0)
        return {};
    qsizetype at = u32(end + 16);
    for (int n = u16(end + 10); n > 0; --n) {
        const quint16 nameLength = u16(at + 28);
        const QByteArray name = zip.mid(at + 46, nameLength);
        if (name == entry.toUtf8()) {
            const quint16 method = u16(at + 10);
            const quint32 compressed = u32(at + 20), size = u32(at + 24), local = u32(at + 42);
            const qsizetype data = local + 30 + u16(local + 26) + u16(local + 28);
            if (method == 0)
                return zip.mid(data, size);
            QByteArray out(size, Qt::Uninitialized);
            z_stream z = {};
            inflateInit2(&z, -15);
            z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zip.constData() + data));
            z.avail_in = compressed;
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = size;
            const int status = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            return status == Z_STREAM_END ? out : QByteArray();
        }
        at += 46 + nameLength + u16(at + 30) + u16(at + 32);
    }
    return {};
}
