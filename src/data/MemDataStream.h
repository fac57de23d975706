#pragma once

// The persisted stream of an in-memory lookup table, as the central server supplies it in
// LOOKUP_TABLE_LIST.BINARY_CONTENT (docs/lookup-stream.md describes the bytes):
//
//   "Ver", an 8-byte double version (1.91), a 32-bit field count, the field definitions
//   (32-bit size, 16-bit type code, 16-bit name length with its zero byte, the name), then records
//   to the end of the stream: per field a presence byte and the value.
//
// Text is Windows-1252. Every length and count is checked against the bytes that are left, so a
// truncated or forged stream is refused with a message naming what is wrong and where, and what a
// read may allocate stays in proportion to the stream's length.

#include "data/DataTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace MemDataStream {

// The field type codes of the stream.
enum TypeCode : quint16 {
    String = 1,
    SmallInt = 2,
    Integer = 3,
    Word = 4,
    Boolean = 5,
    Float = 6,
    Currency = 7,
    Date = 9,
    Time = 10,
    DateTime = 11,
    AutoInc = 14,
    LargeInt = 25,
};

// The version the writer puts in front; the reader takes any version with this layout.
inline constexpr double Version = 1.91;

// Reads a whole stream into a new table. Throws VarnexError for a stream that is not one: wrong
// signature, truncation, a length or count beyond the bytes left, an unknown type code, a
// duplicate or empty field name, a presence byte other than 0 or 1, a text longer than its field,
// or a date or time out of range.
DataTable read(QByteArrayView stream);

// Writes a table as a stream. Throws VarnexError for a field type the stream cannot hold (memo,
// blob, decimal) or text that Windows-1252 cannot hold.
QByteArray write(const DataTable &table);

// Windows-1252 text, both ways. toAnsi throws VarnexError naming the first character it cannot
// write; `what` says whose text it is.
QString fromAnsi(QByteArrayView bytes);
QByteArray toAnsi(const QString &text, const QString &what);

} // namespace MemDataStream
