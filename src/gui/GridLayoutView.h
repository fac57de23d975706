#pragma once

#include "gui/DataGridView.h"
#include "layouts/GridViewLayout.h"

#include <QPointer>

class TGridViewStorageDm;

// Runs an operation of the grid layout store (GridViewStorageDm) on a view under an hourglass, as
// a form's grid menu does; nothing before the program has made the store.
void RunGridLayoutOperation(void (TGridViewStorageDm::*operation)(IGridLayoutView &), IGridLayoutView &view);

// A DataGridView as the grid layout store sees it: its columns' order, widths and visibility, the
// list's order and filter, kept and restored by field name, and every record of the list for an
// export. The grid has no grouping and no summaries: a layout's groups and summaries are left
// aside, and expanding or collapsing groups does nothing.
class DataGridLayoutView : public IGridLayoutView
{
public:
    // form: the form that holds the grid (its component name names the layouts); viewName: the
    // grid's name among the form's views.
    DataGridLayoutView(QWidget *form, DataGridView *grid, const QString &viewName);

    QObject *ViewObject() const override { return m_grid; }
    QString FormName() const override;
    QString ViewName() const override { return m_viewName; }
    QStringList LayoutFields() const override;
    GridViewLayout CurrentLayout() const override;
    void ApplyLayout(const GridViewLayout &layout) override;
    void ExpandGroups() override {}
    void CollapseGroups() override {}
    std::unique_ptr<IGridExportSource> ExportSource() override;

    // The component name of a form: its key when it was opened by key, otherwise the name of its
    // class without the leading T ("PremisesDetailMaintV5Frm").
    static QString ComponentName(const QObject *form);

private:
    QPointer<QWidget> m_form;
    QPointer<DataGridView> m_grid;
    QString m_viewName;
};
