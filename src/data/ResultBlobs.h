#pragma once

// The two blobs in which the central server hands a completed sample's laboratory outcome to the
// program (docs/result-blobs.md describes their bytes for whoever writes them):
//
// - SAMPLE.CDS_LABORATORY_RESULTS: the result rows as a dataset packet (data/DataPacket).
// - SAMPLE.CDS_OUTCOMES: the outcome rows as tab-separated text lines under a signature line and a
//   line of column names.
//
// The one reader of both, for the browsers, the printed reports and the XML export. A reader never
// guesses: a blob that is not one of these forms is refused with the fault, and nothing of it is
// kept. An empty blob (NULL, no bytes, no text) holds no rows.

#include "data/DataTable.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace ResultBlobs {

// The result columns that every table read from CDS_LABORATORY_RESULTS has, in this order when the
// blob lacks them (its own further columns follow). The printed reports show SUBSTANCE, LAB_UNIT
// and OUTPUT.
const QList<FieldDef> &resultFields();

// The outcome columns that every table read from CDS_OUTCOMES has: ID, FAILCODE,
// FAILCODE_DESCRIPTION. Every outcome value is text.
const QList<FieldDef> &outcomeFields();

// The signature line of the outcome text.
inline constexpr char OutcomesSignature[] = "varnex-outcomes 1";

// Reads CDS_LABORATORY_RESULTS. Throws VarnexError naming the fault when the bytes are not a
// dataset packet; a column of the known ones that the packet lacks is added holding NULL.
DataTable readResults(const QByteArray &blob);
// The blob of a result table: its dataset packet.
QByteArray writeResults(const DataTable &results);

// Reads CDS_OUTCOMES. Throws VarnexError naming the line and the fault for text that is not the
// outcome form; a known column that the text lacks is added holding NULL.
DataTable readOutcomes(const QString &text);
// The text of an outcome table; every value is written as text (NULL as \N).
QString writeOutcomes(const DataTable &outcomes);

} // namespace ResultBlobs
