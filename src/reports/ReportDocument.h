#pragma once

// A report ready to print: a definition filled with the data of its samples. Every value is worked
// out when the document is made, so that a fault (a field the data lacks, a code no bar code can
// carry) is found before anything is shown or printed; drawing it afterwards cannot fail on the
// data.
//
// The same document draws on any paged device: a printer in the preview, a PDF writer for a file.

#include "data/DataTable.h"
#include "reports/Code39.h"
#include "reports/ReportDefinition.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QPagedPaintDevice;

// The samples of a report, in the order they print, each with its result and outcome rows.
struct ReportData
{
    DataTable samples;
    QList<DataTable> results;  // one per sample row
    QList<DataTable> outcomes; // one per sample row
};

class ReportDocument
{
public:
    // Fills the definition with the data. Throws ReportDefinitionError for an item that names a
    // column the data lacks (with the definition's file and line), and VarnexError naming the
    // sample for a value that cannot be printed (a code no bar code can carry).
    ReportDocument(ReportDefinition definition, const ReportData &data);

    const ReportDefinition &definition() const { return m_definition; }
    QString title() const;
    QPageLayout pageLayout() const { return m_definition.page.pageLayout(); }

    // Draws every page on the device and returns the number of pages. Throws VarnexError when the
    // device cannot be drawn on.
    int render(QPagedPaintDevice &device) const;
    // The whole report as a PDF file's bytes.
    QByteArray toPdf() const;

private:
    struct Item
    {
        int index = 0;    // into the band's items
        QString text;     // text items: the text to print
        Code39Bars bars;  // bar codes
    };
    struct Band
    {
        int index = 0;    // into the definition's bands
        QList<Item> items;
    };

    void resolve(const ReportData &data);
    void requireColumns(int bandIndex, const DataTable &table) const;
    void addBand(int bandIndex, const DataTable *samples, int sampleRow, const DataTable *rows, int row);

    ReportDefinition m_definition;
    QList<Band> m_bands;
};
