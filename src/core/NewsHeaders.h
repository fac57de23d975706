#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

// The news page of the main window is served by the central server's web application. Requests to
// it carry the user's credentials and a description of the installation; requests anywhere else
// (images or scripts from other hosts, links followed from the page) must carry none of that.

// What the news portal is told about the user and the installation.
struct NewsHeaderValues
{
    QString UserLoginEmail;
    QString UserLoginPassword;
    QString Version;
    QString AppPath;
    QString AppName;
    QString DBDatapath;
    QString InstallationId;
};

using NewsHeaderList = QList<QPair<QByteArray, QByteArray>>;

// The news page of the server named by an installation's "ServerAddress": the same scheme, host
// and port, the path "/varnexwebapp/news/index". Empty when the address is not an http(s) URL
// with a host.
QUrl NewsUrlFromServerAddress(const QString &serverAddress);

// Whether a request goes to the portal: scheme, host and port are equal (a missing port counts as
// the scheme's default). A host that merely begins like the portal's is another host.
bool IsNewsPortalRequest(const QUrl &portal, const QUrl &request);

// The seven headers, in the order the portal expects them. Values never contain line breaks: the
// Basic credentials are one unbroken Base64 line and control characters are dropped from the rest.
NewsHeaderList NewsRequestHeaders(const NewsHeaderValues &values);

// The headers to set on one request: none before login (no values) or for another origin.
NewsHeaderList NewsHeadersForRequest(const QUrl &portal, const QUrl &request,
                                     const std::optional<NewsHeaderValues> &values);
