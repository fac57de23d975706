#include "remote/RemoteService.h"

#include "remote/AesEnvelope.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteError.h"

#include <QRandomGenerator>

Wire::Reply RemoteService::call(const QString &operation, const QList<Wire::Param> &params, int totalTimeoutMs) const
{
    Wire::Request request{m_serviceName, operation, params};
    QByteArray body = Wire::encodeRequest(request);
    if (m_envelope)
        body = m_envelope->wrap(body);
    long status = 0;
    QByteArray answer = m_channel.post(body, totalTimeoutMs, &status);
    return readAnswer(std::move(answer), status);
}

QByteArray RemoteService::newPlaceholder()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return bytes;
}

Wire::Reply RemoteService::call(const QString &operation, const QList<Wire::Param> &params,
                                const StreamedBytes &streamed, int totalTimeoutMs) const
{
    if (m_envelope)
        throw ProtocolError(QStringLiteral("A message sent as it is read cannot travel inside the envelope"));
    // The message with the placeholder's item cut out, and the head of a byte string of the
    // content's size in its place: the same bytes as the message that held the content.
    const QByteArray message = Wire::encodeRequest(Wire::Request{m_serviceName, operation, params});
    QByteArray item = Wire::byteStringHead(streamed.placeholder.size()) + streamed.placeholder;
    const qsizetype at = message.indexOf(item);
    if (at < 0 || message.indexOf(item, at + 1) >= 0)
        throw ProtocolError(QStringLiteral("The message does not hold its placeholder exactly once"));
    HttpChannel::StreamedBody body;
    body.head = message.left(at) + Wire::byteStringHead(streamed.size);
    body.content = streamed.content;
    body.contentSize = streamed.size;
    body.tail = message.mid(at + item.size());
    long status = 0;
    QByteArray answer = m_channel.post(body, totalTimeoutMs, &status);
    return readAnswer(std::move(answer), status);
}

Wire::Reply RemoteService::readAnswer(QByteArray answer, long status) const
{
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
