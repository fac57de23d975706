#include "gui/AdvancedFurniture.h"

#include "gui/Base_FRM.h"

#include <QActionEvent>
#include <QHBoxLayout>

ActionButton::ActionButton(QAction *action, QWidget *parent) : QPushButton(parent), m_action(action)
{
    connect(action, &QAction::changed, this, &ActionButton::sync);
    connect(this, &QPushButton::clicked, action, &QAction::trigger);
    setAutoDefault(false);
    sync();
}

void ActionButton::sync()
{
    setText(m_action->text());
    setToolTip(m_action->toolTip());
    setEnabled(m_action->isEnabled());
    setVisible(m_action->isVisible());
}

void AdvancedFurniture::Build(TBasefrm *form)
{
    m_form = form;
    auto *outer = new QVBoxLayout(form);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    RzPanel2 = new QFrame(form);
    RzPanel2->setObjectName(QStringLiteral("RzPanel2"));
    RzPanel2->setFrameShape(QFrame::StyledPanel);
    new QHBoxLayout(RzPanel2);
    outer->addWidget(RzPanel2);

    auto *middle = new QHBoxLayout;
    ClientArea = new QWidget(form);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    middle->addWidget(ClientArea, 1);

    RzPanel1 = new QFrame(form);
    RzPanel1->setObjectName(QStringLiteral("RzPanel1"));
    RzPanel1->setFrameShape(QFrame::StyledPanel);
    auto *right = new QVBoxLayout(RzPanel1);
    RzPanel1Layout = new QVBoxLayout;
    right->addLayout(RzPanel1Layout);
    right->addStretch(1);
    pnlStandard = new QFrame(RzPanel1);
    pnlStandard->setObjectName(QStringLiteral("pnlStandard"));
    auto *standard = new QVBoxLayout(pnlStandard);
    standard->setContentsMargins(0, 0, 0, 0);
    right->addWidget(pnlStandard);
    middle->addWidget(RzPanel1);
    outer->addLayout(middle, 1);

    StatusBar = new QStatusBar(form);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    outer->addWidget(StatusBar);

    actHelp = new QAction(QStringLiteral("&Help"), form);
    actHelp->setObjectName(QStringLiteral("actHelp"));
    actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    actHelp->setVisible(false);
    actClose = new QAction(QStringLiteral("&Close (F2)"), form);
    actClose->setObjectName(QStringLiteral("actClose"));
    actClose->setShortcut(QKeySequence(Qt::Key_F2));
    actSaveChanges = new QAction(QStringLiteral("Save"), form);
    actSaveChanges->setObjectName(QStringLiteral("actSaveChanges"));
    actCancelChanges = new QAction(QStringLiteral("Cancel"), form);
    actCancelChanges->setObjectName(QStringLiteral("actCancelChanges"));
    for (QAction *a : {actHelp, actClose, actSaveChanges, actCancelChanges}) {
        a->setShortcutContext(Qt::WindowShortcut);
        form->addAction(a);
    }
    standard->addWidget(new ActionButton(actHelp, pnlStandard));
    standard->addWidget(new ActionButton(actClose, pnlStandard));
    QObject::connect(actClose, &QAction::triggered, form, [this]() { actCloseExecute(); });
    QObject::connect(actHelp, &QAction::triggered, form, [this]() { actHelpExecute(); });
}

void AdvancedFurniture::actCloseExecute()
{
    m_form->done(QDialog::Accepted);
}

ActionButton *AdvancedFurniture::AddButton(QAction *action)
{
    auto *button = new ActionButton(action, RzPanel1);
    RzPanel1Layout->addWidget(button);
    return button;
}
