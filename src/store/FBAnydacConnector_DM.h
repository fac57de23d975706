#pragma once

#include <QSqlDatabase>
#include <QString>

// A second connection to the user's local store, beside the main one: the login module reads and
// writes the local settings through one instance, the synchronisation controller owns another.
// Each instance is a named QSqlDatabase of the thread that uses it.
class TFBAnydacConnectorDm
{
public:
    explicit TFBAnydacConnectorDm(const QString &connectionName);
    ~TFBAnydacConnectorDm();
    TFBAnydacConnectorDm(const TFBAnydacConnectorDm &) = delete;
    TFBAnydacConnectorDm &operator=(const TFBAnydacConnectorDm &) = delete;

    // Keeps the values and connects; on failure StatusMessage holds the reason.
    bool Initialize(const QString &serverName, const QString &databaseFile, const QString &userName,
                    const QString &password, const QString &protocol);
    // (Re)opens the connection with the kept values, always on the local protocol.
    bool Connect();

    QSqlDatabase ADConnection() const;
    QString connectionName() const { return m_connectionName; }

    QString serverName() const { return m_serverName; }
    QString databaseFile() const { return m_databaseFile; }
    QString userName() const { return m_userName; }
    QString password() const { return m_password; }
    QString protocol() const { return m_protocol; }

    QString StatusMessage;

private:
    QString m_connectionName;
    QString m_serverName;
    QString m_databaseFile;
    QString m_userName;
    QString m_password;
    QString m_protocol;
};
