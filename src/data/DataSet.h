#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include "data/NamedParameters.h"

#include <functional>

// An editable dataset over one SELECT on a given connection: the rows are fetched when it opens,
// one row is current, and the current row can be edited, inserted, posted, cancelled or deleted.
// Reading every row at once suits a form over one row or a few; lists, pickers and browsers use
// GridModel, which reads a page at a time.
//
// Posting writes through statements generated for one named update table and its key columns,
// with every value bound as a parameter, so that the table's triggers run; the row is then read
// back from the table so that the values the server set (ids, timestamps, defaults) are seen.
// Columns of the SELECT that are not columns of the update table (joins, aliases, expressions)
// are read-only; computed columns are read back but never written.
//
// Statements run on the dataset's connection and therefore inside whatever transaction the owner
// of that connection has started (QIBASE runs one transaction per connection); without one, each
// statement commits on its own.
//
// A NULL value is distinct from empty text: value() of a NULL column is a null QVariant and
// isNull() is true; setValue(name, QString("")) stores empty text, setValue(name, QVariant())
// stores NULL.
//
// Failures throw VarnexError with a text that names what was wrong; a failed post or delete
// leaves the dataset in the state it had, with every edit kept.
class SqlDataSet : public QObject
{
    Q_OBJECT
public:
    enum State { dsInactive, dsBrowse, dsEdit, dsInsert };
    Q_ENUM(State)

    explicit SqlDataSet(QObject *parent = nullptr);
    SqlDataSet(const QSqlDatabase &db, const QString &selectSql, QObject *parent = nullptr);
    ~SqlDataSet() override;

    // Set-up; the connection and the SQL can be changed only while the dataset is closed.
    void setDatabase(const QSqlDatabase &db);
    QSqlDatabase database() const { return m_db; }
    // A SELECT with named parameters (":name"); parameter names compare without letter case.
    void setSql(const QString &selectSql);
    QString sql() const { return m_sql; }
    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const;
    bool hasParam(const QString &name) const;
    QStringList paramNames() const; // as written in the SQL, in order of first appearance
    // The table that post and delete write to and the column(s) that identify its rows.
    void setUpdateTable(const QString &table, const QStringList &keyFields);
    QString updateTable() const { return m_updateTable; }
    QStringList keyFields() const { return m_keyFields; }
    // Columns that must hold a value (not NULL, not empty text) when a row is posted.
    void setRequiredFields(const QStringList &fields) { m_required = fields; }
    QStringList requiredFields() const { return m_required; }
    // A read-only dataset refuses edit, insert, delete and value changes.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // Whether data-aware editors may put the dataset into edit state when the user types.
    void setAutoEdit(bool autoEdit);
    bool autoEdit() const { return m_autoEdit; }
    // True when the dataset can take edits at all (not read-only and an update table is set).
    bool canModify() const { return !m_readOnly && !m_updateTable.isEmpty(); }

    // Hooks. beforeOpen may set parameters; onNewRecord gives a new row its defaults (values set
    // there are written on insert); beforePost may throw VarnexError to stop the post.
    std::function<void(SqlDataSet &)> beforeOpen;
    std::function<void(SqlDataSet &)> onNewRecord;
    std::function<void(SqlDataSet &)> beforePost;
    // Wraps the writing of a post (the insert or update and the reading back of the row): called
    // with the write to run, after beforePost and the required columns. It may run the write in a
    // unit of work of its own (one short transaction) with reads and last values before it, and
    // throw to refuse. Whatever fails in it, the commit included, the row stays being edited as it
    // was before the post began.
    std::function<void(SqlDataSet &, const std::function<void()> &write)> aroundWrite;

    // Lifecycle.
    void open();
    void close();
    // Runs the SELECT again and keeps the current row (by key when there is one). Refused while
    // a row is being edited or inserted.
    void refresh();
    bool isActive() const { return m_state != dsInactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == dsEdit || m_state == dsInsert; }

    // Navigation. recNo() is the 0-based current row, -1 when there is none.
    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int recNo() const { return m_current; }
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    // Moves to the first row whose columns equal the given values (text compared exactly, NULL
    // matches NULL); returns false and stays when there is none.
    bool locate(const QVariantMap &values);
    bool locate(const QString &field, const QVariant &value);

    // Fields of the current row (in edit or insert state, of the row being edited).
    int fieldCount() const { return int(m_fields.size()); }
    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const; // -1 when there is no such column
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }
    QVariant value(const QString &name) const;
    QVariant value(int index) const;
    bool isNull(const QString &name) const;
    // The value as text; NULL gives empty text.
    QString text(const QString &name) const;
    // Only in edit or insert state; throws otherwise and for a read-only column.
    void setValue(const QString &name, const QVariant &value);
    void clearValue(const QString &name) { setValue(name, QVariant()); }
    bool isModified(const QString &name) const;
    // False for columns that are not columns of the update table, computed columns and every
    // column of a dataset that cannot be modified.
    bool isFieldWritable(const QString &name) const;
    // The characters a text column of the update table holds (CHAR, VARCHAR); 0 for any other
    // column. setValue refuses longer text with a message naming the column and its limit, so
    // nothing fails later on truncation.
    int fieldMaxLength(const QString &name) const;

    // Editing.
    void edit();
    void insert(); // a new row before the current one
    void append(); // a new row after the last one
    void post();
    void cancel();
    void deleteRecord();

    // The text of the failure when a value is written while no row is being edited.
    static QString notEditingMessage();

signals:
    void stateChanged(SqlDataSet::State state);
    // Whether the rows may be changed, or editing may start by typing, changed (setReadOnly,
    // setAutoEdit): editors show whether they take input.
    void editRulesChanged();
    // After the current row moved to another row, or the rows were read again.
    void currentRowChanged(int row);
    // A value of the current row was changed (by setValue or by reading the row back).
    void fieldChanged(const QString &name);
    void afterOpen();
    void afterClose();
    void afterInsert();
    void afterEdit();
    void afterPost();
    void afterCancel();
    void afterDelete();

private:
    struct TableColumn
    {
        QString name;
        bool computed = false;
        int maxLength = 0; // characters of a text column; 0 for others
    };

    void requireActive(const char *what) const;
    void requireModifiable() const;
    void loadTableColumns();
    void setState(State s);
    void setCurrent(int row, bool force = false);
    void beginNewRow(bool atEnd);
    QList<QVariant> keyValuesOf(const QList<QVariant> &row) const;
    void writeInsert();
    void writeUpdate();
    void readBack(const QList<QVariant> &keyValues);
    QVariant bindable(int column, const QVariant &value) const;

    QSqlDatabase m_db;
    QString m_sql;
    NamedParameters m_params;
    QString m_updateTable;
    QStringList m_keyFields;
    QStringList m_required;
    bool m_readOnly = false;
    bool m_autoEdit = true;

    State m_state = dsInactive;
    QStringList m_fields;
    QList<int> m_fieldTypes; // QMetaType ids of the columns
    QHash<QString, int> m_fieldIndex; // upper-case name -> column
    QList<QList<QVariant>> m_rows;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;

    // The row being edited or inserted, its modified columns, and where it came from.
    QList<QVariant> m_buffer;
    QList<bool> m_modified;
    int m_savedCurrent = -1; // the row that was current before an insert

    // Columns of the update table that the SELECT also returns: column index -> table column.
    QHash<int, TableColumn> m_tableColumns;
    QList<int> m_keyColumns;
};
