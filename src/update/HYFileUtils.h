#pragma once

#include "base/VarnexError.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

// Folder macros and file-system entries for the update check.
//
// The macros let the update settings and the update server name files independently of where the
// program is installed:
//   "$APPLICATION"  the folder of the program file
//   "$WINDOWS"      the platform's base folder of installed software: "/usr"
//   "$SYSTEM"       its shared-library folder: "/usr/lib"
// each without a trailing separator. "$SYSTEM" lies inside "$WINDOWS", so collapsing replaces it
// first: a file of "/usr/lib" becomes "$SYSTEM/name", never "$WINDOWS/lib/name".

class EHYException : public VarnexError
{
public:
    using VarnexError::VarnexError;
};

// "File %s not found", with the path.
class EHYFileNotFound : public EHYException
{
public:
    explicit EHYFileNotFound(const QString &path)
        : EHYException(QStringLiteral("File %1 not found").arg(path)), m_path(path) {}
    QString path() const { return m_path; }

private:
    QString m_path;
};

struct PathMacroFolders
{
    QString application;
    QString windows;
    QString system;
};

// The folders behind the macros. Worked out on first use (the program folder needs the
// application object); tests may set other folders. Trailing separators are dropped.
PathMacroFolders pathMacroFolders();
void setPathMacroFolders(const PathMacroFolders &folders);
void resetPathMacroFolders();

// Replaces "$SYSTEM", then "$WINDOWS", then "$APPLICATION", in any letter case, by their folders.
QString ExpandPathMacros(const QString &text);
// Replaces the system folder, then the base folder, then the program folder, in any letter case,
// by their macros. A folder counts only as whole path components: "/usr/lib" is replaced in
// "/usr/lib/x" but not in "/home/a/usr/lib/x" or "/usr/library".
QString CollapsePathMacros(const QString &text);

// Whether the file exists; size receives its size, or 0.
bool GetFileSizeIfExists(const QString &fileName, qint64 &size);

// Turns the separators of a name written for either platform ("\" or "/") into "/".
QString toSlashes(const QString &path);

class THYDirectory;

// Attribute bits of an entry, as a directory listing reports them.
enum THYFileAttribute {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSystem = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
    faSymLink = 0x400,
};

// One file-system entry.
class THYCustomFile
{
public:
    virtual ~THYCustomFile() = default;

    // The entry of an existing path; throws EHYFileNotFound when there is none.
    static std::unique_ptr<THYCustomFile> fromPath(const QString &path);

    QString Name() const { return m_name; }
    // The parent's full name, a separator and the name; for an entry without parent, the path given.
    virtual QString FullName() const;
    virtual qint64 Size() const { return m_size; }
    QDateTime Time() const { return m_time; }
    int Attributes() const { return m_attributes; }
    // Four-part version text; always empty here, because the program's files carry no version
    // resource on this platform.
    QString Version() const { return m_version; }
    const THYDirectory *Parent() const { return m_parent; }

protected:
    THYCustomFile(const THYDirectory *parent, const QString &nameOrPath);

    const THYDirectory *m_parent;
    QString m_name;
    qint64 m_size = 0;
    QDateTime m_time;
    int m_attributes = 0;
    QString m_version;
};

class THYFile : public THYCustomFile
{
public:
    THYFile(const THYDirectory *parent, const QString &nameOrPath);
};

class THYDirectory : public THYCustomFile
{
public:
    // A folder by its path (throws EHYFileNotFound when it does not exist), or a subfolder.
    explicit THYDirectory(const QString &path);
    THYDirectory(const THYDirectory *parent, const QString &name);

    // The files and subfolders of the last Refresh, in listing order (names sorted).
    const QList<std::shared_ptr<THYFile>> &Files() const { return m_files; }
    const QList<std::shared_ptr<THYDirectory>> &Directories() const { return m_directories; }
    QString FileMask() const { return m_fileMask; }

    // Total size of the listed files, subfolders included.
    qint64 Size() const override;

    // Lists the folder: subfolders whose names do not begin with "." (each refreshed the same way
    // when recursive), then the files matching mask. Hidden entries (names beginning with ".") are
    // not listed. A folder that is reached a second time through a link is not descended into
    // again, so a link back to a parent cannot make the listing endless. Returns the number of
    // files and folders listed. Throws EHYException when a folder cannot be read.
    int Refresh(const QString &mask = QStringLiteral("*.*"), bool recursive = false);

private:
    int refresh(const QString &mask, bool recursive, QStringList &visited);

    QString m_fileMask = QStringLiteral("*.*");
    QList<std::shared_ptr<THYFile>> m_files;
    QList<std::shared_ptr<THYDirectory>> m_directories;
};
