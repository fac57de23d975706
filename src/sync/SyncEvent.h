#pragma once

#include <QMetaType>

// What a synchronisation pass reports to the main window and to the log window. The numbers are
// the event codes the log has always used (nothing stores them); the main window still receives
// the table events as those integers.
enum class SyncEvent : int {
    PassStarted = 0,
    PassCompleted = 1,
    ErrorRecorded = 3, // a worker recorded a failure
    TableStarted = 5,
    TableFinished = 6,
    NoPassOffline = 7, // a pass was asked for while the server was last seen offline
};
Q_DECLARE_METATYPE(SyncEvent)
