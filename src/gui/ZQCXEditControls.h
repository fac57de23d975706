#pragma once

#include "gui/ZQCXController.h"
#include "gui/ZQCXDateEntry.h"
#include "gui/ZQCXEditorFocus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>

// What the plain (not data-aware) Tzqcx editors share: on gaining the focus they show FocusColor
// (or the controller's FocusColor when one is set) and on losing it they go back to the colour
// they had (or the controller's UnfocusColor). Setting a controller does not link the editor.
class TzqcxPlainEditorBase
{
public:
    QColor FocusColor;
    TzqcxFocusController *FocusController = nullptr;

    QColor Background() const;
    // Why the entry shown cannot be taken; empty when there is no such entry.
    QString EntryProblem() const { return m_entryProblem; }

protected:
    TzqcxPlainEditorBase(QWidget *self, QPalette::ColorRole role);
    virtual ~TzqcxPlainEditorBase() = default;
    void zqcxFocusIn();
    void zqcxFocusOut();
    // Marks the entry red with the problem as its hint (and says it at once), or unmarks it.
    void SetEntryProblem(const QString &problem);
    void ClearEntryProblem();

private:
    void setBackground(const QColor &colour);
    QColor unfocusedColour() const;
    QWidget *m_self;
    QPalette::ColorRole m_role;
    QColor m_saved;
    QString m_entryProblem;
};

class TzqcxTextEdit : public TzqcxFocusColouredEditor<QLineEdit, TzqcxPlainEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxTextEdit(QWidget *parent = nullptr);
};

class TzqcxCheckBox : public TzqcxFocusColouredEditor<QCheckBox, TzqcxPlainEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxCheckBox(QWidget *parent = nullptr);
};

// A date typed as TypedDateTime reads it or chosen from the calendar (the button at the end, F4 or
// Alt+Down), taken when the entry is finished (Enter, leaving the editor, CommitEntry). An entry it
// cannot read, or one outside its range, stays as typed, marked red with the reason as its hint;
// date() then keeps the last date taken, never one made up. A blank entry is a date left out
// (an invalid date) where the editor allows it, and refused where it does not.
class TzqcxDateEdit : public TzqcxFocusColouredEditor<QLineEdit, TzqcxPlainEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDateEdit(QWidget *parent = nullptr);

    // "dd/MM/yyyy" unless set (a QLocale date format).
    void setDisplayFormat(const QString &format);
    void setDateRange(const QDate &minimum, const QDate &maximum) { m_entry.SetDateRange(minimum, maximum); }
    void SetBlankAllowed(bool allowed) { m_blankAllowed = allowed; }

    QDate date() const { return m_date; }
    // Shows the date and takes it (an invalid date leaves the editor blank).
    void setDate(const QDate &date);
    // Takes what was typed and not taken yet; false when the entry cannot be taken (it is marked).
    bool CommitEntry();
    // Commits the entry and throws VarnexError with its problem, the focus on the editor, when it
    // cannot be taken.
    void RequireReadableEntry();
    void OpenCalendar();
    const TzqcxDateEntry &Entry() const { return m_entry; }

signals:
    void dateChanged(QDate date);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    void take(const QDate &date);
    QDate calendarDate() const;

    TzqcxDateEntry m_entry;
    QDate m_date;
    bool m_blankAllowed = true;
};

class TzqcxLookupComboBox : public TzqcxFocusColouredEditor<QComboBox, TzqcxPlainEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxLookupComboBox(QWidget *parent = nullptr);
};

// The group box is coloured while one of its buttons has the focus.
class TzqcxRadioGroup : public QGroupBox, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxRadioGroup(QWidget *parent = nullptr);
};
