// The lookup table refresh against the stand-in server, in a zone that is not UTC: the server
// changes a table, adds one and breaks one after the store was synchronised; the refresh brings
// the first two into the store and the lookup lists, fails the broken one alone, and leaves rows
// that the next synchronisation neither takes for local changes nor downloads a second time.
#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "store/SynchronisedTables.h"
#include "support/MainStore.h"
#include "support/ServerProcess.h"
#include "sync/LookupTableRefresh.h"
#include "sync/SyncTable_Unt.h"
#include "sync/SyncWorker_DM.h"
#include "sync/ui/UpdateRemoteLookupData_FRM.h"

#include <QTest>
#include <QStandardItemModel>

#include <signal.h>

namespace {

QByteArray codeList(const QList<std::pair<QString, QString>> &rows)
{
    DataTable t;
    t.addField({QStringLiteral("Code"), FieldType::String, 20});
    t.addField({QStringLiteral("Description"), FieldType::String, 100});
    for (const auto &[code, description] : rows)
        t.appendRow({code, description});
    return MemDataStream::write(t);
}

QByteArray isoCodes()
{
    DataTable t;
    t.addField({QStringLiteral("Name"), FieldType::String, 100});
    t.addField({QStringLiteral("ISOCode"), FieldType::String, 4});
    t.appendRow({QStringLiteral("France"), QStringLiteral("FR")});
    return MemDataStream::write(t);
}

// The server's table of one lookup list, as LOOKUP_TABLE_EDIT answers it.
DataTable item(qint64 id, const QString &dataset, const QByteArray &content, qint64 updateId = 7)
{
    DataTable t;
    t.addField({QStringLiteral("ID"), FieldType::Int64});
    t.addField({QStringLiteral("TABLE_NAME"), FieldType::String, 200});
    t.addField({QStringLiteral("DATASET_NAME"), FieldType::String, 200});
    t.addField({QStringLiteral("CATEGORY_NAME"), FieldType::String, 100});
    t.addField({QStringLiteral("LAST_CHANGE_TIMESTAMP"), FieldType::Timestamp});
    t.addField({QStringLiteral("BINARY_CONTENT"), FieldType::Blob});
    t.addField({QStringLiteral("UPDATE_ID"), FieldType::Int64});
    t.appendRow({id, QStringLiteral("Some list"), dataset, QStringLiteral("Food sample"),
                 QDateTime(QDate(2025, 6, 1), QTime(10, 20, 30, 456)), content, updateId});
    return t;
}

} // namespace

class TestLookupRefresh : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void serverChangesReachTheLookupLists();
    void refusedLoginIsShown();
    void unreachableServerFailsTheRowItWasOn();
    void closingWaitsForTheServer();
    void itemIsCheckedBeforeItIsWritten_data();
    void itemIsCheckedBeforeItIsWritten();
    void timeStampsCompareAsWallClockReadings_data();
    void timeStampsCompareAsWallClockReadings();

private:
    // Brings LOOKUP_TABLE_LIST down as a synchronisation pass does.
    void synchronise();
    // Stops the server, changes its store and starts it again.
    void changeServer(const std::function<void(const QSqlDatabase &)> &change);
    TUpdateRemoteLookupDataFrm *openForm();
    void fetch(TUpdateRemoteLookupDataFrm *form);
    static const LookupTableRow *row(const TUpdateRemoteLookupDataFrm *form, const QString &dataset);
    int localRows() { return m_store->db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST").toInt(); }

    ServerProcess m_server;
    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TLookupDataDm> m_lookups;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestLookupRefresh::initTestCase()
{
    // Run by CTest in America/New_York: readings must not move by the zone's offset anywhere.
    QVERIFY(QDateTime::currentDateTime().offsetFromUtc() != 0);
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_store = std::make_unique<MainStore>();
    QVERIFY2(m_store->db.isValid(), qPrintable(m_store->db.errorText()));
    m_store->useSettings("DEMO", "DEMO01");
    synchronise();
    const QSqlDatabase main = m_store->main;
    m_lookups = std::make_unique<TLookupDataDm>([main]() { return main; }, []() { return QString(); });
    QVERIFY(m_lookups->RefreshDatasetsFromDatabase().isEmpty());
    LookupDataDm = m_lookups.get();
    m_owner = std::make_unique<QWidget>();
}

void TestLookupRefresh::cleanup()
{
    m_prompter.clear();
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    for (auto *form : m_owner->findChildren<TUpdateRemoteLookupDataFrm *>()) {
        QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 20000);
        delete form;
    }
}

void TestLookupRefresh::synchronise()
{
    TSyncWorkerHelperDM channel(m_server.url());
    TSyncPassContext context;
    context.channel = &channel;
    const TSyncRunValues values{QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3")
                                    .arg(m_store->db.path(), localDatabaseUser(), localDatabasePassword()),
                                QStringLiteral("DEMO"), QStringLiteral("DEMO01"), m_server.url()};
    QVERIFY(TSyncTable(*findSynchronisedTable(QStringLiteral("LOOKUP_TABLE_LIST"))).Sync(context, values));
    QVERIFY2(context.errors.isEmpty(), qPrintable(context.errors.join('\n')));
}

void TestLookupRefresh::changeServer(const std::function<void(const QSqlDatabase &)> &change)
{
    QCOMPARE(m_server.stop(SIGTERM, 20000), 0);
    {
        QString error;
        const QSqlDatabase db = openLocalDatabase(QDir(m_server.dataDir()).filePath("store/varnex-server.fdb"),
                                                  QStringLiteral("serverstore"), &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        change(db);
    }
    closeDatabaseConnection(QStringLiteral("serverstore"));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

TUpdateRemoteLookupDataFrm *TestLookupRefresh::openForm()
{
    auto defaults = std::make_unique<TUpdateRemoteLookupDataFrmDefaults>();
    const QString url = m_server.url();
    defaults->ServerSettings = [url]() {
        CentralServerSettings s;
        s.serverAddress = url;
        return s;
    };
    return TBasefrm::CreateAndShow<TUpdateRemoteLookupDataFrm>(QStringLiteral("LookupUpdate"), m_owner.get(), false,
                                                               std::move(defaults));
}

void TestLookupRefresh::fetch(TUpdateRemoteLookupDataFrm *form)
{
    form->actCheckForUpdates->trigger();
    QVERIFY(form->IsBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 20000);
}

const LookupTableRow *TestLookupRefresh::row(const TUpdateRemoteLookupDataFrm *form, const QString &dataset)
{
    for (const LookupTableRow &r : form->Rows())
        if (r.DatasetName == dataset)
            return &r;
    return nullptr;
}

void TestLookupRefresh::serverChangesReachTheLookupLists()
{
    QVERIFY(!m_lookups->CheckCodeExists("ZN", "mdMaterialType"));
    QCOMPARE(m_lookups->GetISOCodeForCountry("France"), QString("N/A"));
    const int before = localRows();

    // The server changes one list (stamped finer than the wire's millisecond, in the hour that
    // New York's clocks skip that day), adds one the store does not have, and replaces a third by
    // bytes that are no list.
    changeServer([](const QSqlDatabase &db) {
        SqlUtil::exec(db, "UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ?, "
                          "LAST_CHANGE_TIMESTAMP = CAST('2025-03-09 02:30:30.4567' AS TIMESTAMP), "
                          "UPDATE_ID = GEN_ID(GEN_SYNC_ID, 1) WHERE DATASET_NAME = 'mdMaterialType'",
                      {codeList({{"GL", "Glass"}, {"ZN", "Zinc"}})});
        SqlUtil::exec(db, "INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, DATASET_NAME, TABLE_NAME, CATEGORY_NAME, "
                          "LAST_CHANGE_TIMESTAMP, BINARY_CONTENT) VALUES (GEN_ID(GEN_SYNC_ID, 1), GEN_ID(GEN_SYNC_ID, 1), "
                          "'mdCountryISOCodes', 'Country ISO codes', 'General', CAST('2025-06-02 08:00:00' AS TIMESTAMP), ?)",
                      {isoCodes()});
        SqlUtil::exec(db, "UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ?, "
                          "LAST_CHANGE_TIMESTAMP = CAST('2025-06-03 09:00:00' AS TIMESTAMP), "
                          "UPDATE_ID = GEN_ID(GEN_SYNC_ID, 1) WHERE DATASET_NAME = 'mdCondition'",
                      {QByteArray("not a lookup list")});
    });
    const QByteArray conditionBefore =
        m_store->db.scalar("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdCondition'").toByteArray();

    TUpdateRemoteLookupDataFrm *form = openForm();
    fetch(form);
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    QVERIFY(form->Rows().size() >= 38);
    for (const LookupTableRow &r : form->Rows()) {
        const bool changed = QStringList{"mdMaterialType", "mdCondition"}.contains(r.DatasetName);
        const bool added = r.DatasetName == QLatin1String("mdCountryISOCodes");
        QCOMPARE(r.UpdateState, changed ? int(LookupTableRow::Update) : added ? int(LookupTableRow::Add) : int(LookupTableRow::Ok));
        QCOMPARE(r.UpdateStatus, changed || added ? int(LookupTableRow::Pending) : int(LookupTableRow::UpToDate));
    }
    QCOMPARE(form->tvLookups->rowCount() > 0, true); // grouped by category

    form->actUpdateTables->trigger();
    QVERIFY(form->IsBusy());
    QVERIFY(!form->actCheckForUpdates->isEnabled() && !form->actUpdateTables->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 30000);
    QCOMPARE(row(form, "mdMaterialType")->UpdateStatus, int(LookupTableRow::Complete));
    QCOMPARE(row(form, "mdCountryISOCodes")->UpdateStatus, int(LookupTableRow::Complete));
    // The broken list fails alone, with its cause, and its local row is as it was.
    QCOMPARE(row(form, "mdCondition")->UpdateStatus, int(LookupTableRow::Failed));
    QVERIFY2(row(form, "mdCondition")->Failure.contains("cannot be read"), qPrintable(row(form, "mdCondition")->Failure));
    QCOMPARE(m_store->db.scalar("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdCondition'").toByteArray(),
             conditionBefore);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Warning).size(), 1);
    QVERIFY(m_prompter.texts(Prompter::Kind::Warning).first().contains(row(form, "mdCondition")->TableName));

    // The editors' lists have the new codes, without a new login.
    QVERIFY(m_lookups->CheckCodeExists("ZN", "mdMaterialType"));
    QCOMPARE(m_lookups->GetISOCodeForCountry("France"), QString("FR"));

    // Written as the synchronisation writes: the server's id, no local change.
    QCOMPARE(localRows(), before + 1);
    QCOMPARE(m_store->db.scalar("SELECT ID FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdCountryISOCodes'").toLongLong(),
             row(form, "mdCountryISOCodes")->Id);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST WHERE UPDATE_ID < 0 OR UPDATE_ID IS NULL").toInt(), 0);

    // The next fetch finds the written tables up to date; only the broken one is still to do.
    m_prompter.clear();
    fetch(form);
    for (const LookupTableRow &r : form->Rows())
        QCOMPARE(r.UpdateStatus, r.DatasetName == QLatin1String("mdCondition") ? int(LookupTableRow::Pending)
                                                                                : int(LookupTableRow::UpToDate));

    // The next synchronisation brings the server's rows by their ids: nothing twice.
    synchronise();
    QCOMPARE(localRows(), before + 1);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdCountryISOCodes'").toInt(), 1);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST WHERE UPDATE_ID < 0").toInt(), 0);
}

void TestLookupRefresh::refusedLoginIsShown()
{
    TUpdateRemoteLookupDataFrm *form = openForm();
    fetch(form);
    const int listed = int(form->Rows().size());
    QVERIFY(listed > 0);
    QVERIFY(m_server.control(R"({"refuseServiceLogin":true})"));
    fetch(form);
    QCOMPARE(m_prompter.texts(), QStringList{TUpdateRemoteLookupDataFrm::RefusedMessage()});
    // The list stays as it was.
    QCOMPARE(int(form->Rows().size()), listed);
}

void TestLookupRefresh::unreachableServerFailsTheRowItWasOn()
{
    // Two tables to do: the store loses its rows of them.
    m_store->db.exec("DELETE FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME IN ('mdDurability', 'mdSurveyBody')");
    TUpdateRemoteLookupDataFrm *form = openForm();
    fetch(form);
    QVERIFY(m_server.control(R"({"failCall":"PostboxV9Service.GetData"})"));
    form->actUpdateTables->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 20000);
    QList<int> statuses;
    for (const LookupTableRow &r : form->Rows())
        if (r.UpdateState != LookupTableRow::Ok)
            statuses << r.UpdateStatus;
    // The row being fetched failed (not left "In progress"), with the server's message; the rows
    // after it wait.
    QCOMPARE(statuses, (QList<int>{LookupTableRow::Failed, LookupTableRow::Pending}));
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).size(), 1);
    QVERIFY(form->actUpdateTables->isEnabled());

    // A second update goes on with what is left.
    m_prompter.clear();
    fetch(form);
    form->actUpdateTables->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 20000);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME IN ('mdDurability', 'mdSurveyBody')").toInt(), 2);
}

void TestLookupRefresh::closingWaitsForTheServer()
{
    TUpdateRemoteLookupDataFrm *form = openForm();
    QVERIFY(m_server.control(R"({"stallMs":1500})"));
    form->actCheckForUpdates->trigger();
    QVERIFY(form->IsBusy());
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QCOMPARE(m_prompter.texts(), QStringList{TUpdateRemoteLookupDataFrm::BusyMessage()});
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsBusy(), 20000);
    QVERIFY(!form->Rows().isEmpty());
}

void TestLookupRefresh::itemIsCheckedBeforeItIsWritten_data()
{
    QTest::addColumn<DataTable>("answer");
    QTest::addColumn<QString>("cause");
    QTest::newRow("no table") << DataTable(item(5, "mdPackagingUnit", codeList({{"KG", "Kilogram"}})).fields())
                              << "has no table";
    QTest::newRow("another table") << item(5, "mdPackagingType", codeList({{"KG", "Kilogram"}})) << "another table";
    QTest::newRow("another id") << item(6, "mdPackagingUnit", codeList({{"KG", "Kilogram"}})) << "another table";
    QTest::newRow("unreadable content") << item(5, "mdPackagingUnit", QByteArray("Ver\x01")) << "cannot be read";
    QTest::newRow("empty content") << item(5, "mdPackagingUnit", QByteArray()) << "cannot be read";
}

void TestLookupRefresh::itemIsCheckedBeforeItIsWritten()
{
    QFETCH(DataTable, answer);
    QFETCH(QString, cause);
    TestDatabase db;
    db.exec("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
            "VALUES (5, 3, 'T', 'mdPackagingUnit', ?)",
            {codeList({{"G", "Gram"}})});
    LookupTableRow listed;
    listed.Id = 5;
    listed.DatasetName = "mdPackagingUnit";
    try {
        LookupTableRefresh::WriteItem(db.db(), listed, answer);
        QFAIL("written");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
    }
    QCOMPARE(db.scalar("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE ID = 5").toByteArray(), codeList({{"G", "Gram"}}));
    QCOMPARE(db.scalar("SELECT UPDATE_ID FROM LOOKUP_TABLE_LIST WHERE ID = 5").toLongLong(), 3);

    // The table as the server has it is written whole, under the server's stamps.
    LookupTableRefresh::WriteItem(db.db(), listed, item(5, "mdPackagingUnit", codeList({{"KG", "Kilogram"}}), 41));
    QCOMPARE(db.scalar("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE ID = 5").toByteArray(), codeList({{"KG", "Kilogram"}}));
    QCOMPARE(db.scalar("SELECT UPDATE_ID FROM LOOKUP_TABLE_LIST WHERE ID = 5").toLongLong(), 41);
}

void TestLookupRefresh::timeStampsCompareAsWallClockReadings_data()
{
    QTest::addColumn<QDateTime>("server");
    QTest::addColumn<QDateTime>("local");
    QTest::addColumn<bool>("later");
    const QDate day(2025, 6, 1);
    QTest::newRow("same reading") << QDateTime(day, QTime(10, 0, 0, 123)) << QDateTime(day, QTime(10, 0, 0, 123)) << false;
    QTest::newRow("a millisecond later") << QDateTime(day, QTime(10, 0, 0, 124)) << QDateTime(day, QTime(10, 0, 0, 123)) << true;
    QTest::newRow("a day earlier, later hour") << QDateTime(day.addDays(-1), QTime(23, 0)) << QDateTime(day, QTime(1, 0)) << false;
    // A reading that local time skips travels in UTC with the same fields: not hours apart.
    QTest::newRow("a skipped reading, in UTC and read back locally")
        << QDateTime(QDate(2025, 3, 9), QTime(2, 30), Qt::UTC) << QDateTime(QDate(2025, 3, 9), QTime(2, 30)) << false;
    QTest::newRow("a skipped reading and a later one")
        << QDateTime(QDate(2025, 3, 9), QTime(2, 31)) << QDateTime(QDate(2025, 3, 9), QTime(2, 30)) << true;
    QTest::newRow("same fields in UTC and local time")
        << QDateTime(day, QTime(12, 0), Qt::UTC) << QDateTime(day, QTime(12, 0)) << false;
    QTest::newRow("no local stamp") << QDateTime(day, QTime(12, 0)) << QDateTime() << true;
    QTest::newRow("no server stamp") << QDateTime() << QDateTime(day, QTime(12, 0)) << false;
}

void TestLookupRefresh::timeStampsCompareAsWallClockReadings()
{
    QFETCH(QDateTime, server);
    QFETCH(QDateTime, local);
    QFETCH(bool, later);
    QCOMPARE(LookupTableRefresh::IsLater(server, local), later);
}

QTEST_MAIN(TestLookupRefresh)
#include "tst_lookuprefresh.moc"
