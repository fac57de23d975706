#include "core/ui/Setup_FRM.h"

#include "base/Background.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "reference/LookupData_DM.h"
#include "reference/TextLines.h"

#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString LocalLaboratories = QStringLiteral("LOCAL_LABORATORIES");

QFormLayout *groupForm(QWidget *page, const QString &caption)
{
    auto *group = new QGroupBox(caption, page);
    auto *form = new QFormLayout(group);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    qobject_cast<QVBoxLayout *>(page->layout())->addWidget(group);
    return form;
}

template <class TEditor>
TEditor *bound(QWidget *parent, SqlDataSet *data, TzqcxFocusController *controller, const char *field)
{
    auto *editor = new TEditor(parent);
    editor->setObjectName(QStringLiteral("edt") + QLatin1String(field));
    editor->SetDataBinding(data, QLatin1String(field));
    editor->SetFocusController(controller);
    return editor;
}

TzqcxDBCheckBox *check(QWidget *parent, SqlDataSet *data, TzqcxFocusController *controller, const char *field,
                       const QString &caption)
{
    auto *box = bound<TzqcxDBCheckBox>(parent, data, controller, field);
    box->setText(caption);
    return box;
}

} // namespace

QStringList TSetupFrm::DefaultLabColumns()
{
    return {QStringLiteral("LABORATORY__CODE_MICRO"), QStringLiteral("LABORATORY__CODE_CHEM"),
            QStringLiteral("ANIMAL_FEED_LAB__CODE_MICRO"), QStringLiteral("ANIMAL_FEED_LAB__CODE_CHEM")};
}

TSetupFrm::TSetupFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Setup"));
    // Closing hides the form; it stays with its owner and is shown again by the next opening.
    SetCloseHandlerCleared(true);

    qryData = new SqlDataSet(this);
    qryData->setObjectName(QStringLiteral("qryData"));
    qryData->setDatabase(LocalDatabase());
    qryData->setSql(QStringLiteral("SELECT * FROM SYS_COMPANY ORDER BY ID ROWS 1"));
    qryData->setUpdateTable(QStringLiteral("SYS_COMPANY"), {QStringLiteral("ID")});
    qryData->beforePost = [this](SqlDataSet &row) {
        if (m_labListChanged) {
            QStringList labs;
            for (int i = 0; i < lstLabsInUse->count(); ++i)
                labs << lstLabsInUse->item(i)->text();
            row.setValue(LocalLaboratories, TextLines::join(labs));
        }
    };
    connect(qryData, &SqlDataSet::afterPost, this, [this]() { rebuildFilteredLabs(); });
    connect(qryData, &SqlDataSet::stateChanged, this, [this]() { updateActions(); });

    FocusController = new TzqcxFocusController(this);
    FocusController->setObjectName(QStringLiteral("FocusController"));
    FocusController->FocusColor = QColor(0xA6, 0xCA, 0xF0);
    FocusController->UnfocusColor = TzqcxFocusController::WindowColor();
    FocusController->InsertFocusColor = QColor(0x00, 0xFF, 0x00);
    FocusController->InsertColor = QColor(0xC0, 0xDC, 0xC0);
    FocusController->EditFocusColor = QColor(0xFF, 0xFF, 0x00);
    FocusController->EditColor = QColor(0xFF, 0xFF, 0x80);
    FocusController->SetDatasource(qryData);

    actEdit = new QAction(QStringLiteral("Edit (F6)"), this);
    actEdit->setObjectName(QStringLiteral("actEdit"));
    actEdit->setShortcut(QKeySequence(Qt::Key_F6));
    actSaveChanges->setText(QStringLiteral("Save Changes (F7)"));
    actSaveChanges->setShortcut(QKeySequence(Qt::Key_F7));
    actCancelChanges->setText(QStringLiteral("Abandon Changes"));
    actPrevPage = new QAction(QStringLiteral("Prev <<<<"), this);
    actPrevPage->setObjectName(QStringLiteral("actPrevPage"));
    actPrevPage->setShortcut(QKeySequence(Qt::Key_F9));
    actNextPage = new QAction(QStringLiteral("Next >>>>"), this);
    actNextPage->setObjectName(QStringLiteral("actNextPage"));
    actNextPage->setShortcut(QKeySequence(Qt::Key_F10));
    for (QAction *a : {actEdit, actPrevPage, actNextPage}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    for (QAction *a : {actEdit, actSaveChanges, actCancelChanges})
        AddButton(a);
    connect(actEdit, &QAction::triggered, this, [this]() {
        guarded([this]() {
            if (qryData->state() == SqlDataSet::dsBrowse)
                qryData->edit();
        });
    });
    connect(actPrevPage, &QAction::triggered, this, [this]() {
        PageControl->setCurrentIndex((PageControl->currentIndex() + PageControl->count() - 1) % PageControl->count());
    });
    connect(actNextPage, &QAction::triggered, this, [this]() {
        PageControl->setCurrentIndex((PageControl->currentIndex() + 1) % PageControl->count());
    });

    buildPages();
    updateActions();
    resize(640, 520);
}

TSetupFrm::~TSetupFrm()
{
    if (m_test)
        m_test->cancel();
    if (m_testing)
        QApplication::restoreOverrideCursor();
}

QWidget *TSetupFrm::addPage(const QString &caption, const char *name)
{
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(10, 10, 10, 10);
    PageControl->addTab(page, caption);
    return page;
}

void TSetupFrm::buildPages()
{
    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(4, 4, 0, 4);
    PageControl = new QTabWidget(ClientArea);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    layout->addWidget(PageControl);

    buildGeneralPage();
    buildFoodPage();
    buildAnimalFeedPage();
    buildSystemPage();
    buildLaboratoriesPage();

    connect(PageControl, &QTabWidget::currentChanged, this, &TSetupFrm::pageChanged);
}

TzqcxDBRadioGroup *TSetupFrm::analysisTypeGroup(QWidget *parent, const char *field)
{
    auto *group = bound<TzqcxDBRadioGroup>(parent, qryData, FocusController, field);
    delete group->layout();
    new QHBoxLayout(group);
    group->SetItems({QStringLiteral("Micro"), QStringLiteral("Chemical"), QStringLiteral("No Default")},
                    {QStringLiteral("M"), QStringLiteral("C"), QStringLiteral("N")});
    // A choice is saved as soon as it is clicked.
    // (After the group has written the value: queued behind the click.)
    for (int i = 0; i < 3; ++i)
        connect(
            group->Button(i), &QRadioButton::clicked, this,
            [this]() {
                guarded([this]() {
                    if (qryData->isEditing())
                        qryData->post();
                });
            },
            Qt::QueuedConnection);
    return group;
}

TzqcxDBLookupComboBox *TSetupFrm::laboratoryBox(QWidget *parent, const char *field)
{
    auto *box = bound<TzqcxDBLookupComboBox>(parent, qryData, FocusController, field);
    box->setMinimumContentsLength(30);
    return box;
}

void TSetupFrm::buildGeneralPage()
{
    tabGeneral = addPage(QStringLiteral("General"), "tabGeneral");
    QFormLayout *importExport = groupForm(tabGeneral, QStringLiteral("Import/Export"));
    cboImportDefinitionFile = bound<TzqcxDBComboBox>(tabGeneral, qryData, FocusController, "XML_IMPORT_FIELD_DEFS_FILE");
    cboImportDefinitionFile->setEditable(true);
    importExport->addRow(QStringLiteral("XML Import Definition file:"), cboImportDefinitionFile);
    chkWW3Dates = check(tabGeneral, qryData, FocusController, "USEWW3XMLDATES",
                        QStringLiteral("Use WW3 XML date format in XML exports:"));
    importExport->addRow(QString(), chkWW3Dates);
    chkIsoCountryCodes = check(tabGeneral, qryData, FocusController, "FLAG_USE_ISO_COUNTRY_CODES",
                               QStringLiteral("Use ISO Country codes in XML Exports"));
    importExport->addRow(QString(), chkIsoCountryCodes);
    qobject_cast<QVBoxLayout *>(tabGeneral->layout())->addStretch(1);
}

void TSetupFrm::buildFoodPage()
{
    tabFood = addPage(QStringLiteral("Food"), "tabFood");
    QFormLayout *foodDefaults = groupForm(tabFood, QStringLiteral("Defaults"));
    cboMicroLab = laboratoryBox(tabFood, "LABORATORY__CODE_MICRO");
    foodDefaults->addRow(QStringLiteral("Micro Lab Code"), cboMicroLab);
    cboChemLab = laboratoryBox(tabFood, "LABORATORY__CODE_CHEM");
    foodDefaults->addRow(QStringLiteral("Chemical Lab Code"), cboChemLab);
    rgAnalysisType = analysisTypeGroup(tabFood, "ANALYSIS_TYPE");
    foodDefaults->addRow(QStringLiteral("Analysis Type"), rgAnalysisType);
    edtDurabilityMin = bound<TzqcxDBSpinEdit>(tabFood, qryData, FocusController, "DURABILITY_YEAR_LOWER_OFFSET");
    edtDurabilityMax = bound<TzqcxDBSpinEdit>(tabFood, qryData, FocusController, "DURABILITY_YEAR_UPPER_OFFSET");
    for (TzqcxDBSpinEdit *spin : {edtDurabilityMin, edtDurabilityMax}) {
        spin->setDecimals(0);
        spin->SetRange(-100, 100);
        spin->setMaximumWidth(90);
    }
    foodDefaults->addRow(QStringLiteral("Dur. Year Min Offset"), edtDurabilityMin);
    foodDefaults->addRow(QStringLiteral("Dur. Year Max Offset"), edtDurabilityMax);
    rgDuplicateAnalysisType = analysisTypeGroup(tabFood, "FOOD_ANALYSIS_TYPE_DUPLICATE");
    foodDefaults->addRow(QStringLiteral("Analysis Type for duplicates"), rgDuplicateAnalysisType);
    QFormLayout *foodImport = groupForm(tabFood, QStringLiteral("Import/Export"));
    chkLaemsPremises = check(tabFood, qryData, FocusController, "FLAG_USE_LAEMS_PREMISES_CODES",
                             QStringLiteral("Use LAEMS Premises types"));
    foodImport->addRow(QString(), chkLaemsPremises);
    qobject_cast<QVBoxLayout *>(tabFood->layout())->addStretch(1);
}

void TSetupFrm::buildAnimalFeedPage()
{
    tabAnimalFeed = addPage(QStringLiteral("Animal Feed"), "tabAnimalFeed");
    QFormLayout *feedDefaults = groupForm(tabAnimalFeed, QStringLiteral("Defaults"));
    cboFeedLab = laboratoryBox(tabAnimalFeed, "ANIMAL_FEED_LAB__CODE_CHEM");
    feedDefaults->addRow(QStringLiteral("Laboratory Code:"), cboFeedLab);
    qobject_cast<QVBoxLayout *>(tabAnimalFeed->layout())->addStretch(1);
}

void TSetupFrm::buildSystemPage()
{
    tabSystem = addPage(QStringLiteral("System"), "tabSystem");
    QFormLayout *connections = groupForm(tabSystem, QStringLiteral("Connections settings"));
    chkInternetLogin = check(tabSystem, qryData, FocusController, "SHOW_INTERNET_LOGIN_DIALOG",
                             QStringLiteral("Prompt for login details when connecting to the internet"));
    chkDontUpdate = check(tabSystem, qryData, FocusController, "FLAG_DONT_UPDATE_ON_START",
                          QStringLiteral("Do not check for updates on program start"));
    chkKeepAlive = check(tabSystem, qryData, FocusController, "FLAG_KEEP_ALIVE", QStringLiteral("Keep connection"));
    for (QWidget *box : {static_cast<QWidget *>(chkInternetLogin), static_cast<QWidget *>(chkDontUpdate),
                         static_cast<QWidget *>(chkKeepAlive)})
        connections->addRow(QString(), box);
    lblServerAddress = new QLabel(tabSystem);
    lblServerAddress->setObjectName(QStringLiteral("lblServerAddress"));
    lblServerAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblServerAddress->setFrameShape(QFrame::StyledPanel);
    btnTestConnection = new QPushButton(QStringLiteral("Test Connection"), tabSystem);
    btnTestConnection->setObjectName(QStringLiteral("btnTestConnection"));
    auto *server = new QHBoxLayout;
    server->addWidget(lblServerAddress, 1);
    server->addWidget(btnTestConnection);
    connections->addRow(QStringLiteral("VRXNet support server address"), server);
    connect(btnTestConnection, &QPushButton::clicked, this, &TSetupFrm::TestConnection);
    QFormLayout *install = groupForm(tabSystem, QStringLiteral("Install details"));
    lblInstallationCode = new QLabel(tabSystem);
    lblInstallationCode->setObjectName(QStringLiteral("lblInstallationCode"));
    lblInstallationCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    install->addRow(QStringLiteral("Installation Code:"), lblInstallationCode);
    qobject_cast<QVBoxLayout *>(tabSystem->layout())->addStretch(1);
}

// Two lists side by side, the laboratories there are and those in use, with buttons to move
// them between.
void TSetupFrm::buildLaboratoriesPage()
{
    tabLaboratories = addPage(QStringLiteral("Laboratories"), "tabLaboratories");
    auto *lists = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("All Laboratories:"), tabLaboratories));
    lstAllLabs = new QListWidget(tabLaboratories);
    lstAllLabs->setObjectName(QStringLiteral("lstAllLabs"));
    left->addWidget(lstAllLabs, 1);
    auto *middle = new QVBoxLayout;
    middle->addStretch(1);
    btnInclude = new QPushButton(QStringLiteral(">"), tabLaboratories);
    btnIncludeAll = new QPushButton(QStringLiteral(">>"), tabLaboratories);
    btnExclude = new QPushButton(QStringLiteral("<"), tabLaboratories);
    btnExcludeAll = new QPushButton(QStringLiteral("<<"), tabLaboratories);
    for (QPushButton *b : {btnInclude, btnIncludeAll, btnExclude, btnExcludeAll}) {
        b->setMaximumWidth(48);
        middle->addWidget(b);
    }
    middle->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Laboratories we use:"), tabLaboratories));
    lstLabsInUse = new QListWidget(tabLaboratories);
    lstLabsInUse->setObjectName(QStringLiteral("lstLabsInUse"));
    right->addWidget(lstLabsInUse, 1);
    for (QListWidget *list : {lstAllLabs, lstLabsInUse}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSortingEnabled(true);
    }
    lists->addLayout(left, 1);
    lists->addLayout(middle);
    lists->addLayout(right, 1);
    qobject_cast<QVBoxLayout *>(tabLaboratories->layout())->addLayout(lists, 1);
    connect(btnInclude, &QPushButton::clicked, this, &TSetupFrm::IncludeSelected);
    connect(btnIncludeAll, &QPushButton::clicked, this, &TSetupFrm::IncludeAll);
    connect(btnExclude, &QPushButton::clicked, this, &TSetupFrm::ExcludeSelected);
    connect(btnExcludeAll, &QPushButton::clicked, this, &TSetupFrm::ExcludeAll);
}

void TSetupFrm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(QStringLiteral("Setup"), e.message());
    }
}

void TSetupFrm::updateActions()
{
    const bool editing = qryData->isEditing();
    actEdit->setEnabled(m_hasRow && !editing);
    actSaveChanges->setEnabled(editing);
    actCancelChanges->setEnabled(editing);
    SetLabButtons();
}

// ---------------------------------------------------------------------------------------------
// Opening

void TSetupFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *d = dynamic_cast<TSetupFrmDefaults *>(DefaultInfo.get())) {
        m_serverSettings = d->ServerSettings;
        m_programFolder = d->ProgramFolder;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    if (!qryData->isEditing())
        m_labListChanged = false;
    lblServerAddress->setText(m_serverSettings ? m_serverSettings().serverAddress : QString());
    guarded([this]() { lblInstallationCode->setText(Maindm ? Maindm->InstallationId() : QString()); });
    if (LookupDataDm) {
        for (TzqcxDBLookupComboBox *box : {cboMicroLab, cboChemLab, cboFeedLab})
            if (!box->ListSource())
                box->SetListSource(LookupDataDm->DataSource(QStringLiteral("srcLaboratoryFiltered")),
                                   QStringLiteral("Code"), QStringLiteral("Description"));
    }
    openRow();
    // The first page, without the checks of a page change.
    PageControl->blockSignals(true);
    PageControl->setCurrentWidget(tabGeneral);
    PageControl->blockSignals(false);
    fillDefinitionFiles();
    BuildLabLists();
}

void TSetupFrm::openRow()
{
    // Opened again while the row is being edited: the edit stays, to be saved or abandoned.
    if (qryData->isEditing())
        return;
    guarded([this]() {
        qryData->close();
        qryData->open();
    });
    m_hasRow = qryData->isActive() && qryData->recordCount() > 0;
    // Without the row there is nothing to edit, and nothing is made up in its place.
    qryData->setReadOnly(!m_hasRow);
    PageControl->setEnabled(m_hasRow);
    updateActions();
    if (!m_hasRow && qryData->isActive())
        Prompter::current().warning(QStringLiteral("Setup"), NoRowMessage());
}

void TSetupFrm::fillDefinitionFiles()
{
    // The folder beside the program, found by its full path: the process's current folder is left
    // as it is.
    const QString appPath = !m_programFolder.isEmpty() ? m_programFolder
                            : Maindm                   ? Maindm->AppPath()
                                                       : QCoreApplication::applicationDirPath();
    QDir folder(QDir(appPath).absoluteFilePath(QStringLiteral("XMLImportDefinitions")));
    folder.setNameFilters({QStringLiteral("*.xml")});
    folder.setFilter(QDir::Files | QDir::Readable);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    const QString current = cboImportDefinitionFile->currentText();
    cboImportDefinitionFile->blockSignals(true);
    cboImportDefinitionFile->clear();
    if (folder.exists())
        cboImportDefinitionFile->addItems(folder.entryList());
    cboImportDefinitionFile->setEditText(current);
    cboImportDefinitionFile->blockSignals(false);
}

// ---------------------------------------------------------------------------------------------
// Pages and the default laboratories

void TSetupFrm::pageChanged(int index)
{
    guarded([this]() { CheckDefaultLabs(); });
    if (PageControl->widget(index) == tabLaboratories)
        BuildLabLists();
}

void TSetupFrm::CheckDefaultLabs()
{
    if (!m_hasRow || qryData->text(QStringLiteral("FLAG_USE_LOCAL_LABORATORIES")) != QLatin1String("T"))
        return;
    m_blanked = false;
    QSet<QString> inUse;
    if (LookupDataDm) {
        const DataTable &labs = LookupDataDm->Table(QStringLiteral("mdLaboratoryFiltered"));
        const int code = labs.indexOf(QStringLiteral("Code"));
        for (int r = 0; code >= 0 && r < labs.rowCount(); ++r)
            inUse.insert(labs.value(r, code).toString());
    }
    for (const QString &column : DefaultLabColumns()) {
        const QString value = qryData->text(column);
        if (value.isEmpty() || inUse.contains(value))
            continue;
        if (!qryData->isEditing())
            qryData->edit();
        qryData->clearValue(column);
        m_blanked = true;
    }
    // Only a blanking is written here; changes the user is still making wait for Save.
    if (m_blanked) {
        if (qryData->isEditing())
            qryData->post();
        Prompter::current().information(QStringLiteral("Setup"), BlankedMessage());
    }
}

// ---------------------------------------------------------------------------------------------
// Laboratory lists

void TSetupFrm::BuildLabLists()
{
    lstAllLabs->clear();
    lstLabsInUse->clear();
    if (LookupDataDm) {
        const DataTable &labs = LookupDataDm->Table(QStringLiteral("mdLaboratory"));
        const int description = labs.indexOf(QStringLiteral("Description"));
        for (int r = 0; description >= 0 && r < labs.rowCount(); ++r)
            lstAllLabs->addItem(labs.value(r, description).toString());
    }
    if (m_hasRow) {
        for (const QString &line : TextLines::split(qryData->text(LocalLaboratories))) {
            lstLabsInUse->addItem(line);
            for (int i = 0; i < lstAllLabs->count(); ++i) {
                if (lstAllLabs->item(i)->text() == line) {
                    delete lstAllLabs->takeItem(i);
                    break;
                }
            }
        }
    }
    SetLabButtons();
}

void TSetupFrm::SetLabButtons()
{
    btnInclude->setEnabled(m_hasRow && lstAllLabs->count() > 0);
    btnIncludeAll->setEnabled(m_hasRow && lstAllLabs->count() > 0);
    btnExclude->setEnabled(m_hasRow && lstLabsInUse->count() > 0);
    btnExcludeAll->setEnabled(m_hasRow && lstLabsInUse->count() > 0);
}

void TSetupFrm::moveLabs(QListWidget *from, QListWidget *to, bool all)
{
    guarded([&]() {
        QList<int> rows;
        for (int i = 0; i < from->count(); ++i)
            if (all || from->item(i)->isSelected())
                rows << i;
        if (rows.isEmpty())
            return;
        const int first = rows.first();
        // From the last to the first, so that the positions still to take stay valid.
        for (auto it = rows.crbegin(); it != rows.crend(); ++it)
            to->addItem(from->takeItem(*it));
        from->setFocus(Qt::OtherFocusReason);
        from->clearSelection();
        if (from->count() > 0) {
            from->setCurrentRow(qMin(first, from->count() - 1));
        }
        SetLabButtons();
        SetLabListChanged();
    });
}

void TSetupFrm::IncludeSelected() { moveLabs(lstAllLabs, lstLabsInUse, false); }
void TSetupFrm::IncludeAll() { moveLabs(lstAllLabs, lstLabsInUse, true); }
void TSetupFrm::ExcludeSelected() { moveLabs(lstLabsInUse, lstAllLabs, false); }
void TSetupFrm::ExcludeAll() { moveLabs(lstLabsInUse, lstAllLabs, true); }

void TSetupFrm::SetLabListChanged()
{
    m_labListChanged = true;
    if (!qryData->isEditing())
        qryData->edit();
    QStringList labs;
    for (int i = 0; i < lstLabsInUse->count(); ++i)
        labs << lstLabsInUse->item(i)->text();
    qryData->setValue(LocalLaboratories, TextLines::join(labs));
}

void TSetupFrm::rebuildFilteredLabs()
{
    if (!m_labListChanged)
        return;
    m_labListChanged = false;
    if (LookupDataDm)
        LookupDataDm->SetupFilterdLabList();
}

// ---------------------------------------------------------------------------------------------
// Saving, abandoning, closing

void TSetupFrm::actSaveChangesExecute()
{
    guarded([this]() {
        TIBBaseAdvancedfrm::actSaveChangesExecute();
        if (qryData->isEditing())
            qryData->post();
    });
}

void TSetupFrm::actCancelChangesExecute()
{
    guarded([this]() {
        if (qryData->isEditing())
            qryData->cancel();
        m_labListChanged = false;
        BuildLabLists();
    });
}

bool TSetupFrm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (qryData->isEditing()) {
        Prompter::current().information(QStringLiteral("Setup"), UnsavedMessage());
        return false;
    }
    if (m_testing)
        return false;
    return true;
}

void TSetupFrm::actCloseExecute()
{
    rebuildFilteredLabs();
    TIBBaseAdvancedfrm::actCloseExecute();
}

// ---------------------------------------------------------------------------------------------
// Connection test

void TSetupFrm::TestConnection()
{
    if (m_testing)
        return;
    const CentralServerSettings settings = m_serverSettings ? m_serverSettings() : CentralServerSettings();
    m_testing = true;
    btnTestConnection->setEnabled(false);
    StatusBar->showMessage(QStringLiteral("Connecting to %1...").arg(settings.serverAddress));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_test = runInBackground(
        this,
        [settings]() {
            TDADataDm server(settings);
            return server.Login({}, QString::fromLatin1(TDADataDm::ServiceUserName()),
                                QString::fromLatin1(TDADataDm::ServicePassword()));
        },
        [this](BackgroundOutcome<bool> outcome) {
            QApplication::restoreOverrideCursor();
            m_testing = false;
            btnTestConnection->setEnabled(true);
            StatusBar->clearMessage();
            if (!outcome.ok())
                Prompter::current().error(QStringLiteral("Setup"), outcome.error);
            else if (*outcome.value)
                Prompter::current().information(QStringLiteral("Setup"), ConnectedMessage());
            else
                Prompter::current().warning(QStringLiteral("Setup"), RefusedMessage());
        });
}
