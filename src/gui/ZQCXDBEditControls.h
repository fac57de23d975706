#pragma once

#include "gui/ZQCXController.h"
#include "gui/ZQCXDateEntry.h"
#include "gui/ZQCXEditorFocus.h"

#include "data/DataSet.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QVariant>

class QButtonGroup;
class QRadioButton;


// What every data-aware Tzqcx editor shares: the colours it takes from its focus controller, the
// background it shows on gaining and losing the focus, and its binding to one column of a
// dataset. The editor shows the column of the current row; what the user enters is written to
// the row, putting the dataset into edit state first when its auto-edit allows it. Empty input
// writes NULL.
//
// An editor takes input only while its column can be written from it (TakesInput): otherwise it
// is read-only, and the mouse and the keys that would change a value do nothing. An entry the
// editor cannot read (a date or time it cannot make out) stays as typed, marked red with its
// problem as the hint, and is written nowhere until it is corrected.
class TzqcxDBEditorBase : public IzqcxLinkedControl
{
public:
    QColor FocusColor;
    QColor UnFocusedColor;

    TzqcxFocusController *FocusController() const { return m_controller; }
    // Links the editor to the controller (or unlinks it with nullptr).
    void SetFocusController(TzqcxFocusController *controller);

    void SetDataBinding(SqlDataSet *dataSet, const QString &fieldName);
    SqlDataSet *DataSet() const { return m_dataSet; }
    QString DataField() const { return m_field; }

    // A value the officer reads and never changes, whatever the state of the row.
    void SetAlwaysReadOnly(bool readOnly);
    bool AlwaysReadOnly() const { return m_alwaysReadOnly; }
    // Whether what the user does reaches the column now: the dataset is open and may be changed,
    // the column is one it writes, and the row is being edited or typing may start editing it
    // (auto-edit). An editor without a dataset takes input and writes nowhere.
    bool TakesInput() const;

    // Why the entry shown cannot be written; empty when there is no such entry.
    QString EntryProblem() const { return m_entryProblem; }
    // Writes what was typed and not written yet, as leaving the editor would.
    virtual void CommitEntry() {}
    // Commits the entries of every data-aware editor under root; the first editor left with an
    // entry it cannot read, or nullptr.
    static TzqcxDBEditorBase *CommitEntries(const QWidget *root);
    // Commits them and refuses (throws VarnexError with its problem) when one cannot be read,
    // after showing that editor: its tab pages made current and the focus on it.
    static void RequireReadableEntries(const QWidget *root);

    // The background the editor shows now.
    QColor Background() const;
    QWidget *Widget() const { return m_self; }

    void zqcxRecolour() override;
    void zqcxUnlink() override;

protected:
    TzqcxDBEditorBase(QWidget *self, QPalette::ColorRole role);
    ~TzqcxDBEditorBase() override;

    void zqcxFocusIn();
    void zqcxFocusOut();
    // True while the editor or a child of it has the focus.
    virtual bool zqcxHasFocus() const;
    // Writes what the user entered; returns false (and shows the current value again) when it
    // could not be written. An editor that takes no input writes nothing and says nothing.
    bool WriteField(const QVariant &value);
    void ReloadField();
    virtual void ShowFieldValue(const QVariant &value) = 0;
    bool Updating() const { return m_updating; }
    // Whether the editor holds an entry of the officer that is not in the row yet (typed and not
    // finished, or not readable); such an entry survives the row going into edit state.
    virtual bool HoldsUnwrittenEntry() const { return !m_entryProblem.isEmpty(); }
    void SetEntryProblem(const QString &problem);
    void ClearEntryProblem();
    // Shows whether the editor takes input. By default the mouse, the wheel and the keys that
    // would change the value are held back while it takes none; editors with a read-only mode
    // use that instead (ReadOnlyWanted).
    virtual void ShowInputState(bool takesInput) { m_holdingInput = ReadOnlyWanted(takesInput); }
    bool ReadOnlyWanted(bool takesInput) const { return m_alwaysReadOnly || !takesInput; }
    // Holds back the input of a widget of the editor (a button of a group) while it takes none.
    void HoldBackInputOf(QWidget *widget);

    QWidget *m_self;

private:
    friend class TzqcxInputGate;
    void setBackground(const QColor &colour);
    void paint(bool focused);
    void updateInputState();
    void rowOrStateChanged();

    QPalette::ColorRole m_role;
    QPointer<TzqcxFocusController> m_controller;
    QPointer<SqlDataSet> m_dataSet;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
    QString m_entryProblem;
    QObject *m_gate;
    bool m_updating = false;
    bool m_alwaysReadOnly = false;
    bool m_holdingInput = false;
};

class TzqcxDBTextEdit : public TzqcxFocusColouredEditor<QLineEdit, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBTextEdit(QWidget *parent = nullptr);
    // Turns what is typed into capitals (codes).
    void SetUpperCase(bool upper) { m_upperCase = upper; }
    bool UpperCase() const { return m_upperCase; }
    // Writes what was typed and is not written yet (an editor that writes only the finished
    // entry), as leaving the editor would: a save started from a key takes it along.
    void PostEditValue();
    void CommitEntry() override { PostEditValue(); }

protected:
    void ShowFieldValue(const QVariant &value) override;
    bool HoldsUnwrittenEntry() const override;
    void ShowInputState(bool takesInput) override;
    // Whether each keystroke is written (true) or only the finished entry.
    virtual bool WritesWhileTyping() const { return true; }
    // The value for the text entered; a problem (non-empty *problem) keeps the text, marked, and
    // writes nothing.
    virtual QVariant ValueFromText(const QString &text, QString *problem) const;
    virtual QString TextFromValue(const QVariant &value) const;

private:
    void commitText();
    bool m_upperCase = false;
};

class TzqcxDBMaskEdit : public TzqcxDBTextEdit
{
    Q_OBJECT
public:
    using TzqcxDBTextEdit::TzqcxDBTextEdit;
};

class TzqcxDBHyperlinkEdit : public TzqcxDBTextEdit
{
    Q_OBJECT
public:
    using TzqcxDBTextEdit::TzqcxDBTextEdit;
};

// A text edit with a button at its end ("..."), for pickers.
class TzqcxDBButtonEdit : public TzqcxDBTextEdit
{
    Q_OBJECT
public:
    explicit TzqcxDBButtonEdit(QWidget *parent = nullptr);
    QAction *Button() const { return m_button; }

signals:
    void buttonClicked();

private:
    QAction *m_button;
};

// A time of day, typed as TypedDateTime reads it (10:30, 1030, 10.30, 9:5) and shown as HH:mm
// (HH:mm:ss when it has seconds); written when the entry is finished.
class TzqcxDBTimeEdit : public TzqcxDBTextEdit
{
    Q_OBJECT
public:
    explicit TzqcxDBTimeEdit(QWidget *parent = nullptr);

protected:
    bool WritesWhileTyping() const override { return false; }
    QVariant ValueFromText(const QString &text, QString *problem) const override;
    QString TextFromValue(const QVariant &value) const override;
};

class TzqcxDBMemo : public TzqcxFocusColouredEditor<QPlainTextEdit, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBMemo(QWidget *parent = nullptr);
    // The most characters that typing or pasting may bring the text to (0: no limit). A text that
    // already holds more (stored so, or written by the program) is shown and kept whole: only what
    // would make it longer still is refused.
    void SetMaxLength(int length) { m_maxLength = length; }
    int MaxLength() const { return m_maxLength; }

protected:
    void ShowFieldValue(const QVariant &value) override;
    void ShowInputState(bool takesInput) override { setReadOnly(ReadOnlyWanted(takesInput)); }

private:
    void limitLength();
    int m_maxLength = 0;
    int m_lastLength = 0;
    bool m_limiting = false;
};

// Checked when the column holds ValueChecked ("T" unless changed).
class TzqcxDBCheckBox : public TzqcxFocusColouredEditor<QCheckBox, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBCheckBox(QWidget *parent = nullptr);
    QString ValueChecked = QStringLiteral("T");
    QString ValueUnchecked = QStringLiteral("F");

protected:
    void ShowFieldValue(const QVariant &value) override;
};

// A date, typed as TypedDateTime reads it or chosen from the calendar (the button at the end, F4
// or Alt+Down), written when the entry is finished. Delete or a blank entry clears it (NULL). A
// timestamp column keeps its time of day: the editor shows and changes only the date.
class TzqcxDBDateEdit : public TzqcxDBTextEdit
{
    Q_OBJECT
public:
    explicit TzqcxDBDateEdit(QWidget *parent = nullptr);
    // "dd/MM/yyyy" unless set (a QLocale date format).
    void setDisplayFormat(const QString &format);
    void SetDateRange(const QDate &minimum, const QDate &maximum) { m_entry.SetDateRange(minimum, maximum); }
    // The date the editor shows; invalid when it shows none or an entry it cannot read.
    QDate date() const;
    // Enters the date as a choice from the calendar does (an invalid date clears it).
    void setDate(const QDate &date);
    void OpenCalendar();
    const TzqcxDateEntry &Entry() const { return m_entry; }

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void ShowInputState(bool takesInput) override;
    bool WritesWhileTyping() const override { return false; }
    QVariant ValueFromText(const QString &text, QString *problem) const override;
    QString TextFromValue(const QVariant &value) const override;

private:
    TzqcxDateEntry m_entry;
};

// A number; the blank entry below the minimum stands for NULL.
class TzqcxDBSpinEdit : public TzqcxFocusColouredEditor<QDoubleSpinBox, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBSpinEdit(QWidget *parent = nullptr);
    void SetRange(double minimum, double maximum);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void ShowFieldValue(const QVariant &value) override;
    void ShowInputState(bool takesInput) override { setReadOnly(ReadOnlyWanted(takesInput)); }

private:
    double nullValue() const { return minimum(); }
};

class TzqcxDBCurrencyEdit : public TzqcxDBSpinEdit
{
    Q_OBJECT
public:
    explicit TzqcxDBCurrencyEdit(QWidget *parent = nullptr);
};

// Free text with a drop-down of suggestions.
class TzqcxDBComboBox : public TzqcxFocusColouredEditor<QComboBox, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBComboBox(QWidget *parent = nullptr);

protected:
    void ShowFieldValue(const QVariant &value) override;
    void ShowInputState(bool takesInput) override;
};

// A fixed list of (description, stored value) items.
class TzqcxDBImageComboBox : public TzqcxFocusColouredEditor<QComboBox, TzqcxDBEditorBase>
{
    Q_OBJECT
public:
    explicit TzqcxDBImageComboBox(QWidget *parent = nullptr);
    void AddItem(const QString &description, const QVariant &value);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void ShowFieldValue(const QVariant &value) override;
};

// Codes chosen from a lookup list: each item shows a description and stores its key. A stored
// code that is not in the list is shown greyed as it stands.
class TzqcxDBLookupComboBox : public TzqcxDBImageComboBox
{
    Q_OBJECT
public:
    using TzqcxDBImageComboBox::TzqcxDBImageComboBox;
    void SetLookupItems(const QList<QPair<QVariant, QString>> &keysAndDescriptions);
    // Lists the rows of an item model (a lookup list's data source): each item shows the key
    // field's value and the description field's text, and stores the key. Fields are found by
    // their column headers (letter case ignored) each time the items are built, and the items
    // follow the model: a reset (a reload of the list) or a change builds them again. An empty
    // description field shows the key alone.
    void SetListSource(QAbstractItemModel *model, const QString &keyField, const QString &descriptionField);
    QAbstractItemModel *ListSource() const { return m_source; }

private:
    void rebuildFromSource();
    int sourceColumn(const QString &field) const;
    QPointer<QAbstractItemModel> m_source;
    QString m_keyField;
    QString m_descriptionField;
    QList<QMetaObject::Connection> m_sourceConnections;
};

// Radio buttons in a group box; each button stores its value. The group box is coloured.
class TzqcxDBRadioGroup : public QGroupBox, public TzqcxDBEditorBase
{
    Q_OBJECT
public:
    explicit TzqcxDBRadioGroup(QWidget *parent = nullptr);
    void SetItems(const QStringList &captions, const QVariantList &values);
    int ItemIndex() const;
    QRadioButton *Button(int index) const;

protected:
    bool zqcxHasFocus() const override;
    void ShowFieldValue(const QVariant &value) override;

private:
    QButtonGroup *m_group;
    QVariantList m_values;
};

// Shows a column as text; no colours of its own.
class TzqcxDBLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TzqcxDBLabel(QWidget *parent = nullptr);
    void SetDataBinding(SqlDataSet *dataSet, const QString &fieldName);

private:
    void reload();
    QPointer<SqlDataSet> m_dataSet;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
};
