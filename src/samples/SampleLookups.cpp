#include "samples/SampleLookups.h"

#include "reference/LookupData_DM.h"

namespace {

// The table of a list, or nullptr for a name the module does not have.
const DataTable *tableOf(const TLookupDataDm &lookups, const QString &list)
{
    static const QStringList names = TLookupDataDm::TableNames();
    return names.contains(list) ? &lookups.Table(list) : nullptr;
}

// The row whose field equals the text exactly; -1 when there is none.
int findRow(const DataTable &table, const QString &field, const QString &text)
{
    const int column = table.indexOf(field);
    if (column < 0)
        return -1;
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.value(row, column).toString() == text)
            return row;
    return -1;
}

} // namespace

int LookupDataSampleLookups::rowCount(const QString &list) const
{
    const DataTable *table = tableOf(m_lookups, list);
    return table ? table->rowCount() : 0;
}

bool LookupDataSampleLookups::CheckCodeExists(const QString &code, const QString &list) const
{
    return m_lookups.CheckCodeExists(code, list);
}

bool LookupDataSampleLookups::hasName(const QString &name, const QString &list) const
{
    const DataTable *table = tableOf(m_lookups, list);
    return table && findRow(*table, QStringLiteral("Name"), name) >= 0;
}

QString LookupDataSampleLookups::description(const QString &code, const QString &list) const
{
    const DataTable *table = tableOf(m_lookups, list);
    if (!table)
        return QString();
    const int row = findRow(*table, QStringLiteral("Code"), code);
    const int column = table->indexOf(QStringLiteral("Description"));
    return row < 0 || column < 0 ? QString() : table->value(row, column).toString();
}

QString LookupDataSampleLookups::HelpForCategory(const QString &code) const
{
    return m_lookups.HelpForCategory(code);
}
