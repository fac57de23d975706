#include "remote/LoginServerChannel.h"

namespace {
const QString OfficerTable = QStringLiteral("_DYN_SAMPLE_OFFICER");
const QString ActivationTable = QStringLiteral("DB_ACTIVATION_LOCAL_AUTHORITY");
const QString PostboxService = QStringLiteral("PostboxV9Service");

QVariantMap rowAsMap(const DataTable &table, int row)
{
    QVariantMap map;
    for (int c = 0; c < table.fieldCount(); ++c)
        map.insert(table.field(c).name.toUpper(), table.value(row, c));
    return map;
}
} // namespace

LoginServerChannel::LoginServerChannel(TSyncWorkerHelperDM &shared)
    : m_helper(shared), m_postboxAdapter(shared.ClientChannel, PostboxService)
{
}

LoginServerChannel::LoginServerChannel(std::unique_ptr<TSyncWorkerHelperDM> own)
    : m_own(std::move(own)), m_helper(*m_own), m_postboxAdapter(m_helper.ClientChannel, PostboxService)
{
}

std::unique_ptr<LoginServerAccess> LoginServerChannel::createMonitorChannel(const QString &serverAddress)
{
    auto helper = std::make_unique<TSyncWorkerHelperDM>(serverAddress);
    helper->ClientChannel.setConnectTimeoutMs(MonitorConnectTimeoutMs);
    helper->ClientChannel.setTimeoutMs(MonitorTotalTimeoutMs);
    return std::make_unique<LoginServerChannel>(std::move(helper));
}

void LoginServerChannel::SetRemoteServerURL(const QString &url)
{
    m_helper.SetRemoteServerURL(url);
}

bool LoginServerChannel::ServerIsAlive() noexcept
{
    return m_helper.ServerIsAlive();
}

void LoginServerChannel::SetInternetProxy(const QString &userName, const QString &password)
{
    m_helper.SetInternetProxy(userName, password);
}

QList<QVariantMap> LoginServerChannel::FindOfficers(const QString &emailAddress)
{
    RemoteTable officers(m_helper.RemoteDataAdapter, OfficerTable);
    officers.setWhere({{QStringLiteral("EMAIL_ADDRESS"), Wire::WhereItem::Equal, emailAddress}});
    officers.open();
    QList<QVariantMap> rows;
    for (int r = 0; r < officers.rowCount(); ++r)
        rows.append(rowAsMap(officers.data(), r));
    return rows;
}

QVariantMap LoginServerChannel::OpenActivationRow(const QString &authorityCode)
{
    const DataTable table = m_postboxAdapter.Open(ActivationTable, {{QStringLiteral("localAuthorityCode"), authorityCode}});
    return table.rowCount() > 0 ? rowAsMap(table, 0) : QVariantMap();
}

void LoginServerChannel::PostActivationClaim(const QString &authorityCode, const QVariant &oldId, qint64 newId,
                                             const QString &uuid)
{
    Wire::RowChange change;
    change.kind = Wire::RowChange::Update;
    // The old number travels in the key: the server applies the update only while the row still
    // holds it, so two installations can never both get the same number.
    change.key = {{QStringLiteral("CODE"), authorityCode}, {QStringLiteral("LAST_INSTALL_ID"), oldId}};
    change.values = {{QStringLiteral("LAST_INSTALL_ID"), newId}, {QStringLiteral("LAST_INSTALL_UUID"), uuid}};
    m_postboxAdapter.ApplyChanges(ActivationTable, {change}, {{QStringLiteral("localAuthorityCode"), authorityCode}});
}
