#include "reports/ReportValues.h"

#include "base/ProductNames.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace ReportValues {

namespace {

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("YES") : QStringLiteral("NO");
}

QString raw(const DataTable &samples, int row, const char *column)
{
    const int c = samples.indexOf(QLatin1String(column));
    if (c < 0 || row < 0 || row >= samples.rowCount() || samples.isNull(row, c))
        return {};
    return samples.value(row, c).toString();
}

bool isSet(const DataTable &samples, int row, const char *column)
{
    return raw(samples, row, column) == QLatin1String("T");
}

// A number of the durability date written with at least two digits; nothing when it is missing,
// so that a date never prints as "00".
QString twoDigits(const DataTable &samples, int row, const char *column)
{
    const QString value = raw(samples, row, column);
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok)
        return {};
    return n < 0 ? QString::number(n) : QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString durability(const DataTable &samples, int row)
{
    const QString code = raw(samples, row, "DURABILITY__CODE");
    if (code == QLatin1String("N"))
        return QStringLiteral("N/A");
    QStringList parts;
    if (code != QLatin1String("E"))
        parts << twoDigits(samples, row, "DURABILITY_DAY");
    parts << twoDigits(samples, row, "DURABILITY_MONTH") << twoDigits(samples, row, "DURABILITY_YEAR");
    // A date with a part missing prints as nothing rather than as half a date.
    for (const QString &p : parts)
        if (p.isEmpty())
            return {};
    return parts.join(QLatin1Char('/'));
}

bool isMicro(const DataTable &samples, int row)
{
    return raw(samples, row, "ANALYSIS_TYPE") == QLatin1String("M");
}

QString additionalInfo(const DataTable &samples, int row)
{
    const QString info = raw(samples, row, "ADDITIONAL_INFO");
    if (!isMicro(samples, row))
        return info;
    if (info == QLatin1String("R"))
        return QStringLiteral("Retailer");
    if (info == QLatin1String("P"))
        return QStringLiteral("Producer");
    if (info == QLatin1String("N"))
        return QStringLiteral("N/A");
    return {};
}

QString decimal(QString text)
{
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace

const QStringList &computedNames()
{
    static const QStringList names = {
        QStringLiteral("productTitle"),     QStringLiteral("analysisType"),
        QStringLiteral("enforcement"),      QStringLiteral("surveillance"),
        QStringLiteral("surveillanceUnlessEnforcement"),
        QStringLiteral("survey"),           QStringLiteral("followUp"),
        QStringLiteral("foodPoisoning"),    QStringLiteral("copCondition"),
        QStringLiteral("copLab"),           QStringLiteral("durability"),
        QStringLiteral("additionalInfoCaption"), QStringLiteral("additionalInfo"),
    };
    return names;
}

bool isComputedName(const QString &name)
{
    return computedNames().contains(name);
}

QString computed(const QString &name, const DataTable &samples, int row)
{
    if (name == QLatin1String("productTitle"))
        return Varnex::ProductTitle;
    if (name == QLatin1String("analysisType"))
        return isMicro(samples, row) ? QStringLiteral("Micro") : QStringLiteral("Chemical");
    if (name == QLatin1String("enforcement"))
        return yesNo(raw(samples, row, "REASON__CODE") == QLatin1String("E"));
    if (name == QLatin1String("surveillance"))
        return yesNo(raw(samples, row, "REASON__CODE") == QLatin1String("S"));
    if (name == QLatin1String("surveillanceUnlessEnforcement"))
        return yesNo(raw(samples, row, "REASON__CODE") != QLatin1String("E"));
    if (name == QLatin1String("survey"))
        return yesNo(isSet(samples, row, "FLAG_SURVEY"));
    if (name == QLatin1String("followUp"))
        return yesNo(isSet(samples, row, "FLAG_FOLLOW_UP"));
    if (name == QLatin1String("foodPoisoning"))
        return yesNo(isSet(samples, row, "FLAG_FOOD_POISONING"));
    if (name == QLatin1String("copCondition"))
        return yesNo(raw(samples, row, "FLAG_COP_CONDITION") != QLatin1String("F"));
    if (name == QLatin1String("copLab"))
        return yesNo(isSet(samples, row, "FLAG_COP_LAB"));
    if (name == QLatin1String("durability"))
        return durability(samples, row);
    if (name == QLatin1String("additionalInfoCaption"))
        return isMicro(samples, row) ? QStringLiteral("Sample taken from:") : QStringLiteral("Additional category information:");
    if (name == QLatin1String("additionalInfo"))
        return additionalInfo(samples, row);
    return {};
}

QString format(const FieldDef &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (field.type) {
    case FieldType::Date:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case FieldType::Time:
        return value.toTime().toString(QStringLiteral("HH:mm"));
    case FieldType::Timestamp:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    case FieldType::Decimal:
        return decimal(value.toString());
    case FieldType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case FieldType::Boolean:
        return yesNo(value.toBool());
    case FieldType::Blob:
        return {};
    default:
        return value.toString();
    }
}

QString text(const DataTable &table, int row, const QString &column)
{
    const int c = table.indexOf(column);
    if (c < 0 || row < 0 || row >= table.rowCount())
        return {};
    return format(table.field(c), table.value(row, c));
}

QString sampleName(const DataTable &samples, int row)
{
    const QString code = text(samples, row, QStringLiteral("CODE"));
    const QString number = text(samples, row, QStringLiteral("LA_SAMPLENO"));
    return number.isEmpty() ? QStringLiteral("Sample \"%1\"").arg(code)
                            : QStringLiteral("Sample \"%1\" (sample no. \"%2\")").arg(code, number);
}

} // namespace ReportValues
