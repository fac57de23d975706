#include "base/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace {
// Large enough that writing costs few system calls, small enough to stay out of the way.
constexpr qsizetype BlockSize = 256 * 1024;

QString cannotWrite(const QString &fileName, const QString &cause)
{
    return QStringLiteral("Cannot write file '%1': %2").arg(fileName, cause);
}
} // namespace

bool writeFully(QFileDevice &device, const QByteArray &data, QString *errorMessage)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 written = device.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            if (errorMessage)
                *errorMessage = device.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

bool saveFileAtomically(const QString &fileName, const QByteArray &data, QString *errorMessage)
{
    AtomicFileWriter file(fileName);
    if (!file.open(errorMessage))
        return false;
    file.write(data);
    return file.commit(errorMessage);
}

AtomicFileWriter::AtomicFileWriter(const QString &fileName) : m_file(fileName)
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool AtomicFileWriter::open(QString *errorMessage)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_cause = m_file.errorString();
        return fail(errorMessage);
    }
    m_block.reserve(BlockSize);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 AtomicFileWriter::writeData(const char *data, qint64 length)
{
    if (!m_cause.isEmpty())
        return -1;
    if (m_block.isEmpty() && length >= BlockSize) // a large write goes to the file as it is, without a copy
        return writeOut(QByteArray::fromRawData(data, length)) ? length : -1;
    m_block.append(data, length);
    if (m_block.size() >= BlockSize && !flushBlock())
        return -1;
    return length;
}

bool AtomicFileWriter::writeOut(const QByteArray &bytes)
{
    if (writeFully(m_file, bytes, &m_cause))
        return true;
    if (m_cause.isEmpty())
        m_cause = QStringLiteral("the data could not be written");
    setErrorString(cannotWrite(m_file.fileName(), m_cause));
    return false;
}

bool AtomicFileWriter::flushBlock()
{
    if (m_block.isEmpty())
        return true;
    if (!writeOut(m_block))
        return false;
    m_block.resize(0); // keeps the room for the next block
    return true;
}

bool AtomicFileWriter::commit(QString *errorMessage)
{
    if (!m_file.isOpen()) {
        if (m_cause.isEmpty())
            m_cause = QStringLiteral("the file was not opened");
        return fail(errorMessage);
    }
    if (!m_cause.isEmpty() || !flushBlock()) {
        m_file.cancelWriting();
        m_file.commit();
        return fail(errorMessage);
    }
    if (!m_file.commit()) {
        m_cause = m_file.errorString();
        return fail(errorMessage);
    }
    QIODevice::close();
    return true;
}

bool AtomicFileWriter::fail(QString *errorMessage)
{
    if (errorMessage)
        *errorMessage = cannotWrite(m_file.fileName(), m_cause);
    QIODevice::close();
    return false;
}

AppendingFile::AppendingFile(const QString &fileName) : m_fileName(fileName)
{
}

AppendingFile::~AppendingFile() = default;

bool AppendingFile::start(const QByteArray &first, QString *errorMessage)
{
    m_file.reset();
    if (!saveFileAtomically(m_fileName, first, errorMessage))
        return false;
    auto file = std::make_unique<QFile>(m_fileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (errorMessage)
            *errorMessage = cannotWrite(m_fileName, file->errorString());
        return false;
    }
    m_size = file->size();
    m_file = std::move(file);
    return true;
}

bool AppendingFile::append(const QByteArray &bytes, QString *errorMessage)
{
    QString cause;
    if (!m_file) {
        cause = QStringLiteral("the file was not started");
    } else if (!writeFully(*m_file, bytes, &cause) || ::fdatasync(m_file->handle()) != 0) {
        if (cause.isEmpty())
            cause = QString::fromLocal8Bit(std::strerror(errno));
        // Whatever part of the bytes arrived goes again.
        m_file->resize(m_size);
    } else {
        m_size += bytes.size();
        return true;
    }
    if (errorMessage)
        *errorMessage = cannotWrite(m_fileName, cause);
    return false;
}

bool writeFileThroughTemporary(const QString &fileName,
                               const std::function<bool(const QString &temporaryName, QString *error)> &write,
                               QString *errorMessage)
{
    const QFileInfo target(fileName);
    QString cause;
    // The name is reserved by creating the file; the writer then writes it anew by that name.
    QTemporaryFile reserved(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    reserved.setAutoRemove(false);
    if (!reserved.open()) {
        cause = reserved.errorString();
    } else {
        const QString temporaryName = reserved.fileName();
        reserved.close();
        bool written = false;
        try {
            written = write(temporaryName, &cause);
        } catch (...) {
            QFile::remove(temporaryName);
            throw;
        }
        if (written) {
            // A new file gets the permissions a plain new file would; a replaced one keeps its own.
            const QFile::Permissions permissions = target.exists()
                ? QFile::permissions(fileName)
                : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
            QFile::setPermissions(temporaryName, permissions);
            std::error_code error;
            std::filesystem::rename(QFile::encodeName(temporaryName).toStdString(),
                                    QFile::encodeName(target.absoluteFilePath()).toStdString(), error);
            if (!error)
                return true;
            cause = QString::fromLocal8Bit(error.message());
        } else if (cause.isEmpty()) {
            cause = QStringLiteral("the file was not written");
        }
        QFile::remove(temporaryName);
    }
    if (errorMessage)
        *errorMessage = QStringLiteral("Cannot write file '%1': %2").arg(fileName, cause);
    return false;
}
