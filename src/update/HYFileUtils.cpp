#include "update/HYFileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>
#include <optional>

namespace {

std::mutex macroLock;
std::optional<PathMacroFolders> macroFolders;

QString withoutTrailingSeparator(QString folder)
{
    folder = toSlashes(folder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

PathMacroFolders platformFolders()
{
    PathMacroFolders f;
    f.application = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    f.windows = QStringLiteral("/usr");
    f.system = QStringLiteral("/usr/lib");
    return f;
}

// Characters that may stand next to a whole path in a text holding several (lists, assignments).
bool isPathDelimiter(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('=')
        || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('|');
}

// Replaces every occurrence of folder that stands as whole path components, in any letter case.
QString replaceFolder(const QString &text, const QString &folder, const QString &macro)
{
    if (folder.isEmpty() || folder == QLatin1String("/"))
        return text;
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(folder, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        const qsizetype end = at + folder.size();
        const bool startsClean = at == 0 || isPathDelimiter(text.at(at - 1));
        const bool endsClean = end == text.size() || text.at(end) == QLatin1Char('/')
            || text.at(end) == QLatin1Char('\\') || isPathDelimiter(text.at(end));
        if (startsClean && endsClean) {
            out += text.mid(from, at - from) + macro;
            from = end;
        } else {
            out += text.mid(from, at + 1 - from);
            from = at + 1;
        }
    }
    return out + text.mid(from);
}

QString nameFilterOf(const QString &mask)
{
    // "*.*" means every file, also one without an extension.
    if (mask.isEmpty() || mask == QLatin1String("*.*"))
        return QStringLiteral("*");
    return mask;
}

} // namespace

QString toSlashes(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

PathMacroFolders pathMacroFolders()
{
    std::lock_guard<std::mutex> guard(macroLock);
    if (!macroFolders) {
        PathMacroFolders f = platformFolders();
        f.application = withoutTrailingSeparator(f.application);
        macroFolders = f;
    }
    return *macroFolders;
}

void setPathMacroFolders(const PathMacroFolders &folders)
{
    std::lock_guard<std::mutex> guard(macroLock);
    macroFolders = PathMacroFolders{withoutTrailingSeparator(folders.application),
                                    withoutTrailingSeparator(folders.windows),
                                    withoutTrailingSeparator(folders.system)};
}

void resetPathMacroFolders()
{
    std::lock_guard<std::mutex> guard(macroLock);
    macroFolders.reset();
}

QString ExpandPathMacros(const QString &text)
{
    const PathMacroFolders f = pathMacroFolders();
    QString s = text;
    s.replace(QLatin1String("$SYSTEM"), f.system, Qt::CaseInsensitive);
    s.replace(QLatin1String("$WINDOWS"), f.windows, Qt::CaseInsensitive);
    s.replace(QLatin1String("$APPLICATION"), f.application, Qt::CaseInsensitive);
    return s;
}

QString CollapsePathMacros(const QString &text)
{
    const PathMacroFolders f = pathMacroFolders();
    QString s = replaceFolder(text, f.system, QStringLiteral("$SYSTEM"));
    s = replaceFolder(s, f.windows, QStringLiteral("$WINDOWS"));
    return replaceFolder(s, f.application, QStringLiteral("$APPLICATION"));
}

bool GetFileSizeIfExists(const QString &fileName, qint64 &size)
{
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir()) {
        size = 0;
        return false;
    }
    size = info.size();
    return true;
}

// ---------------------------------------------------------------------------------------------

THYCustomFile::THYCustomFile(const THYDirectory *parent, const QString &nameOrPath) : m_parent(parent)
{
    if (parent) {
        m_name = nameOrPath;
    } else {
        // An entry without parent keeps the path it was made from, without a trailing separator.
        const QString path = withoutTrailingSeparator(nameOrPath);
        if (path.isEmpty() || !QFileInfo::exists(path))
            throw EHYFileNotFound(nameOrPath);
        m_name = QDir::cleanPath(path);
    }
    const QFileInfo info(FullName());
    if (!info.exists() && !info.isSymLink())
        throw EHYFileNotFound(FullName());
    m_size = info.isDir() ? 0 : info.size();
    m_time = info.lastModified().toLocalTime();
    if (info.isDir())
        m_attributes |= faDirectory;
    else
        m_attributes |= faArchive;
    if (info.isHidden())
        m_attributes |= faHidden;
    if (!info.isWritable())
        m_attributes |= faReadOnly;
    if (info.isSymLink())
        m_attributes |= faSymLink;
}

QString THYCustomFile::FullName() const
{
    if (!m_parent)
        return m_name;
    const QString parent = m_parent->FullName();
    return parent.endsWith(QLatin1Char('/')) ? parent + m_name : parent + QLatin1Char('/') + m_name;
}

std::unique_ptr<THYCustomFile> THYCustomFile::fromPath(const QString &path)
{
    const QString p = withoutTrailingSeparator(path);
    if (p.isEmpty() || !QFileInfo::exists(p))
        throw EHYFileNotFound(path);
    if (QFileInfo(p).isDir())
        return std::make_unique<THYDirectory>(path);
    return std::make_unique<THYFile>(nullptr, path);
}

THYFile::THYFile(const THYDirectory *parent, const QString &nameOrPath) : THYCustomFile(parent, nameOrPath)
{
}

THYDirectory::THYDirectory(const QString &path) : THYCustomFile(nullptr, path)
{
    if (!(m_attributes & faDirectory))
        throw EHYFileNotFound(path);
}

THYDirectory::THYDirectory(const THYDirectory *parent, const QString &name) : THYCustomFile(parent, name)
{
}

qint64 THYDirectory::Size() const
{
    qint64 total = 0;
    for (const auto &f : m_files)
        total += f->Size();
    for (const auto &d : m_directories)
        total += d->Size();
    return total;
}

int THYDirectory::Refresh(const QString &mask, bool recursive)
{
    QStringList visited;
    return refresh(mask, recursive, visited);
}

int THYDirectory::refresh(const QString &mask, bool recursive, QStringList &visited)
{
    m_fileMask = mask.isEmpty() ? QStringLiteral("*.*") : mask;
    m_files.clear();
    m_directories.clear();
    const QString path = FullName();
    const QFileInfo self(path);
    if (!self.isDir() || !self.isReadable() || !self.isExecutable())
        throw EHYException(QStringLiteral("Cannot list the folder %1").arg(path));
    visited << self.canonicalFilePath();

    int count = 0;
    const QDir dir(path);
    // Hidden entries are left out by not asking for them; names beginning with "." are hidden here.
    const QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : subfolders) {
        if (name.startsWith(QLatin1Char('.')))
            continue;
        auto sub = std::make_shared<THYDirectory>(this, name);
        ++count;
        if (recursive) {
            const QString canonical = QFileInfo(sub->FullName()).canonicalFilePath();
            if (visited.contains(canonical))
                continue; // reached again through a link
            count += sub->refresh(mask, true, visited);
        }
        m_directories.append(sub);
    }
    const QStringList files = dir.entryList({nameFilterOf(m_fileMask)}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        if (name.startsWith(QLatin1Char('.')))
            continue;
        m_files.append(std::make_shared<THYFile>(this, name));
        ++count;
    }
    return count;
}
