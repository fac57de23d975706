#include "exchange/ui/SampleBatches_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "exchange/SampleExport_DM.h"
#include "exchange/ui/PersonalityBand.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

TSampleBatchesFrm::SampleEditorOpener &sampleEditorOpener()
{
    static TSampleBatchesFrm::SampleEditorOpener opener;
    return opener;
}

const QString BatchSql = QStringLiteral(
    "SELECT EB.UNIQUE_ID, EB.DATE_EXPORTED, EB.TIME_EXPORTED, EB.LABORATORY_NAME, EB.SAMPLING_OFFICER_NAMES, "
    "EB.COMMENT, EB.DELIVERY_METHOD, "
    "(SELECT COUNT(*) FROM SAMPLE S WHERE S.EXPORT_BATCH__UNIQUE_ID = EB.UNIQUE_ID) AS NUMBER_OF_SAMPLES "
    "FROM EXPORT_BATCH EB WHERE EB.PERSONALITY = :PERSONALITY");

// The samples of a batch, their columns in the order the grid shows them. The officer and the
// office are looked up one row each (a live officer first), so that no sample is listed twice.
const QString SampleSql = QStringLiteral(
    "SELECT SS.COLOUR, SS.DESCRIPTION AS STATUS_DESC, S.CODE, "
    "(SELECT FIRST 1 O.NAME_AND_TELEPHONE FROM SAMPLE_OFFICER O WHERE O.CODE = S.SAMPLE_OFFICER__CODE "
    "ORDER BY CASE WHEN O.FLAG_DELETED = 'T' THEN 1 ELSE 0 END, O.ID) AS SAMPLE_OFFICER_NAME, "
    "S.LA_SAMPLENO, S.LOCAL_AUTH_OFFICE__CODE, S.SAMPLE_DATE, S.SAMPLE_TIME, S.SAMPLE_TIMESTAMP, "
    "S.PREMISES_TYPE__CODE, S.PREMISES_NAME, S.BUSINESS_ID, S.BUSINESS_ADDR_1, S.REASON_DESCRIPTION, "
    "S.SURVEY_NUMBER, S.FOOD_DESCRIPTION, S.CATEGORY_DESCRIPTION, S.SUB_CATEGORY_DESCRIPTION, "
    "S.PRODUCT_DESCRIPTION, S.LABORATORY_DESCRIPTION, S.FLAG_SATISFACTORY, "
    "S.BUSINESS_ADDR_2, S.BUSINESS_POSTCODE, S.SAMPLE_TYPE_DESCRIPTION, S.RISK_CATEGORY_DESCRIPTION, "
    "S.SURVEY_BODY_DESCRIPTION, S.SUB_CATEGORY_2_DESCRIPTION, S.SUB_CATEGORY_3_DESCRIPTION, S.MANUFACTURER, "
    "S.DISTRIBUTER, S.IMPORTER, S.COUNTRY, S.PACKAGING_DESCRIPTION, S.ANALYSIS_TEXT, S.SAMPLE_COMMENTS, "
    "(SELECT FIRST 1 LAO.OFFICE_CODE FROM LOCAL_AUTH_OFFICE LAO WHERE LAO.CODE = S.LOCAL_AUTH_OFFICE__CODE) "
    "AS OFFICE_CODE, S.UNIQUE_UUID "
    "FROM SAMPLE S LEFT OUTER JOIN SAMPLE_STATUS SS ON SS.CODE = S.SAMPLE_STATUS__CODE "
    "WHERE S.EXPORT_BATCH__UNIQUE_ID = :UNIQUE_ID");

struct Column
{
    const char *name;
    const char *caption;
    bool shown;
};

const Column BatchColumns[] = {
    {"UNIQUE_ID", "Batch Id", true},
    {"DATE_EXPORTED", "Date exported", true},
    {"TIME_EXPORTED", "Time exported", true},
    {"LABORATORY_NAME", "Laboratory", true},
    {"SAMPLING_OFFICER_NAMES", "Sampling Officer", false},
    {"COMMENT", "Comment", false},
    {"DELIVERY_METHOD", "Delivery method", true},
    {"NUMBER_OF_SAMPLES", "Sample count", true},
};

const Column SampleColumns[] = {
    {"COLOUR", "", true},
    {"STATUS_DESC", "Current Status", true},
    {"CODE", "Code", true},
    {"SAMPLE_OFFICER_NAME", "Officer", true},
    {"LA_SAMPLENO", "Local Authority Sample Number", true},
    {"LOCAL_AUTH_OFFICE__CODE", "Office code", true},
    {"SAMPLE_DATE", "Date sample taken", true},
    {"SAMPLE_TIME", "Time sample taken", true},
    {"SAMPLE_TIMESTAMP", "Sample taken", true},
    {"PREMISES_TYPE__CODE", "Premises type", true},
    {"PREMISES_NAME", "Premises name", true},
    {"BUSINESS_ID", "Business ID", true},
    {"BUSINESS_ADDR_1", "Address 1", true},
    {"REASON_DESCRIPTION", "Reason taken", true},
    {"SURVEY_NUMBER", "Survey reference", true},
    {"FOOD_DESCRIPTION", "Food description", true},
    {"CATEGORY_DESCRIPTION", "Category", true},
    {"SUB_CATEGORY_DESCRIPTION", "Sub category", true},
    {"PRODUCT_DESCRIPTION", "Product", true},
    {"LABORATORY_DESCRIPTION", "Testling lab", true},
    {"FLAG_SATISFACTORY", "Satisfactory", true},
    {"BUSINESS_ADDR_2", "Address 2", false},
    {"BUSINESS_POSTCODE", "Postcode", false},
    {"SAMPLE_TYPE_DESCRIPTION", "Sample type", false},
    {"RISK_CATEGORY_DESCRIPTION", "Risk category", false},
    {"SURVEY_BODY_DESCRIPTION", "Survey body", false},
    {"SUB_CATEGORY_2_DESCRIPTION", "Sub category 2", false},
    {"SUB_CATEGORY_3_DESCRIPTION", "Sub category 3", false},
    {"MANUFACTURER", "Manufacturer", false},
    {"DISTRIBUTER", "Distributor", false},
    {"IMPORTER", "Importer", false},
    {"COUNTRY", "Country", false},
    {"PACKAGING_DESCRIPTION", "Packaging", false},
    {"ANALYSIS_TEXT", "Analysis", false},
    {"SAMPLE_COMMENTS", "Comments", false},
    {"OFFICE_CODE", "OFFICE_CODE", false},
    {"UNIQUE_UUID", "UNIQUE_UUID", false},
};

// The status colour as a swatch and the satisfactory flag as a tick box.
class BatchSampleDisplay : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *grid = static_cast<const GridModel *>(sourceModel());
        const QString column = grid->columnName(index.column());
        if (column == QLatin1String("COLOUR")) {
            if (role == Qt::DisplayRole)
                return QVariant();
            if (role == Qt::BackgroundRole) {
                const QVariant value = QIdentityProxyModel::data(index, Qt::EditRole);
                if (!value.isValid())
                    return QVariant();
                // A colour as the status list stores it: red in the lowest byte, then green, then blue.
                const qint64 c = value.toLongLong();
                return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
            }
        } else if (column == QLatin1String("FLAG_SATISFACTORY")) {
            if (role == Qt::DisplayRole)
                return QVariant();
            if (role == Qt::CheckStateRole)
                return QIdentityProxyModel::data(index, Qt::EditRole).toString() == QLatin1String("T") ? Qt::Checked
                                                                                                       : Qt::Unchecked;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

template<std::size_t N>
void setUpColumns(GridModel *model, QTableView *view, const Column (&columns)[N])
{
    for (const Column &c : columns)
        model->setHeaderCaption(QLatin1String(c.name), QString::fromUtf8(c.caption));
    for (const Column &c : columns) {
        const int index = model->columnIndex(QLatin1String(c.name));
        if (index >= 0)
            view->setColumnHidden(index, !c.shown);
    }
}

QTableView *makeGrid(QWidget *parent, const char *name)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->horizontalHeader()->setStretchLastSection(false);
    return grid;
}

} // namespace

void TSampleBatchesFrm::SetSampleEditorOpener(SampleEditorOpener opener)
{
    sampleEditorOpener() = std::move(opener);
}

TSampleBatchesFrm::TSampleBatchesFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Sample batches previously exported"));
    ChooseFolder = [](QWidget *parent) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Choose the folder to save the batch to"));
    };
    buildWidgets();
}

TSampleBatchesFrm::~TSampleBatchesFrm()
{
    // The lists let go of the form's connection before the form's transaction closes it.
    for (GridModel *list : {qryExportBatch, qrySampleExport}) {
        list->close();
        list->setDatabase(QSqlDatabase());
    }
}

void TSampleBatchesFrm::buildWidgets()
{
    lblHeader = PersonalityBand::makeCaption(RzPanel2);

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(4, 4, 4, 4);
    splBatches = new QSplitter(Qt::Vertical, ClientArea);
    splBatches->setObjectName(QStringLiteral("splBatches"));
    layout->addWidget(splBatches);

    grdBatches = makeGrid(splBatches, "grdBatches");
    qryExportBatch = new GridModel(this);
    qryExportBatch->setObjectName(QStringLiteral("qryExportBatch"));
    grdBatches->setModel(qryExportBatch);
    splBatches->addWidget(grdBatches);

    pgcDetails = new QTabWidget(splBatches);
    pgcDetails->setObjectName(QStringLiteral("pgcDetails"));
    grdSamples = makeGrid(pgcDetails, "grdSamples");
    qrySampleExport = new GridModel(this);
    qrySampleExport->setObjectName(QStringLiteral("qrySampleExport"));
    auto *display = new BatchSampleDisplay(this);
    display->setSourceModel(qrySampleExport);
    grdSamples->setModel(display);
    pgcDetails->addTab(grdSamples, QStringLiteral("Samples in batch"));

    auto *details = new QWidget(pgcDetails);
    auto *detailsLayout = new QHBoxLayout(details);
    const auto memo = [&](const QString &heading, QPlainTextEdit *&edit, const char *name) {
        auto *box = new QWidget(details);
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->setContentsMargins(0, 0, 0, 0);
        boxLayout->addWidget(new QLabel(heading, box));
        edit = new QPlainTextEdit(box);
        edit->setObjectName(QLatin1String(name));
        edit->setReadOnly(true);
        boxLayout->addWidget(edit, 1);
        return box;
    };
    detailsLayout->addWidget(memo(QStringLiteral("Comments"), memComments, "memComments"), 67);
    detailsLayout->addWidget(memo(QStringLiteral("Sampling officers"), memOfficers, "memOfficers"), 33);
    pgcDetails->addTab(details, QStringLiteral("Export batch details"));
    splBatches->addWidget(pgcDetails);
    splBatches->setStretchFactor(0, 56);
    splBatches->setStretchFactor(1, 44);

    pbBusy = new QProgressBar(StatusBar);
    pbBusy->setObjectName(QStringLiteral("pbBusy"));
    pbBusy->setRange(0, 0);
    pbBusy->setTextVisible(false);
    pbBusy->setMaximumWidth(160);
    StatusBar->addPermanentWidget(pbBusy);
    pbBusy->hide();

    actViewSample = new QAction(QStringLiteral("View Sample"), this);
    actViewSample->setObjectName(QStringLiteral("actViewSample"));
    actReExportToFile = new QAction(QStringLiteral("Re-export to file"), this);
    actReExportToFile->setObjectName(QStringLiteral("actReExportToFile"));
    actResendToLab = new QAction(QStringLiteral("Re-send to Lab"), this);
    actResendToLab->setObjectName(QStringLiteral("actResendToLab"));
    const auto guarded = [this](void (TSampleBatchesFrm::*handler)()) {
        return [this, handler]() {
            try {
                (this->*handler)();
            } catch (const VarnexError &e) {
                Prompter::current().error(Varnex::ProgramName, e.message());
            }
        };
    };
    connect(actViewSample, &QAction::triggered, this, guarded(&TSampleBatchesFrm::actViewSampleExecute));
    connect(actReExportToFile, &QAction::triggered, this, guarded(&TSampleBatchesFrm::actReExportToFileExecute));
    connect(actResendToLab, &QAction::triggered, this, guarded(&TSampleBatchesFrm::actResendToLabExecute));
    for (QAction *a : {actViewSample, actReExportToFile, actResendToLab}) {
        addAction(a);
        AddButton(a)->setMinimumWidth(130);
    }
    connect(grdSamples, &QTableView::doubleClicked, actViewSample, &QAction::trigger);
    connect(grdBatches->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this]() { showBatch(); });
    connect(grdSamples->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this]() { updateActions(); });
    resize(1000, 640);
}

void TSampleBatchesFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    m_personality = Maindm ? Maindm->Personality : QString();
    PersonalityBand::show(RzPanel2, lblHeader, m_personality, QStringLiteral("  Food"), QStringLiteral("  Animal feed"));

    qryExportBatch->close();
    qryExportBatch->setDatabase(LocalDatabase());
    qryExportBatch->setSql(BatchSql);
    qryExportBatch->setKeyColumn(QStringLiteral("UNIQUE_ID"));
    qryExportBatch->setParam(QStringLiteral("PERSONALITY"), m_personality);
    qryExportBatch->setSort({{QStringLiteral("DATE_EXPORTED"), Qt::DescendingOrder},
                             {QStringLiteral("TIME_EXPORTED"), Qt::DescendingOrder}});
    qryExportBatch->open();
    setUpColumns(qryExportBatch, grdBatches, BatchColumns);
    grdBatches->resizeColumnsToContents();

    qrySampleExport->close();
    qrySampleExport->setDatabase(LocalDatabase());
    qrySampleExport->setSql(SampleSql);
    qrySampleExport->setKeyColumn(QStringLiteral("UNIQUE_UUID"));
    qrySampleExport->setSort({{QStringLiteral("CODE"), Qt::AscendingOrder}});
    SelectBatch(0);
    updateActions();
}

qint64 TSampleBatchesFrm::CurrentBatchId() const
{
    const QModelIndex current = grdBatches->currentIndex();
    if (!current.isValid() || current.row() >= qryExportBatch->rowCount())
        return 0;
    return qryExportBatch->keyOf(current.row()).toLongLong();
}

void TSampleBatchesFrm::SelectBatch(int row)
{
    const QModelIndex target = row >= 0 && row < qryExportBatch->rowCount() ? qryExportBatch->index(row, 0) : QModelIndex();
    if (target.isValid() && target.row() != grdBatches->currentIndex().row())
        grdBatches->setCurrentIndex(target); // shows the batch
    else
        showBatch();
}

void TSampleBatchesFrm::showBatch()
{
    const QModelIndex current = grdBatches->currentIndex();
    const bool any = current.isValid() && current.row() < qryExportBatch->rowCount();
    memComments->setPlainText(any ? qryExportBatch->value(current.row(), QStringLiteral("COMMENT")).toString() : QString());
    memOfficers->setPlainText(
        any ? qryExportBatch->value(current.row(), QStringLiteral("SAMPLING_OFFICER_NAMES")).toString() : QString());
    qrySampleExport->setParam(QStringLiteral("UNIQUE_ID"), any ? qryExportBatch->keyOf(current.row()) : QVariant(0));
    const bool first = !qrySampleExport->isOpen();
    qrySampleExport->refresh();
    if (first) {
        setUpColumns(qrySampleExport, grdSamples, SampleColumns);
        grdSamples->resizeColumnsToContents();
        grdSamples->setColumnWidth(0, 18);
    }
    updateActions();
}

void TSampleBatchesFrm::actRefreshDataExecute()
{
    TIBBaseAdvancedfrm::actRefreshDataExecute();
    if (!qryExportBatch->isOpen())
        return;
    const qint64 batch = CurrentBatchId();
    const int row = qryExportBatch->refresh(batch ? QVariant(batch) : QVariant());
    SelectBatch(row >= 0 ? row : 0);
}

void TSampleBatchesFrm::FormActivate()
{
    try {
        RefreshData();
    } catch (const VarnexError &e) {
        StatusBar->showMessage(e.message());
    }
}

bool TSampleBatchesFrm::FormCloseQuery()
{
    if (m_busy)
        return false;
    return TIBBaseAdvancedfrm::FormCloseQuery();
}

void TSampleBatchesFrm::updateActions()
{
    const bool batch = CurrentBatchId() != 0;
    actReExportToFile->setEnabled(batch && !m_busy);
    actResendToLab->setEnabled(batch && !m_busy);
    const bool viewable = bool(sampleEditorOpener());
    actViewSample->setEnabled(viewable && grdSamples->currentIndex().isValid());
    actViewSample->setToolTip(viewable ? QString() : QStringLiteral("Not available in this version"));
}

void TSampleBatchesFrm::setBusy(bool busy)
{
    m_busy = busy;
    pbBusy->setVisible(busy);
    if (busy)
        StatusBar->showMessage(QStringLiteral("Sending the batch to the laboratory's postbox..."));
    else
        StatusBar->clearMessage();
    updateActions();
}

qint64 TSampleBatchesFrm::checkBatchSamples()
{
    const qint64 batch = CurrentBatchId();
    qrySampleExport->refresh();
    if (batch == 0 || qrySampleExport->rowCount() == 0)
        throw VarnexError(TSampleExportDM::NoSamplesText());
    return batch;
}

namespace {
TSampleExportDM &engine()
{
    if (!SampleExportDM)
        throw VarnexError(QStringLiteral("The laboratory export is not available."));
    return *SampleExportDM;
}
} // namespace

void TSampleBatchesFrm::actReExportToFileExecute()
{
    const qint64 batch = checkBatchSamples();
    QString folder = ChooseFolder ? ChooseFolder(this) : QString();
    if (folder.isEmpty())
        return;
    engine().ReExportToFile(batch, folder);
    Prompter::current().information(Varnex::ProgramName, QStringLiteral("Batch saved to file '") + folder + QLatin1Char('\''));
}

void TSampleBatchesFrm::actResendToLabExecute()
{
    const qint64 batch = checkBatchSamples();
    if (!Prompter::current().question(Varnex::ProgramName, QStringLiteral("Re-export selected batch to lab?")))
        return;
    QPointer<TSampleBatchesFrm> self(this);
    engine().ReExportToLab(batch, [self](const BackgroundOutcome<void> &outcome) {
        if (!self)
            return;
        self->setBusy(false);
        if (outcome.ok())
            Prompter::current().information(Varnex::ProgramName, QStringLiteral("Batch sent to lab"));
        else
            Prompter::current().error(Varnex::ProgramName, outcome.error);
    });
    setBusy(true);
}

void TSampleBatchesFrm::actViewSampleExecute()
{
    const QModelIndex current = grdSamples->currentIndex();
    if (!current.isValid() || !sampleEditorOpener())
        return;
    sampleEditorOpener()(this, qrySampleExport->keyOf(current.row()).toString());
    RefreshData();
}
