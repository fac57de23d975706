#pragma once

#include "layouts/GridViewLayout.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// The grid layout store: keeps the arrangement of a grid view under a name the user gives, lets
// the user choose a kept one again, expands and collapses a view's groups and saves a grid as an
// Excel file. Layouts are rows of SYS_GRID_VIEW, written through SYS_GRID_VIEW_IU and kept apart
// by application, form and view name, so that a layout returns only to the view of the form it
// was kept for. Made once after login on the main connection, on the main thread; free of
// widgets: the chooser form and the save dialog are given to it by the window layer
// (SetChooserOpener, SetExcelFileAsker).
//
// Failures reach the user through the prompter with their message; nothing is half stored.
class TGridViewStorageDm : public QObject
{
    Q_OBJECT
public:
    // The lengths of SYS_GRID_VIEW's name columns.
    static constexpr int DescriptionLength = 200;
    static constexpr int ComponentNameLength = 100;

    static QString NoNameMessage() { return QStringLiteral("View not saved, no name entered."); }
    static QString NameTooLongMessage()
    {
        return QStringLiteral("View not saved, the name is longer than %1 characters.").arg(DescriptionLength);
    }
    static QString NameTitle() { return QStringLiteral("View name"); }
    static QString NamePrompt() { return QStringLiteral("Name"); }

    // connection gives the main local connection of the moment.
    explicit TGridViewStorageDm(std::function<QSqlDatabase()> connection, QObject *parent = nullptr);
    ~TGridViewStorageDm() override;

    // Asks for a name ("View name", "Name") and keeps the view's layout under it.
    void StoreViewToDB(IGridLayoutView &AView);
    // Opens the chooser of the layouts kept for the view (one chooser at a time).
    void RestoreViewFromDB(IGridLayoutView &AView);
    void ExpandGroups(IGridLayoutView &AView);
    void CollapseGroups(IGridLayoutView &AView);
    // Asks for a file and saves every record of the view there as an Excel workbook.
    void SaveToExcel(IGridLayoutView &AView);

    // The work behind them, for the chooser and for tests. Each throws VarnexError.
    // Keeps the layout under the name; a name that is blank or longer than DescriptionLength is
    // refused (NoNameMessage, NameTooLongMessage) and nothing is stored.
    void StoreLayout(const IGridLayoutView &view, const QString &description);
    // Applies a kept layout to the view: a row without settings changes nothing; settings that
    // cannot be read are refused with a message that says so, and the view stays as it was.
    void ApplyStoredView(qint64 id, IGridLayoutView &view);
    // Marks a kept layout deleted; it is no longer offered.
    void DeleteStoredView(qint64 id);
    // The SELECT of the layouts offered for a view: ID and DESCRIPTION, with the parameters
    // APPLICATION_NAME, FORM_NAME and VIEW_NAME, whose values for a view ViewParams gives.
    static QString StoredViewsSql();
    static QList<std::pair<QString, QString>> ViewParams(const IGridLayoutView &view);

    QSqlDatabase database() const { return m_connection(); }

    // What the window layer gives: the chooser, opened modeless for a view, and the question for
    // a file to save a workbook to (empty: cancelled).
    using ChooserOpener = std::function<void(TGridViewStorageDm &storage, IGridLayoutView &view)>;
    using FileAsker = std::function<QString()>;
    void SetChooserOpener(ChooserOpener opener) { m_openChooser = std::move(opener); }
    void SetExcelFileAsker(FileAsker asker) { m_askFile = std::move(asker); }

private:
    static QString MessageTitle();
    void guarded(const std::function<void()> &work);

    std::function<QSqlDatabase()> m_connection;
    ChooserOpener m_openChooser;
    FileAsker m_askFile;
};

// The one instance, made after login; nullptr before and after.
extern TGridViewStorageDm *GridViewStorageDm;
