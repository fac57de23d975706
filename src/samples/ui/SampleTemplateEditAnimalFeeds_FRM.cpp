#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"

#include "base/ProductNames.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

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
    buildPages(SampleFields::animalFeedTemplateFields());
}

void TSampleTemplateEditAnimalFeedsFrm::applyViewState(const SampleViewState &state)
{
    SampleTemplateEditForm::applyViewState(state);
    setListSource(cmbSampleType, state.sampleTypeSource, u"Code"_s, u"Description"_s);
}
