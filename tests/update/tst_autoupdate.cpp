// The update check: its settings file, the file scan, the property lines, and the check itself
// against a real varnex-server on a loopback port.
#include "base/AtomicFile.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteError.h"
#include "support/ServerProcess.h"
#include "update/UpdateComponents.h"
#include "update/AutoUpdateClientData.h"
#include "update/HYAutoUpdateClient.h"
#include "update/HYFileUtils.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

// An object with one property of each kind that the settings lines can set.
class PropertyTarget : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled MEMBER enabled)
    Q_PROPERTY(QString Caption MEMBER caption)
    Q_PROPERTY(int Count MEMBER count)

public:
    bool enabled = false;
    QString caption;
    int count = 7;
};

void writeText(const QString &fileName, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QString error;
    QVERIFY2(saveFileAtomically(fileName, text, &error), qPrintable(error));
}

QStringList fileNames(const THYFileUpdateInfoArray &list)
{
    QStringList names;
    for (const THYFileUpdateInfo &info : list)
        names << info.FileName;
    return names;
}

SettingsLines lines(std::initializer_list<std::pair<const char *, const char *>> items)
{
    SettingsLines out;
    for (const auto &[k, v] : items)
        out.append({QString::fromUtf8(k), QString::fromUtf8(v)});
    return out;
}

} // namespace

class TestAutoUpdate : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_program; // stands in for the program folder
    ServerProcess m_server;
    bool m_serverUp = false;
    // The program folder of every test stands in for the real one until the test ends.
    std::optional<ScopedPathMacroFolders> m_macros;

    QString iniPath() const { return m_program.filePath(QStringLiteral("AutoUpdate.ini")); }
    QString releasesPath() const { return QDir(m_server.dataDir()).filePath(QStringLiteral("store/releases.json")); }

    // A settings file for the check against the test server.
    void writeCheckIni(const QByteArray &configuration, const QString &targetUrl, const QByteArray &channelExtra = {})
    {
        writeText(iniPath(), "[Configuration]\n" + configuration
                                 + "\n[Directories]\n1=$APPLICATION/varnex-desktop\n"
                                   "[Message]\nClass=TROBinMessage\n"
                                   "[Channel]\nClass=TROWinInetHTTPChannel\nTargetURL="
                                 + targetUrl.toUtf8() + "\n" + channelExtra);
    }

    void publish(const QString &updateId, const QJsonArray &files)
    {
        writeText(releasesPath(), QJsonDocument(QJsonObject{{QStringLiteral("updateId"), updateId},
                                                            {QStringLiteral("files"), files}})
                                      .toJson());
    }

    static QJsonObject releaseFile(const QString &name, qint64 size, const QString &version = {})
    {
        return QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("size"), size}, {QStringLiteral("version"), version}};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_program.isValid());
        // The stand-in program file the check lists: 10 bytes.
        writeText(m_program.filePath(QStringLiteral("varnex-desktop")), "0123456789");
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        m_serverUp = true;
    }

    void init()
    {
        m_macros.emplace(PathMacroFolders{m_program.path(), QStringLiteral("/usr"), QStringLiteral("/usr/lib")});
        QFile::remove(iniPath());
        if (m_serverUp) {
            QFile::remove(releasesPath());
            QVERIFY(m_server.control(R"({"stallMs":0})"));
        }
    }

    void cleanup() { m_macros.reset(); }

    // --- settings file ------------------------------------------------------------------------

    void missingSettingsFileNamesTheFullPath()
    {
        const QString path = m_program.filePath(QStringLiteral("nowhere/AutoUpdate.ini"));
        try {
            TAutoUpdateClientData data(path);
            QFAIL("a missing settings file was accepted");
        } catch (const VarnexError &e) {
            QCOMPARE(e.message(), QStringLiteral("Cannot find initialization file %1").arg(path));
        }
    }

    void configurationFlags_data()
    {
        QTest::addColumn<QByteArray>("configuration");
        QTest::addColumn<bool>("forceDownload");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("lastUpdateId");
        QTest::newRow("keys absent") << QByteArray() << true << true << QString();
        QTest::newRow("zero") << QByteArray("ForceDownload=0\nInteractive=0\nLastUpdateID=R7\n") << false << false
                              << QStringLiteral("R7");
        QTest::newRow("non-zero") << QByteArray("ForceDownload=2\nInteractive=-1\n") << true << true << QString();
        QTest::newRow("not a number keeps default") << QByteArray("ForceDownload=no\nInteractive=\n") << true << true
                                                    << QString();
        QTest::newRow("empty update id stays empty") << QByteArray("LastUpdateID=\n") << true << true << QStringLiteral("");
    }
    void configurationFlags()
    {
        QFETCH(QByteArray, configuration);
        QFETCH(bool, forceDownload);
        QFETCH(bool, interactive);
        QFETCH(QString, lastUpdateId);
        writeCheckIni(configuration, QStringLiteral("http://127.0.0.1:1/bin"));
        TAutoUpdateClientData data(iniPath());
        QCOMPARE(data.ForceDownload, forceDownload);
        QCOMPARE(data.Interactive, interactive);
        // Without the key the installation's release is named by its program folder.
        const QString expectedId = lastUpdateId.isNull() ? m_program.path() : lastUpdateId;
        QCOMPARE(data.LastUpdateID, expectedId);
        QCOMPARE(data.AutoUpdateClient->TemporaryFileNamePrefix(), QStringLiteral("$$"));
        QCOMPARE(data.AutoUpdateClient->DownloadBufferSize(), 48000);
    }

    void searchEntryParsing_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("recursive");
        QTest::newRow("recursive") << "$APPLICATION\\*.exe,RECURSIVE" << "$APPLICATION\\*.exe" << "" << true;
        QTest::newRow("target, no comma") << "$APPLICATION\\*.dll|Plugins" << "$APPLICATION\\*.dll" << "Plugins" << false;
        QTest::newRow("TRUE any case") << "a/*,tRuE" << "a/*" << "" << true;
        QTest::newRow("recursive lower case, blanks around") << "a/*, recursive \t" << "a/*" << "" << true;
        QTest::newRow("other word") << "a/*,FALSE" << "a/*" << "" << false;
        QTest::newRow("target and recursive") << "a/*|lib,RECURSIVE" << "a/*" << "lib" << true;
        QTest::newRow("second bar belongs to target") << "a|b|c" << "a" << "b|c" << false;
        QTest::newRow("bar after comma is no target") << "a,b|c" << "a" << "" << false;
        QTest::newRow("empty") << "" << "" << "" << false;
    }
    void searchEntryParsing()
    {
        QFETCH(QString, value);
        QFETCH(QString, mask);
        QFETCH(QString, target);
        QFETCH(bool, recursive);
        const THYFileSearchInfo info = parseFileSearchInfo(value);
        QCOMPARE(info.SearchMask, mask);
        QCOMPARE(info.TargetClientDirectory, target);
        QCOMPARE(info.Recursive, recursive);
    }

    void directoriesSectionKeepsEveryLineInOrder()
    {
        // Keys are ignored, so a repeated key is still its own entry.
        writeText(iniPath(), "[Directories]\nx=$APPLICATION/b,RECURSIVE\nx=$APPLICATION/a|T\n; note\n3=c\n"
                             "[Message]\nClass=TROBinMessage\n[Channel]\nClass=TROWinInetHTTPChannel\n");
        TAutoUpdateClientData data(iniPath());
        const auto &entries = data.AutoUpdateClient->FileSearchInfo;
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(0).SearchMask, QStringLiteral("$APPLICATION/b"));
        QVERIFY(entries.at(0).Recursive);
        QCOMPARE(entries.at(1).TargetClientDirectory, QStringLiteral("T"));
        QCOMPARE(entries.at(2).SearchMask, QStringLiteral("c"));
    }

    void classLinesCreateTheChannelAndMessage_data()
    {
        QTest::addColumn<QByteArray>("sections");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::newRow("legacy names") << QByteArray("[Message]\nClass=TROBinMessage\n[Channel]\nClass=TROWinInetHTTPChannel\n") << "";
        QTest::newRow("class names in any case") << QByteArray("[Message]\nclass=trobinmessage\n[Channel]\nCLASS=trowininethttpchannel\n") << "";
        QTest::newRow("no message class") << QByteArray("[Channel]\nClass=TROWinInetHTTPChannel\n") << "Class  not found (section [Message]";
        QTest::newRow("unknown channel class") << QByteArray("[Message]\nClass=TROBinMessage\n[Channel]\nClass=TIndyHTTPChannel\n")
                                              << "Class TIndyHTTPChannel not found (section [Channel]";
    }
    void classLinesCreateTheChannelAndMessage()
    {
        QFETCH(QByteArray, sections);
        QFETCH(QString, error);
        writeText(iniPath(), sections);
        try {
            TAutoUpdateClientData data(iniPath());
            QVERIFY2(error.isEmpty(), "an unusable class was accepted");
            QVERIFY(qobject_cast<HttpChannelComponent *>(data.Channel()));
            QVERIFY(qobject_cast<WireMessageComponent *>(data.Message()));
            QCOMPARE(data.AutoUpdateClient->Channel, data.Channel());
            QCOMPARE(data.Channel()->parent(), &data);
        } catch (const VarnexError &e) {
            QVERIFY2(!error.isEmpty(), qPrintable(e.message()));
            QVERIFY2(e.message().startsWith(error), qPrintable(e.message()));
        }
    }

    void channelPropertiesAndUnknownOnesTraced()
    {
        writeText(iniPath(), "[AutoUpdateClient]\nServiceName=OtherUpdates\nDownloadBufferSize=1024\n"
                             "[Message]\nClass=TROBinMessage\nUseCompression=TRUE\n"
                             "[Channel]\nClass=TROWinInetHTTPChannel\nTargetURL= http://h:1/bin \nTimeOut=2500\n"
                             "KeepAlive=false\nStoreConnected=TRUE\n");
        QStringList trace;
        TAutoUpdateClientData data(iniPath(), nullptr, [&trace](const QString &line) { trace << line; });
        auto *channel = qobject_cast<HttpChannelComponent *>(data.Channel());
        QVERIFY(channel);
        QCOMPARE(channel->targetUrl(), QStringLiteral("http://h:1/bin"));
        QCOMPARE(channel->timeOut(), 2500);
        QCOMPARE(channel->keepAlive(), false);
        QCOMPARE(data.AutoUpdateClient->ServiceName(), QStringLiteral("OtherUpdates"));
        QCOMPARE(data.AutoUpdateClient->DownloadBufferSize(), 1024);
        QCOMPARE(trace.size(), 2);
        QVERIFY(trace.at(0).contains(QLatin1String("UseCompression")));
        QVERIFY(trace.at(1).contains(QLatin1String("StoreConnected")));
    }

    void stagedSettingsFileIsUsable()
    {
        // The file the build stages beside the program (scripts/run points the staged copy at its
        // own server afterwards, so the source is what is checked).
        const QString staged = QDir(QStringLiteral(VARNEX_TESTS_DIR)).filePath(QStringLiteral("../resources/AutoUpdate.ini"));
        QVERIFY2(QFileInfo::exists(staged), qPrintable(staged));
        QStringList trace;
        TAutoUpdateClientData data(staged, nullptr, [&trace](const QString &line) { trace << line; });
        QVERIFY2(trace.isEmpty(), qPrintable(trace.join(QLatin1Char('\n'))));
        auto *channel = qobject_cast<HttpChannelComponent *>(data.Channel());
        QVERIFY(channel);
        QCOMPARE(channel->targetUrl(), QStringLiteral("http://127.0.0.1:8099/bin"));
        QVERIFY(!data.AutoUpdateClient->FileSearchInfo.isEmpty());
    }

    // --- property lines -----------------------------------------------------------------------

    void booleanValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("expected");
        QTest::newRow("TRUE") << "TRUE" << false << true;
        QTest::newRow("true") << "true" << false << true;
        QTest::newRow("False") << "False" << true << false;
        QTest::newRow("fALSE") << "fALSE" << true << false;
        QTest::newRow("1 is not a Boolean word") << "1" << false << false;
        QTest::newRow("yes is not a Boolean word") << "yes" << true << true;
    }
    void booleanValues()
    {
        QFETCH(QString, value);
        QFETCH(bool, initial);
        QFETCH(bool, expected);
        PropertyTarget target;
        target.enabled = initial;
        QObject *object = &target;
        QStringList trace;
        SetObjectProperties({{QStringLiteral("enabled"), value}}, object, QStringLiteral("Class"), nullptr,
                            [&trace](const QString &line) { trace << line; });
        QCOMPARE(target.enabled, expected);
        // A value that a Boolean cannot take is reported, not silently dropped.
        QCOMPARE(trace.isEmpty(), value.toUpper() == QLatin1String("TRUE") || value.toUpper() == QLatin1String("FALSE"));
    }

    void propertyLinesOnAnExistingObject()
    {
        PropertyTarget target;
        QObject *object = &target;
        QStringList trace;
        SetObjectProperties(lines({{"CLASS", "SomethingElse"}, {"caption", "TRUE"}, {"Count", "12"},
                                   {"Count", "twelve"}, {"Colour", "red"}, {"Caption", " a,b "}}),
                            object, QStringLiteral("Class"), nullptr, [&trace](const QString &line) { trace << line; });
        QCOMPARE(object, &target); // an existing object is used as it is; its class line is skipped
        QCOMPARE(target.caption, QStringLiteral(" a,b "));
        QCOMPARE(target.count, 12);
        QCOMPARE(trace.size(), 2);
        QVERIFY(trace.at(0).contains(QLatin1String("twelve")));
        QVERIFY(trace.at(1).contains(QLatin1String("Colour")));
    }

    void unknownPropertyWithoutSinkIsAWarning()
    {
        PropertyTarget target;
        QObject *object = &target;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no property \"Colour\"")));
        SetObjectProperties(lines({{"Colour", "red"}}), object);
    }

    void classLineCreatesWithOwner()
    {
        QObject owner;
        QObject *object = nullptr;
        SetObjectProperties(lines({{"TargetURL", "http://x/bin"}, {"Class", "TROWinInetHTTPChannel"}}), object,
                            QStringLiteral("Class"), &owner);
        auto *channel = qobject_cast<HttpChannelComponent *>(object);
        QVERIFY(channel);
        QCOMPARE(channel->parent(), &owner);
        QCOMPARE(channel->targetUrl(), QStringLiteral("http://x/bin"));
    }

    // --- folder macros ------------------------------------------------------------------------

    void expandMacros_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("application upper") << "$APPLICATION/a" << "/opt/varnex/a";
        QTest::newRow("application lower") << "$application/a" << "/opt/varnex/a";
        QTest::newRow("mixed case, backslash kept") << "$Application\\a" << "/opt/varnex\\a";
        QTest::newRow("system") << "$SYSTEM/libz.so" << "/usr/lib/libz.so";
        QTest::newRow("windows") << "$windows/share" << "/usr/share";
        QTest::newRow("several") << "$SYSTEM/a;$APPLICATION/b" << "/usr/lib/a;/opt/varnex/b";
        QTest::newRow("none") << "/tmp/x" << "/tmp/x";
    }
    void expandMacros()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const ScopedPathMacroFolders macros({QStringLiteral("/opt/varnex/"), QStringLiteral("/usr"), QStringLiteral("/usr/lib")});
        QCOMPARE(ExpandPathMacros(text), expected);
    }

    void collapseMacros_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("system before windows") << "/usr/lib/libz.so" << "$SYSTEM/libz.so";
        QTest::newRow("windows") << "/usr/share/x" << "$WINDOWS/share/x";
        QTest::newRow("application") << "/opt/varnex/bin/a" << "$APPLICATION/bin/a";
        QTest::newRow("any letter case") << "/OPT/Varnex/a" << "$APPLICATION/a";
        QTest::newRow("folder itself") << "/opt/varnex" << "$APPLICATION";
        QTest::newRow("only whole components") << "/usr/library/x" << "$WINDOWS/library/x";
        QTest::newRow("not inside another path") << "/home/a/usr/lib/x" << "/home/a/usr/lib/x";
        QTest::newRow("sibling folder") << "/opt/varnex2/a" << "/opt/varnex2/a";
        QTest::newRow("list") << "/usr/lib/a,/opt/varnex/b" << "$SYSTEM/a,$APPLICATION/b";
    }
    void collapseMacros()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const ScopedPathMacroFolders macros({QStringLiteral("/opt/varnex"), QStringLiteral("/usr"), QStringLiteral("/usr/lib")});
        QCOMPARE(CollapsePathMacros(text), expected);
        QCOMPARE(CollapsePathMacros(ExpandPathMacros(expected)).compare(expected, Qt::CaseInsensitive), 0);
    }

    // --- file scan ----------------------------------------------------------------------------

    void fileScan_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("folder only") << QStringList{"$APPLICATION/*.*"} << QStringList{"$APPLICATION/a.bin", "$APPLICATION/readme"};
        QTest::newRow("recursive, subfolders first")
            << QStringList{"$APPLICATION/*.bin,RECURSIVE"}
            << QStringList{"$APPLICATION/sub/deep/d.bin", "$APPLICATION/sub/b.bin", "$APPLICATION/a.bin"};
        QTest::newRow("same file through two entries")
            << QStringList{"$APPLICATION/a.bin", "$application/*.bin", "$APPLICATION/sub/../a.bin"}
            << QStringList{"$APPLICATION/a.bin"};
        QTest::newRow("mask in other case") << QStringList{"$APPLICATION/A.BIN"} << QStringList{"$APPLICATION/a.bin"};
        QTest::newRow("backslashes") << QStringList{"$APPLICATION\\sub\\*.bin"} << QStringList{"$APPLICATION/sub/b.bin"};
        QTest::newRow("relative to the program folder") << QStringList{"sub/*.bin"} << QStringList{"$APPLICATION/sub/b.bin"};
    }
    void fileScan()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        for (const char *name : {"a.bin", "readme", ".hidden.bin", "sub/b.bin", "sub/deep/d.bin", ".git/c.bin",
                                 "sub/.cache/e.bin"})
            writeText(root.filePath(QString::fromLatin1(name)), "xyz");
        QVERIFY(QFile::link(root.path(), root.filePath(QStringLiteral("sub/loop")))); // a link back up
        const ScopedPathMacroFolders macros({root.path(), QStringLiteral("/usr"), QStringLiteral("/usr/lib")});

        THYAutoUpdateClient client;
        for (const QString &entry : entries)
            client.FileSearchInfo << parseFileSearchInfo(entry);
        const THYFileUpdateInfoArray list = client.BuildClientFileList();
        QCOMPARE(fileNames(list), expected);
        for (const THYFileUpdateInfo &info : list) {
            QCOMPARE(info.Operation, uoClient);
            QCOMPARE(info.Size, 3);
            QVERIFY(info.TimeStamp.isValid());
            QVERIFY(info.UserData.isEmpty());
        }
    }

    void missingFolderIsReported()
    {
        THYFileUpdateHelper helper;
        THYFileUpdateInfoArray list;
        const QString folder = m_program.filePath(QStringLiteral("gone"));
        try {
            helper.ScanForFiles(parseFileSearchInfo(QStringLiteral("$APPLICATION/gone/*.*")), list);
            QFAIL("a missing folder was scanned");
        } catch (const EHYFileNotFound &e) {
            QCOMPARE(e.message(), QStringLiteral("File %1 not found").arg(folder));
        }
    }

    void fileSizeIfExists()
    {
        qint64 size = -1;
        QVERIFY(GetFileSizeIfExists(m_program.filePath(QStringLiteral("varnex-desktop")), size));
        QCOMPARE(size, 10);
        QVERIFY(!GetFileSizeIfExists(m_program.filePath(QStringLiteral("absent")), size));
        QCOMPARE(size, 0);
        size = -1;
        QVERIFY(!GetFileSizeIfExists(m_program.path(), size)); // a folder is not a file
        QCOMPARE(size, 0);
    }

    // --- the check against the server ---------------------------------------------------------

    void checkAgainstServer_data()
    {
        QTest::addColumn<QByteArray>("configuration");
        QTest::addColumn<bool>("published");
        QTest::addColumn<qint64>("releaseSize");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("listSent");
        QTest::addColumn<QString>("lastIdAfter");
        QTest::newRow("no release, forced") << QByteArray() << false << qint64(0) << false << true << "";
        QTest::newRow("no release, asked first") << QByteArray("ForceDownload=0\nLastUpdateID=R1\n") << false << qint64(0)
                                                 << false << false << "R1";
        QTest::newRow("newer file, forced") << QByteArray() << true << qint64(20) << true << true << "";
        QTest::newRow("same file, forced") << QByteArray() << true << qint64(10) << false << true << "";
        QTest::newRow("current release, asked first") << QByteArray("ForceDownload=0\nLastUpdateID=R2\n") << true
                                                      << qint64(20) << false << false << "R2";
        QTest::newRow("older release, asked first") << QByteArray("ForceDownload=0\nLastUpdateID=R1\n") << true
                                                    << qint64(20) << true << true << "R2";
    }
    void checkAgainstServer()
    {
        QVERIFY(m_serverUp);
        QFETCH(QByteArray, configuration);
        QFETCH(bool, published);
        QFETCH(qint64, releaseSize);
        QFETCH(bool, expected);
        QFETCH(bool, listSent);
        QFETCH(QString, lastIdAfter);
        if (published)
            publish(QStringLiteral("R2"), {releaseFile(QStringLiteral("$APPLICATION/varnex-desktop"), releaseSize)});
        writeCheckIni(configuration, m_server.url());
        TAutoUpdateClientData data(iniPath());
        int lists = 0;
        data.AutoUpdateClient->OnUpdatesFound = [&lists](const THYFileUpdateInfoArray &, bool) { ++lists; };
        data.AutoUpdateClient->OnUpdatesNotFound = [&lists] { ++lists; };
        QCOMPARE(data.CheckForUpdates(), expected);
        QCOMPARE(lists, listSent ? 1 : 0);
        QCOMPARE(data.LastUpdateID, lastIdAfter);
        QCOMPARE(data.Updates().size(), expected ? 1 : 0);
        if (expected) {
            const THYFileUpdateInfo &update = data.Updates().constFirst();
            QCOMPARE(update.FileName, QStringLiteral("$APPLICATION/varnex-desktop"));
            QCOMPARE(update.Operation, uoAddOrReplace);
            QCOMPARE(update.Size, releaseSize);
            QVERIFY(!data.CanResume);
        }
    }

    void partialDownloadCanResume()
    {
        publish(QStringLiteral("R3"), {releaseFile(QStringLiteral("$APPLICATION/varnex-desktop"), 99)});
        writeText(m_program.filePath(QStringLiteral("$$varnex-desktop")), "abc");
        writeCheckIni({}, m_server.url());
        TAutoUpdateClientData data(iniPath());
        const bool found = data.CheckForUpdates();
        QFile::remove(m_program.filePath(QStringLiteral("$$varnex-desktop")));
        QVERIFY(found);
        QVERIFY(data.CanResume);
        QCOMPARE(data.Updates().constFirst().DownloadProgress, 3);
    }

    void emptyTargetUrlUsesTheInstallationServer()
    {
        publish(QStringLiteral("R4"), {releaseFile(QStringLiteral("$APPLICATION/new-file"), 1)});
        writeCheckIni({}, QString());
        TAutoUpdateClientData data(iniPath());
        data.FallbackTargetURL = m_server.url();
        QVERIFY(data.CheckForUpdates());
        QCOMPARE(fileNames(data.Updates()), QStringList{QStringLiteral("$APPLICATION/new-file")});
    }

    void failuresAreRaised_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("dead server") << "dead";
        QTest::newRow("server does not answer in time") << "stall";
        QTest::newRow("broken release list") << "broken";
        QTest::newRow("no update server named") << "nourl";
        QTest::newRow("channel of another class") << "cast";
    }
    void failuresAreRaised()
    {
        QFETCH(QString, what);
        QString url = m_server.url();
        QByteArray extra;
        if (what == QLatin1String("dead"))
            url = QStringLiteral("http://127.0.0.1:%1/bin").arg(ServerProcess::freePort());
        if (what == QLatin1String("stall")) {
            QVERIFY(m_server.control(R"({"stallMs":3000})"));
            extra = "TimeOut=300\n";
        }
        if (what == QLatin1String("broken"))
            writeText(releasesPath(), "{\"updateId\": ");
        if (what == QLatin1String("nourl"))
            url.clear();
        writeCheckIni({}, url, extra);
        if (what == QLatin1String("cast"))
            writeText(iniPath(), "[Message]\nClass=TROBinMessage\n[Channel]\nClass=TROBinMessage\n");
        TAutoUpdateClientData data(iniPath());
        data.setUpdates({THYFileUpdateInfo{}}); // left over from an earlier check
        try {
            data.CheckForUpdates();
            QFAIL("a failed check was reported as done");
        } catch (const RemoteError &e) {
            QVERIFY2(what == QLatin1String("dead") || what == QLatin1String("stall") || what == QLatin1String("broken"),
                     qPrintable(e.message()));
            if (what == QLatin1String("broken"))
                QVERIFY2(e.message().contains(QLatin1String("releases.json")), qPrintable(e.message()));
            else
                QCOMPARE(e.className(), QStringLiteral("TransportError"));
        } catch (const VarnexError &e) {
            QVERIFY2(what == QLatin1String("nourl") || what == QLatin1String("cast"), qPrintable(e.message()));
        }
        QVERIFY(data.Updates().isEmpty());
    }

    void serverAnswersByReleaseId_data()
    {
        QTest::addColumn<QString>("updateId");
        QTest::addColumn<QStringList>("expected");
        // The client lists "same" as the release has it and "changed" with another version.
        QTest::newRow("no id: what differs") << "" << QStringList{"$APPLICATION/changed", "$APPLICATION/missing"};
        QTest::newRow("current id: what differs") << "R7" << QStringList{"$APPLICATION/changed", "$APPLICATION/missing"};
        QTest::newRow("another release: everything")
            << "R1" << QStringList{"$APPLICATION/same", "$APPLICATION/changed", "$APPLICATION/missing"};
    }
    void serverAnswersByReleaseId()
    {
        QFETCH(QString, updateId);
        QFETCH(QStringList, expected);
        publish(QStringLiteral("R7"), {releaseFile(QStringLiteral("$APPLICATION/same"), 5, QStringLiteral("1.0.0.0")),
                                       releaseFile(QStringLiteral("$APPLICATION/changed"), 5, QStringLiteral("1.0.0.1")),
                                       releaseFile(QStringLiteral("$APPLICATION/missing"), 5)});
        THYFileUpdateInfoArray client(2);
        client[0].FileName = QStringLiteral("$Application\\SAME");
        client[0].Size = 5;
        client[0].Version = QStringLiteral("1.0.0.0");
        client[1].FileName = QStringLiteral("$APPLICATION/changed");
        client[1].Size = 5;
        client[1].Version = QStringLiteral("1.0.0.0");
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        channel.setTimeoutMs(5000);
        QCOMPARE(fileNames(CoHYAutoUpdateService::Create(channel)->GetUpdatesInfo(updateId, client)), expected);
    }

    void fileDataInChunks()
    {
        writeText(QDir(m_server.dataDir()).filePath(QStringLiteral("store/payload/app.bin")), "0123456789");
        QJsonObject file = releaseFile(QStringLiteral("$APPLICATION/app.bin"), 10);
        file.insert(QStringLiteral("path"), QStringLiteral("payload/app.bin"));
        QJsonObject escaping = releaseFile(QStringLiteral("$APPLICATION/x"), 1);
        escaping.insert(QStringLiteral("path"), QStringLiteral("../../etc/passwd"));
        publish(QStringLiteral("R5"), {file});

        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        channel.setTimeoutMs(5000);
        auto service = CoHYAutoUpdateService::Create(channel);
        THYFileUpdateInfo info;
        info.FileName = QStringLiteral("$application\\APP.bin");
        QByteArray data;
        QCOMPARE(service->GetFileData(info, 0, 4, data), 4);
        QCOMPARE(data, QByteArray("0123"));
        QCOMPARE(service->GetFileData(info, 8, 4, data), 2);
        QCOMPARE(data, QByteArray("89"));
        QCOMPARE(service->GetFileData(info, 10, 4, data), 0);
        QVERIFY_THROWS_EXCEPTION(ServerError, service->GetFileData(info, -1, 4, data));
        info.FileName = QStringLiteral("$APPLICATION/other");
        QVERIFY_THROWS_EXCEPTION(ServerError, service->GetFileData(info, 0, 4, data));

        publish(QStringLiteral("R6"), {file, escaping});
        info.FileName = QStringLiteral("$APPLICATION/app.bin");
        try {
            service->GetFileData(info, 0, 4, data);
            QFAIL("a release path outside the data folder was accepted");
        } catch (const ServerError &e) {
            QVERIFY2(e.message().contains(QLatin1String("inside the data folder")), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestAutoUpdate)
#include "tst_autoupdate.moc"
