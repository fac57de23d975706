#pragma once

#include "core/GeneralInfo.h"
#include "core/LoginServerAccess.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class BackgroundCall;
struct LoginServerGate;
class TFBAnydacConnectorDm;
class TMaindm;
class TRegistryDM;

// An installation number claimed from the central server for a local authority.
struct InstallationClaim
{
    qint64 number = 0;
    QString authorityName;
};

// The login module: logs the officer in against the central server (finding or making, upgrading,
// numbering and updating the user's local store) or, when the server cannot be reached, against the
// settings that the last online login left in the local store. It also runs the server monitor,
// which checks every few seconds whether the server answers.
//
// The calls to the server (the reachability check, the officer look-up and the numbering claim)
// run in the background (runInBackground), so the window goes on painting while they wait; their
// results are applied on the thread that owns the module (the main thread), where everything else
// runs, the work on the local store included (a QIBASE connection belongs to its thread).
class TInitialisationDM : public QObject, public IInitialisationInfo
{
    Q_OBJECT
public:
    static constexpr int RefreshIntervalMs = 5000;
    // The numbering claim is retried this often when other installations of the same authority
    // keep winning the race; then the login fails with a message saying so.
    static constexpr int MaxActivationAttempts = 10;

    // How a login ended.
    enum class LoginResult {
        LoggedIn,
        // Refused for a reason the officer can act on; StatusMessage says why.
        Refused,
        // A fault of the server or the store; the message says what.
        Failed,
    };
    Q_ENUM(LoginResult)

    // `server`: the program's shared server channel, used by the officer look-up and the numbering,
    // only ever from one thread at a time. `monitorChannelFactory`: makes the monitor's private
    // channel. Every reference must outlive the module.
    TInitialisationDM(TRegistryDM &registry, TMaindm &maindm, TFBAnydacConnectorDm &connector,
                      LoginServerAccess &server, const LoginServerAccessFactory &monitorChannelFactory,
                      QObject *parent = nullptr);
    // Waits for a server call under way on the shared channel (its time-outs bound the wait), so
    // that no call outlives the channel.
    ~TInitialisationDM() override;

    // The proxy login typed at start-up, applied to the monitor's channel from its next check on.
    void SetInternetProxy(const QString &userName, const QString &password);

    // Starts (or stops) the monitor: the first check after InitialTimerInterval ms; RefreshEvent is
    // called on this thread after each check.
    void Initialize(bool EnableTimer, int InitialTimerInterval, std::function<void()> RefreshEvent);

    // Starts the whole login and returns at once; loginFinished tells how it ended. A reachability
    // check under way is waited for (in the background) rather than taking the offline path on a
    // result that is about to change. Throws VarnexError while another login is under way.
    void Login(const QString &email, const QString &password);
    // Stops waiting for the login under way: loginFinished is not emitted for it and none of its
    // results reaches the store. A server call already sent runs on until its time-outs end it;
    // the next one is not made.
    void CancelLogin();
    bool isLoginRunning() const { return m_login.has_value(); }

    // The steps of the login, each on this thread. False with StatusMessage saying why; a fault of
    // the store throws VarnexError.
    // Judges the server's answer to the officer look-up (`officers`: the rows found).
    bool LoginToServer(const QString &email, const QString &password, const QList<QVariantMap> &officers);
    bool LoginLocal(const QString &email, const QString &password);
    // Finds (or, after a server login, makes) the store, opens both local connections on it and
    // upgrades it. An offline login refuses a store that was never numbered.
    bool OpenLocalStore(const QString &email);
    bool PrepareLocalStore(const QString &email);
    void UpdateDatabaseStructure();

    // Installation numbering and the copy of the server's user settings into the store.
    bool IsActivated();
    // Records the number the server gave this installation (ClaimInstallationNumber).
    bool ActivateInstallation(const InstallationClaim &claim);
    void CopyServerUserToLocalSettings();
    // The server half of the numbering: claims the next installation number of the authority,
    // retrying when another installation claims at the same time. Touches nothing but `server`,
    // so that it can run in the background. Throws VarnexError.
    static InstallationClaim ClaimInstallationNumber(LoginServerAccess &server, const QString &authorityCode);

    // The monitor.
    bool ServerConnectionIsAlive() const { return m_serverConnectionIsAlive; }
    bool MonitorServerIsConnected() const { return m_monitorServerIsConnected; }
    void SetMonitorServerIsConnected(bool value);
    QString MonitorServerConnectionStatusMessage() const { return m_statusMessage; }
    std::function<void()> OnServerConnectionIsAliveChanged;
    bool isCheckRunning() const { return m_check != nullptr; }
    int timerInterval() const { return m_timer.interval(); }
    bool timerActive() const { return m_timer.isActive(); }

    // Outcome of the last login step, for the login dialog.
    QString StatusMessage;
    // True after this login made the local store; the first synchronisation then only downloads.
    bool ISFirstSync = false;
    bool loggedInToServer() const { return m_loggedInToServer; }
    // The officer row of the last successful server check (upper-case field names).
    const QVariantMap &serverOfficer() const { return m_officer; }
    bool hasLocalConnection() const { return !m_openStorePath.isEmpty(); }
    QSqlDatabase localConnection() const;

    // IInitialisationInfo: the store values.
    QString DBServerName() const override { return m_dbServerName; }
    QString DBDatapath() const override { return m_dbDatapath; }
    QString DBUserName() const override { return m_dbUserName; }
    QString DBPassword() const override { return m_dbPassword; }
    QString DBProtocol() const override { return m_dbProtocol; }
    bool DBIsActivated() const override { return m_dbIsActivated; }

signals:
    // After each check has been applied on this thread (also when no RefreshEvent is set).
    void serverCheckDone();
    // A login started by Login ended; `message` is StatusMessage for a refusal, the fault's text
    // for a failure.
    void loginFinished(TInitialisationDM::LoginResult result, const QString &message);

public slots:
    // The main-thread half of a check: tells the listener, re-arms the timer.
    void ServerCheckDone();

private:
    struct PendingLogin
    {
        QString email;
        QString password;
        bool waitingForCheck = false;
        std::shared_ptr<BackgroundCall> call;
        std::shared_ptr<std::atomic<bool>> stop;
    };

    void timerRefreshServerIsAliveTimer();
    void startCheck();
    void applyCheck(bool alive);

    void continueLogin();
    void officersFound(const QList<QVariantMap> &officers);
    void installationClaimed(const InstallationClaim &claim);
    void completeServerLogin();
    void finishLogin(LoginResult result, const QString &message);
    // Runs one step of the login on this thread; a fault ends the login as Failed.
    template<typename Step>
    void step(Step &&work);
    // Runs work(server) in the background on the shared channel, then done(value) on this thread.
    template<typename Work, typename Done>
    void callServer(Work &&work, Done &&done);

    void closeLocalStore();
    void refuse(const QString &message);
    QString recordedStoreOwner(const QString &path) const;
    void recordSuspensionInStore(const QString &path);
    void writeServerUserSettings(const QSqlDatabase &db);

    TRegistryDM &m_registry;
    TMaindm &m_maindm;
    TFBAnydacConnectorDm &m_connector;
    LoginServerAccess &m_server;
    std::shared_ptr<LoginServerGate> m_serverGate;
    // Shared with the check under way, which may outlive the module.
    std::shared_ptr<LoginServerAccess> m_monitorChannel;
    std::optional<std::pair<QString, QString>> m_monitorProxy;

    QTimer m_timer;
    std::shared_ptr<BackgroundCall> m_check;
    bool m_checkedOnce = false;
    bool m_serverConnectionIsAlive = false;
    bool m_monitorServerIsConnected = false;
    QString m_statusMessage;

    std::optional<PendingLogin> m_login;
    bool m_loggedInToServer = false;
    QVariantMap m_officer;
    QString m_openStorePath;
    // The stores this module made; ISFirstSync holds for them only.
    QSet<QString> m_storesMadeThisRun;

    QString m_dbServerName;
    QString m_dbDatapath;
    QString m_dbProtocol = QStringLiteral("local");
    QString m_dbUserName;
    QString m_dbPassword;
    bool m_dbIsActivated = false;
};

// The one instance of the program run; nullptr until start-up has created it.
extern TInitialisationDM *InitialisationDM;
