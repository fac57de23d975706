#include "gui/GridLayoutView.h"

#include "base/VarnexError.h"
#include "layouts/GridViewStorage_DM.h"

#include <QApplication>
#include <QHeaderView>

namespace {

GridModel &modelOf(const QPointer<DataGridView> &grid)
{
    if (!grid || !grid->gridModel())
        throw VarnexError(QStringLiteral("The grid is no longer there."));
    return *grid->gridModel();
}

// Every record of the grid's list, in its order and with its filter, for an export.
class DataGridExportSource : public IGridExportSource
{
public:
    explicit DataGridExportSource(DataGridView *grid) : m_grid(grid)
    {
        GridModel &model = modelOf(m_grid);
        for (const GridColumnState &s : grid->columnStates()) {
            if (!s.visible)
                continue;
            const int logical = model.columnIndex(s.field);
            const FieldDef &field = model.field(logical);
            m_logical.append(logical);
            m_columns.append({model.headerData(logical, Qt::Horizontal).toString(), field.type, field.scale, s.width});
        }
    }
    QList<GridExportColumn> Columns() const override { return m_columns; }
    QStringList GroupCaptions() const override { return {}; }
    qint64 RecordCountHint() const override { return modelOf(m_grid).totalCount(); }
    bool NextRecord(QVariantList &groupValues, QVariantList &cells) override
    {
        GridModel &model = modelOf(m_grid);
        if (m_row == 0)
            model.fetchAll();
        if (m_row >= model.rowCount())
            return false;
        groupValues.clear();
        cells.clear();
        for (int logical : std::as_const(m_logical))
            cells.append(model.value(m_row, logical));
        ++m_row;
        return true;
    }

private:
    QPointer<DataGridView> m_grid;
    QList<GridExportColumn> m_columns;
    QList<int> m_logical;
    int m_row = 0;
};

} // namespace

void RunGridLayoutOperation(void (TGridViewStorageDm::*operation)(IGridLayoutView &), IGridLayoutView &view)
{
    if (!GridViewStorageDm)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    (GridViewStorageDm->*operation)(view);
}

DataGridLayoutView::DataGridLayoutView(QWidget *form, DataGridView *grid, const QString &viewName)
    : m_form(form), m_grid(grid), m_viewName(viewName)
{
}

QString DataGridLayoutView::ComponentName(const QObject *form)
{
    if (!form)
        return {};
    if (!form->objectName().isEmpty())
        return form->objectName();
    QString name = QString::fromLatin1(form->metaObject()->className());
    if (name.startsWith(QLatin1Char('T')))
        name.remove(0, 1);
    return name;
}

QString DataGridLayoutView::FormName() const
{
    return ComponentName(m_form);
}

QStringList DataGridLayoutView::LayoutFields() const
{
    QStringList fields;
    if (m_grid)
        for (const GridColumn &c : m_grid->columns())
            fields << c.field;
    return fields;
}

GridViewLayout DataGridLayoutView::CurrentLayout() const
{
    GridViewLayout layout;
    if (!m_grid)
        return layout;
    for (const GridColumnState &s : m_grid->columnStates())
        layout.columns.append({s.field, s.visible, s.width});
    if (const GridModel *model = m_grid->gridModel()) {
        layout.sort = model->sortKeys();
        layout.filter = model->filter();
    }
    return layout;
}

void DataGridLayoutView::ApplyLayout(const GridViewLayout &layout)
{
    GridModel &model = modelOf(m_grid);
    // The list's order and filter first: when the list cannot be read that way, it goes back to
    // what it was and the columns stay as they are.
    const QList<GridSortKey> sort = model.sortKeys();
    const QList<GridCondition> filter = model.filter();
    try {
        model.setFilter(layout.filter);
        model.setSort(layout.sort);
    } catch (const VarnexError &) {
        try {
            model.setFilter(filter);
            model.setSort(sort);
        } catch (const VarnexError &) {
        }
        throw;
    }
    QHeaderView *header = m_grid->horizontalHeader();
    const int sorted = layout.sort.isEmpty() ? -1 : model.columnIndex(layout.sort.first().column);
    header->setSortIndicatorShown(sorted >= 0);
    if (sorted >= 0)
        header->setSortIndicator(sorted, layout.sort.first().order);
    QList<GridColumnState> states;
    for (const GridLayoutColumn &c : layout.columns)
        states.append({c.field, c.visible, c.width});
    m_grid->setColumnStates(states);
}

std::unique_ptr<IGridExportSource> DataGridLayoutView::ExportSource()
{
    modelOf(m_grid);
    return std::make_unique<DataGridExportSource>(m_grid);
}
