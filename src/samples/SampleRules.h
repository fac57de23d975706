#pragma once

#include "samples/SampleRow.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class SampleLookups;
class TMaindm;

// Everything a rule may know besides the row. Filled once per validation (or once per import):
// the settings are read from the database only here, never per rule.
struct SampleRuleContext
{
    // The in-memory lookup lists; nullptr knows no list (nothing is then cleared against one).
    const SampleLookups *lookups = nullptr;
    // Today, for the sample-date question and the durability year limits (Clock in the program).
    QDate today;
    // The authority's durability year offsets (DURABILITY_YEAR_LOWER_OFFSET, _UPPER_OFFSET).
    int MinDurablityYearLimit = 0;
    int MaxDurablityYearLimit = 0;
    // TMaindm.UseLAEMSPremisesCodes: the food premises type comes from the LAEMS list.
    bool UseLAEMSPremisesCodes = false;
    // The sample is sent (sampleIsSent of the status stored when the save began): validation then
    // leaves its status alone.
    bool sent = false;

    // The context of the program: today from Clock, the settings from the central data module.
    static SampleRuleContext fromSettings(TMaindm &settings, const SampleLookups *lookups, bool sent);
};

// ---- Shared functions of the rules, the editors and VerifyAll ----

// Which parts of the durability date a durability code asks for: "N" none, "E" month and year,
// any other code (empty, "O" and "I" included) day, month and year. The rules check exactly the
// parts the editors enable.
struct DurabilityParts
{
    bool day = false;
    bool month = false;
    bool year = false;
};
DurabilityParts durabilityParts(const QString &durabilityCode);

// The durability years the rules accept: from the current year less the lower offset to the
// current year plus the upper offset, both ends included.
bool durabilityYearWithinLimits(int year, const SampleRuleContext &context);

// A decimal text ("-18.0", "0.5", "12") rounded to a whole number, a half going to the even
// neighbour (0.5 -> 0, 1.5 -> 2, -2.5 -> -2). Worked on the digits, so no binary fraction moves a
// value across a half. Nothing for text that is not a plain decimal number.
std::optional<qint64> roundHalfToEven(const QString &decimalText);

// ---- Outcome ----

struct RuleFailure
{
    QString target;  // what to mark: see SampleTarget (SampleProfiles.h)
    QString message; // the text to show

    friend bool operator==(const RuleFailure &, const RuleFailure &) = default;
};

// The failed rules of one validation.
class ValidationOutcome
{
public:
    // Registers a failure. A target registered again keeps its place and takes the new message,
    // as an editor's control keeps its first entry and shows its newest hint.
    void add(const QString &target, const QString &message);

    bool isValid() const { return m_registrations.isEmpty(); }
    // One entry per target, in the order the targets were first registered, each with its last
    // message: what an editor marks, the first being the control it shows and focuses.
    const QList<RuleFailure> &failures() const { return m_failures; }
    // Every registration in order, repeats included: what a validator without a form lists.
    const QList<RuleFailure> &registrations() const { return m_registrations; }
    QStringList messages() const;
    // The last message of a target; empty when it did not fail.
    QString messageFor(const QString &target) const;
    bool hasFailed(const QString &target) const { return !messageFor(target).isEmpty(); }

private:
    QList<RuleFailure> m_failures;
    QList<RuleFailure> m_registrations;
};

// ---- Rules ----

// A rule: true when the row fails it. Each rule is written once, here, and the profiles (the food
// and animal-feed editors, the stored-sample validator) list which rules they run, in which order,
// with which target and message.
using SampleRule = std::function<bool(const SampleRow &row, const SampleRuleContext &context)>;

namespace SampleRules {

// The column reads empty.
SampleRule required(const QString &column);
// PREMISES_TYPE__CODE is "X", never a valid food premises type.
bool premisesTypeX(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE "E" and no SAMPLE_TYPE__CODE.
bool enforcementSampleTypeMissing(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE "E", FLAG_FOLLOW_UP set and no INDEX_NUMBER.
bool followUpIndexMissing(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE "E", FLAG_FOOD_POISONING set and no DETAILS.
bool foodPoisoningDetailsMissing(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE not "E" (empty too) and no SAMPLE_TYPE__CODE.
bool surveillanceSampleTypeMissing(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE not "E", FLAG_SURVEY set and no SURVEY_BODY__CODE.
bool surveyBodyMissing(const SampleRow &row, const SampleRuleContext &);
// REASON__CODE not "E", FLAG_SURVEY set and no SURVEY_NUMBER.
bool surveyReferenceMissing(const SampleRow &row, const SampleRuleContext &);
// ANALYSIS_TYPE "M" and no ADDITIONAL_INFO.
bool sampleTakenFromMissing(const SampleRow &row, const SampleRuleContext &);
// PACKAGING__CODE neither "N" nor "O" (empty too) and no MATERIAL__CODE.
bool packagingMaterialMissing(const SampleRow &row, const SampleRuleContext &);
// MATERIAL__CODE "O" and no OTHER_MATERIAL.
bool otherMaterialMissing(const SampleRow &row, const SampleRuleContext &);
// The durability parts (durabilityParts): a part that applies and is NULL is missing; a part
// that applies and lies outside its range (NULL reading 0) is invalid, so a NULL part fails both.
bool durabilityDayMissing(const SampleRow &row, const SampleRuleContext &);
bool durabilityDayInvalid(const SampleRow &row, const SampleRuleContext &);     // 1 to 31
bool durabilityMonthMissing(const SampleRow &row, const SampleRuleContext &);
bool durabilityMonthInvalid(const SampleRow &row, const SampleRuleContext &);   // 1 to 12
bool durabilityYearMissing(const SampleRow &row, const SampleRuleContext &);
bool durabilityYearInvalid(const SampleRow &row, const SampleRuleContext &);    // durabilityYearWithinLimits
// CONDITION__CODE "F" (frozen) and TEMPERATURE, rounded half to even, above 0 (NULL reads 0).
bool frozenTooWarm(const SampleRow &row, const SampleRuleContext &);
// FLAG_COP_CONDITION "F" and no NOT_COP.
bool explanationMissing(const SampleRow &row, const SampleRuleContext &);
// CATEGORY__CODE "50" (compound feeds) and no ANIMAL_SPECIES__CODE.
bool compoundFeedSpeciesMissing(const SampleRow &row, const SampleRuleContext &);
// CATEGORY__CODE "50" and ANIMAL_SPECIES__CODE "09.01" (not specified).
bool compoundFeedSpeciesNotSpecified(const SampleRow &row, const SampleRuleContext &);

} // namespace SampleRules

// ---- Profiles and the engine ----

struct ProfileRule
{
    SampleRule failsWhen;
    QString target;
    QString message;
};

// An ordered list of rules with their targets and messages: one per validation (SampleProfiles.h).
struct RuleProfile
{
    QString name;
    QList<ProfileRule> rules;
    // Where an editor runs its own steps (the sample-date question, the LAEMS flag, the clearing of
    // codes): before rules[editorStepsAt]. Validators without a form have no such steps.
    int editorStepsAt = 0;
};

// Runs the profile's rules [from, to) (to -1: to the end) in order, every one of them, adding each
// failure to the outcome.
void runRules(const RuleProfile &profile, const SampleRow &row, const SampleRuleContext &context,
              ValidationOutcome &outcome, int from = 0, int to = -1);
ValidationOutcome runRules(const RuleProfile &profile, const SampleRow &row, const SampleRuleContext &context);
