#pragma once

#include "samples/DuplicateSample_DM.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QSpinBox;

// "Duplicate options": whose officer details and which date and time the copies take, how many
// copies (0 to 50) and whether the one copy opens once made.
class TDuplicateSampleOptionsFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TDuplicateSampleOptionsFrm(QWidget *parent = nullptr);

    bool UseSampleOfficer() const;
    bool UseDateTime() const;
    int NumberToCreate() const;
    bool OpenAfterCreate() const;
    DuplicateSampleOptions Options() const;

    // Shows the dialog modally; nothing when it is not closed with OK.
    static std::optional<DuplicateSampleOptions> Ask(QWidget *parent);

    QCheckBox *chkUseSampleOfficer;
    QCheckBox *chkUseDateTime;
    QSpinBox *spnNumberToCreate;
    QCheckBox *chkOpenAfterCreate;
    QDialogButtonBox *btnButtons;
};
