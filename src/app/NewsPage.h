#pragma once

#include "app/Main_FRM.h"
#include "core/NewsHeaders.h"

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <functional>
#include <optional>

class QWebEngineLoadingInfo;

// Adds the portal's headers to the requests that go to the news portal, and to no other.
class NewsRequestInterceptor : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using ValuesProvider = std::function<std::optional<NewsHeaderValues>()>;

    NewsRequestInterceptor(ValuesProvider values, QObject *parent = nullptr);

    // The portal whose requests get the headers; an empty URL matches nothing.
    void setPortal(const QUrl &portal) { m_portal = portal; }
    QUrl portal() const { return m_portal; }

    // Runs on the thread that owns the view (the main thread).
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    ValuesProvider m_values;
    QUrl m_portal;
};

// The embedded browser of the main window's news area. When the portal cannot be reached (its
// page fails to load, or the server monitor says the server is offline) it shows a plain page of
// its own, never the browser engine's error page, and loads the portal again once the server is
// back.
class NewsPage : public QWebEngineView, public INewsView
{
    Q_OBJECT
public:
    // The text of the page shown while the news cannot be reached.
    static QString UnavailableText()
    {
        return QStringLiteral("The news cannot be shown because the server cannot be reached. "
                              "It will appear here again as soon as the server is back.");
    }

    explicit NewsPage(NewsRequestInterceptor::ValuesProvider values, QWidget *parent = nullptr);

    QWidget *widget() override { return this; }
    // Makes url the portal and loads it.
    void LoadNews(const QUrl &url) override;
    void SetServerReachable(bool reachable) override;
    void ParentFormClosing() override;

    NewsRequestInterceptor *interceptor() const { return m_interceptor; }
    // The page of our own is on view instead of the news.
    bool ShowsUnavailablePage() const { return m_showsUnavailable; }

private:
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void showUnavailable();

    NewsRequestInterceptor *m_interceptor;
    bool m_showsUnavailable = false;
    bool m_closing = false;
};
