#pragma once

#include "layouts/GridViewLayout.h"

#include <QString>

// Writes the records of a grid as an Excel workbook (.xlsx, one sheet) through libxlsxwriter:
// a bold header row of the column captions, then every record of the source with typed cells
// (numbers as numbers, dates and times as dates and times, flags and text as text, NULL as an
// empty cell) and the columns about as wide as in the grid. A grouped source gets a heading row
// for each group ("Officer: Pat Plain") with its records below it, grouped in the sheet's outline
// one level per group, so that the groups can be folded in Excel.
//
// Rows stream from the source into the file (libxlsxwriter's constant-memory mode), so memory does
// not grow with the number of records. The workbook is written under a temporary name beside the
// file and renamed into place only when it is whole.
//
// Throws VarnexError, leaving no file behind and an existing file as it was, when the grid does not
// fit on a sheet (more than 1,048,576 rows with the header and group rows, more than 16,384
// columns, a text longer than the 32,767 characters a cell holds), when a record cannot be read,
// and when the file cannot be written.
namespace GridExcelExport {

constexpr qint64 MaxRows = 1048576;
constexpr int MaxColumns = 16384;
constexpr int MaxCellText = 32767;

void Save(const QString &fileName, IGridExportSource &source);

} // namespace GridExcelExport
