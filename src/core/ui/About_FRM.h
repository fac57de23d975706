#pragma once

#include "gui/Base_FRM.h"
#include "core/ui/ProjectLinks.h"

class QLabel;
class QPushButton;

// "About": the product's title, the fixed contact lines, the program's version and the project's
// links, whose texts (and web targets) come from the installation settings.
class TAboutFrm : public TBasefrm, public ProjectLinkLabels
{
    Q_OBJECT
public:
    explicit TAboutFrm(QObject *AOwner);

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QPushButton *btnClose = nullptr;
};
