#include "TableCodec.h"

#include "RemoteError.h"
#include "WireCodec.h"

#include <QCborArray>
#include <QCborMap>
#include <QDate>
#include <QTime>

namespace Wire {

namespace {

QString text(const QCborMap &m, const char *key, const QString &what)
{
    const QCborValue v = m.value(QLatin1String(key));
    if (!v.isString())
        throw ProtocolError(QStringLiteral("%1 has no text \"%2\"").arg(what, QLatin1String(key)));
    return v.toString();
}

QCborValue plainMap(const QVariantMap &map)
{
    QCborMap out;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        out.insert(it.key(), fromVariant(it.value()));
    return out;
}

QVariantMap fromPlainMap(const QCborValue &v, const QString &what)
{
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isMap())
        throw ProtocolError(QStringLiteral("%1 is not a map").arg(what));
    QVariantMap out;
    const QCborMap m = v.toMap();
    for (auto it = m.cbegin(); it != m.cend(); ++it) {
        if (!it.key().isString())
            throw ProtocolError(QStringLiteral("%1 has a key that is not text").arg(what));
        out.insert(it.key().toString(), toVariant(it.value()));
    }
    return out;
}

} // namespace

QCborValue encodeCell(const FieldDef &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QCborValue(QCborValue::Null);
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Decimal:
        return QCborValue(value.toString());
    case FieldType::Blob:
        return QCborValue(value.toByteArray());
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
        return QCborValue(value.toLongLong());
    case FieldType::Float:
        return QCborValue(value.toDouble());
    case FieldType::Boolean:
        return QCborValue(value.toBool());
    case FieldType::Date:
        return QCborValue(value.toDate().toString(Qt::ISODate));
    case FieldType::Time:
        return QCborValue(value.toTime().toString(Qt::ISODateWithMs));
    case FieldType::Timestamp:
        return encodeDateTime(value.toDateTime());
    }
    return QCborValue(QCborValue::Null);
}

QVariant decodeCell(const FieldDef &field, const QCborValue &value)
{
    if (value.isNull() || value.isUndefined())
        return {};
    QVariant plain;
    if (field.type == FieldType::Timestamp) {
        bool ok = false;
        plain = decodeDateTime(value, &ok);
        if (!ok)
            throw ProtocolError(QStringLiteral("Field \"%1\" does not hold a date and time").arg(field.name));
    } else if ((field.type == FieldType::String || field.type == FieldType::Memo) && !value.isString()) {
        throw ProtocolError(QStringLiteral("Field \"%1\" does not hold text").arg(field.name));
    } else if (field.type == FieldType::Blob && !value.isByteArray()) {
        throw ProtocolError(QStringLiteral("Field \"%1\" does not hold bytes").arg(field.name));
    } else {
        plain = toVariant(value);
        if (!plain.isValid())
            throw ProtocolError(QStringLiteral("Field \"%1\" holds a value of an unknown kind").arg(field.name));
    }
    QVariant out;
    QString error;
    if (!DataTable::normalise(field, plain, &out, &error))
        throw ProtocolError(error);
    return out;
}

QCborValue encodeFields(const QList<FieldDef> &fields)
{
    QCborArray out;
    for (const FieldDef &f : fields) {
        QCborMap m;
        m.insert(QStringLiteral("name"), f.name);
        m.insert(QStringLiteral("type"), fieldTypeName(f.type));
        m.insert(QStringLiteral("size"), f.size);
        m.insert(QStringLiteral("scale"), f.scale);
        m.insert(QStringLiteral("required"), f.required);
        out.append(m);
    }
    return out;
}

QList<FieldDef> decodeFields(const QCborValue &value)
{
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("The field definitions are not a list"));
    QList<FieldDef> out;
    for (const QCborValue &item : value.toArray()) {
        if (!item.isMap())
            throw ProtocolError(QStringLiteral("A field definition is not a map"));
        const QCborMap m = item.toMap();
        FieldDef f;
        f.name = text(m, "name", QStringLiteral("A field definition"));
        const QString type = text(m, "type", QStringLiteral("Field \"%1\"").arg(f.name));
        if (!fieldTypeFromName(type, &f.type))
            throw ProtocolError(QStringLiteral("Field \"%1\" has the unknown type \"%2\"").arg(f.name, type));
        const qint64 size = m.value(QStringLiteral("size")).toInteger(0);
        const qint64 scale = m.value(QStringLiteral("scale")).toInteger(0);
        if (size < 0 || size > INT32_MAX || scale < 0 || scale > 64)
            throw ProtocolError(QStringLiteral("Field \"%1\" has an impossible size").arg(f.name));
        f.size = int(size);
        f.scale = int(scale);
        f.required = m.value(QStringLiteral("required")).toBool(false);
        out.append(f);
    }
    return out;
}

QCborValue encodeTable(const DataTable &table)
{
    QCborMap m;
    m.insert(QStringLiteral("fields"), encodeFields(table.fields()));
    m.insert(QStringLiteral("rows"), table.rowCount());
    QCborArray columns;
    for (int c = 0; c < table.fieldCount(); ++c) {
        QCborArray column;
        for (int r = 0; r < table.rowCount(); ++r)
            column.append(encodeCell(table.field(c), table.value(r, c)));
        columns.append(column);
    }
    m.insert(QStringLiteral("columns"), columns);
    return m;
}

DataTable decodeTable(const QCborValue &value)
{
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("The table is not a map"));
    const QCborMap m = value.toMap();
    const QList<FieldDef> fields = decodeFields(m.value(QStringLiteral("fields")));
    DataTable table;
    for (const FieldDef &f : fields) {
        QString error;
        if (!table.addField(f, &error))
            throw ProtocolError(QStringLiteral("Bad field definition: %1").arg(error));
    }
    const QCborValue rowsValue = m.value(QStringLiteral("rows"));
    if (!rowsValue.isInteger() || rowsValue.toInteger() < 0)
        throw ProtocolError(QStringLiteral("The table has no row count"));
    const qint64 rows = rowsValue.toInteger();
    const QCborValue columnsValue = m.value(QStringLiteral("columns"));
    if (!columnsValue.isArray() || columnsValue.toArray().size() != fields.size())
        throw ProtocolError(QStringLiteral("The table has %1 field definitions but not as many columns").arg(fields.size()));
    const QCborArray columns = columnsValue.toArray();
    for (int c = 0; c < fields.size(); ++c)
        if (!columns.at(c).isArray() || columns.at(c).toArray().size() != rows)
            throw ProtocolError(QStringLiteral("Column \"%1\" does not hold %2 values").arg(fields.at(c).name).arg(rows));
    for (qint64 r = 0; r < rows; ++r) {
        const int row = table.appendRow();
        for (int c = 0; c < fields.size(); ++c) {
            QString error;
            if (!table.setValue(row, c, decodeCell(fields.at(c), columns.at(c).toArray().at(r)), &error))
                throw ProtocolError(error);
        }
    }
    return table;
}

QCborValue encodeSchema(const DatasetSchema &schema)
{
    QCborMap m;
    m.insert(QStringLiteral("name"), schema.name);
    m.insert(QStringLiteral("fields"), encodeFields(schema.fields));
    m.insert(QStringLiteral("key"), QCborArray::fromStringList(schema.keyFields));
    m.insert(QStringLiteral("params"), QCborArray::fromStringList(schema.paramNames));
    m.insert(QStringLiteral("writable"), schema.writable);
    return m;
}

DatasetSchema decodeSchema(const QCborValue &value)
{
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("The schema is not a map"));
    const QCborMap m = value.toMap();
    DatasetSchema s;
    s.name = text(m, "name", QStringLiteral("The schema"));
    s.fields = decodeFields(m.value(QStringLiteral("fields")));
    for (const QCborValue &k : m.value(QStringLiteral("key")).toArray())
        s.keyFields << k.toString();
    for (const QCborValue &k : m.value(QStringLiteral("params")).toArray())
        s.paramNames << k.toString();
    s.writable = m.value(QStringLiteral("writable")).toBool(false);
    return s;
}

QCborValue encodeDatasetParams(const QList<DatasetParam> &params)
{
    QCborArray out;
    for (const DatasetParam &p : params) {
        QCborMap m;
        m.insert(QStringLiteral("name"), p.name);
        m.insert(QStringLiteral("value"), fromVariant(p.value));
        out.append(m);
    }
    return out;
}

QList<DatasetParam> decodeDatasetParams(const QCborValue &value)
{
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("The dataset parameters are not a list"));
    QList<DatasetParam> out;
    for (const QCborValue &item : value.toArray()) {
        if (!item.isMap())
            throw ProtocolError(QStringLiteral("A dataset parameter is not a map"));
        const QCborMap m = item.toMap();
        out.append({text(m, "name", QStringLiteral("A dataset parameter")), toVariant(m.value(QStringLiteral("value")))});
    }
    return out;
}

QString operatorName(WhereItem::Operator op)
{
    switch (op) {
    case WhereItem::Equal: return QStringLiteral("equal");
    case WhereItem::Different: return QStringLiteral("different");
    case WhereItem::Greater: return QStringLiteral("greater");
    }
    return {};
}

QCborValue encodeWhere(const QList<WhereItem> &where)
{
    QCborArray out;
    for (const WhereItem &w : where) {
        QCborMap m;
        m.insert(QStringLiteral("field"), w.field);
        m.insert(QStringLiteral("operator"), operatorName(w.op));
        m.insert(QStringLiteral("value"), fromVariant(w.value));
        out.append(m);
    }
    return out;
}

QList<WhereItem> decodeWhere(const QCborValue &value)
{
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("The where list is not a list"));
    QList<WhereItem> out;
    for (const QCborValue &item : value.toArray()) {
        if (!item.isMap())
            throw ProtocolError(QStringLiteral("A where condition is not a map"));
        const QCborMap m = item.toMap();
        WhereItem w;
        w.field = text(m, "field", QStringLiteral("A where condition"));
        const QString op = text(m, "operator", QStringLiteral("A where condition"));
        if (op == QLatin1String("equal"))
            w.op = WhereItem::Equal;
        else if (op == QLatin1String("different"))
            w.op = WhereItem::Different;
        else if (op == QLatin1String("greater"))
            w.op = WhereItem::Greater;
        else
            throw ProtocolError(QStringLiteral("Unknown where operator \"%1\"").arg(op));
        w.value = toVariant(m.value(QStringLiteral("value")));
        out.append(w);
    }
    return out;
}

QCborValue encodeChanges(const QList<RowChange> &changes)
{
    QCborArray out;
    for (const RowChange &c : changes) {
        QCborMap m;
        m.insert(QStringLiteral("kind"), c.kind == RowChange::Insert ? QStringLiteral("insert")
                                         : c.kind == RowChange::Update ? QStringLiteral("update")
                                                                       : QStringLiteral("delete"));
        m.insert(QStringLiteral("key"), plainMap(c.key));
        m.insert(QStringLiteral("values"), plainMap(c.values));
        out.append(m);
    }
    return out;
}

QList<RowChange> decodeChanges(const QCborValue &value)
{
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("The changes are not a list"));
    QList<RowChange> out;
    for (const QCborValue &item : value.toArray()) {
        if (!item.isMap())
            throw ProtocolError(QStringLiteral("A row change is not a map"));
        const QCborMap m = item.toMap();
        RowChange c;
        const QString kind = text(m, "kind", QStringLiteral("A row change"));
        if (kind == QLatin1String("insert"))
            c.kind = RowChange::Insert;
        else if (kind == QLatin1String("update"))
            c.kind = RowChange::Update;
        else if (kind == QLatin1String("delete"))
            c.kind = RowChange::Delete;
        else
            throw ProtocolError(QStringLiteral("Unknown row change \"%1\"").arg(kind));
        c.key = fromPlainMap(m.value(QStringLiteral("key")), QStringLiteral("The key of a row change"));
        c.values = fromPlainMap(m.value(QStringLiteral("values")), QStringLiteral("The values of a row change"));
        out.append(c);
    }
    return out;
}

} // namespace Wire
