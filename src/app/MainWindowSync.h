#pragma once

// The synchronisation controller as the main window sees it, and the login module as the
// controller sees it.

#include "core/Initialisation_DM.h"
#include "app/Main_FRM.h"
#include "sync/SyncController_DM.h"

#include <QObject>

class InitialisationSyncState : public ISyncLoginState
{
public:
    explicit InitialisationSyncState(TInitialisationDM &initialisation) : m_initialisation(initialisation) {}
    bool ServerConnectionIsAlive() const override { return m_initialisation.ServerConnectionIsAlive(); }
    bool ISFirstSync() const override { return m_initialisation.ISFirstSync; }
    void SetISFirstSync(bool value) override { m_initialisation.ISFirstSync = value; }

private:
    TInitialisationDM &m_initialisation;
};

class MainWindowSyncLink : public IMainSyncController
{
public:
    explicit MainWindowSyncLink(TSyncControllerDM &controller) : m_controller(controller) {}
    ~MainWindowSyncLink() override { detach(); }

    // Hands the controller's table events and status changes to the window.
    void attach(TMainfrm &window)
    {
        detach();
        m_event = QObject::connect(&m_controller, &TSyncControllerDM::OnSyncEvent, &window,
                                   [&window](TSyncControllerDM *, int totalCount, int index, const QString &table,
                                             SyncEvent status) {
                                       // The window takes the event's number (table started or finished).
                                       window.SyncControllerSyncEvent(totalCount, index, table, int(status));
                                   });
        m_status = QObject::connect(&m_controller, &TSyncControllerDM::OnSyncStatusChange, &window,
                                    [&window](TSyncControllerDM *) { window.SyncControllerSyncStatusChange(); });
    }
    void detach()
    {
        QObject::disconnect(m_event);
        QObject::disconnect(m_status);
    }

    bool SyncActive() const override { return m_controller.SyncActive(); }
    QString SyncStatus() const override { return m_controller.SyncStatus(); }
    // The window asks for a pass (its action, its start): when the server is offline, the status
    // pane and the log say why none ran.
    void RunSync() override { m_controller.RequestSync(); }
    void RemoveStatusChangeHandler() override { QObject::disconnect(m_status); }

private:
    TSyncControllerDM &m_controller;
    QMetaObject::Connection m_event;
    QMetaObject::Connection m_status;
};
