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

using namespace Qt::StringLiterals;

using namespace SampleEditorLayout;

namespace {

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
    return u"There is no sample template with the identity %1 in the local store; it may have been removed "
           u"by a synchronisation. Nothing was opened."_s
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
    kind.officerFlagColumn = feed ? u"FLAG_FEED"_s : u"FLAG_FOOD"_s;
    kind.officesOfSampleAuthority = feed;
    kind.premisesTable = feed ? u"PREMISES_DETAIL_ANIMAL_FEED"_s : u"PREMISES_DETAIL"_s;
    kind.premisesColumns = {u"CODE"_s, u"PREMISES_NAME"_s, u"BUSINESS_ADDR_1"_s, u"BUSINESS_ADDR_2"_s,
                            u"BUSINESS_ADDR_3"_s, u"BUSINESS_ADDR_4"_s, u"BUSINESS_POSTCODE"_s,
                            u"RISK_CATEGORY__CODE"_s, u"PREMISES_TYPE__CODE"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s};
    kind.headingColour = feed ? QColor(234, 255, 230) : QColor(202, 203, 251);
    kind.heading = heading;
    return kind;
}

SampleTemplateEditForm::SampleTemplateEditForm(QObject *AOwner, SampleEditorKindInfo kind, TemplateKind templateKind)
    : SampleEditorBase(AOwner, std::move(kind)), m_template(std::move(templateKind))
{
    setWindowTitle(m_template.caption);
    // The template row: no code, no status; written as it is, committed at once.
    qryData_->setSql(u"SELECT %1 FROM SAMPLE_TEMPLATE WHERE UNIQUE_UUID = :sampleUuid"_s.arg(m_template.columns));
    qryData_->setUpdateTable(u"SAMPLE_TEMPLATE"_s, {u"UNIQUE_UUID"_s});
    qryData_->setRequiredFields({u"UNIQUE_UUID"_s});
    qryData_->aroundWrite = nullptr;
    qryData_->onNewRecord = [this](SqlDataSet &data) {
        DataSetRow row(data);
        MaindmTemplateServices services(*Maindm);
        initialiseNewTemplate(row, NewSampleSettings::fromSettings(*Maindm, Personality()), services,
                              Clock::instance().now());
    };

    qryTemplateGroups_ = new GridModel(LocalDatabase(),
                                       u"SELECT UNIQUE_UUID, UNIQUE_ID, TEMPLATE_DESCRIPTION FROM SAMPLE_TEMPLATE "
                                       u"WHERE PARENT_ID = -1 AND RECORD_TYPE = :recordType AND FLAG_DELETED = 'F'"_s,
                                       u"UNIQUE_UUID"_s, this);
    qryTemplateGroups_->setObjectName(u"qryTemplateGroups_"_s);
    qryTemplateGroups_->setParam(u"recordType"_s, Personality());
    qryTemplateGroups_->setSort({{u"TEMPLATE_DESCRIPTION"_s, Qt::AscendingOrder}});

    // The side panel under the template editors' names and captions.
    actEditItem = actEdit;
    actSaveItem = actPost;
    actSaveWithoutValidating = actSaveWithoutValidation;
    actAbandonItem = actCancel;
    actPreviousPage = actPriorPage;
    const QList<QPair<QAction *, QString>> names = {
        {actEditItem, u"actEditItem"_s}, {actSaveItem, u"actSaveItem"_s},
        {actSaveWithoutValidating, u"actSaveWithoutValidating"_s}, {actAbandonItem, u"actAbandonItem"_s},
        {actPreviousPage, u"actPreviousPage"_s}};
    for (const auto &name : names)
        name.first->setObjectName(name.second);
    actEditItem->setText(u"Edit sample template (F6)"_s);
    actSaveItem->setText(u"Save changes (F7)"_s);
    actAbandonItem->setText(u"Abandon changes"_s);
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
    QWidget *tab = addPage("tabAdmin", u"Admin"_s);
    auto *page = new QVBoxLayout(tab);
    grpGeneral = new QGroupBox(u"General"_s, tab);
    grpGeneral->setObjectName(u"grpGeneral"_s);
    grpGeneral->setFocusPolicy(Qt::ClickFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);
    const bool food = Personality() != Varnex::PersonalityAnimalFeed;
    // The food template's captions end in a colon, the feed template's do not.
    const auto text = [food](const QString &caption) { return food ? caption + QLatin1Char(':') : caption; };

    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, u"ANALYSIS_TYPE"_s);
    rgAnalysisType->setObjectName(u"rgAnalysisType"_s);
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems(analysisTypeItems, {u"M"_s, u"C"_s});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, u"ANALYSIS_TYPE"_s, [this]() { rgAnalysisTypeChange(); });
    left->addRow(caption(grpGeneral, analysisTypeCaption, rgAnalysisType), rgAnalysisType);

    businessIdEdit(grpGeneral);
    left->addRow(caption(grpGeneral, text(u"Business ID"_s), edtBusinessId), edtBusinessId);
    edtPremisesName = bound<TzqcxDBTextEdit>(grpGeneral, u"PREMISES_NAME"_s);
    edtPremisesName->setObjectName(u"edtPremisesName"_s);
    left->addRow(caption(grpGeneral, text(u"Premises Name"_s), edtPremisesName), edtPremisesName);
    TzqcxDBTextEdit **addresses[] = {&edtAddress1, &edtAddress2, &edtAddress3, &edtAddress4};
    for (int i = 0; i < 4; ++i) {
        *addresses[i] = bound<TzqcxDBTextEdit>(grpGeneral, u"BUSINESS_ADDR_%1"_s.arg(i + 1));
        (*addresses[i])->setObjectName(u"edtAddress%1"_s.arg(i + 1));
        const QString label = u"Address %1"_s.arg(i + 1) + (food ? u":"_s : QString());
        left->addRow(caption(grpGeneral, label, *addresses[i]), *addresses[i]);
    }
    edtPostCode = bound<TzqcxDBTextEdit>(grpGeneral, u"BUSINESS_POSTCODE"_s);
    edtPostCode->setObjectName(u"edtPostCode"_s);
    edtPostCode->SetUpperCase(true);
    edtPostCode->setMaximumWidth(110);
    left->addRow(caption(grpGeneral, text(u"Post Code"_s), edtPostCode), row(grpGeneral, {edtPostCode}));

    auto *right = formLayout();
    cmbPremisesType = lookup(grpGeneral, u"PREMISES_TYPE__CODE"_s, premisesTypeSource);
    cmbPremisesType->setObjectName(u"cmbPremisesType"_s);
    lblPremisesType = caption(grpGeneral, food ? u"Varnex Premises type"_s : u"PremisesType"_s, cmbPremisesType);
    lblPremisesType->setObjectName(u"lblPremisesType"_s);
    right->addRow(lblPremisesType, cmbPremisesType);
    addCodes(right, grpGeneral);
    cmbOfficer = formList(grpGeneral, u"SAMPLE_OFFICER__CODE"_s, qrySampleOfficer_, u"NAME"_s);
    cmbOfficer->setObjectName(u"cmbOfficer"_s);
    right->addRow(caption(grpGeneral, text(u"Sample Officer"_s), cmbOfficer), cmbOfficer);
    cmbOffice = formList(grpGeneral, u"LOCAL_AUTH_OFFICE__CODE"_s, qryLocalAuthOffice_, u"DESCRIPTION"_s);
    cmbOffice->setObjectName(u"cmbOffice"_s);
    right->addRow(caption(grpGeneral, text(u"Office"_s), cmbOffice), cmbOffice);
    page->addWidget(grpGeneral);

    // The template's own entries.
    auto *own = new QGroupBox(u"Template"_s, tab);
    own->setObjectName(u"grpTemplate"_s);
    auto *ownForm = formLayout(own);
    cmbTemplateGroup = bound<TzqcxDBLookupComboBox>(own, u"PARENT_ID"_s);
    cmbTemplateGroup->setObjectName(u"cmbTemplateGroup"_s);
    cmbTemplateGroup->SetListSource(qryTemplateGroups_, u"UNIQUE_ID"_s, u"TEMPLATE_DESCRIPTION"_s);
    QLabel *groupCaption = caption(own, u"Template group"_s, cmbTemplateGroup);
    ownForm->addRow(groupCaption, cmbTemplateGroup);
    // Groups are kept from the group list; the template's editor does not offer them.
    cmbTemplateGroup->setVisible(false);
    groupCaption->setVisible(false);
    edtTemplateDescription = bound<TzqcxDBTextEdit>(own, u"TEMPLATE_DESCRIPTION"_s);
    edtTemplateDescription->setObjectName(u"edtTemplateDescription"_s);
    ownForm->addRow(caption(own, u"Template description"_s, edtTemplateDescription), edtTemplateDescription);
    chkUpdatePremises = checkBox(own, u"UPDATE_PREMISES_FROM_LOOKUP"_s, u"Update premises when creating sample"_s);
    chkUpdatePremises->setObjectName(u"chkUpdatePremises"_s);
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
    auto *analysis = new QGroupBox(u"Analysis"_s, page);
    analysis->setObjectName(u"grpAnalysis"_s);
    auto *form = formLayout(analysis);
    cmbLaboratory = lookup(analysis, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s);
    cmbLaboratory->setObjectName(u"cmbLaboratory"_s);
    form->addRow(caption(analysis, u"Laboratory:"_s, cmbLaboratory), cmbLaboratory);
    cmbRoutineAnalysis = yesNo(analysis, u"ROUTINE_ANALYSIS"_s);
    cmbRoutineAnalysis->setObjectName(u"cmbRoutineAnalysis"_s);
    btnAnalysisBuilder = actionButton(actAnalysisBuilder, actAnalysisBuilder->text(), analysis);
    btnAnalysisBuilder->setObjectName(u"btnAnalysisBuilder"_s);
    QLabel *routine = caption(analysis, u"Routine (or as defined by the laboratory) analysis required?"_s, cmbRoutineAnalysis);
    routine->setWordWrap(true);
    routine->setMinimumWidth(260);
    form->addRow(routine, row(analysis, {cmbRoutineAnalysis, new QLabel(u"(YES/NO)"_s), btnAnalysisBuilder}));
    memAnalysisText = bound<TzqcxDBMemo>(analysis, u"ANALYSIS_TEXT"_s);
    memAnalysisText->setObjectName(u"memAnalysisText"_s);
    memAnalysisText->setTabChangesFocus(true);
    memAnalysisText->setFixedHeight(memAnalysisText->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(caption(analysis, u"Analysis required"_s, memAnalysisText), memAnalysisText);
    layout->addWidget(analysis);

    auto *comments = new QGroupBox(u"Additional Information - including contract code"_s, page);
    comments->setObjectName(u"grpComments"_s);
    auto *commentsLayout = new QVBoxLayout(comments);
    memComments = bound<TzqcxDBMemo>(comments, u"SAMPLE_COMMENTS"_s);
    memComments->setObjectName(u"memComments"_s);
    memComments->setTabChangesFocus(true);
    memComments->setMinimumHeight(memComments->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memComments);
    layout->addWidget(comments);
}

TzqcxDBRadioGroup *SampleTemplateEditForm::reasonRadio(QWidget *parent, const QString &title, const QStringList &captions)
{
    auto *radio = bound<TzqcxDBRadioGroup>(parent, u"REASON__CODE"_s);
    radio->setObjectName(u"rgReason"_s);
    radio->setTitle(title);
    lineUp(radio);
    radio->SetItems(captions, {u"E"_s, u"S"_s});
    qobject_cast<QHBoxLayout *>(radio->layout())->addStretch(1);
    radio->layout()->setSpacing(40);
    watchRadioChange(radio, u"REASON__CODE"_s, [this]() { rgReasonChange(); });
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
    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel);
    setListSource(cmbCountry, state.countrySource, u"Name"_s, QString());
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
    const QString category = qryData_->text(u"CATEGORY__CODE"_s);
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
    const QString type = qryData_->isActive() ? qryData_->text(u"ANALYSIS_TYPE"_s) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        applyTemplateAnalysisType(row, NewSampleSettings::fromSettings(*Maindm, Personality()));
    }
    lblSampleType->setText(type == QLatin1String("M") ? u"Micro"_s : type == QLatin1String("C") ? u"Chemical"_s : QString());
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
