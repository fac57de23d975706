#pragma once

#include "samples/ui/SampleTemplateEditForm.h"

class TSampleTemplateEditAnimalFeedsFrmDefaults : public TSampleTemplateEditFrmDefaults
{
};

// The animal-feed sample template editor: one SAMPLE_TEMPLATE row of RECORD_TYPE "ANIMAL FEED" on
// the pages "Admin", "Reason", "Labeling", "Additional" and "Analysis", with the animal-feed
// editor's lists, its laboratories and its risk category column (RISK_CATEGORY), so that a sample
// made from the template starts as the feed editor expects. The offices offered are those of the
// template's own authority; the premises pick works only while the row is being edited.
class TSampleTemplateEditAnimalFeedsFrm : public SampleTemplateEditForm
{
    Q_OBJECT
public:
    // The key for a new template and the key for an existing one.
    static QString NewFormKey() { return QStringLiteral("SampleTemplateEdit"); }
    static QString FormKey() { return QStringLiteral("SampleTemplateAFEdit"); }

    // As TSampleTemplateEditFrm::ShowEditor: a new template when uuid is empty, under the key.
    static void ShowEditor(QObject *owner, const QString &uuid, const QString &key);

    explicit TSampleTemplateEditAnimalFeedsFrm(QObject *AOwner);

    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBTextEdit *edtRegistrationNumber;
    TzqcxDBLookupComboBox *cmbSampleType;
    TzqcxDBLookupComboBox *cmbAnimalSpecies;

protected:
    void applyViewState(const SampleViewState &state) override;
};
