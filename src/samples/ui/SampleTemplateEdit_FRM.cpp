#include "samples/ui/SampleTemplateEdit_FRM.h"

#include "base/ProductNames.h"
#include "core/Main_DM.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

using namespace SampleEditorLayout;

namespace {

// The columns a food template keeps.
constexpr auto FoodTemplateColumns =
    "UNIQUE_UUID, UNIQUE_ID, RECORD_TYPE, ANALYSIS_TYPE, LA_SAMPLENO, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, "
    "SAMPLE_NUMBER, LIMS_NUMBER, SAMPLE_OFFICER__CODE, SAMPLE_OFFICER_NAME, SAMPLE_DATE, SAMPLE_TIME, "
    "PREMISES_TYPE__CODE, UPDATE_PREMISES_FROM_LOOKUP, PREMISES_NAME, BUSINESS_ID, BUSINESS_ADDR_1, BUSINESS_ADDR_2, "
    "BUSINESS_ADDR_3, BUSINESS_ADDR_4, BUSINESS_POSTCODE, REASON__CODE, SAMPLE_TYPE__CODE, FLAG_FOLLOW_UP, INDEX_NUMBER, "
    "RISK_CATEGORY, FLAG_FOOD_POISONING, DETAILS, FLAG_SURVEY, SURVEY_BODY__CODE, SURVEY_NUMBER, BRAND_NAME, "
    "FOOD_DESCRIPTION, CATEGORY__CODE, CATEGORY_DESCRIPTION, SUB_CATEGORY__CODE, SUB_CATEGORY_DESCRIPTION, "
    "SUB_CATEGORY_2__CODE, SUB_CATEGORY_2_DESCRIPTION, SUB_CATEGORY_3__CODE, SUB_CATEGORY_3_DESCRIPTION, "
    "ADDITIONAL_INFO, PRODUCT__CODE, MANUFACTURER, DISTRIBUTER, IMPORTER, COUNTRY, PACKAGING__CODE, MATERIAL__CODE, "
    "OTHER_MATERIAL, QUANTITY, PACK_SIZE, HEALTH_MARK, DURABILITY__CODE, CONDITION__CODE, OTHER_CONDITION, "
    "TEMPERATURE, FLAG_COP_CONDITION, NOT_COP, FLAG_COP_LAB, LABORATORY__CODE, SAMPLE_COMMENTS, ROUTINE_ANALYSIS, "
    "ANALYSIS_TEXT, QOVA_INFO, RISK_CATEGORY_FOOD_STAND__CODE, MAFF__CODE, TEMPLATE_DESCRIPTION, "
    "TEMPLATE_CREATION_DATE, TEMPLATE_CREATION_TIME, PARENT_ID, TEMPLATE_GROUP, COUNTRY_REGION, ANALYSIS_COST"_L1;

} // namespace

void TSampleTemplateEditFrm::ShowEditor(QObject *owner, const QString &uuid, const QString &key)
{
    auto defaults = std::make_unique<TSampleTemplateEditFrmDefaults>();
    defaults->CreateSample = uuid.isEmpty();
    defaults->Uuid = uuid;
    defaults->Persist = true;
    try {
        TBasefrm::CreateAndShow<TSampleTemplateEditFrm>(key, owner, true, std::move(defaults));
    } catch (...) {
        // An editor that could not be opened is not kept under its key.
        delete dynamic_cast<TSampleTemplateEditFrm *>(TBasefrm::FindForm(owner, key));
        throw;
    }
}

TSampleTemplateEditFrm::TSampleTemplateEditFrm(QObject *AOwner)
    : SampleTemplateEditForm(AOwner, templateKindInfo(Varnex::PersonalityFood, u"  Food sample template"_s),
                             {u"Sample Template"_s, u"New Sample."_s, u"Sample Details."_s, QString(FoodTemplateColumns), true, true})
{
    setObjectName(u"SampleTemplateEditFrm"_s);
    buildAdminPage(u"Analysis Type:"_s, {u"Micro"_s, u"Chemical"_s}, u"srcPremisesType"_s,
                   [this](QFormLayout *form, QWidget *parent) {
                       cmbRiskCategory = lookup(parent, u"RISK_CATEGORY"_s, u"srcFoodSaftyRiskCategory"_s);
                       cmbRiskCategory->setObjectName(u"cmbRiskCategory"_s);
                       form->addRow(caption(parent, u"Food Safety Risk Category:"_s, cmbRiskCategory), cmbRiskCategory);
                       cmbRiskCategoryFS = lookup(parent, u"RISK_CATEGORY_FOOD_STAND__CODE"_s, u"srcFoodStandardsRiskCategory"_s);
                       cmbRiskCategoryFS->setObjectName(u"cmbRiskCategoryFS"_s);
                       form->addRow(caption(parent, u"Food Standards Risk Category:"_s, cmbRiskCategoryFS),
                                    cmbRiskCategoryFS);
                   });
    buildReasonPage();
    buildDescriptionPage();
    buildAdditionalPage();
    buildCOPPage();
    setPickLists({{cmbBrandName, u"BrandName"_s}, {cmbFoodDescription, u"FoodDescription"_s},
                  {cmbManufacturer, u"Manufacturer"_s}, {cmbDistributor, u"Distributor"_s}, {cmbImporter, u"Importer"_s}});
}

void TSampleTemplateEditFrm::buildReasonPage()
{
    QWidget *tab = addPage("tabReason", u"Reason"_s);
    auto *page = new QVBoxLayout(tab);
    rgReason = reasonRadio(tab, u"Reason for taking sample"_s,
                           {u"Enforcement/Investigation"_s, u"Surveillance/Monitoring"_s});
    page->addWidget(rgReason);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(u"Enforcement/Investigation"_s, tab);
    grpEnforcement->setObjectName(u"grpEnforcement"_s);
    auto *enforcement = formLayout(grpEnforcement);
    // The food lists of sample types and units: a sample made from the template is validated
    // against them.
    cmbSampleTypeEnforcement = lookup(grpEnforcement, u"SAMPLE_TYPE__CODE"_s, u"srcSampleTypeEnforcement"_s);
    cmbSampleTypeEnforcement->setObjectName(u"cmbSampleTypeEnforcement"_s);
    enforcement->addRow(caption(grpEnforcement, u"Sample Type:"_s, cmbSampleTypeEnforcement), cmbSampleTypeEnforcement);
    chkFollowUp = checkBox(grpEnforcement, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s);
    chkFollowUp->setObjectName(u"chkFollowUp"_s);
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, u"INDEX_NUMBER"_s);
    edtIndexNumber->setObjectName(u"edtIndexNumber"_s);
    enforcement->addRow(caption(grpEnforcement, u"Index Sample Number:"_s, edtIndexNumber), edtIndexNumber);
    chkFoodPoisoning = checkBox(grpEnforcement, u"FLAG_FOOD_POISONING"_s, u"Food borne illness Investigation"_s);
    chkFoodPoisoning->setObjectName(u"chkFoodPoisoning"_s);
    enforcement->addRow(QString(), chkFoodPoisoning);
    memDetails = bound<TzqcxDBMemo>(grpEnforcement, u"DETAILS"_s);
    memDetails->setObjectName(u"memDetails"_s);
    memDetails->setTabChangesFocus(true);
    enforcement->addRow(caption(grpEnforcement, u"Details (including relevant outbreak number):"_s, memDetails));
    enforcement->addRow(memDetails);

    grpSurveillance = new QGroupBox(u"Surveillance/Monitoring"_s, tab);
    grpSurveillance->setObjectName(u"grpSurveillance"_s);
    auto *surveillance = formLayout(grpSurveillance);
    cmbSampleTypeSurveillance = lookup(grpSurveillance, u"SAMPLE_TYPE__CODE"_s, u"srcSampleTypeSurveillance"_s);
    cmbSampleTypeSurveillance->setObjectName(u"cmbSampleTypeSurveillance"_s);
    surveillance->addRow(caption(grpSurveillance, u"Sample Type:"_s, cmbSampleTypeSurveillance), cmbSampleTypeSurveillance);
    chkSurvey = checkBox(grpSurveillance, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s);
    chkSurvey->setObjectName(u"chkSurvey"_s);
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, u"SURVEY_BODY__CODE"_s, u"srcSurveyBody"_s);
    cmbSurveyBody->setObjectName(u"cmbSurveyBody"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Body:"_s, cmbSurveyBody), cmbSurveyBody);
    edtSurveyRef = bound<TzqcxDBTextEdit>(grpSurveillance, u"SURVEY_NUMBER"_s);
    edtSurveyRef->setObjectName(u"edtSurveyRef"_s);
    surveillance->addRow(caption(grpSurveillance, u"Survey Ref:"_s, edtSurveyRef), edtSurveyRef);

    groups->addWidget(grpEnforcement, 1, Qt::AlignTop);
    groups->addWidget(grpSurveillance, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildDescriptionPage()
{
    QWidget *tab = addPage("tabDescription", u"Description"_s);
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(u"Description of sample taken"_s, tab);
    group->setObjectName(u"grpDescription"_s);
    auto *form = formLayout(group);

    cmbBrandName = pickList(group, u"BRAND_NAME"_s, true);
    cmbBrandName->setObjectName(u"cmbBrandName"_s);
    form->addRow(caption(group, u"Brand Name:"_s, cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, u"FOOD_DESCRIPTION"_s, true);
    cmbFoodDescription->setObjectName(u"cmbFoodDescription"_s);
    form->addRow(caption(group, u"Food Description:"_s, cmbFoodDescription), cmbFoodDescription);

    TzqcxDBTextEdit **levels[] = {&edtCategory, &edtSubCategory, &edtSubCategory2, &edtSubCategory3};
    const QStringList fields = {u"CATEGORY_DESCRIPTION"_s, u"SUB_CATEGORY_DESCRIPTION"_s, u"SUB_CATEGORY_2_DESCRIPTION"_s,
                                u"SUB_CATEGORY_3_DESCRIPTION"_s};
    const QStringList captions = {u"Category:"_s, u"Sub category:"_s, u"Sub category (level 2)"_s, u"Sub category (level 3)"_s};
    for (int i = 0; i < 4; ++i) {
        *levels[i] = bound<TzqcxDBTextEdit>(group, fields[i]);
        (*levels[i])->setObjectName(fields[i]);
        showReadOnly(*levels[i]);
        form->addRow(caption(group, captions[i], *levels[i]), *levels[i]);
    }
    form->addRow(QString(), row(group, {categoryTreePanel(group)}));
    cmbMAFF = lookup(group, u"MAFF__CODE"_s, u"srcMAFF"_s);
    cmbMAFF->setObjectName(u"cmbMAFF"_s);
    form->addRow(caption(group, u"MAFF Code:"_s, cmbMAFF), cmbMAFF);

    QWidget *additional = additionalInfoEditors(group, cmbAdditionalInfo, memAdditionalInfo);
    lblAdditionalInfo = caption(group, u"Additional Category Information:"_s, memAdditionalInfo);
    lblAdditionalInfo->setObjectName(u"lblAdditionalInfo"_s);
    form->addRow(lblAdditionalInfo, additional);

    cmbProduct = lookup(group, u"PRODUCT__CODE"_s, u"srcProductType"_s);
    cmbProduct->setObjectName(u"cmbProduct"_s);
    form->addRow(caption(group, u"Nature of product:"_s, cmbProduct), cmbProduct);
    cmbManufacturer = pickList(group, u"MANUFACTURER"_s, true);
    cmbManufacturer->setObjectName(u"cmbManufacturer"_s);
    form->addRow(caption(group, u"Manufacturer:"_s, cmbManufacturer), cmbManufacturer);
    cmbDistributor = pickList(group, u"DISTRIBUTER"_s, true);
    cmbDistributor->setObjectName(u"cmbDistributor"_s);
    form->addRow(caption(group, u"Distributor/Supplier/ Packer:"_s, cmbDistributor), cmbDistributor);
    cmbImporter = pickList(group, u"IMPORTER"_s, true);
    cmbImporter->setObjectName(u"cmbImporter"_s);
    form->addRow(caption(group, u"Importer (if appropriate):"_s, cmbImporter), cmbImporter);

    cmbCountryRegion = bound<TzqcxDBImageComboBox>(group, u"COUNTRY_REGION"_s);
    cmbCountryRegion->setObjectName(u"cmbCountryRegion"_s);
    for (const QString &region : {u"UK"_s, u"EU"_s, u"Non EU"_s})
        cmbCountryRegion->AddItem(region, region);
    cmbCountryRegion->setMinimumContentsLength(7);
    connect(cmbCountryRegion, &QComboBox::activated, this, [this]() { VerifyAll(); });
    cmbCountry = lookup(group, u"COUNTRY"_s, u"srcUKCountry"_s, u"Name"_s, QString());
    cmbCountry->setObjectName(u"cmbCountry"_s);
    auto *countryRow = row(group, {cmbCountryRegion, cmbCountry}, false);
    qobject_cast<QHBoxLayout *>(countryRow->layout())->setStretch(1, 1);
    form->addRow(caption(group, u"Country of origin:"_s, cmbCountry), countryRow);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildAdditionalPage()
{
    QWidget *tab = addPage("tabAdditional", u"Additional"_s);
    auto *page = new QVBoxLayout(tab);
    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);

    auto *packaging = new QGroupBox(u" Packaging "_s, tab);
    packaging->setObjectName(u"grpPackaging"_s);
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, u"PACKAGING__CODE"_s, u"srcPackagingType"_s);
    cmbPackaging->setObjectName(u"cmbPackaging"_s);
    pform->addRow(caption(packaging, u"Packaging provided:"_s, cmbPackaging), cmbPackaging);
    cmbMaterial = lookup(packaging, u"MATERIAL__CODE"_s, u"srcMaterialType"_s);
    cmbMaterial->setObjectName(u"cmbMaterial"_s);
    pform->addRow(caption(packaging, u"Packaging material:"_s, cmbMaterial), cmbMaterial);
    edtOtherMaterial = bound<TzqcxDBTextEdit>(packaging, u"OTHER_MATERIAL"_s);
    edtOtherMaterial->setObjectName(u"edtOtherMaterial"_s);
    pform->addRow(caption(packaging, u"Other Material:"_s, edtOtherMaterial), edtOtherMaterial);
    edtQuantity = quantityEdit(packaging);
    pform->addRow(caption(packaging, u"Pack Quantity/size:"_s, edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, u"PACK_SIZE"_s, u"srcPackagingUnit"_s);
    cmbPackUnits->setObjectName(u"cmbPackUnits"_s);
    pform->addRow(caption(packaging, u"Pack Units:"_s, cmbPackUnits), cmbPackUnits);
    edtHealthMark = bound<TzqcxDBTextEdit>(packaging, u"HEALTH_MARK"_s);
    edtHealthMark->setObjectName(u"edtHealthMark"_s);
    pform->addRow(caption(packaging, u"Health Mark:"_s, edtHealthMark), edtHealthMark);

    auto *durability = new QGroupBox(u" Durability "_s, tab);
    durability->setObjectName(u"grpDurability"_s);
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, u"DURABILITY__CODE"_s, u"srcDurability"_s);
    cmbDurability->setObjectName(u"cmbDurability"_s);
    dform->addRow(caption(durability, u"Durability:"_s, cmbDurability), cmbDurability);
    cmbCondition = lookup(durability, u"CONDITION__CODE"_s, u"srcCondition"_s);
    cmbCondition->setObjectName(u"cmbCondition"_s);
    dform->addRow(caption(durability, u"Condition:"_s, cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, u"OTHER_CONDITION"_s);
    edtOtherCondition->setObjectName(u"edtOtherCondition"_s);
    dform->addRow(caption(durability, u"If other, Specify"_s, edtOtherCondition), edtOtherCondition);

    groups->addWidget(packaging, 1, Qt::AlignTop);
    groups->addWidget(durability, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildCOPPage()
{
    QWidget *tab = addPage("tabCOP", u"COP"_s);
    auto *page = new QVBoxLayout(tab);
    buildAnalysisGroup(tab, page);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::applyViewState(const SampleViewState &state)
{
    SampleTemplateEditForm::applyViewState(state);
    // A template shows the group of its reason only.
    grpEnforcement->setVisible(state.enforcementGroup);
    grpSurveillance->setVisible(state.surveillanceGroup);
    enableWithLabel(memDetails, state.details);
    lblAdditionalInfo->setText(state.additionalInfoLabel);
    cmbAdditionalInfo->setVisible(state.additionalInfoList);
    memAdditionalInfo->setVisible(state.additionalInfoMemo);
    enableWithLabel(cmbMaterial, state.packagingMaterial);
    enableWithLabel(edtOtherMaterial, state.otherMaterial);
}

void TSampleTemplateEditFrm::qryData_BeforePost(SampleRow &row)
{
    applyProgramMark(row, Maindm->Version(), Maindm->LocalComputerName());
}
