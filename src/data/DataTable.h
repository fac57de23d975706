#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDriver>
#include <QString>
#include <QVariant>

#include <functional>

class FbStatement;
class FbTransaction;
class QSqlQuery;
class QSqlField;
class QSqlRecord;

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
    Timestamp, // QDateTime, a wall-clock reading without a zone (see DataTable::wallClock)
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
//
// The cells are held row after row in one list, so that a row costs its values and nothing more
// (a table decoded from outside bytes stays in proportion to them), and rows of a table without
// fields cost nothing.
class DataTable
{
public:
    // The most digits a decimal field may declare, as precision or as scale: the most that the
    // database's exact numeric types hold.
    static constexpr int MaxDecimalDigits = 18;

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

    int rowCount() const { return m_rowCount; }
    // Appends a row of NULLs and returns its index.
    int appendRow();
    // Appends a row from one value per field, each converted as setValue does. On failure
    // nothing is appended.
    bool appendRow(const QVariantList &values, QString *error = nullptr);
    // Appends every row of a table with the same fields, as they are.
    bool appendRows(const DataTable &other, QString *error = nullptr);
    // Makes room for rows still to be appended.
    void reserveRows(int rows);
    void removeRows();
    void clear();

    // Stores a value after converting it to its field's representation. NULL is an invalid
    // QVariant or a nullptr. Fails, leaving the cell as it was, when the value does not convert
    // exactly (text that is not a number, a number out of the field's range, a fraction in an
    // integer field, ...).
    bool setValue(int row, int column, const QVariant &value, QString *error = nullptr);
    bool setValue(int row, const QString &fieldName, const QVariant &value, QString *error = nullptr);
    const QVariant &value(int row, int column) const { return m_cells.at(cell(row, column)); }
    QVariant value(int row, const QString &fieldName) const;
    bool isNull(int row, int column) const { return !m_cells.at(cell(row, column)).isValid(); }
    QVariantList row(int row) const;

    // Replaces this table with every record of the query: the query is executed first when it is
    // not active (with high numerical precision, so that exact decimals stay exact), then read
    // from its first record to its last. Field types come from the query's record.
    bool fillFromQuery(QSqlQuery &query, QString *error = nullptr);
    // The same, into the given fields, one per column of the query. Firebird's driver passes a
    // scaled number through a double and keeps only some 15 of its digits: a query that selects
    // a decimal column cast to text, read into its decimal field, keeps every digit.
    bool fillFromQuery(QSqlQuery &query, const QList<FieldDef> &fields, QString *error = nullptr);
    // The fields of a query's record, as fillFromQuery defines them.
    static QList<FieldDef> fieldsOfQuery(const QSqlQuery &query);
    // Appends the query's current record as a row, its values converted as fillFromQuery does.
    bool appendRecord(const QSqlQuery &query, QString *error = nullptr);
    // The same for a statement of the client library (store/FbStatement.h): its fields as the SQL
    // driver would give them for the same statement, and its current row.
    static QList<FieldDef> fieldsOfStatement(const FbStatement &statement, FbTransaction &transaction);
    bool appendStatementRow(const FbStatement &statement, QString *error = nullptr);
    // Every row of a SELECT run in the transaction with the values bound, as a table with the
    // given fields (the statement's own when none are given). Throws VarnexError.
    static DataTable readStatement(FbTransaction &transaction, const QString &sql, const QVariantList &values,
                                   const QList<FieldDef> &fields = {});
    static DataTable readStatement(FbTransaction &transaction, FbStatement &statement, const QVariantList &values,
                                   const QList<FieldDef> &fields = {});

    // The fields of a record, named apart (a second CODE becomes CODE_1).
    static QList<FieldDef> fieldsOfRecord(const QSqlRecord &record, QSqlDriver::DbmsType dbms);
    // The definition a query field maps to; dbms tells apart what a driver reports alike.
    static FieldDef fieldFromSql(const QSqlField &field,
                                 QSqlDriver::DbmsType dbms = QSqlDriver::UnknownDbms);

    // Converts a value to the representation of the given field; the building block of setValue.
    static bool normalise(const FieldDef &field, const QVariant &value, QVariant *out,
                          QString *error = nullptr);

    // Whether decimal text fits a decimal field as the database keeps it: no digit beyond the
    // scale but zeros, and no more digits before the point than the precision leaves (the
    // precision counts as 18 when the field declares none). Otherwise false, with *why saying
    // which ("has more than 16 digits before the decimal point", ...). The table itself holds
    // any exact decimal (setValue does not ask this): what was stored is read as it stands.
    static bool decimalFits(const FieldDef &field, const QString &text, QString *why = nullptr);

    // A timestamp value holding the given wall-clock reading. It is local time whenever the
    // reading exists in the local zone; a reading that the zone skips (the hour lost when the
    // clocks go forward) is kept as the same reading in UTC rather than moved or lost. Either way
    // date() and time() give the reading back, and that is what is stored and sent.
    static QDateTime wallClock(QDate date, QTime time);

    friend bool operator==(const DataTable &a, const DataTable &b);
    friend bool operator!=(const DataTable &a, const DataTable &b) { return !(a == b); }

private:
    // Appends a row of valueOf(column) for each column, each converted as setValue does; on
    // failure nothing is appended.
    bool appendConverted(const std::function<QVariant(int)> &valueOf, QString *error);
    bool fill(QSqlQuery &query, const QList<FieldDef> *fields, QString *error);
    qsizetype cell(int row, int column) const { return qsizetype(row) * m_fields.size() + column; }

    QList<FieldDef> m_fields;
    QHash<QString, int> m_fieldIndex; // case-folded name -> column
    QList<QVariant> m_cells;          // row after row
    int m_rowCount = 0;
};
