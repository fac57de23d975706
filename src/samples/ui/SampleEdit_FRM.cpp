#include "samples/ui/SampleEdit_FRM.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "samples/ui/AnalysisBuilder_FRM.h"
#include "samples/ui/SampleLabelInfo_FRM.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"

#include <QApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

SampleEditorKindInfo foodEditor()
{
    SampleEditorKindInfo kind;
    kind.personality = Varnex::PersonalityFood;
    kind.rules = SampleEditorKind::Food;
    kind.verify = VerifyAllOptions::foodSample();
    kind.categoryLevels = FoodCategoryLevels;
    kind.officerFlagColumn = u"FLAG_FOOD"_s;
    kind.officesOfSampleAuthority = false;
    kind.premisesTable = u"PREMISES_DETAIL"_s;
    kind.premisesColumns = {u"UNIQUE_UUID"_s, u"CODE"_s, u"PREMISES_NAME"_s, u"BUSINESS_ADDR_1"_s, u"BUSINESS_ADDR_2"_s,
                            u"BUSINESS_ADDR_3"_s, u"BUSINESS_ADDR_4"_s, u"BUSINESS_POSTCODE"_s, u"RISK_CATEGORY__CODE"_s,
                            u"PREMISES_TYPE__CODE"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s};
    // The personality colour of a food form's heading.
    kind.headingColour = QColor(202, 203, 251);
    kind.heading = u"  Food sample"_s;
    return kind;
}

} // namespace

// ------------------------------------------------------------------------------------------------
// Opening

QString TSampleEditFrm::NoSuchSampleMessage(const QString &uuid)
{
    return u"There is no food sample with the identity %1 in the local store; nothing was opened."_s.arg(uuid);
}

void TSampleEditFrm::ShowEditor(QObject *owner, std::unique_ptr<TSampleEditFrmDefaults> defaults)
{
    try {
        TBasefrm::CreateAndShow<TSampleEditFrm>(FormKey(), owner, true, std::move(defaults));
    } catch (...) {
        // An editor that could not be opened is not kept under its key.
        delete dynamic_cast<TSampleEditFrm *>(TBasefrm::FindForm(owner, FormKey()));
        throw;
    }
}

TSampleEditFrm::TSampleEditFrm(QObject *AOwner) : SampleEditorBase(AOwner, foodEditor())
{
    setObjectName(u"SampleEditFrm"_s);
    setWindowTitle(u"Sample Details."_s);

    actDeleteSample = makeAction("actDeleteSample", u"Delete Sample"_s);
    actNewSample = makeAction("actNewSample", u"New Sample (F5)"_s);
    actLabelling = makeAction("actLabelling", u"Labelling"_s);
    actNotAvailable = makeAction("actNotAvailable", u"Not available"_s);
    // Never offered by this editor.
    actDeleteSample->setVisible(false);
    actNewSample->setEnabled(false);
    actNewSample->setVisible(false);
    // Enabled by the view rules.
    actLabelling->setEnabled(false);
    connect(actNotAvailable, &QAction::triggered, this, [this]() { Guarded([this]() { actNotAvailableExecute(); }); });
    connect(actLabelling, &QAction::triggered, this, [this]() { Guarded([this]() { actLabellingExecute(); }); });
    buildSidePanel({actEdit, actPost, actSaveWithoutValidation, actCancel, actDeleteSample});

    buildHeader();
    lblSampleType = addSampleTypePanel(pnlSampleType);

    buildPages(SampleFields::foodSampleFields());
    resize(1080, 700);
}

TSampleEditFrm::~TSampleEditFrm() = default;

void TSampleEditFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    bool create = false;
    QString uuid;
    if (auto *defaults = dynamic_cast<TSampleEditFrmDefaults *>(DefaultInfo.get())) {
        create = defaults->CreateSample;
        uuid = defaults->uuid;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    setWindowTitle(OpenSample(create, uuid, NoSuchSampleMessage(uuid)));
    fillPickLists();

    // A sent sample is changed only on purpose (Edit Sample), and never saved unvalidated.
    m_f8Withheld = Sent();
    qryData_->setAutoEdit(!m_f8Withheld);
    UpdateActions();
    rgAnalysisTypeChange();

    focusFirstOnPage(tabAdmin);
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

// ------------------------------------------------------------------------------------------------
// State and view

void TSampleEditFrm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel.toHtmlEscaped() + RequiredMark());
    lblSampleType->setText(state.analysisTypeCaption);
    // The "Sample taken from" list is required; the memo of a chemical sample is not.
    lblAdditionalInfo->setText(state.additionalInfoLabel.toHtmlEscaped() + (state.additionalInfoList ? RequiredMark() : QString()));
    edtSubCategory3->setToolTip(state.categoryHelp);
    showCategoryState();
    actLabelling->setEnabled(state.labelling);
}

void TSampleEditFrm::UpdateActions()
{
    const bool editing = Editing();
    const bool hasSample = qryData_->isActive() && !qryData_->isEmpty();
    actEdit->setEnabled(hasSample && !editing);
    actPost->setEnabled(editing);
    actCancel->setEnabled(editing);
    actSaveWithoutValidation->setEnabled(editing && !m_f8Withheld && !Sent());
    // The premises can be chosen whenever the sample can be changed: while it is being edited,
    // or when typing would put it into edit state.
    const bool changeable = hasSample && (editing || qryData_->autoEdit());
    actNotAvailable->setEnabled(changeable);
    actPickPremises->setEnabled(changeable);
    edtBusinessId->Button()->setEnabled(changeable);
}

// ------------------------------------------------------------------------------------------------
// Saving and actions

QString TSampleEditFrm::statusForSave(const QString &stored, bool validated) const
{
    return statusAfterSave(stored, validated ? SampleSave::WithValidation : SampleSave::WithoutValidation);
}

QString TSampleEditFrm::searchPremises(const QString &currentCode)
{
    auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
    defaults->OpenMode = mmoBrowse;
    defaults->AllowEdit = false;
    defaults->InitialBookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
    return TIBCompatibleBaseMaintfrm::SearchForCode<TPremisesDetailMaintV5Frm>(std::move(defaults));
}

void TSampleEditFrm::rgAnalysisTypeChange()
{
    const QString type = qryData_->isActive() ? qryData_->text(u"ANALYSIS_TYPE"_s) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        row.setText(u"LABORATORY__CODE"_s,
                    laboratoryForAnalysisType(type, Maindm->LaboratoryCodeMicro(), Maindm->LaboratoryCodeChemical()));
    }
    lblSampleType->setText(type == QLatin1String("M") ? u"Micro"_s : type == QLatin1String("C") ? u"Chemical"_s : QString());
    VerifyAll();
}

void TSampleEditFrm::actNotAvailableExecute()
{
    if (!Editing())
        qryData_->edit();
    DataSetRow row(*qryData_);
    row.setText(u"BUSINESS_ID"_s, NotAvailable);
}

std::optional<QString> TSampleEditFrm::editAnalysisText(const QString &current)
{
    return TAnalysisBuilderFrm::Edit(this, current);
}

void TSampleEditFrm::actLabellingExecute()
{
    const std::unique_ptr<TSampleLabelInfoFrmReturnInfo> label =
        TSampleLabelInfoFrm::Edit(this, qryData_->text(u"LABELLING_XML"_s));
    if (label) {
        // The officer saved the declarations: they go into the sample, which is put into edit
        // state for them rather than losing them.
        ensureEditing();
        qryData_->setValue(u"LABELLING_XML"_s, label->ReturnXML);
        qryData_->setValue(u"LABELLING_DETAILS"_s, label->ReturnText);
    }
    VerifyAll();
}
