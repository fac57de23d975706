#include "SampleFixtures.h"

#include "base/Prompter.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"

#include <QTest>

using namespace SampleFixtures;

namespace {

// The messages as the food editor shows them.
const QString Office = "'Office' is required, please enter a value.";
const QString DateMessage = "Please enter a valid sample date";
const QString Durability = "'Durability' is required, please enter a value.";
const QString DayInvalid = "'Durability, Day' is invalid, please enter a valid value.";
const QString MonthInvalid = "'Durability, Month' is invalid, please enter a valid value.";
const QString YearInvalid = "'Durability, Year' is invalid, year must have four digits eg \"2003\".";
const QString Frozen = "If 'Condition' is 'Frozen', temperature must be less than or equal to zero.";
const QString SampleType = "'Sample Type' is required, please enter a value.";
const QString PremisesType = "A valid 'Premises Type' entry is required, please enter a value.";

QString line(const QString &target, const QString &message)
{
    return target + " | " + message;
}

} // namespace

class TestSampleRules : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void completeFoodSamplePasses();
    void foodEditorRules_data();
    void foodEditorRules();
    void targetKeepsPlaceAndLastMessage();
    void codesMissingFromLists_data();
    void codesMissingFromLists();
    void sampleDateQuestion_data();
    void sampleDateQuestion();
    void fillsAndStatusAfterFailedValidation();
    void otherProfiles_data();
    void otherProfiles();
    void roundHalfToEven_data();
    void roundHalfToEven();

private:
    FakeLookups m_lookups;
    RecordingPrompter m_prompter;
};

void TestSampleRules::init()
{
    m_lookups = FakeLookups();
    fillFoodLists(m_lookups);
    m_prompter.clear();
}

void TestSampleRules::completeFoodSamplePasses()
{
    QVariantMap values = completeFoodSample();
    VariantMapRow row(values);
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, context(&m_lookups), m_prompter);
    QCOMPARE(lines(outcome.failures()), QStringList());
    QVERIFY(outcome.isValid());
    QCOMPARE(values.value("SAMPLE_STATUS__CODE").toString(), QString("VALIDATED"));
    QCOMPARE(values.value("FLAG_LAEMS_PREMISES_CODE").toString(), QString("F"));
    QVERIFY(m_prompter.calls().isEmpty());
}

// Over 100 lines: a table of cases, one row each.
void TestSampleRules::foodEditorRules_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("expected");

    const QVariant null;
    QTest::newRow("durability E: month 13, year 2, never the day")
        << QVariantMap{{"DURABILITY__CODE", "E"}, {"DURABILITY_DAY", null}, {"DURABILITY_MONTH", 13}, {"DURABILITY_YEAR", 2}}
        << QStringList{line("DURABILITY_MONTH", MonthInvalid), line("DURABILITY_YEAR", YearInvalid)};
    QTest::newRow("durability N: no part checked")
        << QVariantMap{{"DURABILITY__CODE", "N"}, {"DURABILITY_DAY", null}, {"DURABILITY_MONTH", null}, {"DURABILITY_YEAR", null}}
        << QStringList();
    QTest::newRow("durability O: every part required")
        << QVariantMap{{"DURABILITY__CODE", "O"}, {"DURABILITY_DAY", null}, {"DURABILITY_MONTH", 0}, {"DURABILITY_YEAR", null}}
        << QStringList{line("DURABILITY_DAY", DayInvalid), line("DURABILITY_MONTH", MonthInvalid),
                       line("DURABILITY_YEAR", YearInvalid)};
    QTest::newRow("durability I with its parts")
        << QVariantMap{{"DURABILITY__CODE", "I"}, {"DURABILITY_DAY", 31}, {"DURABILITY_MONTH", 12}, {"DURABILITY_YEAR", 2015}}
        << QStringList();
    QTest::newRow("day 32") << QVariantMap{{"DURABILITY_DAY", 32}} << QStringList{line("DURABILITY_DAY", DayInvalid)};
    QTest::newRow("year 2013 (lower limit)") << QVariantMap{{"DURABILITY_YEAR", 2013}} << QStringList();
    QTest::newRow("year 2024 (upper limit)") << QVariantMap{{"DURABILITY_YEAR", 2024}} << QStringList();
    QTest::newRow("year 2012") << QVariantMap{{"DURABILITY_YEAR", 2012}} << QStringList{line("DURABILITY_YEAR", YearInvalid)};
    QTest::newRow("year 2025") << QVariantMap{{"DURABILITY_YEAR", 2025}} << QStringList{line("DURABILITY_YEAR", YearInvalid)};

    QTest::newRow("frozen 1.0") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", 1.0}}
                                << QStringList{line("TEMPERATURE", Frozen)};
    QTest::newRow("frozen 0.6") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", 0.6}}
                                << QStringList{line("TEMPERATURE", Frozen)};
    QTest::newRow("frozen -18.0") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", -18.0}} << QStringList();
    QTest::newRow("frozen 0.0") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", 0.0}} << QStringList();
    QTest::newRow("frozen 0.5 rounds to 0") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", 0.5}} << QStringList();
    QTest::newRow("frozen 0.5 as decimal text") << QVariantMap{{"CONDITION__CODE", "F"}, {"TEMPERATURE", "0.50"}}
                                                << QStringList();
    QTest::newRow("chilled 8.0") << QVariantMap{{"CONDITION__CODE", "C"}, {"TEMPERATURE", 8.0}} << QStringList();

    QTest::newRow("surveillance, survey without body")
        << QVariantMap{{"FLAG_SURVEY", "T"}}
        << QStringList{line("SURVEY_BODY__CODE", "'Survey Body' is required, please enter a value.")};
    QTest::newRow("surveillance never checks index or details")
        << QVariantMap{{"FLAG_FOLLOW_UP", "T"}, {"FLAG_FOOD_POISONING", "T"}} << QStringList();
    QTest::newRow("enforcement never checks the survey body")
        << QVariantMap{{"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "EN1"}, {"FLAG_SURVEY", "T"}} << QStringList();
    QTest::newRow("enforcement: follow-up without index, illness without details")
        << QVariantMap{{"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "EN1"}, {"FLAG_FOLLOW_UP", "T"},
                       {"FLAG_FOOD_POISONING", "T"}}
        << QStringList{line("INDEX_NUMBER", "'Index Sample Number' is required, as this is a follow up sample."),
                       line("DETAILS", "'Details' are required for 'Food borne illness investigations.")};
    QTest::newRow("enforcement without sample type")
        << QVariantMap{{"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", null}}
        << QStringList{line(SampleTarget::SampleTypeEnforcement, SampleType)};
    QTest::newRow("empty reason also asks for the surveillance sample type")
        << QVariantMap{{"REASON__CODE", null}, {"SAMPLE_TYPE__CODE", ""}}
        << QStringList{line("REASON__CODE", "'Reason for sample taken' is required, please enter a value."),
                       line(SampleTarget::SampleTypeSurveillance, SampleType)};

    QTest::newRow("packaging empty: packaging and material")
        << QVariantMap{{"PACKAGING__CODE", null}, {"MATERIAL__CODE", null}}
        << QStringList{line("PACKAGING__CODE", "'Packaging provided' is required, please enter a value."),
                       line("MATERIAL__CODE", "'Packaging material' is required, please enter a value.")};
    QTest::newRow("packaging N needs no material") << QVariantMap{{"PACKAGING__CODE", "N"}, {"MATERIAL__CODE", null}}
                                                   << QStringList();
    QTest::newRow("packaging O needs no material") << QVariantMap{{"PACKAGING__CODE", "O"}, {"MATERIAL__CODE", null}}
                                                   << QStringList();
    QTest::newRow("other material without text")
        << QVariantMap{{"MATERIAL__CODE", "O"}}
        << QStringList{line("OTHER_MATERIAL",
                            "If 'Packaging material' is set to 'Other', a description is required in 'Other Material'.")};
    QTest::newRow("premises type X")
        << QVariantMap{{"PREMISES_TYPE__CODE", "X"}} << QStringList{line("PREMISES_TYPE__CODE", PremisesType)};
    QTest::newRow("micro without sample-taken-from")
        << QVariantMap{{"ANALYSIS_TYPE", "M"}}
        << QStringList{line(SampleTarget::SampleTakenFrom, "'Sample taken from' entry is required, please enter a value.")};
    QTest::newRow("not compliant without explanation")
        << QVariantMap{{"FLAG_COP_CONDITION", "F"}}
        << QStringList{line("NOT_COP", "'Explanation.' is required, please enter a value.")};

    // A new sample with nothing entered: every rule in its order, a target once.
    QVariantMap blank = completeFoodSample();
    for (QVariant &value : blank)
        value = null;
    QTest::newRow("nothing entered") << blank << QStringList{
        line("ANALYSIS_TYPE", "Please enter an Analysis type."),
        line("LOCAL_AUTH_OFFICE__CODE", Office),
        line("SAMPLE_OFFICER__CODE", "'Sample Officer' is required, please enter a value."),
        line("SAMPLE_DATE", DateMessage),
        line("SAMPLE_TIME", "Please enter a valid sample time"),
        line("BUSINESS_ID", "'Business ID' is required, please enter a value."),
        line("PREMISES_NAME", "'Premises Name' is required, please enter a value."),
        line("PREMISES_TYPE__CODE", PremisesType),
        line("RISK_CATEGORY", "A valid 'Risk category' entry is required, please enter a value."),
        line("RISK_CATEGORY_FOOD_STAND__CODE", "A valid 'Food Standards Risk category' entry is required, please enter a value."),
        line("REASON__CODE", "'Reason for sample taken' is required, please enter a value."),
        line(SampleTarget::SampleTypeSurveillance, SampleType),
        line("FOOD_DESCRIPTION", "'Food Description' is required, please enter a value."),
        line("PRODUCT__CODE", "'Nature of product' is required, please enter a value."),
        line(SampleTarget::CategoryTree, "'Category' is required, please enter a value."),
        line("COUNTRY", "'Country' is required, please enter a value."),
        line("PACKAGING__CODE", "'Packaging provided' is required, please enter a value."),
        line("MATERIAL__CODE", "'Packaging material' is required, please enter a value."),
        line("BATCH_NUMBER", "'Batch/Lot number' is required, please enter a value."),
        line("DURABILITY__CODE", Durability),
        line("DURABILITY_DAY", DayInvalid),
        line("DURABILITY_MONTH", MonthInvalid),
        line("DURABILITY_YEAR", YearInvalid),
        line("CONDITION__CODE", "'Condition' is required, please enter a value."),
        line("FLAG_COP_CONDITION", "'Sample was taken in compliance of COP requirements.' is required, please enter a value."),
        line("FLAG_COP_LAB", "'Sample was transported to LAB in compliance with COP requirements:.' is required, please enter a value."),
        line("LABORATORY__CODE", "'Laboratory' is required, please enter a value."),
        line("ROUTINE_ANALYSIS", "'Routine analysis required?' entry is required, please enter a value."),
        line("ANALYSIS_TEXT", "'Analysis required' entry is required, please enter a value."),
    };
}

void TestSampleRules::foodEditorRules()
{
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, expected);
    QVariantMap values = merged(completeFoodSample(), changes);
    VariantMapRow row(values);
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, context(&m_lookups), m_prompter);
    QCOMPARE(lines(outcome.failures()), expected);
    QCOMPARE(outcome.isValid(), expected.isEmpty());
}

void TestSampleRules::targetKeepsPlaceAndLastMessage()
{
    // A NULL day fails the "required" rule, then the range rule: one entry, the day's place,
    // the invalid-day message; a validator without a form still lists both.
    QVariantMap values = merged(completeFoodSample(), {{"DURABILITY_DAY", QVariant()}, {"CONDITION__CODE", QVariant()}});
    VariantMapRow row(values);
    const ValidationOutcome outcome = runRules(foodEditorProfile(), row, context(&m_lookups));
    QCOMPARE(lines(outcome.failures()),
             QStringList({line("DURABILITY_DAY", DayInvalid),
                          line("CONDITION__CODE", "'Condition' is required, please enter a value.")}));
    QCOMPARE(outcome.messages(), QStringList({Durability, DayInvalid, "'Condition' is required, please enter a value."}));
}

void TestSampleRules::codesMissingFromLists_data()
{
    QTest::addColumn<bool>("useLAEMS");
    QTest::addColumn<bool>("emptyStore");
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QVariantMap>("after");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("sample type from neither list is cleared, then required")
        << false << false << QVariantMap{{"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "ZZ"}}
        << QVariantMap{{"SAMPLE_TYPE__CODE", QVariant()}}
        << QStringList{line(SampleTarget::SampleTypeEnforcement, SampleType)};
    QTest::newRow("sample type of the other reason's list stays")
        << false << false << QVariantMap{{"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "SV1"}}
        << QVariantMap{{"SAMPLE_TYPE__CODE", "SV1"}} << QStringList();
    QTest::newRow("LAEMS in use: a Varnex-only premises type is cleared")
        << true << false << QVariantMap{{"PREMISES_TYPE__CODE", "V1"}}
        << QVariantMap{{"PREMISES_TYPE__CODE", QVariant()}, {"FLAG_LAEMS_PREMISES_CODE", "T"}}
        << QStringList{line("PREMISES_TYPE__CODE", PremisesType)};
    QTest::newRow("LAEMS in use: a LAEMS-only premises type stays")
        << true << false << QVariantMap{{"PREMISES_TYPE__CODE", "L1"}}
        << QVariantMap{{"PREMISES_TYPE__CODE", "L1"}, {"FLAG_LAEMS_PREMISES_CODE", "T"}} << QStringList();
    QTest::newRow("Varnex list: a LAEMS-only premises type is cleared")
        << false << false << QVariantMap{{"PREMISES_TYPE__CODE", "L1"}}
        << QVariantMap{{"PREMISES_TYPE__CODE", QVariant()}, {"FLAG_LAEMS_PREMISES_CODE", "F"}}
        << QStringList{line("PREMISES_TYPE__CODE", PremisesType)};
    QTest::newRow("a code in lower case is not the code")
        << false << false << QVariantMap{{"LABORATORY__CODE", "lab1"}} << QVariantMap{{"LABORATORY__CODE", QVariant()}}
        << QStringList{line("LABORATORY__CODE", "'Laboratory' is required, please enter a value.")};
    QTest::newRow("laboratory outside the filtered list stays") << false << false
        << QVariantMap{{"LABORATORY__CODE", "LAB2"}} << QVariantMap{{"LABORATORY__CODE", "LAB2"}} << QStringList();

    QVariantMap unknownCodes{{"PREMISES_TYPE__CODE", "Q9"}, {"SAMPLE_TYPE__CODE", "Q9"}, {"RISK_CATEGORY", "Q9"},
                             {"PRODUCT__CODE", "Q9"}, {"PACKAGING__CODE", "Q9"}, {"MATERIAL__CODE", "Q9"},
                             {"DURABILITY__CODE", "Q9"}, {"CONDITION__CODE", "Q9"}, {"LABORATORY__CODE", "Q9"}};
    QTest::newRow("a store without lookup lists loses no code") << true << true << unknownCodes << unknownCodes
                                                               << QStringList();
}

void TestSampleRules::codesMissingFromLists()
{
    QFETCH(bool, useLAEMS);
    QFETCH(bool, emptyStore);
    QFETCH(QVariantMap, changes);
    QFETCH(QVariantMap, after);
    QFETCH(QStringList, expected);

    FakeLookups none;
    SampleRuleContext c = context(emptyStore ? &none : &m_lookups);
    c.UseLAEMSPremisesCodes = useLAEMS;
    QVariantMap values = merged(completeFoodSample(), changes);
    VariantMapRow row(values);
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, c, m_prompter);
    QCOMPARE(lines(outcome.failures()), expected);
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        QCOMPARE(row.text(it.key()), it.value().toString());
}

void TestSampleRules::sampleDateQuestion_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<int>("answer"); // -1 no question expected, 0 No, 1 Yes
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("7 days before") << QVariantMap{{"SAMPLE_DATE", QDate(2014, 6, 8)}} << -1 << QStringList();
    QTest::newRow("7 days after") << QVariantMap{{"SAMPLE_DATE", QDate(2014, 6, 22)}} << -1 << QStringList();
    QTest::newRow("8 days before, Yes") << QVariantMap{{"SAMPLE_DATE", QDate(2014, 6, 7)}} << 1 << QStringList();
    QTest::newRow("8 days after, No")
        << QVariantMap{{"SAMPLE_DATE", QDate(2014, 6, 23)}} << 0 << QStringList{line("SAMPLE_DATE", DateMessage)};
    // The date is marked between the office and the officer, as the editor registers it.
    QTest::newRow("No comes after the office and before the officer")
        << QVariantMap{{"SAMPLE_DATE", QDate(2013, 1, 1)}, {"LOCAL_AUTH_OFFICE__CODE", ""}, {"SAMPLE_OFFICER__CODE", ""}}
        << 0
        << QStringList{line("LOCAL_AUTH_OFFICE__CODE", Office), line("SAMPLE_DATE", DateMessage),
                       line("SAMPLE_OFFICER__CODE", "'Sample Officer' is required, please enter a value.")};
    QTest::newRow("empty date: no question, the date rule marks it")
        << QVariantMap{{"SAMPLE_DATE", QVariant()}} << -1 << QStringList{line("SAMPLE_DATE", DateMessage)};
    QTest::newRow("a date that cannot be read: marked, no question")
        << QVariantMap{{"SAMPLE_DATE", "31/02/2014"}} << -1 << QStringList{line("SAMPLE_DATE", DateMessage)};
}

void TestSampleRules::sampleDateQuestion()
{
    QFETCH(QVariantMap, changes);
    QFETCH(int, answer);
    QFETCH(QStringList, expected);
    if (answer >= 0)
        m_prompter.queueAnswer(answer == 1);
    QVariantMap values = merged(completeFoodSample(), changes);
    VariantMapRow row(values);
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, context(&m_lookups), m_prompter);
    QCOMPARE(lines(outcome.failures()), expected);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question),
             answer >= 0 ? QStringList{SampleDateQuestion} : QStringList());
}

void TestSampleRules::fillsAndStatusAfterFailedValidation()
{
    QVariantMap values = merged(completeFoodSample(), {{"COUNTRY", QVariant()}, {"BRAND_NAME", ""}, {"IMPORTER", "EU LTD"}});
    VariantMapRow row(values);
    ValidationOutcome first = validateEditorSample(SampleEditorKind::Food, row, context(&m_lookups), m_prompter);
    QCOMPARE(lines(first.failures()), QStringList{line("COUNTRY", "'Country' is required, please enter a value.")});
    QCOMPARE(values.value("COUNTRY").toString(), QString("N/A"));
    QCOMPARE(values.value("BRAND_NAME").toString(), QString("N/A"));
    QCOMPARE(values.value("IMPORTER").toString(), QString("EU LTD"));
    // The next validation passes the country rule.
    QVERIFY(validateEditorSample(SampleEditorKind::Food, row, context(&m_lookups), m_prompter).isValid());

    // A sent sample keeps its status; any other takes "VALIDATED".
    values.insert("SAMPLE_STATUS__CODE", "EXPORTED");
    SampleRuleContext sent = context(&m_lookups);
    sent.sent = true;
    QVERIFY(validateEditorSample(SampleEditorKind::Food, row, sent, m_prompter).isValid());
    QCOMPARE(values.value("SAMPLE_STATUS__CODE").toString(), QString("EXPORTED"));
}

void TestSampleRules::otherProfiles_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QVariantMap>("row");
    QTest::addColumn<QStringList>("messages");

    const QVariantMap food = completeFoodSample();
    QTest::newRow("stored food: only the batch missing")
        << "food stored" << merged(food, {{"BATCH_NUMBER", ""}}) << QStringList{"'Batch/Lot number' is required."};
    QTest::newRow("stored food: no sample date passes") << "food stored" << merged(food, {{"SAMPLE_DATE", QVariant()}})
                                                        << QStringList();
    QTest::newRow("stored food: empty office, the long message")
        << "food stored" << merged(food, {{"LOCAL_AUTH_OFFICE__CODE", ""}}) << QStringList{Office};
    QTest::newRow("stored food: durability E without day passes")
        << "food stored" << merged(food, {{"DURABILITY__CODE", "E"}, {"DURABILITY_DAY", QVariant()}}) << QStringList();
    QTest::newRow("stored food: durability D without day lists both")
        << "food stored" << merged(food, {{"DURABILITY_DAY", QVariant()}})
        << QStringList{"'Durability' is required.", DayInvalid};

    const QVariantMap feed = {
        {"ANALYSIS_TYPE", "C"}, {"LOCAL_AUTH_OFFICE__CODE", "OF1"}, {"SAMPLE_OFFICER__CODE", "JS"},
        {"SAMPLE_DATE", QDate(2014, 6, 14)}, {"SAMPLE_TIME", QTime(9, 0)}, {"PREMISES_NAME", "Mill"},
        {"PREMISES_TYPE__CODE", "FM"}, {"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "F"},
        {"FOOD_DESCRIPTION", "PELLETS"}, {"ANIMAL_SPECIES__CODE", "01.02"}, {"CATEGORY__CODE", "50"},
        {"SUB_CATEGORY__CODE", "50.01"}, {"COUNTRY", "UNITED KINGDOM"}, {"PACKAGING__CODE", "P"},
        {"DURABILITY__CODE", "O"}, {"DURABILITY_DAY", 2}, {"DURABILITY_MONTH", 3}, {"DURABILITY_YEAR", 2015},
        {"FLAG_COP_CONDITION", "T"}, {"LABORATORY__CODE", "LAB1"}, {"ROUTINE_ANALYSIS", "T"},
        {"ANALYSIS_TEXT", RoutineAnalysisText},
    };
    QTest::newRow("feed editor: complete") << "feed editor" << feed << QStringList();
    QTest::newRow("feed editor: compound feed, species not specified")
        << "feed editor" << merged(feed, {{"ANIMAL_SPECIES__CODE", "09.01"}})
        << QStringList{"'Animal species' cannot be 'Not specified' if the category is set to 'Compound Feeds'."};
    QTest::newRow("feed editor: compound feed without species")
        << "feed editor" << merged(feed, {{"ANIMAL_SPECIES__CODE", ""}})
        << QStringList{"'Animal Species' is required, please enter a value.",
                       "The Animal Species category must be specified if the Feed Category is set to 'Compound Feeds'."};
    QTest::newRow("feed editor: other category with species not specified")
        << "feed editor" << merged(feed, {{"CATEGORY__CODE", "51"}, {"ANIMAL_SPECIES__CODE", "09.01"}}) << QStringList();
    QTest::newRow("feed editor: survey without body or reference")
        << "feed editor" << merged(feed, {{"REASON__CODE", "S"}, {"FLAG_SURVEY", "T"}})
        << QStringList{"'Survey Body' is required, please enter a value.", "'Survey Ref' is required, please enter a value."};
    QTest::newRow("feed editor: surveillance without sample type passes")
        << "feed editor" << merged(feed, {{"REASON__CODE", "S"}, {"SAMPLE_TYPE__CODE", ""}}) << QStringList();
    QTest::newRow("feed stored: surveillance without sample type fails")
        << "feed stored" << merged(feed, {{"REASON__CODE", "S"}, {"SAMPLE_TYPE__CODE", ""}}) << QStringList{SampleType};
    QTest::newRow("feed editor: durability O checks every part")
        << "feed editor" << merged(feed, {{"DURABILITY_DAY", QVariant()}})
        << QStringList{"'Durability, Day' is required, please enter a value.", DayInvalid};
    QTest::newRow("feed editor: not compliant needs an explanation")
        << "feed editor" << merged(feed, {{"FLAG_COP_CONDITION", "F"}})
        << QStringList{"'Explanation.' is required, please enter a value."};
    QTest::newRow("feed editor: country from the list")
        << "feed editor" << merged(feed, {{"COUNTRY", ""}}) << QStringList{"'Country' must be choosen from the list provided."};
    QTest::newRow("feed stored: analysis type needed") << "feed stored" << merged(feed, {{"ANALYSIS_TYPE", ""}})
                                                       << QStringList{"Please enter an Analysis type."};
}

void TestSampleRules::otherProfiles()
{
    QFETCH(QString, profile);
    QFETCH(QVariantMap, row);
    QFETCH(QStringList, messages);
    const RuleProfile &p = profile == "food stored" ? foodStoredProfile()
                           : profile == "feed stored" ? animalFeedStoredProfile()
                                                      : animalFeedEditorProfile();
    VariantMapRow r(row);
    QCOMPARE(runRules(p, r, context(&m_lookups)).messages(), messages);
}

void TestSampleRules::roundHalfToEven_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("rounded");
    QTest::addColumn<bool>("valid");
    QTest::newRow("0.5") << "0.5" << qint64(0) << true;
    QTest::newRow("1.5") << "1.5" << qint64(2) << true;
    QTest::newRow("2.5") << "2.5" << qint64(2) << true;
    QTest::newRow("0.50000001") << "0.50000001" << qint64(1) << true;
    QTest::newRow("0.49") << "0.49" << qint64(0) << true;
    QTest::newRow("-0.5") << "-0.5" << qint64(0) << true;
    QTest::newRow("-2.5") << "-2.5" << qint64(-2) << true;
    QTest::newRow("-18.0") << "-18.0" << qint64(-18) << true;
    QTest::newRow(".5") << ".5" << qint64(0) << true;
    QTest::newRow("12") << "12" << qint64(12) << true;
    QTest::newRow("empty") << "" << qint64(0) << false;
    QTest::newRow("exponent") << "1e5" << qint64(0) << false;
    QTest::newRow("text") << "warm" << qint64(0) << false;
}

void TestSampleRules::roundHalfToEven()
{
    QFETCH(QString, text);
    QFETCH(qint64, rounded);
    QFETCH(bool, valid);
    const std::optional<qint64> result = ::roundHalfToEven(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, rounded);
}

QTEST_GUILESS_MAIN(TestSampleRules)
#include "tst_samplerules.moc"
