#include "exchange/TranslationsCSVImport_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

namespace {

[[noreturn]] void refuse(const QString &documentName, int line, const QString &what)
{
    throw VarnexError(QStringLiteral("The translations file %1, line %2: %3").arg(documentName).arg(line).arg(what));
}

QString quoted(const QString &value)
{
    // A value that begins with a zero-width no-break space would lose it, at the start of the
    // file, to the reader taking it for a byte-order mark.
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')) && !value.startsWith(QChar(0xFEFF)))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

void TTranslationsCSVImportDM::AddRecord(const QString &fieldName, const QString &toValue, const QString &importValue)
{
    m_rows.append({fieldName, toValue, importValue});
}

void TTranslationsCSVImportDM::loadCSVFile(const QString &fileName)
{
    m_rows.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The translations file %1 cannot be read: %2").arg(fileName, file.errorString()));
    m_rows = parse(file.readAll(), fileName);
}

void TTranslationsCSVImportDM::SaveToFile(const QString &fileName) const
{
    QString error;
    if (!saveFileAtomically(fileName, write(m_rows), &error))
        throw VarnexError(error);
}

QByteArray TTranslationsCSVImportDM::write(const QList<TranslationCsvRow> &rows)
{
    QString text;
    for (const TranslationCsvRow &row : rows)
        text += quoted(row.VRXLABEL) + QLatin1Char(',') + quoted(row.VRXVALUE) + QLatin1Char(',')
                + quoted(row.IMPORTVALUE) + QStringLiteral("\r\n");
    return text.toUtf8();
}

QList<TranslationCsvRow> TTranslationsCSVImportDM::parse(const QByteArray &bytes, const QString &documentName)
{
    QStringDecoder decoder(QStringDecoder::encodingForData(bytes).value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw VarnexError(QStringLiteral("The translations file %1 is not text in UTF-8 or UTF-16.").arg(documentName));

    QList<TranslationCsvRow> rows;
    QStringList values;
    QString value;
    bool quotedValue = false; // the value began with a quote
    bool inQuotes = false;    // inside a quoted value
    bool lineHasText = false; // anything but the line's end was read
    int line = 1;             // the physical line being read
    int recordLine = 1;       // the line the record began on

    const auto endValue = [&]() {
        values << value;
        value.clear();
        quotedValue = false;
    };
    const auto endRecord = [&]() {
        if (!lineHasText) // an empty line
            return;
        endValue();
        if (values.size() != 3)
            refuse(documentName, recordLine, QStringLiteral("3 values separated by commas were expected, %1 found.")
                                                  .arg(values.size()));
        if (values.at(0).size() > FieldNameLength)
            refuse(documentName, recordLine,
                   QStringLiteral("the field name is longer than %1 characters.").arg(FieldNameLength));
        if (values.at(1).size() > ValueLength)
            refuse(documentName, recordLine,
                   QStringLiteral("the \"translate to\" value is longer than %1 characters.").arg(ValueLength));
        if (values.at(2).size() > ValueLength)
            refuse(documentName, recordLine,
                   QStringLiteral("the \"translate from\" value is longer than %1 characters.").arg(ValueLength));
        rows.append({values.at(0), values.at(1), values.at(2)});
        values.clear();
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    value += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                value += c;
            }
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            endRecord();
            lineHasText = false;
            ++line;
            recordLine = line;
            continue;
        }
        lineHasText = true;
        if (quotedValue && c != QLatin1Char(','))
            refuse(documentName, line, QStringLiteral("a value in double quotes is followed by more text before the "
                                                      "next comma."));
        if (c == QLatin1Char(',')) {
            endValue();
        } else if (c == QLatin1Char('"')) {
            if (!value.isEmpty())
                refuse(documentName, line, QStringLiteral("a double quote inside a value must be in a value in double "
                                                          "quotes, written twice."));
            inQuotes = true;
            quotedValue = true;
        } else {
            value += c;
        }
    }
    if (inQuotes)
        refuse(documentName, recordLine, QStringLiteral("a value in double quotes is not closed."));
    endRecord();
    return rows;
}
