#pragma once

#include "remote/DAData_DM.h"

#include <QString>

#include <functional>

class QWidget;

// The actions both sample browsers run on their current row that are not the browser's own: the
// duplication, the prosecution flag and the client outcomes. The window layer tells where the
// central server is.
namespace SampleRowActions {

void SetServerSettingsSource(std::function<CentralServerSettings()> source);

// "Duplicate": asks the options and copies the sample; the UUID of the copy to open in the sample
// editor, or empty. Failures are shown.
QString DuplicateSample(QWidget *owner, const QString &uuid);

// "Set prosecution": asks first; the server's flag, then the local one of the sample's code, then
// "Update succeeded". A failure is shown and changes nothing locally. True when the flag was set.
bool SetProsecution(QWidget *owner, const QString &sampleCode);

// "Set labelling outcomes" (heading "L", key "Labels") and "Set Enforcement outcomes" (heading
// "X", key "EnforcementOutcomes"): the client outcomes dialog, modal. A dialog that cannot load
// shows why.
void ShowClientOutcomes(QWidget *owner, const QString &sampleCode, const QString &headingCode);

inline const QString ProsecutionQuestion = QStringLiteral("Set prosecution against selected sample?");
inline const QString UpdateSucceeded = QStringLiteral("Update succeeded");

} // namespace SampleRowActions
