#pragma once

#include "remote/RemoteService.h"

// Proxy of the synchronisation service "SyncService".
class SyncService : public RemoteService
{
public:
    explicit SyncService(HttpChannel &channel, const AesEnvelope *envelope = nullptr)
        : RemoteService(channel, QStringLiteral("SyncService"), envelope) {}

    // A block of at least QuantityRequired fresh ids: StartID, StartID+1, ... below EndID.
    void GetSyncIdRange(qint32 QuantityRequired, qint64 &StartID, qint64 &EndID) const;
    bool IsAlive() const;
};
