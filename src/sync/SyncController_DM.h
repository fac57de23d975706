#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "sync/SyncEvent.h"

#include <atomic>
#include <memory>

class QThread;
class QTimer;
class TFBAnydacConnectorDm;
class TSyncWorkerHelperDM;
struct SynchronisedTable;
struct TSyncPassContext;
struct TSyncRunValues;

// What the controller needs from the login module: the server monitor's last answer and the flag
// of a store created by this login (whose first pass only downloads).
class ISyncLoginState
{
public:
    virtual ~ISyncLoginState() = default;
    virtual bool ServerConnectionIsAlive() const = 0;
    virtual bool ISFirstSync() const = 0;
    virtual void SetISFirstSync(bool value) = 0;
};

// A plain holder of the two values, for batch runs and tests.
class TSyncLoginFlags : public ISyncLoginState
{
public:
    bool Alive = true;
    bool FirstSync = false;
    bool ServerConnectionIsAlive() const override { return Alive; }
    bool ISFirstSync() const override { return FirstSync; }
    void SetISFirstSync(bool value) override { FirstSync = value; }
};

// Runs synchronisation passes: one pass walks the synchronised tables in order on a thread of
// its own, with its own local connections and its own server channel, while the main thread goes
// on. One pass at a time; the timer is re-armed whenever a pass ends, and whenever a pass could
// not start because the server was last seen offline (a timer tick, the user's request, the pass
// after the login): the officer's offline work then goes up within the interval once the server
// answers again. Every failure of a pass is collected and shown once, by the main thread, when the
// pass ends; a failing table does not stop the others.
//
// The pass reaches the main thread only through this object's signals, emitted on the main thread;
// for the log lines and table events the pass waits until they have been handled.
class TSyncControllerDM : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultSyncInterval = 600000;

    explicit TSyncControllerDM(QObject *parent = nullptr);
    ~TSyncControllerDM() override;

    // Keeps the values, connects the controller's own local connection and points its server
    // channel at AServerAddress. False when the store cannot be opened (see ConnectionStatus).
    bool Initialize(const QString &AServername, const QString &ADatabase, const QString &AUsername,
                    const QString &APassword, const QString &AProtocol, const QString &ALocalAuthorityCode,
                    const QString &ALocalAuthorityOfficeCode, const QString &AServerAddress);

    // Starts a pass, unless the server was last seen offline or a pass is running. True when one
    // was started; refused while offline, it leaves the timer armed.
    bool RunSync();
    // A pass asked for by the user: as RunSync, and when the server was last seen offline the
    // status (SyncStatus, OnSyncStatusChange) and the log say why no pass ran.
    bool RequestSync();
    // The server monitor has checked the server again (main thread): once it answers, the status
    // no longer says that it cannot be reached; the next pass comes with the timer.
    void ServerConnectionChecked();
    // The status and log text of a pass asked for while the server was last seen offline.
    static QString NoPassOfflineText() { return QStringLiteral("No synchronisation: the server cannot be reached."); }
    // Uploads the local sample changes on the caller's thread (batch mode): no log, no events, no
    // change of SyncActive or of the timer. True when every change reached the server and its
    // acknowledgement was stored; the failures are in LastErrors().
    bool SyncSamples();
    // Downloads the authority settings on the caller's thread; as SyncSamples.
    bool SyncSysCompany();

    bool SyncActive() const { return m_syncActive; }
    QString SyncStatus() const { return m_syncStatus; }
    QString SyncProgressMessage;
    QStringList LastErrors() const { return m_lastErrors; }

    // The login module's state; without one the server counts as alive and no first sync runs.
    // The caller keeps ownership.
    void SetLoginState(ISyncLoginState *state) { m_loginState = state; }
    // In batch mode the failures of a pass are not shown in a message box.
    void SetBatchMode(bool on) { m_batchMode = on; }
    // Rows per download page (tests and benchmarks use small or large pages).
    void SetPageSize(int rows) { m_pageSize = rows; }

    QTimer *SyncTimer() const { return m_syncTimer; }
    TFBAnydacConnectorDm *ConnectionDm() const { return m_connectionDm.get(); }
    // The connection text handed to every worker ("name=value" lines).
    QString ConnectionParams() const;

    QString Database() const { return m_database; }
    QString Password() const { return m_password; }
    QString UserName() const { return m_userName; }
    QString ServerName() const { return m_serverName; }
    QString Protocol() const { return m_protocol; }
    QString LocalAuthorityOfficeCode() const { return m_localAuthorityOfficeCode; }
    QString LocalAuthorityCode() const { return m_localAuthorityCode; }
    QString ServerAddress() const { return m_serverAddress; }

signals:
    // SyncStatus changed: SyncActive changed, or a pass asked for could not run.
    void OnSyncStatusChange(TSyncControllerDM *sender);
    // A table started (TableStarted) or ended (TableFinished); index 0..totalCount-1 in list order.
    void OnSyncEvent(TSyncControllerDM *sender, int totalCount, int index, const QString &CurrentTable, SyncEvent Status);
    // For the log window: every event of a pass (tableName set for the table events and recorded
    // failures), a pass asked for while offline; and the workers' trace lines.
    void SyncLog(SyncEvent event, const QString &tableName);
    void SyncLogDetail(const QString &tableName, const QString &routine, const QString &message);
    // The pass has ended, with every failure it recorded.
    void SyncPassFinished(const QStringList &errors);

private slots:
    void SyncTimerTimer();

private:
    class PassSink;
    void SetSyncActive(bool Value);
    ISyncLoginState &loginState();
    // What a run hands to every table, taken on the main thread when it starts: a pass thread
    // reads nothing of the controller that the main thread may change meanwhile.
    TSyncRunValues runValues() const;
    void SyncPassBody(TSyncPassContext &context, const TSyncRunValues &values);
    void SyncPassCompleted(const QStringList &errors);
    bool runSingle(const SynchronisedTable &table);

    std::unique_ptr<TFBAnydacConnectorDm> m_connectionDm;
    std::unique_ptr<TSyncWorkerHelperDM> m_channel;
    QString m_database, m_password, m_userName, m_serverName, m_protocol;
    bool m_syncActive = false;
    QString m_localAuthorityOfficeCode, m_serverAddress, m_localAuthorityCode;
    QString m_syncStatus;
    QTimer *m_syncTimer = nullptr;
    ISyncLoginState *m_loginState = nullptr;
    TSyncLoginFlags m_defaultLoginState;
    bool m_batchMode = false;
    int m_pageSize = 1000;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_destroying{false};
    QStringList m_lastErrors;
};
