// The grouped grid as the layout store sees it: its layout by field name, its groups, and every
// row of its list for an export.
#include "gui/GroupedGridView.h"

#include "base/VarnexError.h"
#include "gui/GridLayoutView.h"

#include <QSqlError>

namespace {

GroupedGridModel &openModelOf(const QPointer<GroupedGridView> &grid)
{
    if (!grid || !grid->gridModel())
        throw VarnexError(QStringLiteral("The grid is no longer there."));
    if (!grid->gridModel()->isOpen())
        throw VarnexError(QStringLiteral("The grid's list is not open."));
    return *grid->gridModel();
}

// Every row of the grid's list, group by group in the grid's order, read one row at a time.
class GroupedGridExportSource : public IGridExportSource
{
public:
    explicit GroupedGridExportSource(GroupedGridView *grid)
    {
        GroupedGridModel &model = openModelOf(grid);
        QStringList read;
        if (!model.groupColumn().isEmpty()) {
            const int logical = model.columnIndex(model.groupColumn());
            m_groupCaptions << model.headerData(logical, Qt::Horizontal).toString();
            read << model.groupColumn();
        }
        // The columns the user sees, each under its caption; a swatch the grid paints has no
        // value a reader of the file could use.
        QHash<QString, GridColumnDef> defs;
        for (const GridColumnDef &c : grid->columns())
            defs.insert(c.field.toCaseFolded(), c);
        for (const GridLayoutColumn &c : grid->layout().columns) {
            const int logical = model.columnIndex(c.field);
            const GridColumnDef def = defs.value(c.field.toCaseFolded());
            if (!c.visible || logical < 0 || !def.exported)
                continue;
            const FieldDef &field = model.field(logical);
            m_columns.append({def.caption.isEmpty() ? def.field : def.caption, field.type, field.scale, c.width});
            read << c.field;
        }
        m_count = model.totalCount();
        m_rows = model.queryColumns(read);
    }
    QList<GridExportColumn> Columns() const override { return m_columns; }
    QStringList GroupCaptions() const override { return m_groupCaptions; }
    qint64 RecordCountHint() const override { return m_count; }
    bool NextRecord(QVariantList &groupValues, QVariantList &cells) override
    {
        if (!m_rows.next()) {
            if (m_rows.lastError().isValid())
                throw VarnexError(QStringLiteral("The list could not be read: %1").arg(m_rows.lastError().text()));
            return false;
        }
        groupValues.clear();
        cells.clear();
        const int groups = int(m_groupCaptions.size());
        for (int i = 0; i < groups; ++i)
            groupValues.append(m_rows.isNull(i) ? QVariant() : m_rows.value(i));
        for (int i = 0; i < m_columns.size(); ++i)
            cells.append(m_rows.isNull(groups + i) ? QVariant() : m_rows.value(groups + i));
        return true;
    }

private:
    QList<GridExportColumn> m_columns;
    QStringList m_groupCaptions;
    qint64 m_count = -1;
    QSqlQuery m_rows;
};

} // namespace

GroupedGridLayoutView::GroupedGridLayoutView(QWidget *form, GroupedGridView *grid, const QString &viewName)
    : m_form(form), m_grid(grid), m_viewName(viewName)
{
}

QString GroupedGridLayoutView::FormName() const
{
    return DataGridLayoutView::ComponentName(m_form);
}

QStringList GroupedGridLayoutView::LayoutFields() const
{
    QStringList fields;
    if (m_grid)
        for (const GridColumnDef &c : m_grid->columns())
            fields << c.field;
    return fields;
}

GridViewLayout GroupedGridLayoutView::CurrentLayout() const
{
    return m_grid ? m_grid->layout() : GridViewLayout();
}

void GroupedGridLayoutView::ApplyLayout(const GridViewLayout &layout)
{
    if (!m_grid)
        throw VarnexError(QStringLiteral("The grid is no longer there."));
    m_grid->applyLayout(layout);
}

void GroupedGridLayoutView::ExpandGroups()
{
    if (m_grid)
        m_grid->expandGroups();
}

void GroupedGridLayoutView::CollapseGroups()
{
    if (m_grid)
        m_grid->collapseGroups();
}

std::unique_ptr<IGridExportSource> GroupedGridLayoutView::ExportSource()
{
    return std::make_unique<GroupedGridExportSource>(m_grid);
}
