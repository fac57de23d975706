#include "app/ImportActions.h"

#include "app/Main_FRM.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "exchange/ImportSamplesXML_DM.h"
#include "exchange/ui/ImportSamplesXML_FRM.h"

#include <QCoreApplication>

void InstallImportActions(TMainfrm &window, TMaindm &maindm)
{
    TMainfrm *owner = &window;
    TMaindm *dm = &maindm;
    window.SetActionHandler(window.actSampleImportXML, [owner, dm]() {
        auto defaults = std::make_unique<TImportSamplesInfoFrmDefaults>();
        defaults->Personality = dm->Personality;
        TBasefrm::CreateAndShow<TImportSamplesInfoFrm>(TMainfrm::ActionFormKey(owner->actSampleImportXML), owner, false,
                                                       std::move(defaults));
    });
}

BatchImportResult ImportSamplesFile(const QString &fileName, TMaindm &maindm, const TLookupDataDm &lookups,
                                    const std::function<bool()> &stopRequested)
{
    TImportSamplesXMLDM import(maindm, lookups, QCoreApplication::applicationDirPath());
    import.SetFileName(fileName);
    import.StopRequested = stopRequested;
    import.Report = [](const QString &line) { Prompter::current().information(Varnex::ProgramName, line); };
    BatchImportResult result;
    try {
        import.RunImport();
    } catch (const VarnexError &e) {
        result.stopped = true;
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
    result.imported = import.Imported();
    result.invalid = import.Invalid();
    return result;
}

int BatchExitStatus(const BatchImportResult &import, bool uploaded)
{
    if (import.stopped)
        return BatchExit::ImportStopped;
    if (!uploaded)
        return BatchExit::UploadFailed;
    if (import.invalid > 0)
        return BatchExit::SampleInvalid;
    return BatchExit::Done;
}
