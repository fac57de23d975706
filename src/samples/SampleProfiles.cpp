#include "samples/SampleProfiles.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "samples/SampleLookups.h"
#include "samples/SampleRecord.h"

namespace {

using namespace SampleRules;
namespace T = SampleTarget;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Messages that several profiles share word for word.
const QString AnalysisTypeMessage = S("Please enter an Analysis type.");
const QString OfficeMessage = S("'Office' is required, please enter a value.");
const QString OfficerMessage = S("'Sample Officer' is required, please enter a value.");
const QString SampleTimeMessage = S("Please enter a valid sample time");
const QString PremisesNameMessage = S("'Premises Name' is required, please enter a value.");
const QString PremisesTypeMessage = S("A valid 'Premises Type' entry is required, please enter a value.");
const QString ReasonMessage = S("'Reason for sample taken' is required, please enter a value.");
const QString SampleTypeMessage = S("'Sample Type' is required, please enter a value.");
const QString IndexMessage = S("'Index Sample Number' is required, as this is a follow up sample.");
const QString DetailsMessage = S("'Details' are required for 'Food borne illness investigations.");
const QString SurveyBodyMessage = S("'Survey Body' is required, please enter a value.");
const QString CategoryMessage = S("'Category' is required, please enter a value.");
const QString PackagingMessage = S("'Packaging provided' is required, please enter a value.");
const QString OtherMaterialMessage =
    S("If 'Packaging material' is set to 'Other', a description is required in 'Other Material'.");
const QString DurabilityMessage = S("'Durability' is required, please enter a value.");
const QString DayInvalidMessage = S("'Durability, Day' is invalid, please enter a valid value.");
const QString MonthMissingMessage = S("'Durability, Month' is required, please enter a value.");
const QString MonthInvalidMessage = S("'Durability, Month' is invalid, please enter a valid value.");
const QString YearMissingMessage = S("'Durability, Year' is required, please enter a value.");
const QString YearInvalidMessage = S("'Durability, Year' is invalid, year must have four digits eg \"2003\".");
const QString FrozenMessage = S("If 'Condition' is 'Frozen', temperature must be less than or equal to zero.");
const QString CopConditionMessage =
    S("'Sample was taken in compliance of COP requirements.' is required, please enter a value.");
const QString ExplanationMessage = S("'Explanation.' is required, please enter a value.");
const QString CopLabMessage =
    S("'Sample was transported to LAB in compliance with COP requirements:.' is required, please enter a value.");
const QString LaboratoryMessage = S("'Laboratory' is required, please enter a value.");
const QString RoutineMessage = S("'Routine analysis required?' entry is required, please enter a value.");
const QString AnalysisTextMessage = S("'Analysis required' entry is required, please enter a value.");

// The animal-feed editor's and the stored validator's: the same rules, the same messages.
QList<ProfileRule> animalFeedRulesFromOffice(bool sampleTypeForEveryReason)
{
    QList<ProfileRule> rules = {
        {required(S("LOCAL_AUTH_OFFICE__CODE")), S("LOCAL_AUTH_OFFICE__CODE"), OfficeMessage},
        {required(S("SAMPLE_OFFICER__CODE")), S("SAMPLE_OFFICER__CODE"), OfficerMessage},
        {required(S("SAMPLE_DATE")), S("SAMPLE_DATE"), SampleDateMessage},
        {required(S("SAMPLE_TIME")), S("SAMPLE_TIME"), SampleTimeMessage},
        {required(S("PREMISES_NAME")), S("PREMISES_NAME"), PremisesNameMessage},
        {required(S("PREMISES_TYPE__CODE")), S("PREMISES_TYPE__CODE"), PremisesTypeMessage},
        {required(S("REASON__CODE")), S("REASON__CODE"), ReasonMessage},
        {enforcementSampleTypeMissing, S("SAMPLE_TYPE__CODE"), SampleTypeMessage},
        {followUpIndexMissing, S("INDEX_NUMBER"), IndexMessage},
    };
    if (sampleTypeForEveryReason)
        rules.append({surveillanceSampleTypeMissing, S("SAMPLE_TYPE__CODE"), SampleTypeMessage});
    rules += QList<ProfileRule>{
        {surveyBodyMissing, S("SURVEY_BODY__CODE"), SurveyBodyMessage},
        {surveyReferenceMissing, S("SURVEY_NUMBER"), S("'Survey Ref' is required, please enter a value.")},
        {required(S("FOOD_DESCRIPTION")), S("FOOD_DESCRIPTION"), S("'Feed Description' is required, please enter a value.")},
        {required(S("ANIMAL_SPECIES__CODE")), S("ANIMAL_SPECIES__CODE"), S("'Animal Species' is required, please enter a value.")},
        {compoundFeedSpeciesMissing, S("ANIMAL_SPECIES__CODE"),
         S("The Animal Species category must be specified if the Feed Category is set to 'Compound Feeds'.")},
        {compoundFeedSpeciesNotSpecified, S("ANIMAL_SPECIES__CODE"),
         S("'Animal species' cannot be 'Not specified' if the category is set to 'Compound Feeds'.")},
        {required(S("CATEGORY__CODE")), T::CategoryTree, CategoryMessage},
        {required(S("SUB_CATEGORY__CODE")), T::CategoryTree, S("'Sub Category' is required, please enter a value.")},
        {required(S("COUNTRY")), S("COUNTRY"), S("'Country' must be choosen from the list provided.")},
        {required(S("PACKAGING__CODE")), S("PACKAGING__CODE"), PackagingMessage},
        {required(S("DURABILITY__CODE")), S("DURABILITY__CODE"), DurabilityMessage},
        {durabilityDayMissing, S("DURABILITY_DAY"), S("'Durability, Day' is required, please enter a value.")},
        {durabilityDayInvalid, S("DURABILITY_DAY"), DayInvalidMessage},
        {durabilityMonthMissing, S("DURABILITY_MONTH"), MonthMissingMessage},
        {durabilityMonthInvalid, S("DURABILITY_MONTH"), MonthInvalidMessage},
        {durabilityYearMissing, S("DURABILITY_YEAR"), YearMissingMessage},
        {durabilityYearInvalid, S("DURABILITY_YEAR"), YearInvalidMessage},
        {required(S("FLAG_COP_CONDITION")), S("FLAG_COP_CONDITION"), CopConditionMessage},
        {explanationMissing, S("NOT_COP"), ExplanationMessage},
        {required(S("LABORATORY__CODE")), S("LABORATORY__CODE"), LaboratoryMessage},
        {required(S("ROUTINE_ANALYSIS")), S("ROUTINE_ANALYSIS"), RoutineMessage},
        {required(S("ANALYSIS_TEXT")), S("ANALYSIS_TEXT"), AnalysisTextMessage},
    };
    return rules;
}

} // namespace

const RuleProfile &foodEditorProfile()
{
    static const RuleProfile profile{
        S("food editor"),
        {
            {required(S("ANALYSIS_TYPE")), S("ANALYSIS_TYPE"), AnalysisTypeMessage},
            {required(S("LOCAL_AUTH_OFFICE__CODE")), S("LOCAL_AUTH_OFFICE__CODE"), OfficeMessage},
            // The editor's own steps run here.
            {required(S("SAMPLE_OFFICER__CODE")), S("SAMPLE_OFFICER__CODE"), OfficerMessage},
            {required(S("SAMPLE_DATE")), S("SAMPLE_DATE"), SampleDateMessage},
            {required(S("SAMPLE_TIME")), S("SAMPLE_TIME"), SampleTimeMessage},
            {required(S("BUSINESS_ID")), S("BUSINESS_ID"), S("'Business ID' is required, please enter a value.")},
            {required(S("PREMISES_NAME")), S("PREMISES_NAME"), PremisesNameMessage},
            {required(S("PREMISES_TYPE__CODE")), S("PREMISES_TYPE__CODE"), PremisesTypeMessage},
            {premisesTypeX, S("PREMISES_TYPE__CODE"), PremisesTypeMessage},
            {required(S("RISK_CATEGORY")), S("RISK_CATEGORY"),
             S("A valid 'Risk category' entry is required, please enter a value.")},
            {required(S("RISK_CATEGORY_FOOD_STAND__CODE")), S("RISK_CATEGORY_FOOD_STAND__CODE"),
             S("A valid 'Food Standards Risk category' entry is required, please enter a value.")},
            {required(S("REASON__CODE")), S("REASON__CODE"), ReasonMessage},
            {enforcementSampleTypeMissing, T::SampleTypeEnforcement, SampleTypeMessage},
            {followUpIndexMissing, S("INDEX_NUMBER"), IndexMessage},
            {foodPoisoningDetailsMissing, S("DETAILS"), DetailsMessage},
            {surveillanceSampleTypeMissing, T::SampleTypeSurveillance, SampleTypeMessage},
            {surveyBodyMissing, S("SURVEY_BODY__CODE"), SurveyBodyMessage},
            {required(S("FOOD_DESCRIPTION")), S("FOOD_DESCRIPTION"), S("'Food Description' is required, please enter a value.")},
            {required(S("PRODUCT__CODE")), S("PRODUCT__CODE"), S("'Nature of product' is required, please enter a value.")},
            {required(S("SUB_CATEGORY_3__CODE")), T::CategoryTree, CategoryMessage},
            {sampleTakenFromMissing, T::SampleTakenFrom, S("'Sample taken from' entry is required, please enter a value.")},
            {required(S("COUNTRY")), S("COUNTRY"), S("'Country' is required, please enter a value.")},
            {required(S("PACKAGING__CODE")), S("PACKAGING__CODE"), PackagingMessage},
            {packagingMaterialMissing, S("MATERIAL__CODE"), S("'Packaging material' is required, please enter a value.")},
            {otherMaterialMissing, S("OTHER_MATERIAL"), OtherMaterialMessage},
            {required(S("BATCH_NUMBER")), S("BATCH_NUMBER"), S("'Batch/Lot number' is required, please enter a value.")},
            {required(S("DURABILITY__CODE")), S("DURABILITY__CODE"), DurabilityMessage},
            {durabilityDayMissing, S("DURABILITY_DAY"), DurabilityMessage},
            {durabilityDayInvalid, S("DURABILITY_DAY"), DayInvalidMessage},
            {durabilityMonthMissing, S("DURABILITY_MONTH"), MonthMissingMessage},
            {durabilityMonthInvalid, S("DURABILITY_MONTH"), MonthInvalidMessage},
            {durabilityYearMissing, S("DURABILITY_YEAR"), YearMissingMessage},
            {durabilityYearInvalid, S("DURABILITY_YEAR"), YearInvalidMessage},
            {required(S("CONDITION__CODE")), S("CONDITION__CODE"), S("'Condition' is required, please enter a value.")},
            {frozenTooWarm, S("TEMPERATURE"), FrozenMessage},
            {required(S("FLAG_COP_CONDITION")), S("FLAG_COP_CONDITION"), CopConditionMessage},
            {explanationMissing, S("NOT_COP"), ExplanationMessage},
            {required(S("FLAG_COP_LAB")), S("FLAG_COP_LAB"), CopLabMessage},
            {required(S("LABORATORY__CODE")), S("LABORATORY__CODE"), LaboratoryMessage},
            {required(S("ROUTINE_ANALYSIS")), S("ROUTINE_ANALYSIS"), RoutineMessage},
            {required(S("ANALYSIS_TEXT")), S("ANALYSIS_TEXT"), AnalysisTextMessage},
        },
        2,
    };
    return profile;
}

const RuleProfile &animalFeedEditorProfile()
{
    static const RuleProfile profile{S("animal-feed editor"), animalFeedRulesFromOffice(false), 0};
    return profile;
}

const RuleProfile &foodStoredProfile()
{
    static const RuleProfile profile{
        S("stored food sample"),
        {
            {required(S("ANALYSIS_TYPE")), S("ANALYSIS_TYPE"), AnalysisTypeMessage},
            {required(S("SAMPLE_TIME")), S("SAMPLE_TIME"), SampleTimeMessage},
            {required(S("LOCAL_AUTH_OFFICE__CODE")), S("LOCAL_AUTH_OFFICE__CODE"), OfficeMessage},
            {required(S("SAMPLE_OFFICER__CODE")), S("SAMPLE_OFFICER__CODE"), S("'Sample Officer' is required.")},
            {required(S("BUSINESS_ID")), S("BUSINESS_ID"), S("'Business ID' is required.")},
            {required(S("PREMISES_NAME")), S("PREMISES_NAME"), S("'Premises Name' is required.")},
            {required(S("PREMISES_TYPE__CODE")), S("PREMISES_TYPE__CODE"), S("A valid 'Premises Type' entry is required.")},
            {premisesTypeX, S("PREMISES_TYPE__CODE"), S("A valid 'Premises Type' entry is required.")},
            {required(S("RISK_CATEGORY")), S("RISK_CATEGORY"), S("A valid 'Risk category' entry is required.")},
            {required(S("RISK_CATEGORY_FOOD_STAND__CODE")), S("RISK_CATEGORY_FOOD_STAND__CODE"),
             S("A valid 'Food Standards Risk category' entry is required.")},
            {required(S("REASON__CODE")), S("REASON__CODE"), S("'Reason for sample taken' is required.")},
            {enforcementSampleTypeMissing, T::SampleTypeEnforcement, S("'Sample Type' is required.")},
            {followUpIndexMissing, S("INDEX_NUMBER"), IndexMessage},
            {foodPoisoningDetailsMissing, S("DETAILS"), DetailsMessage},
            {surveillanceSampleTypeMissing, T::SampleTypeSurveillance, S("'Sample Type' is required.")},
            {surveyBodyMissing, S("SURVEY_BODY__CODE"), S("'Survey Body' is required.")},
            {required(S("FOOD_DESCRIPTION")), S("FOOD_DESCRIPTION"), S("'Food Description' is required.")},
            {required(S("PRODUCT__CODE")), S("PRODUCT__CODE"), S("'Nature of product' is required.")},
            {required(S("SUB_CATEGORY_3__CODE")), T::CategoryTree, S("'Category' is required.")},
            {sampleTakenFromMissing, T::SampleTakenFrom, S("'Sample taken from' entry is required.")},
            {required(S("COUNTRY")), S("COUNTRY"), S("'Country' is required.")},
            {required(S("PACKAGING__CODE")), S("PACKAGING__CODE"), S("'Packaging provided' is required.")},
            {packagingMaterialMissing, S("MATERIAL__CODE"), S("'Packaging material' is required.")},
            {otherMaterialMissing, S("OTHER_MATERIAL"), OtherMaterialMessage},
            {required(S("BATCH_NUMBER")), S("BATCH_NUMBER"), S("'Batch/Lot number' is required.")},
            {required(S("DURABILITY__CODE")), S("DURABILITY__CODE"), S("'Durability' is required.")},
            {durabilityDayMissing, S("DURABILITY_DAY"), S("'Durability' is required.")},
            {durabilityDayInvalid, S("DURABILITY_DAY"), DayInvalidMessage},
            {durabilityMonthMissing, S("DURABILITY_MONTH"), S("'Durability, Month' is required.")},
            {durabilityMonthInvalid, S("DURABILITY_MONTH"), MonthInvalidMessage},
            {durabilityYearMissing, S("DURABILITY_YEAR"), S("'Durability, Year' is required.")},
            {durabilityYearInvalid, S("DURABILITY_YEAR"), YearInvalidMessage},
            {required(S("CONDITION__CODE")), S("CONDITION__CODE"), S("'Condition' is required.")},
            {frozenTooWarm, S("TEMPERATURE"), FrozenMessage},
            {required(S("FLAG_COP_CONDITION")), S("FLAG_COP_CONDITION"),
             S("'Sample was taken in compliance of COP requirements.' is required.")},
            {explanationMissing, S("NOT_COP"), S("'Explanation.' is required.")},
            {required(S("FLAG_COP_LAB")), S("FLAG_COP_LAB"),
             S("'Sample was transported to LAB in compliance with COP requirements:.' is required.")},
            {required(S("LABORATORY__CODE")), S("LABORATORY__CODE"), S("'Laboratory' is required.")},
            {required(S("ROUTINE_ANALYSIS")), S("ROUTINE_ANALYSIS"), S("'Routine analysis required?' entry is required.")},
            {required(S("ANALYSIS_TEXT")), S("ANALYSIS_TEXT"), S("'Analysis required' entry is required.")},
        },
        0,
    };
    return profile;
}

const RuleProfile &animalFeedStoredProfile()
{
    static const RuleProfile profile = [] {
        RuleProfile p{S("stored animal-feed sample"), animalFeedRulesFromOffice(true), 0};
        p.rules.prepend({required(S("ANALYSIS_TYPE")), S("ANALYSIS_TYPE"), AnalysisTypeMessage});
        return p;
    }();
    return profile;
}

void askSampleDateQuestion(const SampleRow &row, const SampleRuleContext &context, const QString &unreadableMessage,
                           Prompter &prompter, ValidationOutcome &outcome)
{
    const QString column = S("SAMPLE_DATE");
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
    row.setText(S("FLAG_LAEMS_PREMISES_CODE"), context.UseLAEMSPremisesCodes ? S("T") : S("F"));
}

QList<CodeListCheck> foodCodeListChecks(const SampleRuleContext &context)
{
    return {
        {S("PREMISES_TYPE__CODE"), {premisesTypeList(Varnex::PersonalityFood, context.UseLAEMSPremisesCodes)}},
        {S("SAMPLE_TYPE__CODE"), {S("mdSampleTypeSurveillance"), S("mdSampleTypeEnforcement")}},
        {S("RISK_CATEGORY"), {S("mdFoodSafetyRiskCategory")}},
        {S("RISK_CATEGORY_FOOD_STAND__CODE"), {S("mdFoodStandardsRiskCategory")}},
        {S("SURVEY_BODY__CODE"), {S("mdSurveyBody")}},
        {S("MAFF__CODE"), {S("mdMAFF")}},
        {S("PRODUCT__CODE"), {S("mdProductType")}},
        {S("PACKAGING__CODE"), {S("mdPackagingType")}},
        {S("MATERIAL__CODE"), {S("mdMaterialType")}},
        {S("PACK_SIZE"), {S("mdPackagingUnit")}},
        {S("DURABILITY__CODE"), {S("mdDurability")}},
        {S("CONDITION__CODE"), {S("mdCondition")}},
        {S("LABORATORY__CODE"), {S("mdLaboratory")}},
    };
}

QList<CodeListCheck> animalFeedCodeListChecks()
{
    return {
        {S("PREMISES_TYPE__CODE"), {S("FeedPremisesType")}},
        {S("ANIMAL_SPECIES__CODE"), {S("mdAnimalSpecies")}},
        {S("SAMPLE_TYPE__CODE"), {S("mdFeedSampleTypeSurveillance"), S("mdFeedSampleTypeEnforcement")}},
        {S("RISK_CATEGORY"), {S("mdFeedRiskCategory")}},
        {S("SURVEY_BODY__CODE"), {S("mdFeedSurveyBody")}},
        {S("LABEL_BUSINESS_TYPE__CODE"), {S("mdFeedLabelBusinessType")}},
        {S("PACKAGING__CODE"), {S("mdFeedPackagingType")}},
        {S("PACK_SIZE"), {S("mdFeedPackagingUnit")}},
        {S("DURABILITY__CODE"), {S("mdFeedDurability")}},
        {S("CONDITION__CODE"), {S("mdFeedCondition")}},
        {S("LABORATORY__CODE"), {S("mdLaboratory")}},
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
                          food ? SampleDateMessage : S("Sample date is invalid, please enter a valid date."),
                          prompter, outcome);
    if (food)
        setLAEMSPremisesFlag(row, context);
    clearCodesMissingFromLists(row, context, food ? foodCodeListChecks(context) : animalFeedCodeListChecks());
    runRules(profile, row, context, outcome, profile.editorStepsAt);
    fillNotAvailable(row);
    setStatusAfterValidation(row, context.sent);
    return outcome;
}
