#include "app/NewsPage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>

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
    // A failed load shows our own page, not the engine's with its Reload buttons.
    page()->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    connect(page(), &QWebEnginePage::loadingChanged, this, &NewsPage::loadingChanged);
}

void NewsPage::LoadNews(const QUrl &url)
{
    m_interceptor->setPortal(url);
    m_showsUnavailable = false;
    load(url);
}

void NewsPage::SetServerReachable(bool reachable)
{
    if (m_closing || m_interceptor->portal().isEmpty())
        return;
    if (!reachable && !m_showsUnavailable)
        showUnavailable();
    else if (reachable && m_showsUnavailable)
        LoadNews(m_interceptor->portal());
}

void NewsPage::loadingChanged(const QWebEngineLoadingInfo &info)
{
    if (m_closing || info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    if (IsNewsPortalRequest(m_interceptor->portal(), info.url()))
        showUnavailable();
}

void NewsPage::showUnavailable()
{
    m_showsUnavailable = true;
    setHtml(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>News</title></head>"
                           "<body style=\"font-family: sans-serif; margin: 2em; color: #333;\">"
                           "<p>%1</p></body></html>")
                .arg(UnavailableText().toHtmlEscaped()));
}

void NewsPage::ParentFormClosing()
{
    // Nothing more is fetched for a window that goes away.
    m_closing = true;
    stop();
    page()->setUrlRequestInterceptor(nullptr);
}
