#pragma once

#include <QString>
#include <QVariant>

// How a column's value reads, alike wherever a row is held: the editable dataset, the rows the
// sample rules see, the edit controls.
namespace FieldValue {

// NULL: no value at all, or a null one of any type.
inline bool isNull(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

// The value as text: NULL reads as empty text, bytes (a text blob) as UTF-8.
QString text(const QVariant &value);

} // namespace FieldValue
