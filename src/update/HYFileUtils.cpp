#include "update/HYFileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

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

QRegularExpression nameFilterOf(const QString &mask)
{
    // "*.*" means every file, also one without an extension.
    const QString wildcard = mask.isEmpty() || mask == QLatin1String("*.*") ? QStringLiteral("*") : mask;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(wildcard),
                              QRegularExpression::CaseInsensitiveOption);
}

// The listing order: within one folder, what lies in subfolders before the folder's own files;
// names compared as they are spelt.
bool listedBefore(const QStringList &a, const QStringList &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const bool aIsFile = i == a.size() - 1;
        const bool bIsFile = i == b.size() - 1;
        if (aIsFile != bIsFile)
            return bIsFile;
        const int order = a.at(i).compare(b.at(i), Qt::CaseSensitive);
        if (order != 0)
            return order < 0;
    }
    return a.size() < b.size();
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

ScopedPathMacroFolders::ScopedPathMacroFolders(const PathMacroFolders &folders)
{
    {
        std::lock_guard<std::mutex> guard(macroLock);
        m_hadFolders = macroFolders.has_value();
        if (m_hadFolders)
            m_previous = *macroFolders;
    }
    setPathMacroFolders(folders);
}

ScopedPathMacroFolders::~ScopedPathMacroFolders()
{
    std::lock_guard<std::mutex> guard(macroLock);
    if (m_hadFolders)
        macroFolders = m_previous;
    else
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

QFileInfoList ListFolderFiles(const QString &folder, const QString &mask, bool recursive)
{
    const QString path = withoutTrailingSeparator(folder);
    const QFileInfo top(path);
    if (path.isEmpty() || !top.exists())
        throw EHYFileNotFound(folder);
    if (!top.isDir())
        throw EHYFileNotFound(path);
    const auto requireReadable = [](const QFileInfo &dir) {
        if (!dir.isReadable() || !dir.isExecutable())
            throw EHYException(QStringLiteral("Cannot list the folder %1").arg(dir.filePath()));
    };
    requireReadable(top);

    // Without QDir::Hidden the iterator neither lists hidden entries nor descends into hidden
    // folders; following links, it remembers every folder it entered and enters none twice.
    const QRegularExpression filter = nameFilterOf(mask);
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    recursive ? QDirIterator::Subdirectories | QDirIterator::FollowSymlinks : QDirIterator::NoIteratorFlags);
    const QDir base(path);
    QList<std::pair<QStringList, QFileInfo>> found;
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (recursive)
                requireReadable(info);
            continue;
        }
        if (filter.match(info.fileName()).hasMatch())
            found.append({base.relativeFilePath(info.filePath()).split(QLatin1Char('/')), info});
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return listedBefore(a.first, b.first); });
    QFileInfoList files;
    files.reserve(found.size());
    for (const auto &entry : std::as_const(found))
        files.append(entry.second);
    return files;
}
