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

using namespace SampleEditorLayout;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

SampleEditorKindInfo foodEditor()
{
    SampleEditorKindInfo kind;
    kind.personality = Varnex::PersonalityFood;
    kind.rules = SampleEditorKind::Food;
    kind.verify = VerifyAllOptions::foodSample();
    kind.categoryLevels = FoodCategoryLevels;
    kind.officerFlagColumn = S("FLAG_FOOD");
    kind.officesOfSampleAuthority = false;
    kind.premisesTable = S("PREMISES_DETAIL");
    kind.premisesColumns = {S("UNIQUE_UUID"), S("CODE"), S("PREMISES_NAME"), S("BUSINESS_ADDR_1"), S("BUSINESS_ADDR_2"),
                            S("BUSINESS_ADDR_3"), S("BUSINESS_ADDR_4"), S("BUSINESS_POSTCODE"), S("RISK_CATEGORY__CODE"),
                            S("PREMISES_TYPE__CODE"), S("RISK_CATEGORY_FOOD_STAND__CODE")};
    // The personality colour of a food form's heading.
    kind.headingColour = QColor(202, 203, 251);
    kind.heading = S("  Food sample");
    return kind;
}

} // namespace

// ------------------------------------------------------------------------------------------------
// Opening

QString TSampleEditFrm::NoSuchSampleMessage(const QString &uuid)
{
    return S("There is no food sample with the identity %1 in the local store; nothing was opened.").arg(uuid);
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
    setObjectName(S("SampleEditFrm"));
    setWindowTitle(S("Sample Details."));

    actDeleteSample = makeAction("actDeleteSample", S("Delete Sample"));
    actNewSample = makeAction("actNewSample", S("New Sample (F5)"));
    actLabelling = makeAction("actLabelling", S("Labelling"));
    actNotAvailable = makeAction("actNotAvailable", S("Not available"));
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

    buildPages();
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
    fillPickLists({{cmbBrandName, S("BrandName")}, {cmbFoodDescription, S("FoodDescription")},
                   {cmbManufacturer, S("Manufacturer")}, {cmbDistributor, S("Distributor")},
                   {cmbImporter, S("Importer")}, {cmbSurveyRef, S("SurveyReference")}});

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
// Building

void TSampleEditFrm::buildPages()
{
    PageControl->addTab(buildAdminPage(), S("Admin"));
    PageControl->addTab(buildReasonPage(), S("Reason"));
    PageControl->addTab(buildDescriptionPage(), S("Description"));
    PageControl->addTab(buildAdditionalPage(), S("Additional"));
    PageControl->addTab(buildCOPPage(), S("COP"));
    PageControl->addTab(buildAttachmentsPage(tabAttachments), S("Attachments"));

    addTarget(SampleTarget::SampleTypeEnforcement, cmbSampleTypeEnforcement);
    addTarget(SampleTarget::SampleTypeSurveillance, cmbSampleTypeSurveillance);
    addTarget(SampleTarget::SampleTakenFrom, cmbAdditionalInfo);
}

QWidget *TSampleEditFrm::buildAdminPage()
{
    tabAdmin = newPage("tabAdmin");
    auto *page = new QVBoxLayout(tabAdmin);
    grpGeneral = new QGroupBox(S("General"), tabAdmin);
    grpGeneral->setObjectName(S("grpGeneral"));
    grpGeneral->setFocusPolicy(Qt::NoFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    // The sample: left column.
    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, S("ANALYSIS_TYPE"));
    rgAnalysisType->setObjectName(S("rgAnalysisType"));
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems({S("Micro"), S("Chemical")}, {S("M"), S("C")});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, S("ANALYSIS_TYPE"), [this]() { rgAnalysisTypeChange(); });
    left->addRow(caption(grpGeneral, S("Analysis Type:"), rgAnalysisType, true), rgAnalysisType);

    edtCode = bound<TzqcxDBTextEdit>(grpGeneral, S("CODE"));
    edtCode->setObjectName(S("edtCode"));
    showReadOnly(edtCode);
    left->addRow(caption(grpGeneral, S("Varnex Reference:"), edtCode), edtCode);
    edtLASampleNo = bound<TzqcxDBTextEdit>(grpGeneral, S("LA_SAMPLENO"));
    edtLASampleNo->setObjectName(S("edtLASampleNo"));
    left->addRow(caption(grpGeneral, S("Sample Number:"), edtLASampleNo, true), edtLASampleNo);
    addOfficeRows(left, grpGeneral, S("Sampling Officer:"));
    addSampleDateRows(left, grpGeneral, S("Time (24 hr):"));
    addCostRows(left, grpGeneral);

    // The premises: right column.
    auto *right = formLayout();
    businessIdEdit(grpGeneral);
    btnNotAvailable = actionButton(actNotAvailable, actNotAvailable->text(), grpGeneral);
    btnNotAvailable->setObjectName(S("btnNotAvailable"));
    auto *businessRow = new QWidget(grpGeneral);
    auto *businessLayout = new QHBoxLayout(businessRow);
    businessLayout->setContentsMargins(0, 0, 0, 0);
    edtBusinessId->setParent(businessRow);
    btnNotAvailable->setParent(businessRow);
    businessLayout->addWidget(edtBusinessId, 1);
    businessLayout->addWidget(btnNotAvailable);
    right->addRow(caption(grpGeneral, S("LAEMS Business ID:"), edtBusinessId, true), businessRow);
    addPremisesRows(right, grpGeneral);
    cmbRiskCategory = lookup(grpGeneral, S("RISK_CATEGORY"), S("srcFoodSaftyRiskCategory"));
    cmbRiskCategory->setObjectName(S("cmbRiskCategory"));
    right->addRow(caption(grpGeneral, S("Food Safety Risk Category:"), cmbRiskCategory, true), cmbRiskCategory);
    cmbRiskCategoryFS = lookup(grpGeneral, S("RISK_CATEGORY_FOOD_STAND__CODE"), S("srcFoodStandardsRiskCategory"));
    cmbRiskCategoryFS->setObjectName(S("cmbRiskCategoryFS"));
    right->addRow(caption(grpGeneral, S("Food Standards Risk Category:"), cmbRiskCategoryFS, true), cmbRiskCategoryFS);
    cmbPremisesType = lookup(grpGeneral, S("PREMISES_TYPE__CODE"), S("srcPremisesType"));
    cmbPremisesType->setObjectName(S("cmbPremisesType"));
    lblPremisesType = caption(grpGeneral, S("Premises Type:"), cmbPremisesType, true);
    lblPremisesType->setObjectName(S("lblPremisesType"));
    right->addRow(lblPremisesType, cmbPremisesType);

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

QWidget *TSampleEditFrm::buildReasonPage()
{
    tabReason = newPage("tabReason");
    auto *page = new QVBoxLayout(tabReason);
    rgReason = bound<TzqcxDBRadioGroup>(tabReason, S("REASON__CODE"));
    rgReason->setObjectName(S("rgReason"));
    rgReason->setTitle(S("Reason for taking sample"));
    lineUp(rgReason);
    rgReason->SetItems({reasonCaption(S("E")), reasonCaption(S("S"))}, {S("E"), S("S")});
    qobject_cast<QHBoxLayout *>(rgReason->layout())->addStretch(1);
    rgReason->layout()->setSpacing(40);
    watchRadioChange(rgReason, S("REASON__CODE"), [this]() { rgReasonChange(); });
    page->addWidget(rgReason);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(reasonCaption(S("E")), tabReason);
    grpEnforcement->setObjectName(S("grpEnforcement"));
    auto *enforcement = formLayout(grpEnforcement);
    cmbSampleTypeEnforcement = lookup(grpEnforcement, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeEnforcement"));
    cmbSampleTypeEnforcement->setObjectName(S("cmbSampleTypeEnforcement"));
    enforcement->addRow(caption(grpEnforcement, S("Sample Type:"), cmbSampleTypeEnforcement, true), cmbSampleTypeEnforcement);
    chkFollowUp = bound<TzqcxDBCheckBox>(grpEnforcement, S("FLAG_FOLLOW_UP"));
    chkFollowUp->setObjectName(S("chkFollowUp"));
    chkFollowUp->setText(S("Follow Up Sample"));
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, S("INDEX_NUMBER"));
    edtIndexNumber->setObjectName(S("edtIndexNumber"));
    enforcement->addRow(caption(grpEnforcement, S("Index Sample Number:"), edtIndexNumber), edtIndexNumber);
    chkFoodPoisoning = bound<TzqcxDBCheckBox>(grpEnforcement, S("FLAG_FOOD_POISONING"));
    chkFoodPoisoning->setObjectName(S("chkFoodPoisoning"));
    chkFoodPoisoning->setText(S("Food borne illness Investigation"));
    enforcement->addRow(QString(), chkFoodPoisoning);
    memDetails = bound<TzqcxDBMemo>(grpEnforcement, S("DETAILS"));
    memDetails->setObjectName(S("memDetails"));
    memDetails->SetMaxLength(1024);
    memDetails->setTabChangesFocus(true);
    enforcement->addRow(caption(grpEnforcement, S("Details (including relevant outbreak number):"), memDetails));
    enforcement->addRow(memDetails);

    grpSurveillance = new QGroupBox(reasonCaption(S("S")), tabReason);
    grpSurveillance->setObjectName(S("grpSurveillance"));
    auto *surveillance = formLayout(grpSurveillance);
    cmbSampleTypeSurveillance = lookup(grpSurveillance, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeSurveillance"));
    cmbSampleTypeSurveillance->setObjectName(S("cmbSampleTypeSurveillance"));
    surveillance->addRow(caption(grpSurveillance, S("Sample Type:"), cmbSampleTypeSurveillance, true), cmbSampleTypeSurveillance);
    chkSurvey = bound<TzqcxDBCheckBox>(grpSurveillance, S("FLAG_SURVEY"));
    chkSurvey->setObjectName(S("chkSurvey"));
    chkSurvey->setText(S("Sample was taken as part of a survey"));
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, S("SURVEY_BODY__CODE"), S("srcSurveyBody"));
    cmbSurveyBody->setObjectName(S("cmbSurveyBody"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Body:"), cmbSurveyBody, true), cmbSurveyBody);
    cmbSurveyRef = pickList(grpSurveillance, S("SURVEY_NUMBER"), true);
    cmbSurveyRef->setObjectName(S("cmbSurveyRef"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Ref:"), cmbSurveyRef, true), cmbSurveyRef);

    for (TzqcxDBCheckBox *box : {chkFollowUp, chkFoodPoisoning, chkSurvey})
        connect(box, &QCheckBox::clicked, this, [this]() { Guarded([this]() { VerifyAll(); }); });

    groups->addWidget(grpEnforcement, 1);
    groups->addWidget(grpSurveillance, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabReason, true, true, true));
    return tabReason;
}

QWidget *TSampleEditFrm::buildDescriptionPage()
{
    tabDescription = newPage("tabDescription");
    auto *page = new QVBoxLayout(tabDescription);
    auto *group = new QGroupBox(S("Description of sample taken"), tabDescription);
    group->setObjectName(S("grpDescription"));
    // Captions, fields, and beside the four category levels the category tree.
    auto *grid = gridLayout(group);
    grid->setColumnStretch(1, 1);
    CaptionGrid rows{grid};
    const auto addLine = [&rows](QLabel *label, QWidget *field, int span = 2) { rows.add(label, field, span); };

    cmbBrandName = pickList(group, S("BRAND_NAME"), true);
    cmbBrandName->setObjectName(S("cmbBrandName"));
    addLine(caption(group, S("Brand Name:"), cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, S("FOOD_DESCRIPTION"), true);
    cmbFoodDescription->setObjectName(S("cmbFoodDescription"));
    addLine(caption(group, S("Food Description:"), cmbFoodDescription, true), cmbFoodDescription);
    cmbProduct = lookup(group, S("PRODUCT__CODE"), S("srcProductType"));
    cmbProduct->setObjectName(S("cmbProduct"));
    addLine(caption(group, S("Nature of product:"), cmbProduct, true), cmbProduct);

    TzqcxDBTextEdit **levels[] = {&edtCategory, &edtSubCategory, &edtSubCategory2, &edtSubCategory3};
    const QStringList levelFields = {S("CATEGORY_DESCRIPTION"), S("SUB_CATEGORY_DESCRIPTION"),
                                     S("SUB_CATEGORY_2_DESCRIPTION"), S("SUB_CATEGORY_3_DESCRIPTION")};
    const QStringList levelNames = {S("edtCategory"), S("edtSubCategory"), S("edtSubCategory2"), S("edtSubCategory3")};
    const int firstLevel = rows.line;
    for (int i = 0; i < 4; ++i) {
        *levels[i] = bound<TzqcxDBTextEdit>(group, levelFields[i]);
        (*levels[i])->setObjectName(levelNames[i]);
        showReadOnly(*levels[i]);
        addLine(caption(group, i == 0 ? S("Category:") : S("Sub category:"), *levels[i], i == 0), *levels[i], 1);
    }
    categoryTreePanel(group);
    grid->addWidget(pnlCategoryTree, firstLevel, 2, 4, 1);

    cmbMAFF = lookup(group, S("MAFF__CODE"), S("srcMAFF"));
    cmbMAFF->setObjectName(S("cmbMAFF"));
    addLine(caption(group, S("MAFF Code:"), cmbMAFF), cmbMAFF);

    QWidget *additional = additionalInfoEditors(group, cmbAdditionalInfo, memAdditionalInfo);
    lblAdditionalInfo = caption(group, S("Additional Category Information:"), memAdditionalInfo, true);
    lblAdditionalInfo->setObjectName(S("lblAdditionalInfo"));
    addLabel(cmbAdditionalInfo, lblAdditionalInfo);
    addLine(lblAdditionalInfo, additional);

    cmbManufacturer = pickList(group, S("MANUFACTURER"), true);
    cmbManufacturer->setObjectName(S("cmbManufacturer"));
    addLine(caption(group, S("Manufacturer:"), cmbManufacturer), cmbManufacturer);
    cmbDistributor = pickList(group, S("DISTRIBUTER"), true);
    cmbDistributor->setObjectName(S("cmbDistributor"));
    addLine(caption(group, S("Distributor/Supplier/ Packer:"), cmbDistributor), cmbDistributor);
    cmbImporter = pickList(group, S("IMPORTER"), true);
    cmbImporter->setObjectName(S("cmbImporter"));
    addLine(caption(group, S("Importer (if appropriate):"), cmbImporter), cmbImporter);

    QLabel *countryCaption = nullptr;
    QWidget *country = countryRow(group, countryCaption);
    addLine(countryCaption, country);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tabDescription, true, true, true));
    return tabDescription;
}

QWidget *TSampleEditFrm::buildAdditionalPage()
{
    tabAdditional = newPage("tabAdditional");
    auto *page = new QVBoxLayout(tabAdditional);
    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);

    auto *packaging = new QGroupBox(S(" Packaging "), tabAdditional);
    packaging->setObjectName(S("grpPackaging"));
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, S("PACKAGING__CODE"), S("srcPackagingType"));
    cmbPackaging->setObjectName(S("cmbPackaging"));
    btnLabelling = actionButton(actLabelling, actLabelling->text(), packaging);
    btnLabelling->setObjectName(S("btnLabelling"));
    pform->addRow(caption(packaging, S("Packaging provided:"), cmbPackaging, true), row(packaging, {cmbPackaging, btnLabelling}, false));
    cmbMaterial = lookup(packaging, S("MATERIAL__CODE"), S("srcMaterialType"));
    cmbMaterial->setObjectName(S("cmbMaterial"));
    pform->addRow(caption(packaging, S("Packaging material:"), cmbMaterial, true), cmbMaterial);
    edtOtherMaterial = bound<TzqcxDBTextEdit>(packaging, S("OTHER_MATERIAL"));
    edtOtherMaterial->setObjectName(S("edtOtherMaterial"));
    pform->addRow(caption(packaging, S("Other Material:"), edtOtherMaterial), edtOtherMaterial);
    quantityEdit(packaging);
    pform->addRow(caption(packaging, S("Pack Quantity/size:"), edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, S("PACK_SIZE"), S("srcPackagingUnit"));
    cmbPackUnits->setObjectName(S("cmbPackUnits"));
    pform->addRow(caption(packaging, S("Pack Units:"), cmbPackUnits), cmbPackUnits);
    batchNumberList(packaging);
    pform->addRow(caption(packaging, S("Batch/Lot No:"), cmbBatchNumber, true), cmbBatchNumber);
    edtHealthMark = bound<TzqcxDBTextEdit>(packaging, S("HEALTH_MARK"));
    edtHealthMark->setObjectName(S("edtHealthMark"));
    pform->addRow(caption(packaging, S("Health Mark:"), edtHealthMark), edtHealthMark);

    auto *durability = new QGroupBox(S(" Durability "), tabAdditional);
    durability->setObjectName(S("grpDurability"));
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, S("DURABILITY__CODE"), S("srcDurability"));
    cmbDurability->setObjectName(S("cmbDurability"));
    dform->addRow(caption(durability, S("Durability:"), cmbDurability, true), cmbDurability);
    QWidget *dateRow = durabilityParts(durability, edtDurabilityDay, edtDurabilityMonth, edtDurabilityYear,
                                       {S("Day"), S("Month"), S("Year")});
    dform->addRow(QString(), dateRow);
    cmbCondition = lookup(durability, S("CONDITION__CODE"), S("srcCondition"));
    cmbCondition->setObjectName(S("cmbCondition"));
    dform->addRow(caption(durability, S("Condition:"), cmbCondition, true), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, S("OTHER_CONDITION"));
    edtOtherCondition->setObjectName(S("edtOtherCondition"));
    dform->addRow(caption(durability, S("If other, Specify:"), edtOtherCondition), edtOtherCondition);
    edtTemperature = bound<TzqcxDBSpinEdit>(durability, S("TEMPERATURE"));
    edtTemperature->setObjectName(S("edtTemperature"));
    edtTemperature->setDecimals(1);
    edtTemperature->setSingleStep(0.1);
    edtTemperature->SetRange(-999.9, 999.9);
    edtTemperature->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edtTemperature->setAlignment(Qt::AlignRight);
    edtTemperature->setFixedWidth(80);
    dform->addRow(caption(durability, S("Temperature:"), edtTemperature),
                  row(durability, {edtTemperature, new QLabel(S("(ºC)"))}));

    groups->addWidget(packaging, 1, Qt::AlignTop);
    groups->addWidget(durability, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabAdditional, true, true, true));
    return tabAdditional;
}

QWidget *TSampleEditFrm::buildCOPPage()
{
    tabCOP = newPage("tabCOP");
    auto *page = new QVBoxLayout(tabCOP);

    auto *compliance = new QGroupBox(S("Compliance with COP"), tabCOP);
    compliance->setObjectName(S("grpCompliance"));
    auto *cgrid = gridLayout(compliance);
    cmbCOPCondition = yesNo(compliance, S("FLAG_COP_CONDITION"));
    cmbCOPCondition->setObjectName(S("cmbCOPCondition"));
    cgrid->addWidget(longCaption(compliance, S("Sample was taken in compliance with COP and  relevant legislation:"),
                                 cmbCOPCondition, true),
                     0, 0);
    cgrid->addWidget(row(compliance, {cmbCOPCondition, new QLabel(S("(YES/NO)"))}), 0, 1);
    edtNotCOP = bound<TzqcxDBTextEdit>(compliance, S("NOT_COP"));
    edtNotCOP->setObjectName(S("edtNotCOP"));
    cgrid->addWidget(longCaption(compliance, S("Explanation:"), edtNotCOP, false), 1, 0);
    cgrid->addWidget(edtNotCOP, 1, 1);
    cmbCOPLab = yesNo(compliance, S("FLAG_COP_LAB"));
    cmbCOPLab->setObjectName(S("cmbCOPLab"));
    cgrid->addWidget(longCaption(compliance, S("Sample was transported to LAB in compliance with COP requirements:"),
                                 cmbCOPLab, true),
                     2, 0);
    cgrid->addWidget(row(compliance, {cmbCOPLab, new QLabel(S("(YES/NO)"))}), 2, 1);
    cmbLaboratory = lookup(compliance, S("LABORATORY__CODE"), S("srcLaboratoryFiltered"));
    cmbLaboratory->setObjectName(S("cmbLaboratory"));
    cgrid->addWidget(longCaption(compliance, S("Laboratory:"), cmbLaboratory, true), 3, 0);
    cgrid->addWidget(cmbLaboratory, 3, 1);
    cgrid->setColumnStretch(1, 1);

    page->addWidget(compliance);
    page->addWidget(analysisGroup(tabCOP, AnalysisTextTypedLength));
    page->addWidget(commentsGroup(tabCOP), 1);
    page->addWidget(pageButtons(tabCOP, true, true, false));
    return tabCOP;
}

// ------------------------------------------------------------------------------------------------
// State and view

void TSampleEditFrm::applyViewState(const SampleViewState &state)
{
    const auto enable = [this](QWidget *control, bool enabled) { enableWithLabel(control, enabled); };

    setListSource(cmbPremisesType, state.premisesTypeSource, S("Code"), S("Description"));
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel.toHtmlEscaped() + requiredMark());
    setListSource(cmbCountry, state.countrySource, S("Name"), QString());
    lblSampleType->setText(state.analysisTypeCaption);

    grpEnforcement->setEnabled(state.enforcementGroup);
    grpSurveillance->setEnabled(state.surveillanceGroup);
    enable(edtIndexNumber, state.indexNumber);
    enable(memDetails, state.details);
    enable(cmbSurveyBody, state.surveyBodyAndReference);
    enable(cmbSurveyRef, state.surveyBodyAndReference);

    // The "Sample taken from" list is required; the memo of a chemical sample is not.
    lblAdditionalInfo->setText(state.additionalInfoLabel.toHtmlEscaped() + (state.additionalInfoList ? requiredMark() : QString()));
    cmbAdditionalInfo->setVisible(state.additionalInfoList);
    memAdditionalInfo->setVisible(state.additionalInfoMemo);
    edtSubCategory3->setToolTip(state.categoryHelp);
    showCategoryState();

    enable(cmbMaterial, state.packagingMaterial);
    enable(edtOtherMaterial, state.otherMaterial);
    actLabelling->setEnabled(state.labelling);
    enable(edtOtherCondition, state.otherCondition);
    enable(edtQuantity, state.quantityAndUnits);
    enable(cmbPackUnits, state.quantityAndUnits);
    enable(edtDurabilityDay, state.durabilityDay);
    enable(edtDurabilityMonth, state.durabilityMonth);
    enable(edtDurabilityYear, state.durabilityYear);

    enable(edtNotCOP, state.explanation);
    if (state.analysisText) {
        enable(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText);
    }
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
    const QString type = qryData_->isActive() ? qryData_->text(S("ANALYSIS_TYPE")) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        row.setText(S("LABORATORY__CODE"),
                    laboratoryForAnalysisType(type, Maindm->LaboratoryCodeMicro(), Maindm->LaboratoryCodeChemical()));
    }
    lblSampleType->setText(type == QLatin1String("M") ? S("Micro") : type == QLatin1String("C") ? S("Chemical") : QString());
    VerifyAll();
}

void TSampleEditFrm::actNotAvailableExecute()
{
    if (!Editing())
        qryData_->edit();
    DataSetRow row(*qryData_);
    row.setText(S("BUSINESS_ID"), NotAvailable);
}

std::optional<QString> TSampleEditFrm::editAnalysisText(const QString &current)
{
    return TAnalysisBuilderFrm::Edit(this, current);
}

void TSampleEditFrm::actLabellingExecute()
{
    const std::unique_ptr<TSampleLabelInfoFrmReturnInfo> label =
        TSampleLabelInfoFrm::Edit(this, qryData_->text(S("LABELLING_XML")));
    if (label) {
        // The officer saved the declarations: they go into the sample, which is put into edit
        // state for them rather than losing them.
        ensureEditing();
        qryData_->setValue(S("LABELLING_XML"), label->ReturnXML);
        qryData_->setValue(S("LABELLING_DETAILS"), label->ReturnText);
    }
    VerifyAll();
}
