// The login module against a real varnex-server on a loopback port: online and offline logins,
// store creation and numbering, the settings copy and its scope-change reset, suspension, and the
// server monitor.

#include "support/ServerProcess.h"
#include "support/TestDatabase.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "core/BatchLogin.h"
#include "core/Initialisation_DM.h"
#include "core/LoginRules.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "remote/LoginServerChannel.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "store/FBAnydacConnector_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "store/UserDatabase_DM.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>

namespace {
const QString Password = QStringLiteral("demo");
const QString Plain = QStringLiteral("plain@demo.example");
const QString OfficeAdmin = QStringLiteral("officeadmin@demo.example");
const QString Scoped = QStringLiteral("scope@demo.example");
const QString Racer = QStringLiteral("racer@demo.example");
// Another officer whose address gives the same store file name as Plain's.
const QString PlainsTwin = QStringLiteral("plain@demo-example");

QString deadUrl()
{
    // A port on which nothing listens.
    return QStringLiteral("http://127.0.0.1:%1/varnex/bin").arg(ServerProcess::freePort());
}

using LoginResult = TInitialisationDM::LoginResult;

// No automatic suspension date, in a table of days from today.
const int NoSuspensionDate = 99999;

// How one login ended.
struct Outcome
{
    LoginResult result = LoginResult::Failed;
    QString message;
};

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

    // Starts a login and waits for its end, as the login dialog does.
    Outcome attempt(const QString &email, const QString &password)
    {
        std::optional<Outcome> outcome;
        const auto connection = QObject::connect(init.get(), &TInitialisationDM::loginFinished,
                                                 [&](LoginResult result, const QString &message) {
                                                     outcome = Outcome{result, message};
                                                 });
        init->Login(email, password);
        // A login that never ends fails the test, whatever the test expected of it.
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 60000))
            QTest::qFail("The login did not end within a minute.", __FILE__, __LINE__);
        QObject::disconnect(connection);
        return outcome.value_or(Outcome{LoginResult::Failed, QStringLiteral("The login did not end within a minute.")});
    }

    // The monitor on, as the login dialog starts it; true when the login went through.
    bool login(const QString &email, const QString &password)
    {
        init->Initialize(true, 1, {});
        return attempt(email, password).result == LoginResult::LoggedIn;
    }
};

// Reads and writes one store file outside the modules under test.
struct StoreFile
{
    ScopedConnection connection;
    QSqlDatabase db;
    explicit StoreFile(const QString &path, const QString &name = QStringLiteral("tst_login.inspect"))
        : connection(path, name, QStringLiteral("The store cannot be inspected: ")), db(connection.database())
    {
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

// The real server, made to stall once the officer look-up has been answered, so that the login is
// cancelled while its numbering claim waits for the server.
class StallAfterLookUp : public LoginServerAccess
{
public:
    StallAfterLookUp(LoginServerAccess &real, ServerProcess &server) : m_real(real), m_server(server) {}
    void SetRemoteServerURL(const QString &url) override { m_real.SetRemoteServerURL(url); }
    bool ServerIsAlive() noexcept override { return m_real.ServerIsAlive(); }
    void SetInternetProxy(const QString &u, const QString &p) override { m_real.SetInternetProxy(u, p); }
    QList<QVariantMap> FindOfficers(const QString &email) override
    {
        const QList<QVariantMap> rows = m_real.FindOfficers(email);
        if (!m_stalled.exchange(true))
            m_server.control("{\"stallMs\": 2000}");
        return rows;
    }
    QVariantMap OpenActivationRow(const QString &code) override
    {
        ++activationCalls;
        ++inFlight;
        const QVariantMap row = m_real.OpenActivationRow(code);
        --inFlight;
        return row;
    }
    void PostActivationClaim(const QString &code, const QVariant &oldId, qint64 newId, const QString &uuid) override
    {
        ++posts;
        m_real.PostActivationClaim(code, oldId, newId, uuid);
    }
    std::atomic<int> activationCalls{0};
    std::atomic<int> inFlight{0};
    std::atomic<int> posts{0};

private:
    LoginServerAccess &m_real;
    ServerProcess &m_server;
    std::atomic<bool> m_stalled{false};
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
    void offlineLogin_data();
    void offlineLogin();
    void offlineRefusesIncompleteStore_data();
    void offlineRefusesIncompleteStore();
    void offlineHonoursSuspensionBroughtDown_data();
    void offlineHonoursSuspensionBroughtDown();
    void firstSyncFlagFollowsTheStoreOpened();
    void serverDownWithoutStoreCreatesNothing();
    void laterAttemptForAnotherAddressOpensItsOwnStore();
    void loginRuleOverEveryPath_data();
    void loginRuleOverEveryPath();
    void failedSettingsCopyIsRetriedByNextAttempt();
    void scopeChangeResetsSyncMarks_data();
    void scopeChangeResetsSyncMarks();
    void loginWaitsForRunningCheck();
    void cancelledNumberingLeavesNothingHalfDone();
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
    // A numbered store of Plain's, made once, with a live officer row of the address.
    QString m_plainStore;
};

void TestLogin::initTestCase()
{
    QVERIFY(m_work.isValid());
    QFile seed(m_seedDir.filePath(QStringLiteral("seed.json")));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    auto officer = [](const char *code, const char *email, const char *scope) {
        return QStringLiteral("{\"CODE\": \"%1\", \"NAME\": \"%1\", \"EMAIL_ADDRESS\": \"%2\", \"LOGIN_PASSWORD\": \"demo\", "
                              "\"DATA_SCOPE\": \"%3\", \"IS_SUSPENDED\": \"F\", \"IS_LOCAL_AUTHORITY_ADMIN\": \"F\", "
                              "\"FLAG_DELETED\": \"F\", \"LOCAL_AUTHORITY__CODE\": \"DEMO\", "
                              "\"LOCAL_AUTHORITY_NAME\": \"Demo Borough Council\", \"LOCAL_AUTH_OFFICE__CODE\": \"DEMO01\"}")
            .arg(QLatin1String(code), QLatin1String(email), QLatin1String(scope));
    };
    seed.write(QStringLiteral("{\"SAMPLE_OFFICER\": [%1, %2, %3]}")
                   .arg(officer("SCOPE", "scope@demo.example", "office"),
                        officer("RACER", "racer@demo.example", "office"),
                        officer("TWIN", "plain@demo-example", "office"))
                   .toUtf8());
    seed.close();
    QVERIFY2(m_server.start({QStringLiteral("--enable-control"), QStringLiteral("--seed"), seed.fileName()}),
             qPrintable(m_server.errorText()));

    const QString data = newDataDir();
    {
        Rig online(m_server.url(), data);
        QVERIFY2(online.login(Plain, Password), qPrintable(online.init->StatusMessage));
        m_plainStore = online.storePath(Plain);
    }
    StoreFile store(m_plainStore);
    store.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, EMAIL_ADDRESS, IS_SUSPENDED, "
                              "FLAG_DELETED, IS_SYNCING) VALUES (?, ?, ?, ?, ?, 'F', 'F', 'T')"),
               {4711, QStringLiteral("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"), QStringLiteral("PLAIN"),
                QStringLiteral("Plain"), Plain});
}

void TestLogin::cleanup()
{
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
    rig.init->Initialize(true, 1, {});
    const Outcome outcome = rig.attempt(Racer, Password);
    QCOMPARE(outcome.result, LoginResult::Failed);
    QVERIFY2(outcome.message.contains(QStringLiteral("after %1 attempts").arg(TInitialisationDM::MaxActivationAttempts)),
             qPrintable(outcome.message));
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
                                       << AccountSuspended::text();
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
        QCOMPARE(offline.init->StatusMessage, AccountSuspended::text());
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
    rig.init->Initialize(true, 1, {});
    QCOMPARE(rig.attempt(Racer, Password).result, LoginResult::Failed);
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
        QVERIFY(online.login(OfficeAdmin, Password));
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

void TestLogin::failedSettingsCopyIsRetriedByNextAttempt()
{
    Rig rig(m_server.url(), newDataDir());
    QVERIFY(rig.login(Plain, Password));
    // The server changes the user's password; a repeated attempt in the same dialog (store already
    // open) must still copy the current settings.
    setOfficer(Plain, {{QStringLiteral("LOGIN_PASSWORD"), QStringLiteral("changed")}});
    QCOMPARE(rig.attempt(Plain, QStringLiteral("changed")).result, LoginResult::LoggedIn);
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

void TestLogin::loginRuleOverEveryPath_data()
{
    // Each case is tried on the three ways in: online (the account's facts on the server), offline
    // and unattended (the facts in the store's settings row, where the last online login copied
    // them). The store is Plain's, with a live officer row of Plain's; "today" is fixed.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("recordedOwner");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<int>("suspendInDays"); // the automatic suspension date in days from today
    QTest::addColumn<QString>("refusal");   // empty: let in; "suspended"; "owner"
    const int none = NoSuspensionDate;
    struct Case
    {
        const char *name;
        QString email;
        QString owner;
        const char *flag;
        int days;
        const char *refusal;
    };
    const Case cases[] = {
        {"active", Plain, Plain, "F", none, ""},
        {"suspended by an admin", Plain, Plain, "T", none, "suspended"},
        {"suspension date today", Plain, Plain, "F", 0, "suspended"},
        {"suspension date passed", Plain, Plain, "F", -30, "suspended"},
        {"suspension date tomorrow", Plain, Plain, "F", 1, ""},
        {"owner recorded in capitals", Plain, QStringLiteral("PLAIN@Demo.Example"), "F", none, ""},
        {"store of another address", PlainsTwin, Plain, "F", none, "owner"},
        {"suspended, on another address's store", PlainsTwin, Plain, "T", none, "owner"},
    };
    for (const char *path : {"online", "offline", "batch"})
        for (const Case &c : cases)
            QTest::addRow("%s: %s", path, c.name) << QString::fromLatin1(path) << c.email << c.owner
                                                  << QString::fromLatin1(c.flag) << c.days << QString::fromLatin1(c.refusal);
}

// One rule decides every login: the store belongs to the address its last online login recorded,
// and a suspended account is refused. No login writes a suspension into the synchronised officer
// rows; only an online login writes the settings row, recording a suspension the server reported
// in the account's own store so that an offline login cannot get round it.
void TestLogin::loginRuleOverEveryPath()
{
    QFETCH(QString, path);
    QFETCH(QString, email);
    QFETCH(QString, recordedOwner);
    QFETCH(QString, flag);
    QFETCH(int, suspendInDays);
    QFETCH(QString, refusal);
    const QDate today(2031, 3, 10);
    FixedClock clock(QDateTime(today, QTime(9, 0)));
    ScopedClock useClock(&clock);
    const QVariant date = suspendInDays == NoSuspensionDate ? QVariant(QMetaType(QMetaType::QDate))
                                                            : QVariant(today.addDays(suspendInDays));

    const QString data = newDataDir();
    const QString store = QDir(data).filePath(QFileInfo(m_plainStore).fileName());
    QVERIFY(QFile::copy(m_plainStore, store));
    QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner);
    {
        StoreFile file(store);
        file.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_EMAIL_ADDRESS = ?"), {recordedOwner});
        if (path != QLatin1String("online"))
            file.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_SUSPENDED = ?, USER_AUTO_SUSPEND_DATE = ?"),
                      {flag, date});
    }

    QString refusedWith; // empty: let in
    if (path == QLatin1String("online")) {
        const QVariant serverDate = date.isNull() ? QVariant(QMetaType(QMetaType::QDateTime))
                                                  : QVariant(QDateTime(date.toDate(), QTime(0, 0)));
        setOfficer(email, {{QStringLiteral("IS_SUSPENDED"), flag}, {QStringLiteral("AUTO_SUSPEND_DATE"), serverDate}});
        const auto restore = qScopeGuard([&] {
            setOfficer(email, {{QStringLiteral("IS_SUSPENDED"), QStringLiteral("F")},
                               {QStringLiteral("AUTO_SUSPEND_DATE"), QVariant(QMetaType(QMetaType::QDateTime))}});
        });
        Rig rig(m_server.url(), data);
        if (!rig.login(email, Password)) {
            refusedWith = rig.init->StatusMessage;
            QVERIFY(!rig.init->hasLocalConnection());
        }
    } else if (path == QLatin1String("offline")) {
        Rig rig(deadUrl(), data);
        if (!rig.login(email, Password)) {
            refusedWith = rig.init->StatusMessage;
            QVERIFY(!rig.init->hasLocalConnection());
            QVERIFY(!rig.maindm->ibConnection().isOpen());
        }
    } else {
        Rig installation(deadUrl(), data);
        TMaindm maindm;
        TFBAnydacConnectorDm connector(QStringLiteral("tst_login.batch"));
        LocalStoreValues values;
        try {
            BatchLogin(email, QStringLiteral("not compared"), *installation.registry, maindm, connector, values);
            QVERIFY(maindm.UserID > 0);
        } catch (const LoginRefused &e) {
            refusedWith = e.message();
        }
    }

    if (refusal.isEmpty())
        QVERIFY2(refusedWith.isEmpty(), qPrintable(refusedWith));
    else if (refusal == QLatin1String("suspended"))
        QCOMPARE(refusedWith, AccountSuspended::text());
    else
        QVERIFY2(refusedWith.contains(QStringLiteral("belongs to '%1'").arg(recordedOwner)), qPrintable(refusedWith));

    StoreFile file(store);
    QCOMPARE(SqlUtil::scalar(file.db, QStringLiteral("SELECT IS_SUSPENDED FROM SAMPLE_OFFICER WHERE ID = 4711")).toString(),
             QStringLiteral("F"));
    const QString recordedFlag = file.setting("USER_IS_SUSPENDED").toString();
    if (path == QLatin1String("online")) {
        QCOMPARE(recordedFlag, refusal == QLatin1String("suspended") ? QStringLiteral("T") : QStringLiteral("F"));
    } else {
        QCOMPARE(recordedFlag, flag);
        QCOMPARE(file.setting("USER_AUTO_SUSPEND_DATE"), date);
        QCOMPARE(file.setting("USER_EMAIL_ADDRESS").toString(), recordedOwner);
    }
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
    QCOMPARE(rig.attempt(Plain, Password).result, LoginResult::LoggedIn);
    QVERIFY(rig.init->loggedInToServer());
    QVERIFY(rig.init->ServerConnectionIsAlive());
    QVERIFY(QFile::exists(rig.storePath(Plain)));
}

// A cancelled login stops waiting for the server at once and leaves nothing half done: the store
// it made stays unnumbered and without the user's settings, and the abandoned claim makes no
// further call, so the next login numbers the store once.
void TestLogin::cancelledNumberingLeavesNothingHalfDone()
{
    TSyncWorkerHelperDM helper(m_server.url());
    LoginServerChannel real(helper);
    StallAfterLookUp stalling(real, m_server);
    const qint64 before = lastInstallId();
    Rig rig(m_server.url(), newDataDir(), &stalling);
    int finished = 0;
    QObject::connect(rig.init.get(), &TInitialisationDM::loginFinished, [&finished] { ++finished; });
    rig.init->Initialize(true, 1, {});
    rig.init->Login(Racer, Password);
    QTRY_COMPARE(stalling.inFlight.load(), 1);
    rig.init->CancelLogin();
    QVERIFY(!rig.init->isLoginRunning());

    QTRY_COMPARE_WITH_TIMEOUT(stalling.inFlight.load(), 0, 15000);
    QTest::qWait(200);
    QCOMPARE(finished, 0);
    QCOMPARE(stalling.activationCalls.load(), 1);
    QCOMPARE(stalling.posts.load(), 0);
    QCOMPARE(lastInstallId(), before);
    {
        StoreFile store(rig.storePath(Racer));
        QVERIFY(store.setting("INSTALLATION_CODE").toString().isEmpty());
        QVERIFY(store.setting("USER_EMAIL_ADDRESS").toString().isEmpty());
    }

    QVERIFY(m_server.control("{\"stallMs\": 0}"));
    QVERIFY2(rig.login(Racer, Password), qPrintable(rig.init->StatusMessage));
    QCOMPARE(lastInstallId(), before + 1);
    StoreFile store(rig.storePath(Racer));
    QCOMPARE(store.setting("INSTALLATION_CODE").toString(), QString::number(before + 1).rightJustified(3, QLatin1Char('0')));
    QCOMPARE(store.setting("USER_EMAIL_ADDRESS").toString(), Racer);
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
