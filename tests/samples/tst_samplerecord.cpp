#include "SampleFixtures.h"

#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "data/DataSet.h"
#include "data/DataTable.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"
#include "support/TestDatabase.h"

#include <QTest>

using namespace SampleFixtures;

namespace {

// A generator that counts how often it was asked.
class FakeServices : public SampleRecordServices
{
public:
    qint64 nextSampleNumber() override { return ++m_number; }
    QString GetNewSampleCode() override { return QStringLiteral("AB12%1").arg(++m_number, 4, 10, QLatin1Char('0')); }
    QString GetNewUUIDString() override { return QStringLiteral("0E984725-C51C-4BF4-9960-E1C80E27ABA0"); }
    qint64 m_number = 6;
};

QString reasonOf(int length)
{
    return QString(length, QLatin1Char('r'));
}

} // namespace

class TestSampleRecord : public QObject
{
    Q_OBJECT

private slots:
    void sentIsExactlyFourStatuses_data();
    void sentIsExactlyFourStatuses();
    void statusAfterSave_data();
    void statusAfterSave();
    void codeAtSave_data();
    void codeAtSave();
    void saveOfSentSampleNeedsReason_data();
    void saveOfSentSampleNeedsReason();
    void saveMarksProgramAndComputer();
    void descriptionsFollowTheLists();
    void newSampleValues_data();
    void newSampleValues();
    void editorDataSetRoundTrip();
    void importTableRow();
};

void TestSampleRecord::sentIsExactlyFourStatuses_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("sent");
    for (const char *s : {"EXPORTED", "COMPLETE", "CANCELLED", "DELETED"})
        QTest::newRow(s) << QString(s) << true;
    for (const char *s : {"ENTERED", "VALIDATED", "IMPORTED", "", "exported", "EXPORTED "})
        QTest::newRow(*s ? s : "empty") << QString(s) << false;
}

void TestSampleRecord::sentIsExactlyFourStatuses()
{
    QFETCH(QString, status);
    QFETCH(bool, sent);
    QCOMPARE(sampleIsSent(status), sent);
    QVariantMap values{{"SAMPLE_STATUS__CODE", status.isEmpty() ? QVariant() : QVariant(status)}};
    QCOMPARE(Sent(VariantMapRow(values)), sent);
}

void TestSampleRecord::statusAfterSave_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("save");
    QTest::addColumn<bool>("enteredFromDeleted");
    QTest::addColumn<QString>("status");
    const int f8 = int(SampleSave::WithoutValidation);
    const int f7 = int(SampleSave::WithValidation);
    QTest::newRow("new row, F8") << "" << f8 << false << "ENTERED";
    QTest::newRow("new row, F7") << "" << f7 << false << "VALIDATED";
    QTest::newRow("validated, F8") << "VALIDATED" << f8 << false << "ENTERED";
    QTest::newRow("imported, F7") << "IMPORTED" << f7 << false << "VALIDATED";
    QTest::newRow("exported by a pass meanwhile, F7") << "EXPORTED" << f7 << false << "EXPORTED";
    QTest::newRow("complete, F8") << "COMPLETE" << f8 << false << "COMPLETE";
    QTest::newRow("feed: deleted, F8") << "DELETED" << f8 << true << "ENTERED";
    QTest::newRow("feed: deleted, F7") << "DELETED" << f7 << true << "DELETED";
    // A delivered, completed or cancelled feed sample that was amended is never made deliverable again.
    QTest::newRow("feed: exported, F8") << "EXPORTED" << f8 << true << "EXPORTED";
    QTest::newRow("feed: complete, F8") << "COMPLETE" << f8 << true << "COMPLETE";
    QTest::newRow("feed: cancelled, F8") << "CANCELLED" << f8 << true << "CANCELLED";
}

void TestSampleRecord::statusAfterSave()
{
    QFETCH(QString, stored);
    QFETCH(int, save);
    QFETCH(bool, enteredFromDeleted);
    QFETCH(QString, status);
    QCOMPARE(::statusAfterSave(stored, SampleSave(save), enteredFromDeleted), status);
}

void TestSampleRecord::codeAtSave_data()
{
    QTest::addColumn<QVariant>("code");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("generatorUsed");
    QTest::newRow("empty") << QVariant() << "AB120007" << true;
    QTest::newRow("DUPLICATE") << QVariant("DUPLICATE") << "AB120007" << true;
    QTest::newRow("own code") << QVariant("AB120003") << "AB120003" << false;
    QTest::newRow("duplicate in lower case is a code") << QVariant("duplicate") << "duplicate" << false;
}

void TestSampleRecord::codeAtSave()
{
    QFETCH(QVariant, code);
    QFETCH(QString, after);
    QFETCH(bool, generatorUsed);
    FakeServices services;
    QVariantMap values{{"CODE", code}};
    VariantMapRow row(values);
    RecordingPrompter prompter;
    prepareSampleSave(row, false, {"1.0.0", "PC1", 5}, [&] { return services.GetNewSampleCode(); }, prompter);
    QCOMPARE(row.text("CODE"), after);
    QCOMPARE(services.m_number != 6, generatorUsed);
    QVERIFY(prompter.calls().isEmpty());
    QVERIFY(!values.contains("USER_CHANGE_REASON"));
}

void TestSampleRecord::saveOfSentSampleNeedsReason_data()
{
    QTest::addColumn<QVariant>("answer"); // null: cancelled
    QTest::addColumn<QString>("error");
    QTest::newRow("cancelled") << QVariant() << ChangeReasonRequiredMessage;
    QTest::newRow("empty") << QVariant("") << ChangeReasonRequiredMessage;
    QTest::newRow("blank") << QVariant("  \t ") << ChangeReasonRequiredMessage;
    QTest::newRow("351 characters") << QVariant(reasonOf(351))
                                    << "The reason for change may hold at most 350 characters; the one given has 351.";
    QTest::newRow("350 characters") << QVariant(reasonOf(350)) << QString();
    QTest::newRow("a reason") << QVariant("Label misread") << QString();
}

void TestSampleRecord::saveOfSentSampleNeedsReason()
{
    QFETCH(QVariant, answer);
    QFETCH(QString, error);
    RecordingPrompter prompter;
    prompter.queueText(answer.isNull() ? std::optional<QString>() : answer.toString());
    QVariantMap values{{"CODE", "DUPLICATE"}, {"SAMPLE_STATUS__CODE", "EXPORTED"}, {"QOVA_INFO", "old"}};
    VariantMapRow row(values);
    int codes = 0;
    try {
        prepareSampleSave(row, true, {"1.0.0", "PC1", 42}, [&] { return QStringLiteral("AB12%1").arg(++codes); }, prompter);
        QVERIFY2(error.isEmpty(), "the save went on without a valid reason");
        QCOMPARE(values.value("USER_CHANGE_REASON").toString(), answer.toString());
        QCOMPARE(values.value("USER_CHANGE_USER__ID").toLongLong(), qint64(42));
        QCOMPARE(values.value("CODE").toString(), QString("AB121"));
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), error);
        // Asked first: nothing else was touched.
        QCOMPARE(values, (QVariantMap{{"CODE", "DUPLICATE"}, {"SAMPLE_STATUS__CODE", "EXPORTED"}, {"QOVA_INFO", "old"}}));
        QCOMPARE(codes, 0);
    }
    QCOMPARE(prompter.calls().size(), 1);
    QCOMPARE(prompter.calls().first().kind, Prompter::Kind::TextInput);
    QCOMPARE(prompter.calls().first().title, QString("Sent sample"));
    QCOMPARE(prompter.calls().first().text, QString("Reason for change:"));
    QCOMPARE(prompter.calls().first().initialText, QString());
}

void TestSampleRecord::saveMarksProgramAndComputer()
{
    RecordingPrompter prompter;
    QVariantMap values{{"CODE", "AB120001"}};
    VariantMapRow row(values);
    const auto noCode = [] { return QString(); };
    prepareSampleSave(row, false, {"2.3.1", "OFFICE-PC", 0}, noCode, prompter);
    prepareSampleSave(row, false, {"2.3.1", "LAPTOP-7", 0}, noCode, prompter);
    QCOMPARE(values.value("QOVA_INFO").toString(), QString("VRXNet Version = 2.3.1, Computer name = LAPTOP-7"));
}

void TestSampleRecord::descriptionsFollowTheLists()
{
    FakeLookups lookups;
    fillFoodLists(lookups);
    QVariantMap values = merged(completeFoodSample(),
                                {{"LOCAL_AUTHORITY__CODE", "LA"}, {"PACK_SIZE", "G"}, {"SURVEY_BODY__CODE", ""},
                                 {"MAFF__CODE", "M65"}, {"PRODUCT__CODE", "S"}, {"LABORATORY__CODE", "LAB2"},
                                 {"SAMPLE_OFFICER_NAME", "stale"}});
    VariantMapRow row(values);
    DescriptionContext context;
    context.lookups = &lookups;
    context.UseLAEMSPremisesCodes = true;
    context.LocalAuthorityDescription = "Northshire";
    context.formListText = [](const QString &list, const QString &code) {
        return list == "qryLocalAuthOffice_" && code == "OF1" ? QStringLiteral("Main office") : QString();
    };
    applyDescriptions(row, "FOOD", context);

    const QVariantMap expected{
        {"LOCAL_AUTHORITY_DESCRIPTION", "Northshire"},
        {"LOCAL_AUTH_OFFICE_DESCRIPTION", "Main office"},
        {"SAMPLE_OFFICER_NAME", ""}, // the officer list does not show JS
        {"RISK_CATEGORY_DESCRIPTION", "High"},
        {"RISK_CAT_FS_DESCRIPTION", "Medium"},
        {"PREMISES_TYPE_DESCRIPTION", "Retailer (LAEMS)"},
        {"REASON_DESCRIPTION", "Surveillance/Monitoring"},
        {"SAMPLE_TYPE_DESCRIPTION", "Routine survey"},
        {"SURVEY_BODY_DESCRIPTION", ""},
        {"PRODUCT_DESCRIPTION", "Swab"},
        {"MAFF_DESCRIPTION", "Swabs"},
        {"PACKAGING_DESCRIPTION", "Packed"},
        {"MATERIAL_DESCRIPTION", "Glass"},
        {"PACK_SIZE_DESCRIPTION", "grams"},
        {"DURABILITY_DESCRIPTION", "Use by"},
        {"CONDITION_DESCRIPTION", "Chilled"},
        {"LABORATORY_DESCRIPTION", ""}, // not a laboratory in use: the list shows nothing
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(row.text(it.key()), it.value().toString());

    // An enforcement sample takes the enforcement list's text; no reason leaves both empty.
    values.insert("REASON__CODE", "E");
    values.insert("SAMPLE_TYPE__CODE", "EN1");
    applyDescriptions(row, "FOOD", context);
    QCOMPARE(row.text("REASON_DESCRIPTION"), QString("Enforcement/Investigation"));
    QCOMPARE(row.text("SAMPLE_TYPE_DESCRIPTION"), QString("Complaint"));
    values.insert("REASON__CODE", QVariant());
    applyDescriptions(row, "FOOD", context);
    QCOMPARE(row.text("REASON_DESCRIPTION"), QString());
    QCOMPARE(row.text("SAMPLE_TYPE_DESCRIPTION"), QString());
}

void TestSampleRecord::newSampleValues_data()
{
    QTest::addColumn<QString>("personality");
    QTest::addColumn<QString>("analysisSetting");
    QTest::addColumn<QString>("analysisType");
    QTest::addColumn<QString>("laboratory");
    QTest::newRow("food micro") << "FOOD" << "M" << "M" << "MICRO-LAB";
    QTest::newRow("food chemical") << "FOOD" << "C" << "C" << "CHEM-LAB";
    QTest::newRow("food without default") << "FOOD" << "N" << "" << "";
    QTest::newRow("animal feed") << "ANIMAL FEED" << "C" << "C" << "CHEM-LAB";
}

void TestSampleRecord::newSampleValues()
{
    QFETCH(QString, personality);
    QFETCH(QString, analysisSetting);
    QFETCH(QString, analysisType);
    QFETCH(QString, laboratory);
    NewSampleSettings settings{personality, analysisSetting, "MICRO-LAB", "CHEM-LAB", "AB", "Northshire",
                               "OF1", "Main office"};
    FakeServices services;
    QVariantMap values{{"QUANTITY", 0}};
    VariantMapRow row(values);
    initialiseNewSample(row, settings, services);

    QCOMPARE(row.integer("SAMPLE_NUMBER"), 7);
    QCOMPARE(row.text("CODE"), QString("AB120008"));
    QCOMPARE(row.text("UNIQUE_UUID"), QString("0E984725-C51C-4BF4-9960-E1C80E27ABA0"));
    QCOMPARE(row.text("RECORD_TYPE"), personality);
    QCOMPARE(row.text("ANALYSIS_TYPE"), analysisType);
    QCOMPARE(row.text("LABORATORY__CODE"), laboratory);
    QCOMPARE(row.text("LOCAL_AUTHORITY__CODE"), QString("AB"));
    QCOMPARE(row.text("LOCAL_AUTH_OFFICE__CODE"), QString("OF1"));
    QCOMPARE(row.text("LOCAL_AUTH_OFFICE_DESCRIPTION"), personality == "FOOD" ? QString("Main office") : QString());
    QVERIFY(row.isNull("QUANTITY"));
    QVERIFY(row.isEmpty("REASON__CODE"));
}

// The editors' dataset over a real SAMPLE row: new values, validation with the column types the
// store gives (small integers, an exact decimal temperature, text blobs), and a post that writes
// what the rules left.
void TestSampleRecord::editorDataSetRoundTrip()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    SqlDataSet data(db.db(), "SELECT * FROM SAMPLE WHERE UNIQUE_UUID = :sampleUuid");
    data.setUpdateTable("SAMPLE", {"UNIQUE_UUID"});
    data.setParam("sampleUuid", "0E984725-C51C-4BF4-9960-E1C80E27ABA0");
    data.open();
    data.append();
    DataSetRow row(data);
    FakeServices services;
    initialiseNewSample(row, {"FOOD", "C", "MICRO-LAB", "LAB1", "AB", "Northshire", "OF1", "Main office"}, services);

    const QVariantMap complete = completeFoodSample();
    for (auto it = complete.cbegin(); it != complete.cend(); ++it)
        if (it.key() != "SAMPLE_STATUS__CODE")
            row.setValue(it.key(), it.value());
    row.setValue("CONDITION__CODE", "F");
    row.setValue("TEMPERATURE", "0.6");
    row.clear("COUNTRY");

    FakeLookups lookups;
    fillFoodLists(lookups);
    RecordingPrompter prompter;
    ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, context(&lookups), prompter);
    QCOMPARE(lines(outcome.failures()),
             QStringList({"COUNTRY | 'Country' is required, please enter a value.",
                          "TEMPERATURE | If 'Condition' is 'Frozen', temperature must be less than or equal to zero."}));
    row.setValue("TEMPERATURE", "0.5");
    outcome = validateEditorSample(SampleEditorKind::Food, row, context(&lookups), prompter);
    QVERIFY2(outcome.isValid(), qPrintable(lines(outcome.failures()).join('\n')));
    data.post();

    data.close();
    data.open();
    QCOMPARE(data.recordCount(), 1);
    QCOMPARE(data.text("SAMPLE_STATUS__CODE"), QString("VALIDATED"));
    QCOMPARE(data.text("COUNTRY"), QString("N/A"));
    QCOMPARE(data.text("ANALYSIS_TEXT"), RoutineAnalysisText);
    QCOMPARE(data.text("CODE"), QString("AB120008"));
    QCOMPARE(data.text("FLAG_LAEMS_PREMISES_CODE"), QString("F"));
}

// An import's in-memory row: the stored profile reads it, the fills write through the table's own
// types (an exact decimal held as text), and a value a column cannot hold is refused by name.
void TestSampleRecord::importTableRow()
{
    DataTable table({{"CODE", FieldType::String, 30},
                     {"CONDITION__CODE", FieldType::String, 8},
                     {"TEMPERATURE", FieldType::Decimal, 4, 1},
                     {"DURABILITY_DAY", FieldType::Int16},
                     {"COUNTRY", FieldType::String, 100}});
    QVERIFY(table.appendRow({"AB120001", "F", "0.6", 40, QVariant()}));
    DataTableRow row(table, 0);

    const ValidationOutcome outcome = runRules(foodStoredProfile(), row, context(nullptr));
    const QStringList messages = outcome.messages();
    QVERIFY(messages.contains("If 'Condition' is 'Frozen', temperature must be less than or equal to zero."));
    QVERIFY(messages.contains("'Durability, Day' is invalid, please enter a valid value."));
    QVERIFY(messages.contains("'Country' is required."));

    fillNotAvailable(row);
    QCOMPARE(table.value(0, "COUNTRY").toString(), QString("N/A"));
    row.setText("TEMPERATURE", "-0.5");
    QVERIFY(!SampleRules::frozenTooWarm(row, context(nullptr)));
    try {
        row.setValue("DURABILITY_DAY", "tomorrow");
        QFAIL("a word was stored as a day");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains("DURABILITY_DAY"), qPrintable(e.message()));
    }
    QCOMPARE(row.integer("DURABILITY_DAY"), 40);
}

QTEST_GUILESS_MAIN(TestSampleRecord)
#include "tst_samplerecord.moc"
