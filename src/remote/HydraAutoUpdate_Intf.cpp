#include "remote/HydraAutoUpdate_Intf.h"

#include "remote/RemoteError.h"
#include "remote/RemoteService.h"

#include <QCborArray>
#include <QCborMap>

namespace {

template<typename E, size_t N>
E readEnum(const QString &name, const char *const (&names)[N], const char *typeName)
{
    for (size_t i = 0; i < N; ++i)
        if (name == QLatin1String(names[i]))
            return E(i);
    throw ProtocolError(QStringLiteral("\"%1\" is not a value of %2").arg(name, QLatin1String(typeName)));
}

const char *const UpdateStatusNames[] = {"usNoUpdates", "usNeedsUpdate", "usShouldUpdate"};
const char *const UpdateOperationNames[] = {"uoClient", "uoAddOrReplace", "uoDelete"};
const char *const FileUpdateStatusNames[] = {"fusPending", "fusUpdated"};
const char *const ComparisonMethodNames[] = {"ucmCompareTime", "ucmCompareVersion", "ucmUserDefined"};

template<size_t N>
QString nameOf(int v, const char *const (&names)[N])
{
    return v >= 0 && size_t(v) < N ? QLatin1String(names[v]) : QString::number(v);
}

// Field readers: a missing field or null reads as empty, a value of the wrong kind is refused.
QString textField(const QCborMap &m, const QString &field)
{
    const QCborValue v = m.value(field);
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isString())
        throw ProtocolError(QStringLiteral("The field \"%1\" is not text").arg(field));
    return v.toString();
}

qint64 intField(const QCborMap &m, const QString &field)
{
    const QCborValue v = m.value(field);
    if (v.isUndefined() || v.isNull())
        return 0;
    if (!v.isInteger())
        throw ProtocolError(QStringLiteral("The field \"%1\" is not an integer").arg(field));
    return v.toInteger();
}

QCborMap recordMap(const QCborValue &value, const char *typeName)
{
    if (!value.isMap())
        throw ProtocolError(QStringLiteral("A %1 is not a structure").arg(QLatin1String(typeName)));
    return value.toMap();
}

} // namespace

QString enumName(THYUpdateStatus v) { return nameOf(v, UpdateStatusNames); }
QString enumName(THYUpdateOperation v) { return nameOf(v, UpdateOperationNames); }
QString enumName(THYFileUpdateStatus v) { return nameOf(v, FileUpdateStatusNames); }
QString enumName(THYUpdateComparisonMethod v) { return nameOf(v, ComparisonMethodNames); }

THYUpdateStatus readUpdateStatus(const QString &name)
{
    return readEnum<THYUpdateStatus>(name, UpdateStatusNames, "THYUpdateStatus");
}
THYUpdateOperation readUpdateOperation(const QString &name)
{
    return readEnum<THYUpdateOperation>(name, UpdateOperationNames, "THYUpdateOperation");
}
THYFileUpdateStatus readFileUpdateStatus(const QString &name)
{
    return readEnum<THYFileUpdateStatus>(name, FileUpdateStatusNames, "THYFileUpdateStatus");
}
THYUpdateComparisonMethod readUpdateComparisonMethod(const QString &name)
{
    return readEnum<THYUpdateComparisonMethod>(name, ComparisonMethodNames, "THYUpdateComparisonMethod");
}

QStringList THYFileUpdateInfo::fieldNames()
{
    return {QStringLiteral("Operation"), QStringLiteral("FileName"), QStringLiteral("Size"),
            QStringLiteral("TimeStamp"), QStringLiteral("Version"), QStringLiteral("DownloadProgress"),
            QStringLiteral("UserData"), QStringLiteral("Status")};
}

QCborValue THYFileUpdateInfo::write() const
{
    QCborMap m;
    m.insert(QStringLiteral("Operation"), enumName(Operation));
    m.insert(QStringLiteral("FileName"), FileName);
    m.insert(QStringLiteral("Size"), Size);
    m.insert(QStringLiteral("TimeStamp"), Wire::encodeDateTime(TimeStamp));
    m.insert(QStringLiteral("Version"), Version);
    m.insert(QStringLiteral("DownloadProgress"), DownloadProgress);
    m.insert(QStringLiteral("UserData"), UserData);
    m.insert(QStringLiteral("Status"), enumName(Status));
    return m;
}

THYFileUpdateInfo THYFileUpdateInfo::read(const QCborValue &value)
{
    const QCborMap m = recordMap(value, "THYFileUpdateInfo");
    THYFileUpdateInfo info;
    const QString operation = textField(m, QStringLiteral("Operation"));
    info.Operation = operation.isEmpty() ? uoClient : readUpdateOperation(operation);
    info.FileName = textField(m, QStringLiteral("FileName"));
    info.Size = intField(m, QStringLiteral("Size"));
    const QCborValue ts = m.value(QStringLiteral("TimeStamp"));
    if (!ts.isUndefined() && !ts.isNull()) {
        bool ok = false;
        const QDateTime wall = Wire::decodeDateTime(ts, &ok);
        if (!ok)
            throw ProtocolError(QStringLiteral("The field \"TimeStamp\" is not a date and time"));
        // The wire carries wall-clock fields; they are read back unchanged.
        info.TimeStamp = wall;
    }
    info.Version = textField(m, QStringLiteral("Version"));
    info.DownloadProgress = intField(m, QStringLiteral("DownloadProgress"));
    info.UserData = textField(m, QStringLiteral("UserData"));
    const QString status = textField(m, QStringLiteral("Status"));
    info.Status = status.isEmpty() ? fusPending : readFileUpdateStatus(status);
    return info;
}

QCborValue THYFileSearchInfo::write() const
{
    QCborMap m;
    m.insert(QStringLiteral("SearchMask"), SearchMask);
    m.insert(QStringLiteral("Recursive"), Recursive);
    m.insert(QStringLiteral("TargetClientDirectory"), TargetClientDirectory);
    return m;
}

THYFileSearchInfo THYFileSearchInfo::read(const QCborValue &value)
{
    const QCborMap m = recordMap(value, "THYFileSearchInfo");
    THYFileSearchInfo info;
    info.SearchMask = textField(m, QStringLiteral("SearchMask"));
    const QCborValue r = m.value(QStringLiteral("Recursive"));
    if (!r.isUndefined() && !r.isNull() && !r.isBool())
        throw ProtocolError(QStringLiteral("The field \"Recursive\" is not a Boolean"));
    info.Recursive = r.toBool();
    info.TargetClientDirectory = textField(m, QStringLiteral("TargetClientDirectory"));
    return info;
}

QCborValue writeFileUpdateInfoArray(const THYFileUpdateInfoArray &list)
{
    QCborArray a;
    for (const THYFileUpdateInfo &info : list)
        a.append(info.write());
    return a;
}

THYFileUpdateInfoArray readFileUpdateInfoArray(const QCborValue &value)
{
    if (value.isNull() || value.isUndefined())
        return {};
    if (!value.isArray())
        throw ProtocolError(QStringLiteral("A THYFileUpdateInfoArray is not an array"));
    THYFileUpdateInfoArray list;
    const QCborArray a = value.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
        try {
            list.append(THYFileUpdateInfo::read(a.at(i)));
        } catch (const ProtocolError &e) {
            throw ProtocolError(QStringLiteral("Entry %1 of the file list: %2").arg(i).arg(e.message()));
        }
    }
    return list;
}

namespace {

class HYAutoUpdateServiceProxy : public IHYAutoUpdateService
{
public:
    HYAutoUpdateServiceProxy(HttpChannel &channel, const QString &serviceName, int totalTimeoutMs)
        : m_service(channel, serviceName.isEmpty() ? HYAutoUpdateService_ServiceName : serviceName),
          m_timeoutMs(totalTimeoutMs)
    {
    }

    THYUpdateStatus VerifyUpdateStatus(const QString &LastUpdateID, QString &CurrentUpdateID, QString &UserData) override
    {
        const Wire::Reply reply = m_service.call(QStringLiteral("VerifyUpdateStatus"),
                                                 {Wire::Param::string(QStringLiteral("LastUpdateID"), LastUpdateID)},
                                                 m_timeoutMs);
        const QCborValue result = Wire::readValue(reply, QStringLiteral("Result"), Wire::Type::String);
        const THYUpdateStatus status = readUpdateStatus(result.toString());
        CurrentUpdateID = Wire::readValue(reply, QStringLiteral("CurrentUpdateID"), Wire::Type::String).toString();
        UserData = Wire::readValue(reply, QStringLiteral("UserData"), Wire::Type::String).toString();
        return status;
    }

    THYFileUpdateInfoArray GetUpdatesInfo(const QString &UpdateID, const THYFileUpdateInfoArray &ClientFiles) override
    {
        const Wire::Reply reply = m_service.call(
            QStringLiteral("GetUpdatesInfo"),
            {Wire::Param::string(QStringLiteral("UpdateID"), UpdateID),
             Wire::Param{QStringLiteral("ClientFiles"), Wire::Type::Array, writeFileUpdateInfoArray(ClientFiles)}},
            m_timeoutMs);
        return readFileUpdateInfoArray(Wire::readValue(reply, QStringLiteral("Result"), Wire::Type::Array));
    }

    qint32 GetFileData(const THYFileUpdateInfo &UpdateInfo, qint32 Offset, qint32 Count, QByteArray &Data) override
    {
        const Wire::Reply reply = m_service.call(
            QStringLiteral("GetFileData"),
            {Wire::Param{QStringLiteral("UpdateInfo"), Wire::Type::Struct, UpdateInfo.write()},
             Wire::Param::int32(QStringLiteral("Offset"), Offset), Wire::Param::int32(QStringLiteral("Count"), Count)},
            m_timeoutMs);
        const qint64 n = Wire::readInt64(reply, QStringLiteral("Result"));
        Data = Wire::readValue(reply, QStringLiteral("Data"), Wire::Type::Binary).toByteArray();
        if (n != Data.size())
            throw ProtocolError(QStringLiteral("GetFileData answered %1 bytes but counted %2").arg(Data.size()).arg(n));
        return qint32(n);
    }

private:
    RemoteService m_service;
    int m_timeoutMs;
};

} // namespace

std::unique_ptr<IHYAutoUpdateService> CoHYAutoUpdateService::Create(HttpChannel &channel, const QString &serviceName,
                                                                    int totalTimeoutMs)
{
    return std::make_unique<HYAutoUpdateServiceProxy>(channel, serviceName, totalTimeoutMs);
}
