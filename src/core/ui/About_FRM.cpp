#include "core/ui/About_FRM.h"

#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "base/ProductNames.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutFrm::TAboutFrm(QObject *AOwner)
    : TBasefrm(AOwner)
{
    setWindowTitle(QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);

    lblTitle = new QLabel(Varnex::ProductTitle, this);
    QFont font = lblTitle->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    lblTitle->setFont(font);
    layout->addWidget(lblTitle);
    layout->addWidget(new QLabel(Varnex::ProgramName, this));
    layout->addWidget(new QLabel(QStringLiteral("Official food and feed sampling for local authorities"), this));
    layout->addWidget(new QLabel(QStringLiteral("Tarvello, Sampling Systems Support"), this));

    auto *form = new QFormLayout;
    const QString version = Maindm ? Maindm->Version() : QCoreApplication::applicationVersion();
    lblVersion = new QLabel(version, this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    form->addRow(QStringLiteral("Version"), lblVersion);

    AddProjectLinkRows(form, this, RegistryDM,
                       {ProjectLink::Helpline, ProjectLink::GeneralEnquiries, ProjectLink::Website,
                        ProjectLink::VideoScreencasts, ProjectLink::CategoryTree});
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, [this]() { close(); });
    layout->addWidget(buttons);
}
