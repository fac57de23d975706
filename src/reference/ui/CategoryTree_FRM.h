#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "reference/CategoryTree.h"

#include <QIcon>
#include <QList>
#include <QStringList>

#include <memory>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QStandardItem;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class TzqcxTextEdit;

class TCategoryTreeFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    bool AllowEdits = false;
    // The item code to open on ("9.01" is taken as "09.01").
    QString SelectedRecord;
    // False makes the form a viewer: Use Selected is disabled and Enter closes it.
    bool AllowUseSelected = false;
    // "FOOD" or "ANIMAL FEED"; the food tree also for an owner that is a food editor.
    QString Personality;
};

// The chosen category, level by level, with the ministry code of its sub-category.
class TCategoryTreeFrmReturnInfo : public TIBBaseAdvancesFrmReturnInfo, public CategoryPath
{
};

// The category tree picker: the food or the animal-feed tree, a search over its entries, the help
// text of a food category, and the choice of an entry handed back as its full path. Opened
// modally with the key "CategoryTree". It needs the lookup module (LookupDataDm) and its two
// pictures beside the program; without them it cannot be created.
class TCategoryTreeFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    // The folder the two pictures are read from; the program's folder when empty.
    static QString PictureFolder;
    static QString ToolbarPictureName() { return QStringLiteral("CatTreeToolbar.bmp"); }
    static QString NodePictureName() { return QStringLiteral("CatTreeImages.bmp"); }

    explicit TCategoryTreeFrm(QObject *AOwner);
    ~TCategoryTreeFrm() override;

    // Loads the two pictures; throws VarnexError naming the file that cannot be read.
    void FormCreate() override;
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // Builds the answer from the current entry and hands it over (to the owner's socket, or this
    // form's own without an owner), then closes a shown form. Throws CategoryTreeError when the
    // entry cannot be returned; nothing is handed over then.
    void actUseSelectedExecute();

    // The tree in use ("mdCategoryTree" or "mdFeedCategoryTree").
    QString TreeTable() const { return m_treeTable; }
    bool HelpShown() const;
    // The item code of the current entry; empty when there is none.
    QString CurrentItemCode() const;
    // Makes the first entry with the code current, showing it; false when there is none.
    bool MakeCurrent(const QString &itemCode);

    bool AllowEdits = false;
    QString SelectedRecord;
    bool AllowUseSelected = false;
    QString Personality;

    QToolBar *ToolBar = nullptr;
    QTreeView *treCategories = nullptr;
    QLabel *lblSearch = nullptr;
    TzqcxTextEdit *edtSearchBox = nullptr;
    QListWidget *lstSearchResults = nullptr;
    QPlainTextEdit *memCategoryHelp = nullptr;
    QSplitter *Splitter = nullptr;
    QAction *actUseSelected = nullptr;
    QAction *actCollapseTree = nullptr;
    QAction *actExpandTree = nullptr;
    QAction *actDelete = nullptr; // enabled by AllowEdits; it does nothing
    QAction *actOpen = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void buildWidgets();
    void actOpenExecute();
    void fillTree();
    void enterPressed();
    void searchChanged(const QString &text);
    void resultChosen();
    void ShowHelp();
    int currentRow() const;
    void updateFolderIcon(const QModelIndex &index);
    void useSelectedShowingErrors();

    QString m_treeTable;
    std::unique_ptr<CategoryTree> m_tree;
    QStandardItemModel *m_model = nullptr;
    QList<QStandardItem *> m_itemOfRow; // the tree's node of each table row
    QStringList m_categoryList;         // the search entries, one per row
    QStringList m_categoryCodeList;     // their item codes
    QStringList m_selectedCodeList;     // the codes of the results shown
    QList<QIcon> m_nodeIcons;           // closed folder, open folder, entry
};
