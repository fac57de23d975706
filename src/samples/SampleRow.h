#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

class DataTable;
class SqlDataSet;

// One sample (or template) row as the record rules, the rule engine and VerifyAll see it: columns
// read and written by name (the column names of SAMPLE, upper case), whatever holds the row — the
// editors' dataset, an import's in-memory table, a map in a test.
//
// Reading: value() of a column the row does not have is NULL. text() reads NULL as empty text,
// which is what "empty" means in every rule.
//
// Writing: setValue() writes only when the value differs, so a rule that puts back what is there
// marks nothing as changed and a dataset writes only the columns that really changed. clear()
// writes NULL, and nothing when the column already reads empty (so clearing a column the row does
// not have is harmless, while writing a value into one throws).
class SampleRow
{
public:
    virtual ~SampleRow() = default;

    virtual bool hasColumn(const QString &column) const = 0;
    virtual QVariant value(const QString &column) const = 0;
    virtual void setValue(const QString &column, const QVariant &value) = 0;

    bool isNull(const QString &column) const;
    QString text(const QString &column) const;
    bool isEmpty(const QString &column) const { return text(column).isEmpty(); }
    // text(column) equals the given text exactly (letter case counts).
    bool is(const QString &column, const QString &text) const { return this->text(column) == text; }
    // A one-character flag is set only when it holds "T"; empty and NULL count as not set.
    bool flag(const QString &column) const { return is(column, QStringLiteral("T")); }
    // The column as an integer; NULL and text that is not a whole number read as 0.
    int integer(const QString &column) const;

    // Writes the text unless the column already reads so; empty text clears the column.
    void setText(const QString &column, const QString &text);
    void clear(const QString &column);
};

// A row held in a QVariantMap (an import's parsed record, a test's fixture). Keys are the column
// names as given. The map stands for a whole row: it has every column, a missing key reads NULL
// and a write adds it.
class VariantMapRow : public SampleRow
{
public:
    explicit VariantMapRow(QVariantMap &values) : m_values(values) {}

    bool hasColumn(const QString &) const override { return true; }
    QVariant value(const QString &column) const override { return m_values.value(column); }
    void setValue(const QString &column, const QVariant &value) override;

private:
    QVariantMap &m_values;
};

// One row of an in-memory table; column names compare without letter case. A write converts the
// value to the column's type and throws VarnexError, naming the column and the value, when it
// does not fit (or when the table has no such column).
class DataTableRow : public SampleRow
{
public:
    DataTableRow(DataTable &table, int row) : m_table(table), m_row(row) {}

    bool hasColumn(const QString &column) const override;
    QVariant value(const QString &column) const override;
    void setValue(const QString &column, const QVariant &value) override;

private:
    DataTable &m_table;
    int m_row;
};

// The current row of an editable dataset (the editors' sample query): reads the row being edited
// while one is, and writes through SqlDataSet::setValue, so writes need edit or insert state and
// throw VarnexError otherwise (and for a column the dataset does not have).
class DataSetRow : public SampleRow
{
public:
    explicit DataSetRow(SqlDataSet &dataSet) : m_dataSet(dataSet) {}

    bool hasColumn(const QString &column) const override;
    QVariant value(const QString &column) const override;
    void setValue(const QString &column, const QVariant &value) override;

private:
    SqlDataSet &m_dataSet;
};
