#pragma once

#include <QByteArray>
#include <QCborValue>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class HttpChannel;

// The contract of the update service: its records, enumerations and operations, as they travel on
// our wire (docs/wire.md). Records are CBOR maps written in declared field order and read by name;
// enumerations travel as the names of their values.

inline const QString HydraAutoUpdate_LibraryName = QStringLiteral("HydraAutoUpdate");
inline const QString HYAutoUpdateService_ServiceName = QStringLiteral("HYAutoUpdateService");
inline const QString IHYAutoUpdateService_IID = QStringLiteral("{39330BB5-9B50-41B5-AC92-854FC48DD748}");

enum THYUpdateStatus { usNoUpdates, usNeedsUpdate, usShouldUpdate };
enum THYUpdateOperation { uoClient, uoAddOrReplace, uoDelete };
enum THYFileUpdateStatus { fusPending, fusUpdated };
enum THYUpdateComparisonMethod { ucmCompareTime, ucmCompareVersion, ucmUserDefined };

// Wire names of the enumerations; the readers throw ProtocolError for a name that is not one.
QString enumName(THYUpdateStatus v);
QString enumName(THYUpdateOperation v);
QString enumName(THYFileUpdateStatus v);
QString enumName(THYUpdateComparisonMethod v);
THYUpdateStatus readUpdateStatus(const QString &name);
THYUpdateOperation readUpdateOperation(const QString &name);
THYFileUpdateStatus readFileUpdateStatus(const QString &name);
THYUpdateComparisonMethod readUpdateComparisonMethod(const QString &name);

// One file of a client list or of a server's answer. FileName carries the folder macros
// ("$APPLICATION/…"). The texts are single-byte in the original contract; here they travel as
// ordinary text, so that file names outside Latin-1 are not mangled. Size is carried as a 64-bit
// integer (CBOR integers are exact), so a file above 2 GiB is not misreported.
struct THYFileUpdateInfo
{
    THYUpdateOperation Operation = uoClient;
    QString FileName;
    qint64 Size = 0;
    QDateTime TimeStamp;
    QString Version;
    qint64 DownloadProgress = 0;
    QString UserData;
    THYFileUpdateStatus Status = fusPending;

    static QStringList fieldNames(); // declared order

    QCborValue write() const;
    // Throws ProtocolError naming the field that could not be read.
    static THYFileUpdateInfo read(const QCborValue &value);
};

struct THYFileSearchInfo
{
    QString SearchMask;
    bool Recursive = false;
    QString TargetClientDirectory;

    QCborValue write() const;
    static THYFileSearchInfo read(const QCborValue &value);
};

using THYFileUpdateInfoArray = QList<THYFileUpdateInfo>;
using THYFileSearchInfoArray = QList<THYFileSearchInfo>;
using THYFileUpdateInfoCollection = QList<THYFileUpdateInfo>;
using THYFileSearchInfoCollection = QList<THYFileSearchInfo>;

QCborValue writeFileUpdateInfoArray(const THYFileUpdateInfoArray &list);
THYFileUpdateInfoArray readFileUpdateInfoArray(const QCborValue &value);

// The service's operations. Every failure is thrown (TransportError, ProtocolError, ServerError).
class IHYAutoUpdateService
{
public:
    virtual ~IHYAutoUpdateService() = default;

    virtual THYUpdateStatus VerifyUpdateStatus(const QString &LastUpdateID, QString &CurrentUpdateID,
                                               QString &UserData) = 0;
    virtual THYFileUpdateInfoArray GetUpdatesInfo(const QString &UpdateID, const THYFileUpdateInfoArray &ClientFiles) = 0;
    // Returns the number of bytes in Data.
    virtual qint32 GetFileData(const THYFileUpdateInfo &UpdateInfo, qint32 Offset, qint32 Count, QByteArray &Data) = 0;
};

// Makes a proxy of the service on a channel; an empty service name means "HYAutoUpdateService".
// totalTimeoutMs <= 0 keeps the channel's own time-out.
class CoHYAutoUpdateService
{
public:
    static std::unique_ptr<IHYAutoUpdateService> Create(HttpChannel &channel, const QString &serviceName = {},
                                                        int totalTimeoutMs = 0);
};
