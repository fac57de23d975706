// The lookup lists as a user gets them: the stand-in server's seeded rows, brought down by the
// synchronisation into a store, read by the lookup module as the next login reads them.
#include "reference/CategoryTree.h"
#include "reference/LookupData_DM.h"

#include "store/LocalDatabase.h"
#include "store/SynchronisedTables.h"
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"
#include "sync/SyncTable_Unt.h"
#include "sync/SyncWorker_DM.h"
#include "remote/SyncWorkerHelper_DM.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestLookupServer : public QObject
{
    Q_OBJECT

private slots:
    void synchronisedListsFillTheModule();
};

void TestLookupServer::synchronisedListsFillTheModule()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));

    TSyncWorkerHelperDM channel(server.url());
    TSyncPassContext context;
    context.channel = &channel;
    const TSyncRunValues values{QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3")
                                    .arg(db.path(), localDatabaseUser(), localDatabasePassword()),
                                QStringLiteral("DEMO"), QStringLiteral("DEMO01"), server.url()};
    QVERIFY(TSyncTable(*findSynchronisedTable(QStringLiteral("LOOKUP_TABLE_LIST"))).Sync(context, values));
    QVERIFY2(context.errors.isEmpty(), qPrintable(context.errors.join('\n')));

    const QSqlDatabase connection = db.db();
    TLookupDataDm lookups([connection] { return connection; }, [] { return QString(); });
    const QStringList problems = lookups.RefreshDatasetsFromDatabase();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

    // Every list of the seed arrives whole, under its name, with the names it is listed by.
    QFile seedFile(QStringLiteral(VARNEX_TESTS_DIR "/../server/seed/lookups.json"));
    QVERIFY(seedFile.open(QIODevice::ReadOnly));
    const QJsonObject seed = QJsonDocument::fromJson(seedFile.readAll()).object();
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST").toInt(), seed.size());
    for (auto it = seed.begin(); it != seed.end(); ++it) {
        const QJsonObject list = it.value().toObject();
        const QJsonArray rows = list.value("rows").toArray();
        const DataTable &table = lookups.Table(it.key());
        QVERIFY2(rows.size() > 0 && table.rowCount() == rows.size(), qPrintable(it.key()));
        QCOMPARE(db.scalar("SELECT TABLE_NAME FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = ?", {it.key()}).toString(),
                 list.value("table").toString());
        QCOMPARE(db.scalar("SELECT CATEGORY_NAME FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = ?", {it.key()}).toString(),
                 list.value("category").toString());
    }
    // The codes the editors' rules name are there, in the lists the rules check.
    const QList<std::pair<const char *, const char *>> codes = {
        {"mdDurability", "N"}, {"mdDurability", "E"},     {"mdDurability", "O"},  {"mdDurability", "I"},
        {"mdPackagingType", "N"}, {"mdPackagingType", "O"}, {"mdPackagingType", "D"}, {"mdMaterialType", "O"},
        {"mdCondition", "F"},  {"mdCondition", "O"},      {"mdFeedCondition", "O"}, {"mdPremisesType", "X"},
        {"mdReasonTaken", "E"}, {"mdReasonTaken", "S"},   {"mdProductType", "S"},  {"mdMAFF", "M65"},
        {"mdFeedSampleTypeEnforcement", "F"},
    };
    for (const auto &[list, code] : codes)
        QVERIFY2(lookups.CheckCodeExists(QString::fromLatin1(code), QString::fromLatin1(list)), qPrintable(QString("%1 %2").arg(list, code)));
    QVERIFY(lookups.Table("mdLaboratoryFiltered").rowCount() == lookups.Table("mdLaboratory").rowCount());

    // The trees: a full food path with its ministry code, and the entries that cannot be returned.
    const std::optional<CategoryPath> swab = ResolveCategoryCode(lookups, "FOOD", "18.07.50.01");
    QVERIFY(swab);
    QCOMPARE(swab->Category, QString("18"));
    QCOMPARE(swab->MaffCode, QString("M65"));
    QVERIFY(ResolveCategoryCode(lookups, "ANIMAL FEED", "50.01"));
    QVERIFY_THROWS_EXCEPTION(CategoryTreeError, ResolveCategoryCode(lookups, "FOOD", "99.01"));
    const CategoryTree food(lookups.Table("mdCategoryTree"), lookups.Table("mdMAFF"));
    bool retired = false;
    for (int row = 0; row < food.rowCount(); ++row)
        retired = retired || food.description(row).contains("Retired");
    QVERIFY(retired);
}

QTEST_GUILESS_MAIN(TestLookupServer)
#include "tst_lookupserver.moc"
