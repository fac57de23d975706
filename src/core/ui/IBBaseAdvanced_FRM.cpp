#include "IBBaseAdvanced_FRM.h"

TIBBaseAdvancedfrm::TIBBaseAdvancedfrm(QObject *AOwner) : TIBBasefrm(AOwner)
{
    Build(this);
    connect(actSaveChanges, &QAction::triggered, this, [this]() { actSaveChangesExecute(); });
    connect(actCancelChanges, &QAction::triggered, this, [this]() { actCancelChangesExecute(); });
    connect(actClose, &QAction::triggered, this, [this]() { actCloseExecute(); });
    connect(actHelp, &QAction::triggered, this, [this]() { actHelpExecute(); });
}

void TIBBaseAdvancedfrm::actSaveChangesExecute()
{
    if (trnLocal->InTransaction())
        trnLocal->Commit();
}

void TIBBaseAdvancedfrm::actCloseExecute()
{
    // The Close button carries the modal result OK.
    done(QDialog::Accepted);
}
