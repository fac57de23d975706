// Writes the seed corpora of the fuzz targets: valid inputs made by the program's own writers, and
// a few broken ones derived from them. Run it again after a format changes:
//   build/tests/fuzz/fuzz_seeds tests/fuzz/corpus

#include "base/AtomicFile.h"
#include "base/ZipArchive.h"
#include "data/DataPacket.h"
#include "data/MemDataStream.h"
#include "data/PacketCipher.h"
#include "data/ResultBlobs.h"
#include "exchange/VRXSampleXML_19102011_Unt.h"
#include "exchange/ImportFields_UNT.h"
#include "exchange/TranslationsCSVImport_DM.h"
#include "remote/HydraAutoUpdate_Intf.h"
#include "remote/TableCodec.h"
#include "remote/WireCodec.h"

#include "../exchange/SampleDocument.h"
#include "../support/PacketBombs.h"

#include <QCborArray>
#include <QCborMap>
#include <QStringEncoder>
#include <QDate>
#include <QTime>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QDir corpus;
int written = 0;

void seed(const char *target, const char *name, const QByteArray &bytes)
{
    const QString folder = corpus.filePath(QLatin1String(target));
    QDir().mkpath(folder);
    QString error;
    if (!saveFileAtomically(QDir(folder).filePath(QLatin1String(name)), bytes, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    ++written;
}

void must(bool ok, const QString &error)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
}

// A table with a field of every kind, NULLs and empty values among the rows.
DataTable sampleTable()
{
    DataTable t({{QStringLiteral("ID"), FieldType::Int64, 0, 0, true},
                 {QStringLiteral("CODE"), FieldType::String, 20, 0, false},
                 {QStringLiteral("NOTES"), FieldType::Memo, 0, 0, false},
                 {QStringLiteral("PHOTO"), FieldType::Blob, 0, 0, false},
                 {QStringLiteral("SMALL"), FieldType::Int16, 0, 0, false},
                 {QStringLiteral("COUNT"), FieldType::Int32, 0, 0, false},
                 {QStringLiteral("RATIO"), FieldType::Float, 0, 0, false},
                 {QStringLiteral("PRICE"), FieldType::Decimal, 18, 4, false},
                 {QStringLiteral("DONE"), FieldType::Boolean, 0, 0, false},
                 {QStringLiteral("TAKEN_ON"), FieldType::Date, 0, 0, false},
                 {QStringLiteral("TAKEN_AT"), FieldType::Time, 0, 0, false},
                 {QStringLiteral("UPDATED"), FieldType::Timestamp, 0, 0, false}});
    QString error;
    must(t.appendRow({qint64(9007199254740993), QStringLiteral("DEMO0990001"), QStringLiteral("caf\u00e9 \u00fcber"),
                 QByteArray("\x00\x01\xff", 3), 7, -2147483647 - 1, 0.5, QStringLiteral("-12345678901234.5678"), true,
                 QDate(2025, 3, 30), QTime(1, 30, 0, 250), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999))},
                     &error),
         error);
    must(t.appendRow({qint64(2), QString(), QString(), QByteArray(), QVariant(), QVariant(), QVariant(), QStringLiteral("0"),
                      false, QVariant(), QVariant(), QVariant()},
                     &error),
         error);
    must(t.appendRow(QVariantList(t.fieldCount()), &error), error);
    return t;
}

// A table's CBOR with the first PRICE (decimal 18,4: fourteen digits before the point) replaced.
QByteArray withPrice(QCborMap table, const char *price)
{
    QCborArray columns = table.value(QStringLiteral("columns")).toArray();
    QCborArray prices = columns.at(7).toArray();
    prices[0] = QString::fromLatin1(price);
    columns[7] = prices;
    table.insert(QStringLiteral("columns"), columns);
    return table.toCborValue().toCbor();
}

void datasetPackets()
{
    const QByteArray packet = DataPacket::encode(sampleTable());
    seed("datapacket", "valid-every-kind", packet);
    seed("datapacket", "valid-no-rows", DataPacket::encode(DataTable(sampleTable().fields())));
    seed("datapacket", "valid-no-fields", DataPacket::encode(DataTable()));
    seed("datapacket", "broken-truncated", packet.left(packet.size() / 2));
    seed("datapacket", "broken-trailing-byte", packet + '\0');
    seed("datapacket", "broken-not-cbor", "not a packet");
    QCborMap other = DataPacket::toCbor(sampleTable());
    other.insert(QStringLiteral("version"), 99);
    seed("datapacket", "broken-unknown-version", other.toCborValue().toCbor());
    seed("datapacket", "broken-decimal-beyond-precision", withPrice(DataPacket::toCbor(sampleTable()), "999999999999999.5"));
}

void lookupStreams()
{
    DataTable list({{QStringLiteral("Code"), FieldType::String, 20}, {QStringLiteral("Description"), FieldType::String, 100},
                    {QStringLiteral("UNIQUE_ID"), FieldType::Int32}, {QStringLiteral("Selected"), FieldType::Boolean},
                    {QStringLiteral("Taken"), FieldType::Timestamp}, {QStringLiteral("Day"), FieldType::Date}});
    QString error;
    must(list.appendRow({QStringLiteral("GL"), QStringLiteral("Glass \u20ac caf\u00e9"), 7, true,
                         QDateTime(QDate(2025, 3, 30), QTime(1, 30)), QDate(2024, 2, 29)},
                        &error),
         error);
    must(list.appendRow(QVariantList(list.fieldCount()), &error), error);
    const QByteArray stream = MemDataStream::write(list);
    seed("lookupstream", "valid-code-list", stream);
    seed("lookupstream", "valid-no-rows", MemDataStream::write(DataTable(list.fields())));
    seed("lookupstream", "broken-truncated", stream.left(stream.size() - 3));
    seed("lookupstream", "broken-signature", QByteArray("Vex") + stream.mid(3));
    // A field count far beyond what the bytes can hold.
    QByteArray forged = stream;
    forged[11] = char(0x7f);
    seed("lookupstream", "broken-field-count", forged);
}

void encipheredPackets()
{
    QByteArray packet;
    QString error;
    must(PacketCipher::makePacket(sampleTable(), &packet, &error), error);
    seed("packetcipher", "valid-packet", packet);
    QByteArray deflated;
    must(PacketCipher::deflateRaw(DataPacket::encode(sampleTable()), &deflated, &error), error);
    seed("packetcipher", "valid-deflated-dataset", deflated);
    seed("packetcipher", "broken-not-whole-blocks", packet.left(packet.size() - 5));
    QByteArray lastBlock = packet;
    lastBlock[lastBlock.size() - 1] = char(lastBlock.at(lastBlock.size() - 1) ^ 0x5a);
    seed("packetcipher", "broken-last-block", lastBlock);
    seed("packetcipher", "broken-deflate-cut", deflated.left(deflated.size() / 2));
    // Bombs of a few kilobytes: two million NULL rows (a valid packet that would take far more
    // memory than its size allows), and thirty megabytes of zeros.
    QByteArray bomb;
    must(PacketCipher::seal(twoMillionNullRows(), &bomb, &error), error);
    seed("packetcipher", "broken-bomb-of-nulls", bomb);
    must(PacketCipher::seal(QByteArray(30 << 20, '\0'), &bomb, &error), error);
    seed("packetcipher", "broken-bomb-of-zeros", bomb);
}

void wireMessages()
{
    using namespace Wire;
    seed("wirecodec", "valid-request",
         encodeRequest({QStringLiteral("SyncService"), QStringLiteral("GetTableChanges"),
                        {Param::string(QStringLiteral("TableName"), QStringLiteral("_dyn_sample")),
                         Param::int64(QStringLiteral("HighWater"), 9007199254740993),
                         Param::boolean(QStringLiteral("First"), true),
                         Param::binary(QStringLiteral("Blob"), QByteArray("\x00\xff", 2)),
                         Param{QStringLiteral("When"), Type::DateTime, encodeDateTime(QDateTime(QDate(2025, 3, 30), QTime(1, 30)))}}}));
    const QByteArray reply = encodeReply(Reply{true,
                                               {Param::int32(QStringLiteral("Result"), 3),
                                                Param{QStringLiteral("Rows"), Type::Table, encodeTable(sampleTable())}},
                                               {},
                                               {}});
    seed("wirecodec", "valid-reply", reply);
    seed("wirecodec", "valid-error-reply", encodeReply(Reply::error(QStringLiteral("ServerError"), QStringLiteral("text to show"))));
    seed("wirecodec", "broken-truncated", reply.left(reply.size() - 7));
    seed("wirecodec", "broken-empty", QByteArray());
}

void tableParts()
{
    using namespace Wire;
    seed("tablecodec", "valid-table", encodeTable(sampleTable()).toCbor());
    DatasetSchema schema{QStringLiteral("_DYN_SAMPLE"), sampleTable().fields(), {QStringLiteral("ID")},
                         {QStringLiteral("LOCAL_AUTHORITY__CODE")}, true};
    seed("tablecodec", "valid-schema", encodeSchema(schema).toCbor());
    seed("tablecodec", "valid-params", encodeDatasetParams({{QStringLiteral("CODE"), QStringLiteral("DEMO")},
                                                             {QStringLiteral("SINCE"), qint64(5)}}).toCbor());
    seed("tablecodec", "valid-where", encodeWhere({{QStringLiteral("UPDATE_ID"), WhereItem::Greater, qint64(10)},
                                                   {QStringLiteral("CODE"), WhereItem::Different, QVariant()}}).toCbor());
    RowChange insert{RowChange::Insert, {}, {{QStringLiteral("ID"), qint64(1)}, {QStringLiteral("CODE"), QStringLiteral("X")}}};
    RowChange update{RowChange::Update, {{QStringLiteral("ID"), qint64(1)}}, {{QStringLiteral("CODE"), QStringLiteral("Y")}}};
    seed("tablecodec", "valid-changes", encodeChanges({insert, update}).toCbor());
    QCborMap table = encodeTable(sampleTable()).toMap();
    table.insert(QStringLiteral("rowCount"), 1000);
    seed("tablecodec", "broken-row-count", table.toCborValue().toCbor());
    seed("tablecodec", "broken-decimal-beyond-precision", withPrice(encodeTable(sampleTable()).toMap(), "1" + QByteArray(40, '0')));
}

void settingsFiles()
{
    QFile staged(QStringLiteral(VARNEX_SOURCE_DIR "/resources/AutoUpdate.ini"));
    must(staged.open(QIODevice::ReadOnly), staged.errorString());
    const QByteArray autoUpdate = staged.readAll();
    seed("inifile", "valid-autoupdate", autoUpdate);
    seed("inifile", "valid-installation-crlf",
         "; Installation settings\r\n[Settings]\r\nLocalDataLocation=%APP%/data\r\nServerAddress = http://127.0.0.1:8099/bin \r\n"
         "\r\n[Contact]\r\nWebsite=http://site/\r\nTwice=first\r\nTwice=second\r\n");
    seed("inifile", "unusual-latin1-no-final-newline", "[Contact]\nHelplineNumber=0800 caf\xe9");
    seed("inifile", "unusual-utf8-mark-bad-bytes", "\xef\xbb\xbf[Settings]\nLocalDataLocation=/srv/donn\xe9" "es\nK=\xff\xfe\n");
    seed("inifile", "broken-no-sections", "=\n[\n]]\n[S\nkey without value\n\0\n");

    seed("updatesettings", "valid-staged", autoUpdate);
    seed("updatesettings", "valid-every-section",
         "[Configuration]\nLastUpdateID=R7\nInteractive=0\nForceDownload=1\n"
         "[Directories]\n1=$APPLICATION\\*.exe,RECURSIVE\n2=$APPLICATION/lib/*.so|lib, true \n3=sub/*\n"
         "[AutoUpdateClient]\nServiceName=HYAutoUpdateService\nDownloadBufferSize=1024\nTemporaryFileNamePrefix=$$\n"
         "[Message]\nClass=TROBinMessage\n"
         "[Channel]\nClass=TROWinInetHTTPChannel\nTargetURL=http://h:1/bin\nTimeOut=2500\nKeepAlive=FALSE\nUserAgent=x\n");
    seed("updatesettings", "broken-unknown-class", "[Message]\nClass=TROBinMessage\n[Channel]\nClass=TIndyHTTPChannel\n");
    seed("updatesettings", "broken-bad-values",
         "[Configuration]\nForceDownload=yes\n[AutoUpdateClient]\nDownloadBufferSize=big\nNoSuch=1\n"
         "[Message]\nclass=trobinmessage\n[Channel]\nCLASS=httpchannel\nTimeOut=-5\nKeepAlive=maybe\n");
}

void commandLines()
{
    const auto args = [](std::initializer_list<const char *> list) {
        QByteArray out;
        for (const char *a : list) {
            if (!out.isEmpty() || a != *list.begin())
                out += '\0';
            out += a;
        }
        return out;
    };
    seed("commandline", "valid-batch",
         args({"varnex-desktop", "-username", "a@b.com", "-password", "x", "-personality", "af", "-allowinvalidtoimport",
               "-filetoimport", "/tmp/in.xml"}));
    seed("commandline", "valid-any-case", args({"varnex-desktop", "-UserName", "A@B", "-PERSONALITY", "food"}));
    seed("commandline", "unusual-value-is-a-switch", args({"varnex-desktop", "-username", "-filetoimport", "x.xml"}));
    seed("commandline", "unusual-switch-at-end", args({"varnex-desktop", "-filetoimport"}));
}

void updateAnswers()
{
    using namespace Wire;
    seed("updateanswer", "valid-status",
         encodeReply(Reply{true,
                           {Param::string(QStringLiteral("Result"), enumName(usNeedsUpdate)),
                            Param::string(QStringLiteral("CurrentUpdateID"), QStringLiteral("R2")),
                            Param::string(QStringLiteral("UserData"), QString())},
                           {},
                           {}}));
    THYFileUpdateInfo file;
    file.Operation = uoAddOrReplace;
    file.FileName = QStringLiteral("$APPLICATION/varnex-desktop");
    file.Size = 5000000000;
    file.TimeStamp = QDateTime(QDate(2025, 2, 1), QTime(10, 0));
    file.Version = QStringLiteral("1.0.2.0");
    THYFileUpdateInfo removed;
    removed.Operation = uoDelete;
    removed.FileName = QStringLiteral("$APPLICATION/old.so");
    seed("updateanswer", "valid-file-list",
         encodeReply(Reply{true, {Param{QStringLiteral("Result"), Type::Array, writeFileUpdateInfoArray({file, removed})}}, {}, {}}));
    seed("updateanswer", "valid-file-data",
         encodeReply(Reply{true,
                           {Param::int32(QStringLiteral("Result"), 4), Param::binary(QStringLiteral("Data"), "0123")},
                           {},
                           {}}));
    QCborMap badEnum = file.write().toMap();
    badEnum.insert(QStringLiteral("Operation"), QStringLiteral("uoExplode"));
    seed("updateanswer", "broken-unknown-operation",
         encodeReply(Reply{true, {Param{QStringLiteral("Result"), Type::Array, QCborArray{badEnum}}}, {}, {}}));
    seed("updateanswer", "broken-status-not-text",
         encodeReply(Reply{true, {Param::int32(QStringLiteral("Result"), 1)}, {}, {}}));
}

// The built-in report definitions as they stand in the source, and a few that must be refused.
void reportDefinitions()
{
    for (const char *name : {"FoodForm", "FeedForm", "FoodReport", "FeedReport", "Label", "A4Label"}) {
        QFile file(QStringLiteral(VARNEX_SOURCE_DIR "/src/reports/definitions/%1.xml").arg(QLatin1String(name)));
        must(file.open(QIODevice::ReadOnly), file.fileName() + QStringLiteral(": ") + file.errorString());
        seed("reportdefinition", ("valid-" + QByteArray(name).toLower()).constData(), file.readAll());
    }
    seed("reportdefinition", "broken-designer-fr3",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TfrxReport Version=\"6.9\" ScriptLanguage=\"PascalScript\">\n"
         "<TfrxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\"/>\n</TfrxReport>\n");
    seed("reportdefinition", "broken-entities",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>\n"
         "<varnex-report version=\"1\"><page/><band each=\"once\" height=\"5\"><text x=\"0\" y=\"0\" width=\"9\" "
         "height=\"5\">&b;</text></band></varnex-report>\n");
    seed("reportdefinition", "broken-item-outside-band",
         "<varnex-report version=\"1\"><page size=\"custom\" width=\"102\" height=\"54\"/>"
         "<band each=\"sample\" height=\"50\"><barcode x=\"90\" y=\"0\" width=\"20\" height=\"10\" name=\"CODE\"/></band>"
         "</varnex-report>");
    seed("reportdefinition", "unusual-grow-columns-barcode-of-text",
         "<varnex-report version=\"1\"><page size=\"A5\" columns=\"3\"/><font name=\"f\" family=\"DejaVu Sans\" size=\"40\"/>"
         "<band each=\"sample\" height=\"5\" new-page=\"true\"><field x=\"0\" y=\"0\" width=\"10\" height=\"5\" font=\"f\" "
         "name=\"FOOD_DESCRIPTION\" grow=\"true\" padding=\"4.9\"/></band>"
         "<band each=\"result\" height=\"8\"><barcode x=\"0\" y=\"0\" width=\"40\" height=\"8\" name=\"SUBSTANCE\"/></band>"
         "</varnex-report>");
}

// The two result blobs as the central server writes them, and damaged ones.
void resultBlobs()
{
    QString error;
    DataTable results(ResultBlobs::resultFields());
    must(results.appendRow({qint64(1), QStringLiteral("DEMO0990001"), QStringLiteral("0.020000"), QString(), QStringLiteral("N"),
                            QStringLiteral("<"), QDate(2024, 3, 8), QTime(9, 15), QDateTime(QDate(2024, 3, 8), QTime(9, 15)),
                            QStringLiteral("< 0.02"), QStringLiteral("Lead"), QStringLiteral("mg/kg"), QString(), QStringLiteral("B123"),
                            QString(), QString(), QStringLiteral("0.004"), QStringLiteral("98%"), QStringLiteral("No"),
                            QStringLiteral("0.02"), QStringLiteral("PB")},
                           &error),
         error);
    const QByteArray packet = ResultBlobs::writeResults(results);
    seed("resultblobs", "valid-results", packet);
    seed("resultblobs", "broken-results-cut", packet.left(packet.size() - 9));
    DataTable outcomes(ResultBlobs::outcomeFields());
    must(outcomes.appendRow({QStringLiteral("7"), QStringLiteral("S1"), QStringLiteral("Satisfactory:\tno action\nneeded")}, &error),
         error);
    must(outcomes.appendRow({QStringLiteral("8"), QVariant(), QString()}, &error), error);
    seed("resultblobs", "valid-outcomes", ResultBlobs::writeOutcomes(outcomes).toUtf8());
    seed("resultblobs", "broken-outcomes-escape", "varnex-outcomes 1\nID\tFAILCODE\n1\tA\\q\n");
    seed("resultblobs", "broken-outcomes-count", "varnex-outcomes 1\r\nID\tFAILCODE\r\n1\r\n");
}

// Sample exchange documents as the program writes them and as others might, and refused ones.
void sampleXml()
{
    TXMLDocument doc;
    TXMLQOVAData root = GetQOVAData(doc);
    root.FileInfo().SetDateGenerated(u"17/05/2024");
    root.FileInfo().SetSampleCount(1);
    root.FileInfo().SetFileSource(u" ");
    TXMLSampleType sample = root.Sample().Add();
    sample.SetRecordType(u"FOOD");
    sample.SetSampleNumber(u"DEMO0990001");
    sample.SetPremisesName(u"Smith & Sons <Bakers>");
    sample.SetSampleComments(QString::fromUtf8("line one\r\nline two \u00c5 \U0001F600"));
    sample.SetDurabilityDay(3);
    sample.SetIsSurvey(true);
    sample.SetLaboratoryComments(u"");
    TXMLResultType result = sample.Result().Add();
    result.SetOutput(u"< 0.02");
    result.SetResult(u"0.02");
    seed("samplexml", "valid-document", doc.XML());
    const QByteArray written = doc.XML();
    seed("samplexml", "broken-cut", written.left(written.size() / 2));
    seed("samplexml", "broken-other-root", "<?xml version=\"1.0\"?>\n<qovadata><FileInfo/></qovadata>\n");
    seed("samplexml", "broken-doctype-entities",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE QOVAData [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>\n"
         "<QOVAData><FileInfo><FileSource>&b;</FileSource></FileInfo></QOVAData>\n");
    seed("samplexml", "broken-external-entity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE QOVAData SYSTEM \"file:///etc/passwd\">\n<QOVAData/>\n");
    seed("samplexml", "unusual-peer-document",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- elsewhere -->\n<QOVAData v=\"2\">\n"
         "<FileInfo><SampleCount>1</SampleCount><Extra/></FileInfo>\n"
         "<Sample id=\"1\"><BrandName><![CDATA[A & B]]></BrandName>mixed<Result><Result>&#13;&#x1F600;</Result></Result>"
         "</Sample>\n<?pi data?></QOVAData>\n");
}

// The shipped field definitions, one written by the fields themselves, and broken ones.
void importFields()
{
    QFile shipped(QStringLiteral(VARNEX_SOURCE_DIR "/resources/XMLImportDefinitions/SampleFieldDefs.XML"));
    must(shipped.open(QIODevice::ReadOnly), shipped.errorString());
    const QByteArray definitions = shipped.readAll();
    seed("importfields", "valid-shipped", definitions);
    QByteArray written = "ROOT=[Samples|Sample]\n<FieldList>\n";
    for (const auto &field : ReadImportDefinitions(definitions, QStringLiteral("shipped")).fields)
        written += field->AsXML().toUtf8() + "\n";
    seed("importfields", "valid-written", written + "</FieldList>\n");
    seed("importfields", "unusual-utf16-every-type",
         QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
             .encode(QStringLiteral("ROOT=[A|B]\r\n<FieldList>\r\n"
                                    "<Field><Name>D</Name><FieldType>xmldatetime</FieldType><Label>Dé</Label>"
                                    "<Mapping>\r\n  [B|C]\r\n  [D]\r\n</Mapping></Field>"
                                    "<Field><Name>T</Name><FieldType>Time</FieldType><Lookup>Country</Lookup></Field>"
                                    "</FieldList>")));
    seed("importfields", "broken-unclosed-field", definitions.left(definitions.size() - 40));
    seed("importfields", "broken-entity-expansion",
         "ROOT=[A|B]\n<!DOCTYPE FieldList [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>\n"
         "<FieldList><Field><Name>&b;</Name></Field></FieldList>");
}

// A sample exchange document, and damaged ones.
void sampleRecords()
{
    ImportFixture::Sample second = ImportFixture::validFoodSample(QStringLiteral("LA-2"));
    second.insert(QStringLiteral("Result"), QStringLiteral("<nested> & text"));
    const QByteArray document = ImportFixture::document({ImportFixture::validFoodSample(), second});
    seed("samplerecords", "valid-two-samples", document);
    seed("samplerecords", "unusual-latin1-cdata-attributes",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<QOVAData><Sample code=\"x\">direct"
         "<RecordType>caf\xe9</RecordType><Result><Result><![CDATA[ a  <b> ]]></Result></Result><W><x>1</x></W>"
         "</Sample><Sample/><Sample><Sample><RecordType>inner</RecordType></Sample></Sample></QOVAData>");
    seed("samplerecords", "broken-truncated", document.left(document.size() / 2));
    seed("samplerecords", "broken-external-entity",
         "<!DOCTYPE QOVAData [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><QOVAData><Sample><A>&e;</A></Sample></QOVAData>");
}

// Terms written by the CSV module, and files it must refuse.
void translationCsvs()
{
    seed("translationcsv", "valid-written",
         TTranslationsCSVImportDM::write({{QStringLiteral("Premises type"), QStringLiteral("T"), QStringLiteral("Takeaway")},
                                          {QStringLiteral("Brand, name"), QStringLiteral("\"A\""), QStringLiteral("two\nlines")},
                                          {QString(), QString(), QString()}}));
    seed("translationcsv", "unusual-mark-lf-empty-lines", "\xef\xbb\xbf" "a,b,c\n\n\nd,e,f");
    seed("translationcsv", "broken-two-values", "a,b,c\r\nd,e\r\n");
    seed("translationcsv", "broken-open-quote", "a,\"b,c\r\n");
    // UTF-16LE with its mark, the last value half of a surrogate pair.
    seed("translationcsv", "broken-utf16-lone-surrogate", QByteArray("\xff\xfe" "a\0,\0b\0,\0\x3d\xd8", 12));
}

// Mail merge templates the zip reader must refuse: a bomb of three kilobytes that would inflate to
// three megabytes, and names that the package cannot hold.
void docxTemplates()
{
    const auto package = [](const QByteArray &document, const QByteArray &styles = "word/styles.xml") {
        ZipArchive zip;
        zip.set(QStringLiteral("[Content_Types].xml"), "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
        zip.set(QStringLiteral("word/document.xml"), document);
        zip.set(QString::fromLatin1(styles), "<w:styles/>");
        return zip.write();
    };
    seed("docxmerge", "broken-bomb.docx", package(QByteArray(3 << 20, ' ')));
    seed("docxmerge", "broken-name-twice.docx", package("<w:document/>", "word/Document.xml"));
    seed("docxmerge", "broken-name-climbing-out.docx", package("<w:document/>", "word/../../styles.xml"));
    seed("docxmerge", "broken-name-from-root.docx", package("<w:document/>", "/word/styles.xml"));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    corpus = QDir(QString::fromLocal8Bit(argv[1]));
    datasetPackets();
    lookupStreams();
    encipheredPackets();
    wireMessages();
    tableParts();
    settingsFiles();
    commandLines();
    updateAnswers();
    reportDefinitions();
    resultBlobs();
    sampleXml();
    importFields();
    sampleRecords();
    translationCsvs();
    docxTemplates();
    std::fprintf(stderr, "%d seeds written to %s\n", written, argv[1]);
    return 0;
}
