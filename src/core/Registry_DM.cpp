#include "core/Registry_DM.h"

#include <QDir>
#include <QSettings>

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
    const QString location = LocalDataLocation();
    if (location == defaultLocalDataLocation() && !setLocalDataLocation(location))
        errors << m_lastError;
    const QString server = ServerAddress();
    if (server == defaultServerAddress() && !setServerAddress(server))
        errors << m_lastError;
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
    return m_ini.value(kContact, QStringLiteral("CategoryTree"), defaultCategoryTree());
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
    return m_ini.value(kContact, QStringLiteral("VideoScreencasts"), defaultVideoScreenCasts());
}

QString TRegistryDM::Website() const
{
    return m_ini.value(kContact, QStringLiteral("Website"), defaultWebsite());
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
    m_lastError.clear();
    if (!AllowWrite || value.trimmed().isEmpty())
        return false;
    if (!m_ini.setValue(section, key, value)) {
        m_lastError = m_ini.errorString();
        return false;
    }
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
    return m_settings->value(QStringLiteral("Connection/Personality"), QStringLiteral("FOOD")).toString();
}

QString UserRegistry::EmailAddress() const
{
    return m_settings->value(QStringLiteral("Connection/EmailAddress"), QString()).toString();
}

bool UserRegistry::setPersonality(const QString &value)
{
    return write(QStringLiteral("Connection/Personality"), value);
}

bool UserRegistry::setEmailAddress(const QString &value)
{
    return write(QStringLiteral("Connection/EmailAddress"), value);
}

bool UserRegistry::write(const QString &name, const QString &value)
{
    m_lastError.clear();
    m_settings->setValue(name, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        m_lastError = QStringLiteral("Cannot store the user settings in '%1'").arg(m_settings->fileName());
        return false;
    }
    return true;
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
