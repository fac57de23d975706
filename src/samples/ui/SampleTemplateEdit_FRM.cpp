#include "samples/ui/SampleTemplateEdit_FRM.h"

#include "base/ProductNames.h"
#include "core/Main_DM.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace SampleEditorLayout;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// The columns a food template keeps.
const char *FoodTemplateColumns =
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
    "TEMPLATE_CREATION_DATE, TEMPLATE_CREATION_TIME, PARENT_ID, TEMPLATE_GROUP, COUNTRY_REGION, ANALYSIS_COST";

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
    : SampleTemplateEditForm(AOwner, templateKindInfo(Varnex::PersonalityFood, S("  Food sample template")),
                             {S("Sample Template"), S("New Sample."), S("Sample Details."), S(FoodTemplateColumns), true, true})
{
    setObjectName(S("SampleTemplateEditFrm"));
    buildAdminPage(S("Analysis Type:"), {S("Micro"), S("Chemical")}, S("srcPremisesType"),
                   [this](QFormLayout *form, QWidget *parent) {
                       cmbRiskCategory = lookup(parent, S("RISK_CATEGORY"), S("srcFoodSaftyRiskCategory"));
                       cmbRiskCategory->setObjectName(S("cmbRiskCategory"));
                       form->addRow(caption(parent, S("Food Safety Risk Category:"), cmbRiskCategory), cmbRiskCategory);
                       cmbRiskCategoryFS = lookup(parent, S("RISK_CATEGORY_FOOD_STAND__CODE"), S("srcFoodStandardsRiskCategory"));
                       cmbRiskCategoryFS->setObjectName(S("cmbRiskCategoryFS"));
                       form->addRow(caption(parent, S("Food Standards Risk Category:"), cmbRiskCategoryFS),
                                    cmbRiskCategoryFS);
                   });
    buildReasonPage();
    buildDescriptionPage();
    buildAdditionalPage();
    buildCOPPage();
    setPickLists({{cmbBrandName, S("BrandName")}, {cmbFoodDescription, S("FoodDescription")},
                  {cmbManufacturer, S("Manufacturer")}, {cmbDistributor, S("Distributor")}, {cmbImporter, S("Importer")}});
}

void TSampleTemplateEditFrm::buildReasonPage()
{
    QWidget *tab = addPage("tabReason", S("Reason"));
    auto *page = new QVBoxLayout(tab);
    rgReason = reasonRadio(tab, S("Reason for taking sample"),
                           {S("Enforcement/Investigation"), S("Surveillance/Monitoring")});
    page->addWidget(rgReason);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(S("Enforcement/Investigation"), tab);
    grpEnforcement->setObjectName(S("grpEnforcement"));
    auto *enforcement = formLayout(grpEnforcement);
    // The food lists of sample types and units: a sample made from the template is validated
    // against them.
    cmbSampleTypeEnforcement = lookup(grpEnforcement, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeEnforcement"));
    cmbSampleTypeEnforcement->setObjectName(S("cmbSampleTypeEnforcement"));
    enforcement->addRow(caption(grpEnforcement, S("Sample Type:"), cmbSampleTypeEnforcement), cmbSampleTypeEnforcement);
    chkFollowUp = checkBox(grpEnforcement, S("FLAG_FOLLOW_UP"), S("Follow Up Sample"));
    chkFollowUp->setObjectName(S("chkFollowUp"));
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, S("INDEX_NUMBER"));
    edtIndexNumber->setObjectName(S("edtIndexNumber"));
    enforcement->addRow(caption(grpEnforcement, S("Index Sample Number:"), edtIndexNumber), edtIndexNumber);
    chkFoodPoisoning = checkBox(grpEnforcement, S("FLAG_FOOD_POISONING"), S("Food borne illness Investigation"));
    chkFoodPoisoning->setObjectName(S("chkFoodPoisoning"));
    enforcement->addRow(QString(), chkFoodPoisoning);
    memDetails = bound<TzqcxDBMemo>(grpEnforcement, S("DETAILS"));
    memDetails->setObjectName(S("memDetails"));
    memDetails->setTabChangesFocus(true);
    enforcement->addRow(caption(grpEnforcement, S("Details (including relevant outbreak number):"), memDetails));
    enforcement->addRow(memDetails);

    grpSurveillance = new QGroupBox(S("Surveillance/Monitoring"), tab);
    grpSurveillance->setObjectName(S("grpSurveillance"));
    auto *surveillance = formLayout(grpSurveillance);
    cmbSampleTypeSurveillance = lookup(grpSurveillance, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeSurveillance"));
    cmbSampleTypeSurveillance->setObjectName(S("cmbSampleTypeSurveillance"));
    surveillance->addRow(caption(grpSurveillance, S("Sample Type:"), cmbSampleTypeSurveillance), cmbSampleTypeSurveillance);
    chkSurvey = checkBox(grpSurveillance, S("FLAG_SURVEY"), S("Sample was taken as part of a survey"));
    chkSurvey->setObjectName(S("chkSurvey"));
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, S("SURVEY_BODY__CODE"), S("srcSurveyBody"));
    cmbSurveyBody->setObjectName(S("cmbSurveyBody"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Body:"), cmbSurveyBody), cmbSurveyBody);
    edtSurveyRef = bound<TzqcxDBTextEdit>(grpSurveillance, S("SURVEY_NUMBER"));
    edtSurveyRef->setObjectName(S("edtSurveyRef"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Ref:"), edtSurveyRef), edtSurveyRef);

    groups->addWidget(grpEnforcement, 1, Qt::AlignTop);
    groups->addWidget(grpSurveillance, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildDescriptionPage()
{
    QWidget *tab = addPage("tabDescription", S("Description"));
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(S("Description of sample taken"), tab);
    group->setObjectName(S("grpDescription"));
    auto *form = formLayout(group);

    cmbBrandName = pickList(group, S("BRAND_NAME"), true);
    cmbBrandName->setObjectName(S("cmbBrandName"));
    form->addRow(caption(group, S("Brand Name:"), cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, S("FOOD_DESCRIPTION"), true);
    cmbFoodDescription->setObjectName(S("cmbFoodDescription"));
    form->addRow(caption(group, S("Food Description:"), cmbFoodDescription), cmbFoodDescription);

    TzqcxDBTextEdit **levels[] = {&edtCategory, &edtSubCategory, &edtSubCategory2, &edtSubCategory3};
    const QStringList fields = {S("CATEGORY_DESCRIPTION"), S("SUB_CATEGORY_DESCRIPTION"), S("SUB_CATEGORY_2_DESCRIPTION"),
                                S("SUB_CATEGORY_3_DESCRIPTION")};
    const QStringList captions = {S("Category:"), S("Sub category:"), S("Sub category (level 2)"), S("Sub category (level 3)")};
    for (int i = 0; i < 4; ++i) {
        *levels[i] = bound<TzqcxDBTextEdit>(group, fields[i]);
        (*levels[i])->setObjectName(fields[i]);
        showReadOnly(*levels[i]);
        form->addRow(caption(group, captions[i], *levels[i]), *levels[i]);
    }
    form->addRow(QString(), row(group, {categoryTreePanel(group)}));
    cmbMAFF = lookup(group, S("MAFF__CODE"), S("srcMAFF"));
    cmbMAFF->setObjectName(S("cmbMAFF"));
    form->addRow(caption(group, S("MAFF Code:"), cmbMAFF), cmbMAFF);

    QWidget *additional = additionalInfoEditors(group, cmbAdditionalInfo, memAdditionalInfo);
    lblAdditionalInfo = caption(group, S("Additional Category Information:"), memAdditionalInfo);
    lblAdditionalInfo->setObjectName(S("lblAdditionalInfo"));
    form->addRow(lblAdditionalInfo, additional);

    cmbProduct = lookup(group, S("PRODUCT__CODE"), S("srcProductType"));
    cmbProduct->setObjectName(S("cmbProduct"));
    form->addRow(caption(group, S("Nature of product:"), cmbProduct), cmbProduct);
    cmbManufacturer = pickList(group, S("MANUFACTURER"), true);
    cmbManufacturer->setObjectName(S("cmbManufacturer"));
    form->addRow(caption(group, S("Manufacturer:"), cmbManufacturer), cmbManufacturer);
    cmbDistributor = pickList(group, S("DISTRIBUTER"), true);
    cmbDistributor->setObjectName(S("cmbDistributor"));
    form->addRow(caption(group, S("Distributor/Supplier/ Packer:"), cmbDistributor), cmbDistributor);
    cmbImporter = pickList(group, S("IMPORTER"), true);
    cmbImporter->setObjectName(S("cmbImporter"));
    form->addRow(caption(group, S("Importer (if appropriate):"), cmbImporter), cmbImporter);

    cmbCountryRegion = bound<TzqcxDBImageComboBox>(group, S("COUNTRY_REGION"));
    cmbCountryRegion->setObjectName(S("cmbCountryRegion"));
    for (const QString &region : {S("UK"), S("EU"), S("Non EU")})
        cmbCountryRegion->AddItem(region, region);
    cmbCountryRegion->setMinimumContentsLength(7);
    connect(cmbCountryRegion, &QComboBox::activated, this, [this]() { VerifyAll(); });
    cmbCountry = lookup(group, S("COUNTRY"), S("srcUKCountry"), S("Name"), QString());
    cmbCountry->setObjectName(S("cmbCountry"));
    auto *countryRow = row(group, {cmbCountryRegion, cmbCountry}, false);
    qobject_cast<QHBoxLayout *>(countryRow->layout())->setStretch(1, 1);
    form->addRow(caption(group, S("Country of origin:"), cmbCountry), countryRow);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildAdditionalPage()
{
    QWidget *tab = addPage("tabAdditional", S("Additional"));
    auto *page = new QVBoxLayout(tab);
    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);

    auto *packaging = new QGroupBox(S(" Packaging "), tab);
    packaging->setObjectName(S("grpPackaging"));
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, S("PACKAGING__CODE"), S("srcPackagingType"));
    cmbPackaging->setObjectName(S("cmbPackaging"));
    pform->addRow(caption(packaging, S("Packaging provided:"), cmbPackaging), cmbPackaging);
    cmbMaterial = lookup(packaging, S("MATERIAL__CODE"), S("srcMaterialType"));
    cmbMaterial->setObjectName(S("cmbMaterial"));
    pform->addRow(caption(packaging, S("Packaging material:"), cmbMaterial), cmbMaterial);
    edtOtherMaterial = bound<TzqcxDBTextEdit>(packaging, S("OTHER_MATERIAL"));
    edtOtherMaterial->setObjectName(S("edtOtherMaterial"));
    pform->addRow(caption(packaging, S("Other Material:"), edtOtherMaterial), edtOtherMaterial);
    edtQuantity = quantityEdit(packaging);
    pform->addRow(caption(packaging, S("Pack Quantity/size:"), edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, S("PACK_SIZE"), S("srcPackagingUnit"));
    cmbPackUnits->setObjectName(S("cmbPackUnits"));
    pform->addRow(caption(packaging, S("Pack Units:"), cmbPackUnits), cmbPackUnits);
    edtHealthMark = bound<TzqcxDBTextEdit>(packaging, S("HEALTH_MARK"));
    edtHealthMark->setObjectName(S("edtHealthMark"));
    pform->addRow(caption(packaging, S("Health Mark:"), edtHealthMark), edtHealthMark);

    auto *durability = new QGroupBox(S(" Durability "), tab);
    durability->setObjectName(S("grpDurability"));
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, S("DURABILITY__CODE"), S("srcDurability"));
    cmbDurability->setObjectName(S("cmbDurability"));
    dform->addRow(caption(durability, S("Durability:"), cmbDurability), cmbDurability);
    cmbCondition = lookup(durability, S("CONDITION__CODE"), S("srcCondition"));
    cmbCondition->setObjectName(S("cmbCondition"));
    dform->addRow(caption(durability, S("Condition:"), cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, S("OTHER_CONDITION"));
    edtOtherCondition->setObjectName(S("edtOtherCondition"));
    dform->addRow(caption(durability, S("If other, Specify"), edtOtherCondition), edtOtherCondition);

    groups->addWidget(packaging, 1, Qt::AlignTop);
    groups->addWidget(durability, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditFrm::buildCOPPage()
{
    QWidget *tab = addPage("tabCOP", S("COP"));
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
