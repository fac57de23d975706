#pragma once

#include "data/DataTable.h"

#include <QAbstractTableModel>

// A read-only model over an in-memory table held by the model: its columns under their names (or
// the captions given), values shown as the lists show them.
class DataTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    void setTable(const DataTable &table);
    void clear() { setTable(DataTable()); }
    const DataTable &table() const { return m_table; }
    void setHeaderCaption(const QString &field, const QString &caption);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    DataTable m_table;
    QHash<QString, QString> m_captions; // case-folded field -> caption
};
