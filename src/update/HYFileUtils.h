#pragma once

#include "base/VarnexError.h"

#include <QFileInfoList>
#include <QString>

// Folder macros and the folder listing of the update check.
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

// Sets other macro folders for as long as it lives, then puts back the ones before.
class ScopedPathMacroFolders
{
public:
    explicit ScopedPathMacroFolders(const PathMacroFolders &folders);
    ~ScopedPathMacroFolders();
    ScopedPathMacroFolders(const ScopedPathMacroFolders &) = delete;
    ScopedPathMacroFolders &operator=(const ScopedPathMacroFolders &) = delete;

private:
    bool m_hadFolders;
    PathMacroFolders m_previous;
};

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

// The files of folder whose names match mask (a wildcard in any letter case; "*.*" and empty
// text mean every file), in the order the update check lists them: when recursive, the files of
// each subfolder first, subfolders in name order and depth first; then the folder's own files in
// name order. Hidden entries (names beginning with ".") are left out and hidden folders are not
// descended into. A folder reached a second time through a link is not descended into again, so a
// link back to a parent cannot make the listing endless.
// Throws EHYFileNotFound when folder does not exist and EHYException when a folder to be listed
// cannot be read.
QFileInfoList ListFolderFiles(const QString &folder, const QString &mask, bool recursive);
