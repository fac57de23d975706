#include "gui/ZQCXController.h"

#include "data/DataSet.h"

#include <QApplication>
#include <QPalette>
#include <QStackedWidget>
#include <QTabWidget>

TzqcxFocusController::TzqcxFocusController(QObject *owner)
    : QObject(owner),
      FocusColor(0xA6, 0xCA, 0xF0),
      UnfocusColor(WindowColor()),
      EditFocusColor(0xFF, 0xFF, 0x00),
      EditColor(0xC0, 0xDC, 0xC0),
      InsertFocusColor(0x00, 0x80, 0x00),
      InsertColor(0xA6, 0xCA, 0xF0),
      InvalidFocusColor(Qt::black),
      InvalidValueColor(Qt::black)
{
}

TzqcxFocusController::~TzqcxFocusController()
{
    // Every editor still linked forgets this controller, from the last linked to the first.
    for (qsizetype i = m_links.size() - 1; i >= 0; --i) {
        QPointer<QWidget> w = m_links.value(i);
        if (w)
            RemoveControlLink(w);
    }
    QObject::disconnect(m_stateConnection);
}

QColor TzqcxFocusController::WindowColor()
{
    return QApplication::palette().color(QPalette::Base);
}

void TzqcxFocusController::SetDatasource(SqlDataSet *dataSource)
{
    if (m_dataSource == dataSource)
        return;
    // A signal connection is dropped with either end, so a dataset that outlives its controller
    // never calls into it.
    QObject::disconnect(m_stateConnection);
    m_dataSource = dataSource;
    if (dataSource) {
        m_stateConnection = connect(dataSource, &SqlDataSet::stateChanged, this,
                                    [this]() { DataSourceChangeState(m_dataSource); });
    }
}

TzqcxControlState TzqcxFocusController::StateOf(int dataSetState)
{
    switch (dataSetState) {
    case SqlDataSet::dsInactive:
        return csInactive;
    case SqlDataSet::dsBrowse:
        return csBrowse;
    case SqlDataSet::dsEdit:
        return csEdit;
    case SqlDataSet::dsInsert:
        return csInsert;
    default:
        return csBrowse;
    }
}

TzqcxControlState TzqcxFocusController::CurrentState() const
{
    return m_dataSource ? StateOf(m_dataSource->state()) : csInactive;
}

void TzqcxFocusController::recolour(QWidget *w)
{
    if (auto *linked = dynamic_cast<IzqcxLinkedControl *>(w))
        linked->zqcxRecolour();
}

void TzqcxFocusController::ForgetDestroyedControl(QWidget *Control)
{
    for (qsizetype i = m_links.size() - 1; i >= 0; --i) {
        if (!m_links[i] || m_links[i] == Control)
            m_links.removeAt(i);
    }
    invalidControlDestroyed(Control);
}

void TzqcxFocusController::invalidControlDestroyed(QObject *gone)
{
    for (qsizetype i = m_invalid.size() - 1; i >= 0; --i) {
        if (!m_invalid[i].control || m_invalid[i].control.data() == gone)
            m_invalid.removeAt(i);
    }
}

void TzqcxFocusController::DataSourceChangeState(QObject *Sender)
{
    Q_UNUSED(Sender)
    if (!m_dataSource)
        return;
    for (qsizetype i = m_links.size() - 1; i >= 0; --i) {
        if (QWidget *w = m_links.value(i))
            recolour(w);
    }
}

void TzqcxFocusController::AddControlLink(QWidget *Control)
{
    if (!Control)
        return;
    m_links.append(Control);
    recolour(Control);
}

void TzqcxFocusController::RemoveControlLink(QWidget *Control)
{
    if (!Control)
        return;
    m_links.removeAll(QPointer<QWidget>(Control));
    const int index = invalidIndex(Control);
    if (index >= 0)
        m_invalid.removeAt(index);
    {
        if (auto *linked = dynamic_cast<IzqcxLinkedControl *>(Control)) {
            linked->zqcxUnlink();
            linked->zqcxRecolour();
        }
    }
}

void TzqcxFocusController::NotifyControlLinks()
{
    for (const QPointer<QWidget> &w : std::as_const(m_links)) {
        if (w)
            recolour(w);
    }
}

QList<QWidget *> TzqcxFocusController::LinkedControls() const
{
    QList<QWidget *> list;
    for (const QPointer<QWidget> &w : m_links) {
        if (w)
            list << w.data();
    }
    return list;
}

int TzqcxFocusController::invalidIndex(const QWidget *w) const
{
    for (int i = 0; i < m_invalid.size(); ++i) {
        if (m_invalid[i].control == w)
            return i;
    }
    return -1;
}

void TzqcxFocusController::AddControlToInvalidList(QWidget *Control, const QString &ErrorMessage)
{
    if (!Control)
        return;
    // The tooltip always shows the newest message; the list keeps the first.
    Control->setToolTip(ErrorMessage);
    if (invalidIndex(Control) < 0) {
        m_invalid.append({ErrorMessage, Control});
        // A widget destroyed while marked leaves the list with it.
        connect(Control, &QObject::destroyed, this, &TzqcxFocusController::invalidControlDestroyed,
                Qt::UniqueConnection);
    }
    recolour(Control);
}

void TzqcxFocusController::RemoveControlFromInvalidList(QWidget *Control)
{
    const int index = invalidIndex(Control);
    if (index < 0)
        return;
    m_invalid.removeAt(index);
    Control->setToolTip(QString());
    recolour(Control);
}

void TzqcxFocusController::ClearInvalidEntryList()
{
    const QList<InvalidEntry> entries = m_invalid;
    m_invalid.clear();
    for (const InvalidEntry &e : entries) {
        QWidget *w = e.control;
        if (w) {
            w->setToolTip(QString());
            recolour(w);
        }
    }
}

bool TzqcxFocusController::IsControlInvalid(QWidget *AControl) const
{
    return AControl && invalidIndex(AControl) >= 0;
}

QString TzqcxFocusController::InvalidEntryMessage(QWidget *AControl) const
{
    const int index = invalidIndex(AControl);
    return index < 0 ? QString() : m_invalid[index].message;
}

bool TzqcxFocusController::RaiseValidatationErrors()
{
    QWidget *first = nullptr;
    for (const InvalidEntry &e : std::as_const(m_invalid)) {
        if (e.control) {
            first = e.control;
            break;
        }
    }
    if (!first)
        return false;
    ShowControl(first);
    return true;
}

void TzqcxFocusController::ShowControl(QWidget *control)
{
    for (QWidget *w = control; w && !w->isWindow(); w = w->parentWidget()) {
        QWidget *stack = w->parentWidget();
        if (!qobject_cast<QStackedWidget *>(stack))
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
            tabs->setCurrentWidget(w);
    }
    control->setFocus(Qt::OtherFocusReason);
}

QColor TzqcxFocusController::GetFocusColorForControl(QWidget *Control, TzqcxControlState State) const
{
    if (IsControlInvalid(Control))
        return InvalidFocusColor;
    switch (State) {
    case csInactive:
    case csBrowse:
        return FocusColor;
    case csEdit:
        return EditFocusColor;
    case csInsert:
        return InsertFocusColor;
    }
    return InvalidFocusColor;
}

QColor TzqcxFocusController::GetColorForControl(QWidget *Control, TzqcxControlState State) const
{
    if (IsControlInvalid(Control))
        return InvalidValueColor;
    switch (State) {
    case csInactive:
    case csBrowse:
        return UnfocusColor;
    case csEdit:
        return EditColor;
    case csInsert:
        return InsertColor;
    }
    return InvalidFocusColor;
}
