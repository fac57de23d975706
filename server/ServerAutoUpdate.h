#pragma once

#include "remote/WireCodec.h"

#include <QString>

// The update service "HYAutoUpdateService" (library "HydraAutoUpdate"). It answers from the
// release list DIR/releases.json of the server's data folder (docs/autoupdate.md), read afresh on
// every call, so that a release can be published while the server runs. Without that file there
// is no update.
bool isAutoUpdateService(const QString &serviceName);
Wire::Reply autoUpdateService(const QString &dataDir, const Wire::Request &request);
