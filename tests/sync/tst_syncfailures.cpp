// Synchronisation against a real varnex-server on a loopback port when things go wrong: a failing
// table, a row changed in flight, a dropped reply, a killed server, a failed commit, an offline
// tick, the controller closed or given other values during a pass.
#include "SyncFixture.h"
#include "sync/ui/SyncLog_FRM.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace SyncTest;
using namespace Wire;

class TestSyncFailures : public SyncFixture
{
    Q_OBJECT

private slots:
    // A table whose store cannot be opened is reported.
    void failingTableIsReported()
    {
        TSyncWorkerHelperDM channel(m_server.url());
        TSyncPassContext context;
        context.channel = &channel;
        QVERIFY(!tableEntry("SYS_COMPANY", true, true).Sync(context, runValues(QStringLiteral("/nonexistent/store.fdb"), m_server.url())));
        QCOMPARE(context.errors.size(), 1);
        QVERIFY2(context.errors.first().startsWith(QLatin1String("sys_company: ")), qPrintable(context.errors.first()));
    }

    // A row edited while its upload is on the way stays pending and goes up next time.
    void rowChangedInFlightIsSentAgain()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        insertLocalSample(db, QStringLiteral("LOCAL-FLIGHT"));
        const TSyncTableList entry{tableEntry("SAMPLE", true, false)};
        TSyncPassContext context;
        context.afterUploadReply = [&](const QString &) {
            db.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_OFFICER__CODE = 'LATE' WHERE CODE = 'LOCAL-FLIGHT'"));
        };
        QVERIFY(runTables(db, m_server.url(), entry, context).isEmpty());
        const qint64 id = db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = 'LOCAL-FLIGHT'")).toLongLong();
        QVERIFY(id > 0);
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE ID = ?"), {id}).toLongLong() < 0);

        QVERIFY(runPass(db, m_server.url()).isEmpty());
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE ID = ?"), {id}).toLongLong() > 0);
        TSyncWorkerHelperDM channel(m_server.url());
        const DataTable server = channel.RemoteDataAdapter.Open(QStringLiteral("_DYN_SAMPLE"), {},
                                                                {WhereItem{QStringLiteral("ID"), WhereItem::Equal, id}});
        QCOMPARE(server.rowCount(), 1);
        QCOMPARE(server.value(0, QStringLiteral("SAMPLE_OFFICER__CODE")).toString(), QStringLiteral("LATE"));
    }

    // The server applies an upload but its answer is lost: the row stays pending under its new id,
    // and sending it again creates no second copy. Batch mode sees the failure.
    void droppedReplyLeavesNoDuplicate()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        insertLocalSample(db, QStringLiteral("LOCAL-DROP"));
        TSyncControllerDM controller;
        controller.SetBatchMode(true);
        QVERIFY(initialise(controller, db));
        QVERIFY(m_server.control(R"({"dropReply":"SyncService.UpdateData"})"));
        QVERIFY(!controller.SyncSamples());
        QVERIFY(!controller.LastErrors().isEmpty());
        QVERIFY(!controller.SyncActive());
        QVERIFY(!controller.SyncTimer()->isActive());
        const qint64 id = db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = 'LOCAL-DROP'")).toLongLong();
        QVERIFY(id > 0);
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE ID = ?"), {id}).toLongLong() < 0);
        QCOMPARE(serverCount(m_server.url(), QStringLiteral("_DYN_SAMPLE"), QStringLiteral("CODE"), QStringLiteral("LOCAL-DROP")), 1);

        QVERIFY2(controller.SyncSamples(), qPrintable(controller.LastErrors().join('\n')));
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE ID = ?"), {id}).toLongLong() > 0);
        QCOMPARE(serverCount(m_server.url(), QStringLiteral("_DYN_SAMPLE"), QStringLiteral("CODE"), QStringLiteral("LOCAL-DROP")), 1);
    }

    // The server fails while the data of a table is opened: the table is reported and untouched.
    void failedOpenLeavesTableUntouched()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        db.exec(QStringLiteral("UPDATE SYS_SYNC SET UPDATE_ID = 0 WHERE TABLE_NAME = 'premises_detail'"));
        const QSet<qint64> before = localIds(db, QStringLiteral("PREMISES_DETAIL"));
        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        QVERIFY(m_server.control(R"({"failCall":"SyncService.GetData"})"));
        TSyncPassContext context;
        const QStringList errors = runTables(db, m_server.url(), entry, context);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")), before);
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), 0);
    }

    void departmentScopeIsRefused()
    {
        TestDatabase db;
        db.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_DATA_SCOPE = 'department'"));
        const QStringList errors = runPass(db, m_server.url());
        QCOMPARE(errors.size(), 4); // the four "_dyn" tables
        for (const QString &e : errors)
            QVERIFY2(e.endsWith(QLatin1String(": Department scope is not implemented yet")), qPrintable(e));
        QCOMPARE(db.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY__CODE FROM SYS_COMPANY")).toString(), Authority);
    }

    // The server dies in the middle of a full reload (after a scope change): no pending local
    // change is lost, and once it is back one pass brings both sides together without duplicates.
    void serverKilledDuringFullReload()
    {
        ServerProcess server;
        QVERIFY(startServer(server));
        TestDatabase db;
        QVERIFY(runPass(db, server.url(), 3).isEmpty());
        const qint64 edited = db.scalar(QStringLiteral("SELECT MIN(ID) FROM PREMISES_DETAIL")).toLongLong();
        db.exec(QStringLiteral("UPDATE PREMISES_DETAIL SET PREMISES_NAME = 'Local edit' WHERE ID = ?"), {edited});
        db.exec(QStringLiteral("INSERT INTO PREMISES_DETAIL (CODE, UNIQUE_UUID, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED) "
                               "VALUES ('NEW-LOCAL', ?, ?, ?, 'F')"),
                {newUuid(), Authority, Office});
        // Another client deletes a premises the store holds; then the user's scope changes.
        const qint64 goneOnServer = db.scalar(QStringLiteral("SELECT MAX(ID) FROM PREMISES_DETAIL")).toLongLong();
        serverChange(server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"), {{"ID", goneOnServer}, {"FLAG_DELETED", QStringLiteral("T")}});
        db.exec(QStringLiteral("UPDATE SYS_SYNC SET UPDATE_ID = 0"));

        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        context.pageSize = 3;
        context.pagesPerCommit = 1;
        context.afterDownloadPage = [&](const QString &, int page) {
            if (page == 1)
                server.kill();
        };
        QCOMPARE(runTables(db, server.url(), entry, context).size(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {edited}).toString(),
                 QStringLiteral("Local edit"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE = 'NEW-LOCAL'")).toInt(), 1);
        QVERIFY(mark(db, QStringLiteral("PREMISES_DETAIL")) < 0); // the reload carries on next time
        QVERIFY(localIds(db, QStringLiteral("PREMISES_DETAIL")).size() >= 7);

        QVERIFY(startServer(server));
        QVERIFY(runPass(db, server.url(), 3).isEmpty());
        const TableInfo premises{QStringLiteral("_dyn_premises_detail"), QStringLiteral("PREMISES_DETAIL"), true};
        const DataTable rows = serverRows(server.url(), premises);
        QSet<qint64> ids;
        QSet<QString> uuids;
        qint64 highest = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            ids.insert(rows.value(r, QStringLiteral("ID")).toLongLong());
            uuids.insert(rows.value(r, QStringLiteral("UNIQUE_UUID")).toString());
            highest = qMax(highest, rows.value(r, QStringLiteral("UPDATE_ID")).toLongLong());
            if (rows.value(r, QStringLiteral("ID")).toLongLong() == edited)
                QCOMPARE(rows.value(r, QStringLiteral("PREMISES_NAME")).toString(), QStringLiteral("Local edit"));
        }
        QCOMPARE(ids.size(), rows.rowCount());
        QCOMPARE(uuids.size(), rows.rowCount());
        // Seven live ones of the seed file, less the deleted one, plus the new one; and the demo register.
        QCOMPARE(rows.rowCount(), 7 + DemoFoodPremises);
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")), ids);
        QVERIFY(!ids.contains(goneOnServer));
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), highest);
        QCOMPARE(serverCount(server.url(), QStringLiteral("_DYN_PREMISES_DETAIL"), QStringLiteral("CODE"), QStringLiteral("NEW-LOCAL")), 1);
    }

    // The server dies while pages wait for their commit: they are rolled back with the mark they
    // would have reached, the committed ones stay with theirs, and the next pass carries on from
    // there to the same rows the server holds.
    void serverKilledBetweenCommits()
    {
        ServerProcess server;
        QVERIFY(startServer(server));
        TestDatabase db;
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")).toInt(), 0);
        const TableInfo premises{QStringLiteral("_dyn_premises_detail"), QStringLiteral("PREMISES_DETAIL"), true};
        const DataTable rows = serverRows(server.url(), premises);
        QVERIFY(rows.rowCount() > 9);
        QList<qint64> stamps;
        for (int r = 0; r < rows.rowCount(); ++r)
            stamps << rows.value(r, QStringLiteral("UPDATE_ID")).toLongLong();
        std::sort(stamps.begin(), stamps.end());

        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        context.pageSize = 3;
        context.pagesPerCommit = 2;
        context.afterDownloadPage = [&](const QString &, int page) {
            if (page == 3) // pages 1 and 2 committed, page 3 applied and waiting
                server.kill();
        };
        QCOMPARE(runTables(db, server.url(), entry, context).size(), 1);
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), -stamps.at(5));
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")).size(), 6);

        QVERIFY(startServer(server));
        QVERIFY(runPass(db, server.url(), 3).isEmpty());
        QSet<qint64> ids;
        for (int r = 0; r < rows.rowCount(); ++r)
            ids.insert(rows.value(r, QStringLiteral("ID")).toLongLong());
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")), ids);
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), stamps.last());
    }

    // A commit fails while the next pages are applied beside it: those pages are rolled back
    // too, so the mark stays with the last committed unit, and the next pass completes the table.
    void commitFailingBesideNextPages()
    {
        TestDatabase db;
        const TableInfo premises{QStringLiteral("_dyn_premises_detail"), QStringLiteral("PREMISES_DETAIL"), true};
        DataTable rows = serverRows(m_server.url(), premises);
        QList<QPair<qint64, qint64>> byStamp; // (UPDATE_ID, ID)
        for (int r = 0; r < rows.rowCount(); ++r)
            byStamp.append({rows.value(r, QStringLiteral("UPDATE_ID")).toLongLong(), rows.value(r, QStringLiteral("ID")).toLongLong()});
        std::sort(byStamp.begin(), byStamp.end());
        QVERIFY(byStamp.size() > 12);
        // The commit of the unit holding the third page's middle row is refused while the switch is on.
        db.exec(QStringLiteral("CREATE TABLE COMMIT_SWITCH (ON_ INTEGER)"));
        db.exec(QStringLiteral("INSERT INTO COMMIT_SWITCH VALUES (1)"));
        SqlUtil::execDirect(db.db(), QStringLiteral("CREATE EXCEPTION COMMIT_REFUSED 'commit refused'"));
        SqlUtil::execDirect(db.db(), QStringLiteral(
            "CREATE TRIGGER REFUSE_COMMIT ON TRANSACTION COMMIT AS BEGIN "
            "IF (EXISTS (SELECT 1 FROM PREMISES_DETAIL WHERE ID = %1) AND EXISTS (SELECT 1 FROM COMMIT_SWITCH)) "
            "THEN EXCEPTION COMMIT_REFUSED; END").arg(byStamp.at(7).second));

        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        context.pageSize = 3;
        context.pagesPerCommit = 1;
        const QStringList errors = runTables(db, m_server.url(), entry, context);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QLatin1String("commit refused")), qPrintable(errors.first()));
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), -byStamp.at(5).first);
        QSet<qint64> committed;
        for (int i = 0; i < 6; ++i)
            committed.insert(byStamp.at(i).second);
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")), committed);

        db.exec(QStringLiteral("DELETE FROM COMMIT_SWITCH"));
        TSyncPassContext again;
        again.pageSize = 3;
        QVERIFY(runTables(db, m_server.url(), entry, again).isEmpty());
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")).size(), byStamp.size());
        QCOMPARE(mark(db, QStringLiteral("PREMISES_DETAIL")), byStamp.last().first);
    }

    // A reload into an empty table inserts its rows without looking for local ones; a row that
    // the server changes while the reload runs comes again in a later page and is updated in
    // place, unless the user has changed it meanwhile: that change stays and goes up next time.
    void rowChangedDuringReloadComesAgain()
    {
        TestDatabase db;
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")).toInt(), 0);
        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        context.pageSize = 3;
        context.pagesPerCommit = 1;
        qint64 serverOnly = 0, both = 0;
        context.afterDownloadPage = [&](const QString &, int page) {
            if (page != 1)
                return;
            QSqlQuery q(db.db());
            QVERIFY(q.exec(QStringLiteral("SELECT ID FROM PREMISES_DETAIL ORDER BY UPDATE_ID")));
            QVERIFY(q.next());
            serverOnly = q.value(0).toLongLong();
            QVERIFY(q.next());
            both = q.value(0).toLongLong();
            q.finish();
            serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                         {{"ID", serverOnly}, {"PREMISES_NAME", QStringLiteral("Changed on the server")}});
            serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                         {{"ID", both}, {"PREMISES_NAME", QStringLiteral("Changed on the server too")}});
            db.exec(QStringLiteral("UPDATE PREMISES_DETAIL SET PREMISES_NAME = 'Changed here' WHERE ID = ?"), {both});
        };
        QVERIFY(runTables(db, m_server.url(), entry, context).isEmpty());
        QVERIFY(serverOnly > 0 && both > 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {serverOnly}).toString(),
                 QStringLiteral("Changed on the server"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {both}).toString(),
                 QStringLiteral("Changed here"));
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM PREMISES_DETAIL WHERE ID = ?"), {both}).toLongLong() < 0);
        const DataTable rows = serverRows(m_server.url(), {QStringLiteral("_dyn_premises_detail"), QStringLiteral("PREMISES_DETAIL"), true});
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")).toInt(), rows.rowCount());
    }

    // Offline, a pass asked for does not run and the status pane and the log say why, while the
    // automatic ticks stay quiet. A start refused offline leaves the timer armed, so that the work
    // done offline goes up by itself, once, when the server is back: the monitor seeing it again
    // puts the status back to sleeping, the next tick starts a pass, and later passes send nothing
    // twice.
    void offlineWorkGoesUpOnceTheServerIsBack()
    {
        TestDatabase db;
        TSyncLoginFlags login;
        login.Alive = false;
        TSyncControllerDM controller;
        controller.SetLoginState(&login);
        controller.SetBatchMode(true);
        QVERIFY(initialise(controller, db));
        TSyncLogFrm log;
        log.attachTo(&controller);
        QSignalSpy status(&controller, &TSyncControllerDM::OnSyncStatusChange);
        // The pass after the login, refused: nothing to see, but the timer runs.
        QVERIFY(!controller.RunSync());
        QVERIFY(status.isEmpty());
        QVERIFY(controller.SyncTimer()->isActive());
        QCOMPARE(controller.SyncTimer()->interval(), TSyncControllerDM::DefaultSyncInterval);
        QVERIFY(!controller.RequestSync());
        QCOMPARE(status.size(), 1);
        QCOMPARE(controller.SyncStatus(), QStringLiteral("No synchronisation: the server cannot be reached."));
        QCOMPARE(log.logLines(), QStringList{QStringLiteral("No synchronisation: the server cannot be reached.")});
        QVERIFY(!controller.SyncActive());
        // A check that finds the server still away changes nothing.
        controller.ServerConnectionChecked();
        QCOMPARE(status.size(), 1);

        // A sample recorded offline; ticks come quickly here, and start nothing while offline.
        insertLocalSample(db, QStringLiteral("OFFLINE-1"));
        QSignalSpy ticks(controller.SyncTimer(), &QTimer::timeout);
        QSignalSpy finished(&controller, &TSyncControllerDM::SyncPassFinished);
        controller.SyncTimer()->setInterval(20);
        QTRY_VERIFY(ticks.size() >= 3);
        QVERIFY(finished.isEmpty());
        QCOMPARE(log.logLines().size(), 1);

        login.Alive = true;
        controller.ServerConnectionChecked();
        QCOMPARE(controller.SyncStatus(), QStringLiteral("Sync sleeping."));
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 2, 120000);
        controller.SyncTimer()->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.SyncActive(), 120000);
        controller.SyncTimer()->stop();
        QVERIFY2(finished.first().first().toStringList().isEmpty(), qPrintable(finished.first().first().toStringList().join('\n')));
        const qint64 id = db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = 'OFFLINE-1'")).toLongLong();
        QVERIFY(id > 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE UPDATE_ID < 0")).toInt(), 0);
        QCOMPARE(serverCount(m_server.url(), QStringLiteral("_DYN_SAMPLE"), QStringLiteral("CODE"), QStringLiteral("OFFLINE-1")), 1);
    }

    // The program closing while a pass waits on a slow server: the controller stops the pass at
    // its next step and its reports waiting for the main thread are let go.
    void destroyingControllerDuringPassEnds()
    {
        TestDatabase db;
        QVERIFY(m_server.control(R"({"stallMs":200})"));
        {
            TSyncControllerDM controller;
            controller.SetBatchMode(true);
            QVERIFY(initialise(controller, db));
            QSignalSpy events(&controller, &TSyncControllerDM::OnSyncEvent);
            QVERIFY(controller.RunSync());
            QTRY_VERIFY(!events.isEmpty());
        }
        QVERIFY(m_server.control(R"({"stallMs":0})"));
    }

    // The controller is given other values while a pass runs: the pass goes on with the store,
    // scope and server it started with; the next pass takes the new ones.
    void initializeDuringPassLeavesPassAlone()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        TSyncControllerDM controller;
        controller.SetBatchMode(true);
        QVERIFY(initialise(controller, db));
        QSignalSpy finished(&controller, &TSyncControllerDM::SyncPassFinished);
        QVERIFY(controller.RunSync());
        // The pass waits for this thread before its first table, so this lands before any of them.
        controller.Initialize(QString(), QStringLiteral("/nonexistent/store.fdb"), localDatabaseUser(), localDatabasePassword(),
                              QString(), QStringLiteral("OTHER"), QStringLiteral("OTHER01"), QStringLiteral("http://127.0.0.1:1/bin"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
        QVERIFY2(finished.first().first().toStringList().isEmpty(), qPrintable(finished.first().first().toStringList().join('\n')));
        QCOMPARE(db.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY__CODE FROM SYS_COMPANY")).toString(), Authority);
        const DataTable premises = serverRows(m_server.url(), {QStringLiteral("_dyn_premises_detail"), QStringLiteral("PREMISES_DETAIL"), true});
        QSet<qint64> ids;
        for (int r = 0; r < premises.rowCount(); ++r)
            ids.insert(premises.value(r, QStringLiteral("ID")).toLongLong());
        QVERIFY(!ids.isEmpty());
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")), ids);
        QCOMPARE(controller.ConnectionParams().section(QLatin1Char('\n'), 0, 0), QStringLiteral("DataBase=/nonexistent/store.fdb"));
    }
};

QTEST_MAIN(TestSyncFailures)
#include "tst_syncfailures.moc"
