#include "app/ExchangeActions.h"

#include "app/CentralServer.h"
#include "app/Main_FRM.h"
#include "core/Main_DM.h"
#include "exchange/SampleExport_DM.h"
#include "exchange/ui/ExportLabWizard.h"
#include "exchange/ui/SampleBatches_FRM.h"

ExchangeActions::ExchangeActions(TMainfrm &window, TMaindm &maindm, const TRegistryDM &registry,
                                 const ProxyLogin &proxy)
    : m_window(window)
{
    const TRegistryDM *settings = &registry;
    m_serverSettings = [settings, &maindm, proxy]() { return CentralServerSettingsFor(*settings, maindm, proxy); };
    m_export = std::make_unique<TSampleExportDM>(maindm, m_serverSettings);
    SampleExportDM = m_export.get();
    InstallExportWizards();
    TMainfrm *owner = &window;
    window.SetActionHandler(window.actShowSampleBatches, [owner]() {
        TBasefrm::CreateAndShow<TSampleBatchesFrm>(TMainfrm::ActionFormKey(owner->actShowSampleBatches), owner, false);
    });
}

ExchangeActions::~ExchangeActions()
{
    m_window.SetActionHandler(m_window.actShowSampleBatches, {});
    TSampleExportDM::SetWizardOpener({});
    SampleExportDM = nullptr;
}
