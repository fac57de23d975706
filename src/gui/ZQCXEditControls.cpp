#include "gui/ZQCXEditControls.h"

#include "base/VarnexError.h"

#include <QApplication>
#include <QKeyEvent>

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
    if (!m_entryProblem.isEmpty()) {
        setBackground(zqcxUnreadableColor(true));
    } else if (FocusController) {
        setBackground(FocusController->FocusColor);
    } else {
        m_saved = Background();
        setBackground(FocusColor);
    }
}

QColor TzqcxPlainEditorBase::unfocusedColour() const
{
    if (FocusController)
        return FocusController->UnfocusColor;
    return m_saved.isValid() ? m_saved : QApplication::palette(m_self).color(m_role);
}

void TzqcxPlainEditorBase::zqcxFocusOut()
{
    if (!m_entryProblem.isEmpty())
        setBackground(zqcxUnreadableColor(false));
    else if (FocusController || m_saved.isValid())
        setBackground(unfocusedColour());
}

void TzqcxPlainEditorBase::SetEntryProblem(const QString &problem)
{
    if (problem == m_entryProblem)
        return;
    const bool focused = m_self->hasFocus();
    // The colour to go back to once the entry is corrected.
    if (m_entryProblem.isEmpty() && !focused && !FocusController)
        m_saved = Background();
    m_entryProblem = problem;
    setBackground(zqcxUnreadableColor(focused));
    zqcxTellEntryProblem(m_self, problem);
}

void TzqcxPlainEditorBase::ClearEntryProblem()
{
    if (m_entryProblem.isEmpty())
        return;
    m_entryProblem.clear();
    m_self->setToolTip(QString());
    if (m_self->hasFocus())
        setBackground(FocusController ? FocusController->FocusColor : FocusColor);
    else
        setBackground(unfocusedColour());
}

TzqcxTextEdit::TzqcxTextEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base) {}

TzqcxCheckBox::TzqcxCheckBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Window) {}

TzqcxDateEdit::TzqcxDateEdit(QWidget *parent)
    : TzqcxFocusColouredEditor(parent, QPalette::Base),
      m_entry(
          this, [this]() { return calendarDate(); }, [this](QDate day) { setDate(day); })
{
    setPlaceholderText(QStringLiteral("dd/mm/yyyy"));
    setMaxLength(40);
    connect(this, &QLineEdit::editingFinished, this, [this]() { CommitEntry(); });
}

void TzqcxDateEdit::setDisplayFormat(const QString &format)
{
    m_entry.SetDisplayFormat(format);
    if (EntryProblem().isEmpty() && !isModified())
        setText(m_entry.TextOf(m_date));
}

void TzqcxDateEdit::setDate(const QDate &date)
{
    setText(m_entry.TextOf(date));
    take(date.isValid() ? date : QDate());
}

void TzqcxDateEdit::take(const QDate &date)
{
    setModified(false);
    ClearEntryProblem();
    if (date == m_date)
        return;
    m_date = date;
    emit dateChanged(m_date);
}

bool TzqcxDateEdit::CommitEntry()
{
    if (!isModified() && EntryProblem().isEmpty())
        return true;
    QString problem;
    const QDate date = m_entry.Read(text(), &problem);
    if (problem.isEmpty() && !date.isValid() && !m_blankAllowed)
        problem = QStringLiteral("A date is needed here: type the day, month and year, for example 11/12/2026.");
    if (!problem.isEmpty()) {
        SetEntryProblem(problem);
        return false;
    }
    setText(m_entry.TextOf(date));
    take(date);
    return true;
}

void TzqcxDateEdit::RequireReadableEntry()
{
    if (CommitEntry())
        return;
    TzqcxFocusController::ShowControl(this);
    throw VarnexError(EntryProblem());
}

QDate TzqcxDateEdit::calendarDate() const
{
    // The date typed when it can be read, else the last one taken.
    QString problem;
    const QDate typed = m_entry.Read(text(), &problem);
    return typed.isValid() ? typed : m_date;
}

void TzqcxDateEdit::OpenCalendar()
{
    m_entry.OpenCalendar(calendarDate());
}

void TzqcxDateEdit::keyPressEvent(QKeyEvent *e)
{
    if (TzqcxDateEntry::IsCalendarKey(e)) {
        OpenCalendar();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

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
