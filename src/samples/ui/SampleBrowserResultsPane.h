#pragma once

#include "data/DataTable.h"
#include "samples/ui/SampleBrowserConfig.h"

#include <QSqlDatabase>
#include <QWidget>

#include <functional>

class DataTableModel;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QTableView;

// The sample browser's results pane: the laboratory results and the outcomes of one completed
// sample, and the laboratory's comments, with the columns and the outcome source of the
// personality. The pane follows the user through the list, so nothing here raises a message box:
// a blob that cannot be read shows its fault in the pane, above what could be read.
class SampleBrowserResultsPane : public QWidget
{
    Q_OBJECT
public:
    // database gives the form's connection. The grids show their columns from the start.
    SampleBrowserResultsPane(const SampleBrowserConfig &config, std::function<QSqlDatabase()> database, QWidget *parent);

    // Shows the sample with the UNIQUE_UUID.
    void ShowSample(const QVariant &uuid);
    // Shows no sample.
    void Clear();

    QLabel *lblPaneProblem = nullptr;
    QSplitter *pnlResults = nullptr;
    QSplitter *splOutcome = nullptr;
    QTableView *grdResults = nullptr;
    QTableView *grdOutcomes = nullptr;
    QPlainTextEdit *memLabComments = nullptr;
    DataTableModel *memResults = nullptr;
    DataTableModel *memOutcomes = nullptr;

signals:
    // A row of the results or of the outcomes was double-clicked.
    void rowActivated();

private:
    // A read-only table of the model under its heading, in a box of its own added to the splitter.
    QTableView *titledTable(const QString &title, const char *name, DataTableModel *model, QSplitter *splitter);
    void showTables(const DataTable &results, const DataTable &outcomes);
    void setProblem(const QString &text);
    // The outcome rows of OUTCOME for a sample code, and the outcome table with no row, for the
    // personality's outcome source.
    DataTable outcomeRows(const QString &sampleCode) const;
    DataTable emptyOutcomes() const;

    SampleBrowserConfig m_config;
    std::function<QSqlDatabase()> m_database;
};
