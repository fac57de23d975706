#include "sync/SyncController_DM.h"

#include "store/FBAnydacConnector_DM.h"
#include "base/Prompter.h"
#include "sync/SyncTable_Unt.h"
#include "store/SynchronisedTables.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "sync/SyncWorker_DM.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace {
std::atomic<int> g_controllerCounter{0};
const QString InProgress = QStringLiteral("Sync in progress...");
const QString Sleeping = QStringLiteral("Sync sleeping.");
} // namespace

// Hands the pass's reports to the main thread and waits until they are handled there.
class TSyncControllerDM::PassSink : public ISyncPassSink
{
public:
    explicit PassSink(TSyncControllerDM *controller) : m_controller(controller) {}

    void syncLog(SyncEvent event, const QString &tableName) override
    {
        run([=, c = m_controller] { emit c->SyncLog(event, tableName); });
    }
    void syncLogDetail(const QString &tableName, const QString &routine, const QString &message) override
    {
        run([=, c = m_controller] { emit c->SyncLogDetail(tableName, routine, message); });
    }
    void tableEvent(int totalCount, int index, const QString &table, SyncEvent status)
    {
        run([=, c = m_controller] { emit c->OnSyncEvent(c, totalCount, index, table, status); });
    }

private:
    template<typename F>
    void run(F f)
    {
        TSyncControllerDM *c = m_controller;
        if (QThread::currentThread() == c->thread()) {
            f();
            return;
        }
        QMetaObject::invokeMethod(
            c, [c, &f] {
                if (!c->m_destroying.load())
                    f();
            },
            Qt::BlockingQueuedConnection);
    }

    TSyncControllerDM *m_controller;
};

TSyncControllerDM::TSyncControllerDM(QObject *parent)
    : QObject(parent), m_channel(std::make_unique<TSyncWorkerHelperDM>())
{
    m_syncTimer = new QTimer(this);
    m_syncTimer->setInterval(DefaultSyncInterval);
    connect(m_syncTimer, &QTimer::timeout, this, &TSyncControllerDM::SyncTimerTimer);
}

TSyncControllerDM::~TSyncControllerDM()
{
    m_syncTimer->stop();
    if (m_thread) {
        // The pass stops at its next table or page; its waiting reports are released unhandled.
        m_destroying = true;
        m_cancel = true;
        // The pass's own end may be among the events delivered here; SyncPassCompleted leaves the
        // thread to this loop while the controller is going away.
        while (!m_thread->wait(20))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        delete m_thread;
        m_thread = nullptr;
    }
}

bool TSyncControllerDM::Initialize(const QString &AServername, const QString &ADatabase, const QString &AUsername,
                                   const QString &APassword, const QString &AProtocol,
                                   const QString &ALocalAuthorityCode, const QString &ALocalAuthorityOfficeCode,
                                   const QString &AServerAddress)
{
    Q_UNUSED(AServername);
    m_serverName.clear();
    m_database = ADatabase;
    m_userName = AUsername;
    m_password = APassword;
    m_protocol = AProtocol;
    m_localAuthorityCode = ALocalAuthorityCode;
    m_localAuthorityOfficeCode = ALocalAuthorityOfficeCode;
    m_serverAddress = AServerAddress;
    m_connectionDm = std::make_unique<TFBAnydacConnectorDm>(
        QStringLiteral("TSyncControllerDM.%1").arg(g_controllerCounter.fetch_add(1) + 1));
    const bool connected = m_connectionDm->Initialize(m_serverName, m_database, m_userName, m_password, m_protocol);
    // The channel belongs to a running pass until it ends; the next pass points it at the new
    // address on its own thread.
    if (!m_thread)
        m_channel->SetRemoteServerURL(m_serverAddress);
    return connected;
}

QString TSyncControllerDM::ConnectionParams() const
{
    const TFBAnydacConnectorDm *c = m_connectionDm.get();
    return QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3\nServer=%4\nProtocol=%5")
        .arg(c ? c->databaseFile() : m_database, c ? c->userName() : m_userName, c ? c->password() : m_password,
             m_serverName, m_protocol);
}

TSyncRunValues TSyncControllerDM::runValues() const
{
    return TSyncRunValues{ConnectionParams(), m_localAuthorityCode, m_localAuthorityOfficeCode, m_serverAddress};
}

ISyncLoginState &TSyncControllerDM::loginState()
{
    return m_loginState ? *m_loginState : m_defaultLoginState;
}

void TSyncControllerDM::SetSyncActive(bool Value)
{
    if (Value == m_syncActive)
        return;
    m_syncActive = Value;
    m_syncStatus = Value ? InProgress : Sleeping;
    SyncProgressMessage = m_syncStatus;
    emit OnSyncStatusChange(this);
}

bool TSyncControllerDM::RunSync()
{
    ISyncLoginState &login = loginState();
    if (m_syncActive)
        return false;
    if (!login.ServerConnectionIsAlive()) {
        // Not a pass lost: the next one comes with the timer, once the server answers. An armed
        // timer keeps its time, so that a server coming and going cannot put the pass off.
        if (!m_syncTimer->isActive())
            m_syncTimer->start();
        return false;
    }
    m_syncTimer->stop();
    SetSyncActive(true);

    auto context = std::make_shared<TSyncPassContext>();
    context->channel = m_channel.get();
    context->isFirstSync = login.ISFirstSync();
    context->cancel = &m_cancel;
    context->pageSize = m_pageSize;
    m_cancel = false;
    const TSyncRunValues values = runValues();
    m_thread = QThread::create([this, context, values] {
        PassSink sink(this);
        context->sink = &sink;
        SyncPassBody(*context, values);
        context->sink = nullptr;
        const QStringList errors = context->errors;
        QMetaObject::invokeMethod(this, [this, errors] { SyncPassCompleted(errors); }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("SyncPass"));
    m_thread->start();
    return true;
}

bool TSyncControllerDM::RequestSync()
{
    if (RunSync())
        return true;
    // A running pass shows itself in the status already; an offline server would otherwise leave
    // the request without a trace.
    if (!m_syncActive && !loginState().ServerConnectionIsAlive()) {
        m_syncStatus = NoPassOfflineText();
        SyncProgressMessage = m_syncStatus;
        emit OnSyncStatusChange(this);
        emit SyncLog(SyncEvent::NoPassOffline, QString());
    }
    return false;
}

void TSyncControllerDM::ServerConnectionChecked()
{
    if (m_syncActive || m_syncStatus != NoPassOfflineText() || !loginState().ServerConnectionIsAlive())
        return;
    m_syncStatus = Sleeping;
    SyncProgressMessage = m_syncStatus;
    emit OnSyncStatusChange(this);
}

void TSyncControllerDM::SyncPassBody(TSyncPassContext &context, const TSyncRunValues &values)
{
    auto *sink = static_cast<PassSink *>(context.sink);
    sink->syncLog(SyncEvent::PassStarted, QString());
    const TSyncTableList &tables = SyncTables();
    const int total = int(tables.size());
    for (int i = 0; i < total; ++i) {
        if (context.cancelled())
            break;
        const TSyncTable &entry = tables.at(i);
        sink->tableEvent(total, i, entry.tablename(), SyncEvent::TableStarted);
        context.channel->SetRemoteServerURL(values.VRXServerAddress);
        entry.Sync(context, values);
        sink->tableEvent(total, i, entry.tablename(), SyncEvent::TableFinished);
    }
    sink->syncLog(SyncEvent::PassCompleted, QString());
}

void TSyncControllerDM::SyncPassCompleted(const QStringList &errors)
{
    // Delivered by the destructor's wait loop: nothing is re-armed, shown or signalled any more.
    if (m_destroying.load())
        return;
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_lastErrors = errors;
    loginState().SetISFirstSync(false);
    m_syncTimer->start();
    SetSyncActive(false);
    emit SyncPassFinished(errors);
    if (!errors.isEmpty() && !m_batchMode)
        Prompter::current().error(QStringLiteral("Synchronisation"),
                                  QStringLiteral("The synchronisation with the server did not complete:\n\n")
                                      + errors.join(QLatin1Char('\n')));
}

void TSyncControllerDM::SyncTimerTimer()
{
    m_syncTimer->stop();
    // Offline at this tick, RunSync arms the timer again.
    RunSync();
}

bool TSyncControllerDM::runSingle(const SynchronisedTable &table)
{
    // A channel of its own: a pass may be using the controller's on its thread.
    TSyncWorkerHelperDM channel(m_serverAddress);
    TSyncPassContext context;
    context.channel = &channel;
    context.pageSize = m_pageSize;
    context.isFirstSync = loginState().ISFirstSync();
    const bool ok = TSyncTable(table).Sync(context, runValues());
    m_lastErrors = context.errors;
    return ok && context.errors.isEmpty();
}

bool TSyncControllerDM::SyncSamples()
{
    // The samples' entry of the list, upload only.
    SynchronisedTable samples = *findSynchronisedTable(QStringLiteral("SAMPLE"));
    samples.fromServer = false;
    samples.replace = true;
    return runSingle(samples);
}

bool TSyncControllerDM::SyncSysCompany()
{
    // The authority settings' entry of the list, download only.
    SynchronisedTable company = *findSynchronisedTable(QStringLiteral("SYS_COMPANY"));
    company.uploadDataset.clear();
    company.toServer = false;
    return runSingle(company);
}
