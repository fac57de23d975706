// The sample XML generator: each leaf's value from its column, the results of completed samples,
// the faults that stop a run, and whole documents against the golden files and the schema.
#include "XmlFixture.h"
#include "XsdCheck.h"

#include "base/VarnexError.h"
#include "exchange/SampleExportToXml_DM.h"
#include "exchange/VRXSampleXML_DM.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <optional>

namespace {

const QString Absent = QStringLiteral("<absent>");

// The text of a leaf of the first Sample, or Absent.
QString leaf(TXMLDocument &doc, const QString &name, int sample = 0)
{
    const XmlTree &tree = doc.Tree();
    const TXMLSampleType s = GetQOVAData(doc).Sample()[sample];
    if (s.IsNull())
        return QStringLiteral("<no sample>");
    const XmlTree::Name id = tree.findName(name);
    const XmlTree::Node n = id == XmlTree::NoName ? XmlTree::NoNode : tree.findChild(s.Node(), id);
    return n == XmlTree::NoNode ? Absent : tree.text(n).toString();
}

QString goldenPath(const QString &name)
{
    return QStringLiteral(VARNEX_TESTS_DIR "/exchange/xml/") + name;
}

// The table without one column.
DataTable without(const DataTable &table, const QString &column)
{
    QList<FieldDef> fields;
    QList<int> kept;
    for (int c = 0; c < table.fieldCount(); ++c)
        if (table.field(c).name.compare(column, Qt::CaseInsensitive) != 0) {
            fields << table.field(c);
            kept << c;
        }
    DataTable out(fields);
    for (int r = 0; r < table.rowCount(); ++r) {
        QVariantList row;
        for (int c : kept)
            row << table.value(r, c);
        out.appendRow(row);
    }
    return out;
}

} // namespace

class TestSampleXmlGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void conversions_data();
    void conversions();
    void decimalsInTheUsersLocale();
    void resultsOfCompletedSamples();
    void faultsStopTheRun();
    void datasetsOfOtherShapes();
    void eachRunIsADocumentOfItsOwn();
    void settingsAreReadOncePerRun();
    void goldenDocuments_data();
    void goldenDocuments();
    void publishedDocsAreUpToDate();
    void schemaRefusesWhatIsNotTheDocument_data();
    void schemaRefusesWhatIsNotTheDocument();

private:
    TXMLDocument generate(const QStringList &uuids);
    std::unique_ptr<XmlStore> m_store;
    std::unique_ptr<TVRXSampleXMLDM> m_generator;
};

void TestSampleXmlGenerator::initTestCase()
{
    m_store = std::make_unique<XmlStore>();
    QVERIFY2(m_store->store.isValid(), qPrintable(m_store->store.errorText()));
    m_store->setIsoCodes({{"France", "FR"}, {"United Kingdom", "GB"}});
    m_generator = std::make_unique<TVRXSampleXMLDM>(*m_store->maindm, m_store->lookups.get());
}

void TestSampleXmlGenerator::cleanupTestCase()
{
    m_generator.reset();
    m_store.reset();
}

TXMLDocument TestSampleXmlGenerator::generate(const QStringList &uuids)
{
    std::unique_ptr<TSampleSelection> rows = TSampleSelection::ByUuid(m_store->store.db(), uuids);
    m_generator->SetSampleDataset(rows.get());
    m_generator->GenerateXML();
    m_generator->SetSampleDataset(nullptr);
    return m_generator->XMLDoc();
}

void TestSampleXmlGenerator::conversions_data()
{
    QTest::addColumn<QVariantMap>("columns");
    QTest::addColumn<bool>("xmlDates");
    QTest::addColumn<bool>("isoCodes");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QVariantMap &columns, bool xmlDates, bool iso, const char *element,
                        const QString &expected) {
        QTest::newRow(name) << columns << xmlDates << iso << QString(element) << expected;
    };
    const QVariant null;
    row("record type empty", {{"RECORD_TYPE", ""}}, true, false, "RecordType", "FOOD");
    row("record type null", {{"RECORD_TYPE", null}}, true, false, "RecordType", "FOOD");
    row("record type feed", {{"RECORD_TYPE", "ANIMAL FEED"}}, true, false, "RecordType", "ANIMAL FEED");
    row("authority name", {}, true, false, "LocalAuthorityName", "Abbey Council");
    row("analysis MICRO", {{"ANALYSIS_TYPE", "MICRO"}}, true, false, "AnalysisType", "M");
    row("analysis M", {{"ANALYSIS_TYPE", "M"}}, true, false, "AnalysisType", "M");
    row("analysis C", {{"ANALYSIS_TYPE", "C"}}, true, false, "AnalysisType", "C");
    row("analysis N", {{"ANALYSIS_TYPE", "N"}}, true, false, "AnalysisType", "C");
    row("analysis empty", {{"ANALYSIS_TYPE", null}}, true, false, "AnalysisType", "C");
    row("officer code kept", {{"SAMPLE_OFFICER__CODE", "FF"}}, true, false, "SamplingOfficerCode", "FF");
    row("blank officer code found by name", {{"SAMPLE_OFFICER__CODE", "  "}, {"SAMPLE_OFFICER_NAME", "Fay Feed"}}, true,
        false, "SamplingOfficerCode", "FF");
    row("blank officer code, no such officer", {{"SAMPLE_OFFICER__CODE", null}, {"SAMPLE_OFFICER_NAME", "Nobody"}}, true,
        false, "SamplingOfficerCode", "NF");
    row("officer name: the live officer of the code", {{"SAMPLE_OFFICER_NAME", "Typed"}}, true, false,
        "SamplingOfficerName", "Jo Bloggs");
    row("officer name: the sample's own without an officer", {{"SAMPLE_OFFICER__CODE", "ZZ"}, {"SAMPLE_OFFICER_NAME", "Typed"}},
        true, false, "SamplingOfficerName", "Typed");
    row("XML date", {{"SAMPLE_DATE", QDate(2014, 3, 3)}}, true, false, "DateSampleTaken", "2014-03-03");
    row("XML time", {{"SAMPLE_TIME", QTime(9, 5)}}, true, false, "TimeSampleTaken", "09:05:00.000Z");
    row("XML date empty", {{"SAMPLE_DATE", null}}, true, false, "DateSampleTaken", "1899-12-30");
    row("XML time empty", {{"SAMPLE_TIME", null}}, true, false, "TimeSampleTaken", "00:00:00.000Z");
    row("XML recorded date", {{"RECORDED_DATE", QDate(2024, 1, 2)}}, true, false, "RecordedDate", "2024-01-02");
    row("XML recorded date empty", {{"RECORDED_DATE", null}}, true, false, "RecordedDate", Absent);
    row("XML manufacture date empty", {{"DATE_OF_MANUFACTURE", null}}, true, false, "AnimalFeedDateOfManufacture", Absent);
    row("local date", {{"SAMPLE_DATE", QDate(2014, 3, 3)}}, false, false, "DateSampleTaken", "03/03/2014");
    row("local time", {{"SAMPLE_TIME", QTime(9, 5)}}, false, false, "TimeSampleTaken", "09:05:00");
    row("local date empty", {{"SAMPLE_DATE", null}}, false, false, "DateSampleTaken", "30/12/1899");
    row("local time empty", {{"SAMPLE_TIME", null}}, false, false, "TimeSampleTaken", "00:00:00");
    row("local recorded date", {{"RECORDED_DATE", QDate(2024, 1, 2)}}, false, false, "RecordedDate", "02/01/2024");
    row("local recorded date empty", {{"RECORDED_DATE", null}}, false, false, "RecordedDate", "");
    row("local manufacture date empty", {{"DATE_OF_MANUFACTURE", null}}, false, false, "AnimalFeedDateOfManufacture", "");
    row("ISO code", {{"COUNTRY", "France"}}, true, true, "CountryCode", "FR");
    row("ISO code unknown", {{"COUNTRY", "Atlantis"}}, true, true, "CountryCode", "N/A");
    row("ISO code unknown keeps the name", {{"COUNTRY", "Atlantis"}}, true, true, "CountryDescription", "Atlantis");
    row("no ISO codes", {{"COUNTRY", "France"}}, true, false, "CountryCode", "France");
    row("flag T", {{"FLAG_SURVEY", "T"}}, true, false, "IsSurvey", "true");
    row("flag t", {{"FLAG_SURVEY", "t"}}, true, false, "IsSurvey", "false");
    row("flag empty", {{"FLAG_SURVEY", null}}, true, false, "IsSurvey", "false");
    row("food poisoning", {{"FLAG_FOOD_POISONING", "T"}}, true, false, "IsFoodBourneIllnessInvestigation", "true");
    row("no food poisoning", {{"FLAG_FOOD_POISONING", "F"}}, true, false, "IsFoodBourneIllnessInvestigation", "false");
    row("durability day empty", {{"DURABILITY_DAY", null}}, true, false, "DurabilityDay", "0");
    row("durability year", {{"DURABILITY_YEAR", 2025}}, true, false, "DurabilityYear", "2025");
    row("temperature rounds up", {{"TEMPERATURE", "4.5"}}, true, false, "Temperature", "5");
    row("temperature rounds down", {{"TEMPERATURE", "3.4"}}, true, false, "Temperature", "3");
    row("temperature below zero", {{"TEMPERATURE", "-2.5"}}, true, false, "Temperature", "-3");
    row("temperature empty", {{"TEMPERATURE", null}}, true, false, "Temperature", "0");
    row("purchase cost", {{"PURCHASE_COST", "12.50"}}, true, false, "PurchaseCost", "12.5");
    row("analysis cost whole", {{"ANALYSIS_COST", "3.000"}}, true, false, "AnalysisCost", "3");
    row("quantity", {{"QUANTITY", "1.25"}}, true, false, "PackageQuantity", "1.25");
    row("laboratory comments with a control character", {{"LABORATORY_COMMENTS", "one\r\ntwo\x01"}}, true, false,
        "LaboratoryComments", "one  two ");
    row("comments with line breaks", {{"SAMPLE_COMMENTS", "one\r\ntwo"}}, true, false, "SampleComments", "one\r\ntwo");
    row("feed columns on a food sample", {}, true, false, "AnimalFeedLabelBusinessAddress", "");
    row("routine analysis", {{"ROUTINE_ANALYSIS", "T"}, {"ANALYSIS_TEXT", "Routine"}}, true, false, "RoutineComments",
        "Routine");
}

void TestSampleXmlGenerator::conversions()
{
    QFETCH(QVariantMap, columns);
    QFETCH(bool, xmlDates);
    QFETCH(bool, isoCodes);
    QFETCH(QString, element);
    QFETCH(QString, expected);
    m_store->setXmlDates(xmlDates);
    m_store->setIsoCountryCodes(isoCodes);
    const QString uuid = m_store->addSample(columns);
    TXMLDocument doc = generate({uuid});
    QCOMPARE(leaf(doc, element), expected);
    // What was written reads back as written.
    TXMLDocument back = TXMLDocument::LoadFromData(doc.XML());
    QCOMPARE(leaf(back, element), expected);
}

void TestSampleXmlGenerator::decimalsInTheUsersLocale()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    m_store->setXmlDates(false);
    const QString uuid = m_store->addSample({{"PURCHASE_COST", "1234.50"}, {"SAMPLE_DATE", QDate(2014, 3, 3)}});
    TXMLDocument doc = generate({uuid});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QCOMPARE(leaf(doc, "PurchaseCost"), QString("1234,5"));
    QCOMPARE(leaf(doc, "DateSampleTaken"), QString("03/03/2014"));
}

void TestSampleXmlGenerator::resultsOfCompletedSamples()
{
    m_store->setXmlDates(true);
    const QString complete = m_store->addSample();
    m_store->setResultsBlob(complete, ResultBlobs::writeResults(XmlStore::results(2)));
    const QString validated = m_store->addSample({{"SAMPLE_STATUS__CODE", "VALIDATED"}});
    m_store->setResultsBlob(validated, ResultBlobs::writeResults(XmlStore::results(3)));
    const QString noResults = m_store->addSample();
    // Column names in another letter case are the same columns.
    DataTable lower({{"output", FieldType::String, 0}, {"result_TYPE", FieldType::String, 0}, {"Result", FieldType::String, 0}});
    lower.appendRow({QString("Lower"), QString("T"), QString("7.25")});
    const QString lowerCase = m_store->addSample();
    m_store->setResultsBlob(lowerCase, ResultBlobs::writeResults(lower));

    TXMLDocument doc = generate({complete, validated, noResults, lowerCase});
    const TXMLQOVAData root = GetQOVAData(doc);
    QCOMPARE(root.Sample().Count(), 4);
    const TXMLResultTypeList results = root.Sample()[0].Result();
    QCOMPARE(results.Count(), 2);
    const TXMLResultType first = results[0];
    QCOMPARE(first.Output(), QString("R output 1"));
    QCOMPARE(first.TestSubstance(), QString("Listeria & co"));
    QCOMPARE(first.Qualifier(), QString("<"));
    QCOMPARE(first.Result(), QString("0.5"));
    QCOMPARE(first.ResultTimeStamp(), QString("02/05/2024 14:07:09"));
    QCOMPARE(first.FailDescription(), QString("Satisfactory"));
    QCOMPARE(first.LODLOQ(), QString("0.04"));
    QCOMPARE(results[1].BatchNumber(), QString("B1"));
    QCOMPARE(root.Sample()[1].Result().Count(), 0); // not complete: no results, whatever its blob holds
    QCOMPARE(root.Sample()[2].Result().Count(), 0); // complete without results
    const TXMLResultType lowerResult = root.Sample()[3].Result()[0];
    QCOMPARE(lowerResult.Output(), QString("Lower"));
    QCOMPARE(lowerResult.ResultType(), QString("T"));
    QCOMPARE(lowerResult.Result(), QString("7.25"));
    QCOMPARE(lowerResult.TestUnits(), QString());
    QVERIFY2(schemaErrors(doc.XML()).isEmpty(), qPrintable(schemaErrors(doc.XML()).join('\n')));
}

void TestSampleXmlGenerator::faultsStopTheRun()
{
    // No dataset.
    TVRXSampleXMLDM fresh(*m_store->maindm, m_store->lookups.get());
    try {
        fresh.GenerateXML();
        QFAIL("generated without a dataset");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("Cannot generate XML as no Sample dataset was provided"));
    }

    // A results blob that is not one: the run stops naming the sample, and leaves no document.
    const QString good = m_store->addSample({{"CODE", "GOOD1"}});
    const QString bad = m_store->addSample({{"CODE", "BAD1"}});
    m_store->setResultsBlob(bad, "not a dataset packet");
    try {
        generate({good, bad});
        QFAIL("a damaged results blob was written");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith("Cannot generate XML for sample BAD1: its laboratory results cannot be read: "),
                 qPrintable(e.message()));
    }
    QVERIFY(m_generator->XMLDoc().IsEmpty());

    // A column the document needs.
    QSqlQuery q = SqlUtil::exec(m_store->store.db(), "SELECT S.* FROM SAMPLE S WHERE S.UNIQUE_UUID = ?", {good});
    DataTable table;
    QVERIFY(table.fillFromQuery(q));
    TTableSampleRows rows(without(table, "BRAND_NAME"));
    fresh.SetSampleDataset(&rows);
    try {
        fresh.GenerateXML();
        QFAIL("generated without BRAND_NAME");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("Cannot generate XML: the sample dataset has no column BRAND_NAME"));
    }
    // Rows that belie the count the document announced (the store changed between the two).
    class MiscountedRows : public TTableSampleRows
    {
    public:
        using TTableSampleRows::TTableSampleRows;
        int Count() override { return TTableSampleRows::Count() + 1; }
    };
    MiscountedRows miscounted(table);
    fresh.SetSampleDataset(&miscounted);
    QByteArray partial;
    QBuffer device(&partial);
    device.open(QIODevice::WriteOnly);
    try {
        fresh.GenerateXML(device);
        QFAIL("a document with a false SampleCount was finished");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("Cannot generate XML: the samples changed while they were written (2 counted, 1 "
                                      "read). Please export them again."));
    }
    QVERIFY(!partial.contains("</QOVAData>"));
    QCOMPARE(fresh.SamplesWritten(), 0);

    // A number column that holds no number.
    DataTable text(without(table, "TEMPERATURE"));
    text.addField({"TEMPERATURE", FieldType::String, 10});
    text.setValue(0, "TEMPERATURE", "warm");
    TTableSampleRows textRows(text);
    fresh.SetSampleDataset(&textRows);
    try {
        fresh.GenerateXML();
        QFAIL("a temperature of \"warm\" was written");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("Cannot generate XML for sample GOOD1: the column TEMPERATURE holds \"warm\", which "
                                      "is not a number"));
    }
}

void TestSampleXmlGenerator::datasetsOfOtherShapes()
{
    m_store->setXmlDates(true);
    const QString uuid = m_store->addSample({{"SAMPLE_OFFICER_NAME", "Typed Name"}, {"ROUTINE_ANALYSIS", "T"}});
    QSqlQuery q = SqlUtil::exec(m_store->store.db(), "SELECT S.* FROM SAMPLE S WHERE S.UNIQUE_UUID = ?", {uuid});
    DataTable table;
    QVERIFY(table.fillFromQuery(q));
    // Without the officer's NAME: the name the sample keeps.
    TTableSampleRows rows(table);
    TVRXSampleXMLDM generator(*m_store->maindm, m_store->lookups.get());
    generator.SetSampleDataset(&rows);
    generator.GenerateXML();
    QCOMPARE(leaf(generator.XMLDoc(), "SamplingOfficerName"), QString("Typed Name"));
    QCOMPARE(leaf(generator.XMLDoc(), "IsRoutineAnalysisRequired"), QString("true"));

    // Without the columns of the conditional leaves (and without any officer name): no such elements.
    DataTable bare = table;
    for (const char *column : {"SAMPLE_OFFICER_NAME", "ROUTINE_ANALYSIS", "RISK_CATEGORY_FOOD_STAND__CODE", "QOVA_INFO",
                               "MAFF__CODE", "DATE_OF_MANUFACTURE", "REGISTRATION_NUMBER", "ANIMAL_SPECIES__CODE",
                               "LABEL_REGISTRATION_NUMBER", "LABEL_BUSINESS_TYPE__CODE", "LABEL_BUSINESS_ADDRESS"})
        bare = without(bare, column);
    TTableSampleRows bareRows(bare);
    generator.SetSampleDataset(&bareRows);
    generator.GenerateXML();
    for (const char *element : {"SamplingOfficerName", "IsRoutineAnalysisRequired", "RoutineComments",
                                "FoodStandardsRiskCategoryCode", "FoodStandardsRiskCategoryDescription", "QOVAInformation",
                                "MAFFCategoryCode", "AnimalFeedDateOfManufacture", "AnimalFeedRegistrationNumber",
                                "AnimalFeedSpeciesCode", "AnimalFeedLabelRegistrationNumber",
                                "AnimalFeedLabelBusinessTypeCode", "AnimalFeedLabelBusinessAddress"})
        QVERIFY2(leaf(generator.XMLDoc(), element) == Absent, element);
    QCOMPARE(leaf(generator.XMLDoc(), "SamplingOfficerCode"), QString("JB"));
    QVERIFY2(schemaErrors(generator.XMLDoc().XML()).isEmpty(), qPrintable(schemaErrors(generator.XMLDoc().XML()).join('\n')));
}

void TestSampleXmlGenerator::eachRunIsADocumentOfItsOwn()
{
    const QString a = m_store->addSample({{"CODE", "RUN-A"}});
    const QString b = m_store->addSample({{"CODE", "RUN-B"}});
    const QString c = m_store->addSample({{"CODE", "RUN-C"}});
    int lastTotal = -2;
    QList<int> done;
    m_generator->SetProgress([&](int d, int total) {
        done << d;
        lastTotal = total;
    });
    TXMLDocument first = generate({a, b});
    TXMLDocument firstCopy = TXMLDocument::LoadFromData(first.XML());
    QCOMPARE(done, (QList<int>{0, 1, 2}));
    QCOMPARE(lastTotal, 2);
    TXMLDocument second = generate({c});
    m_generator->SetProgress({});
    QCOMPARE(sampleNumbers(GetQOVAData(firstCopy)), (QStringList{"RUN-A", "RUN-B"}));
    QCOMPARE(GetQOVAData(firstCopy).FileInfo().SampleCount(), 2);
    TXMLDocument secondCopy = TXMLDocument::LoadFromData(second.XML());
    QCOMPARE(sampleNumbers(GetQOVAData(secondCopy)), QStringList{"RUN-C"});
    QCOMPARE(GetQOVAData(secondCopy).FileInfo().SampleCount(), 1);
    QCOMPARE(GetQOVAData(secondCopy).FileInfo().DateGenerated(), QString("17/05/2024"));
    QCOMPARE(GetQOVAData(secondCopy).FileInfo().FileSource(), QString(" "));

    // Zero samples: FileInfo alone.
    TXMLDocument none = generate({"00000000-0000-0000-0000-000000000000"});
    const QString xml = QString::fromUtf8(none.XML());
    QVERIFY(!xml.contains("<Sample>"));
    QVERIFY(xml.contains("<SampleCount>0</SampleCount>"));
    QVERIFY2(schemaErrors(none.XML()).isEmpty(), qPrintable(schemaErrors(none.XML()).join('\n')));
}

void TestSampleXmlGenerator::settingsAreReadOncePerRun()
{
    m_store->setXmlDates(true);
    const QString a = m_store->addSample({{"SAMPLE_DATE", QDate(2020, 1, 2)}});
    const QString b = m_store->addSample({{"SAMPLE_DATE", QDate(2020, 1, 3)}});
    // A synchronisation brings the other date setting while the run is under way.
    m_generator->SetProgress([&](int done, int) {
        if (done == 1)
            m_store->setXmlDates(false);
    });
    TXMLDocument doc = generate({a, b});
    m_generator->SetProgress({});
    QCOMPARE(leaf(doc, "DateSampleTaken", 0), QString("2020-01-02"));
    QCOMPARE(leaf(doc, "DateSampleTaken", 1), QString("2020-01-03"));
}

void TestSampleXmlGenerator::goldenDocuments_data()
{
    QTest::addColumn<bool>("xmlDates");
    QTest::newRow("XML dates") << true;
    QTest::newRow("local dates") << false;
}

void TestSampleXmlGenerator::goldenDocuments()
{
    QFETCH(bool, xmlDates);
    XmlStore &store = *m_store;
    store.setXmlDates(xmlDates);
    store.setIsoCountryCodes(true);
    const QVariantMap food{
        {"CODE", "ABC070001"}, {"LA_SAMPLENO", "LA/1"}, {"LOCAL_AUTHORITY__CODE", "ABC"},
        {"LOCAL_AUTH_OFFICE__CODE", "ABC01"}, {"LOCAL_AUTH_OFFICE_DESCRIPTION", "North Office"},
        {"ANALYSIS_TYPE", "MICRO"}, {"SAMPLE_DATE", QDate(2024, 4, 30)}, {"SAMPLE_TIME", QTime(9, 5)},
        {"RECORDED_DATE", QDate(2024, 5, 1)}, {"PREMISES_NAME", "The Corner Cafe"}, {"BUSINESS_ID", "P123"},
        {"BUSINESS_ADDR_1", "1 High Street"}, {"BUSINESS_POSTCODE", "AB1 2CD"}, {"PREMISES_TYPE__CODE", "R"},
        {"PREMISES_TYPE_DESCRIPTION", "Restaurant"}, {"REASON__CODE", "S"}, {"REASON_DESCRIPTION", "Surveillance/Monitoring"},
        {"FLAG_FOLLOW_UP", "F"}, {"FLAG_FOOD_POISONING", "T"}, {"DETAILS", "Outbreak 12"}, {"FLAG_SURVEY", "T"},
        {"BRAND_NAME", "N/A"}, {"FOOD_DESCRIPTION", "Chicken sandwich"}, {"CATEGORY__CODE", "01"},
        {"SUB_CATEGORY_3__CODE", "01.01.01.01"}, {"COUNTRY", "United Kingdom"}, {"QUANTITY", "250.00"},
        {"PACK_SIZE", "G"}, {"DURABILITY_DAY", 3}, {"DURABILITY_MONTH", 5}, {"DURABILITY_YEAR", 2024},
        {"TEMPERATURE", "4.5"}, {"FLAG_COP_CONDITION", "T"}, {"FLAG_COP_LAB", "T"}, {"LABORATORY__CODE", "LAB1"},
        {"LABORATORY_DESCRIPTION", "County Laboratory"}, {"LABORATORY_COMMENTS", "Tested twice."},
        {"PURCHASE_COST", "2.50"}, {"ANALYSIS_COST", "35.125"}, {"FLAG_SATISFACTORY", "T"}, {"FLAG_PROSECUTION", "F"},
        {"ROUTINE_ANALYSIS", "T"}, {"ANALYSIS_TEXT", "Routine analysis required, or as previously agreed with the laboratory"},
        {"QOVA_INFO", "VRXNet Version = 1.0.0, Computer name = DESK1"}, {"MAFF__CODE", "M1"}};
    const QString foodUuid = store.addSample(food);
    store.setResultsBlob(foodUuid, ResultBlobs::writeResults(XmlStore::results(2)));
    const QVariantMap feed{{"CODE", "ABC070002"}, {"RECORD_TYPE", "ANIMAL FEED"}, {"SAMPLE_STATUS__CODE", "VALIDATED"},
                           {"SAMPLE_OFFICER__CODE", "FF"}, {"SAMPLE_OFFICER_NAME", "Fay Feed"}, {"ANALYSIS_TYPE", "C"},
                           {"SAMPLE_DATE", QDate(2024, 5, 2)}, {"SAMPLE_TIME", QTime(16, 45, 30)},
                           {"DATE_OF_MANUFACTURE", QDate(2024, 1, 15)}, {"REGISTRATION_NUMBER", "GB123"},
                           {"ANIMAL_SPECIES__CODE", "09.01"}, {"LABEL_REGISTRATION_NUMBER", "L42"},
                           {"LABEL_BUSINESS_TYPE__CODE", "M"}, {"LABEL_BUSINESS_ADDRESS", "Feed Mill\r\nMill Lane"},
                           {"COUNTRY", "Atlantis"}};
    const QString feedUuid = store.addSample(feed);
    const QVariantMap hostile{
        {"CODE", "ABC070003"}, {"SAMPLE_OFFICER__CODE", ""}, {"SAMPLE_OFFICER_NAME", "Nobody"},
        {"PREMISES_NAME", "Smith & Sons <Bakers>"}, {"FOOD_DESCRIPTION", QString::fromUtf8("Żurek – Ωμέγα – 東京 😀")},
        {"SAMPLE_COMMENTS", "]]> \"quoted\" 'single'\r\nsecond line\ttab"},
        {"LABORATORY_COMMENTS", QString("bell\x07 and ") + QChar(0xFFFE) + "\r\nend"}};
    const QString hostileUuid = store.addSample(hostile);

    TVRXSampleXMLDM generator(*store.maindm, store.lookups.get());
    std::unique_ptr<TSampleSelection> rows = TSampleSelection::ByUuid(store.store.db(), {foodUuid, feedUuid, hostileUuid});
    generator.SetSampleDataset(rows.get());
    // As the exports write it, straight to the device; the document object holds the same.
    QByteArray xml;
    QBuffer buffer(&xml);
    buffer.open(QIODevice::WriteOnly);
    generator.GenerateXML(buffer);
    generator.SetSampleDataset(nullptr);
    rows = TSampleSelection::ByUuid(store.store.db(), {foodUuid, feedUuid, hostileUuid});
    generator.SetSampleDataset(rows.get());
    generator.GenerateXML();
    QCOMPARE(QString::fromUtf8(generator.XMLDoc().XML()), QString::fromUtf8(xml));

    const QString golden = goldenPath(xmlDates ? "golden-xmldates.xml" : "golden-localdates.xml");
    if (qEnvironmentVariableIsSet("VARNEX_UPDATE_GOLDEN"))
        writeAll(golden, xml);
    QCOMPARE(QString::fromUtf8(xml), QString::fromUtf8(readAll(golden)));
    QVERIFY2(schemaErrors(xml).isEmpty(), qPrintable(schemaErrors(xml).join('\n')));

    // Every text reads back as the store holds it (the one with a character XML cannot carry
    // with the blanks of the rule).
    TXMLDocument back = TXMLDocument::LoadFromData(xml);
    const TXMLQOVAData root = GetQOVAData(back);
    QCOMPARE(root.FileInfo().SampleCount(), 3);
    QCOMPARE(root.Sample()[0].IsFoodBourneIllnessInvestigation(), true);
    QCOMPARE(root.Sample()[0].Result().Count(), 2);
    QCOMPARE(root.Sample()[1].AnimalFeedLabelBusinessAddress(), QString("Feed Mill\r\nMill Lane"));
    const TXMLSampleType h = root.Sample()[2];
    QCOMPARE(h.PremisesName(), hostile.value("PREMISES_NAME").toString());
    QCOMPARE(h.FoodDescription(), hostile.value("FOOD_DESCRIPTION").toString());
    QCOMPARE(h.SampleComments(), hostile.value("SAMPLE_COMMENTS").toString());
    QCOMPARE(h.LaboratoryComments(), QString("bell  and    end"));
    QCOMPARE(h.SamplingOfficerCode(), QString("NF"));
}

void TestSampleXmlGenerator::publishedDocsAreUpToDate()
{
    const QString docs = QStringLiteral(VARNEX_TESTS_DIR "/../docs/");
    const QString hint = QStringLiteral("docs/ is behind the element tables: run build/tests/sample_xml_docs docs");
    QVERIFY2(readAll(docs + "sample-xml.xsd") == SampleXmlSchema::Xsd(), qPrintable(hint));
    const QString page = QString::fromUtf8(readAll(docs + "sample-xml.md"));
    QVERIFY(page.contains(SampleXmlSchema::ListBegin));
    QVERIFY2(SampleXmlSchema::WithElementList(page) == page, qPrintable(hint));
}

void TestSampleXmlGenerator::schemaRefusesWhatIsNotTheDocument_data()
{
    // A pattern of a valid document and what takes its place.
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::newRow("leaves out of order") << "(<RecordType>[^<]*</RecordType>)(\\s*)(<SampleNumber>[^<]*</SampleNumber>)"
                                         << "\\3\\2\\1";
    QTest::newRow("a required leaf missing") << "<SampleNumber>[^<]*</SampleNumber>" << "";
    QTest::newRow("no FileInfo") << "<FileInfo>.*</FileInfo>" << "";
    QTest::newRow("boolean capitalised") << "<IsSurvey>[^<]*</IsSurvey>" << "<IsSurvey>True</IsSurvey>";
    QTest::newRow("boolean numeric") << "<IsSurvey>[^<]*</IsSurvey>" << "<IsSurvey>1</IsSurvey>";
    QTest::newRow("integer with a fraction") << "<Temperature>[^<]*</Temperature>" << "<Temperature>4.5</Temperature>";
    QTest::newRow("an element of no list") << "<SampleNumber>" << "<Colour/><SampleNumber>";
}

void TestSampleXmlGenerator::schemaRefusesWhatIsNotTheDocument()
{
    // The schema checks what peers rely on: a document that passes it is one they can read.
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    const QString uuid = m_store->addSample({{"CODE", "SCHEMA1"}});
    const QString xml = QString::fromUtf8(generate({uuid}).XML());
    QVERIFY2(schemaErrors(xml.toUtf8()).isEmpty(), qPrintable(schemaErrors(xml.toUtf8()).join('\n')));
    const QRegularExpression re(pattern, QRegularExpression::DotMatchesEverythingOption);
    QVERIFY(re.match(xml).hasMatch());
    QString changed = xml;
    changed.replace(re, replacement);
    QVERIFY(!schemaErrors(changed.toUtf8()).isEmpty());
}

QTEST_GUILESS_MAIN(TestSampleXmlGenerator)
#include "tst_samplexmlgen.moc"
