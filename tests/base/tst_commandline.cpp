#include "base/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void personality_data();
    void personality();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args"); // without the program path
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("personalityText");
    QTest::addColumn<bool>("allowInvalid");
    QTest::addColumn<QString>("fileToImport");
    QTest::addColumn<bool>("batch");

    QTest::newRow("nothing") << QStringList{} << "" << "" << "" << false << "" << false;
    QTest::newRow("all five") << QStringList{"-username", "a@b.com", "-password", "Secret", "-personality", "af",
                                             "-allowinvalidtoimport", "-filetoimport", "/tmp/in.xml"}
                              << "a@b.com" << "Secret" << "af" << true << "/tmp/in.xml" << true;
    QTest::newRow("names in any case, values as typed")
        << QStringList{"-UserName", "A@B.Com", "-PASSWORD", "PaSs", "-AllowInvalidToImport", "-FILETOIMPORT", "X.XML"}
        << "A@B.Com" << "PaSs" << "" << true << "X.XML" << true;
    QTest::newRow("file switch at the end takes empty text")
        << QStringList{"-username", "u@x", "-filetoimport"} << "u@x" << "" << "" << false << "" << false;
    QTest::newRow("value that is a switch is acted on too")
        << QStringList{"-username", "-filetoimport", "samples.xml"} << "-filetoimport" << "" << "" << false
        << "samples.xml" << true;
    QTest::newRow("value equal to the flag switch sets it")
        << QStringList{"-password", "-allowinvalidtoimport"} << "" << "-allowinvalidtoimport" << "" << true << "" << false;
    QTest::newRow("last occurrence wins")
        << QStringList{"-username", "first@x", "-username", "second@x", "-filetoimport", "a.xml", "-filetoimport", "b.xml"}
        << "second@x" << "" << "" << false << "b.xml" << true;
    QTest::newRow("a later switch at the end empties an earlier value")
        << QStringList{"-filetoimport", "a.xml", "-filetoimport"} << "" << "" << "" << false << "" << false;
    QTest::newRow("unknown arguments ignored")
        << QStringList{"-user", "x", "/username", "y", "--username", "z", "username"} << "" << "" << "" << false << ""
        << false;
    QTest::newRow("switch with blanks is not a switch")
        << QStringList{" -username", "x"} << "" << "" << "" << false << "" << false;
    QTest::newRow("non-ASCII letters do not fold onto a switch")
        << QStringList{QString::fromUtf8("-u\u017Fername"), "x"} << "" << "" << "" << false << "" << false;
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    // The program's own path is never examined, even when it looks like a switch.
    const CommandLineOptions o = parseCommandLine(QStringList{"-username"} + args);
    QTEST(o.userName, "userName");
    QTEST(o.password, "password");
    QTEST(o.personalityText, "personalityText");
    QTEST(o.allowInvalidToImport, "allowInvalid");
    QTEST(o.fileToImport, "fileToImport");
    QTEST(o.isBatchMode(), "batch");
}

void TestCommandLine::personality_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("personality");

    QTest::newRow("food") << QStringList{"-personality", "food"} << "FOOD";
    QTest::newRow("af") << QStringList{"-Personality", "af"} << "ANIMAL FEED";
    QTest::newRow("FOOD upper case is not recognised") << QStringList{"-personality", "FOOD"} << "";
    QTest::newRow("AF upper case is not recognised") << QStringList{"-personality", "AF"} << "";
    QTest::newRow("other value") << QStringList{"-personality", "feed"} << "";
    QTest::newRow("missing value") << QStringList{"-personality"} << "";
    QTest::newRow("absent") << QStringList{} << "";
}

void TestCommandLine::personality()
{
    QFETCH(QStringList, args);
    QTEST(parseCommandLine(QStringList{"varnex-desktop"} + args).personality(), "personality");
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
