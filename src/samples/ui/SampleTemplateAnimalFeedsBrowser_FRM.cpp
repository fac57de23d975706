#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"
#include "store/SqlUtil.h"

namespace {

TSampleTemplateAnimalFeedsBrowserFrm::SampleEditorOpener &sampleEditorOpener()
{
    static TSampleTemplateAnimalFeedsBrowserFrm::SampleEditorOpener opener;
    return opener;
}

} // namespace

void TSampleTemplateAnimalFeedsBrowserFrm::ShowTemplates(QObject *owner)
{
    TBasefrm::CreateAndShow<TSampleTemplateAnimalFeedsBrowserFrm>(SampleBrowserFormKey(), owner, true);
}

void TSampleTemplateAnimalFeedsBrowserFrm::SetSampleEditorOpener(SampleEditorOpener opener)
{
    sampleEditorOpener() = std::move(opener);
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
    if (sampleEditorOpener()) {
        sampleEditorOpener()(this, sampleUuid);
        return;
    }
    const QString code = SqlUtil::scalar(LocalDatabase(), QStringLiteral("SELECT CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"),
                                         {sampleUuid})
                             .toString();
    Prompter::current().information(Varnex::ProgramName,
                                    QStringLiteral("The sample %1 was made from the template.").arg(code));
}

bool TSampleTemplateAnimalFeedsBrowserFrm::CanCreateSampleFromCurrent() const
{
    return !CurrentUuid().isEmpty();
}
