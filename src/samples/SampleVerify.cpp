#include "samples/SampleVerify.h"

#include "base/ProductNames.h"
#include "samples/SampleLookups.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

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
        return {S("mdEUCountry"), S("srcEUCountry")};
    if (region == QLatin1String("Non EU"))
        return {S("mdNonEUCountry"), S("srcNonEUCountry")};
    return {S("mdUKCountry"), S("srcUKCountry")};
}

void applySwab(SampleRow &row, VerifyAllOptions::Swab swab)
{
    if (swab == VerifyAllOptions::Swab::None || !row.is(S("PRODUCT__CODE"), S("S")))
        return;
    row.setText(S("PACKAGING__CODE"), S("N"));
    row.setText(S("DURABILITY__CODE"), S("N"));
    row.setText(S("CATEGORY__CODE"), S("18"));
    row.setText(S("CATEGORY_DESCRIPTION"), S("Others"));
    row.setText(S("SUB_CATEGORY__CODE"), S("18.07"));
    row.setText(S("SUB_CATEGORY_DESCRIPTION"), S("Miscellaneous"));
    if (swab == VerifyAllOptions::Swab::Sample) {
        row.setText(S("SUB_CATEGORY_2__CODE"), S("18.07.50"));
        row.setText(S("SUB_CATEGORY_2_DESCRIPTION"), S("Swabs"));
        row.setText(S("SUB_CATEGORY_3__CODE"), S("18.07.50.01"));
        row.setText(S("SUB_CATEGORY_3_DESCRIPTION"), S("Hygiene Swab"));
    }
    row.setText(S("MAFF__CODE"), S("M65"));
    row.setText(S("CONDITION__CODE"), S("O"));
    row.setText(S("OTHER_CONDITION"), S("N/A (Swab)"));
}

void applyFieldRules(SampleRow &row, const VerifyAllOptions &o, const SampleRuleContext &context,
                     QString &previousAnalysisType)
{
    const bool enforcement = row.is(S("REASON__CODE"), S("E"));
    if (o.clearFlagsByReason) {
        if (enforcement) {
            row.setText(S("FLAG_SURVEY"), S("F"));
        } else {
            row.setText(S("FLAG_FOLLOW_UP"), S("F"));
            row.setText(S("FLAG_FOOD_POISONING"), S("F"));
        }
    }

    if (o.clearAdditionalInfoOnAnalysisTypeChange) {
        const QString analysisType = row.text(S("ANALYSIS_TYPE"));
        if (analysisType != previousAnalysisType)
            row.clear(S("ADDITIONAL_INFO"));
        previousAnalysisType = analysisType;
    }

    if (!row.flag(S("FLAG_SURVEY"))) {
        row.clear(S("SURVEY_BODY__CODE"));
        row.clear(S("SURVEY_NUMBER"));
    }
    if (!row.flag(S("FLAG_FOLLOW_UP")))
        row.clear(S("INDEX_NUMBER"));
    if (o.clearDetailsWithoutFoodPoisoning && !row.flag(S("FLAG_FOOD_POISONING")))
        row.clear(S("DETAILS"));

    applySwab(row, o.swab);

    if (o.clearCountryNotInRegion) {
        // "N/A" (filled by a failed validation) stays, so the next validation passes the country
        // rule; a list the store has not filled knows no country and clears none.
        const QString country = row.text(S("COUNTRY"));
        const CountryList list = countryListOf(row.text(S("COUNTRY_REGION")));
        if (!country.isEmpty() && country != NotAvailable && context.lookups
            && context.lookups->rowCount(list.table) > 0 && !context.lookups->hasName(country, list.table))
            row.clear(S("COUNTRY"));
    }

    if (o.packagingMaterial) {
        if (packagingWithoutMaterial(row.text(S("PACKAGING__CODE")))) {
            row.clear(S("MATERIAL__CODE"));
            row.clear(S("OTHER_MATERIAL"));
            if (o.batchNotAvailable && row.isEmpty(S("BATCH_NUMBER")))
                row.setText(S("BATCH_NUMBER"), NotAvailable);
        } else if (o.batchNotAvailable && row.is(S("BATCH_NUMBER"), NotAvailable)) {
            row.clear(S("BATCH_NUMBER"));
        }
    }
    if (o.otherMaterialOnlyForOther && !row.is(S("MATERIAL__CODE"), S("O")))
        row.clear(S("OTHER_MATERIAL"));
    if (!row.is(S("CONDITION__CODE"), S("O")))
        row.clear(S("OTHER_CONDITION"));

    if (o.compliantFromSampleType)
        row.setText(S("FLAG_COP_CONDITION"), row.is(S("SAMPLE_TYPE__CODE"), S("F")) ? S("T") : S("F"));
    if (o.explanationOnlyWhenNotCompliant && !row.is(S("FLAG_COP_CONDITION"), S("F")))
        row.clear(S("NOT_COP"));

    if (o.durabilityDate) {
        const DurabilityParts parts = durabilityParts(row.text(S("DURABILITY__CODE")));
        if (!parts.day)
            row.clear(S("DURABILITY_DAY"));
        if (!parts.month)
            row.clear(S("DURABILITY_MONTH"));
        if (!parts.year)
            row.clear(S("DURABILITY_YEAR"));
    }

    const QString routine = row.text(S("ROUTINE_ANALYSIS"));
    if (routine == QLatin1String("T"))
        row.setText(S("ANALYSIS_TEXT"), RoutineAnalysisText);
    else if (routine.isEmpty() || (routine == QLatin1String("F") && row.is(S("ANALYSIS_TEXT"), RoutineAnalysisText)))
        row.clear(S("ANALYSIS_TEXT"));
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
        v.premisesTypeSource = context.UseLAEMSPremisesCodes ? S("srcLAEMSPremisesType") : S("srcPremisesType");
        v.premisesTypeLabel = context.UseLAEMSPremisesCodes ? S("LAEMS Premises type") : S("Varnex Premises type");
    } else {
        v.premisesTypeSource = food ? S("srcPremisesType") : S("srcFeedPremisesType");
    }
    v.countrySource = o.countryByRegion ? countryListOf(row.text(S("COUNTRY_REGION"))).source : S("srcCountry");
    const QString reason = row.text(S("REASON__CODE"));
    if (o.sampleTypeFollowsReason) {
        const bool enforcement = reason == QLatin1String("E");
        v.sampleTypeSource = food ? (enforcement ? S("srcSampleTypeEnforcement") : S("srcSampleTypeSurveillance"))
                                  : (enforcement ? S("srcFeedSampleTypeEnforcement") : S("srcFeedSampleTypeSurveillance"));
    }

    const QString analysisType = row.text(S("ANALYSIS_TYPE"));
    v.analysisTypeCaption = analysisType == QLatin1String("M")   ? S("Micro")
                            : analysisType == QLatin1String("C") ? S("Chemical")
                                                                 : QString();

    v.enforcementGroup = reason == QLatin1String("E");
    v.surveillanceGroup = reason == QLatin1String("S");
    v.indexNumber = row.flag(S("FLAG_FOLLOW_UP"));
    v.details = row.flag(S("FLAG_FOOD_POISONING"));
    v.surveyBodyAndReference = row.flag(S("FLAG_SURVEY"));

    if (food) {
        const bool chemical = analysisType == QLatin1String("C");
        v.additionalInfoLabel = chemical ? S("Additional category information:") : S("Sample taken from:");
        v.additionalInfoList = analysisType == QLatin1String("M");
        v.additionalInfoMemo = chemical;
        if (context.lookups)
            v.categoryHelp = wrapCategoryHelp(context.lookups->HelpForCategory(row.text(S("SUB_CATEGORY_3__CODE"))));
    } else {
        v.additionalInfoMemo = true;
    }

    const QString packaging = row.text(S("PACKAGING__CODE"));
    v.packagingMaterial = !packagingWithoutMaterial(packaging);
    v.otherMaterial = row.is(S("MATERIAL__CODE"), S("O"));
    v.labelling = packaging == QLatin1String("N") || packaging == QLatin1String("D");
    v.otherCondition = row.is(S("CONDITION__CODE"), S("O"));
    v.quantityAndUnits = packaging != QLatin1String("N");
    const DurabilityParts parts = durabilityParts(row.text(S("DURABILITY__CODE")));
    v.durabilityDay = parts.day;
    v.durabilityMonth = parts.month;
    v.durabilityYear = parts.year;

    v.explanation = row.is(S("FLAG_COP_CONDITION"), S("F"));
    const QString routine = row.text(S("ROUTINE_ANALYSIS"));
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
    row.clear(S("SAMPLE_TYPE__CODE"));
}

QString GetDeepestCategoryCode(const SampleRow &row, int levels)
{
    static const QStringList columns = {S("SUB_CATEGORY_3__CODE"), S("SUB_CATEGORY_2__CODE"),
                                        S("SUB_CATEGORY__CODE"), S("CATEGORY__CODE")};
    for (qsizetype i = columns.size() - levels; i < columns.size(); ++i)
        if (!row.isEmpty(columns.at(i)))
            return row.text(columns.at(i));
    return QString();
}

void ApplyCategorySelection(SampleRow &row, const CategorySelection &s, int levels)
{
    auto level = [&row](const QString &code, const QString &description, const char *codeColumn,
                        const char *descriptionColumn) {
        row.setText(S(codeColumn), code);
        row.setText(S(descriptionColumn), code.isEmpty() ? QString() : description);
    };
    level(s.Category, s.CategoryDescription, "CATEGORY__CODE", "CATEGORY_DESCRIPTION");
    level(s.SubCategory, s.SubCategoryDescription, "SUB_CATEGORY__CODE", "SUB_CATEGORY_DESCRIPTION");
    row.setText(S("MAFF__CODE"), s.SubCategory.isEmpty() ? QString() : s.MaffCode);
    if (levels < FoodCategoryLevels)
        return;
    level(s.SubCategory2, s.SubCategory2Description, "SUB_CATEGORY_2__CODE", "SUB_CATEGORY_2_DESCRIPTION");
    level(s.SubCategory3, s.SubCategory3Description, "SUB_CATEGORY_3__CODE", "SUB_CATEGORY_3_DESCRIPTION");
}

void applyPremisesDetail(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                         const QString &personality, const SampleRuleContext &context)
{
    const bool food = isFood(personality);
    row.setText(S("BUSINESS_ID"), businessId);

    QStringList copied = {S("PREMISES_NAME"), S("BUSINESS_ADDR_1"), S("BUSINESS_ADDR_2"), S("BUSINESS_ADDR_3"),
                          S("BUSINESS_ADDR_4"), S("BUSINESS_POSTCODE")};
    if (!food)
        copied << S("REGISTRATION_NUMBER");
    // Sample column, premises column, the list that must hold the code.
    struct Coded
    {
        QString column;
        QString premisesColumn;
        QString list;
    };
    QList<Coded> coded = {
        {S("PREMISES_TYPE__CODE"), S("PREMISES_TYPE__CODE"), premisesTypeList(personality, context.UseLAEMSPremisesCodes)},
        {S("RISK_CATEGORY"), S("RISK_CATEGORY__CODE"), food ? S("mdFoodSafetyRiskCategory") : S("mdFeedRiskCategory")},
    };
    if (food)
        coded.append({S("RISK_CATEGORY_FOOD_STAND__CODE"), S("RISK_CATEGORY_FOOD_STAND__CODE"), S("mdFoodStandardsRiskCategory")});

    for (const QString &column : std::as_const(copied))
        row.setText(column, premises ? textOf(*premises, column) : QString());
    for (const Coded &c : std::as_const(coded)) {
        const QString code = premises ? textOf(*premises, c.premisesColumn) : QString();
        row.setText(c.column, codeKeptByLists(code, {c.list}, context) ? code : QString());
    }
}
