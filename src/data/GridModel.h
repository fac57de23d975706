#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "data/DataTable.h"
#include "data/NamedParameters.h"

// One column of a list's order.
struct GridSortKey
{
    QString column;
    Qt::SortOrder order = Qt::AscendingOrder;
};

// A condition on one column of a list. The value is always bound as a parameter, so any text is
// just a value; the column name must be a plain identifier and a column of the list.
struct GridCondition
{
    enum Op {
        Equal,
        NotEqual,
        Less,
        LessOrEqual,
        Greater,
        GreaterOrEqual,
        Contains,   // the value's text anywhere in the column's, letter case ignored, no wildcards
        StartsWith, // the column's text begins with the value's, letter case ignored, no wildcards
        IsNull,     // no value needed
        IsNotNull,  // no value needed
    };

    QString column;
    Op op = Equal;
    QVariant value; // a NULL value matches no row in a comparison: use IsNull
};

// A statement over a list: its text with a "?" for each value, and the values in that order.
struct GridStatement
{
    QString text;
    QVariantList values;
};

// The rows of a SELECT on the local store as a table model for lists, pickers and browsers: rows
// are read a page at a time as the view asks for them (canFetchMore/fetchMore), never all at once,
// and sorting or filtering reads the list again from its first page.
//
// The SELECT has no ORDER BY, names every column (aliases for expressions; no two columns of one
// name) and may have named parameters (":name"). The list's order, its filter and its paging are
// added around it, and the key column (unique and never NULL, such as UNIQUE_UUID) ends every
// order, so that the order is total.
//
// Paging is by key, not by cursor or offset: each page is a short statement asking for the rows
// that follow the last row read, in the list's order ("ROWS n"). Every operation (opening, a page,
// a search, a count) reads in one read-only read-committed transaction of its own beside the
// connection's (store/FbTransaction.h: ReadScope), which costs no write when it ends, with its
// statements kept prepared for the connection. The statement is finished and the transaction
// ended before the page is shown, so the list holds no cursor and no transaction open while the
// user looks at it: the connection's own unit of work starts and commits freely in between, and
// the database's clean-up of old row versions is never held back by a list left open for hours.
// The list reads what is committed: a change made in a transaction not yet committed on the same
// connection is not among its rows.
// A page far down the list costs what the first one costs where the order can use an index, where
// an offset would re-read every row before it; and rows inserted or deleted between two pages
// neither repeat nor skip a row. What is shown is what each page found; refresh() reads it anew.
// In the key's order alone an indexed key is walked directly. In any other order the page is
// bounded, so that the database never sorts the whole list: a subquery of the page's statement
// finds the value of the first order column at the page's last row (a walk of that column's
// index, where it has one, reading that column alone), and only the rows between the last row
// read and that value are sorted in full. The bounds follow from the order, so the rows are those
// the unbounded statement would give.
//
// The rows read are a stretch of the list, which need not begin at its first row: seek() reads
// the list around a row far down without the rows before it (a picker opened on its bookmark, a
// search as the user types), and the rows above are read as the view scrolls up (fetchBefore).
//
// Text values are as the database holds them; data() gives Qt::DisplayRole as the user sees it
// (dates "dd/MM/yyyy", decimals at their scale, Booleans "T"/"F") and Qt::EditRole as the value
// itself (see DataTable for each type's form), a NULL being an invalid QVariant.
//
// Set-up, open, sorting, filtering, refresh and search throw VarnexError with a text that names
// what was wrong, and leave the list as it was. The calls a view makes (fetchMore, sort) never
// throw: they emit loadFailed and keep the rows already shown.
//
// A list belongs to the thread of its connection, as the connection does.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int DefaultPageSize = 200;

    explicit GridModel(QObject *parent = nullptr);
    GridModel(const QSqlDatabase &db, const QString &selectSql, const QString &keyColumn,
              QObject *parent = nullptr);
    ~GridModel() override;

    // Set-up; the connection, the SQL and the key can be changed only while the list is closed.
    void setDatabase(const QSqlDatabase &db);
    QSqlDatabase database() const { return m_db; }
    void setSql(const QString &selectSql);
    QString sql() const { return m_sql; }
    void setKeyColumn(const QString &column);
    QString keyColumn() const { return m_keyName; }
    // A value for a named parameter of the SELECT; takes effect at the next open or refresh.
    void setParam(const QString &name, const QVariant &value);
    void setPageSize(int rows);
    int pageSize() const { return m_pageSize; }
    // The header of a column; a column without one is headed by its name.
    void setHeaderCaption(const QString &column, const QString &caption);

    // Reads the list's columns, without any row, so that statements over the list can be built
    // (columnSql, selectStatement) while it is closed. A SELECT is described once a program run on
    // each database; opening describes as well.
    void describe();

    // Reads the first page.
    void open();
    // Opens the list at the row of the key, as seekKey does, without reading the first page;
    // returns its row, or -1 (the first page read) when no row of the list has the key. On an
    // open list, seekKey.
    int openAt(const QVariant &key);
    void close();
    bool isOpen() const { return m_open; }

    // The order and the filter (conditions joined by AND). While open, a change reads the list
    // again from its first page; a column that the list does not have is refused.
    void setSort(const QList<GridSortKey> &keys);
    QList<GridSortKey> sortKeys() const { return m_sort; }
    void setFilter(const QList<GridCondition> &conditions);
    QList<GridCondition> filter() const { return m_filter; }

    // Reads the list again, at least as many rows as were read before, and returns the row of
    // keepKey afterwards (reading further when it has moved down), or -1 when it is gone or no
    // key was given. Opens the list when it is closed. Rows read around a seek are read around
    // keepKey again (from the list's start when there is no key or it is gone).
    int refresh(const QVariant &keepKey = QVariant());
    // The row of the given key, reading pages up to it; -1 when no row of the list has it.
    int findKey(const QVariant &key);
    // The first row, in the list's order, that meets every condition as well as the filter,
    // reading pages up to it; -1 when there is none. (After a seek: as seek.)
    int locate(const QList<GridCondition> &conditions);
    // As locate, but the rows before the row found are not read: when it is not among the rows
    // read, the list is read anew from it (a page), and the rows before it are read when asked
    // for (fetchBefore). Returns its row, or -1 (nothing read again) when there is none.
    // Incremental search is a StartsWith.
    int seek(const QList<GridCondition> &conditions);
    int seekKey(const QVariant &key);
    // Whether rows before the first row read exist; fetchBefore reads up to count of them, in the
    // list's order, inserted before the rows read (and, as fetchMore, never throws).
    bool canFetchBefore() const { return m_open && !m_atStart; }
    void fetchBefore(int count);
    // Reads the first page, or the last page, of the list (only what is not read already);
    // returns the first, or the last, row.
    int toFirst();
    int toLast();
    // Reads every remaining row (an export of the whole list).
    void fetchAll();
    // The number of rows the list has with its filter, whatever has been read of it.
    qint64 totalCount() const;

    // Columns and values of the rows read so far. Unknown names and rows beyond those read throw.
    int columnIndex(const QString &name) const; // letter case ignored; -1 when there is none
    QString columnName(int column) const;
    const FieldDef &field(int column) const;
    QVariant value(int row, int column) const;
    QVariant value(int row, const QString &column) const;
    QVariant keyOf(int row) const;

    // A column of the list as SQL for selectStatement, checked to be one of its columns.
    QString columnSql(const QString &name) const;
    // "SELECT what FROM (the list's SELECT) T" with the filter and the further conditions, every
    // value bound; ordered, it ends with the list's ORDER BY (the key last). For what the list does
    // not offer (a count by group, a column of every row); needs the columns (describe or open).
    GridStatement selectStatement(const QString &what, const QList<GridCondition> &more = {},
                                  bool ordered = false) const;

    // The rows of a statement over the list (selectStatement), read in the list's read transaction
    // (that of the operation under way on its connection, if any).
    DataTable readStatement(const GridStatement &statement) const;

    // The text of the last failure reported by loadFailed.
    QString lastError() const { return m_lastError; }

    // A value as a list shows it.
    static QString displayText(const FieldDef &field, const QVariant &value);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    // A column below 0 returns the list to its key order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // A page or a new order could not be read; the rows already shown stay.
    void loadFailed(const QString &message);

private:
    struct OrderColumn
    {
        int column;
        bool descending;
    };
    struct Statement
    {
        QString text;
        QVariantList values;
    };

    // The columns a SELECT on a database was found to have, kept for the program's run.
    static QList<FieldDef> describedColumns(const QString &key);
    static void rememberColumns(const QString &key, const QList<FieldDef> &fields);
    // The columns of the SELECT, described when they are not known yet; checks the key column.
    DataTable describedTable() const;

    void requireOpen(const char *what) const;
    void requireClosed(const char *what) const;
    // A column in SQL; by name, checked to be a plain identifier and a column of the list.
    QString columnRef(const QString &name) const;
    QString columnRef(int column) const;
    QList<OrderColumn> orderOf(const QList<GridSortKey> &keys) const;
    // "SELECT what FROM (the list's SELECT) T" with the conditions and the further parts (empty
    // ones left out), joined by AND.
    Statement select(const QString &what, const QList<GridCondition> &conditions,
                     const QList<Statement> &more = {}) const;
    Statement condition(const GridCondition &c) const;
    // The rows beyond the row of the given order values, in the list's order when after, against
    // it otherwise.
    Statement beyond(const QList<OrderColumn> &order, const QVariantList &values, bool after) const;
    QString orderBy(const QList<OrderColumn> &order, bool forward) const;
    // Conditions on the first order column implied by a page: rows from the given value on, and
    // rows up to the page's last value, in the walk's direction.
    Statement boundFrom(const OrderColumn &first, const QVariant &value, bool forward) const;
    Statement boundTo(const OrderColumn &first, const Statement &last, bool forward, bool mayHoldNulls) const;
    // The statement of up to `rows` rows of the list beyond the given order values (all from the
    // start, or the end, without them): in the list's order when forward, against it otherwise.
    Statement pageStatement(const QList<GridCondition> &conditions, const QList<OrderColumn> &order,
                            const QVariantList &from, int rows, bool forward) const;
    DataTable readPage(const QList<GridCondition> &conditions, const QList<OrderColumn> &order,
                       const QVariantList &from, int rows, bool forward) const;
    QVariantList orderValues(const DataTable &rows, int row, const QList<OrderColumn> &order) const;
    // Throws unless the connection is open.
    void requireConnection() const;
    qint64 count(const Statement &statement) const;
    DataTable readRows(const Statement &statement) const;
    DataTable readRows(const Statement &statement, const QList<FieldDef> &fields) const;
    void requery(const QList<GridSortKey> &sort, const QList<GridCondition> &filter, int rows);
    void fetchRows(int count);
    void readBefore(int count);
    // The row of the list with the key (none or one).
    DataTable keyRow(const QVariant &key) const;
    // Reads up to the row found (a table of it, maybe empty) from the list's start; its row or -1.
    int readUpTo(const DataTable &found);
    // Reads the list anew from the row found (a table of that one row); returns its index, 0.
    int reposition(const DataTable &found);
    // Reads the list anew from the row of the key (its row, then the page after it); its index
    // (0), or -1 when no row of the list has the key.
    int repositionAtKey(const QVariant &key);
    int rowOfKey(const QVariant &key) const;
    void report(const QString &message);

    QSqlDatabase m_db;
    QString m_sql;
    QString m_keyName;
    NamedParameters m_params;
    int m_pageSize = DefaultPageSize;
    QHash<QString, QString> m_captions; // case-folded column name -> caption

    QList<GridSortKey> m_sort;
    QList<GridCondition> m_filter;

    bool m_open = false;
    bool m_atEnd = true;
    bool m_atStart = true;      // the first row read is the list's first row
    DataTable m_rows;          // the fields of the list and the rows read so far
    int m_keyColumn = -1;
    QList<OrderColumn> m_order; // m_sort resolved, ending with the key
    QString m_lastError;
};
