#pragma once

#include "data/GridModel.h"

#include <QAbstractItemModel>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>

class BackgroundCall;

// The rows of a SELECT on the local store grouped by the values of one column, as a two-level
// model for a grouped list: the groups at the top, in ascending order of their value (NULL first),
// each with its rows under it, in the list's order within the group, the key last.
//
// Each group reads its rows a page at a time as a GridModel of its own (the list's filter and the
// group's value), and only when asked (fetchGroup): a view asks for the groups it shows, so a
// group nobody scrolled to or that is collapsed reads nothing. canFetchMore is false throughout,
// for a view must not read every group it expands.
//
// Opening reads the first group, found by one probe of the group column in its order (or named by
// a filter that asks for one value of it), and that group's first page, so the first rows come at
// the cost of about one page. The other groups and
// every group's count come from one aggregate statement (a count by group) that runs off the GUI
// thread on a connection of its own once the first rows are read, and is merged in when it is
// done: until then groupCount() is 1
// and the counts are unknown (-1). countsChanged tells when they are known; an aggregate that
// fails reports loadFailed and leaves the groups as they were.
//
// The groups, their rows and the counts are what each statement found; refresh() reads the rows of
// every group read so far again (at least as many) and the counts anew.
//
// A row is known to views by its key (keyOf, indexOfKey, locateKey, refresh). The order within a
// group ends with the order key, which is also what each group's rows are paged by; it is the key
// unless another column is given. A list whose rows may be renumbered (a local row given its
// server id) keeps a key that never changes and orders by the number: the row is then still the
// same row to the view's current row and selection after it was renumbered.
//
// A group can also be read from its end (toGroupEnd): its rows read are then a stretch of it, and
// the rows above are read as the view scrolls up to them (fetchGroupBefore).
//
// Set-up, open, refresh, sorting and locateKey throw VarnexError with a text that names what was
// wrong; fetchGroup and sort, which views call, report loadFailed instead.
class GroupedGridModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // Qt::UserRole data of a group row: true.
    static constexpr int GroupRowRole = Qt::UserRole + 1;

    explicit GroupedGridModel(QObject *parent = nullptr);
    ~GroupedGridModel() override;

    // Set-up, while the list is closed.
    void setDatabase(const QSqlDatabase &db);
    void setSql(const QString &selectSql);
    // The key: unique and never NULL, the same for a row as long as it is listed.
    void setKeyColumn(const QString &column);
    // The unique, never NULL column that ends the order within a group; the key when none is given.
    void setOrderKeyColumn(const QString &column);
    void setGroupColumn(const QString &column);
    QString groupColumn() const { return m_groupColumn; }
    void setParam(const QString &name, const QVariant &value);
    void setPageSize(int rows);
    // Group rows read "<caption>: <value>", followed by "(<countCaption><count>)" once counted.
    void setHeaderCaption(const QString &column, const QString &caption);
    void setCountCaption(const QString &caption) { m_countCaption = caption; }

    // Conditions joined by AND; take effect at the next open.
    void setFilter(const QList<GridCondition> &conditions);
    QList<GridCondition> filter() const { return m_filter; }
    // The order within each group; while open, every group read is read again from its start.
    void setSort(const QList<GridSortKey> &keys);
    QList<GridSortKey> sortKeys() const { return m_sort; }

    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Reads again the rows of every group read so far (at least as many as before) and the counts;
    // returns the index of keepKey, reading its group up to it, or an invalid index when it is no
    // longer listed or none was given. Opens a closed list.
    QModelIndex refresh(const QVariant &keepKey = QVariant());

    // Groups.
    int groupCount() const { return int(m_groups.size()); }
    QVariant groupValue(int group) const;
    // The rows of a group; -1 until counted.
    qint64 groupRowCount(int group) const;
    // The rows of the list; -1 until counted.
    qint64 totalCount() const { return m_total; }
    bool countsKnown() const { return m_total >= 0; }
    int rowsRead(int group) const;
    bool canFetchGroup(int group) const;
    // Reads the group's next page (its first when none is read). Never throws: loadFailed.
    void fetchGroup(int group);
    // Whether the group's rows read begin below its first row (it was read from its end, or
    // around a row far down); fetchGroupBefore reads a page of the rows above them. Never throws:
    // loadFailed.
    bool canFetchGroupBefore(int group) const;
    void fetchGroupBefore(int group);
    // The list's last group, brought in when the counts have not brought it yet; -1 for an empty
    // list. Throws VarnexError.
    int lastGroup();
    // Reads the group's first, or last, page when it is not read, and returns the group's first,
    // or last, row; invalid for a group without rows. Throws VarnexError.
    QModelIndex toGroupStart(int group, int column = 0);
    QModelIndex toGroupEnd(int group, int column = 0);
    QModelIndex groupIndex(int group, int column = 0) const;

    // Rows.
    bool isGroupRow(const QModelIndex &index) const { return index.isValid() && !index.internalPointer(); }
    // The group of a group row or of a row under it; -1 for none.
    int groupOf(const QModelIndex &index) const;
    QVariant keyOf(const QModelIndex &index) const;
    QVariant value(const QModelIndex &index, const QString &column) const;
    // The row of the key among the rows read; invalid when it is not read.
    QModelIndex indexOfKey(const QVariant &key, int column = 0) const;
    // The row of the key, reading its group up to it; invalid when no row of the list has it.
    QModelIndex locateKey(const QVariant &key, int column = 0);

    // Columns.
    int columnIndex(const QString &name) const;
    QString columnName(int column) const;
    const FieldDef &field(int column) const;

    // The given columns of every row of the list, in the grouped order (the groups' order, then
    // the order within them, the key last), read in one statement and nothing else: what an action
    // on every row needs, without the rows being read into the list.
    DataTable readColumns(const QStringList &columns) const;
    // The same rows as a forward-only query, for a reader that takes one row at a time and must
    // not hold the whole list (an export).
    QSqlQuery queryColumns(const QStringList &columns) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &) const override { return false; }
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void loadFailed(const QString &message);
    // The groups and their counts were read (or read again).
    void countsChanged();
    // The rows shown are read anew (open, refresh, a new order); views keep their current row by
    // key across it.
    void aboutToReread();
    void reread();

private:
    struct Group
    {
        QVariant value;
        qint64 count = -1;
        std::unique_ptr<GridModel> rows; // made when the group is first read
        int shown = 0;                    // the rows of `rows` the model reports
    };

    static bool sameValue(const QVariant &a, const QVariant &b);
    // The order of the whole list: the groups', then the order within them.
    QList<GridSortKey> listOrder() const;
    GridCondition groupCondition(const QVariant &value) const;
    QString orderKeyColumn() const { return m_orderKeyColumn.isEmpty() ? m_keyColumn : m_orderKeyColumn; }
    QVariant keyAt(const Group &group, int row) const;
    QModelIndex toGroupEdge(int group, int column, bool end);
    // The group of a value, inserted in its place when the counts have not brought it yet.
    int groupOfValue(const QVariant &value);
    std::unique_ptr<GridModel> makeRows(const QVariant &value);
    void attach(Group *group);
    void readRowsOf(Group *group);
    int rowOf(const Group *group) const;
    int groupRowOfValue(const QVariant &value) const;
    Group *insertGroup(int row, const QVariant &value);
    // The first (or last) group of the list, by one probe; false when the list is empty.
    bool probeGroup(QVariant *value, bool last = false) const;
    // The one group a filter allows (the group column equal to a value), when it names one.
    bool pinnedGroup(QVariant *value) const;
    // The statement of readColumns and queryColumns.
    GridStatement columnsStatement(const QStringList &columns) const;
    void startCounting();
    void mergeCounts(const QList<QPair<QVariant, qint64>> &counts);
    void clearGroups();
    void cancelCounting();

    QSqlDatabase m_db;
    QString m_sql;
    QString m_keyColumn;
    QString m_orderKeyColumn;
    int m_keyIndex = -1; // the key's column, once the list is described
    QString m_groupColumn;
    QList<QPair<QString, QVariant>> m_params;
    int m_pageSize = GridModel::DefaultPageSize;
    QString m_countCaption;
    QList<GridCondition> m_filter;
    QList<GridSortKey> m_sort;

    // Describes the list and builds its statements; reads no rows itself.
    std::unique_ptr<GridModel> m_list;
    QList<std::shared_ptr<Group>> m_groups;
    bool m_open = false;
    qint64 m_total = -1;
    std::shared_ptr<BackgroundCall> m_counting;
};
