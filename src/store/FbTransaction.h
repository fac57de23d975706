#pragma once

#include "base/VarnexError.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// A failure reported by Firebird's client library: the database's own text, and the codes of its
// status vector, so that a caller can tell one cause (a duplicate key, say) from the others.
class FbError : public VarnexError
{
public:
    FbError(const QString &message, const QList<long> &codes) : VarnexError(message), m_codes(codes) {}
    bool hasCode(long code) const { return m_codes.contains(code); }
    // A unique or primary key already holds the value written.
    bool isDuplicateKey() const;

private:
    QList<long> m_codes;
};

// A transaction of Firebird's client library on the attachment behind an open QIBASE connection.
//
// The driver starts each of its transactions with the library's defaults (read-write, snapshot)
// and keeps one per connection; outside one, every statement runs in a read-write transaction of
// its own, whose commit waits for the disk. This transaction runs beside the driver's on the same
// attachment, with the access the work needs:
// - ReadOnly: read committed. Firebird starts it as committed, so ending it writes nothing; each
//   statement sees what others have committed when it starts.
// - ReadWrite: read committed, waiting for locks: it may change rows that others committed after
//   it began.
//
// It is used on the thread of its connection (or, while that thread waits for it, on another), and
// must end (commit, roll back or go out of scope) before that connection is closed.
class FbStatement;

class FbTransaction
{
public:
    enum Access { ReadOnly, ReadWrite };

    // Starts the transaction; throws VarnexError when db is not an open QIBASE connection, FbError
    // when Firebird refuses.
    FbTransaction(const QSqlDatabase &db, Access access);
    // Rolls back what was not committed.
    ~FbTransaction();
    FbTransaction(const FbTransaction &) = delete;
    FbTransaction &operator=(const FbTransaction &) = delete;

    Access access() const { return m_access; }
    bool isActive() const { return m_handle != 0; }
    // Commits and ends the transaction. When the commit fails, the work is rolled back and FbError
    // thrown; the transaction has ended either way.
    void commit();
    // Rolls back and ends the transaction; never throws.
    void rollback() noexcept;

    // The client library's handles, for FbStatement: the attachment and the transaction.
    unsigned attachmentHandle() const { return m_attachment; }
    unsigned *handle() { return &m_handle; }
    // Throws VarnexError unless the transaction is still active.
    void requireActive(const char *what) const;

    // The attachment of an open QIBASE connection; throws VarnexError for any other connection.
    static unsigned attachmentOf(const QSqlDatabase &db);

private:
    unsigned m_attachment = 0;
    unsigned m_handle = 0;
    Access m_access;
};

// The read-only transaction of one piece of work on a connection, shared by everything that reads
// while it lasts: the first scope on a connection (on this thread) starts it, scopes made inside
// that one join it, and the outermost one ends it. A list reads its rows, counts them and finds a
// row in one transaction, however many statements that takes.
class ReadScope
{
public:
    // Throws as FbTransaction does; a connection that is not open gets no transaction, so that a
    // piece of work can open its scope first and report the closed connection where it reads.
    explicit ReadScope(const QSqlDatabase &db);
    ~ReadScope();
    ReadScope(const ReadScope &) = delete;
    ReadScope &operator=(const ReadScope &) = delete;

    // Throws VarnexError when the connection was not open.
    FbTransaction &transaction();
    // The statement of that text prepared on the connection: a list runs the same few statements
    // again and again with other values, and preparing one costs more than running it. Kept for
    // the connection (the sixteen most recently used) while its attachment lasts; valid until
    // the next call on this connection. Throws FbError.
    FbStatement &prepared(const QString &sql);

private:
    QString m_connection;
    FbTransaction *m_transaction = nullptr;
    bool m_owner = false;
};
