#pragma once

#include "samples/ui/SampleEditorBase.h"

#include <memory>

class QGroupBox;

// Opening parameters of the food sample editor: a new sample, or the sample whose UNIQUE_UUID is
// given.
class TSampleEditFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    bool CreateSample = false;
    QString uuid;
};

// The food sample editor: one sample of SAMPLE, new or existing, on six pages. Dependent fields
// follow as the officer works (VerifyAll); "Save Without Validating (F8)" stores it "ENTERED",
// "Save  With Validation(F7)" "VALIDATED" once every rule passes, marking every failure at once; a
// sent sample asks for the reason of the change first. The record rules, the rule engine and
// VerifyAll's field rules are those of the samples library; this form shows them.
//
// The sample is read and written by its UNIQUE_UUID, never by ID (a synchronisation pass may
// renumber a new sample while it is open). No transaction is open while the officer works: a save
// reads the status the store holds, asks what it has to ask, and then writes the changed columns
// in one short transaction that first locks the row and reads its status again, so that a sample
// a pass exported meanwhile keeps its status.
//
// Opened modally under the key "SampleEdit" (ShowEditor); it is freed when the modal loop ends.
class TSampleEditFrm : public SampleEditorBase
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleEdit"); }
    static QString NoSuchSampleMessage(const QString &uuid);
    // The memo of the analyses asked for takes at most this many typed characters.
    static constexpr int AnalysisTextTypedLength = 200;

    // Opens the editor modally under its key, owned by owner; returns when it is closed. A failure
    // to open it (no such sample) propagates with its message, and no editor is left behind.
    static void ShowEditor(QObject *owner, std::unique_ptr<TSampleEditFrmDefaults> defaults);

    explicit TSampleEditFrm(QObject *AOwner);
    ~TSampleEditFrm() override;

    // Reads the opening parameters, opens the lists and the sample (or starts a new one). Throws
    // VarnexError when the uuid names no food sample; nothing is created then.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // Header.
    QGroupBox *pnlSampleType;
    QLabel *lblSampleType;

    QWidget *tabAdmin;
    QWidget *tabReason;
    QWidget *tabDescription;
    QWidget *tabAdditional;
    QWidget *tabCOP;
    QWidget *tabAttachments;

    // Admin.
    QGroupBox *grpGeneral;
    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtLASampleNo;
    QPushButton *btnNotAvailable;
    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBLookupComboBox *cmbRiskCategoryFS;
    QLabel *lblPremisesType;
    TzqcxDBLookupComboBox *cmbPremisesType;

    // Reason.
    QGroupBox *grpEnforcement;
    TzqcxDBLookupComboBox *cmbSampleTypeEnforcement;
    TzqcxDBCheckBox *chkFollowUp;
    TzqcxDBTextEdit *edtIndexNumber;
    TzqcxDBCheckBox *chkFoodPoisoning;
    TzqcxDBMemo *memDetails;
    QGroupBox *grpSurveillance;
    TzqcxDBLookupComboBox *cmbSampleTypeSurveillance;
    TzqcxDBCheckBox *chkSurvey;
    TzqcxDBLookupComboBox *cmbSurveyBody;
    TzqcxDBComboBox *cmbSurveyRef;

    // Description.
    TzqcxDBComboBox *cmbBrandName;
    TzqcxDBComboBox *cmbFoodDescription;
    TzqcxDBLookupComboBox *cmbProduct;
    TzqcxDBLookupComboBox *cmbMAFF;
    TzqcxDBComboBox *cmbManufacturer;
    TzqcxDBComboBox *cmbDistributor;
    TzqcxDBComboBox *cmbImporter;

    // Additional.
    TzqcxDBLookupComboBox *cmbPackaging;
    QPushButton *btnLabelling;
    TzqcxDBLookupComboBox *cmbMaterial;
    TzqcxDBTextEdit *edtOtherMaterial;
    TzqcxDBLookupComboBox *cmbPackUnits;
    TzqcxDBTextEdit *edtHealthMark;
    TzqcxDBLookupComboBox *cmbDurability;
    TzqcxDBLookupComboBox *cmbCondition;
    TzqcxDBTextEdit *edtOtherCondition;
    TzqcxDBSpinEdit *edtTemperature;

    // COP.
    TzqcxDBImageComboBox *cmbCOPCondition;
    TzqcxDBTextEdit *edtNotCOP;
    TzqcxDBImageComboBox *cmbCOPLab;

    QAction *actDeleteSample;
    QAction *actNewSample;
    QAction *actLabelling;
    QAction *actNotAvailable;

    void UpdateActions() override;

protected:
    void applyViewState(const SampleViewState &state) override;
    QString statusForSave(const QString &stored, bool validated) const override;
    QString searchPremises(const QString &currentCode) override;
    std::optional<QString> editAnalysisText(const QString &current) override;
    // The laboratory follows the analysis type.
    void rgAnalysisTypeChange() override;

private:
    void actNotAvailableExecute();
    void actLabellingExecute();

    // F8 is withheld for the editor's life from a sample that was sent when it was opened.
    bool m_f8Withheld = false;
};
