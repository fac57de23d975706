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

    // Both personalities (besides the base's).
    QGroupBox *grpGeneral;
    TzqcxDBLookupComboBox *cmbPremisesType;
    QLabel *lblPremisesType;
    TzqcxDBLookupComboBox *cmbTemplateGroup;
    TzqcxDBTextEdit *edtTemplateDescription;
    TzqcxDBCheckBox *chkUpdatePremises;
    TzqcxDBCheckBox *chkFollowUp;
    TzqcxDBTextEdit *edtIndexNumber;
    TzqcxDBCheckBox *chkSurvey;
    TzqcxDBLookupComboBox *cmbSurveyBody;
    TzqcxDBTextEdit *edtSurveyRef;
    TzqcxDBComboBox *cmbBrandName;
    TzqcxDBComboBox *cmbFoodDescription;
    TzqcxDBComboBox *cmbImporter;
    TzqcxDBLookupComboBox *cmbPackaging;
    TzqcxDBLookupComboBox *cmbPackUnits;
    TzqcxDBLookupComboBox *cmbDurability;
    TzqcxDBLookupComboBox *cmbCondition;
    TzqcxDBTextEdit *edtOtherCondition;

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

    void applyViewState(const SampleViewState &state) override;
    // Before the row is written (food: the program mark).
    virtual void qryData_BeforePost(SampleRow &row) { Q_UNUSED(row) }
    bool SaveSample(bool validate) override;
    QString statusForSave(const QString &, bool) const override { return QString(); }
    QString searchPremises(const QString &currentCode) override;
    std::optional<QString> editAnalysisText(const QString &current) override;
    bool analysisBuilderOffered() const override { return HasAnalysisBuilder(); }
    // The laboratory and the analysis settings follow the analysis type.
    void rgAnalysisTypeChange() override;
    bool premisesPickStartsEditing() const override { return m_template.pickStartsEditing; }
    void takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises) override;

private:
    TemplateKind m_template;
};
