#include "SampleFixtures.h"

#include "base/Prompter.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleVerify.h"

#include <QTest>

using namespace SampleFixtures;

namespace {

enum Editor { FoodSample, AnimalFeedSample, FoodTemplate, AnimalFeedTemplate };

VerifyAllOptions optionsOf(int editor)
{
    switch (editor) {
    case AnimalFeedSample:
        return VerifyAllOptions::animalFeedSample();
    case FoodTemplate:
        return VerifyAllOptions::foodTemplate();
    case AnimalFeedTemplate:
        return VerifyAllOptions::animalFeedTemplate();
    default:
        return VerifyAllOptions::foodSample();
    }
}

// The columns that differ, "COLUMN=text" with NULL written as "<null>".
QStringList changesBetween(const QVariantMap &before, const QVariantMap &after)
{
    QStringList out;
    QStringList keys = after.keys();
    for (const QString &k : before.keys())
        if (!keys.contains(k))
            keys << k;
    keys.sort();
    for (const QString &k : keys) {
        const QVariant a = before.value(k);
        const QVariant b = after.value(k);
        const bool aNull = !a.isValid() || a.isNull();
        const bool bNull = !b.isValid() || b.isNull();
        if (aNull == bNull && (aNull || a.toString() == b.toString()))
            continue;
        out << k + "=" + (bNull ? QString("<null>") : b.toString());
    }
    return out;
}

} // namespace

class TestSampleVerify : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fieldRules_data();
    void fieldRules();
    void swabThenValidates();
    void viewState();
    void categorySelection();
    void premisesDetail();
    void categoryHelpWraps();

private:
    FakeLookups m_lookups;
};

void TestSampleVerify::init()
{
    m_lookups = FakeLookups();
    fillFoodLists(m_lookups);
}

void TestSampleVerify::fieldRules_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("after"); // what VerifyAll changed, from the row with the changes

    const QVariant null;
    QTest::newRow("complete sample: nothing changes") << int(FoodSample) << true << QVariantMap() << QStringList();
    QTest::newRow("not being edited: nothing changes")
        << int(FoodSample) << false << QVariantMap{{"PRODUCT__CODE", "S"}, {"DURABILITY__CODE", "N"}} << QStringList();

    QTest::newRow("swab, sample editor")
        << int(FoodSample) << true << QVariantMap{{"PRODUCT__CODE", "S"}, {"CONDITION__CODE", "F"}}
        << QStringList{"CATEGORY_DESCRIPTION=Others", "CATEGORY__CODE=18", "CONDITION__CODE=O",
                       "DURABILITY_DAY=<null>", "DURABILITY_MONTH=<null>", "DURABILITY_YEAR=<null>",
                       "DURABILITY__CODE=N", "MAFF__CODE=M65", "MATERIAL__CODE=<null>", "OTHER_CONDITION=N/A (Swab)",
                       "PACKAGING__CODE=N", "SUB_CATEGORY_2_DESCRIPTION=Swabs", "SUB_CATEGORY_2__CODE=18.07.50",
                       "SUB_CATEGORY_3_DESCRIPTION=Hygiene Swab", "SUB_CATEGORY_3__CODE=18.07.50.01",
                       "SUB_CATEGORY_DESCRIPTION=Miscellaneous", "SUB_CATEGORY__CODE=18.07"};
    QTest::newRow("swab, template editor: two category levels")
        << int(FoodTemplate) << true << QVariantMap{{"PRODUCT__CODE", "S"}, {"DURABILITY_DAY", null}}
        << QStringList{"CATEGORY_DESCRIPTION=Others", "CATEGORY__CODE=18", "CONDITION__CODE=O", "DURABILITY__CODE=N",
                       "MAFF__CODE=M65", "MATERIAL__CODE=<null>", "OTHER_CONDITION=N/A (Swab)", "PACKAGING__CODE=N",
                       "SUB_CATEGORY_DESCRIPTION=Miscellaneous", "SUB_CATEGORY__CODE=18.07"};

    QTest::newRow("region EU drops a UK country")
        << int(FoodSample) << true << QVariantMap{{"COUNTRY_REGION", "EU"}} << QStringList{"COUNTRY=<null>"};
    QTest::newRow("region EU keeps an EU country")
        << int(FoodSample) << true << QVariantMap{{"COUNTRY_REGION", "EU"}, {"COUNTRY", "SPAIN"}} << QStringList();
    QTest::newRow("an unknown region offers the UK list")
        << int(FoodSample) << true << QVariantMap{{"COUNTRY_REGION", "Mars"}, {"COUNTRY", "SPAIN"}}
        << QStringList{"COUNTRY=<null>"};
    QTest::newRow("country N/A stays") << int(FoodSample) << true
                                       << QVariantMap{{"COUNTRY_REGION", "EU"}, {"COUNTRY", "N/A"}} << QStringList();
    QTest::newRow("the feed editor never checks the country")
        << int(AnimalFeedSample) << true << QVariantMap{{"COUNTRY_REGION", "EU"}, {"FLAG_COP_CONDITION", "F"}}
        << QStringList();

    QTest::newRow("packaging N: no material, batch N/A")
        << int(FoodSample) << true
        << QVariantMap{{"PACKAGING__CODE", "N"}, {"MATERIAL__CODE", "O"}, {"OTHER_MATERIAL", "TIN"}, {"BATCH_NUMBER", ""}}
        << QStringList{"BATCH_NUMBER=N/A", "MATERIAL__CODE=<null>", "OTHER_MATERIAL=<null>"};
    QTest::newRow("packaging O keeps a batch number")
        << int(FoodSample) << true << QVariantMap{{"PACKAGING__CODE", "O"}} << QStringList{"MATERIAL__CODE=<null>"};
    QTest::newRow("other packaging clears batch N/A")
        << int(FoodSample) << true << QVariantMap{{"BATCH_NUMBER", "N/A"}} << QStringList{"BATCH_NUMBER=<null>"};
    QTest::newRow("material not other: no other material")
        << int(FoodSample) << true << QVariantMap{{"OTHER_MATERIAL", "TIN"}} << QStringList{"OTHER_MATERIAL=<null>"};
    QTest::newRow("condition not other: no other condition")
        << int(AnimalFeedTemplate) << true << QVariantMap{{"OTHER_CONDITION", "WET"}} << QStringList{"OTHER_CONDITION=<null>"};

    QTest::newRow("durability E clears the day") << int(FoodSample) << true << QVariantMap{{"DURABILITY__CODE", "E"}}
                                                 << QStringList{"DURABILITY_DAY=<null>"};
    QTest::newRow("durability N clears day, month and year")
        << int(AnimalFeedSample) << true << QVariantMap{{"DURABILITY__CODE", "N"}, {"FLAG_COP_CONDITION", "F"}}
        << QStringList{"DURABILITY_DAY=<null>", "DURABILITY_MONTH=<null>", "DURABILITY_YEAR=<null>"};
    QTest::newRow("durability O keeps its parts") << int(FoodSample) << true << QVariantMap{{"DURABILITY__CODE", "O"}}
                                                  << QStringList();
    QTest::newRow("durability I keeps its parts") << int(FoodSample) << true << QVariantMap{{"DURABILITY__CODE", "I"}}
                                                  << QStringList();

    QTest::newRow("surveillance: no follow-up, no illness")
        << int(FoodSample) << true
        << QVariantMap{{"FLAG_FOLLOW_UP", "T"}, {"INDEX_NUMBER", "IX1"}, {"FLAG_FOOD_POISONING", "T"}, {"DETAILS", "OB 7"}}
        << QStringList{"DETAILS=<null>", "FLAG_FOLLOW_UP=F", "FLAG_FOOD_POISONING=F", "INDEX_NUMBER=<null>"};
    QTest::newRow("enforcement: no survey")
        << int(FoodSample) << true
        << QVariantMap{{"REASON__CODE", "E"}, {"FLAG_SURVEY", "T"}, {"SURVEY_BODY__CODE", "SB"}, {"SURVEY_NUMBER", "S/1"}}
        << QStringList{"FLAG_SURVEY=F", "SURVEY_BODY__CODE=<null>", "SURVEY_NUMBER=<null>"};
    QTest::newRow("feed: the reason leaves the flags, the boxes clear their fields")
        << int(AnimalFeedSample) << true
        << QVariantMap{{"REASON__CODE", "E"}, {"FLAG_SURVEY", "T"}, {"SURVEY_BODY__CODE", "SB"}, {"FLAG_FOLLOW_UP", "F"},
                       {"INDEX_NUMBER", "IX1"}, {"SAMPLE_TYPE__CODE", "F"}}
        << QStringList{"INDEX_NUMBER=<null>"};

    QTest::newRow("feed: sample type other than F is not compliant, explanation kept")
        << int(AnimalFeedSample) << true << QVariantMap{{"SAMPLE_TYPE__CODE", "G"}, {"NOT_COP", "late"}}
        << QStringList{"FLAG_COP_CONDITION=F"};
    QTest::newRow("compliant: no explanation")
        << int(FoodSample) << true << QVariantMap{{"NOT_COP", "late"}} << QStringList{"NOT_COP=<null>"};

    QTest::newRow("routine T writes the routine text")
        << int(FoodSample) << true << QVariantMap{{"ANALYSIS_TEXT", "Lead"}} << QStringList{"ANALYSIS_TEXT=" + RoutineAnalysisText};
    QTest::newRow("routine F clears the routine text") << int(FoodSample) << true << QVariantMap{{"ROUTINE_ANALYSIS", "F"}}
                                                       << QStringList{"ANALYSIS_TEXT=<null>"};
    const QString built = QString("Lead, cadmium; ").repeated(20); // longer than the editor lets anyone type
    QTest::newRow("routine F keeps a built text whole")
        << int(FoodSample) << true << QVariantMap{{"ROUTINE_ANALYSIS", "F"}, {"ANALYSIS_TEXT", built}} << QStringList();
    QTest::newRow("routine empty clears") << int(FoodTemplate) << true << QVariantMap{{"ROUTINE_ANALYSIS", null}}
                                          << QStringList{"ANALYSIS_TEXT=<null>"};
    QTest::newRow("routine other: text untouched")
        << int(FoodSample) << true << QVariantMap{{"ROUTINE_ANALYSIS", "X"}, {"ANALYSIS_TEXT", "Lead"}} << QStringList();
}

void TestSampleVerify::fieldRules()
{
    QFETCH(int, editor);
    QFETCH(bool, editing);
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, after);

    const QVariantMap before = merged(completeFoodSample(), changes);
    QVariantMap values = before;
    VariantMapRow row(values);
    QString previousAnalysisType = row.text("ANALYSIS_TYPE");
    VerifyAll(row, editing, optionsOf(editor), context(&m_lookups), previousAnalysisType);
    QCOMPARE(changesBetween(before, values), after);
}

void TestSampleVerify::swabThenValidates()
{
    // A swab with other packaging and condition, once VerifyAll has run, passes every rule; a
    // change of analysis type empties "sample taken from" once, then the type is remembered.
    QVariantMap values = merged(completeFoodSample(), {{"PRODUCT__CODE", "S"}, {"PACKAGING__CODE", "P"},
                                                       {"ADDITIONAL_INFO", "SHELF"}, {"ANALYSIS_TYPE", "M"}});
    VariantMapRow row(values);
    QString previous = "C";
    const SampleRuleContext c = context(&m_lookups);
    VerifyAll(row, true, VerifyAllOptions::foodSample(), c, previous);
    QCOMPARE(previous, QString("M"));
    QVERIFY(row.isNull("ADDITIONAL_INFO"));
    values.insert("ADDITIONAL_INFO", "SHELF");
    VerifyAll(row, true, VerifyAllOptions::foodSample(), c, previous);
    QCOMPARE(row.text("ADDITIONAL_INFO"), QString("SHELF"));

    RecordingPrompter prompter;
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, c, prompter);
    QCOMPARE(lines(outcome.failures()), QStringList());
    QCOMPARE(row.text("BATCH_NUMBER"), QString("L123"));
}

void TestSampleVerify::viewState()
{
    QVariantMap values = merged(completeFoodSample(), {{"ANALYSIS_TYPE", "M"}, {"COUNTRY_REGION", "Non EU"},
                                                       {"DURABILITY__CODE", "O"}, {"PACKAGING__CODE", "D"},
                                                       {"FLAG_FOLLOW_UP", "T"}, {"ROUTINE_ANALYSIS", "X"}});
    VariantMapRow row(values);
    m_lookups.setHelp("01.01.02.01", "Type includes products defined as such in The Colours in Food Regulations.");
    SampleRuleContext c = context(&m_lookups);
    c.UseLAEMSPremisesCodes = true;

    SampleViewState v = UpdateView(row, VerifyAllOptions::foodSample(), c);
    QCOMPARE(v.premisesTypeSource, QString("srcLAEMSPremisesType"));
    QCOMPARE(v.premisesTypeLabel, QString("LAEMS Premises type"));
    QCOMPARE(v.countrySource, QString("srcNonEUCountry"));
    QCOMPARE(v.sampleTypeSource, QString());
    QCOMPARE(v.analysisTypeCaption, QString("Micro"));
    QCOMPARE(v.additionalInfoLabel, QString("Sample taken from:"));
    QVERIFY(v.additionalInfoList && !v.additionalInfoMemo);
    QVERIFY(v.surveillanceGroup && !v.enforcementGroup);
    QVERIFY(v.indexNumber && !v.details && !v.surveyBodyAndReference);
    QVERIFY(v.durabilityDay && v.durabilityMonth && v.durabilityYear);
    QVERIFY(v.packagingMaterial && v.labelling && v.quantityAndUnits && !v.otherMaterial && !v.otherCondition);
    QVERIFY(!v.explanation);
    QVERIFY(!v.analysisText.has_value());
    QCOMPARE(v.categoryHelp, QString("Type includes products defined as such in \nThe Colours in Food Regulations."));

    values.insert("ANALYSIS_TYPE", "");
    values.insert("DURABILITY__CODE", "E");
    values.insert("PACKAGING__CODE", "N");
    values.insert("REASON__CODE", "E");
    values.insert("ROUTINE_ANALYSIS", "F");
    c.UseLAEMSPremisesCodes = false;
    v = UpdateView(row, VerifyAllOptions::foodSample(), c);
    QCOMPARE(v.premisesTypeSource, QString("srcPremisesType"));
    QCOMPARE(v.premisesTypeLabel, QString("Varnex Premises type"));
    QCOMPARE(v.analysisTypeCaption, QString());
    QVERIFY(!v.additionalInfoList && !v.additionalInfoMemo);
    QVERIFY(!v.durabilityDay && v.durabilityMonth && v.durabilityYear);
    QVERIFY(!v.packagingMaterial && v.labelling && !v.quantityAndUnits);
    QVERIFY(v.enforcementGroup && !v.surveillanceGroup);
    QCOMPARE(v.analysisText, std::optional<bool>(true));

    // The feed editors: one sample-type list that follows the reason; the template offers every country.
    v = UpdateView(row, VerifyAllOptions::animalFeedSample(), c);
    QCOMPARE(v.sampleTypeSource, QString("srcFeedSampleTypeEnforcement"));
    QCOMPARE(v.premisesTypeSource, QString("srcFeedPremisesType"));
    QCOMPARE(v.countrySource, QString("srcNonEUCountry"));
    values.insert("REASON__CODE", QVariant());
    v = UpdateView(row, VerifyAllOptions::animalFeedTemplate(), c);
    QCOMPARE(v.sampleTypeSource, QString("srcFeedSampleTypeSurveillance"));
    QCOMPARE(v.countrySource, QString("srcCountry"));
}

void TestSampleVerify::categorySelection()
{
    QVariantMap values = completeFoodSample();
    values.insert("CATEGORY__CODE", "01");
    values.insert("SUB_CATEGORY__CODE", "01.01");
    values.insert("SUB_CATEGORY_2__CODE", "01.01.02");
    VariantMapRow row(values);
    QCOMPARE(GetDeepestCategoryCode(row, FoodCategoryLevels), QString("01.01.02.01"));
    QCOMPARE(GetDeepestCategoryCode(row, AnimalFeedCategoryLevels), QString("01.01"));

    // A shallower choice leaves no deeper level of the earlier one behind.
    CategorySelection s;
    s.Category = "02";
    s.CategoryDescription = "Dairy";
    s.SubCategory = "02.03";
    s.SubCategoryDescription = "Cheese";
    s.MaffCode = "M12";
    ApplyCategorySelection(row, s, FoodCategoryLevels);
    QCOMPARE(row.text("CATEGORY_DESCRIPTION"), QString("Dairy"));
    QCOMPARE(row.text("SUB_CATEGORY__CODE"), QString("02.03"));
    QCOMPARE(row.text("MAFF__CODE"), QString("M12"));
    QVERIFY(row.isEmpty("SUB_CATEGORY_2__CODE"));
    QVERIFY(row.isEmpty("SUB_CATEGORY_3__CODE"));
    QVERIFY(row.isEmpty("SUB_CATEGORY_3_DESCRIPTION"));
    QCOMPARE(GetDeepestCategoryCode(row, FoodCategoryLevels), QString("02.03"));

    s = CategorySelection();
    s.Category = "50";
    ApplyCategorySelection(row, s, AnimalFeedCategoryLevels);
    QVERIFY(row.isEmpty("SUB_CATEGORY__CODE") && row.isEmpty("MAFF__CODE"));
}

void TestSampleVerify::premisesDetail()
{
    SampleRuleContext c = context(&m_lookups);
    c.UseLAEMSPremisesCodes = true;
    QVariantMap values = completeFoodSample();
    VariantMapRow row(values);

    const QVariantMap premises{{"CODE", "P9"}, {"PREMISES_NAME", "Deli"}, {"BUSINESS_ADDR_1", "1 High St"},
                               {"BUSINESS_POSTCODE", "NS1 1AA"}, {"PREMISES_TYPE__CODE", "L1"},
                               {"RISK_CATEGORY__CODE", "Z"}, {"RISK_CATEGORY_FOOD_STAND__CODE", "B"}};
    applyPremisesDetail(row, "P9", premises, "FOOD", c);
    QCOMPARE(row.text("BUSINESS_ID"), QString("P9"));
    QCOMPARE(row.text("PREMISES_NAME"), QString("Deli"));
    QCOMPARE(row.text("BUSINESS_ADDR_1"), QString("1 High St"));
    QVERIFY(row.isEmpty("BUSINESS_ADDR_2"));
    QCOMPARE(row.text("PREMISES_TYPE__CODE"), QString("L1")); // in the LAEMS list the editor offers
    QVERIFY(row.isEmpty("RISK_CATEGORY"));                     // not a food safety risk category
    QCOMPARE(row.text("RISK_CATEGORY_FOOD_STAND__CODE"), QString("B"));

    applyPremisesDetail(row, "P0", std::nullopt, "FOOD", c);
    QCOMPARE(row.text("BUSINESS_ID"), QString("P0"));
    for (const char *column : {"PREMISES_NAME", "BUSINESS_ADDR_1", "BUSINESS_POSTCODE", "PREMISES_TYPE__CODE",
                               "RISK_CATEGORY", "RISK_CATEGORY_FOOD_STAND__CODE"})
        QVERIFY2(row.isEmpty(column), column);
}

void TestSampleVerify::categoryHelpWraps()
{
    QCOMPARE(wrapCategoryHelp("short text"), QString("short text"));
    const QString help = QString("word ").repeated(20).trimmed();
    const QStringList wrapped = wrapCategoryHelp(help).split('\n');
    QCOMPARE(wrapped.join(QString()), help);
    for (const QString &line : wrapped.mid(0, wrapped.size() - 1))
        QVERIFY2(line.size() > 40 && line.size() <= 46 && line.endsWith(' '), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestSampleVerify)
#include "tst_sampleverify.moc"
