#pragma once

#include "remote/WireCodec.h"

class AesEnvelope;
class HttpChannel;
class QIODevice;

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

    // One byte string of a message sent as it is read, so that a large one is never held: the
    // parameters hold `placeholder` where it goes (a byte string found nowhere else in the
    // message, as newPlaceholder() makes), and size bytes read from content take its place.
    struct StreamedBytes
    {
        QByteArray placeholder;
        QIODevice *content = nullptr;
        qint64 size = 0;
    };
    static QByteArray newPlaceholder();
    // As call() above; not inside the envelope (it seals whole messages). Throws VarnexError when
    // the content cannot be read: the server then receives no whole message and does nothing.
    Wire::Reply call(const QString &operation, const QList<Wire::Param> &params, const StreamedBytes &streamed,
                     int totalTimeoutMs = 0) const;

private:
    Wire::Reply readAnswer(QByteArray answer, long status) const;

    HttpChannel &m_channel;
    QString m_serviceName;
    const AesEnvelope *m_envelope;
};
