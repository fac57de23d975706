#pragma once

// The status vector of a call into Firebird's client library, turned into FbError on failure.
// Used by the store's own client-library classes only.

#include "store/FbTransaction.h"

#include <ibase.h>

class FbStatus
{
public:
    ISC_STATUS *vector() { return m_status; }
    bool failed() const { return m_status[0] == isc_arg_gds && m_status[1] != 0; }

    // Throws FbError, "<what>: <the database's text>", when the call failed.
    void throwIfFailed(const char *what) const
    {
        if (failed())
            throw error(QString::fromUtf8(what));
    }
    void throwIfFailed(const QString &what) const
    {
        if (failed())
            throw error(what);
    }

    FbError error(const QString &what) const
    {
        QString text;
        char buffer[1024];
        const ISC_STATUS *p = m_status;
        while (fb_interpret(buffer, sizeof buffer, &p) > 0) {
            if (!text.isEmpty())
                text += QStringLiteral(" - ");
            text += QString::fromUtf8(buffer);
        }
        QList<long> codes;
        for (const ISC_STATUS *s = m_status; *s != isc_arg_end;) {
            if (s[0] == isc_arg_gds)
                codes << long(s[1]);
            // A counted string takes a length and a pointer; every other argument one value.
            s += s[0] == isc_arg_cstring ? 3 : 2;
        }
        return FbError(QStringLiteral("%1: %2").arg(what, text), codes);
    }

private:
    ISC_STATUS m_status[20] = {};
};
