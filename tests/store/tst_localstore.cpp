#include "base/VarnexError.h"
#include "store/FBAnydacConnector_DM.h"
#include "store/LocalDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestFiles.h"
#include "store/UserDatabase_DM.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}
} // namespace

class TestLocalStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void expand_data();
    void expand();
    void expandFailures_data();
    void expandFailures();
    void macroFolders_data();
    void macroFolders();

    void naming_data();
    void naming();
    void lookUp();
    void lookUpReportsBadSettingsAndAddresses();

    void createCopiesTemplate();
    void createNeverOverwrites();
    void createWithoutTemplate();

    void connector();
    void connectorFailure();
    void openLocalDatabaseReusesName();

private:
    QString expandPlaceholders(QString text) const;

    QTemporaryDir m_home;
    QTemporaryDir m_program;
};

void TestLocalStore::initTestCase()
{
    QVERIFY(m_home.isValid() && m_program.isValid());
    // Keep every per-user folder inside the test's own folder.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), m_home.filePath("data"));
}

QString TestLocalStore::expandPlaceholders(QString text) const
{
    return text.replace("$PROG", m_program.path()).replace("$HOME", m_home.path()).replace("$DATA", m_home.filePath("data"));
}

void TestLocalStore::expand_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("folder");

    QTest::newRow("default") << "%APP%/data" << "$PROG/data/";
    QTest::newRow("backslashes of another platform") << "%APP%\\data\\sub" << "$PROG/data/sub/";
    QTest::newRow("program folder alone") << "%APP%" << "$PROG/Varnex Desktop/";
    QTest::newRow("empty means the user's data folder") << "" << "$DATA/Varnex Desktop/";
    QTest::newRow("APPDATA alone") << "%APPDATA%" << "$DATA/Varnex Desktop/";
    QTest::newRow("LOCAL_APPDATA with folder") << "%LOCAL_APPDATA%/vx" << "$DATA/vx/";
    QTest::newRow("documents") << "%MYDOCUMENTS%/Stores" << "$HOME/Documents/Stores/";
    QTest::newRow("desktop") << "%DESKTOPDIRECTORY%" << "$HOME/Desktop/Varnex Desktop/";
    QTest::newRow("programs") << "%PROGRAMS%" << "$DATA/applications/Varnex Desktop/";
    QTest::newRow("plain folder, whole path made") << "$HOME/plain/deep/er" << "$HOME/plain/deep/er/";
    QTest::newRow("trailing separator not doubled") << "$HOME/trail/" << "$HOME/trail/";
    QTest::newRow("relative to the program") << "rel/dir" << "$PROG/rel/dir/";
    QTest::newRow("blank in name kept") << "%APP%/my data" << "$PROG/my data/";
}

void TestLocalStore::expand()
{
    QFETCH(QString, value);
    QFETCH(QString, folder);
    value = expandPlaceholders(value);
    folder = expandPlaceholders(folder);
    QCOMPARE(ExpandLocalDataPath(value, m_program.path()), folder);
    QVERIFY(QFileInfo(folder).isDir());
}

void TestLocalStore::expandFailures_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown macro") << "%NOPE%/x" << "%NOPE%/x";
    QTest::newRow("macro names are case-sensitive") << "%app%/data" << "%app%/data";
    QTest::newRow("percent inside a plain path") << "/tmp/50%off" << "/tmp/50%off";
    QTest::newRow("folder cannot be made") << "$HOME/afile/sub" << "$HOME/afile/sub";
}

void TestLocalStore::expandFailures()
{
    QFETCH(QString, value);
    QFETCH(QString, mentions);
    writeAll(m_home.filePath("afile"), "x");
    value = expandPlaceholders(value);
    QString error;
    try {
        ExpandLocalDataPath(value, m_program.path());
    } catch (const VarnexError &e) {
        error = e.message();
    }
    QVERIFY2(error.contains(expandPlaceholders(mentions)), qPrintable(error));
}

void TestLocalStore::macroFolders_data()
{
    QTest::addColumn<QString>("macro");
    QTest::addColumn<bool>("shared"); // by every user of the machine, rather than the user's own
    for (const char *own : {"%APPDATA%", "%LOCAL_APPDATA%", "%MYDOCUMENTS%", "%DESKTOPDIRECTORY%", "%PROGRAMS%"})
        QTest::newRow(own) << QString(own) << false;
    for (const char *shared : {"%COMMON_APPDATA%", "%COMMON_DOCUMENTS%"})
        QTest::newRow(shared) << QString(shared) << true;
}

// A macro names the user's own folder, under the home folder, or one that every user of the
// machine shares, outside it; never a relative one.
void TestLocalStore::macroFolders()
{
    QFETCH(QString, macro);
    QFETCH(bool, shared);
    const QString folder = folderForDataMacro(macro, m_program.path());
    QVERIFY2(QDir::isAbsolutePath(folder), qPrintable(folder));
    QCOMPARE(folder.startsWith(m_home.path() + '/'), !shared);
}

void TestLocalStore::naming_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("name"); // empty: refused

    QTest::newRow("usual") << "john.smith@council.gov.uk" << "john-smith-at-council-gov-uk.fdb";
    QTest::newRow("second @ kept") << "a@b@c.d" << "a-at-b@c-d.fdb";
    QTest::newRow("no @") << "nodomain" << "nodomain.fdb";
    QTest::newRow("dots cannot climb folders") << ".." << "--.fdb";
    QTest::newRow("double dot inside") << "a..b@c" << "a--b-at-c.fdb";
    QTest::newRow("case kept") << "Mixed.Case@X" << "Mixed-Case-at-X.fdb";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blank") << "   " << "";
    QTest::newRow("slash") << "../../etc/passwd" << "";
    QTest::newRow("slash in local part") << "a/b@c.d" << "";
    QTest::newRow("backslash") << "a\\b@c.d" << "";
    QTest::newRow("line feed") << "a\nb@c.d" << "";
    QTest::newRow("tab") << "a\tb@c.d" << "";
    QTest::newRow("NUL") << QString("a") + QChar(0) + QString("b@c.d") << "";
    QTest::newRow("DEL") << QString("a") + QChar(0x7f) + QString("b@c.d") << "";
}

void TestLocalStore::naming()
{
    QFETCH(QString, email);
    QFETCH(QString, name);
    if (name.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(VarnexError, TUserDatabaseDM::ConvertUsernameToDatabaseName(email));
        return;
    }
    QCOMPARE(TUserDatabaseDM::ConvertUsernameToDatabaseName(email), name);
    QVERIFY(!name.contains('/') && !name.contains(".."));
}

void TestLocalStore::lookUp()
{
    TUserDatabaseDM dm("%APP%/stores", m_program.path());
    const QString expected = m_program.filePath("stores/a-at-b-c.fdb");
    QCOMPARE(dm.getDatabasePath(), m_program.filePath("stores") + "/");
    QCOMPARE(dm.getdatabasePathAndName("a@b.c"), expected);
    QVERIFY(!dm.checkUserDatabaseExists("a@b.c"));
    QCOMPARE(dm.getUserDatabase("a@b.c"), QString());
    writeAll(expected, "store");
    QVERIFY(dm.checkUserDatabaseExists("a@b.c"));
    QCOMPARE(dm.getUserDatabase("a@b.c"), expected);

    // Backslashes, as written by installations elsewhere, name the same folder.
    TUserDatabaseDM backslashed("%APP%\\stores", m_program.path());
    QCOMPARE(backslashed.getUserDatabase("a@b.c"), expected);
}

void TestLocalStore::lookUpReportsBadSettingsAndAddresses()
{
    TUserDatabaseDM badMacro("%NOPE%", m_program.path());
    QCOMPARE(badMacro.getdatabasePathAndName("a@b.c"), QString());
    QVERIFY(!badMacro.checkUserDatabaseExists("a@b.c"));
    QVERIFY(!badMacro.CreateUserDatabase("a@b.c"));
    QVERIFY2(badMacro.StatusMessage.contains("%NOPE%"), qPrintable(badMacro.StatusMessage));

    TUserDatabaseDM dm("%APP%/stores", m_program.path());
    QVERIFY(!dm.CreateUserDatabase("../x@y"));
    QVERIFY2(dm.StatusMessage.contains("../x@y"), qPrintable(dm.StatusMessage));
    QVERIFY(!QFile::exists(m_program.filePath("x-at-y.fdb")));
}

void TestLocalStore::createCopiesTemplate()
{
    QTemporaryDir program;
    QVERIFY(QFile::copy(TestDatabase::templatePath(), program.filePath("database_template.fdb")));
    TUserDatabaseDM dm("%APP%/data", program.path());
    const QString store = program.filePath("data/officer-at-council-example.fdb");

    QVERIFY2(dm.CreateUserDatabase("officer@council.example"), qPrintable(dm.StatusMessage));
    QCOMPARE(dm.StatusMessage, QString("Local data store created for user:'") + store);
    QCOMPARE(readAll(store), readAll(TestDatabase::templatePath()));
    QCOMPARE(filesIn(program.filePath("data")), QStringList{"officer-at-council-example.fdb"});

    // The copy is a working store.
    ScopedConnection created(store, "tst-created", "The new store cannot be opened: ");
    QSqlQuery q(created.database());
    QVERIFY(q.exec("SELECT COUNT(*) FROM SAMPLE_OFFICER"));
    QVERIFY(q.next());
}

void TestLocalStore::createNeverOverwrites()
{
    QTemporaryDir program;
    writeAll(program.filePath("database_template.fdb"), "template bytes");
    QVERIFY(QDir().mkpath(program.filePath("data")));
    const QString store = program.filePath("data/u-at-x-y.fdb");
    writeAll(store, "the user's data");

    TUserDatabaseDM dm("%APP%/data", program.path());
    QVERIFY(!dm.CreateUserDatabase("u@x.y"));
    QCOMPARE(dm.StatusMessage, QString("Database for email address 'u@x.y' already exists:'") + store);
    QCOMPARE(readAll(store), QByteArray("the user's data"));

    // A dangling link under the store's name counts as taken and is not followed.
    const QString linked = program.filePath("data/v-at-x-y.fdb");
    QVERIFY(QFile::link(program.filePath("nowhere.fdb"), linked));
    QVERIFY(!dm.CreateUserDatabase("v@x.y"));
    QVERIFY(!QFile::exists(program.filePath("nowhere.fdb")));
    QCOMPARE(filesIn(program.filePath("data")).size(), 2); // no copy left behind
}

void TestLocalStore::createWithoutTemplate()
{
    QTemporaryDir program;
    TUserDatabaseDM dm("%APP%/data", program.path());
    const QString store = program.filePath("data/u-at-x-y.fdb");
    QVERIFY(!dm.CreateUserDatabase("u@x.y"));
    const QString prefix = QString("Could not create local data store'") + store + "\nError massage was :";
    QVERIFY2(dm.StatusMessage.startsWith(prefix), qPrintable(dm.StatusMessage));
    QVERIFY2(dm.StatusMessage.size() > prefix.size(), "the system's error text is missing");
    QVERIFY(filesIn(program.filePath("data")).isEmpty());
}

void TestLocalStore::connector()
{
    TestDatabase copy;
    QVERIFY2(copy.isValid(), qPrintable(copy.errorText()));
    TFBAnydacConnectorDm first("tst-connector-1");
    TFBAnydacConnectorDm second("tst-connector-2");
    // The protocol and server kept are not used: the store is always opened locally.
    QVERIFY2(first.Initialize("", copy.path(), "SYSDBA", "gatepanel", "local"), qPrintable(first.StatusMessage));
    QVERIFY2(second.Initialize("ignored-host", copy.path(), "SYSDBA", "gatepanel", "TCPIP"), qPrintable(second.StatusMessage));
    QCOMPARE(second.serverName(), QString("ignored-host"));
    QCOMPARE(second.protocol(), QString("TCPIP"));

    QSqlDatabase db = first.ADConnection();
    QVERIFY(db.isOpen());
    QVERIFY(db.transaction());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME) VALUES (?, ?, ?, ?)"));
    insert.addBindValue(1);
    insert.addBindValue("U-1");
    insert.addBindValue("C1");
    insert.addBindValue(QString::fromUtf8("Zo\xC3\xAB O'Neill"));
    QVERIFY(insert.exec());
    QVERIFY(db.commit());

    QSqlQuery read(second.ADConnection());
    QVERIFY(read.exec("SELECT NAME FROM SAMPLE_OFFICER WHERE ID = 1"));
    QVERIFY(read.next());
    QCOMPARE(read.value(0).toString(), QString::fromUtf8("Zo\xC3\xAB O'Neill"));

    // Connect reopens on the kept values.
    QVERIFY(second.Connect());
    QVERIFY(second.ADConnection().isOpen());
}

void TestLocalStore::connectorFailure()
{
    QTemporaryDir dir;
    TFBAnydacConnectorDm dm("tst-connector-missing");
    QVERIFY(!dm.Initialize("", dir.filePath("missing.fdb"), "SYSDBA", "gatepanel", "local"));
    const QString prefix = "An error occurred connecting to the database.\nError message was: ";
    QVERIFY2(dm.StatusMessage.startsWith(prefix), qPrintable(dm.StatusMessage));
    QVERIFY(dm.StatusMessage.size() > prefix.size());
    QVERIFY(!QFile::exists(dir.filePath("missing.fdb")));

    TFBAnydacConnectorDm empty("tst-connector-empty");
    QVERIFY(!empty.Initialize("", "", "SYSDBA", "gatepanel", "local"));
    QVERIFY(empty.StatusMessage.startsWith(prefix));
}

void TestLocalStore::openLocalDatabaseReusesName()
{
    TestDatabase a;
    TestDatabase b;
    QVERIFY(a.isValid() && b.isValid());
    QString error;
    {
        QSqlDatabase db = openLocalDatabase(a.path(), "tst-reuse", &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        QCOMPARE(db.databaseName(), a.path());
        QCOMPARE(db.userName(), QString("SYSDBA"));
        QCOMPARE(db.connectOptions(), QString("ISC_DPB_LC_CTYPE=UTF8"));
        QSqlDatabase again = openLocalDatabase(b.path(), "tst-reuse", &error);
        QVERIFY2(again.isOpen(), qPrintable(error));
        QCOMPARE(QSqlDatabase::database("tst-reuse").databaseName(), b.path());
    }
    closeDatabaseConnection("tst-reuse");
    QVERIFY(!QSqlDatabase::contains("tst-reuse"));
}

QTEST_GUILESS_MAIN(TestLocalStore)
#include "tst_localstore.moc"
