#pragma once

// The print module of the sample browsers: turns the selected samples into one of the six reports
// (the food and feed submission forms, the food and feed result reports, a label per sample and a
// sheet of labels), and moves the selected samples to another office. A browser creates one module
// per action, adds the UNIQUE_UUID of every selected row, calls one operation and frees it.
//
// Reports go to the current ReportOutput (the print preview in the program, PDF files in tests).
// Each report can be replaced by a definition file of its fixed name in "Reports/" beside the
// program; such a file is read in the program's own format (docs/report-definitions.md), and one
// that cannot be read stops the print with the file, the line and the fault.

#include "reports/ReportDefinition.h"
#include "reports/ReportDocument.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// One report of the module.
struct TSampleReport
{
    QString Name;     // "RepFoodForm"
    QString FileName; // the override file's name in "Reports/": "FoodForm.fr3"
    QString Resource; // the built-in definition
    // The definition in use; an override file read once stays for the life of the module.
    std::optional<ReportDefinition> Definition;
    bool FromOverride = false;
};

class TSamplePrintDM : public QObject
{
    Q_OBJECT
public:
    // Works on the main connection of Maindm, with the program's folder.
    explicit TSamplePrintDM(QObject *parent = nullptr);
    // Works on the given connection, with programFolder as the folder beside the program.
    TSamplePrintDM(const QSqlDatabase &db, const QString &programFolder, QObject *parent = nullptr);

    // The selection: sample UNIQUE_UUIDs in the order of the grid's selection.
    void AddSampleToReport(const QString &uuid);
    void ClearSamples();
    const QStringList &Samples() const { return m_samples; }

    void PrintReport();              // food submission form
    void PrintReportAF();            // animal-feed submission form
    void PrintSampleWithResults();   // food result report
    void PrintSampleWithResultsAF(); // animal-feed result report
    void PrintLabel();               // a label per sample, at label size
    void PrintA4Label();             // labels on A4 sheets

    // Shows one report for the selection. Throws VarnexError: "No Samples selected to print" for an
    // empty selection, ReportDefinitionError for an override file that cannot be used, and the
    // database's or a sample's fault otherwise; nothing is shown then. With
    // TMaindm::ReportDesignEnabled on it prints nothing and offers to write the definition in use
    // to its override file, where it can be edited.
    void PrintAReport(TSampleReport &report);

    // Moves every selected sample to the office with that code, in one transaction, after asking.
    // An empty code, or one that names no single office, does nothing and says nothing.
    void DoSampleOfficeUpdate(const QString &officeCode);

    // The folder searched for override files: the program's folder and "Reports/".
    QString ReportFolder() const;
    // The selected samples as the reports get them, in selection order (each sample once), with
    // their results and outcome rows (the server's CDS_OUTCOMES, then the OUTCOME table's). Throws
    // VarnexError naming a sample whose results or outcomes blob is damaged.
    ReportData LoadReportData();

    TSampleReport RepFoodForm;
    TSampleReport repFeedForm;
    TSampleReport repFoodReport;
    TSampleReport repFeedReport;
    TSampleReport repLabel;
    TSampleReport repA4Label;

private:
    const ReportDefinition &definitionFor(TSampleReport &report);
    DataTable outcomeRows(const DataTable &samples, int sample) const;
    void offerDefinitionForDesign(const TSampleReport &report);
    QStringList uniqueSamples() const;

    QSqlDatabase m_db;
    QString m_programFolder;
    QStringList m_samples;
};
