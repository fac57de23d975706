#include "core/BatchLogin.h"

#include "store/FBAnydacConnector_DM.h"
#include "store/LocalDatabase.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "store/UserDatabase_DM.h"
#include "base/VarnexError.h"

void BatchLogin(const QString &emailAddress, const QString &password, TRegistryDM &registry, TMaindm &maindm,
                TFBAnydacConnectorDm &connector, LocalStoreValues &store)
{
    // The store is located as at an offline login: named after the address in lower case.
    const QString email = emailAddress.toLower();
    TUserDatabaseDM lookup(registry.LocalDataLocation(), registry.programFolder());
    const QString path = lookup.getUserDatabase(email);
    if (path.isEmpty())
        throw VarnexError(lookup.StatusMessage.isEmpty() ? QStringLiteral("No local data store exists for '%1'.").arg(email)
                                                         : lookup.StatusMessage);

    store.serverName.clear();
    store.datapath = path;
    store.protocol = QStringLiteral("local");
    store.userName = localDatabaseUser();
    store.password = localDatabasePassword();
    if (!connector.Initialize(store.serverName, store.datapath, store.userName, store.password, store.protocol))
        throw VarnexError(connector.StatusMessage);
    maindm.InitialisationDm = &store;

    maindm.ConnectToUserDatabase(email);
    // The upgrade comes first so that a store left by an older version has the settings columns
    // the login reads.
    maindm.CheckDBStructure();
    maindm.Login(email, password);
    store.activated = !maindm.InstallationId().isEmpty();
}
