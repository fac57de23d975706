#include "support/ServerProcess.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "support/TestDatabase.h"
#include "support/TestFiles.h"
#include "../exchange/SampleDocument.h"
#include "../reference/CategoryTreeFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {
const char *Refusal = "Invalid command line parameter: username specified not found.";

// A program folder of its own (the program keeps its settings file beside itself), with the store
// folder inside it.
struct Installation
{
    QTemporaryDir dir;
    QString program;

    explicit Installation(const QString &serverAddress = QStringLiteral("http://127.0.0.1:9/bin"))
    {
        program = dir.filePath(QStringLiteral("varnex-desktop"));
        QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/varnex-desktop"), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(TestDatabase::templatePath(), dir.filePath(QStringLiteral("database_template.fdb")));
        // The staged update settings, asking the installation's server.
        QFile staged(QStringLiteral(VARNEX_BIN_DIR "/AutoUpdate.ini"));
        staged.open(QIODevice::ReadOnly);
        QByteArray updateSettings = staged.readAll();
        updateSettings.replace("TargetURL=http://127.0.0.1:8099/bin", "TargetURL=" + serverAddress.toUtf8());
        QFile updateIni(dir.filePath(QStringLiteral("AutoUpdate.ini")));
        updateIni.open(QIODevice::WriteOnly);
        updateIni.write(updateSettings);
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        QFile ini(dir.filePath(QStringLiteral("VarnexDesktop.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Settings]\nLocalDataLocation=%APP%/data\nServerAddress=" + serverAddress.toUtf8() + "\n");
        // The sample import's field definitions, as the build stages them.
        QDir(dir.path()).mkpath(QStringLiteral("XMLImportDefinitions"));
        QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/XMLImportDefinitions/SampleFieldDefs.XML"),
                    dir.filePath(QStringLiteral("XMLImportDefinitions/SampleFieldDefs.XML")));
    }

    QString storePath(const QString &fileName) const { return dir.filePath(QStringLiteral("data/") + fileName); }

    // Makes the store the one of officer@example.org (closing it first).
    bool placeStore(TestDatabase &store) const
    {
        store.db().close();
        return QFile::copy(store.path(), storePath(QStringLiteral("officer-at-example-org.fdb")));
    }

    // A batch import by officer@example.org; what it printed on standard error.
    QString runBatchImport(int *exitCode = nullptr, const QString &file = QStringLiteral("samples.xml"))
    {
        QString errorOutput;
        const int code = run({QStringLiteral("-username"), QStringLiteral("officer@example.org"),
                              QStringLiteral("-filetoimport"), file},
                             &errorOutput);
        if (exitCode)
            *exitCode = code;
        return errorOutput;
    }

    // Runs the program; returns its exit code and fills what it printed on standard error.
    int run(const QStringList &arguments, QString *errorOutput,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.setProgram(program);
        p.setArguments(arguments);
        p.start();
        if (!p.waitForFinished(60000)) {
            p.kill();
            return -1;
        }
        *errorOutput = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};
// Tells when the program's login window is there: the window's server monitor asks the server
// whether it is alive as soon as the window is made. Nothing is answered; each connection is
// closed after a moment, so the update check before the login fails at once.
class LoginWindowProbe : public QObject
{
public:
    LoginWindowProbe()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket]() {
                    m_asked = m_asked || socket->readAll().contains("IsAlive");
                });
                QTimer::singleShot(200, socket, [socket]() {
                    socket->abort();
                    socket->deleteLater();
                });
            }
        });
    }
    QString serverAddress() const { return QStringLiteral("http://127.0.0.1:%1/bin").arg(m_server.serverPort()); }
    bool loginWindowShown() const { return m_asked; }

private:
    QTcpServer m_server;
    bool m_asked = false;
};

// A store ready to import the fixture's food sample: the authority, its office and installation,
// the officer, the category tree and durability years around the current one.
void prepareImportStore(TestDatabase &store)
{
    store.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'DEMO', "
                              "LOCAL_AUTH_OFFICE__CODE = 'DEMO01', INSTALLATION_CODE = '099'"));
    store.exec(QStringLiteral("UPDATE SYS_COMPANY SET DURABILITY_YEAR_LOWER_OFFSET = 1, DURABILITY_YEAR_UPPER_OFFSET = 10"));
    store.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, NAME, "
                              "FLAG_DELETED) VALUES (1, 1, 'T', '5E0F4C1A-2B3C-4D5E-8F90-A1B2C3D4E5F6', 'JB', "
                              "'Jo Bloggs', 'F')"));
    CategoryFixture::addList(store, QStringLiteral("mdCategoryTree"), CategoryFixture::tree(), 11);
    CategoryFixture::addList(store, QStringLiteral("mdMAFF"), CategoryFixture::maff(), 12);
}

ImportFixture::Sample sampleOfThisYear(const QString &laNumber)
{
    ImportFixture::Sample sample = ImportFixture::validFoodSample(laNumber);
    sample.insert(QStringLiteral("DurabilityYear"), QString::number(QDate::currentDate().year()));
    return sample;
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void batchRefusals_data();
    void batchRefusals();
    void batchOpensAndUpgradesAnOlderStore();
    void missingUpdateSettingsStopsStartUp();
    void batchUploadsTheStoresSamples();
    void batchNamesDamagedLookupListsOnce();
    void batchImportsValidatesAndUploads_data();
    void batchImportsValidatesAndUploads();
    void batchImportStops_data();
    void batchImportStops();
    void batchImportIsTheSameInEveryLocale();
    void signalEndsTheProgramAtTheLoginWindow_data();
    void signalEndsTheProgramAtTheLoginWindow();
};

void TestStartUp::batchRefusals_data()
{
    QTest::addColumn<QString>("storeSource"); // empty: no store at all
    QTest::addColumn<QString>("settingsUpdate");
    QTest::newRow("no store") << QString() << QString();
    QTest::newRow("suspended") << TestDatabase::templatePath()
                               << QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_SUSPENDED = 'T'");
    QTest::newRow("suspension date passed") << TestDatabase::templatePath()
                                            << QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_AUTO_SUSPEND_DATE = DATE '2000-01-01'");
}

void TestStartUp::batchRefusals()
{
    QFETCH(QString, storeSource);
    QFETCH(QString, settingsUpdate);
    Installation inst;
    if (!storeSource.isEmpty()) {
        TestDatabase store(storeSource);
        store.exec(settingsUpdate);
        QVERIFY(inst.placeStore(store));
    }
    QString err;
    const int code = inst.run({QStringLiteral("-username"), QStringLiteral("Officer@Example.org"),
                               QStringLiteral("-FileToImport"), QStringLiteral("samples.xml")},
                              &err);
    QVERIFY2(code > 0, qPrintable(err));
    QVERIFY2(err.contains(QLatin1String(Refusal)), qPrintable(err));
}

void TestStartUp::batchOpensAndUpgradesAnOlderStore()
{
    Installation inst;
    {
        TestDatabase legacy(TestDatabase::legacyTemplatePath());
        QVERIFY(inst.placeStore(legacy));
    }
    const QString err = inst.runBatchImport();
    QVERIFY2(!err.contains(QLatin1String(Refusal)), qPrintable(err));
    TestDatabase upgraded(inst.storePath(QStringLiteral("officer-at-example-org.fdb")));
    QVERIFY(upgraded.isValid());
    QVERIFY(!upgraded.scalar(QStringLiteral("SELECT 1 FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'SYS_LOCAL_SETTINGS' "
                                            "AND RDB$FIELD_NAME = 'USER_LOGIN_PASSWORD'"))
                 .isNull());
}

void TestStartUp::missingUpdateSettingsStopsStartUp()
{
    Installation inst;
    QVERIFY(QFile::remove(inst.dir.filePath(QStringLiteral("AutoUpdate.ini"))));
    int code = 0;
    const QString err = inst.runBatchImport(&code);
    QVERIFY2(code > 0, qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("Cannot find initialization file ") + inst.dir.filePath(QStringLiteral("AutoUpdate.ini"))),
             qPrintable(err));
}

void TestStartUp::batchUploadsTheStoresSamples()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    Installation inst(server.url());
    const QString code = QStringLiteral("DEMO0990001");
    {
        TestDatabase store;
        store.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'DEMO', "
                                  "LOCAL_AUTH_OFFICE__CODE = 'DEMO01', INSTALLATION_CODE = '099'"));
        store.exec(QStringLiteral("INSERT INTO SAMPLE (CODE, UNIQUE_UUID, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, "
                                  "RECORD_TYPE) VALUES (?, ?, 'DEMO', 'DEMO01', 'FOOD')"),
                   {code, QStringLiteral("0B1E2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D")});
        QVERIFY(inst.placeStore(store));
    }
    const QString err = inst.runBatchImport();
    QVERIFY2(!err.contains(QLatin1String(Refusal)), qPrintable(err));

    TSyncWorkerHelperDM channel(server.url());
    const DataTable rows = channel.RemoteDataAdapter.Open(QStringLiteral("_DYN_SAMPLE"), {},
                                                          {Wire::WhereItem{QStringLiteral("CODE"), Wire::WhereItem::Equal, code}});
    QCOMPARE(rows.rowCount(), 1);
    // The acknowledged upload leaves nothing pending in the store.
    TestDatabase uploaded(inst.storePath(QStringLiteral("officer-at-example-org.fdb")));
    QCOMPARE(uploaded.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE UPDATE_ID < 0")).toInt(), 0);
}

// Batch runs load the lookup lists too (before the import); a damaged one is named on standard
// error, once, and the run goes on.
void TestStartUp::batchNamesDamagedLookupListsOnce()
{
    Installation inst;
    {
        TestDatabase store;
        store.exec(QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                                  "VALUES (1, 1, 'T', 'mdCondition', ?)"),
                   {QByteArray("Ver and then nothing useful")});
        QVERIFY(inst.placeStore(store));
    }
    const QString err = inst.runBatchImport();
    QVERIFY2(!err.contains(QLatin1String(Refusal)), qPrintable(err));
    QCOMPARE(err.count(QStringLiteral("could not be read")), 1);
    QVERIFY2(err.contains(QStringLiteral("mdCondition: ")), qPrintable(err));
}

void TestStartUp::batchImportsValidatesAndUploads_data()
{
    QTest::addColumn<bool>("withInvalid");
    QTest::addColumn<bool>("allowInvalid");
    QTest::addColumn<int>("status");
    QTest::newRow("all valid") << false << false << 0;
    QTest::newRow("one invalid, removed") << true << false << 4;
    QTest::newRow("one invalid, kept") << true << true << 4;
}

// The program imports the file, validates each sample, writes the log beside the file and
// uploads what it imported; its exit status says whether every sample validated.
void TestStartUp::batchImportsValidatesAndUploads()
{
    QFETCH(bool, withInvalid);
    QFETCH(bool, allowInvalid);
    QFETCH(int, status);
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    Installation inst(server.url());
    {
        TestDatabase store;
        prepareImportStore(store);
        QVERIFY(inst.placeStore(store));
    }
    ImportFixture::Sample invalid = sampleOfThisYear(QStringLiteral("LA-2"));
    invalid.remove(QStringLiteral("PackageBatchNumber"));
    QList<ImportFixture::Sample> samples = {sampleOfThisYear(QStringLiteral("LA-1"))};
    if (withInvalid)
        samples << invalid;
    const QString file = inst.dir.filePath(QStringLiteral("In/Samples.XML"));
    QDir(inst.dir.path()).mkpath(QStringLiteral("In"));
    writeAll(file, ImportFixture::document(samples));
    QStringList arguments = {QStringLiteral("-username"), QStringLiteral("officer@example.org"),
                             QStringLiteral("-filetoimport"), file, QStringLiteral("-personality"), QStringLiteral("food")};
    if (allowInvalid)
        arguments << QStringLiteral("-AllowInvalidToImport");
    QString err;
    QCOMPARE(inst.run(arguments, &err), status);

    QByteArray log = "Sample LA-1 created and validated\n";
    if (withInvalid)
        log += "'Batch/Lot number' is required.\nSample LA-2 did not validate.\n";
    QCOMPARE(readAll(file + QStringLiteral(".log")), log);
    QVERIFY2(err.contains(QStringLiteral("Sample LA-1 created and validated")), qPrintable(err));

    TestDatabase imported(inst.storePath(QStringLiteral("officer-at-example-org.fdb")));
    QCOMPARE(imported.scalar(QStringLiteral("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE LA_SAMPLENO = 'LA-1'")).toString(),
             QStringLiteral("VALIDATED"));
    QCOMPARE(imported.scalar(QStringLiteral("SELECT SUB_CATEGORY_DESCRIPTION FROM SAMPLE WHERE LA_SAMPLENO = 'LA-1'"))
                 .toString(),
             QStringLiteral("Milk and cream"));
    QCOMPARE(imported.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE LA_SAMPLENO = 'LA-2'")).toInt(),
             allowInvalid ? 1 : 0);
    // Uploaded: nothing waits, and the server has the samples.
    QCOMPARE(imported.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE UPDATE_ID < 0")).toInt(), 0);
    const QString code = imported.scalar(QStringLiteral("SELECT CODE FROM SAMPLE WHERE LA_SAMPLENO = 'LA-1'")).toString();
    TSyncWorkerHelperDM channel(server.url());
    QCOMPARE(channel.RemoteDataAdapter
                 .Open(QStringLiteral("_DYN_SAMPLE"), {}, {Wire::WhereItem{QStringLiteral("CODE"), Wire::WhereItem::Equal, code}})
                 .rowCount(),
             1);
}

void TestStartUp::batchImportStops_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("removeDefinitions");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    const QByteArray good = ImportFixture::document({sampleOfThisYear(QStringLiteral("LA-1"))});
    QTest::newRow("not an XML name") << "samples.txt" << good << false << 2 << "is not an XML file";
    QTest::newRow("missing") << "gone.xml" << QByteArray() << false << 2 << "cannot be read";
    QTest::newRow("truncated") << "cut.xml" << good.left(good.size() / 2) << false << 2 << "cut.xml: line ";
    QTest::newRow("no definitions") << "s.xml" << good << true << 2 << "The field definitions file ";
    QTest::newRow("upload fails") << "s.xml" << good << false << 3 << "";
}

// Nothing is imported from a file that cannot be imported whole; the program says why on standard
// error and in the log, and still uploads. Without a server, a good import ends with status 3.
void TestStartUp::batchImportStops()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, removeDefinitions);
    QFETCH(int, status);
    QFETCH(QString, error);
    Installation inst;
    {
        TestDatabase store;
        prepareImportStore(store);
        QVERIFY(inst.placeStore(store));
    }
    if (removeDefinitions)
        QVERIFY(QDir(inst.dir.filePath(QStringLiteral("XMLImportDefinitions"))).removeRecursively());
    const QString file = inst.dir.filePath(fileName);
    if (!content.isEmpty())
        writeAll(file, content);
    int code = -1;
    const QString err = inst.runBatchImport(&code, file);
    QCOMPARE(code, status);
    QVERIFY2(err.contains(error), qPrintable(err));
    TestDatabase after(inst.storePath(QStringLiteral("officer-at-example-org.fdb")));
    QCOMPARE(after.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")).toInt(), status == 3 ? 1 : 0);
    if (!error.isEmpty())
        QVERIFY2(readAll(file + QStringLiteral(".log")).contains(error.toUtf8()), readAll(file + QStringLiteral(".log")));
}

// A scheduled job often runs under the C locale: the same file gives the same samples and the same
// log there as under British or German settings, regional Date, Time and Float fields included.
void TestStartUp::batchImportIsTheSameInEveryLocale()
{
    QByteArray definitions = readAll(QStringLiteral(VARNEX_BIN_DIR "/XMLImportDefinitions/SampleFieldDefs.XML"));
    definitions.replace("<Name>SAMPLE_DATE</Name><FieldType>XMLDate</FieldType>", "<Name>SAMPLE_DATE</Name><FieldType>Date</FieldType>");
    definitions.replace("<Name>SAMPLE_TIME</Name><FieldType>XMLTime</FieldType>", "<Name>SAMPLE_TIME</Name><FieldType>Time</FieldType>");
    QList<ImportFixture::Sample> samples;
    for (const char *time : {"10:15", "9.30", "14:05:09"}) {
        ImportFixture::Sample sample = sampleOfThisYear(QStringLiteral("LA-%1").arg(samples.size() + 1));
        sample.insert(QStringLiteral("DateSampleTaken"), QStringLiteral("%1/6/2014").arg(samples.size() + 2));
        sample.insert(QStringLiteral("TimeSampleTaken"), QLatin1String(time));
        sample.insert(QStringLiteral("Temperature"), QStringLiteral("-18.5"));
        samples << sample;
    }
    const QByteArray document = ImportFixture::document(samples);

    QStringList firstRows;
    QByteArray firstLog;
    for (const char *language : {"C.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8"}) {
        Installation inst;
        {
            TestDatabase store;
            prepareImportStore(store);
            store.exec(QStringLiteral("UPDATE SYS_COMPANY SET XML_IMPORT_FIELD_DEFS_FILE = 'Regional.XML'"));
            QVERIFY(inst.placeStore(store));
        }
        writeAll(inst.dir.filePath(QStringLiteral("XMLImportDefinitions/Regional.XML")), definitions);
        const QString file = inst.dir.filePath(QStringLiteral("samples.xml"));
        writeAll(file, document);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANGUAGE"})
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("LANG"), QLatin1String(language));
        QString err;
        QCOMPARE(inst.run({QStringLiteral("-username"), QStringLiteral("officer@example.org"),
                           QStringLiteral("-filetoimport"), file, QStringLiteral("-personality"), QStringLiteral("food")},
                          &err, environment),
                 3); // imported and valid; no server to upload to

        TestDatabase imported(inst.storePath(QStringLiteral("officer-at-example-org.fdb")));
        QStringList rows;
        QSqlQuery q(imported.db());
        QVERIFY(q.exec(QStringLiteral("SELECT LA_SAMPLENO, SAMPLE_DATE, SAMPLE_TIME, TEMPERATURE, SAMPLE_STATUS__CODE "
                                      "FROM SAMPLE ORDER BY LA_SAMPLENO")));
        while (q.next())
            rows << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(q.value(0).toString(), q.value(1).toDate().toString(Qt::ISODate),
                             q.value(2).toTime().toString(Qt::ISODate), QString::number(q.value(3).toDouble()),
                             q.value(4).toString());
        const QByteArray log = readAll(file + QStringLiteral(".log"));
        if (firstRows.isEmpty()) {
            QCOMPARE(rows, QStringList({"LA-1 2014-06-02 10:15:00 -18.5 VALIDATED", "LA-2 2014-06-03 09:30:00 -18.5 VALIDATED",
                                        "LA-3 2014-06-04 14:05:09 -18.5 VALIDATED"}));
            firstRows = rows;
            firstLog = log;
        }
        QVERIFY2(rows == firstRows, language);
        QVERIFY2(log == firstLog, log.constData());
    }
}

void TestStartUp::signalEndsTheProgramAtTheLoginWindow_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

// The store's client library catches both signals once a store is open, and without handlers of
// our own the program went on running; here no store is open yet.
void TestStartUp::signalEndsTheProgramAtTheLoginWindow()
{
    QFETCH(int, signalNumber);
    LoginWindowProbe probe;
    Installation inst(probe.serverAddress());
    QProcess p;
    p.setProgram(inst.program);
    // As from a terminal, whatever this test was started from: a program started with SIGINT
    // ignored keeps it ignored.
    p.setChildProcessModifier([]() { ::signal(SIGINT, SIG_DFL); });
    p.start();
    QVERIFY(p.waitForStarted());
    QVERIFY2(QTest::qWaitFor([&probe]() { return probe.loginWindowShown(); }, 30000), "no login window within 30 s");
    QCOMPARE(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), signalNumber);
    const bool ended = p.waitForFinished(10000);
    if (!ended)
        p.kill();
    QVERIFY2(ended, "the program went on running");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
