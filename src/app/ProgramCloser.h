#pragma once

#include <QObject>
#include <QPointer>

class TMainfrm;

// What the program does when it is asked from outside to end (SIGTERM, SIGINT): the open modal
// dialogs are dismissed as if cancelled, then the main window closes as File > Exit does, but
// waits for the last synchronisation pass at most SignalCloseWaitLimitMs. A second request stops
// that wait at once. Before the main window exists, dismissing the dialogs (update check, update
// question, login) is all it does: start-up looks at TerminationSignals::count() between its steps
// and ends.
class ProgramCloser : public QObject
{
    Q_OBJECT
public:
    static constexpr int SignalCloseWaitLimitMs = 20000;

    explicit ProgramCloser(QObject *parent = nullptr) : QObject(parent) {}

    // The window to close from now on; when a request came before it existed, it closes at once.
    void setMainWindow(TMainfrm *window);
    int requests() const { return m_requests; }

public slots:
    // One request: SIGTERM or SIGINT arrived.
    void closeProgram();

private:
    void closeWindow(int request);

    QPointer<TMainfrm> m_window;
    int m_requests = 0;
};

// Dismisses every open modal dialog, top-most first, as if cancelled (one that refuses stays).
void dismissModalDialogs();
