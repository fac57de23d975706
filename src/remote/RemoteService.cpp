#include "remote/RemoteService.h"

#include "remote/AesEnvelope.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteError.h"

Wire::Reply RemoteService::call(const QString &operation, const QList<Wire::Param> &params, int totalTimeoutMs) const
{
    Wire::Request request{m_serviceName, operation, params};
    QByteArray body = Wire::encodeRequest(request);
    if (m_envelope)
        body = m_envelope->wrap(body);
    long status = 0;
    QByteArray answer = m_channel.post(body, totalTimeoutMs, &status);
    // The server leaves only error answers outside the envelope (when the request's envelope does
    // not open, or HTTP fails before the dispatcher); a success there was not sealed by it.
    const bool sealed = AesEnvelope::isWrapped(answer);
    if (sealed) {
        if (!m_envelope)
            throw ProtocolError(QStringLiteral("The server answered inside an AES envelope that was not asked for"));
        answer = m_envelope->unwrap(answer);
    }
    Wire::Reply reply;
    try {
        reply = Wire::decodeReply(answer);
    } catch (const ProtocolError &) {
        if (status != 200)
            throw TransportError(QStringLiteral("The server at %1 answered with HTTP status %2")
                                     .arg(m_channel.targetUrl()).arg(status));
        throw;
    }
    if (!reply.ok)
        throw ServerError(reply.errorClass, reply.errorMessage);
    if (m_envelope && !sealed)
        throw ProtocolError(QStringLiteral("The server at %1 answered outside the AES envelope; the answer is refused")
                                .arg(m_channel.targetUrl()));
    if (status != 200)
        throw TransportError(QStringLiteral("The server at %1 answered with HTTP status %2")
                                 .arg(m_channel.targetUrl()).arg(status));
    return reply;
}
