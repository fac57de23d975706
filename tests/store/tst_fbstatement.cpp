// The layer on Firebird's client library: values and descriptions as the SQL driver gives them,
// exact decimals, refusals that name what was wrong, and transactions that share and end as said.
#include "store/FbStatement.h"
#include "store/FbTransaction.h"
#include "store/LocalDatabase.h"
#include "support/TestDatabase.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

// One column of every kind the store's tables use, and a few they might.
const char *const CreateTable =
    "CREATE TABLE FB_KINDS (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(10), PAD CHAR(3), S SMALLINT, "
    "I INTEGER, B BIGINT, N41 NUMERIC(4,1), N92 NUMERIC(9,2) NOT NULL, N184 NUMERIC(18,4), D DOUBLE PRECISION, "
    "DT DATE, TM TIME, TS TIMESTAMP, FLAG BOOLEAN, MEMO BLOB SUB_TYPE TEXT, BIN BLOB SUB_TYPE BINARY)";
const char *const Insert = "INSERT INTO FB_KINDS VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

QVariantList fullRow()
{
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i)
        bytes.append(char(i * 7));
    return {1,
            QStringLiteral("l\u00EFne \u20AC"),
            QStringLiteral("ab"),
            -32768,
            2147483647,
            Q_INT64_C(-9007199254740993),
            QStringLiteral("-12.5"),
            QStringLiteral("1234567.89"),
            QStringLiteral("-0.0042"),
            0.1,
            QDate(1858, 11, 16),
            QTime(23, 59, 59, 999),
            QDateTime(QDate(2024, 3, 30), QTime(12, 30, 0, 250)),
            true,
            QString(QStringLiteral("x\u00E9")).repeated(20000), // longer than a blob segment
            bytes};
}

QVariantList nullRow()
{
    QVariantList row(16);
    row[0] = 2;
    row[1] = QStringLiteral(""); // empty text stays empty text
    row[7] = QStringLiteral("0");
    return row;
}

} // namespace

class TestFbStatement : public QObject
{
    Q_OBJECT

private slots:
    // Rows written through the layer read back through it exactly as the SQL driver reads them,
    // with the same descriptions; decimals come back exact where the driver's pass through a double.
    void valuesAndDescriptionsMatchTheDriver()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        db.exec(QLatin1String(CreateTable));
        {
            FbTransaction write(db.db(), FbTransaction::ReadWrite);
            FbStatement insert(write, QLatin1String(Insert));
            for (const QVariantList &row : {fullRow(), nullRow()}) {
                insert.bindAll(row);
                insert.execute(write);
            }
            write.commit();
        }

        const QString select = QStringLiteral("SELECT * FROM FB_KINDS ORDER BY ID");
        QSqlQuery driver(db.db());
        driver.setNumericalPrecisionPolicy(QSql::HighPrecision);
        QVERIFY(driver.exec(select));
        FbTransaction read(db.db(), FbTransaction::ReadOnly);
        FbStatement ours(read, select);
        ours.execute(read);

        const QSqlRecord expected = driver.record();
        const QSqlRecord got = ours.record(read);
        QCOMPARE(got.count(), expected.count());
        for (int c = 0; c < got.count(); ++c) {
            const QSqlField e = expected.field(c), g = got.field(c);
            const QString what = e.name();
            QCOMPARE(g.name(), e.name());
            QVERIFY2(g.metaType() == e.metaType(), qPrintable(what));
            QVERIFY2(g.length() == e.length(), qPrintable(what + QStringLiteral(" %1/%2").arg(g.length()).arg(e.length())));
            QVERIFY2(g.precision() == e.precision(), qPrintable(what));
            QVERIFY2(g.requiredStatus() == e.requiredStatus(), qPrintable(what));
        }

        const QVariantList written = fullRow();
        for (int r = 0; r < 2; ++r) {
            QVERIFY(driver.next());
            QVERIFY(ours.next());
            for (int c = 0; c < got.count(); ++c) {
                const QString what = QStringLiteral("row %1 %2").arg(r + 1).arg(got.fieldName(c));
                QVERIFY2(ours.isNull(c) == driver.isNull(c), qPrintable(what));
                if (ours.isNull(c))
                    continue;
                if (got.field(c).precision() > 0 && got.field(c).metaType().id() == QMetaType::Double) {
                    // The exact digits, at the column's scale.
                    if (r == 0)
                        QCOMPARE(ours.value(c).toDouble(), written.at(c).toString().toDouble());
                    QCOMPARE(ours.value(c).toDouble(), driver.value(c).toDouble());
                    continue;
                }
                QVERIFY2(ours.value(c) == driver.value(c), qPrintable(what + QStringLiteral(": ") + ours.value(c).toString().left(40)));
            }
        }
        QVERIFY(!ours.next());
    }

    // Decimals go in and come out as their digits, beyond what a double holds.
    void decimalsStayExact_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("largest") << QStringLiteral("92233720368547.7580") << QStringLiteral("92233720368547.7580");
        QTest::newRow("smallest") << QStringLiteral("-92233720368547.7580") << QStringLiteral("-92233720368547.7580");
        QTest::newRow("fraction only") << QStringLiteral("-0.0001") << QStringLiteral("-0.0001");
        QTest::newRow("whole") << QStringLiteral("7") << QStringLiteral("7.0000");
    }
    void decimalsStayExact()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        TestDatabase db;
        db.exec(QStringLiteral("CREATE TABLE DEC_ONLY (N NUMERIC(18,4))"));
        FbTransaction tr(db.db(), FbTransaction::ReadWrite);
        FbStatement insert(tr, QStringLiteral("INSERT INTO DEC_ONLY VALUES (?)"));
        insert.bind(0, value);
        insert.execute(tr);
        FbStatement select(tr, QStringLiteral("SELECT N FROM DEC_ONLY"));
        select.execute(tr);
        QVERIFY(select.next());
        QCOMPARE(select.value(0).toString(), stored);
    }

    // What does not fit is refused with the database's reason, the failed statement alone undone;
    // a duplicate key is told apart; a read-only transaction writes nothing.
    void refusalsNameTheirCause()
    {
        TestDatabase db;
        db.exec(QLatin1String(CreateTable));
        FbTransaction write(db.db(), FbTransaction::ReadWrite);
        FbStatement insert(write, QStringLiteral("INSERT INTO FB_KINDS (ID, TXT, N92) VALUES (?, ?, 0)"));
        insert.bindAll({1, QStringLiteral("fits")});
        insert.execute(write);

        insert.bindAll({2, QStringLiteral("eleven char")});
        try {
            insert.execute(write);
            QFAIL("a text too long for its column was written");
        } catch (const FbError &e) {
            QVERIFY2(e.message().contains(QLatin1String("truncation")), qPrintable(e.message()));
            QVERIFY(!e.isDuplicateKey());
        }
        insert.bindAll({1, QStringLiteral("again")});
        try {
            insert.execute(write);
            QFAIL("a duplicate key was written");
        } catch (const FbError &e) {
            QVERIFY2(e.isDuplicateKey(), qPrintable(e.message()));
        }
        write.commit();
        QCOMPARE(db.scalar(QStringLiteral("SELECT LIST(ID || '=' || TXT) FROM FB_KINDS")).toString(), QStringLiteral("1=fits"));

        FbTransaction read(db.db(), FbTransaction::ReadOnly);
        FbStatement update(read, QStringLiteral("UPDATE FB_KINDS SET TXT = 'changed'"));
        QVERIFY_THROWS_EXCEPTION(FbError, update.execute(read));
        QVERIFY_THROWS_EXCEPTION(VarnexError, insert.bind(2, 0)); // no third parameter
    }

    // Scopes on one connection share one read transaction, which sees what others committed at
    // each statement; the outermost scope ends it. Statements kept prepared for a connection are
    // dropped with its attachment: after the connection is opened again they are prepared anew.
    void readScopesShareAndEnd()
    {
        TestDatabase db;
        db.exec(QLatin1String(CreateTable));
        const QString count = QStringLiteral("SELECT COUNT(*) FROM FB_KINDS");
        const auto rows = [&](ReadScope &scope) {
            FbStatement &q = scope.prepared(count);
            q.execute(scope.transaction());
            q.next();
            return q.value(0).toLongLong();
        };
        {
            ReadScope outer(db.db());
            QCOMPARE(rows(outer), 0);
            db.exec(QStringLiteral("INSERT INTO FB_KINDS (ID, N92) VALUES (1, 0)")); // another transaction, committed
            ReadScope inner(db.db());
            QCOMPARE(&inner.transaction(), &outer.transaction());
            QCOMPARE(&inner.prepared(count), &outer.prepared(count));
            QCOMPARE(rows(inner), 1);
        }
        // The transaction has ended: the connection can be closed and opened again.
        const QString name = db.db().connectionName();
        QSqlDatabase again = openLocalDatabase(db.path(), name);
        QVERIFY(again.isOpen());
        ReadScope fresh(again);
        QCOMPARE(rows(fresh), 1);

        ReadScope closed{QSqlDatabase()};
        QVERIFY_THROWS_EXCEPTION(VarnexError, closed.transaction());
    }
};

QTEST_GUILESS_MAIN(TestFbStatement)
#include "tst_fbstatement.moc"
