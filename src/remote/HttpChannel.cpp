#include "remote/HttpChannel.h"

#include "remote/RemoteError.h"

#include <QIODevice>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collect(char *data, size_t size, size_t count, void *user)
{
    auto *out = static_cast<QByteArray *>(user);
    out->append(data, qsizetype(size * count));
    return size * count;
}

// Replies bigger than this are refused instead of filling memory.
constexpr qsizetype MaxReplySize = qsizetype(512) * 1024 * 1024;

size_t collectLimited(char *data, size_t size, size_t count, void *user)
{
    auto *out = static_cast<QByteArray *>(user);
    if (out->size() + qsizetype(size * count) > MaxReplySize)
        return 0; // makes curl fail the transfer
    return collect(data, size, count, user);
}

} // namespace

HttpChannel::HttpChannel()
{
    globalInit();
}

HttpChannel::~HttpChannel()
{
    disconnect();
}

void HttpChannel::setProxyLogin(const QString &user, const QString &password)
{
    m_proxyUser = user.toUtf8();
    m_proxyPassword = password.toUtf8();
}

void HttpChannel::setHttpLogin(const QString &user, const QString &password)
{
    m_httpUser = user.toUtf8();
    m_httpPassword = password.toUtf8();
}

void HttpChannel::disconnect()
{
    if (m_curl) {
        curl_easy_cleanup(static_cast<CURL *>(m_curl));
        m_curl = nullptr;
    }
}

namespace {

// Feeds a streamed body to libcurl: head, then the content as it is read, then tail.
struct BodyReader
{
    const HttpChannel::StreamedBody &body;
    qint64 contentStart = 0; // the content's position when the transfer began
    qint64 sent = 0;         // bytes of the whole body handed to libcurl so far
    QString failure;         // why the content could not be read

    qint64 size() const { return body.head.size() + body.contentSize + body.tail.size(); }

    size_t read(char *out, size_t room)
    {
        size_t given = 0;
        const auto part = [&](const QByteArray &bytes, qint64 start) {
            const qint64 at = sent - start;
            if (at < 0 || at >= bytes.size() || given == room)
                return;
            const size_t take = size_t(std::min<qint64>(bytes.size() - at, qint64(room - given)));
            std::memcpy(out + given, bytes.constData() + at, take);
            given += take;
            sent += qint64(take);
        };
        part(body.head, 0);
        const qint64 contentAt = sent - body.head.size();
        if (given < room && contentAt >= 0 && contentAt < body.contentSize) {
            const qint64 want = std::min<qint64>(body.contentSize - contentAt, qint64(room - given));
            const qint64 got = body.content->read(out + given, want);
            if (got <= 0) {
                failure = got < 0 ? body.content->errorString()
                                  : QStringLiteral("it ended after %1 of its %2 bytes").arg(contentAt).arg(body.contentSize);
                return CURL_READFUNC_ABORT;
            }
            given += size_t(got);
            sent += got;
        }
        part(body.tail, body.head.size() + body.contentSize);
        return given;
    }

    // libcurl rewinds when it must send the body again (a connection that was closed under it).
    bool rewind()
    {
        if (body.content->isSequential() || !body.content->seek(contentStart))
            return false;
        sent = 0;
        return true;
    }
};

size_t readBody(char *out, size_t size, size_t count, void *user)
{
    return static_cast<BodyReader *>(user)->read(out, size * count);
}

int seekBody(void *user, curl_off_t offset, int origin)
{
    auto *reader = static_cast<BodyReader *>(user);
    return origin == SEEK_SET && offset == 0 && reader->rewind() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
}

} // namespace

QByteArray HttpChannel::post(const QByteArray &body, int totalTimeoutMs, long *httpStatus)
{
    return perform(
        [&body](CURL *curl) {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        },
        totalTimeoutMs, httpStatus);
}

QByteArray HttpChannel::post(const StreamedBody &body, int totalTimeoutMs, long *httpStatus)
{
    BodyReader reader{body};
    reader.contentStart = body.content->isSequential() ? 0 : body.content->pos();
    try {
        return perform(
            [&reader](CURL *curl) {
                curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
                curl_easy_setopt(curl, CURLOPT_READDATA, &reader);
                curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, seekBody);
                curl_easy_setopt(curl, CURLOPT_SEEKDATA, &reader);
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(reader.size()));
            },
            totalTimeoutMs, httpStatus);
    } catch (const TransportError &) {
        if (!reader.failure.isEmpty())
            throw VarnexError(QStringLiteral("The data to send could not be read: %1").arg(reader.failure));
        throw;
    }
}

template<typename SetBody>
QByteArray HttpChannel::perform(SetBody &&setBody, int totalTimeoutMs, long *httpStatus)
{
    if (m_url.isEmpty())
        throw TransportError(QStringLiteral("No server address is set"));
    if (!m_curl)
        m_curl = curl_easy_init();
    CURL *curl = static_cast<CURL *>(m_curl);
    if (!curl)
        throw TransportError(QStringLiteral("Cannot start an HTTP session"));
    curl_easy_reset(curl);

    const QByteArray url = m_url.toUtf8();
    const QByteArray agent = m_userAgent.toUtf8();
    QByteArray reply;
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    struct curl_slist *headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/cbor");
    headers = curl_slist_append(headers, "Expect:");
    if (!m_keepAlive)
        headers = curl_slist_append(headers, "Connection: close");

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    setBody(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(m_connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(totalTimeoutMs > 0 ? totalTimeoutMs : m_timeoutMs));
    if (m_acceptCompressed)
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, m_keepAlive ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, m_keepAlive ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectLimited);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    if (!m_proxyUser.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, m_proxyUser.constData());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, m_proxyPassword.constData());
    }
    if (!m_httpUser.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_httpUser.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_httpPassword.constData());
    }

    const CURLcode rc = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    if (rc != CURLE_OK) {
        const QString detail = errorBuffer[0] ? QString::fromUtf8(errorBuffer)
                                              : QString::fromUtf8(curl_easy_strerror(rc));
        // A failed transfer may leave the connection in an unknown state.
        disconnect();
        throw TransportError(QStringLiteral("The server at %1 could not be reached: %2").arg(m_url, detail));
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (httpStatus)
        *httpStatus = status;
    if (status != 200) {
        if (httpStatus && !reply.isEmpty())
            return reply;
        throw TransportError(QStringLiteral("The server at %1 answered with HTTP status %2").arg(m_url).arg(status));
    }
    return reply;
}
