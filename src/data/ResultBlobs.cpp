#include "data/ResultBlobs.h"

#include "base/VarnexError.h"
#include "data/DataPacket.h"

#include <QRegularExpression>

namespace ResultBlobs {

namespace {

FieldDef text(const char *name)
{
    return {QLatin1String(name), FieldType::String, 0, 0, false};
}

// The known columns a table must have once read: any the source lacks are added holding NULL.
void addMissing(DataTable *table, const QList<FieldDef> &known)
{
    for (const FieldDef &field : known)
        if (table->indexOf(field.name) < 0)
            table->addField(field);
}

QString unescape(QStringView value, int line, int column)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        const QChar next = i + 1 < value.size() ? value.at(i + 1) : QChar();
        ++i;
        if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            throw VarnexError(QStringLiteral("outcomes: line %1, value %2: \"\\%3\" is no escape (\\\\, \\t, \\n, \\r, "
                                             "or \\N for the whole value)")
                                  .arg(line)
                                  .arg(column)
                                  .arg(next.isNull() ? QString() : QString(next)));
    }
    return out;
}

QString escape(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

const QList<FieldDef> &resultFields()
{
    static const QList<FieldDef> fields = {
        {QStringLiteral("UNIQUE_ID"), FieldType::Int64, 0, 0, false},
        text("SAMPLE__CODE"),
        {QStringLiteral("RESULT"), FieldType::Decimal, 18, 6, false},
        text("TEXT_RESULT"),
        text("RESULT_TYPE"),
        text("QUALIFIER"),
        {QStringLiteral("RESULT_DATE"), FieldType::Date, 0, 0, false},
        {QStringLiteral("RESULT_TIME"), FieldType::Time, 0, 0, false},
        {QStringLiteral("RESULT_TIMESTAMP"), FieldType::Timestamp, 0, 0, false},
        text("OUTPUT"),
        text("SUBSTANCE"),
        text("LAB_UNIT"),
        text("COMPONENT_DESC"),
        text("BATCH_NUMBER"),
        text("FAILCODE"),
        text("FAILCODE_DESC"),
        text("EXP_MEASURE_OF_UNCERTAINTY"),
        text("RECOVERY"),
        text("CORRECTION_FOR_RECOVERY"),
        text("LODLOQ"),
        text("DETERMINATION__CODE"),
    };
    return fields;
}

const QList<FieldDef> &outcomeFields()
{
    static const QList<FieldDef> fields = {text("ID"), text("FAILCODE"), text("FAILCODE_DESCRIPTION")};
    return fields;
}

DataTable readResults(const QByteArray &blob)
{
    DataTable table;
    if (!blob.isEmpty()) {
        QString error;
        if (!DataPacket::decode(blob, &table, &error))
            throw VarnexError(QStringLiteral("laboratory results: %1").arg(error));
    }
    addMissing(&table, resultFields());
    return table;
}

QByteArray writeResults(const DataTable &results)
{
    return DataPacket::encode(results);
}

DataTable readOutcomes(const QString &text)
{
    DataTable table;
    if (!text.isEmpty()) {
        static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_]+$"));
        QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
        if (lines.last().isEmpty())
            lines.removeLast(); // the line break that ends the last line
        for (QStringView &l : lines)
            if (l.endsWith(QLatin1Char('\r')))
                l.chop(1);
        if (lines.isEmpty() || lines.at(0) != QLatin1String(OutcomesSignature))
            throw VarnexError(QStringLiteral("outcomes: line 1 is not \"%1\"; this is not an outcome list of a form "
                                             "this program reads")
                                  .arg(QLatin1String(OutcomesSignature)));
        if (lines.size() < 2)
            throw VarnexError(QStringLiteral("outcomes: the line of column names is missing"));
        for (const QStringView field : lines.at(1).split(QLatin1Char('\t'))) {
            if (!name.match(field).hasMatch())
                throw VarnexError(QStringLiteral("outcomes: line 2: \"%1\" is no column name (letters, digits and _ "
                                                 "only)")
                                      .arg(field.left(40)));
            QString error;
            if (!table.addField({field.toString(), FieldType::String, 0, 0, false}, &error))
                throw VarnexError(QStringLiteral("outcomes: line 2: %1").arg(error));
        }
        const int columns = table.fieldCount();
        for (qsizetype i = 2; i < lines.size(); ++i) {
            const int line = int(i + 1);
            const QList<QStringView> values = lines.at(i).split(QLatin1Char('\t'));
            if (values.size() != columns)
                throw VarnexError(QStringLiteral("outcomes: line %1 holds %2 values, the column line names %3")
                                      .arg(line)
                                      .arg(values.size())
                                      .arg(columns));
            const int row = table.appendRow();
            for (int c = 0; c < columns; ++c)
                if (values.at(c) != QLatin1String("\\N"))
                    table.setValue(row, c, unescape(values.at(c), line, c + 1));
        }
    }
    addMissing(&table, outcomeFields());
    return table;
}

QString writeOutcomes(const DataTable &outcomes)
{
    QString out = QLatin1String(OutcomesSignature) + QLatin1Char('\n');
    QStringList names;
    for (const FieldDef &f : outcomes.fields())
        names << f.name;
    out += names.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < outcomes.rowCount(); ++r) {
        QStringList values;
        for (int c = 0; c < outcomes.fieldCount(); ++c)
            values << (outcomes.isNull(r, c) ? QStringLiteral("\\N") : escape(outcomes.value(r, c).toString()));
        out += values.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

} // namespace ResultBlobs
