#include "core/ui/InternetLogin_FRM.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TInternetLoginFrm *InternetLoginFrm = nullptr;

TInternetLoginFrm::TInternetLoginFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InternetLoginFrm"));
    setWindowTitle(QStringLiteral("Internet login details"));

    auto *note = new QLabel(QStringLiteral("If you are required to enter a username and password to browse the "
                                           "internet, please enter the details below."),
                            this);
    note->setWordWrap(true);

    edtUserName = new QLineEdit(this);
    edtUserName->setObjectName(QStringLiteral("edtUserName"));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    chkShowPassword = new QCheckBox(QStringLiteral("Show password as text"), this);
    chkShowPassword->setObjectName(QStringLiteral("chkShowPassword"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Username"), edtUserName);
    form->addRow(QStringLiteral("Password"), edtPassword);
    form->addRow(QString(), chkShowPassword);

    auto *buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(chkShowPassword, &QCheckBox::toggled, this, [this](bool show) {
        edtPassword->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);

    setTabOrder(edtUserName, edtPassword);
    edtUserName->setFocus();
}

QString TInternetLoginFrm::Username() const
{
    return edtUserName->text();
}

QString TInternetLoginFrm::Password() const
{
    return edtPassword->text();
}

ProxyLogin TInternetLoginFrm::proxyLogin(bool useInternetProxy) const
{
    return proxyLoginFor(useInternetProxy, result() == QDialog::Accepted, Username(), Password());
}

void TInternetLoginFrm::showEvent(QShowEvent *event)
{
    chkShowPassword->setChecked(false);
    edtPassword->setEchoMode(QLineEdit::Password);
    QDialog::showEvent(event);
    edtUserName->setFocus();
}
