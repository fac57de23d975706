// The two sample XML exports: a browser's selected rows, and the completed samples of the "Sample
// export" form with the marking of what the file holds.
#include "XmlFixture.h"

#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/SampleCodes.h"
#include "exchange/SampleExportToXml_DM.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSampleXmlExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void browserExportTakesAnyStatusOnce();
    void browserExportOfManyRows();
    void browserExportOfNothing();
    void formExportsAndMarks();
    void changedSamplesAreFoundAgain();
    void cancelledOrFailedSaveChangesNothing();
    void samplesChangedDuringTheExportStayUnmarked();
    void markingFailureIsReportedAfterTheSave();
    void dateFilterInAFrenchLocale();

private:
    TSampleExportToXmlDm::TExportResult exportCompleted(bool changedOnly, std::optional<QDate> since = std::nullopt,
                                                        const TVRXSampleXMLDM::Progress &progress = {});
    TXMLQOVAData load(const QString &path);

    std::unique_ptr<XmlStore> m_store;
    std::unique_ptr<TVRXSampleXMLDM> m_generator;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSampleXmlExport::init()
{
    m_store = std::make_unique<XmlStore>();
    QVERIFY2(m_store->store.isValid(), qPrintable(m_store->store.errorText()));
    m_generator = std::make_unique<TVRXSampleXMLDM>(*m_store->maindm, m_store->lookups.get());
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSampleXmlExport::cleanup()
{
    m_prompterScope.reset();
    m_generator.reset();
    m_store.reset();
    m_dir.reset();
}

TSampleExportToXmlDm::TExportResult TestSampleXmlExport::exportCompleted(bool changedOnly, std::optional<QDate> since,
                                                                         const TVRXSampleXMLDM::Progress &progress)
{
    TSampleExportToXmlDm exporter(m_store->store.db(), *m_store->maindm, m_store->lookups.get());
    return exporter.ExportCompleted({changedOnly, since}, *m_generator, progress);
}

TXMLQOVAData TestSampleXmlExport::load(const QString &path)
{
    return LoadQOVAData(path);
}

void TestSampleXmlExport::browserExportTakesAnyStatusOnce()
{
    const QString entered = m_store->addSample({{"CODE", "B"}, {"SAMPLE_STATUS__CODE", "ENTERED"}});
    const QString complete = m_store->addSample({{"CODE", "A"}});
    m_store->setResultsBlob(complete, ResultBlobs::writeResults(XmlStore::results(1)));
    const QString cancelled = m_store->addSample({{"CODE", "C"}, {"SAMPLE_STATUS__CODE", "CANCELLED"}});
    m_store->setResultsBlob(cancelled, ResultBlobs::writeResults(XmlStore::results(1)));

    const QString path = m_dir->filePath("selected.xml");
    m_prompter.queueFileName(path);
    TSampleExportToXmlDm exporter(m_store->store.db(), *m_store->maindm, m_store->lookups.get());
    for (const QString &uuid : {entered, complete, entered, cancelled})
        exporter.AddSampleToRange(uuid);
    QCOMPARE(exporter.SampleList().size(), 4);
    QCOMPARE(exporter.ExportRange(), std::optional<QString>(path));
    QCOMPARE(m_prompter.calls().last().kind, Prompter::Kind::SaveFile);
    QCOMPARE(m_prompter.calls().last().text, QString("XML Files (*.xml)"));

    const TXMLQOVAData root = load(path);
    // In the order selected, each once; only the completed one has results.
    QCOMPARE(sampleNumbers(root), (QStringList{"B", "A", "C"}));
    QCOMPARE(root.FileInfo().SampleCount(), 3);
    QCOMPARE(root.Sample()[0].Result().Count(), 0);
    QCOMPARE(root.Sample()[1].Result().Count(), 1);
    QCOMPARE(root.Sample()[2].Result().Count(), 0);
    // The browser's export marks nothing.
    QCOMPARE(m_store->flag(complete), QString("T"));

    // Cancelled: no file.
    const QString other = m_dir->filePath("other.xml");
    QCOMPARE(exporter.ExportRange(), std::optional<QString>());
    QVERIFY(!QFile::exists(other));
}

void TestSampleXmlExport::browserExportOfManyRows()
{
    // More rows than one statement can bind, and more than Firebird takes in one IN list.
    constexpr int rows = 5000;
    QStringList uuids;
    SqlUtil::inTransaction(m_store->store.db(), [&](QSqlDatabase &db) {
        QSqlQuery insert(db);
        QVERIFY(insert.prepare("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, RECORD_TYPE, SAMPLE_STATUS__CODE, "
                               "SAMPLE_OFFICER__CODE) VALUES (?, ?, 'FOOD', ?, 'JB')"));
        for (int i = 0; i < rows; ++i) {
            uuids << GetNewUUIDString();
            insert.addBindValue(uuids.last());
            insert.addBindValue(QString("M%1").arg(i, 5, 10, QChar('0')));
            insert.addBindValue(i % 2 ? "VALIDATED" : "ENTERED");
            QVERIFY(insert.exec());
        }
    });
    std::reverse(uuids.begin(), uuids.end());
    const QString path = m_dir->filePath("many.xml");
    m_prompter.queueFileName(path);
    // As a browser calls it, on the program's main connection.
    QCOMPARE(TSampleExportToXmlDm::ExportSelected(uuids + QStringList{uuids.first()}), std::optional<QString>(path));
    const TXMLQOVAData root = load(path);
    QCOMPARE(root.FileInfo().SampleCount(), rows);
    const QStringList codes = sampleNumbers(root);
    QCOMPARE(codes.size(), rows);
    QCOMPARE(codes.first(), QString("M04999"));
    QCOMPARE(codes.last(), QString("M00000"));
}

void TestSampleXmlExport::browserExportOfNothing()
{
    QCOMPARE(TSampleExportToXmlDm::ExportSelected({}), std::optional<QString>()); // no row selected
    TSampleExportToXmlDm exporter(m_store->store.db(), *m_store->maindm, m_store->lookups.get());
    for (int round = 0; round < 2; ++round) {
        try {
            exporter.ExportRange();
            QFAIL("exported nothing");
        } catch (const VarnexError &e) {
            QCOMPARE(e.message(), QString("There are no samples to be exported"));
        }
        // A sample that is not (or no longer) in the store.
        exporter.AddSampleToRange("00000000-0000-0000-0000-000000000000");
    }
    QVERIFY(m_prompter.calls().isEmpty());
}

void TestSampleXmlExport::formExportsAndMarks()
{
    const QString a = m_store->addSample({{"CODE", "A"}});
    const QString b = m_store->addSample({{"CODE", "B"}});
    const QString validated = m_store->addSample({{"CODE", "V"}, {"SAMPLE_STATUS__CODE", "VALIDATED"}});
    // Marked as exported before: taken only when every completed sample is asked for.
    const QString old = m_store->addSample({{"CODE", "OLD"}});
    m_store->store.exec("UPDATE SAMPLE SET FLAG_UPDATED_SINCE_EXPORT = 'F', FLAG_RESET_EXPORT_UPDATE_FLAG = 'T' "
                        "WHERE UNIQUE_UUID = ?",
                        {old});
    QCOMPARE(m_store->flag(old), QString("F"));

    const QString path = m_dir->filePath("all.xml");
    m_prompter.queueFileName(path);
    QList<QPair<int, int>> progress;
    const auto result = exportCompleted(false, std::nullopt, [&](int done, int total) { progress << qMakePair(done, total); });
    QCOMPARE(result.FileName, path);
    QCOMPARE(result.Exported, 3);
    QCOMPARE(result.Marked, 3);
    QCOMPARE(progress.first(), qMakePair(0, 3));
    QCOMPARE(progress.last(), qMakePair(3, 3));
    QCOMPARE(sampleNumbers(load(path)), (QStringList{"A", "B", "OLD"}));
    for (const QString &uuid : {a, b, old})
        QCOMPARE(m_store->flag(uuid), QString("F"));
    QCOMPARE(m_store->flag(validated), QString("T"));
    QCOMPARE(m_store->store.scalar("SELECT COUNT(*) FROM SAMPLE WHERE FLAG_RESET_EXPORT_UPDATE_FLAG <> 'F'").toInt(), 0);
}

void TestSampleXmlExport::changedSamplesAreFoundAgain()
{
    const QString a = m_store->addSample({{"CODE", "A"}});
    m_store->addSample({{"CODE", "B"}});
    m_prompter.queueFileName(m_dir->filePath("first.xml"));
    QCOMPARE(exportCompleted(true).Marked, 2);

    // Right after: nothing has changed.
    try {
        exportCompleted(true);
        QFAIL("exported unchanged samples");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("There are no completed samples to be exported"));
    }
    QCOMPARE(m_prompter.texts(Prompter::Kind::SaveFile).size(), 1);

    // An officer's edit brings a sample back; a synchronisation's write does not.
    m_store->store.exec("UPDATE SAMPLE SET SAMPLE_COMMENTS = 'edited' WHERE UNIQUE_UUID = ?", {a});
    m_store->store.exec("UPDATE SAMPLE SET LABORATORY_COMMENTS = 'from the server', IS_SYNCING = 'T' WHERE CODE = 'B'");
    const QString path = m_dir->filePath("second.xml");
    m_prompter.queueFileName(path);
    QCOMPARE(exportCompleted(true).Exported, 1);
    QCOMPARE(sampleNumbers(load(path)), QStringList{"A"});
}

namespace {
// Answers the file question with a file that cannot be written: a name under a regular file.
class BrokenDiskPrompter : public RecordingPrompter
{
public:
    explicit BrokenDiskPrompter(QString name) : m_name(std::move(name)) {}
    std::optional<QString> saveFileName(const QString &title, const QString &suggested, const QString &filter,
                                        const QString &suffix) override
    {
        RecordingPrompter::saveFileName(title, suggested, filter, suffix);
        return m_name;
    }

private:
    QString m_name;
};
} // namespace

void TestSampleXmlExport::cancelledOrFailedSaveChangesNothing()
{
    const QString a = m_store->addSample({{"CODE", "A"}});
    const QString path = m_dir->filePath("kept.xml");
    writeAll(path, "an earlier export");

    // Cancelled.
    const auto cancelled = exportCompleted(true);
    QVERIFY(cancelled.FileName.isEmpty());
    QCOMPARE(m_store->flag(a), QString("T"));

    // A file that cannot be written.
    writeAll(m_dir->filePath("plain"), "a file, not a folder");
    BrokenDiskPrompter broken(m_dir->filePath("plain/samples.xml"));
    {
        ScopedPrompter scope(&broken);
        try {
            exportCompleted(true);
            QFAIL("saved into a file that cannot be written");
        } catch (const VarnexError &e) {
            QVERIFY2(e.message().startsWith("Cannot write file"), qPrintable(e.message()));
        }
    }
    QCOMPARE(m_store->flag(a), QString("T"));

    // The disk fills up part of the way through: the export stops there.
    for (int i = 0; i < 300; ++i)
        m_store->addSample({{"CODE", QString("FULL%1").arg(i, 3, 10, QChar('0'))}, {"SAMPLE_COMMENTS", QString(200, 'c')}});
    m_prompter.queueFileName(path);
    int lastDone = 0;
    {
        FileSizeLimit limit(64 * 1024);
        try {
            exportCompleted(true, std::nullopt, [&](int done, int) { lastDone = done; });
            QFAIL("a file beyond the disk's room was saved");
        } catch (const VarnexError &e) {
            QVERIFY2(e.message().contains("Cannot write file"), qPrintable(e.message()));
        }
    }
    QVERIFY2(lastDone > 0 && lastDone < 100, qPrintable(QString::number(lastDone)));
    QCOMPARE(readAll(path), QByteArray("an earlier export"));
    QCOMPARE(m_store->store.scalar("SELECT COUNT(*) FROM SAMPLE WHERE FLAG_UPDATED_SINCE_EXPORT = 'F'").toInt(), 0);

    // A run that fails (a damaged results blob) leaves the chosen file as it was.
    m_store->setResultsBlob(a, "damaged");
    m_prompter.queueFileName(path);
    QVERIFY_THROWS_EXCEPTION(VarnexError, exportCompleted(true));
    QCOMPARE(readAll(path), QByteArray("an earlier export"));
    QCOMPARE(m_store->flag(a), QString("T"));
    // Nothing but the files of the test is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"kept.xml", "plain"}));
}

void TestSampleXmlExport::samplesChangedDuringTheExportStayUnmarked()
{
    const QString a = m_store->addSample({{"CODE", "A"}});
    const QString b = m_store->addSample({{"CODE", "B"}});
    const QString late = m_store->addSample({{"CODE", "C"}, {"SAMPLE_STATUS__CODE", "EXPORTED"}});
    const QString path = m_dir->filePath("during.xml");
    m_prompter.queueFileName(path);
    QSqlDatabase other = m_store->store.openExtraConnection("during");
    const auto result = exportCompleted(true, std::nullopt, [&](int done, int) {
        if (done != 1)
            return;
        // While the export runs: an officer edits a sample already read, and a synchronisation
        // completes another.
        SqlUtil::exec(other, "UPDATE SAMPLE SET SAMPLE_COMMENTS = 'edited meanwhile' WHERE UNIQUE_UUID = ?", {a});
        SqlUtil::exec(other, "UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE', IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?",
                      {late});
    });
    QCOMPARE(result.Exported, 2);
    QCOMPARE(result.Marked, 1);
    QCOMPARE(sampleNumbers(load(path)), (QStringList{"A", "B"}));
    QCOMPARE(m_store->flag(a), QString("T"));    // changed after it was read: exported again next time
    QCOMPARE(m_store->flag(b), QString("F"));
    QCOMPARE(m_store->flag(late), QString("T")); // not in the file
    m_prompter.queueFileName(m_dir->filePath("next.xml"));
    QCOMPARE(sampleNumbers(load(exportCompleted(true).FileName)), (QStringList{"A", "C"}));
}

void TestSampleXmlExport::markingFailureIsReportedAfterTheSave()
{
    const QString a = m_store->addSample({{"CODE", "A"}});
    const QString b = m_store->addSample({{"CODE", "B"}});
    // The second sample's update fails, as a broken store would: the first stays unmarked too.
    m_store->store.exec("CREATE EXCEPTION E_REFUSE 'the store takes no changes now'");
    m_store->store.exec("CREATE TRIGGER T_REFUSE FOR SAMPLE BEFORE UPDATE AS BEGIN "
                        "IF (NEW.CODE = 'B' AND NEW.FLAG_RESET_EXPORT_UPDATE_FLAG = 'T') THEN EXCEPTION E_REFUSE; END");
    const QString path = m_dir->filePath("saved.xml");
    m_prompter.queueFileName(path);
    try {
        exportCompleted(true);
        QFAIL("the marking failure was not reported");
    } catch (const TXmlExportMarkError &e) {
        QVERIFY2(e.message().startsWith(QString("The samples were saved to '%1', but they could not be marked as "
                                                "exported: ").arg(path)),
                 qPrintable(e.message()));
    }
    QCOMPARE(sampleNumbers(load(path)), (QStringList{"A", "B"}));
    QCOMPARE(m_store->flag(a), QString("T"));
    QCOMPARE(m_store->flag(b), QString("T"));
}

void TestSampleXmlExport::dateFilterInAFrenchLocale()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    m_store->addSample({{"CODE", "EARLY"}, {"SAMPLE_DATE", QDate(2024, 5, 9)}});
    m_store->addSample({{"CODE", "DAY"}, {"SAMPLE_DATE", QDate(2024, 5, 10)}});
    m_store->addSample({{"CODE", "LATE"}, {"SAMPLE_DATE", QDate(2024, 12, 1)}});
    m_store->addSample({{"CODE", "UNDATED"}, {"SAMPLE_DATE", QVariant()}});
    const QString path = m_dir->filePath("since.xml");
    m_prompter.queueFileName(path);
    TSampleExportToXmlDm exporter(m_store->store.db(), *m_store->maindm, m_store->lookups.get());
    QCOMPARE(exporter.CountCompleted({false, QDate(2024, 5, 10)}), 2);
    const auto result = exportCompleted(false, QDate(2024, 5, 10));
    QCOMPARE(sampleNumbers(load(path)), (QStringList{"DAY", "LATE"}));
    QCOMPARE(result.Marked, 2);
}

QTEST_GUILESS_MAIN(TestSampleXmlExport)
#include "tst_samplexmlexport.moc"
