// The sample import as the main window offers it, and the exit status of a batch run.
#include "MainWindowFakes.h"

#include "app/ImportActions.h"
#include "exchange/ExportFixture.h"
#include "exchange/ui/ImportSamplesXML_FRM.h"

#include <QLabel>
#include <QtTest>

class TestImportActions : public QObject
{
    Q_OBJECT
private slots:
    void importSamplesOpensTheScreenOfThePersonality();
    void batchExitStatus_data();
    void batchExitStatus();
};

void TestImportActions::importSamplesOpensTheScreenOfThePersonality()
{
    ExportStore s;
    Maindm = s.maindm.get();
    s.maindm->Personality = QStringLiteral("ANIMAL FEED");
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    QVERIFY(!window.IsActionAvailable(window.actSampleImportXML));
    InstallImportActions(window, *s.maindm);
    QVERIFY(window.IsActionAvailable(window.actSampleImportXML));
    window.actSampleImportXML->trigger();
    auto *screen = qobject_cast<TImportSamplesInfoFrm *>(TBasefrm::FindForm(&window, QStringLiteral("ImportSamplesData")));
    QVERIFY(screen);
    QVERIFY(screen->isVisible());
    QCOMPARE(screen->Personality(), QStringLiteral("ANIMAL FEED"));
    QCOMPARE(screen->windowTitle(), QStringLiteral("Import Samples Data"));
    delete screen;
    Maindm = nullptr;
}

void TestImportActions::batchExitStatus_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<int>("invalid");
    QTest::addColumn<bool>("uploaded");
    QTest::addColumn<int>("status");
    QTest::newRow("all well") << false << 0 << true << BatchExit::Done;
    QTest::newRow("invalid sample") << false << 1 << true << BatchExit::SampleInvalid;
    QTest::newRow("upload failed over invalid") << false << 1 << false << BatchExit::UploadFailed;
    QTest::newRow("stopped over everything") << true << 1 << false << BatchExit::ImportStopped;
}

void TestImportActions::batchExitStatus()
{
    QFETCH(bool, stopped);
    QFETCH(int, invalid);
    QFETCH(bool, uploaded);
    QFETCH(int, status);
    BatchImportResult result;
    result.stopped = stopped;
    result.imported = 2;
    result.invalid = invalid;
    QCOMPARE(BatchExitStatus(result, uploaded), status);
}

QTEST_MAIN(TestImportActions)
#include "tst_importactions.moc"
