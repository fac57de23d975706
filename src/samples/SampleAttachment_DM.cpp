#include "samples/SampleAttachment_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "remote/RemoteError.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Service = QStringLiteral("FileUploadService");

void requireLength(const QString &field, const QString &value, int limit)
{
    if (value.size() > limit)
        throw VarnexError(QStringLiteral("The attachment's %1 is %2 characters long; at most %3 are kept.")
                              .arg(field)
                              .arg(value.size())
                              .arg(limit));
}

} // namespace

TSampleAttachmentDm::TSampleAttachmentDm(const CentralServerSettings &settings, const QString &authorityCode)
    : m_adapter(m_channel, Service),
      tblAttachment(m_adapter, QStringLiteral("ATTACHMENT")),
      tblAttachmentForSampleCode(m_adapter, QStringLiteral("ATTACHMENT_FOR_SAMPLE_CODE")),
      tblAttachmentForID(m_adapter, QStringLiteral("ATTACHMENT_FOR_ID")),
      m_authorityCode(authorityCode)
{
    m_channel.setTargetUrl(settings.serverAddress);
    m_channel.setConnectTimeoutMs(TDADataDm::CallTimeoutMs);
    m_channel.setTimeoutMs(TDADataDm::CallTimeoutMs);
    m_channel.setKeepAlive(settings.keepAlive);
    // Attachments are photographs and documents, compressed already: compressing them again on
    // the way down costs more time than it saves.
    m_channel.setAcceptCompressed(false);
    if (settings.useInternetProxy)
        m_channel.setProxyLogin(settings.proxyUserName, settings.proxyPassword);
    m_adapter.setTimeoutMs(TDADataDm::CallTimeoutMs);
}

void TSampleAttachmentDm::RequireAttachableCode(const QString &sampleCode)
{
    if (sampleCode.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("Attachments can be added once the sample has a sample code: save the sample first."));
    if (sampleCode == QLatin1String("DUPLICATE"))
        throw VarnexError(QStringLiteral("Attachments can be added once the duplicated sample has its own sample code: "
                                         "save the sample first."));
}

DataTable TSampleAttachmentDm::GetAttachments(const QString &sampleCode)
{
    RequireAttachableCode(sampleCode);
    tblAttachmentForSampleCode.close();
    tblAttachmentForSampleCode.setParam(QStringLiteral("sampleCode"), sampleCode);
    tblAttachmentForSampleCode.open();
    return tblAttachmentForSampleCode.data();
}

DataTable TSampleAttachmentDm::RefreshAttachments()
{
    tblAttachmentForSampleCode.close();
    tblAttachmentForSampleCode.open();
    return tblAttachmentForSampleCode.data();
}

DataTable TSampleAttachmentDm::GetAttachment(qint64 id)
{
    tblAttachmentForID.close();
    tblAttachmentForID.setParam(QStringLiteral("Id"), id);
    // The content may be as large as an upload may be.
    m_adapter.setTimeoutMs(TDADataDm::UploadTimeoutMs(MaxFileBytes));
    try {
        tblAttachmentForID.open();
    } catch (...) {
        m_adapter.setTimeoutMs(TDADataDm::CallTimeoutMs);
        throw;
    }
    m_adapter.setTimeoutMs(TDADataDm::CallTimeoutMs);
    return tblAttachmentForID.data();
}

qint64 TSampleAttachmentDm::UploadStream(QIODevice &content, const QString &fileName, const QString &description,
                                          const QString &sampleCode, const QString &fileType)
{
    RequireAttachableCode(sampleCode);
    requireLength(QStringLiteral("file name"), fileName, MaxFileNameLength);
    requireLength(QStringLiteral("file type"), fileType, MaxFileTypeLength);
    requireLength(QStringLiteral("description"), description, MaxDescriptionLength);
    requireLength(QStringLiteral("sample code"), sampleCode, MaxCodeLength);
    requireLength(QStringLiteral("authority code"), m_authorityCode, MaxCodeLength);
    if (!content.isOpen() && !content.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The attachment \"%1\" cannot be read: %2").arg(fileName, content.errorString()));
    if (!content.isSequential() && !content.seek(0))
        throw VarnexError(QStringLiteral("The attachment \"%1\" cannot be read: %2").arg(fileName, content.errorString()));
    // The content goes to the server as it is read. A stream whose length is not known ahead is
    // read first, up to one byte past the limit, since the message names the length before it.
    QBuffer held;
    QIODevice *source = &content;
    qint64 size = content.size();
    if (content.isSequential()) {
        held.setData(content.read(MaxFileBytes + 1));
        held.open(QIODevice::ReadOnly);
        source = &held;
        size = held.size();
    }
    if (size > MaxFileBytes)
        throw VarnexError(QStringLiteral("The file \"%1\" is %2; attachments may be at most %3.")
                              .arg(fileName, SizeText(size), SizeText(MaxFileBytes)));

    QVariantMap row;
    row.insert(QStringLiteral("FILE_TYPE"), fileType);
    row.insert(QStringLiteral("LOCAL_AUTHORITY__CODE"), m_authorityCode);
    row.insert(QStringLiteral("SAMPLE__CODE"), sampleCode);
    row.insert(QStringLiteral("FILE_NAME"), fileName);
    row.insert(QStringLiteral("FILE_DESCRIPTION"), description);
    tblAttachment.close();
    tblAttachment.open();
    int at = -1;
    try {
        at = tblAttachment.appendAndPost(row, {QStringLiteral("FILE_CONTENT"), source, size},
                                         TDADataDm::UploadTimeoutMs(size));
    } catch (const RemoteError &) {
        throw;
    } catch (const VarnexError &e) {
        // A file that cannot be read whole sends no whole message: the server stores nothing.
        throw VarnexError(QStringLiteral("The attachment \"%1\" cannot be read whole: %2").arg(fileName, e.message()));
    }
    return tblAttachment.value(at, QStringLiteral("ID")).toLongLong();
}

void TSampleAttachmentDm::RequireUploadableFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw VarnexError(QStringLiteral("The file \"%1\" cannot be found.").arg(path));
    if (info.size() > MaxFileBytes)
        throw VarnexError(QStringLiteral("The file \"%1\" is %2; attachments may be at most %3.")
                              .arg(info.fileName(), SizeText(info.size()), SizeText(MaxFileBytes)));
}

qint64 TSampleAttachmentDm::UploadFile(const QString &path, const QString &description, const QString &sampleCode)
{
    RequireUploadableFile(path);
    const QFileInfo info(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The file \"%1\" cannot be read: %2").arg(path, file.errorString()));
    const QString suffix = info.suffix();
    return UploadStream(file, info.fileName(), description, sampleCode,
                        suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

bool TSampleAttachmentDm::SaveAttachmentToFile(qint64 id, const QString &target)
{
    const DataTable attachment = GetAttachment(id);
    if (attachment.rowCount() == 0)
        return false;
    const QByteArray content = attachment.value(0, QStringLiteral("FILE_CONTENT")).toByteArray();
    QString why;
    if (!saveFileAtomically(target, content, &why))
        throw VarnexError(QStringLiteral("The attachment could not be saved to \"%1\": %2").arg(target, why));
    tblAttachmentForID.close();
    return true;
}

void TSampleAttachmentDm::DeleteAttachment(qint64 id)
{
    m_adapter.ExecuteCommand(QStringLiteral("attachment_delete"), {{QStringLiteral("ID"), id}});
}

QString TSampleAttachmentDm::CleanFileName(const QString &name)
{
    QString base = name;
    const qsizetype slash = std::max(base.lastIndexOf(QLatin1Char('/')), base.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        base = base.mid(slash + 1);
    QString out;
    for (const QChar c : std::as_const(base)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("<>:\"|?*").contains(c))
            continue;
        out += c;
    }
    out = out.trimmed();
    while (out.startsWith(QLatin1Char('.')))
        out.remove(0, 1);
    return out.isEmpty() ? QStringLiteral("attachment") : out;
}

QString TSampleAttachmentDm::SizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KiB").arg(double(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MiB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}
