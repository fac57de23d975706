#pragma once

#include "gui/Advanced_FRM.h"
#include "samples/AnalysisText.h"

#include <QHash>
#include <optional>

class QLineEdit;
class QListWidget;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
class DataTable;

class TAFAnalysisBuilderV2Defaults : public TDefaultInfo
{
public:
    QString AnalysisText;
    // Kept for the callers that set them; nothing the officer can reach depends on them.
    bool AllowEdits = true;
    bool AllowUseSelected = true;
    QString Personality;
    // The analysis tree; the lookup module's mdFeedAnalysisType when not set.
    const DataTable *Tree = nullptr;
};

class TAFAnalysisBuilderV2ReturnInfo : public TReturnInfo
{
public:
    QString AnalysisText;
};

// "Animal Feed analysis builder": the feed analysis types as a tree with check boxes, a search over
// their expanded descriptions, and the analysis text's lines below. Ticking a node adds its line,
// unticking removes it; lines that name no node stay. "Use Selected" (or Enter) hands the lines
// back, each ended by CR LF. The working state is the builder's own: the shared lookup table is
// only read.
class TAFAnalysisBuilderV2frm : public TAdvancedFrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("AnalysisBuilder"); }

    // What an editor calls: opens the builder modally on the text and returns the text to store,
    // or nothing when it was closed without "Use Selected".
    static std::optional<QString> Edit(TBasefrm *opener, const QString &analysisText);

    explicit TAFAnalysisBuilderV2frm(QObject *AOwner);
    ~TAFAnalysisBuilderV2frm() override;
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // Ticks or unticks the node with that UNIQUE_ID as a click on its check box does.
    void SetNodeChecked(qint64 id, bool checked);
    bool NodeChecked(qint64 id) const;
    // The id of the node the tree is on; -1 when none.
    qint64 CurrentNodeId() const;
    const FeedAnalysisSelection *Selection() const { return m_selection.get(); }

    QLineEdit *edtSearch;
    QListWidget *lstSearchResults;
    QTreeView *tvAnalysisTypes;
    QStandardItemModel *mdFeedAnalysisType;
    QListWidget *lstAnalysis;
    QAction *actExpand;
    QAction *actCollapse;
    QAction *actUseSelected;

private:
    void buildTree();
    void mdFeedAnalysisTypeAfterPost(QStandardItem *item);
    void showLines();
    void edtSearchChange(const QString &text);
    void goToNode(int node);
    void actUseSelectedExecute();

    std::unique_ptr<FeedAnalysisSelection> m_selection;
    QHash<int, QStandardItem *> m_items; // node index -> item
    bool m_attached = false;
};
