#include "store/LocalTransaction.h"

#include "base/VarnexError.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QAtomicInt>
#include <QSqlError>

namespace {
QAtomicInt g_counter;
}

LocalTransaction::LocalTransaction(const QSqlDatabase &base, QObject *parent) : QObject(parent)
{
    m_name = QStringLiteral("LocalTransaction-%1").arg(g_counter.fetchAndAddRelaxed(1));
    if (!base.isValid() || base.databaseName().isEmpty()) {
        m_error = QStringLiteral("There is no database to connect to.");
        return;
    }
    QSqlDatabase db = QSqlDatabase::cloneDatabase(base, m_name);
    if (!db.open())
        m_error = db.lastError().text();
}

LocalTransaction::~LocalTransaction()
{
    closeDatabaseConnection(m_name);
}

QSqlDatabase LocalTransaction::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool LocalTransaction::isConnected() const
{
    return QSqlDatabase::contains(m_name) && database().isOpen();
}

void LocalTransaction::StartTransaction()
{
    if (m_inTransaction)
        return;
    if (!isConnected())
        throw VarnexError(QStringLiteral("Cannot start a transaction: ") + m_error);
    QSqlDatabase db = database();
    SqlUtil::beginTransaction(db);
    m_inTransaction = true;
}

void LocalTransaction::Commit()
{
    if (!m_inTransaction)
        return;
    QSqlDatabase db = database();
    if (!db.commit())
        throw VarnexError(db.lastError().text());
    m_inTransaction = false;
}

void LocalTransaction::Rollback()
{
    if (!m_inTransaction)
        return;
    QSqlDatabase db = database();
    const bool ok = db.rollback();
    m_inTransaction = false;
    if (!ok)
        throw VarnexError(db.lastError().text());
}

void LocalTransaction::CommitRetaining()
{
    Commit();
    StartTransaction();
}
