#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TLookupDataDm;
class TMaindm;
class TSampleImportXMLDM;

// The sample import of the command line: every record of FileName becomes a sample through
// SAMPLE_IMPORT_XML_R1 and is validated at once by the stored-sample validator, the insert and the
// validation (and an invalid sample's removal) in one transaction, so no invalid sample remains
// unless invalid imports are allowed, whatever fails between the two. Nothing is modal: every line
// goes to the log file beside the input (FileName + ".log") and to Report.
//
// The log holds, record after record, the record's own messages (values that did not convert,
// fields that are not procedure inputs, categories, officers and codes left empty) and the
// validator's lines, and at the end the error that stopped the run. It is saved in one step, at the
// end and at most once a second while the run goes on.
//
// RunImport throws VarnexError when the run stops: a name that does not end in "xml", a file that
// cannot be read, a document that is not well-formed, missing or broken field definitions, a
// document without a record at the record path (nothing is then imported), a sample the procedure
// refuses, or StopRequested (the samples imported before stay, each committed with its validation).
class TImportSamplesXMLDM
{
public:
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

    // Of the last run: samples written, and of those the ones that did not validate.
    int Imported() const { return m_imported; }
    int Invalid() const { return m_invalid; }
    // The log's lines so far.
    const QStringList &LogLines() const { return m_log; }

private:
    void run();
    void log(const QString &line);
    void saveLog(bool now);

    TMaindm &m_maindm;
    const TLookupDataDm &m_lookups;
    QString m_programFolder;
    QString m_fileName;
    bool m_loading = false;
    std::unique_ptr<TSampleImportXMLDM> m_reader;
    QStringList m_log;
    QElapsedTimer m_sinceSave;
    bool m_logDirty = false;
    bool m_logFailed = false;
    int m_imported = 0;
    int m_invalid = 0;
};
