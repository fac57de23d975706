#pragma once

// How a report turns a sample's columns into printed text: the plain formatting of a column's
// value, and the values the forms work out from several columns (the "computed values"), each
// known by a name that a report definition's <value> item gives.

#include "data/DataTable.h"

#include <QString>
#include <QStringList>

namespace ReportValues {

// The names a <value> item may give.
const QStringList &computedNames();
bool isComputedName(const QString &name);

// The computed value of the sample in the given row of samples; an unknown name gives empty text.
// A column the table lacks counts as NULL.
QString computed(const QString &name, const DataTable &samples, int row);

// A column value as printed: dates dd/MM/yyyy, times HH:mm, timestamps both, decimals without
// trailing fraction zeros, Booleans YES/NO, NULL and binary values as nothing.
QString format(const FieldDef &field, const QVariant &value);

// The printed text of a column of a row; a column the table lacks gives nothing.
QString text(const DataTable &table, int row, const QString &column);

// How messages name a sample: Sample "CODE", with its own sample number when it has one.
QString sampleName(const DataTable &samples, int row);

} // namespace ReportValues
