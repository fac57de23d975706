#pragma once

#include "samples/SampleLabel_Unt.h"
#include "samples/ui/LabelNoticeList_FRM.h"

// "Other additives": the other-additive declaration with the list of additives.
class TLabelOtherNoticeFrm : public TLabelNoticeListFrm
{
    Q_OBJECT
public:
    explicit TLabelOtherNoticeFrm(QObject *AOwner)
        : TLabelNoticeListFrm(AOwner, QStringLiteral("Other additives"), QStringLiteral("List of additives"),
                              TFoodLabel::OtherAdditives())
    {
    }
};
