#pragma once

#include "data/DataTable.h"
#include "gui/GroupedGridView.h"
#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXEditControls.h"
#include "samples/ui/SampleBrowserConfig.h"
#include "samples/ui/SampleBrowserFilterPanel.h"
#include "samples/ui/SampleBrowserLegend.h"

#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class DataTableModel;
class GroupedGridModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabBar;
class QTableView;
class SampleBrowserResultsPane;
class TSampleExportDM;
class TSamplePrintDM;

// "Samples Browser": the samples of one personality one status at a time ("All statuses" last),
// grouped by officer, the completed ones filtered by officer, premises and dates, the laboratory
// results and outcomes of the current completed sample, and the actions on the current sample or
// on the selected ones. Opened modeless by the main window under the key "SampleBrowser" with a
// TSampleBrowserfrmDefaults (which carries nothing of its own).
//
// The list reads a page at a time (GroupedGridModel); the footer and the group rows count from
// one aggregate read beside it. Selecting every row reads nothing: an action reads the UUIDs it
// needs when it runs. The results pane reads the current sample's two result blobs 300 ms after
// the user rests on it; a blob that cannot be read shows its fault in the pane.
//
// What comes from other parts of the program is registered by the window layer: the sample editor
// of each personality (New, Edit/View, double-click), the office picker (Update sample office) and
// the laboratory export engine (Export to Lab, Export to File), the XML range export (Export to
// XML); the grid layouts and the Excel export go to the layout store (GridViewStorageDm) once the
// program has made it. An action whose part is not registered is shown disabled; the rules of the
// tabs still decide when it could be used.
//
// The form holds the wiring; the actions' work and when they are available is in
// SampleBrowserActions.cpp. The columns and statements of each personality are in
// SampleBrowserConfig; the filter, the results pane and the colour legend are widgets of their own
// (SampleBrowserFilterPanel, SampleBrowserResultsPane, SampleBrowserLegend); the status swatch
// and the amounts are painted by the delegates of SampleBrowserDelegates.
class TSampleBrowserFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    // Opens a personality's sample editor modally on the sample with the UUID; an empty UUID makes a
    // new sample.
    using SampleEditorOpener = std::function<void(QWidget *owner, const QString &uuid)>;
    // Lets the user pick an office; answers its national code, "CANCELLED" or empty text.
    using OfficeChooser = std::function<QString(QWidget *owner)>;
    // A laboratory export engine for one action.
    using ExportModuleFactory = std::function<std::unique_ptr<TSampleExportDM>()>;
    // Writes the samples with the UUIDs, in that order, to an exchange XML file ("Export to XML").
    using XmlRangeExporter = std::function<void(QWidget *owner, const QStringList &uuids)>;

    // The editor of the samples of one personality (RECORD_TYPE); an empty opener takes it away.
    static void SetSampleEditorOpener(const QString &personality, SampleEditorOpener opener);
    static void SetOfficeChooser(OfficeChooser chooser);
    static void SetExportModuleFactory(ExportModuleFactory factory);
    static void SetXmlRangeExporter(XmlRangeExporter exporter);

    static QString FormKey() { return QStringLiteral("SampleBrowser"); }
    static QString AllTabCode() { return QStringLiteral("ALL"); }
    static QString CompleteOnlyMessage() { return QStringLiteral("Sample report can only be run on complete samples!"); }
    static QString CancelQuestion() { return QStringLiteral("Are you sure you want to cancel this Sample?"); }
    static QString DeleteQuestion() { return QStringLiteral("Are you sure you want to delete this Sample?"); }
    static QString CreateTemplateQuestion() { return QStringLiteral("Create a template from selected sample?"); }
    static QString NotAvailableText() { return QStringLiteral("Not available in this version"); }

    explicit TSampleBrowserFrm(QObject *AOwner);
    ~TSampleBrowserFrm() override;

    void FormCreate() override;
    // Builds the status tabs and the legend and shows the first tab; a browser initialised again
    // keeps its tabs and what it shows.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    const SampleBrowserConfig &Config() const { return m_config; }
    // The status code of each tab, in tab order ("ALL" last).
    const QStringList &TabCodes() const { return m_tabCodes; }
    QString CurrentTabCode() const;
    void SelectTab(const QString &code);
    // The current row's UNIQUE_UUID and status; empty without a current row.
    QString CurrentUuid() const;
    QString CurrentStatus() const;
    // The current row's national sample code; empty without a current row.
    QString CurrentCode() const;

    // The selected samples as they are in the store now, in selection order (every row of the list
    // in the grid's order after "Select all"): their UNIQUE_UUIDs and statuses.
    struct SelectedSample
    {
        QString uuid;
        QString status;
    };
    QList<SelectedSample> SelectedSamples() const;

    // Showing a tab: the filter panel, the results pane, the tab's rules, the list read anew.
    void RefreshForStatusTab();
    // Whether the rules of the tab and the current row let the action be used; it is enabled
    // when its part of the program is there as well.
    static bool RuleAllows(const QAction *action);
    // The sample grid as the layout store keeps and exports it.
    IGridLayoutView &GridLayoutView() const { return *m_layoutView; }

    // Widgets.
    QTabBar *tabStatus = nullptr;
    SampleBrowserFilterPanel *pnlFilter = nullptr;
    QComboBox *cmbOfficer = nullptr;
    QCheckBox *chkAllOfficers = nullptr;
    QComboBox *cmbPremises = nullptr;
    QCheckBox *chkAllPremises = nullptr;
    TzqcxDateEdit *dteStart = nullptr;
    TzqcxDateEdit *dteEnd = nullptr;
    QPushButton *btnStartToday = nullptr;
    QPushButton *btnEndToday = nullptr;
    QPushButton *btnGo = nullptr;
    QPushButton *btnSelectAll = nullptr;
    QPushButton *btnClearSelection = nullptr;
    QSplitter *splMain = nullptr;
    GroupedGridView *grdSampleView = nullptr;
    GridFooter *pnlFooter = nullptr;
    QSplitter *pnlResults = nullptr;
    QSplitter *splOutcome = nullptr;
    QTableView *grdResults = nullptr;
    QTableView *grdOutcomes = nullptr;
    QPlainTextEdit *memLabComments = nullptr;
    QLabel *lblPaneProblem = nullptr;
    SampleBrowserLegend *pnlLegend = nullptr;
    QMenu *mnuGridOptions = nullptr;

    // Data.
    GroupedGridModel *qrySample = nullptr;
    DataTableModel *memResults = nullptr;
    DataTableModel *memOutcomes = nullptr;
    QTimer *timerRefreshChildDatasets = nullptr;

    // Actions, in the order of the side panel.
    QAction *actShowNewSample = nullptr;
    QAction *actShowEditSample = nullptr;
    QAction *actDuplicateSample = nullptr;
    QAction *actDeleteSelected = nullptr;
    QAction *actExportRecords = nullptr;
    QAction *actExportToFile = nullptr;
    QAction *actExportToXML = nullptr;
    QAction *actPrintSample = nullptr;
    QAction *actPrintLabel = nullptr;
    QAction *actPrintA4Label = nullptr;
    QAction *actPrintReport = nullptr;
    QAction *actMailMergeSamples = nullptr;
    QAction *actCreateTemplate = nullptr;
    QAction *actViewTemplates = nullptr;
    QAction *actUpdateProsecution = nullptr;
    QAction *actLabellingOutcomes = nullptr;
    QAction *actLAEnforcementOutcomes = nullptr;
    QAction *actUpdateSampleOffice = nullptr;
    QAction *actDesignReport = nullptr;
    QAction *actSelectAll = nullptr;
    QAction *actClearSelection = nullptr;
    QAction *actStoreGridLayout = nullptr;
    QAction *actRestoreSavedLayout = nullptr;
    QAction *actFullExpandGroups = nullptr;
    QAction *actFullCollapseGroups = nullptr;
    QAction *actSaveToExcel = nullptr;

protected:
    // The twin of another personality.
    TSampleBrowserFrm(QObject *AOwner, SampleBrowserConfig config);

    // Reads the list again (keeping the current row and the selection), and the results pane.
    void actRefreshDataExecute() override;
    // Closing frees the browser.
    void FormClose() override;

    // The actions' work.
    void actShowNewSampleExecute();
    void actShowEditSampleExecute();
    void actDeleteSelectedExecute();
    void actExportRecordsExecute();
    void actExportToFileExecute();
    // The selected samples to the XML range export; nothing when none is selected.
    void actExportToXMLExecute();
    void actPrintSampleExecute();
    // "Labels" and "A4 labels" share it: the A4 button prints the A4 sheet.
    void actPrintLabelExecute(QObject *sender);
    void actPrintReportExecute();
    void actUpdateSampleOfficeExecute();
    void actDesignReportExecute();
    // Copies the current sample; the one copy asked to open goes to the personality's editor.
    void actDuplicateSampleExecute();
    void actCreateTemplateExecute();
    void actViewTemplatesExecute();
    void actUpdateProsecutionExecute();
    // The client outcomes of the current sample under the heading ("L" or "X").
    void showClientOutcomes(const QString &headingCode);

    // The row-dependent actions and captions, and the results pane's timer restarted.
    void qrySampleAfterScroll();
    // Loads the results pane from the current sample.
    void timerRefreshChildDatasetsTimer();

private:
    void buildWidgets();
    void buildFilterPanel();
    void buildResultsPane();
    void buildActions();
    void buildSidePanel();
    QAction *makeAction(const char *name, const QString &caption);
    void openSampleList();
    QList<GridCondition> sampleListConditions() const;
    void applyTabRules();
    void updateAvailability();
    QStringList selectedUuids() const;
    // A print module for the selected samples; throws for a selection that cannot be read.
    std::unique_ptr<TSamplePrintDM> printModuleForSelection() const;
    void runExport(bool toFile);
    void afterListChange();
    void guarded(const std::function<void()> &work);
    QString title() const;

    SampleBrowserConfig m_config;
    QStringList m_tabCodes;
    bool m_showingTab = false;
    // The actions the personality does not offer.
    QList<QAction *> m_unavailable;
    SampleBrowserResultsPane *m_resultsPane = nullptr;
    std::unique_ptr<GroupedGridLayoutView> m_layoutView;
};
