#pragma once

#include "base/VarnexError.h"

// Failures of a remote call. Every one carries the text to show; className() names the kind of
// failure the way the field-reading message and the logs print it.
class RemoteError : public VarnexError
{
public:
    explicit RemoteError(const QString &message) : VarnexError(message) {}
    virtual QString className() const { return QStringLiteral("RemoteError"); }
};

// The server could not be reached or did not answer in time, or HTTP failed.
class TransportError : public RemoteError
{
public:
    using RemoteError::RemoteError;
    QString className() const override { return QStringLiteral("TransportError"); }
};

// A message that does not follow the wire format (garbage, truncated, wrong type).
class ProtocolError : public RemoteError
{
public:
    using RemoteError::RemoteError;
    QString className() const override { return QStringLiteral("ProtocolError"); }
};

// The server answered with an error; the message is the server's text.
class ServerError : public RemoteError
{
public:
    ServerError(const QString &serverClass, const QString &message)
        : RemoteError(message), m_serverClass(serverClass) {}
    QString className() const override { return QStringLiteral("ServerError"); }
    QString serverClass() const { return m_serverClass; }

private:
    QString m_serverClass;
};
