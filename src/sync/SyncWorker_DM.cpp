#include "sync/SyncWorker_DM.h"

#include "store/SynchronisedTables.h"

#include "data/DataTable.h"
#include "store/LocalDatabase.h"
#include "store/FbStatement.h"
#include "store/FbTransaction.h"
#include "store/SqlUtil.h"
#include "core/Main_DM.h"
#include "remote/RemoteError.h"
#include "remote/SyncService.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "base/VarnexError.h"

#include <QElapsedTimer>
#include <QSet>

#include <future>
#include <map>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace {

std::atomic<int> g_workerCounter{0};


void execOrThrow(QSqlQuery &q, const QString &what)
{
    if (!q.exec())
        throw VarnexError(QStringLiteral("%1: %2").arg(what, q.lastError().text()));
}

QSqlQuery prepareOrThrow(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw VarnexError(QStringLiteral("%1: %2").arg(sql.left(60), q.lastError().text()));
    return q;
}

// SqlUtil's statement and value helpers, with a failure naming what was being done.
QSqlQuery runOrThrow(const QSqlDatabase &db, const QString &what, const QString &sql, const QVariantList &params = {})
{
    try {
        return SqlUtil::exec(db, sql, params);
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("%1: %2").arg(what, e.message()));
    }
}

QVariant scalarOrThrow(const QSqlDatabase &db, const QString &what, const QString &sql, const QVariantList &params = {})
{
    QSqlQuery q = runOrThrow(db, what, sql, params);
    return q.next() ? q.value(0) : QVariant();
}

QString describe(const std::exception &e)
{
    if (const auto *v = dynamic_cast<const VarnexError *>(&e))
        return v->message();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

TSyncWorkerDm::TSyncWorkerDm(TSyncPassContext &context)
    : m_ctx(context),
      m_connectionName(QStringLiteral("TSyncWorkerDm.%1").arg(g_workerCounter.fetch_add(1) + 1))
{
    LogRoutine(QStringLiteral("DataModuleCreate"), QStringLiteral("Entered Routine"));
    Params.clear();
    LogRoutine(QStringLiteral("DataModuleCreate"), QStringLiteral("Exiting Routine"));
}

TSyncWorkerDm::~TSyncWorkerDm()
{
    closeConnection();
}

void TSyncWorkerDm::closeConnection()
{
    // A download's work ends before its connections: what it did not commit is rolled back.
    m_download.reset();
    closeDatabaseConnection(secondConnectionName());
    // Nothing of a failed unit of work stays half-done: the close rolls it back.
    closeDatabaseConnection(m_connectionName);
}

void TSyncWorkerDm::SetConnectionParams(const QString &text)
{
    LogRoutine(QStringLiteral("SetConnectionParams"), QStringLiteral("Entering Routine"));
    closeConnection();
    m_databasePath.clear();
    m_userName = localDatabaseUser();
    m_password = localDatabasePassword();
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("database"))
            m_databasePath = value;
        else if (key == QLatin1String("user_name") && !value.isEmpty())
            m_userName = value;
        else if (key == QLatin1String("password") && !value.isEmpty())
            m_password = value;
    }
    LogRoutine(QStringLiteral("SetConnectionParams"), QStringLiteral("Exiting Routine"));
}

void TSyncWorkerDm::SetTableName(const QString &value)
{
    m_tableName = value;
    Params.insert(QStringLiteral("tablename"), value.toLower());
}

void TSyncWorkerDm::SetUpdateTableName(const QString &value)
{
    m_updateTableName = value;
    Params.insert(QStringLiteral("updatetablename"), value.toLower());
}

QString TSyncWorkerDm::LocalTableName() const
{
    return localTableNameOf(m_tableName);
}

QString TSyncWorkerDm::quotedTable() const
{
    return SqlUtil::quoteIdentifier(LocalTableName().toUpper());
}

void TSyncWorkerDm::LogRoutine(const QString &routine, const QString &message)
{
    m_currentRoutineName = routine;
    m_currentLogMessage = message;
    if (m_ctx.sink)
        m_ctx.sink->syncLogDetail(m_tableName, routine, message);
}

void TSyncWorkerDm::SetCurrentException(const QString &message)
{
    LogRoutine(QStringLiteral("SetCurrentException"), QStringLiteral("Entering Routine"));
    m_currentException = message;
    m_failed = true;
    m_ctx.errors << QStringLiteral("%1: %2").arg(LocalTableName(), message);
    LogRoutine(QStringLiteral("SetCurrentException"), message);
    if (m_ctx.sink)
        m_ctx.sink->syncLog(SyncEvent::ErrorRecorded, m_tableName);
    LogRoutine(QStringLiteral("SetCurrentException"), QStringLiteral("Exiting Routine"));
}

QSqlDatabase TSyncWorkerDm::connection()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            return db;
    }
    if (m_databasePath.isEmpty())
        throw VarnexError(QStringLiteral("The synchronisation was given no local database"));
    QString error;
    QSqlDatabase db = openLocalDatabaseAs(m_databasePath, m_connectionName, m_userName, m_password, &error);
    if (!db.isOpen())
        throw VarnexError(QStringLiteral("Cannot open the local database %1: %2").arg(m_databasePath, error));
    return db;
}

QStringList TSyncWorkerDm::localColumns()
{
    if (m_localColumns.isEmpty()) {
        const QString table = LocalTableName().toUpper();
        if (!findSynchronisedTable(table))
            throw VarnexError(QStringLiteral("\"%1\" is not a synchronised table").arg(LocalTableName()));
        // Stored columns only: computed ones can be neither written nor sent.
        QSqlQuery q = prepareOrThrow(connection(), QStringLiteral(
            "SELECT TRIM(rf.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS rf "
            "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
            "WHERE rf.RDB$RELATION_NAME = ? AND f.RDB$COMPUTED_BLR IS NULL ORDER BY rf.RDB$FIELD_POSITION"));
        q.addBindValue(table);
        execOrThrow(q, QStringLiteral("Reading the columns of %1").arg(table));
        while (q.next())
            m_localColumns << q.value(0).toString().toUpper();
        q.finish();
        if (!m_localColumns.contains(QLatin1String("ID")) || !m_localColumns.contains(QLatin1String("UPDATE_ID"))
            || !m_localColumns.contains(QLatin1String("IS_SYNCING")))
            throw VarnexError(QStringLiteral("The local table %1 lacks the synchronisation columns").arg(table));
    }
    return m_localColumns;
}

bool TSyncWorkerDm::ServerIsAlive()
{
    LogRoutine(QStringLiteral("ServerIsAlive"), QStringLiteral("Entering Routine"));
    bool alive = false;
    try {
        if (!m_ctx.channel)
            throw VarnexError(QStringLiteral("No server channel"));
        alive = SyncService(m_ctx.channel->ClientChannel).IsAlive();
    } catch (const std::exception &e) {
        SetCurrentException(QStringLiteral("The server is not available: %1").arg(describe(e)));
        return false;
    }
    if (!alive)
        SetCurrentException(QStringLiteral("The server is not available"));
    LogRoutine(QStringLiteral("ServerIsAlive"), QStringLiteral("Exiting Routine"));
    return alive;
}

bool TSyncWorkerDm::PerformSyncForTable()
{
    if (m_ctx.sink)
        m_ctx.sink->syncLog(SyncEvent::TableStarted, m_tableName);
    LogRoutine(QStringLiteral("PerformSyncForTable"), QStringLiteral("Entered Routine"));
    bool ready = false;
    try {
        localColumns(); // the store opens and the table is one of ours
        ready = true;
    } catch (const std::exception &e) {
        SetCurrentException(describe(e));
    }
    if (ready && ServerIsAlive()) {
        // The upload goes first, so that the download finds the acknowledged rows already
        // carrying the server's UPDATE_ID and leaves them alone.
        if (SyncToServer && !m_ctx.isFirstSync && !m_updateTableName.isEmpty()) {
            try {
                SyncUploadToServer();
            } catch (const std::exception &e) {
                SetCurrentException(describe(e));
            }
        }
        if (SyncFromServer && !m_ctx.cancelled()) {
            try {
                SyncDownloadFromServer();
            } catch (const std::exception &e) {
                SetCurrentException(describe(e));
            }
        }
    }
    closeConnection();
    if (m_ctx.sink)
        m_ctx.sink->syncLog(SyncEvent::TableFinished, m_tableName);
    LogRoutine(QStringLiteral("PerformSyncForTable"), QStringLiteral("Exiting Routine"));
    return !m_failed;
}

// ---- upload ----------------------------------------------------------------------------------

qint64 TSyncWorkerDm::countRowsNeedingIds()
{
    // New local rows carry a non-positive id; they need a server id before they travel.
    return scalarOrThrow(connection(), QStringLiteral("Counting the local changes"),
                         QStringLiteral("SELECT COUNT(*) FROM %1 WHERE \"UPDATE_ID\" < 0 AND \"ID\" <= 0").arg(quotedTable()))
        .toLongLong();
}

void TSyncWorkerDm::assignServerIds(qint64 startId, qint64 endId)
{
    const QString table = quotedTable();
    QSqlDatabase db = connection();
    // Committed before anything is sent: a row that has travelled once always travels again
    // under the same id, so the server's upsert can never make a second copy of it.
    SqlUtil::inTransaction(db, [&](QSqlDatabase &) {
        QSqlQuery pick = prepareOrThrow(db, QStringLiteral("SELECT FIRST 200 \"ID\" FROM %1 WHERE \"UPDATE_ID\" < 0 "
                                                           "AND \"ID\" <= 0 ORDER BY \"ID\" DESC").arg(table));
        // IS_SYNCING = 'T' makes the trigger keep the negative UPDATE_ID: the row stays pending.
        QSqlQuery renumber = prepareOrThrow(db, QStringLiteral("UPDATE %1 SET \"ID\" = ?, \"IS_SYNCING\" = 'T' "
                                                               "WHERE \"ID\" = ? AND \"UPDATE_ID\" < 0").arg(table));
        while (startId < endId) {
            execOrThrow(pick, QStringLiteral("Reading the new local rows"));
            QList<qint64> ids;
            while (pick.next())
                ids << pick.value(0).toLongLong();
            pick.finish();
            if (ids.isEmpty())
                break;
            for (qint64 oldId : std::as_const(ids)) {
                if (startId >= endId)
                    break;
                renumber.bindValue(0, startId);
                renumber.bindValue(1, oldId);
                execOrThrow(renumber, QStringLiteral("Giving a local row its server id"));
                ++startId;
            }
        }
    });
}

bool TSyncWorkerDm::sendAndAcknowledge(const QList<Wire::RowChange> &changes, const QList<qint64> &ids,
                                       const QList<qint64> &sentUpdateIds)
{
    const DataTable answer = m_ctx.channel->RemoteDataAdapter.ApplyChanges(m_updateTableName, changes);
    if (m_ctx.afterUploadReply)
        m_ctx.afterUploadReply(LocalTableName());
    const int updateIdColumn = answer.indexOf(QStringLiteral("UPDATE_ID"));
    const int idColumn = answer.indexOf(QStringLiteral("ID"));
    if (updateIdColumn < 0 || idColumn < 0)
        throw ProtocolError(QStringLiteral("The server's answer to the upload of %1 lacks ID or UPDATE_ID").arg(LocalTableName()));
    QSqlDatabase db = connection();
    const QString table = quotedTable();
    SqlUtil::inTransaction(db, [&](QSqlDatabase &) {
        // Only a row still holding the values that were sent takes the acknowledgement; a row
        // changed meanwhile has a new negative UPDATE_ID and goes up again next time.
        QSqlQuery ack = prepareOrThrow(db, QStringLiteral("UPDATE %1 SET \"UPDATE_ID\" = ?, \"IS_SYNCING\" = 'T' "
                                                          "WHERE \"ID\" = ? AND \"UPDATE_ID\" = ?").arg(table));
        for (int i = 0; i < ids.size(); ++i) {
            const QVariant serverId = answer.value(i, idColumn);
            const QVariant stamp = answer.value(i, updateIdColumn);
            if (!stamp.isValid() || stamp.toLongLong() <= 0 || serverId.toLongLong() != ids.at(i))
                throw ProtocolError(QStringLiteral("The server did not acknowledge the row %1 of %2").arg(ids.at(i)).arg(LocalTableName()));
            ack.bindValue(0, stamp.toLongLong());
            ack.bindValue(1, ids.at(i));
            ack.bindValue(2, sentUpdateIds.at(i));
            execOrThrow(ack, QStringLiteral("Recording the server's acknowledgement"));
        }
    });
    return true;
}

void TSyncWorkerDm::uploadRows(const Wire::DatasetSchema &uploadSchema, bool rowByRow)
{
    const QStringList local = localColumns();
    QStringList columns;
    for (const FieldDef &f : uploadSchema.fields)
        if (local.contains(f.name.toUpper()))
            columns << f.name.toUpper();
    if (!columns.contains(QLatin1String("ID")))
        throw VarnexError(QStringLiteral("The upload dataset %1 has no ID").arg(m_updateTableName));
    QStringList select;
    for (const FieldDef &f : uploadSchema.fields) {
        if (!columns.contains(f.name.toUpper()))
            continue;
        // Decimals go up as their exact text, which the server takes.
        select << (f.type == FieldType::Decimal ? SqlUtil::decimalAsText(f.name.toUpper()) : SqlUtil::quoteIdentifier(f.name.toUpper()));
    }
    const int chunk = rowByRow ? 1 : qMax(1, m_ctx.uploadChunk);
    QSqlDatabase db = connection();
    // Rows in ascending id, after the last one handled: each pending row is read once per pass,
    // whether its upload succeeded, failed or was overtaken by a local edit.
    const QString sql = QStringLiteral("SELECT FIRST %1 %2 FROM %3 WHERE \"UPDATE_ID\" < 0 AND \"ID\" > ? ORDER BY \"ID\"")
                            .arg(chunk)
                            .arg(select.join(QLatin1Char(',')), quotedTable());
    qint64 lastId = 0;
    for (;;) {
        if (m_ctx.cancelled())
            return;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!q.prepare(sql))
            throw VarnexError(q.lastError().text());
        q.addBindValue(lastId);
        DataTable rows;
        QString error;
        if (!rows.fillFromQuery(q, &error))
            throw VarnexError(QStringLiteral("Reading the local changes of %1: %2").arg(LocalTableName(), error));
        q.finish();
        if (rows.rowCount() == 0)
            return;
        QList<Wire::RowChange> changes;
        QList<qint64> ids, updateIds;
        const int idColumn = rows.indexOf(QStringLiteral("ID"));
        const int updateIdColumn = rows.indexOf(QStringLiteral("UPDATE_ID"));
        for (int r = 0; r < rows.rowCount(); ++r) {
            Wire::RowChange change;
            change.kind = Wire::RowChange::Insert; // the server upserts by ID
            for (int c = 0; c < rows.fieldCount(); ++c)
                change.values.insert(rows.field(c).name, rows.value(r, c));
            change.values.insert(QStringLiteral("IS_SYNCING"), QStringLiteral("T"));
            change.key.insert(QStringLiteral("ID"), rows.value(r, idColumn));
            changes << change;
            ids << rows.value(r, idColumn).toLongLong();
            updateIds << rows.value(r, updateIdColumn).toLongLong();
        }
        lastId = ids.last();
        LogRoutine(rowByRow ? QStringLiteral("UploadAmmendableData") : QStringLiteral("UploadInsertableData"),
                   QStringLiteral("%1 records sent").arg(changes.size()));
        try {
            sendAndAcknowledge(changes, ids, updateIds);
        } catch (const std::exception &e) {
            SetCurrentException(describe(e));
            // One failed row does not hold back the others; a failed batch most likely means
            // the server or the link is in trouble, so the rest waits for the next pass.
            if (!rowByRow)
                return;
        }
    }
}

void TSyncWorkerDm::SyncUploadToServer()
{
    LogRoutine(QStringLiteral("SyncUploadToServer"), QStringLiteral("Entering Routine"));
    LogRoutine(QStringLiteral("InitUploadSync"), QStringLiteral("Entering Routine"));
    const qint64 required = countRowsNeedingIds();
    LogRoutine(QStringLiteral("InitSyncIds"), QStringLiteral("Entered Routine"));
    qint64 startId = 0, endId = 0;
    SyncService(m_ctx.channel->ClientChannel).GetSyncIdRange(qint32(qMin<qint64>(required, 1000000)), startId, endId);
    LogRoutine(QStringLiteral("InitSyncIds"), QStringLiteral("Exiting Routine"));
    LogRoutine(QStringLiteral("InitUploadSync"), QStringLiteral("Exiting Routine"));
    if (required > 0 && endId > startId)
        assignServerIds(startId, endId);

    const bool hasChanges = !scalarOrThrow(connection(), QStringLiteral("Reading the local changes"),
                                           QStringLiteral("SELECT FIRST 1 1 FROM %1 WHERE \"UPDATE_ID\" < 0 AND \"ID\" > 0")
                                               .arg(quotedTable()))
                                 .isNull();
    if (hasChanges) {
        const Wire::DatasetSchema schema = m_ctx.channel->RemoteDataAdapter.GetSchema(m_updateTableName);
        uploadRows(schema, findSynchronisedTable(LocalTableName())->uploadRowByRow);
    }
    LogRoutine(QStringLiteral("SyncUploadToServer"), QStringLiteral("Exiting Routine"));
}

// ---- download --------------------------------------------------------------------------------

qint64 TSyncWorkerDm::GetLastUpdateIdSaved()
{
    return scalarOrThrow(connection(), QStringLiteral("Reading the high-water mark"),
                         QStringLiteral("SELECT \"UPDATE_ID\" FROM \"SYS_SYNC\" WHERE \"TABLE_NAME\" = ?"), {LocalTableName()})
        .toLongLong();
}

// The download's units of work run on two connections of the pass in turn: while one unit's
// commit waits for the disk on a helper thread, the next unit's pages are applied on the other
// connection. A unit is committed only after the one before it has been, so the stored mark never
// covers pages that were not committed.
struct TSyncWorkerDm::Download
{
    struct Lane
    {
        std::unique_ptr<FbTransaction> transaction;
        std::map<QString, std::unique_ptr<FbStatement>> statements; // prepared once, by their text
    };
    Lane lanes[2];
    int current = 0;
    std::future<void> committing; // the other lane's commit, while it runs
    QElapsedTimer since;          // since the current unit began
    int pages = 0;                // applied in it
    bool tableWasEmpty = false;

    ~Download()
    {
        // Its lane's transaction is in use until the commit is through.
        if (committing.valid())
            committing.wait();
    }
    // Waits for the commit under way; throws what it failed with.
    void finishCommit()
    {
        if (committing.valid())
            committing.get();
    }
};

QString TSyncWorkerDm::secondConnectionName() const
{
    return m_connectionName + QStringLiteral(".commit");
}

FbStatement &TSyncWorkerDm::downloadStatement(const QString &sql)
{
    FbTransaction &transaction = downloadTransaction();
    auto &kept = m_download->lanes[m_download->current].statements[sql];
    if (!kept)
        kept = std::make_unique<FbStatement>(transaction, sql);
    return *kept;
}

FbTransaction &TSyncWorkerDm::downloadTransaction()
{
    Download::Lane &lane = m_download->lanes[m_download->current];
    if (!lane.transaction || !lane.transaction->isActive()) {
        QSqlDatabase db = connection();
        if (m_download->current == 1) {
            db = QSqlDatabase::database(secondConnectionName(), false);
            if (!db.isOpen()) {
                QString error;
                db = openLocalDatabaseAs(m_databasePath, secondConnectionName(), m_userName, m_password, &error);
                if (!db.isOpen())
                    throw VarnexError(QStringLiteral("Cannot open the local database %1: %2").arg(m_databasePath, error));
            }
        }
        lane.transaction = std::make_unique<FbTransaction>(db, FbTransaction::ReadWrite);
        m_download->since.start();
        m_download->pages = 0;
    }
    return *lane.transaction;
}

void TSyncWorkerDm::commitDownload(qint64 mark, bool wait)
{
    Download::Lane &lane = m_download->lanes[m_download->current];
    if (!lane.transaction || !lane.transaction->isActive()) {
        m_download->finishCommit();
        return;
    }
    // Only once the unit before has been committed may this one's mark be stored.
    m_download->finishCommit();
    // The mark moves with the rows it covers, in this same transaction.
    FbStatement &store = downloadStatement(QStringLiteral(
        "UPDATE OR INSERT INTO \"SYS_SYNC\" (\"TABLE_NAME\", \"UPDATE_ID\") VALUES (?, ?) MATCHING (\"TABLE_NAME\")"));
    store.bindAll({LocalTableName(), mark});
    store.execute(*lane.transaction);
    if (wait) {
        lane.transaction->commit();
        return;
    }
    FbTransaction *committing = lane.transaction.get();
    m_download->committing = std::async(std::launch::async, [committing] { committing->commit(); });
    m_download->current = 1 - m_download->current;
}

TSyncWorkerDm::PageRequest TSyncWorkerDm::buildPageRequest(const Wire::DatasetSchema &schema, bool reload)
{
    PageRequest request;
    request.dataset = m_tableName;
    request.pageSize = qMax(1, m_ctx.pageSize);
    request.dyn = m_tableName.startsWith(QLatin1String("_dyn"));
    if (request.dyn) {
        auto hasField = [&](const char *name) {
            for (const FieldDef &f : schema.fields)
                if (f.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return true;
            return false;
        };
        // The user's data scope, as the last login stored it in the local settings.
        QSqlQuery s = prepareOrThrow(connection(), QStringLiteral("SELECT \"USER_DATA_SCOPE\" FROM \"SYS_LOCAL_SETTINGS\""));
        execOrThrow(s, QStringLiteral("Reading the data scope"));
        const TDataScope scope = TMaindm::dataScopeFromText(s.next() ? s.value(0).toString() : QString());
        s.finish();
        switch (scope) {
        case TDataScope::office:
            if (hasField("local_auth_office__code"))
                request.where << Wire::WhereItem{QStringLiteral("local_auth_office__code"), Wire::WhereItem::Equal,
                                                 Params.value(QStringLiteral("localauthofficecode"))};
            break;
        case TDataScope::authority:
            if (hasField("local_authority__code"))
                request.where << Wire::WhereItem{QStringLiteral("local_authority__code"), Wire::WhereItem::Equal,
                                                 Params.value(QStringLiteral("localauthoritycode"))};
            break;
        case TDataScope::department:
            throw VarnexError(QStringLiteral("Department scope is not implemented yet"));
        }
        if (reload && hasField("flag_deleted"))
            request.where << Wire::WhereItem{QStringLiteral("flag_deleted"), Wire::WhereItem::Different, QStringLiteral("T")};
    } else {
        for (const QString &name : schema.paramNames) {
            if (name.compare(QLatin1String("lastupdateid"), Qt::CaseInsensitive) == 0) {
                request.lastUpdateIdParam = name;
                continue;
            }
            const auto it = Params.constFind(name.toLower());
            if (it != Params.cend())
                request.params << Wire::DatasetParam{name, *it};
        }
        // Without it, pages could not move on from one to the next.
        if (request.lastUpdateIdParam.isEmpty())
            throw VarnexError(QStringLiteral("The server dataset %1 takes no lastupdateid").arg(m_tableName));
    }
    return request;
}

DataTable TSyncWorkerDm::fetchPage(TSyncWorkerHelperDM *channel, const PageRequest &request, qint64 after)
{
    QList<Wire::WhereItem> where = request.where;
    QList<Wire::DatasetParam> params = request.params;
    if (request.dyn)
        where.prepend(Wire::WhereItem{QStringLiteral("update_id"), Wire::WhereItem::Greater, after});
    else
        params << Wire::DatasetParam{request.lastUpdateIdParam, QString::number(after)};
    return channel->RemoteDataAdapter.OpenPage(request.dataset, request.pageSize, params, where);
}

void TSyncWorkerDm::applyPage(const DataTable &page, qint64 after, bool reload, bool lastPage, qint64 newMark)
{
    const PageLayout layout = readPageLayout(page);
    downloadTransaction();
    // A table that held no row when its reload began holds only what the reload brought since
    // (and the user's new rows, whose ids are the user's own): the rows of a page are simply
    // inserted, and the search for stale rows is left out.
    if (reload && !m_download->tableWasEmpty)
        deleteRowsNoLongerServed(page, layout, after, lastPage, newMark);
    if (page.rowCount() == 0)
        return;
    if (reload && m_download->tableWasEmpty)
        insertRows(page, layout);
    else
        upsertRows(page, layout, findLocalRows(page, layout), reload);
}

TSyncWorkerDm::PageLayout TSyncWorkerDm::readPageLayout(const DataTable &page)
{
    const QStringList local = localColumns();
    PageLayout layout;
    for (int c = 0; c < page.fieldCount(); ++c) {
        const QString name = page.field(c).name.toUpper();
        if (local.contains(name) && name != QLatin1String("IS_SYNCING")) {
            layout.columns << c;
            layout.names << name;
        }
    }
    layout.id = page.indexOf(QStringLiteral("ID"));
    layout.updateId = page.indexOf(QStringLiteral("UPDATE_ID"));
    layout.deleted = page.indexOf(QStringLiteral("FLAG_DELETED"));
    if (layout.id < 0 || layout.updateId < 0)
        throw ProtocolError(QStringLiteral("The server's rows of %1 lack ID or UPDATE_ID").arg(m_tableName));
    return layout;
}

TSyncWorkerDm::LocalStamps TSyncWorkerDm::findLocalRows(const DataTable &page, const PageLayout &layout)
{
    // Looked up a hundred ids at a time; the last id of a short batch fills its empty places.
    constexpr int Batch = 100;
    QStringList marks;
    for (int i = 0; i < Batch; ++i)
        marks << QStringLiteral("?");
    FbStatement &lookup = downloadStatement(QStringLiteral("SELECT \"ID\", \"UPDATE_ID\" FROM %1 WHERE \"ID\" IN (%2)")
                                                .arg(quotedTable(), marks.join(QLatin1Char(','))));
    FbTransaction &tr = downloadTransaction();
    LocalStamps held;
    for (int start = 0; start < page.rowCount(); start += Batch) {
        for (int i = 0; i < Batch; ++i)
            lookup.bind(i, page.value(qMin(start + i, page.rowCount() - 1), layout.id).toLongLong());
        lookup.execute(tr);
        while (lookup.next())
            held.insert(lookup.value(0).toLongLong(), lookup.value(1));
    }
    return held;
}

QVariant TSyncWorkerDm::localStamp(qint64 id)
{
    FbStatement &lookup = downloadStatement(QStringLiteral("SELECT \"UPDATE_ID\" FROM %1 WHERE \"ID\" = ?").arg(quotedTable()));
    lookup.bind(0, id);
    lookup.execute(downloadTransaction());
    QVariant stamp;
    if (lookup.next())
        stamp = lookup.isNull(0) ? QVariant(QMetaType::fromType<qint64>()) : lookup.value(0);
    lookup.close();
    return stamp;
}

namespace {

// A server row marked deleted (FLAG_DELETED "T").
bool isServerDeleted(const DataTable &page, int deletedColumn, int r)
{
    return deletedColumn >= 0 && page.value(r, deletedColumn).toString() == QLatin1String("T");
}

bool isPendingLocalChange(const QVariant &stamp)
{
    return !stamp.isNull() && stamp.toLongLong() < 0;
}

} // namespace

void TSyncWorkerDm::removeLocalRow(qint64 id, const QVariant &stamp)
{
    // Only while the row still carries the UPDATE_ID it was read with: a row that has become a
    // local change since (a new negative UPDATE_ID) stays.
    FbStatement &remove = downloadStatement(
        QStringLiteral("DELETE FROM %1 WHERE \"ID\" = ? AND COALESCE(\"UPDATE_ID\", 0) = ?").arg(quotedTable()));
    remove.bindAll({id, stamp.isNull() ? qint64(0) : stamp.toLongLong()});
    remove.execute(downloadTransaction());
}

void TSyncWorkerDm::deleteRowsNoLongerServed(const DataTable &page, const PageLayout &layout, qint64 after,
                                             bool lastPage, qint64 newMark)
{
    // The local rows of the UPDATE_ID range this page covers that the server no longer sends (out
    // of scope, deleted, or replaced by a newer version that a later page brings). The last page
    // covers everything above its start; the first also the rows without a stamp. Pending local
    // changes (UPDATE_ID < 0) are outside every range and stay.
    QSet<qint64> served;
    for (int r = 0; r < page.rowCount(); ++r)
        served.insert(page.value(r, layout.id).toLongLong());
    QString sql = QStringLiteral("SELECT \"ID\", \"UPDATE_ID\" FROM %1 WHERE (\"UPDATE_ID\" > ?").arg(quotedTable());
    QVariantList bounds{after};
    if (!lastPage) {
        sql += QStringLiteral(" AND \"UPDATE_ID\" <= ?");
        bounds << newMark;
    }
    sql += QLatin1Char(')');
    if (after == 0)
        sql += QStringLiteral(" OR \"UPDATE_ID\" IS NULL OR \"UPDATE_ID\" = 0");
    FbStatement &stale = downloadStatement(sql);
    stale.bindAll(bounds);
    stale.execute(downloadTransaction());
    QList<QPair<qint64, QVariant>> gone;
    while (stale.next()) {
        const qint64 id = stale.value(0).toLongLong();
        if (!served.contains(id))
            gone.append({id, stale.value(1)});
    }
    for (const auto &[id, stamp] : std::as_const(gone))
        removeLocalRow(id, stamp);
}

TSyncWorkerDm::RowWriters TSyncWorkerDm::rowWriters(const DataTable &page, const PageLayout &layout)
{
    const QString table = quotedTable();
    QStringList insertNames, insertMarks, sets;
    RowWriters writers;
    for (int k = 0; k < layout.names.size(); ++k) {
        const QString &name = layout.names.at(k);
        const FieldDef &field = page.field(layout.columns.at(k));
        // Decimals are stored from their exact text (the driver would pass them through a double).
        const QString mark = field.type == FieldType::Decimal ? SqlUtil::decimalParameter(field.scale) : QStringLiteral("?");
        insertNames << SqlUtil::quoteIdentifier(name);
        insertMarks << mark;
        if (name != QLatin1String("ID")) {
            sets << SqlUtil::quoteIdentifier(name) + QStringLiteral(" = ") + mark;
            writers.updateColumns << layout.columns.at(k);
        }
    }
    writers.insert = &downloadStatement(QStringLiteral("INSERT INTO %1 (%2, \"IS_SYNCING\") VALUES (%3, 'T')")
                                            .arg(table, insertNames.join(QLatin1Char(',')), insertMarks.join(QLatin1Char(','))));
    // The UPDATE_ID guard keeps a row that became a local change after it was read.
    writers.update = &downloadStatement(QStringLiteral("UPDATE %1 SET %2, \"IS_SYNCING\" = 'T' WHERE \"ID\" = ? "
                                                       "AND (\"UPDATE_ID\" >= 0 OR \"UPDATE_ID\" IS NULL)")
                                            .arg(table, sets.join(QLatin1Char(','))));
    return writers;
}

void TSyncWorkerDm::insertRow(const RowWriters &writers, const DataTable &page, const PageLayout &layout, int r)
{
    for (int k = 0; k < layout.columns.size(); ++k)
        writers.insert->bind(k, page.value(r, layout.columns.at(k)));
    writers.insert->execute(downloadTransaction());
}

void TSyncWorkerDm::applyHeldRow(const RowWriters &writers, const DataTable &page, const PageLayout &layout, int r,
                                 const QVariant &held, bool reload)
{
    const qint64 id = page.value(r, layout.id).toLongLong();
    if (isPendingLocalChange(held)) {
        // The local change wins; it goes up with the next upload.
    } else if (isServerDeleted(page, layout.deleted, r) && !reload) {
        // A reload asks for live rows only; an incremental page brings deletions along.
        removeLocalRow(id, held);
    } else if (held.isNull() || held.toLongLong() != page.value(r, layout.updateId).toLongLong()) {
        // The same version is there already when the stamps agree.
        int b = 0;
        for (int c : std::as_const(writers.updateColumns))
            writers.update->bind(b++, page.value(r, c));
        writers.update->bind(b, id);
        writers.update->execute(downloadTransaction());
    }
}

void TSyncWorkerDm::upsertRows(const DataTable &page, const PageLayout &layout, const LocalStamps &local, bool reload)
{
    const RowWriters writers = rowWriters(page, layout);
    for (int r = 0; r < page.rowCount(); ++r) {
        const qint64 id = page.value(r, layout.id).toLongLong();
        const auto held = local.constFind(id);
        if (held != local.cend())
            applyHeldRow(writers, page, layout, r, *held, reload);
        else if (reload || !isServerDeleted(page, layout.deleted, r))
            insertRow(writers, page, layout, r); // a row deleted on the server that was never here stays away
        if ((r + 1) % 100 == 0)
            LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("%1 records processed").arg(r + 1));
    }
}

void TSyncWorkerDm::insertRows(const DataTable &page, const PageLayout &layout)
{
    const RowWriters writers = rowWriters(page, layout);
    for (int r = 0; r < page.rowCount(); ++r) {
        try {
            insertRow(writers, page, layout, r);
        } catch (const FbError &e) {
            // The row is here already: the server changed it while the reload ran, and a later
            // page brings it again. The failed insert alone is undone; the row is treated as held.
            if (!e.isDuplicateKey())
                throw;
            const QVariant held = localStamp(page.value(r, layout.id).toLongLong());
            if (!held.isValid())
                throw;
            applyHeldRow(writers, page, layout, r, held, true);
        }
        if ((r + 1) % 100 == 0)
            LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("%1 records processed").arg(r + 1));
    }
}

void TSyncWorkerDm::SyncDownloadFromServer()
{
    LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("Entering Routine"));
    LogRoutine(QStringLiteral("OpenServerData"), QStringLiteral("Entered Routine"));
    const Wire::DatasetSchema schema = m_ctx.channel->RemoteDataAdapter.GetSchema(m_tableName);
    LogRoutine(QStringLiteral("OpenServerData"), QStringLiteral("Exiting Routine"));
    const qint64 saved = GetLastUpdateIdSaved();
    const bool reload = saved <= 0;
    qint64 after = reload ? -saved : saved;
    Params.insert(QStringLiteral("lastupdateid"), QString::number(after));
    const PageRequest request = buildPageRequest(schema, reload);
    TSyncWorkerHelperDM *channel = m_ctx.channel;

    // The pages are applied in transactions of the client library, each committed after a few
    // pages or about a second together with the mark they reach: a commit waits for the disk, and
    // one per page would write the store's pages several times over. The commit runs beside the
    // next pages' work (see Download). A failure rolls back the pages not yet committed, and the
    // next pass fetches them again from the committed mark.
    m_download = std::make_unique<Download>();
    if (reload) {
        FbStatement &any = downloadStatement(QStringLiteral("SELECT FIRST 1 1 FROM %1").arg(quotedTable()));
        any.execute(downloadTransaction());
        m_download->tableWasEmpty = !any.next();
        any.close();
    }
    // A reload not yet at its end keeps its mark negated, so that a pass broken off carries on
    // as a reload.
    const auto markOf = [reload](qint64 mark, bool done) { return reload && !done ? -mark : mark; };
    qint64 total = 0;
    bool done = false;
    // While a page is applied here, the next one is already being fetched on a helper thread: the
    // channel is only ever used by one thread at a time, and the store only by this one.
    std::future<DataTable> next = std::async(std::launch::async, [=] { return fetchPage(channel, request, after); });
    try {
        for (int pageNo = 1;; ++pageNo) {
            // A page that cannot be read changes nothing: earlier pages stay with their mark.
            const DataTable page = next.get();
            if (m_ctx.cancelled())
                break;
            LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("%1 records downloaded").arg(page.rowCount()));
            const bool lastPage = page.rowCount() < request.pageSize;
            const int updateIdColumn = page.indexOf(QStringLiteral("UPDATE_ID"));
            qint64 newMark = after;
            if (page.rowCount() > 0) {
                if (updateIdColumn < 0)
                    throw ProtocolError(QStringLiteral("The server's rows of %1 lack UPDATE_ID").arg(m_tableName));
                newMark = page.value(page.rowCount() - 1, updateIdColumn).toLongLong();
                if (newMark <= after)
                    throw ProtocolError(QStringLiteral("The server's rows of %1 are not in ascending UPDATE_ID").arg(m_tableName));
            }
            if (!lastPage && !m_ctx.afterDownloadPage)
                next = std::async(std::launch::async, [=] { return fetchPage(channel, request, newMark); });
            if (page.rowCount() > 0 || reload)
                applyPage(page, after, reload, lastPage, newMark);
            total += page.rowCount();
            after = newMark;
            done = lastPage;
            ++m_download->pages;
            if (lastPage || m_download->pages >= qMax(1, m_ctx.pagesPerCommit)
                || m_download->since.elapsed() >= m_ctx.commitIntervalMs)
                commitDownload(markOf(after, done), lastPage);
            if (m_ctx.afterDownloadPage) {
                m_download->finishCommit(); // the seam sees what was committed
                m_ctx.afterDownloadPage(LocalTableName(), pageNo);
            }
            if (lastPage)
                break;
            if (!next.valid())
                next = std::async(std::launch::async, [=] { return fetchPage(channel, request, newMark); });
        }
        // Stopped by a cancel: what was applied is whole, and stays with its mark.
        commitDownload(markOf(after, done), true);
    } catch (...) {
        if (next.valid())
            next.wait(); // the channel is free again before anyone else may use it
        m_download.reset();
        throw;
    }
    if (next.valid())
        next.wait();
    m_download.reset();
    LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("%1 records processed").arg(total));
    LogRoutine(QStringLiteral("SyncDownloadFromServer"), QStringLiteral("Exiting Routine"));
}
