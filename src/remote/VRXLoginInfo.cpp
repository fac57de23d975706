#include "remote/VRXLoginInfo.h"

#include "remote/ComplexField.h"

#include <QStringList>

QStringList VRXLoginInfo::fieldNames()
{
    return {QStringLiteral("UserId"), QStringLiteral("UserName"), QStringLiteral("RealName"), QStringLiteral("SessionId")};
}

QCborValue VRXLoginInfo::write() const
{
    return ComplexWriter()
        .ansiString(QStringLiteral("UserId"), UserId)
        .ansiString(QStringLiteral("UserName"), UserName)
        .ansiString(QStringLiteral("RealName"), RealName)
        .ansiString(QStringLiteral("SessionId"), SessionId)
        .value();
}

void VRXLoginInfo::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("login info"));
    r.ansiString(QStringLiteral("UserId"), UserId);
    r.ansiString(QStringLiteral("UserName"), UserName);
    r.ansiString(QStringLiteral("RealName"), RealName);
    r.ansiString(QStringLiteral("SessionId"), SessionId);
}
