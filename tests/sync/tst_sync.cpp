// Synchronisation against a real varnex-server on a loopback port: passes, uploads, downloads,
// and what a dropped reply, a killed server or an offline tick leave behind.
#include "store/LocalDatabase.h"
#include "data/MemDataStream.h"
#include "store/SqlUtil.h"
#include "base/Prompter.h"
#include "remote/RemoteDataAdapter.h"
#include "support/ServerProcess.h"
#include "store/SynchronisedTables.h"
#include "sync/SyncController_DM.h"
#include "remote/SyncService.h"
#include "sync/ui/SyncLog_FRM.h"
#include "sync/SyncTable_Unt.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "sync/SyncWorker_DM.h"
#include "support/TestDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QUuid>
#include <QtTest>

using namespace Wire;

namespace {
// The food premises the stand-in server seeds for the demo office, whatever a seed file adds.
constexpr int DemoFoodPremises = 16;


const QString Authority = QStringLiteral("DEMO");
const QString Office = QStringLiteral("DEMO01");

// Rows the server starts with besides its demo data: premises in and out of the user's office
// (one of them deleted) and a few samples.
QByteArray seedJson()
{
    QJsonArray premises, feed, samples;
    for (int i = 1; i <= 11; ++i) {
        QJsonObject p;
        p.insert(QStringLiteral("CODE"), QStringLiteral("P%1").arg(i));
        p.insert(QStringLiteral("PREMISES_NAME"), QStringLiteral("Premises %1").arg(i));
        p.insert(QStringLiteral("LOCAL_AUTHORITY__CODE"), Authority);
        p.insert(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), i <= 8 ? Office : QStringLiteral("DEMO02"));
        p.insert(QStringLiteral("FLAG_DELETED"), i == 8 ? QStringLiteral("T") : QStringLiteral("F"));
        premises.append(p);
        if (i <= 3) {
            QJsonObject f = p;
            f.insert(QStringLiteral("CODE"), QStringLiteral("F%1").arg(i));
            feed.append(f);
        }
    }
    for (int i = 2; i <= 4; ++i) {
        QJsonObject s;
        s.insert(QStringLiteral("CODE"), QStringLiteral("DEMO-000%1").arg(i));
        s.insert(QStringLiteral("LOCAL_AUTHORITY__CODE"), Authority);
        s.insert(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), Office);
        s.insert(QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD"));
        s.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
        samples.append(s);
    }
    QJsonObject root;
    root.insert(QStringLiteral("PREMISES_DETAIL"), premises);
    root.insert(QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED"), feed);
    root.insert(QStringLiteral("SAMPLE"), samples);
    return QJsonDocument(root).toJson();
}

// The ten tables: download dataset, local table, and whether the user's office selects its rows.
struct TableInfo
{
    QString dataset;
    QString local;
    bool dyn;
};
QList<TableInfo> tableInfos()
{
    QList<TableInfo> out;
    for (const TSyncTable &t : SyncTables())
        out << TableInfo{t.tablename(), t.LocalTableName(), t.tablename().startsWith(QLatin1String("_dyn"))};
    return out;
}

// The list's entry of a local table, travelling only in the directions given.
TSyncTable tableEntry(const char *localTable, bool toServer, bool fromServer)
{
    SynchronisedTable t = *findSynchronisedTable(QLatin1String(localTable));
    t.toServer = toServer;
    t.fromServer = fromServer;
    return TSyncTable(t);
}

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;
    QTemporaryDir m_seedDir;
    QString m_seedFile;

    bool startServer(ServerProcess &server)
    {
        if (!server.start({QStringLiteral("--enable-control"), QStringLiteral("--seed"), m_seedFile})) {
            qWarning("%s", qPrintable(server.errorText()));
            return false;
        }
        return true;
    }

    // Points a controller at a test store and the shared server.
    bool initialise(TSyncControllerDM &controller, const TestDatabase &db)
    {
        return controller.Initialize(QString(), db.path(), localDatabaseUser(), localDatabasePassword(), QString(), Authority,
                                     Office, m_server.url());
    }

    static TSyncRunValues runValues(const QString &storePath, const QString &url)
    {
        return TSyncRunValues{QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3").arg(storePath, localDatabaseUser(), localDatabasePassword()),
                              Authority, Office, url};
    }

    // Runs entries on this thread, as a pass would, and returns the failures recorded.
    static QStringList runTables(const TestDatabase &db, const QString &url, const TSyncTableList &entries,
                                 TSyncPassContext &context)
    {
        TSyncWorkerHelperDM channel(url);
        context.channel = &channel;
        for (const TSyncTable &entry : entries)
            entry.Sync(context, runValues(db.path(), url));
        context.channel = nullptr;
        return context.errors;
    }
    static QStringList runPass(const TestDatabase &db, const QString &url, int pageSize = 1000)
    {
        TSyncPassContext context;
        context.pageSize = pageSize;
        return runTables(db, url, SyncTables(), context);
    }

    // The server's rows of a table in the user's scope, deleted ones left out for "_dyn" tables.
    static DataTable serverRows(const QString &url, const TableInfo &t, bool withDeleted = false)
    {
        TSyncWorkerHelperDM channel(url);
        QList<WhereItem> where;
        QList<DatasetParam> params;
        if (t.dyn) {
            where << WhereItem{QStringLiteral("local_auth_office__code"), WhereItem::Equal, Office};
            if (!withDeleted)
                where << WhereItem{QStringLiteral("flag_deleted"), WhereItem::Different, QStringLiteral("T")};
        } else {
            params << DatasetParam{QStringLiteral("localauthoritycode"), Authority};
        }
        return channel.RemoteDataAdapter.Open(t.dataset, params, where);
    }

    static void serverChange(const QString &url, const QString &uploadDataset, const QVariantMap &values)
    {
        TSyncWorkerHelperDM channel(url);
        RowChange c;
        c.kind = RowChange::Update;
        c.key.insert(QStringLiteral("ID"), values.value(QStringLiteral("ID")));
        c.values = values;
        channel.RemoteDataAdapter.ApplyChanges(uploadDataset, {c});
    }

    static QSet<qint64> localIds(TestDatabase &db, const QString &table)
    {
        QSet<qint64> ids;
        QSqlQuery q(db.db());
        q.exec(QStringLiteral("SELECT ID FROM %1").arg(table));
        while (q.next())
            ids.insert(q.value(0).toLongLong());
        return ids;
    }

    static qint64 mark(TestDatabase &db, const QString &table)
    {
        return db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SYS_SYNC WHERE TABLE_NAME = ?"), {table.toLower()}).toLongLong();
    }

    // Every (table, ID, UPDATE_ID) of the store, and the marks.
    static QStringList snapshot(TestDatabase &db)
    {
        QStringList out;
        for (const TableInfo &t : tableInfos()) {
            QSqlQuery q(db.db());
            q.exec(QStringLiteral("SELECT ID, UPDATE_ID FROM %1 ORDER BY ID").arg(t.local));
            while (q.next())
                out << QStringLiteral("%1 %2 %3").arg(t.local, q.value(0).toString(), q.value(1).toString());
            out << QStringLiteral("mark %1 %2").arg(t.local).arg(mark(db, t.local));
        }
        return out;
    }

    static qint64 insertLocalSample(TestDatabase &db, const QString &code)
    {
        db.exec(QStringLiteral("INSERT INTO SAMPLE (CODE, UNIQUE_UUID, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, RECORD_TYPE, FLAG_DELETED) "
                               "VALUES (?, ?, ?, ?, 'FOOD', 'F')"),
                {code, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), Authority, Office});
        return db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = ?"), {code}).toLongLong();
    }

    static int serverCount(const QString &url, const QString &dataset, const QString &field, const QVariant &value)
    {
        TSyncWorkerHelperDM channel(url);
        return channel.RemoteDataAdapter.Open(dataset, {}, {WhereItem{field, WhereItem::Equal, value}}).rowCount();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_seedDir.isValid());
        m_seedFile = m_seedDir.filePath(QStringLiteral("seed.json"));
        QFile f(m_seedFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(seedJson());
        f.close();
        QVERIFY(startServer(m_server));
    }
    void init()
    {
        QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    }
    // The list is what the synchronisation may touch: every table of the store that carries the
    // synchronisation columns is on it exactly once, each one marks its local changes (a trigger
    // that draws on a generator), the directions agree with the datasets, and the server serves
    // every dataset the list names.
    void tableListCoversEveryMarkedTable()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        QStringList marked;
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATION_FIELDS "
                                      "WHERE RDB$FIELD_NAME = 'IS_SYNCING' ORDER BY 1")));
        while (q.next())
            marked << q.value(0).toString();
        q.finish();
        QStringList listed = synchronisedTableNames();
        QCOMPARE(QSet<QString>(listed.cbegin(), listed.cend()).size(), listed.size());
        listed.sort();
        QCOMPARE(listed, marked);

        TSyncWorkerHelperDM channel(m_server.url());
        for (const TSyncTable &t : SyncTables()) {
            const QString table = t.LocalTableName();
            QVERIFY2(db.scalar(QStringLiteral("SELECT COUNT(*) FROM RDB$TRIGGERS t JOIN RDB$DEPENDENCIES d "
                                              "ON d.RDB$DEPENDENT_NAME = t.RDB$TRIGGER_NAME AND d.RDB$DEPENDED_ON_TYPE = 14 "
                                              "WHERE t.RDB$RELATION_NAME = ? AND COALESCE(t.RDB$TRIGGER_INACTIVE, 0) = 0"),
                               {table}).toInt() > 0,
                     qPrintable(table + QStringLiteral(" marks no local change")));
            QCOMPARE(t.syncToServer(), !t.UpdateTablename().isEmpty());
            QCOMPARE(localTableNameOf(t.tablename()).toUpper(), table);
            QStringList datasets{t.tablename()};
            if (!t.UpdateTablename().isEmpty())
                datasets << t.UpdateTablename();
            for (const QString &dataset : std::as_const(datasets)) {
                QStringList fields;
                for (const FieldDef &f : channel.RemoteDataAdapter.GetSchema(dataset).fields)
                    fields << f.name.toUpper();
                QVERIFY2(fields.contains(QLatin1String("ID")) && fields.contains(QLatin1String("UPDATE_ID")),
                         qPrintable(dataset + QStringLiteral(": ") + fields.join(QLatin1Char(','))));
            }
        }
    }

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

    // A whole pass on the controller's own thread: every table filled, each mark at the server's
    // highest update id in scope, the events in order, the log window complete.
    void firstPassFillsEveryTable()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        RecordingPrompter prompter;
        ScopedPrompter scoped(&prompter);
        TSyncLoginFlags login;
        login.FirstSync = true;
        TSyncControllerDM controller;
        controller.SetLoginState(&login);
        controller.SetPageSize(4); // several pages per table
        QVERIFY(initialise(controller, db));
        TSyncLogFrm log;
        log.attachTo(&controller);
        QSignalSpy events(&controller, &TSyncControllerDM::OnSyncEvent);
        QSignalSpy status(&controller, &TSyncControllerDM::OnSyncStatusChange);
        QSignalSpy finished(&controller, &TSyncControllerDM::SyncPassFinished);

        QVERIFY(controller.RunSync());
        QVERIFY(controller.SyncActive());
        QCOMPARE(controller.SyncStatus(), QStringLiteral("Sync in progress..."));
        QVERIFY(!controller.RunSync()); // one pass at a time
        QVERIFY(!controller.RequestSync()); // also when asked for: the status shows the running pass
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
        QVERIFY2(finished.first().first().toStringList().isEmpty(), qPrintable(finished.first().first().toStringList().join('\n')));
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(!controller.SyncActive());
        QCOMPARE(controller.SyncStatus(), QStringLiteral("Sync sleeping."));
        QCOMPARE(status.size(), 2);
        QVERIFY(controller.SyncTimer()->isActive());
        QVERIFY(!login.FirstSync);

        QCOMPARE(events.size(), 20);
        QCOMPARE(events.first().at(1).toInt(), 10);
        QCOMPARE(events.first().at(2).toInt(), 0);
        QCOMPARE(events.first().at(3).toString(), QStringLiteral("local_auth_office"));
        QCOMPARE(events.first().at(4).value<SyncEvent>(), SyncEvent::TableStarted);
        QCOMPARE(events.last().at(2).toInt(), 9);
        QCOMPARE(events.last().at(3).toString(), QStringLiteral("sample_template"));
        QCOMPARE(events.last().at(4).value<SyncEvent>(), SyncEvent::TableFinished);

        for (const TableInfo &t : tableInfos()) {
            const DataTable server = serverRows(m_server.url(), t);
            QSet<qint64> ids;
            qint64 highest = 0;
            for (int r = 0; r < server.rowCount(); ++r) {
                ids.insert(server.value(r, QStringLiteral("ID")).toLongLong());
                highest = qMax(highest, server.value(r, QStringLiteral("UPDATE_ID")).toLongLong());
            }
            QCOMPARE(localIds(db, t.local), ids);
            QCOMPARE(mark(db, t.local), highest);
        }
        // Seven premises of the seed file are live for the office, beside the server's own demo
        // register; the deleted one and the other office's stay away.
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")).size(), 7 + DemoFoodPremises);
        // The placeholder authority row gave way to the server's.
        QCOMPARE(db.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY__CODE FROM SYS_COMPANY")).toString(), Authority);

        const QStringList lines = log.logLines();
        QCOMPARE(lines.size(), 11);
        QVERIFY2(lines.at(0).endsWith(QLatin1String(" - Syncing [local_auth_office] data completed.")), qPrintable(lines.at(0)));
        QVERIFY(lines.last().startsWith(QLatin1String("Sync completed in (")));
        QVERIFY(!log.Timer1->isActive());
        QVERIFY(log.memDetailLog->toPlainText().contains(QLatin1String("(_dyn_premises_detail) SyncDownloadFromServer: ")));
    }

    // A sample made here gets a server id, reaches the server, and a second pass changes nothing.
    void localSampleRoundTrip()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const qint64 localId = insertLocalSample(db, QStringLiteral("LOCAL-RT"));
        QVERIFY(localId < 0);
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const qint64 id = db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = 'LOCAL-RT'")).toLongLong();
        const qint64 updateId = db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE CODE = 'LOCAL-RT'")).toLongLong();
        QVERIFY(id > 0);
        QVERIFY(updateId > 0);
        QCOMPARE(serverCount(m_server.url(), QStringLiteral("_DYN_SAMPLE"), QStringLiteral("ID"), id), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE UPDATE_ID < 0")).toInt(), 0);

        const QStringList before = snapshot(db);
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        QCOMPARE(snapshot(db), before);
    }

    // Another client's edit and soft delete arrive; a row with a pending local change keeps it.
    void serverEditAndSoftDeleteArrive()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT FIRST 3 ID FROM PREMISES_DETAIL ORDER BY ID")));
        QList<qint64> ids;
        while (q.next())
            ids << q.value(0).toLongLong();
        QCOMPARE(ids.size(), 3);
        q.finish();
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                     {{"ID", ids[0]}, {"PREMISES_NAME", QStringLiteral("Edited on the server")}});
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"), {{"ID", ids[1]}, {"FLAG_DELETED", QStringLiteral("T")}});
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                     {{"ID", ids[2]}, {"PREMISES_NAME", QStringLiteral("Server side")}});
        db.exec(QStringLiteral("UPDATE PREMISES_DETAIL SET PREMISES_NAME = 'Kept here' WHERE ID = ?"), {ids[2]});

        // Download only, so that the local change is still pending while the server's rows arrive.
        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        QVERIFY(runTables(db, m_server.url(), entry, context).isEmpty());
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {ids[0]}).toString(),
                 QStringLiteral("Edited on the server"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE ID = ?"), {ids[1]}).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {ids[2]}).toString(),
                 QStringLiteral("Kept here"));
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM PREMISES_DETAIL WHERE ID = ?"), {ids[2]}).toLongLong() < 0);

        // The next full pass sends the local change up; the server then holds it.
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        TSyncWorkerHelperDM channel(m_server.url());
        const DataTable server = channel.RemoteDataAdapter.Open(QStringLiteral("_DYN_PREMISES_DETAIL"), {},
                                                                {WhereItem{QStringLiteral("ID"), WhereItem::Equal, ids[2]}});
        QCOMPARE(server.value(0, QStringLiteral("PREMISES_NAME")).toString(), QStringLiteral("Kept here"));
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
                {QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), Authority, Office});
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

    // Rows the server is seeded with may bring their own (64-bit) ids: no id block handed out
    // afterwards may contain one, or a client's new row would overwrite the seeded one.
    void seededIdsAreNeverHandedOut()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const qint64 seededId = Q_INT64_C(5000000000);
        QJsonObject row;
        row.insert(QStringLiteral("ID"), double(seededId));
        row.insert(QStringLiteral("CODE"), QStringLiteral("SEEDED-ID"));
        row.insert(QStringLiteral("LOCAL_AUTHORITY__CODE"), Authority);
        row.insert(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), Office);
        row.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
        QJsonObject root;
        root.insert(QStringLiteral("PREMISES_DETAIL"), QJsonArray{row});
        const QString seed = dir.filePath(QStringLiteral("seed.json"));
        QFile f(seed);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(root).toJson());
        f.close();
        ServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--seed"), seed}), qPrintable(server.errorText()));
        QCOMPARE(serverCount(server.url(), QStringLiteral("_DYN_PREMISES_DETAIL"), QStringLiteral("ID"), seededId), 1);
        TSyncWorkerHelperDM channel(server.url());
        qint64 start = 0, end = 0;
        SyncService(channel.ClientChannel).GetSyncIdRange(1000, start, end);
        QCOMPARE(end - start, 1000);
        QVERIFY2(start > seededId, qPrintable(QStringLiteral("block %1..%2").arg(start).arg(end)));
    }

    // What a new user's first pass brings of the demo authority is what a real authority would
    // have: durability years that take the coming years, the laboratories new food and feed
    // samples go to (ones of the laboratory list), and a sample being recorded.
    void demoAuthorityIsReadyForANewUser()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const int lower = db.scalar(QStringLiteral("SELECT DURABILITY_YEAR_LOWER_OFFSET FROM SYS_COMPANY")).toInt();
        const int upper = db.scalar(QStringLiteral("SELECT DURABILITY_YEAR_UPPER_OFFSET FROM SYS_COMPANY")).toInt();
        QVERIFY2(lower >= 1 && upper >= 5, qPrintable(QStringLiteral("%1 %2").arg(lower).arg(upper)));

        const DataTable laboratories = MemDataStream::read(
            db.scalar(QStringLiteral("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdLaboratory'")).toByteArray());
        QStringList codes;
        for (int r = 0; r < laboratories.rowCount(); ++r)
            codes << laboratories.value(r, QStringLiteral("Code")).toString();
        for (const char *setting : {"LABORATORY__CODE_CHEM", "LABORATORY__CODE_MICRO", "ANIMAL_FEED_LAB__CODE_CHEM",
                                    "ANIMAL_FEED_LAB__CODE_MICRO"}) {
            const QString code = db.scalar(QStringLiteral("SELECT %1 FROM SYS_COMPANY").arg(QLatin1String(setting))).toString();
            QVERIFY2(codes.contains(code), setting);
        }

        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT SAMPLE_STATUS__CODE, SAMPLE_DATE, FOOD_DESCRIPTION FROM SAMPLE WHERE CODE = 'DEMO-0001'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ENTERED"));
        QVERIFY(q.value(1).toDate().isValid());
        QVERIFY(!q.value(2).toString().isEmpty());
    }

    // Values travel up from one store and down into another as they were: NULL stays NULL, empty
    // text stays empty text, text BLOBs keep every character.
    void valuesSurviveTheRoundTrip()
    {
        struct Case { const char *column; QVariant value; bool decimal = false; };
        const QList<Case> cases = {
            {"SAMPLE_OFFICER__CODE", QVariant()},
            {"SAMPLE_OFFICER__CODE", QVariant(QStringLiteral(""))},
            {"QOVA_INFO", QVariant()},
            {"QOVA_INFO", QVariant(QStringLiteral(""))},
            {"QOVA_INFO", QVariant(QStringLiteral("line 1\nl\u00EFne 2 \u20AC"))},
            // Every digit of the column: a double keeps some 15 of them.
            {"QUANTITY", QVariant(QStringLiteral("9999999999999999.99")), true},
            {"ANALYSIS_COST", QVariant(QStringLiteral("-123456789012345.678")), true},
            {"TEMPERATURE", QVariant(QStringLiteral("-999.9")), true},
        };
        // Decimals are written and read here as text, which the engine converts exactly.
        const auto place = [](const Case &c) { return c.decimal ? QStringLiteral("CAST(? AS VARCHAR(40))") : QStringLiteral("?"); };
        const auto column = [](const Case &c) {
            return c.decimal ? SqlUtil::decimalAsText(QLatin1String(c.column)) : QString::fromLatin1(c.column);
        };
        TestDatabase up;
        QVERIFY(runPass(up, m_server.url()).isEmpty());
        const QString prefix = QStringLiteral("RT-%1-").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
        for (int i = 0; i < cases.size(); ++i) {
            const QString code = prefix + QString::number(i);
            insertLocalSample(up, code);
            up.exec(QStringLiteral("UPDATE SAMPLE SET %1 = %2 WHERE CODE = ?").arg(QLatin1String(cases[i].column), place(cases[i])),
                    {cases[i].value.isValid() ? cases[i].value : QVariant(QMetaType::fromType<QString>()), code});
        }
        QVERIFY(runPass(up, m_server.url()).isEmpty());
        TestDatabase down;
        QVERIFY(runPass(down, m_server.url()).isEmpty());
        for (TestDatabase *db : {&up, &down}) {
            for (int i = 0; i < cases.size(); ++i) {
                const QString what = QStringLiteral("%1 case %2 (%3)").arg(db == &up ? "up" : "down").arg(i).arg(QLatin1String(cases[i].column));
                QSqlQuery q(db->db());
                QVERIFY(q.prepare(QStringLiteral("SELECT %1 FROM SAMPLE WHERE CODE = ?").arg(column(cases[i]))));
                q.addBindValue(prefix + QString::number(i));
                QVERIFY(q.exec());
                QVERIFY2(q.next(), qPrintable(what));
                QVERIFY2(q.isNull(0) == !cases[i].value.isValid(), qPrintable(what));
                if (cases[i].value.isValid())
                    QVERIFY2(q.value(0).toString() == cases[i].value.toString(), qPrintable(what + QStringLiteral(": ") + q.value(0).toString()));
            }
        }
    }

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

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
