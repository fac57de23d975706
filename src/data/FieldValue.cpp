#include "data/FieldValue.h"

namespace FieldValue {

QString text(const QVariant &value)
{
    if (isNull(value))
        return QString();
    if (value.metaType().id() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

} // namespace FieldValue
