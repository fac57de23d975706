#include "core/ui/ProjectLinks.h"

#include "core/Registry_DM.h"

#include <QFormLayout>
#include <QLabel>

#include <iterator>

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

// One row per link, in the order of ProjectLink: caption, setting, its default, whether the text
// is a web address that the label links to, and the label.
struct LinkRow
{
    QLatin1StringView caption;
    QString (TRegistryDM::*setting)() const;
    QString (*fallback)();
    bool isWebAddress;
    QLabel *ProjectLinkLabels::*label;
};

const LinkRow Rows[] = {
    {QLatin1StringView("Category Tree Printout"), &TRegistryDM::CategoryTree, [] { return TRegistryDM::defaultCategoryTree(); }, true, &ProjectLinkLabels::lblCategoryTree},
    {QLatin1StringView("General enquiries"), &TRegistryDM::GeneralEnquiries, &TRegistryDM::defaultGeneralEnquiries, false, &ProjectLinkLabels::lblGeneralEnquiries},
    {QLatin1StringView("Helpline:"), &TRegistryDM::HelpLineNumber, &TRegistryDM::defaultHelpLineNumber, false, &ProjectLinkLabels::lblHelpline},
    {QLatin1StringView("Video Screencasts"), &TRegistryDM::VideoScreenCasts, [] { return TRegistryDM::defaultVideoScreenCasts(); }, true, &ProjectLinkLabels::lblVideoScreencasts},
    {QLatin1StringView("Web site"), &TRegistryDM::Website, [] { return TRegistryDM::defaultWebsite(); }, true, &ProjectLinkLabels::lblWebsite},
};
static_assert(std::size(Rows) == int(ProjectLink::Website) + 1);

} // namespace

void ProjectLinkLabels::AddProjectLinkRows(QFormLayout *form, QWidget *parent, const TRegistryDM *registry,
                                           std::initializer_list<ProjectLink> order)
{
    for (const ProjectLink link : order) {
        const LinkRow &row = Rows[int(link)];
        const QString text = registry ? (registry->*row.setting)() : row.fallback();
        QLabel *label = linkLabel(text, row.isWebAddress ? text : QString(), parent);
        this->*row.label = label;
        form->addRow(QString(row.caption), label);
    }
}
