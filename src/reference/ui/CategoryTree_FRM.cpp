#include "reference/ui/CategoryTree_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "gui/ZQCXEditControls.h"
#include "reference/LookupData_DM.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

QString TCategoryTreeFrm::PictureFolder;

namespace {

constexpr int RowRole = Qt::UserRole + 1;
// The pictures' images, in the order they are drawn.
enum NodeImage { ClosedFolder, OpenFolder, Entry };
enum ToolbarImage { CollapseImage, ExpandImage };

// A picture of square images side by side, on magenta that shows through.
QList<QIcon> loadPictures(const QString &fileName)
{
    const QString folder = TCategoryTreeFrm::PictureFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                                     : TCategoryTreeFrm::PictureFolder;
    const QString path = QDir(folder).filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    QImage image = QImage::fromData(file.readAll(), "BMP");
    if (image.isNull() || image.height() == 0 || image.width() < image.height())
        throw VarnexError(QStringLiteral("The file \"%1\" is not a bitmap of images.").arg(QDir::toNativeSeparators(path)));
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb magenta = qRgb(255, 0, 255);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == magenta)
                line[x] = qRgba(0, 0, 0, 0);
    }
    QList<QIcon> icons;
    const int size = image.height();
    for (int x = 0; x + size <= image.width(); x += size)
        icons << QIcon(QPixmap::fromImage(image.copy(x, 0, size, size)));
    return icons;
}

QIcon iconAt(const QList<QIcon> &icons, int index)
{
    return index < icons.size() ? icons.at(index) : QIcon();
}

const TLookupDataDm &lookups()
{
    if (!LookupDataDm)
        throw VarnexError(QStringLiteral("The lookup lists are not loaded."));
    return *LookupDataDm;
}

} // namespace

TCategoryTreeFrm::TCategoryTreeFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Category tree"));
    buildWidgets();
}

TCategoryTreeFrm::~TCategoryTreeFrm() = default;

void TCategoryTreeFrm::buildWidgets()
{
    actUseSelected = new QAction(QStringLiteral("Use Selected"), this);
    actUseSelected->setObjectName(QStringLiteral("actUseSelected"));
    actCollapseTree = new QAction(QStringLiteral("Collapse"), this);
    actCollapseTree->setObjectName(QStringLiteral("actCollapseTree"));
    actExpandTree = new QAction(QStringLiteral("Expand"), this);
    actExpandTree->setObjectName(QStringLiteral("actExpandTree"));
    actDelete = new QAction(QStringLiteral("Delete"), this);
    actDelete->setObjectName(QStringLiteral("actDelete"));
    actDelete->setEnabled(false);
    actOpen = new QAction(QStringLiteral("Open"), this);
    actOpen->setObjectName(QStringLiteral("actOpen"));

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    ToolBar = new QToolBar(ClientArea);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->addActions({actCollapseTree, actExpandTree});
    layout->addWidget(ToolBar);

    Splitter = new QSplitter(Qt::Vertical, ClientArea);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    auto *upper = new QSplitter(Qt::Horizontal, Splitter);

    treCategories = new QTreeView(upper);
    treCategories->setObjectName(QStringLiteral("treCategories"));
    treCategories->setHeaderHidden(true);
    treCategories->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treCategories->setSelectionMode(QAbstractItemView::SingleSelection);
    treCategories->setUniformRowHeights(true);
    treCategories->addAction(actDelete);
    m_model = new QStandardItemModel(this);
    m_model->setObjectName(QStringLiteral("srcCategoryTree"));
    treCategories->setModel(m_model);

    auto *searchPanel = new QWidget(upper);
    auto *searchLayout = new QVBoxLayout(searchPanel);
    searchLayout->setContentsMargins(6, 0, 0, 0);
    lblSearch = new QLabel(QStringLiteral("Category Tree Search:"), searchPanel);
    edtSearchBox = new TzqcxTextEdit(searchPanel);
    edtSearchBox->setObjectName(QStringLiteral("edtSearchBox"));
    edtSearchBox->FocusColor = palette().color(QPalette::ToolTipBase);
    lblSearch->setBuddy(edtSearchBox);
    lstSearchResults = new QListWidget(searchPanel);
    lstSearchResults->setObjectName(QStringLiteral("lstSearchResults"));
    searchLayout->addWidget(lblSearch);
    searchLayout->addWidget(edtSearchBox);
    searchLayout->addWidget(lstSearchResults, 1);
    upper->addWidget(treCategories);
    upper->addWidget(searchPanel);
    upper->setStretchFactor(0, 3);
    upper->setStretchFactor(1, 2);

    memCategoryHelp = new QPlainTextEdit(Splitter);
    memCategoryHelp->setObjectName(QStringLiteral("memCategoryHelp"));
    memCategoryHelp->setReadOnly(true);
    QPalette helpPalette = memCategoryHelp->palette();
    helpPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    memCategoryHelp->setPalette(helpPalette);
    Splitter->addWidget(upper);
    Splitter->addWidget(memCategoryHelp);
    Splitter->setStretchFactor(0, 4);
    Splitter->setStretchFactor(1, 1);
    layout->addWidget(Splitter, 1);

    // The side panel's button reads "Accept Selected" and follows its action.
    auto *accept = new QPushButton(QStringLiteral("Accept Selected"), RzPanel1);
    accept->setObjectName(QStringLiteral("btnUseSelected"));
    accept->setAutoDefault(false);
    RzPanel1Layout->addWidget(accept);
    const auto followAction = [accept, this]() { accept->setEnabled(actUseSelected->isEnabled()); };
    connect(actUseSelected, &QAction::changed, accept, followAction);
    connect(accept, &QPushButton::clicked, actUseSelected, &QAction::trigger);
    followAction();

    connect(actUseSelected, &QAction::triggered, this, [this]() { useSelectedShowingErrors(); });
    connect(actCollapseTree, &QAction::triggered, treCategories, &QTreeView::collapseAll);
    connect(actExpandTree, &QAction::triggered, treCategories, &QTreeView::expandAll);
    connect(actOpen, &QAction::triggered, this, [this]() { actOpenExecute(); });
    connect(treCategories, &QTreeView::clicked, this, [this]() { ShowHelp(); });
    connect(treCategories->selectionModel(), &QItemSelectionModel::currentChanged, this, [this]() { ShowHelp(); });
    connect(treCategories, &QTreeView::expanded, this, &TCategoryTreeFrm::updateFolderIcon);
    connect(treCategories, &QTreeView::collapsed, this, &TCategoryTreeFrm::updateFolderIcon);
    connect(edtSearchBox, &QLineEdit::textChanged, this, &TCategoryTreeFrm::searchChanged);
    connect(lstSearchResults, &QListWidget::itemClicked, this, [this]() { resultChosen(); });

    // The form sees the keys of its controls first.
    for (QWidget *w : std::initializer_list<QWidget *>{treCategories, edtSearchBox, lstSearchResults, memCategoryHelp})
        w->installEventFilter(this);
    resize(820, 600);
}

void TCategoryTreeFrm::FormCreate()
{
    TIBBaseAdvancedfrm::FormCreate();
    const QList<QIcon> tools = loadPictures(ToolbarPictureName());
    m_nodeIcons = loadPictures(NodePictureName());
    actCollapseTree->setIcon(iconAt(tools, CollapseImage));
    actExpandTree->setIcon(iconAt(tools, ExpandImage));
}

void TCategoryTreeFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *d = dynamic_cast<TCategoryTreeFrmDefaults *>(DefaultInfo.get())) {
        AllowEdits = d->AllowEdits;
        AllowUseSelected = d->AllowUseSelected;
        SelectedRecord = d->SelectedRecord;
        Personality = d->Personality;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    SelectedRecord = CategoryTree::NormalisedCode(SelectedRecord);
    actDelete->setEnabled(AllowEdits);
    actUseSelected->setEnabled(AllowUseSelected);
    actOpenExecute();
    treCategories->setFocus();
    edtSearchBox->setFocus();
}

void TCategoryTreeFrm::actOpenExecute()
{
    QObject *owner = Owner();
    const bool foodEditor = owner && (owner->inherits("TSampleEditFrm") || owner->inherits("TSampleTemplateEditFrm"));
    const bool food = foodEditor || Personality == Varnex::PersonalityFood;
    m_treeTable = CategoryTree::TableForPersonality(food ? Varnex::PersonalityFood : QString());
    memCategoryHelp->setVisible(food);

    const TLookupDataDm &lists = lookups();
    m_tree = std::make_unique<CategoryTree>(lists.Table(m_treeTable), lists.Table(QStringLiteral("mdMAFF")));
    m_categoryList = m_tree->SearchEntries();
    m_categoryCodeList.clear();
    for (int row = 0; row < m_tree->rowCount(); ++row)
        m_categoryCodeList << m_tree->itemCode(row);
    fillTree();
    searchChanged(edtSearchBox->text());

    treCategories->collapseAll();
    if (!MakeCurrent(SelectedRecord) && !m_itemOfRow.isEmpty())
        treCategories->setCurrentIndex(m_itemOfRow.first()->index());
    ShowHelp();
}

void TCategoryTreeFrm::fillTree()
{
    m_model->clear();
    m_itemOfRow.clear();
    const int rows = m_tree->rowCount();
    for (int row = 0; row < rows; ++row) {
        auto *item = new QStandardItem(m_tree->description(row));
        item->setData(row, RowRole);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_itemOfRow << item;
    }
    // Siblings by their description, letter case ignored; equal ones keep the table's order.
    QHash<int, QList<int>> children; // parent row (-1: top) -> rows
    for (int row = 0; row < rows; ++row)
        children[m_tree->displayParentRow(row)].append(row);
    for (auto it = children.begin(); it != children.end(); ++it) {
        QList<int> &list = it.value();
        std::stable_sort(list.begin(), list.end(), [this](int a, int b) {
            return m_tree->description(a).compare(m_tree->description(b), Qt::CaseInsensitive) < 0;
        });
        QStandardItem *parent = it.key() < 0 ? m_model->invisibleRootItem() : m_itemOfRow.at(it.key());
        for (int row : std::as_const(list))
            parent->appendRow(m_itemOfRow.at(row));
    }
    for (QStandardItem *item : std::as_const(m_itemOfRow))
        item->setIcon(iconAt(m_nodeIcons, item->hasChildren() ? ClosedFolder : Entry));
}

void TCategoryTreeFrm::updateFolderIcon(const QModelIndex &index)
{
    if (QStandardItem *item = m_model->itemFromIndex(index); item && item->hasChildren())
        item->setIcon(iconAt(m_nodeIcons, treCategories->isExpanded(index) ? OpenFolder : ClosedFolder));
}

bool TCategoryTreeFrm::MakeCurrent(const QString &itemCode)
{
    const int row = m_tree ? m_tree->rowOfCode(itemCode) : -1;
    if (row < 0)
        return false;
    const QModelIndex index = m_itemOfRow.at(row)->index();
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        treCategories->expand(up);
    treCategories->setCurrentIndex(index);
    treCategories->scrollTo(index);
    return true;
}

int TCategoryTreeFrm::currentRow() const
{
    const QModelIndex index = treCategories->currentIndex();
    const int row = index.isValid() && m_tree ? index.data(RowRole).toInt() : -1;
    return row < (m_tree ? m_tree->rowCount() : 0) ? row : -1;
}

QString TCategoryTreeFrm::CurrentItemCode() const
{
    const int row = currentRow();
    return row >= 0 ? m_tree->itemCode(row) : QString();
}

bool TCategoryTreeFrm::HelpShown() const
{
    return !memCategoryHelp->isHidden();
}

void TCategoryTreeFrm::ShowHelp()
{
    const int row = currentRow();
    memCategoryHelp->setPlainText(row >= 0 && LookupDataDm ? LookupDataDm->HelpForCategory(m_tree->itemCode(row)) : QString());
}

void TCategoryTreeFrm::searchChanged(const QString &text)
{
    lstSearchResults->clear();
    m_selectedCodeList.clear();
    for (int i : CategoryTree::Search(m_categoryList, text)) {
        lstSearchResults->addItem(m_categoryList.at(i));
        m_selectedCodeList << m_categoryCodeList.at(i);
    }
}

void TCategoryTreeFrm::resultChosen()
{
    treCategories->collapseAll();
    const int result = lstSearchResults->currentRow();
    if (result >= 0 && result < m_selectedCodeList.size())
        MakeCurrent(m_selectedCodeList.at(result));
    ShowHelp();
}

void TCategoryTreeFrm::actUseSelectedExecute()
{
    auto info = std::make_unique<TCategoryTreeFrmReturnInfo>();
    if (!m_tree)
        throw CategoryTreeError(CategoryTree::NoSelectionMessage());
    static_cast<CategoryPath &>(*info) = m_tree->PathOf(currentRow());
    info->ResultType = QDialog::Accepted;
    HandBack(std::move(info));
    if (isVisible())
        done(QDialog::Accepted);
}

void TCategoryTreeFrm::useSelectedShowingErrors()
{
    // A refused entry is told and the form stays open, as the program's standard handler would.
    try {
        actUseSelectedExecute();
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}

void TCategoryTreeFrm::enterPressed()
{
    if (actUseSelected->isEnabled())
        actUseSelected->trigger();
    else
        close();
}

bool TCategoryTreeFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enterPressed();
            return true;
        }
        if (watched == treCategories && (key == Qt::Key_Right || key == Qt::Key_Left)) {
            const QModelIndex current = treCategories->currentIndex();
            if (current.isValid())
                treCategories->setExpanded(current, key == Qt::Key_Right);
            return true;
        }
    }
    return TIBBaseAdvancedfrm::eventFilter(watched, event);
}

void TCategoryTreeFrm::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        enterPressed();
        return;
    }
    TIBBaseAdvancedfrm::keyPressEvent(e);
}
