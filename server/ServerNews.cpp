#include "ServerNews.h"

#include <httplib.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace {

struct NewsItem
{
    const char *date;
    const char *title;
    const char *text;
};

const NewsItem DemoNews[] = {
    {"2026-11-30", "New laboratory codes for feed micro analysis",
     "The regional laboratory has new codes for micro-biological feed analyses. They arrive with the next "
     "synchronisation; templates that use the old codes should be reviewed."},
    {"2026-10-14", "Winter sampling programme",
     "The winter programme concentrates on imported spices and on compound feed for poultry. The guidance "
     "document in the Help menu has the details."},
    {"2026-09-02", "Planned server maintenance",
     "The central server is unavailable on Saturday from 06:00 to 09:00. Samples can be recorded as usual; "
     "they are sent at the next synchronisation."},
};

// The officer named by the request's Basic credentials, when there are any.
QString signedInUser(const httplib::Request &req)
{
    const std::string header = req.get_header_value("Authorization");
    const QByteArray value = QByteArray::fromStdString(header);
    if (!value.startsWith("Basic "))
        return {};
    const QByteArray decoded = QByteArray::fromBase64(value.mid(6), QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded.indexOf(':');
    return colon > 0 ? QString::fromUtf8(decoded.left(colon)) : QString();
}

QByteArray newsPage(const QString &user)
{
    QStringList html;
    html << QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Varnex news</title>"
                           "<style>body{font-family:sans-serif;margin:2em;color:#222}"
                           "h1{font-size:1.4em}h2{font-size:1.1em;margin-bottom:0.2em}"
                           ".date{color:#777;font-size:0.9em}.user{color:#555}</style></head><body>")
         << QStringLiteral("<h1>Varnex news</h1>");
    if (!user.isEmpty())
        html << QStringLiteral("<p class=\"user\">Signed in as %1</p>").arg(user.toHtmlEscaped());
    html << QStringLiteral("<ul>");
    for (const NewsItem &item : DemoNews) {
        html << QStringLiteral("<li><h2>%1</h2><div class=\"date\">%2</div><p>%3</p></li>")
                    .arg(QString::fromUtf8(item.title).toHtmlEscaped(), QString::fromUtf8(item.date),
                         QString::fromUtf8(item.text).toHtmlEscaped());
    }
    html << QStringLiteral("</ul></body></html>");
    return html.join(QLatin1Char('\n')).toUtf8();
}

} // namespace

void registerNewsPage(httplib::Server &server)
{
    server.Get(R"(.*/varnexwebapp/news/index)", [](const httplib::Request &req, httplib::Response &res) {
        const QByteArray body = newsPage(signedInUser(req));
        res.set_content(body.constData(), size_t(body.size()), "text/html; charset=utf-8");
    });
}
