#include "store/UserDatabase_DM.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// Empty text for an unknown macro.
QString folderForMacro(const QString &macro, const QString &programFolder, bool *known)
{
    *known = true;
    if (macro == QLatin1String("%APP%"))
        return QDir::cleanPath(programFolder);
    if (macro == QLatin1String("%APPDATA%") || macro == QLatin1String("%LOCAL_APPDATA%"))
        return userDataFolder();
    if (macro == QLatin1String("%MYDOCUMENTS%"))
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (macro == QLatin1String("%DESKTOPDIRECTORY%"))
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (macro == QLatin1String("%PROGRAMS%"))
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (macro == QLatin1String("%COMMON_APPDATA%"))
        return QStringLiteral("/var/lib");
    if (macro == QLatin1String("%COMMON_DOCUMENTS%"))
        return QStringLiteral("/srv");
    *known = false;
    return {};
}

bool isControl(QChar c)
{
    const auto cat = c.category();
    return cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Separator_Line
        || cat == QChar::Separator_Paragraph;
}

// The address as it can be shown in a message: control characters become "?".
QString printable(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (isControl(c))
            c = QLatin1Char('?');
    return out;
}

// Moves the finished copy to its name, failing when that name is taken (even by a file that
// appeared a moment ago).
bool renameNoReplace(const QString &from, const QString &to, QString *error)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#endif
    // File systems without the flag: a hard link also refuses an existing name.
    if (::link(f.constData(), t.constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::unlink(f.constData());
    return true;
}
} // namespace

QString folderForDataMacro(const QString &macro, const QString &programFolder)
{
    bool known = false;
    return folderForMacro(macro, programFolder, &known);
}

QString ExpandLocalDataPath(const QString &value, const QString &programFolder)
{
    QString path = value;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));

    bool wholeIsMacro = path.isEmpty();
    if (path.isEmpty())
        path = QStringLiteral("%APPDATA%");

    const qsizetype close = path.indexOf(QLatin1Char('%'), 1);
    if (close >= 0) {
        const QString macro = path.left(close + 1);
        bool known = false;
        const QString folder = folderForMacro(macro, programFolder, &known);
        if (!known)
            throw VarnexError(QStringLiteral("The local data location '%1' begins with the unknown folder macro '%2'")
                                  .arg(value, macro));
        if (folder.isEmpty())
            throw VarnexError(QStringLiteral("The folder macro '%1' of the local data location '%2' names no folder on this system")
                                  .arg(macro, value));
        wholeIsMacro = wholeIsMacro || path == macro;
        path.replace(0, macro.size(), folder);
    }
    if (wholeIsMacro)
        path += QLatin1Char('/') + Varnex::ProgramName;
    if (QDir::isRelativePath(path))
        path = QDir(programFolder).filePath(path);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');

    if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
        throw VarnexError(QStringLiteral("Could not create the local data folder '%1' (local data location '%2')")
                              .arg(path, value));
    return path;
}

TUserDatabaseDM::TUserDatabaseDM(const QString &localDataLocation, const QString &programFolder)
    : m_localDataLocation(localDataLocation), m_programFolder(programFolder)
{
}

QString TUserDatabaseDM::ConvertUsernameToDatabaseName(const QString &email)
{
    if (email.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("No e-mail address was given for the local data store"));
    for (const QChar c : email) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            throw VarnexError(QStringLiteral("The e-mail address '%1' contains a path separator and cannot name a local data store")
                                  .arg(email));
        if (isControl(c))
            throw VarnexError(QStringLiteral("The e-mail address '%1' contains a control character and cannot name a local data store")
                                  .arg(printable(email)));
    }
    QString name = email;
    const qsizetype at = name.indexOf(QLatin1Char('@'));
    if (at >= 0)
        name.replace(at, 1, QStringLiteral("-at-"));
    name.replace(QLatin1Char('.'), QLatin1Char('-'));
    name += QStringLiteral(".fdb");
    return name;
}

QString TUserDatabaseDM::getDatabasePath()
{
    try {
        return ExpandLocalDataPath(m_localDataLocation, m_programFolder);
    } catch (const VarnexError &e) {
        StatusMessage = e.message();
        return {};
    }
}

QString TUserDatabaseDM::getdatabasePathAndName(const QString &email)
{
    try {
        const QString name = ConvertUsernameToDatabaseName(email);
        return ExpandLocalDataPath(m_localDataLocation, m_programFolder) + name;
    } catch (const VarnexError &e) {
        StatusMessage = e.message();
        return {};
    }
}

bool TUserDatabaseDM::checkUserDatabaseExists(const QString &email)
{
    const QString path = getdatabasePathAndName(email);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString TUserDatabaseDM::getUserDatabase(const QString &email)
{
    const QString path = getdatabasePathAndName(email);
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

bool TUserDatabaseDM::CreateUserDatabase(const QString &email)
{
    const QString path = getdatabasePathAndName(email);
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        StatusMessage = QStringLiteral("Database for email address '") + email + QStringLiteral("' already exists:'") + path;
        return false;
    }
    const auto fail = [&](const QString &systemError) {
        StatusMessage = QStringLiteral("Could not create local data store'") + path + QStringLiteral("\nError massage was :")
            + systemError;
        return false;
    };

    QFile source(QDir(m_programFolder).filePath(templateFileName()));
    if (!source.open(QIODevice::ReadOnly))
        return fail(source.errorString());

    QTemporaryFile copy(QFileInfo(path).absolutePath() + QStringLiteral("/.store-XXXXXX.part"));
    if (!copy.open())
        return fail(copy.errorString());
    QByteArray buffer;
    while (!source.atEnd()) {
        buffer = source.read(1 << 20);
        if (buffer.isEmpty() && source.error() != QFileDevice::NoError)
            return fail(source.errorString());
        if (copy.write(buffer) != buffer.size())
            return fail(copy.errorString());
    }
    if (source.error() != QFileDevice::NoError)
        return fail(source.errorString());
    if (!copy.flush())
        return fail(copy.errorString());
    if (::fsync(copy.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    copy.close();

    QString renameError;
    if (!renameNoReplace(copy.fileName(), path, &renameError))
        return fail(renameError);
    copy.setAutoRemove(false);

    StatusMessage = QStringLiteral("Local data store created for user:'") + path;
    return true;
}
