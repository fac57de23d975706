#pragma once

#include "remote/WireCodec.h"

class AesEnvelope;
class HttpChannel;

// A named service of a server, reached over a channel and, for the central-server client, inside
// the AES envelope. Every call is one request and one reply; failures are thrown (TransportError,
// ProtocolError, ServerError).
class RemoteService
{
public:
    RemoteService(HttpChannel &channel, const QString &serviceName, const AesEnvelope *envelope = nullptr)
        : m_channel(channel), m_serviceName(serviceName), m_envelope(envelope) {}

    QString serviceName() const { return m_serviceName; }
    HttpChannel &channel() const { return m_channel; }

    // Sends the operation and returns the successful reply. totalTimeoutMs <= 0 keeps the
    // channel's own time-out.
    Wire::Reply call(const QString &operation, const QList<Wire::Param> &params = {}, int totalTimeoutMs = 0) const;

private:
    HttpChannel &m_channel;
    QString m_serviceName;
    const AesEnvelope *m_envelope;
};
