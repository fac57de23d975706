#include "core/ui/Connection_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TConnectionFrm::TConnectionFrm(TInitialisationDM &initialisation, TMaindm &maindm, TRegistryDM &registry, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_initialisation(initialisation),
      m_maindm(maindm), m_registry(std::make_unique<UserRegistry>())
{
    setObjectName(QStringLiteral("ConnectionFrm"));
    setWindowTitle(Varnex::ProgramName);

    auto *picture = new QLabel(QStringLiteral("<h2>%1</h2>").arg(Varnex::ProgramName.toHtmlEscaped()), this);
    picture->setObjectName(QStringLiteral("imgHeader"));
    picture->setAlignment(Qt::AlignCenter);

    // Project links: the captions are fixed, the texts and web addresses come from the
    // installation settings.
    auto *links = new QGroupBox(QStringLiteral("Project links:"), this);
    auto *linkForm = new QFormLayout(links);
    AddProjectLinkRows(linkForm, links, &registry,
                       {ProjectLink::CategoryTree, ProjectLink::GeneralEnquiries, ProjectLink::Helpline,
                        ProjectLink::VideoScreencasts, ProjectLink::Website});

    auto *versionBox = new QGroupBox(QStringLiteral("Version"), this);
    auto *versionLayout = new QHBoxLayout(versionBox);
    lblVersion = new QLabel(maindm.Version(), versionBox);
    versionLayout->addWidget(lblVersion);

    auto *personalityBox = new QGroupBox(this);
    auto *personalityLayout = new QGridLayout(personalityBox);
    rbFood = new QRadioButton(QStringLiteral("Food"), personalityBox);
    rbFood->setObjectName(QStringLiteral("rbFood"));
    rbAnimalFeed = new QRadioButton(QStringLiteral("Animal feed"), personalityBox);
    rbAnimalFeed->setObjectName(QStringLiteral("rbAnimalFeed"));
    personalityLayout->addWidget(rbFood, 0, 0);
    personalityLayout->addWidget(rbAnimalFeed, 0, 1);

    edtEmailAddress = new QLineEdit(this);
    edtEmailAddress->setObjectName(QStringLiteral("edtEmailAddress"));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    auto *loginForm = new QFormLayout;
    loginForm->addRow(QStringLiteral("Email Address"), edtEmailAddress);
    loginForm->addRow(QStringLiteral("Password"), edtPassword);

    lblStatus = new QLabel(QStringLiteral("Not Connected"), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnExit = new QPushButton(QStringLiteral("Exit"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnCancel->hide();
    connect(btnOK, &QPushButton::clicked, this, &TConnectionFrm::btnOKClick);
    connect(btnExit, &QPushButton::clicked, this, &TConnectionFrm::btnExitClick);
    connect(btnCancel, &QPushButton::clicked, this, &TConnectionFrm::btnCancelClick);
    connect(&m_initialisation, &TInitialisationDM::loginFinished, this, &TConnectionFrm::loginFinished);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnExit);

    auto *footer = new QLabel(QStringLiteral("%1 - recording official food and animal feed samples.\n"
                                             "Support: see the helpline and general enquiries above.")
                                  .arg(Varnex::ProgramName),
                              this);
    footer->setObjectName(QStringLiteral("lblFooter"));
    footer->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(links);
    layout->addWidget(versionBox);
    layout->addWidget(personalityBox);
    layout->addLayout(loginForm);
    layout->addLayout(buttons);
    layout->addWidget(footer);

    // The module serves the store values from now on; the monitor's first check starts at once.
    m_maindm.InitialisationDm = &m_initialisation;
    m_initialisation.Initialize(true, 1, [this] { NotifyConnectionToServer(); });
    m_failedLogins = 0;

    (m_registry->Personality() == Varnex::PersonalityAnimalFeed ? rbAnimalFeed : rbFood)->setChecked(true);
    edtEmailAddress->setText(m_registry->EmailAddress());
    if (!edtEmailAddress->text().isEmpty()) {
        edtPassword->setFocus();
        edtPassword->selectAll();
    } else {
        edtEmailAddress->setFocus();
    }

    adjustSize();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

TConnectionFrm::~TConnectionFrm()
{
    // The module outlives the dialog: it must not call back into a freed dialog.
    if (m_working) {
        m_initialisation.CancelLogin();
        setWorking(false);
    }
    if (!m_loggedIn)
        m_initialisation.OnServerConnectionIsAliveChanged = nullptr;
}

QString TConnectionFrm::EmailAddress() const
{
    return edtEmailAddress->text();
}

QString TConnectionFrm::Password() const
{
    return edtPassword->text();
}

QString TConnectionFrm::personality() const
{
    return rbAnimalFeed->isChecked() ? Varnex::PersonalityAnimalFeed : Varnex::PersonalityFood;
}

void TConnectionFrm::NotifyConnectionToServer()
{
    lblStatus->setText(m_initialisation.MonitorServerConnectionStatusMessage());
}

void TConnectionFrm::btnOKClick()
{
    if (m_working)
        return;
    // Remembered as typed; a failure to store them is not worth stopping the login for.
    try {
        m_registry->setPersonality(personality());
        m_registry->setEmailAddress(EmailAddress());
    } catch (const VarnexError &) {
    }
    setWorking(true);
    // The result comes back through loginFinished, possibly before this returns.
    try {
        m_initialisation.Login(EmailAddress().toLower(), Password());
    } catch (const VarnexError &e) {
        setWorking(false);
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}

void TConnectionFrm::loginFinished(TInitialisationDM::LoginResult result, const QString &message)
{
    setWorking(false);
    switch (result) {
    case TInitialisationDM::LoginResult::LoggedIn:
        m_loggedIn = true;
        m_maindm.InitialisationDm = &m_initialisation;
        m_initialisation.OnServerConnectionIsAliveChanged = nullptr;
        m_maindm.Personality = personality();
        accept();
        return;
    case TInitialisationDM::LoginResult::Failed:
        // A fault of the server or the store, not a refused login: shown, not counted.
        Prompter::current().error(Varnex::ProgramName, message);
        return;
    case TInitialisationDM::LoginResult::Refused:
        break;
    }
    ++m_failedLogins;
    Prompter::current().warning(Varnex::ProgramName, message);
    if (m_failedLogins >= MaxFailedLogins) {
        Prompter::current().error(Varnex::ProgramName,
                                  QStringLiteral("To many failed login attempts. %1 will close.").arg(Varnex::ProgramName));
        m_maindm.CloseApp = true;
        done(QDialog::Rejected);
        return;
    }
    edtEmailAddress->setFocus();
}

void TConnectionFrm::btnCancelClick()
{
    if (!m_working)
        return;
    m_initialisation.CancelLogin();
    setWorking(false);
    edtEmailAddress->setFocus();
}

void TConnectionFrm::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    const QList<QWidget *> fields{edtEmailAddress, edtPassword, rbFood, rbAnimalFeed, btnOK, btnExit};
    for (QWidget *field : fields)
        field->setEnabled(!working);
    btnCancel->setVisible(working);
    if (working) {
        btnCancel->setFocus();
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

void TConnectionFrm::btnExitClick()
{
    if (m_working)
        return;
    if (!Prompter::current().question(Varnex::ProgramName, QStringLiteral("Close %1?").arg(Varnex::ProgramName)))
        return;
    m_maindm.CloseApp = true;
    done(QDialog::Rejected);
}

void TConnectionFrm::reject()
{
    if (m_working)
        btnCancelClick();
    else
        btnExitClick();
}
