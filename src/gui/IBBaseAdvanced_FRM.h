#pragma once

#include "gui/AdvancedFurniture.h"
#include "gui/IBBase_FRM.h"

class TIBBaseAdvancedfrmDefaults : public TIBBaseDefaultInfo
{
};

// Spelled so: the answer class of these forms.
class TIBBaseAdvancesFrmReturnInfo : public TIBBaseReturnInfo
{
};

// A database form with the standard furniture: title band, right-hand button panel with Help and
// Close, status bar, and Save (commits the form's transaction when one is open) and Cancel
// actions. Descendants put their content into ClientArea and their buttons into RzPanel1.
class TIBBaseAdvancedfrm : public TIBBasefrm, public AdvancedFurniture
{
    Q_OBJECT
public:
    explicit TIBBaseAdvancedfrm(QObject *AOwner);

protected:
    virtual void actSaveChangesExecute();
    virtual void actCancelChangesExecute() {}
};
