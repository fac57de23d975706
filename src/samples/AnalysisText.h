#pragma once

#include "data/DataTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The text work behind the two analysis builders, free of widgets.
namespace AnalysisText {

// The memo's text after "Insert checked types": the names replace the selection [selStart,
// selEnd). At the end of the text they go in bare; elsewhere a blank goes before them unless the
// character just after the caret is a blank, and one after them unless the second character after
// the caret is a blank. *caret receives the position after the inserted names.
QString InsertChecked(const QString &text, int selStart, int selEnd, const QString &names, int *caret = nullptr);

} // namespace AnalysisText

// The animal-feed analysis tree and the lines of an analysis text, as the feed builder works them:
// each node's expanded description (the descriptions from its root down to it, joined by ": ",
// then ";"), which nodes the text's lines tick, and the lines as nodes are ticked and unticked.
// Lines are compared without regard to letter case; a line that names no node stays.
class FeedAnalysisSelection
{
public:
    struct Node
    {
        qint64 Id = 0;
        qint64 ParentId = -1;
        QString Description;
        QString Expanded;
    };

    // Nodes from a table with UNIQUE_ID, PARENT_ID and DESCRIPTION, in table order. The walk up
    // the parents stops at -1, at a parent that is missing and at a node already passed (a tree
    // with a cycle gives each node the part of the path that could be walked, never a hang).
    explicit FeedAnalysisSelection(const DataTable &tree);
    explicit FeedAnalysisSelection(QList<Node> nodes);

    const QList<Node> &Nodes() const { return m_nodes; }
    // The index of the node with that UNIQUE_ID, -1 when none.
    int IndexOfId(qint64 id) const { return m_byId.value(id, -1); }
    // The index of the node whose expanded description is exactly the line, -1 when none.
    int IndexOfExpanded(const QString &line) const;

    // The analysis text: read with CR LF or LF between lines, blank lines dropped.
    void SetText(const QString &analysisText);
    // Each line ended by CR LF.
    QString Text() const;
    const QStringList &Lines() const { return m_lines; }

    bool IsSelected(int node) const;
    // Adds the node's line when it is ticked and not there, removes it when unticked, then sorts
    // the lines (letter case ignored).
    void SetSelected(int node, bool selected);

    // The expanded descriptions that hold the text (both lower-cased), in table order, with their
    // node indices; nothing for an empty text.
    QList<int> Search(const QString &text) const;

private:
    void build();
    int lineIndex(const QString &line) const;

    QList<Node> m_nodes;
    QHash<qint64, int> m_byId;
    QStringList m_lines;
};
