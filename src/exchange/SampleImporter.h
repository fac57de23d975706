#pragma once

#include "exchange/SampleImportXML_DM.h"
#include "exchange/TranslationTerms.h"
#include "store/StatementCache.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class CategoryTree;
class TLookupDataDm;
class TMaindm;

// What one import run needs to know besides the file, read once at its start.
struct SampleImportSettings
{
    // The personality of the screen or of the command line: the record type of a record without
    // one, and the group of its translation terms.
    QString personality;
    // The command line empties a food premises type that is not in the premises type list also
    // without LAEMS premises codes; the screen keeps it.
    bool commandLine = false;
    bool UseLAEMSPremisesCodes = false;
    QString LocalAuthorityCode;
    QString LocalAuthorityOfficeCode;
    QString InstallationId;

    static SampleImportSettings fromSettings(TMaindm &maindm, const QString &personality, bool commandLine);
};

// The checks a run makes before it writes anything, the same on the screen and the command line.
// Each throws VarnexError saying why nothing is imported.
namespace SampleImportChecks {
// The file name ends in "xml" (letter case ignored).
void RequireXmlName(const QString &fileName);
// A reader holding the definitions file that the setting names in the program folder's
// definitions folder (ImportDefinitionsPath).
std::unique_ptr<TSampleImportXMLDM> NewReader(const QString &programFolder, const QString &setting);
// All of the file read: well-formed, with at least one record at the record path. Returns the
// number of records.
int CountRecords(TSampleImportXMLDM &reader, const QString &fileName);
} // namespace SampleImportChecks

// The steps the sample import screen and the command-line import share: from one record of the
// reader to the inputs of SAMPLE_IMPORT_XML_R1, and the call itself.
//
// The call is built from the inputs the procedure declares (read from the database once per run),
// every value bound; a definitions field names an input, it never reaches the statement's text.
// The importer's statements (the call, the officer look-up, the sample number) last a record or
// the whole run, as the caller's unit of work does (StatementScope).
// For each record: the fields are filled, translated and converted; a field whose name is not an
// input, and a value that does not convert, leave a message; the record type defaults to the run's
// personality; the category is resolved from its first non-empty level; the sampling officer is
// looked up; codes that their lookup lists do not hold are emptied; the program sets the
// authority, office, country region, a new sample code and a new UUID.
class SampleImporter
{
public:
    static QString ProcedureName() { return QStringLiteral("SAMPLE_IMPORT_XML_R1"); }
    static QString FieldNotFoundMessage(const QString &name)
    {
        return QStringLiteral("Field ") + name + QStringLiteral(" not found in stored procedure.");
    }

    enum class StatementScope {
        // The connection is in auto-commit: each record's statements end with its call (or the
        // importer), and with them their transactions, so each call commits by itself.
        Record,
        // The caller keeps the connection in one transaction for the whole run, committing it only
        // with retaining commits until the importer is gone: every statement is prepared once.
        Run,
    };

    // The reader must hold its definitions; lookups must outlive the importer.
    SampleImporter(const QSqlDatabase &db, TSampleImportXMLDM &reader, const TLookupDataDm &lookups,
                   const SampleImportSettings &settings, StatementScope scope = StatementScope::Record);
    ~SampleImporter();

    // Reads the procedure's inputs and the translation terms of the run's group. Throws
    // VarnexError when the procedure cannot be found.
    void prepare();

    // The inputs for one record, keyed by the procedure's input names; inputs without a value are
    // absent. What was left out or changed on the way is added to messages.
    QVariantMap inputsFor(const SampleRecord &record, QStringList &messages);
    // Runs the procedure with the inputs (on the connection's current unit of work) and returns the
    // ID of the sample written. Throws VarnexError with the database's text.
    qint64 execute(const QVariantMap &inputs);

    // The procedure's inputs, upper case, in declaration order.
    QStringList inputNames() const;

    // The statements of the run (StatementScope::Run), for the caller's other statements of the
    // same unit of work.
    StatementCache &statements() { return m_statements; }

private:
    enum class Kind { Text, Integer, Number, Date, Time, Timestamp };
    struct Input
    {
        QString name;
        Kind kind = Kind::Text;
    };

    QVariant bindable(const Input &input, const QVariant &value, const QString &fieldName, QStringList &messages) const;
    void resolveCategory(QVariantMap &inputs, QStringList &messages);
    void resolveOfficer(QVariantMap &inputs, QStringList &messages);
    void clearUnknownCodes(QVariantMap &inputs, QStringList &messages) const;
    const CategoryTree &treeFor(const QString &recordType);

    QSqlDatabase m_db;
    StatementScope m_scope;
    StatementCache m_statements;
    QString m_call; // EXECUTE PROCEDURE with a mark per input
    int m_idColumn = -1;
    TSampleImportXMLDM &m_reader;
    const TLookupDataDm &m_lookups;
    SampleImportSettings m_settings;
    QList<Input> m_inputs;
    QHash<QString, int> m_inputIndex; // upper-case name -> position
    TranslationTerms m_terms;
    QHash<QString, std::shared_ptr<CategoryTree>> m_trees; // by tree table name
};
