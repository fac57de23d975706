#include "app/TemplateActions.h"

#include "app/Main_FRM.h"
#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"
#include "samples/ui/SampleTemplateBrowser_FRM.h"

void TemplateActions::install(TMainfrm &window)
{
    TMainfrm *w = &window;
    window.SetActionHandler(window.actShowSampleTemplates, [w]() {
        TBasefrm::CreateAndShow<TSampleTemplateBrowserFrm>(TSampleTemplateBrowserFrm::FormKey(), w, false);
    });
    window.SetActionHandler(window.actShowSampleTemplatesAF, [w]() {
        TBasefrm::CreateAndShow<TSampleTemplateAnimalFeedsBrowserFrm>(TSampleTemplateAnimalFeedsBrowserFrm::FormKey(), w,
                                                                      false);
    });
}
