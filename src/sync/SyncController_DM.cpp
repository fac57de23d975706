#include "sync/SyncController_DM.h"

#include "store/FBAnydacConnector_DM.h"
#include "base/Prompter.h"
#include "sync/SyncTable_Unt.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "sync/SyncWorker_DM.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace {
std::atomic<int> g_controllerCounter{0};
}

// Hands the pass's reports to the main thread and waits until they are handled there.
class TSyncControllerDM::PassSink : public ISyncPassSink
{
public:
    explicit PassSink(TSyncControllerDM *controller) : m_controller(controller) {}

    void syncLog(int code, const QString &tableName) override
    {
        run([=, c = m_controller] { emit c->SyncLog(code, tableName); });
    }
    void syncLogDetail(const QString &tableName, const QString &routine, const QString &message) override
    {
        run([=, c = m_controller] { emit c->SyncLogDetail(tableName, routine, message); });
    }
    void tableEvent(int totalCount, int index, const QString &table, int status)
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
    FreeSyncTables();
}

bool TSyncControllerDM::Initialize(const QString &AServername, const QString &ADatabase, const QString &AUsername,
                                   const QString &APassword, const QString &AProtocol,
                                   const QString &ALocalAuthorityCode, const QString &ALocalAuthorityOfficeCode,
                                   const QString &AServerAddress)
{
    Q_UNUSED(AServername);
    fServerName.clear();
    fDatabase = ADatabase;
    fUserName = AUsername;
    fPassword = APassword;
    fProtocol = AProtocol;
    FLocalAuthorityCode = ALocalAuthorityCode;
    FLocalAuthorityOfficeCode = ALocalAuthorityOfficeCode;
    FServerAddress = AServerAddress;
    fConnectionDm = std::make_unique<TFBAnydacConnectorDm>(
        QStringLiteral("TSyncControllerDM.%1").arg(g_controllerCounter.fetch_add(1) + 1));
    const bool connected = fConnectionDm->Initialize(fServerName, fDatabase, fUserName, fPassword, fProtocol);
    // The channel belongs to a running pass until it ends; the next pass points it at the new
    // address on its own thread.
    if (!m_thread)
        m_channel->SetRemoteServerURL(FServerAddress);
    return connected;
}

QString TSyncControllerDM::ConnectionParams() const
{
    const TFBAnydacConnectorDm *c = fConnectionDm.get();
    return QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3\nServer=%4\nProtocol=%5")
        .arg(c ? c->databaseFile() : fDatabase, c ? c->userName() : fUserName, c ? c->password() : fPassword,
             fServerName, fProtocol);
}

void TSyncControllerDM::SetSyncActive(bool Value)
{
    if (Value == fSyncActive)
        return;
    fSyncActive = Value;
    fSyncStatus = Value ? QStringLiteral("Sync in progress...") : QStringLiteral("Sync sleeping.");
    SyncProgressMessage = fSyncStatus;
    emit OnSyncStatusChange(this);
}

bool TSyncControllerDM::RunSync()
{
    ISyncLoginState *login = m_loginState ? m_loginState : &m_defaultLoginState;
    if (!login->ServerConnectionIsAlive() || fSyncActive)
        return false;
    m_syncTimer->stop();
    InitSyncTables();
    SetSyncActive(true);

    auto context = std::make_shared<TSyncPassContext>();
    context->channel = m_channel.get();
    context->isFirstSync = login->ISFirstSync();
    context->cancel = &m_cancel;
    context->pageSize = m_pageSize;
    m_cancel = false;
    const PassValues values{ConnectionParams(), FLocalAuthorityOfficeCode, FLocalAuthorityCode, FServerAddress};
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

void TSyncControllerDM::SyncPassBody(TSyncPassContext &context, const PassValues &values)
{
    auto *sink = static_cast<PassSink *>(context.sink);
    sink->syncLog(0, QString());
    InitSyncTables();
    const int total = int(SyncTables->size());
    for (int i = 0; i < total; ++i) {
        if (context.cancelled())
            break;
        TSyncTable *entry = SyncTables->at(i).get();
        sink->tableEvent(total, i, entry->tablename(), 5);
        entry->SetLocalAuthOfficeCode(values.officeCode);
        entry->SetLocalAuthorityCode(values.authorityCode);
        entry->SetVRXServerAddress(values.serverAddress);
        context.channel->SetRemoteServerURL(values.serverAddress);
        entry->ConnectionParams = values.connectionParams;
        entry->Sync(context);
        sink->tableEvent(total, i, entry->tablename(), 6);
    }
    sink->syncLog(1, QString());
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
    ISyncLoginState *login = m_loginState ? m_loginState : &m_defaultLoginState;
    login->SetISFirstSync(false);
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
    if (RunSync() || fSyncActive)
        return;
    // Offline at this tick: try again at the next one rather than never again.
    m_syncTimer->start();
}

bool TSyncControllerDM::runSingle(const char *table, const char *updateTable, bool toServer, bool fromServer)
{
    // A channel of its own: a pass may be using the controller's on its thread.
    TSyncWorkerHelperDM channel(FServerAddress);
    TSyncPassContext context;
    context.channel = &channel;
    context.pageSize = m_pageSize;
    ISyncLoginState *login = m_loginState ? m_loginState : &m_defaultLoginState;
    context.isFirstSync = login->ISFirstSync();
    TSyncTable entry(QString::fromLatin1(table), QString::fromLatin1(updateTable), 0, 0, toServer, fromServer, true);
    entry.ConnectionParams = ConnectionParams();
    entry.SetLocalAuthOfficeCode(FLocalAuthorityOfficeCode);
    entry.SetLocalAuthorityCode(FLocalAuthorityCode);
    entry.SetVRXServerAddress(FServerAddress);
    const bool ok = entry.Sync(context);
    m_lastErrors = context.errors;
    return ok && context.errors.isEmpty();
}

bool TSyncControllerDM::SyncSamples()
{
    return runSingle("_dyn_sample", "sample_update", true, false);
}

bool TSyncControllerDM::SyncSysCompany()
{
    return runSingle("sys_company", "", false, true);
}
