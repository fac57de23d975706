#include "base/Background.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

class TestBackground : public QObject
{
    Q_OBJECT

private slots:
    void valueAndFailureComeBackOnTheMainThread();
    void eventsGoOnWhileTheWorkRuns();
    void cancelledOrOrphanedCallsDropTheirOutcome();
};

void TestBackground::valueAndFailureComeBackOnTheMainThread()
{
    QObject receiver;
    QThread *workThread = nullptr;
    std::optional<BackgroundOutcome<int>> got;
    QThread *doneThread = nullptr;
    runInBackground(&receiver, [&] { workThread = QThread::currentThread(); return 42; },
                    [&](BackgroundOutcome<int> o) { got = o; doneThread = QThread::currentThread(); });
    QTRY_VERIFY(got.has_value());
    QVERIFY(got->ok());
    QCOMPARE(*got->value, 42);
    QVERIFY(workThread != QThread::currentThread());
    QCOMPARE(doneThread, QThread::currentThread());

    std::optional<BackgroundOutcome<void>> failed;
    auto call = runInBackground(&receiver, [] { throw VarnexError("The server did not answer."); },
                                [&](BackgroundOutcome<void> o) { failed = o; });
    QTRY_VERIFY(failed.has_value());
    QVERIFY(!failed->ok());
    QCOMPARE(failed->error, QString("The server did not answer."));
    QVERIFY(call->isFinished());
}

void TestBackground::eventsGoOnWhileTheWorkRuns()
{
    QObject receiver;
    QSemaphore release;
    bool done = false;
    runInBackground(&receiver, [&] { release.acquire(); }, [&](BackgroundOutcome<void>) { done = true; });
    // The main thread handles a timer while the work is still blocked.
    bool ticked = false;
    QTimer::singleShot(10, [&] { ticked = true; });
    QTRY_VERIFY(ticked);
    QVERIFY(!done);
    release.release();
    QTRY_VERIFY(done);
}

void TestBackground::cancelledOrOrphanedCallsDropTheirOutcome()
{
    QSemaphore release;
    int calls = 0;
    QObject receiver;
    auto cancelled = runInBackground(&receiver, [&] { release.acquire(); return 1; },
                                     [&](BackgroundOutcome<int>) { ++calls; });
    cancelled->cancel();
    auto *gone = new QObject;
    auto orphaned = runInBackground(gone, [&] { release.acquire(); return 2; }, [&](BackgroundOutcome<int>) { ++calls; });
    delete gone;
    release.release(2);
    QTRY_VERIFY(cancelled->isFinished() && orphaned->isFinished());
    QCOMPARE(calls, 0);
}

QTEST_GUILESS_MAIN(TestBackground)
#include "tst_background.moc"
