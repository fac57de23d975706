#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// A unit of work of its own on the user's local store. QIBASE runs one transaction per
// connection, so the transaction owns a connection of its own to the same database as the one it
// was made from. Outside StartTransaction .. Commit/Rollback every statement commits by itself
// (auto-commit); the driver's transactions are read committed.
class LocalTransaction : public QObject
{
    Q_OBJECT
public:
    // Opens the own connection as a copy of `base` (which must be open to be copied). When it
    // cannot be opened, isConnected() is false and connectError() says why.
    explicit LocalTransaction(const QSqlDatabase &base, QObject *parent = nullptr);
    // Rolls back an open transaction and closes the connection.
    ~LocalTransaction() override;

    QSqlDatabase database() const;
    bool isConnected() const;
    QString connectError() const { return m_error; }
    QString connectionName() const { return m_name; }

    bool InTransaction() const { return m_inTransaction; }
    // Each throws VarnexError with the database's message on failure.
    void StartTransaction();
    void Commit();
    void Rollback();
    // Commits the work so far and goes on in a new transaction.
    void CommitRetaining();

private:
    QString m_name;
    QString m_error;
    bool m_inTransaction = false;
};
