#include "base/IniFile.h"
#include "base/VarnexError.h"
#include "core/Registry_DM.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void iniLookup_data();
    void iniLookup();
    void iniRewriteKeepsOtherLines();
    void iniValuesRoundTripVerbatim();
    void iniMissingFileCreatedByFirstWrite();
    void iniWriteFailureKeepsOldFile();
    void iniUnreadableFileIsNeverReplaced();
    void iniRefusesLineBreaks();
    void iniOfAnotherCharacterSetIsRewrittenByteForByte();

    void registryCreation_data();
    void registryCreation();
    void registryDefaults();
    void contactPagesFollowTheServer_data();
    void contactPagesFollowTheServer();
    void registryReadsKeysInAnyCase();
    void registrySetters();
    void registryFileBesideProgram();
    void registryCreationReportsWriteFailure();
    void useInternetProxy_data();
    void useInternetProxy();
    void proxyTextTestDoesNotTrim();

    void userRegistry();
    void proxyLogin_data();
    void proxyLogin();

private:
    QTemporaryDir m_userSettings;
};

void TestSettings::initTestCase()
{
    QVERIFY(m_userSettings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_userSettings.path());
}

void TestSettings::iniLookup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    const QByteArray file = "; a comment=not a key\n"
                            "[Settings]\n"
                            "LocalDataLocation=C:\\Data\\Varnex, second\\\n"
                            "  ServerAddress  =   http://x/bin   \n"
                            "Quoted=\"a b\"\n"
                            "Formula=a=b=c\n"
                            "Empty=\n"
                            "Twice=first\n"
                            "Twice=second\n"
                            "# HashComment=x\n"
                            "no equals sign here\n"
                            "[Contact]\n"
                            "Website=http://site/\n";
    QTest::newRow("exact") << file << "Settings" << "LocalDataLocation" << true << "C:\\Data\\Varnex, second\\";
    QTest::newRow("case-insensitive names") << file << "SETTINGS" << "localdatalocation" << true
                                            << "C:\\Data\\Varnex, second\\";
    QTest::newRow("blanks around key and value dropped") << file << "settings" << "ServerAddress" << true << "http://x/bin";
    QTest::newRow("quotes kept") << file << "Settings" << "Quoted" << true << "\"a b\"";
    QTest::newRow("only the first = splits") << file << "Settings" << "Formula" << true << "a=b=c";
    QTest::newRow("empty value is present") << file << "Settings" << "Empty" << true << "";
    QTest::newRow("first of two") << file << "Settings" << "Twice" << true << "first";
    QTest::newRow("key of another section") << file << "Settings" << "Website" << false << "";
    QTest::newRow("other section") << file << "contact" << "WEBSITE" << true << "http://site/";
    QTest::newRow("semicolon comment") << file << "Settings" << "; a comment" << false << "";
    QTest::newRow("hash comment") << file << "Settings" << "HashComment" << false << "";
    QTest::newRow("before any section") << QByteArray("Orphan=1\n[S]\nK=2\n") << "S" << "Orphan" << false << "";
    QTest::newRow("CRLF file") << QByteArray("[S]\r\nK=v\r\n") << "S" << "K" << true << "v";
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF[S]\nK=caf\xC3\xA9\n") << "S" << "K" << true
                                    << QString::fromUtf8("caf\xC3\xA9");
    QTest::newRow("blanks around section name") << QByteArray("[ S ]\nK=v\n") << "S" << "K" << true << "v";
}

void TestSettings::iniLookup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    writeAll(path, content);
    IniFile ini(path);
    QCOMPARE(ini.contains(section, key), found);
    QTEST(ini.value(section, key, found ? QString() : QString()), "value");
    if (!found)
        QCOMPARE(ini.value(section, key, "dflt"), QString("dflt"));
}

// A settings file written by an older installation in a single-byte character set (here "é" as
// the byte E9) must come back unchanged but for the line written; its values read as that set.
void TestSettings::iniOfAnotherCharacterSetIsRewrittenByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    const QByteArray before = "; Param\xe8tres de l'installation\r\n"
                              "[Settings]\r\n"
                              "LocalDataLocation=/srv/donn\xe9" "es\r\n"
                              "\r\n"
                              "[Contact]\r\n"
                              "HelplineNumber=0800 caf\xe9\r\n";
    writeAll(path, before);
    IniFile ini(path);
    QCOMPARE(ini.value("Settings", "LocalDataLocation"), QStringLiteral("/srv/donn\u00e9es"));
    QVERIFY2(ini.setValue("Settings", "ServerAddress", "http://server/bin"), qPrintable(ini.errorString()));
    QByteArray expected = before;
    expected.insert(expected.indexOf("\r\n\r\n") + 2, "ServerAddress=http://server/bin\r\n");
    QCOMPARE(readAll(path), expected);

    // A value that the file's character set cannot hold is refused; the file stays as it was.
    QVERIFY(!ini.setValue("Settings", "ServerAddress", QStringLiteral("http://\u0441\u0435\u0440\u0432\u0435\u0440/bin")));
    QVERIFY(!ini.errorString().isEmpty());
    QCOMPARE(readAll(path), expected);
    QCOMPARE(IniFile(path).value("Contact", "HelplineNumber"), QStringLiteral("0800 caf\u00e9"));
}

void TestSettings::iniRewriteKeepsOtherLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    writeAll(path, "; Installation settings\r\n"
                   "[settings]\r\n"
                   "serveraddress = http://old/bin\r\n"
                   "Unknown=keep me, and C:\\this\r\n"
                   "\r\n"
                   "; trailing comment of the section\r\n"
                   "[Contact]\r\n"
                   "Website=http://site/\r\n");
    IniFile ini(path);
    QVERIFY2(ini.setValue("Settings", "ServerAddress", "http://new/bin"), qPrintable(ini.errorString()));
    QVERIFY2(ini.setValue("Settings", "LocalDataLocation", "%APP%/data"), qPrintable(ini.errorString()));
    QVERIFY2(ini.setValue("Extra", "Key", "v"), qPrintable(ini.errorString()));
    QCOMPARE(readAll(path), QByteArray("; Installation settings\r\n"
                                       "[settings]\r\n"
                                       "serveraddress=http://new/bin\r\n"
                                       "Unknown=keep me, and C:\\this\r\n"
                                       "LocalDataLocation=%APP%/data\r\n"
                                       "\r\n"
                                       "; trailing comment of the section\r\n"
                                       "[Contact]\r\n"
                                       "Website=http://site/\r\n"
                                       "\r\n"
                                       "[Extra]\r\n"
                                       "Key=v\r\n"));
    // The memory copy and a fresh reader agree.
    QCOMPARE(ini.value("SETTINGS", "serverADDRESS"), QString("http://new/bin"));
    QCOMPARE(IniFile(path).value("settings", "localdatalocation"), QString("%APP%/data"));
}

void TestSettings::iniValuesRoundTripVerbatim()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    const QString value = QStringLiteral("\\\\server\\share\\a, b; c=d \"e\" %APP%\\x");
    {
        IniFile ini(path);
        QVERIFY(ini.setValue("S", "K", value));
    }
    QCOMPARE(IniFile(path).value("s", "k"), value);
}

void TestSettings::iniMissingFileCreatedByFirstWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("VarnexDesktop.ini");
    IniFile ini(path);
    QVERIFY(ini.loadError().isEmpty());
    QVERIFY(!ini.contains("Settings", "ServerAddress"));
    QCOMPARE(ini.value("Settings", "ServerAddress", "dflt"), QString("dflt"));
    QVERIFY(!QFile::exists(path)); // reading creates nothing
    QVERIFY(ini.setValue("Settings", "ServerAddress", "http://a/bin"));
    QCOMPARE(readAll(path), QByteArray("[Settings]\nServerAddress=http://a/bin\n"));
}

void TestSettings::iniWriteFailureKeepsOldFile()
{
    QTemporaryDir dir;
    // A folder that cannot exist: its parent is a plain file.
    writeAll(dir.filePath("plain"), "x");
    IniFile nowhere(dir.filePath("plain/VarnexDesktop.ini"));
    QVERIFY(!nowhere.setValue("S", "K", "v"));
    QVERIFY2(nowhere.errorString().contains("plain/VarnexDesktop.ini"), qPrintable(nowhere.errorString()));
    QVERIFY(!nowhere.contains("S", "K"));

    // An existing file whose rewrite fails half-way keeps its old content, on disk and in memory.
    const QString path = dir.filePath("x.ini");
    const QByteArray old = "[S]\nK=old\n";
    writeAll(path, old);
    IniFile ini(path);
    {
        FileSizeLimit limit(64);
        QVERIFY(!ini.setValue("S", "K", QString(4096, QLatin1Char('n'))));
    }
    QVERIFY(!ini.errorString().isEmpty());
    QVERIFY2(ini.errorString().contains(path), qPrintable(ini.errorString()));
    QCOMPARE(readAll(path), old);
    QCOMPARE(ini.value("S", "K"), QString("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left behind
}

void TestSettings::iniUnreadableFileIsNeverReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    QVERIFY(QDir().mkpath(path)); // a folder where the file should be: it cannot be read
    IniFile ini(path);
    QVERIFY(!ini.loadError().isEmpty());
    QVERIFY(!ini.setValue("S", "K", "v"));
    QVERIFY(QFileInfo(path).isDir());
}

void TestSettings::iniRefusesLineBreaks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    IniFile ini(path);
    QVERIFY(!ini.setValue("S", "K", "line\n[Other]\nK=injected"));
    QVERIFY(ini.errorString().contains("K"));
    QVERIFY(!ini.setValue("S", "K=", "v"));
    QVERIFY(!ini.setValue("S]", "K", "v"));
    QVERIFY(!QFile::exists(path));
}

void TestSettings::registryCreation_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const QByteArray defaults = "[Settings]\nLocalDataLocation=%APP%/data\nServerAddress=http://localhost:8099/bin\n";
    QTest::newRow("missing file") << false << QByteArray() << defaults;
    QTest::newRow("empty file") << true << QByteArray() << defaults;
    QTest::newRow("other server kept")
        << true << QByteArray("[Settings]\nServerAddress=https://central.example/bin\n")
        << QByteArray("[Settings]\nServerAddress=https://central.example/bin\nLocalDataLocation=%APP%/data\n");
    QTest::newRow("other values never touched")
        << true << QByteArray("; mine\n[SETTINGS]\nlocaldatalocation = /srv/varnex\nserveraddress=http://x/bin\n")
        << QByteArray("; mine\n[SETTINGS]\nlocaldatalocation = /srv/varnex\nserveraddress=http://x/bin\n");
    QTest::newRow("stored defaults rewritten in place")
        << true << QByteArray("[Settings]\nServerAddress = http://localhost:8099/bin\nLocalDataLocation=%APP%/data\n[Contact]\nWebsite=w\n")
        << QByteArray("[Settings]\nServerAddress=http://localhost:8099/bin\nLocalDataLocation=%APP%/data\n[Contact]\nWebsite=w\n");
    QTest::newRow("only contacts")
        << true << QByteArray("[Contact]\nHelplineNumber=123\n")
        << QByteArray("[Contact]\nHelplineNumber=123\n\n[Settings]\nLocalDataLocation=%APP%/data\nServerAddress=http://localhost:8099/bin\n");
}

void TestSettings::registryCreation()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QTemporaryDir dir;
    const QString path = dir.filePath("VarnexDesktop.ini");
    if (exists)
        writeAll(path, before);
    TRegistryDM registry(dir.path());
    QVERIFY(registry.AllowWrite);
    QVERIFY2(registry.creationError().isEmpty(), qPrintable(registry.creationError()));
    QTEST(readAll(path), "after");
}

void TestSettings::registryDefaults()
{
    QTemporaryDir dir;
    TRegistryDM registry(dir.path());
    QCOMPARE(registry.LocalDataLocation(), QString("%APP%/data"));
    QCOMPARE(QUrl(registry.ServerAddress()).path(), QString("/bin"));
    QVERIFY(QUrl(registry.ServerAddress()).isValid());
    QCOMPARE(registry.UseInternetProxy(), false);
    QCOMPARE(QUrl(registry.CategoryTree()).path(), QString("/public/categorytree.pdf"));
    QCOMPARE(QUrl(registry.VideoScreenCasts()).path(), QString("/video/video.aspx"));
    QVERIFY(QUrl(registry.Website()).isValid() && !registry.Website().isEmpty());
    QVERIFY(registry.GeneralEnquiries().contains('@'));
    QVERIFY(!registry.HelpLineNumber().isEmpty());
}

void TestSettings::contactPagesFollowTheServer_data()
{
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QString>("site");
    QTest::newRow("a server of the installation") << QByteArray("https://sampling.example:8443/varnex/bin")
                                                  << QStringLiteral("https://sampling.example:8443/");
    QTest::newRow("the stand-in server") << QByteArray("http://127.0.0.1:41234/bin") << QStringLiteral("http://127.0.0.1:41234/");
    QTest::newRow("no web address") << QByteArray("not a server") << QString();
}

// Without addresses of their own the project's pages are on the server the program talks to.
void TestSettings::contactPagesFollowTheServer()
{
    QFETCH(QByteArray, server);
    QFETCH(QString, site);
    QTemporaryDir dir;
    writeAll(dir.filePath("VarnexDesktop.ini"), "[Settings]\nServerAddress=" + server + "\n");
    TRegistryDM registry(dir.path());
    QCOMPARE(registry.Website(), site);
    QCOMPARE(registry.CategoryTree(), site.isEmpty() ? site : site + "public/categorytree.pdf");
    QCOMPARE(registry.VideoScreenCasts(), site.isEmpty() ? site : site + "video/video.aspx");
}

void TestSettings::registryReadsKeysInAnyCase()
{
    QTemporaryDir dir;
    writeAll(dir.filePath("VarnexDesktop.ini"), "[contact]\n"
                                                "categorytree=ct\n"
                                                "GENERALENQUIRIES=ge\n"
                                                "helplinenumber=01234 567\n"
                                                "videoscreencasts=vs\n"
                                                "website=ws\n"
                                                "[settings]\n"
                                                "useinternetproxy=YES\n");
    TRegistryDM registry(dir.path());
    QCOMPARE(registry.CategoryTree(), QString("ct"));
    QCOMPARE(registry.GeneralEnquiries(), QString("ge"));
    QCOMPARE(registry.HelpLineNumber(), QString("01234 567"));
    QCOMPARE(registry.VideoScreenCasts(), QString("vs"));
    QCOMPARE(registry.Website(), QString("ws"));
    QCOMPARE(registry.UseInternetProxy(), true);
}

void TestSettings::registrySetters()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("VarnexDesktop.ini");
    TRegistryDM registry(dir.path());
    const QByteArray afterCreation = readAll(path);

    QVERIFY(!registry.setServerAddress("   "));
    QVERIFY(!registry.setLocalDataLocation(""));
    QCOMPARE(readAll(path), afterCreation);

    registry.AllowWrite = false;
    QVERIFY(!registry.setServerAddress("http://other/bin"));
    QCOMPARE(readAll(path), afterCreation);

    registry.AllowWrite = true;
    QVERIFY(registry.setServerAddress("http://other/bin"));
    QCOMPARE(registry.ServerAddress(), QString("http://other/bin"));
    QVERIFY(registry.setLocalDataLocation("/srv/data, old\\x"));
    QCOMPARE(TRegistryDM(dir.path()).LocalDataLocation(), QString("/srv/data, old\\x"));
}

void TestSettings::registryFileBesideProgram()
{
    QTemporaryDir program;
    QTemporaryDir elsewhere;
    const QString current = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    {
        TRegistryDM registry(program.path(), "Other.ini");
        QCOMPARE(registry.fileName(), QDir(program.path()).filePath("Other.ini"));
    }
    QDir::setCurrent(current);
    QVERIFY(QFile::exists(QDir(program.path()).filePath("Other.ini")));
    QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath("Other.ini")));
}

void TestSettings::registryCreationReportsWriteFailure()
{
    QTemporaryDir dir;
    writeAll(dir.filePath("plain"), "x");
    TRegistryDM registry(dir.filePath("plain")); // the "program folder" is a file: nothing can be written
    QVERIFY(!registry.creationError().isEmpty());
    QCOMPARE(registry.ServerAddress(), TRegistryDM::defaultServerAddress());
    // A later write fails as loudly.
    QVERIFY_THROWS_EXCEPTION(VarnexError, registry.setServerAddress("http://other/bin"));
}

void TestSettings::useInternetProxy_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("on");

    QTest::newRow("Yes") << QByteArray("Yes") << true;
    QTest::newRow("TRUE") << QByteArray("TRUE") << true;
    QTest::newRow("1") << QByteArray("1") << true;
    QTest::newRow("yip") << QByteArray("yip") << true;
    QTest::newRow("YiP") << QByteArray("YiP") << true;
    QTest::newRow("on") << QByteArray("on") << false;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("y") << QByteArray("y") << false;
    QTest::newRow("quoted yes") << QByteArray("\"yes\"") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("missing") << QByteArray() << false;
}

void TestSettings::useInternetProxy()
{
    QFETCH(QByteArray, stored);
    QTemporaryDir dir;
    writeAll(dir.filePath("VarnexDesktop.ini"),
             stored.isNull() ? QByteArray("[Settings]\n") : "[Settings]\nUseInternetProxy=" + stored + "\n");
    QTEST(TRegistryDM(dir.path()).UseInternetProxy(), "on");
}

void TestSettings::proxyTextTestDoesNotTrim()
{
    QVERIFY(TRegistryDM::isProxyOn("yes"));
    QVERIFY(!TRegistryDM::isProxyOn(" yes"));
    QVERIFY(!TRegistryDM::isProxyOn("yes "));
    QVERIFY(!TRegistryDM::isProxyOn("10"));
}

void TestSettings::userRegistry()
{
    const QString file = QDir(m_userSettings.path()).filePath("Tarvello/VRXNet.conf");
    QFile::remove(file);
    {
        UserRegistry reg;
        QCOMPARE(reg.Personality(), QString("FOOD"));
        QCOMPARE(reg.EmailAddress(), QString());
        reg.setPersonality("ANIMAL FEED");
        reg.setEmailAddress("Officer.One@Council.example, typed");
    }
    QVERIFY(QFile::exists(file));
    UserRegistry again;
    QCOMPARE(again.Personality(), QString("ANIMAL FEED"));
    QCOMPARE(again.EmailAddress(), QString("Officer.One@Council.example, typed"));
    QSettings raw("Tarvello", "VRXNet");
    QCOMPARE(raw.value("Connection/Personality").toString(), QString("ANIMAL FEED"));
}

void TestSettings::proxyLogin_data()
{
    QTest::addColumn<bool>("useProxy");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("apply");

    QTest::newRow("proxy, OK") << true << true << true;
    QTest::newRow("proxy, Cancel") << true << false << false;
    QTest::newRow("no proxy, OK") << false << true << false;
    QTest::newRow("no proxy, Cancel") << false << false << false;
}

void TestSettings::proxyLogin()
{
    QFETCH(bool, useProxy);
    QFETCH(bool, accepted);
    QFETCH(bool, apply);
    const ProxyLogin login = proxyLoginFor(useProxy, accepted, "proxyuser", "pw");
    QCOMPARE(login.apply, apply);
    QCOMPARE(login.userName, apply ? QString("proxyuser") : QString());
    QCOMPARE(login.password, apply ? QString("pw") : QString());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
