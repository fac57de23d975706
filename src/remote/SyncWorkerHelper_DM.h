#pragma once

#include "remote/HttpChannel.h"
#include "remote/RemoteDataAdapter.h"

// One connection to the central server for the synchronisation: a channel, the "SyncService" and a
// remote data adapter on it (schema cached for the instance's life). No envelope, no login: every
// call stands alone. An instance belongs to one thread at a time; each thread that needs the
// server concurrently (the reachability monitor) has its own instance.
class TSyncWorkerHelperDM
{
public:
    explicit TSyncWorkerHelperDM(const QString &serverAddress = {});

    void SetRemoteServerURL(const QString &AValue);
    QString RemoteServerURL() const { return ClientChannel.targetUrl(); }
    // True when the server answers IsAlive with True; every failure gives false, silently.
    bool ServerIsAlive() noexcept;
    // Proxy credentials typed at start-up, when the installation uses a proxy.
    void SetInternetProxy(const QString &userName, const QString &password);

    HttpChannel ClientChannel;
    ::RemoteDataAdapter RemoteDataAdapter{ClientChannel, QStringLiteral("SyncService")};
};
