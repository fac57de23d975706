#pragma once

#include "data/GroupedGridModel.h"
#include "layouts/GridViewLayout.h"

#include <QFrame>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QVariant>

#include <functional>

class QLabel;
class QStyledItemDelegate;

// One column a grouped grid can show.
struct GridColumnDef
{
    enum Kind { Text, Check, Custom };

    QString field;
    QString caption;
    Kind kind = Text;
    bool visible = true;      // shown when the grid is first laid out
    bool customisable = true; // the user may show or hide it
    bool sortable = true;     // a click on its header sorts the list by it
    int width = 0;            // 0: from the caption and the column's size
    bool exported = true;     // written to a saved copy of the grid; not what the grid paints (a swatch)
    QString checkedValue = QStringLiteral("T"); // Check: the value shown ticked
};

// The selected rows of a grouped grid: either the rows picked one by one (in the order they were
// picked), or every row of the list but some. A row can be picked only once it is read; "every row"
// needs none read.
struct GridSelection
{
    bool all = false;
    QVariantList picked;   // !all: the keys, in the order picked
    QVariantList excepted; // all: the keys taken out again
    bool isEmpty() const { return !all && picked.isEmpty(); }
    bool contains(const QVariant &key) const;
};

// A read-only grid over a GroupedGridModel: group rows (spanning the grid, with the group's value
// and count) that the user expands and collapses, the rows of each group under it.
// - Each group's rows are read as the grid shows them: the rows of the groups on screen and half
//   a screen below, a page at a time, so a group scrolled past or collapsed reads nothing more.
// - Several rows can be selected (click, Ctrl+click, Shift+click, Shift+arrows); selectAll() selects
//   every row of the list without reading any (selection()).
// - A click on a sortable column's header sorts the rows within the groups by it.
// - The user shows and hides the customisable columns from the header's context menu.
// - The current row is kept by key when the list is read again, and the grid stays where the user
//   scrolled it sideways.
// - Home and End (with Ctrl or without) go to the first and the last row of the list in one step,
//   reading the last group from its end; the rows above are read as the user scrolls up to them.
class GroupedGridView : public QTreeView
{
    Q_OBJECT
public:
    explicit GroupedGridView(QWidget *parent = nullptr);

    void setGridModel(GroupedGridModel *model);
    GroupedGridModel *gridModel() const { return m_model; }

    // The columns the grid can show, in their first order. Columns of the list not given are never
    // shown. A Custom column takes its delegate from setColumnDelegate.
    void setColumns(const QList<GridColumnDef> &columns);
    const QList<GridColumnDef> &columns() const { return m_columns; }
    void setColumnDelegate(const QString &field, QStyledItemDelegate *delegate);
    // Shows or hides a column (a rule of the form, not the user's choice); false for an unknown one.
    bool setColumnVisible(const QString &field, bool visible);
    bool isColumnShown(const QString &field) const;

    // How the user arranged the grid, in the one form the layout store keeps: every column in
    // the order shown with its width and visibility, the grouping and the order within groups.
    // The filter belongs to the form that opened the list and is not part of it.
    GridViewLayout layout() const;
    // Takes a layout of this grid: the columns it names in its order (columns it does not name
    // keep their place at the end), its order within groups. The grouping is the form's and stays.
    void applyLayout(const GridViewLayout &layout);

    // The current row's key; invalid on a group row or without a current row.
    QVariant currentKey() const;
    // Makes the row of the key current (reading its group up to it); false when it is not listed.
    bool selectKey(const QVariant &key);
    // Makes the list's first row current and the only one selected.
    void selectFirstRow();
    // Reads the list again, keeping the current row (reading its group up to it wherever the list
    // now places it), the selection and the horizontal position. Throws VarnexError as the
    // model's refresh does.
    void refresh();
    // Rows are shown in the visible columns only: a hidden column's cell has no place on screen,
    // so scrolling to it moves the grid up or down alone.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

    GridSelection selection() const { return m_selection; }
    void selectAll() override;
    void clearSelectedRows();

    void expandGroups();
    void collapseGroups();

signals:
    // The current row moved to another key (an invalid key: no current row).
    void currentKeyChanged(const QVariant &key);
    // A row was double-clicked.
    void rowActivated(const QVariant &key);
    // The user arranged the grid (columns shown, moved, resized; another order).
    void layoutChanged();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index, const QEvent *event) const override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void applyColumns();
    void groupsInserted(const QModelIndex &parent, int first, int last);
    void rowsRead(const QModelIndex &parent, int first, int last);
    void scheduleFetch();
    void fetchVisible();
    // Reads a page above the group's rows read, keeping the rows on screen where they are.
    void readAbove(int group);
    // The first column shown, in the order shown; -1 when none is.
    int firstShownColumn() const;
    QModelIndex inShownColumn(const QModelIndex &index) const;
    QModelIndex toGroupEdge(bool end);
    void leaveCollapsedRow();
    void rememberCurrent();
    void restoreCurrent();
    void reselectRead();
    void selectRows(const QModelIndex &parent, int first, int last);
    void leaveAll();
    void commandDone();
    void headerClicked(int section);
    void headerMenu(const QPoint &pos);
    void announce();
    QString keyText(const QVariant &key) const { return key.toString(); }

    QPointer<GroupedGridModel> m_model;
    QList<GridColumnDef> m_columns;
    QHash<QString, QStyledItemDelegate *> m_delegates; // case-folded field
    GridSelection m_selection;
    QSet<QString> m_pickedSet;
    QSet<QString> m_exceptedSet;
    // Group values the user collapsed; every other group is shown expanded.
    QList<QVariant> m_collapsed;
    bool m_syncing = false;
    mutable bool m_clearing = false;
    QVariant m_keyBeforeReread;
    int m_scrolledSideways = 0; // the horizontal position before the list was read again
    QVariant m_announcedKey;
    bool m_announced = false;
    QTimer m_fetchTimer;
};

// A grouped grid as the grid layout store sees it: its layout kept and restored by field name,
// its groups expanded and collapsed, and every row of its list, group by group, for an export.
class GroupedGridLayoutView : public IGridLayoutView
{
public:
    // form: the form that holds the grid (its component name names the layouts); viewName: the
    // grid's name among the form's views.
    GroupedGridLayoutView(QWidget *form, GroupedGridView *grid, const QString &viewName);

    QObject *ViewObject() const override { return m_grid; }
    QString FormName() const override;
    QString ViewName() const override { return m_viewName; }
    QStringList LayoutFields() const override;
    GridViewLayout CurrentLayout() const override;
    void ApplyLayout(const GridViewLayout &layout) override;
    void ExpandGroups() override;
    void CollapseGroups() override;
    std::unique_ptr<IGridExportSource> ExportSource() override;

private:
    QPointer<QWidget> m_form;
    QPointer<GroupedGridView> m_grid;
    QString m_viewName;
};

// The strip under a grid that shows a summary ("Samples: 12") under one of its columns.
class GridFooter : public QFrame
{
    Q_OBJECT
public:
    explicit GridFooter(QTreeView *grid, QWidget *parent = nullptr);
    // The text, under the column of the field (logical index of the grid's model).
    void setSummary(int column, const QString &text);
    QString text() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void place();

    QTreeView *m_grid;
    QLabel *m_label;
    int m_column = -1;
};
