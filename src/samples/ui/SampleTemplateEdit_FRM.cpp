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
    buildPages(SampleFields::foodTemplateFields());
}

void TSampleTemplateEditFrm::applyViewState(const SampleViewState &state)
{
    SampleTemplateEditForm::applyViewState(state);
    lblAdditionalInfo->setText(state.additionalInfoLabel);
}

void TSampleTemplateEditFrm::qryData_BeforePost(SampleRow &row)
{
    applyProgramMark(row, Maindm->Version(), Maindm->LocalComputerName());
}
