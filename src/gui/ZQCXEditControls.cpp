#include "gui/ZQCXEditControls.h"

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

TzqcxTextEdit::TzqcxTextEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base) {}

TzqcxCheckBox::TzqcxCheckBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Window) {}

TzqcxDateEdit::TzqcxDateEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base) {}

TzqcxLookupComboBox::TzqcxLookupComboBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base) {}

TzqcxRadioGroup::TzqcxRadioGroup(QWidget *parent) : QGroupBox(parent), TzqcxPlainEditorBase(this, QPalette::Window)
{
    zqcxWatchGroupFocus(this, [this](bool focused) {
        if (focused)
            zqcxFocusIn();
        else
            zqcxFocusOut();
    });
}
