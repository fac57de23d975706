#include "reference/CategoryTree.h"

#include "base/ProductNames.h"
#include "reference/LookupData_DM.h"

#include <QSet>

const QString CategoryTree::Category = QStringLiteral("CATEGORY");
const QString CategoryTree::SubCategory = QStringLiteral("SUB_CATEGORY");
const QString CategoryTree::SubCategory2 = QStringLiteral("SUB_CATEGORY_2");
const QString CategoryTree::SubCategory3 = QStringLiteral("SUB_CATEGORY_3");
const QString CategoryTree::Test = QStringLiteral("TEST");

CategoryTree::CategoryTree(const DataTable &tree, const DataTable &maff)
    : m_tree(tree), m_maff(maff), m_itemCode(tree.indexOf(QStringLiteral("ITEM_CODE"))),
      m_description(tree.indexOf(QStringLiteral("DESCRIPTION"))), m_source(tree.indexOf(QStringLiteral("SOURCE"))),
      m_uniqueId(tree.indexOf(QStringLiteral("UNIQUE_ID"))), m_parentId(tree.indexOf(QStringLiteral("PARENT_ID")))
{
    // The first of equal codes or ids wins, as a search from the first row would find it.
    for (int row = m_tree.rowCount() - 1; row >= 0; --row) {
        m_rowOfCode.insert(itemCode(row), row);
        if (m_uniqueId >= 0 && !m_tree.isNull(row, m_uniqueId))
            m_rowOfId.insert(uniqueId(row), row);
    }
}

QString CategoryTree::TableForPersonality(const QString &personality)
{
    return personality == Varnex::PersonalityFood ? QStringLiteral("mdCategoryTree") : QStringLiteral("mdFeedCategoryTree");
}

QString CategoryTree::NormalisedCode(const QString &code)
{
    if (code.size() > 2 && code.at(1) == QLatin1Char('.'))
        return QLatin1Char('0') + code;
    return code;
}

QString CategoryTree::LevelPrefix(const QString &source)
{
    if (source == Category)
        return QStringLiteral("(L1) ");
    if (source == SubCategory)
        return QStringLiteral("(L2) ");
    if (source == SubCategory2)
        return QStringLiteral("(L3) ");
    if (source == SubCategory3)
        return QStringLiteral("(L4) ");
    return source;
}

QString CategoryTree::NoSelectionMessage() { return QStringLiteral("No Category is selected to return"); }
QString CategoryTree::RetiredMessage() { return QStringLiteral("This entry has been retired and cannot be selected."); }
QString CategoryTree::TestEntryMessage()
{
    return QStringLiteral("Cannot return a 'Test', please choose a category type to return.");
}

QString CategoryTree::text(int row, int column) const
{
    return column >= 0 ? m_tree.value(row, column).toString() : QString();
}

QString CategoryTree::itemCode(int row) const { return text(row, m_itemCode); }
QString CategoryTree::description(int row) const { return text(row, m_description); }
QString CategoryTree::source(int row) const { return text(row, m_source); }

qint64 CategoryTree::uniqueId(int row) const
{
    return m_uniqueId >= 0 ? m_tree.value(row, m_uniqueId).toLongLong() : 0;
}

std::optional<qint64> CategoryTree::parentId(int row) const
{
    if (m_parentId < 0 || m_tree.isNull(row, m_parentId))
        return std::nullopt;
    return m_tree.value(row, m_parentId).toLongLong();
}

int CategoryTree::rowOfCode(const QString &itemCode) const
{
    return m_rowOfCode.value(itemCode, -1);
}

int CategoryTree::rowOfId(qint64 uniqueId) const
{
    return m_rowOfId.value(uniqueId, -1);
}

int CategoryTree::parentRow(int row) const
{
    const std::optional<qint64> parent = parentId(row);
    if (!parent || *parent == RootParentId)
        return -1;
    return rowOfId(*parent);
}

int CategoryTree::displayParentRow(int row) const
{
    const int parent = parentRow(row);
    // An entry whose parents come back to it would hang below itself and never be seen.
    QSet<int> passed{row};
    for (int up = parent; up >= 0; up = parentRow(up)) {
        if (passed.contains(up))
            return up == row ? -1 : parent;
        passed.insert(up);
    }
    return parent;
}

QString CategoryTree::maffCodeFor(const QString &subCategory) const
{
    const int sub = m_maff.indexOf(QStringLiteral("Sub_Category__Code"));
    const int code = m_maff.indexOf(QStringLiteral("Code"));
    for (int row = 0; sub >= 0 && code >= 0 && row < m_maff.rowCount(); ++row)
        if (m_maff.value(row, sub).toString() == subCategory)
            return m_maff.value(row, code).toString();
    return {};
}

CategoryPath CategoryTree::PathOf(int row) const
{
    if (row < 0 || row >= rowCount())
        throw CategoryTreeError(NoSelectionMessage());
    if (description(row).contains(QLatin1String("Retired")))
        throw CategoryTreeError(RetiredMessage());
    if (source(row) == Test)
        throw CategoryTreeError(TestEntryMessage());

    CategoryPath path;
    QSet<int> passed;
    int current = row;
    while (!isTopLevel(current)) {
        passed.insert(current);
        const QString level = source(current);
        if (level == SubCategory) {
            path.SubCategory = itemCode(current);
            path.SubCategoryDescription = description(current);
            path.MaffCode = maffCodeFor(path.SubCategory);
        } else if (level == SubCategory2) {
            path.SubCategory2 = itemCode(current);
            path.SubCategory2Description = description(current);
        } else if (level == SubCategory3) {
            path.SubCategory3 = itemCode(current);
            path.SubCategory3Description = description(current);
        }
        const int parent = parentRow(current);
        if (parent < 0) {
            const std::optional<qint64> id = parentId(current);
            throw CategoryTreeError(
                QStringLiteral("The category \"%1\" cannot be returned: the entry \"%2\" of the category tree has no "
                               "parent entry %3.")
                    .arg(itemCode(row), itemCode(current), id ? QString::number(*id) : QStringLiteral("(none)")));
        }
        if (passed.contains(parent))
            throw CategoryTreeError(
                QStringLiteral("The category \"%1\" cannot be returned: the parent entries of the category tree lead "
                               "round in a circle at \"%2\".")
                    .arg(itemCode(row), itemCode(parent)));
        current = parent;
    }
    if (source(current) == Category) {
        path.Category = itemCode(current);
        path.CategoryDescription = description(current);
    }
    return path;
}

QStringList CategoryTree::SearchEntries() const
{
    QStringList entries;
    entries.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        entries << LevelPrefix(source(row)) + description(row);
    return entries;
}

QList<int> CategoryTree::Search(const QStringList &entries, const QString &text)
{
    QList<int> found;
    if (text.isEmpty())
        return found;
    const QString wanted = text.toLower();
    for (int i = 0; i < entries.size(); ++i)
        if (entries.at(i).toLower().contains(wanted))
            found << i;
    return found;
}

std::optional<CategoryPath> CategoryTree::ResolveCode(const QString &code) const
{
    const QString wanted = NormalisedCode(code);
    const int row = wanted.isEmpty() ? -1 : rowOfCode(wanted);
    if (row < 0)
        return std::nullopt;
    return PathOf(row);
}

std::optional<CategoryPath> ResolveCategoryCode(const TLookupDataDm &lookups, const QString &personality,
                                                const QString &code)
{
    const CategoryTree tree(lookups.Table(CategoryTree::TableForPersonality(personality)),
                            lookups.Table(QStringLiteral("mdMAFF")));
    return tree.ResolveCode(code);
}
