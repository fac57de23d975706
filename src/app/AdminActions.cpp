#include "app/AdminActions.h"

#include "app/CentralServer.h"
#include "app/Main_FRM.h"
#include "core/Main_DM.h"
#include "core/ui/Setup_FRM.h"
#include "layouts/GridViewStorage_DM.h"
#include "reference/ui/GridChooseView_FRM.h"
#include "reference/ui/SampleOfficerMaint_FRM.h"
#include "samples/ui/SampleAttachmentsPanel.h"
#include "sync/ui/UpdateRemoteLookupData_FRM.h"

AdminActions::AdminActions(TMainfrm &window, TMaindm &maindm, const TRegistryDM &registry, const ProxyLogin &proxy)
    : m_window(window)
{
    TMaindm *dm = &maindm;
    m_storage = std::make_unique<TGridViewStorageDm>([dm]() { return dm->ibConnection(); });
    TGridChooseViewFrm::InstallInto(*m_storage);
    GridViewStorageDm = m_storage.get();

    const TRegistryDM *settings = &registry;
    const auto server = [settings, dm, proxy]() { return CentralServerSettingsFor(*settings, *dm, proxy); };
    // The sample editors' attachments reach the same server with the same proxy login.
    SampleAttachmentsPanel::SetServerSettings(server);
    TMainfrm *owner = &window;
    window.SetActionHandler(window.actUpdateLookupDataTables, [owner, server]() {
        auto defaults = std::make_unique<TUpdateRemoteLookupDataFrmDefaults>();
        defaults->ServerSettings = server;
        TBasefrm::CreateAndShow<TUpdateRemoteLookupDataFrm>(TMainfrm::ActionFormKey(owner->actUpdateLookupDataTables),
                                                            owner, true, std::move(defaults));
    });
    window.SetActionHandler(window.actShowSetupFrm, [owner, server]() {
        auto defaults = std::make_unique<TSetupFrmDefaults>();
        defaults->ServerSettings = server;
        TBasefrm::CreateAndShow<TSetupFrm>(TMainfrm::ActionFormKey(owner->actShowSetupFrm), owner, false,
                                           std::move(defaults));
    });
    window.SetActionHandler(window.actShowSampleOfficers, [owner]() {
        auto defaults = std::make_unique<TSampleOfficerMaintFrmDefaults>();
        defaults->OpenMode = mmoMaint;
        TBasefrm::CreateAndShow<TSampleOfficerMaintFrm>(TMainfrm::ActionFormKey(owner->actShowSampleOfficers), owner,
                                                        false, std::move(defaults));
    });
}

AdminActions::~AdminActions()
{
    for (QAction *action : {m_window.actUpdateLookupDataTables, m_window.actShowSetupFrm, m_window.actShowSampleOfficers})
        m_window.SetActionHandler(action, {});
    if (GridViewStorageDm == m_storage.get())
        GridViewStorageDm = nullptr;
}
