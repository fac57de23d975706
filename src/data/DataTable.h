#pragma once

#include <QList>
#include <QSqlDriver>
#include <QString>
#include <QVariant>

class QSqlQuery;
class QSqlField;

// The kinds of value a table column holds. Each has one in-memory representation (see
// DataTable::setValue), so that a table read from the database, built by hand or decoded from a
// packet compares equal when it holds the same data.
enum class FieldType {
    String,    // QString; size = maximum length in characters, 0 when unbounded
    Memo,      // QString of any length (text blob)
    Blob,      // QByteArray (binary blob)
    Int16,     // qint64 within -32768..32767
    Int32,     // qint64 within the 32-bit range
    Int64,     // qint64
    Float,     // double
    Decimal,   // QString in plain decimal notation, exact; size = precision, scale = digits after the point
    Boolean,   // bool
    Date,      // QDate
    Time,      // QTime (millisecond resolution)
    Timestamp, // QDateTime, local wall-clock time without a zone
};

// "string", "memo", ... as used in the dataset packet; fieldTypeFromName is case-sensitive.
QString fieldTypeName(FieldType type);
bool fieldTypeFromName(const QString &name, FieldType *type);

struct FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0;
    int scale = 0;
    bool required = false;

    friend bool operator==(const FieldDef &, const FieldDef &) = default;
};

// An in-memory table: ordered field definitions and rows of values. A NULL value is an invalid
// QVariant and stays distinct from empty text or an empty byte array.
class DataTable
{
public:
    DataTable() = default;
    explicit DataTable(const QList<FieldDef> &fields);

    // Field definitions. Adding a field to a table that has rows gives every row NULL in it.
    // Names must be non-empty and unique without regard to letter case.
    bool addField(const FieldDef &field, QString *error = nullptr);
    const QList<FieldDef> &fields() const { return m_fields; }
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int column) const { return m_fields.at(column); }
    // The column of the named field, found without regard to letter case; -1 when there is none.
    int indexOf(const QString &name) const;

    int rowCount() const { return int(m_rows.size()); }
    // Appends a row of NULLs and returns its index.
    int appendRow();
    // Appends a row from one value per field, each converted as setValue does. On failure
    // nothing is appended.
    bool appendRow(const QVariantList &values, QString *error = nullptr);
    void removeRows();
    void clear();

    // Stores a value after converting it to its field's representation. NULL is an invalid
    // QVariant or a nullptr. Fails, leaving the cell as it was, when the value does not convert
    // exactly (text that is not a number, a number out of the field's range, a fraction in an
    // integer field, ...).
    bool setValue(int row, int column, const QVariant &value, QString *error = nullptr);
    bool setValue(int row, const QString &fieldName, const QVariant &value, QString *error = nullptr);
    QVariant value(int row, int column) const { return m_rows.at(row).at(column); }
    QVariant value(int row, const QString &fieldName) const;
    bool isNull(int row, int column) const { return !m_rows.at(row).at(column).isValid(); }
    const QVariantList &row(int row) const { return m_rows.at(row); }

    // Replaces this table with every record of the query: the query is executed first when it is
    // not active (with high numerical precision, so that exact decimals stay exact), then read
    // from its first record to its last. Field types come from the query's record.
    bool fillFromQuery(QSqlQuery &query, QString *error = nullptr);

    // The definition a query field maps to; dbms tells apart what a driver reports alike.
    static FieldDef fieldFromSql(const QSqlField &field,
                                 QSqlDriver::DbmsType dbms = QSqlDriver::UnknownDbms);

    // Converts a value to the representation of the given field; the building block of setValue.
    static bool normalise(const FieldDef &field, const QVariant &value, QVariant *out,
                          QString *error = nullptr);

    friend bool operator==(const DataTable &a, const DataTable &b);
    friend bool operator!=(const DataTable &a, const DataTable &b) { return !(a == b); }

private:
    QList<FieldDef> m_fields;
    QList<QVariantList> m_rows;
};
