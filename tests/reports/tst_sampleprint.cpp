#include "reports/SamplePrint_DM.h"

#include "ReportTools.h"
#include "base/BusyIndicator.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/Failure.h"
#include "data/ResultBlobs.h"
#include "reports/ReportOutput.h"
#include "store/SqlUtil.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace ReportTools;

namespace {

const QString FoodMicro = QStringLiteral("11111111-0000-4000-8000-000000000001");
const QString FoodChemical = QStringLiteral("11111111-0000-4000-8000-000000000002");
const QString FeedEnforcement = QStringLiteral("11111111-0000-4000-8000-000000000003");
const QString FeedSurveillance = QStringLiteral("11111111-0000-4000-8000-000000000004");
const QString NoDurabilityDay = QStringLiteral("11111111-0000-4000-8000-000000000005");
const QString DamagedResults = QStringLiteral("11111111-0000-4000-8000-000000000006");
const QString SmallLetters = QStringLiteral("11111111-0000-4000-8000-000000000007");
const QString LongTexts = QStringLiteral("11111111-0000-4000-8000-000000000008");
const QString DamagedOutcomes = QStringLiteral("11111111-0000-4000-8000-000000000009");

QString labelUuid(int n)
{
    return QStringLiteral("22222222-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
}

QByteArray results(const QList<QStringList> &rows)
{
    DataTable t(ResultBlobs::resultFields());
    for (const QStringList &r : rows) {
        const int row = t.appendRow();
        t.setValue(row, QStringLiteral("SUBSTANCE"), r.at(0));
        t.setValue(row, QStringLiteral("LAB_UNIT"), r.at(1));
        t.setValue(row, QStringLiteral("OUTPUT"), r.at(2));
    }
    return ResultBlobs::writeResults(t);
}

// The outcome blob the server sends: ID, code and description of each outcome.
QString outcomes(const QList<QStringList> &rows)
{
    DataTable t(ResultBlobs::outcomeFields());
    for (const QStringList &r : rows)
        t.appendRow({r.at(0), r.at(1), r.at(2)});
    return ResultBlobs::writeOutcomes(t);
}

// The columns every fixture sample shares; each sample changes what its case needs.
QVariantMap common(const QString &uuid, const QString &code, const QString &recordType)
{
    return {
        {"UNIQUE_UUID", uuid}, {"CODE", code}, {"RECORD_TYPE", recordType}, {"SAMPLE_STATUS__CODE", "COMPLETE"},
        {"FLAG_DELETED", "F"}, {"LA_SAMPLENO", "LA-" + code.right(4)},
        {"LOCAL_AUTHORITY__CODE", "DEMO"}, {"LOCAL_AUTHORITY_DESCRIPTION", "Demo Borough Council"},
        {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"}, {"LOCAL_AUTH_OFFICE_DESCRIPTION", "Demo main office"},
        {"SAMPLE_OFFICER_NAME", "Pat Plain"}, {"BUSINESS_ID", "PR-0042"}, {"PREMISES_NAME", "Corner Deli"},
        {"BUSINESS_ADDR_1", "12 High Street"}, {"BUSINESS_ADDR_2", ""}, {"BUSINESS_ADDR_3", "Northtown"},
        {"BUSINESS_POSTCODE", "NT1 2AB"}, {"SAMPLE_DATE", QDate(2024, 3, 5)}, {"SAMPLE_TIME", QTime(10, 30)},
        {"PREMISES_TYPE__CODE", "D"}, {"SAMPLE_TYPE__CODE", "E1"}, {"SAMPLE_TYPE_DESCRIPTION", "Complaint"},
        {"SURVEY_BODY_DESCRIPTION", "Regional survey group"}, {"SURVEY_NUMBER", "RS-7"},
        {"BRAND_NAME", "Acme"}, {"FOOD_DESCRIPTION", "Smoked ham, sliced"}, {"CATEGORY_DESCRIPTION", "Meat products"},
        {"SUB_CATEGORY_DESCRIPTION", "Cooked meats"}, {"MANUFACTURER", "Acme Foods Ltd"}, {"DISTRIBUTER", "N/A"},
        {"IMPORTER", "N/A"}, {"COUNTRY", "United Kingdom"}, {"PACKAGING_DESCRIPTION", "Pre-packed"},
        {"QUANTITY", 250.0}, {"PACK_SIZE", "G"}, {"PACK_SIZE_DESCRIPTION", "grams"}, {"BATCH_NUMBER", "B123"},
        {"CONDITION_DESCRIPTION", "Chilled"}, {"LABORATORY_DESCRIPTION", "Demo Public Analyst"},
        {"ANALYSIS_TEXT", "Routine analysis required, or as previously agreed with the laboratory"},
        {"SAMPLE_COMMENTS", "Contract ABC-12"}, {"LABORATORY_COMMENTS", "Satisfactory for the tests carried out"},
    };
}

QVariantMap with(QVariantMap map, const QVariantMap &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

// A line of the page text that holds all the given pieces in this order, blanks between them.
bool hasLine(const QString &text, const QStringList &pieces)
{
    QStringList escaped;
    for (const QString &p : pieces)
        escaped << QRegularExpression::escape(p);
    return QRegularExpression(escaped.join(QStringLiteral("\\s+"))).match(text).hasMatch();
}

// Answers questions from a queue and, whenever it shows a message, notes what another connection
// to the store sees at that moment.
class WatchingPrompter : public RecordingPrompter
{
public:
    std::function<QString()> look;
    QStringList seenAtMessages;
    void message(Kind kind, const QString &title, const QString &text) override
    {
        RecordingPrompter::message(kind, title, text);
        if (look)
            seenAtMessages << look();
    }
};

// How deep the busy indicator is, and how often it began.
class CountingBusy : public BusyIndicator
{
public:
    int depth = 0;
    int begun = 0;
    void begin() override
    {
        ++depth;
        ++begun;
    }
    void end() override { --depth; }
};

// Notes how deep the busy indicator is whenever a report is shown or the user is asked or told.
class BusyWatch : public ReportOutput, public RecordingPrompter
{
public:
    explicit BusyWatch(const CountingBusy &busy) : m_busy(busy) {}
    QList<int> depths;
    void show(const ReportDocument &) override { depths << m_busy.depth; }
    void message(Kind kind, const QString &title, const QString &text) override
    {
        depths << m_busy.depth;
        RecordingPrompter::message(kind, title, text);
    }
    bool question(const QString &title, const QString &text, bool defaultYes = false) override
    {
        depths << m_busy.depth;
        return RecordingPrompter::question(title, text, defaultYes);
    }

private:
    const CountingBusy &m_busy;
};

} // namespace

class TestSamplePrint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void formsPrintAPagePerSampleWithTheirValues_data();
    void formsPrintAPagePerSampleWithTheirValues();
    void durabilityNeverPrintsZeroes();
    void longTextsGrowRatherThanBeCut();
    void resultReportsPrintEachSamplesOwnRows_data();
    void resultReportsPrintEachSamplesOwnRows();
    void feedResultReportStartsEachSampleOnANewPage();
    void labelsAreLabelSizedAndScanBack();
    void a4SheetsHoldEightLabels();
    void printingRefuses_data();
    void printingRefuses();
    void overrideFileReplacesTheBuiltInReport();
    void designSwitchWritesTheDefinitionAndPrintsNothing();
    void manySamplesAreBoundInChunks();

    void officeUpdate_data();
    void officeUpdate();
    void officeUpdateIsOneTransaction();
    void busyOnlyWhileTheModuleWorks();

private:
    QString print(const QStringList &uuids, void (TSamplePrintDM::*operation)(), const QString &programFolder = {});

    TestDatabase m_db;
    QTemporaryDir m_out;
    QTemporaryDir m_program;
    int m_printed = 0;
};

void TestSamplePrint::initTestCase()
{
    QVERIFY2(m_db.isValid(), qPrintable(m_db.errorText()));
    for (const char *tool : {"pdftotext", "pdfinfo", "pdftoppm", "zbarimg"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing: run scripts/setup").arg(QLatin1String(tool))));

    insertSample(m_db, with(common(FoodMicro, "DEMO0990001", "FOOD"),
                            {{"ANALYSIS_TYPE", "M"}, {"REASON__CODE", "E"}, {"FLAG_SURVEY", "T"}, {"FLAG_FOLLOW_UP", "F"},
                             {"FLAG_FOOD_POISONING", "T"}, {"DETAILS", "Outbreak OB-2024-3"}, {"ADDITIONAL_INFO", "R"},
                             {"DURABILITY__CODE", "E"}, {"DURABILITY_DESCRIPTION", "Best before end"},
                             {"DURABILITY_MONTH", 3}, {"DURABILITY_YEAR", 2014}, {"FLAG_COP_CONDITION", "T"},
                             {"FLAG_COP_LAB", "T"}, {"TEMPERATURE", 4.5}, {"MAFF__CODE", "0601"},
                             {"MAFF_DESCRIPTION", "Cooked meat products"},
                             {"CDS_LABORATORY_RESULTS", results({{"Lead", "mg/kg", "0.02"},
                                                                 {"Listeria monocytogenes", "cfu/g", "Not detected"}})},
                             {"CDS_OUTCOMES", outcomes({{"7", "U1", "Unsatisfactory: exceeds the maximum level"}})}}));
    insertSample(m_db, with(common(FoodChemical, "DEMO0990002", "FOOD"),
                            {{"ANALYSIS_TYPE", "C"}, {"REASON__CODE", "S"}, {"FLAG_SURVEY", "F"}, {"FLAG_FOLLOW_UP", "T"},
                             {"ADDITIONAL_INFO", "Organic range"}, {"DURABILITY__CODE", "U"},
                             {"DURABILITY_DESCRIPTION", "Use by"}, {"DURABILITY_DAY", 5}, {"DURABILITY_MONTH", 3},
                             {"DURABILITY_YEAR", 2014}, {"FLAG_COP_CONDITION", "F"}, {"NOT_COP", "Sample warm"},
                             {"FLAG_COP_LAB", "F"}}));
    insertSample(m_db, with(common(FeedEnforcement, "DEMO0990003", "ANIMAL FEED"),
                            {{"ANALYSIS_TYPE", "C"}, {"REASON__CODE", "E"}, {"DURABILITY__CODE", "N"},
                             {"ANIMAL_SPECIES_DESCRIPTION", "Pigs"}, {"FOOD_DESCRIPTION", "Compound feed for pigs"},
                             {"LABEL_BUSINESS_TYPE__CODE", "MAN"}, {"LABEL_REGISTRATION_NUMBER", "GB-123"},
                             {"LABEL_BUSINESS_ADDRESS", "Feed Mill Ltd, Mill Lane"}, {"DATE_OF_MANUFACTURE", QDate(2024, 1, 9)},
                             {"CDS_LABORATORY_RESULTS", results({{"Aflatoxin B1", "ug/kg", "1.5"}})}}));
    insertSample(m_db, with(common(FeedSurveillance, "DEMO0990004", "ANIMAL FEED"),
                            {{"ANALYSIS_TYPE", "C"}, {"REASON__CODE", "S"}, {"DURABILITY__CODE", "N"},
                             {"CDS_LABORATORY_RESULTS", results({{"Copper", "mg/kg", "120"}})}}));
    insertSample(m_db, with(common(NoDurabilityDay, "DEMO0990005", "FOOD"),
                            {{"DURABILITY__CODE", "O"}, {"DURABILITY_MONTH", 3}, {"DURABILITY_YEAR", 2014}}));
    insertSample(m_db, with(common(DamagedResults, "DEMO0990006", "FOOD"), {{"CDS_LABORATORY_RESULTS", QByteArray("\xa5garbage")}}));
    insertSample(m_db, common(SmallLetters, "demo0990007", "FOOD"));
    insertSample(m_db, with(common(DamagedOutcomes, "DEMO0990009", "FOOD"), {{"CDS_OUTCOMES", "garbage"}}));
    insertSample(m_db, with(common(LongTexts, "DEMO0990008", "FOOD"),
                            {{"FOOD_DESCRIPTION", QStringLiteral("Assorted ").repeated(26) + "descriptionends"},
                             {"BUSINESS_ADDR_1", QStringLiteral("Unit 14, The Very Long Named Industrial Estate Ro")},
                             {"BUSINESS_ADDR_2", QStringLiteral("Off the Old Turnpike Road by the Railway Bridge")},
                             {"BUSINESS_ADDR_3", QStringLiteral("Northtown-upon-the-Marsh and Surrounding Villages")},
                             {"BUSINESS_ADDR_4", QStringLiteral("Countyshire")}, {"BUSINESS_POSTCODE", "NT12 9ZZ"},
                             {"MANUFACTURER", QStringLiteral("Manufacturer ").repeated(6) + "manufacturerends"},
                             {"SAMPLE_COMMENTS", QStringLiteral("Comment words. ").repeated(150) + "commentsend"}}));
    for (int n = 1; n <= 9; ++n)
        insertSample(m_db, common(labelUuid(n), QStringLiteral("DEMO09901%1").arg(n, 2, 10, QLatin1Char('0')), "FOOD"));
    m_db.exec(QStringLiteral("INSERT INTO OUTCOME (SAMPLE__CODE, FAIL_GROUP, FAIL_CODE_2, DETAILS) VALUES (?, ?, ?, ?)"),
              {"DEMO0990001", "Microbiology", "S1", "Satisfactory: no action"});
    m_db.exec(QStringLiteral("INSERT INTO OUTCOME (SAMPLE__CODE, FAIL_GROUP, FAIL_CODE_2, DETAILS) VALUES (?, ?, ?, ?)"),
              {"DEMO0990003", "Mycotoxins", "S2", "Within limits"});
}

QString TestSamplePrint::print(const QStringList &uuids, void (TSamplePrintDM::*operation)(), const QString &programFolder)
{
    const QString folder = m_out.filePath(QString::number(++m_printed));
    QDir().mkpath(folder);
    PdfFileOutput output(folder);
    ScopedReportOutput scope(&output);
    TSamplePrintDM dm(m_db.db(), programFolder.isEmpty() ? m_program.path() : programFolder);
    for (const QString &uuid : uuids)
        dm.AddSampleToReport(uuid);
    (dm.*operation)();
    if (output.files().size() != 1)
        throw std::runtime_error("the report was not written once");
    return output.files().constFirst();
}

void TestSamplePrint::formsPrintAPagePerSampleWithTheirValues_data()
{
    using Op = void (TSamplePrintDM::*)();
    QTest::addColumn<Op>("operation");
    QTest::addColumn<QStringList>("uuids");
    QTest::addColumn<QList<QStringList>>("page1");
    QTest::addColumn<QList<QStringList>>("page2");
    QTest::addColumn<QStringList>("absent");

    const QList<QStringList> heading = {{"Food and Feed Sampling Records"}, {"Samples for examination"}};
    QTest::newRow("food form") << Op(&TSamplePrintDM::PrintReport) << QStringList{FoodMicro, FoodChemical}
        << heading + QList<QStringList>{{"National ref:", "DEMO0990001"}, {"Business ID:", "PR-0042", "Food Authority:", "Demo Borough Council"},
                     {"Analysis Type:", "Micro"}, {"Address:", "12 High Street, Northtown, NT1 2AB"},
                     {"Date sample taken:", "05/03/2024", "Time:", "10:30"},
                     {"Enforcement/Investigative:", "YES", "Surveillance/Monitoring:", "NO"},
                     {"Was the sample taken as part of a survey?", "YES", "Follow up sample:", "NO"},
                     {"food borne illness investigation:", "YES"}, {"Outbreak OB-2024-3"},
                     {"Sample taken from:", "Retailer"}, {"Quantity/Pack size:", "250, G"},
                     {"Durability date:", "Best before end", "03/2014"}, {"Product temperature (ºC):", "4.5"},
                     {"Code of Practice requirements?", "YES"}, {"Code of Practice?", "YES"},
                     {"Routine analysis required"}, {"Contract ABC-12"}, {"National food code:", "0601"}}
        << QList<QStringList>{{"National ref:", "DEMO0990002"}, {"Analysis Type:", "Chemical"},
                              {"Enforcement/Investigative:", "NO", "Surveillance/Monitoring:", "YES"},
                              {"Was the sample taken as part of a survey?", "NO", "Follow up sample:", "YES"},
                              {"Additional category information:", "Organic range"},
                              {"Durability date:", "Use by", "05/03/2014"},
                              {"Code of Practice requirements?", "NO", "If 'NO', reason:", "Sample warm"},
                              {"Code of Practice?", "NO"}}
        << QStringList{"Laboratory results"};
    QTest::newRow("feed form") << Op(&TSamplePrintDM::PrintReportAF) << QStringList{FeedEnforcement, FeedSurveillance}
        << heading + QList<QStringList>{{"National ref:", "DEMO0990003"}, {"Premises type:", "D"},
                     {"Enforcement/Investigative:", "YES", "Surveillance/Monitoring:", "NO"},
                     {"Feed name:", "Acme"}, {"Animal species:", "Pigs"}, {"Statutory Statement Information:"},
                     {"Business type:", "MAN", "Manufacturers regirstration no:", "GB-123"},
                     {"Business Name/Address (label):", "Feed Mill Ltd, Mill Lane"},
                     {"Date of manufacture:", "09/01/2024"}, {"Durability date:", "N/A"}}
        << QList<QStringList>{{"National ref:", "DEMO0990004"},
                              {"Enforcement/Investigative:", "NO", "Surveillance/Monitoring:", "YES"}}
        << QStringList{"Health mark:", "food borne illness", "Code of practice:"};
}

void TestSamplePrint::formsPrintAPagePerSampleWithTheirValues()
{
    using Op = void (TSamplePrintDM::*)();
    QFETCH(Op, operation);
    QFETCH(QStringList, uuids);
    QFETCH(QList<QStringList>, page1);
    QFETCH(QList<QStringList>, page2);
    QFETCH(QStringList, absent);
    const QString pdf = print(uuids, operation);
    QCOMPARE(pageCount(pdf), 2);
    QVERIFY(pagesAre(pdf, 2, 210, 297));
    for (int page = 1; page <= 2; ++page) {
        const QString text = pdfText(pdf, page);
        for (const QStringList &line : page == 1 ? page1 : page2)
            QVERIFY2(hasLine(text, line), qPrintable(QStringLiteral("page %1 lacks \"%2\":\n%3").arg(page).arg(line.join(" ... "), text)));
        for (const QString &text2 : absent)
            QVERIFY2(!text.contains(text2), qPrintable(text2));
    }
}

void TestSamplePrint::durabilityNeverPrintsZeroes()
{
    const QString text = pdfText(print({NoDurabilityDay}, &TSamplePrintDM::PrintReport));
    QVERIFY(hasLine(text, {"Durability date:"}));
    QVERIFY2(!text.contains(QLatin1String("00/")), qPrintable(text));
    QVERIFY(!text.contains(QLatin1String("/2014")));
}

void TestSamplePrint::longTextsGrowRatherThanBeCut()
{
    const QString pdf = print({LongTexts, FoodMicro}, &TSamplePrintDM::PrintReport);
    const QString text = pdfText(pdf);
    for (const char *end : {"descriptionends", "Countyshire, NT12 9ZZ", "manufacturerends", "commentsend"})
        QVERIFY2(text.contains(QLatin1String(end)), end);
    // The long sample runs on to a second page; the next sample still starts a page of its own.
    QCOMPARE(pageCount(pdf), 3);
    QVERIFY(hasLine(pdfText(pdf, 3), {"National ref:", "DEMO0990001"}));
}

void TestSamplePrint::resultReportsPrintEachSamplesOwnRows_data()
{
    using Op = void (TSamplePrintDM::*)();
    QTest::addColumn<Op>("operation");
    QTest::addColumn<QStringList>("uuids");
    QTest::addColumn<QList<QStringList>>("lines");
    QTest::addColumn<QStringList>("once");
    QTest::newRow("food") << Op(&TSamplePrintDM::PrintSampleWithResults) << QStringList{FoodMicro, FoodChemical}
        << QList<QStringList>{{"Samples for examination"}, {"Analysts comments:"}, {"Satisfactory for the tests carried out"},
                              {"Laboratory results"}, {"Substance", "Units tested", "Test result"},
                              {"Lead", "mg/kg", "0.02"}, {"Listeria monocytogenes", "cfu/g", "Not detected"},
                              {"Outcome of analysis"}, {"Analysis group", "Code", "Outcome"},
                              {"U1", "Unsatisfactory: exceeds the maximum level"},
                              {"Microbiology", "S1", "Satisfactory: no action"}, {"Sample Type:", "E1,", "Complaint"},
                              {"Quantity/Pack size:", "250", "grams"}, {"Risk category (Food standard):"},
                              {"Importer (if approp):"}}
        << QStringList{"Lead", "Listeria monocytogenes", "Unsatisfactory: exceeds", "Satisfactory: no action",
                       "Samples for examination"};
    QTest::newRow("feed") << Op(&TSamplePrintDM::PrintSampleWithResultsAF) << QStringList{FeedEnforcement, FeedSurveillance}
        << QList<QStringList>{{"Samples with results"}, {"Public analyst comments:"}, {"Test substance", "Units tested", "Test result"},
                              {"Aflatoxin B1", "ug/kg", "1.5"}, {"Copper", "mg/kg", "120"},
                              {"Mycotoxins", "S2", "Within limits"}}
        << QStringList{"Aflatoxin B1", "Copper", "Within limits", "Samples with results"};
}

void TestSamplePrint::resultReportsPrintEachSamplesOwnRows()
{
    using Op = void (TSamplePrintDM::*)();
    QFETCH(Op, operation);
    QFETCH(QStringList, uuids);
    QFETCH(QList<QStringList>, lines);
    QFETCH(QStringList, once);
    const QString text = pdfText(print(uuids, operation));
    for (const QStringList &line : lines)
        QVERIFY2(hasLine(text, line), qPrintable(QStringLiteral("lacks \"%1\":\n%2").arg(line.join(" ... "), text)));
    // The second sample's tables hold its own rows or none: nothing of the first is repeated.
    for (const QString &t : once)
        QVERIFY2(text.count(t) == 1, qPrintable(QStringLiteral("\"%1\" printed %2 times").arg(t).arg(text.count(t))));
    QCOMPARE(text.count(QLatin1String("National ref:")), 2);
    QCOMPARE(text.count(QLatin1String("Laboratory results")), 2);
}

void TestSamplePrint::feedResultReportStartsEachSampleOnANewPage()
{
    const QString pdf = print({FeedEnforcement, FeedSurveillance}, &TSamplePrintDM::PrintSampleWithResultsAF);
    QCOMPARE(pageCount(pdf), 2);
    QVERIFY(pdfText(pdf, 1).contains(QLatin1String("Samples with results")));
    QVERIFY(pdfText(pdf, 1).contains(QLatin1String("DEMO0990003")));
    QVERIFY(pdfText(pdf, 2).contains(QLatin1String("DEMO0990004")));
    QVERIFY(!pdfText(pdf, 2).contains(QLatin1String("Samples with results")));
}

void TestSamplePrint::labelsAreLabelSizedAndScanBack()
{
    const QStringList uuids = {labelUuid(1), FoodMicro, labelUuid(2)};
    const QString pdf = print(uuids, &TSamplePrintDM::PrintLabel);
    QCOMPARE(pageCount(pdf), 3);
    QVERIFY(pagesAre(pdf, 3, 102, 54));
    const QString page2 = pdfText(pdf, 2);
    for (const QStringList &line : QList<QStringList>{{"Local authority", "Demo Borough Council"}, {"Office", "Demo main office"},
                                                      {"Officer", "Pat Plain"}, {"Food description", "Smoked ham, sliced"},
                                                      {"Sample number", "LA-0001"}, {"Nat. sample number", "DEMO0990001"}})
        QVERIFY2(hasLine(page2, line), qPrintable(page2));
    QTemporaryDir scratch;
    QCOMPARE(scanBarcodes(pdf, scratch.path()),
             (QStringList{"CODE-39:DEMO0990101", "CODE-39:DEMO0990001", "CODE-39:DEMO0990102"}));
}

void TestSamplePrint::a4SheetsHoldEightLabels()
{
    QStringList uuids;
    for (int n = 1; n <= 9; ++n)
        uuids << labelUuid(n);
    const QString pdf = print(uuids, &TSamplePrintDM::PrintA4Label);
    QCOMPARE(pageCount(pdf), 2);
    QVERIFY(pagesAre(pdf, 2, 210, 297));
    QCOMPARE(pdfText(pdf, 1).count(QLatin1String("Nat. sample number")), 8);
    QCOMPARE(pdfText(pdf, 2).count(QLatin1String("Nat. sample number")), 1);
    QTemporaryDir scratch;
    QCOMPARE(scanBarcodes(pdf, scratch.path()).size(), 9);
}

void TestSamplePrint::printingRefuses_data()
{
    using Op = void (TSamplePrintDM::*)();
    QTest::addColumn<Op>("operation");
    QTest::addColumn<QStringList>("uuids");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing selected") << Op(&TSamplePrintDM::PrintReport) << QStringList() << QStringLiteral("No Samples selected to print");
    QTest::newRow("damaged results") << Op(&TSamplePrintDM::PrintSampleWithResults) << QStringList{FoodMicro, DamagedResults}
        << QStringLiteral("Sample \"DEMO0990006\" (sample no. \"LA-0006\") cannot be printed: its laboratory results are damaged (laboratory results: dataset packet");
    QTest::newRow("damaged outcomes") << Op(&TSamplePrintDM::PrintSampleWithResults) << QStringList{FoodMicro, DamagedOutcomes}
        << QStringLiteral("Sample \"DEMO0990009\" (sample no. \"LA-0009\") cannot be printed: its outcomes are damaged (outcomes: line 1");
    QTest::newRow("a code the bar code would change") << Op(&TSamplePrintDM::PrintLabel) << QStringList{FoodMicro, SmallLetters}
        << QStringLiteral("Sample \"demo0990007\" (sample no. \"LA-0007\") cannot be printed: its CODE \"demo0990007\" cannot be carried by a Code 39 bar code");
}

void TestSamplePrint::printingRefuses()
{
    using Op = void (TSamplePrintDM::*)();
    QFETCH(Op, operation);
    QFETCH(QStringList, uuids);
    QFETCH(QString, error);
    PdfFileOutput output(m_out.path());
    ScopedReportOutput scope(&output);
    TSamplePrintDM dm(m_db.db(), m_program.path());
    for (const QString &uuid : uuids)
        dm.AddSampleToReport(uuid);
    const QString failure = failureOf([&] { (dm.*operation)(); });
    QVERIFY2(failure.startsWith(error), qPrintable(failure));
    QVERIFY(output.files().isEmpty());
}

void TestSamplePrint::overrideFileReplacesTheBuiltInReport()
{
    QTemporaryDir program;
    const QString reports = program.filePath(QStringLiteral("Reports"));
    QVERIFY(QDir().mkpath(reports));
    const QString path = reports + QStringLiteral("/Label.fr3");
    writeAll(path, "<?xml version=\"1.0\"?>\n"
                   "<varnex-report version=\"1\" title=\"Authority label\">\n"
                   "  <page size=\"custom\" width=\"60\" height=\"30\"/>\n"
                   "  <band each=\"sample\" height=\"20\" new-page=\"true\">\n"
                   "    <text x=\"0\" y=\"0\" width=\"50\" height=\"6\">Our own label</text>\n"
                   "    <field x=\"0\" y=\"7\" width=\"50\" height=\"6\" name=\"CODE\"/>\n"
                   "  </band>\n"
                   "</varnex-report>\n");
    const QString own = print({FoodMicro}, &TSamplePrintDM::PrintLabel, program.path());
    QVERIFY(hasLine(pdfText(own), {"Our own label"}));
    QVERIFY(pagesAre(own, 1, 60, 30));

    QVERIFY(QFile::remove(path));
    const QString builtIn = print({FoodMicro}, &TSamplePrintDM::PrintLabel, program.path());
    QVERIFY(!pdfText(builtIn).contains(QLatin1String("Our own label")));
    QVERIFY(hasLine(pdfText(builtIn), {"Nat. sample number", "DEMO0990001"}));

    // A file that cannot be used stops the print: nothing is shown, the built-in is not used.
    PdfFileOutput output(m_out.path());
    ScopedReportOutput scope(&output);
    for (const auto &[bytes, fault] : QList<QPair<QByteArray, QString>>{
             {"<?xml version=\"1.0\"?>\n<varnex-report version=\"1\">\n  <page size=\"A4\" colour=\"red\"/>\n</varnex-report>\n",
              QStringLiteral("line 3: <page> has no attribute \"colour\"")},
             {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TfrxReport Version=\"6.9\" DotMatrixReport=\"False\">\n</TfrxReport>\n",
              QStringLiteral("line 2: this is not a report definition of this program: its first element is <TfrxReport>")}}) {
        writeAll(path, bytes);
        TSamplePrintDM dm(m_db.db(), program.path());
        dm.AddSampleToReport(FoodMicro);
        const QString failure = failureOf([&] { dm.PrintLabel(); });
        QVERIFY2(failure.startsWith(QStringLiteral("The report definition \"%1\" cannot be used: %2").arg(path, fault)),
                 qPrintable(failure));
    }
    QVERIFY(output.files().isEmpty());
}

void TestSamplePrint::designSwitchWritesTheDefinitionAndPrintsNothing()
{
    TMaindm maindm;
    Maindm = &maindm;
    maindm.ReportDesignEnabled = true;
    auto restore = qScopeGuard([] { Maindm = nullptr; });
    QTemporaryDir program;
    PdfFileOutput output(m_out.path());
    ScopedReportOutput scope(&output);
    RecordingPrompter prompter;
    ScopedPrompter prompterScope(&prompter);
    const QString path = program.filePath(QStringLiteral("Reports/FoodForm.fr3"));

    TSamplePrintDM dm(m_db.db(), program.path());
    dm.AddSampleToReport(FoodMicro);
    prompter.queueAnswer(false);
    dm.PrintReport();
    QVERIFY(!QFile::exists(path));
    prompter.queueAnswer(true);
    dm.PrintReport();
    QFile builtIn(QStringLiteral(":/reports/FoodForm.xml"));
    QVERIFY(builtIn.open(QIODevice::ReadOnly));
    QCOMPARE(readAll(path), builtIn.readAll());
    QCOMPARE(prompter.calls().size(), 3);
    QVERIFY(prompter.calls().at(0).text.contains(QDir::toNativeSeparators(path)));

    // The written file is the definition in use from then on; the switch now only says where it is.
    TSamplePrintDM next(m_db.db(), program.path());
    next.AddSampleToReport(FoodMicro);
    next.PrintReport();
    QCOMPARE(prompter.calls().size(), 4);
    QVERIFY(prompter.calls().at(3).text.contains(QLatin1String("is read from")));
    QVERIFY(output.files().isEmpty());

    maindm.ReportDesignEnabled = false;
    TSamplePrintDM printing(m_db.db(), program.path());
    printing.AddSampleToReport(FoodMicro);
    printing.PrintReport();
    QCOMPARE(output.files().size(), 1);
}

void TestSamplePrint::manySamplesAreBoundInChunks()
{
    TestDatabase db;
    QVERIFY(db.isValid());
    QStringList uuids;
    SqlUtil::inTransaction(db.db(), [&](QSqlDatabase &) {
        for (int n = 0; n < 1600; ++n) {
            uuids << QStringLiteral("33333333-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
            insertSample(db, {{"UNIQUE_UUID", uuids.last()}, {"CODE", QStringLiteral("BULK%1").arg(n, 4, 10, QLatin1Char('0'))}});
        }
    });
    TSamplePrintDM dm(db.db(), m_program.path());
    // Selected in reverse, one twice, one unknown: each known sample once, in the order selected.
    for (auto it = uuids.crbegin(); it != uuids.crend(); ++it)
        dm.AddSampleToReport(*it);
    dm.AddSampleToReport(uuids.first());
    dm.AddSampleToReport(QStringLiteral("'); DELETE FROM SAMPLE; --"));
    const ReportData data = dm.LoadReportData();
    QCOMPARE(data.samples.rowCount(), 1600);
    QCOMPARE(data.samples.value(0, QStringLiteral("CODE")).toString(), QStringLiteral("BULK1599"));
    QCOMPARE(data.samples.value(1599, QStringLiteral("CODE")).toString(), QStringLiteral("BULK0000"));
    QCOMPARE(data.results.size(), 1600);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")).toInt(), 1600);
}

void TestSamplePrint::officeUpdate_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("office");   // the office the selected samples end in
    QTest::addColumn<QStringList>("calls"); // the prompter's calls: kind and text
    QTest::addColumn<QString>("error");
    const QString question = QStringLiteral("Question: Update selected Samples office to: North office?");
    QTest::newRow("empty code") << QString() << true << QList<bool>{} << "DEMO01" << QStringList() << QString();
    QTest::newRow("cancelled picker") << "CANCELLED" << true << QList<bool>{} << "DEMO01" << QStringList() << QString();
    QTest::newRow("code of two offices") << "TWIN" << true << QList<bool>{} << "DEMO01" << QStringList() << QString();
    QTest::newRow("no samples") << "DEMO02" << false << QList<bool>{} << "DEMO01" << QStringList()
                                << QStringLiteral("No Samples selected to update.");
    QTest::newRow("no") << "DEMO02" << true << QList<bool>{false} << "DEMO01" << QStringList{question} << QString();
    QTest::newRow("yes") << "DEMO02" << true << QList<bool>{true} << "DEMO02"
                         << QStringList{question, QStringLiteral("Information: Samples updated")} << QString();
}

void TestSamplePrint::officeUpdate()
{
    QFETCH(QString, code);
    QFETCH(bool, selected);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, office);
    QFETCH(QStringList, calls);
    QFETCH(QString, error);
    TestDatabase db;
    QVERIFY(db.isValid());
    for (const auto &[uuid, officeCode, description] :
         QList<std::tuple<QString, QString, QString>>{{"O-1", "DEMO01", "Main office"}, {"O-2", "DEMO02", "North office"},
                                                      {"O-3", "TWIN", "Twin A"}, {"O-4", "TWIN", "Twin B"}})
        db.exec(QStringLiteral("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, DESCRIPTION, FLAG_DELETED) VALUES (?, ?, ?, 'F')"),
                {uuid, officeCode, description});
    for (const char *c : {"S1", "S2", "OTHER"})
        insertSample(db, {{"UNIQUE_UUID", QString("UUID-") + c}, {"CODE", c}, {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"},
                          {"LOCAL_AUTH_OFFICE_DESCRIPTION", "Main office"}});
    RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    for (bool a : answers)
        prompter.queueAnswer(a);
    TSamplePrintDM dm(db.db(), m_program.path());
    if (selected)
        for (const char *c : {"S1", "S2"})
            dm.AddSampleToReport(QString("UUID-") + c);
    QCOMPARE(failureOf([&] { dm.DoSampleOfficeUpdate(code); }), error.isEmpty() ? QStringLiteral("no error") : error);
    QStringList seen;
    for (const RecordingPrompter::Call &c : prompter.calls())
        seen << Prompter::kindName(c.kind) + QStringLiteral(": ") + c.text;
    QCOMPARE(seen, calls);
    for (const char *c : {"S1", "S2"}) {
        QCOMPARE(db.scalar("SELECT LOCAL_AUTH_OFFICE__CODE FROM SAMPLE WHERE CODE = ?", {c}).toString(), office);
        QCOMPARE(db.scalar("SELECT LOCAL_AUTH_OFFICE_DESCRIPTION FROM SAMPLE WHERE CODE = ?", {c}).toString(),
                 office == "DEMO02" ? QStringLiteral("North office") : QStringLiteral("Main office"));
    }
    QCOMPARE(db.scalar("SELECT LOCAL_AUTH_OFFICE__CODE FROM SAMPLE WHERE CODE = 'OTHER'").toString(), QStringLiteral("DEMO01"));
}

void TestSamplePrint::officeUpdateIsOneTransaction()
{
    TestDatabase db;
    QVERIFY(db.isValid());
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, DESCRIPTION, FLAG_DELETED) VALUES ('O-2', 'DEMO02', 'North office', 'F')");
    QStringList uuids;
    SqlUtil::inTransaction(db.db(), [&](QSqlDatabase &) {
        for (int n = 0; n < 450; ++n) {
            uuids << QStringLiteral("44444444-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
            insertSample(db, {{"UNIQUE_UUID", uuids.last()}, {"CODE", n == 449 ? QStringLiteral("REFUSED") : QStringLiteral("M%1").arg(n)},
                              {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"}});
        }
    });
    QSqlDatabase other = db.openExtraConnection(QStringLiteral("watch"));
    auto moved = [&] {
        return SqlUtil::scalar(other, QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE LOCAL_AUTH_OFFICE__CODE = 'DEMO02'")).toString();
    };
    WatchingPrompter prompter;
    prompter.look = moved;
    ScopedPrompter scope(&prompter);

    // The last sample of the third chunk refuses the change: the chunks before it change nothing.
    SqlUtil::runScript(db.db(), QStringLiteral("CREATE EXCEPTION E_REFUSED 'refused';\n"
                                               "SET TERM ^ ;\n"
                                               "CREATE TRIGGER SAMPLE_REFUSE FOR SAMPLE BEFORE UPDATE AS BEGIN "
                                               "IF (NEW.CODE = 'REFUSED') THEN EXCEPTION E_REFUSED; END^\n"
                                               "SET TERM ; ^\n"));
    TSamplePrintDM dm(db.db(), m_program.path());
    for (const QString &uuid : uuids)
        dm.AddSampleToReport(uuid);
    prompter.queueAnswer(true);
    QVERIFY(failureOf([&] { dm.DoSampleOfficeUpdate(QStringLiteral("DEMO02")); }).contains(QLatin1String("refused")));
    QCOMPARE(moved(), QStringLiteral("0"));
    QCOMPARE(prompter.calls().size(), 1); // the question, no "Samples updated"

    db.exec(QStringLiteral("UPDATE SAMPLE SET CODE = 'M449' WHERE CODE = 'REFUSED'"));
    prompter.queueAnswer(true);
    dm.DoSampleOfficeUpdate(QStringLiteral("DEMO02"));
    // "Samples updated" is shown once every sample is committed.
    QCOMPARE(prompter.calls().last().text, QStringLiteral("Samples updated"));
    QCOMPARE(prompter.seenAtMessages.last(), QStringLiteral("450"));
}

void TestSamplePrint::busyOnlyWhileTheModuleWorks()
{
    // The hourglass shows while the rows are read and while the samples change; never over the
    // preview or a question, and never left behind by a failure.
    CountingBusy busy;
    ScopedBusyIndicator busyScope(&busy);
    BusyWatch watch(busy);
    ScopedReportOutput outputScope(&watch);
    ScopedPrompter prompterScope(&watch);

    TSamplePrintDM print(m_db.db(), m_program.path());
    print.AddSampleToReport(FoodMicro);
    print.PrintSampleWithResults();
    QCOMPARE(busy.begun, 1);
    QCOMPARE(watch.depths, QList<int>{0});

    print.AddSampleToReport(DamagedResults);
    QVERIFY(!failureOf([&] { print.PrintSampleWithResults(); }).isEmpty());
    QCOMPARE(busy.begun, 2);
    QCOMPARE(busy.depth, 0);

    TestDatabase db;
    QVERIFY(db.isValid());
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, DESCRIPTION, FLAG_DELETED) VALUES ('O-2', 'DEMO02', 'North office', 'F')");
    insertSample(db, {{"UNIQUE_UUID", "UUID-S1"}, {"CODE", "S1"}});
    TSamplePrintDM update(db.db(), m_program.path());
    update.AddSampleToReport(QStringLiteral("UUID-S1"));
    watch.depths.clear();
    watch.queueAnswer(true);
    update.DoSampleOfficeUpdate(QStringLiteral("DEMO02"));
    QCOMPARE(busy.begun, 3);
    QCOMPARE(watch.depths, (QList<int>{0, 0})); // the question and "Samples updated"
    QCOMPARE(db.scalar("SELECT LOCAL_AUTH_OFFICE__CODE FROM SAMPLE WHERE CODE = 'S1'").toString(), QStringLiteral("DEMO02"));
}

QTEST_MAIN(TestSamplePrint)
#include "tst_sampleprint.moc"
