#include "sync/ui/UpdateRemoteLookupData_FRM.h"

#include "base/Background.h"
#include "base/Prompter.h"
#include "reference/LookupData_DM.h"

#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QPainter>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

enum Column { ColTable, ColState, ColStatus, ColId, ColDataset, ColLastChanged, ColumnCount };

// A coloured mark per state: green up to date, amber to update, red to remove, blue to add.
QIcon stateIcon(int state)
{
    QColor colour;
    switch (state) {
    case LookupTableRow::Ok:
        colour = QColor(0x2e, 0x8b, 0x3a);
        break;
    case LookupTableRow::Update:
        colour = QColor(0xe0, 0x8a, 0x00);
        break;
    case LookupTableRow::Remove:
        colour = QColor(0xc0, 0x26, 0x26);
        break;
    case LookupTableRow::Add:
        colour = QColor(0x1f, 0x6f, 0xc5);
        break;
    default:
        return {};
    }
    QPixmap mark(12, 12);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(130));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(mark);
}

} // namespace

TUpdateRemoteLookupDataFrm::TUpdateRemoteLookupDataFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Update Remote Lookup Data"));

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(8, 8, 4, 8);
    lblTableList = new QLabel(QStringLiteral("Table list for update..."), ClientArea);
    lblTableList->setObjectName(QStringLiteral("lblTableList"));
    layout->addWidget(lblTableList);

    tvLookups = new QStandardItemModel(0, ColumnCount, this);
    tvLookups->setObjectName(QStringLiteral("tvLookups"));
    tvLookups->setHorizontalHeaderLabels({QStringLiteral("Table"), QStringLiteral("State"), QStringLiteral("Update status"),
                                          QStringLiteral("ID"), QStringLiteral("Dataset name"),
                                          QStringLiteral("Last changed on server")});
    grdLookups = new QTreeView(ClientArea);
    grdLookups->setObjectName(QStringLiteral("grdLookups"));
    grdLookups->setModel(tvLookups);
    grdLookups->setHeaderHidden(true);
    grdLookups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdLookups->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdLookups->setUniformRowHeights(true);
    grdLookups->setAlternatingRowColors(true);
    for (int c : {ColId, ColDataset, ColLastChanged})
        grdLookups->setColumnHidden(c, true);
    grdLookups->header()->setStretchLastSection(false);
    grdLookups->header()->setSectionResizeMode(ColTable, QHeaderView::Stretch);
    for (int c : {ColState, ColStatus}) {
        grdLookups->header()->setSectionResizeMode(c, QHeaderView::Fixed);
        grdLookups->header()->resizeSection(c, fontMetrics().horizontalAdvance(QStringLiteral("In progress")) + 40);
    }
    layout->addWidget(grdLookups, 1);

    actCheckForUpdates = new QAction(QStringLiteral("Fetch table list"), this);
    actCheckForUpdates->setObjectName(QStringLiteral("actCheckForUpdates"));
    actUpdateTables = new QAction(QStringLiteral("Update marked tables"), this);
    actUpdateTables->setObjectName(QStringLiteral("actUpdateTables"));
    for (QAction *a : {actCheckForUpdates, actUpdateTables}) {
        addAction(a);
        AddButton(a);
    }
    connect(actCheckForUpdates, &QAction::triggered, this, [this]() { actCheckForUpdatesExecute(); });
    connect(actUpdateTables, &QAction::triggered, this, [this]() { actUpdateTablesExecute(); });

    resize(680, 560);
}

TUpdateRemoteLookupDataFrm::~TUpdateRemoteLookupDataFrm()
{
    // An answer still on its way has no form to come back to.
    if (m_call)
        m_call->cancel();
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

void TUpdateRemoteLookupDataFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *d = dynamic_cast<TUpdateRemoteLookupDataFrmDefaults *>(DefaultInfo.get()))
        m_serverSettings = d->ServerSettings;
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
}

QString TUpdateRemoteLookupDataFrm::messageTitle() const
{
    return QStringLiteral("Update Remote Lookup Data");
}

std::shared_ptr<TDADataDm> TUpdateRemoteLookupDataFrm::DADataDm()
{
    if (!m_server)
        m_server = std::make_shared<TDADataDm>(m_serverSettings ? m_serverSettings() : CentralServerSettings());
    return m_server;
}

void TUpdateRemoteLookupDataFrm::setBusy(bool busy, const QString &status)
{
    m_busy = busy;
    actCheckForUpdates->setEnabled(!busy);
    actUpdateTables->setEnabled(!busy);
    actClose->setEnabled(!busy);
    StatusBar->showMessage(status);
    if (busy && !m_cursorSet)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (!busy && m_cursorSet)
        QApplication::restoreOverrideCursor();
    m_cursorSet = busy;
}

bool TUpdateRemoteLookupDataFrm::FormCloseQuery()
{
    if (m_busy) {
        Prompter::current().information(messageTitle(), BusyMessage());
        return false;
    }
    return TIBBaseAdvancedfrm::FormCloseQuery();
}

// ---------------------------------------------------------------------------------------------
// The list

void TUpdateRemoteLookupDataFrm::fetch(std::function<void()> fetched)
{
    if (m_busy)
        return;
    const std::shared_ptr<TDADataDm> server = DADataDm();
    setBusy(true, QStringLiteral("Fetching the table list from the server..."));
    m_call = runInBackground(
        this, [server]() { return LookupTableRefresh::FetchTableList(*server); },
        [this, fetched = std::move(fetched)](BackgroundOutcome<std::optional<QList<LookupTableRow>>> outcome) {
            setBusy(false);
            if (!outcome.ok()) {
                Prompter::current().error(messageTitle(),
                                          QStringLiteral("The table list could not be fetched: %1").arg(outcome.error));
                return;
            }
            // A refused login leaves the list as it was.
            if (!*outcome.value) {
                Prompter::current().warning(messageTitle(), RefusedMessage());
                return;
            }
            m_rows = **outcome.value;
            try {
                ModifyDataset();
            } catch (const VarnexError &e) {
                m_rows.clear();
                showRows();
                Prompter::current().error(messageTitle(), e.message());
                return;
            }
            showRows();
            fetched();
        });
}

void TUpdateRemoteLookupDataFrm::ModifyDataset()
{
    LookupTableRefresh::ModifyDataset(m_rows, LocalDatabase());
}

void TUpdateRemoteLookupDataFrm::actCheckForUpdatesExecute()
{
    fetch([this]() {
        grdLookups->expandAll();
        StatusBar->showMessage(QStringLiteral("%1 tables listed.").arg(m_rows.size()));
    });
}

void TUpdateRemoteLookupDataFrm::CheckForUpdates(std::function<void(bool)> done)
{
    fetch([this, done = std::move(done)]() {
        bool any = false;
        for (const LookupTableRow &row : std::as_const(m_rows))
            any = any || row.UpdateState != LookupTableRow::Ok;
        if (done)
            done(any);
    });
}

void TUpdateRemoteLookupDataFrm::showRows()
{
    tvLookups->removeRows(0, tvLookups->rowCount());
    QHash<QString, QStandardItem *> categories;
    for (int i = 0; i < m_rows.size(); ++i) {
        const LookupTableRow &row = m_rows.at(i);
        QStandardItem *&category = categories[row.CategoryName];
        if (!category) {
            category = new QStandardItem(row.CategoryName.isEmpty() ? QStringLiteral("(No category)") : row.CategoryName);
            QFont bold = category->font();
            bold.setBold(true);
            category->setFont(bold);
            QList<QStandardItem *> cells{category};
            for (int c = 1; c < ColumnCount; ++c)
                cells << new QStandardItem;
            tvLookups->appendRow(cells);
            grdLookups->setFirstColumnSpanned(tvLookups->rowCount() - 1, QModelIndex(), true);
        }
        QList<QStandardItem *> cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << new QStandardItem;
        cells[ColTable]->setData(i, Qt::UserRole);
        category->appendRow(cells);
        showRow(i);
    }
}

void TUpdateRemoteLookupDataFrm::showRow(int index)
{
    const LookupTableRow &row = m_rows.at(index);
    const QModelIndexList found =
        tvLookups->match(tvLookups->index(0, ColTable), Qt::UserRole, index, 1, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return;
    QStandardItem *parent = tvLookups->itemFromIndex(found.first().parent());
    const int r = found.first().row();
    const auto cell = [&](int column) { return parent->child(r, column); };
    cell(ColTable)->setText(row.TableName);
    cell(ColState)->setText(LookupTableRefresh::StateText(row.UpdateState));
    cell(ColState)->setIcon(stateIcon(row.UpdateState));
    cell(ColStatus)->setText(LookupTableRefresh::StatusText(row.UpdateStatus));
    cell(ColStatus)->setToolTip(row.Failure);
    cell(ColStatus)->setForeground(row.UpdateStatus == LookupTableRow::Failed ? QBrush(Qt::darkRed) : QBrush());
    cell(ColTable)->setToolTip(row.Failure.isEmpty() ? row.DatasetName : row.Failure);
    cell(ColId)->setText(QString::number(row.Id));
    cell(ColDataset)->setText(row.DatasetName);
    cell(ColLastChanged)->setText(LookupTableRefresh::HasReading(row.LastChangeTimestamp)
                                      ? row.LastChangeTimestamp.date().toString(QStringLiteral("dd/MM/yyyy ")) +
                                            row.LastChangeTimestamp.time().toString(QStringLiteral("HH:mm:ss"))
                                      : QString());
}

// ---------------------------------------------------------------------------------------------
// The update

void TUpdateRemoteLookupDataFrm::actUpdateTablesExecute()
{
    if (m_busy)
        return;
    m_written = false;
    updateFrom(0);
}

void TUpdateRemoteLookupDataFrm::updateFrom(int index)
{
    int i = index;
    while (i < m_rows.size() && m_rows.at(i).UpdateStatus != LookupTableRow::Pending)
        ++i;
    if (i >= m_rows.size()) {
        finishUpdate({});
        return;
    }
    m_rows[i].UpdateStatus = LookupTableRow::InProgress;
    showRow(i);
    const std::shared_ptr<TDADataDm> server = DADataDm();
    const qint64 id = m_rows.at(i).Id;
    setBusy(true, QStringLiteral("Updating %1...").arg(m_rows.at(i).TableName));
    m_call = runInBackground(
        this, [server, id]() { return LookupTableRefresh::FetchItem(*server, id); },
        [this, i](BackgroundOutcome<DataTable> outcome) {
            LookupTableRow &row = m_rows[i];
            if (!outcome.ok()) {
                // The server cannot be reached: the tables after this one wait for another try.
                row.UpdateStatus = LookupTableRow::Failed;
                row.Failure = outcome.error;
                showRow(i);
                finishUpdate(outcome.error);
                return;
            }
            try {
                LookupTableRefresh::WriteItem(LocalDatabase(), row, *outcome.value);
                row.UpdateStatus = LookupTableRow::Complete;
                row.Failure.clear();
                m_written = true;
            } catch (const VarnexError &e) {
                row.UpdateStatus = LookupTableRow::Failed;
                row.Failure = e.message();
            }
            showRow(i);
            updateFrom(i + 1);
        });
}

void TUpdateRemoteLookupDataFrm::finishUpdate(const QString &stoppedBy)
{
    setBusy(false);
    QStringList problems;
    // The lists in memory take what was written, also when the update stopped half way.
    if (m_written && LookupDataDm) {
        try {
            problems = LookupDataDm->RefreshDatasetsFromDatabase();
        } catch (const VarnexError &e) {
            problems << e.message();
        }
    }
    int complete = 0;
    QStringList failed;
    for (const LookupTableRow &row : std::as_const(m_rows)) {
        if (row.UpdateStatus == LookupTableRow::Complete)
            ++complete;
        else if (row.UpdateStatus == LookupTableRow::Failed)
            failed << QStringLiteral("%1: %2").arg(row.TableName, row.Failure);
    }
    StatusBar->showMessage(QStringLiteral("%1 tables updated, %2 failed.").arg(complete).arg(failed.size()));
    if (!stoppedBy.isEmpty()) {
        Prompter::current().error(messageTitle(),
                                  QStringLiteral("The update stopped: the server could not be reached.\r\n%1\r\n\r\n"
                                                 "The tables written before stay written; fetch the table list again "
                                                 "to go on.")
                                      .arg(stoppedBy));
    } else if (!failed.isEmpty()) {
        Prompter::current().warning(messageTitle(), QStringLiteral("These tables were not updated:\r\n") + failed.join(QStringLiteral("\r\n")));
    }
    TLookupDataDm::ShowLoadProblems(problems);
}
