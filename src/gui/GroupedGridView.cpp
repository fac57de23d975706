#include "gui/GroupedGridView.h"

#include "base/VarnexError.h"
#include "gui/DataGridView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int MaxColumnWidth = 320;

} // namespace

bool GridSelection::contains(const QVariant &key) const
{
    return all ? !excepted.contains(key) : picked.contains(key);
}

GroupedGridView::GroupedGridView(QWidget *parent) : QTreeView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setIndentation(16);
    setAnimated(false);
    setExpandsOnDoubleClick(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);

    QHeaderView *h = header();
    h->setSectionsMovable(true);
    h->setSectionsClickable(true);
    h->setStretchLastSection(false);
    h->setHighlightSections(false);
    h->setSortIndicatorShown(false);
    h->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(h, &QHeaderView::sectionClicked, this, &GroupedGridView::headerClicked);
    connect(h, &QWidget::customContextMenuRequested, this, &GroupedGridView::headerMenu);
    connect(h, &QHeaderView::sectionMoved, this, [this]() { emit layoutChanged(); });
    connect(h, &QHeaderView::sectionResized, this, [this]() { emit layoutChanged(); });

    m_fetchTimer.setSingleShot(true);
    m_fetchTimer.setInterval(0);
    connect(&m_fetchTimer, &QTimer::timeout, this, &GroupedGridView::fetchVisible);

    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (!m_model || !m_model->isGroupRow(index))
            return;
        const QVariant value = m_model->groupValue(index.row());
        for (qsizetype i = 0; i < m_collapsed.size(); ++i) {
            if (m_collapsed.at(i).isValid() == value.isValid() && m_collapsed.at(i) == value) {
                m_collapsed.removeAt(i);
                break;
            }
        }
        scheduleFetch();
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        if (!m_model || !m_model->isGroupRow(index))
            return;
        m_collapsed.append(m_model->groupValue(index.row()));
        leaveCollapsedRow();
    });
}

// A row hidden in a collapsed group is no longer the current one: what acts on the current row
// must not act on a sample the user cannot see. The group row takes its place.
void GroupedGridView::leaveCollapsedRow()
{
    const QModelIndex current = currentIndex();
    if (!m_model || !current.parent().isValid() || isExpanded(current.parent().siblingAtColumn(0)))
        return;
    // The selection stays as the user made it.
    selectionModel()->setCurrentIndex(current.parent().siblingAtColumn(current.column()), QItemSelectionModel::NoUpdate);
}

void GroupedGridView::setGridModel(GroupedGridModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
        if (parent.isValid())
            rowsRead(parent, first, last);
        else
            groupsInserted(parent, first, last);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this]() {
        // After every opening every group is shown expanded.
        m_collapsed.clear();
        applyColumns();
        scheduleFetch();
    });
    connect(model, &GroupedGridModel::aboutToReread, this, &GroupedGridView::rememberCurrent);
    connect(model, &GroupedGridModel::reread, this, [this]() {
        m_syncing = false;
        reselectRead();
        restoreCurrent();
        scheduleFetch();
    });
    connect(model, &GroupedGridModel::countsChanged, this, &GroupedGridView::scheduleFetch);
    connect(model, &QAbstractItemModel::rowsMoved, this, &GroupedGridView::scheduleFetch);
    applyColumns();
}

// ---------------------------------------------------------------------------------------------
// Columns

void GroupedGridView::setColumns(const QList<GridColumnDef> &columns)
{
    m_columns = columns;
    applyColumns();
}

void GroupedGridView::setColumnDelegate(const QString &field, QStyledItemDelegate *delegate)
{
    delegate->setParent(this);
    m_delegates.insert(field.toCaseFolded(), delegate);
    applyColumns();
}

void GroupedGridView::applyColumns()
{
    if (!m_model || m_model->columnCount() == 0)
        return;
    const bool wasSyncing = m_syncing;
    QHeaderView *h = header();
    const QSignalBlocker quiet(h);
    const int count = m_model->columnCount();
    for (int i = 0; i < count; ++i) {
        setColumnHidden(i, true);
        setItemDelegateForColumn(i, nullptr);
    }
    int position = 0;
    int first = -1;
    for (GridColumnDef &c : m_columns) {
        const int logical = m_model->columnIndex(c.field);
        if (logical < 0)
            continue;
        m_model->setHeaderCaption(c.field, c.caption);
        h->moveSection(h->visualIndex(logical), position++);
        setColumnHidden(logical, !c.visible);
        if (c.visible && first < 0)
            first = logical;
        if (c.kind == GridColumnDef::Check)
            setItemDelegateForColumn(logical, new CheckColumnDelegate(c.checkedValue, this));
        else if (QStyledItemDelegate *d = m_delegates.value(c.field.toCaseFolded()))
            setItemDelegateForColumn(logical, d);
        if (c.width <= 0) {
            // From the caption and the column's size, within reason.
            const int chars = qBound(4, m_model->field(logical).size, 16);
            c.width = qMin(MaxColumnWidth, qMax(fontMetrics().horizontalAdvance(c.caption) + 28,
                                                fontMetrics().averageCharWidth() * chars + 14));
        }
        h->resizeSection(logical, c.width);
    }
    // The expanders go into the first column shown.
    if (first >= 0)
        setTreePosition(first);
    m_syncing = wasSyncing;
}

bool GroupedGridView::setColumnVisible(const QString &field, bool visible)
{
    for (GridColumnDef &c : m_columns) {
        if (c.field.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        c.visible = visible;
        if (m_model) {
            const int logical = m_model->columnIndex(c.field);
            if (logical >= 0)
                setColumnHidden(logical, !visible);
        }
        return true;
    }
    return false;
}

bool GroupedGridView::isColumnShown(const QString &field) const
{
    for (const GridColumnDef &c : m_columns) {
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return c.visible;
    }
    return false;
}

GridViewLayout GroupedGridView::layout() const
{
    GridViewLayout l;
    QList<std::pair<int, GridLayoutColumn>> placed;
    for (const GridColumnDef &c : m_columns) {
        GridLayoutColumn column{c.field, c.visible, c.width};
        int visual = int(placed.size()) + 100000;
        if (m_model) {
            const int logical = m_model->columnIndex(c.field);
            if (logical >= 0) {
                visual = header()->visualIndex(logical);
                if (header()->sectionSize(logical) > 0)
                    column.width = header()->sectionSize(logical);
            }
        }
        placed.append({visual, column});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &p : placed)
        l.columns.append(p.second);
    if (m_model) {
        if (!m_model->groupColumn().isEmpty())
            l.groups = QStringList{m_model->groupColumn()};
        l.sort = m_model->sortKeys();
    }
    return l;
}

void GroupedGridView::applyLayout(const GridViewLayout &layout)
{
    // The order first: when the list cannot be read that way it stays as it was, and so do the
    // columns.
    if (m_model && !layout.sort.isEmpty())
        m_model->setSort(layout.sort);
    QList<GridColumnDef> ordered;
    QList<GridColumnDef> rest = m_columns;
    for (const GridLayoutColumn &lc : layout.columns) {
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (rest.at(i).field.compare(lc.field, Qt::CaseInsensitive) != 0)
                continue;
            GridColumnDef c = rest.takeAt(i);
            // A column the user cannot show or hide keeps what the form gave it.
            if (c.customisable)
                c.visible = lc.visible;
            if (lc.width > 0)
                c.width = lc.width;
            ordered.append(c);
            break;
        }
    }
    // Columns the layout does not know keep their place at the end.
    ordered += rest;
    m_columns = ordered;
    applyColumns();
    if (m_model && !layout.sort.isEmpty()) {
        const int sorted = m_model->columnIndex(layout.sort.first().column);
        header()->setSortIndicatorShown(sorted >= 0);
        if (sorted >= 0)
            header()->setSortIndicator(sorted, layout.sort.first().order);
    }
    emit layoutChanged();
}

// ---------------------------------------------------------------------------------------------
// Groups and reading

// A group row spans the grid whatever the order of its columns: its expander where the tree's
// column begins (where a click on it is taken), then its text.
void GroupedGridView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_model || !m_model->isGroupRow(index)) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    const QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
    painter->save();
    painter->fillRect(row, palette().color(QPalette::Button));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(row.bottomLeft(), row.bottomRight());
    const int x = treePosition() >= 0 ? columnViewportPosition(treePosition()) : 0;
    QStyleOption branch;
    branch.initFrom(this);
    branch.rect = QRect(x, row.top(), indentation(), row.height());
    branch.state = QStyle::State_Item | QStyle::State_Children;
    if (isExpanded(index.siblingAtColumn(0)))
        branch.state |= QStyle::State_Open;
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, painter, this);
    QFont bold = font();
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(palette().color(QPalette::ButtonText));
    const QRect text = row.adjusted(qMax(0, x) + indentation() + 4, 0, -4, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(bold).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    if (hasFocus() && currentIndex().isValid() && currentIndex().row() == index.row() && !currentIndex().parent().isValid()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = row.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
    painter->restore();
}

void GroupedGridView::groupsInserted(const QModelIndex &, int first, int last)
{
    for (int g = first; g <= last; ++g) {
        const QVariant value = m_model->groupValue(g);
        bool collapsedByUser = false;
        for (const QVariant &c : std::as_const(m_collapsed))
            collapsedByUser = collapsedByUser || (c.isValid() == value.isValid() && c == value);
        if (!collapsedByUser)
            expand(m_model->groupIndex(g));
    }
    scheduleFetch();
}

void GroupedGridView::rowsRead(const QModelIndex &parent, int first, int last)
{
    selectRows(parent, first, last);
    scheduleFetch();
}

void GroupedGridView::scheduleFetch()
{
    if (!m_fetchTimer.isActive())
        m_fetchTimer.start();
}

void GroupedGridView::fetchVisible()
{
    if (!m_model || !m_model->isOpen() || m_model->rowCount() == 0)
        return;
    // What is on screen and half a screen below it.
    const int bottom = viewport()->height() * 3 / 2;
    // Rows are placed by a column that is shown: a hidden one has no place on screen.
    int shown = columnAt(0);
    if (shown < 0)
        shown = qMax(0, firstShownColumn());
    QModelIndex i = indexAt(QPoint(1, 1));
    if (!i.isValid())
        i = m_model->index(0, shown);
    for (int guard = 0; i.isValid() && guard < 5000; i = indexBelow(i), ++guard) {
        const QRect rect = visualRect(i.siblingAtColumn(shown));
        if (rect.top() > bottom)
            break;
        const int g = m_model->groupOf(i);
        // Expansion is kept for a row's first column.
        const bool groupRow = m_model->isGroupRow(i);
        const bool expanded = groupRow && isExpanded(i.siblingAtColumn(0));
        // A group read from further down has rows above those read.
        if ((expanded || (!groupRow && i.row() == 0)) && m_model->canFetchGroupBefore(g)) {
            readAbove(g);
            scheduleFetch();
            return;
        }
        const bool wanted = groupRow ? expanded && m_model->rowsRead(g) == 0 : i.row() == m_model->rowsRead(g) - 1;
        if (wanted && m_model->canFetchGroup(g)) {
            m_model->fetchGroup(g);
            // The rows read may leave more to read on screen.
            scheduleFetch();
            return;
        }
    }
}

void GroupedGridView::readAbove(int group)
{
    const int before = m_model->rowsRead(group);
    const int value = verticalScrollBar()->value();
    m_model->fetchGroupBefore(group);
    const int added = m_model->rowsRead(group) - before;
    if (added <= 0)
        return;
    // The rows read go in above those shown, which stay where they are on the screen.
    executeDelayedItemsLayout();
    updateGeometries();
    const QModelIndex first = m_model->index(0, qMax(0, firstShownColumn()), m_model->groupIndex(group));
    const int step = verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : qMax(1, rowHeight(first));
    verticalScrollBar()->setValue(value + added * step);
}

int GroupedGridView::firstShownColumn() const
{
    const QHeaderView *h = header();
    for (int visual = 0; visual < h->count(); ++visual) {
        const int logical = h->logicalIndex(visual);
        if (!h->isSectionHidden(logical))
            return logical;
    }
    return -1;
}

QModelIndex GroupedGridView::inShownColumn(const QModelIndex &index) const
{
    if (!index.isValid() || !isColumnHidden(index.column()))
        return index;
    const int shown = firstShownColumn();
    return shown >= 0 ? index.siblingAtColumn(shown) : index;
}

void GroupedGridView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || !isColumnHidden(index.column())) {
        QTreeView::scrollTo(index, hint);
        return;
    }
    // A hidden column sits at the far end of the header: going there would take the grid away
    // from the columns the user looks at.
    const int sideways = horizontalScrollBar()->value();
    QTreeView::scrollTo(inShownColumn(index), hint);
    horizontalScrollBar()->setValue(sideways);
}

void GroupedGridView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    scheduleFetch();
}

void GroupedGridView::scrollContentsBy(int dx, int dy)
{
    QTreeView::scrollContentsBy(dx, dy);
    // A group row's text stays at the left edge while the columns move under it: the pixels moved
    // sideways would carry an old copy of it beside the new one.
    if (dx != 0)
        viewport()->update();
    if (dy != 0)
        scheduleFetch();
}

void GroupedGridView::expandGroups()
{
    m_collapsed.clear();
    expandAll();
    scheduleFetch();
}

void GroupedGridView::collapseGroups()
{
    if (!m_model)
        return;
    m_collapsed.clear();
    for (int g = 0; g < m_model->groupCount(); ++g)
        m_collapsed.append(m_model->groupValue(g));
    collapseAll();
    leaveCollapsedRow();
}

// ---------------------------------------------------------------------------------------------
// The current row

QVariant GroupedGridView::currentKey() const
{
    return m_model ? m_model->keyOf(currentIndex()) : QVariant();
}

void GroupedGridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    announce();
}

void GroupedGridView::announce()
{
    const QVariant key = currentKey();
    if (m_announced && key.isValid() == m_announcedKey.isValid() && key == m_announcedKey)
        return;
    m_announced = true;
    m_announcedKey = key;
    emit currentKeyChanged(key);
}

void GroupedGridView::rememberCurrent()
{
    m_keyBeforeReread = currentKey();
    m_scrolledSideways = horizontalScrollBar()->value();
    m_syncing = true;
}

void GroupedGridView::restoreCurrent()
{
    const int column = inShownColumn(currentIndex()).isValid() ? inShownColumn(currentIndex()).column()
                                                                : qMax(0, firstShownColumn());
    QModelIndex at = m_model ? m_model->indexOfKey(m_keyBeforeReread, column) : QModelIndex();
    if (!at.isValid() && m_model) {
        // The row is gone: the first row of its group, or of the list.
        for (int g = 0; g < m_model->groupCount() && !at.isValid(); ++g) {
            if (m_model->rowsRead(g) > 0)
                at = m_model->index(0, column, m_model->groupIndex(g));
        }
    }
    if (at.isValid()) {
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        scrollTo(at);
    }
    // The grid stays where the user scrolled it sideways.
    updateGeometries();
    horizontalScrollBar()->setValue(m_scrolledSideways);
    announce();
}

void GroupedGridView::refresh()
{
    if (!m_model)
        return;
    const QVariant key = currentKey();
    const QModelIndex kept = m_model->refresh(key);
    // A row that moved further down than the rows read again (a local sample given its server
    // number) is found by the refresh only after the grid took another one for current.
    if (!kept.isValid() || currentKey() == key)
        return;
    const int sideways = horizontalScrollBar()->value();
    const QModelIndex at = inShownColumn(kept.siblingAtColumn(currentIndex().isValid() ? currentIndex().column() : 0));
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    scrollTo(at);
    horizontalScrollBar()->setValue(sideways);
    announce();
}

bool GroupedGridView::selectKey(const QVariant &key)
{
    if (!m_model)
        return false;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex at = inShownColumn(m_model->locateKey(key, column));
    if (!at.isValid())
        return false;
    setCurrentIndex(at);
    scrollTo(at, QAbstractItemView::PositionAtCenter);
    announce();
    return true;
}

void GroupedGridView::selectFirstRow()
{
    if (!m_model)
        return;
    for (int g = 0; g < m_model->groupCount(); ++g) {
        if (m_model->rowsRead(g) == 0)
            continue;
        const QModelIndex at = inShownColumn(m_model->index(0, treePosition() >= 0 ? treePosition() : 0, m_model->groupIndex(g)));
        setCurrentIndex(at);
        scrollTo(at);
        break;
    }
    announce();
}

void GroupedGridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    if (m_model && at.isValid() && !m_model->isGroupRow(at)) {
        emit rowActivated(m_model->keyOf(at));
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Selection

QItemSelectionModel::SelectionFlags GroupedGridView::selectionCommand(const QModelIndex &index, const QEvent *event) const
{
    const QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
    if (flags & QItemSelectionModel::Clear)
        m_clearing = true;
    return flags;
}

void GroupedGridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (m_syncing || !m_model)
        return;
    if (m_clearing && m_selection.all) {
        leaveAll();
        return;
    }
    m_clearing = false;
    const auto keysOf = [this](const QItemSelection &s) {
        QVariantList keys;
        for (const QItemSelectionRange &r : s) {
            for (int row = r.top(); row <= r.bottom(); ++row) {
                const QVariant key = m_model->keyOf(m_model->index(row, 0, r.parent()));
                if (key.isValid())
                    keys.append(key);
            }
        }
        return keys;
    };
    for (const QVariant &key : keysOf(deselected)) {
        const QString k = keyText(key);
        if (m_selection.all) {
            if (!m_exceptedSet.contains(k)) {
                m_exceptedSet.insert(k);
                m_selection.excepted.append(key);
            }
        } else if (m_pickedSet.remove(k)) {
            m_selection.picked.removeOne(key);
        }
    }
    for (const QVariant &key : keysOf(selected)) {
        const QString k = keyText(key);
        if (m_selection.all) {
            if (m_exceptedSet.remove(k))
                m_selection.excepted.removeOne(key);
        } else if (!m_pickedSet.contains(k)) {
            m_pickedSet.insert(k);
            m_selection.picked.append(key);
        }
    }
}

// "Every row" gives way to the rows the user picks now: a click or a move without Ctrl.
void GroupedGridView::leaveAll()
{
    m_clearing = false;
    m_selection = GridSelection();
    m_exceptedSet.clear();
    m_pickedSet.clear();
    for (const QModelIndex &i : selectionModel()->selectedRows()) {
        const QVariant key = m_model->keyOf(i);
        if (key.isValid() && !m_pickedSet.contains(keyText(key))) {
            m_pickedSet.insert(keyText(key));
            m_selection.picked.append(key);
        }
    }
}

// A command that clears the selection but changed nothing the model saw (the one row picked was
// selected already) still ends "every row".
void GroupedGridView::commandDone()
{
    if (m_clearing && m_selection.all && m_model)
        leaveAll();
    m_clearing = false;
}

void GroupedGridView::mousePressEvent(QMouseEvent *event)
{
    m_clearing = false;
    QTreeView::mousePressEvent(event);
    commandDone();
}

void GroupedGridView::keyPressEvent(QKeyEvent *event)
{
    m_clearing = false;
    QTreeView::keyPressEvent(event);
    commandDone();
}

QModelIndex GroupedGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (m_model && m_model->isOpen()) {
        try {
            if (cursorAction == MoveHome || cursorAction == MoveEnd) {
                const QModelIndex edge = toGroupEdge(cursorAction == MoveEnd);
                if (edge.isValid())
                    return edge;
            } else if (cursorAction == MoveUp || cursorAction == MovePageUp) {
                // The rows above those read come in before the cursor moves onto the group's row.
                const QModelIndex current = currentIndex();
                const int rows = cursorAction == MoveUp ? 1 : qMax(1, viewport()->height() / qMax(1, rowHeight(current)));
                if (current.parent().isValid() && current.row() < rows)
                    readAbove(m_model->groupOf(current));
            }
        } catch (const VarnexError &e) {
            emit m_model->loadFailed(e.message());
        }
    }
    return QTreeView::moveCursor(cursorAction, modifiers);
}

// The first row of the first group, or the last row of the last one, read when it is not; invalid
// when that group is collapsed (the tree's own move then takes its group row) or there is none.
QModelIndex GroupedGridView::toGroupEdge(bool end)
{
    const int group = end ? m_model->lastGroup() : (m_model->groupCount() > 0 ? 0 : -1);
    if (group < 0 || !isExpanded(m_model->groupIndex(group)))
        return QModelIndex();
    const int column = inShownColumn(currentIndex()).isValid() ? inShownColumn(currentIndex()).column()
                                                                : qMax(0, firstShownColumn());
    return end ? m_model->toGroupEnd(group, column) : m_model->toGroupStart(group, column);
}

void GroupedGridView::selectAll()
{
    if (!m_model)
        return;
    m_selection = GridSelection();
    m_selection.all = true;
    m_pickedSet.clear();
    m_exceptedSet.clear();
    reselectRead();
}

void GroupedGridView::clearSelectedRows()
{
    m_selection = GridSelection();
    m_pickedSet.clear();
    m_exceptedSet.clear();
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    if (selectionModel())
        selectionModel()->clearSelection();
    m_syncing = wasSyncing;
}

void GroupedGridView::reselectRead()
{
    if (!m_model || !selectionModel())
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    selectionModel()->clearSelection();
    m_syncing = wasSyncing;
    for (int g = 0; g < m_model->groupCount(); ++g) {
        if (m_model->rowsRead(g) > 0)
            selectRows(m_model->groupIndex(g), 0, m_model->rowsRead(g) - 1);
    }
}

// The rows read that the selection holds are shown selected.
void GroupedGridView::selectRows(const QModelIndex &parent, int first, int last)
{
    if (!selectionModel() || m_selection.isEmpty())
        return;
    QItemSelection rows;
    int start = -1;
    const auto flush = [&](int end) {
        if (start >= 0)
            rows.select(m_model->index(start, 0, parent), m_model->index(end, 0, parent));
        start = -1;
    };
    for (int r = first; r <= last; ++r) {
        const QString k = keyText(m_model->keyOf(m_model->index(r, 0, parent)));
        const bool in = m_selection.all ? !m_exceptedSet.contains(k) : m_pickedSet.contains(k);
        if (in && start < 0)
            start = r;
        else if (!in)
            flush(r - 1);
    }
    flush(last);
    if (rows.isEmpty())
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    selectionModel()->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_syncing = wasSyncing;
}

// ---------------------------------------------------------------------------------------------
// Header

void GroupedGridView::headerClicked(int section)
{
    if (!m_model || !m_model->isOpen())
        return;
    const QString field = m_model->columnName(section);
    bool sortable = false;
    for (const GridColumnDef &c : std::as_const(m_columns))
        sortable = sortable || (c.sortable && c.field.compare(field, Qt::CaseInsensitive) == 0);
    if (!sortable)
        return;
    QHeaderView *h = header();
    Qt::SortOrder order = Qt::AscendingOrder;
    if (h->isSortIndicatorShown() && h->sortIndicatorSection() == section)
        order = h->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    bool failed = false;
    const auto connection = connect(m_model, &GroupedGridModel::loadFailed, this, [&failed]() { failed = true; });
    m_model->sort(section, order);
    disconnect(connection);
    // A column the list cannot be sorted by keeps the order it had.
    if (failed)
        return;
    h->setSortIndicatorShown(true);
    h->setSortIndicator(section, order);
    emit layoutChanged();
}

void GroupedGridView::headerMenu(const QPoint &pos)
{
    if (!m_model)
        return;
    QMenu menu(this);
    for (const GridColumnDef &c : std::as_const(m_columns)) {
        if (!c.customisable || m_model->columnIndex(c.field) < 0)
            continue;
        QAction *a = menu.addAction(c.caption.isEmpty() ? c.field : c.caption);
        a->setCheckable(true);
        a->setChecked(c.visible);
        const QString field = c.field;
        connect(a, &QAction::toggled, this, [this, field](bool on) {
            setColumnVisible(field, on);
            emit layoutChanged();
        });
    }
    menu.exec(header()->viewport()->mapToGlobal(pos));
}

// ---------------------------------------------------------------------------------------------
// Footer

GridFooter::GridFooter(QTreeView *grid, QWidget *parent) : QFrame(parent), m_grid(grid)
{
    setObjectName(QStringLiteral("GridFooter"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblSummary"));
    QFont bold = m_label->font();
    bold.setBold(true);
    m_label->setFont(bold);
    setMinimumHeight(m_label->sizeHint().height() + 8);
    QHeaderView *h = grid->header();
    connect(h, &QHeaderView::sectionResized, this, &GridFooter::place);
    connect(h, &QHeaderView::sectionMoved, this, &GridFooter::place);
    connect(h, &QHeaderView::geometriesChanged, this, &GridFooter::place);
    connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &GridFooter::place);
}

void GridFooter::setSummary(int column, const QString &text)
{
    m_column = column;
    m_label->setText(text);
    m_label->adjustSize();
    place();
}

QString GridFooter::text() const
{
    return m_label->text();
}

void GridFooter::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    place();
}

void GridFooter::place()
{
    int x = 4;
    if (m_column >= 0 && !m_grid->isColumnHidden(m_column)) {
        const int at = m_grid->header()->sectionViewportPosition(m_column);
        const QPoint origin = m_grid->viewport()->mapTo(window(), QPoint(at, 0));
        x = mapFrom(window(), origin).x() + 4;
    }
    m_label->move(qBound(4, x, qMax(4, width() - m_label->width() - 4)), (height() - m_label->height()) / 2);
}
