#pragma once

#include <QByteArray>
#include <QCborValue>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

// The messages of our wire protocol (docs/wire.md): one CBOR map per request and per reply.
namespace Wire {

inline constexpr int Version = 1;

// Type names of parameters and results.
namespace Type {
inline const QString Boolean = QStringLiteral("boolean");
inline const QString Int32 = QStringLiteral("int32");
inline const QString Int64 = QStringLiteral("int64");
inline const QString Double = QStringLiteral("double");
inline const QString DateTime = QStringLiteral("datetime");
inline const QString String = QStringLiteral("string");
inline const QString AnsiString = QStringLiteral("ansistring");
inline const QString Binary = QStringLiteral("binary");
inline const QString Struct = QStringLiteral("struct");   // a complex type: map of name -> value
inline const QString Array = QStringLiteral("array");
inline const QString Table = QStringLiteral("table");     // rows, column-wise (docs/wire.md)
inline const QString Params = QStringLiteral("params");   // named dataset parameters
inline const QString Where = QStringLiteral("where");     // where list of a dataset
inline const QString Changes = QStringLiteral("changes"); // row changes of a dataset
} // namespace Type

// True when `value` may travel under the type name `type`. A null value is accepted for every
// type except boolean and the integer types.
bool valueMatchesType(const QString &type, const QCborValue &value);
bool isKnownType(const QString &type);

struct Param
{
    QString name;
    QString type;
    QCborValue value;

    static Param boolean(const QString &name, bool v) { return {name, Type::Boolean, QCborValue(v)}; }
    static Param int32(const QString &name, qint32 v) { return {name, Type::Int32, QCborValue(qint64(v))}; }
    static Param int64(const QString &name, qint64 v) { return {name, Type::Int64, QCborValue(v)}; }
    static Param string(const QString &name, const QString &v) { return {name, Type::String, QCborValue(v)}; }
    static Param ansiString(const QString &name, const QByteArray &latin1)
    {
        return {name, Type::AnsiString, QCborValue(QString::fromLatin1(latin1))};
    }
    static Param binary(const QString &name, const QByteArray &v) { return {name, Type::Binary, QCborValue(v)}; }
};

// Looks a parameter up by name, ignoring letter case; nullptr when absent.
const Param *findParam(const QList<Param> &params, const QString &name);

struct Request
{
    QString service;
    QString operation;
    QList<Param> params;
};

struct Reply
{
    bool ok = true;
    QList<Param> results;
    QString errorClass;
    QString errorMessage;

    static Reply error(const QString &errorClass, const QString &message)
    {
        Reply r;
        r.ok = false;
        r.errorClass = errorClass;
        r.errorMessage = message;
        return r;
    }
};

QByteArray encodeRequest(const Request &request);
QByteArray encodeReply(const Reply &reply);
// The head of a CBOR byte string of that many bytes, in its shortest form (as the encoders write).
QByteArray byteStringHead(qint64 size);
// Both throw ProtocolError naming what was wrong (not CBOR, truncated, trailing bytes, missing or
// mistyped member, a value that does not match its declared type, a message whose decoding would
// take more memory than decodeBudget allows for its size).
Request decodeRequest(const QByteArray &data);
Reply decodeReply(const QByteArray &data);

// The memory a decoded message may take, in proportion to its size (docs/wire.md, "Limits"): the
// decoders estimate the cost from the bytes before they build anything, so that a small message
// of many tiny items cannot fill memory.
inline constexpr qint64 DecodeBudgetFloor = qint64(64) * 1024 * 1024;
inline constexpr qint64 DecodeBudgetPerByte = 3;
qint64 decodeBudget(qsizetype messageSize);

// Typed readers of a reply's results; each throws ProtocolError naming the missing or mistyped
// result.
bool readBoolean(const Reply &reply, const QString &name);
qint64 readInt64(const Reply &reply, const QString &name);
QCborValue readValue(const Reply &reply, const QString &name, const QString &type);

// Date-time values travel as the wall-clock time the database holds, tagged as an RFC 3339 text
// with the suffix "Z"; the receiver reads the fields back unchanged: the result's date() and time()
// are the fields sent. It is local time, except for a reading that local time skips (in the hour
// lost when the clocks go forward), which comes back as UTC so that it stays valid and unshifted.
QCborValue encodeDateTime(const QDateTime &dt);
QDateTime decodeDateTime(const QCborValue &v, bool *ok = nullptr);

// Plain values of table cells and parameters: null, boolean, integer, double, text, bytes,
// date-time (see above), QDate/QTime as text.
QCborValue fromVariant(const QVariant &v);
QVariant toVariant(const QCborValue &v);

} // namespace Wire
