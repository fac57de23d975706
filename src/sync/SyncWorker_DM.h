#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

#include "remote/TableCodec.h"
#include "sync/SyncEvent.h"

class TSyncWorkerHelperDM;
class DataTable;
class FbStatement;
class FbTransaction;

// Where a pass reports to. The controller's implementation hands every call to the main thread and
// waits until it has been handled; without one the calls go nowhere.
class ISyncPassSink
{
public:
    virtual ~ISyncPassSink() = default;
    // Log window event: from a worker ErrorRecorded, TableStarted and TableFinished (the pass's
    // own start and end come from the controller).
    virtual void syncLog(SyncEvent event, const QString &tableName) = 0;
    virtual void syncLogDetail(const QString &tableName, const QString &routine, const QString &message) = 0;
};

// What one pass (or one synchronous run) gives its workers, and what they leave in it.
struct TSyncPassContext
{
    TSyncWorkerHelperDM *channel = nullptr; // the server, used on the pass's thread only
    ISyncPassSink *sink = nullptr;
    bool isFirstSync = false;               // a new store: the first pass only downloads
    const std::atomic<bool> *cancel = nullptr;
    int pageSize = 1000;                    // rows per download page
    int uploadChunk = 200;                  // rows per upload request of a batch table
    // A download commits its pages with their mark after this many pages, or once this long has
    // passed since its last commit, whichever comes first.
    int pagesPerCommit = 10;
    int commitIntervalMs = 1000;

    // Every failure of the pass, "table: message", shown together when the pass ends.
    QStringList errors;

    // Test seams, called on the pass's thread: after the server has answered an upload and before
    // its acknowledgement is committed locally; after each download page applied (and committed,
    // when it ends a unit of work).
    std::function<void(const QString &localTable)> afterUploadReply;
    std::function<void(const QString &localTable, int page)> afterDownloadPage;

    bool cancelled() const { return cancel && cancel->load(); }
};

// Synchronises one local table with the central server: uploads its local changes with ids
// issued by the server, then downloads the server's rows newer than the table's high-water mark.
//
// Rules that keep every local change:
// - A local change is a row with UPDATE_ID < 0. It stays one until the server's acknowledgement
//   (its stamped UPDATE_ID) is committed locally, and only when the row has not changed since it
//   was read for sending; a row changed in flight is sent again by the next pass.
// - A new row gets its server id, committed locally, before it is sent; the server upserts by id,
//   so sending it again after a lost reply creates nothing twice. New rows beyond the id block
//   stay local until a later block covers them.
// - Downloads read the server's rows page by page in ascending UPDATE_ID; the pages are applied
//   in transactions of a few pages each, every one committed together with the high-water mark
//   its last page reaches. A row with a pending local change is never overwritten or deleted.
// - A full reload (mark 0) deletes nothing before the server's rows are in hand: each page
//   removes only the local rows of the UPDATE_ID range it covers that the server no longer has.
//   While it runs the mark is stored negated ("reloaded up to"), so a reload broken off carries
//   on as a reload in the next pass.
class TSyncWorkerDm
{
public:
    explicit TSyncWorkerDm(TSyncPassContext &context);
    ~TSyncWorkerDm();
    TSyncWorkerDm(const TSyncWorkerDm &) = delete;
    TSyncWorkerDm &operator=(const TSyncWorkerDm &) = delete;

    // "name=value" lines: DataBase (the store file), User_Name, Password (and Server, Protocol,
    // which the embedded store does not use).
    void SetConnectionParams(const QString &Params);

    QString TableName() const { return m_tableName; }
    void SetTableName(const QString &value);
    QString UpdateTableName() const { return m_updateTableName; }
    void SetUpdateTableName(const QString &value);
    QString LocalTableName() const;
    bool SyncToServer = false;
    bool SyncFromServer = false;
    bool SyncReplace = false;
    // Values for the download dataset's parameters, keyed by lower-case parameter name.
    QHash<QString, QString> Params;

    QString CurrentRoutineName() const { return m_currentRoutineName; }
    QString CurrentLogMessage() const { return m_currentLogMessage; }
    QString CurrentException() const { return m_currentException; }

    // The whole run for the table. Never throws: each failure is recorded in the context.
    // Returns true when nothing failed.
    bool PerformSyncForTable();

    bool ServerIsAlive();
    void SyncUploadToServer();
    void SyncDownloadFromServer();
    // The stored mark: > 0 incremental from there; 0 full reload; < 0 full reload under way,
    // done up to the negated value.
    qint64 GetLastUpdateIdSaved();

private:
    void LogRoutine(const QString &routine, const QString &message);
    void SetCurrentException(const QString &message);
    QSqlDatabase connection();
    void closeConnection();
    QStringList localColumns();
    // The local table, quoted for SQL text (its name comes from the list of synchronised tables).
    QString quotedTable() const;

    // Upload steps.
    qint64 countRowsNeedingIds();
    void assignServerIds(qint64 startId, qint64 endId);
    void uploadRows(const Wire::DatasetSchema &uploadSchema, bool rowByRow);
    bool sendAndAcknowledge(const QList<Wire::RowChange> &changes, const QList<qint64> &ids,
                            const QList<qint64> &sentUpdateIds);

    // Download steps.
    // The server's selection for this table, without the page's lower UPDATE_ID bound; built on
    // the worker's thread (it reads the data scope from the store).
    struct PageRequest
    {
        QString dataset;
        int pageSize = 0;
        bool dyn = false;
        QList<Wire::WhereItem> where;
        QList<Wire::DatasetParam> params;
        QString lastUpdateIdParam; // the parameter name that carries the bound (not "_dyn")
    };
    PageRequest buildPageRequest(const Wire::DatasetSchema &schema, bool reload);
    // One page of rows with UPDATE_ID greater than `after`. Uses nothing but the channel, so it
    // can run beside the applying of the previous page.
    static DataTable fetchPage(TSyncWorkerHelperDM *channel, const PageRequest &request, qint64 after);

    // Applying the pages: units of work of the client library on the worker's two connections in
    // turn, each unit's statements prepared once (see SyncDownloadFromServer and Download).
    struct Download;
    FbTransaction &downloadTransaction(); // begins one when none is open
    FbStatement &downloadStatement(const QString &sql); // prepared once for the download
    // Stores the mark with the pages applied since the last commit and commits them: at once
    // with `wait`, else on a helper thread while the next pages are applied.
    void commitDownload(qint64 mark, bool wait);
    QString secondConnectionName() const;

    // Which columns of the page the local table stores, and where the key columns are.
    struct PageLayout
    {
        QList<int> columns; // page columns written locally (not IS_SYNCING)
        QStringList names;  // their local names, upper case
        int id = -1, updateId = -1, deleted = -1;
    };
    // The statements that write a server row: insert, and update (the SET list's page columns).
    struct RowWriters
    {
        FbStatement *insert = nullptr;
        FbStatement *update = nullptr;
        QList<int> updateColumns; // the page columns of the SET list, ID left out
    };
    // The local UPDATE_ID of each row of a page that the store holds (NULL when it has none).
    using LocalStamps = QHash<qint64, QVariant>;
    void applyPage(const DataTable &page, qint64 after, bool reload, bool lastPage, qint64 newMark);
    PageLayout readPageLayout(const DataTable &page);
    LocalStamps findLocalRows(const DataTable &page, const PageLayout &layout);
    // The UPDATE_ID of the local row with the id (a null value when it has none); invalid when
    // there is no such row.
    QVariant localStamp(qint64 id);
    void deleteRowsNoLongerServed(const DataTable &page, const PageLayout &layout, qint64 after, bool lastPage,
                                  qint64 newMark);
    void removeLocalRow(qint64 id, const QVariant &stamp);
    RowWriters rowWriters(const DataTable &page, const PageLayout &layout);
    void insertRow(const RowWriters &writers, const DataTable &page, const PageLayout &layout, int r);
    // A server row that the store holds, with the local UPDATE_ID it was found with.
    void applyHeldRow(const RowWriters &writers, const DataTable &page, const PageLayout &layout, int r,
                      const QVariant &held, bool reload);
    void upsertRows(const DataTable &page, const PageLayout &layout, const LocalStamps &local, bool reload);
    // The rows of a reload into a table that was empty when it began.
    void insertRows(const DataTable &page, const PageLayout &layout);

    TSyncPassContext &m_ctx;
    QString m_connectionName;
    QString m_databasePath, m_userName, m_password;
    QString m_tableName;
    QString m_updateTableName;
    QString m_currentRoutineName;
    QString m_currentLogMessage;
    QString m_currentException;
    QStringList m_localColumns;
    bool m_failed = false;
    std::unique_ptr<Download> m_download;
};
