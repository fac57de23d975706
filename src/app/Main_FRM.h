#pragma once

#include "gui/Base_FRM.h"
#include "core/NewsHeaders.h"

#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QUrl>

#include <functional>
#include <optional>

class QComboBox;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QVBoxLayout;
class TInitialisationDM;
class TMaindm;
class TRegistryDM;

// What the main window reads from and asks of the central data module.
class IMainWindowContext
{
public:
    virtual ~IMainWindowContext() = default;
    virtual QString Personality() const = 0;
    virtual void SetPersonality(const QString &value) = 0;
    virtual bool UserIsAdmin() = 0;
    virtual bool ShowSupport() = 0;
    virtual QString RunMode() const = 0;
    virtual QString Version() const = 0;
    // The program's folder, with a trailing separator.
    virtual QString AppPath() const = 0;
    // Brings the store's structure up to date; throws VarnexError on failure.
    virtual void CheckDBStructure() = 0;
    // The news page; empty when the installation names no usable server.
    virtual QUrl NewsUrl() const = 0;
    // What the news portal is told; nothing while no store is open.
    virtual std::optional<NewsHeaderValues> NewsHeaders() = 0;
    // Handed to the forms the window opens.
    virtual IGeneralInfo *SetupInfo() = 0;
};

// The login module's server monitor, as the window uses it.
class IMainServerMonitor
{
public:
    virtual ~IMainServerMonitor() = default;
    virtual bool ServerConnectionIsAlive() const = 0;
    virtual QString MonitorServerConnectionStatusMessage() const = 0;
    // Called on the main thread after each check; an empty function removes the handler.
    virtual void SetChangeHandler(std::function<void()> handler) = 0;
    // Stops the checks (the message becomes "Not monitoring").
    virtual void StopMonitor() = 0;
};

// The synchronisation controller, as the window uses it. Its table events and status changes reach
// the window's SyncControllerSyncEvent and SyncControllerSyncStatusChange on the main thread.
class IMainSyncController
{
public:
    virtual ~IMainSyncController() = default;
    virtual bool SyncActive() const = 0;
    virtual QString SyncStatus() const = 0;
    virtual void RunSync() = 0;
    // The window stops listening to status changes (at close).
    virtual void RemoveStatusChangeHandler() = 0;
};

// The embedded news browser. The window places widget() in its news area and owns it.
class INewsView
{
public:
    virtual ~INewsView() = default;
    virtual QWidget *widget() = 0;
    virtual void LoadNews(const QUrl &url) = 0;
    // What the server monitor found at its last check: while the server cannot be reached the
    // view shows a page of its own instead of the news; when it is back the news is loaded again.
    virtual void SetServerReachable(bool reachable) = 0;
    // The window that holds the view is about to close.
    virtual void ParentFormClosing() = 0;
};

// A label that reports double-clicks (the synchronisation status pane).
class TStatusPane : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *e) override;
};

// A progress bar that reports clicks (the synchronisation progress).
class TClickProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;
};

// The application's main window: menus, tool bar, personality box and banner, the news page and
// the status bar. Every piece of user work starts from one of its actions; each action opens its
// form through a handler that the module providing the form registers with SetActionHandler. An
// action without a handler is shown disabled ("Not available in this version").
//
// The window works through the four interfaces above, so that it can be built and tested without
// a store, a server or a browser.
class TMainfrm : public TBasefrm
{
    Q_OBJECT
public:
    static QString NotAvailableText() { return QStringLiteral("Not available in this version"); }
    // The longest the close waits for the last synchronisation pass; a pass always ends well within
    // it (every server call has its own time-outs), this only keeps a fault from hanging the close.
    static constexpr int CloseSyncWaitLimitMs = 180000;

    // The context must outlive the window.
    explicit TMainfrm(QObject *AOwner = nullptr, IMainWindowContext *context = nullptr);
    ~TMainfrm() override;

    void FormCreate() override;

    void SetContext(IMainWindowContext *context) { m_context = context; }
    // Points the status pane at the monitor and installs ServerConnectionIsAliveChanged.
    void SetServerMonitor(IMainServerMonitor *monitor);
    // Makes "Sync data with server now." available and shows the controller's status.
    void SetSyncController(IMainSyncController *controller);
    // Takes the view over and places it in the news area.
    void SetNewsView(INewsView *view);
    // The synchronisation log window, shown and hidden by a click on the progress bar. Not owned.
    void SetSyncLogWindow(QWidget *window) { m_syncLog = window; }

    // Makes an action available: triggering it runs the handler. Errors thrown by the handler are
    // shown to the user.
    void SetActionHandler(QAction *action, std::function<void()> handler);
    bool IsActionAvailable(QAction *action) const;
    // The state the rules gave the action (ToggleActive, ApplySecurity), whether or not it is
    // available.
    bool IsActionPermitted(QAction *action) const;
    static int ActionTag(const QAction *action);
    static QString ActionFormKey(const QAction *action);
    QList<QAction *> Actions() const { return m_actions; }
    QAction *FindAction(const QString &name) const;

    void ApplySecurity();
    void ApplyPersonality();
    void ToggleActive();
    void ShowNews();

    // The steps after a successful login, in order: caption with the run mode, personality box and
    // banner, ToggleActive, support action, personality change handler, the first synchronisation
    // pass when a controller is set, ApplySecurity, ShowNews.
    void AfterLogin();
    // Sets the box to the current personality without counting as a switch.
    void ShowPersonalityInBox();
    void ConnectPersonalityBox();

    // The close sequence has started (a nested close is refused while it waits).
    bool IsClosing() const { return m_closing; }
    // Closes as File > Exit does, but waits for the last synchronisation pass at most
    // waitLimitMs. Called while the close already waits, it stops the waiting at once.
    void CloseWithin(int waitLimitMs);
    bool IsActive = false;

    // Widgets.
    QMenuBar *MainMenu = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuReference = nullptr;
    QMenu *mnuHelp = nullptr;
    QToolBar *ToolBar = nullptr;
    QComboBox *cbPersonality = nullptr;
    QLabel *pnlFood = nullptr;
    QLabel *pnlAnimalFeed = nullptr;
    QWidget *pnlNews = nullptr;
    QStatusBar *StatusBar = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *ServerStatusPane = nullptr;
    TStatusPane *syncStatusPanel = nullptr;
    TClickProgressBar *syncProgress = nullptr;

    // Actions, in the order of the main action list.
    QAction *actNewSample = nullptr;
    QAction *actNewSampleAF = nullptr;
    QAction *actShowActiveSamples = nullptr;
    QAction *actShowActiveAFSamples = nullptr;
    QAction *actShowSampleTemplates = nullptr;
    QAction *actShowSampleTemplatesAF = nullptr;
    QAction *actShowLoadPremisesDataFrm = nullptr;
    QAction *actSHowLoadAFPremisesFrm = nullptr;
    QAction *actSampleImportXML = nullptr;
    QAction *actExportSamplesToXML = nullptr;
    QAction *actShowSampleBatches = nullptr;
    QAction *actShowSetupFrm = nullptr;
    QAction *actSyncDataWithServer = nullptr;
    QAction *actShowLocalAuthOffices = nullptr;
    QAction *actShowLocalAuthDepartments = nullptr;
    QAction *actShowSampleOfficers = nullptr;
    QAction *actShowPremisesMaintFrm = nullptr;
    QAction *actShowAFPremisesMaint = nullptr;
    QAction *actShowOptionalLookupListMaint = nullptr;
    QAction *actShowOptionalLookupListAFMaint = nullptr;
    QAction *actShowFoodDoc = nullptr;
    QAction *actShowAnimalFeedDoc = nullptr;
    QAction *actMicroForm = nullptr;
    QAction *actUpdateLookupDataTables = nullptr;
    QAction *actCheckDBStructure = nullptr;
    QAction *actSaveLookupdatetoFile = nullptr;
    QAction *actChooseConnection = nullptr;
    QAction *actCheckInstall = nullptr;
    QAction *actLogSupportIncident = nullptr;
    QAction *actCheckForUpdates = nullptr;
    QAction *actSamplesImport = nullptr;
    // Menu items that are not in the main action list.
    QAction *mnuExit = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *mnuCategoryTree = nullptr;

public slots:
    void ServerConnectionIsAliveChanged();
    void SyncControllerSyncEvent(int totalCount, int index, const QString &CurrentTable, int Status);
    void SyncControllerSyncStatusChange();
    void PersonalityBoxChange(int index);
    void SyncStatusPanelDblClick();
    void SyncProgressClick();
    void ShowAbout();

protected:
    bool FormCloseQuery() override;
    // The window is not released when it closes: whoever made it ends the program.
    void FormClose() override {}
    void keyPressEvent(QKeyEvent *e) override;

private:
    struct ActionState
    {
        std::function<void()> handler;
        bool permitted = true;
    };
    QAction *makeAction(QAction *&field, const char *name, const QString &caption, int tag,
                        const QString &formKey = {});
    QAction *proxyItem(QAction *source, const QString &text);
    void refreshAction(QAction *action);
    void setPermitted(QAction *action, bool permitted);
    void runAction(QAction *action);
    void openProgramFile(const QString &relativePath);
    void closeOwnedForms();
    void buildActions();
    void buildWidgets();
    void waitForLastSyncPass();

    IMainWindowContext *m_context = nullptr;
    IMainServerMonitor *m_monitor = nullptr;
    IMainSyncController *m_sync = nullptr;
    INewsView *m_newsView = nullptr;
    QPointer<QWidget> m_syncLog;
    QList<QAction *> m_actions;
    QHash<QAction *, ActionState> m_states;
    QVBoxLayout *m_newsLayout = nullptr;
    bool m_closing = false;
    int m_closeWaitLimitMs = CloseSyncWaitLimitMs;
    bool m_stopWaiting = false;
    bool m_personalityConnected = false;
};

// The adapters of the program's own modules.
class TMaindmMainWindowContext : public IMainWindowContext
{
public:
    // registry may be null (the news page then has no address).
    TMaindmMainWindowContext(TMaindm &maindm, const TRegistryDM *registry);
    QString Personality() const override;
    void SetPersonality(const QString &value) override;
    bool UserIsAdmin() override;
    bool ShowSupport() override;
    QString RunMode() const override;
    QString Version() const override;
    QString AppPath() const override;
    void CheckDBStructure() override;
    QUrl NewsUrl() const override;
    std::optional<NewsHeaderValues> NewsHeaders() override;
    IGeneralInfo *SetupInfo() override;

private:
    TMaindm &m_maindm;
    const TRegistryDM *m_registry;
};

class TInitialisationMonitorLink : public IMainServerMonitor
{
public:
    explicit TInitialisationMonitorLink(TInitialisationDM &initialisation) : m_initialisation(initialisation) {}
    bool ServerConnectionIsAlive() const override;
    QString MonitorServerConnectionStatusMessage() const override;
    void SetChangeHandler(std::function<void()> handler) override;
    void StopMonitor() override;

private:
    TInitialisationDM &m_initialisation;
};

// The one instance, while it exists.
extern TMainfrm *Mainfrm;
