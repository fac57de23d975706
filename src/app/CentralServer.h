#pragma once

#include "core/Registry_DM.h"
#include "remote/DAData_DM.h"

class TMaindm;

// How the central-server client reaches the server: the installation's "ServerAddress", the
// authority's keep-alive setting (read when asked) and the proxy login typed at start-up. Every
// action that talks to the central server outside the synchronisation pass builds its settings here.
CentralServerSettings CentralServerSettingsFor(const TRegistryDM &registry, TMaindm &maindm, const ProxyLogin &proxy);
