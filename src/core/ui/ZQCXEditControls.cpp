#include "ZQCXEditControls.h"

#include <QApplication>

TzqcxPlainEditorBase::TzqcxPlainEditorBase(QWidget *self, QPalette::ColorRole role)
    : FocusColor(TzqcxFocusController::WindowColor()), m_self(self), m_role(role)
{
    if (role == QPalette::Window)
        self->setAutoFillBackground(true);
}

QColor TzqcxPlainEditorBase::Background() const
{
    return m_self->palette().color(m_role);
}

void TzqcxPlainEditorBase::setBackground(const QColor &colour)
{
    QPalette p = m_self->palette();
    p.setColor(m_role, colour);
    m_self->setPalette(p);
}

void TzqcxPlainEditorBase::zqcxFocusIn()
{
    if (FocusController) {
        setBackground(FocusController->FocusColor);
    } else {
        m_saved = Background();
        setBackground(FocusColor);
    }
}

void TzqcxPlainEditorBase::zqcxFocusOut()
{
    if (FocusController)
        setBackground(FocusController->UnfocusColor);
    else if (m_saved.isValid())
        setBackground(m_saved);
}

#define ZQCX_PLAIN_FOCUS(Class, Base)                                                                   \
    void Class::focusInEvent(QFocusEvent *e)                                                            \
    {                                                                                                   \
        zqcxFocusIn();                                                                                  \
        Base::focusInEvent(e);                                                                          \
    }                                                                                                   \
    void Class::focusOutEvent(QFocusEvent *e)                                                           \
    {                                                                                                   \
        zqcxFocusOut();                                                                                 \
        Base::focusOutEvent(e);                                                                         \
    }

TzqcxTextEdit::TzqcxTextEdit(QWidget *parent) : QLineEdit(parent), TzqcxPlainEditorBase(this, QPalette::Base) {}
ZQCX_PLAIN_FOCUS(TzqcxTextEdit, QLineEdit)

TzqcxCheckBox::TzqcxCheckBox(QWidget *parent) : QCheckBox(parent), TzqcxPlainEditorBase(this, QPalette::Window) {}
ZQCX_PLAIN_FOCUS(TzqcxCheckBox, QCheckBox)

TzqcxDateEdit::TzqcxDateEdit(QWidget *parent) : QDateEdit(parent), TzqcxPlainEditorBase(this, QPalette::Base) {}
ZQCX_PLAIN_FOCUS(TzqcxDateEdit, QDateEdit)

TzqcxLookupComboBox::TzqcxLookupComboBox(QWidget *parent)
    : QComboBox(parent), TzqcxPlainEditorBase(this, QPalette::Base)
{
}
ZQCX_PLAIN_FOCUS(TzqcxLookupComboBox, QComboBox)

TzqcxRadioGroup::TzqcxRadioGroup(QWidget *parent) : QGroupBox(parent), TzqcxPlainEditorBase(this, QPalette::Window)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        const bool focused = now && (now == this || isAncestorOf(now));
        if (focused == m_hadFocus)
            return;
        m_hadFocus = focused;
        if (focused)
            zqcxFocusIn();
        else
            zqcxFocusOut();
    });
}
