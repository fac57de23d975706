#include "samples/ui/DuplicateSampleOptions_FRM.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TDuplicateSampleOptionsFrm::TDuplicateSampleOptionsFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DuplicateSampleOptionsFrm"));
    setWindowTitle(QStringLiteral("Duplicate options"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(8);
    chkUseSampleOfficer = new QCheckBox(QStringLiteral("Use sampling officer details"), this);
    chkUseSampleOfficer->setObjectName(QStringLiteral("chkUseSampleOfficer"));
    chkUseDateTime = new QCheckBox(QStringLiteral("Use date/time from original"), this);
    chkUseDateTime->setObjectName(QStringLiteral("chkUseDateTime"));
    layout->addWidget(chkUseSampleOfficer);
    layout->addWidget(chkUseDateTime);

    auto *number = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Number to create:"), this);
    spnNumberToCreate = new QSpinBox(this);
    spnNumberToCreate->setObjectName(QStringLiteral("spnNumberToCreate"));
    spnNumberToCreate->setRange(0, TDuplicateSampleDm::MaxCopies);
    spnNumberToCreate->setValue(1);
    spnNumberToCreate->setMinimumWidth(70);
    label->setBuddy(spnNumberToCreate);
    number->addWidget(label);
    number->addWidget(spnNumberToCreate);
    number->addWidget(new QLabel(QStringLiteral("(max 50)"), this));
    number->addStretch(1);
    layout->addLayout(number);

    chkOpenAfterCreate = new QCheckBox(QStringLiteral("Open duplicate once created"), this);
    chkOpenAfterCreate->setObjectName(QStringLiteral("chkOpenAfterCreate"));
    layout->addWidget(chkOpenAfterCreate);
    // Only one copy can be opened, so the box means something only while the number is 1.
    connect(spnNumberToCreate, &QSpinBox::valueChanged, this,
            [this](int value) { chkOpenAfterCreate->setEnabled(value == 1); });

    btnButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    btnButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(btnButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(btnButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(6);
    layout->addWidget(btnButtons);
    setMinimumWidth(300);
}

bool TDuplicateSampleOptionsFrm::UseSampleOfficer() const
{
    return chkUseSampleOfficer->isChecked();
}

bool TDuplicateSampleOptionsFrm::UseDateTime() const
{
    return chkUseDateTime->isChecked();
}

int TDuplicateSampleOptionsFrm::NumberToCreate() const
{
    return spnNumberToCreate->value();
}

bool TDuplicateSampleOptionsFrm::OpenAfterCreate() const
{
    return chkOpenAfterCreate->isEnabled() && chkOpenAfterCreate->isChecked();
}

DuplicateSampleOptions TDuplicateSampleOptionsFrm::Options() const
{
    return {UseSampleOfficer(), UseDateTime(), NumberToCreate(), OpenAfterCreate()};
}

std::optional<DuplicateSampleOptions> TDuplicateSampleOptionsFrm::Ask(QWidget *parent)
{
    TDuplicateSampleOptionsFrm dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Options();
}
