#include "sync/SyncTable_Unt.h"

#include "sync/SyncWorker_DM.h"
#include "base/VarnexError.h"

TSyncTableList *SyncTables = nullptr;

TSyncTable::TSyncTable(const QString &aTableName, const QString &aUpdateTableName, int aId, int aUpdateId,
                       bool aSyncToServer, bool aSyncFromServer, bool aSyncReplace)
    : fTableName(aTableName), fUpdateId(aUpdateId), fSyncToServer(aSyncToServer), fSyncFromServer(aSyncFromServer),
      fSyncReplace(aSyncReplace), fUpdateTableName(aUpdateTableName)
{
    Q_UNUSED(aId);
}

bool TSyncTable::Sync(TSyncPassContext &context)
{
    bool ok = false;
    try {
        TSyncWorkerDm worker(context);
        fSyncWorkerDm = &worker;
        struct Clear { TSyncWorkerDm *&p; ~Clear() { p = nullptr; } } clear{fSyncWorkerDm};
        worker.SetConnectionParams(ConnectionParams);
        worker.SetTableName(tablename());
        worker.SetUpdateTableName(UpdateTablename());
        worker.SyncToServer = syncToServer();
        worker.SyncFromServer = syncFromServer();
        worker.SyncReplace = syncReplace();
        worker.Params.insert(QStringLiteral("localauthoritycode"), LocalAuthorityCode());
        worker.Params.insert(QStringLiteral("localauthofficecode"), LocalAuthOfficeCode());
        ok = worker.PerformSyncForTable();
    } catch (const VarnexError &e) {
        context.errors << QStringLiteral("%1: %2").arg(localTableNameOf(fTableName), e.message());
    } catch (const std::exception &e) {
        context.errors << QStringLiteral("%1: %2").arg(localTableNameOf(fTableName), QString::fromLocal8Bit(e.what()));
    }
    return ok;
}

QString localTableNameOf(const QString &datasetName)
{
    if (datasetName.startsWith(QLatin1String("_dyn_"), Qt::CaseInsensitive))
        return datasetName.mid(5);
    return datasetName;
}

void InitSyncTables()
{
    if (!SyncTables) {
        auto *list = new TSyncTableList;
        auto add = [list](const char *name, const char *update, bool to, bool from, bool replace) {
            list->push_back(std::make_unique<TSyncTable>(QString::fromLatin1(name), QString::fromLatin1(update), 0, 0, to,
                                                         from, replace));
        };
        add("local_auth_office", "local_auth_office_update", true, true, true);
        add("sys_company", "sys_company_update", true, true, true);
        add("_dyn_sample_officer", "sample_officer_update", true, true, true);
        add("lookup_table_list", "", false, true, true);
        add("optional_lookup_list", "optional_lookup_list_update", true, true, false);
        add("_dyn_premises_detail", "premises_detail_update", true, true, true);
        add("_dyn_premises_detail_animal_feed", "premises_detail_animal_feed_update", true, true, true);
        add("sys_translation", "sys_translation_update", true, true, true);
        add("_dyn_sample", "sample_update", true, true, false);
        add("sample_template", "sample_template_update", true, true, true);
        SyncTables = list;
    }
    for (auto &entry : *SyncTables)
        entry->SyncCompleted = false;
}

void FreeSyncTables()
{
    delete SyncTables;
    SyncTables = nullptr;
}
