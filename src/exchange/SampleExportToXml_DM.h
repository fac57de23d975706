#pragma once

// The two sample XML exports: the rows an officer selected in a sample browser (any status), and
// the completed samples of the "Sample export" form, which are then marked as exported.
//
// A browser's "Export to XML" (selected rows, in selection order) calls
// SampleXmlExportCommand::ExportSelectedSamples (exchange/ui), which shows any failure; its work is
//     TSampleExportToXmlDm::ExportSelected(selectedUuids); // VarnexError with the text to show
// which is
//     TSampleExportToXmlDm exporter;
//     for (const QString &uuid : selectedUuids)
//         exporter.AddSampleToRange(uuid);
//     exporter.ExportRange();
//
// The file name is asked through the current prompter first, and the document then written
// straight to it through the atomic writer, one sample at a time: a cancelled export, or one that
// fails while it writes, leaves any old file as it was.

#include "exchange/VRXSampleXML_DM.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class TLookupDataDm;
class TMaindm;

// The sample rows of an export, read a page at a time from the local store: every column of
// SAMPLE and NAME, the name of the sample's officer (a live one before one marked deleted), so
// that each sample is one row. Every value is bound.
class TSampleSelection : public TSampleRows
{
public:
    // The completed samples, optionally only those changed since their last export and only those
    // taken on or after a date; in the order of their codes.
    static std::unique_ptr<TSampleSelection> Completed(const QSqlDatabase &db, bool changedOnly,
                                                       const std::optional<QDate> &takenSince);
    // The samples with these UNIQUE_UUIDs, whatever their status: each once, in the order of its
    // first mention. Any number of them.
    static std::unique_ptr<TSampleSelection> ByUuid(const QSqlDatabase &db, const QStringList &uuids);

    ~TSampleSelection() override;

    // The SELECT every selection runs, before its WHERE: "SELECT S.*, (...) AS NAME FROM SAMPLE S".
    static const QString &SelectSql();

    // TSampleRows. Count(): how many samples the selection holds in the store, counted at the
    // first call and answered the same afterwards. Count() and Next() throw VarnexError when the
    // store cannot be read.
    int Count() override;
    const QList<FieldDef> &Fields() const override;
    bool Next() override;
    QVariant Value(int column) const override { return m_page.value(m_row, column); }

    // Every sample read so far, as it was read: its ID and its UPDATE_ID (which every change of
    // the row replaces), in the order read. Kept small: an export holds one for every sample.
    struct Read
    {
        qint64 id;
        qint64 updateId;
        bool hasUpdateId; // false: UPDATE_ID is NULL
        QVariant UpdateId() const { return hasUpdateId ? QVariant(updateId) : QVariant(QMetaType::fromType<qint64>()); }
    };
    const std::vector<Read> &RowsRead() const { return m_read; }
    // Lets go of the statement in progress.
    void Close();

private:
    TSampleSelection(const QSqlDatabase &db) : m_db(db) {}
    struct Statement
    {
        QString where; // " WHERE ..." over SAMPLE S
        QString orderBy;
        QVariantList values;
        QStringList order; // UUIDs: the rows are taken in this order
    };
    void describe();
    bool fetchPage();

    QSqlDatabase m_db;
    QList<Statement> m_statements;
    int m_next = 0; // the statement to run next
    std::unique_ptr<QSqlQuery> m_query;
    DataTable m_page;
    int m_row = -1;
    int m_idColumn = -1;
    int m_updateIdColumn = -1;
    int m_expected = -1;
    std::vector<Read> m_read;
};

// A save that succeeded, followed by a marking of the samples as exported that failed; nothing
// was marked.
class TXmlExportMarkError : public VarnexError
{
public:
    TXmlExportMarkError(const QString &fileName, const QString &cause);
};

class TSampleExportToXmlDm : public QObject
{
    Q_OBJECT
public:
    static QString NoSamplesText() { return QStringLiteral("There are no samples to be exported"); }
    static QString NoCompletedSamplesText() { return QStringLiteral("There are no completed samples to be exported"); }
    // The save dialog's filter and default extension.
    static QString FileFilter() { return QStringLiteral("XML Files (*.xml)"); }
    static QString DefaultExtension() { return QStringLiteral("xml"); }

    // On the main connection, with the program's settings (Maindm) and lookup lists.
    explicit TSampleExportToXmlDm(QObject *parent = nullptr);
    TSampleExportToXmlDm(const QSqlDatabase &db, TMaindm &settings, const TLookupDataDm *lookups,
                         QObject *parent = nullptr);
    ~TSampleExportToXmlDm() override;

    // The browsers' samples: UUIDs in the order added (one added twice stands twice).
    void AddSampleToRange(const QString &uuid) { m_sampleList.append(uuid); }
    const QStringList &SampleList() const { return m_sampleList; }

    // Exports the listed samples, whatever their status, each once, with a generator of its own:
    // asks for the file, then writes it. Returns the file written, or nothing when the officer
    // cancelled. Throws VarnexError: NoSamplesText() when none of them is in the store (before
    // asking), or the fault; no file is written then.
    std::optional<QString> ExportRange();
    // A browser's command: with no UUID it does nothing; otherwise a module on the main connection
    // exports the samples (ExportRange) and is freed.
    static std::optional<QString> ExportSelected(const QStringList &uuids);

    // The "Sample export" form's selection.
    struct TCompletedSelection
    {
        bool ChangedOnly = true;              // only samples added or changed since their last export
        std::optional<QDate> TakenSince;      // only samples taken on or after this date
    };
    struct TExportResult
    {
        QString FileName; // empty: the officer cancelled, nothing was saved or marked
        int Exported = 0; // Sample elements in the file
        int Marked = 0;   // samples marked as exported
    };

    // How many samples the selection holds now. Throws VarnexError.
    int CountCompleted(const TCompletedSelection &selection);
    // Exports the selected completed samples with the given generator: asks for the file, writes
    // it, then marks as exported, in one transaction, the samples in the file that nobody changed
    // since they were read. progress is first called with (0, the number of samples), then after
    // each sample. Throws VarnexError: NoCompletedSamplesText() when there are none (before
    // asking), or the fault, with no file written and no sample marked; TXmlExportMarkError when
    // the file was saved but the samples could not be marked.
    TExportResult ExportCompleted(const TCompletedSelection &selection, TVRXSampleXMLDM &generator,
                                  const TVRXSampleXMLDM::Progress &progress = {});

private:
    // Asks for the file; nothing when the officer cancelled.
    static std::optional<QString> chooseFile();
    // Writes the document of the selection to the file, replacing it only when all of it was
    // written. Throws VarnexError.
    static void writeDocument(TSampleSelection &rows, TVRXSampleXMLDM &generator,
                              const TVRXSampleXMLDM::Progress &progress, const QString &fileName);
    int markExported(const std::vector<TSampleSelection::Read> &rows, const QString &fileName);

    QSqlDatabase m_db;
    TMaindm &m_settings;
    const TLookupDataDm *m_lookups;
    QStringList m_sampleList;
};
