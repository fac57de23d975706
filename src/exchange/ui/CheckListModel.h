#pragma once

#include <QIdentityProxyModel>
#include <QSet>
#include <QStringList>

// Tick boxes over the first column of a list: each row can be ticked, and the ticks are kept by
// the row's text, so that they survive the list being read again.
class CheckListModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The texts of the ticked rows, in list order (of the rows read so far).
    QStringList checkedTexts() const;
    bool anyChecked() const { return !checkedTexts().isEmpty(); }
    void setChecked(int row, bool checked);
    void clearChecks();

signals:
    void checksChanged();

private:
    QString textOf(int row) const;
    QSet<QString> m_checked;
};
