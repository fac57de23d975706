#pragma once

#include "store/SynchronisedTables.h"

#include <QString>

#include <vector>

struct TSyncPassContext;

// What one run of a table takes from the pass that runs it: the connection text of the local
// store, the user's scope codes and the server address.
struct TSyncRunValues
{
    QString ConnectionParams;    // "name=value" lines of the local store's connection
    QString LocalAuthorityCode;  // the user's local authority
    QString LocalAuthOfficeCode; // the user's office
    QString VRXServerAddress;    // the server of the pass (the channel points there; the worker does not read it)
};

// One synchronised table: the server's download and upload dataset names and the directions it
// travels in. Immutable; what changes from pass to pass comes in TSyncRunValues.
class TSyncTable
{
public:
    explicit TSyncTable(const SynchronisedTable &table) : m_table(table) {}

    QString tablename() const { return m_table.downloadDataset; }
    QString UpdateTablename() const { return m_table.uploadDataset; }
    QString LocalTableName() const { return m_table.localTable(); }
    bool syncToServer() const { return m_table.toServer; }
    bool syncFromServer() const { return m_table.fromServer; }
    bool syncReplace() const { return m_table.replace; }

    // Runs one worker for this table on the calling thread. Failures of the table are recorded in
    // the context (the worker never lets one escape); the worker is gone when this returns.
    // Returns true when the table was synchronised without a failure.
    bool Sync(TSyncPassContext &context, const TSyncRunValues &values) const;

private:
    SynchronisedTable m_table;
};

using TSyncTableList = std::vector<TSyncTable>;

// The synchronised tables in the order every pass walks them (those of synchronisedTables()).
// Built once, on first use from any thread, and never changed afterwards.
const TSyncTableList &SyncTables();
