#include "Advanced_FRM.h"

TAdvancedFrm::TAdvancedFrm(QObject *AOwner) : TBasefrm(AOwner)
{
    Build(this);
    connect(actClose, &QAction::triggered, this, [this]() { actCloseExecute(); });
    connect(actHelp, &QAction::triggered, this, [this]() { actHelpExecute(); });
}

void TAdvancedFrm::actCloseExecute()
{
    done(QDialog::Accepted);
}
