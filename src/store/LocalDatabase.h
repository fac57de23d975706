#pragma once

#include <QSqlDatabase>
#include <QString>

// Opens a user's local store (embedded Firebird through QIBASE, user "SYSDBA", UTF8 connection
// character set) as the named connection of the calling thread. A connection of that name is
// closed and reused. QIBASE runs one transaction per connection, and a connection belongs to the
// thread that made it: each thread and each independent unit of work takes its own name.
// On failure the returned connection is closed and *errorMessage holds the database's message.
QSqlDatabase openLocalDatabase(const QString &path, const QString &connectionName, QString *errorMessage = nullptr);
// The same with another account (the password matters only to a server, not to the embedded engine).
QSqlDatabase openLocalDatabaseAs(const QString &path, const QString &connectionName, const QString &user,
                                 const QString &password, QString *errorMessage = nullptr);

// Closes the named connection of the calling thread (rolling back whatever it left uncommitted) and
// removes it. Nothing happens when there is no such connection.
void closeDatabaseConnection(const QString &connectionName);

// A named connection that is closed and removed when the guard goes out of scope; for a unit of
// work that needs a connection of its own.
class ScopedConnection
{
public:
    // Opens the store at path as the named connection; throws VarnexError, with `what` in front of
    // the database's message, when it cannot be opened.
    ScopedConnection(const QString &path, const QString &connectionName, const QString &what);
    ~ScopedConnection();
    ScopedConnection(const ScopedConnection &) = delete;
    ScopedConnection &operator=(const ScopedConnection &) = delete;

    QSqlDatabase database() const;
    QString name() const { return m_name; }

private:
    QString m_name;
};

// The local database administrator's account used for every local connection.
inline QString localDatabaseUser() { return QStringLiteral("SYSDBA"); }
inline QString localDatabasePassword() { return QStringLiteral("gatepanel"); }
