// The laboratory export wizards and the export batch history, offscreen, with the recording
// prompter; deliveries go to a real varnex-server.
#include "exchange/ExportFixture.h"

#include "base/Prompter.h"
#include "data/GridModel.h"
#include "exchange/ui/CheckListModel.h"
#include "exchange/ui/ExportLabToFile_FRM.h"
#include "exchange/ui/ExportLab_FRM.h"
#include "exchange/ui/SampleBatches_FRM.h"
#include "support/ServerProcess.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What the officers and the wizard see: Jo has two food samples for LAB1, Pat one for LAB2, Fay
// one animal-feed sample for LAB3.
void seedThreeLaboratories(ExportStore &s)
{
    ExportStore::Sample jo;
    s.addSample(jo);
    s.addSample(jo);
    ExportStore::Sample pat;
    pat.officerCode = QStringLiteral("ON");
    pat.officerName = QStringLiteral("Pat O'Neil");
    pat.lab = QStringLiteral("LAB2");
    pat.labDescription = QStringLiteral("Coastal Lab & Co");
    s.addSample(pat);
    ExportStore::Sample fay;
    fay.officerCode = QStringLiteral("FF");
    fay.officerName = QStringLiteral("Fay Feed");
    fay.lab = QStringLiteral("LAB3");
    fay.recordType = QStringLiteral("ANIMAL FEED");
    s.addSample(fay);
}

QStringList listTexts(const QAbstractItemModel *model)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString();
    return texts;
}

QStringList radioTexts(const TExportLabWizard *w)
{
    QStringList texts;
    for (const QRadioButton *item : w->labItems)
        texts << item->text();
    return texts;
}

void tick(TExportLabWizard *w, const QString &officer)
{
    const int row = int(listTexts(w->officerChecks).indexOf(officer));
    QVERIFY2(row >= 0, qPrintable(officer));
    w->officerChecks->setData(w->officerChecks->index(row, 0), Qt::Checked, Qt::CheckStateRole);
}

// Ticks the officer and goes on to the send page with the first laboratory.
void walkToSendPage(TExportLabWizard *w, const QString &officer)
{
    tick(w, officer);
    w->btnNext->click();
    w->labItems.at(0)->click();
    w->btnNext->click();
    QCOMPARE(w->CurrentPage(), TExportLabWizard::SendPage);
}

template<class Wizard>
Wizard *openWizard(QObject *owner, const QString &personality)
{
    auto *w = TBasefrm::Create<Wizard>(owner);
    auto defaults = std::make_unique<TExportLabFrmDefaults>();
    defaults->Personality = personality;
    w->InitialiseDefaults(std::move(defaults));
    w->show();
    return w;
}

} // namespace

class TestExportWizards : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void officersPageNeedsATickedOfficer();
    void laboratoryPageCountsTheTickedOfficersSamples();
    void aSingleLaboratoryIsChosenAtOnce();
    void postboxWizardSendsOnceAndFinishes();
    void failedSendLeavesTheWizardAsItWas();
    void fileWizardSavesOnlyIntoAChosenFolder();
    void batchHistoryListsThisPersonalitysBatchesNewestFirst();
    void batchHistoryResendsAndResaves();

private:
    CentralServerSettings settings() const
    {
        CentralServerSettings s;
        s.serverAddress = m_server.url();
        return s;
    }
    void startEngine(ExportStore &s)
    {
        Maindm = s.maindm.get();
        Maindm->Personality = QStringLiteral("FOOD");
        m_engine = std::make_unique<TSampleExportDM>(*s.maindm, [this]() { return settings(); });
        SampleExportDM = m_engine.get();
    }

    ServerProcess m_server;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
    std::unique_ptr<TSampleExportDM> m_engine;
};

void TestExportWizards::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestExportWizards::init()
{
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestExportWizards::cleanup()
{
    SampleExportDM = nullptr;
    m_engine.reset(); // the wizards it owns go with it
    Maindm = nullptr;
    m_scope.reset();
}

void TestExportWizards::officersPageNeedsATickedOfficer()
{
    ExportStore s;
    seedThreeLaboratories(s);
    startEngine(s);
    auto *w = openWizard<TExportLabFrm>(m_engine.get(), QStringLiteral("FOOD"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Choose laboratory to receive export"));
    QCOMPARE(w->lblHeader->text(), QStringLiteral("  Food samples export"));
    QVERIFY(!w->RzPanel1->isVisible());
    QCOMPARE(w->CurrentPage(), TExportLabWizard::OfficersPage);
    QCOMPARE(listTexts(w->lstRouteMap->model()),
             (QStringList{"Choose Sampling officers", "Select the laboratory", "Send to laboratory"}));
    // Officers with validated samples of the personality, none ticked.
    QCOMPARE(listTexts(w->officerChecks), (QStringList{"Jo Bloggs", "Pat O'Neil"}));
    QVERIFY(!w->btnNext->isEnabled());
    QVERIFY(!w->btnBack->isVisible());
    tick(w, QStringLiteral("Pat O'Neil"));
    QVERIFY(w->btnNext->isEnabled());
    w->officerChecks->setData(w->officerChecks->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    QVERIFY(!w->btnNext->isEnabled());

    // The file wizard offers the officers of either personality.
    auto *f = openWizard<TExportLabToFileFrm>(m_engine.get(), QStringLiteral("ANIMAL FEED"));
    QCOMPARE(listTexts(f->officerChecks), (QStringList{"Fay Feed", "Jo Bloggs", "Pat O'Neil"}));
    QCOMPARE(f->lblHeader->text(), QStringLiteral("  Animal feed samples export"));
    QCOMPARE(f->RzPanel2->palette().color(QPalette::Window), QColor(234, 255, 230));
    delete f;
    delete w;
}

void TestExportWizards::laboratoryPageCountsTheTickedOfficersSamples()
{
    ExportStore s;
    seedThreeLaboratories(s);
    startEngine(s);
    auto *w = openWizard<TExportLabFrm>(m_engine.get(), QStringLiteral("FOOD"));
    // Every laboratory with validated samples of the personality, not counted yet, none chosen.
    QCOMPARE(radioTexts(w), (QStringList{"Not asigned yet", "Not asigned yet"}));
    QCOMPARE(w->SelectedLab(), -1);

    tick(w, QStringLiteral("Jo Bloggs"));
    w->btnNext->click();
    QCOMPARE(w->CurrentPage(), TExportLabWizard::LabPage);
    // A laboratory without samples of the ticked officers stays, counted 0; "&" shows as itself.
    QCOMPARE(radioTexts(w), (QStringList{"County Laboratory (2 samples)", "Coastal Lab && Co (0 samples)"}));
    QCOMPARE(w->SelectedLab(), 0); // the postbox wizard chooses the first
    QVERIFY(w->btnNext->isEnabled());
    w->labItems.at(1)->click();
    QVERIFY(!w->btnNext->isEnabled());

    w->btnBack->click();
    tick(w, QStringLiteral("Pat O'Neil"));
    w->btnNext->click();
    QCOMPARE(radioTexts(w), (QStringList{"County Laboratory (2 samples)", "Coastal Lab && Co (1 sample)"}));
    w->labItems.at(1)->click();
    QVERIFY(w->btnNext->isEnabled());
    QCOMPARE(w->LabCaption(1), QStringLiteral("Coastal Lab & Co (1 sample)"));

    // The file wizard keeps the officer's choice of laboratory when it comes back.
    auto *f = openWizard<TExportLabToFileFrm>(m_engine.get(), QStringLiteral("FOOD"));
    tick(f, QStringLiteral("Pat O'Neil"));
    f->btnNext->click();
    QCOMPARE(f->SelectedLab(), -1);
    QVERIFY(!f->btnNext->isEnabled());
    f->labItems.at(1)->click();
    f->btnBack->click();
    f->btnNext->click();
    QCOMPARE(f->SelectedLab(), 1);
    delete f;
    delete w;
}

void TestExportWizards::aSingleLaboratoryIsChosenAtOnce()
{
    ExportStore s;
    s.addSample({});
    startEngine(s);
    auto *w = openWizard<TExportLabToFileFrm>(m_engine.get(), QStringLiteral("FOOD"));
    QCOMPARE(radioTexts(w), QStringList{"Not asigned yet"});
    QCOMPARE(w->SelectedLab(), 0);
    delete w;
}

void TestExportWizards::postboxWizardSendsOnceAndFinishes()
{
    ExportStore s;
    seedThreeLaboratories(s);
    startEngine(s);
    auto *w = openWizard<TExportLabFrm>(m_engine.get(), QStringLiteral("FOOD"));
    walkToSendPage(w, QStringLiteral("Jo Bloggs"));
    QVERIFY(!w->btnFinish->isEnabled());
    QVERIFY(w->btnSend->isEnabled());
    QCOMPARE(w->btnSend->text(), QStringLiteral("Send file"));
    const QRegularExpression number(QStringLiteral("Batch number: (\\d+)"));
    const qint64 first = number.match(w->memComment->toPlainText()).captured(1).toLongLong();
    QVERIFY(first > 0);
    // Going back and forth gives a fresh cover text with a new number, whatever was typed.
    w->memComment->setPlainText(QStringLiteral("edited"));
    w->btnBack->click();
    w->btnNext->click();
    const QString cover = w->memComment->toPlainText();
    const qint64 second = number.match(cover).captured(1).toLongLong();
    QVERIFY(second > first);
    QCOMPARE(m_engine->ExportBatchId(), second);

    w->btnSend->click();
    // Under way: the bar moves, nothing can be pressed, the wizard does not close.
    QVERIFY(w->pbBusy->isVisible());
    QVERIFY(!w->btnSend->isEnabled() && !w->btnBack->isEnabled() && !w->btnCancel->isEnabled());
    w->close();
    QVERIFY(w->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!w->pbBusy->isVisible(), 30000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Information),
             QStringList{"Samples have been successfully sent to the Laboratory's postbox."});
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).isEmpty());
    QVERIFY(w->btnFinish->isEnabled());
    QVERIFY(!w->btnSend->isEnabled() && !w->btnBack->isEnabled() && !w->btnCancel->isEnabled());
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH WHERE UNIQUE_ID = ?"), {second}), 1);
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT LABORATORY_NAME FROM EXPORT_BATCH")).toString(),
             QStringLiteral("County Laboratory (2 samples)"));

    QPointer<TExportLabFrm> guard(w);
    w->btnFinish->click();
    QVERIFY(!w->isVisible());
    auto answer = TakeReturnInfo<TExportLabFrmReturnInfo>(*m_engine);
    QVERIFY(answer);
    QCOMPARE(answer->LabCode, QStringLiteral("LAB1"));
    QCOMPARE(answer->OfficerList, QStringList{"Jo Bloggs"});
    QCOMPARE(answer->Personality, QStringLiteral("FOOD"));
    delete guard.data();
}

void TestExportWizards::failedSendLeavesTheWizardAsItWas()
{
    ExportStore s;
    seedThreeLaboratories(s);
    startEngine(s);
    auto *w = openWizard<TExportLabFrm>(m_engine.get(), QStringLiteral("FOOD"));
    walkToSendPage(w, QStringLiteral("Jo Bloggs"));
    QVERIFY(m_server.control(R"({"refuseServiceLogin":true})"));
    w->btnSend->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompter.texts(Prompter::Kind::Error).isEmpty(), 30000);
    QVERIFY2(m_prompter.texts(Prompter::Kind::Error).first().contains(QStringLiteral("refused the service account")),
             qPrintable(m_prompter.texts(Prompter::Kind::Error).first()));
    QCOMPARE(w->CurrentPage(), TExportLabWizard::SendPage);
    QVERIFY(w->btnSend->isEnabled() && w->btnBack->isEnabled() && w->btnCancel->isEnabled());
    QVERIFY(!w->btnFinish->isEnabled());
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 0);
    w->btnCancel->click();
    QVERIFY(!w->isVisible());
    QVERIFY(!m_engine->ReturnInfoSocket());
    delete w;
}

void TestExportWizards::fileWizardSavesOnlyIntoAChosenFolder()
{
    ExportStore s;
    seedThreeLaboratories(s);
    startEngine(s);
    QTemporaryDir out;
    auto *w = openWizard<TExportLabToFileFrm>(m_engine.get(), QStringLiteral("FOOD"));
    walkToSendPage(w, QStringLiteral("Jo Bloggs"));
    QCOMPARE(w->btnSend->text(), QStringLiteral("Save"));
    QCOMPARE(listTexts(w->lstRouteMap->model()).last(), QStringLiteral("Save to file"));
    QVERIFY(w->SelectedFolder().isEmpty());
    QVERIFY(!w->btnSend->isEnabled());
    w->SelectFolder(out.path());
    QCOMPARE(w->SelectedFolder(), out.path());
    QVERIFY(w->btnSend->isEnabled());
    w->btnSend->click();
    QCOMPARE(m_prompter.texts(), QStringList{"Samples have been successfully sent to file."});
    const QStringList files = QDir(out.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^ABC07\\d+\\.enc$")).match(files.first()).hasMatch(),
             qPrintable(files.first()));
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT DELIVERY_METHOD FROM EXPORT_BATCH")).toString(),
             QStringLiteral("File transfer"));
    QVERIFY(w->btnFinish->isEnabled() && !w->btnSend->isEnabled());
    delete w;
}

namespace {
void addBatch(ExportStore &s, qint64 id, const QString &personality, const QTime &time, const QString &comment)
{
    s.store.exec(QStringLiteral("INSERT INTO EXPORT_BATCH (UNIQUE_ID, DATE_EXPORTED, TIME_EXPORTED, PERSONALITY, "
                                "LABORATORY__CODE, LABORATORY_NAME, SAMPLING_OFFICER_NAMES, COMMENT, DELIVERY_METHOD) "
                                "VALUES (?, ?, ?, ?, 'LAB1', 'County Laboratory (2 samples)', ?, ?, 'Remote transfer')"),
                 {id, QDate(2024, 5, 6), time, personality, QStringLiteral("Jo Bloggs\r\n"), comment});
}
} // namespace

void TestExportWizards::batchHistoryListsThisPersonalitysBatchesNewestFirst()
{
    ExportStore s;
    addBatch(s, 11, QStringLiteral("FOOD"), QTime(9, 0), QStringLiteral("morning"));
    addBatch(s, 12, QStringLiteral("FOOD"), QTime(15, 30), QStringLiteral("afternoon"));
    addBatch(s, 13, QStringLiteral("ANIMAL FEED"), QTime(12, 0), QStringLiteral("feed"));
    const QString a = s.addSample({});
    s.addSample({});
    s.store.exec(QStringLiteral("UPDATE SAMPLE SET EXPORT_BATCH__UNIQUE_ID = 12, SAMPLE_STATUS__CODE = 'EXPORTED'"));
    s.store.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE', FLAG_SATISFACTORY = 'T' "
                                "WHERE UNIQUE_UUID = ?"),
                 {a});
    startEngine(s);
    QWidget window;
    auto *f = TBasefrm::CreateAndShow<TSampleBatchesFrm>(QStringLiteral("SampleBatches"), &window, false);
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("Sample batches previously exported"));
    QCOMPARE(f->lblHeader->text(), QStringLiteral("  Food"));
    GridModel *batches = f->qryExportBatch;
    QCOMPARE(batches->rowCount(), 2);
    QCOMPARE(batches->value(0, QStringLiteral("UNIQUE_ID")).toLongLong(), 12);
    QCOMPARE(batches->value(1, QStringLiteral("UNIQUE_ID")).toLongLong(), 11);
    QCOMPARE(batches->value(0, QStringLiteral("NUMBER_OF_SAMPLES")).toLongLong(), 2);
    QCOMPARE(batches->value(1, QStringLiteral("NUMBER_OF_SAMPLES")).toLongLong(), 0);
    const int officers = batches->columnIndex(QStringLiteral("SAMPLING_OFFICER_NAMES"));
    QVERIFY(f->grdBatches->isColumnHidden(officers));
    QCOMPARE(batches->headerData(batches->columnIndex(QStringLiteral("NUMBER_OF_SAMPLES")), Qt::Horizontal).toString(),
             QStringLiteral("Sample count"));

    QCOMPARE(f->CurrentBatchId(), 12);
    QCOMPARE(f->qrySampleExport->rowCount(), 2);
    QCOMPARE(f->memComments->toPlainText(), QStringLiteral("afternoon"));
    QCOMPARE(f->memOfficers->toPlainText(), QStringLiteral("Jo Bloggs\n"));
    // The status colour as a swatch, the flag as a tick box.
    const QAbstractItemModel *shown = f->grdSamples->model();
    const int row = f->qrySampleExport->findKey(a);
    QCOMPARE(shown->index(row, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 128, 0));
    QCOMPARE(shown->index(row, 1).data().toString(), QStringLiteral("Complete"));
    const int satisfactory = f->qrySampleExport->columnIndex(QStringLiteral("FLAG_SATISFACTORY"));
    QCOMPARE(shown->index(row, satisfactory).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!f->actViewSample->isEnabled()); // no sample editor in this build

    f->SelectBatch(1);
    QCOMPARE(f->CurrentBatchId(), 11);
    QCOMPARE(f->qrySampleExport->rowCount(), 0);
    QCOMPARE(f->memComments->toPlainText(), QStringLiteral("morning"));
    bool asked = false;
    f->ChooseFolder = [&asked](QWidget *) {
        asked = true;
        return QDir::tempPath();
    };
    f->actReExportToFile->trigger();
    f->actResendToLab->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error),
             (QStringList{"There are no samples ready to export.", "There are no samples ready to export."}));
    QVERIFY(!asked);
    QVERIFY(m_prompter.texts(Prompter::Kind::Question).isEmpty());
    delete f;
}

void TestExportWizards::batchHistoryResendsAndResaves()
{
    ExportStore s;
    addBatch(s, 12, QStringLiteral("FOOD"), QTime(15, 30), QStringLiteral("afternoon"));
    s.addSample({});
    s.store.exec(QStringLiteral("UPDATE SAMPLE SET EXPORT_BATCH__UNIQUE_ID = 12, SAMPLE_STATUS__CODE = 'EXPORTED'"));
    startEngine(s);
    QWidget window;
    auto *f = TBasefrm::CreateAndShow<TSampleBatchesFrm>(QStringLiteral("SampleBatches"), &window, false);
    QTemporaryDir out;
    f->ChooseFolder = [&out](QWidget *) { return out.path(); };
    f->actReExportToFile->trigger();
    const QString file = out.filePath(QStringLiteral("ABC0712.enc"));
    QCOMPARE(m_prompter.texts(), QStringList{"Batch saved to file '" + file + "'"});
    QVERIFY(QFileInfo::exists(file));

    m_prompter.clear();
    f->actResendToLab->trigger(); // answered No
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{"Re-export selected batch to lab?"});
    QVERIFY(!m_engine->IsBusy());

    m_prompter.clear();
    m_prompter.queueAnswer(true);
    f->actResendToLab->trigger();
    QVERIFY(f->pbBusy->isVisible());
    QVERIFY(!f->actResendToLab->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!f->pbBusy->isVisible(), 30000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Information), QStringList{"Batch sent to lab"});
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 1);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE SAMPLE_STATUS__CODE = 'EXPORTED'")), 1);
    QVERIFY(f->actResendToLab->isEnabled());
    delete f;
}

QTEST_MAIN(TestExportWizards)
#include "tst_exportwizards.moc"
