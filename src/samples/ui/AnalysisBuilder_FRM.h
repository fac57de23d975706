#pragma once

#include "gui/Advanced_FRM.h"

#include <optional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class TOptionalLookupDataDM;

enum TabSelectionTypes { abUndesireable, abCompoundFeeds, abFeedMaterials, abBioProteins, abAll };

class TAnalysisBuilderFrmDefaults : public TDefaultInfo
{
public:
    QString InitialText;
    // Kept for the callers that pass it; the list is the same whatever the type.
    TabSelectionTypes SelectionType = abAll;
    // The pick lists read; OptionalLookupDataDM when not set.
    TOptionalLookupDataDM *Lists = nullptr;
};

class TAnalysisBuilderFrmReturnInfo : public TReturnInfo
{
public:
    QString ReturnText;
};

// "Analysis builder": the analysis text with a check list of the authority's analysis names (the
// "AnalysisCode" pick list); the checked names go into the text at the caret. "Save" hands the
// whole text back to the opener; closing otherwise hands back nothing.
class TAnalysisBuilderFrm : public TAdvancedFrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("AnalysisBuilder"); }
    static QString EmptyListText() { return QStringLiteral("There are no items in the 'Analysis' Optional list."); }

    // What an editor calls: opens the builder modally on the text and returns the text to store,
    // or nothing when the officer closed it without "Save".
    static std::optional<QString> Edit(TBasefrm *opener, const QString &text, TabSelectionTypes type = abAll);

    explicit TAnalysisBuilderFrm(QObject *AOwner);
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    void SetColumns(int columns);

    QPlainTextEdit *memAnalysisText;
    QListWidget *lstAnalysisTypes;
    QLabel *pnlNoItems;
    QSpinBox *spnColumns;
    QAction *actInsertChecked;
    QAction *actCheckAll;
    QAction *actUncheckAll;
    QAction *actSave;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void actInsertCheckedExecute();
    void setAllChecked(bool checked);
    void actSaveExecute();
    void layoutColumns();
};
