#include "SqlUtil.h"

#include "VarnexError.h"

#include <QRegularExpression>
#include <QSqlError>

namespace SqlUtil {

QSqlQuery exec(const QSqlDatabase &db, const QString &sql, const QVariantList &params)
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw VarnexError(q.lastError().text());
    for (const QVariant &p : params)
        q.addBindValue(p);
    if (!q.exec())
        throw VarnexError(q.lastError().text());
    return q;
}

QVariant scalar(const QSqlDatabase &db, const QString &sql, const QVariantList &params)
{
    QSqlQuery q = exec(db, sql, params);
    return q.next() ? q.value(0) : QVariant();
}

QStringList splitScript(const QString &script)
{
    static const QRegularExpression setTerm(
        QStringLiteral(R"(^\s*SET\s+TERM\s+(\S+)\s+(\S+)\s*$)"), QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = setTerm.match(line);
        if (m.hasMatch() && current.trimmed().isEmpty()) {
            // "SET TERM ^ ;" is itself ended by the terminator in force before it.
            QString newTerm = m.captured(1);
            const QString ending = m.captured(2);
            if (ending != terminator && newTerm.endsWith(terminator))
                newTerm.chop(terminator.size());
            terminator = newTerm;
            current.clear();
            continue;
        }
        current += line + QLatin1Char('\n');
        const QString trimmed = current.trimmed();
        if (trimmed.endsWith(terminator)) {
            QString statement = trimmed.left(trimmed.size() - terminator.size()).trimmed();
            if (!statement.isEmpty())
                statements << statement;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

void runScript(const QSqlDatabase &db, const QString &script)
{
    for (const QString &statement : splitScript(script)) {
        if (statement.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0)
            continue; // every statement already commits on its own
        QSqlQuery q(db);
        if (!q.exec(statement))
            throw VarnexError(q.lastError().text());
    }
}

} // namespace SqlUtil
