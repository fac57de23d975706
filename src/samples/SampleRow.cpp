#include "samples/SampleRow.h"

#include "base/VarnexError.h"
#include "data/DataSet.h"
#include "data/DataTable.h"
#include "data/FieldValue.h"

namespace {

bool sameValue(const QVariant &a, const QVariant &b)
{
    const bool an = FieldValue::isNull(a);
    const bool bn = FieldValue::isNull(b);
    if (an || bn)
        return an == bn;
    if (a.metaType() == b.metaType())
        return a == b;
    return a.toString() == b.toString();
}

} // namespace

bool SampleRow::isNull(const QString &column) const
{
    return FieldValue::isNull(value(column));
}

QString SampleRow::text(const QString &column) const
{
    return FieldValue::text(value(column));
}

int SampleRow::integer(const QString &column) const
{
    const QVariant v = value(column);
    if (FieldValue::isNull(v))
        return 0;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : 0;
}

void SampleRow::setText(const QString &column, const QString &text)
{
    if (text.isEmpty()) {
        clear(column);
        return;
    }
    if (this->text(column) == text)
        return;
    setValue(column, text);
}

void SampleRow::clear(const QString &column)
{
    if (isEmpty(column))
        return;
    setValue(column, QVariant());
}

void VariantMapRow::setValue(const QString &column, const QVariant &value)
{
    if (m_values.contains(column) && sameValue(m_values.value(column), value))
        return;
    m_values.insert(column, value);
}

bool DataTableRow::hasColumn(const QString &column) const
{
    return m_table.indexOf(column) >= 0;
}

QVariant DataTableRow::value(const QString &column) const
{
    const int index = m_table.indexOf(column);
    return index < 0 ? QVariant() : m_table.value(m_row, index);
}

void DataTableRow::setValue(const QString &column, const QVariant &value)
{
    const int index = m_table.indexOf(column);
    if (index < 0)
        throw VarnexError(QStringLiteral("The sample has no column %1.").arg(column));
    if (sameValue(m_table.value(m_row, index), value))
        return;
    QString why;
    if (!m_table.setValue(m_row, index, value, &why))
        throw VarnexError(QStringLiteral("'%1' cannot be stored in %2: %3").arg(value.toString(), column, why));
}

bool DataSetRow::hasColumn(const QString &column) const
{
    return m_dataSet.hasField(column);
}

QVariant DataSetRow::value(const QString &column) const
{
    return m_dataSet.hasField(column) ? m_dataSet.value(column) : QVariant();
}

void DataSetRow::setValue(const QString &column, const QVariant &value)
{
    // The dataset itself skips a value equal to the one it holds.
    m_dataSet.setValue(column, value);
}
