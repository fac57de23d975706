#include "core/Initialisation_DM.h"

#include "base/Background.h"
#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/LoginRules.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "core/SampleCodes.h"
#include "store/DatabaseUpdate_DM.h"
#include "store/FBAnydacConnector_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "store/UserDatabase_DM.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <mutex>

TInitialisationDM *InitialisationDM = nullptr;

// The module's hold on the shared server channel: one call at a time, and none once the module
// has been closed.
struct LoginServerGate
{
    std::mutex mutex;
    bool closed = false;
};

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

QString notNumberedMessage(const QString &email)
{
    return QStringLiteral("The local data store for '") + email
        + QStringLiteral("' has not been given an installation number yet.\n\r"
                         "Connect to the internet and log in again to finish setting it up.");
}

// The shared channel as one background login step sees it. Each call waits for any other call
// of the module (an abandoned step may still be running) and is refused once the login was
// cancelled or the module closed, so an abandoned claim loop stops at its next call.
class GatedServer : public LoginServerAccess
{
public:
    GatedServer(LoginServerAccess &server, std::shared_ptr<LoginServerGate> gate, std::shared_ptr<std::atomic<bool>> stop)
        : m_server(server), m_gate(std::move(gate)), m_stop(std::move(stop))
    {
    }

    void SetRemoteServerURL(const QString &url) override
    {
        pass([&] { m_server.SetRemoteServerURL(url); });
    }
    bool ServerIsAlive() noexcept override
    {
        try {
            return pass([&] { return m_server.ServerIsAlive(); });
        } catch (...) {
            return false;
        }
    }
    void SetInternetProxy(const QString &userName, const QString &password) override
    {
        pass([&] { m_server.SetInternetProxy(userName, password); });
    }
    QList<QVariantMap> FindOfficers(const QString &emailAddress) override
    {
        return pass([&] { return m_server.FindOfficers(emailAddress); });
    }
    QVariantMap OpenActivationRow(const QString &authorityCode) override
    {
        return pass([&] { return m_server.OpenActivationRow(authorityCode); });
    }
    void PostActivationClaim(const QString &authorityCode, const QVariant &oldId, qint64 newId,
                             const QString &uuid) override
    {
        pass([&] { m_server.PostActivationClaim(authorityCode, oldId, newId, uuid); });
    }

private:
    template<typename Call>
    auto pass(Call &&call) -> decltype(call())
    {
        std::lock_guard<std::mutex> lock(m_gate->mutex);
        if (m_gate->closed || m_stop->load())
            throw VarnexError(QStringLiteral("The login was cancelled."));
        return call();
    }

    LoginServerAccess &m_server;
    std::shared_ptr<LoginServerGate> m_gate;
    std::shared_ptr<std::atomic<bool>> m_stop;
};
} // namespace

TInitialisationDM::TInitialisationDM(TRegistryDM &registry, TMaindm &maindm, TFBAnydacConnectorDm &connector,
                                     LoginServerAccess &server, const LoginServerAccessFactory &monitorChannelFactory,
                                     QObject *parent)
    : QObject(parent), m_registry(registry), m_maindm(maindm), m_connector(connector), m_server(server),
      m_serverGate(std::make_shared<LoginServerGate>()),
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
    CancelLogin();
    // A check under way owns its channel and simply ends unheard.
    if (m_check)
        m_check->cancel();
    {
        // Waits for a call in flight on the shared channel; the channel's time-outs bound this.
        std::lock_guard<std::mutex> lock(m_serverGate->mutex);
        m_serverGate->closed = true;
    }
    closeLocalStore();
    if (InitialisationDM == this)
        InitialisationDM = nullptr;
}

void TInitialisationDM::SetInternetProxy(const QString &userName, const QString &password)
{
    // Applied by the next check, on the thread that then owns the channel.
    m_monitorProxy = std::make_pair(userName, password);
}

// ---------------------------------------------------------------------------------------------
// The server monitor

void TInitialisationDM::Initialize(bool EnableTimer, int InitialTimerInterval, std::function<void()> RefreshEvent)
{
    m_timer.setInterval(qMax(0, InitialTimerInterval));
    OnServerConnectionIsAliveChanged = std::move(RefreshEvent);
    m_monitorServerIsConnected = EnableTimer;
    if (EnableTimer && !m_check)
        m_timer.start();
    else
        m_timer.stop();
}

void TInitialisationDM::SetMonitorServerIsConnected(bool value)
{
    m_monitorServerIsConnected = value;
    if (value && !m_check)
        m_timer.start();
    else
        m_timer.stop();
    m_statusMessage = NotMonitoring;
}

void TInitialisationDM::timerRefreshServerIsAliveTimer()
{
    if (!m_monitorServerIsConnected || m_check)
        return;
    startCheck();
}

void TInitialisationDM::startCheck()
{
    m_timer.stop();
    // The address is read afresh for every check. Checks never overlap, so the channel belongs to
    // the check while it runs; the check shares its ownership, should the module go first.
    auto channel = m_monitorChannel;
    const QString address = m_registry.ServerAddress();
    const auto proxy = m_monitorProxy;
    m_check = runInBackground(
        this,
        [channel, address, proxy]() {
            if (proxy)
                channel->SetInternetProxy(proxy->first, proxy->second);
            channel->SetRemoteServerURL(address);
            return channel->ServerIsAlive();
        },
        [this](BackgroundOutcome<bool> outcome) { applyCheck(outcome.ok() && *outcome.value); });
}

void TInitialisationDM::applyCheck(bool alive)
{
    m_check.reset();
    m_checkedOnce = true;
    m_serverConnectionIsAlive = alive;
    // A check that ends after the monitor was stopped (the main window closing) leaves its text
    // at "Not monitoring".
    if (m_monitorServerIsConnected)
        m_statusMessage = alive ? ServerOk : Offline;
    ServerCheckDone();
    if (m_login && m_login->waitingForCheck)
        continueLogin();
}

void TInitialisationDM::ServerCheckDone()
{
    if (OnServerConnectionIsAliveChanged)
        OnServerConnectionIsAliveChanged();
    m_timer.setInterval(RefreshIntervalMs);
    if (m_monitorServerIsConnected && !m_check)
        m_timer.start();
    emit serverCheckDone();
}

// ---------------------------------------------------------------------------------------------
// The course of a login

void TInitialisationDM::Login(const QString &email, const QString &password)
{
    if (m_login)
        throw VarnexError(QStringLiteral("A login is already under way."));
    m_login = PendingLogin{email, password, false, nullptr, std::make_shared<std::atomic<bool>>(false)};
    // The officer row of an earlier attempt must never reach this one.
    m_loggedInToServer = false;
    m_officer.clear();
    // When the monitor runs but has not checked yet, check now; either way the check decides.
    if (!m_check && !m_checkedOnce && m_monitorServerIsConnected)
        startCheck();
    if (m_check) {
        m_login->waitingForCheck = true;
        return;
    }
    continueLogin();
}

void TInitialisationDM::CancelLogin()
{
    if (!m_login)
        return;
    m_login->stop->store(true);
    if (m_login->call)
        m_login->call->cancel();
    m_login.reset();
}

template<typename Step>
void TInitialisationDM::step(Step &&work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        finishLogin(LoginResult::Failed, e.message());
    } catch (const std::exception &e) {
        finishLogin(LoginResult::Failed, QString::fromLocal8Bit(e.what()));
    }
}

template<typename Work, typename Done>
void TInitialisationDM::callServer(Work &&work, Done &&done)
{
    auto server = std::make_shared<GatedServer>(m_server, m_serverGate, m_login->stop);
    m_login->call = runInBackground(
        this, [server, work = std::forward<Work>(work)]() { return work(*server); },
        [this, done = std::forward<Done>(done)](auto outcome) {
            if (!outcome.ok())
                finishLogin(LoginResult::Failed, outcome.error);
            else
                step([&] { done(*outcome.value); });
        });
}

void TInitialisationDM::continueLogin()
{
    m_login->waitingForCheck = false;
    if (!m_serverConnectionIsAlive) {
        step([this] {
            const bool ok = LoginLocal(m_login->email, m_login->password);
            finishLogin(ok ? LoginResult::LoggedIn : LoginResult::Refused, StatusMessage);
        });
        return;
    }
    const QString email = m_login->email;
    callServer([email](LoginServerAccess &server) { return server.FindOfficers(email); },
               [this](const QList<QVariantMap> &officers) { officersFound(officers); });
}

void TInitialisationDM::officersFound(const QList<QVariantMap> &officers)
{
    const QString email = m_login->email;
    if (!LoginToServer(email, m_login->password, officers) || !PrepareLocalStore(email) || !OpenLocalStore(email)) {
        finishLogin(LoginResult::Refused, StatusMessage);
        return;
    }
    if (IsActivated()) {
        completeServerLogin();
        return;
    }
    const QString authorityCode = text(m_officer.value(QStringLiteral("LOCAL_AUTHORITY__CODE")));
    if (authorityCode.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("The officer '%1' has no local authority on the server, so this installation "
                                         "cannot be numbered.")
                              .arg(text(m_officer.value(QStringLiteral("EMAIL_ADDRESS")))));
    callServer([authorityCode](LoginServerAccess &server) { return ClaimInstallationNumber(server, authorityCode); },
               [this](const InstallationClaim &claim) { installationClaimed(claim); });
}

void TInitialisationDM::installationClaimed(const InstallationClaim &claim)
{
    ActivateInstallation(claim);
    completeServerLogin();
}

void TInitialisationDM::completeServerLogin()
{
    CopyServerUserToLocalSettings();
    finishLogin(IsActivated() ? LoginResult::LoggedIn : LoginResult::Refused, StatusMessage);
}

void TInitialisationDM::finishLogin(LoginResult result, const QString &message)
{
    if (!m_login)
        return;
    m_login.reset();
    emit loginFinished(result, message);
}

// ---------------------------------------------------------------------------------------------
// The steps of a login

void TInitialisationDM::refuse(const QString &message)
{
    StatusMessage = message;
}

bool TInitialisationDM::LoginToServer(const QString &email, const QString &password, const QList<QVariantMap> &officers)
{
    m_loggedInToServer = false;
    m_officer.clear();
    if (officers.isEmpty()) {
        refuse(QStringLiteral("No user found on server with email address '") + email + QStringLiteral("'"));
        return false;
    }
    const QVariantMap &officer = officers.first();
    if (text(officer.value(QStringLiteral("LOGIN_PASSWORD"))) != password) {
        refuse(QStringLiteral("The password entered does not match the password on the server"));
        return false;
    }
    // The store this login would use, when it exists already.
    const QString path = TUserDatabaseDM(m_registry.LocalDataLocation(), m_registry.programFolder()).getUserDatabase(email);
    const QString owner = path.isEmpty() ? QString() : recordedStoreOwner(path);
    try {
        requireAccountMayLogIn(email, path, accountStandingOnServer(officer, owner));
    } catch (const AccountSuspended &e) {
        // Recorded in the account's store, so that an offline login cannot get round it.
        if (!path.isEmpty())
            recordSuspensionInStore(path);
        refuse(e.message());
        return false;
    } catch (const LoginRefused &e) {
        refuse(e.message());
        return false;
    }
    m_officer = officer;
    StatusMessage = QStringLiteral("Logged in to the server successfully");
    m_loggedInToServer = true;
    return true;
}

QString TInitialisationDM::recordedStoreOwner(const QString &path) const
{
    // The store has not been upgraded yet: one of an older version has no owner column, and so no
    // owner. One that cannot be opened has none that counts either; opening it for the login
    // reports why.
    try {
        ScopedConnection store(path, SettingsWriteConnection + QStringLiteral(".owner"), QString());
        QSqlQuery settings = SqlUtil::exec(store.database(), QStringLiteral("SELECT FIRST 1 * FROM SYS_LOCAL_SETTINGS"));
        const QString owner = settings.next() && settings.record().indexOf(QStringLiteral("USER_EMAIL_ADDRESS")) >= 0
            ? text(settings.value(QStringLiteral("USER_EMAIL_ADDRESS")))
            : QString();
        settings.finish();
        return owner;
    } catch (const VarnexError &) {
        return {};
    }
}

void TInitialisationDM::recordSuspensionInStore(const QString &path)
{
    try {
        ScopedConnection store(path, SettingsWriteConnection + QStringLiteral(".suspend"), QString());
        SqlUtil::exec(store.database(), QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_SUSPENDED = ?"),
                      {QStringLiteral("T")});
    } catch (const VarnexError &) {
        // Best effort: the login is refused anyway, and a store too old for the column holds no
        // password that an offline login could match.
    }
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
    try {
        m_maindm.ConnectToUserDatabase(email);
    } catch (const VarnexError &e) {
        refuse(e.message());
        closeLocalStore();
        return false;
    }
    UpdateDatabaseStructure();
    if (!IsActivated() && !m_loggedInToServer) {
        refuse(notNumberedMessage(email));
        return false;
    }
    return true;
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
        refuse(QStringLiteral("The local data store is out of date for this version of %1 ").arg(Varnex::ProgramName)
               + QStringLiteral("\n\r") + QStringLiteral("Connect to the internet to update the database."));
        return false;
    }
    // A store that was never numbered, or that no online login has completed, cannot be trusted
    // for an offline login: it holds no password to compare with.
    if (text(settings.value(QStringLiteral("INSTALLATION_CODE"))).trimmed().isEmpty()) {
        refuse(notNumberedMessage(email));
        return false;
    }
    const QString stored = text(settings.value(QStringLiteral("USER_LOGIN_PASSWORD")));
    settings.finish();
    if (stored.isEmpty()) {
        refuse(QStringLiteral("No password is stored in the local data store for '") + email
               + QStringLiteral("'.\n\rConnect to the internet to log in."));
        return false;
    }
    if (stored != password) {
        refuse(QStringLiteral("The password entered does not match the password in the local data store"));
        return false;
    }
    try {
        requireAccountMayLogIn(email, m_dbDatapath, accountStandingInStore(db, email));
    } catch (const LoginRefused &e) {
        refuse(e.message());
        closeLocalStore();
        return false;
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

InstallationClaim TInitialisationDM::ClaimInstallationNumber(LoginServerAccess &server, const QString &authorityCode)
{
    for (int attempt = 0; attempt < MaxActivationAttempts; ++attempt) {
        const QString uuid = GetNewUUIDString();
        const QVariantMap row = server.OpenActivationRow(authorityCode);
        if (row.isEmpty())
            throw VarnexError(QStringLiteral("The server holds no installation numbering for the local authority '%1'.")
                                  .arg(authorityCode));
        const QVariant oldId = row.value(QStringLiteral("LAST_INSTALL_ID"));
        const qint64 next = (oldId.isNull() ? 0 : oldId.toLongLong()) + 1;
        QString postError;
        try {
            server.PostActivationClaim(authorityCode, oldId, next, uuid);
        } catch (const VarnexError &e) {
            // Refused: most likely another installation claimed first. The refresh tells.
            postError = e.message();
        }
        const QVariantMap refreshed = server.OpenActivationRow(authorityCode);
        if (text(refreshed.value(QStringLiteral("LAST_INSTALL_UUID"))).trimmed() == uuid)
            return {refreshed.value(QStringLiteral("LAST_INSTALL_ID")).toLongLong(),
                    text(refreshed.value(QStringLiteral("NAME")))};
        if (!postError.isEmpty() && refreshed.value(QStringLiteral("LAST_INSTALL_ID")) == oldId)
            // Nobody else moved the number: the refusal had another cause.
            throw VarnexError(QStringLiteral("The installation number could not be claimed from the server: ") + postError);
    }
    throw VarnexError(QStringLiteral("The installation number could not be claimed from the server after %1 attempts: "
                                     "other installations of the local authority '%2' kept claiming at the same time. "
                                     "Please log in again.")
                          .arg(MaxActivationAttempts)
                          .arg(authorityCode));
}

bool TInitialisationDM::ActivateInstallation(const InstallationClaim &claim)
{
    if (!m_loggedInToServer)
        throw VarnexError(QStringLiteral("The installation can only be numbered after a login to the server."));
    const QString authorityCode = text(m_officer.value(QStringLiteral("LOCAL_AUTHORITY__CODE")));
    const QString officeCode = text(m_officer.value(QStringLiteral("LOCAL_AUTH_OFFICE__CODE")));
    SqlUtil::exec(localConnection(), QStringLiteral("EXECUTE PROCEDURE ACTIVATE_DATABASE(?, ?, ?, ?)"),
                  {claim.number, authorityCode, claim.authorityName, officeCode});
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
    ScopedConnection settings(m_dbDatapath, SettingsWriteConnection,
                              QStringLiteral("The local settings could not be opened for writing: "));
    try {
        SqlUtil::inTransaction(settings.database(), [this](QSqlDatabase &db) { writeServerUserSettings(db); });
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("The local settings could not be saved: ") + e.message());
    }
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
