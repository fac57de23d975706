#pragma once

#include "ZQCXController.h"

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

class TzqcxTextEdit : public QLineEdit, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxTextEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
};

class TzqcxCheckBox : public QCheckBox, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxCheckBox(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
};

class TzqcxDateEdit : public QDateEdit, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxDateEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
};

class TzqcxLookupComboBox : public QComboBox, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxLookupComboBox(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
};

// The group box is coloured while one of its buttons has the focus.
class TzqcxRadioGroup : public QGroupBox, public TzqcxPlainEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxRadioGroup(QWidget *parent = nullptr);

private:
    bool m_hadFocus = false;
};
