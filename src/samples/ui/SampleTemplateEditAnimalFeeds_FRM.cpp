#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"

#include "base/ProductNames.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

using namespace SampleEditorLayout;

namespace {

// The columns an animal-feed template keeps: no sampling date or time, temperature, deeper
// category levels, region or analysis cost.
constexpr auto FeedTemplateColumns =
    "UNIQUE_UUID, UNIQUE_ID, RECORD_TYPE, ANALYSIS_TYPE, LA_SAMPLENO, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, "
    "SAMPLE_NUMBER, LIMS_NUMBER, SAMPLE_OFFICER__CODE, SAMPLE_OFFICER_NAME, PREMISES_TYPE__CODE, "
    "UPDATE_PREMISES_FROM_LOOKUP, PREMISES_NAME, BUSINESS_ID, BUSINESS_ADDR_1, BUSINESS_ADDR_2, BUSINESS_ADDR_3, "
    "BUSINESS_ADDR_4, BUSINESS_POSTCODE, REASON__CODE, SAMPLE_TYPE__CODE, FLAG_FOLLOW_UP, INDEX_NUMBER, RISK_CATEGORY, "
    "FLAG_FOOD_POISONING, DETAILS, FLAG_SURVEY, SURVEY_BODY__CODE, SURVEY_NUMBER, BRAND_NAME, FOOD_DESCRIPTION, "
    "CATEGORY__CODE, CATEGORY_DESCRIPTION, SUB_CATEGORY__CODE, SUB_CATEGORY_DESCRIPTION, ADDITIONAL_INFO, "
    "PRODUCT__CODE, MANUFACTURER, DISTRIBUTER, IMPORTER, COUNTRY, PACKAGING__CODE, MATERIAL__CODE, OTHER_MATERIAL, "
    "QUANTITY, PACK_SIZE, HEALTH_MARK, DURABILITY__CODE, CONDITION__CODE, OTHER_CONDITION, FLAG_COP_CONDITION, "
    "NOT_COP, FLAG_COP_LAB, LABORATORY__CODE, SAMPLE_COMMENTS, LABORATORY_COMMENTS, ROUTINE_ANALYSIS, ANALYSIS_TEXT, "
    "QOVA_INFO, RISK_CATEGORY_FOOD_STAND__CODE, MAFF__CODE, REGISTRATION_NUMBER, ANIMAL_SPECIES__CODE, "
    "TEMPLATE_DESCRIPTION, TEMPLATE_CREATION_DATE, TEMPLATE_CREATION_TIME, PARENT_ID, TEMPLATE_GROUP"_L1;

} // namespace

void TSampleTemplateEditAnimalFeedsFrm::ShowEditor(QObject *owner, const QString &uuid, const QString &key)
{
    auto defaults = std::make_unique<TSampleTemplateEditAnimalFeedsFrmDefaults>();
    defaults->CreateSample = uuid.isEmpty();
    defaults->Uuid = uuid;
    defaults->Persist = true;
    try {
        TBasefrm::CreateAndShow<TSampleTemplateEditAnimalFeedsFrm>(key, owner, true, std::move(defaults));
    } catch (...) {
        delete dynamic_cast<TSampleTemplateEditAnimalFeedsFrm *>(TBasefrm::FindForm(owner, key));
        throw;
    }
}

TSampleTemplateEditAnimalFeedsFrm::TSampleTemplateEditAnimalFeedsFrm(QObject *AOwner)
    : SampleTemplateEditForm(AOwner, templateKindInfo(Varnex::PersonalityAnimalFeed, u"  Animal feed sample template"_s),
                             {u"Animal Feeds Sample Template"_s, u"New Sample template."_s, u"Sample template details."_s,
                              QString(FeedTemplateColumns), false, false})
{
    setObjectName(u"SampleTemplateEditAnimalFeedsFrm"_s);
    buildAdminPage(u"Analysis Type"_s, {u"&Micro"_s, u"&Chemical"_s}, u"srcFeedPremisesType"_s,
                   [this](QFormLayout *form, QWidget *parent) {
                       // The feed risk category is kept where the feed editor and the premises
                       // pick keep it.
                       cmbRiskCategory = lookup(parent, u"RISK_CATEGORY"_s, u"srcFeedRiskCategory"_s);
                       cmbRiskCategory->setObjectName(u"cmbRiskCategory"_s);
                       form->addRow(caption(parent, u"Feed risk category"_s, cmbRiskCategory), cmbRiskCategory);
                       edtRegistrationNumber = bound<TzqcxDBTextEdit>(parent, u"REGISTRATION_NUMBER"_s);
                       edtRegistrationNumber->setObjectName(u"edtRegistrationNumber"_s);
                       form->addRow(caption(parent, u"Registration number"_s, edtRegistrationNumber),
                                    edtRegistrationNumber);
                   });
    // Feed templates are always chemical: the analysis type is not offered.
    rgAnalysisType->setVisible(false);
    for (QLabel *label : findChildren<QLabel *>())
        if (label->buddy() == rgAnalysisType)
            label->setVisible(false);
    buildReasonPage();
    buildLabelingPage();
    buildAdditionalPage();
    buildAnalysisPage();
    setPickLists({{cmbBrandName, u"FeedName"_s}, {cmbFoodDescription, u"FeedDescription"_s}, {cmbImporter, u"FeedImporter"_s}});
}

void TSampleTemplateEditAnimalFeedsFrm::buildReasonPage()
{
    QWidget *tab = addPage("tabReason", u"Reason"_s);
    auto *page = new QVBoxLayout(tab);
    rgReason = reasonRadio(tab, u"Reason for sample taken"_s,
                           {u"&Enforcement/Investigation"_s, u"&Surveillance/Monitoring"_s});
    // Tab on the reason turns the page, as on the pages' forward buttons.
    rgReason->setProperty("tag", 10);
    page->addWidget(rgReason);

    auto *group = new QGroupBox(tab);
    group->setObjectName(u"grpReasonDetails"_s);
    auto *form = formLayout(group);
    // One sample type whose list follows the reason.
    cmbSampleType = lookup(group, u"SAMPLE_TYPE__CODE"_s, u"srcFeedSampleTypeSurveillance"_s);
    cmbSampleType->setObjectName(u"cmbSampleType"_s);
    form->addRow(caption(group, u"Sample Type"_s, cmbSampleType), cmbSampleType);
    chkFollowUp = checkBox(group, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s);
    chkFollowUp->setObjectName(u"chkFollowUp"_s);
    form->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(group, u"INDEX_NUMBER"_s);
    edtIndexNumber->setObjectName(u"edtIndexNumber"_s);
    form->addRow(caption(group, u"Index Sample Number"_s, edtIndexNumber), edtIndexNumber);
    chkSurvey = checkBox(group, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s);
    chkSurvey->setObjectName(u"chkSurvey"_s);
    form->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(group, u"SURVEY_BODY__CODE"_s, u"srcFeedSurveyBody"_s);
    cmbSurveyBody->setObjectName(u"cmbSurveyBody"_s);
    form->addRow(caption(group, u"Survey Body"_s, cmbSurveyBody), cmbSurveyBody);
    edtSurveyRef = bound<TzqcxDBTextEdit>(group, u"SURVEY_NUMBER"_s);
    edtSurveyRef->setObjectName(u"edtSurveyRef"_s);
    form->addRow(caption(group, u"Survey Ref"_s, edtSurveyRef), edtSurveyRef);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildLabelingPage()
{
    QWidget *tab = addPage("tabLabeling", u"Labeling"_s);
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(u"Labeling"_s, tab);
    group->setObjectName(u"grpLabeling"_s);
    auto *form = formLayout(group);
    cmbBrandName = pickList(group, u"BRAND_NAME"_s, false);
    cmbBrandName->setObjectName(u"cmbBrandName"_s);
    form->addRow(caption(group, u"Feed name"_s, cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, u"FOOD_DESCRIPTION"_s, false);
    cmbFoodDescription->setObjectName(u"cmbFoodDescription"_s);
    form->addRow(caption(group, u"Feed description"_s, cmbFoodDescription), cmbFoodDescription);
    edtCategory = bound<TzqcxDBTextEdit>(group, u"CATEGORY_DESCRIPTION"_s);
    edtCategory->setObjectName(u"edtCategory"_s);
    showReadOnly(edtCategory);
    form->addRow(caption(group, u"Category"_s, edtCategory), edtCategory);
    edtSubCategory = bound<TzqcxDBTextEdit>(group, u"SUB_CATEGORY_DESCRIPTION"_s);
    edtSubCategory->setObjectName(u"edtSubCategory"_s);
    showReadOnly(edtSubCategory);
    form->addRow(caption(group, u"Sub category"_s, edtSubCategory), edtSubCategory);
    form->addRow(QString(), row(group, {categoryTreePanel(group)}));
    btnCategoryTree->setText(u"Choose Category"_s);
    memAdditionalInfo = bound<TzqcxDBMemo>(group, u"ADDITIONAL_INFO"_s);
    memAdditionalInfo->setObjectName(u"memAdditionalInfo"_s);
    memAdditionalInfo->setTabChangesFocus(true);
    memAdditionalInfo->setFixedHeight(memAdditionalInfo->fontMetrics().lineSpacing() * 3 + 12);
    form->addRow(caption(group, u"Additional product information:"_s, memAdditionalInfo), memAdditionalInfo);
    cmbAnimalSpecies = lookup(group, u"ANIMAL_SPECIES__CODE"_s, u"srcAnimalSpecies"_s);
    cmbAnimalSpecies->setObjectName(u"cmbAnimalSpecies"_s);
    form->addRow(caption(group, u"Animal species"_s, cmbAnimalSpecies), cmbAnimalSpecies);
    cmbImporter = pickList(group, u"IMPORTER"_s, false);
    cmbImporter->setObjectName(u"cmbImporter"_s);
    form->addRow(caption(group, u"Importer (if appropriate)"_s, cmbImporter), cmbImporter);
    cmbCountry = lookup(group, u"COUNTRY"_s, u"srcCountry"_s, u"Name"_s, QString());
    cmbCountry->setObjectName(u"cmbCountry"_s);
    form->addRow(caption(group, u"Country of origin:"_s, cmbCountry), cmbCountry);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildAdditionalPage()
{
    QWidget *tab = addPage("tabAdditional", u"Additional"_s);
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(u" Packaging and durability "_s, tab);
    group->setObjectName(u"grpPackaging"_s);
    auto *form = formLayout(group);
    cmbPackaging = lookup(group, u"PACKAGING__CODE"_s, u"srcFeedPackagingType"_s);
    cmbPackaging->setObjectName(u"cmbPackaging"_s);
    form->addRow(caption(group, u"Packaging provided"_s, cmbPackaging), cmbPackaging);
    edtQuantity = quantityEdit(group);
    form->addRow(caption(group, u"Package size"_s, edtQuantity), row(group, {edtQuantity}));
    cmbPackUnits = lookup(group, u"PACK_SIZE"_s, u"srcFeedPackagingUnit"_s);
    cmbPackUnits->setObjectName(u"cmbPackUnits"_s);
    form->addRow(caption(group, u"Package Units"_s, cmbPackUnits), cmbPackUnits);
    cmbDurability = lookup(group, u"DURABILITY__CODE"_s, u"srcFeedDurability"_s);
    cmbDurability->setObjectName(u"cmbDurability"_s);
    form->addRow(caption(group, u"Durability:"_s, cmbDurability), cmbDurability);
    cmbCondition = lookup(group, u"CONDITION__CODE"_s, u"srcFeedCondition"_s);
    cmbCondition->setObjectName(u"cmbCondition"_s);
    form->addRow(caption(group, u"Condition:"_s, cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(group, u"OTHER_CONDITION"_s);
    edtOtherCondition->setObjectName(u"edtOtherCondition"_s);
    form->addRow(caption(group, u"If other, Specify"_s, edtOtherCondition), edtOtherCondition);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildAnalysisPage()
{
    QWidget *tab = addPage("tabAnalysis", u"Analysis"_s);
    auto *page = new QVBoxLayout(tab);
    buildAnalysisGroup(tab, page);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::applyViewState(const SampleViewState &state)
{
    SampleTemplateEditForm::applyViewState(state);
    setListSource(cmbSampleType, state.sampleTypeSource, u"Code"_s, u"Description"_s);
}
