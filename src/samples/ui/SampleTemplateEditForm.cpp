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
    addFormList(qryTemplateGroups_, u"UNIQUE_ID"_s, u"TEMPLATE_DESCRIPTION"_s);

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
    for (const auto &[combo, name] : pickLists()) {
        combo->clear();
        if (pickListSource())
            combo->addItems(pickListSource()(name));
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
// State and view

void SampleTemplateEditForm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel);
    lblSampleType->setText(state.analysisTypeCaption);
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
    if (!typedEntriesReadable() || !Editing())
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
