#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "samples/SampleTemplates.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class GridModel;
class QFormLayout;
class QLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class SampleLookups;
class TCategoryTreeFrmReturnInfo;

// Opening parameters of a template editor: a new template (CreateSample), or the template whose
// UNIQUE_UUID is Uuid.
class TSampleTemplateEditFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    bool CreateSample = false;
    QString Uuid;
};

// What the analysis builder offers first.
enum class AnalysisSelection { abAll, abCompoundFeeds, abFeedMaterials };

// What both template editors share: one SAMPLE_TEMPLATE row of their personality, new or
// existing, on pages of editors; the side panel's actions and keys (F6 edit, F7 and F8 save, abandon,
// F9 and F10 pages), the dependent fields as the officer works (VerifyAll under the personality's
// template preset), the premises pick, the category tree, the analysis builder, and the refusal to
// close while the row is being edited. A template has no validation rules: both saves post the row
// and close the form; a failed post shows its cause and keeps the row, with every edit, in edit mode.
//
// The opener sets Persist, so the form stays with its owner under its key and is initialised
// afresh each time it is opened again.
class SampleTemplateEditForm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString CloseWhileEditingMessage()
    {
        return QStringLiteral("Please save or abandon current changes before leaving the form.");
    }
    static QString NoSuchTemplateMessage(const QString &uuid);

    // The premises list as a picker: the personality's list opened on the current code; returns the
    // chosen code or "CANCELLED". Tests put their own in place; an empty function restores the
    // program's lists.
    using PremisesPicker = std::function<QString(const QString &personality, const QString &currentCode)>;
    static void SetPremisesPicker(PremisesPicker picker);
    // The analysis builder: offered the current analysis text and where to start, it returns the
    // text built, or nothing when the officer cancelled. Until one is installed the action is shown
    // disabled as not available in this version.
    using AnalysisBuilder = std::function<std::optional<QString>(const QString &initialText, AnalysisSelection selection)>;
    static void SetAnalysisBuilder(AnalysisBuilder builder);

    ~SampleTemplateEditForm() override;

    // Reads the opening parameters, opens the lists and the template (or starts a new one). Throws
    // VarnexError when the Uuid names no template of the personality: no empty editor is shown.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString Personality() const { return m_personality; }
    void CreateNewSample();
    // The field rules while editing, then UpdateView.
    void VerifyAll();
    void UpdateView();
    void UpdateActions();
    bool Editing() const;
    void SetDoValidation(bool doValidation) { m_doValidation = doValidation; }
    // Takes the category tree's choice, only while editing.
    void ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection);
    QString GetDeepestCategoryCode() const;
    AnalysisSelection AnalysisBuilderSelection() const;

    SqlDataSet *qryData_;
    GridModel *qrySampleOfficer_;
    GridModel *qryLocalAuthOffice_;
    GridModel *qryTemplateGroups_;
    TzqcxFocusController *FocusController;

    QLabel *lblHeader;
    QGroupBox *pnlSampleType;
    QLabel *lblSampleType;
    QTabWidget *PageControl;

    // Admin, both personalities.
    QGroupBox *grpGeneral;
    TzqcxDBRadioGroup *rgAnalysisType;
    TzqcxDBButtonEdit *edtBusinessId;
    TzqcxDBTextEdit *edtPremisesName;
    TzqcxDBTextEdit *edtAddress1;
    TzqcxDBTextEdit *edtAddress2;
    TzqcxDBTextEdit *edtAddress3;
    TzqcxDBTextEdit *edtAddress4;
    TzqcxDBTextEdit *edtPostCode;
    TzqcxDBLookupComboBox *cmbPremisesType;
    QLabel *lblPremisesType;
    TzqcxDBLookupComboBox *cmbOfficer;
    TzqcxDBLookupComboBox *cmbOffice;
    TzqcxDBLookupComboBox *cmbTemplateGroup;
    TzqcxDBTextEdit *edtTemplateDescription;
    TzqcxDBCheckBox *chkUpdatePremises;
    // Reason, both.
    TzqcxDBRadioGroup *rgReason;
    TzqcxDBCheckBox *chkFollowUp;
    TzqcxDBTextEdit *edtIndexNumber;
    TzqcxDBCheckBox *chkSurvey;
    TzqcxDBLookupComboBox *cmbSurveyBody;
    TzqcxDBTextEdit *edtSurveyRef;
    // Description / labeling, both.
    TzqcxDBComboBox *cmbBrandName;
    TzqcxDBComboBox *cmbFoodDescription;
    TzqcxDBTextEdit *edtCategory;
    TzqcxDBTextEdit *edtSubCategory;
    QPushButton *btnCategoryTree;
    TzqcxDBComboBox *cmbImporter;
    TzqcxDBLookupComboBox *cmbCountry;
    // Additional, both.
    TzqcxDBLookupComboBox *cmbPackaging;
    TzqcxDBSpinEdit *edtQuantity;
    TzqcxDBLookupComboBox *cmbPackUnits;
    TzqcxDBLookupComboBox *cmbDurability;
    TzqcxDBLookupComboBox *cmbCondition;
    TzqcxDBTextEdit *edtOtherCondition;
    // Analysis, both.
    TzqcxDBLookupComboBox *cmbLaboratory;
    TzqcxDBImageComboBox *cmbRoutineAnalysis;
    QPushButton *btnAnalysisBuilder;
    TzqcxDBMemo *memAnalysisText;
    TzqcxDBMemo *memComments;

    QAction *actEditItem;
    QAction *actSaveItem;
    QAction *actSaveWithoutValidating;
    QAction *actAbandonItem;
    QAction *actPreviousPage;
    QAction *actNextPage;
    QAction *actCategoryTree;
    QAction *actAnalysisBuilder;
    QAction *actPickPremises;

protected:
    // What tells the two editors apart.
    struct Personality_
    {
        QString personality;      // "FOOD" or "ANIMAL FEED"
        QString caption;          // the form's caption before it is opened
        QString headerText;       // the heading, two blanks first
        QString newCaption;       // "New Sample." / "New Sample template."
        QString detailsCaption;   // "Sample Details." / "Sample template details."
        QString columns;          // the template query's columns
        QString premisesTable;    // PREMISES_DETAIL or PREMISES_DETAIL_ANIMAL_FEED
        int categoryLevels;       // FoodCategoryLevels or AnimalFeedCategoryLevels
        bool pickOnlyWhileEditing; // the premises pick does nothing in browse mode
        bool groupList;           // the template group list is read
    };
    SampleTemplateEditForm(QObject *AOwner, const Personality_ &personality);

    // Building: the descendant's constructor builds its pages with these, then calls finishBuilding.
    template <class TEditor>
    TEditor *bound(QWidget *parent, const QString &field);
    TzqcxDBLookupComboBox *lookup(QWidget *parent, const QString &field, const QString &source,
                                  const QString &keyField = QStringLiteral("Code"),
                                  const QString &descriptionField = QStringLiteral("Description"));
    TzqcxDBComboBox *pickList(QWidget *parent, const QString &field, bool upperCase);
    TzqcxDBImageComboBox *yesNo(QWidget *parent, const QString &field);
    QLabel *caption(QWidget *parent, const QString &text, QWidget *control);
    QPushButton *actionButton(QAction *action, const QString &text, QWidget *parent);
    QWidget *pageButtons(QWidget *page, bool back, bool forward);
    QWidget *newPage(const char *name, const QString &title);
    // The Admin page's general group: analysis type, premises, the personality's own rows
    // (addCodes), officer, office, the template's own entries.
    QWidget *buildAdminPage(const QString &analysisTypeCaption, const QStringList &analysisTypeItems,
                            const QString &premisesTypeSource, const std::function<void(QFormLayout *, QWidget *)> &addCodes);
    void buildAnalysisGroup(QWidget *page, QLayout *layout);
    // The reason radio ("E" and "S"): a change empties the sample type, then VerifyAll.
    TzqcxDBRadioGroup *reasonRadio(QWidget *parent, const QString &title, const QStringList &captions);
    // A check box whose click runs VerifyAll.
    TzqcxDBCheckBox *checkBox(QWidget *parent, const QString &field, const QString &text);
    void watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, void (SampleTemplateEditForm::*handler)());
    void setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField = QStringLiteral("Code"),
                       const QString &descriptionField = QStringLiteral("Description"));
    void enable(QWidget *control, bool enabled);
    void applyColumnLimits();

    // The view the personality's controls show for the state.
    virtual void applyViewState(const SampleViewState &state);
    // Before the row is written (food: the program mark).
    virtual void qryData_BeforePost(SampleRow &row) { Q_UNUSED(row) }

    bool FormCloseQuery() override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildHeader();
    void buildActions();
    void qryData_AfterInsert();
    void qryData_AfterPost();
    void qryData_AfterCancel();
    bool SaveTemplate(bool validate);
    void rgAnalysisTypeChange();
    void rgReasonChange();
    void actAbandonItemExecute();
    void actPreviousPageExecute();
    void actNextPageExecute();
    void actCategoryTreeExecute();
    void actAnalysisBuilderExecute();
    void actPickPremisesExecute();
    void inputLeft(QWidget *old, QWidget *now);
    void focusFirstOnPage(QWidget *page);
    void Guarded(const std::function<void()> &work);
    std::optional<QVariantMap> StoredPremises(const QString &code) const;
    SampleRuleContext viewContext() const;
    NewSampleSettings newSettings() const;

    Personality_ m_p;
    QString m_personality;
    bool m_createSample = false;
    QString m_uuid;
    bool m_doValidation = false;
    bool m_verifying = false;
    bool m_saving = false;
    bool m_limitsApplied = false;
    bool m_useLAEMSPremisesCodes = false;
    QString m_oldSampleType;
    QString m_valueBeforeClick;
    std::unique_ptr<SampleLookups> m_lookups;
    QHash<QWidget *, QLabel *> m_labels;
    QSet<QWidget *> m_inputs;
    QHash<TzqcxDBLookupComboBox *, QString> m_sources;
};

template <class TEditor>
TEditor *SampleTemplateEditForm::bound(QWidget *parent, const QString &field)
{
    auto *editor = new TEditor(parent);
    editor->SetDataBinding(qryData_, field);
    editor->SetFocusController(FocusController);
    m_inputs.insert(editor);
    return editor;
}
