#include "gui/DataGridView.h"

#include "base/VarnexError.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

DataGridView::DataGridView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setAlternatingRowColors(false);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this, &DataGridView::showHeaderMenu);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGridView::headerClicked);
    // The user scrolling up against the first row read: the rows above are read once the scroll
    // has been applied.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderPageStepSub
            || action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderToMinimum)
            QTimer::singleShot(0, this, [this]() { scrolled(verticalScrollBar()->value()); });
    });
}

void DataGridView::setGridModel(GridModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &DataGridView::rememberKey);
        connect(model, &QAbstractItemModel::modelReset, this, &DataGridView::restoreKey);
    }
    applyColumns();
}

void DataGridView::setColumns(const QList<GridColumn> &columns)
{
    m_columns = columns;
    m_arrangement.clear();
    applyColumns();
}

QList<GridColumnState> DataGridView::columnStates() const
{
    QList<std::pair<int, GridColumnState>> placed;
    if (!m_model)
        return {};
    const QHeaderView *header = horizontalHeader();
    for (const GridColumn &c : m_columns) {
        const int logical = m_model->columnIndex(c.field);
        if (logical < 0)
            continue;
        placed.append({header->visualIndex(logical), {c.field, !isColumnHidden(logical), header->sectionSize(logical)}});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<GridColumnState> out;
    for (const auto &p : std::as_const(placed))
        out.append(p.second);
    return out;
}

void DataGridView::setColumnStates(const QList<GridColumnState> &states)
{
    m_arrangement = states;
    applyArrangement();
}

void DataGridView::applyArrangement()
{
    if (!m_model || m_arrangement.isEmpty())
        return;
    QHeaderView *header = horizontalHeader();
    int position = 0;
    for (const GridColumnState &s : std::as_const(m_arrangement)) {
        const int logical = m_model->columnIndex(s.field);
        if (logical < 0)
            continue;
        setColumnHidden(logical, !s.visible);
        if (s.width > 0)
            header->resizeSection(logical, s.width);
        header->moveSection(header->visualIndex(logical), position++);
    }
}

void DataGridView::showHeaderMenu(const QPoint &at)
{
    if (!m_model)
        return;
    QMenu menu(this);
    const QList<GridColumnState> states = columnStates();
    int shown = 0;
    for (const GridColumnState &s : states)
        shown += s.visible ? 1 : 0;
    for (const GridColumn &c : std::as_const(m_columns)) {
        const int logical = m_model->columnIndex(c.field);
        if (logical < 0)
            continue;
        QAction *item = menu.addAction(c.caption.isEmpty() ? c.field : c.caption);
        item->setCheckable(true);
        item->setChecked(!isColumnHidden(logical));
        // The last column shown stays.
        item->setEnabled(isColumnHidden(logical) || shown > 1);
        connect(item, &QAction::toggled, this, [this, logical](bool on) { setColumnHidden(logical, !on); });
    }
    menu.exec(horizontalHeader()->viewport()->mapToGlobal(at));
}

void DataGridView::setCheckColumn(const QString &field, const QString &checkedValue)
{
    m_checkColumns.insert(field.toCaseFolded(), checkedValue);
    applyColumns();
}

void DataGridView::applyColumns()
{
    if (!m_model)
        return;
    for (const GridColumn &c : std::as_const(m_columns))
        m_model->setHeaderCaption(c.field, c.caption);
    QHeaderView *header = horizontalHeader();
    const int count = m_model->columnCount();
    for (int i = 0; i < count; ++i) {
        setColumnHidden(i, !m_columns.isEmpty());
        setItemDelegateForColumn(i, nullptr);
    }
    int position = 0;
    for (const GridColumn &c : std::as_const(m_columns)) {
        const int logical = m_model->columnIndex(c.field);
        if (logical < 0)
            continue;
        setColumnHidden(logical, false);
        header->moveSection(header->visualIndex(logical), position++);
        const auto check = m_checkColumns.constFind(c.field.toCaseFolded());
        if (check != m_checkColumns.constEnd())
            setItemDelegateForColumn(logical, new CheckColumnDelegate(*check, this));
    }
    // Width from the caption and the column's size, within reason.
    for (int i = 0; i < count; ++i) {
        if (isColumnHidden(i))
            continue;
        const QString caption = m_model->headerData(i, Qt::Horizontal).toString();
        const int chars = qBound(4, m_model->field(i).size, 30);
        const int width = qMax(fontMetrics().horizontalAdvance(caption) + 24,
                               fontMetrics().averageCharWidth() * chars + 12);
        header->resizeSection(i, qMin(width, 320));
    }
    applyArrangement();
}

int DataGridView::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

QVariant DataGridView::currentKey() const
{
    const int row = currentRow();
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return QVariant();
    return m_model->keyOf(row);
}

void DataGridView::setCurrentRow(int row)
{
    if (!m_model || row < 0)
        return;
    while (row >= m_model->rowCount() && m_model->canFetchMore(QModelIndex()))
        m_model->fetchMore(QModelIndex());
    if (row >= m_model->rowCount())
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : -1;
    if (column < 0 || isColumnHidden(column))
        column = horizontalHeader()->logicalIndex(0);
    for (int visual = 0; column < 0 || isColumnHidden(column); ++visual) {
        if (visual >= m_model->columnCount())
            return;
        column = horizontalHeader()->logicalIndex(visual);
    }
    const QModelIndex index = m_model->index(row, column);
    setCurrentIndex(index);
    scrollTo(index);
}

bool DataGridView::selectKey(const QVariant &key)
{
    if (!m_model || !m_model->isOpen() || !key.isValid())
        return false;
    bool found = false;
    selectSought([&]() {
        const int row = m_model->seekKey(key);
        found = row >= 0;
        return row;
    });
    return found;
}

void DataGridView::openAt(const QVariant &key)
{
    if (m_model)
        selectSought([&]() { return m_model->openAt(key); });
}

void DataGridView::selectFirst()
{
    if (m_model && m_model->isOpen())
        selectSought([this]() { return m_model->toFirst(); });
}

void DataGridView::selectLast()
{
    if (m_model && m_model->isOpen())
        selectSought([this]() { return m_model->toLast(); });
}

void DataGridView::selectSought(const std::function<int()> &seek)
{
    int row = -1;
    m_seeking = true;
    try {
        row = seek();
    } catch (...) {
        m_seeking = false;
        throw;
    }
    m_seeking = false;
    if (row >= 0) {
        setCurrentRow(row);
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
        announce();
    } else if (!currentIndex().isValid() && m_model->rowCount() > 0) {
        setCurrentRow(0);
    }
}

void DataGridView::scrolled(int value)
{
    if (value == verticalScrollBar()->minimum())
        readAbove();
}

void DataGridView::readAbove()
{
    if (!m_model || !m_model->canFetchBefore())
        return;
    // The rows read above go in before the ones shown, which stay where they are on the screen.
    const int before = m_model->rowCount();
    const int value = verticalScrollBar()->value();
    m_model->fetchBefore(m_model->pageSize());
    const int added = m_model->rowCount() - before;
    if (added > 0 && verticalScrollMode() == QAbstractItemView::ScrollPerItem)
        verticalScrollBar()->setValue(value + added);
}

QModelIndex DataGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (m_model && m_model->isOpen()) {
        const bool control = modifiers & Qt::ControlModifier;
        if (cursorAction == MoveHome && control && m_model->canFetchBefore()) {
            selectFirst();
            return currentIndex();
        }
        if (cursorAction == MoveEnd && control && m_model->canFetchMore(QModelIndex())) {
            selectLast();
            return currentIndex();
        }
        if ((cursorAction == MoveUp || cursorAction == MovePageUp) && currentRow() <= 0)
            readAbove();
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void DataGridView::rememberKey()
{
    m_keyBeforeReset = currentKey();
    // A reset clears the header; the arrangement of the moment comes back afterwards.
    const QList<GridColumnState> states = columnStates();
    if (!states.isEmpty())
        m_arrangement = states;
}

void DataGridView::restoreKey()
{
    applyColumns();
    // A seek makes the row it found current itself.
    if (m_seeking)
        return;
    int row = -1;
    if (m_keyBeforeReset.isValid()) {
        for (int r = 0; r < m_model->rowCount() && row < 0; ++r) {
            if (m_model->keyOf(r) == m_keyBeforeReset)
                row = r;
        }
    }
    if (row < 0 && m_model->rowCount() > 0)
        row = 0;
    if (row >= 0)
        setCurrentRow(row);
    announce();
}

void DataGridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // Inside a reset the rows are not there yet; the reset announces the row it ends on.
    if (m_model && current.row() == previous.row() && current.isValid() == previous.isValid() && m_announced)
        return;
    announce();
}

void DataGridView::announce()
{
    const QVariant key = currentKey();
    if (m_announced && key == m_announcedKey && key.isValid() == m_announcedKey.isValid())
        return;
    m_announced = true;
    m_announcedKey = key;
    emit currentKeyChanged(key);
}

void DataGridView::headerClicked(int section)
{
    if (!m_model || !m_model->isOpen())
        return;
    QHeaderView *header = horizontalHeader();
    Qt::SortOrder order = Qt::AscendingOrder;
    if (header->isSortIndicatorShown() && header->sortIndicatorSection() == section)
        order = header->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    const QString before = m_model->lastError();
    m_model->sort(section, order);
    // A column the list cannot be sorted by keeps the order it had.
    if (m_model->lastError() != before)
        return;
    header->setSortIndicatorShown(true);
    header->setSortIndicator(section, order);
}

int DataGridView::searchColumn() const
{
    const QModelIndex index = currentIndex();
    if (index.isValid() && !isColumnHidden(index.column()))
        return index.column();
    return horizontalHeader()->logicalIndex(0);
}

void DataGridView::keyboardSearch(const QString &search)
{
    if (!m_model || !m_model->isOpen() || search.isEmpty())
        return;
    if (!m_searchTimer.isValid() || m_searchTimer.elapsed() > QApplication::keyboardInputInterval())
        m_search.clear();
    m_searchTimer.start();
    const int column = searchColumn();
    if (column < 0)
        return;
    const QString wanted = m_search + search;
    const QString field = m_model->columnName(column);
    int row = -1;
    try {
        selectSought([&]() {
            row = m_model->seek({{field, GridCondition::StartsWith, wanted}});
            return row;
        });
    } catch (const VarnexError &) {
        row = -1;
    }
    if (row < 0) {
        QApplication::beep();
        return;
    }
    m_search = wanted;
    setCurrentIndex(m_model->index(currentRow(), column));
}

void CheckColumnDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool checked = index.data(Qt::EditRole).toString() == m_checked;
    option->features |= QStyleOptionViewItem::HasCheckIndicator;
    option->checkState = checked ? Qt::Checked : Qt::Unchecked;
    option->text.clear();
}

DataNavigator::DataNavigator(const QList<Button> &buttons, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (Button b : buttons) {
        auto *button = new QToolButton(this);
        QStyle::StandardPixmap icon = QStyle::SP_MediaSkipBackward;
        QString tip;
        switch (b) {
        case First: icon = QStyle::SP_MediaSkipBackward; tip = QStringLiteral("First record"); break;
        case Prior: icon = QStyle::SP_MediaSeekBackward; tip = QStringLiteral("Prior record"); break;
        case Next: icon = QStyle::SP_MediaSeekForward; tip = QStringLiteral("Next record"); break;
        case Last: icon = QStyle::SP_MediaSkipForward; tip = QStringLiteral("Last record"); break;
        case Refresh: icon = QStyle::SP_BrowserReload; tip = QStringLiteral("Refresh"); break;
        }
        button->setIcon(style()->standardIcon(icon));
        button->setToolTip(tip);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
        m_buttons.insert(b, button);
        connect(button, &QToolButton::clicked, this, [this, b]() { emit buttonClick(int(b)); });
    }
    layout->addStretch(1);
}

QToolButton *DataNavigator::button(Button b) const
{
    return m_buttons.value(b);
}
