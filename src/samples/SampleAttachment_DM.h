#pragma once

#include "data/DataTable.h"
#include "remote/DAData_DM.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteDataAdapter.h"

#include <QIODevice>
#include <QString>

// A sample's attachments on the central server: listed, added, fetched and deleted through the
// server's file-upload service, keyed by the sample's CODE. The module has a channel of its own,
// sends its messages without the envelope and never logs in.
//
// Every operation blocks until the server answers and throws on failure (RemoteError for the
// channel and server, VarnexError for a file or a refused value); it may run on a worker thread,
// one operation at a time. The forms call it through runInBackground.
class TSampleAttachmentDm
{
public:
    // The largest file offered for upload.
    static constexpr qint64 MaxFileBytes = 50LL * 1024 * 1024;
    // Field sizes of the server's table.
    static constexpr int MaxFileNameLength = 350;
    static constexpr int MaxFileTypeLength = 200;
    static constexpr int MaxDescriptionLength = 4000;
    static constexpr int MaxCodeLength = 30;

    // The server's address and proxy login from settings; authorityCode goes with every upload.
    TSampleAttachmentDm(const CentralServerSettings &settings, const QString &authorityCode);

    // Throws VarnexError for a sample that cannot have attachments: one without a code yet, or a
    // duplicate whose code is still "DUPLICATE".
    static void RequireAttachableCode(const QString &sampleCode);

    // The list of the sample's attachments: ID, FILE_NAME, FILE_TYPE, FILE_DESCRIPTION,
    // UPLOAD_TIMESTAMP. IDs are 64-bit.
    DataTable GetAttachments(const QString &sampleCode);
    DataTable RefreshAttachments();
    // One attachment with its content; no row when there is none with the ID.
    DataTable GetAttachment(qint64 id);

    // Adds one attachment from content, sent as it is read (a sequential device is read first,
    // as its length is not known ahead). The values and the size are checked before anything is
    // sent: a refused one throws VarnexError naming the field. Content that cannot be read whole
    // breaks the transfer off, so that the server stores nothing, and throws VarnexError naming
    // the file. Returns the server's ID.
    qint64 UploadStream(QIODevice &content, const QString &fileName, const QString &description,
                        const QString &sampleCode, const QString &fileType);
    // Throws VarnexError when the file at path cannot be offered for upload: it is missing, not a
    // file, or larger than MaxFileBytes (the message names the file, its size and the limit).
    // Cheap, for the GUI thread: the form checks before it asks anything more about the file.
    static void RequireUploadableFile(const QString &path);
    // Adds the file at path: it is checked first (RequireUploadableFile), then sent as it is read.
    // FILE_NAME is the name without folder, FILE_TYPE its extension with the dot (empty without one).
    qint64 UploadFile(const QString &path, const QString &description, const QString &sampleCode);

    // Writes the attachment's content to target through a save file: the file is replaced only
    // when the whole content was written; a failure leaves an existing file as it was. False
    // (nothing written) when there is no attachment with the ID.
    bool SaveAttachmentToFile(qint64 id, const QString &target);

    // Removes the attachment from the server.
    void DeleteAttachment(qint64 id);

    // A file name proposed from data, safe to offer in a folder: without folders, path separators,
    // control characters and characters file systems refuse; "attachment" when nothing is left.
    static QString CleanFileName(const QString &name);
    // The size of a file in words: "12.3 MiB".
    static QString SizeText(qint64 bytes);

private:
    HttpChannel m_channel;
    RemoteDataAdapter m_adapter;
    RemoteTable tblAttachment;
    RemoteTable tblAttachmentForSampleCode;
    RemoteTable tblAttachmentForID;
    QString m_authorityCode;
};
