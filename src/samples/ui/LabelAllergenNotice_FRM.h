#pragma once

#include "samples/SampleLabel_Unt.h"
#include "samples/ui/LabelNoticeList_FRM.h"

// "Allergen notice": the allergen declaration with the list of allergens.
class TLabelAllergenNoticeFrm : public TLabelNoticeListFrm
{
    Q_OBJECT
public:
    explicit TLabelAllergenNoticeFrm(QObject *AOwner)
        : TLabelNoticeListFrm(AOwner, QStringLiteral("Allergen notice"), QStringLiteral("List of allergens"),
                              TFoodLabel::Allergens())
    {
    }
};
