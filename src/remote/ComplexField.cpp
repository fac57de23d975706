#include "remote/ComplexField.h"

#include "remote/RemoteError.h"

#include <limits>

QString fieldReadingMessage(const QString &className, const QString &message, const QString &field)
{
    return QStringLiteral("Exception \"%1\" with message \"%2\" happens during reading field \"%3\".")
        .arg(className, message, field);
}

ComplexReader::ComplexReader(const QCborValue &value, const QString &what)
{
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("The %1 is not a structure").arg(what));
    m_map = value.toMap();
}

template <typename T, typename Convert>
void ComplexReader::read(const QString &field, T &target, Convert convert) const
{
    try {
        const QCborValue v = m_map.value(field);
        if (v.isUndefined())
            throw ProtocolError(QStringLiteral("The field is missing"));
        T temporary = convert(v);
        target = std::move(temporary);
    } catch (const RemoteError &e) {
        throw ProtocolError(fieldReadingMessage(e.className(), e.message(), field));
    }
}

void ComplexReader::ansiString(const QString &field, QByteArray &target) const
{
    read(field, target, [](const QCborValue &v) -> QByteArray {
        if (v.isNull())
            return {};
        if (!v.isString())
            throw ProtocolError(QStringLiteral("The value is not a string"));
        const QString s = v.toString();
        for (QChar c : s)
            if (c.unicode() > 255)
                throw ProtocolError(QStringLiteral("The value is not a single-byte string"));
        return s.toLatin1();
    });
}

void ComplexReader::string(const QString &field, QString &target) const
{
    read(field, target, [](const QCborValue &v) -> QString {
        if (v.isNull())
            return {};
        if (!v.isString())
            throw ProtocolError(QStringLiteral("The value is not a string"));
        return v.toString();
    });
}

void ComplexReader::int32(const QString &field, qint32 &target) const
{
    read(field, target, [](const QCborValue &v) -> qint32 {
        if (!v.isInteger())
            throw ProtocolError(QStringLiteral("The value is not an integer"));
        const qint64 n = v.toInteger();
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            throw ProtocolError(QStringLiteral("The value %1 is outside the 32-bit range").arg(n));
        return qint32(n);
    });
}

void ComplexReader::boolean(const QString &field, bool &target) const
{
    read(field, target, [](const QCborValue &v) -> bool {
        if (!v.isBool())
            throw ProtocolError(QStringLiteral("The value is not a Boolean"));
        return v.toBool();
    });
}

void ComplexReader::binary(const QString &field, QByteArray &target) const
{
    read(field, target, [](const QCborValue &v) -> QByteArray {
        if (v.isNull())
            return {};
        if (!v.isByteArray())
            throw ProtocolError(QStringLiteral("The value is not binary data"));
        return v.toByteArray();
    });
}

ComplexWriter &ComplexWriter::ansiString(const QString &field, const QByteArray &value)
{
    m_map.insert(field, QString::fromLatin1(value));
    return *this;
}

ComplexWriter &ComplexWriter::string(const QString &field, const QString &value)
{
    m_map.insert(field, value);
    return *this;
}

ComplexWriter &ComplexWriter::int32(const QString &field, qint32 value)
{
    m_map.insert(field, qint64(value));
    return *this;
}

ComplexWriter &ComplexWriter::boolean(const QString &field, bool value)
{
    m_map.insert(field, value);
    return *this;
}

ComplexWriter &ComplexWriter::binary(const QString &field, const QByteArray &value)
{
    // Always a byte string, also when empty, so that the value keeps its wire type.
    m_map.insert(field, QCborValue(value.isNull() ? QByteArray("") : value));
    return *this;
}
