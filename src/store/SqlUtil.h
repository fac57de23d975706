#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <utility>

// Small helpers over QSqlQuery that bind every value as a parameter and turn a database
// failure into a VarnexError carrying the database's own text.
namespace SqlUtil {

// Prepares and runs `sql` with positional parameters; throws VarnexError on failure.
QSqlQuery exec(const QSqlDatabase &db, const QString &sql, const QVariantList &params = {});

// Runs one statement as it stands, without preparing it: for DDL, whose procedure and trigger
// bodies name variables (":NAME") that preparation would take for parameters. Throws VarnexError.
void execDirect(const QSqlDatabase &db, const QString &sql);

// The first column of the first row, or a null QVariant when there is no row.
QVariant scalar(const QSqlDatabase &db, const QString &sql, const QVariantList &params = {});

// When a string literal, a quoted identifier or a comment starts at position i of sql, the position
// just after it; otherwise i. Scanners use it to leave such text untouched.
qsizetype skipQuotedOrComment(const QString &sql, qsizetype i);

// Throws VarnexError unless name is a plain identifier; `what` names it in the message. Table and
// column names reach SQL text only from code-owned lists, and this keeps a slip there from
// becoming arbitrary SQL.
void requireIdentifier(const QString &name, const char *what);

// The identifier in double quotes, inner quotes doubled, so that it reaches SQL as exactly that name.
QString quoteIdentifier(const QString &name);

// Firebird's Qt driver passes a scaled number (NUMERIC, DECIMAL) through a double, both ways, and
// so keeps only some 15 of the 18 digits such a column holds. Bound and read as text through these
// two, the engine itself converts the value, exactly:
// the place of a parameter bound as decimal text ("-12.34"), for a value of `scale` digits after
// the point (to assign or to compare),
QString decimalParameter(int scale);
// and a decimal column selected as its text, under its own name (read it into a decimal field).
QString decimalAsText(const QString &column);

// Starts a transaction on db; throws VarnexError with the database's text when it cannot.
void beginTransaction(QSqlDatabase &db);
// Commits; on failure rolls back and throws VarnexError with the database's text.
void commitTransaction(QSqlDatabase &db);

// Runs work(db) as one transaction of db: committed when it returns, rolled back when it throws
// (and the exception passed on). Returns what work returns. QIBASE runs one transaction per
// connection, so db must not be in the middle of another unit of work.
template<typename Work>
auto inTransaction(QSqlDatabase db, Work &&work)
{
    beginTransaction(db);
    try {
        if constexpr (std::is_void_v<decltype(work(db))>) {
            std::forward<Work>(work)(db);
            commitTransaction(db);
        } else {
            auto result = std::forward<Work>(work)(db);
            commitTransaction(db);
            return result;
        }
    } catch (...) {
        if (db.isOpen())
            db.rollback();
        throw;
    }
}

// Runs a script of several statements. Statements end with the current terminator (";" at
// first); a line "SET TERM x y" switches the terminator as isql does, so trigger and procedure
// bodies can carry their own semicolons. Each statement commits on its own.
void runScript(const QSqlDatabase &db, const QString &script);

// Splits a script as runScript does, without running it.
QStringList splitScript(const QString &script);

// The next value of a generator (sequence) of db; throws VarnexError on failure, also when db is
// not open. The name must be a plain SQL identifier (letters, digits, "_", "$"); anything else is
// refused.
qint64 nextGeneratorValue(const QSqlDatabase &db, const QString &generator);

// The bound form of an IN list: "IN (" + placeholders + ")" with values bound in order.
// An empty list gives "NULL", which matches no row, so the statement stays valid.
struct SqlInList
{
    QString placeholders; // "?,?,?"
    QVariantList values;
};
SqlInList sqlInList(const QStringList &items);

// The bound condition "column IN (...)" for any number of values. Firebird takes at most
// MaxInListItems values in one IN list, so a longer list becomes several lists joined by OR, in
// parentheses. No values give a condition that holds for no row. `column` is SQL text the caller
// owns (such as "S.SAMPLE_OFFICER_NAME"), never data.
inline constexpr int MaxInListItems = 1500;
struct SqlCondition
{
    QString text;
    QVariantList values;
};
SqlCondition sqlInCondition(const QString &column, const QVariantList &values);

} // namespace SqlUtil
