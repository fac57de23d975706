#include "data/DataPacket.h"

#include "data/DataTable.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

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
        if (!DataTable::normalise(field, c.toString(), out, why))
            return false;
        // A digit the column cannot keep would be rounded away when the row is stored: refused,
        // as the server refuses it. Zeros past the scale were already dropped.
        const QString canonical = out->toString();
        const qsizetype point = canonical.indexOf(QLatin1Char('.'));
        if (point >= 0 && canonical.size() - point - 1 > field.scale) {
            *why = QStringLiteral("\"%1\" has more than %2 digits after the decimal point")
                       .arg(c.toString().left(40)).arg(field.scale);
            return false;
        }
        return true;
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

QByteArray DataPacket::encode(const DataTable &table)
{
    return QCborValue(toCbor(table)).toCbor();
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
