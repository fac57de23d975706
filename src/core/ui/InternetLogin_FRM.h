#pragma once

#include "core/Registry_DM.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// Asks for the user name and password of an internet proxy that needs a login.
class TInternetLoginFrm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString Username READ Username)
    Q_PROPERTY(QString Password READ Password)

public:
    explicit TInternetLoginFrm(QWidget *parent = nullptr);

    QString Username() const;
    QString Password() const;

    // The proxy login to apply to a channel: the answers only when the dialog was closed with OK.
    ProxyLogin proxyLogin(bool useInternetProxy) const;

    QLineEdit *edtUserName;
    QLineEdit *edtPassword;
    QCheckBox *chkShowPassword;
    QPushButton *btnOK;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
};

// The dialog of this program run, kept alive (hidden) by the login module so its texts stay
// readable; nullptr while it has not been shown.
extern TInternetLoginFrm *InternetLoginFrm;
