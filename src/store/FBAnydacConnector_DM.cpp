#include "store/FBAnydacConnector_DM.h"

#include "store/LocalDatabase.h"

TFBAnydacConnectorDm::TFBAnydacConnectorDm(const QString &connectionName)
    : m_connectionName(connectionName), m_userName(localDatabaseUser()), m_password(localDatabasePassword())
{
}

TFBAnydacConnectorDm::~TFBAnydacConnectorDm()
{
    closeDatabaseConnection(m_connectionName);
}

bool TFBAnydacConnectorDm::Initialize(const QString &serverName, const QString &databaseFile, const QString &userName,
                                      const QString &password, const QString &protocol)
{
    m_serverName = serverName;
    m_databaseFile = databaseFile;
    m_userName = userName;
    m_password = password;
    m_protocol = protocol;
    return Connect();
}

bool TFBAnydacConnectorDm::Connect()
{
    StatusMessage.clear();
    // The local protocol is used whatever protocol and server were kept: the store is embedded.
    QString error;
    const QSqlDatabase db = openLocalDatabaseAs(m_databaseFile, m_connectionName, m_userName, m_password, &error);
    if (db.isOpen())
        return true;
    StatusMessage = QStringLiteral("An error occurred connecting to the database.\nError message was: ") + error;
    return false;
}

QSqlDatabase TFBAnydacConnectorDm::ADConnection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}
