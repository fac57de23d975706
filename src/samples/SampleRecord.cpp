#include "samples/SampleRecord.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "samples/SampleLookups.h"
#include "store/SqlUtil.h"

namespace {

} // namespace

bool sampleIsSent(const QString &status)
{
    return status == SampleStatus::Exported || status == SampleStatus::Complete
           || status == SampleStatus::Cancelled || status == SampleStatus::Deleted;
}

bool Sent(const SampleRow &row)
{
    return sampleIsSent(row.text(QStringLiteral("SAMPLE_STATUS__CODE")));
}

QString statusAfterSave(const QString &storedStatus, SampleSave save, bool enteredFromDeleted)
{
    if (save == SampleSave::WithoutValidation) {
        if (enteredFromDeleted && storedStatus == SampleStatus::Deleted)
            return SampleStatus::Entered;
        return sampleIsSent(storedStatus) ? storedStatus : SampleStatus::Entered;
    }
    return sampleIsSent(storedStatus) ? storedStatus : SampleStatus::Validated;
}

void setStatusAfterValidation(SampleRow &row, bool sent)
{
    if (!sent)
        row.setText(QStringLiteral("SAMPLE_STATUS__CODE"), SampleStatus::Validated);
}

bool needsNewSampleCode(const QString &code)
{
    return code.isEmpty() || code == DuplicateCode;
}

void ensureSampleCode(SampleRow &row, const std::function<QString()> &newCode)
{
    if (needsNewSampleCode(row.text(QStringLiteral("CODE"))))
        row.setText(QStringLiteral("CODE"), newCode());
}

QString programMark(const QString &version, const QString &computerName)
{
    return QStringLiteral("VRXNet Version = %1, Computer name = %2").arg(version, computerName);
}

void applyProgramMark(SampleRow &row, const QString &version, const QString &computerName)
{
    row.setText(QStringLiteral("QOVA_INFO"), programMark(version, computerName));
}

QString askChangeReason(Prompter &prompter)
{
    const std::optional<QString> answer =
        prompter.textInput(QStringLiteral("Sent sample"), QStringLiteral("Reason for change:"), QString());
    if (!answer || answer->trimmed().isEmpty())
        throw VarnexError(ChangeReasonRequiredMessage);
    if (answer->size() > ChangeReasonMaxLength)
        throw VarnexError(QStringLiteral("The reason for change may hold at most %1 characters; the one given has %2.")
                              .arg(ChangeReasonMaxLength)
                              .arg(answer->size()));
    return *answer;
}

void recordChangeReason(SampleRow &row, const QString &reason, qint64 userId)
{
    row.setText(QStringLiteral("USER_CHANGE_REASON"), reason);
    row.setValue(QStringLiteral("USER_CHANGE_USER__ID"), userId);
}

SampleSaveSettings SampleSaveSettings::fromSettings(const TMaindm &settings)
{
    return {settings.Version(), settings.LocalComputerName(), settings.UserID};
}

void prepareSampleSave(SampleRow &row, bool sent, const SampleSaveSettings &settings,
                       const std::function<QString()> &newCode, Prompter &prompter)
{
    if (sent)
        recordChangeReason(row, askChangeReason(prompter), settings.userId);
    ensureSampleCode(row, newCode);
    applyProgramMark(row, settings.version, settings.computerName);
}

const QStringList &notAvailableColumns()
{
    static const QStringList columns = {QStringLiteral("BRAND_NAME"), QStringLiteral("MANUFACTURER"),
                                        QStringLiteral("DISTRIBUTER"), QStringLiteral("IMPORTER"),
                                        QStringLiteral("COUNTRY")};
    return columns;
}

void fillNotAvailable(SampleRow &row)
{
    for (const QString &column : notAvailableColumns())
        if (row.hasColumn(column) && row.isEmpty(column))
            row.setText(column, NotAvailable);
}

const QList<DescriptionPair> &descriptionPairs(const QString &personality)
{
    using S = DescriptionSource;
    static const QList<DescriptionPair> food = {
        {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("LOCAL_AUTHORITY_DESCRIPTION"), S::Settings, {}},
        {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("LOCAL_AUTH_OFFICE_DESCRIPTION"), S::FormList, QStringLiteral("qryLocalAuthOffice_")},
        {QStringLiteral("SAMPLE_OFFICER__CODE"), QStringLiteral("SAMPLE_OFFICER_NAME"), S::FormList, QStringLiteral("qrySampleOfficer_")},
        {QStringLiteral("RISK_CATEGORY"), QStringLiteral("RISK_CATEGORY_DESCRIPTION"), S::LookupList, QStringLiteral("mdFoodSafetyRiskCategory")},
        {QStringLiteral("RISK_CATEGORY_FOOD_STAND__CODE"), QStringLiteral("RISK_CAT_FS_DESCRIPTION"), S::LookupList, QStringLiteral("mdFoodStandardsRiskCategory")},
        {QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("PREMISES_TYPE_DESCRIPTION"), S::LookupList, {}},
        {QStringLiteral("REASON__CODE"), QStringLiteral("REASON_DESCRIPTION"), S::Reason, {}},
        {QStringLiteral("SAMPLE_TYPE__CODE"), QStringLiteral("SAMPLE_TYPE_DESCRIPTION"), S::LookupList, {}},
        {QStringLiteral("SURVEY_BODY__CODE"), QStringLiteral("SURVEY_BODY_DESCRIPTION"), S::LookupList, QStringLiteral("mdSurveyBody")},
        {QStringLiteral("PRODUCT__CODE"), QStringLiteral("PRODUCT_DESCRIPTION"), S::LookupList, QStringLiteral("mdProductType")},
        {QStringLiteral("MAFF__CODE"), QStringLiteral("MAFF_DESCRIPTION"), S::LookupList, QStringLiteral("mdMAFF")},
        {QStringLiteral("PACKAGING__CODE"), QStringLiteral("PACKAGING_DESCRIPTION"), S::LookupList, QStringLiteral("mdPackagingType")},
        {QStringLiteral("MATERIAL__CODE"), QStringLiteral("MATERIAL_DESCRIPTION"), S::LookupList, QStringLiteral("mdMaterialType")},
        {QStringLiteral("PACK_SIZE"), QStringLiteral("PACK_SIZE_DESCRIPTION"), S::LookupList, QStringLiteral("mdPackagingUnit")},
        {QStringLiteral("DURABILITY__CODE"), QStringLiteral("DURABILITY_DESCRIPTION"), S::LookupList, QStringLiteral("mdDurability")},
        {QStringLiteral("CONDITION__CODE"), QStringLiteral("CONDITION_DESCRIPTION"), S::LookupList, QStringLiteral("mdCondition")},
        {QStringLiteral("LABORATORY__CODE"), QStringLiteral("LABORATORY_DESCRIPTION"), S::LookupList, QStringLiteral("mdLaboratoryFiltered")},
    };
    static const QList<DescriptionPair> feed = {
        {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("LOCAL_AUTHORITY_DESCRIPTION"), S::Settings, {}},
        {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("LOCAL_AUTH_OFFICE_DESCRIPTION"), S::FormList, QStringLiteral("qryLocalAuthOffice_")},
        {QStringLiteral("SAMPLE_OFFICER__CODE"), QStringLiteral("SAMPLE_OFFICER_NAME"), S::FormList, QStringLiteral("qrySampleOfficer_")},
        {QStringLiteral("RISK_CATEGORY"), QStringLiteral("RISK_CATEGORY_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedRiskCategory")},
        {QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("PREMISES_TYPE_DESCRIPTION"), S::LookupList, QStringLiteral("FeedPremisesType")},
        {QStringLiteral("REASON__CODE"), QStringLiteral("REASON_DESCRIPTION"), S::Reason, {}},
        {QStringLiteral("SAMPLE_TYPE__CODE"), QStringLiteral("SAMPLE_TYPE_DESCRIPTION"), S::LookupList, {}},
        {QStringLiteral("SURVEY_BODY__CODE"), QStringLiteral("SURVEY_BODY_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedSurveyBody")},
        {QStringLiteral("ANIMAL_SPECIES__CODE"), QStringLiteral("ANIMAL_SPECIES_DESCRIPTION"), S::LookupList, QStringLiteral("mdAnimalSpecies")},
        {QStringLiteral("PACKAGING__CODE"), QStringLiteral("PACKAGING_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedPackagingType")},
        {QStringLiteral("PACK_SIZE"), QStringLiteral("PACK_SIZE_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedPackagingUnit")},
        {QStringLiteral("DURABILITY__CODE"), QStringLiteral("DURABILITY_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedDurability")},
        {QStringLiteral("CONDITION__CODE"), QStringLiteral("CONDITION_DESCRIPTION"), S::LookupList, QStringLiteral("mdFeedCondition")},
        {QStringLiteral("LABORATORY__CODE"), QStringLiteral("LABORATORY_DESCRIPTION"), S::LookupList, QStringLiteral("mdLaboratoryFiltered")},
    };
    return Varnex::isFoodPersonality(personality) ? food : feed;
}

QString reasonCaption(const QString &reasonCode)
{
    if (reasonCode == QLatin1String("E"))
        return QStringLiteral("Enforcement/Investigation");
    if (reasonCode == QLatin1String("S"))
        return QStringLiteral("Surveillance/Monitoring");
    return QString();
}

QString descriptionSampleTypeList(const QString &personality, const QString &reasonCode)
{
    const bool food = Varnex::isFoodPersonality(personality);
    if (reasonCode == QLatin1String("E"))
        return food ? QStringLiteral("mdSampleTypeEnforcement") : QStringLiteral("mdFeedSampleTypeEnforcement");
    if (reasonCode == QLatin1String("S"))
        return food ? QStringLiteral("mdSampleTypeSurveillance") : QStringLiteral("mdFeedSampleTypeSurveillance");
    return QString();
}

QString premisesTypeList(const QString &personality, bool useLAEMSPremisesCodes)
{
    if (!Varnex::isFoodPersonality(personality))
        return QStringLiteral("FeedPremisesType");
    return useLAEMSPremisesCodes ? QStringLiteral("mdLAEMSPremisesType") : QStringLiteral("mdPremisesType");
}

void applyDescriptions(SampleRow &row, const QString &personality, const DescriptionContext &context)
{
    const QString reason = row.text(QStringLiteral("REASON__CODE"));
    for (const DescriptionPair &pair : descriptionPairs(personality)) {
        const QString code = row.text(pair.codeColumn);
        QString text;
        switch (pair.source) {
        case DescriptionSource::Settings:
            text = context.LocalAuthorityDescription;
            break;
        case DescriptionSource::Reason:
            text = reasonCaption(code);
            break;
        case DescriptionSource::FormList:
            if (!code.isEmpty() && context.formListText)
                text = context.formListText(pair.list, code);
            break;
        case DescriptionSource::LookupList: {
            QString list = pair.list;
            if (pair.codeColumn == QLatin1String("SAMPLE_TYPE__CODE"))
                list = descriptionSampleTypeList(personality, reason);
            else if (list.isEmpty())
                list = premisesTypeList(personality, context.UseLAEMSPremisesCodes);
            if (!code.isEmpty() && !list.isEmpty() && context.lookups)
                text = context.lookups->description(code, list);
            break;
        }
        }
        row.setText(pair.descriptionColumn, text);
    }
}

qint64 MaindmSampleServices::nextSampleNumber()
{
    return SqlUtil::nextGeneratorValue(m_maindm.ibConnection(), QStringLiteral("GEN_SAMPLE"));
}

QString MaindmSampleServices::GetNewSampleCode()
{
    return m_maindm.GetNewSampleCode();
}

QString MaindmSampleServices::GetNewUUIDString()
{
    return m_maindm.GetNewUUIDString();
}

NewSampleSettings NewSampleSettings::fromSettings(TMaindm &settings, const QString &personality)
{
    NewSampleSettings s;
    s.personality = personality;
    if (Varnex::isFoodPersonality(personality)) {
        s.AnalysisType = settings.AnalysisType();
        s.LaboratoryCodeMicro = settings.LaboratoryCodeMicro();
        s.LaboratoryCodeChemical = settings.LaboratoryCodeChemical();
        s.LocalAuthorityDescription = settings.LocalAuthorityDescription();
        s.LocalAuthorityOfficeDescription = settings.LocalAuthorityOfficeDescription();
    } else {
        s.AnalysisType = settings.AFAnalysisType();
        s.LaboratoryCodeMicro = settings.AFLaboratoryCodeMicro();
        s.LaboratoryCodeChemical = settings.AFLaboratoryCodeChemical();
    }
    s.LocalAuthorityCode = settings.LocalAuthorityCode();
    s.LocalAuthorityOfficeCode = settings.LocalAuthorityOfficeCode();
    return s;
}

QString laboratoryForAnalysisType(const QString &analysisType, const QString &micro, const QString &chemical)
{
    if (analysisType == QLatin1String("M"))
        return micro;
    if (analysisType == QLatin1String("C"))
        return chemical;
    return QString();
}

void initialiseNewSample(SampleRow &row, const NewSampleSettings &settings, SampleRecordServices &services)
{
    const bool food = Varnex::isFoodPersonality(settings.personality);
    // The generator's low 32 bits, as the column is an integer.
    row.setValue(QStringLiteral("SAMPLE_NUMBER"), qint64(qint32(services.nextSampleNumber())));
    row.setText(QStringLiteral("UNIQUE_UUID"), services.GetNewUUIDString());
    if (!food) {
        row.setText(QStringLiteral("ANALYSIS_TYPE"), QStringLiteral("C"));
        row.setText(QStringLiteral("LABORATORY__CODE"), settings.LaboratoryCodeChemical);
    }
    ensureSampleCode(row, [&services] { return services.GetNewSampleCode(); });
    row.setText(QStringLiteral("RECORD_TYPE"), food ? Varnex::PersonalityFood : Varnex::PersonalityAnimalFeed);

    if (settings.AnalysisType != QLatin1String("N"))
        row.setText(QStringLiteral("ANALYSIS_TYPE"), settings.AnalysisType);
    row.setText(QStringLiteral("LOCAL_AUTHORITY__CODE"), settings.LocalAuthorityCode);
    row.setText(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), settings.LocalAuthorityOfficeCode);
    if (food) {
        row.setText(QStringLiteral("LOCAL_AUTHORITY_DESCRIPTION"), settings.LocalAuthorityDescription);
        row.setText(QStringLiteral("LOCAL_AUTH_OFFICE_DESCRIPTION"), settings.LocalAuthorityOfficeDescription);
    }
    row.setText(QStringLiteral("LABORATORY__CODE"),
                laboratoryForAnalysisType(row.text(QStringLiteral("ANALYSIS_TYPE")), settings.LaboratoryCodeMicro,
                                          settings.LaboratoryCodeChemical));
    row.clear(QStringLiteral("QUANTITY"));
    row.clear(QStringLiteral("REASON__CODE"));
}
