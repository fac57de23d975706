#include "store/StatementCache.h"

#include "base/VarnexError.h"

#include <QSqlError>

#include <optional>

struct StatementCache::Statement
{
    explicit Statement(const QSqlDatabase &db) : query(db) {}
    QSqlQuery query;
    std::optional<QSqlRecord> record;
};

StatementCache::StatementCache(const QSqlDatabase &db) : m_db(db)
{
}

StatementCache::~StatementCache() = default;

QSqlQuery &StatementCache::exec(const QString &sql, const QVariantList &values)
{
    std::shared_ptr<Statement> &slot = m_statements[sql];
    if (!slot) {
        auto statement = std::make_shared<Statement>(m_db);
        statement->query.setForwardOnly(true);
        if (!statement->query.prepare(sql)) {
            const QString error = statement->query.lastError().text();
            m_statements.remove(sql);
            throw VarnexError(error);
        }
        slot = std::move(statement);
    }
    QSqlQuery &query = slot->query;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw VarnexError(query.lastError().text());
    return query;
}

const QSqlRecord &StatementCache::record(const QString &sql)
{
    const auto it = m_statements.constFind(sql);
    if (it == m_statements.constEnd())
        throw VarnexError(QStringLiteral("The statement has not been run: %1").arg(sql));
    Statement &statement = **it;
    if (!statement.record)
        statement.record = statement.query.record();
    return *statement.record;
}

void StatementCache::clear()
{
    m_statements.clear();
}
