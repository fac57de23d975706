#include "remote/TableCodec.h"

#include "data/DataPacket.h"

#include "remote/RemoteError.h"
#include "remote/WireCodec.h"

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

// Tables travel in the same body as the dataset packet (fields, rowCount, columns), so one codec
// serves both; only the errors differ: here they are protocol errors.

QCborValue encodeCell(const FieldDef &field, const QVariant &value)
{
    return DataPacket::valueToCbor(field, value);
}

QVariant decodeCell(const FieldDef &field, const QCborValue &value)
{
    QVariant out;
    QString error;
    if (!DataPacket::valueFromCbor(field, value, &out, &error))
        throw ProtocolError(QStringLiteral("Bad value: %1").arg(error));
    return out;
}

QCborValue encodeFields(const QList<FieldDef> &fields)
{
    return DataPacket::fieldsToCbor(fields);
}

QList<FieldDef> decodeFields(const QCborValue &value)
{
    QList<FieldDef> fields;
    QString error;
    if (!DataPacket::fieldsFromCbor(value, &fields, &error))
        throw ProtocolError(QStringLiteral("Bad field definitions: %1").arg(error));
    return fields;
}

QCborValue encodeTable(const DataTable &table)
{
    return DataPacket::tableToCbor(table);
}

DataTable decodeTable(const QCborValue &value)
{
    DataTable table;
    QString error;
    if (!DataPacket::tableFromCbor(value, &table, &error))
        throw ProtocolError(QStringLiteral("Bad table: %1").arg(error));
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
