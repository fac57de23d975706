#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The local table a download dataset name stands for: the name without a leading "_dyn_" (any
// letter case).
inline QString localTableNameOf(const QString &datasetName)
{
    if (datasetName.startsWith(QLatin1String("_dyn_"), Qt::CaseInsensitive))
        return datasetName.mid(5);
    return datasetName;
}

// One local table that the synchronisation keeps in step with the central server, and how it
// travels. The server holds a copy of the table and serves both of its datasets.
struct SynchronisedTable
{
    QString downloadDataset;     // the server's download dataset
    QString uploadDataset;       // the server's upload dataset; empty for a download-only table
    bool toServer = false;       // local changes are uploaded
    bool fromServer = false;     // server rows are downloaded
    bool replace = false;        // handed to the worker; nothing acts on it
    bool uploadRowByRow = false; // one row per upload request (the others go in batches)

    // The local (and the server's) table, upper case.
    QString localTable() const { return localTableNameOf(downloadDataset).toUpper(); }
    // The download dataset takes a where list (update id, scope, deleted flag) rather than named
    // parameters.
    bool selectedByWhere() const { return downloadDataset.startsWith(QLatin1String("_dyn")); }
};

// The synchronised tables in the order every pass walks them. Built once, on first use from any
// thread, and never changed afterwards: table names reach SQL text only from this list.
inline const std::vector<SynchronisedTable> &synchronisedTables()
{
    static const std::vector<SynchronisedTable> tables = {
        {QStringLiteral("local_auth_office"), QStringLiteral("local_auth_office_update"), true, true, true, false},
        {QStringLiteral("sys_company"), QStringLiteral("sys_company_update"), true, true, true, true},
        {QStringLiteral("_dyn_sample_officer"), QStringLiteral("sample_officer_update"), true, true, true, false},
        {QStringLiteral("lookup_table_list"), QString(), false, true, true, false},
        {QStringLiteral("optional_lookup_list"), QStringLiteral("optional_lookup_list_update"), true, true, false, false},
        {QStringLiteral("_dyn_premises_detail"), QStringLiteral("premises_detail_update"), true, true, true, false},
        {QStringLiteral("_dyn_premises_detail_animal_feed"), QStringLiteral("premises_detail_animal_feed_update"), true, true,
         true, false},
        {QStringLiteral("sys_translation"), QStringLiteral("sys_translation_update"), true, true, true, false},
        {QStringLiteral("_dyn_sample"), QStringLiteral("sample_update"), true, true, false, true},
        {QStringLiteral("sample_template"), QStringLiteral("sample_template_update"), true, true, true, false},
    };
    return tables;
}

// The entry of a local table (any letter case); nullptr when the table is not synchronised.
inline const SynchronisedTable *findSynchronisedTable(const QString &localTable)
{
    for (const SynchronisedTable &t : synchronisedTables())
        if (t.localTable().compare(localTable, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

// The local table names of synchronisedTables(), upper case, in list order.
inline const QStringList &synchronisedTableNames()
{
    static const QStringList names = [] {
        QStringList out;
        for (const SynchronisedTable &t : synchronisedTables())
            out << t.localTable();
        return out;
    }();
    return names;
}
