#include "core/ui/Connection_FRM.h"

#include "core/Initialisation_DM.h"
#include "core/Main_DM.h"
#include "base/Prompter.h"
#include "core/Registry_DM.h"
#include "base/VarnexError.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Varnex Desktop");
const QString Food = QStringLiteral("FOOD");
const QString AnimalFeed = QStringLiteral("ANIMAL FEED");
} // namespace

TConnectionFrm::TConnectionFrm(TInitialisationDM &initialisation, TMaindm &maindm, TRegistryDM &registry, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_initialisation(initialisation),
      m_maindm(maindm), m_registry(std::make_unique<UserRegistry>())
{
    setObjectName(QStringLiteral("ConnectionFrm"));
    setWindowTitle(Title);

    auto *picture = new QLabel(QStringLiteral("<h2>Varnex Desktop</h2>"), this);
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
    connect(btnOK, &QPushButton::clicked, this, &TConnectionFrm::btnOKClick);
    connect(btnExit, &QPushButton::clicked, this, &TConnectionFrm::btnExitClick);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnExit);

    auto *footer = new QLabel(QStringLiteral("Varnex Desktop - recording official food and animal feed samples.\n"
                                             "Support: see the helpline and general enquiries above."),
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

    (m_registry->Personality() == AnimalFeed ? rbAnimalFeed : rbFood)->setChecked(true);
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
    return rbAnimalFeed->isChecked() ? AnimalFeed : Food;
}

void TConnectionFrm::NotifyConnectionToServer()
{
    lblStatus->setText(m_initialisation.MonitorServerConnectionStatusMessage());
}

void TConnectionFrm::btnOKClick()
{
    // Remembered as typed; a failure to store them is not worth stopping the login for.
    m_registry->setPersonality(personality());
    m_registry->setEmailAddress(EmailAddress());

    bool loggedIn = false;
    try {
        loggedIn = m_initialisation.Login(EmailAddress().toLower(), Password());
    } catch (const VarnexError &e) {
        // A fault of the server or the store, not a refused login: shown, not counted.
        Prompter::current().error(Title, e.message());
        return;
    } catch (const std::exception &e) {
        Prompter::current().error(Title, QString::fromLocal8Bit(e.what()));
        return;
    }

    if (loggedIn) {
        m_loggedIn = true;
        m_maindm.InitialisationDm = &m_initialisation;
        m_initialisation.OnServerConnectionIsAliveChanged = nullptr;
        m_maindm.Personality = personality();
        accept();
        return;
    }

    ++m_failedLogins;
    Prompter::current().warning(Title, m_initialisation.StatusMessage);
    if (m_failedLogins >= MaxFailedLogins) {
        Prompter::current().error(Title, QStringLiteral("To many failed login attempts. Varnex Desktop will close."));
        m_maindm.CloseApp = true;
        done(QDialog::Rejected);
        return;
    }
    edtEmailAddress->setFocus();
}

void TConnectionFrm::btnExitClick()
{
    if (!Prompter::current().question(Title, QStringLiteral("Close Varnex Desktop?")))
        return;
    m_maindm.CloseApp = true;
    done(QDialog::Rejected);
}

void TConnectionFrm::reject()
{
    btnExitClick();
}
