#include "samples/ui/SampleBrowser_FRM.h"

#include "samples/ClientOutcomes.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "data/GroupedGridModel.h"
#include "gui/GridLayoutView.h"
#include "layouts/GridViewStorage_DM.h"
#include "reports/SamplePrint_DM.h"
#include "samples/SampleRecord.h"
#include "samples/ui/MailMergeSamples.h"
#include "samples/ui/SampleBrowserDelegates.h"
#include "samples/ui/SampleBrowserFilterPanel.h"
#include "samples/ui/SampleBrowserLegend.h"
#include "samples/ui/SampleBrowserResultsPane.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSet>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

using namespace SampleStatus;

// Selected samples read back at most this many keys a statement.
constexpr int KeysPerStatement = 1000;
constexpr int ListPageSize = 100;

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Making the form

TSampleBrowserFrm::TSampleBrowserFrm(QObject *AOwner) : TSampleBrowserFrm(AOwner, SampleBrowserConfig::food()) {}

TSampleBrowserFrm::TSampleBrowserFrm(QObject *AOwner, SampleBrowserConfig config)
    : TIBBaseAdvancedfrm(AOwner), m_config(std::move(config))
{
    setWindowTitle(QStringLiteral("Samples Browser"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    qrySample = new GroupedGridModel(this);
    qrySample->setObjectName(QStringLiteral("qrySample"));
    qrySample->setDatabase(LocalDatabase());
    qrySample->setSql(m_config.listSql());
    // A row is known by its UUID: a pass renumbers a sample recorded here (its negative ID becomes
    // the server's), and the current row and the selection must stay on the sample the officer
    // chose. The list keeps the order of the numbers, newest local samples first.
    qrySample->setKeyColumn(QStringLiteral("UNIQUE_UUID"));
    qrySample->setOrderKeyColumn(QStringLiteral("ID"));
    qrySample->setGroupColumn(QStringLiteral("SAMPLE_OFFICER_NAME"));
    qrySample->setParam(QStringLiteral("RECORD_TYPE"), m_config.personality);
    qrySample->setParam(QStringLiteral("FLAG_SET"), QStringLiteral("T"));
    qrySample->setParam(QStringLiteral("DELETED_STATUS"), Deleted);
    qrySample->setPageSize(ListPageSize);
    qrySample->setCountCaption(QStringLiteral("Samples: "));

    // The results pane follows the current row once the user rests on it.
    timerRefreshChildDatasets = new QTimer(this);
    timerRefreshChildDatasets->setObjectName(QStringLiteral("timerRefreshChildDatasets"));
    timerRefreshChildDatasets->setSingleShot(true);
    timerRefreshChildDatasets->setInterval(300);
    connect(timerRefreshChildDatasets, &QTimer::timeout, this, [this]() { timerRefreshChildDatasetsTimer(); });

    buildActions();
    buildWidgets();
    buildSidePanel();
    updateAvailability();
    resize(1280, 860);
}

TSampleBrowserFrm::~TSampleBrowserFrm()
{
    // The grid and the list let go of the form's connection before its transaction closes it.
    timerRefreshChildDatasets->stop();
    grdSampleView->setGridModel(nullptr);
    delete qrySample;
    qrySample = nullptr;
}

void TSampleBrowserFrm::FormClose()
{
    // Whatever the opening parameters say: a browser kept hidden would hold its connection and its
    // rows for the rest of the session, and opening it again reads its list anew anyway.
    if (!ShowingModal())
        deleteLater();
}

void TSampleBrowserFrm::FormCreate()
{
    TIBBaseAdvancedfrm::FormCreate();
    const QDate today = Clock::instance().today();
    dteStart->setDate(today.addDays(-14));
    dteEnd->setDate(today);
}

QAction *TSampleBrowserFrm::makeAction(const char *name, const QString &caption)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    return a;
}

void TSampleBrowserFrm::buildActions()
{
    actShowNewSample = makeAction("actShowNewSample", QStringLiteral("New"));
    actShowEditSample = makeAction("actShowEditSample", QStringLiteral("View"));
    actDuplicateSample = makeAction("actDuplicateSample", QStringLiteral("Duplicate"));
    actDeleteSelected = makeAction("actDeleteSelected", QStringLiteral("Delete"));
    actExportRecords = makeAction("actExportRecords", QStringLiteral("Export to Lab"));
    actExportToFile = makeAction("actExportToFile", QStringLiteral("Export to File"));
    actExportToXML = makeAction("actExportToXML", QStringLiteral("Export to XML"));
    actPrintSample = makeAction("actPrintSample", QStringLiteral("Print form"));
    actPrintLabel = makeAction("actPrintLabel", QStringLiteral("Labels"));
    actPrintA4Label = makeAction("actPrintA4Label", QStringLiteral("A4 labels"));
    actPrintReport = makeAction("actPrintReport", QStringLiteral("Print report"));
    actMailMergeSamples = makeAction("actMailMergeSamples", QStringLiteral("Mail Merge Samples"));
    actCreateTemplate = makeAction("actCreateTemplate", QStringLiteral("Create Template"));
    actViewTemplates = makeAction("actViewTemplates", QStringLiteral("View templates"));
    actUpdateProsecution = makeAction("actUpdateProsecution", QStringLiteral("Set prosecution"));
    actLabellingOutcomes = makeAction("actLabellingOutcomes", QStringLiteral("Set labelling outcomes"));
    actLAEnforcementOutcomes = makeAction("actLAEnforcementOutcomes", QStringLiteral("Set Enforcement outcomes"));
    actUpdateSampleOffice = makeAction("actUpdateSampleOffice", QStringLiteral("Update sample office"));
    actDesignReport = makeAction("actDesignReport", QStringLiteral("Design reports"));
    actDesignReport->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    actSelectAll = makeAction("actSelectAll", m_config.selectAllCaption);
    actClearSelection = makeAction("actClearSelection", m_config.clearSelectionCaption);
    actStoreGridLayout = makeAction("actStoreGridLayout", QStringLiteral("Store grid layout"));
    actRestoreSavedLayout = makeAction("actRestoreSavedLayout", QStringLiteral("Restore saved layout"));
    actFullExpandGroups = makeAction("actFullExpandGroups", QStringLiteral("Expand groups"));
    actFullCollapseGroups = makeAction("actFullCollapseGroups", QStringLiteral("Collapse groups"));
    actSaveToExcel = makeAction("actSaveToExcel", QStringLiteral("Save to Excel file"));

    // What the personality does not offer is never shown nor used.
    for (QAction *a : actions()) {
        if (!m_config.absentActions.contains(a->objectName()))
            continue;
        a->setVisible(false);
        m_unavailable.append(a);
    }

    // The actions' work, each reporting its failure in a message box.
    const QList<std::pair<QAction *, std::function<void()>>> work = {
        {actShowNewSample, [this]() { actShowNewSampleExecute(); }},
        {actShowEditSample, [this]() { actShowEditSampleExecute(); }},
        {actDeleteSelected, [this]() { actDeleteSelectedExecute(); }},
        {actExportRecords, [this]() { actExportRecordsExecute(); }},
        {actExportToFile, [this]() { actExportToFileExecute(); }},
        {actExportToXML, [this]() { actExportToXMLExecute(); }},
        {actPrintSample, [this]() { actPrintSampleExecute(); }},
        {actPrintLabel, [this]() { actPrintLabelExecute(actPrintLabel); }},
        {actPrintA4Label, [this]() { actPrintLabelExecute(actPrintA4Label); }},
        {actPrintReport, [this]() { actPrintReportExecute(); }},
        {actMailMergeSamples,
         [this]() {
             const QStringList uuids = selectedUuids();
             if (!uuids.isEmpty())
                 MailMergeSamples(uuids);
         }},
        {actUpdateSampleOffice, [this]() { actUpdateSampleOfficeExecute(); }},
        {actDuplicateSample, [this]() { actDuplicateSampleExecute(); }},
        {actCreateTemplate, [this]() { actCreateTemplateExecute(); }},
        {actViewTemplates, [this]() { actViewTemplatesExecute(); }},
        {actUpdateProsecution, [this]() { actUpdateProsecutionExecute(); }},
        {actLabellingOutcomes, [this]() { showClientOutcomes(OutcomeHeading::Labelling); }},
        {actLAEnforcementOutcomes, [this]() { showClientOutcomes(OutcomeHeading::Enforcement); }},
    };
    for (const auto &[action, execute] : work)
        connect(action, &QAction::triggered, this, [this, execute]() { guarded(execute); });
    // Switching report design on and off cannot fail.
    connect(actDesignReport, &QAction::triggered, this, [this]() { actDesignReportExecute(); });
    connect(actSelectAll, &QAction::triggered, this, [this]() { grdSampleView->selectAll(); });
    connect(actClearSelection, &QAction::triggered, this, [this]() { grdSampleView->clearSelectedRows(); });
    connect(actFullExpandGroups, &QAction::triggered, this, [this]() { grdSampleView->expandGroups(); });
    connect(actFullCollapseGroups, &QAction::triggered, this, [this]() { grdSampleView->collapseGroups(); });
    // Kept layouts and the Excel file go through the layout store, which reports its own failures.
    const auto withStore = [this](void (TGridViewStorageDm::*operation)(IGridLayoutView &)) {
        RunGridLayoutOperation(operation, *m_layoutView);
    };
    connect(actStoreGridLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::StoreViewToDB); });
    connect(actRestoreSavedLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::RestoreViewFromDB); });
    connect(actSaveToExcel, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::SaveToExcel); });
}

void TSampleBrowserFrm::buildWidgets()
{
    RzPanel2->hide();
    auto *client = new QVBoxLayout(ClientArea);
    client->setContentsMargins(6, 6, 6, 4);
    client->setSpacing(4);

    tabStatus = new QTabBar(ClientArea);
    tabStatus->setObjectName(QStringLiteral("tabStatus"));
    tabStatus->setExpanding(false);
    tabStatus->setDrawBase(true);
    connect(tabStatus, &QTabBar::currentChanged, this, [this]() {
        if (!m_showingTab)
            guarded([this]() { RefreshForStatusTab(); });
    });
    client->addWidget(tabStatus);

    buildFilterPanel();
    client->addWidget(pnlFilter);

    auto *selection = new QHBoxLayout;
    btnSelectAll = new QPushButton(m_config.selectAllCaption, ClientArea);
    btnSelectAll->setObjectName(QStringLiteral("btnSelectAll"));
    btnClearSelection = new QPushButton(m_config.clearSelectionCaption, ClientArea);
    btnClearSelection->setObjectName(QStringLiteral("btnClearSelection"));
    for (QPushButton *b : {btnSelectAll, btnClearSelection}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        selection->addWidget(b);
    }
    connect(btnSelectAll, &QPushButton::clicked, actSelectAll, &QAction::trigger);
    connect(btnClearSelection, &QPushButton::clicked, actClearSelection, &QAction::trigger);
    selection->addStretch(1);
    client->addLayout(selection);

    splMain = new QSplitter(Qt::Vertical, ClientArea);
    splMain->setObjectName(QStringLiteral("splMain"));
    splMain->setChildrenCollapsible(false);

    auto *gridBox = new QWidget(splMain);
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    grdSampleView = new GroupedGridView(gridBox);
    grdSampleView->setObjectName(QStringLiteral("grdSampleView"));
    grdSampleView->setColumnDelegate(QStringLiteral("COLOUR"), new StatusColourDelegate(grdSampleView));
    grdSampleView->setColumnDelegate(QStringLiteral("PURCHASE_COST"), new CurrencyDelegate(grdSampleView));
    grdSampleView->setColumnDelegate(QStringLiteral("ANALYSIS_COST"), new CurrencyDelegate(grdSampleView));
    grdSampleView->setColumns(m_config.columns);
    grdSampleView->setGridModel(qrySample);
    grdSampleView->setContextMenuPolicy(Qt::CustomContextMenu);
    gridLayout->addWidget(grdSampleView, 1);
    pnlFooter = new GridFooter(grdSampleView, gridBox);
    gridLayout->addWidget(pnlFooter);
    splMain->addWidget(gridBox);

    mnuGridOptions = new QMenu(this);
    mnuGridOptions->setObjectName(QStringLiteral("mnuGridOptions"));
    mnuGridOptions->addActions({actStoreGridLayout, actRestoreSavedLayout});
    mnuGridOptions->addSeparator();
    mnuGridOptions->addActions({actFullExpandGroups, actFullCollapseGroups});
    mnuGridOptions->addSeparator();
    mnuGridOptions->addAction(actSaveToExcel);
    mnuGridOptions->setToolTipsVisible(true);
    connect(mnuGridOptions, &QMenu::aboutToShow, this, [this]() { updateAvailability(); });
    m_layoutView = std::make_unique<GroupedGridLayoutView>(this, grdSampleView, QStringLiteral("grdSampleView"));
    connect(grdSampleView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { mnuGridOptions->popup(grdSampleView->viewport()->mapToGlobal(pos)); });

    connect(grdSampleView, &GroupedGridView::currentKeyChanged, this, [this]() { qrySampleAfterScroll(); });
    connect(grdSampleView, &GroupedGridView::rowActivated, this, [this]() {
        if (actShowEditSample->isEnabled())
            actShowEditSample->trigger();
    });
    connect(qrySample, &GroupedGridModel::countsChanged, this, [this]() {
        const qint64 total = qrySample->totalCount();
        pnlFooter->setSummary(qrySample->columnIndex(QStringLiteral("CODE")),
                              QStringLiteral("Samples: ") + (total >= 0 ? QString::number(total) : QString()));
    });
    // A page that cannot be read shows in the status bar: a message box would come up while the
    // grid paints, for every page it asks for.
    connect(qrySample, &GroupedGridModel::loadFailed, this, [this](const QString &message) {
        StatusBar->showMessage(message);
    });

    buildResultsPane();
    splMain->addWidget(m_resultsPane);
    splMain->setStretchFactor(0, 7);
    splMain->setStretchFactor(1, 3);
    client->addWidget(splMain, 1);

    pnlLegend = new SampleBrowserLegend(ClientArea);
    client->addWidget(pnlLegend);
}

void TSampleBrowserFrm::buildFilterPanel()
{
    pnlFilter = new SampleBrowserFilterPanel(m_config.personality, m_config.limitsDates, [this]() { return LocalDatabase(); },
                                             ClientArea);
    cmbOfficer = pnlFilter->cmbOfficer;
    chkAllOfficers = pnlFilter->chkAllOfficers;
    cmbPremises = pnlFilter->cmbPremises;
    chkAllPremises = pnlFilter->chkAllPremises;
    dteStart = pnlFilter->dteStart;
    dteEnd = pnlFilter->dteEnd;
    btnStartToday = pnlFilter->btnStartToday;
    btnEndToday = pnlFilter->btnEndToday;
    btnGo = pnlFilter->btnGo;
    connect(pnlFilter, &SampleBrowserFilterPanel::namesWanted, this,
            [this](QComboBox *box) { guarded([this, box]() { pnlFilter->LoadNames(box); }); });
    connect(pnlFilter, &SampleBrowserFilterPanel::goPressed, this, [this]() {
        guarded([this]() {
            // A date typed into the filter and not readable is shown for correction, not replaced.
            pnlFilter->RequireReadableDates();
            openSampleList();
        });
    });
}

void TSampleBrowserFrm::buildResultsPane()
{
    m_resultsPane = new SampleBrowserResultsPane(m_config, [this]() { return LocalDatabase(); }, splMain);
    pnlResults = m_resultsPane->pnlResults;
    splOutcome = m_resultsPane->splOutcome;
    grdResults = m_resultsPane->grdResults;
    grdOutcomes = m_resultsPane->grdOutcomes;
    memLabComments = m_resultsPane->memLabComments;
    lblPaneProblem = m_resultsPane->lblPaneProblem;
    memResults = m_resultsPane->memResults;
    memOutcomes = m_resultsPane->memOutcomes;
    connect(m_resultsPane, &SampleBrowserResultsPane::rowActivated, this, [this]() {
        if (actShowEditSample->isEnabled())
            actShowEditSample->trigger();
    });
}

void TSampleBrowserFrm::buildSidePanel()
{
    const QList<QList<QAction *>> groups = {
        {actShowNewSample, actShowEditSample, actDuplicateSample, actDeleteSelected},
        {actExportRecords, actExportToFile, actExportToXML},
        {actPrintSample, actPrintLabel, actPrintA4Label, actPrintReport, actMailMergeSamples},
        {actCreateTemplate, actViewTemplates},
        {actUpdateProsecution, actLabellingOutcomes, actLAEnforcementOutcomes},
        {actUpdateSampleOffice},
    };
    for (qsizetype g = 0; g < groups.size(); ++g) {
        if (g > 0)
            RzPanel1Layout->addWidget(separator(RzPanel1));
        for (QAction *a : groups.at(g)) {
            if (m_config.absentActions.contains(a->objectName()))
                continue;
            ActionButton *button = AddButton(a);
            button->setObjectName(QStringLiteral("btn") + a->objectName().mid(3));
        }
    }
    // The A4 button is told apart from the label button by its name.
    for (ActionButton *b : RzPanel1->findChildren<ActionButton *>()) {
        if (b->Action() == actPrintA4Label)
            b->setObjectName(QStringLiteral("btnPrintA4Label"));
    }
    RzPanel1->setMinimumWidth(196);
}

// ---------------------------------------------------------------------------------------------
// Tabs and legend

void TSampleBrowserFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    if (!m_tabCodes.isEmpty())
        return;

    QSqlQuery q = SqlUtil::exec(LocalDatabase(), SampleBrowserConfig::statusesSql());
    QStringList codes;
    QStringList captions;
    QHash<QString, QColor> colours;
    while (q.next()) {
        const QString code = q.value(0).toString();
        colours.insert(code.toUpper(), storedStatusColour(q.value(2)));
        if (code == Imported || code == Deleted)
            continue;
        codes << code;
        captions << q.value(1).toString();
    }
    if (q.lastError().isValid())
        throw VarnexError(q.lastError().text());
    codes << AllTabCode();
    captions << QStringLiteral("All statuses");

    {
        const QScopedValueRollback<bool> quiet(m_showingTab, true);
        while (tabStatus->count() > 0)
            tabStatus->removeTab(0);
        for (const QString &caption : std::as_const(captions))
            tabStatus->addTab(caption);
        m_tabCodes = codes;
        tabStatus->setCurrentIndex(0);
    }
    pnlLegend->SetColours(colours);
    pnlFilter->ShowAll();
    RefreshForStatusTab();
}

QString TSampleBrowserFrm::CurrentTabCode() const
{
    const int tab = tabStatus->currentIndex();
    return tab >= 0 && tab < m_tabCodes.size() ? m_tabCodes.at(tab) : QString();
}

void TSampleBrowserFrm::SelectTab(const QString &code)
{
    const int tab = int(m_tabCodes.indexOf(code));
    if (tab < 0)
        throw VarnexError(QStringLiteral("The browser has no tab for the status %1.").arg(code));
    if (tab == tabStatus->currentIndex())
        RefreshForStatusTab();
    else
        tabStatus->setCurrentIndex(tab);
}

void TSampleBrowserFrm::RefreshForStatusTab()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const QString code = CurrentTabCode();
    const bool complete = code == Complete;
    pnlFilter->setVisible(complete || code == AllTabCode());
    // The results pane takes 30 % on the Complete tab and is gone elsewhere.
    QWidget *pane = splMain->widget(1);
    pane->setVisible(complete);
    if (complete) {
        const int total = qMax(100, splMain->height());
        splMain->setSizes({total * 70 / 100, total - total * 70 / 100});
    }
    for (const QString &field : std::as_const(m_config.completeTabColumns))
        grdSampleView->setColumnVisible(field, complete);
    m_resultsPane->Clear();
    openSampleList();
}

// ---------------------------------------------------------------------------------------------
// The list

QList<GridCondition> TSampleBrowserFrm::sampleListConditions() const
{
    QList<GridCondition> conditions;
    const QString code = CurrentTabCode();
    if (code != AllTabCode())
        conditions.append({QStringLiteral("SAMPLE_STATUS__CODE"), GridCondition::Equal, code});
    // The filter panel counts on the Complete and All tabs only.
    if (code != Complete && code != AllTabCode())
        return conditions;
    return conditions + pnlFilter->Conditions();
}

void TSampleBrowserFrm::openSampleList()
{
    timerRefreshChildDatasets->stop();
    StatusBar->clearMessage();
    pnlFooter->setSummary(-1, QStringLiteral("Samples: "));
    grdSampleView->clearSelectedRows();
    qrySample->setFilter(sampleListConditions());
    try {
        qrySample->open();
    } catch (...) {
        qrySampleAfterScroll();
        throw;
    }
    grdSampleView->selectFirstRow();
    qrySampleAfterScroll();
}

QString TSampleBrowserFrm::CurrentUuid() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("UNIQUE_UUID")).toString();
}

QString TSampleBrowserFrm::CurrentStatus() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("SAMPLE_STATUS__CODE")).toString();
}

QString TSampleBrowserFrm::CurrentCode() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("CODE")).toString();
}

void TSampleBrowserFrm::qrySampleAfterScroll()
{
    const bool hasRow = grdSampleView->currentKey().isValid();
    const QString s = CurrentStatus();
    actDeleteSelected->setProperty("ruleAllows", hasRow && (s == Imported || s == Entered || s == Validated || s == Exported));
    actShowEditSample->setProperty("ruleAllows", hasRow);
    actShowEditSample->setText(s == Imported || s == Entered || s == Validated ? QStringLiteral("Edit") : QStringLiteral("View"));
    actDeleteSelected->setText(s == Exported ? QStringLiteral("Cancel") : QStringLiteral("Delete"));
    applyTabRules();
    // The results pane follows once the user rests on a row.
    timerRefreshChildDatasets->stop();
    timerRefreshChildDatasets->start();
}

void TSampleBrowserFrm::applyTabRules()
{
    const QString code = CurrentTabCode();
    actUpdateProsecution->setProperty("ruleAllows", code == Complete);
    actLabellingOutcomes->setProperty("ruleAllows", code == Complete || code == Exported || code == Cancelled);
    actLAEnforcementOutcomes->setProperty("ruleAllows", code == Complete || code == Exported || code == Cancelled);
    updateAvailability();
}

void TSampleBrowserFrm::actRefreshDataExecute()
{
    TIBBaseAdvancedfrm::actRefreshDataExecute();
    guarded([this]() {
        if (!qrySample->isOpen())
            return;
        StatusBar->clearMessage();
        // The current row, the selection (kept by key) and the sideways position stay.
        grdSampleView->refresh();
    });
    qrySampleAfterScroll();
}

void TSampleBrowserFrm::afterListChange()
{
    RefreshData();
    qrySampleAfterScroll();
}

// ---------------------------------------------------------------------------------------------
// The results pane

void TSampleBrowserFrm::timerRefreshChildDatasetsTimer()
{
    timerRefreshChildDatasets->stop();
    const QVariant key = grdSampleView->currentKey();
    if (CurrentTabCode() != Complete || !key.isValid())
        m_resultsPane->Clear();
    else
        m_resultsPane->ShowSample(key);
}

// ---------------------------------------------------------------------------------------------
// The selection

QList<TSampleBrowserFrm::SelectedSample> TSampleBrowserFrm::SelectedSamples() const
{
    QList<SelectedSample> samples;
    const GridSelection selection = grdSampleView->selection();
    if (selection.all) {
        QSet<QString> excepted;
        for (const QVariant &key : selection.excepted)
            excepted.insert(key.toString());
        const DataTable rows = qrySample->readColumns({QStringLiteral("UNIQUE_UUID"), QStringLiteral("SAMPLE_STATUS__CODE")});
        for (int r = 0; r < rows.rowCount(); ++r) {
            if (!excepted.contains(rows.value(r, 0).toString()))
                samples.append({rows.value(r, 0).toString(), rows.value(r, 1).toString()});
        }
        return samples;
    }
    // The picked rows as the store holds them now, in the order they were picked; a sample gone
    // meanwhile is left out.
    QHash<QString, SelectedSample> found;
    for (qsizetype start = 0; start < selection.picked.size(); start += KeysPerStatement) {
        const SqlUtil::SqlCondition in =
            SqlUtil::sqlInCondition(QStringLiteral("S.UNIQUE_UUID"), selection.picked.mid(start, KeysPerStatement));
        QSqlQuery q = SqlUtil::exec(LocalDatabase(), SampleBrowserConfig::selectedSamplesSql(in.text), in.values);
        while (q.next())
            found.insert(q.value(0).toString(), {q.value(0).toString(), q.value(1).toString()});
        if (q.lastError().isValid())
            throw VarnexError(q.lastError().text());
    }
    for (const QVariant &key : selection.picked) {
        const auto it = found.constFind(key.toString());
        if (it != found.cend())
            samples.append(*it);
    }
    return samples;
}

QStringList TSampleBrowserFrm::selectedUuids() const
{
    QStringList uuids;
    for (const SelectedSample &s : SelectedSamples())
        uuids << s.uuid;
    return uuids;
}

std::unique_ptr<TSamplePrintDM> TSampleBrowserFrm::printModuleForSelection() const
{
    auto module = std::make_unique<TSamplePrintDM>();
    for (const QString &uuid : selectedUuids())
        module->AddSampleToReport(uuid);
    return module;
}
