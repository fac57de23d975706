#pragma once

// A grid view's arrangement as the user keeps it under a name, and what a view offers so that it
// can be kept, chosen again, grouped and exported. Free of widgets: the views themselves (the
// maintenance grid, the sample browsers) implement IGridLayoutView.

#include "data/DataTable.h"
#include "data/GridModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

class QObject;

// One column of a view: its list field, whether it is shown, and its width in pixels (0: the
// view's own).
struct GridLayoutColumn
{
    QString field;
    bool visible = true;
    int width = 0;

    friend bool operator==(const GridLayoutColumn &, const GridLayoutColumn &) = default;
};

// A summary under a column (a footer): the count, sum, minimum, maximum or average of a field,
// shown after a caption ("Samples: ").
struct GridLayoutSummary
{
    enum Kind { Count, Sum, Min, Max, Average };
    QString field;
    Kind kind = Count;
    QString caption;

    friend bool operator==(const GridLayoutSummary &, const GridLayoutSummary &) = default;
};

// The arrangement of a grid view, by field name: the columns in display order with their widths
// and visibility, the order of the rows, the grouping (outermost group first), the filter and the
// summaries. It is kept in SYS_GRID_VIEW.VIEW_SETTINGS as a small versioned document of our own
// (UTF-8 JSON, "format": "varnex-grid-layout", "version": 1).
struct GridViewLayout
{
    static constexpr int FormatVersion = 1;
    static QString FormatName() { return QStringLiteral("varnex-grid-layout"); }

    QList<GridLayoutColumn> columns;
    QList<GridSortKey> sort;
    QStringList groups;
    QList<GridCondition> filter;
    QList<GridLayoutSummary> summaries;

    QByteArray toBytes() const;
    // Reads a kept layout. Throws VarnexError naming what is wrong for bytes that are not one: not
    // JSON, another format, a later version, a member of the wrong kind.
    static GridViewLayout fromBytes(const QByteArray &bytes);

    // The layout as a view with these fields can take it: what the layout names and the view lacks
    // is left out (columns, order, groups, filter and summaries alike), a field of the view that
    // the layout does not name is added, hidden, after the others. Names match without regard to
    // letter case and take the view's spelling.
    GridViewLayout fittedTo(const QStringList &viewFields) const;

    friend bool operator==(const GridViewLayout &a, const GridViewLayout &b);
};

// One column of an export: its caption, the type of its values and its width in pixels.
struct GridExportColumn
{
    QString caption;
    FieldType type = FieldType::String;
    int scale = 0;
    int widthPixels = 0;
};

// The records of a view as an export reads them: every record (not only the rows shown), one at
// a time, in the view's order, grouped as the view groups them.
class IGridExportSource
{
public:
    virtual ~IGridExportSource() = default;
    // The shown columns, in display order.
    virtual QList<GridExportColumn> Columns() const = 0;
    // The caption of each group level, outermost first; empty when the view is not grouped.
    virtual QStringList GroupCaptions() const = 0;
    // How many records there are, when known before they are read; -1 otherwise.
    virtual qint64 RecordCountHint() const { return -1; }
    // The next record: one value per group level and one per column (NULL: an invalid or null
    // QVariant). False after the last. Throws VarnexError when a record cannot be read.
    virtual bool NextRecord(QVariantList &groupValues, QVariantList &cells) = 0;
};

// A grid view that layouts can be kept for, restored to, grouped and exported: the seam between
// the layout store and the views of the forms.
class IGridLayoutView
{
public:
    virtual ~IGridLayoutView() = default;
    // The view's object; a chooser opened for the view follows the form that holds it.
    virtual QObject *ViewObject() const = 0;
    // The component names layouts are kept under: the form that holds the view (its key when it
    // was opened by key) and the view.
    virtual QString FormName() const = 0;
    virtual QString ViewName() const = 0;
    // Every field the view can show, shown or not.
    virtual QStringList LayoutFields() const = 0;
    virtual GridViewLayout CurrentLayout() const = 0;
    // Takes a layout fitted to LayoutFields(). Throws VarnexError (the view unchanged) when it
    // cannot be applied.
    virtual void ApplyLayout(const GridViewLayout &layout) = 0;
    virtual void ExpandGroups() = 0;
    virtual void CollapseGroups() = 0;
    // The records for an export, read when the export asks for them.
    virtual std::unique_ptr<IGridExportSource> ExportSource() = 0;
};
