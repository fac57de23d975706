#include "app/Main_FRM.h"

#include "core/ui/About_FRM.h"
#include "core/Initialisation_DM.h"
#include "core/Main_DM.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Registry_DM.h"
#include "base/VarnexError.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

TMainfrm *Mainfrm = nullptr;

namespace {

const QString &Title = Varnex::ProgramName;
const QString &Food = Varnex::PersonalityFood;
const QString &AnimalFeed = Varnex::PersonalityAnimalFeed;
const QString SyncSleeping = QStringLiteral("Sync sleeping.");
constexpr int TableStarted = 5;

// Colours of the banners, as red, green, blue.
const QColor FoodBannerColour(0x32, 0xAE, 0xF5);
const QColor FeedBannerColour(0xBA, 0xFC, 0xC9);

QLabel *banner(const QString &name, const QString &text, const QColor &background, const QColor &foreground, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(6);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("QLabel { background-color: %1; color: %2; }")
                             .arg(background.name(), foreground.name()));
    return label;
}

void showError(const QString &text)
{
    Prompter::current().error(Title, text);
}

} // namespace

void TStatusPane::mouseDoubleClickEvent(QMouseEvent *e)
{
    QLabel::mouseDoubleClickEvent(e);
    emit doubleClicked();
}

void TClickProgressBar::mouseReleaseEvent(QMouseEvent *e)
{
    QProgressBar::mouseReleaseEvent(e);
    emit clicked();
}

TMainfrm::TMainfrm(QObject *AOwner, IMainWindowContext *context)
    : TBasefrm(AOwner), m_context(context)
{
    setWindowFlags(Qt::Window);
    setWindowTitle(Varnex::ProductTitle + QStringLiteral(" - ") + Varnex::ProgramName);
    buildActions();
    buildWidgets();
    if (!Mainfrm)
        Mainfrm = this;
}

TMainfrm::~TMainfrm()
{
    if (m_monitor)
        m_monitor->SetChangeHandler({});
    if (m_sync)
        m_sync->RemoveStatusChangeHandler();
    if (Mainfrm == this)
        Mainfrm = nullptr;
}

void TMainfrm::FormCreate()
{
    TBasefrm::FormCreate();
}

QAction *TMainfrm::makeAction(QAction *&field, const char *name, const QString &caption, int tag, const QString &formKey)
{
    field = new QAction(caption, this);
    field->setObjectName(QLatin1String(name));
    field->setProperty("tag", tag);
    field->setProperty("formKey", formKey);
    m_actions.append(field);
    m_states.insert(field, ActionState{});
    QAction *action = field;
    connect(field, &QAction::triggered, this, [this, action]() { runAction(action); });
    refreshAction(field);
    return field;
}

void TMainfrm::buildActions()
{
    makeAction(actNewSample, "actNewSample", QStringLiteral("New sample"), 1, QStringLiteral("SampleEdit"));
    makeAction(actNewSampleAF, "actNewSampleAF", QStringLiteral("New sample"), 2, QStringLiteral("SampleEditAnimalFeeds"));
    makeAction(actShowActiveSamples, "actShowActiveSamples", QStringLiteral("Browse Samples"), 1, QStringLiteral("SampleBrowser"));
    makeAction(actShowActiveAFSamples, "actShowActiveAFSamples", QStringLiteral("Browse Samples"), 2, QStringLiteral("SampleBrowserAF"));
    makeAction(actShowSampleTemplates, "actShowSampleTemplates", QStringLiteral("Sample Templates"), 1, QStringLiteral("SampleTemplates"));
    makeAction(actShowSampleTemplatesAF, "actShowSampleTemplatesAF", QStringLiteral("Sample Templates"), 2,
               QStringLiteral("SampleTemplatesAnimalFeeds"));
    makeAction(actShowLoadPremisesDataFrm, "actShowLoadPremisesDataFrm", QStringLiteral("Import Food premises"), 1,
               QStringLiteral("ImportPremisesData"));
    makeAction(actSHowLoadAFPremisesFrm, "actSHowLoadAFPremisesFrm", QStringLiteral("Import Animal feeds premises"), 2,
               QStringLiteral("ImportPremisesData"));
    makeAction(actSampleImportXML, "actSampleImportXML", QStringLiteral("Import Samples (xml)"), 0, QStringLiteral("ImportSamplesData"));
    makeAction(actExportSamplesToXML, "actExportSamplesToXML", QStringLiteral("Export Samples to XML"), 0,
               QStringLiteral("SampleExportFrm"));
    makeAction(actShowSampleBatches, "actShowSampleBatches", QStringLiteral("Exported Batches"), 0, QStringLiteral("SampleBatches"));
    makeAction(actShowSetupFrm, "actShowSetupFrm", QStringLiteral("Setup"), 0, QStringLiteral("Setup"));
    makeAction(actSyncDataWithServer, "actSyncDataWithServer", QStringLiteral("Sync data with server now."), 0);
    makeAction(actShowLocalAuthOffices, "actShowLocalAuthOffices", QStringLiteral("Local Authority Offices"), 0,
               QStringLiteral("LocalAuthOfficeMaintFrm"));
    makeAction(actShowLocalAuthDepartments, "actShowLocalAuthDepartments", QStringLiteral("Departments"), 0,
               QStringLiteral("LocalAuthDepartmenteMaintFrm"));
    makeAction(actShowSampleOfficers, "actShowSampleOfficers", QStringLiteral("Sample Officers"), 0, QStringLiteral("SampleOfficers"));
    makeAction(actShowPremisesMaintFrm, "actShowPremisesMaintFrm", QStringLiteral("Premises Details"), 1, QStringLiteral("PremisesMaint"));
    makeAction(actShowAFPremisesMaint, "actShowAFPremisesMaint", QStringLiteral("Premises Details."), 2, QStringLiteral("PremisesMaint"));
    makeAction(actShowOptionalLookupListMaint, "actShowOptionalLookupListMaint", QStringLiteral("Optional lookup lists"), 1,
               QStringLiteral("Lookuplists"));
    makeAction(actShowOptionalLookupListAFMaint, "actShowOptionalLookupListAFMaint", QStringLiteral("Optional lookup lists."), 2,
               QStringLiteral("AFLookuplists"));
    makeAction(actShowFoodDoc, "actShowFoodDoc", QStringLiteral("Open guidance PDF"), 1);
    makeAction(actShowAnimalFeedDoc, "actShowAnimalFeedDoc", QStringLiteral("Open guidance PDF"), 2);
    makeAction(actMicroForm, "actMicroForm", QStringLiteral("Blank Micro Sample Form "), 0);
    makeAction(actUpdateLookupDataTables, "actUpdateLookupDataTables", QStringLiteral("Update lookup data tables"), 0,
               QStringLiteral("LookupUpdate"));
    makeAction(actCheckDBStructure, "actCheckDBStructure", QStringLiteral("Check DB Structure"), 0);
    makeAction(actSaveLookupdatetoFile, "actSaveLookupdatetoFile", QStringLiteral("Export Lookup data"), 0);
    makeAction(actChooseConnection, "actChooseConnection", QStringLiteral("Connection"), 0);
    makeAction(actCheckInstall, "actCheckInstall", QStringLiteral("Activate database"), 0);
    makeAction(actLogSupportIncident, "actLogSupportIncident", QStringLiteral("Log Support Incident"), 0);
    makeAction(actCheckForUpdates, "actCheckForUpdates", QStringLiteral("Check for updates"), 0);
    makeAction(actSamplesImport, "actSamplesImport", QStringLiteral("Import Sample Results"), 0);

    // Sample work is offered only once the store is known to be ready (ToggleActive).
    for (QAction *a : {actNewSample, actNewSampleAF, actShowActiveSamples, actShowActiveAFSamples})
        setPermitted(a, false);
    actLogSupportIncident->setVisible(false);

    // What works without the forms of other modules.
    SetActionHandler(actCheckDBStructure, [this]() {
        if (!m_context)
            return;
        m_context->CheckDBStructure();
        Prompter::current().information(Title, QStringLiteral("The database structure is up to date."));
    });
    SetActionHandler(actCheckInstall, [this]() { ToggleActive(); });
    SetActionHandler(actShowFoodDoc, [this]() { openProgramFile(QStringLiteral("Guidance/Quorin VRXNet Food User Guide.pdf")); });
    SetActionHandler(actShowAnimalFeedDoc,
                     [this]() { openProgramFile(QStringLiteral("Guidance/Quorin VRXNet Feed User Guide.pdf")); });
    SetActionHandler(actMicroForm, [this]() { openProgramFile(QStringLiteral("Forms/MicroSampleForm.pdf")); });
    // These three do nothing by design.
    for (QAction *a : {actLogSupportIncident, actCheckForUpdates, actSamplesImport})
        SetActionHandler(a, []() {});

    mnuExit = new QAction(QStringLiteral("Exit"), this);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, [this]() { close(); });
    mnuAbout = new QAction(QStringLiteral("About"), this);
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &TMainfrm::ShowAbout);
    mnuCategoryTree = new QAction(QStringLiteral("Category Tree"), this);
    mnuCategoryTree->setObjectName(QStringLiteral("mnuCategoryTree"));
    mnuCategoryTree->setProperty("formKey", QStringLiteral("CategoryTree"));
    m_states.insert(mnuCategoryTree, ActionState{});
    connect(mnuCategoryTree, &QAction::triggered, this, [this]() { runAction(mnuCategoryTree); });
    refreshAction(mnuCategoryTree);
}

QAction *TMainfrm::proxyItem(QAction *source, const QString &text)
{
    // A menu or tool-bar item whose text differs from its action's caption; it follows the action.
    auto *item = new QAction(text, this);
    item->setObjectName(source->objectName() + QStringLiteral("Item"));
    const auto follow = [item, source]() {
        item->setEnabled(source->isEnabled());
        item->setVisible(source->isVisible());
        item->setToolTip(source->toolTip());
    };
    follow();
    connect(source, &QAction::changed, item, follow);
    connect(item, &QAction::triggered, source, [source]() { source->trigger(); });
    return item;
}

void TMainfrm::buildWidgets()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu = new QMenuBar(this);
    layout->setMenuBar(MainMenu);
    mnuFile = MainMenu->addMenu(QStringLiteral("&File"));
    mnuFile->addActions({actNewSample, actNewSampleAF, actShowSampleTemplates, actShowSampleTemplatesAF,
                         actShowLoadPremisesDataFrm, actSHowLoadAFPremisesFrm, actSampleImportXML,
                         actSaveLookupdatetoFile});
    mnuFile->addSeparator();
    mnuFile->addActions({actExportSamplesToXML, actShowSampleBatches, actShowSetupFrm, actSyncDataWithServer,
                         actUpdateLookupDataTables, actCheckDBStructure});
    mnuFile->addSeparator();
    mnuFile->addAction(mnuExit);

    mnuReference = MainMenu->addMenu(QStringLiteral("&Reference"));
    mnuReference->addAction(actShowLocalAuthOffices);
    mnuReference->addAction(proxyItem(actShowSampleOfficers, QStringLiteral("Users / Sample Officers")));
    mnuReference->addActions({actShowPremisesMaintFrm, actShowAFPremisesMaint, actShowOptionalLookupListMaint,
                              actShowOptionalLookupListAFMaint});
    mnuReference->addSeparator();
    mnuReference->addAction(mnuCategoryTree);

    mnuHelp = MainMenu->addMenu(QStringLiteral("&Help"));
    mnuHelp->addActions({actShowFoodDoc, actShowAnimalFeedDoc});
    mnuHelp->addSeparator();
    mnuHelp->addAction(mnuAbout);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar->addActions({actNewSample, actNewSampleAF});
    ToolBar->addAction(proxyItem(actShowActiveSamples, QStringLiteral("Sample Browser")));
    ToolBar->addAction(proxyItem(actShowActiveAFSamples, QStringLiteral("Sample Browser")));
    ToolBar->addSeparator();
    ToolBar->addActions({actShowSampleTemplates, actShowSampleTemplatesAF});
    auto *spacer = new QWidget(ToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar->addWidget(spacer);
    ToolBar->addWidget(new QLabel(QStringLiteral("Personality "), ToolBar));
    cbPersonality = new QComboBox(ToolBar);
    cbPersonality->setObjectName(QStringLiteral("cbPersonality"));
    cbPersonality->addItems({QStringLiteral("Food"), QStringLiteral("Animal feed")});
    ToolBar->addWidget(cbPersonality);
    layout->addWidget(ToolBar);

    pnlFood = banner(QStringLiteral("pnlFood"), QStringLiteral("Food Sampling"), FoodBannerColour, Qt::white, this);
    pnlAnimalFeed = banner(QStringLiteral("pnlAnimalFeed"), QStringLiteral("Animal Feed Sampling"), FeedBannerColour,
                           Qt::black, this);
    layout->addWidget(pnlFood);
    layout->addWidget(pnlAnimalFeed);

    pnlNews = new QWidget(this);
    pnlNews->setObjectName(QStringLiteral("pnlNews"));
    m_newsLayout = new QVBoxLayout(pnlNews);
    m_newsLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pnlNews, 1);

    StatusBar = new QStatusBar(this);
    StatusBar->setSizeGripEnabled(false);
    lblVersion = new QLabel(QStringLiteral("Version: ") + (m_context ? m_context->Version() : QString()), StatusBar);
    ServerStatusPane = new QLabel(StatusBar);
    ServerStatusPane->setObjectName(QStringLiteral("ServerStatusPane"));
    syncStatusPanel = new TStatusPane(QStringLiteral("Sync status"), StatusBar);
    syncStatusPanel->setObjectName(QStringLiteral("syncStatusPanel"));
    syncStatusPanel->setMinimumWidth(160);
    syncProgress = new TClickProgressBar(StatusBar);
    syncProgress->setObjectName(QStringLiteral("syncProgress"));
    syncProgress->setRange(0, 100);
    syncProgress->setValue(0);
    syncProgress->setFormat(QStringLiteral("%p% (%v of %m)"));
    syncProgress->setMinimumWidth(170);
    syncProgress->setMaximumWidth(240);
    syncProgress->setToolTip(QStringLiteral("Click to show or hide the synchronisation log"));
    StatusBar->addWidget(lblVersion);
    StatusBar->addWidget(ServerStatusPane, 1);
    StatusBar->addPermanentWidget(syncStatusPanel);
    StatusBar->addPermanentWidget(syncProgress);
    layout->addWidget(StatusBar);

    connect(syncStatusPanel, &TStatusPane::doubleClicked, this, &TMainfrm::SyncStatusPanelDblClick);
    connect(syncProgress, &TClickProgressBar::clicked, this, &TMainfrm::SyncProgressClick);

    // The export of lookup data is never on view, but its shortcut works while it is available.
    // (A hidden action always reports itself disabled, so the window's own state decides.)
    auto *saveLookup = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+L")), this);
    connect(saveLookup, &QShortcut::activated, this, [this]() {
        if (IsActionAvailable(actSaveLookupdatetoFile) && IsActionPermitted(actSaveLookupdatetoFile))
            runAction(actSaveLookupdatetoFile);
    });

    // Before a login nothing tells the personality, so neither banner is shown.
    pnlFood->setVisible(false);
    pnlAnimalFeed->setVisible(false);
    resize(1024, 720);
}

// ---- actions -----------------------------------------------------------------------------------

void TMainfrm::refreshAction(QAction *action)
{
    const auto it = m_states.constFind(action);
    if (it == m_states.constEnd())
        return;
    const bool available = bool(it->handler);
    action->setEnabled(available && it->permitted);
    action->setToolTip(available ? action->text().trimmed() : NotAvailableText());
}

void TMainfrm::setPermitted(QAction *action, bool permitted)
{
    auto it = m_states.find(action);
    if (it == m_states.end())
        return;
    it->permitted = permitted;
    refreshAction(action);
}

void TMainfrm::SetActionHandler(QAction *action, std::function<void()> handler)
{
    auto it = m_states.find(action);
    if (it == m_states.end())
        return;
    it->handler = std::move(handler);
    refreshAction(action);
}

bool TMainfrm::IsActionAvailable(QAction *action) const
{
    const auto it = m_states.constFind(action);
    return it != m_states.constEnd() && bool(it->handler);
}

bool TMainfrm::IsActionPermitted(QAction *action) const
{
    const auto it = m_states.constFind(action);
    return it != m_states.constEnd() && it->permitted;
}

int TMainfrm::ActionTag(const QAction *action)
{
    return action ? action->property("tag").toInt() : 0;
}

QString TMainfrm::ActionFormKey(const QAction *action)
{
    return action ? action->property("formKey").toString() : QString();
}

QAction *TMainfrm::FindAction(const QString &name) const
{
    for (QAction *a : m_actions)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void TMainfrm::runAction(QAction *action)
{
    const auto it = m_states.constFind(action);
    if (it == m_states.constEnd() || !it->handler)
        return;
    const std::function<void()> handler = it->handler; // the handler may replace itself
    try {
        handler();
    } catch (const VarnexError &e) {
        showError(e.message());
    } catch (const std::exception &e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
}

void TMainfrm::openProgramFile(const QString &relativePath)
{
    const QString folder = m_context ? m_context->AppPath() : QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QString path = QDir(folder).absoluteFilePath(relativePath);
    if (!QFileInfo(path).isFile()) {
        Prompter::current().warning(Title, QStringLiteral("The file \"%1\" was not found.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        Prompter::current().warning(Title, QStringLiteral("No program is set up to open \"%1\".").arg(QDir::toNativeSeparators(path)));
}

void TMainfrm::ShowAbout()
{
    try {
        TBasefrm::CreateAndShow<TAboutFrm>(QStringLiteral("About"), this, true);
    } catch (const VarnexError &e) {
        showError(e.message());
    }
}

// ---- rules -------------------------------------------------------------------------------------

void TMainfrm::ToggleActive()
{
    IsActive = true;
    for (QAction *a : {actNewSample, actNewSampleAF, actShowActiveSamples, actShowActiveAFSamples})
        setPermitted(a, true);
    actCheckInstall->setVisible(false);
}

void TMainfrm::ApplySecurity()
{
    bool admin = false;
    try {
        admin = m_context && m_context->UserIsAdmin();
    } catch (const VarnexError &e) {
        // Rights that cannot be read are not granted.
        showError(e.message());
    }
    for (QAction *a : {actShowSampleOfficers, actShowOptionalLookupListMaint, actShowOptionalLookupListAFMaint,
                       actShowSetupFrm, actShowLocalAuthOffices, actShowPremisesMaintFrm, actShowAFPremisesMaint})
        setPermitted(a, admin);
}

void TMainfrm::ApplyPersonality()
{
    const QString personality = m_context ? m_context->Personality() : QString();
    pnlFood->setVisible(personality == Food);
    pnlAnimalFeed->setVisible(personality == AnimalFeed);
    const int hiddenTag = personality == Food ? 2 : 1;
    for (QAction *a : std::as_const(m_actions))
        a->setVisible(ActionTag(a) != hiddenTag);
    actSaveLookupdatetoFile->setVisible(false);
    setPermitted(actSaveLookupdatetoFile, true);
    closeOwnedForms();
    update();
}

void TMainfrm::closeOwnedForms()
{
    const QList<TBasefrm *> forms = findChildren<TBasefrm *>(Qt::FindDirectChildrenOnly);
    for (TBasefrm *form : forms) {
        if (form->Owner() == this)
            form->close();
    }
}

void TMainfrm::ShowPersonalityInBox()
{
    const QString personality = m_context ? m_context->Personality() : QString();
    const QSignalBlocker block(cbPersonality);
    if (personality == Food)
        cbPersonality->setCurrentIndex(0);
    else if (personality == AnimalFeed)
        cbPersonality->setCurrentIndex(1);
}

void TMainfrm::ConnectPersonalityBox()
{
    if (m_personalityConnected)
        return;
    m_personalityConnected = true;
    connect(cbPersonality, &QComboBox::currentIndexChanged, this, &TMainfrm::PersonalityBoxChange);
}

void TMainfrm::PersonalityBoxChange(int index)
{
    if (!m_context)
        return;
    if (index == 0)
        m_context->SetPersonality(Food);
    else if (index == 1)
        m_context->SetPersonality(AnimalFeed);
    ApplyPersonality();
}

void TMainfrm::ShowNews()
{
    if (!m_newsView || !m_context)
        return;
    const QUrl url = m_context->NewsUrl();
    if (url.isValid() && !url.isEmpty())
        m_newsView->LoadNews(url);
}

void TMainfrm::AfterLogin()
{
    setWindowTitle(CaptionWithRunMode(FormCaption(), m_context ? m_context->RunMode() : QString()));
    lblVersion->setText(QStringLiteral("Version: ") + (m_context ? m_context->Version() : QString()));
    ApplyPersonality();
    ShowPersonalityInBox();
    ToggleActive();
    bool support = false;
    try {
        support = m_context && m_context->ShowSupport();
    } catch (const VarnexError &) {
        support = false;
    }
    actLogSupportIncident->setVisible(support);
    ConnectPersonalityBox();
    if (m_sync)
        m_sync->RunSync();
    ApplySecurity();
    ShowNews();
}

// ---- modules -----------------------------------------------------------------------------------

void TMainfrm::SetServerMonitor(IMainServerMonitor *monitor)
{
    if (m_monitor)
        m_monitor->SetChangeHandler({});
    m_monitor = monitor;
    if (!m_monitor)
        return;
    ServerStatusPane->setText(m_monitor->MonitorServerConnectionStatusMessage());
    QPointer<TMainfrm> self(this);
    m_monitor->SetChangeHandler([self]() {
        if (self)
            self->ServerConnectionIsAliveChanged();
    });
}

void TMainfrm::SetSyncController(IMainSyncController *controller)
{
    m_sync = controller;
    if (m_sync)
        SetActionHandler(actSyncDataWithServer, [this]() {
            if (m_sync)
                m_sync->RunSync();
        });
    else
        SetActionHandler(actSyncDataWithServer, {});
}

void TMainfrm::SetNewsView(INewsView *view)
{
    if (m_newsView)
        delete m_newsView->widget();
    m_newsView = view;
    if (m_newsView)
        m_newsLayout->addWidget(m_newsView->widget());
}

void TMainfrm::ServerConnectionIsAliveChanged()
{
    if (!m_monitor)
        return;
    ServerStatusPane->setText(m_monitor->MonitorServerConnectionStatusMessage());
    if (m_newsView)
        m_newsView->SetServerReachable(m_monitor->ServerConnectionIsAlive());
}

void TMainfrm::SyncControllerSyncEvent(int totalCount, int index, const QString &CurrentTable, int Status)
{
    syncStatusPanel->setText(Status == TableStarted ? QStringLiteral("Syncing ") + CurrentTable : QString());
    syncProgress->setMaximum(qMax(1, totalCount));
    syncProgress->setValue(qBound(0, index + 1, syncProgress->maximum()));
}

void TMainfrm::SyncControllerSyncStatusChange()
{
    if (m_sync)
        syncStatusPanel->setText(m_sync->SyncStatus());
}

void TMainfrm::SyncStatusPanelDblClick()
{
    if (syncStatusPanel->text() == SyncSleeping)
        actSyncDataWithServer->trigger();
}

void TMainfrm::SyncProgressClick()
{
    if (!m_syncLog)
        return;
    if (m_syncLog->isVisible()) {
        m_syncLog->hide();
    } else {
        m_syncLog->show();
        m_syncLog->raise();
    }
}

// ---- close -------------------------------------------------------------------------------------

void TMainfrm::keyPressEvent(QKeyEvent *e)
{
    // Escape closes dialogs, not the main window.
    if (e->key() == Qt::Key_Escape) {
        e->ignore();
        return;
    }
    TBasefrm::keyPressEvent(e);
}

void TMainfrm::waitForLastSyncPass()
{
    // The pass reports to this thread, so the loop keeps serving events while it waits. A short
    // timer wakes the loop now and then to look at the deadline.
    QTimer wake;
    wake.start(200);
    const QDeadlineTimer deadline(m_closeWaitLimitMs);
    while (m_sync->SyncActive() && !m_stopWaiting && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TMainfrm::CloseWithin(int waitLimitMs)
{
    if (m_closing) {
        m_stopWaiting = true;
        return;
    }
    m_closeWaitLimitMs = std::max(0, waitLimitMs);
    close();
    m_closeWaitLimitMs = CloseSyncWaitLimitMs;
}

bool TMainfrm::FormCloseQuery()
{
    if (m_closing)
        return false;
    if (!TBasefrm::FormCloseQuery())
        return false;
    m_closing = true;
    m_stopWaiting = false;
    if (m_newsView)
        m_newsView->ParentFormClosing();
    const bool online = m_monitor && m_monitor->ServerConnectionIsAlive();
    if (m_monitor) {
        m_monitor->StopMonitor();
        m_monitor->SetChangeHandler({});
        ServerStatusPane->setText(m_monitor->MonitorServerConnectionStatusMessage());
    }
    if (m_sync && online) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!m_sync->SyncActive())
            m_sync->RunSync();
        waitForLastSyncPass();
        QApplication::restoreOverrideCursor();
        m_sync->RemoveStatusChangeHandler();
    }
    m_closing = false;
    return true;
}

// ---- adapters ----------------------------------------------------------------------------------

TMaindmMainWindowContext::TMaindmMainWindowContext(TMaindm &maindm, const TRegistryDM *registry)
    : m_maindm(maindm), m_registry(registry)
{
}

QString TMaindmMainWindowContext::Personality() const { return m_maindm.Personality; }
void TMaindmMainWindowContext::SetPersonality(const QString &value) { m_maindm.Personality = value; }
bool TMaindmMainWindowContext::UserIsAdmin() { return m_maindm.UserIsAdmin(); }
bool TMaindmMainWindowContext::ShowSupport() { return m_maindm.ShowSupport(); }
QString TMaindmMainWindowContext::RunMode() const { return m_maindm.RunMode(); }
QString TMaindmMainWindowContext::Version() const { return m_maindm.Version(); }
QString TMaindmMainWindowContext::AppPath() const { return m_maindm.AppPath(); }
void TMaindmMainWindowContext::CheckDBStructure() { m_maindm.CheckDBStructure(); }
IGeneralInfo *TMaindmMainWindowContext::SetupInfo() { return &m_maindm; }

QUrl TMaindmMainWindowContext::NewsUrl() const
{
    return m_registry ? NewsUrlFromServerAddress(m_registry->ServerAddress()) : QUrl();
}

std::optional<NewsHeaderValues> TMaindmMainWindowContext::NewsHeaders()
{
    if (!m_maindm.ibConnection().isOpen())
        return std::nullopt;
    try {
        NewsHeaderValues values;
        values.UserLoginEmail = m_maindm.UserLoginEmail();
        values.UserLoginPassword = m_maindm.UserLoginPassword();
        values.Version = m_maindm.Version();
        values.AppPath = m_maindm.AppPath();
        values.AppName = TMaindm::AppName();
        values.DBDatapath = m_maindm.DBDatapath();
        values.InstallationId = m_maindm.InstallationId();
        return values;
    } catch (const VarnexError &) {
        // A page request is no place for a message box: the page goes without the headers.
        return std::nullopt;
    }
}

bool TInitialisationMonitorLink::ServerConnectionIsAlive() const { return m_initialisation.ServerConnectionIsAlive(); }

QString TInitialisationMonitorLink::MonitorServerConnectionStatusMessage() const
{
    return m_initialisation.MonitorServerConnectionStatusMessage();
}

void TInitialisationMonitorLink::SetChangeHandler(std::function<void()> handler)
{
    m_initialisation.OnServerConnectionIsAliveChanged = std::move(handler);
}

void TInitialisationMonitorLink::StopMonitor() { m_initialisation.SetMonitorServerIsConnected(false); }
