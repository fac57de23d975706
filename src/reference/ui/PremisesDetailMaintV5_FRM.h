#pragma once

#include "reference/ui/PremisesMaint.h"

class TPremisesDetailMaintV5FrmDefaults : public TIBCompatibleBaseMaintFrmDefaults
{
};

// The food premises register (PREMISES_DETAIL): maintained from the main window ("PremisesMaint"),
// picked from by the food sample and template editors, which open it on the premises the sample
// holds (InitialBookmark = BookmarkForCode(the sample's premises code)).
class TPremisesDetailMaintV5Frm : public PremisesMaintForm
{
    Q_OBJECT
public:
    explicit TPremisesDetailMaintV5Frm(QObject *AOwner);
    static QString BookmarkForCode(const QString &code);
};
