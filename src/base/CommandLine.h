#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the program. Only five switches are acted on; everything else is
// ignored.
struct CommandLineOptions
{
    QString userName;          // after "-username"
    QString password;          // after "-password"
    QString personalityText;   // after "-personality", as typed
    bool allowInvalidToImport = false; // "-allowinvalidtoimport"
    QString fileToImport;      // after "-filetoimport"

    // A file to import selects the unattended batch run.
    bool isBatchMode() const { return !fileToImport.isEmpty(); }

    // "FOOD" for "food", "ANIMAL FEED" for "af" (lower case only); empty text means "leave the
    // personality as it is".
    QString personality() const;
};

// Reads the switches from the arguments as QCoreApplication::arguments() gives them: the first
// entry is the program itself and is not examined. Switch names match in any letter case, values
// are taken exactly as typed, the last occurrence wins and a switch at the very end takes empty
// text. A value is not skipped: it is compared with the switch names too, so
// "-username -filetoimport x" sets the user name to "-filetoimport" and also the file to "x".
CommandLineOptions parseCommandLine(const QStringList &arguments);
