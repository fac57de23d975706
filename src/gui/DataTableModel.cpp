#include "gui/DataTableModel.h"

#include "data/GridModel.h"

void DataTableModel::setTable(const DataTable &table)
{
    beginResetModel();
    m_table = table;
    endResetModel();
}

void DataTableModel::setHeaderCaption(const QString &field, const QString &caption)
{
    m_captions.insert(field.toCaseFolded(), caption);
    const int column = m_table.indexOf(field);
    if (column >= 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
}

int DataTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount();
}

int DataTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.fieldCount();
}

QVariant DataTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_table.rowCount() || index.column() >= m_table.fieldCount())
        return QVariant();
    const QVariant &v = m_table.value(index.row(), index.column());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return GridModel::displayText(m_table.field(index.column()), v);
    if (role == Qt::EditRole)
        return v;
    return QVariant();
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_table.fieldCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString name = m_table.field(section).name;
    return m_captions.value(name.toCaseFolded(), name);
}
