#pragma once

#include "samples/ui/SampleEditorBase.h"

#include <memory>

class QGroupBox;

// Opening parameters of the animal-feed sample editor: a new sample, or the sample whose
// UNIQUE_UUID is given.
class TSampleEditAnimalFeedsFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    bool CreateSample = false;
    QString Uuid;
};

// The animal-feed sample editor: one sample of SAMPLE with RECORD_TYPE "ANIMAL FEED", new or
// existing, on six pages, saved and validated as the food editor saves (the rules are the
// animal-feed profile of the rule engine). Animal-feed samples are chemical.
//
// A sample in "COMPLETE", "EXPORTED" or "CANCELLED" opens read-only; "Use main address" still
// amends it, and its save then asks for the reason of the change and keeps its status, so an
// amended sample is never delivered again. A "DELETED" sample is editable, and F8 brings it back
// as "ENTERED". Every save needs an office, with or without the rules.
//
// Opened modally under the key "SampleEditAnimalFeeds" (the browser's duplicate opens it as
// "SampleEdit", the template browser as "SampleEditAF"); it is freed when the modal loop ends.
class TSampleEditAnimalFeedsFrm : public SampleEditorBase
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleEditAnimalFeeds"); }
    static QString NoSuchSampleMessage(const QString &uuid);
    static QString OfficeRequiredMessage()
    {
        return QStringLiteral("'Office' is required regardless of validation, please enter a value.");
    }

    // Opens the editor modally under the key, owned by owner; returns when it is closed. A failure
    // to open it (no such sample) propagates with its message, and no editor is left behind.
    static void ShowEditor(QObject *owner, std::unique_ptr<TSampleEditAnimalFeedsFrmDefaults> defaults,
                           const QString &key = FormKey());

    explicit TSampleEditAnimalFeedsFrm(QObject *AOwner);
    ~TSampleEditAnimalFeedsFrm() override;

    // Reads the opening parameters, opens the lists and the sample (or starts a new one). Throws
    // VarnexError when the uuid names no animal-feed sample; nothing is created then.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;
    void UpdateActions() override;
    // The sample opened in one of the statuses that are only viewed.
    bool ReadOnlyStatus() const { return m_readOnly; }

    QWidget *tabAdmin;
    QWidget *tabReason;
    QWidget *tabLabelling;
    QWidget *tabAdditional;
    QWidget *tabAnalysis;
    QWidget *tabAttachments;

    // Admin.
    QGroupBox *grpGeneral;
    TzqcxDBTextEdit *edtLASampleNo;
    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtRegistrationNumber;
    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBLookupComboBox *cmbPremisesType;

    // Reason.
    QGroupBox *grpEnforcement;
    TzqcxDBLookupComboBox *cmbSampleType;
    TzqcxDBCheckBox *chkFollowUp;
    TzqcxDBTextEdit *edtIndexNumber;
    QGroupBox *grpSurveillance;
    TzqcxDBCheckBox *chkSurvey;
    TzqcxDBLookupComboBox *cmbSurveyBody;
    TzqcxDBComboBox *cmbSurveyRef;

    // Labelling.
    TzqcxDBComboBox *cmbFeedName;
    TzqcxDBComboBox *cmbFeedDescription;
    TzqcxDBLookupComboBox *cmbAnimalSpecies;
    TzqcxDBLookupComboBox *cmbLabelBusinessType;
    TzqcxDBTextEdit *edtLabelRegistrationNumber;
    TzqcxDBMemo *memLabelBusinessAddress;
    QPushButton *btnUseMainAddress;
    TzqcxDBComboBox *cmbImporter;

    // Additional.
    TzqcxDBLookupComboBox *cmbPackaging;
    TzqcxDBLookupComboBox *cmbPackUnits;
    TzqcxDBDateEdit *dtDateOfManufacture;
    TzqcxDBLookupComboBox *cmbDurability;
    TzqcxDBLookupComboBox *cmbCondition;
    TzqcxDBTextEdit *edtOtherCondition;

    // Analysis.
    TzqcxDBImageComboBox *cmbCOPCondition;
    TzqcxDBTextEdit *edtNotCOP;

    QAction *actUseMainAddress;

protected:
    void applyViewState(const SampleViewState &state) override;
    QString statusForSave(const QString &stored, bool validated) const override;
    void checkBeforeWrite() override;
    QString searchPremises(const QString &currentCode) override;
    std::optional<QString> editAnalysisText(const QString &current) override;

private:
    void actUseMainAddressExecute();

    bool m_readOnly = false;
};
