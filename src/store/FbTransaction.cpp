#include "store/FbTransaction.h"

#include "store/FbStatement.h"
#include "store/FbStatus.h"

#include <QHash>

#include <list>
#include <memory>
#include <utility>
#include <QSqlDriver>
#include <QVariant>

#include <ibase.h>

bool FbError::isDuplicateKey() const
{
    return hasCode(isc_unique_key_violation) || hasCode(isc_no_dup);
}

unsigned FbTransaction::attachmentOf(const QSqlDatabase &db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QIBASE") || !db.driver())
        throw VarnexError(QStringLiteral("The connection %1 is not an open Firebird connection.").arg(db.connectionName()));
    // The driver hands out its attachment handle as a value of the handle type.
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(isc_db_handle)))
        throw VarnexError(QStringLiteral("The connection %1 gives no Firebird attachment.").arg(db.connectionName()));
    const isc_db_handle attachment = *static_cast<const isc_db_handle *>(handle.constData());
    if (attachment == 0)
        throw VarnexError(QStringLiteral("The connection %1 gives no Firebird attachment.").arg(db.connectionName()));
    return attachment;
}

FbTransaction::FbTransaction(const QSqlDatabase &db, Access access)
    : m_attachment(attachmentOf(db)), m_access(access)
{
    static const char readOnly[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                    isc_tpb_nowait};
    static const char readWrite[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                                     isc_tpb_wait};
    const char *tpb = access == ReadOnly ? readOnly : readWrite;
    const short length = access == ReadOnly ? short(sizeof readOnly) : short(sizeof readWrite);
    FbStatus status;
    isc_db_handle attachment = m_attachment;
    isc_start_transaction(status.vector(), &m_handle, 1, &attachment, length, tpb);
    status.throwIfFailed("Cannot start a transaction");
}

FbTransaction::~FbTransaction()
{
    rollback();
}

void FbTransaction::requireActive(const char *what) const
{
    if (!isActive())
        throw VarnexError(QStringLiteral("Cannot %1: the transaction has ended.").arg(QLatin1String(what)));
}

void FbTransaction::commit()
{
    requireActive("commit");
    FbStatus status;
    isc_commit_transaction(status.vector(), &m_handle);
    if (status.failed()) {
        rollback();
        status.throwIfFailed("Cannot commit");
    }
}

void FbTransaction::rollback() noexcept
{
    if (!m_handle)
        return;
    FbStatus status;
    isc_rollback_transaction(status.vector(), &m_handle);
    // A transaction whose attachment is gone cannot be rolled back and is gone with it.
    m_handle = 0;
}

namespace {
// The read transaction of each connection of this thread (a connection belongs to one thread).
thread_local QHash<QString, FbTransaction *> t_reads;

// Firebird's number of an attachment, unique for its database; 0 when it cannot be told.
long attachmentId(unsigned attachment)
{
    FbStatus status;
    isc_db_handle db = attachment;
    const char item = isc_info_attachment_id;
    char info[16] = {};
    isc_database_info(status.vector(), &db, 1, &item, sizeof info, info);
    if (status.failed() || info[0] != isc_info_attachment_id)
        return 0;
    const short length = short(isc_vax_integer(info + 1, 2));
    return long(isc_vax_integer(info + 3, length));
}

// The statements prepared on one connection of this thread. A connection closed and opened again
// under its name has another attachment: its statements went with the old one, and their handles
// may stand for others' statements since, so they are forgotten, never freed.
struct PreparedStatements
{
    static constexpr int Kept = 16;

    unsigned attachment = 0;
    long attachmentId = 0;
    std::list<std::pair<QString, std::unique_ptr<FbStatement>>> recent; // most recently used first

    PreparedStatements() = default;
    PreparedStatements(const PreparedStatements &) = delete;
    PreparedStatements &operator=(const PreparedStatements &) = delete;
    // At the thread's end the connections may be gone already.
    ~PreparedStatements() { forget(); }

    void forget()
    {
        for (auto &entry : recent)
            entry.second->abandon();
        recent.clear();
    }
};
thread_local QHash<QString, std::shared_ptr<PreparedStatements>> t_prepared;
} // namespace

ReadScope::ReadScope(const QSqlDatabase &db) : m_connection(db.connectionName())
{
    if (!db.isOpen())
        return;
    FbTransaction *shared = t_reads.value(m_connection);
    // A connection closed and opened again under its name has another attachment.
    if (shared && shared->attachmentHandle() == FbTransaction::attachmentOf(db)) {
        m_transaction = shared;
        return;
    }
    m_transaction = new FbTransaction(db, FbTransaction::ReadOnly);
    m_owner = true;
    t_reads.insert(m_connection, m_transaction);
}

FbTransaction &ReadScope::transaction()
{
    if (!m_transaction)
        throw VarnexError(QStringLiteral("The connection %1 is not open.").arg(m_connection));
    return *m_transaction;
}

FbStatement &ReadScope::prepared(const QString &sql)
{
    FbTransaction &read = transaction();
    if (!t_prepared.contains(m_connection)) {
        // Connections removed since hold nothing any more.
        for (auto it = t_prepared.begin(); it != t_prepared.end();) {
            if (QSqlDatabase::contains(it.key()))
                ++it;
            else
                it = t_prepared.erase(it);
        }
        t_prepared.insert(m_connection, std::make_shared<PreparedStatements>());
    }
    const std::shared_ptr<PreparedStatements> kept = t_prepared.value(m_connection);
    const long id = attachmentId(read.attachmentHandle());
    if (kept->attachment != read.attachmentHandle() || kept->attachmentId != id || id == 0) {
        kept->forget();
        kept->attachment = read.attachmentHandle();
        kept->attachmentId = id;
    }
    for (auto it = kept->recent.begin(); it != kept->recent.end(); ++it) {
        if (it->first == sql) {
            kept->recent.splice(kept->recent.begin(), kept->recent, it);
            return *kept->recent.front().second;
        }
    }
    kept->recent.emplace_front(sql, std::make_unique<FbStatement>(read, sql));
    if (kept->recent.size() > PreparedStatements::Kept)
        kept->recent.pop_back(); // its attachment was just seen alive: freed
    return *kept->recent.front().second;
}

ReadScope::~ReadScope()
{
    if (!m_owner)
        return;
    if (t_reads.value(m_connection) == m_transaction)
        t_reads.remove(m_connection);
    // A read-only transaction has nothing to keep: ending it either way is the same.
    delete m_transaction;
}
