// The sample import's steps on a real store with the shipped field definitions: the inputs of one
// record (translation, conversion, category, officer, unknown codes), and the command-line import
// with its validation, its transactions and its log.

#include "ImportFixture.h"

#include "exchange/ImportSamplesXML_DM.h"
#include "exchange/SampleImporter.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>

using namespace ImportFixture;

namespace {

struct Inputs
{
    QVariantMap values;
    QStringList messages;
};

// The inputs of one record, as the command line (or the screen) makes them.
Inputs inputsOf(ImportStore &s, const Sample &sample, bool commandLine = true, const QString &personality = "FOOD")
{
    TSampleImportXMLDM reader;
    reader.LoadFieldDefsFromFile(ImportDefinitionsPath(programFolder(), QString()));
    SampleImporter importer(s.maindm->ibConnection(), reader, *s.lookups,
                            SampleImportSettings::fromSettings(*s.maindm, personality, commandLine));
    importer.prepare();
    QBuffer buffer;
    buffer.setData(document({sample}));
    buffer.open(QIODevice::ReadOnly);
    Inputs inputs;
    reader.ScanRecords(buffer, QStringLiteral("doc.xml"),
                       [&](const SampleRecord &record) { inputs.values = importer.inputsFor(record, inputs.messages); });
    return inputs;
}

// A command-line run on the document; the error that stopped it, or empty text.
QString runBatch(TImportSamplesXMLDM &import, const QString &fileName)
{
    import.SetFileName(fileName);
    try {
        import.RunImport();
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QString();
}

QStringList categoryColumns()
{
    return {"CATEGORY__CODE", "CATEGORY_DESCRIPTION", "SUB_CATEGORY__CODE", "SUB_CATEGORY_DESCRIPTION",
            "SUB_CATEGORY_2__CODE", "SUB_CATEGORY_2_DESCRIPTION", "SUB_CATEGORY_3__CODE", "SUB_CATEGORY_3_DESCRIPTION",
            "MAFF__CODE"};
}

} // namespace

class TestSampleImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void recordInputs();
    void category_data();
    void category();
    void unknownCodes_data();
    void unknownCodes();
    void fieldsOutsideTheProcedure();

    void batchImportsValidatesAndLogs();
    void batchKeepsInvalidWhenAllowed();
    void batchStopsWithoutImporting_data();
    void batchStopsWithoutImporting();
    void refusedRecordStopsTheRun();
    void failureBetweenInsertAndValidationLeavesNothing_data();
    void failureBetweenInsertAndValidationLeavesNothing();
    void termsAreReadAtEveryRun();
    void crashLeavesTheLogAsTheStore();
};

void TestSampleImport::recordInputs()
{
    ImportStore s;
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Premises type"), QStringLiteral("Takeaway"),
              QStringLiteral("T"));
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Condition"), QStringLiteral("Chilled"), QStringLiteral("X"),
              QStringLiteral("T")); // deleted
    Sample sample = validFoodSample();
    sample.insert("PremisesTypeCode", "Takeaway");
    sample.insert("ConditionCode", "Chilled");
    sample.remove("RecordType");
    const Inputs in = inputsOf(s, sample, true, QStringLiteral("ANIMAL FEED"));
    const QVariantMap &v = in.values;
    QCOMPARE(v.value("RECORD_TYPE").toString(), QStringLiteral("ANIMAL FEED")); // the run's personality
    QCOMPARE(v.value("PREMISES_TYPE__CODE"), QVariant()); // the feed list does not hold it
    QCOMPARE(v.value("SAMPLE_DATE"), QVariant(QDate(2014, 6, 14)));
    QCOMPARE(v.value("SAMPLE_TIME"), QVariant(QTime(9, 5)));
    QCOMPARE(v.value("FLAG_COP_CONDITION"), QVariant("T"));
    QCOMPARE(v.value("FLAG_FOLLOW_UP"), QVariant("F"));
    QCOMPARE(v.value("DURABILITY_YEAR"), QVariant(2015));
    QCOMPARE(v.value("TEMPERATURE"), QVariant(4.5));
    QCOMPARE(v.value("SAMPLE_OFFICER__CODE"), QVariant("JB"));
    QCOMPARE(v.value("SAMPLE_OFFICER_NAME"), QVariant("Jo Bloggs"));
    QCOMPARE(v.value("SAMPLE_OFFICER_EMAIL_ADDRESS"), QVariant("jo@abc.example"));
    QCOMPARE(v.value("LOCAL_AUTHORITY__CODE"), QVariant("ABC"));
    QCOMPARE(v.value("LOCAL_AUTH_OFFICE__CODE"), QVariant("ABC01"));
    QCOMPARE(v.value("COUNTRY_REGION"), QVariant("UK"));
    QVERIFY(v.value("SAMPLE_CODE").toString().startsWith(QLatin1String("ABC07")));
    QCOMPARE(v.value("UNIQUE_UUID").toString().size(), 36);

    const Inputs food = inputsOf(s, sample);
    QCOMPARE(food.values.value("RECORD_TYPE"), QVariant("FOOD"));
    QCOMPARE(food.values.value("PREMISES_TYPE__CODE"), QVariant("T"));
    QCOMPARE(food.values.value("CONDITION__CODE"), QVariant()); // "Chilled" was not translated
    QVERIFY2(food.messages.contains("CONDITION__CODE Chilled is not in the list mdCondition; it is left empty."),
             qPrintable(food.messages.join('\n')));

    // Without a personality a record without type keeps none: no term applies, no code is checked.
    const Inputs none = inputsOf(s, sample, true, QString());
    QCOMPARE(none.values.value("RECORD_TYPE"), QVariant());
    QCOMPARE(none.values.value("PREMISES_TYPE__CODE"), QVariant("Takeaway"));
    QCOMPARE(none.values.value("CONDITION__CODE"), QVariant("Chilled"));

    // An unknown officer empties all three officer inputs.
    sample.insert("SamplingOfficerCode", "zz9");
    const Inputs unknown = inputsOf(s, sample);
    for (const char *column : {"SAMPLE_OFFICER__CODE", "SAMPLE_OFFICER_NAME", "SAMPLE_OFFICER_EMAIL_ADDRESS"})
        QCOMPARE(unknown.values.value(column), QVariant());
    QVERIFY(unknown.messages.contains("The sampling officer ZZ9 is not in the officer list; the officer is left empty."));
}

void TestSampleImport::category_data()
{
    QTest::addColumn<Sample>("levels");
    QTest::addColumn<QStringList>("expected"); // the nine inputs; empty: all empty
    QTest::addColumn<QString>("message");
    const QStringList full = {"01", "Dairy products", "01.01", "Milk and cream", "01.01.01", "Liquid milk",
                              "01.01.01.01", "Semi-skimmed milk", "M0101"};
    QTest::newRow("level 3") << Sample{{"Subcategory3Code", "01.01.01.01"}} << full << QString();
    QTest::newRow("first non-empty level") << Sample{{"Subcategory2Code", "01.01.01"}, {"CategoryCode", "02"}}
                                           << QStringList{"01", "Dairy products", "01.01", "Milk and cream", "01.01.01",
                                                          "Liquid milk", "", "", "M0101"}
                                           << QString();
    QTest::newRow("code as 9.01") << Sample{{"SubcategoryCode", "9.01"}}
                                  << QStringList{"09", "Fish", "09.01", "Fresh fish", "", "", "", "", "M0901"} << QString();
    QTest::newRow("empty") << Sample{{"CategoryCode", ""}} << QStringList()
                           << "The record has no category code; the category is left empty.";
    QTest::newRow("unknown") << Sample{{"Subcategory3Code", "77.77"}, {"CategoryCode", "01"}} << QStringList()
                             << "The category code 77.77 is not in the category tree; the category is left empty.";
    QTest::newRow("retired") << Sample{{"Subcategory3Code", "01.01.01.03"}} << QStringList()
                             << "The category code 01.01.01.03 cannot be used: This entry has been retired and cannot be "
                                "selected. The category is left empty.";
    QTest::newRow("test entry") << Sample{{"SubcategoryCode", "99.01"}} << QStringList()
                                << "The category code 99.01 cannot be used: Cannot return a 'Test', please choose a "
                                   "category type to return. The category is left empty.";
}

void TestSampleImport::category()
{
    QFETCH(Sample, levels);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);
    ImportStore s;
    Sample sample = validFoodSample();
    sample.remove("Subcategory3Code");
    for (auto it = levels.cbegin(); it != levels.cend(); ++it)
        sample.insert(it.key(), it.value());
    for (bool commandLine : {true, false}) {
        const Inputs in = inputsOf(s, sample, commandLine);
        const QStringList columns = categoryColumns();
        for (int i = 0; i < columns.size(); ++i)
            QCOMPARE(in.values.value(columns.at(i)).toString(), expected.value(i));
        QCOMPARE(in.messages.contains(message), !message.isEmpty());
    }
}

void TestSampleImport::unknownCodes_data()
{
    QTest::addColumn<bool>("laems");
    QTest::addColumn<bool>("commandLine");
    QTest::addColumn<QString>("premisesType");
    QTest::addColumn<QString>("expected");
    QTest::newRow("known") << false << true << "R" << "R";
    QTest::newRow("command line, unknown") << false << true << "Q" << "";
    QTest::newRow("screen keeps it without LAEMS") << false << false << "Q" << "Q";
    QTest::newRow("LAEMS: in both lists") << true << false << "R" << "R";
    QTest::newRow("LAEMS: only in the LAEMS list") << true << false << "L" << "";
    QTest::newRow("LAEMS: only in the premises list") << true << true << "T" << "";
}

void TestSampleImport::unknownCodes()
{
    QFETCH(bool, laems);
    QFETCH(bool, commandLine);
    QFETCH(QString, premisesType);
    QFETCH(QString, expected);
    ImportStore s;
    s.store.exec(QStringLiteral("UPDATE SYS_COMPANY SET FLAG_USE_LAEMS_PREMISES_CODES = ?"),
                 {laems ? QStringLiteral("T") : QStringLiteral("F")});
    Sample sample = validFoodSample();
    sample.insert("PremisesTypeCode", premisesType);
    sample.insert("PackageUnitsCode", "KG"); // a list that the store does not have knows nothing
    const Inputs in = inputsOf(s, sample, commandLine);
    QCOMPARE(in.values.value("PREMISES_TYPE__CODE").toString(), expected);
    QCOMPARE(in.values.value("PACK_SIZE").toString(), QStringLiteral("KG"));
}

// A definitions field that names no input of the procedure is left out with its message, and a
// value that does not convert leaves its input empty; the rest of the record is imported.
void TestSampleImport::fieldsOutsideTheProcedure()
{
    ImportStore s;
    const QString folder = s.files.path();
    QDir(folder).mkpath(QStringLiteral("XMLImportDefinitions"));
    s.writeFile(QStringLiteral("XMLImportDefinitions/Own.XML"),
                "ROOT=[QOVAData|Sample]\n<FieldList>\n"
                "<Field><Name>no_such_input</Name><FieldType>String</FieldType><Label>Odd</Label><Mapping>[PremisesName]"
                "</Mapping></Field>\n"
                "<Field><Name>premises_name</Name><Label>Premises</Label><Mapping>[PremisesName]</Mapping></Field>\n"
                "<Field><Name>DURABILITY_DAY</Name><FieldType>Integer</FieldType><Label>Day</Label>"
                "<Mapping>[DurabilityDay]</Mapping></Field>\n"
                "<Field><Name>QUANTITY</Name><FieldType>String</FieldType><Label>Quantity</Label>"
                "<Mapping>[PackageQuantity]</Mapping></Field>\n"
                "</FieldList>\n");
    s.store.exec(QStringLiteral("UPDATE SYS_COMPANY SET XML_IMPORT_FIELD_DEFS_FILE = 'Own.XML'"));
    const QString file = s.writeFile(QStringLiteral("own.xml"),
                                     document({{{"PremisesName", "Mill"}, {"DurabilityDay", "first"},
                                                {"PackageQuantity", "a dozen"}}}));
    s.maindm->AllowInvalidSampleImport = true;
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, folder);
    QCOMPARE(runBatch(import, file), QString());
    QCOMPARE(import.Imported(), 1);
    const QStringList log = QString::fromUtf8(readAll(file + QStringLiteral(".log"))).split('\n');
    QVERIFY(log.contains(QStringLiteral("Field no_such_input not found in stored procedure.")));
    QVERIFY(log.contains(QStringLiteral("DURABILITY_DAY--Day: Could not convert 'first'to an integer value")));
    QVERIFY(log.contains(QStringLiteral("QUANTITY--'a dozen' cannot be passed to QUANTITY as a number.")));
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT PREMISES_NAME FROM SAMPLE")).toString(), QStringLiteral("Mill"));
    QVERIFY(s.store.scalar(QStringLiteral("SELECT DURABILITY_DAY FROM SAMPLE")).isNull());
}

void TestSampleImport::batchImportsValidatesAndLogs()
{
    ImportStore s;
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Premises type"), QStringLiteral("Takeaway"),
              QStringLiteral("T"));
    Sample invalid = validFoodSample(QStringLiteral("LA-2"));
    invalid.remove("PackageBatchNumber");
    Sample translated = validFoodSample(QStringLiteral("LA-3"));
    translated.insert("PremisesTypeCode", "Takeaway");
    translated.remove("DateSampleTaken"); // the first record's date does not carry over
    const QString file = s.writeFile(QStringLiteral("Samples.XML"), document({validFoodSample(), invalid, translated}));
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    QStringList reported;
    import.Report = [&](const QString &line) { reported << line; };
    QCOMPARE(runBatch(import, file), QString());
    QCOMPARE(import.Imported(), 3);
    QVERIFY2(import.Invalid() == 1, qPrintable(reported.join('\n')));

    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 2);
    QCOMPARE(s.sampleValue("LA-1", "SAMPLE_STATUS__CODE").toString(), QStringLiteral("VALIDATED"));
    QCOMPARE(s.sampleValue("LA-1", "SUB_CATEGORY_DESCRIPTION").toString(), QStringLiteral("Milk and cream"));
    QCOMPARE(s.sampleValue("LA-1", "MAFF__CODE").toString(), QStringLiteral("M0101"));
    QCOMPARE(s.sampleValue("LA-1", "SAMPLE_OFFICER_NAME").toString(), QStringLiteral("Jo Bloggs"));
    QCOMPARE(s.sampleValue("LA-1", "SAMPLE_DATE").toDate(), QDate(2014, 6, 14));
    QCOMPARE(s.sampleValue("LA-1", "MANUFACTURER").toString(), QStringLiteral("Dairy & Sons"));
    QCOMPARE(s.sampleValue("LA-1", "DISTRIBUTER").toString(), QStringLiteral("N/A"));
    QCOMPARE(s.sampleValue("LA-3", "PREMISES_TYPE__CODE").toString(), QStringLiteral("T"));
    QVERIFY(s.sampleValue("LA-3", "SAMPLE_DATE").isNull());
    QVERIFY(s.sampleValue("LA-2", "ID").isNull());

    const QStringList expectedLog = {
        QStringLiteral("Sample LA-1 created and validated"),
        QStringLiteral("'Batch/Lot number' is required."),
        QStringLiteral("Sample LA-2 did not validate."),
        QStringLiteral("Sample LA-3 created and validated"),
    };
    QCOMPARE(reported, expectedLog);
    QCOMPARE(readAll(file + QStringLiteral(".log")), (expectedLog.join('\n') + '\n').toUtf8());
}

void TestSampleImport::batchKeepsInvalidWhenAllowed()
{
    ImportStore s;
    s.maindm->AllowInvalidSampleImport = true;
    Sample invalid = validFoodSample(QStringLiteral("LA-2"));
    invalid.remove("PackageBatchNumber");
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    QCOMPARE(runBatch(import, s.writeFile(QStringLiteral("s.xml"), document({invalid}))), QString());
    QCOMPARE(import.Invalid(), 1);
    QCOMPARE(s.sampleValue("LA-2", "SAMPLE_STATUS__CODE").toString(), QStringLiteral("IMPORTED"));
    QVERIFY(s.sampleValue("LA-2", "BATCH_NUMBER").isNull());
}

void TestSampleImport::batchStopsWithoutImporting_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");   // empty: no file
    QTest::addColumn<QString>("definitions");  // the setting
    QTest::addColumn<QString>("error");
    const QByteArray good = document({validFoodSample()});
    QTest::newRow("name not ending in xml") << "samples.xml.bak" << good << "" << "samples.xml.bak is not an XML file";
    QTest::newRow("text file") << "samples.txt" << good << "" << "samples.txt is not an XML file";
    QTest::newRow("missing file") << "gone.xml" << QByteArray() << "" << "The sample file ";
    QTest::newRow("truncated") << "cut.xml" << good.left(good.size() - 40) << "" << "/cut.xml: line ";
    QTest::newRow("no record at the path") << "other.xml" << QByteArray("<Samples><Sample/></Samples>") << ""
                                           << "/other.xml holds no record at the record path [QOVAData|Sample]";
    QTest::newRow("definitions missing") << "s.xml" << good << "Missing.XML" << "The field definitions file ";
    QTest::newRow("definitions outside the folder") << "s.xml" << good << "../SampleFieldDefs.XML"
                                                    << "The field definitions file \"../SampleFieldDefs.XML\"";
}

void TestSampleImport::batchStopsWithoutImporting()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, definitions);
    QFETCH(QString, error);
    ImportStore s;
    s.store.exec(QStringLiteral("UPDATE SYS_COMPANY SET XML_IMPORT_FIELD_DEFS_FILE = ?"), {definitions});
    const QString file = content.isEmpty() ? s.files.filePath(fileName) : s.writeFile(fileName, content);
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    const QString stopped = runBatch(import, file);
    QVERIFY2(stopped.contains(error), qPrintable(stopped));
    QCOMPARE(import.Imported(), 0);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 0);
    // The log says why.
    QCOMPARE(readAll(file + QStringLiteral(".log")), (stopped + '\n').toUtf8());
}

// The procedure refuses the second of three records: the first stays with its log lines, the
// run stops naming the record and the database's text, the third is not imported.
void TestSampleImport::refusedRecordStopsTheRun()
{
    ImportStore s;
    const QString tooLong(40, QLatin1Char('L'));
    const QString file =
        s.writeFile(QStringLiteral("s.xml"), document({validFoodSample(), validFoodSample(tooLong), validFoodSample("LA-3")}));
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    const QString stopped = runBatch(import, file);
    QVERIFY2(stopped.startsWith(QLatin1String("Record 2 of 3 was not imported: ")), qPrintable(stopped));
    QVERIFY2(stopped.contains(QLatin1String("truncation")), qPrintable(stopped));
    QCOMPARE(import.Imported(), 1);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
    QCOMPARE(readAll(file + QStringLiteral(".log")),
             (QStringLiteral("Sample LA-1 created and validated\n") + stopped + '\n').toUtf8());
}

void TestSampleImport::failureBetweenInsertAndValidationLeavesNothing_data()
{
    QTest::addColumn<bool>("validSample");
    QTest::newRow("valid: its status cannot be written") << true;
    QTest::newRow("invalid: it cannot be removed") << false;
}

void TestSampleImport::failureBetweenInsertAndValidationLeavesNothing()
{
    QFETCH(bool, validSample);
    ImportStore s;
    s.store.exec(QStringLiteral("CREATE EXCEPTION E_BROKEN 'the store fails here'"));
    s.store.exec(validSample ? QStringLiteral("CREATE TRIGGER T_BROKEN FOR SAMPLE BEFORE UPDATE AS BEGIN "
                                              "IF (NEW.SAMPLE_STATUS__CODE = 'VALIDATED') THEN EXCEPTION E_BROKEN; END")
                             : QStringLiteral("CREATE TRIGGER T_BROKEN FOR SAMPLE BEFORE DELETE AS BEGIN "
                                              "EXCEPTION E_BROKEN; END"));
    Sample sample = validFoodSample();
    if (!validSample)
        sample.remove("PackageBatchNumber");
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    const QString stopped = runBatch(import, s.writeFile(QStringLiteral("s.xml"), document({sample})));
    QVERIFY2(stopped.contains(QLatin1String("the store fails here")), qPrintable(stopped));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 0);
    QCOMPARE(import.Imported(), 0);
}

void TestSampleImport::termsAreReadAtEveryRun()
{
    ImportStore s;
    Sample sample = validFoodSample();
    sample.insert("PremisesTypeCode", "Takeaway");
    const QString file = s.writeFile(QStringLiteral("s.xml"), document({sample}));
    s.maindm->AllowInvalidSampleImport = true;
    TImportSamplesXMLDM import(*s.maindm, *s.lookups, programFolder());
    QCOMPARE(runBatch(import, file), QString());
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Premises type"), QStringLiteral("Takeaway"),
              QStringLiteral("T"));
    QCOMPARE(runBatch(import, file), QString());
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE PREMISES_TYPE__CODE = 'T'")), 1);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE PREMISES_TYPE__CODE IS NULL")), 1);
}

// A run that dies in the middle (killed, as a crash would end it) leaves the samples up to its last
// commit, at most a hundred records back, and a log that lists exactly those samples.
void TestSampleImport::crashLeavesTheLogAsTheStore()
{
    constexpr int records = 250;
    QTemporaryDir dir;
    const QString storePath = dir.filePath(QStringLiteral("crashed.fdb"));
    const QString file = dir.filePath(QStringLiteral("samples.xml"));
    {
        ImportStore s;
        QList<Sample> samples;
        for (int i = 1; i <= records; ++i) {
            Sample sample = validFoodSample(QStringLiteral("LA-%1").arg(i));
            // The import runs by the real clock there.
            sample.insert("DurabilityYear", QString::number(QDate::currentDate().year()));
            samples << sample;
        }
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(document(samples));
        out.close();
        s.lookups.reset();
        s.maindm.reset();
        s.store.db().close();
        QVERIFY(QFile::copy(s.store.path(), storePath));
    }
    QProcess child;
    child.start(QStringLiteral(IMPORT_CRASH),
                {storePath, programFolder(), file, QStringLiteral("Sample LA-%1 created and validated").arg(records)});
    QVERIFY(child.waitForFinished(120000));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit, child.readAllStandardError().constData());

    TestDatabase crashed(storePath);
    QVERIFY2(crashed.isValid(), qPrintable(crashed.errorText()));
    QStringList stored;
    QSqlQuery q = SqlUtil::exec(crashed.db(), QStringLiteral("SELECT LA_SAMPLENO FROM SAMPLE ORDER BY ABS(ID)"));
    while (q.next())
        stored << q.value(0).toString();
    QStringList logged;
    static const QRegularExpression validated(QStringLiteral("^Sample (\\S+) created and validated$"));
    for (const QString &line : QString::fromUtf8(readAll(file + QStringLiteral(".log"))).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = validated.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        logged << m.captured(1);
    }
    QCOMPARE(logged, stored);
    QVERIFY2(stored.size() >= records - TImportSamplesXMLDM::CommitEvery && stored.size() < records,
             qPrintable(QString::number(stored.size())));
}

QTEST_GUILESS_MAIN(TestSampleImport)
#include "tst_sampleimport.moc"
