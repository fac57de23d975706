#pragma once

#include "remote/HydraAutoUpdate_Intf.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>

using SettingsLines = QList<QPair<QString, QString>>; // name, value; in file order
using TraceSink = std::function<void(const QString &)>;

// Lists the files that a search entry of the update settings selects.
class THYFileUpdateHelper
{
public:
    // Adds the files of one entry: the macros in SearchMask are expanded; its folder part (before
    // the last "/" or "\") is the folder to list, relative folders counting from the program
    // folder; the rest is the file mask (empty: every file). Throws EHYFileNotFound when the folder
    // does not exist. Returns the number of entries added.
    int ScanForFiles(const THYFileSearchInfo &info, THYFileUpdateInfoArray &list, bool clearList = false) const;
    // Adds the files of a folder that match mask, in the order of ListFolderFiles (subfolders
    // first, depth first, when recursive); a file whose collapsed name is already in the list is
    // skipped.
    int AddDirectoryFiles(const QString &folder, const QString &mask, THYFileUpdateInfoArray &list, bool recursive) const;
    // Index of the entry whose FileName equals fileName in any letter case, or -1.
    static int FindFileUpdate(const QString &fileName, const THYFileUpdateInfoArray &list);
};

// Creates the object from the class line when object is null (ComponentRegistry; an unknown or
// missing class throws "Class %1 not found"), then sets its properties from the other lines, names
// in any letter case: "TRUE" / "FALSE" in any letter case set Boolean properties, other values set
// text properties, and whole numbers set integer properties. A line naming a property the object
// does not have, or a value the property cannot take, is reported to trace (qWarning when none is
// given) and otherwise ignored. The new object gets owner as its parent.
void SetObjectProperties(const SettingsLines &lines, QObject *&object, const QString &classKey = QStringLiteral("Class"),
                         QObject *owner = nullptr, const TraceSink &trace = {});

// Parses "mask[|target folder][,RECURSIVE|,TRUE]" lines into search entries, in order; keys are
// ignored. The recursive word is read in any letter case, blanks around it ignored.
void LoadFileSearchInfo(THYFileSearchInfoCollection &collection, const SettingsLines &lines);
THYFileSearchInfo parseFileSearchInfo(const QString &value);

// The client of the update service: lists the program's files and asks the service which of them
// it would replace. The check itself changes no file.
class THYAutoUpdateClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ServiceName READ ServiceName WRITE setServiceName)
    Q_PROPERTY(QString TemporaryFileNamePrefix READ TemporaryFileNamePrefix WRITE setTemporaryFileNamePrefix)
    Q_PROPERTY(int DownloadBufferSize READ DownloadBufferSize WRITE setDownloadBufferSize)

public:
    explicit THYAutoUpdateClient(QObject *parent = nullptr);

    QString ServiceName() const { return m_serviceName; }
    void setServiceName(const QString &name) { m_serviceName = name; }
    QString TemporaryFileNamePrefix() const { return m_tempPrefix; }
    void setTemporaryFileNamePrefix(const QString &prefix) { m_tempPrefix = prefix; }
    int DownloadBufferSize() const { return m_downloadBufferSize; }
    void setDownloadBufferSize(int size) { m_downloadBufferSize = size; }

    // The channel and the message the calls travel on (not owned).
    QObject *Channel = nullptr;
    QObject *Message = nullptr;
    THYFileSearchInfoCollection FileSearchInfo;
    THYFileUpdateHelper FileHelper;

    // Total time one call may take; the channel's own time-out when <= 0.
    int CallTimeoutMs = 0;

    std::function<void(THYUpdateStatus, const QString &userData, const QString &currentUpdateID)> OnVerityUpdateStatus;
    std::function<void(const THYFileUpdateInfoArray &, bool canResume)> OnUpdatesFound;
    std::function<void()> OnUpdatesNotFound;

    // The client's file list as the search entries select it, each file once.
    THYFileUpdateInfoArray BuildClientFileList() const;

    THYUpdateStatus VerifyUpdateStatus(const QString &lastUpdateID, QString &currentUpdateID, QString &userData);
    THYFileUpdateInfoArray GetUpdatesInfo(const QString &lastUpdateID, bool &canResume);

private:
    std::unique_ptr<IHYAutoUpdateService> service() const;

    QString m_serviceName;
    QString m_tempPrefix = QStringLiteral("$$");
    int m_downloadBufferSize = 48000;
};
