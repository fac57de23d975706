#pragma once

#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

class FbTransaction;

// A statement of Firebird's client library, prepared once and run as often as wanted, in any
// transaction of its attachment (FbTransaction): values bound by position, rows read one at a
// time. For bulk and frequent work, where the SQL driver's own path costs more than the work: it
// prepares each statement anew, converts every value through a generic path, reads column metadata
// with further queries, and runs every statement outside a transaction in a read-write transaction
// of its own.
//
// Values given to bind: an invalid or null QVariant is NULL, a QString text (empty text stays
// empty text), a QByteArray bytes, whole numbers, doubles, bool, QDate, QTime and QDateTime (its
// wall-clock reading) go in as themselves; the database converts each to the parameter's type
// and refuses what does not fit (a text too long for its column is an error, never cut short).
// A decimal is bound as its text, so it reaches a NUMERIC column exactly.
//
// Values read: NULL is an invalid QVariant; text is a QString as the column holds it (a CHAR
// keeps its padding); BLOBs are QByteArray; SMALLINT and INTEGER are int, BIGINT qint64, and a
// scaled NUMERIC or DECIMAL the exact decimal text ("-12.50"); DATE, TIME and TIMESTAMP are QDate,
// QTime and a local QDateTime; BOOLEAN is bool.
//
// Every failure throws FbError (store/FbTransaction.h) with the database's text.
class FbStatement
{
public:
    // Prepares sql on the transaction's attachment.
    FbStatement(FbTransaction &transaction, const QString &sql);
    ~FbStatement();
    FbStatement(const FbStatement &) = delete;
    FbStatement &operator=(const FbStatement &) = delete;

    QString sql() const;
    bool isSelect() const;
    int paramCount() const;
    // Values stay bound until bound again; every parameter needs one before the first execute.
    void bind(int index, const QVariant &value);
    void bindAll(const QVariantList &values);
    // Runs the statement in the transaction with the values bound (closing the rows of an earlier
    // run); the rows of a SELECT are then read with next().
    void execute(FbTransaction &transaction);

    int columnCount() const;
    // The column's alias, else its name.
    QString columnName(int column) const;
    // The columns as the SQL driver describes them, so that what reads the driver's descriptions
    // reads these alike (types, lengths in bytes, a scaled column's precision and scale, a text
    // BLOB's character set as its precision, whether a value is required). The precision of a
    // scaled column comes from its table's definition, read in the transaction given.
    QSqlRecord record(FbTransaction &transaction) const;
    // Moves to the next row; false (and the rows closed) after the last.
    bool next();
    bool isNull(int column) const;
    QVariant value(int column) const;
    // Closes the rows of the last run before they are all read.
    void close();
    // Forgets the statement without freeing it, for a statement whose attachment has ended (its
    // handle may stand for another statement by now; the attachment's end freed this one).
    void abandon();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
