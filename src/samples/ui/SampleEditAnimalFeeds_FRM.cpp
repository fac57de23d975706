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

using namespace SampleEditorLayout;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

SampleEditorKindInfo animalFeedEditor()
{
    SampleEditorKindInfo kind;
    kind.personality = Varnex::PersonalityAnimalFeed;
    kind.rules = SampleEditorKind::AnimalFeed;
    kind.verify = VerifyAllOptions::animalFeedSample();
    kind.categoryLevels = AnimalFeedCategoryLevels;
    kind.officerFlagColumn = S("FLAG_FEED");
    kind.officesOfSampleAuthority = true;
    kind.premisesTable = S("PREMISES_DETAIL_ANIMAL_FEED");
    kind.premisesColumns = {S("CODE"), S("PREMISES_NAME"), S("BUSINESS_ADDR_1"), S("BUSINESS_ADDR_2"),
                            S("BUSINESS_ADDR_3"), S("BUSINESS_ADDR_4"), S("BUSINESS_POSTCODE"),
                            S("RISK_CATEGORY__CODE"), S("PREMISES_TYPE__CODE"), S("REGISTRATION_NUMBER")};
    // The personality colour of a feed form's heading (15138794 as the Windows colour value).
    kind.headingColour = QColor(0xEA, 0xFF, 0xE6);
    kind.heading = S("  Animal feeds sample");
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
    return S("There is no animal feed sample with the identity %1 in the local store; nothing was opened.").arg(uuid);
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
    setObjectName(S("SampleEditAnimalFeedsFrm"));
    setWindowTitle(S("Animal Feeds Sample"));

    actAnalysisBuilder->setText(S("Analysis builder"));
    actUseMainAddress = makeAction("actUseMainAddress", S("Use main address"));
    connect(actUseMainAddress, &QAction::triggered, this, [this]() { Guarded([this]() { actUseMainAddressExecute(); }); });
    buildSidePanel({actEdit, actPost, actSaveWithoutValidation, actCancel});
    buildHeader();

    PageControl->addTab(buildAdminPage(), S("Admin"));
    PageControl->addTab(buildReasonPage(), S("Reason"));
    PageControl->addTab(buildLabellingPage(), S("Labelling"));
    PageControl->addTab(buildAdditionalPage(), S("Additional"));
    PageControl->addTab(buildAnalysisPage(), S("Analysis"));
    PageControl->addTab(buildAttachmentsPage(tabAttachments), S("Attachments"));
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
    fillPickLists({{cmbFeedName, S("FeedName")}, {cmbFeedDescription, S("FeedDescription")},
                   {cmbImporter, S("FeedImporter")}, {cmbSurveyRef, S("FeedSurveyReference")}});

    m_readOnly = !Editing() && viewedOnly(qryData_->text(S("SAMPLE_STATUS__CODE")));
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
    grpGeneral = new QGroupBox(S("General"), tabAdmin);
    grpGeneral->setObjectName(S("grpGeneral"));
    grpGeneral->setFocusPolicy(Qt::NoFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    auto *left = formLayout();
    edtLASampleNo = bound<TzqcxDBTextEdit>(grpGeneral, S("LA_SAMPLENO"));
    edtLASampleNo->setObjectName(S("edtLASampleNo"));
    left->addRow(caption(grpGeneral, S("Sample Number"), edtLASampleNo, true), edtLASampleNo);
    edtCode = bound<TzqcxDBTextEdit>(grpGeneral, S("CODE"));
    edtCode->setObjectName(S("edtCode"));
    showReadOnly(edtCode);
    left->addRow(caption(grpGeneral, S("National Ref:"), edtCode), edtCode);
    addOfficeRows(left, grpGeneral, S("Sample Officer:"));
    addSampleDateRows(left, grpGeneral, S("Time (24 hr)"));
    addCostRows(left, grpGeneral);

    auto *right = formLayout();
    businessIdEdit(grpGeneral);
    right->addRow(caption(grpGeneral, S("LAEMS Business ID:"), edtBusinessId), edtBusinessId);
    addPremisesRows(right, grpGeneral);
    edtRegistrationNumber = bound<TzqcxDBTextEdit>(grpGeneral, S("REGISTRATION_NUMBER"));
    edtRegistrationNumber->setObjectName(S("edtRegistrationNumber"));
    right->addRow(caption(grpGeneral, S("Approval/registration number"), edtRegistrationNumber), edtRegistrationNumber);
    cmbRiskCategory = lookup(grpGeneral, S("RISK_CATEGORY"), S("srcFeedRiskCategory"));
    cmbRiskCategory->setObjectName(S("cmbRiskCategory"));
    right->addRow(caption(grpGeneral, S("Feed risk category:"), cmbRiskCategory), cmbRiskCategory);
    cmbPremisesType = lookup(grpGeneral, S("PREMISES_TYPE__CODE"), S("srcFeedPremisesType"));
    cmbPremisesType->setObjectName(S("cmbPremisesType"));
    right->addRow(caption(grpGeneral, S("PremisesType"), cmbPremisesType, true), cmbPremisesType);

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
    auto *reasonGroup = new QGroupBox(S("Reason for taking sample"), tabReason);
    reasonGroup->setObjectName(S("grpReason"));
    auto *reasonLayout = new QHBoxLayout(reasonGroup);
    rgReason = bound<TzqcxDBRadioGroup>(reasonGroup, S("REASON__CODE"));
    rgReason->setObjectName(S("rgReason"));
    rgReason->setFlat(true);
    lineUp(rgReason);
    // The ampersand marks the keyboard accelerator; the stored description is the plain caption.
    rgReason->SetItems({S("&Enforcement/Investigation"), S("&Surveillance/Monitoring")}, {S("E"), S("S")});
    rgReason->layout()->setSpacing(40);
    watchRadioChange(rgReason, S("REASON__CODE"), [this]() { rgReasonChange(); });
    reasonLayout->addWidget(caption(reasonGroup, S("Reason for sample taken:"), rgReason, true));
    reasonLayout->addWidget(rgReason);
    reasonLayout->addStretch(1);
    page->addWidget(reasonGroup);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(reasonCaption(S("E")), tabReason);
    grpEnforcement->setObjectName(S("grpEnforcement"));
    auto *enforcement = formLayout(grpEnforcement);
    // One sample-type list; VerifyAll gives it the list of the chosen reason.
    cmbSampleType = lookup(grpEnforcement, S("SAMPLE_TYPE__CODE"), S("srcFeedSampleTypeEnforcement"));
    cmbSampleType->setObjectName(S("cmbSampleType"));
    enforcement->addRow(caption(grpEnforcement, S("Sample Type:"), cmbSampleType, true), cmbSampleType);
    chkFollowUp = bound<TzqcxDBCheckBox>(grpEnforcement, S("FLAG_FOLLOW_UP"));
    chkFollowUp->setObjectName(S("chkFollowUp"));
    chkFollowUp->setText(S("Follow Up Sample"));
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, S("INDEX_NUMBER"));
    edtIndexNumber->setObjectName(S("edtIndexNumber"));
    enforcement->addRow(caption(grpEnforcement, S("Index Sample Number:"), edtIndexNumber), edtIndexNumber);

    grpSurveillance = new QGroupBox(reasonCaption(S("S")), tabReason);
    grpSurveillance->setObjectName(S("grpSurveillance"));
    auto *surveillance = formLayout(grpSurveillance);
    chkSurvey = bound<TzqcxDBCheckBox>(grpSurveillance, S("FLAG_SURVEY"));
    chkSurvey->setObjectName(S("chkSurvey"));
    chkSurvey->setText(S("Sample was taken as part of a survey"));
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, S("SURVEY_BODY__CODE"), S("srcFeedSurveyBody"));
    cmbSurveyBody->setObjectName(S("cmbSurveyBody"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Body:"), cmbSurveyBody, true), cmbSurveyBody);
    cmbSurveyRef = pickList(grpSurveillance, S("SURVEY_NUMBER"), true);
    cmbSurveyRef->setObjectName(S("cmbSurveyRef"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Ref:"), cmbSurveyRef, true), cmbSurveyRef);

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

    auto *group = new QGroupBox(S("Description Of Sample taken"), tabLabelling);
    group->setObjectName(S("grpDescription"));
    auto *grid = gridLayout(group);
    grid->setColumnStretch(1, 1);
    CaptionGrid rows{grid};
    const auto addLine = [&rows](QLabel *label, QWidget *field, int span = 2) { rows.add(label, field, span); };
    cmbFeedName = pickList(group, S("BRAND_NAME"), true);
    cmbFeedName->setObjectName(S("cmbFeedName"));
    addLine(caption(group, S("Feed name"), cmbFeedName), cmbFeedName);
    cmbFeedDescription = pickList(group, S("FOOD_DESCRIPTION"), true);
    cmbFeedDescription->setObjectName(S("cmbFeedDescription"));
    addLine(caption(group, S("Feed description"), cmbFeedDescription, true), cmbFeedDescription);
    cmbAnimalSpecies = lookup(group, S("ANIMAL_SPECIES__CODE"), S("srcAnimalSpecies"));
    cmbAnimalSpecies->setObjectName(S("cmbAnimalSpecies"));
    addLine(caption(group, S("Animal species"), cmbAnimalSpecies, true), cmbAnimalSpecies);
    const int firstLevel = rows.line;
    edtCategory = bound<TzqcxDBTextEdit>(group, S("CATEGORY_DESCRIPTION"));
    edtCategory->setObjectName(S("edtCategory"));
    showReadOnly(edtCategory);
    addLine(caption(group, S("Category:"), edtCategory, true), edtCategory, 1);
    edtSubCategory = bound<TzqcxDBTextEdit>(group, S("SUB_CATEGORY_DESCRIPTION"));
    edtSubCategory->setObjectName(S("edtSubCategory"));
    showReadOnly(edtSubCategory);
    addLine(caption(group, S("Sub category:"), edtSubCategory, true), edtSubCategory, 1);
    grid->addWidget(categoryTreePanel(group), firstLevel, 2, 2, 1);
    memAdditionalInfo = bound<TzqcxDBMemo>(group, S("ADDITIONAL_INFO"));
    memAdditionalInfo->setObjectName(S("memAdditionalInfo"));
    memAdditionalInfo->setTabChangesFocus(true);
    memAdditionalInfo->setFixedHeight(memAdditionalInfo->fontMetrics().lineSpacing() * 2 + 14);
    addLine(caption(group, S("Additional product information:"), memAdditionalInfo), memAdditionalInfo);

    auto *statutory = new QGroupBox(S("Statutory statement information"), tabLabelling);
    statutory->setObjectName(S("grpStatutory"));
    auto *sform = formLayout(statutory);
    cmbLabelBusinessType = lookup(statutory, S("LABEL_BUSINESS_TYPE__CODE"), S("srcLabelBusinessType"));
    cmbLabelBusinessType->setObjectName(S("cmbLabelBusinessType"));
    sform->addRow(caption(statutory, S("Business type"), cmbLabelBusinessType), cmbLabelBusinessType);
    edtLabelRegistrationNumber = bound<TzqcxDBTextEdit>(statutory, S("LABEL_REGISTRATION_NUMBER"));
    edtLabelRegistrationNumber->setObjectName(S("edtLabelRegistrationNumber"));
    sform->addRow(caption(statutory, S("Manufacturers Approval/Reg No"), edtLabelRegistrationNumber),
                  edtLabelRegistrationNumber);
    memLabelBusinessAddress = bound<TzqcxDBMemo>(statutory, S("LABEL_BUSINESS_ADDRESS"));
    memLabelBusinessAddress->setObjectName(S("memLabelBusinessAddress"));
    memLabelBusinessAddress->SetMaxLength(1024);
    memLabelBusinessAddress->setTabChangesFocus(true);
    memLabelBusinessAddress->setFixedHeight(memLabelBusinessAddress->fontMetrics().lineSpacing() * 6 + 12);
    btnUseMainAddress = actionButton(actUseMainAddress, actUseMainAddress->text(), statutory);
    btnUseMainAddress->setObjectName(S("btnUseMainAddress"));
    auto *addressRow = new QWidget(statutory);
    auto *addressLayout = new QHBoxLayout(addressRow);
    addressLayout->setContentsMargins(0, 0, 0, 0);
    memLabelBusinessAddress->setParent(addressRow);
    btnUseMainAddress->setParent(addressRow);
    addressLayout->addWidget(memLabelBusinessAddress, 1);
    addressLayout->addWidget(btnUseMainAddress, 0, Qt::AlignTop);
    sform->addRow(caption(statutory, S("Business name & address (Label)"), memLabelBusinessAddress), addressRow);
    cmbImporter = pickList(statutory, S("IMPORTER"), true);
    cmbImporter->setObjectName(S("cmbImporter"));
    sform->addRow(caption(statutory, S("Importer (if appropriate)"), cmbImporter), cmbImporter);
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

    auto *packaging = new QGroupBox(S(" Packaging "), tabAdditional);
    packaging->setObjectName(S("grpPackaging"));
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, S("PACKAGING__CODE"), S("srcFeedPackagingType"));
    cmbPackaging->setObjectName(S("cmbPackaging"));
    pform->addRow(caption(packaging, S("Packaging provided:"), cmbPackaging, true), cmbPackaging);
    quantityEdit(packaging);
    pform->addRow(caption(packaging, S("Package size:"), edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, S("PACK_SIZE"), S("srcFeedPackagingUnit"));
    cmbPackUnits->setObjectName(S("cmbPackUnits"));
    pform->addRow(caption(packaging, S("Package Units"), cmbPackUnits), cmbPackUnits);
    batchNumberList(packaging);
    pform->addRow(caption(packaging, S("Batch number:"), cmbBatchNumber), cmbBatchNumber);
    dtDateOfManufacture = bound<TzqcxDBDateEdit>(packaging, S("DATE_OF_MANUFACTURE"));
    dtDateOfManufacture->setObjectName(S("dtDateOfManufacture"));
    dtDateOfManufacture->setDisplayFormat(S("dd MMM yyyy"));
    dtDateOfManufacture->setMinimumWidth(130);
    pform->addRow(caption(packaging, S("Date of manufacture:"), dtDateOfManufacture), row(packaging, {dtDateOfManufacture}));

    auto *durability = new QGroupBox(S(" Durability "), tabAdditional);
    durability->setObjectName(S("grpDurability"));
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, S("DURABILITY__CODE"), S("srcFeedDurability"));
    cmbDurability->setObjectName(S("cmbDurability"));
    dform->addRow(caption(durability, S("Durability:"), cmbDurability, true), cmbDurability);
    dform->addRow(QString(), durabilityParts(durability, edtDurabilityDay, edtDurabilityMonth, edtDurabilityYear,
                                             {S("Day:"), S("Month:"), S("Year:")}));
    cmbCondition = lookup(durability, S("CONDITION__CODE"), S("srcFeedCondition"));
    cmbCondition->setObjectName(S("cmbCondition"));
    dform->addRow(caption(durability, S("Condition:"), cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, S("OTHER_CONDITION"));
    edtOtherCondition->setObjectName(S("edtOtherCondition"));
    dform->addRow(caption(durability, S("If other, Specify:"), edtOtherCondition), edtOtherCondition);

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
    auto *compliance = new QGroupBox(S("Compliance with COP"), tabAnalysis);
    compliance->setObjectName(S("grpCompliance"));
    auto *cgrid = gridLayout(compliance);
    cmbCOPCondition = yesNo(compliance, S("FLAG_COP_CONDITION"));
    cmbCOPCondition->setObjectName(S("cmbCOPCondition"));
    // The editor sets it from the sample type; the officer never chooses it.
    cmbCOPCondition->setEnabled(false);
    cgrid->addWidget(longCaption(compliance, S("Sample was taken in compliance with statutory requirements:"),
                                 cmbCOPCondition, false),
                     0, 0);
    cgrid->addWidget(row(compliance, {cmbCOPCondition}), 0, 1);
    edtNotCOP = bound<TzqcxDBTextEdit>(compliance, S("NOT_COP"));
    edtNotCOP->setObjectName(S("edtNotCOP"));
    cgrid->addWidget(longCaption(compliance, S("Explanation:"), edtNotCOP, false), 1, 0);
    cgrid->addWidget(edtNotCOP, 1, 1);
    cmbLaboratory = lookup(compliance, S("LABORATORY__CODE"), S("srcLaboratoryFiltered"));
    cmbLaboratory->setObjectName(S("cmbLaboratory"));
    cgrid->addWidget(longCaption(compliance, S("Laboratory:"), cmbLaboratory, true), 2, 0);
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
    setListSource(cmbPremisesType, state.premisesTypeSource, S("Code"), S("Description"));
    setListSource(cmbCountry, state.countrySource, S("Name"), QString());
    if (!state.sampleTypeSource.isEmpty())
        setListSource(cmbSampleType, state.sampleTypeSource, S("Code"), S("Description"));

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
    if (qryData_->text(S("LOCAL_AUTH_OFFICE__CODE")).isEmpty()) {
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
