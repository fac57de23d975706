#pragma once

#include "samples/SampleRules.h"

#include <QString>

#include <optional>

// VerifyAll and UpdateView of the sample and template editors without their widgets: the field
// rules that keep dependent columns consistent while the officer types, and the state the form
// then shows (what is enabled, which lists the controls offer, the labels). The form applies the
// returned SampleViewState to its controls; it runs VerifyAll when the editor opens, when focus
// leaves an input, when a list, radio group or check box changes, when the page changes, when
// the row scrolls, enters edit state or is inserted, and after each of its dialogs.

// How the four editors differ, as data: each preset names what that editor's VerifyAll does.
// The rules every editor has: an unticked survey box empties SURVEY_BODY__CODE and SURVEY_NUMBER,
// an unticked follow-up box INDEX_NUMBER; OTHER_CONDITION only with CONDITION__CODE "O"; the
// routine-analysis text follows ROUTINE_ANALYSIS.
struct VerifyAllOptions
{
    enum class Swab {
        None,
        Template, // packaging, durability, category and sub-category, MAFF code, condition
        Sample,   // and the third and fourth category levels
    };

    QString personality; // "FOOD" or "ANIMAL FEED"

    // Field rules, only while the row is being edited or inserted.
    bool clearFlagsByReason = false;          // no enforcement: no follow-up or illness; enforcement: no survey
    bool clearAdditionalInfoOnAnalysisTypeChange = false;
    bool clearDetailsWithoutFoodPoisoning = false;
    Swab swab = Swab::None;                   // product "S" fills the swab values on every run
    bool clearCountryNotInRegion = false;     // a country the region's list lacks is emptied ("N/A" stays)
    bool packagingMaterial = false;           // packaging "N" or "O" empties material and other material
    bool batchNotAvailable = false;           // ... and writes "N/A" into an empty batch; other packaging clears "N/A"
    bool otherMaterialOnlyForOther = false;   // OTHER_MATERIAL only with MATERIAL__CODE "O"
    bool explanationOnlyWhenNotCompliant = false; // NOT_COP only with FLAG_COP_CONDITION "F"
    bool durabilityDate = false;              // the day, month and year follow the durability code
    bool compliantFromSampleType = false;     // FLAG_COP_CONDITION "T" for sample type "F", else "F"

    // Lists the controls offer.
    bool premisesTypeBySetting = false;       // LAEMS or Varnex premises types, with their label
    bool countryByRegion = true;              // the region's country list; otherwise every country
    bool sampleTypeFollowsReason = false;     // one sample-type control whose list follows the reason

    static VerifyAllOptions foodSample();
    static VerifyAllOptions animalFeedSample();
    static VerifyAllOptions foodTemplate();
    static VerifyAllOptions animalFeedTemplate();
};

// What the form shows for the row. Group flags say enabled for the sample editors and visible for
// the template editors, as their forms do.
struct SampleViewState
{
    // Lists (data source names of the lookup module, for the controls to bind to).
    QString premisesTypeSource; // "srcLAEMSPremisesType", "srcPremisesType" or "srcFeedPremisesType"
    QString premisesTypeLabel;  // "LAEMS Premises type" or "Varnex Premises type"; empty: the form's own
    QString countrySource;      // "srcUKCountry", "srcEUCountry", "srcNonEUCountry" or "srcCountry"
    QString sampleTypeSource;   // the single sample-type control's list; empty where there are two

    // "Sample type" panel: "Micro", "Chemical" or nothing.
    QString analysisTypeCaption;

    // Reason page.
    bool enforcementGroup = false;
    bool surveillanceGroup = false;
    bool indexNumber = false;
    bool details = false;
    bool surveyBodyAndReference = false;

    // Description page: the additional information is the "Sample taken from" list for micro, the
    // memo for chemical, neither for anything else.
    QString additionalInfoLabel;
    bool additionalInfoList = false;
    bool additionalInfoMemo = false;
    // The hint of the fourth category level: its help text, wrapped (wrapCategoryHelp).
    QString categoryHelp;

    // Additional page.
    bool packagingMaterial = false;
    bool otherMaterial = false;
    bool labelling = false;
    bool otherCondition = false;
    bool quantityAndUnits = false;
    bool durabilityDay = false;
    bool durabilityMonth = false;
    bool durabilityYear = false;

    // COP page.
    bool explanation = false;
    // The analysis memo and the analysis builder: nothing for a ROUTINE_ANALYSIS that is neither
    // "T", "F" nor empty (they stay as they are).
    std::optional<bool> analysisText;
};

inline const QString RoutineAnalysisText =
    QStringLiteral("Routine analysis required, or as previously agreed with the laboratory");

// The field rules (while editing) and then UpdateView. previousAnalysisType is the editor's
// FOldSampleType: the analysis type VerifyAll last saw, updated here.
SampleViewState VerifyAll(SampleRow &row, bool editing, const VerifyAllOptions &options,
                          const SampleRuleContext &context, QString &previousAnalysisType);
// The view state alone; changes no column.
SampleViewState UpdateView(const SampleRow &row, const VerifyAllOptions &options, const SampleRuleContext &context);

// The category help re-wrapped for a hint: once more than 40 characters have been copied since the
// last break, the next blank is followed by a line break.
QString wrapCategoryHelp(const QString &help);

// ---- Small editor operations on the row ----

// The reason radio group changed while editing: the sample type belongs to the other list.
void clearSampleTypeForNewReason(SampleRow &row);

// "Use main address" of the animal-feed editor: LABEL_BUSINESS_ADDRESS := the premises name, the
// four address lines and the postcode, each followed by CR LF, empty lines included, so the label
// address always has its six lines in their places.
void useMainAddress(SampleRow &row);

// What the category tree hands back (empty strings for levels the chosen entry does not have).
struct CategorySelection
{
    QString Category, CategoryDescription;
    QString SubCategory, SubCategoryDescription, MaffCode;
    QString SubCategory2, SubCategory2Description;
    QString SubCategory3, SubCategory3Description;
};

// Food samples and templates keep four category levels, animal feed two.
constexpr int FoodCategoryLevels = 4;
constexpr int AnimalFeedCategoryLevels = 2;

// The first non-empty of the levels from the deepest up: what the tree opens on.
QString GetDeepestCategoryCode(const SampleRow &row, int levels);
// Takes the chosen entry: each level with its description from the selection, MAFF__CODE with the
// sub-category; a level the selection leaves empty is emptied, so no deeper level of an earlier
// choice outlives a shallower new one.
void ApplyCategorySelection(SampleRow &row, const CategorySelection &selection, int levels);

// The premises picker of the sample editors chose BUSINESS_ID; premises is its premises row
// (PREMISES_DETAIL, or PREMISES_DETAIL_ANIMAL_FEED, columns by name), or nothing when no premises
// has that code. Copies the name, address lines and postcode (feed also REGISTRATION_NUMBER), and
// each code (premises type, risk categories) when the list its control offers holds it
// (codeKeptByLists), else empties it. No premises row empties them all.
void applyPremisesDetail(SampleRow &row, const QString &businessId, const std::optional<QVariantMap> &premises,
                         const QString &personality, const SampleRuleContext &context);
