#include "core/ui/About_FRM.h"
#include "gui/Base_FRM.h"
#include "app/Main_FRM.h"
#include "MainWindowFakes.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Registry_DM.h"
#include "base/VarnexError.h"

#include <QComboBox>
#include <QScopeGuard>
#include <QSet>
#include <QShortcut>
#include <QToolBar>
#include <QWidgetAction>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class OwnedFrm : public TBasefrm
{
    Q_OBJECT
public:
    using TBasefrm::TBasefrm;
};

const QStringList AdminActions = {
    QStringLiteral("actShowSetupFrm"),         QStringLiteral("actShowSampleOfficers"),
    QStringLiteral("actShowLocalAuthOffices"), QStringLiteral("actShowPremisesMaintFrm"),
    QStringLiteral("actShowAFPremisesMaint"),  QStringLiteral("actShowOptionalLookupListMaint"),
    QStringLiteral("actShowOptionalLookupListAFMaint"),
};

} // namespace

class TestMainfrm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_prompter.clear();
        m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
    }
    void cleanup() { m_scope.reset(); }

    // What the action list is for, rather than its entries one by one: every action can be told
    // apart and found, reaches the user with a caption, and says why when it cannot be used.
    void everyActionIsNamedCaptionedAndExplained()
    {
        FakeContext context;
        TMainfrm w(nullptr, &context);
        QVERIFY(!w.Actions().isEmpty());
        QSet<QString> names;
        for (QAction *a : w.Actions()) {
            const QString name = a->objectName();
            QVERIFY2(name.startsWith(QLatin1String("act")), qPrintable(name));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QCOMPARE(w.FindAction(name), a);
            QVERIFY2(!a->text().trimmed().isEmpty(), qPrintable(name));
            QVERIFY2(QList<int>({0, 1, 2}).contains(TMainfrm::ActionTag(a)), qPrintable(name));
            if (!w.IsActionAvailable(a)) {
                QVERIFY2(!a->isEnabled(), qPrintable(name));
                QCOMPARE(a->toolTip(), TMainfrm::NotAvailableText());
            } else if (w.IsActionPermitted(a) && a->isVisible()) {
                QVERIFY2(a->isEnabled(), qPrintable(name));
                QCOMPARE(a->toolTip(), a->text().trimmed());
            }
        }
        // A key combination starts one thing only.
        QList<QKeySequence> keys;
        for (QAction *a : w.findChildren<QAction *>())
            keys << a->shortcuts();
        for (QShortcut *shortcut : w.findChildren<QShortcut *>())
            keys << shortcut->key();
        keys.removeAll(QKeySequence());
        QCOMPARE(QSet<QKeySequence>(keys.begin(), keys.end()).size(), keys.size());
    }

    // Each item of a menu or the tool bar runs one of the window's actions (its own or through an
    // item that follows it), so that rights and personality reach everything the user can click.
    void everyMenuAndToolBarItemFollowsAnAction()
    {
        FakeContext context;
        TMainfrm w(nullptr, &context);
        const QList<QAction *> own = w.Actions() + QList<QAction *>{w.mnuExit, w.mnuAbout, w.mnuCategoryTree};
        QList<QAction *> items = w.ToolBar->actions();
        for (QMenu *menu : {w.mnuFile, w.mnuReference, w.mnuHelp})
            items += menu->actions();
        for (QAction *item : std::as_const(items)) {
            if (item->isSeparator() || qobject_cast<QWidgetAction *>(item))
                continue;
            if (own.contains(item))
                continue;
            // An item with its own text follows the action whose name it bears.
            QString source = item->objectName();
            QVERIFY2(source.endsWith(QLatin1String("Item")), qPrintable(item->text()));
            source.chop(4);
            QAction *action = w.FindAction(source);
            QVERIFY2(action, qPrintable(item->objectName()));
            w.SetActionHandler(action, []() {});
            QCOMPARE(item->isEnabled(), action->isEnabled());
            w.SetActionHandler(action, {});
            QCOMPARE(item->isEnabled(), action->isEnabled());
        }
    }

    void formsOfLaterModulesAreDisabledUntilRegistered()
    {
        FakeContext context;
        context.admin = true;
        TMainfrm w(nullptr, &context);
        w.ApplySecurity();
        QVERIFY(!w.actShowSetupFrm->isEnabled());
        QCOMPARE(w.actShowSetupFrm->toolTip(), TMainfrm::NotAvailableText());
        QVERIFY(!w.actSyncDataWithServer->isEnabled()); // no controller yet
        int opened = 0;
        w.SetActionHandler(w.actShowSetupFrm, [&]() { ++opened; });
        QVERIFY(w.actShowSetupFrm->isEnabled());
        w.actShowSetupFrm->trigger();
        QCOMPARE(opened, 1);
    }

    void rightsFollowTheAdministratorFlag_data()
    {
        QTest::addColumn<bool>("admin");
        QTest::newRow("authority administrator") << true;
        QTest::newRow("plain officer") << false;
    }
    void rightsFollowTheAdministratorFlag()
    {
        QFETCH(bool, admin);
        FakeContext context;
        context.admin = admin;
        TMainfrm w(nullptr, &context);
        for (QAction *a : w.Actions())
            w.SetActionHandler(a, []() {});
        w.ApplySecurity();
        for (const QString &name : AdminActions)
            QVERIFY2(w.FindAction(name)->isEnabled() == admin, qPrintable(name));
        // Other actions keep their state.
        QVERIFY(w.actExportSamplesToXML->isEnabled());
        QVERIFY(w.actSyncDataWithServer->isEnabled());
    }

    void failingRightsReadGrantsNothing()
    {
        class BrokenContext : public FakeContext
        {
        public:
            bool UserIsAdmin() override { throw VarnexError(QStringLiteral("store closed")); }
        } context;
        TMainfrm w(nullptr, &context);
        for (QAction *a : w.Actions())
            w.SetActionHandler(a, []() {});
        w.ApplySecurity();
        QVERIFY(!w.actShowSetupFrm->isEnabled());
        QVERIFY(m_prompter.texts(Prompter::Kind::Error).contains(QStringLiteral("store closed")));
    }

    void afterLoginSetsCaptionAndEnablesSampleWork()
    {
        FakeContext context;
        context.personality = QStringLiteral("ANIMAL FEED");
        FakeSync sync;
        TMainfrm w(nullptr, &context);
        w.FormCreate();
        for (QAction *a : w.Actions())
            w.SetActionHandler(a, []() {});
        w.SetSyncController(&sync);
        QVERIFY(!w.actNewSampleAF->isEnabled());
        w.AfterLogin();
        // The run mode brings its own separator; the caption does not add a second one.
        QCOMPARE(w.windowTitle(), Varnex::ProductTitle + " - Varnex Desktop: for user officer@demo.example");
        QVERIFY(w.IsActive);
        QVERIFY(w.actNewSampleAF->isEnabled());
        QVERIFY(!w.actCheckInstall->isVisible());
        QVERIFY(!w.actLogSupportIncident->isVisible());
        QCOMPARE(w.cbPersonality->currentIndex(), 1);
        QCOMPARE(context.personalityWrites, 0); // showing the logged-in personality is no switch
        QCOMPARE(sync.runs, 1);
    }

    void personalitySwitch_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("toIndex");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("banner");
        QTest::addColumn<int>("shownTag");
        QTest::newRow("food to feed") << "FOOD" << 1 << "ANIMAL FEED" << "Animal Feed Sampling" << 2;
        QTest::newRow("feed to food") << "ANIMAL FEED" << 0 << "FOOD" << "Food Sampling" << 1;
    }
    void personalitySwitch()
    {
        QFETCH(QString, from);
        QFETCH(int, toIndex);
        QFETCH(QString, to);
        QFETCH(QString, banner);
        QFETCH(int, shownTag);
        FakeContext context;
        context.personality = from;
        TMainfrm w(nullptr, &context);
        w.FormCreate();
        w.AfterLogin();
        w.show();
        QPointer<TBasefrm> editor = TBasefrm::CreateAndShow<OwnedFrm>(QStringLiteral("SampleEdit"), &w, false);
        QPointer<TBasefrm> browser = TBasefrm::CreateAndShow<OwnedFrm>(QStringLiteral("SampleBrowser"), &w, false);
        QWidget stranger; // not owned by the window
        stranger.show();
        QVERIFY(editor && editor->isVisible() && browser && browser->isVisible());

        w.cbPersonality->setCurrentIndex(toIndex);

        QCOMPARE(context.personality, to);
        QVERIFY(!editor || !editor->isVisible());
        QVERIFY(!browser || !browser->isVisible());
        QTRY_VERIFY(!editor && !browser);
        QVERIFY(stranger.isVisible());
        QCOMPARE(w.pnlFood->isVisibleTo(&w), to == QLatin1String("FOOD"));
        QCOMPARE(w.pnlAnimalFeed->isVisibleTo(&w), to == QLatin1String("ANIMAL FEED"));
        const QLabel *shown = to == QLatin1String("FOOD") ? w.pnlFood : w.pnlAnimalFeed;
        QCOMPARE(shown->text(), banner);
        for (QAction *a : w.Actions()) {
            if (a == w.actSaveLookupdatetoFile)
                continue;
            const int tag = TMainfrm::ActionTag(a);
            QVERIFY2(a->isVisible() == (tag == 0 || tag == shownTag), qPrintable(a->objectName()));
        }
        QVERIFY(!w.actSaveLookupdatetoFile->isVisible());
    }

    void statusPaneFollowsMonitorAndController()
    {
        FakeContext context;
        FakeMonitor monitor;
        monitor.message = QStringLiteral("Server OK");
        FakeSync sync;
        TMainfrm w(nullptr, &context);
        w.SetServerMonitor(&monitor);
        w.SetSyncController(&sync);
        QCOMPARE(w.ServerStatusPane->text(), QStringLiteral("Server OK"));
        QCOMPARE(w.syncStatusPanel->text(), QStringLiteral("Sync status"));
        monitor.message = QStringLiteral("Offline");
        QVERIFY(monitor.handler);
        monitor.handler();
        QCOMPARE(w.ServerStatusPane->text(), QStringLiteral("Offline"));

        w.SyncControllerSyncEvent(10, 9, QStringLiteral("_dyn_sample"), 5);
        QCOMPARE(w.syncStatusPanel->text(), QStringLiteral("Syncing _dyn_sample"));
        QCOMPARE(w.syncProgress->maximum(), 10);
        QCOMPARE(w.syncProgress->value(), 10);
        w.SyncControllerSyncEvent(10, 9, QStringLiteral("_dyn_sample"), 6);
        QCOMPARE(w.syncStatusPanel->text(), QString());
        sync.status = QStringLiteral("Sync in progress...");
        w.SyncControllerSyncStatusChange();
        QCOMPARE(w.syncStatusPanel->text(), QStringLiteral("Sync in progress..."));
    }

    void doubleClickOnSyncStatus_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("runs");
        QTest::newRow("sleeping") << "Sync sleeping." << 1;
        QTest::newRow("in progress") << "Sync in progress..." << 0;
        QTest::newRow("syncing a table") << "Syncing sample" << 0;
        QTest::newRow("before the first pass") << "Sync status" << 0;
    }
    void doubleClickOnSyncStatus()
    {
        QFETCH(QString, text);
        QFETCH(int, runs);
        FakeContext context;
        FakeSync sync;
        TMainfrm w(nullptr, &context);
        w.SetSyncController(&sync);
        w.syncStatusPanel->setText(text);
        w.show();
        QTest::mouseDClick(w.syncStatusPanel, Qt::LeftButton);
        QCOMPARE(sync.runs, runs);
    }

    void clickOnProgressTogglesTheLog()
    {
        FakeContext context;
        TMainfrm w(nullptr, &context);
        QWidget log;
        w.SetSyncLogWindow(&log);
        w.show();
        QTest::mouseClick(w.syncProgress, Qt::LeftButton);
        QVERIFY(log.isVisible());
        QTest::mouseClick(w.syncProgress, Qt::LeftButton);
        QVERIFY(!log.isVisible());
    }

    void closeWhileOfflineClosesAtOnce()
    {
        FakeContext context;
        FakeMonitor monitor;
        FakeSync sync;
        TMainfrm w(nullptr, &context);
        w.SetServerMonitor(&monitor);
        w.SetSyncController(&sync);
        w.show();
        QVERIFY(w.close() || !w.isVisible());
        QVERIFY(!w.isVisible());
        QCOMPARE(sync.runs, 0);
        QVERIFY(monitor.stopped);
        QVERIFY(!monitor.handler);
        QCOMPARE(w.ServerStatusPane->text(), QStringLiteral("Not monitoring"));
    }

    void closeWhileOnlineRunsOneLastPass_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("runs");
        QTest::newRow("idle: one more pass") << false << 1;
        QTest::newRow("pass running: waits for it") << true << 0;
    }
    void closeWhileOnlineRunsOneLastPass()
    {
        QFETCH(bool, running);
        QFETCH(int, runs);
        FakeContext context;
        FakeMonitor monitor;
        monitor.alive = true;
        FakeSync sync;
        if (running) {
            sync.active = true;
            QTimer::singleShot(0, &sync.lifetime, [&sync]() { sync.active = false; });
        }
        TMainfrm w(nullptr, &context);
        w.SetServerMonitor(&monitor);
        w.SetSyncController(&sync);
        w.show();
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(sync.runs, runs);
        QVERIFY(!sync.active);
        QVERIFY(monitor.stopped);
        QVERIFY(!sync.listening);
    }

    void escapeDoesNotCloseTheWindow()
    {
        FakeContext context;
        TMainfrm w(nullptr, &context);
        w.show();
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(w.isVisible());
    }

    // The departments are never offered; the structure check, which no menu of the original
    // carries, is offered on the File menu.
    void menusLeaveOutDepartmentsAndOfferTheStructureCheck()
    {
        FakeContext context;
        TMainfrm w(nullptr, &context);
        QVERIFY(w.mnuFile->actions().contains(w.actCheckDBStructure));
        for (QMenu *menu : {w.mnuFile, w.mnuReference, w.mnuHelp})
            QVERIFY(!menu->actions().contains(w.actShowLocalAuthDepartments));
    }

    void aboutShowsTheInstallationLinks()
    {
        QTemporaryDir folder;
        QFile ini(folder.filePath(TRegistryDM::defaultFileName()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Contact]\nWebsite=https://sampling.example/\nHelplineNumber=0100 200 300\n");
        ini.close();
        TRegistryDM registry(folder.path());
        const auto restore = qScopeGuard([previous = RegistryDM]() { RegistryDM = previous; });
        RegistryDM = &registry;
        FakeContext context;
        TMainfrm w(nullptr, &context);
        {
            TAboutFrm about(&w);
            QCOMPARE(about.windowTitle(), QStringLiteral("About"));
            QCOMPARE(about.lblHelpline->text(), QStringLiteral("0100 200 300"));
            QVERIFY(about.lblWebsite->text().contains(QStringLiteral("href=\"https://sampling.example/\"")));
            QCOMPARE(about.btnClose->text(), QStringLiteral("Close"));
            about.show();
            about.btnClose->click();
            QVERIFY(!about.isVisible());
        }
    }

private:
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

QTEST_MAIN(TestMainfrm)
#include "tst_mainfrm.moc"
