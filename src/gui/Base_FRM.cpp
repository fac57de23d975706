#include "gui/Base_FRM.h"

#include <QCloseEvent>
#include <QList>

namespace {
// Every live form, so that a key can be found within any owner, widget or not.
QList<TBasefrm *> &liveForms()
{
    static QList<TBasefrm *> forms;
    return forms;
}
} // namespace

TBasefrm::TBasefrm(QObject *AOwner)
    : QDialog(qobject_cast<QWidget *>(AOwner)), m_owner(AOwner)
{
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    liveForms().append(this);
    if (AOwner && !AOwner->isWidgetType()) {
        // An owner that is not a widget cannot be the parent; the form goes with it all the same.
        QPointer<TBasefrm> self(this);
        connect(AOwner, &QObject::destroyed, this, [self]() { delete self.data(); });
    }
    actCloseForm = new QAction(QStringLiteral("Close"), this);
    addAction(actCloseForm);
    connect(actCloseForm, &QAction::triggered, this, [this]() { actCloseFormExecute(); });
}

TBasefrm::~TBasefrm()
{
    liveForms().removeAll(this);
    delete m_returnInfo;
}

TBasefrm *TBasefrm::FindForm(QObject *AOwner, const QString &FormName)
{
    if (!AOwner)
        return nullptr;
    for (TBasefrm *form : std::as_const(liveForms())) {
        if (form->m_owner == AOwner && form->objectName().compare(FormName, Qt::CaseInsensitive) == 0)
            return form;
    }
    return nullptr;
}

void TBasefrm::FormCreate()
{
    m_formCaption = windowTitle();
}

bool TBasefrm::ShowForm(TBasefrm *form, bool Modal, std::unique_ptr<TDefaultInfo> DefaultInfo, CursorGuard &busy)
{
    form->InitialiseDefaults(std::move(DefaultInfo));
    if (Modal) {
        busy.release();
        QPointer<TBasefrm> guard(form);
        form->ShowModal();
        if (!guard)
            return false;
        if (!form->m_persist) {
            delete form;
            return false;
        }
        return true;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return true;
}

int TBasefrm::ShowModal()
{
    m_showingModal = true;
    QPointer<TBasefrm> guard(this);
    const int result = exec();
    if (guard)
        m_showingModal = false;
    return result;
}

void TBasefrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (DefaultInfo) {
        m_persist = DefaultInfo->Persist;
        if (!DefaultInfo->Caption.isEmpty()) {
            setWindowTitle(DefaultInfo->Caption);
            m_setupInfo = DefaultInfo->SetupInfo;
        }
        DefaultInfo.reset();
    }
    if (m_setupInfo)
        setWindowTitle(CaptionWithRunMode(m_formCaption, m_setupInfo->RunMode()));
}

QString TBasefrm::CaptionWithRunMode(const QString &caption, const QString &runMode)
{
    const QString mode = runMode.trimmed();
    if (mode.isEmpty())
        return caption;
    if (mode.startsWith(QLatin1Char(':')))
        return caption + mode;
    return caption + QStringLiteral(": ") + mode;
}

void TBasefrm::SetReturnInfoSocket(TReturnInfo *info)
{
    if (info && m_returnInfo && info != m_returnInfo)
        delete m_returnInfo;
    m_returnInfo = info;
}

void TBasefrm::HandBack(std::unique_ptr<TReturnInfo> info)
{
    IReturnInfoSocket *socket = dynamic_cast<IReturnInfoSocket *>(m_owner.data());
    if (!socket)
        socket = this;
    socket->SetReturnInfoSocket(info.release());
}

bool TBasefrm::FormCloseQuery()
{
    return true;
}

void TBasefrm::FormClose()
{
    if (!m_showingModal && !m_persist && !m_closeHandlerCleared)
        deleteLater();
}

void TBasefrm::actCloseFormExecute()
{
    close();
}

void TBasefrm::done(int r)
{
    // Every way of closing (the frame, Escape, a close action, a modal result) asks first.
    if (!FormCloseQuery())
        return;
    QDialog::done(r);
    FormClose();
}

void TBasefrm::closeEvent(QCloseEvent *e)
{
    // done() asks, hides and releases; the event itself is not taken.
    e->ignore();
    if (isVisible())
        done(QDialog::Rejected);
}

bool TBasefrm::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}
