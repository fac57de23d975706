#include "samples/SampleTemplates.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "store/SqlUtil.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

} // namespace

const VerifyAllOptions &templateVerifyOptions(const QString &personality)
{
    static const VerifyAllOptions food = VerifyAllOptions::foodTemplate();
    static const VerifyAllOptions feed = VerifyAllOptions::animalFeedTemplate();
    return Varnex::isFoodPersonality(personality) ? food : feed;
}

const RuleProfile &templateEditorProfile()
{
    static const RuleProfile profile{u"sample template"_s, {}, 0};
    return profile;
}

qint64 MaindmTemplateServices::nextSampleNumber()
{
    return SqlUtil::nextGeneratorValue(m_maindm.ibConnection(), u"GEN_SAMPLE"_s);
}

qint64 MaindmTemplateServices::nextTemplateId()
{
    return SqlUtil::nextGeneratorValue(m_maindm.ibConnection(), u"GEN_SAMPLE_TEMPLATE_ID"_s);
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
    const bool food = Varnex::isFoodPersonality(settings.personality);
    // The generator's low 32 bits, as the column is an integer (as a new sample's).
    row.setValue(u"SAMPLE_NUMBER"_s, qint64(qint32(services.nextSampleNumber())));
    row.setText(u"RECORD_TYPE"_s, food ? Varnex::PersonalityFood : Varnex::PersonalityAnimalFeed);
    row.setValue(u"UNIQUE_ID"_s, services.nextTemplateId());
    row.setText(u"UNIQUE_UUID"_s, services.GetNewUUIDString());

    if (settings.AnalysisType != QLatin1String("N"))
        row.setText(u"ANALYSIS_TYPE"_s, settings.AnalysisType);
    row.setText(u"LOCAL_AUTHORITY__CODE"_s, settings.LocalAuthorityCode);
    row.setText(u"LOCAL_AUTH_OFFICE__CODE"_s, settings.LocalAuthorityOfficeCode);
    applyTemplateAnalysisType(row, settings);
    if (food) {
        row.setValue(u"SAMPLE_DATE"_s, now.date());
        row.setValue(u"SAMPLE_TIME"_s, now.time());
        row.setText(u"COUNTRY_REGION"_s, u"UK"_s);
    }
    row.setText(u"COUNTRY"_s, u"UNITED KINGDOM"_s);
    row.clear(u"QUANTITY"_s);
    row.clear(u"REASON__CODE"_s);
}

void applyTemplateAnalysisType(SampleRow &row, const NewSampleSettings &settings)
{
    row.setText(u"LABORATORY__CODE"_s, templateLaboratory(row.text(u"ANALYSIS_TYPE"_s), settings.LaboratoryCodeMicro,
                                                          settings.LaboratoryCodeChemical));
}

void applyTemplatePremises(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                           const QString &personality, const SampleRuleContext &context)
{
    const QString foodStandards = row.text(u"RISK_CATEGORY_FOOD_STAND__CODE"_s);
    const QVariant registration = row.value(u"REGISTRATION_NUMBER"_s);
    applyPremisesDetail(row, businessId, premises, personality, context);
    if (!premises)
        row.setText(u"RISK_CATEGORY_FOOD_STAND__CODE"_s, foodStandards);
    if (row.hasColumn(u"REGISTRATION_NUMBER"_s))
        row.setValue(u"REGISTRATION_NUMBER"_s, registration);
}

void initialiseNewTemplateGroup(SampleRow &row, qint64 g, const QString &uuid, const QString &authorityCode,
                                const QString &officeCode)
{
    row.setValue(u"ID"_s, -g);
    row.setValue(u"UPDATE_ID"_s, -g);
    row.setValue(u"UNIQUE_ID"_s, g);
    row.setText(u"UNIQUE_UUID"_s, uuid);
    row.setText(u"RECORD_TYPE"_s, Varnex::PersonalityFood);
    row.setValue(u"PARENT_ID"_s, qint64(-1));
    row.setText(u"LOCAL_AUTHORITY__CODE"_s, authorityCode);
    row.setText(u"LOCAL_AUTH_OFFICE__CODE"_s, officeCode);
}

namespace SampleTemplateStore {

namespace {

QString runProcedure(const QSqlDatabase &db, const QString &sql, const QVariantList &params)
{
    return SqlUtil::inTransaction(db, [&](QSqlDatabase &connection) {
        QSqlQuery q = SqlUtil::exec(connection, sql, params);
        const QString result = q.next() ? q.value(0).toString() : QString();
        if (result.isEmpty())
            throw VarnexError(u"The database made no row: %1"_s.arg(sql.section(QLatin1Char('('), 0, 0)));
        return result;
    });
}

} // namespace

QString createSampleFromTemplate(const QSqlDatabase &db, const QString &templateUuid, const QString &code)
{
    return runProcedure(db, u"EXECUTE PROCEDURE CREATE_SAMPLE_FROM_TEMPLATE_R1(?, ?)"_s, {templateUuid, code});
}

QString copyTemplate(const QSqlDatabase &db, const QString &sourceUuid)
{
    return runProcedure(db, u"EXECUTE PROCEDURE COPY_TEMPLATE_R1(?)"_s, {sourceUuid});
}

QString createTemplateFromSample(const QSqlDatabase &db, const QString &sampleUuid)
{
    return runProcedure(db, u"EXECUTE PROCEDURE CREATE_TEMPLATE_FROM_SAMPLE_R1(?)"_s, {sampleUuid});
}

void retireTemplate(const QSqlDatabase &db, const QString &uuid)
{
    SqlUtil::inTransaction(db, [&](QSqlDatabase &connection) {
        SqlUtil::exec(connection, u"UPDATE SAMPLE_TEMPLATE SET FLAG_DELETED = 'T' WHERE UNIQUE_UUID = ?"_s, {uuid});
    });
}

} // namespace SampleTemplateStore
