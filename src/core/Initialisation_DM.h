#pragma once

#include "core/GeneralInfo.h"
#include "core/LoginServerAccess.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <memory>

class QThread;
class TFBAnydacConnectorDm;
class TMaindm;
class TRegistryDM;

// The login module: logs the officer in against the central server (finding or making, upgrading,
// numbering and updating the user's local store) or, when the server cannot be reached, against the
// settings that the last online login left in the local store. It also runs the server monitor,
// which checks every few seconds on a worker thread whether the server answers.
//
// Everything but the reachability check itself runs on the thread that owns the module (the main
// thread). The check's result is handed back to that thread and applied there.
class TInitialisationDM : public QObject, public IInitialisationInfo
{
    Q_OBJECT
public:
    static constexpr int RefreshIntervalMs = 5000;
    // The numbering claim is retried this often when other installations of the same authority
    // keep winning the race; then the login fails with a message saying so.
    static constexpr int MaxActivationAttempts = 10;

    // `server`: the program's shared server channel, used by the officer look-up and the numbering.
    // `monitorChannelFactory`: makes the monitor's private channel. Every reference must outlive
    // the module.
    TInitialisationDM(TRegistryDM &registry, TMaindm &maindm, TFBAnydacConnectorDm &connector,
                      LoginServerAccess &server, const LoginServerAccessFactory &monitorChannelFactory,
                      QObject *parent = nullptr);
    ~TInitialisationDM() override;

    // Applies the proxy login typed at start-up to the monitor's channel.
    void SetInternetProxy(const QString &userName, const QString &password);

    // Starts (or stops) the monitor: the first check after InitialTimerInterval ms; RefreshEvent is
    // called on this thread after each check.
    void Initialize(bool EnableTimer, int InitialTimerInterval, std::function<void()> RefreshEvent);

    // The whole login. False with StatusMessage saying why; errors of the server or the store are
    // thrown as VarnexError.
    bool Login(const QString &email, const QString &password);
    bool LoginToServer(const QString &email, const QString &password);
    bool LoginLocal(const QString &email, const QString &password);
    bool OpenLocalStore(const QString &email);
    bool PrepareLocalStore(const QString &email);
    void UpdateDatabaseStructure();

    // Installation numbering and the copy of the server's user settings into the store.
    bool IsActivated();
    bool ActivateInstallation();
    void CopyServerUserToLocalSettings();

    // The monitor.
    bool ServerConnectionIsAlive() const { return m_serverConnectionIsAlive; }
    bool MonitorServerIsConnected() const { return m_monitorServerIsConnected; }
    void SetMonitorServerIsConnected(bool value);
    QString MonitorServerConnectionStatusMessage() const { return m_statusMessage; }
    std::function<void()> OnServerConnectionIsAliveChanged;
    bool isCheckRunning() const { return m_checkThread != nullptr; }
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

    static QString suspendedMessage()
    {
        return QStringLiteral("This account has been suspended. It can be re-activated by an admin user.");
    }

signals:
    // After each check has been applied on this thread (also when no RefreshEvent is set).
    void serverCheckDone();

public slots:
    // The main-thread half of a check: applies the result, tells the listener, re-arms the timer.
    void ServerCheckDone();

private:
    class CheckThread;
    void timerRefreshServerIsAliveTimer();
    void startCheck();
    // Waits for a running check and applies its result at once.
    void finishRunningCheck();
    void applyCheck(CheckThread *thread);
    void closeLocalStore();
    void refuse(const QString &message);
    static bool isSuspended(const QVariant &flag, const QVariant &autoSuspendDate);
    void recordSuspensionInStore(const QString &email);
    void writeServerUserSettings(const QSqlDatabase &db);

    TRegistryDM &m_registry;
    TMaindm &m_maindm;
    TFBAnydacConnectorDm &m_connector;
    LoginServerAccess &m_server;
    std::unique_ptr<LoginServerAccess> m_monitorChannel;

    QTimer m_timer;
    CheckThread *m_checkThread = nullptr;
    bool m_checkedOnce = false;
    bool m_serverConnectionIsAlive = false;
    bool m_monitorServerIsConnected = false;
    QString m_statusMessage;

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
