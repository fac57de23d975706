#include "core/NewsHeaders.h"

#include "core/Main_DM.h"

namespace {

int defaultPort(const QString &scheme)
{
    if (scheme == QLatin1String("http"))
        return 80;
    if (scheme == QLatin1String("https"))
        return 443;
    return -1;
}

bool isWebUrl(const QUrl &url)
{
    return url.isValid() && defaultPort(url.scheme()) > 0 && !url.host().isEmpty();
}

// A header value is one line: CR, LF and other control characters would end the header early or
// smuggle in another one.
QByteArray headerValue(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    return bytes;
}

} // namespace

QUrl NewsUrlFromServerAddress(const QString &serverAddress)
{
    const QUrl server(serverAddress.trimmed(), QUrl::StrictMode);
    if (!isWebUrl(server))
        return {};
    QUrl news;
    news.setScheme(server.scheme());
    news.setHost(server.host());
    news.setPort(server.port());
    news.setPath(TMaindm::NewsPath());
    return news;
}

bool IsNewsPortalRequest(const QUrl &portal, const QUrl &request)
{
    if (!isWebUrl(portal) || !isWebUrl(request))
        return false;
    const QString scheme = portal.scheme();
    return request.scheme() == scheme
        && request.host().compare(portal.host(), Qt::CaseInsensitive) == 0
        && request.port(defaultPort(scheme)) == portal.port(defaultPort(scheme));
}

NewsHeaderList NewsRequestHeaders(const NewsHeaderValues &values)
{
    // toBase64 never wraps lines, unlike the MIME form of the encoding.
    const QByteArray credentials = (values.UserLoginEmail + QLatin1Char(':') + values.UserLoginPassword).toUtf8();
    return {
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"Authorization", "Basic " + credentials.toBase64()},
        {"varnex-version", headerValue(values.Version)},
        {"varnex-app-path", headerValue(values.AppPath)},
        {"varnex-app-name", headerValue(values.AppName)},
        {"varnex-db-data-path", headerValue(values.DBDatapath)},
        {"varnex-installation-id", headerValue(values.InstallationId)},
    };
}

NewsHeaderList NewsHeadersForRequest(const QUrl &portal, const QUrl &request,
                                     const std::optional<NewsHeaderValues> &values)
{
    if (!values || !IsNewsPortalRequest(portal, request))
        return {};
    return NewsRequestHeaders(*values);
}
