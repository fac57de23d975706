#pragma once

#include "FakeLookups.h"

#include "samples/SampleRules.h"
#include "samples/SampleVerify.h"

#include <QDate>
#include <QStringList>
#include <QTime>
#include <QVariantMap>

// A food sample that passes every rule of the food editor on 15 June 2014 with year offsets 1
// and 10, and the lookup lists that hold its codes.
namespace SampleFixtures {

inline QDate today()
{
    return QDate(2014, 6, 15);
}

inline QVariantMap completeFoodSample()
{
    return {
        {"ANALYSIS_TYPE", "C"},
        {"LOCAL_AUTH_OFFICE__CODE", "OF1"},
        {"SAMPLE_OFFICER__CODE", "JS"},
        {"SAMPLE_DATE", QDate(2014, 6, 14)},
        {"SAMPLE_TIME", QTime(10, 30)},
        {"BUSINESS_ID", "B1"},
        {"PREMISES_NAME", "Corner Shop"},
        {"PREMISES_TYPE__CODE", "R1"},
        {"RISK_CATEGORY", "A"},
        {"RISK_CATEGORY_FOOD_STAND__CODE", "B"},
        {"REASON__CODE", "S"},
        {"SAMPLE_TYPE__CODE", "SV1"},
        {"FLAG_SURVEY", "F"},
        {"FLAG_FOLLOW_UP", "F"},
        {"FLAG_FOOD_POISONING", "F"},
        {"FOOD_DESCRIPTION", "CHEDDAR"},
        {"PRODUCT__CODE", "P"},
        {"SUB_CATEGORY_3__CODE", "01.01.02.01"},
        {"COUNTRY_REGION", "UK"},
        {"COUNTRY", "UNITED KINGDOM"},
        {"PACKAGING__CODE", "P"},
        {"MATERIAL__CODE", "G"},
        {"BATCH_NUMBER", "L123"},
        {"DURABILITY__CODE", "D"},
        {"DURABILITY_DAY", 1},
        {"DURABILITY_MONTH", 7},
        {"DURABILITY_YEAR", 2014},
        {"CONDITION__CODE", "C"},
        {"TEMPERATURE", 4.0},
        {"FLAG_COP_CONDITION", "T"},
        {"FLAG_COP_LAB", "T"},
        {"LABORATORY__CODE", "LAB1"},
        {"ROUTINE_ANALYSIS", "T"},
        {"ANALYSIS_TEXT", RoutineAnalysisText},
        {"BRAND_NAME", "ACME"},
        {"MANUFACTURER", "ACME LTD"},
        {"DISTRIBUTER", "ACME LTD"},
        {"IMPORTER", "NONE"},
        {"SAMPLE_STATUS__CODE", "ENTERED"},
    };
}

inline void fillFoodLists(FakeLookups &lookups)
{
    lookups.set("mdPremisesType", {{"R1", "Retailer"}, {"V1", "Varnex only"}});
    lookups.set("mdLAEMSPremisesType", {{"R1", "Retailer (LAEMS)"}, {"L1", "LAEMS only"}});
    lookups.set("mdSampleTypeSurveillance", {{"SV1", "Routine survey"}});
    lookups.set("mdSampleTypeEnforcement", {{"EN1", "Complaint"}});
    lookups.set("mdFoodSafetyRiskCategory", {{"A", "High"}});
    lookups.set("mdFoodStandardsRiskCategory", {{"B", "Medium"}});
    lookups.set("mdSurveyBody", {{"SB", "Agency"}});
    lookups.set("mdMAFF", {{"M65", "Swabs"}});
    lookups.set("mdProductType", {{"P", "Prepacked"}, {"S", "Swab"}});
    lookups.set("mdPackagingType", {{"P", "Packed"}, {"N", "None"}, {"O", "Open"}, {"D", "Display"}});
    lookups.set("mdMaterialType", {{"G", "Glass"}, {"O", "Other"}});
    lookups.set("mdPackagingUnit", {{"G", "grams"}});
    lookups.set("mdDurability", {{"D", "Use by"}, {"E", "Best before end"}, {"N", "None"}, {"O", "Other"}, {"I", "Illegible"}});
    lookups.set("mdCondition", {{"C", "Chilled"}, {"F", "Frozen"}, {"O", "Other"}});
    lookups.set("mdLaboratory", {{"LAB1", "Public Analyst"}, {"LAB2", "Not in use"}});
    lookups.set("mdLaboratoryFiltered", {{"LAB1", "Public Analyst"}});
    lookups.setNames("mdUKCountry", {"UNITED KINGDOM", "WALES"});
    lookups.setNames("mdEUCountry", {"FRANCE", "SPAIN"});
    lookups.setNames("mdNonEUCountry", {"BRAZIL"});
}

inline SampleRuleContext context(const SampleLookups *lookups)
{
    SampleRuleContext c;
    c.lookups = lookups;
    c.today = today();
    c.MinDurablityYearLimit = 1;
    c.MaxDurablityYearLimit = 10;
    return c;
}

// "target | message" per failure, for readable comparisons.
inline QStringList lines(const QList<RuleFailure> &failures)
{
    QStringList out;
    for (const RuleFailure &f : failures)
        out << f.target + QStringLiteral(" | ") + f.message;
    return out;
}

inline QVariantMap merged(QVariantMap base, const QVariantMap &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        base.insert(it.key(), it.value());
    return base;
}

} // namespace SampleFixtures
