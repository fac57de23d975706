#pragma once

#include "gui/IBBaseAdvanced_FRM.h"

#include <functional>

class GridModel;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTableView;

// Opens the food sample browser; no parameters of its own.
class TSampleBrowserfrmDefaults : public TDefaultInfo
{
};

// "Sample batches previously exported": the export batches of the current personality, newest
// first, with the samples of the selected batch and its comment and officers. A batch can be saved
// to a file again or sent to its laboratory's postbox again (neither records anything), and one of
// its samples opened in the sample editor.
class TSampleBatchesFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    // Asks for a folder; an empty answer means the officer cancelled.
    using FolderChooser = std::function<QString(QWidget *parent)>;
    // Opens the sample editor on the sample with this UUID, modally.
    using SampleEditorOpener = std::function<void(QWidget *owner, const QString &uuid)>;

    // "View Sample" is available once the sample editor has registered its opener.
    static void SetSampleEditorOpener(SampleEditorOpener opener);

    explicit TSampleBatchesFrm(QObject *AOwner);
    ~TSampleBatchesFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // The batch whose samples are shown; 0 when there is none.
    qint64 CurrentBatchId() const;
    void SelectBatch(int row);
    QString Personality() const { return m_personality; }

    // Where "Re-export to file" asks for the folder; a folder dialog unless replaced.
    FolderChooser ChooseFolder;

    QLabel *lblHeader = nullptr;
    QSplitter *splBatches = nullptr;
    GridModel *qryExportBatch = nullptr;
    GridModel *qrySampleExport = nullptr;
    QTableView *grdBatches = nullptr;
    QTableView *grdSamples = nullptr;
    QTabWidget *pgcDetails = nullptr;
    QPlainTextEdit *memComments = nullptr;
    QPlainTextEdit *memOfficers = nullptr;
    QProgressBar *pbBusy = nullptr;
    QAction *actViewSample = nullptr;
    QAction *actReExportToFile = nullptr;
    QAction *actResendToLab = nullptr;

protected:
    void FormActivate() override;
    bool FormCloseQuery() override;
    void actRefreshDataExecute() override;

    void actViewSampleExecute();
    void actReExportToFileExecute();
    void actResendToLabExecute();

private:
    void buildWidgets();
    void showBatch();
    // Reads the current batch's samples afresh; refuses a batch without samples. Returns its id.
    qint64 checkBatchSamples();
    void setBusy(bool busy);
    void updateActions();

    QString m_personality;
    bool m_busy = false;
};
