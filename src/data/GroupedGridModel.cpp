#include "data/GroupedGridModel.h"

#include "base/Background.h"
#include "base/VarnexError.h"
#include "store/FbTransaction.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Each count runs on a connection of its own, named apart from every other.
QString countingConnectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("grouped-list-counts-%1").arg(next.fetchAndAddRelaxed(1));
}

} // namespace

GroupedGridModel::GroupedGridModel(QObject *parent) : QAbstractItemModel(parent), m_list(std::make_unique<GridModel>()) {}

GroupedGridModel::~GroupedGridModel()
{
    cancelCounting();
}

void GroupedGridModel::setDatabase(const QSqlDatabase &db)
{
    if (m_open)
        throw VarnexError(QStringLiteral("The connection of an open list cannot be changed."));
    m_db = db;
    m_list->setDatabase(db);
}

void GroupedGridModel::setSql(const QString &selectSql)
{
    if (m_open)
        throw VarnexError(QStringLiteral("The SQL of an open list cannot be changed."));
    m_sql = selectSql;
    m_list->setSql(selectSql);
}

void GroupedGridModel::setKeyColumn(const QString &column)
{
    if (m_open)
        throw VarnexError(QStringLiteral("The key column of an open list cannot be changed."));
    SqlUtil::requireIdentifier(column, "key column");
    m_keyColumn = column;
    m_list->setKeyColumn(orderKeyColumn());
}

void GroupedGridModel::setOrderKeyColumn(const QString &column)
{
    if (m_open)
        throw VarnexError(QStringLiteral("The order key of an open list cannot be changed."));
    SqlUtil::requireIdentifier(column, "order key column");
    m_orderKeyColumn = column;
    m_list->setKeyColumn(column);
}

void GroupedGridModel::setGroupColumn(const QString &column)
{
    if (m_open)
        throw VarnexError(QStringLiteral("The group column of an open list cannot be changed."));
    SqlUtil::requireIdentifier(column, "group column");
    m_groupColumn = column;
}

void GroupedGridModel::setParam(const QString &name, const QVariant &value)
{
    m_list->setParam(name, value);
    for (auto &p : m_params) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_params.append({name, value});
}

void GroupedGridModel::setPageSize(int rows)
{
    m_list->setPageSize(rows);
    m_pageSize = rows;
}

void GroupedGridModel::setHeaderCaption(const QString &column, const QString &caption)
{
    m_list->setHeaderCaption(column, caption);
    const int c = columnIndex(column);
    if (c >= 0)
        emit headerDataChanged(Qt::Horizontal, c, c);
}

void GroupedGridModel::setFilter(const QList<GridCondition> &conditions)
{
    for (const GridCondition &c : conditions)
        SqlUtil::requireIdentifier(c.column, "column");
    m_filter = conditions;
}

void GroupedGridModel::setSort(const QList<GridSortKey> &keys)
{
    ReadScope read(m_db); // every group read again in one transaction
    if (m_open) {
        // Checked on the list before any group is read again.
        for (const GridSortKey &k : keys)
            m_list->columnSql(k.column);
    }
    m_sort = keys;
    m_list->setSort(listOrder());
    if (!m_open)
        return;
    emit aboutToReread();
    struct Reread
    {
        GroupedGridModel *model;
        ~Reread() { emit model->reread(); }
    } reread{this};
    for (const auto &g : std::as_const(m_groups)) {
        if (g->rows)
            g->rows->setSort(keys);
    }
}

// ---------------------------------------------------------------------------------------------
// Groups

bool GroupedGridModel::sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid())
        return false;
    return !a.isValid() || a == b;
}

QList<GridSortKey> GroupedGridModel::listOrder() const
{
    return QList<GridSortKey>{{m_groupColumn, Qt::AscendingOrder}} + m_sort;
}

GridCondition GroupedGridModel::groupCondition(const QVariant &value) const
{
    return value.isValid() ? GridCondition{m_groupColumn, GridCondition::Equal, value}
                           : GridCondition{m_groupColumn, GridCondition::IsNull, QVariant()};
}

std::unique_ptr<GridModel> GroupedGridModel::makeRows(const QVariant &value)
{
    auto rows = std::make_unique<GridModel>();
    rows->setDatabase(m_db);
    rows->setSql(m_sql);
    rows->setKeyColumn(orderKeyColumn());
    for (const auto &p : std::as_const(m_params))
        rows->setParam(p.first, p.second);
    rows->setPageSize(m_pageSize);
    rows->setSort(m_sort);
    rows->setFilter(m_filter + QList<GridCondition>{groupCondition(value)});
    return rows;
}

// The group's list reports its rows through this model, under the group's row.
void GroupedGridModel::attach(Group *group)
{
    GridModel *rows = group->rows.get();
    connect(rows, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, group](const QModelIndex &, int first, int last) { beginInsertRows(groupIndex(rowOf(group)), first, last); });
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this, group]() {
        group->shown = group->rows->rowCount();
        endInsertRows();
    });
    // A list read anew: its old rows go, then its new rows come.
    connect(rows, &QAbstractItemModel::modelAboutToBeReset, this, [this, group]() {
        if (group->shown == 0)
            return;
        beginRemoveRows(groupIndex(rowOf(group)), 0, group->shown - 1);
        group->shown = 0;
        endRemoveRows();
    });
    connect(rows, &QAbstractItemModel::modelReset, this, [this, group]() {
        const int n = group->rows->rowCount();
        if (n == 0)
            return;
        beginInsertRows(groupIndex(rowOf(group)), 0, n - 1);
        group->shown = n;
        endInsertRows();
    });
    connect(rows, &GridModel::loadFailed, this, &GroupedGridModel::loadFailed);
}

void GroupedGridModel::readRowsOf(Group *group)
{
    std::unique_ptr<GridModel> rows = makeRows(group->value);
    group->rows = std::move(rows);
    attach(group);
    try {
        group->rows->open();
    } catch (...) {
        group->rows.reset();
        throw;
    }
}

int GroupedGridModel::rowOf(const Group *group) const
{
    for (int i = 0; i < m_groups.size(); ++i) {
        if (m_groups.at(i).get() == group)
            return i;
    }
    return -1;
}

int GroupedGridModel::groupRowOfValue(const QVariant &value) const
{
    for (int i = 0; i < m_groups.size(); ++i) {
        if (sameValue(m_groups.at(i)->value, value))
            return i;
    }
    return -1;
}

GroupedGridModel::Group *GroupedGridModel::insertGroup(int row, const QVariant &value)
{
    auto group = std::make_shared<Group>();
    group->value = value;
    beginInsertRows(QModelIndex(), row, row);
    m_groups.insert(row, group);
    endInsertRows();
    return group.get();
}

QVariant GroupedGridModel::groupValue(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group)->value : QVariant();
}

qint64 GroupedGridModel::groupRowCount(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group)->count : -1;
}

int GroupedGridModel::rowsRead(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group)->shown : 0;
}

bool GroupedGridModel::canFetchGroup(int group) const
{
    if (!m_open || group < 0 || group >= m_groups.size())
        return false;
    const Group &g = *m_groups.at(group);
    if (!g.rows)
        return g.count != 0;
    return g.rows->canFetchMore(QModelIndex());
}

void GroupedGridModel::fetchGroup(int group)
{
    if (!canFetchGroup(group))
        return;
    Group *g = m_groups.at(group).get();
    if (g->rows) {
        g->rows->fetchMore(QModelIndex());
        return;
    }
    try {
        ReadScope read(m_db);
        readRowsOf(g);
    } catch (const VarnexError &e) {
        // Not asked for again until the list is read again.
        g->count = 0;
        emit loadFailed(e.message());
    }
}

bool GroupedGridModel::canFetchGroupBefore(int group) const
{
    if (!m_open || group < 0 || group >= m_groups.size())
        return false;
    const Group &g = *m_groups.at(group);
    return g.rows && g.rows->canFetchBefore();
}

void GroupedGridModel::fetchGroupBefore(int group)
{
    if (canFetchGroupBefore(group))
        m_groups.at(group)->rows->fetchBefore(m_pageSize);
}

int GroupedGridModel::lastGroup()
{
    if (!m_open)
        return -1;
    // Once counted, every group is there in its order.
    if (countsKnown())
        return groupCount() - 1;
    QVariant value;
    if (!probeGroup(&value, true))
        return -1;
    return groupOfValue(value);
}

QModelIndex GroupedGridModel::toGroupStart(int group, int column)
{
    return toGroupEdge(group, column, false);
}

QModelIndex GroupedGridModel::toGroupEnd(int group, int column)
{
    return toGroupEdge(group, column, true);
}

QModelIndex GroupedGridModel::toGroupEdge(int group, int column, bool end)
{
    if (!m_open || group < 0 || group >= m_groups.size())
        return QModelIndex();
    Group *g = m_groups.at(group).get();
    if (!g->rows)
        readRowsOf(g);
    // The end's page alone: the rows between are read only if the user scrolls to them.
    const int row = end ? g->rows->toLast() : g->rows->toFirst();
    return row >= 0 ? createIndex(row, column, g) : QModelIndex();
}

QModelIndex GroupedGridModel::groupIndex(int group, int column) const
{
    if (group < 0 || group >= m_groups.size())
        return QModelIndex();
    return createIndex(group, column, nullptr);
}

bool GroupedGridModel::probeGroup(QVariant *value, bool last) const
{
    const QString column = m_list->columnSql(m_groupColumn);
    GridStatement st = m_list->selectStatement(QStringLiteral("FIRST 1 ") + column);
    st.text += QStringLiteral(" ORDER BY %1 %2")
                   .arg(column, last ? QStringLiteral("DESC NULLS LAST") : QStringLiteral("ASC NULLS FIRST"));
    const DataTable first = m_list->readStatement(st);
    if (first.rowCount() == 0)
        return false;
    *value = first.value(0, 0);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Opening and reading again

void GroupedGridModel::clearGroups()
{
    cancelCounting();
    m_groups.clear();
    m_total = -1;
}

void GroupedGridModel::open()
{
    if (m_groupColumn.isEmpty())
        throw VarnexError(QStringLiteral("Cannot open the list: it has no group column."));
    ReadScope read(m_db); // the probe, the description and the first group's page in one transaction
    emit aboutToReread();
    struct Reread
    {
        GroupedGridModel *model;
        ~Reread() { emit model->reread(); }
    } reread{this};

    beginResetModel();
    clearGroups();
    m_open = false;
    try {
        m_list->setFilter(m_filter);
        m_list->setSort(listOrder());
        m_list->describe();
        m_list->columnSql(m_groupColumn);
        m_keyIndex = m_list->columnIndex(m_keyColumn);
        if (m_keyIndex < 0)
            throw VarnexError(QStringLiteral("Cannot open the list: it has no key column %1.").arg(m_keyColumn));
    } catch (...) {
        endResetModel();
        throw;
    }
    m_open = true;
    endResetModel();

    try {
        QVariant first;
        if (pinnedGroup(&first)) {
            // The filter names the one group there can be: its first page tells whether it is there.
            Group *group = insertGroup(0, first);
            readRowsOf(group);
            if (group->rows->rowCount() == 0) {
                beginRemoveRows(QModelIndex(), 0, 0);
                m_groups.clear();
                endRemoveRows();
                m_total = 0;
                emit countsChanged();
                return;
            }
            // The value as the rows hold it, which the counts will name.
            group->value = group->rows->value(0, m_groupColumn);
        } else if (probeGroup(&first)) {
            readRowsOf(insertGroup(0, first));
        } else {
            m_total = 0;
            emit countsChanged();
            return;
        }
    } catch (...) {
        close();
        throw;
    }
    startCounting();
}

bool GroupedGridModel::pinnedGroup(QVariant *value) const
{
    bool pinned = false;
    for (const GridCondition &c : m_filter) {
        if (c.column.compare(m_groupColumn, Qt::CaseInsensitive) != 0)
            continue;
        if (c.op != GridCondition::Equal || !c.value.isValid() || c.value.isNull() || (pinned && c.value != *value))
            return false;
        *value = c.value;
        pinned = true;
    }
    return pinned;
}

void GroupedGridModel::close()
{
    if (!m_open && m_groups.isEmpty())
        return;
    beginResetModel();
    clearGroups();
    m_open = false;
    endResetModel();
}

QModelIndex GroupedGridModel::refresh(const QVariant &keepKey)
{
    ReadScope read(m_db);
    if (!m_open) {
        open();
        return keepKey.isValid() ? locateKey(keepKey) : QModelIndex();
    }
    if (m_groups.isEmpty()) {
        open();
        return keepKey.isValid() ? locateKey(keepKey) : QModelIndex();
    }
    {
        emit aboutToReread();
        struct Reread
        {
            GroupedGridModel *model;
            ~Reread() { emit model->reread(); }
        } reread{this};
        cancelCounting();
        // The kept row's group is read again around it when that group was read as a stretch
        // further down (from its end, or around a row sought).
        const QModelIndex kept = indexOfKey(keepKey);
        const Group *keptGroup = kept.isValid() ? static_cast<const Group *>(kept.internalPointer()) : nullptr;
        for (const auto &g : std::as_const(m_groups)) {
            if (g->rows)
                g->rows->refresh(g.get() == keptGroup ? g->rows->keyOf(kept.row()) : QVariant());
            else if (g->count == 0)
                g->count = -1; // a group that failed is asked for again
        }
        startCounting();
    }
    return keepKey.isValid() ? locateKey(keepKey) : QModelIndex();
}

void GroupedGridModel::cancelCounting()
{
    if (m_counting) {
        m_counting->cancel();
        m_counting.reset();
    }
}

void GroupedGridModel::startCounting()
{
    cancelCounting();
    const QString column = m_list->columnSql(m_groupColumn);
    GridStatement st = m_list->selectStatement(column + QStringLiteral(", COUNT(*)"));
    st.text += QStringLiteral(" GROUP BY %1 ORDER BY 1 ASC NULLS FIRST").arg(column);
    const QString path = m_db.databaseName();
    using Counts = QList<QPair<QVariant, qint64>>;
    m_counting = runInBackground(
        this,
        [path, st]() {
            const ScopedConnection connection(path, countingConnectionName(), "The rows of the list could not be counted");
            ReadScope read(connection.database());
            // Values as the list holds them, so that each count finds its group.
            const DataTable rows = DataTable::readStatement(read.transaction(), st.text, st.values);
            Counts counts;
            for (int r = 0; r < rows.rowCount(); ++r)
                counts.append({rows.value(r, 0), rows.value(r, 1).toLongLong()});
            return counts;
        },
        [this](const BackgroundOutcome<Counts> &outcome) {
            m_counting.reset();
            if (!outcome.ok()) {
                emit loadFailed(QStringLiteral("The rows of the list could not be counted: ") + outcome.error);
                return;
            }
            mergeCounts(*outcome.value);
        });
}

void GroupedGridModel::mergeCounts(const QList<QPair<QVariant, qint64>> &counts)
{
    // Groups that have no rows any more go.
    for (int i = int(m_groups.size()) - 1; i >= 0; --i) {
        bool listed = false;
        for (const auto &c : counts)
            listed = listed || sameValue(c.first, m_groups.at(i)->value);
        if (!listed) {
            beginRemoveRows(QModelIndex(), i, i);
            m_groups.removeAt(i);
            endRemoveRows();
        }
    }
    // Every counted group in the counted order: one already there moves to its place.
    qint64 total = 0;
    for (int i = 0; i < counts.size(); ++i) {
        const int at = groupRowOfValue(counts.at(i).first);
        if (at < 0) {
            insertGroup(i, counts.at(i).first);
        } else if (at != i) {
            beginMoveRows(QModelIndex(), at, at, QModelIndex(), i);
            m_groups.move(at, i);
            endMoveRows();
        }
        m_groups.at(i)->count = counts.at(i).second;
        total += counts.at(i).second;
    }
    m_total = total;
    if (!m_groups.isEmpty())
        emit dataChanged(groupIndex(0), groupIndex(int(m_groups.size()) - 1, columnCount() - 1));
    emit countsChanged();
}

// ---------------------------------------------------------------------------------------------
// Rows

int GroupedGridModel::groupOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    if (isGroupRow(index))
        return index.row();
    return rowOf(static_cast<const Group *>(index.internalPointer()));
}

QVariant GroupedGridModel::keyOf(const QModelIndex &index) const
{
    if (!index.isValid() || isGroupRow(index) || index.model() != this)
        return QVariant();
    const auto *g = static_cast<const Group *>(index.internalPointer());
    if (!g->rows || index.row() >= g->shown)
        return QVariant();
    return keyAt(*g, index.row());
}

QVariant GroupedGridModel::keyAt(const Group &group, int row) const
{
    return m_orderKeyColumn.isEmpty() ? group.rows->keyOf(row) : group.rows->value(row, m_keyIndex);
}

QVariant GroupedGridModel::value(const QModelIndex &index, const QString &column) const
{
    if (!index.isValid() || isGroupRow(index) || index.model() != this)
        return QVariant();
    const auto *g = static_cast<const Group *>(index.internalPointer());
    if (!g->rows || index.row() >= g->shown)
        return QVariant();
    return g->rows->value(index.row(), column);
}

QModelIndex GroupedGridModel::indexOfKey(const QVariant &key, int column) const
{
    if (!key.isValid())
        return QModelIndex();
    for (const auto &g : m_groups) {
        if (!g->rows)
            continue;
        for (int r = 0; r < g->shown; ++r) {
            if (keyAt(*g, r) == key)
                return createIndex(r, column, g.get());
        }
    }
    return QModelIndex();
}

QModelIndex GroupedGridModel::locateKey(const QVariant &key, int column)
{
    if (!m_open || !key.isValid())
        return QModelIndex();
    const QModelIndex held = indexOfKey(key, column);
    if (held.isValid())
        return held;
    ReadScope read(m_db); // the key's group and its rows up to the key in one transaction
    // The key's group, when the key is listed.
    const GridStatement st = m_list->selectStatement(m_list->columnSql(m_groupColumn),
                                                     {{m_keyColumn, GridCondition::Equal, key}});
    const DataTable found = m_list->readStatement(st);
    if (found.rowCount() == 0)
        return QModelIndex();
    Group *g = m_groups.at(groupOfValue(found.value(0, 0))).get();
    if (!g->rows)
        readRowsOf(g);
    const int row = m_orderKeyColumn.isEmpty() ? g->rows->findKey(key)
                                               : g->rows->locate({{m_keyColumn, GridCondition::Equal, key}});
    return row >= 0 ? createIndex(row, column, g) : QModelIndex();
}

int GroupedGridModel::groupOfValue(const QVariant &value)
{
    int group = groupRowOfValue(value);
    if (group >= 0)
        return group;
    // A group the counts have not brought yet: in its place as far as the values tell; the
    // counts put it where the database orders it.
    group = 0;
    while (group < m_groups.size() && m_groups.at(group)->value.isValid()
           && (!value.isValid() || QVariant::compare(m_groups.at(group)->value, value) == QPartialOrdering::Less))
        ++group;
    insertGroup(group, value);
    return group;
}

int GroupedGridModel::columnIndex(const QString &name) const
{
    return m_list->columnIndex(name);
}

QString GroupedGridModel::columnName(int column) const
{
    return m_list->columnName(column);
}

const FieldDef &GroupedGridModel::field(int column) const
{
    return m_list->field(column);
}

GridStatement GroupedGridModel::columnsStatement(const QStringList &columns) const
{
    if (!m_open)
        throw VarnexError(QStringLiteral("Cannot read the list: it is not open."));
    QStringList what;
    for (const QString &c : columns)
        what << m_list->columnSql(c);
    return m_list->selectStatement(what.join(QStringLiteral(", ")), {}, true);
}

QSqlQuery GroupedGridModel::queryColumns(const QStringList &columns) const
{
    const GridStatement st = columnsStatement(columns);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(st.text))
        throw VarnexError(QStringLiteral("The list could not be read: %1").arg(q.lastError().text()));
    for (const QVariant &v : st.values)
        q.addBindValue(v);
    if (!q.exec())
        throw VarnexError(QStringLiteral("The list could not be read: %1").arg(q.lastError().text()));
    return q;
}

DataTable GroupedGridModel::readColumns(const QStringList &columns) const
{
    return m_list->readStatement(columnsStatement(columns));
}

// ---------------------------------------------------------------------------------------------
// The model seen by views

QModelIndex GroupedGridModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount())
        return QModelIndex();
    if (!parent.isValid())
        return row < m_groups.size() ? createIndex(row, column, nullptr) : QModelIndex();
    if (!isGroupRow(parent) || parent.row() >= m_groups.size())
        return QModelIndex();
    Group *g = m_groups.at(parent.row()).get();
    return row < g->shown ? createIndex(row, column, g) : QModelIndex();
}

QModelIndex GroupedGridModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || isGroupRow(child))
        return QModelIndex();
    const int row = rowOf(static_cast<const Group *>(child.internalPointer()));
    return row >= 0 ? createIndex(row, 0, nullptr) : QModelIndex();
}

int GroupedGridModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_groups.size());
    if (!isGroupRow(parent) || parent.row() >= m_groups.size())
        return 0;
    return m_groups.at(parent.row())->shown;
}

int GroupedGridModel::columnCount(const QModelIndex &) const
{
    return m_list->columnCount();
}

bool GroupedGridModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return !m_groups.isEmpty();
    return isGroupRow(parent);
}

QVariant GroupedGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    if (isGroupRow(index)) {
        if (role == GroupRowRole)
            return true;
        // A view spans a group row from whichever column it shows first.
        if (index.row() >= m_groups.size())
            return QVariant();
        const Group &g = *m_groups.at(index.row());
        if (role == Qt::EditRole)
            return g.value;
        if (role != Qt::DisplayRole)
            return QVariant();
        const int column = columnIndex(m_groupColumn);
        QString text = headerData(column, Qt::Horizontal).toString() + QStringLiteral(": ")
                       + GridModel::displayText(field(column), g.value);
        if (g.count >= 0)
            text += QStringLiteral("  (%1%2)").arg(m_countCaption).arg(g.count);
        return text;
    }
    const auto *g = static_cast<const Group *>(index.internalPointer());
    if (!g->rows || index.row() >= g->shown)
        return QVariant();
    return g->rows->data(g->rows->index(index.row(), index.column()), role);
}

QVariant GroupedGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_list->headerData(section, orientation, role);
}

Qt::ItemFlags GroupedGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroupRow(index))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GroupedGridModel::sort(int column, Qt::SortOrder order)
{
    try {
        if (column < 0)
            setSort({});
        else
            setSort({{columnName(column), order}});
    } catch (const VarnexError &e) {
        emit loadFailed(e.message());
    }
}
