// Sample templates without forms: the template presets of the field rules against the sample
// ones, the empty validation profile, the values of a new template and the premises pick.
#include "FakeLookups.h"
#include "base/ProductNames.h"
#include "samples/SampleTemplates.h"

#include <QTest>

namespace {

class CountingServices : public SampleTemplateServices
{
public:
    qint64 sampleNumbers = 0;
    qint64 templateIds = 0;
    qint64 nextSampleNumber() override { return 100 + ++sampleNumbers; }
    qint64 nextTemplateId() override { return 500 + ++templateIds; }
    QString GetNewUUIDString() override { return QStringLiteral("11111111-2222-3333-4444-555555555555"); }
};

NewSampleSettings settings(const QString &personality, const QString &analysisType)
{
    NewSampleSettings s;
    s.personality = personality;
    s.AnalysisType = analysisType;
    s.LaboratoryCodeMicro = personality == Varnex::PersonalityFood ? "FOODMICRO" : "FEEDMICRO";
    s.LaboratoryCodeChemical = personality == Varnex::PersonalityFood ? "FOODCHEM" : "FEEDCHEM";
    s.LocalAuthorityCode = "LA1";
    s.LocalAuthorityOfficeCode = "OF1";
    return s;
}

} // namespace

class TestSampleTemplates : public QObject
{
    Q_OBJECT

private slots:
    void fieldRulesPerPersonality_data();
    void fieldRulesPerPersonality();
    void browseModeAppliesNoRule();
    void templatesHaveNoValidationRules();
    void newTemplateValues_data();
    void newTemplateValues();
    void premisesPick();
    void newGroupShape();
};

void TestSampleTemplates::fieldRulesPerPersonality_data()
{
    QTest::addColumn<QString>("personality");
    QTest::addColumn<QVariantMap>("row");
    QTest::addColumn<QVariantMap>("expected");

    const QString food = Varnex::PersonalityFood;
    const QString feed = Varnex::PersonalityAnimalFeed;
    const QVariantMap swab{{"PRODUCT__CODE", "S"}, {"SUB_CATEGORY_2__CODE", "01.01.01"}, {"MATERIAL__CODE", "G"}};
    // A food template's swab fills the two levels a template keeps and leaves the deeper ones.
    QTest::newRow("food swab") << food << swab
                               << QVariantMap{{"PACKAGING__CODE", "N"}, {"DURABILITY__CODE", "N"}, {"CATEGORY__CODE", "18"},
                                              {"CATEGORY_DESCRIPTION", "Others"}, {"SUB_CATEGORY__CODE", "18.07"},
                                              {"SUB_CATEGORY_DESCRIPTION", "Miscellaneous"}, {"MAFF__CODE", "M65"},
                                              {"CONDITION__CODE", "O"}, {"OTHER_CONDITION", "N/A (Swab)"},
                                              {"SUB_CATEGORY_2__CODE", "01.01.01"}, {"MATERIAL__CODE", QVariant()}};
    QTest::newRow("feed has no swab") << feed << swab
                                      << QVariantMap{{"PACKAGING__CODE", QVariant()}, {"CATEGORY__CODE", QVariant()},
                                                     {"MATERIAL__CODE", "G"}};

    const QVariantMap surveillance{{"REASON__CODE", "S"}, {"FLAG_FOLLOW_UP", "T"}, {"INDEX_NUMBER", "X1"},
                                   {"FLAG_FOOD_POISONING", "T"}, {"DETAILS", "outbreak"}, {"FLAG_SURVEY", "T"},
                                   {"SURVEY_BODY__CODE", "SB"}};
    QTest::newRow("food surveillance clears the enforcement flags")
        << food << surveillance
        << QVariantMap{{"FLAG_FOLLOW_UP", "F"}, {"INDEX_NUMBER", QVariant()}, {"FLAG_FOOD_POISONING", "F"},
                       {"DETAILS", QVariant()}, {"FLAG_SURVEY", "T"}, {"SURVEY_BODY__CODE", "SB"}};
    QTest::newRow("feed keeps the reason flags")
        << feed << surveillance
        << QVariantMap{{"FLAG_FOLLOW_UP", "T"}, {"INDEX_NUMBER", "X1"}, {"FLAG_FOOD_POISONING", "T"}, {"DETAILS", "outbreak"}};
    QTest::newRow("food enforcement clears the survey")
        << food << QVariantMap{{"REASON__CODE", "E"}, {"FLAG_SURVEY", "T"}, {"SURVEY_BODY__CODE", "SB"}, {"SURVEY_NUMBER", "9"}}
        << QVariantMap{{"FLAG_SURVEY", "F"}, {"SURVEY_BODY__CODE", QVariant()}, {"SURVEY_NUMBER", QVariant()}};
    QTest::newRow("feed: an unticked survey empties its body and reference")
        << feed << QVariantMap{{"FLAG_SURVEY", "F"}, {"SURVEY_BODY__CODE", "SB"}, {"SURVEY_NUMBER", "9"}}
        << QVariantMap{{"SURVEY_BODY__CODE", QVariant()}, {"SURVEY_NUMBER", QVariant()}};

    const QVariantMap openPackaging{{"PACKAGING__CODE", "O"}, {"MATERIAL__CODE", "O"}, {"OTHER_MATERIAL", "tin"}};
    QTest::newRow("food material rule") << food << openPackaging
                                        << QVariantMap{{"MATERIAL__CODE", QVariant()}, {"OTHER_MATERIAL", QVariant()}};
    QTest::newRow("feed has no material rule") << feed << openPackaging
                                               << QVariantMap{{"MATERIAL__CODE", "O"}, {"OTHER_MATERIAL", "tin"}};

    for (const QString &p : {food, feed}) {
        QTest::addRow("%s routine YES", qPrintable(p))
            << p << QVariantMap{{"ROUTINE_ANALYSIS", "T"}, {"ANALYSIS_TEXT", "lead"}}
            << QVariantMap{{"ANALYSIS_TEXT", RoutineAnalysisText}};
        QTest::addRow("%s routine NO after YES", qPrintable(p))
            << p << QVariantMap{{"ROUTINE_ANALYSIS", "F"}, {"ANALYSIS_TEXT", RoutineAnalysisText}}
            << QVariantMap{{"ANALYSIS_TEXT", QVariant()}};
        QTest::addRow("%s other condition only for other", qPrintable(p))
            << p << QVariantMap{{"CONDITION__CODE", "C"}, {"OTHER_CONDITION", "warm"}}
            << QVariantMap{{"OTHER_CONDITION", QVariant()}};
    }
}

void TestSampleTemplates::fieldRulesPerPersonality()
{
    QFETCH(QString, personality);
    QFETCH(QVariantMap, row);
    QFETCH(QVariantMap, expected);
    VariantMapRow values(row);
    QString previous;
    const SampleViewState view = VerifyAll(values, true, templateVerifyOptions(personality), SampleRuleContext(), previous);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(values.text(it.key()), it.value().toString());

    // The lists the template offers are its personality's own.
    const bool food = personality == Varnex::PersonalityFood;
    QCOMPARE(view.premisesTypeSource, food ? QString("srcPremisesType") : QString("srcFeedPremisesType"));
    if (!food)
        QCOMPARE(view.sampleTypeSource, row.value("REASON__CODE") == "E" ? QString("srcFeedSampleTypeEnforcement")
                                                                         : QString("srcFeedSampleTypeSurveillance"));
}

void TestSampleTemplates::browseModeAppliesNoRule()
{
    QVariantMap row{{"PRODUCT__CODE", "S"}, {"REASON__CODE", "S"}, {"FLAG_FOLLOW_UP", "T"}, {"ROUTINE_ANALYSIS", "T"}};
    const QVariantMap before = row;
    VariantMapRow values(row);
    QString previous;
    const SampleViewState view =
        VerifyAll(values, false, templateVerifyOptions(Varnex::PersonalityFood), SampleRuleContext(), previous);
    QCOMPARE(row, before);
    QVERIFY(view.surveillanceGroup && !view.enforcementGroup);
}

void TestSampleTemplates::templatesHaveNoValidationRules()
{
    QVariantMap empty;
    VariantMapRow row(empty);
    QVERIFY(templateEditorProfile().rules.isEmpty());
    QVERIFY(runRules(templateEditorProfile(), row, SampleRuleContext()).isValid());
}

void TestSampleTemplates::newTemplateValues_data()
{
    QTest::addColumn<QString>("personality");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("analysisType");
    QTest::addColumn<QString>("laboratory");

    QTest::newRow("food micro") << Varnex::PersonalityFood << "M" << "M" << "FOODMICRO";
    QTest::newRow("food chemical") << Varnex::PersonalityFood << "C" << "C" << "FOODCHEM";
    QTest::newRow("food none") << Varnex::PersonalityFood << "N" << "" << "FOODCHEM";
    // The feed template takes the animal-feed laboratories, as the feed editor does.
    QTest::newRow("feed") << Varnex::PersonalityAnimalFeed << "C" << "C" << "FEEDCHEM";
}

void TestSampleTemplates::newTemplateValues()
{
    QFETCH(QString, personality);
    QFETCH(QString, setting);
    QFETCH(QString, analysisType);
    QFETCH(QString, laboratory);

    QVariantMap row{{"QUANTITY", 3}, {"REASON__CODE", "E"}};
    VariantMapRow values(row);
    CountingServices services;
    const QDateTime now(QDate(2014, 6, 15), QTime(9, 45));
    initialiseNewTemplate(values, settings(personality, setting), services, now);

    QCOMPARE(values.text("RECORD_TYPE"), personality);
    QCOMPARE(values.text("ANALYSIS_TYPE"), analysisType);
    QCOMPARE(values.text("LABORATORY__CODE"), laboratory);
    QCOMPARE(values.integer("SAMPLE_NUMBER"), 101);
    QCOMPARE(values.value("UNIQUE_ID").toLongLong(), 501);
    QCOMPARE(values.text("UNIQUE_UUID").size(), 36);
    QCOMPARE(values.text("LOCAL_AUTHORITY__CODE"), QString("LA1"));
    QCOMPARE(values.text("LOCAL_AUTH_OFFICE__CODE"), QString("OF1"));
    QCOMPARE(values.text("COUNTRY"), QString("UNITED KINGDOM"));
    QVERIFY(values.isNull("QUANTITY"));
    QVERIFY(values.isNull("REASON__CODE"));
    const bool food = personality == Varnex::PersonalityFood;
    QCOMPARE(values.text("COUNTRY_REGION"), food ? QString("UK") : QString());
    QCOMPARE(values.value("SAMPLE_DATE").toDate(), food ? now.date() : QDate());
    // One generator step each: a template uses up one sample number.
    QCOMPARE(services.sampleNumbers, 1);
    QCOMPARE(services.templateIds, 1);
}

void TestSampleTemplates::premisesPick()
{
    FakeLookups lookups;
    SampleRuleContext context;
    context.lookups = &lookups;
    const QVariantMap before{{"BUSINESS_ID", "OLD"}, {"PREMISES_NAME", "Old Shop"}, {"RISK_CATEGORY", "A"},
                             {"RISK_CATEGORY_FOOD_STAND__CODE", "B"}, {"PREMISES_TYPE__CODE", "R1"},
                             {"REGISTRATION_NUMBER", "REG-OWN"}};

    // Found: the premises' values, its risk category into RISK_CATEGORY.
    QVariantMap found = before;
    VariantMapRow foundRow(found);
    applyTemplatePremises(foundRow, "P2",
                          QVariantMap{{"PREMISES_NAME", "Mill"}, {"BUSINESS_ADDR_1", "1 Lane"}, {"RISK_CATEGORY__CODE", "C"},
                                      {"RISK_CATEGORY_FOOD_STAND__CODE", "D"}, {"PREMISES_TYPE__CODE", "F1"},
                                      {"REGISTRATION_NUMBER", "REG-P2"}},
                          Varnex::PersonalityAnimalFeed, context);
    QCOMPARE(foundRow.text("BUSINESS_ID"), QString("P2"));
    QCOMPARE(foundRow.text("PREMISES_NAME"), QString("Mill"));
    QCOMPARE(foundRow.text("RISK_CATEGORY"), QString("C"));
    QCOMPARE(foundRow.text("PREMISES_TYPE__CODE"), QString("F1"));
    QCOMPARE(foundRow.text("REGISTRATION_NUMBER"), QString("REG-OWN"));

    // No premises has the code: the premises values go, the food standards category stays.
    QVariantMap missing = before;
    VariantMapRow missingRow(missing);
    applyTemplatePremises(missingRow, "NOPE", std::nullopt, Varnex::PersonalityFood, context);
    QCOMPARE(missingRow.text("BUSINESS_ID"), QString("NOPE"));
    QVERIFY(missingRow.isEmpty("PREMISES_NAME"));
    QVERIFY(missingRow.isEmpty("RISK_CATEGORY"));
    QVERIFY(missingRow.isEmpty("PREMISES_TYPE__CODE"));
    QCOMPARE(missingRow.text("RISK_CATEGORY_FOOD_STAND__CODE"), QString("B"));
}

void TestSampleTemplates::newGroupShape()
{
    QVariantMap row;
    VariantMapRow values(row);
    initialiseNewTemplateGroup(values, 42, "AAAAAAAA-2222-3333-4444-555555555555", "LA1", "OF1");
    QCOMPARE(values.value("ID").toLongLong(), -42);
    QCOMPARE(values.value("UPDATE_ID").toLongLong(), -42);
    QCOMPARE(values.value("UNIQUE_ID").toLongLong(), 42);
    QCOMPARE(values.value("PARENT_ID").toLongLong(), -1);
    QCOMPARE(values.text("RECORD_TYPE"), QString("FOOD"));
    QCOMPARE(values.text("LOCAL_AUTHORITY__CODE"), QString("LA1"));
    QCOMPARE(values.text("LOCAL_AUTH_OFFICE__CODE"), QString("OF1"));
}

QTEST_GUILESS_MAIN(TestSampleTemplates)
#include "tst_sampletemplates.moc"
