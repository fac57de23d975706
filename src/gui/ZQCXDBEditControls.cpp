#include "gui/ZQCXDBEditControls.h"

#include "data/DataSet.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QRadioButton>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>

#include <functional>

namespace {
bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

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

TzqcxDBEditorBase::TzqcxDBEditorBase(QWidget *self, QPalette::ColorRole role)
    : FocusColor(0x00, 0x80, 0x00), UnFocusedColor(TzqcxFocusController::WindowColor()), m_self(self), m_role(role)
{
    if (role == QPalette::Window)
        self->setAutoFillBackground(true);
}

TzqcxDBEditorBase::~TzqcxDBEditorBase()
{
    disconnectAll(m_connections);
    if (m_controller)
        m_controller->ForgetDestroyedControl(m_self);
}

void TzqcxDBEditorBase::setBackground(const QColor &colour)
{
    // A disabled editor keeps the style's disabled look, so it does not pass for an open one.
    QPalette p = m_self->palette();
    p.setColor(QPalette::Active, m_role, colour);
    p.setColor(QPalette::Inactive, m_role, colour);
    m_self->setPalette(p);
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
    setBackground(zqcxHasFocus() ? FocusColor : UnFocusedColor);
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
    setBackground(UnFocusedColor);
}

void TzqcxDBEditorBase::zqcxFocusIn()
{
    if (!m_controller)
        UnFocusedColor = Background();
    setBackground(FocusColor);
}

void TzqcxDBEditorBase::zqcxFocusOut()
{
    setBackground(UnFocusedColor);
}

void TzqcxDBEditorBase::SetDataBinding(SqlDataSet *dataSet, const QString &fieldName)
{
    m_dataSet = dataSet;
    m_field = fieldName;
    watchDataSet(
        m_connections, dataSet, m_self,
        [this]() {
            if (!m_updating)
                ReloadField();
        },
        [this](const QString &name) {
            if (!m_updating && name.compare(m_field, Qt::CaseInsensitive) == 0)
                ReloadField();
        });
    ReloadField();
}

void TzqcxDBEditorBase::ReloadField()
{
    QVariant v;
    if (m_dataSet && m_dataSet->isActive() && m_dataSet->hasField(m_field))
        v = m_dataSet->value(m_field);
    m_updating = true;
    ShowFieldValue(v);
    m_updating = false;
}

bool TzqcxDBEditorBase::WriteField(const QVariant &value)
{
    if (m_updating || !m_dataSet || !m_dataSet->isActive())
        return false;
    m_updating = true;
    try {
        if (!m_dataSet->isEditing()) {
            if (!m_dataSet->autoEdit())
                throw VarnexError(SqlDataSet::notEditingMessage());
            m_dataSet->edit();
        }
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
    if (!WritesWhileTyping() && isModified())
        commitText();
}

void TzqcxDBTextEdit::commitText()
{
    if (isReadOnly())
        return;
    bool ok = true;
    const QVariant v = ValueFromText(text(), &ok);
    if (!ok) {
        Prompter::current().error(QStringLiteral("Error"),
                                  QStringLiteral("'%1' is not a valid value").arg(text()));
        ReloadField();
        return;
    }
    WriteField(v);
    setModified(false);
}

QVariant TzqcxDBTextEdit::ValueFromText(const QString &text, bool *ok) const
{
    *ok = true;
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString TzqcxDBTextEdit::TextFromValue(const QVariant &value) const
{
    if (isNullValue(value))
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
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^$|^([01]?\\d|2[0-3])(:[0-5]?\\d){0,2}$")), this));
    setPlaceholderText(QStringLiteral("hh:mm"));
}

QVariant TzqcxDBTimeEdit::ValueFromText(const QString &text, bool *ok) const
{
    *ok = true;
    if (text.trimmed().isEmpty())
        return QVariant();
    QTime t = QTime::fromString(text, QStringLiteral("H:m:s"));
    if (!t.isValid())
        t = QTime::fromString(text, QStringLiteral("H:m"));
    *ok = t.isValid();
    return t;
}

QString TzqcxDBTimeEdit::TextFromValue(const QVariant &value) const
{
    if (isNullValue(value))
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
    if (!isNullValue(value))
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
    setChecked(!isNullValue(value) && value.toString() == ValueChecked);
}

// ------------------------------------------------------------------------------------------------
// Date edit

TzqcxDBDateEdit::TzqcxDBDateEdit(QWidget *parent) : TzqcxFocusColouredEditor(parent, QPalette::Base)
{
    setCalendarPopup(true);
    setMinimumDate(NullDate());
    setSpecialValueText(QStringLiteral(" "));
    setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    setDate(NullDate());
    connect(this, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (Updating() || isReadOnly())
            return;
        if (d == NullDate()) {
            WriteField(QVariant());
            return;
        }
        // A timestamp column keeps its time of day: the editor shows and changes only the date.
        QVariant current;
        if (DataSet() && DataSet()->isActive() && DataSet()->hasField(DataField()))
            current = DataSet()->value(DataField());
        if (!isNullValue(current) && current.metaType().id() == QMetaType::QDateTime)
            WriteField(QDateTime(d, current.toDateTime().time()));
        else
            WriteField(QVariant(d));
    });
}

void TzqcxDBDateEdit::ShowFieldValue(const QVariant &value)
{
    QDate d;
    if (!isNullValue(value))
        d = value.metaType().id() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    setDate(d.isValid() ? d : NullDate());
}

void TzqcxDBDateEdit::keyPressEvent(QKeyEvent *e)
{
    // Delete clears the date.
    if (e->key() == Qt::Key_Delete && !isReadOnly()) {
        setDate(NullDate());
        return;
    }
    QDateEdit::keyPressEvent(e);
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
    setValue(isNullValue(value) ? nullValue() : value.toDouble());
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
    const QString t = isNullValue(value) ? QString() : value.toString();
    if (t != currentText())
        setEditText(t);
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
    if (!isNullValue(value)) {
        for (int i = 0; i < count() && index < 0; ++i) {
            if (itemData(i).toString() == value.toString())
                index = i;
        }
    }
    setCurrentIndex(index);
    // A value that is not among the items stays visible instead of looking empty.
    setPlaceholderText(index < 0 && !isNullValue(value) ? value.toString() : QString());
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
    if (!isNullValue(value)) {
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
