#include "samples/SampleVerify.h"

#include "base/ProductNames.h"
#include "samples/SampleLookups.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"

using namespace Qt::StringLiterals;

namespace {

bool isFood(const QString &personality)
{
    return personality != Varnex::PersonalityAnimalFeed;
}

bool packagingWithoutMaterial(const QString &packaging)
{
    return packaging == QLatin1String("N") || packaging == QLatin1String("O");
}

struct CountryList
{
    QString table;
    QString source;
};

// The country list a region offers: "EU", "Non EU", and the UK list for anything else.
CountryList countryListOf(const QString &region)
{
    if (region == QLatin1String("EU"))
        return {u"mdEUCountry"_s, u"srcEUCountry"_s};
    if (region == QLatin1String("Non EU"))
        return {u"mdNonEUCountry"_s, u"srcNonEUCountry"_s};
    return {u"mdUKCountry"_s, u"srcUKCountry"_s};
}

void applySwab(SampleRow &row, VerifyAllOptions::Swab swab)
{
    if (swab == VerifyAllOptions::Swab::None || !row.is(u"PRODUCT__CODE"_s, u"S"_s))
        return;
    row.setText(u"PACKAGING__CODE"_s, u"N"_s);
    row.setText(u"DURABILITY__CODE"_s, u"N"_s);
    row.setText(u"CATEGORY__CODE"_s, u"18"_s);
    row.setText(u"CATEGORY_DESCRIPTION"_s, u"Others"_s);
    row.setText(u"SUB_CATEGORY__CODE"_s, u"18.07"_s);
    row.setText(u"SUB_CATEGORY_DESCRIPTION"_s, u"Miscellaneous"_s);
    if (swab == VerifyAllOptions::Swab::Sample) {
        row.setText(u"SUB_CATEGORY_2__CODE"_s, u"18.07.50"_s);
        row.setText(u"SUB_CATEGORY_2_DESCRIPTION"_s, u"Swabs"_s);
        row.setText(u"SUB_CATEGORY_3__CODE"_s, u"18.07.50.01"_s);
        row.setText(u"SUB_CATEGORY_3_DESCRIPTION"_s, u"Hygiene Swab"_s);
    }
    row.setText(u"MAFF__CODE"_s, u"M65"_s);
    row.setText(u"CONDITION__CODE"_s, u"O"_s);
    row.setText(u"OTHER_CONDITION"_s, u"N/A (Swab)"_s);
}

void applyFieldRules(SampleRow &row, const VerifyAllOptions &o, const SampleRuleContext &context,
                     QString &previousAnalysisType)
{
    const bool enforcement = row.is(u"REASON__CODE"_s, u"E"_s);
    if (o.clearFlagsByReason) {
        if (enforcement) {
            row.setText(u"FLAG_SURVEY"_s, u"F"_s);
        } else {
            row.setText(u"FLAG_FOLLOW_UP"_s, u"F"_s);
            row.setText(u"FLAG_FOOD_POISONING"_s, u"F"_s);
        }
    }

    if (o.clearAdditionalInfoOnAnalysisTypeChange) {
        const QString analysisType = row.text(u"ANALYSIS_TYPE"_s);
        if (analysisType != previousAnalysisType)
            row.clear(u"ADDITIONAL_INFO"_s);
        previousAnalysisType = analysisType;
    }

    if (!row.flag(u"FLAG_SURVEY"_s)) {
        row.clear(u"SURVEY_BODY__CODE"_s);
        row.clear(u"SURVEY_NUMBER"_s);
    }
    if (!row.flag(u"FLAG_FOLLOW_UP"_s))
        row.clear(u"INDEX_NUMBER"_s);
    if (o.clearDetailsWithoutFoodPoisoning && !row.flag(u"FLAG_FOOD_POISONING"_s))
        row.clear(u"DETAILS"_s);

    applySwab(row, o.swab);

    if (o.clearCountryNotInRegion) {
        // "N/A" (filled by a failed validation) stays, so the next validation passes the country
        // rule; a list the store has not filled knows no country and clears none.
        const QString country = row.text(u"COUNTRY"_s);
        const CountryList list = countryListOf(row.text(u"COUNTRY_REGION"_s));
        if (!country.isEmpty() && country != NotAvailable && context.lookups
            && context.lookups->rowCount(list.table) > 0 && !context.lookups->hasName(country, list.table))
            row.clear(u"COUNTRY"_s);
    }

    if (o.packagingMaterial) {
        if (packagingWithoutMaterial(row.text(u"PACKAGING__CODE"_s))) {
            row.clear(u"MATERIAL__CODE"_s);
            row.clear(u"OTHER_MATERIAL"_s);
            if (o.batchNotAvailable && row.isEmpty(u"BATCH_NUMBER"_s))
                row.setText(u"BATCH_NUMBER"_s, NotAvailable);
        } else if (o.batchNotAvailable && row.is(u"BATCH_NUMBER"_s, NotAvailable)) {
            row.clear(u"BATCH_NUMBER"_s);
        }
    }
    if (o.otherMaterialOnlyForOther && !row.is(u"MATERIAL__CODE"_s, u"O"_s))
        row.clear(u"OTHER_MATERIAL"_s);
    if (!row.is(u"CONDITION__CODE"_s, u"O"_s))
        row.clear(u"OTHER_CONDITION"_s);

    if (o.compliantFromSampleType)
        row.setText(u"FLAG_COP_CONDITION"_s, row.is(u"SAMPLE_TYPE__CODE"_s, u"F"_s) ? u"T"_s : u"F"_s);
    if (o.explanationOnlyWhenNotCompliant && !row.is(u"FLAG_COP_CONDITION"_s, u"F"_s))
        row.clear(u"NOT_COP"_s);

    if (o.durabilityDate) {
        const DurabilityParts parts = durabilityParts(row.text(u"DURABILITY__CODE"_s));
        if (!parts.day)
            row.clear(u"DURABILITY_DAY"_s);
        if (!parts.month)
            row.clear(u"DURABILITY_MONTH"_s);
        if (!parts.year)
            row.clear(u"DURABILITY_YEAR"_s);
    }

    const QString routine = row.text(u"ROUTINE_ANALYSIS"_s);
    if (routine == QLatin1String("T"))
        row.setText(u"ANALYSIS_TEXT"_s, RoutineAnalysisText);
    else if (routine.isEmpty() || (routine == QLatin1String("F") && row.is(u"ANALYSIS_TEXT"_s, RoutineAnalysisText)))
        row.clear(u"ANALYSIS_TEXT"_s);
}

QString textOf(const QVariantMap &map, const QString &column)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value().isNull() ? QString() : it.value().toString();
    return QString();
}

} // namespace

VerifyAllOptions VerifyAllOptions::foodSample()
{
    VerifyAllOptions o;
    o.personality = Varnex::PersonalityFood;
    o.clearFlagsByReason = true;
    o.clearAdditionalInfoOnAnalysisTypeChange = true;
    o.clearDetailsWithoutFoodPoisoning = true;
    o.swab = Swab::Sample;
    o.clearCountryNotInRegion = true;
    o.packagingMaterial = true;
    o.batchNotAvailable = true;
    o.otherMaterialOnlyForOther = true;
    o.explanationOnlyWhenNotCompliant = true;
    o.durabilityDate = true;
    o.premisesTypeBySetting = true;
    return o;
}

VerifyAllOptions VerifyAllOptions::animalFeedSample()
{
    VerifyAllOptions o;
    o.personality = Varnex::PersonalityAnimalFeed;
    o.explanationOnlyWhenNotCompliant = true;
    o.durabilityDate = true;
    o.compliantFromSampleType = true;
    o.sampleTypeFollowsReason = true;
    return o;
}

VerifyAllOptions VerifyAllOptions::foodTemplate()
{
    VerifyAllOptions o;
    o.personality = Varnex::PersonalityFood;
    o.clearFlagsByReason = true;
    o.clearDetailsWithoutFoodPoisoning = true;
    o.swab = Swab::Template;
    o.packagingMaterial = true;
    o.otherMaterialOnlyForOther = true;
    o.premisesTypeBySetting = true;
    return o;
}

VerifyAllOptions VerifyAllOptions::animalFeedTemplate()
{
    VerifyAllOptions o;
    o.personality = Varnex::PersonalityAnimalFeed;
    o.countryByRegion = false;
    o.sampleTypeFollowsReason = true;
    return o;
}

SampleViewState UpdateView(const SampleRow &row, const VerifyAllOptions &o, const SampleRuleContext &context)
{
    const bool food = isFood(o.personality);
    SampleViewState v;

    if (o.premisesTypeBySetting && food) {
        v.premisesTypeSource = context.UseLAEMSPremisesCodes ? u"srcLAEMSPremisesType"_s : u"srcPremisesType"_s;
        v.premisesTypeLabel = context.UseLAEMSPremisesCodes ? u"LAEMS Premises type"_s : u"Varnex Premises type"_s;
    } else {
        v.premisesTypeSource = food ? u"srcPremisesType"_s : u"srcFeedPremisesType"_s;
    }
    v.countrySource = o.countryByRegion ? countryListOf(row.text(u"COUNTRY_REGION"_s)).source : u"srcCountry"_s;
    const QString reason = row.text(u"REASON__CODE"_s);
    if (o.sampleTypeFollowsReason) {
        const bool enforcement = reason == QLatin1String("E");
        v.sampleTypeSource = food ? (enforcement ? u"srcSampleTypeEnforcement"_s : u"srcSampleTypeSurveillance"_s)
                                  : (enforcement ? u"srcFeedSampleTypeEnforcement"_s : u"srcFeedSampleTypeSurveillance"_s);
    }

    const QString analysisType = row.text(u"ANALYSIS_TYPE"_s);
    v.analysisTypeCaption = analysisType == QLatin1String("M")   ? u"Micro"_s
                            : analysisType == QLatin1String("C") ? u"Chemical"_s
                                                                 : QString();

    v.enforcementGroup = reason == QLatin1String("E");
    v.surveillanceGroup = reason == QLatin1String("S");
    v.indexNumber = row.flag(u"FLAG_FOLLOW_UP"_s);
    v.details = row.flag(u"FLAG_FOOD_POISONING"_s);
    v.surveyBodyAndReference = row.flag(u"FLAG_SURVEY"_s);

    if (food) {
        const bool chemical = analysisType == QLatin1String("C");
        v.additionalInfoLabel = chemical ? u"Additional category information:"_s : u"Sample taken from:"_s;
        v.additionalInfoList = analysisType == QLatin1String("M");
        v.additionalInfoMemo = chemical;
        if (context.lookups)
            v.categoryHelp = wrapCategoryHelp(context.lookups->HelpForCategory(row.text(u"SUB_CATEGORY_3__CODE"_s)));
    } else {
        v.additionalInfoMemo = true;
    }

    const QString packaging = row.text(u"PACKAGING__CODE"_s);
    v.packagingMaterial = !packagingWithoutMaterial(packaging);
    v.otherMaterial = row.is(u"MATERIAL__CODE"_s, u"O"_s);
    v.labelling = packaging == QLatin1String("N") || packaging == QLatin1String("D");
    v.otherCondition = row.is(u"CONDITION__CODE"_s, u"O"_s);
    v.quantityAndUnits = packaging != QLatin1String("N");
    const DurabilityParts parts = durabilityParts(row.text(u"DURABILITY__CODE"_s));
    v.durabilityDay = parts.day;
    v.durabilityMonth = parts.month;
    v.durabilityYear = parts.year;

    v.explanation = row.is(u"FLAG_COP_CONDITION"_s, u"F"_s);
    const QString routine = row.text(u"ROUTINE_ANALYSIS"_s);
    if (routine == QLatin1String("F"))
        v.analysisText = true;
    else if (routine.isEmpty() || routine == QLatin1String("T"))
        v.analysisText = false;
    return v;
}

SampleViewState VerifyAll(SampleRow &row, bool editing, const VerifyAllOptions &options,
                          const SampleRuleContext &context, QString &previousAnalysisType)
{
    if (editing)
        applyFieldRules(row, options, context, previousAnalysisType);
    return UpdateView(row, options, context);
}

QString wrapCategoryHelp(const QString &help)
{
    QString wrapped;
    wrapped.reserve(help.size() + help.size() / 40);
    int sinceBreak = 0;
    for (const QChar c : help) {
        wrapped += c;
        if (c == QLatin1Char(' ') && sinceBreak > 40) {
            wrapped += QLatin1Char('\n');
            sinceBreak = 0;
        } else {
            ++sinceBreak;
        }
    }
    return wrapped;
}

void useMainAddress(SampleRow &row)
{
    QString address;
    for (const char *column : {"PREMISES_NAME", "BUSINESS_ADDR_1", "BUSINESS_ADDR_2", "BUSINESS_ADDR_3",
                               "BUSINESS_ADDR_4", "BUSINESS_POSTCODE"})
        address += row.text(QLatin1String(column)) + QLatin1String("\r\n");
    row.setText(QStringLiteral("LABEL_BUSINESS_ADDRESS"), address);
}

void clearSampleTypeForNewReason(SampleRow &row)
{
    row.clear(u"SAMPLE_TYPE__CODE"_s);
}

QString GetDeepestCategoryCode(const SampleRow &row, int levels)
{
    static const QStringList columns = {u"SUB_CATEGORY_3__CODE"_s, u"SUB_CATEGORY_2__CODE"_s,
                                        u"SUB_CATEGORY__CODE"_s, u"CATEGORY__CODE"_s};
    for (qsizetype i = columns.size() - levels; i < columns.size(); ++i)
        if (!row.isEmpty(columns.at(i)))
            return row.text(columns.at(i));
    return QString();
}

void ApplyCategorySelection(SampleRow &row, const CategorySelection &s, int levels)
{
    auto level = [&row](const QString &code, const QString &description, const QString &codeColumn,
                        const QString &descriptionColumn) {
        row.setText(codeColumn, code);
        row.setText(descriptionColumn, code.isEmpty() ? QString() : description);
    };
    level(s.Category, s.CategoryDescription, u"CATEGORY__CODE"_s, u"CATEGORY_DESCRIPTION"_s);
    level(s.SubCategory, s.SubCategoryDescription, u"SUB_CATEGORY__CODE"_s, u"SUB_CATEGORY_DESCRIPTION"_s);
    row.setText(u"MAFF__CODE"_s, s.SubCategory.isEmpty() ? QString() : s.MaffCode);
    if (levels < FoodCategoryLevels)
        return;
    level(s.SubCategory2, s.SubCategory2Description, u"SUB_CATEGORY_2__CODE"_s, u"SUB_CATEGORY_2_DESCRIPTION"_s);
    level(s.SubCategory3, s.SubCategory3Description, u"SUB_CATEGORY_3__CODE"_s, u"SUB_CATEGORY_3_DESCRIPTION"_s);
}

void applyPremisesDetail(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                         const QString &personality, const SampleRuleContext &context)
{
    const bool food = isFood(personality);
    row.setText(u"BUSINESS_ID"_s, businessId);

    QStringList copied = {u"PREMISES_NAME"_s, u"BUSINESS_ADDR_1"_s, u"BUSINESS_ADDR_2"_s, u"BUSINESS_ADDR_3"_s,
                          u"BUSINESS_ADDR_4"_s, u"BUSINESS_POSTCODE"_s};
    if (!food)
        copied << u"REGISTRATION_NUMBER"_s;
    // Sample column, premises column, the list that must hold the code.
    struct Coded
    {
        QString column;
        QString premisesColumn;
        QString list;
    };
    QList<Coded> coded = {
        {u"PREMISES_TYPE__CODE"_s, u"PREMISES_TYPE__CODE"_s, premisesTypeList(personality, context.UseLAEMSPremisesCodes)},
        {u"RISK_CATEGORY"_s, u"RISK_CATEGORY__CODE"_s, food ? u"mdFoodSafetyRiskCategory"_s : u"mdFeedRiskCategory"_s},
    };
    if (food)
        coded.append({u"RISK_CATEGORY_FOOD_STAND__CODE"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s, u"mdFoodStandardsRiskCategory"_s});

    for (const QString &column : std::as_const(copied))
        row.setText(column, premises ? textOf(*premises, column) : QString());
    for (const Coded &c : std::as_const(coded)) {
        const QString code = premises ? textOf(*premises, c.premisesColumn) : QString();
        row.setText(c.column, codeKeptByLists(code, {c.list}, context) ? code : QString());
    }
}
