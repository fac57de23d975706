#include "ServerAutoUpdate.h"

#include "remote/HydraAutoUpdate_Intf.h"
#include "remote/RemoteError.h"
#include "base/VarnexError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Wire;

namespace {

// The largest chunk of a file one GetFileData call may ask for.
constexpr qint32 MaxChunk = 4 * 1024 * 1024;

struct ReleaseFile
{
    THYFileUpdateInfo info;
    QString contentPath; // empty: the server lists the file but cannot hand it out
};

struct Release
{
    bool exists = false;
    QString updateId;
    QString userData;
    QList<ReleaseFile> files;
};

QString releaseFileName(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("releases.json"));
}

// A content path must stay inside the data folder.
QString contentPathOf(const QString &dataDir, const QString &relative, const QString &fileName)
{
    const QString clean = QDir::cleanPath(relative);
    if (QDir::isAbsolutePath(clean) || clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")))
        throw VarnexError(QStringLiteral("releases.json: the path of %1 must lie inside the data folder").arg(fileName));
    return QDir(dataDir).filePath(clean);
}

Release loadRelease(const QString &dataDir)
{
    Release release;
    QFile file(releaseFileName(dataDir));
    if (!file.exists())
        return release;
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("releases.json cannot be read: %1").arg(file.errorString()));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        throw VarnexError(QStringLiteral("releases.json is not valid JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        throw VarnexError(QStringLiteral("releases.json must hold an object"));
    const QJsonObject root = doc.object();
    release.exists = true;
    release.updateId = root.value(QLatin1String("updateId")).toString();
    if (release.updateId.isEmpty())
        throw VarnexError(QStringLiteral("releases.json needs a non-empty \"updateId\""));
    release.userData = root.value(QLatin1String("userData")).toString();
    const QJsonArray files = root.value(QLatin1String("files")).toArray();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QJsonObject f = files.at(i).toObject();
        ReleaseFile rf;
        rf.info.Operation = uoAddOrReplace;
        rf.info.Status = fusPending;
        rf.info.FileName = f.value(QLatin1String("name")).toString();
        if (rf.info.FileName.isEmpty())
            throw VarnexError(QStringLiteral("releases.json: file %1 has no \"name\"").arg(i));
        rf.info.Version = f.value(QLatin1String("version")).toString();
        rf.info.UserData = f.value(QLatin1String("userData")).toString();
        const QString ts = f.value(QLatin1String("timeStamp")).toString();
        if (!ts.isEmpty()) {
            rf.info.TimeStamp = QDateTime::fromString(ts, Qt::ISODate);
            if (!rf.info.TimeStamp.isValid())
                throw VarnexError(QStringLiteral("releases.json: the timeStamp of %1 is not a date and time").arg(rf.info.FileName));
        }
        const QString path = f.value(QLatin1String("path")).toString();
        if (!path.isEmpty())
            rf.contentPath = contentPathOf(dataDir, path, rf.info.FileName);
        if (f.contains(QLatin1String("size"))) {
            const double size = f.value(QLatin1String("size")).toDouble(-1);
            if (size < 0)
                throw VarnexError(QStringLiteral("releases.json: the size of %1 must be a number of bytes").arg(rf.info.FileName));
            rf.info.Size = qint64(size);
        } else if (!rf.contentPath.isEmpty()) {
            rf.info.Size = QFileInfo(rf.contentPath).size();
        }
        release.files.append(rf);
    }
    return release;
}

// File names are compared as the client lists them: separators of either kind, any letter case.
bool sameFileName(const QString &a, const QString &b)
{
    QString x = a, y = b;
    x.replace(QLatin1Char('\\'), QLatin1Char('/'));
    y.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return x.compare(y, Qt::CaseInsensitive) == 0;
}

QString stringParam(const Request &r, const QString &name)
{
    const Param *p = findParam(r.params, name);
    if (!p)
        throw ProtocolError(QStringLiteral("%1.%2 needs the parameter \"%3\"").arg(r.service, r.operation, name));
    if (p->type != Type::String && p->type != Type::AnsiString)
        throw ProtocolError(QStringLiteral("The parameter \"%1\" must be text").arg(name));
    return p->value.toString();
}

QCborValue typedParam(const Request &r, const QString &name, const QString &type)
{
    const Param *p = findParam(r.params, name);
    if (!p)
        throw ProtocolError(QStringLiteral("%1.%2 needs the parameter \"%3\"").arg(r.service, r.operation, name));
    if (p->type != type)
        throw ProtocolError(QStringLiteral("The parameter \"%1\" must be of type %2").arg(name, type));
    return p->value;
}

Reply verifyUpdateStatus(const Release &release, const Request &request)
{
    const QString last = stringParam(request, QStringLiteral("LastUpdateID"));
    const bool current = !release.exists || last == release.updateId;
    Reply reply;
    reply.results << Param::string(QStringLiteral("Result"), enumName(current ? usNoUpdates : usNeedsUpdate))
                  << Param::string(QStringLiteral("CurrentUpdateID"), release.exists ? release.updateId : last)
                  << Param::string(QStringLiteral("UserData"), release.userData);
    return reply;
}

Reply getUpdatesInfo(const Release &release, const Request &request)
{
    const QString updateId = stringParam(request, QStringLiteral("UpdateID"));
    const THYFileUpdateInfoArray client = readFileUpdateInfoArray(typedParam(request, QStringLiteral("ClientFiles"), Type::Array));
    THYFileUpdateInfoArray answer;
    if (release.exists) {
        // An installation that names another release gets every file; one that names none, or
        // this release, gets the files that it lacks or that differ in size or version.
        const bool everything = !updateId.isEmpty() && updateId != release.updateId;
        for (const ReleaseFile &rf : release.files) {
            bool wanted = everything;
            if (!wanted) {
                const auto it = std::find_if(client.begin(), client.end(),
                                             [&](const THYFileUpdateInfo &c) { return sameFileName(c.FileName, rf.info.FileName); });
                wanted = it == client.end() || it->Size != rf.info.Size
                    || (!rf.info.Version.isEmpty() && it->Version != rf.info.Version);
            }
            if (wanted)
                answer.append(rf.info);
        }
    }
    Reply reply;
    reply.results << Param{QStringLiteral("Result"), Type::Array, writeFileUpdateInfoArray(answer)};
    return reply;
}

Reply getFileData(const Release &release, const Request &request)
{
    const THYFileUpdateInfo wanted = THYFileUpdateInfo::read(typedParam(request, QStringLiteral("UpdateInfo"), Type::Struct));
    const qint64 offset = typedParam(request, QStringLiteral("Offset"), Type::Int32).toInteger();
    const qint64 count = typedParam(request, QStringLiteral("Count"), Type::Int32).toInteger();
    if (offset < 0 || count < 0)
        throw VarnexError(QStringLiteral("Offset and Count must not be negative"));
    if (count > MaxChunk)
        throw VarnexError(QStringLiteral("Count may be at most %1 bytes (%2 was asked for)").arg(MaxChunk).arg(count));
    const auto it = std::find_if(release.files.begin(), release.files.end(),
                                 [&](const ReleaseFile &rf) { return sameFileName(rf.info.FileName, wanted.FileName); });
    if (!release.exists || it == release.files.end())
        throw VarnexError(QStringLiteral("No file %1 in the current release").arg(wanted.FileName));
    if (it->contentPath.isEmpty())
        throw VarnexError(QStringLiteral("The server holds no content for %1").arg(wanted.FileName));
    QFile file(it->contentPath);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The content of %1 cannot be read: %2").arg(wanted.FileName, file.errorString()));
    QByteArray data;
    if (offset < file.size()) {
        if (!file.seek(offset))
            throw VarnexError(QStringLiteral("The content of %1 cannot be read: %2").arg(wanted.FileName, file.errorString()));
        data = file.read(count);
        if (file.error() != QFileDevice::NoError)
            throw VarnexError(QStringLiteral("The content of %1 cannot be read: %2").arg(wanted.FileName, file.errorString()));
    }
    Reply reply;
    reply.results << Param::int32(QStringLiteral("Result"), qint32(data.size())) << Param::binary(QStringLiteral("Data"), data);
    return reply;
}

} // namespace

bool isAutoUpdateService(const QString &serviceName)
{
    return serviceName == HYAutoUpdateService_ServiceName;
}

Reply autoUpdateService(const QString &dataDir, const Request &request)
{
    const QString &op = request.operation;
    if (op != QLatin1String("VerifyUpdateStatus") && op != QLatin1String("GetUpdatesInfo") && op != QLatin1String("GetFileData"))
        throw ProtocolError(QStringLiteral("%1 has no operation \"%2\"").arg(request.service, op));
    const Release release = loadRelease(dataDir);
    if (op == QLatin1String("VerifyUpdateStatus"))
        return verifyUpdateStatus(release, request);
    if (op == QLatin1String("GetUpdatesInfo"))
        return getUpdatesInfo(release, request);
    return getFileData(release, request);
}
