#pragma once

#include "core/GeneralInfo.h"
#include "base/ReturnInfo.h"
#include "base/VarnexError.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

// The parameter object handed to a form when it is opened. The form takes it over and frees it.
class TDefaultInfo
{
public:
    TDefaultInfo() = default;
    virtual ~TDefaultInfo() = default;

    // A caption for the form; only when it is not empty is SetupInfo taken as well.
    QString Caption;
    bool Persist = false;
    // Not owned; the settings module outlives every form.
    IGeneralInfo *SetupInfo = nullptr;
};

// The root of the program's working windows. A form is opened with
//     TBasefrm::CreateAndShow<TSomeFrm>("Key", owner, modal, std::make_unique<TSomeFrmDefaults>());
// The key names the form within its owner: an owner holds at most one form per key, and opening
// a key again re-initialises and re-shows the form that has it. A modal form is freed when it
// returns unless its parameter object asked it to persist; a modeless one is released when it is
// closed, unless it persists or clears its close handler (it is then hidden and kept).
//
// The owner may be any QObject: a widget owner is also the form's parent (so the form is centred
// on it and goes with it); a form owned by another object is freed with that object.
class TBasefrm : public QDialog, public IReturnInfoSocket
{
    Q_OBJECT
public:
    explicit TBasefrm(QObject *AOwner);
    ~TBasefrm() override;

    // Constructs a form of the given class for the owner and runs its creation handler. A form
    // whose creation handler fails is freed again, so the owner keeps no half-made form.
    template <class TForm>
    static TForm *Create(QObject *AOwner)
    {
        std::unique_ptr<TForm> form(new TForm(AOwner));
        form->FormCreate();
        return form.release();
    }

    template <class TForm>
    static TForm *CreateAndShow(const QString &FormName, QObject *AOwner, bool Modal,
                                std::unique_ptr<TDefaultInfo> DefaultInfo = nullptr, IGeneralInfo *ASetupInfo = nullptr)
    {
        CursorGuard busy;
        TForm *form = nullptr;
        if (TBasefrm *existing = FindForm(AOwner, FormName)) {
            form = dynamic_cast<TForm *>(existing);
            if (!form)
                throw VarnexError(QStringLiteral("The form key \"%1\" of this owner belongs to a form of another kind.")
                                      .arg(FormName));
        } else {
            if (!AOwner)
                throw VarnexError(QStringLiteral("A form cannot be opened without an owner."));
            form = Create<TForm>(AOwner);
            form->setObjectName(FormName);
        }
        if (!ShowForm(form, Modal, std::move(DefaultInfo), busy))
            return nullptr;
        if (ASetupInfo)
            form->m_setupInfo = ASetupInfo;
        return form;
    }

    // The form that has the key within the owner (letter case ignored), or nullptr.
    static TBasefrm *FindForm(QObject *AOwner, const QString &FormName);

    // Receives the opening parameters and frees them. Overrides read their own class of
    // parameters first and then call the inherited operation.
    virtual void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo);

    // A caption followed by the run mode, which brings its own separator (": for user …"): one
    // separator between them, none when there is no run mode.
    static QString CaptionWithRunMode(const QString &caption, const QString &runMode);

    QObject *Owner() const { return m_owner; }
    QString FormCaption() const { return m_formCaption; }
    bool Persist() const { return m_persist; }
    IGeneralInfo *SetupInfo() const { return m_setupInfo; }
    bool ShowingModal() const { return m_showingModal; }
    // Shows the form modally and returns its modal result. The form is not freed by closing; the
    // caller decides (CreateAndShow frees it unless it persists).
    int ShowModal();

    TReturnInfo *ReturnInfoSocket() const override { return m_returnInfo; }
    void SetReturnInfoSocket(TReturnInfo *info) override;
    // Places an answer in the owner's socket (the owner's form socket, or the owner's
    // IReturnInfoSocket), or in this form's own socket when the owner has none.
    void HandBack(std::unique_ptr<TReturnInfo> info);

    QAction *actCloseForm;

    // Creation handler: records the caption the form was built with.
    virtual void FormCreate();

public slots:
    void done(int r) override;

protected:
    // Whether the form may close now; descendants add their refusals (calling the inherited one).
    virtual bool FormCloseQuery();
    // After the form was closed: releases a modeless form that does not persist.
    virtual void FormClose();
    virtual void FormActivate() {}
    virtual void actCloseFormExecute();

    // A form whose close handler is cleared is only hidden when closed and stays with its owner.
    void SetCloseHandlerCleared(bool cleared) { m_closeHandlerCleared = cleared; }

    void closeEvent(QCloseEvent *e) override;
    bool event(QEvent *e) override;

    bool m_persist = false;
    TReturnInfo *m_returnInfo = nullptr;
    QString m_formCaption;
    IGeneralInfo *m_setupInfo = nullptr;

private:
    // The hourglass while a form is made and initialised; the arrow comes back on every way out,
    // and before a modal form's own loop starts.
    class CursorGuard
    {
    public:
        CursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~CursorGuard() { release(); }
        void release()
        {
            if (m_active) {
                QApplication::restoreOverrideCursor();
                m_active = false;
            }
        }

    private:
        bool m_active = true;
    };

    // Initialises and shows; false when a modal form was freed after it returned.
    static bool ShowForm(TBasefrm *form, bool Modal, std::unique_ptr<TDefaultInfo> DefaultInfo, CursorGuard &busy);

    QPointer<QObject> m_owner;
    bool m_showingModal = false;
    bool m_closeHandlerCleared = false;
};
