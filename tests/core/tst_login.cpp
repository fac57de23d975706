// The login module against a real varnex-server on a loopback port: online and offline logins,
// store creation and numbering, the settings copy and its scope-change reset, suspension, and the
// server monitor.

#include "support/ServerProcess.h"
#include "support/TestDatabase.h"

#include "base/Clock.h"
#include "store/FBAnydacConnector_DM.h"
#include "core/Initialisation_DM.h"
#include "remote/LoginServerChannel.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "store/SqlUtil.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "store/UserDatabase_DM.h"
#include "base/VarnexError.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

namespace {
const QString Password = QStringLiteral("demo");
const QString Plain = QStringLiteral("plain@demo.example");
const QString OfficeAdmin = QStringLiteral("officeadmin@demo.example");
const QString Scoped = QStringLiteral("scope@demo.example");
const QString AutoSuspended = QStringLiteral("autosuspend@demo.example");
const QString Racer = QStringLiteral("racer@demo.example");
// Another officer whose address gives the same store file name as Plain's.
const QString PlainsTwin = QStringLiteral("plain@demo-example");

QString deadUrl()
{
    // A port on which nothing listens.
    return QStringLiteral("http://127.0.0.1:%1/varnex/bin").arg(ServerProcess::freePort());
}

// An installation of the program: its folder (settings file, template) and the modules of a
// login, pointed at one server and one data folder.
struct Rig
{
    QTemporaryDir programDir;
    QString dataDir;
    std::unique_ptr<TRegistryDM> registry;
    std::unique_ptr<TSyncWorkerHelperDM> helper;
    std::unique_ptr<LoginServerChannel> channel;
    std::unique_ptr<TMaindm> maindm;
    std::unique_ptr<TFBAnydacConnectorDm> connector;
    std::unique_ptr<TInitialisationDM> init;

    Rig(const QString &serverUrl, const QString &dataFolder, LoginServerAccess *server = nullptr) : dataDir(dataFolder)
    {
        QFile::copy(TestDatabase::templatePath(), programDir.filePath(TUserDatabaseDM::templateFileName()));
        QFile ini(programDir.filePath(TRegistryDM::defaultFileName()));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[Settings]\nLocalDataLocation=%1\nServerAddress=%2\n").arg(dataFolder, serverUrl).toUtf8());
        ini.close();
        registry = std::make_unique<TRegistryDM>(programDir.path());
        helper = std::make_unique<TSyncWorkerHelperDM>(serverUrl);
        channel = std::make_unique<LoginServerChannel>(*helper);
        maindm = std::make_unique<TMaindm>();
        connector = std::make_unique<TFBAnydacConnectorDm>(QStringLiteral("tst_login.connector"));
        init = std::make_unique<TInitialisationDM>(*registry, *maindm, *connector, server ? *server : *channel,
                                                   &LoginServerChannel::createMonitorChannel);
        maindm->InitialisationDm = init.get();
    }

    ~Rig()
    {
        init.reset();
        connector.reset();
        maindm.reset();
    }

    QString storePath(const QString &email) const
    {
        return QDir(dataDir).filePath(TUserDatabaseDM::ConvertUsernameToDatabaseName(email));
    }

    // The monitor on, as the login dialog starts it.
    bool login(const QString &email, const QString &password)
    {
        init->Initialize(true, 1, {});
        return init->Login(email, password);
    }
};

// Reads and writes one store file outside the modules under test.
struct StoreFile
{
    QString name;
    QSqlDatabase db;
    explicit StoreFile(const QString &path, const QString &connection = QStringLiteral("tst_login.inspect")) : name(connection)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
        db.setDatabaseName(path);
        db.setUserName(QStringLiteral("SYSDBA"));
        db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
        db.open();
    }
    ~StoreFile()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QVariant setting(const char *column)
    {
        return SqlUtil::scalar(db, QStringLiteral("SELECT FIRST 1 %1 FROM SYS_LOCAL_SETTINGS").arg(QLatin1String(column)));
    }
    void exec(const QString &sql, const QVariantList &params = {}) { SqlUtil::exec(db, sql, params); }
};

// Another installation claiming numbers on the same server, just before this one posts.
class RacingServer : public LoginServerAccess
{
public:
    RacingServer(LoginServerAccess &real, int races) : m_real(real), m_races(races) {}
    void SetRemoteServerURL(const QString &url) override { m_real.SetRemoteServerURL(url); }
    bool ServerIsAlive() noexcept override { return m_real.ServerIsAlive(); }
    void SetInternetProxy(const QString &u, const QString &p) override { m_real.SetInternetProxy(u, p); }
    QList<QVariantMap> FindOfficers(const QString &email) override { return m_real.FindOfficers(email); }
    QVariantMap OpenActivationRow(const QString &code) override { return m_real.OpenActivationRow(code); }
    void PostActivationClaim(const QString &code, const QVariant &oldId, qint64 newId, const QString &uuid) override
    {
        if (m_races-- > 0)
            m_real.PostActivationClaim(code, oldId, newId, QStringLiteral("OTHER-INSTALLATION-%1").arg(newId));
        ++posts;
        m_real.PostActivationClaim(code, oldId, newId, uuid);
    }
    int posts = 0;

private:
    LoginServerAccess &m_real;
    int m_races;
};
} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void firstOnlineLoginCreatesNumberedStore();
    void secondStoreGetsNextNumber();
    void lostClaimRaceClaimsAgain();
    void endlessClaimRaceGivesUp();
    void onlineRefusals_data();
    void onlineRefusals();
    void autoSuspensionFollowsClock_data();
    void autoSuspensionFollowsClock();
    void offlineLogin_data();
    void offlineLogin();
    void offlineRefusesIncompleteStore_data();
    void offlineRefusesIncompleteStore();
    void offlineHonoursSuspensionBroughtDown_data();
    void offlineHonoursSuspensionBroughtDown();
    void firstSyncFlagFollowsTheStoreOpened();
    void serverDownWithoutStoreCreatesNothing();
    void laterAttemptForAnotherAddressOpensItsOwnStore();
    void storeOfAnotherAddressWithTheSameFileNameIsRefused();
    void failedSettingsCopyIsRetriedByNextAttempt();
    void scopeChangeResetsSyncMarks_data();
    void scopeChangeResetsSyncMarks();
    void loginWaitsForRunningCheck();
    void monitorTexts();
    void checkEndingAfterStopKeepsMonitorStopped();

private:
    void setOfficer(const QString &email, const QVariantMap &values);
    qint64 lastInstallId();
    QString newDataDir();

    ServerProcess m_server;
    QTemporaryDir m_work;
    QTemporaryDir m_seedDir;
    int m_dirs = 0;
    std::unique_ptr<FixedClock> m_clock;
};

void TestLogin::initTestCase()
{
    QVERIFY(m_work.isValid());
    QFile seed(m_seedDir.filePath(QStringLiteral("seed.json")));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    auto officer = [](const char *code, const char *email, const char *scope, const char *autoSuspend) {
        return QStringLiteral("{\"CODE\": \"%1\", \"NAME\": \"%1\", \"EMAIL_ADDRESS\": \"%2\", \"LOGIN_PASSWORD\": \"demo\", "
                              "\"DATA_SCOPE\": \"%3\", \"IS_SUSPENDED\": \"F\", \"IS_LOCAL_AUTHORITY_ADMIN\": \"F\", "
                              "\"FLAG_DELETED\": \"F\", \"LOCAL_AUTHORITY__CODE\": \"DEMO\", "
                              "\"LOCAL_AUTHORITY_NAME\": \"Demo Borough Council\", \"LOCAL_AUTH_OFFICE__CODE\": \"DEMO01\"%4}")
            .arg(QLatin1String(code), QLatin1String(email), QLatin1String(scope),
                 autoSuspend ? QStringLiteral(", \"AUTO_SUSPEND_DATE\": \"%1\"").arg(QLatin1String(autoSuspend)) : QString());
    };
    seed.write(QStringLiteral("{\"SAMPLE_OFFICER\": [%1, %2, %3, %4]}")
                   .arg(officer("SCOPE", "scope@demo.example", "office", nullptr),
                        officer("AUTOSUSP", "autosuspend@demo.example", "office", "2030-06-01 00:00:00"),
                        officer("RACER", "racer@demo.example", "office", nullptr),
                        officer("TWIN", "plain@demo-example", "office", nullptr))
                   .toUtf8());
    seed.close();
    QVERIFY2(m_server.start({QStringLiteral("--enable-control"), QStringLiteral("--seed"), seed.fileName()}),
             qPrintable(m_server.errorText()));
}

void TestLogin::cleanup()
{
    Clock::setInstance(nullptr);
    m_clock.reset();
    m_server.control("{\"stallMs\": 0}");
}

QString TestLogin::newDataDir()
{
    const QString dir = m_work.filePath(QStringLiteral("data%1").arg(++m_dirs));
    QDir().mkpath(dir);
    return dir;
}

void TestLogin::setOfficer(const QString &email, const QVariantMap &values)
{
    TSyncWorkerHelperDM helper(m_server.url());
    RemoteTable officers(helper.RemoteDataAdapter, QStringLiteral("_DYN_SAMPLE_OFFICER"));
    officers.setWhere({{QStringLiteral("EMAIL_ADDRESS"), Wire::WhereItem::Equal, email}});
    officers.open();
    QCOMPARE(officers.rowCount(), 1);
    const QVariant id = officers.value(0, QStringLiteral("ID"));
    QVariantMap row = values;
    row.insert(QStringLiteral("ID"), id);
    helper.RemoteDataAdapter.ApplyChanges(QStringLiteral("SAMPLE_OFFICER_UPDATE"),
                                          {{Wire::RowChange::Update, {{QStringLiteral("ID"), id}}, row}},
                                          {{QStringLiteral("updateid"), id}});
}

qint64 TestLogin::lastInstallId()
{
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel channel(helper);
    return channel.OpenActivationRow(QStringLiteral("DEMO")).value(QStringLiteral("LAST_INSTALL_ID")).toLongLong();
}

void TestLogin::firstOnlineLoginCreatesNumberedStore()
{
    const qint64 before = lastInstallId();
    Rig rig(m_server.url(), newDataDir());
    QVERIFY2(rig.login(Plain, Password), qPrintable(rig.init->StatusMessage));
    QVERIFY(rig.init->ISFirstSync);
    QVERIFY(rig.init->DBIsActivated());
    QCOMPARE(rig.init->DBDatapath(), rig.storePath(Plain));
    QCOMPARE(rig.maindm->RunMode(), QStringLiteral(": for user ") + Plain);
    QCOMPARE(lastInstallId(), before + 1);

    StoreFile store(rig.storePath(Plain));
    QCOMPARE(store.setting("INSTALLATION_CODE").toString(), QString::number(before + 1).rightJustified(3, QLatin1Char('0')));
    QCOMPARE(store.setting("LOCAL_AUTHORITY__CODE").toString(), QStringLiteral("DEMO"));
    QCOMPARE(store.setting("LOCAL_AUTHORITY_NAME").toString(), QStringLiteral("Demo Borough Council"));
    QCOMPARE(store.setting("LOCAL_AUTH_OFFICE__CODE").toString(), QStringLiteral("DEMO01"));
    QCOMPARE(store.setting("USER_EMAIL_ADDRESS").toString(), Plain);
    QCOMPARE(store.setting("USER_LOGIN_PASSWORD").toString(), Password);
    QCOMPARE(store.setting("USER_DATA_SCOPE").toString(), QStringLiteral("office"));
    QCOMPARE(store.setting("REFRESH_AFTER_SCOPE_CHANGE").toString(), QStringLiteral("F"));
    QVERIFY(store.setting("USER_ID").toLongLong() > 0);

    // The server's numbering row names this installation.
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel channel(helper);
    QVERIFY(!channel.OpenActivationRow(QStringLiteral("DEMO")).value(QStringLiteral("LAST_INSTALL_UUID")).toString().isEmpty());
}

void TestLogin::secondStoreGetsNextNumber()
{
    const qint64 before = lastInstallId();
    {
        Rig first(m_server.url(), newDataDir());
        QVERIFY2(first.login(OfficeAdmin, Password), qPrintable(first.init->StatusMessage));
    }
    Rig second(m_server.url(), newDataDir());
    QVERIFY2(second.login(OfficeAdmin, Password), qPrintable(second.init->StatusMessage));
    StoreFile store(second.storePath(OfficeAdmin));
    QCOMPARE(store.setting("INSTALLATION_CODE").toString(), QString::number(before + 2).rightJustified(3, QLatin1Char('0')));

    // Logging in again to a numbered store claims nothing.
    Rig again(m_server.url(), second.dataDir);
    second.init.reset();
    QVERIFY(again.login(OfficeAdmin, Password));
    QCOMPARE(lastInstallId(), before + 2);
}

void TestLogin::lostClaimRaceClaimsAgain()
{
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel real(helper);
    RacingServer racing(real, 1);
    const qint64 before = lastInstallId();
    Rig rig(m_server.url(), newDataDir(), &racing);
    QVERIFY2(rig.login(Racer, Password), qPrintable(rig.init->StatusMessage));
    QCOMPARE(racing.posts, 2);
    StoreFile store(rig.storePath(Racer));
    // The other installation got before + 1; this one the number after it.
    QCOMPARE(store.setting("INSTALLATION_CODE").toString(), QString::number(before + 2).rightJustified(3, QLatin1Char('0')));
}

void TestLogin::endlessClaimRaceGivesUp()
{
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel real(helper);
    RacingServer racing(real, 1000);
    Rig rig(m_server.url(), newDataDir(), &racing);
    try {
        rig.login(Racer, Password);
        QFAIL("the login went through without an installation number");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("after %1 attempts").arg(TInitialisationDM::MaxActivationAttempts)),
                 qPrintable(e.message()));
    }
    QCOMPARE(racing.posts, TInitialisationDM::MaxActivationAttempts);
    StoreFile store(rig.storePath(Racer));
    QVERIFY(store.setting("INSTALLATION_CODE").toString().isEmpty());
}

void TestLogin::onlineRefusals_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown address") << QStringLiteral("nobody@demo.example") << Password
                                     << QStringLiteral("No user found on server with email address 'nobody@demo.example'");
    QTest::newRow("password letter case counts") << Plain << QStringLiteral("DEMO")
                                                 << QStringLiteral("The password entered does not match the password on the server");
    QTest::newRow("suspended account") << QStringLiteral("suspended@demo.example") << Password
                                       << TInitialisationDM::suspendedMessage();
}

void TestLogin::onlineRefusals()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(QString, message);
    Rig rig(m_server.url(), newDataDir());
    QVERIFY(!rig.login(email, password));
    QCOMPARE(rig.init->StatusMessage, message);
    // A refused server login leaves the local store unopened and uncreated.
    QVERIFY(!rig.init->hasLocalConnection());
    QVERIFY(!QFile::exists(rig.storePath(email)));
}

void TestLogin::autoSuspensionFollowsClock_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("day before the date") << QDate(2030, 5, 31) << true;
    QTest::newRow("on the date") << QDate(2030, 6, 1) << false;
    QTest::newRow("after the date") << QDate(2031, 1, 1) << false;
}

void TestLogin::autoSuspensionFollowsClock()
{
    QFETCH(QDate, today);
    QFETCH(bool, accepted);
    m_clock = std::make_unique<FixedClock>(QDateTime(today, QTime(12, 0)));
    Clock::setInstance(m_clock.get());
    Rig rig(m_server.url(), newDataDir());
    QCOMPARE(rig.login(AutoSuspended, Password), accepted);
    if (!accepted)
        QCOMPARE(rig.init->StatusMessage, TInitialisationDM::suspendedMessage());
}

void TestLogin::offlineLogin_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    QTest::newRow("right password") << Password << true << QStringLiteral("Logged in to the local data store successfully");
    QTest::newRow("wrong password") << QStringLiteral("Demo") << false
                                    << QStringLiteral("The password entered does not match the password in the local data store");
}

void TestLogin::offlineLogin()
{
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    const QString data = newDataDir();
    {
        Rig online(m_server.url(), data);
        QVERIFY2(online.login(Plain, Password), qPrintable(online.init->StatusMessage));
    }
    Rig offline(deadUrl(), data);
    QCOMPARE(offline.login(Plain, password), accepted);
    QCOMPARE(offline.init->StatusMessage, message);
    QVERIFY(!offline.init->ServerConnectionIsAlive());
    QVERIFY(!offline.init->ISFirstSync);
    // Offline, the store is opened before the password is compared.
    QVERIFY(offline.init->hasLocalConnection());
}

void TestLogin::offlineRefusesIncompleteStore_data()
{
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<QString>("message");
    QTest::newRow("never numbered") << false << QStringLiteral("has not been given an installation number");
    QTest::newRow("no stored password") << true << QStringLiteral("No password is stored");
}

void TestLogin::offlineRefusesIncompleteStore()
{
    QFETCH(bool, numbered);
    QFETCH(QString, message);
    const QString data = newDataDir();
    Rig offline(deadUrl(), data);
    if (numbered) {
        {
            Rig online(m_server.url(), data);
            QVERIFY(online.login(Plain, Password));
        }
        StoreFile store(offline.storePath(Plain));
        store.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_LOGIN_PASSWORD = ?"), {QString()});
    } else {
        // A store copied from the template but never numbered (an online login that failed half way).
        QVERIFY(QFile::copy(TestDatabase::templatePath(), offline.storePath(Plain)));
        QFile::setPermissions(offline.storePath(Plain), QFile::ReadOwner | QFile::WriteOwner);
    }
    // Whatever password is typed, even the empty one that would match an empty stored one.
    QVERIFY(!offline.login(Plain, QString()));
    QVERIFY2(offline.init->StatusMessage.contains(message), qPrintable(offline.init->StatusMessage));
    QVERIFY(!offline.login(Plain, Password));
    QVERIFY2(offline.init->StatusMessage.contains(message), qPrintable(offline.init->StatusMessage));
}

void TestLogin::offlineHonoursSuspensionBroughtDown_data()
{
    QTest::addColumn<QString>("suspended");
    QTest::addColumn<QVariant>("autoSuspendDate");
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<bool>("accepted");
    const QVariant noDate(QMetaType(QMetaType::QDate));
    QTest::newRow("officer row active") << QStringLiteral("F") << noDate << QStringLiteral("F") << true;
    QTest::newRow("suspended by an admin") << QStringLiteral("T") << noDate << QStringLiteral("F") << false;
    QTest::newRow("suspension date passed") << QStringLiteral("F") << QVariant(QDate(2000, 1, 1)) << QStringLiteral("F") << false;
    QTest::newRow("deleted old row of the address") << QStringLiteral("T") << noDate << QStringLiteral("T") << true;
}

// The settings row is written only at an online login; a suspension made on the server since then
// reaches the store through the synchronised officer row, and an offline login must honour it.
void TestLogin::offlineHonoursSuspensionBroughtDown()
{
    QFETCH(QString, suspended);
    QFETCH(QVariant, autoSuspendDate);
    QFETCH(QString, deleted);
    QFETCH(bool, accepted);
    const QString data = newDataDir();
    {
        Rig online(m_server.url(), data);
        QVERIFY2(online.login(Plain, Password), qPrintable(online.init->StatusMessage));
    }
    Rig offline(deadUrl(), data);
    {
        StoreFile store(offline.storePath(Plain));
        store.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, EMAIL_ADDRESS, IS_SUSPENDED, "
                                  "AUTO_SUSPEND_DATE, FLAG_DELETED, IS_SYNCING) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'T')"),
                   {4711, QStringLiteral("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), QStringLiteral("PLAIN"),
                    QStringLiteral("Plain"), Plain, suspended, autoSuspendDate, deleted});
    }
    QCOMPARE(offline.login(Plain, Password), accepted);
    if (!accepted)
        QCOMPARE(offline.init->StatusMessage, TInitialisationDM::suspendedMessage());
}

// ISFirstSync tells the first synchronisation pass that the store it works on was made by this
// login; an earlier attempt of the same dialog that made another user's store must not leak it.
void TestLogin::firstSyncFlagFollowsTheStoreOpened()
{
    const QString data = newDataDir();
    {
        Rig online(m_server.url(), data);
        QVERIFY2(online.login(Plain, Password), qPrintable(online.init->StatusMessage));
    }
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel real(helper);
    // Exactly enough lost races to make the first numbering give up; later claims win.
    RacingServer racing(real, TInitialisationDM::MaxActivationAttempts);
    Rig rig(m_server.url(), data, &racing);
    QVERIFY_THROWS_EXCEPTION(VarnexError, rig.login(Racer, Password));
    QVERIFY(QFile::exists(rig.storePath(Racer)));

    QVERIFY2(rig.login(Plain, Password), qPrintable(rig.init->StatusMessage));
    QCOMPARE(rig.init->DBDatapath(), rig.storePath(Plain));
    QVERIFY(!rig.init->ISFirstSync);

    // The store made by the failed attempt has still never been synchronised.
    QVERIFY2(rig.login(Racer, Password), qPrintable(rig.init->StatusMessage));
    QCOMPARE(rig.init->DBDatapath(), rig.storePath(Racer));
    QVERIFY(rig.init->ISFirstSync);
}

void TestLogin::serverDownWithoutStoreCreatesNothing()
{
    Rig rig(deadUrl(), newDataDir());
    QVERIFY(!rig.login(Plain, Password));
    QVERIFY2(rig.init->StatusMessage.startsWith(QStringLiteral("Local datastore '")), qPrintable(rig.init->StatusMessage));
    QVERIFY(rig.init->StatusMessage.contains(QStringLiteral("You must be connected to the server to login for the first time.")));
    QVERIFY(rig.init->DBDatapath().isEmpty());
    QCOMPARE(QDir(rig.dataDir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestLogin::laterAttemptForAnotherAddressOpensItsOwnStore()
{
    const QString data = newDataDir();
    {
        Rig online(m_server.url(), data);
        QVERIFY(online.login(Plain, Password));
        QVERIFY(online.init->LoginToServer(OfficeAdmin, Password));
        QVERIFY(online.init->PrepareLocalStore(OfficeAdmin));
        QVERIFY(online.init->OpenLocalStore(OfficeAdmin));
    }
    Rig rig(deadUrl(), data);
    QVERIFY(rig.login(Plain, Password));
    QCOMPARE(rig.init->DBDatapath(), rig.storePath(Plain));
    // The next attempt in the same dialog names another user: it must get that user's store.
    QVERIFY(rig.login(OfficeAdmin, Password));
    QCOMPARE(rig.init->DBDatapath(), rig.storePath(OfficeAdmin));
    QCOMPARE(rig.maindm->UserLoginEmail(), OfficeAdmin);
    QCOMPARE(SqlUtil::scalar(rig.init->localConnection(), QStringLiteral("SELECT FIRST 1 USER_EMAIL_ADDRESS FROM SYS_LOCAL_SETTINGS")).toString(),
             OfficeAdmin);
    // And an address without a store is refused, leaving no store of the earlier user open.
    QVERIFY(!rig.login(QStringLiteral("nobody@demo.example"), Password));
    QVERIFY(!rig.init->hasLocalConnection());
    QVERIFY(!rig.maindm->ibConnection().isOpen());
}

// "plain@demo.example" and "plain@demo-example" both name the file "plain-at-demo-example.fdb".
// The second officer must never be handed the first one's store, online or offline.
void TestLogin::storeOfAnotherAddressWithTheSameFileNameIsRefused()
{
    const QString data = newDataDir();
    {
        Rig first(m_server.url(), data);
        QVERIFY2(first.login(Plain, Password), qPrintable(first.init->StatusMessage));
        QCOMPARE(first.storePath(PlainsTwin), first.storePath(Plain));
    }
    for (const bool online : {true, false}) {
        Rig rig(online ? m_server.url() : deadUrl(), data);
        QVERIFY(!rig.login(PlainsTwin, Password));
        QVERIFY2(rig.init->StatusMessage.contains(Plain), qPrintable(rig.init->StatusMessage));
        QVERIFY(!rig.init->hasLocalConnection());
        QVERIFY(!rig.maindm->ibConnection().isOpen());
    }
    // Nor is the other officer's suspension recorded in this store.
    setOfficer(PlainsTwin, {{QStringLiteral("IS_SUSPENDED"), QStringLiteral("T")}});
    {
        Rig rig(m_server.url(), data);
        QVERIFY(!rig.login(PlainsTwin, Password));
        QCOMPARE(rig.init->StatusMessage, TInitialisationDM::suspendedMessage());
    }
    setOfficer(PlainsTwin, {{QStringLiteral("IS_SUSPENDED"), QStringLiteral("F")}});
    const QString path = QDir(data).filePath(TUserDatabaseDM::ConvertUsernameToDatabaseName(Plain));
    {
        StoreFile store(path);
        QCOMPARE(store.setting("USER_EMAIL_ADDRESS").toString(), Plain);
        QCOMPARE(store.setting("USER_IS_SUSPENDED").toString(), QStringLiteral("F"));
    }
    // The owner's own suspension is recorded, so that an offline login cannot get round it.
    setOfficer(Plain, {{QStringLiteral("IS_SUSPENDED"), QStringLiteral("T")}});
    bool refused = false;
    {
        Rig rig(m_server.url(), data);
        refused = !rig.login(Plain, Password);
    }
    setOfficer(Plain, {{QStringLiteral("IS_SUSPENDED"), QStringLiteral("F")}});
    QVERIFY(refused);
    StoreFile store(path);
    QCOMPARE(store.setting("USER_IS_SUSPENDED").toString(), QStringLiteral("T"));
}

void TestLogin::failedSettingsCopyIsRetriedByNextAttempt()
{
    Rig rig(m_server.url(), newDataDir());
    QVERIFY(rig.login(Plain, Password));
    // The server changes the user's password; a repeated attempt in the same dialog (store already
    // open) must still copy the current settings.
    setOfficer(Plain, {{QStringLiteral("LOGIN_PASSWORD"), QStringLiteral("changed")}});
    QVERIFY(rig.init->Login(Plain, QStringLiteral("changed")));
    StoreFile store(rig.storePath(Plain));
    QCOMPARE(store.setting("USER_LOGIN_PASSWORD").toString(), QStringLiteral("changed"));
    setOfficer(Plain, {{QStringLiteral("LOGIN_PASSWORD"), Password}});
}

void TestLogin::scopeChangeResetsSyncMarks_data()
{
    QTest::addColumn<QString>("storedFlag"); // REFRESH_AFTER_SCOPE_CHANGE before the second login; "null" for NULL
    QTest::addColumn<QString>("oldScope");
    QTest::addColumn<QString>("oldOffice");
    QTest::addColumn<QString>("newScope");
    QTest::addColumn<QString>("newOffice");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QString>("storedScope");

    QTest::newRow("first login of the user") << "null" << "office" << "DEMO01" << "office" << "DEMO01" << true << "office";
    QTest::newRow("same scope, same office") << "F" << "office" << "DEMO01" << "office" << "DEMO01" << false << "office";
    QTest::newRow("office scope, office changed") << "F" << "office" << "DEMO01" << "office" << "DEMO02" << true << "office";
    QTest::newRow("authority scope, office changed") << "F" << "authority" << "DEMO01" << "authority" << "DEMO02" << false
                                                     << "authority";
    QTest::newRow("scope changed office to authority") << "F" << "office" << "DEMO01" << "authority" << "DEMO01" << true
                                                       << "authority";
    QTest::newRow("empty scope is office") << "F" << "office" << "DEMO01" << "" << "DEMO01" << false << "office";
    QTest::newRow("empty scope from authority") << "F" << "authority" << "DEMO01" << "" << "DEMO01" << true << "office";
}

void TestLogin::scopeChangeResetsSyncMarks()
{
    QFETCH(QString, storedFlag);
    QFETCH(QString, oldScope);
    QFETCH(QString, oldOffice);
    QFETCH(QString, newScope);
    QFETCH(QString, newOffice);
    QFETCH(bool, reset);
    QFETCH(QString, storedScope);

    const QString data = newDataDir();
    setOfficer(Scoped, {{QStringLiteral("DATA_SCOPE"), oldScope}, {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), oldOffice}});
    {
        Rig first(m_server.url(), data);
        QVERIFY2(first.login(Scoped, Password), qPrintable(first.init->StatusMessage));
    }
    Rig rig(m_server.url(), data);
    {
        StoreFile store(rig.storePath(Scoped));
        store.exec(QStringLiteral("UPDATE OR INSERT INTO SYS_SYNC (TABLE_NAME, UPDATE_ID) VALUES (?, ?) MATCHING (TABLE_NAME)"),
                   {QStringLiteral("SAMPLE"), 57});
        store.exec(QStringLiteral("UPDATE OR INSERT INTO SYS_SYNC (TABLE_NAME, UPDATE_ID) VALUES (?, ?) MATCHING (TABLE_NAME)"),
                   {QStringLiteral("SAMPLE_OFFICER"), 12});
        store.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET REFRESH_AFTER_SCOPE_CHANGE = ?"),
                   {storedFlag == QLatin1String("null") ? QVariant(QMetaType(QMetaType::QString)) : QVariant(storedFlag)});
    }
    setOfficer(Scoped, {{QStringLiteral("DATA_SCOPE"), newScope.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(newScope)},
                        {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), newOffice}});
    QVERIFY2(rig.login(Scoped, Password), qPrintable(rig.init->StatusMessage));

    StoreFile store(rig.storePath(Scoped));
    QCOMPARE(store.setting("USER_DATA_SCOPE").toString(), storedScope);
    QCOMPARE(store.setting("LOCAL_AUTH_OFFICE__CODE").toString(), newOffice);
    QCOMPARE(store.setting("REFRESH_AFTER_SCOPE_CHANGE").toString(), QStringLiteral("F"));
    const qint64 marks = SqlUtil::scalar(store.db, QStringLiteral("SELECT SUM(UPDATE_ID) FROM SYS_SYNC")).toLongLong();
    QCOMPARE(marks, reset ? 0 : 57 + 12);
}

void TestLogin::loginWaitsForRunningCheck()
{
    const QString data = newDataDir();
    // Slow answers keep the first check running when "OK" is pressed.
    QVERIFY(m_server.control("{\"stallMs\": 300}"));
    Rig rig(m_server.url(), data);
    rig.init->Initialize(true, 1, {});
    QTRY_VERIFY(rig.init->isCheckRunning());
    QVERIFY(!rig.init->ServerConnectionIsAlive());
    // The online path: only it can create the store.
    QVERIFY2(rig.init->Login(Plain, Password), qPrintable(rig.init->StatusMessage));
    QVERIFY(rig.init->loggedInToServer());
    QVERIFY(rig.init->ServerConnectionIsAlive());
    QVERIFY(QFile::exists(rig.storePath(Plain)));
}

void TestLogin::monitorTexts()
{
    for (const bool alive : {true, false}) {
        Rig rig(alive ? m_server.url() : deadUrl(), newDataDir());
        QSignalSpy done(rig.init.get(), &TInitialisationDM::serverCheckDone);
        QList<bool> onMainThread;
        rig.init->Initialize(true, 1, [&] { onMainThread << (QThread::currentThread() == qApp->thread()); });
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(onMainThread, QList<bool>{true});
        QCOMPARE(rig.init->ServerConnectionIsAlive(), alive);
        QCOMPARE(rig.init->MonitorServerConnectionStatusMessage(),
                 alive ? QStringLiteral("Server OK") : QStringLiteral("Offline"));
        // The next check is armed for later, never overlapping this one.
        QCOMPARE(rig.init->timerInterval(), TInitialisationDM::RefreshIntervalMs);
        QVERIFY(rig.init->timerActive());
        QVERIFY(!rig.init->isCheckRunning());

        rig.init->SetMonitorServerIsConnected(false);
        QCOMPARE(rig.init->MonitorServerConnectionStatusMessage(), QStringLiteral("Not monitoring"));
        QVERIFY(!rig.init->timerActive());
    }
}

// The main window stops the monitor at close, possibly while a check is under way: that check's
// end must neither re-arm the monitor nor replace the "Not monitoring" text.
void TestLogin::checkEndingAfterStopKeepsMonitorStopped()
{
    QVERIFY(m_server.control("{\"stallMs\": 300}"));
    Rig rig(m_server.url(), newDataDir());
    QSignalSpy done(rig.init.get(), &TInitialisationDM::serverCheckDone);
    rig.init->Initialize(true, 1, {});
    QTRY_VERIFY(rig.init->isCheckRunning());
    rig.init->SetMonitorServerIsConnected(false);
    QTRY_COMPARE(done.count(), 1);
    QVERIFY(!rig.init->isCheckRunning());
    QVERIFY(!rig.init->timerActive());
    QCOMPARE(rig.init->MonitorServerConnectionStatusMessage(), QStringLiteral("Not monitoring"));
}

QTEST_GUILESS_MAIN(TestLogin)
#include "tst_login.moc"
