#pragma once

// The refresh of the downloadable lookup tables: the central server's list of lookup tables
// (LOOKUP_TABLES_FOR_CLIENT) compared with the local rows of LOOKUP_TABLE_LIST, and the download of
// one table (LOOKUP_TABLE_EDIT) into its local row.
//
// The server calls block and belong on a worker thread; the comparison and the writes work on a
// local connection of the caller's thread.
//
// LOOKUP_TABLE_LIST is a synchronised table that only ever comes down from the server. A table
// written here is written as the synchronisation writes it: under the server's ID and UPDATE_ID,
// with IS_SYNCING = 'T', so that it is neither taken for a local change nor downloaded a second
// time under another id.

#include "data/DataTable.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class TDADataDm;

// One row of the server's list, with what the comparison and the download made of it.
struct LookupTableRow
{
    // UPDATE_STATE
    enum State { Ok = 0, Update = 1, Remove = 2, Add = 3 };
    // UPDATE_STATUS
    enum Status { Pending = 0, InProgress = 1, Complete = 2, UpToDate = 3, Failed = 4 };

    qint64 Id = 0;
    QString TableName;
    QString DatasetName;
    QString CategoryName;
    QDateTime LastChangeTimestamp; // a wall-clock reading
    int UpdateState = Ok;
    int UpdateStatus = Pending;
    QString Failure; // why the row failed
};

namespace LookupTableRefresh {

QString StateText(int state);   // "Ok", "Update", "Remove", "Add"
QString StatusText(int status); // "Pending", "In progress", "Complete", "Up to date", "Failed"

// Logs in with the built-in service account and reads the server's list; nothing when the server
// refused the account. Throws RemoteError when the server cannot be reached or fails.
std::optional<QList<LookupTableRow>> FetchTableList(TDADataDm &server);
// The server's lookup table of the id (ID, names, time stamp, UPDATE_ID where the server sends it,
// BINARY_CONTENT): no rows when the server has none. Throws RemoteError.
DataTable FetchItem(TDADataDm &server, qint64 id);

// Compares the list with the local rows: a table without a local row is to be added, one whose
// server time stamp is later than the local one to be updated, the others keep the state the
// server gave; rows with a state are pending, the others up to date. Time stamps are compared as
// the wall-clock readings they are, at the millisecond the wire carries, in whatever zone the
// program runs.
void ModifyDataset(QList<LookupTableRow> &rows, const QSqlDatabase &db);

// Whether time stamp a is later than b, as wall-clock readings to the millisecond; a missing b is
// earlier than any a.
bool IsLater(const QDateTime &a, const QDateTime &b);
// Whether a time stamp holds a reading (also one that local time skips).
bool HasReading(const QDateTime &stamp);

// Writes the server's table into its local row in one transaction of db. The item is checked
// first: it must be the one table of the row (same id and dataset name) and its content a lookup
// table stream that the lookup module can read. Throws VarnexError with the cause when it is not,
// or when the write fails; the local row is then as it was.
void WriteItem(QSqlDatabase db, const LookupTableRow &row, const DataTable &item);

} // namespace LookupTableRefresh
