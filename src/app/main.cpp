// Start-up of Varnex Desktop: the long-lived modules are created in a fixed order, then either the
// interactive path (login dialog, main window) or the unattended batch import runs.

#include "core/BatchLogin.h"
#include "base/CommandLine.h"
#include "core/ui/Connection_FRM.h"
#include "store/FBAnydacConnector_DM.h"
#include "core/Initialisation_DM.h"
#include "core/ui/InternetLogin_FRM.h"
#include "app/LookupActions.h"
#include "reference/LookupData_DM.h"
#include "remote/LoginServerChannel.h"
#include "app/AdminActions.h"
#include "app/BrowserActions.h"
#include "app/ExchangeActions.h"
#include "app/ImportActions.h"
#include "app/Main_FRM.h"
#include "app/MainWindowSync.h"
#include "core/Main_DM.h"
#include "app/NewsPage.h"
#include "app/ProgramCloser.h"
#include "app/ReferenceActions.h"
#include "app/SampleActions.h"
#include "app/TemplateActions.h"
#include "app/TerminationSignals.h"
#include "app/UpdateCheckWindow.h"
#include "app/XmlExportActions.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "gui/QtPrompter.h"
#include "gui/WaitCursorIndicator.h"
#include "core/Registry_DM.h"
#include "reports/ui/ReportPreview.h"
#include "sync/SyncController_DM.h"
#include "sync/ui/SyncLog_FRM.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "update/UpdateOffer.h"
#include "base/VarnexError.h"
#include "update/AutoUpdateClientData.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <memory>

#include <unistd.h>

namespace {

const QString &AppTitle = Varnex::ProgramName;

// How many SIGTERM / SIGINT the program gets to end by itself before the next one ends the process
// at once: the window's close may wait for the last pass and a second signal stops that wait; a
// batch run ends after the step in hand.
constexpr int InteractiveSignalsBeforeForce = 2;
constexpr int BatchSignalsBeforeForce = 1;

// The store's client library sets its own handlers for SIGTERM and SIGINT when it opens the first
// store, and they shut every store connection down without ending the program. Ours are set again
// once a store is open, so that the close that follows a signal still has its connections.
void takeTerminationSignalsBack(int signalsBeforeForce)
{
    TerminationSignals::install(signalsBeforeForce);
}

// The exit status of a batch run that a signal cut short, as a shell reports it.
int signalledStatus()
{
    return 128 + TerminationSignals::lastSignal();
}

// The application's standard handler: a failure raised by an action or form reaches the user as
// its message instead of ending the program.
class VarnexApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const VarnexError &e) {
            Prompter::current().error(AppTitle, e.message());
        } catch (const std::exception &e) {
            Prompter::current().error(AppTitle, QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};


QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The modules that live from start-up to the end of the program, in creation order.
struct StartUpModules
{
    std::unique_ptr<TRegistryDM> registry;
    std::unique_ptr<TSyncWorkerHelperDM> syncWorkerHelper;
    std::unique_ptr<TMaindm> maindm;
    std::unique_ptr<TFBAnydacConnectorDm> connector;
    // The update client; its settings file must be there in every mode, though only an interactive
    // run asks it whether an update exists.
    std::unique_ptr<TAutoUpdateClientData> autoUpdate;
    // Interactive runs only: the login module and its view of the shared server channel.
    std::unique_ptr<LoginServerChannel> loginServer;
    std::unique_ptr<TInitialisationDM> initialisation;
    std::unique_ptr<TInternetLoginFrm> internetLogin;
    // The proxy login typed at start-up, also for the update check.
    ProxyLogin proxyLogin;

    // Creates the modules in their order; throws VarnexError when start-up cannot go on.
    void create()
    {
        registry = std::make_unique<TRegistryDM>(QCoreApplication::applicationDirPath());
        RegistryDM = registry.get();
        if (!registry->creationError().isEmpty())
            Prompter::current().warning(AppTitle, registry->creationError());
        // The shared server channel; it gets no proxy login.
        syncWorkerHelper = std::make_unique<TSyncWorkerHelperDM>(registry->ServerAddress());
        maindm = std::make_unique<TMaindm>();
        Maindm = maindm.get();
        connector = std::make_unique<TFBAnydacConnectorDm>(QStringLiteral("FBAnydacConnectorDm.ADConnection"));
        autoUpdate = std::make_unique<TAutoUpdateClientData>(TAutoUpdateClientData::defaultIniFileName());
        AutoUpdateClientData = autoUpdate.get();
    }

    // The login module, with its own channel for the server monitor; asks for the proxy login
    // first when the installation goes through a proxy that needs one.
    void createLoginModule()
    {
        loginServer = std::make_unique<LoginServerChannel>(*syncWorkerHelper);
        initialisation = std::make_unique<TInitialisationDM>(*registry, *maindm, *connector, *loginServer,
                                                             &LoginServerChannel::createMonitorChannel);
        InitialisationDM = initialisation.get();
        if (registry->UseInternetProxy()) {
            internetLogin = std::make_unique<TInternetLoginFrm>();
            InternetLoginFrm = internetLogin.get();
            internetLogin->exec();
            const ProxyLogin proxy = internetLogin->proxyLogin(registry->UseInternetProxy());
            if (proxy.apply)
                initialisation->SetInternetProxy(proxy.userName, proxy.password);
            proxyLogin = proxy;
        }
    }

    ~StartUpModules()
    {
        // Freed in the reverse order of their creation.
        InternetLoginFrm = nullptr;
        internetLogin.reset();
        InitialisationDM = nullptr;
        initialisation.reset();
        loginServer.reset();
        AutoUpdateClientData = nullptr;
        autoUpdate.reset();
        connector.reset();
        Maindm = nullptr;
        maindm.reset();
        syncWorkerHelper.reset();
        RegistryDM = nullptr;
        registry.reset();
    }
};

void applyCommandLine(const CommandLineOptions &options, TMaindm &maindm)
{
    maindm.AllowInvalidSampleImport = options.allowInvalidToImport;
    const QString personality = options.personality();
    if (!personality.isEmpty())
        maindm.Personality = personality;
}

int runBatch(const CommandLineOptions &options)
{
    StartUpModules modules;
    try {
        modules.create();
    } catch (const VarnexError &e) {
        Prompter::current().error(AppTitle, e.message());
        return 1;
    }
    applyCommandLine(options, *modules.maindm);
    if (TerminationSignals::count() > 0)
        return signalledStatus();

    LocalStoreValues store;
    try {
        BatchLogin(options.userName, options.password, *modules.registry, *modules.maindm, *modules.connector, store);
    } catch (const VarnexError &e) {
        Prompter::current().error(AppTitle, QStringLiteral("Invalid command line parameter: username specified not found.")
                                                + (e.message().isEmpty() ? QString() : QStringLiteral("\n") + e.message()));
        return 1;
    }
    takeTerminationSignalsBack(BatchSignalsBeforeForce);
    if (TerminationSignals::count() > 0)
        return signalledStatus();
    TMaindm &maindm = *modules.maindm;
    // The shared modules, the lookup lists first, before the import.
    std::unique_ptr<LookupDataModule> lookupData;
    try {
        lookupData = std::make_unique<LookupDataModule>(maindm);
    } catch (const VarnexError &e) {
        Prompter::current().error(AppTitle, e.message());
        return 1;
    }
    TSyncControllerDM controller;
    controller.SetBatchMode(true);
    if (!controller.Initialize(maindm.DBServerName(), maindm.DBDatapath(), maindm.DBUserName(), maindm.DBPassword(),
                               maindm.DBProtocol(), maindm.LocalAuthorityCode(), maindm.LocalAuthorityOfficeCode(),
                               modules.registry->ServerAddress())) {
        Prompter::current().error(AppTitle, QStringLiteral("Invalid command line parameter: username specified not found.")
                                                + QStringLiteral("\n") + controller.ConnectionDm()->StatusMessage);
        return 1;
    }
    // The sample file, then the samples of the store (those imported before a stop included) go up
    // once.
    const BatchImportResult import = ImportSamplesFile(options.fileToImport, maindm, lookupData->module(),
                                                       []() { return TerminationSignals::count() > 0; });
    if (TerminationSignals::count() > 0)
        return signalledStatus();
    const bool uploaded = controller.SyncSamples();
    for (const QString &failure : controller.LastErrors())
        Prompter::current().error(AppTitle, failure);
    if (TerminationSignals::count() > 0)
        return signalledStatus();
    return BatchExitStatus(import, uploaded);
}

// What follows a successful interactive login: the main window and everything it starts. The
// store is open, Maindm.InitialisationDm is the login module, and the module's server monitor runs
// (its status is in MonitorServerConnectionStatusMessage). Returns the program's exit status.
int runAfterLogin(StartUpModules &modules, TInitialisationDM &initialisation, ProgramCloser &closer)
{
    // The shared modules, the lookup lists first; they outlive the window.
    LookupDataModule lookupData(*modules.maindm);
    TMaindmMainWindowContext context(*modules.maindm, modules.registry.get());
    TInitialisationMonitorLink monitor(initialisation);
    InitialisationSyncState syncLoginState(initialisation);
    // The log window and the controller outlive the window, which talks to them until it is gone.
    TSyncLogFrm syncLog;
    TSyncControllerDM controller;
    MainWindowSyncLink syncLink(controller);

    TMainfrm window(nullptr, &context);
    window.FormCreate();
    window.SetServerMonitor(&monitor);
    window.SetSyncLogWindow(&syncLog);
    InstallLookupActions(window, *modules.maindm);
    TMaindm &maindm = *modules.maindm;
    ReferenceActions::install(window, maindm);
    InstallImportActions(window, maindm);
    const ExchangeActions exchange(window, maindm, *modules.registry, modules.proxyLogin);
    const XmlExportActions xmlExport(window, maindm);
    SampleActions::install(window, maindm, exchange.ServerSettings());
    TemplateActions::install(window);
    const AdminActions admin(window, maindm, *modules.registry, modules.proxyLogin);
    const BrowserActions browsers(window, maindm, maindm, exchange.ServerSettings());
    controller.SetLoginState(&syncLoginState);
    // What the monitor finds is what the controller's status says about the server.
    QObject::connect(&initialisation, &TInitialisationDM::serverCheckDone, &controller,
                     &TSyncControllerDM::ServerConnectionChecked);
    // A store this login made holds no lookup lists until the first pass brings them down: they
    // are taken in when that pass ends, so that the officer can work in the first session.
    if (initialisation.ISFirstSync) {
        QObject::connect(
            &controller, &TSyncControllerDM::SyncPassFinished, &controller,
            [&lookupData]() { TLookupDataDm::ShowLoadProblems(lookupData.module().RefreshDatasetsFromDatabase()); },
            Qt::SingleShotConnection);
    }
    if (controller.Initialize(maindm.DBServerName(), maindm.DBDatapath(), maindm.DBUserName(), maindm.DBPassword(),
                              maindm.DBProtocol(), maindm.LocalAuthorityCode(), maindm.LocalAuthorityOfficeCode(),
                              modules.registry->ServerAddress())) {
        syncLog.attachTo(&controller);
        syncLink.attach(window);
        window.SetSyncController(&syncLink);
    } else {
        Prompter::current().warning(AppTitle, QStringLiteral("Synchronisation is not available: the local store "
                                                             "could not be opened for it."));
    }
    window.SetNewsView(new NewsPage([&context]() { return context.NewsHeaders(); }));
    window.AfterLogin();
    window.showMaximized();
    closer.setMainWindow(&window);
    // The window's close sequence has run when it is done; the program then ends.
    QObject::connect(&window, &QDialog::finished, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

// The update question before the login. True when the updater was started and the program ends.
// The check runs off the GUI thread on a module of its own, made from the same settings file, so
// that nothing it touches belongs to start-up; a small window says what is going on meanwhile.
bool updateAccepted(StartUpModules &modules)
{
    if (!modules.autoUpdate)
        return false;
    const QString settingsFile = modules.autoUpdate->INIFileName;
    const QString serverAddress = modules.registry->ServerAddress();
    const ProxyLogin proxy = modules.proxyLogin;
    return UpdateOffer::offer(
        [&]() {
            UpdateCheckWindow window;
            return window.run(
                [settingsFile, serverAddress, proxy]() {
                    TAutoUpdateClientData check(settingsFile);
                    check.FallbackTargetURL = serverAddress;
                    return check.CheckForUpdates(proxy);
                },
                TAutoUpdateClientData::MaxCheckTimeOutMs);
        },
        QCoreApplication::applicationDirPath());
}

int runInteractive(const CommandLineOptions &options, ProgramCloser &closer)
{
    // A signal that arrives before the main window exists dismisses the dialog on the screen; the
    // steps below then end the program instead of going on.
    const auto signalled = []() { return TerminationSignals::count() > 0; };
    StartUpModules modules;
    try {
        modules.create();
        applyCommandLine(options, *modules.maindm);
        modules.createLoginModule();
    } catch (const VarnexError &e) {
        Prompter::current().error(AppTitle, e.message());
        return 1;
    }
    if (signalled() || updateAccepted(modules) || signalled())
        return 0;

    bool loggedIn = false;
    {
        TConnectionFrm login(*modules.initialisation, *modules.maindm, *modules.registry);
        loggedIn = login.exec() == QDialog::Accepted;
    }
    // Left with Exit or after three refused attempts: the program ends here.
    if (!loggedIn || modules.maindm->CloseApp || signalled())
        return 0;
    takeTerminationSignalsBack(InteractiveSignalsBeforeForce);
    try {
        return runAfterLogin(modules, *modules.initialisation, closer);
    } catch (const VarnexError &e) {
        Prompter::current().error(AppTitle, e.message());
        return 1;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLineOptions options = parseCommandLine(rawArguments(argc, argv));
    TerminationSignals::install(options.isBatchMode() ? BatchSignalsBeforeForce : InteractiveSignalsBeforeForce);
    QCoreApplication::setApplicationName(AppTitle);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvello"));

    if (options.isBatchMode()) {
        // Nothing is modal in batch mode: every message goes to standard error. A signal ends the
        // run after the step in hand; a second one ends it at once.
        QCoreApplication app(argc, argv);
        BatchPrompter prompter;
        ScopedPrompter scope(&prompter);
        return runBatch(options);
    }

    // The news page's browser runs helper processes whose sandbox cannot start for the root user.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    VarnexApplication app(argc, argv);
    QtPrompter prompter;
    ScopedPrompter scope(&prompter);
    ReportPreviewOutput reportPreview;
    ScopedReportOutput reportOutput(&reportPreview);
    WaitCursorIndicator waitCursor;
    ScopedBusyIndicator busyIndicator(&waitCursor);
    TerminationSignals terminationSignals;
    ProgramCloser closer;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &closer, &ProgramCloser::closeProgram);
    return runInteractive(options, closer);
}
