// Translation terms: the CSV file (read, refused, written and read back) and the terms in the store
// (appended in one transaction, looked up by the import).

#include "base/VarnexError.h"
#include "core/SampleCodes.h"
#include "exchange/TranslationTerms.h"
#include "exchange/TranslationsCSVImport_DM.h"
#include "support/TestDatabase.h"
#include "support/TestFiles.h"

#include <QStringConverter>
#include <QTemporaryDir>
#include <QTest>

using Rows = QList<TranslationCsvRow>;
Q_DECLARE_METATYPE(Rows)

namespace {

QString errorOf(const QByteArray &bytes)
{
    try {
        TTranslationsCSVImportDM::parse(bytes, QStringLiteral("t.csv"));
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void readsCsv_data();
    void readsCsv();
    void refusesCsv_data();
    void refusesCsv();
    void savedFileReadsBackTheSame();
    void appendIsAllOrNothing();
    void lookupUsesTheFirstLiveTerm();
};

void TestTranslations::readsCsv_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Rows>("rows");
    const Rows three = {{"Premises type", "T", "Takeaway"}, {"Premises type", "R", "Restaurant"}, {"Condition", "C", "Cold"}};
    QTest::newRow("three rows, LF") << QByteArray("Premises type,T,Takeaway\nPremises type,R,Restaurant\nCondition,C,Cold\n")
                                    << three;
    QTest::newRow("CRLF, no last line end")
        << QByteArray("Premises type,T,Takeaway\r\nPremises type,R,Restaurant\r\nCondition,C,Cold") << three;
    QTest::newRow("UTF-8 mark and an empty line")
        << QByteArray("\xEF\xBB\xBFPremises type,T,Takeaway\r\n\r\nPremises type,R,Restaurant\r\nCondition,C,Cold\r\n")
        << three;
    QTest::newRow("one row") << QByteArray("Country,FRANCE,France") << Rows{{"Country", "FRANCE", "France"}};
    QTest::newRow("quoted values") << QByteArray("\"Brand, name\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\n")
                                   << Rows{{"Brand, name", "say \"hi\"", "two\r\nlines"}, {"", "", ""}};
    QTest::newRow("blanks kept") << QByteArray(" a , b ,c") << Rows{{" a ", " b ", "c"}};
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with its mark") << QByteArray(utf16.encode(QStringLiteral("Größe,G,groß\r\n")))
                                          << Rows{{"Größe", "G", "groß"}};
    QStringEncoder again(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 beyond the BMP") << QByteArray(again.encode(QStringLiteral("Clef,\U0001D11E,x\U0001D11Ey")))
                                           << Rows{{"Clef", QStringLiteral("\U0001D11E"), QStringLiteral("x\U0001D11Ey")}};
}

void TestTranslations::readsCsv()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Rows, rows);
    QCOMPARE(TTranslationsCSVImportDM::parse(bytes, QStringLiteral("t.csv")), rows);
}

void TestTranslations::refusesCsv_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray ok = "a,b,c\r\n";
    QTest::newRow("two values") << ok + "a,b\r\n" << "The translations file t.csv, line 2: 3 values separated by commas "
                                                     "were expected, 2 found.";
    QTest::newRow("four values") << ok + ok + "a,b,c,d\r\n" << "line 3: 3 values";
    QTest::newRow("line counted after a quoted line break") << "\"x\ny\",b,c\n" + ok + "a,\"b\" c,d\n"
                                                            << "line 4: a value in double quotes is followed";
    QTest::newRow("quote inside a plain value") << ok + "a,b\"c,d\n" << "line 2: a double quote inside a value";
    QTest::newRow("quote never closed") << ok + "a,\"b,c\nd,e,f\n" << "line 2: a value in double quotes is not closed.";
    QTest::newRow("field name too long") << ok + QByteArray(101, 'f') + ",b,c\n"
                                         << "line 2: the field name is longer than 100 characters.";
    QTest::newRow("translate-to value too long") << "a," + QByteArray(251, 'v') + ",c\n"
                                                 << "line 1: the \"translate to\" value is longer than 250 characters.";
    QTest::newRow("not UTF-8") << QByteArray("a,b,\xff\n") << "The translations file t.csv is not text";
    // UTF-16LE with its mark: "a,b,c", then a value holding a high surrogate without its low half
    // (once written back as "?"), then one holding a low half alone.
    const QByteArray mark("\xFF\xFE", 2);
    const QByteArray line1("a\0,\0b\0,\0c\0\n\0", 12);
    QTest::newRow("UTF-16 high half alone") << mark + line1 + QByteArray("x\0,\0\x3D\xD8,\0z\0\n\0", 12)
                                            << "line 2: half of a UTF-16 surrogate pair stands alone";
    QTest::newRow("UTF-16 low half alone") << mark + QByteArray("x\0\x1E\xDD,\0y\0,\0z\0", 12)
                                           << "line 1: half of a UTF-16 surrogate pair stands alone";
    QTest::newRow("UTF-16 high half at the end") << mark + line1 + QByteArray("x\0,\0y\0,\0\x3D\xD8", 10)
                                                 << "line 2: half of a UTF-16 surrogate pair";
}

void TestTranslations::refusesCsv()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const QString message = errorOf(bytes);
    QVERIFY2(message.contains(error), qPrintable(message));
}

void TestTranslations::savedFileReadsBackTheSame()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("terms.csv"));
    TTranslationsCSVImportDM out;
    const Rows rows = {{"Premises type", "T", "Takeaway"}, {"Brand, name", "\"quoted\"", "line\nbreak"},
                       {"Größe", "", " blank "}};
    for (const TranslationCsvRow &row : rows)
        out.AddRecord(row.VRXLABEL, row.VRXVALUE, row.IMPORTVALUE);
    out.SaveToFile(file);
    QVERIFY(readAll(file).startsWith("Premises type,T,Takeaway\r\n\"Brand, name\""));
    TTranslationsCSVImportDM in;
    in.loadCSVFile(file);
    QCOMPARE(in.Rows(), rows);
    QVERIFY_THROWS_EXCEPTION(VarnexError, in.loadCSVFile(dir.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(in.Rows().isEmpty());
}

// A store that refuses one of the terms keeps none of them.
void TestTranslations::appendIsAllOrNothing()
{
    TestDatabase store;
    const Rows rows = {{"Premises type", "T", "Takeaway"}, {"Premises type", "R", "Restaurant"}};
    AppendTranslationTerms(store.db(), QStringLiteral("food samples"), QStringLiteral("ABC01"), rows, &GetNewUUIDString);
    QCOMPARE(store.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE GROUP_NAME = 'food samples' AND "
                                         "LOCAL_AUTH_OFFICE__CODE = 'ABC01' AND FLAG_DELETED = 'F'"))
                 .toInt(),
             2);
    store.exec(QStringLiteral("CREATE EXCEPTION E_NO_R 'no R here'"));
    store.exec(QStringLiteral("CREATE TRIGGER T_NO_R FOR SYS_TRANSLATION BEFORE INSERT AS BEGIN "
                              "IF (NEW.TO_VALUE = 'R') THEN EXCEPTION E_NO_R; END"));
    QVERIFY_THROWS_EXCEPTION(VarnexError, AppendTranslationTerms(store.db(), QStringLiteral("feed samples"), QString(), rows,
                                                                  &GetNewUUIDString));
    QCOMPARE(store.scalar(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE GROUP_NAME = 'feed samples'")).toInt(),
             0);
}

void TestTranslations::lookupUsesTheFirstLiveTerm()
{
    TestDatabase store;
    const auto add = [&](qint64 id, const char *group, const char *from, const char *to, const char *deleted) {
        store.exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, GROUP_NAME, "
                                  "FIELD_NAME, FROM_VALUE, TO_VALUE, FLAG_DELETED) VALUES (?, ?, 'T', ?, ?, 'Premises type', "
                                  "?, ?, ?)"),
                   {id, id, GetNewUUIDString(), group, from, to, deleted});
    };
    add(30, "food samples", "Takeaway", "LATER", "F");
    add(10, "food samples", "Takeaway", "DELETED", "T");
    add(20, "food samples", "Takeaway", "T", "F");
    add(40, "feed samples", "Cafe", "C", "F");
    const TranslationTerms terms = TranslationTerms::Load(store.db(), QStringLiteral("food samples"));
    QCOMPARE(terms.TranslateValue(QStringLiteral("Premises type"), QStringLiteral("Takeaway")), QStringLiteral("T"));
    QCOMPARE(terms.TranslateValue(QStringLiteral("Premises type"), QStringLiteral("takeaway")), QStringLiteral("takeaway"));
    QCOMPARE(terms.TranslateValue(QStringLiteral("premises type"), QStringLiteral("Takeaway")), QStringLiteral("Takeaway"));
    QCOMPARE(terms.TranslateValue(QStringLiteral("Premises type"), QStringLiteral("Cafe")), QStringLiteral("Cafe"));

    DeleteTranslationTerm(store.db(), store.scalar(QStringLiteral("SELECT UNIQUE_UUID FROM SYS_TRANSLATION WHERE ID = 20"))
                                          .toString());
    QCOMPARE(TranslationTerms::Load(store.db(), QStringLiteral("food samples"))
                 .TranslateValue(QStringLiteral("Premises type"), QStringLiteral("Takeaway")),
             QStringLiteral("LATER"));
    QVERIFY_THROWS_EXCEPTION(VarnexError, DeleteTranslationTerm(store.db(), QStringLiteral("no-such-term")));
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
