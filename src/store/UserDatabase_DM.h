#pragma once

#include <QString>

// The local data folder named by a "LocalDataLocation" setting, with a trailing "/". The value may
// begin with a folder macro; the macro names match exactly (letter case counts):
//
//   %APP%               the program's folder
//   %APPDATA%           the user's data folder (XDG data home, ~/.local/share)
//   %LOCAL_APPDATA%     the same folder: the freedesktop layout does not split roaming and local data
//   %MYDOCUMENTS%       the user's documents folder (XDG documents, ~/Documents)
//   %DESKTOPDIRECTORY%  the user's desktop folder (XDG desktop, ~/Desktop)
//   %PROGRAMS%          the user's application menu entries (~/.local/share/applications)
//   %COMMON_APPDATA%    /var/lib, the data folder shared by all users
//   %COMMON_DOCUMENTS%  /srv, the folder for files shared with every user of the machine
//
// A value that is only a macro, or an empty value, gets "/Varnex Desktop" appended; an empty value
// stands for "%APPDATA%". Backslashes, as written by installations elsewhere, are read as "/". A
// relative folder is taken relative to the program's folder. The whole folder is created when
// missing. Throws VarnexError when the macro is unknown or the folder cannot be created.
QString ExpandLocalDataPath(const QString &value, const QString &programFolder);

// The folder a macro (with its "%" signs) stands for; empty text for a name that is not a macro.
QString folderForDataMacro(const QString &macro, const QString &programFolder);

// Finds and makes the per-user database file of an e-mail address in the local data folder.
// Made for one look-up and thrown away.
class TUserDatabaseDM
{
public:
    static QString templateFileName() { return QStringLiteral("database_template.fdb"); }

    TUserDatabaseDM(const QString &localDataLocation, const QString &programFolder);

    // The file name of an address: first "@" -> "-at-", every "." -> "-", then ".fdb". An address
    // that is empty or would put a path separator or control character into the name is refused
    // with a VarnexError.
    static QString ConvertUsernameToDatabaseName(const QString &email);

    // Each returns empty text / false on failure, with StatusMessage saying what was wrong.
    QString getDatabasePath();
    QString getdatabasePathAndName(const QString &email);
    bool checkUserDatabaseExists(const QString &email);
    QString getUserDatabase(const QString &email);
    // Copies the template beside the program into a new store; never replaces an existing file and
    // never leaves a partial copy under the store's name.
    bool CreateUserDatabase(const QString &email);

    QString StatusMessage;

private:
    QString m_localDataLocation;
    QString m_programFolder;
};
