#pragma once

#include "base/VarnexError.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// A login refused for a reason the officer can act on (wrong password, suspended account, a store
// that belongs to another address), as opposed to a fault of the server or the store: the login
// dialog counts a refusal as a failed attempt and shows a fault without counting it.
class LoginRefused : public VarnexError
{
public:
    using VarnexError::VarnexError;
};

// The refusal of a suspended account; the online login records it in the account's store.
class AccountSuspended : public LoginRefused
{
public:
    AccountSuspended();
    static QString text();
};

// What a login knows of an account when it decides whether the account may use its store.
struct AccountStanding
{
    // A suspension flag ("T" suspends) and the date from which the account is suspended
    // automatically, as one source holds them.
    struct Suspension
    {
        QVariant flag;
        QVariant autoSuspendDate;
    };

    // The address that the store's last online login recorded; empty when the store has none or
    // does not exist yet.
    QString storeOwner;
    // Every source that may suspend the account; any one of them suffices.
    QList<Suspension> suspensions;
};

// The one rule that every login applies, online, offline and unattended: the store belongs to the
// address its last online login recorded (the file name folds "." and "-" together, so two
// addresses can name the same file), and a suspended account is refused. Throws LoginRefused
// naming the store's owner, or AccountSuspended. Nothing is written: a suspension is worked out
// from the flags and dates each time, so an admin's reactivation brought down later takes effect
// at once, and no login writes a flag of its own into the synchronised officer rows.
void requireAccountMayLogIn(const QString &email, const QString &storePath, const AccountStanding &standing);

// The standing as the central server gives it: the officer row of the address (upper-case field
// names) and the owner recorded in the store the login is about to use.
AccountStanding accountStandingOnServer(const QVariantMap &officer, const QString &storeOwner);

// The standing as the local store holds it: the owner and the suspension copied into the settings
// row by the last online login, and every live officer row of the address that synchronisation
// brought down since (a row marked deleted is an account the address no longer belongs to). The
// store must have the current structure.
AccountStanding accountStandingInStore(const QSqlDatabase &db, const QString &email);
