// The sample XML export as the main window offers it: made after login, gone at close.
#include "MainWindowFakes.h"

#include "app/XmlExportActions.h"
#include "exchange/VRXSampleXML_DM.h"
#include "exchange/XmlFixture.h"
#include "exchange/ui/SampleExportToXML_FRM.h"

#include <QtTest>

class TestXmlExportActions : public QObject
{
    Q_OBJECT
private slots:
    void sampleExportOpensTheFormWhileTheGeneratorLives();
};

void TestXmlExportActions::sampleExportOpensTheFormWhileTheGeneratorLives()
{
    XmlStore store;
    FakeContext context;
    TMainfrm window(nullptr, &context);
    window.FormCreate();
    QVERIFY(!window.IsActionAvailable(window.actExportSamplesToXML));
    {
        const XmlExportActions xmlExport(window, *store.maindm);
        QVERIFY(VRXSampleXMLDM);
        QVERIFY(window.IsActionAvailable(window.actExportSamplesToXML));
        window.actExportSamplesToXML->trigger();
        auto *form = qobject_cast<TSampleExportToXMLFrm *>(TBasefrm::FindForm(&window, QStringLiteral("SampleExportFrm")));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        delete form;
    }
    QVERIFY(!VRXSampleXMLDM);
    QVERIFY(!window.IsActionAvailable(window.actExportSamplesToXML));
}

QTEST_MAIN(TestXmlExportActions)
#include "tst_xmlexportactions.moc"
