#include "gui/Advanced_FRM.h"

TAdvancedFrm::TAdvancedFrm(QObject *AOwner) : TBasefrm(AOwner)
{
    Build(this);
}
