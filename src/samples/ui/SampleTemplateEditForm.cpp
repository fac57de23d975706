#include "samples/ui/SampleTemplateEditForm.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "samples/ui/AFAnalysisBuilderV2_FRM.h"
#include "samples/ui/AnalysisBuilder_FRM.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace SampleEditorLayout;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

SampleTemplateEditForm::PremisesPicker &premisesPicker()
{
    static SampleTemplateEditForm::PremisesPicker picker;
    return picker;
}

// The program's analysis builders: the feed one for feed templates, the food one for food
// templates with the tabs the feed category asks for.
std::optional<QString> programAnalysisBuilder(TBasefrm *opener, const QString &text, AnalysisSelection selection,
                                              const QString &personality)
{
    if (personality == Varnex::PersonalityAnimalFeed)
        return TAFAnalysisBuilderV2frm::Edit(opener, text);
    const TabSelectionTypes tabs = selection == AnalysisSelection::abCompoundFeeds  ? abCompoundFeeds
                                   : selection == AnalysisSelection::abFeedMaterials ? abFeedMaterials
                                                                                     : abAll;
    return TAnalysisBuilderFrm::Edit(opener, text, tabs);
}

SampleTemplateEditForm::AnalysisBuilder &analysisBuilder()
{
    static SampleTemplateEditForm::AnalysisBuilder builder;
    return builder;
}

bool &analysisBuilderReplaced()
{
    static bool replaced = false;
    return replaced;
}

// The program's premises lists as pickers: browse mode, no editing, on the current premises.
QString pickFromPremisesList(const QString &personality, const QString &currentCode)
{
    if (personality == Varnex::PersonalityAnimalFeed) {
        auto defaults = std::make_unique<TAFPremisesDetailMaintV5FrmDrefaults>();
        defaults->OpenMode = mmoBrowse;
        defaults->AllowEdit = false;
        defaults->InitialBookmark = TAFPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
        return TIBCompatibleBaseMaintfrm::SearchForCode<TAFPremisesDetailMaintV5Frm>(std::move(defaults));
    }
    auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
    defaults->OpenMode = mmoBrowse;
    defaults->AllowEdit = false;
    defaults->InitialBookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
    return TIBCompatibleBaseMaintfrm::SearchForCode<TPremisesDetailMaintV5Frm>(std::move(defaults));
}

// The authority's optional lists, once the program has made them.
SampleTemplateEditForm::PickListSource &pickListSource()
{
    static SampleTemplateEditForm::PickListSource source = [](const QString &listName) {
        return OptionalLookupDataDM ? OptionalLookupDataDM->GetLookupLines(listName) : QStringList();
    };
    return source;
}

} // namespace

QString SampleTemplateEditForm::NoSuchTemplateMessage(const QString &uuid)
{
    return S("There is no sample template with the identity %1 in the local store; it may have been removed "
             "by a synchronisation. Nothing was opened.")
        .arg(uuid);
}

void SampleTemplateEditForm::SetPremisesPicker(PremisesPicker picker)
{
    premisesPicker() = std::move(picker);
}

void SampleTemplateEditForm::SetAnalysisBuilder(AnalysisBuilder builder)
{
    analysisBuilder() = std::move(builder);
    analysisBuilderReplaced() = true;
}

bool SampleTemplateEditForm::HasAnalysisBuilder()
{
    return !analysisBuilderReplaced() || bool(analysisBuilder());
}

std::optional<QString> SampleTemplateEditForm::editAnalysisText(const QString &current)
{
    if (!analysisBuilderReplaced())
        return programAnalysisBuilder(this, current, AnalysisBuilderSelection(), Personality());
    if (!analysisBuilder())
        return std::nullopt;
    return analysisBuilder()(this, current, AnalysisBuilderSelection());
}

void SampleTemplateEditForm::SetPickListSource(PickListSource source)
{
    pickListSource() = std::move(source);
}

SampleEditorKindInfo SampleTemplateEditForm::templateKindInfo(const QString &personality, const QString &heading)
{
    const bool feed = personality == Varnex::PersonalityAnimalFeed;
    SampleEditorKindInfo kind;
    kind.personality = personality;
    kind.rules = feed ? SampleEditorKind::AnimalFeed : SampleEditorKind::Food;
    kind.verify = templateVerifyOptions(personality);
    kind.categoryLevels = feed ? AnimalFeedCategoryLevels : FoodCategoryLevels;
    kind.officerFlagColumn = feed ? S("FLAG_FEED") : S("FLAG_FOOD");
    kind.officesOfSampleAuthority = feed;
    kind.premisesTable = feed ? S("PREMISES_DETAIL_ANIMAL_FEED") : S("PREMISES_DETAIL");
    kind.premisesColumns = {S("CODE"), S("PREMISES_NAME"), S("BUSINESS_ADDR_1"), S("BUSINESS_ADDR_2"),
                            S("BUSINESS_ADDR_3"), S("BUSINESS_ADDR_4"), S("BUSINESS_POSTCODE"),
                            S("RISK_CATEGORY__CODE"), S("PREMISES_TYPE__CODE"), S("RISK_CATEGORY_FOOD_STAND__CODE")};
    kind.headingColour = feed ? QColor(234, 255, 230) : QColor(202, 203, 251);
    kind.heading = heading;
    return kind;
}

SampleTemplateEditForm::SampleTemplateEditForm(QObject *AOwner, SampleEditorKindInfo kind, TemplateKind templateKind)
    : SampleEditorBase(AOwner, std::move(kind)), m_template(std::move(templateKind))
{
    setWindowTitle(m_template.caption);
    // The template row: no code, no status; written as it is, committed at once.
    qryData_->setSql(S("SELECT %1 FROM SAMPLE_TEMPLATE WHERE UNIQUE_UUID = :sampleUuid").arg(m_template.columns));
    qryData_->setUpdateTable(S("SAMPLE_TEMPLATE"), {S("UNIQUE_UUID")});
    qryData_->setRequiredFields({S("UNIQUE_UUID")});
    qryData_->aroundWrite = nullptr;
    qryData_->onNewRecord = [this](SqlDataSet &data) {
        DataSetRow row(data);
        MaindmTemplateServices services(*Maindm);
        initialiseNewTemplate(row, NewSampleSettings::fromSettings(*Maindm, Personality()), services,
                              Clock::instance().now());
    };

    qryTemplateGroups_ = new GridModel(LocalDatabase(),
                                       S("SELECT UNIQUE_UUID, UNIQUE_ID, TEMPLATE_DESCRIPTION FROM SAMPLE_TEMPLATE "
                                         "WHERE PARENT_ID = -1 AND RECORD_TYPE = :recordType AND FLAG_DELETED = 'F'"),
                                       S("UNIQUE_UUID"), this);
    qryTemplateGroups_->setObjectName(S("qryTemplateGroups_"));
    qryTemplateGroups_->setParam(S("recordType"), Personality());
    qryTemplateGroups_->setSort({{S("TEMPLATE_DESCRIPTION"), Qt::AscendingOrder}});

    // The side panel under the template editors' names and captions.
    actEditItem = actEdit;
    actSaveItem = actPost;
    actSaveWithoutValidating = actSaveWithoutValidation;
    actAbandonItem = actCancel;
    actPreviousPage = actPriorPage;
    const QList<QPair<QAction *, QString>> names = {
        {actEditItem, S("actEditItem")}, {actSaveItem, S("actSaveItem")},
        {actSaveWithoutValidating, S("actSaveWithoutValidating")}, {actAbandonItem, S("actAbandonItem")},
        {actPreviousPage, S("actPreviousPage")}};
    for (const auto &name : names)
        name.first->setObjectName(name.second);
    actEditItem->setText(S("Edit sample template (F6)"));
    actSaveItem->setText(S("Save changes (F7)"));
    actAbandonItem->setText(S("Abandon changes"));
    buildSidePanel({actEditItem, actSaveItem, actSaveWithoutValidating, actAbandonItem});
    // The side panel's captions are bold where the settings ask for bold buttons.
    if (Maindm && Maindm->AppBoldButtons()) {
        QFont bold = RzPanel1->font();
        bold.setBold(true);
        RzPanel1->setFont(bold);
    }

    buildHeader();
    lblSampleType = addSampleTypePanel(pnlSampleType);
    resize(1000, 640);
}

SampleTemplateEditForm::~SampleTemplateEditForm()
{
    // The list goes before the connection of the form's transaction.
    delete qryTemplateGroups_;
}

// ------------------------------------------------------------------------------------------------
// Opening

void SampleTemplateEditForm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    bool create = false;
    QString uuid;
    if (auto *defaults = dynamic_cast<TSampleTemplateEditFrmDefaults *>(DefaultInfo.get())) {
        create = defaults->CreateSample;
        uuid = defaults->Uuid;
    }
    SampleEditorBase::InitialiseDefaults(std::move(DefaultInfo));
    if (qryTemplateGroups_->isOpen())
        qryTemplateGroups_->close();
    // The drop-downs offer the pick lists as they are now; the entries stay free text. Filled before
    // the row is read, so that each shows the row's own text.
    for (const auto &list : std::as_const(m_pickLists)) {
        list.first->clear();
        if (pickListSource())
            list.first->addItems(pickListSource()(list.second));
    }
    OpenSample(create, create ? QString() : uuid, NoSuchTemplateMessage(uuid));
    setWindowTitle(CaptionWithRunMode(create ? m_template.newCaption : m_template.detailsCaption, Maindm->RunMode()));

    UpdateActions();
    rgAnalysisTypeChange();
    if (m_template.groupList) {
        qryTemplateGroups_->open();
        qryTemplateGroups_->fetchAll();
    }
    focusFirstOnPage(PageControl->widget(0));
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

// ------------------------------------------------------------------------------------------------
// Building

QWidget *SampleTemplateEditForm::addPage(const char *name, const QString &title)
{
    QWidget *page = newPage(name);
    PageControl->addTab(page, title);
    return page;
}

void SampleTemplateEditForm::buildAdminPage(const QString &analysisTypeCaption, const QStringList &analysisTypeItems,
                                            const QString &premisesTypeSource,
                                            const std::function<void(QFormLayout *, QWidget *)> &addCodes)
{
    QWidget *tab = addPage("tabAdmin", S("Admin"));
    auto *page = new QVBoxLayout(tab);
    grpGeneral = new QGroupBox(S("General"), tab);
    grpGeneral->setObjectName(S("grpGeneral"));
    grpGeneral->setFocusPolicy(Qt::ClickFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);
    const bool food = Personality() != Varnex::PersonalityAnimalFeed;
    // The food template's captions end in a colon, the feed template's do not.
    const auto text = [food](const char *caption) { return food ? S(caption) + QLatin1Char(':') : S(caption); };

    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, S("ANALYSIS_TYPE"));
    rgAnalysisType->setObjectName(S("rgAnalysisType"));
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems(analysisTypeItems, {S("M"), S("C")});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, S("ANALYSIS_TYPE"), [this]() { rgAnalysisTypeChange(); });
    left->addRow(caption(grpGeneral, analysisTypeCaption, rgAnalysisType), rgAnalysisType);

    businessIdEdit(grpGeneral);
    left->addRow(caption(grpGeneral, text("Business ID"), edtBusinessId), edtBusinessId);
    edtPremisesName = bound<TzqcxDBTextEdit>(grpGeneral, S("PREMISES_NAME"));
    edtPremisesName->setObjectName(S("edtPremisesName"));
    left->addRow(caption(grpGeneral, text("Premises Name"), edtPremisesName), edtPremisesName);
    TzqcxDBTextEdit **addresses[] = {&edtAddress1, &edtAddress2, &edtAddress3, &edtAddress4};
    for (int i = 0; i < 4; ++i) {
        *addresses[i] = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_ADDR_%1").arg(i + 1));
        (*addresses[i])->setObjectName(S("edtAddress%1").arg(i + 1));
        const QString label = S("Address %1").arg(i + 1) + (food ? S(":") : QString());
        left->addRow(caption(grpGeneral, label, *addresses[i]), *addresses[i]);
    }
    edtPostCode = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_POSTCODE"));
    edtPostCode->setObjectName(S("edtPostCode"));
    edtPostCode->SetUpperCase(true);
    edtPostCode->setMaximumWidth(110);
    left->addRow(caption(grpGeneral, text("Post Code"), edtPostCode), row(grpGeneral, {edtPostCode}));

    auto *right = formLayout();
    cmbPremisesType = lookup(grpGeneral, S("PREMISES_TYPE__CODE"), premisesTypeSource);
    cmbPremisesType->setObjectName(S("cmbPremisesType"));
    lblPremisesType = caption(grpGeneral, food ? S("Varnex Premises type") : S("PremisesType"), cmbPremisesType);
    lblPremisesType->setObjectName(S("lblPremisesType"));
    right->addRow(lblPremisesType, cmbPremisesType);
    addCodes(right, grpGeneral);
    cmbOfficer = formList(grpGeneral, S("SAMPLE_OFFICER__CODE"), qrySampleOfficer_, S("NAME"));
    cmbOfficer->setObjectName(S("cmbOfficer"));
    right->addRow(caption(grpGeneral, text("Sample Officer"), cmbOfficer), cmbOfficer);
    cmbOffice = formList(grpGeneral, S("LOCAL_AUTH_OFFICE__CODE"), qryLocalAuthOffice_, S("DESCRIPTION"));
    cmbOffice->setObjectName(S("cmbOffice"));
    right->addRow(caption(grpGeneral, text("Office"), cmbOffice), cmbOffice);
    page->addWidget(grpGeneral);

    // The template's own entries.
    auto *own = new QGroupBox(S("Template"), tab);
    own->setObjectName(S("grpTemplate"));
    auto *ownForm = formLayout(own);
    cmbTemplateGroup = bound<TzqcxDBLookupComboBox>(own, S("PARENT_ID"));
    cmbTemplateGroup->setObjectName(S("cmbTemplateGroup"));
    cmbTemplateGroup->SetListSource(qryTemplateGroups_, S("UNIQUE_ID"), S("TEMPLATE_DESCRIPTION"));
    QLabel *groupCaption = caption(own, S("Template group"), cmbTemplateGroup);
    ownForm->addRow(groupCaption, cmbTemplateGroup);
    // Groups are kept from the group list; the template's editor does not offer them.
    cmbTemplateGroup->setVisible(false);
    groupCaption->setVisible(false);
    edtTemplateDescription = bound<TzqcxDBTextEdit>(own, S("TEMPLATE_DESCRIPTION"));
    edtTemplateDescription->setObjectName(S("edtTemplateDescription"));
    ownForm->addRow(caption(own, S("Template description"), edtTemplateDescription), edtTemplateDescription);
    chkUpdatePremises = checkBox(own, S("UPDATE_PREMISES_FROM_LOOKUP"), S("Update premises when creating sample"));
    chkUpdatePremises->setObjectName(S("chkUpdatePremises"));
    ownForm->addRow(QString(), chkUpdatePremises);

    columns->addLayout(left, 1);
    auto *divider = new QFrame(grpGeneral);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    columns->addWidget(divider);
    columns->addLayout(right, 1);
    page->addWidget(own);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, false, true, true));
}

void SampleTemplateEditForm::buildAnalysisGroup(QWidget *page, QLayout *layout)
{
    auto *analysis = new QGroupBox(S("Analysis"), page);
    analysis->setObjectName(S("grpAnalysis"));
    auto *form = formLayout(analysis);
    cmbLaboratory = lookup(analysis, S("LABORATORY__CODE"), S("srcLaboratoryFiltered"));
    cmbLaboratory->setObjectName(S("cmbLaboratory"));
    form->addRow(caption(analysis, S("Laboratory:"), cmbLaboratory), cmbLaboratory);
    cmbRoutineAnalysis = yesNo(analysis, S("ROUTINE_ANALYSIS"));
    cmbRoutineAnalysis->setObjectName(S("cmbRoutineAnalysis"));
    btnAnalysisBuilder = actionButton(actAnalysisBuilder, actAnalysisBuilder->text(), analysis);
    btnAnalysisBuilder->setObjectName(S("btnAnalysisBuilder"));
    QLabel *routine = caption(analysis, S("Routine (or as defined by the laboratory) analysis required?"), cmbRoutineAnalysis);
    routine->setWordWrap(true);
    routine->setMinimumWidth(260);
    form->addRow(routine, row(analysis, {cmbRoutineAnalysis, new QLabel(S("(YES/NO)")), btnAnalysisBuilder}));
    memAnalysisText = bound<TzqcxDBMemo>(analysis, S("ANALYSIS_TEXT"));
    memAnalysisText->setObjectName(S("memAnalysisText"));
    memAnalysisText->setTabChangesFocus(true);
    memAnalysisText->setFixedHeight(memAnalysisText->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(caption(analysis, S("Analysis required"), memAnalysisText), memAnalysisText);
    layout->addWidget(analysis);

    auto *comments = new QGroupBox(S("Additional Information - including contract code"), page);
    comments->setObjectName(S("grpComments"));
    auto *commentsLayout = new QVBoxLayout(comments);
    memComments = bound<TzqcxDBMemo>(comments, S("SAMPLE_COMMENTS"));
    memComments->setObjectName(S("memComments"));
    memComments->setTabChangesFocus(true);
    memComments->setMinimumHeight(memComments->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memComments);
    layout->addWidget(comments);
}

TzqcxDBRadioGroup *SampleTemplateEditForm::reasonRadio(QWidget *parent, const QString &title, const QStringList &captions)
{
    auto *radio = bound<TzqcxDBRadioGroup>(parent, S("REASON__CODE"));
    radio->setObjectName(S("rgReason"));
    radio->setTitle(title);
    lineUp(radio);
    radio->SetItems(captions, {S("E"), S("S")});
    qobject_cast<QHBoxLayout *>(radio->layout())->addStretch(1);
    radio->layout()->setSpacing(40);
    watchRadioChange(radio, S("REASON__CODE"), [this]() { rgReasonChange(); });
    return radio;
}

TzqcxDBCheckBox *SampleTemplateEditForm::checkBox(QWidget *parent, const QString &field, const QString &text)
{
    auto *box = bound<TzqcxDBCheckBox>(parent, field);
    box->setText(text);
    connect(box, &QCheckBox::clicked, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return box;
}

// ------------------------------------------------------------------------------------------------
// State and view

void SampleTemplateEditForm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource, S("Code"), S("Description"));
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel);
    setListSource(cmbCountry, state.countrySource, S("Name"), QString());
    lblSampleType->setText(state.analysisTypeCaption);
    enableWithLabel(edtIndexNumber, state.indexNumber);
    enableWithLabel(cmbSurveyBody, state.surveyBodyAndReference);
    enableWithLabel(edtSurveyRef, state.surveyBodyAndReference);
    enableWithLabel(edtOtherCondition, state.otherCondition);
    enableWithLabel(edtQuantity, state.quantityAndUnits);
    enableWithLabel(cmbPackUnits, state.quantityAndUnits);
    if (state.analysisText) {
        enableWithLabel(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText && HasAnalysisBuilder());
    }
    actAnalysisBuilder->setToolTip(HasAnalysisBuilder() ? QString() : TIBCompatibleBaseMaintfrm::NotAvailableText());
}

void SampleTemplateEditForm::UpdateActions()
{
    const bool editing = Editing();
    const bool hasRow = qryData_->isActive() && !qryData_->isEmpty();
    actEditItem->setEnabled(hasRow && !editing);
    actSaveItem->setEnabled(editing);
    actSaveWithoutValidating->setEnabled(editing);
    actAbandonItem->setEnabled(editing);
    const bool pickable = hasRow && (editing || m_template.pickStartsEditing);
    actPickPremises->setEnabled(pickable);
    edtBusinessId->Button()->setEnabled(pickable);
}

AnalysisSelection SampleTemplateEditForm::AnalysisBuilderSelection() const
{
    if (Personality() != Varnex::PersonalityAnimalFeed || !qryData_->isActive())
        return AnalysisSelection::abAll;
    const QString category = qryData_->text(S("CATEGORY__CODE"));
    if (category == QLatin1String("50"))
        return AnalysisSelection::abCompoundFeeds;
    if (category == QLatin1String("51"))
        return AnalysisSelection::abFeedMaterials;
    return AnalysisSelection::abAll;
}

// ------------------------------------------------------------------------------------------------
// The save and the handlers

bool SampleTemplateEditForm::SaveSample(bool validate)
{
    // A text typed and not yet left is part of what is saved; one that cannot be read stops the
    // save, shown for correction.
    try {
        TzqcxDBEditorBase::RequireReadableEntries(this);
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
    if (!Editing())
        return false;
    SetDoValidation(validate);
    try {
        if (validate) {
            // The engine with the template's profile: it has no rules, so nothing is refused.
            FocusController->ClearInvalidEntryList();
            const ValidationOutcome outcome = runRules(templateEditorProfile(), DataSetRow(*qryData_), viewContext());
            for (const RuleFailure &failure : outcome.failures())
                FocusController->AddControlToInvalidList(TargetControl(failure.target), failure.message);
            FocusController->RaiseValidatationErrors();
            if (!outcome.isValid())
                throw VarnexError(NotAllValidMessage);
        }
        DataSetRow row(*qryData_);
        qryData_BeforePost(row);
        qryData_->post();
        return true;
    } catch (const VarnexError &e) {
        // The row stays in edit mode with every edit; the officer sees why.
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
}

void SampleTemplateEditForm::rgAnalysisTypeChange()
{
    const QString type = qryData_->isActive() ? qryData_->text(S("ANALYSIS_TYPE")) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        applyTemplateAnalysisType(row, NewSampleSettings::fromSettings(*Maindm, Personality()));
    }
    lblSampleType->setText(type == QLatin1String("M") ? S("Micro") : type == QLatin1String("C") ? S("Chemical") : QString());
    VerifyAll();
}

QString SampleTemplateEditForm::searchPremises(const QString &currentCode)
{
    return premisesPicker() ? premisesPicker()(Personality(), currentCode) : pickFromPremisesList(Personality(), currentCode);
}

void SampleTemplateEditForm::takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises)
{
    applyTemplatePremises(row, code, premises, Personality(), viewContext());
}
