#pragma once

#include "data/DataTable.h"

#include <QCborValue>
#include <QStringList>
#include <QVariantMap>

// The dataset half of the wire (docs/wire.md): tables travel column-wise with their field
// definitions; NULL is CBOR null and stays distinct from empty text.
namespace Wire {

QCborValue encodeCell(const FieldDef &field, const QVariant &value);
// Throws ProtocolError naming the field when the value does not fit it.
QVariant decodeCell(const FieldDef &field, const QCborValue &value);

QCborValue encodeFields(const QList<FieldDef> &fields);
QList<FieldDef> decodeFields(const QCborValue &value);

QCborValue encodeTable(const DataTable &table);
DataTable decodeTable(const QCborValue &value);

// The schema of one remote dataset.
struct DatasetSchema
{
    QString name;
    QList<FieldDef> fields;
    QStringList keyFields;
    QStringList paramNames;
    bool writable = false;
};
QCborValue encodeSchema(const DatasetSchema &schema);
DatasetSchema decodeSchema(const QCborValue &value);

// A named dataset parameter.
struct DatasetParam
{
    QString name;
    QVariant value;
};
QCborValue encodeDatasetParams(const QList<DatasetParam> &params);
QList<DatasetParam> decodeDatasetParams(const QCborValue &value);

// One condition of a where list; conditions are joined by AND.
struct WhereItem
{
    enum Operator { Equal, Different, Greater };
    QString field;
    Operator op = Equal;
    QVariant value;
};
QString operatorName(WhereItem::Operator op);
QCborValue encodeWhere(const QList<WhereItem> &where);
QList<WhereItem> decodeWhere(const QCborValue &value);

// One row change sent to the server. `key` names the row (key fields, and for an update any further
// old values the server must still find: a row changed by someone else in between is refused);
// `values` holds the fields assigned (insert, update). Plain values: see Wire::fromVariant.
struct RowChange
{
    enum Kind { Insert, Update, Delete };
    Kind kind = Insert;
    QVariantMap key;
    QVariantMap values;
};
QCborValue encodeChanges(const QList<RowChange> &changes);
QList<RowChange> decodeChanges(const QCborValue &value);

} // namespace Wire
