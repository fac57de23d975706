#include "VRXLoginInfo.h"

#include "RemoteError.h"

#include <QCborMap>
#include <QStringList>

QStringList VRXLoginInfo::fieldNames()
{
    return {QStringLiteral("UserId"), QStringLiteral("UserName"), QStringLiteral("RealName"), QStringLiteral("SessionId")};
}

QCborValue VRXLoginInfo::write() const
{
    QCborMap m;
    m.insert(QStringLiteral("UserId"), QString::fromLatin1(UserId));
    m.insert(QStringLiteral("UserName"), QString::fromLatin1(UserName));
    m.insert(QStringLiteral("RealName"), QString::fromLatin1(RealName));
    m.insert(QStringLiteral("SessionId"), QString::fromLatin1(SessionId));
    return m;
}

namespace {

QByteArray readSingleByte(const QCborMap &map, const QString &field)
{
    const QCborValue v = map.value(field);
    if (v.isUndefined())
        throw ProtocolError(QStringLiteral("The field is missing"));
    if (v.isNull())
        return {};
    if (!v.isString())
        throw ProtocolError(QStringLiteral("The value is not a string"));
    const QString s = v.toString();
    for (QChar c : s)
        if (c.unicode() > 255)
            throw ProtocolError(QStringLiteral("The value is not a single-byte string"));
    return s.toLatin1();
}

} // namespace

void VRXLoginInfo::read(const QCborValue &value)
{
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("The login info is not a structure"));
    const QCborMap map = value.toMap();
    QByteArray *targets[] = {&UserId, &UserName, &RealName, &SessionId};
    const QStringList names = fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        try {
            const QByteArray temporary = readSingleByte(map, names.at(i));
            *targets[i] = temporary;
        } catch (const RemoteError &e) {
            throw ProtocolError(QStringLiteral("Exception \"%1\" with message \"%2\" happens during reading field \"%3\".")
                                    .arg(e.className(), e.message(), names.at(i)));
        }
    }
}
