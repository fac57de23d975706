#include "exchange/ui/CheckListModel.h"

Qt::ItemFlags CheckListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QIdentityProxyModel::flags(index);
    if (index.isValid() && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant CheckListModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::CheckStateRole && index.isValid() && index.column() == 0)
        return m_checked.contains(textOf(index.row())) ? Qt::Checked : Qt::Unchecked;
    return QIdentityProxyModel::data(index, role);
}

bool CheckListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return QIdentityProxyModel::setData(index, value, role);
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QString CheckListModel::textOf(int row) const
{
    return sourceModel() ? sourceModel()->index(row, 0).data(Qt::DisplayRole).toString() : QString();
}

void CheckListModel::setChecked(int row, bool checked)
{
    const QString text = textOf(row);
    const bool was = m_checked.contains(text);
    if (was == checked)
        return;
    if (checked)
        m_checked.insert(text);
    else
        m_checked.remove(text);
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
    emit checksChanged();
}

void CheckListModel::clearChecks()
{
    if (m_checked.isEmpty())
        return;
    m_checked.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    emit checksChanged();
}

QStringList CheckListModel::checkedTexts() const
{
    QStringList texts;
    for (int row = 0; row < rowCount(); ++row) {
        const QString text = textOf(row);
        if (m_checked.contains(text))
            texts << text;
    }
    return texts;
}
