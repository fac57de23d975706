#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "samples/SampleRules.h"
#include "samples/SampleVerify.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class GridModel;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class SampleAttachmentsPanel;
class SampleLookups;
class TCategoryTreeFrmReturnInfo;

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
class TSampleEditFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleEdit"); }
    static QString CloseWhileEditingMessage()
    {
        return QStringLiteral("Please save or abandon current changes before leaving the form.");
    }
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

    void CreateNewSample();
    // The field rules while editing, then UpdateView.
    void VerifyAll();
    void UpdateView();
    // The rules of a validated save, every failure marked through the focus controller and the
    // first shown on its page; true when none failed. Only while editing.
    bool ValidateRecord();
    void UpdateActions();
    // Takes the category tree's choice, only while editing.
    void ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection);
    QString GetDeepestCategoryCode() const;

    bool Editing() const;
    // The sample's status is one of the sent ones.
    bool Sent() const;
    void SetDoValidation(bool doValidation) { m_doValidation = doValidation; }

    // The form's control for a rule's target (SampleTarget names or column names); nullptr when
    // there is none.
    QWidget *TargetControl(const QString &target) const;

    // Data.
    SqlDataSet *qryData_;
    GridModel *qrySampleOfficer_;
    GridModel *qryLocalAuthOffice_;
    TzqcxFocusController *FocusController;

    // Header.
    QLabel *lblHeader;
    QGroupBox *pnlSampleType;
    QLabel *lblSampleType;

    QTabWidget *PageControl;
    QWidget *tabAdmin;
    QWidget *tabReason;
    QWidget *tabDescription;
    QWidget *tabAdditional;
    QWidget *tabCOP;
    QWidget *tabAttachments;

    // Admin.
    QGroupBox *grpGeneral;
    TzqcxDBRadioGroup *rgAnalysisType;
    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtLASampleNo;
    TzqcxDBLookupComboBox *cmbOffice;
    TzqcxDBLookupComboBox *cmbOfficer;
    TzqcxDBDateEdit *dtSampleDate;
    TzqcxDBTimeEdit *edtSampleTime;
    TzqcxDBButtonEdit *edtBusinessId;
    QPushButton *btnNotAvailable;
    TzqcxDBTextEdit *edtPremisesName;
    TzqcxDBTextEdit *edtAddress1;
    TzqcxDBTextEdit *edtAddress2;
    TzqcxDBTextEdit *edtAddress3;
    TzqcxDBTextEdit *edtAddress4;
    TzqcxDBTextEdit *edtPostCode;
    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBLookupComboBox *cmbRiskCategoryFS;
    QLabel *lblPremisesType;
    TzqcxDBLookupComboBox *cmbPremisesType;
    TzqcxDBCurrencyEdit *edtPurchaseCost;
    TzqcxDBCurrencyEdit *edtAnalysisCost;

    // Reason.
    TzqcxDBRadioGroup *rgReason;
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
    TzqcxDBTextEdit *edtCategory;
    TzqcxDBTextEdit *edtSubCategory;
    TzqcxDBTextEdit *edtSubCategory2;
    TzqcxDBTextEdit *edtSubCategory3;
    QFrame *pnlCategoryTree;
    QPushButton *btnCategoryTree;
    TzqcxDBLookupComboBox *cmbMAFF;
    QLabel *lblAdditionalInfo;
    TzqcxDBMemo *memAdditionalInfo;
    TzqcxDBLookupComboBox *cmbAdditionalInfo;
    TzqcxDBComboBox *cmbManufacturer;
    TzqcxDBComboBox *cmbDistributor;
    TzqcxDBComboBox *cmbImporter;
    TzqcxDBImageComboBox *cmbCountryRegion;
    TzqcxDBLookupComboBox *cmbCountry;

    // Additional.
    TzqcxDBLookupComboBox *cmbPackaging;
    QPushButton *btnLabelling;
    TzqcxDBLookupComboBox *cmbMaterial;
    TzqcxDBTextEdit *edtOtherMaterial;
    TzqcxDBSpinEdit *edtQuantity;
    TzqcxDBLookupComboBox *cmbPackUnits;
    TzqcxDBComboBox *cmbBatchNumber;
    TzqcxDBTextEdit *edtHealthMark;
    TzqcxDBLookupComboBox *cmbDurability;
    TzqcxDBSpinEdit *edtDurabilityDay;
    TzqcxDBSpinEdit *edtDurabilityMonth;
    TzqcxDBSpinEdit *edtDurabilityYear;
    TzqcxDBLookupComboBox *cmbCondition;
    TzqcxDBTextEdit *edtOtherCondition;
    TzqcxDBSpinEdit *edtTemperature;

    // COP.
    TzqcxDBImageComboBox *cmbCOPCondition;
    TzqcxDBTextEdit *edtNotCOP;
    TzqcxDBImageComboBox *cmbCOPLab;
    TzqcxDBLookupComboBox *cmbLaboratory;
    TzqcxDBImageComboBox *cmbRoutineAnalysis;
    QPushButton *btnAnalysisBuilder;
    TzqcxDBMemo *memAnalysisText;
    TzqcxDBMemo *memComments;

    // Attachments (the panel's list and actions).
    SampleAttachmentsPanel *pnlAttachments;
    QTableView *grdAttachments;
    QStandardItemModel *srcAttachments;

    // Page buttons: the back (F9) and forward (F10) button of each page that has one.
    QList<QPushButton *> PriorButtons;
    QList<QPushButton *> NextButtons;

    QAction *actEdit;
    QAction *actPost;
    QAction *actSaveWithoutValidation;
    QAction *actCancel;
    QAction *actDeleteSample;
    QAction *actNewSample;
    QAction *actPriorPage;
    QAction *actNextPage;
    QAction *actCategoryTree;
    QAction *actLabelling;
    QAction *actAnalysisBuilder;
    QAction *actNotAvailable;
    QAction *actPickPremises;
    QAction *actOpenAttachments;
    QAction *actAddAttachment;
    QAction *actDeleteAttachment;
    QAction *actDownloadAttachment;

protected:
    bool FormCloseQuery() override;
    bool focusNextPrevChild(bool next) override;

private:
    // Building.
    void buildHeader();
    void buildPages();
    QWidget *buildAdminPage();
    QWidget *buildReasonPage();
    QWidget *buildDescriptionPage();
    QWidget *buildAdditionalPage();
    QWidget *buildCOPPage();
    QWidget *buildAttachmentsPage();
    void buildActions();
    QWidget *pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab);
    QPushButton *actionButton(QAction *action, const QString &text, QWidget *parent);
    template <class TEditor>
    TEditor *bound(QWidget *parent, const QString &field);
    TzqcxDBLookupComboBox *lookup(QWidget *parent, const QString &field, const QString &source,
                                  const QString &keyField = QStringLiteral("Code"),
                                  const QString &descriptionField = QStringLiteral("Description"));
    TzqcxDBComboBox *pickList(QWidget *parent, const QString &field, bool upperCase);
    TzqcxDBImageComboBox *yesNo(QWidget *parent, const QString &field);
    QLabel *caption(QWidget *parent, const QString &text, QWidget *control, bool required = false);
    void applyColumnLimits();

    // Handlers.
    void qryData_AfterEdit();
    void qryData_AfterInsert();
    void qryData_AfterPost();
    void qryData_AfterCancel();
    // The steps before a sample is written, in order: the change reason of a sent sample, the
    // code, the program mark, the rules when validating, the descriptions. Throws to refuse.
    void qryData_BeforePost();
    // The write: one short transaction that locks the row, reads its status again and writes the
    // status that follows from it with the changed columns.
    void writeSample(SqlDataSet &data, const std::function<void()> &write);
    bool SaveSample(bool validate);
    void rgAnalysisTypeChange();
    void rgReasonChange();
    void actEditExecute();
    void actCancelExecute();
    void actPriorPageExecute();
    void actNextPageExecute();
    void actCategoryTreeExecute();
    void actNotAvailableExecute();
    void actPickPremisesExecute();
    void actAnalysisBuilderExecute();
    void actLabellingExecute();
    // The six upper-case pick lists from the authority's optional lists.
    void fillPickLists();
    void PageControlChange(int index);
    void inputLeft(QWidget *old, QWidget *now);
    void applyViewState(const SampleViewState &state);
    void setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                       const QString &descriptionField);
    void focusFirstOnPage(QWidget *page);
    void watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, void (TSampleEditFrm::*handler)());
    // Runs a handler; a failure is shown with its message and the form goes on.
    void Guarded(const std::function<void()> &work);

    // Data helpers.
    QString StoredStatus() const;
    std::optional<QVariantMap> StoredPremises(const QString &code) const;
    QString formListText(const QString &list, const QString &code) const;
    SampleRuleContext viewContext() const;
    SampleRuleContext saveContext() const;

    bool m_createSample = false;
    QString m_uuid;
    bool m_doValidation = false;
    QString m_oldSampleType; // FOldSampleType
    // Whether the sample was sent when the save began (the status the store held then).
    bool m_sentAtSave = false;
    // F8 is withheld for the editor's life from a sample that was sent when it was opened.
    bool m_f8Withheld = false;
    bool m_useLAEMSPremisesCodes = false;
    bool m_verifying = false;
    bool m_saving = false;
    bool m_limitsApplied = false;
    QString m_valueBeforeClick;
    std::unique_ptr<SampleLookups> m_lookups;
    QHash<QString, QWidget *> m_targets;
    QHash<QWidget *, QLabel *> m_labels;
    QSet<QWidget *> m_inputs;
    QHash<TzqcxDBLookupComboBox *, QString> m_sources;
};
