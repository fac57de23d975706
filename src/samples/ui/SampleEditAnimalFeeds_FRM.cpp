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

using namespace SampleEditorLayout;

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

    PageControl->addTab(buildAdminPage(), u"Admin"_s);
    PageControl->addTab(buildReasonPage(), u"Reason"_s);
    PageControl->addTab(buildLabellingPage(), u"Labelling"_s);
    PageControl->addTab(buildAdditionalPage(), u"Additional"_s);
    PageControl->addTab(buildAnalysisPage(), u"Analysis"_s);
    PageControl->addTab(buildAttachmentsPage(tabAttachments), u"Attachments"_s);
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
    fillPickLists({{cmbFeedName, u"FeedName"_s}, {cmbFeedDescription, u"FeedDescription"_s},
                   {cmbImporter, u"FeedImporter"_s}, {cmbSurveyRef, u"FeedSurveyReference"_s}});

    m_readOnly = !Editing() && viewedOnly(qryData_->text(u"SAMPLE_STATUS__CODE"_s));
    qryData_->setAutoEdit(!m_readOnly);
    UpdateActions();

    focusFirstOnPage(tabAdmin);
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

// ------------------------------------------------------------------------------------------------
// Building

QWidget *TSampleEditAnimalFeedsFrm::buildAdminPage()
{
    tabAdmin = newPage("tabAdmin");
    auto *page = new QVBoxLayout(tabAdmin);
    grpGeneral = new QGroupBox(u"General"_s, tabAdmin);
    grpGeneral->setObjectName(u"grpGeneral"_s);
    grpGeneral->setFocusPolicy(Qt::NoFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    auto *left = formLayout();
    edtLASampleNo = bound<TzqcxDBTextEdit>(grpGeneral, u"LA_SAMPLENO"_s);
    edtLASampleNo->setObjectName(u"edtLASampleNo"_s);
    left->addRow(caption(grpGeneral, u"Sample Number"_s, edtLASampleNo, true), edtLASampleNo);
    edtCode = bound<TzqcxDBTextEdit>(grpGeneral, u"CODE"_s);
    edtCode->setObjectName(u"edtCode"_s);
    showReadOnly(edtCode);
    left->addRow(caption(grpGeneral, u"National Ref:"_s, edtCode), edtCode);
    addOfficeRows(left, grpGeneral, u"Sample Officer:"_s);
    addSampleDateRows(left, grpGeneral, u"Time (24 hr)"_s);
    addCostRows(left, grpGeneral);

    auto *right = formLayout();
    businessIdEdit(grpGeneral);
    right->addRow(caption(grpGeneral, u"LAEMS Business ID:"_s, edtBusinessId), edtBusinessId);
    addPremisesRows(right, grpGeneral);
    edtRegistrationNumber = bound<TzqcxDBTextEdit>(grpGeneral, u"REGISTRATION_NUMBER"_s);
    edtRegistrationNumber->setObjectName(u"edtRegistrationNumber"_s);
    right->addRow(caption(grpGeneral, u"Approval/registration number"_s, edtRegistrationNumber), edtRegistrationNumber);
    cmbRiskCategory = lookup(grpGeneral, u"RISK_CATEGORY"_s, u"srcFeedRiskCategory"_s);
    cmbRiskCategory->setObjectName(u"cmbRiskCategory"_s);
    right->addRow(caption(grpGeneral, u"Feed risk category:"_s, cmbRiskCategory), cmbRiskCategory);
    cmbPremisesType = lookup(grpGeneral, u"PREMISES_TYPE__CODE"_s, u"srcFeedPremisesType"_s);
    cmbPremisesType->setObjectName(u"cmbPremisesType"_s);
    right->addRow(caption(grpGeneral, u"PremisesType"_s, cmbPremisesType, true), cmbPremisesType);

    columns->addLayout(left, 1);
    auto *divider = new QFrame(grpGeneral);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    columns->addWidget(divider);
    columns->addLayout(right, 1);
    page->addWidget(grpGeneral);
    page->addStretch(1);
    page->addWidget(pageButtons(tabAdmin, false, true, true));
    return tabAdmin;
}

QWidget *TSampleEditAnimalFeedsFrm::buildReasonPage()
{
    tabReason = newPage("tabReason");
    auto *page = new QVBoxLayout(tabReason);
    auto *reasonGroup = new QGroupBox(u"Reason for taking sample"_s, tabReason);
    reasonGroup->setObjectName(u"grpReason"_s);
    auto *reasonLayout = new QHBoxLayout(reasonGroup);
    rgReason = bound<TzqcxDBRadioGroup>(reasonGroup, u"REASON__CODE"_s);
    rgReason->setObjectName(u"rgReason"_s);
    rgReason->setFlat(true);
    lineUp(rgReason);
    // The ampersand marks the keyboard accelerator; the stored description is the plain caption.
    rgReason->SetItems({u"&Enforcement/Investigation"_s, u"&Surveillance/Monitoring"_s}, {u"E"_s, u"S"_s});
    rgReason->layout()->setSpacing(40);
    watchRadioChange(rgReason, u"REASON__CODE"_s, [this]() { rgReasonChange(); });
    reasonLayout->addWidget(caption(reasonGroup, u"Reason for sample taken:"_s, rgReason, true));
    reasonLayout->addWidget(rgReason);
    reasonLayout->addStretch(1);
    page->addWidget(reasonGroup);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(reasonCaption(u"E"_s), tabReason);
    grpEnforcement->setObjectName(u"grpEnforcement"_s);
    auto *enforcement = formLayout(grpEnforcement);
    // One sample-type list; VerifyAll gives it the list of the chosen reason.
    cmbSampleType = lookup(grpEnforcement, u"SAMPLE_TYPE__CODE"_s, u"srcFeedSampleTypeEnforcement"_s);
    cmbSampleType->setObjectName(u"cmbSampleType"_s);
    enforcement->addRow(caption(grpEnforcement, u"Sample Type:"_s, cmbSampleType, true), cmbSampleType);
    chkFollowUp = bound<TzqcxDBCheckBox>(grpEnforcement, u"FLAG_FOLLOW_UP"_s);
    chkFollowUp->setObjectName(u"chkFollowUp"_s);
    chkFollowUp->setText(u"Follow Up Sample"_s);
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, u"INDEX_NUMBER"_s);
    edtIndexNumber->setObjectName(u"edtIndexNumber"_s);
    enforcement->addRow(caption(grpEnforcement, u"Index Sample Number:"_s, edtIndexNumber), edtIndexNumber);

    grpSurveillance = new QGroupBox(reasonCaption(u"S"_s), tabReason);
    grpSurveillance->setObjectName(u"grpSurveillance"_s);
    auto *surveillance = formLayout(grpSurveillance);
    chkSurvey = bound<TzqcxDBCheckBox>(grpSurveillance, u"FLAG_SURVEY"_s);
    chkSurvey->setObjectName(u"chkSurvey"_s);
    chkSurvey->setText(u"Sample was taken as part of a survey"_s);
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, u"SURVEY_BODY__CODE"_s, u"srcFeedSurveyBody"_s);
    cmbSurveyBody->setObjectName(u"cmbSurveyBody"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Body:"_s, cmbSurveyBody, true), cmbSurveyBody);
    cmbSurveyRef = pickList(grpSurveillance, u"SURVEY_NUMBER"_s, true);
    cmbSurveyRef->setObjectName(u"cmbSurveyRef"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Ref:"_s, cmbSurveyRef, true), cmbSurveyRef);

    for (TzqcxDBCheckBox *box : {chkFollowUp, chkSurvey})
        connect(box, &QCheckBox::clicked, this, [this]() { Guarded([this]() { VerifyAll(); }); });

    groups->addWidget(grpEnforcement, 1, Qt::AlignTop);
    groups->addWidget(grpSurveillance, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabReason, true, true, true));
    return tabReason;
}

QWidget *TSampleEditAnimalFeedsFrm::buildLabellingPage()
{
    tabLabelling = newPage("tabLabelling");
    auto *page = new QVBoxLayout(tabLabelling);

    auto *group = new QGroupBox(u"Description Of Sample taken"_s, tabLabelling);
    group->setObjectName(u"grpDescription"_s);
    auto *grid = gridLayout(group);
    grid->setColumnStretch(1, 1);
    CaptionGrid rows{grid};
    const auto addLine = [&rows](QLabel *label, QWidget *field, int span = 2) { rows.add(label, field, span); };
    cmbFeedName = pickList(group, u"BRAND_NAME"_s, true);
    cmbFeedName->setObjectName(u"cmbFeedName"_s);
    addLine(caption(group, u"Feed name"_s, cmbFeedName), cmbFeedName);
    cmbFeedDescription = pickList(group, u"FOOD_DESCRIPTION"_s, true);
    cmbFeedDescription->setObjectName(u"cmbFeedDescription"_s);
    addLine(caption(group, u"Feed description"_s, cmbFeedDescription, true), cmbFeedDescription);
    cmbAnimalSpecies = lookup(group, u"ANIMAL_SPECIES__CODE"_s, u"srcAnimalSpecies"_s);
    cmbAnimalSpecies->setObjectName(u"cmbAnimalSpecies"_s);
    addLine(caption(group, u"Animal species"_s, cmbAnimalSpecies, true), cmbAnimalSpecies);
    const int firstLevel = rows.line;
    edtCategory = bound<TzqcxDBTextEdit>(group, u"CATEGORY_DESCRIPTION"_s);
    edtCategory->setObjectName(u"edtCategory"_s);
    showReadOnly(edtCategory);
    addLine(caption(group, u"Category:"_s, edtCategory, true), edtCategory, 1);
    edtSubCategory = bound<TzqcxDBTextEdit>(group, u"SUB_CATEGORY_DESCRIPTION"_s);
    edtSubCategory->setObjectName(u"edtSubCategory"_s);
    showReadOnly(edtSubCategory);
    addLine(caption(group, u"Sub category:"_s, edtSubCategory, true), edtSubCategory, 1);
    grid->addWidget(categoryTreePanel(group), firstLevel, 2, 2, 1);
    memAdditionalInfo = bound<TzqcxDBMemo>(group, u"ADDITIONAL_INFO"_s);
    memAdditionalInfo->setObjectName(u"memAdditionalInfo"_s);
    memAdditionalInfo->setTabChangesFocus(true);
    memAdditionalInfo->setFixedHeight(memAdditionalInfo->fontMetrics().lineSpacing() * 2 + 14);
    addLine(caption(group, u"Additional product information:"_s, memAdditionalInfo), memAdditionalInfo);

    auto *statutory = new QGroupBox(u"Statutory statement information"_s, tabLabelling);
    statutory->setObjectName(u"grpStatutory"_s);
    auto *sform = formLayout(statutory);
    cmbLabelBusinessType = lookup(statutory, u"LABEL_BUSINESS_TYPE__CODE"_s, u"srcLabelBusinessType"_s);
    cmbLabelBusinessType->setObjectName(u"cmbLabelBusinessType"_s);
    sform->addRow(caption(statutory, u"Business type"_s, cmbLabelBusinessType), cmbLabelBusinessType);
    edtLabelRegistrationNumber = bound<TzqcxDBTextEdit>(statutory, u"LABEL_REGISTRATION_NUMBER"_s);
    edtLabelRegistrationNumber->setObjectName(u"edtLabelRegistrationNumber"_s);
    sform->addRow(caption(statutory, u"Manufacturers Approval/Reg No"_s, edtLabelRegistrationNumber),
                  edtLabelRegistrationNumber);
    memLabelBusinessAddress = bound<TzqcxDBMemo>(statutory, u"LABEL_BUSINESS_ADDRESS"_s);
    memLabelBusinessAddress->setObjectName(u"memLabelBusinessAddress"_s);
    memLabelBusinessAddress->SetMaxLength(1024);
    memLabelBusinessAddress->setTabChangesFocus(true);
    memLabelBusinessAddress->setFixedHeight(memLabelBusinessAddress->fontMetrics().lineSpacing() * 6 + 12);
    btnUseMainAddress = actionButton(actUseMainAddress, actUseMainAddress->text(), statutory);
    btnUseMainAddress->setObjectName(u"btnUseMainAddress"_s);
    auto *addressRow = new QWidget(statutory);
    auto *addressLayout = new QHBoxLayout(addressRow);
    addressLayout->setContentsMargins(0, 0, 0, 0);
    memLabelBusinessAddress->setParent(addressRow);
    btnUseMainAddress->setParent(addressRow);
    addressLayout->addWidget(memLabelBusinessAddress, 1);
    addressLayout->addWidget(btnUseMainAddress, 0, Qt::AlignTop);
    sform->addRow(caption(statutory, u"Business name & address (Label)"_s, memLabelBusinessAddress), addressRow);
    cmbImporter = pickList(statutory, u"IMPORTER"_s, true);
    cmbImporter->setObjectName(u"cmbImporter"_s);
    sform->addRow(caption(statutory, u"Importer (if appropriate)"_s, cmbImporter), cmbImporter);
    QLabel *countryCaption = nullptr;
    QWidget *country = countryRow(statutory, countryCaption);
    sform->addRow(countryCaption, country);

    page->addWidget(group);
    page->addWidget(statutory);
    page->addStretch(1);
    page->addWidget(pageButtons(tabLabelling, true, true, true));
    return tabLabelling;
}

QWidget *TSampleEditAnimalFeedsFrm::buildAdditionalPage()
{
    tabAdditional = newPage("tabAdditional");
    auto *page = new QVBoxLayout(tabAdditional);
    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);

    auto *packaging = new QGroupBox(u" Packaging "_s, tabAdditional);
    packaging->setObjectName(u"grpPackaging"_s);
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, u"PACKAGING__CODE"_s, u"srcFeedPackagingType"_s);
    cmbPackaging->setObjectName(u"cmbPackaging"_s);
    pform->addRow(caption(packaging, u"Packaging provided:"_s, cmbPackaging, true), cmbPackaging);
    quantityEdit(packaging);
    pform->addRow(caption(packaging, u"Package size:"_s, edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, u"PACK_SIZE"_s, u"srcFeedPackagingUnit"_s);
    cmbPackUnits->setObjectName(u"cmbPackUnits"_s);
    pform->addRow(caption(packaging, u"Package Units"_s, cmbPackUnits), cmbPackUnits);
    batchNumberList(packaging);
    pform->addRow(caption(packaging, u"Batch number:"_s, cmbBatchNumber), cmbBatchNumber);
    dtDateOfManufacture = bound<TzqcxDBDateEdit>(packaging, u"DATE_OF_MANUFACTURE"_s);
    dtDateOfManufacture->setObjectName(u"dtDateOfManufacture"_s);
    dtDateOfManufacture->setDisplayFormat(u"dd MMM yyyy"_s);
    dtDateOfManufacture->setMinimumWidth(130);
    pform->addRow(caption(packaging, u"Date of manufacture:"_s, dtDateOfManufacture), row(packaging, {dtDateOfManufacture}));

    auto *durability = new QGroupBox(u" Durability "_s, tabAdditional);
    durability->setObjectName(u"grpDurability"_s);
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, u"DURABILITY__CODE"_s, u"srcFeedDurability"_s);
    cmbDurability->setObjectName(u"cmbDurability"_s);
    dform->addRow(caption(durability, u"Durability:"_s, cmbDurability, true), cmbDurability);
    dform->addRow(QString(), durabilityParts(durability, edtDurabilityDay, edtDurabilityMonth, edtDurabilityYear,
                                             {u"Day:"_s, u"Month:"_s, u"Year:"_s}));
    cmbCondition = lookup(durability, u"CONDITION__CODE"_s, u"srcFeedCondition"_s);
    cmbCondition->setObjectName(u"cmbCondition"_s);
    dform->addRow(caption(durability, u"Condition:"_s, cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, u"OTHER_CONDITION"_s);
    edtOtherCondition->setObjectName(u"edtOtherCondition"_s);
    dform->addRow(caption(durability, u"If other, Specify:"_s, edtOtherCondition), edtOtherCondition);

    groups->addWidget(packaging, 1, Qt::AlignTop);
    groups->addWidget(durability, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabAdditional, true, true, true));
    return tabAdditional;
}

QWidget *TSampleEditAnimalFeedsFrm::buildAnalysisPage()
{
    tabAnalysis = newPage("tabAnalysis");
    auto *page = new QVBoxLayout(tabAnalysis);
    auto *compliance = new QGroupBox(u"Compliance with COP"_s, tabAnalysis);
    compliance->setObjectName(u"grpCompliance"_s);
    auto *cgrid = gridLayout(compliance);
    cmbCOPCondition = yesNo(compliance, u"FLAG_COP_CONDITION"_s);
    cmbCOPCondition->setObjectName(u"cmbCOPCondition"_s);
    // The editor sets it from the sample type; the officer never chooses it.
    cmbCOPCondition->setEnabled(false);
    cgrid->addWidget(longCaption(compliance, u"Sample was taken in compliance with statutory requirements:"_s,
                                 cmbCOPCondition, false),
                     0, 0);
    cgrid->addWidget(row(compliance, {cmbCOPCondition}), 0, 1);
    edtNotCOP = bound<TzqcxDBTextEdit>(compliance, u"NOT_COP"_s);
    edtNotCOP->setObjectName(u"edtNotCOP"_s);
    cgrid->addWidget(longCaption(compliance, u"Explanation:"_s, edtNotCOP, false), 1, 0);
    cgrid->addWidget(edtNotCOP, 1, 1);
    cmbLaboratory = lookup(compliance, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s);
    cmbLaboratory->setObjectName(u"cmbLaboratory"_s);
    cgrid->addWidget(longCaption(compliance, u"Laboratory:"_s, cmbLaboratory, true), 2, 0);
    cgrid->addWidget(cmbLaboratory, 2, 1);
    cgrid->setColumnStretch(1, 1);

    page->addWidget(compliance);
    page->addWidget(analysisGroup(tabAnalysis, 1024));
    page->addWidget(commentsGroup(tabAnalysis), 1);
    page->addWidget(pageButtons(tabAnalysis, true, true, false));
    return tabAnalysis;
}

// ------------------------------------------------------------------------------------------------
// State and view

void TSampleEditAnimalFeedsFrm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    setListSource(cmbCountry, state.countrySource, u"Name"_s, QString());
    if (!state.sampleTypeSource.isEmpty())
        setListSource(cmbSampleType, state.sampleTypeSource, u"Code"_s, u"Description"_s);

    grpEnforcement->setEnabled(state.enforcementGroup);
    grpSurveillance->setEnabled(state.surveillanceGroup);
    enableWithLabel(edtIndexNumber, state.indexNumber);
    enableWithLabel(cmbSurveyBody, state.surveyBodyAndReference);
    enableWithLabel(cmbSurveyRef, state.surveyBodyAndReference);
    showCategoryState();

    enableWithLabel(edtOtherCondition, state.otherCondition);
    enableWithLabel(edtQuantity, state.quantityAndUnits);
    enableWithLabel(cmbPackUnits, state.quantityAndUnits);
    enableWithLabel(edtDurabilityDay, state.durabilityDay);
    enableWithLabel(edtDurabilityMonth, state.durabilityMonth);
    enableWithLabel(edtDurabilityYear, state.durabilityYear);
    enableWithLabel(edtNotCOP, state.explanation);
    if (state.analysisText) {
        enableWithLabel(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText);
    }
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
