#include "base/Prompter.h"

#include <QBuffer>
#include <QTest>

class TestPrompter : public QObject
{
    Q_OBJECT

private slots:
    void batchAnswersNothingAndWrites();
    void recorderAnswersFromQueues();
    void currentDefaultsToBatch();
};

void TestPrompter::batchAnswersNothingAndWrites()
{
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    BatchPrompter batch(&sink);
    batch.error("Import", "Invalid command line parameter: username specified not found.");
    batch.information("", "Done");
    QCOMPARE(batch.question("Varnex Desktop", "Close Varnex Desktop?", true), false);
    QCOMPARE(batch.textInput("Reason", "Why?", "x"), std::optional<QString>());
    QCOMPARE(batch.saveFileName("Save As", "samples.xml", "XML Files (*.xml)", "xml"), std::optional<QString>());
    QCOMPARE(batch.openFileName("Open File", "/home", "CSV (*.csv)"), std::optional<QString>());
    const QString out = QString::fromUtf8(sink.data());
    QVERIFY(out.contains("Error (Import): Invalid command line parameter: username specified not found.\n"));
    QVERIFY(out.contains("Information: Done\n"));
    QVERIFY(out.contains("Close Varnex Desktop?"));
    QVERIFY(out.contains("Why?"));
    QVERIFY(out.contains("Save file (Save As): XML Files (*.xml) [cancelled: no one to ask]\n"));
    QVERIFY(out.contains("Open file (Open File): CSV (*.csv) [cancelled: no one to ask]\n"));
}

void TestPrompter::recorderAnswersFromQueues()
{
    RecordingPrompter rec;
    rec.queueAnswer(true);
    rec.queueText(QString("typed"));
    QCOMPARE(rec.question("t", "Q1?"), true);
    QCOMPARE(rec.question("t", "Q2?"), false); // queue empty: No
    QCOMPARE(rec.textInput("t", "Label", "init"), std::optional<QString>("typed"));
    QCOMPARE(rec.textInput("t", "Label"), std::optional<QString>()); // queue empty: cancelled
    rec.warning("w", "careful");
    QCOMPARE(rec.calls().size(), 5);
    QCOMPARE(rec.calls().at(2).initialText, QString("init"));
    QCOMPARE(rec.texts(Prompter::Kind::Question), (QStringList{"Q1?", "Q2?"}));
    QCOMPARE(rec.texts(Prompter::Kind::Warning), QStringList{"careful"});

    rec.queueFileName(QString("/tmp/out.xml"));
    QCOMPARE(rec.saveFileName("Save As", "samples.xml", "XML Files (*.xml)", "xml"), std::optional<QString>("/tmp/out.xml"));
    QCOMPARE(rec.saveFileName("Save As", "samples.xml", "XML Files (*.xml)"), std::optional<QString>()); // cancelled
    QCOMPARE(rec.texts(Prompter::Kind::SaveFile), (QStringList{"XML Files (*.xml)", "XML Files (*.xml)"}));
    QCOMPARE(rec.calls().last().initialText, QString("samples.xml"));

    rec.queueFileName(QString("/tmp/in.csv"));
    QCOMPARE(rec.openFileName("Open File", "/home"), std::optional<QString>("/tmp/in.csv"));
    QCOMPARE(rec.calls().last().kind, Prompter::Kind::OpenFile);
    QCOMPARE(rec.calls().last().initialText, QString("/home"));
}

void TestPrompter::currentDefaultsToBatch()
{
    QVERIFY(dynamic_cast<BatchPrompter *>(&Prompter::current()));
    RecordingPrompter rec;
    {
        ScopedPrompter scope(&rec);
        Prompter::current().error("e", "boom");
        RecordingPrompter inner;
        {
            ScopedPrompter nested(&inner);
            Prompter::current().information("i", "inner");
        }
        Prompter::current().information("i", "outer again");
        QCOMPARE(inner.texts(), QStringList{"inner"});
    }
    QCOMPARE(rec.texts(), (QStringList{"boom", "outer again"}));
    QVERIFY(dynamic_cast<BatchPrompter *>(&Prompter::current()));
}

QTEST_GUILESS_MAIN(TestPrompter)
#include "tst_prompter.moc"
