#pragma once

#include "core/Main_DM.h"
#include "store/LocalDatabase.h"
#include "support/TestDatabase.h"

#include <memory>

// A copy of the template store opened as the program's main connection, on which the database
// forms make their own connections. useSettings() also makes a TMaindm over it the program's
// settings module (Maindm) for the life of the store, with the given authority and office codes.
class MainStore
{
public:
    MainStore() { main = openLocalDatabase(db.path(), QLatin1String(TMaindm::ConnectionName)); }
    ~MainStore()
    {
        main.close();
        main = QSqlDatabase();
        if (Maindm == m_maindm.get())
            Maindm = nullptr;
        m_maindm.reset();
        closeDatabaseConnection(QLatin1String(TMaindm::ConnectionName));
    }
    MainStore(const MainStore &) = delete;
    MainStore &operator=(const MainStore &) = delete;

    TMaindm &useSettings(const QString &authority, const QString &office)
    {
        db.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = ?, LOCAL_AUTH_OFFICE__CODE = ?"),
                {authority, office});
        if (!m_maindm)
            m_maindm = std::make_unique<TMaindm>();
        Maindm = m_maindm.get();
        return *m_maindm;
    }

    TestDatabase db;
    QSqlDatabase main;

private:
    std::unique_ptr<TMaindm> m_maindm;
};
