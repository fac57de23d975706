#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRules.h"
#include "samples/SampleVerify.h"
#include "samples/ui/SampleEditorFields.h"

#include <QHash>
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
// No transaction is open while the officer works. Each editor's pages come from its field table
// (SampleEditorFieldTables.cpp): the base makes them (SampleEditorPages.cpp) and enables or shows
// each field as VerifyAll's view state says; the editor shows the rest of the view state itself.
// The save is in SampleEditorSave.cpp, the premises and category pickers in
// SampleEditorPickers.cpp.
class SampleEditorBase : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString CloseWhileEditingMessage()
    {
        return QStringLiteral("Please save or abandon current changes before leaving the form.");
    }

    // The mark after the caption of a field the rules require.
    static QString RequiredMark();
    // The tag of the controls on which Tab turns the page (the last forward buttons and the
    // pages).
    static constexpr int TurnPageTag = 10;

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
    // Controls every editor has; its field table places them.
    TzqcxDBRadioGroup *rgAnalysisType = nullptr;
    TzqcxDBButtonEdit *edtBusinessId = nullptr;
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
    TzqcxDBRadioGroup *rgReason = nullptr;
    TzqcxDBTextEdit *edtCategory = nullptr;
    TzqcxDBTextEdit *edtSubCategory = nullptr;
    TzqcxDBTextEdit *edtSubCategory2 = nullptr;
    TzqcxDBTextEdit *edtSubCategory3 = nullptr;
    QFrame *pnlCategoryTree = nullptr;
    QPushButton *btnCategoryTree = nullptr;
    QLabel *lblAdditionalInfo = nullptr;
    TzqcxDBLookupComboBox *cmbAdditionalInfo = nullptr;
    TzqcxDBMemo *memAdditionalInfo = nullptr;
    TzqcxDBImageComboBox *cmbCountryRegion = nullptr;
    TzqcxDBLookupComboBox *cmbCountry = nullptr;
    TzqcxDBSpinEdit *edtQuantity = nullptr;
    TzqcxDBComboBox *cmbBatchNumber = nullptr;
    TzqcxDBSpinEdit *edtDurabilityDay = nullptr;
    TzqcxDBSpinEdit *edtDurabilityMonth = nullptr;
    TzqcxDBSpinEdit *edtDurabilityYear = nullptr;
    TzqcxDBLookupComboBox *cmbLaboratory = nullptr;
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
    // Makes the pages of the editor's field table (SampleEditorFields.h), in order.
    void buildPages(const SampleFieldTable &fields);
    // One of the form's own lists, by its object name, as the field table names it.
    void addFormList(GridModel *list, const QString &keyField, const QString &shownField);

    void setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                       const QString &descriptionField);
    // Enables the control with its caption.
    void enableWithLabel(QWidget *control, bool enabled);
    void showCategoryState();
    void focusFirstOnPage(QWidget *page);
    // The free-text lists the field table fills from the authority's lists, with the list names.
    const QList<std::pair<TzqcxDBComboBox *, QString>> &pickLists() const { return m_pickLists; }

    // What an editor shows of VerifyAll's view state besides its field table's view rules.
    virtual void applyViewState(const SampleViewState &state) = 0;
    // Whether the analysis builder may be offered at all.
    virtual bool analysisBuilderOffered() const { return true; }
    // The status a save writes, from the one the store holds when the row is locked.
    virtual QString statusForSave(const QString &stored, bool validated) const = 0;
    // A check after the rules of either save (the feed editor's office); throws to refuse.
    virtual void checkBeforeWrite() {}
    // Opens the personality's analysis builder on the text; the text it hands back, if any.
    virtual std::optional<QString> editAnalysisText(const QString &current) = 0;
    // Fills the field table's pick lists from the authority's optional lists, keeping what they
    // show.
    void fillPickLists();
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
    // What is typed and not yet left can be read; otherwise the officer is told, and a save stops.
    bool typedEntriesReadable();
    void rgReasonChange();
    // The analysis type radio changed its choice.
    virtual void rgAnalysisTypeChange() {}
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
    friend class SampleFieldBuilder;

    // A field of the table with its view rule.
    struct FieldRule
    {
        QWidget *control;
        bool SampleViewState::*state;
        bool shows;
    };
    struct FormList
    {
        GridModel *list;
        QString keyField;
        QString shownField;
    };

    // The field table's view rules, then the editor's own (applyViewState).
    void showViewState(const SampleViewState &state);
    // A new row: the settings' defaults and the descriptions beside them.
    void startNewSample(SqlDataSet &data);
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
    QList<FieldRule> m_fieldRules;
    QList<std::pair<TzqcxDBComboBox *, QString>> m_pickLists;
    QHash<QString, FormList> m_formLists;
};
