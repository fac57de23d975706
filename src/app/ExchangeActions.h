#pragma once

#include "core/Registry_DM.h"
#include "exchange/SampleExport_DM.h"

#include <memory>

class TMainfrm;
class TMaindm;

// The laboratory exchange as the main window offers it, from login to close: the export engine
// (the global SampleExportDM) with its wizards, and the export batch history behind "Exported
// Batches". The engine reaches the central server at the installation's "ServerAddress", through
// the proxy login typed at start-up.
class ExchangeActions
{
public:
    ExchangeActions(TMainfrm &window, TMaindm &maindm, const TRegistryDM &registry, const ProxyLogin &proxy);
    ~ExchangeActions();
    ExchangeActions(const ExchangeActions &) = delete;
    ExchangeActions &operator=(const ExchangeActions &) = delete;

    // The central server as the export engine reaches it; for engines made for one action.
    TSampleExportDM::ServerSettingsSource ServerSettings() const { return m_serverSettings; }

private:
    TMainfrm &m_window;
    TSampleExportDM::ServerSettingsSource m_serverSettings;
    std::unique_ptr<TSampleExportDM> m_export;
};
