#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

// What the login module asks of the central server: the reachability check, the officer look-up
// and the installation-number claim. The remote layer implements it over a server channel
// (TSyncWorkerHelperDM), so this library stays free of the network code.
//
// An instance is used by one thread at a time. Rows come back as maps keyed by upper-case field
// names. Every failure except in ServerIsAlive is thrown as a VarnexError carrying the text to show.
class LoginServerAccess
{
public:
    virtual ~LoginServerAccess() = default;

    virtual void SetRemoteServerURL(const QString &url) = 0;
    // True when the server answers; every failure gives false.
    virtual bool ServerIsAlive() noexcept = 0;
    // Proxy credentials typed at start-up.
    virtual void SetInternetProxy(const QString &userName, const QString &password) = 0;

    // The officer rows ("_DYN_SAMPLE_OFFICER") whose EMAIL_ADDRESS equals the address exactly.
    virtual QList<QVariantMap> FindOfficers(const QString &emailAddress) = 0;

    // The installation-numbering row of an authority ("DB_ACTIVATION_LOCAL_AUTHORITY": CODE, NAME,
    // LLG, LAST_INSTALL_ID, LAST_INSTALL_UUID); an empty map when the server has none.
    virtual QVariantMap OpenActivationRow(const QString &authorityCode) = 0;
    // Posts LAST_INSTALL_ID := newId and LAST_INSTALL_UUID := uuid, carrying the LAST_INSTALL_ID
    // read before (oldId): the server refuses (throws) when another installation changed it since.
    virtual void PostActivationClaim(const QString &authorityCode, const QVariant &oldId, qint64 newId,
                                     const QString &uuid) = 0;
};

// Makes the private channel of the server monitor, pointed at the given address.
using LoginServerAccessFactory = std::function<std::unique_ptr<LoginServerAccess>(const QString &serverAddress)>;
