#include "app/ReferenceActions.h"
#include "MainWindowFakes.h"

#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "reference/ui/LocalAuthDepartmentMaint_FRM.h"
#include "reference/ui/LocalAuthOfficeMaint_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "support/MainStore.h"

#include <QTest>
#include <QTimer>

class TestReferenceActions : public QObject
{
    Q_OBJECT

private slots:
    void formsOpenUnderTheirKeys();
};

void TestReferenceActions::formsOpenUnderTheirKeys()
{
    MainStore store;
    TMaindm &settings = store.useSettings("LA1", "LA1N");
    FakeContext context;
    context.admin = true;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    ReferenceActions::install(window, settings);
    window.ApplySecurity();

    // The offices and the departments: modal, in maintenance, gone when closed.
    const auto modal = [&](QAction *action, const QString &key, auto *typed) {
        using Form = std::remove_pointer_t<decltype(typed)>;
        bool seen = false;
        QTimer::singleShot(0, [&]() {
            auto *form = dynamic_cast<Form *>(TBasefrm::FindForm(&window, key));
            seen = form && form->Mode() == mmoMaint && form->ShowingModal();
            if (form)
                form->actClose->trigger();
        });
        QVERIFY(window.IsActionAvailable(action));
        action->trigger();
        QVERIFY2(seen, qPrintable(key));
        QCOMPARE(TBasefrm::FindForm(&window, key), nullptr);
    };
    modal(window.actShowLocalAuthOffices, "LocalAuthOfficeMaintFrm", static_cast<TLocalAuthOfficeMaintFrm *>(nullptr));
    modal(window.actShowLocalAuthDepartments, "LocalAuthDepartmenteMaintFrm",
          static_cast<TLocalAuthDepartmentMaintFrm *>(nullptr));

    // The premises register: modeless, one form however often it is asked for.
    window.actShowPremisesMaintFrm->trigger();
    window.actShowPremisesMaintFrm->trigger();
    auto *food = dynamic_cast<TPremisesDetailMaintV5Frm *>(TBasefrm::FindForm(&window, "PremisesMaint"));
    QVERIFY(food && food->isVisible() && !food->ShowingModal());
    QCOMPARE(food->Mode(), mmoMaint);
    QCOMPARE(window.findChildren<TPremisesDetailMaintV5Frm *>().size(), 1);

    // The feed register takes the key once the food one is closed, as a switch of personality does.
    food->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.actShowAFPremisesMaint->trigger();
    auto *feed = dynamic_cast<TAFPremisesDetailMaintV5Frm *>(TBasefrm::FindForm(&window, "PremisesMaint"));
    QVERIFY(feed && feed->isVisible());
    QCOMPARE(feed->Mode(), mmoMaint);
    feed->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestReferenceActions)
#include "tst_referenceactions.moc"
