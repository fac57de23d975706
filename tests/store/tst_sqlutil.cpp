#include "store/SqlUtil.h"

#include <QTest>

class TestSqlUtil : public QObject
{
    Q_OBJECT
private slots:
    void splitScript_data();
    void splitScript();
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

QTEST_GUILESS_MAIN(TestSqlUtil)
#include "tst_sqlutil.moc"
