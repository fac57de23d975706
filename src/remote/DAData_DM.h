#pragma once

#include "remote/AesEnvelope.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteDataAdapter.h"
#include "remote/VRXLoginInfo.h"

#include <QIODevice>

// What the central-server client takes from the installation and authority settings.
struct CentralServerSettings
{
    QString serverAddress;     // "ServerAddress"
    bool keepAlive = false;    // authority setting FLAG_KEEP_ALIVE
    bool useInternetProxy = false;
    QString proxyUserName;     // typed at start-up when a proxy is used
    QString proxyPassword;
};

// The client of the central server's login, postbox and maintenance services. Each user creates
// its own instance, uses it on its thread and frees it. Every operation logs in with the built-in
// service account first; messages travel inside the AES envelope.
class TDADataDm
{
public:
    static constexpr int CallTimeoutMs = 5000;
    // Uploads are given CallTimeoutMs plus the time the content takes at this rate.
    static constexpr qint64 MinUploadBytesPerSecond = 32 * 1024;
    static QByteArray ServiceUserName() { return QByteArrayLiteral("vrxuser"); }
    static QByteArray ServicePassword() { return QByteArrayLiteral("kite3"); }

    explicit TDADataDm(const CentralServerSettings &settings);

    // HTTP basic login typed into the "Internet login details" dialog.
    void SetHttpLogin(const QString &userName, const QString &password);

    // True when the server accepted the account; then LoggedIn, RealName and UserId are set.
    // A UserId that is not a decimal integer throws the conversion error.
    bool Login(const QString &aURL, const QString &aUserID, const QString &aPassword);

    // Posts one row to FILE_TO_INSERT_FROM_LA_EX; AContent is sent whole from its first byte.
    // Throws when the server refuses the service account (nothing is posted) or the post fails.
    void AddFileToPostBox(const QString &ASenderCode, const QString &ASenderDescription,
                          const QString &ASiteCode, const QString &ASiteDescription,
                          const QString &ARecipientCode, const QString &ARecipientDescription,
                          const QString &AUserName, const QString &AUserEmail,
                          const QString &AUserTelephoneNo, const QString &AComment,
                          const QString &AContentType, QIODevice &AContent,
                          const QString &ACancelledSampleList);

    // Sets FLAG_PROSECUTION of the server's sample to "T" or "F". Throws
    // "No sample found on server with code: <code>" when the server has no such sample.
    void SetProsecutionForSample(const QString &ASampleCode, bool AValue);

    static int UploadTimeoutMs(qint64 bytes);

    qint32 ClientId() const { return m_clientId; }
    qint32 UserId() const { return m_userId; }
    QString RealName() const { return m_realName; }
    bool LoggedIn() const { return m_loggedIn; }
    void setLoggedIn(bool v) { m_loggedIn = v; }

    HttpChannel ROChannel;
    AesEnvelope ROAESEncryptionEnvelope1{AesEnvelope::builtInPassPhrase()};
    RemoteDataAdapter PostboxAdapter{ROChannel, QStringLiteral("PostboxV9Service"), &ROAESEncryptionEnvelope1};
    RemoteDataAdapter ClientAdapterAdapter{ROChannel, QStringLiteral("VRXMaint"), &ROAESEncryptionEnvelope1};
    RemoteTable tblInsertFile{PostboxAdapter, QStringLiteral("FILE_TO_INSERT_FROM_LA_EX")};
    RemoteTable tblClientOutcomeCategory{ClientAdapterAdapter, QStringLiteral("CLIENT_OUTCOME_CATEGORY")};
    RemoteTable tblClientOutcomeResultText{ClientAdapterAdapter, QStringLiteral("CLIENT_OUTCOME_RESULT_TEXT")};
    RemoteTable tblClientOutcomeResult{ClientAdapterAdapter, QStringLiteral("CLIENT_OUTCOME_RESULT")};
    RemoteTable tblFinalSampleForCode{ClientAdapterAdapter, QStringLiteral("FINAL_SAMPLE_FOR_CODE")};

private:
    void loginWithServiceAccount();

    CentralServerSettings m_settings;
    qint32 m_clientId = 0; // never set: always 0
    qint32 m_userId = 0;
    QString m_realName;
    bool m_loggedIn = false;
    VRXLoginInfo m_loginInfo;
};
