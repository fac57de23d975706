#include "core/Registry_DM.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"

#include <QDir>
#include <QSettings>
#include <QUrl>

TRegistryDM *RegistryDM = nullptr;

namespace {
const QString kSettings = QStringLiteral("Settings");
const QString kContact = QStringLiteral("Contact");

QString resolveFile(const QString &programFolder, const QString &fileName)
{
    if (QDir::isAbsolutePath(fileName) || fileName.contains(QLatin1Char('/')))
        return fileName;
    return QDir(programFolder).filePath(fileName);
}
} // namespace

TRegistryDM::TRegistryDM(const QString &programFolder, const QString &fileName)
    : m_programFolder(programFolder), m_ini(resolveFile(programFolder, fileName))
{
    AllowWrite = true;
    QStringList errors;
    const auto writeBack = [&errors](auto write) {
        try {
            write();
        } catch (const VarnexError &e) {
            errors << e.message();
        }
    };
    const QString location = LocalDataLocation();
    if (location == defaultLocalDataLocation())
        writeBack([&] { setLocalDataLocation(location); });
    const QString server = ServerAddress();
    if (server == defaultServerAddress())
        writeBack([&] { setServerAddress(server); });
    errors.removeDuplicates();
    m_creationError = errors.join(QLatin1Char('\n'));
}

QString TRegistryDM::LocalDataLocation() const
{
    return m_ini.value(kSettings, QStringLiteral("LocalDataLocation"), defaultLocalDataLocation());
}

QString TRegistryDM::ServerAddress() const
{
    return m_ini.value(kSettings, QStringLiteral("ServerAddress"), defaultServerAddress());
}

bool TRegistryDM::UseInternetProxy() const
{
    return isProxyOn(m_ini.value(kSettings, QStringLiteral("UseInternetProxy"), defaultUseInternetProxy()));
}

QString TRegistryDM::CategoryTree() const
{
    return m_ini.value(kContact, QStringLiteral("CategoryTree"), defaultCategoryTree(ServerAddress()));
}

QString TRegistryDM::GeneralEnquiries() const
{
    return m_ini.value(kContact, QStringLiteral("GeneralEnquiries"), defaultGeneralEnquiries());
}

QString TRegistryDM::HelpLineNumber() const
{
    return m_ini.value(kContact, QStringLiteral("HelplineNumber"), defaultHelpLineNumber());
}

QString TRegistryDM::VideoScreenCasts() const
{
    return m_ini.value(kContact, QStringLiteral("VideoScreencasts"), defaultVideoScreenCasts(ServerAddress()));
}

QString TRegistryDM::Website() const
{
    return m_ini.value(kContact, QStringLiteral("Website"), defaultWebsite(ServerAddress()));
}

QString TRegistryDM::pageOnServer(const QString &serverAddress, const QString &path)
{
    const QUrl server(serverAddress.trimmed(), QUrl::StrictMode);
    const QString scheme = server.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!server.isValid() || server.host().isEmpty() || !web)
        return QString();
    QUrl page;
    page.setScheme(scheme);
    page.setHost(server.host());
    page.setPort(server.port());
    page.setPath(QLatin1Char('/') + path);
    return page.toString();
}

bool TRegistryDM::setLocalDataLocation(const QString &value)
{
    return write(kSettings, QStringLiteral("LocalDataLocation"), value);
}

bool TRegistryDM::setServerAddress(const QString &value)
{
    return write(kSettings, QStringLiteral("ServerAddress"), value);
}

bool TRegistryDM::write(const QString &section, const QString &key, const QString &value)
{
    if (!AllowWrite || value.trimmed().isEmpty())
        return false;
    if (!m_ini.setValue(section, key, value))
        throw VarnexError(m_ini.errorString());
    return true;
}

bool TRegistryDM::isProxyOn(const QString &text)
{
    const QString t = text.toLower();
    return t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("1")
        || t == QLatin1String("yip");
}

UserRegistry::UserRegistry() : m_settings(new QSettings(QStringLiteral("Tarvello"), QStringLiteral("VRXNet")))
{
}

UserRegistry::~UserRegistry()
{
    delete m_settings;
}

QString UserRegistry::Personality() const
{
    return m_settings->value(QStringLiteral("Connection/Personality"), Varnex::PersonalityFood).toString();
}

QString UserRegistry::EmailAddress() const
{
    return m_settings->value(QStringLiteral("Connection/EmailAddress"), QString()).toString();
}

void UserRegistry::setPersonality(const QString &value)
{
    write(QStringLiteral("Connection/Personality"), value);
}

void UserRegistry::setEmailAddress(const QString &value)
{
    write(QStringLiteral("Connection/EmailAddress"), value);
}

void UserRegistry::write(const QString &name, const QString &value)
{
    m_settings->setValue(name, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw VarnexError(QStringLiteral("Cannot store the user settings in '%1'").arg(m_settings->fileName()));
}

ProxyLogin proxyLoginFor(bool useInternetProxy, bool dialogAccepted, const QString &userName, const QString &password)
{
    ProxyLogin login;
    if (!useInternetProxy || !dialogAccepted)
        return login;
    login.apply = true;
    login.userName = userName;
    login.password = password;
    return login;
}
