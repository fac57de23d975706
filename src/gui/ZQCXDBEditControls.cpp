#include "gui/ZQCXDBEditControls.h"

#include "data/DataSet.h"
#include "data/FieldValue.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "gui/TypedDateTime.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QRadioButton>
#include <QPainter>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>

#include <functional>

namespace {
void disconnectAll(QList<QMetaObject::Connection> &connections)
{
    for (const auto &c : std::as_const(connections))
        QObject::disconnect(c);
    connections.clear();
}

// Replaces the connections to a bound dataset with ones to dataSet (none when it is null): a move
// to another row and a change of state call rowOrStateChanged, a changed column fieldChanged.
void watchDataSet(QList<QMetaObject::Connection> &connections, SqlDataSet *dataSet, QObject *context,
                  const std::function<void()> &rowOrStateChanged,
                  const std::function<void(const QString &)> &fieldChanged)
{
    disconnectAll(connections);
    if (!dataSet)
        return;
    connections << QObject::connect(dataSet, &SqlDataSet::currentRowChanged, context, rowOrStateChanged);
    connections << QObject::connect(dataSet, &SqlDataSet::stateChanged, context, rowOrStateChanged);
    connections << QObject::connect(dataSet, &SqlDataSet::fieldChanged, context, fieldChanged);
}
} // namespace

// ------------------------------------------------------------------------------------------------
// TzqcxDBEditorBase

// Holds back the mouse, the wheel and the keys that would change the value of an editor that
// takes no input, for editors without a read-only mode of their own (check boxes, lists, radio
// buttons). Moving on (Tab), closing (Escape), the default button (Enter) and the shortcuts pass.
class TzqcxInputGate : public QObject
{
public:
    TzqcxInputGate(TzqcxDBEditorBase *editor, QObject *owner) : QObject(owner), m_editor(editor) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_editor->m_holdingInput)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return changesValue(static_cast<QKeyEvent *>(event));
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    static bool changesValue(const QKeyEvent *e)
    {
        switch (e->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return false;
        case Qt::Key_Space:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_F4:
        case Qt::Key_Select:
            return true;
        default:
            break;
        }
        if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Undo)
            || e->matches(QKeySequence::Redo))
            return true;
        const QString text = e->text();
        return !text.isEmpty() && text.at(0).isPrint();
    }

    TzqcxDBEditorBase *m_editor;
};

TzqcxDBEditorBase::TzqcxDBEditorBase(QWidget *self, QPalette::ColorRole role)
    : FocusColor(0x00, 0x80, 0x00),
      UnFocusedColor(TzqcxFocusController::WindowColor()),
      m_self(self),
      m_role(role),
      m_gate(new TzqcxInputGate(this, self))
{
    if (role == QPalette::Window)
        self->setAutoFillBackground(true);
    self->installEventFilter(m_gate);
}

TzqcxDBEditorBase::~TzqcxDBEditorBase()
{
    disconnectAll(m_connections);
    if (m_controller)
        m_controller->ForgetDestroyedControl(m_self);
}

void TzqcxDBEditorBase::HoldBackInputOf(QWidget *widget)
{
    widget->installEventFilter(m_gate);
}

void TzqcxDBEditorBase::setBackground(const QColor &colour)
{
    // A disabled editor keeps the style's disabled look, so it does not pass for an open one.
    QPalette p = m_self->palette();
    p.setColor(QPalette::Active, m_role, colour);
    p.setColor(QPalette::Inactive, m_role, colour);
    m_self->setPalette(p);
}

void TzqcxDBEditorBase::paint(bool focused)
{
    if (!m_entryProblem.isEmpty())
        setBackground(zqcxUnreadableColor(focused));
    else
        setBackground(focused ? FocusColor : UnFocusedColor);
}

QColor TzqcxDBEditorBase::Background() const
{
    return m_self->palette().color(m_role);
}

bool TzqcxDBEditorBase::zqcxHasFocus() const
{
    return m_self->hasFocus();
}

void TzqcxDBEditorBase::zqcxRecolour()
{
    if (m_controller && m_controller->Datasource()) {
        const TzqcxControlState state = m_controller->CurrentState();
        FocusColor = m_controller->GetFocusColorForControl(m_self, state);
        UnFocusedColor = m_controller->GetColorForControl(m_self, state);
    }
    // The controller clears the hints of the entries it unmarks; an unreadable entry keeps its own.
    if (!m_entryProblem.isEmpty())
        m_self->setToolTip(m_entryProblem);
    paint(zqcxHasFocus());
}

void TzqcxDBEditorBase::zqcxUnlink()
{
    // The controller has already taken the editor off its list: only forget it.
    m_controller = nullptr;
    setBackground(QApplication::palette(m_self).color(m_role));
}

void TzqcxDBEditorBase::SetFocusController(TzqcxFocusController *controller)
{
    if (controller == m_controller)
        return;
    if (m_controller) {
        TzqcxFocusController *old = m_controller;
        m_controller = nullptr;
        old->RemoveControlLink(m_self);
    }
    if (!controller) {
        setBackground(QApplication::palette(m_self).color(m_role));
        return;
    }
    m_controller = controller;
    controller->AddControlLink(m_self);
    FocusColor = controller->FocusColor;
    UnFocusedColor = controller->UnfocusColor;
    paint(false);
}

void TzqcxDBEditorBase::zqcxFocusIn()
{
    if (!m_controller && m_entryProblem.isEmpty())
        UnFocusedColor = Background();
    paint(true);
}

void TzqcxDBEditorBase::zqcxFocusOut()
{
    paint(false);
}

void TzqcxDBEditorBase::SetEntryProblem(const QString &problem)
{
    if (problem == m_entryProblem)
        return;
    m_entryProblem = problem;
    paint(zqcxHasFocus());
    zqcxTellEntryProblem(m_self, problem);
}

void TzqcxDBEditorBase::ClearEntryProblem()
{
    if (m_entryProblem.isEmpty())
        return;
    m_entryProblem.clear();
    m_self->setToolTip(m_controller ? m_controller->InvalidEntryMessage(m_self) : QString());
    paint(zqcxHasFocus());
}

TzqcxDBEditorBase *TzqcxDBEditorBase::CommitEntries(const QWidget *root)
{
    // The editors first: committing one may show or drop a hint window among the children.
    QList<QPointer<QWidget>> editors;
    const auto widgets = root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (dynamic_cast<TzqcxDBEditorBase *>(w))
            editors << w;
    }
    TzqcxDBEditorBase *first = nullptr;
    for (const QPointer<QWidget> &w : std::as_const(editors)) {
        auto *editor = w ? dynamic_cast<TzqcxDBEditorBase *>(w.data()) : nullptr;
        if (!editor)
            continue;
        editor->CommitEntry();
        if (!first && !editor->EntryProblem().isEmpty())
            first = editor;
    }
    return first;
}

void TzqcxDBEditorBase::RequireReadableEntries(const QWidget *root)
{
    if (TzqcxDBEditorBase *unreadable = CommitEntries(root)) {
        TzqcxFocusController::ShowControl(unreadable->m_self);
        throw VarnexError(unreadable->EntryProblem());
    }
}

void TzqcxDBEditorBase::SetAlwaysReadOnly(bool readOnly)
{
    m_alwaysReadOnly = readOnly;
    updateInputState();
}

bool TzqcxDBEditorBase::TakesInput() const
{
    if (!m_dataSet)
        return true;
    return m_dataSet->isActive() && m_dataSet->isFieldWritable(m_field)
        && (m_dataSet->isEditing() || m_dataSet->autoEdit());
}

void TzqcxDBEditorBase::updateInputState()
{
    ShowInputState(TakesInput());
}

void TzqcxDBEditorBase::rowOrStateChanged()
{
    updateInputState();
    // An entry of the officer that is not in the row yet stays when typing elsewhere puts the row
    // into edit state; another row, a post or a cancel shows the column again.
    if (m_updating || (m_dataSet && m_dataSet->state() == SqlDataSet::dsEdit && HoldsUnwrittenEntry()))
        return;
    ReloadField();
}

void TzqcxDBEditorBase::SetDataBinding(SqlDataSet *dataSet, const QString &fieldName)
{
    m_dataSet = dataSet;
    m_field = fieldName;
    watchDataSet(
        m_connections, dataSet, m_self, [this]() { rowOrStateChanged(); },
        [this](const QString &name) {
            if (!m_updating && name.compare(m_field, Qt::CaseInsensitive) == 0)
                ReloadField();
        });
    if (dataSet)
        m_connections << QObject::connect(dataSet, &SqlDataSet::editRulesChanged, m_self, [this]() { updateInputState(); });
    updateInputState();
    ReloadField();
}

void TzqcxDBEditorBase::ReloadField()
{
    QVariant v;
    if (m_dataSet && m_dataSet->isActive() && m_dataSet->hasField(m_field))
        v = m_dataSet->value(m_field);
    m_updating = true;
    ClearEntryProblem();
    ShowFieldValue(v);
    m_updating = false;
}

bool TzqcxDBEditorBase::WriteField(const QVariant &value)
{
    if (m_updating || !m_dataSet || !m_dataSet->isActive())
        return false;
    if (!TakesInput()) {
        // Input that slipped past a read-only editor changes nothing and raises nothing.
        ReloadField();
        return false;
    }
    m_updating = true;
    try {
        if (!m_dataSet->isEditing())
            m_dataSet->edit();
        m_dataSet->setValue(m_field, value);
    } catch (const VarnexError &e) {
        m_updating = false;
        ReloadField();
        Prompter::current().error(QStringLiteral("Error"), e.message());
        return false;
    }
    m_updating = false;
    return true;
}

// ------------------------------------------------------------------------------------------------
// Text edits

TzqcxDBTextEdit::TzqcxDBTextEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base)
{
    connect(this, &QLineEdit::textEdited, this, [this]() {
        if (m_upperCase) {
            const QString upper = text().toUpper();
            if (upper != text()) {
                const int position = cursorPosition();
                setText(upper);
                setCursorPosition(position);
                setModified(true);
            }
        }
        if (WritesWhileTyping())
            commitText();
    });
    connect(this, &QLineEdit::editingFinished, this, &TzqcxDBTextEdit::PostEditValue);
}

void TzqcxDBTextEdit::PostEditValue()
{
    if (!WritesWhileTyping() && (isModified() || !EntryProblem().isEmpty()))
        commitText();
}

bool TzqcxDBTextEdit::HoldsUnwrittenEntry() const
{
    return TzqcxDBEditorBase::HoldsUnwrittenEntry() || (!WritesWhileTyping() && isModified());
}

void TzqcxDBTextEdit::ShowInputState(bool takesInput)
{
    setReadOnly(ReadOnlyWanted(takesInput));
}

void TzqcxDBTextEdit::commitText()
{
    if (isReadOnly())
        return;
    QString problem;
    const QVariant v = ValueFromText(text(), &problem);
    if (!problem.isEmpty()) {
        // Kept as typed (and still modified), so that the officer corrects it and nothing is lost.
        SetEntryProblem(problem);
        return;
    }
    if (WriteField(v)) {
        setModified(false);
        // A finished entry is shown as it is stored (a date typed 11/12/26 reads 11/12/2026).
        if (!WritesWhileTyping())
            ReloadField();
    }
}

QVariant TzqcxDBTextEdit::ValueFromText(const QString &text, QString *problem) const
{
    problem->clear();
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString TzqcxDBTextEdit::TextFromValue(const QVariant &value) const
{
    if (FieldValue::isNull(value))
        return QString();
    if (value.metaType().id() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

void TzqcxDBTextEdit::ShowFieldValue(const QVariant &value)
{
    const QString t = TextFromValue(value);
    if (t != text())
        setText(t);
    setModified(false);
}

namespace {
// The "…" of a button edit as an icon: a line edit shows its actions by their icons only.
QIcon ellipsisIcon(const QWidget &owner)
{
    const int side = owner.fontMetrics().height();
    QPixmap picture(side * 2, side * 2); // drawn at twice the size for sharp high-density screens
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(owner.palette().color(QPalette::Text));
    const qreal radius = side * 0.16;
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(QPointF(side + i * side * 0.55, side * 1.25), radius, radius);
    painter.end();
    picture.setDevicePixelRatio(2.0);
    return QIcon(picture);
}
} // namespace

TzqcxDBButtonEdit::TzqcxDBButtonEdit(QWidget *parent) : TzqcxDBTextEdit(parent)
{
    m_button = addAction(ellipsisIcon(*this), QLineEdit::TrailingPosition);
    m_button->setText(QStringLiteral("…"));
    m_button->setToolTip(QStringLiteral("…"));
    connect(m_button, &QAction::triggered, this, &TzqcxDBButtonEdit::buttonClicked);
}

TzqcxDBTimeEdit::TzqcxDBTimeEdit(QWidget *parent) : TzqcxDBTextEdit(parent)
{
    setPlaceholderText(QStringLiteral("hh:mm"));
    setMaxLength(20);
}

QVariant TzqcxDBTimeEdit::ValueFromText(const QString &text, QString *problem) const
{
    problem->clear();
    if (text.trimmed().isEmpty())
        return QVariant();
    if (const std::optional<QTime> time = TypedDateTime::readTime(text, QLocale()))
        return *time;
    *problem = QStringLiteral("'%1' is not a time: type the hours and minutes, for example 10:30, 10.30 or 1030.")
                   .arg(text.trimmed());
    return QVariant();
}

QString TzqcxDBTimeEdit::TextFromValue(const QVariant &value) const
{
    if (FieldValue::isNull(value))
        return QString();
    const QTime t = value.metaType().id() == QMetaType::QDateTime ? value.toDateTime().time() : value.toTime();
    return t.toString(t.second() ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

// ------------------------------------------------------------------------------------------------
// Memo

TzqcxDBMemo::TzqcxDBMemo(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this]() {
        if (m_limiting || Updating() || isReadOnly())
            return;
        limitLength();
        const QString t = toPlainText();
        WriteField(t.isEmpty() ? QVariant() : QVariant(t));
    });
}

void TzqcxDBMemo::limitLength()
{
    const int length = int(toPlainText().size());
    const int allowed = qMax(m_maxLength, m_lastLength);
    if (m_maxLength > 0 && length > allowed) {
        // What was just typed or pasted ends at the cursor: its surplus is taken off there.
        QTextCursor c = textCursor();
        const int end = c.position();
        const int from = qMax(0, end - (length - allowed));
        m_limiting = true;
        c.setPosition(from);
        c.setPosition(from + (length - allowed), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        setTextCursor(c);
        m_limiting = false;
    }
    m_lastLength = int(toPlainText().size());
}

void TzqcxDBMemo::ShowFieldValue(const QVariant &value)
{
    QString t;
    if (!FieldValue::isNull(value))
        t = value.metaType().id() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()) : value.toString();
    m_lastLength = int(t.size());
    if (t != toPlainText())
        setPlainText(t);
}

// ------------------------------------------------------------------------------------------------
// Check box

TzqcxDBCheckBox::TzqcxDBCheckBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Window)
{
    connect(this, &QCheckBox::clicked, this, [this](bool checked) { WriteField(checked ? ValueChecked : ValueUnchecked); });
}

void TzqcxDBCheckBox::ShowFieldValue(const QVariant &value)
{
    setChecked(!FieldValue::isNull(value) && value.toString() == ValueChecked);
}

// ------------------------------------------------------------------------------------------------
// Date edit

TzqcxDBDateEdit::TzqcxDBDateEdit(QWidget *parent)
    : TzqcxDBTextEdit(parent),
      m_entry(
          this, [this]() { return date(); }, [this](QDate day) { setDate(day); })
{
    setPlaceholderText(QStringLiteral("dd/mm/yyyy"));
    setMaxLength(40);
}

void TzqcxDBDateEdit::setDisplayFormat(const QString &format)
{
    m_entry.SetDisplayFormat(format);
    if (!HoldsUnwrittenEntry())
        ReloadField();
}

QDate TzqcxDBDateEdit::date() const
{
    QString problem;
    return m_entry.Read(text(), &problem);
}

void TzqcxDBDateEdit::setDate(const QDate &date)
{
    setText(m_entry.TextOf(date));
    setModified(true);
    PostEditValue();
}

void TzqcxDBDateEdit::OpenCalendar()
{
    m_entry.OpenCalendar(date());
}

QVariant TzqcxDBDateEdit::ValueFromText(const QString &text, QString *problem) const
{
    const QDate d = m_entry.Read(text, problem);
    if (!d.isValid())
        return QVariant();
    // A timestamp column keeps its time of day.
    QVariant current;
    if (DataSet() && DataSet()->isActive() && DataSet()->hasField(DataField()))
        current = DataSet()->value(DataField());
    if (!FieldValue::isNull(current) && current.metaType().id() == QMetaType::QDateTime)
        return QDateTime(d, current.toDateTime().time());
    return d;
}

QString TzqcxDBDateEdit::TextFromValue(const QVariant &value) const
{
    if (FieldValue::isNull(value))
        return QString();
    return m_entry.TextOf(value.metaType().id() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate());
}

void TzqcxDBDateEdit::ShowInputState(bool takesInput)
{
    TzqcxDBTextEdit::ShowInputState(takesInput);
    m_entry.CalendarButton()->setEnabled(!isReadOnly());
}

void TzqcxDBDateEdit::keyPressEvent(QKeyEvent *e)
{
    if (TzqcxDateEntry::IsCalendarKey(e)) {
        OpenCalendar();
        return;
    }
    // Delete clears the date.
    if (e->key() == Qt::Key_Delete && !isReadOnly()) {
        setDate(QDate());
        return;
    }
    TzqcxDBTextEdit::keyPressEvent(e);
}

// ------------------------------------------------------------------------------------------------
// Spin and currency edits

TzqcxDBSpinEdit::TzqcxDBSpinEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base)
{
    setDecimals(0);
    SetRange(0, 999999999);
    setSpecialValueText(QStringLiteral(" "));
    setValue(nullValue());
    connect(this, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (Updating() || isReadOnly())
            return;
        if (v == nullValue())
            WriteField(QVariant());
        else if (decimals() == 0)
            WriteField(qint64(v));
        else
            WriteField(v);
    });
}

void TzqcxDBSpinEdit::SetRange(double minimum, double maximum)
{
    // One step below the minimum is the blank entry that stands for NULL.
    setRange(minimum - singleStep(), maximum);
}

void TzqcxDBSpinEdit::ShowFieldValue(const QVariant &value)
{
    setValue(FieldValue::isNull(value) ? nullValue() : value.toDouble());
}

void TzqcxDBSpinEdit::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Delete && !isReadOnly() && lineEdit()->selectedText() == lineEdit()->text()) {
        setValue(nullValue());
        return;
    }
    QDoubleSpinBox::keyPressEvent(e);
}

TzqcxDBCurrencyEdit::TzqcxDBCurrencyEdit(QWidget *parent) : TzqcxDBSpinEdit(parent)
{
    setDecimals(2);
    setSingleStep(0.01);
    SetRange(0, 999999999.99);
    setValue(minimum());
}

// ------------------------------------------------------------------------------------------------
// Combo boxes

TzqcxDBComboBox::TzqcxDBComboBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    auto write = [this](const QString &t) {
        if (!Updating())
            WriteField(t.isEmpty() ? QVariant() : QVariant(t));
    };
    connect(lineEdit(), &QLineEdit::textEdited, this, write);
    connect(this, &QComboBox::textActivated, this, write);
}

void TzqcxDBComboBox::ShowFieldValue(const QVariant &value)
{
    const QString t = FieldValue::isNull(value) ? QString() : value.toString();
    if (t != currentText())
        setEditText(t);
}

void TzqcxDBComboBox::ShowInputState(bool takesInput)
{
    // The list is held back, its text is read-only.
    TzqcxDBEditorBase::ShowInputState(takesInput);
    lineEdit()->setReadOnly(ReadOnlyWanted(takesInput));
}

// A list that is not editable is drawn as a button: its face takes the colours.
TzqcxDBImageComboBox::TzqcxDBImageComboBox(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Button)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!Updating())
            WriteField(index < 0 ? QVariant() : itemData(index));
    });
}

void TzqcxDBImageComboBox::AddItem(const QString &description, const QVariant &value)
{
    addItem(description, value);
    ReloadField();
}

void TzqcxDBImageComboBox::ShowFieldValue(const QVariant &value)
{
    int index = -1;
    if (!FieldValue::isNull(value)) {
        for (int i = 0; i < count() && index < 0; ++i) {
            if (itemData(i).toString() == value.toString())
                index = i;
        }
    }
    setCurrentIndex(index);
    // A value that is not among the items stays visible instead of looking empty.
    setPlaceholderText(index < 0 && !FieldValue::isNull(value) ? value.toString() : QString());
}

void TzqcxDBImageComboBox::keyPressEvent(QKeyEvent *e)
{
    // Delete empties the choice.
    if (e->key() == Qt::Key_Delete) {
        if (WriteField(QVariant()))
            setCurrentIndex(-1);
        return;
    }
    QComboBox::keyPressEvent(e);
}

void TzqcxDBLookupComboBox::SetLookupItems(const QList<QPair<QVariant, QString>> &keysAndDescriptions)
{
    clear();
    for (const auto &item : keysAndDescriptions)
        addItem(item.second, item.first);
    ReloadField();
}

void TzqcxDBLookupComboBox::SetListSource(QAbstractItemModel *model, const QString &keyField,
                                          const QString &descriptionField)
{
    disconnectAll(m_sourceConnections);
    m_source = model;
    m_keyField = keyField;
    m_descriptionField = descriptionField;
    if (model) {
        const auto rebuild = [this]() { rebuildFromSource(); };
        m_sourceConnections << connect(model, &QAbstractItemModel::modelReset, this, rebuild);
        m_sourceConnections << connect(model, &QAbstractItemModel::layoutChanged, this, rebuild);
        m_sourceConnections << connect(model, &QAbstractItemModel::rowsInserted, this, rebuild);
        m_sourceConnections << connect(model, &QAbstractItemModel::rowsRemoved, this, rebuild);
        m_sourceConnections << connect(model, &QAbstractItemModel::dataChanged, this, rebuild);
    }
    rebuildFromSource();
}

void TzqcxDBLookupComboBox::rebuildFromSource()
{
    const QSignalBlocker block(this);
    clear();
    const int keyColumn = sourceColumn(m_keyField);
    const int descriptionColumn = sourceColumn(m_descriptionField);
    if (m_source && keyColumn >= 0) {
        for (int r = 0; r < m_source->rowCount(); ++r) {
            const QVariant key = m_source->index(r, keyColumn).data(Qt::EditRole);
            const QString code = m_source->index(r, keyColumn).data(Qt::DisplayRole).toString();
            const QString text = descriptionColumn >= 0
                                     ? code + QStringLiteral(" - ") + m_source->index(r, descriptionColumn).data(Qt::DisplayRole).toString()
                                     : code;
            addItem(text, key);
        }
    }
    ReloadField();
}

int TzqcxDBLookupComboBox::sourceColumn(const QString &field) const
{
    if (!m_source || field.isEmpty())
        return -1;
    for (int c = 0; c < m_source->columnCount(); ++c) {
        if (m_source->headerData(c, Qt::Horizontal).toString().compare(field, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

// ------------------------------------------------------------------------------------------------
// Radio group

TzqcxDBRadioGroup::TzqcxDBRadioGroup(QWidget *parent)
    : QGroupBox(parent), TzqcxDBEditorBase(this, QPalette::Window), m_group(new QButtonGroup(this))
{
    new QVBoxLayout(this);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        if (id >= 0 && id < m_values.size())
            WriteField(m_values[id]);
    });
    // The group counts as focused while one of its buttons has the focus.
    zqcxWatchGroupFocus(this, [this](bool focused) {
        if (focused)
            zqcxFocusIn();
        else
            zqcxFocusOut();
    });
}

void TzqcxDBRadioGroup::SetItems(const QStringList &captions, const QVariantList &values)
{
    for (QAbstractButton *b : m_group->buttons()) {
        m_group->removeButton(b);
        delete b;
    }
    m_values = values;
    for (int i = 0; i < captions.size(); ++i) {
        auto *b = new QRadioButton(captions[i], this);
        HoldBackInputOf(b);
        layout()->addWidget(b);
        m_group->addButton(b, i);
    }
    ReloadField();
}

int TzqcxDBRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

QRadioButton *TzqcxDBRadioGroup::Button(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

bool TzqcxDBRadioGroup::zqcxHasFocus() const
{
    QWidget *f = QApplication::focusWidget();
    return f && (f == this || isAncestorOf(f));
}

void TzqcxDBRadioGroup::ShowFieldValue(const QVariant &value)
{
    int index = -1;
    if (!FieldValue::isNull(value)) {
        for (int i = 0; i < m_values.size() && index < 0; ++i) {
            if (m_values[i].toString() == value.toString())
                index = i;
        }
    }
    // Exclusive groups cannot uncheck their last button; switch exclusivity off for a moment.
    m_group->setExclusive(false);
    for (QAbstractButton *b : m_group->buttons())
        b->setChecked(m_group->id(b) == index);
    m_group->setExclusive(true);
}

// ------------------------------------------------------------------------------------------------
// Label

TzqcxDBLabel::TzqcxDBLabel(QWidget *parent) : QLabel(parent) {}

void TzqcxDBLabel::SetDataBinding(SqlDataSet *dataSet, const QString &fieldName)
{
    m_dataSet = dataSet;
    m_field = fieldName;
    watchDataSet(m_connections, dataSet, this, [this]() { reload(); }, [this](const QString &) { reload(); });
    reload();
}

void TzqcxDBLabel::reload()
{
    if (m_dataSet && m_dataSet->isActive() && m_dataSet->hasField(m_field))
        setText(m_dataSet->text(m_field));
    else
        clear();
}
