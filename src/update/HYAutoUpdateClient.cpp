#include "update/HYAutoUpdateClient.h"

#include "update/UpdateComponents.h"
#include "remote/RemoteError.h"
#include "update/HYFileUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaProperty>

// ---------------------------------------------------------------------------------------------
// File scan

int THYFileUpdateHelper::ScanForFiles(const THYFileSearchInfo &info, THYFileUpdateInfoArray &list, bool clearList) const
{
    if (clearList)
        list.clear();
    const QString mask = toSlashes(ExpandPathMacros(info.SearchMask));
    const qsizetype slash = mask.lastIndexOf(QLatin1Char('/'));
    QString folder = slash < 0 ? QString() : mask.left(slash);
    const QString fileMask = slash < 0 ? mask : mask.mid(slash + 1);
    if (slash == 0)
        folder = QStringLiteral("/");
    if (QDir::isRelativePath(folder))
        folder = QDir(pathMacroFolders().application).filePath(folder);
    return AddDirectoryFiles(QDir::cleanPath(folder), fileMask, list, info.Recursive);
}

int THYFileUpdateHelper::AddDirectoryFiles(const QString &folder, const QString &mask, THYFileUpdateInfoArray &list,
                                           bool recursive) const
{
    int added = 0;
    for (const QFileInfo &file : ListFolderFiles(folder, mask, recursive)) {
        const QString name = CollapsePathMacros(file.filePath());
        if (FindFileUpdate(name, list) >= 0)
            continue;
        THYFileUpdateInfo info;
        info.Operation = uoClient;
        info.FileName = name;
        info.Size = file.size();
        info.TimeStamp = file.lastModified().toLocalTime();
        // Files carry no version resource on this platform: the version text stays empty.
        list.append(info);
        ++added;
    }
    return added;
}

int THYFileUpdateHelper::FindFileUpdate(const QString &fileName, const THYFileUpdateInfoArray &list)
{
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i).FileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Settings sections

namespace {

QString valueOf(const SettingsLines &lines, const QString &key)
{
    for (const auto &line : lines)
        if (line.first.compare(key, Qt::CaseInsensitive) == 0)
            return line.second;
    return {};
}

QMetaProperty findProperty(const QObject *object, const QString &name)
{
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.isWritable() && QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return {};
}

} // namespace

void SetObjectProperties(const SettingsLines &lines, QObject *&object, const QString &classKey, QObject *owner,
                         const TraceSink &trace)
{
    const auto report = [&trace](const QString &text) {
        if (trace)
            trace(text);
        else
            qWarning("%s", qPrintable(text));
    };
    if (!object) {
        object = ComponentRegistry::create(valueOf(lines, classKey));
        if (owner)
            object->setParent(owner);
    }
    const QString className = QString::fromLatin1(object->metaObject()->className());
    for (const auto &[name, value] : lines) {
        if (name.compare(classKey, Qt::CaseInsensitive) == 0)
            continue;
        const QMetaProperty property = findProperty(object, name);
        if (!property.isValid()) {
            report(QStringLiteral("%1 has no property \"%2\"; the setting is ignored").arg(className, name));
            continue;
        }
        const QMetaType::Type type = QMetaType::Type(property.metaType().id());
        const QString upper = value.toUpper();
        bool set = false;
        if (type == QMetaType::Bool) {
            if (upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE"))
                set = property.write(object, upper == QLatin1String("TRUE"));
        } else if (type == QMetaType::QString) {
            set = property.write(object, value);
        } else if (type == QMetaType::Int) {
            bool ok = false;
            const int n = value.trimmed().toInt(&ok);
            set = ok && property.write(object, n);
        }
        if (!set)
            report(QStringLiteral("%1.%2 cannot take the value \"%3\"; the setting is ignored").arg(className, name, value));
    }
}

THYFileSearchInfo parseFileSearchInfo(const QString &value)
{
    THYFileSearchInfo info;
    const qsizetype comma = value.indexOf(QLatin1Char(','));
    const QString maskPart = comma < 0 ? value : value.left(comma);
    if (comma >= 0) {
        const QString flag = value.mid(comma + 1).trimmed().toUpper();
        info.Recursive = flag == QLatin1String("RECURSIVE") || flag == QLatin1String("TRUE");
    }
    const qsizetype bar = maskPart.indexOf(QLatin1Char('|'));
    info.SearchMask = bar < 0 ? maskPart : maskPart.left(bar);
    info.TargetClientDirectory = bar < 0 ? QString() : maskPart.mid(bar + 1);
    return info;
}

void LoadFileSearchInfo(THYFileSearchInfoCollection &collection, const SettingsLines &lines)
{
    collection.clear();
    for (const auto &line : lines)
        collection.append(parseFileSearchInfo(line.second));
}

// ---------------------------------------------------------------------------------------------
// Client

THYAutoUpdateClient::THYAutoUpdateClient(QObject *parent) : QObject(parent)
{
}

std::unique_ptr<IHYAutoUpdateService> THYAutoUpdateClient::service() const
{
    auto *channel = qobject_cast<HttpChannelComponent *>(Channel);
    if (!channel)
        throw VarnexError(QStringLiteral("Invalid class typecast: the update check needs an HTTP channel (TROWinInetHTTPChannel), not %1")
                              .arg(Channel ? QString::fromLatin1(Channel->metaObject()->className()) : QStringLiteral("none")));
    if (!qobject_cast<WireMessageComponent *>(Message))
        throw VarnexError(QStringLiteral("Invalid class typecast: the update check needs a binary message (TROBinMessage), not %1")
                              .arg(Message ? QString::fromLatin1(Message->metaObject()->className()) : QStringLiteral("none")));
    if (channel->targetUrl().isEmpty())
        throw VarnexError(QStringLiteral("No address of the update server is set (TargetURL of the channel)"));
    return CoHYAutoUpdateService::Create(channel->channel(), m_serviceName, CallTimeoutMs);
}

THYFileUpdateInfoArray THYAutoUpdateClient::BuildClientFileList() const
{
    THYFileUpdateInfoArray list;
    for (const THYFileSearchInfo &info : FileSearchInfo)
        FileHelper.ScanForFiles(info, list, false);
    return list;
}

THYUpdateStatus THYAutoUpdateClient::VerifyUpdateStatus(const QString &lastUpdateID, QString &currentUpdateID, QString &userData)
{
    currentUpdateID.clear();
    userData.clear();
    const THYUpdateStatus status = service()->VerifyUpdateStatus(lastUpdateID, currentUpdateID, userData);
    if (OnVerityUpdateStatus)
        OnVerityUpdateStatus(status, userData, currentUpdateID);
    return status;
}

THYFileUpdateInfoArray THYAutoUpdateClient::GetUpdatesInfo(const QString &lastUpdateID, bool &canResume)
{
    canResume = false;
    auto proxy = service();
    const THYFileUpdateInfoArray clientFiles = BuildClientFileList();
    THYFileUpdateInfoArray updates = proxy->GetUpdatesInfo(lastUpdateID, clientFiles);
    // A download that an earlier run began left a temporary file beside its target.
    for (THYFileUpdateInfo &update : updates) {
        const QFileInfo target(toSlashes(ExpandPathMacros(update.FileName)));
        qint64 size = 0;
        if (GetFileSizeIfExists(QDir(target.path()).filePath(m_tempPrefix + target.fileName()), size)) {
            update.DownloadProgress = size;
            if (size > 0)
                canResume = true;
        }
    }
    if (!updates.isEmpty()) {
        if (OnUpdatesFound)
            OnUpdatesFound(updates, canResume);
    } else if (OnUpdatesNotFound) {
        OnUpdatesNotFound();
    }
    return updates;
}
