#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QCborValue>
#include <QString>

class DataTable;

// The dataset packet: a table's field definitions and rows as one CBOR map, column-wise, with
// NULL as CBOR null, exact 64-bit integers and byte strings for blobs. docs/dataset-packet.md
// describes the format for whoever writes a peer.
//
// The encoding is deterministic: the same table always gives the same bytes.
class DataPacket
{
public:
    static constexpr const char *FormatName = "varnex-dataset";
    static constexpr int FormatVersion = 1;

    static QCborMap toCbor(const DataTable &table);
    static QByteArray encode(const DataTable &table);

    // Rebuilds a table; on failure *table is left unchanged and *error says what was wrong and
    // where (not CBOR, truncated, trailing bytes, another format, an unsupported version, a bad
    // field definition, a column of the wrong length, a value of the wrong kind).
    static bool fromCbor(const QCborValue &packet, DataTable *table, QString *error = nullptr);
    static bool decode(const QByteArray &bytes, DataTable *table, QString *error = nullptr);
};
