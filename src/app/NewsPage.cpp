#include "app/NewsPage.h"

#include <QWebEnginePage>

NewsRequestInterceptor::NewsRequestInterceptor(ValuesProvider values, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent), m_values(std::move(values))
{
}

void NewsRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!IsNewsPortalRequest(m_portal, info.requestUrl()))
        return;
    const NewsHeaderList headers = NewsHeadersForRequest(m_portal, info.requestUrl(),
                                                         m_values ? m_values() : std::nullopt);
    for (const auto &header : headers)
        info.setHttpHeader(header.first, header.second);
}

NewsPage::NewsPage(NewsRequestInterceptor::ValuesProvider values, QWidget *parent)
    : QWebEngineView(parent), m_interceptor(new NewsRequestInterceptor(std::move(values), this))
{
    setObjectName(QStringLiteral("Chromium"));
    page()->setUrlRequestInterceptor(m_interceptor);
}

void NewsPage::LoadNews(const QUrl &url)
{
    m_interceptor->setPortal(url);
    load(url);
}

void NewsPage::ParentFormClosing()
{
    // Nothing more is fetched for a window that goes away.
    stop();
    page()->setUrlRequestInterceptor(nullptr);
}
