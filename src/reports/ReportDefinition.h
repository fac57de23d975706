#pragma once

// A report definition: the page, the fonts and the bands of one printed report, read from the
// program's own small XML format (docs/report-definitions.md). The built-in reports are such files
// compiled into the program; an authority may put its own beside the program to replace one.
//
// The reader is strict: anything it does not know (an element, an attribute, a value out of its
// range, an item that leaves its band) is refused with the file, the line and the fault, so that
// a slip in a hand-edited file never prints a wrong form. Nothing in the format runs code.

#include "base/VarnexError.h"

#include <QByteArray>
#include <QColor>
#include <QLineF>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// A definition that cannot be read or used; names the file, the line and the fault.
class ReportDefinitionError : public VarnexError
{
public:
    ReportDefinitionError(const QString &fileName, qint64 line, const QString &fault);
    QString fileName() const { return m_fileName; }
    qint64 line() const { return m_line; }
    QString fault() const { return m_fault; }

private:
    QString m_fileName;
    qint64 m_line;
    QString m_fault;
};

// What a band is printed for.
enum class BandScope {
    Once,    // once for the whole report (before or after the samples)
    Sample,  // once for each sample
    Result,  // once for each laboratory result row of the sample
    Outcome, // once for each outcome row of the sample
};

enum class ItemKind { Text, Field, Value, Join, Barcode, Line, Box };

struct ReportFont
{
    QString name;
    QString family;
    double size = 8;
    bool bold = false;
    bool italic = false;
};

struct ReportItem
{
    ItemKind kind = ItemKind::Text;
    qint64 line = 0;     // where the item stands in its file, for errors found later
    QRectF rect;         // millimetres within the band; for a line, the box its two ends span
    QLineF segment;      // a line item's two ends, millimetres within the band
    QString name;        // field: the column; value: the computed value; barcode: the column
    QString text;        // text: the literal text
    QStringList parts;   // join: the columns joined
    QString separator;   // join
    int font = 0;        // index into ReportDefinition::fonts
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    bool wrap = false;   // words wrap within the width
    bool grow = false;   // the height grows to hold all the wrapped text (moving items below down)
    bool frame = false;  // a thin frame round the item
    QColor fill;         // invalid: no fill
    double padding = 0.5;
    double lineWidth = 0.2;
    double module = 0;   // barcode: narrowest bar in millimetres; 0 fills the width

    bool holdsText() const
    {
        return kind == ItemKind::Text || kind == ItemKind::Field || kind == ItemKind::Value || kind == ItemKind::Join;
    }
};

struct ReportBand
{
    BandScope scope = BandScope::Sample;
    qint64 line = 0;
    double height = 0;    // millimetres
    bool newPage = false; // starts a new page each time after its first (unless the page is empty)
    QList<ReportItem> items;
};

struct ReportPageSetup
{
    QSizeF paper;         // millimetres, portrait (width <= height)
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins;    // millimetres
    int columns = 1;
    double columnWidth = 0; // millimetres
    QString printer;        // the printer the report is meant for; empty: the default printer

    // The page as printed (after orientation), in millimetres.
    QSizeF size() const;
    double printableWidth() const;
    double printableHeight() const;
    // The width of a band: one column.
    double bandWidth() const { return columnWidth; }
    QPageLayout pageLayout() const;
};

class ReportDefinition
{
public:
    // Reads a definition. fileName names the source in errors. Throws ReportDefinitionError.
    static ReportDefinition read(const QByteArray &bytes, const QString &fileName);

    // The most bytes a definition file may have.
    static constexpr qsizetype MaxBytes = 1024 * 1024;

    QString fileName;
    QByteArray source; // the bytes read, written back as they are by the design switch
    QString title;
    ReportPageSetup page;
    QList<ReportFont> fonts;
    QList<ReportBand> bands;

    ReportDefinitionError errorAt(qint64 line, const QString &fault) const
    {
        return ReportDefinitionError(fileName, line, fault);
    }
};
