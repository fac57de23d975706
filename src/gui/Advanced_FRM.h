#pragma once

#include "gui/AdvancedFurniture.h"
#include "gui/Base_FRM.h"

// The standard furniture without a database transaction, for forms that work only through other
// modules. Save and Cancel have no handlers here.
class TAdvancedFrm : public TBasefrm, public AdvancedFurniture
{
    Q_OBJECT
public:
    explicit TAdvancedFrm(QObject *AOwner);
};
