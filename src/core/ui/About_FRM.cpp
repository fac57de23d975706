#include "About_FRM.h"

#include "Main_DM.h"
#include "Main_FRM.h"
#include "Registry_DM.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *linkLabel(const QString &text, const QString &target, QWidget *parent)
{
    auto *label = new QLabel(parent);
    if (target.isEmpty()) {
        label->setText(text);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    } else {
        label->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), text.toHtmlEscaped()));
        label->setTextFormat(Qt::RichText);
        label->setOpenExternalLinks(true);
    }
    return label;
}

} // namespace

TAboutFrm::TAboutFrm(QObject *AOwner)
    : TBasefrm(AOwner)
{
    setWindowTitle(QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);

    lblTitle = new QLabel(TMainfrm::ProductTitle(), this);
    QFont font = lblTitle->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    lblTitle->setFont(font);
    layout->addWidget(lblTitle);
    layout->addWidget(new QLabel(QStringLiteral("Varnex Desktop"), this));
    layout->addWidget(new QLabel(QStringLiteral("Official food and feed sampling for local authorities"), this));
    layout->addWidget(new QLabel(QStringLiteral("Tarvello, Sampling Systems Support"), this));

    auto *form = new QFormLayout;
    const QString version = Maindm ? Maindm->Version() : QCoreApplication::applicationVersion();
    lblVersion = new QLabel(version, this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    form->addRow(QStringLiteral("Version"), lblVersion);

    const TRegistryDM *registry = RegistryDM;
    const QString helpline = registry ? registry->HelpLineNumber() : TRegistryDM::defaultHelpLineNumber();
    const QString enquiries = registry ? registry->GeneralEnquiries() : TRegistryDM::defaultGeneralEnquiries();
    const QString website = registry ? registry->Website() : TRegistryDM::defaultWebsite();
    const QString video = registry ? registry->VideoScreenCasts() : TRegistryDM::defaultVideoScreenCasts();
    const QString tree = registry ? registry->CategoryTree() : TRegistryDM::defaultCategoryTree();
    lblHelpline = linkLabel(helpline, {}, this);
    lblGeneralEnquiries = linkLabel(enquiries, {}, this);
    lblWebsite = linkLabel(website, website, this);
    lblVideoScreencasts = linkLabel(video, video, this);
    lblCategoryTree = linkLabel(tree, tree, this);
    form->addRow(QStringLiteral("Helpline:"), lblHelpline);
    form->addRow(QStringLiteral("General enquiries"), lblGeneralEnquiries);
    form->addRow(QStringLiteral("Web site"), lblWebsite);
    form->addRow(QStringLiteral("Video Screencasts"), lblVideoScreencasts);
    form->addRow(QStringLiteral("Category Tree Printout"), lblCategoryTree);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, [this]() { close(); });
    layout->addWidget(buttons);
}
