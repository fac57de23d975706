// The premises import: the CSV reader, the three XML layouts, the feed risk values, and loads into
// a store (translated, all or nothing, the removal of the premises a file did not bring).

#include "base/ProductNames.h"
#include "exchange/CsvReader.h"
#include "exchange/FoodPremisesXMLV3_UNT.h"
#include "exchange/PremisesImporter.h"
#include "exchange/VRXCAPSPremisesXML_UNT.h"
#include "exchange/XMLPremisesInterface.h"
#include "support/TestDatabase.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Records = QList<QStringList>;
Q_DECLARE_METATYPE(Records)
// The stored columns of a premises, in the order of storedColumns; an invalid value stands for NULL.
using Stored = QVariantList;
Q_DECLARE_METATYPE(Stored)

namespace {

// Every record of the bytes, read as the import reads a file; a blank line reads as {"<blank>"}.
Records readCsv(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer, DetectCsvEncoding(buffer));
    Records records;
    CsvRecord record;
    while (reader.next(record))
        records << (record.blank ? QStringList{QStringLiteral("<blank>")} : record.values);
    return records;
}

QByteArray v3(const QByteArray &premises)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PremisesData><FileInfo><DateGenerated>2014-06-01</DateGenerated>"
           "<FileSource>EHO</FileSource><PremisesCount>2</PremisesCount><SchemaVersion>3</SchemaVersion></FileInfo>\n"
           "<PremisesList>\n"
           + premises + "</PremisesList></PremisesData>\n";
}

// A premises as a register writes it, by the V3 leaf names; a leaf not listed is left out.
using Leaves = QList<std::pair<const char *, const char *>>;

enum class Format { Csv, CP, V3, CAPS };

// The records in a format: a CSV line per record (a leaf left out is an empty column, the format
// having no other way to say it), or XML with each leaf under its layout's name. CP and CAPS have
// no registration number, so they leave it out.
QByteArray premisesFile(Format format, bool feed, const QList<Leaves> &records)
{
    static const QList<std::pair<const char *, const char *>> cpNames = {
        {"BusinessId", "CODE"},
        {"PremisesName", "PREMISES_NAME"},
        {"BusinessAddress1", "BUSINESS_ADDR_1"},
        {"BusinessAddress2", "BUSINESS_ADDR_2"},
        {"PremisesTypeCode", "PREMISES_TYPE_CODE"},
        {"FoodSafetyRiskCategoryCode", "RISK_CATEGORY_CODE"},
        {"FoodStandardsRiskCategoryCode", "RISK_CATEGORY_FOOD_STAND_CODE"}};
    QByteArray out;
    for (const Leaves &record : records) {
        const auto given = [&record](const char *name) -> const char * {
            for (const auto &[leaf, value] : record)
                if (qstrcmp(leaf, name) == 0)
                    return value;
            return nullptr;
        };
        if (format == Format::Csv) {
            QByteArrayList columns;
            for (const char *name : {"BusinessId", "PremisesName", "BusinessAddress1", "BusinessAddress2", "BusinessAddress3",
                                     "BusinessAddress4", "BusinessPostcode", "FoodSafetyRiskCategoryCode",
                                     "PremisesTypeCode", feed ? "RegistrationNumber" : "FoodStandardsRiskCategoryCode"})
                columns << given(name);
            out += columns.join(',') + "\r\n";
            continue;
        }
        QByteArray leaves;
        for (const auto &[leaf, value] : record) {
            QByteArray name = leaf;
            if (format == Format::CP) {
                name.clear();
                for (const auto &[v3Name, cpName] : cpNames)
                    if (qstrcmp(leaf, v3Name) == 0)
                        name = cpName;
            } else if (format == Format::CAPS && name == "RegistrationNumber") {
                name.clear();
            }
            if (!name.isEmpty())
                leaves += *value ? "<" + name + ">" + value + "</" + name + ">" : "<" + name + "/>";
        }
        if (format == Format::CP)
            out += "<CPVRXPREM_ME.CP>" + leaves + "</CPVRXPREM_ME.CP>\n";
        else if (format == Format::V3)
            out += "<Premises>" + leaves + "</Premises>\n";
        else
            out += "<PremisesList>" + leaves + "</PremisesList>\n";
    }
    if (format == Format::CP)
        return "<CPVRXPREM_ME>\n" + out + "</CPVRXPREM_ME>\n";
    if (format == Format::V3)
        return v3(out);
    return format == Format::CAPS ? "<PremisesData><FileInfo><PremisesCount>2</PremisesCount></FileInfo>\n" + out
                                        + "</PremisesData>\n"
                                  : out;
}

const QStringList storedColumns = {"PREMISES_NAME",       "BUSINESS_ADDR_1",
                                   "BUSINESS_ADDR_2",     "PREMISES_TYPE__CODE",
                                   "RISK_CATEGORY__CODE", "RISK_CATEGORY_FOOD_STAND__CODE",
                                   "REGISTRATION_NUMBER"};

} // namespace

class TestPremisesImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void csvRecords_data();
    void csvRecords();
    void csvFaults_data();
    void csvFaults();
    void csvChunksJoinAcrossReads();

    void xmlLayouts();
    void xmlFaults_data();
    void xmlFaults();
    void feedRisk_data();
    void feedRisk();

    void csvLoadIntoFood();
    void xmlLoadIntoFeed();
    void codesTrimmedAndLeavesLeftOut_data();
    void codesTrimmedAndLeavesLeftOut();
    void faultyFileLeavesRegister_data();
    void faultyFileLeavesRegister();
    void removalOnlyAfterACleanLoad();

private:
    QString file(const QString &name, const QByteArray &bytes);
    PremisesImportCounts load(const QString &personality, const QString &path, bool remove = false);
    QString loadError(const QString &personality, const QString &path, bool remove = false);
    QVariant value(const QString &table, const QString &code, const QString &column);
    int count(const QString &sql);

    std::unique_ptr<TestDatabase> m_store;
    QTemporaryDir m_dir;
};

void TestPremisesImport::initTestCase()
{
    m_store = std::make_unique<TestDatabase>();
    QVERIFY2(m_store->isValid(), qPrintable(m_store->errorText()));
}

void TestPremisesImport::init()
{
    for (const char *table : {"PREMISES_DETAIL", "PREMISES_DETAIL_ANIMAL_FEED", "SYS_TRANSLATION"})
        m_store->exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
}

QString TestPremisesImport::file(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    writeAll(path, bytes);
    return path;
}

PremisesImportCounts TestPremisesImport::load(const QString &personality, const QString &path, bool remove)
{
    PremisesImporter importer(m_store->db(), {personality, QStringLiteral("ABC"), QStringLiteral("ABC01"), remove});
    return importer.Load(path);
}

QString TestPremisesImport::loadError(const QString &personality, const QString &path, bool remove)
{
    try {
        load(personality, path, remove);
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QString();
}

QVariant TestPremisesImport::value(const QString &table, const QString &code, const QString &column)
{
    return m_store->scalar(QStringLiteral("SELECT %1 FROM %2 WHERE CODE = ?").arg(column, table), {code});
}

int TestPremisesImport::count(const QString &sql)
{
    return m_store->scalar(sql).toInt();
}

void TestPremisesImport::csvRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Records>("records");
    QTest::newRow("quoted comma") << QByteArray("P1,\"Smith, J\",x\n") << Records{{"P1", "Smith, J", "x"}};
    QTest::newRow("doubled quote") << QByteArray("P1,\"a\"\"b\"\n") << Records{{"P1", "a\"b"}};
    QTest::newRow("quoted line break") << QByteArray("P1,\"two\r\nlines\",x\r\nP2\r\n")
                                       << Records{{"P1", "two\r\nlines", "x"}, {"P2"}};
    QTest::newRow("CRLF: no CR in the last value") << QByteArray("P1,,,,,,,,,S\r\nP2,,,,,,,,,T\r\n")
                                                   << Records{{"P1", "", "", "", "", "", "", "", "", "S"},
                                                              {"P2", "", "", "", "", "", "", "", "", "T"}};
    QTest::newRow("lone CR ends a line") << QByteArray("P1\rP2") << Records{{"P1"}, {"P2"}};
    QTest::newRow("UTF-8 mark not in the first code") << QByteArray("\xEF\xBB\xBFP1,Caf\xC3\xA9\n")
                                                      << Records{{"P1", QStringLiteral("Café")}};
    QStringEncoder utf16(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 by its mark") << QByteArray(utf16.encode(QStringLiteral("P1,Größe\r\n")))
                                        << Records{{"P1", QStringLiteral("Größe")}};
    QTest::newRow("not UTF-8: Windows-1252") << QByteArray("P1,Caf\xE9 \x80\x39\n")
                                             << Records{{"P1", QStringLiteral("Café €9")}};
    QTest::newRow("blank lines are records") << QByteArray("P1\n\nP2\r\n\r\n") << Records{{"P1"}, {"<blank>"}, {"P2"}, {"<blank>"}};
    QTest::newRow("no comma, no line end") << QByteArray("P1") << Records{{"P1"}};
    QTest::newRow("empty values kept") << QByteArray(",\"\",\n") << Records{{"", "", ""}};
}

void TestPremisesImport::csvRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Records, records);
    QCOMPARE(readCsv(bytes), records);
}

void TestPremisesImport::csvFaults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cause");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("firstValue");
    QTest::newRow("unclosed quote") << QByteArray("P1,a\nP2,\"open,\nmore\n") << int(CsvError::Cause::UnclosedQuote) << 2
                                    << 4 << "P2";
    QTest::newRow("text after a closing quote") << QByteArray("\"x\ny\",b\n\"P3\"x,b\n")
                                                << int(CsvError::Cause::TextAfterQuote) << 3 << 5 << "P3";
    QTest::newRow("quote inside a plain value") << QByteArray("P4,12\" pizza\n") << int(CsvError::Cause::QuoteInValue)
                                                << 1 << 6 << "P4";
}

void TestPremisesImport::csvFaults()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cause);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, firstValue);
    try {
        readCsv(bytes);
        QFAIL("the text was read");
    } catch (const CsvError &e) {
        QCOMPARE(int(e.cause()), cause);
        QCOMPARE(e.line(), line);
        QCOMPARE(e.column(), column);
        QCOMPARE(e.firstValue(), firstValue);
    }
}

// The file is decoded a chunk at a time: a doubled quote, a CRLF and a character of several bytes
// cut by the end of a chunk read as whole.
void TestPremisesImport::csvChunksJoinAcrossReads()
{
    const qsizetype chunk = 64 * 1024;
    for (const QByteArray &tail : {QByteArray("\"a\"\"b\"\r\nP2\n"), QByteArray("x\r\nP2\n"), QByteArray("\xC3\xA9\r\nP2\n")}) {
        for (int shift = 1; shift <= 3; ++shift) {
            QByteArray bytes = "P1,";
            bytes += QByteArray(chunk - bytes.size() - shift, 'f') + "," + tail;
            const Records records = readCsv(bytes);
            QCOMPARE(records.size(), 2);
            QCOMPARE(records.at(0).size(), 3);
            QVERIFY2(!records.at(0).at(2).contains(QLatin1Char('\r')), tail.constData());
            QCOMPARE(records.at(1), QStringList{QStringLiteral("P2")});
        }
    }
}

void TestPremisesImport::xmlLayouts()
{
    // CP, its records misspelled EHCP, other children of the root left out, a missing leaf empty.
    const TXMLCPVRXPREM_METype cp = ParseCPVRXPREM_ME(
        "<CPVRXPREM_ME><CPVRXPREM_ME.EHCP><CODE>C1</CODE><PREMISES_NAME>Premies Bakery</PREMISES_NAME>"
        "<RISK_CATEGORY_CODE>A</RISK_CATEGORY_CODE></CPVRXPREM_ME.EHCP><Other><CODE>X</CODE></Other>"
        "<CPVRXPREM_ME.CP><CODE>C2</CODE></CPVRXPREM_ME.CP></CPVRXPREM_ME>");
    QCOMPARE(cp.Count(), 2);
    QCOMPARE(cp[0].CODE, QStringLiteral("C1"));
    QCOMPARE(cp[0].PREMISES_NAME, QStringLiteral("Premies Bakery"));
    QCOMPARE(cp[0].RISK_CATEGORY_CODE, QStringLiteral("A"));
    QVERIFY(cp[0].RISK_CATEGORY_FOOD_STAND_CODE.isEmpty());
    QCOMPARE(cp[1].CODE, QStringLiteral("C2"));

    // V3 with its leaves in another order, its record element spelled "Premies".
    const TXMLPremisesDataType premies = ParsePremisesData(
        v3("<Premies><PremisesName>Mill</PremisesName><RegistrationNumber>R9</RegistrationNumber>"
           "<BusinessId>V1</BusinessId></Premies>"));
    QCOMPARE(premies.PremisesList.Count(), 1);
    QCOMPARE(premies.PremisesList[0].BusinessId, QStringLiteral("V1"));
    QCOMPARE(premies.PremisesList[0].PremisesName, QStringLiteral("Mill"));
    QCOMPARE(premies.PremisesList[0].RegistrationNumber, QStringLiteral("R9"));
    QCOMPARE(premies.FileInfo.PremisesCount, 2);

    // CAPS without FileInfo: each PremisesList a record, read as V3 by the import and as itself.
    const QByteArray caps = "<PremisesData><PremisesList><BusinessId>K1</BusinessId></PremisesList>"
                            "<PremisesList><BusinessId>K2</BusinessId><PremisesName>Two</PremisesName></PremisesList>"
                            "</PremisesData>";
    const TXMLPremisesDataType asV3 = ParsePremisesData(caps);
    QCOMPARE(asV3.PremisesList.Count(), 2);
    QCOMPARE(asV3.PremisesList[1].PremisesName, QStringLiteral("Two"));
    TXMLCAPSPremisesDataType asCaps = GetPremisesData(caps);
    QCOMPARE(asCaps.PremisesList.Count(), 2);
    QCOMPARE(asCaps.PremisesList[0].BusinessId, QStringLiteral("K1"));

    // The lists are written as well as read.
    asCaps.PremisesList.Insert(0).BusinessId = QStringLiteral("K0");
    asCaps.PremisesList.Add().BusinessId = QStringLiteral("K3");
    QCOMPARE(asCaps.PremisesList.Count(), 4);
    QCOMPARE(asCaps.PremisesList[0].BusinessId, QStringLiteral("K0"));
    QCOMPARE(asCaps.PremisesList[1].BusinessId, QStringLiteral("K1"));
    QCOMPARE(asCaps.PremisesList[3].BusinessId, QStringLiteral("K3"));
}

void TestPremisesImport::xmlFaults_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("error");
    QTest::newRow("not well-formed") << QByteArray("<CPVRXPREM_ME><CPVRXPREM_ME.CP><CODE>C1</CPVRXPREM_ME.CP>")
                                     << "line 1, column";
    QTest::newRow("other root") << QByteArray("<Samples/>") << "its root element is Samples";
    QTest::newRow("outside entity")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE CPVRXPREM_ME [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                      "<CPVRXPREM_ME><CPVRXPREM_ME.CP><CODE>&x;</CODE></CPVRXPREM_ME.CP></CPVRXPREM_ME>")
        << "it declares the entity x from outside the file";
}

void TestPremisesImport::xmlFaults()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, error);
    try {
        ParseCPVRXPREM_ME(xml);
        QFAIL("the text was read");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(error), qPrintable(e.message()));
    }
}

void TestPremisesImport::feedRisk_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("code");
    const QList<std::pair<const char *, const char *>> cases = {
        {"Medium", "M"}, {" b ", "M"}, {"HIGH", "H"}, {"a", "H"}, {"h", "H"}, {"med", "M"},
        {"low", "L"},    {"C", "L"},   {"x", "U"},    {"", "U"},  {"Highest", "U"}};
    for (const auto &[value, code] : cases)
        QTest::newRow(value) << QString::fromLatin1(value) << QString::fromLatin1(code);
}

void TestPremisesImport::feedRisk()
{
    QFETCH(QString, value);
    QFETCH(QString, code);
    QCOMPARE(NormaliseRiskCategory(value), code);
}

void TestPremisesImport::csvLoadIntoFood()
{
    m_store->exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                                 "FLAG_DELETED) VALUES ('U1', 'food premises', 'Premises type', 'Takeaway', 'T', 'F')"));
    const QString path = file(QStringLiteral("food.csv"),
                              "\xEF\xBB\xBF" "F1,\"Smith, J\",\"1 \"\"The\"\" Row\",,,,AB1 2CD,High,Takeaway,B\r\n"
                              "\r\n"
                              "  ,No code\r\n"
                              "F2,Short,a1,a2,a3,a4,PC,R8\r\n"
                              "F3,Long,,,,,,,Cafe,S,eleventh\r\n");
    PremisesImportCounts counts = load(Varnex::PersonalityFood, path);
    QCOMPARE(counts.records, 5);
    QCOMPARE(counts.inserted, 3);
    QCOMPARE(counts.updated, 0);
    QCOMPARE(counts.skipped, 2);
    QCOMPARE(counts.processed, 5);

    const QString food = QStringLiteral("PREMISES_DETAIL");
    QCOMPARE(value(food, "F1", "PREMISES_NAME").toString(), QStringLiteral("Smith, J"));
    QCOMPARE(value(food, "F1", "BUSINESS_ADDR_1").toString(), QStringLiteral("1 \"The\" Row"));
    QCOMPARE(value(food, "F1", "PREMISES_TYPE__CODE").toString(), QStringLiteral("T"));
    QCOMPARE(value(food, "F1", "RISK_CATEGORY__CODE").toString(), QStringLiteral("High"));
    QCOMPARE(value(food, "F1", "RISK_CATEGORY_FOOD_STAND__CODE").toString(), QStringLiteral("B"));
    QCOMPARE(value(food, "F1", "LOCAL_AUTH_OFFICE__CODE").toString(), QStringLiteral("ABC01"));
    QCOMPARE(value(food, "F3", "RISK_CATEGORY_FOOD_STAND__CODE").toString(), QStringLiteral("S"));
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL_ANIMAL_FEED"), 0);

    // The same file again updates every premises; a short line empties the columns it lacks, and
    // a term added meanwhile counts.
    m_store->exec(QStringLiteral("UPDATE PREMISES_DETAIL SET PREMISES_TYPE__CODE = 'OLD' WHERE CODE = 'F2'"));
    m_store->exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                                 "FLAG_DELETED) VALUES ('U2', 'food premises', 'Premises type', 'Cafe', 'C', 'F')"));
    counts = load(Varnex::PersonalityFood, path);
    QCOMPARE(counts.inserted, 0);
    QCOMPARE(counts.updated, 3);
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL"), 3);
    QCOMPARE(value(food, "F2", "PREMISES_TYPE__CODE"), QVariant(QString()));
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE = 'F2' AND PREMISES_TYPE__CODE = ''"), 1);
    QCOMPARE(value(food, "F3", "PREMISES_TYPE__CODE").toString(), QStringLiteral("C"));
}

void TestPremisesImport::xmlLoadIntoFeed()
{
    // V3 for feed: both risk columns from the food standards leaf, normalised; the registration
    // number kept; a premises named with "Premies" keeps its name.
    const QString path = file(QStringLiteral("feed.XML"),
                              v3("<Premises><BusinessId>AF1</BusinessId><PremisesName>Premies Bakery</PremisesName>"
                                 "<FoodSafetyRiskCategoryCode>High</FoodSafetyRiskCategoryCode>"
                                 "<FoodStandardsRiskCategoryCode> b </FoodStandardsRiskCategoryCode>"
                                 "<RegistrationNumber>GB123</RegistrationNumber></Premises>\n"
                                 "<Premises><BusinessId></BusinessId></Premises>\n"));
    const PremisesImportCounts counts = load(Varnex::PersonalityAnimalFeed, path);
    QCOMPARE(counts.records, 2);
    QCOMPARE(counts.inserted, 1);
    QCOMPARE(counts.skipped, 1);
    const QString feed = QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED");
    QCOMPARE(value(feed, "AF1", "PREMISES_NAME").toString(), QStringLiteral("Premies Bakery"));
    QCOMPARE(value(feed, "AF1", "RISK_CATEGORY__CODE").toString(), QStringLiteral("M"));
    QCOMPARE(value(feed, "AF1", "RISK_CATEGORY_FOOD_STAND__CODE").toString(), QStringLiteral("M"));
    QCOMPARE(value(feed, "AF1", "REGISTRATION_NUMBER").toString(), QStringLiteral("GB123"));
    QCOMPARE(value(feed, "AF1", "FLAG_ANIMAL_FEEDS").toString(), QStringLiteral("T"));

    // CP for feed, with a translated premises type from the feed group.
    m_store->exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                                 "FLAG_DELETED) VALUES ('U3', 'feed premises', 'Premises type', 'Mill', 'FM', 'F')"));
    load(Varnex::PersonalityAnimalFeed,
         file(QStringLiteral("cp.xml"), "<CPVRXPREM_ME><CPVRXPREM_ME.CP><CODE>AF2</CODE><PREMISES_TYPE_CODE>Mill"
                                         "</PREMISES_TYPE_CODE><RISK_CATEGORY_CODE>low</RISK_CATEGORY_CODE>"
                                         "</CPVRXPREM_ME.CP></CPVRXPREM_ME>"));
    QCOMPARE(value(feed, "AF2", "PREMISES_TYPE__CODE").toString(), QStringLiteral("FM"));
    QCOMPARE(value(feed, "AF2", "RISK_CATEGORY__CODE").toString(), QStringLiteral("L"));
    QVERIFY(value(feed, "AF2", "RISK_CATEGORY_FOOD_STAND__CODE").isNull()); // its leaf is left out
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL"), 0);
}

// Every format into both registers, one premises updated and one new: the codes are stored without
// the blanks around them (and so match their terms), names keep theirs; a leaf left out keeps the
// stored value or is NULL, and a leaf written empty empties it.
void TestPremisesImport::codesTrimmedAndLeavesLeftOut_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("feed");
    QTest::addColumn<Stored>("updated");
    QTest::addColumn<Stored>("inserted");
    const QVariant null;
    const QVariant empty = QString(QLatin1String(""));
    const QVariant name = QStringLiteral("  Corner Shop ");
    const QVariant kept = QStringLiteral("Old 2");
    const QVariant reg = QStringLiteral("REG1");
    const QVariant old = QStringLiteral("OLD");
    const QVariant street = QStringLiteral("High St");
    const QVariant t = QStringLiteral("T"), a = QStringLiteral("A"), l = QStringLiteral("L"), h = QStringLiteral("H"),
                   u = QStringLiteral("U");
    // A CSV line has no leaves to leave out: a column it lacks is empty.
    QTest::newRow("CSV food") << int(Format::Csv) << false << Stored{name, empty, empty, t, a, l, reg}
                              << Stored{empty, empty, street, empty, empty, empty, null};
    QTest::newRow("CSV feed") << int(Format::Csv) << true << Stored{name, empty, empty, t, a, old, empty}
                              << Stored{empty, empty, street, empty, empty, null, empty};
    QTest::newRow("CP food") << int(Format::CP) << false << Stored{name, empty, kept, t, a, l, reg}
                             << Stored{null, empty, street, empty, empty, null, null};
    QTest::newRow("CP feed") << int(Format::CP) << true << Stored{name, empty, kept, t, h, l, reg}
                             << Stored{null, empty, street, empty, u, null, null};
    QTest::newRow("V3 food") << int(Format::V3) << false << Stored{name, empty, kept, t, a, l, reg}
                             << Stored{null, empty, street, empty, empty, null, null};
    QTest::newRow("V3 feed") << int(Format::V3) << true << Stored{name, empty, kept, t, l, l, reg}
                             << Stored{null, empty, street, empty, null, null, empty};
    QTest::newRow("CAPS food") << int(Format::CAPS) << false << Stored{name, empty, kept, t, a, l, reg}
                               << Stored{null, empty, street, empty, empty, null, null};
    QTest::newRow("CAPS feed") << int(Format::CAPS) << true << Stored{name, empty, kept, t, l, l, reg}
                               << Stored{null, empty, street, empty, null, null, null};
}

void TestPremisesImport::codesTrimmedAndLeavesLeftOut()
{
    QFETCH(int, format);
    QFETCH(bool, feed);
    QFETCH(Stored, updated);
    QFETCH(Stored, inserted);
    const QString personality = feed ? Varnex::PersonalityAnimalFeed : Varnex::PersonalityFood;
    const QString table = PremisesTableName(personality);
    m_store->exec(QStringLiteral("INSERT INTO %1 (UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, "
                                 "PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, RISK_CATEGORY_FOOD_STAND__CODE, "
                                 "REGISTRATION_NUMBER, %2, FLAG_DELETED) VALUES ('U1', 'P1', 'Old name', 'Old 1', "
                                 "'Old 2', 'OLD', 'OLD', 'OLD', 'REG1', 'T', 'F')")
                      .arg(table, feed ? QStringLiteral("FLAG_ANIMAL_FEEDS") : QStringLiteral("FLAG_FOOD")));
    m_store->exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                                 "FLAG_DELETED) VALUES ('T1', ?, 'Premises type', 'Takeaway', 'T', 'F')"),
                  {feed ? QStringLiteral("feed premises") : QStringLiteral("food premises")});

    const QList<Leaves> records = {
        {{"BusinessId", "P1"},
         {"PremisesName", "  Corner Shop "},
         {"BusinessAddress1", ""},
         {"PremisesTypeCode", " Takeaway "},
         {"FoodSafetyRiskCategoryCode", "\tA "},
         {"FoodStandardsRiskCategoryCode", " L "}},
        {{"BusinessId", "P2"},
         {"BusinessAddress1", ""},
         {"BusinessAddress2", "High St"},
         {"PremisesTypeCode", ""},
         {"FoodSafetyRiskCategoryCode", ""},
         {"RegistrationNumber", ""}}};
    const Format f = Format(format);
    const QString path = file(f == Format::Csv ? QStringLiteral("padded.csv") : QStringLiteral("padded.xml"),
                              premisesFile(f, feed, records));
    const PremisesImportCounts counts = load(personality, path);
    QCOMPARE(counts.updated, 1);
    QCOMPARE(counts.inserted, 1);
    for (const auto &[code, expected] : {std::pair{"P1", updated}, std::pair{"P2", inserted}}) {
        for (int i = 0; i < storedColumns.size(); ++i) {
            const QVariant stored = value(table, QLatin1String(code), storedColumns.at(i));
            const QString what = QStringLiteral("%1 %2: %3").arg(QLatin1String(code), storedColumns.at(i),
                                                                 stored.isNull() ? QStringLiteral("NULL") : "\"" + stored.toString() + "\"");
            QVERIFY2(stored.isNull() == expected.at(i).isNull(), qPrintable(what));
            QVERIFY2(stored.toString() == expected.at(i).toString(), qPrintable(what));
        }
    }
}

void TestPremisesImport::faultyFileLeavesRegister_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("unclosed quote") << "bad.csv" << QByteArray("N1,New\nP1,Changed\nP9,\"open\n")
                                    << "Error Decoding String: line 3, column 4 (CODE \"P9\"): a value in double quotes "
                                       "is not closed. Nothing of the file was imported.";
    QTest::newRow("refused by the database") << "long.csv" << QByteArray("N1,New\nP1,Changed\nP9," + QByteArray(60, 'n') + "\n")
                                             << "Line 3 (CODE \"P9\"): the database refused the premises";
    QTest::newRow("broken XML") << "bad.xml"
                                << v3("<Premises><BusinessId>N1</BusinessId></Premises><Premises><BusinessId>P1"
                                      "</BusinessId><PremisesName>Changed</PremisesName></Premises><Premises>")
                                << "cannot be read as premises XML: line";
    QTest::newRow("XML refused by the database") << "long.xml"
                                                 << v3("<Premises><BusinessId>N1</BusinessId></Premises><Premises>"
                                                       "<BusinessId>P9</BusinessId><BusinessPostcode>" + QByteArray(20, 'p')
                                                       + "</BusinessPostcode></Premises>")
                                                 << "Record 2 at line 4 (CODE \"P9\"): the database refused the premises";
}

// With "Remove current records" ticked, too: nothing of the file is kept and nothing is removed.
void TestPremisesImport::faultyFileLeavesRegister()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    m_store->exec(QStringLiteral("INSERT INTO PREMISES_DETAIL (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, PREMISES_NAME, "
                                 "FLAG_FOOD, FLAG_DELETED) VALUES (7, 70, 'T', 'S7', 'P1', 'Server', 'T', 'F')"));
    const QString message = loadError(Varnex::PersonalityFood, file(name, bytes), true);
    QVERIFY2(message.contains(error), qPrintable(message));
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE = 'P1' AND PREMISES_NAME = 'Server' AND "
                   "UPDATE_ID = 70 AND FLAG_DELETED = 'F'"),
             1);
}

void TestPremisesImport::removalOnlyAfterACleanLoad()
{
    // Two premises as last received from the server, one added here and not yet sent.
    m_store->exec(QStringLiteral("INSERT INTO PREMISES_DETAIL (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, FLAG_FOOD, "
                                 "FLAG_DELETED) VALUES (1, 10, 'T', 'S1', 'S1', 'T', 'F')"));
    m_store->exec(QStringLiteral("INSERT INTO PREMISES_DETAIL (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, FLAG_FOOD, "
                                 "FLAG_DELETED) VALUES (2, 11, 'T', 'S2', 'S2', 'T', 'F')"));
    m_store->exec(QStringLiteral("INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, FLAG_FOOD, FLAG_DELETED) "
                                 "VALUES ('L1', 'L1', 'T', 'F')"));
    m_store->exec(QStringLiteral("INSERT INTO PREMISES_DETAIL_ANIMAL_FEED (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, "
                                 "FLAG_ANIMAL_FEEDS, FLAG_DELETED) VALUES (3, 12, 'T', 'S3', 'S3', 'T', 'F')"));
    const QString live = QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE FLAG_DELETED = 'F'");

    // A file with nothing to write removes nothing.
    PremisesImportCounts counts = load(Varnex::PersonalityFood, file(QStringLiteral("empty.csv"), "\r\n ,\r\n"), true);
    QCOMPARE(counts.skipped, 2);
    QCOMPARE(counts.removed, 0);
    QCOMPARE(count(live), 3);

    // A clean load: the server premises it did not bring are deleted, and go up at the next pass.
    counts = load(Varnex::PersonalityFood, file(QStringLiteral("one.csv"), "S1,Kept\n"), true);
    QCOMPARE(counts.updated, 1);
    QCOMPARE(counts.removed, 1);
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE = 'S2' AND FLAG_DELETED = 'T' AND UPDATE_ID < 0"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE IN ('S1', 'L1') AND FLAG_DELETED = 'F'"), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM PREMISES_DETAIL_ANIMAL_FEED WHERE FLAG_DELETED = 'F'"), 1);

    // Without the box nothing is removed.
    m_store->exec(QStringLiteral("UPDATE PREMISES_DETAIL SET IS_SYNCING = 'T', UPDATE_ID = 20, FLAG_DELETED = 'F'"));
    load(Varnex::PersonalityFood, file(QStringLiteral("one.csv"), "S1,Kept\n"), false);
    QCOMPARE(count(live), 3);
}

QTEST_GUILESS_MAIN(TestPremisesImport)
#include "tst_premisesimport.moc"
