#include "store/LocalDatabase.h"

#include "base/VarnexError.h"

#include <QSqlError>

namespace {
void prepare(QSqlDatabase &db, const QString &path, const QString &user, const QString &password)
{
    db.setDatabaseName(path);
    db.setHostName(QString()); // local protocol: embedded, no server
    db.setUserName(user.isEmpty() ? localDatabaseUser() : user);
    db.setPassword(password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
}
} // namespace

QSqlDatabase openLocalDatabaseAs(const QString &path, const QString &connectionName, const QString &user,
                                 const QString &password, QString *errorMessage)
{
    if (errorMessage)
        errorMessage->clear();
    QSqlDatabase db = QSqlDatabase::contains(connectionName)
        ? QSqlDatabase::database(connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), connectionName);
    db.close();
    if (!db.isValid()) {
        if (errorMessage)
            *errorMessage = QStringLiteral("The Firebird database driver (QIBASE) is not available");
        return db;
    }
    if (path.isEmpty()) {
        if (errorMessage)
            *errorMessage = QStringLiteral("No database file was given");
        return db;
    }
    prepare(db, path, user, password);
    if (!db.open() && errorMessage) {
        *errorMessage = db.lastError().text();
        if (errorMessage->trimmed().isEmpty())
            *errorMessage = QStringLiteral("Cannot open database '%1'").arg(path);
    }
    return db;
}

QSqlDatabase openLocalDatabase(const QString &path, const QString &connectionName, QString *errorMessage)
{
    return openLocalDatabaseAs(path, connectionName, localDatabaseUser(), localDatabasePassword(), errorMessage);
}

void closeDatabaseConnection(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen()) {
            db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
}

ScopedConnection::ScopedConnection(const QString &path, const QString &connectionName, const QString &what)
    : m_name(connectionName)
{
    QString error;
    const QSqlDatabase db = openLocalDatabase(path, connectionName, &error);
    if (!db.isOpen()) {
        closeDatabaseConnection(connectionName);
        throw VarnexError(what + error);
    }
}

ScopedConnection::~ScopedConnection()
{
    closeDatabaseConnection(m_name);
}

QSqlDatabase ScopedConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
