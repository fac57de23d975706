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

// The local database administrator's account used for every local connection.
inline QString localDatabaseUser() { return QStringLiteral("SYSDBA"); }
inline QString localDatabasePassword() { return QStringLiteral("gatepanel"); }
