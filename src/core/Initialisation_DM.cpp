#include "core/Initialisation_DM.h"

#include "base/Clock.h"
#include "store/DatabaseUpdate_DM.h"
#include "store/FBAnydacConnector_DM.h"
#include "store/LocalDatabase.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "store/SqlUtil.h"
#include "store/UserDatabase_DM.h"
#include "base/VarnexError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

TInitialisationDM *InitialisationDM = nullptr;

namespace {
const QString ServerOk = QStringLiteral("Server OK");
const QString Offline = QStringLiteral("Offline");
const QString NotMonitoring = QStringLiteral("Not monitoring");
// The settings copy and the scope-change reset run in a transaction of their own.
const QString SettingsWriteConnection = QStringLiteral("InitialisationDM.ADTransaction");

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}
} // namespace

// One reachability check on a thread of its own. The result is written by the thread and read by
// the owner only after the thread has finished (QThread::wait or its finished signal).
class TInitialisationDM::CheckThread : public QThread
{
public:
    CheckThread(LoginServerAccess &channel, const QString &address) : m_channel(channel), m_address(address) {}
    bool alive = false;

protected:
    void run() override
    {
        m_channel.SetRemoteServerURL(m_address);
        alive = m_channel.ServerIsAlive();
    }

private:
    LoginServerAccess &m_channel;
    QString m_address;
};

TInitialisationDM::TInitialisationDM(TRegistryDM &registry, TMaindm &maindm, TFBAnydacConnectorDm &connector,
                                     LoginServerAccess &server, const LoginServerAccessFactory &monitorChannelFactory,
                                     QObject *parent)
    : QObject(parent), m_registry(registry), m_maindm(maindm), m_connector(connector), m_server(server),
      m_monitorChannel(monitorChannelFactory(registry.ServerAddress())), m_statusMessage(NotMonitoring)
{
    if (!m_monitorChannel)
        throw VarnexError(QStringLiteral("The server monitor has no channel to the server."));
    ISFirstSync = false;
    m_timer.setSingleShot(true);
    m_timer.setInterval(RefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TInitialisationDM::timerRefreshServerIsAliveTimer);
}

TInitialisationDM::~TInitialisationDM()
{
    m_timer.stop();
    if (m_checkThread) {
        // The channel's time-outs bound this wait.
        m_checkThread->wait();
        delete m_checkThread;
        m_checkThread = nullptr;
    }
    closeLocalStore();
    if (InitialisationDM == this)
        InitialisationDM = nullptr;
}

void TInitialisationDM::SetInternetProxy(const QString &userName, const QString &password)
{
    // Only between checks: the channel belongs to the check's thread while one runs.
    finishRunningCheck();
    m_monitorChannel->SetInternetProxy(userName, password);
}

// ---------------------------------------------------------------------------------------------
// The server monitor

void TInitialisationDM::Initialize(bool EnableTimer, int InitialTimerInterval, std::function<void()> RefreshEvent)
{
    m_timer.setInterval(qMax(0, InitialTimerInterval));
    OnServerConnectionIsAliveChanged = std::move(RefreshEvent);
    m_monitorServerIsConnected = EnableTimer;
    if (EnableTimer && !m_checkThread)
        m_timer.start();
    else
        m_timer.stop();
}

void TInitialisationDM::SetMonitorServerIsConnected(bool value)
{
    m_monitorServerIsConnected = value;
    if (value && !m_checkThread)
        m_timer.start();
    else
        m_timer.stop();
    m_statusMessage = NotMonitoring;
}

void TInitialisationDM::timerRefreshServerIsAliveTimer()
{
    if (!m_monitorServerIsConnected || m_checkThread)
        return;
    startCheck();
}

void TInitialisationDM::startCheck()
{
    m_timer.stop();
    // The address is read here, afresh for every check, and handed to the thread.
    auto *thread = new CheckThread(*m_monitorChannel, m_registry.ServerAddress());
    m_checkThread = thread;
    connect(thread, &QThread::finished, this, [this, thread] {
        if (m_checkThread == thread)
            applyCheck(thread);
    });
    thread->start();
}

void TInitialisationDM::finishRunningCheck()
{
    if (!m_checkThread)
        return;
    m_checkThread->wait();
    applyCheck(m_checkThread);
}

void TInitialisationDM::applyCheck(CheckThread *thread)
{
    m_checkThread = nullptr;
    m_checkedOnce = true;
    m_serverConnectionIsAlive = thread->alive;
    // A check that ends after the monitor was stopped (the main window closing) leaves its text
    // at "Not monitoring".
    if (m_monitorServerIsConnected)
        m_statusMessage = thread->alive ? ServerOk : Offline;
    thread->wait(); // finished has been signalled; let the thread end before it is freed
    thread->deleteLater();
    ServerCheckDone();
}

void TInitialisationDM::ServerCheckDone()
{
    if (OnServerConnectionIsAliveChanged)
        OnServerConnectionIsAliveChanged();
    m_timer.setInterval(RefreshIntervalMs);
    if (m_monitorServerIsConnected && !m_checkThread)
        m_timer.start();
    emit serverCheckDone();
}

// ---------------------------------------------------------------------------------------------
// Login

void TInitialisationDM::refuse(const QString &message)
{
    StatusMessage = message;
}

bool TInitialisationDM::isSuspended(const QVariant &flag, const QVariant &autoSuspendDate)
{
    if (text(flag) == QLatin1String("T"))
        return true;
    if (autoSuspendDate.isNull() || !autoSuspendDate.isValid())
        return false;
    const QDate date = autoSuspendDate.toDate();
    return date.isValid() && Clock::instance().today() >= date;
}

bool TInitialisationDM::Login(const QString &email, const QString &password)
{
    // A check that is under way decides the path: wait for it rather than take the offline path
    // on a result that is about to change. When the monitor runs but has not checked yet, check now.
    if (!m_checkThread && !m_checkedOnce && m_monitorServerIsConnected)
        startCheck();
    finishRunningCheck();

    // The officer row of an earlier attempt must never reach this one.
    m_loggedInToServer = false;
    m_officer.clear();
    if (m_serverConnectionIsAlive) {
        if (!LoginToServer(email, password))
            return false;
        if (!PrepareLocalStore(email))
            return false;
        return OpenLocalStore(email);
    }
    return LoginLocal(email, password);
}

bool TInitialisationDM::LoginToServer(const QString &email, const QString &password)
{
    m_loggedInToServer = false;
    m_officer.clear();
    const QList<QVariantMap> rows = m_server.FindOfficers(email);
    if (rows.isEmpty()) {
        refuse(QStringLiteral("No user found on server with email address '") + email + QStringLiteral("'"));
        return false;
    }
    const QVariantMap &officer = rows.first();
    if (text(officer.value(QStringLiteral("LOGIN_PASSWORD"))) != password) {
        refuse(QStringLiteral("The password entered does not match the password on the server"));
        return false;
    }
    if (isSuspended(officer.value(QStringLiteral("IS_SUSPENDED")), officer.value(QStringLiteral("AUTO_SUSPEND_DATE")))) {
        // Recorded in an existing store too, so that an offline login cannot get round it.
        recordSuspensionInStore(email);
        refuse(suspendedMessage());
        return false;
    }
    m_officer = officer;
    StatusMessage = QStringLiteral("Logged in to the server successfully");
    m_loggedInToServer = true;
    return true;
}

void TInitialisationDM::recordSuspensionInStore(const QString &email)
{
    TUserDatabaseDM lookup(m_registry.LocalDataLocation(), m_registry.programFolder());
    const QString path = lookup.getUserDatabase(email);
    if (path.isEmpty())
        return;
    const QString name = SettingsWriteConnection + QStringLiteral(".suspend");
    {
        const QSqlDatabase db = openLocalDatabase(path, name);
        if (db.isOpen()) {
            QSqlQuery q(db);
            // Best effort: a store too old for these columns is refused offline anyway once upgraded.
            // A store recorded for another address (one whose file name folds to the same) is left
            // alone.
            q.prepare(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_SUSPENDED = ? "
                                     "WHERE COALESCE(TRIM(USER_EMAIL_ADDRESS), '') = '' "
                                     "OR LOWER(TRIM(USER_EMAIL_ADDRESS)) = LOWER(?)"));
            q.addBindValue(QStringLiteral("T"));
            q.addBindValue(email);
            q.exec();
        }
    }
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

bool TInitialisationDM::PrepareLocalStore(const QString &email)
{
    bool result = false;
    QString path;
    {
        TUserDatabaseDM lookup(m_registry.LocalDataLocation(), m_registry.programFolder());
        path = lookup.getUserDatabase(email);
        if (!path.isEmpty()) {
            result = true;
        } else if (!lookup.StatusMessage.isEmpty()) {
            // The address cannot name a store, or the data folder is unusable.
            refuse(lookup.StatusMessage);
        } else if (!m_loggedInToServer) {
            const QString wanted = lookup.getdatabasePathAndName(email);
            refuse(QStringLiteral("Local datastore '") + wanted + QStringLiteral("' does not exist . ") + QStringLiteral("\n\r")
                   + QStringLiteral("You must be connected to the server to login for the first time."));
        } else if (lookup.CreateUserDatabase(email)) {
            StatusMessage = QStringLiteral("Local data store created.");
            ISFirstSync = true;
            m_storesMadeThisRun.insert(lookup.getdatabasePathAndName(email));
            result = true;
        } else {
            refuse(QStringLiteral("Could not create local datastore: ") + QStringLiteral("\n\r") + lookup.StatusMessage);
        }
    }
    m_dbServerName.clear();
    m_dbProtocol = QStringLiteral("local");
    m_dbDatapath = path;
    m_dbUserName = localDatabaseUser();
    m_dbPassword = localDatabasePassword();
    return result;
}

void TInitialisationDM::closeLocalStore()
{
    if (m_openStorePath.isEmpty())
        return;
    m_openStorePath.clear();
    m_dbIsActivated = false;
    m_connector.ADConnection().close();
    m_maindm.Disconnect();
}

QSqlDatabase TInitialisationDM::localConnection() const
{
    return m_connector.ADConnection();
}

bool TInitialisationDM::OpenLocalStore(const QString &email)
{
    // Every attempt looks the store up again and runs the whole sequence: an earlier attempt of
    // this dialog may have opened another user's store, and a store opened before a failed
    // numbering or settings copy still needs them.
    if (!PrepareLocalStore(email)) {
        closeLocalStore();
        return false;
    }
    // Only a store made in this run has never been synchronised; an earlier attempt of the dialog
    // may have made another user's store.
    ISFirstSync = m_storesMadeThisRun.contains(m_dbDatapath);
    if (m_openStorePath != m_dbDatapath) {
        closeLocalStore();
        if (!m_connector.Initialize(m_dbServerName, m_dbDatapath, m_dbUserName, m_dbPassword, m_dbProtocol)) {
            refuse(m_connector.StatusMessage);
            return false;
        }
        m_openStorePath = m_dbDatapath;
    }
    if (!m_maindm.ConnectToUserDatabase(email)) {
        refuse(m_maindm.lastError());
        closeLocalStore();
        return false;
    }
    UpdateDatabaseStructure();
    // The file name folds "." and "-" together, so two addresses can name the same file; the
    // store belongs to the address its last online login recorded.
    const QString owner = text(SqlUtil::scalar(localConnection(),
                                               QStringLiteral("SELECT FIRST 1 USER_EMAIL_ADDRESS FROM SYS_LOCAL_SETTINGS")))
                              .trimmed();
    if (!owner.isEmpty() && owner.compare(email, Qt::CaseInsensitive) != 0) {
        refuse(QStringLiteral("The local data store '%1' belongs to '%2' and cannot be used for '%3'.")
                   .arg(m_dbDatapath, owner, email));
        closeLocalStore();
        return false;
    }
    if (!IsActivated()) {
        if (!m_loggedInToServer) {
            refuse(QStringLiteral("The local data store for '") + email
                   + QStringLiteral("' has not been given an installation number yet.\n\r"
                                    "Connect to the internet and log in again to finish setting it up."));
            return false;
        }
        ActivateInstallation();
    }
    if (m_loggedInToServer)
        CopyServerUserToLocalSettings();
    return IsActivated();
}

void TInitialisationDM::UpdateDatabaseStructure()
{
    TDatabaseUpdateDM update(m_maindm.ibConnection());
    update.UpdateStructure();
}

bool TInitialisationDM::LoginLocal(const QString &email, const QString &password)
{
    OpenLocalStore(email);
    if (!hasLocalConnection())
        return false;

    const QSqlDatabase db = localConnection();
    QSqlQuery settings = SqlUtil::exec(db, QStringLiteral("SELECT FIRST 1 * FROM SYS_LOCAL_SETTINGS"));
    if (!settings.next()) {
        refuse(QStringLiteral("No setup information found for user with email '") + email + QStringLiteral("'")
               + QStringLiteral("\n\r") + QStringLiteral("Connect to the internet to initialise the database."));
        return false;
    }
    const QSqlRecord record = settings.record();
    if (record.indexOf(QStringLiteral("USER_LOGIN_PASSWORD")) < 0) {
        refuse(QStringLiteral("The local data store is out of date for this version of Varnex Desktop ") + QStringLiteral("\n\r")
               + QStringLiteral("Connect to the internet to update the database."));
        return false;
    }
    // A store that was never numbered, or that no online login has completed, cannot be trusted
    // for an offline login: it holds no password to compare with.
    if (text(settings.value(QStringLiteral("INSTALLATION_CODE"))).trimmed().isEmpty()) {
        refuse(QStringLiteral("The local data store for '") + email
               + QStringLiteral("' has not been given an installation number yet.\n\r"
                                "Connect to the internet and log in again to finish setting it up."));
        return false;
    }
    const QString stored = text(settings.value(QStringLiteral("USER_LOGIN_PASSWORD")));
    if (stored.isEmpty()) {
        refuse(QStringLiteral("No password is stored in the local data store for '") + email
               + QStringLiteral("'.\n\rConnect to the internet to log in."));
        return false;
    }
    if (stored != password) {
        refuse(QStringLiteral("The password entered does not match the password in the local data store"));
        return false;
    }
    if (isSuspended(settings.value(QStringLiteral("USER_IS_SUSPENDED")), settings.value(QStringLiteral("USER_AUTO_SUSPEND_DATE")))) {
        refuse(suspendedMessage());
        return false;
    }
    settings.finish();
    // The settings row is only written at an online login; a suspension made on the server since
    // then reaches this store through the synchronised officer row. A deleted row is an account
    // the address no longer belongs to.
    QSqlQuery officers = SqlUtil::exec(db, QStringLiteral("SELECT IS_SUSPENDED, AUTO_SUSPEND_DATE FROM SAMPLE_OFFICER "
                                                          "WHERE EMAIL_ADDRESS = ? AND FLAG_DELETED IS DISTINCT FROM 'T'"),
                                       {email});
    while (officers.next()) {
        if (isSuspended(officers.value(0), officers.value(1))) {
            refuse(suspendedMessage());
            return false;
        }
    }
    StatusMessage = QStringLiteral("Logged in to the local data store successfully");
    return true;
}

// ---------------------------------------------------------------------------------------------
// Installation numbering and settings copy

bool TInitialisationDM::IsActivated()
{
    const QVariant code = SqlUtil::scalar(localConnection(), QStringLiteral("SELECT FIRST 1 INSTALLATION_CODE FROM SYS_LOCAL_SETTINGS"));
    m_dbIsActivated = !text(code).trimmed().isEmpty();
    return m_dbIsActivated;
}

bool TInitialisationDM::ActivateInstallation()
{
    if (!m_loggedInToServer)
        throw VarnexError(QStringLiteral("The installation can only be numbered after a login to the server."));
    const QString authorityCode = text(m_officer.value(QStringLiteral("LOCAL_AUTHORITY__CODE")));
    const QString officeCode = text(m_officer.value(QStringLiteral("LOCAL_AUTH_OFFICE__CODE")));
    if (authorityCode.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("The officer '%1' has no local authority on the server, so this installation "
                                         "cannot be numbered.")
                              .arg(text(m_officer.value(QStringLiteral("EMAIL_ADDRESS")))));

    qint64 claimed = 0;
    QString authorityName;
    bool won = false;
    for (int attempt = 0; attempt < MaxActivationAttempts && !won; ++attempt) {
        const QString uuid = m_maindm.GetNewUUIDString();
        const QVariantMap row = m_server.OpenActivationRow(authorityCode);
        if (row.isEmpty())
            throw VarnexError(QStringLiteral("The server holds no installation numbering for the local authority '%1'.")
                                  .arg(authorityCode));
        const QVariant oldId = row.value(QStringLiteral("LAST_INSTALL_ID"));
        const qint64 next = (oldId.isNull() ? 0 : oldId.toLongLong()) + 1;
        QString postError;
        try {
            m_server.PostActivationClaim(authorityCode, oldId, next, uuid);
        } catch (const VarnexError &e) {
            // Refused: most likely another installation claimed first. The refresh tells.
            postError = e.message();
        }
        const QVariantMap refreshed = m_server.OpenActivationRow(authorityCode);
        if (text(refreshed.value(QStringLiteral("LAST_INSTALL_UUID"))).trimmed() == uuid) {
            won = true;
            claimed = refreshed.value(QStringLiteral("LAST_INSTALL_ID")).toLongLong();
            authorityName = text(refreshed.value(QStringLiteral("NAME")));
        } else if (!postError.isEmpty() && refreshed.value(QStringLiteral("LAST_INSTALL_ID")) == oldId) {
            // Nobody else moved the number: the refusal had another cause.
            throw VarnexError(QStringLiteral("The installation number could not be claimed from the server: ") + postError);
        }
    }
    if (!won)
        throw VarnexError(QStringLiteral("The installation number could not be claimed from the server after %1 attempts: "
                                         "other installations of the local authority '%2' kept claiming at the same time. "
                                         "Please log in again.")
                              .arg(MaxActivationAttempts)
                              .arg(authorityCode));

    SqlUtil::exec(localConnection(), QStringLiteral("EXECUTE PROCEDURE ACTIVATE_DATABASE(?, ?, ?, ?)"),
                  {claimed, authorityCode, authorityName, officeCode});
    StatusMessage = IsActivated() ? QStringLiteral("The database has been activated.")
                                  : QStringLiteral("The database was not activated.");
    return true;
}

void TInitialisationDM::CopyServerUserToLocalSettings()
{
    if (!m_loggedInToServer)
        throw VarnexError(QStringLiteral("The user's settings can only be copied after a login to the server."));

    // The row and the scope-change reset are written in one transaction of a connection of their
    // own, so that a failure leaves neither half behind.
    const QString connectionName = SettingsWriteConnection;
    QString failure;
    {
        QSqlDatabase db = openLocalDatabase(m_dbDatapath, connectionName, &failure);
        if (!db.isOpen()) {
            failure = QStringLiteral("The local settings could not be opened for writing: ") + failure;
        } else if (!db.transaction()) {
            failure = QStringLiteral("The local settings could not be written: ") + db.lastError().text();
        } else {
            try {
                writeServerUserSettings(db);
                if (!db.commit())
                    throw VarnexError(QStringLiteral("The local settings could not be saved: ") + db.lastError().text());
            } catch (const VarnexError &e) {
                db.rollback();
                failure = e.message();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    if (!failure.isEmpty())
        throw VarnexError(failure);
}

void TInitialisationDM::writeServerUserSettings(const QSqlDatabase &db)
{
    auto officer = [this](const char *field) { return m_officer.value(QString::fromLatin1(field)); };
    QSqlQuery current = SqlUtil::exec(db, QStringLiteral("SELECT FIRST 1 ID, LOCAL_AUTH_OFFICE__CODE, USER_DATA_SCOPE, "
                                                         "REFRESH_AFTER_SCOPE_CHANGE FROM SYS_LOCAL_SETTINGS"));
    QVariant id = 1;
    QString oldOffice, oldScope, refresh;
    if (current.next()) {
        id = current.value(0);
        oldOffice = text(current.value(1));
        oldScope = text(current.value(2));
        refresh = text(current.value(3));
    } else {
        SqlUtil::exec(db, QStringLiteral("INSERT INTO SYS_LOCAL_SETTINGS (ID) VALUES (?)"), {id});
    }
    current.finish();

    const QString newOffice = text(officer("LOCAL_AUTH_OFFICE__CODE"));
    QString newScope = text(officer("DATA_SCOPE"));
    if (newScope.isEmpty())
        newScope = QStringLiteral("office");
    if (refresh.isEmpty())
        refresh = QStringLiteral("T");
    else if (refresh == QLatin1String("F")
             && (oldScope != newScope || (oldOffice != newOffice && newScope != QLatin1String("authority"))))
        refresh = QStringLiteral("T");

    const QVariant suspendDate = officer("AUTO_SUSPEND_DATE");
    SqlUtil::exec(db,
                  QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY_NAME = ?, LOCAL_AUTH_OFFICE__CODE = ?, "
                                 "USER_EMAIL_ADDRESS = ?, USER_LOGIN_PASSWORD = ?, USER_IS_SUSPENDED = ?, "
                                 "USER_AUTO_SUSPEND_DATE = ?, USER_IS_LOCAL_AUTHORITY_ADMIN = ?, USER_DATA_SCOPE = ?, "
                                 "REFRESH_AFTER_SCOPE_CHANGE = ?, USER_ID = ? WHERE ID = ?"),
                  {text(officer("LOCAL_AUTHORITY_NAME")), newOffice, text(officer("EMAIL_ADDRESS")),
                   text(officer("LOGIN_PASSWORD")), text(officer("IS_SUSPENDED")),
                   suspendDate.isNull() ? QVariant(QMetaType(QMetaType::QDate)) : QVariant(suspendDate.toDate()),
                   text(officer("IS_LOCAL_AUTHORITY_ADMIN")), newScope, refresh, officer("ID"), id});
    if (refresh == QLatin1String("T")) {
        // Every table is downloaded in full by the next synchronisation, so the store then holds
        // the rows of the new scope or office.
        SqlUtil::exec(db, QStringLiteral("UPDATE SYS_SYNC SET UPDATE_ID = 0"));
        SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET REFRESH_AFTER_SCOPE_CHANGE = ? WHERE ID = ?"),
                      {QStringLiteral("F"), id});
    }
}
