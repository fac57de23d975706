#include "remote/DAData_DM.h"

#include "remote/LoginService.h"
#include "remote/RemoteError.h"

TDADataDm::TDADataDm(const CentralServerSettings &settings) : m_settings(settings)
{
    ROChannel.setUserAgent(QStringLiteral("Varnex Desktop"));
    ROChannel.setConnectTimeoutMs(CallTimeoutMs);
    ROChannel.setTimeoutMs(CallTimeoutMs);
    PostboxAdapter.setTimeoutMs(CallTimeoutMs);
    ClientAdapterAdapter.setTimeoutMs(CallTimeoutMs);
}

void TDADataDm::SetHttpLogin(const QString &userName, const QString &password)
{
    ROChannel.setHttpLogin(userName, password);
}

int TDADataDm::UploadTimeoutMs(qint64 bytes)
{
    const qint64 ms = CallTimeoutMs + bytes * 1000 / MinUploadBytesPerSecond;
    return int(std::min<qint64>(ms, INT32_MAX));
}

bool TDADataDm::Login(const QString &aURL, const QString &aUserID, const QString &aPassword)
{
    if (m_settings.useInternetProxy)
        ROChannel.setProxyLogin(m_settings.proxyUserName, m_settings.proxyPassword);
    else
        ROChannel.setProxyLogin({}, {});
    ROChannel.disconnect();
    ROChannel.setKeepAlive(m_settings.keepAlive);
    ROChannel.setTargetUrl(!aURL.isEmpty() ? aURL : m_settings.serverAddress);

    VRXLoginInfo info;
    const bool accepted = LoginService(ROChannel, &ROAESEncryptionEnvelope1, CallTimeoutMs)
                              .Login(aUserID.toLatin1(), aPassword.toLatin1(), info);
    if (!accepted)
        return false;
    // Convert first, so that a failed conversion leaves the module as it was.
    bool ok = false;
    const qint32 userId = QString::fromLatin1(info.UserId).trimmed().toInt(&ok, 10);
    if (!ok)
        throw RemoteError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(info.UserId)));
    m_loginInfo.assign(info);
    m_loggedIn = true;
    m_realName = QString::fromLatin1(info.RealName);
    m_userId = userId;
    return true;
}

void TDADataDm::loginWithServiceAccount()
{
    if (!Login({}, QString::fromLatin1(ServiceUserName()), QString::fromLatin1(ServicePassword())))
        throw RemoteError(QStringLiteral("The central server refused the service account \"%1\"; nothing was sent to it.")
                              .arg(QString::fromLatin1(ServiceUserName())));
}

void TDADataDm::AddFileToPostBox(const QString &ASenderCode, const QString &ASenderDescription,
                                 const QString &ASiteCode, const QString &ASiteDescription,
                                 const QString &ARecipientCode, const QString &ARecipientDescription,
                                 const QString &AUserName, const QString &AUserEmail,
                                 const QString &AUserTelephoneNo, const QString &AComment,
                                 const QString &AContentType, QIODevice &AContent,
                                 const QString &ACancelledSampleList)
{
    loginWithServiceAccount();
    // The whole content from its first byte, whatever the position the caller left it at.
    if (!AContent.isOpen() && !AContent.open(QIODevice::ReadOnly))
        throw RemoteError(QStringLiteral("The postbox content cannot be read: %1").arg(AContent.errorString()));
    if (!AContent.isSequential() && !AContent.seek(0))
        throw RemoteError(QStringLiteral("The postbox content cannot be read: %1").arg(AContent.errorString()));
    const QByteArray content = AContent.readAll();

    tblInsertFile.close();
    tblInsertFile.open();
    QVariantMap row;
    row.insert(QStringLiteral("SENDER_CODE"), ASenderCode);
    row.insert(QStringLiteral("SENDER_DESCRIPTION"), ASenderDescription);
    row.insert(QStringLiteral("SITE_CODE"), ASiteCode);
    row.insert(QStringLiteral("SITE_DESCRIPTION"), ASiteDescription);
    row.insert(QStringLiteral("RECIPIENT_CODE"), ARecipientCode);
    row.insert(QStringLiteral("RECIPIENT_DESCRIPTION"), ARecipientDescription);
    row.insert(QStringLiteral("USER_NAME"), AUserName);
    row.insert(QStringLiteral("USER_EMAIL_ADDRESS"), AUserEmail);
    row.insert(QStringLiteral("USER_TELEPHONE_NO"), AUserTelephoneNo);
    row.insert(QStringLiteral("COMMENT"), QString(QLatin1String("")));
    row.insert(QStringLiteral("SENDER_NOTES"), AComment);
    row.insert(QStringLiteral("CONTENT_TYPE"), AContentType);
    row.insert(QStringLiteral("CANCELLED_SAMPLE_LIST"), ACancelledSampleList.isNull() ? QString(QLatin1String("")) : ACancelledSampleList);
    row.insert(QStringLiteral("CONTENT"), content);
    tblInsertFile.appendAndPost(row, UploadTimeoutMs(content.size()));
}

void TDADataDm::SetProsecutionForSample(const QString &ASampleCode, bool AValue)
{
    loginWithServiceAccount();
    tblFinalSampleForCode.close();
    tblFinalSampleForCode.clearParams();
    tblFinalSampleForCode.setParam(QStringLiteral("Sample_Code"), ASampleCode);
    tblFinalSampleForCode.open();
    if (tblFinalSampleForCode.rowCount() == 0)
        throw RemoteError(QStringLiteral("No sample found on server with code: ") + ASampleCode);
    tblFinalSampleForCode.editAndPost(0, {{QStringLiteral("FLAG_PROSECUTION"), AValue ? QStringLiteral("T") : QStringLiteral("F")}});
}
