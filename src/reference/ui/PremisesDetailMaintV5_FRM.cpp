#include "reference/ui/PremisesDetailMaintV5_FRM.h"

namespace {
const PremisesRegister FoodPremises = {QStringLiteral("PREMISES_DETAIL"), 1000, QStringLiteral("srcPremisesType"),
                                       QStringLiteral("srcFoodSaftyRiskCategory"),
                                       QStringLiteral("srcFoodStandardsRiskCategory"), false};
}

TPremisesDetailMaintV5Frm::TPremisesDetailMaintV5Frm(QObject *AOwner) : PremisesMaintForm(AOwner, FoodPremises) {}

QString TPremisesDetailMaintV5Frm::BookmarkForCode(const QString &code)
{
    return PremisesMaintForm::BookmarkForCode(FoodPremises.table, code);
}
