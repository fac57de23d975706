#include "remote/SyncService.h"

#include "remote/RemoteError.h"

void SyncService::GetSyncIdRange(qint32 QuantityRequired, qint64 &StartID, qint64 &EndID) const
{
    const Wire::Reply reply = call(QStringLiteral("GetSyncIdRange"),
                                   {Wire::Param::int32(QStringLiteral("QuantityRequired"), QuantityRequired)});
    const qint64 start = Wire::readInt64(reply, QStringLiteral("StartID"));
    const qint64 end = Wire::readInt64(reply, QStringLiteral("EndID"));
    // A block that does not hold the ids asked for would make the client reuse ids.
    if (end - start < QuantityRequired)
        throw ProtocolError(QStringLiteral("The server handed out %1 ids where %2 were asked for")
                                .arg(end - start).arg(QuantityRequired));
    StartID = start;
    EndID = end;
}

bool SyncService::IsAlive() const
{
    return Wire::readBoolean(call(QStringLiteral("IsAlive")), QStringLiteral("Result"));
}
