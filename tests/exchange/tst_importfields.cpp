// The field definitions of the sample import: the conversion of one value by its type (regional
// formats pinned to en_GB), the words of the types, and the reading of a definitions file.

#include "base/VarnexError.h"
#include "exchange/ImportFields_UNT.h"

#include <QLocale>
#include <QStringConverter>
#include <QTest>

namespace {

TImportField fieldOf(const QString &word, const QString &label = QStringLiteral("Lbl"))
{
    TImportField field;
    field.SetFieldTypeAsString(word);
    field.SetFieldLabel(label);
    return field;
}

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestImportFields : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void conversion_data();
    void conversion();
    void sameInEveryLocale_data();
    void sameInEveryLocale();
    void localeAddsItsForms_data();
    void localeAddsItsForms();
    void convertedDateKeepsItsCentury();
    void failureKeepsTheLastMessage();
    void typeWords_data();
    void typeWords();
    void fieldList();
    void malformedFieldList_data();
    void malformedFieldList();
    void definitionsFile();
    void definitionsFileRefusals_data();
    void definitionsFileRefusals();
    void definitionsPath();
};

void TestImportFields::conversion_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("canImport");
    QTest::addColumn<QString>("translated");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("logEntry");

    const QVariant none;
    QTest::newRow("string unchanged") << "String" << "  as sent " << true << "  as sent " << QVariant("  as sent ") << "";
    QTest::newRow("string blank") << "String" << "" << true << "" << QVariant("") << "";
    QTest::newRow("lookup") << "Lookup" << "T" << true << "T" << QVariant("T") << "";
    QTest::newRow("ignore") << "Ignore" << "42" << false << "42" << none << "";
    QTest::newRow("boolean yes") << "Boolean" << " yes" << true << "T" << QVariant("T") << "";
    QTest::newRow("boolean true") << "Boolean" << "true" << true << "T" << QVariant("T") << "";
    QTest::newRow("boolean No") << "Boolean" << "No" << true << "F" << QVariant("F") << "";
    QTest::newRow("boolean blank") << "Boolean" << "" << true << "F" << QVariant("F") << "";
    QTest::newRow("integer padded") << "Integer" << " 0042 " << true << "42" << QVariant(42) << "";
    QTest::newRow("integer 4.2") << "Integer" << "4.2" << false << "" << none
                                 << "Lbl: Could not convert '4.2'to an integer value";
    QTest::newRow("integer beyond 32 bits") << "Integer" << "4294967296" << false << "" << none
                                            << "Lbl: Could not convert '4294967296'to an integer value";
    QTest::newRow("integer blank") << "Integer" << "  " << false << "  " << none << "Lbl Value is blank";
    QTest::newRow("float") << "Float" << "-18.5" << true << "-18.5" << QVariant(-18.5) << "";
    QTest::newRow("float grouped") << "Float" << "1,5" << false << "" << none
                                   << "Lbl: Could not convert '1,5'to a number value";
    QTest::newRow("date") << "Date" << "05/03/2024" << true << "05/03/2024" << QVariant(QDate(2024, 3, 5)) << "";
    QTest::newRow("date short parts") << "Date" << "5/3/2024" << true << "05/03/2024" << QVariant(QDate(2024, 3, 5)) << "";
    QTest::newRow("date in XML form") << "Date" << "2024-03-05" << false << "" << none
                                      << "Lbl: Could not convert '2024-03-05'to valid Date value";
    QTest::newRow("time with a point") << "Time" << "9.30" << true << "09:30:00" << QVariant(QTime(9, 30)) << "";
    QTest::newRow("time 09.30") << "Time" << "09.30" << true << "09:30:00" << QVariant(QTime(9, 30)) << "";
    QTest::newRow("time with seconds") << "Time" << "14:05:09" << true << "14:05:09" << QVariant(QTime(14, 5, 9)) << "";
    QTest::newRow("time out of range") << "Time" << "25:00" << false << "" << none
                                       << "Lbl: Could not convert '25:00'to valid time value";
    QTest::newRow("date and time") << "DateTime" << "05/03/2024 09:30" << true << "05/03/2024 09:30:00"
                                   << QVariant(QDateTime(QDate(2024, 3, 5), QTime(9, 30))) << "";
    QTest::newRow("date alone as date and time") << "DateTime" << "05/03/2024" << true << "05/03/2024 00:00:00"
                                                 << QVariant(QDateTime(QDate(2024, 3, 5), QTime(0, 0))) << "";
    QTest::newRow("xml date") << "XMLDate" << "2014-03-03" << true << "03/03/2014" << QVariant(QDate(2014, 3, 3)) << "";
    QTest::newRow("xml date with zone") << "XMLDate" << "2014-03-03Z" << true << "03/03/2014" << QVariant(QDate(2014, 3, 3))
                                        << "";
    QTest::newRow("xml date regional") << "XMLDate" << "03/03/2014" << false << "" << none
                                       << "Lbl: Could not convert '03/03/2014'to a valid Date value (from XMLDate)";
    QTest::newRow("xml date 30 February") << "XMLDate" << "2014-02-30" << false << "" << none
                                          << "Lbl: Could not convert '2014-02-30'to a valid Date value (from XMLDate)";
    QTest::newRow("xml time as written") << "XMLTime" << "09:05:00.000Z" << true << "09:05:00" << QVariant(QTime(9, 5))
                                         << "";
    QTest::newRow("xml time with a point") << "XMLTime" << "9.30" << true << "09:30:00" << QVariant(QTime(9, 30)) << "";
    QTest::newRow("xml time broken") << "XMLTime" << "nine" << false << "" << none
                                     << "Lbl: Could not convert 'nine'to valid time value (from XMLTime)";
    QTest::newRow("xml date and time") << "XMLDateTime" << "2024-03-05T09:05:07.250+01:00" << true << "05/03/2024 09:05:07"
                                       << QVariant(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7, 250))) << "";
    QTest::newRow("xml date and time without T") << "XMLDateTime" << "2024-03-05 09:05:07" << false << "" << none
                                                 << "Lbl: Could not convert '2024-03-05 09:05:07'to valid DateTime value "
                                                    "(from XMLDateTime)";
}

void TestImportFields::conversion()
{
    QFETCH(QString, type);
    QFETCH(QString, input);
    QFETCH(bool, canImport);
    QFETCH(QString, translated);
    QFETCH(QVariant, value);
    QFETCH(QString, logEntry);

    TImportField field = fieldOf(type);
    QCOMPARE(field.FieldTypeAsString(), type);
    // Every record of a file is read by the same rule: validating twice gives the same.
    for (int pass = 0; pass < 2; ++pass) {
        field.SetTranslatedValue(input);
        field.ValidateTranslatedValue();
        QCOMPARE(field.CanImport(), canImport);
        QCOMPARE(field.TranslatedValue(), translated);
        QCOMPARE(field.ImportValue(), value);
        QCOMPARE(field.LogEntry(), logEntry);
        QCOMPARE(field.FieldTypeAsString(), type);
    }
    if (type == QLatin1String("Boolean"))
        QCOMPARE(field.TranslatedValueAsBoolean(), translated == QLatin1String("T"));
}

// The forms a file is read in give the same value whatever the machine's locale (a scheduled job
// often runs under the C locale); a value that does not convert fails in every locale.
void TestImportFields::sameInEveryLocale_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("value"); // null: refused
    QTest::newRow("time") << "Time" << "10:15" << QVariant(QTime(10, 15));
    QTest::newRow("time with a point") << "Time" << "9.30" << QVariant(QTime(9, 30));
    QTest::newRow("time with seconds") << "Time" << "14:05:09" << QVariant(QTime(14, 5, 9));
    QTest::newRow("time out of range") << "Time" << "25:00" << QVariant();
    QTest::newRow("date") << "Date" << "05/03/2024" << QVariant(QDate(2024, 3, 5));
    QTest::newRow("date short parts") << "Date" << "5/3/2024" << QVariant(QDate(2024, 3, 5));
    QTest::newRow("date and time: the point is for times alone") << "DateTime" << "5/3/2024 9.30" << QVariant();
    QTest::newRow("date and time, colon") << "DateTime" << "05/03/2024 09:30" << QVariant(QDateTime(QDate(2024, 3, 5), QTime(9, 30)));
    QTest::newRow("number") << "Float" << "-18.5" << QVariant(-18.5);
    QTest::newRow("number with three decimals") << "Float" << "1.500" << QVariant(1.5);
    QTest::newRow("not a number") << "Float" << "nan" << QVariant();
    QTest::newRow("infinite") << "Float" << "inf" << QVariant();
    QTest::newRow("whole number") << "Integer" << " 0042 " << QVariant(42);
    QTest::newRow("xml date") << "XMLDate" << "2014-03-03" << QVariant(QDate(2014, 3, 3));
    QTest::newRow("xml time") << "XMLTime" << "10:15" << QVariant(QTime(10, 15));
    QTest::newRow("xml date and time") << "XMLDateTime" << "2024-03-05T09:05:07" << QVariant(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)));
}

void TestImportFields::sameInEveryLocale()
{
    QFETCH(QString, type);
    QFETCH(QString, input);
    QFETCH(QVariant, value);
    const QLocale pinned;
    for (const QLocale &locale : {QLocale::c(), QLocale(QStringLiteral("en_GB")), QLocale(QStringLiteral("de_DE")),
                                  QLocale(QStringLiteral("en_US")), QLocale(QStringLiteral("fr_FR"))}) {
        QLocale::setDefault(locale);
        TImportField field = fieldOf(type);
        field.SetTranslatedValue(input);
        field.ValidateTranslatedValue();
        QLocale::setDefault(pinned);
        QVERIFY2(field.CanImport() == !value.isNull(), qPrintable(locale.name()));
        QVERIFY2(field.ImportValue() == value, qPrintable(locale.name() + QLatin1String(": ") + field.ImportValue().toString()));
    }
}

// The user's regional forms are read too, after the fixed ones; a regional short date with a
// two-digit year never puts a date in the wrong century.
void TestImportFields::localeAddsItsForms_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("value"); // null: refused
    QTest::newRow("German date") << "de_DE" << "Date" << "05.03.2024" << QVariant(QDate(2024, 3, 5));
    QTest::newRow("German date, one-digit parts") << "de_DE" << "Date" << "5.3.2024" << QVariant(QDate(2024, 3, 5));
    QTest::newRow("German two-digit year") << "de_DE" << "Date" << "05.03.24" << QVariant();
    QTest::newRow("German decimal comma") << "de_DE" << "Float" << "1,5" << QVariant(1.5);
    QTest::newRow("German date in Britain") << "en_GB" << "Date" << "05.03.2024" << QVariant();
    QTest::newRow("C date with a month name") << "C" << "DateTime" << "5 Mar 2024 10:15"
                                              << QVariant(QDateTime(QDate(2024, 3, 5), QTime(10, 15)));
    QTest::newRow("day first in America") << "en_US" << "Date" << "3/5/2024" << QVariant(QDate(2024, 5, 3));
}

void TestImportFields::localeAddsItsForms()
{
    QFETCH(QString, locale);
    QFETCH(QString, type);
    QFETCH(QString, input);
    QFETCH(QVariant, value);
    const QLocale pinned;
    QLocale::setDefault(QLocale(locale));
    TImportField field = fieldOf(type);
    field.SetTranslatedValue(input);
    field.ValidateTranslatedValue();
    QLocale::setDefault(pinned);
    QCOMPARE(field.CanImport(), !value.isNull());
    QCOMPARE(field.ImportValue(), value);
}

// In a region whose short date has a two-digit year, the canonical text of 2024 reads "24"; the
// value passed on is the date converted, never that text read again.
void TestImportFields::convertedDateKeepsItsCentury()
{
    const QLocale pinned;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TImportField field = fieldOf(QStringLiteral("XMLDateTime"));
    field.SetTranslatedValue(QStringLiteral("2024-03-05T10:15:00"));
    field.ValidateTranslatedValue();
    QLocale::setDefault(pinned);
    QVERIFY(field.CanImport());
    QVERIFY2(field.TranslatedValue().startsWith(QLatin1String("3/5/24")), qPrintable(field.TranslatedValue()));
    QCOMPARE(field.TranslatedValueAsDateTime(), QDateTime(QDate(2024, 3, 5), QTime(10, 15)));
    QCOMPARE(field.TranslatedValueAsDate(), QDate(2024, 3, 5));
}

void TestImportFields::failureKeepsTheLastMessage()
{
    TImportField field = fieldOf(QStringLiteral("Integer"));
    field.SetTranslatedValue(QStringLiteral("x"));
    field.ValidateTranslatedValue();
    field.SetTranslatedValue(QStringLiteral("7"));
    field.ValidateTranslatedValue();
    QVERIFY(field.CanImport());
    QCOMPARE(field.TranslatedValueAsInteger(), 7);
    QCOMPARE(field.LogEntry(), QStringLiteral("Lbl: Could not convert 'x'to an integer value"));
}

void TestImportFields::typeWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("type");
    QTest::newRow("xmldatetime") << "xmldatetime" << int(ifXMLDateTime);
    QTest::newRow("XmlDateTime") << "XmlDateTime" << int(ifXMLDateTime);
    QTest::newRow("XMLDATETIME") << "XMLDATETIME" << int(ifXMLDateTime);
    QTest::newRow("lookup") << "lookup" << int(ifLookup);
    QTest::newRow("empty") << "" << int(ifString);
    QTest::newRow("unknown word keeps the type") << "Text" << int(ifInteger);
}

void TestImportFields::typeWords()
{
    QFETCH(QString, word);
    QFETCH(int, type);
    TImportField field;
    field.SetFieldType(ifInteger);
    field.SetFieldTypeAsString(word);
    QCOMPARE(int(field.FieldType()), type);
}

void TestImportFields::fieldList()
{
    const QString text = QStringLiteral(
        "<FieldList>\n"
        "<!-- a comment -->\n"
        "<Name>outside any field</Name>\n"
        "<Field><Mapping>[A|B] [C]</Mapping><Name>SECOND</Name><Label>Second &amp; last</Label>"
        "<FieldType>integer</FieldType><Name>FIRST</Name><Lookup/></Field>\n"
        "<Field attr=\"ignored\"><Name>PLAIN</Name><FieldType>Text</FieldType>\n"
        "  <Mapping>\n    [W|X]\n    [Y]\n  </Mapping></Field>\n"
        "<Field/>\n"
        "</FieldList>\n");
    const TImportFieldList fields = LoadImportFieldsFromXML(text);
    QCOMPARE(fields.size(), size_t(2));
    const TImportField &first = *fields.at(0);
    QCOMPARE(first.Name(), QStringLiteral("FIRST")); // a child given twice keeps the last text
    QCOMPARE(first.FieldLabel(), QStringLiteral("Second & last"));
    QCOMPARE(int(first.FieldType()), int(ifInteger));
    QCOMPARE(first.LookupDatasetName(), QString());
    QCOMPARE(first.GetMappingList(), QStringList({QStringLiteral("[A|B]"), QStringLiteral("[C]")}));
    const TImportField &plain = *fields.at(1);
    QCOMPARE(int(plain.FieldType()), int(ifString));
    QCOMPARE(plain.GetMappingList(), QStringList({QStringLiteral("[W|X]"), QStringLiteral("[Y]")}));
    QVERIFY(!plain.CanImport());

    // A field written out reads back the same.
    const TImportFieldList again = LoadImportFieldsFromXML(first.AsXML());
    QCOMPARE(again.size(), size_t(1));
    QCOMPARE(again.at(0)->AsXML(), first.AsXML());
    QCOMPARE(again.at(0)->FieldLabel(), first.FieldLabel());
}

void TestImportFields::malformedFieldList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("where");
    QTest::newRow("field without end tag") << "<FieldList>\n<Field><Name>A</Name>\n</FieldList>\n" << "line 3";
    QTest::newRow("truncated") << "<FieldList>\n<Field><Name>A</Name></Field>\n<Field><Na" << "line 3";
    QTest::newRow("stray ampersand") << "<FieldList>\n<Field><Name>A & B</Name></Field>\n</FieldList>" << "line 2";
    QTest::newRow("document type") << "<!DOCTYPE FieldList [<!ENTITY x \"y\">]>\n<FieldList/>" << "line ";
    QTest::newRow("external entity") << "<!DOCTYPE FieldList SYSTEM \"file:///etc/passwd\">\n<FieldList>&x;</FieldList>"
                                     << "line ";
    QTest::newRow("undeclared entity") << "<FieldList><Field><Name>&x;</Name></Field></FieldList>" << "line 1";
    QTest::newRow("empty") << "" << "line 1";
}

void TestImportFields::malformedFieldList()
{
    QFETCH(QString, text);
    QFETCH(QString, where);
    const QString error = errorOf([&]() { LoadImportFieldsFromXML(text, QStringLiteral("defs.XML")); });
    QVERIFY2(error.startsWith(QLatin1String("defs.XML: ") + where), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("column ")), qPrintable(error));
}

void TestImportFields::definitionsFile()
{
    const QByteArray body = "<FieldList>\r\n<Field><Name>A</Name><Mapping>[X]</Mapping></Field>\r\n</FieldList>\r\n";
    // Any five characters before the record path; nothing of the rest is trimmed.
    const ImportDefinitions plain = ReadImportDefinitions("XXXX:[A|B]\r\n" + body, QStringLiteral("d.XML"));
    QCOMPARE(plain.rootElement, QStringLiteral("[A|B]"));
    QCOMPARE(plain.fields.size(), size_t(1));
    QCOMPARE(ReadImportDefinitions("ROOT=[A|B] \n" + body, QStringLiteral("d.XML")).rootElement, QStringLiteral("[A|B] "));

    // A byte-order mark selects UTF-16.
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray wide = utf16.encode(QStringLiteral("ROOT=[Proben|Probe]\n<FieldList><Field><Name>Größe</Name>"
                                                        "</Field></FieldList>"));
    const ImportDefinitions unicode = ReadImportDefinitions(wide, QStringLiteral("d.XML"));
    QCOMPARE(unicode.rootElement, QStringLiteral("[Proben|Probe]"));
    QCOMPARE(unicode.fields.at(0)->Name(), QStringLiteral("Größe"));

    // The shipped file maps the sample exchange document.
    {
        const ImportDefinitions shipped =
            LoadImportDefinitionsFile(QStringLiteral(VARNEX_BIN_DIR "/XMLImportDefinitions/SampleFieldDefs.XML"));
        QCOMPARE(shipped.rootElement, QStringLiteral("[QOVAData|Sample]"));
        QVERIFY(shipped.fields.size() > 50);
        for (const auto &field : shipped.fields) {
            QVERIFY2(!field->Name().isEmpty() && !field->FieldLabel().isEmpty(), qPrintable(field->AsXML()));
            QCOMPARE(field->GetMappingList().size(), 1);
        }
    }
}

void TestImportFields::definitionsFileRefusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty file") << QByteArray() << "The field definitions file d.XML is empty.";
    QTest::newRow("no field") << QByteArray("ROOT=[A|B]\n<FieldList>\n</FieldList>\n")
                              << "The field definitions file d.XML defines no field";
    QTest::newRow("only the first line") << QByteArray("ROOT=[A|B]") << "d.XML: line 2, column 1";
    QTest::newRow("broken, line counted in the file") << QByteArray("ROOT=[A|B]\n<FieldList>\n<Field>\n</FieldList>\n")
                                                      << "d.XML: line 4";
    QTest::newRow("not UTF-8") << QByteArray("ROOT=[A|B]\n<FieldList><Field><Name>\xff</Name></Field></FieldList>")
                               << "The field definitions file d.XML is not text";
    QTest::newRow("entity loop, at its declaration")
        << QByteArray("ROOT=[A|B]\n<!DOCTYPE FieldList [\n<!ENTITY a \"&a;\">\n]>\n<FieldList>&a;</FieldList>\n")
        << "d.XML: line 3, column 1: the file declares an entity of its own";
}

void TestImportFields::definitionsFileRefusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString error = errorOf([&]() { ReadImportDefinitions(bytes, QStringLiteral("d.XML")); });
    QVERIFY2(error.startsWith(expected), qPrintable(error));
}

void TestImportFields::definitionsPath()
{
    QCOMPARE(ImportDefinitionsPath(QStringLiteral("/opt/varnex"), QString()),
             QStringLiteral("/opt/varnex/XMLImportDefinitions/SampleFieldDefs.XML"));
    QCOMPARE(ImportDefinitionsPath(QStringLiteral("/opt/varnex"), QStringLiteral("Other.xml")),
             QStringLiteral("/opt/varnex/XMLImportDefinitions/Other.xml"));
    for (const char *setting : {"../secret.xml", "/etc/passwd", "sub\\file.xml", ".."})
        QVERIFY_THROWS_EXCEPTION(VarnexError, ImportDefinitionsPath(QStringLiteral("/opt/varnex"),
                                                                     QString::fromLatin1(setting)));
}

QTEST_GUILESS_MAIN(TestImportFields)
#include "tst_importfields.moc"
