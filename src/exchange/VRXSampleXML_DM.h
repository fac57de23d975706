#pragma once

// The sample XML generator: turns sample rows into one sample exchange document, a Sample element
// per row and, for a completed sample, a Result element per laboratory result. The export commands
// (SampleExportToXml_DM) have it write the document straight to the file, one sample at a time, so
// that no export holds more than one sample whatever its size; it can also fill its document
// (XMLDoc) for a caller that wants the elements.
//
// Each written Sample leaf comes from the table SampleLeafSources(): its column, its conversion
// and the condition under which it is written. docs/sample-xml.md is made from that table.
//
// Widget-free: the progress goes to a callback after each sample.

#include "data/DataTable.h"
#include "exchange/VRXSampleXML_19102011_Unt.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

class QIODevice;
class TLookupDataDm;
class XmlElementWriter;
class TMaindm;

// The sample rows a run writes, one after the other: the generator's dataset.
class TSampleRows
{
public:
    virtual ~TSampleRows() = default;
    // The columns of every row, found by name without regard to letter case.
    virtual const QList<FieldDef> &Fields() const = 0;
    // Moves to the next row (to the first at the first call); false when there is none.
    virtual bool Next() = 0;
    // A value of the current row, in DataTable's form for its field's type (NULL: invalid).
    virtual QVariant Value(int column) const = 0;
    // How many rows a run will meet: the document names the number before its first sample, and
    // a run that then meets another number fails. Asked once at the start of a run.
    virtual int Count() = 0;
};

// The rows of an in-memory table, in table order.
class TTableSampleRows : public TSampleRows
{
public:
    explicit TTableSampleRows(DataTable table) : m_table(std::move(table)) {}
    const QList<FieldDef> &Fields() const override { return m_table.fields(); }
    bool Next() override { return ++m_row < m_table.rowCount(); }
    QVariant Value(int column) const override { return m_table.value(m_row, column); }
    int Count() override { return m_table.rowCount(); }

private:
    DataTable m_table;
    int m_row = -1;
};

// How a Sample leaf's value is made from its column.
enum class TSampleLeafConversion {
    Text,             // the column's text
    RecordType,       // the column's text; empty gives "FOOD"
    AuthorityName,    // the authority's name from the settings, the same for every sample
    AnalysisType,     // "M" for "MICRO" or "M", "C" for anything else
    OfficerCode,      // the column's text; blank gives the code of the officer named SAMPLE_OFFICER_NAME, or "NF"
    OfficerName,      // the joined officer's NAME when not empty, else SAMPLE_OFFICER_NAME
    Date,             // the date in the date form of the run; empty gives 30 December 1899
    Time,             // the time in the time form of the run; empty gives midnight
    OptionalDate,     // XML dates: the date, only when not empty; otherwise always, the column's text
    Flag,             // true exactly when the column's text is "T"
    Integer,          // the column as a whole number (a fraction rounded half away from zero); empty gives 0
    Country,          // ISO country codes: the code of the country so named, or "N/A"; otherwise the text
};

struct TSampleLeafSource
{
    TXMLSampleLeaf Leaf;
    const char *Column;    // the column read; nullptr for a value of the settings
    TSampleLeafConversion Conversion;
    const char *PresentIf; // written only when the dataset has this column; nullptr: always
};

struct TResultLeafSource
{
    TXMLResultLeaf Leaf;
    const char *Column; // matched without regard to letter case
};

class TVRXSampleXMLDM : public QObject
{
    Q_OBJECT
public:
    using Progress = std::function<void(int done, int total)>;

    static QString NoDatasetText() { return QStringLiteral("Cannot generate XML as no Sample dataset was provided"); }

    // settings gives the authority's name and the two XML settings, read once at the start of
    // each run, and finds officers by name; lookups gives the countries' ISO codes (nullptr: the
    // program's LookupDataDm when there is one, otherwise every country is "N/A").
    explicit TVRXSampleXMLDM(TMaindm &settings, const TLookupDataDm *lookups = nullptr, QObject *parent = nullptr);
    ~TVRXSampleXMLDM() override;

    // The rows to write; not owned. Must stay alive during GenerateXML.
    void SetSampleDataset(TSampleRows *rows) { m_rows = rows; }
    TSampleRows *SampleDataset() const { return m_rows; }
    // Called with (samples written, samples counted) at the start and after each sample.
    void SetProgress(Progress progress) { m_progress = std::move(progress); }

    // Writes the document of every row of the sample dataset to device as it goes: the
    // declaration, FileInfo, then a Sample per row. Throws VarnexError: NoDatasetText() without a
    // dataset; the missing column, the sample and the fault of a results blob that cannot be
    // used, a count that the rows then belie, or a write that failed. What was written by then is
    // no document: the caller discards it (the atomic writer, uncommitted, leaves the old file).
    void GenerateXML(QIODevice &device);
    // The same document into XMLDoc(), built afresh; after a failure it is empty.
    void GenerateXML();
    // The number of Sample elements the last run wrote.
    int SamplesWritten() const { return m_written; }

    // Reads the laboratory results of the dataset's current row into ResultDataset() (no rows when
    // its blob is empty). Throws VarnexError naming the sample and the fault.
    void LoadResults();
    const DataTable &ResultDataset() const { return m_results; }

    TXMLDocument &XMLDoc() { return m_doc; }
    const TXMLDocument &XMLDoc() const { return m_doc; }

    // What each Sample leaf the generator writes comes from, in document order.
    static const QList<TSampleLeafSource> &SampleLeafSources();
    // What each Result leaf comes from, in document order.
    static const QList<TResultLeafSource> &ResultLeafSources();

private:
    struct Run;
    // The settings and the columns of a run; throws for a column the document needs.
    Run startRun() const;
    void writeFileInfo(XmlElementWriter &out, const Run &run, int count) const;
    // The current row as a Sample with its results.
    void writeSample(XmlElementWriter &out, Run &run);
    // A leaf's text for the current row from its column; nothing when the leaf is left out.
    std::optional<QString> leafValue(Run &run, const TSampleLeafSource &source, int column) const;
    QString columnText(const Run &run, int column) const;
    void writeResults(XmlElementWriter &out, const Run &run);
    void reportProgress(int count) const;
    // The current row's sample code, for messages.
    QString sampleName(int codeColumn) const;
    void loadResults(const QString &sample, int blobColumn);

    TMaindm &m_settings;
    const TLookupDataDm *m_lookups;
    TSampleRows *m_rows = nullptr;
    Progress m_progress;
    TXMLDocument m_doc;
    DataTable m_results;
    int m_written = 0;
};

// The one generator of the program, made after login; nullptr before.
extern TVRXSampleXMLDM *VRXSampleXMLDM;

// The value forms the generator writes; exposed for the documents' readers and the tests.
namespace SampleXmlForms {
// The user's long time format without its time-zone part ("HH:mm:ss t" gives "HH:mm:ss").
QString longTimeFormat(const QLocale &locale);
// A locale with its short date and long time formats.
struct Forms
{
    explicit Forms(const QLocale &locale);
    QLocale locale;
    QString shortDate;
    QString longTime;
};
// A column's value as text, as the user's locale shows it: dates in the short date format,
// times in the long time format, a timestamp as both (the time left out at midnight), decimals
// with the locale's decimal point and without trailing zeros, no grouping.
QString columnText(const QVariant &value, const FieldDef &field, const Forms &forms);
// The XML Schema forms: "2014-03-03" and "09:05:00.000Z" (the clock time as stored, no zone
// conversion).
QString xmlDate(const QDate &date);
QString xmlTime(const QTime &time);
// A number as a whole number, a fraction rounded half away from zero; false for anything else.
bool wholeNumber(const QVariant &value, qint64 *out);
} // namespace SampleXmlForms
