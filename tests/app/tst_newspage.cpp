// The news area with the real browser engine: an unreachable portal shows our own plain page, never
// the engine's error page, and the news comes back when the server monitor finds the server again.
#include "MainWindowFakes.h"
#include "app/NewsPage.h"
#include "core/NewsHeaders.h"
#include "support/ServerProcess.h"

#include <QApplication>
#include <QTest>
#include <QWebEnginePage>

#include <memory>
#include <optional>

#include <unistd.h>

namespace {
// The text the page shows now. The engine may answer after the wait gave up (a busy machine, a
// navigation that drops the request and answers it empty later, a page that goes away), so the
// answer goes to a holder that lives as long as the callback, never to this call's stack.
QString pageText(NewsPage &page)
{
    const auto text = std::make_shared<std::optional<QString>>();
    page.page()->toPlainText([text](const QString &t) { *text = t; });
    if (!QTest::qWaitFor([&text]() { return text->has_value(); }, 10000))
        return QStringLiteral("(no answer from the page)");
    return **text;
}

bool waitForText(NewsPage &page, const QString &part)
{
    return QTest::qWaitFor([&]() { return pageText(page).contains(part); }, 20000);
}
} // namespace

class TestNewsPage : public QObject
{
    Q_OBJECT

private slots:
    void unreachablePortalShowsOurOwnPage()
    {
        NewsPage page({});
        page.resize(600, 400);
        page.show();
        page.LoadNews(QUrl(QStringLiteral("http://127.0.0.1:%1/varnexwebapp/news/index").arg(ServerProcess::freePort())));
        QTRY_VERIFY_WITH_TIMEOUT(page.ShowsUnavailablePage(), 20000);
        QVERIFY(waitForText(page, NewsPage::UnavailableText()));
        const QString text = pageText(page);
        QVERIFY2(!text.contains(QLatin1String("Reload")), qPrintable(text));
        QVERIFY2(!text.contains(QLatin1String("reached")) || text.contains(NewsPage::UnavailableText()), qPrintable(text));
    }

    void monitorTakesTheNewsAwayAndBack()
    {
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        FakeContext context;
        context.newsUrl = NewsUrlFromServerAddress(server.url());
        FakeMonitor monitor;
        monitor.alive = true;
        monitor.message = QStringLiteral("Server OK");
        TMainfrm window(nullptr, &context);
        auto *page = new NewsPage({});
        window.SetNewsView(page);
        window.SetServerMonitor(&monitor);
        window.show();
        window.ShowNews();
        QVERIFY2(waitForText(*page, QStringLiteral("Varnex news")), qPrintable(pageText(*page)));

        monitor.alive = false;
        monitor.message = QStringLiteral("Offline");
        monitor.handler();
        QVERIFY(page->ShowsUnavailablePage());
        QVERIFY2(waitForText(*page, NewsPage::UnavailableText()), qPrintable(pageText(*page)));
        monitor.handler(); // a further offline check changes nothing
        QVERIFY(page->ShowsUnavailablePage());

        monitor.alive = true;
        monitor.message = QStringLiteral("Server OK");
        monitor.handler();
        QVERIFY(!page->ShowsUnavailablePage());
        QVERIFY2(waitForText(*page, QStringLiteral("Varnex news")), qPrintable(pageText(*page)));
    }
};

int main(int argc, char *argv[])
{
    // The engine's helper processes cannot start their sandbox for the root user.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestNewsPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_newspage.moc"
