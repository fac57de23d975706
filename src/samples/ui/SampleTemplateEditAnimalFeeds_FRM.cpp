#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"

#include "base/ProductNames.h"

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

// The columns an animal-feed template keeps: no sampling date or time, temperature, deeper
// category levels, region or analysis cost.
const char *FeedTemplateColumns =
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
    "TEMPLATE_DESCRIPTION, TEMPLATE_CREATION_DATE, TEMPLATE_CREATION_TIME, PARENT_ID, TEMPLATE_GROUP";

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
    : SampleTemplateEditForm(AOwner, templateKindInfo(Varnex::PersonalityAnimalFeed, S("  Animal feed sample template")),
                             {S("Animal Feeds Sample Template"), S("New Sample template."), S("Sample template details."),
                              S(FeedTemplateColumns), false, false})
{
    setObjectName(S("SampleTemplateEditAnimalFeedsFrm"));
    buildAdminPage(S("Analysis Type"), {S("&Micro"), S("&Chemical")}, S("srcFeedPremisesType"),
                   [this](QFormLayout *form, QWidget *parent) {
                       // The feed risk category is kept where the feed editor and the premises
                       // pick keep it.
                       cmbRiskCategory = lookup(parent, S("RISK_CATEGORY"), S("srcFeedRiskCategory"));
                       cmbRiskCategory->setObjectName(S("cmbRiskCategory"));
                       form->addRow(caption(parent, S("Feed risk category"), cmbRiskCategory), cmbRiskCategory);
                       edtRegistrationNumber = bound<TzqcxDBTextEdit>(parent, S("REGISTRATION_NUMBER"));
                       edtRegistrationNumber->setObjectName(S("edtRegistrationNumber"));
                       form->addRow(caption(parent, S("Registration number"), edtRegistrationNumber),
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
    setPickLists({{cmbBrandName, S("FeedName")}, {cmbFoodDescription, S("FeedDescription")}, {cmbImporter, S("FeedImporter")}});
}

void TSampleTemplateEditAnimalFeedsFrm::buildReasonPage()
{
    QWidget *tab = addPage("tabReason", S("Reason"));
    auto *page = new QVBoxLayout(tab);
    rgReason = reasonRadio(tab, S("Reason for sample taken"),
                           {S("&Enforcement/Investigation"), S("&Surveillance/Monitoring")});
    // Tab on the reason turns the page, as on the pages' forward buttons.
    rgReason->setProperty("tag", 10);
    page->addWidget(rgReason);

    auto *group = new QGroupBox(tab);
    group->setObjectName(S("grpReasonDetails"));
    auto *form = formLayout(group);
    // One sample type whose list follows the reason.
    cmbSampleType = lookup(group, S("SAMPLE_TYPE__CODE"), S("srcFeedSampleTypeSurveillance"));
    cmbSampleType->setObjectName(S("cmbSampleType"));
    form->addRow(caption(group, S("Sample Type"), cmbSampleType), cmbSampleType);
    chkFollowUp = checkBox(group, S("FLAG_FOLLOW_UP"), S("Follow Up Sample"));
    chkFollowUp->setObjectName(S("chkFollowUp"));
    form->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(group, S("INDEX_NUMBER"));
    edtIndexNumber->setObjectName(S("edtIndexNumber"));
    form->addRow(caption(group, S("Index Sample Number"), edtIndexNumber), edtIndexNumber);
    chkSurvey = checkBox(group, S("FLAG_SURVEY"), S("Sample was taken as part of a survey"));
    chkSurvey->setObjectName(S("chkSurvey"));
    form->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(group, S("SURVEY_BODY__CODE"), S("srcFeedSurveyBody"));
    cmbSurveyBody->setObjectName(S("cmbSurveyBody"));
    form->addRow(caption(group, S("Survey Body"), cmbSurveyBody), cmbSurveyBody);
    edtSurveyRef = bound<TzqcxDBTextEdit>(group, S("SURVEY_NUMBER"));
    edtSurveyRef->setObjectName(S("edtSurveyRef"));
    form->addRow(caption(group, S("Survey Ref"), edtSurveyRef), edtSurveyRef);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildLabelingPage()
{
    QWidget *tab = addPage("tabLabeling", S("Labeling"));
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(S("Labeling"), tab);
    group->setObjectName(S("grpLabeling"));
    auto *form = formLayout(group);
    cmbBrandName = pickList(group, S("BRAND_NAME"), false);
    cmbBrandName->setObjectName(S("cmbBrandName"));
    form->addRow(caption(group, S("Feed name"), cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, S("FOOD_DESCRIPTION"), false);
    cmbFoodDescription->setObjectName(S("cmbFoodDescription"));
    form->addRow(caption(group, S("Feed description"), cmbFoodDescription), cmbFoodDescription);
    edtCategory = bound<TzqcxDBTextEdit>(group, S("CATEGORY_DESCRIPTION"));
    edtCategory->setObjectName(S("edtCategory"));
    showReadOnly(edtCategory);
    form->addRow(caption(group, S("Category"), edtCategory), edtCategory);
    edtSubCategory = bound<TzqcxDBTextEdit>(group, S("SUB_CATEGORY_DESCRIPTION"));
    edtSubCategory->setObjectName(S("edtSubCategory"));
    showReadOnly(edtSubCategory);
    form->addRow(caption(group, S("Sub category"), edtSubCategory), edtSubCategory);
    form->addRow(QString(), row(group, {categoryTreePanel(group)}));
    btnCategoryTree->setText(S("Choose Category"));
    memAdditionalInfo = bound<TzqcxDBMemo>(group, S("ADDITIONAL_INFO"));
    memAdditionalInfo->setObjectName(S("memAdditionalInfo"));
    memAdditionalInfo->setTabChangesFocus(true);
    memAdditionalInfo->setFixedHeight(memAdditionalInfo->fontMetrics().lineSpacing() * 3 + 12);
    form->addRow(caption(group, S("Additional product information:"), memAdditionalInfo), memAdditionalInfo);
    cmbAnimalSpecies = lookup(group, S("ANIMAL_SPECIES__CODE"), S("srcAnimalSpecies"));
    cmbAnimalSpecies->setObjectName(S("cmbAnimalSpecies"));
    form->addRow(caption(group, S("Animal species"), cmbAnimalSpecies), cmbAnimalSpecies);
    cmbImporter = pickList(group, S("IMPORTER"), false);
    cmbImporter->setObjectName(S("cmbImporter"));
    form->addRow(caption(group, S("Importer (if appropriate)"), cmbImporter), cmbImporter);
    cmbCountry = lookup(group, S("COUNTRY"), S("srcCountry"), S("Name"), QString());
    cmbCountry->setObjectName(S("cmbCountry"));
    form->addRow(caption(group, S("Country of origin:"), cmbCountry), cmbCountry);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildAdditionalPage()
{
    QWidget *tab = addPage("tabAdditional", S("Additional"));
    auto *page = new QVBoxLayout(tab);
    auto *group = new QGroupBox(S(" Packaging and durability "), tab);
    group->setObjectName(S("grpPackaging"));
    auto *form = formLayout(group);
    cmbPackaging = lookup(group, S("PACKAGING__CODE"), S("srcFeedPackagingType"));
    cmbPackaging->setObjectName(S("cmbPackaging"));
    form->addRow(caption(group, S("Packaging provided"), cmbPackaging), cmbPackaging);
    edtQuantity = quantityEdit(group);
    form->addRow(caption(group, S("Package size"), edtQuantity), row(group, {edtQuantity}));
    cmbPackUnits = lookup(group, S("PACK_SIZE"), S("srcFeedPackagingUnit"));
    cmbPackUnits->setObjectName(S("cmbPackUnits"));
    form->addRow(caption(group, S("Package Units"), cmbPackUnits), cmbPackUnits);
    cmbDurability = lookup(group, S("DURABILITY__CODE"), S("srcFeedDurability"));
    cmbDurability->setObjectName(S("cmbDurability"));
    form->addRow(caption(group, S("Durability:"), cmbDurability), cmbDurability);
    cmbCondition = lookup(group, S("CONDITION__CODE"), S("srcFeedCondition"));
    cmbCondition->setObjectName(S("cmbCondition"));
    form->addRow(caption(group, S("Condition:"), cmbCondition), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(group, S("OTHER_CONDITION"));
    edtOtherCondition->setObjectName(S("edtOtherCondition"));
    form->addRow(caption(group, S("If other, Specify"), edtOtherCondition), edtOtherCondition);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::buildAnalysisPage()
{
    QWidget *tab = addPage("tabAnalysis", S("Analysis"));
    auto *page = new QVBoxLayout(tab);
    buildAnalysisGroup(tab, page);
    page->addWidget(pageButtons(tab, true, true, true));
}

void TSampleTemplateEditAnimalFeedsFrm::applyViewState(const SampleViewState &state)
{
    SampleTemplateEditForm::applyViewState(state);
    setListSource(cmbSampleType, state.sampleTypeSource, S("Code"), S("Description"));
}
