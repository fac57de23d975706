#include "app/TemplateActions.h"
#include "MainWindowFakes.h"

#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"
#include "samples/ui/SampleTemplateBrowser_FRM.h"
#include "support/MainStore.h"

#include <QTest>

class TestTemplateActions : public QObject
{
    Q_OBJECT

private slots:
    void templateListsOpenNotModally();
};

void TestTemplateActions::templateListsOpenNotModally()
{
    MainStore store;
    store.useSettings("LA1", "OF1");
    store.db.exec("INSERT INTO SAMPLE_TEMPLATE (UNIQUE_UUID, RECORD_TYPE, TEMPLATE_DESCRIPTION) "
                  "VALUES ('11111111-2222-3333-4444-555555555555', 'ANIMAL FEED', 'Mill')");
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    TemplateActions::install(window);
    window.ToggleActive();

    window.actShowSampleTemplates->trigger();
    auto *food = dynamic_cast<TSampleTemplateBrowserFrm *>(TBasefrm::FindForm(&window, "SampleTemplates"));
    QVERIFY(food && food->isVisible() && !food->ShowingModal());
    QCOMPARE(food->Personality(), QString("FOOD"));
    QCOMPARE(food->qryIBOSample->rowCount(), 0);

    window.actShowSampleTemplatesAF->trigger();
    auto *feed = dynamic_cast<TSampleTemplateAnimalFeedsBrowserFrm *>(
        TBasefrm::FindForm(&window, "SampleTemplatesAnimalFeeds"));
    QVERIFY(feed && feed->isVisible() && !feed->ShowingModal());
    QCOMPARE(feed->qryIBOSample->rowCount(), 1);
    feed->close();
    food->close();
}

QTEST_MAIN(TestTemplateActions)
#include "tst_templateactions.moc"
