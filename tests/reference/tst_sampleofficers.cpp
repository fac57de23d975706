// The officer rules: unique codes (deleted officers too) and addresses (any letter case), and the
// officer name mappings written into completed samples without touching the samples they leave as
// they are.
#include "reference/SampleOfficerMapper_DM.h"
#include "store/SqlUtil.h"
#include "support/TestDatabase.h"

#include <QTest>

class TestSampleOfficers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void officerIsCheckedBeforeItIsWritten_data();
    void officerIsCheckedBeforeItIsWritten();
    void mappedNamesStaySortedAndWithinTheirColumn();
    void applyingMappingsWritesOnlyChangedSamples();

private:
    void officer(const char *uuid, const char *code, const char *email, const char *deleted = "F",
                 const QString &mappings = {});
    void sample(const char *code, const char *status, const QVariant &name, const QVariant &officerCode);
    QVariant sampleValue(const char *code, const char *column)
    {
        return m_db->scalar(QStringLiteral("SELECT %1 FROM SAMPLE WHERE CODE = ?").arg(QLatin1String(column)), {QString(code)});
    }

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TSampleOfficerMapperDM> m_mapper;
};

void TestSampleOfficers::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    const QSqlDatabase db = m_db->db();
    m_mapper = std::make_unique<TSampleOfficerMapperDM>([db]() { return db; });
    // An officer as the server sends him, address in capitals, and a deleted one.
    officer("U-ADMIN", "ADMIN", "Admin@Demo.example");
    officer("U-GONE", "GONE", "gone@demo.example", "T");
}

void TestSampleOfficers::cleanup()
{
    m_mapper.reset();
    m_db.reset();
}

void TestSampleOfficers::officer(const char *uuid, const char *code, const char *email, const char *deleted,
                                 const QString &mappings)
{
    static int id = 0;
    ++id;
    m_db->exec("INSERT INTO SAMPLE_OFFICER (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, NAME, EMAIL_ADDRESS, "
               "LOGIN_PASSWORD, FLAG_DELETED, NAME_MAPPINGS) VALUES (?, ?, 'T', ?, ?, ?, ?, 'pw', ?, ?)",
               {id, id, QString(uuid), QString(code), QStringLiteral("Officer ") + code, QString(email), QString(deleted),
                mappings.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(mappings)});
}

void TestSampleOfficers::sample(const char *code, const char *status, const QVariant &name, const QVariant &officerCode)
{
    static int id = 0;
    ++id;
    // As the synchronisation leaves a sample: its server stamp, not marked for the next export.
    m_db->exec("INSERT INTO SAMPLE (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, SAMPLE_STATUS__CODE, SAMPLE_OFFICER_NAME, "
               "SAMPLE_OFFICER__CODE, FLAG_UPDATED_SINCE_EXPORT) VALUES (?, ?, 'T', ?, ?, ?, ?, ?, 'F')",
               {id, 100 + id, QStringLiteral("S-%1").arg(id), QString(code), QString(status), name, officerCode});
}

void TestSampleOfficers::officerIsCheckedBeforeItIsWritten_data()
{
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("field"); // -1: accepted
    QTest::addColumn<QString>("message");
    const int accepted = -1;
    QTest::newRow("no address") << "U-NEW" << "NEW" << "  " << "pw" << int(OfficerRefused::Email)
                                << "Please enter an email address, as it is required to log into the system";
    QTest::newRow("no password") << "U-NEW" << "NEW" << "new@demo.example" << "" << int(OfficerRefused::Password)
                                 << "Password cant be blank";
    QTest::newRow("code of a deleted officer")
        << "U-NEW" << "GONE" << "new@demo.example" << "pw" << int(OfficerRefused::Code)
        << "The Code \"GONE\" has already been used, the code field needs to be unique. Please select another code.";
    QTest::newRow("address of another in other capitals")
        << "U-NEW" << "NEW" << "ADMIN@demo.EXAMPLE" << "pw" << int(OfficerRefused::Email)
        << "The email address \"admin@demo.example\" has already been used, the email address field needs to be "
           "unique. Please check the user does not already exist.";
    QTest::newRow("an officer saved unchanged") << "U-ADMIN" << "ADMIN" << "Admin@Demo.example" << "pw" << accepted
                                                << "admin@demo.example";
    QTest::newRow("a new officer") << "U-NEW" << "NEW" << "New@Demo.example" << "pw" << accepted << "new@demo.example";
}

void TestSampleOfficers::officerIsCheckedBeforeItIsWritten()
{
    QFETCH(QString, uuid);
    QFETCH(QString, code);
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(int, field);
    QFETCH(QString, message);
    try {
        const QString stored = CheckSampleOfficerForPost(m_db->db(), uuid, code, email, password);
        QCOMPARE(field, -1);
        QCOMPARE(stored, message);
    } catch (const OfficerRefused &e) {
        QCOMPARE(int(e.field()), field);
        QCOMPARE(e.message(), message);
    }
}

void TestSampleOfficers::mappedNamesStaySortedAndWithinTheirColumn()
{
    officer("U-PAT", "PAT", "pat@demo.example", "F", "zed\nAlpha");
    sample("C1", "COMPLETE", "beta", QVariant());
    sample("C2", "COMPLETE", "Alpha", QVariant());
    sample("C3", "VALIDATED", "gamma", QVariant());
    // Names in lines with LF or CR LF are read alike; names no officer maps are offered.
    QCOMPARE(m_mapper->GetMappingsForOfficer("PAT"), QString("zed\r\nAlpha"));
    QCOMPARE(m_mapper->GetUnmatchedNamesInSamples(), QString("beta"));
    QCOMPARE(m_mapper->GetMappingsForOfficer("NOBODY"), QString());

    m_mapper->AddMappingToOfficer("PAT", "beta");
    QCOMPARE(m_db->scalar("SELECT NAME_MAPPINGS FROM SAMPLE_OFFICER WHERE CODE = 'PAT'").toString(),
             QString("Alpha\r\nbeta\r\nzed"));
    QCOMPARE(m_mapper->GetUnmatchedNamesInSamples(), QString());
    m_mapper->DeleteMappingFromOfficer("PAT", "zed");
    QCOMPARE(m_mapper->GetMappingsForOfficer("PAT"), QString("Alpha\r\nbeta"));

    // Past the column's 4000 characters the name is refused and the names stay as they were.
    const QString longName(3995, QLatin1Char('n'));
    try {
        m_mapper->AddMappingToOfficer("PAT", longName);
        QFAIL("added");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains("at most 4000"), qPrintable(e.message()));
    }
    QCOMPARE(m_mapper->GetMappingsForOfficer("PAT"), QString("Alpha\r\nbeta"));
}

void TestSampleOfficers::applyingMappingsWritesOnlyChangedSamples()
{
    officer("U-PAT", "PAT", "pat@demo.example", "F", "Pat Plain\r\nP. Plain");
    officer("U-SAM", "SAM", "sam@demo.example", "F", "Pat Plain");
    sample("C-MAPPED", "COMPLETE", "P. Plain", QVariant());
    sample("C-TWICE", "COMPLETE", "Pat Plain", QVariant());      // mapped by both: the last code wins
    sample("C-RIGHT", "COMPLETE", "P. Plain", "PAT");            // already right
    sample("C-CASE", "COMPLETE", "p. plain", "OLD");             // no exact mapping: cleared
    sample("C-NONE", "COMPLETE", QVariant(), QVariant());        // nothing to change
    sample("V-OPEN", "VALIDATED", "P. Plain", QVariant());        // not completed: left alone

    QCOMPARE(m_mapper->ApplyMappingsToSamples(), 3);
    QCOMPARE(sampleValue("C-MAPPED", "SAMPLE_OFFICER__CODE").toString(), QString("PAT"));
    QCOMPARE(sampleValue("C-TWICE", "SAMPLE_OFFICER__CODE").toString(), QString("SAM"));
    QCOMPARE(sampleValue("C-RIGHT", "SAMPLE_OFFICER__CODE").toString(), QString("PAT"));
    QVERIFY(sampleValue("C-CASE", "SAMPLE_OFFICER__CODE").isNull());
    QVERIFY(sampleValue("V-OPEN", "SAMPLE_OFFICER__CODE").isNull());
    // Written samples are local changes for the next upload; the others are as the server left them.
    for (const char *code : {"C-MAPPED", "C-TWICE", "C-CASE"}) {
        QVERIFY2(sampleValue(code, "UPDATE_ID").toLongLong() < 0, code);
        QCOMPARE(sampleValue(code, "FLAG_UPDATED_SINCE_EXPORT").toString(), QString("T"));
    }
    for (const char *code : {"C-RIGHT", "C-NONE", "V-OPEN"}) {
        QVERIFY2(sampleValue(code, "UPDATE_ID").toLongLong() > 0, code);
        QCOMPARE(sampleValue(code, "FLAG_UPDATED_SINCE_EXPORT").toString(), QString("F"));
    }
    // Again: nothing left to change.
    QCOMPARE(m_mapper->ApplyMappingsToSamples(), 0);
}

QTEST_MAIN(TestSampleOfficers)
#include "tst_sampleofficers.moc"
