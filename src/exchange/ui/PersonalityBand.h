#pragma once

#include <QString>

class QFrame;
class QLabel;

// The coloured band along the top of the exchange forms that says whose samples they show: a
// green band for "ANIMAL FEED", a blue one for any other personality.
namespace PersonalityBand {

// A bold caption placed in the band (the forms' title band, which has a layout).
QLabel *makeCaption(QFrame *band);
// Colours the band and sets the caption to the text of the personality.
void show(QFrame *band, QLabel *caption, const QString &personality, const QString &foodText, const QString &feedText);

} // namespace PersonalityBand
