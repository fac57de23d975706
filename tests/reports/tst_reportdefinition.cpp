#include "reports/ReportDefinition.h"

#include "reports/ReportDocument.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QTest>

namespace {

// A definition with one A4 page of the given bands (and fonts, before them).
QByteArray definition(const QByteArray &body, const QByteArray &page = "<page size=\"A4\" left=\"10\" right=\"10\" top=\"10\" bottom=\"10\"/>")
{
    return "<?xml version=\"1.0\"?>\n<varnex-report version=\"1\" title=\"Test\">\n" + page + "\n" + body + "\n</varnex-report>\n";
}

ReportData samples(const QStringList &codes)
{
    ReportData data;
    data.samples = DataTable({{QStringLiteral("CODE"), FieldType::String, 0, 0, true},
                              {QStringLiteral("NOTES"), FieldType::Memo, 0, 0, false}});
    DataTable results({{QStringLiteral("SUBSTANCE"), FieldType::String, 0, 0, false}});
    for (const QString &code : codes) {
        data.samples.appendRow({code, QString()});
        data.results.append(results);
        data.outcomes.append(DataTable());
    }
    return data;
}

int pages(const QByteArray &xml, const ReportData &data)
{
    const ReportDocument document(ReportDefinition::read(xml, QStringLiteral("test.xml")), data);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    return document.render(writer);
}

} // namespace

class TestReportDefinition : public QObject
{
    Q_OBJECT
private slots:
    void builtInReportsRead_data();
    void builtInReportsRead();
    void pageSetup_data();
    void pageSetup();
    void refused_data();
    void refused();
    void unknownColumnIsFoundBeforePrinting();
    void bandsFlowOverPagesAndColumns_data();
    void bandsFlowOverPagesAndColumns();
};

void TestReportDefinition::builtInReportsRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("printer");
    const QString labelPrinter = QStringLiteral("Smart Label Printer 200 & 420");
    for (const char *form : {"FoodForm", "FeedForm", "FoodReport", "FeedReport"})
        QTest::newRow(form) << QString::fromLatin1(form) << QSizeF(210, 297) << 1 << QString();
    QTest::newRow("Label") << QStringLiteral("Label") << QSizeF(102, 54) << 1 << labelPrinter;
    QTest::newRow("A4Label") << QStringLiteral("A4Label") << QSizeF(210, 297) << 2 << labelPrinter;
}

void TestReportDefinition::builtInReportsRead()
{
    QFETCH(QString, name);
    QFETCH(QSizeF, size);
    QFETCH(int, columns);
    QFETCH(QString, printer);
    Q_INIT_RESOURCE(reports);
    QFile file(QStringLiteral(":/reports/%1.xml").arg(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const ReportDefinition d = ReportDefinition::read(file.readAll(), file.fileName());
    QCOMPARE(d.page.size().toSize(), size.toSize());
    QCOMPARE(d.page.columns, columns);
    QCOMPARE(d.page.printer, printer);
    QCOMPARE(d.page.columnWidth, name == QLatin1String("A4Label") ? 102.0 : d.page.printableWidth());
}

void TestReportDefinition::pageSetup_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QSizeF>("printed");
    QTest::addColumn<QPageLayout::Orientation>("orientation");
    QTest::addColumn<double>("bandWidth");
    QTest::newRow("A4 landscape") << QByteArray("<page size=\"A4\" orientation=\"landscape\" left=\"7\" right=\"3\"/>")
                                  << QSizeF(297, 210) << QPageLayout::Landscape << 287.0;
    QTest::newRow("custom wider than high") << QByteArray("<page size=\"custom\" width=\"102\" height=\"54\" left=\"4\" right=\"2\"/>")
                                            << QSizeF(102, 54) << QPageLayout::Landscape << 96.0;
    QTest::newRow("columns") << QByteArray("<page size=\"A4\" left=\"4\" right=\"2\" columns=\"2\" column-width=\"102\"/>")
                             << QSizeF(210, 297) << QPageLayout::Portrait << 102.0;
    QTest::newRow("columns share the width") << QByteArray("<page size=\"A5\" columns=\"3\"/>")
                                             << QSizeF(148, 210) << QPageLayout::Portrait << 148.0 / 3;
}

void TestReportDefinition::pageSetup()
{
    QFETCH(QByteArray, page);
    QFETCH(QSizeF, printed);
    QFETCH(QPageLayout::Orientation, orientation);
    QFETCH(double, bandWidth);
    const ReportDefinition d = ReportDefinition::read(definition("<band each=\"sample\" height=\"10\"/>", page), QStringLiteral("p.xml"));
    QCOMPARE(d.page.size(), printed);
    QCOMPARE(d.page.orientation, orientation);
    QCOMPARE(d.page.bandWidth(), bandWidth);
    QCOMPARE(d.page.pageLayout().fullRect(QPageLayout::Millimeter).size().toSize(), printed.toSize());
}

void TestReportDefinition::refused_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fault");
    const QByteArray band = "<band each=\"sample\" height=\"20\">\n";
    QTest::newRow("not XML") << QByteArray("PK\x03\x04\x14\x00binary") << 1 << QStringLiteral("not well-formed XML");
    QTest::newRow("empty") << QByteArray() << 1 << QStringLiteral("not well-formed XML");
    QTest::newRow("a designer's .fr3")
        << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TfrxReport Version=\"6.9\">\n<TfrxReportPage/>\n</TfrxReport>")
        << 2 << QStringLiteral("this is not a report definition of this program: its first element is <TfrxReport>");
    QTest::newRow("in a namespace")
        << QByteArray("<varnex-report xmlns=\"urn:other\" version=\"1\"/>") << 1
        << QStringLiteral("this is not a report definition of this program: its first element is <varnex-report>");
    QTest::newRow("later version") << QByteArray("<varnex-report version=\"2\"/>") << 1 << QStringLiteral("version \"2\" of the format");
    QTest::newRow("document type")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>\n<varnex-report version=\"1\"/>")
        << 2 << QStringLiteral("a document type declaration is not allowed");
    QTest::newRow("unknown attribute") << definition(band + "<text x=\"0\" y=\"0\" width=\"10\" height=\"5\" colour=\"red\">a</text></band>")
                                       << 5 << QStringLiteral("<text> has no attribute \"colour\"");
    QTest::newRow("unknown element") << definition(band + "<script>print()</script></band>") << 5
                                     << QStringLiteral("<script> cannot stand in <band>");
    QTest::newRow("item leaves its band")
        << definition(band + "\n<field x=\"150\" y=\"0\" width=\"50.5\" height=\"5\" name=\"CODE\"/></band>") << 6
        << QStringLiteral("the item reaches 200.5 mm across a band 190 mm wide");
    QTest::newRow("item below its band")
        << definition(band + "<field x=\"0\" y=\"18\" width=\"50\" height=\"5\" name=\"CODE\"/></band>") << 5
        << QStringLiteral("the item reaches 23 mm down a band 20 mm high");
    QTest::newRow("not a number") << definition(band + "<line x1=\"0\" y1=\"1e3\" x2=\"5\" y2=\"0\"/></band>") << 5
                                  << QStringLiteral("y1=\"1e3\" is not a number");
    QTest::newRow("band taller than the page") << definition("<band each=\"sample\" height=\"280\"/>") << 4
                                               << QStringLiteral("height=\"280\" is out of range (0.5 to 277)");
    QTest::newRow("unknown value") << definition(band + "<value x=\"0\" y=\"0\" width=\"10\" height=\"5\" name=\"script\"/></band>")
                                   << 5 << QStringLiteral("there is no computed value named \"script\"");
    QTest::newRow("unknown font") << definition(band + "<text x=\"0\" y=\"0\" width=\"10\" height=\"5\" font=\"big\">a</text></band>")
                                  << 5 << QStringLiteral("there is no font named \"big\"");
    QTest::newRow("column name with SQL") << definition(band + "<field x=\"0\" y=\"0\" width=\"10\" height=\"5\" name=\"CODE;--\"/></band>")
                                          << 5 << QStringLiteral("name=\"CODE;--\" is not a column name");
    QTest::newRow("scope unknown") << definition("<band each=\"page\" height=\"5\"/>") << 4
                                   << QStringLiteral("each=\"page\" is not one of once, sample, result, outcome");
    QTest::newRow("sample bands apart")
        << definition("<band each=\"sample\" height=\"5\"/>\n<band each=\"once\" height=\"5\"/>\n<band each=\"result\" height=\"5\"/>")
        << 6 << QStringLiteral("a band for the samples after a closing once band");
    QTest::newRow("no bands") << definition("") << 5 << QStringLiteral("the report has no <band>");
    QTest::newRow("page not first") << QByteArray("<varnex-report version=\"1\">\n<band each=\"once\" height=\"5\"/>\n</varnex-report>")
                                    << 2 << QStringLiteral("<band> before <page>");
    QTest::newRow("custom page turned wrongly")
        << definition("<band each=\"sample\" height=\"5\"/>", "<page size=\"custom\" width=\"102\" height=\"54\" orientation=\"portrait\"/>")
        << 3 << QStringLiteral("orientation=\"portrait\" disagrees with a custom page 102 mm wide and 54 mm high");
    QTest::newRow("columns too wide")
        << definition("<band each=\"sample\" height=\"5\"/>", "<page size=\"A4\" left=\"4\" right=\"3\" columns=\"2\" column-width=\"102\"/>")
        << 3 << QStringLiteral("2 columns of 102 mm do not fit the 203 mm between the margins");
    QTest::newRow("half a column")
        << definition("<band each=\"sample\" height=\"5\"/>", "<page size=\"A4\" columns=\"1.5\"/>")
        << 3 << QStringLiteral("columns=\"1.5\" is not a whole number");
    QTest::newRow("text outside an item") << definition(band + "loose words</band>") << 5
                                          << QStringLiteral("text \"loose words\" stands outside a <text> item");
    QTest::newRow("join without parts") << definition(band + "<join x=\"0\" y=\"0\" width=\"10\" height=\"5\"></join></band>") << 5
                                        << QStringLiteral("a <join> without any <part>");
    QTest::newRow("grow without wrap")
        << definition(band + "<field x=\"0\" y=\"0\" width=\"10\" height=\"5\" name=\"A\" grow=\"true\" wrap=\"false\"/></band>") << 5
        << QStringLiteral("grow=\"true\" needs wrapped text");
    QTest::newRow("too large") << QByteArray(ReportDefinition::MaxBytes + 1, ' ') << 0 << QStringLiteral("the file is larger than 1024 KiB");
}

void TestReportDefinition::refused()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, line);
    QFETCH(QString, fault);
    try {
        ReportDefinition::read(xml, QStringLiteral("Reports/FoodForm.fr3"));
        QFAIL("read");
    } catch (const ReportDefinitionError &e) {
        QCOMPARE(e.fileName(), QStringLiteral("Reports/FoodForm.fr3"));
        QVERIFY2(e.fault().startsWith(fault), qPrintable(e.fault()));
        QCOMPARE(e.line(), line);
        QVERIFY(e.message().startsWith(QStringLiteral("The report definition \"Reports/FoodForm.fr3\" cannot be used: line %1: ").arg(line)));
    }
}

void TestReportDefinition::unknownColumnIsFoundBeforePrinting()
{
    // A misspelt column of a result band is found although no sample has results.
    const QByteArray xml = definition("<band each=\"sample\" height=\"5\"/>\n<band each=\"result\" height=\"5\">\n"
                                      "<field x=\"0\" y=\"0\" width=\"20\" height=\"5\" name=\"SUBSTANSE\"/></band>");
    try {
        ReportDocument(ReportDefinition::read(xml, QStringLiteral("r.xml")), samples({QStringLiteral("A1")}));
        QFAIL("made");
    } catch (const ReportDefinitionError &e) {
        QCOMPARE(e.line(), 6);
        QCOMPARE(e.fault(), QStringLiteral("there is no column \"SUBSTANSE\" in the laboratory results of a report"));
    }
}

void TestReportDefinition::bandsFlowOverPagesAndColumns_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("pages");
    const QByteArray once = "<band each=\"once\" height=\"20\"/>\n";
    QTest::newRow("new page from the second sample on") << definition(once + "<band each=\"sample\" height=\"20\" new-page=\"true\"/>") << 3 << 3;
    QTest::newRow("bands fill the page") << definition(once + "<band each=\"sample\" height=\"100\"/>") << 3 << 2;
    QTest::newRow("columns before pages")
        << definition("<band each=\"sample\" height=\"69\"/>", "<page size=\"A4\" left=\"4\" right=\"2\" top=\"10\" bottom=\"10\" columns=\"2\" column-width=\"102\"/>")
        << 17 << 3;
    QTest::newRow("a grown band moves on")
        << definition(once + "<band each=\"sample\" height=\"120\"><field x=\"0\" y=\"0\" width=\"30\" height=\"5\" name=\"CODE\" grow=\"true\"/></band>")
        << 2 << 2;
    QTest::newRow("an ungrown band stays")
        << definition(once + "<band each=\"sample\" height=\"120\"><field x=\"0\" y=\"0\" width=\"30\" height=\"5\" name=\"CODE\" grow=\"true\"/></band>")
        << 2 << 1;
}

void TestReportDefinition::bandsFlowOverPagesAndColumns()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, samples);
    QFETCH(int, pages);
    QStringList codes;
    for (int i = 0; i < samples; ++i)
        codes << QStringLiteral("C%1").arg(i);
    if (QTest::currentDataTag() == QByteArray("a grown band moves on"))
        codes[0] = QStringLiteral("word ").repeated(40);
    QCOMPARE(::pages(xml, ::samples(codes)), pages);
}

QTEST_MAIN(TestReportDefinition)
#include "tst_reportdefinition.moc"
