#pragma once

#include <QByteArray>
#include <QString>

class DataTable;
class QSqlQuery;

// The enciphered dataset packet that carries samples to a laboratory, and the pieces it is made of.
//
// Layers, from the inside out:
//   1. the dataset packet of a table (DataPacket, CBOR; see docs/dataset-packet.md),
//   2. raw DEFLATE (RFC 1951: no zlib or gzip wrapper, no checksum, no length),
//   3. AES-256 in ECB mode with a final block that always follows the data: it holds the
//      remaining n mod 16 bytes, zero bytes up to 15, and n mod 16 in its byte 15.
// The AES key is derived from a fixed pass phrase by generateKey() each time a packet is made.
//
// Every function reports failure through its return value and, when given, *error; none of them
// throws. The sender side (makePacket/savePacket) is what the central data module forwards its
// CreateDatasetStream and SaveDataset to; the receiver side (openPacket/loadPacket) serves the
// stand-in server and the tests.
class PacketCipher
{
public:
    static constexpr int KeyLength = 32;
    static constexpr int BlockSize = 16;

    // The fixed 32-byte pass phrase held in the program.
    static QByteArray passPhrase();

    // Derives keyLength bytes (at most 256) from the pass phrase with the program's own digest.
    static QByteArray generateKey(const QByteArray &passPhrase, int keyLength = KeyLength);

    // The 256 bytes of the first 2048 bits of the fractional part of pi, most significant first,
    // which the digest starts from.
    static const QByteArray &piDigest();

    // AES-256-ECB over whole blocks, no padding: data.size() must be a multiple of 16.
    static bool encipherBlocks(const QByteArray &key, const QByteArray &data, QByteArray *out,
                               QString *error = nullptr);
    static bool decipherBlocks(const QByteArray &key, const QByteArray &data, QByteArray *out,
                               QString *error = nullptr);

    // The packet framing: (n / 16 + 1) * 16 bytes out for n bytes in.
    static bool encipher(const QByteArray &key, const QByteArray &plain, QByteArray *out,
                         QString *error = nullptr);
    // Refuses a length that is not a non-zero multiple of 16 and a final block that does not
    // decipher to a valid count followed by zero bytes (wrong key or damaged packet).
    static bool decipher(const QByteArray &key, const QByteArray &packet, QByteArray *out,
                         QString *error = nullptr);

    // Raw DEFLATE (windowBits -15) at zlib's default level, so equal input gives equal output.
    static bool deflateRaw(const QByteArray &data, QByteArray *out, QString *error = nullptr);
    // Refuses a stream that is damaged, ends early, is followed by further bytes or would inflate
    // to more than maxSize bytes.
    static constexpr qint64 DefaultMaxInflatedSize = qint64(1) << 30;
    static bool inflateRaw(const QByteArray &data, QByteArray *out, QString *error = nullptr,
                           qint64 maxSize = DefaultMaxInflatedSize);

    // Sender side: the enciphered packet of a table, or of every record of a query (the query is
    // executed when it is not active, then read from its first record to its last).
    static bool makePacket(const DataTable &table, QByteArray *packet, QString *error = nullptr);
    static bool makePacket(QSqlQuery &query, QByteArray *packet, QString *error = nullptr);

    // Writes the packet to fileName, creating it or replacing it as a whole: on any failure an
    // existing file keeps its old content and false is returned with the cause in *error.
    static bool savePacket(const DataTable &table, const QString &fileName, QString *error = nullptr);
    static bool savePacket(QSqlQuery &query, const QString &fileName, QString *error = nullptr);

    // Receiver side: decipher, inflate and decode. A packet is refused when decoding it would take
    // more memory than decodeBudget allows for its size (estimated as the wire does, see
    // CborBudget), and it is inflated no further than that budget could pay for: a packet of a
    // megabyte never costs gigabytes before it is refused.
    static constexpr qint64 DecodeBudgetFloor = qint64(64) * 1024 * 1024;
    static constexpr qint64 DecodeBudgetPerByte = 256;
    static qint64 decodeBudget(qint64 packetSize);
    static bool openPacket(const QByteArray &packet, DataTable *table, QString *error = nullptr);
    static bool loadPacket(const QString &fileName, DataTable *table, QString *error = nullptr);

    // The packet layers around an already encoded dataset packet.
    static bool seal(const QByteArray &datasetPacket, QByteArray *packet, QString *error = nullptr);
    static bool unseal(const QByteArray &packet, QByteArray *datasetPacket, QString *error = nullptr,
                       qint64 maxSize = DefaultMaxInflatedSize);
};
