#include "app/CentralServer.h"

#include "core/Main_DM.h"

CentralServerSettings CentralServerSettingsFor(const TRegistryDM &registry, TMaindm &maindm, const ProxyLogin &proxy)
{
    CentralServerSettings server;
    server.serverAddress = registry.ServerAddress();
    server.keepAlive = maindm.KeepAlive();
    server.useInternetProxy = proxy.apply;
    server.proxyUserName = proxy.userName;
    server.proxyPassword = proxy.password;
    return server;
}
