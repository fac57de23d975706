#include "remote/SyncWorkerHelper_DM.h"

#include "remote/SyncService.h"

TSyncWorkerHelperDM::TSyncWorkerHelperDM(const QString &serverAddress)
{
    ClientChannel.setKeepAlive(true);
    SetRemoteServerURL(serverAddress);
}

void TSyncWorkerHelperDM::SetRemoteServerURL(const QString &AValue)
{
    if (AValue != ClientChannel.targetUrl())
        ClientChannel.disconnect();
    ClientChannel.setTargetUrl(AValue);
}

bool TSyncWorkerHelperDM::ServerIsAlive() noexcept
{
    try {
        return SyncService(ClientChannel).IsAlive();
    } catch (...) {
        return false;
    }
}

void TSyncWorkerHelperDM::SetInternetProxy(const QString &userName, const QString &password)
{
    ClientChannel.setProxyLogin(userName, password);
}
