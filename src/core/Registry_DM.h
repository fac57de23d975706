#pragma once

#include "base/IniFile.h"

#include <QString>

// The installation settings file "VarnexDesktop.ini", shared by every user of the installation.
// Each property is read afresh from the memory copy with its default; the file itself is read
// once, when the module is created.
class TRegistryDM
{
public:
    static QString defaultFileName() { return QStringLiteral("VarnexDesktop.ini"); }

    // Default values. The data folder is given with "/" (the platform separator); the contact
    // details and the server are installation values that an installer overrides in the file.
    // The project's web pages are served beside the central server: without addresses of their
    // own they are on the origin of the server's address (empty when that is no web address).
    static QString defaultLocalDataLocation() { return QStringLiteral("%APP%/data"); }
    static QString defaultServerAddress() { return QStringLiteral("http://localhost:8099/bin"); }
    static QString defaultUseInternetProxy() { return QStringLiteral("false"); }
    static QString defaultCategoryTree(const QString &serverAddress = defaultServerAddress())
    {
        return pageOnServer(serverAddress, QStringLiteral("public/categorytree.pdf"));
    }
    static QString defaultGeneralEnquiries() { return QStringLiteral("support@varnex.example"); }
    static QString defaultHelpLineNumber() { return QStringLiteral("0300 555 0142"); }
    static QString defaultVideoScreenCasts(const QString &serverAddress = defaultServerAddress())
    {
        return pageOnServer(serverAddress, QStringLiteral("video/video.aspx"));
    }
    static QString defaultWebsite(const QString &serverAddress = defaultServerAddress())
    {
        return pageOnServer(serverAddress, QString());
    }
    // The page at the path on the origin (scheme, host, port) of a server address.
    static QString pageOnServer(const QString &serverAddress, const QString &path);

    // programFolder: the folder of the executable (QCoreApplication::applicationDirPath() in the
    // program, a temporary folder in tests). fileName: a name without a folder is looked for in
    // programFolder. Creation sets AllowWrite and writes the default data folder and server address
    // back when they read as their defaults, so that the file shows them after the first start;
    // a failure of those writes is kept in creationError().
    explicit TRegistryDM(const QString &programFolder, const QString &fileName = defaultFileName());

    QString programFolder() const { return m_programFolder; }
    QString fileName() const { return m_ini.fileName(); }

    QString LocalDataLocation() const;
    QString ServerAddress() const;
    bool UseInternetProxy() const;
    QString CategoryTree() const;
    QString GeneralEnquiries() const;
    QString HelpLineNumber() const;
    QString VideoScreenCasts() const;
    QString Website() const;

    // Write only while AllowWrite is set and only a value that is not blank; the value is stored
    // as given. False when nothing was to be written; throws VarnexError when the file could not
    // be written.
    bool setLocalDataLocation(const QString &value);
    bool setServerAddress(const QString &value);

    bool AllowWrite = false;

    QString creationError() const { return m_creationError; }

    // The "UseInternetProxy" text test: lower-cased, not trimmed, then "yes", "true", "1" or "yip".
    static bool isProxyOn(const QString &text);

private:
    bool write(const QString &section, const QString &key, const QString &value);

    QString m_programFolder;
    IniFile m_ini;
    QString m_creationError;
};

// The module the program creates first at start-up; set by main(), read by everything after it.
extern TRegistryDM *RegistryDM;

// The per-user settings remembered by the login dialog (last personality and e-mail address).
// Stored with QSettings under "Tarvello"/"VRXNet", group "Connection".
class UserRegistry
{
public:
    UserRegistry();
    ~UserRegistry();
    UserRegistry(const UserRegistry &) = delete;
    UserRegistry &operator=(const UserRegistry &) = delete;

    QString Personality() const;   // default "FOOD"
    QString EmailAddress() const;  // default empty
    // Each throws VarnexError when the settings could not be stored.
    void setPersonality(const QString &value);
    void setEmailAddress(const QString &value);

private:
    void write(const QString &name, const QString &value);
    class QSettings *m_settings;
};

// What a proxy login dialog's answers mean for one HTTP channel.
struct ProxyLogin
{
    bool apply = false; // false: leave the channel as it is
    QString userName;
    QString password;
};

// The proxy user and password to give a channel: only when the installation uses a proxy and the
// user confirmed the dialog with OK. A cancelled dialog changes no channel.
ProxyLogin proxyLoginFor(bool useInternetProxy, bool dialogAccepted, const QString &userName, const QString &password);
