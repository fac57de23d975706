#pragma once

#include "base/ProductNames.h"

#include <QString>

#include <functional>

// The update question asked at start-up, before the login.
namespace UpdateOffer {

inline QString question() { return QStringLiteral("An update is available for %1, apply it now?").arg(Varnex::ProgramName); }

// The updater program that lies beside the program (it is not part of Varnex Desktop).
inline QString updaterName() { return QStringLiteral("AutoUpdate"); }

// Asks `checkForAvailableUpdate` whether an update is waiting; any error it raises is swallowed
// (start-up goes on to the login). When one is waiting and the user answers Yes, starts the
// updater found in programFolder through `startDetached` and returns true: the program must then
// end. When the updater is missing or cannot be started the user is told and false is returned,
// so the program goes on rather than ending with nothing updated.
bool offer(const std::function<bool()> &checkForAvailableUpdate, const QString &programFolder,
           const std::function<bool(const QString &program)> &startDetached = {});

} // namespace UpdateOffer
