#pragma once

#include "data/GridModel.h"

#include <QElapsedTimer>

#include <functional>
#include <QList>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVariant>
#include <QWidget>

class QToolButton;

// One column a grid shows: the list's column and its header caption.
struct GridColumn
{
    QString field;
    QString caption;
};

// How a column of a grid is arranged: shown or hidden, and its width in pixels.
struct GridColumnState
{
    QString field;
    bool visible = true;
    int width = 0; // 0: the grid's own
};

// A read-only grid over a GridModel, which reads its rows a page at a time as the grid scrolls:
// - only the columns given to setColumns are shown, in that order, under their captions;
// - a click on a column header sorts the list by that column (again: the other way round), which
//   the model does by reading the list anew in that order;
// - typing searches incrementally in the column of the current cell: the first row, in the list's
//   order, whose text starts with what was typed (letter case ignored) becomes current; a
//   keystroke that finds nothing is dropped;
// - the current row is kept by key when the list is read again (sorted, filtered, refreshed) and it
//   is among the rows read; otherwise the first row becomes current;
// - a search or a key far down the list reads the list around that row only (GridModel::seek);
//   the rows above it are read as the grid scrolls up to them, and Ctrl+Home and Ctrl+End read
//   the list's first or last page.
// - the user can move columns by their headers, widen them, and hide or show them from the
//   header's menu; that arrangement (or one given by setColumnStates) is kept when the list is
//   read again.
// Failures of the model while the grid asks for pages are reported by the model's loadFailed.
class DataGridView : public QTableView
{
    Q_OBJECT
public:
    explicit DataGridView(QWidget *parent = nullptr);

    void setGridModel(GridModel *model);
    GridModel *gridModel() const { return m_model; }

    void setColumns(const QList<GridColumn> &columns);
    QList<GridColumn> columns() const { return m_columns; }
    // The arrangement of the columns given to setColumns, in display order; and a new one (columns
    // it does not name keep their place after those it names).
    QList<GridColumnState> columnStates() const;
    void setColumnStates(const QList<GridColumnState> &states);
    // Shows the column as a check box, ticked when it holds checkedValue.
    void setCheckColumn(const QString &field, const QString &checkedValue = QStringLiteral("T"));

    // The current row and its key; -1 and an invalid key when there is none.
    int currentRow() const;
    QVariant currentKey() const;
    // Makes the row current (and visible); a row beyond those read is read first.
    void setCurrentRow(int row);
    // Opens the list on the row of the key (the first row when none has it).
    void openAt(const QVariant &key);
    // Makes the row of the key current, reading the list around it; false when no row has it.
    bool selectKey(const QVariant &key);
    // Makes the list's first or last row current.
    void selectFirst();
    void selectLast();
    // The text typed so far by the incremental search.
    QString searchText() const { return m_search; }
    // Typing: the search goes on with the text (or starts anew after a pause).
    void keyboardSearch(const QString &search) override;

signals:
    // The current row moved to another key (an invalid key: no current row).
    void currentKeyChanged(const QVariant &key);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void applyColumns();
    void applyArrangement();
    void showHeaderMenu(const QPoint &at);
    void rememberKey();
    void restoreKey();
    void headerClicked(int section);
    int searchColumn() const;
    void announce();
    // Makes the row found by a seek current: the reset of the seek keeps no row of its own.
    void selectSought(const std::function<int()> &seek);
    void scrolled(int value);
    void readAbove();

    QPointer<GridModel> m_model;
    QList<GridColumn> m_columns;
    QList<GridColumnState> m_arrangement; // kept across re-reads; empty: as given by setColumns
    QHash<QString, QString> m_checkColumns; // case-folded field -> checked value
    QVariant m_keyBeforeReset;
    QVariant m_announcedKey;
    bool m_announced = false;
    bool m_seeking = false;
    QString m_search;
    QElapsedTimer m_searchTimer;
};

// Draws a column as a check box ticked for one value.
class CheckColumnDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CheckColumnDelegate(const QString &checkedValue, QObject *parent) : QStyledItemDelegate(parent), m_checked(checkedValue) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QString m_checked;
};

// The buttons that move through a list (first, prior, next, last) and read it again (refresh).
// Each button keeps the index the grid navigators give it, so that handlers tell them apart by
// number as well as by name.
class DataNavigator : public QWidget
{
    Q_OBJECT
public:
    enum Button { First = 0, Prior = 2, Next = 3, Last = 5, Refresh = 12 };

    DataNavigator(const QList<Button> &buttons, QWidget *parent = nullptr);
    QToolButton *button(Button b) const;

signals:
    void buttonClick(int index);

private:
    QHash<int, QToolButton *> m_buttons;
};
