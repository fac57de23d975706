#include "samples/AnalysisText.h"

#include "reference/TextLines.h"

#include <QSet>

#include <algorithm>

QString AnalysisText::InsertChecked(const QString &text, int selStart, int selEnd, const QString &names, int *caret)
{
    const int from = std::clamp(std::min(selStart, selEnd), 0, int(text.size()));
    const int to = std::clamp(std::max(selStart, selEnd), 0, int(text.size()));
    QString rest = text;
    rest.remove(from, to - from);
    QString insertion = names;
    if (from < rest.size()) {
        if (rest.at(from) != QLatin1Char(' '))
            insertion.prepend(QLatin1Char(' '));
        if (from + 1 >= rest.size() || rest.at(from + 1) != QLatin1Char(' '))
            insertion.append(QLatin1Char(' '));
    }
    rest.insert(from, insertion);
    if (caret)
        *caret = from + int(insertion.size());
    return rest;
}

FeedAnalysisSelection::FeedAnalysisSelection(const DataTable &tree)
{
    const int id = tree.indexOf(QStringLiteral("UNIQUE_ID"));
    const int parent = tree.indexOf(QStringLiteral("PARENT_ID"));
    const int description = tree.indexOf(QStringLiteral("DESCRIPTION"));
    if (id >= 0 && description >= 0) {
        for (int r = 0; r < tree.rowCount(); ++r) {
            Node n;
            n.Id = tree.value(r, id).toLongLong();
            const QVariant p = parent >= 0 ? tree.value(r, parent) : QVariant();
            n.ParentId = p.isValid() ? p.toLongLong() : -1;
            n.Description = tree.value(r, description).toString();
            m_nodes.append(n);
        }
    }
    build();
}

FeedAnalysisSelection::FeedAnalysisSelection(QList<Node> nodes) : m_nodes(std::move(nodes))
{
    build();
}

void FeedAnalysisSelection::build()
{
    m_byId.clear();
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (!m_byId.contains(m_nodes.at(i).Id))
            m_byId.insert(m_nodes.at(i).Id, i);
    }
    for (Node &n : m_nodes) {
        QStringList path{n.Description};
        QSet<qint64> seen{n.Id};
        qint64 up = n.ParentId;
        while (up != -1 && !seen.contains(up)) {
            const int at = m_byId.value(up, -1);
            if (at < 0)
                break;
            seen.insert(up);
            path.prepend(m_nodes.at(at).Description);
            up = m_nodes.at(at).ParentId;
        }
        n.Expanded = path.join(QStringLiteral(": ")) + QLatin1Char(';');
    }
}

int FeedAnalysisSelection::IndexOfExpanded(const QString &line) const
{
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes.at(i).Expanded == line)
            return i;
    }
    return -1;
}

void FeedAnalysisSelection::SetText(const QString &analysisText)
{
    m_lines = TextLines::split(analysisText);
}

QString FeedAnalysisSelection::Text() const
{
    QString out;
    for (const QString &line : m_lines)
        out += line + QStringLiteral("\r\n");
    return out;
}

int FeedAnalysisSelection::lineIndex(const QString &line) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).compare(line, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool FeedAnalysisSelection::IsSelected(int node) const
{
    return node >= 0 && node < m_nodes.size() && lineIndex(m_nodes.at(node).Expanded) >= 0;
}

void FeedAnalysisSelection::SetSelected(int node, bool selected)
{
    if (node < 0 || node >= m_nodes.size())
        return;
    const QString &line = m_nodes.at(node).Expanded;
    const int at = lineIndex(line);
    if (selected && at < 0)
        m_lines.append(line);
    else if (!selected && at >= 0)
        m_lines.removeAt(at);
    std::stable_sort(m_lines.begin(), m_lines.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

QList<int> FeedAnalysisSelection::Search(const QString &text) const
{
    QList<int> found;
    if (text.isEmpty())
        return found;
    const QString wanted = text.toLower();
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes.at(i).Expanded.toLower().contains(wanted))
            found.append(i);
    }
    return found;
}
