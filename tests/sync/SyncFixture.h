// What the synchronisation tests share: a stand-in server seeded with rows besides its demo data
// (premises in and out of the user's office, one of them deleted, and a few samples), and the
// helpers that run tables and passes against it and read both sides.
#pragma once

#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "remote/RemoteDataAdapter.h"
#include "remote/SyncService.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "store/SynchronisedTables.h"
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"
#include "sync/SyncController_DM.h"
#include "sync/SyncTable_Unt.h"
#include "sync/SyncWorker_DM.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace SyncTest {

using namespace Wire;

// The food premises the stand-in server seeds for the demo office, whatever a seed file adds.
constexpr int DemoFoodPremises = 16;

inline const QString Authority = QStringLiteral("DEMO");
inline const QString Office = QStringLiteral("DEMO01");

// Rows the server starts with besides its demo data: premises in and out of the user's office
// (one of them deleted) and a few samples.
inline QByteArray seedJson()
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
inline QList<TableInfo> tableInfos()
{
    QList<TableInfo> out;
    for (const TSyncTable &t : SyncTables())
        out << TableInfo{t.tablename(), t.LocalTableName(), t.tablename().startsWith(QLatin1String("_dyn"))};
    return out;
}

// The list's entry of a local table, travelling only in the directions given.
inline TSyncTable tableEntry(const char *localTable, bool toServer, bool fromServer)
{
    SynchronisedTable t = *findSynchronisedTable(QLatin1String(localTable));
    t.toServer = toServer;
    t.fromServer = fromServer;
    return TSyncTable(t);
}

// The base of the test classes: starts the shared server before the first test and puts back its
// faults and refusals before each.
class SyncFixture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(startSeededServer());
    }
    void init()
    {
        QVERIFY(resetServer());
    }

protected:
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
                {code, newUuid(), Authority, Office});
        return db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = ?"), {code}).toLongLong();
    }

    static int serverCount(const QString &url, const QString &dataset, const QString &field, const QVariant &value)
    {
        TSyncWorkerHelperDM channel(url);
        return channel.RemoteDataAdapter.Open(dataset, {}, {WhereItem{field, WhereItem::Equal, value}}).rowCount();
    }

    // Starts the shared server on the seed rows.
    bool startSeededServer()
    {
        if (!m_seedDir.isValid())
            return false;
        m_seedFile = m_seedDir.filePath(QStringLiteral("seed.json"));
        QFile f(m_seedFile);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(seedJson());
        f.close();
        return startServer(m_server);
    }

    // Puts back the server's faults and refusals a test may have switched on.
    bool resetServer()
    {
        return m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})");
    }
};

} // namespace SyncTest
