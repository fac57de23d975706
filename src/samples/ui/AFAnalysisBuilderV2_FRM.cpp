#include "samples/ui/AFAnalysisBuilderV2_FRM.h"

#include "reference/LookupData_DM.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
constexpr int NodeRole = Qt::UserRole + 1;
}

std::optional<QString> TAFAnalysisBuilderV2frm::Edit(TBasefrm *opener, const QString &analysisText)
{
    auto defaults = std::make_unique<TAFAnalysisBuilderV2Defaults>();
    defaults->AnalysisText = analysisText;
    TBasefrm::CreateAndShow<TAFAnalysisBuilderV2frm>(FormKey(), opener, true, std::move(defaults));
    if (auto info = TakeReturnInfo<TAFAnalysisBuilderV2ReturnInfo>(*opener))
        return info->AnalysisText;
    return std::nullopt;
}

TAFAnalysisBuilderV2frm::TAFAnalysisBuilderV2frm(QObject *AOwner) : TAdvancedFrm(AOwner)
{
    setWindowTitle(QStringLiteral("Animal Feed analysis builder"));
    resize(900, 640);
    auto *band = new QLabel(QStringLiteral("  Animal Feed analysis builder"), RzPanel2);
    QFont bold = band->font();
    bold.setBold(true);
    band->setFont(bold);
    RzPanel2->layout()->addWidget(band);

    auto *layout = new QVBoxLayout(ClientArea);
    auto *splitter = new QSplitter(Qt::Vertical, ClientArea);
    layout->addWidget(splitter, 1);

    auto *top = new QWidget(splitter);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto *searchPane = new QWidget(top);
    auto *searchLayout = new QVBoxLayout(searchPane);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    auto *searchLabel = new QLabel(QStringLiteral("Search:"), searchPane);
    edtSearch = new QLineEdit(searchPane);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    searchLabel->setBuddy(edtSearch);
    lstSearchResults = new QListWidget(searchPane);
    lstSearchResults->setObjectName(QStringLiteral("lstSearchResults"));
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(edtSearch);
    searchLayout->addWidget(lstSearchResults, 1);
    searchPane->setMinimumWidth(260);
    topLayout->addWidget(searchPane, 2);

    auto *treePane = new QWidget(top);
    auto *treeLayout = new QVBoxLayout(treePane);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    auto *tools = new QToolBar(treePane);
    actExpand = tools->addAction(QStringLiteral("Expand"));
    actExpand->setObjectName(QStringLiteral("actExpand"));
    actCollapse = tools->addAction(QStringLiteral("Collapse"));
    actCollapse->setObjectName(QStringLiteral("actCollapse"));
    treeLayout->addWidget(tools);
    mdFeedAnalysisType = new QStandardItemModel(this);
    mdFeedAnalysisType->setObjectName(QStringLiteral("mdFeedAnalysisType"));
    tvAnalysisTypes = new QTreeView(treePane);
    tvAnalysisTypes->setObjectName(QStringLiteral("tvAnalysisTypes"));
    tvAnalysisTypes->setModel(mdFeedAnalysisType);
    tvAnalysisTypes->setHeaderHidden(true);
    tvAnalysisTypes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeLayout->addWidget(tvAnalysisTypes, 1);
    topLayout->addWidget(treePane, 3);

    auto *bottom = new QWidget(splitter);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(new QLabel(QStringLiteral("Analysis"), bottom));
    lstAnalysis = new QListWidget(bottom);
    lstAnalysis->setObjectName(QStringLiteral("lstAnalysis"));
    bottomLayout->addWidget(lstAnalysis, 1);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    actUseSelected = new QAction(QStringLiteral("Use Selected"), this);
    actUseSelected->setObjectName(QStringLiteral("actUseSelected"));
    addAction(actUseSelected);
    ActionButton *use = AddButton(actUseSelected);
    use->setMinimumHeight(30);
    // Enter closes the lookup with the selection (the setting that governs it is always on).
    use->setDefault(true);
    RzPanel1->setMinimumWidth(150);

    connect(actExpand, &QAction::triggered, tvAnalysisTypes, &QTreeView::expandAll);
    connect(actCollapse, &QAction::triggered, tvAnalysisTypes, &QTreeView::collapseAll);
    connect(actUseSelected, &QAction::triggered, this, [this]() { actUseSelectedExecute(); });
    connect(edtSearch, &QLineEdit::textChanged, this, [this](const QString &text) { edtSearchChange(text); });
    connect(lstSearchResults, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        tvAnalysisTypes->collapseAll();
        goToNode(item->data(NodeRole).toInt());
    });
    connect(lstAnalysis, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (m_selection)
            goToNode(m_selection->IndexOfExpanded(item->text()));
    });
    connect(mdFeedAnalysisType, &QStandardItemModel::itemChanged, this, [this](QStandardItem *item) {
        if (m_attached)
            mdFeedAnalysisTypeAfterPost(item);
    });
}

TAFAnalysisBuilderV2frm::~TAFAnalysisBuilderV2frm() = default;

void TAFAnalysisBuilderV2frm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    QString text;
    const DataTable *tree = nullptr;
    if (auto *defaults = dynamic_cast<TAFAnalysisBuilderV2Defaults *>(DefaultInfo.get())) {
        text = defaults->AnalysisText;
        tree = defaults->Tree;
    }
    TAdvancedFrm::InitialiseDefaults(std::move(DefaultInfo));
    if (!tree && LookupDataDm)
        tree = &LookupDataDm->Table(QStringLiteral("mdFeedAnalysisType"));
    m_attached = false;
    m_selection = std::make_unique<FeedAnalysisSelection>(tree ? *tree : DataTable());
    m_selection->SetText(text);
    buildTree();
    showLines();
    m_attached = true;
    tvAnalysisTypes->collapseAll();
    if (mdFeedAnalysisType->rowCount() > 0)
        tvAnalysisTypes->setCurrentIndex(mdFeedAnalysisType->index(0, 0));
    edtSearch->setFocus();
}

void TAFAnalysisBuilderV2frm::buildTree()
{
    mdFeedAnalysisType->clear();
    m_items.clear();
    const auto &nodes = m_selection->Nodes();
    for (int i = 0; i < nodes.size(); ++i) {
        auto *item = new QStandardItem(nodes.at(i).Description);
        item->setData(i, NodeRole);
        item->setToolTip(nodes.at(i).Expanded);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_selection->IsSelected(i) ? Qt::Checked : Qt::Unchecked);
        m_items.insert(i, item);
    }
    // A node goes under its parent unless the parent is missing or the walk up from the parent
    // comes back to the node (a cycle): then it is shown at the top, so every node can be reached.
    for (int i = 0; i < nodes.size(); ++i) {
        const int parent = nodes.at(i).ParentId == -1 ? -1 : m_selection->IndexOfId(nodes.at(i).ParentId);
        bool underParent = parent >= 0 && parent != i;
        for (int up = parent, steps = 0; underParent && up >= 0 && steps <= nodes.size(); ++steps) {
            if (up == i)
                underParent = false;
            const qint64 next = nodes.at(up).ParentId;
            up = next == -1 ? -1 : m_selection->IndexOfId(next);
        }
        if (underParent)
            m_items.value(parent)->appendRow(m_items.value(i));
        else
            mdFeedAnalysisType->appendRow(m_items.value(i));
    }
    mdFeedAnalysisType->sort(0, Qt::AscendingOrder);
}

void TAFAnalysisBuilderV2frm::mdFeedAnalysisTypeAfterPost(QStandardItem *item)
{
    const int node = item->data(NodeRole).toInt();
    const bool checked = item->checkState() == Qt::Checked;
    if (checked == m_selection->IsSelected(node))
        return;
    m_selection->SetSelected(node, checked);
    showLines();
}

void TAFAnalysisBuilderV2frm::showLines()
{
    lstAnalysis->clear();
    lstAnalysis->addItems(m_selection->Lines());
}

void TAFAnalysisBuilderV2frm::edtSearchChange(const QString &text)
{
    lstSearchResults->clear();
    for (int node : m_selection->Search(text)) {
        auto *item = new QListWidgetItem(m_selection->Nodes().at(node).Expanded, lstSearchResults);
        item->setData(NodeRole, node);
    }
}

void TAFAnalysisBuilderV2frm::goToNode(int node)
{
    QStandardItem *item = m_items.value(node);
    if (!item)
        return;
    const QModelIndex index = mdFeedAnalysisType->indexFromItem(item);
    tvAnalysisTypes->scrollTo(index);
    tvAnalysisTypes->setCurrentIndex(index);
}

void TAFAnalysisBuilderV2frm::SetNodeChecked(qint64 id, bool checked)
{
    if (QStandardItem *item = m_items.value(m_selection->IndexOfId(id)))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool TAFAnalysisBuilderV2frm::NodeChecked(qint64 id) const
{
    const QStandardItem *item = m_items.value(m_selection->IndexOfId(id));
    return item && item->checkState() == Qt::Checked;
}

qint64 TAFAnalysisBuilderV2frm::CurrentNodeId() const
{
    const QStandardItem *item = mdFeedAnalysisType->itemFromIndex(tvAnalysisTypes->currentIndex());
    return item ? m_selection->Nodes().at(item->data(NodeRole).toInt()).Id : -1;
}

void TAFAnalysisBuilderV2frm::actUseSelectedExecute()
{
    auto info = std::make_unique<TAFAnalysisBuilderV2ReturnInfo>();
    info->AnalysisText = m_selection->Text();
    info->ResultType = QDialog::Accepted;
    HandBack(std::move(info));
    done(QDialog::Accepted);
}
