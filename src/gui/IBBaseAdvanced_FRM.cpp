#include "gui/IBBaseAdvanced_FRM.h"

TIBBaseAdvancedfrm::TIBBaseAdvancedfrm(QObject *AOwner) : TIBBasefrm(AOwner)
{
    Build(this);
    connect(actSaveChanges, &QAction::triggered, this, [this]() { actSaveChangesExecute(); });
    connect(actCancelChanges, &QAction::triggered, this, [this]() { actCancelChangesExecute(); });
}

void TIBBaseAdvancedfrm::actSaveChangesExecute()
{
    if (trnLocal->InTransaction())
        trnLocal->Commit();
}
