#pragma once

#include "samples/SampleRules.h"

#include <QList>
#include <QString>
#include <QStringList>

class Prompter;

// What a failed rule marks. A target is the name of the column its control is bound to, except
// where a column has more than one control or the control is no column's; those have the names
// below. An editor maps each target to its control; a validator without a form ignores them.
namespace SampleTarget {
// The food editor's two sample-type lists, one per reason group.
inline const QString SampleTypeEnforcement = QStringLiteral("SampleTypeEnforcement");
inline const QString SampleTypeSurveillance = QStringLiteral("SampleTypeSurveillance");
// The "Sample taken from" list over ADDITIONAL_INFO (the memo over the same column is not marked).
inline const QString SampleTakenFrom = QStringLiteral("SampleTakenFrom");
// The "Category Tree" button.
inline const QString CategoryTree = QStringLiteral("CategoryTree");
} // namespace SampleTarget

// The rule profiles: which rules run, in which order, with which target and message.
//
// The food editor: "Please enter an Analysis type." and the office, then (editorStepsAt) the
// editor's own steps, then the rules of the officer to the analysis text.
const RuleProfile &foodEditorProfile();
// The animal-feed editor: its own steps first, then the office to the analysis text.
const RuleProfile &animalFeedEditorProfile();
// The stored-sample validator (imports): the food rules with their shorter messages and no sample
// date; the animal-feed rules with the analysis type and the sample type for every reason.
const RuleProfile &foodStoredProfile();
const RuleProfile &animalFeedStoredProfile();

// ---- The editors' own steps ----

inline const QString SampleDateQuestion =
    QStringLiteral("The sample date entered is more or less than one week from today, is this correct?");
inline const QString SampleDateMessage = QStringLiteral("Please enter a valid sample date");

// The sample-date question. A SAMPLE_DATE that is not a date marks SAMPLE_DATE with
// unreadableMessage and asks nothing. A date more than seven days before or after today (seven
// exactly passes) asks SampleDateQuestion through the prompter; "No" marks SAMPLE_DATE with
// SampleDateMessage. An empty date asks nothing (the sample-date rule reports it, where the
// profile has one).
void askSampleDateQuestion(const SampleRow &row, const SampleRuleContext &context, const QString &unreadableMessage,
                           Prompter &prompter, ValidationOutcome &outcome);

// FLAG_LAEMS_PREMISES_CODE names the list the food premises type comes from: "T" when the LAEMS
// list is in use (UseLAEMSPremisesCodes), "F" otherwise.
void setLAEMSPremisesFlag(SampleRow &row, const SampleRuleContext &context);

// A code column and the lists that may hold its code: one is enough.
struct CodeListCheck
{
    QString column;
    QStringList lists;
};
// The food editor's checks: the premises type against the list the editor offers (LAEMS with
// UseLAEMSPremisesCodes, else Varnex), the sample type against either sample-type list, then
// risk categories, survey body, MAFF, product, packaging, material, units, durability, condition
// and laboratory.
QList<CodeListCheck> foodCodeListChecks(const SampleRuleContext &context);
QList<CodeListCheck> animalFeedCodeListChecks();

// Clears each code that none of its lists holds (an empty code stays). A list the store has not
// filled knows nothing, so a check naming an empty list clears nothing: a store without lookup
// lists loses no code.
void clearCodesMissingFromLists(SampleRow &row, const SampleRuleContext &context, const QList<CodeListCheck> &checks);

// Whether a code may stay in its column as far as these lists know: empty, held by one of them, or
// one of them is empty. The premises pickers copy a code from a premises row on the same terms.
bool codeKeptByLists(const QString &code, const QStringList &lists, const SampleRuleContext &context);

// ---- ValidateRecord of an editor ----

enum class SampleEditorKind { Food, AnimalFeed };

// How the food editor's save (qryData_BeforePost) uses these, with row a DataSetRow over its sample
// query and stored the SAMPLE_STATUS__CODE the store holds when the save begins:
//
//   const bool sent = sampleIsSent(stored);
//   prepareSampleSave(row, sent, SampleSaveSettings::fromSettings(*Maindm), newCode, Prompter::current());
//   if (DoValidation) {
//       const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row,
//           SampleRuleContext::fromSettings(*Maindm, &lookups, sent), Prompter::current());
//       // ClearInvalidEntryList, AddControlToInvalidList for each of outcome.failures() (its
//       // target's control), RaiseValidatationErrors
//       if (!outcome.isValid())
//           throw VarnexError(NotAllValidMessage);
//   } else {
//       row.setText("SAMPLE_STATUS__CODE", statusAfterSave(stored, SampleSave::WithoutValidation));
//   }
//   applyDescriptions(row, Varnex::PersonalityFood, descriptions);

// An editor's whole validation, in its order: the profile's rules up to editorStepsAt, the
// sample-date question, the LAEMS flag (food), the clearing of codes, the remaining rules, the
// "N/A" fills and the status ("VALIDATED" unless context.sent). The row keeps the cleared codes,
// the fills and the status whether or not a rule failed; the caller refuses the save when the
// outcome is not valid, marks outcome.failures() and shows the first.
ValidationOutcome validateEditorSample(SampleEditorKind editor, SampleRow &row, const SampleRuleContext &context,
                                       Prompter &prompter);

inline const QString NotAllValidMessage =
    QStringLiteral("Not all values entered are valid, invalid entries are highlighted in red.");
