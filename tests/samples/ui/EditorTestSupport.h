#pragma once

// What the sample editor tests share: lookup lists to store, choosing in a list as a click does.
#include "data/DataTable.h"

#include <QComboBox>
#include <QTest>
#include <QUuid>

namespace EditorTestSupport {

inline QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

inline DataTable codeList(const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    for (const auto &r : rows)
        t.appendRow({r.first, r.second});
    return t;
}

// A code list with one more column, as the laboratories and the ministry codes have.
inline DataTable codeListWith(const QString &extra, const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}, {extra, FieldType::String, 30}});
    for (const auto &r : rows)
        t.appendRow({r.first, r.second, QString()});
    return t;
}

inline DataTable names(const QStringList &rows)
{
    DataTable t({{"Name", FieldType::String, 100}});
    for (const QString &r : rows)
        t.appendRow({r});
    return t;
}

// Chooses the item that stores the value, as a click in the list does.
inline void choose(QComboBox *combo, const QString &value)
{
    const int index = combo->findData(value);
    QVERIFY2(index >= 0, qPrintable(value));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace EditorTestSupport
