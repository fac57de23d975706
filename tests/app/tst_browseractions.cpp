// The sample browser as the main window offers it: "Browse Samples" opens one modeless browser,
// which gets the office picker and the laboratory export engine while the actions live.
#include "MainWindowFakes.h"

#include "app/BrowserActions.h"
#include "exchange/ExportFixture.h"
#include "samples/ui/SampleBrowserAnimalFeed_FRM.h"
#include "samples/ui/SampleBrowser_FRM.h"

#include <QtTest>

class TestBrowserActions : public QObject
{
    Q_OBJECT
private slots:
    void browseSamplesOpensOneBrowserWithWhatItNeeds();
};

void TestBrowserActions::browseSamplesOpensOneBrowserWithWhatItNeeds()
{
    ExportStore s;
    Maindm = s.maindm.get();
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    QVERIFY(!window.IsActionAvailable(window.actShowActiveSamples));
    {
        const BrowserActions browsers(window, *s.maindm, *s.maindm, []() { return CentralServerSettings(); });
        QVERIFY(window.IsActionAvailable(window.actShowActiveSamples));
        window.ToggleActive(); // as after a login
        window.actShowActiveSamples->trigger();
        QPointer<TSampleBrowserFrm> browser =
            qobject_cast<TSampleBrowserFrm *>(TBasefrm::FindForm(&window, QStringLiteral("SampleBrowser")));
        QVERIFY(browser);
        QVERIFY(browser->isVisible());
        QVERIFY(!browser->isModal());
        QVERIFY(browser->Persist());
        QCOMPARE(browser->TabCodes().last(), QStringLiteral("ALL"));
        // Opened again: the same browser.
        window.actShowActiveSamples->trigger();
        QCOMPARE(window.findChildren<TSampleBrowserFrm *>().size(), 1);
        // The sample editor, the office picker and the export engine are there.
        QVERIFY(browser->actShowNewSample->isEnabled());
        QVERIFY(browser->actUpdateSampleOffice->isEnabled());
        QVERIFY(browser->actExportRecords->isEnabled());
        QVERIFY(browser->actExportToFile->isEnabled());
        // Closing frees it.
        browser->close();
        QTRY_VERIFY(!browser);

        // The feed browser, with the feed editor behind New.
        QVERIFY(window.IsActionAvailable(window.actShowActiveAFSamples));
        QPointer<TSampleBrowserFrm> feed = TBasefrm::CreateAndShow<TSampleBrowserAnimalFeedFrm>(
            TSampleBrowserAnimalFeedFrm::FormKey(), &window, false);
        QCOMPARE(feed->Config().personality, QStringLiteral("ANIMAL FEED"));
        QVERIFY(feed->actShowNewSample->isEnabled());
        feed->close();
        QTRY_VERIFY(!feed);
    }
    QVERIFY(!window.IsActionAvailable(window.actShowActiveSamples));
    QVERIFY(!window.IsActionAvailable(window.actShowActiveAFSamples));
    auto *later = TBasefrm::CreateAndShow<TSampleBrowserFrm>(QStringLiteral("SampleBrowser"), &window, false);
    QVERIFY(!later->actShowNewSample->isEnabled());
    QVERIFY(!later->actUpdateSampleOffice->isEnabled());
    QVERIFY(!later->actExportRecords->isEnabled());
    delete later;
    Maindm = nullptr;
}

QTEST_MAIN(TestBrowserActions)
#include "tst_browseractions.moc"
