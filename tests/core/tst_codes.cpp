#include "base/VarnexError.h"
#include "core/SampleCodes.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

class TestCodes : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void givenNumberNeedsNoDatabase();
    void generatorNumbers_data();
    void generatorNumbers();
    void generatorFailure();
    void uuidShape();
    void delimitedText_data();
    void delimitedText();
    void officerCode_data();
    void officerCode();
    void officerCodeFailure();
};

void TestCodes::format_data()
{
    QTest::addColumn<QString>("authority");
    QTest::addColumn<QString>("installation");
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("code");

    QTest::newRow("padded") << "AB" << "12" << qint64(7) << "AB120007";
    QTest::newRow("four digits") << "AB" << "12" << qint64(1234) << "AB121234";
    QTest::newRow("beyond four digits") << "AB" << "12" << qint64(12345) << "AB1212345";
    QTest::newRow("beyond 32 bits") << "AB" << "12" << qint64(4294967296LL) << "AB124294967296";
    QTest::newRow("negative") << "AB" << "12" << qint64(-5) << "AB12-0005";
    QTest::newRow("codes missing") << "" << "" << qint64(42) << "0042";
}

void TestCodes::format()
{
    QFETCH(QString, authority);
    QFETCH(QString, installation);
    QFETCH(qint64, number);
    QTEST(formatSampleCode(authority, installation, number), "code");
}

void TestCodes::givenNumberNeedsNoDatabase()
{
    QCOMPARE(GetNewSampleCode("AB", "12", 99, QSqlDatabase()), QString("AB120099"));
}

void TestCodes::generatorNumbers_data()
{
    QTest::addColumn<qint64>("restartAt");
    QTest::addColumn<QStringList>("codes");

    // RESTART WITH n makes the next value n + 1.
    QTest::newRow("small") << qint64(6) << QStringList{"AB120007", "AB120008"};
    QTest::newRow("over four digits") << qint64(12344) << QStringList{"AB1212345", "AB1212346"};
    QTest::newRow("across 9999") << qint64(9998) << QStringList{"AB129999", "AB1210000"};
}

void TestCodes::generatorNumbers()
{
    QFETCH(qint64, restartAt);
    QFETCH(QStringList, codes);
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    QSqlQuery restart(db.db());
    QVERIFY(restart.exec(QStringLiteral("ALTER SEQUENCE GEN_SAMPLE RESTART WITH %1").arg(restartAt)));
    for (const QString &expected : codes)
        QCOMPARE(GetNewSampleCode("AB", "12", 0, db.db()), expected);
    // A given number leaves the generator alone.
    QCOMPARE(GetNewSampleCode("AB", "12", 5, db.db()), QString("AB120005"));
    QCOMPARE(db.scalar("SELECT GEN_ID(GEN_SAMPLE, 0) FROM RDB$DATABASE").toLongLong(), restartAt + codes.size());
}

void TestCodes::generatorFailure()
{
    try {
        GetNewSampleCode("AB", "12", 0, QSqlDatabase());
        QFAIL("a code without a database");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("The local database is not open"));
    }
}

void TestCodes::uuidShape()
{
    static const QRegularExpression shape("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    QSet<QString> seen;
    for (int i = 0; i < 1000; ++i) {
        const QString uuid = GetNewUUIDString();
        QVERIFY2(shape.match(uuid).hasMatch(), qPrintable(uuid));
        // Hyphens at the 9th, 14th, 19th and 24th characters.
        QCOMPARE(uuid.at(8), QLatin1Char('-'));
        QCOMPARE(uuid.at(23), QLatin1Char('-'));
        seen.insert(uuid);
    }
    QCOMPARE(seen.size(), 1000);
}

void TestCodes::delimitedText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty list") << QStringList{} << "";
    QTest::newRow("quote doubled") << QStringList{"a", "b'c"} << "'a','b''c'";
    QTest::newRow("two quotes") << QStringList{"x''y'"} << "'x''''y'''";
    QTest::newRow("empty item") << QStringList{""} << "''";
    QTest::newRow("blanks kept") << QStringList{" a ", "b c"} << "' a ','b c'";
}

void TestCodes::delimitedText()
{
    QFETCH(QStringList, items);
    QTEST(GetDelimitedText(items), "text");
}

void TestCodes::officerCode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");

    QTest::newRow("by name") << "Jane Smith" << "JS01";
    QTest::newRow("live officer preferred to a deleted one") << "Sam Reid" << "SR02";
    QTest::newRow("quote in name") << "Pat O'Neill" << "PO01";
    QTest::newRow("uuid is not a name") << "UUID-JS" << "NF";
    QTest::newRow("exact match only") << "jane smith" << "NF";
    QTest::newRow("no such officer") << "Nobody" << "NF";
    QTest::newRow("blank") << "  " << "NF";
    QTest::newRow("injection attempt") << "x' OR '1'='1" << "NF";
}

void TestCodes::officerCode()
{
    QFETCH(QString, name);
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    const QString insert = "INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, FLAG_DELETED) VALUES (?, ?, ?, ?, ?)";
    db.exec(insert, {1, "UUID-JS", "JS01", "Jane Smith", "F"});
    db.exec(insert, {2, "UUID-SR1", "SR01", "Sam Reid", "T"});
    db.exec(insert, {3, "UUID-SR2", "SR02", "Sam Reid", "F"});
    db.exec(insert, {4, "UUID-PO", "PO01", "Pat O'Neill", "F"});
    QTEST(GetSamplingOfficerCodeFromName(name, db.db()), "code");
}

void TestCodes::officerCodeFailure()
{
    QVERIFY_THROWS_EXCEPTION(VarnexError, GetSamplingOfficerCodeFromName("Jane Smith", QSqlDatabase()));
}

QTEST_GUILESS_MAIN(TestCodes)
#include "tst_codes.moc"
