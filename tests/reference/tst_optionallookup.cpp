// The pick lists: stored as one row per list with CR LF line breaks, new rows numbered as local
// changes, carried to another installation by the synchronisation.
#include "reference/OptionalLookupData_DM.h"

#include "remote/SyncWorkerHelper_DM.h"
#include "store/LocalDatabase.h"
#include "store/SynchronisedTables.h"
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"
#include "sync/SyncTable_Unt.h"
#include "sync/SyncWorker_DM.h"

#include <QTest>

class TestOptionalLookup : public QObject
{
    Q_OBJECT

private slots:
    void storesAndReadsLists();
    void listTravelsToAnotherInstallation();
};

void TestOptionalLookup::storesAndReadsLists()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    const QSqlDatabase connection = db.db();
    TOptionalLookupDataDM lists([connection] { return connection; });

    QCOMPARE(lists.GetLookupData("BrandName"), QString());
    lists.SetLookupData("BrandName", "ACME\nZENITH\r\nBETA\rOMEGA");
    // Written with CR LF whatever came in; a new row waits for upload under a local (negative) id.
    QCOMPARE(lists.GetLookupData("BrandName"), QString("ACME\r\nZENITH\r\nBETA\r\nOMEGA"));
    QCOMPARE(lists.GetLookupLines("BrandName"), QStringList({"ACME", "ZENITH", "BETA", "OMEGA"}));
    const qint64 id = db.scalar("SELECT ID FROM OPTIONAL_LOOKUP_LIST WHERE LOOKUP_NAME = 'BrandName'").toLongLong();
    QVERIFY(id < 0);
    QVERIFY(db.scalar("SELECT UPDATE_ID FROM OPTIONAL_LOOKUP_LIST WHERE ID = ?", {id}).toLongLong() < 0);

    // A second save edits the same row; other lists are separate rows.
    lists.SetLookupData("BrandName", "ONE");
    lists.SetLookupData("Manufacturer", "MAKER");
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM OPTIONAL_LOOKUP_LIST").toInt(), 2);
    QCOMPARE(db.scalar("SELECT ID FROM OPTIONAL_LOOKUP_LIST WHERE LOOKUP_NAME = 'BrandName'").toLongLong(), id);
    QCOMPARE(lists.GetLookupData("BrandName"), QString("ONE"));
    QCOMPARE(lists.GetLookupData("Manufacturer"), QString("MAKER"));
}

void TestOptionalLookup::listTravelsToAnotherInstallation()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    TestDatabase first, second;
    QVERIFY2(first.isValid() && second.isValid(), qPrintable(first.errorText() + second.errorText()));

    const auto sync = [&server](TestDatabase &db) {
        TSyncWorkerHelperDM channel(server.url());
        TSyncPassContext context;
        context.channel = &channel;
        const TSyncRunValues values{QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3")
                                        .arg(db.path(), localDatabaseUser(), localDatabasePassword()),
                                    QStringLiteral("DEMO"), QStringLiteral("DEMO01"), server.url()};
        const bool ok = TSyncTable(*findSynchronisedTable(QStringLiteral("OPTIONAL_LOOKUP_LIST"))).Sync(context, values);
        return ok && context.errors.isEmpty() ? QString() : context.errors.join('\n') + " failed";
    };

    const QSqlDatabase a = first.db();
    TOptionalLookupDataDM listsA([a] { return a; });
    listsA.SetLookupData("AnalysisCode", "LEAD\nNITRATE");
    QString failure = sync(first);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // Acknowledged: the row now carries the server's id.
    QVERIFY(first.scalar("SELECT ID FROM OPTIONAL_LOOKUP_LIST").toLongLong() > 0);

    failure = sync(second);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QSqlDatabase b = second.db();
    TOptionalLookupDataDM listsB([b] { return b; });
    QCOMPARE(listsB.GetLookupLines("AnalysisCode"), QStringList({"LEAD", "NITRATE"}));

    // An edit on the second goes back up and down to the first over the same row.
    listsB.SetLookupData("AnalysisCode", "LEAD\nNITRATE\nSULPHITE");
    QVERIFY(sync(second).isEmpty());
    QVERIFY(sync(first).isEmpty());
    QCOMPARE(listsA.GetLookupLines("AnalysisCode"), QStringList({"LEAD", "NITRATE", "SULPHITE"}));
    QCOMPARE(first.scalar("SELECT COUNT(*) FROM OPTIONAL_LOOKUP_LIST").toInt(), 1);
}

QTEST_MAIN(TestOptionalLookup)
#include "tst_optionallookup.moc"
