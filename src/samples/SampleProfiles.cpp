#include "samples/SampleProfiles.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "samples/SampleLookups.h"
#include "samples/SampleRecord.h"

using namespace Qt::StringLiterals;

namespace {

using namespace SampleRules;
namespace T = SampleTarget;

// Messages that several profiles share word for word.
const QString AnalysisTypeMessage = u"Please enter an Analysis type."_s;
const QString OfficeMessage = u"'Office' is required, please enter a value."_s;
const QString OfficerMessage = u"'Sample Officer' is required, please enter a value."_s;
const QString SampleTimeMessage = u"Please enter a valid sample time"_s;
const QString PremisesNameMessage = u"'Premises Name' is required, please enter a value."_s;
const QString PremisesTypeMessage = u"A valid 'Premises Type' entry is required, please enter a value."_s;
const QString ReasonMessage = u"'Reason for sample taken' is required, please enter a value."_s;
const QString SampleTypeMessage = u"'Sample Type' is required, please enter a value."_s;
const QString IndexMessage = u"'Index Sample Number' is required, as this is a follow up sample."_s;
const QString DetailsMessage = u"'Details' are required for 'Food borne illness investigations."_s;
const QString SurveyBodyMessage = u"'Survey Body' is required, please enter a value."_s;
const QString CategoryMessage = u"'Category' is required, please enter a value."_s;
const QString PackagingMessage = u"'Packaging provided' is required, please enter a value."_s;
const QString OtherMaterialMessage =
    u"If 'Packaging material' is set to 'Other', a description is required in 'Other Material'."_s;
const QString DurabilityMessage = u"'Durability' is required, please enter a value."_s;
const QString DayInvalidMessage = u"'Durability, Day' is invalid, please enter a valid value."_s;
const QString MonthMissingMessage = u"'Durability, Month' is required, please enter a value."_s;
const QString MonthInvalidMessage = u"'Durability, Month' is invalid, please enter a valid value."_s;
const QString YearMissingMessage = u"'Durability, Year' is required, please enter a value."_s;
const QString YearInvalidMessage = u"'Durability, Year' is invalid, year must have four digits eg \"2003\"."_s;
const QString FrozenMessage = u"If 'Condition' is 'Frozen', temperature must be less than or equal to zero."_s;
const QString CopConditionMessage =
    u"'Sample was taken in compliance of COP requirements.' is required, please enter a value."_s;
const QString ExplanationMessage = u"'Explanation.' is required, please enter a value."_s;
const QString CopLabMessage =
    u"'Sample was transported to LAB in compliance with COP requirements:.' is required, please enter a value."_s;
const QString LaboratoryMessage = u"'Laboratory' is required, please enter a value."_s;
const QString RoutineMessage = u"'Routine analysis required?' entry is required, please enter a value."_s;
const QString AnalysisTextMessage = u"'Analysis required' entry is required, please enter a value."_s;

// The animal-feed editor's and the stored validator's: the same rules, the same messages.
QList<ProfileRule> animalFeedRulesFromOffice(bool sampleTypeForEveryReason)
{
    QList<ProfileRule> rules = {
        {required(u"LOCAL_AUTH_OFFICE__CODE"_s), u"LOCAL_AUTH_OFFICE__CODE"_s, OfficeMessage},
        {required(u"SAMPLE_OFFICER__CODE"_s), u"SAMPLE_OFFICER__CODE"_s, OfficerMessage},
        {required(u"SAMPLE_DATE"_s), u"SAMPLE_DATE"_s, SampleDateMessage},
        {required(u"SAMPLE_TIME"_s), u"SAMPLE_TIME"_s, SampleTimeMessage},
        {required(u"PREMISES_NAME"_s), u"PREMISES_NAME"_s, PremisesNameMessage},
        {required(u"PREMISES_TYPE__CODE"_s), u"PREMISES_TYPE__CODE"_s, PremisesTypeMessage},
        {required(u"REASON__CODE"_s), u"REASON__CODE"_s, ReasonMessage},
        {enforcementSampleTypeMissing, u"SAMPLE_TYPE__CODE"_s, SampleTypeMessage},
        {followUpIndexMissing, u"INDEX_NUMBER"_s, IndexMessage},
    };
    if (sampleTypeForEveryReason)
        rules.append({surveillanceSampleTypeMissing, u"SAMPLE_TYPE__CODE"_s, SampleTypeMessage});
    rules += QList<ProfileRule>{
        {surveyBodyMissing, u"SURVEY_BODY__CODE"_s, SurveyBodyMessage},
        {surveyReferenceMissing, u"SURVEY_NUMBER"_s, u"'Survey Ref' is required, please enter a value."_s},
        {required(u"FOOD_DESCRIPTION"_s), u"FOOD_DESCRIPTION"_s, u"'Feed Description' is required, please enter a value."_s},
        {required(u"ANIMAL_SPECIES__CODE"_s), u"ANIMAL_SPECIES__CODE"_s, u"'Animal Species' is required, please enter a value."_s},
        {compoundFeedSpeciesMissing, u"ANIMAL_SPECIES__CODE"_s,
         u"The Animal Species category must be specified if the Feed Category is set to 'Compound Feeds'."_s},
        {compoundFeedSpeciesNotSpecified, u"ANIMAL_SPECIES__CODE"_s,
         u"'Animal species' cannot be 'Not specified' if the category is set to 'Compound Feeds'."_s},
        {required(u"CATEGORY__CODE"_s), T::CategoryTree, CategoryMessage},
        {required(u"SUB_CATEGORY__CODE"_s), T::CategoryTree, u"'Sub Category' is required, please enter a value."_s},
        {required(u"COUNTRY"_s), u"COUNTRY"_s, u"'Country' must be choosen from the list provided."_s},
        {required(u"PACKAGING__CODE"_s), u"PACKAGING__CODE"_s, PackagingMessage},
        {required(u"DURABILITY__CODE"_s), u"DURABILITY__CODE"_s, DurabilityMessage},
        {durabilityDayMissing, u"DURABILITY_DAY"_s, u"'Durability, Day' is required, please enter a value."_s},
        {durabilityDayInvalid, u"DURABILITY_DAY"_s, DayInvalidMessage},
        {durabilityMonthMissing, u"DURABILITY_MONTH"_s, MonthMissingMessage},
        {durabilityMonthInvalid, u"DURABILITY_MONTH"_s, MonthInvalidMessage},
        {durabilityYearMissing, u"DURABILITY_YEAR"_s, YearMissingMessage},
        {durabilityYearInvalid, u"DURABILITY_YEAR"_s, YearInvalidMessage},
        {required(u"FLAG_COP_CONDITION"_s), u"FLAG_COP_CONDITION"_s, CopConditionMessage},
        {explanationMissing, u"NOT_COP"_s, ExplanationMessage},
        {required(u"LABORATORY__CODE"_s), u"LABORATORY__CODE"_s, LaboratoryMessage},
        {required(u"ROUTINE_ANALYSIS"_s), u"ROUTINE_ANALYSIS"_s, RoutineMessage},
        {required(u"ANALYSIS_TEXT"_s), u"ANALYSIS_TEXT"_s, AnalysisTextMessage},
    };
    return rules;
}

} // namespace

const RuleProfile &foodEditorProfile()
{
    static const RuleProfile profile{
        u"food editor"_s,
        {
            {required(u"ANALYSIS_TYPE"_s), u"ANALYSIS_TYPE"_s, AnalysisTypeMessage},
            {required(u"LOCAL_AUTH_OFFICE__CODE"_s), u"LOCAL_AUTH_OFFICE__CODE"_s, OfficeMessage},
            // The editor's own steps run here.
            {required(u"SAMPLE_OFFICER__CODE"_s), u"SAMPLE_OFFICER__CODE"_s, OfficerMessage},
            {required(u"SAMPLE_DATE"_s), u"SAMPLE_DATE"_s, SampleDateMessage},
            {required(u"SAMPLE_TIME"_s), u"SAMPLE_TIME"_s, SampleTimeMessage},
            {required(u"BUSINESS_ID"_s), u"BUSINESS_ID"_s, u"'Business ID' is required, please enter a value."_s},
            {required(u"PREMISES_NAME"_s), u"PREMISES_NAME"_s, PremisesNameMessage},
            {required(u"PREMISES_TYPE__CODE"_s), u"PREMISES_TYPE__CODE"_s, PremisesTypeMessage},
            {premisesTypeX, u"PREMISES_TYPE__CODE"_s, PremisesTypeMessage},
            {required(u"RISK_CATEGORY"_s), u"RISK_CATEGORY"_s,
             u"A valid 'Risk category' entry is required, please enter a value."_s},
            {required(u"RISK_CATEGORY_FOOD_STAND__CODE"_s), u"RISK_CATEGORY_FOOD_STAND__CODE"_s,
             u"A valid 'Food Standards Risk category' entry is required, please enter a value."_s},
            {required(u"REASON__CODE"_s), u"REASON__CODE"_s, ReasonMessage},
            {enforcementSampleTypeMissing, T::SampleTypeEnforcement, SampleTypeMessage},
            {followUpIndexMissing, u"INDEX_NUMBER"_s, IndexMessage},
            {foodPoisoningDetailsMissing, u"DETAILS"_s, DetailsMessage},
            {surveillanceSampleTypeMissing, T::SampleTypeSurveillance, SampleTypeMessage},
            {surveyBodyMissing, u"SURVEY_BODY__CODE"_s, SurveyBodyMessage},
            {required(u"FOOD_DESCRIPTION"_s), u"FOOD_DESCRIPTION"_s, u"'Food Description' is required, please enter a value."_s},
            {required(u"PRODUCT__CODE"_s), u"PRODUCT__CODE"_s, u"'Nature of product' is required, please enter a value."_s},
            {required(u"SUB_CATEGORY_3__CODE"_s), T::CategoryTree, CategoryMessage},
            {sampleTakenFromMissing, T::SampleTakenFrom, u"'Sample taken from' entry is required, please enter a value."_s},
            {required(u"COUNTRY"_s), u"COUNTRY"_s, u"'Country' is required, please enter a value."_s},
            {required(u"PACKAGING__CODE"_s), u"PACKAGING__CODE"_s, PackagingMessage},
            {packagingMaterialMissing, u"MATERIAL__CODE"_s, u"'Packaging material' is required, please enter a value."_s},
            {otherMaterialMissing, u"OTHER_MATERIAL"_s, OtherMaterialMessage},
            {required(u"BATCH_NUMBER"_s), u"BATCH_NUMBER"_s, u"'Batch/Lot number' is required, please enter a value."_s},
            {required(u"DURABILITY__CODE"_s), u"DURABILITY__CODE"_s, DurabilityMessage},
            {durabilityDayMissing, u"DURABILITY_DAY"_s, DurabilityMessage},
            {durabilityDayInvalid, u"DURABILITY_DAY"_s, DayInvalidMessage},
            {durabilityMonthMissing, u"DURABILITY_MONTH"_s, MonthMissingMessage},
            {durabilityMonthInvalid, u"DURABILITY_MONTH"_s, MonthInvalidMessage},
            {durabilityYearMissing, u"DURABILITY_YEAR"_s, YearMissingMessage},
            {durabilityYearInvalid, u"DURABILITY_YEAR"_s, YearInvalidMessage},
            {required(u"CONDITION__CODE"_s), u"CONDITION__CODE"_s, u"'Condition' is required, please enter a value."_s},
            {frozenTooWarm, u"TEMPERATURE"_s, FrozenMessage},
            {required(u"FLAG_COP_CONDITION"_s), u"FLAG_COP_CONDITION"_s, CopConditionMessage},
            {explanationMissing, u"NOT_COP"_s, ExplanationMessage},
            {required(u"FLAG_COP_LAB"_s), u"FLAG_COP_LAB"_s, CopLabMessage},
            {required(u"LABORATORY__CODE"_s), u"LABORATORY__CODE"_s, LaboratoryMessage},
            {required(u"ROUTINE_ANALYSIS"_s), u"ROUTINE_ANALYSIS"_s, RoutineMessage},
            {required(u"ANALYSIS_TEXT"_s), u"ANALYSIS_TEXT"_s, AnalysisTextMessage},
        },
        2,
    };
    return profile;
}

const RuleProfile &animalFeedEditorProfile()
{
    static const RuleProfile profile{u"animal-feed editor"_s, animalFeedRulesFromOffice(false), 0};
    return profile;
}

const RuleProfile &foodStoredProfile()
{
    static const RuleProfile profile{
        u"stored food sample"_s,
        {
            {required(u"ANALYSIS_TYPE"_s), u"ANALYSIS_TYPE"_s, AnalysisTypeMessage},
            {required(u"SAMPLE_TIME"_s), u"SAMPLE_TIME"_s, SampleTimeMessage},
            {required(u"LOCAL_AUTH_OFFICE__CODE"_s), u"LOCAL_AUTH_OFFICE__CODE"_s, OfficeMessage},
            {required(u"SAMPLE_OFFICER__CODE"_s), u"SAMPLE_OFFICER__CODE"_s, u"'Sample Officer' is required."_s},
            {required(u"BUSINESS_ID"_s), u"BUSINESS_ID"_s, u"'Business ID' is required."_s},
            {required(u"PREMISES_NAME"_s), u"PREMISES_NAME"_s, u"'Premises Name' is required."_s},
            {required(u"PREMISES_TYPE__CODE"_s), u"PREMISES_TYPE__CODE"_s, u"A valid 'Premises Type' entry is required."_s},
            {premisesTypeX, u"PREMISES_TYPE__CODE"_s, u"A valid 'Premises Type' entry is required."_s},
            {required(u"RISK_CATEGORY"_s), u"RISK_CATEGORY"_s, u"A valid 'Risk category' entry is required."_s},
            {required(u"RISK_CATEGORY_FOOD_STAND__CODE"_s), u"RISK_CATEGORY_FOOD_STAND__CODE"_s,
             u"A valid 'Food Standards Risk category' entry is required."_s},
            {required(u"REASON__CODE"_s), u"REASON__CODE"_s, u"'Reason for sample taken' is required."_s},
            {enforcementSampleTypeMissing, T::SampleTypeEnforcement, u"'Sample Type' is required."_s},
            {followUpIndexMissing, u"INDEX_NUMBER"_s, IndexMessage},
            {foodPoisoningDetailsMissing, u"DETAILS"_s, DetailsMessage},
            {surveillanceSampleTypeMissing, T::SampleTypeSurveillance, u"'Sample Type' is required."_s},
            {surveyBodyMissing, u"SURVEY_BODY__CODE"_s, u"'Survey Body' is required."_s},
            {required(u"FOOD_DESCRIPTION"_s), u"FOOD_DESCRIPTION"_s, u"'Food Description' is required."_s},
            {required(u"PRODUCT__CODE"_s), u"PRODUCT__CODE"_s, u"'Nature of product' is required."_s},
            {required(u"SUB_CATEGORY_3__CODE"_s), T::CategoryTree, u"'Category' is required."_s},
            {sampleTakenFromMissing, T::SampleTakenFrom, u"'Sample taken from' entry is required."_s},
            {required(u"COUNTRY"_s), u"COUNTRY"_s, u"'Country' is required."_s},
            {required(u"PACKAGING__CODE"_s), u"PACKAGING__CODE"_s, u"'Packaging provided' is required."_s},
            {packagingMaterialMissing, u"MATERIAL__CODE"_s, u"'Packaging material' is required."_s},
            {otherMaterialMissing, u"OTHER_MATERIAL"_s, OtherMaterialMessage},
            {required(u"BATCH_NUMBER"_s), u"BATCH_NUMBER"_s, u"'Batch/Lot number' is required."_s},
            {required(u"DURABILITY__CODE"_s), u"DURABILITY__CODE"_s, u"'Durability' is required."_s},
            {durabilityDayMissing, u"DURABILITY_DAY"_s, u"'Durability' is required."_s},
            {durabilityDayInvalid, u"DURABILITY_DAY"_s, DayInvalidMessage},
            {durabilityMonthMissing, u"DURABILITY_MONTH"_s, u"'Durability, Month' is required."_s},
            {durabilityMonthInvalid, u"DURABILITY_MONTH"_s, MonthInvalidMessage},
            {durabilityYearMissing, u"DURABILITY_YEAR"_s, u"'Durability, Year' is required."_s},
            {durabilityYearInvalid, u"DURABILITY_YEAR"_s, YearInvalidMessage},
            {required(u"CONDITION__CODE"_s), u"CONDITION__CODE"_s, u"'Condition' is required."_s},
            {frozenTooWarm, u"TEMPERATURE"_s, FrozenMessage},
            {required(u"FLAG_COP_CONDITION"_s), u"FLAG_COP_CONDITION"_s,
             u"'Sample was taken in compliance of COP requirements.' is required."_s},
            {explanationMissing, u"NOT_COP"_s, u"'Explanation.' is required."_s},
            {required(u"FLAG_COP_LAB"_s), u"FLAG_COP_LAB"_s,
             u"'Sample was transported to LAB in compliance with COP requirements:.' is required."_s},
            {required(u"LABORATORY__CODE"_s), u"LABORATORY__CODE"_s, u"'Laboratory' is required."_s},
            {required(u"ROUTINE_ANALYSIS"_s), u"ROUTINE_ANALYSIS"_s, u"'Routine analysis required?' entry is required."_s},
            {required(u"ANALYSIS_TEXT"_s), u"ANALYSIS_TEXT"_s, u"'Analysis required' entry is required."_s},
        },
        0,
    };
    return profile;
}

const RuleProfile &animalFeedStoredProfile()
{
    static const RuleProfile profile = [] {
        RuleProfile p{u"stored animal-feed sample"_s, animalFeedRulesFromOffice(true), 0};
        p.rules.prepend({required(u"ANALYSIS_TYPE"_s), u"ANALYSIS_TYPE"_s, AnalysisTypeMessage});
        return p;
    }();
    return profile;
}

void askSampleDateQuestion(const SampleRow &row, const SampleRuleContext &context, const QString &unreadableMessage,
                           Prompter &prompter, ValidationOutcome &outcome)
{
    const QString column = u"SAMPLE_DATE"_s;
    if (row.isEmpty(column))
        return;
    const QVariant value = row.value(column);
    QDate date = value.metaType().id() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    if (value.metaType().id() == QMetaType::QString)
        date = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
    if (!date.isValid()) {
        outcome.add(column, unreadableMessage);
        return;
    }
    if (date >= context.today.addDays(-7) && date <= context.today.addDays(7))
        return;
    if (!prompter.question(Varnex::ProgramName, SampleDateQuestion, true))
        outcome.add(column, SampleDateMessage);
}

void setLAEMSPremisesFlag(SampleRow &row, const SampleRuleContext &context)
{
    row.setText(u"FLAG_LAEMS_PREMISES_CODE"_s, context.UseLAEMSPremisesCodes ? u"T"_s : u"F"_s);
}

QList<CodeListCheck> foodCodeListChecks(const SampleRuleContext &context)
{
    return {
        {u"PREMISES_TYPE__CODE"_s, {premisesTypeList(Varnex::PersonalityFood, context.UseLAEMSPremisesCodes)}},
        {u"SAMPLE_TYPE__CODE"_s, {u"mdSampleTypeSurveillance"_s, u"mdSampleTypeEnforcement"_s}},
        {u"RISK_CATEGORY"_s, {u"mdFoodSafetyRiskCategory"_s}},
        {u"RISK_CATEGORY_FOOD_STAND__CODE"_s, {u"mdFoodStandardsRiskCategory"_s}},
        {u"SURVEY_BODY__CODE"_s, {u"mdSurveyBody"_s}},
        {u"MAFF__CODE"_s, {u"mdMAFF"_s}},
        {u"PRODUCT__CODE"_s, {u"mdProductType"_s}},
        {u"PACKAGING__CODE"_s, {u"mdPackagingType"_s}},
        {u"MATERIAL__CODE"_s, {u"mdMaterialType"_s}},
        {u"PACK_SIZE"_s, {u"mdPackagingUnit"_s}},
        {u"DURABILITY__CODE"_s, {u"mdDurability"_s}},
        {u"CONDITION__CODE"_s, {u"mdCondition"_s}},
        {u"LABORATORY__CODE"_s, {u"mdLaboratory"_s}},
    };
}

QList<CodeListCheck> animalFeedCodeListChecks()
{
    return {
        {u"PREMISES_TYPE__CODE"_s, {u"FeedPremisesType"_s}},
        {u"ANIMAL_SPECIES__CODE"_s, {u"mdAnimalSpecies"_s}},
        {u"SAMPLE_TYPE__CODE"_s, {u"mdFeedSampleTypeSurveillance"_s, u"mdFeedSampleTypeEnforcement"_s}},
        {u"RISK_CATEGORY"_s, {u"mdFeedRiskCategory"_s}},
        {u"SURVEY_BODY__CODE"_s, {u"mdFeedSurveyBody"_s}},
        {u"LABEL_BUSINESS_TYPE__CODE"_s, {u"mdFeedLabelBusinessType"_s}},
        {u"PACKAGING__CODE"_s, {u"mdFeedPackagingType"_s}},
        {u"PACK_SIZE"_s, {u"mdFeedPackagingUnit"_s}},
        {u"DURABILITY__CODE"_s, {u"mdFeedDurability"_s}},
        {u"CONDITION__CODE"_s, {u"mdFeedCondition"_s}},
        {u"LABORATORY__CODE"_s, {u"mdLaboratory"_s}},
    };
}

bool codeKeptByLists(const QString &code, const QStringList &lists, const SampleRuleContext &context)
{
    if (code.isEmpty() || !context.lookups)
        return true;
    for (const QString &list : lists)
        if (context.lookups->rowCount(list) == 0 || context.lookups->CheckCodeExists(code, list))
            return true;
    return false;
}

void clearCodesMissingFromLists(SampleRow &row, const SampleRuleContext &context, const QList<CodeListCheck> &checks)
{
    for (const CodeListCheck &check : checks)
        if (!codeKeptByLists(row.text(check.column), check.lists, context))
            row.clear(check.column);
}

ValidationOutcome validateEditorSample(SampleEditorKind editor, SampleRow &row, const SampleRuleContext &context,
                                       Prompter &prompter)
{
    const bool food = editor == SampleEditorKind::Food;
    const RuleProfile &profile = food ? foodEditorProfile() : animalFeedEditorProfile();
    ValidationOutcome outcome;
    runRules(profile, row, context, outcome, 0, profile.editorStepsAt);
    askSampleDateQuestion(row, context,
                          food ? SampleDateMessage : u"Sample date is invalid, please enter a valid date."_s,
                          prompter, outcome);
    if (food)
        setLAEMSPremisesFlag(row, context);
    clearCodesMissingFromLists(row, context, food ? foodCodeListChecks(context) : animalFeedCodeListChecks());
    runRules(profile, row, context, outcome, profile.editorStepsAt);
    fillNotAvailable(row);
    setStatusAfterValidation(row, context.sent);
    return outcome;
}
