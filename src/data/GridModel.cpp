#include "data/GridModel.h"

#include "base/VarnexError.h"
#include "store/FbStatement.h"
#include "store/FbTransaction.h"
#include "store/SqlUtil.h"

#include <QLocale>
#include <QMutex>

#include <limits>

namespace {

const QString DateFormat = QStringLiteral("dd/MM/yyyy");
const QString TimeFormat = QStringLiteral("HH:mm:ss");

// Joins pieces of SQL with their bound values kept in the order of their placeholders.
void append(QString *text, QVariantList *values, const QString &moreText, const QVariantList &moreValues = {})
{
    *text += moreText;
    *values += moreValues;
}

} // namespace

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

GridModel::GridModel(const QSqlDatabase &db, const QString &selectSql, const QString &keyColumn, QObject *parent)
    : QAbstractTableModel(parent), m_db(db), m_sql(selectSql)
{
    setKeyColumn(keyColumn);
}

GridModel::~GridModel() = default;

void GridModel::requireOpen(const char *what) const
{
    if (!m_open)
        throw VarnexError(QStringLiteral("Cannot %1: the list is not open.").arg(QLatin1String(what)));
}

void GridModel::requireClosed(const char *what) const
{
    if (m_open)
        throw VarnexError(QStringLiteral("The %1 of an open list cannot be changed.").arg(QLatin1String(what)));
}

void GridModel::setDatabase(const QSqlDatabase &db)
{
    requireClosed("connection");
    close(); // a description of the other database's columns
    m_db = db;
}

void GridModel::setSql(const QString &selectSql)
{
    requireClosed("SQL");
    close();
    m_sql = selectSql;
}

void GridModel::setKeyColumn(const QString &column)
{
    requireClosed("key column");
    SqlUtil::requireIdentifier(column, "key column");
    close();
    m_keyName = column;
}

void GridModel::setParam(const QString &name, const QVariant &value)
{
    m_params.set(name, value);
}

void GridModel::setPageSize(int rows)
{
    if (rows < 1)
        throw VarnexError(QStringLiteral("A list page needs at least one row, not %1.").arg(rows));
    m_pageSize = rows;
}

void GridModel::setHeaderCaption(const QString &column, const QString &caption)
{
    m_captions.insert(column.toCaseFolded(), caption);
    const int c = columnIndex(column);
    if (c >= 0)
        emit headerDataChanged(Qt::Horizontal, c, c);
}

// ---------------------------------------------------------------------------------------------
// Statements

QString GridModel::columnRef(const QString &name) const
{
    SqlUtil::requireIdentifier(name, "column");
    const int column = m_rows.indexOf(name);
    if (column < 0)
        throw VarnexError(QStringLiteral("The list has no column %1.").arg(name));
    return columnRef(column);
}

QString GridModel::columnRef(int column) const
{
    // The name as the database gave it, so that quoting keeps its letter case.
    return QStringLiteral("T.") + SqlUtil::quoteIdentifier(m_rows.field(column).name);
}

QList<GridModel::OrderColumn> GridModel::orderOf(const QList<GridSortKey> &keys) const
{
    QList<OrderColumn> order;
    for (const GridSortKey &key : keys) {
        columnRef(key.column);
        const int column = m_rows.indexOf(key.column);
        const FieldType type = m_rows.field(column).type;
        if (type == FieldType::Blob || type == FieldType::Memo)
            throw VarnexError(QStringLiteral("The list cannot be sorted by %1: it holds a blob.").arg(key.column));
        order.append({column, key.order == Qt::DescendingOrder});
        // The key is unique: nothing after it changes the order.
        if (column == m_keyColumn)
            return order;
    }
    order.append({m_keyColumn, false});
    return order;
}

GridModel::Statement GridModel::condition(const GridCondition &c) const
{
    const QString column = columnRef(c.column);
    const FieldType type = m_rows.field(m_rows.indexOf(c.column)).type;
    // A parameter takes the size of the column it is compared with, and a longer text would not
    // fit it; text is compared as text of any length instead.
    static const QString AnyText = QStringLiteral("CAST(? AS VARCHAR(8191))");
    const QString value = type == FieldType::String || type == FieldType::Memo ? AnyText : QStringLiteral("?");
    const auto compare = [&](const char *op) {
        return Statement{QStringLiteral("%1 %2 %3").arg(column, QLatin1String(op), value), {c.value}};
    };
    switch (c.op) {
    case GridCondition::Equal: return compare("=");
    case GridCondition::NotEqual: return compare("<>");
    case GridCondition::Less: return compare("<");
    case GridCondition::LessOrEqual: return compare("<=");
    case GridCondition::Greater: return compare(">");
    case GridCondition::GreaterOrEqual: return compare(">=");
    case GridCondition::Contains:
        // CONTAINING ignores letter case and knows no wildcards.
        return {QStringLiteral("%1 CONTAINING %2").arg(column, AnyText), {c.value.toString()}};
    case GridCondition::StartsWith:
        return {QStringLiteral("UPPER(%1) STARTING WITH UPPER(%2)").arg(column, AnyText), {c.value.toString()}};
    case GridCondition::IsNull: return {column + QStringLiteral(" IS NULL"), {}};
    case GridCondition::IsNotNull: return {column + QStringLiteral(" IS NOT NULL"), {}};
    }
    throw VarnexError(QStringLiteral("Unknown comparison for column %1.").arg(c.column));
}

// The rows that come after (or before) the row whose order values are given. NULL sorts lowest:
// first in ascending order, last in descending order.
GridModel::Statement GridModel::beyond(const QList<OrderColumn> &order, const QVariantList &values, bool after) const
{
    const auto beyondOne = [&](int i) -> Statement {
        const QString column = columnRef(order[i].column);
        const QVariant &v = values[i];
        const bool greater = after != order[i].descending;
        if (greater)
            return v.isValid() ? Statement{column + QStringLiteral(" > ?"), {v}}
                               : Statement{column + QStringLiteral(" IS NOT NULL"), {}};
        return v.isValid() ? Statement{QStringLiteral("(%1 IS NULL OR %1 < ?)").arg(column), {v}}
                           : Statement{QStringLiteral("1 = 0"), {}};
    };
    const auto same = [&](int i) -> Statement {
        const QString column = columnRef(order[i].column);
        return values[i].isValid() ? Statement{column + QStringLiteral(" = ?"), {values[i]}}
                                   : Statement{column + QStringLiteral(" IS NULL"), {}};
    };
    // (beyond0 OR (same0 AND (beyond1 OR (same1 AND ... beyondN))))
    Statement out;
    for (int i = 0; i < order.size(); ++i) {
        const Statement b = beyondOne(i);
        if (i + 1 == order.size()) {
            append(&out.text, &out.values, b.text, b.values);
            break;
        }
        const Statement s = same(i);
        append(&out.text, &out.values, QStringLiteral("(") + b.text + QStringLiteral(" OR ("), b.values);
        append(&out.text, &out.values, s.text + QStringLiteral(" AND "), s.values);
    }
    for (int i = 0; i + 1 < order.size(); ++i)
        out.text += QStringLiteral("))");
    return out;
}

GridModel::Statement GridModel::select(const QString &what, const QList<GridCondition> &conditions,
                                       const QList<Statement> &more) const
{
    Statement st;
    const QString base = m_params.toPositional(m_sql, &st.values, QStringLiteral("list"));
    st.text = QStringLiteral("SELECT %1 FROM (%2\n) T").arg(what, base);
    QStringList where;
    for (const GridCondition &c : conditions) {
        const Statement part = condition(c);
        where << part.text;
        st.values += part.values;
    }
    for (const Statement &part : more) {
        if (part.text.isEmpty())
            continue;
        where << part.text;
        st.values += part.values;
    }
    if (!where.isEmpty())
        st.text += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return st;
}

QString GridModel::orderBy(const QList<OrderColumn> &order, bool forward) const
{
    QStringList parts;
    for (const OrderColumn &o : order) {
        // Against the list's order every column turns round, NULLs included.
        const bool descending = forward ? o.descending : !o.descending;
        parts << columnRef(o.column) + (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" ASC NULLS FIRST"));
    }
    return parts.join(QStringLiteral(", "));
}

// In a walk upwards (ascending, NULLs first) the rows from a value on have at least that value;
// in a walk downwards (descending, NULLs last) at most that value, or none.
GridModel::Statement GridModel::boundFrom(const OrderColumn &first, const QVariant &value, bool forward) const
{
    const QString column = columnRef(first.column);
    const bool descending = forward ? first.descending : !first.descending;
    if (!descending)
        return value.isValid() ? Statement{column + QStringLiteral(" >= ?"), {value}} : Statement{};
    return value.isValid() ? Statement{QStringLiteral("(%1 <= ? OR %1 IS NULL)").arg(column), {value}}
                           : Statement{column + QStringLiteral(" IS NULL"), {}};
}

// The rows up to the page's last row, given `last`: the highest value of the first column among
// the page's rows in a walk upwards, the lowest in a walk downwards (NULL when every one is NULL).
GridModel::Statement GridModel::boundTo(const OrderColumn &first, const Statement &last, bool forward,
                                        bool mayHoldNulls) const
{
    const QString column = columnRef(first.column);
    const bool descending = forward ? first.descending : !first.descending;
    if (descending) {
        // The NULLs come last; the lowest value says nothing about whether the page reaches them.
        if (m_rows.field(first.column).required)
            return {column + QStringLiteral(" >= ") + last.text, last.values};
        return {QStringLiteral("(%1 >= %2 OR %1 IS NULL)").arg(column, last.text), last.values};
    }
    // Upwards the NULLs come first: a page of NULLs alone has no highest value.
    if (mayHoldNulls)
        return {QStringLiteral("(%1 IS NULL OR %1 <= %2)").arg(column, last.text), last.values};
    return {column + QStringLiteral(" <= ") + last.text, last.values};
}

GridModel::Statement GridModel::pageStatement(const QList<GridCondition> &conditions, const QList<OrderColumn> &order,
                                              const QVariantList &from, int rows, bool forward) const
{
    QList<Statement> limits;
    if (!from.isEmpty())
        limits << beyond(order, from, forward);
    // In the key's order alone the key's index is walked. In any other order the database would
    // sort every row beyond the start to find the page; the page is bounded on its first order
    // column instead, so that only the page's rows are sorted. The bound, the first column's
    // value at the page's last row, is worked out inside the statement from that column alone (a
    // walk of its index, where it has one). The whole rest of the list (fetchAll) has no bound.
    if (order.size() > 1) {
        const OrderColumn &first = order.first();
        if (!from.isEmpty())
            limits << boundFrom(first, from.first(), forward);
        if (rows != std::numeric_limits<int>::max()) {
            Statement firstValues = select(columnRef(first.column) + QStringLiteral(" AS PAGE_BOUND"), conditions, limits);
            append(&firstValues.text, &firstValues.values, QStringLiteral(" ORDER BY %1 ROWS ?").arg(orderBy({first}, forward)),
                   {rows});
            const bool upwards = forward != first.descending;
            const Statement last{QStringLiteral("(SELECT %1(B.PAGE_BOUND) FROM (%2) B)")
                                     .arg(upwards ? QStringLiteral("MAX") : QStringLiteral("MIN"), firstValues.text),
                                 firstValues.values};
            limits << boundTo(first, last, forward, from.isEmpty() || !from.first().isValid());
        }
    }
    Statement st = select(QStringLiteral("*"), conditions, limits);
    append(&st.text, &st.values, QStringLiteral(" ORDER BY %1 ROWS ?").arg(orderBy(order, forward)), {rows});
    return st;
}

DataTable GridModel::readPage(const QList<GridCondition> &conditions, const QList<OrderColumn> &order,
                              const QVariantList &from, int rows, bool forward) const
{
    return readRows(pageStatement(conditions, order, from, rows, forward));
}

QVariantList GridModel::orderValues(const DataTable &rows, int row, const QList<OrderColumn> &order) const
{
    QVariantList values;
    for (const OrderColumn &o : order)
        values << rows.value(row, o.column);
    if (!values.constLast().isValid())
        throw VarnexError(QStringLiteral("The key column %1 of the list holds an empty value.")
                              .arg(m_rows.field(m_keyColumn).name));
    return values;
}

void GridModel::requireConnection() const
{
    if (!m_db.isOpen())
        throw VarnexError(QStringLiteral("The list cannot be read: its database connection is not open."));
}

qint64 GridModel::count(const Statement &statement) const
{
    const DataTable counted = readRows(statement, {});
    return counted.rowCount() > 0 ? counted.value(0, 0).toLongLong() : 0;
}

DataTable GridModel::readRows(const Statement &statement) const
{
    return readRows(statement, m_rows.fields());
}

DataTable GridModel::readRows(const Statement &statement, const QList<FieldDef> &fields) const
{
    // The statement runs in the operation's read transaction and its rows are read to the end: no
    // cursor stays open on the connection.
    requireConnection();
    ReadScope read(m_db);
    try {
        return DataTable::readStatement(read.transaction(), read.prepared(statement.text), statement.values, fields);
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("The list could not be read: %1").arg(e.message()));
    }
}

DataTable GridModel::readStatement(const GridStatement &statement) const
{
    return readRows(Statement{statement.text, statement.values}, {});
}

// ---------------------------------------------------------------------------------------------
// Reading

void GridModel::requery(const QList<GridSortKey> &sort, const QList<GridCondition> &filter, int rows)
{
    ReadScope read(m_db);
    const QList<OrderColumn> order = orderOf(sort);
    const DataTable first = readPage(filter, order, {}, rows, true);

    beginResetModel();
    m_sort = sort;
    m_filter = filter;
    m_order = order;
    m_rows = first;
    m_atEnd = first.rowCount() < rows;
    m_atStart = true;
    endResetModel();
}

void GridModel::fetchRows(int count)
{
    if (!m_open || m_atEnd || count <= 0)
        return;
    ReadScope read(m_db);
    const int last = m_rows.rowCount() - 1;
    const DataTable next =
        readPage(m_filter, m_order, last < 0 ? QVariantList() : orderValues(m_rows, last, m_order), count, true);
    if (next.rowCount() < count)
        m_atEnd = true;
    if (next.rowCount() == 0)
        return;
    beginInsertRows(QModelIndex(), m_rows.rowCount(), m_rows.rowCount() + next.rowCount() - 1);
    m_rows.appendRows(next);
    endInsertRows();
}

namespace {
QMutex g_descriptionsLock;
QHash<QString, QList<FieldDef>> g_descriptions;
} // namespace

QList<FieldDef> GridModel::describedColumns(const QString &key)
{
    QMutexLocker lock(&g_descriptionsLock);
    return g_descriptions.value(key);
}

void GridModel::rememberColumns(const QString &key, const QList<FieldDef> &fields)
{
    QMutexLocker lock(&g_descriptionsLock);
    // Bounded: a program has a few dozen lists; an odd one built from changing text must not grow
    // this for ever.
    if (g_descriptions.size() >= 256)
        g_descriptions.clear();
    g_descriptions.insert(key, fields);
}

void GridModel::open()
{
    openAt(QVariant());
}

DataTable GridModel::describedTable() const
{
    if (m_sql.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("Cannot open the list: it has no SQL."));
    if (m_keyName.isEmpty())
        throw VarnexError(QStringLiteral("Cannot open the list: it has no key column."));

    // The columns, before any condition or order names one of them. A list of the same SELECT on
    // the same database was described before (a picker opens many times a session): that
    // description serves, and the first page is the first statement.
    const QString descriptionKey = m_db.databaseName() + QLatin1Char('\n') + m_sql;
    QList<FieldDef> fields = describedColumns(descriptionKey);
    if (fields.isEmpty()) {
        requireConnection();
        ReadScope read(m_db);
        fields = DataTable::fieldsOfStatement(read.prepared(select(QStringLiteral("*"), {}).text), read.transaction());
        rememberColumns(descriptionKey, fields);
    }
    const DataTable described(fields);
    if (described.indexOf(m_keyName) < 0)
        throw VarnexError(QStringLiteral("Cannot open the list: it has no key column %1.").arg(m_keyName));
    return described;
}

void GridModel::describe()
{
    if (m_open)
        return;
    const DataTable described = describedTable();
    beginResetModel();
    m_rows = described;
    m_keyColumn = described.indexOf(m_keyName);
    endResetModel();
}

int GridModel::openAt(const QVariant &key)
{
    ReadScope read(m_db);
    if (m_open)
        return key.isValid() ? seekKey(key) : -1;
    const DataTable described = describedTable();

    beginResetModel();
    m_rows = described;
    m_keyColumn = described.indexOf(m_keyName);
    m_open = true;
    m_atEnd = true;
    endResetModel();
    try {
        if (key.isValid()) {
            // Straight to the row, without the list's first page.
            m_order = orderOf(m_sort);
            const int row = repositionAtKey(key);
            if (row >= 0)
                return row;
        }
        requery(m_sort, m_filter, m_pageSize);
    } catch (...) {
        close();
        throw;
    }
    return -1;
}

void GridModel::close()
{
    if (!m_open && m_rows.fieldCount() == 0)
        return;
    beginResetModel();
    m_open = false;
    m_atEnd = true;
    m_atStart = true;
    m_rows.clear();
    m_keyColumn = -1;
    m_order.clear();
    endResetModel();
}

void GridModel::setSort(const QList<GridSortKey> &keys)
{
    for (const GridSortKey &k : keys)
        SqlUtil::requireIdentifier(k.column, "column");
    if (m_open)
        requery(keys, m_filter, m_pageSize);
    else
        m_sort = keys;
}

void GridModel::setFilter(const QList<GridCondition> &conditions)
{
    for (const GridCondition &c : conditions)
        SqlUtil::requireIdentifier(c.column, "column");
    if (m_open)
        requery(m_sort, conditions, m_pageSize);
    else
        m_filter = conditions;
}

int GridModel::refresh(const QVariant &keepKey)
{
    ReadScope read(m_db);
    if (m_open && !m_atStart) {
        // A stretch further down is read anew from the row kept.
        if (keepKey.isValid()) {
            const int row = repositionAtKey(keepKey);
            if (row >= 0)
                return row;
        }
        requery(m_sort, m_filter, m_pageSize);
        return -1;
    }
    if (!m_open)
        open();
    else
        requery(m_sort, m_filter, qMax(m_pageSize, m_rows.rowCount()));
    return keepKey.isValid() ? findKey(keepKey) : -1;
}

int GridModel::findKey(const QVariant &key)
{
    requireOpen("find a row");
    const int row = rowOfKey(key);
    if (row >= 0)
        return row;
    ReadScope read(m_db);
    if (!m_atStart)
        return seekKey(key);
    return readUpTo(keyRow(key));
}

DataTable GridModel::keyRow(const QVariant &key) const
{
    // One row at most: no order to walk.
    return readRows(select(QStringLiteral("*"), m_filter + QList<GridCondition>{{m_keyName, GridCondition::Equal, key}}));
}

int GridModel::locate(const QList<GridCondition> &conditions)
{
    requireOpen("search the list");
    ReadScope read(m_db);
    // Positions count from the list's start; a stretch further down has none.
    if (!m_atStart)
        return seek(conditions);
    return readUpTo(readPage(m_filter + conditions, m_order, {}, 1, true));
}

int GridModel::readUpTo(const DataTable &found)
{
    // The row found...
    if (found.rowCount() == 0)
        return -1;
    const QVariantList target = orderValues(found, 0, m_order);

    // ...has this many rows of the list before it; read up to it in one statement.
    const qint64 position =
        count(select(QStringLiteral("COUNT(*)"), m_filter, {beyond(m_order, target, false)}));
    if (position >= m_rows.rowCount())
        fetchRows(int(qMin<qint64>(position + 1 - m_rows.rowCount(), std::numeric_limits<int>::max())));

    // Rows may have come or gone since the rows above were read: look for the key itself.
    const QVariant key = target.constLast();
    if (position < m_rows.rowCount() && m_rows.value(int(position), m_keyColumn) == key)
        return int(position);
    for (int r = 0; r < m_rows.rowCount(); ++r) {
        if (m_rows.value(r, m_keyColumn) == key)
            return r;
    }
    return -1;
}

int GridModel::seek(const QList<GridCondition> &conditions)
{
    requireOpen("search the list");
    ReadScope read(m_db);
    const DataTable found = readPage(m_filter + conditions, m_order, {}, 1, true);
    if (found.rowCount() == 0)
        return -1;
    const int row = rowOfKey(found.value(0, m_keyColumn));
    return row >= 0 ? row : reposition(found);
}

int GridModel::seekKey(const QVariant &key)
{
    requireOpen("find a row");
    const int row = rowOfKey(key);
    if (row >= 0)
        return row;
    return repositionAtKey(key);
}

int GridModel::repositionAtKey(const QVariant &key)
{
    ReadScope read(m_db);
    const DataTable found = keyRow(key);
    return found.rowCount() > 0 ? reposition(found) : -1;
}

int GridModel::reposition(const DataTable &found)
{
    // A page from the row on. The rows before it are read when the view asks for them: reading
    // them against the list's order would have the database sort them, where an index of the
    // order's first column can be walked only forwards.
    const int more = m_pageSize - 1;
    const DataTable from =
        more > 0 ? readPage(m_filter, m_order, orderValues(found, 0, m_order), more, true) : DataTable(m_rows.fields());
    DataTable rows(m_rows.fields());
    rows.appendRows(found);
    rows.appendRows(from);

    beginResetModel();
    m_rows = rows;
    m_atStart = false;
    m_atEnd = more > 0 && from.rowCount() < more;
    endResetModel();
    return 0;
}

int GridModel::rowOfKey(const QVariant &key) const
{
    for (int r = 0; r < m_rows.rowCount(); ++r) {
        if (m_rows.value(r, m_keyColumn) == key)
            return r;
    }
    return -1;
}

void GridModel::readBefore(int count)
{
    if (!m_open || m_atStart || count <= 0)
        return;
    ReadScope read(m_db);
    const DataTable above =
        m_rows.rowCount() > 0 ? readPage(m_filter, m_order, orderValues(m_rows, 0, m_order), count, false) : DataTable();
    if (above.rowCount() < count)
        m_atStart = true;
    if (above.rowCount() == 0)
        return;
    DataTable rows(m_rows.fields());
    rows.reserveRows(above.rowCount() + m_rows.rowCount());
    for (int r = above.rowCount() - 1; r >= 0; --r)
        rows.appendRow(above.row(r));
    rows.appendRows(m_rows);
    beginInsertRows(QModelIndex(), 0, above.rowCount() - 1);
    m_rows = rows;
    endInsertRows();
}

void GridModel::fetchBefore(int count)
{
    try {
        readBefore(count);
    } catch (const VarnexError &e) {
        // As fetchMore: no further rows are asked for until the list is read again.
        m_atStart = true;
        report(e.message());
    }
}

int GridModel::toFirst()
{
    requireOpen("read the list");
    ReadScope read(m_db);
    if (!m_atStart)
        requery(m_sort, m_filter, m_pageSize);
    return m_rows.rowCount() > 0 ? 0 : -1;
}

int GridModel::toLast()
{
    requireOpen("read the list");
    ReadScope read(m_db);
    if (!m_atEnd) {
        const DataTable tail = readPage(m_filter, m_order, {}, m_pageSize, false);
        DataTable rows(m_rows.fields());
        rows.reserveRows(tail.rowCount());
        for (int r = tail.rowCount() - 1; r >= 0; --r)
            rows.appendRow(tail.row(r));
        beginResetModel();
        m_rows = rows;
        m_atEnd = true;
        m_atStart = tail.rowCount() < m_pageSize;
        endResetModel();
    }
    return m_rows.rowCount() - 1;
}

void GridModel::fetchAll()
{
    requireOpen("read the list");
    ReadScope read(m_db);
    readBefore(std::numeric_limits<int>::max());
    fetchRows(std::numeric_limits<int>::max());
}

QString GridModel::columnSql(const QString &name) const
{
    return columnRef(name);
}

GridStatement GridModel::selectStatement(const QString &what, const QList<GridCondition> &more, bool ordered) const
{
    const Statement st = select(what, m_filter + more);
    GridStatement out{st.text, st.values};
    if (ordered) {
        // The order of an open list, or the order it will have.
        out.text += QStringLiteral(" ORDER BY ") + orderBy(m_open ? m_order : orderOf(m_sort), true);
    }
    return out;
}

qint64 GridModel::totalCount() const
{
    requireOpen("count the rows");
    ReadScope read(m_db);
    return count(select(QStringLiteral("COUNT(*)"), m_filter));
}

// ---------------------------------------------------------------------------------------------
// Columns and values

int GridModel::columnIndex(const QString &name) const
{
    return m_rows.indexOf(name);
}

QString GridModel::columnName(int column) const
{
    return field(column).name;
}

const FieldDef &GridModel::field(int column) const
{
    if (column < 0 || column >= m_rows.fieldCount())
        throw VarnexError(QStringLiteral("The list has no column number %1.").arg(column));
    return m_rows.field(column);
}

QVariant GridModel::value(int row, int column) const
{
    field(column);
    if (row < 0 || row >= m_rows.rowCount())
        throw VarnexError(QStringLiteral("The list has no row %1 (%2 rows read).").arg(row).arg(m_rows.rowCount()));
    return m_rows.value(row, column);
}

QVariant GridModel::value(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0)
        throw VarnexError(QStringLiteral("The list has no column %1.").arg(column));
    return value(row, c);
}

QVariant GridModel::keyOf(int row) const
{
    requireOpen("read a key");
    return value(row, m_keyColumn);
}

QString GridModel::displayText(const FieldDef &field, const QVariant &value)
{
    if (!value.isValid())
        return QString();
    switch (field.type) {
    case FieldType::Date:
        return value.toDate().toString(DateFormat);
    case FieldType::Time:
        return value.toTime().toString(TimeFormat);
    case FieldType::Timestamp: {
        // The reading, also for one that the local zone skips.
        const QDateTime dt = value.toDateTime();
        return dt.date().toString(DateFormat) + QLatin1Char(' ') + dt.time().toString(TimeFormat);
    }
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("T") : QStringLiteral("F");
    case FieldType::Float:
        return QLocale::c().toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case FieldType::Blob:
        return QString();
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Decimal: // already at its scale
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
        break;
    }
    return value.toString();
}

// ---------------------------------------------------------------------------------------------
// The model seen by views

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.rowCount();
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.fieldCount();
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.rowCount() || index.column() >= m_rows.fieldCount())
        return QVariant();
    const QVariant v = m_rows.value(index.row(), index.column());
    if (role == Qt::DisplayRole)
        return displayText(m_rows.field(index.column()), v);
    if (role == Qt::EditRole)
        return v;
    return QVariant();
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_rows.fieldCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString name = m_rows.field(section).name;
    return m_captions.value(name.toCaseFolded(), name);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool GridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_open && !m_atEnd;
}

void GridModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    try {
        fetchRows(m_pageSize);
    } catch (const VarnexError &e) {
        // A view asks for pages while it paints; it cannot take an exception. No further page is
        // asked for until the list is read again.
        m_atEnd = true;
        report(e.message());
    }
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    try {
        if (column < 0)
            setSort({});
        else
            setSort({{columnName(column), order}});
    } catch (const VarnexError &e) {
        report(e.message());
    }
}

void GridModel::report(const QString &message)
{
    m_lastError = message;
    emit loadFailed(message);
}
