#include "samples/ui/SampleBrowserResultsPane.h"

#include "base/VarnexError.h"
#include "data/ResultBlobs.h"
#include "gui/DataTableModel.h"
#include "store/SqlUtil.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// The columns of the table the view shows, in their order and with their captions; every other
// column of the model is hidden.
void showTableColumns(QTableView *view, DataTableModel *model, const QList<GridColumnDef> &columns)
{
    QHeaderView *h = view->horizontalHeader();
    for (int c = 0; c < model->columnCount(); ++c)
        view->setColumnHidden(c, true);
    int position = 0;
    for (const GridColumnDef &def : columns) {
        const int c = model->table().indexOf(def.field);
        if (c < 0)
            continue;
        model->setHeaderCaption(def.field, def.caption);
        h->moveSection(h->visualIndex(c), position++);
        view->setColumnHidden(c, !def.visible);
        if (def.visible)
            view->resizeColumnToContents(c);
    }
}

} // namespace

SampleBrowserResultsPane::SampleBrowserResultsPane(const SampleBrowserConfig &config,
                                                   std::function<QSqlDatabase()> database, QWidget *parent)
    : QWidget(parent), m_config(config), m_database(std::move(database))
{
    setObjectName(QStringLiteral("pnlResultsPane"));
    memResults = new DataTableModel(this);
    memResults->setObjectName(QStringLiteral("memResults"));
    memOutcomes = new DataTableModel(this);
    memOutcomes->setObjectName(QStringLiteral("memOutcomes"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);

    lblPaneProblem = new QLabel(this);
    lblPaneProblem->setObjectName(QStringLiteral("lblPaneProblem"));
    lblPaneProblem->setWordWrap(true);
    lblPaneProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPaneProblem->setStyleSheet(QStringLiteral("QLabel { background: #fdecea; color: #8a1c12; border: 1px solid #e0a39c; "
                                                 "padding: 4px; }"));
    lblPaneProblem->hide();
    layout->addWidget(lblPaneProblem);

    pnlResults = new QSplitter(Qt::Horizontal, this);
    pnlResults->setObjectName(QStringLiteral("pnlResults"));
    pnlResults->setChildrenCollapsible(false);

    grdResults = titledTable(QStringLiteral("Results"), "grdResults", memResults, pnlResults);

    splOutcome = new QSplitter(Qt::Vertical, pnlResults);
    splOutcome->setObjectName(QStringLiteral("splOutcome"));
    splOutcome->setChildrenCollapsible(false);
    grdOutcomes = titledTable(QStringLiteral("Outcome"), "grdOutcomes", memOutcomes, splOutcome);
    memLabComments = new QPlainTextEdit(splOutcome);
    memLabComments->setObjectName(QStringLiteral("memLabComments"));
    memLabComments->setReadOnly(true);
    memLabComments->setPlaceholderText(QStringLiteral("Lab comments"));
    splOutcome->addWidget(memLabComments);
    splOutcome->setStretchFactor(0, 57);
    splOutcome->setStretchFactor(1, 43);
    pnlResults->addWidget(splOutcome);
    pnlResults->setStretchFactor(0, 61);
    pnlResults->setStretchFactor(1, 39);
    layout->addWidget(pnlResults, 1);

    showTables(ResultBlobs::readResults(QByteArray()), emptyOutcomes());
}

QTableView *SampleBrowserResultsPane::titledTable(const QString &title, const char *name, DataTableModel *model,
                                                  QSplitter *splitter)
{
    auto *box = new QWidget(splitter);
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    boxLayout->setSpacing(2);
    boxLayout->addWidget(heading(title, box));
    auto *view = new QTableView(box);
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    connect(view, &QAbstractItemView::doubleClicked, this, &SampleBrowserResultsPane::rowActivated);
    boxLayout->addWidget(view, 1);
    splitter->addWidget(box);
    return view;
}

void SampleBrowserResultsPane::showTables(const DataTable &results, const DataTable &outcomes)
{
    memResults->setTable(results);
    memOutcomes->setTable(outcomes);
    showTableColumns(grdResults, memResults, m_config.resultColumns);
    showTableColumns(grdOutcomes, memOutcomes, m_config.outcomeColumns);
}

DataTable SampleBrowserResultsPane::outcomeRows(const QString &sampleCode) const
{
    // The outcomes of a personality that keeps them in their own table.
    QSqlQuery q = SqlUtil::exec(m_database(), SampleBrowserConfig::outcomeRowsSql(), {sampleCode});
    DataTable rows;
    QString error;
    if (!rows.fillFromQuery(q, &error))
        throw VarnexError(error);
    return rows;
}

DataTable SampleBrowserResultsPane::emptyOutcomes() const
{
    if (m_config.outcomes == SampleBrowserConfig::OutcomeSource::ResultBlob)
        return ResultBlobs::readOutcomes(QString());
    return outcomeRows(QString());
}

void SampleBrowserResultsPane::Clear()
{
    memResults->setTable(ResultBlobs::readResults(QByteArray()));
    memOutcomes->setTable(emptyOutcomes());
    memLabComments->clear();
    setProblem(QString());
}

void SampleBrowserResultsPane::setProblem(const QString &text)
{
    lblPaneProblem->setText(text);
    lblPaneProblem->setVisible(!text.isEmpty());
}

void SampleBrowserResultsPane::ShowSample(const QVariant &uuid)
{
    QStringList problems;
    DataTable results = ResultBlobs::readResults(QByteArray());
    DataTable outcomes = emptyOutcomes();
    QString comments;
    const bool outcomeBlob = m_config.outcomes == SampleBrowserConfig::OutcomeSource::ResultBlob;
    try {
        QSqlQuery q = SqlUtil::exec(m_database(), m_config.resultsPaneSql(), {uuid});
        if (q.next()) {
            comments = q.value(2).toString();
            try {
                results = ResultBlobs::readResults(q.value(0).toByteArray());
            } catch (const VarnexError &e) {
                problems << QStringLiteral("The laboratory results of this sample cannot be shown: ") + e.message();
            }
            try {
                outcomes = outcomeBlob ? ResultBlobs::readOutcomes(q.value(1).toString()) : outcomeRows(q.value(3).toString());
            } catch (const VarnexError &e) {
                problems << QStringLiteral("The outcomes of this sample cannot be shown: ") + e.message();
            }
        } else if (q.lastError().isValid()) {
            problems << QStringLiteral("The results of this sample cannot be read: ") + q.lastError().text();
        }
    } catch (const VarnexError &e) {
        problems << QStringLiteral("The results of this sample cannot be read: ") + e.message();
    }
    showTables(results, outcomes);
    memLabComments->setPlainText(comments);
    setProblem(problems.join(QLatin1Char('\n')));
}
