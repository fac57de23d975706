#pragma once

#include "core/LoginServerAccess.h"
#include "remote/SyncWorkerHelper_DM.h"

#include <memory>

// The login module's server calls over a TSyncWorkerHelperDM: the officer table through the
// channel's synchronisation data adapter, the numbering table through "PostboxV9Service" on the
// same HTTP channel (no envelope). Either works on a shared channel or owns a private one.
class LoginServerChannel : public LoginServerAccess
{
public:
    // Works on a channel owned elsewhere (the program's shared one); it must outlive this object.
    explicit LoginServerChannel(TSyncWorkerHelperDM &shared);
    // Owns a private channel: the server monitor's.
    explicit LoginServerChannel(std::unique_ptr<TSyncWorkerHelperDM> own);

    // The monitor's channel: short time-outs, so that a dead or stalled server is reported as
    // "Offline" within a few seconds and never holds up a login that waits for the check.
    static std::unique_ptr<LoginServerAccess> createMonitorChannel(const QString &serverAddress);
    static constexpr int MonitorConnectTimeoutMs = 2000;
    static constexpr int MonitorTotalTimeoutMs = 4000;

    TSyncWorkerHelperDM &helper() { return m_helper; }

    void SetRemoteServerURL(const QString &url) override;
    bool ServerIsAlive() noexcept override;
    void SetInternetProxy(const QString &userName, const QString &password) override;
    QList<QVariantMap> FindOfficers(const QString &emailAddress) override;
    QVariantMap OpenActivationRow(const QString &authorityCode) override;
    void PostActivationClaim(const QString &authorityCode, const QVariant &oldId, qint64 newId,
                             const QString &uuid) override;

private:
    std::unique_ptr<TSyncWorkerHelperDM> m_own;
    TSyncWorkerHelperDM &m_helper;
    ::RemoteDataAdapter m_postboxAdapter;
};
