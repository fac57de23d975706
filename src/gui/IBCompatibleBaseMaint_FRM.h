#pragma once

#include "gui/DataGridView.h"
#include "gui/GridLayoutView.h"
#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"

#include "data/DataSet.h"
#include "data/GridModel.h"

#include <QFormLayout>
#include <QMenu>
#include <QTabWidget>
#include <QVariant>

#include <functional>
#include <memory>

class IVRXInfo;

// How a maintenance form is opened: to maintain its table, or to pick a row from it.
enum TMaintFrmMode { mmoMaint, mmoBrowse };

// The opening parameters of a maintenance form.
class TIBCompatibleBaseMaintFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    TMaintFrmMode OpenMode = mmoBrowse;
    // The row to show first: its UNIQUE_UUID (the key of every maintenance list, which a
    // synchronisation pass never changes, unlike ID). Empty: the first row of the list. A key that
    // the list does not hold (deleted since, another authority's) also leaves the first row current.
    QVariant InitialBookmark;
    // "UNIQUE_UUID" makes the picker answer that column; anything else answers CODE.
    QString CodeFieldName = QStringLiteral("code");
    bool AllowScroll = true;
    bool AllowEdit = true;
};

// The base of the forms that keep one reference table as a list of rows (page "Browser") and a
// detail page for the current row (page "Detail"), and that also serve as a modal picker
// (SearchForCode) answering the chosen row's CODE, or "CANCELLED".
//
// A descendant gives, in its constructor:
// - SetListSql: the SELECT of the rows listed (named parameters allowed, no ORDER BY), which must
//   return UNIQUE_UUID, the key of the list, of the current row and of every write; ID is neither
//   needed nor ever written, so a synchronisation pass may renumber a row while the form is open;
// - SetUpdateTable: the table the detail page writes to; columns of the SELECT that are not columns
//   of that table (expressions, sub-selects, joins) are shown but read-only;
// - SetGridColumns, SetDefaultSort: what the grid shows and its first order;
// - its editors on DetailArea (AddDataEditor), each bound to qryIBOData, the current row; the
//   editor tagged 1 gets the focus on New, the one tagged 2 on Edit (SetEditorTag).
// and may override:
// - PrepareQuery: sets the SELECT's parameters (SetQueryParam) before every open and refresh;
// - NewRecord, BeforePost: defaults of a new row (UNIQUE_UUID is given already), values set and
//   refusals before a row is written (RefusePost focuses an editor and refuses with its message);
// - actDeleteExecute: checks of its own, then the inherited one (question and soft delete);
//   SoftDeleteCurrentRow marks the row without asking;
// - PageControlChange (calling the inherited one first), tvDataNavigatorButtonsButtonClick,
//   grdDataDblClick; AddPage adds a page of its own.
//
// The list sits on a GridModel (a page at a time; typing searches the focused column; a header
// click sorts); the detail page works on an SqlDataSet that holds only the current row, read by
// its UNIQUE_UUID, so that editing never reads the whole table.
//
// Failures of the actions (a refused post, a database error) are shown through the prompter with
// their message; the row stays in its state.
class TIBCompatibleBaseMaintfrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString CancelledResult() { return QStringLiteral("CANCELLED"); }
    static QString FinishUpdateMessage() { return QStringLiteral("Finish update before changing to browse mode"); }
    static QString DeleteQuestion() { return QStringLiteral("Delete record?"); }
    static QString NotAvailableText() { return QStringLiteral("Not available in this version"); }

    explicit TIBCompatibleBaseMaintfrm(QObject *AOwner);
    ~TIBCompatibleBaseMaintfrm() override;

    // Shows a form of the class as a modal picker and returns the chosen row's code, "CANCELLED",
    // or empty text when the list had no current row. The form has no owner and keeps its own
    // name; it is freed before the call returns. DefaultInfo may be null (picking mode, editing
    // and scrolling allowed, code field CODE).
    template <class TForm>
    static QString SearchForCode(std::unique_ptr<TIBCompatibleBaseMaintFrmDefaults> DefaultInfo = nullptr)
    {
        if (!DefaultInfo)
            DefaultInfo = std::make_unique<TIBCompatibleBaseMaintFrmDefaults>();
        std::unique_ptr<TForm> form(TBasefrm::Create<TForm>(nullptr));
        form->InitialiseDefaults(std::move(DefaultInfo));
        form->ShowModal();
        return form->SearchResult();
    }

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    TMaintFrmMode Mode() const { return m_mode; }
    void SetMode(TMaintFrmMode mode);
    bool AllowEdit() const { return m_allowEdit; }
    void SetAllowEdit(bool allow);
    bool AllowScroll() const { return m_allowScroll; }
    void SetAllowScroll(bool allow);
    QString SearchResult() const { return m_searchResult; }
    QString CodeField() const { return m_codeField; }
    // The key of the bookmark the form was opened with.
    QVariant InitialBookmark() const { return m_initialBookmark; }

    // The list grid as the grid layout store sees it (view "tvData").
    IGridLayoutView &GridLayoutView() const { return *m_layoutView; }

    // The key of the current row; invalid when the list has none.
    QVariant CurrentKey() const;
    bool IsEditing() const { return qryIBOData->isEditing(); }
    // Whether the grid page / the detail page is the active one.
    bool BrowsePageActive() const;
    bool DetailPageActive() const;

    // Pages and grid.
    QTabWidget *PageControl;
    QWidget *TabBrowse;
    QWidget *tabDetail;
    DataGridView *grdData;
    DataNavigator *grdDataNavigator;
    QWidget *DetailArea;     // the descendant's editors
    QFormLayout *DetailLayout;
    QFrame *pnlBottom;       // the record navigator of the detail page
    DataNavigator *dbnDetail;
    QMenu *mnuGridOptions;

    // Data: the listed rows and the current row.
    GridModel *qryList;
    SqlDataSet *qryIBOData;
    TzqcxFocusController *zqcxFocusController1;

    // Right-hand panel.
    QFrame *pnlNavigation;
    QFrame *pnlMaintenance;

    QAction *actNew;
    QAction *actEdit;
    QAction *actDelete;
    QAction *actBrowse;
    QAction *actDetails;
    QAction *actPost;
    QAction *actFilter;
    QAction *actSaveToExcel;
    QAction *actFullExpandGroups;
    QAction *actFullCollapseGroups;
    QAction *actStoreGridLayout;
    QAction *actRestoreSavedLayout;
    QAction *actCancel;

protected:
    // Set-up by descendants.
    void SetListSql(const QString &selectSql);
    void SetUpdateTable(const QString &table);
    void SetGridColumns(const QList<GridColumn> &columns);
    void SetDefaultSort(const QList<GridSortKey> &keys);
    // A value for a named parameter of the list's SELECT, bound to the list and the current row.
    void SetQueryParam(const QString &name, const QVariant &value);
    // An editor of the detail page under a caption, bound to a column of the current row and
    // linked to the focus controller. A tag (1: New, 2: Edit) says which editor gets the focus.
    template <class TEditor>
    TEditor *AddDataEditor(const QString &caption, const QString &field, int tag = 0)
    {
        auto *editor = new TEditor(DetailArea);
        editor->setObjectName(QStringLiteral("edt") + field);
        editor->SetDataBinding(qryIBOData, field);
        editor->SetFocusController(zqcxFocusController1);
        SetEditorTag(editor, tag);
        // Without a caption the editor still lines up with the others.
        DetailLayout->addRow(caption, editor);
        return editor;
    }
    static void SetEditorTag(QWidget *editor, int tag);
    static int EditorTag(const QWidget *editor);
    // Adds a page before the form's hidden last page; returns its index.
    int AddPage(QWidget *page, const QString &caption);

    // Hooks.
    virtual void PrepareQuery() {}
    virtual void NewRecord(SqlDataSet &row);
    virtual void BeforePost(SqlDataSet &row) { Q_UNUSED(row) }
    // Stops a post: shows the editor (its page first) with the focus, and refuses with the text.
    [[noreturn]] void RefusePost(QWidget *editor, const QString &message);

    // Handlers.
    virtual void PageControlChange(int index);
    virtual void tvDataNavigatorButtonsButtonClick(int AButtonIndex);
    virtual void grdDataDblClick() {}
    virtual void actNewExecute();
    virtual void actEditExecute();
    virtual void actDeleteExecute();
    virtual void actBrowseExecute();
    virtual void actDetailsExecute();
    virtual void actPostExecute();
    virtual void actCancelExecute();
    void actSaveChangesExecute() override;
    void actCancelChangesExecute() override;
    void actRefreshDataExecute() override;
    void FormActivate() override;
    bool FormCloseQuery() override;

    // Marks the current row deleted (FLAG_DELETED = "T") and reads the list again; nothing when
    // there is no current row.
    void SoftDeleteCurrentRow();
    // Opens the list (and the current row) when it is closed; goes to the key when one is given.
    void OpenList(const QVariant &key = QVariant());
    // Reads the list and the current row again, keeping the current row by key where it still
    // is listed. Refused (false) while a row is being edited or inserted.
    bool RefreshList();
    // Runs an action's work; a failure is shown with its message.
    void Guarded(const std::function<void()> &work);
    // The authority and user settings of the program.
    static IVRXInfo &Settings();
    // The caption of messages.
    QString MessageTitle() const;

private:
    void buildPages();
    void buildPanels();
    void buildActions();
    void loadCurrentRow(const QVariant &key, bool force = false);
    void afterPost();
    void rereadList(const QVariant &key);
    void updateActions();
    // The grid-layout items work while the layout store exists ("Not available in this version"
    // otherwise).
    void updateGridLayoutActions();
    void focusTagged(int tag);
    void focusFirstOnPage(QWidget *page);
    void showPage(QWidget *page);
    void onPageChanged(int index);
    void moveBy(int AButtonIndex);

    TMaintFrmMode m_mode = mmoBrowse;
    bool m_allowEdit = true;
    bool m_allowScroll = true;
    QString m_searchResult;
    QString m_codeField = QStringLiteral("code");
    QVariant m_initialBookmark;
    QString m_listSql;
    QString m_updateTable;
    int m_lastPage = 0;
    bool m_changingPage = false;
    bool m_skipActivation = false;
    QVariant m_loadedKey;
    QWidget *m_hiddenPage = nullptr;
    std::unique_ptr<DataGridLayoutView> m_layoutView;
};
