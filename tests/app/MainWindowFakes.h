#pragma once

// Stand-ins for what the main window works with: the central data module, the server monitor and
// the synchronisation controller.

#include "app/Main_FRM.h"

#include <QObject>
#include <QTimer>

class FakeContext : public IMainWindowContext
{
public:
    QString personality = QStringLiteral("FOOD");
    bool admin = false;
    bool support = false;
    int personalityWrites = 0;
    QString Personality() const override { return personality; }
    void SetPersonality(const QString &value) override
    {
        personality = value;
        ++personalityWrites;
    }
    bool UserIsAdmin() override { return admin; }
    bool ShowSupport() override { return support; }
    QString RunMode() const override { return QStringLiteral(": for user officer@demo.example"); }
    QString Version() const override { return QStringLiteral("1.2.3"); }
    QString AppPath() const override { return QStringLiteral("/nonexistent/"); }
    void CheckDBStructure() override {}
    QUrl newsUrl = QUrl(QStringLiteral("http://localhost:8099/varnexwebapp/news/index"));
    QUrl NewsUrl() const override { return newsUrl; }
    std::optional<NewsHeaderValues> NewsHeaders() override { return std::nullopt; }
    IGeneralInfo *SetupInfo() override { return nullptr; }
};

class FakeMonitor : public IMainServerMonitor
{
public:
    bool alive = false;
    bool stopped = false;
    QString message = QStringLiteral("Offline");
    std::function<void()> handler;
    bool ServerConnectionIsAlive() const override { return alive; }
    QString MonitorServerConnectionStatusMessage() const override { return message; }
    void SetChangeHandler(std::function<void()> h) override { handler = std::move(h); }
    void StopMonitor() override
    {
        stopped = true;
        message = QStringLiteral("Not monitoring");
    }
};

// A controller whose pass ends as soon as the event loop runs (or never, when told so).
class FakeSync : public IMainSyncController
{
public:
    QObject lifetime; // pending ends go with the fake
    bool active = false;
    bool passEnds = true;
    int runs = 0;
    bool listening = true;
    QString status = QStringLiteral("Sync sleeping.");
    bool SyncActive() const override { return active; }
    QString SyncStatus() const override { return status; }
    void RunSync() override
    {
        ++runs;
        if (active)
            return;
        active = true;
        if (passEnds)
            QTimer::singleShot(0, &lifetime, [this]() { active = false; });
    }
    void RemoveStatusChangeHandler() override { listening = false; }
};
