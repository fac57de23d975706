// The texts of a laboratory delivery: cover text, postbox field fitting, cancelled-sample list and
// export file names.
#include "base/VarnexError.h"
#include "data/DataTable.h"
#include "exchange/LabDelivery.h"

#include <QDir>
#include <QTest>

using namespace LabDelivery;

namespace {

// A selection as the engine reads it, reduced to the columns the cover text reads: the sample's,
// then its officer's.
DataTable selection(const QList<QStringList> &rows)
{
    DataTable table;
    for (const char *name : {"LA_SAMPLENO", "RECORD_TYPE", "ANALYSIS_TYPE", "FOOD_DESCRIPTION", "NAME", "TELEPHONE_NO",
                             "EMAIL_ADDRESS"})
        table.addField({QLatin1String(name), FieldType::String, 0});
    for (const QStringList &row : rows) {
        QVariantList values;
        for (const QString &v : row)
            values << (v == QLatin1String("<null>") ? QVariant() : QVariant(v));
        table.appendRow(values);
    }
    return table;
}

CoverHeader header()
{
    return {QStringLiteral("ABC"), QStringLiteral("Abbey Council"), QStringLiteral("North Office"), 152};
}

} // namespace

class TestLabDelivery : public QObject
{
    Q_OBJECT
private slots:
    void coverTextListsEverySampleByOfficer();
    void longCoverTextEndsWithTheRestCounted_data();
    void longCoverTextEndsWithTheRestCounted();
    void commaText_data();
    void commaText();
    void cancelledCodesThatDoNotFitWait();
    void laboratoryNameFitsThePostbox_data();
    void laboratoryNameFitsThePostbox();
    void exportFileName_data();
    void exportFileName();
};

void TestLabDelivery::coverTextListsEverySampleByOfficer()
{
    const DataTable rows = selection({
        {"LA-1", "FOOD", "C", "Ham", "<null>", "<null>", "<null>"},           // no officer: no group line
        {"LA-2", "FOOD", "M", "Milk", "Jo Bloggs", "0123", "jo@abc.example"},
        {"LA-3", "FOOD", "", "Eggs", "Jo Bloggs", "0123", "jo@abc.example"},  // empty type counts as micro
        {"LA-4", "FOOD", "C", "Salt, fine", "Pat O'Neil", "", "<null>"},      // numbering goes on
    });
    const QString expected = QStringLiteral(
        "Sender details...\r\n"
        "Local authority: ABC, Abbey Council\r\n"
        "Office: North Office\r\n"
        "\r\n"
        "Number of samples being sent: 4\r\n"
        "\r\n"
        "Batch number: 152\r\n"
        "\r\n"
        "Details of samples...\r\n"
        "  1. LA-1, Type = FOOD, Chemical, Ham, \r\n"
        "\r\n"
        "Samples for: Jo Bloggs (Tel: 0123 email: jo@abc.example)\r\n"
        "  2. LA-2, Type = FOOD, Micro, Milk, \r\n"
        "  3. LA-3, Type = FOOD, Micro, Eggs, \r\n"
        "\r\n"
        "Samples for: Pat O'Neil (Tel: Not supplied email: Not supplied)\r\n"
        "  4. LA-4, Type = FOOD, Chemical, Salt, fine, \r\n");
    QCOMPARE(coverText(header(), rows), expected);
}

void TestLabDelivery::longCoverTextEndsWithTheRestCounted_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("officers");
    QTest::newRow("one officer") << 120 << 1;
    QTest::newRow("an officer per sample") << 90 << 90;
    QTest::newRow("thousands") << 5000 << 7;
}

// The postbox takes 4,000 characters of notes: a long list stops where it must and says how many
// samples follow; the count of samples still covers them all.
void TestLabDelivery::longCoverTextEndsWithTheRestCounted()
{
    QFETCH(int, samples);
    QFETCH(int, officers);
    QList<QStringList> list;
    for (int i = 0; i < samples; ++i) {
        const QString officer = QStringLiteral("Officer %1").arg(i % officers, 3, 10, QLatin1Char('0'));
        list << QStringList{QStringLiteral("LA-%1").arg(i), QStringLiteral("FOOD"), QStringLiteral("C"),
                            QStringLiteral("A description of some length for sample %1").arg(i), officer,
                            QStringLiteral("01234 567890"), QStringLiteral("officer@abc.example")};
    }
    std::sort(list.begin(), list.end(), [](const QStringList &a, const QStringList &b) { return a[4] < b[4]; });
    const QString text = coverText(header(), selection(list));
    QVERIFY2(text.size() <= SenderNotesSize, qPrintable(QString::number(text.size())));
    QVERIFY(text.contains(QStringLiteral("Number of samples being sent: %1\r\n").arg(samples)));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.last(), QString()); // ends with CR LF
    const QString last = lines.at(lines.size() - 2);
    QVERIFY2(last.startsWith(QLatin1String("  ... and ")) && last.endsWith(QLatin1String(" more")), qPrintable(last));
    const int more = last.mid(10).chopped(5).toInt();
    int listed = 0;
    for (const QString &line : lines)
        listed += line.contains(QStringLiteral(", Type = FOOD, ")) ? 1 : 0;
    QCOMPARE(listed + more, samples);
    QVERIFY(listed > 0);
    // The list is cut as late as it can be.
    QVERIFY2(text.size() > SenderNotesSize - 200, qPrintable(QString::number(text.size())));
}

void TestLabDelivery::commaText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("plain") << QStringList{"ABC070001", "ABC070002"} << "ABC070001,ABC070002";
    QTest::newRow("blank") << QStringList{"ABC 1", "X"} << "\"ABC 1\",X";
    QTest::newRow("comma") << QStringList{"A,B"} << "\"A,B\"";
    QTest::newRow("quote doubled") << QStringList{"A\"B"} << "\"A\"\"B\"";
    QTest::newRow("empty item kept") << QStringList{"", "A"} << "\"\",A";
}

void TestLabDelivery::commaText()
{
    QFETCH(QStringList, items);
    QTEST(LabDelivery::commaText(items), "text");
}

void TestLabDelivery::cancelledCodesThatDoNotFitWait()
{
    QStringList codes;
    for (int i = 0; i < 600; ++i)
        codes << QStringLiteral("ABC07%1").arg(i, 4, 10, QLatin1Char('0')); // 9 characters + comma each
    const int fitting = itemsThatFit(codes);
    QCOMPARE(fitting, 400); // 400 * 9 + 399 commas = 3999
    QVERIFY(LabDelivery::commaText(codes.mid(0, fitting)).size() <= CancelledSampleListSize);
    QVERIFY(LabDelivery::commaText(codes.mid(0, fitting + 1)).size() > CancelledSampleListSize);
    QCOMPARE(itemsThatFit(codes.mid(0, 10)), 10);
    QCOMPARE(itemsThatFit({}), 0);
    // Quotes count: an item that needs them takes two more characters.
    QCOMPARE(itemsThatFit({QStringLiteral("A B"), QStringLiteral("C")}, 5), 1);
    QCOMPARE(itemsThatFit({QStringLiteral("A B"), QStringLiteral("C")}, 7), 2);
}

void TestLabDelivery::laboratoryNameFitsThePostbox_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fitted");
    const QString longName = QString(120, QLatin1Char('x'));
    QTest::newRow("fits") << "County Laboratory (2 samples)" << "County Laboratory (2 samples)";
    QTest::newRow("exactly 100") << QString(100, QLatin1Char('y')) << QString(100, QLatin1Char('y'));
    QTest::newRow("count kept") << longName + " (12 samples)" << QString(84, QLatin1Char('x')) + "... (12 samples)";
    QTest::newRow("one sample") << longName + " (1 sample)" << QString(86, QLatin1Char('x')) + "... (1 sample)";
    QTest::newRow("no count") << longName << QString(97, QLatin1Char('x')) + "...";
}

void TestLabDelivery::laboratoryNameFitsThePostbox()
{
    QFETCH(QString, name);
    QFETCH(QString, fitted);
    const QString got = fitLaboratoryName(name);
    QCOMPARE(got, fitted);
    QVERIFY(got.size() <= RecipientDescriptionSize);
}

void TestLabDelivery::exportFileName_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("authority");
    QTest::addColumn<QString>("installation");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no trailing separator") << "/data/out" << "ABC" << "07" << "/data/out/ABC07152.enc";
    QTest::newRow("trailing separator") << "/data/out/" << "ABC" << "07" << "/data/out/ABC07152.enc";
    QTest::newRow("separators in the codes") << "/data/out" << "A/B\\C" << "0/7" << "/data/out/ABC07152.enc";
    QTest::newRow("control characters") << "/data/out" << QStringLiteral("AB\nC") << "07\t" << "/data/out/ABC07152.enc";
    QTest::newRow("no way up") << "/data/out" << "../../etc" << "07" << "/data/out/....etc07152.enc";
}

void TestLabDelivery::exportFileName()
{
    QFETCH(QString, folder);
    QFETCH(QString, authority);
    QFETCH(QString, installation);
    QTEST(LabDelivery::exportFileName(folder, authority, installation, 152), "expected");
    QVERIFY_THROWS_EXCEPTION(VarnexError, LabDelivery::exportFileName(QStringLiteral("  "), authority, installation, 1));
}

QTEST_GUILESS_MAIN(TestLabDelivery)
#include "tst_labdelivery.moc"
