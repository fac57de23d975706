#include "sync/SyncTable_Unt.h"

#include "sync/SyncWorker_DM.h"
#include "base/VarnexError.h"

bool TSyncTable::Sync(TSyncPassContext &context, const TSyncRunValues &values) const
{
    try {
        TSyncWorkerDm worker(context);
        worker.SetConnectionParams(values.ConnectionParams);
        worker.SetTableName(tablename());
        worker.SetUpdateTableName(UpdateTablename());
        worker.SyncToServer = syncToServer();
        worker.SyncFromServer = syncFromServer();
        worker.SyncReplace = syncReplace();
        worker.Params.insert(QStringLiteral("localauthoritycode"), values.LocalAuthorityCode);
        worker.Params.insert(QStringLiteral("localauthofficecode"), values.LocalAuthOfficeCode);
        return worker.PerformSyncForTable();
    } catch (const VarnexError &e) {
        context.errors << QStringLiteral("%1: %2").arg(localTableNameOf(tablename()), e.message());
    } catch (const std::exception &e) {
        context.errors << QStringLiteral("%1: %2").arg(localTableNameOf(tablename()), QString::fromLocal8Bit(e.what()));
    }
    return false;
}

const TSyncTableList &SyncTables()
{
    static const TSyncTableList list = [] {
        TSyncTableList out;
        for (const SynchronisedTable &t : synchronisedTables())
            out.emplace_back(t);
        return out;
    }();
    return list;
}
