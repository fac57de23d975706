#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class AppendingFile;
class TLookupDataDm;
class TMaindm;
class TSampleImportXMLDM;

// The sample import of the command line: every record of FileName becomes a sample through
// SAMPLE_IMPORT_XML_R1 and is validated at once by the stored-sample validator. Nothing is modal:
// every line goes to the log file beside the input (FileName + ".log") and to Report.
//
// The run is one transaction on the main connection, committed every CommitEvery records and at
// least every CommitIntervalMs, with a savepoint around each record: a record and its validation
// (and an invalid sample's removal) are kept or undone together, so no invalid sample remains
// unless invalid imports are allowed, whatever fails between the two, and a record that fails is
// undone alone. Its statements are prepared once for the run. After a crash the store holds the
// samples up to the last commit.
//
// The log holds, record after record, the record's own messages (values that did not convert,
// fields that are not procedure inputs, categories, officers and codes left empty) and the
// validator's lines, and at the end the error that stopped the run. It is started afresh when the
// run starts, and the lines of the records of each commit are added to it right after that commit,
// so it says what the store holds; only those lines are held in memory meanwhile.
//
// RunImport throws VarnexError when the run stops: a name that does not end in "xml", a file that
// cannot be read, a document that is not well-formed, missing or broken field definitions, a
// document without a record at the record path (nothing is then imported), a sample the procedure
// refuses, a store that fails, or StopRequested (the samples imported before stay).
class TImportSamplesXMLDM
{
public:
    static constexpr int CommitEvery = 100;
    static constexpr int CommitIntervalMs = 1000;

    // The program folder holds the definitions folder.
    TImportSamplesXMLDM(TMaindm &maindm, const TLookupDataDm &lookups, const QString &programFolder);
    ~TImportSamplesXMLDM();

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    QString LogFileName() const;
    bool LoadingInProgress() const { return m_loading; }

    // Asked between records; true stops the run.
    std::function<bool()> StopRequested;
    // Every line of the log as it is added, but the error that RunImport throws.
    std::function<void(const QString &)> Report;

    void RunImport();

    // Of the last run, in the store: samples written, and of those the ones that did not validate.
    int Imported() const { return m_imported; }
    int Invalid() const { return m_invalid; }

private:
    class RunTransaction;

    void run();
    void log(const QString &line);
    // Adds the lines held to the log file (after a commit, and for the error that ends a run).
    void saveLog();

    TMaindm &m_maindm;
    const TLookupDataDm &m_lookups;
    QString m_programFolder;
    QString m_fileName;
    bool m_loading = false;
    std::unique_ptr<TSampleImportXMLDM> m_reader;
    std::unique_ptr<AppendingFile> m_logFile;
    QStringList m_pending; // lines not yet in the log file
    int m_imported = 0;
    int m_invalid = 0;
};
