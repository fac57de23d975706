#pragma once

#include "exchange/ui/ExportLabWizard.h"

class QPlainTextEdit;

// The postbox wizard: sends the chosen officers' validated samples of the personality to one
// laboratory's postbox on the central server, with a comment that starts as the cover text
// (fetched afresh, with a new batch number, on every entry to the send page).
class TExportLabFrm : public TExportLabWizard
{
    Q_OBJECT
public:
    explicit TExportLabFrm(QObject *AOwner);

    QPlainTextEdit *memComment = nullptr;

protected:
    QString OfficersSql() const override;
    bool SelectFirstLabOnEntry() const override { return true; }
    void EnterSendPage() override;
    void Send() override;
    QString SentMessage() const override
    {
        return QStringLiteral("Samples have been successfully sent to the Laboratory's postbox.");
    }
};
