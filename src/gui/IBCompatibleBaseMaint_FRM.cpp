#include "gui/IBCompatibleBaseMaint_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "gui/ZQCXDBEditControls.h"
#include "layouts/GridViewStorage_DM.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const KeyField = "UNIQUE_UUID";
// The parameter of the current-row query that holds the key of the row to read.
const char *const CurrentKeyParam = "MAINT_CURRENT_KEY";
constexpr int ListPageSize = 50;

QAction *makeAction(QWidget *form, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    auto *a = new QAction(caption, form);
    a->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
    form->addAction(a);
    return a;
}

QFrame *buttonPanel(QWidget *parent, const char *name)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 6);
    return panel;
}

} // namespace

TIBCompatibleBaseMaintfrm::TIBCompatibleBaseMaintfrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    qryList = new GridModel(this);
    qryList->setObjectName(QStringLiteral("qryList"));
    qryList->setDatabase(LocalDatabase());
    qryList->setKeyColumn(QLatin1String(KeyField));
    // About two screens of rows a page; the grid asks for more as it needs them.
    qryList->setPageSize(ListPageSize);

    qryIBOData = new SqlDataSet(this);
    qryIBOData->setObjectName(QStringLiteral("qryIBOData"));
    qryIBOData->setDatabase(LocalDatabase());
    qryIBOData->onNewRecord = [this](SqlDataSet &row) { NewRecord(row); };
    qryIBOData->beforePost = [this](SqlDataSet &row) { BeforePost(row); };

    zqcxFocusController1 = new TzqcxFocusController(this);
    zqcxFocusController1->setObjectName(QStringLiteral("zqcxFocusController1"));
    zqcxFocusController1->FocusColor = QColor(0xA6, 0xCA, 0xF0);
    zqcxFocusController1->UnfocusColor = TzqcxFocusController::WindowColor();
    zqcxFocusController1->InsertFocusColor = QColor(0x00, 0xFF, 0x00);
    zqcxFocusController1->InsertColor = QColor(0xC0, 0xDC, 0xC0);
    zqcxFocusController1->EditFocusColor = QColor(0xFF, 0xFF, 0x00);
    zqcxFocusController1->EditColor = QColor(0xFF, 0xFF, 0x80);
    zqcxFocusController1->InvalidFocusColor = Qt::black;
    zqcxFocusController1->InvalidValueColor = Qt::black;
    zqcxFocusController1->SetDatasource(qryIBOData);

    buildActions();
    buildPages();
    buildPanels();

    connect(qryIBOData, &SqlDataSet::stateChanged, this, [this]() { updateActions(); });
    connect(qryIBOData, &SqlDataSet::afterPost, this, [this]() { afterPost(); });
    connect(grdData, &DataGridView::currentKeyChanged, this, [this](const QVariant &key) {
        if (!qryIBOData->isEditing())
            Guarded([&]() { loadCurrentRow(key); });
    });
    // A page that cannot be read while the grid scrolls is reported once the grid has painted.
    connect(qryList, &GridModel::loadFailed, this,
            [this](const QString &message) { Prompter::current().error(MessageTitle(), message); }, Qt::QueuedConnection);

    resize(820, 560);
    updateActions();
}

TIBCompatibleBaseMaintfrm::~TIBCompatibleBaseMaintfrm()
{
    // The editors go before the current row they show, and the list before the connection it reads.
    delete PageControl;
    PageControl = nullptr;
    delete qryList;
    qryList = nullptr;
}

void TIBCompatibleBaseMaintfrm::buildActions()
{
    actNew = makeAction(this, "actNew", QStringLiteral("New (F5)"), QKeySequence(Qt::Key_F5));
    actEdit = makeAction(this, "actEdit", QStringLiteral("Edit (F6)"), QKeySequence(Qt::Key_F6));
    actDelete = makeAction(this, "actDelete", QStringLiteral("Delete"));
    actBrowse = makeAction(this, "actBrowse", QStringLiteral("Browse (F11)"), QKeySequence(Qt::Key_F11));
    actDetails = makeAction(this, "actDetails", QStringLiteral("Details (F12)"), QKeySequence(Qt::Key_F12));
    actPost = makeAction(this, "actPost", QStringLiteral("Post"), QKeySequence(Qt::Key_F7));
    actFilter = makeAction(this, "actFilter", QStringLiteral("Filter"));
    actSaveToExcel = makeAction(this, "actSaveToExcel", QStringLiteral("Save to Excel"));
    actFullExpandGroups = makeAction(this, "actFullExpandGroups", QStringLiteral("Expand groups"));
    actFullCollapseGroups = makeAction(this, "actFullCollapseGroups", QStringLiteral("Collapse groups"));
    actStoreGridLayout = makeAction(this, "actStoreGridLayout", QStringLiteral("Store grid layout"));
    actRestoreSavedLayout = makeAction(this, "actRestoreSavedLayout", QStringLiteral("Restore saved layout"));
    actCancel = makeAction(this, "actCancel", QStringLiteral("Cancel"));

    // The grid layouts go to the layout store, which the program makes after login.
    const auto withStore = [this](void (TGridViewStorageDm::*operation)(IGridLayoutView &)) {
        RunGridLayoutOperation(operation, *m_layoutView);
    };
    connect(actSaveToExcel, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::SaveToExcel); });
    connect(actFullExpandGroups, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::ExpandGroups); });
    connect(actFullCollapseGroups, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::CollapseGroups); });
    connect(actStoreGridLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::StoreViewToDB); });
    connect(actRestoreSavedLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::RestoreViewFromDB); });
    actFilter->setVisible(false);
    actDetails->setVisible(false);
    actCancel->setVisible(false);

    connect(actNew, &QAction::triggered, this, [this]() { Guarded([this]() { actNewExecute(); }); });
    connect(actEdit, &QAction::triggered, this, [this]() { Guarded([this]() { actEditExecute(); }); });
    connect(actDelete, &QAction::triggered, this, [this]() { Guarded([this]() { actDeleteExecute(); }); });
    connect(actBrowse, &QAction::triggered, this, [this]() { Guarded([this]() { actBrowseExecute(); }); });
    connect(actDetails, &QAction::triggered, this, [this]() { Guarded([this]() { actDetailsExecute(); }); });
    connect(actPost, &QAction::triggered, this, [this]() { Guarded([this]() { actPostExecute(); }); });
    connect(actCancel, &QAction::triggered, this, [this]() { Guarded([this]() { actCancelExecute(); }); });
}

void TIBCompatibleBaseMaintfrm::buildPages()
{
    PageControl = new QTabWidget(ClientArea);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    auto *clientLayout = new QVBoxLayout(ClientArea);
    clientLayout->setContentsMargins(4, 4, 0, 4);
    clientLayout->addWidget(PageControl);

    TabBrowse = new QWidget;
    TabBrowse->setObjectName(QStringLiteral("TabBrowse"));
    auto *browseLayout = new QVBoxLayout(TabBrowse);
    browseLayout->setContentsMargins(4, 4, 4, 4);
    grdData = new DataGridView(TabBrowse);
    grdData->setObjectName(QStringLiteral("grdData"));
    grdData->setGridModel(qryList);
    grdData->setContextMenuPolicy(Qt::CustomContextMenu);
    browseLayout->addWidget(grdData, 1);
    grdDataNavigator = new DataNavigator({DataNavigator::First, DataNavigator::Prior, DataNavigator::Next,
                                          DataNavigator::Last, DataNavigator::Refresh},
                                         TabBrowse);
    grdDataNavigator->setObjectName(QStringLiteral("grdDataNavigator"));
    browseLayout->addWidget(grdDataNavigator);
    connect(grdDataNavigator, &DataNavigator::buttonClick, this,
            [this](int index) { Guarded([&]() { tvDataNavigatorButtonsButtonClick(index); }); });
    connect(grdData, &QAbstractItemView::doubleClicked, this, [this]() { Guarded([this]() { grdDataDblClick(); }); });

    mnuGridOptions = new QMenu(this);
    mnuGridOptions->setObjectName(QStringLiteral("mnuGridOptions"));
    mnuGridOptions->addAction(actStoreGridLayout);
    mnuGridOptions->addAction(actRestoreSavedLayout);
    mnuGridOptions->addSeparator();
    mnuGridOptions->addAction(actFullExpandGroups);
    mnuGridOptions->addAction(actFullCollapseGroups);
    mnuGridOptions->addSeparator();
    mnuGridOptions->addAction(actSaveToExcel);
    mnuGridOptions->setToolTipsVisible(true);
    m_layoutView = std::make_unique<DataGridLayoutView>(this, grdData, QStringLiteral("tvData"));
    connect(mnuGridOptions, &QMenu::aboutToShow, this, [this]() { updateGridLayoutActions(); });
    connect(grdData, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { mnuGridOptions->popup(grdData->viewport()->mapToGlobal(at)); });

    tabDetail = new QWidget;
    tabDetail->setObjectName(QStringLiteral("tabDetail"));
    auto *detailLayout = new QVBoxLayout(tabDetail);
    detailLayout->setContentsMargins(8, 8, 8, 4);
    DetailArea = new QWidget(tabDetail);
    DetailArea->setObjectName(QStringLiteral("DetailArea"));
    DetailLayout = new QFormLayout(DetailArea);
    DetailLayout->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    DetailLayout->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    detailLayout->addWidget(DetailArea);
    detailLayout->addStretch(1);
    pnlBottom = new QFrame(tabDetail);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setFrameShape(QFrame::StyledPanel);
    auto *bottomLayout = new QHBoxLayout(pnlBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    dbnDetail = new DataNavigator({DataNavigator::First, DataNavigator::Prior, DataNavigator::Next, DataNavigator::Last},
                                  pnlBottom);
    dbnDetail->setObjectName(QStringLiteral("dbnDetail"));
    bottomLayout->addWidget(dbnDetail);
    detailLayout->addWidget(pnlBottom);
    connect(dbnDetail, &DataNavigator::buttonClick, this, [this](int index) { Guarded([&]() { moveBy(index); }); });

    // A third page that is never shown; descendants' own pages go before it.
    m_hiddenPage = new QWidget;
    m_hiddenPage->setObjectName(QStringLiteral("tabHidden"));

    PageControl->addTab(TabBrowse, QStringLiteral("Browser"));
    PageControl->addTab(tabDetail, QStringLiteral("Detail"));
    PageControl->addTab(m_hiddenPage, QString());
    PageControl->setTabVisible(PageControl->indexOf(m_hiddenPage), false);
    PageControl->setCurrentWidget(TabBrowse);
    m_lastPage = PageControl->currentIndex();
    connect(PageControl, &QTabWidget::currentChanged, this, &TIBCompatibleBaseMaintfrm::onPageChanged);
}

void TIBCompatibleBaseMaintfrm::buildPanels()
{
    pnlNavigation = buttonPanel(RzPanel1, "pnlNavigation");
    pnlNavigation->setVisible(false);
    for (QAction *a : {actDetails, actBrowse})
        pnlNavigation->layout()->addWidget(new ActionButton(a, pnlNavigation));
    RzPanel1Layout->addWidget(pnlNavigation);

    pnlMaintenance = buttonPanel(RzPanel1, "pnlMaintenance");
    for (QAction *a : {actEdit, actDelete, actNew, actFilter, actSaveChanges, actCancelChanges})
        pnlMaintenance->layout()->addWidget(new ActionButton(a, pnlMaintenance));
    RzPanel1Layout->addWidget(pnlMaintenance);

    auto *standard = qobject_cast<QVBoxLayout *>(pnlStandard->layout());
    standard->insertWidget(0, new ActionButton(actCancel, pnlStandard));
}

int TIBCompatibleBaseMaintfrm::AddPage(QWidget *page, const QString &caption)
{
    return PageControl->insertTab(PageControl->indexOf(m_hiddenPage), page, caption);
}

// ---------------------------------------------------------------------------------------------
// Set-up

void TIBCompatibleBaseMaintfrm::SetListSql(const QString &selectSql)
{
    m_listSql = selectSql;
    qryList->setSql(selectSql);
    qryIBOData->setSql(QStringLiteral("SELECT * FROM (\n%1\n) T WHERE T.%2 = :%3")
                           .arg(selectSql, QLatin1String(KeyField), QLatin1String(CurrentKeyParam)));
}

void TIBCompatibleBaseMaintfrm::SetUpdateTable(const QString &table)
{
    m_updateTable = table;
    qryIBOData->setUpdateTable(table, {QLatin1String(KeyField)});
}

void TIBCompatibleBaseMaintfrm::SetGridColumns(const QList<GridColumn> &columns)
{
    grdData->setColumns(columns);
}

void TIBCompatibleBaseMaintfrm::SetDefaultSort(const QList<GridSortKey> &keys)
{
    qryList->setSort(keys);
    if (!keys.isEmpty()) {
        // The header shows the order once the list is open and has the column.
        connect(qryList, &QAbstractItemModel::modelReset, this, [this, keys]() {
            const int column = qryList->columnIndex(keys.first().column);
            QHeaderView *header = grdData->horizontalHeader();
            if (column >= 0 && !header->isSortIndicatorShown()) {
                header->setSortIndicatorShown(true);
                header->setSortIndicator(column, keys.first().order);
            }
        });
    }
}

void TIBCompatibleBaseMaintfrm::SetQueryParam(const QString &name, const QVariant &value)
{
    qryList->setParam(name, value);
    qryIBOData->setParam(name, value);
}

void TIBCompatibleBaseMaintfrm::SetEditorTag(QWidget *editor, int tag)
{
    editor->setProperty("tag", tag);
}

int TIBCompatibleBaseMaintfrm::EditorTag(const QWidget *editor)
{
    return editor->property("tag").toInt();
}

IVRXInfo &TIBCompatibleBaseMaintfrm::Settings()
{
    if (!Maindm)
        throw VarnexError(QStringLiteral("The settings of the local store are not available."));
    return *Maindm;
}

QString TIBCompatibleBaseMaintfrm::MessageTitle() const
{
    return windowTitle().isEmpty() ? Varnex::ProgramName : windowTitle();
}

void TIBCompatibleBaseMaintfrm::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(MessageTitle(), e.message());
    }
}

// ---------------------------------------------------------------------------------------------
// Opening parameters and properties

void TIBCompatibleBaseMaintfrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *d = dynamic_cast<TIBCompatibleBaseMaintFrmDefaults *>(DefaultInfo.get())) {
        SetMode(d->OpenMode);
        SetAllowScroll(d->AllowScroll);
        SetAllowEdit(d->AllowEdit);
        SetMode(d->OpenMode);
        m_initialBookmark = d->InitialBookmark;
        m_codeField = d->CodeFieldName;
    } else {
        SetMode(mmoBrowse);
        SetAllowScroll(true);
        SetAllowEdit(true);
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));

    actCancel->setVisible(m_mode == mmoBrowse);
    actSaveChanges->setEnabled(m_mode != mmoBrowse);
    actCancelChanges->setEnabled(m_mode != mmoBrowse);
    actClose->setText(m_mode == mmoBrowse ? QStringLiteral("Accept selection") : QStringLiteral("Close"));
    if (!m_listSql.isEmpty())
        OpenList(m_initialBookmark);
}

void TIBCompatibleBaseMaintfrm::SetMode(TMaintFrmMode mode)
{
    m_mode = mode;
    if (m_allowScroll)
        showPage(TabBrowse);
    pnlMaintenance->setVisible(true);
    pnlNavigation->setVisible(mode == mmoMaint);
}

void TIBCompatibleBaseMaintfrm::SetAllowEdit(bool allow)
{
    m_allowEdit = allow;
    if (!allow && qryIBOData->isEditing())
        qryIBOData->cancel();
    qryIBOData->setReadOnly(!allow);
    updateActions();
}

void TIBCompatibleBaseMaintfrm::SetAllowScroll(bool allow)
{
    m_allowScroll = allow;
    if (!allow && BrowsePageActive())
        showPage(tabDetail);
    const int index = PageControl->indexOf(TabBrowse);
    PageControl->setTabVisible(index, allow);
    PageControl->setTabEnabled(index, allow);
    TabBrowse->setEnabled(allow);
    updateActions();
}

bool TIBCompatibleBaseMaintfrm::BrowsePageActive() const
{
    return PageControl->currentWidget() == TabBrowse;
}

bool TIBCompatibleBaseMaintfrm::DetailPageActive() const
{
    return PageControl->currentWidget() == tabDetail;
}

QVariant TIBCompatibleBaseMaintfrm::CurrentKey() const
{
    return grdData->currentKey();
}

void TIBCompatibleBaseMaintfrm::updateGridLayoutActions()
{
    const bool available = GridViewStorageDm != nullptr;
    for (QAction *a : {actSaveToExcel, actFullExpandGroups, actFullCollapseGroups, actStoreGridLayout, actRestoreSavedLayout}) {
        a->setEnabled(available);
        a->setToolTip(available ? QString() : NotAvailableText());
        a->setStatusTip(available ? QString() : NotAvailableText());
    }
}

void TIBCompatibleBaseMaintfrm::updateActions()
{
    updateGridLayoutActions();
    const bool editing = qryIBOData->isEditing();
    actNew->setEnabled(m_allowEdit);
    actEdit->setEnabled(m_allowEdit);
    // A row being edited or inserted cannot be deleted: the delete would post it first.
    actDelete->setEnabled(m_allowEdit && !editing);
    actBrowse->setEnabled(m_allowScroll);
    // Moving to another row is for a row that is not being edited.
    dbnDetail->setEnabled(!editing);
    grdDataNavigator->setEnabled(!editing);
}

// ---------------------------------------------------------------------------------------------
// The list and the current row

void TIBCompatibleBaseMaintfrm::OpenList(const QVariant &key)
{
    const QVariant at = key.isValid() && !key.toString().isEmpty() ? key : QVariant();
    if (!qryList->isOpen()) {
        // The list reads on the connection the current row works on (a transaction given with the
        // opening parameters moves the current row's dataset).
        if (qryList->database().connectionName() != qryIBOData->database().connectionName())
            qryList->setDatabase(qryIBOData->database());
        PrepareQuery();
        grdData->openAt(at);
        // The activation that follows the opening would read the same rows again.
        m_skipActivation = true;
        loadCurrentRow(CurrentKey());
        return;
    }
    if (at.isValid())
        grdData->selectKey(at);
    loadCurrentRow(CurrentKey(), true);
}

void TIBCompatibleBaseMaintfrm::loadCurrentRow(const QVariant &key, bool force)
{
    if (qryIBOData->isEditing() || qryIBOData->sql().isEmpty())
        return;
    if (!force && qryIBOData->isActive() && key == m_loadedKey && key.isValid() == m_loadedKey.isValid())
        return;
    qryIBOData->close();
    PrepareQuery();
    qryIBOData->setParam(QLatin1String(CurrentKeyParam), key.isValid() ? key : QVariant(QString()));
    m_loadedKey = key;
    qryIBOData->open();
}

bool TIBCompatibleBaseMaintfrm::RefreshList()
{
    if (qryIBOData->isEditing())
        return false;
    if (qryList->isOpen())
        rereadList(CurrentKey());
    else
        OpenList();
    return true;
}

void TIBCompatibleBaseMaintfrm::afterPost()
{
    // The list is read again and shows the row just written, where it now stands.
    rereadList(qryIBOData->value(QLatin1String(KeyField)));
}

void TIBCompatibleBaseMaintfrm::rereadList(const QVariant &key)
{
    // The row of the key when it is still listed, else the row that took the current one's place.
    const int row = grdData->currentRow();
    PrepareQuery();
    const int found = qryList->refresh(key);
    if (found >= 0)
        grdData->setCurrentRow(found);
    else if (qryList->rowCount() > 0)
        grdData->setCurrentRow(qBound(0, row, qryList->rowCount() - 1));
    loadCurrentRow(CurrentKey(), true);
}

void TIBCompatibleBaseMaintfrm::NewRecord(SqlDataSet &row)
{
    if (row.isFieldWritable(QLatin1String(KeyField)))
        row.setValue(QLatin1String(KeyField), GetNewUUIDString());
}

void TIBCompatibleBaseMaintfrm::RefusePost(QWidget *editor, const QString &message)
{
    if (editor) {
        for (QWidget *w = editor->parentWidget(); w && w != this; w = w->parentWidget()) {
            if (auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget())) {
                if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
                    m_changingPage = tabs == PageControl;
                    tabs->setCurrentWidget(w);
                    if (tabs == PageControl)
                        m_lastPage = PageControl->currentIndex();
                    m_changingPage = false;
                }
            }
        }
        editor->setFocus(Qt::OtherFocusReason);
    }
    throw VarnexError(message);
}

void TIBCompatibleBaseMaintfrm::SoftDeleteCurrentRow()
{
    if (qryIBOData->recNo() < 0)
        return;
    if (!qryIBOData->isEditing())
        qryIBOData->edit();
    try {
        qryIBOData->setValue(QStringLiteral("FLAG_DELETED"), QStringLiteral("T"));
        qryIBOData->post();
    } catch (...) {
        // The row stays as it was, not half deleted.
        qryIBOData->cancel();
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Pages and focus

void TIBCompatibleBaseMaintfrm::showPage(QWidget *page)
{
    PageControl->setCurrentWidget(page);
}

void TIBCompatibleBaseMaintfrm::onPageChanged(int index)
{
    if (m_changingPage)
        return;
    if (PageControl->widget(m_lastPage) == tabDetail && index != m_lastPage && qryIBOData->isEditing()) {
        m_changingPage = true;
        PageControl->setCurrentIndex(m_lastPage);
        m_changingPage = false;
        Prompter::current().information(MessageTitle(), FinishUpdateMessage());
        return;
    }
    m_lastPage = index;
    PageControlChange(index);
}

void TIBCompatibleBaseMaintfrm::PageControlChange(int index)
{
    if (PageControl->widget(index) == tabDetail && tabDetail->isEnabled())
        focusFirstOnPage(tabDetail);
}

void TIBCompatibleBaseMaintfrm::focusFirstOnPage(QWidget *page)
{
    const auto widgets = page->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden() && w->isVisibleTo(page)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void TIBCompatibleBaseMaintfrm::focusTagged(int tag)
{
    const auto widgets = findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (EditorTag(w) == tag && w->isEnabled() && w->isVisibleTo(this)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Actions

void TIBCompatibleBaseMaintfrm::actNewExecute()
{
    if (BrowsePageActive())
        showPage(tabDetail);
    qryIBOData->append();
    focusTagged(1);
}

void TIBCompatibleBaseMaintfrm::actEditExecute()
{
    if (BrowsePageActive())
        showPage(tabDetail);
    if (qryIBOData->state() == SqlDataSet::dsBrowse)
        qryIBOData->edit();
    focusTagged(2);
}

void TIBCompatibleBaseMaintfrm::actDeleteExecute()
{
    if (qryIBOData->isEditing() || qryIBOData->recNo() < 0)
        return;
    if (!Prompter::current().question(MessageTitle(), DeleteQuestion()))
        return;
    SoftDeleteCurrentRow();
}

void TIBCompatibleBaseMaintfrm::actBrowseExecute()
{
    if (DetailPageActive() && qryIBOData->isEditing()) {
        Prompter::current().information(MessageTitle(), FinishUpdateMessage());
        return;
    }
    if (m_allowScroll)
        showPage(TabBrowse);
}

void TIBCompatibleBaseMaintfrm::actDetailsExecute()
{
    showPage(tabDetail);
}

void TIBCompatibleBaseMaintfrm::actPostExecute()
{
    // A date typed and not yet left is part of the row; one that cannot be read stops the post.
    TzqcxDBEditorBase::RequireReadableEntries(this);
    if (qryIBOData->isEditing())
        qryIBOData->post();
}

void TIBCompatibleBaseMaintfrm::actSaveChangesExecute()
{
    Guarded([this]() {
        TIBBaseAdvancedfrm::actSaveChangesExecute();
        TzqcxDBEditorBase::RequireReadableEntries(this);
        if (qryIBOData->isEditing())
            qryIBOData->post();
    });
}

void TIBCompatibleBaseMaintfrm::actCancelChangesExecute()
{
    TIBBaseAdvancedfrm::actCancelChangesExecute();
    qryIBOData->cancel();
}

void TIBCompatibleBaseMaintfrm::actCancelExecute()
{
    m_searchResult = CancelledResult();
    close();
    // A close refused (a row still being edited) is no answer: the picker goes on choosing.
    if (isVisible())
        m_searchResult.clear();
}

void TIBCompatibleBaseMaintfrm::actRefreshDataExecute()
{
    TIBBaseAdvancedfrm::actRefreshDataExecute();
    Guarded([this]() { RefreshList(); });
}

void TIBCompatibleBaseMaintfrm::tvDataNavigatorButtonsButtonClick(int AButtonIndex)
{
    if (AButtonIndex == DataNavigator::Refresh)
        RefreshList();
    else
        moveBy(AButtonIndex);
}

void TIBCompatibleBaseMaintfrm::moveBy(int AButtonIndex)
{
    if (qryIBOData->isEditing())
        return;
    const int row = grdData->currentRow();
    switch (AButtonIndex) {
    case DataNavigator::First:
        grdData->selectFirst();
        break;
    case DataNavigator::Prior:
        if (row <= 0 && qryList->canFetchBefore()) {
            const int before = qryList->rowCount();
            qryList->fetchBefore(qryList->pageSize());
            grdData->setCurrentRow(qMax(0, row + qryList->rowCount() - before - 1));
        } else {
            grdData->setCurrentRow(qMax(0, row - 1));
        }
        break;
    case DataNavigator::Next:
        grdData->setCurrentRow(row + 1);
        break;
    case DataNavigator::Last:
        grdData->selectLast();
        break;
    default:
        break;
    }
}

void TIBCompatibleBaseMaintfrm::FormActivate()
{
    if (m_skipActivation) {
        m_skipActivation = false;
        return;
    }
    // A row being edited is left alone: a message from a failed read would take the keystrokes.
    if (m_listSql.isEmpty() || !qryList->isOpen() || qryIBOData->isEditing())
        return;
    Guarded([this]() { RefreshList(); });
}

bool TIBCompatibleBaseMaintfrm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (qryIBOData->isEditing())
        return false;
    if (m_searchResult != CancelledResult()) {
        QString result;
        if (qryIBOData->isActive() && qryIBOData->recNo() >= 0) {
            if (m_codeField == QLatin1String(KeyField))
                result = qryIBOData->text(QLatin1String(KeyField));
            else if (qryIBOData->hasField(QStringLiteral("CODE")))
                result = qryIBOData->text(QStringLiteral("CODE"));
        }
        m_searchResult = result;
    }
    return true;
}
