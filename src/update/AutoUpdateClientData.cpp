#include "update/AutoUpdateClientData.h"

#include "base/IniFile.h"
#include "update/UpdateComponents.h"
#include "update/HYFileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

TAutoUpdateClientData *AutoUpdateClientData = nullptr;

namespace {

const QString Configuration = QStringLiteral("Configuration");

// A whole number, non-zero meaning true; anything else reads as the default.
bool readFlag(const IniFile &ini, const QString &key, bool defaultValue)
{
    bool ok = false;
    const int n = ini.value(Configuration, key).toInt(&ok);
    return ok ? n != 0 : defaultValue;
}

// The settings file by its full path; a missing one stops here.
IniFile existingSettings(const QString &iniFileName)
{
    const QString path = QFileInfo(iniFileName).absoluteFilePath();
    if (!QFileInfo(path).isFile())
        throw VarnexError(QStringLiteral("Cannot find initialization file %1").arg(path));
    return IniFile(path);
}

} // namespace

QString TAutoUpdateClientData::defaultIniFileName()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(defaultFileName());
}

TAutoUpdateClientData::TAutoUpdateClientData(const QString &iniFileName, QObject *owner, const TraceSink &trace)
    : TAutoUpdateClientData(existingSettings(iniFileName), owner, trace)
{
}

TAutoUpdateClientData::TAutoUpdateClientData(const IniFile &settings, QObject *owner, const TraceSink &trace)
    : QObject(owner), INIFileName(settings.fileName())
{
    AutoUpdateClient = new THYAutoUpdateClient(this);
    AutoUpdateClient->setTemporaryFileNamePrefix(QStringLiteral("$$"));
    readSettings(settings, trace);
}

TAutoUpdateClientData::~TAutoUpdateClientData()
{
    if (AutoUpdateClientData == this)
        AutoUpdateClientData = nullptr;
}

void TAutoUpdateClientData::readSettings(const IniFile &ini, const TraceSink &trace)
{
    if (!ini.loadError().isEmpty())
        throw VarnexError(ini.loadError());

    LastUpdateID = ini.value(Configuration, QStringLiteral("LastUpdateID"), pathMacroFolders().application);
    Interactive = readFlag(ini, QStringLiteral("Interactive"), true);
    ForceDownload = readFlag(ini, QStringLiteral("ForceDownload"), true);

    LoadFileSearchInfo(AutoUpdateClient->FileSearchInfo, ini.sectionValues(QStringLiteral("Directories")));

    QObject *client = AutoUpdateClient;
    SetObjectProperties(ini.sectionValues(QStringLiteral("AutoUpdateClient")), client, QStringLiteral("Class"), nullptr, trace);
    const auto section = [&](const QString &name, QObject *&object) {
        try {
            SetObjectProperties(ini.sectionValues(name), object, QStringLiteral("Class"), this, trace);
        } catch (const VarnexError &e) {
            throw VarnexError(QStringLiteral("%1 (section [%2] of %3)").arg(e.message(), name, INIFileName));
        }
    };
    section(QStringLiteral("Message"), m_message);
    AutoUpdateClient->Message = m_message;
    section(QStringLiteral("Channel"), m_channel);
    AutoUpdateClient->Channel = m_channel;
}

void TAutoUpdateClientData::setUpdates(const THYFileUpdateInfoArray &updates)
{
    m_updates = updates;
    if (OnResetUpdates)
        OnResetUpdates(m_updates);
}

bool TAutoUpdateClientData::CheckForUpdates(const ProxyLogin &proxy)
{
    // A failed check leaves no list behind, also when it fails before reaching the server.
    CanResume = false;
    setUpdates({});
    auto *channel = qobject_cast<HttpChannelComponent *>(m_channel);
    if (!channel)
        throw VarnexError(QStringLiteral("Invalid class typecast: the channel of %1 must be of class TROWinInetHTTPChannel")
                              .arg(INIFileName));
    if (proxy.apply)
        channel->channel().setProxyLogin(proxy.userName, proxy.password);
    if (channel->targetUrl().isEmpty())
        channel->setTargetUrl(FallbackTargetURL);
    // The check runs before the login window opens: a server that does not answer must not hold
    // up the start for longer than MaxCheckTimeOutMs, whatever the settings file asks for.
    const int total = std::clamp(channel->timeOut() > 0 ? channel->timeOut() : MaxCheckTimeOutMs, 1, MaxCheckTimeOutMs);
    channel->setTimeOut(total);
    channel->setConnectTimeOut(std::clamp(channel->connectTimeOut() > 0 ? channel->connectTimeOut() : total, 1, total));
    AutoUpdateClient->CallTimeoutMs = total;

    if (!ForceDownload) {
        QString current, userData;
        if (AutoUpdateClient->VerifyUpdateStatus(LastUpdateID, current, userData) == usNoUpdates)
            return false;
        LastUpdateID = current;
    } else {
        LastUpdateID.clear();
    }
    bool canResume = false;
    const THYFileUpdateInfoArray updates = AutoUpdateClient->GetUpdatesInfo(LastUpdateID, canResume);
    CanResume = canResume;
    setUpdates(updates);
    return !m_updates.isEmpty();
}
