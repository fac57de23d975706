#pragma once

#include <QByteArray>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QString>

#include <functional>

#include "data/DataTable.h"

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
    // The most rows a table without fields may declare (docs/dataset-packet.md).
    static constexpr int MaxRowsWithoutFields = 1000000;

    static QCborMap toCbor(const DataTable &table);

    // The table body that the packet and the wire share: field definitions, row count and the
    // columns, without the packet's format name and version.
    static QCborMap tableToCbor(const DataTable &table);
    static bool tableFromCbor(const QCborValue &body, DataTable *table, QString *error = nullptr);
    static QCborArray fieldsToCbor(const QList<FieldDef> &fields);
    static bool fieldsFromCbor(const QCborValue &value, QList<FieldDef> *fields, QString *error = nullptr);
    // One value of a field; NULL is CBOR null.
    static QCborValue valueToCbor(const FieldDef &field, const QVariant &value);
    static bool valueFromCbor(const FieldDef &field, const QCborValue &value, QVariant *out, QString *error = nullptr);
    static QByteArray encode(const DataTable &table);
    // The same bytes in pieces, in order, handed to sink as they are made: the whole packet is
    // never held at once (the laboratory packet compresses it as it comes).
    static void encodeTo(const DataTable &table, const std::function<void(QByteArrayView)> &sink);

    // Rebuilds a table; on failure *table is left unchanged and *error says what was wrong and
    // where (not CBOR, truncated, trailing bytes, another format, an unsupported version, a bad
    // field definition, a column of the wrong length, a value of the wrong kind).
    static bool fromCbor(const QCborValue &packet, DataTable *table, QString *error = nullptr);
    static bool decode(const QByteArray &bytes, DataTable *table, QString *error = nullptr);
};
