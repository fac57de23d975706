#pragma once

#include "reference/ui/PremisesMaint.h"

// Spelled so.
class TAFPremisesDetailMaintV5FrmDrefaults : public TIBCompatibleBaseMaintFrmDefaults
{
};

// The animal-feed premises register (PREMISES_DETAIL_ANIMAL_FEED): as the food register, with the
// registration number and without the food standards risk category; its full address, and so the
// address search, covers the first 300 characters.
class TAFPremisesDetailMaintV5Frm : public PremisesMaintForm
{
    Q_OBJECT
public:
    explicit TAFPremisesDetailMaintV5Frm(QObject *AOwner);
    static QString BookmarkForCode(const QString &code);
};
