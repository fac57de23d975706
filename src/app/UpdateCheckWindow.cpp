#include "app/UpdateCheckWindow.h"

#include "base/Background.h"
#include "base/ProductNames.h"
#include "base/VarnexError.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

UpdateCheckWindow::UpdateCheckWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UpdateCheckWindow"));
    setWindowTitle(Varnex::ProgramName);
    setCursor(Qt::BusyCursor);
    auto *layout = new QVBoxLayout(this);
    lblStatus = new QLabel(CheckingText(), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    pbBusy = new QProgressBar(this);
    pbBusy->setObjectName(QStringLiteral("pbBusy"));
    pbBusy->setRange(0, 0); // moves without a known end
    pbBusy->setTextVisible(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setCursor(Qt::ArrowCursor);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(lblStatus);
    layout->addWidget(pbBusy);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

UpdateCheckWindow::~UpdateCheckWindow()
{
    if (m_call)
        m_call->cancel();
}

bool UpdateCheckWindow::run(std::function<bool()> check, int limitMs)
{
    std::optional<BackgroundOutcome<bool>> outcome;
    m_call = runInBackground(this, std::move(check), [this, &outcome](BackgroundOutcome<bool> o) {
        outcome = std::move(o);
        accept();
    });
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [this, &timedOut]() {
        timedOut = true;
        reject();
    });
    limit.start(limitMs);
    exec();
    limit.stop();
    // Whatever the check still does, its answer no longer reaches this window.
    m_call->cancel();
    m_call.reset();

    if (outcome && outcome->ok())
        return *outcome->value;
    if (outcome)
        throw VarnexError(outcome->error);
    if (timedOut)
        throw VarnexError(QStringLiteral("The update server did not answer within %1 seconds.").arg(limitMs / 1000));
    throw VarnexError(QStringLiteral("The update check was cancelled."));
}
