#pragma once

#include <QColor>
#include <QFocusEvent>
#include <QPalette>
#include <QWidget>

#include <functional>

// The glue every Tzqcx editor shares, whichever family it belongs to: it is a Qt widget and an
// editor base at once, hands the base itself and the palette role it colours, and tells the base
// when the focus comes and goes (before the widget's own handling, as a hand-written override
// would). EditorBase is TzqcxDBEditorBase or TzqcxPlainEditorBase; both offer zqcxFocusIn() and
// zqcxFocusOut().
template <class QtWidget, class EditorBase>
class TzqcxFocusColouredEditor : public QtWidget, public EditorBase
{
public:
    TzqcxFocusColouredEditor(QWidget *parent, QPalette::ColorRole role) : QtWidget(parent), EditorBase(this, role) {}

protected:
    void focusInEvent(QFocusEvent *e) override
    {
        this->zqcxFocusIn();
        QtWidget::focusInEvent(e);
    }
    void focusOutEvent(QFocusEvent *e) override
    {
        this->zqcxFocusOut();
        QtWidget::focusOutEvent(e);
    }
};

// The background of an entry an editor cannot read (a date or time it cannot make out), focused
// and not: the same red on every form, whatever colours its focus controller gives.
inline QColor zqcxUnreadableColor(bool focused)
{
    return focused ? QColor(0xE6, 0x8E, 0x8E) : QColor(0xF8, 0x8F, 0x8F);
}

// Gives an editor the problem of its entry as its hint and says it at once below the editor, where
// the officer looks, without a box to click away.
void zqcxTellEntryProblem(QWidget *editor, const QString &problem);

// For a group of buttons, which counts as focused while it or one of its children has the focus:
// calls changed(true) when the focus enters the group and changed(false) when it leaves it.
void zqcxWatchGroupFocus(QWidget *group, std::function<void(bool focused)> changed);
