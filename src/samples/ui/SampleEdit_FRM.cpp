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

using namespace SampleEditorLayout;

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
    fillPickLists({{cmbBrandName, u"BrandName"_s}, {cmbFoodDescription, u"FoodDescription"_s},
                   {cmbManufacturer, u"Manufacturer"_s}, {cmbDistributor, u"Distributor"_s},
                   {cmbImporter, u"Importer"_s}, {cmbSurveyRef, u"SurveyReference"_s}});

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
    PageControl->addTab(buildAdminPage(), u"Admin"_s);
    PageControl->addTab(buildReasonPage(), u"Reason"_s);
    PageControl->addTab(buildDescriptionPage(), u"Description"_s);
    PageControl->addTab(buildAdditionalPage(), u"Additional"_s);
    PageControl->addTab(buildCOPPage(), u"COP"_s);
    PageControl->addTab(buildAttachmentsPage(tabAttachments), u"Attachments"_s);

    addTarget(SampleTarget::SampleTypeEnforcement, cmbSampleTypeEnforcement);
    addTarget(SampleTarget::SampleTypeSurveillance, cmbSampleTypeSurveillance);
    addTarget(SampleTarget::SampleTakenFrom, cmbAdditionalInfo);
}

QWidget *TSampleEditFrm::buildAdminPage()
{
    tabAdmin = newPage("tabAdmin");
    auto *page = new QVBoxLayout(tabAdmin);
    grpGeneral = new QGroupBox(u"General"_s, tabAdmin);
    grpGeneral->setObjectName(u"grpGeneral"_s);
    grpGeneral->setFocusPolicy(Qt::NoFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    // The sample: left column.
    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, u"ANALYSIS_TYPE"_s);
    rgAnalysisType->setObjectName(u"rgAnalysisType"_s);
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems({u"Micro"_s, u"Chemical"_s}, {u"M"_s, u"C"_s});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, u"ANALYSIS_TYPE"_s, [this]() { rgAnalysisTypeChange(); });
    left->addRow(caption(grpGeneral, u"Analysis Type:"_s, rgAnalysisType, true), rgAnalysisType);

    edtCode = bound<TzqcxDBTextEdit>(grpGeneral, u"CODE"_s);
    edtCode->setObjectName(u"edtCode"_s);
    showReadOnly(edtCode);
    left->addRow(caption(grpGeneral, u"Varnex Reference:"_s, edtCode), edtCode);
    edtLASampleNo = bound<TzqcxDBTextEdit>(grpGeneral, u"LA_SAMPLENO"_s);
    edtLASampleNo->setObjectName(u"edtLASampleNo"_s);
    left->addRow(caption(grpGeneral, u"Sample Number:"_s, edtLASampleNo, true), edtLASampleNo);
    addOfficeRows(left, grpGeneral, u"Sampling Officer:"_s);
    addSampleDateRows(left, grpGeneral, u"Time (24 hr):"_s);
    addCostRows(left, grpGeneral);

    // The premises: right column.
    auto *right = formLayout();
    businessIdEdit(grpGeneral);
    btnNotAvailable = actionButton(actNotAvailable, actNotAvailable->text(), grpGeneral);
    btnNotAvailable->setObjectName(u"btnNotAvailable"_s);
    auto *businessRow = new QWidget(grpGeneral);
    auto *businessLayout = new QHBoxLayout(businessRow);
    businessLayout->setContentsMargins(0, 0, 0, 0);
    edtBusinessId->setParent(businessRow);
    btnNotAvailable->setParent(businessRow);
    businessLayout->addWidget(edtBusinessId, 1);
    businessLayout->addWidget(btnNotAvailable);
    right->addRow(caption(grpGeneral, u"LAEMS Business ID:"_s, edtBusinessId, true), businessRow);
    addPremisesRows(right, grpGeneral);
    cmbRiskCategory = lookup(grpGeneral, u"RISK_CATEGORY"_s, u"srcFoodSaftyRiskCategory"_s);
    cmbRiskCategory->setObjectName(u"cmbRiskCategory"_s);
    right->addRow(caption(grpGeneral, u"Food Safety Risk Category:"_s, cmbRiskCategory, true), cmbRiskCategory);
    cmbRiskCategoryFS = lookup(grpGeneral, u"RISK_CATEGORY_FOOD_STAND__CODE"_s, u"srcFoodStandardsRiskCategory"_s);
    cmbRiskCategoryFS->setObjectName(u"cmbRiskCategoryFS"_s);
    right->addRow(caption(grpGeneral, u"Food Standards Risk Category:"_s, cmbRiskCategoryFS, true), cmbRiskCategoryFS);
    cmbPremisesType = lookup(grpGeneral, u"PREMISES_TYPE__CODE"_s, u"srcPremisesType"_s);
    cmbPremisesType->setObjectName(u"cmbPremisesType"_s);
    lblPremisesType = caption(grpGeneral, u"Premises Type:"_s, cmbPremisesType, true);
    lblPremisesType->setObjectName(u"lblPremisesType"_s);
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
    rgReason = bound<TzqcxDBRadioGroup>(tabReason, u"REASON__CODE"_s);
    rgReason->setObjectName(u"rgReason"_s);
    rgReason->setTitle(u"Reason for taking sample"_s);
    lineUp(rgReason);
    rgReason->SetItems({reasonCaption(u"E"_s), reasonCaption(u"S"_s)}, {u"E"_s, u"S"_s});
    qobject_cast<QHBoxLayout *>(rgReason->layout())->addStretch(1);
    rgReason->layout()->setSpacing(40);
    watchRadioChange(rgReason, u"REASON__CODE"_s, [this]() { rgReasonChange(); });
    page->addWidget(rgReason);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(reasonCaption(u"E"_s), tabReason);
    grpEnforcement->setObjectName(u"grpEnforcement"_s);
    auto *enforcement = formLayout(grpEnforcement);
    cmbSampleTypeEnforcement = lookup(grpEnforcement, u"SAMPLE_TYPE__CODE"_s, u"srcSampleTypeEnforcement"_s);
    cmbSampleTypeEnforcement->setObjectName(u"cmbSampleTypeEnforcement"_s);
    enforcement->addRow(caption(grpEnforcement, u"Sample Type:"_s, cmbSampleTypeEnforcement, true), cmbSampleTypeEnforcement);
    chkFollowUp = bound<TzqcxDBCheckBox>(grpEnforcement, u"FLAG_FOLLOW_UP"_s);
    chkFollowUp->setObjectName(u"chkFollowUp"_s);
    chkFollowUp->setText(u"Follow Up Sample"_s);
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, u"INDEX_NUMBER"_s);
    edtIndexNumber->setObjectName(u"edtIndexNumber"_s);
    enforcement->addRow(caption(grpEnforcement, u"Index Sample Number:"_s, edtIndexNumber), edtIndexNumber);
    chkFoodPoisoning = bound<TzqcxDBCheckBox>(grpEnforcement, u"FLAG_FOOD_POISONING"_s);
    chkFoodPoisoning->setObjectName(u"chkFoodPoisoning"_s);
    chkFoodPoisoning->setText(u"Food borne illness Investigation"_s);
    enforcement->addRow(QString(), chkFoodPoisoning);
    memDetails = bound<TzqcxDBMemo>(grpEnforcement, u"DETAILS"_s);
    memDetails->setObjectName(u"memDetails"_s);
    memDetails->SetMaxLength(1024);
    memDetails->setTabChangesFocus(true);
    enforcement->addRow(caption(grpEnforcement, u"Details (including relevant outbreak number):"_s, memDetails));
    enforcement->addRow(memDetails);

    grpSurveillance = new QGroupBox(reasonCaption(u"S"_s), tabReason);
    grpSurveillance->setObjectName(u"grpSurveillance"_s);
    auto *surveillance = formLayout(grpSurveillance);
    cmbSampleTypeSurveillance = lookup(grpSurveillance, u"SAMPLE_TYPE__CODE"_s, u"srcSampleTypeSurveillance"_s);
    cmbSampleTypeSurveillance->setObjectName(u"cmbSampleTypeSurveillance"_s);
    surveillance->addRow(caption(grpSurveillance, u"Sample Type:"_s, cmbSampleTypeSurveillance, true), cmbSampleTypeSurveillance);
    chkSurvey = bound<TzqcxDBCheckBox>(grpSurveillance, u"FLAG_SURVEY"_s);
    chkSurvey->setObjectName(u"chkSurvey"_s);
    chkSurvey->setText(u"Sample was taken as part of a survey"_s);
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, u"SURVEY_BODY__CODE"_s, u"srcSurveyBody"_s);
    cmbSurveyBody->setObjectName(u"cmbSurveyBody"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Body:"_s, cmbSurveyBody, true), cmbSurveyBody);
    cmbSurveyRef = pickList(grpSurveillance, u"SURVEY_NUMBER"_s, true);
    cmbSurveyRef->setObjectName(u"cmbSurveyRef"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Ref:"_s, cmbSurveyRef, true), cmbSurveyRef);

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
    auto *group = new QGroupBox(u"Description of sample taken"_s, tabDescription);
    group->setObjectName(u"grpDescription"_s);
    // Captions, fields, and beside the four category levels the category tree.
    auto *grid = gridLayout(group);
    grid->setColumnStretch(1, 1);
    CaptionGrid rows{grid};
    const auto addLine = [&rows](QLabel *label, QWidget *field, int span = 2) { rows.add(label, field, span); };

    cmbBrandName = pickList(group, u"BRAND_NAME"_s, true);
    cmbBrandName->setObjectName(u"cmbBrandName"_s);
    addLine(caption(group, u"Brand Name:"_s, cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, u"FOOD_DESCRIPTION"_s, true);
    cmbFoodDescription->setObjectName(u"cmbFoodDescription"_s);
    addLine(caption(group, u"Food Description:"_s, cmbFoodDescription, true), cmbFoodDescription);
    cmbProduct = lookup(group, u"PRODUCT__CODE"_s, u"srcProductType"_s);
    cmbProduct->setObjectName(u"cmbProduct"_s);
    addLine(caption(group, u"Nature of product:"_s, cmbProduct, true), cmbProduct);

    TzqcxDBTextEdit **levels[] = {&edtCategory, &edtSubCategory, &edtSubCategory2, &edtSubCategory3};
    const QStringList levelFields = {u"CATEGORY_DESCRIPTION"_s, u"SUB_CATEGORY_DESCRIPTION"_s,
                                     u"SUB_CATEGORY_2_DESCRIPTION"_s, u"SUB_CATEGORY_3_DESCRIPTION"_s};
    const QStringList levelNames = {u"edtCategory"_s, u"edtSubCategory"_s, u"edtSubCategory2"_s, u"edtSubCategory3"_s};
    const int firstLevel = rows.line;
    for (int i = 0; i < 4; ++i) {
        *levels[i] = bound<TzqcxDBTextEdit>(group, levelFields[i]);
        (*levels[i])->setObjectName(levelNames[i]);
        showReadOnly(*levels[i]);
        addLine(caption(group, i == 0 ? u"Category:"_s : u"Sub category:"_s, *levels[i], i == 0), *levels[i], 1);
    }
    categoryTreePanel(group);
    grid->addWidget(pnlCategoryTree, firstLevel, 2, 4, 1);

    cmbMAFF = lookup(group, u"MAFF__CODE"_s, u"srcMAFF"_s);
    cmbMAFF->setObjectName(u"cmbMAFF"_s);
    addLine(caption(group, u"MAFF Code:"_s, cmbMAFF), cmbMAFF);

    QWidget *additional = additionalInfoEditors(group, cmbAdditionalInfo, memAdditionalInfo);
    lblAdditionalInfo = caption(group, u"Additional Category Information:"_s, memAdditionalInfo, true);
    lblAdditionalInfo->setObjectName(u"lblAdditionalInfo"_s);
    addLabel(cmbAdditionalInfo, lblAdditionalInfo);
    addLine(lblAdditionalInfo, additional);

    cmbManufacturer = pickList(group, u"MANUFACTURER"_s, true);
    cmbManufacturer->setObjectName(u"cmbManufacturer"_s);
    addLine(caption(group, u"Manufacturer:"_s, cmbManufacturer), cmbManufacturer);
    cmbDistributor = pickList(group, u"DISTRIBUTER"_s, true);
    cmbDistributor->setObjectName(u"cmbDistributor"_s);
    addLine(caption(group, u"Distributor/Supplier/ Packer:"_s, cmbDistributor), cmbDistributor);
    cmbImporter = pickList(group, u"IMPORTER"_s, true);
    cmbImporter->setObjectName(u"cmbImporter"_s);
    addLine(caption(group, u"Importer (if appropriate):"_s, cmbImporter), cmbImporter);

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

    auto *packaging = new QGroupBox(u" Packaging "_s, tabAdditional);
    packaging->setObjectName(u"grpPackaging"_s);
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, u"PACKAGING__CODE"_s, u"srcPackagingType"_s);
    cmbPackaging->setObjectName(u"cmbPackaging"_s);
    btnLabelling = actionButton(actLabelling, actLabelling->text(), packaging);
    btnLabelling->setObjectName(u"btnLabelling"_s);
    pform->addRow(caption(packaging, u"Packaging provided:"_s, cmbPackaging, true), row(packaging, {cmbPackaging, btnLabelling}, false));
    cmbMaterial = lookup(packaging, u"MATERIAL__CODE"_s, u"srcMaterialType"_s);
    cmbMaterial->setObjectName(u"cmbMaterial"_s);
    pform->addRow(caption(packaging, u"Packaging material:"_s, cmbMaterial, true), cmbMaterial);
    edtOtherMaterial = bound<TzqcxDBTextEdit>(packaging, u"OTHER_MATERIAL"_s);
    edtOtherMaterial->setObjectName(u"edtOtherMaterial"_s);
    pform->addRow(caption(packaging, u"Other Material:"_s, edtOtherMaterial), edtOtherMaterial);
    quantityEdit(packaging);
    pform->addRow(caption(packaging, u"Pack Quantity/size:"_s, edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, u"PACK_SIZE"_s, u"srcPackagingUnit"_s);
    cmbPackUnits->setObjectName(u"cmbPackUnits"_s);
    pform->addRow(caption(packaging, u"Pack Units:"_s, cmbPackUnits), cmbPackUnits);
    batchNumberList(packaging);
    pform->addRow(caption(packaging, u"Batch/Lot No:"_s, cmbBatchNumber, true), cmbBatchNumber);
    edtHealthMark = bound<TzqcxDBTextEdit>(packaging, u"HEALTH_MARK"_s);
    edtHealthMark->setObjectName(u"edtHealthMark"_s);
    pform->addRow(caption(packaging, u"Health Mark:"_s, edtHealthMark), edtHealthMark);

    auto *durability = new QGroupBox(u" Durability "_s, tabAdditional);
    durability->setObjectName(u"grpDurability"_s);
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, u"DURABILITY__CODE"_s, u"srcDurability"_s);
    cmbDurability->setObjectName(u"cmbDurability"_s);
    dform->addRow(caption(durability, u"Durability:"_s, cmbDurability, true), cmbDurability);
    QWidget *dateRow = durabilityParts(durability, edtDurabilityDay, edtDurabilityMonth, edtDurabilityYear,
                                       {u"Day"_s, u"Month"_s, u"Year"_s});
    dform->addRow(QString(), dateRow);
    cmbCondition = lookup(durability, u"CONDITION__CODE"_s, u"srcCondition"_s);
    cmbCondition->setObjectName(u"cmbCondition"_s);
    dform->addRow(caption(durability, u"Condition:"_s, cmbCondition, true), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, u"OTHER_CONDITION"_s);
    edtOtherCondition->setObjectName(u"edtOtherCondition"_s);
    dform->addRow(caption(durability, u"If other, Specify:"_s, edtOtherCondition), edtOtherCondition);
    edtTemperature = bound<TzqcxDBSpinEdit>(durability, u"TEMPERATURE"_s);
    edtTemperature->setObjectName(u"edtTemperature"_s);
    edtTemperature->setDecimals(1);
    edtTemperature->setSingleStep(0.1);
    edtTemperature->SetRange(-999.9, 999.9);
    edtTemperature->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edtTemperature->setAlignment(Qt::AlignRight);
    edtTemperature->setFixedWidth(80);
    dform->addRow(caption(durability, u"Temperature:"_s, edtTemperature),
                  row(durability, {edtTemperature, new QLabel(u"(ºC)"_s)}));

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

    auto *compliance = new QGroupBox(u"Compliance with COP"_s, tabCOP);
    compliance->setObjectName(u"grpCompliance"_s);
    auto *cgrid = gridLayout(compliance);
    cmbCOPCondition = yesNo(compliance, u"FLAG_COP_CONDITION"_s);
    cmbCOPCondition->setObjectName(u"cmbCOPCondition"_s);
    cgrid->addWidget(longCaption(compliance, u"Sample was taken in compliance with COP and  relevant legislation:"_s,
                                 cmbCOPCondition, true),
                     0, 0);
    cgrid->addWidget(row(compliance, {cmbCOPCondition, new QLabel(u"(YES/NO)"_s)}), 0, 1);
    edtNotCOP = bound<TzqcxDBTextEdit>(compliance, u"NOT_COP"_s);
    edtNotCOP->setObjectName(u"edtNotCOP"_s);
    cgrid->addWidget(longCaption(compliance, u"Explanation:"_s, edtNotCOP, false), 1, 0);
    cgrid->addWidget(edtNotCOP, 1, 1);
    cmbCOPLab = yesNo(compliance, u"FLAG_COP_LAB"_s);
    cmbCOPLab->setObjectName(u"cmbCOPLab"_s);
    cgrid->addWidget(longCaption(compliance, u"Sample was transported to LAB in compliance with COP requirements:"_s,
                                 cmbCOPLab, true),
                     2, 0);
    cgrid->addWidget(row(compliance, {cmbCOPLab, new QLabel(u"(YES/NO)"_s)}), 2, 1);
    cmbLaboratory = lookup(compliance, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s);
    cmbLaboratory->setObjectName(u"cmbLaboratory"_s);
    cgrid->addWidget(longCaption(compliance, u"Laboratory:"_s, cmbLaboratory, true), 3, 0);
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

    setListSource(cmbPremisesType, state.premisesTypeSource, u"Code"_s, u"Description"_s);
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel.toHtmlEscaped() + requiredMark());
    setListSource(cmbCountry, state.countrySource, u"Name"_s, QString());
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
