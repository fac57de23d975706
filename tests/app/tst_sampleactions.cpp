#include "app/SampleActions.h"
#include "MainWindowFakes.h"

#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleEdit_FRM.h"
#include "support/MainStore.h"

#include <QTest>
#include <QTimer>
#include <QUuid>

class TestSampleActions : public QObject
{
    Q_OBJECT

private slots:
    void newSampleOpensTheEditor();
    void feedNewSampleOpensTheFeedEditor();
};

void TestSampleActions::newSampleOpensTheEditor()
{
    MainStore store;
    TMaindm &settings = store.useSettings("LA1", "OF1");
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    QVERIFY(!window.IsActionAvailable(window.actNewSample));
    SampleActions::install(window, settings);
    window.ToggleActive();
    QVERIFY(window.IsActionAvailable(window.actNewSample) && window.actNewSample->isEnabled());

    // Food "New sample": the editor, modal under its key, on a new sample; abandoned, nothing is kept.
    bool seen = false;
    QTimer::singleShot(0, [&]() {
        auto *form = dynamic_cast<TSampleEditFrm *>(TBasefrm::FindForm(&window, TSampleEditFrm::FormKey()));
        seen = form && form->ShowingModal() && form->qryData_->state() == SqlDataSet::dsInsert
               && form->windowTitle().startsWith("New Sample.");
        if (form)
            form->actCancel->trigger();
    });
    window.actNewSample->trigger();
    QVERIFY(seen);
    QCOMPARE(TBasefrm::FindForm(&window, TSampleEditFrm::FormKey()), nullptr);
    QCOMPARE(store.db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt(), 0);

    // A browser opens an existing sample by its identity under the same key.
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    store.db.exec("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, RECORD_TYPE) VALUES (?, 'LA1000042', 'FOOD')", {uuid});
    QString opened;
    QTimer::singleShot(0, [&]() {
        if (auto *form = dynamic_cast<TSampleEditFrm *>(TBasefrm::FindForm(&window, TSampleEditFrm::FormKey()))) {
            opened = form->edtCode->text();
            form->actClose->trigger();
        }
    });
    auto defaults = std::make_unique<TSampleEditFrmDefaults>();
    defaults->uuid = uuid;
    TSampleEditFrm::ShowEditor(&window, std::move(defaults));
    QCOMPARE(opened, QString("LA1000042"));
    QCOMPARE(TBasefrm::FindForm(&window, TSampleEditFrm::FormKey()), nullptr);
}

void TestSampleActions::feedNewSampleOpensTheFeedEditor()
{
    MainStore store;
    TMaindm &settings = store.useSettings("LA1", "OF1");
    FakeContext context;
    context.personality = QStringLiteral("ANIMAL FEED");
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    SampleActions::install(window, settings);
    window.ToggleActive();
    QVERIFY(window.IsActionAvailable(window.actNewSampleAF) && window.actNewSampleAF->isEnabled());

    bool seen = false;
    QTimer::singleShot(0, [&]() {
        auto *form = dynamic_cast<TSampleEditAnimalFeedsFrm *>(
            TBasefrm::FindForm(&window, TSampleEditAnimalFeedsFrm::FormKey()));
        seen = form && form->ShowingModal() && form->qryData_->state() == SqlDataSet::dsInsert
               && form->qryData_->text("RECORD_TYPE") == "ANIMAL FEED";
        if (form)
            form->actCancel->trigger();
    });
    window.actNewSampleAF->trigger();
    QVERIFY(seen);
    QCOMPARE(TBasefrm::FindForm(&window, TSampleEditAnimalFeedsFrm::FormKey()), nullptr);
    QCOMPARE(store.db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt(), 0);
}

QTEST_MAIN(TestSampleActions)
#include "tst_sampleactions.moc"
