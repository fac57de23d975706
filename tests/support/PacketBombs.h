#pragma once

#include "data/DataPacket.h"

#include <QByteArray>

// A valid dataset packet of one integer field and two million NULL rows: 2 MB of one-byte items,
// a few kilobytes once deflated, and some hundred megabytes once decoded.
inline QByteArray twoMillionNullRows()
{
    QByteArray packet = DataPacket::encode(DataTable({{QStringLiteral("N"), FieldType::Int32}}));
    // "rowCount" 0 and "columns" [[]] become 2000000 and [[null, ...]].
    packet.replace(QByteArray("\x68" "rowCount\x00\x67" "columns\x81\x80", 20),
                   QByteArray("\x68" "rowCount\x1a\x00\x1e\x84\x80\x67" "columns\x81\x9a\x00\x1e\x84\x80", 28)
                       + QByteArray(2000000, char(0xf6)));
    return packet;
}
