#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QCborValue>
#include <QString>

// Reading and writing the fields of the complex types that travel as `struct` values
// (docs/wire.md): a CBOR map of field name -> value. Types write their fields in published order
// and read them by name, so a sender that orders them alphabetically is understood as well.

// The text with which a failed field read is reported, naming the failure's class, its message
// and the field, in that order.
QString fieldReadingMessage(const QString &className, const QString &message, const QString &field);

// Reads named fields of one complex value. Each reader converts into a temporary and assigns the
// target only when the conversion succeeded, so the fields read before a failure stay assigned.
// A RemoteError raised while reading a field becomes a ProtocolError carrying
// fieldReadingMessage(); any other exception passes unchanged.
class ComplexReader
{
public:
    // Throws ProtocolError "The <what> is not a structure" when value is not a map.
    ComplexReader(const QCborValue &value, const QString &what);

    // Single-byte text; null reads as empty.
    void ansiString(const QString &field, QByteArray &target) const;
    // Text; null reads as empty.
    void string(const QString &field, QString &target) const;
    // 32-bit integer; never null.
    void int32(const QString &field, qint32 &target) const;
    // Never null.
    void boolean(const QString &field, bool &target) const;
    // Byte string; null reads as empty.
    void binary(const QString &field, QByteArray &target) const;

private:
    template <typename T, typename Convert>
    void read(const QString &field, T &target, Convert convert) const;

    QCborMap m_map;
};

// Builds one complex value; fields keep the order in which they are added.
class ComplexWriter
{
public:
    ComplexWriter &ansiString(const QString &field, const QByteArray &value);
    ComplexWriter &string(const QString &field, const QString &value);
    ComplexWriter &int32(const QString &field, qint32 value);
    ComplexWriter &boolean(const QString &field, bool value);
    ComplexWriter &binary(const QString &field, const QByteArray &value);

    QCborValue value() const { return m_map; }

private:
    QCborMap m_map;
};
