#pragma once

#include "samples/SampleTemplates.h"
#include "samples/ui/SampleEditorBase.h"

#include <functional>
#include <memory>
#include <optional>

class QGroupBox;

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

// What both template editors share, on the workings of the sample editors: one SAMPLE_TEMPLATE
// row of their personality, new or existing, on pages of editors; the side panel's actions and
// keys (F6 edit, F7 and F8 save, abandon, F9 and F10 pages), the dependent fields as the officer
// works (VerifyAll under the personality's template preset), the premises pick, the category tree,
// the analysis builder, and the refusal to close while the row is being edited. A template has no
// validation rules, no status and no code: both saves post the row and close the form; a failed
// post shows its cause and keeps the row, with every edit, in edit mode.
//
// The opener sets Persist, so the form stays with its owner under its key and is initialised
// afresh each time it is opened again.
class SampleTemplateEditForm : public SampleEditorBase
{
    Q_OBJECT
public:
    static QString NoSuchTemplateMessage(const QString &uuid);

    // The premises list as a picker: the personality's list opened on the current code; returns the
    // chosen code or "CANCELLED". Tests put their own in place; an empty function restores the
    // program's lists.
    using PremisesPicker = std::function<QString(const QString &personality, const QString &currentCode)>;
    static void SetPremisesPicker(PremisesPicker picker);
    // The analysis builder: offered the current analysis text and where to start, it returns the
    // text built, or nothing when the officer cancelled. The program's own builders serve until
    // another is installed; an empty one shows the action disabled as not available.
    using AnalysisBuilder = std::function<std::optional<QString>(TBasefrm *opener, const QString &initialText,
                                                                 AnalysisSelection selection)>;
    static void SetAnalysisBuilder(AnalysisBuilder builder);
    static bool HasAnalysisBuilder();
    // The entries of a named free-text pick list ("BrandName", "FeedName", ...), one per line; by
    // default the authority's optional lists.
    using PickListSource = std::function<QStringList(const QString &listName)>;
    static void SetPickListSource(PickListSource source);

    ~SampleTemplateEditForm() override;

    // Reads the opening parameters, opens the lists and the template (or starts a new one). Throws
    // VarnexError when the Uuid names no template of the personality: no empty editor is shown.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString Personality() const { return Kind().personality; }
    void UpdateActions() override;
    AnalysisSelection AnalysisBuilderSelection() const;

    GridModel *qryTemplateGroups_;
    QGroupBox *pnlSampleType;
    QLabel *lblSampleType;

    // Admin, both personalities.
    QGroupBox *grpGeneral;
    TzqcxDBRadioGroup *rgAnalysisType;
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
    TzqcxDBMemo *memAnalysisText;
    TzqcxDBMemo *memComments;

    // The template editors' names for the side panel's actions.
    QAction *actEditItem;
    QAction *actSaveItem;
    QAction *actSaveWithoutValidating;
    QAction *actAbandonItem;
    QAction *actPreviousPage;

protected:
    // What tells the two template editors apart besides the sample editors' kind.
    struct TemplateKind
    {
        QString caption;         // the form's caption before it is opened
        QString newCaption;      // "New Sample." / "New Sample template."
        QString detailsCaption;  // "Sample Details." / "Sample template details."
        QString columns;         // the template query's columns
        bool pickStartsEditing;  // the premises pick puts a browsed template into edit state
        bool groupList;          // the template group list is read
    };
    SampleTemplateEditForm(QObject *AOwner, SampleEditorKindInfo kind, TemplateKind templateKind);
    // The sample editors' kind for a template of the personality: its template preset, its lists,
    // its premises register, its heading.
    static SampleEditorKindInfo templateKindInfo(const QString &personality, const QString &heading);

    // Building, for the descendants' constructors.
    QWidget *addPage(const char *name, const QString &title);
    // The Admin page: analysis type, premises, the personality's own rows (addCodes), officer,
    // office, the template's own entries.
    void buildAdminPage(const QString &analysisTypeCaption, const QStringList &analysisTypeItems,
                        const QString &premisesTypeSource, const std::function<void(QFormLayout *, QWidget *)> &addCodes);
    void buildAnalysisGroup(QWidget *page, QLayout *layout);
    // The reason radio ("E" and "S"): a change empties the sample type, then VerifyAll.
    TzqcxDBRadioGroup *reasonRadio(QWidget *parent, const QString &title, const QStringList &captions);
    // A check box whose click runs VerifyAll.
    TzqcxDBCheckBox *checkBox(QWidget *parent, const QString &field, const QString &text);

    // The pick lists the editor's free-text drop-downs offer, filled at each opening.
    void setPickLists(const QList<QPair<TzqcxDBComboBox *, QString>> &lists) { m_pickLists = lists; }

    void applyViewState(const SampleViewState &state) override;
    // Before the row is written (food: the program mark).
    virtual void qryData_BeforePost(SampleRow &row) { Q_UNUSED(row) }
    bool SaveSample(bool validate) override;
    QString statusForSave(const QString &, bool) const override { return QString(); }
    QString searchPremises(const QString &currentCode) override;
    std::optional<QString> editAnalysisText(const QString &current) override;
    bool premisesPickStartsEditing() const override { return m_template.pickStartsEditing; }
    void takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises) override;

private:
    void rgAnalysisTypeChange();

    TemplateKind m_template;
    QList<QPair<TzqcxDBComboBox *, QString>> m_pickLists;
};
