// The synchronisation log window: what it keeps in view, and long lines shown whole.
#include "sync/SyncEvent.h"
#include "sync/ui/SyncLog_FRM.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

class TestSyncLog : public QObject
{
    Q_OBJECT

private slots:
    // The log window keeps an error line in view and stops counting when the pass ends.
    void logWindowKeepsErrorLine()
    {
        TSyncLogFrm log;
        log.LogSyncEvent(SyncEvent::PassStarted, QString());
        log.LogSyncEvent(SyncEvent::TableStarted, QStringLiteral("sys_company"));
        QCOMPARE(log.logLines().last(), QStringLiteral("(000) - Syncing [sys_company] data."));
        QVERIFY(log.Timer1->isActive());
        log.LogSyncEvent(SyncEvent::ErrorRecorded, QStringLiteral("sys_company"));
        log.LogSyncEvent(SyncEvent::TableFinished, QStringLiteral("sys_company"));
        log.LogSyncDetail(QString(), QStringLiteral("DataModuleCreate"), QStringLiteral("Entered Routine"));
        log.LogSyncEvent(SyncEvent::PassCompleted, QString());
        const QStringList lines = log.logLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.at(0).startsWith(QLatin1String("(")) && lines.at(0).endsWith(QLatin1String(")  - Syncing [sys_company] data completed.")),
                 qPrintable(lines.at(0)));
        QCOMPARE(lines.at(1), QStringLiteral("         An unexpected message was posted to the log. Most likely, an error occurred."));
        QCOMPARE(lines.at(2), QStringLiteral("Sync completed in (    0) seconds "));
        QVERIFY(!log.Timer1->isActive());
        QCOMPARE(log.memDetailLog->toPlainText(), QStringLiteral("() DataModuleCreate: Entered Routine"));
    }

    // A line longer than its pane is shown whole, wrapped, with nothing hidden to the right.
    void logWindowShowsLongLinesWhole()
    {
        TSyncLogFrm log;
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        const QString table = QStringLiteral("_dyn_premises_detail_animal_feed");
        const QString message = QStringLiteral("The server is not available: Could not connect to the server at "
                                               "http://127.0.0.1:8080/varnex/bin/with/a/long/path/that/has/no/blanks/in/it");
        log.LogSyncEvent(SyncEvent::TableStarted, table);
        log.LogSyncEvent(SyncEvent::ErrorRecorded, table);
        log.LogSyncEvent(SyncEvent::TableFinished, table);
        log.LogSyncDetail(table, QStringLiteral("SetCurrentException"), message);
        QCoreApplication::processEvents();
        for (QPlainTextEdit *pane : {log.memLog, log.memDetailLog}) {
            QCOMPARE(pane->horizontalScrollBar()->maximum(), 0);
            const QTextBlock last = pane->document()->lastBlock();
            QVERIFY2(last.layout()->lineCount() > 1, qPrintable(last.text()));
            QVERIFY(last.layout()->boundingRect().width() <= pane->viewport()->width());
        }
        QVERIFY(log.memDetailLog->toPlainText().endsWith(message));
    }
};

QTEST_MAIN(TestSyncLog)
#include "tst_synclog.moc"
