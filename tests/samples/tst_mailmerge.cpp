// The mail merge: fields of a template made here (simple fields, fields whose code is spread over
// several runs, fields of other kinds, unknown merge names), the documents re-read whole, and the
// merge of stored samples into files beside the program.
#include "samples/SampleMailMerge.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "base/ZipArchive.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

class TestMailMerge : public QObject
{
    Q_OBJECT

private slots:
    void fieldValues_data();
    void fieldValues();
    void mappingTableIsSortedAndComplete();
    void documentFieldsShowTheSample();
    void brokenTemplatesAreNamed_data();
    void brokenTemplatesAreNamed();
    void samplesMergeIntoFilesBesideTheProgram();
};

namespace {

const char *WordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

QByteArray package(const QByteArray &document, const QString &mainPart = "word/document.xml")
{
    ZipArchive zip;
    zip.set("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
    zip.set("_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"" +
                mainPart.toUtf8() + "\"/></Relationships>");
    zip.set(mainPart, document);
    zip.set("word/styles.xml", "<w:styles xmlns:w=\"" + QByteArray(WordNs) + "\"/>");
    return zip.write();
}

QByteArray body(const QByteArray &paragraphs)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"" + QByteArray(WordNs) + "\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
           "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" mc:Ignorable=\"w14\">"
           "<w:body>" + paragraphs + "<w:sectPr/></w:body></w:document>";
}

QByteArray complexField(const QList<QByteArray> &codeParts, const QByteArray &result, bool separate = true)
{
    QByteArray xml = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>";
    for (const QByteArray &part : codeParts)
        xml += "<w:r><w:rPr><w:u/></w:rPr><w:instrText xml:space=\"preserve\">" + part + "</w:instrText></w:r>";
    if (separate)
        xml += "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + result;
    return xml + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

// The paragraphs' texts (w:t joined, w:br as a line break), one per paragraph.
QStringList paragraphTexts(const QByteArray &xml)
{
    QStringList out;
    QXmlStreamReader r(xml);
    QString current;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("p"))
            current.clear();
        else if (r.isStartElement() && r.name() == QLatin1String("t"))
            current += r.readElementText();
        else if (r.isStartElement() && r.name() == QLatin1String("br"))
            current += '\n';
        else if (r.isEndElement() && r.name() == QLatin1String("p"))
            out << current;
    }
    if (r.hasError())
        out << "XML ERROR: " + r.errorString();
    return out;
}

void requireWellFormed(const QByteArray &docx)
{
    const ZipArchive zip = ZipArchive::read(docx);
    for (const ZipArchive::Entry &e : zip.entries()) {
        QXmlStreamReader r(e.data);
        while (!r.atEnd())
            r.readNext();
        QVERIFY2(!r.hasError(), qPrintable(e.name + ": " + r.errorString()));
    }
}

} // namespace

void TestMailMerge::fieldValues_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected"); // "<keep>" for the template's result
    QTest::newRow("format switch, blanks") << "MERGEFIELD   BrandName   \\* MERGEFORMAT" << "ACME";
    QTest::newRow("name in any case") << "MERGEFIELD brandname" << "ACME";
    QTest::newRow("quoted name") << "MERGEFIELD \"BrandName\"" << "ACME";
    QTest::newRow("keyword in lower case") << "mergefield BrandName" << "<keep>";
    QTest::newRow("other field") << "PAGE" << "<keep>";
    QTest::newRow("keyword alone") << "MERGEFIELD" << "<keep>";
    QTest::newRow("unknown name") << "MERGEFIELD Nothing" << "MERGEFIELD Nothing is not a valid Mail Merge fieldname";
    QTest::newRow("file id from the local column") << "MERGEFIELD file__id" << "42";
    QTest::newRow("column the sample lacks") << "MERGEFIELD file_collected_id" << "";
    QTest::newRow("two names, one column") << "MERGEFIELD CountryDescription" << "France";
}

void TestMailMerge::fieldValues()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    const TSampleMailMerge::SampleValues sample = {{"BRAND_NAME", "ACME"}, {"FILE_ID", "42"}, {"COUNTRY", "France"}};
    const std::optional<QString> value = TSampleMailMerge::GetMergeFieldValue(code, sample);
    QCOMPARE(value.value_or("<keep>"), expected);
}

void TestMailMerge::mappingTableIsSortedAndComplete()
{
    const QStringList mappings = TSampleMailMerge::CreateFieldMappings();
    QCOMPARE(mappings.size(), 100);
    QStringList sorted = mappings;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(mappings, sorted);
    QVERIFY(mappings.contains("FoodStandardsRiskCategoryDescription=RISK_CAT_FS_DESCRIPTION"));
    QVERIFY(mappings.contains("TimeSampleTaken=SAMPLE_TIME"));
}

void TestMailMerge::documentFieldsShowTheSample()
{
    const QByteArray document = body(
        // 1: a simple field with its result in bold.
        "<w:p><w:r><w:t>Brand: </w:t></w:r><w:fldSimple w:instr=\" MERGEFIELD  BrandName \\* MERGEFORMAT \">"
        "<w:r><w:rPr><w:b/></w:rPr><w:t>\xc2\xab" "BrandName\xc2\xbb</w:t></w:r></w:fldSimple></w:p>"
        // 2: the code spread over three runs, the result over two runs, the first one italic.
        "<w:p>" + complexField({" MERGE", "FIELD premises", "Name "},
                               "<w:r><w:rPr><w:i/></w:rPr><w:t>\xc2\xabPremises</w:t></w:r><w:r><w:t>Name\xc2\xbb</w:t></w:r>") +
        "</w:p>"
        // 3: a page number keeps the template's result.
        "<w:p><w:r><w:t>Page </w:t></w:r>" + complexField({" PAGE "}, "<w:r><w:t>7</w:t></w:r>") + "</w:p>"
        // 4: an unknown merge name in a simple field.
        "<w:p><w:fldSimple w:instr=\" MERGEFIELD Nothing \"><w:r><w:t>x</w:t></w:r></w:fldSimple></w:p>"
        // 5: a field without a result gets one; a multi-line value keeps its lines.
        "<w:p>" + complexField({" MERGEFIELD AdditionalInformation "}, {}, false) + "</w:p>"
        // 6: a simple field without runs.
        "<w:p><w:fldSimple w:instr=\"MERGEFIELD SampleNumber\"/></w:p>");
    const TSampleMailMerge::SampleValues sample = {{"BRAND_NAME", "Tom & <Jerry>"},
                                                   {"PREMISES_NAME", "The Deli"},
                                                   {"ADDITIONAL_INFO", "line one\r\nline two"},
                                                   {"CODE", "S-1"}};
    const QByteArray merged = TSampleMailMerge::MergeSampleDocument(package(document), sample);
    requireWellFormed(merged);
    const ZipArchive zip = ZipArchive::read(merged);
    const QByteArray xml = *zip.find("word/document.xml");
    QCOMPARE(paragraphTexts(xml), QStringList({"Brand: Tom & <Jerry>", "The Deli", "Page 7",
                                               "MERGEFIELD Nothing is not a valid Mail Merge fieldname",
                                               "line one\nline two", "S-1"}));
    // Untouched entries are copied as they are; the prefixes and what mc:Ignorable names stay.
    QCOMPARE(*zip.find("word/styles.xml"), QByteArray("<w:styles xmlns:w=\"") + WordNs + "\"/>");
    QVERIFY(xml.contains("mc:Ignorable=\"w14\""));
    QVERIFY(xml.contains("xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\""));
    // The fields stay fields, their results in the first result run's formatting.
    QCOMPARE(xml.count("<w:fldSimple "), 3);
    QCOMPARE(xml.count("w:fldCharType=\"begin\""), 3);
    QCOMPARE(xml.count("w:fldCharType=\"separate\""), 3);
    QVERIFY(xml.contains("<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Tom &amp; &lt;Jerry&gt;</w:t></w:r>"));
    QVERIFY(xml.contains("<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">The Deli</w:t></w:r>"));
    QVERIFY(xml.contains("<w:t xml:space=\"preserve\">line one</w:t><w:br/><w:t xml:space=\"preserve\">line two</w:t>"));
    QVERIFY(xml.contains("<w:instrText xml:space=\"preserve\">FIELD premises</w:instrText>"));
}

void TestMailMerge::brokenTemplatesAreNamed_data()
{
    QTest::addColumn<QByteArray>("docx");
    QTest::addColumn<QString>("fault");
    QTest::newRow("not a zip") << QByteArray("PK but not really a zip file at all") << "not a readable zip file";
    QByteArray cut = package(body("<w:p/>"));
    cut.chop(10);
    QTest::newRow("cut short") << cut << "not a readable zip file";
    ZipArchive noRels;
    noRels.set("word/document.xml", body("<w:p/>"));
    QTest::newRow("no relationships") << noRels.write() << "no package relationships";
    ZipArchive noMain;
    noMain.set("_rels/.rels", *ZipArchive::read(package(body("<w:p/>"))).find("_rels/.rels"));
    QTest::newRow("main part missing") << noMain.write() << "main document \"word/document.xml\" is missing";
    QTest::newRow("malformed document") << package("<w:document xmlns:w=\"x\"><w:body>") << "not well-formed";
    QTest::newRow("document type") << package("<!DOCTYPE w [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><w>&e;</w>")
                                   << "document type declaration";
    // Three megabytes of blanks deflate to three kilobytes: a thousandfold.
    QTest::newRow("bomb") << package(body("<w:p/>" + QByteArray(3 << 20, ' ')))
                          << "the entry \"word/document.xml\" expands 950 times, more than the 100 times allowed.";
    // Names are changed in the written bytes, in the local and the central header alike.
    const auto renamed = [](QByteArray zip, const QByteArray &from, const QByteArray &to) {
        return from.size() == to.size() ? zip.replace(from, to) : QByteArray();
    };
    ZipArchive twice;
    twice.set("word/document.xml", body("<w:p/>"));
    twice.set("word/documenX.xml", body("<w:p/>"));
    ZipArchive otherCase = twice;
    otherCase.set("WORD/DOCUMENT.XML", body("<w:p/>"));
    QTest::newRow("name twice in another letter case") << otherCase.write()
                                                       << "the entry name \"WORD/DOCUMENT.XML\" is used twice.";
    QTest::newRow("same name twice") << renamed(twice.write(), "word/documenX.xml", "word/document.xml")
                                     << "the entry name \"word/document.xml\" is used twice.";
    QTest::newRow("name climbing out") << renamed(package(body("<w:p/>")), "word/styles.xml", "w/../../xyz.xml")
                                       << "the entry name \"w/../../xyz.xml\" climbs out of its folder";
    QTest::newRow("name from the root") << renamed(package(body("<w:p/>")), "word/styles.xml", "/etc/styles.xml")
                                        << "the entry name \"/etc/styles.xml\" starts at the root";
}

void TestMailMerge::brokenTemplatesAreNamed()
{
    QFETCH(QByteArray, docx);
    QFETCH(QString, fault);
    try {
        TSampleMailMerge::MergeSampleDocument(docx, {});
        QFAIL("merged");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith("The mail merge template cannot be used: "), qPrintable(e.message()));
        QVERIFY2(e.message().contains(fault), qPrintable(e.message()));
    }
}

void TestMailMerge::samplesMergeIntoFilesBesideTheProgram()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    const auto sample = [&db](int id, const char *uuid, const char *premises) {
        db.exec("INSERT INTO SAMPLE (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, RECORD_TYPE, PREMISES_NAME, BRAND_NAME, "
                "SAMPLE_DATE, FILE_ID) VALUES (?, ?, 'T', ?, ?, 'FOOD', ?, ?, ?, ?)",
                {id, id, QString(uuid), QStringLiteral("S-%1").arg(id), premises ? QVariant(QString(premises)) : QVariant(),
                 QStringLiteral("BRAND %1").arg(id), QDate(2014, 8, 5), 900 + id});
    };
    sample(1, "U-1", "Deli/Bar");
    sample(2, "U-2", "Deli/Bar");
    sample(3, "U-3", nullptr);

    QTemporaryDir program;
    QVERIFY(program.isValid());
    FixedClock clock(QDateTime(QDate(2014, 8, 5), QTime(9, 7, 3)));
    ScopedClock useClock(&clock);

    TSampleMailMerge merge(db.db(), program.path());
    QStringList opened;
    merge.OpenDocument = [&opened](const QString &path) { opened << QFileInfo(path).fileName(); };
    // Nothing selected; then no template: both refused before anything is written.
    try {
        merge.DoMailMerge();
        QFAIL("merged nothing");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QString("No Samples selected to mail merge."));
    }
    for (const char *uuid : {"U-1", "U-2", "U-3"})
        merge.AddSampleToReport(uuid);
    const auto refused = [&merge](const QString &fault) {
        try {
            merge.DoMailMerge();
        } catch (const VarnexError &e) {
            return e.message().contains(fault) && e.message().contains("TemplateDoc.docx");
        }
        return false;
    };
    QVERIFY(refused("does not exist"));
    QVERIFY(QDir(program.path()).mkpath("MergeTemplate"));
    QFile templateFile(program.filePath("MergeTemplate/TemplateDoc.docx"));
    QVERIFY(templateFile.open(QIODevice::WriteOnly));
    templateFile.write("not a document");
    templateFile.close();
    QVERIFY(refused("not a readable zip file"));
    QCOMPARE(QDir(program.path()).entryList({"*.docx"}), QStringList());

    QVERIFY(templateFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    templateFile.write(package(body("<w:p><w:fldSimple w:instr=\" MERGEFIELD BrandName \"/>"
                                    "<w:fldSimple w:instr=\" MERGEFIELD DateSampleTaken \"/>"
                                    "<w:fldSimple w:instr=\" MERGEFIELD file__id \"/></w:p>")));
    templateFile.close();
    const QStringList written = merge.DoMailMerge();
    const QStringList names = {"Deli_Bar 5-8-14 09-07-03.docx", "Deli_Bar 5-8-14 09-07-03 (2).docx",
                               "New Document 5-8-14 09-07-03.docx"};
    QCOMPARE(opened, names);
    QCOMPARE(written.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QFile out(written.at(i));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray docx = out.readAll();
        requireWellFormed(docx);
        QCOMPARE(paragraphTexts(*ZipArchive::read(docx).find("word/document.xml")),
                 QStringList({QStringLiteral("BRAND %1").arg(i + 1) + "05/08/2014" + QString::number(901 + i)}));
    }
    // Merged again in the same second: nothing is written over.
    merge.DoMailMerge();
    QCOMPARE(QDir(program.path()).entryList({"*.docx"}).size(), 6);
}

QTEST_MAIN(TestMailMerge)
#include "tst_mailmerge.moc"
