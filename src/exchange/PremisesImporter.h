#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

// The premises import: a register exported by another system, as CSV or in one of the three XML
// layouts, written premises by premises through PREMISES_RECORD_IMPORT_R1 into the register of a
// personality (PREMISES_DETAIL for "FOOD", PREMISES_DETAIL_ANIMAL_FEED for "ANIMAL FEED").

// A feed risk value as this system codes it: "H", "M", "L", or "U" for anything it does not know.
QString NormaliseRiskCategory(const QString &value);

// The register of a personality: "PREMISES_DETAIL" for "FOOD", "PREMISES_DETAIL_ANIMAL_FEED" for
// any other.
QString PremisesTableName(const QString &personality);

// Marks deleted every premises of the personality's register as last received from the server
// (a positive UPDATE_ID): those a load did not bring. Premises written since (by the load itself
// or by hand, not yet uploaded) keep their state. Runs on db's current unit of work; returns the
// number of premises marked. Throws VarnexError with the database's text.
int RemoveCurrentRecords(const QSqlDatabase &db, const QString &personality);

struct PremisesImportCounts
{
    int records = 0;   // records in the file (blank CSV lines included)
    int inserted = 0;
    int updated = 0;
    int skipped = 0;   // blank lines and records without a CODE
    int processed = 0; // inserted + updated + skipped
    int removed = 0;   // premises marked deleted afterwards
};

struct PremisesImportSettings
{
    QString personality;
    QString LocalAuthorityCode;
    QString LocalAuthorityOfficeCode;
    // Afterwards, mark deleted the server's premises the file did not bring.
    bool removeCurrentRecords = false;
};

// One load takes the whole file or nothing. The file is read through once before anything is
// written, so a CSV quoting fault or broken XML stops it with nothing written and the number of
// records known; then every premises is written in one transaction, which a premises the database
// refuses rolls back whole. The error names the line (and column, or the record), the CODE and the
// cause. Blank lines and records whose CODE is empty are skipped. The premises type and risk codes
// are trimmed, then translated through the terms of the personality's premises group as they stand
// when the load starts; names and addresses are kept as they are written. An XML leaf that a
// record leaves out keeps the stored value (a new premises has none); one written empty, like an
// empty CSV column, empties it. "Remove current records" runs only after a load that wrote at
// least one premises, in the same transaction.
class PremisesImporter
{
public:
    PremisesImporter(const QSqlDatabase &db, const PremisesImportSettings &settings);

    // Told the counts when the number of records is known, then at most every 100 ms while the
    // premises are written, and once at the end.
    std::function<void(const PremisesImportCounts &)> Progress;

    // A name ending in "xml" (letter case ignored) is read as XML, any other as CSV.
    static bool IsXmlFile(const QString &fileName);

    // Throws VarnexError, with nothing of the file kept, when the load stops.
    PremisesImportCounts Load(const QString &fileName);

private:
    QSqlDatabase m_db;
    PremisesImportSettings m_settings;
};
