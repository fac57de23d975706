#pragma once

#include <QString>

#include <memory>
#include <vector>

class TSyncWorkerDm;
struct TSyncPassContext;

// One synchronised table: the server's download and upload dataset names, the directions it
// travels in, and the scope codes and local connection of the current pass.
class TSyncTable
{
public:
    // aId is not kept (Id is always 0); aUpdateId is kept but nothing acts on it.
    TSyncTable(const QString &aTableName, const QString &aUpdateTableName, int aId, int aUpdateId,
               bool aSyncToServer, bool aSyncFromServer, bool aSyncReplace);

    int Id() const { return fId; }
    QString tablename() const { return fTableName; }
    QString UpdateTablename() const { return fUpdateTableName; }
    virtual int GetUpdateId() const { return fUpdateId; }
    virtual void SetUpdateId(int value) { fUpdateId = value; }
    virtual ~TSyncTable() = default;
    bool syncToServer() const { return fSyncToServer; }
    bool syncFromServer() const { return fSyncFromServer; }
    bool syncReplace() const { return fSyncReplace; }
    TSyncWorkerDm *WorkerDm() const { return fSyncWorkerDm; }

    QString ConnectionParams;
    QString VRXServerAddress() const { return FVRXServerAddress; }
    void SetVRXServerAddress(const QString &value) { FVRXServerAddress = value; }
    QString LocalAuthorityCode() const { return FLocalAuthorityCode; }
    void SetLocalAuthorityCode(const QString &value) { FLocalAuthorityCode = value; }
    QString LocalAuthOfficeCode() const { return FLocalAuthOfficeCode; }
    void SetLocalAuthOfficeCode(const QString &value) { FLocalAuthOfficeCode = value; }
    bool SyncCompleted = false;

    // Runs one worker for this table on the calling thread. Failures of the table are recorded in
    // the context (the worker never lets one escape); the worker is freed in every case.
    // Returns true when the table was synchronised without a failure.
    bool Sync(TSyncPassContext &context);

private:
    int fId = 0;
    QString fTableName;
    int fUpdateId = 0;
    bool fSyncToServer = false;
    bool fSyncFromServer = false;
    bool fSyncReplace = false;
    TSyncWorkerDm *fSyncWorkerDm = nullptr;
    QString FVRXServerAddress;
    QString FLocalAuthorityCode;
    QString FLocalAuthOfficeCode;
    QString fUpdateTableName;
};

// Owning list: freeing the list frees its entries.
using TSyncTableList = std::vector<std::unique_ptr<TSyncTable>>;

// The ten synchronised tables in the order every pass walks them; nullptr until the first
// InitSyncTables. Built, walked and freed only while no pass runs on another thread.
extern TSyncTableList *SyncTables;

// Builds SyncTables when it does not exist yet, then clears SyncCompleted on every entry.
void InitSyncTables();
// Frees SyncTables and sets it back to nullptr, so that a later use builds it again.
void FreeSyncTables();

// The local table a download dataset name stands for: without a leading "_dyn_" (any case).
QString localTableNameOf(const QString &datasetName);
