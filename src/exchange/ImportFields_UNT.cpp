#include "exchange/ImportFields_UNT.h"

#include "base/VarnexError.h"
#include "exchange/XmlPartReader.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace {

struct TypeWord
{
    TImportFieldTypes type;
    const char *word;
};

// In the order in which a word is matched.
constexpr TypeWord TypeWords[] = {
    {ifString, "String"},   {ifInteger, "Integer"}, {ifBoolean, "Boolean"},         {ifIgnore, "Ignore"},
    {ifFloat, "Float"},     {ifDate, "Date"},       {ifTime, "Time"},               {ifDateTime, "DateTime"},
    {ifXMLDate, "XMLDate"}, {ifXMLTime, "XMLTime"}, {ifXMLDateTime, "XMLDateTime"}, {ifLookup, "Lookup"},
};

// A time zone name in a regional format, which a typed time never carries.
const QRegularExpression &zoneName()
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return zone;
}

// A regional format with the parts a typed value rarely carries made optional: one-digit days,
// months and hours are read too, and a time zone name is never asked for.
QString relaxed(QString format)
{
    format.replace(zoneName(), QString());
    format.replace(QStringLiteral("dd"), QStringLiteral("d"));
    format.replace(QStringLiteral("MM"), QStringLiteral("M"));
    format.replace(QStringLiteral("HH"), QStringLiteral("H"));
    format.replace(QStringLiteral("hh"), QStringLiteral("h"));
    return format.trimmed();
}

// A regional date format with a two-digit year reads four digits instead: "24" would be taken for
// 1924, and a sample date a century out is worse than one refused.
QString withFullYear(QString format)
{
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    return format.replace(shortYear, QStringLiteral("yyyy"));
}

QString longTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.replace(zoneName(), QString());
    return format.trimmed();
}

QLocale regional()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return locale;
}

// The forms read in every locale, whatever the machine's regional settings are (a scheduled job
// often runs under the C locale): the day before the month, as the sample files of this country
// write dates; hours and minutes, with or without seconds; a point before the decimals. The user's
// regional forms are tried after these: they can add a form, never take one away or change what
// one of these reads as.
const QStringList FixedDateFormats = {QStringLiteral("d/M/yyyy")};
const QStringList FixedTimeFormats = {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")};

QDate regionalDate(const QString &text)
{
    for (const QString &format : FixedDateFormats) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date;
    }
    const QLocale locale = regional();
    const QString format = withFullYear(locale.dateFormat(QLocale::ShortFormat));
    for (const QString &f : {format, relaxed(format)}) {
        const QDate date = locale.toDate(text, f);
        if (date.isValid())
            return date;
    }
    return {};
}

QTime regionalTime(const QString &text)
{
    for (const QString &format : FixedTimeFormats) {
        const QTime time = QTime::fromString(text, format);
        if (time.isValid())
            return time;
    }
    const QLocale locale = regional();
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString format = locale.timeFormat(type);
        for (const QString &f : {format, relaxed(format)}) {
            const QTime time = locale.toTime(text, f);
            if (time.isValid())
                return time;
        }
    }
    return {};
}

// A date, then optionally blanks and a time; a date alone is midnight. A regional date may hold
// blanks itself ("5 Mar 2024"), so every blank is tried as the place where the time begins.
QDateTime regionalDateTime(const QString &text)
{
    if (const QDate date = regionalDate(text); date.isValid())
        return QDateTime(date, QTime(0, 0));
    for (qsizetype blank = text.indexOf(QLatin1Char(' ')); blank >= 0; blank = text.indexOf(QLatin1Char(' '), blank + 1)) {
        const QDate date = regionalDate(text.left(blank).trimmed());
        if (!date.isValid())
            continue;
        const QTime time = regionalTime(text.mid(blank + 1).trimmed());
        if (time.isValid())
            return QDateTime(date, time);
    }
    return {};
}

// A number with a point before its decimals, or else in the regional form; never grouped, never
// infinite or "nan", which no column can hold.
std::optional<double> regionalNumber(const QString &text)
{
    static const QLocale fixed = []() {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        return c;
    }();
    bool ok = false;
    double n = fixed.toDouble(text, &ok);
    if (!ok)
        n = regional().toDouble(text, &ok);
    if (!ok || !std::isfinite(n))
        return std::nullopt;
    return n;
}

// XML Schema forms. A time zone, when given, is accepted and left aside: the time is taken as
// written.
const QString Zone = QStringLiteral("(?:Z|[+-]\\d{2}:\\d{2})?");
const QString DatePattern = QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})");
const QString TimePattern = QStringLiteral("(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d+))?)?");

QDate dateFrom(const QRegularExpressionMatch &m, int first)
{
    return QDate(m.captured(first).toInt(), m.captured(first + 1).toInt(), m.captured(first + 2).toInt());
}

QTime timeFrom(const QRegularExpressionMatch &m, int first)
{
    const int ms = m.captured(first + 3).isEmpty() ? 0 : m.captured(first + 3).left(3).leftJustified(3, QLatin1Char('0')).toInt();
    const int hour = m.captured(first).toInt();
    if (hour > 23)
        return {};
    return QTime(hour, m.captured(first + 1).toInt(), m.captured(first + 2).toInt(), ms);
}

QDate xmlDate(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^") + DatePattern + Zone + QStringLiteral("$"));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? dateFrom(m, 1) : QDate();
}

QTime xmlTime(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^") + TimePattern + Zone + QStringLiteral("$"));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? timeFrom(m, 1) : QTime();
}

QDateTime xmlDateTime(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^") + DatePattern + QStringLiteral("T") + TimePattern + Zone
                                       + QStringLiteral("$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    const QDate date = dateFrom(m, 1);
    const QTime time = timeFrom(m, 4);
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

// "9.30" and "09.30" are times typed with a point: the point becomes a colon.
QString repairedTime(QString text)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point == 1 || point == 2)
        text[point] = QLatin1Char(':');
    return text;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString decodeText(const QByteArray &bytes, const QString &fileName)
{
    // A byte-order mark chooses the encoding and is not part of the text.
    QStringDecoder decoder(QStringDecoder::encodingForData(bytes).value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw VarnexError(QStringLiteral("The field definitions file %1 is not text in UTF-8 or UTF-16.").arg(fileName));
    return text;
}

} // namespace

void TImportField::SetTranslatedValue(const QString &value)
{
    m_translatedValue = value;
    m_converted = QVariant();
}

QString TImportField::FieldTypeWord(TImportFieldTypes type)
{
    for (const TypeWord &w : TypeWords)
        if (w.type == type)
            return QString::fromLatin1(w.word);
    return QString();
}

QString TImportField::FieldTypeAsString() const
{
    return FieldTypeWord(m_fieldType);
}

void TImportField::SetFieldTypeAsString(const QString &word)
{
    if (word.isEmpty()) {
        m_fieldType = ifString;
        return;
    }
    const QString upper = word.toUpper();
    for (const TypeWord &w : TypeWords)
        if (upper == QString::fromLatin1(w.word).toUpper()) {
            m_fieldType = w.type;
            return;
        }
}

QString TImportField::AsXML() const
{
    return QStringLiteral("<Field><Name>%1</Name><FieldType>%2</FieldType><Label>%3</Label><Lookup>%4</Lookup>"
                          "<Mapping>%5</Mapping></Field>")
        .arg(escaped(m_name), escaped(FieldTypeAsString()), escaped(m_fieldName), escaped(m_lookupDatasetName),
             escaped(GetMappingList().join(QLatin1Char(' '))));
}

QStringList TImportField::GetMappingList() const
{
    QStringList paths;
    for (const QString &line : m_mapping.trimmed().split(QLatin1Char('\n'))) {
        const QString path = line.trimmed();
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

void TImportField::fail(const QString &value, const char *ending)
{
    m_canImport = false;
    m_translatedValue.clear();
    m_converted = QVariant();
    m_logEntry = m_fieldName + QStringLiteral(": Could not convert '") + value + QLatin1String(ending);
}

void TImportField::ValidateTranslatedValue()
{
    if (m_fieldType == ifIgnore)
        return;
    const QString value = m_translatedValue.trimmed();
    const QLocale locale = regional();
    m_converted = QVariant();

    switch (m_fieldType) {
    case ifString:
    case ifLookup:
        m_converted = m_translatedValue;
        m_canImport = true;
        return;
    case ifBoolean: {
        static const QStringList yes = {QStringLiteral("T"), QStringLiteral("TRUE"), QStringLiteral("1"),
                                        QStringLiteral("Y"), QStringLiteral("YES")};
        m_translatedValue = yes.contains(value.toUpper()) ? QStringLiteral("T") : QStringLiteral("F");
        m_converted = m_translatedValue;
        m_canImport = true;
        return;
    }
    default:
        break;
    }

    if (value.isEmpty()) {
        m_canImport = false;
        m_logEntry = m_fieldName + QStringLiteral(" Value is blank");
        return;
    }

    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString longTime = longTimeFormat(locale);
    const auto dateTimeText = [&](const QDateTime &dt) {
        return locale.toString(dt.date(), shortDate) + QLatin1Char(' ') + locale.toString(dt.time(), longTime);
    };
    switch (m_fieldType) {
    case ifInteger: {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok)
            return fail(value, "'to an integer value");
        m_converted = n;
        m_translatedValue = QString::number(n);
        break;
    }
    case ifFloat: {
        const std::optional<double> n = regionalNumber(value);
        if (!n)
            return fail(value, "'to a number value");
        m_converted = *n;
        m_translatedValue = locale.toString(*n, 'g', 15);
        break;
    }
    case ifDate:
    case ifXMLDate: {
        const QDate date = m_fieldType == ifDate ? regionalDate(value) : xmlDate(value);
        if (!date.isValid())
            return fail(value, m_fieldType == ifDate ? "'to valid Date value" : "'to a valid Date value (from XMLDate)");
        m_converted = date;
        m_translatedValue = locale.toString(date, shortDate);
        break;
    }
    case ifTime:
    case ifXMLTime: {
        const QString repaired = repairedTime(value);
        const QTime time = m_fieldType == ifTime ? regionalTime(repaired) : xmlTime(repaired);
        if (!time.isValid())
            return fail(value, m_fieldType == ifTime ? "'to valid time value" : "'to valid time value (from XMLTime)");
        m_converted = time;
        m_translatedValue = locale.toString(time, longTime);
        break;
    }
    case ifDateTime:
    case ifXMLDateTime: {
        const QDateTime dt = m_fieldType == ifDateTime ? regionalDateTime(value) : xmlDateTime(value);
        if (!dt.isValid())
            return fail(value, m_fieldType == ifDateTime ? "'to valid DateTime value"
                                                         : "'to valid DateTime value (from XMLDateTime)");
        m_converted = dt;
        m_translatedValue = dateTimeText(dt);
        break;
    }
    default:
        return;
    }
    m_canImport = true;
}

QVariant TImportField::ImportValue() const
{
    return m_canImport && m_fieldType != ifIgnore ? m_converted : QVariant();
}

TImportFieldList LoadImportFieldsFromXML(const QString &text, const QString &documentName, int firstLine)
{
    enum Property { None, Name, FieldType, Label, Lookup, Mapping };
    const auto propertyOf = [](const QString &element) {
        if (element == QLatin1String("Name"))
            return Name;
        if (element == QLatin1String("FieldType"))
            return FieldType;
        if (element == QLatin1String("Label"))
            return Label;
        if (element == QLatin1String("Lookup"))
            return Lookup;
        if (element == QLatin1String("Mapping"))
            return Mapping;
        return None;
    };

    TImportFieldList fields;
    // The fields whose "Field" element is open, innermost last, and the open elements' names.
    std::vector<std::unique_ptr<TImportField>> open;
    QStringList elements;
    XmlPartReader reader(text.toUtf8(), documentName.isEmpty() ? QStringLiteral("The field definitions") : documentName,
                         firstLine);
    for (XmlPartReader::Part part = reader.next(); part != XmlPartReader::Part::End; part = reader.next()) {
        switch (part) {
        case XmlPartReader::Part::StartTag:
            elements << reader.name();
            if (reader.name() == QLatin1String("Field"))
                open.push_back(std::make_unique<TImportField>());
            break;
        case XmlPartReader::Part::EndTag:
            if (!elements.isEmpty())
                elements.removeLast();
            if (reader.name() == QLatin1String("Field") && !open.empty()) {
                fields.push_back(std::move(open.back()));
                open.pop_back();
            }
            break;
        case XmlPartReader::Part::Text: {
            // Text of a field element with no field open has nowhere to go.
            if (open.empty() || elements.isEmpty())
                break;
            const QString value = XmlPartReader::normalised(reader.text());
            if (value.isEmpty())
                break;
            TImportField &field = *open.back();
            switch (propertyOf(elements.last())) {
            case Name:
                field.SetName(value);
                break;
            case FieldType:
                field.SetFieldTypeAsString(value);
                break;
            case Label:
                field.SetFieldLabel(value);
                break;
            case Lookup:
                field.SetLookupDatasetName(value);
                break;
            case Mapping:
                field.SetMapping(QString(value).replace(QLatin1Char(' '), QLatin1Char('\n')));
                break;
            case None:
                break;
            }
            break;
        }
        case XmlPartReader::Part::EmptyTag:
        case XmlPartReader::Part::End:
            break;
        }
    }
    return fields;
}

ImportDefinitions ReadImportDefinitions(const QByteArray &bytes, const QString &fileName)
{
    const QString text = decodeText(bytes, fileName);
    if (text.isEmpty())
        throw VarnexError(QStringLiteral("The field definitions file %1 is empty.").arg(fileName));
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    QString first = end < 0 ? text : text.left(end);
    if (first.endsWith(QLatin1Char('\r')))
        first.chop(1);
    ImportDefinitions definitions;
    definitions.rootElement = first.mid(5);
    definitions.fields = LoadImportFieldsFromXML(end < 0 ? QString() : text.mid(end + 1), fileName, 2);
    if (definitions.fields.empty())
        throw VarnexError(QStringLiteral("The field definitions file %1 defines no field, so nothing can be imported "
                                         "with it.")
                              .arg(fileName));
    return definitions;
}

ImportDefinitions LoadImportDefinitionsFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The field definitions file %1 cannot be read: %2").arg(fileName, file.errorString()));
    return ReadImportDefinitions(file.readAll(), fileName);
}

QString ImportDefinitionsPath(const QString &programFolder, const QString &setting)
{
    const QString name = setting.trimmed().isEmpty() ? DefaultImportDefinitionsFile : setting.trimmed();
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        throw VarnexError(QStringLiteral("The field definitions file \"%1\" of the setup is not a plain file name; "
                                         "it must name a file in the folder %2 beside the program.")
                              .arg(setting, ImportDefinitionsFolderName));
    return QDir(programFolder).filePath(ImportDefinitionsFolderName + QLatin1Char('/') + name);
}
