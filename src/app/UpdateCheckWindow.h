#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class BackgroundCall;
class QLabel;
class QProgressBar;
class QPushButton;

// The small window that stands on the screen while the start-up update check asks the update
// server. The check itself runs off the GUI thread, so the window paints and its Cancel answers
// at once; Cancel, closing the window or the time limit stop the waiting and start-up goes on
// without an update, as after a failed check.
class UpdateCheckWindow : public QDialog
{
    Q_OBJECT
public:
    static QString CheckingText() { return QStringLiteral("Checking for updates..."); }

    explicit UpdateCheckWindow(QWidget *parent = nullptr);
    ~UpdateCheckWindow() override;

    // Runs check in the background and shows the window until it has answered; returns its
    // answer. Throws VarnexError with the check's own failure, or when the user cancelled or
    // the check took longer than limitMs. check must own whatever it touches: after a cancel it
    // runs on until its own time-outs end it.
    bool run(std::function<bool()> check, int limitMs);

    QLabel *lblStatus = nullptr;
    QProgressBar *pbBusy = nullptr;
    QPushButton *btnCancel = nullptr;

private:
    std::shared_ptr<BackgroundCall> m_call;
};
