// The "Sample export" form, offscreen, with the recording prompter, on a local store.
#include "exchange/XmlFixture.h"

#include "base/Prompter.h"
#include "exchange/SampleExportToXml_DM.h"
#include "exchange/ui/SampleExportToXML_FRM.h"
#include "exchange/ui/SampleXmlExportCommand.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class TestSampleExportForm : public QObject
{
    Q_OBJECT
private slots:
    void opensWithItsDefaults();
    void exportsMarksAndSaysWhenNothingIsLeft();
    void browserCommandShowsWhatWentWrong();
};

void TestSampleExportForm::opensWithItsDefaults()
{
    XmlStore store;
    QWidget owner;
    auto *form = TBasefrm::CreateAndShow<TSampleExportToXMLFrm>("SampleExportFrm", &owner, false);
    QVERIFY(form);
    QVERIFY(form->windowTitle().startsWith("Sample export"));
    QVERIFY(form->chkAllSamples->isChecked());
    QCOMPARE(form->chkAllSamples->text(), QString("Only samples that have been added or have changed since last export"));
    QVERIFY(!form->chkSamplesTakenSince->isChecked());
    QCOMPARE(form->chkSamplesTakenSince->text(), QString("Only samples taken since :"));
    QVERIFY(!form->edtSampleDate->isEnabled());

    // Each change of the box sets the date a week back again.
    form->chkSamplesTakenSince->setChecked(true);
    QVERIFY(form->edtSampleDate->isEnabled());
    QCOMPARE(form->edtSampleDate->date(), QDate(2024, 5, 10));
    form->edtSampleDate->setDate(QDate(2023, 1, 1));
    form->chkSamplesTakenSince->setChecked(false);
    QVERIFY(!form->edtSampleDate->isEnabled());
    QCOMPARE(form->edtSampleDate->date(), QDate(2024, 5, 10));

    const QString shots = qEnvironmentVariable("VARNEX_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        form->chkSamplesTakenSince->setChecked(true);
        form->lblCount->setText("(12 samples)");
        form->meter->setRange(0, 12);
        form->meter->setValue(7);
        form->StatusBar->showMessage("12 samples exported to /home/officer/exports/samples.xml");
        QVERIFY(form->grab().save(shots + "/sampleexport.png"));
    }
    delete form;
}

void TestSampleExportForm::exportsMarksAndSaysWhenNothingIsLeft()
{
    XmlStore store;
    const QString a = store.addSample({{"CODE", "A"}});
    const QString b = store.addSample({{"CODE", "B"}});
    store.addSample({{"CODE", "V"}, {"SAMPLE_STATUS__CODE", "VALIDATED"}});
    RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    QTemporaryDir dir;
    const QString path = dir.filePath("export.xml");
    prompter.queueFileName(path);

    QWidget owner;
    auto *form = TBasefrm::CreateAndShow<TSampleExportToXMLFrm>("SampleExportFrm", &owner, false);
    form->actExportSamples->trigger();
    QVERIFY2(prompter.texts(Prompter::Kind::Error).isEmpty(), qPrintable(prompter.texts().join('\n')));
    QCOMPARE(form->lblCount->text(), QString("(2 samples)"));
    QCOMPARE(form->meter->value(), 2);
    QCOMPARE(form->meter->maximum(), 2);
    QVERIFY(form->StatusBar->currentMessage().startsWith("2 samples exported to "));
    QCOMPARE(sampleNumbers(LoadQOVAData(path)), (QStringList{"A", "B"}));
    QCOMPARE(store.flag(a), QString("F"));
    QCOMPARE(store.flag(b), QString("F"));
    QVERIFY(form->actExportSamples->isEnabled());

    form->actExportSamples->trigger();
    QCOMPARE(form->lblCount->text(), QString("(0 samples)"));
    QCOMPARE(prompter.texts(Prompter::Kind::Error), QStringList{"There are no completed samples to be exported"});
    QCOMPARE(prompter.texts(Prompter::Kind::SaveFile).size(), 1);
    delete form;
}

void TestSampleExportForm::browserCommandShowsWhatWentWrong()
{
    XmlStore store;
    const QString a = store.addSample({{"CODE", "A"}, {"SAMPLE_STATUS__CODE", "ENTERED"}});
    RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    QTemporaryDir dir;

    // No row selected: nothing is asked or shown.
    QCOMPARE(SampleXmlExportCommand::ExportSelectedSamples({}), std::optional<QString>());
    QVERIFY(prompter.calls().isEmpty());

    // Rows no longer in the store: the officer is told, no file is asked for.
    QCOMPARE(SampleXmlExportCommand::ExportSelectedSamples({"00000000-0000-0000-0000-000000000000"}),
             std::optional<QString>());
    QCOMPARE(prompter.texts(Prompter::Kind::Error), QStringList{"There are no samples to be exported"});
    QVERIFY(prompter.texts(Prompter::Kind::SaveFile).isEmpty());

    const QString path = dir.filePath("selected.xml");
    prompter.queueFileName(path);
    QCOMPARE(SampleXmlExportCommand::ExportSelectedSamples({a, a}), std::optional<QString>(path));
    QCOMPARE(sampleNumbers(LoadQOVAData(path)), QStringList{"A"});
    QCOMPARE(prompter.texts(Prompter::Kind::Error).size(), 1);
}

QTEST_MAIN(TestSampleExportForm)
#include "tst_sampleexportform.moc"
