#include "core/LoginRules.h"

#include "base/Clock.h"
#include "store/SqlUtil.h"

namespace {
QString textOf(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

bool isSuspended(const AccountStanding::Suspension &s, const QDate &today)
{
    if (textOf(s.flag) == QLatin1String("T"))
        return true;
    if (s.autoSuspendDate.isNull() || !s.autoSuspendDate.isValid())
        return false;
    const QDate date = s.autoSuspendDate.toDate();
    return date.isValid() && today >= date;
}
} // namespace

AccountSuspended::AccountSuspended() : LoginRefused(text()) {}

QString AccountSuspended::text()
{
    return QStringLiteral("This account has been suspended. It can be re-activated by an admin user.");
}

void requireAccountMayLogIn(const QString &email, const QString &storePath, const AccountStanding &standing)
{
    // The owner comes first: the suspension facts of a store that is not the account's are another
    // officer's.
    const QString owner = standing.storeOwner.trimmed();
    if (!owner.isEmpty() && owner.compare(email, Qt::CaseInsensitive) != 0)
        throw LoginRefused(QStringLiteral("The local data store '%1' belongs to '%2' and cannot be used for '%3'.")
                               .arg(storePath, owner, email));
    const QDate today = Clock::instance().today();
    for (const AccountStanding::Suspension &s : standing.suspensions)
        if (isSuspended(s, today))
            throw AccountSuspended();
}

AccountStanding accountStandingOnServer(const QVariantMap &officer, const QString &storeOwner)
{
    AccountStanding standing;
    standing.storeOwner = storeOwner;
    standing.suspensions.append(
        {officer.value(QStringLiteral("IS_SUSPENDED")), officer.value(QStringLiteral("AUTO_SUSPEND_DATE"))});
    return standing;
}

AccountStanding accountStandingInStore(const QSqlDatabase &db, const QString &email)
{
    AccountStanding standing;
    QSqlQuery settings = SqlUtil::exec(db, QStringLiteral("SELECT FIRST 1 USER_EMAIL_ADDRESS, USER_IS_SUSPENDED, "
                                                          "USER_AUTO_SUSPEND_DATE FROM SYS_LOCAL_SETTINGS"));
    if (settings.next()) {
        standing.storeOwner = textOf(settings.value(0));
        standing.suspensions.append({settings.value(1), settings.value(2)});
    }
    settings.finish();
    QSqlQuery officers = SqlUtil::exec(db,
                                       QStringLiteral("SELECT IS_SUSPENDED, AUTO_SUSPEND_DATE FROM SAMPLE_OFFICER "
                                                      "WHERE EMAIL_ADDRESS = ? AND FLAG_DELETED IS DISTINCT FROM 'T'"),
                                       {email});
    while (officers.next())
        standing.suspensions.append({officers.value(0), officers.value(1)});
    return standing;
}
