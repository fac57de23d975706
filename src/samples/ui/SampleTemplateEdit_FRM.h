#pragma once

#include "samples/ui/SampleTemplateEditForm.h"

class QFrame;

// The food sample template editor: one SAMPLE_TEMPLATE row of RECORD_TYPE "FOOD" on the pages
// "Admin", "Reason", "Description", "Additional" and "COP". Its lists are the food sample editor's,
// so that a sample made from the template carries codes its editor and its validation accept.
// A save writes the program mark (QOVA_INFO).
//
// Opened modally with a TSampleTemplateEditFrmDefaults whose Persist is set, under the key
// "SampleTemplateEdit" (ShowEditor).
class TSampleTemplateEditFrm : public SampleTemplateEditForm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleTemplateEdit"); }

    // Opens the editor modally under the key, owned by owner, on a new template (uuid empty) or on
    // the template of uuid; it stays with the owner under the key. A failure to open it (no such
    // template) propagates with its message, and no editor is left behind.
    static void ShowEditor(QObject *owner, const QString &uuid, const QString &key = FormKey());

    explicit TSampleTemplateEditFrm(QObject *AOwner);

    // Food only.
    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBLookupComboBox *cmbRiskCategoryFS;
    QGroupBox *grpEnforcement;
    QGroupBox *grpSurveillance;
    TzqcxDBLookupComboBox *cmbSampleTypeEnforcement;
    TzqcxDBLookupComboBox *cmbSampleTypeSurveillance;
    TzqcxDBCheckBox *chkFoodPoisoning;
    TzqcxDBMemo *memDetails;
    TzqcxDBLookupComboBox *cmbMAFF;
    TzqcxDBLookupComboBox *cmbProduct;
    TzqcxDBComboBox *cmbManufacturer;
    TzqcxDBComboBox *cmbDistributor;
    TzqcxDBLookupComboBox *cmbMaterial;
    TzqcxDBTextEdit *edtOtherMaterial;
    TzqcxDBTextEdit *edtHealthMark;

protected:
    void applyViewState(const SampleViewState &state) override;
    void qryData_BeforePost(SampleRow &row) override;
};
