// The laboratory exchange as the main window offers it: made after login, gone at close.
#include "MainWindowFakes.h"

#include "app/ExchangeActions.h"
#include "exchange/ExportFixture.h"
#include "exchange/ui/SampleBatches_FRM.h"

#include <QTemporaryDir>
#include <QtTest>

class TestExchangeActions : public QObject
{
    Q_OBJECT
private slots:
    void exportedBatchesOpensTheHistoryWhileTheEngineLives();
};

void TestExchangeActions::exportedBatchesOpensTheHistoryWhileTheEngineLives()
{
    ExportStore s;
    Maindm = s.maindm.get();
    QTemporaryDir settings;
    TRegistryDM registry(settings.path());
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    QVERIFY(!window.IsActionAvailable(window.actShowSampleBatches));
    {
        const ExchangeActions exchange(window, *s.maindm, registry, ProxyLogin{});
        QVERIFY(SampleExportDM);
        QVERIFY(window.IsActionAvailable(window.actShowSampleBatches));
        window.actShowSampleBatches->trigger();
        auto *history = qobject_cast<TSampleBatchesFrm *>(TBasefrm::FindForm(&window, QStringLiteral("SampleBatches")));
        QVERIFY(history);
        QVERIFY(history->isVisible());
        // The engine opens its wizards only with a personality.
        QVERIFY_THROWS_EXCEPTION(VarnexError, SampleExportDM->RunExport(QString()));
        delete history;
    }
    QVERIFY(!SampleExportDM);
    QVERIFY(!window.IsActionAvailable(window.actShowSampleBatches));
    Maindm = nullptr;
}

QTEST_MAIN(TestExchangeActions)
#include "tst_exchangeactions.moc"
