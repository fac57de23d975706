#include "gui/ZQCXEditorFocus.h"

#include <QApplication>
#include <QToolTip>

void zqcxWatchGroupFocus(QWidget *group, std::function<void(bool focused)> changed)
{
    QObject::connect(qApp, &QApplication::focusChanged, group,
                     [group, changed = std::move(changed), hadFocus = false](QWidget *, QWidget *now) mutable {
                         const bool focused = now && (now == group || group->isAncestorOf(now));
                         if (focused == hadFocus)
                             return;
                         hadFocus = focused;
                         changed(focused);
                     });
}

void zqcxTellEntryProblem(QWidget *editor, const QString &problem)
{
    editor->setToolTip(problem);
    if (editor->isVisible())
        QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), problem, editor);
}
