#include "data/DataPacket.h"

#include "data/DataTable.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <functional>
#include <cstring>
#include <limits>

namespace {

const QString KeyFormat = QStringLiteral("format");
const QString KeyVersion = QStringLiteral("version");
const QString KeyFields = QStringLiteral("fields");
const QString KeyRowCount = QStringLiteral("rowCount");
const QString KeyColumns = QStringLiteral("columns");
const QString KeyName = QStringLiteral("name");
const QString KeyType = QStringLiteral("type");
const QString KeySize = QStringLiteral("size");
const QString KeyScale = QStringLiteral("scale");
const QString KeyRequired = QStringLiteral("required");

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = QStringLiteral("dataset packet: ") + text;
    return false;
}

QString kindOf(const QCborValue &v)
{
    switch (v.type()) {
    case QCborValue::Integer: return QStringLiteral("an integer");
    case QCborValue::ByteArray: return QStringLiteral("a byte string");
    case QCborValue::String: return QStringLiteral("a text string");
    case QCborValue::Array: return QStringLiteral("an array");
    case QCborValue::Map: return QStringLiteral("a map");
    case QCborValue::Tag: return QStringLiteral("a tagged value");
    case QCborValue::False:
    case QCborValue::True: return QStringLiteral("a boolean");
    case QCborValue::Null: return QStringLiteral("null");
    case QCborValue::Undefined: return QStringLiteral("undefined");
    case QCborValue::Double: return QStringLiteral("a float");
    default:
        if (v.isSimpleType())
            return QStringLiteral("a simple value");
        // Extended types (date/time, URL, UUID, ...) arrive as tags the reader understood.
        return QStringLiteral("a tagged value");
    }
}

QCborValue encodeValue(const FieldDef &field, const QVariant &v)
{
    if (!v.isValid())
        return QCborValue(QCborValue::Null);
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Decimal:
        return QCborValue(v.toString());
    case FieldType::Blob:
        return QCborValue(v.toByteArray());
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
        return QCborValue(v.toLongLong());
    case FieldType::Float:
        return QCborValue(v.toDouble());
    case FieldType::Boolean:
        return QCborValue(v.toBool());
    case FieldType::Date:
        return QCborValue(v.toDate().toString(Qt::ISODate));
    case FieldType::Time:
        return QCborValue(v.toTime().toString(Qt::ISODateWithMs));
    case FieldType::Timestamp: {
        const QDateTime dt = v.toDateTime();
        return QCborValue(dt.date().toString(Qt::ISODate) + QLatin1Char('T')
                          + dt.time().toString(Qt::ISODateWithMs));
    }
    }
    return QCborValue(QCborValue::Null);
}

// The value a CBOR item stands for in a field, or an explanation of why it does not fit.
bool decodeValue(const FieldDef &field, const QCborValue &c, QVariant *out, QString *why)
{
    const auto expected = [&](const char *what) {
        *why = QStringLiteral("expected %1, found %2").arg(QLatin1String(what), kindOf(c));
        return false;
    };
    if (c.isNull()) {
        *out = QVariant();
        return true;
    }
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
        if (!c.isString())
            return expected("a text string");
        *out = c.toString();
        return true;
    case FieldType::Blob:
        if (!c.isByteArray())
            return expected("a byte string");
        *out = c.toByteArray();
        return true;
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64: {
        if (!c.isInteger())
            return expected("an integer");
        const qint64 n = c.toInteger();
        const bool inRange = field.type == FieldType::Int64
            || (field.type == FieldType::Int32 && n >= std::numeric_limits<qint32>::min()
                && n <= std::numeric_limits<qint32>::max())
            || (field.type == FieldType::Int16 && n >= -32768 && n <= 32767);
        if (!inRange) {
            *why = QStringLiteral("%1 is out of range for %2").arg(n).arg(fieldTypeName(field.type));
            return false;
        }
        *out = QVariant::fromValue<qint64>(n);
        return true;
    }
    case FieldType::Float:
        if (c.isDouble())
            *out = c.toDouble();
        else if (c.isInteger())
            *out = double(c.toInteger());
        else
            return expected("a number");
        return true;
    case FieldType::Decimal: {
        if (!c.isString())
            return expected("a text string holding a decimal number");
        static const QRegularExpression form(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
        if (!form.match(c.toString()).hasMatch()) {
            *why = QStringLiteral("\"%1\" is not a decimal number").arg(c.toString().left(40));
            return false;
        }
        // A digit the column cannot keep would be rounded away, or the number would overflow,
        // when the row is stored: refused, as the server refuses it.
        QString limit;
        if (!DataTable::decimalFits(field, c.toString(), &limit)) {
            *why = QStringLiteral("\"%1\" %2").arg(c.toString().left(40), limit);
            return false;
        }
        return DataTable::normalise(field, c.toString(), out, why);
    }
    case FieldType::Boolean:
        if (!c.isBool())
            return expected("a boolean");
        *out = c.toBool();
        return true;
    case FieldType::Date: {
        if (!c.isString())
            return expected("a text string holding a date");
        static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
        const QDate d = form.match(c.toString()).hasMatch()
            ? QDate::fromString(c.toString(), Qt::ISODate) : QDate();
        if (!d.isValid()) {
            *why = QStringLiteral("\"%1\" is not a date").arg(c.toString().left(40));
            return false;
        }
        *out = d;
        return true;
    }
    case FieldType::Time: {
        if (!c.isString())
            return expected("a text string holding a time");
        static const QRegularExpression form(QStringLiteral("^\\d{2}:\\d{2}:\\d{2}(\\.\\d{3})?$"));
        const QTime t = form.match(c.toString()).hasMatch()
            ? QTime::fromString(c.toString(), Qt::ISODateWithMs) : QTime();
        if (!t.isValid()) {
            *why = QStringLiteral("\"%1\" is not a time").arg(c.toString().left(40));
            return false;
        }
        *out = t;
        return true;
    }
    case FieldType::Timestamp: {
        if (!c.isString())
            return expected("a text string holding a timestamp");
        static const QRegularExpression form(
            QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2}(?:\\.\\d{3})?)$"));
        const QRegularExpressionMatch m = form.match(c.toString());
        const QDate d = m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
        const QTime t = m.hasMatch() ? QTime::fromString(m.captured(2), Qt::ISODateWithMs) : QTime();
        if (!d.isValid() || !t.isValid()) {
            *why = QStringLiteral("\"%1\" is not a timestamp").arg(c.toString().left(40));
            return false;
        }
        // Never NULL and never moved: a reading that the local zone skips is still this reading.
        *out = DataTable::wallClock(d, t);
        return true;
    }
    }
    *why = QStringLiteral("unknown field type");
    return false;
}

bool decodeField(const QCborValue &c, int index, FieldDef *field, QString *error)
{
    const QString where = QStringLiteral("field definition %1").arg(index + 1);
    if (!c.isMap())
        return fail(error, QStringLiteral("%1 is %2, not a map").arg(where, kindOf(c)));
    const QCborMap m = c.toMap();

    const QCborValue name = m.value(KeyName);
    if (!name.isString() || name.toString().isEmpty())
        return fail(error, QStringLiteral("%1 has no name").arg(where));
    field->name = name.toString();
    const QString named = QStringLiteral("%1 (%2)").arg(where, field->name);

    const QCborValue type = m.value(KeyType);
    if (!type.isString())
        return fail(error, QStringLiteral("%1 has no type").arg(named));
    if (!fieldTypeFromName(type.toString(), &field->type))
        return fail(error, QStringLiteral("%1 has the unknown type \"%2\"").arg(named, type.toString()));

    const auto count = [&](const QString &key, int *out) {
        const QCborValue v = m.value(key);
        if (v.isUndefined()) {
            *out = 0;
            return true;
        }
        if (!v.isInteger() || v.toInteger() < 0 || v.toInteger() > std::numeric_limits<int>::max())
            return fail(error, QStringLiteral("%1: %2 must be a non-negative integer").arg(named, key));
        *out = int(v.toInteger());
        return true;
    };
    if (!count(KeySize, &field->size) || !count(KeyScale, &field->scale))
        return false;
    // Every decimal value is written out to its scale, so an unbounded scale would let a few
    // bytes claim any amount of memory; no column type holds more digits than this anyway.
    constexpr int MaxDigits = DataTable::MaxDecimalDigits;
    if (field->scale > MaxDigits)
        return fail(error, QStringLiteral("%1: the scale %2 is above %3").arg(named).arg(field->scale).arg(MaxDigits));
    if (field->type == FieldType::Decimal && field->size > MaxDigits)
        return fail(error, QStringLiteral("%1: the precision %2 is above %3").arg(named).arg(field->size).arg(MaxDigits));

    const QCborValue required = m.value(KeyRequired);
    if (!required.isUndefined() && !required.isBool())
        return fail(error, QStringLiteral("%1: required must be a boolean").arg(named));
    field->required = required.toBool(false);
    return true;
}

} // namespace

QCborArray DataPacket::fieldsToCbor(const QList<FieldDef> &fields)
{
    QCborArray out;
    for (const FieldDef &f : fields) {
        QCborMap def;
        def.insert(KeyName, f.name);
        def.insert(KeyType, fieldTypeName(f.type));
        def.insert(KeySize, f.size);
        def.insert(KeyScale, f.scale);
        def.insert(KeyRequired, f.required);
        out.append(def);
    }
    return out;
}

bool DataPacket::fieldsFromCbor(const QCborValue &value, QList<FieldDef> *fields, QString *error)
{
    if (!value.isArray())
        return fail(error, QStringLiteral("the field definitions are missing"));
    const QCborArray list = value.toArray();
    // The table refuses a name used twice (letter case ignored) as each field is added.
    DataTable named;
    for (qsizetype i = 0; i < list.size(); ++i) {
        FieldDef field;
        if (!decodeField(list.at(i), int(i), &field, error))
            return false;
        QString why;
        if (!named.addField(field, &why))
            return fail(error, QStringLiteral("field definition %1: %2").arg(i + 1).arg(why));
    }
    *fields = named.fields();
    return true;
}

QCborValue DataPacket::valueToCbor(const FieldDef &field, const QVariant &value)
{
    return encodeValue(field, value.isNull() ? QVariant() : value);
}

bool DataPacket::valueFromCbor(const FieldDef &field, const QCborValue &value, QVariant *out, QString *error)
{
    QString why;
    if (decodeValue(field, value, out, &why))
        return true;
    return fail(error, QStringLiteral("field %1: %2").arg(field.name, why));
}

QCborMap DataPacket::tableToCbor(const DataTable &table)
{
    QCborArray columns;
    for (int c = 0; c < table.fieldCount(); ++c) {
        QCborArray column;
        for (int r = 0; r < table.rowCount(); ++r)
            column.append(valueToCbor(table.field(c), table.value(r, c)));
        columns.append(column);
    }
    QCborMap body;
    body.insert(KeyFields, fieldsToCbor(table.fields()));
    body.insert(KeyRowCount, table.rowCount());
    body.insert(KeyColumns, columns);
    return body;
}

QCborMap DataPacket::toCbor(const DataTable &table)
{
    QCborMap packet;
    packet.insert(KeyFormat, QString::fromLatin1(FormatName));
    packet.insert(KeyVersion, FormatVersion);
    const QCborMap body = tableToCbor(table);
    for (auto it = body.constBegin(); it != body.constEnd(); ++it)
        packet.insert(it.key(), it.value());
    return packet;
}

namespace {

// Writes CBOR items the way QCborValue::toCbor() writes the same items (preferred serialisation,
// definite lengths, doubles in 64 bits) straight into a small buffer that is handed to a sink
// whenever it fills: no tree of values and no copy of the whole packet is ever made.
class CborWriter
{
public:
    using Sink = std::function<void(QByteArrayView)>;
    static constexpr qsizetype Capacity = 64 * 1024;

    explicit CborWriter(Sink sink) : m_buffer(Capacity, Qt::Uninitialized), m_sink(std::move(sink)) {}

    void head(quint8 major, quint64 n)
    {
        char *d = room(9);
        const quint8 m = quint8(major << 5);
        if (n < 24) {
            d[0] = char(m | n);
            m_size += 1;
        } else if (n <= 0xFF) {
            d[0] = char(m | 24);
            d[1] = char(n);
            m_size += 2;
        } else if (n <= 0xFFFF) {
            d[0] = char(m | 25);
            putBigEndian(d + 1, n, 2);
            m_size += 3;
        } else if (n <= 0xFFFFFFFFu) {
            d[0] = char(m | 26);
            putBigEndian(d + 1, n, 4);
            m_size += 5;
        } else {
            d[0] = char(m | 27);
            putBigEndian(d + 1, n, 8);
            m_size += 9;
        }
    }
    void integer(qint64 n) { n >= 0 ? head(0, quint64(n)) : head(1, ~quint64(n)); }
    void text(QStringView s)
    {
        // Plain ASCII goes as it is; anything else through the same UTF-8 conversion Qt uses.
        const char16_t *p = s.utf16();
        const qsizetype n = s.size();
        for (qsizetype i = 0; i < n; ++i) {
            if (p[i] >= 0x80) {
                raw(3, s.toUtf8());
                return;
            }
        }
        head(3, quint64(n));
        for (qsizetype done = 0; done < n;) {
            room(1);
            const qsizetype take = std::min(n - done, Capacity - m_size);
            char *d = m_buffer.data() + m_size;
            for (qsizetype k = 0; k < take; ++k)
                d[k] = char(p[done + k]);
            m_size += take;
            done += take;
        }
    }
    void text(QLatin1StringView s) { raw(3, QByteArrayView(s.data(), s.size())); }
    void bytes(QByteArrayView b) { raw(2, b); }
    void boolean(bool b) { simple(b ? 0xF5 : 0xF4); }
    void null() { simple(0xF6); }
    void floating(double v)
    {
        quint64 bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, sizeof bits);
        char *d = room(9);
        d[0] = char(0xFB);
        putBigEndian(d + 1, bits, 8);
        m_size += 9;
    }
    // Hands what is buffered to the sink.
    void flush()
    {
        if (m_size > 0)
            m_sink(QByteArrayView(m_buffer.constData(), m_size));
        m_size = 0;
    }

private:
    static void putBigEndian(char *d, quint64 n, int width)
    {
        for (int i = width - 1; i >= 0; --i) {
            d[i] = char(n & 0xFF);
            n >>= 8;
        }
    }
    void raw(quint8 major, QByteArrayView b)
    {
        head(major, quint64(b.size()));
        if (m_size + b.size() > Capacity) {
            flush();
            if (b.size() > Capacity) {
                m_sink(b);
                return;
            }
        }
        // An empty view may carry no pointer at all, which memcpy must not be given.
        if (b.isEmpty())
            return;
        std::memcpy(m_buffer.data() + m_size, b.data(), size_t(b.size()));
        m_size += b.size();
    }
    void simple(quint8 byte)
    {
        *room(1) = char(byte);
        m_size += 1;
    }
    // Space for n more bytes, n at most a head's nine.
    char *room(qsizetype n)
    {
        if (m_size + n > Capacity)
            flush();
        return m_buffer.data() + m_size;
    }

    QByteArray m_buffer;
    qsizetype m_size = 0;
    Sink m_sink;
};

void writeDigits(char *d, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        d[i] = char('0' + value % 10);
        value /= 10;
    }
}

// The ISO forms of encodeValue, written directly for the dates and times every table is full of;
// anything unusual goes through Qt's own formatting, so the text is the same either way.
bool isoDate(QDate d, char *text)
{
    if (!d.isValid() || d.year() < 1 || d.year() > 9999)
        return false;
    writeDigits(text, d.year(), 4);
    text[4] = '-';
    writeDigits(text + 5, d.month(), 2);
    text[7] = '-';
    writeDigits(text + 8, d.day(), 2);
    return true;
}

bool isoTime(QTime t, char *text)
{
    if (!t.isValid())
        return false;
    writeDigits(text, t.hour(), 2);
    text[2] = ':';
    writeDigits(text + 3, t.minute(), 2);
    text[5] = ':';
    writeDigits(text + 6, t.second(), 2);
    text[8] = '.';
    writeDigits(text + 9, t.msec(), 3);
    return true;
}

void writeValue(CborWriter &w, const FieldDef &field, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        w.null();
        return;
    }
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Decimal:
        if (v.metaType().id() == QMetaType::QString)
            w.text(*static_cast<const QString *>(v.constData()));
        else
            w.text(v.toString());
        return;
    case FieldType::Blob:
        if (v.metaType().id() == QMetaType::QByteArray)
            w.bytes(*static_cast<const QByteArray *>(v.constData()));
        else
            w.bytes(v.toByteArray());
        return;
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
        w.integer(v.toLongLong());
        return;
    case FieldType::Float:
        w.floating(v.toDouble());
        return;
    case FieldType::Boolean:
        w.boolean(v.toBool());
        return;
    case FieldType::Date: {
        char text[10];
        const QDate d = v.toDate();
        if (isoDate(d, text))
            w.text(QLatin1StringView(text, 10));
        else
            w.text(d.toString(Qt::ISODate));
        return;
    }
    case FieldType::Time: {
        char text[12];
        const QTime t = v.toTime();
        if (isoTime(t, text))
            w.text(QLatin1StringView(text, 12));
        else
            w.text(t.toString(Qt::ISODateWithMs));
        return;
    }
    case FieldType::Timestamp: {
        char text[23];
        const QDateTime dt = v.toDateTime();
        const QDate d = dt.date();
        const QTime t = dt.time();
        if (isoDate(d, text) && isoTime(t, text + 11)) {
            text[10] = 'T';
            w.text(QLatin1StringView(text, 23));
        } else {
            w.text(d.toString(Qt::ISODate) + QLatin1Char('T') + t.toString(Qt::ISODateWithMs));
        }
        return;
    }
    }
    w.null();
}

} // namespace

void DataPacket::encodeTo(const DataTable &table, const std::function<void(QByteArrayView)> &sink)
{
    // The same item as QCborValue(toCbor(table)).toCbor(), written as it goes.
    const int fields = table.fieldCount();
    const int rows = table.rowCount();
    CborWriter out(sink);
    out.head(5, 5);
    out.text(QLatin1StringView("format"));
    out.text(QLatin1StringView(FormatName));
    out.text(QLatin1StringView("version"));
    out.integer(FormatVersion);
    out.text(QLatin1StringView("fields"));
    out.head(4, quint64(fields));
    for (const FieldDef &f : table.fields()) {
        out.head(5, 5);
        out.text(QLatin1StringView("name"));
        out.text(f.name);
        out.text(QLatin1StringView("type"));
        out.text(fieldTypeName(f.type));
        out.text(QLatin1StringView("size"));
        out.integer(f.size);
        out.text(QLatin1StringView("scale"));
        out.integer(f.scale);
        out.text(QLatin1StringView("required"));
        out.boolean(f.required);
    }
    out.text(QLatin1StringView("rowCount"));
    out.integer(rows);
    out.text(QLatin1StringView("columns"));
    out.head(4, quint64(fields));
    // Column by column, as the packet lays them out. The table holds its cells row by row, so a
    // column's cells lie a whole row apart, and the texts they hold further still: walking down a
    // column waits on memory at every cell. Each cell is asked for a few rows ahead of its turn,
    // and its text once the cell has come, so that memory works while the writer writes.
    // (Collecting every column row by row instead would hold the whole packet in memory.)
    constexpr int CellAhead = 16;
    constexpr int TextAhead = 8;
    for (int c = 0; c < fields; ++c) {
        const FieldDef &field = table.field(c);
        const bool texts = field.type == FieldType::String || field.type == FieldType::Memo
                           || field.type == FieldType::Decimal;
        out.head(4, quint64(rows));
        for (int r = 0; r < rows; ++r) {
            if (r + CellAhead < rows)
                __builtin_prefetch(&table.value(r + CellAhead, c));
            if (texts && r + TextAhead < rows) {
                const QVariant &ahead = table.value(r + TextAhead, c);
                if (ahead.metaType().id() == QMetaType::QString)
                    __builtin_prefetch(static_cast<const QString *>(ahead.constData())->constData());
            }
            writeValue(out, field, table.value(r, c));
        }
    }
    out.flush();
}

QByteArray DataPacket::encode(const DataTable &table)
{
    QByteArray bytes;
    encodeTo(table, [&bytes](QByteArrayView piece) { bytes.append(piece); });
    return bytes;
}

bool DataPacket::fromCbor(const QCborValue &packet, DataTable *table, QString *error)
{
    if (!packet.isMap())
        return fail(error, QStringLiteral("the packet is %1, not a map").arg(kindOf(packet)));
    const QCborMap map = packet.toMap();

    const QCborValue format = map.value(KeyFormat);
    if (!format.isString() || format.toString() != QLatin1String(FormatName))
        return fail(error, QStringLiteral("not a %1 packet (format %2)")
                               .arg(QLatin1String(FormatName),
                                    format.isString() ? QLatin1Char('"') + format.toString().left(40)
                                            + QLatin1Char('"')
                                                      : QStringLiteral("missing")));

    // The version is checked before anything else so that a later format is refused as such
    // rather than as damaged.
    const QCborValue version = map.value(KeyVersion);
    if (!version.isInteger())
        return fail(error, QStringLiteral("the version is missing or not an integer"));
    if (version.toInteger() != FormatVersion)
        return fail(error, QStringLiteral("unsupported version %1 (this program reads version %2)")
                               .arg(version.toInteger())
                               .arg(FormatVersion));

    return tableFromCbor(map, table, error);
}

bool DataPacket::tableFromCbor(const QCborValue &value, DataTable *table, QString *error)
{
    if (!value.isMap())
        return fail(error, QStringLiteral("the table is %1, not a map").arg(kindOf(value)));
    const QCborMap map = value.toMap();
    QList<FieldDef> fields;
    if (!fieldsFromCbor(map.value(KeyFields), &fields, error))
        return false;

    const QCborValue rowCountValue = map.value(KeyRowCount);
    if (!rowCountValue.isInteger() || rowCountValue.toInteger() < 0
        || rowCountValue.toInteger() > std::numeric_limits<int>::max())
        return fail(error, QStringLiteral("the row count is missing or invalid"));
    const qsizetype rowCount = qsizetype(rowCountValue.toInteger());
    // With fields, every row costs at least one byte per column and the column sizes are checked
    // below; without fields the count is backed by nothing, and a forged one would fill memory.
    if (fields.isEmpty() && rowCount > MaxRowsWithoutFields)
        return fail(error, QStringLiteral("the row count %1 of a table without fields is above %2")
                               .arg(rowCount)
                               .arg(MaxRowsWithoutFields));

    const QCborValue columnsValue = map.value(KeyColumns);
    if (!columnsValue.isArray())
        return fail(error, QStringLiteral("the columns are missing"));
    const QCborArray columns = columnsValue.toArray();
    if (columns.size() != fields.size())
        return fail(error, QStringLiteral("%1 columns for %2 field definitions")
                               .arg(columns.size())
                               .arg(fields.size()));

    DataTable result;
    for (const FieldDef &field : std::as_const(fields)) {
        QString why;
        if (!result.addField(field, &why))
            return fail(error, why);
    }
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QCborValue column = columns.at(i);
        const QString &name = result.field(int(i)).name;
        if (!column.isArray())
            return fail(error, QStringLiteral("the column of field %1 is %2, not an array")
                                   .arg(name, kindOf(column)));
        if (column.toArray().size() != rowCount)
            return fail(error, QStringLiteral("the column of field %1 has %2 values for %3 rows")
                                   .arg(name)
                                   .arg(column.toArray().size())
                                   .arg(rowCount));
    }

    // Every cell was counted in the columns above, so what is reserved here is in proportion to
    // what was read; a table without fields keeps no more than its row count.
    result.reserveRows(int(rowCount));
    for (qsizetype r = 0; r < rowCount; ++r)
        result.appendRow();
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const QCborArray column = columns.at(c).toArray();
        const FieldDef &field = result.field(int(c));
        for (qsizetype r = 0; r < rowCount; ++r) {
            QVariant v;
            QString why;
            if (!decodeValue(field, column.at(r), &v, &why)
                || !result.setValue(int(r), int(c), v, &why))
                return fail(error, QStringLiteral("row %1 of field %2: %3").arg(r + 1).arg(field.name, why));
        }
    }
    *table = result;
    return true;
}

bool DataPacket::decode(const QByteArray &bytes, DataTable *table, QString *error)
{
    if (bytes.isEmpty())
        return fail(error, QStringLiteral("no data"));
    QCborStreamReader reader(bytes);
    const QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError)
        return fail(error, QStringLiteral("not valid CBOR (%1 at byte %2)")
                               .arg(reader.lastError().toString())
                               .arg(reader.currentOffset()));
    if (reader.currentOffset() != bytes.size())
        return fail(error, QStringLiteral("%1 unexpected bytes after the packet")
                               .arg(bytes.size() - reader.currentOffset()));
    return fromCbor(value, table, error);
}
