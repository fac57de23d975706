#pragma once

#include <QStringList>

// Holds an empty list of lines and performs no import: the premises import reads its files
// itself.
class TVRXPremisesXMLDM
{
public:
    QStringList Lines;
};
