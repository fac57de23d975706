#include "gui/WaitCursorIndicator.h"

#include <QApplication>

void WaitCursorIndicator::begin()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursorIndicator::end()
{
    QApplication::restoreOverrideCursor();
}
