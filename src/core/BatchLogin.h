#pragma once

#include "core/GeneralInfo.h"

#include <QString>

class TFBAnydacConnectorDm;
class TMaindm;
class TRegistryDM;

// Where a user's local store is and how to open it: the values the login module keeps and the
// central data module and synchronisation read.
struct LocalStoreValues : IInitialisationInfo
{
    QString serverName;
    QString datapath;
    QString protocol = QStringLiteral("local");
    QString userName;
    QString password;
    bool activated = false;

    QString DBServerName() const override { return serverName; }
    QString DBDatapath() const override { return datapath; }
    QString DBUserName() const override { return userName; }
    QString DBPassword() const override { return password; }
    QString DBProtocol() const override { return protocol; }
    bool DBIsActivated() const override { return activated; }
};

// The unattended login of a command-line import: opens the existing store of the named user
// (never creating one), brings its structure up to date and logs in against its local settings
// with the rule every login applies (TMaindm::Login). Throws VarnexError with the cause; the
// caller shows its own message for every failure.
void BatchLogin(const QString &emailAddress, const QString &password, TRegistryDM &registry, TMaindm &maindm,
                TFBAnydacConnectorDm &connector, LocalStoreValues &store);
