#include "samples/ui/SampleEditAnimalFeeds_FRM.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "samples/ui/AFAnalysisBuilderV2_FRM.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"

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

SampleEditorKindInfo animalFeedEditor()
{
    SampleEditorKindInfo kind;
    kind.personality = Varnex::PersonalityAnimalFeed;
    kind.rules = SampleEditorKind::AnimalFeed;
    kind.verify = VerifyAllOptions::animalFeedSample();
    kind.categoryLevels = AnimalFeedCategoryLevels;
    kind.officerFlagColumn = u"FLAG_FEED"_s;
    kind.officesOfSampleAuthority = true;
    kind.premisesTable = u"PREMISES_DETAIL_ANIMAL_FEED"_s;
    kind.premisesColumns = {u"CODE"_s, u"PREMISES_NAME"_s, u"BUSINESS_ADDR_1"_s, u"BUSINESS_ADDR_2"_s,
                            u"BUSINESS_ADDR_3"_s, u"BUSINESS_ADDR_4"_s, u"BUSINESS_POSTCODE"_s,
                            u"RISK_CATEGORY__CODE"_s, u"PREMISES_TYPE__CODE"_s, u"REGISTRATION_NUMBER"_s};
    // The personality colour of a feed form's heading (15138794 as the Windows colour value).
    kind.headingColour = QColor(0xEA, 0xFF, 0xE6);
    kind.heading = u"  Animal feeds sample"_s;
    return kind;
}

// The statuses in which a feed sample is only viewed until an amending action puts it into edit.
bool viewedOnly(const QString &status)
{
    return status == SampleStatus::Complete || status == SampleStatus::Exported || status == SampleStatus::Cancelled;
}

} // namespace

// ------------------------------------------------------------------------------------------------
// Opening

QString TSampleEditAnimalFeedsFrm::NoSuchSampleMessage(const QString &uuid)
{
    return u"There is no animal feed sample with the identity %1 in the local store; nothing was opened."_s.arg(uuid);
}

void TSampleEditAnimalFeedsFrm::ShowEditor(QObject *owner, std::unique_ptr<TSampleEditAnimalFeedsFrmDefaults> defaults,
                                           const QString &key)
{
    try {
        TBasefrm::CreateAndShow<TSampleEditAnimalFeedsFrm>(key, owner, true, std::move(defaults));
    } catch (...) {
        // An editor that could not be opened is not kept under its key.
        delete dynamic_cast<TSampleEditAnimalFeedsFrm *>(TBasefrm::FindForm(owner, key));
        throw;
    }
}

TSampleEditAnimalFeedsFrm::TSampleEditAnimalFeedsFrm(QObject *AOwner) : SampleEditorBase(AOwner, animalFeedEditor())
{
    setObjectName(u"SampleEditAnimalFeedsFrm"_s);
    setWindowTitle(u"Animal Feeds Sample"_s);

    actAnalysisBuilder->setText(u"Analysis builder"_s);
    actUseMainAddress = makeAction("actUseMainAddress", u"Use main address"_s);
    connect(actUseMainAddress, &QAction::triggered, this, [this]() { Guarded([this]() { actUseMainAddressExecute(); }); });
    buildSidePanel({actEdit, actPost, actSaveWithoutValidation, actCancel});
    buildHeader();

    buildPages(SampleFields::animalFeedSampleFields());
    resize(1080, 700);
}

TSampleEditAnimalFeedsFrm::~TSampleEditAnimalFeedsFrm() = default;

void TSampleEditAnimalFeedsFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    bool create = false;
    QString uuid;
    if (auto *defaults = dynamic_cast<TSampleEditAnimalFeedsFrmDefaults *>(DefaultInfo.get())) {
        create = defaults->CreateSample;
        uuid = defaults->Uuid;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    setWindowTitle(OpenSample(create, uuid, NoSuchSampleMessage(uuid)));
    fillPickLists();

    m_readOnly = !Editing() && viewedOnly(qryData_->text(u"SAMPLE_STATUS__CODE"_s));
    qryData_->setAutoEdit(!m_readOnly);
    UpdateActions();

    focusFirstOnPage(tabAdmin);
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

// ------------------------------------------------------------------------------------------------
// State and view

void TSampleEditAnimalFeedsFrm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    if (!state.sampleTypeSource.isEmpty())
        setListSource(cmbSampleType, state.sampleTypeSource, u"Code"_s, u"Description"_s);
    showCategoryState();
}

void TSampleEditAnimalFeedsFrm::UpdateActions()
{
    const bool editing = Editing();
    const bool hasSample = qryData_->isActive() && !qryData_->isEmpty();
    actEdit->setEnabled(hasSample && !editing && !m_readOnly);
    actPost->setEnabled(editing);
    actCancel->setEnabled(editing);
    // Offered for a sent sample too; the save then keeps a delivered sample's status.
    actSaveWithoutValidation->setEnabled(editing);
    const bool changeable = hasSample && (editing || qryData_->autoEdit());
    actPickPremises->setEnabled(changeable);
    edtBusinessId->Button()->setEnabled(changeable);
    // Amends a read-only sample as well.
    actUseMainAddress->setEnabled(hasSample);
}

// ------------------------------------------------------------------------------------------------
// Saving and actions

QString TSampleEditAnimalFeedsFrm::statusForSave(const QString &stored, bool validated) const
{
    return statusAfterSave(stored, validated ? SampleSave::WithValidation : SampleSave::WithoutValidation, true);
}

void TSampleEditAnimalFeedsFrm::checkBeforeWrite()
{
    if (qryData_->text(u"LOCAL_AUTH_OFFICE__CODE"_s).isEmpty()) {
        PageControl->setCurrentWidget(tabAdmin);
        cmbOffice->setFocus(Qt::OtherFocusReason);
        throw VarnexError(OfficeRequiredMessage());
    }
}

QString TSampleEditAnimalFeedsFrm::searchPremises(const QString &currentCode)
{
    auto defaults = std::make_unique<TAFPremisesDetailMaintV5FrmDrefaults>();
    defaults->OpenMode = mmoBrowse;
    defaults->AllowEdit = false;
    defaults->InitialBookmark = TAFPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
    return TIBCompatibleBaseMaintfrm::SearchForCode<TAFPremisesDetailMaintV5Frm>(std::move(defaults));
}

void TSampleEditAnimalFeedsFrm::actUseMainAddressExecute()
{
    ensureEditing();
    DataSetRow row(*qryData_);
    useMainAddress(row);
}

std::optional<QString> TSampleEditAnimalFeedsFrm::editAnalysisText(const QString &current)
{
    return TAFAnalysisBuilderV2frm::Edit(this, current);
}
