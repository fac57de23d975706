#include "data/DataTable.h"

#include "base/VarnexError.h"
#include "store/FbStatement.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

struct TypeName
{
    FieldType type;
    const char *name;
};

constexpr TypeName typeNames[] = {
    {FieldType::String, "string"},   {FieldType::Memo, "memo"},       {FieldType::Blob, "blob"},
    {FieldType::Int16, "int16"},     {FieldType::Int32, "int32"},     {FieldType::Int64, "int64"},
    {FieldType::Float, "float"},     {FieldType::Decimal, "decimal"}, {FieldType::Boolean, "boolean"},
    {FieldType::Date, "date"},       {FieldType::Time, "time"},       {FieldType::Timestamp, "timestamp"},
};

bool isNullVariant(const QVariant &v)
{
    return !v.isValid() || v.metaType().id() == QMetaType::Nullptr;
}

bool isIntegerType(int id)
{
    switch (id) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

bool isFloatType(int id)
{
    return id == QMetaType::Double || id == QMetaType::Float;
}

// The exact integer a variant holds: integers of any width, integral floating-point values and
// decimal text without a fraction (or with a zero one).
bool toExactInteger(const QVariant &v, qint64 *out)
{
    const int id = v.metaType().id();
    if (id == QMetaType::ULongLong || id == QMetaType::ULong) {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return false;
        *out = qint64(u);
        return true;
    }
    if (isIntegerType(id)) {
        *out = v.toLongLong();
        return true;
    }
    if (isFloatType(id)) {
        const double d = v.toDouble();
        // 2^63 itself is out of range; every double below it converts exactly.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0
            || d >= 9223372036854775808.0)
            return false;
        *out = qint64(d);
        return true;
    }
    if (id == QMetaType::QString || id == QMetaType::QByteArray) {
        QString text = v.toString().trimmed();
        static const QRegularExpression zeroFraction(QStringLiteral("\\.0*$"));
        text.remove(zeroFraction);
        bool ok = false;
        *out = text.toLongLong(&ok);
        return ok;
    }
    return false;
}

// Plain decimal notation: optional minus, digits without needless leading zeros, and when there
// is a fraction, a point and at least `scale` fraction digits. No digit is ever dropped.
bool canonicalDecimal(const QString &input, int scale, QString *out)
{
    static const QRegularExpression form(
        QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch m = form.match(input.trimmed());
    if (!m.hasMatch())
        return false;
    QString whole = m.captured(2);
    QString fraction = m.captured(3);
    if (whole.isEmpty() && fraction.isEmpty())
        return false;
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    // Trailing zeros beyond the scale carry no value.
    while (fraction.size() > scale && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (fraction.size() < scale)
        fraction += QString(scale - fraction.size(), QLatin1Char('0'));
    const bool zero = whole == QLatin1String("0")
        && std::all_of(fraction.cbegin(), fraction.cend(), [](QChar c) { return c == QLatin1Char('0'); });
    QString result;
    if (m.captured(1) == QLatin1String("-") && !zero)
        result += QLatin1Char('-');
    result += whole;
    if (!fraction.isEmpty())
        result += QLatin1Char('.') + fraction;
    *out = result;
    return true;
}

// Rounds canonical decimal text to `scale` fraction digits, half away from zero.
QString roundDecimal(const QString &canonical, int scale)
{
    const qsizetype point = canonical.indexOf(QLatin1Char('.'));
    if (point < 0 || canonical.size() - point - 1 <= scale)
        return canonical;
    const bool negative = canonical.startsWith(QLatin1Char('-'));
    const bool up = canonical.at(point + 1 + scale) >= QLatin1Char('5');
    QString digits = canonical.mid(negative ? 1 : 0, point + 1 + scale - (negative ? 1 : 0));
    digits.remove(QLatin1Char('.'));
    if (up) {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits.at(i) == QLatin1Char('9'))
            digits[i--] = QLatin1Char('0');
        if (i >= 0)
            digits[i] = QChar(digits.at(i).unicode() + 1);
        else
            digits.prepend(QLatin1Char('1'));
    }
    QString text = digits;
    if (scale > 0)
        text.insert(text.size() - scale, QLatin1Char('.'));
    if (negative)
        text.prepend(QLatin1Char('-'));
    QString result;
    canonicalDecimal(text, scale, &result);
    return result;
}

// Digits that carry value before the point of canonical decimal text ("0.5" has none).
qsizetype wholeDigits(const QString &canonical)
{
    const qsizetype sign = canonical.startsWith(QLatin1Char('-')) ? 1 : 0;
    qsizetype point = canonical.indexOf(QLatin1Char('.'));
    if (point < 0)
        point = canonical.size();
    const qsizetype whole = point - sign;
    return whole == 1 && canonical.at(sign) == QLatin1Char('0') ? 0 : whole;
}

QString describe(const QVariant &v)
{
    const QString text = v.toString();
    if (!text.isEmpty() || v.metaType().id() == QMetaType::QString)
        return QStringLiteral("\"%1\"").arg(text.left(40));
    return QString::fromLatin1(v.metaType().name());
}

} // namespace

QString fieldTypeName(FieldType type)
{
    for (const TypeName &t : typeNames) {
        if (t.type == type)
            return QString::fromLatin1(t.name);
    }
    return QString();
}

bool fieldTypeFromName(const QString &name, FieldType *type)
{
    for (const TypeName &t : typeNames) {
        if (name == QLatin1String(t.name)) {
            *type = t.type;
            return true;
        }
    }
    return false;
}

DataTable::DataTable(const QList<FieldDef> &fields)
{
    for (const FieldDef &f : fields)
        addField(f);
}

bool DataTable::addField(const FieldDef &field, QString *error)
{
    if (field.name.isEmpty()) {
        setError(error, QStringLiteral("a field needs a name"));
        return false;
    }
    if (indexOf(field.name) >= 0) {
        setError(error, QStringLiteral("field name %1 is used twice").arg(field.name));
        return false;
    }
    if (m_rowCount > 0) {
        // Every row gets a NULL in the new last column.
        const qsizetype width = m_fields.size();
        QList<QVariant> cells;
        cells.reserve(qsizetype(m_rowCount) * (width + 1));
        for (int r = 0; r < m_rowCount; ++r) {
            cells.append(m_cells.mid(qsizetype(r) * width, width));
            cells.append(QVariant());
        }
        m_cells = cells;
    }
    m_fieldIndex.insert(field.name.toCaseFolded(), int(m_fields.size()));
    m_fields.append(field);
    return true;
}

int DataTable::indexOf(const QString &name) const
{
    return m_fieldIndex.value(name.toCaseFolded(), -1);
}

int DataTable::appendRow()
{
    m_cells.resize(m_cells.size() + m_fields.size());
    return m_rowCount++;
}

bool DataTable::appendRow(const QVariantList &values, QString *error)
{
    if (values.size() != m_fields.size()) {
        setError(error, QStringLiteral("a row of %1 values for %2 fields")
                            .arg(values.size())
                            .arg(m_fields.size()));
        return false;
    }
    QVariantList row(values.size());
    for (int i = 0; i < values.size(); ++i) {
        if (!normalise(m_fields.at(i), values.at(i), &row[i], error))
            return false;
    }
    m_cells.append(row);
    ++m_rowCount;
    return true;
}

bool DataTable::appendRows(const DataTable &other, QString *error)
{
    if (other.m_fields != m_fields) {
        setError(error, QStringLiteral("the rows to append have other fields"));
        return false;
    }
    m_cells.append(other.m_cells);
    m_rowCount += other.m_rowCount;
    return true;
}

void DataTable::reserveRows(int rows)
{
    m_cells.reserve(m_cells.size() + qsizetype(rows) * m_fields.size());
}

QVariantList DataTable::row(int row) const
{
    return m_cells.mid(cell(row, 0), m_fields.size());
}

void DataTable::removeRows()
{
    m_cells.clear();
    m_rowCount = 0;
}

void DataTable::clear()
{
    removeRows();
    m_fields.clear();
    m_fieldIndex.clear();
}

bool DataTable::setValue(int row, int column, const QVariant &value, QString *error)
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_fields.size()) {
        setError(error, QStringLiteral("no cell at row %1, column %2").arg(row).arg(column));
        return false;
    }
    QVariant v;
    if (!normalise(m_fields.at(column), value, &v, error))
        return false;
    m_cells[cell(row, column)] = v;
    return true;
}

bool DataTable::setValue(int row, const QString &fieldName, const QVariant &value, QString *error)
{
    const int column = indexOf(fieldName);
    if (column < 0) {
        setError(error, QStringLiteral("no field named %1").arg(fieldName));
        return false;
    }
    return setValue(row, column, value, error);
}

QVariant DataTable::value(int row, const QString &fieldName) const
{
    const int column = indexOf(fieldName);
    return column < 0 ? QVariant() : value(row, column);
}

bool DataTable::normalise(const FieldDef &field, const QVariant &value, QVariant *out, QString *error)
{
    if (isNullVariant(value)) {
        *out = QVariant();
        return true;
    }
    const int id = value.metaType().id();
    const auto fail = [&](const QString &why) {
        setError(error, QStringLiteral("field %1 (%2): %3 %4")
                            .arg(field.name, fieldTypeName(field.type), describe(value), why));
        return false;
    };

    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
        if (id == QMetaType::QString)
            *out = value;
        else if (id == QMetaType::QByteArray)
            *out = QString::fromUtf8(value.toByteArray());
        else if (value.canConvert<QString>())
            *out = value.toString();
        else
            return fail(QStringLiteral("is not text"));
        return true;

    case FieldType::Blob:
        if (id == QMetaType::QByteArray)
            *out = value;
        else if (id == QMetaType::QString)
            *out = value.toString().toUtf8();
        else
            return fail(QStringLiteral("is not a byte array"));
        return true;

    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64: {
        if (id == QMetaType::Bool)
            return fail(QStringLiteral("is not an integer"));
        qint64 n = 0;
        if (!toExactInteger(value, &n))
            return fail(QStringLiteral("is not an integer in range"));
        const qint64 lo = field.type == FieldType::Int16 ? -32768
            : field.type == FieldType::Int32             ? qint64(std::numeric_limits<qint32>::min())
                                                         : std::numeric_limits<qint64>::min();
        const qint64 hi = field.type == FieldType::Int16 ? 32767
            : field.type == FieldType::Int32             ? qint64(std::numeric_limits<qint32>::max())
                                                         : std::numeric_limits<qint64>::max();
        if (n < lo || n > hi)
            return fail(QStringLiteral("is out of range"));
        *out = QVariant::fromValue<qint64>(n);
        return true;
    }

    case FieldType::Float: {
        if (isFloatType(id) || (isIntegerType(id) && id != QMetaType::Bool)) {
            *out = value.toDouble();
            return true;
        }
        if (id == QMetaType::QString) {
            bool ok = false;
            const double d = value.toString().trimmed().toDouble(&ok);
            if (ok) {
                *out = d;
                return true;
            }
        }
        return fail(QStringLiteral("is not a number"));
    }

    case FieldType::Decimal: {
        QString text;
        if (id == QMetaType::QString || id == QMetaType::QByteArray)
            text = value.toString();
        else if (id == QMetaType::ULongLong || id == QMetaType::ULong)
            text = QString::number(value.toULongLong());
        else if (isIntegerType(id) && id != QMetaType::Bool)
            text = QString::number(value.toLongLong());
        else if (isFloatType(id)) {
            // A binary fraction has no exact decimal form; the nearest one at the field's scale
            // is what the database meant.
            const double d = value.toDouble();
            if (!std::isfinite(d))
                return fail(QStringLiteral("is not a finite number"));
            text = QString::number(d, 'f', std::max(field.scale, 0));
        } else
            return fail(QStringLiteral("is not a decimal number"));
        QString canonical;
        if (!canonicalDecimal(text, std::max(field.scale, 0), &canonical))
            return fail(QStringLiteral("is not a decimal number"));
        *out = canonical;
        return true;
    }

    case FieldType::Boolean:
        if (id == QMetaType::Bool) {
            *out = value;
            return true;
        }
        if (isIntegerType(id)) {
            const qint64 n = value.toLongLong();
            if (n == 0 || n == 1) {
                *out = n == 1;
                return true;
            }
        }
        return fail(QStringLiteral("is not a boolean"));

    case FieldType::Date: {
        QDate d;
        if (id == QMetaType::QDate)
            d = value.toDate();
        else if (id == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else if (id == QMetaType::QString)
            d = QDate::fromString(value.toString(), Qt::ISODate);
        if (!d.isValid())
            return fail(QStringLiteral("is not a date"));
        *out = d;
        return true;
    }

    case FieldType::Time: {
        QTime t;
        if (id == QMetaType::QTime)
            t = value.toTime();
        else if (id == QMetaType::QDateTime)
            t = value.toDateTime().time();
        else if (id == QMetaType::QString)
            t = QTime::fromString(value.toString(), Qt::ISODateWithMs);
        if (!t.isValid())
            return fail(QStringLiteral("is not a time"));
        *out = t;
        return true;
    }

    case FieldType::Timestamp: {
        // The reading is taken apart from its zone: a reading that the local zone skips comes in
        // as an invalid QDateTime whose date and time are still there.
        QDate d;
        QTime t;
        if (id == QMetaType::QDateTime) {
            d = value.toDateTime().date();
            t = value.toDateTime().time();
        } else if (id == QMetaType::QDate) {
            d = value.toDate();
            t = QTime(0, 0);
        } else if (id == QMetaType::QString) {
            const QDateTime dt = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
            d = dt.date();
            t = dt.time();
        }
        if (!d.isValid() || !t.isValid())
            return fail(QStringLiteral("is not a timestamp"));
        // Keep the wall-clock reading whatever zone the value came with.
        *out = wallClock(d, t);
        return true;
    }
    }
    return fail(QStringLiteral("has an unknown field type"));
}

bool DataTable::decimalFits(const FieldDef &field, const QString &text, QString *why)
{
    const int scale = std::max(field.scale, 0);
    QString canonical;
    if (!canonicalDecimal(text, scale, &canonical)) {
        setError(why, QStringLiteral("is not a decimal number"));
        return false;
    }
    // Zeros past the scale were dropped: any fraction digit left beyond it carries value.
    const qsizetype point = canonical.indexOf(QLatin1Char('.'));
    if (point >= 0 && canonical.size() - point - 1 > scale) {
        setError(why, QStringLiteral("has more than %1 digits after the decimal point").arg(scale));
        return false;
    }
    const int precision = field.size > 0 ? field.size : MaxDecimalDigits;
    const int whole = std::max(precision - scale, 0);
    if (wholeDigits(canonical) > whole) {
        setError(why, QStringLiteral("has more than %1 digits before the decimal point").arg(whole));
        return false;
    }
    return true;
}

QDateTime DataTable::wallClock(QDate date, QTime time)
{
    const QDateTime local(date, time, Qt::LocalTime);
    if (local.isValid())
        return local;
    return QDateTime(date, time, Qt::UTC);
}

FieldDef DataTable::fieldFromSql(const QSqlField &sqlField, QSqlDriver::DbmsType dbms)
{
    FieldDef f;
    f.name = sqlField.name();
    f.required = sqlField.requiredStatus() == QSqlField::Required;
    const int length = sqlField.length() > 0 ? sqlField.length() : 0;
    const int precision = sqlField.precision();
    switch (sqlField.metaType().id()) {
    case QMetaType::QString:
        f.type = FieldType::String;
        f.size = length;
        break;
    case QMetaType::QByteArray:
        // Firebird hands text blobs over as bytes; its driver reports the blob's character set
        // as the precision, which is 0 (none) for binary blobs.
        f.type = dbms == QSqlDriver::Interbase && precision > 0 ? FieldType::Memo : FieldType::Blob;
        break;
    case QMetaType::Bool:
        f.type = FieldType::Boolean;
        break;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
        f.type = FieldType::Int16;
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
        // Drivers that report every small integer as int still give its storage size.
        f.type = length == 2 ? FieldType::Int16 : FieldType::Int32;
        break;
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        f.type = FieldType::Int64;
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        // A scaled column (NUMERIC/DECIMAL) is reported as a double with its scale as precision.
        if (precision > 0) {
            f.type = FieldType::Decimal;
            f.size = length;
            f.scale = precision;
            // Firebird's driver finds a table column's declared precision, but gives an expression
            // (a sum, a product, a cast) only its storage size in bytes: the digits that storage
            // holds are the nearest precision that never refuses a value the database computed.
            if (dbms == QSqlDriver::Interbase && sqlField.tableName().isEmpty())
                f.size = length <= 2 ? 4 : length <= 4 ? 9 : MaxDecimalDigits;
        } else {
            f.type = FieldType::Float;
        }
        break;
    case QMetaType::QDate:
        f.type = FieldType::Date;
        break;
    case QMetaType::QTime:
        f.type = FieldType::Time;
        break;
    case QMetaType::QDateTime:
        f.type = FieldType::Timestamp;
        break;
    default:
        f.type = FieldType::String;
        f.size = length;
        break;
    }
    return f;
}

QList<FieldDef> DataTable::fieldsOfQuery(const QSqlQuery &query)
{
    return fieldsOfRecord(query.record(), query.driver() ? query.driver()->dbmsType() : QSqlDriver::UnknownDbms);
}

QList<FieldDef> DataTable::fieldsOfStatement(const FbStatement &statement, FbTransaction &transaction)
{
    return fieldsOfRecord(statement.record(transaction), QSqlDriver::Interbase);
}

QList<FieldDef> DataTable::fieldsOfRecord(const QSqlRecord &record, QSqlDriver::DbmsType dbms)
{
    QList<FieldDef> fields;
    QSet<QString> taken; // case-folded names
    for (int i = 0; i < record.count(); ++i) {
        FieldDef field = fieldFromSql(record.field(i), dbms);
        // A join easily selects two columns of one name (both tables' CODE, say); the later one
        // becomes CODE_1, then CODE_2, so that every field can still be found by its name.
        if (field.name.isEmpty())
            field.name = QStringLiteral("FIELD");
        const QString base = field.name;
        for (int n = 1; taken.contains(field.name.toCaseFolded()); ++n)
            field.name = base + QLatin1Char('_') + QString::number(n);
        taken.insert(field.name.toCaseFolded());
        fields.append(field);
    }
    return fields;
}

bool DataTable::appendConverted(const std::function<QVariant(int)> &valueOf, QString *error)
{
    const int row = appendRow();
    for (int c = 0; c < fieldCount(); ++c) {
        if (!setValue(row, c, valueOf(c), error)) {
            if (error)
                *error = QStringLiteral("record %1: %2").arg(row + 1).arg(*error);
            m_cells.resize(cell(row, 0));
            --m_rowCount;
            return false;
        }
    }
    return true;
}

bool DataTable::appendRecord(const QSqlQuery &query, QString *error)
{
    return appendConverted(
        [&](int c) {
            if (query.isNull(c))
                return QVariant();
            QVariant value = query.value(c);
            const FieldDef &field = m_fields.at(c);
            if (field.type == FieldType::Decimal && value.metaType().id() == QMetaType::QString) {
                // Some drivers (Firebird's among them) pass scaled numbers through a double and
                // hand over its digits beyond the column's scale; the column holds none.
                QString canonical;
                if (canonicalDecimal(value.toString(), field.scale, &canonical))
                    value = roundDecimal(canonical, field.scale);
            }
            return value;
        },
        error);
}

bool DataTable::appendStatementRow(const FbStatement &statement, QString *error)
{
    return appendConverted([&](int c) { return statement.value(c); }, error);
}

DataTable DataTable::readStatement(FbTransaction &transaction, const QString &sql, const QVariantList &values,
                                   const QList<FieldDef> &fields)
{
    FbStatement query(transaction, sql);
    return readStatement(transaction, query, values, fields);
}

DataTable DataTable::readStatement(FbTransaction &transaction, FbStatement &query, const QVariantList &values,
                                   const QList<FieldDef> &fields)
{
    query.bindAll(values);
    query.execute(transaction);
    DataTable rows(fields.isEmpty() ? fieldsOfStatement(query, transaction) : fields);
    while (query.next()) {
        QString why;
        if (!rows.appendStatementRow(query, &why))
            throw VarnexError(QStringLiteral("The rows could not be read: %1").arg(why));
    }
    return rows;
}

bool DataTable::fillFromQuery(QSqlQuery &query, QString *error)
{
    return fill(query, nullptr, error);
}

bool DataTable::fillFromQuery(QSqlQuery &query, const QList<FieldDef> &fields, QString *error)
{
    return fill(query, &fields, error);
}

bool DataTable::fill(QSqlQuery &query, const QList<FieldDef> *fields, QString *error)
{
    if (!query.isActive()) {
        query.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!query.exec()) {
            setError(error, QStringLiteral("the query failed: %1").arg(query.lastError().text()));
            return false;
        }
    }
    if (!query.isSelect()) {
        setError(error, QStringLiteral("the query returns no records"));
        return false;
    }

    if (fields && fields->size() != query.record().count()) {
        setError(error, QStringLiteral("the query returns %1 columns for %2 fields").arg(query.record().count()).arg(fields->size()));
        return false;
    }
    DataTable table;
    for (const FieldDef &field : fields ? *fields : fieldsOfQuery(query)) {
        if (!table.addField(field, error))
            return false;
    }
    bool more = query.at() == QSql::BeforeFirstRow ? query.next() : query.first();
    while (more) {
        if (!table.appendRecord(query, error))
            return false;
        more = query.next();
    }
    if (query.lastError().type() != QSqlError::NoError) {
        setError(error, QStringLiteral("reading the query failed: %1").arg(query.lastError().text()));
        return false;
    }
    *this = table;
    return true;
}

namespace {
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType().id() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    if (a.metaType().id() == QMetaType::QDateTime) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x.date() == y.date() && x.time() == y.time();
    }
    return a == b;
}
} // namespace

bool operator==(const DataTable &a, const DataTable &b)
{
    if (a.m_fields != b.m_fields || a.m_rowCount != b.m_rowCount)
        return false;
    for (qsizetype i = 0; i < a.m_cells.size(); ++i) {
        if (!sameValue(a.m_cells.at(i), b.m_cells.at(i)))
            return false;
    }
    return true;
}
