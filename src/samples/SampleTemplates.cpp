#include "samples/SampleTemplates.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "store/SqlUtil.h"

#include <QSqlQuery>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

bool isFood(const QString &personality)
{
    return personality != Varnex::PersonalityAnimalFeed;
}

} // namespace

const VerifyAllOptions &templateVerifyOptions(const QString &personality)
{
    static const VerifyAllOptions food = VerifyAllOptions::foodTemplate();
    static const VerifyAllOptions feed = VerifyAllOptions::animalFeedTemplate();
    return isFood(personality) ? food : feed;
}

const RuleProfile &templateEditorProfile()
{
    static const RuleProfile profile{S("sample template"), {}, 0};
    return profile;
}

qint64 MaindmTemplateServices::nextSampleNumber()
{
    return nextGeneratorValue(m_maindm.ibConnection(), S("GEN_SAMPLE"));
}

qint64 MaindmTemplateServices::nextTemplateId()
{
    return nextGeneratorValue(m_maindm.ibConnection(), S("GEN_SAMPLE_TEMPLATE_ID"));
}

QString MaindmTemplateServices::GetNewUUIDString()
{
    return m_maindm.GetNewUUIDString();
}

QString templateLaboratory(const QString &analysisType, const QString &micro, const QString &chemical)
{
    return analysisType == QLatin1String("M") ? micro : chemical;
}

void initialiseNewTemplate(SampleRow &row, const NewSampleSettings &settings, SampleTemplateServices &services,
                           const QDateTime &now)
{
    const bool food = isFood(settings.personality);
    // The generator's low 32 bits, as the column is an integer (as a new sample's).
    row.setValue(S("SAMPLE_NUMBER"), qint64(qint32(services.nextSampleNumber())));
    row.setText(S("RECORD_TYPE"), food ? Varnex::PersonalityFood : Varnex::PersonalityAnimalFeed);
    row.setValue(S("UNIQUE_ID"), services.nextTemplateId());
    row.setText(S("UNIQUE_UUID"), services.GetNewUUIDString());

    if (settings.AnalysisType != QLatin1String("N"))
        row.setText(S("ANALYSIS_TYPE"), settings.AnalysisType);
    row.setText(S("LOCAL_AUTHORITY__CODE"), settings.LocalAuthorityCode);
    row.setText(S("LOCAL_AUTH_OFFICE__CODE"), settings.LocalAuthorityOfficeCode);
    applyTemplateAnalysisType(row, settings);
    if (food) {
        row.setValue(S("SAMPLE_DATE"), now.date());
        row.setValue(S("SAMPLE_TIME"), now.time());
        row.setText(S("COUNTRY_REGION"), S("UK"));
    }
    row.setText(S("COUNTRY"), S("UNITED KINGDOM"));
    row.clear(S("QUANTITY"));
    row.clear(S("REASON__CODE"));
}

void applyTemplateAnalysisType(SampleRow &row, const NewSampleSettings &settings)
{
    row.setText(S("LABORATORY__CODE"), templateLaboratory(row.text(S("ANALYSIS_TYPE")), settings.LaboratoryCodeMicro,
                                                          settings.LaboratoryCodeChemical));
}

void applyTemplatePremises(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                           const QString &personality, const SampleRuleContext &context)
{
    const QString foodStandards = row.text(S("RISK_CATEGORY_FOOD_STAND__CODE"));
    const QVariant registration = row.value(S("REGISTRATION_NUMBER"));
    applyPremisesDetail(row, businessId, premises, personality, context);
    if (!premises)
        row.setText(S("RISK_CATEGORY_FOOD_STAND__CODE"), foodStandards);
    if (row.hasColumn(S("REGISTRATION_NUMBER")))
        row.setValue(S("REGISTRATION_NUMBER"), registration);
}

void initialiseNewTemplateGroup(SampleRow &row, qint64 g, const QString &uuid, const QString &authorityCode,
                                const QString &officeCode)
{
    row.setValue(S("ID"), -g);
    row.setValue(S("UPDATE_ID"), -g);
    row.setValue(S("UNIQUE_ID"), g);
    row.setText(S("UNIQUE_UUID"), uuid);
    row.setText(S("RECORD_TYPE"), Varnex::PersonalityFood);
    row.setValue(S("PARENT_ID"), qint64(-1));
    row.setText(S("LOCAL_AUTHORITY__CODE"), authorityCode);
    row.setText(S("LOCAL_AUTH_OFFICE__CODE"), officeCode);
}

namespace SampleTemplateStore {

namespace {

QString runProcedure(const QSqlDatabase &db, const QString &sql, const QVariantList &params)
{
    return SqlUtil::inTransaction(db, [&](QSqlDatabase &connection) {
        QSqlQuery q = SqlUtil::exec(connection, sql, params);
        const QString result = q.next() ? q.value(0).toString() : QString();
        if (result.isEmpty())
            throw VarnexError(S("The database made no row: %1").arg(sql.section(QLatin1Char('('), 0, 0)));
        return result;
    });
}

} // namespace

QString createSampleFromTemplate(const QSqlDatabase &db, const QString &templateUuid, const QString &code)
{
    return runProcedure(db, S("EXECUTE PROCEDURE CREATE_SAMPLE_FROM_TEMPLATE_R1(?, ?)"), {templateUuid, code});
}

QString copyTemplate(const QSqlDatabase &db, const QString &sourceUuid)
{
    return runProcedure(db, S("EXECUTE PROCEDURE COPY_TEMPLATE_R1(?)"), {sourceUuid});
}

QString createTemplateFromSample(const QSqlDatabase &db, const QString &sampleUuid)
{
    return runProcedure(db, S("EXECUTE PROCEDURE CREATE_TEMPLATE_FROM_SAMPLE_R1(?)"), {sampleUuid});
}

void retireTemplate(const QSqlDatabase &db, const QString &uuid)
{
    SqlUtil::inTransaction(db, [&](QSqlDatabase &connection) {
        SqlUtil::exec(connection, S("UPDATE SAMPLE_TEMPLATE SET FLAG_DELETED = 'T' WHERE UNIQUE_UUID = ?"), {uuid});
    });
}

} // namespace SampleTemplateStore
