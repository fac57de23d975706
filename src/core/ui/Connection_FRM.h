#pragma once

#include "core/Initialisation_DM.h"
#include "core/ui/ProjectLinks.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TMaindm;
class TRegistryDM;
class UserRegistry;

// The login dialog: e-mail address, password and personality, the server monitor's status, and
// the project's contact links. Closes with Accepted after a successful login; with Rejected and
// TMaindm::CloseApp set when the user leaves it or fails to log in three times.
//
// While a login waits for the server the dialog goes on painting, shows a busy cursor, disables
// its fields and offers Cancel, which stops the waiting and gives the fields back.
class TConnectionFrm : public QDialog, public ProjectLinkLabels
{
    Q_OBJECT
    Q_PROPERTY(QString EmailAddress READ EmailAddress)
    Q_PROPERTY(QString Password READ Password)

public:
    static constexpr int MaxFailedLogins = 3;

    // Starts the module's server monitor (first check at once) and fills the boxes from the
    // per-user settings. The module, the central data module and the settings must outlive it.
    TConnectionFrm(TInitialisationDM &initialisation, TMaindm &maindm, TRegistryDM &registry, QWidget *parent = nullptr);
    ~TConnectionFrm() override;

    QString EmailAddress() const;
    QString Password() const;
    // "FOOD" or "ANIMAL FEED".
    QString personality() const;
    int failedLogins() const { return m_failedLogins; }

    // Shows the monitor's current message in the status label.
    void NotifyConnectionToServer();

    QLabel *lblStatus;
    QLineEdit *edtEmailAddress;
    QLineEdit *edtPassword;
    QRadioButton *rbFood;
    QRadioButton *rbAnimalFeed;
    QPushButton *btnOK;
    QPushButton *btnExit;
    // Shown only while a login is under way.
    QPushButton *btnCancel;
    QLabel *lblVersion;

    bool isWorking() const { return m_working; }

public slots:
    void btnOKClick();
    void btnExitClick();
    void btnCancelClick();
    // Escape cancels a login under way; otherwise it asks as Exit does: the dialog is never left
    // without the question.
    void reject() override;

private:
    void loginFinished(TInitialisationDM::LoginResult result, const QString &message);
    void setWorking(bool working);

    TInitialisationDM &m_initialisation;
    TMaindm &m_maindm;
    std::unique_ptr<UserRegistry> m_registry;
    int m_failedLogins = 0;
    bool m_loggedIn = false;
    bool m_working = false;
};
