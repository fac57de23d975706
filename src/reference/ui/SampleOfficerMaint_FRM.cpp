#include "reference/ui/SampleOfficerMaint_FRM.h"

#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "reference/TextLines.h"
#include "store/SqlUtil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Select = QStringLiteral(
    "SELECT UNIQUE_UUID, CODE, NAME, TELEPHONE_NO, EMAIL_ADDRESS, LOGIN_PASSWORD, LOGIN_USERNAME, FLAG_FOOD, FLAG_FEED, "
    "IS_LOCAL_AUTHORITY_ADMIN, LOCAL_AUTH_OFFICE__CODE, IS_SUSPENDED, AUTO_SUSPEND_DATE, DATA_SCOPE, FLAG_DELETED, "
    "LOCAL_AUTHORITY__CODE "
    "FROM SAMPLE_OFFICER WHERE FLAG_DELETED = 'F'");

} // namespace

TSampleOfficerMaintFrm::TSampleOfficerMaintFrm(QObject *AOwner) : TIBCompatibleBaseMaintfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Sample Officers"));
    SetListSql(Select);
    SetUpdateTable(QStringLiteral("SAMPLE_OFFICER"));
    SetGridColumns({{QStringLiteral("CODE"), QStringLiteral("Code")},
                    {QStringLiteral("NAME"), QStringLiteral("Name")},
                    {QStringLiteral("EMAIL_ADDRESS"), QStringLiteral("email address")},
                    {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("Office code")},
                    {QStringLiteral("TELEPHONE_NO"), QStringLiteral("Telephone no")},
                    {QStringLiteral("FLAG_FOOD"), QStringLiteral("Food officer")},
                    {QStringLiteral("FLAG_FEED"), QStringLiteral("Feed officer")},
                    {QStringLiteral("IS_SUSPENDED"), QStringLiteral("Suspended")}});
    for (const char *flag : {"FLAG_FOOD", "FLAG_FEED", "IS_SUSPENDED"})
        grdData->setCheckColumn(QLatin1String(flag));
    // Widths that let every column be seen at once.
    grdData->setColumnStates({{QStringLiteral("CODE"), true, 80},
                              {QStringLiteral("NAME"), true, 150},
                              {QStringLiteral("EMAIL_ADDRESS"), true, 170},
                              {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), true, 85},
                              {QStringLiteral("TELEPHONE_NO"), true, 100},
                              {QStringLiteral("FLAG_FOOD"), true, 85},
                              {QStringLiteral("FLAG_FEED"), true, 85},
                              {QStringLiteral("IS_SUSPENDED"), true, 75}});
    SetDefaultSort({{QStringLiteral("CODE"), Qt::AscendingOrder}});
    zqcxFocusController1->InsertFocusColor = QColor(0xD9, 0xFF, 0xD9);

    edtCode = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Code:"), QStringLiteral("CODE"), 1);
    edtCode->SetUpperCase(true);
    edtCode->setMaxLength(30);
    edtName = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Full name:"), QStringLiteral("NAME"), 2);
    edtName->setMaxLength(150);
    edtTelephone = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Telephone no:"), QStringLiteral("TELEPHONE_NO"));
    edtTelephone->setMaxLength(30);
    edtEmail = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Email address:"), QStringLiteral("EMAIL_ADDRESS"));
    edtEmail->setMaxLength(200);
    edtPassword = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Password:"), QStringLiteral("LOGIN_PASSWORD"));
    edtPassword->setMaxLength(50);
    edtPassword->setEchoMode(QLineEdit::Password);
    chkFood = AddDataEditor<TzqcxDBCheckBox>(QString(), QStringLiteral("FLAG_FOOD"));
    chkFood->setText(QStringLiteral("Food officer"));
    chkFeed = AddDataEditor<TzqcxDBCheckBox>(QString(), QStringLiteral("FLAG_FEED"));
    chkFeed->setText(QStringLiteral("Feed officer"));
    chkAdmin = AddDataEditor<TzqcxDBCheckBox>(QString(), QStringLiteral("IS_LOCAL_AUTHORITY_ADMIN"));
    chkAdmin->setText(QStringLiteral("Is Administrator"));
    cboOffice = AddDataEditor<TzqcxDBLookupComboBox>(QStringLiteral("Office:"), QStringLiteral("LOCAL_AUTH_OFFICE__CODE"));
    cboOffice->setMinimumContentsLength(30);
    chkSuspended = AddDataEditor<TzqcxDBCheckBox>(QString(), QStringLiteral("IS_SUSPENDED"));
    chkSuspended->setText(QStringLiteral("Login suspended"));
    edtAutoSuspendDate = AddDataEditor<TzqcxDBDateEdit>(QStringLiteral("Suspend login on this date:"),
                                                        QStringLiteral("AUTO_SUSPEND_DATE"));
    rgDataScope = AddDataEditor<TzqcxDBRadioGroup>(QStringLiteral("Show data for:"), QStringLiteral("DATA_SCOPE"));
    rgDataScope->SetItems({QStringLiteral("Authority"), QStringLiteral("Office")},
                          {QStringLiteral("authority"), QStringLiteral("office")});
    lblCodeNote = new QLabel(CodeNote(), DetailArea);
    lblCodeNote->setObjectName(QStringLiteral("lblCodeNote"));
    lblCodeNote->setWordWrap(true);
    lblCodeNote->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    DetailLayout->addRow(QString(), lblCodeNote);

    buildMappingsPage();

    m_mapper = std::make_unique<TSampleOfficerMapperDM>([this]() { return LocalDatabase(); });

    connect(grdData, &DataGridView::currentKeyChanged, this, [this]() {
        if (PageControl->currentWidget() == tabMappings)
            Guarded([this]() { RefreshMappingLists(); });
    });
    connect(qryIBOData, &SqlDataSet::stateChanged, this, [this]() { updateMappingActions(); });
    resize(1000, 600);
}

TSampleOfficerMaintFrm::~TSampleOfficerMaintFrm() = default;

void TSampleOfficerMaintFrm::buildMappingsPage()
{
    tabMappings = new QWidget;
    tabMappings->setObjectName(QStringLiteral("tabMappings"));
    auto *page = new QVBoxLayout(tabMappings);
    page->setContentsMargins(8, 8, 8, 4);

    auto *officer = new QGridLayout;
    officer->addWidget(new QLabel(QStringLiteral("Code:"), tabMappings), 0, 0);
    lblMappingCode = new QLabel(tabMappings);
    lblMappingCode->setObjectName(QStringLiteral("lblMappingCode"));
    officer->addWidget(lblMappingCode, 0, 1);
    officer->addWidget(new QLabel(QStringLiteral("Name:"), tabMappings), 1, 0);
    lblMappingName = new QLabel(tabMappings);
    lblMappingName->setObjectName(QStringLiteral("lblMappingName"));
    officer->addWidget(lblMappingName, 1, 1);
    officer->setColumnStretch(1, 1);
    page->addLayout(officer);

    actAddToMapping = new QAction(QStringLiteral("Add name to officer"), this);
    actAddToMapping->setObjectName(QStringLiteral("actAddToMapping"));
    actRemove = new QAction(QStringLiteral("Remove name from officer"), this);
    actRemove->setObjectName(QStringLiteral("actRemove"));
    actApplyMappings = new QAction(QStringLiteral("Apply Mappings"), this);
    actApplyMappings->setObjectName(QStringLiteral("actApplyMappings"));
    for (QAction *a : {actAddToMapping, actRemove, actApplyMappings})
        addAction(a);

    auto *lists = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Names associated with this officer"), tabMappings));
    lstOfficerNames = new QListWidget(tabMappings);
    lstOfficerNames->setObjectName(QStringLiteral("lstOfficerNames"));
    left->addWidget(lstOfficerNames, 1);
    lists->addLayout(left, 1);

    auto *middle = new QVBoxLayout;
    middle->addStretch(1);
    auto *add = new QPushButton(QStringLiteral("Add name to officer"), tabMappings);
    add->setObjectName(QStringLiteral("btnAddToMapping"));
    auto *remove = new QPushButton(QStringLiteral("Remove name from officer"), tabMappings);
    remove->setObjectName(QStringLiteral("btnRemove"));
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addStretch(1);
    lists->addLayout(middle);
    connect(add, &QPushButton::clicked, actAddToMapping, &QAction::trigger);
    connect(remove, &QPushButton::clicked, actRemove, &QAction::trigger);
    connect(actAddToMapping, &QAction::changed, add, [add, this]() { add->setEnabled(actAddToMapping->isEnabled()); });
    connect(actRemove, &QAction::changed, remove, [remove, this]() { remove->setEnabled(actRemove->isEnabled()); });

    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Available names in Completed Samples"), tabMappings));
    lstAvailableNames = new QListWidget(tabMappings);
    lstAvailableNames->setObjectName(QStringLiteral("lstAvailableNames"));
    right->addWidget(lstAvailableNames, 1);
    lists->addLayout(right, 1);
    page->addLayout(lists, 1);

    auto *bottom = new QFrame(tabMappings);
    bottom->setFrameShape(QFrame::StyledPanel);
    auto *bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    dbnMappings = new DataNavigator({DataNavigator::First, DataNavigator::Prior, DataNavigator::Next, DataNavigator::Last},
                                    bottom);
    dbnMappings->setObjectName(QStringLiteral("dbnMappings"));
    bottomLayout->addWidget(dbnMappings);
    page->addWidget(bottom);
    connect(dbnMappings, &DataNavigator::buttonClick, this,
            [this](int index) { Guarded([&]() { tvDataNavigatorButtonsButtonClick(index); }); });

    AddPage(tabMappings, QStringLiteral("Mappings"));
    AddButton(actApplyMappings);

    connect(actAddToMapping, &QAction::triggered, this, [this]() {
        Guarded([this]() { changeMappings(lstAvailableNames, &TSampleOfficerMapperDM::AddMappingToOfficer); });
    });
    connect(actRemove, &QAction::triggered, this, [this]() {
        Guarded([this]() { changeMappings(lstOfficerNames, &TSampleOfficerMapperDM::DeleteMappingFromOfficer); });
    });
    connect(actApplyMappings, &QAction::triggered, this, [this]() { Guarded([this]() { applyMappings(); }); });
    connect(lstAvailableNames, &QListWidget::itemDoubleClicked, actAddToMapping, &QAction::trigger);
    connect(lstOfficerNames, &QListWidget::itemDoubleClicked, actRemove, &QAction::trigger);
}

void TSampleOfficerMaintFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBCompatibleBaseMaintfrm::InitialiseDefaults(std::move(DefaultInfo));
    Guarded([this]() { loadOffices(); });
    updateMappingActions();
}

void TSampleOfficerMaintFrm::loadOffices()
{
    QList<QPair<QVariant, QString>> offices;
    QSqlQuery q = SqlUtil::exec(LocalDatabase(), QStringLiteral("SELECT CODE, DESCRIPTION FROM LOCAL_AUTH_OFFICE "
                                                                "WHERE FLAG_DELETED = 'F' ORDER BY DESCRIPTION"));
    while (q.next())
        offices.append({q.value(0), q.value(1).toString()});
    cboOffice->SetLookupItems(offices);
}

QString TSampleOfficerMaintFrm::CurrentOfficerCode() const
{
    return qryIBOData->isActive() && qryIBOData->recNo() >= 0 ? qryIBOData->text(QStringLiteral("CODE")) : QString();
}

void TSampleOfficerMaintFrm::NewRecord(SqlDataSet &row)
{
    TIBCompatibleBaseMaintfrm::NewRecord(row);
    row.setValue(QStringLiteral("FLAG_FOOD"), QStringLiteral("T"));
    row.setValue(QStringLiteral("FLAG_FEED"), QStringLiteral("T"));
    // Office rather than department: the synchronisation cannot download for a department.
    row.setValue(QStringLiteral("DATA_SCOPE"), QStringLiteral("office"));
    if (Maindm)
        row.setValue(QStringLiteral("LOCAL_AUTHORITY__CODE"), Settings().LocalAuthorityCode());
}

void TSampleOfficerMaintFrm::BeforePost(SqlDataSet &row)
{
    try {
        const QString email = CheckSampleOfficerForPost(LocalDatabase(), row.text(QStringLiteral("UNIQUE_UUID")),
                                                        row.text(QStringLiteral("CODE")),
                                                        row.text(QStringLiteral("EMAIL_ADDRESS")),
                                                        row.text(QStringLiteral("LOGIN_PASSWORD")));
        if (row.text(QStringLiteral("EMAIL_ADDRESS")) != email)
            row.setValue(QStringLiteral("EMAIL_ADDRESS"), email);
    } catch (const OfficerRefused &refused) {
        QWidget *editor = refused.field() == OfficerRefused::Email      ? static_cast<QWidget *>(edtEmail)
                          : refused.field() == OfficerRefused::Password ? static_cast<QWidget *>(edtPassword)
                                                                        : static_cast<QWidget *>(edtCode);
        RefusePost(editor, refused.message());
    }
}

void TSampleOfficerMaintFrm::PageControlChange(int index)
{
    TIBCompatibleBaseMaintfrm::PageControlChange(index);
    if (PageControl->widget(index) == tabMappings)
        Guarded([this]() { RefreshMappingLists(); });
}

void TSampleOfficerMaintFrm::RefreshMappingLists()
{
    lblMappingCode->setText(CurrentOfficerCode());
    lblMappingName->setText(qryIBOData->isActive() && qryIBOData->recNo() >= 0 ? qryIBOData->text(QStringLiteral("NAME"))
                                                                                : QString());
    lstOfficerNames->clear();
    lstAvailableNames->clear();
    const QString code = CurrentOfficerCode();
    if (!code.isEmpty() && qryIBOData->state() == SqlDataSet::dsBrowse)
        lstOfficerNames->addItems(TextLines::split(m_mapper->GetMappingsForOfficer(code)));
    lstAvailableNames->addItems(TextLines::split(m_mapper->GetUnmatchedNamesInSamples()));
    updateMappingActions();
}

void TSampleOfficerMaintFrm::updateMappingActions()
{
    // Names go to an officer once he is saved.
    const bool saved = qryIBOData->state() == SqlDataSet::dsBrowse && !CurrentOfficerCode().isEmpty();
    actAddToMapping->setEnabled(saved);
    actRemove->setEnabled(saved);
    actAddToMapping->setToolTip(saved ? QString() : SaveFirstMessage());
    actRemove->setToolTip(saved ? QString() : SaveFirstMessage());
}

void TSampleOfficerMaintFrm::changeMappings(QListWidget *list,
                                            void (TSampleOfficerMapperDM::*change)(const QString &, const QString &))
{
    QListWidgetItem *item = list->currentItem();
    if (!item)
        return;
    if (qryIBOData->state() != SqlDataSet::dsBrowse)
        throw VarnexError(SaveFirstMessage());
    (m_mapper.get()->*change)(CurrentOfficerCode(), item->text());
    RefreshMappingLists();
}

void TSampleOfficerMaintFrm::applyMappings()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int written = 0;
    try {
        written = m_mapper->ApplyMappingsToSamples();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    StatusBar->showMessage(QStringLiteral("Mappings applied: %1 completed samples changed.").arg(written));
}
