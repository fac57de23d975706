#pragma once

#include "remote/RemoteService.h"
#include "remote/VRXLoginInfo.h"

// Proxy of the central server's "LoginService".
class LoginService : public RemoteService
{
public:
    explicit LoginService(HttpChannel &channel, const AesEnvelope *envelope = nullptr, int totalTimeoutMs = 0)
        : RemoteService(channel, QStringLiteral("LoginService"), envelope), m_timeoutMs(totalTimeoutMs) {}

    // True when the account is accepted; aLoginInfo is filled only then.
    bool Login(const QByteArray &UserName, const QByteArray &Password, VRXLoginInfo &aLoginInfo) const;
    void Logout(const QByteArray &UserName, const QByteArray &Password) const;

private:
    int m_timeoutMs;
};
