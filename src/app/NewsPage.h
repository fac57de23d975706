#pragma once

#include "app/Main_FRM.h"
#include "core/NewsHeaders.h"

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <functional>
#include <optional>

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

// The embedded browser of the main window's news area.
class NewsPage : public QWebEngineView, public INewsView
{
    Q_OBJECT
public:
    explicit NewsPage(NewsRequestInterceptor::ValuesProvider values, QWidget *parent = nullptr);

    QWidget *widget() override { return this; }
    // Makes url the portal and loads it.
    void LoadNews(const QUrl &url) override;
    void ParentFormClosing() override;

    NewsRequestInterceptor *interceptor() const { return m_interceptor; }

private:
    NewsRequestInterceptor *m_interceptor;
};
