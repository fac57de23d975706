#include "exchange/ui/ExportLabWizard.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "data/GridModel.h"
#include "exchange/SampleExport_DM.h"
#include "exchange/ui/CheckListModel.h"
#include "exchange/ui/ExportLabToFile_FRM.h"
#include "exchange/ui/ExportLab_FRM.h"
#include "exchange/ui/PersonalityBand.h"
#include "store/SqlUtil.h"

#include <QButtonGroup>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int LabItemHeight = 27;

QLabel *titleLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    return label;
}
} // namespace

TExportLabWizard::TExportLabWizard(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Choose laboratory to receive export"));
    buildWidgets();
}

TExportLabWizard::~TExportLabWizard()
{
    // The list lets go of the form's connection before the form's transaction closes it.
    qryOfficers->close();
    qryOfficers->setDatabase(QSqlDatabase());
}

QWidget *TExportLabWizard::makePage(const QString &title, const QString &subtitle, QVBoxLayout **content)
{
    auto *page = new QWidget(Wizard);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(titleLabel(title, page));
    auto *sub = new QLabel(subtitle, page);
    sub->setWordWrap(true);
    layout->addWidget(sub);
    layout->addSpacing(6);
    *content = layout;
    Wizard->addWidget(page);
    return page;
}

void TExportLabWizard::buildWidgets()
{
    // The wizard has its own buttons: the base's right-hand panel and status bar are not shown.
    RzPanel1->hide();
    StatusBar->hide();
    lblHeader = PersonalityBand::makeCaption(RzPanel2);

    auto *outer = new QHBoxLayout(ClientArea);
    outer->setContentsMargins(0, 0, 0, 0);
    lstRouteMap = new QListWidget(ClientArea);
    lstRouteMap->setObjectName(QStringLiteral("lstRouteMap"));
    lstRouteMap->setSelectionMode(QAbstractItemView::NoSelection);
    lstRouteMap->setFocusPolicy(Qt::NoFocus);
    lstRouteMap->setFixedWidth(190);
    lstRouteMap->setSpacing(4);
    outer->addWidget(lstRouteMap);

    auto *right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 10, 10);
    Wizard = new QStackedWidget(ClientArea);
    Wizard->setObjectName(QStringLiteral("Wizard"));
    right->addWidget(Wizard, 1);

    buildOfficersPage();
    buildLaboratoryPage();
    buildSendPage();
    buildButtons(right);
    outer->addLayout(right, 1);

    connect(btnNext, &QPushButton::clicked, this, [this]() { next(); });
    connect(btnBack, &QPushButton::clicked, this, [this]() { back(); });
    connect(btnFinish, &QPushButton::clicked, this, [this]() { finish(); });
    connect(btnCancel, &QPushButton::clicked, this, [this]() { done(QDialog::Rejected); });

    m_pageCaptions = {QStringLiteral("Choose Sampling officers"), QStringLiteral("Select the laboratory"), QString()};
    resize(760, 520);
}

// The sampling officers with samples ready to send, each with a check box.
void TExportLabWizard::buildOfficersPage()
{
    QVBoxLayout *content = nullptr;
    JvwSamplingOfficers = makePage(QStringLiteral("Sampling officer"),
                                   QStringLiteral("Below is a list of Sampling officers that have samples ready to send. "
                                                  "Choose for which sampling officers samples should be sent."),
                                   &content);
    JvwSamplingOfficers->setObjectName(QStringLiteral("JvwSamplingOfficers"));
    edtOfficersCheckList = new QListView(JvwSamplingOfficers);
    edtOfficersCheckList->setObjectName(QStringLiteral("edtOfficersCheckList"));
    qryOfficers = new GridModel(this);
    qryOfficers->setObjectName(QStringLiteral("qryOfficers"));
    officerChecks = new CheckListModel(this);
    officerChecks->setSourceModel(qryOfficers);
    edtOfficersCheckList->setModel(officerChecks);
    content->addWidget(edtOfficersCheckList, 1);
    connect(officerChecks, &CheckListModel::checksChanged, this, [this]() { UpdateButtons(); });
}

// The laboratories to export for, one radio button each.
void TExportLabWizard::buildLaboratoryPage()
{
    QVBoxLayout *content = nullptr;
    jvwLab = makePage(QStringLiteral("Laboratory"),
                      QStringLiteral("Now choose for which laboratory you wish to export samples."), &content);
    jvwLab->setObjectName(QStringLiteral("jvwLab"));
    grpLabs = new QGroupBox(jvwLab);
    grpLabs->setObjectName(QStringLiteral("grpLabs"));
    new QVBoxLayout(grpLabs);
    grpLabsButtons = new QButtonGroup(this);
    grpLabsButtons->setExclusive(true);
    connect(grpLabsButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            UpdateButtons();
    });
    content->addWidget(grpLabs);
    content->addStretch(1);
}

// The page that sends: its titles, the wizard's own content, the send button and the busy bar.
void TExportLabWizard::buildSendPage()
{
    QVBoxLayout *content = nullptr;
    JvwSend = makePage(QString(), QString(), &content);
    JvwSend->setObjectName(QStringLiteral("JvwSend"));
    auto *sendLayout = static_cast<QVBoxLayout *>(JvwSend->layout());
    m_sendTitle = static_cast<QLabel *>(sendLayout->itemAt(0)->widget());
    m_sendSubtitle = static_cast<QLabel *>(sendLayout->itemAt(1)->widget());
    m_sendContent = content;
    // The wizard's own content goes here, then the button that sends and the busy bar.
    m_sendButtonRow = new QHBoxLayout;
    m_sendButtonRow->addStretch(1);
    btnSend = new QPushButton(JvwSend);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setAutoDefault(false);
    m_sendButtonRow->addWidget(btnSend);
    connect(btnSend, &QPushButton::clicked, this, [this]() { Send(); });
    auto *busyRow = new QHBoxLayout;
    lblBusy = new QLabel(JvwSend);
    lblBusy->setObjectName(QStringLiteral("lblBusy"));
    pbBusy = new QProgressBar(JvwSend);
    pbBusy->setObjectName(QStringLiteral("pbBusy"));
    pbBusy->setRange(0, 0); // moves without a known end
    pbBusy->setTextVisible(false);
    busyRow->addWidget(lblBusy);
    busyRow->addWidget(pbBusy, 1);
    lblBusy->hide();
    pbBusy->hide();
    m_busyRow = busyRow;
}

// Back, Next, Finish and Cancel under a line.
void TExportLabWizard::buildButtons(QVBoxLayout *right)
{
    auto *line = new QFrame(ClientArea);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    right->addWidget(line);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnBack = new QPushButton(QStringLiteral("< &Back"), ClientArea);
    btnNext = new QPushButton(QStringLiteral("&Next >"), ClientArea);
    btnFinish = new QPushButton(QStringLiteral("&Finish"), ClientArea);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), ClientArea);
    for (QPushButton *b : {btnBack, btnNext, btnFinish, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(88);
        buttons->addWidget(b);
    }
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnFinish->setObjectName(QStringLiteral("btnFinish"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    right->addLayout(buttons);
}

void TExportLabWizard::FinishSendPage()
{
    m_sendContent->addLayout(m_sendButtonRow);
    m_sendContent->addLayout(m_busyRow);
}

void TExportLabWizard::SetSendTitles(const QString &title, const QString &subtitle)
{
    m_sendTitle->setText(title);
    m_sendSubtitle->setText(subtitle);
}

QString TExportLabWizard::PageTitle(Page page) const
{
    // The send page has no caption of its own: the map shows its title.
    const QString caption = m_pageCaptions.value(int(page));
    return caption.isEmpty() ? m_sendTitle->text() : caption;
}

TExportLabWizard::Page TExportLabWizard::CurrentPage() const
{
    return Page(Wizard->currentIndex());
}

TSampleExportDM *TExportLabWizard::Engine() const
{
    if (SampleExportDM)
        return SampleExportDM;
    if (auto *owner = qobject_cast<TSampleExportDM *>(Owner()))
        return owner;
    throw VarnexError(QStringLiteral("The laboratory export is not available."));
}

void TExportLabWizard::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    FOfficerList.clear();
    FLabCodes.clear();
    FLabNames.clear();
    auto *defaults = dynamic_cast<TExportLabFrmDefaults *>(DefaultInfo.get());
    FPersonality = defaults ? defaults->Personality : Varnex::PersonalityFood;
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));

    PersonalityBand::show(RzPanel2, lblHeader, FPersonality, QStringLiteral("  Food samples export"),
                          QStringLiteral("  Animal feed samples export"));

    openOfficers();
    fillLabs();
    m_sent = false;
    m_busy = false;
    ShowPage(OfficersPage);
}

void TExportLabWizard::openOfficers()
{
    qryOfficers->close();
    qryOfficers->setDatabase(LocalDatabase());
    qryOfficers->setSql(OfficersSql());
    qryOfficers->setKeyColumn(QStringLiteral("NAME"));
    qryOfficers->setParam(QStringLiteral("STATUS"), QStringLiteral("VALIDATED"));
    qryOfficers->setParam(QStringLiteral("PERSONALITY"), FPersonality);
    officerChecks->clearChecks();
    qryOfficers->open();
    qryOfficers->fetchAll(); // every officer is ticked from one list
}

namespace {
struct LabRow
{
    QString code;
    QString description;
    int count = 0;
};

// The laboratories with validated samples of the personality, with their numbers of samples for
// the given officers (all officers when none is given).
QList<LabRow> validLabs(const QSqlDatabase &db, const QString &personality, const QStringList &officers)
{
    QVariantList values{QStringLiteral("VALIDATED"), personality};
    QString where = QStringLiteral("S.SAMPLE_STATUS__CODE = ? AND S.RECORD_TYPE = ?");
    if (!officers.isEmpty()) {
        QVariantList names;
        for (const QString &name : officers)
            names << name;
        const SqlUtil::SqlCondition in = SqlUtil::sqlInCondition(QStringLiteral("S.SAMPLE_OFFICER_NAME"), names);
        where += QStringLiteral(" AND ") + in.text;
        values += in.values;
    }
    QSqlQuery q = SqlUtil::exec(db,
                                QStringLiteral("SELECT S.LABORATORY__CODE, S.LABORATORY_DESCRIPTION, COUNT(*) AS SAMPLE_COUNT "
                                               "FROM SAMPLE S WHERE ")
                                    + where
                                    + QStringLiteral(" GROUP BY S.LABORATORY__CODE, S.LABORATORY_DESCRIPTION "
                                                     "ORDER BY S.LABORATORY__CODE"),
                                values);
    QList<LabRow> rows;
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt()});
    return rows;
}
} // namespace

void TExportLabWizard::fillLabs()
{
    for (QRadioButton *item : std::as_const(labItems)) {
        grpLabsButtons->removeButton(item);
        delete item;
    }
    labItems.clear();
    for (const LabRow &row : validLabs(LocalDatabase(), FPersonality, {})) {
        FLabCodes.append({row.code, 0});
        FLabNames << row.description;
    }
    for (int i = 0; i < FLabCodes.size(); ++i) {
        auto *item = new QRadioButton(QStringLiteral("Not asigned yet"), grpLabs);
        item->setObjectName(QStringLiteral("grpLabsItem%1").arg(i));
        item->setFixedHeight(LabItemHeight);
        grpLabs->layout()->addWidget(item);
        grpLabsButtons->addButton(item, i);
        labItems << item;
    }
    grpLabs->setMinimumHeight(LabItemHeight * int(FLabCodes.size()) + 16);
    if (FLabCodes.size() == 1)
        SelectLab(0);
}

void TExportLabWizard::recountLabs()
{
    FOfficerList = officerChecks->checkedTexts();
    const QList<LabRow> rows = validLabs(LocalDatabase(), FPersonality, FOfficerList);
    // A laboratory's count is every sample of its code: what a delivery to that code sends.
    for (auto &lab : FLabCodes) {
        lab.second = 0;
        for (const LabRow &row : rows) {
            if (row.code == lab.first)
                lab.second += row.count;
        }
    }
    for (int i = 0; i < FLabCodes.size(); ++i) {
        QString shown = LabCaption(i);
        labItems.at(i)->setText(shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

QString TExportLabWizard::LabCaption(int index) const
{
    if (index < 0 || index >= FLabCodes.size())
        return QString();
    const int count = FLabCodes.at(index).second;
    return FLabNames.at(index) + QStringLiteral(" (%1 %2)").arg(count).arg(count == 1 ? QStringLiteral("sample")
                                                                                       : QStringLiteral("samples"));
}

int TExportLabWizard::SelectedLab() const
{
    return grpLabsButtons->checkedId();
}

void TExportLabWizard::SelectLab(int index)
{
    if (index >= 0 && index < labItems.size())
        labItems.at(index)->setChecked(true);
    UpdateButtons();
}

void TExportLabWizard::enterLabPage()
{
    recountLabs();
    if (SelectFirstLabOnEntry() && !labItems.isEmpty())
        SelectLab(0);
}

void TExportLabWizard::ShowPage(Page page)
{
    Wizard->setCurrentIndex(int(page));
    if (page == LabPage)
        enterLabPage();
    else if (page == SendPage)
        EnterSendPage();
    lstRouteMap->clear();
    for (Page p : {OfficersPage, LabPage, SendPage}) {
        auto *item = new QListWidgetItem(PageTitle(p), lstRouteMap);
        item->setFlags(Qt::ItemIsEnabled);
        QFont font = item->font();
        font.setBold(p == page);
        item->setFont(font);
    }
    UpdateButtons();
}

void TExportLabWizard::next()
{
    if (CurrentPage() == OfficersPage)
        ShowPage(LabPage);
    else if (CurrentPage() == LabPage)
        ShowPage(SendPage);
}

void TExportLabWizard::back()
{
    if (CurrentPage() == SendPage)
        ShowPage(LabPage);
    else if (CurrentPage() == LabPage)
        ShowPage(OfficersPage);
}

void TExportLabWizard::UpdateButtons()
{
    const Page page = CurrentPage();
    btnBack->setVisible(page != OfficersPage);
    btnNext->setVisible(page != SendPage);
    btnFinish->setVisible(page == SendPage);
    if (page == OfficersPage) {
        btnNext->setEnabled(officerChecks->anyChecked());
    } else if (page == LabPage) {
        const int lab = SelectedLab();
        btnNext->setEnabled(lab >= 0 && lab < FLabCodes.size() && FLabCodes.at(lab).second > 0);
    }
    btnBack->setEnabled(!m_sent && !m_busy);
    btnCancel->setEnabled(!m_sent && !m_busy);
    btnFinish->setEnabled(m_sent && !m_busy);
    btnSend->setEnabled(!m_sent && !m_busy && SendPossible());
}

void TExportLabWizard::setBusy(bool busy)
{
    m_busy = busy;
    lblBusy->setVisible(busy);
    pbBusy->setVisible(busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    UpdateButtons();
}

void TExportLabWizard::SendFinished(bool ok, const QString &message)
{
    setBusy(false);
    if (!ok) {
        // The wizard stays as it was, so the officer can send again, go back or cancel.
        Prompter::current().error(Varnex::ProgramName, message);
        return;
    }
    Prompter::current().information(Varnex::ProgramName, SentMessage());
    m_sent = true;
    UpdateButtons();
}

void TExportLabWizard::finish()
{
    auto info = std::make_unique<TExportLabFrmReturnInfo>();
    const int lab = SelectedLab();
    info->LabCode = lab >= 0 && lab < FLabCodes.size() ? FLabCodes.at(lab).first : QString();
    info->OfficerList = FOfficerList;
    info->Personality = FPersonality;
    info->ResultType = QDialog::Accepted;
    HandBack(std::move(info));
    done(QDialog::Accepted);
}

bool TExportLabWizard::FormCloseQuery()
{
    // A delivery under way decides what is recorded: the wizard waits for its answer.
    if (m_busy)
        return false;
    return TIBBaseAdvancedfrm::FormCloseQuery();
}

void InstallExportWizards()
{
    TSampleExportDM::SetWizardOpener([](TSampleExportDM &owner, const QString &personality, bool toFile) {
        auto defaults = std::make_unique<TExportLabFrmDefaults>();
        defaults->Personality = personality;
        if (toFile)
            TBasefrm::CreateAndShow<TExportLabToFileFrm>(QStringLiteral("ExportLab"), &owner, true, std::move(defaults));
        else
            TBasefrm::CreateAndShow<TExportLabFrm>(QStringLiteral("ExportLab"), &owner, true, std::move(defaults));
    });
}
