#include "app/ProgramCloser.h"

#include "app/Main_FRM.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

void dismissModalDialogs()
{
    QWidget *previous = nullptr;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == previous)
            break; // it refused to go
        previous = modal;
        // done() and not close(): a close may ask a question first, and nobody is there to answer.
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
    }
}

void ProgramCloser::setMainWindow(TMainfrm *window)
{
    m_window = window;
    if (m_window && m_requests > 0)
        closeWindow(m_requests);
}

void ProgramCloser::closeProgram()
{
    ++m_requests;
    dismissModalDialogs();
    if (m_window)
        closeWindow(m_requests);
}

void ProgramCloser::closeWindow(int request)
{
    if (request > 1) {
        m_window->CloseWithin(0);
        return;
    }
    // After the dismissed dialogs' own event loops have returned.
    QPointer<TMainfrm> window = m_window;
    QTimer::singleShot(0, this, [window]() {
        if (window)
            window->CloseWithin(SignalCloseWaitLimitMs);
    });
}
