#pragma once

#include "remote/HydraAutoUpdate_Intf.h"
#include "core/Registry_DM.h"
#include "update/HYAutoUpdateClient.h"

#include <QObject>

class IniFile;
#include <QString>

#include <functional>

// The update check before login. Reads "AutoUpdate.ini" beside the program:
//
//   [Configuration]  LastUpdateID (default: the program folder), Interactive, ForceDownload
//                    (whole numbers, non-zero is true; both default to true)
//   [Directories]    one search entry per line: mask[|target folder][,RECURSIVE]
//   [AutoUpdateClient], [Message], [Channel]
//                    "Class" and property lines of the client, the message and the channel
//
// The channel's TargetURL names the update server's message dispatcher. When it is empty the
// installation's server address (FallbackTargetURL, from "VarnexDesktop.ini") is used instead.
class TAutoUpdateClientData : public QObject
{
    Q_OBJECT

public:
    static QString defaultFileName() { return QStringLiteral("AutoUpdate.ini"); }
    // "AutoUpdate.ini" in the program folder.
    static QString defaultIniFileName();

    // The longest the check waits for the update service, connecting included.
    static constexpr int MaxCheckTimeOutMs = 10000;

    // Reads the settings. Throws VarnexError "Cannot find initialization file %1" (the full path)
    // when the file is missing, "Class %1 not found" for a missing or unknown class of the message
    // or the channel, and the read error when the file cannot be read.
    explicit TAutoUpdateClientData(const QString &iniFileName = defaultIniFileName(), QObject *owner = nullptr,
                                   const TraceSink &trace = {});
    // Takes the settings from a file already read (its fileName() names it in messages).
    explicit TAutoUpdateClientData(const IniFile &settings, QObject *owner = nullptr, const TraceSink &trace = {});
    ~TAutoUpdateClientData() override;

    THYAutoUpdateClient *AutoUpdateClient = nullptr;
    QObject *Channel() const { return m_channel; }
    QObject *Message() const { return m_message; }

    QString LastUpdateID;
    bool Interactive = true;
    bool ForceDownload = true;
    bool CanResume = false;
    QString INIFileName;
    QString FallbackTargetURL;

    // The file list of the last check; empty after a failed one.
    const THYFileUpdateInfoArray &Updates() const { return m_updates; }
    void setUpdates(const THYFileUpdateInfoArray &updates);
    std::function<void(const THYFileUpdateInfoArray &)> OnResetUpdates;

    // True when the update service lists at least one file to replace. The proxy login is applied
    // to the channel first when proxy.apply is set (RegistryDM's UseInternetProxy and the answers
    // of the proxy dialog, see proxyLoginFor). Every failure is thrown (VarnexError, RemoteError);
    // a server that does not answer is given up on within MaxCheckTimeOutMs.
    bool CheckForUpdates(const ProxyLogin &proxy = {});

private:
    void readSettings(const IniFile &ini, const TraceSink &trace);

    QObject *m_channel = nullptr;
    QObject *m_message = nullptr;
    THYFileUpdateInfoArray m_updates;
};

// The module of the running program; set by whoever creates it.
extern TAutoUpdateClientData *AutoUpdateClientData;
