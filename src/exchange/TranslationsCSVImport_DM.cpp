#include "exchange/TranslationsCSVImport_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "exchange/CsvReader.h"

#include <QFile>
#include <QStringDecoder>

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
    CsvReader reader(text);
    CsvRecord record;
    try {
        while (reader.next(record)) {
            if (record.blank)
                continue;
            const QStringList &values = record.values;
            if (values.size() != 3)
                refuse(documentName, record.line,
                       QStringLiteral("3 values separated by commas were expected, %1 found.").arg(values.size()));
            if (values.at(0).size() > FieldNameLength)
                refuse(documentName, record.line,
                       QStringLiteral("the field name is longer than %1 characters.").arg(FieldNameLength));
            if (values.at(1).size() > ValueLength)
                refuse(documentName, record.line,
                       QStringLiteral("the \"translate to\" value is longer than %1 characters.").arg(ValueLength));
            if (values.at(2).size() > ValueLength)
                refuse(documentName, record.line,
                       QStringLiteral("the \"translate from\" value is longer than %1 characters.").arg(ValueLength));
            rows.append({values.at(0), values.at(1), values.at(2)});
        }
    } catch (const CsvError &e) {
        refuse(documentName, e.line(), CsvError::causeText(e.cause()));
    }
    return rows;
}
