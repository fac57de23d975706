#include "remote/LoginService.h"

bool LoginService::Login(const QByteArray &UserName, const QByteArray &Password, VRXLoginInfo &aLoginInfo) const
{
    const Wire::Reply reply = call(QStringLiteral("Login"),
                                   {Wire::Param::ansiString(QStringLiteral("UserName"), UserName),
                                    Wire::Param::ansiString(QStringLiteral("Password"), Password)},
                                   m_timeoutMs);
    const bool accepted = Wire::readBoolean(reply, QStringLiteral("Result"));
    if (accepted)
        aLoginInfo.read(Wire::readValue(reply, QStringLiteral("aLoginInfo"), Wire::Type::Struct));
    return accepted;
}

void LoginService::Logout(const QByteArray &UserName, const QByteArray &Password) const
{
    call(QStringLiteral("Logout"), {Wire::Param::ansiString(QStringLiteral("UserName"), UserName),
                                    Wire::Param::ansiString(QStringLiteral("Password"), Password)},
         m_timeoutMs);
}
