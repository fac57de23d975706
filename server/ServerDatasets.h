#pragma once

#include "data/DataTable.h"
#include "remote/TableCodec.h"

#include <QHash>

#include <mutex>

class ServerStore;
class StampTurn;

// The fixed list of remote datasets the server serves, and their reading and writing. Names come
// only from this list; parameters and where lists are bound, never spliced; every column name a
// client sends is checked against the dataset's real columns.
class ServerDatasets
{
public:
    struct ParamDef
    {
        QString name;       // matched without regard to case
        QString condition;  // SQL with one "?" (fixed text); empty: accepted and ignored
        bool optional = false; // skipped when absent or empty text
        QString column = {}; // the column the value is compared with, when it is one: checked to fit it
    };
    struct Def
    {
        QString service;
        QString name;
        QString table;
        QString columns = QStringLiteral("*"); // fixed select list
        // The columns the answer to a change reads back (fixed select list; empty: all of them).
        // The others come back NULL: content the client sent itself need not travel twice.
        QString answerColumns;
        QString fixedCondition;                // fixed SQL condition, e.g. "1 = 0"
        QList<ParamDef> params;
        bool allowWhere = false;
        QString orderBy;
        QString key;                           // key column for updates and deletes
        QStringList optimisticColumns;         // must be in an update's key: claim-style updates
        bool canInsert = false, canUpdate = false, canDelete = false;
        bool upsert = false;                   // insert and update both mean insert-or-update by key
        QString generator;                     // fills the key of an insert that has none
        QStringList writable;                  // empty: every stored column but the key
        bool stampUpdateId = false;
    };

    explicit ServerDatasets(ServerStore &store);

    const Def *find(const QString &service, const QString &name) const;
    Wire::DatasetSchema schema(const QSqlDatabase &db, const Def &def);
    // maxRows > 0 asks for one page of a synchronisation download: the first maxRows rows in
    // ascending UPDATE_ID; the next page starts at "UPDATE_ID greater than the last one received".
    DataTable open(const QSqlDatabase &db, const Def &def, const QList<Wire::DatasetParam> &params,
                   const QList<Wire::WhereItem> &where, int maxRows = 0);
    // The table whose UPDATE_ID a change of the dataset stamps; empty for none.
    static QString stampedTable(const Def &def) { return def.stampUpdateId ? def.table : QString(); }
    // Applies every change in the caller's transaction; returns one row of server values per change.
    // A dataset that stamps UPDATE_ID takes its table's turn (stampTurn) before it stamps, unless
    // the caller took it already; the caller holds it until the transaction has ended.
    DataTable apply(const QSqlDatabase &db, const Def &def, const QList<Wire::DatasetParam> &params,
                    const QList<Wire::RowChange> &changes, StampTurn &stampTurn);
    // attachment_delete(ID)
    qint64 executeCommand(const QSqlDatabase &db, const QString &service, const QString &command,
                          const QList<Wire::DatasetParam> &params);

private:
    QString selectSql(const Def &def) const;
    // The fields a dataset answers with, as the store declares them (cached).
    QList<FieldDef> fields(const QSqlDatabase &db, const Def &def);
    // The SQL place of a value bound for a field: decimals as exact text (SqlUtil::decimalParameter).
    static QString marker(const FieldDef &field);
    // The dataset's rows that the SQL `tail` (conditions, order) selects, decimals exact.
    DataTable read(const QSqlDatabase &db, const Def &def, const QString &tail, const QVariantList &values);
    // The value of a field as it is bound; throws VarnexError naming the dataset and the field when
    // the value does not fit it.
    QVariant bindValue(const Def &def, const QList<FieldDef> &fields, const QString &column, const QVariant &value) const;
    // Refuse, rather than let the database round or cut, a decimal with more fraction digits than
    // its column keeps and a text longer than its column; `what` names the field or parameter.
    void checkDecimal(const Def &def, const FieldDef &field, const QVariant &value, const QString &what) const;
    void checkText(const Def &def, const QString &column, int declaredBytes, const QString &text,
                   const QString &what) const;
    DataTable rowByKey(const QSqlDatabase &db, const Def &def, const QVariant &key);

    ServerStore &m_store;
    QList<Def> m_defs;
    std::mutex m_fieldCacheLock;
    QHash<QString, QList<FieldDef>> m_fieldCache;
};
