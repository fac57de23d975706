#pragma once

#include <QStringList>

// The local tables that the synchronisation keeps in step with the central server (the server
// holds a copy of each). Table names reach SQL text only from this list.
inline const QStringList &synchronisedTableNames()
{
    static const QStringList tables = {
        QStringLiteral("LOCAL_AUTH_OFFICE"), QStringLiteral("SYS_COMPANY"), QStringLiteral("SAMPLE_OFFICER"),
        QStringLiteral("LOOKUP_TABLE_LIST"), QStringLiteral("OPTIONAL_LOOKUP_LIST"), QStringLiteral("PREMISES_DETAIL"),
        QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED"), QStringLiteral("SYS_TRANSLATION"), QStringLiteral("SAMPLE"),
        QStringLiteral("SAMPLE_TEMPLATE")};
    return tables;
}
