#include "support/TestDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

// The ten tables that the synchronisation keeps in step with the server.
const QStringList kSyncedTables = {
    QStringLiteral("LOCAL_AUTH_OFFICE"),    QStringLiteral("SYS_COMPANY"),
    QStringLiteral("SAMPLE_OFFICER"),       QStringLiteral("LOOKUP_TABLE_LIST"),
    QStringLiteral("OPTIONAL_LOOKUP_LIST"), QStringLiteral("PREMISES_DETAIL"),
    QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED"), QStringLiteral("SYS_TRANSLATION"),
    QStringLiteral("SAMPLE"),               QStringLiteral("SAMPLE_TEMPLATE"),
};

// Columns a new row of each synchronised table needs besides the ids.
QVariantMap requiredValues(const QString &table, int n)
{
    const QString uuid = QStringLiteral("00000000-0000-0000-0000-%1").arg(n, 12, 10, QLatin1Char('0'));
    if (table == QLatin1String("SYS_COMPANY"))
        return {{QStringLiteral("LOCAL_AUTHORITY_NAME"), QStringLiteral("Authority %1").arg(n)}};
    if (table == QLatin1String("LOOKUP_TABLE_LIST"))
        return {{QStringLiteral("DATASET_NAME"), QStringLiteral("mdList%1").arg(n)}};
    if (table == QLatin1String("OPTIONAL_LOOKUP_LIST"))
        return {{QStringLiteral("LOOKUP_NAME"), QStringLiteral("List%1").arg(n)}};
    QVariantMap v{{QStringLiteral("UNIQUE_UUID"), uuid}};
    if (table == QLatin1String("SAMPLE") || table.startsWith(QLatin1String("PREMISES_DETAIL")))
        v.insert(QStringLiteral("CODE"), QStringLiteral("CODE%1").arg(n));
    return v;
}

struct SqlResult
{
    bool ok = false;
    QString error;
};

SqlResult tryExec(QSqlDatabase db, const QString &sql, const QVariantList &params = {})
{
    QSqlQuery q(db);
    SqlResult r;
    if (!q.prepare(sql)) {
        r.error = q.lastError().text();
        return r;
    }
    for (const QVariant &p : params)
        q.addBindValue(p);
    r.ok = q.exec();
    if (!r.ok)
        r.error = q.lastError().text();
    return r;
}

// INSERT INTO table (cols...) VALUES (?...) with every value bound.
SqlResult insertRow(TestDatabase &t, const QString &table, const QVariantMap &values)
{
    return tryExec(t.db(), TestDatabase::insertStatement(table, values.keys()), values.values());
}

// UPDATE table SET col = ? ... WHERE keyColumn = ?
SqlResult updateRow(TestDatabase &t, const QString &table, const QVariantMap &values, const QString &keyColumn,
                    const QVariant &key)
{
    QStringList sets;
    for (const QString &c : values.keys())
        sets << c + QStringLiteral(" = ?");
    QVariantList params = values.values();
    params << key;
    return tryExec(t.db(),
                   QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(table, sets.join(QLatin1Char(',')), keyColumn),
                   params);
}

QVariantMap readRow(TestDatabase &t, const QString &table, const QStringList &columns, const QString &keyColumn,
                    const QVariant &key)
{
    QSqlQuery q(t.db());
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(columns.join(QLatin1Char(',')), table, keyColumn));
    q.addBindValue(key);
    QVariantMap row;
    if (q.exec() && q.next()) {
        for (int i = 0; i < columns.size(); ++i)
            row.insert(columns.at(i), q.value(i));
    }
    return row;
}

bool columnExists(TestDatabase &t, const QString &table, const QString &column)
{
    return t.scalar(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS "
                                   "WHERE RDB$RELATION_NAME = ? AND RDB$FIELD_NAME = ?"),
                    {table, column})
               .toInt() == 1;
}

QString textOrNull(const QVariant &v)
{
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

// One write to a SAMPLE row: an insert, or an update of the row inserted before.
struct SampleWrite
{
    bool insert;
    QVariantMap values;
};

} // namespace

Q_DECLARE_METATYPE(QList<SampleWrite>)

class TestTemplateDatabase : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void opensAsUtf8Dialect3();
    void generatorsStepByOne();
    void upgradeColumns_data();
    void upgradeColumns();
    void keyColumns_data();
    void keyColumns();
    void settingsRowsOfANewStore();
    void legacyStoreHasNoUpdateFlagTrigger();
    void uuidIdentifiesOneRow_data();
    void uuidIdentifiesOneRow();
    void changeMarking_data();
    void changeMarking();
    void templateGroupRowsAndTemplatesNeverShareAnId();
    void localTablesNumberTheirOwnRows();
    void fullReloadReplacesTheSettingsPlaceholder();
    void sampleUpdateFlag_data();
    void sampleUpdateFlag();

private:
    // Shared, read-only copies for the tests that only look at the schema.
    std::unique_ptr<TestDatabase> m_current;
    std::unique_ptr<TestDatabase> m_legacy;
};

void TestTemplateDatabase::initTestCase()
{
    m_current = std::make_unique<TestDatabase>();
    QVERIFY2(m_current->isValid(), qPrintable(m_current->errorText()));
    m_legacy = std::make_unique<TestDatabase>(TestDatabase::legacyTemplatePath());
    QVERIFY2(m_legacy->isValid(), qPrintable(m_legacy->errorText()));
}

void TestTemplateDatabase::cleanupTestCase()
{
    m_current.reset();
    m_legacy.reset();
}

void TestTemplateDatabase::opensAsUtf8Dialect3()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QCOMPARE(t.scalar(QStringLiteral("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE")).toString(),
             QStringLiteral("UTF8"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT MON$SQL_DIALECT FROM MON$DATABASE")).toInt(), 3);
}

void TestTemplateDatabase::generatorsStepByOne()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    for (const char *gen : {"GEN_SAMPLE", "GEN_SAMPLE_TEMPLATE_ID", "GEN_OPTIONAL_LOOKUP_LIST_ID",
                            "GEN_LOOKUP_TABLE_LIST_ID"}) {
        const QString sql = QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(QLatin1String(gen));
        const qint64 a = t.scalar(sql).toLongLong();
        const qint64 b = t.scalar(sql).toLongLong();
        QCOMPARE(b, a + 1);
    }
}

// The columns that the structure upgrade adds to older stores: a new store already has them, with
// the domain the upgrade would use; the legacy fixture lacks them, so the upgrade has work to do.
void TestTemplateDatabase::upgradeColumns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("domain");
    const char *rows[][3] = {
        {"SAMPLE_OFFICER", "IS_SUSPENDED", "D_BOOLEAN_NULL"},
        {"SAMPLE_OFFICER", "AUTO_SUSPEND_DATE", "D_DATE"},
        {"SAMPLE", "CDS_OUTCOMES", "D_TEXT_BLOB"},
        {"LOCAL_AUTH_OFFICE", "LOCAL_AUTH_DEPT__UUID", "D_UUID_STRING"},
        {"SAMPLE_OFFICER", "DATA_SCOPE", "D_CODE"},
        {"SYS_LOCAL_SETTINGS", "USER_EMAIL_ADDRESS", "D_VARCHAR_200"},
        {"SYS_LOCAL_SETTINGS", "USER_LOGIN_PASSWORD", "D_VARCHAR_50"},
        {"SYS_LOCAL_SETTINGS", "USER_IS_SUSPENDED", "D_BOOLEAN_NULL"},
        {"SYS_LOCAL_SETTINGS", "USER_AUTO_SUSPEND_DATE", "D_DATE"},
        {"SYS_LOCAL_SETTINGS", "USER_IS_LOCAL_AUTHORITY_ADMIN", "D_BOOLEAN_NULL"},
        {"SYS_LOCAL_SETTINGS", "USER_ID", "D_ID"},
        {"SYS_LOCAL_SETTINGS", "USER_DATA_SCOPE", "D_CODE"},
        {"SYS_LOCAL_SETTINGS", "REFRESH_AFTER_SCOPE_CHANGE", "D_BOOLEAN"},
    };
    for (const auto &r : rows)
        QTest::addRow("%s.%s", r[0], r[1]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1])
                                           << QString::fromLatin1(r[2]);
}

void TestTemplateDatabase::upgradeColumns()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, domain);

    TestDatabase &current = *m_current;
    QCOMPARE(current.scalar(QStringLiteral("SELECT TRIM(RDB$FIELD_SOURCE) FROM RDB$RELATION_FIELDS "
                                           "WHERE RDB$RELATION_NAME = ? AND RDB$FIELD_NAME = ?"),
                            {table, column})
                 .toString(),
             domain);

    TestDatabase &legacy = *m_legacy;
    QVERIFY(columnExists(legacy, table, QStringLiteral("ID")));
    QVERIFY2(!columnExists(legacy, table, column), "the legacy store must lack the column the upgrade adds");
}

// Tables and columns that other parts of the program reach by name: the change marking and the
// high-water marks of the synchronisation, the lookups, the browsers' status list, the officer
// list's display column and the export bookkeeping.
void TestTemplateDatabase::keyColumns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    for (const QString &table : kSyncedTables) {
        for (const char *c : {"ID", "UPDATE_ID", "IS_SYNCING", "UPDATE_TIMESTAMP"})
            QTest::addRow("%s.%s", qPrintable(table), c) << table << QString::fromLatin1(c);
    }
    const char *rows[][2] = {
        {"SYS_SYNC", "TABLE_NAME"},
        {"SYS_SYNC", "UPDATE_ID"},
        {"SYS_GRID_VIEW", "VIEW_SETTINGS"},
        {"LOOKUP_TABLE_LIST", "DATASET_NAME"},
        {"LOOKUP_TABLE_LIST", "BINARY_CONTENT"},
        {"LOOKUP_TABLE_LIST", "LAST_CHANGE_TIMESTAMP"},
        {"OPTIONAL_LOOKUP_LIST", "LOOKUP_NAME"},
        {"OPTIONAL_LOOKUP_LIST", "TEXT_CONTENT"},
        {"SAMPLE_STATUS", "COLOUR"},
        {"SAMPLE_STATUS", "DISPLAY_SEQUENCE"},
        {"SAMPLE_OFFICER", "NAME_AND_TELEPHONE"},
        {"SAMPLE_OFFICER", "NAME_MAPPINGS"},
        {"SAMPLE_TEMPLATE", "UNIQUE_ID"},
        {"SAMPLE_TEMPLATE", "PARENT_ID"},
        {"SAMPLE_TEMPLATE", "UPDATE_PREMISES_FROM_LOOKUP"},
        {"SAMPLE", "EXPORT_BATCH__UNIQUE_ID"},
        {"SAMPLE", "CDS_LABORATORY_RESULTS"},
        {"EXPORT_BATCH", "UNIQUE_ID"},
        {"EXPORT_BATCH", "SAMPLING_OFFICER_NAMES"},
        {"CANCELLED_SAMPLE", "SAMPLE__CODE"},
        {"OUTCOME", "SAMPLE__CODE"},
        {"LOCAL_AUTH_DEPT", "UNIQUE_UUID"},
        {"SYS_TRANSLATION", "FROM_VALUE"},
        {"PREMISES_DETAIL_ANIMAL_FEED", "REGISTRATION_NUMBER"},
        {"SYS_COMPANY", "USEWW3XMLDATES"},
        {"SYS_COMPANY", "LOCAL_LABORATORIES"},
        {"SYS_LOCAL_SETTINGS", "INSTALLATION_CODE"},
        {"SYS_LOCAL_SETTINGS", "LOCAL_AUTHORITY__CODE"},
    };
    for (const auto &r : rows)
        QTest::addRow("%s.%s", r[0], r[1]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]);
}

void TestTemplateDatabase::keyColumns()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QVERIFY2(columnExists(*m_current, table, column), qPrintable(table + QLatin1Char('.') + column + " is missing"));
}

// A new store: one settings row of each kind, not numbered, nothing to upload, every table due
// for a full download, and the statuses the browsers list.
void TestTemplateDatabase::settingsRowsOfANewStore()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));

    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_COMPANY")).toInt(), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_LOCAL_SETTINGS")).toInt(), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT COALESCE(INSTALLATION_CODE, '') FROM SYS_LOCAL_SETTINGS")).toString(),
             QString());
    QVERIFY(t.scalar(QStringLiteral("SELECT REFRESH_AFTER_SCOPE_CHANGE FROM SYS_LOCAL_SETTINGS")).isNull());

    // The authority row is a placeholder that looks downloaded: not a pending local change.
    const QVariantMap company = readRow(t, QStringLiteral("SYS_COMPANY"),
                                        {QStringLiteral("UPDATE_ID"), QStringLiteral("IS_SYNCING")},
                                        QStringLiteral("ID"), 0);
    QVERIFY2(!company.isEmpty(), "the authority row carries the placeholder id 0");
    QCOMPARE(company.value(QStringLiteral("UPDATE_ID")).toLongLong(), 0);
    QVERIFY(company.value(QStringLiteral("IS_SYNCING")).isNull());
    for (const QString &table : kSyncedTables) {
        QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE UPDATE_ID < 0").arg(table)).toInt(), 0);
    }
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_SYNC")).toInt(), 0);

    QSqlQuery q(t.db());
    QVERIFY(q.exec(QStringLiteral("SELECT TRIM(CODE) FROM SAMPLE_STATUS ORDER BY DISPLAY_SEQUENCE")));
    QStringList codes;
    while (q.next())
        codes << q.value(0).toString();
    QCOMPARE(codes, (QStringList{QStringLiteral("ENTERED"), QStringLiteral("VALIDATED"), QStringLiteral("IMPORTED"),
                                 QStringLiteral("EXPORTED"), QStringLiteral("COMPLETE"), QStringLiteral("CANCELLED"),
                                 QStringLiteral("DELETED")}));
}

void TestTemplateDatabase::legacyStoreHasNoUpdateFlagTrigger()
{
    const QString sql = QStringLiteral("SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = ?");
    TestDatabase &current = *m_current;
    QVERIFY(current.scalar(sql, {QStringLiteral("SAMPLE_SET_UPDATE_FLAG")}).toString().contains(
        QLatin1String("/* Version 4 */")));

    TestDatabase &legacy = *m_legacy;
    QVERIFY(legacy.scalar(sql, {QStringLiteral("SAMPLE_SET_UPDATE_FLAG")}).isNull());
    // The rest of the change marking is untouched in old stores.
    QVERIFY(!legacy.scalar(sql, {QStringLiteral("SAMPLE_SYNC")}).isNull());
}

// UNIQUE_UUID is a row's identity between server and client: a second row with the same one is
// refused instead of silently doubling the row.
void TestTemplateDatabase::uuidIdentifiesOneRow_data()
{
    QTest::addColumn<QString>("table");
    for (const QString &table : kSyncedTables) {
        if (requiredValues(table, 1).contains(QStringLiteral("UNIQUE_UUID")))
            QTest::newRow(qPrintable(table)) << table;
    }
    QTest::newRow("LOCAL_AUTH_DEPT") << QStringLiteral("LOCAL_AUTH_DEPT");
}

void TestTemplateDatabase::uuidIdentifiesOneRow()
{
    QFETCH(QString, table);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QVariantMap first = requiredValues(table, 1);
    first.insert(QStringLiteral("UNIQUE_UUID"), QStringLiteral("A2C9F3B0-1111-2222-3333-444455556666"));
    QVariantMap second = requiredValues(table, 2);
    second.insert(QStringLiteral("UNIQUE_UUID"), first.value(QStringLiteral("UNIQUE_UUID")));
    const SqlResult a = insertRow(t, table, first);
    QVERIFY2(a.ok, qPrintable(a.error));
    QVERIFY2(!insertRow(t, table, second).ok, "a second row with the same UNIQUE_UUID was accepted");
}

// The change marking of every synchronised table, as the synchronisation relies on it.
void TestTemplateDatabase::changeMarking_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("scenario");
    for (const QString &table : kSyncedTables) {
        for (const char *s : {"local insert", "local update of a server row", "insert by sync",
                              "update by sync", "local write with IS_SYNCING F"})
            QTest::addRow("%s: %s", qPrintable(table), s) << table << QString::fromLatin1(s);
    }
}

namespace {

// The scenarios of changeMarking, one each, on an empty table.

const QStringList MarkedColumns{QStringLiteral("ID"), QStringLiteral("UPDATE_ID"), QStringLiteral("IS_SYNCING"),
                                QStringLiteral("UPDATE_TIMESTAMP")};
const QString IdColumn = QStringLiteral("ID");
const QString SyncingColumn = QStringLiteral("IS_SYNCING");
const QString UpdateIdColumn = QStringLiteral("UPDATE_ID");

QString errorOf(const SqlResult &r)
{
    return r.ok ? QString() : r.error;
}

// A row as the synchronisation writes it: the server's id and update id, IS_SYNCING set.
SqlResult insertServerRow(TestDatabase &t, const QString &table, qint64 id, qint64 updateId)
{
    QVariantMap server = requiredValues(table, 1);
    server.insert(IdColumn, id);
    server.insert(UpdateIdColumn, updateId);
    server.insert(SyncingColumn, QStringLiteral("T"));
    return insertRow(t, table, server);
}

// Local inserts get negative ids and update ids; with IS_SYNCING F (cleared) a later local
// write renumbers the update ids below the earlier ones.
void localInsertMarking(TestDatabase &t, const QString &table, bool clearedSyncing)
{
    QVariantMap v1 = requiredValues(table, 1);
    QVariantMap v2 = requiredValues(table, 2);
    if (clearedSyncing) {
        v1.insert(SyncingColumn, QStringLiteral("F"));
        v2.insert(SyncingColumn, QStringLiteral("F"));
    }
    QCOMPARE(errorOf(insertRow(t, table, v1)), QString());
    QCOMPARE(errorOf(insertRow(t, table, v2)), QString());
    QSqlQuery q(t.db());
    QVERIFY(q.exec(QStringLiteral("SELECT ID, UPDATE_ID, UPDATE_TIMESTAMP FROM %1 ORDER BY ID DESC").arg(table)));
    QList<qint64> ids;
    while (q.next()) {
        const qint64 rowId = q.value(0).toLongLong();
        QVERIFY2(rowId < 0, "a local row must get a negative id");
        QCOMPARE(q.value(1).toLongLong(), rowId);
        QVERIFY(!q.value(2).isNull());
        ids << rowId;
    }
    QCOMPARE(ids.size(), 2);
    QVERIFY(ids.at(0) != ids.at(1));
    if (clearedSyncing) {
        // Updated again as a local change: same ids, new update ids below the earlier ones.
        QCOMPARE(errorOf(tryExec(t.db(), QStringLiteral("UPDATE %1 SET IS_SYNCING = ?").arg(table),
                               {QStringLiteral("F")})),
                 QString());
        for (qint64 rowId : ids) {
            const QVariantMap row = readRow(t, table, MarkedColumns, IdColumn, rowId);
            QVERIFY2(!row.isEmpty(), "a local row must keep its id");
            QVERIFY(row.value(UpdateIdColumn).toLongLong() < qMin(ids.at(0), ids.at(1)));
        }
    }
}

// Each local change of a server row gets a new, lower, negative update id.
void localUpdateOfServerRow(TestDatabase &t, const QString &table)
{
    QCOMPARE(errorOf(insertServerRow(t, table, 1000, 50)), QString());
    QVariantMap row = readRow(t, table, MarkedColumns, IdColumn, 1000);
    QCOMPARE(row.value(UpdateIdColumn).toLongLong(), 50);

    qint64 previous = 0;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(errorOf(updateRow(t, table, {{QStringLiteral("UPDATE_TIMESTAMP"), QVariant()}}, IdColumn, 1000)),
                 QString());
        row = readRow(t, table, MarkedColumns, IdColumn, 1000);
        QVERIFY2(!row.isEmpty(), "the server row must keep its id");
        const qint64 u = row.value(UpdateIdColumn).toLongLong();
        QVERIFY2(u < 0, "a local change must wait for upload with a negative update id");
        if (i > 0)
            QVERIFY2(u < previous, "each local change must get a new, lower update id");
        previous = u;
        QVERIFY(row.value(SyncingColumn).isNull());
        QVERIFY(!row.value(QStringLiteral("UPDATE_TIMESTAMP")).isNull());
    }
}

// A row written by the synchronisation keeps its server update id.
void insertBySync(TestDatabase &t, const QString &table)
{
    QCOMPARE(errorOf(insertServerRow(t, table, 2000, 77)), QString());
    const QVariantMap row = readRow(t, table, MarkedColumns, IdColumn, 2000);
    QCOMPARE(row.value(UpdateIdColumn).toLongLong(), 77);
    QVERIFY2(row.value(SyncingColumn).isNull(), "IS_SYNCING must be cleared after the write");
}

// A local row renumbered by the upload, then updated by a download.
void updateBySync(TestDatabase &t, const QString &table)
{
    // A local change that the upload renumbers with ids from the server's block.
    QCOMPARE(errorOf(insertRow(t, table, requiredValues(table, 1))), QString());
    const qint64 localId = t.scalar(QStringLiteral("SELECT MIN(ID) FROM %1").arg(table)).toLongLong();
    QVERIFY(localId < 0);
    QCOMPARE(errorOf(updateRow(t, table,
                             {{IdColumn, 3000}, {UpdateIdColumn, 3000}, {SyncingColumn, QStringLiteral("T")}}, IdColumn, localId)),
             QString());
    QVariantMap row = readRow(t, table, MarkedColumns, IdColumn, 3000);
    QCOMPARE(row.value(UpdateIdColumn).toLongLong(), 3000);
    QVERIFY(row.value(SyncingColumn).isNull());
    // A later download of a newer server version of the row keeps the server's update id.
    QCOMPARE(errorOf(updateRow(t, table, {{UpdateIdColumn, 3500}, {SyncingColumn, QStringLiteral("T")}}, IdColumn, 3000)),
             QString());
    row = readRow(t, table, MarkedColumns, IdColumn, 3000);
    QCOMPARE(row.value(UpdateIdColumn).toLongLong(), 3500);
    QVERIFY(row.value(SyncingColumn).isNull());
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE UPDATE_ID < 0").arg(table)).toInt(), 0);
}

} // namespace

void TestTemplateDatabase::changeMarking()
{
    QFETCH(QString, table);
    QFETCH(QString, scenario);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    // Start from an empty table (SYS_COMPANY has its placeholder row).
    QVERIFY(tryExec(t.db(), QStringLiteral("DELETE FROM %1").arg(table)).ok);

    if (scenario == QLatin1String("local insert"))
        localInsertMarking(t, table, false);
    else if (scenario == QLatin1String("local write with IS_SYNCING F"))
        localInsertMarking(t, table, true);
    else if (scenario == QLatin1String("local update of a server row"))
        localUpdateOfServerRow(t, table);
    else if (scenario == QLatin1String("insert by sync"))
        insertBySync(t, table);
    else if (scenario == QLatin1String("update by sync"))
        updateBySync(t, table);
    else
        QFAIL("unknown scenario");
}

// Template group rows take ID = -g with g from GEN_SAMPLE_TEMPLATE_ID; the negative ids that the
// change marking gives new templates must never meet them, however many edits (which use up
// change-marking values) happen in between.
void TestTemplateDatabase::templateGroupRowsAndTemplatesNeverShareAnId()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString table = QStringLiteral("SAMPLE_TEMPLATE");
    const QString nextId = QStringLiteral("SELECT NEXT VALUE FOR GEN_SAMPLE_TEMPLATE_ID FROM RDB$DATABASE");

    auto newTemplate = [&](const QString &uuid) {
        return insertRow(t, table,
                         {{QStringLiteral("UNIQUE_ID"), t.scalar(nextId)},
                          {QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD")},
                          {QStringLiteral("UNIQUE_UUID"), uuid}});
    };
    SqlResult r = newTemplate(QStringLiteral("TEMPLATE-1"));
    QVERIFY2(r.ok, qPrintable(r.error));
    for (int i = 0; i < 3; ++i) {
        r = updateRow(t, table, {{QStringLiteral("TEMPLATE_DESCRIPTION"), QStringLiteral("edit %1").arg(i)}},
                      QStringLiteral("UNIQUE_UUID"), QStringLiteral("TEMPLATE-1"));
        QVERIFY2(r.ok, qPrintable(r.error));
    }
    r = newTemplate(QStringLiteral("TEMPLATE-2"));
    QVERIFY2(r.ok, qPrintable(r.error));

    for (int i = 0; i < 6; ++i) {
        const qint64 g = t.scalar(nextId).toLongLong();
        r = insertRow(t, table,
                      {{QStringLiteral("ID"), -g},
                       {QStringLiteral("UPDATE_ID"), -g},
                       {QStringLiteral("UNIQUE_ID"), g},
                       {QStringLiteral("PARENT_ID"), -1},
                       {QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD")},
                       {QStringLiteral("UNIQUE_UUID"), QStringLiteral("GROUP-%1").arg(i)}});
        QVERIFY2(r.ok, qPrintable(QStringLiteral("group %1: ").arg(i) + r.error));
    }
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE_TEMPLATE WHERE ID < 0 AND UPDATE_ID < 0")).toInt(), 8);
}

// Local-only tables whose writers give no id: the high-water marks (written by
// UPDATE OR INSERT ... MATCHING (TABLE_NAME)), grid layouts, departments and the export bookkeeping.
void TestTemplateDatabase::localTablesNumberTheirOwnRows()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString mark = QStringLiteral("UPDATE OR INSERT INTO SYS_SYNC (TABLE_NAME, UPDATE_ID) VALUES (?, ?) "
                                        "MATCHING (TABLE_NAME)");
    QVERIFY(tryExec(t.db(), mark, {QStringLiteral("sample"), 10}).ok);
    QVERIFY(tryExec(t.db(), mark, {QStringLiteral("sample"), 25}).ok);
    QVERIFY(tryExec(t.db(), mark, {QStringLiteral("sys_company"), 3}).ok);
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_SYNC")).toInt(), 2);
    QCOMPARE(t.scalar(QStringLiteral("SELECT UPDATE_ID FROM SYS_SYNC WHERE TABLE_NAME = ?"), {QStringLiteral("sample")})
                 .toLongLong(),
             25);
    // Resetting every mark to 0 (after a change of scope) asks for full downloads again.
    QVERIFY(tryExec(t.db(), QStringLiteral("UPDATE SYS_SYNC SET UPDATE_ID = 0")).ok);
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_SYNC WHERE UPDATE_ID = 0")).toInt(), 2);

    // Two rows each, written without ID.
    const struct
    {
        const char *table;
        QString column;
        QVariant first, second;
    } inserts[] = {
        {"SYS_GRID_VIEW", QStringLiteral("APPLICATION_NAME"), QStringLiteral("VRXNet"), QStringLiteral("VRXNet")},
        {"LOCAL_AUTH_DEPT", QStringLiteral("UNIQUE_UUID"), QStringLiteral("D1"), QStringLiteral("D2")},
        {"CANCELLED_SAMPLE", QStringLiteral("SAMPLE__CODE"), QStringLiteral("LA0010042"), QStringLiteral("LA0010042")},
        {"EXPORT_BATCH", QStringLiteral("UNIQUE_ID"), 7, 8},
        {"OUTCOME", QStringLiteral("SAMPLE__CODE"), QStringLiteral("LA0010042"), QStringLiteral("LA0010042")},
    };
    for (const auto &ins : inserts) {
        const QString table = QString::fromLatin1(ins.table);
        for (const QVariant &value : {ins.first, ins.second}) {
            const SqlResult r = insertRow(t, table, {{ins.column, value}});
            QVERIFY2(r.ok, qPrintable(table + QLatin1String(": ") + r.error));
        }
        QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 2);
    }
}

// The first download of the authority's settings is a full reload: every local row goes and the
// server's row comes in with its own ids, leaving exactly one row.
void TestTemplateDatabase::fullReloadReplacesTheSettingsPlaceholder()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QVERIFY(tryExec(t.db(), QStringLiteral("DELETE FROM SYS_COMPANY")).ok);
    const SqlResult r = insertRow(t, QStringLiteral("SYS_COMPANY"),
                                  {{QStringLiteral("ID"), 42},
                                   {QStringLiteral("UPDATE_ID"), 900},
                                   {QStringLiteral("IS_SYNCING"), QStringLiteral("T")},
                                   {QStringLiteral("LOCAL_AUTHORITY_NAME"), QStringLiteral("Demo Borough Council")}});
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(t.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_COMPANY")).toInt(), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT UPDATE_ID FROM SYS_COMPANY WHERE ID = 42")).toLongLong(), 900);

    // Editing the settings afterwards makes the row a pending change under its server id.
    QVERIFY(updateRow(t, QStringLiteral("SYS_COMPANY"), {{QStringLiteral("FLAG_KEEP_ALIVE"), QStringLiteral("T")}},
                      QStringLiteral("ID"), 42)
                .ok);
    QVERIFY(t.scalar(QStringLiteral("SELECT UPDATE_ID FROM SYS_COMPANY WHERE ID = 42")).toLongLong() < 0);
}

// The export flags of a sample. Each row is a series of writes to one sample; update rows write
// the sample inserted first. Rows whose first write is an update start from a downloaded sample
// (written with IS_SYNCING 'T', flags as given, so no flag is touched).
void TestTemplateDatabase::sampleUpdateFlag_data()
{
    QTest::addColumn<QList<SampleWrite>>("writes");
    QTest::addColumn<QString>("updatedSinceExport");
    QTest::addColumn<QString>("resetFlag");
    QTest::addColumn<QString>("returnedFromLab");

    const QString upd = QStringLiteral("FLAG_UPDATED_SINCE_EXPORT");
    const QString reset = QStringLiteral("FLAG_RESET_EXPORT_UPDATE_FLAG");
    const QString lab = QStringLiteral("FLAG_RETURNED_FROM_LAB");
    const QString sync = QStringLiteral("IS_SYNCING");
    const QString T = QStringLiteral("T");
    const QString F = QStringLiteral("F");
    const QVariant null;
    const QString comments = QStringLiteral("SAMPLE_COMMENTS");
    const QString nul = QStringLiteral("<null>");

    // A downloaded sample: nothing marked, returned flag empty, reset flag left at 'F'.
    const SampleWrite downloaded{true, {{sync, T}, {upd, F}, {lab, null}, {reset, F}, {QStringLiteral("ID"), 500},
                                        {QStringLiteral("UPDATE_ID"), 60}}};

    QTest::newRow("ordinary insert") << QList<SampleWrite>{{true, {{upd, F}, {lab, null}, {reset, F}}}} << T << F << F;
    QTest::newRow("insert with null reset flag counts as F")
        << QList<SampleWrite>{{true, {{upd, F}, {lab, null}, {reset, null}}}} << T << F << F;
    QTest::newRow("insert without any flag") << QList<SampleWrite>{{true, {}}} << T << F << F;
    QTest::newRow("ordinary update")
        << QList<SampleWrite>{downloaded, {false, {{comments, QStringLiteral("changed")}}}} << T << F << F;
    QTest::newRow("update with reset flag T keeps the mark as written")
        << QList<SampleWrite>{downloaded, {false, {{upd, F}, {reset, T}}}} << F << F << F;
    QTest::newRow("the save after a reset marks again")
        << QList<SampleWrite>{downloaded,
                              {false, {{upd, F}, {reset, T}}},
                              {false, {{comments, QStringLiteral("changed")}}}}
        << T << F << F;
    QTest::newRow("update with null reset flag counts as F")
        << QList<SampleWrite>{downloaded, {false, {{upd, F}, {reset, null}}}} << T << F << F;
    QTest::newRow("returned flag set by the lab stays")
        << QList<SampleWrite>{{true, {{lab, T}}}, {false, {{comments, QStringLiteral("x")}}}} << T << F << T;
    QTest::newRow("insert by sync keeps every flag")
        << QList<SampleWrite>{{true, {{sync, T}, {upd, F}, {lab, null}, {reset, T}, {QStringLiteral("ID"), 501},
                                      {QStringLiteral("UPDATE_ID"), 61}}}}
        << F << T << nul;
    QTest::newRow("update by sync keeps every flag")
        << QList<SampleWrite>{downloaded, {false, {{sync, T}, {upd, F}, {lab, null}, {reset, T}}}} << F << T << nul;
    QTest::newRow("local save after a sync write marks the sample")
        << QList<SampleWrite>{downloaded, {false, {{sync, T}, {upd, F}}}, {false, {{comments, QStringLiteral("x")}}}}
        << T << F << F;
}

void TestTemplateDatabase::sampleUpdateFlag()
{
    QFETCH(QList<SampleWrite>, writes);
    QFETCH(QString, updatedSinceExport);
    QFETCH(QString, resetFlag);
    QFETCH(QString, returnedFromLab);

    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString uuid = QStringLiteral("5E1D6C1A-7B7B-4C4C-9D9D-0123456789AB");
    for (const SampleWrite &w : writes) {
        QVariantMap values = w.values;
        SqlResult r;
        if (w.insert) {
            values.insert(QStringLiteral("UNIQUE_UUID"), uuid);
            values.insert(QStringLiteral("CODE"), QStringLiteral("LA0010001"));
            r = insertRow(t, QStringLiteral("SAMPLE"), values);
        } else {
            r = updateRow(t, QStringLiteral("SAMPLE"), values, QStringLiteral("UNIQUE_UUID"), uuid);
        }
        QVERIFY2(r.ok, qPrintable(r.error));
    }
    const QVariantMap row = readRow(t, QStringLiteral("SAMPLE"),
                                    {QStringLiteral("FLAG_UPDATED_SINCE_EXPORT"),
                                     QStringLiteral("FLAG_RESET_EXPORT_UPDATE_FLAG"),
                                     QStringLiteral("FLAG_RETURNED_FROM_LAB")},
                                    QStringLiteral("UNIQUE_UUID"), uuid);
    QCOMPARE(textOrNull(row.value(QStringLiteral("FLAG_UPDATED_SINCE_EXPORT"))), updatedSinceExport);
    QCOMPARE(textOrNull(row.value(QStringLiteral("FLAG_RESET_EXPORT_UPDATE_FLAG"))), resetFlag);
    QCOMPARE(textOrNull(row.value(QStringLiteral("FLAG_RETURNED_FROM_LAB"))), returnedFromLab);
}

QTEST_GUILESS_MAIN(TestTemplateDatabase)
#include "tst_templatedatabase.moc"
