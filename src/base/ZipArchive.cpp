#include "base/ZipArchive.h"

#include "base/VarnexError.h"

#include <QRegularExpression>
#include <QSet>
#include <QtEndian>

#include <zlib.h>

namespace {

constexpr quint32 LocalSignature = 0x04034b50;
constexpr quint32 CentralSignature = 0x02014b50;
constexpr quint32 EndSignature = 0x06054b50;
constexpr qsizetype EndSize = 22;

[[noreturn]] void fail(const QString &why)
{
    throw VarnexError(QStringLiteral("The file is not a readable zip file: %1").arg(why));
}

struct Reader
{
    const QByteArray &data;
    bool has(qint64 at, qint64 size) const { return at >= 0 && size >= 0 && at <= data.size() && size <= data.size() - at; }
    quint16 u16(qint64 at) const
    {
        if (!has(at, 2))
            fail(QStringLiteral("it ends early."));
        return qFromLittleEndian<quint16>(data.constData() + at);
    }
    quint32 u32(qint64 at) const
    {
        if (!has(at, 4))
            fail(QStringLiteral("it ends early."));
        return qFromLittleEndian<quint32>(data.constData() + at);
    }
};

quint32 crcOf(const QByteArray &bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    qsizetype at = 0;
    while (at < bytes.size()) {
        const uInt chunk = uInt(std::min<qsizetype>(bytes.size() - at, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes.constData() + at), chunk);
        at += chunk;
    }
    return quint32(crc);
}

QByteArray inflateRaw(const char *in, qint64 inSize, qint64 outSize, const QString &name)
{
    QByteArray out(outSize, Qt::Uninitialized);
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        fail(QStringLiteral("the decompressor cannot start."));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
    z.avail_in = uInt(inSize);
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(outSize);
    const int status = inflate(&z, Z_FINISH);
    const uLong produced = z.total_out;
    inflateEnd(&z);
    if (status != Z_STREAM_END || qint64(produced) != outSize)
        fail(QStringLiteral("the entry \"%1\" is damaged.").arg(name));
    return out;
}

QByteArray deflateRaw(const QByteArray &in)
{
    z_stream z = {};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw VarnexError(QStringLiteral("The compressor cannot start."));
    QByteArray out(qsizetype(deflateBound(&z, uLong(in.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int status = deflate(&z, Z_FINISH);
    const uLong produced = z.total_out;
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        throw VarnexError(QStringLiteral("The compressor failed."));
    out.resize(qsizetype(produced));
    return out;
}

// Refuses a name that the package could not hold as a part of its own.
void checkName(const QString &name, QSet<QString> &seen)
{
    if (name.isEmpty())
        fail(QStringLiteral("an entry has no name."));
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))
        || (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter()))
        fail(QStringLiteral("the entry name \"%1\" starts at the root of a disk.").arg(name.left(100)));
    static const QRegularExpression separator(QStringLiteral("[/\\\\]"));
    if (name.split(separator).contains(QLatin1String("..")))
        fail(QStringLiteral("the entry name \"%1\" climbs out of its folder with \"..\".").arg(name.left(100)));
    const QString folded = name.toCaseFolded();
    if (seen.contains(folded))
        fail(QStringLiteral("the entry name \"%1\" is used twice.").arg(name.left(100)));
    seen.insert(folded);
}

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

ZipArchive ZipArchive::read(const QByteArray &zip)
{
    const Reader r{zip};
    if (zip.size() < EndSize)
        fail(QStringLiteral("it is too short."));
    // The end record is within the last 22 + 65535 bytes (its comment is at most that long).
    qint64 end = -1;
    for (qint64 at = zip.size() - EndSize; at >= 0 && at >= zip.size() - EndSize - 0xFFFF; --at) {
        if (r.u32(at) == EndSignature && at + EndSize + r.u16(at + 20) == zip.size()) {
            end = at;
            break;
        }
    }
    if (end < 0)
        fail(QStringLiteral("it has no central directory."));
    const quint16 count = r.u16(end + 10);
    const quint32 dirSize = r.u32(end + 12);
    const quint32 dirOffset = r.u32(end + 16);
    if (r.u16(end + 4) != 0 || r.u16(end + 6) != 0 || r.u16(end + 8) != count)
        fail(QStringLiteral("it is split over several files."));
    if (count == 0xFFFF || dirOffset == 0xFFFFFFFFu)
        fail(QStringLiteral("it is a zip64 file."));
    if (count > MaxEntries)
        fail(QStringLiteral("it has more than %1 entries.").arg(MaxEntries));
    if (!r.has(dirOffset, dirSize) || dirOffset + qint64(dirSize) > end)
        fail(QStringLiteral("its central directory lies outside the file."));

    ZipArchive archive;
    QSet<QString> names;
    qint64 total = 0;
    qint64 at = dirOffset;
    for (int i = 0; i < count; ++i) {
        if (r.u32(at) != CentralSignature)
            fail(QStringLiteral("its central directory is damaged."));
        const quint16 flags = r.u16(at + 8);
        const quint16 method = r.u16(at + 10);
        const quint32 crc = r.u32(at + 16);
        const quint32 compressed = r.u32(at + 20);
        const quint32 size = r.u32(at + 24);
        const quint16 nameLength = r.u16(at + 28);
        const quint16 extraLength = r.u16(at + 30);
        const quint16 commentLength = r.u16(at + 32);
        const quint32 local = r.u32(at + 42);
        if (!r.has(at + 46, nameLength))
            fail(QStringLiteral("its central directory is damaged."));
        Entry entry;
        entry.name = QString::fromUtf8(zip.constData() + at + 46, nameLength);
        checkName(entry.name, names);
        if (flags & 0x1)
            fail(QStringLiteral("the entry \"%1\" is encrypted.").arg(entry.name));
        if (compressed == 0xFFFFFFFFu || size == 0xFFFFFFFFu || local == 0xFFFFFFFFu)
            fail(QStringLiteral("it is a zip64 file."));
        if (size > MaxEntryBytes)
            fail(QStringLiteral("the entry \"%1\" expands to more than %2 MiB.").arg(entry.name).arg(MaxEntryBytes >> 20));
        if ((total += size) > MaxTotalBytes)
            fail(QStringLiteral("its entries expand to more than %1 MiB.").arg(MaxTotalBytes >> 20));
        if (size > RatioFloor && qint64(size) > qint64(compressed) * MaxRatio)
            fail(QStringLiteral("the entry \"%1\" expands %2 times, more than the %3 times allowed.")
                     .arg(entry.name)
                     .arg(qint64(size) / std::max<qint64>(compressed, 1))
                     .arg(MaxRatio));
        if (r.u32(local) != LocalSignature)
            fail(QStringLiteral("the entry \"%1\" is damaged.").arg(entry.name));
        const qint64 dataAt = qint64(local) + 30 + r.u16(local + 26) + r.u16(local + 28);
        if (!r.has(dataAt, compressed))
            fail(QStringLiteral("the entry \"%1\" lies outside the file.").arg(entry.name));
        if (method == 0) {
            if (compressed != size)
                fail(QStringLiteral("the entry \"%1\" is damaged.").arg(entry.name));
            entry.data = zip.mid(dataAt, size);
        } else if (method == 8) {
            // Deflate shrinks by at most about 1:1032; a size beyond that is a lie, refused before
            // any memory is taken for it.
            if (qint64(size) > qint64(compressed) * 1100 + 1024)
                fail(QStringLiteral("the entry \"%1\" is damaged.").arg(entry.name));
            entry.data = inflateRaw(zip.constData() + dataAt, compressed, size, entry.name);
        } else {
            fail(QStringLiteral("the entry \"%1\" uses a compression this program does not read.").arg(entry.name));
        }
        if (crcOf(entry.data) != crc)
            fail(QStringLiteral("the entry \"%1\" is damaged (its check sum differs).").arg(entry.name));
        archive.m_entries.append(std::move(entry));
        at += 46 + qint64(nameLength) + extraLength + commentLength;
    }
    return archive;
}

QByteArray ZipArchive::write() const
{
    QByteArray out;
    QByteArray directory;
    if (m_entries.size() >= 0xFFFF)
        throw VarnexError(QStringLiteral("Too many entries for a zip file."));
    for (const Entry &e : m_entries) {
        const QByteArray name = e.name.toUtf8();
        const QByteArray deflated = deflateRaw(e.data);
        const bool store = deflated.size() >= e.data.size();
        const QByteArray &body = store ? e.data : deflated;
        const quint32 crc = crcOf(e.data);
        if (out.size() > 0xFFFFFFF0LL - body.size() || e.data.size() > 0xFFFFFFF0LL)
            throw VarnexError(QStringLiteral("The document is too large for a zip file."));
        const quint32 offset = quint32(out.size());
        const auto header = [&](QByteArray &to, bool central) {
            put32(to, central ? CentralSignature : LocalSignature);
            if (central)
                put16(to, 20); // made by
            put16(to, 20);     // needed to extract
            put16(to, 0x0800); // names in UTF-8
            put16(to, store ? 0 : 8);
            put16(to, 0); // time
            put16(to, 0x21); // 1980-01-01
            put32(to, crc);
            put32(to, quint32(body.size()));
            put32(to, quint32(e.data.size()));
            put16(to, quint16(name.size()));
            put16(to, 0); // extra
            if (central) {
                put16(to, 0); // comment
                put16(to, 0); // disk
                put16(to, 0); // internal attributes
                put32(to, 0); // external attributes
                put32(to, offset);
            }
            to.append(name);
        };
        header(out, false);
        out.append(body);
        header(directory, true);
    }
    const quint32 dirOffset = quint32(out.size());
    out.append(directory);
    put32(out, EndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(m_entries.size()));
    put16(out, quint16(m_entries.size()));
    put32(out, quint32(directory.size()));
    put32(out, dirOffset);
    put16(out, 0);
    return out;
}

const QByteArray *ZipArchive::find(const QString &name) const
{
    for (const Entry &e : m_entries) {
        if (e.name == name)
            return &e.data;
    }
    return nullptr;
}

void ZipArchive::set(const QString &name, const QByteArray &data)
{
    for (Entry &e : m_entries) {
        if (e.name == name) {
            e.data = data;
            return;
        }
    }
    m_entries.append({name, data});
}
