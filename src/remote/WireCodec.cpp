#include "remote/WireCodec.h"

#include "data/CborBudget.h"
#include "remote/RemoteError.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QDate>
#include <QTime>

namespace Wire {

namespace {

const QString kVersion = QStringLiteral("varnex");
const QString kKind = QStringLiteral("kind");

bool isInteger(const QCborValue &v) { return v.isInteger(); }

QCborValue parseWhole(const QByteArray &data, const char *what)
{
    if (data.isEmpty())
        throw ProtocolError(QStringLiteral("Empty %1 message").arg(QLatin1String(what)));
    const qint64 budget = decodeBudget(data.size());
    const qint64 cost = CborBudget::estimateDecodeCost(data, budget);
    if (cost > budget)
        throw ProtocolError(QStringLiteral("The %1 message of %2 bytes is refused: decoding it would take more than "
                                           "the %3 MiB allowed for its size")
                                .arg(QLatin1String(what))
                                .arg(data.size())
                                .arg(budget / (1024 * 1024)));
    QCborStreamReader reader(data);
    const QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError)
        throw ProtocolError(QStringLiteral("Malformed %1 message: %2")
                                .arg(QLatin1String(what), reader.lastError().toString()));
    if (reader.currentOffset() != data.size())
        throw ProtocolError(QStringLiteral("Malformed %1 message: %2 bytes after its end")
                                .arg(QLatin1String(what))
                                .arg(data.size() - reader.currentOffset()));
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("Malformed %1 message: not a map").arg(QLatin1String(what)));
    return value;
}

QString requireText(const QCborMap &map, const QString &key, const char *what)
{
    const QCborValue v = map.value(key);
    if (!v.isString())
        throw ProtocolError(QStringLiteral("%1 message has no text member \"%2\"").arg(QLatin1String(what), key));
    return v.toString();
}

void checkHeader(const QCborMap &map, const QString &kind, const char *what)
{
    const QCborValue version = map.value(kVersion);
    if (!version.isInteger())
        throw ProtocolError(QStringLiteral("%1 message has no version").arg(QLatin1String(what)));
    if (version.toInteger() != Version)
        throw ProtocolError(QStringLiteral("Unsupported message version %1").arg(version.toInteger()));
    Q_UNUSED(kind);
}

QCborArray encodeParams(const QList<Param> &params)
{
    QCborArray out;
    for (const Param &p : params) {
        QCborMap m;
        m.insert(QStringLiteral("name"), p.name);
        m.insert(QStringLiteral("type"), p.type);
        m.insert(QStringLiteral("value"), p.value);
        out.append(m);
    }
    return out;
}

QList<Param> decodeParams(const QCborValue &value, const char *what)
{
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("%1 message: parameter list missing").arg(QLatin1String(what)));
    QList<Param> out;
    for (const QCborValue &item : value.toArray()) {
        if (!item.isMap())
            throw ProtocolError(QStringLiteral("%1 message: a parameter is not a map").arg(QLatin1String(what)));
        const QCborMap m = item.toMap();
        Param p;
        p.name = requireText(m, QStringLiteral("name"), what);
        p.type = requireText(m, QStringLiteral("type"), what);
        p.value = m.value(QStringLiteral("value"));
        if (!isKnownType(p.type))
            throw ProtocolError(QStringLiteral("Parameter \"%1\" has the unknown type \"%2\"").arg(p.name, p.type));
        if (!valueMatchesType(p.type, p.value))
            throw ProtocolError(QStringLiteral("Parameter \"%1\" does not hold a value of type %2").arg(p.name, p.type));
        out.append(p);
    }
    return out;
}

} // namespace

qint64 decodeBudget(qsizetype messageSize)
{
    return DecodeBudgetFloor + DecodeBudgetPerByte * qint64(messageSize);
}

bool isKnownType(const QString &type)
{
    static const QStringList known = {Type::Boolean, Type::Int32, Type::Int64, Type::Double,
                                      Type::DateTime, Type::String, Type::AnsiString, Type::Binary,
                                      Type::Struct, Type::Array, Type::Table, Type::Params,
                                      Type::Where, Type::Changes};
    return known.contains(type);
}

bool valueMatchesType(const QString &type, const QCborValue &value)
{
    if (type == Type::Boolean)
        return value.isBool();
    if (type == Type::Int32)
        return isInteger(value) && value.toInteger() >= INT32_MIN && value.toInteger() <= INT32_MAX;
    if (type == Type::Int64)
        return isInteger(value);
    if (value.isNull())
        return true;
    if (type == Type::Double)
        return value.isDouble() || value.isInteger();
    if (type == Type::DateTime) {
        bool ok = false;
        decodeDateTime(value, &ok);
        return ok;
    }
    if (type == Type::String)
        return value.isString();
    if (type == Type::AnsiString) {
        if (!value.isString())
            return false;
        const QString s = value.toString();
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 256; });
    }
    if (type == Type::Binary)
        return value.isByteArray();
    if (type == Type::Struct || type == Type::Params || type == Type::Table || type == Type::Changes)
        return value.isMap() || (type == Type::Params && value.isArray()) || (type == Type::Changes && value.isArray());
    if (type == Type::Array || type == Type::Where)
        return value.isArray();
    return false;
}

const Param *findParam(const QList<Param> &params, const QString &name)
{
    for (const Param &p : params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

QByteArray encodeRequest(const Request &request)
{
    QCborMap m;
    m.insert(kVersion, Version);
    m.insert(kKind, QStringLiteral("request"));
    m.insert(QStringLiteral("service"), request.service);
    m.insert(QStringLiteral("operation"), request.operation);
    m.insert(QStringLiteral("params"), encodeParams(request.params));
    return m.toCborValue().toCbor();
}

QByteArray encodeReply(const Reply &reply)
{
    QCborMap m;
    m.insert(kVersion, Version);
    if (reply.ok) {
        m.insert(kKind, QStringLiteral("reply"));
        m.insert(QStringLiteral("results"), encodeParams(reply.results));
    } else {
        m.insert(kKind, QStringLiteral("error"));
        m.insert(QStringLiteral("class"), reply.errorClass);
        m.insert(QStringLiteral("message"), reply.errorMessage);
    }
    return m.toCborValue().toCbor();
}

QByteArray byteStringHead(qint64 size)
{
    const quint64 n = quint64(size);
    const int width = n < 24 ? 0 : n <= 0xFF ? 1 : n <= 0xFFFF ? 2 : n <= 0xFFFFFFFFu ? 4 : 8;
    QByteArray head(1 + width, Qt::Uninitialized);
    head[0] = char(0x40 | (width == 0 ? int(n) : width == 1 ? 24 : width == 2 ? 25 : width == 4 ? 26 : 27));
    for (int i = 0; i < width; ++i)
        head[1 + i] = char(n >> (8 * (width - 1 - i)));
    return head;
}

Request decodeRequest(const QByteArray &data)
{
    const QCborMap m = parseWhole(data, "request").toMap();
    checkHeader(m, QStringLiteral("request"), "request");
    if (m.value(kKind).toString() != QLatin1String("request"))
        throw ProtocolError(QStringLiteral("Not a request message"));
    Request r;
    r.service = requireText(m, QStringLiteral("service"), "request");
    r.operation = requireText(m, QStringLiteral("operation"), "request");
    r.params = decodeParams(m.value(QStringLiteral("params")), "request");
    return r;
}

Reply decodeReply(const QByteArray &data)
{
    const QCborMap m = parseWhole(data, "reply").toMap();
    checkHeader(m, QStringLiteral("reply"), "reply");
    const QString kind = m.value(kKind).toString();
    Reply r;
    if (kind == QLatin1String("error")) {
        r.ok = false;
        r.errorClass = requireText(m, QStringLiteral("class"), "error");
        r.errorMessage = requireText(m, QStringLiteral("message"), "error");
        return r;
    }
    if (kind != QLatin1String("reply"))
        throw ProtocolError(QStringLiteral("Not a reply message"));
    r.results = decodeParams(m.value(QStringLiteral("results")), "reply");
    return r;
}

QCborValue readValue(const Reply &reply, const QString &name, const QString &type)
{
    const Param *p = findParam(reply.results, name);
    if (!p)
        throw ProtocolError(QStringLiteral("The reply has no result \"%1\"").arg(name));
    if (p->type != type && !(type == Type::String && p->type == Type::AnsiString))
        throw ProtocolError(QStringLiteral("The result \"%1\" is of type %2, not %3").arg(name, p->type, type));
    return p->value;
}

bool readBoolean(const Reply &reply, const QString &name)
{
    return readValue(reply, name, Type::Boolean).toBool();
}

qint64 readInt64(const Reply &reply, const QString &name)
{
    const Param *p = findParam(reply.results, name);
    if (p && p->type == Type::Int32)
        return p->value.toInteger();
    return readValue(reply, name, Type::Int64).toInteger();
}

QCborValue encodeDateTime(const QDateTime &dt)
{
    if (!dt.isValid())
        return QCborValue(QCborValue::Null);
    const QDateTime wall(dt.date(), dt.time(), Qt::UTC);
    return QCborValue(QCborKnownTags::DateTimeString, wall.toString(Qt::ISODateWithMs));
}

QDateTime decodeDateTime(const QCborValue &v, bool *ok)
{
    QDateTime dt;
    if (v.isTag() && v.tag() == QCborTag(QCborKnownTags::DateTimeString) && v.taggedValue().isString())
        dt = QDateTime::fromString(v.taggedValue().toString(), Qt::ISODateWithMs);
    else if (v.isDateTime())
        dt = v.toDateTime();
    if (ok)
        *ok = dt.isValid();
    if (!dt.isValid())
        return {};
    const QDateTime utc = dt.toUTC();
    const QDateTime local(utc.date(), utc.time());
    if (local.isValid())
        return local;
    // A wall-clock reading that local time skips (the hour lost when the clocks go forward) is kept
    // as it was sent, with its fields as UTC: never shifted, never lost.
    return QDateTime(utc.date(), utc.time(), Qt::UTC);
}

QCborValue fromVariant(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QCborValue(QCborValue::Null);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return QCborValue(v.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
        return QCborValue(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QCborValue(v.toDouble());
    case QMetaType::QByteArray:
        return QCborValue(v.toByteArray());
    case QMetaType::QDateTime:
        return encodeDateTime(v.toDateTime());
    case QMetaType::QDate:
        return encodeDateTime(QDateTime(v.toDate(), QTime(0, 0)));
    case QMetaType::QTime:
        return QCborValue(v.toTime().toString(Qt::ISODateWithMs));
    default:
        return QCborValue(v.toString());
    }
}

QVariant toVariant(const QCborValue &v)
{
    if (v.isNull() || v.isUndefined())
        return {};
    if (v.isBool())
        return v.toBool();
    if (v.isInteger())
        return v.toInteger();
    if (v.isDouble())
        return v.toDouble();
    if (v.isString()) {
        // Empty text must stay distinct from NULL all the way into the database.
        const QString s = v.toString();
        return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
    }
    if (v.isByteArray()) {
        const QByteArray b = v.toByteArray();
        return b.isNull() ? QVariant(QByteArray("")) : QVariant(b);
    }
    bool ok = false;
    const QDateTime dt = decodeDateTime(v, &ok);
    if (ok)
        return dt;
    return {};
}

} // namespace Wire
