// SIGTERM and SIGINT close the program as File > Exit does: the signal reaches the main thread
// through the handler's pipe, open modal dialogs are dismissed, the window runs its close with a
// bounded wait for the last pass, and a second signal stops that wait.
#include "MainWindowFakes.h"
#include "app/ProgramCloser.h"
#include "app/TerminationSignals.h"
#include "base/Prompter.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>

#include <csignal>

namespace {
// An online main window whose signals go to a closer, as at the end of start-up.
struct SignalledWindow
{
    FakeContext context;
    FakeMonitor monitor;
    FakeSync sync;
    TMainfrm window{nullptr, &context};
    TerminationSignals signals_;
    ProgramCloser closer;

    explicit SignalledWindow(bool passEnds = true)
    {
        monitor.alive = true;
        sync.passEnds = passEnds;
        window.SetServerMonitor(&monitor);
        window.SetSyncController(&sync);
        window.show();
        QObject::connect(&signals_, &TerminationSignals::received, &closer, &ProgramCloser::closeProgram);
        closer.setMainWindow(&window);
    }
};
} // namespace

class TestProgramCloser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As from a terminal, whatever started the test (SIGINT ignored at the start stays so).
        ::signal(SIGINT, SIG_DFL);
        // Enough signals for every case here before the handler would end the test process.
        TerminationSignals::install(1000);
    }

    void signalReachesTheMainThread_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalReachesTheMainThread()
    {
        QFETCH(int, signalNumber);
        TerminationSignals signals_;
        QList<int> got;
        connect(&signals_, &TerminationSignals::received, this, [&got](int number) { got << number; });
        const int before = TerminationSignals::count();
        ::raise(signalNumber);
        QCOMPARE(TerminationSignals::count(), before + 1); // noted at once, before any event loop
        QTRY_COMPARE(got, QList<int>{signalNumber});
        QCOMPARE(TerminationSignals::lastSignal(), signalNumber);
    }

    // Online, the close runs the last pass and waits for it, as Exit does; a modal dialog that was
    // open is dismissed first without asking anything.
    void closesLikeExitAndDismissesDialogs()
    {
        RecordingPrompter prompter;
        ScopedPrompter scope(&prompter);
        SignalledWindow online;
        TMainfrm &window = online.window;

        QMessageBox question(QMessageBox::Question, QStringLiteral("Varnex Desktop"), QStringLiteral("Really?"),
                             QMessageBox::Yes | QMessageBox::No, &window);
        QTimer::singleShot(0, this, []() { ::raise(SIGTERM); });
        const int answer = question.exec();
        QVERIFY(answer != QMessageBox::Yes);
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(online.sync.runs, 1);
        QVERIFY(online.monitor.stopped);
        QVERIFY(!online.sync.listening);
    }

    void secondSignalStopsTheWaitForTheLastPass()
    {
        SignalledWindow online(false); // a pass that hangs
        TMainfrm &window = online.window;

        // The close waits in an event loop of its own; the second signal comes from within it.
        QTimer secondSignal;
        connect(&secondSignal, &QTimer::timeout, this, [&]() {
            if (window.IsClosing()) {
                secondSignal.stop();
                ::raise(SIGINT);
            }
        });
        secondSignal.start(10);
        QElapsedTimer clock;
        clock.start();
        ::raise(SIGTERM);
        QTRY_VERIFY(!window.isVisible());
        QVERIFY2(clock.elapsed() < ProgramCloser::SignalCloseWaitLimitMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(online.sync.runs, 1);
        QVERIFY(online.sync.active);
    }

    // A signal during start-up dismisses the dialog of the moment (the login); a main window made
    // after that closes as soon as it is handed over.
    void signalBeforeTheWindowExists()
    {
        TerminationSignals signals_;
        ProgramCloser closer;
        connect(&signals_, &TerminationSignals::received, &closer, &ProgramCloser::closeProgram);
        QDialog login;
        QTimer::singleShot(0, this, []() { ::raise(SIGTERM); });
        QCOMPARE(login.exec(), int(QDialog::Rejected));
        QCOMPARE(closer.requests(), 1);

        FakeContext context;
        FakeSync sync;
        TMainfrm window(nullptr, &context);
        window.SetSyncController(&sync);
        window.show();
        closer.setMainWindow(&window);
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(sync.runs, 0); // offline: nothing to wait for
    }
};

QTEST_MAIN(TestProgramCloser)
#include "tst_programcloser.moc"
