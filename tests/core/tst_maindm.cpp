#include "base/Clock.h"
#include "store/DatabaseUpdate_DM.h"
#include "core/Main_DM.h"
#include "store/SqlUtil.h"
#include "support/TestDatabase.h"
#include "base/VarnexError.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>

namespace {
struct FakeStore : IInitialisationInfo
{
    QString path;
    QString DBServerName() const override { return {}; }
    QString DBDatapath() const override { return path; }
    QString DBUserName() const override { return QStringLiteral("SYSDBA"); }
    QString DBPassword() const override { return {}; }
    QString DBProtocol() const override { return QStringLiteral("local"); }
    bool DBIsActivated() const override { return false; }
};

// Every column of the store's own tables as "TABLE.COLUMN DOMAIN" (columns typed in place, whose
// generated domain names differ from store to store, without the domain).
QSet<QString> structureOf(const QSqlDatabase &db)
{
    QSet<QString> columns;
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT TRIM(f.RDB$RELATION_NAME), TRIM(f.RDB$FIELD_NAME), TRIM(f.RDB$FIELD_SOURCE) "
                                                   "FROM RDB$RELATION_FIELDS f JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = f.RDB$RELATION_NAME "
                                                   "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0"));
    while (q.next()) {
        const QString domain = q.value(2).toString();
        columns.insert(q.value(0).toString() + QLatin1Char('.') + q.value(1).toString()
                       + (domain.startsWith(QLatin1String("RDB$")) ? QString() : QLatin1Char(' ') + domain));
    }
    return columns;
}
} // namespace

class TestMaindm : public QObject
{
    Q_OBJECT
private slots:
    void beforeLoginStoreValuesAreEmpty();
    void failedConnectReportsAndStillSetsRunMode();
    void settingsAreReadAfreshEachTime();
    void coloursOfZeroOrNullAreWhite();
    void dataScopeFromText_data();
    void dataScopeFromText();
    void batchLoginLooksAtEveryLiveOfficerRow_data();
    void batchLoginLooksAtEveryLiveOfficerRow();

    void upgradeAddsMissingColumnsOnce();
    void upgradeOfCurrentStoreChangesNothing();
    void upgradedTriggerMarksSamplesChanged();

private:
    struct Session
    {
        TestDatabase store;
        FakeStore info;
        TMaindm dm;
        explicit Session(const QString &source = TestDatabase::templatePath()) : store(source)
        {
            info.path = store.path();
            dm.InitialisationDm = &info;
        }
    };
};

void TestMaindm::beforeLoginStoreValuesAreEmpty()
{
    TMaindm dm;
    QVERIFY(dm.DBDatapath().isEmpty());
    QVERIFY(!dm.DBIsActivated());
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm.ConnectToUserDatabase(QStringLiteral("a@b.c")));
}

void TestMaindm::failedConnectReportsAndStillSetsRunMode()
{
    TMaindm dm;
    FakeStore info;
    info.path = QStringLiteral("/nonexistent/folder/store.fdb");
    dm.InitialisationDm = &info;
    QString message;
    try {
        dm.ConnectToUserDatabase(QStringLiteral("officer@example.org"));
    } catch (const VarnexError &e) {
        message = e.message();
    }
    QCOMPARE(dm.RunMode(), QStringLiteral(": for user officer@example.org"));
    QVERIFY2(message.startsWith(QStringLiteral("Unable to open connection to database. Error message:\r\n\r\n")),
             qPrintable(message));
    QVERIFY(message.size() > 60); // the database's own cause follows
}

void TestMaindm::settingsAreReadAfreshEachTime()
{
    Session s;
    s.dm.ConnectToUserDatabase(QStringLiteral("x@y.z"));
    const QSqlDatabase db = s.dm.ibConnection();
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_COMPANY SET LABORATORY__CODE_CHEM = ?, ANALYSIS_TYPE = ?"),
                  {QStringLiteral("L1"), QStringLiteral("M")});
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = ?, INSTALLATION_CODE = ?"),
                  {QStringLiteral("AB"), QStringLiteral("012")});
    QCOMPARE(s.dm.LaboratoryCodeChemical(), QStringLiteral("L1"));
    QCOMPARE(s.dm.LocalAuthorityCode(), QStringLiteral("AB"));
    QCOMPARE(s.dm.InstallationId(), QStringLiteral("012"));
    QCOMPARE(s.dm.AnalysisType(), QStringLiteral("M"));
    QCOMPARE(s.dm.AFAnalysisType(), QStringLiteral("C"));
    const QString code = s.dm.GetNewSampleCode();
    QVERIFY2(QRegularExpression(QStringLiteral("^AB012\\d{4,}$")).match(code).hasMatch(), qPrintable(code));
    QVERIFY(s.dm.GetNewSampleCode() != code);

    // A change made through another connection (as synchronisation does) is seen at once.
    QSqlDatabase other = s.store.openExtraConnection(QStringLiteral("sync"));
    QVERIFY(other.isOpen());
    SqlUtil::exec(other, QStringLiteral("UPDATE SYS_COMPANY SET LABORATORY__CODE_CHEM = ?"), {QStringLiteral("L2")});
    QCOMPARE(s.dm.LaboratoryCodeChemical(), QStringLiteral("L2"));
}

void TestMaindm::coloursOfZeroOrNullAreWhite()
{
    Session s;
    s.dm.ConnectToUserDatabase(QStringLiteral("x@y.z"));
    const QSqlDatabase db = s.dm.ibConnection();
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_COMPANY SET EDITING_COLOR = 0, EDITING_ACTIVE_COLOR = NULL, "
                                     "INSERTING_COLOR = 255"));
    QCOMPARE(s.dm.EditingColor(), 16777215);
    QCOMPARE(s.dm.EditingActiveColor(), 16777215);
    QCOMPARE(s.dm.InsertingColor(), 255);
}

void TestMaindm::dataScopeFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scope");
    QTest::newRow("empty") << QString() << int(TDataScope::office);
    QTest::newRow("office") << QStringLiteral("office") << int(TDataScope::office);
    QTest::newRow("department") << QStringLiteral("department") << int(TDataScope::department);
    QTest::newRow("authority") << QStringLiteral("authority") << int(TDataScope::authority);
    QTest::newRow("capitalised") << QStringLiteral("Authority") << int(TDataScope::office);
    QTest::newRow("padded") << QStringLiteral("authority ") << int(TDataScope::office);
}

void TestMaindm::dataScopeFromText()
{
    QFETCH(QString, text);
    QFETCH(int, scope);
    QCOMPARE(int(TMaindm::dataScopeFromText(text)), scope);
}

void TestMaindm::batchLoginLooksAtEveryLiveOfficerRow_data()
{
    // Officer rows of the address in the order they were stored: "D" deleted, "S" suspended,
    // "P" own suspension date passed, "-" an active row.
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("refused");
    QTest::newRow("suspended row after a deleted one") << QStringList{"D", "S"} << true;
    QTest::newRow("old deleted row suspended, live row active") << QStringList{"DS", "-"} << false;
    QTest::newRow("own suspension date of the row passed") << QStringList{"P"} << true;
    QTest::newRow("active rows only") << QStringList{"-", "D"} << false;
}

// An address may have several officer rows (an officer moved to another office keeps the address);
// the deleted ones are no longer the account, and any live one that is suspended refuses.
void TestMaindm::batchLoginLooksAtEveryLiveOfficerRow()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, refused);
    FixedClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    ScopedClock useClock(&clock);
    Session s;
    s.dm.ConnectToUserDatabase(QStringLiteral("o@x.org"));
    const QSqlDatabase db = s.dm.ibConnection();
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_ID = 42"));
    int n = 0;
    for (const QString &row : rows) {
        ++n;
        SqlUtil::exec(db, QStringLiteral("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, EMAIL_ADDRESS, FLAG_DELETED, "
                                         "IS_SUSPENDED, AUTO_SUSPEND_DATE) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                      {QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964F%1").arg(n), QStringLiteral("O%1").arg(n),
                       QStringLiteral("Officer One"), QStringLiteral("o@x.org"),
                       row.contains(QLatin1Char('D')) ? QStringLiteral("T") : QStringLiteral("F"),
                       row.contains(QLatin1Char('S')) ? QStringLiteral("T") : QStringLiteral("F"),
                       row.contains(QLatin1Char('P')) ? QVariant(QDate(2026, 12, 1)) : QVariant(QMetaType(QMetaType::QDate))});
    }
    bool wasRefused = false;
    try {
        s.dm.Login(QStringLiteral("o@x.org"), QStringLiteral("ignored"));
    } catch (const VarnexError &) {
        wasRefused = true;
    }
    QCOMPARE(wasRefused, refused);
    QCOMPARE(s.dm.UserIsSuspended, refused);
    QCOMPARE(s.dm.UserID, qint64(42));
    // The suspension is worked out, never written back into the synchronised officer rows.
    QCOMPARE(SqlUtil::scalar(db, QStringLiteral("SELECT COUNT(*) FROM SAMPLE_OFFICER WHERE IS_SUSPENDED = 'T'")).toInt(),
             int(std::count_if(rows.cbegin(), rows.cend(), [](const QString &r) { return r.contains(QLatin1Char('S')); })));
}

void TestMaindm::upgradeAddsMissingColumnsOnce()
{
    Session s(TestDatabase::legacyTemplatePath());
    QVERIFY2(s.store.isValid(), qPrintable(s.store.errorText()));
    s.dm.ConnectToUserDatabase(QStringLiteral("x@y.z"));
    const QSqlDatabase db = s.dm.ibConnection();
    TestDatabase current;
    const QSet<QString> wanted = structureOf(current.db());
    QVERIFY(structureOf(db) != wanted);

    // The upgrade brings a store of an older version to the structure of a new one.
    s.dm.CheckDBStructure();
    const QSet<QString> upgraded = structureOf(db);
    QVERIFY2(upgraded == wanted, qPrintable(QStringLiteral("missing: %1; extra: %2")
                                                .arg(QStringList((wanted - upgraded).values()).join(QLatin1String(", ")),
                                                     QStringList((upgraded - wanted).values()).join(QLatin1String(", ")))));
    // The settings row is still there and the new columns can be used at once.
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_LOGIN_PASSWORD = ?"), {QStringLiteral("pw")});
    QCOMPARE(s.dm.UserLoginPassword(), QStringLiteral("pw"));

    // The procedures are the template's: the export moves only the samples its packet listed.
    QVERIFY(SqlUtil::scalar(db, QStringLiteral("SELECT RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES "
                                               "WHERE RDB$PROCEDURE_NAME = 'SAMPLE_RUN_EXPORT_R1'"))
                .toString()
                .contains(QStringLiteral("EXPORT_PACKET_SAMPLE")));

    TDatabaseUpdateDM again(db);
    again.UpdateStructure();
    QCOMPARE(again.changesMade(), 0);
}

void TestMaindm::upgradeOfCurrentStoreChangesNothing()
{
    Session s;
    s.dm.ConnectToUserDatabase(QStringLiteral("x@y.z"));
    // Another connection holding the sample table must not make the login's upgrade fail.
    QSqlDatabase other = s.store.openExtraConnection(QStringLiteral("busy"));
    QVERIFY(other.transaction());
    QSqlQuery busy(other);
    QVERIFY(busy.exec(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")));
    TDatabaseUpdateDM update(s.dm.ibConnection());
    update.UpdateStructure();
    QCOMPARE(update.changesMade(), 0);
    other.rollback();
}

void TestMaindm::upgradedTriggerMarksSamplesChanged()
{
    Session s(TestDatabase::legacyTemplatePath());
    s.dm.ConnectToUserDatabase(QStringLiteral("x@y.z"));
    s.dm.CheckDBStructure();
    const QSqlDatabase db = s.dm.ibConnection();
    SqlUtil::exec(db, QStringLiteral("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, RECORD_TYPE) VALUES (?, ?, ?)"),
                  {QStringLiteral("11111111-2222-3333-4444-555555555555"), QStringLiteral("AB0010001"), QStringLiteral("FOOD")});
    QCOMPARE(SqlUtil::scalar(db, QStringLiteral("SELECT FLAG_UPDATED_SINCE_EXPORT FROM SAMPLE")).toString(),
             QStringLiteral("T"));
    QCOMPARE(SqlUtil::scalar(db, QStringLiteral("SELECT FLAG_RETURNED_FROM_LAB FROM SAMPLE")).toString(),
             QStringLiteral("F"));
}

QTEST_GUILESS_MAIN(TestMaindm)
#include "tst_maindm.moc"
