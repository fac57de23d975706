#pragma once

#include "data/GroupedGridModel.h"
#include "samples/ui/SampleBrowser_FRM.h"

#include <QStringList>
#include <QtTest>

// The codes a browser's list holds, reading every group in full.
inline QStringList listedCodes(TSampleBrowserFrm &b)
{
    GroupedGridModel *m = b.qrySample;
    // Until the counts come only the first group is there: a list read then would look short.
    if (!QTest::qWaitFor([m]() { return m->countsKnown(); }, 10000))
        QTest::qFail("The list's groups were not counted within 10 s.", __FILE__, __LINE__);
    QStringList codes;
    for (int g = 0; g < m->groupCount(); ++g) {
        while (m->canFetchGroup(g))
            m->fetchGroup(g);
        for (int r = 0; r < m->rowsRead(g); ++r)
            codes << m->value(m->index(r, 0, m->groupIndex(g)), QStringLiteral("CODE")).toString();
    }
    codes.sort();
    return codes;
}
