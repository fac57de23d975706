#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "reference/OptionalLookupData_DM.h"

class QLabel;
class QPlainTextEdit;
class QTabBar;

class TOptionalLookupListMaintFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
};

// "Lookup lists": the food personality's pick lists, one tab per list, each edited as a block of
// text with one entry per line. Typed letters become capitals. Every change of the text (typed,
// pasted, sorted) marks the list as changed. Before another tab is shown, a changed list is saved,
// dropped, or kept in front (Cancel), as the officer answers while it is still showing; a changed
// list keeps the form open. Works through OptionalLookupDataDM (or the module given to it).
class TOptionalLookupListMaintFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString ChangedQuestion(const QString &caption)
    {
        return QStringLiteral("'") + caption + QStringLiteral("' has been changed, save changes?");
    }
    static QString CloseRefusedMessage() { return QStringLiteral("Save or cancel changed before exiting."); }

    explicit TOptionalLookupListMaintFrm(QObject *AOwner);

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;
    // The module the form reads and writes; OptionalLookupDataDM unless set.
    void SetLookupModule(TOptionalLookupDataDM *module) { m_module = module; }

    bool Changed() const { return m_changed; }
    QString CurrentListName() const { return m_currentListName; }

    QTabBar *tbTextLists;
    QPlainTextEdit *memList;
    QLabel *lblHeading;
    QAction *actSortList;

protected:
    // The lists of the form's personality.
    virtual const QList<TOptionalLookupDataDM::ListName> &Lists() const { return TOptionalLookupDataDM::FoodLists(); }
    virtual QString Heading() const { return QStringLiteral("  Food - Optional lookup lists"); }

    bool FormCloseQuery() override;
    void actSaveChangesExecute() override;
    void actCancelChangesExecute() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TOptionalLookupDataDM &module() const;
    void LoadTab();
    void tbTextListsChanging(int newIndex);
    void actSortListExecute();
    // Saves the current list; false (text and flag kept) when the store refused it.
    bool SaveCurrent();
    void SetChanged(bool changed);

    TOptionalLookupDataDM *m_module = nullptr;
    QString m_currentListName;
    int m_currentIndex = -1;
    bool m_changed = false;
    bool m_loading = false;
};

// The animal-feed personality's pick lists, otherwise the same form.
class TOptionalLookupListAFMaintFrm : public TOptionalLookupListMaintFrm
{
    Q_OBJECT
public:
    explicit TOptionalLookupListAFMaintFrm(QObject *AOwner);

protected:
    const QList<TOptionalLookupDataDM::ListName> &Lists() const override { return TOptionalLookupDataDM::FeedLists(); }
    QString Heading() const override { return QStringLiteral("  Animal feed - Optional lookup lists"); }
};
