// The animal-feed sample browser offscreen on a test store: the feed samples per tab (All lists
// every one of them), its outcome grid over the local OUTCOME table, what it leaves out, and the
// duplication reaching the feed editor.
#include "base/Clock.h"
#include "base/Prompter.h"
#include "data/GroupedGridModel.h"
#include "gui/DataTableModel.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTools.h"
#include "samples/ui/DuplicateSampleOptions_FRM.h"
#include "samples/ui/SampleBrowserAnimalFeed_FRM.h"
#include "support/MainStore.h"

#include "BrowserListing.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDate Today(2024, 5, 20);

} // namespace

class TestSampleBrowserAnimalFeed : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void feedSamplesPerTab();
    void outcomesFromTheLocalTable();
    void duplicateOpensTheCopyInTheFeedEditor();
    void aSampleRenumberedByAPassPrints();

private:
    QString addSample(const QString &code, const QVariant &status, const QVariantMap &more = {});
    TSampleBrowserFrm *openBrowser();

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<ScopedClock> m_clockScope;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    QPointer<TSampleBrowserFrm> m_browser;
    QWidget m_owner;
};

void TestSampleBrowserAnimalFeed::init()
{
    m_store = std::make_unique<MainStore>();
    m_store->useSettings(QStringLiteral("ABC"), QStringLiteral("ABC01"));
    m_store->db.exec("UPDATE SYS_LOCAL_SETTINGS SET INSTALLATION_CODE = '07'");
    m_clock = std::make_unique<FixedClock>(QDateTime(Today, QTime(9, 0)));
    m_clockScope = std::make_unique<ScopedClock>(m_clock.get());
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestSampleBrowserAnimalFeed::cleanup()
{
    delete m_browser;
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("ANIMAL FEED"), {});
    m_prompterScope.reset();
    m_clockScope.reset();
    m_store.reset();
}

QString TestSampleBrowserAnimalFeed::addSample(const QString &code, const QVariant &status, const QVariantMap &more)
{
    const QString uuid =
        m_store->db.scalar(QStringLiteral("SELECT UPPER(UUID_TO_CHAR(GEN_UUID())) FROM RDB$DATABASE")).toString().trimmed();
    QVariantMap columns{{"UNIQUE_UUID", uuid},         {"CODE", code},
                        {"RECORD_TYPE", "ANIMAL FEED"}, {"SAMPLE_STATUS__CODE", status},
                        {"FLAG_DELETED", "F"},          {"SAMPLE_OFFICER_NAME", "Jo Bloggs"},
                        {"PREMISES_NAME", "Mill"},      {"SAMPLE_DATE", Today.addDays(-3)}};
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        columns.insert(it.key(), it.value());
    ReportTools::insertSample(m_store->db, columns);
    return uuid;
}

TSampleBrowserFrm *TestSampleBrowserAnimalFeed::openBrowser()
{
    m_browser = TBasefrm::CreateAndShow<TSampleBrowserAnimalFeedFrm>(TSampleBrowserAnimalFeedFrm::FormKey(), &m_owner, false);
    return m_browser;
}

void TestSampleBrowserAnimalFeed::feedSamplesPerTab()
{
    addSample("E1", "ENTERED");
    addSample("C1", "COMPLETE");
    addSample("D1", "DELETED");
    addSample("F1", "ENTERED", {{"FLAG_DELETED", "T"}});
    addSample("N1", QVariant());
    addSample("W1", "WITHDRAWN"); // a status without its row
    addSample("FOOD1", "ENTERED", {{"RECORD_TYPE", "FOOD"}});
    TSampleBrowserFrm *b = openBrowser();
    QCOMPARE(b->windowTitle(), QStringLiteral("Samples Browser"));
    QCOMPARE(b->objectName(), QStringLiteral("SampleBrowserAF"));
    QCOMPARE(b->CurrentTabCode(), QStringLiteral("ENTERED"));
    QCOMPARE(listedCodes(*b), (QStringList{"E1", "F1"}));
    b->SelectTab(QStringLiteral("COMPLETE"));
    QCOMPARE(listedCodes(*b), QStringList{"C1"});
    b->SelectTab(QStringLiteral("ALL"));
    QCOMPARE(listedCodes(*b), (QStringList{"C1", "D1", "E1", "F1", "N1", "W1"}));

    // Mail merge is the food browser's alone; the exports and labels are offered as there.
    QVERIFY(!b->actMailMergeSamples->isVisible() && !b->actMailMergeSamples->isEnabled());
    for (QAction *a : {b->actExportToXML, b->actPrintLabel, b->actPrintA4Label})
        QVERIFY2(a->isVisible(), qPrintable(a->objectName()));
    QCOMPARE(b->actSelectAll->text(), QStringLiteral("Select All"));
    QVERIFY(b->grdSampleView->isColumnShown(QStringLiteral("ANIMAL_SPECIES_DESCRIPTION")));
}

void TestSampleBrowserAnimalFeed::outcomesFromTheLocalTable()
{
    addSample("C1", "COMPLETE", {{"LABORATORY_COMMENTS", "Within limits."}});
    addSample("C2", "COMPLETE");
    m_store->db.exec("INSERT INTO OUTCOME (SAMPLE__CODE, FAIL_CODE_2, FAIL_GROUP, DETAILS) VALUES "
                     "('C1', 'F1', 'Labelling', 'Label wrong')");
    m_store->db.exec("INSERT INTO OUTCOME (SAMPLE__CODE, FAIL_CODE_2, FAIL_GROUP, DETAILS) VALUES "
                     "('C1', 'F2', 'Composition', 'Too much copper')");
    TSampleBrowserFrm *b = openBrowser();
    b->SelectTab(QStringLiteral("COMPLETE"));
    listedCodes(*b);
    const auto current = [b](const QString &code) {
        GroupedGridModel *m = b->qrySample;
        for (int r = 0; r < m->rowsRead(0); ++r) {
            const QModelIndex i = m->index(r, 0, m->groupIndex(0));
            if (m->value(i, QStringLiteral("CODE")).toString() == code)
                b->grdSampleView->setCurrentIndex(i);
        }
    };
    current("C1");
    QTRY_COMPARE(b->memOutcomes->rowCount(), 2);
    QCOMPARE(b->memOutcomes->table().value(1, QStringLiteral("DETAILS")).toString(), QStringLiteral("Too much copper"));
    QCOMPARE(b->memOutcomes->headerData(b->memOutcomes->table().indexOf(QStringLiteral("FAIL_GROUP")), Qt::Horizontal).toString(),
             QStringLiteral("Group"));
    QCOMPARE(b->memLabComments->toPlainText(), QStringLiteral("Within limits."));
    current("C2");
    QTRY_COMPARE(b->memOutcomes->rowCount(), 0);
}

void TestSampleBrowserAnimalFeed::duplicateOpensTheCopyInTheFeedEditor()
{
    addSample("LA1070100", "COMPLETE");
    QStringList opened;
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("ANIMAL FEED"),
                                             [&opened](QWidget *, const QString &uuid) { opened << uuid; });
    TSampleBrowserFrm *b = openBrowser();
    b->SelectTab(QStringLiteral("ALL"));
    listedCodes(*b);
    b->grdSampleView->setCurrentIndex(b->qrySample->index(0, 0, b->qrySample->groupIndex(0)));
    QVERIFY(b->actDuplicateSample->isEnabled());
    QTimer::singleShot(0, []() {
        auto *dialog = qobject_cast<TDuplicateSampleOptionsFrm *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->chkOpenAfterCreate->setChecked(true);
        dialog->btnButtons->button(QDialogButtonBox::Ok)->click();
    });
    b->actDuplicateSample->trigger();
    QCOMPARE(opened.size(), 1);
    QCOMPARE(m_store->db.scalar("SELECT RECORD_TYPE || '/' || SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?",
                                {opened.first()})
                 .toString(),
             QStringLiteral("ANIMAL FEED/ENTERED"));
    // The copy, undated, is an entered sample.
    b->SelectTab(QStringLiteral("ENTERED"));
    QCOMPARE(listedCodes(*b).size(), 1);
}

// The selection follows a sample that a pass gave the server's number.
void TestSampleBrowserAnimalFeed::aSampleRenumberedByAPassPrints()
{
    const QString uuid = addSample("R1", "ENTERED");
    QTemporaryDir pdfs;
    PdfFileOutput output(pdfs.path());
    const ScopedReportOutput scope(&output);
    TSampleBrowserFrm *b = openBrowser();
    QCOMPARE(listedCodes(*b), QStringList{"R1"});
    m_store->db.exec("UPDATE SAMPLE SET ID = 9001 WHERE UNIQUE_UUID = ?", {uuid});
    b->actPrintSample->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    QCOMPARE(output.files().size(), 1);
}

QTEST_MAIN(TestSampleBrowserAnimalFeed)
#include "tst_samplebrowseranimalfeed.moc"
