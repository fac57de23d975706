#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT as events of the main thread.
//
// The handler only notes the signal and writes one byte to a pipe; a socket notifier on the pipe
// turns that into the signal received() on the main thread, where the program closes as File >
// Exit does. The handler does no more, since almost nothing is safe inside one. When signals keep
// coming although the program was told, the handler ends the process itself (_exit with 128 plus
// the signal's number), so that a program stuck in its close can always be ended from outside.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Sets the handlers for SIGTERM and SIGINT. Call it first thing in main(), and again after a
    // library has set handlers of its own (the store's client library does when it opens the
    // first store: its handlers shut the store connections down and leave the program running).
    // SIGINT stays ignored when it was ignored at the first call. forceAfter: how many signals the
    // program is given to end by itself; the next one ends the process at once.
    static void install(int forceAfter = 2);
    // How many signals arrived so far (also before any event loop ran).
    static int count();
    // The number of the last signal that arrived, or 0.
    static int lastSignal();

    // Reports the signals through received(); one instance at a time.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    // A signal arrived; signalNumber is SIGTERM or SIGINT. Emitted once per signal.
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
