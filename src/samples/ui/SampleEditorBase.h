#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRules.h"
#include "samples/SampleVerify.h"

#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class GridModel;
class QFormLayout;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class SampleAttachmentsPanel;
class SampleLookups;
class TCategoryTreeFrmReturnInfo;

// What tells the food and the animal-feed sample editors apart where they share their workings.
struct SampleEditorKindInfo
{
    QString personality;         // RECORD_TYPE of the samples edited
    SampleEditorKind rules;      // the rule profile of a validated save
    VerifyAllOptions verify;     // the field rules while editing
    int categoryLevels;          // 4 food, 2 feed
    QString officerFlagColumn;   // FLAG_FOOD or FLAG_FEED: the officers offered
    bool officesOfSampleAuthority; // the office list holds only the sample's authority's offices
    QString premisesTable;       // PREMISES_DETAIL or PREMISES_DETAIL_ANIMAL_FEED
    QStringList premisesColumns; // what the premises picker copies from
    QColor headingColour;
    QString heading;
};

// The parts of a sample editor that do not depend on its personality: the sample query keyed on
// UNIQUE_UUID, the officer and office lists, the focus controller, the side panel with the save
// actions, page turning, the category tree, the premises picker, the attachment page, and the
// save: the change reason of a sent sample, the code, the program mark, the rules, the
// descriptions, written in one short transaction that locks the row and reads its status again,
// so that a sample a synchronisation pass exported meanwhile keeps its status.
//
// No transaction is open while the officer works. The editors build their own pages and show
// the view state of VerifyAll on their own controls.
class SampleEditorBase : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString CloseWhileEditingMessage()
    {
        return QStringLiteral("Please save or abandon current changes before leaving the form.");
    }

    ~SampleEditorBase() override;

    const SampleEditorKindInfo &Kind() const { return m_kind; }

    void CreateNewSample();
    // The field rules while editing, then UpdateView.
    void VerifyAll();
    void UpdateView();
    // The rules of a validated save, every failure marked through the focus controller and the
    // first shown on its page; true when none failed. Only while editing.
    bool ValidateRecord();
    virtual void UpdateActions() = 0;
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

    QLabel *lblHeader = nullptr;
    QTabWidget *PageControl = nullptr;
    // Controls both editors have; each editor builds them on its own pages.
    TzqcxDBButtonEdit *edtBusinessId = nullptr;
    QFrame *pnlCategoryTree = nullptr;
    QPushButton *btnCategoryTree = nullptr;
    TzqcxDBLookupComboBox *cmbOffice = nullptr;
    TzqcxDBLookupComboBox *cmbOfficer = nullptr;
    TzqcxDBDateEdit *dtSampleDate = nullptr;
    TzqcxDBTimeEdit *edtSampleTime = nullptr;
    TzqcxDBCurrencyEdit *edtPurchaseCost = nullptr;
    TzqcxDBCurrencyEdit *edtAnalysisCost = nullptr;
    TzqcxDBTextEdit *edtPremisesName = nullptr;
    TzqcxDBTextEdit *edtAddress1 = nullptr;
    TzqcxDBTextEdit *edtAddress2 = nullptr;
    TzqcxDBTextEdit *edtAddress3 = nullptr;
    TzqcxDBTextEdit *edtAddress4 = nullptr;
    TzqcxDBTextEdit *edtPostCode = nullptr;
    TzqcxDBImageComboBox *cmbCountryRegion = nullptr;
    TzqcxDBLookupComboBox *cmbCountry = nullptr;
    TzqcxDBSpinEdit *edtQuantity = nullptr;
    TzqcxDBComboBox *cmbBatchNumber = nullptr;
    TzqcxDBImageComboBox *cmbRoutineAnalysis = nullptr;
    QPushButton *btnAnalysisBuilder = nullptr;
    TzqcxDBMemo *memAnalysisText = nullptr;
    TzqcxDBMemo *memComments = nullptr;
    // The attachments page: the panel's list and actions.
    SampleAttachmentsPanel *pnlAttachments = nullptr;
    QTableView *grdAttachments = nullptr;
    QStandardItemModel *srcAttachments = nullptr;

    // Page buttons: the back (F9) and forward (F10) button of each page that has one.
    QList<QPushButton *> PriorButtons;
    QList<QPushButton *> NextButtons;

    QAction *actEdit;
    QAction *actPost;
    QAction *actSaveWithoutValidation;
    QAction *actCancel;
    QAction *actPriorPage;
    QAction *actNextPage;
    QAction *actCategoryTree;
    QAction *actAnalysisBuilder;
    QAction *actPickPremises;
    QAction *actOpenAttachments = nullptr;
    QAction *actAddAttachment = nullptr;
    QAction *actDeleteAttachment = nullptr;
    QAction *actDownloadAttachment = nullptr;

protected:
    SampleEditorBase(QObject *AOwner, SampleEditorKindInfo kind);

    bool FormCloseQuery() override;
    bool focusNextPrevChild(bool next) override;

    // Opening, shared: the parameters are the editor's. Opens the lists and the sample, or starts
    // a new one; throws noSuchSample when the uuid names no sample of the personality.
    QString OpenSample(bool create, const QString &uuid, const QString &noSuchSample);

    // Building.
    void buildHeader();
    // The "Sample type" panel at the end of the heading; its label shows "Micro", "Chemical" or
    // nothing.
    QLabel *addSampleTypePanel(QGroupBox *&panel);
    void buildSidePanel(const QList<QAction *> &actions);
    QAction *makeAction(const char *name, const QString &text, const QKeySequence &key = {});
    QWidget *pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab);
    QPushButton *actionButton(QAction *action, const QString &text, QWidget *parent);
    template <class TEditor>
    TEditor *bound(QWidget *parent, const QString &field);
    TzqcxDBLookupComboBox *lookup(QWidget *parent, const QString &field, const QString &source,
                                  const QString &keyField = QStringLiteral("Code"),
                                  const QString &descriptionField = QStringLiteral("Description"));
    TzqcxDBLookupComboBox *formList(QWidget *parent, const QString &field, GridModel *list, const QString &shown);
    TzqcxDBComboBox *pickList(QWidget *parent, const QString &field, bool upperCase);
    TzqcxDBImageComboBox *yesNo(QWidget *parent, const QString &field);
    TzqcxDBButtonEdit *businessIdEdit(QWidget *parent);
    QWidget *categoryTreePanel(QWidget *parent);
    TzqcxDBCurrencyEdit *currencyEdit(QWidget *parent, const QString &field);
    // The food additional category information: the list of places a micro sample is taken from
    // and the memo of a chemical one, over the same column, one above the other.
    QWidget *additionalInfoEditors(QWidget *parent, TzqcxDBLookupComboBox *&list, TzqcxDBMemo *&memo);
    QWidget *durabilityParts(QWidget *parent, TzqcxDBSpinEdit *&day, TzqcxDBSpinEdit *&month,
                             TzqcxDBSpinEdit *&year, const QStringList &captions);
    QWidget *buildAttachmentsPage(QWidget *&page);
    // The rows and groups both editors show alike.
    void addOfficeRows(QFormLayout *form, QWidget *parent, const QString &officerCaption);
    void addSampleDateRows(QFormLayout *form, QWidget *parent, const QString &timeCaption);
    void addCostRows(QFormLayout *form, QWidget *parent);
    void addPremisesRows(QFormLayout *form, QWidget *parent);
    // The region and the country list side by side; label is its caption.
    QWidget *countryRow(QWidget *parent, QLabel *&label);
    TzqcxDBSpinEdit *quantityEdit(QWidget *parent);
    TzqcxDBComboBox *batchNumberList(QWidget *parent);
    QLabel *longCaption(QWidget *parent, const QString &text, QWidget *control, bool required);
    // "Analysis": routine analysis, the analysis builder and the analyses asked for (at most
    // typedLength characters typed); "Additional Information - including contract code".
    QGroupBox *analysisGroup(QWidget *page, int typedLength);
    QGroupBox *commentsGroup(QWidget *page);
    void addTarget(const QString &target, QWidget *control) { m_targets.insert(target, control); }
    // A caption that follows the control's enabled state as well.
    void addLabel(QWidget *control, QLabel *label) { m_labels.insert(control, label); }
    QLabel *caption(QWidget *parent, const QString &text, QWidget *control, bool required = false);
    void watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, const std::function<void()> &handler);
    void setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                       const QString &descriptionField);
    // Enables the control with its caption.
    void enableWithLabel(QWidget *control, bool enabled);
    void showCategoryState();
    void focusFirstOnPage(QWidget *page);

    // What an editor shows of VerifyAll's view state.
    virtual void applyViewState(const SampleViewState &state) = 0;
    // The status a save writes, from the one the store holds when the row is locked.
    virtual QString statusForSave(const QString &stored, bool validated) const = 0;
    // A check after the rules of either save (the feed editor's office); throws to refuse.
    virtual void checkBeforeWrite() {}
    // Opens the personality's analysis builder on the text; the text it hands back, if any.
    virtual std::optional<QString> editAnalysisText(const QString &current) = 0;
    // Fills the upper-case pick lists from the authority's optional lists, keeping what they show.
    void fillPickLists(const QList<std::pair<TzqcxDBComboBox *, QString>> &lists);
    // Opens the personality's premises picker on the current BUSINESS_ID; returns the code chosen,
    // empty or "CANCELLED".
    virtual QString searchPremises(const QString &currentCode) = 0;
    // Whether the premises pick may put a browsed row into edit state (the sample editors: when
    // typing would).
    virtual bool premisesPickStartsEditing() const { return qryData_->autoEdit(); }
    // Takes the premises chosen (nothing when no premises has the code) into the row.
    virtual void takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises);

    // Handlers.
    virtual void qryData_AfterEdit();
    void qryData_AfterInsert();
    void qryData_AfterPost();
    void qryData_AfterCancel();
    void qryData_BeforePost();
    // Both save actions; an editor of another table saves its own way.
    virtual bool SaveSample(bool validate);
    void rgReasonChange();
    void actEditExecute();
    void actCancelExecute();
    void actCategoryTreeExecute();
    void actPickPremisesExecute();
    // The analysis builder's text replaces ANALYSIS_TEXT (a viewed sample is put into edit state
    // for it) and routine analysis is off.
    void actAnalysisBuilderExecute();
    // Puts the sample into edit state when it is not being edited.
    void ensureEditing();
    // Runs a handler; a failure is shown with its message and the form goes on.
    void Guarded(const std::function<void()> &work);

    QString StoredStatus() const;
    SampleRuleContext viewContext() const;

    bool m_createSample = false;
    QString m_uuid;
    bool m_doValidation = false;
    QString m_oldSampleType; // FOldSampleType
    bool m_sentAtSave = false;
    bool m_useLAEMSPremisesCodes = false;

private:
    void writeSample(SqlDataSet &data, const std::function<void()> &write);
    void applyColumnLimits();
    void inputLeft(QWidget *old, QWidget *now);
    std::optional<QVariantMap> StoredPremises(const QString &code) const;
    QString formListText(const QString &list, const QString &code) const;
    SampleRuleContext saveContext() const;

    SampleEditorKindInfo m_kind;
    bool m_verifying = false;
    bool m_saving = false;
    bool m_limitsApplied = false;
    QWidget *m_attachmentsPage = nullptr;
    QString m_valueBeforeClick;
    std::unique_ptr<SampleLookups> m_lookups;
    QHash<QString, QWidget *> m_targets;
    QHash<QWidget *, QLabel *> m_labels;
    QSet<QWidget *> m_inputs;
    QHash<TzqcxDBLookupComboBox *, QString> m_sources;
};

template <class TEditor>
TEditor *SampleEditorBase::bound(QWidget *parent, const QString &field)
{
    auto *editor = new TEditor(parent);
    editor->SetDataBinding(qryData_, field);
    editor->SetFocusController(FocusController);
    m_inputs.insert(editor);
    if (!m_targets.contains(field))
        m_targets.insert(field, editor);
    return editor;
}

// Small layout helpers the sample editors share.
namespace SampleEditorLayout {
QFormLayout *formLayout(QWidget *parent = nullptr);
QGridLayout *gridLayout(QWidget *parent);
// Rows of a caption (right-aligned, column 0) and its field (from column 1, span columns wide).
struct CaptionGrid
{
    QGridLayout *grid;
    int line = 0;
    void add(QLabel *label, QWidget *field, int span = 2);
};
// The widgets side by side, reparented to a new row widget.
QWidget *row(QWidget *parent, const QList<QWidget *> &widgets, bool stretch = true);
// The buttons of a radio group side by side.
void lineUp(TzqcxDBRadioGroup *group);
QWidget *newPage(const char *name);
// A text the officer reads but never types looks so.
void showReadOnly(TzqcxDBTextEdit *edit);
QString requiredMark();
} // namespace SampleEditorLayout
