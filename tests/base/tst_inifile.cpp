// Settings files keep every byte that a write does not change: files of another character set,
// files marked as UTF-8 whose bytes are not all UTF-8, and a last line without a line break.
#include "base/IniFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString fixture(const char *name)
{
    return QDir(QStringLiteral(VARNEX_TESTS_DIR "/base/fixtures/ini")).filePath(QLatin1String(name));
}

// A copy of a fixture in a folder of its own, for a test that writes it.
QString copyOfFixture(const QTemporaryDir &dir, const char *name)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile::copy(fixture(name), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// Writes a new ServerAddress into the file, whose old one is "http://old/bin", and checks that no
// other byte changed; returns the file's bytes now.
QByteArray newServerAddress(IniFile &ini)
{
    const QByteArray before = readAll(ini.fileName());
    if (!ini.setValue("Settings", "ServerAddress", QStringLiteral("http://new/bin")))
        qWarning("%s", qPrintable(ini.errorString()));
    QByteArray expected = before;
    expected.replace("ServerAddress=http://old/bin", "ServerAddress=http://new/bin");
    const QByteArray after = readAll(ini.fileName());
    if (after != expected)
        qWarning("expected %s\nwritten  %s", expected.toHex().constData(), after.toHex().constData());
    return after == expected ? after : QByteArray();
}
} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the file holds, a file read and not changed gives back exactly its bytes.
    void unchangedFileGivesBackItsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no final line break") << QByteArray("[S]\nK=v");
        QTest::newRow("Latin-1 letter at the very end") << QByteArray("[S]\nK=caf\xe9");
        QTest::newRow("UTF-8 letter at the very end") << QByteArray("[S]\nK=caf\xc3\xa9");
        QTest::newRow("mixed line breaks") << QByteArray("[S]\r\nA=1\nB=2\r\n\n");
        QTest::newRow("lone carriage return") << QByteArray("[S]\rA=1\n");
        QTest::newRow("mark only") << QByteArray("\xef\xbb\xbf");
        QTest::newRow("mark and bad bytes") << QByteArray("\xef\xbb\xbf[S]\nK=\xff\xfe\x80\n");
        QTest::newRow("cut UTF-8 sequence at the end") << QByteArray("[S]\nK=\xe2\x82");
        QTest::newRow("NUL bytes") << QByteArray("[S]\nK=a\0b\n", 9);
    }
    void unchangedFileGivesBackItsBytes()
    {
        QFETCH(QByteArray, bytes);
        const IniFile ini(QStringLiteral("unused.ini"), bytes);
        QByteArray back;
        QString error;
        QVERIFY2(ini.contents(&back, &error), qPrintable(error));
        QCOMPARE(back, bytes);
    }

    // The mark says UTF-8, but one line was saved in Latin-1 and another holds bytes that are no
    // text at all. Before, every bad byte came back as the replacement character at the next write.
    void utf8MarkWithBadBytesKeepsThem()
    {
        QTemporaryDir dir;
        const QString path = copyOfFixture(dir, "utf8-mark-with-bad-bytes.ini");
        IniFile ini(path);
        QCOMPARE(ini.value("Contact", "HelplineNumber"), QStringLiteral("0800 caf\u00e9"));
        QCOMPARE(ini.value("Settings", "LocalDataLocation"), QStringLiteral("/srv/donn\u00e9es")); // read as Latin-1
        QByteArray expected = newServerAddress(ini);
        QVERIFY(!expected.isEmpty());

        // A line written anew is UTF-8, as the mark says.
        QVERIFY2(ini.setValue("Contact", "Website", QStringLiteral("http://caf\u00e9.example/")), qPrintable(ini.errorString()));
        expected.replace("Website=http://site/\xff\xfe", "Website=http://caf\xc3\xa9.example/");
        QCOMPARE(readAll(path), expected);
        QCOMPARE(IniFile(path).value("Settings", "LocalDataLocation"), QStringLiteral("/srv/donn\u00e9es"));
    }

    // A Latin-1 file whose last line ends in an accented letter and has no line break: the letter
    // was taken for the start of a UTF-8 sequence still to come, and "café" read as "caf".
    void latin1LastLetterWithoutLineBreakIsKept()
    {
        QTemporaryDir dir;
        const QString path = copyOfFixture(dir, "latin1-without-final-newline.ini");
        IniFile ini(path);
        QCOMPARE(ini.value("Contact", "HelplineNumber"), QStringLiteral("0800 caf\u00e9"));
        const QByteArray expected = newServerAddress(ini);
        QVERIFY(!expected.isEmpty());

        // A key added after the last line gives that line its line break, and nothing more.
        QVERIFY2(ini.setValue("Contact", "Website", QStringLiteral("http://d\u00e9j\u00e0.example/")), qPrintable(ini.errorString()));
        QCOMPARE(readAll(path), expected + "\nWebsite=http://d\xe9j\xe0.example/\n");
        QCOMPARE(IniFile(path).value("Contact", "HelplineNumber"), QStringLiteral("0800 caf\u00e9"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
