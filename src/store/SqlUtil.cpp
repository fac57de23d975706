#include "store/SqlUtil.h"

#include "base/VarnexError.h"

#include <QRegularExpression>
#include <QSqlError>

#include <algorithm>

namespace SqlUtil {

QSqlQuery exec(const QSqlDatabase &db, const QString &sql, const QVariantList &params)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
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

qsizetype skipQuotedOrComment(const QString &sql, qsizetype i)
{
    const qsizetype n = sql.size();
    if (i >= n)
        return i;
    const QChar c = sql.at(i);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        // A doubled quote stands for itself inside the literal.
        qsizetype j = i + 1;
        while (j < n) {
            if (sql.at(j) == c) {
                if (j + 1 < n && sql.at(j + 1) == c) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        return qMin(n, j + 1);
    }
    if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
        const qsizetype eol = sql.indexOf(QLatin1Char('\n'), i);
        return eol < 0 ? n : eol;
    }
    if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
        const qsizetype close = sql.indexOf(QLatin1String("*/"), i + 2);
        return close < 0 ? n : close + 2;
    }
    return i;
}

void requireIdentifier(const QString &name, const char *what)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]{0,62}$"));
    if (!identifier.match(name).hasMatch())
        throw VarnexError(QStringLiteral("Invalid %1 name '%2'.").arg(QLatin1String(what), name));
}

QString quoteIdentifier(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

namespace {
// Digits, sign and point of the widest decimal a column holds, with room to spare.
constexpr int DecimalTextLength = 40;
constexpr int MaxDecimalPrecision = 18;
} // namespace

QString decimalParameter(int scale)
{
    return QStringLiteral("CAST(CAST(? AS VARCHAR(%1)) AS DECIMAL(%2, %3))").arg(DecimalTextLength).arg(MaxDecimalPrecision).arg(scale);
}

QString decimalAsText(const QString &column)
{
    const QString quoted = quoteIdentifier(column);
    return QStringLiteral("CAST(%1 AS VARCHAR(%2)) AS %1").arg(quoted).arg(DecimalTextLength);
}

void beginTransaction(QSqlDatabase &db)
{
    if (!db.transaction())
        throw VarnexError(db.lastError().text());
}

void commitTransaction(QSqlDatabase &db)
{
    if (!db.commit()) {
        const QString error = db.lastError().text();
        db.rollback();
        throw VarnexError(error);
    }
}

namespace {
// True when the text holds nothing but blanks and comments.
bool onlyComments(const QString &text)
{
    static const QRegularExpression comments(QStringLiteral(R"(/\*.*?\*/|--[^\n]*)"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString rest = text;
    rest.remove(comments);
    return rest.trimmed().isEmpty();
}
} // namespace

QStringList splitScript(const QString &script)
{
    // Reads the script character by character so that a terminator inside a comment or a string
    // literal does not end a statement.
    static const QRegularExpression setTerm(QStringLiteral(R"(\GSET\s+TERM\s+(\S+?)\s*(\S+)[ \t]*(\r?\n|$))"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const qsizetype n = script.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = script.at(i);
        const qsizetype skipped = skipQuotedOrComment(script, i);
        if (skipped != i) {
            current += script.mid(i, skipped - i);
            i = skipped;
            continue;
        }
        if (onlyComments(current) && (c == QLatin1Char('S') || c == QLatin1Char('s'))) {
            const QRegularExpressionMatch m = setTerm.match(script, i);
            if (m.hasMatch()) {
                // "SET TERM ^ ;" is itself ended by the terminator in force before it.
                QString newTerm = m.captured(1);
                if (m.captured(2) != terminator && newTerm.endsWith(terminator))
                    newTerm.chop(terminator.size());
                terminator = newTerm;
                current.clear();
                i = m.capturedEnd(0);
                continue;
            }
        }
        if (script.mid(i, terminator.size()) == terminator) {
            if (!onlyComments(current))
                statements << current.trimmed();
            current.clear();
            i += terminator.size();
            continue;
        }
        current += c;
        ++i;
    }
    if (!onlyComments(current))
        statements << current.trimmed();
    return statements;
}

void runScript(const QSqlDatabase &db, const QString &script)
{
    for (const QString &statement : splitScript(script)) {
        if (statement.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0)
            continue; // every statement already commits on its own
        execDirect(db, statement);
    }
}

void execDirect(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw VarnexError(q.lastError().text());
}

qint64 nextGeneratorValue(const QSqlDatabase &db, const QString &generator)
{
    if (!db.isOpen())
        throw VarnexError(QStringLiteral("The local database is not open"));
    // A generator name cannot be a bound parameter; it must be a bare identifier.
    requireIdentifier(generator, "generator");
    const QVariant value = scalar(db, QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(generator));
    if (value.isNull())
        throw VarnexError(QStringLiteral("Cannot read the generator %1").arg(generator));
    return value.toLongLong();
}

SqlInList sqlInList(const QStringList &items)
{
    SqlInList list;
    if (items.isEmpty()) {
        list.placeholders = QStringLiteral("NULL");
        return list;
    }
    QStringList marks;
    for (const QString &item : items) {
        marks << QStringLiteral("?");
        list.values << item;
    }
    list.placeholders = marks.join(QLatin1Char(','));
    return list;
}

SqlCondition sqlInCondition(const QString &column, const QVariantList &values)
{
    SqlCondition condition;
    if (values.isEmpty()) {
        condition.text = QStringLiteral("1 = 0");
        return condition;
    }
    QStringList lists;
    for (qsizetype start = 0; start < values.size(); start += MaxInListItems) {
        const qsizetype count = std::min<qsizetype>(MaxInListItems, values.size() - start);
        QStringList marks(count, QStringLiteral("?"));
        lists << column + QStringLiteral(" IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    condition.text = QLatin1Char('(') + lists.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    condition.values = values;
    return condition;
}

} // namespace SqlUtil
