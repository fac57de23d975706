#pragma once

#include <initializer_list>

class QFormLayout;
class QLabel;
class QWidget;
class TRegistryDM;

enum class ProjectLink { CategoryTree, GeneralEnquiries, Helpline, VideoScreencasts, Website };

// The project's contact links shown by the About box and the login dialog: fixed captions beside
// labels whose texts (and, for the web addresses, link targets) come from the installation
// settings, or from their defaults when there are none. A form that shows the links inherits the
// labels.
class ProjectLinkLabels
{
public:
    QLabel *lblCategoryTree = nullptr;
    QLabel *lblGeneralEnquiries = nullptr;
    QLabel *lblHelpline = nullptr;
    QLabel *lblVideoScreencasts = nullptr;
    QLabel *lblWebsite = nullptr;

protected:
    // Makes the labels as children of parent and adds them to form as rows, in the order given.
    void AddProjectLinkRows(QFormLayout *form, QWidget *parent, const TRegistryDM *registry,
                            std::initializer_list<ProjectLink> order);
};
