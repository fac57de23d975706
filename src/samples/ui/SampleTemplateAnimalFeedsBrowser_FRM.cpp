#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"

#include "base/ProductNames.h"
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"

void TSampleTemplateAnimalFeedsBrowserFrm::ShowTemplates(QObject *owner)
{
    TBasefrm::CreateAndShow<TSampleTemplateAnimalFeedsBrowserFrm>(SampleBrowserFormKey(), owner, true);
}

TSampleTemplateAnimalFeedsBrowserFrm::TSampleTemplateAnimalFeedsBrowserFrm(QObject *AOwner)
    : TSampleTemplateBrowserFrm(AOwner, Varnex::PersonalityAnimalFeed)
{
}

void TSampleTemplateAnimalFeedsBrowserFrm::ShowTemplateEditor(const QString &uuid)
{
    TSampleTemplateEditAnimalFeedsFrm::ShowEditor(this, uuid,
                                                  uuid.isEmpty() ? TSampleTemplateEditAnimalFeedsFrm::NewFormKey()
                                                                 : TSampleTemplateEditAnimalFeedsFrm::FormKey());
}

void TSampleTemplateAnimalFeedsBrowserFrm::ShowSampleEditor(const QString &sampleUuid)
{
    auto defaults = std::make_unique<TSampleEditAnimalFeedsFrmDefaults>();
    defaults->Uuid = sampleUuid;
    TSampleEditAnimalFeedsFrm::ShowEditor(this, std::move(defaults), SampleEditorFormKey());
}

bool TSampleTemplateAnimalFeedsBrowserFrm::CanCreateSampleFromCurrent() const
{
    return !CurrentUuid().isEmpty();
}
