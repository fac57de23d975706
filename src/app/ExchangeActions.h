#pragma once

#include "core/Registry_DM.h"

#include <memory>

class TMainfrm;
class TMaindm;
class TSampleExportDM;

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

private:
    TMainfrm &m_window;
    std::unique_ptr<TSampleExportDM> m_export;
};
