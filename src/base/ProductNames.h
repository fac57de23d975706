#pragma once

// The names that the program shows in captions and messages and stores in its records, written
// once so that the windows, the command line and the modules cannot drift apart.

#include <QString>

namespace Varnex {

// The program's own name, used as the caption of its messages.
inline const QString ProgramName = QStringLiteral("Varnex Desktop");
// The product title of the main window and the About box.
inline const QString ProductTitle = QStringLiteral("Food and Feed Sampling Records");

// The two personalities; also the RECORD_TYPE of samples and templates.
inline const QString PersonalityFood = QStringLiteral("FOOD");
inline const QString PersonalityAnimalFeed = QStringLiteral("ANIMAL FEED");
// Everything that is not animal feed is food: an empty or unknown RECORD_TYPE included.
inline bool isFoodPersonality(const QString &personality) { return personality != PersonalityAnimalFeed; }

} // namespace Varnex
