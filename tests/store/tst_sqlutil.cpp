#include "store/SqlUtil.h"

#include "base/VarnexError.h"
#include "support/TestDatabase.h"

#include <QSqlQuery>
#include <QTest>

class TestSqlUtil : public QObject
{
    Q_OBJECT
private slots:
    void splitScript_data();
    void splitScript();
    void generatorFailure();
    void inListIsBound();
    void inConditionTakesAnyNumberOfValues();
};

void TestSqlUtil::splitScript_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("plain") << QStringLiteral("A;\nB;") << QStringList{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("last without terminator") << QStringLiteral("A;\nB") << QStringList{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("terminator in comment")
        << QStringLiteral("/* a; b */\nSET TERM ^ ;\nX; Y^\nSET TERM ; ^\nZ;")
        << QStringList{QStringLiteral("X; Y"), QStringLiteral("Z")};
    QTest::newRow("terminator in string")
        << QStringLiteral("INSERT INTO T VALUES ('a;b', 'it''s; ok');")
        << QStringList{QStringLiteral("INSERT INTO T VALUES ('a;b', 'it''s; ok')")};
    QTest::newRow("terminator in quoted identifier")
        << QStringLiteral("SELECT \"a;b\" FROM T;") << QStringList{QStringLiteral("SELECT \"a;b\" FROM T")};
    QTest::newRow("line comment") << QStringLiteral("-- x;\nA;") << QStringList{QStringLiteral("-- x;\nA")};
    QTest::newRow("only comments") << QStringLiteral("/* nothing */\n-- here\n") << QStringList{};
    QTest::newRow("set term without blank") << QStringLiteral("SET TERM ^;\nA;B^\nSET TERM ;^\nC;")
                                            << QStringList{QStringLiteral("A;B"), QStringLiteral("C")};
}

void TestSqlUtil::splitScript()
{
    QFETCH(QString, script);
    QFETCH(QStringList, statements);
    QCOMPARE(SqlUtil::splitScript(script), statements);
}

void TestSqlUtil::generatorFailure()
{
    const auto failure = [](auto &&call) {
        try {
            call();
        } catch (const VarnexError &e) {
            return e.message();
        }
        return QStringLiteral("<no failure>");
    };
    QCOMPARE(failure([] { SqlUtil::nextGeneratorValue(QSqlDatabase(), "GEN_SAMPLE"); }), QString("The local database is not open"));

    TestDatabase db;
    QVERIFY(db.isValid());
    const QString injected = failure([&] { SqlUtil::nextGeneratorValue(db.db(), "GEN_SAMPLE FROM RDB$DATABASE; --"); });
    QVERIFY2(injected.contains("GEN_SAMPLE FROM"), qPrintable(injected));
    const QString missing = failure([&] { SqlUtil::nextGeneratorValue(db.db(), "NO_SUCH_GENERATOR"); });
    QVERIFY2(missing.contains("NO_SUCH_GENERATOR"), qPrintable(missing));
}

void TestSqlUtil::inListIsBound()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    const auto count = [&](const QStringList &items) {
        const SqlUtil::SqlInList in = SqlUtil::sqlInList(items);
        QSqlQuery q(db.db());
        if (!q.prepare("SELECT COUNT(*) FROM RDB$RELATIONS WHERE TRIM(RDB$RELATION_NAME) IN (" + in.placeholders + ")"))
            return -1;
        for (const QVariant &v : in.values)
            q.addBindValue(v);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    };
    QCOMPARE(count({"SAMPLE_OFFICER", "RDB$DATABASE"}), 2);
    QCOMPARE(count({"SAMPLE_OFFICER') OR (1=1", "x' OR 'a'='a"}), 0);
    QCOMPARE(count({}), 0);
}

// Firebird refuses an IN list of more than 1,500 values: longer lists are split, and every value
// still counts, wherever it falls.
void TestSqlUtil::inConditionTakesAnyNumberOfValues()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    const auto count = [&](const QVariantList &values) {
        const SqlUtil::SqlCondition in = SqlUtil::sqlInCondition(QStringLiteral("TRIM(RDB$RELATION_NAME)"), values);
        QSqlQuery q(db.db());
        if (!q.prepare("SELECT COUNT(*) FROM RDB$RELATIONS WHERE " + in.text))
            return -1;
        for (const QVariant &v : in.values)
            q.addBindValue(v);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    };
    QVariantList many;
    for (int i = 0; i < 2 * SqlUtil::MaxInListItems + 10; ++i)
        many << QStringLiteral("NO_SUCH_TABLE_%1").arg(i);
    many[0] = QStringLiteral("SAMPLE");                               // first list
    many[SqlUtil::MaxInListItems] = QStringLiteral("SAMPLE_OFFICER"); // second list
    many.last() = QStringLiteral("EXPORT_BATCH");                     // third list
    QCOMPARE(count(many), 3);
    QCOMPARE(count(many.mid(0, SqlUtil::MaxInListItems)), 1);
    QCOMPARE(count({QStringLiteral("x' OR 'a'='a")}), 0);
    QCOMPARE(count({}), 0);
}

QTEST_GUILESS_MAIN(TestSqlUtil)
#include "tst_sqlutil.moc"
