#include "exchange/ui/ExportLab_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "exchange/SampleExport_DM.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TExportLabFrm::TExportLabFrm(QObject *AOwner) : TExportLabWizard(AOwner)
{
    SetSendTitles(QStringLiteral("Send to laboratory"),
                  QStringLiteral("Enter a comment or special instruction if required, then click the 'Send samples' "
                                 "button to transmit the samples to the designated lab."));
    memComment = new QPlainTextEdit(JvwSend);
    memComment->setObjectName(QStringLiteral("memComment"));
    SendContent()->addWidget(memComment, 1);
    FinishSendPage();
    btnSend->setText(QStringLiteral("Send file"));
    lblBusy->setText(QStringLiteral("Sending the samples to the laboratory's postbox..."));
}

QString TExportLabFrm::OfficersSql() const
{
    return QStringLiteral("SELECT SO.NAME FROM SAMPLE_OFFICER SO "
                          "JOIN SAMPLE S ON S.SAMPLE_OFFICER__CODE = SO.CODE "
                          "WHERE S.SAMPLE_STATUS__CODE = :STATUS AND S.RECORD_TYPE = :PERSONALITY "
                          "AND SO.NAME IS NOT NULL GROUP BY SO.NAME");
}

void TExportLabFrm::EnterSendPage()
{
    // Every entry takes a new batch number, and the comment starts again from the cover text.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const int lab = SelectedLab();
        memComment->setPlainText(
            Engine()->GetTextToSendToLab(FPersonality, FLabCodes.value(lab).first, LabCaption(lab), FOfficerList));
    } catch (const VarnexError &e) {
        memComment->clear();
        QApplication::restoreOverrideCursor();
        Prompter::current().error(Varnex::ProgramName, e.message());
        return;
    }
    QApplication::restoreOverrideCursor();
}

void TExportLabFrm::Send()
{
    const int lab = SelectedLab();
    const QStringList officers = FOfficerList;
    QPointer<TExportLabFrm> self(this);
    try {
        Engine()->DeliverToLab(FPersonality, FLabCodes.value(lab).first, LabCaption(lab), memComment->toPlainText(),
                               officers, [self](const BackgroundOutcome<void> &outcome) {
                                   if (self)
                                       self->SendFinished(outcome.ok(), outcome.error);
                               });
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return;
    }
    setBusy(true);
}
