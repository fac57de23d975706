#pragma once

// The food and animal-feed category trees as the picker and the sample import use them: finding
// an entry by its code, the full path of an entry (its four levels with their descriptions and the
// ministry code of its sub-category), and the search over the entries' descriptions. Free of
// widgets; the picker form draws on it, and the import resolves codes with it without a window.

#include "base/VarnexError.h"
#include "data/DataTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TLookupDataDm;

// The levels of a chosen entry, each empty unless the path has that level.
struct CategoryPath
{
    QString Category;
    QString CategoryDescription;
    QString SubCategory;
    QString SubCategoryDescription;
    QString SubCategory2;
    QString SubCategory2Description;
    QString SubCategory3;
    QString SubCategory3Description;
    QString MaffCode; // the ministry code whose Sub_Category__Code is SubCategory

    friend bool operator==(const CategoryPath &, const CategoryPath &) = default;
};

// An entry that cannot be returned (retired, a test entry, none chosen) or a tree whose parent
// links do not lead to a top-level entry. The message is the text to show.
class CategoryTreeError : public VarnexError
{
public:
    using VarnexError::VarnexError;
};

class CategoryTree
{
public:
    // The values of SOURCE.
    static const QString Category;     // "CATEGORY"
    static const QString SubCategory;  // "SUB_CATEGORY"
    static const QString SubCategory2; // "SUB_CATEGORY_2"
    static const QString SubCategory3; // "SUB_CATEGORY_3"
    static const QString Test;         // "TEST"
    // PARENT_ID of a top-level entry.
    static constexpr qint64 RootParentId = -1;

    // The tree's table (mdCategoryTree or mdFeedCategoryTree) and the ministry list (mdMAFF).
    // Both are copied; the object does not follow later reloads.
    CategoryTree(const DataTable &tree, const DataTable &maff);

    // The lookup list of a personality's tree: the food tree for "FOOD", the feed tree otherwise.
    static QString TableForPersonality(const QString &personality);
    // A code as the picker positions on it: "9.01" is taken as "09.01" (a code whose second
    // character is a point, when it has more than two, gets a leading "0").
    static QString NormalisedCode(const QString &code);
    // The level prefix of a search entry: "(L1) " to "(L4) " for the four levels, the source
    // itself for any other.
    static QString LevelPrefix(const QString &source);

    int rowCount() const { return m_tree.rowCount(); }
    QString itemCode(int row) const;
    QString description(int row) const;
    QString source(int row) const;
    qint64 uniqueId(int row) const;
    // PARENT_ID, or nothing when it is null.
    std::optional<qint64> parentId(int row) const;
    bool isTopLevel(int row) const { return parentId(row) == RootParentId; }

    // The first row (in table order) with exactly this ITEM_CODE; -1 when there is none.
    int rowOfCode(const QString &itemCode) const;
    // The row whose UNIQUE_ID is this parent id; -1 when there is none.
    int rowOfId(qint64 uniqueId) const;
    // The row of the entry's parent; -1 for a top-level entry and for one whose parent is missing.
    int parentRow(int row) const;
    // Where a view places the entry: under its parent, or at the top when it is a top-level
    // entry, when its parent is missing, or when its parents lead round in a circle (so every
    // entry can be seen).
    int displayParentRow(int row) const;

    // The path of an entry, walking from it to its top-level entry. Refuses, with the message to
    // show, an entry whose description contains "Retired" (letter case counts), a test entry, and
    // a walk that meets an entry without its parent or comes round to an entry it passed.
    CategoryPath PathOf(int row) const;
    // The path of the entry with a stored code, the code taken as the picker takes it ("9.01" is
    // "09.01"): nothing when the code is empty or not in the tree; PathOf's refusals otherwise.
    std::optional<CategoryPath> ResolveCode(const QString &code) const;

    // One search entry per row, in table order: the level prefix and the description.
    QStringList SearchEntries() const;
    // The positions of the entries that contain the text, letter case ignored; nothing for an
    // empty text.
    static QList<int> Search(const QStringList &entries, const QString &text);

    static QString NoSelectionMessage();   // "No Category is selected to return"
    static QString RetiredMessage();       // "This entry has been retired and cannot be selected."
    static QString TestEntryMessage();     // "Cannot return a 'Test', please choose a category type to return."

private:
    QString text(int row, int column) const;
    QString maffCodeFor(const QString &subCategory) const;

    DataTable m_tree;
    DataTable m_maff;
    int m_itemCode, m_description, m_source, m_uniqueId, m_parentId;
    QHash<QString, int> m_rowOfCode;
    QHash<qint64, int> m_rowOfId;
};

// The sample import's resolution of a stored category code into its path, without a window: the
// personality's tree, then ResolveCode. Nothing when the code is empty or not in the tree; throws
// CategoryTreeError when the entry is retired, a test entry, or its path is broken.
std::optional<CategoryPath> ResolveCategoryCode(const TLookupDataDm &lookups, const QString &personality,
                                                const QString &code);
