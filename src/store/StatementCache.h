#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <memory>

// Statements prepared once and run again and again, for bulk work that repeats the same few
// statements row after row. QIBASE ties a prepared statement to the transaction in which it was
// prepared, so a cache serves one unit of work:
// - inside a transaction of the connection, the statements stay usable across retaining commits
//   ("COMMIT RETAIN") and must be dropped (clear() or the cache's end) before the transaction is
//   committed or rolled back for good;
// - on a connection in auto-commit, each statement runs in a transaction of its own that ends only
//   when the statement is dropped, so the caller clears the cache at the end of each unit of work.
class StatementCache
{
public:
    explicit StatementCache(const QSqlDatabase &db);
    ~StatementCache();
    StatementCache(const StatementCache &) = delete;
    StatementCache &operator=(const StatementCache &) = delete;

    QSqlDatabase database() const { return m_db; }

    // Runs sql with the values bound in order, preparing it at its first use. Throws VarnexError
    // with the database's text when it cannot be prepared or run. The query stays the cache's.
    QSqlQuery &exec(const QString &sql, const QVariantList &values = {});

    // The columns of a statement's result as the driver describes them, read once per statement
    // (the driver asks the database about every scaled numeric column each time it describes a
    // result). The statement must have been run by exec().
    const QSqlRecord &record(const QString &sql);

    // Drops every statement.
    void clear();

private:
    struct Statement;
    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<Statement>> m_statements;
};
