#include "remote/HttpChannel.h"

#include "remote/RemoteError.h"

#include <curl/curl.h>

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

QByteArray HttpChannel::post(const QByteArray &body, int totalTimeoutMs, long *httpStatus)
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
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(m_connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(totalTimeoutMs > 0 ? totalTimeoutMs : m_timeoutMs));
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
