#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"

namespace {
const PremisesRegister FeedPremises = {QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED"), 300,
                                       QStringLiteral("srcFeedPremisesType"), QStringLiteral("srcFeedRiskCategory"),
                                       QString(), true};
}

TAFPremisesDetailMaintV5Frm::TAFPremisesDetailMaintV5Frm(QObject *AOwner) : PremisesMaintForm(AOwner, FeedPremises) {}

QString TAFPremisesDetailMaintV5Frm::BookmarkForCode(const QString &code)
{
    return PremisesMaintForm::BookmarkForCode(FeedPremises.table, code);
}
