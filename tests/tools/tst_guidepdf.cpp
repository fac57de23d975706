// The tool that turns the Markdown guides into PDF: what one personality's guide holds, and the
// faults in a guide's sources that stop it with the file and the cause.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(GUIDEPDF_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void write(const QDir &dir, const QString &name, const QString &text)
{
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

const QString TopFile = QStringLiteral("# A Guide\n\nFor officers.\n\n- [One](one.md)\n- [Two](two.md)\n");

} // namespace

class TestGuidePdf : public QObject
{
    Q_OBJECT
private slots:
    // One personality's guide holds its own blocks and not the other's, numbers chapters and
    // sections, and lists every file it read for the build.
    void variantKeepsItsOwnBlocks()
    {
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        QVERIFY(dir.mkpath(QStringLiteral("images")));
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(dir.filePath(QStringLiteral("images/p.png"))));
        write(dir, QStringLiteral("top.md"), TopFile);
        write(dir, QStringLiteral("one.md"),
              QStringLiteral("# First\n\nCommon text.\n\n## Part\n\n<!-- if food -->\nOnly for food.\n<!-- endif -->\n"
                             "<!-- if feed -->\nOnly for feed.\n<!-- endif -->\n\n![A picture](images/p.png)\n"));
        write(dir, QStringLiteral("two.md"), QStringLiteral("# Second\n\n## Another part\n\nMore.\n"));

        const QString pdf = dir.filePath(QStringLiteral("out/guide.pdf"));
        const QString dep = dir.filePath(QStringLiteral("guide.d"));
        const Run run = runTool({QStringLiteral("--variant"), QStringLiteral("food"), QStringLiteral("--output"), pdf,
                                 QStringLiteral("--depfile"), dep, dir.filePath(QStringLiteral("top.md"))});
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

        const QString text = pdfText(pdf);
        for (const char *expected : {"A Guide", "Contents", "1 First", "1.1 Part", "2 Second", "2.1 Another part",
                                     "Only for food.", "Common text.", "A picture"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        QVERIFY(!text.contains(QLatin1String("Only for feed.")));

        QFile depfile(dep);
        QVERIFY(depfile.open(QIODevice::ReadOnly));
        const QString deps = QString::fromUtf8(depfile.readAll());
        for (const char *name : {"top.md", "one.md", "two.md", "images/p.png"})
            QVERIFY2(deps.contains(QLatin1String(name)), name);
    }

    void faultsAreNamed_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("chapter");
        QTest::addColumn<QString>("message");
        const QString oneChapter = QStringLiteral("# G\n\n- [One](one.md)\n");
        QTest::newRow("no title") << QStringLiteral("- [One](one.md)\n") << QStringLiteral("# One\n") << QStringLiteral("has no \"# \" title line");
        QTest::newRow("no chapter") << QStringLiteral("# G\n\nText.\n") << QStringLiteral("# One\n") << QStringLiteral("lists no chapter");
        QTest::newRow("missing chapter") << QStringLiteral("# G\n\n- [Gone](gone.md)\n") << QStringLiteral("# One\n")
                                         << QStringLiteral("gone.md");
        QTest::newRow("chapter without title") << oneChapter << QStringLiteral("Text only.\n") << QStringLiteral("one.md: the chapter has no");
        QTest::newRow("two titles") << oneChapter << QStringLiteral("# One\n\n# Two\n") << QStringLiteral("one.md:3: a chapter has one");
        QTest::newRow("if not closed") << oneChapter << QStringLiteral("# One\n<!-- if food -->\nText\n")
                                       << QStringLiteral("one.md: an \"if\" block is not closed");
        QTest::newRow("endif alone") << oneChapter << QStringLiteral("# One\n<!-- endif -->\n") << QStringLiteral("one.md:2: \"endif\" without");
        QTest::newRow("missing picture") << oneChapter << QStringLiteral("# One\n\n![P](images/none.png)\n")
                                         << QStringLiteral("cannot read the image");
    }

    void faultsAreNamed()
    {
        QFETCH(QString, top);
        QFETCH(QString, chapter);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        write(dir, QStringLiteral("top.md"), top);
        write(dir, QStringLiteral("one.md"), chapter);
        const QString pdf = dir.filePath(QStringLiteral("guide.pdf"));
        const Run run = runTool({QStringLiteral("--variant"), QStringLiteral("food"), QStringLiteral("--output"), pdf,
                                 dir.filePath(QStringLiteral("top.md"))});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
        QVERIFY2(!QFile::exists(pdf), "a failed run leaves no PDF");
    }
};

QTEST_MAIN(TestGuidePdf)
#include "tst_guidepdf.moc"
