#include "app/BrowserActions.h"

#include "app/Main_FRM.h"
#include "base/ProductNames.h"
#include "core/GeneralInfo.h"
#include "exchange/ui/SampleXmlExportCommand.h"
#include "exchange/ui/SampleBatches_FRM.h" // TSampleBrowserfrmDefaults
#include "reference/ui/LocalAuthOfficeMaint_FRM.h"
#include "samples/ui/SampleBrowserAnimalFeed_FRM.h"
#include "samples/ui/SampleBrowser_FRM.h"
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleEdit_FRM.h"

BrowserActions::BrowserActions(TMainfrm &window, IVRXInfo &settings, TMaindm &maindm,
                               TSampleExportDM::ServerSettingsSource serverSettings)
    : m_window(window)
{
    TMainfrm *w = &window;
    window.SetActionHandler(window.actShowActiveSamples, [w]() {
        auto defaults = std::make_unique<TSampleBrowserfrmDefaults>();
        defaults->Persist = true;
        TBasefrm::CreateAndShow<TSampleBrowserFrm>(TMainfrm::ActionFormKey(w->actShowActiveSamples), w, false,
                                                   std::move(defaults));
    });
    window.SetActionHandler(window.actShowActiveAFSamples, [w]() {
        auto defaults = std::make_unique<TSampleBrowserAnimalFeedfrmDefaults>();
        defaults->Persist = true;
        TBasefrm::CreateAndShow<TSampleBrowserAnimalFeedFrm>(TMainfrm::ActionFormKey(w->actShowActiveAFSamples), w, false,
                                                             std::move(defaults));
    });
    IVRXInfo *s = &settings;
    TSampleBrowserFrm::SetOfficeChooser([s](QWidget *) {
        auto defaults = std::make_unique<TLocalAuthOfficeMaintFrmDefaults>();
        defaults->OpenMode = mmoBrowse;
        defaults->AllowEdit = true;
        defaults->LocalAuth = s->LocalAuthorityCode();
        return TIBCompatibleBaseMaintfrm::SearchForCode<TLocalAuthOfficeMaintFrm>(std::move(defaults));
    });
    // New, Edit/View and a double-click open the food sample editor modally under its own key.
    TSampleBrowserFrm::SetSampleEditorOpener(Varnex::PersonalityFood, [s](QWidget *owner, const QString &uuid) {
        auto defaults = std::make_unique<TSampleEditFrmDefaults>();
        defaults->CreateSample = uuid.isEmpty();
        defaults->uuid = uuid;
        defaults->Persist = false;
        defaults->SetupInfo = s;
        TSampleEditFrm::ShowEditor(owner, std::move(defaults));
    });
    TSampleBrowserFrm::SetSampleEditorOpener(Varnex::PersonalityAnimalFeed, [s](QWidget *owner, const QString &uuid) {
        auto defaults = std::make_unique<TSampleEditAnimalFeedsFrmDefaults>();
        defaults->CreateSample = uuid.isEmpty();
        defaults->Uuid = uuid;
        defaults->Persist = false;
        defaults->SetupInfo = s;
        TSampleEditAnimalFeedsFrm::ShowEditor(owner, std::move(defaults));
    });
    TMaindm *m = &maindm;
    TSampleBrowserFrm::SetExportModuleFactory(
        [m, serverSettings]() { return std::make_unique<TSampleExportDM>(*m, serverSettings); });
    TSampleBrowserFrm::SetXmlRangeExporter(
        [](QWidget *, const QStringList &uuids) { SampleXmlExportCommand::ExportSelectedSamples(uuids); });
}

BrowserActions::~BrowserActions()
{
    m_window.SetActionHandler(m_window.actShowActiveSamples, {});
    m_window.SetActionHandler(m_window.actShowActiveAFSamples, {});
    TSampleBrowserFrm::SetOfficeChooser({});
    TSampleBrowserFrm::SetSampleEditorOpener(Varnex::PersonalityFood, {});
    TSampleBrowserFrm::SetSampleEditorOpener(Varnex::PersonalityAnimalFeed, {});
    TSampleBrowserFrm::SetExportModuleFactory({});
    TSampleBrowserFrm::SetXmlRangeExporter({});
}
