// The sample exchange document as a binding: the bytes it writes, the texts it carries and reads
// back, the documents it refuses, and the file it saves.
#include "exchange/VRXSampleXML_19102011_Unt.h"
#include "exchange/XmlTree.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSampleXml : public QObject
{
    Q_OBJECT

private slots:
    void writesTheDocumentForm();
    void leafWrittenTwiceKeepsItsPlace();
    void collectionsInsertAndCount();
    void textsReadBack_data();
    void textsReadBack();
    void refusesDocuments_data();
    void refusesDocuments();
    void readsPeerDocuments();
    void deepDocumentsAreBounded();
    void saveIsAtomic();
};

void TestSampleXml::writesTheDocumentForm()
{
    TXMLDocument doc;
    TXMLQOVAData root = GetQOVAData(doc);
    TXMLFileInfo info = root.FileInfo();
    info.SetDateGenerated(u"17/05/2024");
    info.SetSampleCount(1);
    info.SetFileSource(u" ");
    TXMLSampleType sample = root.Sample().Add();
    sample.SetRecordType(u"FOOD");
    sample.SetSampleNumber(u"");
    sample.SetIsSurvey(false);
    sample.SetTemperature(-4);
    TXMLResultType result = sample.Result().Add();
    result.SetResult(u"0.5");
    QCOMPARE(QString::fromUtf8(doc.XML()),
             QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<QOVAData>\n"
                     "  <FileInfo>\n"
                     "    <DateGenerated>17/05/2024</DateGenerated>\n"
                     "    <SampleCount>1</SampleCount>\n"
                     "    <FileSource> </FileSource>\n"
                     "  </FileInfo>\n"
                     "  <Sample>\n"
                     "    <RecordType>FOOD</RecordType>\n"
                     "    <SampleNumber/>\n"
                     "    <IsSurvey>false</IsSurvey>\n"
                     "    <Temperature>-4</Temperature>\n"
                     "    <Result>\n"
                     "      <Result>0.5</Result>\n"
                     "    </Result>\n"
                     "  </Sample>\n"
                     "</QOVAData>\n"));

    // A document without samples holds only FileInfo.
    TXMLDocument empty;
    GetQOVAData(empty).FileInfo().SetSampleCount(0);
    TXMLDocument back = TXMLDocument::LoadFromData(empty.XML());
    QCOMPARE(GetQOVAData(back).Sample().Count(), 0);
    QVERIFY(!QString::fromUtf8(empty.XML()).contains("Sample>"));
}

void TestSampleXml::leafWrittenTwiceKeepsItsPlace()
{
    TXMLDocument doc;
    TXMLSampleType sample = GetQOVAData(doc).Sample().Add();
    sample.SetRecordType(u"FOOD");
    sample.SetSampleNumber(u"S1");
    sample.SetRecordType(u"ANIMAL FEED");
    sample.SetIsSurvey(true);
    TXMLDocument back = TXMLDocument::LoadFromData(doc.XML());
    const TXMLSampleType read = GetQOVAData(back).Sample()[0];
    QCOMPARE(read.RecordType(), QString("ANIMAL FEED"));
    QVERIFY(read.IsSurvey());
    QVERIFY(QString::fromUtf8(doc.XML()).indexOf("<RecordType>") < QString::fromUtf8(doc.XML()).indexOf("<SampleNumber>"));
    // Reading a leaf that is not there adds nothing.
    QCOMPARE(read.BrandName(), QString());
    QCOMPARE(read.DurabilityDay(), 0);
    QVERIFY(!read.HasLeaf(TXMLSampleLeaf::BrandName));
}

void TestSampleXml::collectionsInsertAndCount()
{
    TXMLDocument doc;
    TXMLQOVAData root = GetQOVAData(doc);
    root.FileInfo().SetSampleCount(3);
    root.Sample().Add().SetSampleNumber(u"B");
    root.Sample().Insert(0).SetSampleNumber(u"A");
    root.Sample().Insert(2).SetSampleNumber(u"C");
    root.Sample().Insert(1).SetSampleNumber(u"A2");
    QCOMPARE(root.Sample().Count(), 4);
    QStringList order;
    for (const TXMLSampleType &s : root.Sample().All())
        order << s.SampleNumber();
    QCOMPARE(order, (QStringList{"A", "A2", "B", "C"}));
    QVERIFY(root.Sample().Items(4).IsNull());
    // FileInfo stays first: the samples were placed among the samples.
    QVERIFY(QString::fromUtf8(doc.XML()).indexOf("<FileInfo>") < QString::fromUtf8(doc.XML()).indexOf("<Sample>"));
}

void TestSampleXml::textsReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");

    QTest::newRow("markup") << QString("a < b && c > d ]]> \"q\" 'a'") << QString("a < b && c > d ]]> \"q\" 'a'");
    QTest::newRow("non-Latin") << QString::fromUtf8("Żurek, Ωμέγα, 東京") << QString::fromUtf8("Żurek, Ωμέγα, 東京");
    QTest::newRow("four bytes") << QString::fromUtf8("Emoji 😀 𝄞") << QString::fromUtf8("Emoji 😀 𝄞");
    QTest::newRow("line breaks and tabs") << QString("one\r\ntwo\rthree\nfour\tfive") << QString("one\r\ntwo\rthree\nfour\tfive");
    QTest::newRow("blanks around") << QString("  padded  ") << QString("  padded  ");
    QTest::newRow("one blank") << QString(" ") << QString(" ");
    QTest::newRow("only line breaks") << QString("\r\n\n") << QString("\r\n\n");
    // A character XML 1.0 cannot carry turns every control character of the text into a blank.
    QTest::newRow("control character") << QString("bell\x07\r\nnext") << QString("bell   next");
    QTest::newRow("U+FFFE") << QString("x") + QChar(0xFFFE) + "\ty" << QString("x  y");
    QTest::newRow("lone surrogate") << QString("a") + QChar(0xD800) + "b" + QString::fromUtf8("😀")
                                    << QString("a b") + QString::fromUtf8("😀");
    QTest::newRow("lone low surrogate") << QString("a") + QChar(0xDC00) << QString("a ");
}

void TestSampleXml::textsReadBack()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    TXMLDocument doc;
    TXMLQOVAData root = GetQOVAData(doc);
    TXMLSampleType sample = root.Sample().Add();
    sample.SetLaboratoryComments(text);
    sample.SetSampleComments(text);
    sample.Result().Add().SetOutput(text);
    QCOMPARE(sample.LaboratoryComments(), stored);

    TXMLDocument loaded = TXMLDocument::LoadFromData(doc.XML());
    const TXMLQOVAData read = GetQOVAData(loaded);
    const TXMLSampleType back = read.Sample()[0];
    QCOMPARE(back.LaboratoryComments(), stored);
    QCOMPARE(back.SampleComments(), stored);
    QCOMPARE(back.Result()[0].Output(), stored);
    QCOMPARE(read.Sample().Count(), 1);
}

void TestSampleXml::refusesDocuments_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    QTest::newRow("mismatched tags") << QByteArray("<?xml version=\"1.0\"?>\n<QOVAData>\n  <FileInfo>\n  </Sample>\n</QOVAData>\n")
                                     << 4
                                     << QString("an end tag that does not match the element it should close (XML parser: "
                                                "Opening and ending tag mismatch.)");
    QTest::newRow("another root") << QByteArray("<?xml version=\"1.0\"?>\n\n<qovadata>\n</qovadata>\n") << 3
                                  << QString("the root element is <qovadata>, not <QOVAData>");
    QTest::newRow("entity expansion") << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE QOVAData [\n"
                                                    "<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">\n]>\n"
                                                    "<QOVAData><FileInfo>&b;</FileInfo></QOVAData>\n")
                                      << 4 << QString("a document type declaration is not accepted");
    QTest::newRow("external entity") << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE QOVAData SYSTEM \"file:///etc/passwd\">\n"
                                                   "<QOVAData/>\n")
                                     << 2 << QString("a document type declaration is not accepted");
    QTest::newRow("undeclared entity") << QByteArray("<QOVAData>&secret;</QOVAData>") << 1 << QString();
    QTest::newRow("empty file") << QByteArray() << 1 << QString();
    QTest::newRow("cut short") << QByteArray("<QOVAData>\n  <Sample>\n    <Code>") << 3
                               << QString("the file ends before it is complete (XML parser: Premature end of document.)");
    QTest::newRow("two roots") << QByteArray("<QOVAData/>\n<QOVAData/>\n") << 2 << QString();
    QTest::newRow("not UTF-8") << QByteArray("<QOVAData>\xff\xfe</QOVAData>") << 1
                               << QString("the file is not text in its encoding (UTF-8, unless its XML declaration names "
                                          "another): it was probably saved in another one (XML parser: Encountered "
                                          "incorrectly encoded content.)");
}

void TestSampleXml::refusesDocuments()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, line);
    QFETCH(QString, reason);
    try {
        TXMLDocument::LoadFromData(xml, "peer.xml");
        QFAIL("the document was read");
    } catch (const XmlReadError &e) {
        QCOMPARE(e.line(), line);
        QVERIFY(e.column() >= 0);
        if (!reason.isEmpty())
            QCOMPARE(e.reason(), reason);
        QVERIFY2(e.message().startsWith(QString("peer.xml: line %1, column %2: ").arg(line).arg(e.column())),
                 qPrintable(e.message()));
    }
}

void TestSampleXml::readsPeerDocuments()
{
    // Another program's document: attributes, comments, elements of its own, text in CDATA.
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!-- made elsewhere -->\n"
                           "<QOVAData version=\"2\">\n"
                           "  <FileInfo><SampleCount>2</SampleCount><Extra>x</Extra></FileInfo>\n"
                           "  <Sample code=\"1\"><RecordType>FOOD</RecordType><BrandName><![CDATA[A & B <c>]]></BrandName>"
                           "<IsSurvey>1</IsSurvey></Sample>\n"
                           "  <Sample><RecordType>ANIMAL FEED</RecordType><DurabilityYear> 2025 </DurabilityYear></Sample>\n"
                           "</QOVAData>\n";
    QTemporaryDir dir;
    writeAll(dir.filePath("peer.xml"), xml);
    const TXMLQOVAData root = LoadQOVAData(dir.filePath("peer.xml"));
    TXMLQOVAData copy = root; // shares the document, which lives as long as a handle on it
    QCOMPARE(copy.FileInfo().SampleCount(), 2);
    QCOMPARE(root.Sample().Count(), 2);
    QCOMPARE(root.Sample()[0].BrandName(), QString("A & B <c>"));
    QVERIFY(root.Sample()[0].IsSurvey());
    QCOMPARE(root.Sample()[1].DurabilityYear(), 2025);

    QVERIFY_THROWS_EXCEPTION(VarnexError, LoadQOVAData("/nonexistent/peer.xml"));
}

void TestSampleXml::deepDocumentsAreBounded()
{
    const auto nested = [](size_t depth) {
        QByteArray xml = "<QOVAData>";
        for (size_t i = 1; i < depth; ++i)
            xml += "<a>";
        xml += "deep";
        for (size_t i = 1; i < depth; ++i)
            xml += "</a>";
        return xml + "</QOVAData>";
    };
    const TXMLDocument deepest = TXMLDocument::LoadFromData(nested(XmlTree::MaxDepth));
    QCOMPARE(deepest.Tree().elementCount(), int(XmlTree::MaxDepth));
    QCOMPARE(TXMLDocument::LoadFromData(deepest.XML()).XML(), deepest.XML());
    try {
        TXMLDocument::LoadFromData(nested(200000));
        QFAIL("a document nested 200000 levels deep was read");
    } catch (const XmlReadError &e) {
        QCOMPARE(e.reason(), QString("the elements are nested deeper than 1000 levels"));
    }
}

void TestSampleXml::saveIsAtomic()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("samples.xml");
    writeAll(path, "old content");
    TXMLDocument doc;
    TXMLQOVAData root = GetQOVAData(doc);
    for (int i = 0; i < 2000; ++i)
        root.Sample().Add().SetSampleComments(QString(200, QChar('x')));
    {
        FileSizeLimit limit(64 * 1024);
        try {
            doc.SaveToFile(path);
            QFAIL("a document larger than the disk allows was saved");
        } catch (const VarnexError &e) {
            QVERIFY2(e.message().startsWith(QString("Cannot write file '%1'").arg(path)), qPrintable(e.message()));
        }
    }
    QCOMPARE(readAll(path), QByteArray("old content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"samples.xml"});

    QVERIFY_THROWS_EXCEPTION(VarnexError, doc.SaveToFile(dir.filePath("missing/samples.xml")));
    doc.SaveToFile(path);
    QCOMPARE(readAll(path), doc.XML());
}

QTEST_GUILESS_MAIN(TestSampleXml)
#include "tst_samplexml.moc"
