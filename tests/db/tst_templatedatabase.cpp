#include "TestDatabase.h"

#include <QSqlQuery>
#include <QTest>

class TestTemplateDatabase : public QObject
{
    Q_OBJECT
private slots:
    void opensAsUtf8Dialect3();
    void generatorsStepByOne();
};

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

QTEST_GUILESS_MAIN(TestTemplateDatabase)
#include "tst_templatedatabase.moc"
