// Duplicating a sample over a test store: the copies and their codes, the copy to open, the
// bounds of the count and a failure half way that must leave nothing behind.
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "samples/DuplicateSample_DM.h"
#include "support/MainStore.h"

#include <QTest>
#include <QUuid>

class TestDuplicateSample : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void copiesTakeTheirOwnCodes();
    void openOnlyASingleCommittedCopy_data();
    void openOnlyASingleCommittedCopy();
    void refusedOrCancelledChangesNothing_data();
    void refusedOrCancelledChangesNothing();
    void failureHalfWayLeavesNoCopy();

private:
    QString insertSample(const QString &code, const QString &recordType);
    QString duplicate(const std::optional<DuplicateSampleOptions> &options, bool &edit,
                      TDuplicateSampleDm::CodeSource codes = {});
    int count(const QString &where = "1 = 1");

    std::unique_ptr<MainStore> m_store;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    QString m_source;
};

void TestDuplicateSample::init()
{
    m_store = std::make_unique<MainStore>();
    m_store->useSettings("LA1", "OF1");
    m_store->db.exec("UPDATE SYS_LOCAL_SETTINGS SET INSTALLATION_CODE = '07'");
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_source = insertSample("LA1070100", "ANIMAL FEED");
}

void TestDuplicateSample::cleanup()
{
    m_prompterScope.reset();
    m_store.reset();
}

QString TestDuplicateSample::insertSample(const QString &code, const QString &recordType)
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_store->db.exec("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, RECORD_TYPE, SAMPLE_STATUS__CODE, PREMISES_NAME) "
                     "VALUES (?, ?, ?, 'COMPLETE', 'Mill')",
                     {uuid, code, recordType});
    return uuid;
}

QString TestDuplicateSample::duplicate(const std::optional<DuplicateSampleOptions> &options, bool &edit,
                                       TDuplicateSampleDm::CodeSource codes)
{
    if (!codes)
        codes = []() { return Maindm->GetNewSampleCode(); };
    TDuplicateSampleDm dm(m_store->main, [options]() { return options; }, codes);
    return dm.DuplicateSample(m_source, edit);
}

int TestDuplicateSample::count(const QString &where)
{
    return m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE WHERE " + where).toInt();
}

void TestDuplicateSample::copiesTakeTheirOwnCodes()
{
    // A copy of the other personality that an earlier run left waiting is coded as well.
    insertSample("DUPLICATE", "FOOD");
    bool edit = true;
    const QString uuid = duplicate(DuplicateSampleOptions{false, false, 3, false}, edit);
    QVERIFY(uuid.isEmpty() && !edit);
    QCOMPARE(m_prompter.texts(), QStringList());
    QCOMPARE(count("SAMPLE_STATUS__CODE = 'ENTERED' AND PREMISES_NAME = 'Mill'"), 3);
    QCOMPARE(count("CODE = 'DUPLICATE'"), 0);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(DISTINCT CODE) FROM SAMPLE").toInt(), 5);
}

void TestDuplicateSample::openOnlyASingleCommittedCopy_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("opens");
    QTest::newRow("one, open") << 1 << true << true;
    QTest::newRow("one, not asked") << 1 << false << false;
    QTest::newRow("two, open ignored") << 2 << true << false;
    QTest::newRow("none") << 0 << true << false;
}

void TestDuplicateSample::openOnlyASingleCommittedCopy()
{
    QFETCH(int, number);
    QFETCH(bool, open);
    QFETCH(bool, opens);
    bool edit = false;
    const QString uuid = duplicate(DuplicateSampleOptions{true, true, number, open}, edit);
    QCOMPARE(edit, opens);
    QCOMPARE(!uuid.isEmpty(), opens);
    QCOMPARE(count("UNIQUE_UUID <> '" + m_source + "'"), number);
    if (opens) {
        QCOMPARE(count(QString("UNIQUE_UUID = '%1' AND CODE <> 'DUPLICATE'").arg(uuid)), 1);
    }
}

void TestDuplicateSample::refusedOrCancelledChangesNothing_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<bool>("message");
    QTest::newRow("cancelled") << 1 << true << false;
    QTest::newRow("51 copies") << 51 << false << true;
    QTest::newRow("negative") << -1 << false << true;
}

void TestDuplicateSample::refusedOrCancelledChangesNothing()
{
    QFETCH(int, number);
    QFETCH(bool, cancelled);
    QFETCH(bool, message);
    bool edit = true;
    const std::optional<DuplicateSampleOptions> options =
        cancelled ? std::nullopt : std::optional(DuplicateSampleOptions{false, false, number, false});
    QVERIFY(duplicate(options, edit).isEmpty());
    QVERIFY(!edit);
    QCOMPARE(count(), 1);
    QCOMPARE(m_prompter.texts().size(), message ? 1 : 0);
}

void TestDuplicateSample::failureHalfWayLeavesNoCopy()
{
    // The procedure has made the copy and named it when the code generator fails.
    bool edit = false;
    const QString uuid = duplicate(DuplicateSampleOptions{false, false, 1, true}, edit,
                                   []() -> QString { throw VarnexError("GEN_SAMPLE cannot be read."); });
    QVERIFY2(uuid.isEmpty() && !edit, "a rolled-back copy is never offered");
    QCOMPARE(m_prompter.texts(), QStringList{"The sample was not duplicated: GEN_SAMPLE cannot be read."});
    QCOMPARE(count(), 1);
}

QTEST_MAIN(TestDuplicateSample)
#include "tst_duplicatesample.moc"
