#pragma once

#include "samples/SampleRecord.h"
#include "samples/SampleRules.h"
#include "samples/SampleVerify.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>

#include <optional>

class TMaindm;

// Sample templates: rows of SAMPLE_TEMPLATE from which officers make new samples in one step. A
// template keeps what repeats between samples of one personality ("FOOD" or "ANIMAL FEED"), in the
// columns that personality's samples use, so that a sample made from it is a sound start for its
// editor. A group is a template row of the same personality whose PARENT_ID is -1; a template
// belongs to the group whose UNIQUE_ID is its PARENT_ID.

// ---- The template editors' rules ----

// The dependent-field rules of the template editors are VerifyAll's (SampleVerify.h) under the
// template presets VerifyAllOptions::foodTemplate() and animalFeedTemplate(): the food template's
// swab fills two category levels; the feed template clears no reason flags and has no swab or
// packaging-material rule.
const VerifyAllOptions &templateVerifyOptions(const QString &personality);

// A template has no validation rules: the engine runs this empty profile, so a save with
// validation posts exactly as one without.
const RuleProfile &templateEditorProfile();

// ---- A new template ----

// What a new template takes from the central data module; tests give their own.
class SampleTemplateServices
{
public:
    virtual ~SampleTemplateServices() = default;
    // One step of GEN_SAMPLE: each new template uses up one sample number.
    virtual qint64 nextSampleNumber() = 0;
    // One step of GEN_SAMPLE_TEMPLATE_ID: the template's number (and a group's identity).
    virtual qint64 nextTemplateId() = 0;
    virtual QString GetNewUUIDString() = 0;
};

class MaindmTemplateServices : public SampleTemplateServices
{
public:
    explicit MaindmTemplateServices(TMaindm &maindm) : m_maindm(maindm) {}
    qint64 nextSampleNumber() override;
    qint64 nextTemplateId() override;
    QString GetNewUUIDString() override;

private:
    TMaindm &m_maindm;
};

// The laboratory a template takes for its analysis type: the micro laboratory for "M", the
// chemical one for anything else (no analysis type included).
QString templateLaboratory(const QString &analysisType, const QString &micro, const QString &chemical);

// The values of a new template row of settings.personality, with settings from
// NewSampleSettings::fromSettings (so a feed template takes the animal-feed laboratories):
// SAMPLE_NUMBER, RECORD_TYPE, UNIQUE_ID, UNIQUE_UUID, the analysis type (unless the setting is
// "N"), authority and office, the laboratory for the analysis type, no quantity and no reason;
// food also the sampling date and time (now) and the region "UK"; both the country
// "UNITED KINGDOM".
void initialiseNewTemplate(SampleRow &row, const NewSampleSettings &settings, SampleTemplateServices &services,
                           const QDateTime &now);

// The analysis type radio of a template editor changed while editing: the laboratory follows it.
void applyTemplateAnalysisType(SampleRow &row, const NewSampleSettings &settings);

// The premises pick of a template editor chose businessId; premises is its row (or nothing when no
// premises has the code). As the sample editors' pick (applyPremisesDetail), with two differences:
// a code that no premises has leaves the food standards risk category as it was, and the
// registration number is the officer's own (a template copies only the premises' name, address,
// type and risk categories).
void applyTemplatePremises(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                           const QString &personality, const SampleRuleContext &context);

// ---- Template groups ----

// A group's name is copied into TEMPLATE_GROUP, which holds this many characters.
constexpr int TemplateGroupNameLength = 50;

inline const QString GroupHasTemplatesMessage =
    QStringLiteral("Cannot delete a template group that contains templates.");

// The values of a new food group row from one value g of GEN_SAMPLE_TEMPLATE_ID: ID and UPDATE_ID
// -g (a local change waiting for upload), UNIQUE_ID g, a new UUID, RECORD_TYPE "FOOD", PARENT_ID
// -1, the authority and office of the settings.
void initialiseNewTemplateGroup(SampleRow &row, qint64 g, const QString &uuid, const QString &authorityCode,
                                const QString &officeCode);

// ---- The template lists' operations ----

namespace SampleTemplateStore {

// Makes a new sample ("ENTERED") under code from the template, in one transaction of db; returns
// the new sample's UNIQUE_UUID. A procedure error (such as a template that a synchronisation pass
// removed) throws VarnexError with the database's text, and nothing is made.
QString createSampleFromTemplate(const QSqlDatabase &db, const QString &templateUuid, const QString &code);
// Adds a copy of the template and returns its UNIQUE_UUID; throws as above, adding nothing.
QString copyTemplate(const QSqlDatabase &db, const QString &sourceUuid);
// Makes a template of the sample's kind from the sample and returns its UNIQUE_UUID; throws as
// above (a sample removed by a synchronisation meanwhile), making nothing.
QString createTemplateFromSample(const QSqlDatabase &db, const QString &sampleUuid);
// Marks the template (or group) retired: FLAG_DELETED "T"; the row keeps its data.
void retireTemplate(const QSqlDatabase &db, const QString &uuid);

} // namespace SampleTemplateStore
