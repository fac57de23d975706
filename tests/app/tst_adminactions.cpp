#include "app/AdminActions.h"
#include "MainWindowFakes.h"

#include "base/Prompter.h"
#include "core/ui/Setup_FRM.h"
#include "layouts/GridViewStorage_DM.h"
#include "reference/ui/SampleOfficerMaint_FRM.h"
#include "support/MainStore.h"
#include "sync/ui/UpdateRemoteLookupData_FRM.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestAdminActions : public QObject
{
    Q_OBJECT

private slots:
    void formsOpenUnderTheirKeysWhileTheLayoutStoreLives();
};

void TestAdminActions::formsOpenUnderTheirKeysWhileTheLayoutStoreLives()
{
    RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    MainStore store;
    TMaindm &maindm = store.useSettings("LA1", "LA1N");
    QTemporaryDir program;
    TRegistryDM registry(program.path());
    FakeContext context;
    context.admin = true;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    {
        const AdminActions admin(window, maindm, registry, ProxyLogin());
        window.ApplySecurity();
        QVERIFY(GridViewStorageDm);
        for (QAction *a : {window.actUpdateLookupDataTables, window.actShowSetupFrm, window.actShowSampleOfficers})
            QVERIFY2(window.IsActionAvailable(a) && a->isEnabled(), qPrintable(a->objectName()));

        // The lookup refresh: modal, gone when closed.
        bool modal = false;
        QTimer::singleShot(0, [&]() {
            auto *form = dynamic_cast<TUpdateRemoteLookupDataFrm *>(TBasefrm::FindForm(&window, "LookupUpdate"));
            modal = form && form->ShowingModal();
            if (form)
                form->actClose->trigger();
        });
        window.actUpdateLookupDataTables->trigger();
        QVERIFY(modal);
        QCOMPARE(TBasefrm::FindForm(&window, "LookupUpdate"), nullptr);

        // The setup form: modeless, kept when closed and shown again.
        window.actShowSetupFrm->trigger();
        auto *setup = dynamic_cast<TSetupFrm *>(TBasefrm::FindForm(&window, "Setup"));
        QVERIFY(setup && setup->isVisible() && !setup->ShowingModal());
        QCOMPARE(setup->lblServerAddress->text(), registry.ServerAddress());
        setup->close();
        window.actShowSetupFrm->trigger();
        QCOMPARE(TBasefrm::FindForm(&window, "Setup"), setup);
        QVERIFY(setup->isVisible());

        // The officers: modeless, in maintenance.
        window.actShowSampleOfficers->trigger();
        auto *officers = dynamic_cast<TSampleOfficerMaintFrm *>(TBasefrm::FindForm(&window, "SampleOfficers"));
        QVERIFY(officers && officers->isVisible() && officers->Mode() == mmoMaint);
        QVERIFY(officers->actStoreGridLayout->isEnabled());
        officers->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCOMPARE(GridViewStorageDm, nullptr);
    QVERIFY(!window.IsActionAvailable(window.actShowSetupFrm));
    QVERIFY2(prompter.calls().isEmpty(), qPrintable(prompter.texts().join('\n')));
}

QTEST_MAIN(TestAdminActions)
#include "tst_adminactions.moc"
