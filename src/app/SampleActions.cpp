#include "app/SampleActions.h"

#include "app/Main_FRM.h"
#include "exchange/ui/SampleBatches_FRM.h"
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleEdit_FRM.h"

void SampleActions::install(TMainfrm &window, IGeneralInfo &settings)
{
    TMainfrm *w = &window;
    IGeneralInfo *s = &settings;
    window.SetActionHandler(window.actNewSample, [w, s]() {
        auto defaults = std::make_unique<TSampleEditFrmDefaults>();
        defaults->CreateSample = true;
        defaults->Persist = false;
        defaults->SetupInfo = s;
        TSampleEditFrm::ShowEditor(w, std::move(defaults));
    });
    window.SetActionHandler(window.actNewSampleAF, [w, s]() {
        auto defaults = std::make_unique<TSampleEditAnimalFeedsFrmDefaults>();
        defaults->CreateSample = true;
        defaults->Persist = false;
        defaults->SetupInfo = s;
        TSampleEditAnimalFeedsFrm::ShowEditor(w, std::move(defaults));
    });
    // The batch history shows a delivered sample in the food editor.
    TSampleBatchesFrm::SetSampleEditorOpener([s](QWidget *owner, const QString &uuid) {
        auto defaults = std::make_unique<TSampleEditFrmDefaults>();
        defaults->uuid = uuid;
        defaults->SetupInfo = s;
        TSampleEditFrm::ShowEditor(owner, std::move(defaults));
    });
}
