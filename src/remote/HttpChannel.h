#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// One HTTP connection to a server's message dispatcher, on libcurl's blocking easy API, for use on
// one thread at a time (each worker thread owns its channel). Every POST has a connect time-out and
// a total time-out, so a dead or stalled server never hangs the caller.
class HttpChannel
{
public:
    static constexpr int DefaultConnectTimeoutMs = 5000;
    static constexpr int DefaultTimeoutMs = 30000;

    HttpChannel();
    ~HttpChannel();
    HttpChannel(const HttpChannel &) = delete;
    HttpChannel &operator=(const HttpChannel &) = delete;

    // The target URL is used as it stands; the channel neither completes nor checks it.
    void setTargetUrl(const QString &url) { m_url = url; }
    QString targetUrl() const { return m_url; }

    // A value of zero or less would mean "wait for ever" to libcurl; it keeps the default instead.
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms > 0 ? ms : DefaultConnectTimeoutMs; }
    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    // Total time for one call, connecting included.
    void setTimeoutMs(int ms) { m_timeoutMs = ms > 0 ? ms : DefaultTimeoutMs; }
    int timeoutMs() const { return m_timeoutMs; }

    void setKeepAlive(bool on) { m_keepAlive = on; }
    bool keepAlive() const { return m_keepAlive; }
    // Whether answers may come compressed (Accept-Encoding: gzip); on unless switched off. A
    // channel that mostly fetches data that is compressed already (files) gains nothing from it
    // and pays for the compressing and inflating.
    void setAcceptCompressed(bool on) { m_acceptCompressed = on; }
    void setUserAgent(const QString &agent) { m_userAgent = agent; }

    // Credentials for a proxy that asks for them (the proxy itself comes from the environment).
    void setProxyLogin(const QString &user, const QString &password);
    // HTTP basic login at the server; an empty user name means none.
    void setHttpLogin(const QString &user, const QString &password);

    // Drops the open connection, so that changed settings take effect on the next call.
    void disconnect();

    // POSTs one message and returns the reply body. totalTimeoutMs <= 0 uses timeoutMs().
    // Throws TransportError for every failure (no connection, time-out, HTTP status other than
    // 200) unless the server sent an error body with a non-200 status: then that body is returned
    // and *httpStatus tells the status.
    QByteArray post(const QByteArray &body, int totalTimeoutMs = 0, long *httpStatus = nullptr);

    // A body sent as it is read, so that a large one is never held whole: head, then exactly
    // contentSize bytes read from content (open for reading, at the first of them), then tail.
    struct StreamedBody
    {
        QByteArray head;
        QIODevice *content = nullptr;
        qint64 contentSize = 0;
        QByteArray tail;
    };
    // As post() above. When content cannot be read (an error, or fewer bytes than contentSize)
    // the transfer is broken off, so that the server receives no whole message, and VarnexError
    // (not a RemoteError) is thrown with the device's words.
    QByteArray post(const StreamedBody &body, int totalTimeoutMs = 0, long *httpStatus = nullptr);

private:
    template<typename SetBody>
    QByteArray perform(SetBody &&setBody, int totalTimeoutMs, long *httpStatus);

    void *m_curl = nullptr;
    QString m_url;
    QString m_userAgent = QStringLiteral("Varnex Desktop");
    int m_connectTimeoutMs = DefaultConnectTimeoutMs;
    int m_timeoutMs = DefaultTimeoutMs;
    bool m_keepAlive = true;
    bool m_acceptCompressed = true;
    QByteArray m_proxyUser, m_proxyPassword, m_httpUser, m_httpPassword;
};
