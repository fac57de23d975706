#include "data/ResultBlobs.h"

#include "base/VarnexError.h"
#include "data/DataPacket.h"
#include "Failure.h"

#include <QTest>

namespace {

QStringList names(const DataTable &t)
{
    QStringList out;
    for (const FieldDef &f : t.fields())
        out << f.name;
    return out;
}

} // namespace

class TestResultBlobs : public QObject
{
    Q_OBJECT
private slots:
    void resultsAreADatasetPacket();
    void resultsMissingColumnsReadAsNull();
    void damagedResultsAreRefused_data();
    void damagedResultsAreRefused();
    void outcomesReadAndWriteBack();
    void outcomesOfOtherShapes_data();
    void outcomesOfOtherShapes();
    void brokenOutcomesAreRefused_data();
    void brokenOutcomesAreRefused();
};

void TestResultBlobs::resultsAreADatasetPacket()
{
    DataTable written(ResultBlobs::resultFields());
    written.appendRow();
    written.setValue(0, QStringLiteral("SUBSTANCE"), QStringLiteral("Lead"));
    written.setValue(0, QStringLiteral("RESULT"), QStringLiteral("0.125"));
    written.setValue(0, QStringLiteral("OUTPUT"), QStringLiteral("0.125 mg/kg"));
    const DataTable read = ResultBlobs::readResults(ResultBlobs::writeResults(written));
    QCOMPARE(read, written);
    // Nothing stored: no rows, every known column.
    QCOMPARE(ResultBlobs::readResults({}).rowCount(), 0);
    QCOMPARE(names(ResultBlobs::readResults({})), names(written));
}

void TestResultBlobs::resultsMissingColumnsReadAsNull()
{
    // A server that sends only what it has, plus a column of its own.
    DataTable sent({{QStringLiteral("substance"), FieldType::String, 0, 0, false},
                    {QStringLiteral("OUTPUT"), FieldType::Memo, 0, 0, false},
                    {QStringLiteral("LAB_NOTE"), FieldType::String, 0, 0, false}});
    sent.appendRow({QStringLiteral("Nitrate"), QStringLiteral("< 10"), QStringLiteral("repeat")});
    const DataTable read = ResultBlobs::readResults(DataPacket::encode(sent));
    QCOMPARE(read.rowCount(), 1);
    QCOMPARE(read.value(0, QStringLiteral("SUBSTANCE")).toString(), QStringLiteral("Nitrate"));
    QCOMPARE(read.value(0, QStringLiteral("LAB_NOTE")).toString(), QStringLiteral("repeat"));
    QVERIFY(read.indexOf(QStringLiteral("LAB_UNIT")) >= 0);
    QVERIFY(read.isNull(0, read.indexOf(QStringLiteral("LAB_UNIT"))));
}

void TestResultBlobs::damagedResultsAreRefused_data()
{
    QTest::addColumn<QByteArray>("blob");
    QTest::addColumn<QString>("fault");
    DataTable t(ResultBlobs::resultFields());
    t.appendRow();
    const QByteArray packet = ResultBlobs::writeResults(t);
    QTest::newRow("cut short") << packet.left(packet.size() - 3) << QStringLiteral("laboratory results: dataset packet");
    QTest::newRow("not a packet") << QByteArray("<DATAPACKET Version=\"2.0\">") << QStringLiteral("laboratory results: dataset packet");
}

void TestResultBlobs::damagedResultsAreRefused()
{
    QFETCH(QByteArray, blob);
    QFETCH(QString, fault);
    const QString message = failureOf([&] { ResultBlobs::readResults(blob); });
    QVERIFY2(message.startsWith(fault), qPrintable(message));
}

void TestResultBlobs::outcomesReadAndWriteBack()
{
    DataTable written(ResultBlobs::outcomeFields());
    written.appendRow({QStringLiteral("7"), QStringLiteral("F01"), QStringLiteral("Exceeds the limit\tof 2\nmg\\kg")});
    written.appendRow({QStringLiteral("8"), QVariant(), QString()});
    const QString text = ResultBlobs::writeOutcomes(written);
    QCOMPARE(text, QStringLiteral("varnex-outcomes 1\nID\tFAILCODE\tFAILCODE_DESCRIPTION\n"
                                  "7\tF01\tExceeds the limit\\tof 2\\nmg\\\\kg\n8\t\\N\t\n"));
    const DataTable read = ResultBlobs::readOutcomes(text);
    QCOMPARE(read, written);
    QVERIFY(read.isNull(1, 1));
    QVERIFY(!read.isNull(1, 2));
}

void TestResultBlobs::outcomesOfOtherShapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("columns");
    const QStringList known = {QStringLiteral("ID"), QStringLiteral("FAILCODE"), QStringLiteral("FAILCODE_DESCRIPTION")};
    QTest::newRow("empty blob") << QString() << 0 << known;
    QTest::newRow("no rows") << QStringLiteral("varnex-outcomes 1\nID\tFAILCODE\tFAILCODE_DESCRIPTION\n") << 0 << known;
    QTest::newRow("windows line ends, no final break")
        << QStringLiteral("varnex-outcomes 1\r\nID\tFAILCODE\tFAILCODE_DESCRIPTION\r\n1\tA\tB") << 1 << known;
    QTest::newRow("one column, an empty value")
        << QStringLiteral("varnex-outcomes 1\nFAILCODE\n\nX\n") << 2
        << QStringList{QStringLiteral("FAILCODE"), QStringLiteral("ID"), QStringLiteral("FAILCODE_DESCRIPTION")};
}

void TestResultBlobs::outcomesOfOtherShapes()
{
    QFETCH(QString, text);
    QFETCH(int, rows);
    QFETCH(QStringList, columns);
    const DataTable read = ResultBlobs::readOutcomes(text);
    QCOMPARE(read.rowCount(), rows);
    QCOMPARE(names(read), columns);
}

void TestResultBlobs::brokenOutcomesAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fault");
    QTest::newRow("another format") << QStringLiteral("<?xml version=\"1.0\"?><DATAPACKET/>")
                                    << QStringLiteral("outcomes: line 1 is not");
    QTest::newRow("no column line") << QStringLiteral("varnex-outcomes 1\n") << QStringLiteral("outcomes: the line of column names is missing");
    QTest::newRow("another version") << QStringLiteral("varnex-outcomes 2\nID\n1\n") << QStringLiteral("outcomes: line 1 is not");
    QTest::newRow("a value short") << QStringLiteral("varnex-outcomes 1\nID\tFAILCODE\n1\tA\n2\n")
                                   << QStringLiteral("outcomes: line 4 holds 1 values, the column line names 2");
    QTest::newRow("unknown escape") << QStringLiteral("varnex-outcomes 1\nID\n\\x\n")
                                    << QStringLiteral("outcomes: line 3, value 1: \"\\x\" is no escape");
    QTest::newRow("backslash at the end") << QStringLiteral("varnex-outcomes 1\nID\nab\\\n")
                                          << QStringLiteral("outcomes: line 3, value 1: \"\\\" is no escape");
    QTest::newRow("column named twice") << QStringLiteral("varnex-outcomes 1\nID\tid\n")
                                        << QStringLiteral("outcomes: line 2: ");
    QTest::newRow("no column name") << QStringLiteral("varnex-outcomes 1\nID\t\n")
                                    << QStringLiteral("outcomes: line 2: \"\" is no column name");
}

void TestResultBlobs::brokenOutcomesAreRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, fault);
    const QString message = failureOf([&] { ResultBlobs::readOutcomes(text); });
    QVERIFY2(message.startsWith(fault), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestResultBlobs)
#include "tst_resultblobs.moc"
