// The sample XML record reader: records found at the record path, their lines, the fields filled
// from them, and documents that are refused.

#include "base/VarnexError.h"
#include "exchange/SampleImportXML_DM.h"

#include <QBuffer>
#include <QStringConverter>
#include <QTemporaryDir>
#include <QStringEncoder>
#include <QTest>

namespace {

QList<SampleRecord> recordsOf(TSampleImportXMLDM &reader, const QByteArray &document)
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    QList<SampleRecord> records;
    const int count = reader.ScanRecords(buffer, QStringLiteral("doc.xml"),
                                         [&](const SampleRecord &record) { records << record; });
    if (count != records.size())
        qWarning("count %d for %d records", count, int(records.size()));
    return records;
}

QList<SampleRecord> recordsOf(const QByteArray &document, const QString &root = QString())
{
    TSampleImportXMLDM reader;
    reader.SetRootElement(root);
    return recordsOf(reader, document);
}

// A reader with one field per mapping.
void defineFields(TSampleImportXMLDM &reader, const QStringList &mappings)
{
    ImportDefinitions definitions;
    for (const QString &mapping : mappings) {
        auto field = std::make_unique<TImportField>();
        field->SetName(mapping);
        field->SetMapping(QString(mapping).replace(QLatin1Char(' '), QLatin1Char('\n')));
        definitions.fields.push_back(std::move(field));
    }
    reader.SetDefinitions(std::move(definitions));
}

QString errorOf(const QByteArray &document)
{
    TSampleImportXMLDM reader;
    try {
        recordsOf(reader, document);
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestSampleReader : public QObject
{
    Q_OBJECT
private slots:
    void recordsAndLines();
    void recordPath_data();
    void recordPath();
    void mapping_data();
    void mapping();
    void longAndWrappedTexts();
    void encodings();
    void refusedDocuments_data();
    void refusedDocuments();
    void externalEntityNeverRead();
    void file();
};

void TestSampleReader::recordsAndLines()
{
    const QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<QOVAData>\n"
                                "  <FileInfo><SampleCount>3</SampleCount></FileInfo>\n"
                                "  <Sample code=\"attribute\">direct<RecordType>FOOD</RecordType>\n"
                                "    <Result><Result>12.5</Result></Result>\n"
                                "    <Note><![CDATA[a < b]]></Note><Empty/><Blank>   </Blank>\n"
                                "  </Sample>\n"
                                "  between the records\n"
                                "  <Sample/>\n"
                                "  <Sample><!-- none --><Sample><X>nested</X></Sample></Sample>\n"
                                "  <Sample><RecordType>ANIMAL FEED</RecordType></Sample>\n"
                                "</QOVAData>\n";
    const QList<SampleRecord> records = recordsOf(document);
    QCOMPARE(records.size(), 3); // <Sample/> opens no record
    const SampleRecord expected = {
        {QStringLiteral("[]"), QStringLiteral("direct")},
        {QStringLiteral("[RecordType]"), QStringLiteral("FOOD")},
        {QStringLiteral("[Result|Result]"), QStringLiteral("12.5")},
        {QStringLiteral("[Note]"), QStringLiteral("a < b")},
    };
    QCOMPARE(records.at(0), expected);
    QCOMPARE(records.at(1), SampleRecord({{QStringLiteral("[Sample|X]"), QStringLiteral("nested")}}));
    QCOMPARE(records.at(2), SampleRecord({{QStringLiteral("[RecordType]"), QStringLiteral("ANIMAL FEED")}}));
}

void TestSampleReader::recordPath_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<int>("records");
    QTest::newRow("default") << QString() << 2;
    QTest::newRow("as written") << "[QOVAData|Sample]" << 2;
    QTest::newRow("letter case counts") << "[qovadata|Sample]" << 0;
    QTest::newRow("blank after the bracket") << "[QOVAData|Sample] " << 0;
    QTest::newRow("deeper") << "[QOVAData|Sample|Result]" << 1;
    QTest::newRow("not a path") << "QOVAData|Sample" << 0;
}

void TestSampleReader::recordPath()
{
    QFETCH(QString, root);
    QFETCH(int, records);
    const QByteArray document = "<QOVAData><Sample><Result>1</Result></Sample><Sample/><Sample>x</Sample></QOVAData>";
    QCOMPARE(recordsOf(document, root).size(), records);
}

void TestSampleReader::mapping_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("value");
    QTest::newRow("letter case ignored") << "[w|x]" << QByteArray("<W><X>found</X></W>") << "found";
    QTest::newRow("first of two") << "[X]" << QByteArray("<X>one</X><X>two</X>") << "one";
    QTest::newRow("B only") << "[A] [B]" << QByteArray("<B>b</B>") << "b";
    QTest::newRow("both joined") << "[A] [B]" << QByteArray("<B>b</B><A>a</A>") << "a, b";
    QTest::newRow("neither") << "[A] [B]" << QByteArray("<C>c</C>") << "";
    QTest::newRow("attribute is no value") << "[A]" << QByteArray("<A v=\"attribute\"/>") << "";
    QTest::newRow("text of the record itself") << "[Sample]" << QByteArray("direct") << "";
}

void TestSampleReader::mapping()
{
    QFETCH(QString, mapping);
    QFETCH(QByteArray, record);
    QFETCH(QString, value);
    TSampleImportXMLDM reader;
    defineFields(reader, {mapping});
    const QList<SampleRecord> records = recordsOf(reader, "<QOVAData><Sample>" + record + "</Sample></QOVAData>");
    QCOMPARE(records.size(), 1);
    reader.ImportFields().at(0)->SetTranslatedValue(QStringLiteral("stale"));
    reader.LoadValues(records.at(0));
    QCOMPARE(reader.ImportFields().at(0)->Value(), value);
    QCOMPARE(reader.ImportFields().at(0)->TranslatedValue(), QString());
    QCOMPARE(reader.FieldList(), QStringList(QStringLiteral("=") + mapping));
}

void TestSampleReader::longAndWrappedTexts()
{
    const QByteArray longText(5000, 'z');
    const QList<SampleRecord> records = recordsOf("<QOVAData><Sample><Long>" + longText
                                                  + "</Long><Wrapped>\n      first\tline\n      second  line\n"
                                                    "      third\r\n    </Wrapped></Sample></QOVAData>");
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0).at(0).text, QString::fromLatin1(longText));
    QCOMPARE(records.at(0).at(1).text, QStringLiteral("first line second line third"));
}

void TestSampleReader::encodings()
{
    const QString text = QStringLiteral("Größe café");
    // Declared Latin-1, UTF-16 with its byte-order mark, and UTF-8 without a declaration.
    QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><QOVAData><Sample><N>" + text.toLatin1()
                        + "</N></Sample></QOVAData>";
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray wide = utf16.encode(QStringLiteral("<QOVAData><Sample><N>") + text
                                         + QStringLiteral("</N></Sample></QOVAData>"));
    const QByteArray utf8 = "<QOVAData><Sample><N>" + text.toUtf8() + "</N></Sample></QOVAData>";
    for (const QByteArray &document : {latin1, wide, utf8}) {
        const QList<SampleRecord> records = recordsOf(document);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).at(0).text, text);
    }
}

// A refused document is said in the program's words, at the place of the fault: where the file
// is cut short, the declaration that a file may not have, the byte that is not UTF-8.
void TestSampleReader::refusedDocuments_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("says");
    const QString lastRecord = QStringLiteral("the file ends before its last record is complete: the last <Sample> is cut off");
    QTest::newRow("cut inside a record") << QByteArray("<QOVAData>\n<Sample><A>1</A></Sample>\n<Sample><A>2</A>")
                                         << "doc.xml: line 3, column 17: " << lastRecord;
    QTest::newRow("cut inside a tag") << QByteArray("<QOVAData>\n<Sample><A>1</A>\n</Sam") << "doc.xml: line 3, column 6: "
                                      << lastRecord;
    QTest::newRow("cut after the last record")
        << QByteArray("<QOVAData>\n<Sample><A>1</A></Sample>\n") << "doc.xml: line 2, column "
        << "the file ends before it is complete: the element <QOVAData> is not closed";
    QTest::newRow("end tag that does not match")
        << QByteArray("<QOVAData>\n<Sample></Sampel>\n</QOVAData>") << "doc.xml: line 2, column "
        << "the end tag </Sampel> does not close the element <Sample> begun on line 2";
    QTest::newRow("end tag at the top") << QByteArray("<QOVAData></QOVAData>\n</QOVAData>") << "doc.xml: line 2, column "
                                        << "more follows the end of the file's outermost element";
    QTest::newRow("two roots") << QByteArray("<QOVAData/>\n<QOVAData/>") << "doc.xml: line 2, column "
                               << "more follows the end of the file's outermost element";
    QTest::newRow("not UTF-8") << QByteArray("<QOVAData>\n<Sample>caf\xe9</Sample></QOVAData>")
                               << "doc.xml: line 2, column 12: " << "the file is not text in its encoding";
    QTest::newRow("nested too deep") << QByteArray("<QOVAData>\n") + QByteArray("<a>").repeated(300)
                                     << "doc.xml: line 2, column " << "nested more than 256 levels deep";
    QTest::newRow("entity loop, declared on line 3")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE QOVAData [\n<!ENTITY a \"&b;\">\n<!ENTITY b \"&a;\">\n]>\n"
                      "<QOVAData>&a;</QOVAData>")
        << "doc.xml: line 3, column 1: " << "the file declares an entity of its own";
    QTest::newRow("entity loop, declared on line 2") << QByteArray("<!DOCTYPE r [\n  <!ENTITY a \"&a;\">\n]>\n<r>&a;</r>")
                                                     << "doc.xml: line 2, column 3: "
                                                     << "the file declares an entity of its own";
    QTest::newRow("document type after a comment")
        << QByteArray("<?xml version=\"1.0\"?>\n<!-- <!ENTITY x \"no\"> -->\n<!DOCTYPE QOVAData SYSTEM \"q.dtd\">\n<QOVAData/>")
        << "doc.xml: line 3, column 1: " << "the file has a document type declaration";
    QStringEncoder utf16(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    QTest::newRow("entity in UTF-16") << QByteArray(utf16.encode(QStringLiteral("<!DOCTYPE QOVAData [\n<!ENTITY a \"x\">]>\n"
                                                                                "<QOVAData>&a;</QOVAData>")))
                                      << "doc.xml: line 2, column 1: " << "the file declares an entity of its own";
    QTest::newRow("unknown entity") << QByteArray("<QOVAData>\n<Sample>&secret;</Sample></QOVAData>")
                                    << "doc.xml: line 2, column "
                                    << "&secret; is a reference to an entity that XML does not know";
    QTest::newRow("stray ampersand") << QByteArray("<QOVAData><Sample>Dairy & Sons</Sample></QOVAData>")
                                     << "doc.xml: line 1, column " << "it is written &amp;";
    QTest::newRow("only blanks") << QByteArray(" \n ") << "doc.xml: line " << "the file holds no XML element";
    QTest::newRow("empty") << QByteArray() << "doc.xml: line 1, column 1: " << "the file holds no XML element";
}

void TestSampleReader::refusedDocuments()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, where);
    QFETCH(QString, says);
    const QString error = errorOf(document);
    QVERIFY2(error.startsWith(where) && error.contains(says), qPrintable(error));
    // The parser's own text, where there is one, comes after ours as a detail.
    const qsizetype detail = error.indexOf(QLatin1String(" (XML parser: "));
    QVERIFY2(detail < 0 || detail > error.indexOf(says), qPrintable(error));
}

// A document that names an outside file as an entity is refused before anything of that file is
// read, whatever its form.
void TestSampleReader::externalEntityNeverRead()
{
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("secret.txt"));
    QFile file(secret);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("SECRET-CONTENT");
    file.close();
    const QByteArray url = "file://" + secret.toUtf8();
    for (const QByteArray &document :
         {"<!DOCTYPE QOVAData [<!ENTITY e SYSTEM \"" + url + "\">]><QOVAData><Sample><A>&e;</A></Sample></QOVAData>",
          "<!DOCTYPE QOVAData SYSTEM \"" + url + "\"><QOVAData><Sample><A>x</A></Sample></QOVAData>",
          QByteArray("<QOVAData xmlns:xi=\"http://www.w3.org/2001/XInclude\"><Sample><A><xi:include href=\"") + url
              + "\" parse=\"text\"/></A></Sample></QOVAData>"}) {
        QString error;
        QList<SampleRecord> records;
        try {
            records = recordsOf(document);
        } catch (const VarnexError &e) {
            error = e.message();
        }
        for (const SampleRecord &record : std::as_const(records))
            for (const SampleRecordLine &line : record)
                QVERIFY(!line.text.contains(QLatin1String("SECRET")));
        QVERIFY(!error.contains(QLatin1String("SECRET")));
    }
}

void TestSampleReader::file()
{
    TSampleImportXMLDM reader;
    QVERIFY_THROWS_EXCEPTION(VarnexError, reader.ScanFile(QStringLiteral("/no/such/samples.xml"), {}));
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("s.xml"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<QOVAData><Sample><A>1</A></Sample><Sample><A>2</A></Sample></QOVAData>");
    f.close();
    QCOMPARE(reader.ScanFile(name, {}), 2);
}

QTEST_GUILESS_MAIN(TestSampleReader)
#include "tst_samplereader.moc"
