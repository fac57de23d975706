#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "remote/DAData_DM.h"
#include "sync/LookupTableRefresh.h"

#include <functional>
#include <memory>

class BackgroundCall;
class QLabel;
class QStandardItemModel;
class QTreeView;

class TUpdateRemoteLookupDataFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    // Where the central server is and how to reach it; asked when the form first needs the server.
    std::function<CentralServerSettings()> ServerSettings;
};

// "Update Remote Lookup Data": brings the downloadable lookup tables of the local store up to date
// from the central server. "Fetch table list" reads the server's list and compares it with the
// local rows ("Add", "Update", or up to date); "Update marked tables" downloads the pending ones
// one after the other, each written in one transaction only once its content has been checked,
// and then the lookup lists reload from what was written.
//
// Every server call runs off the GUI thread; meanwhile the status bar says what is going on, and
// the actions and closing wait. A table that cannot be downloaded or written fails alone, with
// its cause beside it; when the server cannot be reached the update stops at that table.
class TUpdateRemoteLookupDataFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    explicit TUpdateRemoteLookupDataFrm(QObject *AOwner);
    ~TUpdateRemoteLookupDataFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // The form's central-server client, made on first use.
    std::shared_ptr<TDADataDm> DADataDm();

    // The list as fetched and handled so far.
    const QList<LookupTableRow> &Rows() const { return m_rows; }
    bool IsBusy() const { return m_busy; }
    // "Fetch table list" without expanding the list; done(true) when a table is to be added or
    // updated. Not called when the fetch failed or was refused.
    void CheckForUpdates(std::function<void(bool)> done);

    static QString BusyMessage() { return QStringLiteral("Please wait until the lookup tables have been updated."); }
    static QString RefusedMessage()
    {
        return QStringLiteral("The central server refused the service login; the table list was not fetched.");
    }

    QLabel *lblTableList;
    QTreeView *grdLookups;
    QStandardItemModel *tvLookups;
    QAction *actCheckForUpdates;
    QAction *actUpdateTables;

protected:
    void actCheckForUpdatesExecute();
    void actUpdateTablesExecute();
    // Compares the fetched list with the local rows.
    void ModifyDataset();
    bool FormCloseQuery() override;

private:
    void fetch(std::function<void()> fetched);
    void updateFrom(int index);
    void finishUpdate(const QString &stoppedBy);
    void setBusy(bool busy, const QString &status = {});
    void showRows();
    void showRow(int index);
    QString messageTitle() const;

    std::function<CentralServerSettings()> m_serverSettings;
    std::shared_ptr<TDADataDm> m_server;
    std::shared_ptr<BackgroundCall> m_call;
    QList<LookupTableRow> m_rows;
    bool m_busy = false;
    bool m_written = false;
    bool m_cursorSet = false;
};
