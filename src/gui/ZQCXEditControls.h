#pragma once

#include "gui/ZQCXController.h"
#include "gui/ZQCXEditorFocus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
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

protected:
    TzqcxPlainEditorBase(QWidget *self, QPalette::ColorRole role);
    virtual ~TzqcxPlainEditorBase() = default;
    void zqcxFocusIn();
    void zqcxFocusOut();

private:
    void setBackground(const QColor &colour);
    QWidget *m_self;
    QPalette::ColorRole m_role;
    QColor m_saved;
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

class TzqcxDateEdit : public TzqcxFocusColouredEditor<QDateEdit, TzqcxPlainEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDateEdit(QWidget *parent = nullptr);
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
