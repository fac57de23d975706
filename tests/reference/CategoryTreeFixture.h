#pragma once

// A small category tree with every kind of entry the picker must handle: four full levels, a
// sub-category without a ministry code, retired entries in both letter cases, test entries, two
// entries whose parents point at each other and one whose parent is missing.

#include "data/DataTable.h"
#include "data/MemDataStream.h"
#include "support/TestDatabase.h"

#include <QString>

namespace CategoryFixture {

inline DataTable tree()
{
    DataTable t({{"PARENT_CODE", FieldType::String, 30}, {"ITEM_CODE", FieldType::String, 30},
                 {"DESCRIPTION", FieldType::String, 100}, {"SOURCE", FieldType::String, 30},
                 {"UNIQUE_ID", FieldType::Int32, 0}, {"PARENT_ID", FieldType::Int32, 0},
                 {"STATUS", FieldType::String, 30}});
    const auto add = [&](const char *parentCode, const char *code, const char *description, const char *source, int id,
                         int parent) {
        t.appendRow({QString::fromUtf8(parentCode), QString::fromUtf8(code), QString::fromUtf8(description),
                     QString::fromUtf8(source), id, parent, QStringLiteral("LIVE")});
    };
    add("", "01", "Dairy products", "CATEGORY", 1, -1);
    add("01", "01.01", "Milk and cream", "SUB_CATEGORY", 2, 1);
    add("01.01", "01.01.01", "Liquid milk", "SUB_CATEGORY_2", 3, 2);
    add("01.01.01", "01.01.01.02", "buttermilk", "SUB_CATEGORY_3", 5, 3);
    add("01.01.01", "01.01.01.01", "Semi-skimmed milk", "SUB_CATEGORY_3", 4, 3);
    add("01.01.01", "01.01.01.03", "Retired: skimmed milk", "SUB_CATEGORY_3", 6, 3);
    add("01.01.01", "01.01.01.04", "Goat milk (retired 2019 code)", "SUB_CATEGORY_3", 7, 3);
    add("", "02", "Meat", "CATEGORY", 8, -1);
    add("02", "02.01", "Fresh meat", "SUB_CATEGORY", 9, 8);
    add("02.01", "02.01.01", "Beef", "SUB_CATEGORY_2", 10, 9);
    add("", "09", "Fish", "CATEGORY", 11, -1);
    add("09", "09.01", "Fresh fish", "SUB_CATEGORY", 12, 11);
    add("", "99", "Test categories", "TEST", 13, -1);
    add("99", "99.01", "Test entry", "TEST", 14, 13);
    add("99.01", "99.01.01", "Under a test entry", "SUB_CATEGORY_2", 15, 14);
    add("", "90.01", "Loop one", "SUB_CATEGORY", 16, 17);
    add("90.01", "90.01.01", "Loop two", "SUB_CATEGORY_2", 17, 16);
    add("90.01.01", "90.01.01.01", "Below the loop", "SUB_CATEGORY_3", 18, 17);
    add("91.01", "91.01.01", "Parent gone", "SUB_CATEGORY_2", 19, 77);
    return t;
}

inline DataTable maff()
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100},
                 {"Sub_Category__Code", FieldType::String, 30}});
    t.appendRow({QStringLiteral("M0101"), QStringLiteral("Milk and cream"), QStringLiteral("01.01")});
    t.appendRow({QStringLiteral("M0901"), QStringLiteral("Fish"), QStringLiteral("09.01")});
    return t;
}

// Puts a list into the store as the synchronisation brings it.
inline void addList(TestDatabase &db, const QString &name, const DataTable &table, qint64 id)
{
    db.exec(QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                           "VALUES (?, ?, 'T', ?, ?)"),
            {id, id, name, MemDataStream::write(table)});
}

} // namespace CategoryFixture
