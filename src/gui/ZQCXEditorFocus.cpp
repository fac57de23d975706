#include "gui/ZQCXEditorFocus.h"

#include <QApplication>

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
