// The login dialog, offscreen, over a login module whose server is an in-memory stand-in, and once
// over a real server that stalls.

#include "support/ServerProcess.h"
#include "support/TestDatabase.h"

#include "core/ui/Connection_FRM.h"
#include "store/FBAnydacConnector_DM.h"
#include "core/Initialisation_DM.h"
#include "core/Main_DM.h"
#include "base/Prompter.h"
#include "core/Registry_DM.h"
#include "remote/LoginServerChannel.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "store/UserDatabase_DM.h"
#include "base/VarnexError.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

namespace {
// The central server as the login sees it. Used from the main thread, except ServerIsAlive, which
// only reads the flag fixed at creation.
class FakeServer : public LoginServerAccess
{
public:
    explicit FakeServer(bool alive) : m_alive(alive) {}
    void SetRemoteServerURL(const QString &) override {}
    bool ServerIsAlive() noexcept override { return m_alive; }
    void SetInternetProxy(const QString &, const QString &) override {}
    QList<QVariantMap> FindOfficers(const QString &email) override
    {
        if (failWith.has_value())
            throw VarnexError(*failWith);
        if (email != QLatin1String("plain@demo.example"))
            return {};
        return {QVariantMap{{"ID", 7}, {"EMAIL_ADDRESS", email}, {"LOGIN_PASSWORD", "demo"}, {"IS_SUSPENDED", "F"},
                            {"DATA_SCOPE", "office"}, {"LOCAL_AUTHORITY__CODE", "DEMO"},
                            {"LOCAL_AUTHORITY_NAME", "Demo Borough Council"}, {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"},
                            {"IS_LOCAL_AUTHORITY_ADMIN", "F"}}};
    }
    QVariantMap OpenActivationRow(const QString &) override { return activation; }
    void PostActivationClaim(const QString &, const QVariant &oldId, qint64 newId, const QString &uuid) override
    {
        if (activation.value("LAST_INSTALL_ID") != oldId)
            throw VarnexError(QStringLiteral("changed by someone else"));
        activation.insert("LAST_INSTALL_ID", newId);
        activation.insert("LAST_INSTALL_UUID", uuid);
    }
    std::optional<QString> failWith;
    QVariantMap activation{{"CODE", "DEMO"}, {"NAME", "Demo Borough Council"}, {"LAST_INSTALL_ID", 4}};

private:
    const bool m_alive;
};

struct Rig
{
    QTemporaryDir programDir;
    FakeServer server;
    // The real server's channel, when the rig talks to one.
    std::unique_ptr<TSyncWorkerHelperDM> helper;
    std::unique_ptr<LoginServerChannel> channel;
    std::unique_ptr<TRegistryDM> registry;
    std::unique_ptr<TMaindm> maindm;
    std::unique_ptr<TFBAnydacConnectorDm> connector;
    std::unique_ptr<TInitialisationDM> init;
    RecordingPrompter prompter;
    ScopedPrompter scope{&prompter};

    // Over the in-memory stand-in.
    explicit Rig(bool alive) : server(alive)
    {
        install({});
        init = std::make_unique<TInitialisationDM>(*registry, *maindm, *connector, server,
                                                   [alive](const QString &) { return std::make_unique<FakeServer>(alive); });
    }
    // Over a real server.
    explicit Rig(const QString &serverUrl) : server(false)
    {
        install("ServerAddress=" + serverUrl.toUtf8() + "\n");
        helper = std::make_unique<TSyncWorkerHelperDM>(serverUrl);
        channel = std::make_unique<LoginServerChannel>(*helper);
        init = std::make_unique<TInitialisationDM>(*registry, *maindm, *connector, *channel,
                                                   &LoginServerChannel::createMonitorChannel);
    }
    ~Rig()
    {
        init.reset();
        connector.reset();
        maindm.reset();
    }

private:
    void install(const QByteArray &settings)
    {
        QFile::copy(TestDatabase::templatePath(), programDir.filePath(TUserDatabaseDM::templateFileName()));
        QDir(programDir.path()).mkpath(QStringLiteral("data"));
        QFile ini(programDir.filePath(TRegistryDM::defaultFileName()));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Settings]\nLocalDataLocation=%APP%/data\n" + settings
                  + "[Contact]\nHelplineNumber=0800 111 222\nWebsite=http://varnex.example/\n");
        ini.close();
        registry = std::make_unique<TRegistryDM>(programDir.path());
        maindm = std::make_unique<TMaindm>();
        connector = std::make_unique<TFBAnydacConnectorDm>(QStringLiteral("tst_connectionfrm.connector"));
    }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void clearUserRegistry()
{
    QSettings(QStringLiteral("Tarvello"), QStringLiteral("VRXNet")).clear();
}
} // namespace

class TestConnectionFrm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { clearUserRegistry(); }
    void startsFromUserRegistryAndContacts();
    void monitorFeedsStatusLabel();
    void threeRefusalsCloseTheProgram();
    void errorInsideLoginIsShownNotCounted();
    void exitAsksFirst_data();
    void exitAsksFirst();
    void successfulLoginRemembersAndCloses();
    void stalledServerKeepsTheDialogPaintingAndCancellable();
};

void TestConnectionFrm::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestConnectionFrm::startsFromUserRegistryAndContacts()
{
    {
        UserRegistry reg;
        reg.setPersonality(QStringLiteral("ANIMAL FEED"));
        reg.setEmailAddress(QStringLiteral("Plain@Demo.example"));
    }
    Rig rig(false);
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    QVERIFY(dialog.rbAnimalFeed->isChecked());
    QCOMPARE(dialog.EmailAddress(), QStringLiteral("Plain@Demo.example"));
    QCOMPARE(dialog.lblStatus->text(), QStringLiteral("Not Connected"));
    QVERIFY(dialog.lblHelpline->text().contains(QStringLiteral("0800 111 222")));
    QVERIFY(dialog.lblWebsite->text().contains(QStringLiteral("href=\"http://varnex.example/\"")));
    QCOMPARE(rig.maindm->InitialisationDm, static_cast<IInitialisationInfo *>(rig.init.get()));
    QVERIFY(dialog.btnOK->isDefault());
}

void TestConnectionFrm::monitorFeedsStatusLabel()
{
    for (const bool alive : {true, false}) {
        Rig rig(alive);
        TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
        QTRY_COMPARE(dialog.lblStatus->text(), alive ? QStringLiteral("Server OK") : QStringLiteral("Offline"));
    }
}

void TestConnectionFrm::threeRefusalsCloseTheProgram()
{
    Rig rig(false); // offline, and no store: every attempt is refused
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    dialog.show();
    dialog.edtEmailAddress->setText(QStringLiteral("Plain@Demo.example"));
    dialog.edtPassword->setText(QStringLiteral("demo"));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        // The first attempt waits for the monitor's first check.
        QTRY_COMPARE(dialog.failedLogins(), attempt);
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(rig.maindm->CloseApp);
    const QStringList texts = rig.prompter.texts();
    QCOMPARE(texts.size(), 4);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(texts.at(i).startsWith(QStringLiteral("Local datastore '")), qPrintable(texts.at(i)));
    // The store is named in lower case...
    QVERIFY(texts.first().contains(QStringLiteral("plain-at-demo-example.fdb")));
    QCOMPARE(texts.last(), QStringLiteral("To many failed login attempts. Varnex Desktop will close."));
    // ...while the registry keeps the address as typed.
    QCOMPARE(UserRegistry().EmailAddress(), QStringLiteral("Plain@Demo.example"));
}

void TestConnectionFrm::errorInsideLoginIsShownNotCounted()
{
    Rig rig(true);
    rig.server.failWith = QStringLiteral("The server failed while reading officers");
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    dialog.show();
    QTRY_COMPARE(dialog.lblStatus->text(), QStringLiteral("Server OK"));
    dialog.edtEmailAddress->setText(QStringLiteral("plain@demo.example"));
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        QTRY_VERIFY(!dialog.isWorking());
    }
    QCOMPARE(dialog.failedLogins(), 0);
    QVERIFY(dialog.isVisible());
    QVERIFY(!rig.maindm->CloseApp);
    QCOMPARE(rig.prompter.texts(Prompter::Kind::Error).size(), 4);
    QCOMPARE(rig.prompter.texts().first(), QStringLiteral("The server failed while reading officers"));
}

void TestConnectionFrm::exitAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no stays") << false;
    QTest::newRow("yes closes") << true;
}

void TestConnectionFrm::exitAsksFirst()
{
    QFETCH(bool, yes);
    Rig rig(false);
    rig.prompter.queueAnswer(yes);
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    dialog.show();
    QTest::mouseClick(dialog.btnExit, Qt::LeftButton);
    QCOMPARE(rig.prompter.texts(Prompter::Kind::Question), QStringList{QStringLiteral("Close Varnex Desktop?")});
    QCOMPARE(dialog.isVisible(), !yes);
    QCOMPARE(rig.maindm->CloseApp, yes);
}

void TestConnectionFrm::successfulLoginRemembersAndCloses()
{
    Rig rig(true);
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    dialog.show();
    QTRY_COMPARE(dialog.lblStatus->text(), QStringLiteral("Server OK"));
    dialog.rbAnimalFeed->setChecked(true);
    dialog.edtEmailAddress->setText(QStringLiteral("PLAIN@demo.example"));
    dialog.edtPassword->setText(QStringLiteral("demo"));
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QTRY_VERIFY2(!dialog.isVisible(), qPrintable(rig.prompter.texts().join(QLatin1Char('\n'))));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(rig.maindm->Personality, QStringLiteral("ANIMAL FEED"));
    QVERIFY(!rig.init->OnServerConnectionIsAliveChanged);
    QCOMPARE(rig.init->DBDatapath(), rig.programDir.filePath(QStringLiteral("data/plain-at-demo-example.fdb")));
    QVERIFY(rig.init->DBIsActivated());
    QCOMPARE(rig.server.activation.value("LAST_INSTALL_ID").toLongLong(), 5);
    QCOMPARE(UserRegistry().Personality(), QStringLiteral("ANIMAL FEED"));
    QVERIFY(rig.prompter.texts().isEmpty());
}

// The officer look-up against a real server that stalls: the dialog shows that it is working,
// goes on painting, and Cancel gives the fields back at once, with nothing counted, shown or
// written. The next attempt, once the server answers again, logs in.
void TestConnectionFrm::stalledServerKeepsTheDialogPaintingAndCancellable()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    Rig rig(server.url());
    TConnectionFrm dialog(*rig.init, *rig.maindm, *rig.registry);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(dialog.lblStatus->text(), QStringLiteral("Server OK"));

    const int stallMs = 4000;
    QVERIFY(server.control("{\"stallMs\": " + QByteArray::number(stallMs) + "}"));
    dialog.edtEmailAddress->setText(QStringLiteral("plain@demo.example"));
    dialog.edtPassword->setText(QStringLiteral("demo"));
    QElapsedTimer sinceOK;
    sinceOK.start();
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);

    const QList<QWidget *> fields{dialog.edtEmailAddress, dialog.edtPassword, dialog.rbFood, dialog.rbAnimalFeed,
                                  dialog.btnOK, dialog.btnExit};
    QVERIFY(dialog.isWorking());
    QVERIFY(rig.init->isLoginRunning());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    for (QWidget *field : fields)
        QVERIFY2(!field->isEnabled(), qPrintable(field->objectName()));
    QVERIFY(dialog.btnCancel->isVisible() && dialog.btnCancel->isEnabled());

    PaintCounter counter;
    dialog.installEventFilter(&counter);
    dialog.update();
    QTRY_VERIFY(counter.paints > 0);
    QVERIFY(rig.init->isLoginRunning());

    QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    QVERIFY2(sinceOK.elapsed() < stallMs, "the dialog waited for the stalled server");
    QVERIFY(!dialog.isWorking());
    QVERIFY(!rig.init->isLoginRunning());
    QVERIFY(!QGuiApplication::overrideCursor());
    for (QWidget *field : fields)
        QVERIFY2(field->isEnabled(), qPrintable(field->objectName()));
    QVERIFY(!dialog.btnCancel->isVisible());
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.failedLogins(), 0);
    QCOMPARE(rig.prompter.texts(), QStringList());
    QCOMPARE(QDir(rig.programDir.filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::Hidden), QStringList());

    QVERIFY(server.control("{\"stallMs\": 0}"));
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(!dialog.isVisible(), qPrintable(rig.prompter.texts().join(QLatin1Char('\n'))), 30000);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(rig.init->DBIsActivated());
}

QTEST_MAIN(TestConnectionFrm)
#include "tst_connectionfrm.moc"
