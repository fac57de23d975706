#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

// Small helpers over QSqlQuery that bind every value as a parameter and turn a database
// failure into a VarnexError carrying the database's own text.
namespace SqlUtil {

// Prepares and runs `sql` with positional parameters; throws VarnexError on failure.
QSqlQuery exec(const QSqlDatabase &db, const QString &sql, const QVariantList &params = {});

// The first column of the first row, or a null QVariant when there is no row.
QVariant scalar(const QSqlDatabase &db, const QString &sql, const QVariantList &params = {});

// When a string literal, a quoted identifier or a comment starts at position i of sql, the position
// just after it; otherwise i. Scanners use it to leave such text untouched.
qsizetype skipQuotedOrComment(const QString &sql, qsizetype i);

// Throws VarnexError unless name is a plain identifier; `what` names it in the message. Table and
// column names reach SQL text only from code-owned lists, and this keeps a slip there from
// becoming arbitrary SQL.
void requireIdentifier(const QString &name, const char *what);

// Runs a script of several statements. Statements end with the current terminator (";" at
// first); a line "SET TERM x y" switches the terminator as isql does, so trigger and procedure
// bodies can carry their own semicolons. Each statement commits on its own.
void runScript(const QSqlDatabase &db, const QString &script);

// Splits a script as runScript does, without running it.
QStringList splitScript(const QString &script);

} // namespace SqlUtil
